// The status line and header in front of a reply as the raw road receives it, and whether such a
// reply arrived whole.
#pragma once
#include <windows.h>

struct ReplyHead {
  int status;          // from the status line
  DWORD body;          // offset of the first byte after the blank line
  long long announced; // Content-Length; -1 when the header has none
  bool coded;          // a Transfer-Encoding other than "identity": the body is not the bytes sent
};

// Reads the head of a reply that begins with "HTTP/". False when it does not, or when the head has
// no end (no blank line) or no status.
bool ReadReplyHead(const char* reply, DWORD length, ReplyHead* head);

// Whether a reply the raw road received until the server closed is whole; why not in why (a short
// text for the log). The answer to a request line without an HTTP version has no head and is whole
// as it came; any other needs a status line and header with a 2xx status, no transfer coding and
// its Content-Length. Bytes after the announced length are not part of the reply: *length is cut.
bool RawReplyWhole(char* reply, DWORD* length, bool headExpected, char* why, size_t whySize);
