#!/usr/bin/env python3
"""Draws the launcher's icon (res/launcher.ico): a violet disc with a light
crescent, in 16, 32, 48 and 256 pixel sizes, as 32-bit images with alpha."""
import math
import struct
import sys


def pixel(size, x, y):
    """BGRA of one pixel, with 4x4 supersampling for smooth edges."""
    acc = [0.0, 0.0, 0.0, 0.0]
    for sy in range(4):
        for sx in range(4):
            u = (x + (sx + 0.5) / 4) / size * 2 - 1
            v = (y + (sy + 0.5) / 4) / size * 2 - 1
            r = math.hypot(u, v)
            if r > 0.94:
                continue
            # Disc: violet at the top to deep blue at the bottom.
            t = (v + 1) / 2
            col = (90 + 60 * (1 - t), 40 + 30 * (1 - t), 160 + 60 * (1 - t))
            # Crescent: a light disc minus a shifted one ("Lumora": a moon).
            in_moon = math.hypot(u + 0.05, v) < 0.55 and math.hypot(u - 0.22, v - 0.12) > 0.48
            if in_moon:
                col = (250, 236, 170)
            if 0.88 < r <= 0.94:
                col = tuple(c * 0.7 for c in col)
            acc[0] += col[2]
            acc[1] += col[1]
            acc[2] += col[0]
            acc[3] += 255
    n = 16.0
    a = acc[3] / n
    if a == 0:
        return (0, 0, 0, 0)
    # Colour is averaged over covered samples only; alpha carries coverage.
    cover = acc[3] / 255
    return tuple(int(round(c / cover)) for c in acc[:3]) + (int(round(a)),)


def dib(size):
    rows = []
    for y in range(size - 1, -1, -1):  # bottom-up
        rows.append(b"".join(struct.pack("BBBB", *pixel(size, x, y)) for x in range(size)))
    xor = b"".join(rows)
    mask_row = ((size + 31) // 32) * 4
    and_mask = b"\0" * (mask_row * size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(and_mask), 0, 0, 0, 0)
    return header + xor + and_mask


def main(out):
    sizes = [16, 32, 48, 256]
    images = [dib(s) for s in sizes]
    head = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    entries = b""
    for s, img in zip(sizes, images):
        entries += struct.pack("<BBBBHHII", s % 256, s % 256, 0, 0, 1, 32, len(img), offset)
        offset += len(img)
    with open(out, "wb") as f:
        f.write(head + entries + b"".join(images))


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "res/launcher.ico")
