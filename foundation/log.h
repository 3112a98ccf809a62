// Debug log: one time-stamped line per call in TarnWick.log beside the program, kept in three generations.
#pragma once
#include <windows.h>
#include <stddef.h>

// Non-zero when the program was started with "-d"; WriteLog does nothing while it is 0.
extern BOOL bDebugLog;
// Folder of the log files; filled from the module file name on the first logged line when empty.
extern char szLogDir[MAX_PATH];

// printf-style; any thread may call it. Matches the database wrapper's error reporter type.
void WriteLog(const char* format, ...);

// The current, previous and oldest log file names in dir; FALSE (names "") when one does not fit in size.
BOOL BuildLogFileNames(const char* dir, char* current, char* previous, char* oldest, size_t size);
