// The quote sources and the markets a stock can trade on.
#pragma once

#define SRC_PC_QUOTE 0
#define SRC_UK_YAHOO 1
#define SRC_TEXT_QUOTE 2
#define SRC_YAHOO 3

// Selected source (the Source setting).
extern int nQuoteSource;

// A market: its name, the symbol prefix of the text source and the symbol suffix of the Yahoo source.
struct MarketEntry {
  const char* name;
  const char* prefix;
  const char* suffix;
};
#define MARKET_COUNT 7
extern const MarketEntry MarketTable[MARKET_COUNT];

// The market row of a stock_type; a value outside the table counts as market 0.
int MarketIndex(int stockType);
// The MarketTable row whose Yahoo suffix ends the symbol (compared without regard to case), or 0.
int MarketFromSuffix(const char* symbol);
// The host slot (hosts.h) a source's requests go to; the Yahoo site for values outside 0..2.
int SourceHostSlot(int source);
