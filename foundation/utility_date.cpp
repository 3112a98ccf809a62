// TDate and SYSTEMTIME arithmetic.
#include "foundation/utility.h"
#include "foundation/utility_internal.h"

#include <ctype.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

const long long kTicksPerSecond = 10000000LL;
const long long kTicksPerMinute = 60 * kTicksPerSecond;
const long long kTicksPerHour = 60 * kTicksPerMinute;
const long long kTicksPerDay = 24 * kTicksPerHour;

const DWORD kMonthDays[13] = {0, 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

// Field values read from text stop growing here, so that a long run of digits neither overflows
// nor wraps into an innocent-looking WORD.
const int kFieldMax = 65535;

int AddDigit(int value, char digit) {
  value = value * 10 + (digit - '0');
  return value > kFieldMax ? kFieldMax : value;
}

bool ToTicks(const SYSTEMTIME *st, long long *ticks) {
  FILETIME ft;
  if (!st || !SystemTimeToFileTime(st, &ft)) return false;
  unsigned long long v = ((unsigned long long)ft.dwHighDateTime << 32) | ft.dwLowDateTime;
  if (v > 0x7FFFFFFFFFFFFFFFULL) return false;
  *ticks = (long long)v;
  return true;
}

long long Between(const SYSTEMTIME *a, const SYSTEMTIME *b, long long unit) {
  long long ta, tb;
  if (!ToTicks(a, &ta) || !ToTicks(b, &tb)) return 0;
  // Both are non-negative, so the difference cannot overflow; truncate toward zero.
  long long diff = tb - ta;
  unsigned long long magnitude = diff < 0 ? 0ULL - (unsigned long long)diff : (unsigned long long)diff;
  long long whole = (long long)(magnitude / (unsigned long long)unit);
  return diff < 0 ? -whole : whole;
}

// Field of a date or time being read: digits accumulate until a separator ends it.
struct Field {
  int value;
  bool digits;
};

}  // namespace

bool UtilIsLeapYear(unsigned year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

// ---- free helpers ---------------------------------------------------------------------------

int AddToSystemTime(SYSTEMTIME *st, int unit, int amount) {
  long long ticks;
  if (!ToTicks(st, &ticks)) return 0;
  long long step = unit == UTIL_UNIT_HOURS ? kTicksPerHour : unit == UTIL_UNIT_DAYS ? kTicksPerDay : 0;
  long long delta, sum;
  if (__builtin_mul_overflow((long long)amount, step, &delta) ||
      __builtin_add_overflow(ticks, delta, &sum) || sum < 0)
    return 0;
  FILETIME ft;
  ft.dwLowDateTime = (DWORD)((unsigned long long)sum & 0xFFFFFFFFu);
  ft.dwHighDateTime = (DWORD)((unsigned long long)sum >> 32);
  SYSTEMTIME result;
  if (!FileTimeToSystemTime(&ft, &result)) return 0;
  *st = result;
  return 1;
}

int CompareSystemTimes(const SYSTEMTIME *a, const SYSTEMTIME *b) {
  long long ta, tb;
  if (!ToTicks(a, &ta) || !ToTicks(b, &tb)) return 0;
  return ta > tb ? 1 : ta < tb ? -1 : 0;
}

long long DaysBetween(const SYSTEMTIME *a, const SYSTEMTIME *b) { return Between(a, b, kTicksPerDay); }
long long HoursBetween(const SYSTEMTIME *a, const SYSTEMTIME *b) { return Between(a, b, kTicksPerHour); }
long long MinutesBetween(const SYSTEMTIME *a, const SYSTEMTIME *b) { return Between(a, b, kTicksPerMinute); }
long long SecondsBetween(const SYSTEMTIME *a, const SYSTEMTIME *b) { return Between(a, b, kTicksPerSecond); }

int GetYearDayNumber(const SYSTEMTIME *st) {
  if (!st || st->wMonth < 1 || st->wMonth > 12) return 0;
  int day = 0;
  for (int m = 1; m < st->wMonth; m++) day += (int)kMonthDays[m];
  day += st->wDay;
  if (st->wMonth > 2 && UtilIsLeapYear(st->wYear)) day++;
  return st->wYear * 1000 + day;
}

// ---- TDate ----------------------------------------------------------------------------------

TDate::TDate() : nTokens(0) {
  memcpy(dwMonthDays, kMonthDays, sizeof(dwMonthDays));
  memset(pszTokens, 0, sizeof(pszTokens));
  szText[0] = '\0';
  SetToday();
}

TDate::~TDate() {}

BOOL TDate::IsLeapYear() { return UtilIsLeapYear(stDate.wYear); }

void TDate::SetToday() { GetLocalTime(&stDate); }

BOOL TDate::ParseDateTime(const char *text) {
  memset(&stDate, 0, sizeof(stDate));
  char *copy = UtilDupExtra(text, 1);
  if (!copy) return FALSE;

  // Upper-cased and trimmed.
  char *s = copy;
  while (*s && isspace((unsigned char)*s)) s++;
  size_t len = strlen(s);
  while (len > 0 && isspace((unsigned char)s[len - 1])) s[--len] = '\0';
  for (char *p = s; *p; p++) *p = (char)toupper((unsigned char)*p);

  char *timePart = strchr(s, ' ');
  if (timePart) *timePart++ = '\0';

  bool valid = true;

  // Date: month/day/year.
  int dateFields = 0;
  int dateValues[3] = {0, 0, 0};
  Field f = {0, false};
  bool afterSpace = false;
  for (const char *p = s; *p && valid; p++) {
    unsigned char c = (unsigned char)*p;
    if (isdigit(c)) {
      if (afterSpace || dateFields >= 3) valid = false;
      f.value = AddDigit(f.value, (char)c);
      f.digits = true;
    } else if (c == '/') {
      if (!f.digits || dateFields >= 3) {
        valid = false;
      } else {
        dateValues[dateFields++] = f.value;
        f.value = 0;
        f.digits = false;
        afterSpace = false;
      }
    } else if (isspace(c)) {
      afterSpace = true;
    } else {
      valid = false;
    }
  }
  if (valid && f.digits) {
    if (dateFields >= 3) valid = false;
    else dateValues[dateFields++] = f.value;
  }

  // Time: hour:minute with optional AM/PM.
  int timeFields = 0;
  int timeValues[2] = {0, 0};
  bool afternoon = false;
  f.value = 0;
  f.digits = false;
  for (const char *p = timePart; valid && p && *p; p++) {
    unsigned char c = (unsigned char)*p;
    if (isdigit(c)) {
      f.value = AddDigit(f.value, (char)c);
      f.digits = true;
    } else if (c == ':') {
      if (timeFields >= 1) {
        valid = false;
      } else {
        timeValues[timeFields++] = f.value;
        f.value = 0;
        f.digits = false;
      }
    } else if (c == 'A') {
      afternoon = false;
    } else if (c == 'P') {
      afternoon = true;
    } else if (c == 'M' || isspace(c)) {
      // ignored
    } else {
      valid = false;
    }
  }
  if (valid && timePart && timeFields < 2) timeValues[timeFields] = f.value;
  free(copy);

  if (!valid) return FALSE;
  stDate.wMonth = (WORD)dateValues[0];
  stDate.wDay = (WORD)dateValues[1];
  stDate.wYear = (WORD)dateValues[2];
  if (afternoon && timeValues[0] < 12) timeValues[0] += 12;
  stDate.wHour = (WORD)timeValues[0];
  stDate.wMinute = (WORD)timeValues[1];
  return dateFields >= 2;
}

BOOL TDate::Validate() {
  if (stDate.wYear < 50) stDate.wYear += 2000;
  if (stDate.wYear < 100) stDate.wYear += 1900;
  if (stDate.wMonth < 1 || stDate.wMonth > 12) return FALSE;
  DWORD days = dwMonthDays[stDate.wMonth];
  if (stDate.wMonth == 2 && IsLeapYear()) days = 29;
  return stDate.wDay >= 1 && stDate.wDay <= days;
}

BOOL TDate::SetFromString(const char *text) {
  SetToday();
  if (!ParseDateTime(text)) return FALSE;
  return Validate();
}

void TDate::Format(char *out, int outSize) {
  if (!out || outSize < 1) return;
  char scratch[32];
  snprintf(scratch, sizeof(scratch), "%d/%d/%d", stDate.wMonth, stDate.wDay, stDate.wYear);
  UtilCopyCut(out, outSize, scratch);
}

BOOL TDate::Tokenize() {
  static const char kSeparators[] = " ,-./:";
  nTokens = 0;
  memset(pszTokens, 0, sizeof(pszTokens));
  char *p = szText;
  while (nTokens < 7) {
    while (*p && strchr(kSeparators, *p)) p++;
    if (!*p) break;
    pszTokens[nTokens++] = p;
    while (*p && !strchr(kSeparators, *p)) p++;
    if (!*p) break;
    *p++ = '\0';
  }
  return nTokens >= 5;
}

int TDate::MonthFromName(const char *text) {
  static const char *const kMonths[12] = {"January", "February", "March",     "April",
                                          "May",     "June",     "July",      "August",
                                          "September", "October", "November", "December"};
  if (!text) return 0;
  for (int m = 0; m < 12; m++) {
    if (_stricmp(text, kMonths[m]) == 0) return m + 1;
    if (strlen(text) == 3 && _strnicmp(text, kMonths[m], 3) == 0) return m + 1;
  }
  return 0;
}

namespace {

// Leading digits of a token, saturating.
int TokenNumber(const char *token) {
  int value = 0;
  for (const char *p = token; p && isdigit((unsigned char)*p); p++) value = AddDigit(value, *p);
  return value;
}

}  // namespace

BOOL TDate::ParseOrdered(const char *text, int order) {
  memset(&stDate, 0, sizeof(stDate));
  UtilCopyCut(szText, sizeof(szText), text);
  if (!Tokenize()) return FALSE;
  int monthIndex, dayIndex, yearIndex;
  switch (order) {
    case 0: monthIndex = 0; dayIndex = 1; yearIndex = 2; break;
    case 1: yearIndex = 0; monthIndex = 1; dayIndex = 2; break;
    case 2: dayIndex = 0; monthIndex = 1; yearIndex = 2; break;
    default: return FALSE;
  }
  const char *monthToken = pszTokens[monthIndex];
  int month;
  if (isalpha((unsigned char)monthToken[0])) {
    month = MonthFromName(monthToken);
    if (month == 0) return FALSE;
  } else {
    month = TokenNumber(monthToken);
  }
  stDate.wMonth = (WORD)month;
  stDate.wDay = (WORD)TokenNumber(pszTokens[dayIndex]);
  stDate.wYear = (WORD)TokenNumber(pszTokens[yearIndex]);
  stDate.wHour = (WORD)TokenNumber(pszTokens[3]);
  stDate.wMinute = (WORD)TokenNumber(pszTokens[4]);
  if (nTokens > 5) stDate.wSecond = (WORD)TokenNumber(pszTokens[5]);
  if (nTokens > 6) stDate.wMilliseconds = (WORD)TokenNumber(pszTokens[6]);
  return Validate();
}
