"""What only the page has: the files the site serves, the icon, the focus, the well centred in
the browser window without scroll bars at any width, and the wheel."""

import pytest

from kelo_pixels import CELL, WELL_W, check_background, shifted
from kelo_play import first_well, wait_moved, wait_still, well_until

pytestmark = pytest.mark.platforms("web")

# One wheel notch scales the well by the square root of two, as on the desktop.
WHEEL_ZOOM = 2 ** 0.5
# Narrower than the game's window.
NARROW = (230, 700)


def check_centred(page, well):
    """The well sits in the middle of the page, as in the middle of the desktop window."""
    width, height = page.js("return [window.innerWidth, window.innerHeight]")
    across = (well.left + well.right) / 2 - width / 2
    down = (well.top + well.bottom) / 2 - height / 2
    assert abs(across) <= 3, f"the well is {across:+.0f} px off the middle across: {well}"
    assert abs(down) <= 3, f"the well is {down:+.0f} px off the middle down: {well}"


def check_no_scroll_bars(page):
    sizes = page.js("const e = document.scrollingElement;"
                    "return [e.scrollWidth, e.clientWidth, e.scrollHeight, e.clientHeight,"
                    "        window.innerWidth, window.innerHeight]")
    assert sizes[0] <= sizes[1] and sizes[2] <= sizes[3], \
        f"the page scrolls: content {sizes[0]} x {sizes[2]}, view {sizes[1]} x {sizes[3]}"
    assert sizes[1] == sizes[4] and sizes[3] == sizes[5], \
        f"scroll bars take room: {sizes[1]} x {sizes[3]} of {sizes[4]} x {sizes[5]}"


def test_site_files(site):
    # The page, Qt's loader, the game and its icon, and the notices in licenses/ (which
    # tests/release reads), linked from nowhere on the page.
    assert site.files == ["favicon.png", "index.html", "kelokelo.js", "kelokelo.wasm",
                          "licenses", "qtloader.js"]
    status, kind, data = site.get("kelokelo.wasm")
    assert (status, kind, data[:4]) == (200, "application/wasm", b"\0asm")
    status, kind, data = site.get("favicon.png")
    assert (status, kind, data[:8]) == (200, "image/png", b"\x89PNG\r\n\x1a\n")


def test_icon_and_focus(game):
    """The page names its icon, and starts the game with the focus on it."""
    first_well(game)
    icon = game.js("const l = document.querySelector('link[rel=icon]');"
                   "return l ? l.getAttribute('href') : null")
    assert icon == "favicon.png"
    # In the game's place on the page, or in the hidden text field through which later
    # versions of Qt take the keys for the window that has Qt's focus.
    focused = game.js("const a = document.activeElement;"
                      "return document.getElementById('game').contains(a)"
                      "    || 'data-qinputcontext' in a ? null : a.tagName + '#' + a.id")
    assert focused is None, f"the focus is on {focused}, not on the game"


def test_well_centred_without_scroll_bars(game):
    well, _ = first_well(game)
    check_centred(game, well)
    check_no_scroll_bars(game)


def test_name_and_keys_beside_the_game(game):
    """The page names the game above the game's place and its keys below it, outside that
    place, while the well stays in the middle (the keys reaching the game are the steering
    test's)."""
    well, _ = first_well(game)
    page = game.js("""
        const box = id => { const r = document.getElementById(id).getBoundingClientRect();
                            return [r.left, r.top, r.right, r.bottom]; };
        return {game: box('game'), title: box('title'), keys: box('keys'),
                name: document.getElementById('title').innerText,
                help: document.getElementById('keys').innerText};""")
    assert "Kelo Kelo" in page["name"]
    missing = [key for key in ("Left", "Right", "Down", "Z", "X", "Space", "Return", "Plus",
                               "Minus", "wheel") if key not in page["help"]]
    assert missing == [], f"the page's keys lack {missing}: {page['help']!r}"
    assert page["title"][3] <= page["game"][1], f"the name reaches into the game's place: {page}"
    assert page["keys"][1] >= page["game"][3], f"the keys reach into the game's place: {page}"
    check_centred(game, well)


def test_wheel_zoom(game):
    """One notch of the wheel out and one in again."""
    well, _ = first_well(game)
    game.key("space")
    wait_still(game, well, 0.6, 20)
    centre = ((well.left + well.right) // 2, (well.top + well.bottom) // 2)
    game.wheel(*centre, -1)
    out = well_until(game, "the well to shrink on the wheel", lambda w: w.width < WELL_W - 10)
    ratio = out.width / well.width
    assert abs(ratio - 1 / WHEEL_ZOOM) < 0.03, f"one wheel notch scaled the well by {ratio:.3f}"
    game.wheel(*centre, 1)
    well_until(game, "the well back at zoom 1 on the wheel",
               lambda w: abs(w.width - WELL_W) <= 2)


def test_narrow_window(start_game):
    """A window narrower than the game's shows the whole well, without scroll bars, and the
    game still plays there."""
    page = start_game(size=NARROW)
    width = page.js("return window.innerWidth")
    assert width <= NARROW[0], f"the narrow window is {width} px wide"
    well, first = first_well(page)
    # Paused at once, while the pair is still near the top.
    page.key("space")
    print(f"   {well}")
    check_background(first, well)
    check_centred(page, well)
    check_no_scroll_bars(page)
    box = wait_still(page, well, 0.6, 20)
    assert box is not None, "no pair in the narrow window"
    page.key("Down")
    after = wait_moved(page, well, box, "the pair to move down in the narrow window")
    assert shifted(box, after) == (0, CELL), f"Down moved the pair from {box} to {after}"


def test_narrowed_after_the_start(start_game):
    """The page narrowed after the game started still shows the whole well."""
    page = start_game()
    first_well(page)
    page.resize(*NARROW)
    well, first = first_well(page)
    print(f"   {well}")
    check_background(first, well)
    check_centred(page, well)
    check_no_scroll_bars(page)
