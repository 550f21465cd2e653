"""What the game shows, judged on real pixels: the well found from its drop shadow, its gradient,
and the blobs in it told apart by the hue of their saturated colours. Nothing here knows how a
screenshot was taken, so the same checks serve the X11 window, the Wine window and the page.

Run alone, it checks saved screenshots (such as the README's) without a game or an X server:

    python3 tests/e2e/kelo_pixels.py FILE.png...
"""

import json
import os
import sys

import numpy
from PIL import Image

TITLE = "Kelo Kelo by Quorvin"
CELL = 32
WELL_COLUMNS, WELL_ROWS = 6, 12
WELL_W, WELL_H = WELL_COLUMNS * CELL, WELL_ROWS * CELL
SHADOW = 5
# What Plus and Minus scale the well by.
ZOOM_STEP = 1.2
# A new pair is placed in the top two rows; blobs below them have come to rest or are falling.
SPAWN_ROWS = 2
# A blob shows some 500 strongly coloured pixels at zoom 1; a pair shows twice as many.
PAIR_PIXELS = 600

# The body colours that tools/make-artwork.py draws the blobs in. Shading, gloss and the marks
# change their lightness and saturation but hardly their hue, so the hue tells them apart.
with open(os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, os.pardir,
                       "tools", "blob-colours.json")) as _file:
    BLOB_COLOURS = json.load(_file)


class Failure(AssertionError):
    """A check on the pixels that did not hold."""


def check(condition, message):
    if not condition:
        raise Failure(message)


def shot_of(image):
    """A screenshot (a file, or a file object of its bytes) as RGB pixels, row by row, in 16
    bits so that their differences do not wrap."""
    return numpy.asarray(Image.open(image).convert("RGB"), dtype=numpy.int16)


def is_shadow(p):
    return (numpy.ptp(p, axis=-1) <= 6) & (abs(numpy.asarray(p) - 128) <= 10).all(axis=-1)


def is_blob(p):
    # Blob artwork is strongly coloured; the gradient, frame and shadow are all grey.
    return numpy.ptp(p, axis=-1) >= 60


def hue(p):
    """The hue of coloured pixels, from 0 to 1, as colorsys.rgb_to_hsv gives it."""
    r, g, b = numpy.moveaxis(numpy.asarray(p, dtype=float), -1, 0)
    top, spread = numpy.maximum(numpy.maximum(r, g), b), numpy.ptp(p, axis=-1).astype(float)
    sector = numpy.where(r == top, (g - b) / spread,
                         numpy.where(g == top, 2 + (b - r) / spread, 4 + (r - g) / spread))
    return sector / 6 % 1


BLOB_NAMES = list(BLOB_COLOURS)
BLOB_HUES = hue(list(BLOB_COLOURS.values()))


def blob_colours(pixels):
    """For each blob pixel, the index in BLOB_NAMES of the blob colour nearest in hue."""
    distance = abs(hue(pixels)[:, None] - BLOB_HUES[None, :])
    return numpy.minimum(distance, 1 - distance).argmin(axis=1)


def _span(mask):
    where = numpy.flatnonzero(mask)
    return int(where.min()), int(where.max())


class Well:
    """Where the well is drawn in a shot, found from its shadow: the right strip runs along
    the well's right edge, the bottom strip along its floor, both set off by the shadow's
    thickness, and the bottom strip is exactly as wide as the well."""

    def __init__(self, shot):
        shadow = is_shadow(shot)
        right_strip, bottom_strip = shadow.sum(axis=0) >= 100, shadow.sum(axis=1) >= 100
        check(right_strip.any() and bottom_strip.any(), "no drop shadow found in the window")
        self.right_strip, self.bottom_strip = _span(right_strip), _span(bottom_strip)
        self.bottom_span = _span(shadow[sum(self.bottom_strip) // 2])
        self.right_span = _span(shadow[:, sum(self.right_strip) // 2])
        # The bottom strip spans the well's width, shifted right by the shadow's offset.
        self.width = self.bottom_span[1] - self.bottom_span[0] + 1
        self.zoom = self.width / WELL_W
        self.left = round(self.bottom_span[0] - SHADOW * self.zoom)
        self.top = round(self.right_span[0] - SHADOW * self.zoom)
        self.right = round(self.left + WELL_W * self.zoom)
        self.bottom = round(self.top + WELL_H * self.zoom)

    def blobs(self, shot):
        """The bounding box (left, top, right, bottom, pixel count) of every blob pixel inside
        the well, relative to the well's top-left corner; None when the well is empty."""
        inside = is_blob(shot[self.top + 1:self.bottom, self.left + 1:self.right])
        count = int(inside.sum())
        if count < 50:
            return None
        (top, bottom), (left, right) = _span(inside.any(axis=1)), _span(inside.any(axis=0))
        return (left + 1, top + 1, right + 1, bottom + 1, count)

    def top_rows(self, shot):
        rows = shot[self.top + 1:self.top + round(SPAWN_ROWS * CELL * self.zoom),
                    self.left + 1:self.right]
        return int(is_blob(rows).sum())

    def region(self, shot, first_row=0):
        """The raw pixels of the well from a row down to the floor, for comparing two shots."""
        top = self.top + round(first_row * CELL * self.zoom)
        return shot[top:self.bottom + 1, self.left:self.right + 1].tobytes()

    def cell_colour(self, shot, column, row):
        """The colour of the blob in a cell, or None when the cell is empty. A cell whose
        coloured pixels do not mostly agree on one blob colour is a failure: blobs always
        sit whole in their cells. The cell is looked at a little off its edges, so that the
        frame and the neighbours stay out."""
        size, inset = CELL * self.zoom, max(1, round(2 * self.zoom))
        left, right = round(self.left + column * size), round(self.left + (column + 1) * size)
        top, bottom = round(self.top + row * size), round(self.top + (row + 1) * size)
        pixels = shot[top + inset:bottom - inset, left + inset:right - inset].reshape(-1, 3)
        coloured = pixels[is_blob(pixels)]
        counts = numpy.bincount(blob_colours(coloured), minlength=len(BLOB_NAMES))
        votes = dict(zip(BLOB_NAMES, counts.tolist()))
        # A blob covers well over half of its cell; the gradient has no coloured pixel at all.
        if len(coloured) < len(pixels) // 4:
            check(len(coloured) < 20, f"cell ({column}, {row}) is partly coloured: {votes}")
            return None
        colour = max(votes, key=votes.get)
        check(votes[colour] >= 0.8 * len(coloured),
              f"cell ({column}, {row}) shows no single blob colour: {votes}")
        return colour

    def colours(self, shot, rows=range(WELL_ROWS)):
        found = {(column, row): self.cell_colour(shot, column, row)
                 for row in rows for column in range(WELL_COLUMNS)}
        return {cell: colour for cell, colour in found.items() if colour is not None}

    def __str__(self):
        return f"well ({self.left}, {self.top})-({self.right}, {self.bottom}), zoom {self.zoom:.3f}"


def try_well(shot):
    """The well in a shot, or None while the window is not drawn yet (or being resized)."""
    try:
        return Well(shot)
    except Failure:
        return None


def in_top_rows(box, well):
    return box is not None and box[3] < SPAWN_ROWS * CELL * well.zoom


def shifted(before, after):
    return after[0] - before[0], after[1] - before[1]


def counted(n, noun):
    return f"{n} {noun}" + ("" if n == 1 else "s")


def describe(colours):
    names = sorted(set(colours.values()))
    return (f"{counted(len(colours), 'blob')} of {counted(len(names), 'colour')}"
            f" ({', '.join(names) or 'none'})")


def check_background(shot, well):
    """The well at zoom 1 with its drop shadow, and its gradient wherever no blob covers it."""
    check(abs(well.zoom - 1) < 0.02, f"the well is not at zoom 1: {well}")
    for side, strip, span, length in (("right", well.right_strip, well.right_span, WELL_H),
                                      ("bottom", well.bottom_strip, well.bottom_span, WELL_W)):
        # The frame's one-pixel line may cover the strip's first pixel.
        thickness = strip[1] - strip[0] + 1
        check(SHADOW - 1 <= thickness <= SHADOW + 1, f"{side} shadow {thickness} px thick")
        check(abs(span[1] - span[0] + 1 - length) <= 2,
              f"{side} shadow {span[1] - span[0] + 1} px long")
    check(well.right_strip[0] - well.right in (0, 1),
          f"right shadow at x {well.right_strip[0]}, well's right edge at {well.right}")
    check(well.bottom_strip[0] - well.bottom in (0, 1),
          f"bottom shadow at y {well.bottom_strip[0]}, floor at {well.bottom}")

    def pixel(x, y):
        return tuple(shot[y, x].tolist())

    # The gradient runs from white at the top-left corner to light grey at the bottom-right
    # and is constant across the diagonal. Cell corners are sampled: the round blobs leave
    # them uncovered.
    samples = [(well.left + 2, well.top + 2), (well.right - 2, well.bottom - 2)]
    for x, y in samples + [(well.left + CELL * c + 2, well.top + CELL * r + 2)
                           for c in range(1, 6) for r in range(1, 12, 2)]:
        along = ((x - well.left) * WELL_W + (y - well.top) * WELL_H) / (WELL_W ** 2 + WELL_H ** 2)
        expected, p = 255 + (192 - 255) * min(max(along, 0), 1), pixel(x, y)
        check(is_blob(p) or (max(p) - min(p) <= 3 and abs(p[0] - expected) <= 5),
              f"gradient at ({x}, {y}) is {p}, expected a grey of about {expected:.0f}")
    top_left, bottom_right = pixel(*samples[0]), pixel(*samples[1])
    check(min(top_left) >= 248, f"well's top-left corner is not white: {top_left}")
    check(all(abs(c - 192) <= 6 for c in bottom_right),
          f"well's bottom-right corner is not light grey: {bottom_right}")
    for x, y, shadow in [(well.right + 2, well.top + 40, True),
                         (well.left + 40, well.bottom + 2, True),
                         (well.right + 2, well.bottom + 2, True),
                         (well.right + 2, well.top + 1, False),
                         (well.left + 2, well.bottom + 2, False)]:
        check(is_shadow(pixel(x, y)) == shadow,
              f"{'no' if shadow else 'a'} dark grey shadow at ({x}, {y})")


def check_screenshot(path):
    """Checks a saved screenshot: the whole well at zoom 1 with its gradient and drop shadow,
    and blobs of at least three colours in it. Returns the well and the blobs' colours by
    cell."""
    try:
        shot = shot_of(path)
        well = Well(shot)
        check_background(shot, well)
        colours = well.colours(shot)
    except (Failure, OSError) as failure:
        raise Failure(f"{path}: {failure}") from None
    check(len(set(colours.values())) >= 3,
          f"{path}: {describe(colours)} in the well, at least 3 colours wanted")
    return well, colours


def main(paths):
    if not paths:
        print(f"usage: {sys.argv[0]} FILE.png...", file=sys.stderr)
        return 2
    status = 0
    for path in paths:
        try:
            well, colours = check_screenshot(path)
            print(f"PASS: {path}: {well}; {describe(colours)}")
        except Failure as failure:
            print(f"FAIL: {failure}", file=sys.stderr)
            status = 1
    return status


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
