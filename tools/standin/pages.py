"""Reply bodies of the stand-in, one function per kind of reply, in the formats the program reads.

Each function takes the market (market.Market) and the symbols as the request wrote them, and returns
bytes. Symbols the market does not know get what the historical services gave for them: an N/A line in
CSV, no element in JSON, a page without quote labels. The services are not kinder than they were: the
CSV service quotes no index (an index gets a line without values, which is why the JSON request
exists), and the JSON service writes a whole number without a fraction, as a script would."""
import html
import json
import re
import time


CSV_LETTERS = 'sd1t1l1ohgvwdyrc1pjkn'
CRLF = '\r\n'
MONTHS = ['Jan', 'Feb', 'Mar', 'Apr', 'May', 'Jun', 'Jul', 'Aug', 'Sep', 'Oct', 'Nov', 'Dec']
EXCHANGES = ['NYSE', 'TOR', 'MON', 'VAN', 'CDNX', 'ALB', 'WPG']


def _local(t):
    return time.localtime(t)


def _grouped(n):
    return '{:,}'.format(int(n))


def csv_letters(letters):
    """'sd1t1l1o' -> ['s', 'd1', 't1', 'l1', 'o']: a letter with its digit, if one follows."""
    return re.findall(r'[a-z][0-9]?', letters or CSV_LETTERS)


def _csv_field(letter, q, asked):
    lt = _local(q.time)
    num = {'l1': q.price, 'o': q.open, 'h': q.high, 'g': q.low, 'p': q.prev_close, 'j': q.low52,
           'k': q.high52, 'd': q.dividend, 'y': q.yield_, 'r': q.peratio}
    if letter == 's':
        return '"%s"' % asked
    if letter == 'n':
        return '"%s"' % q.name.replace('"', "'")
    if letter == 'd1':
        return '"%d/%d/%d"' % (lt.tm_mon, lt.tm_mday, lt.tm_year)
    if letter == 't1':
        h = lt.tm_hour % 12 or 12
        return '"%d:%02d%s"' % (h, lt.tm_min, 'pm' if lt.tm_hour >= 12 else 'am')
    if letter == 'v':
        return '%d' % q.volume
    if letter == 'w':
        return '"%.2f - %.2f"' % (q.low52, q.high52)
    if letter == 'c1':
        return '%+.2f' % q.change
    if letter == 'r' and q.kind != 'stock':
        return 'N/A'
    if letter in num:
        return '%.2f' % num[letter]
    return 'N/A'


def _csv_unknown(letter, asked):
    if letter in ('s', 'n'):
        return '"%s"' % asked
    if letter in ('d1', 't1', 'w'):
        return '"N/A"'
    return '0.00' if letter == 'l1' else 'N/A'


def csv_reply(market, symbols, letters=CSV_LETTERS):
    """One CSV line per symbol, CR LF after each, fields in the order of the field letters."""
    fields = csv_letters(letters)
    lines = []
    for asked in symbols:
        asked = asked.upper()
        sym = market.lookup(asked)
        # the service answers an old index name under the index's own symbol
        echo = sym if sym and sym.startswith('^') else asked
        if sym is None or market.kind(sym) == 'index':
            lines.append(','.join(_csv_unknown(f, echo) for f in fields))
            continue
        q = market.quote(sym, asked)
        lines.append(','.join(_csv_field(f, q, echo) for f in fields))
    return ''.join(line + CRLF for line in lines).encode('latin-1', 'replace')


def _js_number(value):
    """A number as a script writes it: a whole value without a fraction (150, not 150.0)."""
    return int(value) if isinstance(value, float) and value.is_integer() else value


def json_reply(market, symbols):
    """The quote service's JSON: {"quoteResponse": {"result": [...], "error": null}}. Numbers are written
    as a script writes them, so a whole price has no fraction; volumes are 32-bit integers, the time
    seconds since 1970."""
    result = []
    for asked in symbols:
        sym = market.lookup(asked)
        if sym is None:
            continue
        q = market.quote(sym, asked)
        kind = {'index': 'INDEX', 'fund': 'MUTUALFUND'}.get(q.kind, 'EQUITY')
        el = {'language': 'en-US', 'region': 'US', 'quoteType': kind,
              'currency': 'CAD' if q.market else 'USD', 'symbol': q.symbol,
              'shortName': q.name, 'longName': q.name,
              'regularMarketPrice': float(q.price), 'regularMarketChange': float(q.change),
              'regularMarketChangePercent': float(round(100.0 * q.change / q.prev_close, 4)),
              'regularMarketTime': int(q.time), 'regularMarketVolume': int(q.volume),
              'averageDailyVolume3Month': int(q.volume) // 2 + 1000,
              'regularMarketDayHigh': float(q.high), 'regularMarketDayLow': float(q.low),
              'regularMarketOpen': float(q.open), 'fiftyTwoWeekHigh': float(q.high52),
              'fiftyTwoWeekLow': float(q.low52)}
        if q.kind == 'stock':
            el['marketCap'] = int(q.price * 1000000) * 1000
        result.append({k: _js_number(v) for k, v in el.items()})
    doc = {'quoteResponse': {'result': result, 'error': None}}
    return json.dumps(doc, separators=(',', ':')).encode()


def detail_page(market, ticker):
    """The one-symbol HTML detail page. A ticker ending in ".ca" names a Canadian listing."""
    canadian = ticker.lower().endswith('.ca') and len(ticker) > 3
    base = ticker[:-3] if canadian else ticker
    sym = market.lookup_plain(base, canadian) or (None if canadian else market.lookup(base))
    esc = html.escape
    if sym is None:
        return ('<html><head><title>Detailed quote</title></head><body>\n<p>No quote found for %s.</p>\n'
                '</body></html>\n' % esc(ticker)).encode('latin-1', 'replace')
    q = market.quote(sym, ticker)
    lt = _local(q.time)
    ex_div = '%s %02d' % (MONTHS[(lt.tm_mon + 1) % 12], 7)
    rows = [('Open', '%.2f' % q.open), ('Previous Close', '%.2f' % q.prev_close),
            ('Time of Last Sale', '%d:%02d' % (lt.tm_hour, lt.tm_min)),
            ('52 Week High', '%.2f' % q.high52), ('52 Week Low', '%.2f' % q.low52),
            ('P/E Ratio', '%.2f' % q.peratio if q.kind == 'stock' else 'n/a'),
            ('Ex-Dividend Date', ex_div), ('Dividend Amount', '%.2f' % q.dividend),
            ('Yield', '%.2f%%' % q.yield_)]
    out = ['<html><head><title>%s detailed quote</title></head><body>' % esc(q.symbol),
           '<table border=0 cellpadding=2>',
           '<tr><td valign=top><div class="quote1">Last:<br>%.2f</div></td>' % q.price,
           '<td valign=top colspan=6><div class="headline">%s</div></td></tr>' % esc(q.name),
           '<tr><td><div class="quote2">Change:<br>%+.2f</div></td>' % q.change,
           '<td><div class="quote2">High:<br>%.2f</div></td>' % q.high,
           '<td><div class="quote2">Low:<br>%.2f</div></td>' % q.low,
           '<td><div class="quote2">Volume:<br>%s</div></td></tr>' % _grouped(q.volume),
           '</table>', '<table border=0 cellpadding=2>']
    out += ['<tr><td>\t%s</td><td>%s</td></tr>' % (label, value) for label, value in rows]
    out += ['</table>', '</body></html>', '']
    return '\n'.join(out).encode('latin-1', 'replace')


def text_page(market, tick):
    """The one-symbol text page: fixed labels, one value a line, CR LF line ends, wrapped in <pre>."""
    sym = market.lookup_prefixed(tick)
    head, tail = '<html><body><pre>' + CRLF, '</pre></body></html>' + CRLF
    if sym is None:
        return (head + 'No quote available for %s' % tick + CRLF + tail).encode('latin-1', 'replace')
    q = market.quote(sym, tick)
    lt = _local(q.time)
    lines = ['Symbol        : %s' % tick.upper(),
             'Description   : %s' % q.name.upper(),
             ('Net Asset Val : %.2f' if q.kind == 'fund' else 'Last Traded at: %.2f') % q.price,
             '$ Change      : %+.2f' % q.change,
             'Date/Time   : %s %02d %02d:%02d:00' % (MONTHS[lt.tm_mon - 1], lt.tm_mday, lt.tm_hour, lt.tm_min),
             'Volume        : %d' % q.volume,
             'Day High    : %.2f' % q.high,
             'Day Low       : %.2f' % q.low,
             '52 Week High: %.2f' % q.high52,
             '52 Week Low   : %.2f' % q.low52,
             '-' * 35,
             'This information was last updated on  %d/%d %02d:%02d:00' % (lt.tm_mon, lt.tm_mday,
                                                                           lt.tm_hour, lt.tm_min)]
    return (head + CRLF.join(lines) + CRLF + tail).encode('latin-1', 'replace')


def uk_page(market, symbols):
    """The UK list page: one block per known symbol, opened by "<table width=100%>" and closed by a
    line beginning "<a href="; a header line "<b>name</b> (EXCHANGE:SYMBOL)", one caption line, then
    the data line: time, price in bold, change and percentage, previous close, volume."""
    out = ['<html><head><title>Quotes</title></head><body>', '<h2>Quotes delayed 15 minutes</h2>']
    for asked in symbols:
        sym = market.lookup_plain(asked)
        if sym is None:
            continue
        q = market.quote(sym, asked)
        lt = _local(q.time)
        pct = 100.0 * q.change / q.prev_close if q.prev_close else 0.0
        arrow = 'up' if q.change >= 0 else 'down'
        out += ['<table width=100%>',
                '<b>%s</b> (%s:%s)' % (html.escape(q.name), EXCHANGES[q.market], asked.upper()),
                '<tr><th>Time</th><th>Last</th><th>Change</th><th>Prev Close</th><th>Volume</th></tr>',
                '%d:%02d <b><img src="/%s.gif" alt="%s">%.2f&nbsp;</b> <font color=%s>%+.2f %+.2f%%</font> '
                '%.2f %s' % (lt.tm_hour, lt.tm_min, arrow, arrow, q.price, 'green' if q.change >= 0 else 'red',
                             q.change, pct, q.prev_close, _grouped(q.volume)),
                '</table>',
                '<a href="/q?s=%s&d=t&o=t">Refresh</a>' % asked.upper()]
    out += ['</body></html>', '']
    return '\r\n'.join(out).encode('latin-1', 'replace')


def quote_page(market, symbols):
    """The quote page a browser shows for "/quotes/A+B/view/dv": HTML for people, no CSV."""
    out = ['<html><head><title>Quotes</title></head><body>', '<table>']
    for asked in symbols:
        sym = market.lookup(asked)
        if sym is None:
            out.append('<tr><td>%s</td><td>No such symbol</td></tr>' % html.escape(asked.upper()))
            continue
        q = market.quote(sym, asked)
        out.append('<tr><td>%s</td><td>%s</td><td>Last trade: %.2f</td><td>Change: %+.2f</td></tr>'
                   % (html.escape(q.symbol), html.escape(q.name), q.price, q.change))
    out += ['</table>', '</body></html>', '']
    return '\r\n'.join(out).encode('latin-1', 'replace')


def markets_page(market):
    """The market-overview page: the index values in a table."""
    out = ['<html><head><title>US markets</title></head><body>', '<table>']
    for sym in market.known():
        if sym.startswith('^'):
            q = market.quote(sym)
            out.append('<tr><td>%s</td><td>%s</td><td>%.2f</td><td>%+.2f</td></tr>'
                       % (sym, html.escape(q.name), q.price, q.change))
    out += ['</table>', '</body></html>', '']
    return '\r\n'.join(out).encode('latin-1', 'replace')


def version_text(site, version, banners, date='1/15/25 12:00', cycles=2):
    """The version text: [VERSION] word, [MESSAGE] prompt, [BANNER] one line per banner file:
    "name;date;cycles;link;tip". `site` is "http://host:port" of the maker's site."""
    lines = ['Version information of the quote watcher', '[VERSION]', version, '[MESSAGE]',
             'Version %s is available.' % version, 'Open the product page now?', '[BANNER]']
    for i, name in enumerate(banners):
        lines.append('%s;%s;%d;%s/;Stand-in banner %d of %d' % (name, date, cycles, site, i + 1, len(banners)))
    return ('\n'.join(lines) + '\n').encode('latin-1', 'replace')


def banner_names(count):
    """tw000.png, tw001.mng, tw002.png, ...: every second banner an animation."""
    return ['tw%03d.%s' % (i, 'mng' if i % 2 else 'png') for i in range(count)]


def index_page(site):
    paths = ['/d/quotes.csv?s=IBM+BCE.TO&f=' + CSV_LETTERS, '/quotes/IBM+BCE.TO/view/dv',
             '/v7/finance/quote?symbols=^DJI,^GSPC&formatted=false', '/stocks/detailquote.php?ticker=BCE.ca',
             '/cgi-bin/qso?tick=V.ABC', '/q?s=IBM+BCE&d=t&o=t', '/pages/tarnwick_version_text.html',
             '/images/tw000.png', '/images/tw001.mng', '/markets/us_markets.html']
    items = ''.join('<li><a href="%s%s">%s</a></li>\n' % (site, html.escape(p), html.escape(p)) for p in paths)
    return ('<html><head><title>Quote stand-in</title></head><body>\n<ul>\n%s</ul>\n</body></html>\n'
            % items).encode()


def split_symbols(text, sep='+'):
    """Symbols joined by `sep`; empty tokens vanish."""
    return [s for s in (text or '').split(sep) if s]

