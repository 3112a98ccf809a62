// What the main window's menu commands and private messages do, one function each.
#pragma once
#include <windows.h>

// "&Exit": the timers stop, then the window is destroyed (the program ends after its loop).
void OnExitCommand(HWND hwnd);
// "Purge Quote History...": asks, then purges old quotes and compacts the database.
void OnPurgeHistoryCommand(HWND hwnd);
// Context-menu row commands find their row under the cursor: it goes back to where the menu opened.
void OnDeleteStockCommand(HWND hwnd);
void OnViewRowCommand(HWND hwnd, int chart);
// "&Contents" and "FAQ...": a page of the maker's web site (path from "/").
void OnMakerPageCommand(HWND hwnd, const char* path);

// IDT_QUIT: "Quitting in %d seconds", and the window closes on the third tick.
void OnQuitTick(HWND hwnd);
// IDT_BANNER: the next banner frame, copied into the banner window by the paint handler.
void OnBannerTick(HWND hwnd);
