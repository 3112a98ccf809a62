#include "store/queue_record.h"

#include <commctrl.h>
#include <stdio.h>
#include <string.h>

#include "foundation/log.h"
#include "foundation/text.h"
#include "store/database.h"

void ClearQueueRecord(QueueRecord* rec) {
  rec->rowid = 0;
  rec->sort_order[0] = 0;
  rec->symbol[0] = 0;
  rec->name[0] = 0;
  rec->quote_date[0] = 0;
  rec->quote_time[0] = 0;
  rec->exdiv_date[0] = 0;
  rec->quote_status = NoValue;
  rec->stock_type = NoValue;
  rec->volume = NoValue;
  rec->sharesoutstanding = NoValue;
  rec->price = rec->change = rec->open = rec->high = rec->low = NoValue;
  rec->prev_close = rec->high52 = rec->low52 = rec->volatility = NoValue;
  rec->dividend = rec->peratio = rec->yield = NoValue;
  rec->warn_below = rec->warn_above = rec->shares_owned = rec->cost_basis = NoValue;
  rec->option_price = 0.0;
}

// A stored text longer than its field is cut to it; NULL reads as "".
static void ReadText(sqlite3_stmt* stmt, int col, char* field, size_t size) {
  CopyCut(field, size, (const char*)sqlite3_column_text(stmt, col));
}

static double ReadDouble(sqlite3_stmt* stmt, int col, double ifNull) {
  if (sqlite3_column_type(stmt, col) == SQLITE_NULL) return ifNull;
  return sqlite3_column_double(stmt, col);
}

#define TEXT_FIELD(f) {#f, offsetof(QueueRecord, f), sizeof(((QueueRecord*)0)->f)}
#define DOUBLE_FIELD(f) {#f, offsetof(QueueRecord, f)}

struct TextColumn {
  const char* name;
  size_t offset;
  size_t size;
};
struct DoubleColumn {
  const char* name;
  size_t offset;
};

static const TextColumn kTextColumns[] = {
    TEXT_FIELD(symbol),     TEXT_FIELD(portfolio_name), TEXT_FIELD(name),       TEXT_FIELD(quote_date),
    TEXT_FIELD(quote_time), TEXT_FIELD(exdiv_date),     TEXT_FIELD(sort_order),
};
static const DoubleColumn kDoubleColumns[] = {
    DOUBLE_FIELD(warn_below), DOUBLE_FIELD(warn_above), DOUBLE_FIELD(shares_owned), DOUBLE_FIELD(cost_basis),
    DOUBLE_FIELD(price),      DOUBLE_FIELD(change),     DOUBLE_FIELD(open),         DOUBLE_FIELD(high),
    DOUBLE_FIELD(low),        DOUBLE_FIELD(prev_close), DOUBLE_FIELD(high52),       DOUBLE_FIELD(low52),
    DOUBLE_FIELD(volatility), DOUBLE_FIELD(dividend),   DOUBLE_FIELD(peratio),      DOUBLE_FIELD(yield),
};

bool LoadQueueRecord(sqlite3_stmt* stmt, QueueRecord* rec, bool clearFirst) {
  if (clearFirst) ClearQueueRecord(rec);
  char* base = (char*)rec;
  int count = sqlite3_column_count(stmt);
  for (int col = 0; col < count; ++col) {
    const char* name = sqlite3_column_name(stmt, col);
    if (!name) continue;
    if (!strcmp(name, "rowid")) {
      rec->rowid = sqlite3_column_int64(stmt, col);
      continue;
    }
    if (!strcmp(name, "portfolio_rowid")) {
      rec->portfolio_rowid = sqlite3_column_int64(stmt, col);
      continue;
    }
    if (!strcmp(name, "stock_type")) {
      rec->stock_type = sqlite3_column_int(stmt, col);
      continue;
    }
    if (!strcmp(name, "quote_status")) {
      rec->quote_status = sqlite3_column_int(stmt, col);
      continue;
    }
    if (!strcmp(name, "sharesoutstanding")) {
      rec->sharesoutstanding = sqlite3_column_int(stmt, col);
      continue;
    }
    if (!strcmp(name, "volume")) {
      rec->volume = sqlite3_column_type(stmt, col) == SQLITE_NULL ? NoValue : sqlite3_column_int(stmt, col);
      continue;
    }
    if (!strcmp(name, "option_price")) {
      rec->option_price = ReadDouble(stmt, col, 0.0);
      continue;
    }
    bool done = false;
    for (const TextColumn& t : kTextColumns)
      if (!strcmp(name, t.name)) {
        ReadText(stmt, col, base + t.offset, t.size);
        done = true;
        break;
      }
    if (done) continue;
    for (const DoubleColumn& d : kDoubleColumns)
      if (!strcmp(name, d.name)) {
        *(double*)(base + d.offset) = ReadDouble(stmt, col, NoValue);
        break;
      }
  }
  return true;
}

bool LoadQueueRecordLV(HWND hListView, int row, QueueRecord* rec, int stockRowid) {
  ClearQueueRecord(rec);
  if (stockRowid < 1) {
    // Asked before the lock is taken: this may be a message to another thread's window.
    LVITEMA item;
    memset(&item, 0, sizeof item);
    item.mask = LVIF_PARAM;
    item.iItem = row;
    item.iSubItem = 0;
    if (!SendMessageA(hListView, LVM_GETITEMA, 0, (LPARAM)&item)) return false;
    stockRowid = (int)item.lParam;
  }
  return LoadQueueRecordFromSql(QUEUE_RECORD_SELECT ")" QUEUE_RECORD_TODAY "  where stock.rowid = ? ", rec,
                                "LoadQueueRecordLV",
                                [stockRowid](sqlite3_stmt* s) { sqlite3_bind_int(s, 1, stockRowid); });
}

bool LoadQueueRecordFromSql(const char* sql, QueueRecord* rec, const char* caller,
                            const std::function<void(sqlite3_stmt*)>& bind) {
  CKeptStatement kept(sql);
  if (!oDatabase.hDb) return false;  // between a close and the reopen
  if (!kept.stmt) {
    WriteLog("%s:sqlite3_prepare error: %s\n%s", caller, oDatabase.KeepLibraryError(), sql);
    return false;
  }
  bind(kept.stmt);
  bool found = false;
  while (sqlite3_step(kept.stmt) == SQLITE_ROW) {
    LoadQueueRecord(kept.stmt, rec, false);
    found = true;
  }
  return found;
}
