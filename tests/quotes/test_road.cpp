// Whole quote cycles on both roads against the stand-in: which requests go out, in what order and
// pace, what is stored, and how stalls, resets and refusals end.
#include <gtest/gtest.h>
#include <windows.h>
#include <wininet.h>
#include <stdio.h>

#include <string>

#include "app/options.h"
#include "app/status_strip.h"
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
    if (i > 0) EXPECT_GT(log[i].time - log[i - 1].end, 1.9) << rows[i];
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
    std::string sym = "U" + std::to_string(i);
    AddStock(sym.c_str(), 0);
    batch += (i > 1 ? "+" : "") + sym;
  }
  long long ibm = AddStock("IBM", 0);
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
    EXPECT_TRUE(LoadQuote(ibm, &rec)) << fault;
    EXPECT_EQ(stand.Requests().back().query, "s=IBM&d=t&o=t") << fault;
    for (auto& r : stand.Requests()) printf("DBG %s %s %d %.2f %.2f %s\n", r.path.c_str(), r.query.c_str(), r.status, r.time, r.end, r.error.c_str());
  }
}
