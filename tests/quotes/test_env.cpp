// A real store for the quote tests: a temporary settings file and database, and a hidden list view.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <stdio.h>

#include "app/handles.h"
#include "foundation/settings.h"
#include "quotes/cycle.h"
#include "store/database.h"
#include "store/queue_record.h"
#include "store/stocks.h"

static char szTestDir[MAX_PATH];

static void RemoveTestFiles() {
  const char* names[] = {"tw.db", "tw.db-journal", "tw.ini"};
  for (const char* n : names) {
    char path[MAX_PATH];
    snprintf(path, sizeof path, "%s\\%s", szTestDir, n);
    DeleteFileA(path);
  }
}

class QuoteStoreEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    snprintf(szTestDir, sizeof szTestDir, "%stwquotes%lu", temp, GetCurrentProcessId());
    CreateDirectoryA(szTestDir, NULL);
    RemoveTestFiles();
    snprintf(szIniPath, sizeof szIniPath, "%s\\tw.ini", szTestDir);
    bIniReady = bRegistryReady = TRUE;
    snprintf(oDatabase.szDatabasePath, sizeof oDatabase.szDatabasePath, "%s\\tw.db", szTestDir);

    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    hMainWnd = CreateWindowA("STATIC", "quotes", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, NULL, NULL,
                             GetModuleHandleA(NULL), NULL);
    ASSERT_NE(hMainWnd, nullptr) << "no window: is an X server running?";
    hListView = CreateWindowA(WC_LISTVIEWA, "", WS_CHILD | LVS_REPORT, 0, 0, 400, 300, hMainWnd,
                              (HMENU)IDC_LISTVIEW, GetModuleHandleA(NULL), NULL);
    ASSERT_NE(hListView, nullptr);
    InitLoadStocks(hListView);
    ASSERT_GT(nPortfolioRowid, 0);
  }
  void TearDown() override {
    oDatabase.CommitTransaction();
    oDatabase.Close();
    DestroyWindow(hMainWnd);
    hMainWnd = hListView = NULL;
    RemoveTestFiles();
    RemoveDirectoryA(szTestDir);
  }
};

static ::testing::Environment* const quoteStoreEnv =
    ::testing::AddGlobalTestEnvironment(new QuoteStoreEnvironment);

// Empties the portfolio and the list and puts the cycle at the start of a quote step.
void ResetStocks() {
  oDatabase.SQLCall("delete from quote");
  oDatabase.SQLCall("delete from stock");
  SendMessageA(hListView, LVM_DELETEALLITEMS, 0, 0);
  TakeCycleRows(hListView);
  nNetworkState = STA_QUOTE_CHECK;
  nNextItem = 0;
  szSymbolList[0] = szYahooExtraCallQuery[0] = '\0';
  bYahooExtraPending = 0;
  bYahooCsvExpected = 1;
  nRequestRows = 0;
}

// Adds a stock of the given market as the last list row; returns its rowid.
long long AddStock(const char* symbol, int market) {
  char sql[300];
  snprintf(sql, sizeof sql, "insert into stock (portfolio_rowid, symbol, stock_type) values (%lld, '%s', %d)",
           nPortfolioRowid, symbol, market);
  EXPECT_TRUE(oDatabase.SQLCall(sql)) << sql;
  long long rowid = oDatabase.LastInsertRowid();
  LVITEMA item = {};
  item.mask = LVIF_TEXT | LVIF_PARAM;
  item.iItem = 9999;
  item.pszText = (char*)symbol;
  item.lParam = (LPARAM)rowid;
  SendMessageA(hListView, LVM_INSERTITEMA, 0, (LPARAM)&item);
  TakeCycleRows(hListView);  // requests are built from the cycle's rows: here, the whole list
  return rowid;
}

// Today's stored quote of a stock; false when the stock has none.
bool LoadQuote(long long rowid, QueueRecord* rec) {
  char sql[200];
  snprintf(sql, sizeof sql, "select count(*) from quote where stock_rowid = %lld", rowid);
  if (oDatabase.GetInt(sql) <= 0) return false;
  return LoadQueueRecordLV(hListView, 0, rec, (int)rowid);
}

int CountQuotes() { return oDatabase.GetInt("select count(*) from quote"); }
