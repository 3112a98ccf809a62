#include "app/status_strip.h"

#include "quotes/reply_text.h"

namespace {

char szStatusText[STATUS_TEXT_SIZE] = "";

// The network thread sets the text while the main thread may be painting it.
struct StatusLock {
  CRITICAL_SECTION cs;
  StatusLock() { InitializeCriticalSection(&cs); }
  ~StatusLock() { DeleteCriticalSection(&cs); }
} statusLock;

}  // namespace

void SetStatusText(HWND hwnd, const char* text, int redraw) {
  EnterCriticalSection(&statusLock.cs);
  CopyCut(szStatusText, sizeof szStatusText, text, sizeof szStatusText - 1);
  LeaveCriticalSection(&statusLock.cs);
  // Invalidating only queues a paint for the window's own thread, which is safe from any thread.
  if (redraw && hwnd && IsWindow(hwnd)) InvalidateRect(hwnd, NULL, FALSE);
}

void GetStatusText(char* out, int size) {
  if (out == NULL || size <= 0) return;
  EnterCriticalSection(&statusLock.cs);
  CopyCut(out, (size_t)size, szStatusText, sizeof szStatusText - 1);
  LeaveCriticalSection(&statusLock.cs);
}
