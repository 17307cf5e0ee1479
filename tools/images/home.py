"""Pictures of the home and start panels: the title mark, the glasses waiting for their
cable, and the glasses connected."""

from draw import BLUE, DARK, GREEN, WHITE, box, disc, glasses, strokes

LENS = (214, 226, 240, 255)


def title_logo():
    """The small blue glasses mark beside the title."""
    return 40, 20, glasses(1, 1.5, 0.38, BLUE)


def glasses_waiting():
    """Glasses with their USB-C cable hanging loose: nothing is plugged in yet."""
    width, height = 240, 150
    layers = glasses(20, 20, 2.0, DARK, lens=LENS)
    cable = [(218, 36), (226, 60), (222, 96), (204, 118), (180, 126)]
    layers += [(strokes([cable], 2.5), DARK), (box(160, 121, 22, 10, 3), DARK),
               (box(152, 123.5, 10, 5, 1.5), (160, 164, 170, 255))]
    return width, height, layers


def glasses_connected():
    """The same glasses with a green tick: they are connected."""
    width, height = 240, 150
    layers = glasses(20, 20, 2.0, DARK, lens=LENS)
    tick = [(184, 118), (194, 128), (212, 108)]
    layers += [(disc(198, 118, 22), GREEN), (strokes([tick], 3.2), WHITE)]
    return width, height, layers


PICTURES = {
    "title-logo": title_logo,
    "home-glasses": glasses_waiting,
    "start-glasses": glasses_connected,
}
