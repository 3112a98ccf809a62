#include "quotes/reply_text.h"

#include <math.h>
#include <string.h>

#include "foundation/log.h"
#include "foundation/quote_text.h"
#include "store/queue_record.h"

void CutAtAny(char* text, const char* stops) { text[strcspn(text, stops)] = '\0'; }

void CutAt(char* text, const char* mark) {
  char* p = strstr(text, mark);
  if (p) *p = '\0';
}

int VolumeFromDouble(double value) {
  if (!isfinite(value) || value <= -2147483649.0 || value >= 2147483648.0) return NoValue;
  return (int)value;  // conversion truncates toward zero
}

int VolumeFromText(const char* text) { return VolumeFromDouble(ParsePriceText(text)); }

int SplitWantedList(char* list, char sep, char table[WANTED_MAX][WANTED_SIZE]) {
  int count = 0;
  if (list == NULL) return 0;
  char* p = list;
  while (*p && count < WANTED_MAX) {
    while (*p == sep) *p++ = '\0';
    if (*p == '\0') break;
    char* start = p;
    while (*p && *p != sep) ++p;
    if (*p) *p++ = '\0';
    CopyCut(table[count++], WANTED_SIZE, start, WANTED_SIZE - 1);
  }
  return count;
}

void LogReplyText(const char* reply) {
  if (reply == NULL) reply = "";
  size_t length = strlen(reply);
  if (length <= LOGGED_REPLY_HEAD)
    WriteLog("%s", reply);
  else
    WriteLog("%.*s ... (%lu bytes, the first %u shown)", (int)LOGGED_REPLY_HEAD, reply, (unsigned long)length,
             LOGGED_REPLY_HEAD);
}
