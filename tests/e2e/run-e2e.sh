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
# shellcheck source=scripts/lib.sh
. "$here/../../scripts/lib.sh"

for tool in Xvfb xdotool xprop import python3; do
    if ! command -v "$tool" >/dev/null; then
        echo "missing $tool: install xvfb xdotool x11-utils imagemagick python3" >&2
        exit 1
    fi
done

work=$(mktemp -d)
KELO_XVFB_PID=
game_pid=
cleanup() {
    kelo_stop_process "$game_pid"
    kelo_stop_process "$KELO_XVFB_PID"
    rm -rf "$work"
}
trap cleanup EXIT

# Tests may run in parallel, each with its own server.
kelo_start_xvfb "$work" 1024x1024x24
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
