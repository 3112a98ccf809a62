#!/usr/bin/env python3
"""mkbanner.py OUTDIR - banner images drawn from code, for the tests and the demo folder:
frames.mng (three frames of 120 x 40, red, green, blue, 200 ms apart, played once),
demo.mng (the same frames looping) and still.png (one 120 x 40 image)."""
import os
import struct
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from mkresimages import GLYPHS  # noqa: E402
from xwd2png import chunk, png_chunks  # noqa: E402

W, H = 120, 40
FRAMES = [(200, 0, 0), (0, 160, 0), (0, 0, 200)]


def picture(background):
    """Rows of RGB bytes: the product word in white on the background."""
    rows = [bytearray(bytes(background) * W) for _ in range(H)]
    word, scale = "TARNWICK", 2
    x0 = (W - len(word) * 6 * scale + scale) // 2
    top = (H - 7 * scale) // 2
    for i, ch in enumerate(word):
        for gy, line in enumerate(GLYPHS[ch]):
            for gx, c in enumerate(line):
                if c != '#':
                    continue
                for dy in range(scale):
                    for dx in range(scale):
                        x = x0 + i * 6 * scale + gx * scale + dx
                        rows[top + gy * scale + dy][3 * x:3 * x + 3] = b'\xff\xff\xff'
    return rows


def mng(loop):
    out = b'\x8aMNG\r\n\x1a\n'
    out += chunk(b'MHDR', struct.pack('>7I', W, H, 100, 0, len(FRAMES), 0, 0))
    if loop:  # repeat forever, 200 ms before each new round
        out += chunk(b'TERM', struct.pack('>BBII', 3, 0, 20, 0x7FFFFFFF))
    # framing mode 1: every image is a frame; 20 ticks (200 ms) between frames
    out += chunk(b'FRAM', struct.pack('>BBBBBBI', 1, 0, 2, 0, 0, 0, 20))
    for colour in FRAMES:
        out += png_chunks(W, H, picture(colour))
    return out + chunk(b'MEND', b'')


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    with open(os.path.join(out, 'frames.mng'), 'wb') as f:
        f.write(mng(False))
    with open(os.path.join(out, 'demo.mng'), 'wb') as f:
        f.write(mng(True))
    with open(os.path.join(out, 'still.png'), 'wb') as f:
        f.write(b'\x89PNG\r\n\x1a\n' + png_chunks(W, H, picture((0, 64, 128))))


if __name__ == '__main__':
    main()
