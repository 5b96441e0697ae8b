#!/usr/bin/env bash
# Installs what is missing, builds, registers the camera simulator in a private
# Wine prefix and runs the console sample against it, headless under Xvfb.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KIVO_BUILD_DIR:-$root/build}
"$root/scripts/build.sh"
state="$build/wine"
trap '"$root/cmake/wine-env.sh" stop "$state" >/dev/null' EXIT
"$root/cmake/wine-env.sh" start "$state" "$build/bin/KivoTestKeepAlive.exe"
run() { "$root/cmake/wine-run.sh" "$state" "$@"; }
run "$build/bin/KivoCameraSim.exe" /RegServer
run "$build/bin/KivoConsoleSample.exe"
