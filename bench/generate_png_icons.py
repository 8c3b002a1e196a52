#!/usr/bin/python3
"""Writes a deterministic folder of PNG icons and the four masks as PNG
files for bench/png.sh:

    /usr/bin/python3 bench/generate_png_icons.py FOLDER COUNT SIZE MASK_FOLDER

The icons are COUNT pictures of SIZE x SIZE pixels, 8-bit RGBA, drawn as
artists draw button icons and written as their programs export them: a
shape (rounded square, disc or diamond) with an anti-aliased edge, a dark
rim and a soft shadow that fades out into a transparent margin; inside, a
gradient between two colours, a highlight, an emblem of another colour and
a faint painted texture (soft blotches and a little grain), so that they
compress like real art rather than like flat colour. Every icon has its own
colours, angle, margin, shapes and texture (a fixed seed per icon: the same
folder every run). The PNG files are written with zlib level 6 and the
adaptive per-row filter choice of libpng (the filter whose bytes have the
least sum of magnitudes), as image programs write them.

The masks are ZOF_NORMAL_MASK.png, ZOF_DISABLED_MASK.png,
ZOF_PASSIVE_MASK.png and ZOF_AUTOCAST_MASK.png: the pixels of the TGA masks
in MASK_FOLDER (the project's examples/icons), written as PNG files.

numpy (Debian's python3-numpy) draws the pictures; zlib and struct write
the files.
"""
import os
import struct
import sys
import zlib

import numpy as np

MASKS = ["ZOF_NORMAL_MASK", "ZOF_DISABLED_MASK", "ZOF_PASSIVE_MASK", "ZOF_AUTOCAST_MASK"]
WORDS = ["Fire", "Frost", "Storm", "Heal", "Shield", "Arrow", "Blade", "Rune", "Orb", "Totem",
         "Wisp", "Ember", "Thorn", "Spark", "Venom", "Aura"]


# -- PNG writing -------------------------------------------------------------

def chunk(kind, data):
    return (struct.pack(">I", len(data)) + kind + data
            + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))


def filtered_rows(rgba):
    """The rows with libpng's adaptive choice among the five filters."""
    height, width, _ = rgba.shape
    raw = rgba.reshape(height, width * 4).astype(np.int16)
    up = np.zeros_like(raw)
    up[1:] = raw[:-1]
    left = np.zeros_like(raw)
    left[:, 4:] = raw[:, :-4]
    up_left = np.zeros_like(raw)
    up_left[1:, 4:] = raw[:-1, :-4]
    p = left + up - up_left
    pa, pb, pc = np.abs(p - left), np.abs(p - up), np.abs(p - up_left)
    paeth = np.where((pa <= pb) & (pa <= pc), left, np.where(pb <= pc, up, up_left))
    candidates = np.stack([raw, raw - left, raw - up, raw - (left + up) // 2, raw - paeth]) & 0xFF
    # libpng's heuristic: bytes taken as signed, the least sum of magnitudes.
    cost = np.minimum(candidates, 256 - candidates).sum(axis=2)
    chosen = cost.argmin(axis=0)
    rows = candidates[chosen, np.arange(height)].astype(np.uint8)
    return np.concatenate([chosen.astype(np.uint8)[:, None], rows], axis=1).tobytes()


def write_png(path, rgba):
    height, width, _ = rgba.shape
    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)  # 8-bit RGBA
    data = (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
            + chunk(b"IDAT", zlib.compress(filtered_rows(rgba), 6)) + chunk(b"IEND", b""))
    with open(path, "wb") as out:
        out.write(data)
    return len(data)


# -- the masks: pixels of the TGA masks --------------------------------------

def read_tga(path):
    """RGBA rows, top row first, of a 24- or 32-bit true-colour TGA file."""
    with open(path, "rb") as f:
        data = f.read()
    id_length, kind = data[0], data[2]
    width, height, depth, descriptor = struct.unpack("<HHBB", data[12:18])
    size = depth // 8
    if kind not in (2, 10) or size not in (3, 4):
        raise ValueError(f"{path}: not a 24- or 32-bit true-colour TGA file")
    position = 18 + id_length
    count = width * height
    if kind == 2:
        pixels = data[position:position + count * size]
    else:
        out = bytearray()
        while len(out) < count * size:
            packet = data[position]
            position += 1
            length = (packet & 0x7F) + 1
            if packet & 0x80:
                out += data[position:position + size] * length
                position += size
            else:
                out += data[position:position + length * size]
                position += length * size
        pixels = bytes(out)
    bgra = np.frombuffer(pixels, np.uint8).reshape(height, width, size)
    rgba = np.full((height, width, 4), 255, np.uint8)
    rgba[..., :3] = bgra[..., 2::-1]
    if size == 4:
        rgba[..., 3] = bgra[..., 3]
    return rgba if descriptor & 0x20 else rgba[::-1]


# -- the icons ---------------------------------------------------------------

def hsv(h, s, v):
    """RGB (0..1) of a hue (turns), saturation and value."""
    i = int(h * 6) % 6
    f = h * 6 - int(h * 6)
    p, q, t = v * (1 - s), v * (1 - s * f), v * (1 - s * (1 - f))
    return np.array([(v, t, p), (q, v, p), (p, v, t), (p, q, v), (t, p, v), (v, p, q)][i], np.float32)


def shape_distance(kind, x, y, centre, radius, rounding):
    """Signed distance in pixels from the edge of a shape (negative inside)."""
    dx, dy = np.abs(x - centre), np.abs(y - centre)
    if kind == 0:  # rounded square
        inner = radius - rounding
        qx, qy = np.maximum(dx - inner, 0), np.maximum(dy - inner, 0)
        outside = np.hypot(qx, qy)
        inside = np.minimum(np.maximum(dx - inner, dy - inner), 0)
        return outside + inside - rounding
    if kind == 1:  # disc
        return np.hypot(dx, dy) - radius
    return (dx + dy - radius) / np.sqrt(2)  # diamond


def blotches(rng, size, cells):
    """Soft low-frequency variation: a coarse random grid, smoothly enlarged."""
    grid = rng.standard_normal((cells + 1, cells + 1)).astype(np.float32)
    t = np.linspace(0, cells, size, dtype=np.float32)
    i = np.minimum(t.astype(int), cells - 1)
    f = t - i
    f = f * f * (3 - 2 * f)
    rows = grid[i] * (1 - f)[:, None] + grid[i + 1] * f[:, None]
    return rows[:, i] * (1 - f)[None, :] + rows[:, i + 1] * f[None, :]


def icon(index, size):
    rng = np.random.default_rng(1000 + index)
    y, x = np.mgrid[0:size, 0:size].astype(np.float32) + 0.5
    centre = size / 2
    margin = size * rng.uniform(0.05, 0.12)
    radius = centre - margin
    kind = int(rng.integers(0, 3))
    d = shape_distance(kind, x, y, centre, radius, radius * rng.uniform(0.1, 0.35))
    coverage = np.clip(0.5 - d, 0, 1)

    # Body: a gradient between two colours along a random angle.
    hue = rng.uniform()
    first = hsv(hue, rng.uniform(0.5, 0.9), rng.uniform(0.75, 1.0))
    second = hsv((hue + rng.uniform(0.05, 0.2)) % 1, rng.uniform(0.6, 1.0), rng.uniform(0.2, 0.45))
    angle = rng.uniform(0, 2 * np.pi)
    t = ((x - centre) * np.cos(angle) + (y - centre) * np.sin(angle)) / (2 * radius) + 0.5
    colour = first * (1 - np.clip(t, 0, 1))[..., None] + second * np.clip(t, 0, 1)[..., None]

    # A highlight up and to the left, an emblem, a dark rim.
    hx, hy = centre - radius * rng.uniform(0.2, 0.5), centre - radius * rng.uniform(0.2, 0.5)
    glow = np.exp(-((x - hx) ** 2 + (y - hy) ** 2) / (2 * (radius * rng.uniform(0.3, 0.6)) ** 2))
    colour += (0.35 * glow)[..., None]
    emblem_kind = int(rng.integers(0, 3))
    emblem_size = radius * rng.uniform(0.3, 0.55)
    ex, ey = centre + radius * rng.uniform(-0.2, 0.2), centre + radius * rng.uniform(-0.2, 0.2)
    if emblem_kind == 2:  # a slanted bar
        slope = rng.uniform(-1, 1)
        e = np.abs((y - ey) - slope * (x - ex)) / np.hypot(1, slope) - emblem_size * 0.3
    else:
        e = shape_distance(1 - emblem_kind, x - ex + centre, y - ey + centre, centre, emblem_size, 2.0)
    emblem = np.clip(0.5 - e, 0, 1) * rng.uniform(0.6, 0.95)
    emblem_colour = hsv((hue + 0.5) % 1, rng.uniform(0.2, 0.7), rng.uniform(0.85, 1.0))
    colour = colour * (1 - emblem[..., None]) + emblem_colour * emblem[..., None]
    rim = np.clip(1 - np.abs(d + size / 32) / (size / 32), 0, 1) * 0.6
    colour *= (1 - rim)[..., None]

    # Painted texture: soft blotches and a little grain.
    texture = blotches(rng, size, int(rng.integers(3, 7))) * rng.uniform(0.03, 0.06)
    colour += texture[..., None]
    colour += rng.standard_normal(colour.shape).astype(np.float32) * rng.uniform(0.004, 0.012)

    # A soft shadow below and to the right, gone well inside the margin.
    offset = size / 32
    ds = shape_distance(kind, x - offset, y - offset, centre, radius, radius * 0.2)
    shadow = np.clip(1 - ds / (margin * 0.6), 0, 1) ** 2 * 0.55 * (ds > 0)
    alpha = coverage + shadow * (1 - coverage)
    # Shadow pixels are black: the body's colour weighted by its coverage.
    body = np.where(alpha[..., None] > 0, colour * (coverage / np.maximum(alpha, 1e-6))[..., None], 0)
    rgba = np.empty((size, size, 4), np.uint8)
    rgba[..., :3] = np.clip(body * 255 + 0.5, 0, 255).astype(np.uint8)
    rgba[..., 3] = np.clip(alpha * 255 + 0.5, 0, 255).astype(np.uint8)
    rgba[rgba[..., 3] == 0] = 0  # cleared, as programs export clear pixels
    return rgba


def main():
    if len(sys.argv) != 5:
        print(f"usage: {sys.argv[0]} FOLDER COUNT SIZE MASK_FOLDER", file=sys.stderr)
        return 2
    folder, count, size, mask_folder = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), sys.argv[4]
    os.makedirs(folder, exist_ok=True)
    for mask in MASKS:
        write_png(os.path.join(folder, mask + ".png"), read_tga(os.path.join(mask_folder, mask + ".tga")))
    total = 0
    for index in range(count):
        name = f"BTN{WORDS[index % len(WORDS)]}{index:04d}.png"
        total += write_png(os.path.join(folder, name), icon(index, size))
    print(f"{count} icons of {size}x{size}, {total} bytes of PNG files ({total / count:.0f} per icon)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
