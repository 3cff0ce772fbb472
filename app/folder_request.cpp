#include "folder_request.h"

#include "display_text.h"
#include "folder.h"
#include "messages.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifndef Q_OS_WIN
#include <cerrno>
#include <climits>

#include <unistd.h>
#endif

FolderRequest folderRequestOf(const QByteArray &path)
{
    // Shown escaped: a line break or an ESC in a path must not reshape the message.
    const QString shown = renaming::escaped(renaming::textOfBytes(path));
    if (path.isEmpty())
        return { {}, msg::FolderNotFound };
    if (!renaming::isFaithfulPath(path))
        return { {}, msg::FolderNameNotText + shown };
    const QFileInfo entry(QFile::decodeName(path));
    if (!entry.exists())
        return { {}, msg::FolderNotFound + shown };
    const QFileInfo folder(entry.isDir() ? entry.absoluteFilePath() : entry.absolutePath());
    if (!folder.isDir() || !folder.isReadable() || !folder.isExecutable())
        return { {}, msg::FolderNotReadable + renaming::escaped(folder.absoluteFilePath()) };
    return { QDir::cleanPath(folder.absoluteFilePath()), {} };
}

QByteArray currentFolderBytes()
{
#ifndef Q_OS_WIN
    QByteArray buffer(PATH_MAX, Qt::Uninitialized);
    while (!::getcwd(buffer.data(), size_t(buffer.size()))) {
        if (errno != ERANGE)
            return {};
        buffer.resize(buffer.size() * 2);
    }
    return QByteArray(buffer.constData());
#else
    return QFile::encodeName(QDir::currentPath());
#endif
}

QByteArray absolutePathBytes(const QByteArray &path)
{
    if (path.isEmpty() || QDir::isAbsolutePath(QFile::decodeName(path)))
        return path;
    QByteArray current = currentFolderBytes();
    if (!current.endsWith('/'))
        current += '/';
    return current + path;
}
