#!/usr/bin/python3
"""Plays the game's page in a real browser: Debian's Chromium, headless, driven through
chromium-driver with Selenium. The zip that scripts/package-web makes is unpacked and served
by Python's http.server on 127.0.0.1, and the page is checked in screenshots with the same
pixel checks as the desktop window (tests/e2e/kelo_e2e.py).

    kelo_web.py play ZIP               the page, its pixels, keys, wheel, console and sizes
    kelo_web.py load-time ZIP [--loads N]
                                       page load to the first frame showing the well, median

Keys go to whatever has the focus, never to an element clicked first, so the keys reaching
the game prove that the page gives it the focus by itself.
"""

import argparse
import os
import shutil
import socket
import statistics
import subprocess
import sys
import tempfile
import urllib.request
import zipfile

# The desktop tests' helpers are imported from their folder, which stays free of caches.
sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import kelo_e2e as e2e  # noqa: E402
from kelo_e2e import WELL_W, ZOOM_STEP, Failure, Shot, check, poll, step  # noqa: E402

from selenium import webdriver  # noqa: E402
from selenium.webdriver.chrome.service import Service  # noqa: E402
from selenium.webdriver.common.action_chains import ActionChains  # noqa: E402
from selenium.webdriver.common.actions.wheel_input import ScrollOrigin  # noqa: E402
from selenium.webdriver.common.keys import Keys  # noqa: E402

CHROMIUM = "/usr/bin/chromium"
CHROMEDRIVER = "/usr/bin/chromedriver"
# A desktop browser window of an ordinary size, and one narrower than the game's window.
WINDOW = (800, 900)
NARROW = (230, 700)
# The lines the chain search writes for every landed pair.
CHAIN_SEARCH_LINES = ["Total number of blue components: ", "Vertex 0 is in component "]
# The page and the game start within this many seconds even on a busy machine.
START_TIMEOUT = 90
# One wheel notch as a browser reports it: 120 pixels, the same number as a desktop notch in
# eighths of a degree, and so the same zoom step, a factor of the square root of two.
WHEEL_NOTCH = 120
WHEEL_ZOOM = 2 ** 0.5
# The desktop's key names, as kelo_e2e.py sends them with xdotool, in WebDriver's terms.
KEYS = {"Left": Keys.LEFT, "Right": Keys.RIGHT, "Down": Keys.DOWN, "Up": Keys.UP,
        "z": "z", "x": "x", "space": Keys.SPACE, "Return": Keys.RETURN,
        "plus": "+", "minus": "-"}


class Site:
    """The zip unpacked into a new folder and served from it on a free port of 127.0.0.1."""

    def __init__(self, zip_path):
        self.folder = tempfile.mkdtemp(prefix="kelo-web-site.")
        self.server = None
        try:
            with zipfile.ZipFile(zip_path) as archive:
                archive.extractall(self.folder)
            pages = [root for root, _, files in os.walk(self.folder) if "index.html" in files]
            check(len(pages) == 1, f"{zip_path} holds {len(pages)} index.html files, not one")
            self.root = pages[0]
            self.files = sorted(os.listdir(self.root))
            self.port = free_port()
            self.server = subprocess.Popen(
                [sys.executable, "-m", "http.server", "--bind", "127.0.0.1",
                 "--directory", self.root, str(self.port)],
                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            self.url = f"http://127.0.0.1:{self.port}/"
            poll("the web server to answer", self.answers, 20, 0.1)
        except BaseException:
            self.close()
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

    def close(self):
        if self.server is not None:
            self.server.terminate()
            self.server.wait(10)
        shutil.rmtree(self.folder, ignore_errors=True)


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


class Page:
    """The page in a headless Chromium of its own, with a new profile; answers to the same
    calls as the desktop tests' Game (key, shot, assertion_failures), so that their scenarios
    drive it unchanged."""

    def __init__(self, url, size=WINDOW):
        self.profile = tempfile.mkdtemp(prefix="kelo-web-profile.")
        options = webdriver.ChromeOptions()
        options.binary_location = CHROMIUM
        for flag in ["--headless", "--no-sandbox", "--disable-quic",
                     "--no-first-run", "--disable-background-networking",
                     "--disable-component-update", "--disable-sync",
                     "--force-device-scale-factor=1", f"--window-size={size[0]},{size[1]}",
                     # Without a GPU, WebGL and the page's compositing both run on Chromium's
                     # software renderer, as a GPU would: asked for outright, it is used
                     # without a console warning about the fallback. With the GPU merely
                     # disabled, every frame of the game's WebGL canvas is read back for a
                     # software compositor, and the console fills with warnings about it.
                     "--use-gl=angle", "--use-angle=swiftshader", "--enable-unsafe-swiftshader",
                     f"--user-data-dir={self.profile}"]:
            options.add_argument(flag)
        # Every console entry, of every level, is kept for the checks.
        options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
        self.console = []
        try:
            self.driver = webdriver.Chrome(service=Service(CHROMEDRIVER), options=options)
        except BaseException:
            shutil.rmtree(self.profile, ignore_errors=True)
            raise
        # Set again once the browser runs: at its start Chromium makes a window no narrower
        # than 500 px, whatever it is asked for.
        self.driver.set_window_size(*size)
        self.driver.get(url)

    def key(self, *keys):
        ActionChains(self.driver).send_keys(*[KEYS[k] for k in keys]).perform()

    def wheel(self, x, y, notches):
        """Turns the wheel over a point of the page; positive notches scroll down."""
        ActionChains(self.driver).scroll_from_origin(
            ScrollOrigin.from_viewport(x, y), 0, notches * WHEEL_NOTCH).perform()

    def shot(self):
        return Shot.of_png(self.driver.get_screenshot_as_png())

    def js(self, script):
        return self.driver.execute_script(script)

    def read_console(self):
        """Every console entry so far; the driver hands each out only once, so they are kept."""
        self.console += self.driver.get_log("browser")
        return self.console

    def console_text(self):
        return "\n".join(entry["message"] for entry in self.read_console())

    def assertion_failures(self):
        return [entry["message"] for entry in self.read_console()
                if "Assertion" in entry["message"] or "failed" in entry["message"]]

    def close(self):
        self.driver.quit()
        shutil.rmtree(self.profile, ignore_errors=True)


def first_well(page, timeout=START_TIMEOUT):
    """Waits for the first screenshot that shows the well with a pair in its top rows;
    returns the well and that shot."""
    state = {}

    def pair_on_top():
        shot = page.shot()
        well = e2e.try_well(shot)
        # A blob shows some 500 strongly coloured pixels; a pair shows twice as many.
        if well is not None and well.top_rows(shot) >= 600:
            state["well"], state["shot"] = well, shot
            return True
        return False
    poll("the well with a pair in the page", pair_on_top, timeout, 0.05)
    return state["well"], state["shot"]


def check_centred(page, well):
    """The well sits in the middle of the page, as in the middle of the desktop window."""
    width, height = page.js("return [window.innerWidth, window.innerHeight]")
    across = (well.left + well.right) / 2 - width / 2
    down = (well.top + well.bottom) / 2 - height / 2
    check(abs(across) <= 3, f"the well is {across:+.0f} px off the middle across: {well}")
    check(abs(down) <= 3, f"the well is {down:+.0f} px off the middle down: {well}")


def check_no_scroll_bars(page):
    sizes = page.js("const e = document.scrollingElement;"
                    "return [e.scrollWidth, e.clientWidth, e.scrollHeight, e.clientHeight,"
                    "        window.innerWidth, window.innerHeight]")
    check(sizes[0] <= sizes[1] and sizes[2] <= sizes[3],
          f"the page scrolls: content {sizes[0]} x {sizes[2]}, view {sizes[1]} x {sizes[3]}")
    check(sizes[1] == sizes[4] and sizes[3] == sizes[5],
          f"scroll bars take room: {sizes[1]} x {sizes[3]} of {sizes[4]} x {sizes[5]}")


def check_console_clean(page):
    """No error, no uncaught exception and no warning of the game (an unusable image) in the
    console."""
    bad = [entry for entry in page.read_console()
           if entry["level"] in ("SEVERE", "WARNING") or "cannot load" in entry["message"]
           or "Uncaught" in entry["message"]]
    check(not bad, "console entries of trouble:\n" + "\n".join(
        f"  {entry['level']}: {entry['message']}" for entry in bad))


def well_width_until(page, what, accept, timeout=10):
    return e2e.well_until(page, what, lambda w: accept(w.width), timeout)


def page_scenario(site):
    step("the site's files")
    check(site.files == ["favicon.png", "index.html", "kelokelo.js", "kelokelo.wasm",
                         "qtloader.js"], f"unexpected files in the site: {site.files}")
    status, kind, data = site.get("kelokelo.wasm")
    check(status == 200 and kind == "application/wasm" and data[:4] == b"\0asm",
          f"kelokelo.wasm served as {status} {kind}")
    status, kind, data = site.get("favicon.png")
    check(status == 200 and kind == "image/png" and data[:8] == b"\x89PNG\r\n\x1a\n",
          f"favicon.png served as {status} {kind}")

    page = Page(site.url)
    try:
        step("the page starts the game at once, with the focus on it")
        check(page.driver.title == e2e.TITLE, f"page title {page.driver.title!r}")
        well, first = first_well(page)
        print(f"   {well}")
        icon = page.js("const l = document.querySelector('link[rel=icon]');"
                       "return l ? l.getAttribute('href') : null")
        check(icon == "favicon.png", f"the page's icon is {icon!r}")
        # In the game's place on the page, or in the hidden text field through which later
        # versions of Qt take the keys for the window that has Qt's focus.
        focused = page.js("const a = document.activeElement;"
                          "return document.getElementById('game').contains(a)"
                          "    || 'data-qinputcontext' in a ? null : a.tagName + '#' + a.id")
        check(focused is None, f"the focus is on {focused}, not on the game")

        step("the well at zoom 1 in the middle of the page, its gradient and shadow")
        e2e.check_background(first, well)
        check_centred(page, well)
        check_no_scroll_bars(page)

        e2e.steer_scenario(page, well)

        step("a landed pair writes the chain search to the console")
        page.key(*["Down"] * 14, "space")
        poll("the chain search's lines in the console",
             lambda: all(line in page.console_text() for line in CHAIN_SEARCH_LINES), 10)

        step("Minus and Plus change the drawn size of the well")
        page.key("space")
        e2e.wait_still(page, well, 0.6, 20)
        page.key("minus")
        smaller = well_width_until(page, "the well to shrink", lambda w: w < WELL_W - 10)
        page.key("minus")
        smallest = well_width_until(page, "the well to shrink again",
                                    lambda w: w < smaller.width - 10)
        page.key("plus")
        larger = well_width_until(page, "the well to grow", lambda w: w > smallest.width + 10)
        for before, after, factor in [(well, smaller, 1 / ZOOM_STEP),
                                      (smaller, smallest, 1 / ZOOM_STEP),
                                      (smallest, larger, ZOOM_STEP)]:
            ratio = after.width / before.width
            check(abs(ratio - factor) < 0.03, f"the well went from {before} to {after}")
        page.key("plus")
        back = well_width_until(page, "the well back at zoom 1",
                                lambda w: abs(w - WELL_W) <= 2)
        print(f"   widths {well.width}, {smaller.width}, {smallest.width}, {larger.width},"
              f" {back.width}")

        step("the wheel zooms out and in again")
        centre = ((back.left + back.right) // 2, (back.top + back.bottom) // 2)
        page.wheel(*centre, -1)
        out = well_width_until(page, "the well to shrink on the wheel",
                               lambda w: w < WELL_W - 10)
        ratio = out.width / back.width
        check(abs(ratio - 1 / WHEEL_ZOOM) < 0.03, f"one wheel notch scaled the well by {ratio:.3f}")
        page.wheel(*centre, 1)
        well_width_until(page, "the well back at zoom 1 on the wheel",
                         lambda w: abs(w - WELL_W) <= 2)

        failures = page.assertion_failures()
        check(not failures, "assertion failures:\n" + "\n".join(failures))
        check_console_clean(page)
    finally:
        page.close()

    step(f"a window {NARROW[0]} px wide shows the whole well, without scroll bars")
    page = Page(site.url, NARROW)
    try:
        width = page.js("return window.innerWidth")
        check(width <= NARROW[0], f"the narrow window is {width} px wide")
        well, first = first_well(page)
        # Paused at once, while the pair is still near the top.
        page.key("space")
        print(f"   {well}")
        e2e.check_background(first, well)
        check_centred(page, well)
        check_no_scroll_bars(page)
        # And it still plays there: the paused pair moves one cell down on Down.
        box = e2e.wait_still(page, well, 0.6, 20)
        check(box is not None, "no pair in the narrow window")
        page.key("Down")
        after = e2e.wait_moved(page, well, box, "the pair to move down in the narrow window")
        check(e2e.shifted(box, after) == (0, e2e.CELL),
              f"Down moved the pair from {box} to {after}")
        check_console_clean(page)
    finally:
        page.close()

    step(f"the page narrowed to {NARROW[0]} px after the start still shows the whole well")
    page = Page(site.url)
    try:
        first_well(page)
        page.driver.set_window_size(*NARROW)
        well, first = first_well(page)
        print(f"   {well}")
        e2e.check_background(first, well)
        check_centred(page, well)
        check_no_scroll_bars(page)
        check_console_clean(page)
    finally:
        page.close()


def load_times(site, loads):
    """Seconds from the start of navigation to the first screenshot showing the well and a
    pair, for each of several loads in a new browser. A frame is seen at most one screenshot
    later than it is painted; a screenshot here takes some tens of milliseconds."""
    times = []
    for _ in range(loads):
        page = Page("about:blank")
        try:
            page.driver.get(site.url)
            def shown():
                # The page's clock before the screenshot: the frame was painted by then or
                # during the screenshot.
                now = page.js("return performance.now()")
                shot = page.shot()
                well = e2e.try_well(shot)
                return now if well is not None and well.top_rows(shot) >= 600 else None
            times.append(poll("the first frame", shown, START_TIMEOUT, 0) / 1000)
        finally:
            page.close()
    return times


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("scenario", choices=["play", "load-time"])
    parser.add_argument("zip")
    parser.add_argument("--loads", type=int, default=5)
    args = parser.parse_args()
    site = Site(args.zip)
    try:
        if args.scenario == "play":
            page_scenario(site)
        else:
            times = load_times(site, args.loads)
            print("load to first frame: median %.2f s (%s)"
                  % (statistics.median(times), ", ".join(f"{t:.2f}" for t in times)))
            return 0
    except Failure as failure:
        print(f"FAIL: {failure}", file=sys.stderr)
        return 1
    finally:
        site.close()
    print("PASS")
    return 0


if __name__ == "__main__":
    sys.exit(main())
