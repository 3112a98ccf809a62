/* fetch.exe [-t MS] URL...: fetches each URL with WinINet as the program does (agent "InetURL/1.0",
 * reload, no cache write, no cookies, reads of at most 8191 bytes) and writes to stdout, per URL,
 *   "FETCH <i> OK <bytes> <reads>\n" followed by the body and "\n", or "FETCH <i> ERROR <code>\n".
 * -t sets the connect, receive and send time-outs in milliseconds. */
#include <windows.h>
#include <wininet.h>
#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

int main(int argc, char** argv) {
  _setmode(_fileno(stdout), _O_BINARY);
  int i = 1;
  DWORD ms = 10000;
  if (argc > 2 && !strcmp(argv[1], "-t")) {
    ms = (DWORD)atol(argv[2]);
    i = 3;
  }
  HINTERNET inet = InternetOpenA("InetURL/1.0", INTERNET_OPEN_TYPE_PRECONFIG, NULL, NULL, 0);
  if (!inet) {
    printf("InternetOpenA failed %lu\n", GetLastError());
    return 2;
  }
  InternetSetOptionA(inet, INTERNET_OPTION_CONNECT_TIMEOUT, &ms, sizeof ms);
  InternetSetOptionA(inet, INTERNET_OPTION_RECEIVE_TIMEOUT, &ms, sizeof ms);
  InternetSetOptionA(inet, INTERNET_OPTION_SEND_TIMEOUT, &ms, sizeof ms);
  for (int n = 0; i < argc; ++i, ++n) {
    HINTERNET h = InternetOpenUrlA(inet, argv[i], NULL, 0,
                                   INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_COOKIES, 0);
    if (!h) {
      printf("FETCH %d ERROR %lu\n", n, GetLastError());
      fflush(stdout);
      continue;
    }
    char* body = NULL;
    DWORD len = 0, reads = 0, got = 0;
    static char chunk[8192];
    while (InternetReadFile(h, chunk, 8191, &got) && got > 0) {
      char* grown = realloc(body, len + got + 1);
      if (!grown) break;
      body = grown;
      memcpy(body + len, chunk, got);
      len += got;
      ++reads;
    }
    InternetCloseHandle(h);
    printf("FETCH %d OK %lu %lu\n", n, len, reads);
    fwrite(body ? body : "", 1, len, stdout);
    printf("\n");
    fflush(stdout);
    free(body);
  }
  InternetCloseHandle(inet);
  return 0;
}
