#!/usr/bin/env bash
# Kills the real program with SIGKILL in the middle of a batch rename of 4,000 files (once in
# each of its two passes), starts it again, and checks that listing the folder points the user
# to the restore and that the restore gives every file back its own name: the folder ends as it
# was, names and contents, nothing more. The program is driven by keystrokes on a virtual X
# display, as a user would drive it.
# Usage: killed_rename.sh KELVARO_EXECUTABLE
set -euo pipefail

if [ "${1:-}" != --inside ]; then
    for need in xvfb-run:xvfb xdotool:xdotool strace:strace; do
        command -v "${need%%:*}" >/dev/null \
            || { echo "FAIL: ${need%%:*} is missing (package ${need#*:})"; exit 1; }
    done
    exec xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" "$0" --inside "$1"
fi
exe=$2

FileCount=4000
Prefix=p

work=$(mktemp -d)
folder=$work/photos
runtime=$work/runtime
mkdir -p "$folder" "$runtime"
chmod 700 "$runtime"
pid=
expect_end=

cleanup() {
    if [ -n "$pid" ]; then
        kill -KILL "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*"
    if [ -s "$work/program.log" ]; then
        echo "--- output of the program:"
        tail -n 40 "$work/program.log"
    fi
    exit 1
}

# Runs the command every tenth of a second until it succeeds; fails after `seconds`.
wait_until() {
    local seconds=$1 what=$2
    shift 2
    local tries=$((seconds * 10)) i
    for ((i = 0; i < tries; i++)); do
        "$@" && return 0
        if [ -n "$pid" ] && [ -z "$expect_end" ] && ! kill -0 "$pid" 2>/dev/null; then
            fail "the program ended while waiting for: $what"
        fi
        sleep 0.1
    done
    fail "timed out after ${seconds}s waiting for: $what"
}

# The visible top-level windows titled exactly `title`, apart from the main window.
boxes_titled() {
    xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | grep -vx "$main" || true
}
box_shown() { [ -n "$(boxes_titled "$1")" ]; }
# The box `id` titled `title` is gone (another box of that title may have come already).
box_gone() {
    local ids
    ids=$(boxes_titled "$1")
    ! grep -qx "$2" <<<"$ids"
}
focus_is() { [ "$(xdotool getwindowfocus 2>/dev/null)" = "$1" ]; }

# Waits for a message box titled `title` and answers it with Enter (OK, Retry: its default).
answer_box() {
    local title=$1 what=$2 box
    wait_until 60 "the box \"$what\"" box_shown "$title"
    box=$(boxes_titled "$title")
    [ "$(wc -l <<<"$box")" -eq 1 ] || fail "more than one box titled \"$title\" while expecting \"$what\""
    # The program hands the focus to the box it shows; without a window manager nothing
    # else moves it.
    wait_until 10 "the focus on the box \"$what\"" focus_is "$box"
    xdotool key Return
    wait_until 30 "the box \"$what\" to close" box_gone "$title" "$box"
}

# Waits for the program to end; its exit status is left in `status`.
process_ended() { ! kill -0 "$pid" 2>/dev/null; }
wait_for_end() {
    expect_end=yes
    wait_until "$1" "$2" process_ended
    set +e
    wait "$pid" 2>/dev/null
    status=$?
    set -e
    pid=
    expect_end=
}

# Runs the command (the program, or a tracer running it) in the folder and focuses its window.
start_program() {
    (cd "$folder" && XDG_RUNTIME_DIR=$runtime QT_QPA_PLATFORM=xcb exec "$@") \
        >>"$work/program.log" 2>&1 &
    pid=$!
    main=
    wait_until 60 "the window \"Kelvaro\"" box_shown Kelvaro
    main=$(boxes_titled Kelvaro)
    [ "$(wc -l <<<"$main")" -eq 1 ] || fail "more than one window \"Kelvaro\" at the start"
    # No window manager gives the new window the focus; ask the X server directly.
    timeout 10 xdotool windowfocus --sync "$main" || fail "the window \"Kelvaro\" took no focus"
}

# Every entry of the folder: its kind and name, and each file's checksum.
record_folder() {
    (
        cd "$folder"
        find . -mindepth 1 -printf '%y %P\n' | LC_ALL=C sort
        find . -type f -print0 | LC_ALL=C sort -z | xargs -0 sha256sum
    )
}

count_matching() { find "$folder" -maxdepth 1 -name "$1" | wc -l; }
restored() { [ "$(count_matching '*.zyx')" -eq 0 ] && [ "$(count_matching 'VOXAjpg*.log')" -eq 0 ]; }
restore_finished() {
    box_shown Kelvaro && fail "the restore showed a message box instead of finishing"
    restored
}
title_is() { [ "$(xdotool getwindowname "$main" 2>/dev/null)" = "$1" ]; }

# The folder: thousands of files with distinct contents, a few names with blanks and Japanese
# characters, and files of other types that no step may touch.
for ((i = 1; i <= FileCount; i++)); do
    case $((i % 1000)) in
    7) name="写真 $i.jpg" ;;
    8) name="holiday pic $i.jpg" ;;
    *) printf -v name 'IMG_%05d.jpg' "$i" ;;
    esac
    printf 'picture %d\n%s\n' "$i" "$RANDOM" >"$folder/$name"
done
printf 'not a picture\n' >"$folder/notes.txt"
printf 'an old copy\n' >"$folder/IMG_00001.jpg.bak"
record_folder >"$work/before"

rename_and_kill() {
    local kill_at=$1 left
    # First run: list, prefix, start number 1, the rename button, OK on the question. The
    # program runs under strace, which delivers SIGKILL on entry to the kill_at-th rename: a
    # kill timed from outside would come too late, as all the renames take a few milliseconds.
    start_program strace -qq -o /dev/null -e trace=renameat2 \
        -e inject=renameat2:signal=KILL:when="$kill_at" "$exe"
    xdotool key Return
    xdotool type --delay 50 "$Prefix"
    xdotool key Return
    xdotool type --delay 50 1
    xdotool key Return
    xdotool key Return
    expect_end=yes
    answer_box 確認 "ファイル名を改名します"
    wait_for_end 60 "the program to be killed during the renames"
    [ "$status" -eq 137 ] || fail "the program was not killed by SIGKILL (exit status $status)"
    left=$(count_matching '*.zyx')
    [ "$left" -gt 0 ] || fail "no file under a temporary .zyx name after the kill"
    [ "$(count_matching 'VOXAjpg*.log')" -gt 0 ] || fail "no history file VOXAjpg*.log after the kill"
    echo "killed at rename $kill_at: $left of $FileCount files under temporary names"
}

restore_after_restart() {
    # Second run: listing the folder points to the restore.
    start_program "$exe"
    xdotool key Return
    answer_box Kelvaro "前回の改名が中断されています。「ファイル名の復元」で元に戻せます"

    # The restore: Ctrl+U, OK on "ファイル名を元に戻します", OK on " 1 回目の改名を元に戻しますか".
    wait_until 10 "the focus back on the window \"Kelvaro\"" focus_is "$main"
    xdotool key ctrl+u
    answer_box 確認 "ファイル名を元に戻します"
    answer_box 確認 " 1 回目の改名を元に戻しますか"
    wait_until 180 "no .zyx and no VOXAjpg*.log left in the folder" restore_finished

    # End the program by its menu shortcut.
    wait_until 30 "the window title \"Kelvaro\" after the restore" title_is Kelvaro
    wait_until 10 "the focus back on the window \"Kelvaro\"" focus_is "$main"
    xdotool key ctrl+x
    wait_for_end 30 "the program to end after Ctrl+X"
    [ "$status" -eq 0 ] || fail "the program ended with exit status $status after Ctrl+X"

    record_folder >"$work/after"
    if ! diff -u "$work/before" "$work/after" >"$work/diff"; then
        echo "--- differences (before / after), first lines:"
        head -n 40 "$work/diff"
        fail "the folder differs from the recording after the restore"
    fi
    echo "all $FileCount files have their names and contents back"
}

# Killed half-way through the first pass (originals and temporary names), then half-way
# through the second (temporary names and new names). Every rename of a file is one
# renameat2 call.
for kill_at in $((FileCount / 2)) $((FileCount + FileCount / 2)); do
    rename_and_kill "$kill_at"
    restore_after_restart
done
