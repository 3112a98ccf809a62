#include "app/printing.h"

#include <commctrl.h>
#include <stdio.h>
#include <string.h>

#include "app/alarms.h"
#include "app/columns.h"
#include "app/exports.h"
#include "app/handles.h"
#include "app/status_strip.h"
#include "foundation/log.h"
#include "foundation/settings.h"
#include "foundation/text.h"

BOOL bUserAbort = FALSE;
HWND hPrintDlg = NULL;

// State of the job being printed.
static int nLeftMargin, nTopMargin;  // device pixels
static float fPrintScale = 1.0f;     // list pixels to device pixels
static HFONT hPrintFont;
static int nLineHeight;

HDC GetDefaultPrinterDC(void) {
  // Room for a printer name, a driver and a port that is a full path: an entry cut short would name
  // another port, and the pages would go to the wrong file.
  char entry[3 * MAX_PATH], pieces[3 * MAX_PATH];
  DWORD length = GetProfileStringA("windows", "device", ",,,", entry, sizeof entry);
  CopyCut(pieces, sizeof pieces, entry);
  char* device = strtok(pieces, ",");
  char* driver = strtok(NULL, ", ");
  char* port = strtok(NULL, ", ");
  bool whole = length + 2 < sizeof entry;
  HDC dc = whole && device && driver && port ? CreateDCA(driver, device, port, NULL) : NULL;
  if (!dc) WriteLog("GetDefaultPrinterDC: no printer (device \"%s\")", entry);
  return dc;
}

static void ComputePrintScale(int printWidth) {
  int sum = 0;
  for (short pos = 0; pos < MAX_LIST_COLUMNS; ++pos) {
    short field = GetShownColumn(pos);
    if (field >= 0) sum += GetColumnWidthById(field);
  }
  fPrintScale = sum > 0 ? (float)printWidth / (float)sum : 1.0f;
}

static void CreatePrintFont(HDC dc) {
  hPrintFont = CreateFontA(MulDiv(-8, GetDeviceCaps(dc, LOGPIXELSY), 72), 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET,
                           OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, VARIABLE_PITCH | FF_SWISS, "Helv");
  SelectObject(dc, hPrintFont);
  TEXTMETRICA tm;
  memset(&tm, 0, sizeof tm);
  GetTextMetricsA(dc, &tm);
  nLineHeight = tm.tmHeight + tm.tmExternalLeading + 5 * GetSystemMetrics(SM_CXBORDER);
}

static int ScaledRight(int x, short field) { return x + (int)(GetColumnWidthById(field) * fPrintScale); }

static void PrintPageHeader(HDC dc, int printWidth, int unused) {
  StartPage(dc);
  SelectObject(dc, hPrintFont);
  int bottom = nTopMargin + nLineHeight + 6;
  Rectangle(dc, nLeftMargin, nTopMargin, nLeftMargin + printWidth, bottom);
  int x = nLeftMargin;
  for (short pos = 0; pos < MAX_LIST_COLUMNS; ++pos) {
    short field = GetShownColumn(pos);
    if (field < 0) continue;
    int right = ScaledRight(x, field);
    MoveToEx(dc, right, nTopMargin, NULL);
    LineTo(dc, right, bottom);
    const char* title = GetColumnTitle(field);
    RECT r = {x + 6, nTopMargin + 3, right - 3, nTopMargin + nLineHeight + 2};
    ExtTextOutA(dc, x + 6, nTopMargin + 3, ETO_CLIPPED | ETO_OPAQUE, &r, title, (UINT)strlen(title), NULL);
    x = right;
  }
}

// The text holds one cell per shown column, each ended by a TAB; y is the bottom of the line.
static void PrintRowText(HDC dc, int y, const char* text) {
  UINT align = GetTextAlign(dc);
  int x = nLeftMargin;
  short pos = 0;
  for (const char* p = text; *p;) {
    short field = -1;
    while (pos < MAX_LIST_COLUMNS && (field = GetShownColumn(pos)) < 0) ++pos;
    if (pos >= MAX_LIST_COLUMNS) break;  // more cells than columns: nowhere to put them
    const char* tab = strchr(p, '\t');
    UINT len = (UINT)(tab ? tab - p : strlen(p));
    int right = ScaledRight(x, field);
    RECT r = {x + 3, nTopMargin - nLineHeight + y, right - 3, nTopMargin + y};
    if (len) {
      bool leftAligned = field == FLD_TICKER || field == FLD_NAME;
      SetTextAlign(dc, leftAligned ? TA_LEFT : TA_RIGHT);
      ExtTextOutA(dc, leftAligned ? x + 3 : right - 3, r.top + 1, ETO_CLIPPED | ETO_OPAQUE, &r, p, len, NULL);
    }
    if (!tab) break;
    p = tab + 1;
    ++pos;
    x = right;
  }
  SetTextAlign(dc, align);
}

static void PrintRows(HWND list, HDC dc, int printWidth, int printHeight, int unused, BOOL monthFirst) {
  int count = (int)SendMessageA(list, LVM_GETITEMCOUNT, 0, 0);
  if (count < 1) return;  // no page at all, not even one with only a total
  // Taken per job: a flag left from the last header would add a total without its column.
  bool valueShown = false;
  for (short pos = 0; pos < MAX_LIST_COLUMNS; ++pos)
    if (GetShownColumn(pos) == FLD_VALUE) valueShown = true;
  int top = 2 * nLineHeight + 8;
  int y = 0;
  for (int i = 0; i < count; ++i) {
    if (y == 0) {
      PrintPageHeader(dc, printWidth, 0);
      y = top;
    }
    LVITEMA item;
    memset(&item, 0, sizeof item);
    item.mask = LVIF_PARAM;
    item.iItem = i;
    if (SendMessageA(list, LVM_GETITEMA, 0, (LPARAM)&item) && item.lParam >= 0) {
      char row[PRINT_ROW_SIZE];
      FormatRowAsText(i, row, sizeof row, "\t", monthFirst);
      PrintRowText(dc, y, row);
      y += nLineHeight;
      if (y >= printHeight) {
        EndPage(dc);
        y = 0;
      }
    }
    if (bUserAbort) break;
  }
  if (!valueShown || bUserAbort) {
    if (y) EndPage(dc);
    return;
  }
  // The last row filled its page: the blank line and the total go on a new page with its header.
  if (y == 0) {
    PrintPageHeader(dc, printWidth, 0);
    y = top;
  }
  RECT blank = {nLeftMargin + 3, nTopMargin + y - nLineHeight, nLeftMargin + printWidth - 3, nTopMargin + y};
  ExtTextOutA(dc, blank.left, blank.top, ETO_OPAQUE, &blank, "", 0, NULL);
  y += nLineHeight;
  RECT band = {blank.left, nTopMargin + y - nLineHeight, blank.right, nTopMargin + y};
  char total[64];
  snprintf(total, sizeof total, "TOTAL PORTFOLIO VALUE: %12.4f", dNetWorth);
  ExtTextOutA(dc, band.left, band.top + 1, ETO_OPAQUE | ETO_CLIPPED, &band, total, (UINT)strlen(total), NULL);
  EndPage(dc);
}

HWND CreatePrintCancelBox(HWND owner) {
  bUserAbort = FALSE;
  hPrintDlg = CreateDialogA(hInst, MAKEINTRESOURCEA(IDD_PRINTCANCEL), owner, PrintDlgProc);
  return hPrintDlg;
}

BOOL PrintList(HWND owner, HWND list, int unused, BOOL monthFirst) {
  HDC dc = GetDefaultPrinterDC();
  if (!dc) return FALSE;
  nLeftMargin = GetDeviceCaps(dc, LOGPIXELSX) / 2;
  nTopMargin = GetDeviceCaps(dc, LOGPIXELSY) / 2;
  int printWidth = GetDeviceCaps(dc, HORZRES) - 2 * nLeftMargin;
  int printHeight = GetDeviceCaps(dc, VERTRES) - 2 * nTopMargin;

  EnableWindow(owner, FALSE);
  CreatePrintCancelBox(owner);
  SetAbortProc(dc, PrintAbortProc);
  ComputePrintScale(printWidth);
  CreatePrintFont(dc);

  DOCINFOA doc;
  memset(&doc, 0, sizeof doc);
  doc.cbSize = sizeof doc;
  doc.lpszDocName = "Tarnwick print";
  if (StartDocA(dc, &doc) > 0) {
    PrintRows(list, dc, printWidth, printHeight, 0, monthFirst);
    EndDoc(dc);
  } else if (!bUserAbort) {
    WriteLog("PrintList: the printer did not start the document (%lu)", GetLastError());
  }
  if (!bUserAbort) {  // a cancel has already done both
    EnableWindow(owner, TRUE);
    if (hPrintDlg) DestroyWindow(hPrintDlg);
    hPrintDlg = NULL;
  }
  DeleteDC(dc);
  DeleteObject(hPrintFont);
  hPrintFont = NULL;
  return TRUE;
}

INT_PTR CALLBACK PrintDlgProc(HWND hDlg, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_INITDIALOG:
      SetWindowTextA(hDlg, PRODUCT_WORD);
      EnableMenuItem(GetSystemMenu(hDlg, FALSE), SC_CLOSE, MF_GRAYED);
      return TRUE;
    case WM_COMMAND:
      bUserAbort = TRUE;
      EnableWindow(GetParent(hDlg), TRUE);
      DestroyWindow(hDlg);
      hPrintDlg = NULL;
      return TRUE;
  }
  return FALSE;
}

BOOL CALLBACK PrintAbortProc(HDC hdc, int code) {
  if (bUserAbort) return FALSE;
  MSG msg;
  while (!bUserAbort && PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
    if (!hPrintDlg || !IsDialogMessageA(hPrintDlg, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
  return !bUserAbort;
}

void OnPrintCommand(HWND hwnd) {
  BOOL monthFirst = IniGetInt(hwnd, "Files", "MMDDYY", 1);
  SetStatusText(hwnd, "Printing...", 1);
  SyncColumnWidths();
  if (!PrintList(hwnd, hListView, 0, monthFirst))
    MessageBoxA(hwnd, "No printer is available. Install a printer and make it the default one, then print again.",
                "Print", MB_OK | MB_ICONEXCLAMATION);
  SetStatusText(hwnd, "Idle...", 1);
}
