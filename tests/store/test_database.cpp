// The database wrapper and the schema on real files.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <string>
#include <thread>

#include "store/database.h"
#include "store/queue_record.h"
#include "store/schema.h"

#include "tests/store/test_support.h"

static bool Open() { return oDatabase.OpenDatabase(); }

TEST(Database, ScalarQueriesAndTransactionMarks) {
  FreshStore("scalar", "");
  // closed: nothing runs, nothing is reported
  EXPECT_FALSE(oDatabase.SQLCall("select 1"));
  EXPECT_EQ(oDatabase.GetInt("select 1"), -1);
  EXPECT_EQ(oDatabase.GetDouble("select 1.5"), -1.0);
  EXPECT_FALSE(oDatabase.TableExists("stock"));
  EXPECT_FALSE(oDatabase.ColumnExists("stock", "symbol"));
  EXPECT_TRUE(oDatabase.Close());

  ASSERT_TRUE(Open());
  ASSERT_TRUE(oDatabase.SQLCall("create table t (k integer not null unique, v float)"));
  oDatabase.SQLCall("insert into t values (1, 2.5)");
  oDatabase.SQLCall("insert into t values (2, 4.0)");
  EXPECT_EQ(oDatabase.GetInt("select k from t order by k"), 2);  // the last row
  EXPECT_EQ(oDatabase.GetDouble("select sum(v) from t where k > 9"), 0.0);
  EXPECT_EQ(oDatabase.GetDouble("select v from t where k > 9"), -1.0);
  EXPECT_EQ(oDatabase.GetLongLong("select 5000000000"), 5000000000LL);
  EXPECT_TRUE(oDatabase.TableExists("t"));
  EXPECT_TRUE(oDatabase.ColumnExists("t", "v"));
  EXPECT_FALSE(oDatabase.ColumnExists("t", "w"));

  // a failing step still gives true, but the log names the real cause
  EXPECT_TRUE(oDatabase.SQLCall("insert into t values (1, 0)"));
  std::string log = LogText();
  EXPECT_NE(log.find("SQLCall:sqlite3_step error: UNIQUE constraint failed: t.k"), std::string::npos) << log;
  EXPECT_FALSE(oDatabase.SQLCall("selec nothing"));
  EXPECT_NE(LogText().find("SQLCall:sqlite3_prepare error: near \"selec\""), std::string::npos);

  oDatabase.BeginTransaction();
  oDatabase.BeginTransaction();  // does not nest, so no error
  EXPECT_EQ(LogText().find("within a transaction"), std::string::npos);
  oDatabase.SQLCall("insert into t values (3, 1)");
  oDatabase.Close();
  EXPECT_EQ(oDatabase.hDb, nullptr);
  EXPECT_EQ(oDatabase.bTransactionOpen, 0);
  ASSERT_TRUE(Open());
  EXPECT_EQ(oDatabase.GetInt("select count(*) from t"), 3);  // committed by Close
  oDatabase.Close();
}

TEST(Database, FolderWithNonAsciiNameHoldsTheFile) {
  FreshStore("path", "");
  WCHAR wdir[MAX_PATH];
  MultiByteToWideChar(CP_ACP, 0, gTestDir.c_str(), -1, wdir, MAX_PATH);
  std::wstring folder = std::wstring(wdir) + L"\\d\u00e9v";
  char ansiFolder[MAX_PATH];
  BOOL lossy = FALSE;
  WideCharToMultiByte(CP_ACP, 0, folder.c_str(), -1, ansiFolder, sizeof ansiFolder, NULL, &lossy);
  if (lossy) GTEST_SKIP() << "the ANSI code page has no e-acute";
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), NULL) || GetLastError() == ERROR_ALREADY_EXISTS);
  std::wstring file = folder + L"\\prog.db";
  DeleteFileW(file.c_str());
  snprintf(oDatabase.szDatabasePath, sizeof oDatabase.szDatabasePath, "%s\\prog.db", ansiFolder);
  ASSERT_TRUE(Open()) << LogText();
  oDatabase.SQLCall("create table x (a)");
  oDatabase.Close();
  // the same file as the ANSI name names, not a mangled twin
  EXPECT_NE(GetFileAttributesW(file.c_str()), INVALID_FILE_ATTRIBUTES);
  ASSERT_TRUE(Open());
  EXPECT_TRUE(oDatabase.TableExists("x"));
  oDatabase.Close();
}

static int CountSchema(const char* type) {
  char sql[200];
  snprintf(sql, sizeof sql, "select count(*) from sqlite_master where type = '%s'", type);
  return oDatabase.GetInt(sql);
}

TEST(Schema, FreshFileAndRepeatedPass) {
  FreshStore("schema", "");
  for (int pass = 0; pass < 2; ++pass) {
    CreateOrUpgradeSchema();
    EXPECT_EQ(oDatabase.hDb, nullptr);
    ASSERT_TRUE(Open());
    EXPECT_EQ(CountSchema("table"), 4);
    EXPECT_EQ(CountSchema("index"), 4);
    EXPECT_TRUE(oDatabase.ColumnExists("stock", "sort_order"));
    EXPECT_EQ(oDatabase.GetInt("select count(*) from setting"), 1);
    EXPECT_EQ(oDatabase.GetInt("select value_integer from setting where setting_name = 'database_level'"), 1);
    oDatabase.Close();
  }
}

// How the library runs a query: the details of its plan, joined.
static std::string QueryPlan(const char* sql) {
  std::string plan;
  sqlite3_stmt* s = NULL;
  if (sqlite3_prepare_v2(oDatabase.hDb, (std::string("explain query plan ") + sql).c_str(), -1, &s, NULL) ==
      SQLITE_OK)
    while (sqlite3_step(s) == SQLITE_ROW) plan += (const char*)sqlite3_column_text(s, 3) + std::string(";");
  sqlite3_finalize(s);
  return plan;
}

TEST(Schema, OldFileGetsSortOrderOnce) {
  FreshStore("upgrade", "");
  ASSERT_TRUE(Open());
  oDatabase.SQLCall("create table stock (rowid integer primary key not null, portfolio_rowid integer not null, "
                    "symbol text not null, name text null, stock_type integer null, warn_below float null, "
                    "warn_above float null, shares_owned float null, cost_basis float null, option_price float null)");
  oDatabase.SQLCall("insert into stock (portfolio_rowid, symbol) values (1, 'IBM')");
  oDatabase.Close();
  for (int pass = 0; pass < 2; ++pass) {
    CreateOrUpgradeSchema();
    ASSERT_TRUE(Open());
    EXPECT_TRUE(oDatabase.ColumnExists("stock", "sort_order"));
    EXPECT_EQ(oDatabase.GetInt("select count(*) from stock where sort_order is null and symbol = 'IBM'"), 1);
    EXPECT_EQ(CountSchema("table"), 4);
    // converted to write-ahead logging, which the file keeps
    EXPECT_EQ(oDatabase.GetInt("select count(*) from pragma_journal_mode where journal_mode = 'wal'"), 1);
    // the lookups of every stored quote are indexed in an old file too
    EXPECT_NE(QueryPlan("select rowid from stock where upper(symbol) = 'IBM' and portfolio_rowid = 1")
                  .find("USING INDEX ix2_stock"),
              std::string::npos);
    EXPECT_NE(QueryPlan("update quote set price = 1 where stock_rowid = 1 and create_date = date('now', "
                        "'localtime')")
                  .find("USING INDEX ix1_quote"),
              std::string::npos);
    oDatabase.Close();
  }
  EXPECT_EQ(LogText().find("error"), std::string::npos) << LogText();
}

TEST(Database, ReaderThreadSurvivesCommitCloseReopen) {
  FreshStore("threads", "");
  CreateOrUpgradeSchema();
  ASSERT_TRUE(Open());
  oDatabase.SQLCall("insert into portfolio (name) values ('Stocks')");
  oDatabase.SQLCall("insert into stock (portfolio_rowid, symbol, name) values (1, 'IBM', 'Intl')");
  oDatabase.BeginTransaction();

  std::atomic<bool> stop(false);
  std::atomic<int> loaded(0), missed(0);
  std::thread reader([&] {
    while (!stop) {
      QueueRecord rec;
      if (LoadQueueRecordLV(NULL, 0, &rec, 1) && !strcmp(rec.symbol, "IBM")) ++loaded;
      else ++missed;
    }
  });
  for (int i = 0; i < 1000; ++i) {
    char sql[100];
    snprintf(sql, sizeof sql, "update stock set shares_owned = %d where rowid = 1", i);
    oDatabase.SQLCall(sql);
    oDatabase.CommitTransaction();
    oDatabase.Close();
    oDatabase.OpenDatabase();
    oDatabase.BeginTransaction();
  }
  stop = true;
  reader.join();
  EXPECT_GT(loaded.load(), 0);
  EXPECT_EQ(oDatabase.GetInt("select shares_owned from stock where rowid = 1"), 999);
  oDatabase.Close();
}
