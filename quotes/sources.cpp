#include "quotes/sources.h"

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
