#!/usr/bin/python3
"""Start-up of the Windows programs under Wine: the game and an empty QGraphicsView program,
both built for Windows with the benchmarks on, started alternately through Wine's own display
driver (run it under xvfb-run). Each reports the time from its process's creation to its first
painted frame; the medians and their ratio are printed.

    wine_startup.py BUILD_DIR SOURCE_DIR [ROUNDS]
"""

import os
import re
import statistics
import subprocess
import sys


def first_frame(build, source, program):
    out = subprocess.run(["sh", os.path.join(build, "wine-run.sh"), program], cwd=source,
                         env=dict(os.environ, QT_QPA_PLATFORM="windows"),
                         capture_output=True, text=True, check=True).stdout
    return float(re.search(r"^first-frame-ms ([0-9.]+)", out, re.M).group(1))


def main(build, source, rounds="20"):
    game, empty = (os.path.join(build, "bench", name + ".exe")
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
    main(*sys.argv[1:])
