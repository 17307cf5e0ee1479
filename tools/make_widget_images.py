#!/usr/bin/env python3
"""Draws the widget pictures of the application bundle (resources/images):

  jiaozhengpingmu, jiaozhengpingmuHover, jiaozhengpingmuClick
      the calibration button at rest, under the mouse and pressed (160 x 40 pills);
  yy_hud_success, yy_hud_fail
      the message HUD's white tick and cross in a ring (48 x 48, transparent).

Shapes are described as distance functions and sampled 4 x 4 per pixel, so edges are
smooth. Standard library only; run it again after changing a shape and commit the PNGs.
"""

import math
import os
import struct
import zlib

SAMPLES = 4


def write_png(path, width, height, pixels):
    """pixels: rows of (r, g, b, a) tuples, top row first."""
    raw = b"".join(b"\x00" + bytes(c for px in row for c in px) for row in pixels)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", header))
        f.write(chunk(b"IDAT", zlib.compress(raw, 9)))
        f.write(chunk(b"IEND", b""))


def segment_distance(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(px - (ax + t * dx), py - (ay + t * dy))


def pill_distance(px, py, width, height, inset):
    r = height / 2 - inset
    cx = max(height / 2, min(width - height / 2, px))
    return math.hypot(px - cx, py - height / 2) - r


def render(width, height, layers):
    """layers: list of (inside(x, y) -> bool, (r, g, b, a)), painted in order."""
    rows = []
    for y in range(height):
        row = []
        for x in range(width):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    fx = x + (sx + 0.5) / SAMPLES
                    fy = y + (sy + 0.5) / SAMPLES
                    colour = (0, 0, 0, 0)
                    for inside, fill in layers:
                        if inside(fx, fy):
                            colour = fill
                    a = colour[3] / 255.0
                    acc[0] += colour[0] * a
                    acc[1] += colour[1] * a
                    acc[2] += colour[2] * a
                    acc[3] += a
            n = SAMPLES * SAMPLES
            alpha = acc[3] / n
            if alpha > 0:
                px = tuple(round(acc[i] / acc[3]) for i in range(3)) + (round(alpha * 255),)
            else:
                px = (0, 0, 0, 0)
            row.append(px)
        rows.append(row)
    return rows


def calibration_button(fill):
    width, height = 160, 40
    white = (255, 255, 255, 255)

    def pill(x, y):
        return pill_distance(x, y, width, height, 0.5) <= 0

    # A small target mark at the left: a ring with a dot.
    cx, cy = 30, height / 2

    def ring(x, y):
        return abs(math.hypot(x - cx, y - cy) - 8) <= 1.4

    def dot(x, y):
        return math.hypot(x - cx, y - cy) <= 2.6

    # Three bars standing for a screen's lines of text.
    def bars(x, y):
        return any(abs(y - by) <= 1.5 and 52 <= x <= 52 + length
                   for by, length in ((13, 90), (20, 70), (27, 82)))

    return width, height, [(pill, fill), (ring, white), (dot, white), (bars, white)]


def hud_icon(kind):
    side = 48
    white = (255, 255, 255, 255)
    c = side / 2

    def ring(x, y):
        return abs(math.hypot(x - c, y - c) - 21) <= 1.75

    if kind == "success":
        points = [(13, 25), (21, 33), (35, 16)]

        def mark(x, y):
            return min(segment_distance(x, y, *points[0], *points[1]),
                       segment_distance(x, y, *points[1], *points[2])) <= 2.2
    else:
        def mark(x, y):
            return min(segment_distance(x, y, 16, 16, 32, 32),
                       segment_distance(x, y, 32, 16, 16, 32)) <= 2.2

    return side, side, [(ring, white), (mark, white)]


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = os.path.join(here, "..", "resources", "images")
    os.makedirs(out, exist_ok=True)
    pictures = {
        "jiaozhengpingmu": calibration_button((6, 142, 255, 255)),
        "jiaozhengpingmuHover": calibration_button((56, 166, 255, 255)),
        "jiaozhengpingmuClick": calibration_button((4, 108, 196, 255)),
        "yy_hud_success": hud_icon("success"),
        "yy_hud_fail": hud_icon("fail"),
    }
    for name, (width, height, layers) in pictures.items():
        write_png(os.path.join(out, name + ".png"), width, height, render(width, height, layers))


if __name__ == "__main__":
    main()
