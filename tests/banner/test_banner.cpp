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

// Slot 1 has five fields, slot 3 both keys, slot 4 a date of four numbers.
const char kSlots[] =
    "[Banner]\r\ntw000.png=1/15/25 12:00;2;http://a.example/;first\r\n"
    "tw001.png=1/15/25 12:00;0;http://b.example/;tip;with a semicolon\r\n"
    "tw002.mng=1/15/25 12:00;1;http://c.example/;third\r\ntw003.png=1/15/25 12:00;3;l;png wins\r\n"
    "tw003.mng=2/15/25 12:00;9;l;mng\r\ntw004.png=15/25 12:00;1;l;short date\r\n";

// The UTC file time of a local time, read back as a number.
ULONGLONG Utc(WORD year, WORD month, WORD day, WORD hour, WORD minute) {
  SYSTEMTIME st = {year, month, 0, day, hour, minute, 0, 0};
  FILETIME local, utc = {};
  SystemTimeToFileTime(&st, &local);
  LocalFileTimeToFileTime(&local, &utc);
  return ((ULONGLONG)utc.dwHighDateTime << 32) | utc.dwLowDateTime;
}

ULONGLONG Number(const FILETIME& t) { return ((ULONGLONG)t.dwHighDateTime << 32) | t.dwLowDateTime; }

std::string Prompted;
int WINAPI RecordPrompt(HWND, LPCSTR text, LPCSTR caption, UINT) {
  Prompted = std::string(caption) + "|" + text;
  return IDNO;
}

class Banner : public ::testing::Test {
 protected:
  void SetUp() override {
    FreshStore("banner", kSlots);
    snprintf(szBannerDir, sizeof szBannerDir, "%s\\", gTestDir.c_str());
    bShowBanner = 1;
    bNetworkReplyComplete = TRUE;
    nLastBannerDownload = -1;
    LoadBannerSchedule(NULL);
    CurrentBanner = nBannerCycles = 0;
  }
  void TearDown() override { MngStopBanner(); }
};

}  // namespace

TEST_F(Banner, SlotsNeedFourFieldsAndADateWhoseTwoDigitYearIsCompleted) {
  struct {
    const char* date;
    ULONGLONG want;  // 0: refused
  } dates[] = {{"12/24/26 18:30", Utc(2026, 12, 24, 18, 30)}, {"1/1/49 0:00", Utc(2049, 1, 1, 0, 0)},
               {"1/1/50 0:00", Utc(1950, 1, 1, 0, 0)},        {"3/4/2026 1:02", Utc(2026, 3, 4, 1, 2)},
               {"12/24/26", 0},                                {"13/1/26 0:00", 0}};
  for (const auto& d : dates) {
    FILETIME got;
    EXPECT_EQ(ParseBannerDate(d.date, &got), d.want != 0) << d.date;
    EXPECT_TRUE(d.want == 0 || Number(got) == d.want) << d.date;
  }
  struct {
    DWORD valid;
    const char *name, *tip;
    short cycles;
  } slots[] = {{1, "tw000.png", "first", 2}, {0, "tw001.png", "tip", 0},       {1, "tw002.mng", "third", 1},
               {1, "tw003.png", "png wins", 3}, {0, "tw004.png", "short date", 1}, {0, "tw005.mng", "", 0}};
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(BannerSchedule[i].valid, slots[i].valid) << i;
    EXPECT_STREQ(BannerSchedule[i].file_name, slots[i].name);
    EXPECT_STREQ(BannerSchedule[i].tip_text, slots[i].tip);
    EXPECT_EQ(BannerSchedule[i].cycles, slots[i].cycles) << i;
  }
}

TEST_F(Banner, RotationShowsDownloadsOnceAndDisablesASlotThatStaysStale) {
  char exe[MAX_PATH];
  GetModuleFileNameA(NULL, exe, sizeof exe);
  std::string still = exe;
  still.erase(still.find_last_of('\\') + 1);
  WriteBytes(gTestDir + "\\tw000.png", ReadBytes(still + "still.png"));  // the player deletes what it cannot show
  HANDLE h = CreateFileA((gTestDir + "\\tw000.png").c_str(), GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
  SetFileTime(h, NULL, NULL, &BannerSchedule[0].file_time);
  CloseHandle(h);
  BannerSchedule[3].valid = 0;
  // Slot 0 is current and stays two calls; slot 2 needs its file: asked for once, then disabled.
  int steps[][2] = {{0, 0}, {0, 0}, {1, 2}, {0, 0}, {0, 0}};
  for (const auto& s : steps) {
    EXPECT_EQ(SelectNextBanner(NULL), s[0]);
    EXPECT_EQ(CurrentBanner, s[1]);
  }
  EXPECT_EQ(BannerSchedule[2].valid, 0u);
  BannerSchedule[2].valid = 1;
  for (HINTERNET road : {(HINTERNET)NULL, (HINTERNET)1}) {  // the raw road's address carries an Accept line
    hInternet = road;
    CurrentBanner = 2;
    nBannerCycles = 0;
    nLastBannerDownload = -1;
    EXPECT_EQ(SelectNextBanner(NULL), 1);
    EXPECT_EQ(std::string(szBannerUrl),
              std::string("http://maker.example/images/tw002.mng") + (road ? "" : "\r\nAccept: image/png; image/mng; */*"));
  }
  hInternet = NULL;
  bShowBanner = 0;
  EXPECT_EQ(SelectNextBanner(NULL), 0);
}

TEST_F(Banner, OnlyAWhole2xxImageIsSavedAndStamped) {
  bShowBanner = 0;  // no rotation afterwards: the player would delete these non-images
  // WinINet hands over the body alone; the raw road's reply must carry its status line and header.
  const HINTERNET raw = NULL, winInet = (HINTERNET)1;
  const std::string png("\x89PNG\r\n\x1a\n\0\0\0\0IEND\xae\x42\x60\x82", 20);
  const std::string mng = std::string("\x8aMNG\r\n\x1a\n\0\0\0\x01" "ABCDx1234", 21) + png.substr(8) +
                          std::string("\0\0\0\0MEND\xf1\x2a\x1c\x3a", 12);
  const std::string ok = "HTTP/1.0 200 OK\r\n";
  struct {
    HINTERNET road;
    std::string reply;
    BOOL complete;
    std::string kept;  // "": the old file stays
  } cases[] = {
      {raw, ok + "Content-Length: 20\r\n\r\n" + png + "XY", TRUE, png},
      {raw, "HTTP/1.1 200 OK\r\ncontent-length: 45\r\n\r\n" + mng, TRUE, mng},
      {winInet, png + "filler", TRUE, png + "filler"},
      {winInet, "GIF89a\r\n\r\nContent-Length: 2\r\n", TRUE, ""},
      {winInet, "<html><body>Moved</body></html>", TRUE, ""},
      {winInet, mng.substr(0, 40), TRUE, ""},  // a chunked reply cut where no length tells
      {raw, png, TRUE, ""},
      {raw, "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n4\r\nbody\r\n0\r\n\r\n", TRUE, ""},
      {raw, "HTTP/1.0 404 Not Found\r\nContent-Length: 20\r\n\r\n" + png, TRUE, ""},
      {raw, ok + "Content-Length: 30\r\n\r\n" + png, TRUE, ""},
      {raw, "HTTP/1.0 200 OK\r\nContent-Length: 3\r\n", TRUE, ""},
      {winInet, "No response from server", FALSE, ""},
      // lengths that cannot be trusted, a coding not known, a status past three digits
      {raw, ok + "Content-Length: +20\r\n\r\n" + png, TRUE, ""},
      {raw, ok + "Content-Length: 20\r\nContent-Length: 21\r\n\r\n" + png + "X", TRUE, ""},
      {raw, ok + "Transfer-Encoding: identityX\r\n\r\n" + png, TRUE, ""},
      {raw, "HTTP/1.0 00000000000000000000200 OK\r\n\r\n" + png, TRUE, ""},
  };
  for (const auto& c : cases) {
    WriteBytes(gTestDir + "\\tw000.png", "stale");
    hInternet = c.road;
    bNetworkReplyComplete = c.complete;
    SaveBannerFile(NULL, c.reply.data(), (DWORD)c.reply.size());
    EXPECT_EQ(ReadBytes(gTestDir + "\\tw000.png"), c.kept.empty() ? "stale" : c.kept) << c.reply;
    EXPECT_EQ(BannerFileIsCurrent(NULL), !c.kept.empty()) << c.reply;
  }
  hInternet = NULL;
}

TEST_F(Banner, VersionTextPromptsForOtherVersionsAndRewritesOnlyScheduleKeys) {
  pfnVersionMessageBox = RecordPrompt;
  std::string longWord(100, '9');
  std::pair<const char*, bool> words[] = {{"1.86.000", false}, {"1.86", false}, {"1.87.000", true},
                                          {"1.85.000", true},  {"1.86.0001", true}, {"", false}, {longWord.c_str(), false}};
  for (const auto& w : words) {
    Prompted.clear();
    std::string text = std::string("junk\n[VERSION] newest\n ") + w.first + "\n[MESSAGE]\nGet it\r\nnow\n";
    CheckNewVersionBuffer(NULL, &text[0]);
    EXPECT_EQ(Prompted, w.second ? "New Tarnwick version is available|Get it\r\nnow\n" : "") << w.first;
  }
  std::string text = "[BANNER]\ntw000.png;1/15/25 12:00;2;http://x.example/;tip\r\nTW001.MNG;1/15/25 12:00;1;l;t;more\n"
                     "evil.ini;1/15/25 12:00;1;l;t\ntw030.png;1/15/25 12:00;1;l;t\ntw002.png;" +
                     std::string(500, 'x') + "\nnoseparator\ntw003.png;1/15/25 12:00;1;l;last\n[OTHER]\n";
  CheckNewVersionBuffer(NULL, &text[0]);
  char keys[1000] = "";
  DWORD n = IniGetKeys(NULL, "Banner", keys, sizeof keys);
  std::string list;
  for (const char* k = keys; k < keys + n && *k; k += strlen(k) + 1) list += std::string(k) + " ";
  EXPECT_EQ(list, "tw000.png TW001.MNG tw003.png ");
  EXPECT_TRUE(BannerSchedule[0].valid && !strcmp(BannerSchedule[0].tip_text, "tip"));
  char failed[] = "No response from server";
  CheckNewVersionBuffer(NULL, failed);
  EXPECT_EQ(IniGetKeys(NULL, "Banner", keys, sizeof keys), n);
  char cut[] = "[BANNER]\ntw005.png;1/15/25 12:00;1;l;t\ntw006.png;1/1";  // its last line has no line end
  CheckNewVersionBuffer(NULL, cut);
  EXPECT_EQ(IniGetKeys(NULL, "Banner", keys, sizeof keys), n);
  // Known whole by its length, the same text is read, all but its unended last line, and so is a
  // prompt that ends without one.
  bNetworkReplyLengthMatched = TRUE;
  CheckNewVersionBuffer(NULL, cut);
  EXPECT_EQ(IniGetKeys(NULL, "Banner", keys, sizeof keys), 10u);  // "tw005.png" and the list's end
  Prompted.clear();
  char prompt[] = "[VERSION]\n1.87.000\n[MESSAGE]\nGet it";
  CheckNewVersionBuffer(NULL, prompt);
  bNetworkReplyLengthMatched = FALSE;
  EXPECT_EQ(Prompted, "New Tarnwick version is available|Get it");
  pfnVersionMessageBox = MessageBoxA;
}
