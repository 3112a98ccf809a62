#include <string.h>

#include "foundation/quote_text.h"
#include "foundation/text.h"
#include "quotes/parsers.h"
#include "quotes/reply_stores.h"
#include "quotes/reply_text.h"
#include "store/queue_record.h"

namespace {

const size_t kPageValueTake = 100;
const size_t kTextValueTake = 35;

enum PageField {
  F_PRICE, F_NAME, F_CHANGE, F_HIGH, F_LOW, F_VOLUME, F_OPEN, F_PREV_CLOSE, F_LAST_SALE,
  F_HIGH52, F_LOW52, F_PERATIO, F_EXDIV, F_DIVIDEND, F_YIELD,
};

struct PageLabel {
  const char* label;
  PageField field;
};

// In the order they stand on the page; each is looked for behind the previous one found.
const PageLabel kPageLabels[] = {
    {"<div class=\"quote1\">Last:<br>", F_PRICE},
    {"<td valign=top colspan=6><div class=\"headline\">", F_NAME},
    {">Change:<br>", F_CHANGE},
    {">High:<br>", F_HIGH},
    {">Low:<br>", F_LOW},
    {">Volume:<br>", F_VOLUME},
    {"\tOpen</td>", F_OPEN},
    {"\tPrevious Close</td>", F_PREV_CLOSE},
    {"\tTime of Last Sale</td>", F_LAST_SALE},
    {"\t52 Week High</td>", F_HIGH52},
    {"\t52 Week Low</td>", F_LOW52},
    {"\tP/E Ratio</td>", F_PERATIO},
    {"\tEx-Dividend Date</td>", F_EXDIV},
    {"\tDividend Amount</td>", F_DIVIDEND},
    {"\tYield</td>", F_YIELD},
};

void SetPageField(QueueRecord* rec, PageField field, char* value) {
  switch (field) {
    case F_PRICE:
      TrimSpaces(value);
      rec->price = ParsePriceText(value);
      break;
    case F_NAME: CopyCut(rec->name, sizeof rec->name, value, 99); break;
    case F_CHANGE: rec->change = ParsePriceText(value); break;
    case F_HIGH: rec->high = ParsePriceText(value); break;
    case F_LOW: rec->low = ParsePriceText(value); break;
    case F_VOLUME: rec->volume = VolumeFromText(value); break;
    case F_OPEN: rec->open = ParsePriceText(value); break;
    case F_PREV_CLOSE: rec->prev_close = ParsePriceText(value); break;
    case F_LAST_SALE: ParseLastSaleTime(rec, value); break;
    case F_HIGH52: rec->high52 = ParsePriceText(value); break;
    case F_LOW52: rec->low52 = ParsePriceText(value); break;
    case F_PERATIO: rec->peratio = ParsePriceText(value); break;
    case F_EXDIV: CopyCut(rec->exdiv_date, sizeof rec->exdiv_date, value, 15); break;
    case F_DIVIDEND: rec->dividend = ParsePriceText(value); break;
    case F_YIELD: rec->yield = ParsePriceText(value); break;
  }
}

// Cuts a text-page value at the first blank or line end: "149.50\r\n-----" is 149.50.
void CutAtBlank(char* value) { CutAtAny(value, " \r\n"); }

// Text-page labels of one price each; of two labels for the same field the later one wins (a
// fund's asset value stands in for its last trade).
const struct {
  const char* label;
  double QueueRecord::*field;
} kTextPrices[] = {
    {"Last Traded at: ", &QueueRecord::price}, {"Net Asset Val : ", &QueueRecord::price},
    {"$ Change      : ", &QueueRecord::change}, {"Day High    : ", &QueueRecord::high},
    {"Day Low       : ", &QueueRecord::low},    {"52 Week High: ", &QueueRecord::high52},
    {"52 Week Low   : ", &QueueRecord::low52},
};

// Cuts a text at its second ':' when it has two (drops the seconds of a time).
void CutAtSecondColon(char* value) {
  char* first = strchr(value, ':');
  if (first == NULL) return;
  char* second = strchr(first + 1, ':');
  if (second) *second = '\0';
}

// A one-symbol reply goes under the row its request was built for.
void StoreOneSymbol(HWND hListView, QueueRecord* rec) {
  char wanted[WANTED_MAX][WANTED_SIZE];
  CopyCut(wanted[0], WANTED_SIZE, rec->symbol, WANTED_SIZE - 1);
  ReplyStores stores;
  BeginReplyStores(&stores, wanted, 1);
  StoreReplyQuote(hListView, rec, &stores, 0);
}

}  // namespace

int ParseQuotePageHtml(HWND hListView, const char* reply, const char* symbolList) {
  if (reply == NULL || IsHtmlPageIncomplete(reply)) return 1;
  QueueRecord rec;
  ClearQueueRecord(&rec);
  CopyCut(rec.symbol, sizeof rec.symbol, symbolList, sizeof rec.symbol - 1);

  const char* cursor = reply;
  bool found[sizeof kPageLabels / sizeof kPageLabels[0]] = {};
  for (size_t i = 0; i < sizeof kPageLabels / sizeof kPageLabels[0]; ++i) {
    const char* at = StrStrNoCase(cursor, kPageLabels[i].label);
    if (at == NULL) continue;
    found[i] = true;
    const char* behind = at + strlen(kPageLabels[i].label);
    // The headline is searched from where the price label begins, the rest from behind the last.
    cursor = i == 0 ? at : behind;
    char value[kPageValueTake + 1];
    CopyCut(value, sizeof value, behind, kPageValueTake);
    char* end = StrStrNoCase(value, "</td>");
    if (end) *end = '\0';
    DecodeHtmlText(value);
    SetPageField(&rec, kPageLabels[i].field, value);
  }
  if (!found[0] || !found[1]) return 0;
  rec.quote_status = 0;
  StoreOneSymbol(hListView, &rec);
  return 1;
}

int ParseQuoteTextPage(HWND hListView, const char* reply, const char* symbolList) {
  if (reply == NULL || IsHtmlPageIncomplete(reply)) return 1;
  QueueRecord rec;
  ClearQueueRecord(&rec);
  CopyCut(rec.symbol, sizeof rec.symbol, symbolList, sizeof rec.symbol - 1);
  if (strstr(reply, "Symbol        : ") == NULL) return 0;

  char value[kTextValueTake + 1];
  const char* at;
  auto take = [&](const char* label) -> bool {
    at = strstr(reply, label);
    if (at == NULL) return false;
    CopyCut(value, sizeof value, at + strlen(label), kTextValueTake);
    return true;
  };
  if (take("Description   :")) {
    CutAtAny(value, "\r\n");
    CopyCut(rec.name, sizeof rec.name, value, 29);
  }
  for (const auto& price : kTextPrices) {
    if (!take(price.label)) continue;
    CutAtBlank(value);
    rec.*price.field = ParsePriceText(value);
  }
  if (take("This information was last updated on  ")) {
    CutAtSecondColon(value);
    ParseMonthDay(&rec, value);
  }
  if (take("Date/Time   : ")) {
    CutAtSecondColon(value);
    ParseMonthNameDateTime(&rec, value);
  }
  if (take("Volume        : ")) {
    CutAtBlank(value);
    rec.volume = VolumeFromText(value);
  }
  rec.quote_status = 0;
  StoreOneSymbol(hListView, &rec);
  return 1;
}
