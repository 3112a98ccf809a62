"""The instruments the stand-in quotes, and the deterministic random walk of their prices.

Each instrument walks on its own generator, seeded from the run's seed and its symbol, and takes one
step each time it is quoted: the same seed and the same requests give the same replies. The quotes
given out while serving one request can be captured (Market.capture), so that a test can hold what a
program stored against what it was served."""
import contextlib
import random
import re
import threading
import time
import zlib

# Market suffixes of the Yahoo source and prefixes of the text source, by market number.
SUFFIXES = ['', '.TO', '.M', '.V', '.OT', '.AL', '.WI']
PREFIXES = ['', 'T.', 'M.', 'V.', 'O.', 'C.', 'W.']

INDEX_SYMBOLS = ['^DJI', '^DJU', '^DJT', '^GSPC', '^NYA', '^IXIC', '^IXID', '^IXIS', '^IXBK', '^IXFN',
                 '^IXTR']
# Any number of further stocks for large portfolios (benchmarks): SYN1 ... SYN99999.
SYNTHETIC = re.compile(r'^SYN\d{1,5}$')
# Old names the CSV service still answered under the index's symbol.
ALIASES = {'INDU': '^DJI'}
# Quoted in whole points: the JSON service writes such prices without a fraction.
WHOLE_POINTS = {'^DJT'}

# symbol as the Yahoo source writes it, name, start price, kind ('stock', 'fund' or 'index')
INSTRUMENTS = [
    ('IBM', 'International Business Machines', 151.25, 'stock'),
    ('MSFT', 'Microsoft Corporation', 412.40, 'stock'),
    ('AAPL', 'Apple Inc.', 189.30, 'stock'),
    ('GE', 'General Electric Company', 160.10, 'stock'),
    ('KO', 'Coca-Cola Company (The)', 60.15, 'stock'),
    ('XOM', 'Exxon Mobil Corporation', 112.80, 'stock'),
    ('F', 'Ford Motor Company', 12.35, 'stock'),
    ('JNJ', 'Johnson & Johnson', 158.70, 'stock'),
    ('PG', 'Procter & Gamble Company (The)', 161.05, 'stock'),
    ('WMT', 'Walmart Inc.', 60.20, 'stock'),
    ('INTC', 'Intel Corporation', 43.10, 'stock'),
    ('CSCO', 'Cisco Systems, Inc.', 48.55, 'stock'),
    ('DIS', 'Walt Disney Company (The)', 111.90, 'stock'),
    ('BA', 'Boeing Company (The)', 205.75, 'stock'),
    ('CAT', 'Caterpillar, Inc.', 330.60, 'stock'),
    ('BCE', 'BCE, Inc. (NYSE listing)', 34.10, 'stock'),
    ('XY', 'XY Holdings Ltd.', 8.40, 'stock'),
    ('XYZ', 'XYZ Resources Corp.', 3.15, 'stock'),
    ('GRWFX', 'Growth Fund Investor Class', 27.64, 'fund'),
    ('BCE.TO', 'BCE Inc.', 46.20, 'stock'),
    ('RY.TO', 'Royal Bank of Canada', 134.50, 'stock'),
    ('TD.TO', 'Toronto-Dominion Bank (The)', 81.30, 'stock'),
    ('ENB.TO', 'Enbridge Inc.', 48.90, 'stock'),
    ('GIB.M', 'CGI Inc.', 151.00, 'stock'),
    ('BCE.M', 'BCE Inc. (Montreal)', 46.25, 'stock'),
    ('ABC.V', 'ABC Exploration Ltd.', 0.85, 'stock'),
    ('NGT.V', 'Northgate Minerals', 2.35, 'stock'),
    ('XYZ.OT', 'XYZ Technologies Inc.', 0.12, 'stock'),
    ('CNQ.AL', 'Canadian Natural Resources', 98.45, 'stock'),
    ('GWO.WI', 'Great-West Lifeco Inc.', 42.70, 'stock'),
    ('^DJI', 'Dow Jones Industrial Average', 38950.25, 'index'),
    ('^DJU', 'Dow Jones Utility Average', 870.40, 'index'),
    ('^DJT', 'Dow Jones "Transports" Average', 15720.0, 'index'),
    ('^GSPC', 'S&P 500', 5120.35, 'index'),
    ('^NYA', 'NYSE Composite', 17850.60, 'index'),
    ('^IXIC', 'NASDAQ Composite', 16090.20, 'index'),
    ('^IXID', 'NASDAQ Industrial', 11050.75, 'index'),
    ('^IXIS', 'NASDAQ Insurance', 12980.30, 'index'),
    ('^IXBK', 'NASDAQ Bank', 3920.15, 'index'),
    ('^IXFN', 'NASDAQ Other Finance', 7210.45, 'index'),
    ('^IXTR', 'NASDAQ Transportation', 6140.90, 'index'),
]


def split_suffix(symbol):
    """'BCE.TO' -> ('BCE', 1); 'IBM' -> ('IBM', 0)."""
    up = symbol.upper()
    for m in range(len(SUFFIXES) - 1, 0, -1):
        if up.endswith(SUFFIXES[m]) and len(up) > len(SUFFIXES[m]):
            return symbol[:-len(SUFFIXES[m])], m
    return symbol, 0


class Quote:
    """One quote of one instrument; prices in the instrument's currency, time in seconds since 1970.
    `asked` is the symbol as the request wrote it."""
    __slots__ = ('asked', 'symbol', 'name', 'kind', 'market', 'price', 'change', 'open', 'high', 'low',
                 'prev_close', 'volume', 'high52', 'low52', 'dividend', 'yield_', 'peratio', 'time')

    def __init__(self, **kw):
        for k, v in kw.items():
            setattr(self, k, v)

    def record(self):
        """What the request log keeps of a served quote."""
        return {k: getattr(self, k) for k in ('asked', 'symbol', 'name', 'price', 'change', 'volume')}


class _Walk:
    def __init__(self, seed, symbol, name, start, kind):
        self.rng = random.Random(zlib.crc32(('%d:%s' % (seed, symbol)).encode()))
        self.symbol, self.name, self.kind = symbol, name, kind
        self.market = split_suffix(symbol)[1] if kind != 'index' else 0
        self.places = 0 if symbol in WHOLE_POINTS else 2
        self.prev_close = start
        self.price = start
        self.open = round(start * (1 + self.rng.uniform(-0.01, 0.01)), self.places)
        self.high = max(self.open, start)
        self.low = min(self.open, start)
        self.volume = 0
        self.low52 = round(start * self.rng.uniform(0.55, 0.85), self.places)
        self.high52 = round(start * self.rng.uniform(1.05, 1.40), self.places)
        self.dividend = round(start * self.rng.uniform(0.0, 0.04), 2) if kind == 'stock' else 0.0
        self.peratio = round(self.rng.uniform(8, 35), 2) if kind == 'stock' else 0.0

    def step(self):
        rng = self.rng
        self.price = float(round(max(0.01, self.price * (1 + rng.gauss(0, 0.004))), self.places))
        self.high = max(self.high, self.price)
        self.low = min(self.low, self.price)
        self.high52 = max(self.high52, self.high)
        self.low52 = min(self.low52, self.low)
        # indexes trade far more shares than a stock; the volume stays a 32-bit number all the same
        self.volume = min(self.volume + rng.randint(1000, 400000) * (50 if self.kind == 'index' else 1),
                          2000000000)


class Market:
    """The instruments and their walks. `clock` gives the quote time (seconds since 1970)."""

    def __init__(self, seed=1, clock=None):
        self.seed = seed
        self.clock = clock or time.time
        self.lock = threading.Lock()
        self.walks = {}
        self.by_upper = {s.upper(): (s, n, p, k) for s, n, p, k in INSTRUMENTS}
        self.local = threading.local()

    @contextlib.contextmanager
    def capture(self):
        """The quotes given out on this thread while the block runs, as a list."""
        served = []
        self.local.served = served
        try:
            yield served
        finally:
            self.local.served = None

    def _entry(self, up):
        """(symbol, name, start price, kind) of an upper-case symbol, or None."""
        entry = self.by_upper.get(up)
        if entry is None and SYNTHETIC.match(up):
            entry = (up, 'Synthetic Holdings %s' % up[3:], 5 + zlib.crc32(up.encode()) % 50000 / 100.0, 'stock')
        return entry

    def known(self):
        return [s for s, _, _, _ in INSTRUMENTS]

    def kind(self, symbol):
        """'stock', 'fund' or 'index' of a known instrument's symbol (a synthetic one too)."""
        return self._entry(symbol.upper())[3]

    def lookup(self, symbol):
        """The instrument's symbol for a symbol as the Yahoo source writes it (any letter case), or None."""
        up = symbol.upper()
        up = ALIASES.get(up, up)
        entry = self._entry(up)
        return entry[0] if entry else None

    def lookup_plain(self, base, canadian=False):
        """A symbol without market mark: the US listing, else (or when `canadian`) the first Canadian one."""
        up = base.upper()
        if not canadian and self._entry(up):
            return self._entry(up)[0]
        for s, _, _, kind in INSTRUMENTS:
            b, m = split_suffix(s)
            if m and b.upper() == up:
                return s
        return None

    def lookup_prefixed(self, text):
        """A symbol as the text source writes it, with its market prefix ("T.BCE")."""
        up = text.upper()
        for m in range(1, len(PREFIXES)):
            if up.startswith(PREFIXES[m]) and len(up) > 2:
                return self.lookup(up[2:] + SUFFIXES[m])
        return self.lookup(up)

    def quote(self, symbol, asked=None):
        """The next quote of a known instrument (one step of its walk); `asked` is the symbol as the
        request wrote it."""
        with self.lock:
            w = self.walks.get(symbol)
            if w is None:
                s, n, p, k = self._entry(symbol.upper())
                w = self.walks[symbol] = _Walk(self.seed, s, n, p, k)
            w.step()
            change = round(w.price - w.prev_close, 2)
            q = Quote(asked=asked or symbol, symbol=w.symbol, name=w.name, kind=w.kind, market=w.market,
                      price=w.price, change=change, open=w.open, high=w.high, low=w.low, prev_close=w.prev_close,
                      volume=w.volume, high52=w.high52, low52=w.low52, dividend=w.dividend,
                      yield_=round(100.0 * w.dividend / w.price, 2) if w.price else 0.0,
                      peratio=w.peratio, time=int(self.clock()) // 60 * 60)
        served = getattr(self.local, 'served', None)
        if served is not None:
            served.append(q)
        return q
