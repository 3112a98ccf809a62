// Which rows go into each request, and the exact addresses and raw request bytes.
#include <gtest/gtest.h>
#include <stdio.h>
#include <string>

#include "app/status_strip.h"
#include "foundation/settings.h"
#include "banner/schedule.h"
#include "quotes/cycle.h"
#include "quotes/hosts.h"
#include "quotes/request.h"
#include "quotes/sources.h"

void ResetStocks();
long long AddStock(const char* symbol, int market);

static std::string Url() {
  char url[URL_SIZE];
  memset(url, 'x', sizeof url);
  int r = BuildRequestUrl(url);
  EXPECT_EQ(r, url[0] != '\0');
  return url;
}

static std::string Raw(int useProxy) {
  char req[RAW_REQUEST_SIZE];
  int n = BuildRawRequest(req, sizeof req, useProxy);
  EXPECT_EQ((size_t)n, strlen(req));
  return req;
}

static std::string Csv(const char* list) {
  return std::string("http://csv.quotes.example/d/quotes.csv?s=") + list + "&f=sd1t1l1ohgvwdyrc1pjkn";
}

class Request : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetHostTable();
    ResetStocks();
    nQuoteSource = SRC_YAHOO;
  }
};

TEST_F(Request, YahooDivertsIndexSymbolsToOneJsonRequestAfterTheCsvBatches) {
  AddStock("IBM", 0);
  AddStock("^DJI", 0);
  AddStock("BCE", 1);
  AddStock("^dji", 0);
  EXPECT_EQ(Url(), Csv("IBM+BCE.TO"));
  EXPECT_STREQ(szSymbolList, "IBM+BCE.TO");
  EXPECT_STREQ(szYahooExtraCallQuery, "^DJI");  // the lower-case repeat is not added again
  EXPECT_EQ(bYahooExtraPending, 1);
  std::string json = Url();
  EXPECT_EQ(json.rfind("https://json.quotes.example/v7/finance/quote?lang=en-US&region=US&corsDomain="
                       "csv.quotes.example&fields=symbol,longName,shortName,",
                       0),
            0u)
      << json;
  EXPECT_NE(json.find(",sparkline,marketCap&symbols=^DJI&formatted=false"), std::string::npos) << json;
  EXPECT_EQ(bYahooCsvExpected, 0);
  EXPECT_EQ(bYahooExtraPending, 0);
  char status[STATUS_TEXT_SIZE];
  GetStatusText(status, sizeof status);
  EXPECT_STREQ(status, "Checking ^DJI");
  EXPECT_EQ(Url(), "");
}

TEST_F(Request, YahooBatchesOfThirtyAndASingleSymbolGetsRowZeroWithItsSuffix) {
  char sym[16];
  std::string first = "S00.TO", second;
  for (int i = 0; i < 45; ++i) {
    snprintf(sym, sizeof sym, "S%02d", i);
    AddStock(sym, i == 0 ? 1 : 0);
    if (i > 0 && i < 30) first += std::string("+") + sym;
    if (i >= 30) second += std::string(i > 30 ? "+" : "") + sym;
  }
  EXPECT_EQ(Url(), Csv(first.c_str()));
  EXPECT_EQ(nNextItem, 30);
  EXPECT_EQ(Url(), Csv(second.c_str()));
  EXPECT_EQ(Url(), "");

  // 31 rows: the lone 31st symbol is sent with row 0 as listed on its market.
  ResetStocks();
  for (int i = 0; i < 31; ++i) {
    snprintf(sym, sizeof sym, "S%02d", i);
    AddStock(sym, i == 0 ? 1 : 0);
  }
  Url();
  EXPECT_EQ(Url(), Csv("S30+S00.TO"));

  ResetStocks();
  AddStock("BCE", 1);
  EXPECT_EQ(Url(), Csv("BCE.TO+BCE.TO"));
  ResetStocks();
  AddStock("ibm", 0);
  EXPECT_EQ(Url(), Csv("IBM+IBM"));
}

TEST_F(Request, YahooBatchEndsBeforeTheListWouldOverflowAndUnknownMarketsCountAsUs) {
  std::string longSym(29, 'L');
  for (int i = 0; i < 20; ++i) {
    longSym[27] = (char)('A' + i);
    AddStock(longSym.c_str(), 1);
  }
  AddStock("ODD", 9);
  std::string url = Url();
  EXPECT_EQ(strlen(szSymbolList), 15u * 32 + 14);  // 15 symbols of 32 characters and 14 '+'
  EXPECT_EQ(nNextItem, 15);                         // the 16th row did not fit and was not consumed
  Url();
  EXPECT_EQ(nNextItem, 21);
  EXPECT_NE(std::string(szSymbolList).find("+ODD"), std::string::npos) << szSymbolList;
  EXPECT_EQ(std::string(szSymbolList).find("ODD."), std::string::npos) << szSymbolList;
}

TEST_F(Request, OneSymbolSourcesAndTheUkListTakeMarketPrefixAndCaSuffix) {
  AddStock("ABC", 3);
  AddStock("BCE", 1);
  nQuoteSource = SRC_TEXT_QUOTE;
  EXPECT_EQ(Url(), "http://text.quotes.example/cgi-bin/qso?tick=V.ABC");
  EXPECT_STREQ(szSymbolList, "ABC");
  nQuoteSource = SRC_PC_QUOTE;
  EXPECT_EQ(Url(), "http://detail.quotes.example/stocks/detailquote.php?ticker=BCE.ca");
  EXPECT_EQ(Url(), "");

  ResetStocks();
  nQuoteSource = SRC_UK_YAHOO;
  for (int i = 0; i < 11; ++i) AddStock(("U" + std::to_string(i)).c_str(), i % 2);
  EXPECT_EQ(Url(), "http://uk.quotes.example/q?s=U0+U1+U2+U3+U4+U5+U6+U7+U8&d=t&o=t");
  EXPECT_EQ(Url(), "http://uk.quotes.example/q?s=U9+U10&d=t&o=t");
}

TEST_F(Request, VersionAndBannerAddressesFollowTheHostTable) {
  ASSERT_TRUE(SetHostEntry(HOST_MAKER, "127.0.0.1:8123"));
  nNetworkState = STA_VERSION_CHECK;
  EXPECT_EQ(Url(), "http://127.0.0.1:8123/pages/tarnwick_version_text.html");
  EXPECT_EQ(Raw(0), "GET http://127.0.0.1:8123/pages/tarnwick_version_text.html HTTP/1.0\r\n\r\n");
  nNetworkState = STA_BANNER_GET;
  strcpy(szBannerUrl, "http://127.0.0.1:8123/images/tw001.png");
  EXPECT_EQ(Url(), szBannerUrl);
  nNetworkState = 14;
  EXPECT_EQ(Url(), "");
  szBannerUrl[0] = '\0';
}

TEST_F(Request, RawRequestBytesWithAndWithoutProxy) {
  AddStock("IBM", 0);
  AddStock("ABC", 3);
  nQuoteSource = SRC_PC_QUOTE;
  EXPECT_EQ(Raw(0), "GET /stocks/detailquote.php?ticker=IBM  HTTP/1.0\r\n\r\n");
  nNextItem = 0;
  EXPECT_EQ(Raw(1), "GET http://detail.quotes.example/stocks/detailquote.php?ticker=IBM  HTTP/1.0\r\n\r\n");
  nQuoteSource = SRC_TEXT_QUOTE;
  EXPECT_EQ(Raw(0), "GET /cgi-bin/qso?tick=V.ABC\r\n");
  EXPECT_EQ(Raw(0), "");
  ASSERT_TRUE(SetHostEntry(HOST_DETAIL_PAGE, "localhost:8080"));
  nQuoteSource = SRC_UK_YAHOO;
  nNextItem = 0;
  EXPECT_EQ(Raw(1),
            "GET http://uk.quotes.example/q?s=IBM+ABC&d=t&o=t HTTP/1.0\r\n\r\nConnection: Keep-Alive\r\n"
            "User-Agent: Mozilla/3.0 (WinNT; I)\r\nHost: localhost:8080\r\n"
            "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*\r\n");
  nQuoteSource = SRC_YAHOO;
  nNextItem = 0;
  EXPECT_EQ(Raw(0), "GET /d/quotes.csv?s=IBM+ABC.V&f=sd1t1l1ohgvwdyrc1pjkn HTTP/1.0\r\n\r\n");
}

TEST(Hosts, ValuesAreHostOrHostAndPortAndMalformedOnesAreRefused) {
  ResetHostTable();
  EXPECT_TRUE(SetHostEntry(HOST_YAHOO, " localhost:8443 "));
  EXPECT_STREQ(SourceHost[HOST_YAHOO], "localhost");
  EXPECT_EQ(SourcePort[HOST_YAHOO], 8443);
  EXPECT_STREQ(SourceUrlPrefix[HOST_YAHOO], "http://localhost:8443");
  EXPECT_EQ(SourcePort[HOST_YAHOO_JSON], 443);
  EXPECT_EQ(SourcePort[HOST_UK_LIST], 80);
  const char* bad[] = {"", ":80", "host:", "host:0", "host:65536", "host:8x", "a b", "h/p", "h:1:2", "x\r\nHost: y"};
  for (const char* b : bad) EXPECT_FALSE(SetHostEntry(HOST_YAHOO, b)) << b;
  EXPECT_STREQ(SourceHostPort[HOST_YAHOO], "localhost:8443");
  EXPECT_FALSE(SetHostEntry(HOST_COUNT, "x"));
  ResetHostTable();
  EXPECT_STREQ(SourceUrlPrefix[HOST_YAHOO], "http://csv.quotes.example");
  IniPutString(NULL, "Hosts", "Maker", "127.0.0.1:9");
  IniPutString(NULL, "Hosts", "Chart", "bad host");
  LoadHostTable(NULL);
  EXPECT_STREQ(SourceUrlPrefix[HOST_MAKER], "http://127.0.0.1:9");
  EXPECT_STREQ(SourceHost[HOST_CHART], "chart.example");
  IniPutString(NULL, "Hosts", NULL, NULL);
  ResetHostTable();
}
