// The print run shared by both printouts: its order of steps and its abort path, on a
// recording device; and the real Qt print device, printing the target list to a PDF file
// whose text is read back with pdftotext.
#include "messages.h"
#include "print_job.h"
#include "recording_print_device.h"
#include "scripted_message_boxes.h"
#include "system_print_device.h"
#include "target_list_report.h"

#include <QApplication>
#include <QPrintDialog>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWidget>

using namespace printing;

namespace {

// The text of a PDF file, one entry per non-empty line, and the number of pages. Lines are
// compared loosely: text extraction does not keep runs of blanks exactly, and a CJK font that
// draws a kanji and its Kangxi radical with one glyph (行 and ⾏) may read back as either, so
// both sides are compared in compatibility normal form with runs of blanks made one.
struct PdfText
{
    QStringList lines;
    int pages = 0;
};

PdfText readPdf(const QString &path)
{
    QProcess pdftotext;
    pdftotext.start(QStringLiteral("pdftotext"),
                    { QStringLiteral("-layout"), QStringLiteral("-enc"), QStringLiteral("UTF-8"),
                      path, QStringLiteral("-") });
    if (!pdftotext.waitForFinished(60000) || pdftotext.exitCode() != 0)
        return {};
    const QString text = QString::fromUtf8(pdftotext.readAllStandardOutput());
    PdfText result;
    result.pages = int(text.count(u'\f'));
    for (const QString &line : text.split(QRegularExpression(QStringLiteral("[\n\f]")))) {
        if (!line.trimmed().isEmpty())
            result.lines << line.normalized(QString::NormalizationForm_KC).simplified();
    }
    return result;
}

QStringList simplified(const QStringList &lines)
{
    QStringList result;
    for (const QString &line : lines)
        result << line.normalized(QString::NormalizationForm_KC).simplified();
    return result;
}

} // namespace

class TestPrintJob : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed");
    }

    void printsWithBusyPointerAndEndsNormal()
    {
        QWidget window;
        PrintRecord record;
        ScriptedMessageBoxes boxes;
        printTargetList({ "a.jpg", "b.jpg" }, { "n0001.jpg", "n0002.jpg" },
                        recordingDevices(record), &window, boxes);

        QCOMPARE(record.window, &window);
        QCOMPARE(record.calls,
                 QStringList({ "choose", QStringLiteral("font ＭＳ 明朝 12"), "end" }));
        QCOMPARE(record.lines,
                 targetListReport({ "a.jpg", "b.jpg" }, { "n0001.jpg", "n0002.jpg" }));
        QCOMPARE(record.pointerAtLine, QList<Qt::CursorShape>(record.lines.size(), Qt::WaitCursor));
        QCOMPARE(window.cursor().shape(), Qt::ArrowCursor);
        QVERIFY(boxes.shown.isEmpty());
    }

    void emptyTargetListOnlyTellsSo()
    {
        QWidget window;
        PrintRecord record;
        ScriptedMessageBoxes boxes;
        printTargetList({}, { "n0001.jpg" }, recordingDevices(record), &window, boxes);

        QCOMPARE(boxes.texts(), QStringList { msg::NothingToPrint });
        QCOMPARE(record.devicesMade, 0);
        QVERIFY(record.calls.isEmpty());
    }

    void failureTakesTheAbortPathOnce_data()
    {
        QTest::addColumn<std::function<void(RecordingPrintDevice &)>>("setUp");
        QTest::addColumn<QStringList>("calls");
        QTest::addColumn<int>("linesPrinted");

        const QString font = QStringLiteral("font ＭＳ 明朝 12");
        QTest::newRow("dialog cancelled") << std::function<void(RecordingPrintDevice &)>(
            [](RecordingPrintDevice &d) { d.cancelDialog = true; })
                                          << QStringList { "choose", "abandon" } << 0;
        QTest::newRow("font refused") << std::function<void(RecordingPrintDevice &)>(
            [](RecordingPrintDevice &d) { d.failFont = true; })
                                      << QStringList { "choose", font, "abandon" } << 0;
        QTest::newRow("third line refused") << std::function<void(RecordingPrintDevice &)>(
            [](RecordingPrintDevice &d) { d.failAtLine = 2; })
                                            << QStringList { "choose", font, "abandon" } << 2;
        QTest::newRow("end of document refused")
            << std::function<void(RecordingPrintDevice &)>(
                   [](RecordingPrintDevice &d) { d.failEnd = true; })
            << QStringList { "choose", font, "end", "abandon" } << 5;
    }

    void failureTakesTheAbortPathOnce()
    {
        QFETCH(std::function<void(RecordingPrintDevice &)>, setUp);
        QFETCH(QStringList, calls);
        QFETCH(int, linesPrinted);

        QWidget window;
        PrintRecord record;
        ScriptedMessageBoxes boxes;
        Qt::CursorShape pointerDuringMessage = Qt::BlankCursor;
        boxes.onShow = [&](const ScriptedMessageBoxes::Shown &) {
            pointerDuringMessage = window.cursor().shape();
        };
        printTargetList({ "a.jpg" }, {}, recordingDevices(record, setUp), &window, boxes);

        QCOMPARE(record.calls, calls);
        QCOMPARE(record.lines.size(), linesPrinted);
        QCOMPARE(boxes.texts(), QStringList { msg::PrintAborted });
        QCOMPARE(boxes.shown.first().kind, ScriptedMessageBoxes::Kind::Inform);
        QCOMPARE(window.cursor().shape(), Qt::ArrowCursor);
        // The pointer was busy once the dialog closed, unless the dialog itself was cancelled.
        QCOMPARE(pointerDuringMessage, calls.size() > 2 ? Qt::WaitCursor : Qt::ArrowCursor);
    }

    void cancelInTheSystemPrintDialogAborts()
    {
        QWidget window;
        ScriptedMessageBoxes boxes;
        QTimer closer;
        bool dialogSeen = false;
        QObject::connect(&closer, &QTimer::timeout, [&] {
            if (auto *dialog = qobject_cast<QPrintDialog *>(QApplication::activeModalWidget())) {
                dialogSeen = true;
                dialog->reject();
            }
        });
        closer.start(20);
        printTargetList({ "a.jpg" }, {}, makeSystemPrintDevice, &window, boxes);

        QVERIFY(dialogSeen);
        QCOMPARE(boxes.texts(), QStringList { msg::PrintAborted });
        QCOMPARE(window.cursor().shape(), Qt::ArrowCursor);
    }

    void pdfHoldsEveryLineInOrderOverSeveralPages()
    {
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("report.pdf"));
        QStringList oldNames, newNames;
        for (int i = 0; i < 300; ++i) {
            oldNames << QStringLiteral("写真%1.jpg").arg(i);
            newNames << QStringLiteral("旅行%1.jpg").arg(i, 4, 10, QChar(u'0'));
        }
        QWidget window;
        ScriptedMessageBoxes boxes;
        printTargetList(
            oldNames, newNames, [&] { return makePdfPrintDevice(pdf); }, &window, boxes);

        QVERIFY(boxes.shown.isEmpty());
        const PdfText text = readPdf(pdf);
        QVERIFY2(text.pages > 1, qPrintable(QString::number(text.pages)));
        QCOMPARE(text.lines, simplified(targetListReport(oldNames, newNames)));
    }

    void pdfThatCannotBeWrittenAborts()
    {
        QTemporaryDir dir;
        QWidget window;
        ScriptedMessageBoxes boxes;
        printTargetList(
            { "a.jpg" }, {},
            [&] {
                return makePdfPrintDevice(dir.filePath(QStringLiteral("no/such/folder/x.pdf")));
            },
            &window, boxes);
        QCOMPARE(boxes.texts(), QStringList { msg::PrintAborted });
        QCOMPARE(window.cursor().shape(), Qt::ArrowCursor);
    }

    void pdfOfAnAbandonedDocumentIsNotWritten()
    {
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("abandoned.pdf"));
        QWidget window;
        ScriptedMessageBoxes boxes;
        auto device = makePdfPrintDevice(pdf);
        QVERIFY(!runPrintJob(device.get(), &window, boxes, [](PrintDevice &d) {
            return d.printLine(QStringLiteral("first")) && false;
        }));
        QCOMPARE(boxes.texts(), QStringList { msg::PrintAborted });
        QVERIFY(!QFile::exists(pdf));
    }
};

QTEST_MAIN(TestPrintJob)
#include "tst_print_job.moc"
