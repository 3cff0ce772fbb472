// Drive1: the list of drives. On Linux these are the mounted volumes (the root first, then
// the mount points in order of their paths); on Windows the drive letters. For each drive
// the list remembers the folder last shown on it during this run, its "current folder".
#pragma once

#include <QComboBox>
#include <QHash>
#include <QString>

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
