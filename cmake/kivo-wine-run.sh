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
# code; 125 when Wine could not be brought up (the failing step is named; each
# has a time limit, KIVO_WINE_STEP_SECONDS, 300 by default). The wineserver and
# the display end on every way out, SIGTERM and SIGINT included.
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

mkdir -p "$state" || exit 125

# Each start-up step runs in the background, so that a signal to this script
# is handled at once (bash runs a trap only after the foreground command), in
# a process group of its own under a time limit (timeout), and with its output
# in a file: Wine's own processes (wineserver, services.exe) that a step starts
# inherit its output, and a step whose output is a pipe would wait for them to
# close it, for as long as the prefix lives.
step_pid=
step_log="$state/step.log"
run_step() {
    local what=$1 limit=$2
    shift 2
    timeout --kill-after=10 "$limit" "$@" >"$step_log" 2>&1 </dev/null &
    step_pid=$!
    wait "$step_pid"
    local rc=$?
    step_pid=
    [ $rc -eq 0 ] && return 0
    if [ $rc -eq 124 ] || [ $rc -eq 137 ]; then
        echo "kivo-wine-run.sh: $what did not finish within $limit s:" >&2
    else
        echo "kivo-wine-run.sh: $what failed (exit code $rc):" >&2
    fi
    cat "$step_log" >&2
    exit 125
}

# On every way out: the step under way ends with its whole process group, then
# the prefix's Wine and the display this script started.
clean_up() {
    if [ -n "$step_pid" ]; then
        kill -TERM -- "-$step_pid" 2>/dev/null
        wait "$step_pid" 2>/dev/null
    fi
    "$here/wine-env.sh" stop "$state" >/dev/null 2>&1
}
trap clean_up EXIT
trap 'exit 129' HUP
trap 'exit 130' INT
trap 'exit 143' TERM

limit=${KIVO_WINE_STEP_SECONDS:-300}
run_step "bringing Wine up in $state" "$limit" "$here/wine-env.sh" start "$state"
if [ -f "$simulator" ]; then
    run_step "registering $simulator" "$limit" "$here/wine-run.sh" "$state" "$simulator" /RegServer
else
    echo "kivo-wine-run.sh: no camera simulator at $simulator; none registered" >&2
fi

# In the background, so that a signal to this script is handled at once; the
# explicit redirection keeps the caller's input for the program. Wine's
# messages about DLLs it cannot load stay on: without them a program that
# misses one ends with code 53 and not a word.
WINEDEBUG=${WINEDEBUG:--all,err+module} "$here/wine-run.sh" "$state" "$@" <&0 &
wait $!
rc=$?
if [ $rc -eq 53 ]; then
    echo "kivo-wine-run.sh: $1 could not be started: a DLL it imports was not found (Wine names it above);" \
         "put it beside the program or link it statically" >&2
fi
exit $rc
