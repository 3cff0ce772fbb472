// The drive list's choice among the mounted volumes, from mount tables as desktops, servers
// and containers report them.
#include "drive_list.h"

#include <QTest>

Q_DECLARE_METATYPE(QList<MountRecord>)

class TestDriveList : public QObject
{
    Q_OBJECT

private slots:
    void choice_data()
    {
        QTest::addColumn<QList<MountRecord>>("mounts");
        QTest::addColumn<QString>("home");
        QTest::addColumn<QStringList>("shown"); // the texts, in order
        const MountRecord root { "/", "ext4", false, {} };
        // clang-format off
        QTest::newRow("snaps and pseudo file systems") << QList<MountRecord> {
                { "/proc", "proc", false, {} }, { "/sys", "sysfs", false, {} },
                { "/dev", "devtmpfs", false, {} }, { "/dev/shm", "tmpfs", false, {} },
                { "/run", "tmpfs", false, {} }, { "/run/user/1000", "tmpfs", false, {} },
                { "/run/user/1000/doc", "fuse.portal", false, {} },
                { "/sys/fs/cgroup", "cgroup2", false, {} }, root,
                { "/boot/efi", "vfat", false, "ESP" },
                { "/snap/core22/1122", "squashfs", true, {} },
                { "/snap/firefox/4173", "squashfs", true, {} },
                { "/media/cdrom0", "iso9660", true, "DVD" } }
            << "/home/alice" << QStringList { "/" };
        QTest::newRow("own home volume, removable media, labels") << QList<MountRecord> {
                { "/run/media/bob/STICK", "exfat", false, "STICK" },
                { "/media/alice/EOS_DIGITAL", "vfat", false, "EOS_DIGITAL" },
                { "/home", "ext4", false, "home" }, { "/", "btrfs", false, "debian" },
                { "/media/alice/1234-ABCD", "exfat", false, {} },
                { "/media/alice/RO", "vfat", true, "RO" } }
            << "/home/alice" << QStringList { "/ [debian]", "/home [home]",
                "/media/alice/1234-ABCD", "/media/alice/EOS_DIGITAL [EOS_DIGITAL]",
                "/run/media/bob/STICK [STICK]" };
        QTest::newRow("shares and phones") << QList<MountRecord> { root,
                { "/run/user/1000/gvfs", "fuse.gvfsd-fuse", false, {} },
                { "/home/alice/Phone", "fuse.jmtpfs", false, {} },
                { "/home/alice/server", "fuse.sshfs", false, {} },
                { "/mnt/nas", "cifs", false, {} }, { "/var/nfs/photos", "nfs4", false, {} },
                { "/var/lib/docker/overlay2/3f/merged", "overlay", false, {} } }
            << "/home/alice" << QStringList { "/", "/home/alice/Phone", "/home/alice/server",
                "/mnt/nas", "/run/user/1000/gvfs", "/var/nfs/photos" };
        // An image-based system: the root is read-only and home lives under /var.
        QTest::newRow("read-only root, home in /var") << QList<MountRecord> {
                { "/", "btrfs", true, "fedora" }, { "/usr", "btrfs", true, "fedora" },
                { "/sysroot", "btrfs", true, "fedora" }, { "/var", "btrfs", false, "fedora" } }
            << "/var/home/alice" << QStringList { "/ [fedora]", "/var [fedora]" };
        // A container: files bound in one by one; a mount point covered by a later mount.
        QTest::newRow("container") << QList<MountRecord> {
                { "/", "overlay", false, {} }, { "/etc/hosts", "ext4", false, {} },
                { "/work", "ext4", false, {} }, { "/data", "ext4", false, {} },
                { "/data", "squashfs", true, {} } }
            << "/root" << QStringList { "/", "/work" };
        // clang-format on
    }
    void choice()
    {
        QFETCH(QList<MountRecord>, mounts);
        QFETCH(QString, home);
        QFETCH(QStringList, shown);
        QStringList texts;
        for (const Drive &drive : drivesAmong(mounts, home))
            texts << drive.text;
        QCOMPARE(texts, shown);
    }
};

QTEST_GUILESS_MAIN(TestDriveList)
#include "tst_drive_list.moc"
