#!/usr/bin/env python3
"""reply_bench.py WINE_RUN TARNWICK_EXE WINDOW_PROBE TRUST_CERT RUNS [OTHER_EXE]
Big whole quote replies: the whole program fetches a CSV reply padded to 5 and 15 MB from the stand-in, and
each run measures its first quote cycle from the stand-in's accept of that request to the automatic export
written at the cycle's end. curl fetches the same address from the same stand-in as the baseline. With
OTHER_EXE (an older build, say) its runs alternate with those of TARNWICK_EXE under the same conditions and
get a row of their own. Prints "what<TAB>stocks<TAB>median<TAB>curl median<TAB>ms" for tools/bench.sh."""
import os
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, '..', '..', 'tests', 'program'))
from program_run import ProgramRun, Tools, IDM_EXIT  # noqa: E402

CSV = '/d/quotes.csv'
STOCKS = 10
SIZES = (5000000, 15000000)


def cycle_ms(run, export):
    """One start of the program: its first cycle, accept of the quote request to the export."""
    if os.path.exists(export):
        os.remove(export)
    t0 = time.time()
    run.start()
    end = t0 + 120
    while not os.path.exists(export) and time.time() < end:
        time.sleep(0.02)
    time.sleep(0.2)  # the export is written whole
    run.probe('command', str(IDM_EXIT))
    if run.wait_exit(60) != 0 or not os.path.exists(export):
        raise RuntimeError('the cycle did not end with its export')
    accepted = [e['time'] for e in run.requests(CSV) if e['time'] >= t0]
    return (os.path.getmtime(export) - min(accepted)) * 1000


def curl_ms(run):
    url = 'http://127.0.0.1:%d%s?s=SYN1+SYN2&f=sl1' % (run.server.ports['port'], CSV)
    out = subprocess.run(['curl', '-s', '-o', '/dev/null', '-w', '%{time_total}', url], stdout=subprocess.PIPE,
                         timeout=60, check=True).stdout
    return float(out) * 1000


def main(wine_run, exe, probe, trust, runs, other=None):
    runs = int(runs)
    exes = [exe] + ([other] if other else [])
    options = [('Source', 3), ('Delay', 0), ('AutoVersion', 0), ('ShowBanner', 0), ('Timeout', 60)]
    portfolio = [('SYN%d' % i, '0,0,0,10,100') for i in range(1, STOCKS + 1)]
    extra = '[Files]\nAutoExport=1\nAutoFile=cycle.txt\n'
    for size in SIZES:
        fault = ('--fault', '%s=size=%d' % (CSV, size))
        times = {e: [] for e in exes}
        with ProgramRun(Tools(wine_run, exe, probe, trust), 'reply', options, portfolio, extra,
                        standin_args=fault) as new:
            with ProgramRun(Tools(wine_run, exes[-1], probe, trust), 'reply', options, portfolio, extra,
                            standin_args=fault) as old:
                runs_of = {exe: new, exes[-1]: old}
                for e in exes:  # priming: the [Stocks] list moves into the database
                    cycle_ms(runs_of[e], os.path.join(runs_of[e].dir, 'cycle.txt'))
                curl = [curl_ms(new) for _ in range(runs)]
                for _ in range(runs):
                    for e in exes:
                        times[e].append(cycle_ms(runs_of[e], os.path.join(runs_of[e].dir, 'cycle.txt')))
        base = statistics.median(curl)
        mb = size // 1000000
        print('big reply %d MB, accept to cycle end (curl)\t%d\t%.0f\t%.0f\tms'
              % (mb, STOCKS, statistics.median(times[exe]), base))
        if other:
            print('big reply %d MB, the other build (curl)\t%d\t%.0f\t%.0f\tms'
                  % (mb, STOCKS, statistics.median(times[other]), base))
        sys.stdout.flush()
    return 0


if __name__ == '__main__':
    if len(sys.argv) not in (6, 7):
        sys.exit(__doc__)
    sys.exit(main(*sys.argv[1:]))
