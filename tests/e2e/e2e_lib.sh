# Shared by the end-to-end scripts (sourced, after `set -euo pipefail` and setting helperExe, the
# kestrin_e2e_helper program): Wine's settings, a private display, a work folder that goes at the
# end with every process the script started, and the steps every script takes.
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
source "$root/scripts/env.sh"
source "$root/scripts/xvfb.sh"

work="$(mktemp -d)"
pids=()
server=""
failures=0
e2eCleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    # Programs Kestrin started (update.exe, the new program, the stub client) run from the work folder.
    pkill -f "$(basename "$work")" 2>/dev/null || true
    [ -n "$server" ] && kill "$server" 2>/dev/null || true
    StopXvfb
    rm -rf "$work"
}
trap e2eCleanup EXIT
StartXvfb

check() {  # description, then a command that must succeed
    local what="$1"
    shift
    if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; failures=$((failures + 1)); fi
}
# Ends the script: the count of failed checks, and its exit status.
finish() {
    echo "$failures failed"
    [ "$failures" = 0 ]
}
helper() { wine "$helperExe" "$@"; }
startIn() {  # folder, program: starts it there in the background, its pid in lastPid
    (cd "$1" && exec wine "$2") >/dev/null 2>&1 &
    lastPid=$!
    pids+=("$lastPid")
}
startKestrin() { startIn "${kestrinFolder:-$work}" Kestrin.exe; }
waitEnd() {  # pid[, seconds]: waits up to 30 seconds (or as given) for it to end
    local tenths=$((${2:-30} * 10))
    for _ in $(seq "$tenths"); do kill -0 "$1" 2>/dev/null || return 0; sleep 0.1; done
    return 1
}
# Serves FOLDER as the site's /tools/kestrin/ on 127.0.0.1 and points the programs at it.
# Signs a file of the local site with the test key the programs of scripts/build trust, as
# scripts/sign-release signs a release: "<file>.sig" beside it. KESTRIN_DB: a native kestrin-db.
signForSite() {  # file
    "$KESTRIN_DB" sign "$root/tests/keys/update-test.key" "$1" >/dev/null
}
startLocalSite() {
    python3 "$root/tests/http_test_server.py" "$work/port" "$1" &
    server=$!
    for _ in $(seq 100); do [ -s "$work/port" ] && break; sleep 0.05; done
    export KESTRIN_SITE_URL="http://127.0.0.1:$(cat "$work/port")"
}
