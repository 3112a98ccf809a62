// Data settings: alarms, quote source, export files, number formats, history, banner, tray icon,
// grid lines, the alternate row colour and the title bar text.
#include <windows.h>
#include <commctrl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "app/alarms.h"
#include "app/columns.h"
#include "app/dialogs.h"
#include "app/handles.h"
#include "app/links.h"
#include "app/main_settings.h"
#include "app/options.h"
#include "app/status_strip.h"
#include "foundation/quote_text.h"
#include "foundation/settings.h"
#include "foundation/text.h"
#include "quotes/hosts.h"
#include "resources/resource.h"
#include "store/store_quote.h"

#define DEFAULT_DECIMALS 3
#define MAX_DECIMALS_OFFERED 6

// Background of the colour swatch; made on first paint, renewed after a pick, gone with the dialog.
static HBRUSH hSwatchBrush = NULL;

static void DropSwatchBrush(void) {
  if (hSwatchBrush) DeleteObject(hSwatchBrush);
  hSwatchBrush = NULL;
}

static void FillDelimiterCombo(HWND hDlg) {
  HWND combo = GetDlgItem(hDlg, IDC_DATA_DELIMITER);
  SendMessageA(combo, CB_ADDSTRING, 0, (LPARAM) "TAB");
  SendMessageA(combo, CB_ADDSTRING, 0, (LPARAM) "COMMA");
  int selected;
  if (strcmp(szDelimiter, "\t") == 0)
    selected = 0;
  else if (strcmp(szDelimiter, ",") == 0)
    selected = 1;
  else
    selected = (int)SendMessageA(combo, CB_ADDSTRING, 0, (LPARAM)szDelimiter);
  SendMessageA(combo, CB_SETCURSEL, (WPARAM)selected, 0);
}

static void FillDecimalsCombo(HWND hDlg) {
  HWND combo = GetDlgItem(hDlg, IDC_DATA_DECIMALS);
  for (int i = 0; i <= MAX_DECIMALS_OFFERED; ++i) {
    char text[4];
    snprintf(text, sizeof text, "%d", i);
    SendMessageA(combo, CB_ADDSTRING, 0, (LPARAM)text);
  }
  int selected = (nDecimalPlaces >= 0 && nDecimalPlaces <= MAX_DECIMALS_OFFERED) ? nDecimalPlaces : DEFAULT_DECIMALS;
  SendMessageA(combo, CB_SETCURSEL, (WPARAM)selected, 0);
}

static void OnInitDataDialog(HWND hDlg) {
  CenterOnParent(hDlg);
  SetCheck(hDlg, IDC_DATA_TOTOP, bAlarmToTop);
  SetCheck(hDlg, IDC_DATA_BEEP, bAlarmBeep);
  SetDlgItemTextA(hDlg, IDC_DATA_SOUND, szAlarmSound);
  switch (IniGetInt(hDlg, "Options", "Source", 3)) {
    case 0: SetCheck(hDlg, IDC_DATA_SRC_PCQUOTE, TRUE); break;
    case 1: SetCheck(hDlg, IDC_DATA_SRC_UKYAHOO, TRUE); break;
    default: SetCheck(hDlg, IDC_DATA_SRC_YAHOO, TRUE); break;  // the text page (2) is offered no more
  }
  SetCheck(hDlg, IDC_DATA_APPEND, IniGetInt(hDlg, "Files", "Append", 0));
  SetCheck(hDlg, IniGetInt(hDlg, "Files", "MMDDYY", 1) == 1 ? IDC_DATA_MMDDYY : IDC_DATA_DDMMYY, TRUE);
  FillDelimiterCombo(hDlg);
  SetCheck(hDlg, IDC_DATA_AUTOEXPORT, bAutoExport);
  SetCheck(hDlg, IDC_DATA_AUTOQUIT, bAutoQuit);
  SetCheck(hDlg, IDC_DATA_EXPORTSYMBOL, bExportToSymbol);
  SetDlgItemTextA(hDlg, IDC_DATA_AUTOFILE, szAutoFile);
  FillDecimalsCombo(hDlg);
  SetCheck(hDlg, IDC_DATA_NEGRED, bNegativeInRed);
  SetCheck(hDlg, IDC_DATA_NEGPAREN, bNegativeInParen);
  SetCheck(hDlg, IDC_DATA_COMMAS, bThousandsCommas);
  SetCheck(hDlg, IDC_DATA_KEEPQUOTES, bKeepQuotes);
  SetCheck(hDlg, IDC_DATA_SHOWBANNER, bShowBanner);
  IniGetString(hDlg, "Options", "TitleBar", szTitleBar, sizeof szTitleBar, "");
  SetDlgItemTextA(hDlg, IDC_DATA_TITLEBAR, szTitleBar);
  SetCheck(hDlg, IDC_DATA_SYSTRAY, bSystemTray);
  SetCheck(hDlg, IDC_DATA_GRIDLINES, bUseGridLines);
  SetCheck(hDlg, IDC_DATA_ALTCOLOR, bAlternateColor);
  SetDlgItemTextA(hDlg, IDC_DATA_SWATCH, "COLOR");
  ParseAltColorSetting(hDlg, &crAltColor);
}

// The selected item becomes the delimiter; the typed text of the combo alone changes nothing.
static void SaveDelimiter(HWND hDlg) {
  HWND combo = GetDlgItem(hDlg, IDC_DATA_DELIMITER);
  int selected = (int)SendMessageA(combo, CB_GETCURSEL, 0, 0);
  if (selected < 0) return;
  int length = (int)SendMessageA(combo, CB_GETLBTEXTLEN, (WPARAM)selected, 0);
  if (length < 0 || length >= DELIMITER_SIZE) return;
  SendMessageA(combo, CB_GETLBTEXT, (WPARAM)selected, (LPARAM)szDelimiter);
  UpperCase(szDelimiter);
  IniPutString(hDlg, "Files", "Delimiter", szDelimiter);
  TranslateDelimiterWord(szDelimiter);
}

static void OnDataOk(HWND hDlg) {
  bAlarmToTop = PutFlagSetting(hDlg, "Alarms", "ToTop", IsChecked(hDlg, IDC_DATA_TOTOP));
  bAlarmBeep = PutFlagSetting(hDlg, "Alarms", "Beep", IsChecked(hDlg, IDC_DATA_BEEP));
  GetDlgItemTextA(hDlg, IDC_DATA_SOUND, szAlarmSound, sizeof szAlarmSound);
  IniPutString(hDlg, "Alarms", "Sound", szAlarmSound);
  // The main window reads the source back when the dialog has ended.
  const char* source = IsChecked(hDlg, IDC_DATA_SRC_PCQUOTE) ? "0" : IsChecked(hDlg, IDC_DATA_SRC_UKYAHOO) ? "1" : "3";
  IniPutString(hDlg, "Options", "Source", source);
  bAppend = PutFlagSetting(hDlg, "Files", "Append", IsChecked(hDlg, IDC_DATA_APPEND));
  bExportToSymbol = PutFlagSetting(hDlg, "Files", "ExportToSymbol", IsChecked(hDlg, IDC_DATA_EXPORTSYMBOL));
  PutFlagSetting(hDlg, "Files", "MMDDYY", IsChecked(hDlg, IDC_DATA_MMDDYY));
  SaveDelimiter(hDlg);
  bAutoExport = PutFlagSetting(hDlg, "Files", "AutoExport", IsChecked(hDlg, IDC_DATA_AUTOEXPORT));
  bAutoQuit = PutFlagSetting(hDlg, "Files", "AutoQuit", IsChecked(hDlg, IDC_DATA_AUTOQUIT));
  GetDlgItemTextA(hDlg, IDC_DATA_AUTOFILE, szAutoFile, sizeof szAutoFile);
  if (!szAutoFile[0]) strcpy(szAutoFile, "AUTOEXP.TXT");
  IniPutString(hDlg, "Files", "AutoFile", szAutoFile);

  char decimals[8] = "";
  int selected = (int)SendDlgItemMessageA(hDlg, IDC_DATA_DECIMALS, CB_GETCURSEL, 0, 0);
  if (selected >= 0) SendDlgItemMessageA(hDlg, IDC_DATA_DECIMALS, CB_GETLBTEXT, (WPARAM)selected, (LPARAM)decimals);
  nDecimalPlaces = (short)(selected >= 0 ? atoi(decimals) : DEFAULT_DECIMALS);
  PutIntSetting(hDlg, "Options", "DecimalPlaces", nDecimalPlaces);
  bNegativeInRed = PutFlagSetting(hDlg, "Options", "NegativeInRed", IsChecked(hDlg, IDC_DATA_NEGRED));
  bNegativeInParen = PutFlagSetting(hDlg, "Options", "NegativeInParen", IsChecked(hDlg, IDC_DATA_NEGPAREN));
  bThousandsCommas = PutFlagSetting(hDlg, "Options", "ThousandsCommas", IsChecked(hDlg, IDC_DATA_COMMAS));
  bKeepQuotes = PutFlagSetting(hDlg, "Options", "KeepQuotes", IsChecked(hDlg, IDC_DATA_KEEPQUOTES));
  bShowBanner = PutFlagSetting(hDlg, "Options", "ShowBanner", IsChecked(hDlg, IDC_DATA_SHOWBANNER));
  SetBannerShown(bShowBanner);

  BOOL tray = PutFlagSetting(hDlg, "Options", "SystemTray", IsChecked(hDlg, IDC_DATA_SYSTRAY));
  if (tray != bSystemTray) {
    bSystemTray = tray;
    if (tray)
      AddTrayIcon(hTrayWnd);
    else
      RemoveTrayIcon(hTrayWnd);
  }
  BOOL grid = PutFlagSetting(hDlg, "Options", "useGridLines", IsChecked(hDlg, IDC_DATA_GRIDLINES));
  if (grid != bUseGridLines) {
    bUseGridLines = grid;
    SendMessageA(hListView, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_GRIDLINES, grid ? LVS_EX_GRIDLINES : 0);
  }
  bAlternateColor = PutFlagSetting(hDlg, "Options", "AlternateColor", IsChecked(hDlg, IDC_DATA_ALTCOLOR));
  GetDlgItemTextA(hDlg, IDC_DATA_TITLEBAR, szTitleBar, sizeof szTitleBar);
  IniPutString(hDlg, "Options", "TitleBar", szTitleBar);
  char color[16];
  snprintf(color, sizeof color, "%lX", (unsigned long)crAltColor);
  IniPutString(hDlg, "Options", "AltColor", color);
  EndDialog(hDlg, 1);
}

static void OnBrowseSound(HWND hDlg) {
  char path[SETTING_PATH_SIZE];
  CopyCut(path, sizeof path, szAlarmSound);
  if (BrowseForSoundFile(hDlg, path, "Sound File")) SetDlgItemTextA(hDlg, IDC_DATA_SOUND, path);
}

// The colour is in force at once, also when the dialog is then cancelled; only OK writes it.
static void OnPickColor(HWND hDlg) {
  COLORREF picked = PickColor(hDlg);
  if (!picked) return;
  crAltColor = picked;
  DropSwatchBrush();
  InvalidateRect(GetDlgItem(hDlg, IDC_DATA_SWATCH), NULL, TRUE);
}

// A read-only edit asks with WM_CTLCOLORSTATIC, a writable one with WM_CTLCOLOREDIT.
static INT_PTR OnSwatchColor(HDC hdc) {
  if (!hSwatchBrush) hSwatchBrush = CreateSolidBrush(crAltColor);
  SetBkColor(hdc, crAltColor);
  return (INT_PTR)hSwatchBrush;
}

INT_PTR CALLBACK DataSettingsDlgProc(HWND hDlg, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_INITDIALOG:
      OnInitDataDialog(hDlg);
      return TRUE;
    case WM_SHOWWINDOW:
      if (wParam) FocusFirstTypingField(hDlg);
      return FALSE;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
      if (GetDlgCtrlID((HWND)lParam) == IDC_DATA_SWATCH) return OnSwatchColor((HDC)wParam);
      return FALSE;
    case WM_DESTROY:
      DropSwatchBrush();
      return FALSE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDC_DATA_SOUNDBROWSE: OnBrowseSound(hDlg); return TRUE;
        case IDC_DATA_PICKCOLOR: OnPickColor(hDlg); return TRUE;
        case IDC_DATA_INDEXLIST: OpenHostPage(hDlg, HOST_YAHOO, "/m1?u"); return TRUE;
        case IDOK: OnDataOk(hDlg); return TRUE;
        case IDCANCEL: EndDialog(hDlg, 0); return TRUE;
      }
      break;
  }
  return FALSE;
}

INT_PTR ShowDataSettingsDialog(HWND owner) {
  return ShowDialog(owner, IDD_DATAPREFS, DataSettingsDlgProc, 0);
}
