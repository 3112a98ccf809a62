// State of the network command cycle, shared by the request builder, the transports and the parsers.
// The network thread writes some of it while it builds a request, holding the database lock (which a
// list reload holds too); otherwise the cycle's alternation of posted fetch and synchronous reply is
// the only ordering.
#pragma once
#include <windows.h>

#define STA_VERSION_CHECK 12
#define STA_BANNER_GET 13
#define STA_QUOTE_CHECK 15

#define SYMBOL_LIST_SIZE 500

// The step the cycle is in: one of the STA_ values.
extern int nNetworkState;
// A cycle is under way; the countdown to the next one waits meanwhile.
extern int bNetworkBusy;
// List-view row at which the next quote request starts.
extern int nNextItem;
// Symbols of the quote request under way, as the parsers receive them ('+'-joined).
extern char szSymbolList[SYMBOL_LIST_SIZE];
// Comma-separated index symbols for the one JSON request of a Yahoo cycle.
extern char szYahooExtraCallQuery[SYMBOL_LIST_SIZE];
// Index symbols still wait for their JSON request in this cycle.
extern unsigned char bYahooExtraPending;
// The next Yahoo reply is CSV (1) or JSON (0).
extern unsigned char bYahooCsvExpected;
// Ticks still to wait before the next one-symbol request of the HTML detail-page source.
extern short nInterRequestDelay;
// Seconds until the next automatic cycle.
extern int nSecondsToUpdate;
// A cycle is wanted although the Delay setting is 0.
extern int bUpdateRequested;

// One stock row a quote request was built for: its rowid and the token it has in the request's
// symbol list (cut as the parsers cut it).
#define REQUEST_ROWS_MAX 30
#define REQUEST_TOKEN_SIZE 30
struct RequestRow {
  long long rowid;
  char token[REQUEST_TOKEN_SIZE];
};
// The rows of the quote request under way, in the order of its symbol list (szSymbolList, or
// szYahooExtraCallQuery for the JSON request); filled by the request builder, read by the parsers
// so that each reply line is stored under the stock it was asked for.
extern RequestRow RequestRows[REQUEST_ROWS_MAX];
extern int nRequestRows;
// The quote source the request under way was built for: its reply is parsed for that source, also
// when the Source setting changed meanwhile.
extern int nRequestSource;

// The stock rows of the cycle under way: their rowids in list order when it began. Requests walk
// this list (nNextItem indexes it), so a re-sort after a reply neither skips nor repeats a row; rows
// added meanwhile wait for the next cycle.
void TakeCycleRows(HWND hListView);
int CycleRowCount(void);
// The rowid of the cycle's row index; 0 outside the list.
long long CycleRowId(int index);
