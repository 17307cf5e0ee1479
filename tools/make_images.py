#!/usr/bin/env python3
"""Draws every picture of the application bundle into resources/images.

Each module of tools/images holds the pictures of one panel or widget group in a table
PICTURES (name -> function giving width, height and layers):

  widgets       calibration button states, the message HUD's tick and cross
  status_item   toplogoIcon
  home          title-logo, home-glasses (home panel), start-glasses (start panel)
  connected     Toggle_on, Toggle_Off, depth-point (knob, 7 points of margin each side),
                mode-selected, mode-help, mode-help-tips-zh / -en (named by the localised
                text of "mode-help-tips")
  dfu           update-dfu, update-dfu-success, update-dfu-failed
  calibration   close, close_hover

Usage: make_images.py [name ...]   (no names: all pictures). Commit the PNGs it writes.
"""

import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "images"))

import calibration  # noqa: E402
import connected  # noqa: E402
import dfu  # noqa: E402
import home  # noqa: E402
import status_item  # noqa: E402
import widgets  # noqa: E402
from draw import render, write_png  # noqa: E402

MODULES = (widgets, status_item, home, connected, dfu, calibration)


def main(names):
    here = os.path.dirname(os.path.abspath(__file__))
    out = os.path.join(here, "..", "resources", "images")
    os.makedirs(out, exist_ok=True)
    pictures = {}
    for module in MODULES:
        for name, make in module.PICTURES.items():
            if name in pictures:
                sys.exit(f"picture {name} is drawn by two modules")
            pictures[name] = make
    unknown = [n for n in names if n not in pictures]
    if unknown:
        sys.exit("unknown pictures: " + ", ".join(unknown))
    for name in names or pictures:
        width, height, layers = pictures[name]()
        write_png(os.path.join(out, name + ".png"), width, height, render(width, height, layers))


if __name__ == "__main__":
    main(sys.argv[1:])
