#!/usr/bin/env bash
# End-to-end: the start-up password and the settings dialog in Kestrin.exe itself under Wine.
#   settings_e2e.sh KESTRIN_EXE HELPER_EXE [KESTRIN_DB]
# KESTRIN_DB is a kestrin-db that runs here (default: build/native/kestrin-db); it writes and reads
# config.dat. Checks: with a stored password the main window "Kestrin V1.4" does not appear until
# the right password is entered; a wrong one is answered on the dialog's message line; the settings
# dialog stores the QQ client's path and removes the password, so the next start asks nothing; a
# password set there is asked for at the next start, and "退出" ends the program without a window.
set -euo pipefail
kestrin="$1"
helperExe="$2"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
kestrinDb="${3:-$root/build/native/kestrin-db}"
source "$(dirname "${BASH_SOURCE[0]}")/e2e_lib.sh"
# The update check after the password asks a port where nothing listens: nothing leaves the machine.
export KESTRIN_SITE_URL=http://127.0.0.1:1

cp "$kestrin" "$work/Kestrin.exe"

# Window titles and control ids (resources/qq_login_ids.h, qq_set_ids.h, resource_ids.h).
login="输入软件启动密码"
main="Kestrin V1.4"
settings="Kestrin设置程序"
loginText1=451 loginCommand1=452 loginCommand2=453 loginLabel3=456
setCommand2=402 setCommand6=406 setText1=409 setText2=410
mmSet=311

stored() {  # column of the settings row, as kestrin-db prints it (\N for Null)
    "$kestrinDb" exec "$work/config.dat" "select $1 from zk_auto_sys" | sed -n 2p
}
equals() { [ "$1" = "$2" ]; }

"$kestrinDb" template "$work/config.dat" >/dev/null
"$kestrinDb" exec "$work/config.dat" "update zk_auto_sys set S_pass='abc'" >/dev/null

# A stored password: asked for before the main window appears.
startKestrin
first=$lastPid
check "the start-up password dialog appears" helper wait-window "$login" 60
check "the main window is not shown while the password is asked for" helper no-window "$main" 2
helper set-text "$login" $loginText1 "ABC" >/dev/null
helper click "$login" $loginCommand1 >/dev/null
sleep 1
check "a wrong password is answered on the message line" equals "$(helper get-text "$login" $loginLabel3)" "密码输入有误"
check "a wrong password shows no main window" helper no-window "$main" 1
helper set-text "$login" $loginText1 "abc" >/dev/null
helper click "$login" $loginCommand1 >/dev/null
check "the right password shows the main window" helper wait-window "$main" 30
check "the start-up password dialog is gone" helper wait-gone "$login" 10

# The settings dialog: store a path, then remove the password.
helper command "$main" $mmSet >/dev/null
check "程序设置 opens the settings dialog" helper wait-window "$settings" 30
helper set-text "$settings" $setText1 'C:\Tencent\QQ\Bin\QQ.exe' >/dev/null
helper click "$settings" $setCommand6 >/dev/null
check "OK closes the settings dialog" helper wait-gone "$settings" 10
check "the path is stored" equals "$(stored S_QQpath)" 'C:\Tencent\QQ\Bin\QQ.exe'
check "the password is left alone by the path page" equals "$(stored S_pass)" "abc"
helper command "$main" $mmSet >/dev/null
check "the settings dialog opens again" helper wait-window "$settings" 30
helper click "$settings" $setCommand2 >/dev/null
sleep 0.5
helper click "$settings" $setCommand6 >/dev/null
check "OK on the password page closes the dialog" helper wait-gone "$settings" 10
check "an empty password removes the stored one" equals "$(stored S_pass)" ""
helper close-window "$main" >/dev/null || true
check "the program ends when its window closes" waitEnd "$first"

# No password: the next start asks nothing. Then set one in the settings dialog.
startKestrin
second=$lastPid
check "without a password the main window appears at once" helper wait-window "$main" 60
check "and no password is asked for" helper no-window "$login" 1
helper command "$main" $mmSet >/dev/null
helper wait-window "$settings" 30 >/dev/null || true
helper click "$settings" $setCommand2 >/dev/null
sleep 0.5
helper set-text "$settings" $setText2 "new'pw" >/dev/null
helper click "$settings" $setCommand6 >/dev/null
helper wait-gone "$settings" 10 >/dev/null || true
check "a new password is stored without its apostrophe" equals "$(stored S_pass)" "newpw"
helper close-window "$main" >/dev/null || true
waitEnd "$second" || true

# The new password is asked for; 退出 ends the program and no main window ever appears.
startKestrin
third=$lastPid
check "the new password is asked for at the next start" helper wait-window "$login" 60
helper click "$login" $loginCommand2 >/dev/null
check "退出 ends the program" waitEnd "$third"
check "no main window appeared" helper no-window "$main" 1

finish
