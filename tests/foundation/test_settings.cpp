// Settings path, settings file access, window rectangle and registry values.
#include <gtest/gtest.h>
#include <windows.h>
#include <string.h>
#include <string>
#include <vector>

#include "foundation/settings.h"

namespace {

std::string TempFolder(const char* tag) {
  char tmp[MAX_PATH];
  GetTempPathA(sizeof tmp, tmp);
  std::string dir = std::string(tmp) + "twset_" + tag + "_" + std::to_string(GetCurrentProcessId());
  CreateDirectoryA(dir.c_str(), NULL);
  return dir;
}

// Points the settings at a fresh file in a private folder.
struct SettingsTest : ::testing::Test {
  std::string ini;
  void SetUp() override {
    ini = TempFolder(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "\\t.ini";
    DeleteFileA(ini.c_str());
    strcpy(szIniPath, ini.c_str());
    bIniReady = bRegistryReady = TRUE;
  }
  void TearDown() override { DeleteFileA(ini.c_str()); }
};

}  // namespace

TEST(SettingsPath, ExtensionAndFolderRules) {
  struct { const char* path; const char* ext; const char* want; BOOL whole; } rows[] = {
      {"D:\\Apps\\prog.exe", "INI", "D:\\Apps\\prog.INI", TRUE},
      {"D:\\x\\prog.exe", "db", "D:\\x\\prog.db", TRUE},
      {"C:\\a.b\\prog", "INI", "C:\\a.b\\prog.INI", TRUE},  // a dotted folder is not the extension
      {"C:\\x\\a.tar.exe", "INI", "C:\\x\\a.tar.INI", TRUE},
      {"C:\\x\\prog.", "INI", "C:\\x\\prog.INI", TRUE},
      {"prog", "INI", "prog.INI", TRUE},
  };
  for (auto& r : rows) {
    char out[MAX_PATH];
    EXPECT_EQ(ReplacePathExtension(r.path, r.ext, out, sizeof out), r.whole) << r.path;
    EXPECT_STREQ(out, r.want);
  }
  struct { const char* path; const char* want; } dirs[] = {
      {"D:\\Apps\\prog.exe", "D:\\Apps"}, {"D:prog.exe", "D"}, {"prog.exe", "."}, {"Z:\\a.b\\c\\", "Z:\\a.b\\c"}};
  for (auto& d : dirs) {
    char out[MAX_PATH];
    EXPECT_TRUE(GetPathFolder(d.path, out, sizeof out));
    EXPECT_STREQ(out, d.want);
  }
}

TEST(SettingsPath, LongNamesStayInsideTheBuffer) {
  std::string folder = "C:\\" + std::string(240, 'f') + "\\";
  std::string noDot = folder + std::string(15, 'n');  // 259 characters, ".INI" cannot fit
  char buf[MAX_PATH + 8];
  memset(buf, 'G', sizeof buf);
  EXPECT_FALSE(ReplacePathExtension(noDot.c_str(), "INI", buf, MAX_PATH));
  EXPECT_EQ(strlen(buf), (size_t)MAX_PATH - 1);
  for (size_t i = MAX_PATH; i < sizeof buf; i++) EXPECT_EQ(buf[i], 'G');
  memset(buf, 'G', sizeof buf);
  EXPECT_FALSE(GetPathFolder((std::string(300, 'x') + "\\p.exe").c_str(), buf, MAX_PATH));
  for (size_t i = MAX_PATH; i < sizeof buf; i++) EXPECT_EQ(buf[i], 'G');
  // The program's own name: terminated even when the buffer is too small.
  char small[8 + 4];
  memset(small, 'G', sizeof small);
  EXPECT_EQ(GetModulePath(small, 8), 7u);
  EXPECT_EQ(small[7], '\0');
  EXPECT_EQ(small[8], 'G');
}

TEST(SettingsPath, ModuleDerivedPath) {
  bIniReady = bRegistryReady = FALSE;
  InitIniPath(NULL);
  EXPECT_TRUE(bIniReady && bRegistryReady);
  std::string p = szIniPath;
  ASSERT_GT(p.size(), 20u);
  EXPECT_EQ(p.substr(p.size() - 20), "foundation_tests.INI") << p;
}

TEST(SettingsPath, CommandLineWord) {
  struct { const char* line; const char* want; } rows[] = {
      {"   \"c:\\my files\\a.ini\" b.ini", "c:\\my files\\a.ini"},
      {"x.ini y.ini", "x.ini"},
      {"'c:\\q\tr.ini'", "c:\\q r.ini"},  // TAB inside quotes becomes a blank
      {"a\"b c\" d", "a\"b c"},           // quote inside an unquoted word stays part of it
      {"\t\n last.ini", "last.ini"},
      {"  ", NULL},
      {"\"\"", NULL},
  };
  for (auto& r : rows) {
    strcpy(szIniPath, "unset");
    bIniReady = bRegistryReady = FALSE;
    std::string text = r.line;
    SetIniPathFromCommandLine(&text[0]);
    EXPECT_EQ(bIniReady, r.want != NULL) << r.line;
    EXPECT_STREQ(szIniPath, r.want ? r.want : "unset") << r.line;
  }
  std::string longWord = std::string(400, 'w') + " next";
  SetIniPathFromCommandLine(&longWord[0]);
  EXPECT_EQ(strlen(szIniPath), (size_t)MAX_PATH - 1);
}

TEST_F(SettingsTest, ReadWriteAndKeys) {
  EXPECT_TRUE(IniPutString(NULL, "Options", "Delay", "300"));
  EXPECT_TRUE(IniPutString(NULL, "Options", "TitleBar", "My Stocks"));
  EXPECT_EQ(IniGetInt(NULL, "Options", "Delay", 120), 300);
  EXPECT_EQ(IniGetInt(NULL, "Options", "Missing", -7), -7);
  char buf[32];
  EXPECT_EQ(IniGetString(NULL, "Options", "TitleBar", buf, sizeof buf, "Stocks"), 9u);
  EXPECT_STREQ(buf, "My Stocks");
  IniGetString(NULL, "Options", "Nope", buf, sizeof buf, "Stocks");
  EXPECT_STREQ(buf, "Stocks");
  char keys[64];
  IniGetKeys(NULL, "Options", keys, sizeof keys);
  EXPECT_STREQ(keys, "Delay");
  EXPECT_STREQ(keys + 6, "TitleBar");
  EXPECT_EQ(keys[15], '\0');
  // long value and long default into a small buffer: cut, terminated, nothing past it
  IniPutString(NULL, "Options", "Long", std::string(100, 'v').c_str());
  char small[8 + 4];
  for (const char* key : {"Long", "Absent"}) {
    memset(small, 'G', sizeof small);
    IniGetString(NULL, "Options", key, small, 8, std::string(100, 'd').c_str());
    EXPECT_EQ(strlen(small), 7u) << key;
    EXPECT_EQ(memcmp(small + 8, "GGGG", 4), 0) << key;
  }
  EXPECT_TRUE(IniPutString(NULL, "Options", NULL, NULL));  // whole section
  EXPECT_EQ(IniGetInt(NULL, "Options", "Delay", 120), 120);
}

TEST_F(SettingsTest, KeyListOfAnyLengthIsReadWhole) {
  std::string want;
  for (int i = 0; i < 60; ++i) {  // about 24 KB of names, in file order
    std::string key = std::string(400, (char)('a' + i % 26)) + std::to_string(100 + i);
    IniPutString(NULL, "Banner", key.c_str(), "1/15/25 12:00;2;http://x/;tip");
    want += key + '\0';
  }
  std::vector<char> keys = IniGetAllKeys(NULL, "Banner");
  ASSERT_GE(keys.size(), want.size() + 1);
  EXPECT_EQ(std::string(keys.data(), want.size() + 1), want + '\0');
  keys = IniGetAllKeys(NULL, "Nothing");
  ASSERT_GE(keys.size(), 2u);
  EXPECT_EQ(keys[0], '\0');
}

TEST(WindowPlacement, DefaultRectangleByScreenSize) {
  struct { int w, h; RECT want; } rows[] = {
      {1024, 768, {212, 256, 812, 512}},  // 600 wide, centred; a third of the height from a third down
      {1025, 770, {212, 256, 812, 512}},  // halves and thirds truncate
      {1920, 1080, {660, 360, 1260, 720}},
      {500, 400, {-50, 133, 550, 266}},   // narrower than the window: it overhangs both sides
  };
  for (auto& r : rows) {
    RECT rc = DefaultWindowRect(r.w, r.h);
    EXPECT_TRUE(EqualRect(&rc, &r.want)) << r.w << "x" << r.h << ": " << rc.left << "," << rc.top << ","
                                         << rc.right << "," << rc.bottom;
  }
}

TEST_F(SettingsTest, WindowRectangleRestore) {
  HWND w = CreateWindowExA(0, "STATIC", "", WS_POPUP, 1, 2, 30, 40, NULL, NULL, NULL, NULL);
  ASSERT_TRUE(w != NULL);
  const RECT def = DefaultWindowRect(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
  // the corner just beyond the virtual screen, wherever it lies
  const int x = GetSystemMetrics(SM_XVIRTUALSCREEN) + GetSystemMetrics(SM_CXVIRTUALSCREEN);
  const int y = GetSystemMetrics(SM_YVIRTUALSCREEN) + GetSystemMetrics(SM_CYVIRTUALSCREEN);
  struct { bool saved; RECT stored, want; } rows[] = {
      {false, {}, def},
      {true, {-10, -5, 500, 400}, {-10, -5, 500, 400}},
      {true, {-10, -5, -1, -2}, def},  // all negative
      {true, {300, 0, 100, 50}, def},  // inverted
      {true, {10, 30, 20, 30}, def},   // empty
      {true, {5, 6, 700, 600}, {5, 6, 700, 600}},
      {true, {x + 1, 100, x + 600, 400}, def},                // on no screen
      {true, {x, y, x + 576, y + 132}, {x, y, x + 576, y + 132}},  // its corner touches the screen
  };
  for (auto& r : rows) {
    IniPutString(NULL, "Window", NULL, NULL);
    if (r.saved) {
      IniPutString(NULL, "Window", "Left", std::to_string(r.stored.left).c_str());
      IniPutString(NULL, "Window", "Right", std::to_string(r.stored.right).c_str());
      IniPutString(NULL, "Window", "Top", std::to_string(r.stored.top).c_str());
      IniPutString(NULL, "Window", "Bottom", std::to_string(r.stored.bottom).c_str());
    }
    EXPECT_TRUE(RestoreWindowPlacement(w, false));
    RECT rc;
    GetWindowRect(w, &rc);
    EXPECT_TRUE(EqualRect(&rc, &r.want)) << r.stored.left << "," << r.stored.top << ": " << rc.left << ","
                                         << rc.top << "," << rc.right << "," << rc.bottom;
  }
  // an edited file whose width and height do not fit an int: no trap, the window still moves
  IniPutString(NULL, "Window", "Left", "-2000000000");
  IniPutString(NULL, "Window", "Right", "2000000000");
  IniPutString(NULL, "Window", "Top", "-2000000000");
  IniPutString(NULL, "Window", "Bottom", "2000000000");
  EXPECT_TRUE(RestoreWindowPlacement(w, false));
  DestroyWindow(w);
}

TEST_F(SettingsTest, WindowRectangleSave) {
  HWND normal = CreateWindowExA(0, "STATIC", "", WS_POPUP, 11, 22, 333, 444, NULL, NULL, NULL, NULL);
  HWND mini = CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_MINIMIZE, 1, 2, 30, 40, NULL, NULL, NULL, NULL);
  HWND maxi = CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_MAXIMIZE, 1, 2, 30, 40, NULL, NULL, NULL, NULL);
  HWND away = CreateWindowExA(0, "STATIC", "", WS_POPUP, 20000, 20000, 30, 40, NULL, NULL, NULL, NULL);
  ASSERT_TRUE(normal && mini && maxi && away);
  EXPECT_TRUE(IsWindowOnScreen(normal));
  EXPECT_FALSE(IsWindowOnScreen(away));
  for (HWND w : {mini, maxi, away}) {
    SaveWindowPlacement(w);
    EXPECT_EQ(IniGetInt(NULL, "Window", "Left", 12345), 12345);
  }
  SaveWindowPlacement(normal);
  EXPECT_EQ(IniGetInt(NULL, "Window", "Left", 0), 11);
  EXPECT_EQ(IniGetInt(NULL, "Window", "Right", 0), 344);
  EXPECT_EQ(IniGetInt(NULL, "Window", "Top", 0), 22);
  EXPECT_EQ(IniGetInt(NULL, "Window", "Bottom", 0), 466);
  // touching the screen's right edge still counts as on screen
  int x = GetSystemMetrics(SM_XVIRTUALSCREEN) + GetSystemMetrics(SM_CXVIRTUALSCREEN);
  MoveWindow(away, x, 0, 30, 40, FALSE);
  EXPECT_TRUE(IsWindowOnScreen(away));
  MoveWindow(away, x + 1, 0, 30, 40, FALSE);
  EXPECT_FALSE(IsWindowOnScreen(away));
  for (HWND w : {normal, mini, maxi, away}) DestroyWindow(w);
}

namespace {
int boxCount;
std::string boxText;
int WINAPI CountBox(HWND, LPCSTR text, LPCSTR caption, UINT type) {
  boxCount++;
  boxText = std::string(caption) + ":" + text + (type == MB_ICONHAND ? "" : "?");
  return IDOK;
}
// Value names private to this process: test processes run side by side on one registry.
std::string Val(const char* v) { return std::string("t") + std::to_string(GetCurrentProcessId()) + v; }
void RawSet(const std::string& name, DWORD type, const void* data, DWORD cb) {
  HKEY k;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, PROGRAM_REG_KEY, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &k, NULL), 0);
  RegSetValueExA(k, name.c_str(), 0, type, (const BYTE*)data, cb);
  RegCloseKey(k);
}
void RawDelete(const std::string& name) {
  HKEY k;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, PROGRAM_REG_KEY, 0, KEY_ALL_ACCESS, &k) != 0) return;
  RegDeleteValueA(k, name.c_str());
  RegCloseKey(k);
}
}  // namespace

TEST(Registry, NothingBeforeReady) {
  bIniReady = bRegistryReady = FALSE;
  boxCount = 0;
  pfnRegErrorBox = CountBox;
  DWORD d = 1;
  char s[8];
  EXPECT_EQ(RegPutDword(Val("A").c_str(), 5), 0);
  EXPECT_EQ(RegPutString(Val("B").c_str(), "x"), 0);
  EXPECT_EQ(RegGetDword(Val("A").c_str(), &d, 77), 0);
  EXPECT_EQ(d, 77u);
  EXPECT_EQ(RegGetString(Val("B").c_str(), s, sizeof s, "dflt", HKEY_CURRENT_USER, PROGRAM_REG_KEY), 0);
  EXPECT_STREQ(s, "dflt");
  EXPECT_EQ(boxCount, 0);
}

TEST(Registry, RoundTripAndFailuresKeepDefaults) {
  bRegistryReady = TRUE;
  pfnRegErrorBox = CountBox;
  std::string dw = Val("Dw"), sz = Val("Sz"), big = Val("Big"), full = Val("Full");
  EXPECT_EQ(RegPutDword(dw.c_str(), 0xDEADBEEF), 1);
  EXPECT_EQ(RegPutString(sz.c_str(), "Z:\\x\\prog.exe"), 1);
  DWORD d = 0;
  EXPECT_EQ(RegGetDword(dw.c_str(), &d, 3), 1);
  EXPECT_EQ(d, 0xDEADBEEFu);
  char s[MAX_PATH + 4];
  EXPECT_EQ(RegGetString(sz.c_str(), s, MAX_PATH, "", HKEY_CURRENT_USER, PROGRAM_REG_KEY), 1);
  EXPECT_STREQ(s, "Z:\\x\\prog.exe");
  EXPECT_EQ(RegGetDword(Val("Missing").c_str(), &d, 42), 0);
  EXPECT_EQ(d, 42u);
  // an 8-byte value does not fit a DWORD: the default stays
  long long eight = 0x1122334455667788LL;
  RawSet(big, REG_BINARY, &eight, 8);
  EXPECT_EQ(RegGetDword(big.c_str(), &d, 9), 0);
  EXPECT_EQ(d, 9u);
  // too long for the buffer, and exactly filling it without a terminator: default, guard intact
  RawSet(full, REG_BINARY, "ABCDEFGH", 8);
  for (const std::string* name : {&sz, &full}) {
    memset(s, 'G', sizeof s);
    EXPECT_EQ(RegGetString(name->c_str(), s, 8, "dflt", HKEY_CURRENT_USER, PROGRAM_REG_KEY), 0) << *name;
    EXPECT_STREQ(s, "dflt");
    EXPECT_EQ(memcmp(s + 8, "GGGG", 4), 0);
  }
  memset(s, 'G', sizeof s);
  RegGetString(Val("Missing").c_str(), s, 4, "long default", HKEY_CURRENT_USER, PROGRAM_REG_KEY);
  EXPECT_STREQ(s, "lon");
  EXPECT_EQ(s[4], 'G');
  // the value that is written exactly as it should be, with the terminator stored
  char nine[9] = "ABCDEFGH";
  RawSet(full, REG_SZ, nine, 9);
  EXPECT_EQ(RegGetString(full.c_str(), s, 9, "", HKEY_CURRENT_USER, PROGRAM_REG_KEY), 1);
  EXPECT_STREQ(s, nine);
  for (const std::string* name : {&dw, &sz, &big, &full}) RawDelete(*name);
}

TEST(Registry, WriteFailureShowsItsBox) {
  bRegistryReady = TRUE;
  boxCount = 0;
  pfnRegErrorBox = CountBox;
  std::string hugeName(20000, 'n');
  EXPECT_EQ(RegPutDword(hugeName.c_str(), 1), 0);
  EXPECT_EQ(boxCount, 1);
  EXPECT_EQ(boxText, "Error:RegSetValueEx(#1)");
  EXPECT_EQ(RegPutString(hugeName.c_str(), "x"), 0);
  EXPECT_EQ(boxCount, 1);  // string writes fail silently
}
