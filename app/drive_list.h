// Drive1: the list of drives. On Linux these are the volumes a user renames on (the root
// first, then the others in order of their paths, each with its volume name where it has
// one); on Windows the drive letters. For each drive the list remembers the folder last
// shown on it during this run, its "current folder".
#pragma once

#include <QByteArray>
#include <QComboBox>
#include <QHash>
#include <QList>
#include <QString>

// One mounted volume as the system reports it.
struct MountRecord
{
    QString path; // where it is mounted
    QByteArray fsType; // "ext4", "vfat", "fuse.sshfs", ...
    bool readOnly = false;
    QString label; // the volume name; empty where it has none
};

// One entry of the drive list.
struct Drive
{
    QString root;
    QString text; // the root, and the volume name in brackets where there is one
    bool operator==(const Drive &) const = default;
};

// The drives among the mounted volumes: the root, always and first; the volume that holds
// `home`; removable media, network shares and phones, and any other writable disk. Left out
// are read-only volumes (snap and other image mounts, CDs), pseudo file systems (proc,
// tmpfs, cgroup, ...) and the system's own places (/boot, /usr, /var, /run, bind mounts of
// single files in /etc). A path mounted twice counts with its last record, the one in sight.
QList<Drive> drivesAmong(const QList<MountRecord> &mounts, const QString &home);

class DriveList : public QComboBox
{
    Q_OBJECT

public:
    explicit DriveList(QWidget *parent = nullptr);

    // The root of the drive that holds `folder`.
    static QString driveOf(const QString &folder);

    // The root of the chosen drive.
    QString drive() const;

    // The current folder of the chosen drive: the folder last shown on it, its root at first.
    QString currentFolder() const;

    // Records `folder` as its drive's current folder and shows that drive, without emitting
    // the user's choice signals.
    void showFolder(const QString &folder);

    // Takes the list of drives anew, keeping the chosen one.
    void refresh();

protected:
    void showPopup() override;

private:
    QHash<QString, QString> m_currentFolders;
};
