// Helpers every dialog uses to read its controls and write its settings.
#include <limits.h>
#include <stdio.h>

#include "app/dialogs.h"
#include "app/handles.h"
#include "foundation/settings.h"

int ReadUnsignedField(HWND hDlg, int id) {
  char text[32] = "";
  GetDlgItemTextA(hDlg, id, text, sizeof text);
  const char* p = text;
  while (*p == ' ' || *p == '\t') ++p;
  // Not GetDlgItemInt: unsigned, it turns "-5" into 4294967291 under Wine.
  long long value = 0;
  for (; *p >= '0' && *p <= '9'; ++p) {
    value = value * 10 + (*p - '0');
    if (value > INT_MAX) return INT_MAX;
  }
  return (int)value;
}

BOOL IsChecked(HWND hDlg, int id) { return IsDlgButtonChecked(hDlg, id) == BST_CHECKED; }

void SetCheck(HWND hDlg, int id, BOOL on) { CheckDlgButton(hDlg, id, on ? BST_CHECKED : BST_UNCHECKED); }

BOOL PutFlagSetting(HWND hwnd, const char* section, const char* key, BOOL on) {
  IniPutString(hwnd, section, key, on ? "1" : "0");
  return on ? 1 : 0;
}

void PutIntSetting(HWND hwnd, const char* section, const char* key, int value) {
  char text[16];
  snprintf(text, sizeof text, "%d", value);
  IniPutString(hwnd, section, key, text);
}

BOOL FocusFirstTypingField(HWND hDlg) {
  for (HWND w = GetWindow(hDlg, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) {
    char cls[16] = "";
    GetClassNameA(w, cls, sizeof cls);
    // The style, not IsWindowVisible: the dialog itself is not visible yet.
    LONG style = GetWindowLongA(w, GWL_STYLE);
    if (lstrcmpiA(cls, "Edit") != 0 || !(style & WS_VISIBLE) || (style & (WS_DISABLED | ES_READONLY))) continue;
    // Posted: the activation that follows gives the focus back to the first tab stop, and this comes
    // after it. As the dialog manager moves the focus: the text selected, the default button its own.
    return PostMessageA(hDlg, WM_NEXTDLGCTL, (WPARAM)w, TRUE);
  }
  return FALSE;
}

INT_PTR ShowDialog(HWND owner, int id, DLGPROC proc, LPARAM param) {
  return DialogBoxParamA(hInst, MAKEINTRESOURCEA(id), owner, proc, param);
}
