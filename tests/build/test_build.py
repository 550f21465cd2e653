"""The build as others meet it: the game inside another CMake project, the licence in the
package's copyright file, and the options a distribution's packager configures with. CTest runs
it with KELO_CMAKE and KELO_CTEST naming the build's own cmake and ctest."""

import json
import os
import pathlib
import re
import subprocess

import pytest

TOP = pathlib.Path(__file__).resolve().parents[2]
CMAKE = os.environ.get("KELO_CMAKE", "cmake")
CTEST = os.environ.get("KELO_CTEST", "ctest")


def configure(source, build, *options):
    result = subprocess.run([CMAKE, "-S", str(source), "-B", str(build), *options],
                            capture_output=True, text=True)
    assert result.returncode == 0, f"{source} does not configure:\n{result.stdout}{result.stderr}"


@pytest.mark.parametrize("source, option, absent", [
    # A project that takes the game in with add_subdirectory() links the board without finding
    # Qt or Boost itself; the game builds no tests and sets up no packaging inside it.
    ("tests/subproject", f"-DKELO_SOURCE_DIR={TOP}", ["CPackConfig.cmake", "kelokelo/tests"]),
    # CTest's BUILD_TESTING, as a packager's build without checks sets it: no test is built.
    (".", "-DBUILD_TESTING=OFF", ["tests"]),
], ids=["inside-another-project", "without-testing"])
def test_leaves_out_what_is_not_asked_for(source, option, absent, tmp_path):
    configure(TOP / source, tmp_path, option)
    assert [name for name in absent if (tmp_path / name).exists()] == []


def test_copyright_file_has_the_licence(tmp_path):
    """The copyright file that the build writes from LICENSE carries its notice and terms in a
    Debian copyright file's form: every line indented by a space, a lone dot for a blank line.
    A garbled licence would only show in lintian much later."""
    notice, terms = re.fullmatch(r"(?s).*?\nCopyright \(c\) ([^\n]+)\n\n(.*)",
                                 (TOP / "LICENSE").read_text()).groups()
    configure(TOP, tmp_path, "-DBUILD_TESTING=OFF")
    copyright = (tmp_path / "data/copyright").read_text()
    files = re.search(r"\nFiles: \*\nCopyright: ([^\n]+)\nLicense: Expat\n", copyright)
    assert files, "the copyright file has no Files: * paragraph under the Expat licence"
    assert files.group(1) == notice
    body = copyright.partition("\n\nLicense: Expat\n")[2]
    assert re.fullmatch(r"( (\.|\S[^\n]*)\n)+", body), \
        "an unindented or blank line in the licence"
    assert re.sub(r"(?m)^ (\.$)?", "", body) == terms


# As Debian's tools build it: dpkg-buildflags maps the build path, the game goes to /usr/games,
# there may be no X server, and a slow machine plays a shorter soak. As docs/building.md builds
# it by hand.
@pytest.mark.parametrize("cxx_flags, e2e, soak_events, exec_line, options", [
    pytest.param("-O2 -ffile-prefix-map=/build/kelokelo=.", False, "50000", "/usr/games/kelokelo",
                 ["-DCMAKE_INSTALL_PREFIX=/usr", "-DKELO_INSTALL_BINDIR=games",
                  "-DKELO_TEST_TIMEOUT=2400"], id="debian"),
    pytest.param("", True, "", "kelokelo", ["-DCMAKE_INSTALL_PREFIX=/usr/local"], id="default"),
])
def test_packager_options(cxx_flags, e2e, soak_events, exec_line, options, tmp_path):
    """The packager's own mapping of paths stands alone, or else the project maps its paths;
    the window tests follow the switch; every test has a time limit that QtTest's own does not
    cut short; the soak plays as many events as asked; the menu entry names the program."""
    configure(TOP, tmp_path, "-DCMAKE_BUILD_TYPE=None", f"-DCMAKE_CXX_FLAGS={cxx_flags}",
              f"-DKELO_BUILD_E2E_TESTS={'ON' if e2e else 'OFF'}",
              f"-DKELO_SOAK_EVENTS={soak_events}", "-DCMAKE_EXPORT_COMPILE_COMMANDS=ON", *options)
    own_map = f"-ffile-prefix-map={TOP}/=" in (tmp_path / "compile_commands.json").read_text()
    assert own_map != ("prefix-map" in cxx_flags), "the project's path mapping"

    listed = subprocess.run([CTEST, "--test-dir", str(tmp_path), "--show-only=json-v1"],
                            capture_output=True, text=True, check=True)
    tests = {test["name"]: {p["name"]: p["value"] for p in test.get("properties", [])}
             for test in json.loads(listed.stdout)["tests"]}
    assert tests, "ctest lists no tests"
    for test, properties in tests.items():
        timeout = int(properties.get("TIMEOUT", 0))
        assert timeout > 0, f"{test} has no time limit"
        environment = properties.get("ENVIRONMENT", [])
        if "QT_QPA_PLATFORM=offscreen" in environment:
            assert f"QTEST_FUNCTION_TIMEOUT={timeout}000" in environment, \
                f"QtTest may end {test} before its {timeout} s: {environment}"
    soak = [v for v in tests["tst_soak"].get("ENVIRONMENT", []) if v.startswith("KELO_SOAK")]
    assert soak == ([f"KELO_SOAK_EVENTS={soak_events}"] if soak_events else [])
    window_tests = [test for test, p in tests.items() if "e2e" in p.get("LABELS", [])]
    assert bool(window_tests) == e2e, f"window tests: {window_tests}"

    desktop = (tmp_path / "data/io.github.quorvin.kelokelo.desktop").read_text()
    assert re.search(r"^Exec=(.*)$", desktop, re.M).group(1) == exec_line
