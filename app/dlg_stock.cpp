// Adding and changing stocks, Quick Add of many symbols, and the cash amount of the net worth.
#include <windows.h>
#include <commctrl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "app/dialogs.h"
#include "app/handles.h"
#include "app/links.h"
#include "app/options.h"
#include "foundation/settings.h"
#include "foundation/text.h"
#include "quotes/hosts.h"
#include "quotes/sources.h"
#include "resources/resource.h"
#include "store/queue_record.h"
#include "store/stocks.h"
#include "store/store_quote.h"

#define FIELD_TEXT_SIZE 20      // symbol, numbers and sort text: 19 characters each
#define CASH_TEXT_SIZE 100
#define QUICK_ADD_MAX_LENGTH 9  // longer Quick Add tokens are dropped

static const int kNumberFields[] = {IDC_STOCK_WARNBELOW, IDC_STOCK_WARNABOVE, IDC_STOCK_SHARES, IDC_STOCK_COST,
                                    IDC_STOCK_OPTION};

static void ShowNumber(HWND hDlg, int id, double value) {
  if (value == (double)NoValue) return;  // an empty field, not "-16384.0000"
  char text[64];
  snprintf(text, sizeof text, "%0.4lf", value);
  SetDlgItemTextA(hDlg, id, text);
}

static void OnInitStockDialog(HWND hDlg, long long rowid) {
  CenterOnParent(hDlg);
  static const int kCleared[] = {IDC_STOCK_SYMBOL, IDC_STOCK_WARNBELOW, IDC_STOCK_WARNABOVE, IDC_STOCK_SHARES,
                                 IDC_STOCK_COST,   IDC_STOCK_OPTION,    IDC_STOCK_ROWID,     IDC_STOCK_SORT};
  for (int id : kCleared) SetDlgItemTextA(hDlg, id, "");
  if (rowid > 0) {
    EnableWindow(GetDlgItem(hDlg, IDC_STOCK_SYMBOL), FALSE);
    char text[32];
    snprintf(text, sizeof text, "%lld", rowid);
    SetDlgItemTextA(hDlg, IDC_STOCK_ROWID, text);
    QueueRecord rec;
    if (LoadQueueRecordLV(hListView, 0, &rec, (int)rowid)) {
      SetDlgItemTextA(hDlg, IDC_STOCK_SYMBOL, rec.symbol);
      const double values[] = {rec.warn_below, rec.warn_above, rec.shares_owned, rec.cost_basis, rec.option_price};
      for (int i = 0; i < 5; ++i) ShowNumber(hDlg, kNumberFields[i], values[i]);
      SetDlgItemTextA(hDlg, IDC_STOCK_SORT, rec.sort_order);
    }
  }
  char cash[64];
  snprintf(cash, sizeof cash, "%0.2lf", dCash);
  SetDlgItemTextA(hDlg, IDC_STOCK_CASH, cash);
  // From the file each time: nothing else keeps this setting in memory.
  SetCheck(hDlg, IDC_STOCK_UPPERCASE, IniGetInt(hDlg, "Options", "Uppercase", 1) != 0);
}

static double ReadNumberField(HWND hDlg, int id) {
  char text[FIELD_TEXT_SIZE] = "";
  GetDlgItemTextA(hDlg, id, text, sizeof text);
  double value = 0.0;
  if (sscanf(text, "%lf", &value) != 1) value = 0.0;
  return value;
}

// Puts a saved stock into the list (a new row, or its existing one updated).
static void ShowSavedStock(long long rowid) {
  if (rowid <= 0) return;
  QueueRecord rec;
  if (LoadQueueRecordLV(hListView, 0, &rec, (int)rowid)) StoreQuote(hListView, &rec, false);
}

static void OnSaveStock(HWND hDlg) {
  char text[FIELD_TEXT_SIZE] = "";
  GetDlgItemTextA(hDlg, IDC_STOCK_SYMBOL, text, sizeof text);
  char symbol[FIELD_TEXT_SIZE] = "";
  // Only the first word counts; a text of blanks alone is an empty symbol.
  if (sscanf(text, "%19s", symbol) != 1) symbol[0] = 0;
  TrimLeft(symbol);
  TrimRight(symbol);
  if (!symbol[0]) {
    SetFocus(GetDlgItem(hDlg, IDC_STOCK_SYMBOL));
    return;
  }
  if (IsChecked(hDlg, IDC_STOCK_UPPERCASE)) UpperCase(symbol);
  double values[5];
  for (int i = 0; i < 5; ++i) values[i] = ReadNumberField(hDlg, kNumberFields[i]);
  char sortText[FIELD_TEXT_SIZE] = "";
  GetDlgItemTextA(hDlg, IDC_STOCK_SORT, sortText, sizeof sortText);
  char rowidText[32] = "";
  GetDlgItemTextA(hDlg, IDC_STOCK_ROWID, rowidText, sizeof rowidText);
  long long rowid = atoll(rowidText);
  // Rowid 0 finds a symbol the portfolio has and updates it with what the user typed.
  long long saved = SaveStockRecord(rowid, symbol, values[0], values[1], values[2], values[3], values[4], sortText);
  if (saved == STOCK_REFUSED) {
    // Nothing was written: the dialog stays, with what was typed, for another try.
    TellStockRefused(hDlg, symbol, "saved");
    return;
  }
  ShowSavedStock(saved);

  char cash[CASH_TEXT_SIZE] = "";
  GetDlgItemTextA(hDlg, IDC_STOCK_CASH, cash, sizeof cash);
  dCash = 0.0;
  if (sscanf(cash, "%lf", &dCash) != 1) dCash = 0.0;
  snprintf(cash, sizeof cash, "%02lf", dCash);
  IniPutString(hDlg, "Options", "Cash", cash);
  bUppercase = PutFlagSetting(hDlg, "Options", "Uppercase", IsChecked(hDlg, IDC_STOCK_UPPERCASE));
  EndDialog(hDlg, 1);
}

static bool PortfolioHasSymbol(const char* symbol) {
  QueueRecord rec;
  ClearQueueRecord(&rec);
  CopyCut(rec.symbol, sizeof rec.symbol, symbol);
  return GetStockRowidFromDatabase(&rec) && rec.rowid > 0;
}

static void OnQuickAdd(HWND hDlg) {
  HWND edit = GetDlgItem(hDlg, IDC_STOCK_QUICKLIST);
  int length = GetWindowTextLengthA(edit);
  char* text = (char*)malloc((size_t)length + 10);
  char refused[200] = "";
  if (text) {
    GetWindowTextA(edit, text, length + 10);
    for (char* token = strtok(text, " \t\r\n,"); token; token = strtok(NULL, " \t\r\n,")) {
      if (strlen(token) > QUICK_ADD_MAX_LENGTH) continue;
      // Saving with zeros over a stock the user already holds would wipe its limits and holding.
      if (PortfolioHasSymbol(token)) continue;
      long long saved = SaveStockRecord(0, token, 0.0, 0.0, 0.0, 0.0, 0.0, "");
      size_t used = strlen(refused);
      if (saved == STOCK_REFUSED) snprintf(refused + used, sizeof refused - used, "%s%s", used ? ", " : "", token);
      else ShowSavedStock(saved);
    }
    free(text);
  }
  // Another try adds what was refused; the symbols added meanwhile are skipped as held.
  if (refused[0]) {
    TellStockRefused(hDlg, refused, "saved");
    return;
  }
  EndDialog(hDlg, 1);
}

static void OnSymbolSearch(HWND hDlg) {
  OpenHostPage(hDlg, nQuoteSource == SRC_UK_YAHOO ? HOST_UK_LIST : HOST_YAHOO, "/l");
}

INT_PTR CALLBACK StockDlgProc(HWND hDlg, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_INITDIALOG:
      OnInitStockDialog(hDlg, (long long)(int)lParam);
      return TRUE;
    case WM_SHOWWINDOW:
      if (wParam) FocusFirstTypingField(hDlg);
      return FALSE;
    case WM_CLOSE:
      EndDialog(hDlg, 0);
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK:
        case IDC_STOCK_ADDCHANGE: OnSaveStock(hDlg); return TRUE;
        case IDC_STOCK_QUICKADD: OnQuickAdd(hDlg); return TRUE;
        case IDC_STOCK_SEARCH: OnSymbolSearch(hDlg); return TRUE;
      }
      return TRUE;  // Escape (IDCANCEL) does nothing: the dialog has no Cancel button
  }
  return FALSE;
}

INT_PTR EditStockUnderCursor(HWND owner) {
  int row = ListRowUnderCursor(hListView);
  if (row < 0) return -1;
  LVITEMA item;
  memset(&item, 0, sizeof item);
  item.mask = LVIF_PARAM;
  item.iItem = row;
  if (!SendMessageA(hListView, LVM_GETITEMA, 0, (LPARAM)&item)) return -1;
  return ShowDialog(owner, IDD_STOCK, StockDlgProc, item.lParam);
}

INT_PTR ShowStockDialog(HWND owner) {
  return ShowDialog(owner, IDD_STOCK, StockDlgProc, 0);
}
