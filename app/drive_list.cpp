#include "drive_list.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>

#include <algorithm>

namespace {

QStringList driveRoots()
{
    QStringList roots;
#ifdef Q_OS_WIN
    for (const QFileInfo &drive : QDir::drives())
        roots.append(QDir::cleanPath(drive.absoluteFilePath()));
#else
    for (const QStorageInfo &volume : QStorageInfo::mountedVolumes()) {
        const QString root = volume.rootPath();
        // Bind mounts of single files (common in containers) are no drives.
        if (volume.isValid() && QFileInfo(root).isDir() && !roots.contains(root))
            roots.append(root);
    }
    std::sort(roots.begin(), roots.end());
    roots.removeAll(QDir::rootPath());
    roots.prepend(QDir::rootPath());
#endif
    return roots;
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

QString label(const QString &root)
{
#ifdef Q_OS_WIN
    return root.left(2).toLower();
#else
    return root;
#endif
}

} // namespace

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
        addItem(label(root), root);
        index = count() - 1;
    }
    setCurrentIndex(index);
}

void DriveList::refresh()
{
    const QString chosen = drive();
    const QSignalBlocker blocker(this);
    clear();
    for (const QString &root : driveRoots())
        addItem(label(root), root);
    if (!chosen.isEmpty() && findData(chosen) < 0)
        addItem(label(chosen), chosen);
    setCurrentIndex(std::max(0, findData(chosen)));
}

void DriveList::showPopup()
{
    // Volumes come and go while the program runs.
    refresh();
    QComboBox::showPopup();
}
