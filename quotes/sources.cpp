#include "quotes/sources.h"

#include <string.h>

#include "quotes/hosts.h"

int nQuoteSource = SRC_YAHOO;

const MarketEntry MarketTable[MARKET_COUNT] = {
    {"US or Qualified", "", ""},
    {"Toronto", "T.", ".TO"},
    {"Montreal", "M.", ".M"},
    {"Vancouver", "V.", ".V"},
    {"Canada OTC", "O.", ".OT"},
    {"Alberta", "C.", ".AL"},
    {"Winnipeg", "W.", ".WI"},
};

int MarketIndex(int stockType) { return (stockType >= 0 && stockType < MARKET_COUNT) ? stockType : 0; }

int MarketFromSuffix(const char* symbol) {
  if (symbol == NULL) return 0;
  size_t len = strlen(symbol);
  for (int m = 1; m < MARKET_COUNT; ++m) {
    size_t slen = strlen(MarketTable[m].suffix);
    // A bare suffix is no symbol.
    if (len > slen && _stricmp(symbol + len - slen, MarketTable[m].suffix) == 0) return m;
  }
  return 0;
}

int SourceHostSlot(int source) {
  switch (source) {
    case SRC_PC_QUOTE: return HOST_DETAIL_PAGE;
    case SRC_UK_YAHOO: return HOST_UK_LIST;
    case SRC_TEXT_QUOTE: return HOST_TEXT_PAGE;
    default: return HOST_YAHOO;
  }
}
