#include "store/stocks.h"

#include <commctrl.h>
#include <ctype.h>
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "app/columns.h"
#include "app/handles.h"
#include "foundation/log.h"
#include "foundation/settings.h"
#include "foundation/text.h"
#include "quotes/cycle.h"
#include "quotes/sources.h"
#include "store/database.h"
#include "store/queue_record.h"
#include "store/schema.h"
#include "store/store_quote.h"

long long nPortfolioRowid = 0;
int(WINAPI* pfnStoreMessageBox)(HWND, LPCSTR, LPCSTR, UINT) = MessageBoxA;

// text with each "'" doubled, for an SQL literal.
static std::string SqlQuoted(const char* text) {
  std::vector<char> out(strlen(text) * 2 + 1);
  ReplaceStringInto(out.data(), out.size(), text, "'", "''");
  return std::string(out.data());
}

// printf into a string of any length.
static std::string Format(const char* format, ...) __attribute__((format(gnu_printf, 1, 2)));
static std::string Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  int n = vsnprintf(NULL, 0, format, copy);
  va_end(copy);
  std::string s(n > 0 ? (size_t)n : 0, '\0');
  if (n > 0) vsnprintf(&s[0], (size_t)n + 1, format, args);
  va_end(args);
  return s;
}

static void BindNumberOrNull(sqlite3_stmt* s, int i, double v, bool isNull) {
  if (isNull) sqlite3_bind_null(s, i);
  else sqlite3_bind_double(s, i, v);
}

static bool PortfolioExists(long long rowid) {
  if (rowid <= 0) return false;
  return oDatabase.GetInt(Format("select count(*) from portfolio where rowid = %lld", rowid).c_str()) > 0;
}

static void CreatePortfolio(const std::string& quotedName) {
  oDatabase.SQLCall(Format("insert into portfolio (name) values ('%s')", quotedName.c_str()).c_str());
  nPortfolioRowid = oDatabase.LastInsertRowid();
}

// Moves the [Stocks] list of older versions into the current portfolio; true when every stock
// was inserted (or was there already).
static bool MigrateStocksSection(HWND hwnd) {
  bool allStored = true;
  std::vector<char> keys = IniGetAllKeys(hwnd, "Stocks");
  for (const char* key = keys.data(); *key; key += strlen(key) + 1) {
    QueueRecord rec;
    memset(&rec, 0, sizeof rec);
    ClearQueueRecord(&rec);
    // The value is stored under the key as written, with 0xA9 standing for "=".
    LoadStockIniSettingsKey(hwnd, &rec, key);
    std::string symbol(key);
    for (char& c : symbol)
      if ((unsigned char)c == 0xA9) c = '=';
    if (nQuoteSource == SRC_YAHOO && rec.stock_type != 0) {
      symbol += MarketTable[rec.stock_type].suffix;
      rec.stock_type = 0;
    }
    if (symbol.size() > MAX_SYMBOL_LENGTH) {
      WriteLog("InitLoadStocks:symbol too long, not moved: %s", symbol.c_str());
      continue;
    }
    snprintf(rec.symbol, sizeof rec.symbol, "%s", symbol.c_str());

    CDbLock lock(oDatabase);
    std::string sql = Format("select rowid from stock where portfolio_rowid = %lld and symbol = '%s'",
                             nPortfolioRowid, SqlQuoted(rec.symbol).c_str());
    if (oDatabase.GetInt(sql.c_str()) >= 0) continue;
    bool ok = RunBoundStatement(
        "insert into stock (portfolio_rowid, symbol, stock_type, warn_below, warn_above, shares_owned, "
        "cost_basis) values (?, ?, ?, ?, ?, ?, ?) ",
        [&rec](sqlite3_stmt* s) {
          sqlite3_bind_int64(s, 1, nPortfolioRowid);
          sqlite3_bind_text(s, 2, rec.symbol, -1, SQLITE_STATIC);
          sqlite3_bind_int(s, 3, rec.stock_type);
          BindNumberOrNull(s, 4, rec.warn_below, rec.warn_below == NoValue);
          BindNumberOrNull(s, 5, rec.warn_above, rec.warn_above == NoValue);
          BindNumberOrNull(s, 6, rec.shares_owned, rec.shares_owned == NoValue);
          BindNumberOrNull(s, 7, rec.cost_basis, rec.cost_basis == NoValue);
        }) == SQLITE_DONE;
    if (!ok) allStored = false;
  }
  return allStored;
}

void InitLoadStocks(HWND hListView) {
  szYahooExtraCallQuery[0] = 0;
  CreateOrUpgradeSchema();
  oDatabase.OpenDatabase();
  oDatabase.BeginTransaction();

  int stocksInDatabase = IniGetInt(hListView, "Options", "StocksInDatabase", 0);
  char title[500];
  IniGetString(hListView, "Options", "TitleBar", title, sizeof title, "Stocks");
  TrimRight(title);
  if (!title[0]) snprintf(title, sizeof title, "%s", "Stocks");
  std::string quotedTitle = SqlQuoted(title);

  nPortfolioRowid =
      oDatabase.GetInt(Format("select rowid from portfolio where name = '%s'", quotedTitle.c_str()).c_str());
  if (stocksInDatabase != 0) {
    if (nPortfolioRowid < 0) {
      // Another title: show the first portfolio; a new file has none yet, so make it.
      long long lowest = oDatabase.GetLongLong("select min(rowid) from portfolio");
      if (lowest > 0) nPortfolioRowid = lowest;
      else CreatePortfolio(quotedTitle);
    }
  } else {
    if (nPortfolioRowid <= 0) CreatePortfolio(quotedTitle);
    // Marked as moved only when every stock reached an existing portfolio; a rerun skips those
    // already there.
    if (PortfolioExists(nPortfolioRowid) && MigrateStocksSection(hListView)) {
      // On disk before the settings file says so: a program ended before its next commit would
      // otherwise lose the whole list, with the mark forbidding a second move.
      bool committed = oDatabase.CommitTransaction();
      oDatabase.BeginTransaction();
      if (committed) IniPutString(hListView, "Options", "StocksInDatabase", "1");
    }
  }

  SendMessageA(hListView, LVM_DELETEALLITEMS, 0, 0);
  std::string sql = Format(QUEUE_RECORD_SELECT " and portfolio.rowid = %lld)" QUEUE_RECORD_TODAY
                           "  order by lower(stock.symbol) ",
                           nPortfolioRowid);

  // Read everything first: the list is filled without the database lock.
  std::vector<QueueRecord> rows;
  {
    CDbLock lock(oDatabase);
    sqlite3_stmt* stmt = NULL;
    if (!oDatabase.hDb || sqlite3_prepare(oDatabase.hDb, sql.c_str(), -1, &stmt, NULL) != SQLITE_OK) {
      WriteLog("InitLoadStocks:sqlite3_prepare error: %s\n%s",
               oDatabase.hDb ? oDatabase.KeepLibraryError() : "", sql.c_str());
      return;
    }
    if (stmt) rows = LoadQueueRecords(stmt);
    sqlite3_finalize(stmt);
  }
  BeginListUpdate(hListView);
  for (QueueRecord& rec : rows) AppendQuoteRow(hListView, &rec);
  EndListUpdate(hListView);
}

void TellStockRefused(HWND owner, const char* symbols, const char* done) {
  char text[700];
  snprintf(text, sizeof text,
           "%s could not be %s because another program is using the database file\n%s\n\n"
           "Please try again in a moment.",
           symbols, done, oDatabase.szDatabasePath);
  WriteLog("%s could not be %s: another program holds %s", symbols, done, oDatabase.szDatabasePath);
  pfnStoreMessageBox(owner, text, "Error", MB_OK | MB_ICONEXCLAMATION);
}

long long SaveStockRecord(long long rowid, const char* symbol, double warnBelow, double warnAbove,
                          double sharesOwned, double costBasis, double optionPrice, const char* sortText) {
  if (!symbol) symbol = "";
  if (rowid == 0 && strlen(symbol) > MAX_SYMBOL_LENGTH) {
    WriteLog("SaveStockRecord:symbol too long: %s", symbol);
    return 0;
  }
  CDbLock lock(oDatabase);
  // A user's change starts from what other programs committed meanwhile: a transaction that read an
  // older state of the file would have it refused for as long as it lasts.
  oDatabase.RestartIdleTransaction();
  if (rowid == 0) {
    char lower[100];
    snprintf(lower, sizeof lower, "%s", symbol);
    for (char* p = lower; *p; ++p) *p = (char)tolower((unsigned char)*p);
    std::string sql = Format("select rowid from stock where lower(symbol) = '%s' and portfolio_rowid = %lld",
                             SqlQuoted(lower).c_str(), nPortfolioRowid);
    long long found = oDatabase.GetLongLong(sql.c_str());
    if (found > 0) rowid = found;
  }
  auto bindNumbers = [=](sqlite3_stmt* s, int first) {
    BindNumberOrNull(s, first, warnBelow, warnBelow == 0 || warnBelow == NoValue);
    BindNumberOrNull(s, first + 1, warnAbove, warnAbove == 0 || warnAbove == NoValue);
    BindNumberOrNull(s, first + 2, sharesOwned, sharesOwned == NoValue);
    BindNumberOrNull(s, first + 3, costBasis, costBasis == NoValue);
    BindNumberOrNull(s, first + 4, optionPrice, optionPrice == NoValue);
  };
  if (rowid == 0) {
    int rc = RunBoundStatement(
        "insert into stock (portfolio_rowid, symbol, stock_type, warn_below, warn_above, shares_owned, "
        "cost_basis, option_price, sort_order) values (?, ?, 0, ?, ?, ?, ?, ?, ?) ",
        [&](sqlite3_stmt* s) {
          sqlite3_bind_int64(s, 1, nPortfolioRowid);
          sqlite3_bind_text(s, 2, symbol, -1, SQLITE_STATIC);
          bindNumbers(s, 3);
          sqlite3_bind_text(s, 8, sortText, -1, SQLITE_STATIC);
        });
    if (IsRefusal(rc)) return STOCK_REFUSED;
    if (rc != SQLITE_DONE) return 0;
    NoteStockEdit(symbol);
    return oDatabase.LastInsertRowid();
  }
  int rc = RunBoundStatement(
      "update stock set warn_below = ?, warn_above = ?, shares_owned = ?, cost_basis = ?, option_price = ?, "
      "sort_order = ?  where rowid = ? ",
      [&](sqlite3_stmt* s) {
        bindNumbers(s, 1);
        sqlite3_bind_text(s, 6, sortText, -1, SQLITE_STATIC);
        sqlite3_bind_int64(s, 7, rowid);
      });
  if (IsRefusal(rc)) return STOCK_REFUSED;
  // A failed update, or a stock deleted meanwhile, saved nothing: the dialog must not report success.
  if (rc != SQLITE_DONE || sqlite3_changes(oDatabase.hDb) == 0) return 0;
  NoteStockEdit(symbol);
  return rowid;
}

int ListRowUnderCursor(HWND list) {
  POINT pt;
  GetCursorPos(&pt);
  ScreenToClient(list, &pt);
  // Hit-tested inside the first column, so a click anywhere along the row finds it.
  LVHITTESTINFO hit;
  memset(&hit, 0, sizeof hit);
  hit.pt.x = 10;
  hit.pt.y = pt.y;
  return (int)SendMessageA(list, LVM_HITTEST, 0, (LPARAM)&hit);
}

void ListRowSymbol(HWND list, int row, char* out, int size) {
  LVITEMA item;
  memset(&item, 0, sizeof item);
  item.pszText = out;
  item.cchTextMax = size;
  SendMessageA(list, LVM_GETITEMTEXTA, row, (LPARAM)&item);
}

void DeleteStockUnderCursor(HWND hwnd) {
  int row = ListRowUnderCursor(hListView);
  if (row < 0) return;
  if (pfnStoreMessageBox(hwnd, "Do you want to delete this symbol from your list?", "Question",
                         MB_YESNO | MB_ICONQUESTION) != IDYES)
    return;
  char symbol[MAX_SYMBOL_LENGTH + 1] = "";
  LVITEMA item;
  memset(&item, 0, sizeof item);
  item.mask = LVIF_PARAM | LVIF_TEXT;
  item.iItem = row;
  item.pszText = symbol;
  item.cchTextMax = sizeof symbol;
  if (!SendMessageA(hListView, LVM_GETITEMA, 0, (LPARAM)&item)) return;
  char sql[100];
  snprintf(sql, sizeof sql, "delete from quote where stock_rowid = %d", (int)item.lParam);
  int rc;
  {
    CDbLock lock(oDatabase);
    oDatabase.RestartIdleTransaction();  // as for a save
    rc = oDatabase.Run(sql);
    if (rc == SQLITE_DONE) {
      snprintf(sql, sizeof sql, "delete from stock where rowid = %d", (int)item.lParam);
      rc = oDatabase.Run(sql);
      if (rc == SQLITE_DONE && oDatabase.hDb && sqlite3_changes(oDatabase.hDb) > 0) NoteStockEdit(symbol);
    }
  }
  // The row stays while the file still holds the stock (the log has why).
  if (IsRefusal(rc)) TellStockRefused(hwnd, symbol, "deleted");
  if (rc == SQLITE_DONE) SendMessageA(hListView, LVM_DELETEITEM, row, 0);
}

bool PurgeOldQuotes(HWND hwnd) {
  oDatabase.BeginTransaction();
  if (!oDatabase.SQLCall("delete from quote where create_date < date('now','-7 day')")) {
    char text[DB_ERROR_TEXT_SIZE];
    oDatabase.CopyErrorText(text, sizeof text);
    pfnStoreMessageBox(hwnd, text, "Purge Error", MB_ICONEXCLAMATION);
  }
  oDatabase.CommitTransaction();
  return oDatabase.SQLCall("vacuum");
}
