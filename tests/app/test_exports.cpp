// Export files byte for byte, export failures, and Copy All read back from the clipboard.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <dlgs.h>

#include <map>
#include <string>

#include "app/exports.h"
#include "foundation/settings.h"
#include "store/database.h"
#include "tests/app/dialog_driver.h"
#include "tests/app/quote_list.h"

static const double N = NoValue;
// In symbol order: one without a quote; one with a "/" in its symbol and a comma in its name; a
// device name with a TAB in its name and no open, volume or holding.
static const std::vector<TestStock> kStocks = {
    {"A0", "", N, N, N, N, N, NoValue, N, N, "", false},
    {"BB/X", "Beta, Inc.", 11, 1, 10.5, 0, 10, 1500, 10, 50, "12/7", true},
    {"CON", "Con\tCorp", 10, 0, N, 12, 9, NoValue, N, N, "", true},
};

static std::string Today(bool monthFirst) {
  SYSTEMTIME t;
  GetLocalTime(&t);
  char s[32];
  snprintf(s, sizeof s, "%d/%d/%d", monthFirst ? t.wMonth : t.wDay, monthFirst ? t.wDay : t.wMonth, t.wYear);
  return s;
}

TEST(ExportQuoteList, FilesByteForByte) {
  const std::string md = Today(true), dm = Today(false), year = md.substr(md.rfind('/') + 1);
  const std::string head = "<ticker>,<per>,<date>,<open>,<high>,<low>,<close>,<vol>\r\n";
  const std::string bb = "BB/X,D," + md + ",10.5000,11.0000,10.0000,11.0000,1500\r\n";
  const std::string con = "CON,D," + md + ",10.0000,12.0000,9.0000,10.0000,0\r\n";
  struct Case {
    int mode;
    const char* delimiter;
    BOOL monthFirst, perStock, append;
    std::map<std::string, std::string> files;  // "out.txt" is the chosen path
  } cases[] = {
      {EXPORT_FULL, ",", 1, 0, 0,
       {{"out.txt", "A0,,,,,,,,,\r\nBB/X,Beta  Inc.,11.000,1.000,10.00%,12/7/" + year +
                        ",1500,110.000,60.000,\r\nCON,Con Corp,10.000,0.000,,,,,,\r\n"}}},
      {EXPORT_FULL, "\t", 0, 0, 1,
       {{"out.txt", "old\r\nA0\t\t\t\t\t\t\t\t\t\r\nBB/X\tBeta, Inc.\t11.000\t1.000\t10.00%\t7/12/" + year +
                        "\t1500\t110.000\t60.000\t\r\nCON\tCon Corp\t10.000\t0.000\t\t\t\t\t\t\r\n"}}},
      {EXPORT_FULL, "; ", 1, 1, 0,
       {{"A0.txt", "A0; ; ; ; ; ; ; ; ; \r\n"},
        {"BB_X.txt", "BB/X; Beta, Inc.; 11.000; 1.000; 10.00%; 12/7/" + year + "; 1500; 110.000; 60.000; \r\n"},
        {"_CON.txt", "CON; Con Corp; 10.000; 0.000; ; ; ; ; ; \r\n"}}},
      {EXPORT_QUICKEN, ",", 0, 0, 0,
       {{"out.txt", "\"BB/X\",\"11.000\",\"" + dm + "\"\r\n\"CON\",\"10.000\",\"" + dm + "\"\r\n"}}},
      {EXPORT_METASTOCK, ",", 1, 0, 0, {{"out.txt", head + bb + con}}},
      {EXPORT_METASTOCK, ",", 1, 1, 0, {{"BB_X.txt", head + bb}, {"_CON.txt", con}}},
  };
  for (const Case& c : cases) {
    FillQuoteList("export", "0,15,1,2,19,3,5,12,21", kStocks);
    snprintf(szDelimiter, sizeof szDelimiter, "%s", c.delimiter);
    std::string out = gTestDir + "\\out.txt";
    for (const char* name : {"out.txt", "A0.txt", "BB_X.txt", "_CON.txt"})  // an earlier run's folder
      DeleteFileA((gTestDir + "\\" + name).c_str());
    if (c.append) WriteBytes(out, "old\r\n");
    EXPECT_EQ(ExportQuoteList(hListView, out.c_str(), c.mode, 0, c.append, c.monthFirst, c.perStock), 1);
    for (const char* name : {"out.txt", "A0.txt", "BB_X.txt", "_CON.txt", "BB"}) {
      std::string expected = c.files.count(name) ? c.files.at(name) : "<none>";
      std::string path = gTestDir + "\\" + name;
      EXPECT_EQ(GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES ? "<none>" : ReadBytes(path), expected)
          << "mode " << c.mode << " delimiter " << c.delimiter << ": " << name;
    }
    oDatabase.Close();
  }
  // A short buffer takes whole cells only.
  FillQuoteList("rowtext", "0,15,1", kStocks);
  char row[21];
  FormatRowAsText(1, row, sizeof row, "\t", TRUE);
  EXPECT_STREQ(row, "BB/X\tBeta, Inc.\t");
  snprintf(szDelimiter, sizeof szDelimiter, "\t");
  oDatabase.Close();
}

TEST(FormatMonthDayWithYear, OnlyTwoNumbersAreAMonthAndADay) {
  const std::string year = Today(true).substr(Today(true).rfind('/'));
  struct Case {
    const char* text;
    BOOL monthFirst;
    std::string out;
  } cases[] = {
      {"12/7", 1, "12/7" + year}, {"12/7", 0, "7/12" + year}, {"01/09", 1, "1/9" + year},
      {"N/A", 1, "N/A"},          {"12//7", 1, "12//7"},      {"12/7x", 1, "12/7x"},
      {"/7", 1, "/7"},            {"12/", 1, "12/"},          {"123/4", 1, "123/4"},
      {"12/7/2026", 1, "12/7/2026"}, {"", 1, ""},
  };
  for (const Case& c : cases) {
    char out[CELL_TEXT_SIZE];
    FormatMonthDayWithYear(out, sizeof out, c.text, c.monthFirst);
    EXPECT_EQ(out, c.out) << c.text;
  }
}

static int boxes;
static int WINAPI CountBox(HWND, LPCSTR, LPCSTR, UINT) { return ++boxes; }

TEST(ExportQuoteList, FailuresAreLoggedAndToldOnlyWhenInteractive) {
  pfnExportMessageBox = CountBox;
  FillQuoteList("exportfail", "0,1", kStocks);
  std::string missing = gTestDir + "\\no such folder\\out.txt";
  char failed[MAX_PATH];
  EXPECT_EQ(ExportQuoteList(hListView, missing.c_str(), EXPORT_FULL, 0, 0, 1, 0, failed, sizeof failed), 0);
  EXPECT_EQ(std::string(failed), missing);
  EXPECT_NE(LogText().find("cannot open " + missing), std::string::npos);

  // Per stock, a path too long fails that stock's file alone.
  std::string folder = gTestDir + "\\" + std::string(252 - gTestDir.size() - 1, 'f');  // 252 characters
  CreateDirectoryA(folder.c_str(), NULL);
  EXPECT_EQ(ExportQuoteList(hListView, (folder + "\\x").c_str(), EXPORT_FULL, 0, 0, 1, 1, failed, sizeof failed), 0);
  EXPECT_EQ(ReadBytes(folder + "\\A0.txt"), "A0\t\t\r\n");  // 259 characters still fit
  EXPECT_EQ(std::string(failed), folder + "\\BB_X.t");        // cut to the buffer
  EXPECT_NE(LogText().find("cannot open " + folder + "\\_CON.t"), std::string::npos);

  // The menu command tells the user; the automatic export does not, and still arms the quit.
  HWND owner = GetParent(hListView);
  boxes = 0;
  EXPECT_EQ(RunListExport(owner, missing.c_str(), EXPORT_QUICKEN, 0, TRUE), 0);
  snprintf(szAutoFile, sizeof szAutoFile, "%s", missing.c_str());
  bAutoQuit = TRUE;
  OnAutoExport(owner);
  EXPECT_EQ(boxes, 1);
  EXPECT_TRUE(KillTimer(owner, IDT_QUIT));
  snprintf(szAutoFile, sizeof szAutoFile, "autoexp.txt");
  bAutoQuit = FALSE;

  // An empty list is done at once and touches no file.
  SendMessageA(hListView, LVM_DELETEALLITEMS, 0, 0);
  DeleteFileA((gTestDir + "\\e.txt").c_str());  // the folder may be an earlier run's
  EXPECT_EQ(ExportQuoteList(hListView, (gTestDir + "\\e.txt").c_str(), EXPORT_METASTOCK, 0, 0, 1, 0), 1);
  EXPECT_EQ(GetFileAttributesA((gTestDir + "\\e.txt").c_str()), INVALID_FILE_ATTRIBUTES);
  pfnExportMessageBox = MessageBoxA;
  oDatabase.Close();
}

TEST(ExportCommands, SaveDialogThenExportAndTheNameKept) {
  FillQuoteList("exportcmd", "0,1", kStocks);
  HWND owner = GetParent(hListView);
  std::string chosen = gTestDir + "\\ms.txt";
  DeleteFileA(chosen.c_str());  // else the dialog asks to overwrite it
  auto run = [&](std::function<void(HWND)> act) {
    RunModal([&] { return OnExportCommand(owner, EXPORT_METASTOCK), (INT_PTR)0; }, {{"MetaStock Export Filename", act}});
  };
  run([&](HWND d) {
    EXPECT_EQ(ItemText(d, edt1) + ItemText(d, cmb13), "prices.txt");
    SendMessageA(d, CDM_SETCONTROLTEXT, edt1, (LPARAM)chosen.c_str());
    SendMessageA(d, CDM_SETCONTROLTEXT, cmb13, (LPARAM)chosen.c_str());
    Press(d, IDOK);
  });
  EXPECT_EQ(ReadBytes(chosen).substr(0, 9), "<ticker>,");
  EXPECT_EQ(IniText("Files", "MetaStock"), chosen);
  IniPutString(NULL, "Files", "MetaStock", "kept.txt");
  run([](HWND d) { Press(d, IDCANCEL); });
  EXPECT_EQ(IniText("Files", "MetaStock"), "kept.txt");
  oDatabase.Close();
}

static std::string ClipboardText() {
  std::string s = "<none>";
  OpenClipboard(NULL);
  HANDLE h = GetClipboardData(CF_TEXT);
  if (const char* p = h ? (const char*)GlobalLock(h) : NULL) s = p, GlobalUnlock(h);
  CloseClipboard();
  return s;
}

static DWORD WINAPI HoldClipboard(LPVOID events) {
  HWND w = CreateWindowA("STATIC", "", 0, 0, 0, 1, 1, NULL, NULL, NULL, NULL);
  OpenClipboard(w);
  SetEvent(((HANDLE*)events)[0]);
  WaitForSingleObject(((HANDLE*)events)[1], 10000);
  CloseClipboard();
  return 0;
}

TEST(CopyListToClipboard, DisplayedRowsEmptyListAndBusyClipboard) {
  FillQuoteList("clip", "0,1,5", kStocks);
  HWND owner = GetParent(hListView);
  snprintf(szDelimiter, sizeof szDelimiter, ",");
  CopyListToClipboard(owner);
  EXPECT_EQ(ClipboardText(), "A0,,\r\nBB/X,11.000,1,500\r\nCON,10.000,\r\n");  // as displayed
  SendMessageA(hListView, LVM_DELETEALLITEMS, 0, 0);
  CopyListToClipboard(owner);
  EXPECT_EQ(ClipboardText(), "");

  // Held by another window: the block is freed, not lost.
  HANDLE ev[2] = {CreateEventA(NULL, FALSE, FALSE, NULL), CreateEventA(NULL, FALSE, FALSE, NULL)};
  HANDLE holder = CreateThread(NULL, 0, HoldClipboard, ev, 0, NULL);
  WaitForSingleObject(ev[0], 10000);
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 4);
  EXPECT_FALSE(PutTextOnClipboard(owner, block));
  EXPECT_EQ(GlobalFlags(block), (UINT)GMEM_INVALID_HANDLE);
  SetEvent(ev[1]);
  WaitForSingleObject(holder, 10000);
  snprintf(szDelimiter, sizeof szDelimiter, "\t");
  oDatabase.Close();
}
