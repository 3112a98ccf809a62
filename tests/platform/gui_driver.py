#!/usr/bin/env python3
"""gui_driver.py WINE_RUN GUI_EXE OUT_PNG
Runs the GUI probe under Wine on the current X display (Xvfb), waits until it reports ready,
takes a screenshot of the X screen (Xvfb -fbdir file named by $XVFB_FBDIR, else `xwd -root`),
converts it to PNG, then lets the probe exit. Exit 77 (skipped) when there is no DISPLAY."""
import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..', 'tools'))
from winpath import to_wine  # noqa: E402
from screenshot import screenshot  # noqa: E402


def take_screenshot(png):
    size = screenshot(png)
    print('screenshot %s (%dx%d)' % ((png,) + size) if size else 'no screen capture available')


def main():
    wine_run, exe, png = sys.argv[1:4]
    if not os.environ.get('DISPLAY'):
        print('DISPLAY not set: GUI test skipped (run ctest under xvfb-run)')
        return 77
    work = tempfile.mkdtemp(prefix='gui_probe.')
    try:
        return run(wine_run, exe, png, work)
    finally:
        shutil.rmtree(work, ignore_errors=True)


def run(wine_run, exe, png, work):
    marker = os.path.join(work, 'm')
    t0 = time.time()
    p = subprocess.Popen([wine_run, exe, to_wine(marker)])
    ready = marker + '.ready'
    while not os.path.exists(ready) and p.poll() is None and time.time() - t0 < 60:
        time.sleep(0.1)
    if not os.path.exists(ready):
        print('probe never became ready, rc=%s' % p.poll())
        if p.poll() is None:
            p.kill()
        return 1
    time.sleep(0.3)  # one more paint cycle
    print('ready after %.2f s' % (time.time() - t0))
    with open(ready) as f:
        print(f.read(), end='')
    take_screenshot(png)
    open(marker + '.done', 'w').close()
    rc = p.wait(timeout=30)
    print('gui_probe exit code %d after %.2f s' % (rc, time.time() - t0))
    return 0 if rc == 0 else 1


if __name__ == '__main__':
    sys.exit(main())
