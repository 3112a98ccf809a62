// Links and the browser: addresses built for list rows, the ".htm" fallback command, and real launches
// of a recorder registered as the browser.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "app/handles.h"
#include "app/links.h"
#include "app/status_strip.h"
#include "banner/player.h"
#include "banner/schedule.h"
#include "foundation/settings.h"
#include "quotes/hosts.h"
#include "quotes/sources.h"
#include "tests/app/url_capture.h"
#include "tests/store/test_support.h"

namespace {

TEST(Links, PageOfASymbol) {
  for (int slot : {HOST_MARKETS, HOST_UK_LIST, HOST_DETAIL_PAGE, HOST_YAHOO, HOST_CHART, HOST_MAKER})
    SetHostEntry(slot, slot == HOST_MAKER ? "maker.test:8080" : "site.test");
  struct Case {
    const char* symbol;
    int chart, source;
    const char* url;
  } cases[] = {
      {"$DJI", 1, SRC_YAHOO, "http://site.test/markets/us_markets.html"},
      {"ABC.TO", 1, SRC_YAHOO, "http://site.test/quickchart/quickchart.asp?symb=ca:ABC"},
      {"abc.to", 1, SRC_PC_QUOTE, "http://site.test/quickchart/quickchart.asp?symb=ca:abc"},
      {"ABC", 1, SRC_YAHOO, "http://site.test/quickchart/quickchart.asp?symb=ABC"},
      {"IBM", 0, SRC_YAHOO, "http://site.test/quotes/IBM/view/dv"},
      {"IBM", 0, SRC_UK_YAHOO, "http://site.test/q?s=IBM&d=5d"},
      {"IBM", 0, SRC_PC_QUOTE, "http://site.test/stocks/detailquote.php?ticker=IBM"},
      {"IBM", 0, SRC_TEXT_QUOTE, "http://maker.test:8080/"},
  };
  for (const Case& c : cases) {
    char url[WEB_ADDRESS_SIZE];
    EXPECT_TRUE(SymbolPageUrl(url, sizeof url, c.symbol, c.chart, c.source));
    EXPECT_STREQ(url, c.url) << c.symbol << " " << c.chart << " " << c.source;
  }
  char small[30];
  EXPECT_FALSE(SymbolPageUrl(small, sizeof small, "IBM", 0, SRC_YAHOO));  // refused, not cut
  EXPECT_STREQ(small, "");
  ResetHostTable();
}

TEST(Links, BrowserCommandOfTheHtmFallback) {
  const std::string longUrl = "http://x.test/" + std::string(500, 'a');
  struct Case {
    const char* command;
    std::string url;
    const char* line;  // NULL: refused
  } cases[] = {
      {"\"c:\\b\\browser.exe\" \"%1\"", "http://a.test/p?q=1", "\"c:\\b\\browser.exe\"  \"http://a.test/p?q=1\""},
      {"c:\\b\\browser.exe %1 -new", "http://a.test/", "c:\\b\\browser.exe  \"http://a.test/\""},
      {"c:\\b\\browser.exe", "http://a.test/", "c:\\b\\browser.exe \"http://a.test/\""},
      {"c:\\b\\browser.exe", "http://a.test/\" & calc.exe", NULL},  // would leave the quotes
      {"c:\\b\\browser.exe", longUrl, NULL},                         // does not fit: refused, not cut
      {"  %1", "http://a.test/", NULL},                              // no program
  };
  for (const Case& c : cases) {
    char line[BROWSER_COMMAND_SIZE] = "x";
    EXPECT_EQ(BuildBrowserCommand(line, sizeof line, c.command, c.url.c_str()), c.line != NULL) << c.command;
    EXPECT_STREQ(line, c.line ? c.line : "") << c.command;
  }
}

TEST(Links, SafeWebAddresses) {
  for (const char* url : {"http://banner.test/a?b=c", "HTTPS://banner.test/"}) EXPECT_TRUE(IsSafeWebAddress(url));
  for (const char* url : {"file:///c:/windows", "javascript:alert(1)", "http://a.test/\"x", "http://a.test/\r\nx", ""})
    EXPECT_FALSE(IsSafeWebAddress(url)) << url;
}

// A visible window at a quiet place of the screen (one per test), so that the cursor can point at its
// children.
struct Stage {
  CursorLock cursor;
  HWND hwnd;
  explicit Stage(int x) {
    hInst = GetModuleHandleA(NULL);
    Hyper_RegisterClasses(hInst, IDC_LINKCURSOR);
    hwnd = CreateWindowExA(WS_EX_TOPMOST, "STATIC", "links", WS_POPUP | WS_VISIBLE, x, 560, 300, 200, NULL, NULL,
                           hInst, NULL);
    Pump();
  }
  ~Stage() { DestroyWindow(hwnd); }
  static void Pump() {
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  }
  void Click(HWND target, POINT press, POINT release) {
    SetCursorPos(press.x, press.y);
    SendMessageA(target, WM_LBUTTONDOWN, MK_LBUTTON, 0);
    SetCursorPos(release.x, release.y);
    SendMessageA(target, WM_LBUTTONUP, 0, 0);
  }
};

TEST(Links, OpenUrlThroughTheShellAndTheHtmFallback) {
  FreshStore("openurl", "");
  bRegistryReady = TRUE;
  StartUrlCapture();
  Stage stage(100);
  OpenUrl(NULL, "http://nothing.test/");                       // no window: nothing
  OpenUrl(stage.hwnd, "twnone://refused.test/\"quoted");       // fallback refuses the quote
  OpenUrl(stage.hwnd, "http://quotes.test/IBM");
  OpenUrl(stage.hwnd, "mailto:someone@maker.test");
  OpenUrl(stage.hwnd, "twnone://fallback.test/a b");           // no handler: the .htm command
  std::vector<std::string> urls = CapturedUrls(3);
  ASSERT_EQ(urls.size(), 3u);
  EXPECT_EQ(urls[0], "\"http://quotes.test/IBM\"");
  EXPECT_EQ(urls[1], "\"mailto:someone@maker.test\"");
  EXPECT_EQ(urls[2], "\"twnone://fallback.test/a b\"");
  EXPECT_NE(LogText().find("twrecorder.htm"), std::string::npos);  // the fallback was taken
  EXPECT_NE(LogText().find("address refused"), std::string::npos);
}

TEST(Links, ClickReleasedOverTheLinkOpensIt) {
  FreshStore("hyper", "");
  StartUrlCapture();
  Stage stage(400);
  HWND link = Hyper_Create(stage.hwnd, "maker", "http://maker.test/about", 10, 10, 100, 20);
  HWND layer = Hyper_CreateLayer(stage.hwnd, "", "http://banner.test/", 10, 40, 100, 60);
  HWND tooLong = Hyper_CreateLayer(stage.hwnd, "", ("http://x.test/" + std::string(250, 'a')).c_str(), 10, 110,
                                   100, 60);
  ASSERT_TRUE(link && layer && tooLong);
  Stage::Pump();
  const POINT overLink = {460, 580}, overLayer = {460, 630}, overLong = {460, 700}, outside = {650, 740};
  stage.Click(link, overLink, outside);  // released outside: nothing
  stage.Click(tooLong, overLong, overLong);  // the address did not fit: none kept
  stage.Click(layer, overLayer, overLayer);
  stage.Click(link, overLink, overLink);
  std::vector<std::string> urls = CapturedUrls(2);
  ASSERT_EQ(urls.size(), 2u);
  EXPECT_EQ(urls[0], "\"http://banner.test/\"");
  EXPECT_EQ(urls[1], "\"http://maker.test/about\"");
}

TEST(Links, RowUnderTheCursorOpensItsPage) {
  FreshStore("viewsymbol", "");
  StartUrlCapture();
  SetHostEntry(HOST_CHART, "chart.test");
  Stage stage(700);
  INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&icc);
  hListView = CreateWindowA(WC_LISTVIEWA, "", WS_CHILD | WS_VISIBLE | LVS_REPORT, 0, 0, 300, 200, stage.hwnd,
                            NULL, hInst, NULL);
  LVCOLUMNA col = {};
  col.mask = LVCF_WIDTH;
  col.cx = 200;
  SendMessageA(hListView, LVM_INSERTCOLUMNA, 0, (LPARAM)&col);
  const char* symbols[] = {"IBM", "ABC.TO"};
  for (int i = 0; i < 2; ++i) {
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.iItem = i;
    item.pszText = (char*)symbols[i];
    SendMessageA(hListView, LVM_INSERTITEMA, 0, (LPARAM)&item);
  }
  RECT row;
  row.left = LVIR_LABEL;
  SendMessageA(hListView, LVM_GETITEMRECT, 1, (LPARAM)&row);
  POINT pt = {row.left + 5, (row.top + row.bottom) / 2};
  ClientToScreen(hListView, &pt);
  SetCursorPos(pt.x, pt.y + 150);  // below the rows: nothing
  ViewSymbolAtSource(stage.hwnd, 1);
  SetCursorPos(pt.x, pt.y);
  ViewSymbolAtSource(stage.hwnd, 1);
  std::vector<std::string> urls = CapturedUrls(1);
  ASSERT_EQ(urls.size(), 1u);
  EXPECT_EQ(urls[0], "\"http://chart.test/quickchart/quickchart.asp?symb=ca:ABC\"");
  DestroyWindow(hListView);
  hListView = NULL;
  ResetHostTable();
}

TEST(Links, DoubleClickOnTheStripOpensTheBannerLinkOnlyWhenItIsAWebAddress) {
  FreshStore("dblclick", "");
  StartUrlCapture();
  SetHostEntry(HOST_MAKER, "maker.test");
  Stage stage(100);
  SetBannerShown(1);
  InitStatusArea(stage.hwnd, NULL, NULL);
  RECT rc;
  GetClientRect(stage.hwnd, &rc);
  const int top = rc.bottom - GetStatusAreaHeight();
  CurrentBanner = 5;
  BannerEntry& slot = BannerSchedule[5];
  slot.valid = 1;
  snprintf(slot.link_url, sizeof slot.link_url, "http://banner.test/offer");
  OnBannerDoubleClick(stage.hwnd, 1, 10, top - 1);  // above the strip: nothing
  OnBannerDoubleClick(stage.hwnd, 1, 10, top);
  snprintf(slot.link_url, sizeof slot.link_url, "HTTP://banner.test/\"x");  // not a plain web address
  OnBannerDoubleClick(stage.hwnd, 1, 10, rc.bottom - 1);  // the home page instead
  slot.valid = 0;
  snprintf(slot.link_url, sizeof slot.link_url, "http://banner.test/offer");
  OnBannerDoubleClick(stage.hwnd, 1, 10, top);  // no valid slot: the home page
  std::vector<std::string> urls = CapturedUrls(3);
  ASSERT_EQ(urls.size(), 3u);
  EXPECT_EQ(urls[0], "\"http://banner.test/offer\"");
  EXPECT_EQ(urls[1], "\"http://maker.test/\"");
  EXPECT_EQ(urls[2], "\"http://maker.test/\"");
  ResetHostTable();
}

}  // namespace
