// The banner player's and the link control's operations that the rotation and the version check
// call, until the player (banner/player.h) and the links (app/links.h) land. Remove this pair then,
// including it from their headers instead.
#pragma once
#include <windows.h>

// Shows the current slot's file; 0 when it was handed to the decoder, 1 when it cannot be opened.
int ShowBannerFile(void);
// Puts a fresh link area over the banner.
void RecreateBannerLinkLayer(HWND hwnd);
// Stops the player and releases the file it reads.
void MngStopBanner(void);
// Opens an address in the browser.
void OpenUrl(HWND hwnd, const char* url);
