#include "folder_request.h"

#include "messages.h"

#include <QDir>
#include <QFileInfo>

FolderRequest folderRequestOf(const QString &path)
{
    const QFileInfo entry(path);
    if (path.isEmpty() || !entry.exists())
        return { {}, msg::FolderNotFound + path };
    const QFileInfo folder(entry.isDir() ? entry.absoluteFilePath() : entry.absolutePath());
    if (!folder.isDir() || !folder.isReadable() || !folder.isExecutable())
        return { {}, msg::FolderNotReadable + folder.absoluteFilePath() };
    return { QDir::cleanPath(folder.absoluteFilePath()), {} };
}
