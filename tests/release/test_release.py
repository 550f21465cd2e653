"""What a release zip must carry besides the game: its manifest and line ends on Windows, the
notices of everything built into it, and the way back to its sources."""

import gzip
import json
import os
import pathlib
import re
import struct
import xml.etree.ElementTree as ElementTree

import pytest

from kelo_release import COPYRIGHT, RT_MANIFEST, TEMPLATE, notice_fields, pe_resources

TOP = pathlib.Path(__file__).resolve().parents[2]
WINDOWS_10_AND_11 = "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"
ASM_V1 = "{urn:schemas-microsoft-com:asm.v1}"
COMPATIBILITY = "{urn:schemas-microsoft-com:compatibility.v1}"

windows_only = pytest.mark.usefixtures("windows_release")
# What a player downloads: the Windows zip, and the page's program as a web server sends it,
# compressed (the sizes of today are in docs/benchmarks.md).
WINDOWS_ZIP_BUDGET = 20_000_000
WASM_GZIP_BUDGET = 3_000_000


@pytest.fixture
def windows_release(release):
    if not release.windows:
        pytest.skip("a check of the Windows release")
    return release


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


def manifest(release):
    resources = pe_resources(release.read("kelokelo.exe"))
    found = resources.get((RT_MANIFEST, 1))
    assert found, "kelokelo.exe has no manifest (resource 1 of type RT_MANIFEST)"
    assert len(found) == 1, "kelokelo.exe has a manifest in more than one language"
    return ElementTree.fromstring(found[0])


@windows_only
def test_manifest_names_windows_10_and_11(release):
    supported = [
        element.get("Id")
        for element in manifest(release).iter(f"{COMPATIBILITY}supportedOS")
    ]
    assert WINDOWS_10_AND_11 in supported
    # Older Windows than 10 cannot run Qt 6: the game claims none of them.
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
def test_text_file_ends_its_lines_with_cr_lf(release, text_file):
    data = release.read(text_file)
    assert data.endswith(b"\r\n"), f"{text_file} does not end with CR LF"
    bare = data.replace(b"\r\n", b"").count(b"\n")
    assert bare == 0, f"{text_file} has {bare} lines that end in LF alone"


@windows_only
def test_windows_text_files_are_all_there(release):
    assert {"README.txt", "LICENSE"} <= set(release.text_files())
    assert any(name.startswith("licenses/") for name in release.text_files())


def _found_in_binaries(release, signatures):
    """The binary that holds the first of SIGNATURES found, with the version it gives."""
    for signature in signatures:
        for name in release.binaries():
            match = re.search(signature, release.read(name))
            if match:
                return name, (match.group(1).decode() if match.groups() else "")
    return None, None


@pytest.mark.parametrize("library", sorted(LIBRARIES))
def test_built_in_library_has_its_notice(release, library):
    binary, version = _found_in_binaries(release, LIBRARIES[library])
    if binary is None:
        pytest.skip(f"{library} is in none of {release.binaries()}")
    notices = release.notices()
    name = f"Qt/{library}.txt"
    assert name in notices, f"{binary} carries {library}, but licenses/{name} is missing"
    text = notices[name]
    fields = notice_fields(text)
    if version:
        assert fields.get("Version") == version, \
            f"{binary} carries {library} {version}, the notice is of {fields.get('Version')}"
    assert COPYRIGHT.search(text), f"licenses/{name} has no copyright line of a holder"
    assert not TEMPLATE.search(text), f"licenses/{name} has a blank template's copyright line"


def test_no_notice_is_a_blank_template(release):
    blank = [name for name, text in release.notices().items() if TEMPLATE.search(text)]
    assert blank == []


def test_every_third_party_notice_names_its_holders(release):
    third_party = {name: text for name, text in release.notices().items()
                   if name.startswith("Qt/") and not name.endswith("GPL-3.0-only.txt")}
    assert third_party, "no notice of the third-party code built into Qt"
    for name, text in third_party.items():
        fields = notice_fields(text)
        assert "Part of" in fields, f"licenses/{name} does not say what it belongs to"
        # Public-domain code names its authors without a year; everything else has one.
        holders = text.split("Copyright:", 1)[-1].strip()
        assert holders, f"licenses/{name} names no copyright holder"


def test_qt_licences_are_there(release):
    texts = list(release.notices().values())
    assert any("GNU LESSER GENERAL PUBLIC LICENSE" in text
               and "Version 3, 29 June 2007" in text for text in texts)
    assert any(text.lstrip().startswith("GNU GENERAL PUBLIC LICENSE")
               and "Version 3, 29 June 2007" in text for text in texts)


@windows_only
def test_gcc_runtime_exception_and_gpl_3_are_texts_of_their_own(release):
    notices = release.notices()
    exceptions = [name for name, text in notices.items()
                  if text.lstrip().startswith("GCC RUNTIME LIBRARY EXCEPTION")]
    assert exceptions, "no file holds the GCC Runtime Library Exception alone"
    for name in exceptions:
        assert "Version 3.1, 31 March 2009" in notices[name]
        assert "No Weakening of GCC Copyleft" in notices[name], f"{name} is cut short"
        assert "GNU GENERAL PUBLIC LICENSE\n" not in notices[name]
    gpl = [name for name, text in notices.items()
           if text.lstrip().startswith("GNU GENERAL PUBLIC LICENSE")
           and "Version 3, 29 June 2007" in text and "END OF TERMS AND CONDITIONS" in text]
    assert gpl, "no file holds the GNU GPL 3 that the exception refers to"


@windows_only
def test_runtime_dlls_have_their_notices(release):
    texts = release.notices().values()
    assert any("winpthreads" in text and "mingw-w64" in text for text in texts), \
        "no notice of MinGW-w64's winpthreads (libwinpthread-1.dll)"
    assert any("GCC RUNTIME LIBRARY EXCEPTION" in text and "libstdc++" in text
               for text in texts), "no notice of GCC's runtime libraries"


def test_game_licence_is_there(release):
    game = (TOP / "LICENSE").read_text(encoding="utf-8")
    texts = [release.text(name) for name in release.text_files()]
    if release.web:
        texts = list(release.notices().values())
    assert texts.count(game) == 1, f"the game's own LICENSE is in the release {texts.count(game)} times"


def _sources(release):
    sources = release.notices().get("SOURCES.txt")
    assert sources, "licenses/SOURCES.txt is missing"
    return sources


def test_sources_name_the_game_and_its_commit(release, pytestconfig):
    sources = _sources(release)
    assert "Kelo Kelo" in sources and "Quorvin" in sources
    commits = re.findall(r"\bcommit ([0-9a-f]{40})\b", sources)
    assert commits, "SOURCES.txt names no commit of the game"
    expected = pytestconfig.getoption("--commit")
    if expected:
        assert commits == [expected]


def test_sources_name_the_qt_source_and_how_it_was_built(release, pytestconfig):
    sources = _sources(release)
    package = re.search(r"source package qt6-base, version\s+(\S+?),", sources)
    assert package, "SOURCES.txt names no version of Debian's qt6-base"
    checksum = re.search(r"SHA-256 ([0-9a-f]{64})\b", sources)
    assert checksum, "SOURCES.txt gives no SHA-256 of Qt's source"
    platform = "windows" if release.windows else "web"
    assert f"scripts/build-qt {platform}" in sources
    options = re.search(r"^  (-\S+(?: \S+)*)$", sources, re.M)
    assert options and "-release" in options.group(1).split(), "no configure options of Qt"
    qt_source = pytestconfig.getoption("--qt-source")
    if qt_source:
        dsc = next(pathlib.Path(qt_source).glob("*.dsc")).read_text(encoding="utf-8")
        assert re.search(rf"^Version: {re.escape(package.group(1))}$", dsc, re.M)
        assert re.search(rf"^ {checksum.group(1)} \d+ \S+\.orig\.tar\.\w+$", dsc, re.M)


@windows_only
def test_style_plugin_offers_windows_11_and_vista(release):
    """Qt picks the Windows 11 style on Windows 11 and the Vista style before it: the one
    plugin shipped must offer both by the keys its metadata gives them."""
    plugin = release.read("styles/qmodernwindowsstyle.dll")
    assert b"windows11" in plugin and b"windowsvista" in plugin


def test_sources_name_the_patches_of_qt(release):
    sources = _sources(release)
    patches = sorted(path.relative_to(TOP).as_posix() for path in (TOP / "data/qt").glob("*.patch"))
    assert patches, "no patch of Qt in data/qt"
    missing = [patch for patch in patches if patch not in sources]
    assert missing == [], f"SOURCES.txt does not name the patches {missing} that Qt was built with"


def test_download_within_budget(release):
    if release.windows:
        size = os.path.getsize(release.path)
        assert size < WINDOWS_ZIP_BUDGET, f"the Windows zip is {size:,} bytes"
    else:
        size = len(gzip.compress(release.read("kelokelo.wasm"), 9))
        assert size <= WASM_GZIP_BUDGET, f"kelokelo.wasm is {size:,} bytes gzip-compressed"


def test_page_carries_no_fonts(release):
    """The game draws no text: Qt's wasm plugin is built without the fonts it embeds, which
    name Bitstream, whose Vera fonts they grew from."""
    if not release.web:
        pytest.skip("a check of the browser's release")
    assert b"Bitstream" not in release.read("kelokelo.wasm")
    assert not [name for name in release.notices() if "dejavu" in name.lower()]


def _web_app(release):
    if not release.web:
        pytest.skip("a check of the browser's release")
    return json.loads(release.text("manifest.json")), release.text("sw.js")


def test_service_worker_keeps_every_file_of_the_page(release):
    """Offline, the page has only what its worker kept: every file of the zip but the worker
    itself, and the page again as the folder's own address. Its cache carries the version."""
    _, worker = _web_app(release)
    cache = re.search(r'^const CACHE = "kelokelo-([^"]+)-[0-9a-f]{12}";$', worker, re.M)
    assert cache, "sw.js names no cache of the game's"
    assert release.top == f"kelokelo-{cache.group(1)}-web"
    kept = re.findall(r'^  "([^"]+)",?$', worker, re.M)
    assert sorted(kept) == sorted(["./"] + [name for name in release.names if name != "sw.js"])


def test_web_app_manifest_and_icons(release):
    """The icons the manifest names are PNG images of the sizes it gives, 192 and 512 among
    them, and the app opens on the page's own background."""
    manifest, _ = _web_app(release)
    assert (manifest["display"], manifest["start_url"]) == ("standalone", "./")
    assert manifest["name"] == "Kelo Kelo" and manifest["short_name"]
    sizes = set()
    for icon in manifest["icons"]:
        data = release.read(icon["src"])
        assert data[:8] == b"\x89PNG\r\n\x1a\n", f"{icon['src']} is no PNG image"
        width, height = struct.unpack(">II", data[16:24])
        assert f"{width}x{height}" == icon["sizes"], f"{icon['src']} is {width}x{height}"
        sizes.add(icon["sizes"])
    assert {"192x192", "512x512"} <= sizes
    page = release.text("index.html")
    assert f"background: {manifest['background_color']};" in page
    assert '<link rel="manifest" href="manifest.json">' in page


def test_browser_notes_say_how_to_relink_qt(release):
    if not release.web:
        pytest.skip("a check of the browser's release")
    sources = _sources(release)
    assert "linked statically" in sources
    assert "scripts/package web" in sources
    assert "index.html" in release.names
    assert all(name.startswith("licenses/") for name in release.names
               if name.endswith(".txt")), "notices outside licenses/"
