#include "app/columns.h"

#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <vector>

#include "app/handles.h"
#include "foundation/log.h"
#include "foundation/settings.h"
#include "store/database.h"
#include "store/queue_record.h"
#include "store/stocks.h"

const char* ColumnTitles[MAX_LIST_COLUMNS] = {
    "Ticker",   "Price",   "Change",   "Date",     "Time",     "Volume",    "52 Low", "52 High",
    "P/E Ratio", "ExDiv Date", "Dividend", "Shares", "Value", "Day Low", "Day High", "Full Name",
    "Yield",    "Open",    "Prev Close", "Chg(%)", "Cost",     "Gain",      "Sort",   NULL,
    NULL,       NULL,      NULL,       NULL,       NULL,       NULL,        NULL,     NULL,
};
short ColShown[MAX_LIST_COLUMNS];
short ColWidth[MAX_LIST_COLUMNS];
int nSortColumn = 0;
int nSortDirection = 0;
BOOL bNegativeInRed = 1;
BOOL bAlternateColor = 1;
COLORREF crAltColor = 0xF8F8F8;
HBITMAP hSortDownBitmap = NULL;
HBITMAP hSortUpBitmap = NULL;

// Calls fn(pieceIndex, piece) for each comma-separated piece, at most MAX_LIST_COLUMNS of them.
template <typename F>
static void ForEachPiece(const char* text, F fn) {
  int n = 0;
  const char* p = text;
  while (n < MAX_LIST_COLUMNS) {
    const char* comma = strchr(p, ',');
    size_t len = comma ? (size_t)(comma - p) : strlen(p);
    char piece[32];
    if (len >= sizeof piece) len = sizeof piece - 1;
    memcpy(piece, p, len);
    piece[len] = 0;
    fn(n, piece);
    ++n;
    if (!comma) break;
    p = comma + 1;
  }
}

static bool IsBlankText(const char* s) {
  for (; *s; ++s)
    if (*s != ' ' && *s != '\t') return false;
  return true;
}

static HWND ListOf(HWND hwnd) {
  if (hListView) return hListView;
  return hwnd ? GetDlgItem(hwnd, IDC_LISTVIEW) : NULL;
}

void LoadColumnSettings(HWND hwnd) {
  for (int i = 0; i < MAX_LIST_COLUMNS; ++i) ColWidth[i] = 50;
  ColWidth[FLD_TICKER] = 96;
  ColWidth[FLD_PRICE] = 72;
  ColWidth[FLD_CHANGE] = 62;
  ColWidth[FLD_DATE] = 54;
  ColWidth[FLD_TIME] = 57;
  ColWidth[FLD_NAME] = 164;
  for (int i = 0; i < MAX_LIST_COLUMNS; ++i) ColShown[i] = -1;

  // Shown ids are packed from slot 0 on, so a slot number is always the list position. Only ids
  // with a datum and a title are taken; Ticker always stands first, whatever piece 0 says.
  char text[300];
  IniGetString(hwnd, "Options", "ColShown", text, sizeof text, "0,15,1,2,3,4");
  ColShown[0] = FLD_TICKER;
  int next = 1;
  ForEachPiece(text, [&next](int n, const char* piece) {
    if (n == 0) return;
    const char* d = piece;
    while (*d == ' ' || *d == '\t') ++d;
    if (*d == '+') ++d;
    if (*d < '0' || *d > '9') return;  // negative or not a number
    unsigned short id = (unsigned short)atoi(piece);
    if (id < FIELD_ID_COUNT && next < MAX_LIST_COLUMNS) ColShown[next++] = (short)id;
  });

  // An empty piece (or an empty text) keeps the default width.
  IniGetString(hwnd, "Options", "ColWidth", text, sizeof text, "");
  if (text[0]) {
    ForEachPiece(text, [](int n, const char* piece) {
      if (IsBlankText(piece)) return;
      int w = (short)atoi(piece);
      if (w < 10) w = 10;
      if (w > 300) w = 300;
      ColWidth[n] = (short)w;
    });
  }
  // The arrow (not 0: down) and the order (1 or more: descending) must agree.
  nSortDirection = nSortDirection > 0 ? 1 : 0;
}

// "a,b,c..." of the 32 values; room for 32 x "-32768" and the commas.
static void JoinShorts(const short* values, char* out, size_t size) {
  size_t used = 0;
  out[0] = 0;
  for (int i = 0; i < MAX_LIST_COLUMNS && used < size; ++i) {
    int n = snprintf(out + used, size - used, i ? ",%d" : "%d", values[i]);
    if (n < 0) break;
    used += (size_t)n;
  }
}

void SaveColumnSettings(HWND hwnd) {
  char text[MAX_LIST_COLUMNS * 7 + 8];
  char number[16];
  JoinShorts(ColShown, text, sizeof text);
  IniPutString(hwnd, "Options", "ColShown", text);
  SyncColumnWidths();
  JoinShorts(ColWidth, text, sizeof text);
  IniPutString(hwnd, "Options", "ColWidth", text);
  snprintf(number, sizeof number, "%d", nSortColumn);
  IniPutString(hwnd, "Options", "SortColumn", number);
  snprintf(number, sizeof number, "%d", nSortDirection);
  IniPutString(hwnd, "Options", "SortDirection", number);
}

void SyncColumnWidths() {
  HWND list = ListOf(hMainWnd);
  if (!list) return;
  for (int pos = 0; pos < MAX_LIST_COLUMNS; ++pos) {
    short id = ColShown[pos];
    if (id < 0 || id >= MAX_LIST_COLUMNS) continue;
    ColWidth[id] = (short)SendMessageA(list, LVM_GETCOLUMNWIDTH, pos, 0);
  }
}

void CreateListColumns(HWND hwnd) {
  HWND list = ListOf(hwnd);
  if (!list) return;
  SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
  while (SendMessageA(list, LVM_DELETECOLUMN, 0, 0)) {
  }
  if (!hSortDownBitmap) hSortDownBitmap = LoadBitmapA(hInst, MAKEINTRESOURCEA(IDB_SORTDOWN));
  if (!hSortUpBitmap) hSortUpBitmap = LoadBitmapA(hInst, MAKEINTRESOURCEA(IDB_SORTUP));

  int insertAt = 0;
  for (int slot = 0; slot < MAX_LIST_COLUMNS; ++slot) {
    short id = ColShown[slot];
    if (id < 0) continue;
    LVCOLUMNA col;
    memset(&col, 0, sizeof col);
    col.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    col.fmt = (id == FLD_TICKER || id == FLD_NAME || id == FLD_SORT) ? LVCFMT_LEFT : LVCFMT_RIGHT;
    col.cx = GetColumnWidthById(id);
    col.pszText = (char*)GetColumnTitle(id);
    col.iSubItem = 0;
    if (SendMessageA(list, LVM_INSERTCOLUMNA, insertAt, (LPARAM)&col) < 0) break;
    if (insertAt == nSortColumn) SetSortArrow(list, insertAt, TRUE);
    ++insertAt;
  }
}

void SetSortArrow(HWND list, int position, BOOL shown) {
  HWND header = (HWND)SendMessageA(list, LVM_GETHEADER, 0, 0);
  HDITEMA item;
  memset(&item, 0, sizeof item);
  item.mask = HDI_FORMAT | HDI_BITMAP;
  // A position past the last column is left alone rather than written back half-filled.
  if (!SendMessageA(header, HDM_GETITEMA, (WPARAM)position, (LPARAM)&item)) return;
  if (shown) {
    item.fmt |= HDF_BITMAP | HDF_BITMAP_ON_RIGHT;
    item.hbm = nSortDirection > 0 ? hSortDownBitmap : hSortUpBitmap;
  } else {
    item.fmt &= ~(HDF_BITMAP | HDF_BITMAP_ON_RIGHT);
    item.hbm = NULL;
  }
  SendMessageA(header, HDM_SETITEMA, (WPARAM)position, (LPARAM)&item);
}

short GetShownColumn(short position) {
  if ((unsigned short)position >= MAX_LIST_COLUMNS) return -1;
  return ColShown[position];
}

short GetColumnWidthById(short id) {
  if ((unsigned short)id >= MAX_LIST_COLUMNS) return -1;
  return ColWidth[id];
}

const char* GetColumnTitle(int id) {
  if (id < 0 || id >= MAX_LIST_COLUMNS || !ColumnTitles[id]) return "";
  return ColumnTitles[id];
}

int CompareInt(int a, int b) {
  if (a == b) return 0;
  return a > b ? 1 : -1;
}

// NaN equals NaN and stands below every number, so the order stays consistent.
int CompareDouble(double a, double b) {
  bool na = isnan(a), nb = isnan(b);
  if (na || nb) return na == nb ? 0 : (na ? -1 : 1);
  if (a == b) return 0;
  return a > b ? 1 : -1;
}

bool RowValue(const QueueRecord& r, double* out) {
  if (!(r.shares_owned > 0 && r.price != NoValue)) return false;
  *out = r.shares_owned * r.price;
  return true;
}

// A missing change is -16384, not a change: without its test it would show as "-99.94%".
bool RowChangePercent(const QueueRecord& r, double* out) {
  if (!(r.price > 0 && r.change != NoValue && r.change != 0 && r.price - r.change != 0)) return false;
  *out = 100 * r.change / (r.price - r.change);
  return true;
}

bool RowGain(const QueueRecord& r, double* out) {
  if (!(r.cost_basis > 0 && r.price > 0 && r.shares_owned > 0)) return false;
  *out = r.shares_owned * r.price - r.cost_basis;
  return true;
}

static double SortKey(bool (*derive)(const QueueRecord&, double*), const QueueRecord& r) {
  double v;
  return derive(r, &v) ? v : 0;
}

// Index symbols ("^DJI") sort ahead of letters.
static void TickerKey(const char* symbol, char* out, size_t size) {
  snprintf(out, size, symbol[0] == '^' ? "@%s" : "%s", symbol);
}

static int CompareFields(int field, const QueueRecord& a, const QueueRecord& b) {
  switch (field) {
    case FLD_TICKER: {
      char ka[sizeof a.symbol + 2], kb[sizeof b.symbol + 2];
      TickerKey(a.symbol, ka, sizeof ka);
      TickerKey(b.symbol, kb, sizeof kb);
      return _stricmp(ka, kb);
    }
    case FLD_PRICE: return CompareDouble(a.price, b.price);
    case FLD_CHANGE: return CompareDouble(a.change, b.change);
    case FLD_DATE: return strcmp(a.quote_date, b.quote_date);
    case FLD_TIME: return strcmp(a.quote_time, b.quote_time);
    case FLD_VOLUME: return CompareInt(a.volume, b.volume);
    case FLD_LOW52: return CompareDouble(a.low52, b.low52);
    case FLD_HIGH52: return CompareDouble(a.high52, b.high52);
    case FLD_PERATIO: return CompareDouble(a.peratio, b.peratio);
    case FLD_EXDIV: return strcmp(a.exdiv_date, b.exdiv_date);
    case FLD_DIVIDEND: return CompareDouble(a.dividend, b.dividend);
    case FLD_SHARES: return CompareDouble(a.shares_owned, b.shares_owned);
    case FLD_VALUE: return CompareDouble(SortKey(RowValue, a), SortKey(RowValue, b));
    case FLD_DAY_LOW: return CompareDouble(a.low, b.low);
    case FLD_DAY_HIGH: return CompareDouble(a.high, b.high);
    case FLD_NAME: return _stricmp(a.name, b.name);
    case FLD_YIELD: return CompareDouble(a.yield, b.yield);
    case FLD_OPEN: return CompareDouble(a.open, b.open);
    case FLD_PREV_CLOSE: return CompareDouble(a.prev_close, b.prev_close);
    case FLD_CHANGE_PCT: return CompareDouble(SortKey(RowChangePercent, a), SortKey(RowChangePercent, b));
    case FLD_COST: return CompareDouble(a.cost_basis, b.cost_basis);
    case FLD_GAIN: return CompareDouble(SortKey(RowGain, a), SortKey(RowGain, b));
    case FLD_SORT: return _stricmp(a.sort_order, b.sort_order);
  }
  return 0;
}

int CompareQueueRecords(const QueueRecord& a, const QueueRecord& b, LPARAM column) {
  int field = (unsigned short)column < MAX_LIST_COLUMNS ? ColShown[(unsigned short)column] : -1;
  int answer;
  if (field < 0 || field >= FIELD_ID_COUNT)
    answer = a.rowid > b.rowid ? -1 : (a.rowid < b.rowid ? 1 : 0);
  else
    answer = CompareFields(field, a, b);
  // strcmp-style results are only signed; keep them as they are.
  return nSortDirection > 0 ? -answer : answer;
}

// The records of the sort under way, by row id. Records cannot change while it runs: the list is
// sorted on the main thread, where every record is written.
static const std::vector<QueueRecord>* pSortRecords = NULL;

static bool ByRowid(const QueueRecord& a, const QueueRecord& b) { return a.rowid < b.rowid; }

static const QueueRecord* SortRecord(LPARAM id) {
  QueueRecord key;
  key.rowid = (long long)id;
  auto it = std::lower_bound(pSortRecords->begin(), pSortRecords->end(), key, ByRowid);
  return it != pSortRecords->end() && it->rowid == (long long)id ? &*it : NULL;
}

int CALLBACK CompareListItems(LPARAM lParam1, LPARAM lParam2, LPARAM lParamSort) {
  if (pSortRecords) {
    const QueueRecord* a = SortRecord(lParam1);
    const QueueRecord* b = SortRecord(lParam2);
    if (!a || !b) return 0;
    return CompareQueueRecords(*a, *b, lParamSort);
  }
  QueueRecord a, b;
  if (!LoadQueueRecordLV(hListView, 0, &a, (int)lParam1)) return 0;
  if (!LoadQueueRecordLV(hListView, 0, &b, (int)lParam2)) return 0;
  return CompareQueueRecords(a, b, lParamSort);
}

// Every record of the list's rows, by row id: the portfolio's stocks by one query, and any row of
// another stock by its own load. A row whose record cannot be loaded has none.
static std::vector<QueueRecord> ReadSortRecords(HWND list) {
  std::vector<LPARAM> ids((size_t)SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
  for (size_t i = 0; i < ids.size(); ++i) {
    LVITEMA item;
    memset(&item, 0, sizeof item);
    item.mask = LVIF_PARAM;
    item.iItem = (int)i;
    SendMessageA(list, LVM_GETITEMA, 0, (LPARAM)&item);
    ids[i] = item.lParam;
  }
  std::vector<QueueRecord> records;
  {
    static const char sql[] = QUEUE_RECORD_SELECT " and portfolio.rowid = ?)" QUEUE_RECORD_TODAY;
    CKeptStatement kept(sql);
    if (kept.stmt) {
      sqlite3_bind_int64(kept.stmt, 1, nPortfolioRowid);
      records = LoadQueueRecords(kept.stmt);
    } else if (oDatabase.hDb) {
      WriteLog("SortStockList:sqlite3_prepare error: %s\n%s", oDatabase.KeepLibraryError(), sql);
    }
  }
  // The reader gives one record per stock, so a sort by rowid makes them searchable.
  std::sort(records.begin(), records.end(), ByRowid);

  size_t found = records.size();
  for (LPARAM id : ids) {
    QueueRecord key;
    key.rowid = (long long)id;
    if (std::binary_search(records.begin(), records.begin() + found, key, ByRowid)) continue;
    QueueRecord rec;
    if (LoadQueueRecordLV(list, 0, &rec, (int)id) && rec.rowid == (long long)id) records.push_back(rec);
  }
  if (records.size() > found) std::stable_sort(records.begin(), records.end(), ByRowid);
  return records;
}

void SortStockList(HWND hListView, int column) {
  std::vector<QueueRecord> records = ReadSortRecords(hListView);
  pSortRecords = &records;
  SendMessageA(hListView, LVM_SORTITEMS, (WPARAM)column, (LPARAM)CompareListItems);
  pSortRecords = NULL;
}

void BeginListUpdate(HWND hListView) { SendMessageA(hListView, WM_SETREDRAW, FALSE, 0); }

void EndListUpdate(HWND hListView) {
  SendMessageA(hListView, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(hListView, NULL, TRUE);
}

LRESULT OnListCustomDraw(NMLVCUSTOMDRAW* draw) {
  switch (draw->nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
    case CDDS_ITEMPREPAINT:
      return CDRF_NOTIFYSUBITEMDRAW;
    case CDDS_ITEMPREPAINT | CDDS_SUBITEM: {
      LRESULT answer = CDRF_DODEFAULT;
      if (bNegativeInRed) {
        char text[501];
        LVITEMA item;
        memset(&item, 0, sizeof item);
        item.iSubItem = draw->iSubItem;
        item.pszText = text;
        item.cchTextMax = 500;
        text[0] = 0;
        SendMessageA(draw->nmcd.hdr.hwndFrom, LVM_GETITEMTEXTA, draw->nmcd.dwItemSpec, (LPARAM)&item);
        text[500] = 0;
        draw->clrText = (text[0] == '(' || text[0] == '-') ? RGB(255, 0, 0) : RGB(0, 0, 0);
        draw->clrTextBk = RGB(255, 255, 255);
        answer = CDRF_NEWFONT;
      }
      if (bAlternateColor && (draw->nmcd.dwItemSpec & 1)) {
        draw->clrTextBk = crAltColor;
        answer = CDRF_NEWFONT;
      }
      return answer;
    }
  }
  return CDRF_DODEFAULT;
}
