"""The release checks take the zip to check from the command line:

    python3 -m pytest tests/release --zip=build-windows-package/kelokelo-1.0.0-windows-x86_64.zip
    python3 -m pytest tests/release --zip=build-web/kelokelo-1.0.0-web.zip

--commit names the commit the zip must say it was built from, --qt-source the folder of the
Debian source package of its Qt (with the .dsc), whose version and checksum it must name.
"""

import pytest

from kelo_release import Release


def pytest_addoption(parser):
    parser.addoption("--zip", help="the release zip to check (Windows or browser)")
    parser.addoption("--commit", help="the commit the release must name as its source")
    parser.addoption("--qt-source", help="the folder of the .dsc of the Qt the release carries")


def _release(config):
    path = config.getoption("--zip")
    if not path:
        raise pytest.UsageError("the release checks need --zip=PATH")
    if not hasattr(config, "_kelo_release"):
        config._kelo_release = Release(path)
    return config._kelo_release


def pytest_generate_tests(metafunc):
    # One case per text file of the Windows release.
    if "text_file" in metafunc.fixturenames:
        release = _release(metafunc.config)
        names = release.text_files() if release.windows else []
        metafunc.parametrize("text_file", names or [None], ids=names or ["none"])


@pytest.fixture(scope="session")
def release(pytestconfig):
    return _release(pytestconfig)
