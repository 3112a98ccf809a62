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
