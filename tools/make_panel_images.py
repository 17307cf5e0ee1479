#!/usr/bin/env python3
"""Draws the pictures of the connected panel and popover, the firmware-update panel and the
calibration screen (resources/images):

  Toggle_on, Toggle_Off          the privacy-screen toggle, on (blue) and off (grey), 52 x 32;
  depth-point                    the depth bar's knob: a 22-point disc with 7 points of clear
                                 margin on each side, 36 x 36;
  mode-selected                  the selection mark of a screen mode, 20 x 20;
  mode-help                      the help icon beside the modes, 18 x 18;
  mode-help-tips-zh, -en         the help picture shown over the icon, one per language;
  glass-connected                the glasses, 150 x 100;
  update-dfu, update-dfu-success, update-dfu-failed
                                 the firmware-update states, 160 x 160;
  close, close_hover             the calibration screen's close button, 28 x 28.

Uses the shape helpers of make_widget_images.py; run it again after changing a shape and
commit the PNGs.
"""

import math
import os

from make_widget_images import pill_distance, render, segment_distance, write_png

BLUE = (6, 142, 255, 255)
GREY = (199, 199, 204, 255)
WHITE = (255, 255, 255, 255)
GREEN = (52, 199, 89, 255)
RED = (255, 59, 48, 255)
DARK = (60, 60, 67, 255)


def disc(cx, cy, r):
    return lambda x, y: math.hypot(x - cx, y - cy) <= r


def ring(cx, cy, r, half_width):
    return lambda x, y: abs(math.hypot(x - cx, y - cy) - r) <= half_width


def strokes(points_list, half_width):
    def inside(x, y):
        return any(segment_distance(x, y, *a, *b) <= half_width for a, b in points_list)
    return inside


def rounded_rect(x0, y0, x1, y1, r):
    def inside(x, y):
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return math.hypot(x - cx, y - cy) <= r
    return inside


def toggle(on):
    width, height = 52, 32
    fill = BLUE if on else GREY
    knob_x = width - 16 if on else 16
    return width, height, [(lambda x, y: pill_distance(x, y, width, height, 0.5) <= 0, fill),
                           (disc(knob_x, 16, 12.5), WHITE)]


def depth_point():
    side = 36
    return side, side, [(disc(18, 18, 11), (4, 108, 196, 255)), (disc(18, 18, 9), WHITE),
                        (disc(18, 18, 4.5), BLUE)]


def mode_selected():
    return 20, 20, [(disc(10, 10, 9.5), BLUE),
                    (strokes([((5, 10.5), (8.5, 14)), ((8.5, 14), (15, 6.5))], 1.3), WHITE)]


def mode_help():
    # A circled "i": the dot and the stem.
    return 18, 18, [(disc(9, 9, 8.5), (142, 142, 147, 255)), (disc(9, 5, 1.4), WHITE),
                    (strokes([((9, 8), (9, 13.5))], 1.2), WHITE)]


def mode_help_tips(lines):
    """A bubble with one row per mode: a coloured mark and a bar as long as the text."""
    width, height = 300, 120
    layers = [(rounded_rect(0.5, 0.5, width - 0.5, height - 0.5, 12), (44, 44, 46, 235))]
    for row, (colour, length) in enumerate(lines):
        y = 28 + row * 32
        layers.append((disc(24, y, 7), colour))
        layers.append((rounded_rect(42, y - 4, 42 + length, y + 4, 4), (229, 229, 234, 255)))
    return width, height, layers


def glasses():
    width, height = 150, 100
    frame = (40, 40, 45, 255)
    lens = (90, 160, 220, 255)
    layers = [
        (rounded_rect(8, 30, 70, 76, 14), frame), (rounded_rect(80, 30, 142, 76, 14), frame),
        (rounded_rect(12, 34, 66, 72, 11), lens), (rounded_rect(84, 34, 138, 72, 11), lens),
        (strokes([((68, 40), (82, 40))], 3), frame),
        (strokes([((8, 36), (2, 30)), ((142, 36), (148, 30))], 2.5), frame),
    ]
    return width, height, layers


def update_state(kind):
    side = 160
    c = side / 2
    if kind == "update":
        mark = strokes([((c, 112), (c, 50)), ((c, 50), (c - 24, 74)), ((c, 50), (c + 24, 74))], 6)
        colour = BLUE
    elif kind == "success":
        mark = strokes([((48, 82), (70, 104)), ((70, 104), (112, 58))], 7)
        colour = GREEN
    else:
        mark = strokes([((56, 56), (104, 104)), ((104, 56), (56, 104))], 7)
        colour = RED
    return side, side, [(disc(c, c, 70), colour), (disc(c, c, 60), WHITE), (mark, colour)]


def close_button(hover):
    side = 28
    fill = (142, 142, 147, 255) if hover else (209, 209, 214, 255)
    return side, side, [(disc(14, 14, 13.5), fill),
                        (strokes([((9, 9), (19, 19)), ((19, 9), (9, 19))], 1.5), WHITE)]


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = os.path.join(here, "..", "resources", "images")
    os.makedirs(out, exist_ok=True)
    pictures = {
        "Toggle_on": toggle(True),
        "Toggle_Off": toggle(False),
        "depth-point": depth_point(),
        "mode-selected": mode_selected(),
        "mode-help": mode_help(),
        "mode-help-tips-zh": mode_help_tips([(BLUE, 120), (GREEN, 150), (RED, 100)]),
        "mode-help-tips-en": mode_help_tips([(BLUE, 210), (GREEN, 230), (RED, 190)]),
        "glass-connected": glasses(),
        "update-dfu": update_state("update"),
        "update-dfu-success": update_state("success"),
        "update-dfu-failed": update_state("failed"),
        "close": close_button(False),
        "close_hover": close_button(True),
    }
    for name, (width, height, layers) in pictures.items():
        write_png(os.path.join(out, name + ".png"), width, height, render(width, height, layers))


if __name__ == "__main__":
    main()
