"""The status item's picture: the glasses in black on transparent, 18 x 18, the size of a
menu-bar icon."""

from draw import glasses

PICTURES = {
    "toplogoIcon": lambda: (18, 18, glasses(0.5, 5.5, 0.17, (0, 0, 0, 255))),
}
