#!/usr/bin/env python3
"""Drives the running game from outside its process, through the X server alone.

Keys go in with xdotool, screenshots come out of ImageMagick's import as PPM, and the checks
look at real pixels: the well is found from its drop shadow, blobs from their saturated
colours. Every wait polls until its condition holds or a deadline passes, so a slow machine
makes the test slower, not flaky.

    kelo_e2e.py window --pid PID --stderr FILE
    kelo_e2e.py storm --pid PID --stderr FILE [--keys N] [--seed S]
    kelo_e2e.py screenshot --pid PID --stderr FILE --output OUT.png [--pairs N]
    kelo_e2e.py close --pid PID --stderr FILE
    kelo_e2e.py check-screenshot FILE

"screenshot" plays a few pairs and saves the window as a PNG for the README; "check-screenshot"
looks at such a PNG alone, without a game or an X server.
"""

import argparse
import colorsys
import os
import random
import re
import signal
import subprocess
import sys
import time

TITLE = "Kelo Kelo by Quorvin"
CELL = 32
WELL_W, WELL_H = 192, 384
SHADOW = 5
ZOOM_STEP = 1.2
WELL_COLUMNS, WELL_ROWS = 6, 12
TICK = 0.25
# A new pair is placed in the top two rows; blobs below them have come to rest or are falling.
SPAWN_ROWS = 2
# The body colours that tools/make-artwork.py draws the blobs in. Shading, gloss and the marks
# change their lightness and saturation but hardly their hue, so the hue tells them apart.
BLOB_COLOURS = {
    "blue": (38, 112, 238),
    "green": (52, 190, 62),
    "red": (226, 38, 44),
    "yellow": (255, 206, 24),
}
GAME_KEYS = ["Left", "Right", "Down", "Up", "z", "x", "space", "Return", "plus", "minus"]


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def run(*args):
    return subprocess.run(args, check=True, capture_output=True, text=True).stdout


def alive(pid):
    try:
        os.kill(pid, 0)
    except OSError:
        return False
    # A child that has exited but not yet been reaped is a zombie, not alive.
    try:
        with open(f"/proc/{pid}/stat") as stat:
            return stat.read().rsplit(")", 1)[1].split()[0] != "Z"
    except OSError:
        return False


def poll(what, condition, timeout, interval=0.05):
    """Calls condition() until it returns something true; returns that, or fails at the
    deadline."""
    deadline = time.monotonic() + timeout
    while True:
        result = condition()
        if result:
            return result
        if time.monotonic() >= deadline:
            raise Failure(f"timed out after {timeout} s waiting for {what}")
        time.sleep(interval)


class Shot:
    """One screenshot of the game window, as 8-bit RGB."""

    def __init__(self, ppm):
        fields = []
        pos = 0
        while len(fields) < 4:
            while ppm[pos:pos + 1].isspace():
                pos += 1
            if ppm[pos:pos + 1] == b"#":
                pos = ppm.index(b"\n", pos)
                continue
            end = pos
            while not ppm[end:end + 1].isspace():
                end += 1
            fields.append(ppm[pos:end])
            pos = end
        pos += 1  # the single whitespace byte before the raster
        check(fields[0] == b"P6" and fields[3] == b"255", f"unexpected image header {fields}")
        self.width, self.height = int(fields[1]), int(fields[2])
        self.data = ppm[pos:pos + self.width * self.height * 3]
        check(len(self.data) == self.width * self.height * 3, "short screenshot")

    @classmethod
    def of_window(cls, window):
        return cls(subprocess.run(["import", "-window", window, "-depth", "8", "ppm:-"],
                                  check=True, capture_output=True).stdout)

    @classmethod
    def of_png(cls, png):
        """An image given as PNG bytes (a browser's screenshot), read through ImageMagick."""
        result = subprocess.run(["convert", "png:-", "-depth", "8", "ppm:-"], input=png,
                                capture_output=True)
        check(result.returncode == 0 and result.stdout,
              f"cannot read a PNG: {result.stderr.decode(errors='replace').strip()}")
        return cls(result.stdout)

    @classmethod
    def of_file(cls, path):
        """A saved image, read through ImageMagick; needs no X server."""
        result = subprocess.run(["convert", path, "-depth", "8", "ppm:-"], capture_output=True)
        check(result.returncode == 0 and result.stdout,
              f"cannot read {path}: {result.stderr.decode(errors='replace').strip()}")
        return cls(result.stdout)

    def pixel(self, x, y):
        i = (y * self.width + x) * 3
        return self.data[i], self.data[i + 1], self.data[i + 2]

    def region(self, left, top, right, bottom):
        """The raw rows of a rectangle, for comparing two shots."""
        return b"".join(self.data[(y * self.width + left) * 3:(y * self.width + right) * 3]
                        for y in range(top, bottom))


def is_shadow(p):
    return max(p) - min(p) <= 6 and all(abs(c - 128) <= 10 for c in p)


def is_blob(p):
    # Blob artwork is strongly coloured; the gradient, frame and shadow are all grey.
    return max(p) - min(p) >= 60


def hue(rgb):
    return colorsys.rgb_to_hsv(*(c / 255 for c in rgb))[0]


BLOB_HUES = {name: hue(rgb) for name, rgb in BLOB_COLOURS.items()}


def blob_colour(p):
    """The blob colour whose hue is nearest to that of a blob pixel."""
    h = hue(p)
    return min(BLOB_HUES, key=lambda name: min(abs(h - BLOB_HUES[name]),
                                               1 - abs(h - BLOB_HUES[name])))


class Well:
    """Where the well is drawn in a shot, found from its shadow: the right strip runs along
    the well's right edge, the bottom strip along its floor, both set off by the shadow's
    thickness, and the bottom strip is exactly as wide as the well."""

    def __init__(self, shot):
        columns = [0] * shot.width
        rows = [0] * shot.height
        for y in range(shot.height):
            for x in range(shot.width):
                if is_shadow(shot.pixel(x, y)):
                    columns[x] += 1
                    rows[y] += 1
        right_strip = [x for x, n in enumerate(columns) if n >= 100]
        bottom_strip = [y for y, n in enumerate(rows) if n >= 100]
        check(right_strip and bottom_strip, "no drop shadow found in the window")
        self.right_strip = (min(right_strip), max(right_strip))
        self.bottom_strip = (min(bottom_strip), max(bottom_strip))
        y = (self.bottom_strip[0] + self.bottom_strip[1]) // 2
        xs = [x for x in range(shot.width) if is_shadow(shot.pixel(x, y))]
        x = (self.right_strip[0] + self.right_strip[1]) // 2
        ys = [y for y in range(shot.height) if is_shadow(shot.pixel(x, y))]
        self.bottom_span = (min(xs), max(xs))
        self.right_span = (min(ys), max(ys))
        # The bottom strip spans the well's width, shifted right by the shadow's offset.
        self.zoom = (self.bottom_span[1] - self.bottom_span[0] + 1) / WELL_W
        self.left = round(self.bottom_span[0] - SHADOW * self.zoom)
        self.top = round(self.right_span[0] - SHADOW * self.zoom)
        self.right = round(self.left + WELL_W * self.zoom)
        self.bottom = round(self.top + WELL_H * self.zoom)

    @property
    def width(self):
        return self.bottom_span[1] - self.bottom_span[0] + 1

    def blobs(self, shot):
        """The bounding box (left, top, right, bottom, pixel count) of every blob pixel inside
        the well, relative to the well's top-left corner; None when the well is empty."""
        left = top = 10**9
        right = bottom = -1
        count = 0
        for y in range(self.top + 1, self.bottom):
            for x in range(self.left + 1, self.right):
                if is_blob(shot.pixel(x, y)):
                    count += 1
                    left, right = min(left, x), max(right, x)
                    top, bottom = min(top, y), max(bottom, y)
        if count < 50:
            return None
        return (left - self.left, top - self.top, right - self.left, bottom - self.top, count)

    def top_rows(self, shot):
        """How many blob pixels lie in the top two rows of the well."""
        rows = range(self.top + 1, self.top + round(2 * CELL * self.zoom))
        return sum(1 for y in rows for x in range(self.left + 1, self.right)
                   if is_blob(shot.pixel(x, y)))

    def region(self, shot):
        return shot.region(self.left, self.top, self.right + 1, self.bottom + 1)

    def rows_region(self, shot, first_row):
        """The raw pixels of the well from a row down to the floor."""
        top = self.top + round(first_row * CELL * self.zoom)
        return shot.region(self.left, top, self.right + 1, self.bottom + 1)

    def cell(self, column, row):
        """The pixel rectangle (left, top, right, bottom) of a cell, kept a little off its
        edges so that the frame and the neighbours stay out."""
        size = CELL * self.zoom
        inset = max(1, round(2 * self.zoom))
        left = round(self.left + column * size)
        top = round(self.top + row * size)
        return (left + inset, top + inset,
                round(self.left + (column + 1) * size) - inset,
                round(self.top + (row + 1) * size) - inset)

    def cell_colour(self, shot, column, row):
        """The colour of the blob in a cell, or None when the cell is empty. A cell whose
        coloured pixels do not mostly agree on one blob colour is a failure: blobs always
        sit whole in their cells."""
        left, top, right, bottom = self.cell(column, row)
        votes = dict.fromkeys(BLOB_COLOURS, 0)
        for y in range(top, bottom):
            for x in range(left, right):
                p = shot.pixel(x, y)
                if is_blob(p):
                    votes[blob_colour(p)] += 1
        count = sum(votes.values())
        # A blob covers well over half of its cell; the gradient has no coloured pixel at all.
        if count < (right - left) * (bottom - top) // 4:
            check(count < 20, f"cell ({column}, {row}) is partly coloured: {votes}")
            return None
        colour = max(votes, key=votes.get)
        check(votes[colour] >= 0.8 * count,
              f"cell ({column}, {row}) shows no single blob colour: {votes}")
        return colour

    def colours(self, shot, rows=range(WELL_ROWS)):
        """The colour of the blob in every occupied cell of the given rows, by (column, row)."""
        found = {}
        for row in rows:
            for column in range(WELL_COLUMNS):
                colour = self.cell_colour(shot, column, row)
                if colour is not None:
                    found[column, row] = colour
        return found

    def __str__(self):
        return (f"well ({self.left}, {self.top})-({self.right}, {self.bottom}), "
                f"zoom {self.zoom:.3f}")


class Game:
    def __init__(self, pid, stderr, min_size_probe=None):
        self.pid = pid
        self.stderr = stderr
        self.min_size_probe = min_size_probe
        self.window = None

    def find_window(self):
        def found():
            check(alive(self.pid), "the game exited before showing its window")
            out = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", TITLE],
                                 capture_output=True, text=True).stdout
            for window in out.split():
                name = subprocess.run(["xdotool", "getwindowname", window],
                                      capture_output=True, text=True).stdout.strip()
                if name == TITLE:
                    return window
            return None
        self.window = poll(f'a window titled "{TITLE}"', found, 30, 0.1)
        return self.window

    def key(self, *keys):
        if self.min_size_probe:
            # Under Wine: Wine takes Shift from its own record of the keys held down, which a
            # key sent to the window does not change, so "plus" would arrive as "=". The
            # keypad's Plus is Plus without Shift.
            keys = ["KP_Add" if key == "plus" else key for key in keys]
        run("xdotool", "key", "--window", self.window, "--delay", "0", *keys)

    def shot(self):
        check(alive(self.pid), "the game exited")
        return Shot.of_window(self.window)

    def assertion_failures(self):
        with open(self.stderr, errors="replace") as f:
            return [line for line in f if "Assertion" in line or "failed" in line]


def try_well(shot):
    """The well in a shot, or None while the window is not drawn yet (or being resized)."""
    try:
        return Well(shot)
    except Failure:
        return None


def step(message):
    print(f"-- {message}", flush=True)


def minimum_size(game):
    if game.min_size_probe:
        # Under Wine, Windows' own answer: Wine gives X no minimum for a resizable window.
        width, height = run("wine", game.min_size_probe, TITLE).split()
        return int(width), int(height)
    hints = run("xprop", "-id", game.window, "WM_NORMAL_HINTS")
    match = re.search(r"program specified minimum size: (\d+) by (\d+)", hints)
    check(match, f"no minimum size among the window's hints:\n{hints}")
    return int(match.group(1)), int(match.group(2))


def in_top_rows(box, well):
    return box is not None and box[3] < 2 * CELL * well.zoom


def shifted(before, after):
    return after[0] - before[0], after[1] - before[1]


def check_background(shot, well):
    check(abs(well.zoom - 1) < 0.02, f"the well is not at zoom 1: {well}")
    thickness_x = well.right_strip[1] - well.right_strip[0] + 1
    thickness_y = well.bottom_strip[1] - well.bottom_strip[0] + 1
    # The frame's one-pixel line may cover the strip's first pixel.
    check(SHADOW - 1 <= thickness_x <= SHADOW + 1, f"right shadow {thickness_x} px wide")
    check(SHADOW - 1 <= thickness_y <= SHADOW + 1, f"bottom shadow {thickness_y} px high")
    check(abs(well.width - WELL_W) <= 2, f"bottom shadow {well.width} px long")
    length = well.right_span[1] - well.right_span[0] + 1
    check(abs(length - WELL_H) <= 2, f"right shadow {length} px long")
    check(well.right_strip[0] - well.right in (0, 1),
          f"right shadow at x {well.right_strip[0]}, well's right edge at {well.right}")
    check(well.bottom_strip[0] - well.bottom in (0, 1),
          f"bottom shadow at y {well.bottom_strip[0]}, floor at {well.bottom}")

    # The gradient runs from white at the top-left corner to light grey at the bottom-right
    # and is constant across the diagonal. Cell corners are sampled: the round blobs leave
    # them uncovered.
    def expected(x, y):
        dx, dy = x - well.left, y - well.top
        t = (dx * WELL_W + dy * WELL_H) / (WELL_W ** 2 + WELL_H ** 2)
        return 255 + (192 - 255) * min(max(t, 0), 1)

    samples = [(well.left + 2, well.top + 2), (well.right - 2, well.bottom - 2)]
    samples += [(well.left + CELL * c + 2, well.top + CELL * r + 2)
                for c in range(1, 6) for r in range(1, 12, 2)]
    for x, y in samples:
        p = shot.pixel(x, y)
        if is_blob(p):
            continue
        check(max(p) - min(p) <= 3, f"gradient pixel at ({x}, {y}) is not grey: {p}")
        check(abs(p[0] - expected(x, y)) <= 5,
              f"gradient at ({x}, {y}) is {p[0]}, expected about {expected(x, y):.0f}")
    top_left = shot.pixel(well.left + 2, well.top + 2)
    bottom_right = shot.pixel(well.right - 2, well.bottom - 2)
    check(min(top_left) >= 248, f"well's top-left corner is not white: {top_left}")
    check(all(abs(c - 192) <= 6 for c in bottom_right),
          f"well's bottom-right corner is not light grey: {bottom_right}")
    for x, y in [(well.right + 2, well.top + 40), (well.left + 40, well.bottom + 2),
                 (well.right + 2, well.bottom + 2)]:
        check(is_shadow(shot.pixel(x, y)), f"no dark grey shadow at ({x}, {y})")
    for x, y in [(well.right + 2, well.top + 1), (well.left + 2, well.bottom + 2)]:
        check(not is_shadow(shot.pixel(x, y)), f"shadow where there should be none at ({x}, {y})")


def wait_still(game, well, seconds, timeout):
    """Waits until the well has not changed for `seconds`; returns the blobs' box then."""
    deadline = time.monotonic() + timeout
    shot = game.shot()
    reference, since = well.region(shot), time.monotonic()
    while time.monotonic() - since < seconds:
        if time.monotonic() >= deadline:
            raise Failure(f"the board did not stand still for {seconds} s within {timeout} s")
        time.sleep(0.05)
        current = game.shot()
        region = well.region(current)
        if region != reference:
            shot, reference, since = current, region, time.monotonic()
    return well.blobs(shot)


def blobs_until(game, well, what, accept, timeout=10, interval=0.05):
    """Polls until the blobs' box in the well is accepted; returns it."""
    def found():
        box = well.blobs(game.shot())
        return box if box is not None and accept(box) else None
    return poll(what, found, timeout, interval)


def well_until(game, what, accept, timeout=10, interval=0.05):
    """Polls until the well found in the window is accepted; returns it."""
    def found():
        well = try_well(game.shot())
        return well if well is not None and accept(well) else None
    return poll(what, found, timeout, interval)


def wait_moved(game, well, before, what):
    return blobs_until(game, well, what, lambda box: box[:4] != before[:4])


def settled_colours(game, well, timeout=10):
    """The colours of the settled blobs, by cell: those below the spawn rows, once two shots
    more than a tick apart show the same there (a falling blob moves a row every tick)."""
    def settled():
        first = game.shot()
        time.sleep(TICK + 0.05)
        second = game.shot()
        if well.rows_region(first, SPAWN_ROWS) != well.rows_region(second, SPAWN_ROWS):
            return None
        # Wrapped, so that an empty well still counts as an answer.
        return [well.colours(second, range(SPAWN_ROWS, WELL_ROWS))]
    return poll("the blobs below the spawn rows to stand still", settled, timeout, 0)[0]


def counted(n, noun):
    return f"{n} {noun}" + ("" if n == 1 else "s")


def describe(colours):
    names = sorted(set(colours.values()))
    return (f"{counted(len(colours), 'blob')} of {counted(len(names), 'colour')}"
            f" ({', '.join(names) or 'none'})")


def is_horizontal(box):
    return box[2] - box[0] > box[3] - box[1]


def steer_scenario(game, well):
    """Space, Return, the arrow keys, Z and X on a new pair, seen in the pixels; the same on
    every platform the game is played on. Leaves the game paused with the pair in the upper
    half of the well."""
    step("Space stops the board, a second Space starts it again")
    game.key("space")
    still = wait_still(game, well, 1.2, 20)
    check(still is not None, "nothing on the board while paused")
    reference = well.region(game.shot())
    game.key("space")
    poll("the board to move again after the second Space",
         lambda: well.region(game.shot()) != reference, 10)

    step("Return while paused empties the board; the next pair is placed and falls")
    game.key("space")
    wait_still(game, well, 1.2, 20)
    game.key("Return")
    box = blobs_until(game, well, "a lone pair in the top rows after the restart",
                      lambda b: in_top_rows(b, well), interval=0.02)
    game.key("space")
    box = wait_still(game, well, 1.2, 20)
    check(box is not None, "the new pair is gone")
    check(box[3] < WELL_H / 2, f"the pair reached the lower half before the pause: {box}")

    step("Down, Left and Right move the pair by one cell while paused")
    game.key("Down")
    after = wait_moved(game, well, box, "the pair to move down")
    check(shifted(box, after) == (0, CELL), f"Down moved the pair from {box} to {after}")
    box = after
    first, second = ("Left", "Right") if box[0] >= CELL else ("Right", "Left")
    for key in (first, second):
        game.key(key)
        after = wait_moved(game, well, box, f"the pair to move on {key}")
        expect = (-CELL if key == "Left" else CELL, 0)
        check(shifted(box, after) == expect, f"{key} moved the pair from {box} to {after}")
        box = after

    step("Z and X turn the pair while paused")
    game.key("Down")
    box = wait_moved(game, well, box, "the pair to move down again")
    game.key("z")
    turned = wait_moved(game, well, box, "the pair to turn on Z")
    check(is_horizontal(turned) != is_horizontal(box), f"Z turned the pair from {box} to {turned}")
    game.key("x")
    back = wait_moved(game, well, turned, "the pair to turn back on X")
    check(is_horizontal(back) == is_horizontal(box), f"X turned the pair from {turned} to {back}")
    # Away from the walls no turn is shifted, and X undoes Z exactly.
    if box[0] >= CELL and box[2] < WELL_W - CELL:
        check(back[:4] == box[:4], f"Z and X moved the pair from {box} to {back}")
    return back


def window_scenario(game):
    step("window and its minimum size")
    game.find_window()
    size = minimum_size(game)
    check(size == (WELL_W, WELL_H), f"minimum size {size}, expected 192 x 384")

    step("a pair appears in the top rows")
    state = {}

    def pair_on_top():
        shot = game.shot()
        if "well" not in state:
            well = try_well(shot)
            if well is None:
                return False
            state["well"] = well
            state["first"] = shot
        # A blob shows some 500 strongly coloured pixels; a pair shows twice as many.
        return state["well"].top_rows(shot) >= 600
    poll("a pair in the top two rows", pair_on_top, 30, 0.02)
    well = state["well"]
    print(f"   {well}")

    step("gradient and shadow")
    check_background(state["first"], well)

    steer_scenario(game, well)

    step("Down lands the pair; Return while paused clears the settled blobs")
    game.key(*["Down"] * 14)
    landed = blobs_until(game, well, "the pair to reach the floor",
                         lambda b: b[3] > WELL_H - CELL)
    game.key("Return")
    box = blobs_until(game, well, "the settled blobs gone and a new pair in the top rows",
                      lambda b: in_top_rows(b, well), interval=0.02)
    print(f"   landed at {landed}, new pair at {box}")
    after = blobs_until(game, well, "the new pair falling", lambda b: b[1] > box[1])
    check(after[3] < WELL_H - CELL, f"settled blobs still on the floor: {after}")

    step("Plus draws the well larger")
    # Room for the zoomed well, so that no scroll bar hides its shadow.
    run("xdotool", "windowsize", game.window, "600", "700")
    well = well_until(game, "the well centred in the larger window", lambda w: w.left > 100)
    check(abs(well.zoom - 1) < 0.02, f"resizing changed the zoom: {well}")
    game.key("plus")
    zoomed = well_until(game, "the well to grow", lambda w: w.width > well.width + 10)
    ratio = zoomed.width / well.width
    print(f"   {well} -> {zoomed}")
    check(abs(ratio - ZOOM_STEP) < 0.03, f"Plus scaled the well by {ratio:.3f}")

    check(alive(game.pid), "the game exited")
    failures = game.assertion_failures()
    check(not failures, "assertion failures:\n" + "".join(failures))


def storm_scenario(game, keys, seed):
    game.find_window()
    rng = random.Random(seed)
    print(f"-- {keys} random keys, seed {seed}", flush=True)
    batch = 500
    sent = 0
    started = time.monotonic()
    while sent < keys:
        n = min(batch, keys - sent)
        game.key(*[rng.choice(GAME_KEYS) for _ in range(n)])
        sent += n
        check(alive(game.pid), f"the game died after {sent} keys")
    print(f"   sent in {time.monotonic() - started:.1f} s", flush=True)

    # The keys are queued faster than the game handles them: wait until its CPU use drops
    # back to that of the ticks alone, then look at the window.
    def cpu_ticks():
        with open(f"/proc/{game.pid}/stat") as stat:
            fields = stat.read().rsplit(")", 1)[1].split()
        return int(fields[11]) + int(fields[12])
    last = cpu_ticks()
    quiet_since = time.monotonic()
    deadline = time.monotonic() + 90
    while time.monotonic() - quiet_since < 2:
        check(time.monotonic() < deadline, "the game never settled after the storm")
        time.sleep(0.25)
        check(alive(game.pid), "the game died after the storm")
        now = cpu_ticks()
        # Ticks cost a little CPU; a busy event queue costs a whole core.
        if now - last > 10:
            quiet_since = time.monotonic()
        last = now
    check(alive(game.pid), "the game died after the storm")
    out = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", TITLE],
                         capture_output=True, text=True).stdout.split()
    check(game.window in out, "the window is gone after the storm")
    size = minimum_size(game)
    check(size == (WELL_W, WELL_H), f"minimum size {size} after the storm")

    # The game still answers keys, after every key of the storm: from any zoom that keys
    # alone can reach, ten steps out reach the lowest one and three steps in lead back to 1.
    game.key(*["minus"] * 10, *["plus"] * 3)
    well = well_until(game, "the well back at zoom 1", lambda w: abs(w.width - WELL_W) <= 2,
                      20, 0.2)

    # And it still plays: Return restarts a paused game; a running one changes the board by
    # itself unless its spawns are blocked, and then Space and Return restart it.
    box = well.blobs(game.shot())
    game.key("Return")

    def changed():
        now = well.blobs(game.shot())
        return now is not None and (box is None or now[:4] != box[:4])
    try:
        poll("the board to change after Return", changed, 3)
    except Failure:
        game.key("space", "Return")
        poll("the board to change after Space and Return", changed, 5)
    failures = game.assertion_failures()
    check(not failures, "assertion failures:\n" + "".join(failures))


# Where each pair's left blob goes in turn, counted from the left wall: spread over the well,
# the heap stays low and shows many blobs side by side.
SCREENSHOT_COLUMNS = [0, 4, 2, 1, 3, 5]
MAX_SCREENSHOT_PAIRS = 16


def check_screenshot(path):
    """Checks a saved screenshot: the whole well at zoom 1 with its gradient and drop shadow,
    and blobs of at least three colours in it. Returns the blobs' colours by cell."""
    shot = Shot.of_file(path)
    try:
        well = Well(shot)
        check_background(shot, well)
        colours = well.colours(shot)
    except Failure as failure:
        raise Failure(f"{path}: {failure}") from None
    check(len(set(colours.values())) >= 3,
          f"{path}: {describe(colours)} in the well, at least 3 colours wanted")
    return well, colours


def screenshot_scenario(game, output, pairs):
    step("window")
    game.find_window()
    well = well_until(game, "the well drawn with its shadow", lambda w: True, 30)
    print(f"   {well}")

    step(f"dropping at least {pairs} pairs, until blobs of three colours have settled")
    # Each pair is handled on a stopped board: Space stops it as soon as the pair is in, the
    # keys move and drop the pair, and a second Space lets the next one come. So no pair falls
    # by itself, and when a new pair is in, every blob below it has settled and every chain
    # has been resolved.
    def pair_in_spawn_rows():
        # Both blobs: a single one fills its row with as many coloured pixels as top_rows
        # expects of a pair.
        return len(well.colours(game.shot(), range(SPAWN_ROWS))) == 2

    dropped = 0
    while True:
        poll("a new pair in the spawn rows", pair_in_spawn_rows, 10, 0.02)
        game.key("space")
        colours = settled_colours(game, well)
        # Stopped a tick late, the pair has already moved down into the rows counted.
        if pair_in_spawn_rows():
            print(f"   {counted(dropped, 'pair')} dropped: {describe(colours)} settled")
            if dropped >= pairs and len(set(colours.values())) >= 3:
                break
        check(dropped < MAX_SCREENSHOT_PAIRS,
              f"after {dropped} pairs only {describe(colours)} have settled")
        before = well.rows_region(game.shot(), SPAWN_ROWS)
        column = SCREENSHOT_COLUMNS[dropped % len(SCREENSHOT_COLUMNS)]
        # Against the left wall first, wherever the pair came in, then out to its column.
        game.key(*["Left"] * (WELL_COLUMNS - 1), *["Right"] * column, *["Down"] * (WELL_ROWS + 2))
        poll("the pair to land", lambda: well.rows_region(game.shot(), SPAWN_ROWS) != before, 10)
        game.key("space")
        dropped += 1

    # Saved beside the output and moved over it only once it passes, so that a failed run
    # never leaves a bad picture where the README expects a good one.
    directory = os.path.dirname(os.path.abspath(output))
    os.makedirs(directory, exist_ok=True)
    partial = os.path.join(directory, f".{os.path.basename(output)}.{os.getpid()}.png")
    try:
        run("import", "-window", game.window, f"png:{partial}")
        step("checking the picture")
        well, colours = check_screenshot(partial)
        os.replace(partial, output)
    finally:
        if os.path.exists(partial):
            os.remove(partial)
    print(f"   {well}; {describe(colours)}")
    print(f"   saved {output}")
    failures = game.assertion_failures()
    check(not failures, "assertion failures:\n" + "".join(failures))


def close_scenario(game):
    """Closes the window as a player would, with Alt+F4, and waits for the game to end."""
    game.find_window()
    game.key("alt+F4")
    poll("the game to end after its window was closed", lambda: not alive(game.pid), 20)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("scenario",
                        choices=["window", "storm", "screenshot", "check-screenshot", "close"])
    parser.add_argument("file", nargs="?", help="the PNG that check-screenshot looks at")
    parser.add_argument("--pid", type=int)
    parser.add_argument("--stderr")
    parser.add_argument("--keys", type=int, default=20000)
    parser.add_argument("--seed", type=int, default=None)
    parser.add_argument("--output", help="where screenshot saves its PNG")
    parser.add_argument("--min-size-probe",
                        help="a Windows program that prints the game window's minimum size, for"
                             " a game running under Wine")
    parser.add_argument("--pairs", type=int, default=6,
                        help="how many pairs screenshot drops at least")
    args = parser.parse_args()
    if args.scenario == "check-screenshot":
        if args.file is None:
            parser.error("check-screenshot needs the FILE to look at")
    elif args.file is not None:
        parser.error(f"unexpected argument {args.file}")
    elif args.pid is None or args.stderr is None:
        parser.error(f"{args.scenario} needs --pid and --stderr")
    elif args.scenario == "screenshot" and args.output is None:
        parser.error("screenshot needs --output")
    # Ended from outside, the scenario still tidies up after itself on the way out.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(128 + signal.SIGTERM))
    game = Game(args.pid, args.stderr, args.min_size_probe)
    try:
        if args.scenario == "check-screenshot":
            well, colours = check_screenshot(args.file)
            print(f"   {well}; {describe(colours)}")
        elif args.scenario == "screenshot":
            screenshot_scenario(game, args.output, args.pairs)
        elif args.scenario == "window":
            window_scenario(game)
        elif args.scenario == "close":
            close_scenario(game)
        else:
            seed = args.seed if args.seed is not None else random.randrange(1 << 30)
            storm_scenario(game, args.keys, seed)
    except Failure as failure:
        print(f"FAIL: {failure}", file=sys.stderr)
        return 1
    print("PASS")
    return 0


if __name__ == "__main__":
    sys.exit(main())
