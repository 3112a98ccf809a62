#include <stdio.h>
#include <string.h>

#include "foundation/quote_text.h"
#include "foundation/text.h"
#include "quotes/parsers.h"
#include "quotes/reply_text.h"
#include "store/queue_record.h"
#include "store/store_quote.h"

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

// The wanted symbol named in a header line (":SYMBOL", any case). The longest name wins, so XYZ's
// header does not go to XY; among names of equal length the later one in the list wins.
int MatchHeader(const char* line, char wanted[WANTED_MAX][WANTED_SIZE], int count) {
  int best = -1;
  size_t bestLen = 0;
  for (int i = 0; i < count; ++i) {
    char key[WANTED_SIZE + 2];
    snprintf(key, sizeof key, ":%s", wanted[i]);
    if (StrStrNoCase(line, key) == NULL) continue;
    size_t len = strlen(wanted[i]);
    if (best < 0 || len >= bestLen) {
      best = i;
      bestLen = len;
    }
  }
  return best;
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

  QueueRecord rec;
  ClearQueueRecord(&rec);
  bool inBlock = false, found = false;
  int lineCounter = 0;
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
      int match = MatchHeader(line, wanted, count);
      if (match >= 0) {
        found = true;
        ClearQueueRecord(&rec);
        CopyCut(rec.symbol, sizeof rec.symbol, wanted[match], sizeof rec.symbol - 1);
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
        StoreQuote(hListView, &rec, true);
      }
    }
  }
  return 0;
}
