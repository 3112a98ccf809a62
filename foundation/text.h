// In-place helpers on NUL-terminated single-byte text. No state; safe on any thread.
#pragma once
#include <stddef.h>

// Trailing / leading TAB, LF, CR and blank are removed.
void TrimRight(char* text);
void TrimLeft(char* text);
// Leading and trailing isspace() characters removed (blank, TAB, LF, VT, FF, CR).
void TrimSpaces(char* text);

// Replaces every occurrence of find (not empty); false when text is NULL, find does not occur or
// memory runs out (text unchanged). The caller's buffer must hold the result.
bool ReplaceString(char* text, const char* find, const char* replacement);
// Same, for a buffer of cap bytes: false with text unchanged also when the result would not fit.
bool ReplaceStringN(char* text, size_t cap, const char* find, const char* replacement);
// Writes text with every find replaced into out (outSize bytes; the text as it is when find does
// not occur). True when out holds the whole result; otherwise false and out is "".
// Doubling quotes for SQL needs an out of 2 x strlen(text) + 1 bytes.
bool ReplaceStringInto(char* out, size_t outSize, const char* text, const char* find,
                       const char* replacement);

// Replaces every ch by replacement in place; the caller's buffer must hold the result.
void ReplaceCharWithString(char* text, char ch, const char* replacement);

// Case-insensitive search; the result points into haystack itself. An empty needle matches at 0.
char* StrStrNoCase(const char* haystack, const char* needle);

// Drops tags, decodes &nbsp; &amp; &gt; &lt;, collapses runs of blanks; in place.
void DecodeHtmlText(char* html);

// 0 when the page holds its closing html or body tag (any case), else 1.
int IsHtmlPageIncomplete(const char* reply);

// Copies at most maxTake characters of src (fewer at its NUL; NULL reads as "") into dst of dstSize
// bytes, cut to fit and always terminated. False when part of what was to be taken did not fit.
bool CopyCut(char* dst, size_t dstSize, const char* src, size_t maxTake = (size_t)-1);
// Upper-cases text in place (single-byte, ASCII letters).
void UpperCase(char* text);
