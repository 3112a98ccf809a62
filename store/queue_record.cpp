#include "store/queue_record.h"

#include <commctrl.h>
#include <limits.h>
#include <stdio.h>
#include <string.h>

#include <unordered_map>

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

// The library would hand over the low 32 bits of a larger stored count.
static int ReadVolume(sqlite3_stmt* stmt, int col) {
  if (sqlite3_column_type(stmt, col) == SQLITE_NULL) return NoValue;
  long long value = sqlite3_column_int64(stmt, col);
  return value < INT_MIN || value > INT_MAX ? NoValue : (int)value;
}

// How a result column is read into the record, by the column's name.
enum ColumnKind { COL_INT64, COL_INT, COL_VOLUME, COL_TEXT, COL_DOUBLE, COL_OPTION_PRICE };

struct NamedField {
  const char* name;
  ColumnKind kind;
  size_t offset;
  size_t size;
};

#define FIELD(f, kind) {#f, kind, offsetof(QueueRecord, f), sizeof(((QueueRecord*)0)->f)}

static const NamedField kFields[] = {
    FIELD(rowid, COL_INT64),          FIELD(portfolio_rowid, COL_INT64), FIELD(stock_type, COL_INT),
    FIELD(quote_status, COL_INT),     FIELD(sharesoutstanding, COL_INT), FIELD(volume, COL_VOLUME),
    FIELD(option_price, COL_OPTION_PRICE),
    FIELD(symbol, COL_TEXT),          FIELD(portfolio_name, COL_TEXT),   FIELD(name, COL_TEXT),
    FIELD(quote_date, COL_TEXT),      FIELD(quote_time, COL_TEXT),       FIELD(exdiv_date, COL_TEXT),
    FIELD(sort_order, COL_TEXT),
    FIELD(warn_below, COL_DOUBLE),    FIELD(warn_above, COL_DOUBLE),     FIELD(shares_owned, COL_DOUBLE),
    FIELD(cost_basis, COL_DOUBLE),    FIELD(price, COL_DOUBLE),          FIELD(change, COL_DOUBLE),
    FIELD(open, COL_DOUBLE),          FIELD(high, COL_DOUBLE),           FIELD(low, COL_DOUBLE),
    FIELD(prev_close, COL_DOUBLE),    FIELD(high52, COL_DOUBLE),         FIELD(low52, COL_DOUBLE),
    FIELD(volatility, COL_DOUBLE),    FIELD(dividend, COL_DOUBLE),       FIELD(peratio, COL_DOUBLE),
    FIELD(yield, COL_DOUBLE),
};

// The result columns of one statement matched to the record's fields by name, once for all its rows.
struct QueueRecordColumns {
  void Map(sqlite3_stmt* stmt);
  void Load(sqlite3_stmt* stmt, QueueRecord* rec, bool clearFirst) const;
  std::vector<int> fields;  // by result column: the field it fills, or -1
};

void QueueRecordColumns::Map(sqlite3_stmt* stmt) {
  int count = sqlite3_column_count(stmt);
  fields.assign(count > 0 ? (size_t)count : 0, -1);
  for (int col = 0; col < count; ++col) {
    const char* name = sqlite3_column_name(stmt, col);
    if (!name) continue;
    for (size_t f = 0; f < sizeof kFields / sizeof kFields[0]; ++f)
      if (!strcmp(name, kFields[f].name)) {
        fields[col] = (int)f;
        break;
      }
  }
}

void QueueRecordColumns::Load(sqlite3_stmt* stmt, QueueRecord* rec, bool clearFirst) const {
  if (clearFirst) ClearQueueRecord(rec);
  char* base = (char*)rec;
  for (size_t col = 0; col < fields.size(); ++col) {
    if (fields[col] < 0) continue;
    const NamedField& f = kFields[fields[col]];
    void* at = base + f.offset;
    int c = (int)col;
    switch (f.kind) {
      case COL_INT64: *(long long*)at = sqlite3_column_int64(stmt, c); break;
      case COL_INT: *(int*)at = sqlite3_column_int(stmt, c); break;
      case COL_VOLUME: *(int*)at = ReadVolume(stmt, c); break;
      case COL_TEXT: ReadText(stmt, c, (char*)at, f.size); break;
      case COL_DOUBLE: *(double*)at = ReadDouble(stmt, c, NoValue); break;
      case COL_OPTION_PRICE: *(double*)at = ReadDouble(stmt, c, 0.0); break;
    }
  }
}

bool LoadQueueRecord(sqlite3_stmt* stmt, QueueRecord* rec, bool clearFirst) {
  QueueRecordColumns columns;
  columns.Map(stmt);
  columns.Load(stmt, rec, clearFirst);
  return true;
}

// A stock with two quote rows today (an old file may hold them) comes twice; it reads as the last
// of them, as a load of the one stock does.
std::vector<QueueRecord> LoadQueueRecords(sqlite3_stmt* stmt) {
  std::vector<QueueRecord> records;
  std::unordered_map<long long, size_t> placed;  // stock rowid -> its record
  QueueRecordColumns columns;
  columns.Map(stmt);
  QueueRecord rec;
  memset(&rec, 0, sizeof rec);
  while (sqlite3_step(stmt) == SQLITE_ROW) {
    columns.Load(stmt, &rec, true);
    auto at = placed.emplace(rec.rowid, records.size());
    if (at.second) records.push_back(rec);
    else records[at.first->second] = rec;
  }
  return records;
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
                            const std::function<void(sqlite3_stmt*)>& bind, bool* refused) {
  CKeptStatement kept(sql);
  if (refused) *refused = false;
  if (!oDatabase.hDb) return false;  // between a close and the reopen
  int rc;
  if (!kept.stmt) {
    rc = sqlite3_errcode(oDatabase.hDb);
    WriteLog("%s:sqlite3_prepare error: %s\n%s", caller, oDatabase.KeepLibraryError(), sql);
  } else {
    bind(kept.stmt);
    bool found = false;
    while ((rc = sqlite3_step(kept.stmt)) == SQLITE_ROW) {
      LoadQueueRecord(kept.stmt, rec, false);
      found = true;
    }
    if (found) return true;
  }
  if (refused) *refused = IsRefusal(rc);
  return false;
}
