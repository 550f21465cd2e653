"""The game as a player meets it, the same on every platform: the window or page, the well and
its first pair, the keys that steer, land, restart and zoom, and the chain search's trace.
Each test starts a new game. Beside them, what --screenshot makes."""

import pytest

from kelo_pixels import (BLOB_COLOURS, CELL, TITLE, WELL_H, WELL_W, ZOOM_STEP,
                         check_background, describe, in_top_rows)
from kelo_play import (blobs_until, drop_pairs, first_well, paused_pair, poll, steer,
                       take_screenshot, well_until)

RESTART_ATTEMPTS = 3
# What the game writes for every landed pair while it searches for chains.
CHAIN_SEARCH_LINES = ["Total number of blue components: ", "Vertex 0 is in component "]


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
    for _ in range(RESTART_ATTEMPTS):
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
    poll("the chain search's lines",
         lambda: all(game.printed(line) for line in CHAIN_SEARCH_LINES), 10)


def test_zoom_keys(game, platform):
    """Minus and Plus scale the well by a step each, down and up again, and a window resized
    keeps the zoom. Beyond zoom 1 the well outgrows the page's place for the game, which is the
    desktop window's opening size: only a desktop window shows it whole there."""
    well, _ = first_well(game)
    # Room for the zoomed well, so that no scroll bar hides its shadow.
    game.resize(600, 700)
    well = well_until(game, "the well centred in the larger window", lambda w: w.left > 100)
    assert abs(well.zoom - 1) < 0.02, f"resizing changed the zoom: {well}"
    paused_pair(game, well, 0.6)
    # Each key, and the factor it scales the well by; the last one beyond zoom 1.
    keys = [("minus", 1 / ZOOM_STEP)] * 2 + [("plus", ZOOM_STEP)] * (2 if platform == "web" else 3)
    wells = [well]
    for key, factor in keys:
        game.key(key)
        before = wells[-1].width
        wells.append(well_until(game, f"the well to change its width on {key}",
                                lambda w: abs(w.width - before) > 10))
        ratio = wells[-1].width / before
        assert abs(ratio - factor) < 0.03, (f"{key} took the well from {wells[-2]} to "
                                            f"{wells[-1]}: {ratio:.3f}, not {factor:.3f}")
    print("   widths", ", ".join(str(w.width) for w in wells))
    assert abs(wells[4].width - WELL_W) <= 2, f"the well is not back at zoom 1: {wells[4]}"


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


@pytest.mark.screenshot
@pytest.mark.platforms("x11", "wine")
def test_screenshot(game, pytestconfig):
    """Rather a run than a test, made only with --screenshot and then alone."""
    take_screenshot(game, pytestconfig.getoption("screenshot"), pytestconfig.getoption("pairs"))
