// The one database connection of the program and its thin wrapper.
#pragma once
#include <windows.h>
#include <sqlite3.h>

#include <functional>

// printf-style error reporter (WriteLog is installed).
typedef void (*ErrorCallback)(const char* format, ...);

#define DB_ERROR_TEXT_SIZE 2000

class CSSqlite {
 public:
  CSSqlite();
  virtual ~CSSqlite();

  void Init();
  bool OpenDatabase();
  bool CloseDatabase(sqlite3*& db);
  bool Close();
  bool BeginTransaction();
  bool CommitTransaction();
  bool SQLCall(const char* sql);
  int GetInt(const char* sql);
  double GetDouble(const char* sql);
  long long GetLongLong(const char* sql);
  long long LastInsertRowid();
  bool TableExists(const char* table);
  bool ColumnExists(const char* table, const char* column);
  void SetErrorCallback(ErrorCallback callback);

  // One recursive lock: held by open and close and around every prepare..finalize sequence that may
  // run on the network thread; it also guards szErrorText. Never send a cross-thread message while
  // holding it.
  void Lock();
  void Unlock();
  // sqlite3_errmsg of hDb into szErrorText (cut to the buffer); returns szErrorText. Call with the lock.
  const char* KeepLibraryError();
  // Bounded copy of szErrorText, taken under the lock.
  void CopyErrorText(char* out, size_t size);

  // A statement prepared once on the open connection and kept for the next caller with the same
  // text until the connection closes; for constant texts with bound values. Call with the lock; give
  // it back with ReleaseStatement. NULL when closed or when it does not prepare.
  sqlite3_stmt* KeptStatement(const char* sql);
  void ReleaseStatement(sqlite3_stmt* stmt);

  char szDatabasePath[260];
  unsigned char bTransactionOpen;
  ErrorCallback pfnError;
  sqlite3* hDb;
  char* szErrorText;

 private:
  CSSqlite(const CSSqlite&) = delete;
  CSSqlite& operator=(const CSSqlite&) = delete;
  void Report(const char* format, const char* sql);
  // Column 0 of the last row through read; none when closed, failing to prepare or without a row.
  template <typename T>
  T Scalar(const char* sql, const char* prepareError, T none, T (*read)(sqlite3_stmt*, int));
  void FinalizeKeptStatements();
  CRITICAL_SECTION csLock;
  bool bOwnErrorBuffer;
  struct KeptSlot {
    char* sql;
    sqlite3_stmt* stmt;
    bool inUse;
  };
  enum { KEPT_SLOTS = 16 };
  KeptSlot kept[KEPT_SLOTS];
};

// Holds the database lock for one scope.
class CDbLock {
 public:
  explicit CDbLock(CSSqlite& db) : d(db) { d.Lock(); }
  ~CDbLock() { d.Unlock(); }

 private:
  CDbLock(const CDbLock&) = delete;
  CDbLock& operator=(const CDbLock&) = delete;
  CSSqlite& d;
};

extern CSSqlite oDatabase;

// A kept statement of oDatabase with the lock held for one scope; stmt is NULL when it did not prepare.
class CKeptStatement {
 public:
  explicit CKeptStatement(const char* sql) : lock(oDatabase), stmt(oDatabase.KeptStatement(sql)) {}
  ~CKeptStatement() { oDatabase.ReleaseStatement(stmt); }

 private:
  CKeptStatement(const CKeptStatement&) = delete;
  CKeptStatement& operator=(const CKeptStatement&) = delete;
  CDbLock lock;

 public:
  sqlite3_stmt* const stmt;
};

// Runs the constant text sql once on oDatabase as a kept statement, bound through bind, logging
// "Prepare error" or "Step error". Returns the step's result, or -1 when the statement did not prepare
// (or the database is closed).
int RunBoundStatement(const char* sql, const std::function<void(sqlite3_stmt*)>& bind);
