# Qt for Windows and for the browser, built on this machine from the Qt source that Debian's
# archive carries for the host's own Qt, and kept in a cache. Sourced by the scripts that build
# the game for those platforms.

KELO_CACHE=${KELO_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/kelokelo}
# The host's Qt tools (moc, rcc, uic) do the work of Qt's own tools in every cross build.
KELO_HOST_QT_CMAKE_DIR=/usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH 2>/dev/null || echo x86_64-linux-gnu)/cmake

# The version of the Qt source package that the host's Qt was built from.
kelo_qt_source_version() {
    dpkg-query -W -f='${source:Version}' qt6-base-dev
}

# Prints the Debian archive's deb-src lines for the suites this machine installs Debian's
# packages from; sources of other origins are left out.
kelo_debian_source_lines() {
    kelo_debian_archives \
        | awk '{ print "deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg]", $1, $2, $3 }'
}

# Fetches the source of the host's Qt from Debian's archive once, checked by apt against the
# archive's signed index, and prints the path of its unpacked upstream tree. apt works in a
# folder of its own, so the machine's apt configuration is left as it is.
kelo_qt_source() {
    local version dir
    version=$(kelo_qt_source_version)
    dir=$KELO_CACHE/qt-source/$version
    if [ ! -f "$dir/unpacked" ]; then
        rm -rf "$dir"
        mkdir -p "$dir/apt/lists/partial" "$dir/apt/cache/archives/partial"
        kelo_debian_source_lines >"$dir/apt/sources.list"
        local apt=(apt-get -qq -o "Dir::Etc::SourceList=$dir/apt/sources.list"
            -o Dir::Etc::SourceParts=/dev/null -o "Dir::State::Lists=$dir/apt/lists"
            -o "Dir::Cache=$dir/apt/cache" -o APT::Sandbox::User="$(id -un)"
            -o Debug::NoLocking=1)
        echo "Fetching the source of qt6-base $version from Debian's archive" >&2
        "${apt[@]}" update >&2
        (cd "$dir" && "${apt[@]}" source --download-only "qt6-base=$version" >&2)
        local orig=("$dir"/qt6-base_*.orig.tar.*)
        mkdir "$dir/tree"
        tar -xf "${orig[0]}" -C "$dir/tree" --strip-components=1
        rm -rf "$dir/apt"
        touch "$dir/unpacked"
    fi
    echo "$dir/tree"
}

# The folder a Qt build is kept in: named after the platform, the Qt version and a digest of
# everything given after the platform (the configure options, the compiler's version, the
# toolchain), so that a change to any of them builds it again. Paths into the game's source
# tree count from its top, so that every clone shares the build.
kelo_qt_prefix() {
    local platform=$1 version
    shift
    version=$(kelo_qt_source_version)
    local digest
    digest=$(printf '%s\n' "$version" "${@//$PWD\//}" | sha256sum | cut -c1-12)
    echo "$KELO_CACHE/qt-$platform-${version%%+*}-$digest"
}

# Configures and builds Qt for a platform into PREFIX, unless a finished build is there, and
# removes the builds of earlier inputs. The arguments after PREFIX go to Qt's configure.
kelo_build_qt() {
    local prefix=$1
    shift
    [ -f "$prefix/kelo-built" ] && return 0
    local src build start=$SECONDS
    src=$(kelo_qt_source)
    build=$prefix.build
    rm -rf "$prefix" "$build"
    mkdir -p "$build"
    echo "Building Qt into $prefix (about half an hour on two cores, once)" >&2
    (cd "$build" && "$src/configure" -prefix "$prefix" "$@") >"$build/configure.log" 2>&1 \
        || { tail -n 60 "$build/configure.log" >&2; return 1; }
    cmake --build "$build" --parallel "$(nproc)" >"$build/build.log" 2>&1 \
        || { grep -B2 -A20 -m3 'error' "$build/build.log" | head -n 80 >&2; return 1; }
    cmake --install "$build" --strip >"$build/install.log" 2>&1 \
        || { tail -n 30 "$build/install.log" >&2; return 1; }
    kelo_qt_notes "$prefix" "$@"
    echo "$((SECONDS - start))" >"$prefix/kelo-build-seconds"
    touch "$prefix/kelo-built"
    rm -rf "$build"
    local old
    for old in "${prefix%-*}"-*; do
        [ "$old" = "$prefix" ] || rm -rf "$old"
    done
    echo "Qt built in $((SECONDS - start)) s" >&2
}

# Puts beside a Qt build the licence texts of its source and a note naming that source and
# how it was configured, for the releases that ship Qt's libraries. The arguments after PREFIX
# are the ones Qt's configure was given.
kelo_qt_notes() {
    local prefix=$1 src version
    shift
    src=$(kelo_qt_source)
    version=$(kelo_qt_source_version)
    rm -rf "$prefix/licenses"
    cp -r "$src/LICENSES" "$prefix/licenses"
    local dsc=("${src%/tree}"/*.dsc)
    {
        echo "The Qt libraries in this folder were built from the upstream tarball of Debian's"
        echo "source package qt6-base, version $version (Debian's own patches left out):"
        echo
        sed -n '/^Checksums-Sha256:/,/^[^ ]/{/orig/p}' "${dsc[0]}"
        echo
        echo "On a Debian system, \"apt-get source qt6-base=$version\" fetches it. Qt's configure"
        echo "was given:"
        echo
        # Paths in the game's source tree are given from its top.
        echo "   " "${@//$PWD\//}"
        echo
        echo "Qt is free software under the GNU Lesser General Public License, version 3 (in"
        echo "licenses/Qt, with the other licences that parts of Qt's source carry). The game"
        echo "links Qt dynamically: these DLLs can be replaced with another build of the same"
        echo "Qt version."
    } >"$prefix/kelo-qt-source.txt.new"
    mv "$prefix/kelo-qt-source.txt.new" "$prefix/kelo-qt-source.txt"
}

# Qt's configure for the browser looks for emscripten in an emsdk folder: the folder named by
# EMSDK, whose .emscripten file names the emscripten folder inside it. Debian's emscripten is
# spread over /usr/share/emscripten and /usr/bin, so this makes such a folder of links to it in
# the cache and prints its path. Each emscripten version gets a folder of its own: the files
# that Emscripten.cmake looks for to find itself differ between versions (emranlib.py in 3.1.6,
# emranlib in 3.1.69), and one cache may serve a Debian 12 and a Debian 13 system.
kelo_emsdk() {
    local version
    version=$(tr -dc '0-9.' </usr/share/emscripten/emscripten-version.txt)
    local emsdk=$KELO_CACHE/emsdk-$version
    if [ ! -f "$emsdk/.emscripten" ]; then
        rm -rf "$emsdk" "$emsdk.new"
        mkdir -p "$emsdk.new/emroot"
        ln -s /usr/share/emscripten/* "$emsdk.new/emroot/"
        local tool
        for tool in emcc em++; do
            [ -e "$emsdk.new/emroot/$tool" ] || ln -s "/usr/bin/$tool" "$emsdk.new/emroot/"
        done
        echo "EMSCRIPTEN_ROOT = 'emroot'" >"$emsdk.new/.emscripten"
        mv "$emsdk.new" "$emsdk"
    fi
    echo "$emsdk"
}
