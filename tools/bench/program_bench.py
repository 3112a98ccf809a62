#!/usr/bin/env python3
"""program_bench.py WINE_RUN TARNWICK_EXE WINDOW_PROBE TRUST_CERT STOCKS RUNS
The whole program with a portfolio of STOCKS synthetic stocks against the stand-in, RUNS times after one
priming run (which moves the [Stocks] list into the database):
  - start-up: from starting the process to a list of every stock with nothing left to paint;
  - one quote cycle: from its first quote request to the automatic export written at its end
    (requests, parsing, storing, re-sorting);
  - responsiveness during that cycle: the longest a WM_NULL sent to the main window waited.
Prints one line per measure, "what<TAB>stocks<TAB>median<TAB>-<TAB>unit", for tools/bench.sh."""
import os
import statistics
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, '..', '..', 'tests', 'program'))
from program_run import ProgramRun, Tools, IDM_EXIT, to_wine  # noqa: E402

CSV = '/d/quotes.csv'


def one_run(run, stocks, export):
    if os.path.exists(export):
        os.remove(export)
    t0 = time.time()
    run.start()
    rc, lines = run.probe('painted', str(stocks), '300', timeout=400)
    painted = [float(l.split('\t')[1]) for l in lines if l.startswith('painted\t')]
    if rc or not painted:
        raise RuntimeError('the list never showed %d stocks: %s' % (stocks, lines))
    rc, lines = run.probe('ping', '600', to_wine(export), timeout=700)
    gap = [float(l.split('longest_ms=')[1]) for l in lines if l.startswith('ping\t')]
    if not os.path.exists(export):
        raise RuntimeError('the cycle did not end with its export')
    first = min(e['time'] for e in run.requests(CSV) if e['time'] >= t0)
    cycle = os.path.getmtime(export) - first
    run.probe('command', str(IDM_EXIT))
    if run.wait_exit(120) != 0:
        raise RuntimeError('the program did not end cleanly')
    return (painted[0] - t0) * 1000, cycle, gap[0]


def main(wine_run, exe, probe, trust, stocks, runs):
    stocks, runs = int(stocks), int(runs)
    options = [('Source', 3), ('Delay', 0), ('AutoVersion', 0), ('ShowBanner', 0)]
    portfolio = [('SYN%d' % i, '0,0,0,10,100') for i in range(1, stocks + 1)]
    with ProgramRun(Tools(wine_run, exe, probe, trust), 'bench', options, portfolio,
                    extra='[Files]\nAutoExport=1\nAutoFile=cycle.txt\n') as run:
        export = os.path.join(run.dir, 'cycle.txt')
        one_run(run, stocks, export)
        results = [one_run(run, stocks, export) for _ in range(runs)]
    names = [('program start-up to painted list', 'ms'), ('program one quote cycle', 's'),
             ('program longest message wait in cycle', 'ms')]
    for i, (what, unit) in enumerate(names):
        value = statistics.median(r[i] for r in results)
        print('%s\t%d\t%.*f\t-\t%s' % (what, stocks, 2 if unit == 's' else 0, value, unit))
    return 0


if __name__ == '__main__':
    if len(sys.argv) != 7:
        sys.exit(__doc__)
    sys.exit(main(*sys.argv[1:]))
