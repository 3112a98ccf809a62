// The reply parsers: each finds the quotes of the requested symbols in one reply and hands one
// QueueRecord per symbol to StoreQuote (stored to the database).
#pragma once
#include <windows.h>

// HTML detail page, one symbol. 1: page incomplete (nothing parsed) or record stored;
// 0: a required label is missing (nothing stored).
int ParseQuotePageHtml(HWND hListView, const char* reply, const char* symbolList);
// Text page, one symbol. 1: page incomplete or record stored; 0: required label missing.
int ParseQuoteTextPage(HWND hListView, const char* reply, const char* symbolList);
// UK list page for up to 30 '+'-joined symbols. Splits both texts in place.
// 1: page incomplete (nothing parsed); 0 otherwise.
int ParseQuoteTableHtml(HWND hListView, char* reply, char* symbolList);
// Yahoo CSV reply for up to 30 '+'-joined symbols; a line counts only with its line end. Splits the
// symbol list in place.
void ParseYahooCsv(HWND hListView, const char* reply, char* symbolList);
// Yahoo JSON reply for the comma-separated index symbols of wantedList (split in place).
void YAHOO_IndexScanJson(HWND hListView, const char* reply, char* wantedList);
