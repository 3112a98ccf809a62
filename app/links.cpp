#include "app/links.h"

#include <commctrl.h>
#include <shellapi.h>
#include <stdio.h>
#include <string.h>

#include "app/handles.h"
#include "foundation/log.h"
#include "foundation/settings.h"
#include "foundation/text.h"
#include "quotes/hosts.h"
#include "quotes/sources.h"
#include "store/stocks.h"

namespace {

const char kHyperClass[] = "THyper";
const char kLayerClass[] = "THyperLayer";
const SIZE_T kBlockSize = 264;
const int kCaptionMax = 260;
const size_t kSymbolSize = 500;

// The child window with its own copy of the address in a local block at extra bytes 0. An address
// that does not fit is not kept at all: a cut one would open some other page.
HWND CreateLink(const char* cls, HWND parent, const char* caption, const char* url, size_t maxLen, int x, int y,
                int width, int height) {
  HINSTANCE instance = parent ? (HINSTANCE)GetWindowLongPtrA(parent, GWLP_HINSTANCE) : hInst;
  HWND hwnd = CreateWindowExA(0, cls, caption, WS_CHILD | WS_VISIBLE, x, y, width, height, parent, NULL, instance,
                              NULL);
  if (!hwnd || !url) return hwnd;
  size_t len = strlen(url);
  if (len > maxLen) {
    WriteLog("Hyper_Create: address of %u characters does not fit, not kept", (unsigned)len);
    return hwnd;
  }
  HLOCAL block = LocalAlloc(LMEM_MOVEABLE | LMEM_ZEROINIT, kBlockSize);
  if (!block) return hwnd;
  char* text = (char*)LocalLock(block);
  if (!text) {
    MessageBoxA(parent, "Failed in LocalLock", "Error", MB_OK);
    LocalFree(block);
    return hwnd;
  }
  memcpy(text, url, len);  // the zeroed block keeps the terminator and the layer's zero tail
  SetWindowLongPtrA(hwnd, 0, (LONG_PTR)block);
  LocalUnlock(block);
  return hwnd;
}

LRESULT LinkProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, bool paints) {
  switch (msg) {
    case WM_LBUTTONDOWN:
      SetCapture(hwnd);
      InvalidateRect(hwnd, NULL, TRUE);
      return 0;
    case WM_LBUTTONUP:
      Hyper_OnLButtonUp(hwnd);
      return 0;
    case WM_DESTROY: {
      HLOCAL block = (HLOCAL)GetWindowLongPtrA(hwnd, 0);
      SetWindowLongPtrA(hwnd, 0, 0);
      if (block) LocalFree(block);
      return 0;
    }
    case WM_PAINT:
      if (!paints) break;
      Hyper_OnPaint(hwnd);
      return 0;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

BOOL RegisterLinkClass(HINSTANCE instance, const char* name, WNDPROC proc, HCURSOR cursor, HBRUSH background) {
  WNDCLASSA wc;
  memset(&wc, 0, sizeof wc);
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = proc;
  wc.cbWndExtra = sizeof(LONG_PTR);
  wc.hInstance = instance;
  wc.hCursor = cursor;
  wc.hbrBackground = background;
  wc.lpszClassName = name;
  return RegisterClassA(&wc) != 0;
}

bool StartsWithNoCase(const char* text, const char* prefix) { return _strnicmp(text, prefix, strlen(prefix)) == 0; }

// out = fmt with the host's "http://host[:port]" and one text; FALSE (out "") when it does not fit.
BOOL FormatAddress(char* out, size_t size, const char* fmt, int host, const char* text) {
  int n = snprintf(out, size, fmt, SourceUrlPrefix[host], text);
  if (n >= 0 && (size_t)n < size) return TRUE;
  if (size) out[0] = '\0';
  return FALSE;
}

}  // namespace

BOOL Hyper_RegisterClasses(HINSTANCE hInstance, int cursorId) {
  HCURSOR cursor = LoadCursorA(hInstance, MAKEINTRESOURCEA(cursorId));
  BOOL text = RegisterLinkClass(hInstance, kHyperClass, Hyper_WndProc, cursor, GetSysColorBrush(COLOR_BTNFACE));
  BOOL layer = RegisterLinkClass(hInstance, kLayerClass, HyperLayer_WndProc, cursor, NULL);
  return text && layer;
}

void Hyper_UnregisterClass(HINSTANCE hInstance) {
  UnregisterClassA(kHyperClass, hInstance);
  UnregisterClassA(kLayerClass, hInstance);
}

HWND Hyper_Create(HWND parent, const char* text, const char* url, int x, int y, int width, int height) {
  return CreateLink(kHyperClass, parent, text, url, HYPER_URL_MAX, x, y, width, height);
}

HWND Hyper_CreateLayer(HWND parent, const char* text, const char* url, int x, int y, int width, int height) {
  return CreateLink(kLayerClass, parent, NULL, url, HYPER_LAYER_URL_MAX, x, y, width, height);
}

LRESULT CALLBACK Hyper_WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return LinkProc(hwnd, msg, wParam, lParam, true);
}

LRESULT CALLBACK HyperLayer_WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return LinkProc(hwnd, msg, wParam, lParam, false);
}

void Hyper_OnLButtonUp(HWND hwnd) {
  ReleaseCapture();
  InvalidateRect(hwnd, NULL, TRUE);
  HLOCAL block = (HLOCAL)GetWindowLongPtrA(hwnd, 0);
  if (!block) return;
  const char* url = (const char*)LocalLock(block);
  if (!url) {
    MessageBoxA(NULL, "Hyper_OnLButtonUp: Failed in LocalLock", "Error", MB_OK);
    return;
  }
  // A press released outside the control opens nothing.
  POINT pt;
  GetCursorPos(&pt);
  if (WindowFromPoint(pt) == hwnd) ShellExecuteA(hwnd, "open", url, NULL, NULL, SW_SHOWNORMAL);
  LocalUnlock(block);
}

void Hyper_OnPaint(HWND hwnd) {
  PAINTSTRUCT ps;
  HDC hdc = BeginPaint(hwnd, &ps);
  if (!hdc) return;
  char caption[kCaptionMax + 1] = "";
  int len = GetWindowTextA(hwnd, caption, sizeof caption);
  HFONT font = CreateFontA(MulDiv(-9, GetDeviceCaps(hdc, LOGPIXELSY), 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                           ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                           VARIABLE_PITCH | FF_SWISS, "Helv");
  HGDIOBJ old = SelectObject(hdc, font);
  // Red while the button is held on it, blue otherwise.
  SetTextColor(hdc, GetCapture() ? RGB(255, 0, 0) : RGB(0, 0, 255));
  SetBkMode(hdc, TRANSPARENT);
  RECT rc;
  GetClientRect(hwnd, &rc);
  ExtTextOutA(hdc, rc.left, rc.top, ETO_CLIPPED, &rc, caption, (UINT)(len > 0 ? len : 0), NULL);
  SelectObject(hdc, old);
  DeleteObject(font);
  EndPaint(hwnd, &ps);
}

BOOL IsSafeWebAddress(const char* url) {
  if (!url || !(StartsWithNoCase(url, "http://") || StartsWithNoCase(url, "https://"))) return FALSE;
  for (const unsigned char* p = (const unsigned char*)url; *p; ++p)
    if (*p < 0x20 || *p == 0x7F || *p == '"') return FALSE;
  return TRUE;
}

BOOL BuildBrowserCommand(char* out, size_t size, const char* command, const char* url) {
  if (!out || size == 0) return FALSE;
  out[0] = '\0';
  // The address goes into the command line in quotes, so it must not hold one itself.
  if (!command || !url || strchr(url, '"')) return FALSE;
  const char* cut = strstr(command, "\"%1\"");
  if (!cut) cut = strstr(command, "%1");
  size_t keep = cut ? (size_t)(cut - command) : strlen(command);
  if (strspn(command, " \t") >= keep) return FALSE;  // no program to run
  int n = snprintf(out, size, "%.*s \"%s\"", (int)keep, command, url);
  if (n >= 0 && (size_t)n < size) return TRUE;
  out[0] = '\0';
  return FALSE;
}

void OpenUrl(HWND hwnd, const char* url) {
  if (!hwnd || !url) return;
  if ((INT_PTR)ShellExecuteA(hwnd, "open", url, NULL, NULL, SW_SHOWNORMAL) > 32) return;
  char fileClass[MAX_PATH];
  if (!RegGetString(NULL, fileClass, sizeof fileClass, "", HKEY_CLASSES_ROOT, ".htm") || !fileClass[0]) return;
  WriteLog("%s", fileClass);
  char key[MAX_PATH + 32];
  snprintf(key, sizeof key, "%s\\shell\\open\\command", fileClass);
  char command[MAX_PATH];
  if (!RegGetString(NULL, command, sizeof command, "", HKEY_CLASSES_ROOT, key)) return;
  WriteLog("%s", command);
  char line[BROWSER_COMMAND_SIZE];
  if (!BuildBrowserCommand(line, sizeof line, command, url)) {
    WriteLog("OpenUrl: address refused for the browser command: %.300s", url);
    return;
  }
  WinExec(line, SW_SHOWNORMAL);
}

BOOL MakerPageUrl(char* out, size_t size, const char* path) {
  return FormatAddress(out, size, "%s%s", HOST_MAKER, path);
}

void OpenHostPage(HWND hwnd, int host, const char* path) {
  char url[WEB_ADDRESS_SIZE];
  if (FormatAddress(url, sizeof url, "%s%s", host, path)) OpenUrl(hwnd, url);
}

BOOL SymbolPageUrl(char* out, size_t size, const char* symbol, int chart, int source) {
  if (!symbol) symbol = "";
  if (symbol[0] == '$') return FormatAddress(out, size, "%s%s", HOST_MARKETS, "/markets/us_markets.html");
  if (chart) {
    // A Toronto symbol becomes the chart service's Canadian symbol: ABC.TO is ca:ABC.
    char plain[kSymbolSize], chartSymbol[kSymbolSize + 3];
    CopyCut(plain, sizeof plain, symbol);
    char* suffix = StrStrNoCase(plain, ".to");
    if (suffix) {
      *suffix = '\0';
      snprintf(chartSymbol, sizeof chartSymbol, "ca:%s", plain);
    } else {
      CopyCut(chartSymbol, sizeof chartSymbol, plain);
    }
    return FormatAddress(out, size, "%s/quickchart/quickchart.asp?symb=%s", HOST_CHART, chartSymbol);
  }
  switch (source) {
    case SRC_YAHOO:
      return FormatAddress(out, size, "%s/quotes/%s/view/dv", HOST_YAHOO, symbol);
    case SRC_UK_YAHOO:
      return FormatAddress(out, size, "%s/q?s=%s&d=5d", HOST_UK_LIST, symbol);
    case SRC_PC_QUOTE:
      return FormatAddress(out, size, "%s/stocks/detailquote.php?ticker=%s", HOST_DETAIL_PAGE, symbol);
    default:
      return MakerPageUrl(out, size, "/");
  }
}

void ViewSymbolAtSource(HWND hwnd, int chart) {
  if (!hListView) return;
  LVHITTESTINFO hit;
  memset(&hit, 0, sizeof hit);
  GetCursorPos(&hit.pt);
  ScreenToClient(hListView, &hit.pt);
  int row = (int)SendMessageA(hListView, LVM_HITTEST, 0, (LPARAM)&hit);
  if (row < 0) return;
  char symbol[kSymbolSize] = "";
  ListRowSymbol(hListView, row, symbol, sizeof symbol);
  if (!hwnd) return;
  char url[WEB_ADDRESS_SIZE];
  if (!SymbolPageUrl(url, sizeof url, symbol, chart, nQuoteSource)) {
    WriteLog("ViewSymbolAtSource: address for %.100s does not fit", symbol);
    return;
  }
  OpenUrl(hwnd, url);
}
