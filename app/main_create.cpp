#include <windows.h>
#include <commctrl.h>

#include "app/alarms.h"
#include "app/columns.h"
#include "app/dialogs.h"
#include "app/handles.h"
#include "app/main_settings.h"
#include "app/main_window.h"
#include "app/options.h"
#include "app/status_strip.h"
#include "banner/player.h"
#include "banner/schedule.h"
#include "foundation/log.h"
#include "foundation/settings.h"
#include "quotes/sources.h"
#include "store/stocks.h"

static HBITMAP LoadCheckedBitmap(int id, const char* missingText) {
  HBITMAP bitmap = LoadBitmapA(hInst, MAKEINTRESOURCEA(id));
  if (bitmap == NULL) WriteLog("%s", missingText);
  return bitmap;
}

static void CreateListView(HWND hwnd) {
  RECT rc;
  GetClientRect(hwnd, &rc);
  // The window keeps the image list and destroys it once, at WM_DESTROY; the list only shares it.
  hListView = CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | WS_BORDER | LVS_REPORT | LVS_SHAREIMAGELISTS,
                              0, 0, rc.right, rc.bottom > 20 ? rc.bottom - 20 : 0, hwnd,
                              (HMENU)(INT_PTR)IDC_LISTVIEW, hInst, NULL);
  hListImageList = ImageList_LoadImageA(hInst, MAKEINTRESOURCEA(IDB_STATUSICONS), 16, 8, CLR_NONE,
                                        IMAGE_BITMAP, LR_LOADMAP3DCOLORS);
  SendMessageA(hListView, LVM_SETIMAGELIST, LVSIL_SMALL, (LPARAM)hListImageList);
  bUseGridLines = IniGetInt(hwnd, "Options", "useGridLines", 1) != 0;
  DWORD mask = LVS_EX_INFOTIP | LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES;
  DWORD style = LVS_EX_INFOTIP | LVS_EX_FULLROWSELECT | (bUseGridLines ? LVS_EX_GRIDLINES : 0);
  SendMessageA(hListView, LVM_SETEXTENDEDLISTVIEWSTYLE, mask, style);
}

static void ChooseQuoteSource(HWND hwnd) {
  nQuoteSource = IniGetInt(hwnd, "Options", "Source", -1);
  if (nQuoteSource == -1) ShowFirstRunDialog(hwnd);
}

void OnCreateMainWindow(HWND hwnd) {
  hGreenGem = LoadCheckedBitmap(IDB_GREENGEM, "hGreenGem is NULL");
  hRedGem = LoadCheckedBitmap(IDB_REDGEM, "hRedGem is NULL");
  hLogo = LoadCheckedBitmap(IDB_LOGO, "hLogo is NULL");
  hSortDownBitmap = LoadBitmapA(hInst, MAKEINTRESOURCEA(IDB_SORTDOWN));
  hSortUpBitmap = LoadBitmapA(hInst, MAKEINTRESOURCEA(IDB_SORTUP));
  ReadSortSettings(hwnd);
  CreateListView(hwnd);
  hBannerWnd = CreateWindowExA(0, "static", "", WS_CHILD | WS_VISIBLE | SS_BITMAP, 0, 0, 20, 20, hwnd, NULL,
                               hInst, NULL);

  bKeepQuotes = IniGetInt(hwnd, "Options", "KeepQuotes", 1) != 0;
  bShowBanner = IniGetInt(hwnd, "Options", "ShowBanner", 1) != 0;
  SetBannerShown(bShowBanner);
  InitStatusArea(hwnd, hGreenGem, hRedGem);
  LoadColumnSettings(hwnd);
  CreateListColumns(hwnd);

  ReadNetworkSettings(hwnd);
  ReadNumberSettings(hwnd);
  ChooseQuoteSource(hwnd);
  ReadExportSettings(hwnd);
  UpgradeSettings(hwnd);
  ReadAlarmSettings(hwnd);
  bSystemTray = IniGetInt(hwnd, "Options", "SystemTray", 0) != 0;
  if (!bSystemTray) RemoveTrayIcon(hTrayWnd);

  // Opens the database (after the upgrade, whose [Stocks] entries it moves in) and fills the list.
  InitLoadStocks(hListView);
  SortStockList(hListView, nSortColumn);
  RestoreWindowPlacement(hwnd, bSystemTray);
  ShowWindow(hListView, SW_SHOW);
  SetBusyIndicator(hwnd, 1);
  ReadPortfolioSettings(hwnd);
  UpdateWindowTitle(hwnd);
  ReadDelimiterSetting(hwnd);
  ReadVersionSettings(hwnd);

  LoadBannerSchedule(hwnd);
  ResetBannerPlayer();
  ReadAltColorSetting(hwnd);
  ShowBannerFile();
  SetTimer(hwnd, IDT_TICK, 1000, NULL);

  char module[MAX_PATH];
  GetModulePath(module, sizeof module);
  RegPutString("Program", module);
}
