// String helpers, hexadecimal text, wildcards, the Windows version, the wait cursor and shell folders.
#include <gtest/gtest.h>

#include <shlobj.h>
#include <string.h>

#include <string>

#include "foundation/utility.h"

namespace {

TEST(UtilityText, InPlaceHelpers) {
  struct { const char *in, *zeros, *quotes; } cases[] = {
      {"000", "0", "000"},       {"0", "0", "0"},       {"0012", "12", "0012"},
      {"", "", ""},              {"100", "100", "100"}, {"\"abc\"", "\"abc\"", "abc"},
      {"\"abc", "\"abc", "abc"}, {"\"", "\"", ""},      {"\"\"", "\"\"", ""},
      {"abc\"", "abc\"", "abc\""},
  };
  for (const auto &c : cases) {
    char a[16], b[16];
    strcpy(a, c.in);
    strcpy(b, c.in);
    StripLeadingZeros(a);
    StripQuotes(b);
    EXPECT_STREQ(c.zeros, a) << c.in;
    EXPECT_STREQ(c.quotes, b) << c.in;
  }
  EXPECT_EQ(1, IsBlank(""));
  EXPECT_EQ(1, IsBlank("   "));
  EXPECT_EQ(0, IsBlank("\t"));
  EXPECT_EQ(0, IsBlank(" a "));
  char text[] = "a,b;c\xA9";
  ReplaceChars(text, ",;\xA9", '_');
  EXPECT_STREQ("a_b_c_", text);
}

TEST(UtilityText, Hexadecimal) {
  char hex[3];
  ByteToHex(0xA9, hex);
  EXPECT_STREQ("A9", hex);
  ByteToHex(0x05, hex);
  EXPECT_STREQ("05", hex);

  struct { const char *text; int digits; BYTE value; } one[] = {
      {"7F", 2, 0x7F}, {"7Fx", 2, 0x7F}, {"F", 1, 0x0F}, {"Fz", 1, 0x0F},
      {"a9", 0, 0},    {"9a", 1, 0x09},  {"", 0, 0},
  };
  for (const auto &c : one) {
    BYTE b = 0xEE;
    EXPECT_EQ(c.digits, HexToByte(c.text, &b)) << c.text;
    EXPECT_EQ(c.value, b) << c.text;
  }

  const BYTE bytes[] = {0x00, 0x7F, 0x80, 0xFF};
  char text[9];
  BytesToHex(bytes, text, 4);
  EXPECT_STREQ("007F80FF", text);
  BYTE back[4];
  EXPECT_EQ(4, HexToBytes(text, back, 4));
  EXPECT_EQ(0, memcmp(bytes, back, 4));

  // Short texts stop at their end; bytes past it are not touched.
  struct { const char *text; int n, written; BYTE expect[4]; } many[] = {
      {"ABC", 4, 2, {0xAB, 0x0C, 0xEE, 0xEE}},
      {"", 4, 0, {0xEE, 0xEE, 0xEE, 0xEE}},
      {"0102030405", 2, 2, {0x01, 0x02, 0xEE, 0xEE}},
      {"A", 4, 1, {0x0A, 0xEE, 0xEE, 0xEE}},
  };
  for (const auto &c : many) {
    BYTE out[4];
    memset(out, 0xEE, sizeof(out));
    EXPECT_EQ(c.written, HexToBytes(c.text, out, c.n)) << c.text;
    EXPECT_EQ(0, memcmp(c.expect, out, 4)) << c.text;
  }
}

TEST(UtilityText, WildcardTable) {
  struct { const char *pattern, *text; BOOL ignoreCase, match; } cases[] = {
      {"*.TXT", "notes.txt", TRUE, TRUE},  {"*.TXT", "notes.txt", FALSE, FALSE},
      {"a?c", "abc", FALSE, TRUE},         {"a?c", "ac", FALSE, FALSE},
      {"a*b*c", "aXbYc", FALSE, TRUE},     {"*ab", "aab", FALSE, TRUE},
      {"*", "", FALSE, TRUE},              {"", "", FALSE, TRUE},
      {"", "a", FALSE, FALSE},             {"a*", "a", FALSE, TRUE},
      {"a***", "abc", FALSE, TRUE},        {"**x", "x", FALSE, TRUE},
      {"a*c", "ab", FALSE, FALSE},         {"*a*b", "xaxbxb", FALSE, TRUE},
      {"\xC9*", "\xC9t\xE9", TRUE, TRUE},  {"?", "\xFF", FALSE, TRUE},
  };
  for (const auto &c : cases)
    EXPECT_EQ(c.match, WildcardMatch(c.pattern, c.text, c.ignoreCase))
        << c.pattern << " / " << c.text << " / " << c.ignoreCase;
}

OSVERSIONINFOEXA Version(DWORD platform, DWORD major, DWORD minor, BYTE product, const char *csd) {
  OSVERSIONINFOEXA vi;
  memset(&vi, 0, sizeof(vi));
  vi.dwOSVersionInfoSize = sizeof(vi);
  vi.dwPlatformId = platform;
  vi.dwMajorVersion = major;
  vi.dwMinorVersion = minor;
  vi.dwBuildNumber = 2600;
  vi.wProductType = product;
  strncpy(vi.szCSDVersion, csd, sizeof(vi.szCSDVersion) - 1);
  return vi;
}

TEST(UtilitySystem, VersionNamesAndCodes) {
  const DWORD NT = VER_PLATFORM_WIN32_NT, W9X = VER_PLATFORM_WIN32_WINDOWS;
  struct { DWORD platform, major, minor; BYTE product; const char *name; DWORD code, ws, shownMajor; } cases[] = {
      {VER_PLATFORM_WIN32s, 3, 11, 0, "Windows 3.11", 0, 1, 1},
      {W9X, 4, 0, 0, "Windows 95", 1, 1, 4},   {W9X, 4, 10, 0, "Windows 98", 2, 1, 4},
      {W9X, 4, 90, 0, "Windows Me", 3, 1, 4},  {NT, 3, 51, 1, "Windows NT 3.51", 4, 1, 3},
      {NT, 4, 0, 1, "Windows NT 4.0", 5, 1, 4}, {NT, 5, 0, 1, "Windows 2000", 6, 1, 5},
      {NT, 5, 1, 1, "Windows XP", 7, 1, 5},    {NT, 5, 2, 3, "Windows .NET Server 2003", 8, 0, 5},
      {NT, 6, 0, 1, "Vista", 9, 1, 6},         {NT, 6, 1, 2, "Windows 2008", 10, 0, 6},
  };
  for (const auto &c : cases) {
    TOSVersion os;
    os.dwWorkstation = 1;
    OSVERSIONINFOEXA vi = Version(c.platform, c.major, c.minor, c.product, "Service Pack 3");
    os.Detect(&vi, TRUE);
    EXPECT_STREQ(c.name, os.szName);
    EXPECT_EQ(c.code, os.dwOSCode) << c.name;
    EXPECT_EQ(c.ws, os.dwWorkstation) << c.name;
    EXPECT_EQ(c.shownMajor, os.dwMajor) << c.name;
    if (c.platform != NT) {
      EXPECT_STREQ(c.name, os.szDescription);
    }
  }
  TOSVersion os;
  OSVERSIONINFOEXA vi = Version(NT, 5, 1, 1, "Service Pack 3");
  os.Detect(&vi, TRUE);
  EXPECT_EQ(0, strncmp("Windows XP version 5.1 Service Pack 3 (Build 2600)", os.szDescription, 50));
}

TEST(UtilitySystem, VersionDescriptionIsCut) {
  std::string csd(127, 'x');
  OSVERSIONINFOEXA vi = Version(VER_PLATFORM_WIN32_NT, 5, 2, 3, csd.c_str());
  TOSVersion os;
  os.Detect(&vi, TRUE);
  EXPECT_EQ(99u, strlen(os.szDescription));
  EXPECT_STREQ("Windows .NET Server 2003", os.szName);
  EXPECT_EQ(5u, os.dwMajor);  // the fields after the description are intact

  // The running system: whatever Wine claims, the description fits.
  TOSVersion running;
  EXPECT_GT(strlen(running.szDescription), 0u);
  EXPECT_LT(strlen(running.szDescription), 100u);
  EXPECT_EQ((DWORD)(LOBYTE(LOWORD(GetVersion()))), running.dwMajor);
}

TEST(UtilitySystem, WaitCursorIsScoped) {
  HCURSOR before = GetCursor();
  {
    TMyCursor wait;
    EXPECT_EQ(LoadCursor(NULL, IDC_WAIT), GetCursor());
  }
  EXPECT_EQ(before, GetCursor());
}

TEST(UtilitySystem, SpecialFolders) {
  const char *appData = GetSpecialFolderPath(CSIDL_APPDATA);
  EXPECT_NE(nullptr, strstr(appData, ":\\")) << appData;
  EXPECT_STREQ("c:", GetSpecialFolderPath(0x7FFF));
}

}  // namespace
