// The file pickers' starting folder and current folder, and the centring of dialogs.
#include <gtest/gtest.h>
#include <windows.h>
#include <commdlg.h>

#include <string>

#include "app/dialogs.h"
#include "tests/app/dialog_driver.h"
#include "tests/store/test_support.h"

TEST(FilePickers, InitialFolderOfAStoredName) {
  struct Case {
    const char *path, *folder;
  } cases[] = {
      {"prices.txt", ""}, {"C:\\x.wav", "C:\\"}, {"C:\\music\\x.wav", "C:\\music"},
      {"\\x.wav", "\\"},  {"C:x.wav", "C:"},     {"\\\\host\\share\\x.wav", "\\\\host\\share"},
  };
  for (const Case& c : cases) {
    char folder[260];
    PickerInitialFolder(c.path, folder, sizeof folder);
    EXPECT_STREQ(folder, c.folder) << c.path;
  }
}

TEST(FilePickers, SaveDialogOpensInTheStoredFolderAndKeepsTheCurrentOne) {
  FreshStore("picker", "");
  char before[MAX_PATH];
  GetCurrentDirectoryA(sizeof before, before);
  char path[260] = "C:\\x.txt";
  std::string chosen = gTestDir + "\\export.txt";
  int result = (int)RunModal([&] { return BrowseForSaveFile(NULL, path, "Quote Export Filename", TRUE); },
                             {{"Quote Export Filename", [&](HWND d) {
                                 char folder[MAX_PATH] = "";
                                 SendMessageA(d, CDM_GETFOLDERPATH, sizeof folder, (LPARAM)folder);
                                 EXPECT_STREQ(folder, "C:\\");
                                 SendMessageA(d, CDM_SETCONTROLTEXT, edt1, (LPARAM)chosen.c_str());
                                 SendMessageA(d, CDM_SETCONTROLTEXT, cmb13, (LPARAM)chosen.c_str());
                                 Press(d, IDOK);
                               }}});
  EXPECT_EQ(result, 1);
  EXPECT_EQ(std::string(path), chosen);
  char after[MAX_PATH];
  GetCurrentDirectoryA(sizeof after, after);
  EXPECT_STREQ(after, before);
}

TEST(FilePickers, SoundDialogStartsAtTheFileAndCancelKeepsIt) {
  FreshStore("sound", "");
  std::string start = gTestDir + "\\alarm.wav";
  WriteBytes(start, "RIFF");
  char path[260];
  strcpy(path, start.c_str());
  int result = (int)RunModal([&] { return BrowseForSoundFile(NULL, path, "Sound File"); },
                             {{"Sound File", [&](HWND d) {
                                 char folder[MAX_PATH] = "", name[MAX_PATH] = "";
                                 SendMessageA(d, CDM_GETFOLDERPATH, sizeof folder, (LPARAM)folder);
                                 SendMessageA(d, CDM_GETSPEC, sizeof name, (LPARAM)name);
                                 EXPECT_STREQ(folder, gTestDir.c_str());
                                 EXPECT_STREQ(name, "alarm.wav");
                                 Press(d, IDCANCEL);
                               }}});
  EXPECT_EQ(result, 0);
  EXPECT_EQ(std::string(path), start);
}

TEST(Centring, OnTheParentOrTheScreenAndKeptOnIt) {
  int cx = GetSystemMetrics(SM_CXSCREEN), cy = GetSystemMetrics(SM_CYSCREEN);
  struct Case {
    bool parent;
    RECT parentRect;
    POINT expected;
  } cases[] = {
      {false, {}, {(cx - 200) / 2, (cy - 100) / 2}},
      {true, {100, 100, 500, 300}, {200, 150}},
      {true, {-300, -300, 0, 0}, {0, 0}},
      {true, {cx - 50, cy - 50, cx + 250, cy + 50}, {cx - 200, cy - 100}},
  };
  for (const Case& c : cases) {
    HWND owner = NULL;
    if (c.parent)
      owner = CreateWindowA("STATIC", "", WS_POPUP, c.parentRect.left, c.parentRect.top,
                            c.parentRect.right - c.parentRect.left, c.parentRect.bottom - c.parentRect.top, NULL,
                            NULL, NULL, NULL);
    HWND w = CreateWindowA("STATIC", "", WS_POPUP, 5, 5, 200, 100, owner, NULL, NULL, NULL);
    CenterOnParent(w);
    RECT r;
    GetWindowRect(w, &r);
    EXPECT_EQ(r.left, c.expected.x);
    EXPECT_EQ(r.top, c.expected.y);
    EXPECT_EQ(r.right - r.left, 200);
    DestroyWindow(w);
    if (owner) DestroyWindow(owner);
  }
}
