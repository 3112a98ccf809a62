// The WinINet road: one worker thread downloads each request of the cycle and hands the reply to the
// main window with a synchronous WM_NETWORK_DONE.
#include <windows.h>
#include <wininet.h>
#include <stdio.h>
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

void SetFailureReply() {
  FreeNetworkBuffer();
  AppendNetworkBuffer(kNoResponse, sizeof kNoResponse - 1);
  bNetworkReplyComplete = bNetworkReplyLengthMatched = FALSE;
}

// The time-outs of the internet handle do not reach the connections InternetOpenUrl makes under
// Wine (a stalled server then holds the cycle for ever); on the connection and request handles
// they end a stalled call, also one left behind at the deadline.
void SetTimeouts(HINTERNET h) {
  DWORD ms = RequestTimeLeft();
  if (ms < 100) ms = 100;
  InternetSetOptionA(h, INTERNET_OPTION_CONNECT_TIMEOUT, &ms, sizeof ms);
  InternetSetOptionA(h, INTERNET_OPTION_SEND_TIMEOUT, &ms, sizeof ms);
  InternetSetOptionA(h, INTERNET_OPTION_RECEIVE_TIMEOUT, &ms, sizeof ms);
}

// The blocking WinINet calls of a request (the send, which connects, sends and reads the header, and
// each wait for body bytes) run one at a time on a thread of the request's own, and the fetch waits
// for each only until the request's deadline. A header or body that trickles in holds a call whatever
// the time-outs say: each receive gets its byte in time, a receive time-out changed once the
// connection is open does not reach it under Wine, nor does closing the handle end it there.
//
// Who closes the handles of a call left behind is settled once, by the state: a handle closed before
// the call has taken hold of it can be handed to the next request (WinINet gives values out again at
// once), and the late call would act on that one.
enum : LONG {
  kCallIdle,     // no call under way: the fetch owns the handles
  kCallQueued,   // asked for, not begun
  kCallRunning,  // about to begin or under way
  kCallInside,   // WinINet has reported from inside the call: the call holds the request
  kCallLeft,     // left behind before that: the call's thread closes the handles when the call ends
  kCallClosed,   // left behind inside the call: the fetch closed the handles at the deadline
};
enum CallKind { kCallSend, kCallReadSome, kCallQuit };

struct RequestCalls {
  HINTERNET request, connection;
  HANDLE go, done, thread;
  LONG state;
  CallKind kind;
  BOOL ok;
  DWORD error, n;
  char chunk[8192];
};

// Threads of requests left behind: a server that never finishes a header must not pile them up.
// Only the network thread touches them.
const int kMaxLeftBehind = 2;
HANDLE hLeftBehind[kMaxLeftBehind];

// Only a call under way reports these; closing a handle reports later ones, when the calls may be gone.
void CALLBACK CallStatus(HINTERNET, DWORD_PTR context, DWORD status, LPVOID, DWORD) {
  if (status < INTERNET_STATUS_CLOSING_CONNECTION)
    InterlockedCompareExchange(&((RequestCalls*)context)->state, kCallInside, kCallRunning);
}

void DoCall(RequestCalls* calls) {
  calls->n = 0;
  if (calls->kind == kCallSend) {
    calls->ok = HttpSendRequestA(calls->request, NULL, 0, NULL, 0);
  } else {
    // Only what has arrived is read: one read under Wine waits until its buffer is full.
    DWORD available = 0;
    calls->ok = InternetQueryDataAvailable(calls->request, &available, 0, 0);
    if (available > sizeof calls->chunk - 1) available = sizeof calls->chunk - 1;
    if (calls->ok && available) calls->ok = InternetReadFile(calls->request, calls->chunk, available, &calls->n);
  }
  calls->error = GetLastError();
}

// Back to idle after a call, unless the fetch has left it behind meanwhile.
bool EndCall(RequestCalls* calls) {
  for (LONG s = calls->state; s == kCallRunning || s == kCallInside; s = calls->state)
    if (InterlockedCompareExchange(&calls->state, kCallIdle, s) == s) return true;
  return false;
}

DWORD WINAPI CallThread(LPVOID param) {
  RequestCalls* calls = (RequestCalls*)param;
  while (WaitForSingleObject(calls->go, INFINITE) == WAIT_OBJECT_0 && calls->kind != kCallQuit &&
         InterlockedCompareExchange(&calls->state, kCallRunning, kCallQueued) == kCallQueued) {
    DoCall(calls);
    if (!EndCall(calls)) break;
    SetEvent(calls->done);
  }
  if (calls->state == kCallLeft) {
    InternetCloseHandle(calls->request);
    InternetCloseHandle(calls->connection);
  }
  CloseHandle(calls->go);
  CloseHandle(calls->done);
  delete calls;
  return 0;
}

// Reaps the threads left behind that have ended; while every slot is taken, waits for one to end
// within the request's own time. False when none did.
bool RoomForCalls() {
  for (;;) {
    HANDLE running[kMaxLeftBehind];
    DWORD n = 0;
    for (HANDLE& h : hLeftBehind) {
      if (h && WaitForSingleObject(h, 0) == WAIT_OBJECT_0) {
        CloseHandle(h);
        h = NULL;
      }
      if (h) running[n++] = h;
    }
    if (n < kMaxLeftBehind) return true;
    if (WaitForMultipleObjects(n, running, FALSE, RequestTimeLeft()) >= WAIT_OBJECT_0 + n) return false;
  }
}

// The calls of a request; NULL when it cannot be made (too many left behind, or no memory). Without
// a thread of their own the calls run on the fetch's.
RequestCalls* StartCalls(HINTERNET request, HINTERNET connection) {
  if (!RoomForCalls()) {
    WriteLog("%d requests left behind still running: this one is not sent", kMaxLeftBehind);
    LogRequestOverTime();
    SetLastError(ERROR_INTERNET_TIMEOUT);
    return NULL;
  }
  RequestCalls* calls = new (std::nothrow) RequestCalls();
  if (calls == NULL) return NULL;
  calls->request = request;
  calls->connection = connection;
  calls->go = CreateEventA(NULL, FALSE, FALSE, NULL);
  calls->done = CreateEventA(NULL, FALSE, FALSE, NULL);
  DWORD_PTR context = (DWORD_PTR)calls;
  if (calls->go && calls->done &&
      InternetSetOptionA(request, INTERNET_OPTION_CONTEXT_VALUE, &context, sizeof context) &&
      InternetSetStatusCallbackA(request, CallStatus) != INTERNET_INVALID_STATUS_CALLBACK)
    calls->thread = CreateThread(NULL, 0, CallThread, calls, 0, NULL);
  return calls;
}

// Runs the next call; false when the deadline came first: the call is left behind with the handles
// and the calls are gone.
bool Call(RequestCalls* calls, CallKind kind) {
  calls->kind = kind;
  SetTimeouts(calls->request);  // ends a call left behind sooner where WinINet applies it
  if (calls->thread == NULL) {
    DoCall(calls);
    return true;
  }
  InterlockedExchange(&calls->state, kCallQueued);
  SetEvent(calls->go);
  if (WaitForSingleObject(calls->done, RequestTimeLeft()) == WAIT_OBJECT_0) return true;
  HINTERNET request = calls->request, connection = calls->connection;
  HANDLE thread = calls->thread;
  LONG s;
  do {
    s = calls->state;
  } while (InterlockedCompareExchange(&calls->state, s == kCallIdle ? s : s == kCallInside ? kCallClosed : kCallLeft,
                                      s) != s);
  if (s == kCallIdle) {  // it ended just now
    WaitForSingleObject(calls->done, INFINITE);
    return true;
  }
  // The call holds the request: closing ends it where WinINet can, and the handle values are not
  // given out again before the call lets go.
  if (s == kCallInside) {
    InternetCloseHandle(request);
    InternetCloseHandle(connection);
  }
  for (HANDLE& h : hLeftBehind)
    if (h == NULL) {
      h = thread;
      return false;
    }
  CloseHandle(thread);
  return false;
}

// The fetch is done with the calls; it keeps the handles.
void EndCalls(RequestCalls* calls) {
  InternetSetStatusCallbackA(calls->request, NULL);
  HANDLE thread = calls->thread;
  if (thread == NULL) {
    if (calls->go) CloseHandle(calls->go);
    if (calls->done) CloseHandle(calls->done);
    delete calls;
    return;
  }
  calls->kind = kCallQuit;
  SetEvent(calls->go);
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
}

// Reads the body into the receive buffer; false when a read failed, the reply was cut or the
// request's time ran out first (*late; a call left behind then: *calls comes back NULL).
bool ReadBody(RequestCalls** calls, bool* late) {
  for (;;) {
    *late = RequestTimeLeft() == 0;
    if (*late) return false;
    if (!Call(*calls, kCallReadSome)) {
      *calls = NULL;
      *late = true;
      return false;
    }
    if (!(*calls)->ok) {
      *late = RequestTimeLeft() == 0;  // a receive time-out at the deadline
      if (!*late)
        WriteLog("Reading the reply failed (%lu) after %lu bytes", (*calls)->error, (unsigned long)dwNetworkBufferRead);
      return false;
    }
    if ((*calls)->n == 0) return true;
    if (!AppendNetworkBuffer((*calls)->chunk, (*calls)->n)) return false;
  }
}

void Download(const char* url) {
  char host[HOST_NAME_SIZE], path[URL_SIZE], extra[URL_SIZE], object[2 * URL_SIZE];
  URL_COMPONENTSA parts;
  memset(&parts, 0, sizeof parts);
  parts.dwStructSize = sizeof parts;
  parts.lpszHostName = host;
  parts.dwHostNameLength = sizeof host;
  parts.lpszUrlPath = path;
  parts.dwUrlPathLength = sizeof path;
  parts.lpszExtraInfo = extra;
  parts.dwExtraInfoLength = sizeof extra;
  HINTERNET connection = NULL, request = NULL;
  if (InternetCrackUrlA(url, 0, 0, &parts)) {
    snprintf(object, sizeof object, "%s%s", path, extra);
    connection = InternetConnectA(hInternet, host, parts.nPort, NULL, NULL, INTERNET_SERVICE_HTTP, 0, 0);
  }
  if (connection) {
    SetTimeouts(connection);
    DWORD flags = kRequestFlags | (parts.nScheme == INTERNET_SCHEME_HTTPS ? INTERNET_FLAG_SECURE : 0);
    request = HttpOpenRequestA(connection, "GET", object, NULL, NULL, NULL, flags, 0);
  }
  RequestCalls* calls = request ? StartCalls(request, connection) : NULL;
  const bool started = calls != NULL;  // from here on, calls gone means a call left behind with the handles
  DWORD error = GetLastError();
  bool sent = false;
  if (calls && !Call(calls, kCallSend)) {
    calls = NULL;
    LogRequestOverTime();
    error = ERROR_INTERNET_TIMEOUT;
  } else if (calls) {
    sent = calls->ok != FALSE;
    error = calls->error;
  }
  if (!sent) {
    WriteLog("No response from server (%lu)", error);
    SetFailureReply();
  } else {
    DWORD status = 0, announced = 0, size = sizeof status;
    HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, NULL);
    size = sizeof announced;
    BOOL haveLength =
        HttpQueryInfoA(request, HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER, &announced, &size, NULL);
    if (haveLength && status >= 200 && status <= 299) ReserveNetworkBuffer(announced);
    bool late = false;
    bool read = ReadBody(&calls, &late);
    DWORD received = dwNetworkBufferRead;
    bool whole = status >= 200 && status <= 299 && (!haveLength || received == announced);
    bNetworkReplyComplete = read && whole;
    bNetworkReplyLengthMatched = bNetworkReplyComplete && haveLength;
    if (late && whole && haveLength)
      WriteLog("Reply arrived too late: all %lu bytes, but after the time-out of %d s", received, nTimeout);
    else if (late)
      LogRequestOverTime();
    else if (!bNetworkReplyComplete)
      WriteLog("Reply not whole: status %lu, %lu bytes of %ld", status, received, haveLength ? (long)announced : -1L);
  }
  if (calls)
    EndCalls(calls);
  else if (started)
    return;
  if (request) InternetCloseHandle(request);
  if (connection) InternetCloseHandle(connection);
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
  HANDLE ready = CreateEventA(NULL, TRUE, FALSE, NULL);
  if (ready == NULL) return FALSE;
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
  // Ends a download under way where WinINet can; a read stalled under Wine ends at its time-out.
  InternetCloseHandle(hInternet);
  if (hNetworkThread) {
    PostThreadMessageA(dwNetworkThreadId, WM_NETWORK_QUIT, 0, 0);
    if (!WaitForThreadEnd(hNetworkThread, kShutdownWaitMs)) {
      WriteLog("Network thread still running after %lu ms, terminated", kShutdownWaitMs);
      TerminateThread(hNetworkThread, 0);
    }
    CloseHandle(hNetworkThread);
    hNetworkThread = NULL;
    dwNetworkThreadId = 0;
  }
  hInternet = NULL;
}
