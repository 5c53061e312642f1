#!/usr/bin/env bash
# Runs a command (the download control's tests under Wine) with tests/http_test_server.py listening on
# 127.0.0.1; the port is passed on in KESTRIN_TEST_HTTP_PORT.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
portFile="$(mktemp)"
python3 "$here/http_test_server.py" "$portFile" &
server=$!
trap 'kill $server 2>/dev/null || true; rm -f "$portFile"' EXIT
for _ in $(seq 100); do [ -s "$portFile" ] && break; sleep 0.05; done
export KESTRIN_TEST_HTTP_PORT="$(cat "$portFile")"
"$@"
