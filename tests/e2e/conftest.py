"""The real game driven from outside its process, on the platform that --platform names (see
pytest --help and docs/testing.md); the tests of the other platforms are skipped."""

import os
import random
import signal
import subprocess
import sys
from pathlib import Path

import pytest

# The suite's folder stays free of caches.
sys.dont_write_bytecode = True

from kelo_games import WINE_ENVIRONMENT, Page, Site, WineGame, X11Game, unpack  # noqa: E402

NEEDS = {"x11": ["game", "workdir"], "wine": ["zip"], "web": ["zip"]}


def pytest_addoption(parser):
    group = parser.getgroup("kelo", "the real game")
    group.addoption("--platform", choices=list(NEEDS), help="where the game runs")
    group.addoption("--game", type=os.path.abspath, help="x11: the game's executable")
    group.addoption("--workdir", type=os.path.abspath,
                    help="x11: the folder the game runs in, whose ./images it loads")
    group.addoption("--zip", type=os.path.abspath, help="wine, web: the release zip")
    group.addoption("--keys", type=int, default=20000, help="x11: the key storm's length")
    group.addoption("--seed", type=int, default=random.randrange(1 << 30),
                    help="x11: the key storm's seed, random unless given")
    group.addoption("--screenshot", metavar="OUT.png", help="only save a screenshot as OUT.png")
    group.addoption("--pairs", type=int, default=6,
                    help="how many pairs --screenshot drops at least")


def pytest_configure(config):
    config.addinivalue_line("markers", "platforms(*names): runs only on the platforms named")
    config.addinivalue_line("markers", "storm: the key storm, run on its own")
    config.addinivalue_line("markers", "screenshot: saves --screenshot, run only with it")
    if config.getoption("help") or config.getoption("collectonly"):
        return
    platform = config.getoption("platform")
    if platform is None:
        raise pytest.UsageError("--platform=x11|wine|web is needed")
    for name in NEEDS[platform]:
        if not os.path.exists(config.getoption(name) or ""):
            raise pytest.UsageError(f"--platform={platform} needs --{name}, of a path that exists")
    # --screenshot runs alone, and otherwise not at all: the marks that -m selects by.
    only = "screenshot" if config.getoption("screenshot") else "not screenshot"
    config.option.markexpr = f"({config.option.markexpr}) and {only}" if config.option.markexpr \
        else only
    # Ended from outside, as by a time limit, the run still ends every process it started.
    signal.signal(signal.SIGTERM, signal.default_int_handler)


def pytest_collection_modifyitems(config, items):
    platform = config.getoption("platform")
    for item in items:
        marker = item.get_closest_marker("platforms")
        if marker is not None and platform not in marker.args:
            item.add_marker(pytest.mark.skip(reason=f"only on {', '.join(marker.args)}"))


@pytest.fixture(scope="session")
def platform(pytestconfig):
    return pytestconfig.getoption("platform")


@pytest.fixture(scope="session")
def wine_env(tmp_path_factory):
    env = dict(os.environ, **WINE_ENVIRONMENT,
               WINEPREFIX=str(tmp_path_factory.mktemp("wine") / "prefix"))
    boot = subprocess.run(["wine", "wineboot", "--init"], env=env, capture_output=True, text=True)
    assert boot.returncode == 0, f"wineboot failed:\n{boot.stdout}{boot.stderr}"
    yield env
    subprocess.run(["wineserver", "-k"], env=env, capture_output=True)


@pytest.fixture(scope="session")
def min_size_probe(tmp_path_factory):
    exe = tmp_path_factory.mktemp("probe") / "minsize.exe"
    subprocess.run(["x86_64-w64-mingw32-gcc", "-municode", "-O2", "-o", exe,
                    Path(__file__).with_name("minsize.c")], check=True)
    return str(exe)


@pytest.fixture
def site(pytestconfig, tmp_path):
    """The page's own server for each test, which the test may stop or change."""
    served = Site(pytestconfig.getoption("zip"), tmp_path / "site")
    yield served
    served.stop()


@pytest.fixture
def start_game(request, platform, tmp_path):
    """start_game() starts the game on the run's platform; under Wine, start_game(prepare=f)
    calls f(folder) on the unpacked folder first; in the browser, start_game(url=, size=,
    flags=) opens another server's page, in a window of that size (w, h), in a browser started
    with those flags. Each game is ended after the test, and must have shown no trouble()."""
    games = []
    if platform == "web":
        # Set up first, so that it stops only once its pages are closed.
        request.getfixturevalue("site")
    elif request.getfixturevalue("xvfb") is None:
        # The game and xdotool, xprop and import find the run's own in $DISPLAY.
        pytest.fail("no Xvfb of the run's own: pytest-xvfb found none, or was told not to")

    def start(prepare=None, url=None, **page):
        number = len(games) + 1
        if platform == "web":
            game = Page(url or request.getfixturevalue("site").url, **page)
        elif platform == "x11":
            game = X11Game(request.config.getoption("game"),
                           request.config.getoption("workdir"), tmp_path / f"game{number}")
        else:
            # Players unpack the game wherever they like: a name with spaces and accents.
            parent = tmp_path / f"Jeux vidéo {number}"
            folder = unpack(request.config.getoption("zip"), parent, "*-windows-x86_64")
            if prepare is not None:
                prepare(folder)
            game = WineGame(request.getfixturevalue("wine_env"), folder, parent,
                            request.getfixturevalue("min_size_probe"))
            # A folder changed by the test: the test judges the warnings itself.
            game.has_images &= prepare is None
        games.append(game)
        if platform != "web":
            game.wait_for_window()
        return game

    yield start

    trouble = []
    for game in games:
        try:
            trouble += game.trouble()
            # Shown with the test's report when it fails.
            print("--- the game's last messages", *game.messages()[-50:], sep="\n")
        finally:
            game.stop()
    assert not trouble, "trouble while the game ran:\n" + "\n".join(trouble)


@pytest.fixture
def game(start_game):
    return start_game()
