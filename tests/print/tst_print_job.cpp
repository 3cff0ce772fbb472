// The target-list report layout, the print run shared by both printouts (on a recording
// device), and the PDF print device, whose output is read back with pdftotext.
#include "messages.h"
#include "naming.h"
#include "recording_print_device.h"
#include "scripted_message_boxes.h"
#include "system_print_device.h"
#include "target_list_report.h"

#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
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
        // Widths in display columns: a wide or full-width character (kanji, kana, emoji, 〜,
        // ＡＢ) takes two, a half-width one (ｶﾅ, Latin, é) one; a character outside the BMP is
        // counted once, not once per half of its surrogate pair.
        row("full-width and emoji", "写真😀😀.jpg|ab.jpg", "旅行0001.jpg|x", 12 + 12 + 9,
            { b(6) + "写真😀😀.jpg" + b(3) + "旅行0001.jpg", b(12) + "ab.jpg" + b(3) + "x" });
        row("half-width kana, wave dash, full-width Latin", "ｶﾅ〜.txt|ＡＢé.txt", "", 9 + 15,
            { b(7) + "ｶﾅ〜.txt" + keep, b(6) + "ＡＢé.txt" + keep });
        // Ambiguous width: two where the Japanese code page holds the character as double-byte
        // (○ ※ ① α ×, full-width in Japanese faces), one where it does not (é, ä).
        row("ambiguous width", "○○.jpg|①α×.jpg|café.jpg", "", 10 + 15,
            { b(8) + "○○.jpg" + keep, b(6) + "①α×.jpg" + keep, b(8) + "café.jpg" + keep });
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
        PrintRecord r { .failAt = failAt, .calls = {}, .window = nullptr };
        ScriptedMessageBoxes boxes;
        printTargetList(oldNames, { "n1.jpg" }, recordingDevices(r), &window, boxes);
        QCOMPARE(r.calls, calls);
        QCOMPARE(boxes.texts(), QStringList { message });
        QCOMPARE(window.cursor().shape(), Qt::ArrowCursor);
    }

    // A document that fails part-way is abandoned: no file is written.
    void pdfAbandonedLeavesNoFile()
    {
        QTemporaryDir dir;
        const QString abandoned = dir.filePath(QStringLiteral("abandoned.pdf"));
        ScriptedMessageBoxes boxes;
        QVERIFY(!runPrintJob(makePdfPrintDevice(abandoned).get(), nullptr, boxes,
                             [](PrintDevice &d) { return d.printLine("x") && false; }));
        QVERIFY(!QFile::exists(abandoned));
    }

    // Printed to a PDF and read back with pdftotext: every line holds its old and new name
    // whole, every new name starts at one x and every old name ends at one x, the rules reach
    // three columns past the new names, and nothing passes the printable area; for names in
    // every script, for a 200-character name that makes the whole document print smaller, and
    // for 300 files that take several pages.
    void pdfColumnsLineUp_data()
    {
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<QStringList>("oldNames");
        const QString longName = QStringLiteral("長い名前long").repeated(25) + ".jpg";
        const QStringList latin { "a.jpg", "IMG_0001.jpg", "holiday-photo.jpeg" },
            kana { "かな.jpg", "ひらがなとカタカナ.jpg", "ｶﾀｶﾅ.jpg", "b.jpg" },
            kanji { "京都.jpg", "清水寺の夕焼け.jpg", "漢字.写真.jpg" },
            wave { "〜.jpg", "a〜b.jpg", "〜〜〜.txt.jpg" },
            ambiguous { "○○旅行.jpg", "①写真.jpg", "αβ.jpg", "café.jpg", "x.jpg" };
        QTest::newRow("Latin") << "trip" << latin;
        QTest::newRow("kana") << "旅行" << kana;
        QTest::newRow("kanji") << "写真" << kanji;
        QTest::newRow("wave dash") << "波〜" << wave;
        QTest::newRow("ambiguous width") << "※" << ambiguous;
        QTest::newRow("200 characters") << "p" << QStringList { "a.jpg", longName };
        QTest::newRow("all together") << "x" << latin + kana + kanji + wave + ambiguous;
        QStringList many;
        for (int i = 0; i < 300; ++i)
            many << QStringLiteral("写真").repeated(1 + i % 5) + QString::number(i) + ".jpg";
        QTest::newRow("several pages") << "旅行" << many;
        QCOMPARE(longName.size(), 204);
    }
    void pdfColumnsLineUp()
    {
        QFETCH(QString, prefix);
        QFETCH(QStringList, oldNames);
        QStringList newNames;
        for (qsizetype i = 0; i < oldNames.size(); ++i)
            newNames << renaming::newName(prefix, 1, int(i), oldNames[i]).value_or(QString());
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("report.pdf"));
        ScriptedMessageBoxes boxes;
        printTargetList(
            oldNames, newNames, [&] { return makePdfPrintDevice(pdf); }, nullptr, boxes);
        QVERIFY(boxes.shown.isEmpty());

        int pages = 0;
        const QList<QList<Word>> lines = pdfLines(pdf, &pages);
        QCOMPARE(lines.size(), oldNames.size() + 4);
        QCOMPARE(pages > 1, oldNames.size() == 300);
        const Word rule = lines[1].constFirst();
        const QString hyphens = targetListReport(oldNames, newNames)[1].trimmed();
        QCOMPARE(rule.text, hyphens);
        const double column = (rule.right - rule.left) / double(hyphens.size());
        // The rule begins in column 3, the old names end in column 6 + W1.
        qsizetype widest = 0;
        for (const QString &name : oldNames)
            widest = std::max(widest, displayWidth(name));
        const double oldEnd = rule.left + double(3 + widest) * column;
        // Empty when `x` (an edge of `word`) is within a tenth of a column of `should`.
        const auto off = [column](const Word &word, double x, double should) {
            const QString where
                = QStringLiteral("%1 at %2..%3, not %4").arg(word.text).arg(word.left);
            return qAbs(x - should) < column / 10 ? QString() : where.arg(word.right).arg(should);
        };
        double newEnd = 0;
        for (qsizetype i = 0; i < oldNames.size(); ++i) {
            const QList<Word> &line = lines[i + 2];
            QVERIFY2(line.size() >= 2, qPrintable(oldNames[i]));
            const Word &oldWord = line[line.size() - 2], &newWord = line.constLast();
            // pdftotext reads some kanji back as the radicals that share their glyph (行 as ⾏).
            QCOMPARE(plain(oldWord.text), plain(oldNames[i]));
            QCOMPARE(plain(newWord.text), plain(newNames[i]));
            QCOMPARE(off(oldWord, oldWord.right, oldEnd), QString());
            QCOMPARE(off(newWord, newWord.left, oldEnd + 3 * column), QString());
            newEnd = std::max(newEnd, newWord.right);
        }
        QCOMPARE(off(rule, rule.right, newEnd + 3 * column), QString());
        QCOMPARE(lines[oldNames.size() + 2].constFirst().text, hyphens);

        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        const QRectF area = printer.pageLayout().paintRectPoints().adjusted(-0.5, 0, 0.5, 0.5);
        for (const QList<Word> &line : lines) {
            for (const Word &word : line)
                QVERIFY2(word.left >= area.left() && word.right <= area.right()
                             && word.bottom <= area.bottom(),
                         qPrintable(word.text + " passes the printable area"));
        }
    }

private:
    struct Word
    {
        QString text;
        double left, right, bottom; // points from the page's top left corner
    };

    // The words of the PDF, line by line and page by page: words that stand on one line share
    // their top (the report is set in one face). `pages` counts the pages.
    static QList<QList<Word>> pdfLines(const QString &pdf, int *pages)
    {
        QProcess pdftotext;
        pdftotext.start(QStringLiteral("pdftotext"), { "-bbox", pdf, "-" });
        if (!pdftotext.waitForFinished(60000) || pdftotext.exitCode() != 0)
            return {};
        const QStringList pageTexts
            = QString::fromUtf8(pdftotext.readAllStandardOutput()).split(QStringLiteral("<page "));
        *pages = int(pageTexts.size()) - 1;
        static const QRegularExpression word(
            QStringLiteral(R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" )re"
                           R"re(yMax="([\d.]+)">([^<]*)</word>)re"));
        QList<QList<Word>> lines;
        for (const QString &page : pageTexts.mid(1)) {
            // pdftotext may give a page's words column by column.
            QMap<double, QList<Word>> byTop;
            for (const QRegularExpressionMatch &m : word.globalMatch(page))
                byTop[m.captured(2).toDouble()].append({ m.captured(5), m.captured(1).toDouble(),
                                                         m.captured(3).toDouble(),
                                                         m.captured(4).toDouble() });
            for (QList<Word> &line : byTop) {
                std::sort(line.begin(), line.end(),
                          [](const Word &l, const Word &r) { return l.left < r.left; });
                lines << line;
            }
        }
        return lines;
    }

    static QString b(int n) { return QString(n, u' '); }
    static QString plain(const QString &t) { return t.normalized(QString::NormalizationForm_KC); }
};

QTEST_MAIN(TestPrintJob)
#include "tst_print_job.moc"
