// Alarms and net worth against a real database, and the tray icon on a real hidden window.
#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>

#include <string>

#include "app/alarms.h"
#include "app/handles.h"
#include "app/options.h"
#include "store/database.h"
#include "store/schema.h"
#include "store/stocks.h"
#include "tests/store/test_support.h"

namespace {

const long long kBigPortfolio = 5000000000LL;  // beyond 32 bits

// Portfolio kBigPortfolio with the given stock and today's quote rows, plus a stock of another
// portfolio beyond its limit; the database left open.
void Store(const char* tag, const char* rows) {
  FreshStore(tag, "");
  CreateOrUpgradeSchema();
  ASSERT_TRUE(oDatabase.OpenDatabase());
  std::string sql = "insert into portfolio (rowid, name) values (" + std::to_string(kBigPortfolio) +
                    ", 'Stocks'), (7, 'Other');"
                    "insert into stock (rowid, portfolio_rowid, symbol, shares_owned) values (90, 7, 'OTHER', 1000);"
                    "insert into quote (stock_rowid, create_date, quote_status, price) "
                    "values (90, date('now', 'localtime'), 3, 50);";
  sql += rows;
  ASSERT_EQ(sqlite3_exec(oDatabase.hDb, sql.c_str(), NULL, NULL, NULL), SQLITE_OK) << sql;
  nPortfolioRowid = kBigPortfolio;
}

std::string Stock(int rowid, const char* shares, const char* option) {
  return "insert into stock (rowid, portfolio_rowid, symbol, shares_owned, option_price) values (" +
         std::to_string(rowid) + ", " + std::to_string(kBigPortfolio) + ", 'S" + std::to_string(rowid) + "', " +
         shares + ", " + option + ");";
}

std::string Quote(int rowid, int status, const char* price, const char* day = "date('now', 'localtime')") {
  return "insert into quote (stock_rowid, create_date, quote_status, price) values (" + std::to_string(rowid) +
         ", " + day + ", " + std::to_string(status) + ", " + price + ");";
}

struct MainWindow {
  HWND hwnd;
  MainWindow() {
    hwnd = CreateWindowA("STATIC", "main", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, NULL, NULL, NULL, NULL);
    hMainWnd = hwnd;
    ShowWindow(hwnd, SW_MINIMIZE);
  }
  ~MainWindow() {
    DestroyWindow(hwnd);
    hMainWnd = NULL;
  }
};

TEST(Alarms, RaiseTheWindowOnlyForTodaysLimitsInThisPortfolio) {
  bAlarmToTop = TRUE;
  bAlarmBeep = FALSE;
  szAlarmSound[0] = '\0';
  struct Case {
    const char* name;
    std::string rows;
    bool raised;
  } cases[] = {
      {"above", Stock(1, "0", "null") + Quote(1, 3, "10"), true},
      {"below", Stock(1, "0", "null") + Quote(1, 4, "10"), true},
      {"two", Stock(1, "0", "null") + Stock(2, "0", "null") + Quote(1, 3, "10") + Quote(2, 4, "1"), true},
      {"up", Stock(1, "0", "null") + Quote(1, 5, "10"), false},
      {"yesterday", Stock(1, "0", "null") + Quote(1, 3, "10", "date('now', 'localtime', '-1 day')"), false},
      {"none", "", false},  // only the other portfolio's stock is beyond its limit
  };
  for (const Case& c : cases) {
    Store(c.name, c.rows.c_str());
    MainWindow main;
    ASSERT_TRUE(IsIconic(main.hwnd));
    CheckAlarms(main.hwnd);
    EXPECT_EQ(!IsIconic(main.hwnd), c.raised) << c.name;
  }
  // A sound file that cannot be played, and no database at all: nothing breaks.
  Store("sound", (Stock(1, "0", "null") + Quote(1, 3, "10")).c_str());
  snprintf(szAlarmSound, sizeof szAlarmSound, "%s\\missing.wav", gTestDir.c_str());
  MainWindow main;
  CheckAlarms(main.hwnd);
  EXPECT_FALSE(IsIconic(main.hwnd));
  oDatabase.Close();
  ShowWindow(main.hwnd, SW_MINIMIZE);
  CheckAlarms(main.hwnd);
  EXPECT_TRUE(IsIconic(main.hwnd));
  szAlarmSound[0] = '\0';
}

TEST(NetWorth, HoldingsAtTodaysPricesPlusCash) {
  dCash = 100.0;
  std::string rows = Stock(1, "10", "null") + Quote(1, 5, "5") +          // 50
                     Stock(2, "4", "1.5") + Quote(2, 6, "3") +            // 4 x (3 - 1.5) = 6
                     Stock(3, "0", "null") + Quote(3, 5, "1000") +        // no shares
                     Stock(4, "-5", "null") + Quote(4, 5, "1000") +       // negative shares
                     Stock(5, "10", "null") + Quote(5, 7, "-16384") +     // no price
                     Stock(6, "10", "null") + Quote(6, 5, "1000", "date('now', 'localtime', '-1 day')");
  Store("networth", rows.c_str());
  UpdateMyNetWorth();
  EXPECT_DOUBLE_EQ(dNetWorth, 156.0);

  Store("cashonly", "");
  UpdateMyNetWorth();
  EXPECT_DOUBLE_EQ(dNetWorth, 100.0);

  // A query that cannot run keeps the last value (never cash - 1).
  dCash = 5.0;
  oDatabase.Close();
  UpdateMyNetWorth();
  EXPECT_DOUBLE_EQ(dNetWorth, 100.0);
  dCash = 0.0;
}

// What the shell would see of our icon: whether changing it succeeds.
BOOL IconPresent(HWND tray) { return UpdateTrayIcon(tray, 0, "probe"); }

TEST(TrayIcon, AddedRestoredAfterTaskbarRestartAndRemovedOnDestroy) {
  hInst = GetModuleHandleA(NULL);
  WNDCLASSA wc = {};
  wc.lpfnWndProc = TrayWndProc;
  wc.hInstance = hInst;
  wc.lpszClassName = "TWKTestClass";
  RegisterClassA(&wc);
  MainWindow main;
  HWND tray = CreateWindowExA(WS_EX_TOOLWINDOW, "TWKTestClass", "TWKWindow", 0, 0, 0, 0, 0, NULL, NULL, hInst, NULL);
  ASSERT_TRUE(tray != NULL);
  ASSERT_TRUE(IsTrayIconShown());
  EXPECT_TRUE(IconPresent(tray));
  EXPECT_TRUE(UpdateTrayIcon(tray, 0, std::string(300, 'x').c_str()));  // a long tip is cut

  // The taskbar restarts and forgets its icons; the broadcast brings ours back.
  NOTIFYICONDATAA nid = {};
  nid.cbSize = sizeof nid;
  nid.hWnd = tray;
  nid.uID = ID_TRAYICON;
  Shell_NotifyIconA(NIM_DELETE, &nid);
  EXPECT_FALSE(IconPresent(tray));
  SendMessageA(tray, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
  EXPECT_TRUE(IconPresent(tray));
  EXPECT_TRUE(IsTrayIconShown());

  // A click on the icon brings the minimised main window back.
  ASSERT_TRUE(IsIconic(main.hwnd));
  SendMessageA(tray, WM_TRAY_NOTIFY, ID_TRAYICON, WM_LBUTTONDOWN);
  EXPECT_FALSE(IsIconic(main.hwnd));

  // Destroying the window removes the icon and does not end the program.
  DestroyWindow(tray);
  EXPECT_FALSE(IsTrayIconShown());
  EXPECT_FALSE(IconPresent(tray));
  MSG msg;
  EXPECT_FALSE(PeekMessageA(&msg, NULL, WM_QUIT, WM_QUIT, PM_REMOVE));
  // After removal a restarted taskbar gets nothing back.
  HWND again = CreateWindowExA(WS_EX_TOOLWINDOW, "TWKTestClass", "TWKWindow", 0, 0, 0, 0, 0, NULL, NULL, hInst, NULL);
  RemoveTrayIcon(again);
  SendMessageA(again, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
  EXPECT_FALSE(IconPresent(again));
  DestroyWindow(again);
}

}  // namespace
