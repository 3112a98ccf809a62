// Whole quote cycles on both roads against the stand-in: which requests go out, in what order and
// pace, what is stored, and how stalls, resets and refusals end.
#include <gtest/gtest.h>
#include <windows.h>
#include <winsock.h>
#include <wininet.h>
#include <stdio.h>

#include <set>
#include <string>

#include "app/handles.h"
#include "app/options.h"
#include "app/status_strip.h"
#include "banner/player.h"
#include "banner/schedule.h"
#include "foundation/settings.h"
#include "quotes/cycle.h"
#include "quotes/hosts.h"
#include "quotes/network.h"
#include "quotes/sources.h"
#include "resources/resource.h"
#include "road_harness.h"
#include "store/database.h"
#include "store/queue_record.h"

void ResetStocks();
long long AddStock(const char* symbol, int market);
bool LoadQuote(long long rowid, QueueRecord* rec);
int CountQuotes();

class Road : public ::testing::Test {
 protected:
  void SetUp() override {
    window = new RoadWindow(tickMs);
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
    delete window;
    ResetHostTable();
  }
  // Starts the stand-in and opens the road: WinINet with its thread, or raw sockets.
  void Open(bool winInet, const std::vector<std::string>& args = {}, bool tls = false) {
    ASSERT_TRUE(stand.Start(args, tls));
    stand.PointHostsHere();
    hInternet = winInet ? InternetOpenA("InetURL/1.0", INTERNET_OPEN_TYPE_PRECONFIG, NULL, NULL, 0) : NULL;
    if (winInet) {
      ASSERT_TRUE(hInternet && StartNetworkThread());
    }
  }
  std::string Status() {
    char text[STATUS_TEXT_SIZE];
    GetStatusText(text, sizeof text);
    return text;
  }
  UINT tickMs = 1000;
  RoadWindow* window = nullptr;
  StandIn stand;
};

TEST_F(Road, YahooCycleAsksThirtyThenFifteenThenTheIndexOverHttps) {
  char sym[8];
  for (int i = 0; i < 45; ++i) {
    snprintf(sym, sizeof sym, "S%02d", i);
    AddStock(sym, 0);
  }
  long long dji = AddStock("^DJI", 0);
  Open(true, {}, true);
  ASSERT_TRUE(RunCycle(20000));
  auto log = stand.Requests();
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(log[0].query.substr(0, 12), "s=S00+S01+S0");
  EXPECT_NE(log[0].query.find("+S29&f="), std::string::npos);
  EXPECT_EQ(log[1].query.substr(0, 12), "s=S30+S31+S3");
  EXPECT_NE(log[1].query.find("+S44&f="), std::string::npos);
  EXPECT_TRUE(log[2].https);
  EXPECT_NE(log[2].query.find("&symbols=^DJI&"), std::string::npos);
  EXPECT_EQ(CountQuotes(), 46);
  QueueRecord rec;
  ASSERT_TRUE(LoadQuote(dji, &rec));
  EXPECT_GT(rec.price, 30000.0);
  EXPECT_EQ(Status(), "Idle...");
  EXPECT_EQ(GetMenuState(GetMenu(window->hwnd), IDM_FULLEXPORT, MF_BYCOMMAND) & MF_GRAYED, 0u);
}

TEST_F(Road, EmptyIndexReplyLeavesTheNextCycleOnCsv) {
  nDelay = 0;  // the second cycle comes from "Update Now", without an idle tick between
  long long ibm = AddStock("IBM", 0);
  AddStock("^DJI", 0);
  Open(true, {"--fault", "/v7/finance/quote=empty"}, true);
  ASSERT_TRUE(RunCycle(15000));
  oDatabase.SQLCall("delete from quote");
  RequestUpdateNow();
  ASSERT_TRUE(RunCycle(15000));
  QueueRecord rec;
  ASSERT_TRUE(LoadQuote(ibm, &rec));
  EXPECT_GT(rec.price, 100.0);
  EXPECT_EQ(stand.Requests().size(), 4u);
}

TEST_F(Road, DetailPagesGoOneAtATimeThreeTicksApartAndAResetCostsOnlyItsRow) {
  stand.SetFixtures("{\"/stocks/detailquote.php?ticker=RESET\": {\"body\": \"x\", \"fault\": \"reset\"}}");
  const char* rows[] = {"IBM", "RESET", "MSFT", "F", "KO"};
  long long ids[5];
  for (int i = 0; i < 5; ++i) ids[i] = AddStock(rows[i], 0);
  nQuoteSource = SRC_PC_QUOTE;
  Open(true);
  ASSERT_TRUE(RunCycle(40000));
  auto log = stand.Requests();
  ASSERT_EQ(log.size(), 5u);
  for (size_t i = 0; i < log.size(); ++i) {
    EXPECT_EQ(log[i].query, std::string("ticker=") + rows[i]);
    EXPECT_TRUE(i == 0 || log[i].time - log[i - 1].end > 1.9) << rows[i];
  }
  for (int i = 0; i < 5; ++i) {
    QueueRecord rec;
    EXPECT_EQ(LoadQuote(ids[i], &rec), i != 1) << rows[i];
  }
  EXPECT_EQ(Status(), "Idle...");
}

// A server that stops sending, before its header or in the middle of the body, costs its request
// the Timeout and no more; the next batch follows.
TEST_F(Road, StalledDownloadsEndAtTheTimeout) {
  nQuoteSource = SRC_UK_YAHOO;
  nTimeout = 2;
  std::string batch;
  for (int i = 1; i <= 9; ++i) {
    std::string sym = "A" + std::to_string(i);  // ahead of XOM in every cycle's (sorted) order
    AddStock(sym.c_str(), 0);
    batch += (i > 1 ? "+" : "") + sym;
  }
  long long xom = AddStock("XOM", 0);
  const char* faults[] = {"stall=60", "chunks=2,gap=60"};
  for (const char* fault : faults) {
    stand.SetFixtures("{\"/q?s=" + batch + "&d=t&o=t\": {\"body\": \"" + std::string(20000, 'x') +
                      "\", \"fault\": \"" + fault + "\"}}");
    if (!stand.port) Open(true);
    oDatabase.SQLCall("delete from quote");
    RequestUpdateNow();
    DWORD start = GetTickCount();
    ASSERT_TRUE(RunCycle(20000)) << fault;
    double took = (GetTickCount() - start) / 1000.0;  // the stall, and up to a tick before the cycle
    EXPECT_GT(took, nTimeout - 0.5) << fault;
    EXPECT_LT(took, nTimeout + 6.0) << fault;
    QueueRecord rec;
    EXPECT_TRUE(LoadQuote(xom, &rec)) << fault;
    EXPECT_EQ(stand.Requests().back().query, "s=XOM&d=t&o=t") << fault;
  }
}

TEST_F(Road, RawRoadSendsEachSourcesRequestLines) {
  long long bce = AddStock("BCE", 1), ibm = AddStock("IBM", 0);  // in sorted order
  Open(false);
  const char* csv = "GET /d/quotes.csv?s=BCE.TO+IBM&f=sd1t1l1ohgvwdyrc1pjkn HTTP/1.0\r\n\r\n";
  struct {
    int source;
    std::vector<std::string> requests;
  } cases[] = {
      {SRC_PC_QUOTE,
       {"GET /stocks/detailquote.php?ticker=BCE.ca  HTTP/1.0\r\n\r\n",
        "GET /stocks/detailquote.php?ticker=IBM  HTTP/1.0\r\n\r\n"}},
      {SRC_UK_YAHOO, {"GET /q?s=BCE+IBM&d=t&o=t HTTP/1.0\r\n\r\nConnection: Keep-Alive\r\n"}},
      {SRC_TEXT_QUOTE, {"GET /cgi-bin/qso?tick=T.BCE\r\n", "GET /cgi-bin/qso?tick=IBM\r\n"}},
      {SRC_YAHOO, {csv}},
  };
  for (const auto& c : cases) {
    nQuoteSource = c.source;
    oDatabase.SQLCall("delete from quote");
    size_t before = stand.Requests().size();
    RequestUpdateNow();
    ASSERT_TRUE(RunCycle(15000)) << c.source;
    auto log = stand.WaitRequests(before + c.requests.size(), 3000);
    ASSERT_EQ(log.size(), before + c.requests.size()) << c.source;
    for (size_t i = 0; i < c.requests.size(); ++i)
      EXPECT_EQ(log[before + i].raw.substr(0, c.requests[i].size()), c.requests[i]) << c.source;
    QueueRecord rec;
    EXPECT_TRUE(LoadQuote(ibm, &rec)) << c.source;
    EXPECT_TRUE(LoadQuote(bce, &rec)) << c.source;
    EXPECT_EQ(Status(), "Idle...");
  }
}

// On the raw road a stalled server is left by the watchdog after Timeout ticks and the cycle goes
// on. A reset ends its request at once (Wine reports it as a plain close: an empty reply, and the
// cycle ends); a refused connection stops the cycle with its error.
TEST_F(Road, RawRoadFaultsEndTheRequestWithoutWaitingLonger) {
  stand.SetFixtures("{\"/stocks/detailquote.php?ticker=STALL\": {\"body\": \"x\", \"fault\": \"stall=60\"}}");
  AddStock("STALL", 0);
  long long msft = AddStock("MSFT", 0);
  nQuoteSource = SRC_PC_QUOTE;
  nTimeout = 2;
  Open(false, {"--fault", "/q=reset"});
  ASSERT_TRUE(RunCycle(15000));
  auto log = stand.WaitRequests(2, 3000);
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[1].query, "ticker=MSFT");
  EXPECT_LT(log[0].end - log[0].time, nTimeout + 1.5);
  QueueRecord rec;
  EXPECT_TRUE(LoadQuote(msft, &rec));

  nTimeout = 30;
  nQuoteSource = SRC_UK_YAHOO;
  SOCKET closed = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in any = {};
  any.sin_family = AF_INET;
  any.sin_addr.s_addr = inet_addr("127.0.0.1");
  int len = sizeof any;
  bind(closed, (sockaddr*)&any, sizeof any);
  getsockname(closed, (sockaddr*)&any, &len);
  closesocket(closed);  // nothing listens there now
  struct {
    std::string host, status;
  } cases[] = {{"127.0.0.1:" + std::to_string(stand.port), "Idle..."},
               {"127.0.0.1:" + std::to_string(ntohs(any.sin_port)), "WSAECONNREFUSED"}};
  for (const auto& c : cases) {
    SetHostEntry(HOST_UK_LIST, c.host.c_str());
    RequestUpdateNow();
    DWORD start = GetTickCount();
    ASSERT_TRUE(RunCycle(10000)) << c.status;
    EXPECT_LT(GetTickCount() - start, 3000u) << c.status;
    EXPECT_EQ(Status(), c.status);
    EXPECT_EQ(nNetworkState, STA_BANNER_GET);
  }
  // A late event of a socket that is gone changes nothing.
  SendMessageA(window->hwnd, WM_SOCKET_EVENT, (WPARAM)closed, FD_CLOSE);
  EXPECT_EQ(bNetworkBusy, 0);
  EXPECT_EQ(Status(), "WSAECONNREFUSED");
}

// Only a whole 2xx image becomes a banner file, on either road: a 404 page, a body shorter than its
// Content-Length and a reset leave no file behind.
TEST_F(Road, BannerDownloadsKeepOnlyWholeImages) {
  bShowBanner = 1;
  snprintf(szBannerDir, sizeof szBannerDir, "%s\\", stand.Dir().c_str());
  for (bool winInet : {true, false}) {
    IniPutString(NULL, "Banner", NULL, NULL);
    for (int i = 0; i < 4; ++i) {
      char key[16];
      snprintf(key, sizeof key, "tw%03d.png", i);
      IniPutString(NULL, "Banner", key, "1/15/25 12:00;0;http://x.example/;tip");
      DeleteFileA((stand.Dir() + "\\" + key).c_str());
    }
    LoadBannerSchedule(NULL);
    CurrentBanner = nBannerCycles = 0;
    nLastBannerDownload = -1;
    ShutdownNetwork();
    stand.Stop();
    Open(winInet, {"--fault", "/images/tw000.png=big,chunks=3", "--fault", "/images/tw001.png=404", "--fault",
                   "/images/tw002.png=cut=10", "--fault", "/images/tw003.png=reset"});
    for (int cycle = 0; cycle < 4; ++cycle) {
      RequestUpdateNow();
      ASSERT_TRUE(RunCycle(15000)) << winInet << cycle;
    }
    std::vector<StandInRequest> log;  // the raw road also connects for the quote step of an empty list
    for (const auto& r : stand.WaitRequests(winInet ? 4 : 8, 3000))
      if (r.path.rfind("/images/", 0) == 0) log.push_back(r);
    ASSERT_EQ(log.size(), 4u) << winInet;
    for (int i = 0; i < 4; ++i) {
      char path[32];
      snprintf(path, sizeof path, "/images/tw%03d.png", i);
      EXPECT_EQ(log[i].path, path);
      std::string file = ReadWholeFile(stand.Dir() + "\\" + (path + 8));
      EXPECT_EQ(file.size(), i == 0 ? 200u * 1024 : 0u) << winInet << path;
    }
    std::string raw = "GET http://127.0.0.1:" + std::to_string(stand.port) +
                      "/images/tw000.png HTTP/1.0\r\nAccept: image/png; image/mng; */*\r\n\r\n";
    EXPECT_TRUE(winInet || log[0].raw == raw) << log[0].raw;
    EXPECT_EQ(ReadWholeFile(stand.Dir() + "\\tw000.png").substr(0, 4), "\x89PNG");
    CurrentBanner = 0;
    EXPECT_EQ(BannerFileIsCurrent(NULL), 1) << winInet;
    MngStopBanner();  // the player shows the saved image and holds its file
    DeleteFileA((stand.Dir() + "\\tw000.png").c_str());
  }
  IniPutString(NULL, "Banner", NULL, NULL);
}

// The version text is fetched on the first cycle of every third start.
TEST_F(Road, VersionCheckRunsOnTheFirstStartAndEveryThirdAfter) {
  bAutoVersion = 1;
  Open(true);
  struct {
    const char* stored;
    bool check;
    const char* after;
  } starts[] = {{"0", true, "3"}, {"3", false, "2"}, {"2", false, "1"}, {"1", true, "3"}};
  for (const auto& s : starts) {
    IniPutString(NULL, "Options", "VersionCounter", s.stored);
    nVersionCounter = atoi(s.stored) > 0 ? atoi(s.stored) - 1 : 0;  // as the main window reads it
    nNetworkState = STA_VERSION_CHECK;
    size_t before = stand.Requests().size();
    RequestUpdateNow();
    ASSERT_TRUE(RunCycle(15000));
    auto log = stand.WaitRequests(before + 2, 2000);
    bool checked = log.size() > before && log[before].path == "/pages/tarnwick_version_text.html";
    EXPECT_EQ(checked, s.check) << s.stored;
    char after[8];
    IniGetString(NULL, "Options", "VersionCounter", after, sizeof after, "");
    EXPECT_STREQ(after, s.after);
  }
}

// A reply is read for the source its request was built for, and the pause after a detail page ends
// whatever the source is by then: changing the source mid-cycle neither loses the reply nor leaves
// the cycle busy.
TEST_F(Road, SourceChangedDuringACycleStillEndsIt) {
  long long ibm = AddStock("IBM", 0), msft = AddStock("MSFT", 0);
  nQuoteSource = SRC_PC_QUOTE;
  Open(true, {"--fault", "/stocks/detailquote.php=delay=1.5"});
  ASSERT_TRUE(PumpUntil([this] { return Status() == "Checking IBM"; }, 5000));
  nQuoteSource = SRC_YAHOO;  // while the detail page is on its way
  ASSERT_TRUE(PumpUntil([] { return bNetworkBusy == 0; }, 15000));
  auto log = stand.Requests();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0].query, "ticker=IBM");
  EXPECT_EQ(log[1].path, "/d/quotes.csv");
  QueueRecord rec;
  EXPECT_TRUE(LoadQuote(ibm, &rec));
  EXPECT_TRUE(LoadQuote(msft, &rec));
}

// Dialogs reload the list while a cycle runs; the network thread builds requests from the same
// connection meanwhile. Every row is still asked for exactly once.
TEST_F(Road, ListReloadsDuringACycleAskForEveryRowOnce) {
  std::set<std::string> rows;
  char sym[8];
  for (int i = 0; i < 200; ++i) {
    snprintf(sym, sizeof sym, "R%03d", i);
    AddStock(sym, 0);
    rows.insert(sym);
  }
  Open(true, {"--fault", "/d/quotes.csv=delay=0.1"});
  int reloads = 0;
  DWORD last = 0;
  auto reloadOften = [&] {
    if (GetTickCount() - last > 20) {
      ReloadStockList(hListView);
      ++reloads;
      last = GetTickCount();
    }
  };
  ASSERT_TRUE(PumpUntil([&] { return reloadOften(), bNetworkBusy != 0; }, 5000));
  ASSERT_TRUE(PumpUntil([&] { return reloadOften(), bNetworkBusy == 0; }, 30000));
  EXPECT_GT(reloads, 10);
  std::multiset<std::string> asked;
  for (const auto& r : stand.Requests()) {
    std::string list = r.query.substr(2, r.query.find("&f=") - 2);
    for (size_t at = 0; at <= list.size();) {
      size_t plus = list.find('+', at);
      if (plus == std::string::npos) plus = list.size();
      asked.insert(list.substr(at, plus - at));
      at = plus + 1;
    }
  }
  EXPECT_EQ(asked, std::multiset<std::string>(rows.begin(), rows.end()));
  EXPECT_EQ(CountQuotes(), 200);
}

static DWORD WINAPI EndAtOnce(LPVOID) { return 0; }

TEST(RoadBuffer, RepliesStopAt16MiBAndAFetchNobodyTakesStartsNothing) {
  FreeNetworkBuffer();
  std::string half(NETWORK_REPLY_LIMIT / 2, 'a');
  EXPECT_TRUE(AppendNetworkBuffer(half.data(), (DWORD)half.size()));
  EXPECT_TRUE(AppendNetworkBuffer(half.data(), (DWORD)half.size() - 1));
  EXPECT_FALSE(AppendNetworkBuffer("bc", 2));
  EXPECT_EQ(dwNetworkBufferRead, (DWORD)NETWORK_REPLY_LIMIT);
  EXPECT_EQ(pNetworkBuffer[NETWORK_REPLY_LIMIT - 1], 'b');
  EXPECT_EQ(pNetworkBuffer[NETWORK_REPLY_LIMIT], '\0');
  FreeNetworkBuffer();

  hInternet = (HINTERNET)1;  // the WinINet road, but no thread takes the fetch
  HANDLE gone = CreateThread(NULL, 0, EndAtOnce, NULL, 0, &dwNetworkThreadId);
  WaitForSingleObject(gone, 5000);
  CloseHandle(gone);
  nNetworkState = STA_QUOTE_CHECK;
  nQuoteSource = SRC_YAHOO;
  RunNextNetworkCommand(NULL);
  EXPECT_EQ(bNetworkBusy, 0);
  hInternet = NULL;
}
