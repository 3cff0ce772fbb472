// The main window's File menu print of the target list and Help menu read-me window, driven
// through the menu actions.
#include "frm_readme.h"
#include "frm_voxa_r_1.h"
#include "messages.h"
#include "readme_text.h"
#include "recording_print_device.h"
#include "scripted_message_boxes.h"
#include "target_list_report.h"

#include <QAction>
#include <QApplication>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

namespace {

QStringList entries(const QListWidget *list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts << list->item(i)->text();
    return texts;
}

} // namespace

class TestPrintCommands : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_dir.emplace();
        m_record = PrintRecord();
        m_boxes.clear();
        Services services;
        services.messages = &m_boxes;
        services.makePrintDevice = recordingDevices(m_record);
        services.programFolder = m_dir->path();
        m_window = std::make_unique<frmVOXA_R_1>(services);
        m_window->show();
        m_boxes.clear();
    }

    void cleanup()
    {
        if (frmReadme *readme = frmReadme::openWindowOf(m_window.get()))
            readme->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        m_window.reset();
    }

    void printsBothListsAndLeavesThemAlone()
    {
        const QStringList oldNames { "b.jpg", "写真.jpg" };
        const QStringList newNames { "旅行0001.jpg", "旅行0002.jpg" };
        m_window->List1->addItems(oldNames);
        m_window->List2->addItems(newNames);
        m_window->mnuFprint->trigger();

        QCOMPARE(m_record.lines, printing::targetListReport(oldNames, newNames));
        QCOMPARE(m_record.window, m_window.get());
        QCOMPARE(m_record.pointerAtLine.value(0), Qt::WaitCursor);
        QCOMPARE(m_window->cursor().shape(), Qt::ArrowCursor);
        QVERIFY(m_boxes.shown.isEmpty());
        QCOMPARE(entries(m_window->List1), oldNames);
        QCOMPARE(entries(m_window->List2), newNames);
    }

    void emptyTargetListPrintsNothing()
    {
        m_window->mnuFprint->trigger();
        QCOMPARE(m_boxes.texts(), QStringList { msg::NothingToPrint });
        QCOMPARE(m_record.devicesMade, 0);
    }

    void readmeOpensOnceBesideTheWindow()
    {
        QFile file(readme::readmePath(m_dir->path()));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(
            QStringEncoder("Windows-31J").encode(QStringLiteral("お読み下さい\r\n本文\r\n")));
        file.close();

        m_window->mnuReadme->trigger();
        QPointer<frmReadme> readme = frmReadme::openWindowOf(m_window.get());
        QVERIFY(readme);
        QVERIFY(readme->isVisible());
        QCOMPARE(entries(readme->lstReadme), QStringList({ "お読み下さい", "本文" }));
        QCOMPARE(m_window->cursor().shape(), Qt::WaitCursor);

        m_window->mnuReadme->trigger();
        QCOMPARE(frmReadme::openWindowOf(m_window.get()), readme.data());
        QCOMPARE(readme->lstReadme->count(), 2);

        // The read-me window prints through the main window's print device.
        QTest::mouseClick(readme->Command2, Qt::LeftButton);
        QCOMPARE(m_record.lines.size(), 2);

        QTest::mouseClick(readme->Command1, Qt::LeftButton);
        QCOMPARE(m_window->cursor().shape(), Qt::ArrowCursor);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(readme.isNull());
    }

private:
    std::optional<QTemporaryDir> m_dir;
    PrintRecord m_record;
    ScriptedMessageBoxes m_boxes;
    std::unique_ptr<frmVOXA_R_1> m_window;
};

QTEST_MAIN(TestPrintCommands)
#include "tst_print_commands.moc"
