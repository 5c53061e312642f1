#!/usr/bin/env bash
# End-to-end: logging accounts in with Kestrin.exe itself under Wine and the stub QQ client.
#   login_e2e.sh KESTRIN_EXE HELPER_EXE QQ_STUB_EXE [KESTRIN_DB]
# KESTRIN_DB is a kestrin-db that runs here (default: build/native/kestrin-db). Kestrin lives in a
# folder whose path has blanks, the stub as "QQ.exe" in a subfolder with blanks, and config.dat holds
# three accounts (the first and third ticked) and the stub's path. Checks: a click on "登录" starts
# the stub once per ticked account with the exact command line, in list order; the window is
# minimised; config.dat stores the ticks and the login times; with the exit-after-login option on,
# a click logs in and ends Kestrin.
set -euo pipefail
kestrin="$1"
helperExe="$2"
stub="$3"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
kestrinDb="${4:-$root/build/native/kestrin-db}"
source "$(dirname "${BASH_SOURCE[0]}")/e2e_lib.sh"
# The update check at start asks a port where nothing listens: nothing leaves the machine.
export KESTRIN_SITE_URL=http://127.0.0.1:1

app="$work/Kestrin demo folder"
kestrinFolder="$app"
mkdir -p "$app/QQ client dir"
cp "$kestrin" "$app/Kestrin.exe"
cp "$stub" "$app/QQ client dir/QQ.exe"
log="$app/QQ client dir/qq_stub.log"

main="Kestrin V1.4"
cmdLogin=201
hash="kAFQmDzST7DWlj99KOF/cg"  # the hash of "abc"
qqPath="$(winepath -w "$app/QQ client dir/QQ.exe" 2>/dev/null)"

db() { "$kestrinDb" exec "$app/config.dat" "$1" >/dev/null; }
"$kestrinDb" template "$app/config.dat"
insert() {  # alias number active status
    db "insert into zk_auto_qqlist(A_Name,A_QQ,A_activ,A_stat,A_last,A_pass) values('$1','$2',$3,$4,'2026-01-01 8:00:00','$hash')"
}
insert "小明" 10001 1 1
insert "工作号" 10002 0 1
insert "Alice" 20003 1 0
db "update zk_auto_sys set S_QQpath='$qqPath'"

waitLines() {  # count: waits up to 30 seconds for the stub's log to hold that many lines
    for _ in $(seq 300); do
        [ -f "$log" ] && [ "$(wc -l <"$log")" -ge "$1" ] && return 0
        sleep 0.1
    done
    return 1
}
expectedLine() {  # number status-code
    printf '%s /START QQUIN:%s PWDHASH:%s== /STAT:%s\n' "$qqPath" "$1" "$hash" "$2"
}
stored() { "$kestrinDb" exec "$app/config.dat" "select A_Name,A_activ from zk_auto_qqlist" | tail -n +2 | tr '\t\n' '=;'; }
lastLoginsStamped() {  # every ticked account's A_last moved off the value it was inserted with
    [ "$("$kestrinDb" exec "$app/config.dat" "select A_Name from zk_auto_qqlist where A_last='2026-01-01 8:00:00'" |
        tail -n +2)" = "工作号" ]
}

# A click on 登录 with two of three accounts ticked.
startKestrin
first=$lastPid
check "Kestrin shows its main window" helper wait-window "$main" 60
check "the login button is enabled" test "$(helper enabled "$main" $cmdLogin)" = 1
helper click "$main" $cmdLogin
check "two clients started" waitLines 2
# The clients run side by side, so their lines come in any order; the order of the starts is the
# login run's own tests' to check.
check "the command lines are exact, one per ticked account" \
    test "$(sort "$log")" = "$(expectedLine 10001 41; expectedLine 20003 40)"
sleep 1
check "only the two ticked accounts started" test "$(wc -l <"$log")" = 2
check "the main window is minimised" test "$(helper window-state "$main")" = minimized
check "the list shows the new login times" \
    test "$(helper list-rows "$main" | cut -f2 | grep -vc '2026-01-01 8:00:00')" = 2
helper restore-window "$main" || true
helper close-window "$main" || true
check "Kestrin ends when its window closes" waitEnd "$first"
check "config.dat stores the ticks" test "$(stored)" = "小明=1;工作号=0;Alice=1;"
check "config.dat stores the login times of the started accounts only" lastLoginsStamped

# With the exit-after-login option on, a login run ends Kestrin.
db "update zk_auto_sys set S_AQ='1'"
startKestrin
second=$lastPid
check "Kestrin shows its main window again" helper wait-window "$main" 60
helper click "$main" $cmdLogin
check "two more clients started" waitLines 4
check "Kestrin ends after the login run" waitEnd "$second"

finish
