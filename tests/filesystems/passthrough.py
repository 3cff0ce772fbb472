#!/usr/bin/python3
"""A pass-through FUSE file system that behaves like the file systems users rename on.

    passthrough.py STORE MOUNTPOINT [--no-links] [--no-overwrite] [--fold-case] [--inodes]
                   [--delay MS] [--control FILE]

Every entry lives in the folder STORE and is shown at MOUNTPOINT; the process stays in the
foreground until the mount is taken down (fusermount -u). It is built on libfuse 2, whose
kernel protocol has no rename flags: the kernel itself answers renameat2(RENAME_NOREPLACE)
with EINVAL, as it does on NFS, sshfs, NTFS-3G and the desktop's SMB and phone mounts.

    --no-links      link(2) fails with EPERM, as on FAT, exFAT, SMB and phone mounts.
    --no-overwrite  a rename onto an existing name fails with EPERM instead of replacing it,
                    as through sshfs on an SFTP server without POSIX renames.
    --fold-case     names are compared without regard to case, as on FAT and exFAT: a name
                    finds an entry spelled in any case, and an entry keeps the spelling it was
                    created with. Nothing is cached by the kernel, so that a name looked up
                    in one spelling is never served stale after a rename in another.
    --inodes        every name of a file shows the file's own inode number, as on NFS and
                    NTFS-3G; without it each name gets a number of its own, as through sshfs.
    --delay MS      every request waits MS milliseconds first, as on a slow network share.
    --control FILE  faults, read from FILE whenever it changes (see Faults below).

Faults. FILE holds one line "KIND N [OPERATION [NAME]]": the N-th request that changes the
disk (create, write, fsync, link, unlink, rename, fsyncdir), counted from the moment FILE
changed, or the N-th of OPERATION whose path contains NAME, is faulted:
    fail         fails with EIO and does nothing
    eperm        fails with EPERM and does nothing (a link refused by fs.protected_hardlinks)
    lie          is carried out, then fails with EIO (a reply lost on a share)
    kill-before  the calling program is killed (SIGKILL) before the request is carried out
    kill-after   the request is carried out, then the calling program is killed
    count        nothing is faulted; the requests are only counted
After every request that changes the disk, FILE.count holds how many there were so far. While
the fault is "count", every request the file system receives, of any kind, also adds a line
"OPERATION PATH ..." to FILE.requests (emptied when FILE changes), so that a test can count the
look-ups, renames and links a program makes per file.

Names are handled as bytes (decoded as Latin-1 on the way through fusepy), so names that are
not UTF-8 pass unchanged; case folding reads them as UTF-8.
"""

import argparse
import errno
import os
import signal
import sys
import time

import fusepy


def fold(name: bytes) -> str:
    # One character for one, as the upcase tables of FAT, exFAT and NTFS map: "ß" stays.
    text = name.decode("utf-8", "surrogateescape")
    return "".join(c.lower() if len(c.lower()) == 1 else c for c in text)


CHANGES = ("create", "write", "fsync", "link", "unlink", "rename", "fsyncdir")


class Faults:
    """The fault of the control file: which request, and what becomes of it."""

    def __init__(self, control):
        self.control = control
        self.stamp = None
        self.kind = None
        self.count = 0

    def refresh(self):
        try:
            stamp = os.stat(self.control).st_mtime_ns
        except OSError:
            stamp = None
        if stamp == self.stamp:
            return
        self.stamp, self.kind, self.count = stamp, None, 0
        if stamp is None:
            return
        with open(self.control) as f:
            words = f.read().split()
        if words:
            self.kind, self.at = words[0], int(words[1])
            self.operation = words[2] if len(words) > 2 else None
            self.name = words[3].encode() if len(words) > 3 else None
        if self.kind == "count":
            open(self.control + ".requests", "wb").close()

    def record(self, op, paths):
        """Notes a request of any kind while the requests are counted."""
        self.refresh()
        if self.kind == "count":
            with open(self.control + ".requests", "ab") as f:
                f.write(b" ".join([op.encode(), *paths]) + b"\n")

    def applies(self, op, paths):
        """Whether the request is the one to fault; counts the requests that change the disk."""
        self.refresh()
        if self.kind is None or op not in CHANGES:
            return False
        matching = (self.operation in (None, op)
                    and (self.name is None or any(self.name in p for p in paths)))
        if not matching:
            return False
        self.count += 1
        with open(self.control + ".count", "w") as f:
            f.write(str(self.count))
        return self.kind != "count" and self.count == self.at


class Passthrough(fusepy.Operations):
    use_ns = True

    def __init__(self, store, links, overwrite, fold_case, inodes, delay, control):
        self.store = os.fsencode(os.path.realpath(store))
        self.links = links
        self.overwrite = overwrite
        self.fold_case = fold_case
        self.inodes = inodes
        self.delay = delay
        self.faults = Faults(control) if control else None

    def __call__(self, op, *args):
        if self.delay:
            time.sleep(self.delay)
        paths = [a.encode("latin-1") for a in args if isinstance(a, str)]
        if self.faults:
            self.faults.record(op, paths)
        if not self.faults or not self.faults.applies(op, paths):
            return super().__call__(op, *args)
        kind = self.faults.kind
        caller = fusepy.fuse_get_context()[2]
        if kind in ("fail", "eperm"):
            raise fusepy.FuseOSError(errno.EPERM if kind == "eperm" else errno.EIO)
        if kind == "kill-before":
            os.kill(caller, signal.SIGKILL)
            raise fusepy.FuseOSError(errno.EINTR)
        result = super().__call__(op, *args)
        if kind == "kill-after":
            os.kill(caller, signal.SIGKILL)
            return result
        raise fusepy.FuseOSError(errno.EIO)  # lie: done, then reported failed

    # Paths come from fusepy as Latin-1 text; the store is addressed by bytes.
    def real(self, path):
        parts = [p for p in path.encode("latin-1").split(b"/") if p]
        real = self.store
        for part in parts:
            real = os.path.join(real, self.entry(real, part))
        return real

    def entry(self, folder, name):
        """The spelling under which `name` is stored in `folder`: its own where no entry
        matches, so that a new entry keeps the spelling it is created with."""
        if not self.fold_case or os.path.lexists(os.path.join(folder, name)):
            return name
        key = fold(name)
        try:
            for existing in os.listdir(folder):
                if fold(existing) == key:
                    return existing
        except OSError:
            pass
        return name

    @staticmethod
    def oserror(call, *args):
        try:
            return call(*args)
        except OSError as e:
            raise fusepy.FuseOSError(e.errno or errno.EIO)

    def getattr(self, path, fh=None):
        if fh is not None:
            st = self.oserror(os.fstat, fh)
        else:
            st = self.oserror(os.lstat, self.real(path))
        keys = ("st_mode", "st_nlink", "st_uid", "st_gid", "st_size", "st_atime_ns",
                "st_mtime_ns", "st_ctime_ns", "st_blocks") + (("st_ino",) if self.inodes else ())
        attrs = {k: getattr(st, k) for k in keys}
        for k in ("st_atime", "st_mtime", "st_ctime"):
            attrs[k] = attrs.pop(k + "_ns")
        return attrs

    def readdir(self, path, fh):
        names = self.oserror(os.listdir, self.real(path))
        return [".", ".."] + [n.decode("latin-1") for n in names]

    def readlink(self, path):
        return self.oserror(os.readlink, self.real(path)).decode("latin-1")

    def mknod(self, path, mode, dev):
        self.oserror(os.mknod, self.real(path), mode, dev)

    def mkdir(self, path, mode):
        self.oserror(os.mkdir, self.real(path), mode)

    def rmdir(self, path):
        self.oserror(os.rmdir, self.real(path))

    def unlink(self, path):
        self.oserror(os.unlink, self.real(path))

    def symlink(self, target, source):
        self.oserror(os.symlink, source.encode("latin-1"), self.real(target))

    def link(self, target, source):
        if not self.links:
            raise fusepy.FuseOSError(errno.EPERM)
        self.oserror(os.link, self.real(source), self.real(target))

    def rename(self, old, new):
        source = self.real(old)
        parent, name = new.encode("latin-1").rsplit(b"/", 1)
        folder = self.real(parent.decode("latin-1"))
        existing = os.path.join(folder, self.entry(folder, name))
        if existing != source and os.path.lexists(existing):
            if not self.overwrite:
                raise fusepy.FuseOSError(errno.EPERM)
            self.oserror(os.rename, source, existing)  # replaces it, as rename(2) does
            source = existing
        # The new spelling, also where only the case of a name changes.
        self.oserror(os.rename, source, os.path.join(folder, name))

    def chmod(self, path, mode):
        self.oserror(os.chmod, self.real(path), mode)

    def chown(self, path, uid, gid):
        self.oserror(os.lchown, self.real(path), uid, gid)

    def truncate(self, path, length, fh=None):
        if fh is not None:
            self.oserror(os.ftruncate, fh, length)
        else:
            self.oserror(os.truncate, self.real(path), length)

    def utimens(self, path, times=None):
        real = self.real(path)
        if times is None:
            self.oserror(lambda: os.utime(real, follow_symlinks=False))
        else:
            self.oserror(lambda: os.utime(real, ns=times, follow_symlinks=False))

    def open(self, path, flags):
        return self.oserror(os.open, self.real(path), flags & ~os.O_CREAT)

    def create(self, path, mode, fi=None):
        return self.oserror(os.open, self.real(path), os.O_RDWR | os.O_CREAT | os.O_EXCL, mode)

    def read(self, path, size, offset, fh):
        return self.oserror(os.pread, fh, size, offset)

    def write(self, path, data, offset, fh):
        return self.oserror(os.pwrite, fh, data, offset)

    def release(self, path, fh):
        self.oserror(os.close, fh)

    def fsync(self, path, datasync, fh):
        self.oserror(os.fdatasync if datasync else os.fsync, fh)

    def fsyncdir(self, path, datasync, fh):
        fd = self.oserror(os.open, self.real(path), os.O_RDONLY | os.O_DIRECTORY)
        try:
            self.oserror(os.fsync, fd)
        finally:
            os.close(fd)

    def statfs(self, path):
        st = os.statvfs(self.real(path))
        keys = ("f_bavail", "f_bfree", "f_blocks", "f_bsize", "f_favail", "f_ffree", "f_files",
                "f_flag", "f_frsize", "f_namemax")
        return {k: getattr(st, k) for k in keys}


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("store")
    parser.add_argument("mountpoint")
    parser.add_argument("--no-links", action="store_true")
    parser.add_argument("--no-overwrite", action="store_true")
    parser.add_argument("--fold-case", action="store_true")
    parser.add_argument("--inodes", action="store_true")
    parser.add_argument("--delay", type=float, default=0, metavar="MS")
    parser.add_argument("--control", metavar="FILE")
    args = parser.parse_args()
    options = {"foreground": True, "nothreads": True, "hard_remove": True,
               "fsname": "passthrough", "subtype": "kelvaro-test"}
    if args.fold_case:
        options.update(entry_timeout=0, negative_timeout=0, attr_timeout=0)
    if args.inodes:
        options.update(use_ino=True)
    fs = Passthrough(args.store, not args.no_links, not args.no_overwrite, args.fold_case,
                     args.inodes, args.delay / 1000, args.control)
    # Paths as Latin-1: every byte of a name is one character, so any name passes.
    fusepy.FUSE(fs, args.mountpoint, encoding="latin-1", **options)
    return 0


if __name__ == "__main__":
    sys.exit(main())
