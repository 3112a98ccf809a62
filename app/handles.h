// Window handles shared by the subsystems; created with the main window.
#pragma once
#include <windows.h>

#include "resources/resource.h"

extern HINSTANCE hInst;
extern HWND hMainWnd;
extern HWND hTrayWnd;
extern HWND hListView;
extern HWND hBannerWnd;
