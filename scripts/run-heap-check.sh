#!/usr/bin/env bash
# Runs the test suite once more with Wine's heap checking on (every allocation
# and free validated) and fails on any heap report. Expects a built tree.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KIVO_BUILD_DIR:-$root/build}
log="$build/heap-check.log"
# The benchmark measures speed, which heap checking distorts; the rest runs.
WINEDEBUG=warn+heap ctest --test-dir "$build" -V -E 'bench' >"$log" 2>&1
status=$?
reports=$(grep -E '(err|warn|fixme):heap' "$log" | head -n 20)
if [ -n "$reports" ]; then
    echo "heap check: Wine reported heap problems:"
    echo "$reports"
    exit 1
fi
if [ $status -ne 0 ]; then
    echo "heap check: tests failed under heap checking (log: $log)"
    grep -E -A3 ': Failure$' "$log" | head -n 40
    grep -E '^[0-9]+/[0-9]+ Test|tests passed|FAILED' "$log" | tail -n 30
    exit $status
fi
echo "heap check: no heap reports; $(grep -E '% tests passed' "$log")"
