"""Pictures of the firmware-update panel: the update offered or running (a chip with an
arrow), finished, and failed."""

from draw import BLUE, GREEN, RED, WHITE, box, disc, strokes

SIDE = 120


def chip(colour):
    """A microcontroller: a rounded square with pins on its four sides."""
    layers = [(box(30, 30, 60, 60, 10), colour)]
    for i in range(4):
        p = 40 + i * 13.3
        layers += [(box(p - 2.5, 20, 5, 10, 1.5), colour), (box(p - 2.5, 90, 5, 10, 1.5), colour),
                   (box(20, p - 2.5, 10, 5, 1.5), colour), (box(90, p - 2.5, 10, 5, 1.5), colour)]
    return layers


def update():
    arrow = [[(60, 76), (60, 44)], [(47, 57), (60, 44), (73, 57)]]
    return SIDE, SIDE, chip(BLUE) + [(strokes(arrow, 4.0), WHITE)]


def outcome(ok):
    layers = chip((186, 190, 196, 255))
    badge_colour = GREEN if ok else RED
    layers.append((disc(88, 88, 22), badge_colour))
    if ok:
        mark = [[(77, 88), (85, 96), (100, 80)]]
    else:
        mark = [[(79, 79), (97, 97)], [(97, 79), (79, 97)]]
    layers.append((strokes(mark, 3.4), WHITE))
    return SIDE, SIDE, layers


PICTURES = {
    "update-dfu": update,
    "update-dfu-success": lambda: outcome(True),
    "update-dfu-failed": lambda: outcome(False),
}

