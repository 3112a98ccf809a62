#!/usr/bin/env python3
"""Tests of the stand-in over plain sockets: test_standin.py [GROUP] (Requests, Faults, Formats, Process)."""
import csv
import io
import json
import os
import re
import socket
import ssl
import struct
import subprocess
import sys
import time
import unittest
import zlib

TOOLS = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..', 'tools', 'standin')
sys.path.insert(0, TOOLS)
import images  # noqa: E402
import pages  # noqa: E402
import standin  # noqa: E402
from market import Market  # noqa: E402

CLOCK = lambda: 1709827200  # noqa: E731  (2024-03-07 16:00 UTC)


def exchange(port, data, wait=0.0, timeout=5.0, host='127.0.0.1'):
    """Sends `data` at once, waits, reads to the end: (bytes, exception or None, seconds to the end)."""
    s = socket.create_connection((host, port), timeout=timeout)
    t0 = time.monotonic()
    out, err = b'', None
    try:
        s.sendall(data)
        time.sleep(wait)
        while True:
            got = s.recv(65536)
            if not got:
                break
            out += got
    except OSError as e:
        err = e
    finally:
        s.close()
    return out, err, time.monotonic() - t0


def body_of(reply):
    head, _, body = reply.partition(b'\r\n\r\n')
    return head.split(b'\r\n')[0], body


class Server(unittest.TestCase):
    mode = 'live'

    @classmethod
    def setUpClass(cls):
        cls.srv = standin.StandIn(cls.mode, tls=False, clock=CLOCK, duration=120).start()
        cls.port = cls.srv.port

    @classmethod
    def tearDownClass(cls):
        cls.srv.stop()

    def entry(self, raw):
        """The log entry of the request whose bytes begin with `raw`, once its connection is over."""
        for _ in range(50):
            hits = [e for e in self.srv.log.entries() if e['raw'].startswith(raw) and e['end']]
            if hits:
                return hits[-1]
            time.sleep(0.1)
        self.fail('no log entry for %r' % raw)


class Requests(Server):
    def test_request_line_forms(self):
        p = self.port
        cases = [  # request bytes, path seen, query seen, version seen
            (b'GET /stocks/detailquote.php?ticker=IBM  HTTP/1.0\r\n\r\n',
             '/stocks/detailquote.php', 'ticker=IBM', 'HTTP/1.0'),
            (b'GET http://127.0.0.1:%d/d/quotes.csv?s=abc+indu+IBM&f=sl1 HTTP/1.0\r\n\r\n' % p,
             '/d/quotes.csv', 's=abc+indu+IBM&f=sl1', 'HTTP/1.0'),
            (b'GET\t/q?s=IBM+BCE&d=t&o=t \t HTTP/1.1\r\nHost: x\r\n\r\n', '/q', 's=IBM+BCE&d=t&o=t', 'HTTP/1.1'),
            (b'GET /cgi-bin/qso?tick=IBM\r\n', '/cgi-bin/qso', 'tick=IBM', None),
        ]
        for i, (req, path, query, version) in enumerate(cases):
            reply, err, _ = exchange(p, req)
            self.assertIsNone(err)
            e = self.entry(req)
            self.assertEqual((e['path'], e['query'], e['version'], e['raw']), (path, query, version, req))
            if version:
                self.assertTrue(reply.startswith(b'HTTP/1.0 200 OK\r\n'), reply[:40])
            else:
                self.assertTrue(reply.startswith(b'<html><body><pre>\r\nSymbol        : IBM\r\n'), reply[:60])
        # "+" joins symbols, an old index name answers as the index
        reply, _, _ = exchange(p, cases[1][0])
        rows = list(csv.reader(io.StringIO(body_of(reply)[1].decode())))
        self.assertEqual([r[0] for r in rows], ['ABC', '^DJI', 'IBM'])
        self.assertEqual(rows[0][1], '0.00')

    def test_quote_page_is_no_csv_and_the_log_keeps_what_was_served(self):
        reply, _, _ = exchange(self.port, b'GET /quotes/IBM+BCE.TO/view/dv HTTP/1.0\r\n\r\n')
        line, body = body_of(reply)
        self.assertEqual(line, b'HTTP/1.0 200 OK')
        self.assertIn(b'Content-Type: text/html', reply)
        self.assertTrue(body.startswith(b'<html>') and b'BCE Inc.' in body, body[:80])
        self.assertNotIn(b'"IBM",', body)
        req = b'GET /d/quotes.csv?s=IBM+bce.to+^GSPC&f=sl1c1vn HTTP/1.0\r\n\r\n'
        rows = list(csv.reader(io.StringIO(body_of(exchange(self.port, req)[0])[1].decode())))
        served = self.entry(req)['served']  # the index is not quoted, so not served
        self.assertEqual([(q['asked'], q['symbol']) for q in served], [('IBM', 'IBM'), ('BCE.TO', 'BCE.TO')])
        self.assertEqual([[r[0], float(r[1]), float(r[2]), int(r[3]), r[4]] for r in rows[:2]],
                         [[q['asked'], q['price'], q['change'], q['volume'], q['name']] for q in served])

    def test_query_text(self):
        self.assertEqual(standin.parse_query('s=IBM+BCE.TO&f=sl1&s=x'), {'s': 'IBM+BCE.TO', 'f': 'sl1'})
        self.assertEqual(standin.parse_query('symbols=%5EDJI,^gspc&x'), {'symbols': '^DJI,^gspc', 'x': ''})
        self.assertEqual(standin.split_target('HTTP://h:1?x=1'), ('/', 'x=1'))
        self.assertEqual(standin.split_request_line(b'GET http://h/images/tw000.png'),
                         ('GET', 'http://h/images/tw000.png', None))

    def test_version_less_line_answered_at_once(self):
        # the raw banner request: its version sits on the Accept line, so the first line has none; it is
        # answered without a blank line and without a half-close from here
        out, err, _ = exchange(self.port, b'GET http://127.0.0.1:%d/images/tw000.png\r\n'
                               b'Accept: image/png; image/mng; */* HTTP/1.0\r\n' % self.port)
        self.assertIsNone(err)
        self.assertEqual(images.read_chunks(out, images.PNG_SIGNATURE)[0][0], b'IHDR')

    def test_unread_request_bytes_do_not_reset(self):
        # The UK request's header lines come after its blank line. Closing with them unread resets the
        # connection, and the client loses the answer it has not read yet.
        head = b'GET /q?s=IBM&d=t&o=t HTTP/1.0\r\n\r\n'
        tail = (b'Connection: Keep-Alive\r\nUser-Agent: Mozilla/3.0 (WinNT; I)\r\nHost: 127.0.0.1\r\n'
                b'Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*\r\n')
        self.srv.set_fault('/q', 'big')
        try:
            s = socket.create_connection(('127.0.0.1', self.port), timeout=5)
            s.sendall(head)
            reply = s.recv(100)
            s.sendall(tail)
            time.sleep(0.3)
            while True:
                got = s.recv(65536)
                if not got:
                    break
                reply += got
            s.close()
        finally:
            self.srv.set_fault('/q')
        line, body = body_of(reply)
        self.assertEqual((line, len(body)), (b'HTTP/1.0 200 OK', 200 * 1024))
        self.assertEqual(self.entry(head)['raw'], head + tail)

    def test_log_file(self):
        path = os.path.join(os.environ.get('TMPDIR', '/tmp'), 'standin_log_%d.jsonl' % os.getpid())
        try:
            with standin.StandIn('fixture', tls=False, log_path=path) as srv:
                srv.set_reply('/x', b'fixed\n')
                req = b'GET /x?\xff HTTP/1.0\r\n\r\n'
                exchange(srv.port, req)
                exchange(srv.port, b'GET /y HTTP/1.0\r\n\r\n')
                srv.set_reply('/s', b'', fault='stall=30')
                with socket.create_connection(('127.0.0.1', srv.port)) as s:  # in the file while still open
                    s.sendall(b'GET /s HTTP/1.0\r\n\r\n')
                    srv.log.wait(3)
                    self.assertEqual([(e['path'], e['end']) for e in standin.read_log(path)][2], ('/s', None))
                while not all(e['end'] for e in srv.log.entries()):
                    time.sleep(0.05)
            log = sorted(standin.read_log(path), key=lambda e: e["conn"])
            self.assertEqual([(e['raw'], e['status']) for e in log][0], (req, 200))
            self.assertEqual(log[1]['status'], 404)
            self.assertTrue(log[0]['time'] <= log[0]['end'] and log[1]['conn'] == log[0]['conn'] + 1)
        finally:
            os.remove(path)


class Faults(Server):
    mode = 'fixture'
    REQ = b'GET /f HTTP/1.0\r\n\r\n'

    def fault(self, text, body=b'0123456789' * 10):
        self.srv.set_reply('/f', body, fault=text)
        return exchange(self.port, self.REQ, timeout=3)

    def test_timing(self):
        reply, err, took = self.fault('delay=0.5')
        self.assertTrue(reply.endswith(b'0123456789') and took >= 0.5, took)
        s = socket.create_connection(('127.0.0.1', self.port), timeout=0.5)
        self.srv.set_reply('/f', b'x', fault='stall=3')
        s.sendall(self.REQ)
        self.assertRaises(socket.timeout, s.recv, 10)  # the client's time-out comes first
        s.close()
        self.srv.set_reply('/f', b'abcdefghijkl', fault='chunks=3,gap=0.3')
        s = socket.create_connection(('127.0.0.1', self.port), timeout=3)
        s.sendall(self.REQ)
        pieces, t0 = [], time.monotonic()
        while True:
            got = s.recv(65536)
            if not got:
                break
            pieces.append((round(time.monotonic() - t0, 1), got))
        s.close()
        self.assertEqual(len(pieces), 3, pieces)
        self.assertGreaterEqual(pieces[-1][0], 0.5)
        self.assertTrue(b''.join(p for _, p in pieces).endswith(b'\r\n\r\nabcdefghijkl'))

    def test_bodies(self):
        for text, length in (('big', 200 * 1024), ('exact8191', 8191), ('empty', 0), ('size=50', 50)):
            reply, err, _ = self.fault(text)
            line, body = body_of(reply)
            self.assertEqual((line, len(body)), (b'HTTP/1.0 200 OK', length), text)
            self.assertIn(b'Content-Length: %d\r\n' % length, reply)
        reply = self.fault('cut=30')[0]
        self.assertIn(b'Content-Length: 100\r\n', reply)
        self.assertEqual(body_of(reply)[1], b'0123456789' * 3)
        line, body = body_of(self.fault('404')[0])
        self.assertEqual(line, b'HTTP/1.0 404 Not Found')
        reply = self.fault('chunked', b'x' * 300)[0]
        self.assertIn(b'\r\nTransfer-Encoding: chunked\r\n', reply)
        self.assertNotIn(b'Content-Length', reply)
        self.assertEqual(body_of(reply)[1], b'100\r\n' + b'x' * 256 + b'\r\n2c\r\n' + b'x' * 44 + b'\r\n0\r\n\r\n')
        line, body = body_of(self.fault('flood=0.02')[0])
        self.assertTrue(line == b'HTTP/1.0 200 OK' and len(body) > 65536 and body.startswith(b'0123456789'))
        reply = self.fault('garbage')[0]
        self.assertTrue(len(reply) == 600 and not reply.startswith(b'HTTP/'))
        self.assertEqual(body_of(exchange(self.port, b'GET /none HTTP/1.0\r\n\r\n')[0])[0],
                         b'HTTP/1.0 404 Not Found')  # fixture mode: nothing else is served

    def test_closing(self):
        reply, err, _ = self.fault('close')
        self.assertEqual((reply, err), (b'', None))
        reply, err, _ = self.fault('reset')
        self.assertEqual(reply, b'')
        self.assertIsInstance(err, ConnectionResetError)
        reply, err, _ = self.fault('cut=20,reset')
        self.assertEqual(body_of(reply)[1], b'0123456789' * 2)
        self.assertIsInstance(err, ConnectionResetError)
        # answered either way; only the normal close reads what the client sends after the answer
        for text, drained in ((None, True), ('abrupt', False)):
            self.srv.set_reply('/f', b'body', fault=text)
            req = b'GET /f?%s HTTP/1.0\r\n\r\n' % str(text).encode()
            s = socket.create_connection(('127.0.0.1', self.port), timeout=3)
            s.sendall(req)
            reply = b''
            while not reply.endswith(b'body'):
                reply += s.recv(100)
            time.sleep(0.2)
            try:
                s.sendall(b'late bytes')
                s.shutdown(socket.SHUT_WR)
            except OSError:
                pass
            s.close()
            self.assertEqual(self.entry(req)['raw'].endswith(b'late bytes'), drained, text)

    def test_fault_words(self):
        self.assertEqual(standin.parse_fault('delay=2, chunks=3,gap=9999,404'),
                         {'delay': 2.0, 'chunks': 3, 'gap': standin.MAX_WAIT, 'status': 404})
        self.assertRaises(ValueError, standin.parse_fault, 'slow')
        for _, text in standin.CHAOS_FAULTS:
            standin.parse_fault(text)
        self.assertEqual(standin.fit(b'abc', 2), b'ab')
        self.assertEqual(len(standin.fit(b'abc', 1000)), 1000)


class Formats(unittest.TestCase):
    def setUp(self):
        self.m = Market(7, CLOCK)

    def test_csv(self):
        text = pages.csv_reply(self.m, ['IBM', 'bce.to', 'NOPE'], pages.CSV_LETTERS).decode()
        self.assertTrue(text.endswith('\r\n') and text.count('\r\n') == 3)
        rows = list(csv.reader(io.StringIO(text)))
        self.assertEqual([len(r) for r in rows], [17, 17, 17])
        ibm = rows[0]
        lt = time.localtime(CLOCK())
        self.assertEqual(ibm[0:3], ['IBM', '%d/%d/%d' % (lt.tm_mon, lt.tm_mday, lt.tm_year),
                                    '%d:00%s' % (lt.tm_hour % 12 or 12, 'pm' if lt.tm_hour >= 12 else 'am')])
        self.assertEqual((rows[1][0], rows[2][0], rows[2][3], rows[2][16]), ('BCE.TO', 'NOPE', '0.00', 'NOPE'))
        # the CSV service quotes no index, under its own symbol or an old name
        for line in csv.reader(io.StringIO(pages.csv_reply(self.m, ['^GSPC', 'indu']).decode())):
            self.assertEqual((line[0], line[3], set(line[4:16])), (line[16], '0.00', {'N/A'}))
            self.assertIn(line[0], ('^GSPC', '^DJI'))
        self.assertRegex(','.join(ibm[3:8]), r'^\d+\.\d\d,\d+\.\d\d,\d+\.\d\d,\d+\.\d\d,\d+$')
        self.assertRegex(ibm[12], r'^[+-]\d+\.\d\d$')
        self.assertEqual(ibm[16], 'International Business Machines')
        # synthetic stocks of large portfolios are quoted too
        syn = next(csv.reader(io.StringIO(pages.csv_reply(self.m, ['SYN7'], pages.CSV_LETTERS).decode())))
        self.assertEqual((syn[0], syn[16]), ('SYN7', 'Synthetic Holdings 7'))
        self.assertEqual(pages.csv_letters('sd1t1l1c1n'), ['s', 'd1', 't1', 'l1', 'c1', 'n'])

    def test_json(self):
        raw = pages.json_reply(self.m, ['^gspc', 'NOPE', '^DJI'])
        doc = json.loads(raw)['quoteResponse']['result']
        self.assertEqual([e['symbol'] for e in doc], ['^GSPC', '^DJI'])
        # the reader takes prices only when written with a fraction, volumes only as 32-bit integers
        self.assertEqual(len(re.findall(rb'"regularMarketPrice":-?\d+\.\d+[,}]', raw)), 2)
        for e in doc:
            self.assertTrue(0 <= e['regularMarketVolume'] < 2 ** 31)
            self.assertEqual(e['regularMarketTime'], CLOCK())
        self.assertEqual(json.loads(pages.json_reply(self.m, []))['quoteResponse']['result'], [])
        # a whole price is written without a fraction, as a script writes it; a name may hold '"'
        raw = pages.json_reply(self.m, ['^DJT'])
        self.assertRegex(raw, rb'"regularMarketPrice":\d+,')
        self.assertIn('"', json.loads(raw)['quoteResponse']['result'][0]['shortName'])

    def test_detail_page(self):
        labels = ['<div class="quote1">Last:<br>', '<td valign=top colspan=6><div class="headline">',
                  '>Change:<br>', '>High:<br>', '>Low:<br>', '>Volume:<br>'] + [
            '\t%s</td>' % c for c in ('Open', 'Previous Close', 'Time of Last Sale', '52 Week High',
                                      '52 Week Low', 'P/E Ratio', 'Ex-Dividend Date', 'Dividend Amount', 'Yield')]
        page = pages.detail_page(self.m, 'BCE.ca').decode()
        at = [page.find(lb) for lb in labels]
        self.assertTrue(all(a >= 0 for a in at) and at == sorted(at), at)
        for lb in labels:
            value = page[page.find(lb) + len(lb):][:100]
            self.assertIn('</td>', value, lb)
        self.assertIn('BCE Inc.</div>', page)
        self.assertIn('(NYSE listing)', pages.detail_page(self.m, 'BCE').decode())
        self.assertIn('Johnson &amp; Johnson', pages.detail_page(self.m, 'jnj').decode())
        missing = pages.detail_page(self.m, 'NOPE').decode()
        self.assertTrue('Last:<br>' not in missing and missing.rstrip().endswith('</html>'))

    def test_text_page(self):
        page = pages.text_page(self.m, 'T.BCE').decode()
        for label in ('Symbol        : T.BCE\r\n', 'Description   : BCE INC.\r\n', 'Last Traded at: ',
                      '$ Change      : ', 'Date/Time   : Mar 0', 'Volume        : ', 'Day High    : ',
                      'Day Low       : ', '52 Week High: ', '52 Week Low   : ',
                      'This information was last updated on  3/'):
            self.assertIn(label, page)
        self.assertTrue(page.endswith('</html>\r\n'))
        fund = pages.text_page(self.m, 'GRWFX').decode()
        self.assertTrue('Net Asset Val : ' in fund and 'Last Traded at' not in fund)
        self.assertNotIn('Symbol        : ', pages.text_page(self.m, 'V.NOPE').decode())

    def test_uk_page(self):
        # the reader's view: line ends in runs, a block from "<table width=100%>" to "<a href=", a header
        # "<b>" line with ":SYMBOL", and the data line two lines after it
        lines = re.split(r'[\r\n]+', pages.uk_page(self.m, ['IBM', 'xyz', 'NOPE']).decode())
        headers = [i for i, ln in enumerate(lines) if ln.startswith('<b>')]
        self.assertEqual([lines[i][lines[i].index(':'):] for i in headers], [':IBM)', ':XYZ)'])
        for i in headers:
            self.assertTrue(lines[i - 1].startswith('<table width=100%>'))
            self.assertRegex(lines[i + 2], r'^\d+:\d\d <b><img [^>]*>\d+\.\d\d&nbsp;</b> <font color=\w+>'
                                           r'[+-]\d+\.\d\d [+-]\d+\.\d\d%</font> \d+\.\d\d [\d,]+$')
            self.assertTrue(lines[i + 4].startswith('<a href='))

    def test_version_text(self):
        text = pages.version_text('http://127.0.0.1:9', '1.87.000', pages.banner_names(3)).decode()
        sections = re.split(r'^\[(\w+)\]\n', text, flags=re.M)
        found = dict(zip(sections[1::2], sections[2::2]))
        self.assertEqual(found['VERSION'], '1.87.000\n')
        self.assertTrue(found['MESSAGE'].strip())
        banner = [ln.split(';') for ln in found['BANNER'].splitlines()]
        self.assertEqual([b[0] for b in banner], ['tw000.png', 'tw001.mng', 'tw002.png'])
        self.assertTrue(all(len(b) == 5 and re.fullmatch(r'\d+/\d+/\d+ \d+:\d+', b[1]) for b in banner))

    def test_images(self):
        png = images.read_chunks(images.banner_png(2, 30, 10), images.PNG_SIGNATURE)
        self.assertEqual([k for k, _ in png], [b'IHDR', b'IDAT', b'IEND'])
        self.assertEqual(struct.unpack('>IIBB', png[0][1][:10]), (30, 10, 8, 2))
        self.assertEqual(len(zlib.decompress(png[1][1])), 10 * (1 + 3 * 30))
        mng = images.read_chunks(images.banner_mng(1, frames=3), images.MNG_SIGNATURE)
        kinds = [k for k, _ in mng]
        self.assertEqual((kinds[:3], kinds[-1], kinds.count(b'IHDR')), ([b'MHDR', b'TERM', b'FRAM'], b'MEND', 3))
        broken = bytearray(images.banner_png(0, 4, 4))
        broken[20] ^= 1
        self.assertRaises(ValueError, images.read_chunks, bytes(broken), images.PNG_SIGNATURE)

    def test_walk_is_deterministic(self):
        a, b, c = Market(3, CLOCK), Market(3, CLOCK), Market(4, CLOCK)
        walk = lambda m: [m.quote(s).price for s in ('IBM', '^DJI', 'IBM', 'ABC.V')]  # noqa: E731
        self.assertEqual(walk(a), walk(b))
        self.assertNotEqual(walk(a), walk(c))
        self.assertEqual((a.lookup('indu'), a.lookup_prefixed('v.abc'), a.lookup_plain('BCE', True)),
                         ('^DJI', 'ABC.V', 'BCE.TO'))
        # synthetic stocks for large portfolios: any SYN number, the same walk for the same seed
        self.assertEqual((a.lookup('syn42'), a.lookup('SYN123456'), a.lookup('SYNX')), ('SYN42', None, None))
        qa, qb = a.quote('SYN42'), b.quote('SYN42')
        self.assertEqual((qa.name, qa.price, a.kind('syn42')), ('Synthetic Holdings 42', qb.price, 'stock'))


class Process(unittest.TestCase):
    def test_command_line(self):
        tmp = os.environ.get('TMPDIR', '/tmp')
        pf = os.path.join(tmp, 'standin_ports_%d.json' % os.getpid())
        proc = subprocess.Popen([sys.executable, os.path.join(TOOLS, 'standin.py'), '--live', '--port-file', pf,
                                 '--fault', '/q=404', '--duration', '30'], stdout=subprocess.PIPE)
        try:
            info = standin.read_port_file(pf, proc)
            self.assertEqual(info['pid'], proc.pid)
            line, _ = body_of(exchange(info['port'], b'GET /q?s=IBM HTTP/1.0\r\n\r\n')[0])
            self.assertEqual(line, b'HTTP/1.0 404 Not Found')
            ctx = ssl.create_default_context(cafile=os.path.join(os.path.dirname(info['cert']), 'cert.pem'))
            with socket.create_connection(('127.0.0.1', info['tls_port']), timeout=5) as raw:
                with ctx.wrap_socket(raw, server_hostname='localhost') as s:
                    s.sendall(b'GET /v7/finance/quote?symbols=^DJI HTTP/1.0\r\n\r\n')
                    self.assertIn(b'"symbol":"^DJI"', s.recv(65536) + s.recv(65536))
            with socket.create_connection(('127.0.0.1', info['tls_port']), timeout=5) as raw:
                with self.assertRaises(ssl.SSLCertVerificationError):  # the name is "localhost" only
                    ctx.wrap_socket(raw, server_hostname='127.0.0.1')
        finally:
            proc.terminate()
            out, _ = proc.communicate(timeout=10)
            if os.path.exists(pf):
                os.remove(pf)
        self.assertEqual(proc.returncode, 0)
        self.assertIn(b'YahooJson=localhost:%d\n' % info['tls_port'], out)
        self.assertFalse(os.path.exists(info['cert']))  # a temporary certificate goes with the server


if __name__ == '__main__':
    unittest.main(argv=sys.argv[:1] + sys.argv[1:], verbosity=2)
