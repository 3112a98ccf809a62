// Win32 environment the program relies on, as Wine provides it.
#include <gtest/gtest.h>
#include <windows.h>
#include <string>

static bool underWine() {
  return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
}
static std::string moduleDir() {
  char p[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, p, sizeof p);
  std::string s(p, n);
  return s.substr(0, s.find_last_of('\\') + 1);
}

TEST(WinEnv, ModuleFileNameIsDosPath) {
  char p[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, p, sizeof p);
  ASSERT_GT(n, 3u);
  std::string s(p, n);
  EXPECT_NE(s.find("platform_tests.exe"), std::string::npos) << s;
  EXPECT_EQ(s[1], ':') << s;
  EXPECT_EQ(s.find('/'), std::string::npos) << s;
  if (underWine()) {
    EXPECT_EQ(s.substr(0, 3), "Z:\\") << s;  // Linux "/" is mapped to drive Z:
  }
}

TEST(WinEnv, RegistryHkcuRoundTrip) {
  std::string key = "Software\\TarnWickPlatformTest\\" + std::to_string(GetCurrentProcessId());
  HKEY h;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr),
            ERROR_SUCCESS);
  const char val[] = "C:\\x\\prog.exe";
  DWORD one = 1;
  EXPECT_EQ(RegSetValueExA(h, "Program", 0, REG_SZ, (const BYTE*)val, sizeof val), ERROR_SUCCESS);
  EXPECT_EQ(RegSetValueExA(h, "Count", 0, REG_DWORD, (const BYTE*)&one, sizeof one), ERROR_SUCCESS);
  RegCloseKey(h);
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &h), ERROR_SUCCESS);
  char buf[64] = {0};
  DWORD type = 0, len = sizeof buf;
  EXPECT_EQ(RegQueryValueExA(h, "Program", nullptr, &type, (BYTE*)buf, &len), ERROR_SUCCESS);
  EXPECT_EQ(type, (DWORD)REG_SZ);
  EXPECT_STREQ(buf, val);
  DWORD d = 0; len = sizeof d;
  EXPECT_EQ(RegQueryValueExA(h, "Count", nullptr, &type, (BYTE*)&d, &len), ERROR_SUCCESS);
  EXPECT_EQ(d, 1u);
  EXPECT_EQ(RegQueryValueExA(h, "Missing", nullptr, &type, (BYTE*)buf, &len), ERROR_FILE_NOT_FOUND);
  RegCloseKey(h);
  EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, key.c_str()), ERROR_SUCCESS);
}

TEST(WinEnv, PrivateProfileBesideExe) {
  std::string ini = moduleDir() + "platform_test_" + std::to_string(GetCurrentProcessId()) + ".ini";
  DeleteFileA(ini.c_str());
  ASSERT_TRUE(WritePrivateProfileStringA("Settings", "TitleBar", "My Stocks", ini.c_str()));
  ASSERT_TRUE(WritePrivateProfileStringA("Settings", "Delay", "120", ini.c_str()));
  char buf[64];
  GetPrivateProfileStringA("Settings", "TitleBar", "Stocks", buf, sizeof buf, ini.c_str());
  EXPECT_STREQ(buf, "My Stocks");
  GetPrivateProfileStringA("Settings", "Missing", "dflt", buf, sizeof buf, ini.c_str());
  EXPECT_STREQ(buf, "dflt");
  EXPECT_EQ(GetPrivateProfileIntA("Settings", "Delay", 7, ini.c_str()), 120u);
  EXPECT_EQ(GetPrivateProfileIntA("Other", "Delay", 7, ini.c_str()), 7u);
  // the file is a plain text file on the Linux side
  HANDLE f = CreateFileA(ini.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(f, INVALID_HANDLE_VALUE);
  char text[256] = {0};
  DWORD got = 0;
  ReadFile(f, text, sizeof text - 1, &got, nullptr);
  CloseHandle(f);
  EXPECT_NE(std::string(text).find("[Settings]"), std::string::npos) << text;
  EXPECT_TRUE(DeleteFileA(ini.c_str()));
}
