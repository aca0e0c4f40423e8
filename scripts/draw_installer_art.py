#!/usr/bin/env python3
"""Draws SetupLumora's pictures: the program icon (a software box with a compact disc) and the
certificate with a red rosette shown on the installer window. Standard library only.

Writes assets/setup_lumora.ico (nine images: 48, 32 and 16 pixels, each in 16 colours, 256
colours and 32-bit with alpha) and assets/certificate.bmp (48 x 48, 24-bit).
"""
import math
import os
import struct
import sys

SUPERSAMPLE = 4


def inside_polygon(x, y, pts):
    hit = False
    j = len(pts) - 1
    for i, (xi, yi) in enumerate(pts):
        xj, yj = pts[j]
        if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
            hit = not hit
        j = i
    return hit


def rect(x0, y0, x1, y1):
    return [(x0, y0), (x1, y0), (x1, y1), (x0, y1)]


def grow(pts, by):
    cx = sum(p[0] for p in pts) / len(pts)
    cy = sum(p[1] for p in pts) / len(pts)
    out = []
    for x, y in pts:
        dx, dy = x - cx, y - cy
        d = math.hypot(dx, dy) or 1.0
        out.append((x + dx / d * by * 1.4, y + dy / d * by * 1.4))
    return out


# Both scenes are drawn in a 48-unit square; each returns (r, g, b, a) with a in 0..1, or None.
BOX_FRONT = rect(5, 15, 29, 44)
BOX_SIDE = [(29, 15), (40, 7), (40, 36), (29, 44)]
BOX_TOP = [(5, 15), (16, 7), (40, 7), (29, 15)]
OUTLINE = (14, 24, 64)


def software_box(x, y):
    dx, dy = x - 33.0, y - 33.0
    r = math.hypot(dx, dy)
    if r <= 14.0:
        if r < 2.6:
            return None  # the disc's hole shows what lies behind the icon
        if r < 3.4 or r > 13.2:
            return (90, 96, 110, 1)
        if r < 6.5:
            return (214, 220, 228, 1)
        # Silver with a rainbow sheen that turns with the angle, as light on a disc does.
        angle = math.atan2(dy, dx)
        sheen = 0.5 + 0.5 * math.cos(2 * angle)
        hue = (angle / (2 * math.pi) + 0.15) % 1.0
        rr, gg, bb = hue_rgb(hue)
        base = 200 + 40 * sheen
        mix = 0.28 * sheen
        return (int(base * (1 - mix) + rr * mix), int(base * (1 - mix) + gg * mix),
                int(base * (1 - mix) + bb * mix), 1)
    if inside_polygon(x, y, BOX_TOP):
        return (120, 170, 240, 1)
    if inside_polygon(x, y, BOX_SIDE):
        return (22, 52, 138, 1)
    if inside_polygon(x, y, BOX_FRONT):
        if 20 <= y <= 26:
            return (255, 214, 40, 1)  # the label band
        if 9 <= x <= 13 and 31 <= y <= 39 or 9 <= x <= 19 and 36 <= y <= 39:
            return (255, 255, 255, 1)  # an "L" on the front
        return (36, 86, 200, 1)
    for shape in (BOX_TOP, BOX_SIDE, BOX_FRONT):
        if inside_polygon(x, y, grow(shape, 0.9)):
            return OUTLINE + (1,)
    return None


def hue_rgb(h):
    i = int(h * 6) % 6
    f = h * 6 - int(h * 6)
    q, t = int(255 * (1 - f)), int(255 * f)
    return [(255, t, 0), (q, 255, 0), (0, 255, t), (0, q, 255), (t, 0, 255), (255, 0, q)][i]


STEEL_BLUE = (123, 152, 182)


def certificate(x, y):
    # Two ribbon tails under the rosette.
    if inside_polygon(x, y, [(31, 33), (36, 33), (33, 45), (30, 42)]) or \
       inside_polygon(x, y, [(36, 33), (41, 33), (43, 42), (39, 45)]):
        return (170, 20, 30, 1)
    r = math.hypot(x - 36.0, y - 30.0)
    angle = math.atan2(y - 30.0, x - 36.0)
    if r <= 8.0 + 0.9 * math.cos(12 * angle):
        if r < 4.2:
            return (235, 60, 55, 1)
        if r < 5.0:
            return (255, 210, 80, 1)
        return (205, 25, 35, 1)
    if 3 <= x <= 45 and 6 <= y <= 40:
        if x < 4.5 or x > 43.5 or y < 7.5 or y > 38.5:
            return (120, 90, 40, 1)
        if 6 <= x <= 42 and 9 <= y <= 36 and (x < 7 or x > 41 or y < 10 or y > 35):
            return (200, 160, 70, 1)  # gilt inner border
        if 12 <= x <= 36 and 12.5 <= y <= 15:
            return (40, 40, 60, 1)  # the heading
        for top, right in ((18.5, 34), (22.5, 30), (26.5, 26)):
            if 10 <= x <= right and top <= y <= top + 1.2:
                return (130, 130, 140, 1)
        return (252, 246, 226, 1)
    return STEEL_BLUE + (1,)


def render(scene, size):
    scale = 48.0 / size
    pixels = []
    n = SUPERSAMPLE
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(n):
                for sx in range(n):
                    c = scene((px + (sx + 0.5) / n) * scale, (py + (sy + 0.5) / n) * scale)
                    if c:
                        acc[0] += c[0] * c[3]
                        acc[1] += c[1] * c[3]
                        acc[2] += c[2] * c[3]
                        acc[3] += c[3]
            a = acc[3] / (n * n)
            if acc[3] > 0:
                row.append((round(acc[0] / acc[3]), round(acc[1] / acc[3]), round(acc[2] / acc[3]),
                            round(a * 255)))
            else:
                row.append((0, 0, 0, 0))
        pixels.append(row)
    return pixels


VGA16 = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
         (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
         (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]


def palette256():
    levels = [0, 51, 102, 153, 204, 255]
    pal = [(r, g, b) for r in levels for g in levels for b in levels]
    pal += [(v, v, v) for v in range(8, 256, 12)][:256 - len(pal)]
    pal += [(0, 0, 0)] * (256 - len(pal))
    return pal


def nearest(color, pal):
    return min(range(len(pal)),
               key=lambda i: sum((color[k] - pal[i][k]) ** 2 for k in range(3)))


def row_pad(data):
    return data + b"\0" * ((-len(data)) % 4)


def and_mask(pixels):
    out = b""
    for row in reversed(pixels):
        bits = 0
        data = bytearray()
        for i, p in enumerate(row):
            bits = (bits << 1) | (1 if p[3] < 128 else 0)
            if i % 8 == 7:
                data.append(bits)
                bits = 0
        if len(row) % 8:
            data.append(bits << (8 - len(row) % 8))
        out += row_pad(bytes(data))
    return out


def icon_image(pixels, bpp):
    size = len(pixels)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bpp, 0, 0, 0, 0, 0, 0)
    if bpp == 32:
        xor = b"".join(bytes(v for p in row for v in (p[2], p[1], p[0], p[3]))
                       for row in reversed(pixels))
        return header + xor + and_mask(pixels)
    pal = VGA16 if bpp == 4 else palette256()
    table = b"".join(bytes((b, g, r, 0)) for r, g, b in pal)
    xor = b""
    cache = {}
    for row in reversed(pixels):
        idx = []
        for p in row:
            if p[3] < 128:
                idx.append(0)
            else:
                key = p[:3]
                if key not in cache:
                    cache[key] = nearest(key, pal)
                idx.append(cache[key])
        if bpp == 4:
            data = bytes((idx[i] << 4) | (idx[i + 1] if i + 1 < len(idx) else 0)
                         for i in range(0, len(idx), 2))
        else:
            data = bytes(idx)
        xor += row_pad(data)
    return header + table + xor + and_mask(pixels)


def write_ico(path):
    images = []
    for size in (48, 32, 16):
        pixels = render(software_box, size)
        for bpp in (4, 8, 32):
            images.append((size, bpp, icon_image(pixels, bpp)))
    offset = 6 + 16 * len(images)
    out = struct.pack("<HHH", 0, 1, len(images))
    for size, bpp, data in images:
        out += struct.pack("<BBBBHHII", size, size, 16 if bpp == 4 else 0, 0, 1, bpp, len(data),
                           offset)
        offset += len(data)
    out += b"".join(data for _, _, data in images)
    with open(path, "wb") as f:
        f.write(out)


def write_bmp(path, pixels):
    size = len(pixels)
    rows = b"".join(row_pad(bytes(v for p in row for v in (p[2], p[1], p[0])))
                    for row in reversed(pixels))
    info = struct.pack("<IiiHHIIiiII", 40, size, size, 1, 24, 0, len(rows), 3780, 3780, 0, 0)
    head = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(rows), 0, 0, 14 + len(info))
    with open(path, "wb") as f:
        f.write(head + info + rows)


def main():
    root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "assets")
    out = sys.argv[1] if len(sys.argv) > 1 else root
    os.makedirs(out, exist_ok=True)
    write_ico(os.path.join(out, "setup_lumora.ico"))
    write_bmp(os.path.join(out, "certificate.bmp"), render(certificate, 48))


if __name__ == "__main__":
    main()
