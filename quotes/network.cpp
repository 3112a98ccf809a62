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
BOOL bNetworkReplyLengthMatched = FALSE;
BOOL bNetworkFailureReply = FALSE;

DWORD dwNetworkBufferSize = 0;
DWORD dwRequestStart = 0;

namespace {

// Grows the buffer to hold at least need bytes: to twice its size at the least, so that a reply read
// chunk by chunk is copied a bounded number of times whatever its length.
bool GrowNetworkBuffer(DWORD need) {
  if (need <= dwNetworkBufferSize) return true;
  DWORD want = dwNetworkBufferSize * 2;
  if (want > NETWORK_REPLY_LIMIT + REPLY_HEAD_MAX + 10) want = NETWORK_REPLY_LIMIT + REPLY_HEAD_MAX + 10;
  if (want < need) want = need;
  char* grown = (char*)realloc(pNetworkBuffer, want);
  if (grown == NULL) return false;
  pNetworkBuffer = grown;
  dwNetworkBufferSize = want;
  return true;
}

}  // namespace

BOOL AppendNetworkBuffer(const char* data, DWORD n, DWORD limit) {
  DWORD have = dwNetworkBufferRead;
  BOOL whole = TRUE;
  if (have > limit) limit = have;
  if (n > limit - have) {
    WriteLog("Reply cut at %lu bytes", (unsigned long)limit);
    n = limit - have;
    whole = FALSE;
  }
  if (n == 0) return whole;
  if (!GrowNetworkBuffer(have + n + 10)) {
    WriteLog("Out of memory after %lu bytes of a reply", (unsigned long)have);
    return FALSE;
  }
  memcpy(pNetworkBuffer + have, data, n);
  pNetworkBuffer[have + n] = '\0';
  dwNetworkBufferRead = have + n;
  return whole;
}

void ReserveNetworkBuffer(DWORD n) {
  if (n > NETWORK_REPLY_LIMIT) n = NETWORK_REPLY_LIMIT;
  DWORD have = dwNetworkBufferRead;
  if (n <= have || !GrowNetworkBuffer(n + 10)) return;
  pNetworkBuffer[have] = '\0';
}

DWORD RequestTimeLeft(void) {
  DWORD total = (DWORD)(nTimeout > 0 ? nTimeout : 1) * 1000;
  DWORD spent = GetTickCount() - dwRequestStart;
  return spent >= total ? 0 : total - spent;
}

void LogRequestOverTime(DWORD bytes) {
  WriteLog("Request over its time-out of %d s: dropped after %lu bytes", nTimeout, (unsigned long)bytes);
}

void FreeNetworkBuffer(void) {
  free(pNetworkBuffer);
  pNetworkBuffer = NULL;
  dwNetworkBufferRead = 0;
  dwNetworkBufferSize = 0;
  bNetworkFailureReply = FALSE;
}
