// Shared pieces of the main-window tests: a shown, active window answering its message boxes
// from a script, and folders of empty files.
#pragma once

#include "frm_voxa_r_1.h"
#include "scripted_message_boxes.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <unistd.h>

#include <memory>

struct ShownWindow
{
    ScriptedMessageBoxes boxes;
    std::unique_ptr<frmVOXA_R_1> window;

    ShownWindow()
    {
        Services services;
        services.messages = &boxes;
        window = std::make_unique<frmVOXA_R_1>(services);
        window->show();
        QApplication::setActiveWindow(window.get());
        window->activateWindow();
        if (!QTest::qWaitForWindowActive(window.get()))
            qWarning("window did not become active");
    }
    frmVOXA_R_1 *operator->() const { return window.get(); }

    // Lists `folder` with the pattern now in the file type box.
    void open(const QString &folder) { window->Dir1->setPath(folder); }

    QStringList items(const QListWidget *list) const
    {
        QStringList names;
        for (int i = 0; i < list->count(); ++i)
            names << list->item(i)->text();
        return names;
    }
};

// Creates empty files named by raw bytes, so that names that are not UTF-8 can be made too.
inline void touch(const QString &folder, const QByteArray &name)
{
    const QByteArray path = QFile::encodeName(folder) + '/' + name;
    const int fd = ::open(path.constData(), O_CREAT | O_WRONLY, 0644);
    QVERIFY2(fd >= 0, path.constData());
    ::close(fd);
}

// `count` empty files "<stem>NNNNN.<ext>" in `folder`.
inline void touchMany(const QString &folder, int count, const char *stem, const char *ext)
{
    for (int i = 0; i < count; ++i)
        touch(folder, QByteArray(stem) + QByteArray::number(i).rightJustified(5, '0') + '.' + ext);
}
