// Download address of the banner the cycle fetches next.
#pragma once

#define BANNER_URL_SIZE 1024
extern char szBannerUrl[BANNER_URL_SIZE];
