#!/usr/bin/env bash
# Starts the real program with its accessibility bridge on, on a virtual X display with its own
# D-Bus session and AT-SPI bus, and checks with accessibility_tree.py what a screen reader
# finds in the main window.
# Usage: accessibility_tree.sh KELVARO_EXECUTABLE
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
launcher_exe=/usr/libexec/at-spi-bus-launcher

if [ "${1:-}" != --inside ]; then
    for need in xvfb-run:xvfb dbus-run-session:dbus-daemon dbus-send:dbus-bin "$launcher_exe":at-spi2-core; do
        command -v "${need%%:*}" >/dev/null \
            || { echo "FAIL: ${need%%:*} is missing (package ${need#*:})"; exit 1; }
    done
    /usr/bin/python3 -c 'import gi; gi.require_version("Atspi", "2.0")' 2>/dev/null \
        || { echo "FAIL: Python's Atspi is missing (packages python3-gi gir1.2-atspi-2.0)"; exit 1; }
    exec xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" dbus-run-session -- \
        "$0" --inside "$1"
fi
exe=$2

work=$(mktemp -d)
mkdir -p "$work/folder" "$work/runtime"
chmod 700 "$work/runtime"
launcher=
pid=

cleanup() {
    for p in $pid $launcher; do
        kill "$p" 2>/dev/null || true
        wait "$p" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*"
    for log in program bus; do
        if [ -s "$work/$log.log" ]; then
            echo "--- $log output:"
            tail -n 20 "$work/$log.log"
        fi
    done
    exit 1
}

# The AT-SPI bus, started before the program so that the program finds it at once.
"$launcher_exe" --launch-immediately >"$work/bus.log" 2>&1 &
launcher=$!
bus_up() {
    local reply
    reply=$(dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.NameHasOwner string:org.a11y.Bus 2>/dev/null) || return 1
    [[ $reply == *"boolean true"* ]]
}
for ((i = 0; i < 300; i++)); do
    bus_up && break
    kill -0 "$launcher" 2>/dev/null || fail "the AT-SPI bus launcher ended"
    sleep 0.1
done
bus_up || fail "the AT-SPI bus did not come up within 30s"

(cd "$work/folder" && XDG_RUNTIME_DIR=$work/runtime QT_QPA_PLATFORM=xcb \
    QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 exec "$exe") >"$work/program.log" 2>&1 &
pid=$!

/usr/bin/python3 "$here/accessibility_tree.py" "$pid" || fail "the accessibility tree is incomplete"
kill -0 "$pid" 2>/dev/null || fail "the program ended on its own"

# End the program and see it go.
kill -TERM "$pid"
for ((i = 0; i < 300; i++)); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$pid" 2>/dev/null && fail "the program did not end within 30s of SIGTERM"
wait "$pid" 2>/dev/null || true
pid=
echo "the accessibility tree of 'kelvaro' names every control"
