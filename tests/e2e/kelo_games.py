"""The real game, started and driven from outside its process, in the three places it runs: the
Linux build's window (X11Game), the Windows release under Wine (WineGame), whose X11 driver
shows its window in the same X server, and the page in headless Chromium (Page). Each answers
key(*names) with the desktop's key names, shot(), title(), resize(w, h), printed(text),
messages() and trouble(), so that one scenario (kelo_play.py) drives them all."""

import functools
import http.server
import io
import os
import re
import shutil
import subprocess
import tempfile
import threading
import urllib.request
from pathlib import Path

from kelo_pixels import TITLE, check, shot_of
from kelo_play import poll

try:
    from selenium import webdriver
    from selenium.webdriver import ActionChains, Keys
    from selenium.webdriver.chrome.service import Service
    from selenium.webdriver.common.actions.wheel_input import ScrollOrigin
except ImportError:  # Debian's Selenium comes with the browser: the desktop runs lack it.
    webdriver = None

# The environment of every Wine run, beside the Wine prefix.
WINE_ENVIRONMENT = dict(line.split("=", 1) for line in (Path(__file__).parent.parent / "wine.env")
                        .read_text().splitlines() if line[:1].isupper())
# What the game writes on the lines that report a failed assertion or other trouble.
TROUBLE_WORDS = ("Assertion", "failed")


def run(*args, text=True, **kwargs):
    return subprocess.run(args, check=True, capture_output=True, text=text, **kwargs).stdout


def visible_windows():
    return subprocess.run(["xdotool", "search", "--onlyvisible", "--name", f"^{TITLE}$"],
                          capture_output=True, text=True).stdout.split()


class DesktopGame:
    """A game process whose window is in the X server of $DISPLAY, driven with xdotool and
    seen through ImageMagick's import. Its standard output and error go to files in the folder
    `logs`. Started at once; wait_for_window() finds its window."""

    start_timeout = 30

    def __init__(self, argv, cwd, env, logs):
        self.logs, self.folder = Path(logs), cwd
        self.logs.mkdir(exist_ok=True)
        # Whether the game should find every image it needs in ./images.
        self.has_images = (Path(cwd) / "images").is_dir()
        # Set when the test ends the game itself.
        self.ended = False
        with open(self.logs / "stdout", "wb") as out, open(self.logs / "stderr", "wb") as err:
            self.process = subprocess.Popen(argv, cwd=cwd, env=env, stdout=out, stderr=err)

    def wait_for_window(self):
        def found():
            check(self.alive(), "the game exited before showing its window")
            return (visible_windows() or [None])[0]
        self.window = poll(f'a window titled "{TITLE}"', found, self.start_timeout, 0.1)

    def alive(self):
        return self.process.poll() is None

    def key(self, *keys):
        run("xdotool", "key", "--window", self.window, "--delay", "0", *keys)

    def shot(self):
        check(self.alive(), "the game exited")
        return shot_of(io.BytesIO(run("import", "-window", self.window, "-depth", "8", "ppm:-",
                                      text=False)))

    def title(self):
        return run("xdotool", "getwindowname", self.window).strip()

    def resize(self, width, height):
        run("xdotool", "windowsize", self.window, str(width), str(height))

    def output(self, name="stderr"):
        return (self.logs / name).read_text(errors="replace")

    def messages(self):
        return self.output().splitlines()

    def printed(self, text):
        return any(line.startswith(text) for line in self.output("stdout").splitlines())

    def image_warnings(self):
        """The game's warnings about image files in ./images that it could not use."""
        return re.findall(r"cannot load \./images/(kelo_\w+\.png).*using the built-in image",
                          self.output())

    def trouble(self):
        """What went wrong while the game ran: its end, unless the test ended it, the failed
        assertions it reported, and any image it could not load from ./images there."""
        found = [] if self.ended or self.alive() else [
            f"the game exited with status {self.process.returncode}"]
        if self.has_images:
            found += [f"cannot load {name}" for name in self.image_warnings()]
        return found + [line for line in self.messages()
                        if any(word in line for word in TROUBLE_WORDS)]

    def stop(self):
        self.process.terminate()
        try:
            self.process.wait(5)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
        # The window goes with its process; the next game must not find it.
        poll("the game's window to go", lambda: not visible_windows(), 10, 0.1)


class X11Game(DesktopGame):
    """The Linux build, run in `cwd` so that ./images there is the one it loads."""

    def __init__(self, executable, cwd, logs):
        runtime = Path(logs) / "runtime"
        runtime.mkdir(0o700, parents=True)
        env = dict(os.environ, QT_QPA_PLATFORM="xcb", XDG_RUNTIME_DIR=str(runtime))
        super().__init__([executable], cwd, env, logs)

    def minimum_size(self):
        hints = run("xprop", "-id", self.window, "WM_NORMAL_HINTS")
        match = re.search(r"program specified minimum size: (\d+) by (\d+)", hints)
        check(match, f"no minimum size among the window's hints:\n{hints}")
        return int(match.group(1)), int(match.group(2))


class WineGame(DesktopGame):
    """The Windows release's kelokelo.exe started under Wine, in the prefix of `wine_env`, in
    its unpacked folder. Wine names every DLL it loads on standard error, so that the DLLs
    shipped can be held to those loaded."""

    def __init__(self, wine_env, folder, logs, min_size_probe):
        self.wine_env, self.min_size_probe = wine_env, min_size_probe
        env = dict(wine_env, WINEDEBUG="-all,+loaddll")
        super().__init__(["wine", "./kelokelo.exe"], folder, env, logs)

    def key(self, *keys):
        # Wine takes Shift from its own record of the keys held down, which a key sent to the
        # window does not change: "plus" would arrive as "=", the keypad's Plus as Plus.
        super().key(*["KP_Add" if key == "plus" else key for key in keys])

    def probe(self, *args):
        return run("wine", self.min_size_probe, TITLE, *args, env=self.wine_env)

    def resize(self, width, height):
        # Windows' own way, as a player's drag on the frame: Qt for Windows hears of it.
        self.probe(str(width), str(height))

    def minimum_size(self):
        # Windows' own answer: Wine gives X no minimum for a window that can be resized.
        return tuple(map(int, self.probe().split()))

    def loaded_dlls(self):
        """The file names, in lower case, of the native DLLs that Wine loaded for the game."""
        return {name.lower() for name in
                re.findall(r'Loaded L"[^"]*\\([^"\\]+)".*: native', self.output())}


def unpack(zip_path, folder, pattern):
    """Unzips a release into `folder`; returns the one path there that `pattern` matches."""
    shutil.unpack_archive(zip_path, folder)
    found = list(Path(folder).glob(pattern))
    check(len(found) == 1, f"{zip_path} holds {found}, not one {pattern}")
    return found[0]


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        """No line on standard error for every file served."""


class Site:
    """The web zip unpacked into `folder` and served from it on a free port of 127.0.0.1."""

    def __init__(self, zip_path, folder):
        self.root = unpack(zip_path, folder, "**/index.html").parent
        self.server = http.server.ThreadingHTTPServer(
            ("127.0.0.1", 0), functools.partial(QuietHandler, directory=self.root))
        self.url = f"http://127.0.0.1:{self.server.server_port}/"
        threading.Thread(target=self.server.serve_forever, daemon=True).start()

    def get(self, name):
        with urllib.request.urlopen(self.url + name, timeout=10) as response:
            return response.status, response.headers.get_content_type(), response.read()

    def stop(self):
        self.server.shutdown()
        self.server.server_close()


class Page:
    """The page in a headless Chromium of its own, with a new profile."""

    # The page and the game start within this many seconds even on a busy machine.
    start_timeout = 90
    # One wheel notch as a browser reports it: 120 pixels, the same number as a desktop notch
    # in eighths of a degree.
    WHEEL_NOTCH = 120

    # By default in a desktop browser window of an ordinary size.
    def __init__(self, url, size=(800, 900), flags=()):
        self.profile = tempfile.TemporaryDirectory(prefix="kelo-web-profile.",
                                                   ignore_cleanup_errors=True)
        options = webdriver.ChromeOptions()
        options.binary_location = "/usr/bin/chromium"
        for flag in ["--headless", "--no-sandbox", "--disable-quic", "--no-first-run",
                     "--disable-background-networking", "--disable-component-update",
                     "--disable-sync", "--force-device-scale-factor=1",
                     f"--window-size={size[0]},{size[1]}",
                     # Without a GPU, the page's compositing runs on Chromium's software
                     # renderer, as a GPU would: asked for outright, it is used without a
                     # console warning about the fallback.
                     "--use-gl=angle", "--use-angle=swiftshader", "--enable-unsafe-swiftshader",
                     f"--user-data-dir={self.profile.name}", *flags]:
            options.add_argument(flag)
        # Every console entry, of every level, is kept for the checks.
        options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
        self.console = []
        self.driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
        # Set again once the browser runs: at its start Chromium makes a window no narrower
        # than 500 px, whatever it is asked for.
        self.driver.set_window_size(*size)
        self.driver.get(url)

    def key(self, *keys):
        # Keys go to whatever has the focus, never to an element clicked first, so the keys
        # reaching the game prove that the page gives it the focus by itself.
        typed = {"plus": "+", "minus": "-"}
        ActionChains(self.driver).send_keys(
            *[typed.get(key) or getattr(Keys, key.upper(), key) for key in keys]).perform()

    def wheel(self, x, y, notches):
        """Turns the wheel over a point of the page; positive notches scroll down."""
        ActionChains(self.driver).scroll_from_origin(ScrollOrigin.from_viewport(x, y), 0,
                                                     notches * self.WHEEL_NOTCH).perform()

    def shot(self):
        return shot_of(io.BytesIO(self.driver.get_screenshot_as_png()))

    def title(self):
        return self.driver.title

    def resize(self, width, height):
        self.driver.set_window_size(width, height)

    def js(self, script):
        return self.driver.execute_script(script)

    def messages(self):
        """Every console entry so far; the driver hands each out only once, so they are kept."""
        self.console += self.driver.get_log("browser")
        return [entry["message"] for entry in self.console]

    def printed(self, text):
        return any(text in message for message in self.messages())

    def trouble(self):
        """The failed assertions the game reported, and every console entry of trouble: an
        error, an uncaught exception, a warning, or the game's own warning about an unusable
        image."""
        self.messages()
        return [f"{entry['level']}: {entry['message']}" for entry in self.console
                if entry["level"] in ("SEVERE", "WARNING") or any(
                    word in entry["message"]
                    for word in (*TROUBLE_WORDS, "cannot load", "Uncaught"))]

    def stop(self):
        try:
            self.driver.quit()
        finally:
            self.profile.cleanup()
