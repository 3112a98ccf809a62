#include "quotes/reply_head.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "foundation/text.h"

namespace {

const DWORD kHeadScan = 8192;

// The value of a header field in head (a NUL-ended copy of the header lines), or NULL.
const char* FieldValue(const char* head, const char* name) {
  char mark[64];
  snprintf(mark, sizeof mark, "\n%s:", name);
  const char* at = StrStrNoCase(head, mark);
  if (at == NULL) return NULL;
  at += strlen(mark);
  while (*at == ' ' || *at == '\t') ++at;
  return at;
}

struct ReplyHead {
  int status;          // from the status line
  DWORD body;          // offset of the first byte after the blank line
  long long announced; // Content-Length; -1 when the header has none
  bool coded;          // a Transfer-Encoding other than "identity": the body is not the bytes sent
};

// Reads the head of a reply that begins with "HTTP/". False when the head has no end (no blank line)
// or no status.
bool ReadReplyHead(const char* reply, DWORD length, ReplyHead* head) {
  memset(head, 0, sizeof *head);
  head->announced = -1;
  // The head ends at the first blank line, written "\r\n\r\n" or "\n\n".
  DWORD scan = length < kHeadScan ? length : kHeadScan;
  DWORD end = 0;
  for (DWORD i = 0; i + 1 < scan && end == 0; ++i) {
    if (reply[i] != '\n') continue;
    if (reply[i + 1] == '\n') end = i + 2;
    else if (i + 2 < length && reply[i + 1] == '\r' && reply[i + 2] == '\n') end = i + 3;
  }
  if (end == 0) return false;
  char text[kHeadScan + 1];
  CopyCut(text, sizeof text, reply, end);
  if (sscanf(text, "HTTP/%*s %d", &head->status) != 1) return false;
  head->body = end;
  const char* value = FieldValue(text, "Content-Length");
  if (value && *value >= '0' && *value <= '9') head->announced = strtoll(value, NULL, 10);
  value = FieldValue(text, "Transfer-Encoding");
  head->coded = value != NULL && _strnicmp(value, "identity", 8) != 0;
  return true;
}

}  // namespace

bool FindReplyBody(const char* reply, DWORD length, DWORD* offset, DWORD* count, char* why, size_t whySize) {
  why[0] = '\0';
  if (reply == NULL || length < 5 || memcmp(reply, "HTTP/", 5) != 0) {
    snprintf(why, whySize, "no status line");
    return false;
  }
  ReplyHead head;
  if (!ReadReplyHead(reply, length, &head)) {
    snprintf(why, whySize, "no whole header in %lu bytes", (unsigned long)length);
    return false;
  }
  DWORD body = length - head.body;
  if (head.status < 200 || head.status > 299) {
    snprintf(why, whySize, "status %d", head.status);
  } else if (head.coded) {
    snprintf(why, whySize, "a transfer coding this road cannot decode");
  } else if (head.announced >= 0 && (long long)body < head.announced) {
    snprintf(why, whySize, "%lu bytes of %lld", (unsigned long)body, head.announced);
  } else {
    *offset = head.body;
    *count = head.announced >= 0 ? (DWORD)head.announced : body;
    return true;
  }
  return false;
}

bool RawReplyWhole(char* reply, DWORD* length, bool headExpected, char* why, size_t whySize) {
  why[0] = '\0';
  if (!headExpected) return true;
  DWORD offset = 0, count = 0;
  if (!FindReplyBody(reply, *length, &offset, &count, why, whySize)) return false;
  if (offset + count < *length) {
    *length = offset + count;
    reply[*length] = '\0';
  }
  return true;
}
