// Reading the settings the main window keeps in globals, once, when it is created; each value is
// brought into the range the rest of the program can use. And the one-time upgrade of old files.
#pragma once
#include <windows.h>

// [Options] Timeout in seconds: 1..86400, anything else reads as 45 (it is multiplied into
// milliseconds, and 0 would mean "wait forever").
int ReadTimeoutSetting(HWND hwnd);

// SortColumn and SortDirection (normalised to 0 ascending, 1 descending).
void ReadSortSettings(HWND hwnd);
// Delay (below 0 reads as 0), Timeout, AsyncDNS, Proxy (cut to 259), ProxyPort (1..65535, else 80)
// and the [Hosts] table.
void ReadNetworkSettings(HWND hwnd);
// DecimalPlaces (0..7, else 3), NegativeInRed, NegativeInParen, ThousandsCommas, AlternateColor.
void ReadNumberSettings(HWND hwnd);
// [Files] Append, ExportToSymbol, AutoExport, AutoQuit, AutoFile.
void ReadExportSettings(HWND hwnd);
// [Alarms] ToTop, Beep, Sound.
void ReadAlarmSettings(HWND hwnd);
// TitleBar and Cash (0.0 when its text does not parse).
void ReadPortfolioSettings(HWND hwnd);
// [Files] Delimiter into szDelimiter, its words translated.
void ReadDelimiterSetting(HWND hwnd);
// The words of a Delimiter value: "TAB" and "COMMA" (exactly so) become a TAB and ","; any other
// text is the separator itself.
void TranslateDelimiterWord(char* delimiter);
// AutoVersion and VersionCounter (lowered by 1 in memory when above 0).
void ReadVersionSettings(HWND hwnd);
// AltColor, hexadecimal blue-green-red (F8F8F8 when it does not parse).
void ReadAltColorSetting(HWND hwnd);
// AltColor parsed into color; FALSE, color unchanged, when the text does not parse.
BOOL ParseAltColorSetting(HWND hwnd, COLORREF* color);

// The [Stocks] value of a symbol without limits or holdings; InitLoadStocks moves it into the database.
#define EMPTY_STOCK_SETTING "0.0000,0.0000,0,0.0000,0.0000"

// Once per settings file: index choices of older versions become [Stocks] entries (Yahoo source only).
void UpgradeSettings(HWND hwnd);
