// The status line and header in front of a reply as the raw road receives it, and whether such a
// reply arrived whole.
#pragma once
#include <windows.h>

// Where the body of a reply that begins with its status line and header starts (*offset) and how
// many bytes it has (*count: its Content-Length when announced, and then *announced is set). False, with
// why not in why (a short text for the log), unless the head is whole, the status 2xx, no transfer coding
// is left and every announced byte came.
bool FindReplyBody(const char* reply, DWORD length, DWORD* offset, DWORD* count, char* why, size_t whySize,
                   bool* announced = NULL);

// Whether a reply the raw road received until the server closed is whole; why not in why. The
// answer to a request line without an HTTP version has no head and is whole as it came; any other
// must pass FindReplyBody. Bytes after the announced length are not part of the reply: *length is cut.
// *lengthMatched: whole, and its length was announced.
bool RawReplyWhole(char* reply, DWORD* length, bool headExpected, bool* lengthMatched, char* why, size_t whySize);
