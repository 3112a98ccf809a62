// Printing the quote list on the default printer: a boxed header of the shown columns' titles, one
// line per stock, the portfolio total when the Value column is shown; a box to cancel the job.
#pragma once
#include <windows.h>

#define PRINT_ROW_SIZE 200  // one printed row's text; whole cells only

extern BOOL bUserAbort;  // set when the user cancels the job
extern HWND hPrintDlg;   // the print-cancel box while it exists

// The printer named by WIN.INI [windows] "device" ("name,driver,port"), or NULL.
HDC GetDefaultPrinterDC(void);
// Prints the rows of list; FALSE (logged, nothing shown) when there is no printer. unused is 0.
BOOL PrintList(HWND owner, HWND list, int unused, BOOL monthFirst);

// Creates the modeless box 3010 owned by owner and clears bUserAbort.
HWND CreatePrintCancelBox(HWND owner);
INT_PTR CALLBACK PrintDlgProc(HWND hDlg, UINT msg, WPARAM wParam, LPARAM lParam);
// Serves the thread's messages while the printing system works; FALSE once the user cancelled.
BOOL CALLBACK PrintAbortProc(HDC hdc, int code);

// Main-window command "Print": tells the user when there is no printer.
void OnPrintCommand(HWND hwnd);
