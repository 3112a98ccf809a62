// Storing parsed quotes: status, list rows and cells, quote rows and batch commits.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <limits.h>

#include <atomic>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "app/columns.h"
#include "app/handles.h"
#include "foundation/quote_text.h"
#include "store/database.h"
#include "store/schema.h"
#include "store/stocks.h"
#include "store/store_quote.h"

#include "tests/store/test_support.h"

// Schema, one portfolio, stocks IBM (1) and MSFT (2); the batch transaction open.
static void StoreWithTwoStocks(const char* tag) {
  FreshStore(tag, "");
  CreateOrUpgradeSchema();
  ASSERT_TRUE(oDatabase.OpenDatabase());
  oDatabase.SQLCall("insert into portfolio (name) values ('Stocks')");
  oDatabase.SQLCall("insert into stock (portfolio_rowid, symbol, shares_owned, cost_basis, sort_order) "
                    "values (1, 'IBM', 2000, 1000, 'b')");
  oDatabase.SQLCall("insert into stock (portfolio_rowid, symbol) values (1, 'MSFT')");
  nPortfolioRowid = 1;
  oDatabase.BeginTransaction();
  nDecimalPlaces = 3;
  bThousandsCommas = TRUE;
  bNegativeInParen = FALSE;
}

static QueueRecord Quote(const char* symbol) {
  QueueRecord r;
  memset(&r, 0, sizeof r);
  ClearQueueRecord(&r);
  snprintf(r.symbol, sizeof r.symbol, "%s", symbol);
  return r;
}

TEST(QuoteStatus, Rules) {
  const double N = NoValue;
  struct Case {
    double price, change, below, above;
    const char* name;
    int start, expected;
  } cases[] = {
      {10, 0, N, N, "Full", 0, 0},          // nothing marks it: keeps what the parser gave
      {10, 0, N, N, "Full", NoValue, NoValue},
      {N, 0, N, N, "", 0, 7},               // no price, no name
      {0, N, N, N, "", NoValue, 7},
      {N, 0.5, N, N, "", 0, 5},             // a change still wins over "no data"
      {10, -0.5, 11, N, "Full", 0, 4},      // below the lower limit wins over down
      {10, 0.5, 9, 20, "Full", 0, 5},
      {10, 0.5, 11, 9, "Full", 0, 3},       // both limits crossed: above wins
      {21, -1, N, 20, "Full", 0, 3},
      {0, N, 5, N, "Full", 0, 0},           // a missing price read as 0.0 raises no alarm
      {N, N, 5, 1, "Full", 0, 0},
  };
  for (const Case& c : cases) {
    QueueRecord r = Quote("X");
    r.price = c.price;
    r.change = c.change;
    r.warn_below = c.below;
    r.warn_above = c.above;
    snprintf(r.name, sizeof r.name, "%s", c.name);
    r.quote_status = c.start;
    EXPECT_EQ(ComputeQuoteStatus(&r), c.expected) << c.price << " " << c.change << " " << c.below << " " << c.above;
  }
}

TEST(StoreQuote, EveryFieldInItsCell) {
  StoreWithTwoStocks("cells");
  MakeList("0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21,22");
  QueueRecord r = Quote("ibm");
  r.price = 1234.5;
  r.change = 1.5;
  strcpy(r.quote_date, "3/5");
  strcpy(r.quote_time, "14:32");
  r.volume = 1234567;
  r.low52 = 100;
  r.high52 = 2000;
  r.peratio = 12.25;
  strcpy(r.exdiv_date, "Mar 1");
  r.dividend = 0.5;
  r.low = 1200;
  r.high = 1240;
  strcpy(r.name, "Intl Business");
  r.yield = 1.75;
  r.open = 1230;
  r.prev_close = 1233;
  StoreQuote(hListView, &r, true);
  ASSERT_EQ(ListRows(), 1);
  EXPECT_EQ(ItemData(0), 1);
  EXPECT_STREQ(r.symbol, "IBM");  // looked up, so upper-cased
  const char* expected[23] = {"IBM",       "1,234.500", "1.500",         "3/5",           "14:32",
                              "1,234,567", "100.000",   "2,000.000",     "12.250",        "Mar 1",
                              "0.500",     "2,000.000", "2,469,000.000", "1,200.000",     "1,240.000",
                              "Intl Business", "1.750", "1,230.000",     "1,233.000",     "0.12%",
                              "1,000.000", "2,468,000.000", "b"};
  for (int id = 0; id < 23; ++id) EXPECT_EQ(CellText(0, id), expected[id]) << "field " << id;

  // a quote without numbers: empty cells, also Chg(%) with its change missing
  QueueRecord m = Quote("MSFT");
  m.price = 10;
  strcpy(m.name, "Micro");
  StoreQuote(hListView, &m, true);
  ASSERT_EQ(ListRows(), 2);
  for (int id = 2; id < 23; ++id) {
    if (id != 15) {
      EXPECT_EQ(CellText(1, id), "") << "field " << id;
    }
  }
  EXPECT_EQ(CellText(1, 15), "Micro");

  // a later quote changes the row, it does not add one
  r.price = 10;
  r.change = 1;
  StoreQuote(hListView, &r, false);
  EXPECT_EQ(ListRows(), 2);
  EXPECT_EQ(CellText(0, 19), "11.11%");

  // huge numbers stay within the cell
  r.shares_owned = 1e200;
  StoreQuote(hListView, &r, false);
  EXPECT_LE(CellText(0, 12).size(), 99u);
  oDatabase.Close();
}

TEST(StoreQuote, UnknownSymbolStoresNothing) {
  StoreWithTwoStocks("unknown");
  MakeList("0,1,2");
  QueueRecord r = Quote("ZZZZ");
  r.price = 5;
  StoreQuote(hListView, &r, true);
  EXPECT_EQ(ListRows(), 0);
  EXPECT_EQ(oDatabase.GetInt("select count(*) from quote"), 0);
  EXPECT_NE(LogText().find("StoreQuote:no stock for symbol ZZZZ"), std::string::npos);
  oDatabase.Close();
}

TEST(StoreQuote, OneQuoteRowPerLocalDay) {
  StoreWithTwoStocks("days");
  MakeList("0,1");
  QueueRecord r = Quote("MSFT");
  r.price = 20;
  strcpy(r.name, "Micro");
  StoreQuote(hListView, &r, true);
  r.price = 21;
  StoreQuote(hListView, &r, true);
  EXPECT_EQ(oDatabase.GetInt("select count(*) from quote where stock_rowid = 2"), 1);
  EXPECT_EQ(oDatabase.GetDouble("select price from quote where stock_rowid = 2"), 21.0);
  EXPECT_EQ(oDatabase.GetInt("select count(*) from stock where name = 'Micro'"), 1);
  // missing numbers are stored as the marker, not as NULL
  EXPECT_EQ(oDatabase.GetInt("select count(*) from quote where open = -16384 and typeof(open) = 'real' and "
                             "volume = -16384 and typeof(volume) = 'integer' and quote_status = -16384"),
            1);
  // yesterday's row stays; today gets a new one
  oDatabase.SQLCall("update quote set create_date = date('now', 'localtime', '-1 day')");
  StoreQuote(hListView, &r, true);
  EXPECT_EQ(oDatabase.GetInt("select count(*) from quote where stock_rowid = 2"), 2);
  QueueRecord loaded;
  ASSERT_TRUE(LoadQueueRecordLV(hListView, 0, &loaded, 2));
  EXPECT_EQ(loaded.price, 21.0);
  EXPECT_EQ(loaded.open, NoValue);
  oDatabase.Close();
}

// Quotes usually come in list order; in any other order each still reaches its own row.
TEST(StoreQuote, EachQuoteFindsItsRowInAnyOrder) {
  StoreWithTwoStocks("rows");
  oDatabase.SQLCall("insert into stock (portfolio_rowid, symbol) values (1, 'AAPL')");
  MakeList("0,1");
  InitLoadStocks(hListView);  // AAPL, IBM, MSFT
  std::vector<std::vector<std::string>> orders = {
      {"AAPL", "IBM", "MSFT"}, {"MSFT", "IBM", "AAPL"}, {"IBM", "AAPL", "MSFT"}, {"MSFT", "AAPL", "IBM"}};
  for (const auto& order : orders) {
    std::map<std::string, std::string> shown;
    for (size_t i = 0; i < order.size(); ++i) {
      QueueRecord r = Quote(order[i].c_str());
      r.price = (double)(i + 1) + 10 * (&order - &orders[0]);
      StoreQuote(hListView, &r, false);
      char text[32];
      snprintf(text, sizeof text, "%.3f", r.price);
      shown[order[i]] = text;
    }
    ASSERT_EQ(ListRows(), 3) << order[0];
    for (int row = 0; row < 3; ++row) EXPECT_EQ(CellText(row, 1), shown[CellText(row, 0)]) << order[0];
  }
  oDatabase.Close();
}

// The two stocks and S3..S<last>, committed, the batch on a fresh connection; and a second
// connection to the file, as another program would hold it.
static sqlite3* NumberedStocksAndAReader(const char* tag, int last, const char* journalMode = NULL) {
  StoreWithTwoStocks(tag);
  MakeList("0,1");
  for (int i = 3; i <= last; ++i)
    oDatabase.SQLCall(("insert into stock (portfolio_rowid, symbol) values (1, 'S" + std::to_string(i) + "')").c_str());
  oDatabase.CommitTransaction();
  if (journalMode) oDatabase.SQLCall((std::string("pragma journal_mode = ") + journalMode).c_str());
  oDatabase.Close();
  oDatabase.OpenDatabase();
  oDatabase.BeginTransaction();
  sqlite3* other = NULL;
  EXPECT_EQ(sqlite3_open(oDatabase.szDatabasePath, &other), SQLITE_OK);
  return other;
}

// Quotes of S<from>..S<to>, each priced at its number and its stock found by rowid as a reply's is: two
// changes each.
static void StoreNumbered(int from, int to) {
  for (int i = from; i <= to; ++i) {
    QueueRecord r = Quote(("S" + std::to_string(i)).c_str());
    r.price = i;
    if (GetStockFromDatabase(&r, i)) StoreQuote(hListView, &r, true);
  }
}

// The quotes another connection to the file sees.
static int QuotesSeenBy(sqlite3* db) { return IntSeenBy(db, "select count(*) from quote"); }

TEST(StoreQuote, FiftyFirstChangeCommitsOnAFreshConnection) {
  sqlite3* other = NumberedStocksAndAReader("batch", 30);
  StoreNumbered(3, 27);  // 25 quotes: 50 changes, not yet over
  EXPECT_EQ(QuotesSeenBy(other), 0);
  StoreNumbered(28, 28);
  EXPECT_EQ(QuotesSeenBy(other), 26);
  EXPECT_TRUE(oDatabase.bTransactionOpen);
  EXPECT_EQ(sqlite3_total_changes(oDatabase.hDb), 0);
  sqlite3_close(other);
  oDatabase.Close();
}

// A file still in rollback-journal mode (another program had it when the store would have converted
// it): a reader refuses the commits, which are tried again at the next batch and at the exit, and no
// quote is lost.
TEST(StoreQuote, AReaderOfTheFileDelaysTheBatchButLosesNothing) {
  sqlite3* reader = NumberedStocksAndAReader("busy", 60, "delete");
  sqlite3_exec(reader, "begin", NULL, NULL, NULL);
  EXPECT_EQ(QuotesSeenBy(reader), 0);  // from now on the reader holds its snapshot
  StoreNumbered(3, 28);                // 52 changes: the commit is due and refused
  EXPECT_TRUE(oDatabase.bTransactionOpen);
  EXPECT_EQ(oDatabase.GetInt("select count(*) from quote"), 26);
  EXPECT_NE(LogText().find("commit failed, the changes stay pending"), std::string::npos) << LogText();
  sqlite3_exec(reader, "commit", NULL, NULL, NULL);
  StoreNumbered(29, 54);  // the next batch commits both
  EXPECT_EQ(QuotesSeenBy(reader), 52);

  sqlite3_exec(reader, "begin", NULL, NULL, NULL);
  EXPECT_EQ(QuotesSeenBy(reader), 52);
  StoreNumbered(55, 57);
  std::thread letGo([reader]() {
    Sleep(500);
    sqlite3_exec(reader, "commit", NULL, NULL, NULL);
  });
  EXPECT_TRUE(CloseStoreAtExit(true, false));  // the exit's commit waits for the reader
  letGo.join();
  EXPECT_EQ(QuotesSeenBy(reader), 55);
  sqlite3_close(reader);
}

// A second connection to the file on a thread of its own, as another program holds it: a read
// transaction that has read, or the write lock; letting go commits and closes the file.
class OtherProgram {
 public:
  explicit OtherProgram(const std::string& path) : thread([this, path] { Run(path); }) {}
  ~OtherProgram() {
    Order(QUIT);
    thread.join();
  }
  // 'r' reads, 'w' writes, 'x' locks everyone out, 'o' has the file open, idle. True when the hold was taken.
  bool Hold(char how) {
    return Order(how == 'w' ? HOLD_WRITE : how == 'x' ? HOLD_ALL : how == 'r' ? HOLD_READ : HOLD_OPEN);
  }
  void LetGo() { Order(LET_GO); }

 private:
  enum { NONE, HOLD_READ, HOLD_WRITE, HOLD_ALL, HOLD_OPEN, LET_GO, QUIT };
  bool Order(int what) {
    done = false;
    order = what;
    for (int ms = 0; ms < 20000 && !done; ++ms) Sleep(1);
    return done && ok;
  }
  void Run(const std::string& path) {
    sqlite3* db = NULL;
    for (int what = NONE; what != QUIT;) {
      what = order.exchange(NONE);
      if (what == NONE) {
        Sleep(1);
        continue;
      }
      if (what != LET_GO && !db) sqlite3_open(path.c_str(), &db);
      if (what == HOLD_OPEN) ok = IntSeenBy(db, "select count(*) from quote") >= 0;
      else if (what == HOLD_READ)
        ok = sqlite3_exec(db, "begin", NULL, NULL, NULL) == SQLITE_OK &&
             IntSeenBy(db, "select count(*) from quote") >= 0;
      else if (what == HOLD_WRITE || what == HOLD_ALL)
        ok = sqlite3_exec(db, what == HOLD_ALL ? "begin exclusive" : "begin immediate", NULL, NULL, NULL) == SQLITE_OK;
      else if (db) {
        ok = sqlite3_exec(db, "commit", NULL, NULL, NULL) == SQLITE_OK;
        sqlite3_close(db);
        db = NULL;
      }
      done = true;
    }
  }
  std::atomic<int> order{NONE};
  std::atomic<bool> done{false}, ok{false};
  std::thread thread;
};

// The longest time a message sent to a window of this thread waited for its answer, measured from
// another thread until Stop.
class WindowPinger {
 public:
  WindowPinger()
      : window(CreateWindowA("STATIC", "", 0, 0, 0, 10, 10, NULL, NULL, GetModuleHandleA(NULL), NULL)),
        thread([this] { Run(); }) {}
  ~WindowPinger() {
    Stop();
    DestroyWindow(window);
  }
  // Answers what waits; the program's message loop does this between replies.
  void Pump() {
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  }
  double Stop() {
    stop = true;
    while (thread.joinable() && !finished) Pump();
    if (thread.joinable()) thread.join();
    return longestMs;
  }
  int answered = 0;

 private:
  void Run() {
    LARGE_INTEGER freq, t0, t1;
    QueryPerformanceFrequency(&freq);
    while (!stop) {
      DWORD_PTR result;
      QueryPerformanceCounter(&t0);
      if (SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 60000, &result)) ++answered;
      QueryPerformanceCounter(&t1);
      double ms = (double)(t1.QuadPart - t0.QuadPart) * 1000.0 / (double)freq.QuadPart;
      if (ms > longestMs) longestMs = ms;
      Sleep(2);
    }
    finished = true;
  }
  HWND window;
  std::atomic<bool> stop{false}, finished{false};
  double longestMs = 0;
  std::thread thread;
};

static OtherProgram* gOtherAtTheBox;
static int gBoxCalls, gBoxAnswer;
static std::string gBoxText;
static int WINAPI AnswerTheExitBox(HWND, LPCSTR text, LPCSTR, UINT) {
  ++gBoxCalls;
  gBoxText = text;
  if (gBoxAnswer == IDRETRY) gOtherAtTheBox->LetGo();
  return gBoxAnswer;
}

// Another program reads or writes the file while quotes S3..S82 come in (batches commit after S28, S54
// and S80) and while the program exits. Every quote reaches the file (the file alone once the program
// ended) unless the user (or the automatic exit) gives the refused ones up, and the window always
// answers soon.
TEST(StoreQuote, AnotherProgramHoldingTheFileCostsNoQuoteAndNoWait) {
  struct Case {
    const char* name;
    char hold;
    int holdAt, letGoAt;  // before storing S<holdAt>, S<letGoAt>; 0: never (until after the exit)
    bool automatic;
    int answer, lost, boxes;
    bool folded = true;  // else the log says the -wal file must stay
    char before = 0;     // at the exit: 'e' S3 edited, 'a' S81 again, 'd' S82 deleted, 'r' and NEW added,
                         // 'c' another connection's checkpoint, kept waiting by the reader
    int missing = -1, last = 82;  // quotes not in the file (-1: lost), last one stored
    const char* journal = NULL;
  } cases[] = {
      {"reader across a batch", 'r', 5, 60, false, 0, 0, 0},
      {"reader across the exit", 'r', 40, 0, false, 0, 0, 0, false},
      {"reader across the automatic exit", 'r', 40, 0, true, 0, 0, 0, false},
      {"file open across the automatic exit", 'o', 40, 0, true, 0, 0, 0},
      {"writer across a batch", 'w', 29, 60, false, 0, 0, 0},
      {"writer across the exit, Retry", 'w', 81, 0, false, IDRETRY, 0, 1},
      {"writer across the exit, Cancel", 'w', 81, 0, false, IDCANCEL, 2, 1},
      {"writer across the automatic exit", 'w', 81, 0, true, 0, 2, 0},
      {"kept S82 deleted", 'w', 81, 0, true, 0, 0, 0, true, 'd', 1},
      {"kept S82's rowid taken by NEW", 'w', 81, 0, true, 0, 0, 0, true, 'r', 1},
      {"old journal, S81 twice in the batch", 'r', 81, 0, true, 0, 2, 0, true, 'a', -1, 82, "delete"},
      {"old journal, only an edit, Cancel", 'r', 81, 0, false, IDCANCEL, 0, 1, true, 'e', 0, 80, "delete"},
      {"old journal, locked out from S55 on", 'x', 55, 0, true, 0, 28, 0, true, 0, -1, 82, "delete"},
      {"old journal, locked out at S81", 'x', 81, 82, true, 0, 0, 0, true, 0, -1, 82, "delete"},
      {"another checkpoint across the exit", 'r', 40, 0, true, 0, 0, 0, false, 'c'},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    sqlite3_close(NumberedStocksAndAReader("holder", 82, c.journal));
    std::string db = oDatabase.szDatabasePath;
    gBoxCalls = 0;
    gBoxAnswer = c.answer;
    pfnStoreMessageBox = AnswerTheExitBox;
    OtherProgram other(db);
    gOtherAtTheBox = &other;
    WindowPinger pinger;
    for (int i = 3; i <= 82; ++i) {
      if (i == c.holdAt) {
        EXPECT_TRUE(other.Hold(c.hold));
      }
      if (i == c.letGoAt) other.LetGo();
      if (i <= c.last) StoreNumbered(i, i);
      pinger.Pump();
    }
    double longestMs = pinger.Stop();
    EXPECT_GT(pinger.answered, 0);
    if (c.before == 'a') StoreNumbered(81, 81);
    if (c.before == 'e') SaveStockRecord(3, "S3", 1, 2, 3, 4, 5, "");
    if (c.before == 'd' || c.before == 'r') {
      other.LetGo();
      oDatabase.SQLCall("delete from stock where rowid = 82");
    }
    if (c.before == 'r') {
      EXPECT_EQ(SaveStockRecord(0, "NEW", 0, 0, 0, 0, 0, ""), 82);  // the deleted stock's rowid
    }
    std::thread checkpoint;  // it holds the write lock while it waits for the reader: the batch goes first
    if (c.before == 'c' && oDatabase.CommitTransaction()) {
      checkpoint = std::thread([&db] {
        sqlite3* b = NULL;
        sqlite3_open(db.c_str(), &b);
        sqlite3_busy_timeout(b, 30000);
        IntSeenBy(b, "select count(*) from quote");  // a connection checkpoints once it has read the log
        for (int i = 0; i < 100 && sqlite3_wal_checkpoint_v2(b, NULL, SQLITE_CHECKPOINT_TRUNCATE, 0, 0); ++i) Sleep(9);
        sqlite3_close(b);
      });
      for (int ms = 0, frames = 0; ms < 10000 && frames != -1; ms += 10, Sleep(10))  // until it holds
        sqlite3_wal_checkpoint_v2(oDatabase.hDb, NULL, SQLITE_CHECKPOINT_PASSIVE, &frames, NULL);
    }
    bool saved = CloseStoreAtExit(c.automatic, true);
    CopyFileA(db.c_str(), (db + ".alone").c_str(), FALSE);
    other.LetGo();
    if (checkpoint.joinable()) checkpoint.join();
    // whichever connection closes last takes the log files away
    EXPECT_EQ(GetFileAttributesA((db + "-wal").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetFileAttributesA((db + "-shm").c_str()), INVALID_FILE_ATTRIBUTES);
    sqlite3* after = NULL;
    sqlite3_open(db.c_str(), &after);
    int stored = IntSeenBy(after, "select count(*) from quote");
    sqlite3_close(after);
    sqlite3_open((db + ".alone").c_str(), &after);
    int alone = IntSeenBy(after, "select count(*) from quote");
    sqlite3_close(after);
    printf("%s: longest wait %.0f ms (%d answers), quotes lost %d\n", c.name, longestMs, pinger.answered,
           c.last - 2 - stored);
    EXPECT_LT(longestMs, 500.0);
    EXPECT_EQ(stored, c.last - 2 - (c.missing < 0 ? c.lost : c.missing));
    EXPECT_EQ(alone == stored, c.folded);
    EXPECT_EQ(saved, c.lost == 0 && c.answer != IDCANCEL);
    EXPECT_EQ(gBoxCalls, c.boxes);
    if (c.boxes) {
      EXPECT_NE(gBoxText.find(db), std::string::npos) << gBoxText;
      EXPECT_NE(gBoxText.find(c.before ? "the change to S3 could" : "the last 2 quotes"), std::string::npos) << gBoxText;
    }
    std::string log = LogText();
    EXPECT_EQ(log.find("commit failed") == std::string::npos, !c.journal || c.hold == 'x') << log;
    EXPECT_EQ(log.find("-wal holds the latest quotes") == std::string::npos, c.folded) << log;
    bool logged = log.find(std::to_string(c.lost) + " quotes could not be saved to " + db + " and are lost") !=
                  std::string::npos;
    EXPECT_EQ(logged, c.lost > 0) << log;
  }
}

// A program killed in the middle of a batch leaves a whole file that holds every committed batch:
// S3..S28 were committed, S29..S40 die with the process. The test runs itself as that program.
TEST(StoreQuote, AKillLosesAtMostTheOpenBatch) {
  if (const char* killedFile = getenv("TW_KILLED_STORE")) {
    snprintf(oDatabase.szDatabasePath, sizeof oDatabase.szDatabasePath, "%s", killedFile);
    nPortfolioRowid = 1;
    ASSERT_TRUE(oDatabase.OpenDatabase());
    oDatabase.BeginTransaction();
    StoreNumbered(3, 40);
    TerminateProcess(GetCurrentProcess(), 9);
  }
  sqlite3_close(NumberedStocksAndAReader("killed", 40));
  oDatabase.Close();
  std::string db = oDatabase.szDatabasePath;
  char exe[MAX_PATH];
  GetModuleFileNameA(NULL, exe, sizeof exe);
  std::string command = std::string("\"") + exe + "\" --gtest_filter=StoreQuote.AKillLosesAtMostTheOpenBatch";
  STARTUPINFOA start = {};
  start.cb = sizeof start;
  PROCESS_INFORMATION child = {};
  SetEnvironmentVariableA("TW_KILLED_STORE", db.c_str());
  ASSERT_TRUE(CreateProcessA(NULL, &command[0], NULL, NULL, FALSE, 0, NULL, NULL, &start, &child));
  SetEnvironmentVariableA("TW_KILLED_STORE", NULL);
  EXPECT_EQ(WaitForSingleObject(child.hProcess, 60000), WAIT_OBJECT_0);
  DWORD code = 0;
  GetExitCodeProcess(child.hProcess, &code);
  EXPECT_EQ(code, 9u);
  CloseHandle(child.hThread);
  CloseHandle(child.hProcess);
  sqlite3* after = NULL;
  sqlite3_open(db.c_str(), &after);
  EXPECT_EQ(IntSeenBy(after, "select count(*) from pragma_integrity_check where integrity_check = 'ok'"), 1);
  EXPECT_EQ(IntSeenBy(after, "select count(*) from quote"), 26);
  sqlite3_close(after);
}

TEST(QueueRecord, LongStoredTextsAreCutAndNullsReadEmpty) {
  FreshStore("longtext", "");
  CreateOrUpgradeSchema();
  ASSERT_TRUE(oDatabase.OpenDatabase());
  std::string name(400, 'P'), symbol(40, 'S');
  oDatabase.SQLCall(("insert into portfolio (name) values ('" + name + "')").c_str());
  oDatabase.SQLCall(("insert into stock (portfolio_rowid, symbol, shares_owned) values (1, '" + symbol + "', 3)")
                        .c_str());
  QueueRecord r;
  ASSERT_TRUE(LoadQueueRecordLV(NULL, 0, &r, 1));
  EXPECT_EQ(std::string(r.symbol), symbol.substr(0, 29));
  EXPECT_EQ(std::string(r.portfolio_name), name.substr(0, 99));
  EXPECT_STREQ(r.name, "");
  EXPECT_STREQ(r.quote_date, "");
  EXPECT_EQ(r.shares_owned, 3.0);
  EXPECT_EQ(r.price, NoValue);
  EXPECT_EQ(r.volume, NoValue);
  EXPECT_EQ(r.quote_status, 0);
  EXPECT_EQ(r.sharesoutstanding, 0);
  EXPECT_EQ(r.option_price, 0.0);
  EXPECT_FALSE(LoadQueueRecordLV(NULL, 0, &r, 7));  // no such stock
  oDatabase.Close();
}

// A file written elsewhere may hold counts past 32 bits: they read as missing, never as their low
// 32 bits.
TEST(QueueRecord, StoredVolumesOutOfRangeReadAsMissing) {
  StoreWithTwoStocks("storedrange");
  const struct {
    const char* stored;
    int read;
  } cases[] = {
      {"2147483647", INT_MAX}, {"-2147483648", INT_MIN}, {"3000000000", NoValue}, {"-2147483649", NoValue},
      {"4294967296", NoValue}, {"1e20", NoValue},        {"12.9", 12},            {"null", NoValue},
  };
  for (const auto& c : cases) {
    oDatabase.SQLCall("delete from quote");
    oDatabase.SQLCall((std::string("insert into quote (stock_rowid, create_date, quote_status, price, volume) "
                                   "values (1, date('now', 'localtime'), 0, 12.5, ") + c.stored + ")")
                          .c_str());
    QueueRecord r;
    ASSERT_TRUE(LoadQueueRecordLV(NULL, 0, &r, 1));
    EXPECT_EQ(r.volume, c.read) << c.stored;
    EXPECT_EQ(r.price, 12.5) << c.stored;
  }
  oDatabase.Close();
}
