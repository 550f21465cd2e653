"""Playing the game from outside, the same way whatever shows it: each step takes a game that
answers key(*names) and shot() (see kelo_games.py) and judges what it shows with kelo_pixels.
Every wait polls until its condition holds or a deadline passes, so a slow machine makes a test
slower, not flaky."""

import tempfile
import time
from pathlib import Path

import numpy
from PIL import Image

from kelo_pixels import (PAIR_PIXELS, SPAWN_ROWS, WELL_COLUMNS, WELL_ROWS, Failure, check,
                         check_screenshot, counted, describe, try_well)

# How often the board moves a falling blob down by a row, in seconds.
TICK = 0.25
# Where each pair's left blob goes in turn, counted from the left wall: spread over the well,
# the heap stays low and shows many blobs side by side.
SCREENSHOT_COLUMNS = [0, 4, 2, 1, 3, 5]
MAX_SCREENSHOT_PAIRS = 16


def step(message):
    print(f"-- {message}", flush=True)


def poll(what, value, timeout, interval=0.05, accept=bool):
    """Calls value() until it returns something, not None, that accept() takes; returns that,
    or fails at the deadline."""
    deadline = time.monotonic() + timeout
    while True:
        result = value()
        if result is not None and accept(result):
            return result
        if time.monotonic() >= deadline:
            raise Failure(f"timed out after {timeout} s waiting for {what}")
        time.sleep(interval)


def blobs_until(game, well, what, accept, timeout=10, interval=0.05):
    return poll(what, lambda: well.blobs(game.shot()), timeout, interval, accept)


def well_until(game, what, accept, timeout=10, interval=0.05):
    return poll(what, lambda: try_well(game.shot()), timeout, interval, accept)


def first_well(game):
    """Waits for a shot of the well with a pair in its top rows; returns the well and the shot."""
    def pair_on_top():
        shot = game.shot()
        well = try_well(shot)
        return (well, shot) if well is not None and well.top_rows(shot) >= PAIR_PIXELS else None
    return poll("the well with a pair in its top rows", pair_on_top, game.start_timeout, 0.02)


def wait_still(game, well, seconds, timeout=20):
    """Waits until the well has not changed for `seconds`; returns the blobs' box then."""
    seen = {}

    def still():
        shot = game.shot()
        if well.region(shot) != seen.get("region"):
            seen.update(region=well.region(shot), shot=shot, since=time.monotonic())
        return time.monotonic() - seen["since"] >= seconds
    poll(f"the board to stand still for {seconds} s", still, timeout)
    return well.blobs(seen["shot"])


def wait_moved(game, well, before, what):
    return blobs_until(game, well, what, lambda box: box[:4] != before[:4])


def paused_pair(game, well, seconds=1.2, where=""):
    game.key("space")
    box = wait_still(game, well, seconds)
    check(box is not None, f"nothing on the board while paused{where}")
    return box


def settled_colours(game, well, timeout=10):
    """The colours of the settled blobs, by cell: those below the spawn rows, once two shots
    more than a tick apart show the same there (a falling blob moves a row every tick)."""
    def settled():
        first = game.shot()
        time.sleep(TICK + 0.05)
        second = game.shot()
        if well.region(first, SPAWN_ROWS) == well.region(second, SPAWN_ROWS):
            return well.colours(second, range(SPAWN_ROWS, WELL_ROWS))
    # An empty well is an answer too.
    return poll("the blobs below the spawn rows to stand still", settled, timeout, 0,
                accept=lambda colours: True)


def drop_pairs(game, well, pairs, colours_wanted=3):
    """Drops at least `pairs` pairs across the well, until blobs of `colours_wanted` colours
    have settled; returns their colours by cell.

    Each pair is handled on a stopped board: Space stops it as soon as the pair is in, the keys
    move and drop the pair, and a second Space lets the next one come. So no pair falls by
    itself, and when a new pair is in, every blob below it has settled and every chain has been
    resolved."""
    def pair_in_spawn_rows():
        # Both blobs: a single one fills its row with as many coloured pixels as a pair in
        # the top rows shows.
        return len(well.colours(game.shot(), range(SPAWN_ROWS))) == 2

    dropped = 0
    while True:
        poll("a new pair in the spawn rows", pair_in_spawn_rows, 10, 0.02)
        game.key("space")
        colours = settled_colours(game, well)
        # Stopped a tick late, the pair has already moved down into the rows counted.
        if pair_in_spawn_rows():
            print(f"   {counted(dropped, 'pair')} dropped: {describe(colours)} settled")
            if dropped >= pairs and len(set(colours.values())) >= colours_wanted:
                return colours
        check(dropped < MAX_SCREENSHOT_PAIRS,
              f"after {dropped} pairs only {describe(colours)} have settled")
        before = well.region(game.shot(), SPAWN_ROWS)
        column = SCREENSHOT_COLUMNS[dropped % len(SCREENSHOT_COLUMNS)]
        # Against the left wall first, wherever the pair came in, then out to its column.
        game.key(*["Left"] * (WELL_COLUMNS - 1), *["Right"] * column, *["Down"] * (WELL_ROWS + 2))
        poll("the pair to land", lambda: well.region(game.shot(), SPAWN_ROWS) != before, 10)
        game.key("space")
        dropped += 1


def take_screenshot(game, output, pairs, colours_wanted=3):
    """Plays until blobs of `colours_wanted` colours have settled and saves the window as a PNG
    at `output`, once the picture passes check_screenshot."""
    well = well_until(game, "the well drawn with its shadow", bool, game.start_timeout)
    print(f"   {well}")
    step(f"dropping at least {pairs} pairs, until blobs of {colours_wanted} colours have settled")
    drop_pairs(game, well, pairs, colours_wanted)
    # Saved beside the output and moved over it only once it passes, so that a failed run
    # never leaves a bad picture where another one is expected.
    output = Path(output).absolute()
    output.parent.mkdir(parents=True, exist_ok=True)
    with tempfile.TemporaryDirectory(dir=output.parent, prefix=".kelo-screenshot.") as folder:
        partial = Path(folder) / output.name
        Image.fromarray(game.shot().astype(numpy.uint8)).save(partial)
        step("checking the picture")
        well, colours = check_screenshot(partial)
        partial.replace(output)
    print(f"   {well}; {describe(colours)}; saved {output}")
