// The main window's export commands and the automatic export after a quote cycle.
#include <stdio.h>

#include "app/dialogs.h"
#include "app/exports.h"
#include "app/handles.h"
#include "foundation/log.h"
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

void OnExportCommand(HWND hwnd, int mode) {
  static const struct {
    const char* key;
    const char* title;
  } kCommands[] = {
      {"Quicken", "Quicken Export Filename"},  // EXPORT_QUICKEN
      {"Export", "Quote Export Filename"},     // EXPORT_FULL
      {"MetaStock", "MetaStock Export Filename"},  // EXPORT_METASTOCK
  };
  if (mode < EXPORT_QUICKEN || mode > EXPORT_METASTOCK) return;
  // Only the full export appends; the others always ask before overwriting.
  BOOL append = mode == EXPORT_FULL ? bAppend : 0;
  char path[SETTING_PATH_SIZE];
  IniGetString(hwnd, "Files", kCommands[mode].key, path, sizeof path, "prices.txt");
  if (!BrowseForSaveFile(hwnd, path, kCommands[mode].title, append)) return;
  if (mode == EXPORT_FULL) WriteLog("%s", path);
  RunListExport(hwnd, path, mode, append, TRUE);
  IniPutString(hwnd, "Files", kCommands[mode].key, path);
}
