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

#include <QAction>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Writes `text` as the shipped read-me file is written: code page 932.
bool writeReadme(const QString &path, const QString &text)
{
    QFile file(path);
    const QByteArray bytes = QStringEncoder("Windows-31J").encode(text);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QStringList entries(const QListWidget *list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts << list->item(i)->text();
    return texts;
}

} // namespace

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
        QTemporaryDir dir;
        QVERIFY(writeReadme(dir.filePath("r.vxa"), fileText));
        QCOMPARE(readme::loadReadme(dir.filePath("r.vxa")), std::optional<QStringList>(shown));
    }

    void init()
    {
        m_dir.emplace();
        m_file = m_dir->filePath(QStringLiteral("VOXA01.vxa"));
        m_record = PrintRecord();
        Services services;
        services.messages = &m_boxes;
        services.makePrintDevice = recordingDevices(m_record);
        services.programFolder = m_dir->path();
        m_main = std::make_unique<frmVOXA_R_1>(services);
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

    // A second opening keeps the window as it is; closing it by its title bar's close box sets
    // the main window's pointer back, and the next opening reads the file in standard colours.
    void openingTwiceThenClosing()
    {
        QVERIFY(writeReadme(m_file, "一\r\n\r\n二\r\n"));
        QPointer<frmReadme> first = open();
        QVERIFY(first && first->isVisible());
        const QColor standard = background(first);
        QCOMPARE(m_main->cursor().shape(), Qt::WaitCursor);
        QTest::mouseClick(first->lblC1, Qt::LeftButton);

        QVERIFY(writeReadme(m_file, "変更後\r\n"));
        QCOMPARE(open(), first);
        QCOMPARE(entries(first->lstReadme), QStringList({ "一", "", "二" }));
        QCOMPARE(background(first), QColor(0, 0, 128));

        first->close();
        QCOMPARE(m_main->cursor().shape(), Qt::ArrowCursor);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(first.isNull());
        frmReadme *second = open();
        QCOMPARE(background(second), standard);
        QCOMPARE(entries(second->lstReadme), QStringList { "変更後" });
    }

    void missingFileAtOpeningGivesAnEmptyList() { QCOMPARE(open()->lstReadme->count(), 0); }

    // The print reads the file as it is now; a file gone by then aborts after the dialog.
    void readmePrint()
    {
        QVERIFY(writeReadme(m_file, "古い\r\n"));
        frmReadme *window = open();
        QVERIFY(writeReadme(m_file, "一\r\n\r\n二\r\n" + readme::EndMarker + "\r\nメモ"));
        QTest::mouseClick(window->Command2, Qt::LeftButton);
        const QString indent(15, u' ');
        QCOMPARE(m_boxes.texts(), QStringList { msg::PrinterWarning });
        QCOMPARE(m_record.window, window);
        QCOMPARE(m_record.lines, QStringList({ indent + "一", indent, indent + "二" }));
        QCOMPARE(m_record.pointerAtLine, QList<Qt::CursorShape>(3, Qt::WaitCursor));
        QCOMPARE(m_record.calls.last(), "end");
        QCOMPARE(window->cursor().shape(), Qt::ArrowCursor);
        QCOMPARE(entries(window->lstReadme), QStringList { "古い" });

        m_record = PrintRecord();
        m_boxes.clear();
        QVERIFY(QFile::remove(m_file));
        QTest::mouseClick(window->Command2, Qt::LeftButton);
        QCOMPARE(m_boxes.texts(), QStringList({ msg::PrinterWarning, msg::PrintAborted }));
        QCOMPARE(m_record.calls, QStringList({ "choose", "font ＭＳ 明朝 12", "abandon" }));
        QCOMPARE(window->cursor().shape(), Qt::ArrowCursor);
    }

    void mainWindowPrintsTheTargetList()
    {
        const QStringList oldNames { "b.jpg", "写真.jpg" }, newNames { "旅行0001.jpg" };
        m_main->List1->addItems(oldNames);
        m_main->List2->addItems(newNames);
        m_main->mnuFprint->trigger();
        QCOMPARE(m_record.lines, printing::targetListReport(oldNames, newNames));
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

    std::optional<QTemporaryDir> m_dir;
    QString m_file;
    PrintRecord m_record;
    ScriptedMessageBoxes m_boxes;
    std::unique_ptr<frmVOXA_R_1> m_main;
};

QTEST_MAIN(TestReadme)
#include "tst_readme.moc"
