#!/usr/bin/env bash
# Runs the real game in its own Xvfb server and drives it from outside the process.
#
#   run-e2e.sh KELOKELO SOURCE_DIR SCENARIO [ARGS...]
#
# SCENARIO is "window" (the window, its pixels and the keys) or "storm" (thousands of random
# keys at full speed). The game runs with SOURCE_DIR as its working directory so that its
# ./images are found. Every process started here is ended here.
set -euo pipefail

if [ $# -lt 3 ]; then
    echo "usage: $0 KELOKELO SOURCE_DIR SCENARIO [ARGS...]" >&2
    exit 2
fi
game=$(readlink -f "$1")
source_dir=$(readlink -f "$2")
scenario=$3
shift 3
here=$(cd "$(dirname "$0")" && pwd)

for tool in Xvfb xdotool xprop import python3; do
    if ! command -v "$tool" >/dev/null; then
        echo "missing $tool: install xvfb xdotool x11-utils imagemagick python3" >&2
        exit 1
    fi
done

work=$(mktemp -d)
xvfb_pid=
game_pid=
cleanup() {
    if [ -n "$game_pid" ]; then
        kill "$game_pid" 2>/dev/null || true
        wait "$game_pid" 2>/dev/null || true
    fi
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

# Xvfb picks a free display itself and writes its number to the file: tests may run in
# parallel, each with its own server.
Xvfb -displayfd 3 -screen 0 1024x1024x24 -nolisten tcp -noreset \
    3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
deadline=$((SECONDS + 30))
until [ -s "$work/display" ] && grep -q . "$work/display"; do
    if ! kill -0 "$xvfb_pid" 2>/dev/null || [ $SECONDS -ge $deadline ]; then
        echo "Xvfb did not start:" >&2
        cat "$work/xvfb.log" >&2
        exit 1
    fi
    sleep 0.1
done
export DISPLAY=":$(head -n1 "$work/display" | tr -d '[:space:]')"
echo "Xvfb on $DISPLAY"

mkdir -m 700 "$work/runtime"
(
    cd "$source_dir"
    # Chain resolution writes a line per step: far too much to keep during a storm.
    exec env QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$work/runtime" "$game" \
        >"$work/stdout" 2>"$work/stderr"
) &
game_pid=$!

status=0
python3 "$here/kelo_e2e.py" "$scenario" --pid "$game_pid" --stderr "$work/stderr" "$@" \
    || status=$?
if [ $status -ne 0 ]; then
    echo "--- game stderr" >&2
    tail -n 50 "$work/stderr" >&2 || true
fi
exit $status
