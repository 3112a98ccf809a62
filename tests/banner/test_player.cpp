// The banner player on libmng with banners drawn by tools/mkbanner.py: an animation advancing on
// IDT_BANNER, a still image, and files the decoder cannot read.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "app/handles.h"
#include "app/status_strip.h"
#include "banner/player.h"
#include "banner/schedule.h"
#include "foundation/log.h"
#include "tests/store/test_support.h"

namespace {

std::string Dir() {
  char exe[MAX_PATH];
  GetModuleFileNameA(NULL, exe, sizeof exe);
  std::string dir = exe;
  return dir.erase(dir.find_last_of('\\') + 1);
}

LRESULT CALLBACK MainProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_TIMER && wParam == IDT_BANNER && nBannerRunning == 1) {
    MngOnTimer();
    return 0;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

// A hidden main window with its banner window and strip; the current slot's file holds bytes.
class BannerPlayer : public ::testing::Test {
 protected:
  void SetUp() override {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = MainProc;
    wc.hInstance = GetModuleHandleA(NULL);
    wc.lpszClassName = "BannerTestMain";
    RegisterClassA(&wc);
    hMainWnd = CreateWindowA("BannerTestMain", "", WS_OVERLAPPEDWINDOW, 0, 0, 600, 300, NULL, NULL, NULL, NULL);
    hBannerWnd = CreateWindowA("STATIC", "", WS_CHILD | WS_VISIBLE, 0, 0, 20, 20, hMainWnd, NULL, NULL, NULL);
    SetBannerShown(1);
    InitStatusArea(hMainWnd, NULL, NULL);
    char tmp[MAX_PATH];
    GetTempPathA(sizeof tmp, tmp);
    dir = std::string(tmp) + "twbanner_" + std::to_string(GetCurrentProcessId()) + "_" +
          ::testing::UnitTest::GetInstance()->current_test_info()->name();
    CreateDirectoryA(dir.c_str(), NULL);
    snprintf(szBannerDir, sizeof szBannerDir, "%s\\", dir.c_str());
    snprintf(szLogDir, sizeof szLogDir, "%s", dir.c_str());
    DeleteFileA((dir + "\\TarnWick.log").c_str());
    bDebugLog = TRUE;
    CurrentBanner = 3;
    snprintf(BannerSchedule[3].file_name, sizeof BannerSchedule[3].file_name, "tw003.mng");
    path = dir + "\\tw003.mng";
    ResetBannerPlayer();
  }
  void TearDown() override {
    MngStopBanner();
    DestroyWindow(hMainWnd);
    hMainWnd = hBannerWnd = NULL;
  }
  COLORREF Pixel() const { return GetPixel(hBannerMemDC, 2, 2); }
  // Pumps messages until the animation ends (at most five seconds); the colours seen after each frame.
  std::vector<COLORREF> PlayOut() {
    std::vector<COLORREF> seen = {Pixel()};
    DWORD start = GetTickCount();
    MSG msg;
    while (nBannerRunning == 1 && GetTickCount() - start < 5000) {
      if (!PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
        Sleep(10);
        continue;
      }
      DispatchMessageA(&msg);
      if (Pixel() != seen.back()) seen.push_back(Pixel());
    }
    return seen;
  }
  std::string dir, path;
};

TEST_F(BannerPlayer, AnimationAdvancesOnTheTimerAndKeepsItsLastFrame) {
  WriteBytes(path, ReadBytes(Dir() + "frames.mng"));
  EXPECT_EQ(ShowBannerFile(), 0);
  EXPECT_EQ(bBannerLoaded, 1);
  EXPECT_EQ(nBannerRunning, 1);
  int w = 0, h = 0;
  GetBannerImageSize(&w, &h);
  EXPECT_EQ(w, 120);
  EXPECT_EQ(h, 40);
  RECT slot;
  GetClientRect(hBannerWnd, &slot);
  EXPECT_EQ(slot.right, 120);
  EXPECT_EQ(slot.bottom, 40);

  std::vector<COLORREF> seen = PlayOut();
  EXPECT_EQ(seen, (std::vector<COLORREF>{RGB(200, 0, 0), RGB(0, 160, 0), RGB(0, 0, 200)}));
  EXPECT_EQ(nBannerRunning, -1);
  EXPECT_EQ(bBannerLoaded, 1);
  EXPECT_EQ(GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES, true);

  // Played again, the file is held open until the player stops; then it can be rewritten.
  ShowBannerFile();
  ASSERT_EQ(nBannerRunning, 1);
  EXPECT_FALSE(DeleteFileA(path.c_str()));
  MngStopBanner();
  EXPECT_TRUE(DeleteFileA(path.c_str()));
}

TEST_F(BannerPlayer, StillImageStaysAfterItsOnlyTick) {
  WriteBytes(path, ReadBytes(Dir() + "still.png"));
  EXPECT_EQ(ShowBannerFile(), 0);
  std::vector<COLORREF> seen = PlayOut();
  EXPECT_EQ(nBannerRunning, -1);
  EXPECT_EQ(bBannerLoaded, 1);
  EXPECT_EQ(seen.back(), RGB(0, 64, 128));
}

TEST_F(BannerPlayer, UnreadableFilesAreDeletedAndNotShown) {
  const std::string frames = ReadBytes(Dir() + "frames.mng");
  ASSERT_GT(frames.size(), 300u);
  struct Case {
    const char* name;
    std::string bytes;
    const char* logged;
  } cases[] = {
      // Cut between two chunks the decoder only waits for more data and reports no error.
      {"cut after a whole chunk", frames.substr(0, frames.find("IDAT") - 4), "truncated or unreadable"},
      {"signature only", frames.substr(0, 8), "truncated or unreadable"},
      {"cut inside an image", frames.substr(0, frames.find("IDAT") + 20), "error playing chunk"},
      {"error page", "<html><body>404 Not Found</body></html>", "error playing chunk"},
  };
  for (const Case& c : cases) {
    WriteBytes(path, c.bytes);
    EXPECT_EQ(ShowBannerFile(), 0) << c.name;
    EXPECT_EQ(bBannerLoaded, 0) << c.name;
    EXPECT_EQ(nBannerRunning, -1) << c.name;
    EXPECT_EQ(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES) << c.name;
    EXPECT_NE(ReadBytes(dir + "\\TarnWick.log").find(c.logged), std::string::npos) << c.name;
    DeleteFileA((dir + "\\TarnWick.log").c_str());
  }
  EXPECT_EQ(ShowBannerFile(), 1);  // no file at all: nothing started
}

}  // namespace
