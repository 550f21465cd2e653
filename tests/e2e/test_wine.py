"""What only the Windows release has: its folder as the zip holds it, the DLLs shipped and
loaded, and closing the window."""

import pytest

from kelo_games import unpack
from kelo_play import first_well

pytestmark = pytest.mark.platforms("wine")

RELEASE_FILES = [
    "kelokelo.exe", "Qt6Core.dll", "Qt6Gui.dll", "Qt6Widgets.dll", "platforms/qwindows.dll",
    "styles/qmodernwindowsstyle.dll",
    "libstdc++-6.dll", "libgcc_s_seh-1.dll", "libwinpthread-1.dll", "LICENSE", "README.txt",
    "images/kelo_blue.png", "images/kelo_green.png", "images/kelo_red.png",
    "images/kelo_yellow.png",
    "licenses/SOURCES.txt", "licenses/Qt/LGPL-3.0-only.txt", "licenses/Qt/GPL-3.0-only.txt"]


@pytest.fixture(scope="module")
def release_folder(pytestconfig, tmp_path_factory):
    folder = unpack(pytestconfig.getoption("zip"), tmp_path_factory.mktemp("list"),
                    "*-windows-x86_64")
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
