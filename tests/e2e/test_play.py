"""The game as a player meets it, the same on every platform: the window or page, the well and
its first pair, the keys that steer, land, restart and zoom, and the chain search's trace.
Each test starts a new game."""

import pytest

from kelo_games import CHAIN_SEARCH_LINES
from kelo_pixels import (BLOB_COLOURS, CELL, TITLE, WELL_H, WELL_W, ZOOM_STEP,
                         check_background, describe, in_top_rows)
from kelo_play import (blobs_until, drop_pairs, first_well, paused_pair, poll, steer,
                       wait_still, well_until)

RESTART_ATTEMPTS = 3


def test_title(game):
    assert game.title() == TITLE


@pytest.mark.platforms("x11", "wine")
def test_minimum_size_is_the_well(game):
    assert game.minimum_size() == (WELL_W, WELL_H)


def test_first_pair_in_the_well_at_zoom_1(game):
    """A pair appears in the top rows, over the well's gradient with its drop shadow."""
    well, shot = first_well(game)
    print(f"   {well}")
    check_background(shot, well)


def test_steering_keys(game):
    well, _ = first_well(game)
    steer(game, well)


def test_landing_and_restart(game):
    """Down lands the pair; Return while paused clears the settled blobs and starts again.
    The new pair stays in the top rows for a single tick: a machine too busy to take a shot
    within it lands that pair and restarts again, a few times at most."""
    well, _ = first_well(game)
    for attempt in range(RESTART_ATTEMPTS):
        paused_pair(game, well)
        game.key(*["Down"] * 14)
        landed = blobs_until(game, well, "the pair to reach the floor",
                             lambda b: b[3] > WELL_H - CELL)
        game.key("Return")
        box = blobs_until(game, well, "the settled blobs gone and a new pair",
                          lambda b: b[3] < WELL_H - CELL, interval=0.02)
        if in_top_rows(box, well):
            break
        print(f"   the new pair was first seen at {box}, below the top rows")
    else:
        raise AssertionError(f"no new pair seen in the top rows in {RESTART_ATTEMPTS} restarts")
    print(f"   landed at {landed}, new pair at {box}")
    after = blobs_until(game, well, "the new pair falling", lambda b: b[1] > box[1])
    assert after[3] < WELL_H - CELL, f"settled blobs still on the floor: {after}"


def test_chain_search_trace(game):
    """A landed pair has the chain search write its lines: on standard output on the desktop,
    in the console in the browser."""
    well, _ = first_well(game)
    paused_pair(game, well)
    game.key(*["Down"] * 14, "space")
    poll("the chain search's lines", lambda: all(game.printed(line)
                                                 for line in CHAIN_SEARCH_LINES), 10)


def test_zoom_keys(game, platform):
    """Minus and Plus scale the well by a step each, down and up again, and a window resized
    keeps the zoom. Beyond zoom 1 the well outgrows the page's place for the game, which is the
    desktop window's opening size: only a desktop window shows it whole there."""
    well, _ = first_well(game)
    # Room for the zoomed well, so that no scroll bar hides its shadow.
    game.resize(600, 700)
    well = well_until(game, "the well centred in the larger window", lambda w: w.left > 100)
    assert abs(well.zoom - 1) < 0.02, f"resizing changed the zoom: {well}"
    game.key("space")
    wait_still(game, well, 0.6, 20)

    def width_until(what, accept):
        return well_until(game, what, lambda w: accept(w.width))

    game.key("minus")
    smaller = width_until("the well to shrink", lambda w: w < WELL_W - 10)
    game.key("minus")
    smallest = width_until("the well to shrink again", lambda w: w < smaller.width - 10)
    game.key("plus")
    larger = width_until("the well to grow", lambda w: w > smallest.width + 10)
    game.key("plus")
    back = width_until("the well back at zoom 1", lambda w: abs(w - WELL_W) <= 2)
    steps = [(well, smaller, 1 / ZOOM_STEP), (smaller, smallest, 1 / ZOOM_STEP),
             (smallest, larger, ZOOM_STEP)]
    if platform != "web":
        game.key("plus")
        zoomed = width_until("the well to grow beyond zoom 1", lambda w: w > back.width + 10)
        steps.append((well, zoomed, ZOOM_STEP))
    print("   widths", ", ".join(str(after.width) for _, after, _ in steps), back.width)
    for before, after, factor in steps:
        ratio = after.width / before.width
        assert abs(ratio - factor) < 0.03, \
            f"the well went from {before} to {after}: scaled by {ratio:.3f}, not {factor:.3f}"


@pytest.mark.platforms("x11", "wine")
def test_images_from_the_folder_are_used(game):
    """The game in a folder with images/ draws blobs of every colour without a warning about
    them (which it gives when it first draws a colour whose image it cannot use)."""
    if not game.has_images:
        pytest.skip(f"no images/ in {game.folder}")
    well, _ = first_well(game)
    colours = drop_pairs(game, well, 6, len(BLOB_COLOURS))
    print(f"   {describe(colours)}")
    assert game.image_warnings() == []
