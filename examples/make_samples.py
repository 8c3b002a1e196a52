#!/usr/bin/env python3
"""Writes the bundled sample icons and masks into examples/icons/.

Everything is drawn here from simple shapes, so the samples belong to the
project. The icons come in every form the tool reads: uncompressed and
run-length encoded, 24 and 32 bits, bottom-up and top-down (descriptor 0x20).
"""
import math
import os
import struct

SIZE = 64
HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "icons")


def header(width, height, depth, image_type, descriptor, image_id=b""):
    return struct.pack("<BBBHHBHHHHBB", len(image_id), 0, image_type, 0, 0, 0, 0, 0,
                       width, height, depth, descriptor) + image_id


def rle(pixels, bpp):
    """Run-length encodes a list of pixel byte strings (packets may cross rows)."""
    out = bytearray()
    i = 0
    n = len(pixels)
    while i < n:
        run = 1
        while i + run < n and run < 128 and pixels[i + run] == pixels[i]:
            run += 1
        if run > 1:
            out.append(0x80 | (run - 1))
            out += pixels[i]
            i += run
            continue
        raw = 1
        while i + raw < n and raw < 128 and not (i + raw + 1 < n and pixels[i + raw] == pixels[i + raw + 1]):
            raw += 1
        out.append(raw - 1)
        for p in pixels[i:i + raw]:
            out += p
        i += raw
    return bytes(out)


def write(name, draw, depth=32, compressed=False, top_down=False, image_id=b""):
    """draw(x, y) gives (r, g, b, a) with y = 0 at the top of the picture."""
    rows = range(SIZE) if top_down else range(SIZE - 1, -1, -1)
    pixels = []
    for y in rows:
        for x in range(SIZE):
            r, g, b, a = (max(0, min(255, int(round(v)))) for v in draw(x, y))
            pixels.append(bytes((b, g, r, a)) if depth == 32 else bytes((b, g, r)))
    data = rle(pixels, depth // 8) if compressed else b"".join(pixels)
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(header(SIZE, SIZE, depth, 10 if compressed else 2,
                       0x20 if top_down else (8 if depth == 32 else 0), image_id) + data)


def centred(x, y):
    return (x - SIZE / 2 + 0.5) / (SIZE / 2), (y - SIZE / 2 + 0.5) / (SIZE / 2)


def fire(x, y):
    u, v = centred(x, y)
    flame = max(0.0, 1.0 - (u * u * 2.2 + (v - 0.25) ** 2 * 0.9) - 0.15 * math.sin(6 * v + 3 * u))
    return 60 + 195 * min(1, flame * 1.6), 30 + 200 * flame * flame, 20 + 60 * flame ** 3, 255


def frost(x, y):
    u, v = centred(x, y)
    angle = math.atan2(v, u)
    radius = math.hypot(u, v)
    spoke = abs(math.cos(3 * angle)) ** 8 * max(0.0, 1 - radius)
    # Flat bands so that run-length coding has runs to find.
    band = int((1 - radius) * 4) / 4
    return 40 + 120 * band + 95 * spoke, 80 + 120 * band + 55 * spoke, 160 + 95 * band, 255


def shield(x, y):
    u, v = centred(x, y)
    inside = abs(u) < 0.8 and v < 0.9 - abs(u) ** 2 * 0.4 and v > -0.85
    if not inside:
        return 0, 0, 0, 0
    chevron = abs(v + 0.2 - abs(u) * 0.9) < 0.16
    return (230, 210, 80, 255) if chevron else (50, 70, 150, 255)


def storm(x, y):
    u, v = centred(x, y)
    bolt = abs(u - 0.3 * math.copysign(1, v) * min(1, abs(v) * 2) + v * 0.2) < 0.12
    cloud = v < -0.35 and math.hypot(u * 0.8, v + 0.55) < 0.55
    if bolt and not cloud:
        return 250, 240, 120, 255
    return (200, 200, 215, 255) if cloud else (30, 35, 70 + 40 * (v + 1), 255)


def heal(x, y):
    u, v = centred(x, y)
    plus = (abs(u) < 0.22 and abs(v) < 0.7) or (abs(v) < 0.22 and abs(u) < 0.7)
    glow = max(0.0, 1 - math.hypot(u, v))
    return (240, 250, 240, 255) if plus else (30 + 60 * glow, 120 + 100 * glow, 60 + 50 * glow, 255)


def disabled_mask(x, y):
    # Dark grey laid over most of the colour: the icon looks switched off.
    return 70, 70, 70, 170


def frame(colour, width):
    def draw(x, y):
        edge = min(x, y, SIZE - 1 - x, SIZE - 1 - y)
        if edge < width:
            shade = 1.0 - 0.12 * edge
            return colour[0] * shade, colour[1] * shade, colour[2] * shade, 255
        return 0, 0, 0, 0
    return draw


def autocast_mask(x, y):
    edge = min(x, y, SIZE - 1 - x, SIZE - 1 - y)
    if edge < 3:
        dash = ((x + y) // 4) % 2
        return (255, 215, 60, 255) if dash else (150, 90, 20, 255)
    return 0, 0, 0, 0


def normal_mask(x, y):
    # A light bevel: bright upper-left edges, dark lower-right edges.
    edge = min(x, y, SIZE - 1 - x, SIZE - 1 - y)
    if edge >= 4:
        return 0, 0, 0, 0
    alpha = 110 - 25 * edge
    lit = x + y < SIZE - 1
    return (255, 255, 255, alpha) if lit else (0, 0, 0, alpha)


def main():
    os.makedirs(HERE, exist_ok=True)
    write("Fire.tga", fire, depth=32)
    write("Frost.tga", frost, depth=24, compressed=True)
    write("Shield.tga", shield, depth=32, compressed=True, image_id=b"sample shield")
    write("Storm.tga", storm, depth=24, top_down=True)
    write("HEAL.TGA", heal, depth=24)
    write("ZOF_DISABLED_MASK.tga", disabled_mask, depth=32)
    write("ZOF_PASSIVE_MASK.tga", frame((90, 200, 110), 4), depth=32)
    write("ZOF_AUTOCAST_MASK.tga", autocast_mask, depth=32, compressed=True)
    write("ZOF_NORMAL_MASK.tga", normal_mask, depth=32)


if __name__ == "__main__":
    main()
