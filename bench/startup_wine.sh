#!/usr/bin/env bash
# Start-up time of Kestrin.exe under Wine: from starting the program to its visible main window,
# with 0, 1,000, 10,000 and 100,000 accounts in config.dat. Prints `startup_wine_0: N ms` ...
# `startup_wine_100000: N ms` (the median of five starts each, after one warm-up start).
#   bench/startup_wine.sh [BUILD]      (default: build/win64 and build/native)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$root/scripts/env.sh"
source "$root/scripts/xvfb.sh"
win="${1:-$KESTRIN_BUILD/win64}"
db="$KESTRIN_BUILD/native/kestrin-db"
helper="$win/kestrin_e2e_helper.exe"
export KESTRIN_SITE_URL=http://127.0.0.1:1   # the check at start must not leave the machine

work="$(mktemp -d)"
trap 'wineserver -k 2>/dev/null || true; StopXvfb; rm -rf "$work"' EXIT
StartXvfb
wineserver -p 2>/dev/null || true

prepare() {  # folder, account count: every account in one batch (one commit)
    mkdir -p "$1"
    cp "$win/Kestrin.exe" "$1/"
    "$db" template "$1/config.dat"
    seq 1 "$2" | awk '{ n = 100000 + $1; printf "insert into zk_auto_qqlist(A_Name,A_QQ,A_activ,A_stat,A_last,A_pass) values(\x27%d\x27,\x27%d\x27,1,%d,\x272026-12-07 9:07:03\x27,\x27kAFQmDzST7DWlj99KOF/cg\x27)\n", n, n, n % 2 }' >"$1/accounts.sql"
    "$db" batch "$1/config.dat" "$1/accounts.sql" >/dev/null
}

closeKestrin() {  # and wait until it has ended: a copy still running would make the next start refuse
    wine "$helper" close-window "Kestrin V1.4" >/dev/null || true
    wine "$helper" wait-gone "Kestrin V1.4" 30 >/dev/null || true
    while pgrep -f "$(basename "$work").*Kestrin.exe" >/dev/null; do sleep 0.2; done
}

measure() {  # folder: prints the median of five starts
    local times=() t
    wine "$helper" time-window "$(winepath -w "$1/Kestrin.exe")" "Kestrin V1.4" 60 >/dev/null || true
    closeKestrin
    for _ in 1 2 3 4 5; do
        # Through a file, not a pipe: Kestrin inherits the helper's output and would hold a pipe open.
        wine "$helper" time-window "$(winepath -w "$1/Kestrin.exe")" "Kestrin V1.4" 60 >"$work/time.txt" || { echo "Kestrin did not show its window" >&2; exit 1; }
        times+=("$(tr -d '\r' <"$work/time.txt")")
        closeKestrin
    done
    printf '%s\n' "${times[@]}" | sort -n | sed -n 3p
}

for count in ${KESTRIN_STARTUP_COUNTS:-0 1000 10000 100000}; do
    prepare "$work/$count" "$count"
    echo "startup_wine_$count: $(measure "$work/$count") ms"
done
