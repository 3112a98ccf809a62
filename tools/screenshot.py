#!/usr/bin/env python3
"""screenshot.py OUT.png - capture the X screen (Xvfb) to a PNG, for tests and for people.

Reads Xvfb's framebuffer file when Xvfb runs with -fbdir DIR and XVFB_FBDIR=DIR is set (what
tools/test.sh and tools/run.sh do); otherwise asks `xwd -root` (package x11-apps) on $DISPLAY."""
import os
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import xwd2png  # noqa: E402


def screenshot(png):
    """Writes png; returns (width, height), or None when no capture is possible."""
    fbdir = os.environ.get('XVFB_FBDIR')
    src = os.path.join(fbdir, 'Xvfb_screen0') if fbdir else None
    tmp = None
    if not (src and os.path.exists(src)):
        if not shutil.which('xwd'):
            return None
        tmp = png + '.xwd'
        subprocess.run(['xwd', '-root', '-silent', '-out', tmp], check=True)
        src = tmp
    try:
        os.makedirs(os.path.dirname(os.path.abspath(png)), exist_ok=True)
        return xwd2png.convert(src, png)
    finally:
        if tmp:
            os.remove(tmp)


if __name__ == '__main__':
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    size = screenshot(sys.argv[1])
    if not size:
        sys.exit('no Xvfb -fbdir file (XVFB_FBDIR) and no xwd: nothing captured')
    print('%s %dx%d' % (sys.argv[1], size[0], size[1]))
