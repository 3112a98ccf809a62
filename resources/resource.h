// Every numeric id the program shares between its resource script and its code: resources, menu
// commands, dialogs and their controls, private window messages and timers. Plain #defines only, so
// that windres can read it too.
#pragma once

// ---- product --------------------------------------------------------------------------------------
#define PRODUCT_WORD "TarnWick"
#define PRODUCT_VERSION "1.86.000"

// ---- menus and accelerators -------------------------------------------------------------------------
#define IDR_MAINMENU 3000
#define IDR_LISTMENU 115

// Menu 3000
#define IDM_PRINT 1
#define IDM_ABOUT 101
#define IDM_COPYALL 102
#define IDM_STOCKS 103
#define IDM_DATASETTINGS 104
#define IDM_NETWORKSETTINGS 105
#define IDM_COLUMNS 106
#define IDM_HELPCONTENTS 501
#define IDM_FULLEXPORT 506
#define IDM_UPDATENOW 507
#define IDM_QUICKENEXPORT 508
#define IDM_EXIT 509
#define IDM_FAQ 40009
#define IDM_METASTOCKEXPORT 40011
#define IDM_PURGEHISTORY 40017
// Context menu 115
#define IDM_VIEWATSOURCE 40005
#define IDM_VIEWCHART 40006
#define IDM_DELETESTOCK 40014
#define IDM_EDITSTOCK 40016

// ---- icons, cursors, bitmaps ------------------------------------------------------------------------
#define IDI_CHARTICON "ChartIcon"
#define IDC_LINKCURSOR 140
#define IDC_PRESENCECURSOR 3200
#define IDB_GREENGEM 4000
#define IDB_REDGEM 4001
#define IDB_STATUSICONS 4003
#define IDB_LOGO 4004
#define IDB_SORTDOWN 118
#define IDB_SORTUP 119

// ---- controls of the main window --------------------------------------------------------------------
#define IDC_LISTVIEW 2013
#define ID_TRAYICON 2006

// ---- dialogs ----------------------------------------------------------------------------------------
#define IDD_FIRSTRUN 2015
#define IDD_ABOUT 3002
#define IDD_STOCK 3006
#define IDD_DATAPREFS 3007
#define IDD_NETWORK 3009
#define IDD_PRINTCANCEL 3010
#define IDD_COLUMNS 3011

// Controls of the dialogs follow, one block per dialog, named IDC_<dialog>_<what>.

// Dialog 3010 (print cancel); its button is IDCANCEL
#define IDC_PRINTCANCEL_TEXT 3101

// ---- private window messages (values WM_USER + n) -----------------------------------------------------
#define WM_COLDLG_UPDATE (WM_USER + 3)
#define WM_AUTO_EXPORT (WM_USER + 6)
#define WM_SOCKET_EVENT (WM_USER + 7)
#define WM_TRAY_NOTIFY (WM_USER + 8)
// Thread messages of the network thread
#define WM_NETWORK_FETCH (WM_USER + 10)
#define WM_NETWORK_DONE (WM_USER + 11)
#define WM_NETWORK_QUIT (WM_USER + 12)

// ---- timers of the main window ----------------------------------------------------------------------
#define IDT_TICK 1
#define IDT_BANNER 2
#define IDT_QUIT 3
