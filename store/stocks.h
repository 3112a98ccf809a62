// The current portfolio, its stock rows, the list's loading, and the purge of old quotes.
#pragma once
#include <windows.h>

// Rowid of the current portfolio; set by InitLoadStocks.
extern long long nPortfolioRowid;

// Shows the boxes of DeleteStockUnderCursor and PurgeOldQuotes; MessageBoxA unless replaced.
extern int(WINAPI* pfnStoreMessageBox)(HWND, LPCSTR, LPCSTR, UINT);

// Longest symbol a stock row may have (the record's field less its terminator).
#define MAX_SYMBOL_LENGTH 29

// Opens the database (creating or upgrading it), selects the portfolio named by [Options] TitleBar,
// moves an old [Stocks] list into it once, and fills the list view.
void InitLoadStocks(HWND hListView);

// Inserts (rowid 0) or updates a stock; returns its rowid, 0 when nothing was written.
long long SaveStockRecord(long long rowid, const char* symbol, double warnBelow, double warnAbove,
                          double sharesOwned, double costBasis, double optionPrice, const char* sortText);

// The list row at the mouse cursor's height, or -1.
int ListRowUnderCursor(HWND list);

// Asks, then deletes the stock under the mouse cursor with its quotes, and its list row.
void DeleteStockUnderCursor(HWND hwnd);

// Deletes quotes older than seven days and compacts the file; the result of the vacuum.
bool PurgeOldQuotes(HWND hwnd);
