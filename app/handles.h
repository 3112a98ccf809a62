// Window handles shared by the subsystems; created with the main window.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include "resources/resource.h"

extern HINSTANCE hInst;
extern HWND hMainWnd;
extern HWND hTrayWnd;
extern HWND hListView;
extern HWND hBannerWnd;

// Bitmaps and the list's image list, made when the main window is created and released at shutdown.
extern HBITMAP hGreenGem;          // idle gem of the status strip
extern HBITMAP hRedGem;            // busy gem
extern HBITMAP hLogo;              // shown by the banner rotation when no banner is due
extern HIMAGELIST hListImageList;  // row images, by QuoteStatus; the list only shares it
