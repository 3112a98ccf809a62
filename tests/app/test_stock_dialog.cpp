// The stock dialog against a real database and list: adding, editing, Quick Add and cash.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "app/dialogs.h"
#include "app/handles.h"
#include "app/options.h"
#include "foundation/settings.h"
#include "resources/resource.h"
#include "store/database.h"
#include "store/queue_record.h"
#include "store/stocks.h"
#include "tests/app/dialog_driver.h"
#include "tests/store/test_support.h"

namespace {

void FreshPortfolio(const char* tag, const std::string& ini) {
  FreshStore(tag, ini);
  MakeList("0,11,20");
  InitLoadStocks(hListView);
}

int Count(const std::string& where) { return oDatabase.GetInt(("select count(*) from stock where " + where).c_str()); }

INT_PTR RunStockDialog(const std::function<void(HWND)>& act) {
  return RunModal([] { return ShowStockDialog(NULL); }, {{"Stock", act}});
}

}  // namespace

TEST(StockDialog, AddsTheFirstWordAndSavesCashAndCase) {
  struct Case {
    bool upper;
    const char *typed, *saved;
  } cases[] = {{true, "  ibm intc", "IBM"}, {false, "brk.b", "brk.b"}};
  for (const Case& c : cases) {
    FreshPortfolio("stockadd", "[Options]\r\nUppercase=1\r\n");
    dCash = 7.0;
    INT_PTR result = RunStockDialog([&](HWND d) {
      EXPECT_EQ(ItemText(d, IDC_STOCK_CASH), "7.00");
      EXPECT_TRUE(Checked(d, IDC_STOCK_UPPERCASE));
      if (!c.upper) Press(d, IDC_STOCK_UPPERCASE);
      SetText(d, IDC_STOCK_SYMBOL, c.typed);
      SetText(d, IDC_STOCK_WARNBELOW, "10.5");
      SetText(d, IDC_STOCK_SHARES, "100");
      SetText(d, IDC_STOCK_COST, "junk");
      SetText(d, IDC_STOCK_CASH, "lots");
      Press(d, IDC_STOCK_ADDCHANGE);
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(Count(std::string("symbol = '") + c.saved + "' and warn_below = 10.5 and warn_above is null and "
                    "shares_owned = 100 and cost_basis = 0"), 1);
    EXPECT_EQ(Count("1"), 1);
    ASSERT_EQ(ListRows(), 1);
    EXPECT_EQ(CellText(0, 0), c.saved);
    EXPECT_EQ(dCash, 0.0);
    EXPECT_EQ(IniText("Options", "Cash"), "0.000000");
    EXPECT_EQ(IniText("Options", "Uppercase"), c.upper ? "1" : "0");
  }
  oDatabase.Close();
}

TEST(StockDialog, BlankSymbolKeepsTheDialogOpenAndTheCloseBoxEndsIt) {
  FreshPortfolio("stockblank", "");
  std::vector<DialogStep> steps = {{"Stock", [](HWND d) {
                                      SetText(d, IDC_STOCK_SYMBOL, "   \t ");
                                      SetText(d, IDC_STOCK_CASH, "55");
                                      Command(d, IDOK);
                                      EXPECT_EQ(GetFocus(), GetDlgItem(d, IDC_STOCK_SYMBOL));
                                      Command(d, IDCANCEL);  // Escape does nothing
                                    }},
                                   {"Stock", [](HWND d) { SendMessageA(d, WM_CLOSE, 0, 0); }}};
  EXPECT_EQ(RunModal([] { return ShowStockDialog(NULL); }, steps), 0);
  EXPECT_EQ(Count("1"), 0);
  EXPECT_EQ(IniText("Options", "Cash"), "<missing>");
  oDatabase.Close();
}

TEST(StockDialog, QuickAddKeepsExistingHoldings) {
  FreshPortfolio("quickadd", "");
  SaveStockRecord(0, "IBM", 90, 150, 100, 12.5, 0, "a");
  INT_PTR result = RunStockDialog([](HWND d) {
    SetText(d, IDC_STOCK_QUICKLIST, "aapl, msft\r\nibm\tTOOLONGSYM1,,\r\n");
    Press(d, IDC_STOCK_QUICKADD);
  });
  EXPECT_EQ(result, 1);
  EXPECT_EQ(Count("1"), 3);
  EXPECT_EQ(Count("symbol = 'IBM' and warn_below = 90 and warn_above = 150 and shares_owned = 100 and "
                  "cost_basis = 12.5 and sort_order = 'a'"), 1);
  EXPECT_EQ(Count("symbol in ('aapl', 'msft') and shares_owned = 0 and warn_below is null"), 2);
  EXPECT_EQ(ListRows(), 2);  // the two new ones; IBM was never loaded into this list
  oDatabase.Close();
}

TEST(StockDialog, EditsTheRowUnderTheCursorAndAddChangeUpdatesAKnownSymbol) {
  FreshPortfolio("stockedit", "");
  SaveStockRecord(0, "AAA", 0, 0, 5, 1, 0, "");
  long long rowid = SaveStockRecord(0, "BBB", NoValue, NoValue, 10, 12.5, 0.25, "z");
  InitLoadStocks(hListView);
  ASSERT_EQ(ListRows(), 2);
  CursorLock cursor;
  ShowWindow(GetParent(hListView), SW_SHOWNOACTIVATE);
  ShowWindow(hListView, SW_SHOW);
  RECT item = {LVIR_BOUNDS, 0, 0, 0};
  SendMessageA(hListView, LVM_GETITEMRECT, 1, (LPARAM)&item);
  POINT pt = {200, (item.top + item.bottom) / 2};
  ClientToScreen(hListView, &pt);
  SetCursorPos(pt.x, pt.y);
  RunModal([] { return EditStockUnderCursor(hMainWnd); },
           {{"Stock", [](HWND d) {
               EXPECT_EQ(ItemText(d, IDC_STOCK_SYMBOL), "BBB");
               EXPECT_FALSE(IsWindowEnabled(GetDlgItem(d, IDC_STOCK_SYMBOL)));
               EXPECT_EQ(ItemText(d, IDC_STOCK_WARNBELOW), "");
               EXPECT_EQ(ItemText(d, IDC_STOCK_WARNABOVE), "");
               EXPECT_EQ(ItemText(d, IDC_STOCK_COST), "12.5000");
               EXPECT_EQ(ItemText(d, IDC_STOCK_OPTION), "0.2500");
               EXPECT_EQ(ItemText(d, IDC_STOCK_SORT), "z");
               SetText(d, IDC_STOCK_SHARES, "11");
               Command(d, IDOK);
             }}});
  EXPECT_EQ(Count("rowid = " + std::to_string(rowid) + " and shares_owned = 11 and cost_basis = 12.5"), 1);
  ShowWindow(GetParent(hListView), SW_HIDE);

  // a new stock with a symbol the portfolio has: the typed values go to that stock
  RunStockDialog([](HWND d) {
    SetText(d, IDC_STOCK_SYMBOL, "aaa");
    SetText(d, IDC_STOCK_SHARES, "7");
    Command(d, IDOK);
  });
  EXPECT_EQ(Count("1"), 2);
  EXPECT_EQ(Count("symbol = 'AAA' and shares_owned = 7"), 1);
  oDatabase.Close();
}

// Another program writing to the file refuses the save: the user is told, the dialog stays, the list and
// the file keep what they held (AAA with 5 shares alone), and the next press saves once it let go.
TEST(StockDialog, ASaveAnotherProgramRefusesIsToldAndTriedAgain) {
  const struct { int field, button; const char *typed, *told, *saved; int rows; } cases[] = {
      {IDC_STOCK_SYMBOL, IDC_STOCK_ADDCHANGE, "IBM", "IBM could", "symbol = 'IBM'", 2},
      {IDC_STOCK_SYMBOL, IDC_STOCK_ADDCHANGE, "AAA", "AAA could", "shares_owned = 7", 1},
      {IDC_STOCK_QUICKLIST, IDC_STOCK_QUICKADD, "aapl aaa msft", "aapl, msft could", "shares_owned = 0", 3}};
  for (const auto& c : cases) {
    FreshPortfolio("stockheld", "");
    SaveStockRecord(0, "AAA", 0, 0, 5, 0, 0, "");
    InitLoadStocks(hListView);
    sqlite3* other = NULL;
    sqlite3_open(oDatabase.szDatabasePath, &other);
    sqlite3_exec(other, "begin immediate; insert into portfolio (name) values ('theirs')", NULL, NULL, NULL);
    pfnStoreMessageBox = MessageBoxA;
    std::string told;
    auto save = [&](HWND d) { Press(d, c.button); };
    auto type = [&](HWND d) { SetText(d, IDC_STOCK_SHARES, "7"); SetText(d, c.field, c.typed); save(d); };
    auto tell = [&](HWND box) {
      told = MessageText(box) + "|" + std::to_string(ListRows()) + " " + CellText(0, 1) + " " +
             std::to_string(Count(c.saved));
      sqlite3_exec(other, "commit", NULL, NULL, NULL);
      Press(box, IDOK);
    };
    EXPECT_EQ(RunModal([] { return ShowStockDialog(NULL); }, {{"Stock", type}, {"Error", tell}, {"Stock", save}}), 1);
    sqlite3_close(other);
    EXPECT_EQ(told.find(std::string(c.told) + " not be saved because another program is using the database file"), 0u);
    EXPECT_EQ(told.substr(told.find('|')), "|1 5.000 0");
    EXPECT_EQ(ListRows(), c.rows);
    EXPECT_NE(Count(c.saved), 0);
  }
  oDatabase.Close();
}
