#!/usr/bin/env python3
"""Draws the application icon.

Writes updater.ico next to this script: a dark downward arrow inside a red
ring at 16, 20, 24, 32 and 48 pixels, 32 bits per pixel (the small-icon sizes
of 96, 120 and 144 pixels per inch, and the large ones; the 32 and 48 pixel
images PNG-compressed, which the system's icon loader reads since Windows
Vista, at a quarter of a bitmap's size). The window draws the
same shapes itself for its density (src/window/Pictures.cpp). Standard
library only; each pixel is the average of 8 x 8 samples, so the edges are
smooth and the background stays fully transparent.
"""
import math
import os
import struct
import zlib

SAMPLES = 8
HERE = os.path.dirname(os.path.abspath(__file__))


def inside_polygon(x, y, points):
    inside = False
    j = len(points) - 1
    for i in range(len(points)):
        xi, yi = points[i]
        xj, yj = points[j]
        if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
            inside = not inside
        j = i
    return inside


def arrow_in_ring(u, v):
    """Colour at (u, v) in the unit square, or None for transparent."""
    r = math.hypot(u - 0.5, v - 0.5)
    if 0.40 <= r <= 0.49:
        return (204, 32, 40)
    arrow = [(0.42, 0.22), (0.58, 0.22), (0.58, 0.50), (0.70, 0.50),
             (0.50, 0.76), (0.30, 0.50), (0.42, 0.50)]
    if inside_polygon(u, v, arrow):
        return (40, 40, 48)
    return None


def render(shape, size):
    """Returns rows of (r, g, b, a) tuples, straight (not premultiplied) alpha."""
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            total = [0, 0, 0]
            hits = 0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    colour = shape((x + (sx + 0.5) / SAMPLES) / size, (y + (sy + 0.5) / SAMPLES) / size)
                    if colour:
                        hits += 1
                        for i in range(3):
                            total[i] += colour[i]
            if hits:
                row.append(tuple(round(c / hits) for c in total) + (round(255 * hits / SAMPLES ** 2),))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    return rows


def icon_bitmap(rows):
    """A 32-bit DIB as icons store it: bottom-up BGRA, then an AND mask."""
    size = len(rows)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b"".join(bytes((b, g, r, a)) for row in reversed(rows) for (r, g, b, a) in row)
    mask_stride = ((size + 31) // 32) * 4
    mask = b""
    for row in reversed(rows):
        bits = 0
        line = bytearray(mask_stride)
        for x, pixel in enumerate(row):
            if pixel[3] == 0:
                line[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(line)
    return header + pixels + mask


def png(rows):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)
    size = len(rows)
    raw = b"".join(b"\0" + bytes(c for pixel in row for c in pixel) for row in rows)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def ico(images):
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries = b""
    data = b""
    for size, bitmap in images:
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(bitmap), offset + len(data))
        data += bitmap
    return directory + entries + data


def main():
    with open(os.path.join(HERE, "updater.ico"), "wb") as f:
        f.write(ico([(s, (png if s >= 32 else icon_bitmap)(render(arrow_in_ring, s))) for s in (16, 20, 24, 32, 48)]))


if __name__ == "__main__":
    main()
