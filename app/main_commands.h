// What the main window's menu commands and private messages do, one function each.
#pragma once
#include <windows.h>

// "&Exit": the timers stop, then the window is destroyed (the program ends after its loop).
void OnExitCommand(HWND hwnd);
// "Purge Quote History...": asks, then purges old quotes and compacts the database.
void OnPurgeHistoryCommand(HWND hwnd);
// "&Stocks...": a stock added or changed makes the next idle tick start a cycle.
void OnStocksCommand(HWND hwnd);
// "&Data Settings...": on OK the title, the list (its portfolio may have changed), the source and
// the layout (the banner may have been turned on or off) follow the new settings.
void OnDataSettingsCommand(HWND hwnd);
// "&Columns...": widths the user dragged are kept; on OK the columns are rebuilt and the list reloaded.
void OnColumnsCommand(HWND hwnd);

// Context-menu row commands find their row under the cursor: it goes back to where the menu opened.
void OnDeleteStockCommand(HWND hwnd);
void OnViewRowCommand(HWND hwnd, int chart);
void OnEditStockCommand(HWND hwnd);

// IDT_QUIT: "Quitting in %d seconds", and the window closes on the third tick.
void OnQuitTick(HWND hwnd);
// True once the countdown has closed the window: the program is ending by itself, with nobody to ask.
BOOL QuitCountdownEnded(void);
// IDT_BANNER: the next banner frame, copied into the banner window by the paint handler.
void OnBannerTick(HWND hwnd);
