"""Reading a screenshot: where the logo is, and what colour surrounds it."""

import math
from pathlib import Path

from PIL import Image

LOGO = Path(__file__).resolve().parents[3] / "assets" / "logo.png"
PICTURE1, PICTURE2 = 101, 102  # control ids
PICTURE_SIZE = (425, 169)  # 6375 x 2535 twips at 15 twips per pixel


def pixels(twips, dpi=96):
    return math.floor(twips * dpi / 1440 + 0.5)


def picture_size(dpi=96):
    """The boxes' 6375 x 2535 twips in whole pixels."""
    return pixels(6375, dpi), pixels(2535, dpi)


def expected_pictures(width, height, dpi=96):
    """Where the two picture boxes must be on a screen of width x height pixels; the layout reads
    the boxes' size back from the window, in whole pixels."""
    twips = 1440 / dpi
    w, h = width * twips, height * twips
    box_width, box_height = (side * twips for side in picture_size(dpi))
    return {PICTURE1: (pixels(w / 10, dpi), pixels(h * 9 / 10 - box_height, dpi)),
            PICTURE2: (pixels(w * 9 / 10 - box_width, dpi), pixels(h / 10, dpi))}


def load(path):
    return Image.open(path).convert("RGB")


def logo():
    return load(LOGO)


def inside(x, y, rect):
    left, top, right, bottom = rect
    return left <= x < right and top <= y < bottom


def mismatches(shot, image, origin, hidden=()):
    """Pixels of `image` drawn at `origin` in `shot` that differ, leaving out those under the
    rectangles in `hidden` (a dialog over the window)."""
    ox, oy = origin
    wrong = 0
    for y in range(image.height):
        for x in range(image.width):
            sx, sy = ox + x, oy + y
            if any(inside(sx, sy, rect) for rect in hidden):
                continue
            if shot.getpixel((sx, sy)) != image.getpixel((x, y)):
                wrong += 1
    return wrong


def colours_in(shot, rect, hidden=()):
    left, top, right, bottom = rect
    return {shot.getpixel((x, y)) for y in range(top, bottom) for x in range(left, right)
            if not any(inside(x, y, r) for r in hidden)}
