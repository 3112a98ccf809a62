// Small string helpers, hexadecimal text and wildcard matching.
#include "foundation/utility.h"
#include "foundation/utility_internal.h"

#include <ctype.h>
#include <stdlib.h>
#include <string.h>

void StripLeadingZeros(char *text) {
  if (!text) return;
  size_t skip = 0;
  while (text[skip] == '0' && text[skip + 1] != '\0') skip++;
  if (skip) memmove(text, text + skip, strlen(text + skip) + 1);
}

int IsBlank(const char *text) {
  if (!text) return 1;
  for (const char *p = text; *p; p++)
    if (*p != ' ') return 0;
  return 1;
}

void ReplaceChars(char *text, const char *set, char ch) {
  if (!text || !set) return;
  for (char *p = text; *p; p++)
    if (strchr(set, *p)) *p = ch;
}

void StripQuotes(char *text) {
  if (!text || text[0] != '"') return;
  size_t len = strlen(text + 1);
  memmove(text, text + 1, len + 1);
  if (len > 0 && text[len - 1] == '"') text[len - 1] = '\0';
}

int AppendString(char **dst, const char *src) {
  if (!dst) return 0;
  if (!src) src = "";
  size_t srcLen = strlen(src);
  size_t dstLen = *dst ? strlen(*dst) : 0;
  if (srcLen > (size_t)-1 - dstLen - 10) return 0;
  char *grown = (char *)realloc(*dst, dstLen + srcLen + 10);
  if (!grown) return 0;
  memcpy(grown + dstLen, src, srcLen + 1);
  *dst = grown;
  return 1;
}

// ---- hexadecimal ----------------------------------------------------------------------------

void ByteToHex(BYTE b, char *out) {
  static const char kDigits[] = "0123456789ABCDEF";
  if (!out) return;
  out[0] = kDigits[b >> 4];
  out[1] = kDigits[b & 15];
  out[2] = '\0';
}

int HexToByte(const char *text, BYTE *out) {
  unsigned value = 0;
  int digits = 0;
  for (; text && digits < 2; digits++) {
    char c = text[digits];
    if (c >= '0' && c <= '9') value = value * 16 + (unsigned)(c - '0');
    else if (c >= 'A' && c <= 'F') value = value * 16 + (unsigned)(c - 'A' + 10);
    else break;
  }
  if (out) *out = (BYTE)value;
  return digits;
}

void BytesToHex(const BYTE *bytes, char *out, int n) {
  if (!out) return;
  out[0] = '\0';
  if (!bytes) return;
  for (int i = 0; i < n; i++) ByteToHex(bytes[i], out + 2 * i);
}

int HexToBytes(const char *text, BYTE *out, int n) {
  if (!text || !out) return 0;
  int written = 0;
  // Stop at the text's end, also when it falls inside a pair.
  for (const char *p = text; written < n && p[0] != '\0'; p += 2) {
    HexToByte(p, &out[written++]);
    if (p[1] == '\0') break;
  }
  return written;
}

// ---- wildcards ------------------------------------------------------------------------------

namespace {

bool Match(const char *p, const char *t) {
  const char *star = NULL;   // pattern position after the last '*'
  const char *retry = NULL;  // text position that '*' is to swallow next
  while (*t) {
    if (*p == '*') {
      while (*p == '*') p++;
      star = p;
      retry = t;
    } else if (*p != '\0' && (*p == '?' || *p == *t)) {
      p++;
      t++;
    } else if (star) {
      p = star;
      t = ++retry;
    } else {
      return false;
    }
  }
  while (*p == '*') p++;
  return *p == '\0';
}

char *LowerCopy(const char *text) {
  char *copy = UtilDupExtra(text, 0);
  if (copy)
    for (char *p = copy; *p; p++) *p = (char)tolower((unsigned char)*p);
  return copy;
}

}  // namespace

BOOL WildcardMatch(const char *pattern, const char *text, BOOL ignoreCase) {
  if (!pattern || !text) return FALSE;
  if (!ignoreCase) return Match(pattern, text) ? TRUE : FALSE;
  char *p = LowerCopy(pattern);
  char *t = LowerCopy(text);
  BOOL result = (p && t && Match(p, t)) ? TRUE : FALSE;
  free(p);
  free(t);
  return result;
}
