// Debug log: one time-stamped line per call in TarnWick.log beside the program, kept in three generations.
#include "foundation/log.h"
#include "foundation/settings.h"

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>

BOOL bDebugLog = FALSE;
char szLogDir[MAX_PATH] = "";

static const char kLogProduct[] = "TarnWick";
static const DWORD kLogRotateSize = 300000;

// One lock for both threads, made on first use and never deleted: the database object's
// destructor may still log during static destruction.
static CRITICAL_SECTION logLock;
static volatile LONG logLockState = 0;  // 0 none, 1 being made, 2 ready

static void EnterLogLock() {
  if (InterlockedCompareExchange(&logLockState, 2, 2) != 2) {
    if (InterlockedCompareExchange(&logLockState, 1, 0) == 0) {
      InitializeCriticalSection(&logLock);
      InterlockedExchange(&logLockState, 2);
    } else {
      while (InterlockedCompareExchange(&logLockState, 2, 2) != 2) Sleep(0);
    }
  }
  EnterCriticalSection(&logLock);
}

BOOL BuildLogFileNames(const char* dir, char* current, char* previous, char* oldest, size_t size) {
  if (dir == NULL || current == NULL || previous == NULL || oldest == NULL || size == 0) return FALSE;
  int a = snprintf(current, size, "%s\\%s.log", dir, kLogProduct);
  int b = snprintf(previous, size, "%s\\%s.1", dir, kLogProduct);
  int c = snprintf(oldest, size, "%s\\%s.2", dir, kLogProduct);
  if (a < 0 || b < 0 || c < 0 || (size_t)a >= size || (size_t)b >= size || (size_t)c >= size) {
    current[0] = previous[0] = oldest[0] = '\0';
    return FALSE;
  }
  return TRUE;
}

static char* FormatMessageText(const char* format, va_list args) {
  va_list count;
  va_copy(count, args);
  int n = vsnprintf(NULL, 0, format, count);
  va_end(count);
  if (n < 0) return NULL;
  size_t size = (size_t)n + 10;
  char* text = (char*)malloc(size);
  if (text == NULL) return NULL;
  if (vsnprintf(text, size, format, args) < 0) {
    free(text);
    return NULL;
  }
  return text;
}

void WriteLog(const char* format, ...) {
  if (!bDebugLog) return;
  if (format == NULL) return;

  SYSTEMTIME st;
  GetLocalTime(&st);
  char stamp[64];
  snprintf(stamp, sizeof stamp, "%04d-%02d-%02d %02d:%02d:%02d.%03d   ", st.wYear, st.wMonth, st.wDay, st.wHour,
           st.wMinute, st.wSecond, st.wMilliseconds);

  va_list args;
  va_start(args, format);
  char* message = FormatMessageText(format, args);
  va_end(args);
  if (message == NULL) return;

  EnterLogLock();
  if (szLogDir[0] == '\0') {
    char module[MAX_PATH];
    GetModulePath(module, sizeof module);
    GetPathFolder(module, szLogDir, sizeof szLogDir);
  }
  char current[MAX_PATH], previous[MAX_PATH], oldest[MAX_PATH];
  if (BuildLogFileNames(szLogDir, current, previous, oldest, sizeof current)) {
    WIN32_FILE_ATTRIBUTE_DATA info;
    if (GetFileAttributesExA(current, GetFileExInfoStandard, &info) &&
        (info.nFileSizeHigh != 0 || info.nFileSizeLow > kLogRotateSize)) {
      DeleteFileA(oldest);
      MoveFileA(previous, oldest);
      MoveFileA(current, previous);
    }
    FILE* f = fopen(current, "at");
    if (f != NULL) {
      fprintf(f, "%s%s\n", stamp, message);
      fflush(f);
      fclose(f);
    }
  }
  LeaveCriticalSection(&logLock);
  free(message);
}
