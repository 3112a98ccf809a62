#include "app/status_strip.h"

#include <commctrl.h>
#include <stdio.h>
#include <string.h>

#include "foundation/quote_text.h"
#include "foundation/text.h"
#include "store/queue_record.h"
#include "store/store_quote.h"

namespace {

char szStatusText[STATUS_TEXT_SIZE] = "";

// The network thread sets the text while the main thread may be painting it.
struct StatusLock {
  CRITICAL_SECTION cs;
  StatusLock() { InitializeCriticalSection(&cs); }
  ~StatusLock() { DeleteCriticalSection(&cs); }
} statusLock;

// Metrics, fixed by InitStatusArea (WL also by PositionBanner).
int b = 0;   // border width
int LH = 0;  // line height
int H = 0;   // strip height
int WL = 0, WN = 0, WC = 0;  // left, net-worth and countdown pane widths

int nBusy = 0;
int nCountdown = -1;
int nBannerShown = 1;
int bOldPlatform = 0;
HBITMAP hGemGreen = NULL;
HBITMAP hGemRed = NULL;
HFONT hStatusFont = NULL;

const COLORREF kGemKey = RGB(0, 255, 255);
const int kGemRoom = 23;  // right of the countdown pane
const int kBannerHeight = 60;

// Edges of the strip and its panes in the window's client coordinates.
struct Strip {
  int R, B, S, XC, XN;
};

Strip StripOf(HWND hwnd) {
  RECT rc = {0, 0, 0, 0};
  GetClientRect(hwnd, &rc);
  Strip s;
  s.R = rc.right;
  s.B = rc.bottom;
  s.S = s.B - H;
  s.XC = s.R - 6 * b - WC - kGemRoom;
  s.XN = s.XC - 3 * b - WN;
  return s;
}

RECT StatusTextRect(const Strip& s) {
  if (nBannerShown) return RECT{s.XN + 2 * b, s.S + 10 * b + LH, s.R - 4 * b, s.S + 10 * b + 2 * LH - 2};
  return RECT{2 * b, s.S + 4 * b, WL - 2 * b, s.B - 3 * b};
}

RECT CountdownRect(const Strip& s) { return RECT{s.XC + 2 * b, s.S + 4 * b, s.XC + WC - 2 * b, s.S + 4 * b + LH - 2}; }

RECT NetWorthRect(const Strip& s) { return RECT{s.XN + 2 * b, s.S + 4 * b, s.XN + WN - 2 * b, s.S + 4 * b + LH - 2}; }

void PrepareText(HDC hdc) {
  if (hStatusFont) SelectObject(hdc, hStatusFont);
  SetTextColor(hdc, GetSysColor(COLOR_BTNTEXT));
  SetBkColor(hdc, GetSysColor(COLOR_BTNFACE));
}

// Opaque and clipped to r; right-aligned texts hang from r's top right corner.
void DrawPaneText(HDC hdc, const RECT& r, int x, const char* text, bool right) {
  SetTextAlign(hdc, right ? (TA_RIGHT | TA_TOP) : (TA_LEFT | TA_TOP));
  ExtTextOutA(hdc, right ? r.right : x, r.top, ETO_OPAQUE | ETO_CLIPPED, &r, text, (UINT)strlen(text), NULL);
}

// One pane drawn in place on the window's own device context.
template <typename F>
void DrawInPlace(HWND hwnd, F draw) {
  HDC hdc = GetDC(hwnd);
  if (!hdc) return;
  int saved = SaveDC(hdc);
  PrepareText(hdc);
  draw(hdc, StripOf(hwnd));
  RestoreDC(hdc, saved);
  ReleaseDC(hwnd, hdc);
}

void CountdownText(char* out, size_t size, int seconds, bool blankWhenNegative) {
  if (seconds < 0 && blankWhenNegative)
    out[0] = '\0';
  else if (seconds == 0)
    CopyCut(out, size, "CHK");
  else
    snprintf(out, size, "%d", seconds);
}

int BitmapWidth(HBITMAP bmp) {
  BITMAP bm;
  if (!bmp || GetObjectA(bmp, sizeof bm, &bm) != (int)sizeof bm) return 0;
  return bm.bmWidth;
}

void DrawGem(HDC hdc, const Strip& s) {
  HBITMAP gem = nBusy ? hGemRed : hGemGreen;
  int width = BitmapWidth(hGemGreen);
  if (width == 0) width = BitmapWidth(gem);
  DrawTransparentBitmap(hdc, gem, (short)(s.R - width - 3), (short)(s.S + 5), kGemKey);
}

void FillAll(HDC hdc, const RECT* rects, size_t count, HBRUSH brush) {
  for (size_t i = 0; i < count; ++i) FillRect(hdc, &rects[i], brush);
}

bool OnOwnerThread(HWND hwnd) { return GetWindowThreadProcessId(hwnd, NULL) == GetCurrentThreadId(); }

}  // namespace

void SetStatusText(HWND hwnd, const char* text, int redraw) {
  EnterCriticalSection(&statusLock.cs);
  CopyCut(szStatusText, sizeof szStatusText, text);
  LeaveCriticalSection(&statusLock.cs);
  if (!redraw || !hwnd || !IsWindow(hwnd) || H == 0) return;
  if (!OnOwnerThread(hwnd)) {
    // Another thread only queues the pane for the window's own thread to repaint.
    Strip s = StripOf(hwnd);
    RECT r = StatusTextRect(s);
    InvalidateRect(hwnd, &r, FALSE);
    return;
  }
  char copy[STATUS_TEXT_SIZE];
  GetStatusText(copy, sizeof copy);
  DrawInPlace(hwnd, [&](HDC hdc, const Strip& s) {
    RECT r = StatusTextRect(s);
    DrawPaneText(hdc, r, r.left + 2 * b, copy, false);
  });
}

void GetStatusText(char* out, int size) {
  if (out == NULL || size <= 0) return;
  EnterCriticalSection(&statusLock.cs);
  CopyCut(out, (size_t)size, szStatusText);
  LeaveCriticalSection(&statusLock.cs);
}

void InitStatusArea(HWND hwnd, HBITMAP greenGem, HBITMAP redGem) {
  hGemGreen = greenGem;
  hGemRed = redGem;
  b = GetSystemMetrics(SM_CXBORDER);
  HDC screen = GetDC(NULL);
  if (hStatusFont) DeleteObject(hStatusFont);
  hStatusFont = CreateFontA(MulDiv(-9, GetDeviceCaps(screen, LOGPIXELSY), 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE,
                            FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                            VARIABLE_PITCH | FF_SWISS, "Helv");
  TEXTMETRICA tm;
  memset(&tm, 0, sizeof tm);
  HGDIOBJ old = SelectObject(screen, hStatusFont);
  GetTextMetricsA(screen, &tm);
  SelectObject(screen, old);
  ReleaseDC(NULL, screen);
  LH = tm.tmHeight + tm.tmExternalLeading + 2 * b;
  H = 6 * b + (nBannerShown ? kBannerHeight : 13);
  WL = 10 * tm.tmMaxCharWidth;
  WN = 7 * tm.tmMaxCharWidth;
  WC = 3 * tm.tmMaxCharWidth;
  DWORD version = GetVersion();
  bOldPlatform = LOWORD(version) >= 3 && HIWORD(version) < 10;
}

void SetBannerShown(int shown) {
  nBannerShown = shown;
  H = 6 * b + (shown ? kBannerHeight : 15);
}

int GetStatusAreaHeight(void) { return H; }

void PaintStatusArea(HWND hwnd, HDC hdc) {
  if (!hwnd || !hdc) return;
  const Strip s = StripOf(hwnd);
  const int S = s.S, R = s.R, B = s.B, XN = s.XN, XC = s.XC;
  const int E = nBannerShown ? B - 2 * b : S + 3 * b + LH;
  const int b3 = 3 * b, b4 = 4 * b, b9 = 9 * b, b10 = 10 * b;
  int saved = SaveDC(hdc);

  RECT strip = {0, S, R, B};
  FillRect(hdc, &strip, GetSysColorBrush(COLOR_BTNFACE));

  const RECT shadow[] = {
      {0, S + b3, WL, S + b4},
      {XN, S + b3, XN + WN, S + b4},
      {XC, S + b3, XC + WC, S + b4},
      {0, S + b3, b, E},
      {XN, S + b3, XN + b, S + b3 + LH},
      {XC, S + b3, XC + b, S + b3 + LH},
      {XN, S + b9 + LH, R - b3, S + b10 + LH},  // second row, with the banner only
      {XN, S + b9 + LH, XN + b, S + b9 + 2 * LH},
  };
  const RECT light[] = {
      nBannerShown ? RECT{0, B - b, WL + 1, B} : RECT{0, S + b3 + LH, WL + 1, S + b4 + LH},
      {XN, S + b3 + LH, XN + WN + 1, S + b4 + LH},
      {XC, S + b3 + LH, XC + WC + 1, S + b4 + LH},
      {WL, S + b3, WL + b, E},
      {XN + WN, S + b3, XN + WN + b, S + b3 + LH},
      {XC + WC, S + b3, XC + WC + b, S + b3 + LH},
      {0, S + b, R, S + 2 * b},
      {XN, S + b9 + 2 * LH, R - b3, S + b10 + 2 * LH},  // second row, with the banner only
      {R - b3, S + b9 + LH, R - 2 * b, S + b9 + 2 * LH},
  };
  const size_t shadowCount = nBannerShown ? 8 : 6;
  const size_t lightCount = nBannerShown ? 9 : 7;
  FillAll(hdc, shadow, shadowCount, GetSysColorBrush(COLOR_BTNSHADOW));
  HBRUSH highlight = bOldPlatform ? (HBRUSH)GetStockObject(WHITE_BRUSH) : GetSysColorBrush(COLOR_BTNHIGHLIGHT);
  FillAll(hdc, light, lightCount, highlight);
  RECT dark = {0, S, R, S + b};
  FillRect(hdc, &dark, GetSysColorBrush(COLOR_WINDOWTEXT));

  PrepareText(hdc);
  char text[STATUS_TEXT_SIZE];
  GetStatusText(text, sizeof text);
  RECT r = StatusTextRect(s);
  DrawPaneText(hdc, r, r.left, text, false);
  CountdownText(text, sizeof text, nCountdown, true);
  DrawPaneText(hdc, CountdownRect(s), 0, text, true);
  DrawGem(hdc, s);
  RestoreDC(hdc, saved);
}

void SetBusyIndicator(HWND hwnd, int busy) {
  if (busy == nBusy) return;
  nBusy = busy;
  if (busy == 0) SetStatusText(hwnd, "", 1);
  if (!hwnd || H == 0) return;
  HDC hdc = GetDC(hwnd);
  if (!hdc) return;
  DrawGem(hdc, StripOf(hwnd));
  ReleaseDC(hwnd, hdc);
}

void DrawCountdown(HWND hwnd, int seconds) {
  nCountdown = seconds;
  if (!hwnd || H == 0) return;
  char text[16];
  CountdownText(text, sizeof text, seconds, false);
  DrawInPlace(hwnd, [&](HDC hdc, const Strip& s) { DrawPaneText(hdc, CountdownRect(s), 0, text, true); });
}

void FormatNetWorthText(char* out, size_t size, double value) {
  if (!out || size == 0) return;
  out[0] = '\0';
  if (value == (double)NoValue || value == 0.0) return;
  // A huge value formats to hundreds of digits; the pane shows at most its first 31 characters.
  char full[NET_WORTH_FORMAT_SIZE];
  FormatDoubleGrouped(full, value, nDecimalPlaces, false, sizeof full);
  CopyCut(out, size, full, NET_WORTH_TEXT_MAX);
}

void DrawNetWorth(HWND hwnd, double value) {
  if (!hwnd || H == 0) return;
  char text[NET_WORTH_TEXT_MAX + 1];
  FormatNetWorthText(text, sizeof text, value);
  DrawInPlace(hwnd, [&](HDC hdc, const Strip& s) { DrawPaneText(hdc, NetWorthRect(s), 0, text, true); });
}

void PositionBanner(HWND hwnd, int sizeType, int cx, int cy, HWND hBanner, int imageWidth, int imageHeight) {
  if (!hwnd) return;
  RECT rc = {0, 0, 0, 0};
  GetClientRect(hwnd, &rc);
  WL = rc.right - 12 * b - WN - WC - kGemRoom;
  if (WL < 0) WL = 0;
  int room = WL - 2 * b;
  if (room < 0) room = 0;  // a window narrower than the panes leaves no room, never a negative one
  int width = room, dx = 0;
  if (imageWidth > 0 && imageWidth < room) {
    width = imageWidth;
    dx = (room - imageWidth) / 2;
  }
  int height = kBannerHeight, dy = 0;
  if (imageHeight > 0 && imageHeight < kBannerHeight) {
    height = imageHeight;
    dy = (kBannerHeight - imageHeight) / 2;
  }
  if (!hBanner) return;
  if (imageWidth == 0 && imageHeight == 0)
    MoveWindow(hBanner, 0, 0, 0, 0, FALSE);
  else
    MoveWindow(hBanner, b + dx, rc.bottom - H + 4 * b + dy, width, height, FALSE);
}

void DeleteStatusFont(void) {
  if (hStatusFont) DeleteObject(hStatusFont);
  hStatusFont = NULL;
}

void DrawTransparentBitmap(HDC hdc, HBITMAP bitmap, short x, short y, COLORREF key) {
  BITMAP bm;
  if (!hdc || !bitmap || GetObjectA(bitmap, sizeof bm, &bm) != (int)sizeof bm) return;
  HDC src = CreateCompatibleDC(hdc);
  if (!src) return;
  HGDIOBJ srcOld = SelectObject(src, bitmap);
  if (!srcOld) {  // not a bitmap this device can hold
    DeleteDC(src);
    return;
  }
  SetMapMode(src, GetMapMode(hdc));
  POINT size = {bm.bmWidth, bm.bmHeight};
  DPtoLP(src, &size, 1);
  const int w = size.x, h = size.y;

  HDC back = CreateCompatibleDC(hdc), obj = CreateCompatibleDC(hdc), mem = CreateCompatibleDC(hdc),
      save = CreateCompatibleDC(hdc);
  HBITMAP bmBack = CreateBitmap(w, h, 1, 1, NULL), bmObj = CreateBitmap(w, h, 1, 1, NULL);
  HBITMAP bmMem = CreateCompatibleBitmap(hdc, w, h), bmSave = CreateCompatibleBitmap(hdc, w, h);
  if (back && obj && mem && save && bmBack && bmObj && bmMem && bmSave) {
    HGDIOBJ oldBack = SelectObject(back, bmBack), oldObj = SelectObject(obj, bmObj);
    HGDIOBJ oldMem = SelectObject(mem, bmMem), oldSave = SelectObject(save, bmSave);
    BitBlt(save, 0, 0, w, h, src, 0, 0, SRCCOPY);
    // Key-coloured pixels become white in the mask.
    COLORREF oldBk = SetBkColor(src, key);
    BitBlt(obj, 0, 0, w, h, src, 0, 0, SRCCOPY);
    SetBkColor(src, oldBk);
    BitBlt(back, 0, 0, w, h, obj, 0, 0, NOTSRCCOPY);
    BitBlt(mem, 0, 0, w, h, hdc, x, y, SRCCOPY);
    BitBlt(mem, 0, 0, w, h, obj, 0, 0, SRCAND);
    BitBlt(src, 0, 0, w, h, back, 0, 0, SRCAND);
    BitBlt(mem, 0, 0, w, h, src, 0, 0, SRCPAINT);
    BitBlt(hdc, x, y, w, h, mem, 0, 0, SRCCOPY);
    BitBlt(src, 0, 0, w, h, save, 0, 0, SRCCOPY);
    SelectObject(back, oldBack);
    SelectObject(obj, oldObj);
    SelectObject(mem, oldMem);
    SelectObject(save, oldSave);
  }
  HGDIOBJ created[] = {bmBack, bmObj, bmMem, bmSave};
  for (HGDIOBJ o : created)
    if (o) DeleteObject(o);
  HDC dcs[] = {back, obj, mem, save};
  for (HDC d : dcs)
    if (d) DeleteDC(d);
  SelectObject(src, srcOld);
  DeleteDC(src);
}

BOOL AddTooltip(HWND owner, HWND tool, const char* text) {
  char tip[STATUS_TEXT_SIZE];
  CopyCut(tip, sizeof tip, text);
  INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES};
  InitCommonControlsEx(&icc);
  HWND tooltip = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, NULL, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, tool, NULL, NULL, NULL);
  if (!tooltip) return FALSE;
  SetWindowPos(tooltip, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  TOOLINFOA ti;
#ifndef _WIN64
  static_assert(sizeof ti == 48, "the tool record of common controls 4.70 and later");
#endif
  memset(&ti, 0, sizeof ti);
  ti.cbSize = sizeof ti;
  ti.uFlags = TTF_SUBCLASS;
  ti.hwnd = tool;
  ti.uId = 0;
  GetClientRect(tool, &ti.rect);
  ti.lpszText = tip;
  return (BOOL)SendMessageA(tooltip, TTM_ADDTOOLA, 0, (LPARAM)&ti);
}
