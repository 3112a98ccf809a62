// The banner player's operations that the rotation and the download saving call, until the player
// (banner/player.h) lands. Remove this pair then, including the player's header instead.
#pragma once
#include <windows.h>

// Shows the current slot's file; 0 when it was handed to the decoder, 1 when it cannot be opened.
int ShowBannerFile(void);
// Puts a fresh link area over the banner.
void RecreateBannerLinkLayer(HWND hwnd);
// Stops the player and releases the file it reads.
void MngStopBanner(void);
