// One stock row joined with its portfolio and today's quote: the only in-memory form of a stock.
#pragma once
#include <windows.h>
#include <sqlite3.h>

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

void ClearQueueRecord(QueueRecord* rec);
bool LoadQueueRecord(sqlite3_stmt* stmt, QueueRecord* rec, bool clearFirst);
bool LoadQueueRecordLV(HWND hListView, int row, QueueRecord* rec, int stockRowid);
// Runs a query on the shared connection and lays every result row over rec; caller names the log line.
bool LoadQueueRecordFromSql(const char* sql, QueueRecord* rec, const char* caller);
