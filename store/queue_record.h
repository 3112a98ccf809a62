// One stock row joined with its portfolio and today's quote: the only in-memory form of a stock.
#pragma once
#include <windows.h>
#include <sqlite3.h>

#include <functional>
#include <vector>

// A missing number: -16384 in the integer fields, -16384.0 in the doubles (option_price uses 0.0).
#define NoValue (-16384)

struct QueueRecord {
  long long rowid;
  long long portfolio_rowid;
  char sort_order[104];
  int quote_status;
  int stock_type;
  char symbol[30];
  char portfolio_name[100];
  char name[100];
  char quote_date[12];
  char quote_time[6];
  double price;
  double change;
  double open;
  double high;
  double low;
  int volume;
  double prev_close;
  double high52;
  double low52;
  double volatility;
  char exdiv_date[16];
  double dividend;
  double peratio;
  double yield;
  double warn_below;
  double warn_above;
  int sharesoutstanding;
  double shares_owned;
  double cost_basis;
  double option_price;
};

// The stock, quote and portfolio columns that LoadQueueRecord reads, up to the join condition of the
// portfolio (the caller closes it); the callers add the join of today's quote (QUEUE_RECORD_TODAY).
#define QUEUE_RECORD_SELECT                                                                                      \
  "select stock.rowid, stock.portfolio_rowid, stock.symbol, stock.name,        stock.stock_type, "               \
  "stock.warn_below, stock.warn_above, stock.shares_owned,        stock.cost_basis, stock.option_price, "         \
  "stock.sort_order, quote.rowid as quote_rowid, quote.stock_rowid, quote.create_date,        "                  \
  "quote.quote_status, quote.quote_date, quote.quote_time, quote.price, quote.change, quote.open,        "        \
  "quote.high, quote.low, quote.volume, quote.prev_close, quote.high52,        quote.low52, "                    \
  "quote.volatility, quote.exdiv_date, quote.dividend,        quote.peratio, quote.yield, "                      \
  "quote.sharesoutstanding, portfolio.rowid as portfolio_rowid,        portfolio.name as portfolio_name   "      \
  "from stock        join portfolio on (stock.portfolio_rowid = portfolio.rowid"
#define QUEUE_RECORD_TODAY                                                                                       \
  "        left outer join quote on (stock.rowid = quote.stock_rowid and quote.create_date = date('now', "        \
  "'localtime'))"

void ClearQueueRecord(QueueRecord* rec);
bool LoadQueueRecord(sqlite3_stmt* stmt, QueueRecord* rec, bool clearFirst);
// Steps stmt to its end: one cleared record per stock, where the stock first came.
std::vector<QueueRecord> LoadQueueRecords(sqlite3_stmt* stmt);
bool LoadQueueRecordLV(HWND hListView, int row, QueueRecord* rec, int stockRowid);
// Runs the constant query sql, bound through bind, on the shared connection (a kept statement) and
// lays every result row over rec; caller names the log line. True when a row came. refused, when
// given, tells whether another program holding the file kept the query from running.
bool LoadQueueRecordFromSql(const char* sql, QueueRecord* rec, const char* caller,
                            const std::function<void(sqlite3_stmt*)>& bind, bool* refused = nullptr);
