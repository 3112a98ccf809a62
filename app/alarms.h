// Alarms at the end of a quote cycle, the portfolio's net worth, the tray icon and the list's context
// menu.
#pragma once
#include <windows.h>

extern double dNetWorth;      // last value computed by UpdateMyNetWorth
extern POINT ptContextMenu;   // screen position where the list's context menu was opened

void CheckAlarms(HWND hwnd);
void UpdateMyNetWorth(void);
BOOL UpdateTrayIcon(HWND hTray, int unused, const char* tip);
BOOL RemoveTrayIcon(HWND hTray);
LRESULT CALLBACK TrayWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
void ShowListContextMenu(HWND hwnd);
