#!/usr/bin/env bash
# A new user's day with the real Kestrin.exe and update.exe under Wine, driven only from outside
# the programs (kestrin_e2e_helper sends the messages a person's clicks and keys would):
#   first start in an empty folder; the QQ client's path set in the settings dialog; a 5-line list
#   imported; two accounts added (one with " 连续输入"), one edited, one deleted; two accounts ticked
#   and logged in (the stub client records its command lines; the window goes to the tray);
#   restored from the tray; a start-up password set; a second start asking for it; an update check
#   against a local site offering V1.5, accepted; update.exe downloading and starting the new
#   program; the next start cleaning up.
#   day_e2e.sh KESTRIN_EXE HELPER_EXE QQ_STUB_EXE KESTRIN_DB
# KESTRIN_DB is a kestrin-db that runs here (it reads config.dat between the steps).
# It stops at the first step that goes wrong, saying which, and always ends every process it started.
# With KESTRIN_SCREENSHOTS=FOLDER it saves a picture of each window there (scripts/screenshots).
# With KESTRIN_E2E_SORT_ORDER=2052 (or 1028) the day starts over an existing config.dat labelled
# with that sort order, as Access on a Chinese system leaves it, instead of an empty folder.
set -euo pipefail
kestrin="$1"
helperExe="$2"
stub="$3"
db="$4"
export KESTRIN_DB="$db"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
source "$(dirname "${BASH_SOURCE[0]}")/e2e_lib.sh"

# The ids of the controls and menu items, from the resource headers.
id() {
    local value
    value="$(grep -h "^#define $1 " "$root"/resources/*.h | awk '{print $3}')"
    [ -n "$value" ] || { echo "FAILED: no resource id $1" >&2; exit 1; }
    echo "$value"
}

app="$work/app"
qqDir="$work/QQ Client"
site="$work/site"
mkdir -p "$app" "$qqDir" "$site"
kestrinFolder="$app"

step=""
fail() {
    echo "FAILED at step \"$step\": $*"
    exit 1
}
begin() {
    step="$1"
    echo "-- $step"
}
helper() { wine "$helperExe" "$@" | tr -d '\r'; }
must() { helper "$@" >/dev/null || fail "kestrin_e2e_helper $*"; }
expectBox() {  # button, then the expected title LF text
    local shown
    shown="$(helper message-box 30 "$1")" || fail "no message box (expected: $2)"
    [ "$shown" = "$2" ] || fail "message box said \"$shown\", expected \"$2\""
}
sql() { "$db" exec "$app/config.dat" "$1" | tail -n +2; }
rows() { helper list-rows "Kestrin V1.4"; }
# True when config.dat-journal holds live changes: one of its two slots carries the log's mark.
logLive() {
    python3 -c 'import sys
b = open(sys.argv[1], "rb").read(8192) if __import__("os").path.exists(sys.argv[1]) else b""
sys.exit(0 if b[:8] == b"KRDOLOG\x04" or b[4096:4104] == b"KRDOLOG\x04" else 1)' "$app/config.dat-journal"
}
winPath() { winepath -w "$1"; }
shot() {  # window title, picture name
    [ -n "${KESTRIN_SCREENSHOTS:-}" ] || return 0
    sleep 0.5
    local rect
    rect="$(helper window-rect "$1")" || return 0
    read -r x y w h <<<"$rect"
    import -window root -crop "${w}x${h}+${x}+${y}" +repage "$KESTRIN_SCREENSHOTS/$2.png"
}
waitNoProcess() {  # a program of the work folder, seconds
    for _ in $(seq $(($2 * 10))); do pgrep -f "$(basename "$work").*$1" >/dev/null || return 0; sleep 0.1; done
    return 1
}

# The local site: V1.4 (nothing new) until the update check of the day, the stub as the new program.
startLocalSite "$site"
printf 'V1.4\r\n' >"$site/Kestrin.txt" && signForSite "$site/Kestrin.txt"
cp "$stub" "$site/更新程序.exe" && signForSite "$site/更新程序.exe"
cp "$kestrin" "$app/Kestrin.exe"
cp "$stub" "$qqDir/QQ.exe"
qqPath="$(winPath "$qqDir/QQ.exe")"
main="Kestrin V1.4"

if [ -n "${KESTRIN_E2E_SORT_ORDER:-}" ]; then
    begin "first start over an existing config.dat labelled $KESTRIN_E2E_SORT_ORDER"
    "$db" template "$app/config.dat" --sort-order "$KESTRIN_E2E_SORT_ORDER" || fail "no labelled config.dat"
else
    begin "first start in an empty folder"
fi
startKestrin
kestrinPid=$lastPid
must wait-window "$main" 60
[ "$(stat -c %s "$app/config.dat")" = 131072 ] || fail "config.dat is not the 131072-byte template"
[ -z "$(rows)" ] || fail "the list is not empty"

begin "the settings dialog sets the QQ client's path"
must command "$main" "$(id IDM_MMSET)"
must wait-window "Kestrin设置程序" 20
must click "Kestrin设置程序" "$(id IDC_QQ_SET_COMMAND3)"
must file-dialog "选择QQ文件安装路径" "$qqPath" 20
for _ in $(seq 50); do [ "$(helper get-text "Kestrin设置程序" "$(id IDC_QQ_SET_TEXT1)")" = "$qqPath" ] && break; sleep 0.1; done
[ "$(helper get-text "Kestrin设置程序" "$(id IDC_QQ_SET_TEXT1)")" = "$qqPath" ] || fail "the path box does not show the chosen file"
shot "Kestrin设置程序" settings-path
must click "Kestrin设置程序" "$(id IDC_QQ_SET_COMMAND6)"
must wait-gone "Kestrin设置程序" 20
[ "$(sql "select S_QQpath from zk_auto_sys")" = "$qqPath" ] || fail "config.dat does not hold the path"

begin "importing a 5-line list"
printf '10001 alpha\r\n10002 bravo\r\n10003 charlie\r\n10004 delta\r\n10005 echo\r\n' >"$work/list.txt"
must command "$main" "$(id IDM_MMLISTI)"
expectBox ok $'提示\n确保文件格式为 号码[空格]密码 比如：111 aaa'  # the lines' CRs are dropped by helper
must file-dialog "选择要导入的列表文件" "$(winPath "$work/list.txt")" 20
expectBox ok $'提示\n成功导入5条数据'
[ "$(rows | wc -l)" = 5 ] || fail "the list does not show 5 accounts"

begin "adding two accounts, the first with continuous input"
# Both " 隐身登录" and " 连续输入" are ticked when the editor opens, and keep their state between accounts.
must command "$main" "$(id IDM_MMADD)"
must wait-window "添加QQ号码" 20
must click "添加QQ号码" "$(id IDC_QQ_ADD_CHECK1)"  # 20001 logs in online
must set-text "添加QQ号码" "$(id IDC_QQ_ADD_TEXT1)" 20001
must set-text "添加QQ号码" "$(id IDC_QQ_ADD_TEXT2)" "first pass"
shot "添加QQ号码" account-editor
must click "添加QQ号码" "$(id IDC_QQ_ADD_COMMAND1)"
expectBox ok $'提示\n添加成功'
must click "添加QQ号码" "$(id IDC_QQ_ADD_CHECK1)"  # 20002 invisible
must click "添加QQ号码" "$(id IDC_QQ_ADD_CHECK2)"  # and the editor closes after it
must set-text "添加QQ号码" "$(id IDC_QQ_ADD_TEXT1)" 20002
must set-text "添加QQ号码" "$(id IDC_QQ_ADD_TEXT2)" "second pass"
must click "添加QQ号码" "$(id IDC_QQ_ADD_COMMAND1)"
must wait-gone "添加QQ号码" 20
[ "$(rows | wc -l)" = 7 ] || fail "the list does not show 7 accounts"
[ "$(sql "select A_stat from zk_auto_qqlist where A_QQ='20001'")" = 1 ] || fail "20001 is not stored as online"
[ "$(sql "select A_stat from zk_auto_qqlist where A_QQ='20002'")" = 0 ] || fail "20002 is not stored as invisible"

begin "editing an account"
must select-row "$main" 5
must command "$main" "$(id IDM_MMED)"
must wait-window "编辑QQ号码" 20
[ "$(helper get-text "编辑QQ号码" "$(id IDC_QQ_ADD_TEXT1)")" = 20001 ] || fail "the editor does not show 20001"
must click "编辑QQ号码" "$(id IDC_QQ_ADD_CHECK3)"
must set-text "编辑QQ号码" "$(id IDC_QQ_ADD_TEXT3)" "Alice's"
must set-text "编辑QQ号码" "$(id IDC_QQ_ADD_TEXT2)" "new pass"
must click "编辑QQ号码" "$(id IDC_QQ_ADD_COMMAND1)"
must wait-gone "编辑QQ号码" 20
[ "$(rows | sed -n 6p | cut -f1)" = "Alice's" ] || fail "row 6 is not called Alice's"
[ "$(sql "select A_Name,A_pass from zk_auto_qqlist where A_QQ='20001'")" = "Alice's	$("$db" hash "new pass")" ] ||
    fail "config.dat does not hold the edited account"

begin "deleting an account"
must select-row "$main" 0
must command "$main" "$(id IDM_MMDEL)"
expectBox ok $'警告\n确定要继续吗'
for _ in $(seq 50); do [ "$(rows | wc -l)" = 6 ] && break; sleep 0.1; done
[ "$(rows | wc -l)" = 6 ] || fail "the list does not show 6 accounts"
[ -z "$(sql "select A_QQ from zk_auto_qqlist where A_QQ='10001'")" ] || fail "10001 is still in config.dat"
shot "$main" main-window

begin "ticking two accounts and logging in"
count="$(rows | wc -l)"
for ((row = 0; row < count; row++)); do must set-check "$main" "$row" 0; done
must set-check "$main" 0 1  # 10002, imported: invisible
must set-check "$main" 4 1  # Alice's (20001), online
must click "$main" "$(id IDC_QQ_FORM_CMD_LOGIN)"
for _ in $(seq 100); do [ "$(wc -l <"$qqDir/qq_stub.log" 2>/dev/null || echo 0)" -ge 2 ] && break; sleep 0.1; done
expected="$qqPath /START QQUIN:10002 PWDHASH:$("$db" hash bravo)== /STAT:40
$qqPath /START QQUIN:20001 PWDHASH:$("$db" hash "new pass")== /STAT:41"
# The two clients run side by side, so their lines come in either order (the order of the starts is
# the login run's own tests' to check).
[ "$(tr -d '\r' <"$qqDir/qq_stub.log" 2>/dev/null | sort)" = "$(sort <<<"$expected")" ] ||
    fail "the client's command lines were: $(cat "$qqDir/qq_stub.log" 2>/dev/null)"
for _ in $(seq 50); do [ "$(helper window-state "$main")" = minimized ] && break; sleep 0.1; done
[ "$(helper window-state "$main")" = minimized ] || fail "the window did not go to the tray"

begin "restoring from the tray"
must post "$main" 0x8001 0 0x203  # the icon's callback: a double click
for _ in $(seq 50); do [ "$(helper window-state "$main")" = visible ] && break; sleep 0.1; done
[ "$(helper window-state "$main")" = visible ] || fail "the window did not come back"

begin "setting a start-up password"
must command "$main" "$(id IDM_MMSET)"
must wait-window "Kestrin设置程序" 20
must click "Kestrin设置程序" "$(id IDC_QQ_SET_COMMAND2)"
must set-text "Kestrin设置程序" "$(id IDC_QQ_SET_TEXT2)" "day-pass"
shot "Kestrin设置程序" settings-password
must click "Kestrin设置程序" "$(id IDC_QQ_SET_COMMAND6)"
must wait-gone "Kestrin设置程序" 20
# Between its operations Kestrin keeps each change in the log beside config.dat; its end completes
# config.dat and empties the log.
logLive || fail "the change is not in config.dat-journal"
must command "$main" "$(id IDM_MMQUIT)"
waitEnd "$kestrinPid" 30 || fail "Kestrin did not end"
! logLive || fail "config.dat-journal still holds changes after Kestrin ended"
[ "$(sql "select S_pass from zk_auto_sys")" = day-pass ] || fail "config.dat does not hold the password"

begin "a second start asks for the start-up password"
startKestrin
kestrinPid=$lastPid
login="@$(id IDC_QQ_LOGIN_TEXT1)"
must wait-window "$login" 60
must no-window "$main" 1
shot "$login" startup-password
must set-text "$login" "$(id IDC_QQ_LOGIN_TEXT1)" "day-pass"
must click "$login" "$(id IDC_QQ_LOGIN_COMMAND1)"
must wait-window "$main" 30
[ "$(rows | wc -l)" = 6 ] || fail "the list does not show the 6 accounts after the restart"

begin "the update check finds V1.5 and the update is accepted"
printf 'V1.5\r\nThe new version\r\n' >"$site/Kestrin.txt" && signForSite "$site/Kestrin.txt"
must command "$main" "$(id IDM_MMUP)"
expectBox ok $'Kestrin V1.4\n发现新版本，是否立即更新'
must wait-window "版本更新" 60
waitEnd "$kestrinPid" 30 || fail "Kestrin did not end after starting the updater"
[ -e "$app/update.exe" ] || fail "update.exe was not written"

begin "the updater downloads and starts the new program"
ok="$(id IDC_UP_FORM_COMMAND1)"
for _ in $(seq 300); do [ "$(helper enabled "版本更新" "$ok")" = 1 ] && break; sleep 0.1; done
[ "$(helper enabled "版本更新" "$ok")" = 1 ] || fail "the download did not complete"
shot "版本更新" updater
must click "版本更新" "$ok"
for _ in $(seq 100); do [ -s "$app/qq_stub.log" ] && break; sleep 0.1; done
[ -s "$app/qq_stub.log" ] || fail "更新程序.exe did not start"
waitNoProcess "update.exe" 30 || fail "update.exe did not end"

begin "the next start cleans up"
printf 'V1.4\r\n' >"$site/Kestrin.txt" && signForSite "$site/Kestrin.txt"
startKestrin
kestrinPid=$lastPid
must wait-window "$login" 60
must set-text "$login" "$(id IDC_QQ_LOGIN_TEXT1)" "day-pass"
must click "$login" "$(id IDC_QQ_LOGIN_COMMAND1)"
must wait-window "$main" 30
[ ! -e "$app/update.exe" ] || fail "update.exe is still there"
[ ! -e "$app/更新程序.exe" ] || fail "更新程序.exe is still there"
must command "$main" "$(id IDM_MMABOUT)"
must wait-window "Kestrin V1.4 帮助" 20
shot "Kestrin V1.4 帮助" about
must close-window "Kestrin V1.4 帮助"
must command "$main" "$(id IDM_MMQUIT)"
waitEnd "$kestrinPid" 30 || fail "Kestrin did not end"
"$db" check "$app/config.dat" >/dev/null || fail "config.dat does not pass the check"
if [ -n "${KESTRIN_E2E_SORT_ORDER:-}" ]; then
    begin "mdb-reader reads the same accounts from the labelled file"
    theirs="$(node "$root/tests/mdb_reader/rows.mjs" "$app/config.dat" Tq4wnBkdy.rHsLmZXJoE zk_auto_qqlist |
        python3 -c 'import json, sys; print("\n".join(sorted(r[2] for r in json.load(sys.stdin)["rows"])))')"
    [ "$theirs" = "$(sql "select A_QQ from zk_auto_qqlist" | sort)" ] || fail "mdb-reader reads other accounts"
fi

step=""
echo "ok: a new user's day"
