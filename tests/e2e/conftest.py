"""The real game driven from outside its process, wherever it runs. One run tests one platform:

    --platform=x11  --game=KELOKELO --workdir=DIR   the Linux build's window in an Xvfb of its
                                                    own, started in DIR (whose ./images it uses)
    --platform=wine --zip=WINDOWS.zip               the Windows release under Wine, unpacked into
                                                    new folders with spaces and accents in their
                                                    names, in an Xvfb of its own
    --platform=web  --zip=WEB.zip                   the page, served from 127.0.0.1, in Debian's
                                                    headless Chromium

Tests for the other platforms are skipped. One run makes a file rather than tests:

    --screenshot=OUT.png [--pairs=N]   plays until blobs of three colours have settled, saves the
                                       window as OUT.png once the picture passes its checks

It runs that alone. Run with Debian's Python, whose pytest and Selenium these are:

    /usr/bin/python3 -m pytest tests/e2e --platform=x11 --game=build/kelokelo --workdir=.
"""

import os
import signal
import subprocess
import sys

import pytest

# The suite's folder stays free of caches.
sys.dont_write_bytecode = True

from kelo_games import (Page, Site, WineGame, WinePrefix, X11Game,  # noqa: E402
                        unpack_release)

PLATFORMS = ("x11", "wine", "web")
HERE = os.path.dirname(os.path.abspath(__file__))


def pytest_addoption(parser):
    group = parser.getgroup("kelo", "the real game")
    group.addoption("--platform", choices=PLATFORMS, help="where the game runs")
    group.addoption("--game", help="x11: the game's executable")
    group.addoption("--workdir", help="x11: the folder the game runs in, whose ./images it loads")
    group.addoption("--zip", help="wine, web: the release zip")
    group.addoption("--keys", type=int, default=20000, help="x11: the key storm's length")
    group.addoption("--seed", type=int, default=None, help="x11: the key storm's seed")
    group.addoption("--screenshot", metavar="OUT.png", help="only save a screenshot as OUT.png")
    group.addoption("--pairs", type=int, default=6,
                    help="how many pairs --screenshot drops at least")


def pytest_configure(config):
    config.addinivalue_line("markers", "platforms(*names): runs only on the platforms named")
    config.addinivalue_line("markers", "storm: the key storm, run on its own")
    config.addinivalue_line("markers", "screenshot: saves --screenshot, run only with it")
    config.kelo_summary = []
    if config.getoption("help", False) or config.getoption("collectonly", False):
        return
    platform = config.getoption("platform")
    if platform is None:
        raise pytest.UsageError("--platform=x11|wine|web is needed")
    needed = {"x11": ["game", "workdir"], "wine": ["zip"], "web": ["zip"]}[platform]
    missing = [f"--{name}" for name in needed if not config.getoption(name)]
    if missing:
        raise pytest.UsageError(f"--platform={platform} needs {' and '.join(missing)}")
    for name in needed:
        path = config.getoption(name)
        if not os.path.exists(path):
            raise pytest.UsageError(f"--{name}={path} does not exist")
    # Ended from outside, as by a time limit, the run still ends every process it started.
    signal.signal(signal.SIGTERM, interrupt)


def interrupt(signum, frame):
    raise KeyboardInterrupt(f"signal {signum}")


def pytest_collection_modifyitems(config, items):
    """Runs --screenshot alone, and leaves it out otherwise; skips the tests of other
    platforms."""
    only = config.getoption("screenshot") is not None
    keep, drop = [], []
    for item in items:
        makes = item.get_closest_marker("screenshot") is not None
        (keep if makes == only else drop).append(item)
    if drop:
        config.hook.pytest_deselected(items=drop)
        items[:] = keep
    platform = config.getoption("platform")
    for item in items:
        marker = item.get_closest_marker("platforms")
        if marker is not None and platform not in marker.args:
            item.add_marker(pytest.mark.skip(reason=f"only on {', '.join(marker.args)}"))


@pytest.hookimpl(hookwrapper=True)
def pytest_runtest_makereport(item, call):
    """Keeps each phase's report on the test, for its fixtures to see whether it failed."""
    outcome = yield
    report = outcome.get_result()
    setattr(item, f"report_{report.when}", report)


def pytest_terminal_summary(terminalreporter, config):
    if config.kelo_summary:
        terminalreporter.section("figures")
        for line in config.kelo_summary:
            terminalreporter.write_line(line)


@pytest.fixture(scope="session")
def platform(pytestconfig):
    return pytestconfig.getoption("platform")


@pytest.fixture(scope="session")
def summary(pytestconfig):
    """Lines printed at the end of the run, whatever pytest captures."""
    return pytestconfig.kelo_summary


@pytest.fixture(scope="session")
def release_zip(pytestconfig):
    return os.path.abspath(pytestconfig.getoption("zip"))


@pytest.fixture(scope="session")
def x_display(xvfb):
    """The run's own Xvfb, started by pytest-xvfb, as $DISPLAY for the game and for xdotool,
    xprop and import."""
    if xvfb is None:
        pytest.fail("no Xvfb for the window tests: pytest-xvfb found no Xvfb, or was told not to")
    os.environ["DISPLAY"] = f":{xvfb.display}"
    return os.environ["DISPLAY"]


@pytest.fixture(scope="session")
def wine_prefix(x_display, tmp_path_factory):
    prefix = WinePrefix(str(tmp_path_factory.mktemp("wine")))
    yield prefix
    prefix.stop()


@pytest.fixture(scope="session")
def min_size_probe(tmp_path_factory):
    """minsize.exe, built for Windows from minsize.c beside this file."""
    exe = tmp_path_factory.mktemp("probe") / "minsize.exe"
    subprocess.run(["x86_64-w64-mingw32-gcc", "-municode", "-O2", "-o", str(exe),
                    os.path.join(HERE, "minsize.c")], check=True)
    return str(exe)


@pytest.fixture(scope="session")
def site(release_zip, tmp_path_factory):
    served = Site(release_zip, str(tmp_path_factory.mktemp("site")))
    yield served
    served.stop()


@pytest.fixture
def start_game(request, platform, tmp_path):
    """Starts the game on the run's platform: start_game() for the usual one;
    start_game(prepare=f) under Wine calls f(folder) on the unpacked folder before the start;
    start_game(size=(w, h)) opens the page in a browser window of that size,
    start_game(flags=[...]) in a browser started with those flags, and start_game(url=u) from
    another server than the run's.

    Each game is ended after the test; it must not have ended by itself meanwhile (unless the
    test ended it) nor reported a failed assertion, and the page must have left no trouble in
    the console."""
    games = []

    def start(prepare=None, size=None, flags=(), url=None):
        number = len(games) + 1
        if platform in ("x11", "wine"):
            request.getfixturevalue("x_display")
        if platform == "x11":
            logs = tmp_path / f"game{number}"
            logs.mkdir()
            game = X11Game(os.path.abspath(request.config.getoption("game")),
                           os.path.abspath(request.config.getoption("workdir")), str(logs))
        elif platform == "wine":
            prefix = request.getfixturevalue("wine_prefix")
            probe = request.getfixturevalue("min_size_probe")
            # Players unpack the game wherever they like: a name with spaces and accents.
            parent = str(tmp_path / f"Jeux vidéo {number}")
            folder = unpack_release(request.getfixturevalue("release_zip"), parent)
            if prepare is not None:
                prepare(folder)
            game = WineGame(prefix, folder, parent, probe)
            if prepare is not None:
                # A folder changed by the test: the test judges the warnings itself.
                game.has_images = False
        else:
            url = url or request.getfixturevalue("site").url
            game = Page(url, size or Page.WINDOW, flags)
        games.append(game)
        if platform != "web":
            game.wait_for_window()
        return game

    yield start

    reports = [getattr(request.node, f"report_{when}", None) for when in ("setup", "call")]
    failed = any(report is not None and report.failed for report in reports)
    trouble = []
    for game in games:
        try:
            trouble += game.trouble()
            if failed or trouble:
                print(f"--- the game's last messages\n{game.log_tail()}")
        finally:
            game.stop()
    assert not trouble, "trouble while the game ran:\n" + "\n".join(trouble)


@pytest.fixture
def game(start_game):
    return start_game()


def pytest_report_header(config):
    platform = config.getoption("platform")
    if platform:
        where = config.getoption("game") if platform == "x11" else config.getoption("zip")
        return f"kelokelo: {platform}, {where}"
    return None
