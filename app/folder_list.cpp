#include "folder_list.h"

#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QStyle>

namespace {

constexpr int PathRole = Qt::UserRole;

QString cleanAbsolute(const QString &path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

} // namespace

FolderList::FolderList(QWidget *parent)
    : QListWidget(parent)
{
    setUniformItemSizes(true);
    connect(this, &QListWidget::itemDoubleClicked, this, &FolderList::openItem);
}

bool FolderList::setPath(const QString &path)
{
    const QString target = cleanAbsolute(path);
    if (target == m_path)
        return true;
    if (!fill(target))
        return false;
    m_path = target;
    emit pathChanged(m_path);
    return true;
}

bool FolderList::reload()
{
    return !m_path.isEmpty() && fill(m_path);
}

bool FolderList::fill(const QString &target)
{
    // Listing needs read permission, opening the folder's entries needs search permission.
    const QFileInfo info(target);
    if (!info.isDir() || !info.isReadable() || !info.isExecutable())
        return false;
    const QDir dir(target);
    const QStringList subfolders
        = dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);

    // The chain from the root down to the folder itself.
    QStringList chain;
    for (QDir up(target);;) {
        chain.prepend(up.absolutePath());
        if (up.isRoot() || !up.cdUp())
            break;
    }

    setUpdatesEnabled(false);
    clear();
    const QIcon openIcon = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closedIcon = style()->standardIcon(QStyle::SP_DirClosedIcon);
    int depth = 0;
    QListWidgetItem *current = nullptr;
    for (const QString &folder : chain) {
        const QString name = depth == 0 ? QDir::toNativeSeparators(folder) : QDir(folder).dirName();
        auto *item = new QListWidgetItem(openIcon, QString(depth * 2, u' ') + name, this);
        item->setData(PathRole, folder);
        current = item;
        ++depth;
    }
    for (const QString &name : subfolders) {
        // Hidden folders stay out of sight; a name that is not valid text cannot be opened.
        if (name.startsWith(u'.') || name.contains(QChar::ReplacementCharacter))
            continue;
        auto *item = new QListWidgetItem(closedIcon, QString(depth * 2, u' ') + name, this);
        item->setData(PathRole, dir.absoluteFilePath(name));
    }
    setCurrentItem(current);
    setUpdatesEnabled(true);
    return true;
}

void FolderList::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (QListWidgetItem *item = currentItem())
            openItem(item);
        event->accept();
        return;
    }
    QListWidget::keyPressEvent(event);
}

void FolderList::openItem(QListWidgetItem *item)
{
    if (!item)
        return;
    setPath(item->data(PathRole).toString());
}
