#include "app/alarms.h"

#include <mmsystem.h>
#include <shellapi.h>
#include <string.h>

#include "app/handles.h"
#include "app/options.h"
#include "app/status_strip.h"
#include "foundation/log.h"
#include "foundation/text.h"
#include "store/database.h"
#include "store/stocks.h"

double dNetWorth = 0.0;
POINT ptContextMenu = {0, 0};

namespace {

// The icon was added and not removed since; a restarted taskbar gets it back.
BOOL bTrayIconShown = FALSE;

const char kAlarmCountSql[] =
    "select count(*)   from stock        join quote on (stock.rowid = quote.stock_rowid and quote.create_date = "
    "date('now', 'localtime'))  where stock.portfolio_rowid = ?    and quote.quote_status in (3,4) ";
const char kNetWorthSql[] =
    "select sum(stock.shares_owned * (quote.price - ifnull(stock.option_price, 0.0)))   from stock        join "
    "quote on (stock.rowid = quote.stock_rowid and quote.create_date = date('now', 'localtime'))  where "
    "stock.shares_owned > 0    and stock.portfolio_rowid = ?    and quote.price != -16384 ";

// Runs a one-value query about the current portfolio (its only parameter); false when it did not run.
template <typename T>
bool PortfolioValue(const char* sql, T (*read)(sqlite3_stmt*, int), T* out) {
  CDbLock lock(oDatabase);
  bool ok = false;
  RunBoundStatement(
      sql, [](sqlite3_stmt* s) { sqlite3_bind_int64(s, 1, nPortfolioRowid); },
      [&](sqlite3_stmt* s) {
        *out = read(s, 0);
        ok = true;
      });
  return ok;
}

// Every call passes the full ANSI record (508 bytes in a 32-bit process): the XP layout and the
// balloon icon handle.
struct TrayRecordA {
  NOTIFYICONDATAA nid;
  HICON hBalloonIcon;
};
#ifndef _WIN64
static_assert(sizeof(TrayRecordA) == 508, "the full ANSI notify-icon record");
#endif

TrayRecordA TrayRecord(HWND hTray) {
  TrayRecordA r;
  memset(&r, 0, sizeof r);
  r.nid.cbSize = sizeof r;
  r.nid.hWnd = hTray;
  r.nid.uID = ID_TRAYICON;
  r.nid.uFlags = NIF_MESSAGE | NIF_ICON;
  r.nid.uCallbackMessage = WM_TRAY_NOTIFY;
  return r;
}

HICON LoadChartIcon() {
  return (HICON)LoadImageA(hInst, IDI_CHARTICON, IMAGE_ICON, 16, 16, 0);
}

UINT TaskbarCreatedMessage() {
  static UINT msg = RegisterWindowMessageA("TaskbarCreated");
  return msg;
}

void OnTaskbarCreated(HWND hwnd) {
  if (!bTrayIconShown) return;
  if (AddTrayIcon(hwnd)) return;
  // No icon to come back through: a window hidden to the tray must not stay out of reach.
  if (hMainWnd && !IsWindowVisible(hMainWnd)) ShowWindow(hMainWnd, SW_RESTORE);
}

}  // namespace

void CheckAlarms(HWND hwnd) {
  int count = 0;
  if (!PortfolioValue<int>(kAlarmCountSql, sqlite3_column_int, &count) || count <= 0) return;
  if (bAlarmToTop && hwnd) {
    if (IsIconic(hwnd)) {
      ShowWindow(hwnd, SW_RESTORE);
    } else {
      BringWindowToTop(hwnd);
      ShowWindow(hwnd, SW_SHOW);
    }
  }
  if (bAlarmBeep) MessageBeep(MB_ICONEXCLAMATION);
  // A file that cannot be played stays silent rather than sounding the default.
  if (szAlarmSound[0]) PlaySoundA(szAlarmSound, NULL, SND_FILENAME | SND_NODEFAULT);
}

void UpdateMyNetWorth(void) {
  double sum = 0.0;
  // A query that did not run leaves the last value standing.
  if (PortfolioValue<double>(kNetWorthSql, sqlite3_column_double, &sum)) dNetWorth = sum + dCash;
  DrawNetWorth(hMainWnd, dNetWorth);
}

BOOL AddTrayIcon(HWND hTray) {
  TrayRecordA r = TrayRecord(hTray);
  bTrayIconShown = Shell_NotifyIconA(NIM_ADD, &r.nid);
  UpdateTrayIcon(hTray, 0, NULL);
  return bTrayIconShown;
}

BOOL IsTrayIconShown(void) { return bTrayIconShown; }

BOOL UpdateTrayIcon(HWND hTray, int unused, const char* tip) {
  TrayRecordA r = TrayRecord(hTray);
  r.nid.hIcon = LoadChartIcon();
  if (tip) {
    r.nid.uFlags |= NIF_TIP;
    CopyCut(r.nid.szTip, sizeof r.nid.szTip, tip);
  }
  BOOL result = Shell_NotifyIconA(NIM_MODIFY, &r.nid);
  if (r.nid.hIcon) DestroyIcon(r.nid.hIcon);
  return result;
}

BOOL RemoveTrayIcon(HWND hTray) {
  TrayRecordA r = TrayRecord(hTray);
  bTrayIconShown = FALSE;
  return Shell_NotifyIconA(NIM_DELETE, &r.nid);
}

LRESULT CALLBACK TrayWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CREATE:
      TaskbarCreatedMessage();
      AddTrayIcon(hwnd);
      return 0;
    case WM_DESTROY:
      // Only the icon goes; the program ends with its main window, not with this one.
      RemoveTrayIcon(hwnd);
      return 0;
    case WM_DRAWITEM:
      return DrawChartIcon((const DRAWITEMSTRUCT*)lParam);
    case WM_COMMAND:
      if (LOWORD(wParam) == IDCANCEL) DestroyWindow(hwnd);
      return 0;
    case WM_TRAY_NOTIFY:
      if (lParam == WM_LBUTTONDOWN && hMainWnd) {
        ShowWindow(hMainWnd, SW_RESTORE);
        SetForegroundWindow(hMainWnd);
      }
      return 0;
  }
  if (msg == TaskbarCreatedMessage() && msg != 0) {
    OnTaskbarCreated(hwnd);
    return 0;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

int DrawChartIcon(const DRAWITEMSTRUCT* item) {
  HICON icon = item ? LoadChartIcon() : NULL;
  if (!icon) return 0;
  DrawIconEx(item->hDC, item->rcItem.left, item->rcItem.top, icon, 16, 16, 0, NULL, DI_NORMAL);
  DestroyIcon(icon);
  return 1;
}

void ShowListContextMenu(HWND hwnd) {
  HMENU menu = LoadMenuA(hInst, MAKEINTRESOURCEA(IDR_LISTMENU));
  if (!menu) {
    MessageBoxA(hwnd, "Problem loading menu", "Error", MB_ICONHAND);
    return;
  }
  HMENU popup = GetSubMenu(menu, 0);
  GetCursorPos(&ptContextMenu);
  SetMenuDefaultItem(popup, 0, TRUE);
  SetForegroundWindow(hwnd);
  TrackPopupMenuEx(popup, 0, ptContextMenu.x, ptContextMenu.y, hwnd, NULL);
  DestroyMenu(menu);
}
