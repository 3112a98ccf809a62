#include "foundation/text.h"

#include <ctype.h>
#include <stdlib.h>
#include <string.h>

namespace {

bool IsLineBlank(char c) {
  return c == '\t' || c == '\n' || c == '\r' || c == ' ';
}

// Length of the text with every find replaced, and the number of occurrences; false when the
// result and its NUL would not fit a size_t.
bool ReplacedLength(const char* text, const char* find, const char* replacement, size_t* count,
                    size_t* length) {
  size_t findLen = strlen(find);
  size_t n = 0;
  for (const char* p = strstr(text, find); p; p = strstr(p + findLen, find)) n++;
  if (count) *count = n;
  size_t added, out;
  if (__builtin_mul_overflow(n, strlen(replacement), &added) ||
      __builtin_add_overflow(strlen(text) - n * findLen, added, &out) || out == (size_t)-1)
    return false;
  *length = out;
  return true;
}

// Builds the replaced text into out, which holds at least the replaced length + 1.
void BuildReplaced(char* out, const char* text, const char* find, const char* replacement) {
  size_t findLen = strlen(find);
  size_t replLen = strlen(replacement);
  const char* from = text;
  for (const char* p = strstr(from, find); p; p = strstr(from, find)) {
    memcpy(out, from, p - from);
    out += p - from;
    memcpy(out, replacement, replLen);
    out += replLen;
    from = p + findLen;
  }
  strcpy(out, from);
}

}  // namespace

void TrimRight(char* text) {
  if (!text) return;
  size_t len = strlen(text);
  while (len > 0 && IsLineBlank(text[len - 1])) text[--len] = '\0';
}

void TrimLeft(char* text) {
  if (!text) return;
  size_t skip = 0;
  while (IsLineBlank(text[skip])) skip++;
  if (skip) memmove(text, text + skip, strlen(text + skip) + 1);
}

void TrimSpaces(char* text) {
  if (!text || !*text) return;
  size_t skip = 0;
  while (text[skip] && isspace(static_cast<unsigned char>(text[skip]))) skip++;
  size_t len = strlen(text + skip);
  while (len > 0 && isspace(static_cast<unsigned char>(text[skip + len - 1]))) len--;
  memmove(text, text + skip, len);
  text[len] = '\0';
}

bool ReplaceString(char* text, const char* find, const char* replacement) {
  return ReplaceStringN(text, (size_t)-1, find, replacement);
}

bool ReplaceStringN(char* text, size_t cap, const char* find, const char* replacement) {
  size_t count = 0, len = 0;
  // refused before the scratch is taken: a result too long for the buffer costs no allocation
  if (!text || !find || !*find || !replacement || !ReplacedLength(text, find, replacement, &count, &len) ||
      count == 0 || len >= cap)
    return false;
  char* scratch = static_cast<char*>(malloc(len + 1));
  if (!scratch) return false;
  BuildReplaced(scratch, text, find, replacement);
  memcpy(text, scratch, len + 1);
  free(scratch);
  return true;
}

bool ReplaceStringInto(char* out, size_t outSize, const char* text, const char* find,
                       const char* replacement) {
  if (!out || outSize == 0) return false;
  out[0] = '\0';
  if (!text || !find || !*find || !replacement) return false;
  size_t len = 0;
  if (!ReplacedLength(text, find, replacement, NULL, &len) || len + 1 > outSize) return false;
  BuildReplaced(out, text, find, replacement);
  return true;
}

void ReplaceCharWithString(char* text, char ch, const char* replacement) {
  const char find[2] = {ch, '\0'};
  ReplaceString(text, find, replacement);
}

char* StrStrNoCase(const char* haystack, const char* needle) {
  if (!haystack || !needle) return NULL;
  size_t hayLen = strlen(haystack);
  size_t needleLen = strlen(needle);
  char* hay = static_cast<char*>(malloc(hayLen + 1));
  char* ndl = static_cast<char*>(malloc(needleLen + 1));
  char* found = NULL;
  if (hay && ndl) {
    for (size_t i = 0; i <= hayLen; i++)
      hay[i] = static_cast<char>(toupper(static_cast<unsigned char>(haystack[i])));
    for (size_t i = 0; i <= needleLen; i++)
      ndl[i] = static_cast<char>(toupper(static_cast<unsigned char>(needle[i])));
    char* at = strstr(hay, ndl);
    if (at) found = const_cast<char*>(haystack) + (at - hay);
  }
  free(hay);
  free(ndl);
  return found;
}

void DecodeHtmlText(char* html) {
  if (!html) return;
  const size_t kEntityMax = 8;
  char entity[kEntityMax + 1];
  size_t entityLen = 0;
  bool inTag = false;
  bool inEntity = false;
  char prev = 'X';  // not a blank, so a leading blank is kept
  char* w = html;
  for (const char* r = html; *r; r++) {
    char c = *r;
    if (c == '<') {
      inTag = true;
      prev = '<';
    } else if (c == '>') {
      inTag = false;
      prev = '>';
    } else if (c == '&') {
      if (!inTag) {
        inEntity = true;
        entity[0] = '&';
        entityLen = 1;
      }
      prev = '&';
    } else if (c == ';' && inEntity) {
      inEntity = false;
      prev = ';';
      if (entityLen < kEntityMax) {
        entity[entityLen++] = ';';
        entity[entityLen] = '\0';
        if (strcmp(entity, "&nbsp;") == 0) *w++ = ' ';
        else if (strcmp(entity, "&amp;") == 0) *w++ = '&';
        else if (strcmp(entity, "&gt;") == 0) *w++ = '>';
        else if (strcmp(entity, "&lt;") == 0) *w++ = '<';
      }
    } else if (c == ';') {
      if (!inTag) *w++ = ';';
      prev = ';';
    } else if (inEntity) {
      if (entityLen < kEntityMax) entity[entityLen++] = c;
    } else if (!inTag) {
      if (!(c == ' ' && prev == ' ')) *w++ = c;
      prev = c;
    }
  }
  *w = '\0';
}

int IsHtmlPageIncomplete(const char* reply) {
  return (StrStrNoCase(reply, "</html>") || StrStrNoCase(reply, "</body>")) ? 0 : 1;
}

bool CopyCut(char* dst, size_t dstSize, const char* src, size_t maxTake) {
  if (dst == NULL || dstSize == 0) return false;
  if (src == NULL) src = "";
  size_t n = strnlen(src, maxTake);
  bool whole = n < dstSize;
  if (!whole) n = dstSize - 1;
  memcpy(dst, src, n);
  dst[n] = '\0';
  return whole;
}

void UpperCase(char* text) {
  for (; *text; ++text)
    if (*text >= 'a' && *text <= 'z') *text = (char)(*text - 'a' + 'A');
}
