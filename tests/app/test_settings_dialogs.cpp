// The network, column and first-run dialogs, driven through their controls.
#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "app/columns.h"
#include "app/dialogs.h"
#include "app/main_settings.h"
#include "foundation/log.h"
#include "foundation/settings.h"
#include "quotes/network.h"
#include "quotes/sources.h"
#include "resources/resource.h"
#include "tests/app/dialog_driver.h"
#include "tests/store/test_support.h"

TEST(NetworkDialog, DelayAndTimeoutLimits) {
  struct Case {
    bool automatic, debug;
    const char *delay, *timeout;
    const char* refusal;  // message of the box, "" when accepted
    int savedDelay;
  } cases[] = {
      {true, false, "19", "40", "Query delay must be between 20 and 6000 seconds", 0},
      {true, false, "6001", "40", "Query delay must be between 20 and 6000 seconds", 0},
      {true, true, "19", "40", "", 19},
      {true, true, "9000", "40", "", 9000},
      {true, false, "20", "19", "Network timeout must be between 20 and 300 seconds", 0},
      {true, false, "6000", "301", "Network timeout must be between 20 and 300 seconds", 0},
      {true, false, "6000", "300", "", 6000},
      {true, false, "", "20", "", 0},    // nothing typed: no automatic updates, no message
      {true, false, "-5", "20", "", 0},  // a sign is not a number
      {false, false, "7", "20", "", 0},  // off: 0 whatever the field holds
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.delay) + " / " + c.timeout);
    FreshStore("netlimits", "[Options]\r\nDelay=120\r\nTimeout=45\r\nVersionCounter=2\r\n");
    bDebugLog = c.debug;
    nDelay = 120;
    nTimeout = 45;
    std::string refusal;
    std::vector<DialogStep> steps = {{"Network Settings", [&](HWND d) {
                                        if (Checked(d, IDC_NET_AUTOUPDATE) != c.automatic) Press(d, IDC_NET_AUTOUPDATE);
                                        SetText(d, IDC_NET_DELAY, c.delay);
                                        SetText(d, IDC_NET_TIMEOUT, c.timeout);
                                        Press(d, IDOK);
                                      }}};
    if (c.refusal[0]) {
      steps.push_back({"Error", [&](HWND box) {
                         refusal = MessageText(box);
                         Press(box, IDOK);
                       }});
      steps.push_back({"Network Settings", [](HWND d) { Press(d, IDCANCEL); }});
    }
    INT_PTR result = RunModal([] { return ShowNetworkDialog(NULL); }, steps);
    EXPECT_EQ(refusal, c.refusal);
    if (c.refusal[0]) {
      EXPECT_EQ(result, 0);
      EXPECT_EQ(nDelay, 120);
      EXPECT_EQ(IniText("Options", "Delay"), "120");
      EXPECT_EQ(IniText("Options", "VersionCounter"), "2");
    } else {
      EXPECT_EQ(result, 1);
      EXPECT_EQ(nDelay, c.savedDelay);
      EXPECT_EQ(IniGetInt(NULL, "Options", "Delay", -1), c.savedDelay);
      EXPECT_EQ(nTimeout, atoi(c.timeout));
      EXPECT_EQ(IniText("Options", "VersionCounter"), "0");
    }
  }
  bDebugLog = FALSE;
}

TEST(NetworkDialog, ShowsTheValuesInEffectAndSavesTheStartUpSettings) {
  // Read as at start-up; OK with nothing changed writes what the program runs with.
  struct Case {
    const char* ini;
    bool automatic;
    const char *delay, *timeout;
  } cases[] = {{"", true, "120", "45"}, {"[Options]\r\nDelay=-5\r\nTimeout=0\r\n", false, "0", "45"}};
  for (const Case& c : cases) {
    FreshStore("netshown", c.ini);
    ReadNetworkSettings(NULL);
    RunModal([] { return ShowNetworkDialog(NULL); }, {{"Network Settings", [&](HWND d) {
                                                         EXPECT_EQ(Checked(d, IDC_NET_AUTOUPDATE), c.automatic);
                                                         EXPECT_EQ(ItemText(d, IDC_NET_DELAY), c.delay);
                                                         EXPECT_EQ(ItemText(d, IDC_NET_TIMEOUT), c.timeout);
                                                         Press(d, IDOK);
                                                       }}});
    EXPECT_EQ(IniText("Options", "Delay"), c.delay) << c.ini;
    EXPECT_EQ(IniText("Options", "Timeout"), c.timeout) << c.ini;
  }

  FreshStore("netshow", "[Options]\r\nDelay=0\r\n");
  ReadNetworkSettings(NULL);
  bUseWinInet = 1;
  RunModal([] { return ShowNetworkDialog(NULL); },
           {{"Network Settings", [](HWND d) {
               EXPECT_EQ(ItemText(d, IDC_NET_TIMEOUT), "45");
               EXPECT_FALSE(IsWindowEnabled(GetDlgItem(d, IDC_NET_PROXY)));
               Press(d, IDC_NET_AUTOUPDATE);  // on: the delay 0 becomes the least one
               EXPECT_EQ(ItemText(d, IDC_NET_DELAY), "20");
               Press(d, IDC_NET_USEWININET);
               SetText(d, IDC_NET_PROXY, std::string(150, 'p'));
               Press(d, IDOK);
             }}});
  EXPECT_EQ(nDelay, 20);
  EXPECT_EQ(IniText("Options", "Proxy"), std::string(99, 'p'));
  EXPECT_EQ(IniText("Options", "UseWinInet"), "0");
  EXPECT_EQ(bUseWinInet, 0);
}

static std::vector<int> ShownIds() {
  std::vector<int> ids;
  for (int i = 0; i < MAX_LIST_COLUMNS && ColShown[i] >= 0; ++i) ids.push_back(ColShown[i]);
  return ids;
}

static int ListIndexOf(HWND d, int list, const char* title) {
  return (int)SendDlgItemMessageA(d, list, LB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)title);
}

TEST(ColumnsDialog, TickerStaysFirstAndMovesLandAfterTheSelection) {
  FreshStore("columns", "[Options]\r\nColShown=0,15,1\r\n");
  LoadColumnSettings(NULL);
  INT_PTR result = RunModal(
      [] { return ShowColumnsDialog(NULL); },
      {{"Display Settings", [](HWND d) {
          EXPECT_EQ(SendDlgItemMessageA(d, IDC_COL_AVAILABLE, LB_GETCOUNT, 0, 0), FIELD_ID_COUNT - 3);
          EXPECT_FALSE(IsWindowEnabled(GetDlgItem(d, IDC_COL_REMOVE)));
          // Ticker selected: neither a double click nor the (greyed) button removes it
          Notify(d, IDC_COL_SELECTED, LBN_DBLCLK);
          Notify(d, IDC_COL_REMOVE, BN_CLICKED);
          EXPECT_EQ(SendDlgItemMessageA(d, IDC_COL_SELECTED, LB_GETCOUNT, 0, 0), 3);
          // nothing selected on the right: the new column still goes after Ticker
          SendDlgItemMessageA(d, IDC_COL_SELECTED, LB_SETCURSEL, (WPARAM)-1, 0);
          SendDlgItemMessageA(d, IDC_COL_AVAILABLE, LB_SETCURSEL, ListIndexOf(d, IDC_COL_AVAILABLE, "Date"), 0);
          Press(d, IDC_COL_ADD);
          // then after the selected row (Date), not at the end
          SendDlgItemMessageA(d, IDC_COL_AVAILABLE, LB_SETCURSEL, ListIndexOf(d, IDC_COL_AVAILABLE, "Volume"), 0);
          Notify(d, IDC_COL_AVAILABLE, LBN_DBLCLK);
          EXPECT_TRUE(IsWindowEnabled(GetDlgItem(d, IDC_COL_REMOVE)));
          SendDlgItemMessageA(d, IDC_COL_SELECTED, LB_SETCURSEL, ListIndexOf(d, IDC_COL_SELECTED, "Full Name"), 0);
          Press(d, IDC_COL_REMOVE);
          EXPECT_GE(ListIndexOf(d, IDC_COL_AVAILABLE, "Full Name"), 0);
          // choosing Ticker greys "<<" once the posted update has run
          SendDlgItemMessageA(d, IDC_COL_SELECTED, LB_SETCURSEL, 0, 0);
          Notify(d, IDC_COL_SELECTED, LBN_SELCHANGE);
        }},
       {"Display Settings", [](HWND d) {
          EXPECT_FALSE(IsWindowEnabled(GetDlgItem(d, IDC_COL_REMOVE)));
          Press(d, IDOK);
        }}});
  EXPECT_EQ(result, 1);
  EXPECT_EQ(ShownIds(), (std::vector<int>{FLD_TICKER, FLD_DATE, FLD_VOLUME, FLD_PRICE}));

  RunModal([] { return ShowColumnsDialog(NULL); }, {{"Display Settings", [](HWND d) {
                                                      Press(d, IDC_COL_ADD);
                                                      SendMessageA(d, WM_CLOSE, 0, 0);
                                                    }}});
  EXPECT_EQ(ShownIds(), (std::vector<int>{FLD_TICKER, FLD_DATE, FLD_VOLUME, FLD_PRICE}));
}

TEST(FirstRunDialog, WritesTheCheckedMarketAlsoOnEscape) {
  struct Case {
    bool europe;
    int button;
    int source;
    std::vector<std::string> symbols;
  } cases[] = {
      {false, IDOK, SRC_YAHOO, {"IBM", "INTC", "MSFT", "^GSPTSE", "^DJI", "^GSPC", "^IXIC", "^NYA", "^XAX"}},
      {true, IDCANCEL, SRC_UK_YAHOO, {"TLD.CO", "NHY.OL", "BSCT.L", "12027.PA", "UNI.MI", "846900.FX", "UKX.L"}},
  };
  for (const Case& c : cases) {
    FreshStore("firstrun", "");
    nQuoteSource = -1;
    INT_PTR result = RunModal([] { return ShowFirstRunDialog(NULL); }, {{"First Time Options", [&](HWND d) {
                                                                           EXPECT_TRUE(Checked(d, IDC_FIRST_AMERICA));
                                                                           if (c.europe) Press(d, IDC_FIRST_EUROPE);
                                                                           Command(d, c.button);
                                                                         }}});
    EXPECT_EQ(result, 1);
    EXPECT_EQ(nQuoteSource, c.source);
    EXPECT_EQ(IniGetInt(NULL, "Options", "Source", -1), c.source);
    char keys[1000];
    DWORD n = IniGetKeys(NULL, "Stocks", keys, sizeof keys);
    std::vector<std::string> found;
    for (const char* k = keys; k < keys + n && *k; k += strlen(k) + 1) {
      found.push_back(k);
      EXPECT_EQ(IniText("Stocks", k), "0.0000,0.0000,0,0.0000,0.0000");
    }
    EXPECT_EQ(found, c.symbols);
  }
}
