#!/usr/bin/env bash
# Start-up of the Windows programs under Wine: the game and an empty QGraphicsView program,
# both built for Windows with the benchmarks on, started alternately in one Xvfb through Wine's
# own display driver. Each reports the time from its process's creation to its first painted
# frame; the medians and their ratio are printed.
#
#   wine-startup.sh BUILD_DIR SOURCE_DIR [ROUNDS]
set -euo pipefail
build=$(readlink -f "$1")
source_dir=$(readlink -f "$2")
rounds=${3:-20}
run="$build/wine-run.sh"

first_frame() {
    (cd "$source_dir" && QT_QPA_PLATFORM=windows sh "$run" "$1" 2>/dev/null) \
        | sed -n 's/^first-frame-ms //p' | tr -d '\r'
}
median() {
    sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# The first start of a Wine prefix sets it up; that is not the game's start-up.
first_frame "$build/bench/kelo_emptyview.exe" >/dev/null
: >"$build/startup-game" && : >"$build/startup-empty"
for _ in $(seq "$rounds"); do
    first_frame "$build/bench/kelo_firstframe.exe" >>"$build/startup-game"
    first_frame "$build/bench/kelo_emptyview.exe" >>"$build/startup-empty"
done
game=$(median <"$build/startup-game")
empty=$(median <"$build/startup-empty")
awk -v g="$game" -v e="$empty" -v n="$rounds" 'BEGIN {
    printf "game %.1f ms, empty QGraphicsView %.1f ms, ratio %.2f (medians of %d starts)\n", g, e, g / e, n
}'
