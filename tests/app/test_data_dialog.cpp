// The data settings dialog: what it shows, what OK writes, the delimiter and the colour swatch.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "app/alarms.h"
#include "app/columns.h"
#include "app/dialogs.h"
#include "app/handles.h"
#include "app/options.h"
#include "foundation/settings.h"
#include "resources/resource.h"
#include "store/store_quote.h"
#include "tests/app/dialog_driver.h"
#include "tests/store/test_support.h"

namespace {

INT_PTR RunDataDialog(const std::vector<DialogStep>& steps) {
  return RunModal([] { return ShowDataSettingsDialog(NULL); }, steps);
}

std::string ComboText(HWND d, int id) {
  char text[64] = "";
  int selected = (int)SendDlgItemMessageA(d, id, CB_GETCURSEL, 0, 0);
  if (selected >= 0) SendDlgItemMessageA(d, id, CB_GETLBTEXT, selected, (LPARAM)text);
  return text;
}

COLORREF BrushColor(INT_PTR brush) {
  LOGBRUSH lb = {};
  if (!brush || !GetObjectA((HBRUSH)brush, sizeof lb, &lb)) return CLR_INVALID;
  return lb.lbColor;
}

}  // namespace

TEST(DataDialog, OkWritesBackWhatItShows) {
  FreshStore("dataok", "[Options]\r\nSource=2\r\nTitleBar=Mine\r\nAltColor=ff\r\n[Files]\r\nMMDDYY=0\r\n");
  MakeList("0,1");
  strcpy(szDelimiter, ";");
  nDecimalPlaces = 7;
  strcpy(szAutoFile, "auto.txt");
  INT_PTR result = RunDataDialog({{"Data Preferences", [](HWND d) {
                                     EXPECT_TRUE(Checked(d, IDC_DATA_SRC_YAHOO));
                                     EXPECT_TRUE(Checked(d, IDC_DATA_DDMMYY));
                                     EXPECT_EQ(ComboText(d, IDC_DATA_DELIMITER), ";");
                                     EXPECT_EQ(ComboText(d, IDC_DATA_DECIMALS), "3");
                                     EXPECT_EQ(ItemText(d, IDC_DATA_TITLEBAR), "Mine");
                                     SetText(d, IDC_DATA_AUTOFILE, "");
                                     Press(d, IDOK);
                                   }}});
  EXPECT_EQ(result, 1);
  EXPECT_EQ(IniText("Options", "Source"), "3");
  EXPECT_EQ(IniText("Files", "MMDDYY"), "0");
  EXPECT_EQ(IniText("Files", "Delimiter"), ";");
  EXPECT_STREQ(szDelimiter, ";");
  EXPECT_EQ(IniText("Options", "DecimalPlaces"), "3");
  EXPECT_EQ(nDecimalPlaces, 3);
  EXPECT_EQ(IniText("Files", "AutoFile"), "AUTOEXP.TXT");
  EXPECT_STREQ(szAutoFile, "AUTOEXP.TXT");
  EXPECT_EQ(IniText("Options", "AltColor"), "FF");
  EXPECT_EQ(IniText("Options", "TitleBar"), "Mine");
}

TEST(DataDialog, DelimiterComesFromTheSelectedItemOnly) {
  struct Case {
    const char* start;
    std::function<void(HWND)> choose;
    const char *inMemory, *inFile;
  } cases[] = {
      {"\t", [](HWND d) { SendDlgItemMessageA(d, IDC_DATA_DELIMITER, CB_SETCURSEL, 1, 0); }, ",", "COMMA"},
      {",", [](HWND d) { SendDlgItemMessageA(d, IDC_DATA_DELIMITER, CB_SETCURSEL, 0, 0); }, "\t", "TAB"},
      // typed text with no item selected changes nothing
      {",", [](HWND d) {
         SendDlgItemMessageA(d, IDC_DATA_DELIMITER, CB_SETCURSEL, (WPARAM)-1, 0);
         SetText(d, IDC_DATA_DELIMITER, "|");
       }, ",", "<missing>"},
      // an item too long for the setting is not taken
      {",", [](HWND d) {
         int at = (int)SendDlgItemMessageA(d, IDC_DATA_DELIMITER, CB_ADDSTRING, 0, (LPARAM) "a separator far too long");
         SendDlgItemMessageA(d, IDC_DATA_DELIMITER, CB_SETCURSEL, at, 0);
       }, ",", "<missing>"},
  };
  for (const Case& c : cases) {
    FreshStore("delimiter", "");
    MakeList("0");
    strcpy(szDelimiter, c.start);
    RunDataDialog({{"Data Preferences", [&](HWND d) {
                      c.choose(d);
                      Press(d, IDOK);
                    }}});
    EXPECT_STREQ(szDelimiter, c.inMemory);
    EXPECT_EQ(IniText("Files", "Delimiter"), c.inFile);
  }
}

TEST(DataDialog, SwatchShowsThePickedColourAtOnce) {
  FreshStore("swatch", "[Options]\r\nAltColor=F8F8F8\r\n");
  MakeList("0");
  INT_PTR result = RunDataDialog(
      {{"Data Preferences", [](HWND d) {
          HWND swatch = GetDlgItem(d, IDC_DATA_SWATCH);
          EXPECT_TRUE(GetWindowLongA(swatch, GWL_STYLE) & ES_READONLY);
          HDC dc = GetDC(swatch);
          EXPECT_EQ(BrushColor(SendMessageA(d, WM_CTLCOLORSTATIC, (WPARAM)dc, (LPARAM)swatch)), 0xF8F8F8u);
          EXPECT_EQ(BrushColor(SendMessageA(d, WM_CTLCOLOREDIT, (WPARAM)dc, (LPARAM)swatch)), 0xF8F8F8u);
          // other controls keep their own colours
          EXPECT_NE(BrushColor(SendMessageA(d, WM_CTLCOLOREDIT, (WPARAM)dc, (LPARAM)GetDlgItem(d, IDC_DATA_TITLEBAR))),
                    0xF8F8F8u);
          ReleaseDC(swatch, dc);
          Press(d, IDC_DATA_PICKCOLOR);
        }},
       {"Color", [](HWND picker) {
          SetText(picker, 706, "10");  // red, green, blue
          SetText(picker, 707, "20");
          SetText(picker, 708, "30");
          Press(picker, IDOK);
        }},
       {"Data Preferences", [](HWND d) {
          HWND swatch = GetDlgItem(d, IDC_DATA_SWATCH);
          HDC dc = GetDC(swatch);
          EXPECT_EQ(BrushColor(SendMessageA(d, WM_CTLCOLORSTATIC, (WPARAM)dc, (LPARAM)swatch)), RGB(10, 20, 30));
          ReleaseDC(swatch, dc);
          Press(d, IDCANCEL);
        }}});
  EXPECT_EQ(result, 0);
  // in force at once, written only by OK
  EXPECT_EQ(crAltColor, RGB(10, 20, 30));
  EXPECT_EQ(IniText("Options", "AltColor"), "F8F8F8");
}

// Whether the shell has our icon: changing it succeeds only then.
static BOOL IconPresent() { return UpdateTrayIcon(hTrayWnd, 0, "probe"); }

TEST(DataDialog, GridLinesAndTrayIconChangeAtOnce) {
  FreshStore("atonce", "");
  MakeList("0");
  bUseGridLines = TRUE;
  SendMessageA(hListView, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_GRIDLINES, LVS_EX_GRIDLINES);
  hTrayWnd = CreateWindowExA(WS_EX_TOOLWINDOW, "STATIC", "TWKWindow", 0, 0, 0, 0, 0, NULL, NULL, NULL, NULL);
  bSystemTray = FALSE;
  auto pressOk = [](int toggle) {
    RunDataDialog({{"Data Preferences", [=](HWND d) {
                      if (toggle) Press(d, toggle);
                      Press(d, IDOK);
                    }}});
  };
  pressOk(IDC_DATA_GRIDLINES);
  EXPECT_FALSE(SendMessageA(hListView, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_GRIDLINES);
  EXPECT_FALSE(bUseGridLines);
  EXPECT_EQ(IniText("Options", "useGridLines"), "0");

  pressOk(IDC_DATA_SYSTRAY);
  EXPECT_TRUE(bSystemTray);
  EXPECT_TRUE(IconPresent());
  // unchanged, the setting adds and removes nothing
  RemoveTrayIcon(hTrayWnd);
  pressOk(0);
  EXPECT_FALSE(IconPresent());
  AddTrayIcon(hTrayWnd);
  pressOk(IDC_DATA_SYSTRAY);
  EXPECT_FALSE(bSystemTray);
  EXPECT_FALSE(IconPresent());
  EXPECT_EQ(IniText("Options", "SystemTray"), "0");
  DestroyWindow(hTrayWnd);
  hTrayWnd = NULL;
}
