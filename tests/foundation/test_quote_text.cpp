#include <gtest/gtest.h>

#include <limits.h>
#include <string.h>

#include <string>

#include "foundation/quote_text.h"
#include "store/queue_record.h"

namespace {

const unsigned char kGuard = 0x5A;

// 7 March 2024, 09:05
void FixedClock(SYSTEMTIME* now) {
  memset(now, 0, sizeof *now);
  now->wYear = 2024;
  now->wMonth = 3;
  now->wDay = 7;
  now->wHour = 9;
  now->wMinute = 5;
}

// Record filled with guard bytes; after a parser ran, only the date and time fields may differ,
// and each of them must still hold a NUL.
class QuoteFields : public ::testing::Test {
 protected:
  void SetUp() override {
    SetQuoteClock(FixedClock);
    memset(&rec, kGuard, sizeof rec);
  }
  void TearDown() override { SetQuoteClock(NULL); }

  std::string Date() const { return Field(rec.quote_date, sizeof rec.quote_date); }
  std::string Time() const { return Field(rec.quote_time, sizeof rec.quote_time); }
  static std::string Field(const char* f, size_t size) {
    if (Untouched(f, size)) return "<unset>";
    if (!memchr(f, 0, size)) return "<no NUL>";
    return f;
  }
  static bool Untouched(const char* field, size_t size) {
    for (size_t i = 0; i < size; i++)
      if (static_cast<unsigned char>(field[i]) != kGuard) return false;
    return true;
  }
  void ExpectRestUntouched(const char* input) const {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(&rec);
    size_t dateAt = offsetof(QueueRecord, quote_date);
    size_t timeAt = offsetof(QueueRecord, quote_time);
    for (size_t i = 0; i < sizeof rec; i++) {
      if (i >= dateAt && i < dateAt + sizeof rec.quote_date) continue;
      if (i >= timeAt && i < timeAt + sizeof rec.quote_time) continue;
      ASSERT_EQ(kGuard, p[i]) << "byte " << i << " written for \"" << input << "\"";
    }
  }

  QueueRecord rec;
};

TEST(QuotePrice, ParseTable) {
  const struct {
    const char* in;
    double out;
  } cases[] = {
      {"1,234.50", 1234.5},  {"-0.25", -0.25},   {"+1.5%", 1.5},      {"12 3/8", 12.375},
      {"3/4", 0.75},         {"-5", -5.0},       {"5/0", 0.0},        {"N/A", 0.0},
      {"", 0.0},             {"1 234", 1.0},     {"1 / 2", 1.0},      {"--", 0.0},
      {"1/3", 0.333333},     {"-1 1/2", -1.5},   {"1/2/3", 1.666667}, {"1 2/3/4", 0.0},
      {"  42  ", 42.0},
      // digit groups past 2^31 and '$' in either mode
      {"3,456,789,012", 3456789012.0},           {"$12.50", 12.5},    {"$1,234", 1234.0},
      {"-$0.75", -0.75},
      // hostile texts: no trap, no infinity, no NaN
      {"nan.", 0.0},         {"inf.", 0.0},      {"1e999.", NoValue},
      {"99999999999999999999999999999", NoValue},
      {"\xA0" "7\xA9", 7.0},
      // exponent form: the number it writes, not its digits run together
      {"1e3", 1000.0},       {"-2E-2", -0.02},   {"1e400", NoValue},  {"1e30", NoValue},
  };
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(c.out, ParsePriceText(c.in)) << "\"" << c.in << "\"";
  EXPECT_EQ(0.0, ParsePriceText(NULL));
  std::string digits(5000, '9');
  EXPECT_EQ(NoValue, ParsePriceText((digits + ".5").c_str()));
}

// A number past 2^63 or past a double is missing, in every form a price text takes; unreadable
// text stays 0.0.
TEST(QuotePrice, NumbersOutOfRangeAreNoValue) {
  const double N = NoValue;
  const struct {
    const char* in;
    double out;
  } cases[] = {
      {"999999999999999999", 999999999999999999.0},  {"-999999999999999999", -999999999999999999.0},
      {"9223372036854774784", 9223372036854774784.0}, {"9223372036854775807", N},
      {"9999999999999999999", N},                     {"-9999999999999999999", N},
      {"99999999999999999999", N},                    {"$99,999,999,999,999,999,999", N},
      {"9999999999999999999.0", N},                   {"-99999999999999999999.5", N},
      {"1e308.", N},                                  {"922337203685477.58", 922337203685477.58},
      {"1/99999999999999999999", N},                  {"99999999999999999999/2", N},
      {"1 99999999999999999999/3", N},                {"9999999999999999999 1/2", N},
      {"5 99999999999999999999", 5.0},                {"1 2/3/99999999999999999999", 0.0},
      {"nan.", 0.0},  {"-inf.", 0.0},  {"infinity.5", 0.0},  {" NaN 1.5", 0.0},  {"x.5", 0.0},  {".5", 0.5},
  };
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(c.out, ParsePriceText(c.in)) << "\"" << c.in << "\"";
}

TEST_F(QuoteFields, LastSaleTime) {
  const struct {
    const char* in;
    const char* date;
    const char* time;
  } cases[] = {
      {"", "3/7", "9:05"},         {"  ", "3/7", "9:05"},        {"4:00pm", "3/7", "4:00p"},
      {" 12:34\r\n", "3/7", "12:34"}, {"03/06", "3/06", "<unset>"}, {"12/31/2024 extra", "12/31/2024 ", "<unset>"},
  };
  for (const auto& c : cases) {
    memset(&rec, kGuard, sizeof rec);
    char text[64];
    strcpy(text, c.in);
    ParseLastSaleTime(&rec, text);
    EXPECT_EQ(c.date, Date()) << c.in;
    EXPECT_EQ(c.time, Time()) << c.in;
    ExpectRestUntouched(c.in);
  }
}

TEST_F(QuoteFields, MonthDayAndMonthName) {
  const struct {
    bool named;
    const char* in;
    const char* date;
    const char* time;
  } cases[] = {
      {false, "3/5", "3/5", "<unset>"},
      {false, "7", "7/1", "<unset>"},
      {false, "", "1/1", "<unset>"},
      {false, "99999999/99999999", "99999999/99", "<unset>"},
      {false, "-2147483648/-2147483648", "-2147483648", "<unset>"},
      {true, "Mar 05 14:32", "3/5", "14:32"},
      {true, "Mar 05 25:10", "3/5", "13:10"},
      {true, "Jan Dec 05 1:02", "12/1", "8:00"},  // last month found wins; day unreadable
      {true, "hello 5", "1/1", "8:00"},
      {true, "Mar", "3/1", "8:00"},
      {true, "Mar 05 14:123", "3/5", "14:12"},
      {true, "Mar 05 123:45", "3/5", "111:4"},
      {true, "Oct 99999999 99999999:99999999", "10/99999999", "99999"},
  };
  for (const auto& c : cases) {
    memset(&rec, kGuard, sizeof rec);
    if (c.named)
      ParseMonthNameDateTime(&rec, c.in);
    else
      ParseMonthDay(&rec, c.in);
    EXPECT_EQ(c.date, Date()) << c.in;
    EXPECT_EQ(c.time, Time()) << c.in;
    ExpectRestUntouched(c.in);
  }
}

TEST_F(QuoteFields, AmPmTime) {
  const struct {
    const char* in;
    const char* time;
  } cases[] = {
      {"4:00pm", "16:00"}, {"4:00PM", "16:00"},    {"12:15pm", "12:15"}, {"12:15am", "0:15"},
      {"12:15", "0:15"},   {"9:30", "9:30"},       {"noon", "<unset>"},  {"", "<unset>"},
      {"123:45pm", "123:4"}, {"1:99999999am", "1:999"},
      {"99999999999999:00pm", "21474"},
      {"xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx1:00pm", "<unset>"},
  };
  for (const auto& c : cases) {
    memset(&rec, kGuard, sizeof rec);
    char text[80];
    strcpy(text, c.in);
    ParseAmPmTime(&rec, text);
    EXPECT_EQ(c.time, Time()) << c.in;
    EXPECT_TRUE(Untouched(rec.quote_date, sizeof rec.quote_date)) << c.in;
    ExpectRestUntouched(c.in);
  }
  char text[] = "4:00PM";
  ParseAmPmTime(&rec, text);
  EXPECT_STREQ("4:00pm", text);
}

TEST_F(QuoteFields, HeadlineDateTime) {
  const struct {
    const char* in;
    const char* date;
    const char* time;
  } cases[] = {
      {"Mar 12", "3/12/2024", "16:30"},   {"3:45 PM", "3/7/2024", "15:45"},
      {"12:10 PM", "3/7/2024", "12:10"},  {"Mar 45", "3/1/2024", "16:30"},
      {"9:05", "3/7/2024", "9:05"},       {"no time", "3/7/2024", "8:00"},
      {"Feb 3 ... Nov 20", "11/20/2024", "16:30"},
      {"2147483647:2147483647 PM", "3/7/2024", "21474"},
      {"Dec -2147483648", "12/-2147483", "16:30"},
  };
  for (const auto& c : cases) {
    memset(&rec, kGuard, sizeof rec);
    ParseHeadlineDateTime(&rec, c.in);
    EXPECT_EQ(c.date, Date()) << c.in;
    EXPECT_EQ(c.time, Time()) << c.in;
    ExpectRestUntouched(c.in);
  }
}

class Grouping : public ::testing::Test {
 protected:
  void TearDown() override {
    bThousandsCommas = 1;
    bNegativeInParen = 0;
  }
};

TEST_F(Grouping, IntegerTable) {
  const struct {
    int value;
    BOOL commas, paren;
    const char* out;
  } cases[] = {
      {1234567, 1, 0, "1,234,567"}, {1234567, 0, 0, "1234567"},   {-1500, 1, 0, "-1,500"},
      {-1500, 1, 1, "(1,500)"},     {0, 1, 1, "0"},               {999, 1, 0, "999"},
      {INT_MIN, 1, 0, "-2,147,483,648"}, {INT_MIN, 0, 1, "(2147483648)"},
      {INT_MAX, 1, 0, "2,147,483,647"},
  };
  for (const auto& c : cases) {
    bThousandsCommas = c.commas;
    bNegativeInParen = c.paren;
    char out[32];
    FormatIntegerGrouped(out, c.value, sizeof out);
    EXPECT_STREQ(c.out, out) << c.value;
  }
}

TEST_F(Grouping, DoubleTable) {
  const struct {
    double value;
    int decimals;
    bool percent;
    BOOL paren;
    const char* out;
  } cases[] = {
      {-1234.5, 2, false, 0, "-1,234.50"}, {-1234.5, 2, false, 1, "(1,234.50)"},
      {0.256, 1, true, 0, "0.3%"},         {-0.001, 2, false, 0, "-0.00"},
      {1234567.891, 0, false, 0, "1,234,568"},
      {-12.5, 1, true, 1, "(12.5)%"},
      {1e14, 0, false, 0, "100,000,000,000,000"},
      {1e15, 0, false, 0, "1000,000,000,000,000"},  // at most four commas
  };
  for (const auto& c : cases) {
    bNegativeInParen = c.paren;
    char out[64];
    FormatDoubleGrouped(out, c.value, c.decimals, c.percent, sizeof out);
    EXPECT_STREQ(c.out, out) << c.value;
  }
}

TEST_F(Grouping, HugeValuesAreCutToTheCallersBuffer) {
  char buf[32 + 8];
  memset(buf, '#', sizeof buf);
  FormatDoubleGrouped(buf, -1e300, 7, true, 32);
  EXPECT_EQ(31u, strlen(buf));
  EXPECT_EQ(0, strncmp(buf, "-1000000", 8));
  for (size_t i = 32; i < sizeof buf; i++) EXPECT_EQ('#', buf[i]) << i;

  char wide[512];
  FormatDoubleGrouped(wide, 1.7976931348623157e308, 2, false, sizeof wide);
  size_t len = strlen(wide);
  ASSERT_EQ(309u + 4 + 3, len);
  EXPECT_EQ('.', wide[len - 3]);
  for (size_t comma = 7; comma <= 19; comma += 4) EXPECT_EQ(',', wide[len - comma]) << comma;
  EXPECT_EQ(nullptr, memchr(wide, ',', len - 19));

  memset(buf, '#', sizeof buf);
  FormatIntegerGrouped(buf, INT_MIN, 5);
  EXPECT_STREQ("-2,1", buf);
  EXPECT_EQ('#', buf[5]);
  FormatDoubleGrouped(buf, 1.0, 2, false, 1);
  EXPECT_STREQ("", buf);
}

}  // namespace
