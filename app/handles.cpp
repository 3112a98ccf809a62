#include "app/handles.h"

HINSTANCE hInst = NULL;
HWND hMainWnd = NULL;
HWND hTrayWnd = NULL;
HWND hListView = NULL;
HWND hBannerWnd = NULL;

HBITMAP hGreenGem = NULL;
HBITMAP hRedGem = NULL;
HBITMAP hLogo = NULL;
HIMAGELIST hListImageList = NULL;
