// The status strip in a real (hidden) main window: heights, the banner slot, painted panes and gems.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <thread>

#include "app/status_strip.h"
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

// Bounding box of the pixels that differ; empty when none do.
RECT Diff(const Shot& a, const Shot& b) {
  RECT r = {INT_MAX, INT_MAX, -1, -1};
  for (int y = 0; y < a.h; ++y)
    for (int x = 0; x < a.w; ++x)
      if (a.At(x, y) != b.At(x, y)) {
        r.left = std::min<LONG>(r.left, x);
        r.top = std::min<LONG>(r.top, y);
        r.right = std::max<LONG>(r.right, x + 1);
        r.bottom = std::max<LONG>(r.bottom, y + 1);
      }
  if (r.right < 0) r = RECT{0, 0, 0, 0};
  return r;
}

HBITMAP Gem(COLORREF colour) {
  HDC screen = GetDC(NULL);
  HBITMAP bmp = CreateCompatibleBitmap(screen, 13, 13);
  HDC mem = CreateCompatibleDC(screen);
  HGDIOBJ old = SelectObject(mem, bmp);
  RECT all = {0, 0, 13, 13}, inner = {3, 3, 10, 10};
  HBRUSH key = CreateSolidBrush(RGB(0, 255, 255)), fill = CreateSolidBrush(colour);
  FillRect(mem, &all, key);
  FillRect(mem, &inner, fill);
  DeleteObject(key);
  DeleteObject(fill);
  SelectObject(mem, old);
  DeleteDC(mem);
  ReleaseDC(NULL, screen);
  return bmp;
}

class StatusStrip : public ::testing::Test {
 protected:
  void SetUp() override {
    green = Gem(RGB(0, 200, 0));
    red = Gem(RGB(200, 0, 0));
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
  EXPECT_EQ(idle.At(gemX + 6, gemY + 6), RGB(0, 200, 0));
  EXPECT_EQ(idle.At(gemX, gemY), GetSysColor(COLOR_BTNFACE));  // key colour left transparent

  SetBusyIndicator(win.hwnd, 1);
  EXPECT_EQ(Paint(win.hwnd).At(gemX + 6, gemY + 6), RGB(200, 0, 0));

  // Without gems (or with one that is not a bitmap) nothing is drawn there.
  InitStatusArea(win.hwnd, NULL, (HBITMAP)GetStockObject(WHITE_BRUSH));
  Shot bare = Paint(win.hwnd);
  for (int y = gemY; y < gemY + 13; ++y)
    for (int x = gemX; x < gemX + 13; ++x) ASSERT_EQ(bare.At(x, y), GetSysColor(COLOR_BTNFACE)) << x << "," << y;
}

TEST_F(StatusStrip, TextAndCountdownPanes) {
  RECT rc;
  GetClientRect(win.hwnd, &rc);
  const int b = Border(), S = Top();
  Shot empty = Paint(win.hwnd);

  DrawCountdown(win.hwnd, 45);
  Shot counting = Paint(win.hwnd);
  RECT countdown = Diff(empty, counting);
  EXPECT_GT(countdown.right, countdown.left);
  EXPECT_LE(countdown.right, rc.right - 23);  // left of the gem
  EXPECT_LT(countdown.bottom, S + 10 * b + 20);  // first row
  DrawCountdown(win.hwnd, 0);
  RECT chk = Diff(counting, Paint(win.hwnd));
  EXPECT_GT(chk.right, chk.left);  // "CHK" differs from "45"
  DrawCountdown(win.hwnd, -1);
  RECT back = Diff(empty, Paint(win.hwnd));
  EXPECT_EQ(back.right, back.left);  // a repaint after -1 shows an empty pane

  // With the banner the status text is in the second row, beside the banner slot.
  SetStatusText(win.hwnd, "Idle...", 0);
  RECT second = Diff(empty, Paint(win.hwnd));
  EXPECT_GT(second.right, second.left);
  EXPECT_GT(second.top, countdown.bottom);
  PositionBanner(win.hwnd, 0, 0, 0, win.banner, 500, 90);
  EXPECT_GE(second.left, win.BannerRect().right);

  // Without it, in the left pane.
  SetBannerShown(0);
  InitStatusArea(win.hwnd, green, red);
  SetStatusText(win.hwnd, "", 0);
  Shot plain = Paint(win.hwnd);
  SetStatusText(win.hwnd, "Idle...", 0);
  RECT left = Diff(plain, Paint(win.hwnd));
  EXPECT_GT(left.right, left.left);
  EXPECT_LT(left.left, 10);
}

TEST_F(StatusStrip, BusyIndicatorClearsTextOnlyWhenTurningIdle) {
  char text[STATUS_TEXT_SIZE];
  SetStatusText(win.hwnd, "Requesting", 1);
  SetBusyIndicator(win.hwnd, 0);  // already idle: nothing happens
  GetStatusText(text, sizeof text);
  EXPECT_STREQ(text, "Requesting");
  SetBusyIndicator(win.hwnd, 1);
  GetStatusText(text, sizeof text);
  EXPECT_STREQ(text, "Requesting");
  SetBusyIndicator(win.hwnd, 0);
  GetStatusText(text, sizeof text);
  EXPECT_STREQ(text, "");
}

TEST_F(StatusStrip, TextFromAnotherThreadIsReadWhole) {
  const std::string longText(300, 'A'), shortText(10, 'B');
  std::thread writer([&] {
    for (int i = 0; i < 3000; ++i) SetStatusText(win.hwnd, (i & 1 ? shortText : longText).c_str(), 1);
  });
  int torn = 0;
  char text[STATUS_TEXT_SIZE];
  for (int i = 0; i < 3000; ++i) {
    GetStatusText(text, sizeof text);
    std::string t = text;
    if (!(t.empty() || t == longText.substr(0, 255) || t == shortText)) ++torn;
  }
  writer.join();
  EXPECT_EQ(torn, 0);
  GetStatusText(text, sizeof text);
  EXPECT_EQ(std::string(text), shortText);
  MSG msg;
  while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
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
