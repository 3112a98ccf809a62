// Settings of the shell that several of its parts read: one global each, read once when the main
// window is created and written back by the dialog that edits it. (Settings of lower layers live
// with them: network in quotes/network.h, number formats in foundation/quote_text.h, decimals in
// store/store_quote.h, list drawing and sorting in app/columns.h.)
#pragma once
#include <windows.h>

#define SETTING_PATH_SIZE 260
#define DELIMITER_SIZE 20

extern BOOL bUseGridLines;     // [Options] useGridLines
extern BOOL bKeepQuotes;       // [Options] KeepQuotes; 0 purges the history at exit
extern BOOL bShowBanner;       // [Options] ShowBanner
extern BOOL bSystemTray;       // [Options] SystemTray
extern char szTitleBar[SETTING_PATH_SIZE];  // [Options] TitleBar, the title suffix
extern double dCash;           // [Options] Cash
extern BOOL bUppercase;        // [Options] Uppercase (stock dialog)
extern BOOL bAppend;           // [Files] Append
extern BOOL bExportToSymbol;   // [Files] ExportToSymbol
extern char szDelimiter[DELIMITER_SIZE];    // [Files] Delimiter, "TAB" and "COMMA" translated
extern BOOL bAutoExport;       // [Files] AutoExport
extern BOOL bAutoQuit;         // [Files] AutoQuit
extern char szAutoFile[SETTING_PATH_SIZE];  // [Files] AutoFile
extern BOOL bAlarmToTop;       // [Alarms] ToTop
extern BOOL bAlarmBeep;        // [Alarms] Beep
extern char szAlarmSound[SETTING_PATH_SIZE];  // [Alarms] Sound
