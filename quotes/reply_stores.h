// Ties the records of one reply to the stock rows its request was built for (RequestRows): token i
// of the symbol list a parser is handed stands for RequestRows[i] when their texts agree. Each stock
// asked for is stored at most once per reply, from its first record, so a reply never stores more
// records than its request asked for; what is left over is counted and logged.
#pragma once
#include <windows.h>

#include "quotes/reply_text.h"
#include "store/queue_record.h"

struct ReplyStores {
  int count;                    // tokens of the symbol list
  long long rowid[WANTED_MAX];  // the stock token i asks for; 0 when the request record does not say
  int ask[WANTED_MAX];          // the first token asking for the same stock (same rowid, or same text)
  bool stored[WANTED_MAX];      // by ask
  int made, skipped;            // records stored; records found but not asked for, or repeated
};

// Starts a reply whose symbol list was split into wanted (before any token is changed).
void BeginReplyStores(ReplyStores* s, char wanted[WANTED_MAX][WANTED_SIZE], int count);
// True while the stock of token i has not been stored from this reply.
bool ReplyTokenOpen(const ReplyStores* s, int token);
// Counts a record of the reply that is not stored.
void SkipReplyRecord(ReplyStores* s);
// Stores rec as the quote of token i, unless that stock has had its quote from this reply (then the
// record is counted as skipped). A record without a rowid of its own goes under the stock the request
// record names for the token, with that row's limits, holding and sort text; without one, StoreQuote
// finds the stock by the record's symbol.
void StoreReplyQuote(HWND hListView, QueueRecord* rec, ReplyStores* s, int token);
// Logs what the reply left unstored.
void EndReplyStores(const ReplyStores* s, const char* parser);
