// The main window's export commands and the automatic export after a quote cycle.
#include <stdio.h>

#include "app/exports.h"
#include "app/handles.h"
#include "foundation/settings.h"

int RunListExport(HWND hwnd, const char* path, int mode, BOOL append, BOOL interactive) {
  BOOL monthFirst = IniGetInt(hwnd, "Files", "MMDDYY", 1);
  char failed[MAX_PATH];
  int done = ExportQuoteList(hListView, path, mode, 0, append, monthFirst, bExportToSymbol, failed, sizeof failed);
  if (!done && interactive) {
    char text[MAX_PATH + 64];
    snprintf(text, sizeof text, "The export file cannot be opened:\r\n%s", failed);
    pfnExportMessageBox(hwnd, text, "Export", MB_OK | MB_ICONSTOP);
  }
  return done;
}

// Unattended: a failure is only logged, never a box that would wait for a user.
void OnAutoExport(HWND hwnd) {
  RunListExport(hwnd, szAutoFile, EXPORT_FULL, bAppend, FALSE);
  if (bAutoQuit) SetTimer(hwnd, IDT_QUIT, 1000, NULL);
}
