// The target-list report layout, the print run shared by both printouts (on a recording
// device), and the PDF print device, whose output is read back with pdftotext.
#include "messages.h"
#include "recording_print_device.h"
#include "scripted_message_boxes.h"
#include "system_print_device.h"
#include "target_list_report.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace printing;

class TestPrintJob : public QObject
{
    Q_OBJECT

private slots:
    void report_data()
    {
        QTest::addColumn<QStringList>("oldNames");
        QTest::addColumn<QStringList>("newNames");
        QTest::addColumn<int>("rule");
        QTest::addColumn<QStringList>("body");
        // Names are given as "a|b"; "|" is two empty names, "" none.
        const auto row = [](const char *name, const QString &olds, const QString &news, int rule,
                            const QStringList &body) {
            QTest::newRow(name) << olds.split(u'|')
                                << (news.isEmpty() ? QStringList {} : news.split(u'|')) << rule
                                << body;
        };
        const QString keep = b(3) + msg::ReportNotRenamed;
        const QStringList kept { b(9) + "a.jpg" + keep, b(6) + "long.jpg" + keep };
        row("no new names: 改名せず, W1+15", "a.jpg|long.jpg", "", 23, kept);
        row("all new names empty", "a.jpg|long.jpg", "|", 23, kept);
        row("new names: W1+W2+9, right-aligned", "abcde.jpg|abcd.jpg", "pre0001.jpeg|p.jpg", 30,
            { b(6) + "abcde.jpg" + b(3) + "pre0001.jpeg", b(7) + "abcd.jpg" + b(3) + "p.jpg" });
        // Full-width and non-BMP characters are one column each (code points, not UTF-16).
        row("full-width and emoji", "写真😀😀.jpg|ab.jpg", "旅行0001.jpg|x", 8 + 10 + 9,
            { b(6) + "写真😀😀.jpg" + b(3) + "旅行0001.jpg", b(8) + "ab.jpg" + b(3) + "x" });
        row("single target", "x.txt", "n0000.txt", 23, { b(6) + "x.txt" + b(3) + "n0000.txt" });
        row("new-name list shorter", "a.gif|b.gif", "z0001.gif", 23,
            { b(6) + "a.gif" + b(3) + "z0001.gif", b(6) + "b.gif" + b(3) });
    }

    void report()
    {
        QFETCH(QStringList, oldNames);
        QFETCH(QStringList, newNames);
        QFETCH(int, rule);
        QFETCH(QStringList, body);
        const QString line = b(3) + QString(rule, u'-');
        const QString summary = QStringLiteral("   以上 %1 ファイルの作業をしようとしています。");
        QCOMPARE(targetListReport(oldNames, newNames),
                 QStringList({ b(3) + "Kelvaro 作業ファイルリスト", line }) + body
                     + QStringList({ line, summary.arg(oldNames.size()) }));
    }

    // Every way a print run ends short: the empty list, and a refusal by the device (the dialog
    // cancelled, a line failing part-way). A whole print: the main window's, in tst_readme.
    void printRun_data()
    {
        QTest::addColumn<QStringList>("oldNames");
        QTest::addColumn<int>("failAt"); // the device refuses its k-th call
        QTest::addColumn<QStringList>("calls");
        QTest::addColumn<QString>("message");
        const QStringList two { "a.jpg", "b.jpg" }, lines = targetListReport(two, { "n1.jpg" });
        const QStringList start { "choose", "font ＭＳ 明朝 12" };
        QTest::newRow("empty list") << QStringList {} << 0 << QStringList {} << msg::NothingToPrint;
        QTest::newRow("dialog cancelled")
            << two << 1 << QStringList { "choose", "abandon" } << msg::PrintAborted;
        QTest::newRow("third line refused")
            << two << 5 << start + lines.first(3) + QStringList { "abandon" } << msg::PrintAborted;
    }
    void printRun()
    {
        QFETCH(QStringList, oldNames);
        QFETCH(int, failAt);
        QFETCH(QStringList, calls);
        QFETCH(QString, message);
        QWidget window;
        PrintRecord r;
        r.failAt = failAt;
        ScriptedMessageBoxes boxes;
        printTargetList(oldNames, { "n1.jpg" }, recordingDevices(r), &window, boxes);
        QCOMPARE(r.calls, calls);
        QCOMPARE(boxes.texts(), QStringList { message });
        QCOMPARE(window.cursor().shape(), Qt::ArrowCursor);
    }

    // Old names of 40 full-width characters make lines wider than the page: the font is made
    // smaller, and every line still holds its whole old and new name.
    void pdfHoldsEveryLineInOrderOverSeveralPages()
    {
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("report.pdf"));
        QStringList oldNames, newNames;
        for (int i = 0; i < 300; ++i) {
            oldNames << QStringLiteral("写").repeated(i % 3 ? 8 : 40) + QString::number(i) + ".jpg";
            newNames << QStringLiteral("旅行%1.jpg").arg(i, 4, 10, QChar(u'0'));
        }
        ScriptedMessageBoxes boxes;
        printTargetList(
            oldNames, newNames, [&] { return makePdfPrintDevice(pdf); }, nullptr, boxes);
        QVERIFY(boxes.shown.isEmpty());

        QProcess pdftotext;
        pdftotext.start(QStringLiteral("pdftotext"), { "-layout", "-enc", "UTF-8", pdf, "-" });
        QVERIFY(pdftotext.waitForFinished(60000) && pdftotext.exitCode() == 0);
        const QString text = QString::fromUtf8(pdftotext.readAllStandardOutput());
        QVERIFY2(text.count(u'\f') > 1, qPrintable(text.left(200)));
        // pdftotext keeps neither runs of blanks nor line breaks exactly, and reads some kanji
        // back as the radicals that share their glyph (行 as ⾏).
        const auto plain = [](const QString &t) {
            return t.normalized(QString::NormalizationForm_KC).simplified();
        };
        QCOMPARE(plain(text), plain(targetListReport(oldNames, newNames).join(u' ')));
        const QStringList lines = text.split(u'\n');
        for (qsizetype i = 0; i < oldNames.size(); ++i) // one line per file, new name whole
            QVERIFY(std::any_of(lines.begin(), lines.end(), [&](const QString &line) {
                return plain(line).endsWith(plain(oldNames[i] + u' ' + newNames[i]));
            }));

        // A document that fails part-way is abandoned: no file is written.
        const QString abandoned = dir.filePath(QStringLiteral("abandoned.pdf"));
        QVERIFY(
            !runPrintJob(makePdfPrintDevice(abandoned).get(), nullptr, boxes,
                         [](PrintDevice &d) { return d.printLine(QStringLiteral("x")) && false; }));
        QVERIFY(!QFile::exists(abandoned));
    }

private:
    static QString b(int n) { return QString(n, u' '); }
};

QTEST_MAIN(TestPrintJob)
#include "tst_print_job.moc"
