#!/usr/bin/env bash
# Runs a command (the download control's and the update tests under Wine) with tests/http_test_server.py
# listening on 127.0.0.1; the port is passed on in KESTRIN_TEST_HTTP_PORT. The server's site folder
# (/tools/kestrin/<name>) is a fresh temporary folder, passed on as KESTRIN_TEST_HTTP_ROOT and, as
# Wine sees it, KESTRIN_TEST_HTTP_ROOT_WIN.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
portFile="$(mktemp)"
siteRoot="$(mktemp -d)"
python3 "$here/http_test_server.py" "$portFile" "$siteRoot" &
server=$!
trap 'kill $server 2>/dev/null || true; rm -f "$portFile"; rm -rf "$siteRoot"' EXIT
for _ in $(seq 100); do [ -s "$portFile" ] && break; sleep 0.05; done
export KESTRIN_TEST_HTTP_PORT="$(cat "$portFile")"
export KESTRIN_TEST_HTTP_ROOT="$siteRoot"
export KESTRIN_TEST_HTTP_ROOT_WIN="Z:${siteRoot//\//\\}"
"$@"
