"""A run that makes something rather than tests: the README's screenshot (--screenshot). It runs
only when asked for, and then alone."""

import pytest

from kelo_play import take_screenshot


@pytest.mark.screenshot
@pytest.mark.platforms("x11", "wine")
def test_screenshot(game, pytestconfig):
    take_screenshot(game, pytestconfig.getoption("screenshot"), pytestconfig.getoption("pairs"))
