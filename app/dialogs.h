// The program's modal dialogs, the common pickers the exports and the data dialog use, and the two
// centring helpers. Every dialog edits settings globals kept elsewhere (app/options.h,
// quotes/network.h, app/columns.h, ...) and writes them to the settings file on OK.
#pragma once
#include <windows.h>

// Centred on the parent (the desktop when there is none), kept on the screen; the MoveWindow result.
BOOL CenterOnParent(HWND hwnd);
// Centred over reference, kept inside the work area; the SetWindowPos result.
BOOL CenterOverWindow(HWND hwnd, HWND reference);

// Stock dialog (IDD_STOCK): lParam is the stock rowid to edit, 0 for a new stock. Ends with 1 after a
// save or a Quick Add, 0 from the close box.
INT_PTR CALLBACK StockDlgProc(HWND hDlg, UINT msg, WPARAM wParam, LPARAM lParam);
// Opens the stock dialog on the list row under the mouse cursor; -1 when there is no row there.
INT_PTR EditStockUnderCursor(HWND owner);

// Data settings (IDD_DATAPREFS): 1 on OK, 0 on Cancel.
INT_PTR CALLBACK DataSettingsDlgProc(HWND hDlg, UINT msg, WPARAM wParam, LPARAM lParam);
// Network settings (IDD_NETWORK): 1 on OK, 0 on Cancel.
INT_PTR CALLBACK NetworkDlgProc(HWND hDlg, UINT msg, WPARAM wParam, LPARAM lParam);
// Column choice (IDD_COLUMNS): 1 on OK with ColShown rewritten, 0 otherwise.
INT_PTR CALLBACK ColumnsDlgProc(HWND hDlg, UINT msg, WPARAM wParam, LPARAM lParam);
// Market choice of the first run (IDD_FIRSTRUN): always 1.
INT_PTR CALLBACK FirstRunDlgProc(HWND hDlg, UINT msg, WPARAM wParam, LPARAM lParam);
// About box (IDD_ABOUT): 0 from OK, 1 from the close box.
INT_PTR CALLBACK AboutDlgProc(HWND hDlg, UINT msg, WPARAM wParam, LPARAM lParam);

// The menu commands that open them, for the main window's routing table.
INT_PTR ShowStockDialog(HWND owner);
INT_PTR ShowDataSettingsDialog(HWND owner);
INT_PTR ShowNetworkDialog(HWND owner);
INT_PTR ShowColumnsDialog(HWND owner);
INT_PTR ShowFirstRunDialog(HWND owner);
INT_PTR ShowAboutDialog(HWND owner);

// Colour chooser with the run's custom colours; 0 when cancelled (so black reads as a cancel).
COLORREF PickColor(HWND owner);
// Open dialog for a sound file; path (260 bytes) is the starting path in, the chosen path out.
// 1 when chosen, 0 (path unchanged) otherwise.
int BrowseForSoundFile(HWND owner, char* path, const char* title);
// Save dialog for an export file; asks before overwriting only when append is 0.
int BrowseForSaveFile(HWND owner, char* path, const char* title, BOOL append);
// The folder a picker opens in for a stored file name: "" when the name has no folder.
void PickerInitialFolder(const char* path, char* out, size_t size);

// ---- small helpers the dialogs share ----
// A modal dialog of the program's resources.
INT_PTR ShowDialog(HWND owner, int id, DLGPROC proc, LPARAM param);
// The number in an edit field: its leading digits after any blanks, so a text without digits first
// (a sign included) reads as 0. Clamped to INT_MAX.
int ReadUnsignedField(HWND hDlg, int id);
// From WM_SHOWWINDOW: once the dialog shows, the focus goes to the first field the user can type in (an
// enabled, visible, writable edit, in tab order), so that Enter presses the default button and not a
// page button that happens to be the first tab stop. (A focus set in WM_INITDIALOG does not last: the
// dialog manager gives its first tab stop the focus when it activates the dialog.) FALSE when there is
// none: the dialog manager's choice then stands.
BOOL FocusFirstTypingField(HWND hDlg);
BOOL IsChecked(HWND hDlg, int id);
void SetCheck(HWND hDlg, int id, BOOL on);
// Writes "1" or "0" and returns the flag.
BOOL PutFlagSetting(HWND hwnd, const char* section, const char* key, BOOL on);
void PutIntSetting(HWND hwnd, const char* section, const char* key, int value);
