#include "tests/app/quote_list.h"

#include <stdio.h>

#include "app/handles.h"
#include "foundation/quote_text.h"
#include "store/stocks.h"
#include "store/store_quote.h"

void FillQuoteList(const char* tag, const char* colShown, const std::vector<TestStock>& stocks) {
  FreshStore(tag, "[Options]\r\nStocksInDatabase=1\r\n");
  nDecimalPlaces = 3;
  bThousandsCommas = TRUE;
  bNegativeInParen = FALSE;
  MakeList(colShown);
  InitLoadStocks(hListView);
  for (const TestStock& s : stocks) {
    SaveStockRecord(0, s.symbol, NoValue, NoValue, s.shares, s.cost, 0, "");
    if (!s.quoted) continue;
    QueueRecord r;
    ClearQueueRecord(&r);
    snprintf(r.symbol, sizeof r.symbol, "%s", s.symbol);
    snprintf(r.name, sizeof r.name, "%s", s.name);
    snprintf(r.quote_date, sizeof r.quote_date, "%s", s.date);
    r.price = s.price;
    r.change = s.change;
    r.open = s.open;
    r.high = s.high;
    r.low = s.low;
    r.volume = s.volume;
    StoreQuote(hListView, &r, true);
  }
  InitLoadStocks(hListView);
}

std::string Today(bool monthFirst) {
  SYSTEMTIME t;
  GetLocalTime(&t);
  char s[32];
  snprintf(s, sizeof s, "%d/%d/%d", monthFirst ? t.wMonth : t.wDay, monthFirst ? t.wDay : t.wMonth, t.wYear);
  return s;
}
