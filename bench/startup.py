#!/usr/bin/python3
"""Start-up to the first painted frame, as bench/firstframe.cpp reports it, of the game and an
empty QGraphicsView: one untimed start of each fills the caches, then ROUNDS of each, in turns.

    startup.py offscreen|xcb|wine ROUNDS PROGRAM_DIR

xcb and wine run in an Xvfb of their own (pyvirtualdisplay's, as pytest-xvfb's); wine starts
the Windows build's programs with its Wine prefix and Qt's DLLs from KELO_QT_WINDOWS.
"""

import contextlib
import os
import re
import statistics
import subprocess
import sys
import time

# The programs read ./images from here.
SOURCE = os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir)


def launcher(platform, folder):
    """The command that starts a program, and its environment."""
    if platform != "wine":
        return [], dict(os.environ, QT_QPA_PLATFORM=platform)
    sys.dont_write_bytecode = True
    sys.path.insert(0, os.path.join(SOURCE, "tests", "e2e"))
    from kelo_games import WINE_ENVIRONMENT
    # Wine hands QT_* variables on only as WINEQT_*.
    return ["wine"], dict(os.environ, **WINE_ENVIRONMENT, WINEQT_QPA_PLATFORM="windows",
                          WINEPREFIX=os.path.join(os.path.dirname(folder), "wine-prefix"),
                          WINEPATH=os.path.join(os.environ["KELO_QT_WINDOWS"], "bin"))


def first_frame(command, env):
    # Read last, just before the process starts: the Linux programs count from it.
    env["KELO_LAUNCH_NS"] = str(time.clock_gettime_ns(time.CLOCK_MONOTONIC))
    out = subprocess.run(command, cwd=SOURCE, env=env, capture_output=True, text=True,
                         check=True, timeout=120).stdout
    return float(re.search(r"^first-frame-ms ([0-9.]+)$", out, re.M).group(1))


def main(platform, rounds, folder):
    folder = os.path.abspath(folder)
    wine, env = launcher(platform, folder)
    times = {os.path.join(folder, name + (".exe" if wine else "")): []
             for name in ("kelo_firstframe", "kelo_emptyview")}
    programs = list(times)
    for program in programs:
        first_frame(wine + [program], env)
    for i in range(int(rounds)):
        # Each goes first in every other round, so that neither always follows the other.
        for program in programs[::-1 if i % 2 else 1]:
            times[program].append(first_frame(wine + [program], env))
    game, empty = (statistics.median(times[program]) for program in programs)
    print(f"start-up to the first frame, {platform}, medians of {rounds} starts each: "
          f"game {game:.2f} ms, empty QGraphicsView {empty:.2f} ms, ratio {game / empty:.3f}")


if __name__ == "__main__":
    if len(sys.argv) != 4 or sys.argv[1] not in ("offscreen", "xcb", "wine"):
        sys.exit(__doc__)
    with contextlib.ExitStack() as display:
        if sys.argv[1] != "offscreen":
            from pyvirtualdisplay import Display
            display.enter_context(Display(size=(1280, 1024), color_depth=24))
        main(*sys.argv[1:])
