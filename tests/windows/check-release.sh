#!/usr/bin/env bash
# Plays the Windows release under Wine as a player would: the zip unpacked into a new folder
# and kelokelo.exe started there, in an Xvfb of its own through Wine's X11 driver (so the game
# runs on Qt's windows platform plugin), driven from outside with xdotool and checked on
# screenshots by the same checks as the Linux window.
#
#   check-release.sh ZIP
#
# Checks the window, its minimum size, pixels and keys; the chain search on standard output;
# closing the window ending the game with status 0; and the built-in art, with one warning per
# file, when images/ is missing or its files cannot be used.
set -euo pipefail
if [ $# -ne 1 ]; then
    echo "usage: $0 ZIP" >&2
    exit 2
fi
zip=$(readlink -f "$1")
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../scripts/lib.sh"
e2e=$here/../e2e/kelo_e2e.py

work=$(mktemp -d "${TMPDIR:-/tmp}/kelo-wine.XXXXXX")
KELO_XVFB_PID=
game_pid=
cleanup() {
    kelo_stop_process "$game_pid"
    wineserver -k 2>/dev/null || true
    kelo_stop_process "$KELO_XVFB_PID"
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

pass() { echo "PASS: $*"; }
fail() {
    echo "FAIL: $*"
    for file in "$work"/*/stderr; do
        [ -s "$file" ] && { echo "--- $file"; tail -n 20 "$file"; }
    done
    exit 1
}

export WINEPREFIX=$work/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
kelo_start_xvfb "$work" 1024x1024x24
wine wineboot --init >"$work/wineboot.log" 2>&1 || { cat "$work/wineboot.log"; fail "wineboot"; }

# Unpacks the zip into a new folder named after the case and starts the game there.
start_game() {
    local dir=$work/$1
    mkdir "$dir"
    unzip -q "$zip" -d "$dir"
    local folder=("$dir"/kelokelo-*-windows-x86_64)
    game_dir=${folder[0]}
    [ -x "$game_dir/kelokelo.exe" ] || [ -f "$game_dir/kelokelo.exe" ] || fail "no kelokelo.exe in the zip"
    out=$dir/stdout err=$dir/stderr
    (cd "$game_dir" && exec wine ./kelokelo.exe >"$out" 2>"$err") &
    game_pid=$!
}

# Counts the game's warnings about image files it could not use.
image_warnings() {
    grep -c 'cannot load ./images/kelo_.*using the built-in image' "$err" || true
}

echo "== The folder"
mkdir "$work/list"
unzip -q "$zip" -d "$work/list"
folder=$(cd "$work/list" && echo kelokelo-*-windows-x86_64)
(cd "$work/list/$folder" && find . -type f | sed 's|^\./||' | LC_ALL=C sort) >"$work/files"
for file in kelokelo.exe Qt6Core.dll Qt6Gui.dll Qt6Widgets.dll platforms/qwindows.dll \
    libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll LICENSE README.txt \
    images/kelo_blue.png images/kelo_green.png images/kelo_red.png images/kelo_yellow.png \
    licenses/Qt-SOURCE.txt licenses/Qt/LGPL-3.0-only.txt licenses/Qt/GPL-3.0-only.txt; do
    grep -qxF "$file" "$work/files" || fail "the zip lacks $folder/$file"
done
exe=$work/list/$folder/kelokelo.exe
x86_64-w64-mingw32-objdump -p "$exe" >"$work/exe-headers"
grep -q '^Subsystem.*(Windows CUI)' "$work/exe-headers" || fail "kelokelo.exe is not a console program"
strings -el "$exe" >"$work/exe-strings"
for text in IDI_ICON1 "Kelo Kelo, a falling-blob puzzle game" ProductVersion; do
    grep -qF "$text" "$work/exe-strings" || fail "kelokelo.exe's resources lack \"$text\""
done
grep -q 'qt6-base' "$work/list/$folder/licenses/Qt-SOURCE.txt" \
    || fail "Qt-SOURCE.txt does not name the Qt source"
pass "$folder holds the game, a console program with its icon and version, Qt, the runtime, images and licences"

echo "== The window, its pixels and the keys"
# Wine names every DLL it loads: the DLLs shipped must be the ones the game loads.
WINEDEBUG=-all,+loaddll start_game play
x86_64-w64-mingw32-gcc -municode -O2 -o "$work/minsize.exe" "$here/minsize.c"
python3 "$e2e" window --pid "$game_pid" --stderr "$err" --min-size-probe "$work/minsize.exe" \
    || fail "the window under Wine"
pass "window \"Kelo Kelo by Quorvin\" with its minimum size; well, shadow, blobs and keys"
[ "$(image_warnings)" -eq 0 ] || fail "warnings about images/, which the zip holds"
lines=$(grep -c '^Total number of blue components: ' "$out" || true)
[ "$lines" -gt 0 ] || fail "no chain-search lines on standard output"
pass "the chain search on standard output ($(wc -l <"$out") lines)"
for dll in $(grep -i '\.dll$' "$work/files"); do
    loaded=$(grep 'Loaded L"' "$err" | grep ': native' | grep -ciF "\\$(basename "$dll")\"" || true)
    [ "$loaded" -gt 0 ] || fail "the game never loaded the shipped $dll"
done
pass "every DLL shipped is loaded by the game"

echo "== Closing the window"
python3 "$e2e" close --pid "$game_pid" --stderr "$err" || fail "closing the window"
status=0
wait "$game_pid" || status=$?
game_pid=
[ "$status" -eq 0 ] || fail "the game ended with status $status when its window was closed"
pass "closing the window ends the game with status 0"

echo "== No images/ folder: the built-in art"
start_game noimages
rm -r "$game_dir/images"
python3 "$e2e" screenshot --pid "$game_pid" --stderr "$err" --output "$work/noimages.png" \
    || fail "the built-in art without images/"
[ "$(image_warnings)" -eq 4 ] || fail "$(image_warnings) warnings about the four missing images"
for colour in blue green red yellow; do
    grep -q "cannot load ./images/kelo_$colour.png" "$err" || fail "no warning for kelo_$colour.png"
done
kelo_stop_process "$game_pid"
game_pid=
pass "without images/ the game draws its own blobs, one warning per file"

echo "== Unusable image files: the built-in art"
start_game badimages
printf 'not a picture' >"$game_dir/images/kelo_red.png"
: >"$game_dir/images/kelo_blue.png"
python3 "$e2e" screenshot --pid "$game_pid" --stderr "$err" --output "$work/badimages.png" \
    || fail "the built-in art for unusable files"
[ "$(image_warnings)" -eq 2 ] || fail "$(image_warnings) warnings about two unusable images"
grep -q 'cannot load ./images/kelo_red.png' "$err" || fail "no warning for kelo_red.png"
grep -q 'cannot load ./images/kelo_blue.png' "$err" || fail "no warning for kelo_blue.png"
pass "unusable files give way to the built-in art, one warning each"
echo "PASS: the Windows release under Wine"
