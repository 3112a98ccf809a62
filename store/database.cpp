#include "store/database.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "foundation/log.h"
#include "foundation/settings.h"
#include "foundation/text.h"

CSSqlite oDatabase;

// Used when the heap cannot give the error buffer.
static char szFallbackErrorText[DB_ERROR_TEXT_SIZE];

CSSqlite::CSSqlite() {
  InitializeCriticalSection(&csLock);
  memset(kept, 0, sizeof kept);
  szErrorText = NULL;
  bOwnErrorBuffer = false;
  Init();
}

void CSSqlite::Init() {
  hDb = NULL;
  szErrorText = (char*)malloc(DB_ERROR_TEXT_SIZE);
  bOwnErrorBuffer = szErrorText != NULL;
  if (!szErrorText) szErrorText = szFallbackErrorText;
  szErrorText[0] = 0;

  char module[MAX_PATH];
  GetModulePath(module, sizeof module);
  ReplacePathExtension(module, "db", szDatabasePath, sizeof szDatabasePath);
  pfnError = NULL;
  bTransactionOpen = 0;
  nTransactionsEnded = 0;
  nBatchDueAt = DB_BATCH_CHANGES;
}

CSSqlite::~CSSqlite() {
  if (!Close() && hDb) {
    // The last try: what the file still refuses now is lost, and the log says so.
    if (pfnError) pfnError("Close:the last changes could not be committed and are lost: %s", szErrorText);
    Discard();
  }
  if (bOwnErrorBuffer) free(szErrorText);
  szErrorText = NULL;
  DeleteCriticalSection(&csLock);
}

void CSSqlite::Lock() { EnterCriticalSection(&csLock); }
void CSSqlite::Unlock() { LeaveCriticalSection(&csLock); }

const char* CSSqlite::KeepLibraryError() {
  CDbLock lock(*this);
  CopyCut(szErrorText, DB_ERROR_TEXT_SIZE, sqlite3_errmsg(hDb));
  return szErrorText;
}

void CSSqlite::CopyErrorText(char* out, size_t size) {
  CDbLock lock(*this);
  CopyCut(out, size, szErrorText);
}

// The library's message into szErrorText, then the reporter with it and the statement.
void CSSqlite::Report(const char* format, const char* sql) {
  KeepLibraryError();
  if (pfnError) pfnError(format, szErrorText, sql ? sql : "");
}

void CSSqlite::SetErrorCallback(ErrorCallback callback) { pfnError = callback; }

bool CSSqlite::OpenDatabase() {
  CDbLock lock(*this);
  if (hDb) return true;
  // The library reads the name as UTF-8; the module path is in the ANSI code page.
  char utf8[sizeof szDatabasePath * 4];
  WCHAR wide[sizeof szDatabasePath];
  const char* name = szDatabasePath;
  if (MultiByteToWideChar(CP_ACP, 0, szDatabasePath, -1, wide, sizeof szDatabasePath) > 0 &&
      WideCharToMultiByte(CP_UTF8, 0, wide, -1, utf8, sizeof utf8, NULL, NULL) > 0)
    name = utf8;
  if (sqlite3_open(name, &hDb) != SQLITE_OK) {
    KeepLibraryError();
    if (pfnError) pfnError("OpenDatabase:sqlite3_open error: %s", szErrorText);
    return false;
  }
  // Another reader of the file (a backup, a database browser) must not make a commit fail at once.
  sqlite3_busy_timeout(hDb, DB_BUSY_TIMEOUT_MS);
  nBatchDueAt = DB_BATCH_CHANGES;
  return true;
}

bool CSSqlite::CloseDatabase(sqlite3*& db) {
  CDbLock lock(*this);
  if (!db) return true;
  if (db == hDb) FinalizeKeptStatements();
  if (sqlite3_close(db) != SQLITE_OK) {
    CopyCut(szErrorText, DB_ERROR_TEXT_SIZE, sqlite3_errmsg(db));
    if (pfnError) pfnError("CloseDatabase:sqlite3_close error: %s", szErrorText);
    return false;
  }
  db = NULL;
  return true;
}

bool CSSqlite::Close() {
  CDbLock lock(*this);
  if (!hDb) return true;
  // Closing now would roll the pending changes back.
  if (!CommitTransaction() && bTransactionOpen) return false;
  return CloseDatabase(hDb);
}

bool CSSqlite::BeginTransaction() {
  CDbLock lock(*this);
  if (!bTransactionOpen) {
    SQLCall("begin transaction");
    bTransactionOpen = 1;
  }
  return true;
}

bool CSSqlite::CommitTransaction() {
  CDbLock lock(*this);
  if (!bTransactionOpen) return true;
  if (!hDb || Execute("commit transaction") == SQLITE_DONE) {
    EndTransaction();
    return true;
  }
  // A busy file leaves the transaction open: its changes stay pending for the next try. Other
  // failures may have made the library roll it back.
  bool stillOpen = !sqlite3_get_autocommit(hDb);
  if (pfnError)
    pfnError(stillOpen ? "CommitTransaction:commit failed, the changes stay pending: %s"
                       : "CommitTransaction:commit failed, the changes were rolled back: %s",
             szErrorText);
  if (!stillOpen) EndTransaction();
  return false;
}

void CSSqlite::EndTransaction() {
  bTransactionOpen = 0;
  ++nTransactionsEnded;
}

void CSSqlite::CommitBatchWhenDue() {
  CDbLock lock(*this);
  if (!hDb || sqlite3_total_changes(hDb) <= nBatchDueAt) return;
  if (!CommitTransaction() && bTransactionOpen) {
    nBatchDueAt = sqlite3_total_changes(hDb) + DB_BATCH_CHANGES;
    return;
  }
  Close();
  OpenDatabase();
  BeginTransaction();
}

void CSSqlite::RestartIdleTransaction() {
  CDbLock lock(*this);
  if (!hDb || !bTransactionOpen || sqlite3_txn_state(hDb, NULL) == SQLITE_TXN_WRITE) return;
  if (CommitTransaction()) BeginTransaction();
}

void CSSqlite::RollBack() {
  CDbLock lock(*this);
  if (!hDb || !bTransactionOpen) return;
  if (!sqlite3_get_autocommit(hDb)) Execute("rollback transaction");
  EndTransaction();
}

void CSSqlite::Discard() {
  CDbLock lock(*this);
  RollBack();
  CloseDatabase(hDb);
}

int CSSqlite::FoldLog(DWORD waitMs) {
  DWORD start = GetTickCount();
  for (;;) {
    int frames = -1, copied = -1, rc;
    {
      CDbLock lock(*this);
      if (!hDb) return -1;
      rc = sqlite3_wal_checkpoint_v2(hDb, NULL, SQLITE_CHECKPOINT_TRUNCATE, &frames, &copied);
      if (rc != SQLITE_OK && rc != SQLITE_BUSY) {
        KeepLibraryError();
        if (pfnError) pfnError("FoldLog:sqlite3_wal_checkpoint_v2 error: %s", szErrorText);
        return -1;
      }
    }
    // Busy with every frame copied: the file holds all, only the log could not be emptied. Busy with no
    // counts (-1): another connection's checkpoint kept this one from copying anything.
    if (rc == SQLITE_OK || (frames >= 0 && frames <= copied)) return 0;
    if (GetTickCount() - start >= waitMs) return frames >= 0 ? frames - copied : -1;
    Sleep(DB_BUSY_TIMEOUT_MS / 2);
  }
}

int CSSqlite::Execute(const char* sql) {
  CDbLock lock(*this);
  if (!hDb) return -1;
  sqlite3_stmt* stmt = NULL;
  if (sqlite3_prepare(hDb, sql, -1, &stmt, NULL) != SQLITE_OK) {
    Report("SQLCall:sqlite3_prepare error: %s\n%s", sql);
    return -1;
  }
  if (!stmt) return SQLITE_DONE;  // only blanks or a comment
  int rc;
  do {
    rc = sqlite3_step(stmt);
  } while (rc == SQLITE_ROW);
  sqlite3_finalize(stmt);
  // The legacy prepare gives a generic code from the step; the message is read after finalize.
  if (rc != SQLITE_DONE) Report("SQLCall:sqlite3_step error: %s\n%s", sql);
  return rc;
}

// True also when the statement failed while running (callers rely on it); the log has the cause.
bool CSSqlite::SQLCall(const char* sql) { return Execute(sql) != -1; }

bool IsRefusal(int rc) { return rc > 0 && ((rc & 0xff) == SQLITE_BUSY || (rc & 0xff) == SQLITE_LOCKED); }

// The refusal a failed prepare met (a fresh connection must read the schema first), else -1.
static int PrepareRefusal(sqlite3* db) {
  int rc = db ? sqlite3_errcode(db) : -1;
  return IsRefusal(rc) ? rc : -1;
}

int CSSqlite::Run(const char* sql) {
  CDbLock lock(*this);
  int rc = Execute(sql);
  return rc == -1 ? PrepareRefusal(hDb) : rc;
}

template <typename T>
T CSSqlite::Scalar(const char* sql, const char* prepareError, T none, T (*read)(sqlite3_stmt*, int)) {
  CDbLock lock(*this);
  T result = none;
  if (!hDb) return result;
  sqlite3_stmt* stmt = NULL;
  if (sqlite3_prepare(hDb, sql, -1, &stmt, NULL) != SQLITE_OK) {
    Report(prepareError, sql);
    return none;
  }
  while (stmt && sqlite3_step(stmt) == SQLITE_ROW) result = read(stmt, 0);
  sqlite3_finalize(stmt);
  return result;
}

int CSSqlite::GetInt(const char* sql) {
  return Scalar<int>(sql, "GetInt:sqlite3_prepare error: %s\n%s", -1, sqlite3_column_int);
}

double CSSqlite::GetDouble(const char* sql) {
  return Scalar<double>(sql, "GetDouble:sqlite3_prepare error: %s\n%s", -1.0, sqlite3_column_double);
}

long long CSSqlite::GetLongLong(const char* sql) {
  return Scalar<long long>(sql, "GetLongLong:sqlite3_prepare error: %s\n%s", -1, sqlite3_column_int64);
}

long long CSSqlite::LastInsertRowid() {
  CDbLock lock(*this);
  return hDb ? sqlite3_last_insert_rowid(hDb) : 0;
}

bool CSSqlite::TableExists(const char* table) {
  CDbLock lock(*this);
  if (!hDb) return false;
  char sql[200];
  snprintf(sql, sizeof sql, "select count(*) from sqlite_master where type = 'table' and name = '%s'", table);
  sqlite3_stmt* stmt = NULL;
  if (sqlite3_prepare(hDb, sql, -1, &stmt, NULL) != SQLITE_OK) {
    if (pfnError) pfnError("SQLCall:sqlite3_prepare error: %s", sqlite3_errmsg(hDb));
    return false;
  }
  int count = 0;
  while (stmt && sqlite3_step(stmt) == SQLITE_ROW) count = sqlite3_column_int(stmt, 0);
  sqlite3_finalize(stmt);
  return count > 0;
}

bool CSSqlite::ColumnExists(const char* table, const char* column) {
  CDbLock lock(*this);
  if (!hDb) return false;
  return sqlite3_table_column_metadata(hDb, NULL, table, column, NULL, NULL, NULL, NULL, NULL) == SQLITE_OK;
}

// The library re-prepares a kept statement by itself after a schema change (the _v2 form); a busy
// text (a caller using it further up the stack) gets a statement of its own, finalized on release.
sqlite3_stmt* CSSqlite::KeptStatement(const char* sql) {
  CDbLock lock(*this);
  if (!hDb) return NULL;
  KeptSlot* freeSlot = NULL;
  for (KeptSlot& k : kept) {
    if (!k.sql) {
      if (!freeSlot) freeSlot = &k;
    } else if (!k.inUse && !strcmp(k.sql, sql)) {
      k.inUse = true;
      return k.stmt;
    }
  }
  sqlite3_stmt* stmt = NULL;
  if (sqlite3_prepare_v2(hDb, sql, -1, &stmt, NULL) != SQLITE_OK || !stmt) {
    if (stmt) sqlite3_finalize(stmt);
    return NULL;
  }
  char* copy = freeSlot ? strdup(sql) : NULL;
  if (copy) {
    freeSlot->sql = copy;
    freeSlot->stmt = stmt;
    freeSlot->inUse = true;
  }
  return stmt;
}

void CSSqlite::ReleaseStatement(sqlite3_stmt* stmt) {
  CDbLock lock(*this);
  if (!stmt) return;
  for (KeptSlot& k : kept)
    if (k.stmt == stmt) {
      sqlite3_reset(stmt);
      sqlite3_clear_bindings(stmt);
      k.inUse = false;
      return;
    }
  sqlite3_finalize(stmt);  // one of its own
}

// One still in use keeps the connection from closing, as any unfinished statement does.
void CSSqlite::FinalizeKeptStatements() {
  for (KeptSlot& k : kept) {
    if (k.inUse) continue;
    if (k.stmt) sqlite3_finalize(k.stmt);
    free(k.sql);
    k.sql = NULL;
    k.stmt = NULL;
  }
}

int RunBoundStatement(const char* sql, const std::function<void(sqlite3_stmt*)>& bind,
                      const std::function<void(sqlite3_stmt*)>& row) {
  CKeptStatement kept(sql);
  if (!kept.stmt) {
    WriteLog("Prepare error: %s\n%s", oDatabase.hDb ? oDatabase.KeepLibraryError() : "", sql);
    return PrepareRefusal(oDatabase.hDb);
  }
  bind(kept.stmt);
  int rc = sqlite3_step(kept.stmt);
  bool gotRow = rc == SQLITE_ROW && row;
  if (gotRow) row(kept.stmt);
  if (rc != SQLITE_DONE && !gotRow) WriteLog("Step error: %s\n%s", oDatabase.KeepLibraryError(), sql);
  return rc;
}
