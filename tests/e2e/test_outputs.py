"""Runs that make something rather than test: the README's screenshot (--screenshot) and the
page's load time (--load-time). Each runs only when asked for, and then alone."""

import statistics

import pytest

from kelo_games import Page
from kelo_pixels import PAIR_PIXELS, try_well
from kelo_play import poll, take_screenshot


@pytest.mark.screenshot
@pytest.mark.platforms("x11", "wine")
def test_screenshot(game, pytestconfig, summary):
    output = pytestconfig.getoption("screenshot")
    take_screenshot(game, output, pytestconfig.getoption("pairs"))
    summary.append(f"screenshot: {output}")


@pytest.mark.load_time
@pytest.mark.platforms("web")
def test_load_time(site, pytestconfig, summary):
    """Seconds from the start of navigation to the first screenshot showing the well and a
    pair, for each of several loads in a new browser. A frame is seen at most one screenshot
    later than it is painted; a screenshot here takes some tens of milliseconds."""
    times = []
    for _ in range(pytestconfig.getoption("load_time")):
        page = Page("about:blank")
        try:
            page.driver.get(site.url)

            def shown():
                # The page's clock before the screenshot: the frame was painted by then or
                # during the screenshot.
                now = page.js("return performance.now()")
                shot = page.shot()
                well = try_well(shot)
                return now if well is not None and well.top_rows(shot) >= PAIR_PIXELS else None
            times.append(poll("the first frame", shown, Page.start_timeout, 0) / 1000)
        finally:
            page.stop()
    summary.append("load to first frame: median %.2f s (%s)"
                   % (statistics.median(times), ", ".join(f"{t:.2f}" for t in times)))
