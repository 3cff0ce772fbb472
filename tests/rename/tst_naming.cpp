#include "naming.h"

#include <QTest>

#include <limits>

using namespace renaming;

class TestNaming : public QObject
{
    Q_OBJECT

private slots:
    void newNames_data()
    {
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<int>("startNo");
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("oldName");
        QTest::addColumn<QString>("expected"); // null: no new name

        QTest::newRow("first of three") << "photo" << 7 << 0 << "a.jpg"
                                        << "photo0007.jpg";
        QTest::newRow("extension from first dot") << "photo" << 7 << 2 << "c.old.jpg"
                                                  << "photo0009.old.jpg";
        QTest::newRow("no dot keeps whole name") << "doc" << 3 << 0 << "README"
                                                 << "doc0003README";
        QTest::newRow("leading dot") << "x" << 0 << 0 << ".hidden"
                                     << "x0000.hidden";
        QTest::newRow("empty prefix") << "" << 12 << 0 << "a.txt"
                                      << "0012.txt";
        QTest::newRow("four digits at 1000") << "A" << 999 << 1 << "x.txt"
                                             << "A1000.txt";
        QTest::newRow("last number 9999") << "A" << 9998 << 1 << "x.txt"
                                          << "A9999.txt";
        QTest::newRow("10000 gives none") << "A" << 9999 << 1 << "x.txt" << QString();
        QTest::newRow("negative gives none") << "A" << -5 << 4 << "x.txt" << QString();
        QTest::newRow("negative start reaching 0") << "A" << -5 << 5 << "x.txt"
                                                   << "A0000.txt";
        QTest::newRow("16-bit max start") << "A" << 32767 << 9998 << "x.txt" << QString();
        QTest::newRow("16-bit min start") << "A" << -32768 << 9998 << "x.txt" << QString();
        QTest::newRow("full-width prefix") << "写真" << 1 << 0 << "ｘ.jpg"
                                           << "写真0001.jpg";
    }
    void newNames()
    {
        QFETCH(QString, prefix);
        QFETCH(int, startNo);
        QFETCH(int, index);
        QFETCH(QString, oldName);
        QFETCH(QString, expected);
        const auto name = newName(prefix, startNo, index, oldName);
        QCOMPARE(name.has_value(), !expected.isNull());
        if (name)
            QCOMPARE(*name, expected);
        // The temporary name is the new name with ".zyx" in place of the extension part.
        const auto temp = temporaryName(prefix, startNo, index);
        QCOMPARE(temp.has_value(), name.has_value());
        if (temp)
            QCOMPARE(*temp, name->left(name->size() - extensionPart(oldName).size()) + ".zyx");
    }

    void basicVal_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");

        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("letters") << "abc" << 0.0;
        QTest::newRow("trailing letters") << "12abc" << 12.0;
        QTest::newRow("decimal") << "2.5" << 2.5;
        QTest::newRow("leading point") << ".5" << 0.5;
        QTest::newRow("sign") << "-5" << -5.0;
        QTest::newRow("plus sign") << "+7" << 7.0;
        QTest::newRow("blanks inside") << " 1 2\t3\n4" << 1234.0;
        QTest::newRow("blank after sign") << "- 3" << -3.0;
        QTest::newRow("exponent") << "1E3" << 1000.0;
        QTest::newRow("exponent lower, signed") << "25e-1" << 2.5;
        QTest::newRow("D exponent") << "2D2" << 200.0;
        QTest::newRow("exponent without digits") << "12E" << 12.0;
        QTest::newRow("exponent sign without digits") << "12E+x" << 12.0;
        QTest::newRow("second point stops") << "1.2.3" << 1.2;
        QTest::newRow("hex") << "&H1F" << 31.0;
        QTest::newRow("hex lower, stops at g") << "&hffg" << 255.0;
        QTest::newRow("octal") << "&O17" << 15.0;
        QTest::newRow("octal stops at 8") << "&o78" << 7.0;
        QTest::newRow("ampersand alone") << "&" << 0.0;
        QTest::newRow("full-width digits are not digits") << "１２" << 0.0;
        QTest::newRow("carriage return is not ignored") << "1\r2" << 1.0;
        QTest::newRow("sign alone") << "-" << 0.0;
        QTest::newRow("huge") << "1e400" << std::numeric_limits<double>::infinity();
    }
    void basicVal()
    {
        QFETCH(QString, text);
        QFETCH(double, value);
        QCOMPARE(renaming::basicVal(text), value);
    }

    void startNo_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("startNo");

        QTest::newRow("2.5 to even 2") << 2.5 << 2;
        QTest::newRow("3.5 to even 4") << 3.5 << 4;
        QTest::newRow("-2.5 to -2") << -2.5 << -2;
        QTest::newRow("2.6 up") << 2.6 << 3;
        QTest::newRow("max") << 32767.0 << 32767;
        QTest::newRow("above max clamps") << 40000.0 << 32767;
        QTest::newRow("below min clamps") << -1e9 << -32768;
        QTest::newRow("infinity clamps") << std::numeric_limits<double>::infinity() << 32767;
        QTest::newRow("nan is 0") << std::numeric_limits<double>::quiet_NaN() << 0;
    }
    void startNo()
    {
        QFETCH(double, value);
        QFETCH(int, startNo);
        QCOMPARE(int(toStartNo(value)), startNo);
    }

    void prefixWidth_data()
    {
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<int>("width");

        QTest::newRow("empty") << "" << 0;
        QTest::newRow("ascii") << "abc " << 4;
        QTest::newRow("full-width") << "写真ＡＢ" << 8;
        QTest::newRow("half-width katakana") << "ｶﾅ" << 2;
        QTest::newRow("not in code page counts 2") << QString::fromUtf8("é😀") << 4;
        QTest::newRow("wave dash counts 2") << QString(QChar(0x301C)) << 2;
        QTest::newRow("125 full-width") << QString(125, QChar(0x3042)) << 250;
        QTest::newRow("124 full-width + 2 half") << QString(124, QChar(0x3042)) + "ab" << 250;
    }
    void prefixWidth()
    {
        QFETCH(QString, prefix);
        QFETCH(int, width);
        QCOMPARE(renaming::prefixWidth(prefix), width);
    }
};

QTEST_GUILESS_MAIN(TestNaming)
#include "tst_naming.moc"
