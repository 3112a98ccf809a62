// The status strip in a real (hidden) main window: heights, the banner slot, painted panes and gems.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <thread>

#include "app/status_strip.h"
#include "resources/resource.h"
#include "foundation/quote_text.h"
#include "store/queue_record.h"
#include "store/store_quote.h"

namespace {

int Border() { return GetSystemMetrics(SM_CXBORDER); }

// A hidden top-level window with the given client size and a banner child.
struct StripWindow {
  HWND hwnd = NULL, banner = NULL;
  StripWindow(int cx, int cy) {
    hwnd = CreateWindowA("STATIC", "strip", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, NULL, NULL, NULL, NULL);
    banner = CreateWindowA("STATIC", "", WS_CHILD, 0, 0, 20, 20, hwnd, NULL, NULL, NULL);
    Resize(cx, cy);
  }
  ~StripWindow() { DestroyWindow(hwnd); }
  void Resize(int cx, int cy) {
    RECT r = {0, 0, cx, cy};
    AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW, FALSE);
    SetWindowPos(hwnd, NULL, 0, 0, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  RECT BannerRect() const {
    RECT r;
    GetWindowRect(banner, &r);
    MapWindowPoints(NULL, hwnd, (POINT*)&r, 2);
    return r;
  }
};

// The strip painted into a memory bitmap of the window's client size.
struct Shot {
  int w = 0, h = 0;
  std::vector<COLORREF> px;
  COLORREF At(int x, int y) const { return px[y * w + x]; }
};

Shot Paint(HWND hwnd) {
  RECT rc;
  GetClientRect(hwnd, &rc);
  Shot s;
  s.w = rc.right;
  s.h = rc.bottom;
  HDC screen = GetDC(NULL);
  HDC mem = CreateCompatibleDC(screen);
  HBITMAP bmp = CreateCompatibleBitmap(screen, s.w, s.h);
  HGDIOBJ old = SelectObject(mem, bmp);
  PaintStatusArea(hwnd, mem);
  for (int y = 0; y < s.h; ++y)
    for (int x = 0; x < s.w; ++x) s.px.push_back(GetPixel(mem, x, y));
  SelectObject(mem, old);
  DeleteObject(bmp);
  DeleteDC(mem);
  ReleaseDC(NULL, screen);
  return s;
}

class StatusStrip : public ::testing::Test {
 protected:
  void SetUp() override {
    // The program's own gems: 13 x 13, drawn on the key colour.
    green = LoadBitmapA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDB_GREENGEM));
    red = LoadBitmapA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDB_REDGEM));
    SetBannerShown(1);
    InitStatusArea(win.hwnd, green, red);
    SetBusyIndicator(win.hwnd, 0);
    SetStatusText(win.hwnd, "", 0);
    DrawCountdown(win.hwnd, -1);
    PositionBanner(win.hwnd, 0, 0, 0, win.banner, 0, 0);
  }
  void TearDown() override {
    DeleteObject(green);
    DeleteObject(red);
  }
  int Top() const {
    RECT rc;
    GetClientRect(win.hwnd, &rc);
    return rc.bottom - GetStatusAreaHeight();
  }
  StripWindow win{600, 300};
  HBITMAP green = NULL, red = NULL;
};

TEST_F(StatusStrip, HeightWithAndWithoutBanner) {
  const int b = Border();
  EXPECT_EQ(GetStatusAreaHeight(), 6 * b + 60);
  SetBannerShown(0);
  EXPECT_EQ(GetStatusAreaHeight(), 6 * b + 15);  // turned off at run time
  InitStatusArea(win.hwnd, green, red);
  EXPECT_EQ(GetStatusAreaHeight(), 6 * b + 13);  // off at start-up
  SetBannerShown(1);
  EXPECT_EQ(GetStatusAreaHeight(), 6 * b + 60);
}

TEST_F(StatusStrip, BannerSlotPlacement) {
  const int b = Border(), slotTop = Top() + 4 * b;
  PositionBanner(win.hwnd, 0, 0, 0, win.banner, 500, 90);  // larger than the slot: the whole slot
  RECT whole = win.BannerRect();
  const int room = whole.right - whole.left;
  EXPECT_EQ(whole.left, b);
  EXPECT_EQ(whole.top, slotTop);
  EXPECT_EQ(whole.bottom - whole.top, 60);
  ASSERT_GT(room, 100);

  PositionBanner(win.hwnd, 0, 0, 0, win.banner, 40, 30);  // centred in both directions
  RECT small = win.BannerRect();
  EXPECT_EQ(small.left, b + (room - 40) / 2);
  EXPECT_EQ(small.top, slotTop + 15);
  EXPECT_EQ(small.right - small.left, 40);
  EXPECT_EQ(small.bottom - small.top, 30);

  PositionBanner(win.hwnd, 0, 0, 0, win.banner, 0, 0);  // no image: out of sight
  RECT none = win.BannerRect();
  EXPECT_EQ(none.right - none.left, 0);
  EXPECT_EQ(none.bottom - none.top, 0);

  // Narrower than the panes: no room, never a negative size, and painting copes.
  win.Resize(40, 300);
  PositionBanner(win.hwnd, 0, 0, 0, win.banner, 40, 30);
  RECT narrow = win.BannerRect();
  EXPECT_EQ(narrow.right - narrow.left, 0);
  EXPECT_EQ(narrow.left, b);
  Paint(win.hwnd);
}

TEST_F(StatusStrip, PaintedLinesAndGems) {
  const int b = Border(), S = Top();
  RECT rc;
  GetClientRect(win.hwnd, &rc);
  const int gemX = rc.right - 13 - 3, gemY = S + 5;
  Shot idle = Paint(win.hwnd);
  EXPECT_EQ(idle.At(rc.right / 2, S), GetSysColor(COLOR_WINDOWTEXT));  // dark line on top
  EXPECT_EQ(idle.At(rc.right / 2, S + b), GetSysColor(COLOR_BTNHIGHLIGHT));
  EXPECT_EQ(idle.At(gemX + 6, gemY + 6), RGB(0, 200, 0));  // the middle of the green gem
  EXPECT_EQ(idle.At(gemX, gemY), GetSysColor(COLOR_BTNFACE));  // key colour left transparent

  SetBusyIndicator(win.hwnd, 1);
  EXPECT_EQ(Paint(win.hwnd).At(gemX + 6, gemY + 6), RGB(230, 0, 0));

  // Without gems (or with one that is not a bitmap) nothing is drawn there.
  InitStatusArea(win.hwnd, NULL, (HBITMAP)GetStockObject(WHITE_BRUSH));
  Shot bare = Paint(win.hwnd);
  for (int y = gemY; y < gemY + 13; ++y)
    for (int x = gemX; x < gemX + 13; ++x) ASSERT_EQ(bare.At(x, y), GetSysColor(COLOR_BTNFACE)) << x << "," << y;
}

// The network thread sets the text while the main thread paints it: every read is a whole text.
TEST_F(StatusStrip, TextSetFromAnotherThreadIsReadWhole) {
  const std::string longText(300, 'A'), shortText(10, 'B');
  std::thread writer([&] {
    for (int i = 0; i < 3000; ++i) SetStatusText(win.hwnd, (i & 1 ? shortText : longText).c_str(), 1);
  });
  int torn = 0;
  HDC dc = CreateCompatibleDC(NULL);
  for (int i = 0; i < 3000; ++i) {
    char text[STATUS_TEXT_SIZE];
    GetStatusText(text, sizeof text);
    if (text != longText.substr(0, 255) && text != shortText && text[0]) ++torn;
    PaintStatusArea(win.hwnd, dc);
  }
  writer.join();
  DeleteDC(dc);
  EXPECT_EQ(torn, 0);
}

TEST(NetWorthText, FormattedWholeAndCut) {
  nDecimalPlaces = 3;
  bThousandsCommas = TRUE;
  bNegativeInParen = FALSE;
  struct Case {
    double value;
    const char* text;
  } cases[] = {
      {0.0, ""},
      {(double)NoValue, ""},
      {1234.5, "1,234.500"},
      {-98765.4321, "-98,765.432"},
      {1e300, "1000000000000000052504760255204"},  // 301 digits: the first 31 shown
  };
  for (const Case& c : cases) {
    char text[64];
    FormatNetWorthText(text, sizeof text, c.value);
    EXPECT_STREQ(text, c.text) << c.value;
  }
}

}  // namespace
