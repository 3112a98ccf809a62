#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include <string>

// The library aligns its pool to 4 bytes on 32-bit targets, but its values hold doubles (8-byte
// alignment here): align the pool to 8 so no value sits misaligned.
#define RAPIDJSON_ALIGN(x) (((x) + 7u) & ~7u)
#include <rapidjson/document.h>

#include "foundation/log.h"
#include "foundation/quote_text.h"
#include "quotes/parsers.h"
#include "quotes/reply_stores.h"
#include "quotes/reply_text.h"
#include "store/queue_record.h"

namespace {

typedef rapidjson::Value Value;

const Value* Member(const Value& object, const char* name) {
  Value::ConstMemberIterator it = object.FindMember(name);
  return it == object.MemberEnd() ? NULL : &it->value;
}

void TakeDouble(const Value& object, const char* name, double* out) {
  const Value* v = Member(object, name);
  if (v && v->IsDouble()) *out = QuoteNumberOrNoValue(v->GetDouble());
}

// The reply with each number too big for a double written as 1e300 (same sign): the library
// refuses the whole text for one such number, though it only makes one field missing.
std::string TameHugeNumbers(const char* reply) {
  std::string out;
  bool inString = false;
  for (const char* p = reply; *p;) {
    char c = *p;
    if (inString) {
      if (c == '\\' && p[1]) out += *p++;
      else if (c == '"') inString = false;
    } else if (c == '"') {
      inString = true;
    } else if (c == '-' || (c >= '0' && c <= '9')) {
      size_t len = strspn(p, "0123456789+-.eE");
      std::string number(p, len);
      char* end = NULL;
      double value = strtod(number.c_str(), &end);
      out += (isinf(value) && *end == '\0') ? (value < 0 ? "-1e300" : "1e300") : number;
      p += len;
      continue;
    }
    out += *p++;
  }
  return out;
}

// Iterative parsing: a reply of deeply nested brackets must not exhaust the stack.
void ParseReply(rapidjson::Document* doc, const char* reply) {
  doc->Parse<rapidjson::kParseIterativeFlag>(reply);
  if (doc->GetParseError() == rapidjson::kParseErrorNumberTooBig)
    doc->Parse<rapidjson::kParseIterativeFlag>(TameHugeNumbers(reply).c_str());
}

// Last second the runtime's 64-bit local time conversion accepts (3000-12-31 23:59:59 UTC), less a
// day of time-zone margin.
const unsigned long long kLatestTime = 32535215999ULL - 86400ULL;

// Seconds since 1970 UTC as local date and time; time_t is 32 bits in this build.
void SetQuoteTime(QueueRecord* rec, unsigned long long seconds) {
  if (seconds > kLatestTime) return;
  __time64_t t = (__time64_t)seconds;
  struct tm* local = _localtime64(&t);
  if (local == NULL) return;
  snprintf(rec->quote_date, sizeof rec->quote_date, "%d/%d/%d", local->tm_mon + 1, local->tm_mday,
           local->tm_year + 1900);
  snprintf(rec->quote_time, sizeof rec->quote_time, "%d:%02d", local->tm_hour, local->tm_min);
}

}  // namespace

void YAHOO_IndexScanJson(HWND hListView, const char* reply, char* wantedList) {
  WriteLog("YAHOO_IndexScanJson(Buffer)");
  LogReplyText(reply);
  WriteLog("YAHOO_IndexScanJson()");
  char wanted[WANTED_MAX][WANTED_SIZE];
  int count = SplitWantedList(wantedList, ',', wanted);
  if (reply == NULL) return;
  ReplyStores stores;
  BeginReplyStores(&stores, wanted, count);

  rapidjson::Document doc;
  ParseReply(&doc, reply);
  if (doc.HasParseError() || !doc.IsObject()) return;
  const Value* response = Member(doc, "quoteResponse");
  if (response == NULL || !response->IsObject()) return;
  const Value* result = Member(*response, "result");
  if (result == NULL || !result->IsArray()) return;

  for (rapidjson::SizeType i = 0; i < result->Size(); ++i) {
    const Value& item = (*result)[i];
    const Value* symbol = item.IsObject() ? Member(item, "symbol") : NULL;
    QueueRecord rec;
    ClearQueueRecord(&rec);
    int token = -1;
    if (symbol && symbol->IsString() && symbol->GetStringLength() <= sizeof rec.symbol - 1) {
      CopyCut(rec.symbol, sizeof rec.symbol, symbol->GetString(), sizeof rec.symbol - 1);
      // the first wanted entry of this symbol whose stock has no quote from this reply yet
      for (int w = 0; w < count && token < 0; ++w)
        if (_stricmp(rec.symbol, wanted[w]) == 0 && ReplyTokenOpen(&stores, w)) token = w;
    }
    if (token < 0) {  // not wanted, or wanted and stored already
      SkipReplyRecord(&stores);
      continue;
    }

    const Value* v = Member(item, "shortName");
    if (v && v->IsString()) CopyCut(rec.name, sizeof rec.name, v->GetString(), 99);
    TakeDouble(item, "regularMarketPrice", &rec.price);
    TakeDouble(item, "regularMarketChange", &rec.change);
    TakeDouble(item, "regularMarketOpen", &rec.open);
    TakeDouble(item, "regularMarketDayHigh", &rec.high);
    TakeDouble(item, "regularMarketDayLow", &rec.low);
    v = Member(item, "regularMarketVolume");
    if (v && v->IsInt()) rec.volume = v->GetInt();
    TakeDouble(item, "fiftyTwoWeekHigh", &rec.high52);
    TakeDouble(item, "fiftyTwoWeekLow", &rec.low52);
    v = Member(item, "regularMarketTime");
    if (v && v->IsUint64()) SetQuoteTime(&rec, v->GetUint64());
    StoreReplyQuote(hListView, &rec, &stores, token);
  }
  EndReplyStores(&stores, "YAHOO_IndexScanJson");
}
