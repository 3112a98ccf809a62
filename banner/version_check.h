// The version text fetched on the first cycle of a run: the new-version prompt and the banner schedule.
#pragma once
#include <windows.h>

// Shows the new-version prompt; MessageBoxA unless replaced.
extern int(WINAPI* pfnVersionMessageBox)(HWND, LPCSTR, LPCSTR, UINT);

// Reads a version text (NUL-terminated; NUL bytes are written into it): offers the product page
// when it names another version, and replaces [Banner] with its schedule lines, then reloads the
// schedule. A text without any known section (a failed or empty download), or whose last line has
// no line end (cut), changes nothing.
void CheckNewVersionBuffer(HWND hwnd, char* text);
