// The command line's debug switch and settings file, and the clamps on the settings the main window
// reads once.
#include <gtest/gtest.h>
#include <windows.h>
#include <string.h>
#include <string>

#include "app/columns.h"
#include "app/main_settings.h"
#include "app/options.h"
#include "app/startup.h"
#include "foundation/log.h"
#include "foundation/quote_text.h"
#include "foundation/settings.h"
#include "quotes/network.h"
#include "quotes/sources.h"
#include "store/store_quote.h"
#include "tests/store/test_support.h"

TEST(CommandLine, DebugSwitchIsAWholeWordOutsideQuotes) {
  struct { const char* line; bool debug; const char* ini; } rows[] = {
      {"-d", true, NULL},
      {"-D c:\\Data\\T.ini", true, "c:\\Data\\T.ini"},  // the path keeps its letter case
      {"c:\\t.ini -d", true, "c:\\t.ini"},
      {"c:\\my-data\\t.ini", false, "c:\\my-data\\t.ini"},
      {"c:\\my-data\\t.ini -d", true, "c:\\my-data\\t.ini"},
      {"\"c:\\x -d y\\t.ini\"", false, "c:\\x -d y\\t.ini"},  // inside quotes it is part of the path
      {"-dx.ini", false, "-dx.ini"},
      {"\t-d\tone.ini two.ini", true, "one.ini"},
      {"-d -d", true, "-d"},  // only the first is the switch
  };
  for (auto& r : rows) {
    bDebugLog = 0;
    strcpy(szIniPath, "unset");
    bIniReady = bRegistryReady = FALSE;
    EXPECT_TRUE(ApplyCommandLine(r.line));
    EXPECT_EQ(bDebugLog != 0, r.debug) << r.line;
    EXPECT_STREQ(szIniPath, r.ini ? r.ini : "unset") << r.line;
  }
  bDebugLog = 0;
}

TEST(SettingsFile, ValuesOutsideTheirRangeReadAsDefaults) {
  struct { const char* text; int delay, timeout, port, direction; short places; } rows[] = {
      {"", 120, 45, 80, 0, 3},
      {"Delay=-5\r\nTimeout=0\r\nProxyPort=0\r\nSortDirection=-1\r\nDecimalPlaces=8\r\n", 0, 45, 80, 0, 3},
      {"Delay=0\r\nTimeout=86401\r\nProxyPort=65536\r\nSortDirection=7\r\nDecimalPlaces=-1\r\n", 0, 45, 80, 1, 3},
      {"Delay=30\r\nTimeout=86400\r\nProxyPort=65535\r\nSortDirection=1\r\nDecimalPlaces=7\r\n", 30, 86400, 65535, 1, 7},
      {"Timeout=1\r\nProxyPort=1\r\nDecimalPlaces=0\r\n", 120, 1, 1, 0, 0},
      {"Timeout=4294967\r\n", 120, 45, 80, 0, 3},  // times 1000 would wrap around
  };
  for (auto& r : rows) {
    FreshStore("ranges", std::string("[Options]\r\n") + r.text);
    ReadSortSettings(NULL);
    ReadNetworkSettings(NULL);
    ReadNumberSettings(NULL);
    EXPECT_EQ(nDelay, r.delay) << r.text;
    EXPECT_EQ(nTimeout, r.timeout) << r.text;
    EXPECT_EQ(ReadTimeoutSetting(NULL), r.timeout) << r.text;
    EXPECT_EQ(nProxyPort, r.port) << r.text;
    EXPECT_EQ(nSortDirection, r.direction) << r.text;
    EXPECT_EQ(nDecimalPlaces, r.places) << r.text;
  }
}

TEST(SettingsFile, TextsAreCutAndUnreadableNumbersTakeTheirDefaults) {
  FreshStore("texts", "[Options]\r\nProxy=" + std::string(400, 'p') + "\r\nCash=lots\r\nAltColor=zz\r\n"
      "[Files]\r\nDelimiter=COMMA\r\n");
  dCash = 99.5;  // left from an earlier read
  crAltColor = 0x123456;
  ReadNetworkSettings(NULL);
  ReadPortfolioSettings(NULL);
  ReadAltColorSetting(NULL);
  ReadDelimiterSetting(NULL);
  EXPECT_EQ(strlen(szProxy), 259u);
  EXPECT_TRUE(bUseProxy);
  EXPECT_EQ(dCash, 0.0);
  EXPECT_EQ(crAltColor, (COLORREF)0xF8F8F8);
  EXPECT_STREQ(szDelimiter, ",");

  FreshStore("colour", "[Options]\r\nAltColor=E0F0FF\r\nVersionCounter=2\r\n[Files]\r\nDelimiter=comma\r\n");
  ReadAltColorSetting(NULL);
  ReadDelimiterSetting(NULL);
  ReadVersionSettings(NULL);
  EXPECT_EQ(crAltColor, (COLORREF)0xE0F0FF);
  EXPECT_STREQ(szDelimiter, "comma");  // only the exact word is translated
  EXPECT_EQ(nVersionCounter, 1);       // lowered in memory only
}

TEST(SettingsFile, UpgradeAddsIndexesOnceForTheYahooSource) {
  struct { int source; const char* nya; } rows[] = {{SRC_YAHOO, "0.0000,0.0000,0,0.0000,0.0000"}, {SRC_UK_YAHOO, ""}};
  for (auto& r : rows) {
    FreshStore("upgrade", "[Options]\r\nUpgradeChange=1\r\n[Markets]\r\nNYSE=1\r\nDJIA=0\r\n");
    nQuoteSource = r.source;
    UpgradeSettings(NULL);
    char value[64];
    IniGetString(NULL, "Stocks", "^NYA", value, sizeof value, "");
    EXPECT_STREQ(value, r.nya);
    IniGetString(NULL, "Stocks", "^DJI", value, sizeof value, "");
    EXPECT_STREQ(value, "");
    EXPECT_EQ(IniGetInt(NULL, "Options", "UpgradeChange", 0), 2);
    EXPECT_EQ(IniGetInt(NULL, "Markets", "NYSE", 9), r.source == SRC_YAHOO ? 0 : 1);
  }
  // Done once: a later NYSE=1 is left alone.
  IniPutString(NULL, "Markets", "NYSE", "1");
  nQuoteSource = SRC_YAHOO;
  UpgradeSettings(NULL);
  EXPECT_EQ(IniGetInt(NULL, "Markets", "NYSE", 0), 1);
}
