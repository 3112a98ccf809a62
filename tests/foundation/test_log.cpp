// Debug log: line format, rotation, long folders and messages, two writers.
#include <gtest/gtest.h>
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <regex>
#include <string>

#include "foundation/log.h"

namespace {

std::string ReadAll(const std::string& path) {
  std::string s;
  FILE* f = fopen(path.c_str(), "rb");
  if (!f) return s;
  char buf[65536];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, f)) > 0) s.append(buf, n);
  fclose(f);
  return s;
}

void WriteAll(const std::string& path, const std::string& text) {
  FILE* f = fopen(path.c_str(), "wb");
  ASSERT_TRUE(f != NULL);
  fwrite(text.data(), 1, text.size(), f);
  fclose(f);
}

size_t Count(const std::string& s, const std::string& what) {
  size_t n = 0;
  for (size_t p = s.find(what); p != std::string::npos; p = s.find(what, p + 1)) n++;
  return n;
}

// Each test logs into its own empty folder.
struct LogTest : ::testing::Test {
  std::string dir, cur, one, two;
  void SetUp() override {
    char tmp[MAX_PATH];
    GetTempPathA(sizeof tmp, tmp);
    dir = std::string(tmp) + "twlog_" + ::testing::UnitTest::GetInstance()->current_test_info()->name() + "_" +
          std::to_string(GetCurrentProcessId());
    CreateDirectoryA(dir.c_str(), NULL);
    cur = dir + "\\TarnWick.log";
    one = dir + "\\TarnWick.1";
    two = dir + "\\TarnWick.2";
    for (auto* p : {&cur, &one, &two}) DeleteFileA(p->c_str());
    strcpy(szLogDir, dir.c_str());
    bDebugLog = TRUE;
  }
  void TearDown() override {
    bDebugLog = FALSE;
    for (auto* p : {&cur, &one, &two}) DeleteFileA(p->c_str());
    RemoveDirectoryA(dir.c_str());
  }
};

}  // namespace

TEST_F(LogTest, OffTouchesNothing) {
  bDebugLog = FALSE;
  WriteLog("%s", "quiet");
  EXPECT_EQ(GetFileAttributesA(cur.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(LogTest, LineFormat) {
  WriteLog("Step %d of %s: %lld %I64d %.2lf", 3, "cycle", 9876543210LL, -5LL, 1.5);
  WriteLog("ends in newline\n");
  std::string big(100000, 'q');
  WriteLog("%s", big.c_str());
  std::string text = ReadAll(cur);
  std::string tail = big + "\r\n";  // the long message, whole
  ASSERT_GT(text.size(), tail.size());
  EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
  text.resize(text.size() - tail.size());
  const char* stamp = R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}   )";
  std::regex lines(std::string("^") + stamp + R"(Step 3 of cycle: 9876543210 -5 1\.50\r\n)" + stamp +
                   R"(ends in newline\r\n\r\n)" + stamp + "$");
  EXPECT_TRUE(std::regex_match(text, lines)) << text;
}

TEST_F(LogTest, RotatesOnlyPastTheThreshold) {
  WriteAll(cur, std::string(300000, 'a'));
  WriteLog("first");
  EXPECT_EQ(GetFileAttributesA(one.c_str()), INVALID_FILE_ATTRIBUTES);  // exactly 300000: kept
  WriteAll(cur, std::string(300001, 'b'));
  WriteAll(one, "older");
  WriteAll(two, "oldest");
  WriteLog("fresh");
  EXPECT_EQ(ReadAll(two), "older");
  EXPECT_EQ(ReadAll(one), std::string(300001, 'b'));
  std::string now = ReadAll(cur);
  EXPECT_EQ(now.size(), 26u + 5 + 2);
  EXPECT_EQ(now.substr(26), "fresh\r\n");
}

TEST_F(LogTest, FolderTooLongDropsTheLine) {
  char names[3][MAX_PATH + 4];
  memset(names, 'G', sizeof names);
  std::string longDir = "C:\\" + std::string(256, 'd');  // 259 characters
  EXPECT_FALSE(BuildLogFileNames(longDir.c_str(), names[0], names[1], names[2], MAX_PATH));
  for (auto& n : names) {
    EXPECT_EQ(n[0], '\0');
    EXPECT_EQ(memcmp(n + MAX_PATH, "GGGG", 4), 0);
  }
  std::string fits = "C:\\" + std::string(256 - 13, 'd');
  EXPECT_TRUE(BuildLogFileNames(fits.c_str(), names[0], names[1], names[2], MAX_PATH));
  EXPECT_EQ(std::string(names[0]), fits + "\\TarnWick.log");
  EXPECT_EQ(std::string(names[2]), fits + "\\TarnWick.2");
  strcpy(szLogDir, longDir.c_str());
  WriteLog("%s", "dropped");  // must neither crash nor write anywhere
  strcpy(szLogDir, dir.c_str());
  WriteLog("kept");
  EXPECT_EQ(Count(ReadAll(cur), "dropped"), 0u);
  EXPECT_EQ(Count(ReadAll(cur), "kept"), 1u);
}

// A copy of this program in the test's folder logs one line without a folder set: the line must land
// beside the copy, and nothing lands beside the program itself.
TEST_F(LogTest, DefaultFolderIsTheProgramFolder) {
  if (const char* child = getenv("TW_LOG_CHILD")) {
    szLogDir[0] = '\0';
    WriteLog("%s", child);
    return;
  }
  szLogDir[0] = '\0';
  bDebugLog = FALSE;
  WriteLog("not yet");  // the folder is only looked up for a line that is written
  EXPECT_EQ(szLogDir[0], '\0');
  char module[MAX_PATH];
  GetModuleFileNameA(NULL, module, sizeof module);
  std::string copy = dir + "\\logcopy.exe";
  ASSERT_TRUE(CopyFileA(module, copy.c_str(), FALSE));
  std::string marker = "marker " + std::to_string(GetCurrentProcessId());
  SetEnvironmentVariableA("TW_LOG_CHILD", marker.c_str());
  std::string cmd = "\"" + copy + "\" --gtest_filter=LogTest.DefaultFolderIsTheProgramFolder";
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;  // no output from the copy
  PROCESS_INFORMATION pi;
  BOOL started = CreateProcessA(NULL, &cmd[0], NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi);
  SetEnvironmentVariableA("TW_LOG_CHILD", NULL);
  ASSERT_TRUE(started);
  EXPECT_EQ(WaitForSingleObject(pi.hProcess, 60000), WAIT_OBJECT_0);
  DWORD code = 1;
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
  DeleteFileA(copy.c_str());
  EXPECT_EQ(code, 0u);
  EXPECT_EQ(Count(ReadAll(cur), marker), 1u);
}

static DWORD WINAPI Writer(LPVOID p) {
  char tag = *(char*)p;
  std::string pad(900, tag);
  for (int i = 0; i < 250; i++) WriteLog("<%c%03d>%s", tag, i, pad.c_str());
  return 0;
}

// Two writers crossing the threshold together: every line ends up in exactly one generation.
TEST_F(LogTest, TwoThreadsRotateWithoutLosingLines) {
  WriteAll(cur, std::string(299000, 'p') + "\n");
  static char a = 'A', b = 'B';
  HANDLE t[2] = {CreateThread(NULL, 0, Writer, &a, 0, NULL), CreateThread(NULL, 0, Writer, &b, 0, NULL)};
  WaitForMultipleObjects(2, t, TRUE, 60000);
  CloseHandle(t[0]);
  CloseHandle(t[1]);
  std::string all = ReadAll(cur) + ReadAll(one) + ReadAll(two);
  for (char tag : {'A', 'B'}) {
    for (int i = 0; i < 250; i++) {
      char mark[8];
      snprintf(mark, sizeof mark, "<%c%03d>", tag, i);
      ASSERT_EQ(Count(all, mark), 1u) << mark;
    }
  }
  EXPECT_LE(ReadAll(one).size(), 300000u + 1000u);
}
