#!/usr/bin/env bash
# End-to-end: a person adds, edits, imports and deletes accounts in Kestrin.exe under Wine, and
# config.dat holds what the list shows.
#   accounts_e2e.sh KESTRIN_EXE HELPER_EXE [KESTRIN_DB]
# KESTRIN_DB is a kestrin-db that runs here (default: build/native/kestrin-db). Needs a display
# (starts Xvfb if none).
set -euo pipefail
kestrin="$1"
helperExe="$2"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
kestrinDb="${3:-$root/build/native/kestrin-db}"
source "$(dirname "${BASH_SOURCE[0]}")/e2e_lib.sh"
# The automatic update check at start asks a port where nothing listens: no request leaves the machine.
export KESTRIN_SITE_URL=http://127.0.0.1:1

mkdir -p "$work/程序 folder"
app="$work/程序 folder"
cp "$kestrin" "$app/Kestrin.exe"

main="Kestrin V1.4"
editor="添加QQ号码"
stored() { "$kestrinDb" exec "$app/config.dat" "select A_Name,A_QQ,A_stat from zk_auto_qqlist" | tail -n +2 | tr -d '\r'; }
rows() { helper list-rows "$main" | cut -f1 | tr -d '\r' | paste -sd, -; }

kestrinFolder="$app"
startKestrin
check "the main window opens" helper wait-window "$main" 60

# Add one account, the alias following the number; then a second one with an alias of its own.
helper command "$main" 314 >/dev/null   # MMadd
check "the editor opens for adding" helper wait-window "$editor" 30
helper set-text "$editor" 505 "10001" >/dev/null
helper set-text "$editor" 506 "abc" >/dev/null
helper click "$editor" 511 >/dev/null
check "continuous input says 添加成功" test "$(helper message-box 30 | tr -d '\r')" = $'提示\n添加成功'
helper set-text "$editor" 505 "10002" >/dev/null
helper set-text "$editor" 506 "pw" >/dev/null
helper click "$editor" 507 >/dev/null   # 开启
helper set-text "$editor" 508 "O'Neil" >/dev/null
helper click "$editor" 509 >/dev/null   # 隐身登录 off: online
helper click "$editor" 511 >/dev/null
helper message-box 30 >/dev/null
helper close-window "$editor" >/dev/null
check "the list shows both" test "$(rows)" = "10001,O'Neil"
check "config.dat holds both" test "$(stored)" = $'10001\t10001\t0\nO\'Neil\t10002\t1'

# Import a list: one new number, one stored, one invalid.
printf '30001 pass\r\n10001 x\r\n12a 999\r\n' >"$app/list.txt"
helper command "$main" 312 >/dev/null &   # MMlistI: its format hint, then the file dialog
commandPid=$!
check "the import shows its format hint" test "$(helper message-box 30 | head -1 | tr -d '\r')" = "提示"
check "the file dialog takes the list" helper file-dialog "选择要导入的列表文件" "$(winepath -w "$app/list.txt")" 30
check "the import reports one record" test "$(helper message-box 60 | tail -1 | tr -d '\r')" = "成功导入1条数据"
wait "$commandPid" || true
check "the imported number is at the end of the list" test "$(rows)" = "10001,O'Neil,30001"

# Delete the selected account after the question.
helper select-row "$main" 1 >/dev/null
helper command "$main" 316 >/dev/null &   # MMdel
commandPid=$!
check "deleting asks first" test "$(helper message-box 30 ok | head -1 | tr -d '\r')" = "警告"
wait "$commandPid" || true
check "the list lost the selected row" test "$(rows)" = "10001,30001"
check "config.dat lost it too" test "$(stored | cut -f2 | paste -sd, -)" = "10001,30001"

helper command "$main" 313 >/dev/null || true   # MMquit
finish
echo "all account checks passed"
