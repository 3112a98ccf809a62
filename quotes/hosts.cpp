#include "quotes/hosts.h"

#include <stdio.h>
#include <string.h>

#include "foundation/log.h"
#include "foundation/settings.h"

char SourceHost[HOST_COUNT][HOST_NAME_SIZE];
int SourcePort[HOST_COUNT];
char SourceHostPort[HOST_COUNT][HOST_TEXT_SIZE];
char SourceUrlPrefix[HOST_COUNT][HOST_PREFIX_SIZE];

namespace {

// Built-in defaults lie under the reserved .example domain: they never resolve, so an
// unconfigured program sends nothing anywhere.
const char* const kDefaultHost[HOST_COUNT] = {
    "markets.example",      "uk.quotes.example",   "detail.quotes.example", "text.quotes.example",
    "csv.quotes.example",   "json.quotes.example", "chart.example",         "maker.example",
};
const char* const kHostKey[HOST_COUNT] = {
    "Markets", "UKList", "DetailPage", "TextPage", "Yahoo", "YahooJson", "Chart", "Maker",
};

int DefaultPort(int slot) { return slot == HOST_YAHOO_JSON ? 443 : 80; }

// A host name goes verbatim into addresses and request lines: letters, digits, '-', '.' and '_'
// only, so nothing in the settings file can smuggle a blank, a path or a line end into them.
bool IsHostChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '.' || c == '_';
}

struct StaticInit {
  StaticInit() { ResetHostTable(); }
} staticInit;

}  // namespace

BOOL SetHostEntry(int slot, const char* value) {
  if (slot < 0 || slot >= HOST_COUNT || value == NULL) return FALSE;
  while (*value == ' ' || *value == '\t') ++value;
  size_t len = strlen(value);
  while (len > 0 && (value[len - 1] == ' ' || value[len - 1] == '\t')) --len;
  const char* colon = NULL;
  for (size_t i = 0; i < len; ++i) {
    if (value[i] == ':') {
      if (colon) return FALSE;
      colon = value + i;
    } else if (colon == NULL && !IsHostChar(value[i])) {
      return FALSE;
    }
  }
  size_t hostLen = colon ? (size_t)(colon - value) : len;
  if (hostLen == 0 || hostLen >= HOST_NAME_SIZE) return FALSE;
  int port = DefaultPort(slot);
  if (colon) {
    const char* p = colon + 1;
    const char* end = value + len;
    if (p == end || end - p > 5) return FALSE;
    port = 0;
    for (; p < end; ++p) {
      if (*p < '0' || *p > '9') return FALSE;
      port = port * 10 + (*p - '0');
    }
    if (port < 1 || port > 65535) return FALSE;
  }
  memcpy(SourceHost[slot], value, hostLen);
  SourceHost[slot][hostLen] = '\0';
  SourcePort[slot] = port;
  if (colon)
    snprintf(SourceHostPort[slot], sizeof SourceHostPort[slot], "%s:%d", SourceHost[slot], port);
  else
    snprintf(SourceHostPort[slot], sizeof SourceHostPort[slot], "%s", SourceHost[slot]);
  snprintf(SourceUrlPrefix[slot], sizeof SourceUrlPrefix[slot], "http://%s", SourceHostPort[slot]);
  return TRUE;
}

void ResetHostTable(void) {
  for (int i = 0; i < HOST_COUNT; ++i) SetHostEntry(i, kDefaultHost[i]);
}

void LoadHostTable(HWND hwnd) {
  for (int i = 0; i < HOST_COUNT; ++i) {
    char value[300] = "";
    IniGetString(hwnd, "Hosts", kHostKey[i], value, sizeof value, "");
    if (value[0] == '\0') continue;
    if (!SetHostEntry(i, value)) WriteLog("Hosts: %s = %s ignored, keeping %s", kHostKey[i], value, SourceHostPort[i]);
  }
}
