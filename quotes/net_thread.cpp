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
  bNetworkReplyComplete = FALSE;
}

// The time-outs of the internet handle do not reach the connections InternetOpenUrl makes under
// Wine (a stalled server then holds the cycle for ever); on the connection and request handles
// they cut a stalled send or read, here at the request's deadline.
void SetTimeouts(HINTERNET h) {
  DWORD ms = RequestTimeLeft();
  if (ms < 100) ms = 100;
  InternetSetOptionA(h, INTERNET_OPTION_CONNECT_TIMEOUT, &ms, sizeof ms);
  InternetSetOptionA(h, INTERNET_OPTION_SEND_TIMEOUT, &ms, sizeof ms);
  InternetSetOptionA(h, INTERNET_OPTION_RECEIVE_TIMEOUT, &ms, sizeof ms);
}

// Reads the body into the receive buffer; false when a read failed, the reply was cut or the
// request's time is up.
bool ReadBody(HINTERNET request) {
  char chunk[8192];
  for (;;) {
    DWORD n = 0;
    if (RequestTimeLeft() == 0) {
      LogRequestOverTime();
      return false;
    }
    SetTimeouts(request);  // a read that stalls ends at the deadline
    if (!InternetReadFile(request, chunk, sizeof chunk - 1, &n)) {
      WriteLog("InternetReadFile failed (%lu) after %lu bytes", GetLastError(),
               (unsigned long)dwNetworkBufferRead);
      return false;
    }
    if (n == 0) return true;
    if (!AppendNetworkBuffer(chunk, n)) return false;
  }
}

// HttpSendRequest on a thread of its own: it connects, sends and reads the header, and a header that
// trickles in holds it whatever the time-outs say (each receive gets its byte in time); closing the
// handle does not end it either. The fetch waits for it until the deadline only; a send left behind
// ends on its own and frees what the two share.
struct SendJob {
  HINTERNET request;
  BOOL sent;
  DWORD error;
  LONG refs;
};

void ReleaseSendJob(SendJob* job) {
  if (InterlockedDecrement(&job->refs) == 0) delete job;
}

DWORD WINAPI SendThread(LPVOID param) {
  SendJob* job = (SendJob*)param;
  job->sent = HttpSendRequestA(job->request, NULL, 0, NULL, 0);
  job->error = GetLastError();
  ReleaseSendJob(job);
  return 0;
}

// False when the request could not be sent or its header did not come before the deadline.
bool SendWithDeadline(HINTERNET request) {
  SendJob* job = new (std::nothrow) SendJob{request, FALSE, 0, 2};
  HANDLE thread = job ? CreateThread(NULL, 0, SendThread, job, 0, NULL) : NULL;
  if (thread == NULL) {
    delete job;
    return HttpSendRequestA(request, NULL, 0, NULL, 0) != FALSE;
  }
  bool done = WaitForSingleObject(thread, RequestTimeLeft()) == WAIT_OBJECT_0;
  CloseHandle(thread);
  bool sent = done && job->sent;
  if (done) {
    SetLastError(job->error);
  } else {
    LogRequestOverTime();
    SetLastError(ERROR_INTERNET_TIMEOUT);
  }
  ReleaseSendJob(job);
  return sent;
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
  if (request) SetTimeouts(request);
  if (request == NULL || !SendWithDeadline(request)) {
    WriteLog("No response from server (%lu)", GetLastError());
    SetFailureReply();
  } else {
    DWORD status = 0, announced = 0, size = sizeof status;
    HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, NULL);
    size = sizeof announced;
    BOOL haveLength =
        HttpQueryInfoA(request, HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER, &announced, &size, NULL);
    if (haveLength && status >= 200 && status <= 299) ReserveNetworkBuffer(announced);
    bool read = ReadBody(request);
    DWORD received = dwNetworkBufferRead;
    bNetworkReplyComplete = read && status >= 200 && status <= 299 && (!haveLength || received == announced);
    if (!bNetworkReplyComplete)
      WriteLog("Reply not whole: status %lu, %lu bytes of %ld", status, received, haveLength ? (long)announced : -1L);
  }
  if (request) InternetCloseHandle(request);
  if (connection) InternetCloseHandle(connection);
}

void FetchCurrentRequest() {
  char url[URL_SIZE];
  bNetworkReplyComplete = FALSE;
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
