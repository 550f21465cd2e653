"""The game as a player meets it, the same on every platform: the window or page, the well and
its first pair, the keys that steer, land, restart and zoom, the chain search's trace and the
images. Each test starts a new game. Beside them, what --screenshot makes."""

import shutil

import pytest

from kelo_pixels import (BLOB_COLOURS, CELL, TITLE, WELL_H, WELL_W, ZOOM_STEP, check_background,
                         in_top_rows, shifted)
from kelo_play import (blobs_until, first_well, paused_pair, poll, step, take_screenshot,
                       wait_moved, wait_still, well_until)

RESTART_ATTEMPTS = 3


def test_title_and_minimum_size(game, platform):
    """The window is titled for the game; on the desktop, it cannot be made smaller than the
    well."""
    assert game.title() == TITLE
    if platform != "web":
        assert game.minimum_size() == (WELL_W, WELL_H)


def test_first_pair_in_the_well_at_zoom_1(game):
    """A pair appears in the top rows, over the well's gradient with its drop shadow."""
    well, shot = first_well(game)
    print(f"   {well}")
    check_background(shot, well)


def horizontal(box):
    return box[2] - box[0] > box[3] - box[1]


def test_steering_keys(game):
    """Space, Return, the arrow keys, Z and X on a new pair, seen in the pixels."""
    well, _ = first_well(game)
    step("Space stops the board, a second Space starts it again")
    paused_pair(game, well)
    reference = well.region(game.shot())
    game.key("space")
    poll("the board to move again after the second Space",
         lambda: well.region(game.shot()) != reference, 10)

    step("Return while paused empties the board; the next pair is placed and falls")
    game.key("space")
    wait_still(game, well, 1.2)
    game.key("Return")
    blobs_until(game, well, "a lone pair in the top rows after the restart",
                lambda b: in_top_rows(b, well), interval=0.02)
    box = paused_pair(game, well, where=": the new pair is gone")
    assert box[3] < WELL_H / 2, f"the pair reached the lower half before the pause: {box}"

    step("Down, Left and Right move the pair by one cell while paused")
    moves = {"Down": (0, CELL), "Left": (-CELL, 0), "Right": (CELL, 0)}
    # Left first, unless the pair is against the left wall.
    for key in ["Down", *(("Left", "Right") if box[0] >= CELL else ("Right", "Left")), "Down"]:
        game.key(key)
        after = wait_moved(game, well, box, f"the pair to move on {key}")
        assert shifted(box, after) == moves[key], f"{key} moved the pair from {box} to {after}"
        box = after

    step("Z and X turn the pair while paused")
    game.key("z")
    turned = wait_moved(game, well, box, "the pair to turn on Z")
    assert horizontal(turned) != horizontal(box), f"Z turned the pair from {box} to {turned}"
    game.key("x")
    back = wait_moved(game, well, turned, "the pair to turn back on X")
    assert horizontal(back) == horizontal(box), f"X turned the pair from {turned} to {back}"
    # Away from the walls no turn is shifted, and X undoes Z exactly.
    if box[0] >= CELL and box[2] < WELL_W - CELL:
        assert back[:4] == box[:4], f"Z and X moved the pair from {box} to {back}"


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
    lines = ["Total number of blue components: ", "Vertex 0 is in component "]
    poll("the chain search's lines", lambda: all(game.printed(line) for line in lines), 10)


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


def remove_images(folder):
    shutil.rmtree(folder / "images")


def spoil_images(folder):
    (folder / "images/kelo_red.png").write_text("not a picture")
    (folder / "images/kelo_blue.png").write_bytes(b"")


@pytest.mark.platforms("x11", "wine")
@pytest.mark.parametrize("prepare, unusable", [
    (None, []), (remove_images, sorted(BLOB_COLOURS)), (spoil_images, ["blue", "red"]),
], ids=["images from the folder", "no images folder", "unusable files"])
def test_images(start_game, platform, tmp_path, prepare, unusable):
    """The game draws blobs of every colour, from the files in images/, or its own where they
    are missing or unusable, and warns once for each file it could not use. It warns when it
    first makes a blob of a colour, so the play goes on until every colour has been seen."""
    if prepare is not None and platform != "wine":
        pytest.skip("only the Windows release's unpacked folder is the test's to change")
    game = start_game(prepare=prepare)
    if prepare is None and not game.has_images:
        pytest.skip(f"no images/ in {game.folder}")
    take_screenshot(game, str(tmp_path / "blobs.png"), 6, len(BLOB_COLOURS))
    assert sorted(game.image_warnings()) == [f"kelo_{colour}.png" for colour in unusable]


@pytest.mark.screenshot
@pytest.mark.platforms("x11", "wine")
def test_screenshot(game, pytestconfig):
    """Rather a run than a test, made only with --screenshot and then alone."""
    take_screenshot(game, pytestconfig.getoption("screenshot"), pytestconfig.getoption("pairs"))
