#include "app/dialogs.h"

// Moves a window of size w x h so that it stays within [left, right) x [top, bottom) where it can.
static void Clamp(int* x, int* y, int w, int h, const RECT& limit) {
  if (*x < limit.left)
    *x = limit.left;
  else if (*x + w > limit.right)
    *x = limit.right - w;
  if (*y < limit.top)
    *y = limit.top;
  else if (*y + h > limit.bottom)
    *y = limit.bottom - h;
}

BOOL CenterOnParent(HWND hwnd) {
  RECT rc, parent;
  GetWindowRect(hwnd, &rc);
  // A dialog without an owner centres on the screen instead of on an empty rectangle at 0,0.
  HWND owner = GetParent(hwnd);
  if (!owner || !GetWindowRect(owner, &parent)) GetWindowRect(GetDesktopWindow(), &parent);
  int w = rc.right - rc.left, h = rc.bottom - rc.top;
  int x = parent.left + (parent.right - parent.left) / 2 - w / 2;
  int y = parent.top + (parent.bottom - parent.top) / 2 - h / 2;
  RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  Clamp(&x, &y, w, h, screen);
  return MoveWindow(hwnd, x, y, w, h, FALSE);
}

BOOL CenterOverWindow(HWND hwnd, HWND reference) {
  RECT rc, ref, limit;
  GetWindowRect(hwnd, &rc);
  GetWindowRect(reference, &ref);
  if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &limit, 0))
    SetRect(&limit, 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
  int w = rc.right - rc.left, h = rc.bottom - rc.top;
  int x = ref.left + (ref.right - ref.left - w) / 2;
  int y = ref.top + (ref.bottom - ref.top - h) / 2;
  Clamp(&x, &y, w, h, limit);
  return SetWindowPos(hwnd, NULL, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}
