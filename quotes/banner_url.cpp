#include "quotes/banner_url.h"

char szBannerUrl[BANNER_URL_SIZE] = "";
