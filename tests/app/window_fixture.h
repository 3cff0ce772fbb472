// Shared pieces of the main-window tests: a shown, active window answering its message boxes
// from a script, folders of files, and a snapshot of a folder's names and contents.
#pragma once

#include "faulty_folder.h"
#include "frm_voxa_r_1.h"
#include "messages.h"
#include "scripted_message_boxes.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <unistd.h>

struct ShownWindow
{
    ScriptedMessageBoxes boxes;
    QTemporaryDir settingsDir;
    std::unique_ptr<frmVOXA_R_1> window;

    // `failRename`: the k-th rename in a folder fails; -k: and every rename after it.
    // `settingsFile` keeps the Number menu's choice; empty: a fresh file of this window's own.
    // `startFolder`: the folder the window starts on; `given`: asked for from outside, as the
    // program's argument. `failSync`: the k-th sync of the folder fails.
    explicit ShownWindow(int failRename = 0, const QString &settingsFile = {},
                         const QString &startFolder = {}, bool given = true, int failSync = 0)
    {
        Services services;
        services.messages = &boxes;
        services.settingsFile
            = settingsFile.isEmpty() ? settingsDir.filePath("kelvaro.ini") : settingsFile;
        services.programFolder = QCoreApplication::applicationDirPath();
        services.startFolder = startFolder;
        services.listStartFolder = given && !startFolder.isEmpty();
        services.openFolder = [failRename, failSync](const QString &path, QString *) {
            auto folder = faultyFolder(path);
            if (folder)
                folder->failSyncAt = failSync;
            if (folder && failRename > 0)
                folder->failRenames = { failRename };
            else if (folder && failRename < 0)
                folder->stuckAfter = -failRename - 1;
            return std::unique_ptr<renaming::Folder>(std::move(folder));
        };
        window = std::make_unique<frmVOXA_R_1>(services);
        window->show();
        QApplication::setActiveWindow(window.get());
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
    }
    frmVOXA_R_1 *operator->() const { return window.get(); }
    // Lists `folder` with the pattern now in the file type box.
    void open(const QString &folder) { window->Dir1->setPath(folder); }
    // Types a prefix and a start number; leaving the start-number box builds the preview.
    void preview(const QString &prefix, const QString &startNo)
    {
        window->Text1->setText(prefix);
        window->Text2->setText(startNo);
        window->Text2_LostFocus();
    }
};

// Creates a file named by raw bytes, so that names that are not UTF-8 can be made too.
inline void touch(const QString &folder, const QByteArray &name, const QByteArray &bytes = {})
{
    const QByteArray path = QFile::encodeName(folder) + '/' + name;
    const int fd = ::open(path.constData(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
    QVERIFY2(fd >= 0 && ::write(fd, bytes.constData(), bytes.size()) == bytes.size(), path);
    ::close(fd);
}

// `count` empty files "<stem>NNNNN.<ext>" in `folder`.
inline void touchMany(const QString &folder, int count, const char *stem, const char *ext)
{
    for (int i = 0; i < count; ++i)
        touch(folder, stem + QByteArray::number(i).rightJustified(5, '0') + '.' + ext);
}

// Every file of a folder by name, with its contents.
using Files = QMap<QString, QByteArray>;
inline Files filesOf(const QString &path)
{
    Files files;
    for (const QString &name : QDir(path).entryList(QDir::Files | QDir::Hidden)) {
        QFile file(QDir(path).filePath(name));
        if (file.open(QIODevice::ReadOnly))
            files.insert(name, file.readAll());
    }
    return files;
}
