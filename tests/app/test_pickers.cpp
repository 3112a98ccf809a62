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
      {"prices.txt", ""}, {"C:\\x.wav", "C:\\"}, {"C:\\music\\x.wav", "C:\\music"}, {"\\x.wav", "\\"}, {"C:x.wav", "C:"},
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

TEST(Centring, OnTheParentOrTheScreenAndKeptOnIt) {
  int cx = GetSystemMetrics(SM_CXSCREEN), cy = GetSystemMetrics(SM_CYSCREEN);
  HWND edge = CreateWindowA("STATIC", "", WS_POPUP, cx - 50, cy - 50, 300, 100, NULL, NULL, NULL, NULL);
  for (HWND owner : {(HWND)NULL, edge}) {
    HWND w = CreateWindowA("STATIC", "", WS_POPUP, 5, 5, 200, 100, owner, NULL, NULL, NULL);
    CenterOnParent(w);
    RECT r;
    GetWindowRect(w, &r);
    EXPECT_EQ(r.left, owner ? cx - 200 : (cx - 200) / 2);
    EXPECT_EQ(r.top, owner ? cy - 100 : (cy - 100) / 2);
    DestroyWindow(w);
  }
  DestroyWindow(edge);
}
