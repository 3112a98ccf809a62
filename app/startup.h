// Start-up and shutdown of the program around its message loop.
#pragma once
#include <windows.h>

// Takes the debug switch out of a command line: the first "-d" (either case) that stands as a whole
// word outside quotes is blanked. TRUE when there was one. Paths such as c:\my-data\t.ini stay whole.
BOOL TakeDebugSwitch(char* text);
// Applies the command line: the debug switch, then the settings file named by its first word.
// FALSE when the copy could not be made.
BOOL ApplyCommandLine(const char* commandLine);
