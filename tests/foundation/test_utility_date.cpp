// TDate parsing and validation, SYSTEMTIME arithmetic and day numbers.
#include <gtest/gtest.h>

#include <limits.h>
#include <string.h>

#include <string>

#include "foundation/utility.h"

namespace {

SYSTEMTIME Time(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
  SYSTEMTIME st;
  memset(&st, 0, sizeof(st));
  st.wYear = (WORD)y;
  st.wMonth = (WORD)mo;
  st.wDay = (WORD)d;
  st.wHour = (WORD)h;
  st.wMinute = (WORD)mi;
  st.wSecond = (WORD)s;
  return st;
}

struct ParseCase {
  const char *text;
  BOOL ok;
  int month, day, year, hour, minute;
};

TEST(UtilityDate, ParseDateTimeTable) {
  const ParseCase cases[] = {
      {"3/7/2024", TRUE, 3, 7, 2024, 0, 0},
      {"  3/7/24 9:05 pm ", TRUE, 3, 7, 24, 21, 5},
      {"12/31/1999 12:30PM", TRUE, 12, 31, 1999, 12, 30},
      {"3/7 10:", TRUE, 3, 7, 0, 10, 0},
      {"3/7/2024 AM", TRUE, 3, 7, 2024, 0, 0},
      {"99999999/99999999", TRUE, 65535, 65535, 0, 0, 0},  // saturates, never wraps
      {"3/", FALSE, 0, 0, 0, 0, 0},
      {"3", FALSE, 0, 0, 0, 0, 0},
      {"", FALSE, 0, 0, 0, 0, 0},
      {"/3/7", FALSE, 0, 0, 0, 0, 0},
      {"3//7", FALSE, 0, 0, 0, 0, 0},
      {"1/2/3/4", FALSE, 0, 0, 0, 0, 0},
      {"3\t7/2024", FALSE, 0, 0, 0, 0, 0},
      {"3/7/2024 10:30:15", FALSE, 0, 0, 0, 0, 0},
      {"3/7/2024 10:3x", FALSE, 0, 0, 0, 0, 0},
      {"Mar 7 2024", FALSE, 0, 0, 0, 0, 0},
      {"3/7/\xA0\xA9", FALSE, 0, 0, 0, 0, 0},
  };
  for (const ParseCase &c : cases) {
    SCOPED_TRACE(c.text);
    TDate date;
    EXPECT_EQ(c.ok, date.ParseDateTime(c.text));
    if (!c.ok) continue;
    EXPECT_EQ(c.month, date.stDate.wMonth);
    EXPECT_EQ(c.day, date.stDate.wDay);
    EXPECT_EQ(c.year, date.stDate.wYear);
    EXPECT_EQ(c.hour, date.stDate.wHour);
    EXPECT_EQ(c.minute, date.stDate.wMinute);
  }
}

TEST(UtilityDate, ValidateYearsMonthsAndLeapDays) {
  struct { int y, m, d; BOOL ok; int year; } cases[] = {
      {49, 1, 1, TRUE, 2049},    {50, 1, 1, TRUE, 1950},     {99, 12, 31, TRUE, 1999},
      {2000, 2, 29, TRUE, 2000}, {2024, 2, 29, TRUE, 2024},  {1900, 2, 29, FALSE, 1900},
      {2023, 2, 29, FALSE, 2023}, {2024, 4, 31, FALSE, 2024}, {2024, 1, 0, FALSE, 2024},
      {2024, 0, 1, FALSE, 2024}, {2024, 13, 1, FALSE, 2024}, {2024, 65535, 1, FALSE, 2024},
  };
  for (const auto &c : cases) {
    TDate date;
    date.stDate = Time(c.y, c.m, c.d);
    EXPECT_EQ(c.ok, date.Validate()) << c.y << "-" << c.m << "-" << c.d;
    EXPECT_EQ(c.year, date.stDate.wYear);
  }
  TDate date;
  EXPECT_TRUE(date.SetFromString("2/29/00 1:00"));
  EXPECT_EQ(2000, date.stDate.wYear);
  EXPECT_FALSE(date.SetFromString("99999999/99999999"));
  EXPECT_FALSE(date.SetFromString("2/30/2024"));
}

TEST(UtilityDate, ParseOrderedTable) {
  struct { const char *text; int order; BOOL ok; int y, mo, d, h, mi, s, ms; } cases[] = {
      {"Mar 05 2024 14:30", 0, TRUE, 2024, 3, 5, 14, 30, 0, 0},
      {"march 05, 2024 9:5", 0, TRUE, 2024, 3, 5, 9, 5, 0, 0},
      {"2024-03-05 14:30:15.250", 1, TRUE, 2024, 3, 5, 14, 30, 15, 250},
      {"05.Dec.49 1:2", 2, TRUE, 2049, 12, 5, 1, 2, 0, 0},
      {"Foo 05 2024 1:2", 0, FALSE, 0, 0, 0, 0, 0, 0, 0},
      {"Mar 05 2024", 0, FALSE, 0, 0, 0, 0, 0, 0, 0},
      {"Mar 05 14:123", 0, FALSE, 0, 0, 0, 0, 0, 0, 0},
      {"13/05/2024 1:2", 0, FALSE, 0, 0, 0, 0, 0, 0, 0},
      {"Mar 05 2024 14:30", 3, FALSE, 0, 0, 0, 0, 0, 0, 0},
      {"99999999/3/99999999 1 2", 1, FALSE, 0, 0, 0, 0, 0, 0, 0},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.text);
    TDate date;
    EXPECT_EQ(c.ok, date.ParseOrdered(c.text, c.order));
    if (!c.ok) continue;
    const SYSTEMTIME &st = date.stDate;
    EXPECT_EQ(c.y, st.wYear);
    EXPECT_EQ(c.mo, st.wMonth);
    EXPECT_EQ(c.d, st.wDay);
    EXPECT_EQ(c.h, st.wHour);
    EXPECT_EQ(c.mi, st.wMinute);
    EXPECT_EQ(c.s, st.wSecond);
    EXPECT_EQ(c.ms, st.wMilliseconds);
  }

  // A text longer than the buffer is cut; tokens stay inside it.
  std::string longText(2000, '1');
  longText += " 2 3 4 5";
  TDate date;
  date.ParseOrdered(longText.c_str(), 0);
  EXPECT_EQ(511u, strlen(date.szText));
  EXPECT_LE(date.nTokens, 7);
}

TEST(UtilityDate, MonthNamesAndFormat) {
  TDate date;
  EXPECT_EQ(1, date.MonthFromName("january"));
  EXPECT_EQ(12, date.MonthFromName("DEC"));
  EXPECT_EQ(9, date.MonthFromName("September"));
  EXPECT_EQ(0, date.MonthFromName("Sept"));
  EXPECT_EQ(0, date.MonthFromName("Ma"));
  EXPECT_EQ(0, date.MonthFromName(""));

  date.stDate = Time(65535, 65535, 65535);
  char out[32];
  date.Format(out, sizeof(out));
  EXPECT_STREQ("65535/65535/65535", out);
  struct { char before[4]; char field[6]; char after[4]; } g;
  memset(&g, 0x5A, sizeof(g));
  date.Format(g.field, sizeof(g.field));
  EXPECT_STREQ("65535", g.field);
  EXPECT_EQ(0, memcmp(g.after, "ZZZZ", 4));
}

TEST(UtilityDate, AddToSystemTime) {
  SYSTEMTIME st = Time(2024, 2, 28, 12);
  EXPECT_EQ(1, AddToSystemTime(&st, UTIL_UNIT_DAYS, 2));
  EXPECT_EQ(3, st.wMonth);
  EXPECT_EQ(1, st.wDay);
  EXPECT_EQ(1, AddToSystemTime(&st, UTIL_UNIT_HOURS, -13));
  EXPECT_EQ(29, st.wDay);
  EXPECT_EQ(23, st.wHour);
  EXPECT_EQ(1, AddToSystemTime(&st, 5, 1000));  // other units change nothing
  EXPECT_EQ(29, st.wDay);

  // Failures leave the time as it was.
  const SYSTEMTIME cases[] = {Time(2024, 13, 1), Time(2024, 2, 30), Time(1601, 1, 1)};
  const int amounts[] = {1, 1, -1};
  for (int i = 0; i < 3; i++) {
    SYSTEMTIME t = cases[i];
    EXPECT_EQ(0, AddToSystemTime(&t, UTIL_UNIT_DAYS, amounts[i])) << i;
    EXPECT_EQ(0, memcmp(&t, &cases[i], sizeof(t))) << i;
  }
  SYSTEMTIME t = Time(2024, 1, 1);
  EXPECT_EQ(0, AddToSystemTime(&t, UTIL_UNIT_DAYS, INT_MAX));
  EXPECT_EQ(0, AddToSystemTime(&t, UTIL_UNIT_HOURS, INT_MIN));
  EXPECT_EQ(2024, t.wYear);
}

TEST(UtilityDate, CompareAndBetween) {
  SYSTEMTIME a = Time(2024, 1, 1, 12), b = Time(2024, 1, 3, 11), bad = Time(2024, 2, 30);
  EXPECT_EQ(1, DaysBetween(&a, &b));
  EXPECT_EQ(-1, DaysBetween(&b, &a));
  EXPECT_EQ(47, HoursBetween(&a, &b));
  EXPECT_EQ(-2820, MinutesBetween(&b, &a));
  EXPECT_EQ(169200, SecondsBetween(&a, &b));
  EXPECT_EQ(-1, CompareSystemTimes(&a, &b));
  EXPECT_EQ(1, CompareSystemTimes(&b, &a));
  EXPECT_EQ(0, CompareSystemTimes(&a, &a));
  EXPECT_EQ(0, CompareSystemTimes(&a, &bad));
  EXPECT_EQ(0, DaysBetween(&bad, &b));
  EXPECT_EQ(0, SecondsBetween(&a, &bad));

  // Far apart: the seconds do not fit 32 bits.
  SYSTEMTIME first = Time(1601, 1, 1), last = Time(30000, 1, 1);
  EXPECT_EQ(896185814400LL, SecondsBetween(&first, &last));
}

TEST(UtilityDate, YearDayNumberFollowsGregorianLeapYears) {
  struct { int y, m, d, expected; } cases[] = {
      {2024, 3, 1, 2024061}, {2024, 1, 31, 2024031}, {2023, 3, 1, 2023060},
      {2000, 2, 29, 2000060}, {2000, 3, 1, 2000061}, {1900, 3, 1, 1900060},
      {2024, 12, 31, 2024366}, {2024, 0, 1, 0},      {2024, 13, 1, 0},
  };
  for (const auto &c : cases) {
    SYSTEMTIME st = Time(c.y, c.m, c.d);
    EXPECT_EQ(c.expected, GetYearDayNumber(&st)) << c.y << "-" << c.m << "-" << c.d;
  }
}

}  // namespace
