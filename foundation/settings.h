// Settings file access, the main window's saved rectangle, and the program's registry values.
#pragma once
#include <windows.h>
#include <stddef.h>

#include <vector>

// Path of the settings file: beside the program, or the first word of the command line.
extern char szIniPath[MAX_PATH];
// Set once szIniPath holds a path (never cleared).
extern BOOL bIniReady;
// Set together with bIniReady; registry operations do nothing while it is clear.
extern BOOL bRegistryReady;

// Registry key of the program under HKEY_CURRENT_USER.
#define PROGRAM_REG_KEY "Software\\Bramblecot\\Tarnwick"

void InitIniPath(HWND hwnd);
void SetIniPathFromCommandLine(char* text);

int IniGetInt(HWND hwnd, const char* section, const char* key, int defaultValue);
DWORD IniGetString(HWND hwnd, const char* section, const char* key, char* buf, DWORD size, const char* defaultText);
DWORD IniGetKeys(HWND hwnd, const char* section, char* buf, DWORD size);
// Every key name of a section, however long the list: each name ended by a NUL, the list by an
// empty name. A section without keys gives an empty name alone.
std::vector<char> IniGetAllKeys(HWND hwnd, const char* section);
BOOL IniPutString(HWND hwnd, const char* section, const char* key, const char* value);

BOOL RestoreWindowPlacement(HWND hwnd, bool hideIfOffscreen);
// Where RestoreWindowPlacement puts a window without a usable saved rectangle on a screen of the
// given size: 600 wide, centred, its top a third of the way down, a third of the screen high.
RECT DefaultWindowRect(int screenWidth, int screenHeight);
void SaveWindowPlacement(HWND hwnd);
bool IsWindowOnScreen(HWND hwnd);

int RegPutDword(const char* name, DWORD value);
int RegPutString(const char* name, const char* text);
int RegGetDword(const char* name, DWORD* out, DWORD defaultValue);
int RegGetString(const char* name, char* buf, DWORD size, const char* defaultText, HKEY root, const char* subkey);

// Shows the registry write errors; MessageBoxA unless replaced (tests replace it so nothing blocks).
extern int (WINAPI* pfnRegErrorBox)(HWND, LPCSTR, LPCSTR, UINT);

// Module file name of the program, always NUL-terminated (a truncated name is cut at size - 1).
// Returns the length written, 0 on failure (buf then holds "").
DWORD GetModulePath(char* buf, DWORD size);

// out = path with everything after the last '.' of its file name replaced by ext; a file name
// without '.' gets "." and ext appended. Cut to size - 1 characters; FALSE when it had to be cut.
BOOL ReplacePathExtension(const char* path, const char* ext, char* out, size_t size);

// out = the folder of a file path: the text before its last '\' or ':'; "." when it has neither.
// Cut to size - 1 characters; FALSE when it had to be cut.
BOOL GetPathFolder(const char* path, char* out, size_t size);
