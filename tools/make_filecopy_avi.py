#!/usr/bin/env python3
"""Draws the copy animation (a sheet carried from one folder to another) as an 8-bit RLE AVI.

Usage: make_filecopy_avi.py OUTPUT.avi

The clip has one video stream and no sound: 17 key frames of 260 x 40 pixels, 100 ms each,
every frame a complete BI_RLE8 picture so that the animation control can start anywhere.
"""
import struct
import sys

WIDTH = 260
HEIGHT = 40
FRAMES = 17
FRAME_MICROSECONDS = 100000

# Palette indices. The top-left pixel is background, which ACS_TRANSPARENT shows as the dialog colour.
BACKGROUND, FOLDER, FOLDER_EDGE, PAPER, PAPER_EDGE, INK = range(6)
PALETTE = [
    (0xF0, 0xF0, 0xF0),
    (0x50, 0xC8, 0xF0),  # blue, green, red: a warm yellow
    (0x00, 0x60, 0x80),
    (0xFF, 0xFF, 0xFF),
    (0x40, 0x40, 0x40),
    (0xC0, 0x40, 0x20),
]

LEFT_FOLDER_X = 8
RIGHT_FOLDER_X = 204
FOLDER_WIDTH = 48
FOLDER_TOP = 12
PAPER_WIDTH = 14
PAPER_HEIGHT = 18


def fill(frame, x0, y0, x1, y1, colour):
    for y in range(max(0, y0), min(HEIGHT, y1)):
        row = frame[y]
        for x in range(max(0, x0), min(WIDTH, x1)):
            row[x] = colour


def box(frame, x0, y0, x1, y1, colour, edge):
    fill(frame, x0, y0, x1, y1, edge)
    fill(frame, x0 + 1, y0 + 1, x1 - 1, y1 - 1, colour)


def folder(frame, x):
    box(frame, x, FOLDER_TOP - 4, x + 18, FOLDER_TOP + 1, FOLDER, FOLDER_EDGE)  # the tab
    box(frame, x, FOLDER_TOP, x + FOLDER_WIDTH, HEIGHT - 2, FOLDER, FOLDER_EDGE)


def paper(frame, x, y):
    box(frame, x, y, x + PAPER_WIDTH, y + PAPER_HEIGHT, PAPER, PAPER_EDGE)
    for line in range(4):
        fill(frame, x + 3, y + 4 + line * 3, x + PAPER_WIDTH - 3, y + 5 + line * 3, INK)


def draw(index):
    frame = [[BACKGROUND] * WIDTH for _ in range(HEIGHT)]
    folder(frame, LEFT_FOLDER_X)
    folder(frame, RIGHT_FOLDER_X)
    # The sheet leaves the left folder and lands in the right one along a low arc.
    start = LEFT_FOLDER_X + FOLDER_WIDTH // 2 - PAPER_WIDTH // 2
    end = RIGHT_FOLDER_X + FOLDER_WIDTH // 2 - PAPER_WIDTH // 2
    t = index / (FRAMES - 1)
    x = round(start + (end - start) * t)
    y = round(16 - 56 * t * (1 - t))
    paper(frame, x, y)
    return frame


def encode_rle8(frame):
    """BI_RLE8 of a bottom-up picture, encoded runs only, each row closed by an end-of-line."""
    out = bytearray()
    for y in range(HEIGHT - 1, -1, -1):
        row = frame[y]
        x = 0
        while x < WIDTH:
            colour = row[x]
            run = 1
            while x + run < WIDTH and run < 255 and row[x + run] == colour:
                run += 1
            out += bytes((run, colour))
            x += run
        out += b"\x00\x00"
    out[-2:] = b"\x00\x01"  # the last end-of-line becomes the end of the picture
    return bytes(out)


def chunk(fourcc, data):
    pad = b"\x00" if len(data) % 2 else b""
    return fourcc + struct.pack("<I", len(data)) + data + pad


def riff_list(kind, fourcc, body):
    return kind + struct.pack("<I", len(body) + 4) + fourcc + body


def build():
    frames = [encode_rle8(draw(i)) for i in range(FRAMES)]
    largest = max(len(f) for f in frames)
    bitmap = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 8, 1, largest, 0, 0,
                         len(PALETTE), len(PALETTE))
    bitmap += b"".join(bytes((b, g, r, 0)) for b, g, r in PALETTE)
    avih = struct.pack("<IIIIIIIIII4I", FRAME_MICROSECONDS, largest * 10, 0, 0x10, FRAMES, 0, 1,
                       largest, WIDTH, HEIGHT, 0, 0, 0, 0)
    strh = struct.pack("<4s4sIHHIIIIIIIIhhhh", b"vids", b"mrle", 0, 0, 0, 0, 1,
                       1000000 // FRAME_MICROSECONDS, 0, FRAMES, largest, 0xFFFFFFFF, 0,
                       0, 0, WIDTH, HEIGHT)
    hdrl = riff_list(b"LIST", b"hdrl", chunk(b"avih", avih) +
                     riff_list(b"LIST", b"strl", chunk(b"strh", strh) + chunk(b"strf", bitmap)))
    movi_body = b""
    index = b""
    for data in frames:
        # Offsets count from the 'movi' identifier, as the index convention has it.
        index += struct.pack("<4sIII", b"00dc", 0x10, 4 + len(movi_body), len(data))
        movi_body += chunk(b"00dc", data)
    movi = riff_list(b"LIST", b"movi", movi_body)
    return riff_list(b"RIFF", b"AVI ", hdrl + movi + chunk(b"idx1", index))


def main():
    if len(sys.argv) != 2:
        sys.stderr.write("usage: make_filecopy_avi.py OUTPUT.avi\n")
        return 2
    with open(sys.argv[1], "wb") as out:
        out.write(build())
    return 0


if __name__ == "__main__":
    sys.exit(main())
