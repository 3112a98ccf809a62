// Settings file access, the main window's saved rectangle, and the program's registry values.
#include "foundation/settings.h"

#include <limits.h>
#include <string.h>
#include <stdio.h>
#include <stdlib.h>

#include "foundation/text.h"

char szIniPath[MAX_PATH] = "";
BOOL bIniReady = FALSE;
BOOL bRegistryReady = FALSE;

int (WINAPI* pfnRegErrorBox)(HWND, LPCSTR, LPCSTR, UINT) = MessageBoxA;

static BOOL AppendBounded(char* dst, size_t size, const char* src) {
  size_t used = strnlen(dst, size);
  if (used >= size) return FALSE;
  return CopyCut(dst + used, size - used, src, (size_t)-1);
}

DWORD GetModulePath(char* buf, DWORD size) {
  if (buf == NULL || size == 0) return 0;
  DWORD n = GetModuleFileNameA(NULL, buf, size);
  if (n == 0) {
    buf[0] = '\0';
    return 0;
  }
  // A name that does not fit comes back unterminated (n == size).
  if (n >= size) n = size - 1;
  buf[n] = '\0';
  return n;
}

BOOL ReplacePathExtension(const char* path, const char* ext, char* out, size_t size) {
  if (out == NULL || size == 0) return FALSE;
  if (path == NULL) path = "";
  if (ext == NULL) ext = "";
  // Only a '.' in the file name counts: a folder such as "a.b" must not take the extension.
  const char* name = path;
  for (const char* p = path; *p; p++)
    if (*p == '\\' || *p == '/') name = p + 1;
  const char* dot = strrchr(name, '.');
  BOOL whole;
  if (dot != NULL) {
    whole = CopyCut(out, size, path, (size_t)(dot - path) + 1);
  } else {
    whole = CopyCut(out, size, path, (size_t)-1);
    whole = AppendBounded(out, size, ".") && whole;
  }
  whole = AppendBounded(out, size, ext) && whole;
  return whole;
}

BOOL GetPathFolder(const char* path, char* out, size_t size) {
  if (out == NULL || size == 0) return FALSE;
  if (path == NULL) path = "";
  const char* sep = NULL;
  for (const char* p = path; *p; p++)
    if (*p == '\\' || *p == '/' || *p == ':') sep = p;
  if (sep == NULL) return CopyCut(out, size, ".", (size_t)-1);
  return CopyCut(out, size, path, (size_t)(sep - path));
}

void InitIniPath(HWND hwnd) {
  char module[MAX_PATH];
  GetModulePath(module, sizeof module);
  ReplacePathExtension(module, "INI", szIniPath, sizeof szIniPath);
  bIniReady = TRUE;
  bRegistryReady = TRUE;
}

static void TakeIniWord(const char* start) {
  CopyCut(szIniPath, sizeof szIniPath, start, (size_t)-1);
  bIniReady = TRUE;
  bRegistryReady = TRUE;
}

void SetIniPathFromCommandLine(char* text) {
  if (text == NULL) return;
  bool inQuote = false;
  bool wordSeen = false;
  char* wordStart = NULL;
  for (char* p = text; *p; p++) {
    char c = *p;
    if (c == '"' || c == '\'') {
      bool closing = inQuote;
      inQuote = !inQuote;
      if (closing && wordStart != NULL) {
        *p = '\0';
        TakeIniWord(wordStart);
        wordStart = NULL;
      }
    } else if (c == ' ' || c == '\t' || c == '\n') {
      if (!wordSeen) continue;
      if (inQuote) {
        *p = ' ';
      } else if (wordStart != NULL) {
        *p = '\0';
        TakeIniWord(wordStart);
        wordStart = NULL;
      }
    } else if (!wordSeen) {
      wordSeen = true;
      wordStart = p;
    }
  }
  if (wordStart != NULL) TakeIniWord(wordStart);
}

int IniGetInt(HWND hwnd, const char* section, const char* key, int defaultValue) {
  if (!bIniReady) InitIniPath(hwnd);
  return (int)GetPrivateProfileIntA(section, key, defaultValue, szIniPath);
}

DWORD IniGetString(HWND hwnd, const char* section, const char* key, char* buf, DWORD size, const char* defaultText) {
  if (!bIniReady) InitIniPath(hwnd);
  if (buf == NULL || size == 0) return 0;
  return GetPrivateProfileStringA(section, key, defaultText ? defaultText : "", buf, size, szIniPath);
}

DWORD IniGetKeys(HWND hwnd, const char* section, char* buf, DWORD size) {
  if (!bIniReady) InitIniPath(hwnd);
  if (buf == NULL || size == 0) return 0;
  return GetPrivateProfileStringA(section, NULL, "", buf, size, szIniPath);
}

std::vector<char> IniGetAllKeys(HWND hwnd, const char* section) {
  // A list that does not fit comes back cut to size - 2 characters: grow and read again.
  DWORD size = 8192;
  for (;;) {
    std::vector<char> keys(size, 0);
    DWORD n = IniGetKeys(hwnd, section, keys.data(), size);
    if (n != size - 2 || size >= 16 * 1024 * 1024) {
      keys[size - 2] = keys[size - 1] = 0;  // the last name of a list cut at the limit ends here
      return keys;
    }
    size *= 2;
  }
}

BOOL IniPutString(HWND hwnd, const char* section, const char* key, const char* value) {
  if (!bIniReady) InitIniPath(hwnd);
  return WritePrivateProfileStringA(section, key, value, szIniPath);
}

// True when the rectangle meets the virtual screen; touching its edge counts.
static bool IsRectOnScreen(const RECT& rc) {
  int x = GetSystemMetrics(SM_XVIRTUALSCREEN);
  int y = GetSystemMetrics(SM_YVIRTUALSCREEN);
  int width = GetSystemMetrics(SM_CXVIRTUALSCREEN);
  int height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
  if (width == 0) {
    x = 0;
    y = 0;
    width = GetSystemMetrics(SM_CXSCREEN);
    height = GetSystemMetrics(SM_CYSCREEN);
  }
  if (rc.right < x || rc.left > x + width) return false;
  return rc.top <= y + height && rc.bottom >= y;
}

bool IsWindowOnScreen(HWND hwnd) {
  RECT rc;
  if (!GetWindowRect(hwnd, &rc)) return false;
  return IsRectOnScreen(rc);
}

// hi - lo for hi > lo; an edited file can hold values whose difference does not fit an int.
static int Extent(int lo, int hi) {
  long long d = (long long)hi - lo;
  return d > INT_MAX ? INT_MAX : (int)d;
}

BOOL RestoreWindowPlacement(HWND hwnd, bool hideIfOffscreen) {
  if (!bIniReady) InitIniPath(hwnd);
  if (hideIfOffscreen && !IsWindowOnScreen(hwnd)) ShowWindow(hwnd, SW_HIDE);
  int left = (int)GetPrivateProfileIntA("Window", "Left", 0, szIniPath);
  int right = (int)GetPrivateProfileIntA("Window", "Right", 0, szIniPath);
  int top = (int)GetPrivateProfileIntA("Window", "Top", 0, szIniPath);
  int bottom = (int)GetPrivateProfileIntA("Window", "Bottom", 0, szIniPath);
  bool allNegative = left < 0 && right < 0 && top < 0 && bottom < 0;
  // A rectangle saved on a screen that is gone (a second monitor unplugged) would put the window
  // where nobody can reach it.
  RECT stored = {left, top, right, bottom};
  if (!allNegative && right > left && bottom > top && IsRectOnScreen(stored))
    return MoveWindow(hwnd, left, top, Extent(left, right), Extent(top, bottom), FALSE);
  RECT rc = DefaultWindowRect((WORD)GetSystemMetrics(SM_CXSCREEN), (WORD)GetSystemMetrics(SM_CYSCREEN));
  return MoveWindow(hwnd, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, FALSE);
}

RECT DefaultWindowRect(int screenWidth, int screenHeight) {
  RECT rc;
  rc.left = (screenWidth - 600) / 2;
  rc.top = screenHeight / 3;
  rc.right = rc.left + 600;
  rc.bottom = rc.top + screenHeight / 3;
  return rc;
}

void SaveWindowPlacement(HWND hwnd) {
  if (IsIconic(hwnd) || IsZoomed(hwnd)) return;
  if (!bIniReady) InitIniPath(hwnd);
  if (!IsWindowOnScreen(hwnd)) return;
  RECT rc;
  if (!GetWindowRect(hwnd, &rc)) return;
  char text[16];
  snprintf(text, sizeof text, "%d", (int)rc.left);
  WritePrivateProfileStringA("Window", "Left", text, szIniPath);
  snprintf(text, sizeof text, "%d", (int)rc.right);
  WritePrivateProfileStringA("Window", "Right", text, szIniPath);
  snprintf(text, sizeof text, "%d", (int)rc.top);
  WritePrivateProfileStringA("Window", "Top", text, szIniPath);
  snprintf(text, sizeof text, "%d", (int)rc.bottom);
  WritePrivateProfileStringA("Window", "Bottom", text, szIniPath);
}

static void RegErrorBox(const char* text) {
  if (pfnRegErrorBox != NULL) pfnRegErrorBox(NULL, text, "Error", MB_ICONHAND);
}

// Creates or opens the program's key for writing; NULL on failure. disposition may be NULL.
static HKEY CreateProgramKey(DWORD* disposition) {
  HKEY key = NULL;
  char keyClass[] = "Application Global Data";
  LONG result = RegCreateKeyExA(HKEY_CURRENT_USER, PROGRAM_REG_KEY, 0, keyClass, REG_OPTION_NON_VOLATILE,
                                KEY_ALL_ACCESS, NULL, &key, disposition);
  return result == ERROR_SUCCESS ? key : NULL;
}

int RegPutDword(const char* name, DWORD value) {
  if (!bRegistryReady) return 0;
  DWORD disposition = 0;
  HKEY key = CreateProgramKey(&disposition);
  if (key == NULL) {
    RegErrorBox("RegCreateKeyEx(#1)");
    return 0;
  }
  if (disposition != REG_CREATED_NEW_KEY && disposition != REG_OPENED_EXISTING_KEY) {
    RegCloseKey(key);
    RegErrorBox("RegCreateKeyEx(#2)");
    return 0;
  }
  if (RegSetValueExA(key, name, 0, REG_DWORD, (const BYTE*)&value, sizeof value) != ERROR_SUCCESS) {
    RegCloseKey(key);
    RegErrorBox("RegSetValueEx(#1)");
    return 0;
  }
  RegFlushKey(key);
  RegCloseKey(key);
  return 1;
}

int RegPutString(const char* name, const char* text) {
  if (!bRegistryReady) return 0;
  if (text == NULL) text = "";
  DWORD disposition = 0;
  HKEY key = CreateProgramKey(&disposition);
  if (key == NULL) return 0;
  if (disposition != REG_CREATED_NEW_KEY && disposition != REG_OPENED_EXISTING_KEY) {
    RegCloseKey(key);
    return 0;
  }
  size_t len = strlen(text);
  if (len >= 0xFFFFFFFFu) {
    RegCloseKey(key);
    return 0;
  }
  if (RegSetValueExA(key, name, 0, REG_SZ, (const BYTE*)text, (DWORD)(len + 1)) != ERROR_SUCCESS) {
    RegCloseKey(key);
    return 0;
  }
  RegFlushKey(key);
  RegCloseKey(key);
  return 1;
}

int RegGetDword(const char* name, DWORD* out, DWORD defaultValue) {
  if (out == NULL) return 0;
  *out = defaultValue;
  if (!bRegistryReady) return 0;
  HKEY key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, PROGRAM_REG_KEY, 0, KEY_READ, &key) != ERROR_SUCCESS) return 0;
  DWORD value = 0, type = 0, cb = sizeof value;
  LONG r = RegQueryValueExA(key, name, NULL, &type, (BYTE*)&value, &cb);
  RegCloseKey(key);
  if (r != ERROR_SUCCESS) return 0;
  *out = value;
  return 1;
}

int RegGetString(const char* name, char* buf, DWORD size, const char* defaultText, HKEY root, const char* subkey) {
  if (buf == NULL || size == 0) return 0;
  CopyCut(buf, size, defaultText, (size_t)-1);
  if (!bRegistryReady) return 0;
  HKEY key;
  if (RegOpenKeyExA(root, subkey, 0, KEY_READ, &key) != ERROR_SUCCESS) return 0;
  // Read into a scratch of the caller's size so a failed or oversized read leaves the default.
  char small[MAX_PATH];
  char* scratch = size <= sizeof small ? small : (char*)malloc(size);
  if (scratch == NULL) {
    RegCloseKey(key);
    return 0;
  }
  DWORD type = 0, cb = size;
  LONG r = RegQueryValueExA(key, name, NULL, &type, (BYTE*)scratch, &cb);
  RegCloseKey(key);
  int ok = 0;
  if (r == ERROR_SUCCESS && cb <= size) {
    if (cb > 0 && scratch[cb - 1] == '\0') {
      ok = 1;
    } else if (cb < size) {
      scratch[cb] = '\0';
      ok = 1;
    }
    // else: the value fills the buffer without a terminator; it does not fit.
  }
  if (ok) CopyCut(buf, size, scratch, size);
  if (scratch != small) free(scratch);
  return ok;
}
