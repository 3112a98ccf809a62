// The status strip at the bottom of the main window: status text, banner slot, net worth, countdown
// and the busy gem. Painted into the main window; single panes are redrawn in place.
#pragma once
#include <windows.h>

#define STATUS_TEXT_SIZE 256

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
void DrawNetWorth(HWND hwnd, double value);
void PositionBanner(HWND hwnd, int sizeType, int cx, int cy, HWND hBanner, int imageWidth, int imageHeight);
void DeleteStatusFont(void);
BOOL AddTooltip(HWND owner, HWND tool, const char* text);
