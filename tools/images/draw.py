"""Drawing helpers shared by the picture modules: shapes as inside-tests, sampled 4 x 4 per
pixel so that edges are smooth, and a PNG writer. Standard library only."""

import math
import struct
import zlib

SAMPLES = 4

WHITE = (255, 255, 255, 255)
BLUE = (6, 142, 255, 255)       # the interface's accent, "#068EFF"
HOVER_BLUE = (1, 141, 255, 255)  # "#018DFF"
DARK = (51, 54, 59, 255)
GREY = (142, 145, 150, 255)
LIGHT_GREY = (199, 201, 204, 255)
GREEN = (52, 199, 89, 255)
RED = (255, 59, 48, 255)


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


def rounded_rect_distance(px, py, x, y, w, h, r):
    """Signed distance to a rectangle with round corners (negative inside)."""
    cx, cy = x + w / 2, y + h / 2
    qx = abs(px - cx) - (w / 2 - r)
    qy = abs(py - cy) - (h / 2 - r)
    outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
    return outside + min(max(qx, qy), 0.0) - r


# Inside-tests, built from the distances above.

def disc(cx, cy, r):
    return lambda x, y: math.hypot(x - cx, y - cy) <= r


def ring(cx, cy, r, half_width):
    return lambda x, y: abs(math.hypot(x - cx, y - cy) - r) <= half_width


def box(x0, y0, w, h, r=0.0):
    return lambda x, y: rounded_rect_distance(x, y, x0, y0, w, h, r) <= 0


def box_outline(x0, y0, w, h, r, half_width):
    return lambda x, y: abs(rounded_rect_distance(x, y, x0, y0, w, h, r)) <= half_width


def strokes(points_list, half_width):
    """Polylines of round-capped strokes: a list of point lists."""
    segments = [(a, b) for points in points_list for a, b in zip(points, points[1:])]

    def inside(x, y):
        return any(segment_distance(x, y, *a, *b) <= half_width for a, b in segments)

    return inside


def arc(cx, cy, r, half_width, start_deg, end_deg):
    """A ring between two angles, counted clockwise from 3 o'clock on screen (y down)."""
    def inside(x, y):
        if abs(math.hypot(x - cx, y - cy) - r) > half_width:
            return False
        angle = math.degrees(math.atan2(y - cy, x - cx)) % 360
        lo, hi = start_deg % 360, end_deg % 360
        return lo <= angle <= hi if lo <= hi else angle >= lo or angle <= hi

    return inside


def render(width, height, layers):
    """layers: list of (inside(x, y) -> bool, (r, g, b, a)), painted in order."""
    rows = []
    n = SAMPLES * SAMPLES
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
            alpha = acc[3] / n
            if alpha > 0:
                px = tuple(round(acc[i] / acc[3]) for i in range(3)) + (round(alpha * 255),)
            else:
                px = (0, 0, 0, 0)
            row.append(px)
        rows.append(row)
    return rows


def glasses(x0, y0, scale, colour, lens=None):
    """Front view of the display glasses: two lenses in a frame with a bridge and the two
    temple ends, 100 x 40 units at scale 1, top-left at (x0, y0)."""
    def s(v):
        return v * scale

    layers = []
    if lens:
        layers += [(box(x0 + s(8), y0 + s(6), s(38), s(28), s(9)), lens),
                   (box(x0 + s(54), y0 + s(6), s(38), s(28), s(9)), lens)]
    layers += [
        (box_outline(x0 + s(8), y0 + s(6), s(38), s(28), s(9), s(2.2)), colour),
        (box_outline(x0 + s(54), y0 + s(6), s(38), s(28), s(9), s(2.2)), colour),
        (strokes([[(x0 + s(46), y0 + s(13)), (x0 + s(50), y0 + s(10)), (x0 + s(54), y0 + s(13))]],
                 s(2.0)), colour),
        (strokes([[(x0 + s(8), y0 + s(10)), (x0 + s(1), y0 + s(8))],
                  [(x0 + s(92), y0 + s(10)), (x0 + s(99), y0 + s(8))]], s(2.0)), colour),
    ]
    return layers
