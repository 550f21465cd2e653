"""What only the Windows release has: its folder as the zip holds it, the DLLs shipped and
loaded, closing the window, and the built-in art when images/ is missing or unusable."""

import shutil

import pytest

from kelo_games import unpack_release
from kelo_pixels import BLOB_COLOURS
from kelo_play import first_well, take_screenshot

pytestmark = pytest.mark.platforms("wine")

RELEASE_FILES = [
    "kelokelo.exe", "Qt6Core.dll", "Qt6Gui.dll", "Qt6Widgets.dll", "platforms/qwindows.dll",
    "styles/qmodernwindowsstyle.dll",
    "libstdc++-6.dll", "libgcc_s_seh-1.dll", "libwinpthread-1.dll", "LICENSE", "README.txt",
    "images/kelo_blue.png", "images/kelo_green.png", "images/kelo_red.png",
    "images/kelo_yellow.png",
    "licenses/SOURCES.txt", "licenses/Qt/LGPL-3.0-only.txt", "licenses/Qt/GPL-3.0-only.txt"]


@pytest.fixture(scope="module")
def release_folder(release_zip, tmp_path_factory):
    folder = unpack_release(release_zip, tmp_path_factory.mktemp("list"))
    return folder, sorted(path.relative_to(folder).as_posix()
                          for path in folder.rglob("*") if path.is_file())


def test_release_folder(release_folder):
    """The folder holds the game, Qt, the MinGW runtime, the images and the licences; the game
    is a console program with its icon and version; the sources note names Qt's source."""
    folder, files = release_folder
    assert [name for name in RELEASE_FILES if name not in files] == []
    # Imported here, so that the other platforms' runs need no pefile.
    import pefile
    exe = pefile.PE(str(folder / "kelokelo.exe"))
    assert exe.OPTIONAL_HEADER.Subsystem == pefile.SUBSYSTEM_TYPE["IMAGE_SUBSYSTEM_WINDOWS_CUI"], \
        "kelokelo.exe is not a console program"
    icons = [str(icon.name) for kind in exe.DIRECTORY_ENTRY_RESOURCE.entries
             if kind.id == pefile.RESOURCE_TYPE["RT_GROUP_ICON"]
             for icon in kind.directory.entries]
    assert icons == ["IDI_ICON1"], f"kelokelo.exe's icons are {icons}"
    version = {key.decode(): value.decode().rstrip("\0")
               for info in exe.FileInfo[0] if info.Key == b"StringFileInfo"
               for table in info.StringTable for key, value in table.entries.items()}
    assert version.get("FileDescription") == "Kelo Kelo, a falling-blob puzzle game"
    assert version.get("ProductVersion"), f"kelokelo.exe names no product version: {version}"
    assert "qt6-base" in (folder / "licenses/SOURCES.txt").read_text(errors="replace"), \
        "SOURCES.txt does not name the Qt source"


def test_shipped_dlls_are_loaded(game, release_folder):
    """Every DLL in the zip is one the game loads."""
    first_well(game)
    _, files = release_folder
    shipped = {name.rsplit("/", 1)[-1].lower() for name in files if name.lower().endswith(".dll")}
    assert sorted(shipped - game.loaded_dlls()) == []


def test_closing_the_window_ends_the_game_with_status_0(game):
    first_well(game)
    game.key("alt+F4")
    game.ended = True
    assert game.process.wait(20) == 0


def remove_images(folder):
    shutil.rmtree(folder / "images")


def spoil_images(folder):
    (folder / "images/kelo_red.png").write_text("not a picture")
    (folder / "images/kelo_blue.png").write_bytes(b"")


@pytest.mark.parametrize("prepare, unusable", [
    (remove_images, sorted(BLOB_COLOURS)),
    (spoil_images, ["blue", "red"]),
], ids=["no images folder", "unusable files"])
def test_built_in_art(start_game, tmp_path, prepare, unusable):
    """Without usable files in images/ the game draws its own blobs, in all their colours, and
    warns once for each file it could not use. It warns when it first makes a blob of a colour,
    so the play goes on until every colour has been seen."""
    game = start_game(prepare=prepare)
    take_screenshot(game, str(tmp_path / "built-in.png"), 6, len(BLOB_COLOURS))
    assert sorted(game.image_warnings()) == [f"kelo_{colour}.png" for colour in unusable]
