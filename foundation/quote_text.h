// Quote texts from the sources turned into numbers, dates and times; numbers turned into display text.
#pragma once
#include <stddef.h>
#include <windows.h>

struct QueueRecord;

// Display settings read by the formatters ([Options] ThousandsCommas, NegativeInParen).
extern BOOL bThousandsCommas;  // default 1
extern BOOL bNegativeInParen;  // default 0

// Signs, thousands commas, decimals, fractions ("12 3/8") and exponents ("1e3"); 0.0 for unreadable
// text ("N/A", "nan"); NoValue for a number out of range (QuoteNumberOrNoValue).
double ParsePriceText(const char* text);
// A quote number past what a 64-bit integer holds, or not finite, is no quote: NoValue, never a
// rounded or saturated figure.
double QuoteNumberOrNoValue(double value);

// The date and time parsers write rec->quote_date / rec->quote_time, always cut to the field.
void ParseLastSaleTime(QueueRecord* rec, char* text);  // text is trimmed in place
void ParseMonthDay(QueueRecord* rec, const char* text);
void ParseMonthNameDateTime(QueueRecord* rec, const char* text);
void ParseAmPmTime(QueueRecord* rec, char* text);      // text is lower-cased in place
void ParseHeadlineDateTime(QueueRecord* rec, const char* text);

// Grouped number text, cut to outSize bytes (always NUL-terminated when outSize > 0).
void FormatIntegerGrouped(char* out, int value, size_t outSize);
void FormatDoubleGrouped(char* out, double value, int decimals, bool percent, size_t outSize);

// Where "now" comes from for the parsers that use today's date; NULL restores GetLocalTime.
typedef void (*QuoteClockFunc)(SYSTEMTIME* now);
void SetQuoteClock(QuoteClockFunc clock);
