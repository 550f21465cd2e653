"""The real game, started and driven from outside its process, in the three places it runs:

- X11Game: the Linux build's window in an X server, keys sent with xdotool, screenshots taken
  with ImageMagick's import;
- WineGame: the Windows release's kelokelo.exe under Wine, whose X11 driver shows its window
  in the same X server, so it is driven the same way;
- Page: the browser build served from 127.0.0.1 by Site and shown in Debian's headless
  Chromium through chromium-driver and Selenium.

Each answers key(*names) with the desktop's key names, shot(), title(), printed(text) and
trouble(), so that one scenario (kelo_play.py) drives them all.
"""

import os
import re
import shutil
import socket
import subprocess
import sys
import tempfile
import urllib.request
import zipfile

from kelo_pixels import TITLE, Shot, check
from kelo_play import poll

GAME_KEYS = ["Left", "Right", "Down", "Up", "z", "x", "space", "Return", "plus", "minus"]
# The environment of every Wine run, beside the Wine prefix.
with open(os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, "wine.env")) as f:
    WINE_ENVIRONMENT = dict(line.strip().split("=", 1) for line in f if line[:1].isupper())
# What the game writes for every landed pair while it searches for chains.
CHAIN_SEARCH_LINES = ["Total number of blue components: ", "Vertex 0 is in component "]


def run(*args, **kwargs):
    return subprocess.run(args, check=True, capture_output=True, text=True, **kwargs).stdout


def stop_process(process, grace=5):
    """Asks a process to end and forces it when it has not gone after `grace` seconds."""
    if process.poll() is None:
        process.terminate()
        try:
            process.wait(grace)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()


def visible_windows():
    """The visible X windows titled exactly as the game's window."""
    out = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", TITLE],
                         capture_output=True, text=True).stdout
    return [window for window in out.split()
            if subprocess.run(["xdotool", "getwindowname", window], capture_output=True,
                              text=True).stdout.strip() == TITLE]


class DesktopGame:
    """A game process whose window is in the X server of $DISPLAY. Its standard output and
    error go to files in `logs`. Started at once; wait_for_window() finds its window."""

    start_timeout = 30

    def __init__(self, argv, cwd, env, logs):
        self.stdout_path = os.path.join(logs, "stdout")
        self.stderr_path = os.path.join(logs, "stderr")
        self.folder = cwd
        # Whether the game should find every image it needs in ./images.
        self.has_images = os.path.isdir(os.path.join(cwd, "images"))
        self.window = None
        # Set when the test ends the game itself.
        self.ended = False
        with open(self.stdout_path, "wb") as out, open(self.stderr_path, "wb") as err:
            self.process = subprocess.Popen(argv, cwd=cwd, env=env, stdout=out, stderr=err)

    def wait_for_window(self):
        def found():
            check(self.alive(), "the game exited before showing its window")
            windows = visible_windows()
            return windows[0] if windows else None
        self.window = poll(f'a window titled "{TITLE}"', found, 30, 0.1)

    @property
    def pid(self):
        return self.process.pid

    def alive(self):
        return self.process.poll() is None

    def key_names(self, keys):
        return keys

    def key(self, *keys):
        run("xdotool", "key", "--window", self.window, "--delay", "0", *self.key_names(keys))

    def shot(self):
        check(self.alive(), "the game exited")
        return Shot.of_window(self.window)

    def save_png(self, path):
        run("import", "-window", self.window, f"png:{path}")

    def title(self):
        return run("xdotool", "getwindowname", self.window).strip()

    def resize(self, width, height):
        run("xdotool", "windowsize", self.window, str(width), str(height))

    def stdout(self):
        with open(self.stdout_path, errors="replace") as f:
            return f.read()

    def stderr(self):
        with open(self.stderr_path, errors="replace") as f:
            return f.read()

    def printed(self, text):
        """Whether a line of standard output starts with the text."""
        return any(line.startswith(text) for line in self.stdout().splitlines())

    def image_warnings(self):
        """The game's warnings about image files in ./images that it could not use."""
        return re.findall(r"cannot load \./images/(kelo_\w+\.png).*using the built-in image",
                          self.stderr())

    def trouble(self):
        """What went wrong while the game ran: its end, unless the test ended it, the failed
        assertions it reported, and any image it could not load from ./images there."""
        found = [] if self.ended or self.alive() else [
            f"the game exited with status {self.process.returncode}"]
        if self.has_images:
            found += [f"cannot load {name}" for name in self.image_warnings()]
        return found + [line for line in self.stderr().splitlines()
                        if "Assertion" in line or "failed" in line]

    def log_tail(self, lines=50):
        return "\n".join(self.stderr().splitlines()[-lines:])

    def stop(self):
        stop_process(self.process)
        # The window goes with its process; the next game must not find it.
        poll("the game's window to go", lambda: not visible_windows(), 10, 0.1)


class X11Game(DesktopGame):
    """The Linux build, run in `cwd` so that ./images there is the one it loads."""

    def __init__(self, executable, cwd, logs):
        runtime = os.path.join(logs, "runtime")
        os.mkdir(runtime, 0o700)
        env = dict(os.environ, QT_QPA_PLATFORM="xcb", XDG_RUNTIME_DIR=runtime)
        super().__init__([executable], cwd, env, logs)

    def minimum_size(self):
        hints = run("xprop", "-id", self.window, "WM_NORMAL_HINTS")
        match = re.search(r"program specified minimum size: (\d+) by (\d+)", hints)
        check(match, f"no minimum size among the window's hints:\n{hints}")
        return int(match.group(1)), int(match.group(2))


class WinePrefix:
    """A new Wine prefix, booted once for every game that a test run starts under Wine."""

    def __init__(self, folder):
        self.env = dict(os.environ, **WINE_ENVIRONMENT, WINEPREFIX=os.path.join(folder, "wine"))
        result = subprocess.run(["wine", "wineboot", "--init"], env=self.env,
                                capture_output=True, text=True)
        check(result.returncode == 0, f"wineboot failed:\n{result.stdout}{result.stderr}")

    def run(self, *args):
        return run("wine", *args, env=self.env)

    def stop(self):
        subprocess.run(["wineserver", "-k"], env=self.env, capture_output=True)


class WineGame(DesktopGame):
    """The Windows release's kelokelo.exe started under Wine in its unpacked folder. Wine names
    every DLL it loads on standard error, so that the DLLs shipped can be held to those
    loaded."""

    def __init__(self, prefix, folder, logs, min_size_probe):
        self.prefix = prefix
        self.min_size_probe = min_size_probe
        env = dict(prefix.env, WINEDEBUG="-all,+loaddll")
        super().__init__(["wine", "./kelokelo.exe"], folder, env, logs)

    def key_names(self, keys):
        # Wine takes Shift from its own record of the keys held down, which a key sent to the
        # window does not change, so "plus" would arrive as "=". The keypad's Plus is Plus
        # without Shift.
        return ["KP_Add" if key == "plus" else key for key in keys]

    def resize(self, width, height):
        # Windows' own way, as a player's drag on the frame: Qt for Windows hears of it.
        self.prefix.run(self.min_size_probe, TITLE, str(width), str(height))

    def minimum_size(self):
        # Windows' own answer: Wine gives X no minimum for a window that can be resized.
        width, height = self.prefix.run(self.min_size_probe, TITLE).split()
        return int(width), int(height)

    def loaded_dlls(self):
        """The file names, in lower case, of the native DLLs that Wine loaded for the game."""
        return {match.lower() for match in
                re.findall(r'Loaded L"[^"]*\\([^"\\]+)".*: native', self.stderr())}


def unpack_release(zip_path, parent):
    """Unzips the Windows release into `parent` and returns the game's folder there."""
    with zipfile.ZipFile(zip_path) as archive:
        archive.extractall(parent)
    folders = [name for name in os.listdir(parent) if name.endswith("-windows-x86_64")]
    check(len(folders) == 1, f"the zip holds {folders}, not one kelokelo-*-windows-x86_64")
    return os.path.join(parent, folders[0])


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


class Site:
    """The web zip unpacked into `folder` and served from it on a free port of 127.0.0.1."""

    def __init__(self, zip_path, folder):
        with zipfile.ZipFile(zip_path) as archive:
            archive.extractall(folder)
        pages = [root for root, _, files in os.walk(folder) if "index.html" in files]
        check(len(pages) == 1, f"{zip_path} holds {len(pages)} index.html files, not one")
        self.root = pages[0]
        self.files = sorted(os.listdir(self.root))
        port = free_port()
        self.url = f"http://127.0.0.1:{port}/"
        self.server = subprocess.Popen(
            [sys.executable, "-m", "http.server", "--bind", "127.0.0.1",
             "--directory", self.root, str(port)],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            poll("the web server to answer", self.answers, 20, 0.1)
        except BaseException:
            self.stop()
            raise

    def answers(self):
        check(self.server.poll() is None, "the web server exited")
        try:
            with urllib.request.urlopen(self.url, timeout=2) as response:
                return response.status == 200
        except OSError:
            return False

    def get(self, name):
        """The status, type and bytes of a file as the server hands it out."""
        with urllib.request.urlopen(self.url + name, timeout=10) as response:
            return response.status, response.headers.get_content_type(), response.read()

    def stop(self):
        stop_process(self.server, 10)


class Page:
    """The page in a headless Chromium of its own, with a new profile."""

    CHROMIUM = "/usr/bin/chromium"
    CHROMEDRIVER = "/usr/bin/chromedriver"
    # A desktop browser window of an ordinary size.
    WINDOW = (800, 900)
    # The page and the game start within this many seconds even on a busy machine.
    start_timeout = 90
    # One wheel notch as a browser reports it: 120 pixels, the same number as a desktop notch
    # in eighths of a degree.
    WHEEL_NOTCH = 120

    def __init__(self, url, size=WINDOW, flags=()):
        # Imported here, so that the desktop runs need no Selenium.
        from selenium import webdriver
        from selenium.webdriver.chrome.service import Service
        from selenium.webdriver.common.keys import Keys
        self.keys = {"Left": Keys.LEFT, "Right": Keys.RIGHT, "Down": Keys.DOWN, "Up": Keys.UP,
                     "z": "z", "x": "x", "space": Keys.SPACE, "Return": Keys.RETURN,
                     "plus": "+", "minus": "-"}
        self.profile = tempfile.mkdtemp(prefix="kelo-web-profile.")
        options = webdriver.ChromeOptions()
        options.binary_location = self.CHROMIUM
        for flag in ["--headless", "--no-sandbox", "--disable-quic",
                     "--no-first-run", "--disable-background-networking",
                     "--disable-component-update", "--disable-sync",
                     "--force-device-scale-factor=1", f"--window-size={size[0]},{size[1]}",
                     # Without a GPU, the page's compositing runs on Chromium's software
                     # renderer, as a GPU would: asked for outright, it is used without a
                     # console warning about the fallback.
                     "--use-gl=angle", "--use-angle=swiftshader", "--enable-unsafe-swiftshader",
                     f"--user-data-dir={self.profile}", *flags]:
            options.add_argument(flag)
        # Every console entry, of every level, is kept for the checks.
        options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
        self.console = []
        try:
            self.driver = webdriver.Chrome(service=Service(self.CHROMEDRIVER), options=options)
        except BaseException:
            shutil.rmtree(self.profile, ignore_errors=True)
            raise
        # Set again once the browser runs: at its start Chromium makes a window no narrower
        # than 500 px, whatever it is asked for.
        self.driver.set_window_size(*size)
        self.driver.get(url)

    def key(self, *keys):
        # Keys go to whatever has the focus, never to an element clicked first, so the keys
        # reaching the game prove that the page gives it the focus by itself.
        from selenium.webdriver.common.action_chains import ActionChains
        ActionChains(self.driver).send_keys(*[self.keys[k] for k in keys]).perform()

    def wheel(self, x, y, notches):
        """Turns the wheel over a point of the page; positive notches scroll down."""
        from selenium.webdriver.common.action_chains import ActionChains
        from selenium.webdriver.common.actions.wheel_input import ScrollOrigin
        ActionChains(self.driver).scroll_from_origin(
            ScrollOrigin.from_viewport(x, y), 0, notches * self.WHEEL_NOTCH).perform()

    def shot(self):
        return Shot.of_bytes(self.driver.get_screenshot_as_png())

    def save_png(self, path):
        self.driver.save_screenshot(path)

    def title(self):
        return self.driver.title

    def resize(self, width, height):
        self.driver.set_window_size(width, height)

    def js(self, script):
        return self.driver.execute_script(script)

    def read_console(self):
        """Every console entry so far; the driver hands each out only once, so they are kept."""
        self.console += self.driver.get_log("browser")
        return self.console

    def printed(self, text):
        """Whether a console entry holds the text."""
        return any(text in entry["message"] for entry in self.read_console())

    def trouble(self):
        """The failed assertions the game reported, and every console entry of trouble: an
        error, an uncaught exception, a warning, or the game's own warning about an unusable
        image."""
        return [f"{entry['level']}: {entry['message']}" for entry in self.read_console()
                if "Assertion" in entry["message"] or "failed" in entry["message"]
                or entry["level"] in ("SEVERE", "WARNING") or "cannot load" in entry["message"]
                or "Uncaught" in entry["message"]]

    def log_tail(self, lines=50):
        return "\n".join(entry["message"] for entry in self.console[-lines:])

    def stop(self):
        try:
            self.driver.quit()
        finally:
            shutil.rmtree(self.profile, ignore_errors=True)

