#!/usr/bin/env python3
"""Draws the start-up password dialog's banner (Image1, 200 x 28) and writes resources/qq_login_banner.bmp.

The banner carries the program icon's look: the same blue, a small white "K" mark with its amber dot
on the left, and a lighter band fading to the right. Standard library only; the .bmp is committed
so a build needs no Python. Run it after changing the drawing.
"""
import math
import struct
import sys
from pathlib import Path

WIDTH, HEIGHT = 200, 28
BLUE = (0x1E, 0x6F, 0xC8)
LIGHT_BLUE = (0x5B, 0x9C, 0xE6)
WHITE = (255, 255, 255)
AMBER = (0xF2, 0xA5, 0x1A)


def blend(dst, src, alpha):
    return tuple(round(d * (1 - alpha) + s * alpha) for d, s in zip(dst, src))


def segment(x0, y0, x1, y1, width):
    def inside(x, y):
        dx, dy = x1 - x0, y1 - y0
        t = max(0.0, min(1.0, ((x - x0) * dx + (y - y0) * dy) / (dx * dx + dy * dy)))
        return math.hypot(x - (x0 + t * dx), y - (y0 + t * dy)) <= width / 2
    return inside


def circle(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def background(x, y):
    """The icon's blue, lightening towards the right and a little towards the top."""
    across = x / (WIDTH - 1)
    down = y / (HEIGHT - 1)
    base = blend(BLUE, LIGHT_BLUE, 0.55 * across)
    return blend(base, WHITE, 0.10 * (1 - down))


def mark_shapes():
    """The icon's "K" and amber dot, drawn in a 22-pixel square at the banner's left."""
    left, top, size = 8, 3, 22

    def at(u, v):
        return left + u * size, top + v * size

    def scaled_segment(u0, v0, u1, v1, w):
        (x0, y0), (x1, y1) = at(u0, v0), at(u1, v1)
        return segment(x0, y0, x1, y1, w * size)

    cx, cy = at(0.76, 0.76)
    return [
        (scaled_segment(0.32, 0.22, 0.32, 0.78, 0.14), WHITE),
        (scaled_segment(0.36, 0.52, 0.70, 0.22, 0.13), WHITE),
        (scaled_segment(0.44, 0.46, 0.72, 0.78, 0.13), WHITE),
        (circle(cx, cy, 0.09 * size), AMBER),
    ]


def stripes():
    """Three thin slanted light lines at the right, like the icon's strokes seen from afar."""
    shapes = []
    for i, x in enumerate((150, 164, 178)):
        shapes.append((segment(x, 30, x + 14, -2, 2.2), blend(LIGHT_BLUE, WHITE, 0.35 + 0.1 * i)))
    return shapes


def render():
    shapes = stripes() + mark_shapes()
    pixels = []
    for y in range(HEIGHT):
        row = []
        for x in range(WIDTH):
            color = background(x, y)
            for inside, shape_color in shapes:
                hits = sum(inside(x + (sx + 0.5) / 4, y + (sy + 0.5) / 4) for sy in range(4) for sx in range(4))
                if hits:
                    color = blend(color, shape_color, hits / 16)
            row.append(color)
        pixels.append(row)
    # A one-pixel darker line at the bottom separates the banner from the panel below it.
    pixels[-1] = [blend(c, (0, 0, 0), 0.18) for c in pixels[-1]]
    return pixels


def bmp_bytes(pixels):
    """A 24-bit bottom-up BMP; rows padded to four bytes."""
    height, width = len(pixels), len(pixels[0])
    pad = (4 - width * 3 % 4) % 4
    data = b"".join(bytes(c for (r, g, b) in row for c in (b, g, r)) + b"\0" * pad for row in reversed(pixels))
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(data), 3780, 3780, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(data), 0, 0, 14 + len(info))
    return header + info + data


def main():
    out = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).resolve().parent.parent / "resources"
    path = out / "qq_login_banner.bmp"
    path.write_bytes(bmp_bytes(render()))
    print(path)


if __name__ == "__main__":
    main()
