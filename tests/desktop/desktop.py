#!/usr/bin/python3
"""The real program on the desktop that desktop.sh starts (Xvfb, openbox, the AT-SPI bus), read
from outside as a user or a screen reader meets it: window sizes and frames through X
properties, rows of the lists through the accessibility tree, files on disk.

Usage: desktop.py STATE KELVARO window LOCALE     sizes, frames, icons, rows side by side
       desktop.py STATE KELVARO numbering LOCALE  the Number menu from the keyboard
       desktop.py STATE KELVARO lists LOCALE      a folder given from outside; the lists scrolled
       desktop.py STATE KELVARO killed_rename     a rename killed in each pass, then restored
       desktop.py STATE KELVARO odd_paths LOCALE  folders whose names are bytes, not text
       desktop.py STATE BUILD_DIR installed_package
"""
import os
import re
import subprocess
import sys
import tempfile
import time
from pathlib import Path

STATE = Path(sys.argv[1])
for line in (STATE / "env").read_text().splitlines():
    key, _, value = line.partition("=")
    os.environ[key] = value

import gi  # noqa: E402  (after the environment: the bus address is read on import)

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402

TWIPS_PER_PIXEL = 15  # 96 dots per inch
DELETE_REFUSED = ("前回の改名が中断されていますから削除出来ません。"
                  "「ファイル名の復元」で元に戻して下さい")
MAIN_CLIENT = (8685, 6315)  # twips, below the menu bar
README_CLIENT = (8710, 6625)


class Failure(Exception):
    pass


def check(condition, what):
    if not condition:
        raise Failure(what)


def wait_for(what, probe, seconds=60):
    """Returns the first true value of probe(), polled every tenth of a second."""
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        value = probe()
        if value:
            return value
        time.sleep(0.1)
    raise Failure(f"timed out after {seconds} s waiting for {what}")


def run(*command):
    return subprocess.run(command, capture_output=True, text=True).stdout


def key(*keys):
    run("xdotool", "key", "--clearmodifiers", *keys)


def type_text(text):
    run("xdotool", "type", "--delay", "50", text)


def windows(title):
    return run("xdotool", "search", "--onlyvisible", "--name", f"^{title}$").split()


def framed_window(title):
    """The one visible window of that title, once the window manager has framed it."""
    def probe():
        found = windows(title)
        return found[0] if len(found) == 1 and frame_of(found[0]) else None
    return wait_for(f'the framed window "{title}"', probe)


def frame_of(window):
    """The window manager's frame: left, right, top, bottom."""
    match = re.search(r"= (\d+), (\d+), (\d+), (\d+)", run("xprop", "-id", window, "_NET_FRAME_EXTENTS"))
    return tuple(map(int, match.groups())) if match else None


def geometry_of(*window):
    """x, y, width and height of `-id ID` or `-root`, as xwininfo reports them."""
    info = run("xwininfo", *window)
    value = lambda name: int(re.search(rf"{name}:\s+(-?\d+)", info).group(1))  # noqa: E731
    return (value("Absolute upper-left X"), value("Absolute upper-left Y"),
            value("Width"), value("Height"))


def has_icon(window):
    """Whether the window shows the program's icon: Qt's stand-in has no 16-pixel picture."""
    return "Icon (16 x 16)" in run("xprop", "-id", window, "-notype", "_NET_WM_ICON")


def check_framed_and_centred(title, client_twips, menu_height=0):
    """The area below the menu bar holds client_twips, and the frame is centred on the screen."""
    window = framed_window(title)
    x, y, width, height = geometry_of("-id", window)
    left, right, top, bottom = frame_of(window)
    expected = tuple(round(t / TWIPS_PER_PIXEL) for t in client_twips)
    check((width, height - menu_height) == expected,
          f'"{title}": client area {width}x{height - menu_height}, expected {expected}')
    _, _, screen_width, screen_height = geometry_of("-root")
    outer = (x - left, y - top, width + left + right, height + top + bottom)
    centred = ((screen_width - outer[2]) // 2, (screen_height - outer[3]) // 2)
    check(abs(outer[0] - centred[0]) <= 1 and abs(outer[1] - centred[1]) <= 1,
          f'"{title}": frame at {outer[:2]}, centred would be {centred}')
    check(has_icon(window), f'"{title}" has no icon')
    print(f'"{title}": client {expected[0]}x{expected[1]}, frame {left},{right},{top},{bottom} '
          f"centred at {outer[0]},{outer[1]}, icon set")


class Program:
    """The program started in `folder` with a runtime folder of its own (it is single-instance
    per runtime folder), its accessibility bridge on, and ended when the block ends."""

    def __init__(self, command, folder, lang="ja_JP.UTF-8", home=None, config=None):
        self.runtime = tempfile.TemporaryDirectory()
        # Settings of its own: the Number menu's choice is kept there between starts.
        env = dict(os.environ, XDG_RUNTIME_DIR=self.runtime.name, LANG=lang,
                   XDG_CONFIG_HOME=config or self.runtime.name,
                   QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
                   ASAN_OPTIONS="detect_leaks=0")
        env.pop("LC_ALL", None)
        if home is not None:
            env["HOME"] = home
        self.env = env
        self.process = subprocess.Popen(command, cwd=folder, env=env,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def start_again(self, *arguments):
        """A later start of the program, which hands its arguments over to this one and ends."""
        later = subprocess.run([self.process.args[0], *arguments], env=self.env, timeout=60,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        check(later.returncode == 0, f"a later start ended with status {later.returncode}")

    def __enter__(self):
        return self

    def __exit__(self, *_):
        if self.process.poll() is None:
            self.process.kill()
        self.process.wait()
        self.runtime.cleanup()

    def accessible(self):
        """The program's application object on the accessibility bus."""
        def probe():
            desktop = Atspi.get_desktop(0)
            for i in range(desktop.get_child_count()):
                app = desktop.get_child_at_index(i)
                if app is not None and app.get_process_id() == self.process.pid:
                    return app
            return None
        return wait_for("the program on the accessibility bus", probe)


def descendants(accessible):
    yield accessible
    for i in range(accessible.get_child_count()):
        child = accessible.get_child_at_index(i)
        if child is not None:
            yield from descendants(child)


def find(root, role, name=None):
    for node in descendants(root):
        if node.get_role() == role and (name is None or node.get_name() == name):
            return node
    return None


def extents(accessible):
    box = accessible.get_extents(Atspi.CoordType.SCREEN)
    return box.x, box.y, box.width, box.height


def rows_of(app, name, count):
    """The screen rectangles of the rows of the list named `name`, once it has `count`."""
    def probe():
        listed = find(app, Atspi.Role.LIST, name)
        if listed is None or listed.get_child_count() != count:
            return None
        return [extents(listed.get_child_at_index(i)) for i in range(count)]
    return wait_for(f'{count} rows in the list "{name}"', probe)


def window(exe, lang):
    """Both windows sized and centred by the frame openbox draws, with the icon; the two lists
    with one row height and row i of each side by side, for names in several scripts."""
    # The last target holds Myanmar letters, from a taller face, and its new name does not: a
    # list sizes all its rows by its last one unless the program fixes their height.
    names = ["abc.jpg", "IMG_0001.jpg", "x.日本語.jpg", "y.ﾊﾝｶｸ.jpg", "z.😀.jpg", "京都の紅葉.jpg",
             "😀party.jpg", "漢字と😀とｶﾅ.txt.jpg", "ｶﾒﾗ.jpg", "ｶﾒﾗမြန်မာ.jpg"]
    with tempfile.TemporaryDirectory() as folder, Program([exe], folder, lang) as program:
        for name in names:
            Path(folder, name).write_text(name)
        app = program.accessible()
        framed_window("Kelvaro")
        menu = extents(wait_for("the menu bar", lambda: find(app, Atspi.Role.MENU_BAR)))
        check_framed_and_centred("Kelvaro", MAIN_CLIENT, menu_height=menu[3])

        key("Return")  # lists the folder
        type_text("p")
        key("Return")
        type_text("1")
        key("Return")  # leaving the start number builds the preview
        targets = rows_of(app, "作業対象ファイル名", len(names))
        previews = rows_of(app, "改名後ファイル名", len(names))
        heights = {row[3] for row in targets + previews}
        check(len(heights) == 1, f"rows of different heights: {targets} / {previews}")
        for i, (target, preview) in enumerate(zip(targets, previews)):
            check(target[1] == preview[1], f"row {i}: target at y={target[1]}, new name at "
                                           f"y={preview[1]}")
        print(f"{len(names)} rows of {heights.pop()} px, side by side in both lists")

        key("ctrl+h")
        check_framed_and_centred("お読み下さい", README_CLIENT)


def row_names(app, name, expected):
    """The texts of the rows of the list named `name`, once they are `expected`."""
    def probe():
        listed = find(app, Atspi.Role.LIST, name)
        if listed is None:
            return None
        rows = [listed.get_child_at_index(i).get_name() for i in range(listed.get_child_count())]
        return rows if rows == expected else None
    try:
        return wait_for(f'the rows {expected} in "{name}"', probe, seconds=20)
    except Failure:
        listed = find(app, Atspi.Role.LIST, name)
        rows = [listed.get_child_at_index(i).get_name() for i in range(listed.get_child_count())]
        raise Failure(f'"{name}" shows {rows}, expected {expected}')


def menu_items(app, title):
    """The items of the menu `title` as a screen reader reads them: name, and whether checked."""
    heading = wait_for(f'the menu "{title}"', lambda: find(app, Atspi.Role.MENU_ITEM, title))
    menu = heading.get_child_at_index(0)
    items = []
    for i in range(menu.get_child_count()):
        item = menu.get_child_at_index(i)
        if item.get_role() != Atspi.Role.SEPARATOR:
            items.append((item.get_name(), item.get_state_set().contains(Atspi.StateType.CHECKED)))
    return items


def numbering(exe, lang):
    """The Number menu reached from the keyboard (Alt+N, then A for the natural order, P for
    pairs), the target list in that order with the preview beside it, and the choice kept for
    the next start, read as a screen reader reads them."""
    names = ["photo10.jpg", "photo2.jpg", "photo1.jpg", "写真10.jpg", "写真２.jpg"]
    by_name = ["photo1.jpg", "photo10.jpg", "photo2.jpg", "写真10.jpg", "写真２.jpg"]
    natural = ["photo1.jpg", "photo2.jpg", "photo10.jpg", "写真２.jpg", "写真10.jpg"]
    title = "番号の付け方(N)"
    items = ["名前順(N)", "名前順・数字は数の大きさ順(A)", "撮影日時順(T)", "更新日時順(M)",
             "拡張子だけ違うファイルに同じ番号(P)"]
    strip = lambda text: text.replace("&", "")  # noqa: E731
    with tempfile.TemporaryDirectory() as folder, tempfile.TemporaryDirectory() as config:
        for name in names:
            Path(folder, name).write_text(name)
        with Program([exe], folder, lang, config=config) as program:
            app = program.accessible()
            framed_window("Kelvaro")
            bar = wait_for("the menu bar", lambda: find(app, Atspi.Role.MENU_BAR))
            menus = [bar.get_child_at_index(i).get_name() for i in range(bar.get_child_count())]
            check(menus.index(title) == 2, f"the menu is not between Edit and Help: {menus}")
            found = menu_items(app, title)
            check([strip(n) for n, _ in found] == items, f"the menu holds {found}")
            check([c for _, c in found] == [True, False, False, False, False],
                  f"not the name order by default: {found}")
            key("Return")  # lists the folder
            row_names(app, "作業対象ファイル名", by_name)
            key("alt+n")
            key("a")
            row_names(app, "作業対象ファイル名", natural)
            key("alt+n")
            key("p")  # pairs: no two names here share a stem, the list stays as it is
            chosen = [False, True, False, False, True]  # one order only, and pairs
            wait_for(f"the items checked as {chosen}",
                     lambda: [c for _, c in menu_items(app, title)] == chosen)
            type_text("p")
            key("Return")
            type_text("1")
            key("Return")
            row_names(app, "改名後ファイル名", [f"p{i:04d}.jpg" for i in range(1, 6)])
        with Program([exe], folder, lang, config=config) as program:
            app = program.accessible()
            framed_window("Kelvaro")
            found = menu_items(app, title)
            check([c for _, c in found] == chosen,
                  f"the natural order with pairs was not kept: {found}")
            key("Return")
            row_names(app, "作業対象ファイル名", natural)
        print(f"Number menu: {len(items)} items read; Alt+N, A lists {len(names)} files in "
              "natural order with the preview beside them; order and pairs kept for the next "
              "start")


def facing(app, count):
    """The rows of both lists, once each holds `count`, checked to stand level row by row."""
    targets = rows_of(app, "作業対象ファイル名", count)
    previews = rows_of(app, "改名後ファイル名", count)
    for i, (target, preview) in enumerate(zip(targets, previews)):
        check(target[1] == preview[1], f"row {i}: target at y={target[1]}, new name at "
                                       f"y={preview[1]}")
    return targets


def first_visible(app, name, rows):
    """The index of the row at the top of the list named `name`."""
    top = extents(find(app, Atspi.Role.LIST, name))[1]
    return min(range(len(rows)), key=lambda i: abs(rows[i][1] - top))


def lists(exe, lang):
    """A folder given as the argument is listed at once; the two lists scroll together (wheel,
    keys), a folder handed over while a box is open is opened when it is answered, and after
    that listing both lists start at their first row, rows level."""
    with tempfile.TemporaryDirectory() as work:
        first, second = Path(work, "img"), Path(work, "big")
        first.mkdir()
        second.mkdir()
        for i in range(60):
            Path(first, f"img{i:05d}.jpg").write_text(str(i))
        for i in range(40):
            Path(second, f"big{i:04d}.jpg").write_text(str(i))
        long_name = "a." + "長い名前の写真" * 5 + ".jpg"  # wider than the list: cut off
        Path(second, long_name).write_text("long")
        with Program([exe, str(first)], work, lang) as program:
            app = program.accessible()
            framed_window("Kelvaro")
            rows_of(app, "作業対象ファイル名", 60)  # listed without a key pressed
            print("started on a folder: its 60 files listed at once")

            type_text("p")  # the listing left the focus in the prefix box
            key("Return")
            type_text("1")
            key("Return")  # leaving the start number builds the preview
            rows = facing(app, 60)
            x, y, width, height = extents(find(app, Atspi.Role.LIST, "作業対象ファイル名"))
            run("xdotool", "mousemove", str(x + width // 2), str(y + height // 2))
            run("xdotool", "click", "--repeat", "4", "--delay", "100", "5")  # wheel down
            rows = wait_for("the target list scrolled",
                            lambda: (lambda r: r if first_visible(app, "作業対象ファイル名", r) > 0
                                     else None)(rows_of(app, "作業対象ファイル名", 60)))
            facing(app, 60)
            print(f"wheel on the target list: row {first_visible(app, '作業対象ファイル名', rows)}"
                  " at the top of both lists")

            x, y, width, height = extents(find(app, Atspi.Role.LIST, "改名後ファイル名"))
            run("xdotool", "mousemove", str(x + width // 2), str(y + 5), "click", "1")
            key("End")
            rows = wait_for("the new-name list at its end",
                            lambda: (lambda r: r if first_visible(app, "改名後ファイル名", r) > 30
                                     else None)(rows_of(app, "改名後ファイル名", 60)))
            facing(app, 60)
            print("End in the new-name list: both lists at their last rows")

            main = framed_window("Kelvaro")
            key("ctrl+v")  # the version box
            wait_for("the version box", lambda: [w for w in windows("Kelvaro") if w != main])
            program.start_again(str(second))
            time.sleep(1)  # the running copy takes the hand-over in while the box stays open
            check(len(rows_of(app, "作業対象ファイル名", 60)) == 60,
                  "the folder handed over was opened while the box was open")
            answer("Kelvaro", besides=main)
            rows = rows_of(app, "作業対象ファイル名", 41)
            check(first_visible(app, "作業対象ファイル名", rows) == 0,
                  "the target list does not start at its first row after the listing")
            type_text("q")
            key("Return")
            type_text("1")
            key("Return")
            rows = facing(app, 41)
            check(first_visible(app, "改名後ファイル名", rows) == 0,
                  "the new-name list does not start at its first row")
            print("a folder handed over during a box: opened after it, both lists from row 0")

            x, y, width, height = rows[0]
            run("xdotool", "mousemove", str(x + width // 2), str(y + height // 2))
            wait_for("the tooltip with the whole name",
                     lambda: find(app, Atspi.Role.TOOL_TIP, long_name), seconds=10)
            print("a name cut off in the list shows whole in its tooltip")

            Path(second, "big9999.jpg").write_text("new")
            key("F5")
            rows_of(app, "作業対象ファイル名", 42)
            print("F5: the file added from outside is listed")


def killed_rename(exe):
    """A batch rename killed half-way through: in one pass (files under their old and their new
    names) and in the second of two (a file at p0001.jpg, a new name of the batch, makes it go
    through temporary names). The next start points to the restore, and the restore gives every
    file back its name and contents."""
    count = 300
    with tempfile.TemporaryDirectory() as folder:
        for i in range(count):
            name = f"写真 {i}.jpg" if i % 100 == 7 else f"IMG_{i:05d}.jpg"
            Path(folder, name).write_text(f"picture {i}\n")
        Path(folder, "notes.txt").write_text("not a picture\n")
        before = snapshot(folder)

        # Each file is one renameat2 a pass.
        for kill_at, passes in ((count // 2, 1), (count + count // 2, 2)):
            if passes == 2:
                Path(folder, "p0001.jpg").write_text("picture p\n")
                before = snapshot(folder)
            # strace kills the program on entry to that rename: a kill timed from outside
            # would come too late, the renames take a few milliseconds.
            traced = ["strace", "-qq", "-o", "/dev/null", "-e", "trace=renameat2",
                      "-e", f"inject=renameat2:signal=KILL:when={kill_at}", exe]
            with Program(traced, folder) as program:
                framed_window("Kelvaro")
                key("Return")
                type_text("p")
                key("Return")
                type_text("1")
                key("Return")
                key("Return")  # the rename button
                answer("確認")
                wait_for("the kill", lambda: program.process.poll() is not None)
            left = len(list(Path(folder).glob("*.zyx")))
            renamed = len(list(Path(folder).glob("p*.jpg")))
            check(left > 0 if passes == 2 else left == 0 and 0 < renamed < count,
                  f"not the files a kill in pass {passes} of {passes} leaves")

            with Program([exe], folder) as program:
                main = framed_window("Kelvaro")
                key("Return")
                answer("Kelvaro", besides=main)  # the hint that the rename was interrupted
                if kill_at == count // 2:
                    # Deleting the history now would take the files' first names with it: it
                    # is refused, pointing to the restore, and nothing is deleted.
                    key("ctrl+d")
                    answer("確認")
                    app = program.accessible()
                    wait_for("the refusal to delete the history",
                             lambda: find(app, Atspi.Role.LABEL, DELETE_REFUSED))
                    answer("Kelvaro", besides=main)
                    check(len(list(Path(folder).glob("VOXAjpg*.log"))) == 2,
                          "the history was deleted while the rename was interrupted")
                key("ctrl+u")
                answer("確認")  # restore
                answer("確認")  # undo rename 1
                wait_for("the restore", lambda: snapshot(folder) == before, seconds=120)
            print(f"killed at rename {kill_at} of a batch in {passes} pass(es) with {left} "
                  f"files under temporary names, {renamed} under new names: all restored")


def main_window():
    """The program's main window: the one titled "Kelvaro" that belongs to no other window, as
    message boxes do."""
    def probe():
        for window in windows("Kelvaro"):
            if "window id" not in run("xprop", "-id", window, "WM_TRANSIENT_FOR"):
                return window
        return None
    return wait_for("the main window", probe)


def box_text(app):
    """The text of the message box the program shows, read from the accessibility tree."""
    def probe():
        for node in descendants(app):
            if node.get_role() == Atspi.Role.ALERT:
                labels = [n.get_name() for n in descendants(node)
                          if n.get_role() == Atspi.Role.LABEL and n.get_name()]
                if labels:
                    return "\n".join(labels)
        return None
    return wait_for("a message box", probe)


def window_on(main, folders):
    """Which of `folders` (bytes paths) the window is on: Edit → delete history (Ctrl+D) deletes
    the history of that folder and of no other."""
    for folder in folders:
        Path(os.fsdecode(folder), "VOXAjpg0.log").write_bytes(b"a.jpg\r\n")
    run("xdotool", "windowactivate", "--sync", main)
    key("ctrl+d")
    answer("確認")
    gone = wait_for("a history deleted", lambda: [
        f for f in folders if not Path(os.fsdecode(f), "VOXAjpg0.log").exists()])
    for folder in folders:
        Path(os.fsdecode(folder), "VOXAjpg0.log").unlink(missing_ok=True)
    check(len(gone) == 1, f"the histories of {gone} were deleted")
    return gone[0]


def odd_paths(exe, lang):
    """A folder named with the byte 0xFF beside its twin named "\\uFFFD" (what the byte's usual
    decoding spells), given as the argument, as the current folder and handed over to the running
    window; and handed-over paths outside ASCII and with a line break. The window opens exactly
    the folder given, or refuses in a box; never the twin, never a path cut short."""
    with tempfile.TemporaryDirectory() as work:
        base = os.fsencode(work)
        names = [b"start", b"home", b"photos", "写真".encode(), b"\xff", "\ufffd".encode()]
        folders = {name: base + b"/" + name for name in names}
        for folder in folders.values():
            os.mkdir(folder)
            Path(os.fsdecode(folder), "a.jpg").write_bytes(b"a")
        everywhere = list(folders.values())
        not_text = "フォルダー名が UTF-8 ではありませんから開けません："
        home = os.fsdecode(folders[b"home"])

        with Program([exe, folders[b"\xff"]], folders[b"start"], lang, home) as program:
            app = program.accessible()
            main = main_window()
            text = box_text(app)
            check(not_text in text and "\\xff" in text, f"the box says {text!r}")
            answer("Kelvaro", besides=main)
            check(window_on(main, everywhere) == folders[b"start"], "not on the current folder")
        print("started with a folder named 0xFF: refused, the window is on the current folder")

        with Program([exe], folders[b"\xff"], lang, home) as program:
            app = program.accessible()
            main = main_window()
            text = box_text(app)
            check("ホームフォルダーで始めます" in text, f"the box says {text!r}")
            answer("Kelvaro", besides=main)
            check(window_on(main, everywhere) == folders[b"home"], "not on the home folder")
        print("started in a folder named 0xFF: the window is on the home folder")

        with Program([exe], folders[b"start"], lang, home) as program:
            app = program.accessible()
            main = main_window()
            program.start_again(folders["写真".encode()])
            check(window_on(main, everywhere) == folders["写真".encode()],
                  "a handed-over folder outside ASCII was not opened")
            for given, says in ((folders[b"photos"] + b"\nevil", "photos\\nevil"),
                                (folders[b"\xff"], not_text)):
                program.start_again(given)
                text = box_text(app)
                check(says in text, f"the box says {text!r}")
                answer("Kelvaro", besides=main)
                check(window_on(main, everywhere) == folders["写真".encode()],
                      f"{given!r} moved the window")
        print("handed over: 写真 opened; photos<newline>evil and 0xFF refused, the window stays")


def answer(title, besides=None):
    """Answers the message box titled `title` with Enter, its default button."""
    box = wait_for(f'the box "{title}"',
                   lambda: [w for w in windows(title) if w != besides])[0]
    wait_for(f'the focus on the box "{title}"',
             lambda: run("xdotool", "getwindowfocus").strip() == box)
    key("Return")
    wait_for(f'the box "{title}" to close', lambda: box not in windows(title))


def snapshot(folder):
    """Every file of the folder by name with its contents; None while files are being renamed."""
    try:
        return {p.name: p.read_bytes() for p in Path(folder).iterdir()}
    except FileNotFoundError:
        return None


def installed_package(build):
    """The Debian package: its dependencies and layout, and the installed program finding its
    read-me beside itself."""
    with tempfile.TemporaryDirectory() as work:
        packed = subprocess.run(["cpack", "-G", "DEB", "-B", work], cwd=build,
                                capture_output=True, text=True)
        check(packed.returncode == 0, "cpack failed:\n" + packed.stdout + packed.stderr)
        deb = next(Path(work).glob("kelvaro_*.deb"))
        depends = run("dpkg-deb", "-f", str(deb), "Depends")
        for dependency in ("libqt6widgets6", "libqt6svg6", "fonts-noto-cjk",
                           "qt6-translations-l10n"):
            check(dependency in depends, f"the package does not depend on {dependency}")
        root = Path(work, "root")
        subprocess.run(["dpkg-deb", "-x", str(deb), str(root)], check=True)
        for path in ("usr/libexec/kelvaro/kelvaro", "usr/libexec/kelvaro/VOXA01.vxa",
                     "usr/share/applications/kelvaro.desktop",
                     "usr/share/icons/hicolor/scalable/apps/kelvaro.svg"):
            check(Path(root, path).exists(), f"missing from the package: {path}")
        first_line = Path(root, "usr/libexec/kelvaro/VOXA01.vxa").read_bytes() \
            .split(b"\r\n")[0].decode("cp932")
        with Program([str(root / "usr/bin/kelvaro")], work) as program:
            app = program.accessible()
            framed_window("Kelvaro")
            key("ctrl+h")
            framed_window("お読み下さい")

            def first_entry():
                window = next((app.get_child_at_index(i) for i in range(app.get_child_count())
                               if app.get_child_at_index(i).get_name() == "お読み下さい"), None)
                text = window and find(window, Atspi.Role.LIST)
                return text and text.get_child_count() and text.get_child_at_index(0).get_name()
            shown = wait_for("the read-me text", first_entry)
            check(shown == first_line, f"the read-me window shows {shown!r}, not {first_line!r}")
        print("package layout and dependencies as expected; the installed program shows "
              "its read-me")


def main():
    command = sys.argv[3]
    try:
        if command == "window":
            window(sys.argv[2], sys.argv[4])
        elif command == "numbering":
            numbering(sys.argv[2], sys.argv[4])
        elif command == "lists":
            lists(sys.argv[2], sys.argv[4])
        elif command == "killed_rename":
            killed_rename(sys.argv[2])
        elif command == "odd_paths":
            odd_paths(sys.argv[2], sys.argv[4])
        elif command == "installed_package":
            installed_package(sys.argv[2])
        else:
            raise Failure(f"unknown check {command}")
    except Failure as failure:
        print(f"FAIL: {failure}")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
