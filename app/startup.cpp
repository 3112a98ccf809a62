#include "app/startup.h"

#include <commctrl.h>
#include <stdio.h>

#include "app/alarms.h"
#include "app/columns.h"
#include "app/handles.h"
#include "app/links.h"
#include "app/main_commands.h"
#include "app/main_settings.h"
#include "app/main_window.h"
#include "app/options.h"
#include "foundation/log.h"
#include "foundation/settings.h"
#include "quotes/network.h"
#include "store/store_quote.h"

#define MAIN_CLASS_NAME PRODUCT_WORD
#define TRAY_CLASS_NAME "TWKClass"

ATOM RegisterWindowClasses(HINSTANCE instance) {
  WNDCLASSA wc;
  ZeroMemory(&wc, sizeof wc);
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = TrayWndProc;
  wc.cbWndExtra = 4;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorA(NULL, IDC_ARROW);
  wc.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
  wc.lpszClassName = TRAY_CLASS_NAME;
  RegisterClassA(&wc);

  if (LoadCursorA(instance, MAKEINTRESOURCEA(IDC_PRESENCECURSOR)) == NULL)
    MessageBoxA(NULL, "Loading Cursor", "Error", MB_ICONHAND);

  ZeroMemory(&wc, sizeof wc);
  wc.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = MainWndProc;
  wc.cbWndExtra = 4;
  wc.hInstance = instance;
  wc.hIcon = LoadIconA(instance, IDI_CHARTICON);
  wc.hCursor = LoadCursorA(NULL, IDC_ARROW);
  wc.hbrBackground = (HBRUSH)GetStockObject(LTGRAY_BRUSH);
  wc.lpszMenuName = MAKEINTRESOURCEA(IDR_MAINMENU);
  wc.lpszClassName = MAIN_CLASS_NAME;
  return RegisterClassA(&wc);
}

// The one internet handle with its time-outs, and the thread that downloads through it. Without the
// handle the raw-socket road is taken for the whole run.
static void StartWinInetRoad(void) {
  hInternet = InternetOpenA("InetURL/1.0", INTERNET_OPEN_TYPE_PRECONFIG, NULL, NULL, 0);
  if (hInternet == NULL) return;
  DWORD ms = (DWORD)ReadTimeoutSetting(NULL) * 1000;
  InternetSetOptionA(hInternet, INTERNET_OPTION_RECEIVE_TIMEOUT, &ms, sizeof ms);
  InternetSetOptionA(hInternet, INTERNET_OPTION_SEND_TIMEOUT, &ms, sizeof ms);
  // Without the thread nobody would carry a request: the raw road then serves the run.
  if (!StartNetworkThread()) {
    InternetCloseHandle(hInternet);
    hInternet = NULL;
  }
}

int InitInstance(HINSTANCE instance, int showCommand, const char* commandLine) {
  InitCommonControls();
  INITCOMMONCONTROLSEX icc;
  icc.dwSize = sizeof icc;
  icc.dwICC = ICC_LISTVIEW_CLASSES | ICC_TREEVIEW_CLASSES | ICC_BAR_CLASSES | ICC_TAB_CLASSES |
              ICC_PROGRESS_CLASS | ICC_DATE_CLASSES;
  if (!InitCommonControlsEx(&icc)) {
    MessageBoxA(NULL, "InitCommonControlsEx(failed)", "Error", MB_ICONEXCLAMATION);
    return 0;
  }
  Hyper_RegisterClasses(instance, IDC_LINKCURSOR);
  if (!ApplyCommandLine(commandLine)) return 0;

  bUseWinInet = IniGetInt(NULL, "Options", "UseWinInet", 1);
  if (bUseWinInet) StartWinInetRoad();

  char title[100];
  snprintf(title, sizeof title, "%s %s", PRODUCT_WORD, PRODUCT_VERSION);
  hTrayWnd = CreateWindowExA(WS_EX_TOOLWINDOW, TRAY_CLASS_NAME, "TWKWindow", 0, 0, 0, 0, 0, NULL, NULL,
                             instance, NULL);
  hMainWnd = CreateWindowExA(0, MAIN_CLASS_NAME, title, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                             250, 250, NULL, NULL, instance, NULL);
  if (hMainWnd == NULL) return 0;
  PublishMainWindow(hMainWnd);
  // A tray-mode window already minimised stays hidden; the tray icon brings it back.
  if (!(IsIconic(hMainWnd) && bSystemTray)) ShowWindow(hMainWnd, showCommand);
  UpdateWindow(hMainWnd);
  return 1;
}

static void DeleteBitmap(HBITMAP* bitmap) {
  if (*bitmap) DeleteObject(*bitmap);
  *bitmap = NULL;
}

int ShutdownProgram(int exitCode) {
  // The network thread reads list rows and records while it builds a request: it ends first.
  ShutdownNetwork();
  FreeNetworkBuffer();
  DeleteBitmap(&hGreenGem);
  DeleteBitmap(&hRedGem);
  DeleteBitmap(&hSortDownBitmap);
  DeleteBitmap(&hSortUpBitmap);
  DeleteBitmap(&hLogo);
  Hyper_UnregisterClass(hInst);
  // Changes another program kept out of the file are not given up silently: the user is asked, an
  // automatic quit logs them, and either way the exit code says so.
  if (!CloseStoreAtExit(QuitCountdownEnded() != FALSE, !bKeepQuotes)) exitCode = 1;
  ReleaseSingleInstance();
  return exitCode;
}
