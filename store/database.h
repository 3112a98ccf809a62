// The one database connection of the program and its thin wrapper.
#pragma once
#include <windows.h>
#include <sqlite3.h>

#include <functional>

// printf-style error reporter (WriteLog is installed).
typedef void (*ErrorCallback)(const char* format, ...);

#define DB_ERROR_TEXT_SIZE 2000
// How long a statement waits while another program holds the file before it gives up. Statements run on
// the window's thread: a refused write is kept and tried again later rather than waited for.
#define DB_BUSY_TIMEOUT_MS 100
// How long the exit tries again while another program holds the file, before it asks or gives up.
#define DB_EXIT_WAIT_MS 3000
// Changes after which the running batch is committed and a fresh connection begins the next one.
#define DB_BATCH_CHANGES 50

class CSSqlite {
 public:
  CSSqlite();
  virtual ~CSSqlite();

  void Init();
  bool OpenDatabase();
  bool CloseDatabase(sqlite3*& db);
  // Commits and closes. A commit the file refuses keeps the connection open with its changes
  // pending (false); a later Close, or the destructor, tries again.
  bool Close();
  bool BeginTransaction();
  // False when the commit failed; the transaction then stays open, its changes pending, unless the
  // library rolled it back itself (logged either way).
  bool CommitTransaction();
  // Once the connection has made more than DB_BATCH_CHANGES changes: commit, close, reopen and
  // begin the next batch. When the commit fails, the batch goes on on this connection and is tried
  // again after another DB_BATCH_CHANGES changes.
  void CommitBatchWhenDue();
  // A transaction that has written nothing is ended and begun again, so that the next write starts
  // from what other programs committed meanwhile instead of being refused for an old snapshot.
  void RestartIdleTransaction();
  // Rolls back what the open transaction holds: for an exit that gave its changes up.
  void RollBack();
  // RollBack, then close.
  void Discard();
  // Copies what only the -wal file holds into the database file and empties the log, so that the file
  // alone holds every commit; tried again for up to waitMs while another connection keeps it from
  // finishing. The number of log frames still not copied: 0 when the file holds everything (or keeps
  // no log), -1 when the fold failed, was kept out by another connection's checkpoint, or the database
  // is closed.
  int FoldLog(DWORD waitMs);
  bool SQLCall(const char* sql);
  // Runs sql to its end: the last step's result; a refusal (IsRefusal) when another program holds the
  // file, at the prepare as at a step; -1 when closed or the text did not prepare for another reason.
  int Run(const char* sql);
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
  // text until the connection closes; for constant texts with bound values. Use it only while holding
  // the lock (CKeptStatement does); give it back with ReleaseStatement. NULL when closed or when it
  // does not prepare.
  sqlite3_stmt* KeptStatement(const char* sql);
  void ReleaseStatement(sqlite3_stmt* stmt);

  char szDatabasePath[260];
  unsigned char bTransactionOpen;
  ErrorCallback pfnError;
  sqlite3* hDb;
  char* szErrorText;
  // Counts transactions ended by a commit or a rollback: a caller tells by it whether what it wrote
  // in the open transaction is still pending.
  unsigned long nTransactionsEnded;

 private:
  CSSqlite(const CSSqlite&) = delete;
  CSSqlite& operator=(const CSSqlite&) = delete;
  void Report(const char* format, const char* sql);
  // Every end of a transaction goes through here, so that nTransactionsEnded misses none.
  void EndTransaction();
  // Runs sql to its end; the last step's result, or -1 when closed or the text did not prepare.
  int Execute(const char* sql);
  // Column 0 of the last row through read; none when closed, failing to prepare or without a row.
  template <typename T>
  T Scalar(const char* sql, const char* prepareError, T none, T (*read)(sqlite3_stmt*, int));
  void FinalizeKeptStatements();
  CRITICAL_SECTION csLock;
  bool bOwnErrorBuffer;
  int nBatchDueAt;  // total changes of this connection after which the batch is committed
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

// True for a result that says another program holds the file (busy or locked): the same statement
// may pass later.
bool IsRefusal(int rc);

// Runs the constant text sql once on oDatabase as a kept statement, bound through bind, logging
// "Prepare error" or "Step error". With row given, a step that yields a row hands it to row (and is no
// error). Returns the step's result; a prepare refused while another program holds the file gives the
// refusal, as a step would; -1 when the statement did not prepare for another reason (or the database
// is closed).
int RunBoundStatement(const char* sql, const std::function<void(sqlite3_stmt*)>& bind,
                      const std::function<void(sqlite3_stmt*)>& row = nullptr);
