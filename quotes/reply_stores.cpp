#include "quotes/reply_stores.h"

#include <string.h>

#include "foundation/log.h"
#include "quotes/cycle.h"
#include "store/store_quote.h"

void BeginReplyStores(ReplyStores* s, char wanted[WANTED_MAX][WANTED_SIZE], int count) {
  s->count = count < 0 ? 0 : count > WANTED_MAX ? WANTED_MAX : count;
  s->made = s->skipped = 0;
  for (int i = 0; i < s->count; ++i) {
    bool known = i < nRequestRows && _stricmp(RequestRows[i].token, wanted[i]) == 0;
    s->rowid[i] = known ? RequestRows[i].rowid : 0;
    s->ask[i] = i;
    s->stored[i] = false;
    for (int j = 0; j < i; ++j) {
      bool same = s->rowid[i] != 0 ? s->rowid[j] == s->rowid[i]
                                   : s->rowid[j] == 0 && _stricmp(wanted[j], wanted[i]) == 0;
      if (same) {
        s->ask[i] = s->ask[j];
        break;
      }
    }
  }
}

bool ReplyTokenOpen(const ReplyStores* s, int token) {
  return token >= 0 && token < s->count && !s->stored[s->ask[token]];
}

void SkipReplyRecord(ReplyStores* s) { ++s->skipped; }

void StoreReplyQuote(HWND hListView, QueueRecord* rec, ReplyStores* s, int token) {
  if (!ReplyTokenOpen(s, token)) {
    SkipReplyRecord(s);
    return;
  }
  s->stored[s->ask[token]] = true;
  if (rec->rowid == 0 && s->rowid[token] != 0 && !GetStockFromDatabase(rec, s->rowid[token])) {
    WriteLog("Stock %lld (%s) has left the list: its quote is not stored", s->rowid[token], rec->symbol);
    return;
  }
  StoreQuote(hListView, rec, true);
  ++s->made;
}

void EndReplyStores(const ReplyStores* s, const char* parser) {
  if (s->skipped > 0)
    WriteLog("%s: %d record(s) stored, %d skipped (not asked for, or their stock already stored)", parser,
             s->made, s->skipped);
}
