# Installs the Debian packages given as arguments when any of them is missing.
# Sourced by the project's scripts.
kelo_ensure_packages() {
    local missing=()
    local pkg
    for pkg in "$@"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" \
            || missing+=("$pkg")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    echo "Installing ${missing[*]}"
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
        "${missing[@]}"
}

# What building the game needs.
KELO_BUILD_PACKAGES=(cmake make g++ qt6-base-dev libboost-graph-dev)
# What the tests of the real window need besides: an X server, a way to send keys, window
# properties and screenshots, and the script that drives them.
KELO_TEST_PACKAGES=(xvfb xdotool x11-utils imagemagick python3)
# What building Qt and the game for Windows needs: Debian's MinGW-w64 and Ninja; apt fetches
# Qt's source.
KELO_WINDOWS_BUILD_PACKAGES=(g++-mingw-w64-x86-64-posix ninja-build xz-utils)
# What testing the Windows build needs: Wine, and unzip for the release.
KELO_WINDOWS_TEST_PACKAGES=(wine wine64 unzip)
# What building Qt and the game for the browser needs: Debian's emscripten, the JavaScript
# parser its linker runs under node, Ninja and zip for the page's archive; apt fetches Qt's
# source.
KELO_WEB_BUILD_PACKAGES=(emscripten node-acorn ninja-build xz-utils zip)
# What the tests of the page need besides: Debian's Chromium, its WebDriver and the Selenium
# client for Debian's Python, and ImageMagick for the pixel checks.
KELO_WEB_TEST_PACKAGES=(chromium chromium-driver python3-selenium imagemagick python3)
