# Starts a private Xvfb display when none is set; sourced. StopXvfb ends it (call it from a trap).
KESTRIN_XVFB_PID=""
StartXvfb() {
    if [ -n "${DISPLAY:-}" ]; then return 0; fi
    local n
    for n in $(seq 90 130); do
        [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
        Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
        KESTRIN_XVFB_PID=$!
        export DISPLAY=":$n"
        for _ in $(seq 50); do
            xdpyinfo >/dev/null 2>&1 && return 0
            sleep 0.1
        done
        kill "$KESTRIN_XVFB_PID" 2>/dev/null || true
        KESTRIN_XVFB_PID=""
        unset DISPLAY
    done
    echo "could not start Xvfb" >&2
    return 1
}
StopXvfb() {
    if [ -n "$KESTRIN_XVFB_PID" ]; then
        kill "$KESTRIN_XVFB_PID" 2>/dev/null || true
        wait "$KESTRIN_XVFB_PID" 2>/dev/null || true
        KESTRIN_XVFB_PID=""
    fi
}
