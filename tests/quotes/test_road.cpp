// Whole quote cycles on both roads against the stand-in: which requests go out, in what order and
// pace, what is stored, and how stalls, resets and refusals end.
#include <gtest/gtest.h>
#include <windows.h>
#include <winsock.h>
#include <wininet.h>
#include <iphlpapi.h>
#include <tlhelp32.h>
#include <stdio.h>

#include <map>
#include <memory>
#include <sstream>
#include <string>

#include "app/handles.h"
#include "app/options.h"
#include "app/status_strip.h"
#include "banner/player.h"
#include "banner/schedule.h"
#include "foundation/log.h"
#include "foundation/settings.h"
#include "quotes/cycle.h"
#include "quotes/hosts.h"
#include "quotes/network.h"
#include "quotes/sockets.h"
#include "quotes/sources.h"
#include "road_harness.h"
#include "store/database.h"
#include "store/queue_record.h"

void ResetStocks();
long long AddStock(const char* symbol, int market);
bool LoadQuote(long long rowid, QueueRecord* rec);
int CountQuotes();

namespace {

bool Quoted(long long rowid) {
  QueueRecord rec;
  return LoadQuote(rowid, &rec) && rec.price > 0;
}

std::string Status() {
  char text[STATUS_TEXT_SIZE];
  GetStatusText(text, sizeof text);
  return text;
}

// The stand-in's fixtures: a Yahoo CSV line for one stock, served with status and fault.
std::string CsvFixture(const std::string& symbol, const std::string& price, int status = 200,
                       const std::string& fault = "", bool lineEnd = true) {
  return "{\"/d/quotes.csv\": {\"body\": \"\\\"" + symbol + "\\\",\\\"3/5/2024\\\",\\\"4:00pm\\\"," + price +
         ",130.00,140.00,120.00,1000,\\\"x\\\",0,0,0,+0.75,130.00,100,200,\\\"Cut Co\\\"" +
         (lineEnd ? "\\r\\n" : "") + "\", \"status\": " +
         std::to_string(status) + ", \"fault\": \"" + fault + "\"}}";
}

// The three generations of the debug log in dir.
const char* const kLogNames[] = {"TarnWick.2", "TarnWick.1", "TarnWick.log"};

std::string ReadLogs(const std::string& dir) {
  std::string all;
  for (const char* name : kLogNames) all += ReadWholeFile(dir + "\\" + name);
  return all;
}

void DeleteLogs(const std::string& dir) {
  for (const char* name : kLogNames) DeleteFileA((dir + "\\" + name).c_str());
}

// Threads of this process, and the connections open to port.
int Threads() {
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  THREADENTRY32 t = {};
  t.dwSize = sizeof t;
  int n = 0;
  for (BOOL more = Thread32First(snap, &t); more; more = Thread32Next(snap, &t))
    n += t.th32OwnerProcessID == GetCurrentProcessId();
  CloseHandle(snap);
  return n;
}

int Connections(int port) {
  static auto get = (decltype(&GetTcpTable))(void*)GetProcAddress(LoadLibraryA("iphlpapi.dll"), "GetTcpTable");
  static char buffer[1 << 20];
  auto table = (PMIB_TCPTABLE)buffer;
  ULONG size = sizeof buffer;
  if (get(table, &size, FALSE) != NO_ERROR) return INT_MAX;
  int n = 0;
  for (DWORD i = 0; i < table->dwNumEntries; ++i)
    n += ntohs((u_short)table->table[i].dwRemotePort) == port && table->table[i].dwState == MIB_TCP_STATE_ESTAB;
  return n;
}

// Eight banner slots saved into dir, each of them due for a download, one a cycle.
void ScheduleBanners(const std::string& dir) {
  bShowBanner = 1;
  snprintf(szBannerDir, sizeof szBannerDir, "%s\\", dir.c_str());
  for (int i = 0; i < 8; ++i)
    IniPutString(NULL, "Banner", ("tw00" + std::to_string(i) + ".png").c_str(), "1/15/25 12:00;0;http://x/;t");
  LoadBannerSchedule(NULL);
  CurrentBanner = nBannerCycles = 0;
  nLastBannerDownload = -1;
}

// The cycle's next start comes at the next tick.
bool NextCycle(DWORD ms = 20000) {
  oDatabase.SQLCall("delete from quote");
  RequestUpdateNow();
  return RunCycle(ms);
}

class Road : public ::testing::Test {
 protected:
  void SetUp() override {
    oldMain = hMainWnd, oldList = hListView;
    CreateRoadWindow();
    ResetStocks();
    nNetworkState = STA_BANNER_GET;
    nDelay = 600;
    nSecondsToUpdate = bNetworkBusy = nInterRequestDelay = 0;
    bUpdateRequested = 1;
    bAutoVersion = bShowBanner = bUseProxy = 0;
    nTimeout = 3;
    nQuoteSource = SRC_YAHOO;
  }
  void TearDown() override {
    ShutdownNetwork();
    stand.Stop();
    DestroyWindow(hMainWnd);
    hMainWnd = oldMain, hListView = oldList;
    ResetHostTable();
  }
  // Starts the stand-in and opens the road: WinINet with its thread, or raw sockets.
  void Open(bool winInet, const std::vector<std::string>& args = {}, bool tls = false) {
    ASSERT_TRUE(stand.Start(args, tls));
    hInternet = winInet ? InternetOpenA("InetURL/1.0", INTERNET_OPEN_TYPE_PRECONFIG, NULL, NULL, 0) : NULL;
    ASSERT_TRUE(!winInet || (hInternet && StartNetworkThread()));
  }
  // A quote stored only from a reply that came whole, and every request ended in time, on one road.
  // rows: 0 all of them, 1 those before the slow servers, 2 the slow servers.
  void OnlyWholeRepliesStored(bool winInet, int rows = 0);
  HWND oldMain, oldList;
  StandIn stand;
};

}  // namespace

TEST_F(Road, YahooAsksThirtyThenFifteenThenTheIndexAndAnEmptyIndexReplyLeavesCsvNext) {
  char sym[8];
  for (int i = 0; i < 45; ++i) {
    snprintf(sym, sizeof sym, "S%02d", i);
    AddStock(sym, 0);
  }
  long long dji = AddStock("^DJI", 0);
  long long ibm = AddStock("IBM", 0);  // sorted ahead of the S rows after the first reply
  stand.SetFixtures("{}");
  Open(true, {}, true);
  ASSERT_TRUE(RunCycle(20000));
  auto log = stand.Requests();
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(log[0].query.substr(0, 16), "s=S00+S01+S02+S0");
  EXPECT_NE(log[0].query.find("+S29&f="), std::string::npos);
  EXPECT_EQ(log[1].query.substr(0, 16), "s=S30+S31+S32+S3");
  EXPECT_NE(log[1].query.find("+S44+IBM&f="), std::string::npos);
  EXPECT_TRUE(log[2].https && log[2].query.find("&symbols=^DJI&") != std::string::npos);
  EXPECT_EQ(CountQuotes(), 47);
  EXPECT_TRUE(Quoted(dji));
  EXPECT_EQ(Status(), "Idle...");
  EXPECT_EQ(GetMenuState(GetMenu(hMainWnd), IDM_FULLEXPORT, MF_BYCOMMAND) & MF_GRAYED, 0u);

  // With Delay 0 "Update Now" starts the next cycle without an idle tick between.
  nDelay = 0;
  stand.SetFixtures("{\"/v7/finance/quote\": {\"body\": \"\"}}");
  ASSERT_TRUE(NextCycle());
  EXPECT_FALSE(Quoted(dji));
  ASSERT_TRUE(NextCycle());
  EXPECT_TRUE(Quoted(ibm));
}

TEST_F(Road, DetailPagesGoOneAtATimeThreeTicksApartAndAResetCostsOnlyItsRow) {
  stand.SetFixtures("{\"/stocks/detailquote.php?ticker=RESET\": {\"body\": \"x\", \"fault\": \"reset\"}}");
  const char* rows[] = {"IBM", "RESET", "MSFT", "F", "KO"};
  long long ids[5];
  for (int i = 0; i < 5; ++i) ids[i] = AddStock(rows[i], 0);
  nQuoteSource = SRC_PC_QUOTE;
  Open(true);
  ASSERT_TRUE(RunCycle(40000));
  auto log = stand.Requests(5);
  ASSERT_EQ(log.size(), 5u);
  for (size_t i = 0; i < log.size(); ++i) {
    EXPECT_EQ(log[i].query, std::string("ticker=") + rows[i]);
    EXPECT_TRUE(i == 0 || log[i].time - log[i - 1].end > 1.9) << rows[i];
    EXPECT_EQ(Quoted(ids[i]), i != 1) << rows[i];
  }
  EXPECT_EQ(Status(), "Idle...");
}

// A server that stops sending, before its header or in the middle of the body, costs its request
// the Timeout and no more; the next batch follows.
TEST_F(Road, StalledDownloadsEndAtTheTimeout) {
  nQuoteSource = SRC_UK_YAHOO;
  nTimeout = 2;
  std::string batch = "A1";
  AddStock("A1", 0);
  for (int i = 2; i <= 9; ++i) {
    batch += "+A" + std::to_string(i);  // ahead of XOM in every cycle's (sorted) order
    AddStock(("A" + std::to_string(i)).c_str(), 0);
  }
  long long xom = AddStock("XOM", 0);
  for (const char* fault : {"stall=60", "chunks=2,gap=60"}) {
    stand.SetFixtures("{\"/q?s=" + batch + "&d=t&o=t\": {\"body\": \"" + std::string(20000, 'x') +
                      "\", \"fault\": \"" + fault + "\"}}");
    if (!stand.port) Open(true);
    DWORD start = GetTickCount();
    ASSERT_TRUE(NextCycle()) << fault;
    double took = (GetTickCount() - start) / 1000.0;  // the stall, and up to a tick before the cycle
    EXPECT_GT(took, nTimeout - 0.5) << fault;
    EXPECT_LT(took, nTimeout + 6.0) << fault;
    EXPECT_TRUE(Quoted(xom)) << fault;
  }
  // At exit the network thread ends by itself, a stalled request under way and all.
  nTimeout = 30;
  RequestUpdateNow();
  ASSERT_TRUE(PumpUntil([] { return bNetworkBusy != 0; }, 5000));
  Sleep(500);
  DWORD start = GetTickCount();
  ShutdownNetwork();
  EXPECT_LT(GetTickCount() - start, 1000u);
}

// Only a reply that arrived whole is parsed: a cut, a 500, a transfer coding the road cannot decode,
// a reset, a time-out leave the row its last quote and the log says why (before, a price 130.75 cut
// to "13" was stored). Every request ends within its Timeout from its start, however its bytes come
// (a byte at a time, or a flood without end); a reset on the raw road is a socket error; and the log
// keeps only the first KB of a 3 MB reply.
// One test per road, the WinINet road's in two: together they outlast a test's time limit.
TEST_F(Road, OnlyWholeQuoteRepliesAreStoredAndEveryRequestEndsInTimeOverWinInet) { OnlyWholeRepliesStored(true, 1); }
TEST_F(Road, SlowServersCostOnlyTheirOwnRequestsEachItsTimeoutOverWinInet) { OnlyWholeRepliesStored(true, 2); }
TEST_F(Road, OnlyWholeQuoteRepliesAreStoredAndEveryRequestEndsInTimeOverSockets) { OnlyWholeRepliesStored(false); }

void Road::OnlyWholeRepliesStored(bool winInet, int rows) {
  const size_t priceAt = std::string("\"CUT\",\"3/5/2024\",\"4:00pm\",").size();  // cut 2 bytes on: "13"
  struct {
    const char *name, *price;
    std::string fault;
    int status, timeout;
    bool wholeWinInet, wholeRaw;
    const char* rawStatus;  // nullptr: the WinINet road only
    int requests = 1;
    const char* logged = "";      // a line the log must hold
    const char* banner = nullptr;  // the fault of every banner, from a server beside the quotes
    bool closeSeen = false;        // the raw road's server sees the close within 2 s of the deadline
    bool lineEnd = true;
  } cases[] = {
      // the fetch reads no further than the limit, nor waits for the close (which reads the rest under Wine)
      {"200 MiB", "145.00", "size=209715200", 200, 5, false, false, "Idle...", 1, "", nullptr, true},
      {"cut", "130.75", "cut=" + std::to_string(priceAt + 2), 200, 5, false, false, "Idle..."},
      {"500", "131.00", "", 500, 5, false, false, "Idle..."},
      {"chunked", "132.00", "chunked", 200, 5, true, false, "Idle..."},
      {"reset", "133.00", "reset", 200, 5, false, false, "AsyncSelect(Error)"},
      {"trickle", "134.00", "chunks=100000,gap=0.5", 200, 2, false, false, "Idle..."},
      {"flood", "135.00", "flood=60", 200, 2, false, false, "Idle..."},
      {"3 MB", "136.00", "size=3000000", 200, 30, true, true, "Idle..."},
      // no length tells these cuts; only the line end the record lacks (WinINet hides a chunked cut)
      {"no length, cut", "137.75", "nolength,cut=" + std::to_string(priceAt + 2), 200, 5, false, false, "Idle..."},
      {"chunked, cut", "138.75", "chunked,cut=" + std::to_string(priceAt + 6), 200, 5, false, false, "Idle..."},
      {"no status line, cut", "139.75", "nohead,cut=" + std::to_string(priceAt + 2), 200, 5, false, false, "Idle..."},
      {"16 MiB", "140.00", "size=16777216", 200, 60, true, true, "Idle..."},  // one body limit on both roads
      // a last line without its line end counts where the length told the reply is whole
      {"no line end", "146.00", "", 200, 5, true, true, "Idle...", 1, "", nullptr, false, false},
      {"no line end, no length", "147.00", "nolength", 200, 5, false, false, "Idle...", 1, "", nullptr, false, false},
      // the slow servers: a slow server holds back only its own requests
      {"slow banner server", "144.00", "", 200, 2, true, true, nullptr, 4, "", "chunks=100000,gap=0.5"},
      {"slow body", "141.00", "trickle=0.5", 200, 5, false, false, "Idle..."},
      {"slow body 20", "142.00", "trickle=0.5", 200, 20, false, false, nullptr},
      {"endless header", "143.00", "chunks=100000,gap=0.5", 200, 1, false, false, nullptr, 10,
       "Quote reply of 0 bytes not taken"},
  };
  snprintf(szLogDir, sizeof szLogDir, "%s", stand.Dir().c_str());
  bDebugLog = TRUE;
  long long id = AddStock("CUT", 0);
  stand.SetFixtures(CsvFixture("CUT", "120.50"));
  Open(winInet);
  ASSERT_TRUE(NextCycle());
  QueueRecord rec;
  double last = 120.50;
  ASSERT_TRUE(LoadQuote(id, &rec) && rec.price == last);
  const int threads = Threads();
  const size_t kSlowFrom = sizeof cases / sizeof cases[0] - 4;
  for (size_t row = 0; row < sizeof cases / sizeof cases[0]; ++row) {
    const auto& c = cases[row];
    if ((!winInet && !c.rawStatus) || (rows == 1 && row >= kSlowFrom) || (rows == 2 && row < kSlowFrom)) continue;
    stand.SetFixtures(CsvFixture("CUT", c.price, c.status, c.fault, c.lineEnd));
    nTimeout = c.timeout;
    DeleteLogs(stand.Dir());
    std::unique_ptr<StandIn> banners(c.banner ? new StandIn : nullptr);
    if (banners) {
      std::vector<std::string> args;
      for (int i = 0; i < 8; ++i) args.insert(args.end(), {"--fault", "/images/tw00" + std::to_string(i) + ".png=" + c.banner});
      ASSERT_TRUE(banners->Start(args));
      for (int slot = 0; slot < HOST_COUNT; ++slot)
        if (slot != HOST_MAKER) SetHostEntry(slot, ("127.0.0.1:" + std::to_string(stand.port)).c_str());
      ScheduleBanners(stand.Dir());
    }
    for (int r = 0; r < c.requests; ++r) {
      if (banners) oDatabase.SQLCall("delete from quote");
      RequestUpdateNow();
      DWORD start = GetTickCount();
      ASSERT_TRUE(RunCycle(60000)) << c.name;
      EXPECT_LT((GetTickCount() - start) / 1000.0, c.timeout + 2.5) << winInet << c.name;
      EXPECT_TRUE(!banners || Quoted(id)) << c.name << r;  // a quote every cycle
      // Requests left behind on the WinINet road keep a thread and a connection each: two a server at
      // most (and Wine may start a worker of its own, such as the one that ends idle connections).
      EXPECT_TRUE(!winInet || (Threads() <= threads + 1 + 2 * (banners ? 2 : 1) && Connections(stand.port) <= 2))
          << c.name << r << ": threads " << Threads() << " from " << threads << ", connections " << Connections(stand.port);
    }
    bShowBanner = 0;
    if (c.closeSeen && !winInet) {
      auto served = stand.Requests(stand.Requests().size());
      EXPECT_LT(served.back().end - served.back().time, c.timeout + 2.0) << c.name;
    }
    bool whole = winInet ? c.wholeWinInet : c.wholeRaw;
    if (whole) last = atof(c.price);
    ASSERT_TRUE(LoadQuote(id, &rec)) << c.name;
    EXPECT_EQ(rec.price, last) << winInet << c.name;
    EXPECT_EQ(Status(), winInet ? "Idle..." : c.rawStatus) << c.name;
    std::string log = ReadLogs(stand.Dir());
    bool why = log.find("not whole") != std::string::npos || log.find("time-out") != std::string::npos ||
               log.find("AsyncSelect(Error)") != std::string::npos || log.find("No response") != std::string::npos;
    EXPECT_TRUE(banners || why == !whole) << winInet << c.name << "\n" << log.substr(0, 2000);
    EXPECT_NE(log.find(c.logged), std::string::npos) << winInet << c.name;
    // dropped for time, not for being cut, nor for an answer that never came
    EXPECT_FALSE(log.find("time-out") != std::string::npos &&
                 (log.find("not whole") != std::string::npos || log.find("No response") != std::string::npos))
        << winInet << c.name;
    EXPECT_LT(log.size(), 64u * 1024) << winInet << c.name;
  }
  bDebugLog = FALSE;
}

TEST_F(Road, RawRoadSendsEachSourcesRequestLines) {
  long long bce = AddStock("BCE", 1), ibm = AddStock("IBM", 0);  // in sorted order
  Open(false);
  struct {
    int source;
    std::vector<std::string> requests;
  } cases[] = {
      {SRC_PC_QUOTE,
       {"GET /stocks/detailquote.php?ticker=BCE.ca  HTTP/1.0\r\n\r\n",
        "GET /stocks/detailquote.php?ticker=IBM  HTTP/1.0\r\n\r\n"}},
      {SRC_UK_YAHOO, {"GET /q?s=BCE+IBM&d=t&o=t HTTP/1.0\r\n\r\nConnection: Keep-Alive\r\n"}},
      {SRC_TEXT_QUOTE, {"GET /cgi-bin/qso?tick=T.BCE\r\n", "GET /cgi-bin/qso?tick=IBM\r\n"}},
      {SRC_YAHOO, {"GET /d/quotes.csv?s=BCE.TO+IBM&f=sd1t1l1ohgvwdyrc1pjkn HTTP/1.0\r\n\r\n"}},
  };
  for (const auto& c : cases) {
    nQuoteSource = c.source;
    size_t before = stand.Requests().size();
    ASSERT_TRUE(NextCycle()) << c.source;
    auto log = stand.Requests(before + c.requests.size());
    ASSERT_EQ(log.size(), before + c.requests.size()) << c.source;
    for (size_t i = 0; i < c.requests.size(); ++i)
      EXPECT_EQ(log[before + i].raw.substr(0, c.requests[i].size()), c.requests[i]) << c.source;
    EXPECT_TRUE(Quoted(ibm) && Quoted(bce)) << c.source;
    EXPECT_EQ(Status(), "Idle...");
  }
}

// On the raw road a stalled server is left by the watchdog after Timeout ticks and the cycle goes
// on (a stalled version server too: it is not asked again). A reset ends its request at once and,
// like a refused connection, stops the cycle with its error.
TEST_F(Road, RawRoadFaultsEndTheRequestWithoutWaitingLonger) {
  stand.SetFixtures("{\"/stocks/detailquote.php?ticker=STALL\": {\"body\": \"x\", \"fault\": \"stall=60\"}}");
  AddStock("STALL", 0);
  long long msft = AddStock("MSFT", 0);
  nQuoteSource = SRC_PC_QUOTE;
  nTimeout = 2;
  bAutoVersion = 1;
  nVersionCounter = 0;
  nNetworkState = STA_VERSION_CHECK;
  Open(false, {"--fault", "/q=reset", "--fault", "/pages/tarnwick_version_text.html=stall=60"});
  ASSERT_TRUE(RunCycle(20000));
  auto log = stand.Requests(3);
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(log[0].path, "/pages/tarnwick_version_text.html");
  EXPECT_EQ(log[1].query, "ticker=STALL");
  EXPECT_LT(log[1].end - log[1].time, nTimeout + 1.5);
  EXPECT_EQ(log[2].query, "ticker=MSFT");
  EXPECT_TRUE(Quoted(msft));

  nTimeout = 30;
  nQuoteSource = SRC_UK_YAHOO;
  // Nothing listens on port 1 of the loopback.
  std::pair<int, const char*> cases[] = {{stand.port, "AsyncSelect(Error)"}, {1, "WSAECONNREFUSED"}};
  for (const auto& c : cases) {
    SetHostEntry(HOST_UK_LIST, ("127.0.0.1:" + std::to_string(c.first)).c_str());
    DWORD start = GetTickCount();
    ASSERT_TRUE(NextCycle(10000)) << c.second;
    EXPECT_LT(GetTickCount() - start, 3000u) << c.second;
    EXPECT_EQ(Status(), c.second);
    EXPECT_EQ(nNetworkState, STA_BANNER_GET);
  }
  // A late event of a socket that is gone changes nothing.
  SendMessageA(hMainWnd, WM_SOCKET_EVENT, (WPARAM)12345, FD_CLOSE);
  EXPECT_EQ(Status(), "WSAECONNREFUSED");
}

// Only a whole 2xx PNG or MNG becomes a banner file, on either road: a 404 page, a body shorter than
// its Content-Length, a reset, bytes without a status line, an HTML page served with 200 and an image
// cut where no length tells keep the slot's old file, and the log names no save; nor, on the raw
// road, a chunked reply (WinINet decodes it).
TEST_F(Road, BannerDownloadsKeepOnlyWholeImages) {
  snprintf(szLogDir, sizeof szLogDir, "%s", stand.Dir().c_str());
  bDebugLog = TRUE;
  const int kSlots = 8;
  for (bool winInet : {true, false}) {
    DeleteLogs(stand.Dir());
    for (int i = 0; i < kSlots; ++i)  // each slot's old file, which a failed download keeps
      if (FILE* f = fopen((stand.Dir() + "\\tw00" + std::to_string(i) + ".png").c_str(), "wb")) fputs("old", f), fclose(f);
    ScheduleBanners(stand.Dir());
    ShutdownNetwork();
    stand.Stop();
    stand.SetFixtures("{\"/images/tw006.png\": {\"body\": \"<html><body>Moved</body></html>\", \"type\": \"text/html\"}}");
    Open(winInet, {"--fault", "/images/tw000.png=big,chunks=3", "--fault", "/images/tw001.png=404", "--fault",
                   "/images/tw002.png=cut=10", "--fault", "/images/tw003.png=reset", "--fault",
                   "/images/tw004.png=big,chunked", "--fault", "/images/tw005.png=garbage", "--fault",
                   "/images/tw007.png=big,chunked,cut=300"});
    // On the raw road the reset stops its cycle, and the next one begins with the quotes.
    for (int cycle = 0; cycle < kSlots + (winInet ? 0 : 1); ++cycle) ASSERT_TRUE(NextCycle()) << winInet << cycle;
    std::vector<StandInRequest> log;  // the raw road also connects for the quote step of an empty list
    for (const auto& r : stand.Requests(winInet ? kSlots : 2 * kSlots))
      if (r.path.rfind("/images/", 0) == 0) log.push_back(r);
    ASSERT_EQ(log.size(), (size_t)kSlots) << winInet;
    std::string written = ReadLogs(stand.Dir());
    for (int i = 0; i < kSlots; ++i) {
      std::string name = "tw00" + std::to_string(i) + ".png";
      EXPECT_EQ(log[i].path, "/images/" + name);
      bool kept = i == 0 || (winInet && i == 4);
      EXPECT_EQ(ReadWholeFile(stand.Dir() + "\\" + name).size(), kept ? 200u * 1024 : 3u) << winInet << name;
      std::string saved = "SaveBannerFile(" + stand.Dir() + "\\" + name + ", ";
      size_t at = written.find(saved);
      EXPECT_EQ(at == std::string::npos ? -1 : atol(written.c_str() + at + saved.size()), kept ? 200 * 1024 : -1)
          << winInet << name;
    }
    EXPECT_TRUE(winInet || log[0].raw == "GET http://127.0.0.1:" + std::to_string(stand.port) +
                                             "/images/tw000.png HTTP/1.0\r\nAccept: image/png; image/mng; */*\r\n\r\n")
        << log[0].raw;
    CurrentBanner = 0;
    EXPECT_EQ(BannerFileIsCurrent(NULL), 1) << winInet;
    MngStopBanner();  // the player shows the saved image and holds its file
    for (int i = 0; i < kSlots; ++i) DeleteFileA((stand.Dir() + "\\tw00" + std::to_string(i) + ".png").c_str());
  }
  bDebugLog = FALSE;
}

// The version text is fetched on the first cycle of every third start; one that does not arrive
// whole leaves the banner schedule as it was (a cut one used to empty it).
TEST_F(Road, VersionCheckRunsOnTheFirstStartAndEveryThirdAfter) {
  bAutoVersion = 1;
  stand.SetFixtures("{}");
  Open(true);
  struct {
    const char *stored, *after;
    bool check;
  } starts[] = {{"0", "3", true}, {"3", "2", false}, {"2", "1", false}, {"1", "3", true}};
  for (const auto& s : starts) {
    IniPutString(NULL, "Options", "VersionCounter", s.stored);
    nVersionCounter = atoi(s.stored) > 0 ? atoi(s.stored) - 1 : 0;  // as the main window reads it
    nNetworkState = STA_VERSION_CHECK;
    size_t before = stand.Requests().size();
    ASSERT_TRUE(NextCycle());
    auto log = stand.Requests(before + 2);
    EXPECT_EQ(log.size() > before && log[before].path == "/pages/tarnwick_version_text.html", s.check) << s.stored;
    char after[8];
    IniGetString(NULL, "Options", "VersionCounter", after, sizeof after, "");
    EXPECT_STREQ(after, s.after);
  }
  char keys[200] = "", kept[200] = "";
  DWORD n = IniGetKeys(NULL, "Banner", keys, sizeof keys);
  ASSERT_GT(n, 0u);
  std::string text = "[VERSION]\\n1.86.000\\n[MESSAGE]\\nm\\n[BANNER]\\ntw009.png;1/15/25 12:00;2;http://x/;t\\n";
  stand.SetFixtures("{\"/pages/tarnwick_version_text.html\": {\"body\": \"" + text + "\", \"fault\": \"cut=" +
                    std::to_string(text.find("tw009") - 4 + 3) + "\"}}");  // "\\n" is one byte sent
  IniPutString(NULL, "Options", "VersionCounter", "0");
  nVersionCounter = 0;
  nNetworkState = STA_VERSION_CHECK;
  ASSERT_TRUE(NextCycle());
  EXPECT_EQ(IniGetKeys(NULL, "Banner", kept, sizeof kept), n);
  EXPECT_EQ(memcmp(keys, kept, n), 0);
}

// A reply is read for the source its request was built for, and the pause after a detail page ends
// whatever the source is by then: changing the source mid-cycle neither loses the reply nor leaves
// the cycle busy.
TEST_F(Road, SourceChangedDuringACycleStillEndsIt) {
  long long ibm = AddStock("IBM", 0), msft = AddStock("MSFT", 0);
  AddStock("XOM", 0);  // two symbols for the CSV batch: row 0 is not added to it
  nQuoteSource = SRC_PC_QUOTE;
  Open(true, {"--fault", "/stocks/detailquote.php=delay=1.5"});
  ASSERT_TRUE(PumpUntil([] { return Status() == "Checking IBM"; }, 5000));
  nQuoteSource = SRC_YAHOO;  // while the detail page is on its way
  ASSERT_TRUE(PumpUntil([] { return bNetworkBusy == 0; }, 15000));
  auto log = stand.Requests(2);
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0].query, "ticker=IBM");
  EXPECT_EQ(log[1].path, "/d/quotes.csv");
  EXPECT_TRUE(Quoted(ibm) && Quoted(msft));
}

// Dialogs reload the list while a cycle runs, and the network thread builds its requests from the
// same connection meanwhile: every row is still asked for exactly once.
TEST_F(Road, ListReloadsDuringACycleAskForEveryRowOnce) {
  char sym[8];
  for (int i = 0; i < 200; ++i) {
    snprintf(sym, sizeof sym, "R%03d", i);
    AddStock(sym, 0);
  }
  Open(true, {"--fault", "/d/quotes.csv=delay=0.1"});
  int reloads = 0;
  DWORD last = 0;
  auto reloading = [&](int busy) {
    if (GetTickCount() - last > 20) ReloadStockList(hListView), ++reloads, last = GetTickCount();
    return bNetworkBusy == busy;
  };
  ASSERT_TRUE(PumpUntil([&] { return reloading(1); }, 5000));
  ASSERT_TRUE(PumpUntil([&] { return reloading(0); }, 30000));
  EXPECT_GT(reloads, 10);
  std::map<std::string, int> asked;
  for (const auto& r : stand.Requests()) {
    std::istringstream list(r.query.substr(2, r.query.find("&f=") - 2));
    for (std::string s; std::getline(list, s, '+');) ++asked[s];
  }
  EXPECT_EQ(asked.size(), 200u);
  for (const auto& a : asked) EXPECT_EQ(a.second, 1) << a.first;
  EXPECT_EQ(CountQuotes(), 200);
}

static DWORD WINAPI EndAtOnce(LPVOID) { return 0; }

TEST(RoadBuffer, RepliesStopAt16MiBAndAFetchNobodyTakesStartsNothing) {
  // Read chunk by chunk, a reply up to the limit is moved a bounded number of times (its cost stays
  // linear); one that announced its length is allocated once.
  FreeNetworkBuffer();
  std::string chunk(8191, 'a');
  int grown = 0;
  for (DWORD size = 0; dwNetworkBufferRead + chunk.size() <= NETWORK_REPLY_LIMIT; size = dwNetworkBufferSize) {
    ASSERT_TRUE(AppendNetworkBuffer(chunk.data(), (DWORD)chunk.size()));
    grown += dwNetworkBufferSize != size;
    ASSERT_GE(dwNetworkBufferSize, dwNetworkBufferRead + 10);
  }
  EXPECT_LE(grown, 24);
  FreeNetworkBuffer();
  ReserveNetworkBuffer(1000000);
  DWORD reserved = dwNetworkBufferSize;
  while (dwNetworkBufferRead + chunk.size() <= 1000000) AppendNetworkBuffer(chunk.data(), (DWORD)chunk.size());
  EXPECT_EQ(dwNetworkBufferSize, reserved);
  FreeNetworkBuffer();

  std::string half(NETWORK_REPLY_LIMIT / 2, 'a');
  EXPECT_TRUE(AppendNetworkBuffer(half.data(), (DWORD)half.size()));
  EXPECT_TRUE(AppendNetworkBuffer(half.data(), (DWORD)half.size() - 1));
  EXPECT_FALSE(AppendNetworkBuffer("bc", 2));
  EXPECT_EQ(dwNetworkBufferRead, (DWORD)NETWORK_REPLY_LIMIT);
  EXPECT_EQ(std::string(pNetworkBuffer + NETWORK_REPLY_LIMIT - 1, 2), std::string("b\0", 2));
  FreeNetworkBuffer();

  hInternet = (HINTERNET)1;  // the WinINet road, but no thread takes the fetch
  HANDLE ended = CreateThread(NULL, 0, EndAtOnce, NULL, 0, &dwNetworkThreadId);
  WaitForSingleObject(ended, 5000);
  CloseHandle(ended);
  nNetworkState = STA_QUOTE_CHECK;
  RunNextNetworkCommand(NULL);
  EXPECT_EQ(bNetworkBusy, 0);
  hInternet = NULL;

  // Raw targets: a proxy name too long for a host and a name that only begins like an address
  // are no place to connect to.
  bUseProxy = 1;
  snprintf(szProxy, sizeof szProxy, "%s", std::string(300, 'a').c_str());
  EXPECT_EQ(SocketConnect(NULL, "127.0.0.1", 80), INVALID_SOCKET);
  bUseProxy = 0;
  SetStatusText(NULL, "", 0);
  EXPECT_EQ(SocketConnect(NULL, "3com.example", 80), INVALID_SOCKET);
  EXPECT_EQ(Status(), "");  // looked up and not found; no connect to 255.255.255.255 was tried
}
