// Each parser on a good reply and on the replies that break naive code, read back from the store.
#include <gtest/gtest.h>
#include <limits.h>
#include <math.h>
#include <stdio.h>
#include <string.h>
#include <sstream>
#include <string>
#include <vector>

#include "app/handles.h"
#include "quotes/cycle.h"
#include "quotes/parsers.h"
#include "quotes/request.h"
#include "quotes/reply_text.h"
#include "quotes/sources.h"
#include "store/database.h"
#include "store/queue_record.h"

void ResetStocks();
long long AddStock(const char* symbol, int market);
bool LoadQuote(long long rowid, QueueRecord* rec);
int CountQuotes();
std::string DetailPageReply();
std::string TextPageReply();
std::string UkPageReply();
std::string CsvReply();
std::string JsonReply();

// A writable copy of a text, as the parsers get their reply and symbol list.
struct Text {
  std::vector<char> buf;
  explicit Text(const std::string& s) : buf(s.begin(), s.end()) { buf.push_back('\0'); }
  char* p() { return buf.data(); }
};

static std::string Replace(std::string s, const std::string& from, const std::string& to) {
  size_t at = s.find(from);
  if (at != std::string::npos) s.replace(at, from.size(), to);
  return s;
}

static std::string Num(double v) {
  char b[40];
  snprintf(b, sizeof b, v == NoValue ? "-" : "%.10g", v);
  return b;
}

// Today's stored quote of a stock as "name|date|time|exdiv|price change open high low volume
// prev_close high52 low52 peratio dividend yield" ("-" for no value), or "none".
static std::string Stored(long long rowid) {
  QueueRecord r;
  if (!LoadQuote(rowid, &r)) return "none";
  std::string s = std::string(r.name) + "|" + r.quote_date + "|" + r.quote_time + "|" + r.exdiv_date + "|";
  const double nums[] = {r.price, r.change, r.open, r.high, r.low, (double)r.volume, r.prev_close,
                         r.high52, r.low52, r.peratio, r.dividend, r.yield};
  for (int i = 0; i < 12; ++i) s += Num(nums[i]) + (i < 11 ? " " : "");
  return s;
}

class Parsers : public ::testing::Test {
 protected:
  void SetUp() override { ResetStocks(); }
};

// A one-symbol page, the parser's result and what it leaves stored for the stock.
struct PageCase {
  std::string reply;
  int result;
  const char* stored;
};

template <size_t N>
static void CheckPageCases(int (*parse)(HWND, const char*, const char*), const char* stock, const char* list,
                           const PageCase (&cases)[N]) {
  for (const PageCase& c : cases) {
    ResetStocks();
    long long id = AddStock(stock, 0);
    EXPECT_EQ(parse(hListView, c.reply.c_str(), list), c.result) << c.reply;
    EXPECT_EQ(Stored(id), c.stored) << c.reply;
  }
}

TEST_F(Parsers, DetailPageLabelsInOrderAndPagesThatStoreLessOrNothing) {
  const std::string page = DetailPageReply();
  const PageCase cases[] = {
      {page, 1, "Acme & Sons Inc|3/06||Mar 15, 2024 (p|12.5 0.25 12.1 12.75 12 1234567 12.25 20 10 15.5 0.4 3.2"},
      {Replace(page, "</table></body></html>", "</table>"), 1, "none"},
      {Replace(page, "valign=top colspan=6", "valign=top"), 0, "none"},
      {Replace(page, "class=\"quote1\">Last:<br>", "CLASS=\"QUOTE1\">LAST:<BR>"), 1,
       "Acme & Sons Inc|3/06||Mar 15, 2024 (p|12.5 0.25 12.1 12.75 12 1234567 12.25 20 10 15.5 0.4 3.2"},
      // A caption standing before the volume label is passed over.
      {Replace(Replace(page, "\tOpen</td>", "\tOpn</td>"), "<td class=c>Change", "<td>\tOpen</td><td>1</td><td class=c>Change"),
       1, "Acme & Sons Inc|3/06||Mar 15, 2024 (p|12.5 0.25 - 12.75 12 1234567 12.25 20 10 15.5 0.4 3.2"},
      {"</html><div class=\"quote1\">Last:<br>1</td><td valign=top colspan=6><div class=\"headline\">", 1,
       "||||1 - - - - - - - - - - -"},
      {"<html></html><div class=\"quote1\">Last:<br>", 0, "none"},
  };
  CheckPageCases(ParseQuotePageHtml, "ACME", "acme", cases);
}

TEST_F(Parsers, TextPageValuesEndAtBlanksAndLineEnds) {
  const std::string page = TextPageReply();
  // "149.50" ends at its line end: the "-----" line below must not make it negative.
  const char* good = " International Business Machi|3/5|14:32||149.5 -1.25 - 150 148 - - 160 120 - - -";
  const PageCase cases[] = {
      {page, 1, good},
      {Replace(page, "-----", "Net Asset Val : 151.25"), 1,
       " International Business Machi|3/5|14:32||151.25 -1.25 - 150 148 - - 160 120 - - -"},
      {Replace(page, "Symbol ", "Sym "), 0, "none"},
      {Replace(page, "</body></html>", ""), 1, "none"},
      {"</html>Volume        : ", 0, "none"},
      {"</html>Symbol        : ", 1, "||||- - - - - - - - - - - -"},  // a label at the very end
  };
  CheckPageCases(ParseQuoteTextPage, "IBM", "IBM", cases);
}

TEST_F(Parsers, UkPageHeaderGoesToTheLongestSymbolItNames) {
  for (const char* list : {"XYZ+XY", "xy+xyz"}) {
    ResetStocks();
    long long xyz = AddStock("XYZ", 0), xy = AddStock("XY", 0);
    Text reply(UkPageReply()), symbols(list);
    EXPECT_EQ(ParseQuoteTableHtml(hListView, reply.p(), symbols.p()), 0);
    std::string a = Stored(xyz);
    EXPECT_EQ(a.substr(0, 45), "Acme Holdings Incorporated Limited Part|3/12/") << list;
    EXPECT_EQ(a.substr(a.find('|', 45)), "|16:30||123.45 1.5 - - - 45600 122 - - - - -") << list;
    std::string b = Stored(xy);
    EXPECT_EQ(b.substr(b.find('|', 7)), "|15:45||10 -0.1 - - - 500 10.1 - - - - -") << list;
    EXPECT_EQ(CountQuotes(), 2);
  }
  ResetStocks();
  AddStock("XYZ", 0);
  Text cut(Replace(UkPageReply(), "</body></html>", "")), symbols("XYZ");
  EXPECT_EQ(ParseQuoteTableHtml(hListView, cut.p(), symbols.p()), 1);
  EXPECT_EQ(CountQuotes(), 0);
}

TEST_F(Parsers, CsvLinesAreFoundBySymbolAndSuffixedRepliesReachTheirMarket) {
  long long ibm = AddStock("IBM", 0), good = AddStock("GOOD", 0), dji = AddStock("^DJI", 0);
  long long bceUs = AddStock("BCE", 0), bceTo = AddStock("BCE", 1);
  // BCE.TO is the Toronto listing, plain BCE the US one, whichever BCE row comes last.
  Text symbols("IBM+ODD+GOOD+BCE.TO+indu+BCE+MISSING");
  ParseYahooCsv(hListView, CsvReply().c_str(), symbols.p());
  EXPECT_EQ(Stored(ibm), "International, Business|3/5/2024|16:00||149.5 1.25 148 150 147.5 - 148.25 160 "
                         "120 22.1 1.2 0.8");
  // The line after one with an odd number of quotes still splits at its commas.
  EXPECT_EQ(Stored(good), "A name of sixty characters, far longer than its f|Wednesday 3|9:30||7.25 -0.05 7 7.5 7 "
                          "2500 7.3 9 1 0 0 0");
  EXPECT_EQ(Stored(bceTo), "BCE Inc|3/5/2024|16:00||0 0 0 0 0 0 0 0 0 0 0 0");  // N/A is 0
  EXPECT_EQ(Stored(bceUs), "BCE US|3/5/2024|16:00||55.5 0 0 0 0 0 0 0 0 0 0 0");
  EXPECT_EQ(Stored(dji).substr(0, 25), "Dow|3/5/2024|16:00||38000");
  EXPECT_EQ(CountQuotes(), 5);
  // A last line without its line end may be cut anywhere ("38000.50" at "380"): not stored.
  Text again("IBM+^DJI");
  ParseYahooCsv(hListView, Replace(CsvReply(), "00.50,0,0,0,0,\"x\",0,0,0,0,0,0,0,\"Dow\"\r\n", "").c_str(), again.p());
  EXPECT_EQ(Stored(dji).substr(0, 25), "Dow|3/5/2024|16:00||38000");

  ResetStocks();
  AddStock("IBM", 0);
  std::string many;
  for (int i = 0; i < 30; ++i) many += "S" + std::to_string(i) + "+";
  Text tooMany(many + "IBM"), empty("+++");
  ParseYahooCsv(hListView, CsvReply().c_str(), tooMany.p());
  ParseYahooCsv(hListView, CsvReply().c_str(), empty.p());
  EXPECT_EQ(CountQuotes(), 0);
}

TEST_F(Parsers, JsonTakesWantedSymbolsAndNumbersOfTheRightKind) {
  long long dji = AddStock("^DJI", 0), gspc = AddStock("^GSPC", 0), ixic = AddStock("^IXIC", 0);
  Text wanted(",^dji,,^IXIC");
  YAHOO_IndexScanJson(hListView, JsonReply().c_str(), wanted.p());
  EXPECT_STREQ(wanted.p() + 1, "^dji");  // split in place
  // The epoch in local time, worked out through the system's own conversion.
  FILETIME utc = {0xD53E8000u, 0x019DB1DEu}, local;
  SYSTEMTIME st;
  FileTimeToLocalFileTime(&utc, &local);
  FileTimeToSystemTime(&local, &st);
  char when[40];
  snprintf(when, sizeof when, "%d/%d/%d|%d:%02d", st.wMonth, st.wDay, st.wYear, st.wHour, st.wMinute);
  EXPECT_EQ(Stored(dji), "Dow Jones Industrial Average|" + std::string(when) +
                             "||38000.5 -12.25 38010 38100 37900 123456 - 39000 30000 - - -");
  EXPECT_EQ(Stored(ixic), "||||- - - - - - - - - - - -");  // 150 is no double, 3000000000 no int
  EXPECT_EQ(Stored(gspc), "none");

  // Past 2038: time_t is 32 bits in this build.
  Text again("^DJI");
  YAHOO_IndexScanJson(hListView, Replace(JsonReply(), "Time\":0", "Time\":4102444800").c_str(), again.p());
  std::string date = Stored(dji).substr(29, 10);
  EXPECT_TRUE(date == "1/1/2100|0" || date == "12/31/2099") << date;

  ResetStocks();
  AddStock("^DJI", 0);
  const std::string bad[] = {"No response from server", "[]", "null", "\"^DJI\"", "{\"quoteResponse\":[]}",
                             "{\"quoteResponse\":{\"result\":{}}}", "{\"quoteResponse\":{\"result\":[1,null,[]]}}",
                             std::string(100000, '['), "{\"quoteResponse\":{\"result\":[{\"symbol\":\"^DJI\""};
  for (const std::string& b : bad) {
    Text w("^DJI");
    YAHOO_IndexScanJson(hListView, b.c_str(), w.p());
  }
  Text none("");
  YAHOO_IndexScanJson(hListView, JsonReply().c_str(), none.p());
  EXPECT_EQ(CountQuotes(), 0);
}

static std::string UkBlock(const char* symbol, const std::string& price) {
  return std::string("<table width=100%>\r\n<b>Name of ") + symbol + "</b> (Exchange:" + symbol +
         ")\r\n<td>\r\n 3:45 PM <b>" + price + "</b> -0.10 0.9% 10.10 500\r\n";
}

static std::string UkPage(const std::string& blocks) {
  return "<html><body>\n" + blocks + "</table>\r\n<a href=x>\r\n</body></html>\r\n";
}

// The reply the request under way gets, its n-th of the cycle quoting every symbol at 10 * (n + 1),
// and the parser the cycle hands it to.
static void AnswerRequest(int n) {
  std::string price = std::to_string(10 * (n + 1)) + ".00";
  switch (nQuoteSource) {
    case SRC_PC_QUOTE:
      ParseQuotePageHtml(hListView, Replace(DetailPageReply(), " 12.50 ", price).c_str(), szSymbolList);
      break;
    case SRC_TEXT_QUOTE:
      ParseQuoteTextPage(hListView, Replace(TextPageReply(), "149.50", price).c_str(), szSymbolList);
      break;
    case SRC_UK_YAHOO: {  // one block per symbol asked for, in request order, each a step dearer
      std::string blocks, symbol;
      std::istringstream list(szSymbolList);
      for (int i = 0; std::getline(list, symbol, '+'); ++i)
        blocks += UkBlock(symbol.c_str(), std::to_string(10 * (n + 1) + i) + ".00");
      Text reply(UkPage(blocks));
      ParseQuoteTableHtml(hListView, reply.p(), szSymbolList);
      break;
    }
    case SRC_YAHOO: {  // the Toronto listing a step dearer
      std::string csv = "\"BCE\",\"3/5/2024\",\"4:00pm\"," + price + "\r\n\"BCE.TO\",\"3/5/2024\",\"4:00pm\"," +
                        std::to_string(10 * (n + 1) + 1) + ".00\r\n";
      ParseYahooCsv(hListView, csv.c_str(), szSymbolList);
      break;
    }
  }
}

// BCE trades in the US and in Toronto: each listing keeps the quote its own request brought, on the
// sources that send the bare symbol (one request per row, or both rows in one UK batch) and on CSV,
// on both roads.
TEST_F(Parsers, OneSymbolOnTwoMarketsKeepsEachListingsQuote) {
  const struct { int source; double us, toronto; } cases[] = {
      {SRC_PC_QUOTE, 10, 20}, {SRC_TEXT_QUOTE, 10, 20}, {SRC_UK_YAHOO, 10, 11}, {SRC_YAHOO, 10, 11}};
  auto price = [](long long id) {
    QueueRecord r;
    return LoadQuote(id, &r) ? r.price : NoValue;
  };
  for (int raw = 0; raw < 2; ++raw) {
    for (const auto& c : cases) {
      ResetStocks();
      long long us = AddStock("BCE", 0), toronto = AddStock("BCE", 1);
      nQuoteSource = c.source;
      char request[RAW_REQUEST_SIZE];
      for (int n = 0; n < 3 && (raw ? BuildRawRequest(request, sizeof request, 0) : BuildRequestUrl(request)); ++n)
        AnswerRequest(n);
      EXPECT_EQ(price(us), c.us) << "source " << c.source << " raw " << raw;
      EXPECT_EQ(price(toronto), c.toronto) << "source " << c.source << " raw " << raw;
    }
  }
  nQuoteSource = SRC_YAHOO;
}

// However often a reply repeats a stock asked for, it is stored once, from its first record.
TEST_F(Parsers, RepeatedRecordsAreStoredOnceFromTheFirst) {
  long long xyz = AddStock("XYZ", 0), dji = AddStock("^DJI", 0), ibm = AddStock("IBM", 0);
  oDatabase.SQLCall("create table stores (n integer)");
  oDatabase.SQLCall("insert into stores values (0)");
  oDatabase.SQLCall("create trigger count_stores after update of name on stock begin update stores set n = n + 1; end");
  std::string blocks, elements;
  for (int i = 0; i < 20000; ++i) {
    blocks += UkBlock("XYZ", std::to_string(i + 1) + ".00");
    elements += std::string(i ? "," : "") + "{\"symbol\":\"^DJI\",\"regularMarketPrice\":" + std::to_string(i) + ".5}";
  }
  Text uk(UkPage(blocks)), ukList("XYZ"), jsonList("^DJI,^dji"), csvList("IBM+ibm");
  ParseQuoteTableHtml(hListView, uk.p(), ukList.p());
  YAHOO_IndexScanJson(hListView, ("{\"quoteResponse\":{\"result\":[" + elements + "]}}").c_str(), jsonList.p());
  ParseYahooCsv(hListView, CsvReply().c_str(), csvList.p());
  EXPECT_EQ(oDatabase.GetInt("select n from stores"), 3);
  QueueRecord r;
  ASSERT_TRUE(LoadQuote(xyz, &r));
  EXPECT_EQ(r.price, 1.0);
  ASSERT_TRUE(LoadQuote(dji, &r));
  EXPECT_EQ(r.price, 0.5);
  EXPECT_TRUE(LoadQuote(ibm, &r));
  oDatabase.SQLCall("drop trigger count_stores");
  oDatabase.SQLCall("drop table stores");
}

TEST(Volumes, OutsideThe32BitRangeNotANumberAndInfinityAreNoValue) {
  const struct {
    const char* in;
    int out;
  } texts[] = {
      {"2147483647.9", INT_MAX}, {"-2147483648.9", INT_MIN}, {"-1.9", -1},          {"1,234,567", 1234567},
      {"2147483648", NoValue},   {"3,000,000,000", NoValue}, {"-2147483649", NoValue}, {"99999999999999999999", NoValue},
      {"1e999.", NoValue},       {"N/A", 0},                 {"nan.", 0},           {"", 0},
  };
  for (const auto& t : texts) EXPECT_EQ(VolumeFromText(t.in), t.out) << t.in;
  for (double d : {-2147483649.0, 2147483648.0, (double)NAN, (double)INFINITY, -(double)INFINITY})
    EXPECT_EQ(VolumeFromDouble(d), NoValue) << d;
}

// A number too big for its field leaves that field missing, and only that field, in every reply
// format: never a saturated price or a wrapped volume, never the whole record lost.
TEST_F(Parsers, NumbersOutOfRangeAreStoredAsMissing) {
  const std::string huge = "99999999999999999999";
  const std::string json = Replace(Replace(Replace(Replace(JsonReply(), "38000.5", "1e400"), "123456", "-3000000000"),
                                           "38100.0", "1.9e308"), "39000.0", huge);
  const int kJson = -1;
  const struct {
    int source;
    const char* symbol;
    std::string reply;
    const char* stored;  // the end of what Stored gives
  } cases[] = {
      {SRC_PC_QUOTE, "ACME", Replace(Replace(DetailPageReply(), "12.50", huge), "1,234,567", "-" + huge),
       "Acme & Sons Inc|3/06||Mar 15, 2024 (p|- 0.25 12.1 12.75 12 - 12.25 20 10 15.5 0.4 3.2"},
      {SRC_PC_QUOTE, "ACME", Replace(Replace(DetailPageReply(), "12.50", "1e999.0"), "1,234,567", "2147483648"),
       "Acme & Sons Inc|3/06||Mar 15, 2024 (p|- 0.25 12.1 12.75 12 - 12.25 20 10 15.5 0.4 3.2"},
      {SRC_TEXT_QUOTE, "IBM", Replace(TextPageReply(), "149.50", huge),  // its volume is 3000000000
       " International Business Machi|3/5|14:32||- -1.25 - 150 148 - - 160 120 - - -"},
      {SRC_UK_YAHOO, "XYZ", Replace(Replace(UkPageReply(), "123.45", huge), "45,600", huge),
       "|16:30||- 1.5 - - - - 122 - - - - -"},
      {SRC_YAHOO, "IBM", Replace(CsvReply(), "149.50", "-" + huge),
       "International, Business|3/5/2024|16:00||- 1.25 148 150 147.5 - 148.25 160 120 22.1 1.2 0.8"},
      {kJson, "^DJI", json, "||- -12.25 38010 - 37900 - - - 30000 - - -"},
  };
  for (const auto& c : cases) {
    ResetStocks();
    long long id = AddStock(c.symbol, 0);
    Text reply(c.reply), list(c.symbol);
    switch (c.source) {
      case SRC_PC_QUOTE: ParseQuotePageHtml(hListView, reply.p(), list.p()); break;
      case SRC_TEXT_QUOTE: ParseQuoteTextPage(hListView, reply.p(), list.p()); break;
      case SRC_UK_YAHOO: ParseQuoteTableHtml(hListView, reply.p(), list.p()); break;
      case SRC_YAHOO: ParseYahooCsv(hListView, reply.p(), list.p()); break;
      case kJson: YAHOO_IndexScanJson(hListView, reply.p(), list.p()); break;
    }
    std::string stored = Stored(id);
    size_t tail = strlen(c.stored);
    EXPECT_EQ(stored.substr(stored.size() > tail ? stored.size() - tail : 0), c.stored) << c.reply;
  }
}
