// Start-up and shutdown of the program around its message loop.
#pragma once
#include <windows.h>

// Registers the hidden tray-owner class and the main window class; the main class's atom, 0 on failure.
ATOM RegisterWindowClasses(HINSTANCE instance);
// Common controls, link classes, command line, network road, the tray window and the main window;
// 1 when the main window exists, 0 when start-up must end.
int InitInstance(HINSTANCE instance, int showCommand, const char* commandLine);
// The steps after the message loop: network, buffers, bitmaps, link classes, database. Returns exitCode.
int ShutdownProgram(int exitCode);

// Applies the command line: the first "-d" (either case) that stands as a whole word outside quotes
// turns the log on and is blanked, so paths such as c:\my-data\t.ini stay whole; then the settings
// file named by its first word. FALSE when the copy could not be made.
BOOL ApplyCommandLine(const char* commandLine);

// One running instance per database file. TRUE: this process holds it. FALSE: another one does; the
// window it shows (its main window, or a dialog of its start-up) has been brought forward, or the user
// told that none could be found, and this process should end.
BOOL ClaimSingleInstance(void);
// Tells later starts which window to bring forward.
void PublishMainWindow(HWND hwnd);
// Lets the next start have the database; at the very end of shutdown.
void ReleaseSingleInstance(void);
