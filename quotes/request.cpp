#include "quotes/request.h"

#include <commctrl.h>
#include <limits.h>
#include <stdio.h>
#include <string.h>

#include "app/handles.h"
#include "app/status_strip.h"
#include "foundation/log.h"
#include "foundation/text.h"
#include "banner/schedule.h"
#include "quotes/cycle.h"
#include "quotes/hosts.h"
#include "quotes/reply_text.h"
#include "quotes/sources.h"
#include "store/queue_record.h"

const char* const RawRequestFormat[5] = {
    "GET %s/markets/us_markets.html HTTP/1.0\r\n\r\n",
    "GET %s/q?s=%s&d=t&o=t HTTP/1.0\r\n\r\n"
    "Connection: Keep-Alive\r\n"
    "User-Agent: Mozilla/3.0 (WinNT; I)\r\n"
    "Host: %s\r\n"
    "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*\r\n",
    "GET %s/stocks/detailquote.php?ticker=%s%s  HTTP/1.0\r\n\r\n",
    "GET %s/cgi-bin/qso?tick=%s%s\r\n",
    // The same CSV address as the WinINet road, so that the CSV parser can read the reply.
    "GET %s/d/quotes.csv?s=%s&f=sd1t1l1ohgvwdyrc1pjkn HTTP/1.0\r\n\r\n",
};

namespace {

const int kCsvBatchMax = 30;
const int kRawBatchMax = 9;
const int kUkBatchMax = 9;

// The index symbols the CSV request does not serve; they go to one JSON request.
const char* const IndexSymbols[] = {
    "^DJI", "^DJU", "^DJT", "^GSPC", "^NYA", "^IXIC", "^IXID", "^IXIS", "^IXBK", "^IXFN", "^IXTR",
};
const int kIndexSymbolCount = sizeof IndexSymbols / sizeof IndexSymbols[0];

const char kVersionPath[] = "/pages/tarnwick_version_text.html";
const char kCsvFields[] = "sd1t1l1ohgvwdyrc1pjkn";
const char kJsonFields[] =
    "symbol,longName,shortName,regularMarketPrice,regularMarketChange,regularMarketChangePercent,"
    "currency,regularMarketTime,regularMarketVolume,quantity,averageDailyVolume3Month,"
    "regularMarketDayHigh,regularMarketDayLow,regularMarketPrice,regularMarketOpen,fiftyTwoWeekHigh,"
    "fiftyTwoWeekLow,regularMarketPrice,regularMarketOpen,sparkline,marketCap";

bool IsIndexSymbol(const char* symbol) {
  for (const char* index : IndexSymbols)
    if (_stricmp(symbol, index) == 0) return true;
  return false;
}

// Rows are those of the cycle, in their order when it began (a re-sort meanwhile changes nothing);
// they are read by rowid, without a message to the list.
int ItemCount() { return CycleRowCount(); }

bool LoadRow(int row, QueueRecord* rec) {
  long long id = CycleRowId(row);
  if (id < 1 || id > INT_MAX) return false;
  return LoadQueueRecordLV(hListView, 0, rec, (int)id);
}

// The market row of a loaded stock; an unknown market counts as the first one.
int RowMarket(const QueueRecord& rec) {
  int market = MarketIndex(rec.stock_type);
  if (market != rec.stock_type)
    WriteLog("Stock %s has market %d, taken as %s", rec.symbol, rec.stock_type, MarketTable[0].name);
  return market;
}

void ShowChecking(const char* symbol) {
  char text[64];
  snprintf(text, sizeof text, "Checking %s", symbol);
  SetStatusText(hMainWnd, text, 1);
}

// Appends sep (when the list is not empty), symbol and suffix, only when all of it and the NUL fit.
bool AppendSymbol(char* list, size_t size, const char* symbol, const char* suffix, char sep = '+') {
  size_t len = strlen(list);
  size_t sepLen = len ? 1 : 0;
  if (len + sepLen + strlen(symbol) + strlen(suffix) + 1 > size) return false;
  const char sepText[2] = {sep, '\0'};
  snprintf(list + len, size - len, "%s%s%s", sepLen ? sepText : "", symbol, suffix);
  return true;
}

// Appends a row to the request record; its token is the symbol and suffix as the list holds them.
void RecordRow(long long rowid, const char* symbol, const char* suffix) {
  if (nRequestRows >= REQUEST_ROWS_MAX) return;
  RequestRow& row = RequestRows[nRequestRows++];
  row.rowid = rowid;
  snprintf(row.token, sizeof row.token, "%s%s", symbol, suffix);  // cut as the parsers cut tokens
}

// Appends a loaded row's symbol with its market suffix to the batch and records the row; the first
// one of a batch names it in the status. False (nothing appended) when it does not fit.
bool AppendSuffixedRow(const QueueRecord& rec, bool first) {
  int market = RowMarket(rec);
  if (!AppendSymbol(szSymbolList, sizeof szSymbolList, rec.symbol, MarketTable[market].suffix)) return false;
  RecordRow(rec.rowid, rec.symbol, MarketTable[market].suffix);
  if (first) ShowChecking(rec.symbol);
  return true;
}

// Index rows met in this cycle, for the record of its JSON request.
RequestRow IndexRows[kIndexSymbolCount];
int nIndexRows = 0;

void RememberIndexRow(const QueueRecord& rec) {
  for (int i = 0; i < nIndexRows; ++i)
    if (_stricmp(IndexRows[i].token, rec.symbol) == 0) return;
  if (nIndexRows >= kIndexSymbolCount) return;
  RequestRow& row = IndexRows[nIndexRows++];
  row.rowid = rec.rowid;
  CopyCut(row.token, sizeof row.token, rec.symbol, sizeof row.token - 1);
}

// The JSON request asks for the comma-separated index list: each entry's row as met in this cycle,
// rowid 0 for an entry whose row was not met.
void RecordIndexRows() {
  char list[SYMBOL_LIST_SIZE];
  CopyCut(list, sizeof list, szYahooExtraCallQuery, sizeof list - 1);
  char wanted[WANTED_MAX][WANTED_SIZE];
  int count = SplitWantedList(list, ',', wanted);
  for (int i = 0; i < count; ++i) {
    int found = -1;
    for (int r = 0; r < nIndexRows && found < 0; ++r)
      if (_stricmp(IndexRows[r].token, wanted[i]) == 0) found = r;
    RecordRow(found < 0 ? 0 : IndexRows[found].rowid, wanted[i], "");
  }
}

// The next row from nNextItem on that loads; every row looked at is consumed.
bool NextLoadedRow(QueueRecord* rec) {
  int count = ItemCount();
  while (nNextItem < count) {
    int row = nNextItem++;
    if (LoadRow(row, rec)) return true;
  }
  return false;
}

// One-symbol sources: fills szSymbolList and the market of the next row that loads.
bool SelectOneSymbol(int* market) {
  QueueRecord rec;
  szSymbolList[0] = '\0';
  if (!NextLoadedRow(&rec)) return false;
  ShowChecking(rec.symbol);
  CopyCut(szSymbolList, sizeof szSymbolList, rec.symbol, sizeof rec.symbol - 1);
  *market = RowMarket(rec);
  RecordRow(rec.rowid, szSymbolList, "");
  return true;
}

// UK list source: up to nine symbols; the WinINet road counts rows looked at, the raw road rows
// that load.
void SelectUkList(bool countLoadedOnly) {
  int count = ItemCount(), looked = 0, loaded = 0;
  szSymbolList[0] = '\0';
  while (nNextItem < count && (countLoadedOnly ? loaded : looked) < kUkBatchMax) {
    QueueRecord rec;
    int row = nNextItem++;
    ++looked;
    if (!LoadRow(row, &rec)) continue;
    if (loaded == 0) ShowChecking(rec.symbol);
    if (AppendSymbol(szSymbolList, sizeof szSymbolList, rec.symbol, ""))
      RecordRow(rec.rowid, rec.symbol, "");
    ++loaded;
  }
}

// A batch of one symbol gets a second one: list row 0 with its market suffix, or, when row 0 does
// not load, the batch's own symbol again.
void CompleteSingleBatch() {
  QueueRecord rec;
  char single[SYMBOL_LIST_SIZE];
  CopyCut(single, sizeof single, szSymbolList, sizeof single - 1);
  if (LoadRow(0, &rec)) {
    AppendSuffixedRow(rec, false);
  } else if (AppendSymbol(szSymbolList, sizeof szSymbolList, single, "") && nRequestRows == 1) {
    RequestRows[nRequestRows++] = RequestRows[0];
  }
}

// Raw road, Yahoo source: up to nine symbols that load, each with its market suffix.
void SelectRawYahoo() {
  int count = ItemCount(), loaded = 0;
  szSymbolList[0] = '\0';
  while (nNextItem < count && loaded < kRawBatchMax) {
    QueueRecord rec;
    if (!LoadRow(nNextItem, &rec)) {
      ++nNextItem;
      continue;
    }
    if (!AppendSuffixedRow(rec, loaded == 0)) break;
    ++nNextItem;
    ++loaded;
  }
  if (loaded == 1) CompleteSingleBatch();
}

void BuildYahooUrl(char* url) {
  int count = 0, items = ItemCount();
  szSymbolList[0] = '\0';
  if (nNextItem == 0) nIndexRows = 0;  // a new cycle
  while (count < kCsvBatchMax && nNextItem < items) {
    QueueRecord rec;
    if (LoadRow(nNextItem, &rec)) {
      if (IsIndexSymbol(rec.symbol)) {
        RememberIndexRow(rec);
        bYahooExtraPending = 1;
        if (StrStrNoCase(szYahooExtraCallQuery, rec.symbol) == NULL)
          AppendSymbol(szYahooExtraCallQuery, sizeof szYahooExtraCallQuery, rec.symbol, "", ',');
        WriteLog("szYahooExtraCallQuery: %s", szYahooExtraCallQuery);
      } else {
        // A row that does not fit stays for the next batch.
        if (!AppendSuffixedRow(rec, count == 0)) break;
        ++count;
      }
    }
    ++nNextItem;
  }
  if (count == 1) CompleteSingleBatch();
  if (szSymbolList[0]) {
    UpperCase(szSymbolList);
    snprintf(url, URL_SIZE, "%s/d/quotes.csv?s=%s&f=%s", SourceUrlPrefix[HOST_YAHOO], szSymbolList, kCsvFields);
  } else if (bYahooExtraPending) {
    ShowChecking("^DJI");
    bYahooCsvExpected = 0;
    bYahooExtraPending = 0;
    RecordIndexRows();
    snprintf(url, URL_SIZE,
             "https://%s/v7/finance/quote?lang=en-US&region=US&corsDomain=%s&fields=%s&symbols=%s"
             "&formatted=false",
             SourceHostPort[HOST_YAHOO_JSON], SourceHost[HOST_YAHOO], kJsonFields, szYahooExtraCallQuery);
  }
  WriteLog("Command: %s, Query: %s", url, szSymbolList);
}

void BuildQuoteUrl(char* url) {
  int market = 0;
  switch (nQuoteSource) {
    case SRC_PC_QUOTE:
      if (SelectOneSymbol(&market))
        snprintf(url, URL_SIZE, "%s/stocks/detailquote.php?ticker=%s%s", SourceUrlPrefix[HOST_DETAIL_PAGE],
                 szSymbolList, market != 0 ? ".ca" : "");
      break;
    case SRC_UK_YAHOO:
      SelectUkList(false);
      if (szSymbolList[0])
        snprintf(url, URL_SIZE, "%s/q?s=%s&d=t&o=t", SourceUrlPrefix[HOST_UK_LIST], szSymbolList);
      break;
    case SRC_TEXT_QUOTE:
      if (SelectOneSymbol(&market))
        snprintf(url, URL_SIZE, "%s/cgi-bin/qso?tick=%s%s", SourceUrlPrefix[HOST_TEXT_PAGE],
                 MarketTable[market].prefix, szSymbolList);
      break;
    case SRC_YAHOO:
      BuildYahooUrl(url);
      break;
    default:
      break;
  }
}

}  // namespace

int BuildRequestUrl(char* url) {
  url[0] = '\0';
  nRequestRows = 0;
  nRequestSource = nQuoteSource;
  switch (nNetworkState) {
    case STA_VERSION_CHECK:
      snprintf(url, URL_SIZE, "%s%s", SourceUrlPrefix[HOST_MAKER], kVersionPath);
      break;
    case STA_BANNER_GET:
      CopyCut(url, URL_SIZE, szBannerUrl, URL_SIZE - 1);
      break;
    case STA_QUOTE_CHECK:
      BuildQuoteUrl(url);
      break;
    default:
      break;
  }
  return url[0] != '\0';
}

int BuildRawRequest(char* request, int size, int useProxy) {
  if (request == NULL || size <= 0) return 0;
  request[0] = '\0';
  nRequestRows = 0;
  const int source = nRequestSource = nQuoteSource;
  // Host slot of the request, for its format and its proxy prefix.
  int slot = SourceHostSlot(source);
  const char* prefix = useProxy ? SourceUrlPrefix[slot] : "";
  int market = 0;
  switch (nNetworkState) {
    case STA_VERSION_CHECK:
      snprintf(request, size, "GET %s%s HTTP/1.0\r\n\r\n", SourceUrlPrefix[HOST_MAKER], kVersionPath);
      break;
    case STA_BANNER_GET: {
      // The address carries its header lines after "\r\n": they follow the request line, not the
      // address, or the request would read as one without an HTTP version.
      const char* lines = strstr(szBannerUrl, "\r\n");
      int address = lines ? (int)(lines - szBannerUrl) : (int)strlen(szBannerUrl);
      snprintf(request, size, "GET %.*s HTTP/1.0%s\r\n\r\n", address, szBannerUrl, szBannerUrl + address);
      break;
    }
    case STA_QUOTE_CHECK:
      if (source < 0) break;
      if (source == SRC_PC_QUOTE) {
        if (SelectOneSymbol(&market))
          snprintf(request, size, RawRequestFormat[slot], prefix, szSymbolList, market != 0 ? ".ca" : "");
      } else if (source == SRC_UK_YAHOO) {
        SelectUkList(true);
        if (szSymbolList[0])
          snprintf(request, size, RawRequestFormat[slot], prefix, szSymbolList, SourceHostPort[HOST_DETAIL_PAGE]);
      } else if (source == SRC_TEXT_QUOTE) {
        if (SelectOneSymbol(&market))
          snprintf(request, size, RawRequestFormat[slot], prefix, MarketTable[market].prefix, szSymbolList);
      } else {
        SelectRawYahoo();
        UpperCase(szSymbolList);
        if (szSymbolList[0]) snprintf(request, size, RawRequestFormat[slot], prefix, szSymbolList);
      }
      WriteLog("%s", request);
      break;
    default:
      break;
  }
  return (int)strlen(request);
}
