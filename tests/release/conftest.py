"""The release checks take the zip to check from the command line:

    /usr/bin/python3 -B -m pytest tests/release --zip=build/windows/package/kelokelo-1.0.0-windows-x86_64.zip
    /usr/bin/python3 -B -m pytest tests/release --zip=build/web/package/kelokelo-1.0.0-web.zip

--commit names the commit the zip must say it was built from, --qt-source the folder of the
Debian source package of its Qt (with the .dsc), whose version and checksum it must name.
"""

import zipfile

import pytest


def pytest_addoption(parser):
    parser.addoption("--zip", help="the release zip to check (Windows or browser)")
    parser.addoption("--commit", help="the commit the release must name as its source")
    parser.addoption("--qt-source", help="the folder of the .dsc of the Qt the release carries")


class Release:
    """A release zip of the game: the Windows folder or the browser's page, in one top folder."""

    def __init__(self, path):
        self.path = path
        with zipfile.ZipFile(path) as archive:
            files = {info.filename: archive.read(info)
                     for info in archive.infolist() if not info.is_dir()}
        tops = {name.split("/", 1)[0] for name in files}
        if len(tops) != 1:
            raise ValueError(f"{path} should hold one folder, not {sorted(tops)}")
        self.top = tops.pop()
        self.files = {name.split("/", 1)[1]: data for name, data in files.items()}
        self.names = sorted(self.files)
        self.windows, self.web = "kelokelo.exe" in self.files, "kelokelo.wasm" in self.files
        if self.windows == self.web:
            raise ValueError(f"{path} is neither the Windows release nor the browser's")
        # Every file of licenses/ by its path below it, as text; and the text files a player
        # reads: README.txt, LICENSE and those notices.
        self.notices = {name[len("licenses/"):]: self.text(name)
                        for name in self.names if name.startswith("licenses/")}
        self.text_files = [name for name in self.names if name in ("README.txt", "LICENSE")
                           or name.startswith("licenses/")]

    def text(self, name):
        return self.files[name].decode("utf-8", "replace").replace("\r\n", "\n")

    def binaries(self):
        """The program and the libraries it carries, whose bytes hold what is built in."""
        ends = (".exe", ".dll") if self.windows else (".wasm",)
        return [name for name in self.names if name.endswith(ends)]


@pytest.fixture(scope="session")
def release(pytestconfig):
    path = pytestconfig.getoption("--zip")
    if not path:
        raise pytest.UsageError("the release checks need --zip=PATH")
    return Release(path)


@pytest.fixture
def windows_release(release):
    if not release.windows:
        pytest.skip("a check of the Windows release")


@pytest.fixture
def web_release(release):
    if not release.web:
        pytest.skip("a check of the browser's release")
