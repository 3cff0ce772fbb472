// The folder listing (File1): the regular files of one folder whose names match a list of
// wildcard patterns, as a snapshot taken whenever the path or the pattern is set.
//
// Patterns are separated by ";"; "*" stands for any run of characters and "?" for one, and
// they match without regard to case. A trailing ".*" also matches a name without a dot, so
// "*.*" lists every file, as on Windows. Names starting with "." (hidden files), folders,
// links and names that are not valid UTF-8 on Linux are left out: the rename could not give
// such a name back unchanged. The names left out for not being UTF-8 are counted, so that
// the user is told of them. So are the history files of every chain ("VOXA…0.log"), which
// no batch may rename. The names are sorted without regard to case.
//
// The window's target list and the command line's batch are both such a listing, and both
// refuse the same listings: "*.*" (a batch is always one file type) and more files than a
// batch may hold.
#pragma once

#include <QString>
#include <QStringList>

namespace renaming {

class Folder;

// The most files of one folder and file type that a batch works on.
inline constexpr int MaxTargetFiles = 9999;

// Whether the pattern is "*.*", which lists every file of the folder instead of one type.
bool isEveryFilePattern(const QString &pattern);

class FolderListing
{
public:
    QString path() const { return m_path; }
    QString pattern() const { return m_pattern; }
    const QStringList &names() const { return m_names; }
    int count() const { return int(m_names.size()); }
    // Regular files left out because their names are not UTF-8 although they match the
    // pattern (read with U+FFFD for their bad bytes), so that the user can be told.
    int notUtf8() const { return m_notUtf8; }
    // The system's reason when the folder could not be listed; empty when it was.
    const QString &failure() const { return m_failure; }
    // Whether the folder held, when it was listed, any entry whose name ends in ".zyx" (in any
    // case; hidden, folder or not). Every temporary name of a batch rename or a restore does,
    // so without one no rename or restore can have been cut off there.
    bool sawTemporaryName() const { return m_sawTemporaryName; }
    // Whether the folder held a history file of any chain ("VOXA…<digit>.log"). Without one
    // there is no history, and so no rename that could have been cut off, even before its
    // first rename or in a batch that renames each file once.
    bool sawHistoryName() const { return m_sawHistoryName; }

    // Each setter takes the listing anew, even when the value is unchanged.
    void setPath(const QString &path);
    void setPattern(const QString &pattern);
    // Both at once, with one listing instead of two.
    void setPathAndPattern(const QString &path, const QString &pattern);
    // Lists the open folder itself rather than its path, so that the names are those of the
    // folder the batch renames in, also where the path's text cannot spell it.
    void setFolderAndPattern(Folder &folder, const QString &pattern);

    // Whether `name` matches one of the ";"-separated `patterns`, ignoring case.
    static bool matches(const QString &patterns, const QString &name);

private:
    void refresh(Folder *folder = nullptr);

    QString m_path;
    QString m_pattern = QStringLiteral("*.*");
    QStringList m_names;
    int m_notUtf8 = 0;
    QString m_failure;
    bool m_sawTemporaryName = false;
    bool m_sawHistoryName = false;
};

} // namespace renaming
