#include "tests/app/url_capture.h"

#include <windows.h>
#include <stdio.h>

#include <algorithm>

#include "tests/store/test_support.h"

namespace {

std::string recordPath;

void SetDefault(const std::string& key, const std::string& value) {
  HKEY k;
  if (RegCreateKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, NULL, 0, KEY_WRITE, NULL, &k, NULL) != ERROR_SUCCESS) return;
  RegSetValueExA(k, NULL, 0, REG_SZ, (const BYTE*)value.c_str(), (DWORD)value.size() + 1);
  RegCloseKey(k);
}

}  // namespace

std::string RecorderCommand() {
  char exe[MAX_PATH];
  GetModuleFileNameA(NULL, exe, sizeof exe);
  std::string dir = exe;
  dir.erase(dir.find_last_of('\\') + 1);
  return "\"" + dir + "url_recorder.exe\"";
}

void StartUrlCapture() {
  const std::string command = RecorderCommand() + " \"%1\"";
  for (const char* scheme : {"http", "https", "mailto"}) {
    SetDefault(scheme, std::string("URL:") + scheme);
    HKEY k;
    if (RegCreateKeyExA(HKEY_CLASSES_ROOT, scheme, 0, NULL, 0, KEY_WRITE, NULL, &k, NULL) == ERROR_SUCCESS) {
      RegSetValueExA(k, "URL Protocol", 0, REG_SZ, (const BYTE*)"", 1);
      RegCloseKey(k);
    }
    SetDefault(std::string(scheme) + "\\shell\\open\\command", command);
  }
  SetDefault(".htm", "twrecorder.htm");
  SetDefault("twrecorder.htm\\shell\\open\\command", command);
  static int counter = 0;
  char tmp[MAX_PATH], path[MAX_PATH];
  GetTempPathA(sizeof tmp, tmp);
  snprintf(path, sizeof path, "%stwurls_%lu_%d.txt", tmp, GetCurrentProcessId(), ++counter);
  DeleteFileA(path);
  recordPath = path;
  SetEnvironmentVariableA("TW_URL_RECORD", path);
}

std::vector<std::string> CapturedUrls(size_t count) {
  std::vector<std::string> lines;
  // Under a loaded Wine every process start can stall for about ten seconds at once.
  for (int i = 0; i < 300; ++i) {
    lines.clear();
    std::string all = ReadBytes(recordPath);
    size_t start = 0, end;
    while ((end = all.find('\n', start)) != std::string::npos) {
      lines.push_back(all.substr(start, end - start));
      start = end + 1;
    }
    if (lines.size() >= count) break;
    Sleep(100);
  }
  std::sort(lines.begin(), lines.end());
  return lines;
}
