#!/usr/bin/env python3
"""Draws the program icon and writes it as resources/quillix.ico.

The icon is one 32 x 32 image in the 16 standard Windows colours (4 bits per pixel with an
AND mask), which is what the frame window class and the About box ask for: a page of hex
pairs, one pair in red as an edited byte shows, and a quill writing on it.

Usage: scripts/make-icon.py [output.ico]   (python3, standard library only)
"""
import struct
import sys
from pathlib import Path

SIZE = 32

# The 16-colour palette in the order Windows uses for 4-bit bitmaps, as (red, green, blue).
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
BLACK, MAROON, NAVY, TEAL, SILVER, GRAY, RED, YELLOW, BLUE, AQUA, WHITE = 0, 1, 4, 6, 7, 8, 9, 11, 12, 14, 15

# 3 x 5 pixel hex digits, one string of three columns per row.
GLYPHS = {
    "0": ["###", "#.#", "#.#", "#.#", "###"],
    "1": [".#.", "##.", ".#.", ".#.", "###"],
    "2": ["###", "..#", "###", "#..", "###"],
    "3": ["###", "..#", ".##", "..#", "###"],
    "4": ["#.#", "#.#", "###", "..#", "..#"],
    "5": ["###", "#..", "###", "..#", "###"],
    "6": ["###", "#..", "###", "#.#", "###"],
    "7": ["###", "..#", "..#", ".#.", ".#."],
    "8": ["###", "#.#", "###", "#.#", "###"],
    "9": ["###", "#.#", "###", "..#", "###"],
    "A": [".#.", "#.#", "###", "#.#", "#.#"],
    "B": ["##.", "#.#", "##.", "#.#", "##."],
    "C": [".##", "#..", "#..", "#..", ".##"],
    "D": ["##.", "#.#", "#.#", "#.#", "##."],
    "E": ["###", "#..", "##.", "#..", "###"],
    "F": ["###", "#..", "##.", "#..", "#.."],
}


class Canvas:
    """A 32 x 32 grid of palette indexes; None marks a transparent pixel."""

    def __init__(self):
        self.pixels = [[None] * SIZE for _ in range(SIZE)]

    def set(self, x, y, colour):
        if 0 <= x < SIZE and 0 <= y < SIZE:
            self.pixels[y][x] = colour

    def fill(self, x0, y0, x1, y1, colour):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.set(x, y, colour)

    def text(self, x, y, digits, colour):
        for digit in digits:
            if digit == " ":
                x += 1  # pairs stand two pixels apart, digits within a pair one
                continue
            for row, line in enumerate(GLYPHS[digit]):
                for column, mark in enumerate(line):
                    if mark == "#":
                        self.set(x + column, y + row, colour)
            x += 4


def draw_page(canvas):
    left, top, right, bottom, fold = 1, 1, 20, 30, 6
    canvas.fill(left, top, right, bottom, WHITE)
    for x in range(left, right + 1):
        canvas.set(x, top, BLACK)
        canvas.set(x, bottom, BLACK)
    for y in range(top, bottom + 1):
        canvas.set(left, y, BLACK)
        canvas.set(right, y, BLACK)
    # Dog-ear: cut the top right corner away and fold it down as a grey triangle.
    for step in range(fold):
        for x in range(right - fold + 1 + step, right + 1):
            canvas.set(x, top + step, None)
    for step in range(fold + 1):
        x = right - fold + step
        canvas.set(x, top + step, BLACK)
        for y in range(top + step + 1, top + fold + 1):
            canvas.set(x, y, SILVER)
        canvas.set(x, top + fold, BLACK)
    canvas.set(right - fold, top, BLACK)
    # Shadow along the right and bottom edges lifts the page off the background.
    for y in range(top + fold + 1, bottom + 2):
        canvas.set(right + 1, y, GRAY)
    for x in range(left + 1, right + 2):
        canvas.set(x, bottom + 1, GRAY)


def draw_bytes(canvas):
    canvas.text(3, 5, "51", NAVY)
    canvas.text(3, 11, "7F 80", NAVY)
    canvas.text(3, 17, "C0", NAVY)
    canvas.text(12, 17, "DE", RED)   # an edited byte, as the view marks it until saved
    canvas.text(3, 23, "A5 0E", NAVY)


def draw_quill(canvas):
    # The shaft falls three rows for every column, from the top right corner down to a nib
    # that rests beside the page's lower right corner.
    def shaft_x(y):
        return 30 - y // 3

    # The vane, row by row as (pixels left of the shaft, pixels right of it): it swells
    # in the middle of the feather and narrows to both ends.
    vane = [(0, 1), (1, 1), (2, 1), (2, 1), (3, 1), (3, 1), (4, 1), (4, 1), (4, 1), (4, 1),
            (4, 1), (3, 1), (3, 1), (3, 1), (2, 1), (2, 1), (1, 1), (1, 0), (1, 0)]
    for y, (left, right) in enumerate(vane):
        x = shaft_x(y)
        for dx in range(1, left + 1):
            canvas.set(x - dx, y, TEAL if dx == left else AQUA)
        for dx in range(1, right + 1):
            canvas.set(x + dx, y, TEAL if dx == right else AQUA)
    for y in range(0, 26):
        canvas.set(shaft_x(y), y, GRAY)
    for y in range(26, 30):
        canvas.set(shaft_x(y), y, BLACK)
    canvas.set(shaft_x(29) - 1, 30, BLUE)  # a drop of ink at the nib


def draw():
    canvas = Canvas()
    draw_page(canvas)
    draw_bytes(canvas)
    draw_quill(canvas)
    return canvas


def ico_bytes(canvas):
    """One-image ICO: directory, BITMAPINFOHEADER, palette, 4-bit XOR bitmap, 1-bit AND mask."""
    xor_rows = []
    and_rows = []
    for y in reversed(range(SIZE)):  # bitmaps are stored bottom-up
        row = canvas.pixels[y]
        xor = bytearray()
        for x in range(0, SIZE, 2):
            high = row[x] if row[x] is not None else 0
            low = row[x + 1] if row[x + 1] is not None else 0
            xor.append(high << 4 | low)
        xor_rows.append(bytes(xor))
        mask = 0
        for x in range(SIZE):
            mask = mask << 1 | (1 if row[x] is None else 0)
        and_rows.append(mask.to_bytes(SIZE // 8, "big"))  # rows of 32 bits need no padding
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    image_size = SIZE * SIZE // 2 + SIZE * SIZE // 8
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 4, 0, image_size, 0, 0, 16, 0)
    image = header + palette + b"".join(xor_rows) + b"".join(and_rows)
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


def main():
    default = Path(__file__).resolve().parent.parent / "resources" / "quillix.ico"
    target = Path(sys.argv[1]) if len(sys.argv) > 1 else default
    target.write_bytes(ico_bytes(draw()))
    print(f"wrote {target}")


if __name__ == "__main__":
    main()
