# Sourced by the run scripts after they set root and build: builds, brings up
# the private Wine environment of the build tree (prefix, Xvfb display,
# wineserver), takes it down again on every way out, registers the camera
# simulator, and gives run() for Windows programs in it.
KIVO_BUILD_DIR=$build "$root/scripts/build.sh"
state="$build/wine"
trap '"$root/cmake/wine-env.sh" stop "$state" >/dev/null' EXIT
"$root/cmake/wine-env.sh" start "$state" "$build/bin/KivoTestKeepAlive.exe"
run() { "$root/cmake/wine-run.sh" "$state" "$@"; }
run "$build/bin/KivoCameraSim.exe" /RegServer
mkdir -p "$root/out"
