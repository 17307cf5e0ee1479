"""Pictures of the connected panel and the connected popover: the privacy toggle in its two
states, the depth knob, the mode selection mark, the mode help icon and the localised help
picture that appears over it."""

import math

from draw import (BLUE, DARK, GREY, LIGHT_GREY, WHITE, arc, box, box_outline, disc,
                  pill_distance, ring, strokes)


def toggle(on):
    width, height = 44, 24

    def pill(x, y):
        return pill_distance(x, y, width, height, 0.5) <= 0

    knob_x = width - height / 2 if on else height / 2
    return width, height, [(pill, BLUE if on else LIGHT_GREY),
                           (disc(knob_x, height / 2, 9.5), WHITE)]


def depth_knob():
    """30 x 30 with 7 points of clear margin on each side, so the visible knob is 16 wide;
    the bars' arithmetic counts on that margin."""
    side = 30
    c = side / 2
    return side, side, [(disc(c, c + 0.8, 8.0), (0, 0, 0, 40)), (disc(c, c, 8.0), WHITE),
                        (ring(c, c, 7.2, 0.9), BLUE), (disc(c, c, 3.0), BLUE)]


def mode_selected():
    """The mark under the chosen mode: a blue disc with a white tick."""
    side = 18
    tick = [(5, 9.5), (8, 12.5), (13.5, 6)]
    return side, side, [(disc(9, 9, 8.5), BLUE), (strokes([tick], 1.3), WHITE)]


def help_icon():
    """A question mark in a grey circle, beside the mode buttons."""
    side = 16
    return side, side, [(ring(8, 8, 7, 0.9), GREY), (arc(8, 6.2, 2.6, 0.9, 180, 90), GREY),
                        (strokes([[(8, 8.8), (8, 10)]], 0.9), GREY), (disc(8, 12.3, 1.0), GREY)]


# Language badges drawn with strokes, so that each language's picture can be told apart
# without a font: the character for "middle" (Chinese) and the letters E N.
def badge_zh(x, y):
    return [(box_outline(x + 3, y + 4, 10, 7, 1, 0.8), WHITE),
            (strokes([[(x + 8, y + 1), (x + 8, y + 15)]], 0.8), WHITE)]


def badge_en(x, y):
    e = [[(x + 6, y + 3), (x + 1, y + 3), (x + 1, y + 13), (x + 6, y + 13)],
         [(x + 1, y + 8), (x + 5, y + 8)]]
    n = [[(x + 9, y + 13), (x + 9, y + 3), (x + 15, y + 13), (x + 15, y + 3)]]
    return [(strokes(e + n, 0.8), WHITE)]


def mode_help_tips(language):
    """A bubble that explains the three modes: a row per mode with its sign (a globe for
    web pages, a pad for games, a film frame for video) and the lines of its explanation.
    The Chinese picture's lines are shorter, as its texts are."""
    width, height = 220, 112
    bg = (255, 255, 255, 250)
    layers = [(box(0.5, 0.5, width - 1, height - 1, 10), bg),
              (box_outline(0.5, 0.5, width - 1, height - 1, 10, 0.5), LIGHT_GREY)]
    rows = (20, 52, 84)
    # Globe.
    gx, gy = 22, rows[0]
    layers += [(ring(gx, gy, 9, 1.1), BLUE),
               (lambda x, y: abs(((x - gx) / 4.0) ** 2 + ((y - gy) / 9.0) ** 2 - 1) < 0.22
                and abs(y - gy) <= 9, BLUE),
               (strokes([[(gx - 9, gy), (gx + 9, gy)]], 1.0), BLUE)]
    # Game pad.
    px, py = 22, rows[1]
    layers += [(box(px - 11, py - 6, 22, 12, 6), BLUE),
               (strokes([[(px - 7, py), (px - 3, py)], [(px - 5, py - 2), (px - 5, py + 2)]],
                        0.8), WHITE),
               (disc(px + 5, py - 1.5, 1.3), WHITE), (disc(px + 7.5, py + 1.5, 1.3), WHITE)]
    # Film frame.
    fx, fy = 22, rows[2]
    layers += [(box(fx - 10, fy - 7, 20, 14, 2), BLUE),
               (lambda x, y: (abs(x - (fx - 7.5)) <= 1.0 or abs(x - (fx + 7.5)) <= 1.0)
                and abs(y - fy) <= 5.5 and math.floor((y - fy + 6) / 2.5) % 2 == 0, WHITE),
               (box(fx - 5, fy - 4.5, 10, 9, 1), WHITE)]
    lengths = ((120, 90), (110, 70), (128, 82)) if language == "en" else ((90, 64), (84, 52),
                                                                          (96, 60))
    for row_y, (first, second) in zip(rows, lengths):
        layers += [(box(44, row_y - 8, first, 5, 2.5), DARK),
                   (box(44, row_y + 3, second, 4, 2), GREY)]
    badge = box(width - 30, 8, 20, 18, 4)
    layers.append((badge, BLUE))
    layers += badge_en(width - 28, 9) if language == "en" else badge_zh(width - 28, 9)
    return width, height, layers


PICTURES = {
    "Toggle_on": lambda: toggle(True),
    "Toggle_Off": lambda: toggle(False),
    "depth-point": depth_knob,
    "mode-selected": mode_selected,
    "mode-help": help_icon,
    "mode-help-tips-zh": lambda: mode_help_tips("zh"),
    "mode-help-tips-en": lambda: mode_help_tips("en"),
}
