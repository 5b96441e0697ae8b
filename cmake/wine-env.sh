#!/usr/bin/env bash
# Brings a private Wine environment up or down: the one of a build tree's test
# run, or the one kivo-wine-run.sh starts around a single program.
#   wine-env.sh start STATE_DIR [KEEPALIVE.exe]  prefix, Xvfb display, wineserver
#   wine-env.sh stop  STATE_DIR                  wineserver and Xvfb ended
# STATE_DIR holds the prefix (STATE_DIR/prefix, made on first use), the display
# in use and a log.
# Everything started here is detached from the caller's output, so that ctest
# does not wait for these long-lived processes.
set -u
cmd=$1; state=$(realpath -m "$2")
export WINEPREFIX="$state/prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver
mkdir -p "$state"
log="$state/env.log"

detach() { setsid "$@" </dev/null >>"$log" 2>&1 & }
# A step with a time limit, its output in the log: no step may hang for ever.
step() { local limit=$1; shift; timeout --kill-after=10 "$limit" "$@" </dev/null >>"$log" 2>&1; }

stop_env() {
    if [ -d "$WINEPREFIX" ]; then
        timeout 30 "$WINESERVER" -k >>"$log" 2>&1 || true
        timeout 30 "$WINESERVER" -w >>"$log" 2>&1 || true
    fi
    if [ -f "$state/xvfb.pid" ]; then
        kill "$(cat "$state/xvfb.pid")" 2>/dev/null || true
        rm -f "$state/xvfb.pid"
    fi
    rm -f "$state/display" "$state/display.number"
}

case "$cmd" in
start)
    keepalive=${3:-}
    stop_env
    if [ ! -f "$WINEPREFIX/.kivo-ready" ]; then
        rm -rf "$WINEPREFIX"
        echo "creating Wine prefix $WINEPREFIX"
        step 240 "$WINE" wineboot -i || { echo "wineboot did not make the prefix (see $log)"; exit 1; }
        # A crashing test must fail at once instead of waiting in a dialog.
        step 60 "$WINE" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f ||
            { echo "the crash dialog could not be turned off (see $log)"; exit 1; }
        step 60 "$WINESERVER" -w
        touch "$WINEPREFIX/.kivo-ready"
    fi
    # Wine's own fonts (Debian's fonts-wine) into the prefix's Fonts folder, where
    # a Windows program's fonts are: this Wine does not read them where the package
    # puts them, and without them Tahoma, System and the other faces fall back to
    # whatever fontconfig offers on the machine, so text would take other room on
    # every machine. Every start: prefixes made before get them too.
    wine_fonts=/usr/share/wine/fonts
    if ! compgen -G "$wine_fonts/*.ttf" >/dev/null ||
       ! cp -u "$wine_fonts"/* "$WINEPREFIX/drive_c/windows/Fonts/" >>"$log" 2>&1; then
        echo "Wine's fonts are missing in $wine_fonts (scripts/install-deps.sh installs fonts-wine)"
        exit 1
    fi
    # Xvfb takes the first free display itself and writes its number when it
    # accepts connections. Looking for free numbers in /tmp/.X11-unix is not
    # enough: a display whose socket lies in another /tmp (a private /tmp, a
    # chroot) still holds its abstract socket, and Xvfb would not start there.
    rm -f "$state/display.number"
    setsid Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp \
        3>"$state/display.number" </dev/null >>"$log" 2>&1 &
    echo $! >"$state/xvfb.pid"
    for _ in $(seq 1 300); do [ -s "$state/display.number" ] && break; sleep 0.1; done
    n=$(tr -dc 0-9 <"$state/display.number" 2>/dev/null)
    [ -n "$n" ] || { echo "Xvfb did not start"; exit 1; }
    echo ":$n" >"$state/display"
    export DISPLAY=":$n"
    detach "$WINESERVER" -p
    step 120 "$WINE" cmd /c exit || { echo "Wine did not start a program (see $log)"; exit 1; }
    # One hidden window for the whole run keeps explorer.exe up between tests.
    [ -z "$keepalive" ] || detach "$WINE" "$keepalive"
    echo "Wine environment up: prefix $WINEPREFIX, display :$n"
    ;;
stop)
    stop_env
    echo "Wine environment down"
    ;;
*)
    echo "usage: wine-env.sh start|stop STATE_DIR [KEEPALIVE.exe]" >&2
    exit 2
    ;;
esac
