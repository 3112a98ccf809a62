#include "foundation/quote_text.h"

#include <ctype.h>
#include <limits.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "foundation/text.h"
#include "store/queue_record.h"

BOOL bThousandsCommas = 1;
BOOL bNegativeInParen = 0;

namespace {

const char* const kMonths[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

QuoteClockFunc quoteClock = NULL;

void LocalNow(SYSTEMTIME* now) {
  if (quoteClock)
    quoteClock(now);
  else
    GetLocalTime(now);
}

// Numbers read from replies can be any size; the fields are short, so the text is cut.
void WriteMonthDay(QueueRecord* rec, long long month, long long day) {
  char scratch[64];
  snprintf(scratch, sizeof scratch, "%lld/%lld", month, day);
  CopyCut(rec->quote_date, sizeof rec->quote_date, scratch);
}

void WriteMonthDayYear(QueueRecord* rec, long long month, long long day, long long year) {
  char scratch[96];
  snprintf(scratch, sizeof scratch, "%lld/%lld/%lld", month, day, year);
  CopyCut(rec->quote_date, sizeof rec->quote_date, scratch);
}

void WriteTime(QueueRecord* rec, long long hour, long long minute) {
  char scratch[64];
  snprintf(scratch, sizeof scratch, "%lld:%02lld", hour, minute);
  CopyCut(rec->quote_time, sizeof rec->quote_time, scratch);
}

// Month number of the last abbreviation (in calendar order) that occurs in text, or 0.
int FindMonth(const char* text) {
  int month = 0;
  for (int i = 0; i < 12; i++)
    if (strstr(text, kMonths[i])) month = i + 1;
  return month;
}

// Inserts ',' after each digit that leaves exactly 3, 6, 9 or 12 digits to its right.
void GroupDigits(char* out, size_t outSize, const char* digits, size_t count) {
  size_t w = 0;
  for (size_t i = 0; i < count && w + 1 < outSize; i++) {
    out[w++] = digits[i];
    size_t right = count - 1 - i;
    if (bThousandsCommas && (right == 3 || right == 6 || right == 9 || right == 12) &&
        w + 1 < outSize)
      out[w++] = ',';
  }
  out[w] = '\0';
}

// Length of an exponent ("e400", "E-2", "e+5") at p; 0 when none stands there.
size_t ExponentLength(const char* p) {
  if (*p != 'e' && *p != 'E') return 0;
  size_t n = 1;
  if (p[n] == '+' || p[n] == '-') ++n;
  if (p[n] < '0' || p[n] > '9') return 0;
  while (p[n] >= '0' && p[n] <= '9') ++n;
  return n;
}

}  // namespace

void SetQuoteClock(QuoteClockFunc clock) { quoteClock = clock; }

double QuoteNumberOrNoValue(double value) {
  const double kLimit = 9223372036854775808.0;  // 2^63
  if (!isfinite(value) || fabs(value) >= kLimit) return NoValue;
  return value;
}

double ParsePriceText(const char* text) {
  if (!text) return 0.0;
  const int kGroups = 10;
  const long long kOverflow = -1;  // a group whose digits a 64-bit integer cannot hold
  long long groups[kGroups] = {0};
  int group = 0;
  int slash = 0;
  bool negative = false;
  bool decimal = false;
  size_t len = strlen(text);
  char* decimalText = static_cast<char*>(malloc(len + 1));
  if (!decimalText) return 0.0;
  size_t d = 0;
  char prev = ' ';
  for (const char* p = text; *p; p++) {
    char c = *p;
    unsigned char uc = static_cast<unsigned char>(c);
    if (c == '+' || c == ',' || c == '$') {
      // signs and separators carry no digits
    } else if (c == '-') {
      negative = true;
    } else if (c == '.') {
      decimal = true;
      decimalText[d++] = '.';
      if (group < INT_MAX) group++;
    } else if (c == '/') {
      if (group < INT_MAX) group++;
      slash = group;
    } else if (prev >= '0' && prev <= '9' && ExponentLength(p) > 0) {
      // "1e400" is a number in exponent form, not the digits 1400: read as a number (see below).
      size_t n = ExponentLength(p);
      memcpy(decimalText + d, p, n);
      d += n;
      p += n - 1;
      decimal = true;
      c = *p;
    } else if (c >= '0' && c <= '9') {
      decimalText[d++] = c;
      if (group < kGroups && groups[group] != kOverflow) {
        long long& g = groups[group];
        g = (g > (LLONG_MAX - (c - '0')) / 10) ? kOverflow : g * 10 + (c - '0');
      }
    } else if (isspace(uc)) {
      decimalText[d++] = c;
      if (prev >= '0' && prev <= '9' && group < INT_MAX) group++;
    } else {
      decimalText[d++] = c;
      c = ' ';
    }
    prev = c;
  }
  decimalText[d] = '\0';

  double value = 0.0;
  if (decimal) {
    // "nan" or "inf" spelled in a reply is unreadable text like "N/A", not a number
    const char* start = decimalText;
    while (isspace(static_cast<unsigned char>(*start))) start++;
    bool number = (*start >= '0' && *start <= '9') || *start == '.';
    if (!number || sscanf(start, "%lf", &value) != 1) value = 0.0;
    if (negative) value = -value;
  } else {
    bool fits = true;  // the groups of a, a/b or a b/c
    for (int i = 0; slash <= 2 && i <= slash; i++) fits = fits && groups[i] != kOverflow;
    char sign = negative ? '-' : '+';
    char number[128];
    number[0] = '\0';
    if (slash == 0) {
      snprintf(number, sizeof number, "%c%lld", sign, groups[0]);
    } else if (slash == 1) {
      if (groups[1] > 0)
        snprintf(number, sizeof number, "%c%lf", sign,
                 static_cast<double>(groups[0]) / static_cast<double>(groups[1]));
    } else if (slash == 2) {
      if (groups[2] > 0)
        snprintf(number, sizeof number, "%c%lf", sign,
                 static_cast<double>(groups[0]) +
                     static_cast<double>(groups[1]) / static_cast<double>(groups[2]));
    }
    if (!fits)
      value = NoValue;
    else if (!number[0] || sscanf(number, "%lf", &value) != 1)
      value = 0.0;
  }
  free(decimalText);
  return QuoteNumberOrNoValue(value);
}

void ParseLastSaleTime(QueueRecord* rec, char* text) {
  if (!rec || !text) return;
  TrimSpaces(text);
  if (strchr(text, '/')) {
    if (text[0] == '0') {
      text[0] = ' ';
      TrimSpaces(text);
    }
    CopyCut(rec->quote_date, sizeof rec->quote_date, text);
    return;
  }
  SYSTEMTIME now;
  LocalNow(&now);
  WriteMonthDay(rec, now.wMonth, now.wDay);
  if (*text)
    CopyCut(rec->quote_time, sizeof rec->quote_time, text);
  else
    WriteTime(rec, now.wHour, now.wMinute);
}

void ParseMonthDay(QueueRecord* rec, const char* text) {
  if (!rec) return;
  int month = 1, day = 1;
  if (text) sscanf(text, "%d/%d", &month, &day);
  WriteMonthDay(rec, month, day);
}

void ParseMonthNameDateTime(QueueRecord* rec, const char* text) {
  if (!rec) return;
  if (!text) text = "";
  int month = FindMonth(text);
  if (month == 0) month = 1;
  int day = 1, hour = 8, minute = 0;
  if (strlen(text) >= 4) sscanf(text + 3, "%d %d:%d", &day, &hour, &minute);
  long long h = hour;
  if (h > 23) h -= 12;
  WriteMonthDay(rec, month, day);
  WriteTime(rec, h, minute);
}

void ParseAmPmTime(QueueRecord* rec, char* text) {
  if (!rec || !text) return;
  for (char* p = text; *p; p++) *p = static_cast<char>(tolower(static_cast<unsigned char>(*p)));
  char copy[52];
  CopyCut(copy, sizeof copy, text);
  bool afternoon = false;
  char* marker = strstr(copy, "pm");
  if (marker) {
    *marker = '\0';
    afternoon = true;
  }
  marker = strstr(copy, "am");
  if (marker) *marker = '\0';
  char* colon = strchr(copy, ':');
  if (!colon) return;
  *colon = '\0';
  long long minute = strtol(colon + 1, NULL, 10);
  long long hour = strtol(copy, NULL, 10);
  if (afternoon && hour < 12) hour += 12;
  if (!afternoon && hour == 12) hour = 0;
  WriteTime(rec, hour, minute);
}

void ParseHeadlineDateTime(QueueRecord* rec, const char* text) {
  if (!rec) return;
  if (!text) text = "";
  int month = 0, day = 1, hour = 8, minute = 0;
  for (int i = 0; i < 12; i++) {
    const char* at = strstr(text, kMonths[i]);
    if (!at) continue;
    month = i + 1;
    sscanf(at + 3, "%d", &day);
    if (day > 31) day = 1;
    hour = 16;
    minute = 30;
  }
  SYSTEMTIME now;
  LocalNow(&now);
  long long h = hour;
  if (month == 0) {
    month = now.wMonth;
    day = now.wDay;
    sscanf(text, "%d", &hour);
    h = hour;
    const char* colon = strchr(text, ':');
    if (colon) sscanf(colon + 1, "%d", &minute);
    if (strstr(text, "PM")) h += 12;
    if (h > 23) h -= 12;
  }
  WriteMonthDayYear(rec, month, day, now.wYear);
  WriteTime(rec, h, minute);
}

void FormatIntegerGrouped(char* out, int value, size_t outSize) {
  // every int is exact in a double, INT_MIN's magnitude included
  FormatDoubleGrouped(out, value, 0, false, outSize);
}

void FormatDoubleGrouped(char* out, double value, int decimals, bool percent, size_t outSize) {
  if (!out || outSize == 0) return;
  if (decimals < 0) decimals = 0;
  if (decimals > 40) decimals = 40;
  char format[16];
  snprintf(format, sizeof format, "%%0.%df", decimals);
  // DBL_MAX has 309 integer digits; the scratch holds it with its decimals and commas
  char number[400];
  snprintf(number, sizeof number, format, fabs(value));
  size_t intLen = strcspn(number, ".");
  char grouped[420];
  GroupDigits(grouped, sizeof grouped, number, intLen);
  size_t used = strlen(grouped);
  CopyCut(grouped + used, sizeof grouped - used, number + intLen);
  const char* prefix = "";
  const char* suffix = "";
  if (value < 0) {
    prefix = bNegativeInParen ? "(" : "-";
    suffix = bNegativeInParen ? ")" : "";
  }
  char scratch[440];
  snprintf(scratch, sizeof scratch, "%s%s%s%s", prefix, grouped, suffix, percent ? "%" : "");
  CopyCut(out, outSize, scratch);
}
