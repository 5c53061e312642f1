#!/usr/bin/env bash
# End-to-end: an update from Kestrin's offer through update.exe to the new program, against a local
# site (tests/http_test_server.py serving a folder as /tools/kestrin/).
#   update_e2e.sh KESTRIN_EXE HELPER_EXE MARKER_EXE KESTRIN_DB
# The site's files are signed with the test key by KESTRIN_DB (a native kestrin-db). MARKER_EXE stands in for the downloaded "更新程序.exe" (and for Kestrin.exe when the updater is
# cancelled): it writes its command line to "<its path>.started". Checks: the automatic check offers
# V1.5 with the title "Kestrin V1.4" and declining changes nothing; the menu's check offers it again
# and accepting writes update.exe, starts it and ends Kestrin; the updater downloads 更新程序.exe
# complete, enables OK with "确定", a second updater ends silently, OK starts 更新程序.exe and ends;
# Kestrin's next start deletes update.exe and 更新程序.exe; a program that does not match its
# signature is refused, deleted and never started, and Cancel then starts Kestrin.exe. Needs a
# display (starts Xvfb if none).
set -euo pipefail
kestrin="$1"
helperExe="$2"
marker="$3"
export KESTRIN_DB="$4"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
source "$(dirname "${BASH_SOURCE[0]}")/e2e_lib.sh"

site="$work/site"
app="$work/app"
other="$work/other"
mkdir -p "$site" "$app" "$other"

printf 'V1.5\r\nnotes of V1.5\r\n' >"$site/Kestrin.txt" && signForSite "$site/Kestrin.txt"
cp "$marker" "$site/更新程序.exe" && signForSite "$site/更新程序.exe"
startLocalSite "$site"
cp "$kestrin" "$app/Kestrin.exe"
versionFile="$WINEPREFIX/drive_c/windows/temp/Kestrin.txt"

waitFile() {  # path: waits up to 30 seconds for it to exist
    for _ in $(seq 300); do [ -e "$1" ] && return 0; sleep 0.1; done
    return 1
}
waitEnabled() {  # title id: waits up to 30 seconds for the control to be enabled
    for _ in $(seq 60); do [ "$(helper enabled "$1" "$2" 2>/dev/null | tr -d '\r')" = 1 ] && return 0; sleep 0.5; done
    return 1
}
absent() { [ ! -e "$1" ]; }
noMessageBox() { ! helper message-box "$1" >/dev/null; }
same() { cmp -s "$1" "$2"; }
offer=$'Kestrin V1.4\n发现新版本，是否立即更新'

# The automatic check at start offers the new version; declining changes nothing.
startIn "$app" Kestrin.exe
kestrinPid=$lastPid
answer="$(helper message-box 60 cancel || true)"
check "the automatic check offers V1.5 with the title Kestrin V1.4" test "$answer" = "$offer"
check "the version file was stored in c:\\windows\\temp" same "$versionFile" "$site/Kestrin.txt"
check "declining leaves Kestrin running" helper wait-window "Kestrin V1.4" 30
check "declining writes no update.exe" absent "$app/update.exe"

# The menu's check (MMup) offers it again; accepting hands over to update.exe.
helper command "Kestrin V1.4" 319
answer="$(helper message-box 60 || true)"
check "the menu's check offers V1.5 again" test "$answer" = "$offer"
check "accepting ends Kestrin" waitEnd "$kestrinPid"
check "the updater's window opens" helper wait-window "版本更新" 60
check "update.exe was written beside Kestrin" test -s "$app/update.exe"
cp "$app/update.exe" "$app/update.txt" "$app/update.txt.sig" "$other/" 2>/dev/null || true
check "the updater was handed the version file Kestrin checked" same "$app/update.txt" "$site/Kestrin.txt"

check "OK is enabled once the download is complete" waitEnabled "版本更新" 701
check "OK reads 确定 again" test "$(helper get-text "版本更新" 701 | tr -d '\r')" = "确定"
check "更新程序.exe is the complete file the site serves" same "$app/更新程序.exe" "$site/更新程序.exe"

# A second updater ends at once, silently.
startIn "$app" update.exe
check "a second updater ends silently" waitEnd "$lastPid"

# OK starts the downloaded program and ends the updater.
helper click "版本更新" 701
check "OK closes the updater" helper wait-gone "版本更新" 30
check "OK starts 更新程序.exe" waitFile "$app/更新程序.exe.started"
check "更新程序.exe is started by its quoted path" \
    grep -q "更新程序.exe\"" <(iconv -f UTF-16LE -t UTF-8 "$app/更新程序.exe.started" 2>/dev/null)

# Kestrin's next start (the site now serving the same version) deletes the updater's files.
printf 'V1.4\r\n' >"$site/Kestrin.txt" && signForSite "$site/Kestrin.txt"
startIn "$app" Kestrin.exe
kestrinPid=$lastPid
check "Kestrin starts again" helper wait-window "Kestrin V1.4" 60
check "update.exe deleted at the next start" absent "$app/update.exe"
check "更新程序.exe deleted at the next start" absent "$app/更新程序.exe"
check "the handed version file deleted at the next start" absent "$app/update.txt"
check "the same version is not offered at start" noMessageBox 6
helper close-window "Kestrin V1.4" || true
waitEnd "$kestrinPid" || true

# A program changed after it was signed is refused: deleted, never started; Cancel starts Kestrin.exe
# from the updater's folder.
if [ -s "$other/update.exe" ]; then
    printf 'tampered' >>"$site/更新程序.exe"
    cp "$marker" "$other/Kestrin.exe"
    startIn "$other" update.exe
    updaterPid=$lastPid
    check "the copied updater opens" helper wait-window "版本更新" 60
    refused() { helper list-lines "版本更新" 703 | tr -d '\r' | grep -qx "> 更新已取消，下载的文件已删除"; }
    for _ in $(seq 60); do refused && break; sleep 0.5; done
    check "the tampered program is refused with its line" \
        grep -qx "> 错误 - 更新包与签名不符" <(helper list-lines "版本更新" 703 | tr -d '\r')
    check "the refused download is deleted" absent "$other/更新程序.exe"
    check "OK stays disabled" test "$(helper enabled "版本更新" 701 | tr -d '\r')" = 0
    helper click "版本更新" 701 || true
    check "OK starts nothing" absent "$other/更新程序.exe.started"
    helper click "版本更新" 702
    check "Cancel ends the updater" waitEnd "$updaterPid"
    check "Cancel starts Kestrin.exe" waitFile "$other/Kestrin.exe.started"
else
    check "a copy of update.exe was kept for the Cancel case" false
fi

finish
