#!/usr/bin/env python3
"""Draws the sample skin into demo/skin: the start window's background, the
elements image (eight nine-grid pieces and the button faces), the loading
picture and the cursor. Pure standard library: PNG rows are written with zlib.

Usage: tools/draw_skin.py [output-dir]   (default: demo/skin beside this tool)

The layout below is what demo/static.json refers to; change both together.
"""
import math
import os
import struct
import sys
import zlib

# Colours (R, G, B).
FRAME = (58, 42, 120)        # body of the frame
FRAME_LIGHT = (200, 180, 255)  # the half-transparent outer line
TITLE_LEFT = (60, 44, 128)   # the top edge runs from this colour ...
TITLE_RIGHT = (120, 70, 170)  # ... to this one, so stretching shows as a gradient
MOON = (250, 236, 170)
FACE_NORMAL = (70, 50, 140)
FACE_HOVER = (110, 90, 200)
FACE_PRESSED = (40, 24, 100)
ALTER_NORMAL = (60, 70, 150)
ALTER_HOVER = (90, 130, 210)
ALTER_PRESSED = (30, 50, 110)
GLYPH = (240, 236, 255)


class Canvas:
    def __init__(self, w, h):
        self.w, self.h = w, h
        self.px = [[(0, 0, 0, 0)] * w for _ in range(h)]

    def set(self, x, y, rgb, a=255):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = (rgb[0], rgb[1], rgb[2], a)

    def fill(self, x0, y0, x1, y1, rgb, a=255):
        for y in range(y0, y1):
            for x in range(x0, x1):
                self.set(x, y, rgb, a)

    def blend(self, x, y, rgb, a):
        """Straight-alpha source-over of one pixel."""
        if not (0 <= x < self.w and 0 <= y < self.h) or a <= 0:
            return
        r, g, b, da = self.px[y][x]
        sa = a / 255.0
        oa = sa + da / 255.0 * (1 - sa)
        if oa <= 0:
            return
        mix = lambda s, d: int(round((s * sa + d * (da / 255.0) * (1 - sa)) / oa))
        self.px[y][x] = (mix(rgb[0], r), mix(rgb[1], g), mix(rgb[2], b), int(round(oa * 255)))

    def png(self, path):
        raw = b"".join(b"\0" + b"".join(struct.pack("BBBB", *p) for p in row) for row in self.px)

        def chunk(kind, data):
            body = kind + data
            return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

        ihdr = struct.pack(">IIBBBBB", self.w, self.h, 8, 6, 0, 0, 0)
        with open(path, "wb") as f:
            f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + chunk(b"IDAT", zlib.compress(raw, 9)) +
                    chunk(b"IEND", b""))


def lerp(c0, c1, t):
    return tuple(int(round(a + (b - a) * t)) for a, b in zip(c0, c1))


def disc(c, cx, cy, r, rgb, a=255):
    """An anti-aliased disc, 4x4 samples per pixel."""
    for y in range(int(cy - r) - 1, int(cy + r) + 2):
        for x in range(int(cx - r) - 1, int(cx + r) + 2):
            n = sum(1 for sy in range(4) for sx in range(4)
                    if math.hypot(x + (sx + 0.5) / 4 - cx, y + (sy + 0.5) / 4 - cy) <= r)
            c.blend(x, y, rgb, a * n // 16)


def moon(c, cx, cy, r):
    disc(c, cx, cy, r, MOON)
    # The dark bite that makes the crescent.
    for y in range(int(cy - r) - 1, int(cy + r) + 2):
        for x in range(int(cx - r) - 1, int(cx + r) + 2):
            if math.hypot(x + 0.5 - (cx + r * 0.45), y + 0.5 - (cy - r * 0.25)) < r * 0.8:
                if c.px[y][x][3]:
                    c.set(x, y, FRAME)


def glyph(c, x0, y0, kind):
    """A 28 x 22 button glyph at (x0, y0)."""
    cx, cy = x0 + 14, y0 + 11
    if kind == "close":
        for d in range(-5, 6):
            for t in (0, 1):
                c.set(cx + d, cy + d + t - 1, GLYPH)
                c.set(cx + d, cy - d + t - 1, GLYPH)
    elif kind == "minimize":
        c.fill(cx - 6, cy + 3, cx + 6, cy + 5, GLYPH)
    elif kind == "maximize":
        c.fill(cx - 6, cy - 6, cx + 6, cy - 4, GLYPH)
        c.fill(cx - 6, cy + 4, cx + 6, cy + 5, GLYPH)
        c.fill(cx - 6, cy - 6, cx - 5, cy + 5, GLYPH)
        c.fill(cx + 5, cy - 6, cx + 6, cy + 5, GLYPH)
    elif kind == "restore":
        c.fill(cx - 3, cy - 7, cx + 7, cy - 5, GLYPH)
        c.fill(cx + 6, cy - 7, cx + 7, cy + 2, GLYPH)
        c.fill(cx - 7, cy - 3, cx + 3, cy - 1, GLYPH)
        c.fill(cx - 7, cy + 4, cx + 3, cy + 5, GLYPH)
        c.fill(cx - 7, cy - 3, cx - 6, cy + 5, GLYPH)
        c.fill(cx + 2, cy - 3, cx + 3, cy + 5, GLYPH)
    elif kind == "refresh":
        for i in range(0, 300, 4):
            a = math.radians(i - 60)
            for rr in (5.0, 6.0):
                c.set(int(round(cx + rr * math.cos(a))), int(round(cy + rr * math.sin(a))), GLYPH)
        for k in range(4):  # the arrow head at the open end
            c.fill(cx + 3 - k, cy - 8 + k, cx + 4 + k, cy - 7 + k, GLYPH)


def face(c, x0, y0, rgb, kind):
    """One button face: a rounded 28 x 22 plate with its glyph."""
    for y in range(22):
        for x in range(28):
            corner = (x in (0, 27)) and (y in (0, 21))
            if not corner:
                c.set(x0 + x, y0 + y, rgb)
    glyph(c, x0, y0, kind)


def elements():
    """The nine-grid pieces (top-left 80 x 96 area) and the button faces."""
    c = Canvas(180, 200)
    # Top-left corner, 24 x 40: the title bar (32 rows) over the left edge (8 columns).
    c.fill(0, 0, 24, 32, TITLE_LEFT)
    c.fill(0, 32, 8, 40, FRAME)
    c.fill(0, 0, 24, 1, FRAME_LIGHT, 128)
    c.fill(0, 0, 1, 40, FRAME_LIGHT, 128)
    moon(c, 14, 16, 7)
    # Top edge, 32 x 32 (30 x 32 once inset): a left-to-right gradient.
    for x in range(24, 56):
        col = lerp(TITLE_LEFT, TITLE_RIGHT, (x - 25) / 29.0)
        c.fill(x, 1, x + 1, 32, col)
        c.set(x, 0, FRAME_LIGHT, 128)
    # Top-right corner, 24 x 40.
    c.fill(56, 0, 80, 32, TITLE_RIGHT)
    c.fill(70, 32, 80, 40, FRAME)
    c.fill(56, 0, 80, 1, FRAME_LIGHT, 128)
    c.fill(79, 0, 80, 40, FRAME_LIGHT, 128)
    # Left edge, 8 wide; right edge, 10 wide.
    c.fill(0, 40, 8, 72, FRAME)
    c.fill(0, 40, 1, 72, FRAME_LIGHT, 128)
    c.fill(70, 40, 80, 72, FRAME)
    c.fill(79, 40, 80, 72, FRAME_LIGHT, 128)
    # Bottom-left corner, 24 x 24: left edge (8) over the bottom edge (12 rows).
    c.fill(0, 72, 8, 96, FRAME)
    c.fill(0, 84, 24, 96, FRAME)
    c.fill(0, 72, 1, 96, FRAME_LIGHT, 128)
    c.fill(0, 95, 24, 96, FRAME_LIGHT, 128)
    # Bottom edge, 32 x 12.
    c.fill(24, 84, 56, 96, FRAME)
    c.fill(24, 95, 56, 96, FRAME_LIGHT, 128)
    # Bottom-right corner, 24 x 24.
    c.fill(70, 72, 80, 96, FRAME)
    c.fill(56, 84, 80, 96, FRAME)
    c.fill(79, 72, 80, 96, FRAME_LIGHT, 128)
    c.fill(56, 95, 80, 96, FRAME_LIGHT, 128)
    # Button faces: one row per button, columns normal, hove, pressed, alter,
    # alter_hove, alter_pressed, 30 pixels apart.
    rows = ["close", "maximize", "minimize", "refresh"]
    for r, kind in enumerate(rows):
        y = 100 + r * 24
        face(c, 0, y, FACE_NORMAL, kind)
        face(c, 30, y, FACE_HOVER, kind)
        face(c, 60, y, FACE_PRESSED, kind)
        alt = "restore" if kind == "maximize" else kind
        face(c, 90, y, ALTER_NORMAL, alt)
        face(c, 120, y, ALTER_HOVER, alt)
        face(c, 150, y, ALTER_PRESSED, alt)
    return c


def rounded(c, x0, y0, x1, y1, r, colour_at):
    for y in range(y0, y1):
        for x in range(x0, x1):
            dx = max(x0 + r - x - 0.5, 0, x + 0.5 - (x1 - r))
            dy = max(y0 + r - y - 0.5, 0, y + 0.5 - (y1 - r))
            d = math.hypot(dx, dy)
            if d <= r - 0.5:
                c.set(x, y, colour_at(x, y))
            elif d < r + 0.5:
                c.set(x, y, colour_at(x, y), int(255 * (r + 0.5 - d)))


def start_background():
    """The fixed start window, 800 x 520: title bar, frame and an open middle
    where the start page shows; the button glyphs are part of the picture."""
    w, h = 800, 520
    c = Canvas(w, h)

    def colour(x, y):
        if y < 36:
            return lerp(TITLE_LEFT, TITLE_RIGHT, x / float(w))
        return FRAME

    rounded(c, 0, 0, w, h, 14, colour)
    # The open middle: the page beneath shows through.
    c.fill(8, 36, w - 8, h - 8, (0, 0, 0), 0)
    moon(c, 22, 18, 9)
    for i, kind in enumerate(["close", "minimize"]):
        glyph(c, w - 36 - 30 * i, 8, kind)
    return c


def loading_picture():
    """A 320 x 120 plate with a moon and three dots."""
    c = Canvas(320, 120)
    rounded(c, 0, 0, 320, 120, 24, lambda x, y: lerp(TITLE_LEFT, TITLE_RIGHT, x / 320.0))
    moon(c, 70, 60, 28)
    for i in range(3):
        disc(c, 150 + 40 * i, 60, 9, GLYPH, 255 - 60 * i)
    return c


def cursor_file(path):
    """A 32 x 32 arrow cursor with 32-bit colour, hot spot at (1, 1)."""
    size = 32
    pix = [[(0, 0, 0, 0)] * size for _ in range(size)]
    for y in range(1, 21):
        for x in range(1, 1 + (y * 12) // 20 + 1):
            edge = x == 1 or x == (y * 12) // 20 + 1 or y == 20
            pix[y][x] = (255, 255, 255, 255) if edge else (170, 40, 90, 255)  # BGRA: violet
    xor = b"".join(b"".join(struct.pack("BBBB", *pix[y][x]) for x in range(size))
                   for y in range(size - 1, -1, -1))
    mask_row = ((size + 31) // 32) * 4
    and_rows = []
    for y in range(size - 1, -1, -1):
        bits = 0
        for x in range(size):
            if pix[y][x][3] == 0:
                bits |= 1 << (31 - x)
        and_rows.append(struct.pack(">I", bits) + b"\0" * (mask_row - 4))
    and_mask = b"".join(and_rows)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(and_mask), 0, 0, 0, 0)
    image = header + xor + and_mask
    head = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", size, size, 0, 0, 1, 1, len(image), 6 + 16)
    with open(path, "wb") as f:
        f.write(head + entry + image)


def main(out):
    os.makedirs(out, exist_ok=True)
    elements().png(os.path.join(out, "elements.png"))
    start_background().png(os.path.join(out, "start.png"))
    loading_picture().png(os.path.join(out, "loading.png"))
    cursor_file(os.path.join(out, "lumora.cur"))


if __name__ == "__main__":
    here = os.path.dirname(os.path.abspath(__file__))
    main(sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "demo", "skin"))
