// Web pages in the user's browser: the two hyperlink window classes (a visible text link and an
// invisible click area), opening an address with its registry fallback, and the pages of a list row.
#pragma once
#include <windows.h>
#include <stddef.h>

// Longest address a link control keeps (its block holds the terminator and, for a layer, four zeros).
#define HYPER_URL_MAX 263
#define HYPER_LAYER_URL_MAX 259
// The browser command of the ".htm" fallback, with the address appended.
#define BROWSER_COMMAND_SIZE 520
#define WEB_ADDRESS_SIZE 520

BOOL Hyper_RegisterClasses(HINSTANCE hInstance, int cursorId);
void Hyper_UnregisterClass(HINSTANCE hInstance);
// A visible link showing text; a click released over it opens url. NULL when the window fails.
HWND Hyper_Create(HWND parent, const char* text, const char* url, int x, int y, int width, int height);
// An invisible click area opening url (the text is not used).
HWND Hyper_CreateLayer(HWND parent, const char* text, const char* url, int x, int y, int width, int height);
LRESULT CALLBACK Hyper_WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK HyperLayer_WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
void Hyper_OnLButtonUp(HWND hwnd);
void Hyper_OnPaint(HWND hwnd);

// An address that came from the network may be opened only when it is a plain web address:
// "http://" or "https://" (any case) and no control character or '"'.
BOOL IsSafeWebAddress(const char* url);

// Opens url in the browser; falls back to the command registered for ".htm" files. Nothing with a
// NULL hwnd.
void OpenUrl(HWND hwnd, const char* url);
// The ".htm" command with its "%1" (quoted or not) cut off and the address appended in quotes.
// FALSE (out "") when the command is empty, the address holds '"', or the result does not fit.
BOOL BuildBrowserCommand(char* out, size_t size, const char* command, const char* url);

// A page on the maker's web site, path starting with "/"; FALSE when it does not fit.
BOOL MakerPageUrl(char* out, size_t size, const char* path);
// Opens the page at path (starting with "/") on the site of a host slot; nothing when the address
// does not fit.
void OpenHostPage(HWND hwnd, int host, const char* path);
// The page of a symbol: its quote source's page, or with chart set the chart page; a market index
// ("$...") opens the market overview. FALSE when the address does not fit.
BOOL SymbolPageUrl(char* out, size_t size, const char* symbol, int chart, int source);
// Opens the page of the list row under the mouse cursor.
void ViewSymbolAtSource(HWND hwnd, int chart);
