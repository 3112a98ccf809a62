// Empty stand-ins; see pending_player.h.
#include "banner/pending_player.h"

int ShowBannerFile(void) { return 1; }
void RecreateBannerLinkLayer(HWND) {}
void MngStopBanner(void) {}
