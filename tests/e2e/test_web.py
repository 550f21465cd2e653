"""What only the page has: the files the site serves, the icon, the focus, the well centred in
the browser window without scroll bars at any width, the wheel, and the web app that a browser
installs and that plays offline."""

import json
import urllib.request

import pytest

from kelo_pixels import CELL, WELL_W, check_background, shifted
from kelo_play import first_well, paused_pair, poll, wait_moved, well_until

pytestmark = pytest.mark.platforms("web")

# One wheel notch scales the well by the square root of two, as on the desktop.
WHEEL_ZOOM = 2 ** 0.5
# Narrower than the game's window.
NARROW = (230, 700)


def check_centred(page, well):
    """The well sits in the middle of the page, as in the middle of the desktop window, and
    the page has no scroll bars."""
    width, height, *scroll = page.js(
        "const e = document.scrollingElement; return [window.innerWidth, window.innerHeight,"
        " e.scrollWidth, e.clientWidth, e.scrollHeight, e.clientHeight]")
    across = (well.left + well.right) / 2 - width / 2
    down = (well.top + well.bottom) / 2 - height / 2
    assert abs(across) <= 3, f"the well is {across:+.0f} px off the middle across: {well}"
    assert abs(down) <= 3, f"the well is {down:+.0f} px off the middle down: {well}"
    assert scroll[0] <= scroll[1] and scroll[2] <= scroll[3], \
        f"the page scrolls: content {scroll[0]} x {scroll[2]}, view {scroll[1]} x {scroll[3]}"
    assert (scroll[1], scroll[3]) == (width, height), \
        f"scroll bars take room: {scroll[1]} x {scroll[3]} of {width} x {height}"


def check_plays(page, where):
    """The well at zoom 1 and its falling pair, which Down moves a cell; returns the well."""
    well, first = first_well(page)
    # Paused at once, while the pair is still near the top.
    box = paused_pair(page, well, 0.6, f" {where}")
    print(f"   {well}")
    check_background(first, well)
    page.key("Down")
    after = wait_moved(page, well, box, f"the pair to move down {where}")
    assert shifted(box, after) == (0, CELL), f"Down moved the pair {where} from {box} to {after}"
    return well


def test_site_files(site):
    # The page, Qt's loader, the game and its icon, and the notices in licenses/ (which
    # tests/release reads), linked from nowhere on the page.
    # The web app's manifest, icons and service worker beside them.
    assert sorted(path.name for path in site.root.iterdir()) == [
        "favicon.png", "icon-192.png", "icon-512.png", "index.html", "kelokelo.js",
        "kelokelo.wasm", "licenses", "manifest.json", "qtloader.js", "sw.js"]
    for name, kind, start in [("kelokelo.wasm", "application/wasm", b"\0asm"),
                              ("favicon.png", "image/png", b"\x89PNG\r\n\x1a\n")]:
        status, served, data = site.get(name)
        assert (status, served, data[:len(start)]) == (200, kind, start)
    # Browsers take a service worker in a script's type alone.
    status, kind, _ = site.get("sw.js")
    assert status == 200 and kind in ("text/javascript", "application/javascript")


def test_around_the_game(game):
    """The page names its icon, starts the game with the focus on it, and names the game above
    the game's place and its keys below it, outside that place, while the well stays in the
    middle without scroll bars (the keys reaching the game are the steering test's)."""
    well, _ = first_well(game)
    # The focus is in the game's place on the page, or in the hidden text field through which
    # later versions of Qt take the keys for the window that has Qt's focus.
    page = game.js("""
        const box = id => { const r = document.getElementById(id).getBoundingClientRect();
                            return [r.left, r.top, r.right, r.bottom]; };
        const icon = document.querySelector('link[rel=icon]'), a = document.activeElement;
        return {game: box('game'), title: box('title'), keys: box('keys'),
                name: document.getElementById('title').innerText,
                help: document.getElementById('keys').innerText,
                icon: icon ? icon.getAttribute('href') : null,
                focus: document.getElementById('game').contains(a)
                       || 'data-qinputcontext' in a ? null : a.tagName + '#' + a.id};""")
    assert page["icon"] == "favicon.png"
    assert page["focus"] is None, f"the focus is on {page['focus']}, not on the game"
    assert "Kelo Kelo" in page["name"]
    missing = [key for key in ("Left", "Right", "Down", "Z", "X", "Space", "Return", "Plus",
                               "Minus", "wheel") if key not in page["help"]]
    assert missing == [], f"the page's keys lack {missing}: {page['help']!r}"
    assert page["title"][3] <= page["game"][1], f"the name reaches into the game's place: {page}"
    assert page["keys"][1] >= page["game"][3], f"the keys reach into the game's place: {page}"
    check_centred(game, well)


def test_wheel_zoom(game):
    well, _ = first_well(game)
    paused_pair(game, well, 0.6)
    centre = ((well.left + well.right) // 2, (well.top + well.bottom) // 2)
    game.wheel(*centre, -1)
    out = well_until(game, "the well to shrink on the wheel", lambda w: w.width < WELL_W - 10)
    ratio = out.width / well.width
    assert abs(ratio - 1 / WHEEL_ZOOM) < 0.03, f"one wheel notch scaled the well by {ratio:.3f}"
    game.wheel(*centre, 1)
    well_until(game, "the well back at zoom 1 on the wheel",
               lambda w: abs(w.width - WELL_W) <= 2)


@pytest.mark.parametrize("from_the_start", [True, False],
                         ids=["narrow from the start", "narrowed after the start"])
def test_narrow_window(start_game, from_the_start):
    """A window narrower than the game's, from the start or narrowed after it, shows the whole
    well in its middle, without scroll bars, and the game still plays there."""
    page = start_game(size=NARROW) if from_the_start else start_game()
    if not from_the_start:
        first_well(page)
        page.resize(*NARROW)
    width = page.js("return window.innerWidth")
    assert width <= NARROW[0], f"the narrow window is {width} px wide"
    check_centred(page, check_plays(page, "in the narrow window"))


def test_plays_without_webgl(start_game):
    """A browser without WebGL, as one that blocks it or has no GPU to run it on, still plays:
    the page draws on a plain 2D canvas."""
    page = start_game(flags=["--disable-webgl", "--disable-webgl2"])
    contexts = page.js("const c = document.createElement('canvas');"
                       "return [!!c.getContext('webgl'), !!c.getContext('webgl2')]")
    assert contexts == [False, False], "the browser still offers WebGL"
    check_plays(page, "without WebGL")


def kept_for_later(page):
    """Waits until the service worker, its cache filled, controls the page; returns the caches."""
    poll("the service worker to control the page",
         lambda: page.js("return navigator.serviceWorker.controller !== null"), 60)
    return cache_names(page)


def cache_names(page):
    return page.driver.execute_async_script("caches.keys().then(arguments[0])")


def test_installable_and_offline(start_game, site):
    """Chromium finds the manifest, with no error, and nothing that keeps it from offering to
    install the page; after one visit the page plays offline, from its service worker's
    cache."""
    page = start_game()
    first_well(page)
    assert len(kept_for_later(page)) == 1
    manifest = page.driver.execute_cdp_cmd("Page.getAppManifest", {})
    assert manifest["url"].endswith("/manifest.json")
    assert manifest["errors"] == []
    fields = json.loads(manifest["data"])
    assert (fields["name"], fields["display"]) == ("Kelo Kelo", "standalone")
    errors = page.driver.execute_cdp_cmd("Page.getInstallabilityErrors", {})
    assert errors["installabilityErrors"] == []
    site.stop()
    with pytest.raises(OSError):
        urllib.request.urlopen(site.url, timeout=5)
    page.driver.refresh()
    check_plays(page, "after a reload with the server gone")


def replace_in(path, old, new):
    text = path.read_text(encoding="utf-8")
    assert old in text, f"{path.name} lacks {old}"
    path.write_text(text.replace(old, new), encoding="utf-8")


def test_new_release_takes_over(start_game, site):
    """A release with another version, served where the first was, replaces the first's cache
    once the browser checks for a new worker, and its page is what a reload shows."""
    page = start_game()
    first_well(page)
    [first] = kept_for_later(page)
    name, version, digest = first.split("-")
    second = f"{name}-{version}.1-{digest}"
    replace_in(site.root / "sw.js", f'"{first}"', f'"{second}"')
    replace_in(site.root / "index.html", "<title>Kelo Kelo", "<title>Kelo Kelo (next)")
    page.driver.execute_async_script(
        "navigator.serviceWorker.ready.then(r => r.update()).then(() => arguments[0]())")
    poll("the new release's cache alone", lambda: cache_names(page) == [second], 60)
    site.stop()
    page.driver.refresh()
    assert page.title().startswith("Kelo Kelo (next)")
    check_plays(page, "from the new release's cache")


def test_plays_on_a_plain_http_host(start_game, site):
    """Served over plain HTTP from a host other than this machine, the page gets no service
    worker, and plays as it is."""
    host = "kelo.test"
    page = start_game(url=site.url.replace("127.0.0.1", host),
                      flags=[f"--host-resolver-rules=MAP {host} 127.0.0.1"])
    assert page.js("return [window.isSecureContext, 'serviceWorker' in navigator]") \
        == [False, False]
    check_plays(page, f"served from {host}")
