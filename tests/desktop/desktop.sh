#!/usr/bin/env bash
# Starts or stops the desktop that the tests of the real program share: a virtual X display
# (Xvfb, on a display number it picks itself), the openbox window manager, a D-Bus session bus
# with the AT-SPI accessibility bus, and the locales ja_JP.UTF-8 and en_US.UTF-8, made with
# localedef into STATE/locale when the system lacks them. `start` writes STATE/env, the
# variables the tests take over; `stop` ends every process that `start` began.
# Usage: desktop.sh start|stop STATE
set -euo pipefail
action=$1
state=$2

stop() {
    local pid
    for pid in "$state"/*.pid; do
        [ -e "$pid" ] || continue
        kill "$(cat "$pid")" 2>/dev/null || true
        rm -f "$pid"
    done
}
[ "$action" = stop ] && { stop; exit 0; }
stop
rm -rf "$state/env" "$state/bus" "$state/display"
mkdir -p "$state"

fail() {
    echo "FAIL: $*"
    tail -n 5 "$state"/*.log 2>/dev/null || true
    stop
    exit 1
}
# Runs the command in the background in a session of its own, its output in STATE/NAME.log,
# so that it outlives this script and CTest does not wait for it.
spawn() {
    local name=$1
    shift
    setsid "$@" >"$state/$name.log" 2>&1 </dev/null &
    echo $! >"$state/$name.pid"
}
wait_until() { # seconds, what, command...
    local tries=$(($1 * 10)) what=$2
    shift 2
    for ((i = 0; i < tries; i++)); do
        "$@" >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    fail "no $what within ${tries}00 ms"
}

for need in Xvfb openbox dbus-daemon xprop localedef; do
    command -v "$need" >/dev/null || fail "$need is missing (scripts/deps test installs it)"
done
launcher=/usr/libexec/at-spi-bus-launcher
[ -x "$launcher" ] || fail "$launcher is missing (package at-spi2-core)"

locpath=
if ! { locale -a | grep -qix 'ja_JP.utf-\?8' && locale -a | grep -qix 'en_US.utf-\?8'; }; then
    locpath=$state/locale
    mkdir -p "$locpath"
    for name in ja_JP en_US; do
        [ -d "$locpath/$name.UTF-8" ] || localedef -i "$name" -f UTF-8 "$locpath/$name.UTF-8" \
            || fail "localedef could not make $name.UTF-8"
    done
fi

setsid Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$state/display" \
    >"$state/xvfb.log" 2>&1 </dev/null &
echo $! >"$state/xvfb.pid"
wait_until 30 "X display" test -s "$state/display"
export DISPLAY=:$(head -n 1 "$state/display")

export DBUS_SESSION_BUS_ADDRESS=unix:path=$state/bus
spawn dbus dbus-daemon --session --nofork --nopidfile --address="$DBUS_SESSION_BUS_ADDRESS"
wait_until 30 "D-Bus session bus" test -S "$state/bus"
spawn atspi "$launcher" --launch-immediately
wait_until 30 "AT-SPI bus" sh -c 'dbus-send --session --print-reply --dest=org.freedesktop.DBus \
    /org/freedesktop/DBus org.freedesktop.DBus.NameHasOwner string:org.a11y.Bus | grep -q true'

spawn openbox openbox --sm-disable
wait_until 30 "window manager" sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q window'

{
    echo "DISPLAY=$DISPLAY"
    echo "DBUS_SESSION_BUS_ADDRESS=$DBUS_SESSION_BUS_ADDRESS"
    [ -z "$locpath" ] || echo "LOCPATH=$locpath"
} >"$state/env"
echo "desktop on $DISPLAY${locpath:+, locales in $locpath}"
