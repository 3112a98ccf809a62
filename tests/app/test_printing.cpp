// Printing on a real printer: Wine's PostScript driver writing into a file, read back page by page.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <winspool.h>

#include <algorithm>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "app/alarms.h"
#include "app/columns.h"
#include "app/handles.h"
#include "app/printing.h"
#include "store/database.h"
#include "tests/app/dialog_driver.h"
#include "tests/app/quote_list.h"

#define TEST_PRINTER "TW Test"

// winspool is not linked into the test programs: its calls are looked up.
template <typename F>
static F Spool(const char* name) {
  return (F)(void*)GetProcAddress(LoadLibraryA("winspool.drv"), name);
}
typedef BOOL(WINAPI* HandleFn)(HANDLE);

// A printer on Wine's PostScript driver with the generic PPD that winspool carries, printing into
// the Unix file port, made the default.
static void InstallPrinter(const std::string& port) {
  HMODULE data = LoadLibraryExA("winspool.drv", NULL, LOAD_LIBRARY_AS_DATAFILE);
  HRSRC res = FindResourceA(data, MAKEINTRESOURCEA(1), "PPDFILE");
  char dir[MAX_PATH];
  DWORD need = 0;
  Spool<BOOL(WINAPI*)(LPSTR, LPSTR, DWORD, LPBYTE, DWORD, LPDWORD)>("GetPrinterDriverDirectoryA")(
      NULL, NULL, 1, (LPBYTE)dir, sizeof dir, &need);
  std::string ppd = std::string(dir) + "\\twtest.ppd";
  WriteBytes(ppd, std::string((const char*)LockResource(LoadResource(data, res)), SizeofResource(data, res)));
  DRIVER_INFO_3A driver = {3, (char*)"TW Test PS", NULL, (char*)"wineps.drv", (char*)ppd.c_str(), (char*)"wineps.drv",
                           NULL, NULL, NULL, NULL};
  ASSERT_TRUE(Spool<BOOL(WINAPI*)(LPSTR, DWORD, LPBYTE, DWORD)>("AddPrinterDriverExA")(NULL, 3, (LPBYTE)&driver,
                                                                                       APD_COPY_NEW_FILES));
  HANDLE h = NULL;
  if (Spool<BOOL(WINAPI*)(LPSTR, LPHANDLE, void*)>("OpenPrinterA")((char*)TEST_PRINTER, &h, NULL)) {
    Spool<HandleFn>("DeletePrinter")(h);  // an earlier run's port
    Spool<HandleFn>("ClosePrinter")(h);
  }
  PRINTER_INFO_2A printer = {};
  printer.pPrinterName = (char*)TEST_PRINTER;
  printer.pPortName = (char*)port.c_str();
  printer.pDriverName = driver.pName;
  printer.pPrintProcessor = (char*)"WinPrint";
  printer.pDatatype = (char*)"RAW";
  printer.Attributes = PRINTER_ATTRIBUTE_LOCAL;
  h = Spool<HANDLE(WINAPI*)(LPSTR, DWORD, LPBYTE)>("AddPrinterA")(NULL, 2, (LPBYTE)&printer);
  ASSERT_TRUE(h != NULL);
  Spool<HandleFn>("ClosePrinter")(h);
  ASSERT_TRUE(Spool<BOOL(WINAPI*)(LPCSTR)>("SetDefaultPrinterA")(TEST_PRINTER));
}

static std::string UnixPath(const std::string& path) {
  WCHAR wide[MAX_PATH];
  MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
  auto convert = (char*(CDECL*)(LPCWSTR))(void*)GetProcAddress(GetModuleHandleA("kernel32"), "wine_get_unix_file_name");
  char* unix = convert(wide);
  std::string s = unix;
  HeapFree(GetProcessHeap(), 0, unix);
  return s;
}

// The texts drawn on each page, in drawing order: each run of glyphs ends at the restore that
// closes its clipped text, or at the next move. Blanks are left out: drivers name the blank glyph
// differently (the 64-bit one not as "space"), and a letter drawn as a blank would still be missing.
static std::vector<std::vector<std::string>> PrintedPages(const std::string& ps) {
  static const char* const kGlyphs[][2] = {{"period", "."}, {"colon", ":"}, {"zero", "0"}, {"one", "1"},
                                           {"two", "2"},    {"three", "3"}, {"four", "4"}, {"five", "5"},
                                           {"six", "6"},    {"seven", "7"}, {"eight", "8"}, {"nine", "9"}};
  static const char* const kBlanks[] = {"space", "nbspace", "uni0020", "uni00A0", ".notdef"};
  std::vector<std::vector<std::string>> pages;
  std::istringstream in(ps);
  std::string line, run;
  while (std::getline(in, line)) {
    size_t glyph = line.find(" glyphshow");
    if (line.rfind("%%Page:", 0) == 0) {
      pages.emplace_back();
    } else if (!pages.empty() && line[0] == '/' && glyph != std::string::npos) {
      std::string name = line.substr(1, glyph - 1);
      if (std::find(std::begin(kBlanks), std::end(kBlanks), name) != std::end(kBlanks)) continue;
      for (const auto& g : kGlyphs)
        if (name == g[0]) name = g[1];
      run += name.size() == 1 ? name : "?";
    } else if (line == "grestore" || line.find(" moveto") != std::string::npos) {
      if (!run.empty() && !pages.empty()) pages.back().push_back(run);
      run.clear();
    }
  }
  return pages;
}

static LRESULT CALLBACK CancelPosterProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_APP) PostMessageA(hPrintDlg, WM_COMMAND, IDCANCEL, 0);
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

TEST(PrintList, PagesHeadersAndTotalOnAPostScriptPrinter) {
  static char symbols[100][8];
  std::vector<TestStock> stocks;
  for (int i = 0; i < 100; ++i) {
    snprintf(symbols[i], sizeof symbols[i], "S%03d", i);
    stocks.push_back({symbols[i], "", 12.5, 0, 0, 0, 0, 0, 2, 0, "", i == 0});
  }
  FillQuoteList("print", "0,1,12", stocks);
  dNetWorth = 1234.5;
  // A port deep in the folders: the device entry naming it is longer than a short buffer would hold.
  const std::string deep = gTestDir + "\\" + std::string(100, 'p'), ps = deep + "\\out.ps";
  CreateDirectoryA(deep.c_str(), NULL);
  const std::string total = "TOTALPORTFOLIOVALUE:1234.5000";
  HWND owner = GetParent(hListView);
  auto print = [&]() {
    DeleteFileA(ps.c_str());
    PrintList(owner, hListView, 0, TRUE);
    EXPECT_TRUE(IsWindowEnabled(owner) && hPrintDlg == NULL);
    return PrintedPages(ReadBytes(ps));
  };
  // No printer, or one named without its port: nothing happens, nothing is shown.
  for (const char* entry : {(const char*)NULL, TEST_PRINTER ",wineps.drv"}) {
    WriteProfileStringA("windows", "device", entry);
    EXPECT_EQ(print().size(), 0u);
  }
  // The menu command tells the user, and the log has it.
  std::string told;
  RunModal([&] { return OnPrintCommand(owner), (INT_PTR)0; }, {{"Print", [&](HWND box) {
                                                                  told = MessageText(box);
                                                                  Press(box, IDOK);
                                                                }}});
  EXPECT_EQ(told, "No printer is available. Install a printer and make it the default one, then print again.");
  EXPECT_NE(LogText().find("GetDefaultPrinterDC: no printer (device \"" TEST_PRINTER ",wineps.drv\")"),
            std::string::npos);
  std::string port = UnixPath(ps);
  ASSERT_EQ(port.find_first_of(", "), std::string::npos) << port;  // the device entry splits there
  InstallPrinter(port);

  // Every page starts with the titles; the rows follow in list order and the total after them.
  auto pages = print();
  ASSERT_EQ(pages.size(), 2u) << LogText();
  std::vector<std::string> titles = {"Ticker", "Price", "Value"}, texts, expected = {"S000", "12.500", "25.000"};
  for (int i = 1; i < 100; ++i) expected.push_back(symbols[i]);
  expected.push_back(total);
  for (const auto& page : pages) {
    EXPECT_EQ(std::vector<std::string>(page.begin(), page.begin() + 3), titles);
    texts.insert(texts.end(), page.begin() + 3, page.end());
  }
  EXPECT_EQ(texts, expected);
  const int perPage = (int)pages[0].size() - 3 - 2;  // 68 at 300 dpi on A4

  // The last row fills its page: the total goes on a new page, under its own header.
  while ((int)SendMessageA(hListView, LVM_GETITEMCOUNT, 0, 0) > perPage) SendMessageA(hListView, LVM_DELETEITEM, perPage, 0);
  pages = print();
  ASSERT_EQ(pages.size(), 2u);
  EXPECT_EQ(pages[1], std::vector<std::string>({"Ticker", "Price", "Value", total}));
  ColShown[2] = -1;  // without the Value column no total, and no page for it
  EXPECT_EQ(print().size(), 1u);
  ColShown[2] = FLD_VALUE;

  // A cancel while the printing system asks the abort procedure: the job ends without a page.
  WNDCLASSA wc = {};
  wc.lpfnWndProc = CancelPosterProc;
  wc.lpszClassName = "TWCancelPoster";
  RegisterClassA(&wc);
  HWND poster = CreateWindowA("TWCancelPoster", "", 0, 0, 0, 1, 1, NULL, NULL, NULL, NULL);
  PostMessageA(poster, WM_APP, 0, 0);
  EXPECT_EQ(print().size(), 0u);
  EXPECT_TRUE(bUserAbort);
  DestroyWindow(poster);
  // An empty list prints no page, not even one for the total.
  SendMessageA(hListView, LVM_DELETEALLITEMS, 0, 0);
  EXPECT_EQ(print().size(), 0u);
  oDatabase.Close();
}

TEST(PrintAbortProc, PostedCancelEndsTheJob) {
  HWND owner = CreateWindowA("STATIC", "", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, NULL, NULL, NULL, NULL);
  EnableWindow(owner, FALSE);
  HWND box = CreatePrintCancelBox(owner);
  char caption[64] = "";
  GetWindowTextA(box, caption, sizeof caption);
  EXPECT_STREQ(caption, "TarnWick");
  EXPECT_TRUE(PrintAbortProc(NULL, 0));  // nothing waiting: go on
  PostMessageA(box, WM_COMMAND, IDCANCEL, 0);
  EXPECT_FALSE(PrintAbortProc(NULL, 0));
  EXPECT_TRUE(bUserAbort && !IsWindow(box) && hPrintDlg == NULL && IsWindowEnabled(owner));
  EXPECT_FALSE(PrintAbortProc(NULL, 0));
  DestroyWindow(owner);
}
