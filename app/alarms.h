// Alarms at the end of a quote cycle, the portfolio's net worth, the tray icon and the list's context
// menu.
#pragma once
#include <windows.h>

extern double dNetWorth;      // last value computed by UpdateMyNetWorth
extern POINT ptContextMenu;   // screen position where the list's context menu was opened

// Once per cycle: brings the window up, beeps and plays the sound when a stock of the portfolio is
// beyond a limit today.
void CheckAlarms(HWND hwnd);
// Holdings at today's prices plus cash into dNetWorth, drawn in the strip; a query that fails keeps
// the last value.
void UpdateMyNetWorth(void);

// The tray icon lives on the hidden window hTrayWnd.
BOOL AddTrayIcon(HWND hTray);
BOOL UpdateTrayIcon(HWND hTray, int unused, const char* tip);
BOOL RemoveTrayIcon(HWND hTray);
// The icon was added and not removed since: only then may the main window hide to the tray.
BOOL IsTrayIconShown(void);
LRESULT CALLBACK TrayWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
int DrawChartIcon(const DRAWITEMSTRUCT* item);

void ShowListContextMenu(HWND hwnd);
