#!/usr/bin/env bash
# Runs a Windows program under Wine with the package's camera simulator
# registered as the camera server:
#
#   kivo-wine-run.sh [--wine-dir DIR] PROGRAM.exe [ARGS...]
#
# Debian packages it needs: wine64 fonts-wine xvfb (installed with
#   apt-get install --no-install-recommends wine64 fonts-wine xvfb
# and, to build against the package, cmake make g++-mingw-w64-x86-64-posix).
#
# DIR holds a private Wine prefix (DIR/prefix, created on first use, with Wine's
# own fonts copied in) and a log of Wine's start-up (DIR/env.log). Without
# --wine-dir it is $KIVO_WINE_DIR, or else ${XDG_CACHE_HOME:-~/.cache}/kivo-wine.
# One program at a time per DIR. The program gets a virtual display of its own
# (Xvfb); bin/KivoCameraSim.exe of the package, or the simulator that
# $KIVO_CAMERA_SIM names, is registered in the prefix before it starts. The
# program's output is this script's output and its exit code this script's exit
# code; 125 when Wine could not be brought up. The wineserver and the display
# end on every way out.
#
# The toolchain file beside this script names it as the emulator, so CMake
# (add_test, ctest) runs an application's programs through it.
set -u
here=$(dirname "$(realpath "$0")")

state=${KIVO_WINE_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/kivo-wine}
if [ "${1:-}" = "--wine-dir" ]; then
    [ $# -ge 2 ] || { echo "kivo-wine-run.sh: --wine-dir needs a folder" >&2; exit 2; }
    state=$2
    shift 2
fi
if [ $# -lt 1 ]; then
    echo "usage: kivo-wine-run.sh [--wine-dir DIR] PROGRAM.exe [ARGS...]" >&2
    exit 2
fi
state=$(realpath -m "$state")
simulator=${KIVO_CAMERA_SIM:-$here/../../bin/KivoCameraSim.exe}

trap '"$here/wine-env.sh" stop "$state" >/dev/null 2>&1' EXIT
trap 'exit 129' HUP
trap 'exit 130' INT
trap 'exit 143' TERM

if ! started=$("$here/wine-env.sh" start "$state" 2>&1); then
    echo "kivo-wine-run.sh: Wine did not come up in $state:" >&2
    echo "$started" >&2
    exit 125
fi
if [ -f "$simulator" ]; then
    if ! registered=$("$here/wine-run.sh" "$state" "$simulator" /RegServer 2>&1); then
        echo "kivo-wine-run.sh: registering $simulator failed:" >&2
        echo "$registered" >&2
        exit 125
    fi
else
    echo "kivo-wine-run.sh: no camera simulator at $simulator; none registered" >&2
fi

# In the background, so that a signal to this script is handled at once; the
# explicit redirection keeps the caller's input for the program.
"$here/wine-run.sh" "$state" "$@" <&0 &
wait $!
