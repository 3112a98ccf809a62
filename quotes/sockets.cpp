#include "quotes/sockets.h"

#include <stdio.h>
#include <string.h>

#include "app/handles.h"
#include "app/status_strip.h"
#include "foundation/log.h"
#include "foundation/text.h"
#include "quotes/cycle.h"
#include "quotes/network.h"
#include "quotes/reply_head.h"
#include "quotes/reply_text.h"
#include "quotes/request.h"

SOCKET hSocket = INVALID_SOCKET;
int nNetworkCountdown = 0;

namespace {

const int kHostBufferSize = 260;
// recv calls after the close event: the data still unread then is bounded by the receive window.
const int kReadsAfterClose = 4096;

BOOL bWinsockReady = FALSE;
HWND hSocketWnd = NULL;

// The request of the connection under way, built on its first write event (length 0 until then) and
// sent in as many pieces as the socket takes.
char szRequest[RAW_REQUEST_SIZE];
int nRequestLength = 0;
int nRequestSent = 0;

const char* SocketErrorText(int code) {
  switch (code) {
    case WSAEADDRNOTAVAIL: return "WSAEADDRNOTAVAIL";
    case WSAETIMEDOUT: return "WSAETIMEDOUT";
    case WSAECONNREFUSED: return "WSAECONNREFUSED";
    default: return "AsyncSelect(Error)";
  }
}

// Closes the socket under way, if any, and drops the events already queued for it.
void CloseRequestSocket() {
  if (hSocket == INVALID_SOCKET) return;
  SOCKET s = hSocket;
  hSocket = INVALID_SOCKET;
  WSAAsyncSelect(s, hSocketWnd, 0, 0);
  closesocket(s);
  // Events already queued for it must not reach a later socket that gets the same handle value.
  MSG msg;
  for (int i = 0; i < 1000 && PeekMessageA(&msg, hSocketWnd, WM_SOCKET_EVENT, WM_SOCKET_EVENT, PM_REMOVE); ++i) {
  }
}

void SelectEvents(long events) { WSAAsyncSelect(hSocket, hSocketWnd, WM_SOCKET_EVENT, events); }

void FailRequest(HWND hwnd, int code) {
  const char* text = SocketErrorText(code);
  WriteLog("%s (%d)", text, code);
  SetStatusText(hwnd, text, 1);
  CloseRequestSocket();
  StopCycleAfterSocketError();
}

// Only a request line without an HTTP version is answered without a status line and header.
bool RequestHasVersion() {
  const char* version = strstr(szRequest, " HTTP/");
  const char* lineEnd = strchr(szRequest, '\n');
  return version != NULL && (lineEnd == NULL || version < lineEnd);
}

enum Receipt { kReceived, kDrained, kFailed, kFull };

// One recv into the receive buffer. The log gets the first bytes of a quote reply only.
Receipt ReceiveChunk(int* error) {
  char chunk[8192];
  DWORD before = dwNetworkBufferRead;
  int n = recv(hSocket, chunk, sizeof chunk, 0);
  if (n == SOCKET_ERROR) {
    *error = WSAGetLastError();
    return *error == WSAEWOULDBLOCK ? kDrained : kFailed;
  }
  if (n == 0) return kDrained;
  if (nNetworkState == STA_QUOTE_CHECK && before < LOGGED_REPLY_HEAD) {
    DWORD shown = LOGGED_REPLY_HEAD - before;
    WriteLog("%.*s", (int)(shown < (DWORD)n ? shown : (DWORD)n), chunk);
    WriteLog("FD_READ(END)");
  }
  // The head comes in front of the body here: the body has the same limit as on WinINet.
  return AppendNetworkBuffer(chunk, (DWORD)n, NETWORK_REPLY_LIMIT + REPLY_HEAD_MAX) ? kReceived : kFull;
}

// Hands over what arrived; a quote reply that is not whole is not parsed.
void FinishReply(HWND hwnd, bool whole, bool lengthMatched = false) {
  bNetworkReplyComplete = whole;
  bNetworkReplyLengthMatched = whole && lengthMatched;
  CloseRequestSocket();
  ProcessNetworkReply(hwnd);
}

// The request outlived its time-out: dropped, and the cycle goes on in the same state (a version
// server that never answers must not hold the cycle: it goes on with the banners).
void AbandonRequest(HWND hwnd) {
  WriteLog("nNetworkCountdown==0");
  LogRequestOverTime();
  CloseRequestSocket();
  if (nNetworkState == STA_VERSION_CHECK) nNetworkState = STA_BANNER_GET;
  RunNextNetworkCommand(hwnd);
}

void OnRead(HWND hwnd) {
  int error = 0;
  switch (ReceiveChunk(&error)) {
    case kFailed: FailRequest(hwnd, error); break;
    case kFull:
      WriteLog("Reply body over %lu bytes: not whole", (unsigned long)NETWORK_REPLY_LIMIT);
      FinishReply(hwnd, false);
      break;
    default: break;
  }
}

void OnWrite(HWND hwnd) {
  if (nRequestLength == 0) {
    nRequestLength = BuildRawRequest(szRequest, sizeof szRequest, bUseProxy);
    nRequestSent = 0;
    if (nRequestLength == 0) {
      CloseRequestSocket();
      EndNetworkCycle(hwnd);
      return;
    }
  } else if (nRequestSent >= nRequestLength) {
    return;  // sent whole already
  }
  while (nRequestSent < nRequestLength) {
    int n = send(hSocket, szRequest + nRequestSent, nRequestLength - nRequestSent, 0);
    if (n == SOCKET_ERROR) {
      int code = WSAGetLastError();
      if (code != WSAEWOULDBLOCK) FailRequest(hwnd, code);
      return;  // would block: the next write event goes on
    }
    if (n <= 0) return;
    nRequestSent += n;
  }
  SelectEvents(FD_READ | FD_CLOSE);
}

// The server closed: what is still unread comes now (no read event follows a close event). A reset
// is a socket error like any other, not an empty reply.
void OnClose(HWND hwnd) {
  DWORD before = dwNetworkBufferRead;
  Receipt got = kReceived;
  int error = 0;
  for (int i = 0; i < kReadsAfterClose && got == kReceived; ++i) got = ReceiveChunk(&error);
  DWORD after = dwNetworkBufferRead;
  // Wine reports a reset as a plain close and recv then finds nothing: a connection that ends
  // without a byte of reply failed the same way.
  if (got != kFailed && after == 0) {
    WriteLog("Connection closed without a reply");
    got = kFailed;
    error = WSAECONNRESET;
  }
  if (got == kFailed) {
    FailRequest(hwnd, error);
    return;
  }
  if (after > before) WriteLog("FD_CLOSE with %lu bytes still unread", after - before);
  char why[80];
  bool whole = false, lengthMatched = false;
  if (got == kFull)
    snprintf(why, sizeof why, "a body over %lu bytes", (unsigned long)NETWORK_REPLY_LIMIT);
  else
    whole = RawReplyWhole(pNetworkBuffer, &dwNetworkBufferRead, RequestHasVersion(), &lengthMatched, why, sizeof why);
  WriteLog("Reply of %lu bytes%s%s", (unsigned long)after, why[0] ? ", not whole: " : "", why);
  FinishReply(hwnd, whole, lengthMatched);
}

bool IsDottedAddress(const char* name, unsigned long* address) {
  if (name[0] < '0' || name[0] > '9') return false;
  for (const char* p = name; *p; ++p)
    if ((*p < '0' || *p > '9') && *p != '.') return false;
  *address = inet_addr(name);
  return *address != INADDR_NONE;
}

}  // namespace

BOOL WinsockStartup(void) {
  WSADATA data;
  if (WSAStartup(MAKEWORD(1, 1), &data) != 0) {
    char text[64];
    snprintf(text, sizeof text, "WSAStartup error: %d", WSAGetLastError());
    MessageBoxA(hMainWnd, text, "ERROR", MB_ICONHAND);
    return FALSE;
  }
  if (LOBYTE(data.wVersion) != 1 || HIBYTE(data.wVersion) != LOBYTE(data.wVersion)) {
    char text[128];
    snprintf(text, sizeof text, "Could not find a winsock.dll\r\nWSAStartup reported: (%d,%d)",
             LOBYTE(data.wVersion), HIBYTE(data.wVersion));
    MessageBoxA(hMainWnd, text, "ERROR", MB_ICONHAND);
    WSACleanup();
    return FALSE;
  }
  return TRUE;
}

SOCKET SocketConnect(HWND hwnd, const char* host, int port) {
  if (!bWinsockReady) bWinsockReady = WinsockStartup();
  const char* target = bUseProxy ? szProxy : host;
  int targetPort = bUseProxy ? nProxyPort : port;
  char name[kHostBufferSize];
  if (target == NULL || !CopyCut(name, sizeof name, target)) return INVALID_SOCKET;  // too long: no such host
  unsigned long address = INADDR_NONE;
  if (!IsDottedAddress(name, &address)) {
    struct hostent* found = gethostbyname(name);
    if (found == NULL || found->h_addr_list[0] == NULL) return INVALID_SOCKET;
    memcpy(&address, found->h_addr_list[0], sizeof address);
  }
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) {
    SetStatusText(hwnd, "socket(INVALID_SOCKET)", 1);
    return INVALID_SOCKET;
  }
  CloseRequestSocket();
  hSocket = s;
  hSocketWnd = hwnd;
  dwRequestStart = GetTickCount();
  nRequestLength = nRequestSent = 0;
  SelectEvents(FD_READ | FD_CONNECT | FD_CLOSE);
  struct sockaddr_in to;
  memset(&to, 0, sizeof to);
  to.sin_family = AF_INET;
  to.sin_port = htons((u_short)targetPort);
  to.sin_addr.s_addr = address;
  if (connect(s, (struct sockaddr*)&to, sizeof to) == 0) {
    SelectEvents(FD_WRITE | FD_CLOSE);  // connected at once: no connect event to wait for
  } else if (WSAGetLastError() != WSAEWOULDBLOCK) {
    SetStatusText(hwnd, "after connect(BAD)", 1);
    CloseRequestSocket();
    return INVALID_SOCKET;
  }
  nNetworkCountdown = nTimeout;
  return s;
}

LRESULT OnSocketEvent(HWND hwnd, WPARAM wParam, LPARAM lParam) {
  // Only the socket under way counts: a late event of an abandoned one must not touch the next
  // request's buffer.
  if (hSocket == INVALID_SOCKET || (SOCKET)wParam != hSocket) return 0;
  int error = WSAGETSELECTERROR(lParam);
  if (error) {
    FailRequest(hwnd, error);
    return 0;
  }
  // Read events can keep the tick from coming at all: each event watches the deadline too.
  if (RequestTimeLeft() == 0) {
    AbandonRequest(hwnd);
    return 0;
  }
  switch (WSAGETSELECTEVENT(lParam)) {
    case FD_CONNECT: SelectEvents(FD_WRITE | FD_CLOSE); break;
    case FD_WRITE: OnWrite(hwnd); break;
    case FD_READ: OnRead(hwnd); break;
    case FD_CLOSE: OnClose(hwnd); break;
    default: break;
  }
  return 0;
}

void SocketWatchdog(HWND hwnd) {
  if (hSocket == INVALID_SOCKET) return;
  if (--nNetworkCountdown > 0 && RequestTimeLeft() > 0) return;
  AbandonRequest(hwnd);
}

void ShutdownSockets(void) {
  CloseRequestSocket();
  if (!bWinsockReady) return;
  WSACancelBlockingCall();
  WSACleanup();
  bWinsockReady = FALSE;
}
