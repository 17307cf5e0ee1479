"""Pictures of the calibration screen: its close button at rest and under the mouse."""

from draw import DARK, HOVER_BLUE, WHITE, disc, strokes

SIDE = 28
CROSS = [[(10, 10), (18, 18)], [(18, 10), (10, 18)]]


def close_button(hover):
    if hover:
        return SIDE, SIDE, [(disc(14, 14, 13), HOVER_BLUE), (strokes(CROSS, 1.5), WHITE)]
    return SIDE, SIDE, [(disc(14, 14, 13), (218, 221, 226, 255)), (strokes(CROSS, 1.5), DARK)]


PICTURES = {
    "close": lambda: close_button(False),
    "close_hover": lambda: close_button(True),
}
