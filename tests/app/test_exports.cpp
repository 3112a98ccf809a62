// Export files byte for byte, the automatic export, and Copy All read back from the clipboard.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <map>
#include <string>

#include "app/exports.h"
#include "app/handles.h"
#include "foundation/settings.h"
#include "store/database.h"
#include "tests/app/quote_list.h"

static const double N = NoValue;

// In symbol order: one without a quote, one with a "/" and a comma in its name, a device name with a
// TAB in its name and no open, volume or holding.
static const std::vector<TestStock> kStocks = {
    {"A0", "", N, N, N, N, N, NoValue, N, N, "", false},
    {"BB/X", "Beta, Inc.", 11, 1, 10.5, 0, 10, 1500, 10, 50, "12/7", true},
    {"CON", "Con\tCorp", 10, 0, N, 12, 9, NoValue, N, N, "", true},
};

static int boxes;
static std::string lastBox;
static int WINAPI CountBox(HWND, LPCSTR text, LPCSTR, UINT) {
  ++boxes;
  lastBox = text;
  return IDOK;
}

static bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

TEST(ExportQuoteList, FilesByteForByte) {
  const std::string md = Today(true), dm = Today(false);
  const std::string header = "<ticker>,<per>,<date>,<open>,<high>,<low>,<close>,<vol>\r\n";
  const std::string bbFull = "BB/X,Beta  Inc.,11.000,1.000,10.00%,12/7/" + md.substr(md.rfind('/') + 1) +
                             ",1500,110.000,60.000,\r\n";
  struct Case {
    const char* name;
    int mode;
    const char* delimiter;
    BOOL monthFirst, perStock, append;
    std::map<std::string, std::string> files;  // file name -> content; "out.txt" is the chosen path
  } cases[] = {
      {"comma", EXPORT_FULL, ",", 1, 0, 0,
       {{"out.txt", "A0,,,,,,,,,\r\n" + bbFull + "CON,Con Corp,10.000,0.000,,,,,,\r\n"}}},
      {"tab, day first, appended to what was there", EXPORT_FULL, "\t", 0, 0, 1,
       {{"out.txt", "old\r\nA0\t\t\t\t\t\t\t\t\t\r\nBB/X\tBeta, Inc.\t11.000\t1.000\t10.00%\t7/12/" +
                        dm.substr(dm.rfind('/') + 1) + "\t1500\t110.000\t60.000\t\r\nCON\tCon Corp\t10.000\t0.000\t\t\t\t\t\t\r\n"}}},
      {"word delimiter, one file per stock", EXPORT_FULL, "; ", 1, 1, 0,
       {{"A0.txt", "A0; ; ; ; ; ; ; ; ; \r\n"},
        {"BB_X.txt", "BB/X; Beta, Inc.; 11.000; 1.000; 10.00%; 12/7/" + md.substr(md.rfind('/') + 1) +
                         "; 1500; 110.000; 60.000; \r\n"},
        {"_CON.txt", "CON; Con Corp; 10.000; 0.000; ; ; ; ; ; \r\n"}}},
      {"quicken", EXPORT_QUICKEN, ",", 0, 0, 0,
       {{"out.txt", "\"BB/X\",\"11.000\",\"" + dm + "\"\r\n\"CON\",\"10.000\",\"" + dm + "\"\r\n"}}},
      {"metastock", EXPORT_METASTOCK, ",", 1, 0, 0,
       {{"out.txt", header + "BB/X,D," + md + ",10.5000,11.0000,10.0000,11.0000,1500\r\nCON,D," + md +
                        ",10.0000,12.0000,9.0000,10.0000,0\r\n"}}},
      {"metastock per stock: header in the first file written", EXPORT_METASTOCK, ",", 1, 1, 0,
       {{"BB_X.txt", header + "BB/X,D," + md + ",10.5000,11.0000,10.0000,11.0000,1500\r\n"},
        {"_CON.txt", "CON,D," + md + ",10.0000,12.0000,9.0000,10.0000,0\r\n"}}},
  };
  for (const Case& c : cases) {
    FillQuoteList("export", "0,15,1,2,19,3,5,12,21", kStocks);
    snprintf(szDelimiter, sizeof szDelimiter, "%s", c.delimiter);
    std::string out = gTestDir + "\\out.txt";
    if (c.append) WriteBytes(out, "old\r\n");
    EXPECT_EQ(ExportQuoteList(hListView, out.c_str(), c.mode, 0, c.append, c.monthFirst, c.perStock), 1) << c.name;
    for (const auto& f : c.files) EXPECT_EQ(ReadBytes(gTestDir + "\\" + f.first), f.second) << c.name << ": " << f.first;
    for (const char* other : {"out.txt", "A0.txt", "BB_X.txt", "_CON.txt", "BB"}) {
      if (!c.files.count(other)) EXPECT_FALSE(Exists(gTestDir + "\\" + other)) << c.name << ": " << other;
    }
    oDatabase.Close();
  }
  snprintf(szDelimiter, sizeof szDelimiter, "\t");
}

TEST(ExportQuoteList, FailuresAreLoggedAndToldOnlyWhenInteractive) {
  pfnExportMessageBox = CountBox;
  boxes = 0;
  FillQuoteList("exportfail", "0,1", kStocks);
  std::string missing = gTestDir + "\\no such folder\\out.txt";
  char failed[MAX_PATH];
  EXPECT_EQ(ExportQuoteList(hListView, missing.c_str(), EXPORT_FULL, 0, 0, 1, 0, failed, sizeof failed), 0);
  EXPECT_EQ(std::string(failed), missing);
  EXPECT_NE(LogText().find("cannot open " + missing), std::string::npos);

  // Per stock: a name too long for a path fails that file alone; the others are written.
  std::string folder = gTestDir + "\\" + std::string(252 - gTestDir.size() - 1, 'f');
  ASSERT_EQ(folder.size() + 1, 253u);
  CreateDirectoryA(folder.c_str(), NULL);
  EXPECT_EQ(ExportQuoteList(hListView, (folder + "\\x").c_str(), EXPORT_FULL, 0, 0, 1, 1, failed, sizeof failed), 0);
  EXPECT_EQ(ReadBytes(folder + "\\A0.txt"), "A0\t\t\r\n");  // 259 characters: fits
  EXPECT_EQ(std::string(failed), (folder + "\\BB_X.txt").substr(0, MAX_PATH - 1));
  EXPECT_NE(LogText().find("cannot open " + folder + "\\_CON.t"), std::string::npos);
  EXPECT_EQ(LogText().find(folder + "\\_CON.tx"), std::string::npos);  // cut as a path is

  // The menu command tells the user; the automatic export does not, and still arms the quit.
  HWND owner = CreateWindowA("STATIC", "", 0, 0, 0, 10, 10, NULL, NULL, NULL, NULL);
  EXPECT_EQ(RunListExport(owner, missing.c_str(), EXPORT_QUICKEN, 0, TRUE), 0);
  EXPECT_EQ(boxes, 1);
  EXPECT_NE(lastBox.find(missing), std::string::npos);
  snprintf(szAutoFile, sizeof szAutoFile, "%s", missing.c_str());
  bAutoQuit = TRUE;
  OnAutoExport(owner);
  EXPECT_EQ(boxes, 1);
  EXPECT_TRUE(KillTimer(owner, IDT_QUIT));

  // An empty list is done at once and touches no file.
  SendMessageA(hListView, LVM_DELETEALLITEMS, 0, 0);
  std::string out = gTestDir + "\\empty.txt";
  EXPECT_EQ(ExportQuoteList(hListView, out.c_str(), EXPORT_METASTOCK, 0, 0, 1, 0), 1);
  EXPECT_FALSE(Exists(out));
  snprintf(szAutoFile, sizeof szAutoFile, "autoexp.txt");
  bAutoQuit = FALSE;
  DestroyWindow(owner);
  pfnExportMessageBox = MessageBoxA;
  oDatabase.Close();
}

TEST(ExportQuoteList, SymbolFileNamesStayInTheFolder) {
  struct Case {
    const char* symbol;
    const char* file;
  } cases[] = {
      {"IBM", "C:\\d\\IBM.txt"},         {"A/B", "C:\\d\\A_B.txt"},     {"a\\b:c*?\"<>|", "C:\\d\\a_b_c______.txt"},
      {"X\x01\x1f", "C:\\d\\X__.txt"},   {"nul", "C:\\d\\_nul.txt"},    {"COM1.TO", "C:\\d\\_COM1.TO.txt"},
      {"LPT9", "C:\\d\\_LPT9.txt"},      {"COM0", "C:\\d\\COM0.txt"},   {"CONX", "C:\\d\\CONX.txt"},
  };
  char out[MAX_PATH];
  for (const Case& c : cases) {
    EXPECT_TRUE(BuildSymbolExportPath("C:\\d\\prices.txt", c.symbol, out, sizeof out));
    EXPECT_STREQ(out, c.file) << c.symbol;
  }
  EXPECT_TRUE(BuildSymbolExportPath("prices.txt", "IBM", out, sizeof out));
  EXPECT_STREQ(out, "IBM.txt");
  EXPECT_FALSE(BuildSymbolExportPath("C:\\d\\prices.txt", "IBM", out, 12));
}

TEST(FormatRowAsText, WholeCellsOnlyAndDates) {
  FillQuoteList("rowtext", "0,15,1,3", kStocks);
  std::string year = Today(true).substr(Today(true).rfind('/') + 1);
  char row[ROW_TEXT_SIZE];
  FormatRowAsText(1, row, sizeof row, "\t", TRUE);
  EXPECT_EQ(std::string(row), "BB/X\tBeta, Inc.\t11.000\t12/7/" + year + "\t");
  FormatRowAsText(1, row, 21, "\t", TRUE);  // "BB/X\tBeta, Inc.\t" is 16 bytes, the price would end at 23
  EXPECT_STREQ(row, "BB/X\tBeta, Inc.\t");
  FormatRowAsText(7, row, sizeof row, ",", TRUE);  // no such row: every cell empty
  EXPECT_STREQ(row, ",,,,");

  struct Case {
    const char* text;
    BOOL monthFirst;
    std::string expected;
  } dates[] = {
      {"12/7", 1, "12/7/" + year}, {"12/7", 0, "7/12/" + year}, {"12/7/2026", 1, "12/7/2026"},
      {"", 1, ""},                 {"16:00", 1, "16:00"},       {"/7", 1, "/7"},
  };
  for (const Case& d : dates) {
    char out[CELL_TEXT_SIZE];
    FormatMonthDayWithYear(out, sizeof out, d.text, d.monthFirst);
    EXPECT_EQ(std::string(out), d.expected) << d.text;
  }
  oDatabase.Close();
}

static std::string ClipboardText() {
  std::string s = "<none>";
  if (!OpenClipboard(NULL)) return "<closed>";
  HANDLE h = GetClipboardData(CF_TEXT);
  const char* p = h ? (const char*)GlobalLock(h) : NULL;
  if (p) s = p;
  if (p) GlobalUnlock(h);
  CloseClipboard();
  return s;
}

static DWORD WINAPI HoldClipboard(LPVOID events) {
  HANDLE* ev = (HANDLE*)events;
  HWND w = CreateWindowA("STATIC", "", 0, 0, 0, 1, 1, NULL, NULL, NULL, NULL);
  OpenClipboard(w);
  SetEvent(ev[0]);
  WaitForSingleObject(ev[1], 10000);
  CloseClipboard();
  DestroyWindow(w);
  return 0;
}

TEST(CopyListToClipboard, DisplayedRowsAndEmptyList) {
  FillQuoteList("clip", "0,1,5", kStocks);
  HWND owner = GetParent(hListView);
  snprintf(szDelimiter, sizeof szDelimiter, ",");
  CopyListToClipboard(owner);
  // the displayed cells: grouped numbers, no trailing delimiter, every row ended
  EXPECT_EQ(ClipboardText(), "A0,,\r\nBB/X,11.000,1,500\r\nCON,10.000,\r\n");

  SendMessageA(hListView, LVM_DELETEALLITEMS, 0, 0);
  CopyListToClipboard(owner);
  EXPECT_EQ(ClipboardText(), "");  // replaced by an empty text

  // The clipboard held by another window: the text's block goes back to the system.
  HANDLE ev[2] = {CreateEventA(NULL, FALSE, FALSE, NULL), CreateEventA(NULL, FALSE, FALSE, NULL)};
  HANDLE holder = CreateThread(NULL, 0, HoldClipboard, ev, 0, NULL);
  WaitForSingleObject(ev[0], 10000);
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 4);
  EXPECT_FALSE(PutTextOnClipboard(owner, block));
  EXPECT_EQ(GlobalFlags(block), (UINT)GMEM_INVALID_HANDLE);
  SetEvent(ev[1]);
  WaitForSingleObject(holder, 10000);
  CloseHandle(holder);
  CloseHandle(ev[0]);
  CloseHandle(ev[1]);
  snprintf(szDelimiter, sizeof szDelimiter, "\t");
  oDatabase.Close();
}
