// The read-me text (line limit, end marker, code page 932), the read-me window opened from the
// main window's Help menu (one window, colours, the main window's pointer, its own print), and
// the main window's print of the target list.
#include "frm_readme.h"
#include "frm_voxa_r_1.h"
#include "messages.h"
#include "readme_text.h"
#include "recording_print_device.h"
#include "scripted_message_boxes.h"
#include "target_list_report.h"

#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

// Writes `text` as the shipped read-me file is written: code page 932.
static bool writeReadme(const QString &path, const QString &text)
{
    QFile file(path);
    const QByteArray bytes = QStringEncoder("Windows-31J").encode(text);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

class TestReadme : public QObject
{
    Q_OBJECT

private slots:
    void readmeText_data()
    {
        QTest::addColumn<QString>("fileText");
        QTest::addColumn<QStringList>("shown");
        QStringList lines;
        for (int i = 1; i <= 1005; ++i)
            lines << QStringLiteral("%1 行目").arg(i);
        const QString end = readme::EndMarker;

        QTest::newRow("more than 1000 lines") << lines.join("\r\n") << lines.first(1000);
        QTest::newRow("marker as the first line") << end + "\r\n本文\r\n" << QStringList {};
        QTest::newRow("line beginning with the marker") << "一\r\n" + end + "メモ\r\n二\r\n"
                                                        << QStringList { "一" };
        QTest::newRow("marker later in a line") << "一\r\n " + end + "\r\nx" + end + "\r\n"
                                                << QStringList { "一", " " + end, "x" + end };
        QTest::newRow("empty lines, last line without CR LF")
            << "\r\n一\r\n\r\n二\r\n\r\n終" << QStringList { "", "一", "", "二", "", "終" };
    }

    void readmeText()
    {
        QFETCH(QString, fileText);
        QFETCH(QStringList, shown);
        QVERIFY(writeReadme(m_file, fileText));
        QCOMPARE(readme::loadReadme(m_file), std::optional<QStringList>(shown));
    }

    void init()
    {
        m_record = PrintRecord();
        m_main = std::make_unique<frmVOXA_R_1>(Services {
            &m_boxes, renaming::openFolder, recordingDevices(m_record), m_dir.path(), {} });
        m_main->show();
        m_boxes.clear();
    }

    void cleanup()
    {
        if (frmReadme *window = frmReadme::openWindowOf(m_main.get()))
            window->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        m_main.reset();
    }

    // One read-me window: a second opening keeps it as it is, entries and colours; its print
    // reads the file as it is now, and a file gone by then aborts after the dialog. Closing it by
    // its title bar's close box sets the main window's pointer back, and the next opening reads
    // the file afresh (none now: an empty list) in standard colours.
    void readmeWindow()
    {
        QVERIFY(writeReadme(m_file, "古い\r\n"));
        QPointer<frmReadme> first = open();
        QVERIFY(first && first->isVisible());
        const QColor standard = background(first);
        QCOMPARE(m_main->cursor().shape(), Qt::WaitCursor);
        QTest::mouseClick(first->lblC1, Qt::LeftButton);
        QVERIFY(writeReadme(m_file, "一\r\n\r\n二\r\n" + readme::EndMarker + "\r\nメモ"));
        QCOMPARE(open(), first);
        QCOMPARE(background(first), QColor(0, 0, 128));

        QTest::mouseClick(first->Command2, Qt::LeftButton);
        const QString indent(15, u' ');
        QCOMPARE(m_boxes.texts(), QStringList { msg::PrinterWarning });
        QCOMPARE(m_record.window, first);
        QCOMPARE(m_record.calls,
                 QStringList({ "choose", "font ＭＳ 明朝 12", indent + "一", indent, indent + "二",
                               "end" }));
        QCOMPARE(first->cursor().shape(), Qt::ArrowCursor);
        QVERIFY(first->lstReadme->count() == 1 && first->lstReadme->item(0)->text() == "古い");

        m_record = PrintRecord();
        m_boxes.clear();
        QVERIFY(QFile::remove(m_file));
        QTest::mouseClick(first->Command2, Qt::LeftButton);
        QCOMPARE(m_boxes.texts(), QStringList({ msg::PrinterWarning, msg::PrintAborted }));
        QCOMPARE(m_record.calls, QStringList({ "choose", "font ＭＳ 明朝 12", "abandon" }));

        first->close();
        QCOMPARE(m_main->cursor().shape(), Qt::ArrowCursor);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(first.isNull());
        frmReadme *second = open();
        QCOMPARE(background(second), standard);
        QCOMPARE(second->lstReadme->count(), 0);
    }

    void mainWindowPrintsTheTargetList()
    {
        const QStringList oldNames { "b.jpg", "写真.jpg" }, newNames { "旅行0001.jpg" };
        m_main->List1->addItems(oldNames);
        m_main->List2->addItems(newNames);
        m_main->mnuFprint->trigger();
        QCOMPARE(m_record.calls,
                 QStringList({ "choose", "font ＭＳ 明朝 12" })
                     + printing::targetListReport(oldNames, newNames) + QStringList { "end" });
        QCOMPARE(m_record.window, m_main.get());
    }

private:
    static QColor background(const frmReadme *w)
    {
        return w->lstReadme->palette().color(QPalette::Base);
    }
    frmReadme *open()
    {
        m_main->mnuReadme->trigger();
        return frmReadme::openWindowOf(m_main.get());
    }

    QTemporaryDir m_dir; // the program's folder
    const QString m_file = m_dir.filePath(QStringLiteral("VOXA01.vxa"));
    PrintRecord m_record;
    ScriptedMessageBoxes m_boxes;
    std::unique_ptr<frmVOXA_R_1> m_main;
};

QTEST_MAIN(TestReadme)
#include "tst_readme.moc"
