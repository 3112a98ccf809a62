// The banner schedule: which banner images exist, which one is shown, and which one the cycle fetches.
// Slots come from the [Banner] section of the settings file (written by the version check); each
// names an image file beside the program, the time stamp it must carry, how many cycles it stays,
// its link and its tooltip.
#pragma once
#include <windows.h>

#define BANNER_SLOTS 30
#define BANNER_NAME_SIZE 260
#define BANNER_TEXT_SIZE 500
#define BANNER_URL_SIZE 1024

struct BannerEntry {
  DWORD valid;          // 1 when the entry had exactly four fields and a readable date
  FILETIME file_time;   // last-write time (UTC) the image file must carry
  short cycles;         // rotation calls the banner stays once shown
  char file_name[BANNER_NAME_SIZE];  // the settings key, e.g. tw007.png
  char link_url[BANNER_TEXT_SIZE];
  char tip_text[BANNER_TEXT_SIZE];
};

extern BannerEntry BannerSchedule[BANNER_SLOTS];
// The current slot, 0..29; kept across runs in the registry value "CurrentBanner".
extern int CurrentBanner;
// Rotation calls the current banner has been counted; 0: its turn has not started.
extern int nBannerCycles;
// The slot last requested for download or last shown: one download try per slot and turn.
extern int nLastBannerDownload;
// Download address of the banner the cycle fetches next.
extern char szBannerUrl[BANNER_URL_SIZE];
// Folder of the banner files, ending in '\'; filled from the program's path when empty.
extern char szBannerDir[MAX_PATH];

// Fills the schedule from [Banner] and CurrentBanner from the registry; nBannerCycles = 0.
void LoadBannerSchedule(HWND hwnd);
// "month/day/year hour:minute" in local time to a UTC file time; FALSE when the text has fewer than
// five numbers or does not name a time.
BOOL ParseBannerDate(const char* text, FILETIME* out);
// Full path of the current slot's file into out (MAX_PATH bytes); FALSE ("" in out) when it does not fit.
BOOL GetBannerFilePath(char* out);
// 1 when the current slot's file exists with the slot's time stamp.
int BannerFileIsCurrent(HWND hwnd);
// One rotation step: shows the current banner or moves on; 1 when an image must be downloaded
// first (its address is in szBannerUrl, for CurrentBanner).
int SelectNextBanner(HWND hwnd);
// Stores a downloaded image for the current slot, stamped with the slot's time, then rotates.
// A reply that is not a whole 2xx PNG or MNG image (see bNetworkReplyComplete, the header a raw reply
// carries, and the image's own end chunk) is not kept: the slot keeps its old file.
void SaveBannerFile(HWND hwnd, const char* reply, DWORD length);
