#include "quotes/network.h"

#include "store/stocks.h"

int bUseWinInet = 1;
int nDelay = 120;
int nTimeout = 45;
int bAsyncDNS = 0;
char szProxy[PROXY_SIZE] = "";
int bUseProxy = 0;
int nProxyPort = 80;
int bAutoVersion = 1;
int nVersionCounter = 0;

HINTERNET hInternet = NULL;
HANDLE hNetworkThread = NULL;
DWORD dwNetworkThreadId = 0;

char* pNetworkBuffer = NULL;
DWORD dwNetworkBufferRead = 0;

void ReloadStockList(HWND hListView) { InitLoadStocks(hListView); }
