"""The Debian package under test: --deb names the .deb that scripts/package made."""

import pathlib
import subprocess

import pytest


def pytest_addoption(parser):
    parser.addoption("--deb", required=True, help="the kelokelo .deb to check")


@pytest.fixture(scope="session")
def deb(request):
    path = pathlib.Path(request.config.getoption("--deb")).resolve()
    assert path.is_file(), f"no package at {path}"
    return path


@pytest.fixture(scope="session")
def unpacked(deb, tmp_path_factory):
    """The package's files, unpacked as dpkg would install them."""
    root = tmp_path_factory.mktemp("unpacked")
    subprocess.run(["dpkg-deb", "-x", str(deb), str(root)], check=True)
    return root


@pytest.fixture(scope="session")
def field(deb):
    def read(name):
        return subprocess.run(["dpkg-deb", "-f", str(deb), name], check=True,
                              capture_output=True, text=True).stdout.strip()
    return read
