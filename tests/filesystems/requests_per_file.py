#!/usr/bin/python3
"""The requests kelvaro-cli sends per file on a share without links or no-replace renames
(class C), as the pass-through file system counts them (passthrough.py --control, "count").

Usage: requests_per_file.py KELVARO_CLI FOLDER CONTROL

Where every request costs milliseconds, their number per file is the whole cost. A batch whose
new names are none of its old names, and its restore, go in one pass: for every file the file
system sees one rename, at most one look-up of the name the file goes to beyond the one the
kernel makes itself for any rename (counted first on a bare rename), and no link request after
the first of the run (the one that finds that the folder has no links: the batch asks with its
history file, the restore, which creates no file, with its first file, which then costs a few
looks more). A batch that shifts its files by one number goes in two passes: two renames per
file.
"""
import os
import shutil
import subprocess
import sys
import tempfile
from collections import Counter
from pathlib import Path

CLI, ROOT, CONTROL = sys.argv[1], Path(sys.argv[2]), sys.argv[3]
FILES = 20


def arm(fault):
    Path(CONTROL).write_text((fault or "") + "\n")
    # The file system notices a change by the control file's time stamp.
    os.utime(CONTROL, ns=(os.stat(CONTROL).st_atime_ns, os.stat(CONTROL).st_mtime_ns + 1))


def counting(action):
    """The requests the file system receives while `action` runs: (operation, names) each."""
    arm("count 0")
    try:
        action()
    finally:
        arm(None)
    lines = Path(CONTROL + ".requests").read_bytes().splitlines()
    return [(words[0].decode(), [os.path.basename(w).decode() for w in words[1:]])
            for words in (line.split(b" ") for line in lines)]


def cli(folder, *args):
    env = dict(os.environ, ASAN_OPTIONS="detect_leaks=0")
    run = subprocess.run([CLI, args[0], str(folder), "-t", "*.jpg", *args[1:]],
                         capture_output=True, text=True, env=env, timeout=120)
    if run.returncode != 0:
        raise SystemExit(f"FAIL: kelvaro-cli {' '.join(args)}: {run.returncode} {run.stderr}")


def per_file(requests, targets, kernel_looks, passes, what, looked=slice(None)):
    """Checks the renames, look-ups and links of a run whose files go to `targets`; the
    look-ups of targets[looked]."""
    renames = [names for op, names in requests if op == "rename" and "VOXA" not in names[0]]
    looks = Counter(names[0] for op, names in requests if op == "getattr")
    links = [i for i, (op, _) in enumerate(requests) if op == "link"]
    first_rename = next(i for i, (op, names) in enumerate(requests)
                        if op == "rename" and "VOXA" not in names[0])
    into = Counter(names[1] for names in renames)
    worst = max(looks[t] for t in targets[looked]) - kernel_looks
    print(f"{what}: {len(targets)} files, {len(renames)} renames, at most {worst} look-up(s) of "
          f"a new name besides the kernel's, {len(links)} link request(s)")
    ok = len(renames) == passes * len(targets) and all(into[t] == 1 for t in targets)
    ok = ok and worst <= 1 and len(links) <= 1 and all(i < first_rename for i in links)
    if not ok:
        raise SystemExit(f"FAIL: {what}: not one rename and one look-up per file "
                         f"{sorted(into.items())} {sorted(looks.items())} {links}")


def main():
    base = Path(tempfile.mkdtemp(dir=ROOT, prefix="requests."))
    try:
        (base / "x").write_bytes(b"x")
        bare = counting(lambda: os.rename(base / "x", base / "y"))
        kernel_looks = sum(1 for op, names in bare if op == "getattr" and names == ["y"])

        folder = base / "t"
        folder.mkdir()
        old = [f"DSC_{i:04d}.jpg" for i in range(1, FILES + 1)]
        new = [f"trip{i:04d}.jpg" for i in range(1, FILES + 1)]
        for name in old:
            (folder / name).write_bytes(name.encode())
        batch = counting(lambda: cli(folder, "rename", "-p", "trip", "-s", "1", "-q"))
        per_file(batch, new, kernel_looks, 1, "batch in one pass")
        restore = counting(lambda: cli(folder, "restore"))
        per_file(restore, old, kernel_looks, 1, "its restore (files 2 to 20)", slice(1, None))

        shutil.rmtree(folder)
        folder.mkdir()
        for i in range(2, FILES + 2):
            (folder / f"p{i:04d}.jpg").write_bytes(b"p")
        shift = counting(lambda: cli(folder, "rename", "-p", "p", "-s", "1", "-q"))
        renames = sum(1 for op, names in shift if op == "rename" and "VOXA" not in names[0])
        print(f"batch shifted by one: {FILES} files, {renames} renames")
        if renames != 2 * FILES:
            raise SystemExit("FAIL: a shift by one is not renamed in two passes")
    finally:
        shutil.rmtree(base, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
