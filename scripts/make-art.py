#!/usr/bin/env python3
"""Draws every bitmap of the program into res/ as PNG files.

Standard library only, so anyone can redraw the artwork after a change:
    scripts/make-art.py            # writes res/*.png
    scripts/make-art.py --preview  # also writes an 8x enlarged sheet to /tmp

All colours come from the classic 16-colour palette, which keeps the pixel art
crisp and matches the diagram's frame colours exactly.
"""
import os
import struct
import sys
import zlib

PALETTE = {
    ".": None,  # transparent
    "k": (0, 0, 0),
    "r": (128, 0, 0),
    "g": (0, 128, 0),
    "o": (128, 128, 0),
    "n": (0, 0, 128),
    "p": (128, 0, 128),
    "t": (0, 128, 128),
    "s": (192, 192, 192),
    "e": (128, 128, 128),
    "R": (255, 0, 0),
    "G": (0, 255, 0),
    "Y": (255, 255, 0),
    "B": (0, 0, 255),
    "F": (255, 0, 255),
    "A": (0, 255, 255),
    "w": (255, 255, 255),
}


class Image:
    def __init__(self, w, h, fill=None):
        self.w, self.h = w, h
        self.px = [[fill for _ in range(w)] for _ in range(h)]

    def set(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = c

    def rect(self, x0, y0, x1, y1, c):
        """Fills the inclusive rectangle x0..x1, y0..y1."""
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.set(x, y, c)

    def blit(self, other, ox, oy):
        for y in range(other.h):
            for x in range(other.w):
                self.px[oy + y][ox + x] = other.px[y][x]

    def write_png(self, path):
        raw = bytearray()
        for row in self.px:
            raw.append(0)
            for c in row:
                raw.extend((0, 0, 0, 0) if c is None else (*c, 255))

        def chunk(tag, data):
            body = tag + data
            return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

        png = b"\x89PNG\r\n\x1a\n"
        png += chunk(b"IHDR", struct.pack(">IIBBBBB", self.w, self.h, 8, 6, 0, 0, 0))
        png += chunk(b"IDAT", zlib.compress(bytes(raw), 9))
        png += chunk(b"IEND", b"")
        with open(path, "wb") as f:
            f.write(png)


def from_rows(rows):
    h, w = len(rows), len(rows[0])
    img = Image(w, h)
    for y, row in enumerate(rows):
        assert len(row) == w, f"row {y} is {len(row)} wide, not {w}: {row!r}"
        for x, ch in enumerate(row):
            img.px[y][x] = PALETTE[ch]
    return img


# ---------------------------------------------------------------- diagram boxes

def bevel_box(w, h, ring, outer, middle, inner, inner_right_extra=0):
    """A white rectangle inside three rings of equal width.

    outer and inner are (top/left colour, bottom/right colour). At the
    bottom-left and top-right corners the ring-wide square keeps the top/left
    colour, as on a raised button.
    """
    img = Image(w, h, PALETTE["w"])

    def ring_at(i, colours, extra_right=0):
        tl, br = colours
        x0, y0 = i * ring, i * ring
        x1, y1 = w - 1 - i * ring, h - 1 - i * ring
        r = ring + extra_right
        # bottom and right first, then top and left over the shared corners
        img.rect(x0, y1 - ring + 1, x1, y1, br)
        img.rect(x1 - r + 1, y0, x1, y1, br)
        img.rect(x0, y0, x1, y0 + ring - 1, tl)
        img.rect(x0, y0, x0 + ring - 1, y1, tl)
        # corner squares bottom-left and top-right take the top/left colour
        img.rect(x0, y1 - ring + 1, x0 + ring - 1, y1, tl)
        img.rect(x1 - r + 1, y0, x1, y0 + ring - 1, tl)

    ring_at(0, outer)
    ring_at(1, (middle, middle))
    # the inner ring sits inside the middle one; extra width grows inwards
    ring_at(2, inner, inner_right_extra)
    return img


P = PALETTE
DIAGRAM = {
    "register_box": bevel_box(54, 23, 1, (P["s"], P["n"]), P["A"], (P["n"], P["s"])),
    "coef_box": bevel_box(54, 23, 1, (P["G"], P["e"]), P["g"], (P["e"], P["G"])),
    "output_box": bevel_box(54, 23, 1, (P["s"], P["k"]), P["R"], (P["k"], P["s"])),
    "input_box": bevel_box(54, 23, 1, (P["s"], P["k"]), P["F"], (P["k"], P["s"])),
    "filter_box": bevel_box(105, 46, 2, (P["s"], P["k"]), P["o"], (P["k"], P["s"])),
    "panel": bevel_box(614, 123, 2, (P["s"], P["k"]), P["o"], (P["k"], P["s"]),
                       inner_right_extra=1),
}

# ---------------------------------------------------------------- toolbar, 16 x 15 each

TOOLBAR = [
    # 1 save: a floppy disk
    [
        "................",
        ".kkkkkkkkkkkkkk.",
        ".kBwwwwwwwwwwBk.",
        ".kBwwwwwwwwwwBk.",
        ".kBweeeeeeeewBk.",
        ".kBwwwwwwwwwwBk.",
        ".kBweeeeeeeewBk.",
        ".kBwwwwwwwwwwBk.",
        ".kBBBBBBBBBBBBk.",
        ".kBBBssssssBBBk.",
        ".kBBBsskkssBBBk.",
        ".kBBBsskkssBBBk.",
        ".kBBBssssssBBBk.",
        "..kkkkkkkkkkkkk.",
        "................",
    ],
    # 2 print: a printer with a sheet
    [
        "................",
        "....kkkkkkkk....",
        "....kwwwwwwk....",
        "....kwkkkkwk....",
        "....kwwwwwwk....",
        "..kkkkkkkkkkkk..",
        ".kssssssssssssk.",
        ".kssssssssssGsk.",
        ".keeeeeeeeeeeek.",
        ".kssssssssssssk.",
        ".kskwwwwwwwwksk.",
        ".kkkwkkkkkkwkkk.",
        "....kwwwwwwk....",
        "....kkkkkkkk....",
        "................",
    ],
    # 3 settings: a blue spanner
    [
        "................",
        "..........nBBn..",
        ".........nBn....",
        "........nBBn..n.",
        "........nBBBnBn.",
        ".......nBBBBBBn.",
        "......nBBBBBnn..",
        ".....nBBBnnn....",
        "....nBBBn.......",
        "...nBBBn........",
        "..nBBBn.........",
        ".nBBBn..........",
        ".nBBn...........",
        "..nn............",
        "................",
    ],
    # 4 step: a green arrow pointing at a yellow bar
    [
        "................",
        "..........kkk...",
        "..k.......kYk...",
        "..kk......kYk...",
        "..kGk.....kYk...",
        "..kGGk....kYk...",
        "..kGGGk...kYk...",
        "..kGGGGk..kYk...",
        "..kGGGk...kYk...",
        "..kGGk....kYk...",
        "..kGk.....kYk...",
        "..kk......kYk...",
        "..k.......kYk...",
        "..........kkk...",
        "................",
    ],
    # 5 animation: a green arrow
    [
        "................",
        "....k...........",
        "....kk..........",
        "....kGk.........",
        "....kGGk........",
        "....kGGGk.......",
        "....kGGGGk......",
        "....kGGGGGk.....",
        "....kGGGGk......",
        "....kGGGk.......",
        "....kGGk........",
        "....kGk.........",
        "....kk..........",
        "....k...........",
        "................",
    ],
    # 6 rewind: a green double arrow pointing left
    [
        "................",
        "........k......k",
        ".......kk.....kk",
        "......kGk....kGk",
        ".....kGGk...kGGk",
        "....kGGGk..kGGGk",
        "...kGGGGk.kGGGGk",
        "..kGGGGGkkGGGGGk",
        "...kGGGGk.kGGGGk",
        "....kGGGk..kGGGk",
        ".....kGGk...kGGk",
        "......kGk....kGk",
        ".......kk.....kk",
        "........k......k",
        "................",
    ],
    # 7 fast forward: a green double arrow pointing right
    [
        "................",
        "k......k........",
        "kk.....kk.......",
        "kGk....kGk......",
        "kGGk...kGGk.....",
        "kGGGk..kGGGk....",
        "kGGGGk.kGGGGk...",
        "kGGGGGkkGGGGGk..",
        "kGGGGk.kGGGGk...",
        "kGGGk..kGGGk....",
        "kGGk...kGGk.....",
        "kGk....kGk......",
        "kk.....kk.......",
        "k......k........",
        "................",
    ],
    # 8 file run: two yellow pages joined by an arrow
    [
        "kkkkkk..........",
        "kYYYYkk.........",
        "kYkkYYk.........",
        "kYYYYYk.........",
        "kYkkkYk.........",
        "kYYYYYk.........",
        "kYkkkYk..kkkkkk.",
        "kYYYYYk..kYYYYkk",
        "kkkkkkk..kYkkYYk",
        "...R.....kYYYYYk",
        "...R..R..kYkkkYk",
        "...R..RR.kYYYYYk",
        "...RRRRRRkYkkkYk",
        "......RR.kYYYYYk",
        "......R..kkkkkkk",
    ],
    # 9 about: a yellow question mark
    [
        "................",
        ".....kkkkkk.....",
        "....kYYYYYYk....",
        "...kYYkkkkYYk...",
        "...kYYk..kYYk...",
        "....kk...kYYk...",
        ".........kYYk...",
        ".......kkYYk....",
        "......kYYYk.....",
        "......kYYk......",
        "......kkkk......",
        "......kYYk......",
        "......kYYk......",
        "......kkkk......",
        "................",
    ],
]

# ---------------------------------------------------------------- application icon

def app_icon(size):
    """An impulse response: a decaying row of stems on a navy tile."""
    img = Image(size, size)
    s = size / 32.0

    def sc(v):
        return int(round(v * s))

    # tile with a black edge and cut corners
    img.rect(sc(1), sc(1), size - 1 - sc(1), size - 1 - sc(1), P["k"])
    img.rect(sc(1) + 1, sc(1) + 1, size - 2 - sc(1), size - 2 - sc(1), P["n"])
    for (cx, cy) in ((sc(1), sc(1)), (size - 1 - sc(1), sc(1)),
                     (sc(1), size - 1 - sc(1)), (size - 1 - sc(1), size - 1 - sc(1))):
        img.set(cx, cy, None)
    base = sc(24)
    left, right = sc(4), size - 1 - sc(4)
    img.rect(left, base, right, base, P["w"])
    if size >= 32:
        stems = [(7, 16), (12, 10), (17, 6), (22, 3), (27, 1)]
        for x, h in stems:
            img.rect(x, base - h, x, base - 1, P["Y"])
            img.rect(x - 1, base - h - 2, x + 1, base - h, P["A"])
    else:
        stems = [(3, 8), (6, 5), (9, 3), (12, 1)]
        for x, h in stems:
            img.rect(x, base - h, x, base - 1, P["Y"])
            img.set(x, base - h - 1, P["A"])
    return img


def main():
    root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "res")
    os.makedirs(root, exist_ok=True)
    for name, img in DIAGRAM.items():
        img.write_png(os.path.join(root, f"{name}.png"))

    strip = Image(16 * len(TOOLBAR), 15)
    for i, rows in enumerate(TOOLBAR):
        tile = from_rows(rows)
        assert (tile.w, tile.h) == (16, 15)
        strip.blit(tile, 16 * i, 0)
    strip.write_png(os.path.join(root, "toolbar.png"))

    icons = {32: app_icon(32), 16: app_icon(16)}
    for size, img in icons.items():
        img.write_png(os.path.join(root, f"ravelin-{size}.png"))

    if "--preview" in sys.argv:
        zoom = 8
        parts = [strip, icons[32], icons[16]]
        sheet = Image(max(p.w for p in parts) * zoom + 16, sum(p.h * zoom + 8 for p in parts),
                      (220, 220, 220))
        y = 0
        for p in parts:
            for py in range(p.h):
                for px in range(p.w):
                    c = p.px[py][px]
                    if c is not None:
                        sheet.rect(px * zoom, y + py * zoom, px * zoom + zoom - 1,
                                   y + py * zoom + zoom - 1, c)
            y += p.h * zoom + 8
        sheet.write_png("/tmp/ravelin-art-preview.png")


if __name__ == "__main__":
    main()
