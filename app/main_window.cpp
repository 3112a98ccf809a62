// The main window's procedure: a routing table from messages, commands and timers to the functions
// that do the work.
#include "app/main_window.h"

#include <commctrl.h>
#include <windowsx.h>

#include "app/alarms.h"
#include "app/columns.h"
#include "app/dialogs.h"
#include "app/exports.h"
#include "app/handles.h"
#include "app/links.h"
#include "app/main_commands.h"
#include "app/options.h"
#include "app/printing.h"
#include "app/status_strip.h"
#include "banner/player.h"
#include "banner/schedule.h"
#include "foundation/settings.h"
#include "quotes/hosts.h"
#include "quotes/network.h"

static void OnCommand(HWND hwnd, int id) {
  switch (id) {
    case IDM_PRINT: OnPrintCommand(hwnd); break;
    case IDM_ABOUT: ShowAboutDialog(hwnd); break;
    case IDM_COPYALL: CopyListToClipboard(hwnd); break;
    case IDM_STOCKS: OnStocksCommand(hwnd); break;
    case IDM_DATASETTINGS: OnDataSettingsCommand(hwnd); break;
    case IDM_NETWORKSETTINGS: ShowNetworkDialog(hwnd); break;
    case IDM_COLUMNS: OnColumnsCommand(hwnd); break;
    case IDM_HELPCONTENTS: OpenHostPage(hwnd, HOST_MAKER, "/tarnwickhelp"); break;
    case IDM_FULLEXPORT: OnExportCommand(hwnd, EXPORT_FULL); break;
    case IDM_UPDATENOW: RequestUpdateNow(); break;
    case IDM_QUICKENEXPORT: OnExportCommand(hwnd, EXPORT_QUICKEN); break;
    case IDM_EXIT: OnExitCommand(hwnd); break;
    case IDM_VIEWATSOURCE: OnViewRowCommand(hwnd, 0); break;
    case IDM_VIEWCHART: OnViewRowCommand(hwnd, 1); break;
    case IDM_FAQ: OpenHostPage(hwnd, HOST_MAKER, "/tarnwickfaq"); break;
    case IDM_METASTOCKEXPORT: OnExportCommand(hwnd, EXPORT_METASTOCK); break;
    case IDM_DELETESTOCK: OnDeleteStockCommand(hwnd); break;
    case IDM_EDITSTOCK: OnEditStockCommand(hwnd); break;
    case IDM_PURGEHISTORY: OnPurgeHistoryCommand(hwnd); break;
  }
}

static void OnTimer(HWND hwnd, UINT_PTR id) {
  switch (id) {
    case IDT_TICK: OnCycleTick(hwnd); break;
    case IDT_BANNER: OnBannerTick(hwnd); break;
    case IDT_QUIT: OnQuitTick(hwnd); break;
  }
}

static void OnPaintMainWindow(HWND hwnd) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  PaintStatusArea(hwnd, dc);
  if (bShowBanner && bBannerLoaded) {
    RECT rc;
    GetClientRect(hBannerWnd, &rc);
    HDC bannerDc = GetDC(hBannerWnd);
    if (hBannerMemDC == NULL) BitBlt(bannerDc, 0, 0, rc.right, rc.bottom, NULL, 0, 0, BLACKNESS);
    else BitBlt(bannerDc, 0, 0, rc.right, rc.bottom, hBannerMemDC, 0, 0, SRCCOPY);
    ReleaseDC(hBannerWnd, bannerDc);
  }
  EndPaint(hwnd, &ps);
  UpdateMyNetWorth();
}

// Tray icon, column layout and sort order, placement, status font, image list, banner slot.
static void OnDestroyMainWindow(HWND hwnd) {
  RemoveTrayIcon(hTrayWnd);
  SaveColumnSettings(hwnd);
  SaveWindowPlacement(hwnd);
  DeleteStatusFont();
  if (hListImageList) {
    ImageList_Destroy(hListImageList);
    hListImageList = NULL;
  }
  RegPutDword("CurrentBanner", (DWORD)CurrentBanner);
  PostQuitMessage(0);
}

static void KeepMinimumSize(MINMAXINFO* info) {
  info->ptMinTrackSize.x = 200;
  info->ptMinTrackSize.y = 150;
}

LRESULT CALLBACK MainWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CREATE: OnCreateMainWindow(hwnd); return 0;
    case WM_DESTROY: OnDestroyMainWindow(hwnd); return 0;
    case WM_SIZE: OnSizeMainWindow(hwnd, wParam, LOWORD(lParam), HIWORD(lParam)); return 0;
    case WM_SETFOCUS: SetFocus(hListView); return 0;
    case WM_PAINT: OnPaintMainWindow(hwnd); return 0;
    case WM_SYSCOLORCHANGE: return 0;
    case WM_GETMINMAXINFO: KeepMinimumSize((MINMAXINFO*)lParam); return 0;
    case WM_NOTIFY:
      return LOWORD(wParam) == IDC_LISTVIEW ? OnListNotify(hwnd, (NMHDR*)lParam) : 0;
    case WM_COMMAND: OnCommand(hwnd, LOWORD(wParam)); return 0;
    case WM_TIMER: OnTimer(hwnd, wParam); return 0;
    case WM_LBUTTONDBLCLK: OnBannerDoubleClick(hwnd, 1, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)); return 0;
    case WM_AUTO_EXPORT: OnAutoExport(hwnd); return 0;
    case WM_SOCKET_EVENT: OnSocketEvent(hwnd, wParam, lParam); return 0;
    case WM_NETWORK_DONE: ProcessNetworkReply(hwnd); return 0;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}
