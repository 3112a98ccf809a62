// Shared by the utility library's sources only.
#pragma once
#include <stddef.h>

// Copies src into dst of dstSize bytes, cut to fit, always NUL-terminated (nothing when dstSize < 1).
void UtilCopyCut(char *dst, int dstSize, const char *src);
// Heap copy of text with 'extra' spare bytes (NULL text copies as ""); NULL when out of memory.
char *UtilDupExtra(const char *text, size_t extra);
// Makes room for one more slot: when count is a multiple of 10 the array grows by 10 zeroed slots.
// FALSE when out of memory (the old array is kept).
bool UtilGrowSlots(void **array, int count, size_t slotSize);
// Gregorian leap year.
bool UtilIsLeapYear(unsigned year);
