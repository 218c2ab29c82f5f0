#!/usr/bin/env python3
"""Draws the demo's menu picture (a sky, a sun and hills) as a 24-bit BMP: draw_menu.py OUT.bmp"""
import math
import struct
import sys

WIDTH, HEIGHT = 351, 291


def pixel(x, y):
    sun = math.hypot(x - 80, y - 70)
    hill = 200 + 25 * math.sin(x / 40.0) + 10 * math.sin(x / 13.0)
    if y > hill:
        shade = int(40 * (y - hill) / (HEIGHT - hill + 1))
        return (40 - shade // 2, 130 - shade, 60)
    if sun < 28:
        return (255, 220, 90)
    glow = max(0, 60 - sun) / 60.0
    top = y / HEIGHT
    return (int(70 + 120 * top + 80 * glow), int(120 + 90 * top + 60 * glow), int(210 + 30 * top))


def main():
    row_size = (WIDTH * 3 + 3) & ~3
    rows = []
    for y in range(HEIGHT - 1, -1, -1):  # BMP rows go bottom up
        row = bytearray()
        for x in range(WIDTH):
            r, g, b = pixel(x, y)
            row += bytes((b, g, r))
        row += b"\0" * (row_size - len(row))
        rows.append(bytes(row))
    data = b"".join(rows)
    header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    with open(sys.argv[1], "wb") as out:
        out.write(header + info + data)


if __name__ == "__main__":
    main()
