#!/usr/bin/env python3
"""Draws the program's own pictures and writes them next to this script:

  asma.ico     the application icon "ASMA": a blue tile with a white arrow into a chip,
               at 16, 32 and 48 pixels, 32 bits per pixel with alpha;
  bitmap0.bmp  the error mark "BITMAP0": 290 x 290, 32 bits per pixel, a red disc with a
               white cross; outside the disc it is transparent (alpha 0) and button grey,
               so that readers that ignore alpha still show a clean square.

With --hicolor DIR NAME SIZE... it draws the same icon as PNG files for the desktop's icon
theme instead, DIR/<size>x<size>/apps/NAME.png (the build does this for the package).

Only the standard library is used; running it again gives the same bytes.
"""

import math
import os
import struct
import sys
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
BUTTON_GREY = (0xD4, 0xD0, 0xC8)


def coverage(signed_distance):
    """Share of a pixel inside a shape, from the distance of its centre to the edge
    (negative inside)."""
    return max(0.0, min(1.0, 0.5 - signed_distance))


def over(top, alpha, bottom):
    """Straight-alpha 'top over bottom'; colours are (r, g, b, a) with a in 0..1."""
    r, g, b = top
    br, bg, bb, ba = bottom
    out_a = alpha + ba * (1 - alpha)
    if out_a <= 0:
        return (br, bg, bb, 0.0)
    mix = lambda c, d: (c * alpha + d * ba * (1 - alpha)) / out_a
    return (mix(r, br), mix(g, bg), mix(b, bb), out_a)


def segment_distance(px, py, ax, ay, bx, by):
    vx, vy = bx - ax, by - ay
    t = ((px - ax) * vx + (py - ay) * vy) / (vx * vx + vy * vy)
    t = max(0.0, min(1.0, t))
    return math.hypot(px - (ax + t * vx), py - (ay + t * vy))


def rounded_box_distance(px, py, cx, cy, half, radius):
    qx = abs(px - cx) - (half - radius)
    qy = abs(py - cy) - (half - radius)
    outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
    inside = min(max(qx, qy), 0.0)
    return outside + inside - radius


def error_mark_pixel(x, y, size):
    c = size / 2.0
    px, py = x + 0.5, y + 0.5
    radius = size / 2.0 - 2.0
    d = math.hypot(px - c, py - c) - radius
    colour = (BUTTON_GREY[0], BUTTON_GREY[1], BUTTON_GREY[2], 0.0)
    colour = over((0x8E, 0x10, 0x10), coverage(d), colour)  # dark rim
    colour = over((0xE0, 0x26, 0x26), coverage(d + size * 0.035), colour)  # red disc
    arm = size * 0.24
    half_width = size * 0.065
    cross = min(segment_distance(px, py, c - arm, c - arm, c + arm, c + arm),
                segment_distance(px, py, c - arm, c + arm, c + arm, c - arm)) - half_width
    colour = over((0xFF, 0xFF, 0xFF), coverage(cross), colour)
    return colour


def icon_pixel(x, y, size):
    s = size / 48.0
    px, py = x + 0.5, y + 0.5
    c = size / 2.0
    colour = (0, 0, 0, 0.0)
    tile = rounded_box_distance(px, py, c, c, size / 2.0 - 0.5 * s, 8 * s)
    colour = over((0x1F, 0x4E, 0x99), coverage(tile), colour)
    white = (0xFF, 0xFF, 0xFF)
    # The chip: a bar along the bottom with three legs.
    bar = max(abs(px - c) - 13 * s, abs(py - 35 * s) - 3 * s)
    legs = min(max(abs(px - (c + dx * s)) - 1.5 * s, abs(py - 40.5 * s) - 2.5 * s)
               for dx in (-8, 0, 8))
    colour = over(white, coverage(min(bar, legs)), colour)
    # The arrow: a shaft and a head pointing down into the chip.
    shaft = max(abs(px - c) - 3.5 * s, abs(py - 15 * s) - 7 * s)
    head_top, head_bottom, head_half = 20 * s, 29 * s, 10 * s
    t = (py - head_top) / (head_bottom - head_top)
    head = max(abs(px - c) - head_half * (1 - t), head_top - py, py - head_bottom)
    colour = over(white, coverage(min(shaft, head)), colour)
    return colour


def bgra_rows(draw, width, height):
    """Rows bottom-up, each pixel as straight-alpha B, G, R, A bytes."""
    rows = []
    for y in range(height - 1, -1, -1):
        row = bytearray()
        for x in range(width):
            r, g, b, a = draw(x, y, width)
            row += bytes((round(b), round(g), round(r), round(a * 255)))
        rows.append(bytes(row))
    return rows


def write_bitmap(path, size):
    rows = bgra_rows(error_mark_pixel, size, size)
    pixels = b"".join(rows)
    header_size = 124  # BITMAPV5HEADER, for its alpha mask
    offset = 14 + header_size
    file_header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    info = struct.pack(
        "<IiiHHIIiiII", header_size, size, size, 1, 32, 3,  # BI_BITFIELDS
        len(pixels), 2835, 2835, 0, 0)
    info += struct.pack("<IIII", 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000)
    info += b"sRGB"[::-1]  # LCS_sRGB, stored little-endian
    info += bytes(36)  # endpoints
    info += struct.pack("<III", 0, 0, 0)  # gamma
    info += struct.pack("<IIII", 4, 0, 0, 0)  # LCS_GM_IMAGES, profile data, size, reserved
    assert len(info) == header_size
    with open(path, "wb") as f:
        f.write(file_header + info + pixels)


def icon_image(size):
    rows = bgra_rows(icon_pixel, size, size)
    mask_stride = ((size + 31) // 32) * 4
    mask = bytes(mask_stride * size)  # all opaque by mask; alpha decides
    info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0,
                       len(b"".join(rows)) + len(mask), 0, 0, 0, 0)
    return info + b"".join(rows) + mask


def write_icon(path, sizes):
    images = [icon_image(s) for s in sizes]
    header = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries = b""
    for s, data in zip(sizes, images):
        entries += struct.pack("<BBBBHHII", s % 256, s % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open(path, "wb") as f:
        f.write(header + entries + b"".join(images))


def png_chunk(kind, data):
    return (struct.pack(">I", len(data)) + kind + data
            + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))


def write_png(path, size):
    """The icon as 8-bit RGBA with straight alpha, as PNG wants it."""
    raw = bytearray()
    for y in range(size):
        raw.append(0)  # filter type None
        for x in range(size):
            r, g, b, a = icon_pixel(x, y, size)
            raw += bytes((round(r), round(g), round(b), round(a * 255)))
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)  # 8 bits, RGBA
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", header)
                + png_chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + png_chunk(b"IEND", b""))


def write_hicolor(directory, name, sizes):
    for size in sizes:
        apps = os.path.join(directory, "%dx%d" % (size, size), "apps")
        os.makedirs(apps, exist_ok=True)
        write_png(os.path.join(apps, name + ".png"), size)


if __name__ == "__main__":
    if len(sys.argv) > 1 and sys.argv[1] == "--hicolor":
        if len(sys.argv) < 5:
            sys.exit("usage: make_pictures.py [--hicolor DIR NAME SIZE...]")
        write_hicolor(sys.argv[2], sys.argv[3], [int(s) for s in sys.argv[4:]])
    else:
        write_bitmap(os.path.join(HERE, "bitmap0.bmp"), 290)
        write_icon(os.path.join(HERE, "asma.ico"), [16, 32, 48])
