#!/usr/bin/env bash
# End-to-end: Kestrin.exe itself under Wine in a temporary folder, as a user starts it.
#   kestrin_e2e.sh KESTRIN_EXE HELPER_EXE
# Checks: the first start writes a 131072-byte config.dat and shows "Kestrin V1.4"; a second start
# says "Kestrin已经在运行中" and leaves config.dat untouched; leftover "update.exe" and
# "更新程序.exe" are deleted at start and at close; a damaged config.dat gives the damaged-config
# message and the program ends without touching the file. Needs a display (starts Xvfb if none).
set -euo pipefail
kestrin="$1"
helperExe="$2"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
source "$(dirname "${BASH_SOURCE[0]}")/e2e_lib.sh"
# The automatic update check at start asks a port where nothing listens: no request leaves the machine.
export KESTRIN_SITE_URL=http://127.0.0.1:1

cp "$kestrin" "$work/Kestrin.exe"

sumOf() { md5sum "$1" | cut -d' ' -f1; }
absent() { [ ! -e "$1" ]; }

# First start in an empty folder.
startKestrin
first=$lastPid
check "first start shows the main window" helper wait-window "Kestrin V1.4" 60
check "first start writes config.dat of 131072 bytes" test "$(stat -c %s "$work/config.dat" 2>/dev/null)" = 131072
before="$(sumOf "$work/config.dat")"

# Second start while the first runs.
startKestrin
second=$lastPid
answer="$(helper message-box 60 || true)"
check "second start says Kestrin已经在运行中 with an empty title" test "$answer" = $'\nKestrin已经在运行中'
check "second start ends after the message" waitEnd "$second"
check "second start leaves config.dat untouched" test "$(sumOf "$work/config.dat")" = "$before"
check "the first copy still runs" kill -0 "$first"

# Leftover update files are deleted at close...
printf 'MZ' >"$work/update.exe"
printf 'MZ' >"$work/更新程序.exe"
check "closing the main window works" helper close-window "Kestrin V1.4"
check "the program ends when its window closes" waitEnd "$first"
check "update.exe deleted at close" absent "$work/update.exe"
check "更新程序.exe deleted at close" absent "$work/更新程序.exe"

# ...and at start.
printf 'MZ' >"$work/update.exe"
printf 'MZ' >"$work/更新程序.exe"
startKestrin
third=$lastPid
check "a start with an existing config.dat shows the main window" helper wait-window "Kestrin V1.4" 60
check "update.exe deleted at start" absent "$work/update.exe"
check "更新程序.exe deleted at start" absent "$work/更新程序.exe"
helper close-window "Kestrin V1.4" || true
waitEnd "$third" || true

# A damaged config.dat.
printf 'this is not a database' >"$work/config.dat"
damaged="$(sumOf "$work/config.dat")"
startKestrin
fourth=$lastPid
answer="$(helper message-box 60 || true)"
check "a damaged config.dat gives the damaged-config message" \
    test "$answer" = $'提示\n配置文件损坏或不可用\r删除config.dat后重新运行程序 '
check "the program ends after the damaged-config message" waitEnd "$fourth"
check "the damaged config.dat is left untouched" test "$(sumOf "$work/config.dat")" = "$damaged"
check "no main window appeared for the damaged file" helper no-window "Kestrin V1.4" 1

finish
