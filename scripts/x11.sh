# Helpers for the scripts that run the game in an X server of their own. Sourced.

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
