#!/usr/bin/env python3
"""xwd-to-png.py IN.xwd|IN.bmp OUT.png

Turns a window dump of xwd(1) (24 or 32 bits per pixel, TrueColor), or a 24-bit bottom-up
BMP file (what the Windows hands save), into a PNG file and
prints "<width>x<height> <number of distinct colours>", so that a script can tell a drawn
window from an empty one. Only the standard library is used."""

import struct
import sys
import zlib


def read_xwd(path):
    data = open(path, "rb").read()
    fields = struct.unpack_from(">25I", data, 0)
    (header_size, _, pixmap_format, _, width, height, _, byte_order, _, _, _, bits_per_pixel,
     bytes_per_line, _, red_mask, green_mask, blue_mask, _, _, ncolors) = fields[:20]
    if pixmap_format != 2 or bits_per_pixel != 32:
        raise ValueError("only 32-bit ZPixmap dumps are read, not format %d with %d bits"
                         % (pixmap_format, bits_per_pixel))
    order = "<" if byte_order == 0 else ">"
    start = header_size + 12 * ncolors

    def channel(pixel, mask):
        shift = (mask & -mask).bit_length() - 1
        return (pixel & mask) >> shift

    rows = []
    for y in range(height):
        line = data[start + y * bytes_per_line:start + y * bytes_per_line + 4 * width]
        pixels = struct.unpack(order + "%dI" % width, line)
        rows.append([(channel(p, red_mask), channel(p, green_mask), channel(p, blue_mask))
                     for p in pixels])
    return width, height, rows


def read_bmp(path):
    data = open(path, "rb").read()
    offset, = struct.unpack_from("<I", data, 10)
    width, height, _, bits = struct.unpack_from("<iiHH", data, 18)
    if bits != 24 or height <= 0:
        raise ValueError("only 24-bit bottom-up BMP files are read")
    stride = (width * 3 + 3) & ~3
    rows = []
    for y in range(height - 1, -1, -1):
        line = data[offset + y * stride:offset + y * stride + 3 * width]
        rows.append([(line[3 * x + 2], line[3 * x + 1], line[3 * x]) for x in range(width)])
    return width, height, rows


def write_png(path, width, height, rows):
    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body
                + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))

    raw = b"".join(b"\0" + bytes(c for pixel in row for c in pixel) for row in rows)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n"
                + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
                + chunk(b"IDAT", zlib.compress(raw, 6)) + chunk(b"IEND", b""))


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit("usage: xwd-to-png.py IN.xwd|IN.bmp OUT.png")
    reader = read_bmp if sys.argv[1].endswith(".bmp") else read_xwd
    width, height, rows = reader(sys.argv[1])
    write_png(sys.argv[2], width, height, rows)
    print("%dx%d %d" % (width, height, len({p for row in rows for p in row})))
