// Generated hostile replies for every parser: no crash, no write outside the reply and the symbol
// list, no read past the reply's NUL (the page behind each buffer is inaccessible).
#include <gtest/gtest.h>
#include <windows.h>
#include <algorithm>
#include <string>

#include "app/handles.h"
#include "quotes/parsers.h"

void ResetStocks();
long long AddStock(const char* symbol, int market);
std::string DetailPageReply();
std::string TextPageReply();
std::string UkPageReply();
std::string CsvReply();
std::string JsonReply();

namespace {

const size_t kPage = 4096;
const size_t kGuard = 64;
const unsigned char kGuardByte = 0xA5;

// A text placed so that its NUL is the last byte before an inaccessible page, with guard bytes
// in front of it.
class FencedText {
 public:
  explicit FencedText(const std::string& s) {
    size_t need = kGuard + s.size() + 1;
    span_ = (need + kPage - 1) / kPage * kPage;
    base_ = (char*)VirtualAlloc(NULL, span_ + kPage, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    DWORD old;
    VirtualProtect(base_ + span_, kPage, PAGE_NOACCESS, &old);
    text_ = base_ + span_ - s.size() - 1;
    memset(base_, kGuardByte, text_ - base_);
    memcpy(text_, s.data(), s.size());
    text_[s.size()] = '\0';
  }
  ~FencedText() { VirtualFree(base_, 0, MEM_RELEASE); }
  char* p() { return text_; }
  bool GuardIntact() const {
    for (const char* q = base_; q < text_; ++q)
      if ((unsigned char)*q != kGuardByte) return false;
    return true;
  }

 private:
  char* base_;
  char* text_;
  size_t span_;
};

struct Rng {
  unsigned s;
  unsigned Below(size_t n) {
    s = s * 1664525u + 1013904223u;
    return n ? (unsigned)((s >> 8) % n) : 0;
  }
};

std::string Mutate(const std::string& seed, Rng& rng) {
  static const char kChars[] = "<>:,\"\r\n &;%/.0123456789-+{}[]\tb^";
  static const char kFill[] = "9A\" [{,<:.-";
  std::string s = seed;
  for (int ops = 1 + rng.Below(3); ops > 0; --ops) {
    switch (rng.Below(7)) {
      case 0:  // truncated
        s.resize(rng.Below(s.size() + 1));
        break;
      case 1:  // bytes changed
        for (int i = rng.Below(24); i >= 0 && !s.empty(); --i)
          s[rng.Below(s.size())] = rng.Below(4) ? kChars[rng.Below(sizeof kChars - 1)] : (char)(1 + rng.Below(255));
        break;
      case 2:  // a huge field
        s.insert(rng.Below(s.size() + 1), std::string(500 + rng.Below(30000), kFill[rng.Below(sizeof kFill - 1)]));
        break;
      case 3:  // no line ends
        s.erase(std::remove_if(s.begin(), s.end(), [](char c) { return c == '\r' || c == '\n'; }), s.end());
        break;
      case 4:  // NUL inside
        s.insert(rng.Below(s.size() + 1), 1, '\0');
        break;
      case 5: {  // a stretch repeated elsewhere
        size_t from = rng.Below(s.size() + 1);
        s.insert(rng.Below(s.size() + 1), s.substr(from, rng.Below(400)));
        break;
      }
      case 6:  // head dropped, so a label may stand at the very end or the very start
        s = s.substr(rng.Below(s.size() + 1));
        break;
    }
  }
  if (rng.Below(100) == 0) s = std::string(100000, rng.Below(2) ? '[' : '{') + s;
  return s;
}

std::string SymbolList(Rng& rng, const char* good, char sep) {
  switch (rng.Below(6)) {
    case 0: return "";
    case 1: return std::string(5, sep);
    case 2: {
      std::string many;
      for (int i = 0; i < 40; ++i) many += std::string(1 + rng.Below(40), 'A' + rng.Below(26)) + sep;
      return many;
    }
    case 3: return std::string(300, 'Z');
    default: return good;
  }
}

typedef void (*Parse)(char* reply, char* symbols);

void RunHostile(const std::string& seed, const char* goodList, char sep, Parse parse, unsigned seedValue) {
  ResetStocks();
  const char* stocks[] = {"ACME", "IBM", "XYZ", "XY", "GOOD", "^DJI", "^IXIC"};
  for (const char* s : stocks) AddStock(s, 0);
  AddStock("BCE", 1);
  Rng rng = {seedValue};
  for (int i = 0; i < 10000; ++i) {
    FencedText reply(Mutate(seed, rng)), symbols(SymbolList(rng, goodList, sep));
    parse(reply.p(), symbols.p());
    ASSERT_TRUE(reply.GuardIntact()) << "case " << i;
    ASSERT_TRUE(symbols.GuardIntact()) << "case " << i;
  }
}

}  // namespace

TEST(Hostile, DetailPage) {
  RunHostile(DetailPageReply(), "ACME", '+', [](char* r, char* s) { ParseQuotePageHtml(hListView, r, s); }, 1);
}
TEST(Hostile, TextPage) {
  RunHostile(TextPageReply(), "IBM", '+', [](char* r, char* s) { ParseQuoteTextPage(hListView, r, s); }, 2);
}
TEST(Hostile, UkPage) {
  RunHostile(UkPageReply(), "XY+XYZ", '+', [](char* r, char* s) { ParseQuoteTableHtml(hListView, r, s); }, 3);
}
TEST(Hostile, Csv) {
  RunHostile(CsvReply(), "IBM+ODD+GOOD+BCE.TO+INDU", '+', [](char* r, char* s) { ParseYahooCsv(hListView, r, s); }, 4);
}
TEST(Hostile, Json) {
  RunHostile(JsonReply(), "^DJI,^IXIC", ',', [](char* r, char* s) { YAHOO_IndexScanJson(hListView, r, s); }, 5);
}
