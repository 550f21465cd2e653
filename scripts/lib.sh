# shellcheck shell=bash disable=SC2034,SC2016 # the lists are used by the scripts that source this
# What the project's scripts share: the Debian packages they need and how to install them, the
# Debian archive this machine installs from, and the X server that the window checks run in.
# Sourced.

# What building the game needs.
KELO_BUILD_PACKAGES=(cmake make g++ qt6-base-dev libboost-graph-dev)
# What the tests of the real window need besides: an X server, a way to send keys, window
# properties and screenshots, and the script that drives them.
KELO_TEST_PACKAGES=(xvfb xdotool x11-utils imagemagick python3)
# What building the Debian package needs, and what checking it needs.
KELO_PACKAGE_PACKAGES=(dpkg-dev file git)
KELO_PACKAGE_CHECK_PACKAGES=(lintian desktop-file-utils appstream groff-base)
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

# Runs a command as root: directly when this is root, through sudo otherwise. sudo resets the
# environment, so what apt and debconf need is set on its far side.
kelo_as_root() {
    if [ "$(id -u)" -eq 0 ]; then
        env DEBIAN_FRONTEND=noninteractive "$@"
    else
        sudo env DEBIAN_FRONTEND=noninteractive "$@"
    fi
}

# Installs the Debian packages given as arguments when any of them is missing.
kelo_ensure_packages() {
    local missing=() pkg
    for pkg in "$@"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" \
            || missing+=("$pkg")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing ${missing[*]}"
    kelo_as_root apt-get update -qq
    kelo_as_root apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# Prints "URI SUITE COMPONENT LABEL" for each part of Debian's archive that apt installs from
# on this machine, as apt itself sees its sources in either format; other origins are left
# out. The label tells the main archive ("Debian") from the security one ("Debian-Security").
kelo_debian_archives() {
    apt-get indextargets --format '$(REPO_URI) $(RELEASE) $(COMPONENT) $(LABEL)' \
        'Identifier: Packages' 'Origin: Debian' | sort -u
}

# Who builds a package: DEBFULLNAME and DEBEMAIL, as for Debian's own tools, or else git's
# user.name and user.email. Prints "Name <address>"; fails when either is missing.
kelo_maintainer() {
    local name=${DEBFULLNAME:-$(git config user.name || true)}
    local email=${DEBEMAIL:-${EMAIL:-$(git config user.email || true)}}
    [ -n "$name" ] && [ -n "$email" ] && echo "$name <$email>"
}

# A check run by someone without a packager's identity builds packages for itself alone, under a
# name that says so.
kelo_check_maintainer() {
    kelo_maintainer >/dev/null \
        || export DEBFULLNAME="Kelo Kelo package check" DEBEMAIL="package-check@kelokelo.test"
}

# The version of the game, set once in project() in CMakeLists.txt.
kelo_version() {
    sed -n '/^project(KeloKelo/,/)/s/^ *VERSION \([0-9.]*\)$/\1/p' CMakeLists.txt
}

# Runs lintian on the packages or .changes files given, printing what it says: it fails on any
# error or warning but one. The game has no homepage, and an invented one would be worse than
# none; Debian 13's AppStream warns about the missing one, and its lintian then reports the
# metainfo as failing validation. That tag alone is left to the metainfo's own validation in
# scripts/check-package, which lets the missing homepage through and nothing else.
kelo_lintian() {
    local out others status=0 skip='^W: kelokelo: appstream-metadata-validation-failed '
    out=$(lintian --fail-on error,warning "$@" 2>&1) || status=$?
    [ -z "$out" ] || printf '  %s\n' "${out//$'\n'/$'\n'  }"
    others=$(grep -E '^[EW]: ' <<<"$out" | grep -vE "$skip" || true)
    [ -z "$others" ] && { [ $status -eq 0 ] || grep -qE "$skip" <<<"$out"; }
}

# Ends a process: asks first, and forces it when it has not gone after five seconds.
kelo_stop_process() {
    local pid=$1
    [ -n "$pid" ] || return 0
    kill "$pid" 2>/dev/null || return 0
    for _ in $(seq 50); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    kill -9 "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
}

# Starts Xvfb with one screen of the given size (WIDTHxHEIGHTxDEPTH), logging to DIR/xvfb.log,
# and exports DISPLAY once it accepts clients. The server's PID is left in KELO_XVFB_PID.
kelo_start_xvfb() {
    local dir=$1 screen=$2
    # Xvfb picks a free display itself and writes its number to the descriptor once it accepts
    # clients, so that runs side by side each get their own. Without -noreset it would reset
    # whenever its last client disconnects, refusing new ones meanwhile.
    Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp -noreset \
        3>"$dir/display" >"$dir/xvfb.log" 2>&1 &
    KELO_XVFB_PID=$!
    local deadline=$((SECONDS + 30))
    until grep -q . "$dir/display" 2>/dev/null; do
        if ! kill -0 "$KELO_XVFB_PID" 2>/dev/null || [ $SECONDS -ge $deadline ]; then
            echo "Xvfb did not start:" >&2
            cat "$dir/xvfb.log" >&2
            return 1
        fi
        sleep 0.1
    done
    DISPLAY=":$(head -n1 "$dir/display" | tr -d '[:space:]')"
    export DISPLAY
}
