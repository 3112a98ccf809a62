// Portfolio selection, the one-time move of the [Stocks] settings, stock rows, delete and purge.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "app/handles.h"
#include "foundation/settings.h"
#include "quotes/sources.h"
#include "store/database.h"
#include "store/schema.h"
#include "store/stocks.h"
#include "store/store_quote.h"

#include "tests/store/test_support.h"

static int Count(const std::string& where) {
  return oDatabase.GetInt(("select count(*) from " + where).c_str());
}

static int IniInt(const char* key) { return IniGetInt(NULL, "Options", key, -99); }

TEST(InitLoadStocks, MovesTheStocksSectionOnce) {
  FreshStore("migrate",
             "[Options]\r\nTitleBar=Bob's Picks  \r\n[Stocks]\r\n"
             "BRK\xA9" "A=10.5,200,0,5,1000\r\n"
             "RY=1,2,1,3,4\r\n"
             "ABCDEFGHIJKLMNOPQRSTUVWXYZAB=0,0,1,0,0\r\n"
             "^GSPC=0.0000,0.0000,0,0.0000,0.0000\r\n"
             "X=5\r\n");
  nQuoteSource = SRC_YAHOO;
  MakeList("0,1");
  InitLoadStocks(hListView);
  EXPECT_EQ(IniInt("StocksInDatabase"), 1);
  {  // committed once marked: another connection (a later run after a crash) sees the moved list
    sqlite3* other = NULL;
    ASSERT_EQ(sqlite3_open(oDatabase.szDatabasePath, &other), SQLITE_OK);
    EXPECT_EQ(IntSeenBy(other, "select count(*) from stock"), 4);
    sqlite3_close(other);
  }
  EXPECT_EQ(Count("portfolio where name = 'Bob''s Picks'"), 1);
  EXPECT_EQ(Count("stock"), 4);
  EXPECT_EQ(Count("stock where symbol = 'BRK=A' and warn_below = 10.5 and warn_above = 200 and "
                  "shares_owned = 5 and cost_basis = 1000 and stock_type = 0"),
            1);
  EXPECT_EQ(Count("stock where symbol = 'RY.TO' and stock_type = 0 and warn_below = 1 and cost_basis = 4"), 1);
  EXPECT_EQ(Count("stock where symbol = '^GSPC' and warn_below is null and warn_above is null and "
                  "shares_owned = 0"),
            1);
  // fewer than five numbers: the rest as in the default text
  EXPECT_EQ(Count("stock where symbol = 'X' and warn_below = 5 and warn_above is null and cost_basis = 0"), 1);
  EXPECT_NE(LogText().find("ABCDEFGHIJKLMNOPQRSTUVWXYZAB.TO"), std::string::npos);
  ASSERT_EQ(ListRows(), 4);
  EXPECT_EQ(CellText(0, 0), "^GSPC");
  EXPECT_EQ(CellText(1, 0), "BRK=A");

  // a rerun (the mark lost) adds nothing twice
  IniPutString(NULL, "Options", "StocksInDatabase", "0");
  InitLoadStocks(hListView);
  EXPECT_EQ(Count("stock"), 4);
  EXPECT_EQ(Count("portfolio"), 1);
  EXPECT_EQ(ListRows(), 4);
  oDatabase.Close();
}

TEST(InitLoadStocks, FailedMoveIsNotMarkedDone) {
  FreshStore("migfail", "[Stocks]\r\nGOOD=1,2,0,3,4\r\nBAD=1,2,0,3,4\r\n");
  MakeList("0");
  CreateOrUpgradeSchema();
  ASSERT_TRUE(oDatabase.OpenDatabase());
  oDatabase.SQLCall("create trigger no_bad before insert on stock when new.symbol = 'BAD' "
                    "begin select raise(abort, 'refused'); end");
  oDatabase.Close();
  InitLoadStocks(hListView);
  EXPECT_NE(IniInt("StocksInDatabase"), 1);
  EXPECT_EQ(Count("stock where symbol = 'GOOD'"), 1);
  EXPECT_NE(LogText().find("Step error: refused"), std::string::npos) << LogText();

  // once the cause is gone, the next start finishes the move without doubling GOOD
  oDatabase.SQLCall("drop trigger no_bad");
  InitLoadStocks(hListView);
  EXPECT_EQ(IniInt("StocksInDatabase"), 1);
  EXPECT_EQ(Count("stock"), 2);
  EXPECT_EQ(ListRows(), 2);
  oDatabase.Close();
}

TEST(InitLoadStocks, LongTitleFullOfApostrophes) {
  std::string title;
  for (int i = 0; i < 200; ++i) title += "O'";  // 400 characters, 600 once escaped
  FreshStore("longtitle", "[Options]\r\nTitleBar=" + title + "\r\n");
  MakeList("0");
  InitLoadStocks(hListView);
  ASSERT_GT(nPortfolioRowid, 0);
  long long first = nPortfolioRowid;
  std::string quoted;
  for (char c : title) quoted += c == '\'' ? std::string("''") : std::string(1, c);
  EXPECT_EQ(Count("portfolio where name = '" + quoted + "'"), 1);
  SaveStockRecord(0, "IBM", 0, 0, 0, 0, 0, "");
  InitLoadStocks(hListView);  // found again by its name
  EXPECT_EQ(nPortfolioRowid, first);
  EXPECT_EQ(Count("portfolio"), 1);
  EXPECT_EQ(ListRows(), 1);
  oDatabase.Close();
}

TEST(InitLoadStocks, LongKeyListIsReadWhole) {
  std::string ini = "[Stocks]\r\n";
  for (int i = 0; i < 1200; ++i) ini += "SYM" + std::to_string(1000 + i) + "=1,2,0,3,4\r\n";
  FreshStore("manykeys", ini);
  MakeList("0");
  InitLoadStocks(hListView);
  EXPECT_EQ(Count("stock"), 1200);
  EXPECT_EQ(Count("stock where symbol = 'SYM2199'"), 1);
  EXPECT_EQ(IniInt("StocksInDatabase"), 1);
  EXPECT_EQ(ListRows(), 1200);
  oDatabase.Close();
}

TEST(InitLoadStocks, MovedListWithANewFileOrAnotherTitle) {
  FreshStore("moved", "[Options]\r\nStocksInDatabase=1\r\nTitleBar=Mine\r\n");
  MakeList("0,1");
  InitLoadStocks(hListView);
  EXPECT_EQ(Count("portfolio where name = 'Mine'"), 1);
  ASSERT_GT(nPortfolioRowid, 0);
  long long id = SaveStockRecord(0, "AAPL", 0, NoValue, 10, 500, 0, "tech");
  ASSERT_GT(id, 0);
  InitLoadStocks(hListView);
  ASSERT_EQ(ListRows(), 1);
  EXPECT_EQ(ItemData(0), id);

  IniPutString(NULL, "Options", "TitleBar", "Other");
  InitLoadStocks(hListView);
  EXPECT_EQ(nPortfolioRowid, 1);  // the first portfolio
  EXPECT_EQ(ListRows(), 1);
  EXPECT_EQ(Count("portfolio"), 1);
  oDatabase.Close();
}

TEST(SaveStockRecord, InsertUpdateAndRefusal) {
  FreshStore("save", "[Options]\r\nStocksInDatabase=1\r\n");
  MakeList("0");
  InitLoadStocks(hListView);
  long long id = SaveStockRecord(0, "AAPL", 0, 200, NoValue, NoValue, NoValue, "x");
  ASSERT_GT(id, 0);
  EXPECT_EQ(Count("stock where symbol = 'AAPL' and warn_below is null and warn_above = 200 and "
                  "shares_owned is null and option_price is null and sort_order = 'x' and stock_type = 0"),
            1);
  // another letter case is the same stock, and its symbol stays
  EXPECT_EQ(SaveStockRecord(0, "aapl", 150, 0, 5, 700, 1.5, "y"), id);
  EXPECT_EQ(Count("stock"), 1);
  EXPECT_EQ(Count("stock where symbol = 'AAPL' and warn_below = 150 and warn_above is null and "
                  "shares_owned = 5 and option_price = 1.5 and sort_order = 'y'"),
            1);
  EXPECT_EQ(SaveStockRecord(0, "O'NEIL", 0, 0, 0, 0, 0, ""), id + 1);
  EXPECT_EQ(SaveStockRecord(0, "o'neil", 0, 0, 1, 0, 0, ""), id + 1);
  EXPECT_EQ(SaveStockRecord(0, std::string(30, 'Z').c_str(), 0, 0, 0, 0, 0, ""), 0);
  EXPECT_EQ(Count("stock"), 2);
  // an update that writes nothing reports nothing written: a refused one, and one of a deleted stock
  oDatabase.SQLCall("create trigger no_update before update on stock begin select raise(abort, 'refused'); end");
  EXPECT_EQ(SaveStockRecord(id, "AAPL", 1, 2, 3, 4, 5, "z"), 0);
  EXPECT_EQ(SaveStockRecord(0, "aapl", 1, 2, 3, 4, 5, "z"), 0);
  oDatabase.SQLCall("drop trigger no_update");
  EXPECT_EQ(SaveStockRecord(id + 7, "GONE", 1, 2, 3, 4, 5, "z"), 0);
  EXPECT_EQ(Count("stock where sort_order = 'z'"), 0);
  oDatabase.Close();
}

TEST(PurgeOldQuotes, KeepsTheLastWeek) {
  FreshStore("purge", "[Options]\r\nStocksInDatabase=1\r\n");
  MakeList("0");
  InitLoadStocks(hListView);
  SaveStockRecord(0, "IBM", 0, 0, 0, 0, 0, "");
  for (int days : {0, 3, 20, 40}) {
    char sql[200];
    snprintf(sql, sizeof sql,
             "insert into quote (stock_rowid, create_date, quote_status) values (1, date('now', '-%d day'), 0)",
             days);
    oDatabase.SQLCall(sql);
  }
  EXPECT_TRUE(PurgeOldQuotes(NULL));
  EXPECT_FALSE(oDatabase.bTransactionOpen);
  EXPECT_EQ(Count("quote"), 2);
  oDatabase.Close();
}

TEST(DeleteStockUnderCursor, RemovesStockQuotesAndRow) {
  FreshStore("delete", "[Options]\r\nStocksInDatabase=1\r\n");
  MakeList("0,1");
  InitLoadStocks(hListView);
  SaveStockRecord(0, "IBM", 0, 0, 0, 0, 0, "");
  SaveStockRecord(0, "MSFT", 0, 0, 0, 0, 0, "");
  oDatabase.SQLCall("insert into quote (stock_rowid, create_date, quote_status) values (2, date('now'), 0)");
  InitLoadStocks(hListView);
  ASSERT_EQ(ListRows(), 2);
  CursorLock cursor;
  RECT rc = {LVIR_BOUNDS, 0, 0, 0};
  ASSERT_TRUE(SendMessageA(hListView, LVM_GETITEMRECT, 1, (LPARAM)&rc));
  POINT pt = {rc.left + 5, (rc.top + rc.bottom) / 2};
  ClientToScreen(hListView, &pt);
  SetCursorPos(pt.x, pt.y);
  POINT now;
  GetCursorPos(&now);
  if (now.x != pt.x || now.y != pt.y) GTEST_SKIP() << "the cursor cannot be placed here";
  DeleteStockUnderCursor(NULL);
  EXPECT_EQ(ListRows(), 1);
  EXPECT_EQ(CellText(0, 0), "IBM");
  EXPECT_EQ(Count("stock"), 1);
  EXPECT_EQ(Count("quote"), 0);

  // another program writing to the file: the user is told, the row stays as the file keeps the stock,
  // and a try after the other program let go deletes
  InitLoadStocks(hListView);  // the batch committed
  sqlite3* other = NULL;
  sqlite3_open(oDatabase.szDatabasePath, &other);
  sqlite3_exec(other, "begin immediate; insert into portfolio (name) values ('theirs')", NULL, NULL, NULL);
  SetCursorPos(pt.x, pt.y - (rc.bottom - rc.top));
  DeleteStockUnderCursor(NULL);
  EXPECT_EQ(ListRows(), 1);
  EXPECT_EQ(Count("stock"), 1);
  EXPECT_EQ(gLastBoxText.find("IBM could not be deleted because another program is using the database file"), 0u)
      << gLastBoxText;
  sqlite3_exec(other, "commit", NULL, NULL, NULL);
  sqlite3_close(other);
  DeleteStockUnderCursor(NULL);
  EXPECT_EQ(ListRows(), 0);
  EXPECT_EQ(Count("stock"), 0);
  oDatabase.Close();
}
