# shellcheck shell=bash disable=SC2034 # the lists are used by the scripts that source this
# What the scripts in scripts/ share; sourced by them alone. The Debian packages of each job, the
# one place that lists them: building the game (with a C++ compiler), and testing its window;
# making the .deb (git for the commit its notes name), and checking it as a distribution
# would; building a package twice to compare; the benchmarks; a fresh Debian for check-fresh;
# building and testing for Windows (MinGW-w64, Wine) and for the browser (emscripten, whose
# linker runs acorn under node; the icons drawn from SVG; Chromium and its WebDriver).
KELO_BUILD_PACKAGES=(g++ cmake ninja-build qt6-base-dev libboost-graph-dev)
KELO_TEST_PACKAGES=(xvfb xauth xdotool x11-utils imagemagick python3 python3-pytest python3-pytest-xvfb
    python3-numpy python3-pil)
KELO_DEB_PACKAGES=(dpkg-dev file git)
KELO_PACKAGE_PACKAGES=("${KELO_DEB_PACKAGES[@]}" lintian desktop-file-utils appstream groff-base)
KELO_REPRODUCIBLE_PACKAGES=(reprotest faketime diffoscope-minimal git)
KELO_BENCH_PACKAGES=(libbenchmark-dev python3 python3-pyvirtualdisplay)
KELO_FRESH_PACKAGES=(mmdebstrap git)
KELO_WINDOWS_BUILD_PACKAGES=(g++-mingw-w64-x86-64-posix xz-utils patch)
KELO_WINDOWS_PACKAGES=("${KELO_WINDOWS_BUILD_PACKAGES[@]}" python3 git zip wine wine64 unzip python3-pefile)
KELO_WEB_BUILD_PACKAGES=(emscripten node-acorn xz-utils patch)
KELO_WEB_PACKAGES=("${KELO_WEB_BUILD_PACKAGES[@]}" python3 git librsvg2-bin zip chromium chromium-driver
    python3-selenium)

# The Windows and browser releases are built on Qt 6.8, which Debian 13 carries; an older Debian
# says so in one line and stops. Testing and unstable, which name no version, build them too.
kelo_cross_release_here() {
    local release name
    [[ ${1:-} =~ ^(windows|web)$ ]] || return 0
    release=$(. /etc/os-release && echo "${VERSION_ID:-99} $PRETTY_NAME")
    [ "${release%% *}" -ge 13 ] && return 0
    name=Windows && [ "$1" = windows ] || name=browser
    echo "The $name release is built on Debian 13 (Qt 6.8), not here on ${release#* }." >&2
    exit 1
}

# Where the Qt builds for other platforms and Qt's source are kept.
kelo_cache() { echo "${KELO_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/kelokelo}"; }

# Runs a command as root: directly when this is root, through sudo otherwise. sudo resets the
# environment, so what apt and debconf need is set on its far side.
kelo_as_root() {
    local sudo && [ "$(id -u)" -eq 0 ] || sudo=sudo
    ${sudo:+sudo} env DEBIAN_FRONTEND=noninteractive "$@"
}

# Installs the Debian packages given as arguments when any of them is missing. Another apt
# (unattended-upgrades, on a fresh desktop) may hold the locks: apt waits for dpkg's, and the
# update is tried again while another holds the lock of the package lists.
kelo_ensure_packages() {
    local missing=() pkg
    for pkg in "$@"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" \
            || missing+=("$pkg")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing ${missing[*]}"
    local apt=(apt-get -qq -o DPkg::Lock::Timeout=1800) log
    until log=$(kelo_as_root "${apt[@]}" update 2>&1); do
        grep -q 'Could not get lock' <<<"$log" || { echo "$log" >&2 && return 1; }
        sleep 5
    done
    kelo_as_root "${apt[@]}" install -y --no-install-recommends "${missing[@]}"
}

# Prints "URI SUITE COMPONENT LABEL" for each part of Debian's archive (label "Debian" or
# "Debian-Security") that apt installs from here, as apt sees its sources in either format.
kelo_debian_archives() {
    apt-get indextargets --format '$(REPO_URI) $(RELEASE) $(COMPONENT) $(LABEL)' \
        'Identifier: Packages' 'Origin: Debian' | sort -u
}

# Who builds a package: DEBFULLNAME and DEBEMAIL, as for Debian's own tools, or else git's
# user.name and user.email; a check run by someone without either builds for itself alone,
# under a name that says so. Prints "Name <address>".
kelo_maintainer() {
    local name=${DEBFULLNAME:-$(git config user.name 2>/dev/null || true)}
    local email=${DEBEMAIL:-${EMAIL:-$(git config user.email 2>/dev/null || true)}}
    [ -n "$name" ] && [ -n "$email" ] || name="Kelo Kelo package check" email=package-check@kelokelo.test
    echo "$name <$email>"
}
