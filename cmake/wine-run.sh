#!/usr/bin/env bash
# Runs a Windows program under Wine inside the test environment of a build tree.
# Usage: wine-run.sh STATE_DIR PROGRAM.exe [ARGS...]
# STATE_DIR holds the private Wine prefix and, while wine-env.sh has the
# environment up, the X display to use.
set -u
state=$(realpath -m "$1"); shift
export WINEPREFIX="$state/prefix"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
if [ -f "$state/display" ]; then
    DISPLAY=$(cat "$state/display"); export DISPLAY
fi
exec /usr/lib/wine/wine64 "$@"
