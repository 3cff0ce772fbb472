#include "drive_list.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>

#include <algorithm>

namespace {

bool isUnder(const QString &path, QStringView folder)
{
    return path == folder
        || (path.startsWith(folder) && path.size() > folder.size() && path[folder.size()] == u'/');
}

QString driveText(const QString &root, const QString &label)
{
    return label.isEmpty() ? root : QStringLiteral("%1 [%2]").arg(root, label);
}

QList<Drive> drives()
{
    QList<Drive> list;
#ifdef Q_OS_WIN
    for (const QFileInfo &drive : QDir::drives()) {
        const QString root = QDir::cleanPath(drive.absoluteFilePath());
        list.append({ root, root.left(2).toLower() });
    }
#else
    QList<MountRecord> mounts;
    for (const QStorageInfo &volume : QStorageInfo::mountedVolumes()) {
        // Bind mounts of single files (common in containers) are no drives.
        if (volume.isValid() && QFileInfo(volume.rootPath()).isDir())
            mounts.append(
                { volume.rootPath(), volume.fileSystemType(), volume.isReadOnly(), volume.name() });
    }
    list = drivesAmong(mounts, QDir::homePath());
#endif
    return list;
}

QString rootOf(const QString &folder)
{
#ifdef Q_OS_WIN
    return QDir::cleanPath(QFileInfo(folder).absolutePath().left(3));
#else
    const QString root = QStorageInfo(folder).rootPath();
    return root.isEmpty() ? QDir::rootPath() : root;
#endif
}

// The text of a drive that the list does not hold, such as one a folder was opened on.
QString textOf(const QString &root)
{
#ifdef Q_OS_WIN
    return root.left(2).toLower();
#else
    return driveText(root, QStorageInfo(root).name());
#endif
}

} // namespace

QList<Drive> drivesAmong(const QList<MountRecord> &mounts, const QString &home)
{
    // Kernel and service file systems, and images that are read-only by nature.
    static const QList<QByteArray> pseudo
        = QByteArray("autofs binfmt_misc bpf cgroup cgroup2 configfs debugfs devpts devtmpfs "
                     "efivarfs erofs fuse.lxcfs fuse.portal fuse.snapfuse fusectl hugetlbfs "
                     "iso9660 mqueue nfsd nsfs proc pstore ramfs rpc_pipefs securityfs "
                     "selinuxfs squashfs sysfs tmpfs tracefs udf")
              .split(' ');
    // Shares and phones, shown wherever the desktop mounts them (gvfs under /run/user).
    static const QList<QByteArray> remote
        = QByteArray("9p afs ceph cifs davfs fuse.aft-mtp-mount fuse.go-mtpfs fuse.gvfsd-fuse "
                     "fuse.ifuse fuse.jmtpfs fuse.kio-fuse fuse.mtpfs fuse.rclone "
                     "fuse.simple-mtpfs fuse.sshfs glusterfs nfs nfs4 smb3 smbfs")
              .split(' ');
    static const QStringView system[] = { u"/boot", u"/efi", u"/etc", u"/dev", u"/proc", u"/run",
                                          u"/snap", u"/sys", u"/tmp", u"/usr", u"/var" };

    // The last record of a path is the mount in sight.
    QHash<QString, MountRecord> visible;
    for (const MountRecord &mount : mounts)
        visible.insert(mount.path, mount);
    QString homeVolume = QStringLiteral("/");
    for (const MountRecord &mount : std::as_const(visible)) {
        if (isUnder(home, mount.path) && mount.path.size() > homeVolume.size())
            homeVolume = mount.path;
    }

    QList<Drive> list;
    for (const MountRecord &mount : std::as_const(visible)) {
        if (mount.path == u"/" || mount.readOnly || pseudo.contains(mount.fsType))
            continue;
        const bool place = mount.path == homeVolume || remote.contains(mount.fsType)
            || isUnder(mount.path, u"/run/media")
            || std::none_of(std::begin(system), std::end(system),
                            [&](QStringView folder) { return isUnder(mount.path, folder); });
        if (place)
            list.append({ mount.path, driveText(mount.path, mount.label) });
    }
    std::sort(list.begin(), list.end(),
              [](const Drive &a, const Drive &b) { return a.root < b.root; });
    const QString rootLabel = visible.value(QStringLiteral("/")).label;
    list.prepend({ QStringLiteral("/"), driveText(QStringLiteral("/"), rootLabel) });
    return list;
}

DriveList::DriveList(QWidget *parent)
    : QComboBox(parent)
{
    refresh();
}

QString DriveList::driveOf(const QString &folder)
{
    return rootOf(folder);
}

QString DriveList::drive() const
{
    return currentData().toString();
}

QString DriveList::currentFolder() const
{
    const QString root = drive();
    return m_currentFolders.value(root, root);
}

void DriveList::showFolder(const QString &folder)
{
    const QString root = driveOf(folder);
    m_currentFolders.insert(root, folder);
    int index = findData(root);
    const QSignalBlocker blocker(this);
    if (index < 0) {
        addItem(textOf(root), root);
        index = count() - 1;
    }
    setCurrentIndex(index);
}

void DriveList::refresh()
{
    const QString chosen = drive();
    const QSignalBlocker blocker(this);
    clear();
    for (const Drive &drive : drives())
        addItem(drive.text, drive.root);
    if (!chosen.isEmpty() && findData(chosen) < 0)
        addItem(textOf(chosen), chosen);
    setCurrentIndex(std::max(0, findData(chosen)));
}

void DriveList::showPopup()
{
    // Volumes come and go while the program runs.
    refresh();
    QComboBox::showPopup();
}
