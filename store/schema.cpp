#include "store/schema.h"

#include <string.h>

#include "foundation/log.h"
#include "store/database.h"

// In write-ahead-log mode a program reading the file (a backup, a database browser) never blocks a
// commit, and the file stays one that every current tool opens. The mode is kept in the file, so an
// older file is converted once; the change needs the file to itself (and no open transaction), so a
// file in use is converted at a later pass.
static void UseWriteAheadLog(CSSqlite& db) {
  if (!db.hDb || !db.CommitTransaction()) return;
  sqlite3_stmt* stmt = NULL;
  const char* mode = "";
  if (sqlite3_prepare_v2(db.hDb, "pragma journal_mode = wal", -1, &stmt, NULL) == SQLITE_OK &&
      sqlite3_step(stmt) == SQLITE_ROW && sqlite3_column_text(stmt, 0))
    mode = (const char*)sqlite3_column_text(stmt, 0);
  if (strcmp(mode, "wal"))
    WriteLog("CreateOrUpgradeSchema:the file stays in its journal mode for now: %s", db.KeepLibraryError());
  sqlite3_finalize(stmt);
}

bool CreateOrUpgradeSchema() {
  CSSqlite& db = oDatabase;
  db.SetErrorCallback(WriteLog);
  CDbLock lock(db);
  db.OpenDatabase();
  db.SQLCall("pragma synchronous = OFF;");
  UseWriteAheadLog(db);

  if (!db.TableExists("setting")) {
    db.BeginTransaction();
    db.SQLCall("create table setting (rowid integer primary key not null, setting_name text not null, "
               "value_text text null, value_integer integer null, value_real real null)");
    db.SQLCall("insert into setting (setting_name, value_integer) values ('database_level', 1)");
    db.CommitTransaction();
  }
  if (!db.TableExists("portfolio")) {
    db.BeginTransaction();
    db.SQLCall("create table portfolio (rowid integer primary key not null, name text not null)");
    db.SQLCall("create index ix1_portfolio on portfolio (name)");
    db.CommitTransaction();
  }
  if (!db.TableExists("stock")) {
    db.BeginTransaction();
    db.SQLCall("create table stock (rowid integer primary key not null, portfolio_rowid integer not null, "
               "symbol text not null, name text null, stock_type integer null, warn_below float null, "
               "warn_above float null, shares_owned float null, cost_basis float null, option_price float null)");
    db.SQLCall("create index ix1_stock on stock (symbol, portfolio_rowid)");
    db.CommitTransaction();
  }
  if (!db.TableExists("quote")) {
    db.BeginTransaction();
    db.SQLCall("create table quote (rowid integer primary key not null, stock_rowid integer not null, "
               "create_date date not null, stock_symbol text null, quote_status integer not null, "
               "quote_date text null, quote_time text null, price float null, change float null, "
               "open float null, high float null, low float null, volume integer null, prev_close float null, "
               "high52 float null, low52 float null, volatility float null, exdiv_date text null, "
               "dividend float null, peratio float null, yield float null, sharesoutstanding integer null)");
    db.SQLCall("create index ix1_quote on quote (stock_rowid, create_date)");
    db.CommitTransaction();
  }
  if (!db.ColumnExists("stock", "sort_order")) {
    db.BeginTransaction();
    db.SQLCall("alter table stock add sort_order text null");
    db.CommitTransaction();
  }
  // Every stored quote looks its stock up by upper-cased symbol and today's quote by stock: without
  // these indexes each lookup reads the whole table. A file made before them gets them here.
  if (db.TableExists("stock"))
    db.SQLCall("create index if not exists ix2_stock on stock (upper(symbol), portfolio_rowid)");
  if (db.TableExists("quote"))
    db.SQLCall("create index if not exists ix1_quote on quote (stock_rowid, create_date)");
  return db.Close();
}
