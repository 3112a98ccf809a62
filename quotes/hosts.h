// Where each web service lives. The services the program was written for are gone, so every host
// can be pointed elsewhere in the settings file, section [Hosts]; a value is "host" or "host:port".
#pragma once
#include <windows.h>

// Slots 0..4 are the quote-source slots (see sources.h); the others serve the JSON request,
// the chart links and the maker's web site.
#define HOST_MARKETS 0
#define HOST_UK_LIST 1
#define HOST_DETAIL_PAGE 2
#define HOST_TEXT_PAGE 3
#define HOST_YAHOO 4
#define HOST_YAHOO_JSON 5
#define HOST_CHART 6
#define HOST_MAKER 7
#define HOST_COUNT 8

#define HOST_NAME_SIZE 256
#define HOST_TEXT_SIZE 264    // name, ':' and port
#define HOST_PREFIX_SIZE 280  // "http://" and the above

// The host name alone (what a connect looks up).
extern char SourceHost[HOST_COUNT][HOST_NAME_SIZE];
// The port to connect to: the one given, else 80 (443 for the JSON host, which is https).
extern int SourcePort[HOST_COUNT];
// "host" or "host:port" exactly as configured: the authority part of an address, the Host header.
extern char SourceHostPort[HOST_COUNT][HOST_TEXT_SIZE];
// "http://" and SourceHostPort: what the raw road puts in front of a path when a proxy is used.
extern char SourceUrlPrefix[HOST_COUNT][HOST_PREFIX_SIZE];

// Reads [Hosts] once at start-up; keys that are missing or malformed keep the built-in default.
void LoadHostTable(HWND hwnd);
// Sets one slot from a "host" or "host:port" text; false (slot unchanged) when the text is malformed.
BOOL SetHostEntry(int slot, const char* value);
// Puts every slot back to its built-in default.
void ResetHostTable(void);
