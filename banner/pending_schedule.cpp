// Stand-ins for the schedule's slots and file path, until the banner schedule lands: remove this file
// with it.
#include <stdio.h>

#include "banner/schedule.h"

BannerEntry BannerSchedule[BANNER_SLOTS];
int CurrentBanner = 0;
char szBannerDir[MAX_PATH] = "";

BOOL GetBannerFilePath(char* out) {
  out[0] = '\0';
  if (CurrentBanner < 0 || CurrentBanner >= BANNER_SLOTS) return FALSE;
  int n = snprintf(out, MAX_PATH, "%s%s", szBannerDir, BannerSchedule[CurrentBanner].file_name);
  if (n >= 0 && n < MAX_PATH) return TRUE;
  out[0] = '\0';
  return FALSE;
}
