// Storing a parsed quote: status, list row and today's quote row.
#pragma once
#include <windows.h>
#include "store/queue_record.h"

// QuoteStatus values (also the list row's image index).
#define QS_ABOVE_LIMIT 3
#define QS_BELOW_LIMIT 4
#define QS_UP 5
#define QS_DOWN 6
#define QS_NO_DATA 7

// Decimals of the displayed numbers ([Options] DecimalPlaces, 0..7, default 3).
extern short nDecimalPlaces;

// Shows the record in its list row and, with storeToDb, writes the stock's name and today's quote row.
// The record is changed in place: rowid, limits, holding and sort text from the stock row, the symbol
// upper-cased when it had to be looked up, and quote_status.
void StoreQuote(HWND hListView, QueueRecord* rec, bool storeToDb);

// The store's part of the exit: writes the refused quotes and commits, trying again for a bounded time
// while another program holds the file; when something is still refused, an interactive exit asks the
// user to retry or give it up, an automatic one gives it up at once, logged. When nothing was given up,
// purge purges old quotes. Within the same wait the -wal file is folded into the database file (logged
// when a reader keeps it from that), then the database is closed. False when anything was given up.
bool CloseStoreAtExit(bool automatic, bool purge);

// A change to the stock list written into the open batch: the exit names it when it cannot be saved.
void NoteStockEdit(const char* symbol);

// StoreQuote without the database write, for a stock (rowid set) that has no list row yet: its row is
// added at the end without a search. For filling an emptied list.
void AppendQuoteRow(HWND hListView, QueueRecord* rec);

// The stock columns a parsed quote takes from its stock row, up to the row's condition.
#define STOCK_OVERLAY_SELECT \
  "select rowid, warn_below, warn_above, shares_owned, cost_basis, sort_order from stock where "

// Looks the record's symbol up in the current portfolio and lays the stock row over the record.
bool GetStockRowidFromDatabase(QueueRecord* rec);
// Lays the current portfolio's stock row rowid over the record; false when there is no such stock.
// While another program keeps the file from being read, the record takes the rowid alone (true).
bool GetStockFromDatabase(QueueRecord* rec, long long rowid);

// Reads the [Stocks] entry named by the record's symbol into limits, market, holding and cost.
void LoadStockIniSettings(HWND hwnd, QueueRecord* rec);
// The same, with the [Stocks] key given apart from the symbol.
void LoadStockIniSettingsKey(HWND hwnd, QueueRecord* rec, const char* key);

// The status rules alone (used by StoreQuote); returns the new quote_status.
int ComputeQuoteStatus(const QueueRecord* rec);
