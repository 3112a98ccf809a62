#include <stdio.h>
#include <string.h>

#include "foundation/quote_text.h"
#include "foundation/text.h"
#include "quotes/parsers.h"
#include "quotes/reply_stores.h"
#include "quotes/reply_text.h"
#include "store/queue_record.h"

namespace {

const size_t kTake = 100;
const size_t kNameMax = 39;

bool StartsWith(const char* line, const char* head) { return strncmp(line, head, strlen(head)) == 0; }

void SkipBlanks(const char** p) {
  while (**p == ' ') ++*p;
}

// Moves *p behind the next mark, when there is one.
void SkipPast(const char** p, const char* mark) {
  const char* at = strstr(*p, mark);
  if (at) *p = at + strlen(mark);
}

// The token a header line names (":SYMBOL", any case). The longest name wins, so XYZ's header does
// not go to XY; among equal ones the first whose stock has no quote from this reply yet, so two rows
// of one symbol (two markets) take its blocks in request order. -1: no wanted symbol; -2: a repeat.
int MatchHeader(const char* line, char wanted[WANTED_MAX][WANTED_SIZE], const ReplyStores* stores) {
  int best = -1;
  size_t bestLen = 0;
  bool bestOpen = false;
  for (int i = 0; i < stores->count; ++i) {
    char key[WANTED_SIZE + 2];
    snprintf(key, sizeof key, ":%s", wanted[i]);
    if (StrStrNoCase(line, key) == NULL) continue;
    size_t len = strlen(wanted[i]);
    bool open = ReplyTokenOpen(stores, i);
    if (best < 0 || len > bestLen || (len == bestLen && open && !bestOpen)) {
      best = i;
      bestLen = len;
      bestOpen = open;
    }
  }
  return best >= 0 && !bestOpen ? -2 : best;
}

void ParseDataLine(const char* line, QueueRecord* rec) {
  char text[kTake + 1];
  const char* p = line;
  SkipBlanks(&p);
  CopyCut(text, sizeof text, p, kTake);
  CutAt(text, "<b>");
  ParseHeadlineDateTime(rec, text);

  const char* bold = strstr(line, "<b>");
  if (bold) p = bold + 3;
  if (StartsWith(p, "<img")) SkipPast(&p, ">");
  while (*p && !(*p >= '0' && *p <= '9')) ++p;

  CopyCut(text, sizeof text, p, kTake);
  CutAt(text, "&nbsp;");
  CutAt(text, "</b>");
  rec->price = ParsePriceText(text);

  SkipPast(&p, "</b>");
  SkipBlanks(&p);
  if (StartsWith(p, "<font")) SkipPast(&p, ">");
  CopyCut(text, sizeof text, p, kTake);
  CutAt(text, " ");
  CutAt(text, "<");
  rec->change = ParsePriceText(text);

  SkipPast(&p, "%");
  if (*p == '<') SkipPast(&p, ">");
  SkipBlanks(&p);
  CopyCut(text, sizeof text, p, kTake);
  CutAt(text, " ");
  rec->prev_close = ParsePriceText(text);
  p += strlen(text);

  SkipBlanks(&p);
  CopyCut(text, sizeof text, p, kTake);
  CutAt(text, " ");
  rec->volume = VolumeFromText(text);
}

}  // namespace

int ParseQuoteTableHtml(HWND hListView, char* reply, char* symbolList) {
  if (reply == NULL || IsHtmlPageIncomplete(reply)) return 1;
  char wanted[WANTED_MAX][WANTED_SIZE];
  int count = SplitWantedList(symbolList, '+', wanted);
  ReplyStores stores;
  BeginReplyStores(&stores, wanted, count);

  QueueRecord rec;
  ClearQueueRecord(&rec);
  bool inBlock = false, found = false;
  int lineCounter = 0, token = -1;
  char* p = reply;
  while (*p) {
    while (*p == '\r' || *p == '\n') ++p;
    if (*p == '\0') break;
    char* line = p;
    while (*p && *p != '\r' && *p != '\n') ++p;
    if (*p) *p++ = '\0';

    if (StartsWith(line, "<table width=100%>")) {
      inBlock = true;
    } else if (StartsWith(line, "<a href=")) {
      inBlock = false;
    } else if (!inBlock) {
      continue;
    } else if (StartsWith(line, "<b>")) {
      lineCounter = 1;
      found = false;
      token = MatchHeader(line, wanted, &stores);
      if (token < 0) SkipReplyRecord(&stores);  // a block not asked for, or a repeat: not even parsed
      if (token >= 0) {
        found = true;
        ClearQueueRecord(&rec);
        CopyCut(rec.symbol, sizeof rec.symbol, wanted[token], sizeof rec.symbol - 1);
        char name[kTake + 1];
        CopyCut(name, sizeof name, strstr(line, "<b>") + 3, kTake);
        CutAt(name, "</b>");
        CopyCut(rec.name, sizeof rec.name, name, kNameMax);
      }
    } else {
      if (lineCounter >= 3) continue;  // only the second line after a header is read
      ++lineCounter;
      if (lineCounter == 3 && found) {
        ParseDataLine(line, &rec);
        rec.quote_status = 0;
        StoreReplyQuote(hListView, &rec, &stores, token);
      }
    }
  }
  EndReplyStores(&stores, "ParseQuoteTableHtml");
  return 0;
}
