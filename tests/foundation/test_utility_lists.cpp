// String, timer and code lists, the byte buffer and growing strings.
#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "foundation/utility.h"

namespace {

// A fixed field with guard bytes on both sides; Intact() tells whether anything spilled.
template <int N>
struct Guarded {
  char before[8];
  char field[N];
  char after[8];
  Guarded() {
    memset(this, 0x5A, sizeof(*this));
  }
  bool Intact() const {
    for (int i = 0; i < 8; i++)
      if (before[i] != 0x5A || after[i] != 0x5A) return false;
    return true;
  }
};

TEST(UtilityLists, StringListGrowsFindsAndCuts) {
  TStringList list;
  char text[32];
  for (int i = 0; i < 35; i++) {
    snprintf(text, sizeof(text), "item%02d", i);
    ASSERT_EQ(i, list.Add(text));
  }
  for (int i = 0; i < 35; i++) {
    snprintf(text, sizeof(text), "item%02d", i);
    char out[32];
    ASSERT_EQ(1, list.Get(i, out, sizeof(out)));
    EXPECT_STREQ(text, out);
  }
  EXPECT_EQ(7, list.Find("ITEM07"));
  EXPECT_EQ(-1, list.Find("item99"));
  EXPECT_EQ(6, list.GetLength(34));
  EXPECT_EQ(0, list.GetLength(35));

  Guarded<4> g;
  EXPECT_EQ(1, list.Get(3, g.field, sizeof(g.field)));
  EXPECT_STREQ("ite", g.field);
  EXPECT_TRUE(g.Intact());

  char out[8] = "junk";
  EXPECT_EQ(0, list.Get(35, out, sizeof(out)));
  EXPECT_STREQ("", out);
  EXPECT_EQ(0, list.Get(-1, out, sizeof(out)));

  EXPECT_EQ(1, list.Set(2, "a much longer replacement"));
  EXPECT_EQ(25, list.GetLength(2));
  EXPECT_EQ(0, list.Set(35, "x"));
  list.Clear();
  EXPECT_EQ(0, list.nCount);
  EXPECT_EQ(0, list.Add("again"));
}

TEST(UtilityLists, StringListSortIsCaseSensitive) {
  TStringList list;
  for (const char *s : {"b", "B", "a", "A", "c"}) list.Add(s);
  char out[4];
  std::string joined;
  list.Sort(TRUE);
  for (int i = 0; i < list.nCount; i++) joined += (list.Get(i, out, sizeof(out)), out);
  EXPECT_EQ("ABabc", joined);
  list.Sort(FALSE);
  joined.clear();
  for (int i = 0; i < list.nCount; i++) joined += (list.Get(i, out, sizeof(out)), out);
  EXPECT_EQ("cbaBA", joined);
}

TEST(UtilityLists, TimerListAccumulatesIgnoringCase) {
  TTimerList timers;
  EXPECT_EQ(0, timers.Add("Fetch", 5, 1.5));
  EXPECT_EQ(1, timers.Add("Parse", 2, 0.25));
  EXPECT_EQ(0, timers.Add("FETCH", 9, 2.0));
  Guarded<4> name;
  DWORD hits = 0;
  double total = 0;
  ASSERT_TRUE(timers.Get(0, name.field, sizeof(name.field), &hits, &total));
  EXPECT_STREQ("Fet", name.field);
  EXPECT_TRUE(name.Intact());
  EXPECT_EQ(2u, hits);
  EXPECT_DOUBLE_EQ(3.5, total);
  EXPECT_EQ(5u, timers.pEntries[0].dwTag);

  timers.Sort(TRUE);
  EXPECT_EQ(1, timers.Find("fetch"));
  EXPECT_EQ(0, timers.Find("parse"));
  char out[8];
  EXPECT_FALSE(timers.Get(2, out, sizeof(out), &hits, &total));
  EXPECT_STREQ("", out);
  EXPECT_EQ(0u, hits);
  EXPECT_EQ(0.0, total);
}

TEST(UtilityLists, CodeListKeepsKindsApart) {
  TCodeList codes;
  for (DWORD i = 0; i < 12; i++) ASSERT_EQ((int)i, codes.AddCodeValue(100 + i, i * 2));
  int textIndex = codes.AddCodeText(7, "seven");
  int nameIndex = codes.AddNameText("Notes.TXT", "text file");
  int valueIndex = codes.AddNameValue("Limit", 300);

  // A value entry has no text and gets none.
  EXPECT_TRUE(codes.SetText(0, "ignored"));
  char text[16] = "keep";
  DWORD code = 0, value = 0;
  EXPECT_TRUE(codes.GetText(0, &code, NULL, 0, text, sizeof(text)));
  EXPECT_EQ(100u, code);
  EXPECT_STREQ("keep", text);

  EXPECT_TRUE(codes.SetText(textIndex, "a longer seven"));
  EXPECT_EQ(textIndex, codes.FindCodeText(7, text, sizeof(text)));
  EXPECT_STREQ("a longer seven", text);
  EXPECT_EQ(11, codes.FindCodeValue(111, &value));
  EXPECT_EQ(22u, value);
  EXPECT_EQ(-1, codes.FindCodeValue(999, &value));

  EXPECT_EQ(-1, codes.FindNameText("notes.txt", text, sizeof(text)));
  EXPECT_STREQ("", text);
  EXPECT_EQ(nameIndex, codes.MatchNameText("*.txt", text, sizeof(text)));
  EXPECT_STREQ("text file", text);
  EXPECT_EQ(valueIndex, codes.FindNameValue("Limit", &value));
  EXPECT_EQ(300u, value);
  EXPECT_TRUE(codes.SetValue(valueIndex, 301));
  Guarded<3> name;
  EXPECT_TRUE(codes.GetValue(valueIndex, NULL, name.field, sizeof(name.field), &value));
  EXPECT_STREQ("Li", name.field);
  EXPECT_TRUE(name.Intact());
  EXPECT_EQ(301u, value);

  EXPECT_FALSE(codes.GetText(codes.nCount, NULL, NULL, 0, NULL, 0));
  EXPECT_FALSE(codes.SetValue(-1, 1));
  EXPECT_FALSE(codes.SetText(codes.nCount, "x"));
}

TEST(UtilityLists, BinaryBufferKeepsDataWhenGrowthFails) {
  TBinaryBuffer buffer;
  const BYTE a[] = {1, 2, 3}, b[] = {4, 5, 6, 7};
  ASSERT_TRUE(buffer.Append(a, sizeof(a)));
  ASSERT_TRUE(buffer.Append(b, sizeof(b)));
  ASSERT_EQ(7u, buffer.dwSize);
  EXPECT_EQ(0, memcmp(buffer.pData, "\1\2\3\4\5\6\7", 7));

  BYTE *before = buffer.pData;
#ifndef _WIN64
  EXPECT_FALSE(buffer.Append(a, 0xFFFFFFF0u));  // cannot be allocated in a 32-bit process (in 64 bits it can)
#endif
  EXPECT_FALSE(buffer.Append(a, 0xFFFFFFFFu));  // the DWORD size would wrap, in either process
  EXPECT_EQ(before, buffer.pData);
  EXPECT_EQ(7u, buffer.dwSize);
  EXPECT_EQ(0, memcmp(buffer.pData, "\1\2\3\4\5\6\7", 7));
  buffer.Clear();
  EXPECT_EQ(NULL, buffer.pData);
  EXPECT_EQ(0u, buffer.dwSize);
}

TEST(UtilityLists, AppendStringGrowsFromNothing) {
  char *s = NULL;
  ASSERT_EQ(1, AppendString(&s, "abc"));
  ASSERT_EQ(1, AppendString(&s, ""));
  ASSERT_EQ(1, AppendString(&s, "defgh"));
  EXPECT_STREQ("abcdefgh", s);
  EXPECT_EQ(0, AppendString(NULL, "x"));
  free(s);
}

}  // namespace
