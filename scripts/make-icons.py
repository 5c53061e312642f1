#!/usr/bin/env python3
"""Draws Kestrin's icons and writes them as .ico files (32-bit, several sizes) into resources/.

Run it after changing a drawing; the .ico files are committed so a Windows build needs no Python.
"""
import math
import struct
import sys
from pathlib import Path


def blend(dst, src, alpha):
    return tuple(round(d * (1 - alpha) + s * alpha) for d, s in zip(dst, src))


def render(size, shapes):
    """shapes: list of (inside(x, y) -> bool, (r, g, b)); 4x4 supersampling for smooth edges."""
    pixels = []
    for y in range(size):
        row = []
        for x in range(size):
            rgba = [0, 0, 0, 0]
            for color_inside, color in shapes:
                hits = 0
                for sy in range(4):
                    for sx in range(4):
                        u = (x + (sx + 0.5) / 4) / size
                        v = (y + (sy + 0.5) / 4) / size
                        hits += color_inside(u, v)
                if hits:
                    a = hits / 16
                    rgb = blend(rgba[:3], color, a if rgba[3] else 1.0)
                    rgba = [*rgb, max(rgba[3], round(255 * a))]
            row.append(tuple(rgba))
        pixels.append(row)
    return pixels


def circle(cx, cy, r):
    return lambda u, v: (u - cx) ** 2 + (v - cy) ** 2 <= r * r


def segment(x0, y0, x1, y1, width):
    def inside(u, v):
        dx, dy = x1 - x0, y1 - y0
        t = max(0.0, min(1.0, ((u - x0) * dx + (v - y0) * dy) / (dx * dx + dy * dy)))
        return math.hypot(u - (x0 + t * dx), v - (y0 + t * dy)) <= width / 2
    return inside


def rounded_rect(x0, y0, x1, y1, r):
    def inside(u, v):
        cx = min(max(u, x0 + r), x1 - r)
        cy = min(max(v, y0 + r), y1 - r)
        return (u - cx) ** 2 + (v - cy) ** 2 <= r * r
    return inside


def person(color):
    """A head and shoulders, for the account status icons."""
    body = lambda u, v: v >= 0.58 and (u - 0.5) ** 2 / 0.16 + (v - 0.98) ** 2 / 0.18 <= 1 and v <= 0.95
    return [(circle(0.5, 0.33, 0.2), color), (body, color)]


def kestrin_icon():
    blue = (0x1E, 0x6F, 0xC8)
    white = (255, 255, 255)
    amber = (0xF2, 0xA5, 0x1A)
    return [
        (rounded_rect(0.04, 0.04, 0.96, 0.96, 0.2), blue),
        (segment(0.32, 0.22, 0.32, 0.78, 0.14), white),
        (segment(0.36, 0.52, 0.70, 0.22, 0.13), white),
        (segment(0.44, 0.46, 0.72, 0.78, 0.13), white),
        (circle(0.76, 0.76, 0.09), amber),
    ]


def ico_bytes(images):
    header = struct.pack("<HHH", 0, 1, len(images))
    entries = b""
    data = b""
    offset = 6 + 16 * len(images)
    for pixels in images:
        size = len(pixels)
        xor = b"".join(bytes((b, g, r, a)) for row in reversed(pixels) for (r, g, b, a) in row)
        mask_row = ((size + 31) // 32) * 4
        and_mask = bytes(mask_row * size)
        bmp = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(and_mask), 0, 0, 0, 0)
        blob = bmp + xor + and_mask
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(blob), offset)
        data += blob
        offset += len(blob)
    return header + entries + data


def main():
    out = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).resolve().parent.parent / "resources"
    icons = {
        "kestrin.ico": kestrin_icon(),
        "status_online.ico": person((0x2E, 0xA0, 0x43)),
        "status_invisible.ico": person((0x9A, 0x9A, 0x9A)),
    }
    for name, shapes in icons.items():
        (out / name).write_bytes(ico_bytes([render(s, shapes) for s in (16, 24, 32, 48)]))
        print(out / name)


if __name__ == "__main__":
    main()
