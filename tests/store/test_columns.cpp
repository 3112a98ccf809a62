// The column model: settings, header, sorting and custom drawing of the quote list.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <math.h>

#include <string>
#include <vector>

#include "app/columns.h"
#include "app/handles.h"
#include "foundation/settings.h"
#include "store/database.h"
#include "store/schema.h"
#include "store/stocks.h"

#include "tests/store/test_support.h"

static std::vector<int> Shown() {
  std::vector<int> v;
  for (int i = 0; i < MAX_LIST_COLUMNS && ColShown[i] >= 0; ++i) v.push_back(ColShown[i]);
  for (int i = (int)v.size(); i < MAX_LIST_COLUMNS; ++i) EXPECT_EQ(ColShown[i], -1) << "slot " << i;
  return v;
}

TEST(ColumnModel, LoadingPacksValidIdsAndKeepsDefaultWidths) {
  struct Case {
    const char* shown;
    std::vector<int> expected;
  } cases[] = {
      {"", {0, 15, 1, 2, 3, 4}},  // key missing below
      {"5,1", {0, 1}},
      {"0,40,2", {0, 2}},
      {"0,-3,2", {0, 2}},
      {"0,23,31,x,,7", {0, 7}},  // ids without a title are not shown
      {"0,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,2,3", std::vector<int>(32, 1)},
  };
  cases[5].expected[0] = 0;
  cases[5].expected[31] = 2;
  for (const Case& c : cases) {
    FreshStore("colshown", c.shown[0] ? std::string("[Options]\r\nColShown=") + c.shown + "\r\n" : "");
    LoadColumnSettings(NULL);
    EXPECT_EQ(Shown(), c.expected) << c.shown;
  }

  struct Width {
    const char* text;
    short ticker, price, change, date, time, name, other;
  } widths[] = {
      {"", 96, 72, 62, 54, 57, 164, 50},
      {"5,400", 10, 300, 62, 54, 57, 164, 50},
      {",,,70,abc", 96, 72, 62, 70, 10, 164, 50},
  };
  for (const Width& w : widths) {
    FreshStore("colwidth", std::string("[Options]\r\nColWidth=") + w.text + "\r\n");
    LoadColumnSettings(NULL);
    EXPECT_EQ(ColWidth[0], w.ticker) << w.text;
    EXPECT_EQ(ColWidth[1], w.price) << w.text;
    EXPECT_EQ(ColWidth[2], w.change) << w.text;
    EXPECT_EQ(ColWidth[3], w.date) << w.text;
    EXPECT_EQ(ColWidth[4], w.time) << w.text;
    EXPECT_EQ(ColWidth[15], w.name) << w.text;
    EXPECT_EQ(ColWidth[22], w.other) << w.text;
  }
  EXPECT_STREQ(GetColumnTitle(22), "Sort");
  EXPECT_STREQ(GetColumnTitle(23), "");
  EXPECT_STREQ(GetColumnTitle(31), "");
  EXPECT_EQ(GetShownColumn(-1), -1);
  EXPECT_EQ(GetShownColumn(32), -1);
  EXPECT_EQ(GetColumnWidthById(40), -1);
}

TEST(ColumnModel, SavedTextsHoldAllValues) {
  FreshStore("colsave", "");
  HWND saved = hListView;
  hListView = NULL;  // nothing to sync from
  for (int i = 0; i < MAX_LIST_COLUMNS; ++i) ColShown[i] = ColWidth[i] = -32768;
  nSortColumn = 2;
  nSortDirection = 1;
  SaveColumnSettings(NULL);
  hListView = saved;
  std::string all = "-32768";
  for (int i = 1; i < MAX_LIST_COLUMNS; ++i) all += ",-32768";
  char text[400];
  IniGetString(NULL, "Options", "ColWidth", text, sizeof text, "");
  EXPECT_EQ(std::string(text), all);
  IniGetString(NULL, "Options", "ColShown", text, sizeof text, "");
  EXPECT_EQ(std::string(text), all);
  EXPECT_EQ(IniGetInt(NULL, "Options", "SortDirection", 0), 1);
}

TEST(ColumnModel, HeaderFollowsTheShownColumns) {
  FreshStore("header", "");
  MakeList("0,40,2,19");
  HWND header = (HWND)SendMessageA(hListView, LVM_GETHEADER, 0, 0);
  ASSERT_EQ(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0), 3);
  const char* titles[] = {"Ticker", "Change", "Chg(%)"};
  for (int i = 0; i < 3; ++i) {
    char buf[40] = "";
    LVCOLUMNA col = {};
    col.mask = LVCF_TEXT | LVCF_WIDTH;
    col.pszText = buf;
    col.cchTextMax = sizeof buf;
    ASSERT_TRUE(SendMessageA(hListView, LVM_GETCOLUMNA, i, (LPARAM)&col));
    EXPECT_STREQ(buf, titles[i]);
  }
  EXPECT_EQ(SendMessageA(hListView, LVM_GETCOLUMNWIDTH, 1, 0), 62);
  SendMessageA(hListView, LVM_SETCOLUMNWIDTH, 2, 77);
  SyncColumnWidths();
  EXPECT_EQ(ColWidth[19], 77);
}

// Any direction not above 0 sorts ascending, and the header then shows the up arrow.
TEST(ColumnModel, SortArrowAgreesWithTheOrder) {
  FreshStore("arrow", "[Options]\r\nStocksInDatabase=1\r\n");
  HBITMAP down = CreateBitmap(1, 1, 1, 1, NULL), up = CreateBitmap(1, 1, 1, 1, NULL);
  hSortDownBitmap = down;
  hSortUpBitmap = up;
  nSortColumn = 0;
  for (int direction : {-1, 0, 1, 2}) {
    nSortDirection = direction;
    MakeList("0,1");  // loads the settings and builds the header
    HWND header = (HWND)SendMessageA(hListView, LVM_GETHEADER, 0, 0);
    HDITEMA hd = {};
    hd.mask = HDI_BITMAP | HDI_FORMAT;
    ASSERT_TRUE(SendMessageA(header, HDM_GETITEMA, 0, (LPARAM)&hd));
    EXPECT_EQ(hd.hbm, direction > 0 ? down : up) << direction;
    EXPECT_EQ(nSortDirection, direction > 0 ? 1 : 0);

    InitLoadStocks(hListView);
    if (direction == -1) {
      SaveStockRecord(0, "AAPL", 0, 0, 0, 0, 0, "");
      SaveStockRecord(0, "^GSPC", 0, 0, 0, 0, 0, "");
      InitLoadStocks(hListView);
    }
    nSortDirection = direction;  // as read, before any normalising
    SendMessageA(hListView, LVM_SORTITEMS, 0, (LPARAM)CompareListItems);
    EXPECT_EQ(CellText(0, 0), direction > 0 ? "AAPL" : "^GSPC") << direction;
  }
  nSortDirection = 0;
  hSortDownBitmap = hSortUpBitmap = NULL;
  DeleteObject(down);
  DeleteObject(up);
  oDatabase.Close();
}

TEST(ColumnModel, CompareDoubleIsAnOrderEvenWithNaN) {
  double nan = NAN;
  EXPECT_EQ(CompareDouble(1.0, 2.0), -1);
  EXPECT_EQ(CompareDouble(2.0, 1.0), 1);
  EXPECT_EQ(CompareDouble(2.0, 2.0), 0);
  EXPECT_EQ(CompareDouble(nan, nan), 0);
  EXPECT_EQ(CompareDouble(nan, -16384.0), -1);
  EXPECT_EQ(CompareDouble(-16384.0, nan), 1);
  EXPECT_EQ(CompareInt(3, 3), 0);
  EXPECT_EQ(CompareInt(-3, 3), -1);
}

TEST(ColumnModel, SortingTheList) {
  FreshStore("sort", "[Options]\r\nStocksInDatabase=1\r\n");
  MakeList("0,1,3");
  InitLoadStocks(hListView);
  const char* symbols[] = {"AAPL", "ibm", "^GSPC", "IBM"};
  long long ids[4];
  for (int i = 0; i < 4; ++i) {  // not through the dialog's save, which would merge ibm and IBM
    char sql[100];
    snprintf(sql, sizeof sql, "insert into stock (portfolio_rowid, symbol) values (%lld, '%s')", nPortfolioRowid,
             symbols[i]);
    oDatabase.SQLCall(sql);
    ids[i] = oDatabase.LastInsertRowid();
  }
  nSortDirection = 0;
  EXPECT_LT(CompareListItems((LPARAM)ids[2], (LPARAM)ids[0], 0), 0);
  EXPECT_EQ(CompareListItems((LPARAM)ids[1], (LPARAM)ids[3], 0), 0);
  EXPECT_EQ(CompareListItems((LPARAM)ids[0], 999, 0), 0);  // a row that cannot be loaded
  // an empty position orders by row id, larger first
  EXPECT_GT(CompareListItems((LPARAM)ids[0], (LPARAM)ids[2], 5), 0);

  InitLoadStocks(hListView);
  ASSERT_EQ(ListRows(), 4);
  SendMessageA(hListView, LVM_SORTITEMS, 0, (LPARAM)CompareListItems);
  EXPECT_EQ(CellText(0, 0), "^GSPC");
  EXPECT_EQ(CellText(1, 0), "AAPL");
  nSortDirection = 1;
  SendMessageA(hListView, LVM_SORTITEMS, 0, (LPARAM)CompareListItems);
  EXPECT_EQ(CellText(3, 0), "^GSPC");
  nSortDirection = 0;
  oDatabase.Close();
}

TEST(ColumnModel, CustomDrawColours) {
  FreshStore("draw", "");
  MakeList("0,2");
  LVITEMA item = {};
  item.mask = LVIF_TEXT;
  const char* cells[] = {"-0.25", "(0.25)", "0.25"};
  for (int i = 0; i < 3; ++i) {
    item.iItem = i;
    item.pszText = (char*)"X";
    SendMessageA(hListView, LVM_INSERTITEMA, 0, (LPARAM)&item);
    LVITEMA sub = {};
    sub.iSubItem = 1;
    sub.pszText = (char*)cells[i];
    SendMessageA(hListView, LVM_SETITEMTEXTA, i, (LPARAM)&sub);
  }
  bNegativeInRed = TRUE;
  bAlternateColor = TRUE;
  crAltColor = RGB(1, 2, 3);
  NMLVCUSTOMDRAW cd = {};
  cd.nmcd.hdr.hwndFrom = hListView;
  cd.nmcd.dwDrawStage = CDDS_PREPAINT;
  EXPECT_EQ(OnListCustomDraw(&cd), 0x20);
  COLORREF expectText[] = {RGB(255, 0, 0), RGB(255, 0, 0), RGB(0, 0, 0)};
  COLORREF expectBack[] = {RGB(255, 255, 255), RGB(1, 2, 3), RGB(255, 255, 255)};
  for (int i = 0; i < 3; ++i) {
    cd.nmcd.dwDrawStage = CDDS_ITEMPREPAINT | CDDS_SUBITEM;
    cd.nmcd.dwItemSpec = i;
    cd.iSubItem = 1;
    EXPECT_EQ(OnListCustomDraw(&cd), CDRF_NEWFONT);
    EXPECT_EQ(cd.clrText, expectText[i]) << cells[i];
    EXPECT_EQ(cd.clrTextBk, expectBack[i]) << cells[i];
  }
  bNegativeInRed = FALSE;
  bAlternateColor = FALSE;
  EXPECT_EQ(OnListCustomDraw(&cd), CDRF_DODEFAULT);
}

static std::vector<long long> ListOrder() {
  std::vector<long long> ids;
  for (int row = 0; row < ListRows(); ++row) ids.push_back(ItemData(row));
  return ids;
}

// Rows that make sorting awkward: equal keys in other letter cases, rows without values or without
// a quote, index symbols, an infinite holding whose gain is NaN, a stock of another portfolio and a
// row whose stock is gone. Reading the records once must give the order of a load per comparison.
TEST(ColumnModel, SortFromRecordsReadOnceKeepsTheOrder) {
  FreshStore("sortonce", "[Options]\r\nStocksInDatabase=1\r\n");
  MakeList("0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21,22");  // every rule compared
  InitLoadStocks(hListView);
  struct Row {
    const char *symbol, *stock, *quote;  // values of the stock's other columns; of today's quote or none
  } rows[] = {
      {"IBM", "'Intl', 10, 100, 'b'", "50, 1, 100, '3/5', '9:30', 'Mar 1', 2, 12, 1.5"},
      {"ibm", "'intl', 10, 100, 'B'", "50, 1, 100, '3/5', '9:30', 'Mar 1', 2, 12, 1.5"},
      {"Ibm", "'Intl', 10, 100, 'b'", "50, -1, 100, '3/5', '9:31', 'Mar 1', 2, 12, 1.5"},
      {"^DJI", "'Dow', null, null, null", "30000, -5, -16384, '3/4', '16:00', '', -16384, -16384, -16384"},
      {"^gspc", "null, null, null, ''", "-16384, -16384, -16384, '', '', '', -16384, -16384, -16384"},
      {"AAPL", "null, null, null, null", NULL},
      {"MSFT", "'Micro', 9e999, 9e999, 'a'", "1, 0.5, 5, '10/1', '9:30', 'x', 0, 0, 0"},
      {"Z", "'z', 0, -1, ''", "0, 0, 0, '3/5', '9:30', 'Mar 1', 0, 0, 0"},
      {"LOW", "'Intl', 10, 100, 'b'", "-3, -16384, 7, '3/5', '9:30', 'Mar 1', 2, 12, 1.5"},
  };
  for (const Row& r : rows) {
    std::string sql = "insert into stock (portfolio_rowid, symbol, name, shares_owned, cost_basis, sort_order) "
                      "values (" + std::to_string(nPortfolioRowid) + ", '" + r.symbol + "', " + r.stock + ")";
    ASSERT_TRUE(oDatabase.SQLCall(sql.c_str()));
    if (!r.quote) continue;
    sql = "insert into quote (stock_rowid, create_date, quote_status, price, change, volume, quote_date, "
          "quote_time, exdiv_date, dividend, peratio, yield, open, high, low, prev_close, high52, low52) "
          "values (" + std::to_string(oDatabase.LastInsertRowid()) + ", date('now', 'localtime'), 0, " +
          r.quote + ", 1, 2, 0.5, 0.75, 3, 0.25)";
    ASSERT_TRUE(oDatabase.SQLCall(sql.c_str()));
  }
  // a second quote row today (an old file may hold one): both loads must read the last
  oDatabase.SQLCall("insert into quote (stock_rowid, create_date, quote_status, price, change) select "
                    "stock.rowid, date('now', 'localtime'), 0, 99999, 2 from stock where symbol = 'LOW'");
  oDatabase.SQLCall("insert into portfolio (name) values ('Other')");
  oDatabase.SQLCall("insert into stock (portfolio_rowid, symbol, name) values (2, 'ELSE', 'Else')");
  long long elsewhere = oDatabase.LastInsertRowid();

  auto fill = [elsewhere]() {
    InitLoadStocks(hListView);
    EXPECT_EQ(ListRows(), 9);  // one row per stock, also with two quote rows today
    for (LPARAM id : {(LPARAM)elsewhere, (LPARAM)9999}) {
      LVITEMA item = {};
      item.mask = LVIF_TEXT | LVIF_PARAM;
      item.iItem = ListRows();
      item.pszText = (char*)"?";
      item.lParam = id;
      SendMessageA(hListView, LVM_INSERTITEMA, 0, (LPARAM)&item);
    }
  };
  for (int direction : {0, 1}) {
    nSortDirection = direction;
    for (int position : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 30}) {
      fill();
      SendMessageA(hListView, LVM_SORTITEMS, position, (LPARAM)CompareListItems);
      std::vector<long long> perComparison = ListOrder();
      fill();
      SortStockList(hListView, position);
      EXPECT_EQ(ListOrder(), perComparison) << "position " << position << ", direction " << direction;
      // not a sort of nothing: index symbols first, the NaN gain first, the last quote read
      const char* first = direction == 0 && position == 0 ? "^DJI"
                          : direction == 0 && position == 21 ? "MSFT"
                          : direction == 1 && position == 1  ? "LOW"
                                                             : NULL;
      if (first) {
        EXPECT_EQ(CellText(0, 0), first) << "position " << position;
      }
    }
  }
  nSortDirection = 0;
  oDatabase.Close();
}
