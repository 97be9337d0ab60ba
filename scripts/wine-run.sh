#!/usr/bin/env bash
# Runs one Windows program under Wine for CTest. Wine's helper processes keep
# inherited pipes open, so the program's output goes to files first and is
# replayed afterwards; the exit status is the program's own.
set -u
export WINEDEBUG=${QORU_WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY
: "${WINEPREFIX:=${QORU_WINEPREFIX:-${HOME:-/tmp}/.wine-qorucum}}"
export WINEPREFIX
wine=${QORU_WINE:-/usr/lib/wine/wine64}

# Create the prefix once, under a lock, so parallel tests do not race.
if [ ! -f "$WINEPREFIX/.qorucum-ready" ]; then
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    flock 9
    if [ ! -f "$WINEPREFIX/.qorucum-ready" ]; then
      "$wine" wineboot --init >/dev/null 2>&1 </dev/null
      /usr/lib/wine/wineserver64 -w 2>/dev/null || wineserver -w 2>/dev/null || true
      touch "$WINEPREFIX/.qorucum-ready"
    fi
  ) 9>"$WINEPREFIX.lock"
fi

out=$(mktemp) err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT
"$wine" "$@" >"$out" 2>"$err" </dev/null
status=$?
tr -d '\r' <"$out"
tr -d '\r' <"$err" >&2
exit $status
