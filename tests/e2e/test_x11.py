"""What only the Linux build's window is put through: thousands of random keys at full speed."""

import random
import time

import pytest

from kelo_games import visible_windows
from kelo_pixels import WELL_H, WELL_W, Failure
from kelo_play import poll, well_until

pytestmark = [pytest.mark.platforms("x11"), pytest.mark.storm]

GAME_KEYS = ["Left", "Right", "Down", "Up", "z", "x", "space", "Return", "plus", "minus"]


def cpu_ticks(pid):
    with open(f"/proc/{pid}/stat") as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return int(fields[11]) + int(fields[12])


def test_key_storm(game, pytestconfig):
    """The game survives a storm of random keys and still answers keys and plays after it."""
    keys, seed = pytestconfig.getoption("keys"), pytestconfig.getoption("seed")
    rng = random.Random(seed)
    print(f"-- {keys} random keys, seed {seed}", flush=True)
    started = time.monotonic()
    for sent in range(0, keys, 500):
        batch = rng.choices(GAME_KEYS, k=min(500, keys - sent))
        game.key(*batch)
        assert game.alive(), f"the game died after {sent + len(batch)} keys (seed {seed})"
    print(f"   sent in {time.monotonic() - started:.1f} s", flush=True)

    # The keys are queued faster than the game handles them: wait until its CPU use has been
    # back to that of the ticks alone for 2 s (eight quarters of a second), then look at the
    # window. Ticks cost a little CPU; a busy event queue costs a whole core.
    ticks = []

    def settled():
        assert game.alive(), f"the game died after the storm (seed {seed})"
        ticks.append(cpu_ticks(game.process.pid))
        return len(ticks) > 8 and all(b - a <= 10 for a, b in zip(ticks[-9:], ticks[-8:]))
    poll("the game to settle after the storm", settled, 90, 0.25)
    assert game.window in visible_windows(), "the window is gone after the storm"
    assert game.minimum_size() == (WELL_W, WELL_H)

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
