// Shared set-up of the store tests (test_support.cpp).
#pragma once
#include <windows.h>
#include <sqlite3.h>

#include <string>

extern std::string gTestDir;
void WriteBytes(const std::string& path, const std::string& bytes);
std::string ReadBytes(const std::string& path);
// New folder holding the database, the settings file (with iniText) and the log; the store's boxes are
// answered Yes, the last one's text kept in gLastBoxText.
void FreshStore(const char* tag, const std::string& iniText);
extern std::string gLastBoxText;
std::string LogText();
// Column 0 of sql's first row as another connection to the file (another program) reads it; -1
// when it does not run.
int IntSeenBy(sqlite3* db, const char* sql);
// Hidden report list with the given ColShown text ("" for the default columns).
HWND MakeList(const char* colShown);
std::string CellText(int row, int subItem);
int ListRows();
long long ItemData(int row);

// Held by a test while it places the mouse cursor and relies on where it is: the test programs run in
// parallel on one screen.
class CursorLock {
 public:
  CursorLock();
  ~CursorLock();

 private:
  HANDLE mutex;
};
