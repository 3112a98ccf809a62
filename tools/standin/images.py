"""Banner images of the stand-in: small PNG stills and MNG animations, made with zlib and struct."""
import struct
import zlib

PNG_SIGNATURE = b'\x89PNG\r\n\x1a\n'
MNG_SIGNATURE = b'\x8aMNG\r\n\x1a\n'
WIDTH, HEIGHT = 234, 60


def chunk(kind, data):
    return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data) & 0xffffffff)


def _image_chunks(pixels, width, height):
    """IHDR, IDAT, IEND of an 8-bit RGB image; `pixels(x, y)` gives (r, g, b)."""
    raw = bytearray()
    for y in range(height):
        raw.append(0)  # filter type none
        for x in range(width):
            raw.extend(pixels(x, y))
    ihdr = struct.pack('>IIBBBBB', width, height, 8, 2, 0, 0, 0)
    return chunk(b'IHDR', ihdr) + chunk(b'IDAT', zlib.compress(bytes(raw), 9)) + chunk(b'IEND', b'')


def _painter(slot, frame=0, frames=1, width=WIDTH, height=HEIGHT):
    """A gradient in the slot's colour with a light bar that moves from frame to frame."""
    base = [(40, 90, 170), (30, 140, 80), (170, 80, 30), (120, 50, 150)][slot % 4]
    bar = (width * frame) // max(frames, 1)

    def px(x, y):
        shade = 60 * y // max(height - 1, 1)
        if bar <= x < bar + width // max(frames, 4) and 8 <= y < height - 8:
            return (250, 240, 200)
        if y in (0, height - 1) or x in (0, width - 1):
            return (20, 20, 20)
        return tuple(min(255, c + shade) for c in base)
    return px


def banner_png(slot, width=WIDTH, height=HEIGHT):
    return PNG_SIGNATURE + _image_chunks(_painter(slot, width=width, height=height), width, height)


def banner_mng(slot, frames=4, ticks=10, delay=5, width=WIDTH, height=HEIGHT):
    """MHDR, TERM (repeat for ever), FRAM (framing mode 1, `delay` ticks between frames), one embedded
    PNG per frame, MEND."""
    out = MNG_SIGNATURE
    out += chunk(b'MHDR', struct.pack('>7I', width, height, ticks, frames + 1, frames, frames * delay, 0))
    out += chunk(b'TERM', struct.pack('>BBII', 3, 0, 0, 0x7fffffff))
    out += chunk(b'FRAM', struct.pack('>BBBBBBI', 1, 0, 2, 0, 0, 0, delay))
    for f in range(frames):
        out += _image_chunks(_painter(slot, f, frames, width, height), width, height)
    return out + chunk(b'MEND', b'')


def read_chunks(data, signature):
    """[(kind, payload)] of a PNG or MNG stream; ValueError when the signature, a length or a CRC is
    wrong or the stream is cut."""
    if not data.startswith(signature):
        raise ValueError('bad signature')
    pos, out = len(signature), []
    while pos < len(data):
        if pos + 12 > len(data):
            raise ValueError('cut chunk at %d' % pos)
        n, = struct.unpack('>I', data[pos:pos + 4])
        kind, payload = data[pos + 4:pos + 8], data[pos + 8:pos + 8 + n]
        if len(payload) != n or pos + 12 + n > len(data):
            raise ValueError('cut chunk at %d' % pos)
        crc, = struct.unpack('>I', data[pos + 8 + n:pos + 12 + n])
        if crc != zlib.crc32(kind + payload) & 0xffffffff:
            raise ValueError('bad CRC in %r' % kind)
        out.append((kind, payload))
        pos += 12 + n
    return out
