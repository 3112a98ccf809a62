/* A stand-in browser for the tests: appends its command line, without the program name, as one line
   to the file named by the environment variable TW_URL_RECORD. Registered as the prefix's handler for
   web and mail addresses (see url_capture.h). */
#include <windows.h>
#include <string.h>

int main(void) {
  char path[MAX_PATH];
  DWORD n = GetEnvironmentVariableA("TW_URL_RECORD", path, sizeof path);
  if (n == 0 || n >= sizeof path) return 1;
  const char* p = GetCommandLineA();
  if (*p == '"') {
    p = strchr(p + 1, '"');
    p = p ? p + 1 : "";
  } else {
    while (*p && *p != ' ' && *p != '\t') ++p;
  }
  while (*p == ' ' || *p == '\t') ++p;
  HANDLE f = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, NULL);
  if (f == INVALID_HANDLE_VALUE) return 1;
  DWORD written;
  WriteFile(f, p, (DWORD)strlen(p), &written, NULL);
  WriteFile(f, "\n", 1, &written, NULL);
  CloseHandle(f);
  return 0;
}
