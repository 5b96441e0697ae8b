#!/usr/bin/env bash
# The package's runner ends, with everything it started, on SIGTERM during its
# start-up (while Wine makes the prefix) and on SIGINT while the program runs;
# a program that Wine cannot start for a missing DLL is told with the DLL's name.
#   RunnerTests.sh RUNNER SIMULATOR PROGRAM NEEDS_DLL_PROGRAM MISSING_DLL WORK_DIR
set -u
runner=$1; simulator=$2; program=$3; needs_dll=$4; missing_dll=$5; work=$6
wine_dir="$work/wine"
failures=0

fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

# Polls a condition for up to $1 seconds.
within() {
    local limit=$1; shift
    for _ in $(seq 1 $((limit * 10))); do "$@" && return 0; sleep 0.1; done
    return 1
}
prefix_exists() { [ -d "$wine_dir/prefix" ]; }
# Every process the runner starts (wineserver, Xvfb, the program) carries the
# prefix in its environment.
prefix_processes() { grep -lszxF "WINEPREFIX=$wine_dir/prefix" /proc/[0-9]*/environ | sed 's/environ$/cmdline/'; }
program_runs() {
    local f
    for f in $(prefix_processes); do grep -qszaF "$(basename "$program")" "$f" && return 0; done
    return 1
}
nothing_left() { [ -z "$(prefix_processes)" ]; }

# One case: start the runner, wait for the moment, send the signal, expect the
# exit code and nothing of the prefix left running.
signal_case() {
    local what=$1 moment=$2 signal=$3 expected=$4
    # A job started with & has SIGINT ignored, which a shell cannot trap: the
    # runner gets it back at its default, as in a terminal's foreground.
    KIVO_CAMERA_SIM="$simulator" env --default-signal=INT "$runner" --wine-dir "$wine_dir" "$program" \
        >"$work/$what.log" 2>&1 &
    local pid=$!
    if ! within 300 "$moment"; then
        fail "$what: the moment to send $signal never came"
        kill -KILL "$pid" 2>/dev/null
        return
    fi
    kill "-$signal" "$pid"
    if ! within 60 eval '! kill -0 '"$pid"' 2>/dev/null'; then
        fail "$what: the runner still runs 60 s after $signal"
        kill -KILL "$pid" 2>/dev/null
    fi
    wait "$pid"
    local rc=$?
    [ "$rc" -eq "$expected" ] || fail "$what: exit code $rc, expected $expected"
    if ! within 30 nothing_left; then
        fail "$what: processes of the prefix still run:"
        prefix_processes | while read -r f; do tr '\0' ' ' <"$f"; echo; done
    fi
    echo "$what: exit code $rc"
}

# What an earlier run of this test left behind would count as left by this one.
for f in $(prefix_processes); do kill -KILL "$(basename "$(dirname "$f")")" 2>/dev/null; done
rm -rf "$work"; mkdir -p "$work"

signal_case "SIGTERM while the prefix is made" prefix_exists TERM 143
# The signal stopped the start-up where it was: the prefix was never finished.
[ ! -e "$wine_dir/prefix/.kivo-ready" ] || fail "the start-up went on after SIGTERM"
signal_case "SIGINT while the program runs" program_runs INT 130

# The DLL's name and the runner's own explanation, with Wine's exit code.
KIVO_CAMERA_SIM="$simulator" "$runner" --wine-dir "$wine_dir" "$needs_dll" >"$work/missing.log" 2>&1 </dev/null
rc=$?
[ "$rc" -eq 53 ] || fail "a missing DLL: exit code $rc, expected 53"
grep -qF "$(basename "$missing_dll")" "$work/missing.log" || fail "a missing DLL: its name is not told"
grep -qF "a DLL it imports was not found" "$work/missing.log" || fail "a missing DLL: the runner says nothing"
within 30 nothing_left || fail "a missing DLL: processes of the prefix still run"
cat "$work/missing.log"

[ "$failures" -eq 0 ] || exit 1
rm -rf "$work"
