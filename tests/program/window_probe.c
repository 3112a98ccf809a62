/* window_probe: looks into a running TarnWick.exe from outside, as a user or a script would.
 *   window_probe rows                       title, window state, header and every list row
 *   window_probe wait-filled N COL SECONDS  waits until the list has N rows with column COL filled, then rows
 *   window_probe command ID                 posts the menu command ID to the main window
 *   window_probe click-header POS           clicks the list header at list position POS
 *   window_probe show SW                    ShowWindow(main, SW) (6 minimises, 9 restores)
 *   window_probe press TITLE ID SECONDS     waits for the dialog box titled TITLE and presses its button ID
 *   window_probe dialog TITLE SW SECONDS    waits for the dialog box titled TITLE, ShowWindow(box, SW) unless
 *                                           SW is -1, and prints its state
 *   window_probe tray-click                 a left click on the tray icon
 *   window_probe painted N SECONDS          waits until the list holds N rows and nothing waits to be painted;
 *                                           prints the moment as seconds since 1970
 *   window_probe ping SECONDS [STOPFILE]    sends WM_NULL until SECONDS pass (or STOPFILE exists);
 *                                           prints the longest answer time
 *   window_probe reg NAME                   prints the program's registry value NAME (text or number)
 * Rows print as "row<TAB>image<TAB>cell<TAB>cell...". Exit code 0 on success, 1 when the window is
 * missing or a wait runs out. Texts are read across processes through memory allocated in the program. */
#include <windows.h>
#include <commctrl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define TEXT_ROOM 512

static HWND mainWindow, listView;
static HANDLE process;
static char* remote; /* TEXT_ROOM bytes of text and a record, in the program's memory */

static int findWindows(void) {
  mainWindow = FindWindowA("TarnWick", NULL);
  if (!mainWindow) return 0;
  listView = GetDlgItem(mainWindow, 2013);
  return listView != NULL;
}

static int openProgram(void) {
  DWORD pid = 0;
  GetWindowThreadProcessId(mainWindow, &pid);
  if (process) return 1;
  process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
  if (!process) return 0;
  remote = VirtualAllocEx(process, NULL, TEXT_ROOM + 256, MEM_COMMIT, PAGE_READWRITE);
  return remote != NULL;
}

/* Sends msg with a record copied into the program; the record and the text come back. */
static LRESULT sendRemote(HWND to, UINT msg, WPARAM wp, void* rec, size_t size, char** textField, char* text) {
  char* remoteRec = remote + TEXT_ROOM;
  if (textField) *textField = remote;
  WriteProcessMemory(process, remoteRec, rec, size, NULL);
  LRESULT r = SendMessageA(to, msg, wp, (LPARAM)remoteRec);
  ReadProcessMemory(process, remoteRec, rec, size, NULL);
  if (text) {
    ReadProcessMemory(process, remote, text, TEXT_ROOM, NULL);
    text[TEXT_ROOM - 1] = 0;
  }
  return r;
}

static void cellText(int row, int sub, char* out) {
  LVITEMA it;
  memset(&it, 0, sizeof it);
  it.iSubItem = sub;
  it.cchTextMax = TEXT_ROOM;
  out[0] = 0;
  sendRemote(listView, LVM_GETITEMTEXTA, row, &it, sizeof it, &it.pszText, out);
}

static int rowImage(int row) {
  LVITEMA it;
  memset(&it, 0, sizeof it);
  it.mask = LVIF_IMAGE;
  it.iItem = row;
  sendRemote(listView, LVM_GETITEMA, 0, &it, sizeof it, NULL, NULL);
  return it.iImage;
}

static int columnCount(void) {
  HWND header = (HWND)SendMessageA(listView, LVM_GETHEADER, 0, 0);
  return (int)SendMessageA(header, HDM_GETITEMCOUNT, 0, 0);
}

static void printRows(void) {
  char text[TEXT_ROOM];
  GetWindowTextA(mainWindow, text, sizeof text);
  printf("title\t%s\n", text);
  printf("state\ticonic=%d visible=%d foreground=%d shared_images=%d\n", IsIconic(mainWindow) != 0,
         IsWindowVisible(mainWindow) != 0, GetForegroundWindow() == mainWindow,
         (GetWindowLongA(listView, GWL_STYLE) & LVS_SHAREIMAGELISTS) != 0);
  HWND header = (HWND)SendMessageA(listView, LVM_GETHEADER, 0, 0);
  int columns = columnCount();
  printf("header");
  for (int c = 0; c < columns; ++c) {
    HDITEMA hd;
    memset(&hd, 0, sizeof hd);
    hd.mask = HDI_FORMAT | HDI_TEXT | HDI_BITMAP;
    hd.cchTextMax = TEXT_ROOM;
    sendRemote(header, HDM_GETITEMA, c, &hd, sizeof hd, &hd.pszText, text);
    /* the arrow: 0 none, else 1 with the bitmap on the right */
    printf("\t%s|%d", text, (hd.fmt & HDF_BITMAP) && hd.hbm ? 1 : 0);
  }
  printf("\n");
  int rows = (int)SendMessageA(listView, LVM_GETITEMCOUNT, 0, 0);
  for (int r = 0; r < rows; ++r) {
    printf("row\t%d", rowImage(r));
    for (int c = 0; c < columns; ++c) {
      cellText(r, c, text);
      printf("\t%s", text);
    }
    printf("\n");
  }
}

static int waitFilled(int want, int column, double seconds) {
  DWORD end = GetTickCount() + (DWORD)(seconds * 1000);
  char text[TEXT_ROOM];
  while ((LONG)(GetTickCount() - end) < 0) {
    if (findWindows() && openProgram()) {
      int rows = (int)SendMessageA(listView, LVM_GETITEMCOUNT, 0, 0);
      int filled = 0;
      for (int r = 0; r < rows; ++r) {
        cellText(r, column, text);
        if (text[0]) ++filled;
      }
      if (rows >= want && filled >= want) return 1;
    }
    Sleep(200);
  }
  return 0;
}

static void clickHeader(int position) {
  HWND header = (HWND)SendMessageA(listView, LVM_GETHEADER, 0, 0);
  RECT rc;
  sendRemote(header, HDM_GETITEMRECT, position, &rc, sizeof rc, NULL, NULL);
  LPARAM at = MAKELPARAM((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
  PostMessageA(header, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageA(header, WM_LBUTTONUP, 0, at);
}

static HWND waitDialog(const char* title, double seconds) {
  DWORD end = GetTickCount() + (DWORD)(seconds * 1000);
  // Shown, not only made: a dialog box shows itself once its queue is first empty, as a normal window,
  // which would undo what is done to it before.
  HWND box;
  while (!((box = FindWindowA("#32770", title)) && IsWindowVisible(box)) && (LONG)(GetTickCount() - end) < 0)
    Sleep(100);
  return box && IsWindowVisible(box) ? box : NULL;
}

static int pressButton(const char* title, int id, double seconds) {
  HWND box = waitDialog(title, seconds);
  if (!box) return 0;
  PostMessageA(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(box, id));
  return 1;
}

static int dialogState(const char* title, int show, double seconds) {
  HWND box = waitDialog(title, seconds);
  if (!box) return 0;
  if (show >= 0) ShowWindow(box, show);
  printf("state\ticonic=%d visible=%d foreground=%d\n", IsIconic(box) != 0, IsWindowVisible(box) != 0,
         GetForegroundWindow() == box);
  return 1;
}

static double wallClock(void) {
  FILETIME ft;
  GetSystemTimeAsFileTime(&ft);
  ULONGLONG t = ((ULONGLONG)ft.dwHighDateTime << 32) | ft.dwLowDateTime;
  return (double)(t - 116444736000000000ULL) / 1e7;
}

static int painted(int want, double seconds) {
  DWORD end = GetTickCount() + (DWORD)(seconds * 1000);
  while ((LONG)(GetTickCount() - end) < 0) {
    if (findWindows() && IsWindowVisible(mainWindow) &&
        SendMessageA(listView, LVM_GETITEMCOUNT, 0, 0) >= want &&
        !GetUpdateRect(mainWindow, NULL, FALSE) && !GetUpdateRect(listView, NULL, FALSE)) {
      printf("painted\t%.3f\n", wallClock());
      return 1;
    }
    Sleep(5);
  }
  return 0;
}

static int ping(double seconds, const char* stopFile) {
  DWORD end = GetTickCount() + (DWORD)(seconds * 1000);
  int count = 0;
  LARGE_INTEGER freq, t0, t1;
  QueryPerformanceFrequency(&freq);
  double worst = 0;
  while ((LONG)(GetTickCount() - end) < 0 && IsWindow(mainWindow) &&
         (!stopFile || GetFileAttributesA(stopFile) == INVALID_FILE_ATTRIBUTES)) {
    DWORD_PTR result;
    QueryPerformanceCounter(&t0);
    SendMessageTimeoutA(mainWindow, WM_NULL, 0, 0, SMTO_NORMAL, 60000, &result);
    QueryPerformanceCounter(&t1);
    double ms = (double)(t1.QuadPart - t0.QuadPart) * 1000.0 / (double)freq.QuadPart;
    if (ms > worst) worst = ms;
    ++count;
    Sleep(5);
  }
  printf("ping\tcount=%d longest_ms=%.1f\n", count, worst);
  return 1;
}

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  const char* what = argv[1];
  if (strcmp(what, "wait-filled") == 0 && argc >= 5) {
    if (!waitFilled(atoi(argv[2]), atoi(argv[3]), atof(argv[4]))) {
      if (findWindows() && openProgram()) printRows();
      printf("timeout\n");
      return 1;
    }
    printRows();
    return 0;
  }
  if (strcmp(what, "press") == 0 && argc >= 5) return !pressButton(argv[2], atoi(argv[3]), atof(argv[4]));
  if (strcmp(what, "dialog") == 0 && argc >= 5) return !dialogState(argv[2], atoi(argv[3]), atof(argv[4]));
  if (strcmp(what, "painted") == 0 && argc >= 4) return !painted(atoi(argv[2]), atof(argv[3]));
  if (strcmp(what, "reg") == 0 && argc >= 3) {
    HKEY key;
    char value[TEXT_ROOM];
    DWORD type = 0, size = sizeof value - 1;
    memset(value, 0, sizeof value);
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Bramblecot\\Tarnwick", 0, KEY_READ, &key)) return 1;
    LONG r = RegQueryValueExA(key, argv[2], NULL, &type, (BYTE*)value, &size);
    RegCloseKey(key);
    if (r) return 1;
    if (type == REG_DWORD) printf("reg\t%lu\n", *(DWORD*)value);
    else printf("reg\t%s\n", value);
    return 0;
  }
  if (strcmp(what, "tray-click") == 0) {
    HWND tray = FindWindowA("TWKClass", "TWKWindow");
    if (!tray) return 1;
    PostMessageA(tray, WM_USER + 8, 2006, WM_LBUTTONDOWN);
    return 0;
  }
  if (strcmp(what, "ping") == 0) /* the window may still be on its way */
    for (int i = 0; i < 600 && !findWindows(); ++i) Sleep(100);
  if (!findWindows()) {
    printf("no window\n");
    return 1;
  }
  if (strcmp(what, "command") == 0 && argc >= 3) return !PostMessageA(mainWindow, WM_COMMAND, atoi(argv[2]), 0);
  if (strcmp(what, "show") == 0 && argc >= 3) {
    ShowWindow(mainWindow, atoi(argv[2]));
    return 0;
  }
  if (strcmp(what, "ping") == 0 && argc >= 3) return !ping(atof(argv[2]), argc >= 4 ? argv[3] : NULL);
  if (!openProgram()) {
    printf("cannot open the program's memory\n");
    return 1;
  }
  if (strcmp(what, "rows") == 0) {
    printRows();
    return 0;
  }
  if (strcmp(what, "click-header") == 0 && argc >= 3) {
    clickHeader(atoi(argv[2]));
    return 0;
  }
  return 2;
}
