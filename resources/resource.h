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

// Stock dialog 3006
#define IDC_STOCK_SYMBOL 101
#define IDC_STOCK_WARNBELOW 102
#define IDC_STOCK_WARNABOVE 103
#define IDC_STOCK_ADDCHANGE 104
#define IDC_STOCK_SHARES 108
#define IDC_STOCK_CASH 109
#define IDC_STOCK_COST 110
#define IDC_STOCK_OPTION 111
#define IDC_STOCK_ROWID 112
#define IDC_STOCK_SORT 113
#define IDC_STOCK_UPPERCASE 2004
#define IDC_STOCK_SEARCH 2007
#define IDC_STOCK_QUICKLIST 2019
#define IDC_STOCK_QUICKADD 2020

// Data settings dialog 3007
#define IDC_DATA_TITLEGROUP 0
#define IDC_DATA_NUMBERGROUP 3
#define IDC_DATA_MISCGROUP 4
#define IDC_DATA_INDEXGROUP 104
#define IDC_DATA_DELIMITER 110
#define IDC_DATA_EXPORTGROUP 111
#define IDC_DATA_APPEND 112
#define IDC_DATA_MMDDYY 113
#define IDC_DATA_DDMMYY 114
#define IDC_DATA_SRC_YAHOO 115
#define IDC_DATA_TITLEBAR 116
#define IDC_DATA_ALARMGROUP 117
#define IDC_DATA_TOTOP 118
#define IDC_DATA_BEEP 119
#define IDC_DATA_SOUND 120
#define IDC_DATA_SOUNDBROWSE 121
#define IDC_DATA_AUTOEXPORT 122
#define IDC_DATA_AUTOQUIT 123
#define IDC_DATA_AUTOFILE 124
#define IDC_DATA_SWATCH 125
#define IDC_DATA_DECIMALS 126
#define IDC_DATA_EXPORTSYMBOL 127
#define IDC_DATA_SOURCEGROUP 128
#define IDC_DATA_SRC_PCQUOTE 129
#define IDC_DATA_KEEPQUOTES 135
#define IDC_DATA_SHOWBANNER 2003
#define IDC_DATA_SYSTRAY 2005
#define IDC_DATA_GRIDLINES 2006
#define IDC_DATA_NEGRED 2007
#define IDC_DATA_SRC_UKYAHOO 2008
#define IDC_DATA_NEGPAREN 2009
#define IDC_DATA_COMMAS 2010
#define IDC_DATA_ALTCOLOR 2011
#define IDC_DATA_INDEXLIST 2016
#define IDC_DATA_PICKCOLOR 2017

// Network dialog 3009
#define IDC_NET_DELAY 102
#define IDC_NET_TIMEOUT 103
#define IDC_NET_AUTOUPDATE 110
#define IDC_NET_UPDATEGROUP 111
#define IDC_NET_PROXY 112
#define IDC_NET_TIMEOUTGROUP 113
#define IDC_NET_PROXYGROUP 114
#define IDC_NET_PROXYPORT 115
#define IDC_NET_VERSIONGROUP 116
#define IDC_NET_WININETGROUP 131
#define IDC_NET_ASYNCDNS 132
#define IDC_NET_USEWININET 133
#define IDC_NET_DNSGROUP 134
#define IDC_NET_AUTOVERSION 2002

// Column dialog 3011
#define IDC_COL_REMOVE 105
#define IDC_COL_GROUP 116
#define IDC_COL_AVAILABLE 117
#define IDC_COL_SELECTED 118
#define IDC_COL_ADD 119

// First-run dialog 2015
#define IDC_FIRST_AMERICA 2009
#define IDC_FIRST_EUROPE 2010

// About dialog 3002
#define IDC_ABOUT_ICON 102
#define IDC_ABOUT_TEXT 103
#define IDC_ABOUT_HELP 500

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
