// State of the network command cycle, shared by the request builder, the transports and the parsers.
#pragma once

#define STA_VERSION_CHECK 12
#define STA_BANNER_GET 13
#define STA_QUOTE_CHECK 15

extern int nNetworkState;
extern int bNetworkBusy;
extern int nNextItem;
extern char szSymbolList[500];
extern char szYahooExtraCallQuery[500];
extern unsigned char bYahooExtraPending;
extern unsigned char bYahooCsvExpected;
extern short nInterRequestDelay;
extern int nSecondsToUpdate;
extern int bUpdateRequested;
