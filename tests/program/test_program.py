#!/usr/bin/env python3
"""test_program.py WINE_RUN TARNWICK_EXE WINDOW_PROBE TRUST_CERT GROUP
End-to-end runs of TarnWick.exe against the stand-in; GROUP is one of the test classes below."""
import os
import re
import sqlite3
import sys
import time
import unittest

from program_run import (ProgramRun, Tools, IDM_EXIT, IDM_UPDATENOW, SW_MINIMIZE, to_wine)

TOOLS = None
CSV = '/d/quotes.csv'
JSON = '/v7/finance/quote'
TODAY = "create_date = date('now', 'localtime')"


def price_text(value):
    """A price as the list shows it: three decimals with comma groups."""
    return '{:,.3f}'.format(value)


def wait_until(what, seconds, step=0.5):
    end = time.time() + seconds
    while time.time() < end:
        got = what()
        if got:
            return got
        time.sleep(step)
    return what()


def beside_database(run):
    """The journal, log and shared-memory files of the database that are there."""
    return [s for s in ('-journal', '-wal', '-shm') if os.path.exists(run.db + s)]


def symbols(view):
    return [cells[0] for _, cells in view['rows']]


class WinInet(unittest.TestCase):
    """The main road: WinINet thread, Yahoo CSV and JSON, Delay 0; settings file named on the command
    line in a folder whose name holds "-d"; sorting by header clicks; Update Now; a second start; the
    clean exit."""

    def test_run(self):
        options = [('Source', 3), ('Delay', 0), ('AutoVersion', 0), ('StocksInDatabase', 0)]
        stocks = [('IBM', '0,0,0,10,1000'), ('^DJI', '0,0,0,0,0'), ('RY', '0,0,1,0,0')]
        with ProgramRun(TOOLS, 'wininet', options, stocks, subdir='My-Data') as run:
            ini_arg = to_wine(run.ini)
            run.start('-D', ini_arg)
            view = run.wait_filled(3)
            self.assertEqual(view['rc'], 0, view)
            self.assertEqual(symbols(view), ['^DJI', 'IBM', 'RY.TO'])  # index symbols first
            self.assertEqual(view['header'][0], ('Ticker', 1))
            self.assertEqual([h[1] for h in view['header'][1:]], [0] * (len(view['header']) - 1))

            self.assertEqual(view['title'], 'TarnWick 1.86.000')
            self.assertEqual(view['state']['shared_images'], 1)  # the window alone destroys the images

            # The sort column's header reverses the order; another column sorts ascending by it.
            run.probe('click-header', '0')
            view = wait_until(lambda: (lambda v: v if symbols(v) == ['RY.TO', 'IBM', '^DJI'] else None)(
                run.view('rows')), 10)
            self.assertTrue(view, 'header click did not reverse the order')
            self.assertEqual(view['header'][0], ('Ticker', 1))
            run.probe('click-header', '2')
            view = wait_until(lambda: (lambda v: v if v['header'][2][1] else None)(run.view('rows')), 10)
            prices = [float(cells[2].replace(',', '')) for _, cells in view['rows']]
            self.assertEqual(prices, sorted(prices))
            self.assertEqual(view['header'][0][1], 0)

            # Delay 0: one cycle after start, then only on "Update Now".
            first, index = len(run.requests(CSV)), len(run.requests(JSON))
            time.sleep(4)
            self.assertEqual(len(run.requests(CSV)), first)
            run.probe('command', str(IDM_UPDATENOW))
            self.assertTrue(wait_until(lambda: len(run.requests(CSV)) > first, 15), 'no cycle after Update Now')
            # the cycle's last request is the index symbols' one
            self.assertTrue(wait_until(lambda: len(run.requests(JSON)) > index, 15))
            time.sleep(1)
            filled = run.view('rows')  # what the database will hold for today

            # A second start on the same database brings the first forward and ends at once.
            run.probe('show', str(SW_MINIMIZE))
            self.assertTrue(wait_until(lambda: run.view('rows')['state'].get('iconic') == 1, 10))
            second = run.spawn('-d', ini_arg)
            self.assertEqual(second.wait(timeout=30), 0)
            self.assertEqual(run.view('rows')['state'].get('iconic'), 0)

            run.probe('command', str(IDM_EXIT))
            self.assertEqual(run.wait_exit(), 0)
            rc, lines = run.probe('reg', 'Program')
            self.assertEqual(lines, ['reg\t' + to_wine(run.exe)])
            self.assertEqual(run.probe('reg', 'CurrentBanner')[0], 0)

            # Committed at exit: nothing but the database is left beside it, and it stays in
            # write-ahead-log mode; each row showed what the database holds for today, its image the
            # quote status.
            self.assertEqual(beside_database(run), [])
            self.assertEqual(run.query('pragma journal_mode'), [('wal',)])
            stored = {s: (p, st, n) for s, p, st, n in run.query(
                'select stock.symbol, quote.price, quote.quote_status, stock.name from stock join quote '
                'on quote.stock_rowid = stock.rowid where ' + TODAY)}
            self.assertEqual(sorted(stored), ['IBM', 'RY.TO', '^DJI'])
            for image, cells in filled['rows']:
                price, status, name = stored[cells[0]]
                self.assertEqual(cells[2], price_text(price), cells)
                self.assertEqual(cells[1], name)
                self.assertEqual(image, status, cells)
            self.assertEqual(run.ini_value('Options', 'SortColumn'), '2')
            self.assertEqual(run.ini_value('Options', 'SortDirection'), '0')
            self.assertTrue(run.ini_value('Options', 'ColShown').startswith('0,15,1,2,3,4,-1,'))
            for key in ('Left', 'Top', 'Right', 'Bottom'):
                self.assertRegex(run.ini_value('Window', key) or '', r'^-?\d+$')
            # "-D" turned the log on; the settings path kept its letters.
            self.assertIn('My-Data', run.log_text())
            self.assertFalse(os.path.exists(os.path.join(run.dir, 'TarnWick.INI')))


class RawProxy(unittest.TestCase):
    """The raw-socket road through a proxy on 127.0.0.1."""

    def test_run(self):
        options = [('Source', 3), ('Delay', 0), ('AutoVersion', 0), ('UseWinInet', 0),
                   ('Proxy', '127.0.0.1'), ('ProxyPort', '{port}'), ('SortColumn', 9), ('SortDirection', 1)]
        stocks = [('IBM', '0,0,0,0,0'), ('MSFT', '0,0,0,0,0')]
        with ProgramRun(TOOLS, 'raw', options, stocks) as run:
            run.start()
            view = run.wait_filled(2)
            self.assertEqual(view['rc'], 0, view)
            lines = [e['raw'].split(b'\r\n')[0].decode('latin-1') for e in run.requests()]
            quote_lines = [l for l in lines if 'IBM' in l]
            self.assertTrue(quote_lines, lines)
            # Through a proxy the request line carries the whole address.
            self.assertRegex(quote_lines[0], r'^GET http://127\.0\.0\.1:\d+/')
            # A sort column past the last one has no arrow to take off: a click elsewhere puts the
            # arrow there, ascending, and leaves every header whole.
            titles = [t for t, _ in view['header']]
            run.probe('click-header', '2')
            view = wait_until(lambda: (lambda v: v if v['header'][2][1] else None)(run.view('rows')), 10)
            self.assertEqual(view['header'], [(t, int(i == 2)) for i, t in enumerate(titles)])
            self.assertEqual(symbols(view), ['IBM', 'MSFT'])  # by price, ascending
            run.probe('command', str(IDM_EXIT))
            self.assertEqual(run.wait_exit(), 0)
            self.assertEqual(run.query('select count(*) from quote where ' + TODAY), [(2,)])
            self.assertIsNotNone(run.ini_value('Window', 'Left'))


class AlarmTray(unittest.TestCase):
    """Tray mode hides a minimised window and the tray icon brings it back; an alarm above a limit
    brings a hidden, minimised window back and marks its row."""

    def test_run(self):
        options = [('Source', 3), ('Delay', 4), ('AutoVersion', 0), ('SystemTray', 1)]
        stocks = [('IBM', '0,1.5,0,0,0'), ('KO', '0,0,0,0,0')]
        with ProgramRun(TOOLS, 'alarm', options, stocks, extra='[Alarms]\nBeep=0\n') as run:
            run.start()
            view = run.wait_filled(2)
            self.assertEqual(view['rc'], 0, view)
            images = {cells[0]: image for image, cells in view['rows']}
            self.assertEqual(images['IBM'], 3)  # above its upper limit

            state = lambda: run.view('rows')['state']  # noqa: E731

            def minimise():
                """Minimised, the window hides. Every cycle's alarm restores it, and under load one can
                come before the window is seen hidden: then it is minimised again."""
                for _ in range(3):
                    before = len(run.requests(CSV))
                    run.probe('show', str(SW_MINIMIZE))
                    if wait_until(lambda: state()['visible'] == 0, 10):
                        return
                    if len(run.requests(CSV)) == before:
                        break
                self.fail('a minimised window stays visible: %s' % state())

            minimise()
            run.probe('tray-click')
            self.assertTrue(wait_until(lambda: state()['visible'] == 1 and state()['iconic'] == 0, 10), state())

            minimise()
            before = len(run.requests(CSV))
            # The next cycle ends with the alarm, which restores the window.
            self.assertTrue(wait_until(lambda: len(run.requests(CSV)) > before, 20))
            self.assertTrue(wait_until(lambda: state()['visible'] == 1 and state()['iconic'] == 0, 15), state())


class FirstRun(unittest.TestCase):
    """Without a quote source the first-run dialog comes before anything is fetched; a second start
    meanwhile brings it to the front; its choice is kept and its starting list fills."""

    def test_run(self):
        with ProgramRun(TOOLS, 'first', [('AutoVersion', 0), ('Delay', 0)]) as run:
            run.start()
            iconic = lambda: run.view('dialog', 'First Time Options', '-1', '60')['state'].get('iconic')  # noqa: E731
            run.probe('dialog', 'First Time Options', str(SW_MINIMIZE), '60')
            self.assertTrue(wait_until(lambda: iconic() == 1, 30))
            second = run.spawn()
            self.assertEqual(second.wait(timeout=30), 0)
            self.assertTrue(wait_until(lambda: iconic() == 0, 30), 'the dialog stayed minimised')
            self.assertEqual(run.probe('press', 'First Time Options', '1', '60')[0], 0)
            self.assertEqual(run.requests(), [])
            view = run.wait_filled(9, column=0)
            self.assertEqual(view['rc'], 0, view)
            self.assertEqual(run.ini_value('Options', 'Source'), '3')
            self.assertTrue(wait_until(lambda: run.requests(CSV), 20))
            run.probe('command', str(IDM_EXIT))
            self.assertEqual(run.wait_exit(), 0)
            self.assertEqual(run.query('select count(*) from stock'), [(9,)])


class AutoExport(unittest.TestCase):
    """The automatic export after the first cycle and the automatic quit; with KeepQuotes 0 the quit
    purges history older than seven days."""

    def test_run(self):
        options = [('Source', 3), ('Delay', 0), ('AutoVersion', 0)]
        files = '[Files]\nAutoExport=1\nAutoQuit=1\nAutoFile=%s\n'
        stocks = [('IBM', '0,0,0,0,0'), ('AAPL', '0,0,0,0,0'), ('KO', '0,0,0,0,0')]
        with ProgramRun(TOOLS, 'export', options, stocks, extra=files % 'first.txt') as run:
            run.start()
            self.assertEqual(run.wait_exit(90), 0)  # quits by itself
            self.assertEqual(beside_database(run), [])
            exported = open(os.path.join(run.dir, 'first.txt'), encoding='latin-1').read().splitlines()
            self.assertEqual(sorted(line.split('\t')[0] for line in exported), ['AAPL', 'IBM', 'KO'])
            old = run.query('select stock_rowid from quote limit 1')[0][0]
            run.query("insert into quote (stock_rowid, create_date, quote_status, price) "
                      "values (?, date('now', '-30 day'), 0, 1.0)", old)
            self.assertEqual(run.query('select count(*) from quote'), [(4,)])

            run.options = options + [('KeepQuotes', 0)]
            run.extra = files % 'second.txt'
            run.write_ini(run.hosts)
            run.start()
            self.assertEqual(run.wait_exit(90), 0)
            self.assertTrue(os.path.exists(os.path.join(run.dir, 'second.txt')))
            self.assertEqual(beside_database(run), [])
            self.assertEqual(run.query("select count(*) from quote where create_date < date('now', '-7 day')"),
                             [(0,)])
            self.assertEqual(run.query('select count(*) from quote where ' + TODAY), [(3,)])


class Chaos(unittest.TestCase):
    """Both roads against a stand-in that draws a fault for every quote request from a fixed seed (stalls,
    resets, error pages, cut and chunked bodies, cuts no length tells, garbage, 5 and 20 MB, a header or
    a body a byte at a time): every quote stored is one the stand-in served whole for that listing, no
    request holds the cycle past its Timeout, the program exits 0 and its database is sound."""
    SECONDS = 30
    LIMIT = 16 * 1024 * 1024

    @staticmethod
    def whole(entry, raw):
        """Whether a reply reached the program whole: only these faults let it (the raw road cannot
        decode the chunked coding and wants a status line). A cut never does, told or not."""
        f = entry['fault']
        if entry['status'] != 200 or set(f) - {'delay', 'chunks', 'gap', 'size', 'chunked', 'nolength', 'nohead'}:
            return False
        return f.get('gap', 0) < 1 and f.get('size', 0) <= Chaos.LIMIT and not (
            raw and (f.get('chunked') or f.get('nohead')))

    def test_run(self):
        # every listing the stand-in knows, US and Canadian (the market is the third number)
        stocks = [(s, '0,0,0,0,0') for s in ('IBM', 'MSFT', 'AAPL', 'GE', 'KO', 'XOM', 'F', 'JNJ', 'PG', 'WMT',
                                             'INTC', 'CSCO', 'DIS', 'BA', 'CAT', 'BCE', 'XY', 'XYZ')]
        stocks += [(s, '0,0,%d,0,0' % m) for s, m in (('RY', 1), ('TD', 1), ('ENB', 1), ('GIB', 2), ('ABC', 3),
                                                      ('NGT', 3), ('CNQ', 5), ('GWO', 6))]
        for use_wininet in (1, 0):
            options = [('Source', 3), ('Delay', 1), ('Timeout', 2), ('AutoVersion', 0), ('UseWinInet', use_wininet)]
            with ProgramRun(TOOLS, 'chaos%d' % use_wininet, options, stocks, standin_args=('--chaos', '36')) as run:
                t0 = time.time()
                run.start('-d')
                time.sleep(self.SECONDS)
                ended = time.time()
                run.probe('command', str(IDM_EXIT))
                self.assertEqual(run.wait_exit(60), 0)
                took = time.time() - t0
                self.assertEqual(run.query('pragma integrity_check'), [('ok',)])
                entries = run.requests(CSV)
                served = {}
                for e in entries:
                    if self.whole(e, not use_wininet):
                        for q in e['served']:
                            served.setdefault(q['asked'], []).append((q['price'], q['change'], q['volume']))
                rows = run.query('select stock.symbol, quote.price, quote.change, quote.volume from stock join '
                                 'quote on quote.stock_rowid = stock.rowid where ' + TODAY)
                for symbol, price, change, volume in rows:
                    self.assertTrue(any(abs(price - p) < 1e-6 and abs(change - c) < 1e-6 and volume == v
                                        for p, c, v in served.get(symbol, [])),
                                    '%s stored %s %s %s, served whole %s, asked with faults %s' % (
                                        symbol, price, change, volume, served.get(symbol),
                                        [(e['fault'], e['status']) for e in entries
                                         if any(q['asked'] == symbol for q in e['served'])]))
                # No request holds the cycle past its Timeout (2 s), whatever its bytes do: the next one
                # starts within it, the pause of Delay (1 s) and a tick or two.
                starts = sorted(e['time'] for e in entries) + [ended]
                longest = max(b - a for a, b in zip(starts, starts[1:]))
                faults = sum(1 for e in entries if e['fault'])
                untold = sum(1 for e in entries if 'cut' in e['fault'] and  # cut where no length tells
                             {'nolength', 'nohead', 'chunked'} & set(e['fault']))
                print('chaos %s road: %d requests, %d faults drawn (%d cuts no length told), %d rows compared, '
                      'longest wait for a request %.1f s, %.0f s' % ('WinINet' if use_wininet else 'raw', len(entries),
                                                                     faults, untold, len(rows), longest, took))
                self.assertLess(longest, 7.0)
                self.assertGreaterEqual(faults, 3)  # the seed draws three in its first five
                self.assertGreaterEqual(len(rows), 9)
                logs = [os.path.join(run.dir, 'TarnWick.' + x) for x in ('log', '1', '2')]
                self.assertLess(sum(os.path.getsize(f) for f in logs if os.path.exists(f)), 2 << 20)


class HeldFile(unittest.TestCase):
    """Another program holding the database while the program runs and exits: a reader costs no
    quote; a writer held across the automatic quit makes it log the quotes it could not save and end
    with exit code 1; across the interactive exit it asks, and Retry saves them once the file is free."""

    def hold(self, run, begin):
        """A connection of another program inside a transaction: "begin" reads, "begin immediate" writes."""
        db = sqlite3.connect(run.db, isolation_level=None)
        self.addCleanup(db.close)
        db.execute(begin)
        db.execute('select count(*) from quote').fetchall()
        return db

    def test_run(self):
        options = [('Source', 3), ('Delay', 0), ('AutoVersion', 0)]
        stocks = [('IBM', '0,0,0,0,0'), ('AAPL', '0,0,0,0,0'), ('KO', '0,0,0,0,0')]
        automatic = '[Files]\nAutoExport=1\nAutoQuit=1\nAutoFile=auto.txt\n'
        with ProgramRun(TOOLS, 'held', options, stocks, extra=automatic) as run:
            run.start()
            self.assertEqual(run.wait_exit(90), 0)
            for begin, code, saved in (('begin', 0, 3), ('begin immediate', 1, 0)):
                run.query('delete from quote')
                other = self.hold(run, begin)
                run.start('-d')
                self.assertEqual(run.wait_exit(90), code, begin)
                other.execute('commit')
                other.close()
                self.assertEqual(run.query('select count(*) from quote where ' + TODAY), [(saved,)], begin)
                self.assertEqual('3 quotes could not be saved' in run.log_text(), code == 1, run.log_text())
            self.assertEqual(beside_database(run), [])

            run.extra = ''
            run.write_ini(run.hosts)
            run.query('delete from quote')
            other = self.hold(run, 'begin immediate')
            run.start()
            self.assertEqual(run.wait_filled(3)['rc'], 0)
            run.probe('command', str(IDM_EXIT))
            self.assertIsNone(run.wait_exit(5))  # asking
            other.execute('commit')
            other.close()
            self.assertEqual(run.probe('press', 'Saving Quotes', '4', '60')[0], 0)  # Retry
            self.assertEqual(run.wait_exit(), 0)
            self.assertEqual(beside_database(run), [])
            self.assertEqual(run.query('select count(*) from quote where ' + TODAY), [(3,)])


def main():
    global TOOLS
    if len(sys.argv) != 6:
        sys.exit(__doc__)
    if not os.environ.get('DISPLAY'):
        print('DISPLAY not set: the program needs a screen (run ctest under xvfb-run)')
        return 77
    TOOLS = Tools(*sys.argv[1:5])
    suite = unittest.defaultTestLoader.loadTestsFromTestCase(globals()[sys.argv[5]])
    result = unittest.TextTestRunner(verbosity=2).run(suite)
    return 0 if result.wasSuccessful() else 1


if __name__ == '__main__':
    sys.exit(main())
