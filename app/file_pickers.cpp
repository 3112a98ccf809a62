// The colour, open and save pickers of the data dialog and the export commands.
#include "app/dialogs.h"

#include <commdlg.h>
#include <string.h>

#include "foundation/text.h"

#define PICKER_PATH_SIZE 260

// Kept for the whole run, so colours the user adds stay offered.
static COLORREF customColors[16];

COLORREF PickColor(HWND owner) {
  CHOOSECOLORA cc;
  memset(&cc, 0, sizeof cc);
  cc.lStructSize = sizeof cc;
  cc.hwndOwner = owner;
  cc.rgbResult = 0;
  cc.lpCustColors = customColors;
  cc.Flags = CC_RGBINIT | CC_FULLOPEN;
  return ChooseColorA(&cc) ? cc.rgbResult : 0;
}

void PickerInitialFolder(const char* path, char* out, size_t size) {
  const char* sep = NULL;
  for (const char* p = path; *p; ++p)
    if (*p == '\\' || *p == ':') sep = p;
  if (!sep) {
    CopyCut(out, size, "");
    return;
  }
  // Cut before the last separator, except where that leaves a drive or nothing: "C:\x.wav" opens in
  // "C:\", not in the current folder of drive C.
  size_t keep = (size_t)(sep - path);
  if (*sep == ':' || keep == 0 || path[keep - 1] == ':') ++keep;
  CopyCut(out, size, path, keep);
}

static int RunFilePicker(HWND owner, char* path, const char* title, const char* filter, const char* defExt,
                         DWORD flags, BOOL save) {
  char file[PICKER_PATH_SIZE], folder[PICKER_PATH_SIZE];
  CopyCut(file, sizeof file, path);
  PickerInitialFolder(file, folder, sizeof folder);
  OPENFILENAMEA ofn;
  memset(&ofn, 0, sizeof ofn);
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = filter;
  ofn.lpstrFile = file;
  ofn.nMaxFile = sizeof file;
  ofn.lpstrInitialDir = folder[0] ? folder : NULL;
  ofn.lpstrTitle = title;
  // The current folder stays: relative names such as the automatic export file must not move.
  ofn.Flags = flags | OFN_NOCHANGEDIR;
  ofn.lpstrDefExt = defExt;
  if (!(save ? GetSaveFileNameA(&ofn) : GetOpenFileNameA(&ofn))) return 0;
  CopyCut(path, PICKER_PATH_SIZE, file);
  return 1;
}

int BrowseForSoundFile(HWND owner, char* path, const char* title) {
  return RunFilePicker(owner, path, title, "Sound Files (*.WAV)\0*.wav\0All Files (*.*)\0*.*\0\0", "wav",
                       OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_SHOWHELP, FALSE);
}

int BrowseForSaveFile(HWND owner, char* path, const char* title, BOOL append) {
  return RunFilePicker(owner, path, title, "Text Files (*.TXT)\0*.txt\0All Files (*.*)\0*.*\0\0", NULL,
                       OFN_PATHMUSTEXIST | OFN_SHOWHELP | (append ? 0 : OFN_OVERWRITEPROMPT), TRUE);
}
