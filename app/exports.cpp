#include "app/exports.h"

#include <commctrl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "app/handles.h"
#include "foundation/log.h"
#include "foundation/text.h"
#include "store/stocks.h"
#include "store/store_quote.h"

int(WINAPI* pfnExportMessageBox)(HWND, LPCSTR, LPCSTR, UINT) = MessageBoxA;

#define METASTOCK_HEADER "<ticker>,<per>,<date>,<open>,<high>,<low>,<close>,<vol>"

static void Fixed(char* cell, double value) {
  if (value == NoValue) return;
  snprintf(cell, CELL_TEXT_SIZE, "%0.*f", nDecimalPlaces, value);
}

static void Text(char* cell, const char* text) { CopyCut(cell, CELL_TEXT_SIZE, text); }

// Plain fixed-point numbers, no grouping: the files are read by other programs.
static void FormatCellText(int field, const QueueRecord* r, const char* separator, BOOL monthFirst, char* cell) {
  cell[0] = 0;
  double v;
  switch (field) {
    case FLD_TICKER: Text(cell, r->symbol); break;
    case FLD_PRICE: Fixed(cell, r->price); break;
    case FLD_CHANGE: Fixed(cell, r->change); break;
    case FLD_DATE: FormatMonthDayWithYear(cell, CELL_TEXT_SIZE, r->quote_date, monthFirst); break;
    case FLD_TIME: Text(cell, r->quote_time); break;
    case FLD_VOLUME:
      if (r->volume != NoValue) snprintf(cell, CELL_TEXT_SIZE, "%d", r->volume);
      break;
    case FLD_LOW52: Fixed(cell, r->low52); break;
    case FLD_HIGH52: Fixed(cell, r->high52); break;
    case FLD_PERATIO:
      if (r->peratio != NoValue) snprintf(cell, CELL_TEXT_SIZE, "%0.2f", r->peratio);
      break;
    case FLD_EXDIV: Text(cell, r->exdiv_date); break;
    case FLD_DIVIDEND: Fixed(cell, r->dividend); break;
    case FLD_SHARES: Fixed(cell, r->shares_owned); break;
    case FLD_VALUE:
      if (r->shares_owned != NoValue && r->price != NoValue) Fixed(cell, r->shares_owned * r->price);
      break;
    case FLD_DAY_LOW: Fixed(cell, r->low); break;
    case FLD_DAY_HIGH: Fixed(cell, r->high); break;
    case FLD_NAME:
      Text(cell, r->name);
      if (separator[0] == ',')
        for (char* p = cell; *p; ++p)
          if (*p == ',') *p = ' ';
      break;
    case FLD_YIELD: Fixed(cell, r->yield); break;
    case FLD_OPEN: Fixed(cell, r->open); break;
    case FLD_PREV_CLOSE: Fixed(cell, r->prev_close); break;
    case FLD_CHANGE_PCT:
      if (RowChangePercent(*r, &v)) snprintf(cell, CELL_TEXT_SIZE, "%0.2f%%", v);
      break;
    case FLD_COST:
      if (r->cost_basis > 0) Fixed(cell, r->cost_basis);
      break;
    case FLD_GAIN:
      if (RowGain(*r, &v)) Fixed(cell, v);
      break;
  }
  // Names come from the network: a TAB or line break would shift every later cell of the line.
  for (char* p = cell; *p; ++p)
    if (*p == '\t' || *p == '\r' || *p == '\n') *p = ' ';
}

// FormatRowAsText of a loaded record.
static void FormatRecordAsText(const QueueRecord* rec, char* out, size_t size, const char* separator,
                               BOOL monthFirst) {
  if (!out || size == 0) return;
  out[0] = 0;
  size_t used = 0, sepLen = strlen(separator);
  for (short pos = 0; pos < MAX_LIST_COLUMNS; ++pos) {
    short field = GetShownColumn(pos);
    if (field < 0) continue;
    char cell[CELL_TEXT_SIZE];
    FormatCellText(field, rec, separator, monthFirst, cell);
    size_t len = strlen(cell);
    if (used + len + sepLen >= size) break;
    memcpy(out + used, cell, len);
    memcpy(out + used + len, separator, sepLen);
    used += len + sepLen;
    out[used] = 0;
  }
}

void FormatRowAsText(int item, char* out, size_t size, const char* separator, BOOL monthFirst) {
  QueueRecord rec;
  LoadQueueRecordLV(hListView, item, &rec, 0);  // a failed load leaves the cleared record: empty cells
  FormatRecordAsText(&rec, out, size, separator, monthFirst);
}

// The number of one or two digits at *p, moving p past it; -1 when there is none.
static int ReadDayOrMonth(const char** p) {
  int value = 0, digits = 0;
  for (; **p >= '0' && **p <= '9' && digits < 3; ++*p, ++digits) value = value * 10 + (**p - '0');
  return digits >= 1 && digits <= 2 ? value : -1;
}

void FormatMonthDayWithYear(char* out, size_t size, const char* monthDay, BOOL monthFirst) {
  CopyCut(out, size, monthDay);
  // Only two numbers are a month and a day: a source's "N/A" would otherwise become 0/0 of this year.
  const char* p = monthDay;
  int a = ReadDayOrMonth(&p);
  if (a < 0 || *p++ != '/') return;
  int b = ReadDayOrMonth(&p);
  if (b < 0 || *p) return;
  SYSTEMTIME now;
  GetLocalTime(&now);
  snprintf(out, size, "%d/%d/%d", monthFirst ? a : b, monthFirst ? b : a, now.wYear);
}

static bool IsReservedDeviceName(const char* name) {
  static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL"};
  size_t len = strcspn(name, ".");
  for (const char* d : kDevices)
    if (len == 3 && !_strnicmp(name, d, 3)) return true;
  return len == 4 && (!_strnicmp(name, "COM", 3) || !_strnicmp(name, "LPT", 3)) && name[3] >= '1' && name[3] <= '9';
}

// The per-stock file beside path: its drive and folder, the symbol made safe as a file name, ".txt".
// FALSE when it does not fit in size bytes (out then holds it cut, for the log).
static BOOL BuildSymbolExportPath(const char* path, const char* symbol, char* out, size_t size) {
  char name[MAX_SYMBOL_LENGTH + 8];
  size_t n = 0;
  name[n++] = '_';  // dropped again below unless the name is a device's
  for (const char* s = symbol; *s && n < sizeof name - 1; ++s)
    name[n++] = ((unsigned char)*s < 32 || strchr("\\/:*?\"<>|", *s)) ? '_' : *s;
  name[n] = 0;
  const char* file = IsReservedDeviceName(name + 1) ? name : name + 1;
  // The folder: everything up to the last separator, as drive and directory of the chosen path.
  size_t folder = 0;
  for (size_t i = 0; path[i]; ++i)
    if (path[i] == '\\' || path[i] == '/' || path[i] == ':') folder = i + 1;
  int len = snprintf(out, size, "%.*s%s.txt", (int)folder, path, file);
  return len >= 0 && (size_t)len < size;
}

static void NoteOpenFailure(const char* file, char* failedPath, size_t failedSize) {
  WriteLog("ExportQuoteList: cannot open %s", file);
  if (failedPath && failedSize && !failedPath[0]) CopyCut(failedPath, failedSize, file);
}

int ExportQuoteList(HWND list, const char* path, int mode, int unused, BOOL append, BOOL monthFirst,
                    BOOL filePerStock, char* failedPath, size_t failedSize) {
  if (failedPath && failedSize) failedPath[0] = 0;
  SYSTEMTIME now;
  GetLocalTime(&now);
  char today[32];
  snprintf(today, sizeof today, "%d/%d/%d", monthFirst ? now.wMonth : now.wDay, monthFirst ? now.wDay : now.wMonth,
           now.wYear);

  int count = (int)SendMessageA(list, LVM_GETITEMCOUNT, 0, 0);
  if (count < 1) return 1;

  const char* openMode = append ? "at" : "wt";  // text mode: each "\n" is written as CRLF
  FILE* f = NULL;
  bool headerWritten = false;
  int result = 1;
  char line[ROW_TEXT_SIZE];
  for (int i = 0; i < count; ++i) {
    QueueRecord rec;
    if (!LoadQueueRecordLV(list, i, &rec, 0)) continue;
    // A price line without a price would put -16384 into the other program's history.
    if (mode != EXPORT_FULL && rec.price == NoValue) continue;
    if (filePerStock) {
      if (f) fclose(f);
      f = NULL;
      char file[MAX_PATH];
      if (!BuildSymbolExportPath(path, rec.symbol, file, sizeof file) || !(f = fopen(file, openMode))) {
        // One stock's file lost; the others are still written.
        NoteOpenFailure(file, failedPath, failedSize);
        result = 0;
        continue;
      }
    } else if (!f) {
      f = fopen(path, openMode);
      if (!f) {
        NoteOpenFailure(path, failedPath, failedSize);
        return 0;
      }
    }
    switch (mode) {
      case EXPORT_QUICKEN:
        snprintf(line, sizeof line, "\"%s\",\"%0.*f\",\"%s\"", rec.symbol, nDecimalPlaces, rec.price, today);
        break;
      case EXPORT_METASTOCK: {
        double open = (rec.open == NoValue || rec.open == 0) ? rec.price : rec.open;
        double high = (rec.high == NoValue || rec.high == 0) ? rec.price : rec.high;
        double low = (rec.low == NoValue || rec.low == 0) ? rec.price : rec.low;
        if (!headerWritten) fputs(METASTOCK_HEADER "\n", f);
        headerWritten = true;
        snprintf(line, sizeof line, "%s,D,%s,%0.4f,%0.4f,%0.4f,%0.4f,%d", rec.symbol, today, open, high, low,
                 rec.price, rec.volume == NoValue ? 0 : rec.volume);
        break;
      }
      default:
        FormatRecordAsText(&rec, line, sizeof line, szDelimiter, monthFirst);
        break;
    }
    fprintf(f, "%s\n", line);
  }
  if (f) {
    fflush(f);
    fclose(f);
  }
  return result;
}

BOOL PutTextOnClipboard(HWND hwnd, HGLOBAL block) {
  if (!OpenClipboard(hwnd)) {
    WriteLog("CopyListToClipboard: cannot open the clipboard");
    GlobalFree(block);
    return FALSE;
  }
  EmptyClipboard();
  BOOL taken = SetClipboardData(CF_TEXT, block) != NULL;
  CloseClipboard();
  if (!taken) {
    WriteLog("CopyListToClipboard: the clipboard did not take the text");
    GlobalFree(block);
  }
  return taken;
}

static int ListColumnCount(HWND list) {
  int columns = 0;
  for (;; ++columns) {
    char title[200];
    LVCOLUMNA col;
    memset(&col, 0, sizeof col);
    col.mask = LVCF_TEXT;
    col.pszText = title;
    col.cchTextMax = sizeof title;
    if (!SendMessageA(list, LVM_GETCOLUMNA, columns, (LPARAM)&col)) break;
  }
  return columns;
}

void CopyListToClipboard(HWND hwnd) {
  HWND list = hListView;
  int columns = ListColumnCount(list);
  int items = (int)SendMessageA(list, LVM_GETITEMCOUNT, 0, 0);
  // As displayed; the length follows the content, so no row is cut.
  std::string text;
  for (int i = 0; i < items; ++i) {
    for (int c = 0; c < columns; ++c) {
      char cell[200] = "";
      LVITEMA item;
      memset(&item, 0, sizeof item);
      item.iSubItem = c;
      item.pszText = cell;
      item.cchTextMax = sizeof cell;
      SendMessageA(list, LVM_GETITEMTEXTA, i, (LPARAM)&item);
      cell[sizeof cell - 1] = 0;
      if (c) text += szDelimiter;
      text += cell;
    }
    text += "\r\n";
  }
  // At least the terminator: an empty list still replaces the clipboard with an empty text.
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, text.size() + 1);
  char* p = block ? (char*)GlobalLock(block) : NULL;
  if (!p) {
    if (block) GlobalFree(block);
    pfnExportMessageBox(hwnd, "Error allocating buffer", "Error", MB_OK | MB_ICONSTOP);
    return;
  }
  memcpy(p, text.c_str(), text.size() + 1);
  GlobalUnlock(block);
  PutTextOnClipboard(hwnd, block);
}
