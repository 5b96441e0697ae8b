#!/usr/bin/env bash
# Builds, brings up the private Wine environment (prefix, Xvfb display,
# wineserver), registers the camera simulator, runs KivoBench and tears the
# environment down again. The figures go to standard output, one per line, and
# to out/bench.json.
#   scripts/run-bench.sh [--quick] [--only SECTION,...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KIVO_BUILD_DIR:-$root/build}
. "$root/scripts/camera-env.sh"
cd "$root/out"
run "$build/bin/KivoBench.exe" "$@" --json bench.json
echo "figures written to $root/out/bench.json"
