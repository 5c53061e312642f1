# Shared settings of the scripts: where things are and how Wine runs. Sourced, not run.
KESTRIN_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
KESTRIN_BUILD="${KESTRIN_BUILD:-$KESTRIN_ROOT/build}"
export WINEPREFIX="${WINEPREFIX:-$KESTRIN_BUILD/wine}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEARCH=win64
# No Mono or Gecko installers at the first start of a prefix; Kestrin needs neither.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
# A Chinese locale, so the ANSI code page under Wine is 936 like the systems Kestrin is made for.
export LANG=zh_CN.UTF-8
export LC_ALL=zh_CN.UTF-8
