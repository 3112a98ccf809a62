#include "banner/schedule.h"

#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "app/options.h"
#include "banner/player.h"
#include "foundation/log.h"
#include "foundation/settings.h"
#include "foundation/text.h"
#include "quotes/hosts.h"
#include "quotes/network.h"
#include "quotes/reply_head.h"

BannerEntry BannerSchedule[BANNER_SLOTS];
int CurrentBanner = 0;
int nBannerCycles = 0;
int nLastBannerDownload = -1;
char szBannerUrl[BANNER_URL_SIZE] = "";
char szBannerDir[MAX_PATH] = "";

namespace {

// The raw road has no header lines of its own: the banner address carries its Accept line.
const char kAcceptLine[] = "\r\nAccept: image/png; image/mng; */*";

// Splits value in place at ';' (runs of ';' give no empty field); keeps the first max fields and
// returns how many there were.
int SplitFields(char* value, char* fields[], int max) {
  int count = 0;
  char* p = value;
  while (*p) {
    while (*p == ';') ++p;
    if (*p == '\0') break;
    char* start = p;
    while (*p && *p != ';') ++p;
    if (*p) *p++ = '\0';
    if (count < max) fields[count] = start;
    ++count;
  }
  return count;
}

void FillBannerDir() {
  if (szBannerDir[0]) return;
  char module[MAX_PATH];
  GetModulePath(module, sizeof module);
  char* slash = strrchr(module, '\\');
  char* colon = strrchr(module, ':');
  char* cut = slash > colon ? slash : colon;
  if (cut) cut[1] = '\0';
  else module[0] = '\0';
  CopyCut(szBannerDir, sizeof szBannerDir, module);
}

void BuildBannerUrl(const char* fileName) {
  snprintf(szBannerUrl, sizeof szBannerUrl, "%s/images/%s%s", SourceUrlPrefix[HOST_MAKER], fileName,
           hInternet == NULL ? kAcceptLine : "");
}

// Where the image starts in a reply and how many bytes it has. On the raw road the reply must carry
// its header: a 2xx status, no transfer coding, and at least the bytes its Content-Length announces.
// WinINet hands over the body alone. False, with why, when the reply holds no body.
bool FindBannerBody(const char* reply, DWORD length, DWORD* offset, DWORD* count, char* why, size_t whySize) {
  *offset = 0;
  *count = length;
  bool headed = hInternet == NULL || (length >= 5 && memcmp(reply, "HTTP/", 5) == 0);
  if (headed && !FindReplyBody(reply, length, offset, count, why, whySize)) return false;
  if (*count == 0) snprintf(why, whySize, "an empty body");
  return *count > 0;
}

// Whether data is a PNG or MNG stream that reaches its end chunk (bytes behind it do no harm). An
// error page is no image, and a body cut where no length told ends before that chunk.
bool WholeImage(const char* data, DWORD count, char* why, size_t whySize) {
  static const unsigned char kPng[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  static const unsigned char kMng[8] = {0x8A, 'M', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  const char* last = count >= 8 && memcmp(data, kPng, 8) == 0   ? "IEND"
                     : count >= 8 && memcmp(data, kMng, 8) == 0 ? "MEND"
                                                                 : NULL;
  if (last == NULL) {
    snprintf(why, whySize, "not a PNG or MNG image");
    return false;
  }
  for (DWORD at = 8; count - at >= 12;) {
    const unsigned char* chunk = (const unsigned char*)data + at;
    DWORD n = ((DWORD)chunk[0] << 24) | ((DWORD)chunk[1] << 16) | ((DWORD)chunk[2] << 8) | chunk[3];
    if (n > count - at - 12) break;
    if (memcmp(chunk + 4, last, 4) == 0) return true;
    at += 12 + n;
  }
  snprintf(why, whySize, "an image cut before its %s chunk", last);
  return false;
}

bool WriteBannerFile(const char* path, const char* data, DWORD count, const FILETIME& stamp) {
  HANDLE h = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
  if (h == INVALID_HANDLE_VALUE) {
    WriteLog("Error opening file in SaveBannerFile()");
    return false;
  }
  DWORD written = 0;
  bool ok = WriteFile(h, data, count, &written, NULL) && written == count;
  if (ok && !SetFileTime(h, NULL, NULL, &stamp))
    WriteLog("SetFileTime(FAILED,%d,%ld,%ld)", CurrentBanner, (long)stamp.dwHighDateTime,
             (long)stamp.dwLowDateTime);
  CloseHandle(h);
  if (!ok) {
    WriteLog("SaveBannerFile: %lu of %lu bytes written, file removed", written, count);
    DeleteFileA(path);
  }
  return ok;
}

}  // namespace

BOOL ParseBannerDate(const char* text, FILETIME* out) {
  memset(out, 0, sizeof *out);
  int month = 0, day = 0, year = 0, hour = 0, minute = 0;
  if (text == NULL || sscanf(text, "%d/%d/%d %d:%d", &month, &day, &year, &hour, &minute) != 5) return FALSE;
  if (year < 100) year += year < 50 ? 2000 : 1900;
  SYSTEMTIME st;
  memset(&st, 0, sizeof st);
  FILETIME local;
  // Out-of-range numbers would wrap in the 16-bit fields; the conversion refuses them instead.
  bool fits = year > 0 && year <= 0xFFFF && month >= 0 && month <= 12 && day >= 0 && day <= 31 && hour >= 0 &&
              hour <= 23 && minute >= 0 && minute <= 59;
  st.wYear = (WORD)year;
  st.wMonth = (WORD)month;
  st.wDay = (WORD)day;
  st.wHour = (WORD)hour;
  st.wMinute = (WORD)minute;
  if (!fits || !SystemTimeToFileTime(&st, &local)) {
    WriteLog("SystemTimeToFileTime(FAILED)");
    return FALSE;
  }
  if (!LocalFileTimeToFileTime(&local, out)) {
    WriteLog("LocalFileTimeToFileTime(FAILED)");
    return FALSE;
  }
  return TRUE;
}

void LoadBannerSchedule(HWND hwnd) {
  DWORD slot = 0;
  RegGetDword("CurrentBanner", &slot, 0);
  CurrentBanner = slot < BANNER_SLOTS ? (int)slot : 0;
  nBannerCycles = 0;
  for (int i = 0; i < BANNER_SLOTS; ++i) {
    BannerEntry* e = &BannerSchedule[i];
    memset(e, 0, sizeof *e);
    char value[260];
    snprintf(e->file_name, sizeof e->file_name, "tw%03d.png", i);
    IniGetString(hwnd, "Banner", e->file_name, value, sizeof value, "");
    if (value[0] == '\0') {
      snprintf(e->file_name, sizeof e->file_name, "tw%03d.mng", i);
      IniGetString(hwnd, "Banner", e->file_name, value, sizeof value, "");
    }
    if (value[0] == '\0') continue;
    char* fields[4] = {NULL, NULL, NULL, NULL};
    int count = SplitFields(value, fields, 4);
    bool dated = fields[0] && ParseBannerDate(fields[0], &e->file_time);
    if (fields[1]) {
      long cycles = atol(fields[1]);
      e->cycles = (short)(cycles > SHRT_MAX ? SHRT_MAX : cycles < SHRT_MIN ? SHRT_MIN : cycles);
    }
    CopyCut(e->link_url, sizeof e->link_url, fields[2]);
    CopyCut(e->tip_text, sizeof e->tip_text, fields[3]);
    e->valid = count == 4 && dated;
  }
}

BOOL GetBannerFilePath(char* out) {
  out[0] = '\0';
  if (CurrentBanner < 0 || CurrentBanner >= BANNER_SLOTS) return FALSE;
  FillBannerDir();
  int n = snprintf(out, MAX_PATH, "%s%s", szBannerDir, BannerSchedule[CurrentBanner].file_name);
  if (n < 0 || n >= MAX_PATH) {
    out[0] = '\0';
    return FALSE;
  }
  return TRUE;
}

int BannerFileIsCurrent(HWND hwnd) {
  char path[MAX_PATH];
  if (!GetBannerFilePath(path)) return 0;
  DWORD attributes = GetFileAttributesA(path);
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return 0;
  HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING, 0, NULL);
  if (h == INVALID_HANDLE_VALUE) return 0;
  const FILETIME& want = BannerSchedule[CurrentBanner].file_time;
  FILETIME created, accessed, written;
  int current = 1;
  if (GetFileTime(h, &created, &accessed, &written) &&
      (written.dwLowDateTime != want.dwLowDateTime || written.dwHighDateTime != want.dwHighDateTime))
    current = 0;
  CloseHandle(h);
  return current;
}

int SelectNextBanner(HWND hwnd) {
  if (!bShowBanner) return 0;
  if (CurrentBanner < 0 || CurrentBanner >= BANNER_SLOTS) {
    CurrentBanner = 0;
    nBannerCycles = 0;
  }
  for (int tries = 0; tries < BANNER_SLOTS; ++tries) {
    BannerEntry* e = &BannerSchedule[CurrentBanner];
    if (e->valid) {
      if (nBannerCycles == 0) {
        if (BannerFileIsCurrent(hwnd)) {
          if (ShowBannerFile() == 0) RecreateBannerLinkLayer(hwnd);
          nLastBannerDownload = CurrentBanner;
        } else if (nLastBannerDownload != CurrentBanner) {
          nLastBannerDownload = CurrentBanner;
          BuildBannerUrl(e->file_name);
          return 1;
        } else {
          // Tried in this turn and still not current: disabled until the schedule is loaded again.
          e->valid = 0;
          nBannerCycles = e->cycles;
        }
      }
      if (++nBannerCycles <= e->cycles) return 0;
    }
    CurrentBanner = (CurrentBanner + 1) % BANNER_SLOTS;
    nBannerCycles = 0;
  }
  return 0;
}

void SaveBannerFile(HWND hwnd, const char* reply, DWORD length) {
  char path[MAX_PATH];
  GetBannerFilePath(path);
  DWORD offset = 0, count = 0;
  char why[80] = "a reply that did not arrive whole";
  bool whole = reply != NULL && bNetworkReplyComplete &&
               FindBannerBody(reply, length, &offset, &count, why, sizeof why) &&
               WholeImage(reply + offset, count, why, sizeof why);
  if (!whole) {
    WriteLog("SaveBannerFile: nothing saved for %s, %s; its old file stays", path, why);
  } else if (path[0]) {
    WriteLog("SaveBannerFile(%s, %ld bytes)", path, (long)count);
    MngStopBanner();  // the player may hold this very file open
    WriteBannerFile(path, reply + offset, count, BannerSchedule[CurrentBanner].file_time);
  }
  // A download this call asks for is not made now: the next cycle must still try it.
  int tried = nLastBannerDownload;
  if (SelectNextBanner(hwnd)) nLastBannerDownload = tried;
}
