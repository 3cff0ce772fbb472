// The read-me text (line limit, end marker, code page 932) and the read-me window: one
// window per main window, colours, the main window's pointer, and printing the text.
#include "frm_readme.h"
#include "messages.h"
#include "readme_text.h"
#include "recording_print_device.h"
#include "scripted_message_boxes.h"

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Writes `lines` as the shipped read-me file is written: code page 932, CR LF.
bool writeReadme(const QString &path, const QStringList &lines)
{
    QStringEncoder toCp932("Windows-31J");
    QByteArray bytes;
    for (const QString &line : lines)
        bytes += toCp932(line) + "\r\n";
    QFile file(path);
    return !toCp932.hasError() && file.open(QIODevice::WriteOnly)
        && file.write(bytes) == bytes.size();
}

QStringList numbered(int count)
{
    QStringList lines;
    for (int i = 1; i <= count; ++i)
        lines << QStringLiteral("%1 行目").arg(i);
    return lines;
}

QStringList entries(const QListWidget *list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts << list->item(i)->text();
    return texts;
}

QColor listBackground(const frmReadme *window)
{
    return window->lstReadme->palette().color(QPalette::Base);
}

} // namespace

class TestReadme : public QObject
{
    Q_OBJECT

private slots:
    void readmeText_data()
    {
        QTest::addColumn<QStringList>("fileLines");
        QTest::addColumn<QStringList>("shown");

        const QString marker = readme::EndMarker;
        QTest::newRow("more than 1000 lines: the first 1000") << numbered(1005) << numbered(1000);
        QTest::newRow("exactly 1000 lines") << numbered(1000) << numbered(1000);
        QTest::newRow("end marker as the first line")
            << QStringList { marker, "本文" } << QStringList {};
        QTest::newRow("line beginning with the marker ends the text")
            << QStringList { "一", marker + "保守用メモ", "二" } << QStringList { "一" };
        QTest::newRow("marker further on in a line does not")
            << QStringList { "一", " " + marker, "x" + marker + "y", "二" }
            << QStringList { "一", " " + marker, "x" + marker + "y", "二" };
        QTest::newRow("marker is case-sensitive") << QStringList { marker.toLower() + "x", "二" }
                                                  << QStringList { marker.toLower() + "x", "二" };
        QTest::newRow("shorter than the marker is never a marker")
            << QStringList { marker.left(3), "二" } << QStringList { marker.left(3), "二" };
        QTest::newRow("empty lines are kept") << QStringList { "", "一", "", "", "二", "" }
                                              << QStringList { "", "一", "", "", "二", "" };
        QTest::newRow("code page 932 text") << QStringList { "①～全角ＡＢＣ　ｶﾅ＼", "髙" }
                                            << QStringList { "①～全角ＡＢＣ　ｶﾅ＼", "髙" };
    }

    void readmeText()
    {
        QFETCH(QStringList, fileLines);
        QFETCH(QStringList, shown);
        QTemporaryDir dir;
        const QString path = dir.filePath(readme::ReadmeFileName);
        QVERIFY(writeReadme(path, fileLines));
        QCOMPARE(readme::loadReadme(path), std::optional<QStringList>(shown));
    }

    void lastLineWithoutLineEnd()
    {
        QTemporaryDir dir;
        QFile file(dir.filePath(QStringLiteral("r.vxa")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("a\r\n\r\nb");
        file.close();
        QCOMPARE(readme::loadReadme(file.fileName()), std::optional<QStringList>({ "a", "", "b" }));
    }

    void missingFile()
    {
        QTemporaryDir dir;
        QCOMPARE(readme::loadReadme(dir.filePath(QStringLiteral("none.vxa"))), std::nullopt);
    }

    void readmePath_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("path");
        QTest::newRow("plain folder") << "/opt/kelvaro"
                                      << "/opt/kelvaro/VOXA01.vxa";
        QTest::newRow("root") << "/"
                              << "/VOXA01.vxa";
        QTest::newRow("drive root") << "C:\\"
                                    << "C:\\VOXA01.vxa";
    }

    void readmePath()
    {
        QFETCH(QString, folder);
        QFETCH(QString, path);
        QCOMPARE(readme::readmePath(folder), path);
    }

    // The read-me file built for shipping: code page 932 with CR LF only, and its text ends
    // before the maintainers' notes.
    void shippedReadme()
    {
        QFile file(QStringLiteral(KELVARO_README_FILE));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QCOMPARE(bytes.count('\n'), bytes.count("\r\n"));
        QVERIFY(bytes.endsWith("\r\n"));
        QVERIFY(file.seek(0));
        const QStringList text = readme::readReadme(file);
        QVERIFY(text.size() > 20 && text.size() < readme::MaxReadmeLines);
        QVERIFY(text.first().startsWith(QStringLiteral("Kelvaro")));
        QVERIFY(text.join(u'\n').contains(QStringLiteral("VOXAjpg0.log")));
        QVERIFY(!text.join(u'\n').contains(QStringLiteral("保守用")));
    }

    void init()
    {
        m_dir.emplace();
        m_file = m_dir->filePath(readme::ReadmeFileName);
        m_record = PrintRecord();
        m_boxes.clear();
        m_main.emplace();
        m_main->show();
    }

    void cleanup()
    {
        if (frmReadme *window = frmReadme::openWindowOf(&*m_main))
            window->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        m_main.reset();
    }

    void openingTwiceKeepsEntriesAndColours()
    {
        QVERIFY(writeReadme(m_file, { "一", "", "二" }));
        frmReadme *first = open();
        QVERIFY(first->isVisible());
        QCOMPARE(m_main->cursor().shape(), Qt::WaitCursor);
        QCOMPARE(entries(first->lstReadme), QStringList({ "一", "", "二" }));
        QCOMPARE(first->focusWidget(), static_cast<QWidget *>(first->Command1));

        QTest::mouseClick(first->lblC1, Qt::LeftButton);
        QCOMPARE(listBackground(first), QColor(0, 0, 128));
        QCOMPARE(first->lstReadme->palette().color(QPalette::Text), QColor(255, 255, 0));

        QVERIFY(writeReadme(m_file, { "変更後" }));
        frmReadme *second = open();
        QCOMPARE(second, first);
        QCOMPARE(entries(second->lstReadme), QStringList({ "一", "", "二" }));
        QCOMPARE(listBackground(second), QColor(0, 0, 128));
    }

    void closingAndReopeningReadsAgainInStandardColours_data()
    {
        QTest::addColumn<bool>("byButton");
        QTest::newRow("close button") << true;
        QTest::newRow("title bar close box") << false;
    }

    void closingAndReopeningReadsAgainInStandardColours()
    {
        QFETCH(bool, byButton);
        QVERIFY(writeReadme(m_file, { "一" }));
        QPointer<frmReadme> first = open();
        const QColor standard = listBackground(first);
        QTest::mouseClick(first->lblC4, Qt::LeftButton);
        QCOMPARE(listBackground(first), QColor(255, 0, 0));

        if (byButton)
            QTest::mouseClick(first->Command1, Qt::LeftButton);
        else
            first->close();
        QCOMPARE(m_main->cursor().shape(), Qt::ArrowCursor);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(first.isNull());
        QVERIFY(!frmReadme::openWindowOf(&*m_main));

        QVERIFY(writeReadme(m_file, { "二", "三" }));
        frmReadme *second = open();
        QCOMPARE(listBackground(second), standard);
        QCOMPARE(entries(second->lstReadme), QStringList({ "二", "三" }));
    }

    void missingFileAtOpeningGivesAnEmptyList()
    {
        frmReadme *window = open();
        QCOMPARE(window->lstReadme->count(), 0);
    }

    void windowKeepsItsSizeCentred()
    {
        frmReadme *window = open();
        const QSize outer(qRound(8800 * window->logicalDpiX() / 1440.0),
                          qRound(7000 * window->logicalDpiY() / 1440.0));
        window->resize(900, 700);
        QApplication::processEvents();
        QCOMPARE(window->frameGeometry().size(), outer);
        QCOMPARE(window->frameGeometry().center(), window->screen()->geometry().center());
    }

    void printUsesTheFileAsItIsNow()
    {
        QVERIFY(writeReadme(m_file, { "古い" }));
        frmReadme *window = open();
        QVERIFY(writeReadme(m_file, { "一", "", "二", readme::EndMarker, "メモ" }));
        QTest::mouseClick(window->Command2, Qt::LeftButton);

        const QString indent(15, u' ');
        QCOMPARE(m_boxes.texts(), QStringList { msg::PrinterWarning });
        QCOMPARE(m_record.window, window);
        QCOMPARE(m_record.lines, QStringList({ indent + "一", indent, indent + "二" }));
        QCOMPARE(m_record.calls.last(), QStringLiteral("end"));
        QCOMPARE(m_record.pointerAtLine, QList<Qt::CursorShape>(3, Qt::WaitCursor));
        QCOMPARE(window->cursor().shape(), Qt::ArrowCursor);
        QCOMPARE(entries(window->lstReadme), QStringList { "古い" });
    }

    void missingFileAtPrintAbortsAfterTheDialog()
    {
        QVERIFY(writeReadme(m_file, { "一" }));
        frmReadme *window = open();
        QTest::mouseClick(window->lblC3, Qt::LeftButton);
        QVERIFY(QFile::remove(m_file));
        QTest::mouseClick(window->Command2, Qt::LeftButton);

        QCOMPARE(m_boxes.texts(), QStringList({ msg::PrinterWarning, msg::PrintAborted }));
        QCOMPARE(m_record.calls.first(), QStringLiteral("choose"));
        QCOMPARE(m_record.calls.last(), QStringLiteral("abandon"));
        QVERIFY(!m_record.calls.contains(QStringLiteral("end")));
        QVERIFY(m_record.lines.isEmpty());
        QCOMPARE(window->cursor().shape(), Qt::ArrowCursor);
        QCOMPARE(entries(window->lstReadme), QStringList { "一" });
        QCOMPARE(listBackground(window), QColor(0, 0, 0));
    }

private:
    frmReadme *open()
    {
        return frmReadme::open(&*m_main, m_file, recordingDevices(m_record), &m_boxes);
    }

    std::optional<QTemporaryDir> m_dir;
    QString m_file;
    PrintRecord m_record;
    ScriptedMessageBoxes m_boxes;
    std::optional<QWidget> m_main;
};

QTEST_MAIN(TestReadme)
#include "tst_readme.moc"
