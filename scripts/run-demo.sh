#!/usr/bin/env bash
# The main job: installs what is missing, builds, and runs the live demo
# headless. The camera simulator is registered in a private Wine prefix inside
# the build tree; on an Xvfb display KivoLiveDemo shows five seconds of live
# picture with its overlay and the frame-rate read-out, then saves the live
# window as out/live-demo.png. The Wine environment is taken down on every way out.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KIVO_BUILD_DIR:-$root/build}
. "$root/scripts/camera-env.sh"

png="$root/out/live-demo.png"
rm -f "$png"
# The demo is a Windows program: it gets the path on Wine's drive Z:.
if ! result=$(run "$build/bin/KivoLiveDemo.exe" --seconds 5 --fps --screenshot "Z:${png//\//\\}"); then
    echo "${result}"
    echo "KivoLiveDemo failed" >&2
    exit 1
fi
echo "${result}"
echo "screenshot: $png"
