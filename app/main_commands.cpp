#include "app/main_commands.h"

#include <stdio.h>

#include "app/alarms.h"
#include "app/columns.h"
#include "app/dialogs.h"
#include "app/handles.h"
#include "app/links.h"
#include "app/main_window.h"
#include "app/status_strip.h"
#include "banner/player.h"
#include "foundation/settings.h"
#include "quotes/cycle.h"
#include "quotes/network.h"
#include "quotes/sources.h"
#include "store/stocks.h"

// Ticks of IDT_QUIT left before the program closes; never reset (the quit cannot be stopped).
static short nQuitCountdown = 3;

void OnExitCommand(HWND hwnd) {
  KillTimer(hwnd, IDT_TICK);
  KillTimer(hwnd, IDT_BANNER);
  KillTimer(hwnd, IDT_QUIT);
  DestroyWindow(hwnd);
}

void OnPurgeHistoryCommand(HWND hwnd) {
  if (MessageBoxA(hwnd, "Do you want to purge all old quotes history and compact the tarnwick.db file",
                  "Purge Quotes History", MB_YESNO) == IDYES)
    PurgeOldQuotes(hwnd);
}

void OnStocksCommand(HWND hwnd) {
  if (ShowStockDialog(hwnd) == 1) nSecondsToUpdate = 0;
}

void OnDataSettingsCommand(HWND hwnd) {
  if (ShowDataSettingsDialog(hwnd) != 1) return;
  UpdateWindowTitle(hwnd);
  ReloadStockList(hListView);
  nQuoteSource = IniGetInt(hwnd, "Options", "Source", 3);
  LayoutMainWindow(hwnd);
  InvalidateRect(hwnd, NULL, TRUE);
}

void OnColumnsCommand(HWND hwnd) {
  SyncColumnWidths();
  if (ShowColumnsDialog(hwnd) != 1) return;
  CreateListColumns(hwnd);
  ReloadStockList(hListView);
}

void OnEditStockCommand(HWND hwnd) {
  SetCursorPos(ptContextMenu.x, ptContextMenu.y);
  EditStockUnderCursor(hwnd);
}

void OnDeleteStockCommand(HWND hwnd) {
  SetCursorPos(ptContextMenu.x, ptContextMenu.y);
  DeleteStockUnderCursor(hwnd);
}

void OnViewRowCommand(HWND hwnd, int chart) {
  SetCursorPos(ptContextMenu.x, ptContextMenu.y);
  ViewSymbolAtSource(hwnd, chart);
}

void OnQuitTick(HWND hwnd) {
  --nQuitCountdown;
  if (nQuitCountdown <= 0) {
    PostMessageA(hwnd, WM_CLOSE, 0, 0);
    return;
  }
  char text[40];
  snprintf(text, sizeof text, "Quitting in %d seconds", nQuitCountdown);
  SetStatusText(hwnd, text, 1);
}

BOOL QuitCountdownEnded(void) { return nQuitCountdown <= 0; }

void OnBannerTick(HWND hwnd) {
  if (nBannerRunning != 1) return;
  MngOnTimer();
  SendMessageA(hwnd, WM_PAINT, 0, 0);
}
