// The banner player: the current banner image (a PNG still or an MNG animation) decoded by libmng
// into a memory device context that the main window copies into the banner window; the animation is
// paced by the main window's timer IDT_BANNER. Main thread only.
#pragma once
#include <windows.h>

// 1 while an animation is driven by the timer, -1 after it ended or failed, 0 before the first start.
extern int nBannerRunning;
// The paint handler copies hBannerMemDC into the banner window while this is set.
extern int bBannerLoaded;
// The last frame drawn; it outlives the decoder, so a finished animation stays on screen.
extern HDC hBannerMemDC;
// The invisible link area over the banner.
extern HWND hBannerLink;

// Plays the current slot's file: 0 when it was handed to the decoder, 1 when it cannot be opened.
// A file the decoder cannot read (damaged, truncated, not an image) is deleted and not shown.
int ShowBannerFile(void);
// Starts decoding and showing one file and arms IDT_BANNER on the main window.
void MngStartBanner(const char* path);
// IDT_BANNER: the next frame; at the end of the animation the decoder is released.
void MngOnTimer(void);
// Stops the timer and releases the decoder and the file (the memory context stays). Call it before
// the file is rewritten.
void MngStopBanner(void);
// The error exit: player stopped, the text logged, the file deleted so that it is fetched again.
int ResetBannerOnError(const char* text);
// Puts a fresh link area, with the slot's tooltip, over the banner.
void RecreateBannerLinkLayer(HWND hwnd);
// WM_LBUTTONDBLCLK of the main window: on the status strip, opens the banner's link or the home page.
void OnBannerDoubleClick(HWND hwnd, int flag, int x, int y);
// Size of the image being shown (0 when none), for laying out the banner window.
void GetBannerImageSize(int* width, int* height);
// Before the first banner of a run: no image size, and a running animation stopped.
void ResetBannerPlayer(void);
