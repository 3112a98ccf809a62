#!/usr/bin/env python3
"""mkresimages.py OUTDIR - the program's icon, cursors and bitmaps for resources/main.rc, drawn from
code: chart.ico, link.cur, busy.cur, greengem.bmp, redgem.bmp, status.bmp, logo.bmp, sortdown.bmp,
sortup.bmp."""
import os
import struct
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from mkimages import write_bmp24, write_ico  # noqa: E402

CLEAR = (0, 0, 0, 0)
WHITE = (255, 255, 255, 255)
GEM_KEY = (0, 255, 255, 255)  # the strip draws gems with this colour transparent
HEADER_FACE = (240, 240, 240, 255)


def field(w, h, px):
    return [[px] * w for _ in range(h)]


def chart(size):
    """A white sheet with three rising bars and a trend line: the program's icon."""
    rows = field(size, size, CLEAR)
    s = size / 16.0
    for y in range(int(1 * s), int(15 * s)):
        for x in range(int(1 * s), int(15 * s)):
            edge = x in (int(1 * s), int(15 * s) - 1) or y in (int(1 * s), int(15 * s) - 1)
            rows[y][x] = (64, 64, 64, 255) if edge else WHITE
    for i, top in enumerate((10, 7, 4)):
        x0 = int((3 + 4 * i) * s)
        for y in range(int(top * s), int(13 * s)):
            for x in range(x0, x0 + max(1, int(3 * s))):
                rows[y][x] = (0, 128, 0, 255) if i < 2 else (0, 160, 255, 255)
    for x in range(int(2 * s), int(14 * s)):
        y = int(12 * s - (x - 2 * s) * 0.8)
        if 0 <= y < size:
            rows[y][x] = (200, 0, 0, 255)
    return rows


def gem(r, g, b):
    """13 x 13 round gem with a highlight on the key colour."""
    rows = field(13, 13, GEM_KEY)
    for y in range(13):
        for x in range(13):
            d2 = (x - 6) ** 2 + (y - 6) ** 2
            if d2 <= 30:
                shade = 1.0 - 0.35 * (d2 / 30.0)
                rows[y][x] = (int(r * shade), int(g * shade), int(b * shade), 255)
            if (x - 4) ** 2 + (y - 4) ** 2 <= 2:
                rows[y][x] = (255, 255, 255, 255)
    return rows


def triangle(rows, x0, up, colour, top=3, height=8):
    for i in range(height):
        y = top + i if up else top + height - 1 - i
        half = i * 7 // (height - 1)
        for x in range(7 - half, 8 + half):
            rows[y][x0 + x] = colour


def status_strip():
    """Eight 16 x 16 row images side by side, indexed by quote status: 3 above the upper limit,
    4 below the lower limit, 5 up, 6 down, 7 no data; the others blank. Only colours of the
    16-colour palette: the list loads them mapped to the display's 3D colours."""
    rows = field(16 * 8, 16, WHITE)
    alarm = (0, 0, 255, 255)
    triangle(rows, 16 * 3, True, alarm, top=5, height=9)
    for x in range(16 * 3 + 2, 16 * 3 + 14):
        rows[2][x] = rows[3][x] = alarm
    triangle(rows, 16 * 4, False, alarm, top=2, height=9)
    for x in range(16 * 4 + 2, 16 * 4 + 14):
        rows[12][x] = rows[13][x] = alarm
    triangle(rows, 16 * 5, True, (0, 128, 0, 255), top=4, height=8)
    triangle(rows, 16 * 6, False, (255, 0, 0, 255), top=4, height=8)
    for x in range(16 * 7 + 4, 16 * 7 + 12):
        rows[7][x] = rows[8][x] = (128, 128, 128, 255)
    return rows


def sort_arrow(up):
    rows = field(9, 5, HEADER_FACE)
    for i in range(5):
        y = i if up else 4 - i
        for x in range(4 - i, 5 + i):
            rows[y][x] = (96, 96, 96, 255)
    return rows


# 5 x 7 capitals for the logo
GLYPHS = {
    'T': ["#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."],
    'A': [".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"],
    'R': ["####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"],
    'N': ["#...#", "##..#", "#.#.#", "#..##", "#...#", "#...#", "#...#"],
    'W': ["#...#", "#...#", "#...#", "#.#.#", "#.#.#", "##.##", "#...#"],
    'I': ["#####", "..#..", "..#..", "..#..", "..#..", "..#..", "#####"],
    'C': [".####", "#....", "#....", "#....", "#....", "#....", ".####"],
    'K': ["#...#", "#..#.", "#.#..", "##...", "#.#..", "#..#.", "#...#"],
}


def logo():
    """120 x 40: the product word in blocky capitals on a blue band."""
    w, h, scale = 120, 40, 2
    rows = field(w, h, (0, 64, 128, 255))
    word = "TARNWICK"
    x = (w - len(word) * 6 * scale + scale) // 2
    top = (h - 7 * scale) // 2
    for ch in word:
        for gy, line in enumerate(GLYPHS[ch]):
            for gx, c in enumerate(line):
                if c == '#':
                    for dy in range(scale):
                        for dx in range(scale):
                            rows[top + gy * scale + dy][x + gx * scale + dx] = (255, 255, 255, 255)
        x += 6 * scale
    return rows


HAND = [
    "....##..........",
    "...#..#.........",
    "...#..#.........",
    "...#..#.........",
    "...#..###.......",
    "...#..#..###....",
    "...#..#..#..##..",
    "####..#..#..#.#.",
    "#..#..#..#..#..#",
    "#..#...........#",
    ".#.............#",
    ".#.............#",
    "..#............#",
    "..#...........#.",
    "...#..........#.",
    "....#........#..",
    ".....#.......#..",
    ".....#########..",
]

ARROW = [
    "#...........",
    "##..........",
    "#.#.........",
    "#..#........",
    "#...#.......",
    "#....#......",
    "#.....#.....",
    "#......#....",
    "#.......#...",
    "#........#..",
    "#.....#####.",
    "#..#..#.....",
    "#.#.#..#....",
    "##..#..#....",
    "#....#..#...",
    ".....#..#...",
    "......##....",
]


def filled(art):
    """'#' outline with its inside: white inside, black outline, transparent outside."""
    h, w = len(art), len(art[0])
    outside = [[False] * w for _ in range(h)]
    stack = [(x, y) for x in range(w) for y in (0, h - 1)] + [(x, y) for y in range(h) for x in (0, w - 1)]
    while stack:
        x, y = stack.pop()
        if 0 <= x < w and 0 <= y < h and not outside[y][x] and art[y][x] != '#':
            outside[y][x] = True
            stack += [(x + 1, y), (x - 1, y), (x, y + 1), (x, y - 1)]
    return [['#' if art[y][x] == '#' else ('.' if outside[y][x] else 'o') for x in range(w)] for y in range(h)]


def write_cur(path, art, hot):
    """32 x 32 monochrome cursor: '#' black, 'o' white, '.' transparent."""
    size = 32
    cells = filled(art)
    xor, andm = [], []
    for y in range(size - 1, -1, -1):  # bottom-up rows
        xline, aline = bytearray(4), bytearray(4)
        for x in range(size):
            c = cells[y][x] if y < len(cells) and x < len(cells[0]) else '.'
            if c == '.':
                aline[x // 8] |= 0x80 >> (x % 8)
            elif c == 'o':
                xline[x // 8] |= 0x80 >> (x % 8)
        xor.append(bytes(xline))
        andm.append(bytes(aline))
    hdr = struct.pack('<IiiHHIIiiII', 40, size, 2 * size, 1, 1, 0, 0, 0, 0, 2, 0)
    palette = bytes((0, 0, 0, 0, 255, 255, 255, 0))
    blob = hdr + palette + b''.join(xor) + b''.join(andm)
    entry = struct.pack('<BBBBHHII', size, size, 2, 0, hot[0], hot[1], len(blob), 6 + 16)
    with open(path, 'wb') as f:
        f.write(struct.pack('<HHH', 0, 2, 1) + entry + blob)


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    write_ico(os.path.join(out, 'chart.ico'), [chart(16), chart(32)])
    write_cur(os.path.join(out, 'link.cur'), HAND, (5, 0))
    write_cur(os.path.join(out, 'busy.cur'), ARROW, (0, 0))
    write_bmp24(os.path.join(out, 'greengem.bmp'), gem(0, 200, 0))
    write_bmp24(os.path.join(out, 'redgem.bmp'), gem(230, 0, 0))
    write_bmp24(os.path.join(out, 'status.bmp'), status_strip())
    write_bmp24(os.path.join(out, 'logo.bmp'), logo())
    write_bmp24(os.path.join(out, 'sortdown.bmp'), sort_arrow(False))
    write_bmp24(os.path.join(out, 'sortup.bmp'), sort_arrow(True))


if __name__ == '__main__':
    main()
