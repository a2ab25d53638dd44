#!/usr/bin/env python3
"""Draws the program icon (a white "V" on a blue disc) into a 16/32/48-pixel .ico.

Run once when the design changes; the result is committed as src/gui/win32/varnolt.ico:
    python3 tools/icon/make_icon.py src/gui/win32/varnolt.ico
"""
import math
import struct
import sys


def pixel(x, y, size):
    """BGRA of the pixel centred at (x + .5, y + .5), with simple 4x4 supersampling."""
    acc = [0.0, 0.0, 0.0, 0.0]
    for sy in range(4):
        for sx in range(4):
            u = (x + (sx + 0.5) / 4) / size
            v = (y + (sy + 0.5) / 4) / size
            d = math.hypot(u - 0.5, v - 0.5)
            if d > 0.47:
                continue
            # Blue disc, lighter towards the top.
            r, g, b = 30 + 40 * (1 - v), 90 + 60 * (1 - v), 200 + 40 * (1 - v)
            # The V: two strokes from the top corners to the bottom centre.
            for x0 in (0.27, 0.73):
                x1, y0, y1 = 0.5, 0.27, 0.76
                t = max(0.0, min(1.0, ((u - x0) * (x1 - x0) + (v - y0) * (y1 - y0)) /
                                 ((x1 - x0) ** 2 + (y1 - y0) ** 2)))
                if math.hypot(u - (x0 + t * (x1 - x0)), v - (y0 + t * (y1 - y0))) < 0.075:
                    r, g, b = 255, 255, 255
            acc[0] += b
            acc[1] += g
            acc[2] += r
            acc[3] += 255
    return bytes(int(c / 16) for c in acc)


def image(size):
    rows = []
    for y in reversed(range(size)):  # bottom-up, as DIBs are stored
        rows.append(b"".join(pixel(x, y, size) for x in range(size)))
    xor = b"".join(rows)
    mask_row = ((size + 31) // 32) * 4
    and_mask = bytes(mask_row * size)  # alpha decides; the mask is all opaque
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(and_mask),
                         0, 0, 0, 0)
    return header + xor + and_mask


def main(path):
    sizes = (16, 32, 48)
    images = [image(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for s, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", s, s, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    out += b"".join(images)
    with open(path, "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main(sys.argv[1])
