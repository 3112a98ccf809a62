// A real store and a real hidden list view holding the given stocks, for the export and print tests.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "store/queue_record.h"
#include "tests/store/test_support.h"

struct TestStock {
  const char* symbol;
  const char* name;
  double price, change, open, high, low;
  int volume;
  double shares, cost;
  const char* date;
  bool quoted;  // false: the stock has no quote today
};

// Fresh store and list (ColShown colShown); the stocks stored with today's quotes, the list
// reloaded as at start-up (ordered by symbol).
void FillQuoteList(const char* tag, const char* colShown, const std::vector<TestStock>& stocks);
// The date of today as the exports write it.
std::string Today(bool monthFirst);
