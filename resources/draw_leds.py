#!/usr/bin/env python3
"""Draws the signal LED's twelve built-in pictures.

Each picture is a 15 x 15 pixel, 16-colour (4 bits per pixel), uncompressed
Windows bitmap: a round lamp in a grey ring, bright with white sparkles when
lit and a dark shade of its colour when unlit, or a white bulb that sends out
yellow rays when lit. The background is one flat colour, dark olive, or dark
magenta for the yellow lamp (whose dark shade is olive): the widget takes the
lower-left pixel's colour as the transparent one.

Run from anywhere: python3 resources/draw_leds.py [output directory]
(by default the folder of this script). Uses only the standard library.
"""

import math
import os
import struct
import sys

SIZE = 15
CENTRE = 7.0
OLIVE = (128, 128, 0)
MAGENTA = (128, 0, 128)
WHITE = (255, 255, 255)

# The ring around every lamp: a bezel lit from the upper left.
RING_DARK = (64, 64, 64)
RING_MID = (128, 128, 128)
RING_LIGHT = (192, 192, 192)
RING_BRIGHT = (224, 224, 224)

# Lamp colours: (bright, deep, dark, darkest). Lit lamps run from bright to
# deep; unlit ones from dark to darkest.
LAMPS = {
    "RED": ((255, 64, 64), (224, 0, 0), (128, 0, 0), (72, 0, 0)),
    "GREEN": ((96, 255, 96), (0, 200, 0), (0, 112, 0), (0, 64, 0)),
    "BLUE": ((96, 128, 255), (0, 0, 232), (0, 0, 128), (0, 0, 72)),
    "YELLOW": ((255, 255, 112), (232, 216, 0), (120, 112, 0), (72, 64, 0)),
    "PURPLE": ((255, 96, 255), (200, 0, 200), (112, 0, 112), (64, 0, 64)),
}


def mix(a, b, t):
    t = max(0.0, min(1.0, t))
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def lamp(colours, lit, background):
    """Rows of RGB triples, top row first, and the palette they use."""
    bright, deep, dark, darkest = colours
    if lit:
        inner, outer = bright, deep
    else:
        inner, outer = dark, darkest
    palette = [background, RING_DARK, RING_MID, RING_LIGHT, RING_BRIGHT, WHITE]
    # Lamp shades: five steps from the inner to the outer colour.
    shades = [tuple(round(c) for c in mix(inner, outer, i / 4)) for i in range(5)]
    if not lit:
        # A dim reflection keeps the dark lamp round to the eye.
        shades.append(tuple(round(c) for c in mix(dark, RING_LIGHT, 0.35)))
    palette += shades

    rows = []
    for y in range(SIZE):
        row = []
        for x in range(SIZE):
            dx, dy = x - CENTRE, y - CENTRE
            r = math.hypot(dx, dy)
            if r > 7.4:
                row.append(background)
            elif r > 5.3:
                # The bezel: light on the upper left, dark on the lower right.
                light = -(dx + dy) / (r * math.sqrt(2))  # 1 at upper left, -1 at lower right
                if r > 6.5:
                    row.append(RING_LIGHT if light > 0.2 else RING_MID if light > -0.5 else RING_DARK)
                else:
                    row.append(RING_MID if light > 0.5 else RING_DARK if light > -0.3 else RING_LIGHT)
            else:
                # The glass: brightest a little above and left of the centre.
                d = math.hypot(dx + 1.2, dy + 1.2) / 6.2
                row.append(shades[min(4, int(d * 5))])
        rows.append(row)

    if lit:
        # White sparkles: a highlight up left, a glint low right.
        for x, y in ((4, 4), (5, 4), (4, 5), (5, 5), (6, 4), (4, 6), (9, 10)):
            rows[y][x] = WHITE
    else:
        for x, y in ((4, 5), (5, 4)):
            rows[y][x] = shades[-1]
    return rows, palette


def bulb(lit):
    background = OLIVE
    YELLOW = (255, 255, 0)
    GOLD = (224, 176, 0)
    GLASS_EDGE = (96, 96, 96) if lit else (64, 64, 64)
    glass = WHITE if lit else (232, 232, 232)
    shade = (255, 255, 176) if lit else (184, 184, 184)
    palette = [background, WHITE, YELLOW, GOLD, GLASS_EDGE, glass, shade, RING_MID, RING_DARK,
               RING_LIGHT, (0, 0, 0)]
    rows = [[background] * SIZE for _ in range(SIZE)]
    cx, cy, radius = 7.0, 6.0, 3.6
    for y in range(SIZE):
        for x in range(SIZE):
            r = math.hypot(x - cx, y - cy)
            if r <= radius - 0.9:
                # Glass, with its shaded lower right.
                rows[y][x] = shade if (x - cx) + (y - cy) > 1.8 else glass
            elif r <= radius + 0.3:
                rows[y][x] = GLASS_EDGE
    # Neck and screw base.
    for y, (x0, x1) in ((10, (5, 9)), (11, (5, 9)), (12, (6, 8)), (13, (7, 7))):
        for x in range(x0, x1 + 1):
            if y == 13:
                colour = RING_DARK
            elif (x in (x0, x1)) or y == 12:
                colour = RING_DARK if y == 12 else RING_MID
            else:
                colour = RING_LIGHT if y == 10 else RING_MID
            rows[y][x] = colour
    # The filament, seen through the glass.
    for x, y in ((6, 7), (6, 6), (7, 5), (8, 6), (8, 7)):
        rows[y][x] = GOLD if lit else RING_MID
    if lit:
        rays = [
            (7, 0), (7, 1),           # up
            (1, 6), (0, 6),           # left
            (13, 6), (14, 6),         # right
            (2, 1), (3, 2),           # up left
            (12, 1), (11, 2),         # up right
            (2, 11), (3, 10),         # down left
            (12, 11), (11, 10),       # down right
        ]
        for x, y in rays:
            rows[y][x] = YELLOW
        rows[4][6] = WHITE
    return rows, palette


def write_bmp(path, rows, palette):
    palette = list(dict.fromkeys(tuple(int(round(c)) for c in p) for p in palette))
    if len(palette) > 16:
        raise ValueError(f"{path}: {len(palette)} colours")
    palette += [(0, 0, 0)] * (16 - len(palette))

    def index(colour):
        colour = tuple(int(round(c)) for c in colour)
        return min(range(16), key=lambda i: sum((palette[i][k] - colour[k]) ** 2 for k in range(3)))

    row_bytes = ((SIZE * 4 + 31) // 32) * 4
    pixels = bytearray()
    for row in reversed(rows):  # bottom-up
        line = bytearray(row_bytes)
        for x, colour in enumerate(row):
            i = index(colour)
            line[x // 2] |= i << 4 if x % 2 == 0 else i
        pixels += line
    info = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE, 1, 4, 0, len(pixels), 2835, 2835, 16, 0)
    colours = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    offset = 14 + len(info) + len(colours)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    with open(path, "wb") as out:
        out.write(header + info + colours + pixels)


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    for name, colours in LAMPS.items():
        background = MAGENTA if name == "YELLOW" else OLIVE
        for lit in (True, False):
            rows, palette = lamp(colours, lit, background)
            write_bmp(os.path.join(folder, f"LED{name}{'ON' if lit else 'OFF'}.bmp"), rows, palette)
    for lit in (True, False):
        rows, palette = bulb(lit)
        write_bmp(os.path.join(folder, f"LEDBULB{'ON' if lit else 'OFF'}.bmp"), rows, palette)


if __name__ == "__main__":
    main()
