#!/usr/bin/python3
"""The page's load time in headless Chromium, from the start of navigation to the first frame
that shows the well with a pair: in each round a new browser with a new profile loads it with
nothing cached (cold) and, once its service worker has kept the page, again (warm).

    web_load.py WEB.zip ROUNDS

A frame is seen at most one screenshot, some tens of milliseconds here, after it is painted.
Run it with Debian's Python, whose Selenium the page's tests use.
"""

import contextlib
import math
import os
import statistics
import sys
import tempfile

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))

from kelo_games import Page, Site  # noqa: E402
from kelo_pixels import PAIR_PIXELS, try_well  # noqa: E402
from kelo_play import poll  # noqa: E402


def first_frame(page, url):
    """Seconds from the start of navigating to url to the first frame with the well and a pair."""
    page.driver.get(url)

    def shown():
        # The page's clock before the screenshot: the frame was painted by then or during it.
        now = page.js("return performance.now()")
        shot = page.shot()
        well = try_well(shot)
        return now if well is not None and well.top_rows(shot) >= PAIR_PIXELS else None
    return poll("the first frame", shown, Page.start_timeout, 0) / 1000


def main(zip_path, rounds):
    cold, warm = [], []
    with tempfile.TemporaryDirectory(prefix="kelo-load.") as folder, \
            contextlib.ExitStack() as stops:
        site = Site(zip_path, folder)
        stops.callback(site.stop)
        for _ in range(int(rounds)):
            page = Page("about:blank")
            try:
                # A new browser's first screenshot sets up its capture, which takes seconds:
                # taken before the clock starts, it would delay the first look.
                page.shot()
                cold.append(first_frame(page, site.url))
                poll("the service worker to keep the page", lambda: page.js(
                    "return navigator.serviceWorker.controller !== null"), 60)
                warm.append(first_frame(page, site.url))
            finally:
                page.stop()
    for name, times in (("cold", cold), ("warm", warm)):
        # The nearest-rank 95th percentile: no more than one load in twenty was slower.
        p95 = sorted(times)[math.ceil(0.95 * len(times)) - 1]
        print(f"load to first frame, {name}: median {statistics.median(times):.2f} s, "
              f"p95 {p95:.2f} s over {len(times)} loads ({', '.join(f'{t:.2f}' for t in times)})")


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    main(*sys.argv[1:])
