// The banner schedule: which banner images exist, which one is shown, and which one the cycle fetches.
#pragma once

#define BANNER_URL_SIZE 1024
// Download address of the banner the cycle fetches next.
extern char szBannerUrl[BANNER_URL_SIZE];
