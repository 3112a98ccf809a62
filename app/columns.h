// The list's column model: which datum stands in which list column, widths, sorting and drawing.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include "resources/resource.h"

#define MAX_LIST_COLUMNS 32
#define FIELD_ID_COUNT 23  // field ids 0..22 have a datum and a title

// Field ids (ColumnFieldId).
enum {
  FLD_TICKER = 0, FLD_PRICE, FLD_CHANGE, FLD_DATE, FLD_TIME, FLD_VOLUME, FLD_LOW52, FLD_HIGH52,
  FLD_PERATIO, FLD_EXDIV, FLD_DIVIDEND, FLD_SHARES, FLD_VALUE, FLD_DAY_LOW, FLD_DAY_HIGH, FLD_NAME,
  FLD_YIELD, FLD_OPEN, FLD_PREV_CLOSE, FLD_CHANGE_PCT, FLD_COST, FLD_GAIN, FLD_SORT
};

extern const char* ColumnTitles[MAX_LIST_COLUMNS];  // slots 23..31 are NULL
extern short ColShown[MAX_LIST_COLUMNS];           // field id by list position, -1 for none
extern short ColWidth[MAX_LIST_COLUMNS];           // width by field id

extern int nSortColumn;     // list position of the sort column ([Options] SortColumn)
extern int nSortDirection;  // 0 ascending, 1 descending ([Options] SortDirection)
extern BOOL bNegativeInRed;   // [Options] NegativeInRed, default 1
extern BOOL bAlternateColor;  // [Options] AlternateColor, default 1
extern COLORREF crAltColor;   // [Options] AltColor, default F8F8F8
// Header arrows; loaded from the program's resources on first use when still NULL.
extern HBITMAP hSortDownBitmap;
extern HBITMAP hSortUpBitmap;

void LoadColumnSettings(HWND hwnd);
void SaveColumnSettings(HWND hwnd);
void SyncColumnWidths();
void CreateListColumns(HWND hwnd);
// Puts the sort arrow of nSortDirection on the header of the list position, or takes it off.
void SetSortArrow(HWND list, int position, BOOL shown);

short GetShownColumn(short position);
short GetColumnWidthById(short id);
const char* GetColumnTitle(int id);  // "" for ids without a title

// The computed cells of a row (Value, Chg(%), Gain); false when the record lacks what one needs, so
// the cell stays empty and sorts as 0.
struct QueueRecord;
bool RowValue(const QueueRecord& r, double* out);
bool RowChangePercent(const QueueRecord& r, double* out);
bool RowGain(const QueueRecord& r, double* out);

// Sorts the list by the given list position in the direction nSortDirection: every sort of the
// quote list goes through here. Each row's record is read once, by one query, at the start.
void SortStockList(HWND hListView, int column);
// The comparison of LVM_SORTITEMS: lParam1 and lParam2 are two rows' stock row ids, lParamSort the
// list position. Reads the records of the sort under way, else loads both from the store.
int CALLBACK CompareListItems(LPARAM lParam1, LPARAM lParam2, LPARAM lParamSort);
// The order of two loaded records when the list is sorted by the given list position, in the
// current direction; the list's comparison is this rule on the rows' records.
int CompareQueueRecords(const QueueRecord& a, const QueueRecord& b, LPARAM column);
int CompareInt(int a, int b);
int CompareDouble(double a, double b);

LRESULT OnListCustomDraw(NMLVCUSTOMDRAW* draw);

// Redraw of the list off while many rows are written (a fill, the quotes of one reply); back on and
// the list repainted after.
void BeginListUpdate(HWND hListView);
void EndListUpdate(HWND hListView);
