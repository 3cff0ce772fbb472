#!/usr/bin/env bash
# Starts the real program on a virtual X display and waits for its window "Kelvaro".
# Usage: window_under_xvfb.sh KELVARO_EXECUTABLE
set -euo pipefail
[ "$1" = --inside ] || exec xvfb-run -a "$0" --inside "$1"
command -v xwininfo >/dev/null || { echo "xwininfo is missing (package x11-utils)"; exit 1; }
runtime=$(mktemp -d)
trap 'kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; rm -rf "$runtime"' EXIT
cd "$runtime"
XDG_RUNTIME_DIR=$runtime QT_QPA_PLATFORM=xcb "$2" &
pid=$!
for _ in $(seq 1 600); do
    xwininfo -root -tree | grep -q '"Kelvaro"' && { echo "window \"Kelvaro\" is shown"; exit 0; }
    kill -0 "$pid" 2>/dev/null || { echo "the program ended before showing its window"; exit 1; }
    sleep 0.1
done
echo "no window \"Kelvaro\" appeared"
exit 1
