"""The Debian package as a distribution sees it: its control fields, its files, one version
everywhere, and what lintian, desktop-file-validate, appstreamcli and groff say of it."""

import gzip
import pathlib
import re
import subprocess

import pytest

TOP = pathlib.Path(__file__).resolve().parents[2]
APP_ID = "io.github.quorvin.kelokelo"
DESKTOP = f"usr/share/applications/{APP_ID}.desktop"
METAINFO = f"usr/share/metainfo/{APP_ID}.metainfo.xml"
MANUAL = "usr/share/man/man6/kelokelo.6.gz"
# Invented addresses and placeholders: a field without a real value is left out instead.
PLACEHOLDERS = re.compile(
    r"example\.(invalid|com|org|net)|\.invalid\b|noreply\.example|users\.noreply")
FILES = ["usr/games/kelokelo", DESKTOP, METAINFO, MANUAL,
         "usr/share/icons/hicolor/128x128/apps/kelokelo.png",
         "usr/share/icons/hicolor/scalable/apps/kelokelo.svg",
         "usr/share/doc/kelokelo/copyright", "usr/share/doc/kelokelo/changelog.gz"]


def run(*args):
    result = subprocess.run(args, capture_output=True, text=True)
    return result.returncode, result.stdout + result.stderr


def gunzip(path):
    return gzip.decompress(path.read_bytes()).decode()


@pytest.mark.parametrize("where", ["source", "package"])
def test_no_placeholder_addresses(where, unpacked):
    names = ("src", "data", "images", "cmake", "CMakeLists.txt", "LICENSE", "README.md")
    roots = [TOP / name for name in names] if where == "source" else [unpacked]
    paths = sorted(p for root in roots for p in ([root] if root.is_file() else root.rglob("*")))
    found = [f"{path}: {m.group(0)}" for path in paths if path.is_file()
             for data in [path.read_bytes()] if b"\0" not in data
             for m in [PLACEHOLDERS.search(data.decode("utf-8", "replace"))] if m]
    assert not found


def test_control_fields(field):
    depends = field("Depends")
    for lib in ("libqt6core6", "libqt6gui6", "libqt6widgets6"):
        assert lib in depends
    assert field("Section") == "games"
    assert field("Package") == "kelokelo"
    summary, *long = field("Description").splitlines()
    description = (TOP / "data/description.txt").read_text().splitlines()
    assert summary == description[0]
    assert [line.strip() for line in long] == [line.strip() or "." for line in description[1:]]


# Each checker's command, how its complaints read (the group is the tag), and the one tag it may
# raise. The game has no homepage, and an invented one would be worse than none: Debian 13's
# AppStream warns of the missing one, and its lintian then reports the metainfo as failing
# validation. That lintian tag is left to appstreamcli, which lets the missing homepage through
# and nothing else.
@pytest.mark.parametrize("command, complaint, allowed", [
    (["lintian", "--fail-on", "error,warning", "{deb}"],
     r"^[EW]: kelokelo(?: [a-z]+)?: (\S+)", "appstream-metadata-validation-failed"),
    (["desktop-file-validate", f"{{unpacked}}/{DESKTOP}"], r"(error|warning):", None),
    (["appstreamcli", "validate", "--no-net", "--explain", f"{{unpacked}}/{METAINFO}"],
     r"^[EW]: \S+ (\S+)", "url-homepage-missing"),
], ids=["lintian", "desktop-entry", "metainfo"])
def test_checker_passes(command, complaint, allowed, deb, unpacked):
    status, out = run(*(arg.format(deb=deb, unpacked=unpacked) for arg in command))
    tags = re.findall(complaint, out, re.M)
    assert [tag for tag in tags if tag != allowed] == [], out
    assert status == 0 or allowed in tags, out


def test_files(unpacked):
    missing = [name for name in FILES if not (unpacked / name).is_file()]
    assert missing == []
    assert (unpacked / "usr/games/kelokelo").stat().st_mode & 0o111
    # The game carries its images inside; a stray copy would hide a broken fallback.
    assert list(unpacked.rglob("kelo_*.png")) == []


def test_program_finds_qt_on_the_system_path(unpacked):
    """Qt's project setup gives programs a search path of their own ($ORIGIN); the installed
    game must carry none, so that it loads the system's Qt as Debian's policy asks."""
    status, out = run("readelf", "--dynamic", str(unpacked / "usr/games/kelokelo"))
    assert status == 0, out
    assert not re.search(r"\((RPATH|RUNPATH)\)", out), out


def test_one_version(field, unpacked):
    project = re.search(r"project\(KeloKelo\s.*?VERSION ([0-9.]+)",
                        (TOP / "CMakeLists.txt").read_text(), re.S).group(1)
    metainfo = (unpacked / METAINFO).read_text()
    manual = gunzip(unpacked / MANUAL)
    changelog = gunzip(unpacked / "usr/share/doc/kelokelo/changelog.gz")
    versions = {
        "package": field("Version"),
        "metainfo": re.search(r'<release version="([^"]*)"', metainfo).group(1),
        "manual": re.search(r'^\.TH .*"Kelo Kelo ([^"]*)"', manual, re.M).group(1),
        "changelog": re.match(r"kelokelo \(([^)]*)\)", changelog).group(1),
    }
    assert versions == dict.fromkeys(versions, project)


def test_manual_page(unpacked, tmp_path):
    page = tmp_path / "kelokelo.6"
    page.write_text(gunzip(unpacked / MANUAL))
    # -ww reports every troff warning; a clean page prints nothing.
    status, out = run("groff", "-man", "-Tutf8", "-ww", "-z", str(page))
    assert status == 0 and out == ""
    _, rendered = run("groff", "-man", "-Tutf8", "-P-cbou", str(page))
    for word in ("NAME", "SYNOPSIS", "KELOKELO", "Return", "Space"):
        assert word in rendered
def test_readme_shows_the_game():
    # The picture at the top of the README, which the package ships too, is of the game: the
    # well at zoom 1 with its shadow, and blobs of three colours.
    assert "(docs/screenshot.png)" in (TOP / "README.md").read_text()
    status, out = run("/usr/bin/python3", str(TOP / "tests/e2e/kelo_pixels.py"),
                      str(TOP / "docs/screenshot.png"))
    assert status == 0, out


def test_installed_documents_link_to_what_the_package_ships(unpacked):
    """The README and the pages it links to point at pictures and pages that are installed
    beside them, so that a reader of /usr/share/doc/kelokelo finds them."""
    doc = unpacked / "usr/share/doc/kelokelo"
    pages = [doc / "README.md", *sorted((doc / "docs").glob("*.md"))]
    assert len(pages) > 1, "the pages that the README links to are not installed"
    broken = [f"{page.relative_to(doc)}: {target}"
              for page in pages
              for target in re.findall(r"\]\(([^)#:]+)(?:#[^)]*)?\)", page.read_text())
              if not (page.parent / target).is_file()]
    assert broken == []
