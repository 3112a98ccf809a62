// The first run: the quote source and a starting list of symbols for the chosen market.
#include "app/dialogs.h"
#include "app/main_settings.h"
#include "foundation/settings.h"
#include "quotes/sources.h"
#include "resources/resource.h"

static const char* const kAmericanSymbols[] = {"IBM", "INTC", "MSFT", "^GSPTSE", "^DJI",
                                               "^GSPC", "^IXIC", "^NYA", "^XAX"};
static const char* const kEuropeanSymbols[] = {"TLD.CO", "NHY.OL",    "BSCT.L", "12027.PA",
                                               "UNI.MI", "846900.FX", "UKX.L"};

static void ChooseMarket(HWND hDlg, int source, const char* const* symbols, int count) {
  nQuoteSource = source;
  PutIntSetting(hDlg, "Options", "Source", source);
  for (int i = 0; i < count; ++i) IniPutString(hDlg, "Stocks", symbols[i], EMPTY_STOCK_SETTING);
}

// Escape chooses too: the program cannot start without a source.
static void OnFirstRunDone(HWND hDlg) {
  if (IsChecked(hDlg, IDC_FIRST_AMERICA))
    ChooseMarket(hDlg, SRC_YAHOO, kAmericanSymbols, sizeof kAmericanSymbols / sizeof *kAmericanSymbols);
  else
    ChooseMarket(hDlg, SRC_UK_YAHOO, kEuropeanSymbols, sizeof kEuropeanSymbols / sizeof *kEuropeanSymbols);
  EndDialog(hDlg, 1);
}

INT_PTR CALLBACK FirstRunDlgProc(HWND hDlg, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_INITDIALOG:
      CenterOverWindow(hDlg, GetDesktopWindow());
      SetCheck(hDlg, IDC_FIRST_AMERICA, TRUE);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) OnFirstRunDone(hDlg);
      return TRUE;
  }
  return FALSE;
}

INT_PTR ShowFirstRunDialog(HWND owner) {
  return ShowDialog(owner, IDD_FIRSTRUN, FirstRunDlgProc, 0);
}
