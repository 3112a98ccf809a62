#!/usr/bin/env python3
"""net_driver.py MODE WINE_RUN NET_PROBE TRUST_CA
Starts a python http.server on 127.0.0.1 (random port) in this process and runs the Windows
client under Wine against it. MODE:
  wininet    WinINet InternetOpenUrlA http://127.0.0.1:PORT/path
  winsock10  Winsock 1.1 client, request "GET /path HTTP/1.0\\r\\n\\r\\n" (expects status line + headers + body)
  winsock09  Winsock 1.1 client, request "GET /path\\r\\n" to a minimal HTTP/0.9 server (bare body, close)
  https      WinINet https://127.0.0.1:PORT/path, server cert signed by a throw-away CA that is added
             to the prefix's ROOT store first (trust_ca.exe); client flags unchanged.
  https_untrusted  same, CA not trusted: InternetOpenUrlA must fail with a certificate error."""
import http.server
import os
import re
import shutil
import socketserver
import ssl
import subprocess
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..', 'tools'))
from winpath import to_wine  # noqa: E402

BODY = b'"ABC",12.50,"+0.25"\r\n"XYZ.TO",3.10,"-0.05"\r\n' + b'x' * 20000 + b'\r\nEND\r\n'  # > 2 chunks of 8191


class Handler(http.server.BaseHTTPRequestHandler):
    requests = []

    def do_GET(self):
        Handler.requests.append((self.requestline, self.request_version, dict(self.headers)))
        if self.path != '/path':
            self.send_error(404)
            return
        self.send_response(200)
        self.send_header('Content-Type', 'text/plain')
        self.send_header('Content-Length', str(len(BODY)))
        self.end_headers()
        self.wfile.write(BODY)

    def log_message(self, fmt, *args):
        sys.stderr.write('server: ' + (fmt % args) + '\n')


class Http09Handler(socketserver.StreamRequestHandler):
    """HTTP/0.9 server: answers right after the request line with the bare body, then closes.
    (python's http.server cannot be used for this: for "GET /path\\r\\n" it still reads header lines
    and answers only after a blank line or a half-close by the client.)"""
    requests = []

    def handle(self):
        line = self.rfile.readline(1024)
        Http09Handler.requests.append(line)
        if line == b'GET /path\r\n':
            self.wfile.write(BODY)


def make_certs(d):
    """CA + server certificate for 127.0.0.1 (SAN IP and DNS), with the openssl command line tool."""
    def run(*a):
        subprocess.run(['openssl'] + list(a), check=True, cwd=d, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    run('req', '-x509', '-newkey', 'rsa:2048', '-nodes', '-keyout', 'ca.key', '-out', 'ca.pem', '-days', '2',
        '-subj', '/CN=TarnWick Test CA', '-addext', 'basicConstraints=critical,CA:TRUE',
        '-addext', 'keyUsage=critical,keyCertSign,cRLSign')
    run('req', '-newkey', 'rsa:2048', '-nodes', '-keyout', 'srv.key', '-out', 'srv.csr', '-subj', '/CN=127.0.0.1')
    with open(os.path.join(d, 'ext.cnf'), 'w') as f:
        f.write('subjectAltName=IP:127.0.0.1,DNS:127.0.0.1,DNS:localhost\n'
                'extendedKeyUsage=serverAuth\nbasicConstraints=CA:FALSE\n')
    run('x509', '-req', '-in', 'srv.csr', '-CA', 'ca.pem', '-CAkey', 'ca.key', '-CAcreateserial',
        '-out', 'srv.pem', '-days', '2', '-extfile', 'ext.cnf')
    run('x509', '-in', 'ca.pem', '-outform', 'DER', '-out', 'ca.der')


def main():
    mode = sys.argv[1]
    work = tempfile.mkdtemp(prefix='net_%s.' % mode)
    try:
        return run(mode, work, *sys.argv[2:5])
    finally:
        shutil.rmtree(work, ignore_errors=True)


def run(mode, work, wine_run, probe, trust):
    if mode == 'winsock09':
        srv = socketserver.ThreadingTCPServer(('127.0.0.1', 0), Http09Handler)
    else:
        srv = http.server.ThreadingHTTPServer(('127.0.0.1', 0), Handler)
    scheme = 'http'
    if mode in ('https', 'https_untrusted'):
        make_certs(work)
        ctx = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        ctx.load_cert_chain(os.path.join(work, 'srv.pem'), os.path.join(work, 'srv.key'))
        srv.socket = ctx.wrap_socket(srv.socket, server_side=True)
        scheme = 'https'
        if mode == 'https':
            t0 = time.time()
            r = subprocess.run([wine_run, trust, to_wine(os.path.join(work, 'ca.der'))])
            print('trust_ca rc=%d (%.2f s)' % (r.returncode, time.time() - t0))
            if r.returncode:
                return 1
    port = srv.server_address[1]
    threading.Thread(target=srv.serve_forever, daemon=True).start()
    out = os.path.join(work, 'out.bin')
    t0 = time.time()
    if mode in ('wininet', 'https', 'https_untrusted'):
        url = '%s://127.0.0.1:%d/path' % (scheme, port)
        cmd = [wine_run, probe, 'wininet', url, to_wine(out)]
        expect = BODY
    else:
        reqfile = os.path.join(work, 'req.bin')
        line = b'GET /path HTTP/1.0\r\n\r\n' if mode == 'winsock10' else b'GET /path\r\n'
        with open(reqfile, 'wb') as f:
            f.write(line)
        cmd = [wine_run, probe, 'winsock', '127.0.0.1', str(port), to_wine(reqfile), to_wine(out)]
        expect = None
    r = subprocess.run(cmd, timeout=60, stderr=subprocess.PIPE)
    dt = time.time() - t0
    sys.stderr.write(r.stderr.decode(errors='replace'))
    srv.shutdown()
    srv.server_close()
    seen = Http09Handler.requests if mode == 'winsock09' else [q[0] for q in Handler.requests]
    print('probe rc=%d in %.2f s; server saw: %s' % (r.returncode, dt, seen))
    if mode == 'https_untrusted':
        # negative control: a CA that was never trusted must be rejected. Windows reports 12045
        # (ERROR_INTERNET_INVALID_CA); Wine 8.0 was seen to report 12057 (ERROR_INTERNET_SEC_CERT_REV_FAILED).
        m = re.search(rb'GetLastError=(\d+)', r.stderr)
        code = int(m.group(1)) if m else None
        ok = r.returncode == 3 and code in (12037, 12038, 12044, 12045, 12055, 12057)
        print('untrusted CA rejected with WinINet error %s: %s' % (code, ok))
        return 0 if ok else 1
    if r.returncode != 0:
        return 1
    with open(out, 'rb') as f:
        got = f.read()
    ok = True
    if mode in ('wininet', 'https'):
        ok = got == expect
        ua = Handler.requests[-1][2].get('User-Agent') if Handler.requests else None
        print('User-Agent seen by server: %r' % ua)
    elif mode == 'winsock10':
        head, _, body = got.partition(b'\r\n\r\n')
        print('response head: %r' % head.split(b'\r\n'))
        ok = head.startswith(b'HTTP/1.0 200') and body == BODY
    else:  # HTTP/0.9: no status line, no headers, just the body, then close
        print('first bytes of HTTP/0.9 answer: %r' % got[:40])
        ok = got == BODY and Http09Handler.requests == [b'GET /path\r\n']
    print('received %d bytes, %s' % (len(got), 'as expected' if ok else 'MISMATCH'))
    return 0 if ok else 1


if __name__ == '__main__':
    sys.exit(main())
