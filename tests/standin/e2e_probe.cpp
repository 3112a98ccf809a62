// e2e_probe.exe FOLDER: one quote cycle per source against the stand-in named in FOLDER\e2e.ini
// ([Hosts]), the way the program runs it: request builder, WinINet download, reply parser, store.
// Prints one line per source and stock; exits 1 when a stock did not get today's quote.
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

// One cycle over the whole list; returns the number of requests, -1 when one could not be fetched.
static int RunCycle(int source) {
  nQuoteSource = source;
  nNetworkState = STA_QUOTE_CHECK;
  nNextItem = 0;
  int requests = 0;
  for (int guard = 0; guard < 20; ++guard) {
    char url[URL_SIZE];
    if (!BuildRequestUrl(url)) return requests;
    ++requests;
    DWORD size = 0;
    char* reply = Fetch(url, &size);
    printf("  GET %s -> %s %lu bytes\n", url, reply ? "OK" : "FAILED", (unsigned long)size);
    if (!reply) return -1;
    Dispatch(reply);
    free(reply);
  }
  printf("  more than 20 requests: the request builder does not end\n");
  return -1;
}

// Checks every row: today's quote with a price, change, volume and time, and the stock's name (every
// source gives all of them). Returns the misses.
static int CheckRows(int source) {
  int misses = 0, rows = (int)SendMessageA(hListView, LVM_GETITEMCOUNT, 0, 0);
  for (int row = 0; row < rows; ++row) {
    QueueRecord rec;
    bool loaded = LoadQueueRecordLV(hListView, row, &rec, 0);
    bool good = loaded && rec.price != NoValue && rec.price > 0 && rec.change != NoValue && rec.volume > 0 &&
                rec.quote_time[0] && rec.name[0];
    printf("source %d %-6s price %.2f change %.2f volume %d date %s time %s name '%s': %s\n", source,
           rec.symbol, rec.price, rec.change, rec.volume, rec.quote_date, rec.quote_time, rec.name,
           good ? "ok" : "MISS");
    misses += !good;
  }
  return misses + (rows == 0);
}

static void AddStock(const char* symbol, int market) {
  long long id = SaveStockRecord(0, symbol, 0, 0, 0, 0, 0, "");
  char sql[100];
  snprintf(sql, sizeof sql, "update stock set stock_type = %d where rowid = %lld", market, id);
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
  AddStock("IBM", 0);
  AddStock("MSFT", 0);
  AddStock("BCE", 1);
  AddStock("^DJI", 0);
  oDatabase.CommitTransaction();
  InitLoadStocks(hListView);

  hNet = InternetOpenA("InetURL/1.0", INTERNET_OPEN_TYPE_PRECONFIG, NULL, NULL, 0);
  DWORD ms = 10000;
  InternetSetOptionA(hNet, INTERNET_OPTION_RECEIVE_TIMEOUT, &ms, sizeof ms);
  InternetSetOptionA(hNet, INTERNET_OPTION_SEND_TIMEOUT, &ms, sizeof ms);

  int misses = 0;
  const int sources[] = {SRC_YAHOO, SRC_PC_QUOTE, SRC_UK_YAHOO, SRC_TEXT_QUOTE};
  for (int source : sources) {
    // Each source must earn its own quotes and names.
    oDatabase.SQLCall("delete from quote");
    oDatabase.SQLCall("update stock set name = ''");
    printf("source %d:\n", source);
    int requests = RunCycle(source);
    if (requests <= 0) ++misses;
    misses += CheckRows(source);
  }
  InternetCloseHandle(hNet);
  oDatabase.Close();
  DestroyWindow(hMainWnd);
  printf("%s: %d miss(es)\n", misses ? "FAIL" : "PASS", misses);
  return misses ? 1 : 0;
}
