#include "banner/version_check.h"

#include <ctype.h>
#include <stdio.h>
#include <string.h>

#include "app/links.h"
#include "banner/schedule.h"
#include "foundation/log.h"
#include "foundation/settings.h"
#include "quotes/network.h"
#include "resources/resource.h"

int(WINAPI* pfnVersionMessageBox)(HWND, LPCSTR, LPCSTR, UINT) = MessageBoxA;

namespace {

const char kProductPage[] = "/Products/Tarnwick.aspx";
const size_t kWordSize = 100;
const size_t kLineSize = 500;

// The first word of a section; false when there is none or it would not fit (it is never cut).
bool FirstWord(const char* text, char* out) {
  while (*text && isspace((unsigned char)*text)) ++text;
  size_t n = 0;
  while (text[n] && !isspace((unsigned char)text[n])) ++n;
  if (n == 0 || n >= kWordSize) return false;
  memcpy(out, text, n);
  out[n] = '\0';
  return true;
}

// tw000.png .. tw029.mng in any letter case: the only keys the schedule loader reads.
bool IsScheduleKey(const char* key) {
  if (strlen(key) != 9 || _strnicmp(key, "tw", 2) != 0) return false;
  if (!isdigit((unsigned char)key[2]) || !isdigit((unsigned char)key[3]) || !isdigit((unsigned char)key[4]))
    return false;
  int slot = (key[2] - '0') * 100 + (key[3] - '0') * 10 + (key[4] - '0');
  return slot < BANNER_SLOTS && (_stricmp(key + 5, ".png") == 0 || _stricmp(key + 5, ".mng") == 0);
}

// Each line ended by "\n" of the form key;value goes to [Banner]; a last line without "\n" does not.
void WriteScheduleLines(HWND hwnd, const char* section) {
  const char* p = section;
  const char* nl;
  while ((nl = strchr(p, '\n')) != NULL) {
    size_t len = (size_t)(nl - p);
    if (len >= kLineSize) {
      WriteLog("CheckNewVersionBuffer: banner line of %u characters skipped", (unsigned)len);
    } else {
      char line[kLineSize];
      memcpy(line, p, len);
      line[len] = '\0';
      if (len > 0 && line[len - 1] == '\r') line[len - 1] = '\0';
      char* semi = strchr(line, ';');
      if (semi) {
        *semi = '\0';
        if (IsScheduleKey(line)) IniPutString(hwnd, "Banner", line, semi + 1);
      }
    }
    p = nl + 1;
  }
}

}  // namespace

void CheckNewVersionBuffer(HWND hwnd, char* text) {
  if (text == NULL) return;
  // A text cut at its end would rewrite the schedule with the lines that came: the service ends
  // every line, the last one too. Only a reply known whole by its length may lack that line end.
  size_t length = strlen(text);
  if (length > 0 && text[length - 1] != '\n' && !bNetworkReplyLengthMatched) {
    WriteLog("CheckNewVersionBuffer: the last line has no line end, not whole: the banner schedule stays");
    return;
  }
  char* version = NULL;
  char* message = NULL;
  char* banner = NULL;
  char* line = text;
  for (char* p = text; *p; ++p) {
    if (*p != '\n') continue;
    if (*line == '[') {
      if (strncmp(line, "[VERSION]", 9) == 0) version = p + 1;
      else if (strncmp(line, "[MESSAGE]", 9) == 0) message = p + 1;
      else if (strncmp(line, "[BANNER]", 8) == 0) banner = p + 1;
      *line = '\0';  // every bracket line ends the section before it
    }
    line = p + 1;
  }
  if (version && message) {
    char word[kWordSize];
    if (FirstWord(version, word) && strncmp(word, PRODUCT_VERSION, strlen(word)) != 0 &&
        pfnVersionMessageBox(hwnd, message, "New Tarnwick version is available", MB_YESNO) == IDYES) {
      char url[WEB_ADDRESS_SIZE];
      if (MakerPageUrl(url, sizeof url, kProductPage)) OpenUrl(hwnd, url);
      PostMessageA(hwnd, WM_CLOSE, 0, 0);
    }
  }
  if (!version && !message && !banner) {
    WriteLog("CheckNewVersionBuffer: no version text, the banner schedule stays");
    return;
  }
  IniPutString(hwnd, "Banner", NULL, NULL);
  if (banner) WriteScheduleLines(hwnd, banner);
  WriteLog("CheckNewVersionBuffer(#4)");
  LoadBannerSchedule(hwnd);
}
