// One running instance per database file: two processes that each keep a write transaction open on
// the same file lose each other's writes. A named mutex marks the owner; a small shared block tells a
// later start which window to bring forward.
#include <ctype.h>
#include <stdio.h>
#include <string.h>

#include "app/startup.h"
#include "store/database.h"

static HANDLE hInstanceMutex = NULL;
static HANDLE hInstanceBlock = NULL;

// How long a second start waits for the first one's window (it may still be starting).
#define WAIT_FOR_WINDOW_MS 10000

// The object names of this database file: the path folded to lower case and hashed, since a path can
// be longer than an object name and may not hold '\'.
static void InstanceNames(char* mutexName, char* blockName, size_t size) {
  unsigned long long h = 1469598103934665603ULL;
  for (const char* p = oDatabase.szDatabasePath; *p; ++p) {
    char c = *p == '/' ? '\\' : (char)tolower((unsigned char)*p);
    h = (h ^ (unsigned char)c) * 1099511628211ULL;
  }
  snprintf(mutexName, size, "TarnWick.db.%016llx", h);
  snprintf(blockName, size, "TarnWick.db.%016llx.window", h);
}

static HWND* MapWindowSlot(HANDLE block) {
  return (HWND*)MapViewOfFile(block, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, sizeof(HWND));
}

static void BringForward(HWND hwnd) {
  // A minimised window, or one hidden in tray mode, comes back as it was before.
  if (IsIconic(hwnd) || !IsWindowVisible(hwnd)) ShowWindow(hwnd, SW_RESTORE);
  SetForegroundWindow(hwnd);
}

BOOL ClaimSingleInstance(void) {
  char mutexName[64], blockName[64];
  InstanceNames(mutexName, blockName, sizeof mutexName);
  hInstanceMutex = CreateMutexA(NULL, FALSE, mutexName);
  if (hInstanceMutex == NULL) return TRUE;  // no lock to be had: run as before
  hInstanceBlock = CreateFileMappingA(INVALID_HANDLE_VALUE, NULL, PAGE_READWRITE, 0, sizeof(HWND), blockName);

  DWORD start = GetTickCount();
  for (;;) {
    DWORD w = WaitForSingleObject(hInstanceMutex, 100);
    // Abandoned: the owner ended without releasing it; the file is free.
    if (w == WAIT_OBJECT_0 || w == WAIT_ABANDONED) return TRUE;
    if (w != WAIT_TIMEOUT) return TRUE;
    HWND* slot = hInstanceBlock ? MapWindowSlot(hInstanceBlock) : NULL;
    HWND other = slot ? *slot : NULL;
    if (slot) UnmapViewOfFile(slot);
    if (other && IsWindow(other)) {
      BringForward(other);
      return FALSE;
    }
    // The other instance is still starting, or already shutting down (then the mutex comes free).
    if (GetTickCount() - start > WAIT_FOR_WINDOW_MS) return FALSE;
  }
}

void PublishMainWindow(HWND hwnd) {
  if (hInstanceBlock == NULL) return;
  HWND* slot = MapWindowSlot(hInstanceBlock);
  if (slot == NULL) return;
  *slot = hwnd;
  UnmapViewOfFile(slot);
}

void ReleaseSingleInstance(void) {
  PublishMainWindow(NULL);
  if (hInstanceMutex) {
    ReleaseMutex(hInstanceMutex);
    CloseHandle(hInstanceMutex);
    hInstanceMutex = NULL;
  }
  if (hInstanceBlock) {
    CloseHandle(hInstanceBlock);
    hInstanceBlock = NULL;
  }
}
