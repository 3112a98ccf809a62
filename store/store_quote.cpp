#include "store/store_quote.h"

#include <commctrl.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <string>
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

// Writes the record into its list row (row -1: a new row at the end); the row, -1 when none was added.
static int ShowInList(HWND hListView, QueueRecord* rec, int row) {
  LVITEMA item;
  memset(&item, 0, sizeof item);
  if (row < 0) {
    item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
    item.iItem = 9999;
    item.pszText = rec->symbol;
    item.iImage = rec->quote_status;
    item.lParam = (LPARAM)rec->rowid;
    row = (int)SendMessageA(hListView, LVM_INSERTITEMA, 0, (LPARAM)&item);
    if (row < 0) return row;
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
  return row;
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

enum QuoteWrite { QW_WRITTEN, QW_REFUSED, QW_FAILED };

// The stock's name and today's quote row. Another program holding the file refuses the first statement
// already; the others are then not tried, each would wait for it again.
static QuoteWrite WriteQuoteRows(QueueRecord* rec) {
  int rc = RunBoundStatement("update stock set name = ? where rowid = ?", [rec](sqlite3_stmt* s) {
    sqlite3_bind_text(s, 1, rec->name, -1, SQLITE_STATIC);
    sqlite3_bind_int64(s, 2, rec->rowid);
  });
  if (IsRefusal(rc)) return QW_REFUSED;
  rc = RunBoundStatement(
      "update quote set stock_symbol = ?, quote_status = ?, quote_date = ?, quote_time = ?, price = ?, "
      "change = ?,        open = ?, high = ?, low = ?, volume = ?, prev_close = ?, high52 = ?, low52 = ?, "
      "volatility = ?,        exdiv_date = ?, dividend = ?, peratio = ?, yield = ?, sharesoutstanding = ?  "
      "where stock_rowid = ? and create_date = date('now', 'localtime') ",
      [rec](sqlite3_stmt* s) {
        BindQuoteFields(s, 1, rec);
        sqlite3_bind_int64(s, 20, rec->rowid);
      });
  if (IsRefusal(rc)) return QW_REFUSED;
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
    if (IsRefusal(rc)) return QW_REFUSED;
  }
  return rc == SQLITE_DONE ? QW_WRITTEN : QW_FAILED;
}

// Quotes refused while another program held the file, the newest per stock, in arrival order, each with
// the symbol its stock had then in the list. They are tried again once DB_BATCH_CHANGES more changes'
// worth of quotes came in, and at exit.
struct KeptQuote {
  QueueRecord rec;
  char stockSymbol[sizeof(QueueRecord::symbol)];
};
static std::vector<KeptQuote> vRefusedQuotes;
static int nQuotesUntilRetry = 0;
// What the open transaction holds: the stocks whose quotes it wrote and the symbols of the stocks the
// user changed in it. Emptied once the count of ended transactions moved.
static std::vector<long long> vBatchStocks;
static std::vector<std::string> vBatchEdits;
static unsigned long nBatchTransaction = 0;

static void SyncBatch() {
  if (nBatchTransaction == oDatabase.nTransactionsEnded) return;
  nBatchTransaction = oDatabase.nTransactionsEnded;
  vBatchStocks.clear();
  vBatchEdits.clear();
}

// False when the connection writes in autocommit mode: what it wrote is in the file already.
static bool InOpenBatch() {
  SyncBatch();
  return oDatabase.hDb && !sqlite3_get_autocommit(oDatabase.hDb);
}

void NoteStockEdit(const char* symbol) {
  CDbLock lock(oDatabase);
  if (!InOpenBatch()) return;
  for (const std::string& s : vBatchEdits)
    if (_stricmp(s.c_str(), symbol) == 0) return;
  vBatchEdits.push_back(symbol);
}

// The kept quote's stock as the file holds it now: its symbol into out, and its limits laid over the
// quote, whose status follows them (its stock may not have been readable when it came). SQLITE_ROW,
// SQLITE_DONE when there is no such stock, another code when it cannot be read now.
static int ReadKeptStock(QueueRecord* rec, char* out, size_t size) {
  out[0] = 0;
  return RunBoundStatement(
      "select symbol as stock_symbol, warn_below, warn_above from stock where rowid = ?",
      [rec](sqlite3_stmt* s) { sqlite3_bind_int64(s, 1, rec->rowid); },
      [rec, out, size](sqlite3_stmt* s) {
        const unsigned char* text = sqlite3_column_text(s, 0);
        CopyCut(out, size, text ? (const char*)text : "");
        LoadQueueRecord(s, rec, false);
        rec->quote_status = ComputeQuoteStatus(rec);
      });
}

// stockSymbol is the stock's symbol as the list shows it: the file may refuse even a read now, and the
// stock is checked against it when the quote is written. With refusedNow, the kept quotes are tried
// again after DB_BATCH_CHANGES / 2 more quotes, and a transaction that holds nothing is ended, so the
// next try sees the other program's changes.
static void KeepRefused(const QueueRecord& rec, const char* stockSymbol, bool refusedNow) {
  KeptQuote kept;
  kept.rec = rec;
  CopyCut(kept.stockSymbol, sizeof kept.stockSymbol, stockSymbol);
  for (size_t i = 0; i < vRefusedQuotes.size(); ++i)
    if (vRefusedQuotes[i].rec.rowid == rec.rowid) {
      vRefusedQuotes.erase(vRefusedQuotes.begin() + i);
      break;
    }
  vRefusedQuotes.push_back(kept);
  if (!refusedNow) return;
  nQuotesUntilRetry = DB_BATCH_CHANGES / 2;
  oDatabase.RestartIdleTransaction();
}

// Writes one quote and commits the batch when due.
static QuoteWrite WriteQuote(QueueRecord* rec) {
  QuoteWrite result = WriteQuoteRows(rec);
  if (result == QW_REFUSED) return result;
  if (result == QW_WRITTEN && InOpenBatch() &&
      std::find(vBatchStocks.begin(), vBatchStocks.end(), rec->rowid) == vBatchStocks.end())
    vBatchStocks.push_back(rec->rowid);
  oDatabase.CommitBatchWhenDue();
  return result;
}

// A kept quote goes only to the stock it came from: once that stock is gone, or its rowid names
// another symbol (rowids of deleted stocks are given again), the quote is dropped. False when the file
// refuses even a read: nothing could be written now, and each further read would wait again.
static bool DropQuotesOfGoneStocks() {
  for (size_t i = 0; i < vRefusedQuotes.size();) {
    KeptQuote& k = vRefusedQuotes[i];
    char symbol[sizeof k.stockSymbol];
    int rc = ReadKeptStock(&k.rec, symbol, sizeof symbol);
    if (IsRefusal(rc)) return false;
    if (rc == SQLITE_DONE || (rc == SQLITE_ROW && _stricmp(symbol, k.stockSymbol) != 0)) {
      WriteLog("StoreQuote:stock %lld (%s) has left the list: its kept quote is dropped", k.rec.rowid,
               k.stockSymbol);
      vRefusedQuotes.erase(vRefusedQuotes.begin() + i);
    } else {
      ++i;
    }
  }
  return true;
}

// The kept quotes in order, up to the first one refused again; true when none is left.
static bool WriteRefusedQuotes() {
  if (!DropQuotesOfGoneStocks()) return false;
  size_t done = 0;
  while (done < vRefusedQuotes.size() && WriteQuote(&vRefusedQuotes[done].rec) != QW_REFUSED) ++done;
  vRefusedQuotes.erase(vRefusedQuotes.begin(), vRefusedQuotes.begin() + done);
  return vRefusedQuotes.empty();
}

static void StoreQuoteRows(QueueRecord* rec, const char* stockSymbol) {
  CDbLock lock(oDatabase);
  if (!oDatabase.hDb) return;
  // A quote waits behind the refused ones until they are written.
  if (!vRefusedQuotes.empty()) {
    bool due = --nQuotesUntilRetry <= 0;
    if (!due || !WriteRefusedQuotes()) {
      KeepRefused(*rec, stockSymbol, due);
      return;
    }
  }
  if (WriteQuote(rec) != QW_REFUSED) return;
  WriteLog("StoreQuote:another program holds the file; the quote of %s is kept to be written later", rec->symbol);
  KeepRefused(*rec, stockSymbol, true);
}

// Quotes not in the file yet, one per stock: refused while another program held it, or written into
// the batch that is not committed yet.
static int UnsavedQuoteCount() {
  CDbLock lock(oDatabase);
  SyncBatch();
  int count = (int)vBatchStocks.size();
  for (const KeptQuote& k : vRefusedQuotes)
    if (std::find(vBatchStocks.begin(), vBatchStocks.end(), k.rec.rowid) == vBatchStocks.end()) ++count;
  return count;
}

// Each round holds the lock only while it writes: the wait between rounds leaves the file to others.
static bool SaveRound() {
  CDbLock lock(oDatabase);
  if (!oDatabase.hDb) return vRefusedQuotes.empty();
  if (WriteRefusedQuotes() && oDatabase.CommitTransaction()) return true;
  oDatabase.RestartIdleTransaction();
  return false;
}

// SaveRound again while another program holds the file, for up to waitMs; true when nothing is left
// unsaved.
static bool SaveQuotesNow(DWORD waitMs) {
  DWORD start = GetTickCount();
  while (!SaveRound()) {
    if (GetTickCount() - start >= waitMs) return false;
    Sleep(DB_BUSY_TIMEOUT_MS / 2);
  }
  return true;
}

// The stock changes of the open batch for the exit's box and log ("the change to IBM"); "" for none.
static void DescribeEdits(char* out, size_t size) {
  out[0] = 0;
  if (vBatchEdits.size() == 1) snprintf(out, size, "the change to %s", vBatchEdits[0].c_str());
  else if (vBatchEdits.size() > 1) snprintf(out, size, "the changes to %d stocks", (int)vBatchEdits.size());
}

// The exit's box when something cannot be saved: what could not be, and what Cancel gives up.
static bool AskRetry(int quotes, const char* edits) {
  char what[200], lost[200];
  if (quotes > 0) {
    const char* also = edits[0] ? " and " : "";
    snprintf(what, sizeof what, "the last %d quotes%s%s", quotes, also, edits);
    snprintf(lost, sizeof lost, "these %d quotes%s%s are lost", quotes, also, edits);
  } else {
    snprintf(what, sizeof what, "%s", edits[0] ? edits : "the last changes");
    snprintf(lost, sizeof lost, "%s %s lost", edits[0] ? edits : "they", vBatchEdits.size() == 1 ? "is" : "are");
  }
  char text[700];
  snprintf(text, sizeof text,
           "Another program is using the database file\n%s\nso %s could not be saved.\n\n"
           "Retry: try again.\nCancel: exit without them; %s.",
           oDatabase.szDatabasePath, what, lost);
  return pfnStoreMessageBox(NULL, text, "Saving Quotes", MB_RETRYCANCEL | MB_ICONWARNING) == IDRETRY;
}

// Writes the refused quotes and commits, trying again for a bounded time while another program holds
// the file; when something is still unsaved, an interactive exit asks the user to retry or give it up,
// an automatic one gives it up at once. What is given up is logged and rolled back; the database stays
// open. started is when the last try began. True when nothing was given up.
static bool SaveQuotesAtExit(bool automatic, DWORD* started) {
  for (*started = GetTickCount(); !SaveQuotesNow(DB_EXIT_WAIT_MS); *started = GetTickCount()) {
    int unsaved = UnsavedQuoteCount();
    char edits[80];
    DescribeEdits(edits, sizeof edits);
    if (!automatic && AskRetry(unsaved, edits)) continue;
    CDbLock lock(oDatabase);
    if (unsaved > 0)
      WriteLog("Exit:%d quotes could not be saved to %s and are lost: %s", unsaved, oDatabase.szDatabasePath,
               oDatabase.szErrorText);
    if (unsaved == 0 || edits[0])
      WriteLog("Exit:%s could not be saved to %s: %s", edits[0] ? edits : "the last changes",
               oDatabase.szDatabasePath, oDatabase.szErrorText);
    vRefusedQuotes.clear();
    oDatabase.RollBack();
    return false;
  }
  return true;
}

bool CloseStoreAtExit(bool automatic, bool purge) {
  DWORD started;
  bool saved = SaveQuotesAtExit(automatic, &started);
  if (saved && purge && oDatabase.hDb) PurgeOldQuotes(NULL);
  // The fold shares the exit's wait; a reader of an older state of the file keeps the log from emptying.
  DWORD spent = GetTickCount() - started;
  if (oDatabase.hDb && oDatabase.FoldLog(spent < DB_EXIT_WAIT_MS ? DB_EXIT_WAIT_MS - spent : 0) != 0)
    WriteLog("Exit:%s-wal holds the latest quotes and must stay beside %s", oDatabase.szDatabasePath,
             oDatabase.szDatabasePath);
  oDatabase.Close();
  return saved;
}

void StoreQuote(HWND hListView, QueueRecord* rec, bool storeToDb) {
  if (rec->rowid == 0) GetStockRowidFromDatabase(rec);
  if (rec->rowid == 0) {
    // Rows of unknown symbols would all share item data 0 and stock 0.
    WriteLog("StoreQuote:no stock for symbol %s", rec->symbol);
    return;
  }
  rec->quote_status = ComputeQuoteStatus(rec);
  int row = ShowInList(hListView, rec, FindListRow(hListView, rec->rowid));
  if (!storeToDb) return;
  char shown[sizeof rec->symbol] = "";
  if (row >= 0) ListRowSymbol(hListView, row, shown, sizeof shown);
  StoreQuoteRows(rec, shown[0] ? shown : rec->symbol);
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
  bool refused = false;
  if (LoadQueueRecordFromSql(STOCK_OVERLAY_SELECT "rowid = ? and portfolio_rowid = ?", rec, "GetStockFromDatabase",
                             [rowid](sqlite3_stmt* s) {
                               sqlite3_bind_int64(s, 1, rowid);
                               sqlite3_bind_int64(s, 2, nPortfolioRowid);
                             },
                             &refused))
    return true;
  if (!refused) return false;
  // Unread is not gone: the quote goes on to be kept while the file is held, and its stock is checked
  // when it is written.
  rec->rowid = rowid;
  return true;
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
