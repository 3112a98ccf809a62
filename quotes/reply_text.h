// Small helpers shared by the reply parsers: bounded copies out of a reply, volumes, symbol lists.
#pragma once
#include <stddef.h>

#include "foundation/text.h"

#define WANTED_MAX 30
// Bytes of a reply the debug log shows; a reply of megabytes would block the window while written.
#define LOGGED_REPLY_HEAD 4096u
#define WANTED_SIZE 30

// Cuts text at the first occurrence of any of the characters in stops.
void CutAtAny(char* text, const char* stops);
// Cuts text at the first occurrence of mark.
void CutAt(char* text, const char* mark);
// A volume text as a 32-bit count: truncated toward zero, NoValue when the value is outside
// the 32-bit range, not a number or infinite (never a wrapped count).
int VolumeFromText(const char* text);
int VolumeFromDouble(double value);
// Splits list in place at sep into table; no empty entries, at most WANTED_MAX taken, each cut to
// WANTED_SIZE - 1 characters. Returns the number of entries.
int SplitWantedList(char* list, char sep, char table[WANTED_MAX][WANTED_SIZE]);
// Logs a reply as one line: its first LOGGED_REPLY_HEAD bytes, and its length when it is longer.
void LogReplyText(const char* reply);
