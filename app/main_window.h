// The main window: its procedure, its creation, its layout and its title.
#pragma once
#include <windows.h>

LRESULT CALLBACK MainWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// WM_CREATE: bitmaps, list view, banner window, status strip, columns, every setting, the database
// and the filled list, the saved placement, the title and the one-second timer.
void OnCreateMainWindow(HWND hwnd);
// WM_SIZE: tray-mode hiding and showing, the title, the list and banner laid out, the net worth.
void OnSizeMainWindow(HWND hwnd, WPARAM sizeType, int cx, int cy);
// The list above the status strip and the banner in its slot, for the current client size.
void LayoutMainWindow(HWND hwnd);
// Title of the main window and tip of the tray icon: product, version and the portfolio name.
void UpdateWindowTitle(HWND hwnd);

// WM_NOTIFY from the list view.
LRESULT OnListNotify(HWND hwnd, NMHDR* header);
