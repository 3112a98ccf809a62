// The status strip at the bottom of the main window: status text, banner slot, net worth, countdown
// and the busy gem. Painted into the main window; single panes are redrawn in place.
#pragma once
#include <windows.h>
#include <stddef.h>

#define STATUS_TEXT_SIZE 256
// The net worth is formatted whole into this many bytes; the pane shows at most the first 31 characters.
#define NET_WORTH_FORMAT_SIZE 300
#define NET_WORTH_TEXT_MAX 31

// Stores the status text (cut to 255 characters); with redraw set, repaints it at once.
// Safe to call from the network thread.
void SetStatusText(HWND hwnd, const char* text, int redraw);
// Copies the current status text into out (size bytes, always terminated): always a whole text.
void GetStatusText(char* out, int size);

void InitStatusArea(HWND hwnd, HBITMAP greenGem, HBITMAP redGem);
void SetBannerShown(int shown);
int GetStatusAreaHeight(void);
void PaintStatusArea(HWND hwnd, HDC hdc);
// On a change of the busy flag: clears the status text when idle and redraws the gem.
void SetBusyIndicator(HWND hwnd, int busy);
void DrawCountdown(HWND hwnd, int seconds);
// Empty for 0.0 and NoValue; the value is not kept.
void DrawNetWorth(HWND hwnd, double value);
// The text DrawNetWorth shows for value.
void FormatNetWorthText(char* out, size_t size, double value);
void PositionBanner(HWND hwnd, int sizeType, int cx, int cy, HWND hBanner, int imageWidth, int imageHeight);
void DeleteStatusFont(void);
// Draws bitmap at (x, y) with the pixels of the key colour left transparent; nothing for a NULL or
// unreadable bitmap.
void DrawTransparentBitmap(HDC hdc, HBITMAP bitmap, short x, short y, COLORREF key);
// A tooltip over the tool window's client area; the result of adding the tool.
BOOL AddTooltip(HWND owner, HWND tool, const char* text);
