#include "quotes/reply_head.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "foundation/text.h"
#include "quotes/network.h"

namespace {

// The values of a header field one by one, searched from *from (at first a NUL-ended copy of the
// header lines), which is moved on; NULL when there is no further one.
const char* NextFieldValue(const char* name, const char** from) {
  char mark[64];
  snprintf(mark, sizeof mark, "\n%s:", name);
  const char* at = StrStrNoCase(*from, mark);
  if (at == NULL) return NULL;
  at += strlen(mark);
  *from = at;
  while (*at == ' ' || *at == '\t') ++at;
  return at;
}

// Whether the rest of a header line holds only blanks.
bool LineEnds(const char* p) {
  while (*p == ' ' || *p == '\t' || *p == '\r') ++p;
  return *p == '\n' || *p == '\0';
}

// The Content-Length of a head: -1 when it has none, -2 when one is not a plain digit run of a
// sane size ("-5", "+5", "5x") or two of them differ.
long long AnnouncedLength(const char* head) {
  const long long kMalformed = -2, kLargest = 1LL << 40;
  long long announced = -1;
  const char* from = head;
  for (const char* v; (v = NextFieldValue("Content-Length", &from)) != NULL;) {
    long long n = 0;
    const char* p = v;
    for (; *p >= '0' && *p <= '9' && n <= kLargest; ++p) n = n * 10 + (*p - '0');
    if (p == v || n > kLargest || !LineEnds(p) || (announced >= 0 && announced != n)) return kMalformed;
    announced = n;
  }
  return announced;
}

// Any Transfer-Encoding but a plain "identity": the body is not the bytes sent, or its coding unknown.
bool TransferCoded(const char* head) {
  const char* from = head;
  for (const char* v; (v = NextFieldValue("Transfer-Encoding", &from)) != NULL;)
    if (_strnicmp(v, "identity", 8) != 0 || !LineEnds(v + 8)) return true;
  return false;
}

// The status of "HTTP/x.y NNN ...": three digits and no more; 0 when the line has none.
int StatusOf(const char* line) {
  const char* p = line + 5;
  while (*p && *p != ' ' && *p != '\t' && *p != '\r' && *p != '\n') ++p;
  while (*p == ' ' || *p == '\t') ++p;
  for (int i = 0; i < 3; ++i)
    if (p[i] < '0' || p[i] > '9') return 0;
  if (p[3] >= '0' && p[3] <= '9') return 0;
  return (p[0] - '0') * 100 + (p[1] - '0') * 10 + (p[2] - '0');
}

struct ReplyHead {
  int status;          // from the status line
  DWORD body;          // offset of the first byte after the blank line
  long long announced; // Content-Length; -1 when the header has none, -2 when it cannot be trusted
  bool coded;          // a transfer coding other than "identity": the body is not the bytes sent
};

// Reads the head of a reply that begins with "HTTP/". False when the head has no end (no blank line)
// or no status.
bool ReadReplyHead(const char* reply, DWORD length, ReplyHead* head) {
  memset(head, 0, sizeof *head);
  // The head ends at the first blank line, written "\r\n\r\n" or "\n\n".
  DWORD scan = length < REPLY_HEAD_MAX ? length : REPLY_HEAD_MAX;
  DWORD end = 0;
  for (DWORD i = 0; i + 1 < scan && end == 0; ++i) {
    if (reply[i] != '\n') continue;
    if (reply[i + 1] == '\n') end = i + 2;
    else if (i + 2 < length && reply[i + 1] == '\r' && reply[i + 2] == '\n') end = i + 3;
  }
  if (end == 0) return false;
  char text[REPLY_HEAD_MAX + 1];
  CopyCut(text, sizeof text, reply, end);
  head->status = StatusOf(text);
  if (head->status == 0) return false;
  head->body = end;
  head->announced = AnnouncedLength(text);
  head->coded = TransferCoded(text);
  return true;
}

}  // namespace

bool FindReplyBody(const char* reply, DWORD length, DWORD* offset, DWORD* count, char* why, size_t whySize,
                   bool* announced) {
  why[0] = '\0';
  if (announced) *announced = false;
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
  } else if (head.announced == -2) {
    snprintf(why, whySize, "a Content-Length that is malformed or twice with two values");
  } else if (head.announced >= 0 && (long long)body < head.announced) {
    snprintf(why, whySize, "%lu bytes of %lld", (unsigned long)body, head.announced);
  } else if ((head.announced >= 0 ? head.announced : (long long)body) > NETWORK_REPLY_LIMIT) {
    snprintf(why, whySize, "a body over %lu bytes", (unsigned long)NETWORK_REPLY_LIMIT);
  } else {
    *offset = head.body;
    *count = head.announced >= 0 ? (DWORD)head.announced : body;
    if (announced) *announced = head.announced >= 0;
    return true;
  }
  return false;
}

bool RawReplyWhole(char* reply, DWORD* length, bool headExpected, bool* lengthMatched, char* why, size_t whySize) {
  why[0] = '\0';
  *lengthMatched = false;
  if (!headExpected) {
    if (*length <= NETWORK_REPLY_LIMIT) return true;
    snprintf(why, whySize, "over %lu bytes", (unsigned long)NETWORK_REPLY_LIMIT);
    return false;
  }
  DWORD offset = 0, count = 0;
  if (!FindReplyBody(reply, *length, &offset, &count, why, whySize, lengthMatched)) return false;
  if (offset + count < *length) {
    *length = offset + count;
    reply[*length] = '\0';
  }
  return true;
}
