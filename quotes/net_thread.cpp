// The WinINet road: one worker thread downloads each request of the cycle and hands the reply to the
// main window with a synchronous WM_NETWORK_DONE.
#include <windows.h>
#include <wininet.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <new>

#include "app/handles.h"
#include "foundation/log.h"
#include "quotes/hosts.h"
#include "quotes/network.h"
#include "quotes/request.h"
#include "quotes/sockets.h"
#include "store/database.h"

namespace {

const char kNoResponse[] = "No response from server";
const DWORD kRequestFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_COOKIES;
const DWORD kShutdownWaitMs = 2000;
// Bytes a call reads before it hands them over: a big body crosses threads a few times, not once
// for every read.
const DWORD kPieceSize = 256 * 1024;
// Room for one read: at least the whole read buffer of Wine's WinINet, which a read of what is
// available then empties.
const DWORD kReadSize = 8192;

// Set at exit: every wait of the fetch ends at once.
HANDLE hNetworkExit = NULL;

void SetFailureReply() {
  FreeNetworkBuffer();
  AppendNetworkBuffer(kNoResponse, sizeof kNoResponse - 1);
  bNetworkFailureReply = TRUE;
  bNetworkReplyComplete = bNetworkReplyLengthMatched = FALSE;
}

// Every blocking WinINet call of a request (the send, which connects, sends and reads the header,
// and the reads of the body) runs on a thread of the request's own, and the fetch waits for each
// step only until the request's deadline. A header or body that trickles in holds a call whatever
// the time-outs say: each receive gets its byte in time, and under Wine neither a later time-out
// nor closing the handle reaches a call under way.
//
// The thread alone opens, uses and closes the request's handles, and closes them after its last
// call: no handle value can be given out again while a call of this request may still use it. The
// close may read the rest of an announced body (WinINet keeps the connection that way); it runs on
// this thread, so the fetch never waits for it.
enum : LONG {
  kAskRead,  // read the next piece of the body
  kAskStop,  // close the handles and end; also when the fetch has left the call behind
};

struct RequestCall {
  // Given by the fetch before the thread starts.
  HINTERNET session;
  char host[HOST_NAME_SIZE], object[2 * URL_SIZE];
  char server[HOST_TEXT_SIZE];  // host and port: what a slow server's threads are counted by
  INTERNET_PORT port;
  DWORD flags, timeoutMs;
  HANDLE ready, go;  // a step is done; the next ask is in ask
  LONG ask;
  LONG refs;  // the fetch's and the thread's: the last one frees the call
  // The furthest the send got (a status WinINet reported) and the body bytes read, for the log of a
  // request dropped for time.
  LONG stage, received;
  // The step's result, written by the thread before it sets ready.
  BOOL ok;
  DWORD error, status, announced;
  BOOL haveLength, ended;
  char* piece;
  DWORD pieceLength;
};

void ReleaseCall(RequestCall* call) {
  if (InterlockedDecrement(&call->refs) != 0) return;
  if (call->ready) CloseHandle(call->ready);
  if (call->go) CloseHandle(call->go);
  free(call->piece);
  delete call;
}

// Only a call under way reports these; closing a handle reports later ones.
void CALLBACK CallStatus(HINTERNET, DWORD_PTR context, DWORD status, LPVOID, DWORD) {
  RequestCall* call = (RequestCall*)context;
  if (status <= INTERNET_STATUS_RESPONSE_RECEIVED && status > (DWORD)call->stage)
    InterlockedExchange(&call->stage, (LONG)status);
}

// What a request dropped while it was being sent had got to.
const char* StageText(LONG stage) {
  if (stage < INTERNET_STATUS_CONNECTED_TO_SERVER) return "no connection to the server by then";
  if (stage < INTERNET_STATUS_REQUEST_SENT) return "connected, the request not yet sent";
  return "the request was sent, no whole reply header by then";
}

// Connects, sends and reads the header, then the status and the announced length.
HINTERNET Send(RequestCall* call, HINTERNET* connection) {
  *connection = InternetConnectA(call->session, call->host, call->port, NULL, NULL, INTERNET_SERVICE_HTTP, 0, 0);
  HINTERNET request = NULL;
  if (*connection)
    request = HttpOpenRequestA(*connection, "GET", call->object, NULL, NULL, NULL, call->flags, (DWORD_PTR)call);
  if (request) {
    // The internet handle's time-outs do not reach the connections of a request under Wine; the
    // receive time-out reaches its socket once, when the header is read.
    for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT})
      InternetSetOptionA(request, option, &call->timeoutMs, sizeof call->timeoutMs);
    InternetSetStatusCallbackA(request, CallStatus);
    call->ok = HttpSendRequestA(request, NULL, 0, NULL, 0);
    call->error = GetLastError();
    InternetSetStatusCallbackA(request, NULL);  // each read would report twice
  } else {
    call->error = GetLastError();
  }
  if (call->ok) {
    DWORD size = sizeof call->status;
    HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &call->status, &size, NULL);
    size = sizeof call->announced;
    call->haveLength =
        HttpQueryInfoA(request, HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER, &call->announced, &size, NULL);
  }
  return request;
}

// Reads what has arrived, a read at a time (one read under Wine waits until its buffer is full, so
// it asks for no more than that), until a piece is full, the body has ended or a read failed.
void ReadPiece(RequestCall* call, HINTERNET request) {
  call->pieceLength = 0;
  if (call->piece == NULL) call->piece = (char*)malloc(kPieceSize);
  if (call->piece == NULL) {
    call->ok = FALSE;
    call->error = ERROR_NOT_ENOUGH_MEMORY;
    return;
  }
  while (call->pieceLength + kReadSize <= kPieceSize) {
    DWORD available = 0, n = 0;
    call->ok = InternetQueryDataAvailable(request, &available, 0, 0);
    if (call->ok && available) {
      if (available > kPieceSize - call->pieceLength) available = kPieceSize - call->pieceLength;
      call->ok = InternetReadFile(request, call->piece + call->pieceLength, available, &n);
    }
    if (!call->ok) call->error = GetLastError();
    if (!call->ok || n == 0) {
      call->ended = call->ok;
      return;
    }
    call->pieceLength += n;
    InterlockedExchangeAdd(&call->received, (LONG)n);
  }
}

// Reports the step done and waits for the next ask.
LONG Handover(RequestCall* call) {
  SetEvent(call->ready);
  WaitForSingleObject(call->go, INFINITE);
  return InterlockedCompareExchange(&call->ask, kAskStop, kAskStop);
}

DWORD WINAPI CallThread(LPVOID param) {
  RequestCall* call = (RequestCall*)param;
  HINTERNET connection = NULL;
  HINTERNET request = Send(call, &connection);
  while (Handover(call) == kAskRead) ReadPiece(call, request);
  if (request) InternetCloseHandle(request);
  if (connection) InternetCloseHandle(connection);
  ReleaseCall(call);
  return 0;
}

void Ask(RequestCall* call, LONG ask) {
  InterlockedExchange(&call->ask, ask);
  SetEvent(call->go);
}

enum Step { kStepDone, kStepLate, kStepExit };

// Waits for the step asked for until the request's deadline or the exit.
Step Await(RequestCall* call) {
  HANDLE waits[2] = {call->ready, hNetworkExit};
  DWORD r = WaitForMultipleObjects(2, waits, FALSE, RequestTimeLeft());
  if (r == WAIT_OBJECT_0 + 1) return kStepExit;
  return r == WAIT_OBJECT_0 && RequestTimeLeft() > 0 ? kStepDone : kStepLate;
}

// Threads of requests that may still be running (left behind at a deadline, or closing), by server:
// a server that never finishes a header keeps at most kLeftPerServer of them, and only its own
// requests wait for them. Only the network thread touches the table.
const int kLeftPerServer = 2;
struct LeftThread {
  char server[HOST_TEXT_SIZE];
  HANDLE thread;
};
LeftThread LeftThreads[kLeftPerServer * HOST_COUNT];

// Reaps the threads that have ended; while the server has all its slots taken (or no slot is free),
// waits for one of them to end within the request's own time. False when none did.
bool RoomForCall(const char* server) {
  for (;;) {
    HANDLE waits[1 + kLeftPerServer * HOST_COUNT] = {hNetworkExit};
    DWORD mine = 0, all = 0, n = 1;
    for (LeftThread& t : LeftThreads) {
      if (t.thread && WaitForSingleObject(t.thread, 0) == WAIT_OBJECT_0) {
        CloseHandle(t.thread);
        t.thread = NULL;
      }
      if (t.thread == NULL) continue;
      ++all;
      if (strcmp(t.server, server) == 0) ++mine;
    }
    bool full = all == sizeof LeftThreads / sizeof LeftThreads[0];
    if (mine < kLeftPerServer && !full) return true;
    for (LeftThread& t : LeftThreads)
      if (t.thread && (full || strcmp(t.server, server) == 0)) waits[n++] = t.thread;
    DWORD r = WaitForMultipleObjects(n, waits, FALSE, RequestTimeLeft());
    if (r == WAIT_OBJECT_0 || r >= WAIT_OBJECT_0 + n) return false;
  }
}

void KeepThread(const char* server, HANDLE thread) {
  for (LeftThread& t : LeftThreads)
    if (t.thread == NULL) {
      snprintf(t.server, sizeof t.server, "%s", server);
      t.thread = thread;
      return;
    }
  CloseHandle(thread);  // not reached: RoomForCall left a slot
}

// The call of a request for url, its thread not yet started; NULL when the address does not parse
// or memory ran out.
RequestCall* NewCall(const char* url) {
  char path[URL_SIZE], extra[URL_SIZE];
  RequestCall* call = new (std::nothrow) RequestCall();
  if (call == NULL) return NULL;
  URL_COMPONENTSA parts;
  memset(&parts, 0, sizeof parts);
  parts.dwStructSize = sizeof parts;
  parts.lpszHostName = call->host;
  parts.dwHostNameLength = sizeof call->host;
  parts.lpszUrlPath = path;
  parts.dwUrlPathLength = sizeof path;
  parts.lpszExtraInfo = extra;
  parts.dwExtraInfoLength = sizeof extra;
  call->refs = 2;
  call->ready = CreateEventA(NULL, FALSE, FALSE, NULL);
  call->go = CreateEventA(NULL, FALSE, FALSE, NULL);
  if (!InternetCrackUrlA(url, 0, 0, &parts) || call->ready == NULL || call->go == NULL) {
    DWORD error = GetLastError();
    call->refs = 1;
    ReleaseCall(call);
    SetLastError(error);
    return NULL;
  }
  snprintf(call->object, sizeof call->object, "%s%s", path, extra);
  snprintf(call->server, sizeof call->server, "%s:%u", call->host, (unsigned)parts.nPort);
  call->session = hInternet;
  call->port = parts.nPort;
  call->flags = kRequestFlags | (parts.nScheme == INTERNET_SCHEME_HTTPS ? INTERNET_FLAG_SECURE : 0);
  DWORD ms = RequestTimeLeft();
  call->timeoutMs = ms < 100 ? 100 : ms;
  return call;
}

LONG Received(RequestCall* call) { return InterlockedExchangeAdd(&call->received, 0); }

// Reads the body into the receive buffer, piece by piece, and judges the reply. True when the body
// was read to its end in time: closing the request then reads nothing more.
bool ReadReply(RequestCall* call) {
  const DWORD status = call->status, announced = call->announced;
  const BOOL haveLength = call->haveLength;
  if (haveLength && status >= 200 && status <= 299) ReserveNetworkBuffer(announced);
  Step step;
  bool taken = true, ended = false;
  do {
    Ask(call, kAskRead);
    step = Await(call);
    if (step != kStepDone) break;
    taken = call->pieceLength == 0 || AppendNetworkBuffer(call->piece, call->pieceLength);
    ended = call->ended != FALSE;
  } while (call->ok && taken && !ended);
  if (step == kStepDone && !call->ok)
    WriteLog("Reading the reply failed (%lu) after %lu bytes", call->error, (unsigned long)dwNetworkBufferRead);
  // Whole: a 2xx status, every byte its Content-Length announced, ended by the server in time.
  DWORD received = dwNetworkBufferRead;
  bool whole = status >= 200 && status <= 299 && (!haveLength || received == announced);
  bNetworkReplyComplete = ended && whole;
  bNetworkReplyLengthMatched = bNetworkReplyComplete && haveLength;
  if (step == kStepLate && whole && haveLength)
    WriteLog("Reply arrived too late: all %lu bytes, but after the time-out of %d s", received, nTimeout);
  else if (step == kStepLate)
    LogRequestOverTime((DWORD)Received(call));
  else if (step == kStepExit)
    WriteLog("Request dropped at exit after %lu bytes", (unsigned long)Received(call));
  else if (!bNetworkReplyComplete)
    WriteLog("Reply not whole: status %lu, %lu bytes of %ld", status, received, haveLength ? (long)announced : -1L);
  return step == kStepDone && ended;
}

void Download(const char* url) {
  RequestCall* call = NewCall(url);
  if (call == NULL) {
    WriteLog("No response from server (%lu)", GetLastError());
    SetFailureReply();
    return;
  }
  HANDLE thread = NULL;
  if (!RoomForCall(call->server)) {
    WriteLog("%d requests left behind on %s still running: this one is not sent", kLeftPerServer, call->server);
    LogRequestOverTime(0);
  } else {
    thread = CreateThread(NULL, 0, CallThread, call, 0, NULL);
    if (thread == NULL) WriteLog("No response from server (%lu)", GetLastError());
  }
  if (thread == NULL) {
    ReleaseCall(call);
    ReleaseCall(call);
    SetFailureReply();
    return;
  }
  Step step = Await(call);
  if (step == kStepLate)
    WriteLog("Request over its time-out of %d s: %s", nTimeout, StageText(InterlockedExchangeAdd(&call->stage, 0)));
  else if (step == kStepExit)
    WriteLog("Request dropped at exit before its reply");
  else if (!call->ok)
    WriteLog("No response from server (%lu)", call->error);
  if (step != kStepDone || !call->ok)
    SetFailureReply();
  // No call under way and nothing left to read: the thread ends at once.
  bool over = step == kStepDone && (!call->ok || ReadReply(call));
  Ask(call, kAskStop);
  HANDLE waits[2] = {thread, hNetworkExit};
  if (over && WaitForMultipleObjects(2, waits, FALSE, RequestTimeLeft()) == WAIT_OBJECT_0)
    CloseHandle(thread);
  else
    KeepThread(call->server, thread);
  ReleaseCall(call);
}

void FetchCurrentRequest() {
  char url[URL_SIZE];
  bNetworkReplyComplete = bNetworkReplyLengthMatched = FALSE;
  int built;
  {
    // A list reload on the main thread waits meanwhile (see ReloadStockList).
    CDbLock lock(oDatabase);
    built = BuildRequestUrl(url);
  }
  if (built) {
    FreeNetworkBuffer();
    dwRequestStart = GetTickCount();
    WriteLog("%s", url);
    Download(url);
  }
  SendMessageA(hMainWnd, WM_NETWORK_DONE, 0, 0);
}

// Waits for the thread to end while serving messages other threads send to this one (the thread may
// be handing over its last reply).
bool WaitForThreadEnd(HANDLE thread, DWORD ms) {
  DWORD start = GetTickCount();
  for (;;) {
    DWORD spent = GetTickCount() - start;
    if (spent >= ms) return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0;
    DWORD r = MsgWaitForMultipleObjects(1, &thread, FALSE, ms - spent, QS_SENDMESSAGE);
    if (r == WAIT_OBJECT_0) return true;
    MSG msg;
    PeekMessageA(&msg, NULL, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
}

}  // namespace

DWORD WINAPI NetworkThreadProc(LPVOID param) {
  // The queue must exist before the first fetch is posted.
  MSG msg;
  PeekMessageA(&msg, NULL, WM_USER, WM_USER, PM_NOREMOVE);
  if (param) SetEvent((HANDLE)param);
  while (GetMessageA(&msg, NULL, 0, 0) > 0) {
    if (msg.message == WM_NETWORK_QUIT) break;
    if (msg.message == WM_NETWORK_FETCH) FetchCurrentRequest();
  }
  return 0;
}

BOOL StartNetworkThread(void) {
  if (hNetworkThread) return TRUE;
  if (hNetworkExit == NULL) hNetworkExit = CreateEventA(NULL, TRUE, FALSE, NULL);
  HANDLE ready = CreateEventA(NULL, TRUE, FALSE, NULL);
  if (ready == NULL || hNetworkExit == NULL) {
    if (ready) CloseHandle(ready);
    return FALSE;
  }
  hNetworkThread = CreateThread(NULL, 0, NetworkThreadProc, ready, 0, &dwNetworkThreadId);
  if (hNetworkThread == NULL) {
    CloseHandle(ready);
    dwNetworkThreadId = 0;
    return FALSE;
  }
  HANDLE waits[2] = {ready, hNetworkThread};
  DWORD r = WaitForMultipleObjects(2, waits, FALSE, 10000);
  if (r == WAIT_TIMEOUT) return TRUE;  // slow, not dead: the event stays open for it
  CloseHandle(ready);
  if (r == WAIT_OBJECT_0) return TRUE;
  CloseHandle(hNetworkThread);
  hNetworkThread = NULL;
  dwNetworkThreadId = 0;
  return FALSE;
}

void ShutdownNetwork(void) {
  if (hInternet == NULL) {
    ShutdownSockets();
    return;
  }
  bool ended = true;
  if (hNetworkThread) {
    // Every wait of the fetch also waits for the exit: the thread ends by itself, a call under way
    // is left behind.
    SetEvent(hNetworkExit);
    PostThreadMessageA(dwNetworkThreadId, WM_NETWORK_QUIT, 0, 0);
    ended = WaitForThreadEnd(hNetworkThread, kShutdownWaitMs);
    if (!ended) WriteLog("Network thread still running after %lu ms: left to end with the process", kShutdownWaitMs);
    CloseHandle(hNetworkThread);
    hNetworkThread = NULL;
    dwNetworkThreadId = 0;
  }
  if (ended && hNetworkExit) {
    CloseHandle(hNetworkExit);
    hNetworkExit = NULL;
  }
  // Ends the calls left behind where WinINet can (Windows); under Wine each ends when its server
  // stops sending.
  InternetCloseHandle(hInternet);
  hInternet = NULL;
}
