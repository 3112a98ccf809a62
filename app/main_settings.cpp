#include "app/main_settings.h"

#include <stdio.h>
#include <string.h>

#include "app/columns.h"
#include "app/options.h"
#include "foundation/quote_text.h"
#include "foundation/settings.h"
#include "quotes/hosts.h"
#include "quotes/network.h"
#include "quotes/sources.h"
#include "store/store_quote.h"

#define DEFAULT_TIMEOUT 45
#define MAX_TIMEOUT 86400
#define DEFAULT_PROXY_PORT 80
// The raw road copies the proxy name into a path-sized buffer.
#define PROXY_READ_SIZE 260

static BOOL ReadFlag(HWND hwnd, const char* section, const char* key, int defaultValue) {
  return IniGetInt(hwnd, section, key, defaultValue) != 0;
}

int ReadTimeoutSetting(HWND hwnd) {
  int seconds = IniGetInt(hwnd, "Options", "Timeout", DEFAULT_TIMEOUT);
  return (seconds >= 1 && seconds <= MAX_TIMEOUT) ? seconds : DEFAULT_TIMEOUT;
}

void ReadSortSettings(HWND hwnd) {
  nSortColumn = IniGetInt(hwnd, "Options", "SortColumn", 0);
  // The arrow (not 0: down) and the order (1 or more: descending) must agree.
  nSortDirection = IniGetInt(hwnd, "Options", "SortDirection", 0) > 0 ? 1 : 0;
}

void ReadNetworkSettings(HWND hwnd) {
  nDelay = IniGetInt(hwnd, "Options", "Delay", 120);
  if (nDelay < 0) nDelay = 0;
  nTimeout = ReadTimeoutSetting(hwnd);
  bAsyncDNS = IniGetInt(hwnd, "Options", "AsyncDNS", 0);
  IniGetString(hwnd, "Options", "Proxy", szProxy, PROXY_READ_SIZE, "");
  bUseProxy = szProxy[0] != '\0';
  nProxyPort = IniGetInt(hwnd, "Options", "ProxyPort", DEFAULT_PROXY_PORT);
  if (nProxyPort < 1 || nProxyPort > 65535) nProxyPort = DEFAULT_PROXY_PORT;
  LoadHostTable(hwnd);
}

void ReadNumberSettings(HWND hwnd) {
  int places = IniGetInt(hwnd, "Options", "DecimalPlaces", 3);
  nDecimalPlaces = (short)((places >= 0 && places <= 7) ? places : 3);
  bNegativeInRed = ReadFlag(hwnd, "Options", "NegativeInRed", 1);
  bNegativeInParen = ReadFlag(hwnd, "Options", "NegativeInParen", 0);
  bThousandsCommas = ReadFlag(hwnd, "Options", "ThousandsCommas", 1);
  bAlternateColor = ReadFlag(hwnd, "Options", "AlternateColor", 1);
}

void ReadExportSettings(HWND hwnd) {
  bAppend = ReadFlag(hwnd, "Files", "Append", 0);
  bExportToSymbol = ReadFlag(hwnd, "Files", "ExportToSymbol", 0);
  bAutoExport = ReadFlag(hwnd, "Files", "AutoExport", 0);
  bAutoQuit = ReadFlag(hwnd, "Files", "AutoQuit", 0);
  IniGetString(hwnd, "Files", "AutoFile", szAutoFile, sizeof szAutoFile, "autoexp.txt");
}

void ReadAlarmSettings(HWND hwnd) {
  bAlarmToTop = ReadFlag(hwnd, "Alarms", "ToTop", 1);
  bAlarmBeep = ReadFlag(hwnd, "Alarms", "Beep", 1);
  IniGetString(hwnd, "Alarms", "Sound", szAlarmSound, sizeof szAlarmSound, "");
}

void ReadPortfolioSettings(HWND hwnd) {
  IniGetString(hwnd, "Options", "TitleBar", szTitleBar, sizeof szTitleBar, "");
  char text[SETTING_PATH_SIZE];
  IniGetString(hwnd, "Options", "Cash", text, sizeof text, "0.0");
  dCash = 0.0;
  sscanf(text, "%lf", &dCash);
}

void ReadDelimiterSetting(HWND hwnd) {
  IniGetString(hwnd, "Files", "Delimiter", szDelimiter, sizeof szDelimiter, "\t");
  TranslateDelimiterWord(szDelimiter);
}

void TranslateDelimiterWord(char* delimiter) {
  if (strcmp(delimiter, "TAB") == 0) strcpy(delimiter, "\t");
  else if (strcmp(delimiter, "COMMA") == 0) strcpy(delimiter, ",");
}

void ReadVersionSettings(HWND hwnd) {
  bAutoVersion = IniGetInt(hwnd, "Options", "AutoVersion", 1);
  nVersionCounter = IniGetInt(hwnd, "Options", "VersionCounter", 0);
  if (nVersionCounter > 0) --nVersionCounter;
}

void ReadAltColorSetting(HWND hwnd) {
  if (!ParseAltColorSetting(hwnd, &crAltColor)) crAltColor = 0xF8F8F8;
}

BOOL ParseAltColorSetting(HWND hwnd, COLORREF* color) {
  char text[500];
  IniGetString(hwnd, "Options", "AltColor", text, sizeof text, "F8F8F8");
  unsigned int value;
  if (sscanf(text, "%X", &value) != 1) return FALSE;
  *color = (COLORREF)value;
  return TRUE;
}

void UpgradeSettings(HWND hwnd) {
  if (IniGetInt(hwnd, "Options", "UpgradeChange", 0) >= 2) return;
  IniPutString(hwnd, "Options", "UpgradeChange", "2");
  if (nQuoteSource != SRC_YAHOO) return;
  static const struct {
    const char* market;
    const char* symbol;
  } indexes[] = {{"DJIA", "^DJI"}, {"NYSE", "^NYA"}, {"NASDAQ", "^IXIC"}, {"AMEX", "^XAX"}, {"SP500", "^GSPC"}};
  for (const auto& index : indexes) {
    if (IniGetInt(hwnd, "Markets", index.market, 0) <= 0) continue;
    IniPutString(hwnd, "Markets", index.market, "0");
    IniPutString(hwnd, "Stocks", index.symbol, EMPTY_STOCK_SETTING);
  }
}
