#!/usr/bin/env python3
"""fetch_driver.py WINE_RUN FETCH TRUST_CERT
Runs the stand-in as its own process (live mode, port 0, port file) and fetches every path it serves
with WinINet under Wine, the JSON path over https with the run's certificate trusted first; then the
fault switches that a WinINet client meets. Checks each body and the request log."""
import csv
import io
import json
import os
import re
import subprocess
import sys
import time

from standin_process import StandInProcess
import images  # on the path through standin_process

FIELDS = '&fields=symbol,longName,shortName,regularMarketPrice,regularMarketChange'
FAULTS = {'/t/chunks': 'chunks=4,gap=0.3', '/t/8191': 'exact8191', '/t/big': 'big', '/t/empty': 'empty',
          '/t/404': '404', '/t/close': 'close', '/t/reset': 'reset', '/t/stall': 'stall=3'}


def fetch(wine_run, exe, urls, timeout_ms=4000):
    r = subprocess.run([wine_run, exe, '-t', str(timeout_ms)] + urls, stdout=subprocess.PIPE, timeout=120)
    out, pos, res = r.stdout, 0, []
    while pos < len(out):
        nl = out.index(b'\n', pos)
        head = out[pos:nl].decode().split()
        pos = nl + 1
        if head[2] == 'OK':
            n = int(head[3])
            res.append(('OK', out[pos:pos + n], int(head[4])))
            pos += n + 1
        else:
            res.append(('ERROR', int(head[3]), 0))
    return r.returncode, res


def csv_rows(body):
    return list(csv.reader(io.StringIO(body.decode('latin-1'))))


def main(wine_run, exe, trust):
    with StandInProcess('standin_fetch.') as server:
        fixtures = os.path.join(server.work, 'fx.json')
        with open(fixtures, 'w') as f:
            json.dump({p: {'body': 'fixture %s\r\n' % p, 'fault': s} for p, s in FAULTS.items()}, f)
        rc = server.start(wine_run, trust, 300, '--fixtures', fixtures)
        if rc:
            print('trust_cert failed: %d' % rc)
            return 1
        ports = server.ports
        http = 'http://127.0.0.1:%d' % ports['port']
        checks = [
            ('/d/quotes.csv?s=IBM+BCE.TO&f=sd1t1l1ohgvwdyrc1pjkn',
             lambda b: [r[0] for r in csv_rows(b)] == ['IBM', 'BCE.TO'] and
             all(len(r) == 17 for r in csv_rows(b))),
            ('/quotes/IBM+BCE.TO/view/dv',  # the quote page for people, no CSV
             lambda b: b.startswith(b'<html>') and b'International Business Machines' in b and b'"IBM",' not in b),
            ('/stocks/detailquote.php?ticker=BCE.ca',
             lambda b: b'<div class="quote1">Last:<br>' in b and b'\tYield</td>' in b and b.endswith(b'</html>\n')),
            ('/cgi-bin/qso?tick=V.ABC', lambda b: b'Symbol        : V.ABC\r\n' in b and b'</html>' in b),
            ('/q?s=IBM+BCE&d=t&o=t', lambda b: b'(NYSE:IBM)' in b and b'(NYSE:BCE)' in b),
            ('/pages/tarnwick_version_text.html',
             lambda b: b'[VERSION]\n1.86.000\n' in b and b'\ntw001.mng;' in b),
            ('/images/tw000.png', lambda b: images.read_chunks(b, images.PNG_SIGNATURE)[-1][0] == b'IEND'),
            ('/images/tw001.mng', lambda b: images.read_chunks(b, images.MNG_SIGNATURE)[-1][0] == b'MEND'),
            ('/markets/us_markets.html', lambda b: b'^GSPC' in b),
            ('/t/chunks', lambda b: b == b'fixture /t/chunks\r\n'),
            ('/t/8191', lambda b: len(b) == 8191),
            ('/t/big', lambda b: len(b) == 200 * 1024),
            ('/t/empty', lambda b: b == b''),
            ('/t/404', lambda b: b'Not Found' in b),
        ]
        urls = [http + p for p, _ in checks]
        # https only with the name the certificate carries
        urls.append('https://localhost:%d/v7/finance/quote?lang=en-US&region=US&corsDomain=127.0.0.1%s'
                    '&symbols=^DJI,%%5EGSPC&formatted=false' % (ports['tls_port'], FIELDS))
        checks.append(('json', lambda b: [e['symbol'] for e in json.loads(b)['quoteResponse']['result']] ==
                       ['^DJI', '^GSPC'] and b'"regularMarketPrice":' in b))
        errors = ['/t/close', '/t/reset', '/t/stall']
        urls += [http + p for p in errors]
        t0 = time.time()
        rc, res = fetch(wine_run, exe, urls)
        took = time.time() - t0
        ok = rc == 0 and len(res) == len(urls)
        for (name, check), got in zip(checks, res):
            good = got[0] == 'OK' and bool(check(got[1]))
            detail = got[1][:200] if isinstance(got[1], bytes) else got[1]  # body, or the error code
            print('%-55s %s %s' % (name[:55], got[0], 'ok' if good else 'WRONG %r' % (detail,)))
            ok &= good
        # Measured under Wine: a close without answer reads as an empty reply, a reset as an error or as
        # an empty reply, and the receive time-out of the internet handle does not cut a stalled reply (it
        # ends when the server closes).
        for name, got in zip(errors, res[len(checks):]):
            print('%-55s %s %s' % (name, got[0], got[1]))
            ok &= got[0] == 'ERROR' or got[1] == b''
        eight = res[[p for p, _ in checks].index('/t/8191')]
        print('8191-byte body read in %d read(s)' % eight[2])
        ok &= eight[2] == 1
        print('fetch took %.1f s' % took)
        ok &= took < 60
        entries = server.stop()
        agents = {e['path']: bool(re.search(rb'(?im)^User-Agent: InetURL/1\.0\r$', e['raw'])) for e in entries}
        print('requests logged: %d, https: %d, without the agent: %s'
              % (len(entries), sum(e['port'] == 'https' for e in entries), [p for p, a in agents.items() if not a]))
        ok &= all(agents.values()) and any(e['port'] == 'https' and e['status'] == 200 for e in entries)
        print('PASS' if ok else 'FAIL')
        return 0 if ok else 1


if __name__ == '__main__':
    sys.exit(main(*sys.argv[1:4]))
