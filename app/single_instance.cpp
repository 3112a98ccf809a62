// One running instance per database file: two processes that each keep a write transaction open on
// the same file lose each other's writes. A named mutex marks the owner; a small shared block tells a
// later start which window to bring forward.
#include <ctype.h>
#include <stdio.h>
#include <string.h>

#include "app/startup.h"
#include "resources/resource.h"
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

// What a later start reads. The process is there from the claim on: its start-up dialogs (the first
// run's market choice) come before the main window exists.
struct InstanceBlock {
  HWND window;      // the main window, once created
  DWORD processId;  // the holder of the file
};

// The whole object: one made by a build that kept the window alone is still a page of zeros after it.
static InstanceBlock* MapBlock(void) {
  if (hInstanceBlock == NULL) return NULL;
  return (InstanceBlock*)MapViewOfFile(hInstanceBlock, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, 0);
}

struct WindowSearch {
  DWORD processId;
  HWND found;
};

// Top-level windows come in z-order: the first visible one is what the user of that process sees on top.
static BOOL CALLBACK FindShownWindow(HWND w, LPARAM param) {
  WindowSearch* search = (WindowSearch*)param;
  DWORD processId = 0;
  GetWindowThreadProcessId(w, &processId);
  if (processId != search->processId || !IsWindowVisible(w)) return TRUE;
  search->found = w;
  return FALSE;
}

// The holder's main window, else any window it shows; NULL while it shows none.
static HWND HolderWindow(void) {
  InstanceBlock* block = MapBlock();
  if (block == NULL) return NULL;
  InstanceBlock seen = *block;
  UnmapViewOfFile(block);
  if (seen.window && IsWindow(seen.window)) return seen.window;
  WindowSearch search = {seen.processId, NULL};
  if (seen.processId) EnumWindows(FindShownWindow, (LPARAM)&search);
  return search.found;
}

static void BringForward(HWND hwnd) {
  // A minimised window, or one hidden in tray mode, comes back as it was before.
  if (IsIconic(hwnd) || !IsWindowVisible(hwnd)) ShowWindow(hwnd, SW_RESTORE);
  SetForegroundWindow(hwnd);
}

static BOOL TakeOver(void) {
  if (InstanceBlock* block = MapBlock()) {
    block->window = NULL;  // an abandoned holder's
    block->processId = GetCurrentProcessId();
    UnmapViewOfFile(block);
  }
  return TRUE;
}

BOOL ClaimSingleInstance(void) {
  char mutexName[64], blockName[64];
  InstanceNames(mutexName, blockName, sizeof mutexName);
  hInstanceMutex = CreateMutexA(NULL, FALSE, mutexName);
  if (hInstanceMutex == NULL) return TRUE;  // no lock to be had: run as before
  hInstanceBlock =
      CreateFileMappingA(INVALID_HANDLE_VALUE, NULL, PAGE_READWRITE, 0, sizeof(InstanceBlock), blockName);

  DWORD start = GetTickCount();
  for (;;) {
    DWORD w = WaitForSingleObject(hInstanceMutex, 100);
    // Abandoned: the owner ended without releasing it; the file is free.
    if (w == WAIT_OBJECT_0 || w == WAIT_ABANDONED) return TakeOver();
    if (w != WAIT_TIMEOUT) return TRUE;
    if (HWND other = HolderWindow()) {
      BringForward(other);
      return FALSE;
    }
    // The holder shows nothing yet (still starting), or no more (ending: then the mutex comes free).
    if (GetTickCount() - start > WAIT_FOR_WINDOW_MS) {
      MessageBoxA(NULL, PRODUCT_WORD " is already running with this database, but its window cannot be found.",
                  PRODUCT_WORD, MB_OK | MB_ICONINFORMATION);
      return FALSE;
    }
  }
}

void PublishMainWindow(HWND hwnd) {
  InstanceBlock* block = MapBlock();
  if (block == NULL) return;
  block->window = hwnd;
  UnmapViewOfFile(block);
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
