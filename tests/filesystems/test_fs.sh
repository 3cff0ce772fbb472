#!/usr/bin/env bash
# Mounts and takes down the pass-through test file systems (passthrough.py beside this script).
#   test_fs.sh mount DIR [passthrough options]   shows the empty folder DIR/store at DIR/mnt
#   test_fs.sh unmount DIR                       takes the mount down and removes DIR/store
# Both first clear what an interrupted earlier run may have left at DIR, so that either can
# be run again at any time.
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
action=${1:?mount or unmount}
dir=${2:?folder}
shift 2

mounted() { findmnt --mountpoint "$dir/mnt" >/dev/null; }

take_down() {
    if mounted; then
        fusermount -u "$dir/mnt" 2>/dev/null || umount "$dir/mnt" 2>/dev/null ||
            umount -l "$dir/mnt" 2>/dev/null
    fi
    if [ -f "$dir/pid" ]; then
        pid=$(cat "$dir/pid")
        for _ in $(seq 50); do
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.1
        done
        kill -0 "$pid" 2>/dev/null && kill "$pid" 2>/dev/null
        rm -f "$dir/pid"
    fi
    if mounted; then
        echo "test_fs: $dir/mnt is still mounted" >&2
        return 1
    fi
    rm -rf "$dir/store"
}

case "$action" in
mount)
    take_down || exit 1
    mkdir -p "$dir/store" "$dir/mnt"
    setsid /usr/bin/python3 "$here/passthrough.py" "$dir/store" "$dir/mnt" "$@" \
        </dev/null >"$dir/log" 2>&1 &
    echo $! >"$dir/pid"
    for _ in $(seq 100); do
        mounted && exit 0
        kill -0 "$(cat "$dir/pid")" 2>/dev/null || break
        sleep 0.1
    done
    echo "test_fs: could not mount $dir/mnt:" >&2
    cat "$dir/log" >&2
    take_down
    exit 1
    ;;
unmount)
    take_down
    ;;
*)
    echo "usage: test_fs.sh mount|unmount DIR [options]" >&2
    exit 2
    ;;
esac
