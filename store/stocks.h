// The current portfolio, its stock rows, the list's loading, and the purge of old quotes.
#pragma once
#include <windows.h>

// Rowid of the current portfolio; set by InitLoadStocks.
extern long long nPortfolioRowid;

// Shows the store's boxes (delete, purge, a refused stock change, the exit); MessageBoxA unless replaced.
extern int(WINAPI* pfnStoreMessageBox)(HWND, LPCSTR, LPCSTR, UINT);

// Longest symbol a stock row may have (the record's field less its terminator).
#define MAX_SYMBOL_LENGTH 29

// Opens the database (creating or upgrading it), selects the portfolio named by [Options] TitleBar,
// moves an old [Stocks] list into it once, and fills the list view.
void InitLoadStocks(HWND hListView);

// SaveStockRecord's result when another program holds the file: nothing was written, and the same
// change may be tried again.
#define STOCK_REFUSED (-1)

// Inserts (rowid 0) or updates a stock; returns its rowid, 0 when nothing was written, STOCK_REFUSED.
long long SaveStockRecord(long long rowid, const char* symbol, double warnBelow, double warnAbove,
                          double sharesOwned, double costBasis, double optionPrice, const char* sortText);

// The list row at the mouse cursor's height, or -1.
int ListRowUnderCursor(HWND list);
// The symbol list row row shows: its stock's symbol as the program knows it.
void ListRowSymbol(HWND list, int row, char* out, int size);

// Asks, then deletes the stock under the mouse cursor with its quotes, and its list row. The row stays
// while the file still holds the stock; a refused delete is told.
void DeleteStockUnderCursor(HWND hwnd);

// Tells the user (box "Error" owned by owner) and the log that what was done to the stock(s) named by
// symbols ("saved", "deleted") could not be written because another program holds the database file.
void TellStockRefused(HWND owner, const char* symbols, const char* done);

// Deletes quotes older than seven days and compacts the file; the result of the vacuum.
bool PurgeOldQuotes(HWND hwnd);
