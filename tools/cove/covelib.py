# covelib.py - what the cove content generators share: a noise hash, image
# writers (PNG, TGA, DDS with our own DXT1/DXT5 encoder) and a WAV writer.
#
# Everything is a pure function of its arguments: no clock, no random module,
# no dictionaries iterated in an order that could change. Images are lists of
# rows of (r, g, b, a) tuples, top row first, channels 0..255.
import io
import math
import os
import struct
import wave
import zlib


# ---- Deterministic noise ---------------------------------------------------

def hash01(x, y, seed=0):
    """A value in [0, 1) from integer coordinates: a small integer hash."""
    n = (x * 374761393 + y * 668265263 + seed * 2147483647) & 0xFFFFFFFF
    n = ((n ^ (n >> 13)) * 1274126177) & 0xFFFFFFFF
    n = n ^ (n >> 16)
    return (n & 0xFFFFFF) / float(0x1000000)


def value_noise(x, y, period, seed=0):
    """Smooth noise on a lattice that repeats every `period` cells (tiles)."""
    xi, yi = math.floor(x), math.floor(y)
    fx, fy = x - xi, y - yi
    sx, sy = fx * fx * (3 - 2 * fx), fy * fy * (3 - 2 * fy)
    x0, y0 = xi % period, yi % period
    x1, y1 = (xi + 1) % period, (yi + 1) % period
    a = hash01(x0, y0, seed)
    b = hash01(x1, y0, seed)
    c = hash01(x0, y1, seed)
    d = hash01(x1, y1, seed)
    top = a + (b - a) * sx
    bottom = c + (d - c) * sx
    return top + (bottom - top) * sy


def fractal(x, y, period, octaves=4, seed=0):
    """Octaves of value noise, each twice as fine; still tiles with `period`."""
    total, weight, norm = 0.0, 1.0, 0.0
    for octave in range(octaves):
        scale = 1 << octave
        total += weight * value_noise(x * scale, y * scale, period * scale, seed + octave)
        norm += weight
        weight *= 0.5
    return total / norm


class Noise:
    """A seeded stream of numbers in [-1, 1) (a 32-bit xorshift)."""

    def __init__(self, seed):
        self.state = (seed * 2654435761 + 1) & 0xFFFFFFFF or 1

    def next(self):
        s = self.state
        s ^= (s << 13) & 0xFFFFFFFF
        s ^= s >> 17
        s ^= (s << 5) & 0xFFFFFFFF
        self.state = s
        return s / 2147483648.0 - 1.0


def clamp8(v):
    return 0 if v < 0 else 255 if v > 255 else int(v + 0.5)


def mix(a, b, t):
    return tuple(x + (y - x) * t for x, y in zip(a, b))


def image(width, height, pixel):
    """Rows of RGBA tuples from pixel(x, y) -> (r, g, b[, a]) in 0..255 floats."""
    rows = []
    for y in range(height):
        row = []
        for x in range(width):
            p = pixel(x, y)
            a = p[3] if len(p) > 3 else 255
            row.append((clamp8(p[0]), clamp8(p[1]), clamp8(p[2]), clamp8(a)))
        rows.append(row)
    return rows


# ---- Files -------------------------------------------------------------------

def write_bytes(path, data):
    folder = os.path.dirname(path)
    if folder:
        os.makedirs(folder, exist_ok=True)
    with open(path, 'wb') as f:
        f.write(data)


def png(rows, alpha=False):
    def chunk(kind, body):
        return struct.pack('>I', len(body)) + kind + body + struct.pack('>I', zlib.crc32(kind + body))

    height, width = len(rows), len(rows[0])
    raw = bytearray()
    for row in rows:
        raw.append(0)  # no filter
        for p in row:
            raw.extend(p if alpha else p[:3])
    header = struct.pack('>IIBBBBB', width, height, 8, 6 if alpha else 2, 0, 0, 0)
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', header) +
            chunk(b'IDAT', zlib.compress(bytes(raw), 9)) + chunk(b'IEND', b''))


def tga(rows):
    """Uncompressed 32-bit true colour, top row first (descriptor bit 5)."""
    height, width = len(rows), len(rows[0])
    out = bytearray(struct.pack('<BBBHHBHHHHBB', 0, 0, 2, 0, 0, 0, 0, 0, width, height, 32, 0x28))
    for row in rows:
        for r, g, b, a in row:
            out.extend((b, g, r, a))
    return bytes(out)


def downsample(rows):
    """The next mip level: 2 x 2 box filter."""
    height, width = len(rows), len(rows[0])
    if width == 1 and height == 1:
        return rows
    w2, h2 = max(1, width // 2), max(1, height // 2)
    out = []
    for y in range(h2):
        row = []
        for x in range(w2):
            px = [rows[min(height - 1, 2 * y + dy)][min(width - 1, 2 * x + dx)]
                  for dy in (0, 1) for dx in (0, 1)]
            row.append(tuple((sum(p[c] for p in px) + 2) // 4 for c in range(4)))
        out.append(row)
    return out


def mip_chain(rows):
    levels = [rows]
    while len(levels[-1]) > 1 or len(levels[-1][0]) > 1:
        levels.append(downsample(levels[-1]))
    return levels


# ---- DXT encoding --------------------------------------------------------------

def _to565(c):
    return ((c[0] * 31 + 127) // 255) << 11 | ((c[1] * 63 + 127) // 255) << 5 | ((c[2] * 31 + 127) // 255)


def _from565(v):
    r, g, b = (v >> 11) & 31, (v >> 5) & 63, v & 31
    return ((r << 3) | (r >> 2), (g << 2) | (g >> 4), (b << 3) | (b >> 2))


def _block_pixels(rows, bx, by):
    height, width = len(rows), len(rows[0])
    return [rows[min(height - 1, by + y)][min(width - 1, bx + x)] for y in range(4) for x in range(4)]


def _colour_block(pixels):
    """Eight bytes of DXT colour: end points from the block's bounding box,
    each pixel given the nearest of the four palette colours."""
    lo = [min(p[c] for p in pixels) for c in range(3)]
    hi = [max(p[c] for p in pixels) for c in range(3)]
    # Inset the box a little: the end points then sit nearer the colours used.
    inset = [(h - l) / 16.0 for l, h in zip(lo, hi)]
    c0 = _to565([int(h - i) for h, i in zip(hi, inset)])
    c1 = _to565([int(l + i + 0.5) for l, i in zip(lo, inset)])
    if c0 < c1:
        c0, c1 = c1, c0
    if c0 == c1:
        return struct.pack('<HHI', c0, c1, 0)
    a, b = _from565(c0), _from565(c1)
    palette = [a, b, tuple((2 * x + y) // 3 for x, y in zip(a, b)),
               tuple((x + 2 * y) // 3 for x, y in zip(a, b))]
    bits = 0
    for i, p in enumerate(pixels):
        best, best_d = 0, None
        for k, q in enumerate(palette):
            d = (p[0] - q[0]) ** 2 + (p[1] - q[1]) ** 2 + (p[2] - q[2]) ** 2
            if best_d is None or d < best_d:
                best, best_d = k, d
        bits |= best << (2 * i)
    return struct.pack('<HHI', c0, c1, bits)


def _alpha_block(pixels):
    alphas = [p[3] for p in pixels]
    a0, a1 = max(alphas), min(alphas)
    if a0 == a1:
        return struct.pack('<BB', a0, a1) + bytes(6)
    palette = [a0, a1] + [((7 - i) * a0 + i * a1) // 7 for i in range(1, 7)]
    bits = 0
    for i, a in enumerate(alphas):
        best = min(range(8), key=lambda k: (abs(palette[k] - a), k))
        bits |= best << (3 * i)
    return struct.pack('<BB', a0, a1) + bits.to_bytes(6, 'little')


def dxt(rows, alpha):
    out = bytearray()
    height, width = len(rows), len(rows[0])
    for by in range(0, height, 4):
        for bx in range(0, width, 4):
            pixels = _block_pixels(rows, bx, by)
            if alpha:
                out += _alpha_block(pixels)
            out += _colour_block(pixels)
    return bytes(out)


def dds(faces, alpha=False, mips=True):
    """A DXT1 (or DXT5 with alpha) DDS file: one face is a 2D texture, six
    are a cube (+X, -X, +Y, -Y, +Z, -Z), each with its full mip chain."""
    height, width = len(faces[0]), len(faces[0][0])
    chains = [mip_chain(f) if mips else [f] for f in faces]
    levels = len(chains[0])
    block = 16 if alpha else 8
    flags = 0x1 | 0x2 | 0x4 | 0x1000 | 0x80000 | (0x20000 if mips else 0)
    caps = 0x1000 | (0x400008 if mips else 0) | (0x8 if len(faces) == 6 else 0)
    caps2 = 0xFE00 if len(faces) == 6 else 0
    linear = max(1, (width + 3) // 4) * max(1, (height + 3) // 4) * block
    header = struct.pack('<4sIIIIIII', b'DDS ', 124, flags, height, width, linear, 0, levels)
    header += bytes(44)
    header += struct.pack('<II4sIIIII', 32, 0x4, b'DXT5' if alpha else b'DXT1', 0, 0, 0, 0, 0)
    header += struct.pack('<IIIII', caps, caps2, 0, 0, 0)
    body = b''.join(dxt(level, alpha) for chain in chains for level in chain)
    return header + body


# ---- Sound -----------------------------------------------------------------------

RATE = 22050


def wav(samples, rate=RATE, channels=1):
    """16-bit PCM from floats in [-1, 1] (interleaved when channels > 1)."""
    frames = bytearray()
    for s in samples:
        frames += struct.pack('<h', max(-32767, min(32767, int(round(s * 32767)))))
    buffer = io.BytesIO()
    with wave.open(buffer, 'wb') as w:
        w.setnchannels(channels)
        w.setsampwidth(2)
        w.setframerate(rate)
        w.writeframes(bytes(frames))
    return buffer.getvalue()
