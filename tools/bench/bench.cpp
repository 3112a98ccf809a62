// Benchmark of the work a large portfolio puts on the main thread: filling the list, one cycle's
// quotes through StoreQuote, and sorting, each beside a plain baseline measured in the same run.
// Runs with a real report list view in a hidden window and a real database file in a temp folder.
//   tw_bench.exe STOCKS [RUNS]
// Prints one tab-separated line per measure: what, stocks, median, baseline median, unit.
// Exits 1 when the list or a sort comes out wrong, so a smoke run at a few stocks keeps it honest.
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/columns.h"
#include "app/handles.h"
#include "foundation/log.h"
#include "foundation/settings.h"
#include "store/database.h"
#include "store/queue_record.h"
#include "store/stocks.h"
#include "store/store_quote.h"

namespace {

// The shown columns: Ticker, Full Name, Price, Change, Date, Time, Value, Chg(%).
const char kColShown[] = "0,15,1,2,3,4,12,19";
const int kSortPrice = 2, kSortTicker = 0, kSortChangePct = 7;  // list positions
const int kReplySize = 30;  // quotes per reply of the default source

double Millis() {
  static LARGE_INTEGER freq;
  if (!freq.QuadPart) QueryPerformanceFrequency(&freq);
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return (double)t.QuadPart * 1000.0 / (double)freq.QuadPart;
}

void Fail(const char* what) {
  fprintf(stderr, "tw_bench: %s\n", what);
  exit(1);
}

unsigned gSeed = 12345;
unsigned Next() {
  gSeed = gSeed * 1103515245u + 12345u;
  return (gSeed >> 8) & 0xFFFFFF;
}
double Uniform(double lo, double hi) { return lo + (hi - lo) * (Next() % 100000) / 100000.0; }

// Symbols in no particular order, some index symbols, some lower case, some with a market suffix;
// a few equal prices, names and holdings so that sorts meet ties.
struct Stock {
  char symbol[30];
  char name[40];
  double shares, cost;
};

std::vector<Stock> MakeStocks(int n) {
  std::vector<Stock> stocks(n);
  for (int i = 0; i < n; ++i) {
    Stock& s = stocks[i];
    char letters[4] = {(char)('A' + Next() % 26), (char)('A' + Next() % 26), (char)('A' + Next() % 26), 0};
    if (i % 40 == 7) snprintf(s.symbol, sizeof s.symbol, "^%s%d", letters, i);
    else if (i % 7 == 3) snprintf(s.symbol, sizeof s.symbol, "%c%c%d", letters[0] + 32, letters[1] + 32, i);
    else if (i % 10 == 5) snprintf(s.symbol, sizeof s.symbol, "%s%d.TO", letters, i);
    else snprintf(s.symbol, sizeof s.symbol, "%s%d", letters, i);
    snprintf(s.name, sizeof s.name, "%s Holdings %d", letters, i % 97);
    s.shares = i % 3 ? (double)(Next() % 500) : NoValue;
    s.cost = i % 3 ? Uniform(100, 5000) : NoValue;
  }
  return stocks;
}

QueueRecord ParsedQuote(const Stock& s, int day) {
  QueueRecord r;
  memset(&r, 0, sizeof r);
  ClearQueueRecord(&r);
  snprintf(r.symbol, sizeof r.symbol, "%s", s.symbol);
  snprintf(r.name, sizeof r.name, "%s", s.name);
  snprintf(r.quote_date, sizeof r.quote_date, "%s", "5/17/2024");
  snprintf(r.quote_time, sizeof r.quote_time, "%d:%02d", 9 + day, (int)(Next() % 60));
  r.price = (Next() % 20 == 0) ? NoValue : (double)(int)Uniform(1, 400);
  r.change = (Next() % 10 == 0) ? 0 : Uniform(-5, 5);
  r.open = r.high = r.low = r.prev_close = Uniform(1, 400);
  r.volume = (int)(Next() % 1000000);
  r.high52 = Uniform(200, 500);
  r.low52 = Uniform(1, 100);
  r.peratio = Uniform(5, 40);
  r.dividend = Uniform(0, 3);
  r.yield = Uniform(0, 6);
  return r;
}

// ---- the folder, settings and list of one run -------------------------------------------------------

std::string gDir;
const char* const kFiles[] = {"store.db", "base.db",         "batch.db",        "store.ini",
                              "store.db-journal", "base.db-journal", "batch.db-journal"};

void FreshFolder(int run) {
  char tmp[MAX_PATH];
  GetTempPathA(sizeof tmp, tmp);
  char dir[MAX_PATH];
  snprintf(dir, sizeof dir, "%stwbench_%lu_%d", tmp, GetCurrentProcessId(), run);
  CreateDirectoryA(dir, NULL);
  gDir = dir;
  for (const char* f : kFiles)
    DeleteFileA((gDir + "\\" + f).c_str());
  snprintf(oDatabase.szDatabasePath, sizeof oDatabase.szDatabasePath, "%s\\store.db", dir);
  snprintf(szIniPath, sizeof szIniPath, "%s\\store.ini", dir);
  bIniReady = TRUE;
  FILE* f = fopen(szIniPath, "wb");
  if (!f) Fail("cannot write the settings file");
  fprintf(f, "[Options]\r\nStocksInDatabase=1\r\nTitleBar=Stocks\r\nColShown=%s\r\n", kColShown);
  fclose(f);
}

void RemoveFolder() {
  oDatabase.Close();
  for (const char* f : kFiles)
    DeleteFileA((gDir + "\\" + f).c_str());
  RemoveDirectoryA(gDir.c_str());
}

HWND MakeList() {
  static HWND parent = NULL;
  if (!parent) {
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    parent = CreateWindowA("STATIC", "bench", WS_OVERLAPPEDWINDOW, 0, 0, 800, 600, NULL, NULL,
                           GetModuleHandleA(NULL), NULL);
  }
  if (hListView) DestroyWindow(hListView);
  hListView = CreateWindowA(WC_LISTVIEWA, "", WS_CHILD | LVS_REPORT | LVS_SHAREIMAGELISTS, 0, 0, 800, 600,
                            parent, (HMENU)IDC_LISTVIEW, GetModuleHandleA(NULL), NULL);
  LoadColumnSettings(parent);
  CreateListColumns(parent);
  return hListView;
}

int Rows(HWND list) { return (int)SendMessageA(list, LVM_GETITEMCOUNT, 0, 0); }

std::vector<LPARAM> Order(HWND list) {
  std::vector<LPARAM> ids(Rows(list));
  for (size_t i = 0; i < ids.size(); ++i) {
    LVITEMA item = {};
    item.mask = LVIF_PARAM;
    item.iItem = (int)i;
    SendMessageA(list, LVM_GETITEMA, 0, (LPARAM)&item);
    ids[i] = item.lParam;
  }
  return ids;
}

// ---- baselines: the same work done plainly --------------------------------------------------------

sqlite3* OpenPlain(const char* name) {
  sqlite3* db = NULL;
  if (sqlite3_open((gDir + "\\" + name).c_str(), &db) != SQLITE_OK) Fail("cannot open the baseline file");
  return db;
}

sqlite3_stmt* PreparePlain(sqlite3* db, const char* sql) {
  sqlite3_stmt* s = NULL;
  if (sqlite3_prepare_v2(db, sql, -1, &s, NULL) != SQLITE_OK) Fail(sqlite3_errmsg(db));
  return s;
}

// The names and today's quote rows of a cycle, by prepared statements in one transaction; or, with
// file given, in the store's batches: committed, closed and reopened after every 50 changes.
void PlainCycle(sqlite3*& db, const std::vector<QueueRecord>& quotes, const std::vector<long long>& ids,
                bool first, const char* file = NULL) {
  const char* quoteSql =
      first ? "insert into quote (stock_rowid, create_date, stock_symbol, quote_status, quote_date, "
              "quote_time, price, change, open, high, low, volume, prev_close, high52, low52, volatility, "
              "exdiv_date, dividend, peratio, yield, sharesoutstanding) values (?20, date('now', "
              "'localtime'), ?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14, ?15, ?16, ?17, ?18, ?19)"
            : "update quote set stock_symbol = ?1, quote_status = ?2, quote_date = ?3, quote_time = ?4, "
              "price = ?5, change = ?6, open = ?7, high = ?8, low = ?9, volume = ?10, prev_close = ?11, "
              "high52 = ?12, low52 = ?13, volatility = ?14, exdiv_date = ?15, dividend = ?16, peratio = ?17, "
              "yield = ?18, sharesoutstanding = ?19 where stock_rowid = ?20 and create_date = date('now', "
              "'localtime')";
  sqlite3_stmt *name = NULL, *quote = NULL;
  auto begin = [&]() {
    sqlite3_exec(db, "begin", NULL, NULL, NULL);
    name = PreparePlain(db, "update stock set name = ? where rowid = ?");
    quote = PreparePlain(db, quoteSql);
  };
  auto commit = [&]() {
    sqlite3_finalize(name);
    sqlite3_finalize(quote);
    sqlite3_exec(db, "commit", NULL, NULL, NULL);
  };
  begin();
  for (size_t i = 0; i < quotes.size(); ++i) {
    const QueueRecord& r = quotes[i];
    sqlite3_bind_text(name, 1, r.name, -1, SQLITE_STATIC);
    sqlite3_bind_int64(name, 2, ids[i]);
    sqlite3_step(name);
    sqlite3_reset(name);
    int k = 1;
    sqlite3_bind_text(quote, k++, r.symbol, -1, SQLITE_STATIC);
    sqlite3_bind_int(quote, k++, r.quote_status);
    sqlite3_bind_text(quote, k++, r.quote_date, -1, SQLITE_STATIC);
    sqlite3_bind_text(quote, k++, r.quote_time, -1, SQLITE_STATIC);
    for (double v : {r.price, r.change, r.open, r.high, r.low}) sqlite3_bind_double(quote, k++, v);
    sqlite3_bind_int(quote, k++, r.volume);
    for (double v : {r.prev_close, r.high52, r.low52, r.volatility}) sqlite3_bind_double(quote, k++, v);
    sqlite3_bind_text(quote, k++, r.exdiv_date, -1, SQLITE_STATIC);
    for (double v : {r.dividend, r.peratio, r.yield}) sqlite3_bind_double(quote, k++, v);
    sqlite3_bind_int(quote, k++, r.sharesoutstanding);
    sqlite3_bind_int64(quote, k++, ids[i]);
    if (sqlite3_step(quote) != SQLITE_DONE) Fail(sqlite3_errmsg(db));
    sqlite3_reset(quote);
    if (file && sqlite3_total_changes(db) > 50) {
      commit();
      sqlite3_close(db);
      db = OpenPlain(file);
      begin();
    }
  }
  commit();
}

// Every record by one query, in the fill's order.
std::vector<QueueRecord> PlainRecords(sqlite3* db) {
  char sql[2000];
  snprintf(sql, sizeof sql, QUEUE_RECORD_SELECT " and portfolio.rowid = %lld)" QUEUE_RECORD_TODAY
           "  order by lower(stock.symbol) ", nPortfolioRowid);
  sqlite3_stmt* s = PreparePlain(db, sql);
  std::vector<QueueRecord> out = LoadQueueRecords(s);
  sqlite3_finalize(s);
  return out;
}

// The same rows read by one query and put in the list as items and texts, redraw off.
void PlainFill(sqlite3* db, HWND list) {
  std::vector<QueueRecord> recs = PlainRecords(db);
  SendMessageA(list, WM_SETREDRAW, FALSE, 0);
  int row = 0;
  for (QueueRecord& r : recs) {
    LVITEMA item = {};
    item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
    item.iItem = row++;
    item.pszText = r.symbol;
    item.lParam = (LPARAM)r.rowid;
    int at = (int)SendMessageA(list, LVM_INSERTITEMA, 0, (LPARAM)&item);
    for (int pos = 1; pos < MAX_LIST_COLUMNS && ColShown[pos] >= 0; ++pos) {
      char cell[100];
      snprintf(cell, sizeof cell, "%.3f", r.price);
      LVITEMA sub = {};
      sub.iSubItem = pos;
      sub.pszText = pos == 1 ? r.name : cell;
      SendMessageA(list, LVM_SETITEMTEXTA, at, (LPARAM)&sub);
    }
  }
  SendMessageA(list, WM_SETREDRAW, TRUE, 0);
}

// Records held in memory, found by row id, for the baseline sort.
std::vector<QueueRecord> gHeld;
int CALLBACK CompareHeld(LPARAM a, LPARAM b, LPARAM column) {
  auto find = [](LPARAM id) {
    auto it = std::lower_bound(gHeld.begin(), gHeld.end(), (long long)id,
                               [](const QueueRecord& r, long long v) { return r.rowid < v; });
    return it != gHeld.end() && it->rowid == id ? &*it : NULL;
  };
  const QueueRecord *ra = find(a), *rb = find(b);
  if (!ra || !rb) return 0;
  return CompareQueueRecords(*ra, *rb, column);
}

// Puts the list back into a recorded order: (row id, position) pairs by row id.
std::vector<std::pair<LPARAM, size_t>> gPlace;
int CALLBACK CompareByPlace(LPARAM a, LPARAM b, LPARAM) {
  auto at = [](LPARAM id) {
    return std::lower_bound(gPlace.begin(), gPlace.end(), std::make_pair(id, (size_t)0))->second;
  };
  size_t ia = at(a), ib = at(b);
  return ia < ib ? -1 : (ia > ib ? 1 : 0);
}

// ---- measures --------------------------------------------------------------------------------------

struct Measure {
  const char* what;
  std::vector<double> runs, base;
};

enum {
  M_FILL, M_FIRST, M_SECOND, M_BATCHED_FIRST, M_BATCHED_SECOND, M_WAITED, M_SORT_TEXT, M_SORT_NUMBER,
  M_SORT_COMPUTED, M_COUNT
};
Measure gMeasures[M_COUNT] = {
    {"fill the list (InitLoadStocks)", {}, {}},
    {"cycle: quotes through StoreQuote, first of the day", {}, {}},
    {"cycle: quotes through StoreQuote, second of the day", {}, {}},
    {"  the same rows plainly, in the store's batches (commit and reopen after 50 changes), first", {}, {}},
    {"  the same rows plainly, in the store's batches, second", {}, {}},
    {"cycle as the window waits: the second, re-sorted by Ticker after each reply", {}, {}},
    {"one sort by Ticker (text)", {}, {}},
    {"one sort by Price (number)", {}, {}},
    {"one sort by Chg(%) (computed)", {}, {}},
};

// One cycle's quotes, reply by reply, as the parsers hand them over; with sorted, the list is
// re-sorted after each reply, as the main window does.
void Cycle(HWND list, const std::vector<QueueRecord>& quotes, bool sorted) {
  for (size_t at = 0; at < quotes.size(); at += kReplySize) {
    size_t end = std::min(quotes.size(), at + kReplySize);
    BeginListUpdate(list);
    for (size_t i = at; i < end; ++i) {
      QueueRecord r = quotes[i];
      StoreQuote(list, &r, true);
    }
    EndListUpdate(list);
    if (sorted) SortStockList(list, kSortTicker);
  }
}

void TimeSort(HWND list, int column, Measure& m) {
  std::vector<LPARAM> before = Order(list);
  gPlace.clear();
  for (size_t i = 0; i < before.size(); ++i) gPlace.push_back(std::make_pair(before[i], i));
  std::sort(gPlace.begin(), gPlace.end());
  double t0 = Millis();
  SendMessageA(list, LVM_SORTITEMS, column, (LPARAM)CompareHeld);
  m.base.push_back(Millis() - t0);
  std::vector<LPARAM> expected = Order(list);
  SendMessageA(list, LVM_SORTITEMS, 0, (LPARAM)CompareByPlace);
  if (Order(list) != before) Fail("the list did not return to its order");
  t0 = Millis();
  SortStockList(list, column);
  m.runs.push_back(Millis() - t0);
  if (Order(list) != expected) Fail("the sort differs from the sort of the same records in memory");
}

void OneRun(int stocks, int run) {
  FreshFolder(run);
  HWND list = MakeList();
  InitLoadStocks(list);  // schema and portfolio
  std::vector<Stock> all = MakeStocks(stocks);
  std::vector<long long> ids;
  {
    CDbLock lock(oDatabase);
    sqlite3_stmt* s = PreparePlain(oDatabase.hDb,
                                   "insert into stock (portfolio_rowid, symbol, name, stock_type, shares_owned, "
                                   "cost_basis, sort_order) values (?, ?, '', 0, ?, ?, ?)");
    for (const Stock& st : all) {
      sqlite3_bind_int64(s, 1, nPortfolioRowid);
      sqlite3_bind_text(s, 2, st.symbol, -1, SQLITE_STATIC);
      if (st.shares == NoValue) sqlite3_bind_null(s, 3);
      else sqlite3_bind_double(s, 3, st.shares);
      if (st.cost == NoValue) sqlite3_bind_null(s, 4);
      else sqlite3_bind_double(s, 4, st.cost);
      sqlite3_bind_text(s, 5, st.name + (Next() % 5), -1, SQLITE_STATIC);
      if (sqlite3_step(s) != SQLITE_DONE) Fail("cannot insert the stocks");
      sqlite3_reset(s);
      ids.push_back(sqlite3_last_insert_rowid(oDatabase.hDb));
    }
    sqlite3_finalize(s);
  }
  oDatabase.Close();
  for (const char* copy : {"base.db", "batch.db"})
    if (!CopyFileA((gDir + "\\store.db").c_str(), (gDir + "\\" + copy).c_str(), FALSE)) Fail("cannot copy");
  sqlite3* base = OpenPlain("base.db");
  sqlite3* batch = OpenPlain("batch.db");

  InitLoadStocks(list);
  if (Rows(list) != stocks) Fail("the list does not hold every stock");

  for (int day = 0; day < 3; ++day) {
    // Requests are built from the list's rows in their order, and replies keep it.
    std::vector<QueueRecord> quotes;
    std::vector<long long> quoteIds;
    for (LPARAM id : Order(list)) {
      size_t i = std::find(ids.begin(), ids.end(), (long long)id) - ids.begin();
      if (i == ids.size()) Fail("a list row names no stock");
      quotes.push_back(ParsedQuote(all[i], day));
      quoteIds.push_back(ids[i]);
    }
    Measure& m = gMeasures[day == 0 ? M_FIRST : day == 1 ? M_SECOND : M_WAITED];
    double t0 = Millis();
    PlainCycle(base, quotes, quoteIds, day == 0);  // the baseline file keeps the same rows
    if (day < 2) m.base.push_back(Millis() - t0);
    if (day < 2) {
      t0 = Millis();
      PlainCycle(batch, quotes, quoteIds, day == 0, "batch.db");
      gMeasures[day ? M_BATCHED_SECOND : M_BATCHED_FIRST].runs.push_back(Millis() - t0);
    }
    t0 = Millis();
    Cycle(list, quotes, day == 2);
    m.runs.push_back(Millis() - t0);
    if (Rows(list) != stocks) Fail("a quote added or lost a list row");
  }

  SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
  double t0 = Millis();
  PlainFill(base, list);
  gMeasures[M_FILL].base.push_back(Millis() - t0);
  SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
  t0 = Millis();
  InitLoadStocks(list);
  gMeasures[M_FILL].runs.push_back(Millis() - t0);
  if (Rows(list) != stocks) Fail("the refill does not hold every stock");

  gHeld = PlainRecords(base);
  std::sort(gHeld.begin(), gHeld.end(),
            [](const QueueRecord& a, const QueueRecord& b) { return a.rowid < b.rowid; });
  nSortDirection = 0;
  TimeSort(list, kSortPrice, gMeasures[M_SORT_NUMBER]);
  TimeSort(list, kSortChangePct, gMeasures[M_SORT_COMPUTED]);
  TimeSort(list, kSortTicker, gMeasures[M_SORT_TEXT]);

  sqlite3_close(base);
  sqlite3_close(batch);
  RemoveFolder();
}

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
  int stocks = argc > 1 ? atoi(argv[1]) : 100;
  int runs = argc > 2 ? atoi(argv[2]) : 3;
  if (stocks < 1 || runs < 1) {
    fprintf(stderr, "usage: tw_bench STOCKS [RUNS]\n");
    return 2;
  }
  bDebugLog = FALSE;
  for (int run = 0; run < runs; ++run) OneRun(stocks, run);

  for (const Measure& m : gMeasures) {
    char base[32] = "-";
    if (!m.base.empty()) snprintf(base, sizeof base, "%.1f", Median(m.base));
    printf("%s\t%d\t%.1f\t%s\tms\n", m.what, stocks, Median(m.runs), base);
  }
  PROCESS_MEMORY_COUNTERS mem = {};
  mem.cb = sizeof mem;
  GetProcessMemoryInfo(GetCurrentProcess(), &mem, sizeof mem);
  printf("peak working set\t%d\t%.1f\t-\tMB\n", stocks, mem.PeakWorkingSetSize / 1048576.0);
  for (const Measure& m : gMeasures) {
    fprintf(stderr, "%-55s %5d:", m.what, stocks);
    for (double v : m.runs) fprintf(stderr, " %.1f", v);
    fprintf(stderr, "  | base:");
    for (double v : m.base) fprintf(stderr, " %.1f", v);
    fprintf(stderr, "\n");
  }
  return 0;
}
