#!/usr/bin/env python3
"""Writes firmware-test.bin, the test image the program carries unless the build is given a
vendor image: 260096 bytes (1016 blocks of 256), the same on every run.

Layout: 900 blocks of pseudo-random bytes (a 32-bit xorshift generator with a fixed seed),
whose first byte is forced to 0x00 so the upload's very first byte is the zero byte, then
116 blocks of 0xFF, the erased tail of a real image.

    python3 make_firmware_test_image.py [output]
"""
import os
import sys

SIZE = 260096
PAYLOAD = 900 * 256


def image() -> bytes:
    out = bytearray(b"\xff" * SIZE)
    state = 0x2545F491
    for i in range(PAYLOAD):
        state ^= (state << 13) & 0xFFFFFFFF
        state ^= state >> 17
        state ^= (state << 5) & 0xFFFFFFFF
        out[i] = state & 0xFF
    out[0] = 0x00
    return bytes(out)


def main() -> None:
    here = os.path.dirname(os.path.abspath(__file__))
    path = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "firmware-test.bin")
    with open(path, "wb") as f:
        f.write(image())


if __name__ == "__main__":
    main()
