"""Pictures of the small widgets and of the message HUD."""

import math

from draw import WHITE, pill_distance, ring, segment_distance


def calibration_button(fill):
    """The calibration button at rest, under the mouse and pressed (160 x 40 pill)."""
    width, height = 160, 40

    def pill(x, y):
        return pill_distance(x, y, width, height, 0.5) <= 0

    # A small target mark at the left: a ring with a dot.
    cx, cy = 30, height / 2

    def dot(x, y):
        return math.hypot(x - cx, y - cy) <= 2.6

    # Three bars standing for a screen's lines of text.
    def bars(x, y):
        return any(abs(y - by) <= 1.5 and 52 <= x <= 52 + length
                   for by, length in ((13, 90), (20, 70), (27, 82)))

    return width, height, [(pill, fill), (ring(cx, cy, 8, 1.4), WHITE), (dot, WHITE),
                           (bars, WHITE)]


def hud_icon(kind):
    """The message HUD's white tick or cross in a ring (48 x 48, transparent)."""
    side = 48
    c = side / 2
    if kind == "success":
        points = [(13, 25), (21, 33), (35, 16)]

        def mark(x, y):
            return min(segment_distance(x, y, *points[0], *points[1]),
                       segment_distance(x, y, *points[1], *points[2])) <= 2.2
    else:
        def mark(x, y):
            return min(segment_distance(x, y, 16, 16, 32, 32),
                       segment_distance(x, y, 32, 16, 16, 32)) <= 2.2

    return side, side, [(ring(c, c, 21, 1.75), WHITE), (mark, WHITE)]


PICTURES = {
    "jiaozhengpingmu": lambda: calibration_button((6, 142, 255, 255)),
    "jiaozhengpingmuHover": lambda: calibration_button((56, 166, 255, 255)),
    "jiaozhengpingmuClick": lambda: calibration_button((4, 108, 196, 255)),
    "yy_hud_success": lambda: hud_icon("success"),
    "yy_hud_fail": lambda: hud_icon("fail"),
}
