#include "banner/schedule.h"

char szBannerUrl[BANNER_URL_SIZE] = "";
