#include "store/store_quote.h"

#include <commctrl.h>
#include <stdio.h>
#include <string.h>

#include <vector>

#include "app/columns.h"
#include "foundation/log.h"
#include "foundation/quote_text.h"
#include "foundation/settings.h"
#include "foundation/text.h"
#include "store/database.h"
#include "store/stocks.h"

short nDecimalPlaces = 3;

#define CELL_SIZE 100  // a cell holds at most 99 characters

int ComputeQuoteStatus(const QueueRecord* rec) {
  int status = rec->quote_status;
  if ((rec->price == NoValue || rec->price == 0) && rec->name[0] == 0) status = QS_NO_DATA;
  if (rec->change != NoValue) {
    if (rec->change > 0) status = QS_UP;
    else if (rec->change < 0) status = QS_DOWN;
  }
  // A missing price can arrive as 0.0: it must not raise an alarm.
  bool havePrice = rec->price != NoValue && rec->price > 0;
  if (rec->warn_below != NoValue && havePrice && rec->warn_below > rec->price) status = QS_BELOW_LIMIT;
  if (rec->warn_above != NoValue && havePrice && rec->price > rec->warn_above) status = QS_ABOVE_LIMIT;
  return status;
}

static void Grouped(char* out, double value) {
  if (value == NoValue) return;
  FormatDoubleGrouped(out, value, nDecimalPlaces, false, CELL_SIZE);
}

static void CopyCell(char* out, const char* text) {
  snprintf(out, CELL_SIZE, "%s", text);
}

static void FormatCell(int field, const QueueRecord* r, char* out) {
  out[0] = 0;
  double v;
  switch (field) {
    case FLD_PRICE: Grouped(out, r->price); break;
    case FLD_CHANGE: Grouped(out, r->change); break;
    case FLD_DATE: CopyCell(out, r->quote_date); break;
    case FLD_TIME: CopyCell(out, r->quote_time); break;
    case FLD_VOLUME:
      if (r->volume != NoValue) FormatIntegerGrouped(out, r->volume, CELL_SIZE);
      break;
    case FLD_LOW52: Grouped(out, r->low52); break;
    case FLD_HIGH52: Grouped(out, r->high52); break;
    case FLD_PERATIO: Grouped(out, r->peratio); break;
    case FLD_EXDIV: CopyCell(out, r->exdiv_date); break;
    case FLD_DIVIDEND: Grouped(out, r->dividend); break;
    case FLD_SHARES:
      if (r->shares_owned > 0) Grouped(out, r->shares_owned);
      break;
    case FLD_VALUE:
      if (RowValue(*r, &v)) Grouped(out, v);
      break;
    case FLD_DAY_LOW: Grouped(out, r->low); break;
    case FLD_DAY_HIGH: Grouped(out, r->high); break;
    case FLD_NAME: CopyCell(out, r->name); break;
    case FLD_YIELD: Grouped(out, r->yield); break;
    case FLD_OPEN: Grouped(out, r->open); break;
    case FLD_PREV_CLOSE: Grouped(out, r->prev_close); break;
    case FLD_CHANGE_PCT:
      if (RowChangePercent(*r, &v)) FormatDoubleGrouped(out, v, 2, true, CELL_SIZE);
      break;
    case FLD_COST:
      if (r->cost_basis > 0) Grouped(out, r->cost_basis);
      break;
    case FLD_GAIN:
      if (RowGain(*r, &v)) Grouped(out, v);
      break;
    case FLD_SORT: CopyCell(out, r->sort_order); break;
  }
}

// The list row written last. The quotes of a reply come in list order, so the row after it is
// nearly always the one wanted; a row id stands in one row only, as every row is added here.
static int nLastListRow = -1;

static LPARAM RowData(HWND list, int row) {
  LVITEMA item;
  memset(&item, 0, sizeof item);
  item.mask = LVIF_PARAM;
  item.iItem = row;
  return SendMessageA(list, LVM_GETITEMA, 0, (LPARAM)&item) ? item.lParam : 0;
}

static int FindListRow(HWND list, long long rowid) {
  for (int guess : {nLastListRow + 1, nLastListRow})
    if (guess >= 0 && RowData(list, guess) == (LPARAM)rowid) return guess;
  LVFINDINFOA find;
  memset(&find, 0, sizeof find);
  find.flags = LVFI_PARAM;
  find.lParam = (LPARAM)rowid;
  return (int)SendMessageA(list, LVM_FINDITEMA, (WPARAM)-1, (LPARAM)&find);
}

// Writes the record into its list row (row -1: a new row at the end).
static void ShowInList(HWND hListView, QueueRecord* rec, int row) {
  LVITEMA item;
  memset(&item, 0, sizeof item);
  if (row < 0) {
    item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
    item.iItem = 9999;
    item.pszText = rec->symbol;
    item.iImage = rec->quote_status;
    item.lParam = (LPARAM)rec->rowid;
    row = (int)SendMessageA(hListView, LVM_INSERTITEMA, 0, (LPARAM)&item);
    if (row < 0) return;
  } else {
    item.mask = LVIF_IMAGE;
    item.iItem = row;
    item.iImage = rec->quote_status;
    SendMessageA(hListView, LVM_SETITEMA, 0, (LPARAM)&item);
  }
  nLastListRow = row;
  for (short pos = 1; pos < MAX_LIST_COLUMNS; ++pos) {
    short field = GetShownColumn(pos);
    if (field < 0) continue;
    char cell[CELL_SIZE];
    FormatCell(field, rec, cell);
    LVITEMA sub;
    memset(&sub, 0, sizeof sub);
    sub.iSubItem = pos;
    sub.pszText = cell;
    SendMessageA(hListView, LVM_SETITEMTEXTA, row, (LPARAM)&sub);
  }
}

static void BindQuoteFields(sqlite3_stmt* s, int first, QueueRecord* r) {
  int i = first;
  sqlite3_bind_text(s, i++, r->symbol, -1, SQLITE_STATIC);
  sqlite3_bind_int(s, i++, r->quote_status);
  sqlite3_bind_text(s, i++, r->quote_date, -1, SQLITE_STATIC);
  sqlite3_bind_text(s, i++, r->quote_time, -1, SQLITE_STATIC);
  sqlite3_bind_double(s, i++, r->price);
  sqlite3_bind_double(s, i++, r->change);
  sqlite3_bind_double(s, i++, r->open);
  sqlite3_bind_double(s, i++, r->high);
  sqlite3_bind_double(s, i++, r->low);
  sqlite3_bind_int(s, i++, r->volume);
  sqlite3_bind_double(s, i++, r->prev_close);
  sqlite3_bind_double(s, i++, r->high52);
  sqlite3_bind_double(s, i++, r->low52);
  sqlite3_bind_double(s, i++, r->volatility);
  sqlite3_bind_text(s, i++, r->exdiv_date, -1, SQLITE_STATIC);
  sqlite3_bind_double(s, i++, r->dividend);
  sqlite3_bind_double(s, i++, r->peratio);
  sqlite3_bind_double(s, i++, r->yield);
  sqlite3_bind_int(s, i++, r->sharesoutstanding);
}

static bool Refused(int rc) { return (rc & 0xff) == SQLITE_BUSY; }

enum QuoteWrite { QW_WRITTEN, QW_REFUSED, QW_FAILED };

// The stock's name and today's quote row. Another program holding the file refuses the first statement
// already; the others are then not tried, each would wait for it again.
static QuoteWrite WriteQuoteRows(QueueRecord* rec) {
  int rc = RunBoundStatement("update stock set name = ? where rowid = ?", [rec](sqlite3_stmt* s) {
    sqlite3_bind_text(s, 1, rec->name, -1, SQLITE_STATIC);
    sqlite3_bind_int64(s, 2, rec->rowid);
  });
  if (Refused(rc)) return QW_REFUSED;
  rc = RunBoundStatement(
      "update quote set stock_symbol = ?, quote_status = ?, quote_date = ?, quote_time = ?, price = ?, "
      "change = ?,        open = ?, high = ?, low = ?, volume = ?, prev_close = ?, high52 = ?, low52 = ?, "
      "volatility = ?,        exdiv_date = ?, dividend = ?, peratio = ?, yield = ?, sharesoutstanding = ?  "
      "where stock_rowid = ? and create_date = date('now', 'localtime') ",
      [rec](sqlite3_stmt* s) {
        BindQuoteFields(s, 1, rec);
        sqlite3_bind_int64(s, 20, rec->rowid);
      });
  if (Refused(rc)) return QW_REFUSED;
  if (rc != -1 && sqlite3_changes(oDatabase.hDb) == 0) {
    rc = RunBoundStatement(
        "insert into quote (stock_rowid, create_date, stock_symbol, quote_status, quote_date, quote_time, "
        "price, change, open, high, low, volume, prev_close, high52, low52, volatility, exdiv_date, dividend, "
        "peratio, yield, sharesoutstanding) values (?, date('now', 'localtime'), ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, "
        "?, ?, ?, ?, ?, ?, ?, ?, ?) ",
        [rec](sqlite3_stmt* s) {
          sqlite3_bind_int64(s, 1, rec->rowid);
          BindQuoteFields(s, 2, rec);
        });
    if (Refused(rc)) return QW_REFUSED;
  }
  return rc == SQLITE_DONE ? QW_WRITTEN : QW_FAILED;
}

// Quotes refused while another program held the file, the newest per stock, in arrival order. They
// are tried again once DB_BATCH_CHANGES more changes' worth of quotes came in, and at exit.
static std::vector<QueueRecord> vRefusedQuotes;
static int nQuotesUntilRetry = 0;
// Quotes written into the open transaction, which ended when the count of ended transactions moved.
static int nBatchQuotes = 0;
static unsigned long nBatchTransaction = 0;

static int QuotesInOpenBatch() {
  if (nBatchTransaction != oDatabase.nTransactionsEnded) {
    nBatchTransaction = oDatabase.nTransactionsEnded;
    nBatchQuotes = 0;
  }
  return nBatchQuotes;
}

// With restartRetry, the kept quotes are tried again after DB_BATCH_CHANGES / 2 more quotes.
static void KeepRefused(const QueueRecord& rec, bool restartRetry) {
  for (size_t i = 0; i < vRefusedQuotes.size(); ++i)
    if (vRefusedQuotes[i].rowid == rec.rowid) {
      vRefusedQuotes.erase(vRefusedQuotes.begin() + i);
      break;
    }
  vRefusedQuotes.push_back(rec);
  if (restartRetry) nQuotesUntilRetry = DB_BATCH_CHANGES / 2;
}

// Writes one quote and commits the batch when due. A refusal keeps the quote and ends a transaction
// that holds nothing, so the next try sees the other program's changes.
static QuoteWrite WriteQuote(QueueRecord* rec) {
  QuotesInOpenBatch();
  QuoteWrite result = WriteQuoteRows(rec);
  if (result == QW_REFUSED) {
    oDatabase.RestartIdleTransaction();
    return result;
  }
  if (result == QW_WRITTEN) ++nBatchQuotes;
  oDatabase.CommitBatchWhenDue();
  return result;
}

// The refused quotes in order, up to the first one refused again; true when none is left.
static bool WriteRefusedQuotes() {
  size_t done = 0;
  while (done < vRefusedQuotes.size() && WriteQuote(&vRefusedQuotes[done]) != QW_REFUSED) ++done;
  vRefusedQuotes.erase(vRefusedQuotes.begin(), vRefusedQuotes.begin() + done);
  return vRefusedQuotes.empty();
}

static void StoreQuoteRows(QueueRecord* rec) {
  CDbLock lock(oDatabase);
  if (!oDatabase.hDb) return;
  // A quote waits behind the refused ones until they are written.
  if (!vRefusedQuotes.empty()) {
    bool due = --nQuotesUntilRetry <= 0;
    if (!due || !WriteRefusedQuotes()) {
      KeepRefused(*rec, due);
      return;
    }
  }
  if (WriteQuote(rec) != QW_REFUSED) return;
  WriteLog("StoreQuote:another program holds the file; the quote of %s is kept to be written later", rec->symbol);
  KeepRefused(*rec, true);
}

// Quotes not in the file yet: refused while another program held it, or written into the batch that
// is not committed yet.
static int UnsavedQuoteCount() {
  CDbLock lock(oDatabase);
  return (int)vRefusedQuotes.size() + QuotesInOpenBatch();
}

// Each round holds the lock only while it writes: the wait between rounds leaves the file to others.
static bool SaveRound() {
  CDbLock lock(oDatabase);
  if (!oDatabase.hDb) return vRefusedQuotes.empty();
  return WriteRefusedQuotes() && oDatabase.CommitTransaction();
}

// SaveRound again while another program holds the file, for up to waitMs; true when no quote is left
// unsaved.
static bool SaveQuotesNow(DWORD waitMs) {
  DWORD start = GetTickCount();
  while (!SaveRound()) {
    if (GetTickCount() - start >= waitMs) return false;
    Sleep(DB_BUSY_TIMEOUT_MS / 2);
  }
  return true;
}

int SaveQuotesAtExit(bool automatic) {
  while (!SaveQuotesNow(DB_EXIT_WAIT_MS)) {
    int unsaved = UnsavedQuoteCount();
    if (!automatic) {
      char text[600];
      snprintf(text, sizeof text,
               "Another program is using the database file\n%s\nso the last %d quotes could not be saved.\n\n"
               "Retry: try again.\nCancel: exit without them; these %d quotes are lost.",
               oDatabase.szDatabasePath, unsaved, unsaved);
      if (pfnStoreMessageBox(NULL, text, "Saving Quotes", MB_RETRYCANCEL | MB_ICONWARNING) == IDRETRY) continue;
    }
    CDbLock lock(oDatabase);
    WriteLog("Exit:%d quotes could not be saved to %s and are lost: %s", unsaved, oDatabase.szDatabasePath,
             oDatabase.szErrorText);
    vRefusedQuotes.clear();
    oDatabase.Discard();
    return unsaved;
  }
  return 0;
}

void StoreQuote(HWND hListView, QueueRecord* rec, bool storeToDb) {
  if (rec->rowid == 0) GetStockRowidFromDatabase(rec);
  if (rec->rowid == 0) {
    // Rows of unknown symbols would all share item data 0 and stock 0.
    WriteLog("StoreQuote:no stock for symbol %s", rec->symbol);
    return;
  }
  rec->quote_status = ComputeQuoteStatus(rec);
  ShowInList(hListView, rec, FindListRow(hListView, rec->rowid));
  if (storeToDb) StoreQuoteRows(rec);
}

void AppendQuoteRow(HWND hListView, QueueRecord* rec) {
  rec->quote_status = ComputeQuoteStatus(rec);
  ShowInList(hListView, rec, -1);
}

bool GetStockRowidFromDatabase(QueueRecord* rec) {
  rec->symbol[sizeof rec->symbol - 1] = 0;
  UpperCase(rec->symbol);
  return LoadQueueRecordFromSql(STOCK_OVERLAY_SELECT "upper(symbol) = ? and portfolio_rowid = ?", rec,
                                "GetStockRowidFromDatabase", [rec](sqlite3_stmt* s) {
                                  sqlite3_bind_text(s, 1, rec->symbol, -1, SQLITE_STATIC);
                                  sqlite3_bind_int64(s, 2, nPortfolioRowid);
                                });
}

bool GetStockFromDatabase(QueueRecord* rec, long long rowid) {
  return LoadQueueRecordFromSql(STOCK_OVERLAY_SELECT "rowid = ? and portfolio_rowid = ?", rec,
                                "GetStockFromDatabase", [rowid](sqlite3_stmt* s) {
                                  sqlite3_bind_int64(s, 1, rowid);
                                  sqlite3_bind_int64(s, 2, nPortfolioRowid);
                                });
}

void LoadStockIniSettingsKey(HWND hwnd, QueueRecord* rec, const char* key) {
  char value[100];
  IniGetString(hwnd, "Stocks", key, value, sizeof value, "0.0,0.0,0,0.0,0.0");
  // A value with fewer than five numbers keeps the default text's numbers for the rest.
  double below = 0.0, above = 0.0, shares = 0.0, cost = 0.0;
  int market = 0;
  sscanf(value, "%lf,%lf,%d,%lf,%lf", &below, &above, &market, &shares, &cost);
  if (below > 0) rec->warn_below = below;
  if (above > 0) rec->warn_above = above;
  if (shares >= 0) rec->shares_owned = shares;
  if (cost >= 0) rec->cost_basis = cost;
  rec->stock_type = (market >= 0 && market <= 6) ? market : 0;
}

void LoadStockIniSettings(HWND hwnd, QueueRecord* rec) { LoadStockIniSettingsKey(hwnd, rec, rec->symbol); }
