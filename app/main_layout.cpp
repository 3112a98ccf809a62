#include <stdio.h>

#include "app/alarms.h"
#include "app/handles.h"
#include "app/main_window.h"
#include "app/options.h"
#include "app/status_strip.h"
#include "banner/player.h"
#include "foundation/settings.h"
#include "foundation/text.h"

void UpdateWindowTitle(HWND hwnd) {
  char title[260];
  if (szTitleBar[0] == '\0') snprintf(title, sizeof title, "%s %s", PRODUCT_WORD, PRODUCT_VERSION);
  // On the task bar only the portfolio name is worth the room.
  else if (IsIconic(hwnd)) CopyCut(title, sizeof title, szTitleBar);
  else snprintf(title, sizeof title, "%s %s (%s)", PRODUCT_WORD, PRODUCT_VERSION, szTitleBar);
  SetWindowTextA(hwnd, title);
  UpdateTrayIcon(hTrayWnd, 0, title);
}

void LayoutMainWindow(HWND hwnd) {
  RECT rc;
  GetClientRect(hwnd, &rc);
  int listHeight = rc.bottom - GetStatusAreaHeight();
  MoveWindow(hListView, 0, 0, rc.right, listHeight > 0 ? listHeight : 0, FALSE);
  int imageWidth, imageHeight;
  GetBannerImageSize(&imageWidth, &imageHeight);
  PositionBanner(hwnd, SIZE_RESTORED, rc.right, rc.bottom, hBannerWnd, imageWidth, imageHeight);
}

void OnSizeMainWindow(HWND hwnd, WPARAM sizeType, int cx, int cy) {
  if (bSystemTray) {
    WORD type = LOWORD(sizeType);
    // Hidden only while the tray icon exists: without it nothing could bring the window back.
    if (type == SIZE_MINIMIZED && IsTrayIconShown()) {
      ShowWindow(hwnd, SW_HIDE);
    } else if (type == SIZE_RESTORED) {
      ShowWindow(hwnd, SW_SHOW);
      SetForegroundWindow(hwnd);
      if (!IsWindowOnScreen(hwnd)) RestoreWindowPlacement(hwnd, bSystemTray);
    }
  }
  UpdateWindowTitle(hwnd);
  LayoutMainWindow(hwnd);
  UpdateMyNetWorth();
  InvalidateRect(hwnd, NULL, TRUE);
}
