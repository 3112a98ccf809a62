// Shared set-up of the store tests: a fresh folder with its own database, settings and log file,
// and a hidden report list view.
#include <windows.h>
#include <commctrl.h>
#include <stdio.h>

#include <string>

#include "app/columns.h"
#include "app/handles.h"
#include "foundation/log.h"
#include "foundation/settings.h"
#include "store/database.h"
#include "store/stocks.h"
#include "tests/store/test_support.h"

std::string gTestDir;

std::string gLastBoxText;
static int WINAPI AnswerYes(HWND, LPCSTR text, LPCSTR, UINT) {
  gLastBoxText = text;
  return IDYES;
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  FILE* f = fopen(path.c_str(), "wb");
  if (!f) return;
  fwrite(bytes.data(), 1, bytes.size(), f);
  fclose(f);
}

std::string ReadBytes(const std::string& path) {
  std::string s;
  FILE* f = fopen(path.c_str(), "rb");
  if (!f) return s;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, f)) > 0) s.append(buf, n);
  fclose(f);
  return s;
}

// New folder; the database, the settings file (with iniText) and the log all live there.
void FreshStore(const char* tag, const std::string& iniText) {
  oDatabase.Close();
  oDatabase.bTransactionOpen = 0;
  static int counter = 0;
  char tmp[MAX_PATH];
  GetTempPathA(sizeof tmp, tmp);
  char dir[MAX_PATH];
  // Wine reuses process ids, so a folder of an earlier run may be found: start it empty.
  snprintf(dir, sizeof dir, "%stwst_%s_%lu_%d", tmp, tag, GetCurrentProcessId(), ++counter);
  CreateDirectoryA(dir, NULL);
  gTestDir = dir;
  DeleteFileA((gTestDir + "\\store.db").c_str());
  DeleteFileA((gTestDir + "\\TarnWick.log").c_str());
  snprintf(oDatabase.szDatabasePath, sizeof oDatabase.szDatabasePath, "%s\\store.db", dir);
  snprintf(szIniPath, sizeof szIniPath, "%s\\store.ini", dir);
  bIniReady = TRUE;
  WriteBytes(szIniPath, iniText);
  snprintf(szLogDir, sizeof szLogDir, "%s", dir);
  bDebugLog = TRUE;
  oDatabase.SetErrorCallback(WriteLog);
  pfnStoreMessageBox = AnswerYes;
}

std::string LogText() { return ReadBytes(gTestDir + "\\TarnWick.log"); }

int IntSeenBy(sqlite3* db, const char* sql) {
  sqlite3_stmt* st = NULL;
  int n = -1;
  if (sqlite3_prepare_v2(db, sql, -1, &st, NULL) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
    n = sqlite3_column_int(st, 0);
  sqlite3_finalize(st);
  return n;
}

// A hidden report list with the given shown columns, as hListView.
HWND MakeList(const char* colShown) {
  INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&icc);
  static HWND parent = NULL;
  if (!parent)
    parent = CreateWindowA("STATIC", "host", WS_OVERLAPPEDWINDOW, 0, 0, 600, 400, NULL, NULL,
                           GetModuleHandleA(NULL), NULL);
  if (hListView) DestroyWindow(hListView);
  hListView = CreateWindowA(WC_LISTVIEWA, "", WS_CHILD | LVS_REPORT | LVS_SHAREIMAGELISTS, 0, 0, 600, 400,
                            parent, (HMENU)IDC_LISTVIEW, GetModuleHandleA(NULL), NULL);
  IniPutString(NULL, "Options", "ColShown", colShown);
  LoadColumnSettings(parent);
  CreateListColumns(parent);
  return hListView;
}

std::string CellText(int row, int subItem) {
  char buf[512] = "";
  LVITEMA item = {};
  item.iSubItem = subItem;
  item.pszText = buf;
  item.cchTextMax = sizeof buf;
  SendMessageA(hListView, LVM_GETITEMTEXTA, row, (LPARAM)&item);
  return buf;
}

int ListRows() { return (int)SendMessageA(hListView, LVM_GETITEMCOUNT, 0, 0); }

long long ItemData(int row) {
  LVITEMA item = {};
  item.mask = LVIF_PARAM;
  item.iItem = row;
  SendMessageA(hListView, LVM_GETITEMA, 0, (LPARAM)&item);
  return item.lParam;
}

CursorLock::CursorLock() {
  mutex = CreateMutexA(NULL, FALSE, "TarnWickTestCursor");
  // An owner that died leaves the mutex abandoned, which still hands it over.
  if (mutex) WaitForSingleObject(mutex, 60000);
}

CursorLock::~CursorLock() {
  if (!mutex) return;
  ReleaseMutex(mutex);
  CloseHandle(mutex);
}
