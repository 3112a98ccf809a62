/* Network probe (loopback only).
 *   net_probe.exe wininet URL OUTFILE        WinINet on a worker thread: InternetOpenA(PRECONFIG) +
 *                                            InternetOpenUrlA(RELOAD|NO_CACHE_WRITE|NO_COOKIES) +
 *                                            InternetReadFile in 8191-byte chunks
 *   net_probe.exe winsock HOST PORT REQFILE OUTFILE
 *                                            Windows Sockets 1.1: WSAStartup(1.1), WSAAsyncSelect to a
 *                                            window, connect/send/recv, FD_CLOSE; sends REQFILE's bytes
 * OUTFILE receives exactly the bytes read. Exit code 0 = transfer completed. */
#include <windows.h>
#include <winsock.h>
#include <wininet.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define WM_SOCKET_EVENT (WM_USER + 1)

static char* buf;
static DWORD bufLen;
static void append(const char* p, DWORD n) {
  buf = realloc(buf, bufLen + n + 10);
  memcpy(buf + bufLen, p, n);
  bufLen += n;
  buf[bufLen] = 0;
}
static int writeOut(const char* path) {
  FILE* f = fopen(path, "wb");
  if (!f) return 0;
  fwrite(buf ? buf : "", 1, bufLen, f);
  fclose(f);
  return 1;
}

/* ---- WinINet ---- */
static HINTERNET hInet;
static const char* gUrl;
static DWORD gInetError;
static DWORD WINAPI inetThread(LPVOID p) {
  (void)p;
  HINTERNET h = InternetOpenUrlA(hInet, gUrl, NULL, 0,
                                 INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_COOKIES, 0);
  if (!h) { gInetError = GetLastError(); return 1; }
  char chunk[8192];
  DWORD n = 0;
  while (InternetReadFile(h, chunk, 8191, &n) && n > 0) append(chunk, n);
  DWORD status = 0, sl = sizeof status;
  if (HttpQueryInfoA(h, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &sl, NULL))
    fprintf(stderr, "HTTP status %lu\n", status);
  InternetCloseHandle(h);
  return 0;
}
static int runWininet(const char* url, const char* out) {
  hInet = InternetOpenA("InetURL/1.0", INTERNET_OPEN_TYPE_PRECONFIG, NULL, NULL, 0);
  if (!hInet) { fprintf(stderr, "InternetOpenA failed %lu\n", GetLastError()); return 2; }
  DWORD ms = 10000;
  InternetSetOptionA(hInet, INTERNET_OPTION_RECEIVE_TIMEOUT, &ms, sizeof ms);
  InternetSetOptionA(hInet, INTERNET_OPTION_SEND_TIMEOUT, &ms, sizeof ms);
  gUrl = url;
  HANDLE t = CreateThread(NULL, 0, inetThread, NULL, 0, NULL);
  WaitForSingleObject(t, INFINITE);
  DWORD rc = 9;
  GetExitCodeThread(t, &rc);
  CloseHandle(t);
  InternetCloseHandle(hInet);
  if (rc) { fprintf(stderr, "InternetOpenUrlA failed, GetLastError=%lu\n", gInetError); return 3; }
  return writeOut(out) ? 0 : 4;
}

/* ---- Winsock 1.1 with WSAAsyncSelect ---- */
static SOCKET sock = INVALID_SOCKET;
static char* req;
static long reqLen;
static int sent, closed, failed;
static LRESULT CALLBACK SockWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_SOCKET_EVENT) {
    int ev = WSAGETSELECTEVENT(lp), err = WSAGETSELECTERROR(lp);
    char chunk[8192];
    int n;
    switch (ev) {
    case FD_CONNECT:
      if (err) { fprintf(stderr, "FD_CONNECT error %d\n", err); failed = 1; PostQuitMessage(0); }
      break;
    case FD_WRITE:
      if (!sent) {
        if (send(sock, req, (int)reqLen, 0) != reqLen) { failed = 1; PostQuitMessage(0); }
        sent = 1;
      }
      break;
    case FD_READ:
      n = recv(sock, chunk, sizeof chunk - 1, 0);
      if (n > 0) append(chunk, (DWORD)n);
      break;
    case FD_CLOSE:
      while ((n = recv(sock, chunk, sizeof chunk - 1, 0)) > 0) append(chunk, (DWORD)n);
      closesocket(sock);
      sock = INVALID_SOCKET;
      closed = 1;
      PostQuitMessage(0);
      break;
    }
    return 0;
  }
  if (msg == WM_TIMER) { fprintf(stderr, "timeout\n"); failed = 1; PostQuitMessage(0); return 0; }
  return DefWindowProcA(hwnd, msg, wp, lp);
}
static int runWinsock(const char* host, int port, const char* reqFile, const char* out) {
  FILE* f = fopen(reqFile, "rb");
  if (!f) return 5;
  fseek(f, 0, SEEK_END); reqLen = ftell(f); fseek(f, 0, SEEK_SET);
  req = malloc(reqLen + 1);
  fread(req, 1, reqLen, f);
  fclose(f);
  WSADATA wd;
  if (WSAStartup(MAKEWORD(1, 1), &wd)) return 6;
  fprintf(stderr, "WSAStartup: wVersion %d.%d, wHighVersion %d.%d, %s\n", LOBYTE(wd.wVersion), HIBYTE(wd.wVersion),
          LOBYTE(wd.wHighVersion), HIBYTE(wd.wHighVersion), wd.szDescription);
  WNDCLASSA wc = {0};
  wc.lpfnWndProc = SockWndProc;
  wc.hInstance = GetModuleHandleA(NULL);
  wc.lpszClassName = "ProbeSock";
  RegisterClassA(&wc);
  /* message-only window: receives WM_SOCKET_EVENT, never shown */
  HWND hwnd = CreateWindowA("ProbeSock", "", 0, 0, 0, 0, 0, HWND_MESSAGE, NULL, wc.hInstance, NULL);
  if (!hwnd) return 7;
  SetTimer(hwnd, 1, 15000, NULL);
  sock = socket(AF_INET, SOCK_STREAM, 0);
  WSAAsyncSelect(sock, hwnd, WM_SOCKET_EVENT, FD_CONNECT | FD_READ | FD_WRITE | FD_CLOSE);
  struct sockaddr_in sa = {0};
  sa.sin_family = AF_INET;
  sa.sin_port = htons((u_short)port);
  sa.sin_addr.s_addr = inet_addr(host);
  if (sa.sin_addr.s_addr == INADDR_NONE) {
    struct hostent* he = gethostbyname(host);
    if (!he) return 8;
    memcpy(&sa.sin_addr, he->h_addr, 4);
  }
  if (connect(sock, (struct sockaddr*)&sa, sizeof sa) == SOCKET_ERROR && WSAGetLastError() != WSAEWOULDBLOCK) {
    fprintf(stderr, "connect: %d\n", WSAGetLastError());
    return 9;
  }
  MSG m;
  while (GetMessageA(&m, NULL, 0, 0) > 0) DispatchMessageA(&m);
  DestroyWindow(hwnd);
  WSACleanup();
  if (failed || !closed) return 10;
  return writeOut(out) ? 0 : 4;
}

int main(int argc, char** argv) {
  if (argc == 4 && !strcmp(argv[1], "wininet")) return runWininet(argv[2], argv[3]);
  if (argc == 6 && !strcmp(argv[1], "winsock")) return runWinsock(argv[2], atoi(argv[3]), argv[4], argv[5]);
  fprintf(stderr, "usage: see source\n");
  return 1;
}
