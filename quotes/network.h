// The network road: settings of the quote cycle and its transports, the receive buffer both transports
// fill, and the entry points the main window routes its timer and network messages to.
#pragma once
#include <windows.h>
#include <wininet.h>

#define PROXY_SIZE 500

// ---- settings (read when the main window is created; edited by the network dialog) ----------------
extern int bUseWinInet;     // [Options] UseWinInet, read at start-up; takes effect at the next start
extern int nDelay;          // [Options] Delay: seconds between automatic cycles, 0 = on demand only
extern int nTimeout;        // [Options] Timeout: network time-out in seconds
extern int bAsyncDNS;       // [Options] AsyncDNS
extern char szProxy[PROXY_SIZE];  // [Options] Proxy
extern int bUseProxy;       // set when szProxy is not empty
extern int nProxyPort;      // [Options] ProxyPort
extern int bAutoVersion;    // [Options] AutoVersion
extern int nVersionCounter; // [Options] VersionCounter, already lowered by 1 when read above 0

// ---- the road of this run -------------------------------------------------------------------------
// Open WinINet handle: every request goes through the network thread; NULL: raw sockets.
extern HINTERNET hInternet;
extern HANDLE hNetworkThread;
extern DWORD dwNetworkThreadId;

// Receive buffer of both transports: dwNetworkBufferRead bytes and a NUL; NULL (count and size 0)
// when empty.
extern char* pNetworkBuffer;
extern DWORD dwNetworkBufferRead;
// Bytes allocated for it: at least dwNetworkBufferRead + 10 while it is not NULL.
extern DWORD dwNetworkBufferSize;
// The reply in pNetworkBuffer arrived whole: a 2xx status, every byte its Content-Length announced,
// no transfer coding left undecoded, ended by the server before the request's deadline. FALSE for
// the failure text and for any other reply; a quote reply that is not whole is not parsed.
extern BOOL bNetworkReplyComplete;
// The whole reply's body came with a Content-Length and every announced byte arrived: it is known to end
// where it ends. FALSE where nothing tells whether it did (no length, a chunked body, a reply without a
// header), and for any reply that is not whole.
extern BOOL bNetworkReplyLengthMatched;
// pNetworkBuffer holds the program's own failure text, not bytes the server sent.
extern BOOL bNetworkFailureReply;
// Longest reply body kept, on either road; what comes after is dropped and the reply counts as cut.
#define NETWORK_REPLY_LIMIT (16 * 1024 * 1024)
// Longest status line and header read in front of a body (the raw road receives them).
#define REPLY_HEAD_MAX 8192
// Appends n bytes and a NUL to the receive buffer (10 bytes of slack behind the data), up to limit
// bytes in all (the raw road's buffer also holds the head). FALSE when memory ran out or the limit
// was reached: what was received until then is kept.
BOOL AppendNetworkBuffer(const char* data, DWORD n, DWORD limit = NETWORK_REPLY_LIMIT);
// Makes room for a reply of n bytes at once (a length the server announced), up to the limit.
void ReserveNetworkBuffer(DWORD n);
// When the request under way began (GetTickCount), on either road: it ends Timeout seconds later
// however slowly its bytes come.
extern DWORD dwRequestStart;
// Milliseconds left of the request under way under the Timeout setting; 0 once it is over.
DWORD RequestTimeLeft(void);
// Logs that the request under way is dropped at its time-out, with the bytes it had brought.
void LogRequestOverTime(DWORD bytes = dwNetworkBufferRead);
// Frees the receive buffer; the count goes back to 0 and the failure text is gone.
void FreeNetworkBuffer(void);

// ---- what the main window calls -------------------------------------------------------------------
// IDT_TICK: the countdown and start of a cycle while idle; request pacing and watchdog while busy.
void OnCycleTick(HWND hwnd);
// IDM_UPDATENOW: the next idle tick starts a cycle.
void RequestUpdateNow(void);
// WM_NETWORK_DONE, and the close of a raw socket: the reply in pNetworkBuffer goes to the consumer of
// the current state, then the cycle goes on.
void ProcessNetworkReply(HWND hwnd);
// WM_SOCKET_EVENT of the raw road.
LRESULT OnSocketEvent(HWND hwnd, WPARAM wParam, LPARAM lParam);
// Reloads the list from the database (InitLoadStocks) at a moment when no request is being built, in
// the sort order the header shows.
void ReloadStockList(HWND hListView);

// ---- the cycle and its transports -----------------------------------------------------------------
void RunNextNetworkCommand(HWND hwnd);
int StartVersionCheck(HWND hwnd);
int StartBannerDownload(HWND hwnd);
int StartQuoteRequest(HWND hwnd);
void StartInterRequestDelay(HWND hwnd);
// The network thread; param may be an event it signals once its message queue exists.
DWORD WINAPI NetworkThreadProc(LPVOID param);
// Starts the network thread and waits until it can take requests; FALSE when it could not start.
BOOL StartNetworkThread(void);
// At exit: ends the network thread (WinINet road) or the socket library (raw road).
void ShutdownNetwork(void);
// Every row has been asked for: idle again, exports usable, alarms checked.
void EndNetworkCycle(HWND hwnd);
// A socket error stops the cycle; the state moves past the failed step.
void StopCycleAfterSocketError(void);
