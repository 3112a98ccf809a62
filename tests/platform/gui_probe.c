/* GUI probe: main window with menu/accelerators/icon from resources, a report-style SysListView32
 * with an image list made from a BITMAP resource, a status bar and a 100 ms timer.
 * Usage: gui_probe.exe MARKER   (MARKER: Windows path prefix; writes MARKER.ready, waits for MARKER.done)
 * Exit code: number of failed checks (0 = ok). */
#include <windows.h>
#include <commctrl.h>
#include <stdio.h>
#include <string.h>
#include "gui_probe_res.h"

static HWND hList, hStatus;
static int ticks, failures;
static char marker[MAX_PATH];
static char report[4096];

#define CHECK(c) do { if (!(c)) { failures++; \
  snprintf(report + strlen(report), sizeof report - strlen(report), "FAIL %s\n", #c); } \
  else snprintf(report + strlen(report), sizeof report - strlen(report), "ok   %s\n", #c); } while (0)

static void fillList(HWND lv) {
  static const char* cols[] = {"Symbol", "Price", "Change", "Volume"};
  static const int widths[] = {90, 80, 80, 100};
  LVCOLUMNA c = {0};
  c.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
  for (int i = 0; i < 4; i++) {
    c.pszText = (char*)cols[i]; c.cx = widths[i]; c.iSubItem = i;
    ListView_InsertColumn(lv, i, &c);
  }
  HIMAGELIST il = ImageList_Create(16, 16, ILC_COLOR24 | ILC_MASK, 1, 1);
  HBITMAP bmp = LoadBitmapA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDB_UP));
  CHECK(bmp != NULL);
  CHECK(ImageList_AddMasked(il, bmp, RGB(255, 0, 255)) == 0);
  DeleteObject(bmp);
  ListView_SetImageList(lv, il, LVSIL_SMALL);
  static const char* rows[][4] = {{"ABC", "12.50", "+0.25", "1,200"}, {"XYZ.TO", "3.10", "-0.05", "54,000"},
                                  {"QQQ", "401.77", "+2.01", "9,876,543"}, {"T", "17.05", "0.00", "0"},
                                  {"LONGNAME.V", "0.005", "+0.001", "12"}};
  for (int r = 0; r < 5; r++) {
    LVITEMA it = {0};
    it.mask = LVIF_TEXT | LVIF_IMAGE; it.iItem = r; it.pszText = (char*)rows[r][0]; it.iImage = 0;
    int idx = ListView_InsertItem(lv, &it);
    for (int s = 1; s < 4; s++) ListView_SetItemText(lv, idx, s, (char*)rows[r][s]);
  }
}

static void checkResources(HWND hwnd) {
  HINSTANCE hi = GetModuleHandleA(NULL);
  char buf[256];
  CHECK(LoadIconA(hi, MAKEINTRESOURCEA(IDI_APP)) != NULL);
  HACCEL acc = LoadAcceleratorsA(hi, MAKEINTRESOURCEA(IDA_MAIN));
  CHECK(acc != NULL);
  ACCEL ac[8];
  CHECK(CopyAcceleratorTableA(acc, ac, 8) == 3);
  HMENU m = GetMenu(hwnd);
  CHECK(m != NULL && GetMenuItemCount(m) == 2);
  CHECK(GetMenuStringA(m, IDM_EXIT, buf, sizeof buf, MF_BYCOMMAND) > 0 && strcmp(buf, "E&xit") == 0);
  CHECK(LoadStringA(hi, IDS_TITLE, buf, sizeof buf) > 0 && strcmp(buf, "Probe Stocks") == 0);
  /* the dialog template loads and its list view control is created */
  HWND dlg = CreateDialogParamA(hi, MAKEINTRESOURCEA(IDD_ABOUT), hwnd, NULL, 0);
  CHECK(dlg != NULL && GetDlgItem(dlg, IDC_ABOUT_LIST) != NULL);
  if (dlg) DestroyWindow(dlg);
  /* VERSIONINFO through the version API */
  GetModuleFileNameA(NULL, buf, sizeof buf);
  DWORD h = 0, n = GetFileVersionInfoSizeA(buf, &h);
  static char vi[4096];
  CHECK(n > 0 && n <= sizeof vi && GetFileVersionInfoA(buf, 0, n, vi));
  VS_FIXEDFILEINFO* ffi = NULL;
  UINT len = 0;
  CHECK(VerQueryValueA(vi, "\\", (void**)&ffi, &len) && ffi->dwFileVersionMS == MAKELONG(2, 1) &&
        ffi->dwFileVersionLS == MAKELONG(4, 3));
  char* s = NULL;
  CHECK(VerQueryValueA(vi, "\\StringFileInfo\\040904b0\\FileVersion", (void**)&s, &len) && strcmp(s, "1.2.3.4") == 0);
  /* list view content */
  CHECK(ListView_GetItemCount(hList) == 5);
  ListView_GetItemText(hList, 2, 3, buf, sizeof buf);
  CHECK(strcmp(buf, "9,876,543") == 0);
  CHECK((GetWindowLongA(hList, GWL_STYLE) & LVS_TYPEMASK) == LVS_REPORT);
  GetClassNameA(hList, buf, sizeof buf);
  CHECK(strcmp(buf, "SysListView32") == 0);
}

static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
  case WM_CREATE:
    hList = CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "",
                            WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS,
                            0, 0, 10, 10, hwnd, (HMENU)1, GetModuleHandleA(NULL), NULL);
    ListView_SetExtendedListViewStyle(hList, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
    hStatus = CreateWindowExA(0, STATUSCLASSNAMEA, "Ready", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP,
                              0, 0, 0, 0, hwnd, (HMENU)2, GetModuleHandleA(NULL), NULL);
    fillList(hList);
    SetTimer(hwnd, 1, 100, NULL);
    return 0;
  case WM_SIZE: {
    RECT rs;
    SendMessageA(hStatus, WM_SIZE, 0, 0);
    GetWindowRect(hStatus, &rs);
    MoveWindow(hList, 0, 0, LOWORD(lp), HIWORD(lp) - (rs.bottom - rs.top), TRUE);
    return 0;
  }
  case WM_TIMER: {
    char t[64];
    ticks++;
    snprintf(t, sizeof t, "tick %d", ticks);
    SendMessageA(hStatus, SB_SETTEXTA, 0, (LPARAM)t);
    if (ticks == 5) {
      ListView_SetItemState(hList, 2, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
      checkResources(hwnd);
      char path[MAX_PATH + 8];
      snprintf(path, sizeof path, "%s.ready", marker);
      FILE* f = fopen(path, "w");
      if (f) { fputs(report, f); fclose(f); }
    } else if (ticks > 5) {
      char path[MAX_PATH + 8];
      snprintf(path, sizeof path, "%s.done", marker);
      if (GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES || ticks > 600) DestroyWindow(hwnd);
    }
    return 0;
  }
  case WM_COMMAND:
    if (LOWORD(wp) == IDM_EXIT) DestroyWindow(hwnd);
    return 0;
  case WM_DESTROY:
    KillTimer(hwnd, 1);
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

int WINAPI WinMain(HINSTANCE hi, HINSTANCE prev, LPSTR cmd, int show) {
  (void)prev;
  lstrcpynA(marker, cmd && *cmd ? cmd : "gui_probe", sizeof marker);
  INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
  InitCommonControlsEx(&icc);
  WNDCLASSA wc = {0};
  wc.lpfnWndProc = WndProc;
  wc.hInstance = hi;
  wc.hIcon = LoadIconA(hi, MAKEINTRESOURCEA(IDI_APP));
  wc.hCursor = LoadCursorA(NULL, (LPCSTR)IDC_ARROW);
  wc.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
  wc.lpszMenuName = MAKEINTRESOURCEA(IDM_MAIN);
  wc.lpszClassName = "ProbeMain";
  if (!RegisterClassA(&wc)) return 100;
  HWND hwnd = CreateWindowA("ProbeMain", "Probe 1.2.3", WS_OVERLAPPEDWINDOW, 20, 20, 420, 260,
                            NULL, NULL, hi, NULL);
  if (!hwnd) return 101;
  ShowWindow(hwnd, show);
  UpdateWindow(hwnd);
  HACCEL acc = LoadAcceleratorsA(hi, MAKEINTRESOURCEA(IDA_MAIN));
  MSG m;
  while (GetMessageA(&m, NULL, 0, 0) > 0) {
    if (!TranslateAcceleratorA(hwnd, acc, &m)) {
      TranslateMessage(&m);
      DispatchMessageA(&m);
    }
  }
  return ticks >= 5 ? failures : 102;
}
