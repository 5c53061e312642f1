#!/usr/bin/env bash
# kestrin-db keygen / sign / verify as a release manager uses them, and scripts/sign-release:
#   signing_tools_test.sh KESTRIN_DB
# Checks the exit codes (0 good, 1 bad or missing, 2 unusable) and that nothing is overwritten.
set -uo pipefail
db="$1"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failures=0
expect() {  # exit code, description, command...
    local want="$1" what="$2"; shift 2
    "$@" >/dev/null 2>&1
    local got=$?
    [ "$got" = "$want" ] || { echo "FAIL: $what (exit $got, expected $want)"; failures=$((failures + 1)); }
}
cd "$work"
expect 0 "keygen makes a pair" "$db" keygen a.key a.pub
expect 0 "keygen makes another" "$db" keygen b.key b.pub
expect 2 "keygen never overwrites a key" "$db" keygen a.key c.pub
[ "$(stat -c %a a.key)" = 600 ] || { echo "FAIL: the private key is readable by others"; failures=$((failures + 1)); }
printf 'V1.5\r\n' >Kestrin.txt
expect 1 "a missing signature is a bad one" "$db" verify a.pub Kestrin.txt
expect 0 "sign" "$db" sign a.key Kestrin.txt
expect 0 "its own key verifies it" "$db" verify a.pub Kestrin.txt
expect 1 "another key does not" "$db" verify b.pub Kestrin.txt
expect 2 "a private key is not a public one" "$db" verify a.key Kestrin.txt
cp Kestrin.txt other.txt && cp Kestrin.txt.sig other.txt.sig
expect 1 "a signature of another file name" "$db" verify a.pub other.txt
printf 'x' >>Kestrin.txt
expect 1 "a changed file" "$db" verify a.pub Kestrin.txt

# sign-release: both files, checked against the public key given.
mkdir site && printf 'V1.5\r\nnotes\r\n' >site/Kestrin.txt && printf 'MZ' >site/更新程序.exe
KESTRIN_BUILD="$(dirname "$(dirname "$db")")" expect 0 "sign-release with the matching key" \
    "$root/scripts/sign-release" site a.key a.pub
expect 0 "the program's signature verifies" "$db" verify a.pub site/更新程序.exe
KESTRIN_BUILD="$(dirname "$(dirname "$db")")" expect 1 "sign-release with the test key against the release key" \
    "$root/scripts/sign-release" site "$root/tests/keys/update-test.key"
[ "$failures" = 0 ] && echo "ok: signing tools"
exit $((failures > 0))
