#include <gtest/gtest.h>

#include <string.h>

#include <string>

#include "foundation/text.h"

namespace {

struct TrimCase {
  void (*fn)(char*);
  const char* name;
  const char* in;
  const char* out;
};

TEST(TextTrim, RemovesOnlyTheirOwnBlanks) {
  const TrimCase cases[] = {
      {TrimRight, "right", "ab \t\r\n", "ab"},
      {TrimRight, "right", " \t \t", ""},
      {TrimRight, "right", "a\v\f", "a\v\f"},  // VT and FF stay
      {TrimRight, "right", "", ""},
      {TrimLeft, "left", "\t\n\r x y ", "x y "},
      {TrimLeft, "left", "  \t", ""},
      {TrimLeft, "left", "\vx", "\vx"},
      {TrimSpaces, "spaces", "", ""},
      {TrimSpaces, "spaces", " \v\f a b \t\r\n", "a b"},
      {TrimSpaces, "spaces", "   ", ""},
      // bytes above 0x7F are not white space and must not be read as negative indexes
      {TrimSpaces, "spaces", "\xA0x\xA9", "\xA0x\xA9"},
      {TrimSpaces, "spaces", " \xA0 ", "\xA0"},
      {TrimRight, "right", "\xA9 ", "\xA9"},
  };
  for (const TrimCase& c : cases) {
    char buf[64];
    strcpy(buf, c.in);
    c.fn(buf);
    EXPECT_STREQ(c.out, buf) << c.name << " of \"" << c.in << "\"";
  }
}

TEST(TextReplace, DoublesQuotesOnceAndReportsNoMatch) {
  char name[32] = "O'Neil's";
  EXPECT_TRUE(ReplaceString(name, "'", "''"));
  EXPECT_STREQ("O''Neil''s", name);

  char plain[32] = "Neil";
  EXPECT_FALSE(ReplaceString(plain, "'", "''"));
  EXPECT_STREQ("Neil", plain);
  EXPECT_FALSE(ReplaceString(NULL, "'", "''"));

  // a result of exactly twenty times the text's length
  std::string twenty(20, 'x');
  char buf[128];
  memset(buf, 0, sizeof buf);
  strcpy(buf, "aaaa");
  EXPECT_TRUE(ReplaceString(buf, "a", twenty.c_str()));
  EXPECT_EQ(std::string(80, 'x'), buf);

  char shrink[16] = "a--b--c";
  EXPECT_TRUE(ReplaceString(shrink, "--", ""));
  EXPECT_STREQ("abc", shrink);
}

TEST(TextReplace, BoundedVariantsRefuseWhatDoesNotFit) {
  char buf[16];
  memset(buf, '#', sizeof buf);
  strcpy(buf, "it's");  // result "it''s" needs 6 bytes
  EXPECT_FALSE(ReplaceStringN(buf, 5, "'", "''"));
  EXPECT_STREQ("it's", buf);
  EXPECT_EQ('#', buf[6]);
  EXPECT_TRUE(ReplaceStringN(buf, 6, "'", "''"));
  EXPECT_STREQ("it''s", buf);
  EXPECT_EQ('#', buf[6]);
  EXPECT_FALSE(ReplaceStringN(buf, sizeof buf, "%", "%%"));

  const char* title = "'''";
  char out[7 + 4];
  memset(out, '#', sizeof out);
  EXPECT_TRUE(ReplaceStringInto(out, 2 * strlen(title) + 1, title, "'", "''"));
  EXPECT_STREQ("''''''", out);
  EXPECT_EQ('#', out[7]);
  EXPECT_FALSE(ReplaceStringInto(out, 6, title, "'", "''"));
  EXPECT_STREQ("", out);
  EXPECT_EQ('#', out[7]);
  EXPECT_TRUE(ReplaceStringInto(out, sizeof out, "none", "'", "''"));
  EXPECT_STREQ("none", out);

  // 65536 x 65537 bytes: a result length that wraps to 65536 in 32 bits must not pass the check
  std::string many(65536, 'a');
  std::string wide(65537, 'w');
  std::string room(131072, '\0');
  memcpy(&room[0], many.c_str(), many.size() + 1);
  EXPECT_FALSE(ReplaceStringN(&room[0], room.size(), "a", wide.c_str()));
  EXPECT_EQ(many, room.c_str());
#ifndef _WIN64
  // only a 32-bit length wraps; in 64 bits the unbounded variant has no size to refuse by
  EXPECT_FALSE(ReplaceString(&room[0], "a", wide.c_str()));
  EXPECT_EQ(many, room.c_str());
#endif
  EXPECT_FALSE(ReplaceStringInto(&room[0], room.size(), many.c_str(), "a", wide.c_str()));
  EXPECT_STREQ("", room.c_str());
}

TEST(TextReplace, CharWithString) {
  char buf[32] = "a,b,,c";
  ReplaceCharWithString(buf, ',', " ");
  EXPECT_STREQ("a b  c", buf);
  ReplaceCharWithString(buf, ' ', "<>");
  EXPECT_STREQ("a<>b<><>c", buf);
  ReplaceCharWithString(NULL, ',', " ");
}

TEST(TextCopy, CopyCutStaysInsideItsFieldAndSaysWhenItCut) {
  struct Case {
    const char* src;
    size_t maxTake;
    const char* out;
    bool whole;
  };
  const Case cases[] = {
      {"abc", (size_t)-1, "abc", true},   {"abcdef", (size_t)-1, "abcd", false},
      {"abcde", (size_t)-1, "abcd", false}, {"abcdef", 2, "ab", true},
      {NULL, (size_t)-1, "", true},       {"", 0, "", true},
  };
  for (const Case& c : cases) {
    char field[8];
    memset(field, '#', sizeof field);
    EXPECT_EQ(CopyCut(field, 5, c.src, c.maxTake), c.whole) << (c.src ? c.src : "NULL");
    EXPECT_STREQ(field, c.out);
    EXPECT_EQ(std::string(field + 5, 3), "###") << "written past the field";
  }
  char none = '#';
  EXPECT_FALSE(CopyCut(&none, 0, "x"));
  EXPECT_EQ(none, '#');
}

TEST(TextSearch, StrStrNoCasePointsIntoTheCallersText) {
  const char page[] = "<TD>Last Trade:</td><td>12.5";
  EXPECT_EQ(page + 4, StrStrNoCase(page, "last trade"));
  EXPECT_EQ(page + 15, StrStrNoCase(page, "</TD>"));
  EXPECT_EQ(page, StrStrNoCase(page, ""));
  EXPECT_EQ(nullptr, StrStrNoCase(page, "volume"));
  EXPECT_EQ(nullptr, StrStrNoCase("\xE9t\xE9", "\xC9T"));
}

TEST(TextHtml, DecodeTable) {
  const struct {
    const char* in;
    const char* out;
  } cases[] = {
      {"<td>1&nbsp;&amp;&nbsp;2</td>", "1 & 2"},
      {"x &foo; y", "x  y"},
      {"a    b", "a b"},
      {"a <b> c", "a  c"},
      {"A&T rest", "A"},
      {"A&T; x", "A x"},
      {"<a href=\"q?a=1&b=2\">link</a>", "link"},
      {"&lt;b&gt;", "<b>"},
      {"&AMP;", ""},  // entities are case-sensitive
      {"&verylongentity;z", "z"},
      {" lead", " lead"},
      {"a;b<i;>c", "a;bc"},
      {"t\r\n\tx", "t\r\n\tx"},
      {"", ""},
  };
  for (const auto& c : cases) {
    char buf[64];
    strcpy(buf, c.in);
    DecodeHtmlText(buf);
    EXPECT_STREQ(c.out, buf) << "decoding \"" << c.in << "\"";
  }
}

TEST(TextHtml, PageCompleteness) {
  EXPECT_EQ(0, IsHtmlPageIncomplete("<html><body>x</BODY>"));
  EXPECT_EQ(0, IsHtmlPageIncomplete("<html>x</Html>\r\n"));
  EXPECT_EQ(1, IsHtmlPageIncomplete("<html><body><table><tr><td>1.5"));
  EXPECT_EQ(1, IsHtmlPageIncomplete(""));
  EXPECT_EQ(1, IsHtmlPageIncomplete(NULL));
}

}  // namespace
