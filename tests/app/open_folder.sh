#!/usr/bin/env bash
# Starts the real program on a virtual X display with a folder, a file and a path that does not
# exist (after the copy before it crashed), and once more while it runs to hand a folder over. Which folder the window is on is
# read from what it does: Ctrl+D deletes the rename history of that folder and no other.
# Usage: open_folder.sh KELVARO_EXECUTABLE (runs on $DISPLAY when it is set)
set -euo pipefail
if [ "${1:-}" != --inside ]; then
    [ -n "${DISPLAY:-}" ] && exec "$0" --inside "$1"
    exec xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" "$0" --inside "$1"
fi
exe=$(readlink -f "$2")
work=$(mktemp -d)
mkdir -m 700 "$work/runtime"
mkdir "$work/start" "$work/photos"
touch "$work/photos/a.jpg"
pid=
cleanup() {
    [ -n "$pid" ] && { kill -KILL "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; }
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; tail -n 20 "$work/log" 2>/dev/null; exit 1; }

wait_until() { # seconds, what, command...
    local tries=$(($1 * 10)) what=$2
    shift 2
    for ((i = 0; i < tries; i++)); do
        "$@" && return 0
        [ -z "$pid" ] || kill -0 "$pid" 2>/dev/null || fail "the program ended while waiting for: $what"
        sleep 0.1
    done
    fail "timed out waiting for: $what"
}
windows() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null || true; }
count_is() { [ "$(windows "$1" | grep -c .)" -eq "$2" ]; }
# The main window: the one titled "Kelvaro" that belongs to no other window, as boxes do.
main_window() {
    for w in $(windows Kelvaro); do
        xprop -id "$w" WM_TRANSIENT_FOR 2>/dev/null | grep -q 'window id' || { echo "$w"; return; }
    done
}
main_shown() { main=$(main_window); [ -n "$main" ]; }
focus_on_box() { [ "$(xdotool getwindowfocus 2>/dev/null)" != "$main" ]; }
history_gone() { ! ls "$1"/VOXAjpg*.log >/dev/null 2>&1; }

launch() { # arguments of the program; its window becomes $main
    (cd "$work/start" && XDG_RUNTIME_DIR=$work/runtime QT_QPA_PLATFORM=xcb exec "$exe" "$@") \
        >>"$work/log" 2>&1 &
    pid=$!
    wait_until 60 "the window \"Kelvaro\"" main_shown
}
answer_box() { # title, windows of that title while it is open
    wait_until 30 "a box \"$1\"" count_is "$1" "$2"
    wait_until 10 "the focus on the box \"$1\"" focus_on_box
    xdotool key Return
}
# Ctrl+D and OK: the folder the window is on must be `expected`.
expect_window_on() {
    for f in start photos; do printf 'a.jpg\r\n' >"$work/$f/VOXAjpg0.log"; done
    timeout 10 xdotool windowfocus --sync "$main" || fail "the window took no focus"
    xdotool key ctrl+d
    answer_box 確認 1
    wait_until 30 "the history of $1 deleted" history_gone "$work/$1"
    for f in start photos; do
        if [ "$f" != "$1" ] && history_gone "$work/$f"; then
            fail "$2: the history of $f was deleted too"
        fi
    done
    echo "$2: the window is on $1"
}
quit() {
    timeout 10 xdotool windowfocus --sync "$main" || true
    xdotool key ctrl+x
    wait "$pid" || fail "the program ended with status $?"
    pid=
}

launch "$work/photos"
expect_window_on photos "started with a folder"
quit
launch "$work/photos/a.jpg"
expect_window_on photos "started with a file"
# A crash leaves the lock file and the socket behind; neither may stop the next copy.
kill -KILL "$pid"
wait "$pid" 2>/dev/null || true
pid=
launch "$work/missing"
answer_box Kelvaro 2
expect_window_on start "started with a path that does not exist (one box)"

# A later start hands its folder over and ends; so does one without a folder.
for args in "$work/photos" ""; do
    (cd / && XDG_RUNTIME_DIR=$work/runtime QT_QPA_PLATFORM=xcb timeout 60 "$exe" $args) \
        || fail "a later start ended with status $?"
done
count_is Kelvaro 1 || fail "a later start showed a window"
expect_window_on photos "a later start handed its folder over"
quit
