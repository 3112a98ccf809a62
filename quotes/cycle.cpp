#include "quotes/cycle.h"

int nNetworkState = STA_VERSION_CHECK;
int bNetworkBusy = 0;
int nNextItem = 0;
char szSymbolList[SYMBOL_LIST_SIZE] = "";
char szYahooExtraCallQuery[SYMBOL_LIST_SIZE] = "";
unsigned char bYahooExtraPending = 0;
unsigned char bYahooCsvExpected = 1;
short nInterRequestDelay = 0;
int nSecondsToUpdate = 0;
int bUpdateRequested = 1;
RequestRow RequestRows[REQUEST_ROWS_MAX];
int nRequestRows = 0;
