#include "quotes/network.h"

#include <stdlib.h>
#include <string.h>

#include "foundation/log.h"

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
BOOL bNetworkReplyComplete = FALSE;

BOOL AppendNetworkBuffer(const char* data, DWORD n) {
  DWORD have = pNetworkBuffer ? dwNetworkBufferRead : 0;
  BOOL whole = TRUE;
  if (n > NETWORK_REPLY_LIMIT - have) {
    WriteLog("Reply cut at %lu bytes", (unsigned long)NETWORK_REPLY_LIMIT);
    n = NETWORK_REPLY_LIMIT - have;
    whole = FALSE;
  }
  if (n == 0) return whole;
  char* grown = (char*)realloc(pNetworkBuffer, (size_t)have + n + 10);
  if (grown == NULL) {
    WriteLog("Out of memory after %lu bytes of a reply", (unsigned long)have);
    return FALSE;
  }
  memcpy(grown + have, data, n);
  grown[have + n] = '\0';
  pNetworkBuffer = grown;
  dwNetworkBufferRead = have + n;
  return whole;
}

void FreeNetworkBuffer(void) {
  free(pNetworkBuffer);
  pNetworkBuffer = NULL;
  dwNetworkBufferRead = 0;
}
