// Window handles shared by the subsystems; created with the main window.
#pragma once
#include <windows.h>

extern HINSTANCE hInst;
extern HWND hMainWnd;
extern HWND hTrayWnd;
extern HWND hListView;
extern HWND hBannerWnd;

// Control id of the quote list.
#define IDC_LISTVIEW 2013
