// A real store and a real hidden list view holding the given stocks, for the export and print tests.
#pragma once
#include <windows.h>
#include <stdio.h>

#include <string>
#include <vector>

#include "app/handles.h"
#include "foundation/quote_text.h"
#include "store/stocks.h"
#include "store/store_quote.h"
#include "tests/store/test_support.h"

struct TestStock {
  const char* symbol;
  const char* name;
  double price, change, open, high, low;
  int volume;
  double shares, cost;
  const char* date;
  bool quoted;  // false: no quote today
};

// Fresh store and list showing colShown; the stocks stored with today's quotes, then the list
// reloaded as at start-up (ordered by symbol).
inline void FillQuoteList(const char* tag, const char* colShown, const std::vector<TestStock>& stocks) {
  FreshStore(tag, "[Options]\r\nStocksInDatabase=1\r\n");
  nDecimalPlaces = 3;
  bThousandsCommas = TRUE;
  MakeList(colShown);
  InitLoadStocks(hListView);
  for (const TestStock& s : stocks) {
    SaveStockRecord(0, s.symbol, NoValue, NoValue, s.shares, s.cost, 0, "");
    QueueRecord r;
    ClearQueueRecord(&r);
    snprintf(r.symbol, sizeof r.symbol, "%s", s.symbol);
    snprintf(r.name, sizeof r.name, "%s", s.name);
    snprintf(r.quote_date, sizeof r.quote_date, "%s", s.date);
    r.price = s.price, r.change = s.change, r.open = s.open, r.high = s.high, r.low = s.low, r.volume = s.volume;
    if (s.quoted) StoreQuote(hListView, &r, true);
  }
  InitLoadStocks(hListView);
}
