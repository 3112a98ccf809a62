// The banner schedule, its rotation, saving a downloaded image, and the version text.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "app/options.h"
#include "banner/player.h"
#include "banner/schedule.h"
#include "banner/version_check.h"
#include "foundation/settings.h"
#include "quotes/network.h"
#include "tests/store/test_support.h"

namespace {

const char kSlots[] =
    "[Banner]\r\n"
    "tw000.png=1/15/25 12:00;2;http://a.example/;first\r\n"
    "tw001.png=1/15/25 12:00;0;http://b.example/;tip;with a semicolon\r\n"
    "tw002.mng=1/15/25 12:00;1;http://c.example/;third\r\n"
    "tw003.png=1/15/25 12:00;3;http://d.example/;png wins\r\n"
    "tw003.mng=2/15/25 12:00;9;http://e.example/;mng\r\n"
    "tw004.png=15/25 12:00;1;http://f.example/;short date\r\n";

FILETIME LocalToUtc(WORD year, WORD month, WORD day, WORD hour, WORD minute) {
  SYSTEMTIME st = {year, month, 0, day, hour, minute, 0, 0};
  FILETIME local, utc = {};
  SystemTimeToFileTime(&st, &local);
  LocalFileTimeToFileTime(&local, &utc);
  return utc;
}

bool SameTime(const FILETIME& a, const FILETIME& b) {
  return a.dwLowDateTime == b.dwLowDateTime && a.dwHighDateTime == b.dwHighDateTime;
}

std::string SlotPath(int slot) { return gTestDir + "\\" + BannerSchedule[slot].file_name; }

std::string Prompted;
int WINAPI RecordPrompt(HWND, LPCSTR text, LPCSTR caption, UINT) {
  Prompted = std::string(caption) + "|" + text;
  return IDNO;
}

class Banner : public ::testing::Test {
 protected:
  void SetUp() override {
    FreshStore("banner", kSlots);
    bRegistryReady = TRUE;
    snprintf(szBannerDir, sizeof szBannerDir, "%s\\", gTestDir.c_str());
    bShowBanner = 1;
    bNetworkReplyComplete = TRUE;
    hInternet = NULL;
    nLastBannerDownload = -1;
    LoadBannerSchedule(NULL);
    CurrentBanner = nBannerCycles = 0;
  }
};

}  // namespace

TEST_F(Banner, DatesAreLocalTimesWithTwoDigitYearsCompleted) {
  struct {
    const char* text;
    BOOL ok;
    FILETIME want;
  } cases[] = {
      {"12/24/26 18:30", TRUE, LocalToUtc(2026, 12, 24, 18, 30)}, {"1/1/49 0:00", TRUE, LocalToUtc(2049, 1, 1, 0, 0)},
      {"1/1/50 0:00", TRUE, LocalToUtc(1950, 1, 1, 0, 0)},        {"3/4/2026 1:02", TRUE, LocalToUtc(2026, 3, 4, 1, 2)},
      {"12/24/26", FALSE, {}},                                     {"13/1/26 0:00", FALSE, {}},
  };
  for (const auto& c : cases) {
    FILETIME got;
    EXPECT_EQ(ParseBannerDate(c.text, &got), c.ok) << c.text;
    EXPECT_TRUE(!c.ok || SameTime(got, c.want)) << c.text;
  }
}

TEST_F(Banner, ScheduleSlotsNeedFourFieldsAndTheirPngKeyWins) {
  struct {
    int slot;
    DWORD valid;
    const char* name;
    short cycles;
    const char* tip;
  } cases[] = {{0, 1, "tw000.png", 2, "first"},    {1, 0, "tw001.png", 0, "tip"},
               {2, 1, "tw002.mng", 1, "third"},    {3, 1, "tw003.png", 3, "png wins"},
               {4, 0, "tw004.png", 1, "short date"}, {5, 0, "tw005.mng", 0, ""}};
  for (const auto& c : cases) {
    const BannerEntry& e = BannerSchedule[c.slot];
    EXPECT_EQ(e.valid, c.valid) << c.slot;
    EXPECT_STREQ(e.file_name, c.name);
    EXPECT_EQ(e.cycles, c.cycles) << c.slot;
    EXPECT_STREQ(e.tip_text, c.tip);
  }
  EXPECT_TRUE(SameTime(BannerSchedule[0].file_time, LocalToUtc(2025, 1, 15, 12, 0)));
}

TEST_F(Banner, RotationShowsDownloadsOnceAndDisablesASlotThatStaysStale) {
  char exe[MAX_PATH];
  GetModuleFileNameA(NULL, exe, sizeof exe);
  std::string still = exe;
  still.erase(still.find_last_of('\\') + 1);
  WriteBytes(SlotPath(0), ReadBytes(still + "still.png"));  // the player deletes what it cannot show
  HANDLE h = CreateFileA(SlotPath(0).c_str(), GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
  SetFileTime(h, NULL, NULL, &BannerSchedule[0].file_time);
  CloseHandle(h);
  BannerSchedule[3].valid = 0;  // slot 2 is the next stale one after 0
  // Slot 0 is current and stays two calls; slot 2 needs its file: asked for once, then disabled.
  struct {
    int result, slot;
  } steps[] = {{0, 0}, {0, 0}, {1, 2}, {0, 0}, {0, 0}};
  for (const auto& s : steps) {
    EXPECT_EQ(SelectNextBanner(NULL), s.result);
    EXPECT_EQ(CurrentBanner, s.slot);
  }
  EXPECT_EQ(BannerSchedule[2].valid, 0u);
  CurrentBanner = 2;
  nBannerCycles = 0;
  BannerSchedule[2].valid = 1;
  nLastBannerDownload = -1;
  EXPECT_EQ(SelectNextBanner(NULL), 1);
  EXPECT_STREQ(szBannerUrl, "http://maker.example/images/tw002.mng\r\nAccept: image/png; image/mng; */*");
  hInternet = (HINTERNET)1;  // the WinINet road has no Accept line
  nLastBannerDownload = -1;
  SelectNextBanner(NULL);
  hInternet = NULL;
  EXPECT_STREQ(szBannerUrl, "http://maker.example/images/tw002.mng");
  bShowBanner = 0;
  EXPECT_EQ(SelectNextBanner(NULL), 0);
  MngStopBanner();
}

TEST_F(Banner, OnlyAWhole2xxImageIsSavedAndStamped) {
  const std::string nul("ABC\0DEF", 7);
  struct {
    std::string reply;
    BOOL complete;
    const char* kept;  // NULL: no file
  } cases[] = {
      {"HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\nABCDEFG", TRUE, "ABCDE"},
      {"HTTP/1.1 200 OK\r\ncontent-length: 7\r\n\r\n" + nul, TRUE, "ABC\0DEF"},
      {"PNG\r\n\r\nbody", TRUE, "PNG\r\n\r\nbody"},
      {"GIF89a\r\n\r\nContent-Length: 2\r\n", TRUE, "GIF89a\r\n\r\nContent-Length: 2\r\n"},
      {"HTTP/1.0 404 Not Found\r\nContent-Length: 3\r\n\r\nabc", TRUE, NULL},
      {"HTTP/1.0 200 OK\r\nContent-Length: 10\r\n\r\nABC", TRUE, NULL},
      {"HTTP/1.0 200 OK\r\nContent-Length: 3\r\n", TRUE, NULL},
      {"No response from server", FALSE, NULL},
      {"a body cut short", FALSE, NULL},
  };
  bShowBanner = 0;  // no rotation afterwards: the player would delete these non-images
  for (const auto& c : cases) {
    CurrentBanner = 0;
    nBannerCycles = 0;
    WriteBytes(SlotPath(0), "stale");
    bNetworkReplyComplete = c.complete;
    SaveBannerFile(NULL, c.reply.data(), (DWORD)c.reply.size());
    std::string path = gTestDir + "\\tw000.png";
    if (c.kept == NULL) {
      EXPECT_EQ(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES) << c.reply;
      continue;
    }
    std::string want(c.kept, c.reply.find('\0') != std::string::npos ? 7 : strlen(c.kept));
    EXPECT_EQ(ReadBytes(path), want) << c.reply;
    CurrentBanner = 0;
    EXPECT_EQ(BannerFileIsCurrent(NULL), 1) << c.reply;
  }
}

TEST_F(Banner, VersionTextPromptsForOtherVersionsAndRewritesOnlyScheduleKeys) {
  pfnVersionMessageBox = RecordPrompt;
  struct {
    const char* word;
    bool prompt;
  } words[] = {{"1.86.000", false}, {"1.86", false}, {"1.87.000", true}, {"1.85.000", true},
               {"1.86.0001", true}, {"", false},    {"", false}};
  std::string longWord(100, '9');
  words[6].word = longWord.c_str();
  for (const auto& w : words) {
    Prompted.clear();
    std::string text = std::string("junk\n[VERSION] newest\n ") + w.word + "\n[MESSAGE]\nGet it\r\nnow\n";
    CheckNewVersionBuffer(NULL, &text[0]);
    EXPECT_EQ(Prompted, w.prompt ? "New Tarnwick version is available|Get it\r\nnow\n" : "") << w.word;
  }
  std::string text =
      "[BANNER]\ntw000.png;1/15/25 12:00;2;http://x.example/;tip\r\nTW001.MNG;1/15/25 12:00;1;l;t;more\n"
      "evil.ini;1/15/25 12:00;1;l;t\ntw030.png;1/15/25 12:00;1;l;t\ntw002.png;" +
      std::string(500, 'x') + "\nnoseparator\ntw003.png;1/15/25 12:00;1;l;last line\n[OTHER]\n";
  CheckNewVersionBuffer(NULL, &text[0]);
  char keys[1000] = "";
  DWORD n = IniGetKeys(NULL, "Banner", keys, sizeof keys);
  std::string list;
  for (const char* k = keys; k < keys + n && *k; k += strlen(k) + 1) list += std::string(k) + " ";
  EXPECT_EQ(list, "tw000.png TW001.MNG tw003.png ");
  EXPECT_EQ(BannerSchedule[0].valid, 1u);
  EXPECT_STREQ(BannerSchedule[0].tip_text, "tip");
  EXPECT_STREQ(BannerSchedule[1].tip_text, "t");  // five fields: kept, but the slot is off
  EXPECT_EQ(BannerSchedule[1].valid, 0u);
  char failed[] = "No response from server";
  CheckNewVersionBuffer(NULL, failed);
  EXPECT_EQ(IniGetKeys(NULL, "Banner", keys, sizeof keys), n);
  pfnVersionMessageBox = MessageBoxA;
}
