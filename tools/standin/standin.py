#!/usr/bin/env python3
"""standin.py - a loopback stand-in for every quote service and for the maker's web site.

    python3 tools/standin/standin.py --live [OPTIONS]            quotes from a deterministic random walk
    python3 tools/standin/standin.py --fixtures FILE [OPTIONS]   only the replies FILE gives (tests)

It listens on 127.0.0.1 only: one http port for every source (dispatching by path) and one https port
for the JSON host, with a certificate made for this run (DNS:localhost; address it as "localhost").

Options:
  --port N           http port; 0 (the default) lets the system choose a free one
  --tls-port N       https port, default 0 likewise; --no-tls: none
  --port-file F      once bound, write {"port", "tls_port", "cert", "pid"} as JSON to F
  --log F            request log: one JSON object a line per connection (time, connection number,
                     port kind, raw request bytes as latin-1 text, path, query, status, fault, and
                     the quotes served: asked, symbol, name, price, change, volume), written once the
                     request is read ("end" null) and again when the connection is over; the last
                     line of a connection number counts
  --cert-dir D       keep the certificate (cert.pem, key.pem, cert.der) in D; default: a temporary
                     folder removed at exit. Windows clients trust it once cert.der is in the Root store.
  --seed N           seed of the random walk (default 1)
  --fault PATH=SWITCHES  fault switch for one path, repeatable. SWITCHES is a comma list of
                       delay=S     wait S seconds before answering
                       stall=S     answer nothing for S seconds (or until the client gives up), then close
                       chunks=N    send the answer in N pieces, gap=S seconds apart (default 0.2)
                       big         a body of 200 KB (the reply, padded with filler lines)
                       exact8191   a body of exactly 8191 bytes; size=N: exactly N bytes
                       empty       an empty body
                       404         a 404 page instead of the reply; status=N likewise
                       cut=N       announce the whole body in Content-Length, send only its first N bytes
                                   (with nolength, nohead or chunked: the first N bytes after the head)
                       nolength    no Content-Length: the body ends at the close
                       nohead      the body alone, without status line and header
                       close       close without answering
                       reset       reset the connection without answering; with cut=N: after
                                   the header and the first N bytes of the body
                       abrupt      answer, then close at once without reading what is left
                       chunked     an HTTP/1.1 answer in the chunked transfer coding (no length)
                       garbage     bytes without any status line or header instead of the answer
                       flood=S     no Content-Length; after the body, filler lines at full speed for
                                   S seconds (or until the client gives up)
                       trickle=S   the header at once, then the body a byte every S seconds
  --chaos SEED       draw a fault for every quote request (the paths of CHAOS_PATHS) from a fixed
                     list, with its own random sequence of seed SEED; the log names the fault drawn
  --version-word W   the version the version text announces (default 1.86.000, the program's own)
  --banners N        banner lines in the version text (default 3)
  --duration S       stop after S seconds (default 3600)

It prints the ports and a [Hosts] section for the program's settings file. The fixtures file is JSON,
{"/path" or "/path?query": {"body": text | "body_b64": base64, "status": 200, "type": "text/plain",
"fault": SWITCHES}}, read again whenever it changes. Paths served in live mode:
  /d/quotes.csv?s=A+B&f=LETTERS        Yahoo CSV, one line per symbol, fields by the field letters
  /quotes/A+B/view/dv                  the Yahoo quote page a browser shows (HTML, not CSV)
  /v7/finance/quote?...&symbols=A,B    Yahoo JSON, over http and https
  /stocks/detailquote.php?ticker=S     HTML detail page (S.ca: the Canadian listing)
  /cgi-bin/qso?tick=S                  text page (S with a market prefix such as T.)
  /q?s=A+B&d=t&o=t                     UK list page
  /pages/tarnwick_version_text.html    version text with the banner schedule
  /images/twNNN.png, /images/twNNN.mng banner images
  /markets/us_markets.html             market overview
A request line may carry an absolute URI (through a proxy) and runs of blanks; a line without an
HTTP version is answered at once with the body alone."""
import argparse
import base64
import json
import os
import random
import re
import select
import shutil
import signal
import socket
import ssl
import struct
import subprocess
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import images  # noqa: E402
import pages  # noqa: E402
from market import Market  # noqa: E402

LOOPBACK = '127.0.0.1'
VERSION = '1.86.000'
MAX_HEAD = 65536          # request bytes read before answering
READ_TIMEOUT = 10.0       # per receive while reading a request, per slice while sending
SEND_SLICE = 65536        # bytes sent under one time-out: a client that reads slowly still gets all
DRAIN_LIMIT = 1 << 20     # bytes read after answering, before closing
DRAIN_TIMEOUT = 2.0
MAX_WAIT = 600.0          # longest delay or stall
MAX_CONNECTIONS = 64
BIG = 200 * 1024
CHUNK = 256               # data bytes per chunk of the chunked coding

# The quote paths --chaos draws faults for, and the faults with their weights. "whole" faults still
# deliver the reply whole (on a road that decodes what it is sent).
CHAOS_PATHS = ('/d/quotes.csv', '/q', '/stocks/detailquote.php', '/cgi-bin/qso', '/v7/finance/quote')
CHAOS_FAULTS = (
    (8, ''), (2, 'delay=0.3'), (2, 'chunks=3,gap=0.1'), (1, 'stall=60'), (1, 'chunks=2,gap=60'),
    (1, 'reset'), (1, 'cut=40,reset'), (1, '404'), (1, 'status=500'), (1, 'cut=60'), (2, 'chunked'),
    (1, 'garbage'), (1, 'size=5000000'), (1, 'size=20000000'), (1, 'chunks=100000,gap=1'),
    (1, 'trickle=0.5'),
    # cuts where nothing tells the length (no Content-Length, a chunked body before its last chunk, no
    # status line at all), each inside the reply's first record: nothing of such a reply is whole
    (1, 'nolength,cut=60'), (1, 'chunked,cut=100'), (1, 'nohead,cut=60'),
)

STATUS_TEXT = {200: 'OK', 301: 'Moved Permanently', 302: 'Found', 400: 'Bad Request', 403: 'Forbidden',
               404: 'Not Found', 500: 'Internal Server Error', 503: 'Service Unavailable'}
NOT_FOUND = b'<html><head><title>404 Not Found</title></head><body><h1>Not Found</h1></body></html>\n'


# ---- requests ---------------------------------------------------------------------------------------
def split_request_line(line):
    """(method, target, version or None) of a request line; fields are split at runs of blanks."""
    if isinstance(line, bytes):
        line = line.decode('latin-1')
    parts = re.split(r'[ \t]+', line.strip(' \t\r\n'))
    method = parts[0] if parts else ''
    target = parts[1] if len(parts) > 1 else ''
    version = parts[-1] if len(parts) > 2 and parts[-1].upper().startswith('HTTP/') else None
    return method, target, version


def split_target(target):
    """(path, query) of an origin-form or absolute target ("http://host:port/path?query")."""
    m = re.match(r'(?i)https?://[^/?#]*', target)
    if m:
        target = target[m.end():]
    target = target.split('#', 1)[0]
    path, _, query = target.partition('?')
    return path or '/', query


def unquote(text):
    """%XX escapes decoded; "+" stays a "+" (it joins symbols, it is no blank here)."""
    return re.sub(r'%([0-9A-Fa-f]{2})', lambda m: chr(int(m.group(1), 16)), text)


def parse_query(query):
    """{name: value} of "a=1&b=2"; the first occurrence of a name counts."""
    out = {}
    for item in query.split('&'):
        if item:
            k, _, v = item.partition('=')
            out.setdefault(unquote(k), unquote(v))
    return out


def parse_fault(text):
    """Fault switches of a text ("delay=2,chunks=3", "404", ...) as a dict; ValueError if unknown."""
    words = {'big': ('size', BIG), 'exact8191': ('size', 8191), 'empty': ('size', 0),
             '404': ('status', 404), 'close': ('close', True), 'reset': ('reset', True),
             'abrupt': ('abrupt', True), 'chunked': ('chunked', True), 'garbage': ('garbage', True),
             'nolength': ('nolength', True), 'nohead': ('nohead', True)}
    numbers = {'delay': float, 'stall': float, 'gap': float, 'chunks': int, 'size': int, 'status': int,
               'cut': int, 'flood': float, 'trickle': float}
    out = {}
    for item in (text or '').split(','):
        item = item.strip()
        if not item:
            continue
        key, eq, value = item.partition('=')
        if not eq and key in words:
            out[words[key][0]] = words[key][1]
        elif eq and key in numbers:
            out[key] = numbers[key](value)
        else:
            raise ValueError('unknown fault switch %r' % item)
    for key in ('delay', 'stall', 'gap', 'flood', 'trickle'):
        if key in out:
            out[key] = min(max(out[key], 0.0), MAX_WAIT)
    return out


def status_head(version, status, ctype, length_line):
    """Status line and header of an answer; length_line tells how its body ends ("" for: at the close)."""
    return ('HTTP/%s %d %s\r\nContent-Type: %s\r\n%sConnection: close\r\n\r\n' % (
        version, status, STATUS_TEXT.get(status, 'Status'), ctype, length_line)).encode()


def chunked(body):
    """body in the chunked transfer coding, CHUNK bytes a chunk."""
    out = b''.join(b'%x\r\n%s\r\n' % (len(body[i:i + CHUNK]), body[i:i + CHUNK])
                   for i in range(0, len(body), CHUNK))
    return out + b'0\r\n\r\n'


def garbage(seed, size=600):
    """Bytes of no format at all, the same for the same seed; never begins like a status line."""
    r = random.Random(seed)
    return b'\x01' + bytes(r.randrange(256) for _ in range(size - 1))


def send_all(sock, data):
    """Sends data whole; the socket's time-out bounds each slice, not the whole (a client that stops
    reading is still given up)."""
    view = memoryview(data)
    for i in range(0, len(view), SEND_SLICE):
        sock.sendall(view[i:i + SEND_SLICE])


def fit(body, size):
    """The body cut or padded with filler lines to exactly `size` bytes."""
    if len(body) >= size:
        return body[:size]
    line = b'#' * 78 + b'\r\n'
    need = size - len(body)
    return body + (line * (need // len(line) + 1))[:need]


# ---- request log ------------------------------------------------------------------------------------
class RequestLog:
    """Every connection: time, connection number, port kind, raw bytes, parsed line, status, fault."""

    def __init__(self, path=None):
        self.path = path
        self.items = []
        self.cond = threading.Condition()
        if path:
            open(path, 'w').close()

    def add(self, entry):
        """Logs an entry, or writes it again once it has changed (the same dict)."""
        with self.cond:
            if not any(e is entry for e in self.items):
                self.items.append(entry)
            if self.path:
                rec = dict(entry, raw=entry['raw'].decode('latin-1'))
                with open(self.path, 'a') as f:
                    f.write(json.dumps(rec) + '\n')
            self.cond.notify_all()

    def entries(self):
        with self.cond:
            return list(self.items)

    def wait(self, count, timeout=10.0):
        """The entries once there are at least `count` (or when the time is up)."""
        end = time.monotonic() + timeout
        with self.cond:
            while len(self.items) < count and time.monotonic() < end:
                self.cond.wait(max(0.0, end - time.monotonic()))
            return list(self.items)


def read_log(path):
    """Entries of a log file, raw as bytes again: the last line of each connection, in the order the
    connections were first logged."""
    entries = {}
    with open(path) as f:
        for e in map(json.loads, f):
            if e:
                entries[e['conn']] = dict(e, raw=e['raw'].encode('latin-1'))
    return list(entries.values())


def read_port_file(path, proc=None, timeout=30.0):
    """What --port-file writes once the ports are bound; waits for the file while `proc` (the stand-in's
    Popen) runs, up to `timeout` seconds."""
    end = time.monotonic() + timeout
    while not os.path.exists(path) and time.monotonic() < end and (proc is None or proc.poll() is None):
        time.sleep(0.1)
    with open(path) as f:
        return json.load(f)


# ---- the certificate of a run -----------------------------------------------------------------------
def make_certificate(folder):
    """A self-signed certificate for DNS:localhost (cert.pem, key.pem, cert.der), made with openssl."""
    def run(*args):
        subprocess.run(['openssl'] + list(args), cwd=folder, check=True, timeout=60,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    run('req', '-x509', '-newkey', 'rsa:2048', '-nodes', '-keyout', 'key.pem', '-out', 'cert.pem',
        '-days', '2', '-subj', '/CN=localhost', '-addext', 'subjectAltName=DNS:localhost',
        '-addext', 'extendedKeyUsage=serverAuth', '-addext', 'basicConstraints=critical,CA:TRUE')
    run('x509', '-in', 'cert.pem', '-outform', 'DER', '-out', 'cert.der')
    return os.path.join(folder, 'cert.der')


# ---- the server -------------------------------------------------------------------------------------
class Fixture:
    def __init__(self, body, status=200, ctype='text/plain', fault=None):
        self.body = body if isinstance(body, bytes) else body.encode('latin-1')
        self.status, self.ctype = status, ctype
        self.fault = parse_fault(fault) if isinstance(fault, str) else dict(fault or {})


class StandIn:
    """The stand-in server. mode 'live' answers every known path from the random walk; mode 'fixture'
    answers only what set_reply (or the fixtures file) gives, 404 otherwise. Fixtures win in both."""

    def __init__(self, mode='live', seed=1, port=0, tls_port=0, tls=True, cert_dir=None, log_path=None,
                 fixtures_path=None, version_word=VERSION, banners=3, clock=None, duration=3600.0, chaos=None):
        self.mode = mode
        self.chaos = None if chaos is None else random.Random(chaos)
        self.market = Market(seed, clock)
        self.want_port, self.want_tls_port, self.use_tls = port, tls_port, tls
        self.cert_dir, self.own_cert_dir = cert_dir, False
        self.log = RequestLog(log_path)
        self.fixtures_path, self.fixtures_mtime, self.file_fixtures = fixtures_path, None, {}
        self.fixtures, self.faults = {}, {}
        self.version_word, self.banners = version_word, pages.banner_names(banners)
        self.duration = duration
        self.lock = threading.Lock()
        self.stopping = threading.Event()
        self.active = 0
        self.conn_seq = 0
        self.threads = []
        self.port = self.tls_port = None
        self.cert = None

    # -- set-up --
    def start(self):
        self.deadline = time.monotonic() + self.duration
        self.listen = self._bind(self.want_port)
        self.port = self.listen.getsockname()[1]
        socks = [(self.listen, None)]
        if self.use_tls:
            if not self.cert_dir:
                self.cert_dir, self.own_cert_dir = tempfile.mkdtemp(prefix='standin.'), True
            os.makedirs(self.cert_dir, exist_ok=True)
            self.cert = make_certificate(self.cert_dir)
            ctx = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
            ctx.load_cert_chain(os.path.join(self.cert_dir, 'cert.pem'), os.path.join(self.cert_dir, 'key.pem'))
            self.tls_listen = self._bind(self.want_tls_port)
            self.tls_port = self.tls_listen.getsockname()[1]
            socks.append((self.tls_listen, ctx))
        for lsock, ctx in socks:
            t = threading.Thread(target=self._accept_loop, args=(lsock, ctx), daemon=True)
            t.start()
            self.threads.append(t)
        return self

    @staticmethod
    def _bind(port):
        s = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        s.bind((LOOPBACK, port))
        s.listen(32)
        return s

    def stop(self):
        self.stopping.set()
        for t in self.threads:
            t.join(timeout=2.0)
        for s in (getattr(self, 'listen', None), getattr(self, 'tls_listen', None)):
            if s:
                s.close()
        if self.own_cert_dir:
            shutil.rmtree(self.cert_dir, ignore_errors=True)

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.stop()

    def site(self):
        """The plain port as links in the pages name it: "http://host:port"."""
        return 'http://%s:%d' % (LOOPBACK, self.port)

    def hosts_section(self):
        """The program's [Hosts] settings for this server."""
        http = '%s:%d' % (LOOPBACK, self.port)
        keys = ['Markets', 'UKList', 'DetailPage', 'TextPage', 'Yahoo']
        lines = ['[Hosts]'] + ['%s=%s' % (k, http) for k in keys]
        if self.tls_port:
            lines.append('YahooJson=localhost:%d' % self.tls_port)
        lines += ['Chart=%s' % http, 'Maker=%s' % http]
        return '\n'.join(lines) + '\n'

    # -- replies --
    def set_reply(self, key, body, status=200, ctype='text/plain', fault=None):
        """A fixed reply for "/path" or "/path?query" (the exact query wins over the path)."""
        with self.lock:
            self.fixtures[key] = Fixture(body, status, ctype, fault)

    def set_fault(self, path, text=None):
        """Fault switches for a path (see parse_fault); no switches clear them."""
        f = parse_fault(text)
        with self.lock:
            if f:
                self.faults[path] = f
            else:
                self.faults.pop(path, None)

    def _load_fixture_file(self):
        try:
            mtime = os.stat(self.fixtures_path).st_mtime_ns
        except OSError:
            return
        if mtime == self.fixtures_mtime:
            return
        with open(self.fixtures_path) as f:
            data = json.load(f)
        loaded = {}
        for key, v in data.items():
            body = base64.b64decode(v['body_b64']) if 'body_b64' in v else v.get('body', '')
            loaded[key] = Fixture(body, v.get('status', 200), v.get('type', 'text/plain'), v.get('fault'))
        self.file_fixtures, self.fixtures_mtime = loaded, mtime

    def _fixture(self, path, query):
        with self.lock:
            if self.fixtures_path:
                self._load_fixture_file()
            for table in (self.fixtures, self.file_fixtures):
                for key in (path + '?' + query, path):
                    if key in table:
                        return table[key]
        return None

    def route(self, path, query):
        """(status, content type, body) of a live reply."""
        q = parse_query(query)
        m = self.market
        split = pages.split_symbols
        if path == '/d/quotes.csv':
            return 200, 'text/csv', pages.csv_reply(m, split(q.get('s')), q.get('f') or pages.CSV_LETTERS)
        hit = re.fullmatch(r'/quotes/([^/]*)/view/dv', path)
        if hit:
            return 200, 'text/html', pages.quote_page(m, split(unquote(hit.group(1))))
        if path == '/v7/finance/quote':
            return 200, 'application/json', pages.json_reply(m, split(q.get('symbols'), ','))
        if path == '/stocks/detailquote.php':
            return 200, 'text/html', pages.detail_page(m, q.get('ticker', ''))
        if path == '/cgi-bin/qso':
            return 200, 'text/html', pages.text_page(m, q.get('tick', ''))
        if path == '/q':
            return 200, 'text/html', pages.uk_page(m, split(q.get('s')))
        if path == '/pages/tarnwick_version_text.html':
            return 200, 'text/plain', pages.version_text(self.site(), self.version_word, self.banners)
        hit = re.fullmatch(r'/images/tw(\d{3})\.(png|mng)', path)
        if hit:
            slot = int(hit.group(1))
            if hit.group(2) == 'png':
                return 200, 'image/png', images.banner_png(slot)
            return 200, 'video/x-mng', images.banner_mng(slot)
        if path == '/markets/us_markets.html':
            return 200, 'text/html', pages.markets_page(m)
        if path == '/':
            return 200, 'text/html', pages.index_page(self.site())
        return 404, 'text/html', NOT_FOUND

    def answer(self, path, query):
        """(status, content type, body, fault switches) for a request."""
        fx = self._fixture(path, query)
        with self.lock:
            fault = dict(self.faults.get(path, {}))
            if self.chaos is not None and path in CHAOS_PATHS:
                fault.update(parse_fault(self.chaos.choices([f for _, f in CHAOS_FAULTS],
                                                            [w for w, _ in CHAOS_FAULTS])[0]))
        if fx is not None:
            fault.update(fx.fault)
            status, ctype, body = fx.status, fx.ctype, fx.body
        elif self.mode == 'live':
            status, ctype, body = self.route(path, query)
        else:
            status, ctype, body = 404, 'text/html', NOT_FOUND
        if fault.get('status', status) != status:
            status, ctype, body = fault['status'], 'text/html', NOT_FOUND
        if 'size' in fault:
            body = fit(body, fault['size'])
        return status, ctype, body, fault

    # -- connections --
    def _accept_loop(self, lsock, ctx):
        while not self.stopping.is_set() and time.monotonic() < self.deadline:
            try:
                ready, _, _ = select.select([lsock], [], [], 0.2)
                if not ready:
                    continue
                sock, peer = lsock.accept()
            except OSError:
                continue
            with self.lock:
                busy = self.active >= MAX_CONNECTIONS
                if not busy:
                    self.active += 1
                self.conn_seq += 1
                conn = self.conn_seq
            if busy:
                sock.close()
                continue
            threading.Thread(target=self._connection, args=(sock, peer, ctx, conn), daemon=True).start()
        self.stopping.set()

    def _connection(self, sock, peer, ctx, conn):
        entry = {'time': time.time(), 'conn': conn, 'port': 'https' if ctx else 'http',
                 'peer': '%s:%d' % peer, 'raw': b'', 'line': '', 'method': '', 'path': '', 'query': '',
                 'version': None, 'status': None, 'fault': {}, 'error': None, 'served': [], 'end': None}
        raw = bytearray()
        try:
            sock.settimeout(READ_TIMEOUT)
            sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
            if ctx:
                sock = ctx.wrap_socket(sock, server_side=True)
            self._serve_one(sock, raw, entry, ctx is not None)
        except (OSError, ssl.SSLError, ValueError) as e:
            entry['error'] = '%s: %s' % (type(e).__name__, e)
        finally:
            try:
                sock.close()
            except OSError:
                pass
            entry['raw'] = bytes(raw)
            entry['end'] = time.time()
            self.log.add(entry)
            with self.lock:
                self.active -= 1

    def _read_request(self, sock, raw):
        """Reads up to the end of the request head: the blank line, or the first line when it has no
        HTTP version. Returns the first line."""
        while len(raw) < MAX_HEAD:
            nl = raw.find(b'\n')
            if nl >= 0:
                version = split_request_line(bytes(raw[:nl]))[2]
                if version is None or re.search(rb'\r?\n\r?\n', raw):
                    break
            data = sock.recv(4096)
            if not data:
                break
            raw += data
        nl = raw.find(b'\n')
        return bytes(raw[:nl if nl >= 0 else len(raw)]).rstrip(b'\r')

    def _serve_one(self, sock, raw, entry, tls):
        line = self._read_request(sock, raw)
        method, target, version = split_request_line(line)
        path, query = split_target(target)
        entry.update(line=line.decode('latin-1'), method=method, path=path, query=query, version=version)
        with self.market.capture() as served:
            status, ctype, body, fault = self.answer(path, query)
        entry['served'] = [q.record() for q in served]
        entry['fault'] = fault
        entry['raw'] = bytes(raw)
        self.log.add(entry)  # seen at once, not only once the connection is over
        if fault.get('reset') and 'cut' not in fault:
            sock.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack('ii', 1, 0))
            return
        if fault.get('stall'):
            self._wait_for_close(sock, raw, fault['stall'], tls)
            return
        if fault.get('close'):
            self._finish(sock, raw, tls)
            return
        if fault.get('delay'):
            self.stopping.wait(fault['delay'])
        if fault.get('garbage'):
            head, rest = b'', garbage(entry['conn'])
        elif version is None or fault.get('nohead'):
            head, rest = b'', body
        elif fault.get('chunked'):
            head, rest = status_head('1.1', status, ctype, 'Transfer-Encoding: chunked\r\n'), chunked(body)
        elif fault.get('flood') or fault.get('nolength'):
            head, rest = status_head('1.0', status, ctype, ''), body
        else:
            head, rest = status_head('1.0', status, ctype, 'Content-Length: %d\r\n' % len(body)), body
        reply = head + (rest[:max(0, fault['cut'])] if 'cut' in fault else rest)
        entry['status'] = status
        if 'trickle' in fault:  # the head at once, then the body a byte per piece
            send_all(sock, head)
            reply = reply[len(head):]
            fault = dict(fault, chunks=len(reply), gap=fault['trickle'])
        pieces = max(1, min(fault.get('chunks', 1), len(reply) or 1))
        step = -(-len(reply) // pieces) if reply else 0
        for i in range(pieces):
            if i:
                self.stopping.wait(fault.get('gap', 0.2))
            send_all(sock, reply[i * step:(i + 1) * step])
        if fault.get('flood'):
            filler, end = fit(b'', 65536), time.monotonic() + fault['flood']
            while time.monotonic() < end and not self.stopping.is_set():
                send_all(sock, filler)
        if fault.get('reset'):
            sock.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack('ii', 1, 0))
            return
        if fault.get('abrupt'):
            return
        self._finish(sock, raw, tls)

    def _finish(self, sock, raw, tls):
        """Half-close, then read what the client still sends, so that no unread byte turns the close
        into a reset."""
        sock.shutdown(socket.SHUT_WR)
        end = time.monotonic() + DRAIN_TIMEOUT
        got = 0
        while got < DRAIN_LIMIT and time.monotonic() < end:
            sock.settimeout(max(0.01, end - time.monotonic()))
            try:
                data = sock.recv(65536)
            except (socket.timeout, ssl.SSLError, OSError):
                break
            if not data:
                break
            got += len(data)
            if not tls:  # after the half-close a TLS socket gives cipher text only
                raw += data

    def _wait_for_close(self, sock, raw, seconds, tls):
        """Answers nothing for `seconds`, or until the client closes."""
        end = time.monotonic() + seconds
        while time.monotonic() < end and not self.stopping.is_set():
            sock.settimeout(min(0.5, max(0.01, end - time.monotonic())))
            try:
                data = sock.recv(65536)
            except socket.timeout:
                continue
            except (ssl.SSLError, OSError):
                return
            if not data:
                return
            if len(raw) < DRAIN_LIMIT:
                raw += data


# ---- command line -----------------------------------------------------------------------------------
def main(argv=None):
    ap = argparse.ArgumentParser(description='Loopback stand-in for the quote services (see the docstring).')
    ap.add_argument('--live', action='store_true')
    ap.add_argument('--fixtures')
    ap.add_argument('--port', type=int, default=0)
    ap.add_argument('--tls-port', type=int, default=0)
    ap.add_argument('--no-tls', action='store_true')
    ap.add_argument('--port-file')
    ap.add_argument('--log')
    ap.add_argument('--cert-dir')
    ap.add_argument('--seed', type=int, default=1)
    ap.add_argument('--fault', action='append', default=[])
    ap.add_argument('--version-word', default=VERSION)
    ap.add_argument('--banners', type=int, default=3)
    ap.add_argument('--duration', type=float, default=3600.0)
    ap.add_argument('--chaos', type=int)
    a = ap.parse_args(argv)
    if not a.live and not a.fixtures:
        ap.error('give --live or --fixtures FILE')
    srv = StandIn('live' if a.live else 'fixture', seed=a.seed, port=a.port, tls_port=a.tls_port,
                  tls=not a.no_tls, cert_dir=a.cert_dir, log_path=a.log, fixtures_path=a.fixtures,
                  version_word=a.version_word, banners=max(0, min(a.banners, 30)),
                  duration=max(1.0, a.duration), chaos=a.chaos)
    for item in a.fault:
        path, eq, text = item.partition('=')
        if not eq:
            ap.error('--fault wants PATH=SWITCHES')
        srv.set_fault(path, text)
    signal.signal(signal.SIGTERM, lambda *_: srv.stopping.set())
    signal.signal(signal.SIGINT, lambda *_: srv.stopping.set())
    srv.start()
    info = {'port': srv.port, 'tls_port': srv.tls_port, 'cert': srv.cert, 'pid': os.getpid()}
    if a.port_file:
        tmp = a.port_file + '.tmp'
        with open(tmp, 'w') as f:
            json.dump(info, f)
        os.replace(tmp, a.port_file)
    print('standin: http  %s:%d' % (LOOPBACK, srv.port))
    if srv.tls_port:
        print('standin: https localhost:%d (certificate for the Root store: %s)' % (srv.tls_port, srv.cert))
    print(srv.hosts_section(), flush=True)
    while not srv.stopping.wait(0.5):
        pass
    srv.stop()
    return 0


if __name__ == '__main__':
    sys.exit(main())
