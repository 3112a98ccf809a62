// The About box's text and links, and every dialog button that opens a web page, captured by the
// recorder browser.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "app/dialogs.h"
#include "app/handles.h"
#include "app/links.h"
#include "app/options.h"
#include "foundation/settings.h"
#include "quotes/hosts.h"
#include "quotes/sources.h"
#include "resources/resource.h"
#include "store/database.h"
#include "store/queue_record.h"
#include "store/stocks.h"
#include "tests/app/dialog_driver.h"
#include "tests/app/url_capture.h"
#include "tests/store/test_support.h"

namespace {

BOOL CALLBACK CollectLink(HWND w, LPARAM p) {
  char cls[32] = "";
  GetClassNameA(w, cls, sizeof cls);
  if (strcmp(cls, "THyper") == 0) ((std::vector<HWND>*)p)->push_back(w);
  return TRUE;
}

void ClickOn(HWND w) {
  RECT r;
  GetWindowRect(w, &r);
  SetCursorPos(r.left + 5, (r.top + r.bottom) / 2);
  SendMessageA(w, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  SendMessageA(w, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
}

}  // namespace

TEST(DialogLinks, AboutTextLinksAndEveryPageButton) {
  FreshStore("dialoglinks", "");
  bRegistryReady = TRUE;
  hInst = GetModuleHandleA(NULL);
  Hyper_RegisterClasses(hInst, IDC_LINKCURSOR);
  StartUrlCapture();
  SetHostEntry(HOST_MAKER, "maker.test");
  SetHostEntry(HOST_YAHOO, "yahoo.test");
  SetHostEntry(HOST_UK_LIST, "uk.test");
  MakeList("0");
  CursorLock cursor;
  INT_PTR result = RunModal([] { return ShowAboutDialog(NULL); },
                            {{"About TarnWick", [](HWND d) {
                                EXPECT_EQ(ItemText(d, IDC_ABOUT_TEXT).rfind("TarnWick version 1.86.000\r\n", 0), 0u);
                                // the icon keeps its picture
                                EXPECT_TRUE(SendDlgItemMessageA(d, IDC_ABOUT_ICON, STM_GETICON, 0, 0));
                                std::vector<HWND> links;
                                EnumChildWindows(d, CollectLink, (LPARAM)&links);
                                EXPECT_EQ(links.size(), 2u);
                                char caption[100] = "";
                                if (links.size() == 2) GetWindowTextA(links[1], caption, sizeof caption);
                                EXPECT_STREQ(caption, "Email:  support@maker.test");
                                // above the windows of tests running beside this one
                                SetWindowPos(d, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
                                for (HWND link : links) ClickOn(link);
                                Press(d, IDC_ABOUT_HELP);
                                SendMessageA(d, WM_CLOSE, 0, 0);
                              }}});
  EXPECT_EQ(result, 1);
  nQuoteSource = SRC_UK_YAHOO;
  RunModal([] { return ShowStockDialog(NULL); }, {{"Stock", [](HWND d) {
                                                   Press(d, IDC_STOCK_SEARCH);
                                                   SendMessageA(d, WM_CLOSE, 0, 0);
                                                 }}});
  RunModal([] { return ShowDataSettingsDialog(NULL); }, {{"Data Preferences", [](HWND d) {
                                                            Press(d, IDC_DATA_INDEXLIST);
                                                            Press(d, IDCANCEL);
                                                          }}});
  EXPECT_EQ(CapturedUrls(5), (std::vector<std::string>{
                                 "\"http://maker.test/\"", "\"http://maker.test/pages/tarnwickhelp.asp\"",
                                 "\"http://uk.test/l\"", "\"http://yahoo.test/m1?u\"", "\"mailto:support@maker.test\""}));
}

TEST(DialogLinks, EnterInTheFirstFieldDoesWhatOkDoes) {
  FreshStore("dialogenter", "");
  StartUrlCapture();  // a page button pressed by mistake opens nothing real
  MakeList("0");
  InitLoadStocks(hListView);
  long long rowid = SaveStockRecord(0, "BBB", NoValue, NoValue, 10, 0, 0, "");
  struct Case {
    std::function<INT_PTR()> open;
    const char* caption;
    int focus;  // where the focus is when the dialog opens; Enter follows what is typed there
    const char* typed;
  } cases[] = {
      {[] { return ShowStockDialog(NULL); }, "Stock", IDC_STOCK_SYMBOL, "NEW"},
      {[rowid] { return ShowDialog(NULL, IDD_STOCK, StockDlgProc, (LPARAM)rowid); }, "Stock", IDC_STOCK_WARNBELOW, "5"},
      {[] { return ShowDataSettingsDialog(NULL); }, "Data Preferences", IDC_DATA_SOUND, "ding.wav"},
  };
  for (const Case& c : cases) {
    int focused = 0;
    INT_PTR result = RunModal(c.open, {{c.caption, [&](HWND d) {
                                          // Another test's window may have taken the activation; coming
                                          // back gives the dialog's own focus back.
                                          if (!GetFocus()) SetActiveWindow(d);
                                          focused = GetDlgCtrlID(GetFocus());
                                          SetText(d, focused, c.typed);
                                          PostMessageA(GetDlgItem(d, focused), WM_KEYDOWN, VK_RETURN, 0);
                                        }}});
    EXPECT_EQ(focused, c.focus) << c.caption;
    EXPECT_EQ(result, 1) << c.caption;
  }
  EXPECT_EQ(oDatabase.GetInt("select count(*) from stock where symbol = 'NEW'"), 1);
  EXPECT_EQ(oDatabase.GetInt("select count(*) from stock where symbol = 'BBB' and warn_below = 5"), 1);
  EXPECT_STREQ(szAlarmSound, "ding.wav");
  oDatabase.Close();
}
