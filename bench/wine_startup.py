#!/usr/bin/python3
"""Start-up of the Windows programs under Wine: the game and an empty QGraphicsView program,
both built for Windows with the benchmarks on, started alternately through Wine's own display
driver, in an Xvfb of their own (pyvirtualdisplay's, which the window tests' pytest-xvfb uses).
Each reports the time from its process's creation to its first painted frame; the medians and
their ratio are printed.

    KELO_QT_WINDOWS=QT wine_startup.py BUILD_DIR SOURCE_DIR [ROUNDS]
"""

import os
import re
import statistics
import subprocess
import sys

from pyvirtualdisplay import Display

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))

from kelo_games import WINE_ENVIRONMENT  # noqa: E402


def first_frame(build, source, program):
    # The build's own Wine prefix, and Qt's DLLs where its Qt (KELO_QT_WINDOWS) keeps them; the
    # MinGW runtime is beside the programs. Wine hands QT_* variables on only as WINEQT_*.
    env = dict(os.environ, **WINE_ENVIRONMENT, WINEPREFIX=os.path.join(build, "wine-prefix"),
               WINEQT_QPA_PLATFORM="windows",
               WINEPATH=os.path.join(os.environ["KELO_QT_WINDOWS"], "bin"))
    out = subprocess.run(["wine", program], cwd=source, env=env,
                         capture_output=True, text=True, check=True).stdout
    return float(re.search(r"^first-frame-ms ([0-9.]+)", out, re.M).group(1))


def main(build, source, rounds="20"):
    game, empty = (os.path.join(build, "bin", name + ".exe")
                   for name in ("kelo_firstframe", "kelo_emptyview"))
    first_frame(build, source, empty)  # Wine's prefix and caches, once
    times = {game: [], empty: []}
    for _ in range(int(rounds)):
        for program in (game, empty):
            times[program].append(first_frame(build, source, program))
    g, e = statistics.median(times[game]), statistics.median(times[empty])
    print(f"game {g:.1f} ms, empty QGraphicsView {e:.1f} ms, ratio {g / e:.2f}"
          f" (medians of {rounds} starts)")


if __name__ == "__main__":
    with Display(size=(1280, 1024), color_depth=24):
        main(*sys.argv[1:])
