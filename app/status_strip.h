// The status strip at the bottom of the main window. Only the status text is here so far.
#pragma once
#include <windows.h>

#define STATUS_TEXT_SIZE 256

// Stores the status text (cut to 255 characters); with redraw set, repaints it at once.
// Safe to call from the network thread.
void SetStatusText(HWND hwnd, const char* text, int redraw);
// Copies the current status text into out (size bytes, always terminated): always a whole text.
void GetStatusText(char* out, int size);
