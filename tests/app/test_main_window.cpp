// The main window's layout around the status strip, and its title.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <string.h>
#include <string>

#include "app/alarms.h"
#include "app/columns.h"
#include "app/handles.h"
#include "app/main_commands.h"
#include "app/main_window.h"
#include "app/options.h"
#include "app/status_strip.h"
#include "store/database.h"
#include "tests/app/dialog_driver.h"
#include "tests/app/quote_list.h"

TEST(MainWindow, ListStopsAtTheStripAndTheTitleKeepsItsRoom) {
  HWND main = CreateWindowExA(0, "STATIC", "", WS_OVERLAPPEDWINDOW, 10, 10, 100, 100, NULL, NULL, NULL, NULL);
  ASSERT_TRUE(main != NULL);
  hListView = CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | LVS_REPORT, 0, 0, 10, 10, main, NULL, NULL, NULL);
  hBannerWnd = CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 20, 20, main, NULL, NULL, NULL);
  SetBannerShown(1);
  InitStatusArea(main, NULL, NULL);
  int strip = GetStatusAreaHeight();
  ASSERT_GT(strip, 60);

  struct { int width, height, listHeight; } sizes[] = {{500, 300, 300 - strip}, {400, strip / 2, 0}};
  for (auto& s : sizes) {
    RECT want = {0, 0, s.width, s.height};
    AdjustWindowRect(&want, WS_OVERLAPPEDWINDOW, FALSE);
    MoveWindow(main, 10, 10, want.right - want.left, want.bottom - want.top, FALSE);
    LayoutMainWindow(main);
    RECT list;
    GetWindowRect(hListView, &list);
    EXPECT_EQ(list.right - list.left, s.width);
    EXPECT_EQ(list.bottom - list.top, s.listHeight) << "client height " << s.height;
  }

  char title[600];
  strcpy(szTitleBar, "");
  UpdateWindowTitle(main);
  GetWindowTextA(main, title, sizeof title);
  EXPECT_STREQ(title, "TarnWick 1.86.000");
  memset(szTitleBar, 'P', sizeof szTitleBar - 1);
  szTitleBar[sizeof szTitleBar - 1] = 0;
  UpdateWindowTitle(main);
  GetWindowTextA(main, title, sizeof title);
  EXPECT_EQ(strlen(title), 259u);
  EXPECT_EQ(std::string(title).substr(0, 20), "TarnWick 1.86.000 (P");
  ShowWindow(main, SW_SHOWMINNOACTIVE);
  strcpy(szTitleBar, "Retirement");
  UpdateWindowTitle(main);
  GetWindowTextA(main, title, sizeof title);
  EXPECT_STREQ(title, "Retirement");  // on the task bar, the portfolio alone

  DestroyWindow(main);
  hListView = hBannerWnd = NULL;
  strcpy(szTitleBar, "");
}

TEST(MainWindow, InfoTipIsCutToItsBuffer) {
  char buf[16];
  memset(buf, 'G', sizeof buf);
  NMLVGETINFOTIPA tip;
  memset(&tip, 0, sizeof tip);
  tip.hdr.code = LVN_GETINFOTIPA;
  tip.pszText = buf;
  tip.cchTextMax = 10;
  EXPECT_EQ(OnListNotify(NULL, &tip.hdr), 0);
  EXPECT_STREQ(buf, "double-cl");
  EXPECT_EQ(buf[10], 'G');
}

TEST(MainWindow, TrayModeHidesAMinimisedWindowOnlyWhileTheIconExists) {
  HWND main = CreateWindowExA(0, "STATIC", "", WS_OVERLAPPEDWINDOW, 10, 10, 300, 200, NULL, NULL, NULL, NULL);
  HWND tray = CreateWindowExA(WS_EX_TOOLWINDOW, "STATIC", "", 0, 0, 0, 0, 0, NULL, NULL, NULL, NULL);
  ASSERT_TRUE(main && tray);
  bSystemTray = 1;
  RemoveTrayIcon(tray);
  ShowWindow(main, SW_SHOWMINNOACTIVE);
  OnSizeMainWindow(main, SIZE_MINIMIZED, 0, 0);
  EXPECT_TRUE(IsWindowVisible(main));  // nothing could bring it back
  ASSERT_TRUE(AddTrayIcon(tray));
  OnSizeMainWindow(main, SIZE_MINIMIZED, 0, 0);
  EXPECT_FALSE(IsWindowVisible(main));
  RemoveTrayIcon(tray);
  bSystemTray = 0;
  DestroyWindow(main);
  DestroyWindow(tray);
}

TEST(MainWindow, ListKeepsItsSortOrderAfterTheSettingsDialogs) {
  const std::vector<TestStock> stocks = {{"AAA", "", 5, 0, 0, 0, 0, 0, 0, 0, "", true},
                                         {"BBB", "", 30, 0, 0, 0, 0, 0, 0, 0, "", true},
                                         {"CCC", "", 12, 0, 0, 0, 0, 0, 0, 0, "", true}};
  struct Case {
    void (*command)(HWND);
    const char* caption;
  } cases[] = {{OnDataSettingsCommand, "Data Preferences"}, {OnColumnsCommand, "Display Settings"}};
  for (const Case& c : cases) {
    FillQuoteList("resort", "0,1", stocks);  // reloaded: in symbol order
    nSortColumn = 1;                          // by price, descending
    nSortDirection = 1;
    RunModal([&] { return c.command(GetParent(hListView)), (INT_PTR)0; }, {{c.caption, [](HWND d) { Press(d, IDOK); }}});
    std::vector<std::string> order;
    for (int i = 0; i < ListRows(); ++i) order.push_back(CellText(i, 0));
    EXPECT_EQ(order, (std::vector<std::string>{"BBB", "CCC", "AAA"})) << c.caption;
    oDatabase.Close();
  }
  nSortColumn = nSortDirection = 0;
}
