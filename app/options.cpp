#include "app/options.h"

BOOL bUseGridLines = 1;
BOOL bKeepQuotes = 1;
BOOL bShowBanner = 1;
BOOL bSystemTray = 0;
char szTitleBar[SETTING_PATH_SIZE] = "";
double dCash = 0.0;
BOOL bUppercase = 1;
BOOL bAppend = 0;
BOOL bExportToSymbol = 0;
char szDelimiter[DELIMITER_SIZE] = "\t";
BOOL bAutoExport = 0;
BOOL bAutoQuit = 0;
char szAutoFile[SETTING_PATH_SIZE] = "autoexp.txt";
BOOL bAlarmToTop = 1;
BOOL bAlarmBeep = 1;
char szAlarmSound[SETTING_PATH_SIZE] = "";
