// Dir1: a classic folder list. It shows the chain of folders from the root down to the
// current folder, then the current folder's subfolders, sorted without regard to case.
// Opening an entry (double-click or Enter) makes it the current folder. Every change of the
// current folder, by the user or by setPath(), emits pathChanged() before it returns.
#pragma once

#include <QListWidget>
#include <QString>

class FolderList : public QListWidget
{
    Q_OBJECT

public:
    explicit FolderList(QWidget *parent = nullptr);

    // The current folder as an absolute, clean path ("/" for the root).
    QString path() const { return m_path; }

    // Makes `path` the current folder. A folder that does not exist or cannot be read is
    // refused (false) and the list stays as it was. Setting the current folder again changes
    // nothing and emits nothing.
    bool setPath(const QString &path);

    // Reads the current folder's subfolders again, emitting nothing; false (and the list
    // unchanged) when the folder can no longer be read.
    bool reload();

signals:
    void pathChanged(const QString &path);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void openItem(QListWidgetItem *item);
    // Shows the chain down to `target` and its subfolders; false when it cannot be read.
    bool fill(const QString &target);

    QString m_path;
};
