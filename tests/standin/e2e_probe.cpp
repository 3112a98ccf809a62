// e2e_probe.exe FOLDER: one quote cycle per source against the stand-in named in FOLDER\e2e.ini
// ([Hosts]), the way the program runs it: request builder, WinINet download, reply parser, store.
// It prints, tab-separated, each request with the stock rows it asks for and what those rows hold
// after the reply, and what every row holds at the end of each cycle; e2e_driver.py holds these
// values against what the stand-in served. Exits 1 when a request could not be fetched.
#include <windows.h>
#include <commctrl.h>
#include <wininet.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "app/columns.h"
#include "app/handles.h"
#include "foundation/log.h"
#include "foundation/settings.h"
#include "quotes/cycle.h"
#include "quotes/hosts.h"
#include "quotes/parsers.h"
#include "quotes/request.h"
#include "quotes/sources.h"
#include "store/database.h"
#include "store/queue_record.h"
#include "store/stocks.h"

static HINTERNET hNet;

// The whole body, NUL-terminated with 10 bytes of slack as the transport leaves it; NULL when
// the address could not be opened.
static char* Fetch(const char* url, DWORD* size) {
  *size = 0;
  HINTERNET h = InternetOpenUrlA(hNet, url, NULL, 0,
                                 INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_COOKIES, 0);
  if (!h) return NULL;
  static char chunk[8192];
  char* buf = (char*)calloc(1, 10);
  DWORD got = 0;
  while (buf && InternetReadFile(h, chunk, 8191, &got) && got > 0) {
    char* grown = (char*)realloc(buf, *size + got + 10);
    if (!grown) break;
    buf = grown;
    memcpy(buf + *size, chunk, got);
    *size += got;
    buf[*size] = '\0';
  }
  InternetCloseHandle(h);
  return buf;
}

// The reply dispatch of the cycle for the current source.
static void Dispatch(char* reply) {
  switch (nQuoteSource) {
    case SRC_PC_QUOTE: ParseQuotePageHtml(hListView, reply, szSymbolList); break;
    case SRC_UK_YAHOO: ParseQuoteTableHtml(hListView, reply, szSymbolList); break;
    case SRC_TEXT_QUOTE: ParseQuoteTextPage(hListView, reply, szSymbolList); break;
    case SRC_YAHOO:
      if (bYahooCsvExpected) {
        ParseYahooCsv(hListView, reply, szSymbolList);
      } else {
        YAHOO_IndexScanJson(hListView, reply, szYahooExtraCallQuery);
        bYahooCsvExpected = 1;
      }
      break;
  }
}

// "price\tchange\tvolume\tname" of today's stored quote of a stock, "-" for a missing number, or
// "none" without a quote.
static void PrintStored(const char* tag, long long rowid) {
  QueueRecord rec;
  char sql[160];
  snprintf(sql, sizeof sql,
           "select count(*) from quote where stock_rowid = %lld and create_date = date('now', 'localtime')", rowid);
  bool have = oDatabase.GetInt(sql) > 0 && LoadQueueRecordLV(hListView, 0, &rec, (int)rowid);
  printf("%s\t%lld", tag, rowid);
  if (!have) {
    printf("\tnone\n");
    return;
  }
  if (tag[0] == 'f') printf("\t%s\t%d", rec.symbol, rec.stock_type);
  char price[40] = "-", change[40] = "-", volume[40] = "-";
  if (rec.price != NoValue) snprintf(price, sizeof price, "%.10g", rec.price);
  if (rec.change != NoValue) snprintf(change, sizeof change, "%.10g", rec.change);
  if (rec.volume != NoValue) snprintf(volume, sizeof volume, "%d", rec.volume);
  printf("\t%s\t%s\t%s\t%s\n", price, change, volume, rec.name);
}

// One cycle over the whole list; returns the number of requests, -1 when one could not be fetched.
static int RunCycle(int source) {
  nQuoteSource = source;
  nNetworkState = STA_QUOTE_CHECK;
  TakeCycleRows(hListView);
  nNextItem = 0;
  int requests = 0;
  for (int guard = 0; guard < 20; ++guard) {
    char url[URL_SIZE];
    if (!BuildRequestUrl(url)) return requests;
    ++requests;
    printf("request\t%s\n", url);
    RequestRow asked[REQUEST_ROWS_MAX];
    int count = nRequestRows;
    memcpy(asked, RequestRows, sizeof asked);
    for (int i = 0; i < count; ++i) printf("ask\t%lld\t%s\n", asked[i].rowid, asked[i].token);
    DWORD size = 0;
    char* reply = Fetch(url, &size);
    if (!reply) {
      printf("FAILED to fetch %s\n", url);
      return -1;
    }
    Dispatch(reply);
    free(reply);
    for (int i = 0; i < count; ++i) PrintStored("after", asked[i].rowid);
  }
  printf("more than 20 requests: the request builder does not end\n");
  return -1;
}

// The same symbol may be held on two markets, so the stock row is written directly.
static void AddStock(const char* symbol, int market) {
  char sql[200];
  snprintf(sql, sizeof sql, "insert into stock (portfolio_rowid, symbol, stock_type) values (%lld, '%s', %d)",
           nPortfolioRowid, symbol, market);
  oDatabase.SQLCall(sql);
}

int main(int argc, char** argv) {
  if (argc < 2 || strlen(argv[1]) > MAX_PATH - 20) {
    fprintf(stderr, "usage: e2e_probe FOLDER\n");
    return 2;
  }
  setvbuf(stdout, NULL, _IONBF, 0);
  const char* dir = argv[1];
  snprintf(szIniPath, sizeof szIniPath, "%s\\e2e.ini", dir);
  bIniReady = TRUE;
  snprintf(oDatabase.szDatabasePath, sizeof oDatabase.szDatabasePath, "%s\\e2e.db", dir);
  DeleteFileA(oDatabase.szDatabasePath);
  snprintf(szLogDir, sizeof szLogDir, "%s", dir);
  bDebugLog = TRUE;
  oDatabase.SetErrorCallback(WriteLog);

  INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&icc);
  hMainWnd = CreateWindowA("STATIC", "e2e", WS_OVERLAPPEDWINDOW, 0, 0, 600, 400, NULL, NULL,
                           GetModuleHandleA(NULL), NULL);
  hListView = CreateWindowA(WC_LISTVIEWA, "", WS_CHILD | LVS_REPORT | LVS_SHAREIMAGELISTS, 0, 0, 600, 400,
                            hMainWnd, (HMENU)IDC_LISTVIEW, GetModuleHandleA(NULL), NULL);
  if (!hListView) {
    fprintf(stderr, "no list view: is an X server running?\n");
    return 2;
  }
  LoadColumnSettings(hMainWnd);
  CreateListColumns(hMainWnd);
  LoadHostTable(hMainWnd);

  InitLoadStocks(hListView);
  // BCE on two markets; ^DJT is quoted in whole points, which the JSON reply writes without a fraction
  const struct { const char* symbol; int market; } stocks[] = {
      {"IBM", 0}, {"MSFT", 0}, {"BCE", 0}, {"BCE", 1}, {"^DJI", 0}, {"^DJT", 0}};
  for (const auto& st : stocks) AddStock(st.symbol, st.market);
  oDatabase.CommitTransaction();
  InitLoadStocks(hListView);

  hNet = InternetOpenA("InetURL/1.0", INTERNET_OPEN_TYPE_PRECONFIG, NULL, NULL, 0);
  DWORD ms = 10000;
  InternetSetOptionA(hNet, INTERNET_OPTION_RECEIVE_TIMEOUT, &ms, sizeof ms);
  InternetSetOptionA(hNet, INTERNET_OPTION_SEND_TIMEOUT, &ms, sizeof ms);

  int failures = 0;
  const int sources[] = {SRC_YAHOO, SRC_PC_QUOTE, SRC_UK_YAHOO, SRC_TEXT_QUOTE};
  for (int source : sources) {
    // Each source must earn its own quotes and names.
    oDatabase.SQLCall("delete from quote");
    oDatabase.SQLCall("update stock set name = ''");
    printf("source\t%d\n", source);
    if (RunCycle(source) <= 0) ++failures;
    int rows = (int)SendMessageA(hListView, LVM_GETITEMCOUNT, 0, 0);
    for (int row = 0; row < rows; ++row) {
      LVITEMA item = {};
      item.mask = LVIF_PARAM;
      item.iItem = row;
      SendMessageA(hListView, LVM_GETITEMA, 0, (LPARAM)&item);
      PrintStored("final", item.lParam);
    }
  }
  InternetCloseHandle(hNet);
  oDatabase.Close();
  DestroyWindow(hMainWnd);
  return failures ? 1 : 0;
}
