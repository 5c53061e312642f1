#!/usr/bin/env bash
# Start-up time of Kestrin.exe under Wine: from starting the program to its visible main window,
# with 0 and 1,000 accounts in config.dat. Prints `startup_wine_0: N ms` and
# `startup_wine_1000: N ms` (the median of five starts each, after one warm-up start).
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

prepare() {  # folder, account count
    mkdir -p "$1"
    cp "$win/Kestrin.exe" "$1/"
    "$db" template "$1/config.dat"
    local i
    for ((i = 1; i <= $2; i++)); do
        "$db" exec "$1/config.dat" \
            "insert into zk_auto_qqlist(A_Name,A_QQ,A_activ,A_stat,A_last,A_pass) values('$((100000 + i))','$((100000 + i))',1,1,'','kAFQmDzST7DWlj99KOF/cg')" >/dev/null
    done
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

for count in 0 1000; do
    prepare "$work/$count" "$count"
    echo "startup_wine_$count: $(measure "$work/$count") ms"
done
