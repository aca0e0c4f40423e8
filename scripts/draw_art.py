#!/usr/bin/env python3
"""Draws Lumora's pictures and writes them as Windows resource files (Python stdlib only).

assets/lumora.ico      the program's only icon: a 32 x 32, 16-colour blue bird
assets/lumora_bird.bmp the 278 x 136 picture of the window: the bird on white, stored as an
                       8-bit palette bitmap run-length encoded (BI_RLE8), which Windows decodes
                       itself; the anti-aliased drawing has only about a hundred colours, so the
                       palette holds every one of them and nothing is lost

The bird is made of simple shapes in a 100 x 100 design space (y grows downwards); each
picture scales and places it. Run from anywhere: python3 scripts/draw_art.py
"""

import math
import os
import struct

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

SKY = (45, 155, 235)      # body
DEEP = (20, 85, 175)      # wing and tail
BELLY = (160, 215, 250)
BEAK = (250, 190, 40)
EYE = (255, 255, 255)
PUPIL = (15, 25, 60)
OUTLINE = (10, 40, 110)
WHITE = (255, 255, 255)


def ellipse(cx, cy, rx, ry, degrees=0.0):
    c, s = math.cos(math.radians(degrees)), math.sin(math.radians(degrees))

    def inside(x, y):
        dx, dy = x - cx, y - cy
        u, v = dx * c + dy * s, -dx * s + dy * c
        return (u / rx) ** 2 + (v / ry) ** 2 <= 1.0

    return inside


def polygon(points):
    def inside(x, y):
        hit = False
        j = len(points) - 1
        for i, (xi, yi) in enumerate(points):
            xj, yj = points[j]
            if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                hit = not hit
            j = i
        return hit

    return inside


# Back to front: later shapes cover earlier ones.
BIRD = [
    (polygon([(30, 58), (3, 44), (10, 57), (1, 66), (30, 70)]), DEEP),  # tail
    (ellipse(50, 58, 29, 20, -18), SKY),  # body
    (ellipse(57, 66, 20, 10, -12), BELLY),  # belly
    (ellipse(72, 35, 15, 15), SKY),  # head
    (polygon([(84, 29), (99, 35), (84, 41)]), BEAK),  # beak
    (polygon([(28, 46), (46, 41), (62, 50), (52, 62), (34, 64), (16, 52)]), DEEP),  # wing
    (ellipse(76, 31, 3.6, 3.6), EYE),
    (ellipse(77, 31, 1.8, 1.8), PUPIL),
]


def bird_colour(x, y):
    """The bird's colour at design point (x, y), or None outside the bird."""
    colour = None
    for inside, shape_colour in BIRD:
        if inside(x, y):
            colour = shape_colour
    return colour


def draw_picture(width, height, place, samples=4):
    """Anti-aliased RGB rows, top row first, of the bird on white. `place(px, py)` maps a
    picture point to a design point."""
    rows = []
    for py in range(height):
        row = []
        for px in range(width):
            total = [0, 0, 0]
            for sy in range(samples):
                for sx in range(samples):
                    x, y = place(px + (sx + 0.5) / samples, py + (sy + 0.5) / samples)
                    colour = bird_colour(x, y) or WHITE
                    for k in range(3):
                        total[k] += colour[k]
            row.append(tuple(round(t / samples ** 2) for t in total))
        rows.append(row)
    return rows


def chirps(rows, centres, radius, colour):
    """Three small round notes beside the beak."""
    for cx, cy in centres:
        for y in range(int(cy - radius) - 1, int(cy + radius) + 2):
            for x in range(int(cx - radius) - 1, int(cx + radius) + 2):
                if (x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2 <= radius ** 2:
                    rows[y][x] = colour


def rle8_row(indices):
    """One row in BI_RLE8: runs of one index as (count, index); stretches without repeats in
    absolute mode (0, count, indices, padded to a 16-bit boundary); then end of line."""
    out = bytearray()
    i, n = 0, len(indices)
    while i < n:
        run = 1
        while i + run < n and run < 255 and indices[i + run] == indices[i]:
            run += 1
        if run >= 2:
            out += bytes((run, indices[i]))
            i += run
            continue
        # Gather single pixels up to the next repeat; absolute mode needs at least three.
        j = i
        while j < n and j - i < 255 and not (j + 1 < n and indices[j + 1] == indices[j]):
            j += 1
        if j - i >= 3:
            out += bytes((0, j - i)) + bytes(indices[i:j])
            if (j - i) % 2:
                out += b"\0"
        else:
            for k in range(i, j):
                out += bytes((1, indices[k]))
        i = j
    return out + b"\0\0"


def bmp_rle8(rows):
    """A bottom-up BI_RLE8 bitmap of RGB rows (top row first) with at most 256 colours."""
    height, width = len(rows), len(rows[0])
    palette = sorted({colour for row in rows for colour in row})
    if len(palette) > 256:
        raise ValueError("%d colours do not fit an 8-bit palette" % len(palette))
    index = {colour: i for i, colour in enumerate(palette)}
    pixels = bytearray()
    for row in reversed(rows):  # BMP rows run bottom-up
        pixels += rle8_row([index[c] for c in row])
    pixels[-2:] = b"\0\1"  # the last end of line becomes end of bitmap
    table = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 1, len(pixels), 2835, 2835,
                       len(palette), 0)
    offset = 14 + len(info) + len(table)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return header + info + table + pixels


def decode_rle8(data):
    """RGB rows (top row first) of a bitmap written by bmp_rle8: lets the script check its own
    output before writing it."""
    width, height = struct.unpack_from("<ii", data, 18)
    colours = struct.unpack_from("<I", data, 46)[0]
    offset = struct.unpack_from("<I", data, 10)[0]
    table = [tuple(data[54 + 4 * i + k] for k in (2, 1, 0)) for i in range(colours)]
    rows, row, i = [], [], offset
    while True:
        count, value = data[i], data[i + 1]
        i += 2
        if count:
            row += [table[value]] * count
        elif value in (0, 1):
            rows.append(row + [None] * (width - len(row)))
            row = []
            if value == 1:
                break
        elif value >= 3:
            row += [table[v] for v in data[i:i + value]]
            i += value + value % 2
        else:
            raise ValueError("delta codes are not written")
    return [r[:width] for r in reversed(rows)] if len(rows) == height else None


def ico16(size=32):
    """A 16-colour icon: every pixel takes the colour of the shape at its centre; the bird's
    edge gets a dark outline so that it reads on any background."""
    palette = [(0, 0, 0), SKY, DEEP, BELLY, BEAK, EYE, PUPIL, OUTLINE] + [(0, 0, 0)] * 8
    index = {colour: i for i, colour in reversed(list(enumerate(palette)))}
    scale = 100.0 / size
    grid = [[bird_colour((x + 0.5) * scale, (y + 0.5) * scale) for x in range(size)]
            for y in range(size)]

    def outside(x, y):
        return not (0 <= x < size and 0 <= y < size) or grid[y][x] is None

    colours = [[None] * size for _ in range(size)]
    for y in range(size):
        for x in range(size):
            if grid[y][x] is None:
                continue
            edge = any(outside(x + dx, y + dy) for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)))
            colours[y][x] = OUTLINE if edge else grid[y][x]

    xor = bytearray()
    mask = bytearray()
    for y in reversed(range(size)):
        nibbles = [index[c] if c is not None else 0 for c in colours[y]]
        xor += bytes((nibbles[i] << 4) | nibbles[i + 1] for i in range(0, size, 2))
        bits = 0
        for x in range(size):
            bits = (bits << 1) | (1 if colours[y][x] is None else 0)
        mask += bits.to_bytes(size // 8, "big") + bytes((-(size // 8)) % 4)
    table = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, len(xor) + len(mask), 0, 0,
                       16, 0)
    image = info + table + xor + mask
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


def main():
    width, height = 278, 136
    # The bird stands left of centre within the upper 120 rows, which the window shows whole.
    scale = 100.0 / 150.0
    picture = draw_picture(width, height, lambda px, py: ((px - 28) * scale, (py + 12) * scale))
    chirps(picture, [(200, 36), (224, 26), (250, 18)], 6.5, SKY)
    bitmap = bmp_rle8(picture)
    if decode_rle8(bitmap) != picture:
        raise SystemExit("the run-length encoding does not give the picture back")
    with open(os.path.join(ROOT, "assets", "lumora_bird.bmp"), "wb") as out:
        out.write(bitmap)
    with open(os.path.join(ROOT, "assets", "lumora.ico"), "wb") as out:
        out.write(ico16())


if __name__ == "__main__":
    main()
