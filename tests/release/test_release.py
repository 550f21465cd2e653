"""What a release zip must carry besides the game: its manifest and line ends on Windows, the
notices of everything built into it, and the way back to its sources."""

import gzip
import json
import os
import pathlib
import re
import struct
import xml.etree.ElementTree as ElementTree

import pefile
import pytest

TOP = pathlib.Path(__file__).resolve().parents[2]
WINDOWS_10_AND_11 = "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"
ASM_V1 = "{urn:schemas-microsoft-com:asm.v1}"
COMPATIBILITY = "{urn:schemas-microsoft-com:compatibility.v1}"
# What a player downloads: the Windows zip, and the page's program as a web server sends it,
# compressed (the sizes of today are in docs/benchmarks.md).
WINDOWS_ZIP_BUDGET = 20_000_000
WASM_GZIP_BUDGET = 3_000_000
# A copyright line of a real holder: a year, and no placeholder of a template.
COPYRIGHT = re.compile(r"(?im)^.*(?:copyright|\(c\)|©).*\b(?:19|20)\d\d\b.*$")
TEMPLATE = re.compile(r"(?i)copyright[^\n]*<year>\s*<(?:owner|copyright holders?)>")
GPL = "GNU GENERAL PUBLIC LICENSE"
VERSION_3 = "Version 3, 29 June 2007"

windows_only = pytest.mark.usefixtures("windows_release")
web_only = pytest.mark.usefixtures("web_release")

# The third-party libraries Qt builds in, by the id of their notice, as their own code names
# them in the binaries: text that is theirs alone, the first of them with their version where
# the linker kept one. A library whose text is in none of the shipped binaries is not checked:
# the linker left it out, or left nothing of it that says what it is.
LIBRARIES = {
    "zlib": [rb"(?:de|in)flate (\d+\.\d+\.\d+(?:\.\d+)?) Copyright \d{4}-\d{4} ",
             rb"\x00(\d+\.\d+\.\d+(?:\.\d+)?) \(Qt\)\x00",  # Qt's copy's ZLIB_VERSION
             rb"invalid distance too far back"],
    "libpng": [rb"libpng version (\d+\.\d+\.\d+)", rb"Application built with libpng-"],
    "pcre2": [rb"(?<![\w.])(10\.\d\d) 20\d\d-\d\d-\d\d\x00",
              rb"missing terminating \] for character class"],
    "pcre2-sljit": [rb"x86 64bit \(little endian \+ unaligned\)"],
    "freetype": [rb"FREETYPE_PROPERTIES"],
    "harfbuzz-ng": [rb"HB_OPTIONS"],
}


def notice_fields(text):
    """The header fields of a notice ("Version:   1.2.13" and the like) under its title, by name."""
    header = text.split("\n\n")[1] if "\n\n" in text else ""
    return dict(re.findall(r"^([A-Z][a-z ]+): +(.*?) *$", header, re.M))


def manifest(release):
    pe = pefile.PE(data=release.files["kelokelo.exe"], fast_load=True)
    pe.parse_data_directories([pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_RESOURCE"]])
    resources = getattr(pe, "DIRECTORY_ENTRY_RESOURCE", None)
    found = [pe.get_data(language.data.struct.OffsetToData, language.data.struct.Size)
             for kind in (resources.entries if resources else [])
             if kind.id == pefile.RESOURCE_TYPE["RT_MANIFEST"]
             for name in kind.directory.entries if name.id == 1
             for language in name.directory.entries]
    assert found, "kelokelo.exe has no manifest (resource 1 of type RT_MANIFEST)"
    assert len(found) == 1, "kelokelo.exe has a manifest in more than one language"
    return ElementTree.fromstring(found[0])


@windows_only
def test_manifest_names_windows_10_and_11(release):
    # Older Windows than 10 cannot run Qt 6: the game claims none of them.
    supported = [system.get("Id")
                 for system in manifest(release).iter(f"{COMPATIBILITY}supportedOS")]
    assert supported == [WINDOWS_10_AND_11]


@windows_only
def test_manifest_leaves_dpi_awareness_and_rights_alone(release):
    root = manifest(release)
    assert root.tag == f"{ASM_V1}assembly"
    # Qt sets the DPI awareness itself; a manifest's setting would make its call fail.
    tags = {element.tag.rsplit("}", 1)[-1] for element in root.iter()}
    assert not tags & {"dpiAware", "dpiAwareness"}
    levels = [element.get("level") for element in root.iter()
              if element.tag.endswith("requestedExecutionLevel")]
    assert levels == ["asInvoker"]


@windows_only
def test_text_files_are_all_there_with_cr_lf(release):
    assert {"README.txt", "LICENSE"} <= set(release.text_files)
    assert release.notices
    not_cr_lf = [name for name in release.text_files if not release.files[name].endswith(b"\r\n")
                 or b"\n" in release.files[name].replace(b"\r\n", b"")]
    assert not_cr_lf == [], "text files whose lines do not all end in CR LF"


@pytest.mark.parametrize("library", sorted(LIBRARIES))
def test_built_in_library_has_its_notice(release, library):
    # The binary that holds the first of the library's texts found, with the version it gives.
    found = next(((name, match.group(1).decode() if match.groups() else "")
                  for signature in LIBRARIES[library] for name in release.binaries()
                  for match in [re.search(signature, release.files[name])] if match), None)
    if not found:
        pytest.skip(f"{library} is in none of {release.binaries()}")
    (binary, version), name = found, f"Qt/{library}.txt"
    assert name in release.notices, f"{binary} carries {library}, but licenses/{name} is missing"
    text = release.notices[name]
    if version:
        noticed = notice_fields(text).get("Version")
        assert noticed == version, f"{binary} carries {library} {version}, the notice {noticed}"
    assert COPYRIGHT.search(text), f"licenses/{name} has no copyright line of a holder"


def test_notices_of_third_party_code_name_their_holders(release):
    """No notice is a blank template, and every one of Qt's third-party parts says what it
    belongs to and names its holders (public-domain code names its authors without a year)."""
    assert [name for name, text in release.notices.items() if TEMPLATE.search(text)] == []
    third_party = {name: text for name, text in release.notices.items()
                   if name.startswith("Qt/") and not name.endswith("GPL-3.0-only.txt")}
    assert third_party, "no notice of the third-party code built into Qt"
    for name, text in third_party.items():
        assert "Part of" in notice_fields(text), f"licenses/{name} does not say what it belongs to"
        assert text.split("Copyright:", 1)[-1].strip(), f"licenses/{name} names no copyright holder"


def test_qt_licences_are_there(release):
    texts = release.notices.values()
    assert any("GNU LESSER GENERAL PUBLIC LICENSE" in text and VERSION_3 in text for text in texts)
    assert any(text.lstrip().startswith(GPL) and VERSION_3 in text for text in texts)


@windows_only
def test_runtime_dlls_have_their_notices(release):
    """GCC's runtime libraries, with the GCC Runtime Library Exception and the GNU GPL 3 it
    refers to, each a text of its own, and MinGW-w64's winpthreads."""
    texts = release.notices.values()
    assert any("winpthreads" in text and "mingw-w64" in text for text in texts), \
        "no notice of MinGW-w64's winpthreads (libwinpthread-1.dll)"
    assert any("GCC RUNTIME LIBRARY EXCEPTION" in text and "libstdc++" in text
               for text in texts), "no notice of GCC's runtime libraries"
    exceptions = [text for text in texts
                  if text.lstrip().startswith("GCC RUNTIME LIBRARY EXCEPTION")]
    assert exceptions, "no file holds the GCC Runtime Library Exception alone"
    for text in exceptions:
        assert "Version 3.1, 31 March 2009" in text
        assert "No Weakening of GCC Copyleft" in text, "the exception is cut short"
        assert "GNU GENERAL PUBLIC LICENSE\n" not in text
    assert any(text.lstrip().startswith(GPL) and VERSION_3 in text
               and "END OF TERMS AND CONDITIONS" in text for text in texts), \
        "no file holds the GNU GPL 3 that the exception refers to"


def test_game_licence_is_there(release):
    game = (TOP / "LICENSE").read_text(encoding="utf-8")
    # The Windows zip has it at its top, as LICENSE; the page's notices have it.
    texts = [release.text(name) for name in release.text_files] if release.windows \
        else list(release.notices.values())
    count = texts.count(game)
    assert count == 1, f"the game's own LICENSE is in the release {count} times"


@pytest.fixture
def sources(release):
    assert "SOURCES.txt" in release.notices, "licenses/SOURCES.txt is missing"
    return release.notices["SOURCES.txt"]


def test_sources_name_the_game_and_its_commit(sources, pytestconfig):
    assert "Kelo Kelo" in sources and "Quorvin" in sources
    commits = re.findall(r"\bcommit ([0-9a-f]{40})\b", sources)
    assert commits, "SOURCES.txt names no commit of the game"
    if pytestconfig.getoption("--commit"):
        assert commits == [pytestconfig.getoption("--commit")]


def test_sources_name_the_qt_source_and_how_it_was_built(release, sources, pytestconfig):
    package = re.search(r"source package qt6-base, version\s+(\S+?),", sources)
    assert package, "SOURCES.txt names no version of Debian's qt6-base"
    checksum = re.search(r"SHA-256 ([0-9a-f]{64})\b", sources)
    assert checksum, "SOURCES.txt gives no SHA-256 of Qt's source"
    assert f"scripts/build-qt {'windows' if release.windows else 'web'}" in sources
    options = re.search(r"^  (-\S+(?: \S+)*)$", sources, re.M)
    assert options and "-release" in options.group(1).split(), "no configure options of Qt"
    # scripts/build-qt builds Qt with every patch of data/qt.
    patches = sorted(path.relative_to(TOP).as_posix() for path in (TOP / "data/qt").glob("*.patch"))
    assert patches, "no patch of Qt in data/qt"
    assert [patch for patch in patches if patch not in sources] == [], "patches of Qt not named"
    qt_source = pytestconfig.getoption("--qt-source")
    if qt_source:
        dsc = next(pathlib.Path(qt_source).glob("*.dsc")).read_text(encoding="utf-8")
        assert re.search(rf"^Version: {re.escape(package.group(1))}$", dsc, re.M)
        assert re.search(rf"^ {checksum.group(1)} \d+ \S+\.orig\.tar\.\w+$", dsc, re.M)


@windows_only
def test_style_plugin_offers_windows_11_and_vista(release):
    """Qt picks the Windows 11 style on Windows 11 and the Vista style before it: the one
    plugin shipped must offer both by the keys its metadata gives them."""
    plugin = release.files["styles/qmodernwindowsstyle.dll"]
    assert b"windows11" in plugin and b"windowsvista" in plugin


def test_download_within_budget(release):
    if release.windows:
        size = os.path.getsize(release.path)
        assert size < WINDOWS_ZIP_BUDGET, f"the Windows zip is {size:,} bytes"
    else:
        size = len(gzip.compress(release.files["kelokelo.wasm"], 9))
        assert size <= WASM_GZIP_BUDGET, f"kelokelo.wasm is {size:,} bytes gzip-compressed"


@web_only
def test_page_carries_no_fonts(release):
    """The game draws no text: Qt's wasm plugin is built without the fonts it embeds, which
    name Bitstream, whose Vera fonts they grew from."""
    assert b"Bitstream" not in release.files["kelokelo.wasm"]
    assert not [name for name in release.notices if "dejavu" in name.lower()]


@web_only
def test_service_worker_keeps_every_file_of_the_page(release):
    """Offline, the page has only what its worker kept: every file of the zip but the worker
    itself, and the page again as the folder's own address. Its cache carries the version."""
    worker = release.text("sw.js")
    cache = re.search(r'^const CACHE = "kelokelo-([^"]+)-[0-9a-f]{12}";$', worker, re.M)
    assert cache, "sw.js names no cache of the game's"
    assert release.top == f"kelokelo-{cache.group(1)}-web"
    kept = re.findall(r'^  "([^"]+)",?$', worker, re.M)
    assert sorted(kept) == sorted(["./"] + [name for name in release.names if name != "sw.js"])


@web_only
def test_web_app_manifest_and_icons(release):
    """The icons the manifest names are PNG images of the sizes it gives, 192 and 512 among
    them, and the app opens on the page's own background."""
    manifest = json.loads(release.text("manifest.json"))
    assert (manifest["display"], manifest["start_url"]) == ("standalone", "./")
    assert manifest["name"] == "Kelo Kelo" and manifest["short_name"]
    for icon in manifest["icons"]:
        data = release.files[icon["src"]]
        assert data[:8] == b"\x89PNG\r\n\x1a\n", f"{icon['src']} is no PNG image"
        assert "{}x{}".format(*struct.unpack(">II", data[16:24])) == icon["sizes"], icon["src"]
    assert {"192x192", "512x512"} <= {icon["sizes"] for icon in manifest["icons"]}
    page = release.text("index.html")
    assert f"background: {manifest['background_color']};" in page
    assert '<link rel="manifest" href="manifest.json">' in page


@web_only
def test_browser_notes_say_how_to_relink_qt(release, sources):
    assert "linked statically" in sources and "scripts/package web" in sources
    assert "index.html" in release.names
    assert all(name.startswith("licenses/") for name in release.names
               if name.endswith(".txt")), "notices outside licenses/"
