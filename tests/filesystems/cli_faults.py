#!/usr/bin/python3
"""A sample of the fault model through the real kelvaro-cli on a real file system: the batch and
the restore with a fault at one request at a time, then what a user does next.

Usage: cli_faults.py KELVARO_CLI FOLDER CLASS [CONTROL]

FOLDER is where the test folders are made (a FUSE mount of passthrough.py for the classes B to
D, with its control file CONTROL; the system's temporary folder for class A, where strace
injects the faults into the system calls instead). A fault is one of:
    fail         the request fails with EIO and does nothing
    lie          the request is carried out and then fails with EIO (a reply lost on a share)
    kill-before  kelvaro-cli is killed before the request, kill-after: after it
(on class A only fail and kill-before, on renameat2 and fsync). After each faulted run:
    - every file still has a name, and the exit status and the message tell the disk: 0 and 6
      the batch done (6: not confirmed on disk), 3 every file back, 4 the files the message
      lists where it says they are;
    - "restore --all" brings every file back under its first name with its bytes (names it
      reports as kept beside a file are removed first, as its message asks), and after a kill
      the batch and its restore then work again.
The sample takes every request of a clean batch for a lost reply, and every second to fourth
for the others. It prints how many faulted runs it walked.
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
from pathlib import Path

CLI, ROOT, CLASS = sys.argv[1], Path(sys.argv[2]), sys.argv[3]
CONTROL = sys.argv[4] if len(sys.argv) > 4 else None
# On class D the third file's new name differs from its old one only in case.
FILES = ["a.jpg", "B.jpg", "c.jpg"] if CLASS != "D" else ["a.JPG", "b.jpg", "P0003.jpg"]
BATCH = ["-p", "p", "-s", "1"]
KEPT = "同じファイルの別名かも知れませんので"
NO_HISTORY = "改名記録が無いなため､ファイル名を元に戻せません"


class Failure(Exception):
    pass


def check(condition, what):
    if not condition:
        raise Failure(what)


def cli(folder, *args, fault=None, strace=None, trace=None):
    """Runs kelvaro-cli; returns (exit status, standard error). A negative status: killed."""
    command = [CLI, *args[:1], str(folder), "-t", "*.jpg", *args[1:]]
    # The messages read below are the Japanese ones, which a Japanese locale gives.
    env = dict(os.environ, ASAN_OPTIONS="detect_leaks=0", LANG="ja_JP.UTF-8")
    env.pop("LC_ALL", None)
    env.pop("LC_MESSAGES", None)
    if trace:
        command = trace + command
    if strace:
        command = ["strace", "-qq", "-o", "/dev/null", "-e", f"trace={strace[0]}",
                   "-e", f"inject={strace[0]}:{strace[1]}:when={strace[2]}"] + command
    if fault:
        arm(fault)
    try:
        run = subprocess.run(command, capture_output=True, text=True, env=env, timeout=120)
    finally:
        if fault:
            arm(None)
    return run.returncode, run.stderr


def arm(fault):
    """Writes the fault to the control file, or clears it; the file system counts from here."""
    Path(CONTROL).write_text((fault or "") + "\n")
    # The file system notices a new fault by the control file's time stamp.
    os.utime(CONTROL, ns=(os.stat(CONTROL).st_atime_ns, os.stat(CONTROL).st_mtime_ns + 1))


def counted():
    return int(Path(CONTROL + ".count").read_text() or 0)


def snapshot(folder):
    return {p.name: p.read_bytes() for p in folder.iterdir()}


def make(folder):
    shutil.rmtree(folder, ignore_errors=True)
    folder.mkdir()
    for name in FILES:
        (folder / name).write_bytes(name.encode())
    (folder / "notes.txt").write_bytes(b"not a picture")
    return snapshot(folder)


def named(folder, where):
    """Every file of the batch has a name."""
    held = list(snapshot(folder).values())
    for name in FILES:
        check(name.encode() in held, f"{where}: {name} has no name: {sorted(snapshot(folder))}")


def kept_names(message):
    """The names a message reports as kept beside a file: lines "name → file" after the note."""
    if KEPT not in message:
        return []
    tail = message.split(KEPT, 1)[1].splitlines()[1:]
    return [line.split(" → ")[0] for line in tail if " → " in line]


def recover(folder, original, where, again):
    status, err = cli(folder, "restore", "--all")
    for _ in range(3):
        extra = kept_names(err)
        if not extra:
            break
        for name in extra:
            (folder / name).unlink()
        status, err = cli(folder, "restore", "--all")
    check(status == 0 or (status == 1 and NO_HISTORY in err),
          f"{where}: restore --all: {status} {err}")
    check(snapshot(folder) == original, f"{where}: not every file back: {sorted(snapshot(folder))}")
    if not again:
        return
    check(cli(folder, "rename", *BATCH)[0] == 0, f"{where}: the batch again")
    check(cli(folder, "restore")[0] == 0 and snapshot(folder) == original,
          f"{where}: its restore")


def told(folder, original, renamed, status, err, where):
    """The exit status and message of a faulted batch tell what the folder holds."""
    now = snapshot(folder)
    if status in (0, 6):
        check(all(n in now for n in renamed), f"{where}: done, yet {sorted(now)}")
    elif status == 3:
        check(all(now.get(n) == original[n] for n in FILES),
              f"{where}: put back, yet {sorted(now)}")
    elif status == 4:
        for line in err.splitlines():
            match = re.match(r"^(\S+) → (.+)$", line)
            if match and match.group(1) in FILES:
                places = match.group(2).split("（")[0].split(" / ")
                check(any(now.get(p) == match.group(1).encode() for p in places),
                      f"{where}: {match.group(1)} is not at {places}")
    elif status == 1:
        check(now == original, f"{where}: refused, yet changed")


def walk(folder):
    """The batch and the restore with a fault at each request of the sample."""
    walked = 0
    original = make(folder)
    listed = sorted(FILES, key=str.lower)  # the order of the listing
    renamed = [f"p{i + 1:04d}{n[n.index('.'):]}" for i, n in enumerate(listed)]
    if CONTROL:
        arm("count 0")
        check(cli(folder, "rename", *BATCH)[0] == 0, "clean batch")
        batch_requests = counted()
        arm("count 0")
        check(cli(folder, "restore")[0] == 0, "clean restore")
        restore_requests = counted()
        arm(None)
        # Every request for a lost reply in the batch, every other or fourth for the rest.
        faults = {"rename": [("lie", 1), ("kill-before", 2), ("kill-after", 4), ("fail", 4)],
                  "restore": [("lie", 2), ("kill-before", 3), ("kill-after", 4)]}
        runs = (("rename", batch_requests), ("restore", restore_requests))
        plan = [(op, kind, n) for op, total in runs
                for kind, step in faults[op] for n in range(1, total + 1, step)]
    else:
        plan = [("rename", ("renameat2", kind), n) for kind in ("error=EIO", "signal=KILL")
                for n in range(1, 9)]
        plan += [("rename", ("fsync", kind), n) for kind in ("error=EIO", "signal=KILL")
                 for n in range(1, 5)]
        plan += [("restore", ("renameat2", kind), n) for kind in ("error=EIO", "signal=KILL")
                 for n in range(1, 7)]
    for op, kind, n in plan:
        where = f"class {CLASS}, {op}, {kind} at {n}"
        make(folder)
        if op == "restore":
            check(cli(folder, "rename", *BATCH)[0] == 0, where)
        before = snapshot(folder)
        args = BATCH if op == "rename" else []
        if CONTROL:
            status, err = cli(folder, op, *args, fault=f"{kind} {n}")
        else:
            status, err = cli(folder, op, *args, strace=(kind[0], kind[1], n))
        walked += 1
        if kind == "lie":
            # The kernel keeps what it knew of a name whose request failed for a second (the
            # mount's entry timeout), as a share's client does: the user reads the message first.
            time.sleep(1.1)
        named(folder, where)
        if op == "rename":
            told(folder, original, renamed, status, err, where)
        elif status == 1:
            check(snapshot(folder) == before, f"{where}: refused, yet changed")
        # After a kill, the batch and its restore must work again as well.
        recover(folder, original, where, again="kill" in str(kind) or "KILL" in str(kind))
    return walked


def show(folder, *args, fault=None):
    """Runs kelvaro-cli as a user would, prints what it says; returns (status, stderr)."""
    status, err = cli(folder, *args, fault=fault)
    armed = f"   [{fault}]" if fault else ""
    print(f"  $ kelvaro-cli {args[0]} DIR -t '*.jpg' {' '.join(args[1:])}{armed}")
    for line in err.splitlines():
        print(f"    {line}")
    print(f"    exit {status}; the folder: {' '.join(sorted(snapshot(folder)))}")
    return status, err


def traced(folder, *args, fault):
    """Runs kelvaro-cli under strace; prints its renames and links; returns (status, calls)."""
    with tempfile.NamedTemporaryFile("r", suffix=".trace") as trace:
        status, err = cli(folder, *args, fault=fault,
                          trace=["strace", "-qq", "-o", trace.name, "-e",
                                 "trace=renameat,renameat2,linkat,unlinkat"])
        calls = [line for line in trace.read().splitlines() if "VOXA" not in line]
    print(f"  $ kelvaro-cli {args[0]} DIR -t '*.jpg' {' '.join(args[1:])}   [{fault}]")
    for line in calls:
        print(f"    {line}")
    print(f"    exit {status}; the folder: {' '.join(sorted(snapshot(folder)))}")
    return status, {name: sum(line.startswith(name + "(") for line in calls)
                    for name in ("linkat", "renameat")}


def reproduce(folder):
    """The cases that faults on shares produced, run against this program."""
    files = ["a.jpg", "b.jpg", "c.jpg"]

    def fresh():
        shutil.rmtree(folder, ignore_errors=True)
        folder.mkdir()
        for name in files:
            (folder / name).write_bytes(name.encode())
        return snapshot(folder)

    def back(original, what):
        check(snapshot(folder) == original, f"{what}: not every file back")

    renamed = {"VOXAjpg0.log", "VOXAjpg1.log", "p0001.jpg", "p0002.jpg", "p0003.jpg"}
    if CLASS == "B":
        print("1. The unlink of b.jpg after its link is done, then answered EIO:")
        original = fresh()
        status, _ = show(folder, "rename", *BATCH, fault="lie 1 unlink b.jpg")
        check(status == 0 and set(snapshot(folder)) == renamed, "1: the batch is done")
        check(show(folder, "restore")[0] == 0, "1: restore")
        back(original, "1")

        print("3. Killed between the link of b.jpg and the unlink of its old name:")
        original = fresh()
        status, _ = show(folder, "rename", *BATCH, fault="kill-before 1 unlink b.jpg")
        check("p0002.jpg" in snapshot(folder) and "b.jpg" in snapshot(folder), "3: two names")
        check(show(folder, "rename", *BATCH)[0] == 1, "3: the batch points to the restore")
        print("4. Delete history right after the killed batch:")
        status, err = show(folder, "delete-history")
        check(status == 1 and "VOXAjpg1.log" in snapshot(folder), "4: refused, nothing deleted")
        check(show(folder, "restore")[0] == 0, "3: the restore")
        back(original, "3")

        print("5. Killed between writing history file 0 and file 1; the batch again:")
        original = fresh()
        show(folder, "rename", *BATCH, fault="kill-before 1 create VOXAjpg1")
        check(set(snapshot(folder)) == set(original) | {"VOXAjpg0.log"}, "5: file 0 alone")
        check(show(folder, "rename", *BATCH)[0] == 0, "5: the batch takes file 0 over")
        check(show(folder, "restore")[0] == 0, "5: restore")
        back(original, "5")
        print("   The same, then the restore and the history first:")
        show(folder, "rename", *BATCH, fault="kill-before 1 create VOXAjpg1")
        status, err = show(folder, "restore")
        check(status == 1 and NO_HISTORY in err, "5: no history")
        back(original, "5: the restore clears file 0")
        check(show(folder, "history")[0] == 0, "5: history")
        print("   Killed after the history was written, before the first rename:")
        show(folder, "rename", *BATCH, fault="kill-before 1 link a.jpg")
        check(show(folder, "rename", *BATCH)[0] == 1, "5: the batch points to the restore")
        check(show(folder, "restore")[0] == 0, "5: the restore finishes it")
        back(original, "5")

        print("6. The last sync of the batch, and of delete history, fails:")
        original = fresh()
        status, err = show(folder, "rename", *BATCH, fault="lie 2 fsyncdir")
        check(status == 6 and set(snapshot(folder)) == renamed, "6: done, not confirmed")
        status, err = show(folder, "delete-history", fault="lie 1 fsyncdir")
        check(status == 6 and "VOXAjpg0.log" not in snapshot(folder), "6: deleted, not confirmed")

        print("7. A link refused for a file of another user (fs.protected_hardlinks), later in")
        print("   the batch, and first in the restore; the renames the program asks for:")
        original = fresh()
        os.chown(folder / "b.jpg", 65534, 65534)
        status, calls = traced(folder, "rename", *BATCH, fault="eperm 1 link b.jpg")
        check(status == 0 and calls == {"linkat": 3, "renameat": 1},
              "7: the batch links every file but b.jpg")
        os.chown(folder / "p0001.jpg", 65534, 65534)
        status, calls = traced(folder, "restore", fault="eperm 1 link p0001.jpg")
        check(status == 0 and calls == {"linkat": 3, "renameat": 1},
              "7: the restore links every file but the first")
        back(original, "7")
    if CLASS == "C":
        print("2. The rename of b.jpg to its new name is done, then answered EIO:")
        original = fresh()
        status, _ = show(folder, "rename", *BATCH, fault="lie 1 rename b.jpg")
        check(status == 0 and set(snapshot(folder)) == renamed, "2: the batch is done")
        print("   and in the restore, the rename of p0002.jpg back to b.jpg:")
        status, _ = show(folder, "restore", fault="lie 1 rename p0002.jpg")
        check(status == 0, "2: the restore is done")
        back(original, "2")


def main():
    folder = Path(tempfile.mkdtemp(dir=None if str(ROOT) == "-" else ROOT, prefix="faults."))
    try:
        if CONTROL:
            reproduce(folder / "r")
        walked = walk(folder / "w")
    except Failure as failure:
        print(f"FAIL: {failure}")
        return 1
    finally:
        shutil.rmtree(folder, ignore_errors=True)
    print(f"class {CLASS}: {walked} faulted runs of kelvaro-cli, each followed by a restore")
    return 0


if __name__ == "__main__":
    sys.exit(main())
