// The layout of the printed target list, checked line by line from tables of cases.
#include "messages.h"
#include "target_list_report.h"

#include <QTest>

using printing::targetListReport;

namespace {

QString blanks(int n)
{
    return QString(n, u' ');
}
QString rule(int hyphens)
{
    return blanks(3) + QString(hyphens, u'-');
}
QString title()
{
    return blanks(3) + msg::ReportTitle;
}
QString summary(int n)
{
    return blanks(3) + QStringLiteral("以上 ") + QString::number(n)
        + QStringLiteral(" ファイルの作業をしようとしています。");
}

} // namespace

class TestTargetListReport : public QObject
{
    Q_OBJECT

private slots:
    void report_data()
    {
        QTest::addColumn<QStringList>("oldNames");
        QTest::addColumn<QStringList>("newNames");
        QTest::addColumn<QStringList>("expected");

        const QString keep = msg::ReportNotRenamed;

        QTest::newRow("no new names: 改名せず, rule W1+15")
            << QStringList { "a.jpg", "long.jpg" } << QStringList {}
            << QStringList { title(),
                             rule(8 + 15),
                             blanks(6 + 3) + "a.jpg" + blanks(3) + keep,
                             blanks(6) + "long.jpg" + blanks(3) + keep,
                             rule(8 + 15),
                             summary(2) };

        QTest::newRow("all new names empty counts as none")
            << QStringList { "a.jpg", "long.jpg" } << QStringList { "", "" }
            << QStringList { title(),
                             rule(23),
                             blanks(9) + "a.jpg" + blanks(3) + keep,
                             blanks(6) + "long.jpg" + blanks(3) + keep,
                             rule(23),
                             summary(2) };

        // The worked example: longest current name 9, longest new name 12, rule 30.
        QTest::newRow("new names: right-aligned old names, rule W1+W2+9")
            << QStringList { "abcde.jpg", "abcd.jpg" }
            << QStringList { "pre0001.jpeg", "pre0002.jpg" }
            << QStringList { title(),
                             rule(30),
                             blanks(6) + "abcde.jpg" + blanks(3) + "pre0001.jpeg",
                             blanks(7) + "abcd.jpg" + blanks(3) + "pre0002.jpg",
                             rule(30),
                             summary(2) };

        QTest::newRow("full-width characters are one column each")
            << QStringList { "写真.jpg", "abcdef.jpg" } << QStringList { "旅行0001.jpg", "x" }
            << QStringList { title(),
                             rule(10 + 10 + 9),
                             blanks(6 + 4) + "写真.jpg" + blanks(3) + "旅行0001.jpg",
                             blanks(6) + "abcdef.jpg" + blanks(3) + "x",
                             rule(29),
                             summary(2) };

        QTest::newRow("a character outside the BMP is one column")
            << QStringList { "😀😀.png", "ab.png" } << QStringList {}
            << QStringList { title(),
                             rule(6 + 15),
                             blanks(6) + "😀😀.png" + blanks(3) + keep,
                             blanks(6) + "ab.png" + blanks(3) + keep,
                             rule(21),
                             summary(2) };

        QTest::newRow("single target")
            << QStringList { "x.txt" } << QStringList { "n0000.txt" }
            << QStringList { title(), rule(5 + 9 + 9),
                             blanks(6) + "x.txt" + blanks(3) + "n0000.txt", rule(23), summary(1) };

        QTest::newRow("new-name list shorter than the target list")
            << QStringList { "a.gif", "b.gif", "c.gif" } << QStringList { "z0001.gif" }
            << QStringList { title(),
                             rule(5 + 9 + 9),
                             blanks(6) + "a.gif" + blanks(3) + "z0001.gif",
                             blanks(6) + "b.gif" + blanks(3),
                             blanks(6) + "c.gif" + blanks(3),
                             rule(23),
                             summary(3) };

        QTest::newRow("one empty new name among others prints nothing after the blanks")
            << QStringList { "a.gif", "b.gif" } << QStringList { "", "y.gif" }
            << QStringList { title(),
                             rule(5 + 5 + 9),
                             blanks(6) + "a.gif" + blanks(3),
                             blanks(6) + "b.gif" + blanks(3) + "y.gif",
                             rule(19),
                             summary(2) };
    }

    void report()
    {
        QFETCH(QStringList, oldNames);
        QFETCH(QStringList, newNames);
        QFETCH(QStringList, expected);
        QCOMPARE(targetListReport(oldNames, newNames), expected);
    }
};

QTEST_GUILESS_MAIN(TestTargetListReport)
#include "tst_target_list_report.moc"
