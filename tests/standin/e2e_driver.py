#!/usr/bin/env python3
"""e2e_driver.py WINE_RUN E2E_PROBE TRUST_CERT
Starts the stand-in (live mode, port 0), trusts its certificate in the test prefix, writes a settings
file with the [Hosts] section the stand-in prints into a temporary folder and runs e2e_probe there:
request builder, WinINet, reply parser and store for every quote source. Then holds what the probe
found stored against what the stand-in served: after each reply, every stock row the request asked
for holds the quote served for it (as the program reads that format), and at the end of each cycle
every row holds the last quote served for it."""
import html
import os
import re
import select
import subprocess
import sys
import time
from urllib.parse import urlsplit

from standin_process import StandInProcess, to_wine

PATHS = ['/d/quotes.csv', '/v7/finance/quote', '/stocks/detailquote.php', '/q', '/cgi-bin/qso']


def hosts_section(proc, deadline):
    """The [Hosts] lines the stand-in prints after binding, up to its last key."""
    out = b''
    while time.time() < deadline and proc.poll() is None:
        if select.select([proc.stdout], [], [], 0.5)[0]:
            out += os.read(proc.stdout.fileno(), 4096)
        lines = out.decode('latin-1').split('\n')
        if '[Hosts]' in lines:
            lines = lines[lines.index('[Hosts]'):]
            done = [i for i, line in enumerate(lines[:-1]) if line.startswith('Maker=')]
            if done:
                return lines[:done[0] + 1]
    return None


def read_probe(text):
    """The probe's requests, each {'source', 'url', 'asks': [(rowid, token)], 'after': {rowid: values}},
    and its cycles' ends, [(source, {rowid: values})]. Values: (price, change, volume, name), None for
    a missing number; None for a stock without a quote."""
    def values(fields):
        if fields == ['none']:
            return None
        num = [None if f == '-' else float(f) for f in fields[:3]]
        return num[0], num[1], None if num[2] is None else int(num[2]), fields[3]
    requests, finals, source = [], [], None
    for line in text.splitlines():
        f = line.split('\t')
        if f[0] == 'source':
            source = int(f[1])
            finals.append((source, {}))
        elif f[0] == 'request':
            requests.append({'source': source, 'url': f[1], 'asks': [], 'after': {}})
        elif f[0] == 'ask':
            requests[-1]['asks'].append((int(f[1]), f[2]))
        elif f[0] == 'after':
            requests[-1]['after'][int(f[1])] = values(f[2:])
        elif f[0] == 'final':
            finals[-1][1][int(f[1])] = values(f[2:] if f[2] == 'none' else f[4:])
    return requests, finals


def as_read(q, json_reply):
    """A served quote as the program stores it: the JSON reader takes no number written without a
    fraction, and the stand-in's JSON writes whole numbers so."""
    def num(v):
        return None if json_reply and float(v).is_integer() else float(v)
    return num(q['price']), num(q['change']), q['volume'], q['name']


def letters(name):
    """A name reduced to letters and digits: replies escape, cut, quote and upper-case names."""
    return re.sub(r'[^A-Z0-9]', '', html.unescape(re.sub(r'&[#\w]*$', '', name)).upper())


def same(stored, want):
    if stored is None or want is None:
        return stored is want
    close = all(a is b if a is None or b is None else abs(a - b) < 1e-6 for a, b in zip(stored[:2], want[:2]))
    name = letters(stored[3])
    return close and stored[2] == want[2] and name != '' and letters(want[3]).startswith(name)


def check(requests, finals, entries):
    """Problems found, as lines."""
    problems = []
    entries = sorted((e for e in entries if e['path'] in PATHS), key=lambda e: e['conn'])
    if len(entries) != len(requests):
        return ['%d requests made, %d answered' % (len(requests), len(entries))]
    last = {}  # (source, rowid) -> the quote it should hold
    for req, entry in zip(requests, entries):
        url = urlsplit(req['url'])
        if (url.path, url.query) != (entry['path'], entry['query']):
            problems.append('request %s answered as %s?%s' % (req['url'], entry['path'], entry['query']))
            continue
        served, taken, seen = entry['served'], {}, set()
        for rowid, token in req['asks']:
            if rowid in seen:  # the same stock twice in one request is stored once
                continue
            seen.add(rowid)
            if len(req['asks']) == 1:  # a one-symbol page: its ticker carries the market's mark
                mine = served[:1]
            else:  # the k-th row asking for a symbol gets the k-th quote served for it
                mine = [q for q in served if q['asked'].upper() == token.upper()]
                k = taken[token.upper()] = taken.get(token.upper(), -1) + 1
                mine = mine[k:k + 1]
            if not mine:
                continue
            want = as_read(mine[0], entry['path'] == '/v7/finance/quote')
            last[(req['source'], rowid)] = want
            got = req['after'].get(rowid)
            if not same(got, want):
                problems.append('source %d %s row %d (%s): stored %s, served %s' % (
                    req['source'], entry['path'], rowid, token, got, want))
    for source, rows in finals:
        for rowid, got in rows.items():
            want = last.get((source, rowid))
            if want is None or not same(got, want):
                problems.append('source %d row %d ends with %s, last served %s' % (source, rowid, got, want))
    return problems


def main(wine_run, probe, trust):
    with StandInProcess('e2e.') as server:
        work = server.work
        if server.start(wine_run, trust, 110, stdout=subprocess.PIPE):
            print('the certificate could not be trusted')
            return 1
        hosts = hosts_section(server.proc, time.time() + 30)
        if not hosts:
            print('the stand-in printed no [Hosts] section')
            return 1
        with open(os.path.join(work, 'e2e.ini'), 'w', newline='') as f:
            f.write('[Options]\r\nStocksInDatabase=0\r\n' + '\r\n'.join(hosts) + '\r\n')
        t0 = time.time()
        r = subprocess.run([wine_run, probe, to_wine(work)], stdout=subprocess.PIPE, timeout=90)
        took = time.time() - t0
        out = r.stdout.decode('latin-1')
        sys.stdout.write(out)
        print('probe exit %d in %.1f s' % (r.returncode, took))
        ok = r.returncode == 0
        entries = server.stop()
        requests, finals = read_probe(out)
        problems = check(requests, finals, entries)
        for p in problems:
            print('WRONG ' + p)
        ok &= not problems and len(finals) == 4 and all(len(rows) == 6 for _, rows in finals)
        if not ok and os.path.exists(os.path.join(work, 'TarnWick.log')):
            print('---- probe log (tail)')
            print(open(os.path.join(work, 'TarnWick.log'), encoding='latin-1').read()[-6000:])
        seen = {p: sum(e['path'] == p and e['status'] == 200 for e in entries) for p in PATHS}
        print('stand-in answered: %s' % seen)
        ok &= all(seen.values()) and any(e['port'] == 'https' for e in entries)
        print('PASS' if ok else 'FAIL')
        return 0 if ok else 1


if __name__ == '__main__':
    sys.exit(main(*sys.argv[1:4]))
