// Reply texts of every format, shared by the parser tests and the hostile-input tests.
#include <string>

std::string DetailPageReply() {
  return "<html><body><table><tr>\r\n"
         "<td><div class=\"quote1\">Last:<br><b> 12.50 </b></td>\r\n"
         "<td valign=top colspan=6><div class=\"headline\">Acme &amp; Sons Inc</div></td>\r\n"
         "<td class=c>Change:<br>+0.25</td><td class=c>High:<br>12.75</td><td class=c>Low:<br>12.00</td>\r\n"
         "<td class=c>Volume:<br>1,234,567</td></tr>\r\n"
         "<tr><td>\tOpen</td><td>12.10</td></tr><tr><td>\tPrevious Close</td><td>12.25</td></tr>\r\n"
         "<tr><td>\tTime of Last Sale</td><td>03/06</td></tr><tr><td>\t52 Week High</td><td>20.00</td></tr>\r\n"
         "<tr><td>\t52 Week Low</td><td>10.00</td></tr><tr><td>\tP/E Ratio</td><td>15.5</td></tr>\r\n"
         "<tr><td>\tEx-Dividend Date</td><td>Mar 15, 2024 (payable Apr 1)</td></tr>\r\n"
         "<tr><td>\tDividend Amount</td><td>0.40</td></tr><tr><td>\tYield</td><td>3.2%</td></tr>\r\n"
         "</table></body></html>\r\n";
}

std::string TextPageReply() {
  return "<pre>\r\nSymbol        : IBM\r\n"
         "Description   : International Business Machines\r\n"
         "Last Traded at: 149.50\r\n-----\r\n"
         "$ Change      : -1.25 (0.8%)\r\n"
         "Date/Time   : Mar 05 14:32:10\r\n"
         "Volume        : 3000000000\r\n"
         "Day High    : 150.00\r\nDay Low       : 148.00\r\n"
         "52 Week High: 160.00\r\n52 Week Low   : 120.00\r\n</pre></body></html>\r\n";
}

std::string UkPageReply() {
  return "<html><body>\n<table width=100%>\r\n"
         "<b>Acme Holdings Incorporated Limited Partnership Grp</b> (Exchange:XYZ)\r\n"
         "<td>\r\n"
         " Mar 12 <b><img src=u.gif>123.45&nbsp;</b> <font color=green>+1.50 1.2%</font> 122.00 45,600\r\n"
         "<td>ignored 99.99</td>\r\n"
         "<b>Other</b> (Exchange:XY)\n\n\n"
         "<td>\n"
         " 3:45 PM <b>10.00</b> -0.10 0.9% 10.10 500\n"
         "</table>\r\n<a href=x>\r\n"
         "<b>Outside</b> :XYZ\r\nx\r\n 3:45 PM <b>99.00</b>\r\n"
         "</body></html>\r\n";
}

std::string CsvReply() {
  return "\"IBM\",\"3/5/2024\",\"4:00pm\",149.50,148.00,150.00,147.50,3000000000,\"x\",1.20,0.8,22.1,+1.25,"
         "148.25,120.00,160.00,\"International, Business\"\r\n"
         "\"ODD\",\"3/5/2024,\"1:00pm\",5.00,5.00,5.00,5.00,100,\"x\",0,0,0,0,0,0,0,\"Odd\"\r\n"
         "\"GOOD\",\"Wednesday 3/5/2024\",\"9:30am\",7.25,7.00,7.50,7.00,2500,\"x\",0,0,0,-0.05,7.30,1,9,"
         "\"A name of sixty characters, far longer than its field holds\"\r\n"
         "\"BCE.TO\",\"3/5/2024\",\"4:00pm\",N/A,0,0,0,0,\"x\",0,0,0,0,0,0,0,\"BCE Inc\"\r\n"
         "\"BCE\",\"3/5/2024\",\"4:00pm\",55.50,0,0,0,0,\"x\",0,0,0,0,0,0,0,\"BCE US\"\r\n"
         "\"^DJI\",\"3/5/2024\",\"4:00pm\",38000.50,0,0,0,0,\"x\",0,0,0,0,0,0,0,\"Dow\"\r\n";
}

std::string JsonReply() {
  return "{\"quoteResponse\":{\"result\":["
         "{\"symbol\":\"^DJI\",\"shortName\":\"Dow Jones Industrial Average\",\"regularMarketPrice\":38000.5,"
         "\"regularMarketChange\":-12.25,\"regularMarketOpen\":38010.0,\"regularMarketDayHigh\":38100.0,"
         "\"regularMarketDayLow\":37900.0,\"regularMarketVolume\":123456,\"fiftyTwoWeekHigh\":39000.0,"
         "\"fiftyTwoWeekLow\":3.0e4,\"regularMarketTime\":0},"
         "{\"symbol\":\"^GSPC\",\"regularMarketPrice\":5000.0},"
         "{\"symbol\":\"^IXIC\",\"regularMarketPrice\":150,\"regularMarketVolume\":3000000000,"
         "\"regularMarketTime\":-5}"
         "],\"error\":null}}";
}
