#!/usr/bin/env python3
"""Draws the run-time icons in Images/ from simple shapes.

Standard library only: each pixel is supersampled for smooth edges and the
result is written as an 8-bit RGBA PNG. Run from anywhere:
    python3 tools/draw_images.py [output-dir]
"""
import math
import os
import struct
import sys
import zlib

SUPERSAMPLE = 4  # samples per pixel along each axis


# Shapes: each is a function (x, y) -> bool in pixel coordinates.

def circle(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def polygon(points):
    def inside(x, y):
        hit = False
        j = len(points) - 1
        for i, (xi, yi) in enumerate(points):
            xj, yj = points[j]
            if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                hit = not hit
            j = i
        return hit
    return inside


def stroke(x0, y0, x1, y1, half_width):
    """A straight stroke with round ends."""
    dx, dy = x1 - x0, y1 - y0
    length2 = dx * dx + dy * dy

    def inside(x, y):
        t = 0.0 if length2 == 0 else max(0.0, min(1.0, ((x - x0) * dx + (y - y0) * dy) / length2))
        px, py = x0 + t * dx, y0 + t * dy
        return (x - px) ** 2 + (y - py) ** 2 <= half_width * half_width
    return inside


def union(*shapes):
    return lambda x, y: any(s(x, y) for s in shapes)


def regular_polygon(cx, cy, r, sides, rotation):
    return polygon([(cx + r * math.cos(rotation + 2 * math.pi * k / sides),
                     cy + r * math.sin(rotation + 2 * math.pi * k / sides))
                    for k in range(sides)])


def rounded_triangle(cx, top, bottom, half_base, corner):
    """An upward triangle with softened corners (Minkowski sum with a disc)."""
    inner = [(cx, top + corner * 2.0), (cx - half_base + corner * 1.7, bottom - corner),
             (cx + half_base - corner * 1.7, bottom - corner)]
    core = polygon(inner)
    edges = [stroke(*inner[i], *inner[(i + 1) % 3], corner) for i in range(3)]
    return union(core, *edges)


# Rendering.

def render(width, height, layers):
    """layers: list of (shape, (r, g, b, a)), painted in order over transparency."""
    pixels = bytearray(width * height * 4)
    n = SUPERSAMPLE
    offsets = [(i + 0.5) / n for i in range(n)]
    for py in range(height):
        for px in range(width):
            r = g = b = a = 0.0  # premultiplied
            for shape, (cr, cg, cb, ca) in layers:
                hits = sum(1 for oy in offsets for ox in offsets if shape(px + ox, py + oy))
                if not hits:
                    continue
                alpha = hits / (n * n) * ca / 255.0
                r = cr / 255.0 * alpha + r * (1 - alpha)
                g = cg / 255.0 * alpha + g * (1 - alpha)
                b = cb / 255.0 * alpha + b * (1 - alpha)
                a = alpha + a * (1 - alpha)
            o = (py * width + px) * 4
            if a > 0:
                pixels[o:o + 4] = bytes((round(r / a * 255), round(g / a * 255),
                                         round(b / a * 255), round(a * 255)))
    return pixels


def write_png(path, width, height, pixels):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    raw = bytearray()
    stride = width * 4
    for y in range(height):
        raw.append(0)  # filter: none
        raw += pixels[y * stride:(y + 1) * stride]
    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)  # 8-bit RGBA
    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n")
        out.write(chunk(b"IHDR", header))
        out.write(chunk(b"IDAT", zlib.compress(bytes(raw), 9)))
        out.write(chunk(b"IEND", b""))


# The icons.

WHITE = (255, 255, 255, 255)
BLACK = (0, 0, 0, 255)
INFO_BLUE = (30, 110, 220, 255)
WARN_AMBER = (255, 180, 0, 255)
CRITICAL_RED = (210, 30, 30, 255)
BELL_GOLD = (250, 200, 40, 255)


def notification_icon():
    """A bell, 52 x 44, for the notification button (drawn on black)."""
    cx = 26.0
    dome = circle(cx, 16.5, 9.5)
    body = polygon([(cx - 9.5, 16.5), (cx + 9.5, 16.5), (cx + 12.5, 29.0), (cx + 15.5, 32.5),
                    (cx - 15.5, 32.5), (cx - 12.5, 29.0)])
    rim = stroke(cx - 15.0, 33.0, cx + 15.0, 33.0, 2.2)
    knob = circle(cx, 6.0, 2.4)
    clapper = circle(cx, 37.8, 3.4)
    return 52, 44, [(union(dome, body, rim, knob), BELL_GOLD), (clapper, BELL_GOLD)]


def info_icon():
    """White "i" on a blue disc, 50 x 50."""
    return 50, 50, [(circle(25, 25, 23.5), INFO_BLUE),
                    (circle(25, 13.5, 3.6), WHITE),
                    (stroke(25, 21.5, 25, 37.5, 3.4), WHITE)]


def warn_icon():
    """Black "!" on an amber triangle, 50 x 50."""
    return 50, 50, [(rounded_triangle(25, 2.0, 47.0, 24.0, 2.5), WARN_AMBER),
                    (stroke(25, 18.0, 25, 32.0, 3.0), BLACK),
                    (circle(25, 39.5, 3.2), BLACK)]


def critical_icon():
    """White "x" on a red octagon, 50 x 50."""
    octagon = regular_polygon(25, 25, 24.5, 8, math.pi / 8)
    cross = union(stroke(16, 16, 34, 34, 3.6), stroke(34, 16, 16, 34, 3.6))
    return 50, 50, [(octagon, CRITICAL_RED), (cross, WHITE)]


ICONS = {
    "notification.png": notification_icon,
    "Info.png": info_icon,
    "Warn.png": warn_icon,
    "Critical.png": critical_icon,
}


def main():
    default_dir = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "Images")
    out_dir = sys.argv[1] if len(sys.argv) > 1 else default_dir
    os.makedirs(out_dir, exist_ok=True)
    for name, make in ICONS.items():
        width, height, layers = make()
        write_png(os.path.join(out_dir, name), width, height, render(width, height, layers))
        print(os.path.normpath(os.path.join(out_dir, name)))


if __name__ == "__main__":
    main()
