// The quote list as text: one row as a line of cells, the export files (Quicken, full text,
// MetaStock, the automatic export) and "Copy All" on the clipboard.
#pragma once
#include <windows.h>
#include <stddef.h>

#include "app/columns.h"
#include "app/options.h"

// Modes of ExportQuoteList.
#define EXPORT_QUICKEN 0
#define EXPORT_FULL 1
#define EXPORT_METASTOCK 2

#define CELL_TEXT_SIZE 100  // one cell: at most 99 characters
// A row of every column at its longest, each cell followed by the longest delimiter: nothing cut.
#define ROW_TEXT_SIZE (MAX_LIST_COLUMNS * (CELL_TEXT_SIZE - 1 + DELIMITER_SIZE - 1) + 1)

// Shows the export error box and the clipboard's allocation box; MessageBoxA unless replaced.
extern int(WINAPI* pfnExportMessageBox)(HWND, LPCSTR, LPCSTR, UINT);

// The cells of item (of hListView) in the shown columns' order, each followed by separator.
// Whole cells only: one that would not fit in size bytes ends the text before it.
void FormatRowAsText(int item, char* out, size_t size, const char* separator, BOOL monthFirst);

// "m/d" (or "d/m"), two numbers of one or two digits, with the current year appended as "m/d/yyyy" (or
// "d/m/yyyy"); any other text ("N/A", a full date, "") as is.
void FormatMonthDayWithYear(char* out, size_t size, const char* monthDay, BOOL monthFirst);

// Writes the rows of list to path (one file per stock beside it with filePerStock). 1 when done, also
// for an empty list; 0 when a file could not be opened: the first such path goes to failedPath.
// unused is always 0.
int ExportQuoteList(HWND list, const char* path, int mode, int unused, BOOL append, BOOL monthFirst,
                    BOOL filePerStock, char* failedPath = NULL, size_t failedSize = 0);

// One export of hListView as the menu commands and the automatic export run it: [Files] MMDDYY and
// ExportToSymbol apply; a failure is told in a box only when interactive.
int RunListExport(HWND hwnd, const char* path, int mode, BOOL append, BOOL interactive);

// Every row of the list as displayed, cells joined by szDelimiter, each row ended by "\r\n".
void CopyListToClipboard(HWND hwnd);
// Hands a CF_TEXT block to the clipboard, which then owns it; on failure the block is freed here.
BOOL PutTextOnClipboard(HWND hwnd, HGLOBAL block);

// Main-window commands: the three export commands (mode as in ExportQuoteList) with their save
// dialog and remembered file name, and the automatic export after a quote cycle.
void OnExportCommand(HWND hwnd, int mode);
void OnAutoExport(HWND hwnd);
