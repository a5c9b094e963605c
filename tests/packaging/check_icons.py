#!/usr/bin/env python3
"""check_icons.py ICO HICOLOR_DIR NAME SIZE...

Fails unless HICOLOR_DIR/<size>x<size>/apps/NAME.png exists for every SIZE as a PNG of that
size, and every size that the icon resource ICO holds too is the same picture, pixel for
pixel (colour and alpha)."""

import struct
import sys
import zlib


def ico_images(path):
    """{size: rows top-down of (r, g, b, a)} for the 32-bit images of an .ico file."""
    data = open(path, "rb").read()
    _, kind, count = struct.unpack_from("<HHH", data, 0)
    assert kind == 1, "not an icon file"
    images = {}
    for i in range(count):
        width, _, _, _, _, bits, size, offset = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
        width = width or 256
        header = struct.unpack_from("<IiiHHI", data, offset)
        assert header[4] == 32, "icon image %d is not 32 bits per pixel" % width
        pixels = offset + header[0]
        rows = []
        for y in range(width):
            start = pixels + y * width * 4
            row = [(data[p + 2], data[p + 1], data[p], data[p + 3])
                   for p in range(start, start + width * 4, 4)]
            rows.append(row)
        images[width] = rows[::-1]  # stored bottom-up
    return images


def png_image(path):
    """(width, height, rows top-down of (r, g, b, a)); 8-bit RGBA only."""
    data = open(path, "rb").read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError("%s: not a PNG file" % path)
    pos, idat, header = 8, b"", None
    while pos < len(data):
        length, kind = struct.unpack_from(">I4s", data, pos)
        body = data[pos + 8:pos + 8 + length]
        (crc,) = struct.unpack_from(">I", data, pos + 8 + length)
        if zlib.crc32(kind + body) & 0xFFFFFFFF != crc:
            raise ValueError("%s: chunk %r has a wrong CRC" % (path, kind))
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    width, height, depth, colour = header[:4]
    if (depth, colour) != (8, 6):
        raise ValueError("%s: not 8-bit RGBA" % path)
    raw = zlib.decompress(idat)
    stride = width * 4 + 1
    rows = []
    for y in range(height):
        line = raw[y * stride:(y + 1) * stride]
        if line[0] != 0:
            raise ValueError("%s: row %d uses a PNG filter this check does not undo" % (path, y))
        rows.append([tuple(line[1 + x * 4:5 + x * 4]) for x in range(width)])
    return width, height, rows


def main(ico, directory, name, sizes):
    resource = ico_images(ico)
    failures = []
    compared = 0
    for size in sizes:
        path = "%s/%dx%d/apps/%s.png" % (directory, size, size, name)
        try:
            width, height, rows = png_image(path)
        except (OSError, ValueError) as error:
            failures.append(str(error))
            continue
        if (width, height) != (size, size):
            failures.append("%s is %dx%d" % (path, width, height))
        elif size in resource:
            compared += 1
            wrong = sum(a != b for ra, rb in zip(rows, resource[size]) for a, b in zip(ra, rb))
            if wrong:
                failures.append("%s differs from the %dx%d image of %s in %d pixels"
                                % (path, size, size, ico, wrong))
    if compared == 0:
        failures.append("no size of %s is among the PNG sizes %s" % (ico, sizes))
    for failure in failures:
        print(failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2], sys.argv[3], [int(s) for s in sys.argv[4:]]))
