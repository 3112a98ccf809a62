#!/usr/bin/env python3
"""e2e_driver.py WINE_RUN E2E_PROBE TRUST_CERT
Starts the stand-in (live mode, port 0), trusts its certificate in the test prefix, writes a settings
file with the [Hosts] section the stand-in prints into a temporary folder and runs e2e_probe there:
request builder, WinINet, reply parser and store for every quote source. Then checks that the
stand-in saw each kind of request."""
import os
import select
import subprocess
import sys
import time

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
        sys.stdout.write(r.stdout.decode('latin-1'))
        print('probe exit %d in %.1f s' % (r.returncode, took))
        ok = r.returncode == 0
        if not ok and os.path.exists(os.path.join(work, 'TarnWick.log')):
            print('---- probe log (tail)')
            print(open(os.path.join(work, 'TarnWick.log'), encoding='latin-1').read()[-6000:])
        entries = server.stop()
        seen = {p: sum(e['path'] == p and e['status'] == 200 for e in entries) for p in PATHS}
        print('stand-in answered: %s' % seen)
        ok &= all(seen.values()) and any(e['port'] == 'https' for e in entries)
        print('PASS' if ok else 'FAIL')
        return 0 if ok else 1


if __name__ == '__main__':
    sys.exit(main(*sys.argv[1:4]))
