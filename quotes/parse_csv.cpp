#include <stdio.h>
#include <string.h>

#include "foundation/log.h"
#include "foundation/quote_text.h"
#include "quotes/network.h"
#include "quotes/parsers.h"
#include "quotes/reply_stores.h"
#include "quotes/reply_text.h"
#include "quotes/sources.h"
#include "store/database.h"
#include "store/queue_record.h"
#include "store/stocks.h"
#include "store/store_quote.h"

namespace {

const int kMaxFields = 100;
const int kFieldSize = 50;
const size_t kLineTake = 499;

// The price-like fields of a line by position (0-based), in the order of the request's field letters;
// field 8, the letter w, is not read.
struct NumberField {
  int field;
  double QueueRecord::*value;
};
const NumberField kNumberFields[] = {
    {3, &QueueRecord::price},     {4, &QueueRecord::open},     {5, &QueueRecord::high},
    {6, &QueueRecord::low},       {9, &QueueRecord::dividend}, {10, &QueueRecord::yield},
    {11, &QueueRecord::peratio},  {12, &QueueRecord::change},  {13, &QueueRecord::prev_close},
    {14, &QueueRecord::low52},    {15, &QueueRecord::high52},
};

struct CsvFields {
  char field[kMaxFields][kFieldSize];
  int count;
};

// Splits one line at commas outside double quotes; quotes are dropped. Each line starts outside
// quotes, so an odd quote cannot spill into the next symbol's line.
void SplitCsvLine(const char* line, CsvFields* out) {
  memset(out, 0, sizeof *out);
  bool inQuotes = false;
  int f = 0, len = 0;
  out->count = 1;
  for (const char* p = line; *p; ++p) {
    if (*p == '"') {
      inQuotes = !inQuotes;
    } else if (*p == ',' && !inQuotes) {
      if (f + 1 < kMaxFields) {
        ++f;
        len = 0;
        out->count = f + 1;
      }
    } else if (len < kFieldSize - 1) {
      out->field[f][len++] = *p;
    }
  }
}

// Lays over rec the stock named symbol on market (a stock_type outside the Canadian rows counts as
// US); false when the portfolio has none.
bool FindStockOnMarket(QueueRecord* rec, const char* symbol, int market) {
  return LoadQueueRecordFromSql(
      STOCK_OVERLAY_SELECT
      "upper(symbol) = upper(?) and (case when stock_type between 1 and 6 then stock_type else 0 end) = ? "
      "and portfolio_rowid = ?",
      rec, "ParseYahooCsv", [&](sqlite3_stmt* s) {
        sqlite3_bind_text(s, 1, symbol, -1, SQLITE_TRANSIENT);
        sqlite3_bind_int(s, 2, market);
        sqlite3_bind_int64(s, 3, nPortfolioRowid);
      });
}

// The reply names the listing: BCE.TO is the Toronto stock BCE (no stock is named BCE.TO), plain BCE
// the US one. A lookup by name alone would give either quote to whichever BCE row comes last.
void MatchReplySymbol(QueueRecord* rec) {
  int market = MarketFromSuffix(rec->symbol);
  if (market == 0) {
    FindStockOnMarket(rec, rec->symbol, 0);  // none: StoreQuote looks the name up as before
    return;
  }
  if (GetStockRowidFromDatabase(rec)) return;
  char bare[sizeof rec->symbol];
  CopyCut(bare, sizeof bare, rec->symbol, strlen(rec->symbol) - strlen(MarketTable[market].suffix));
  if (FindStockOnMarket(rec, bare, market)) CopyCut(rec->symbol, sizeof rec->symbol, bare, sizeof bare - 1);
}

}  // namespace

void ParseYahooCsv(HWND hListView, const char* reply, char* symbolList) {
  if (reply == NULL) return;
  LogReplyText(reply);
  char wanted[WANTED_MAX][WANTED_SIZE];
  int count = SplitWantedList(symbolList, '+', wanted);
  ReplyStores stores;
  BeginReplyStores(&stores, wanted, count);

  CsvFields fields;
  for (int i = 0; i < count; ++i) {
    if (!ReplyTokenOpen(&stores, i)) continue;  // the same stock twice in one request
    UpperCase(wanted[i]);
    if (strcmp(wanted[i], "INDU") == 0) CopyCut(wanted[i], WANTED_SIZE, "^DJI", 4);
    char key[WANTED_SIZE + 4];
    snprintf(key, sizeof key, "\"%s\",", wanted[i]);
    const char* at = strstr(reply, key);
    if (at == NULL) continue;
    // Without its line end the line may have been cut anywhere, a price "130.75" at "13": no record,
    // unless the reply is known to have come whole by its length.
    if (at[strcspn(at, "\r\n")] == '\0' && !bNetworkReplyLengthMatched) {
      WriteLog("ParseYahooCsv: the line of %s has no line end, not whole: not parsed", wanted[i]);
      continue;
    }
    char line[kLineTake + 1];
    CopyCut(line, sizeof line, at, kLineTake);
    CutAtAny(line, "\r\n");
    SplitCsvLine(line, &fields);

    QueueRecord rec;
    ClearQueueRecord(&rec);
    char(*f)[kFieldSize] = fields.field;
    CopyCut(rec.symbol, sizeof rec.symbol, f[0], sizeof rec.symbol - 1);
    CopyCut(rec.quote_date, sizeof rec.quote_date, f[1], sizeof rec.quote_date - 1);
    ParseAmPmTime(&rec, f[2]);
    for (const NumberField& n : kNumberFields) rec.*n.value = ParsePriceText(f[n.field]);
    rec.volume = VolumeFromText(f[7]);
    CopyCut(rec.name, sizeof rec.name, f[16], sizeof rec.name - 1);
    MatchReplySymbol(&rec);
    StoreReplyQuote(hListView, &rec, &stores, i);
  }
  EndReplyStores(&stores, "ParseYahooCsv");
}
