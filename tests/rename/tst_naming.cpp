#include "history.h"
#include "naming.h"

#include <QTest>

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
        // clang-format off
        QTest::newRow("first") << "photo" << 7 << 0 << "a.jpg" << "photo0007.jpg";
        QTest::newRow("first dot") << "photo" << 7 << 2 << "c.old.jpg" << "photo0009.old.jpg";
        QTest::newRow("no dot: whole name") << "doc" << 3 << 0 << "README" << "doc0003README";
        QTest::newRow("leading dot") << "x" << 0 << 0 << ".hidden" << "x0000.hidden";
        QTest::newRow("last number 9999") << "A" << 9998 << 1 << "x.txt" << "A9999.txt";
        QTest::newRow("10000 gives none") << "A" << 9999 << 1 << "x.txt" << QString();
        QTest::newRow("negative gives none") << "A" << -5 << 4 << "x.txt" << QString();
        QTest::newRow("no wrap-around") << "A" << 32767 << 9998 << "x.txt" << QString();
        // clang-format on
    }
    void newNames()
    {
        QFETCH(QString, prefix);
        QFETCH(int, startNo);
        QFETCH(int, index);
        QFETCH(QString, oldName);
        QFETCH(QString, expected);
        QCOMPARE(newName(prefix, startNo, index, oldName).value_or(QString()), expected);
    }

    // The start-number text read like BASIC's Val, then rounded half to even into 16 bits.
    void startNo_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("startNo");
        QTest::newRow("empty") << "" << 0.0 << 0;
        QTest::newRow("letters") << "abc" << 0.0 << 0;
        QTest::newRow("trailing letters") << "12abc" << 12.0 << 12;
        QTest::newRow("2.5 to even") << "2.5" << 2.5 << 2;
        QTest::newRow("3.5 to even") << "3.5" << 3.5 << 4;
        QTest::newRow("blanks inside") << " 1 2\t3\n4" << 1234.0 << 1234;
        QTest::newRow("carriage return stops") << "1\r2" << 1.0 << 1;
        QTest::newRow("signed exponent") << "25E-1" << 2.5 << 2;
        QTest::newRow("exponent without digits") << "12E+x" << 12.0 << 12;
        QTest::newRow("D is no exponent") << "1d3" << 1.0 << 1;
        QTest::newRow("second point stops") << "1.2.3" << 1.2 << 1;
        QTest::newRow("hex, stops at g") << "&hffg" << 255.0 << 255;
        QTest::newRow("octal, stops at 8") << "&O178" << 15.0 << 15;
        QTest::newRow("full-width digits") << "１２" << 0.0 << 0;
        QTest::newRow("below 16 bits") << "-1e9" << -1e9 << -32768;
        QTest::newRow("infinite") << "1e400" << qInf() << 32767;
    }
    void startNo()
    {
        QFETCH(QString, text);
        QFETCH(double, value);
        QFETCH(int, startNo);
        QCOMPARE(basicVal(text), value);
        QCOMPARE(int(toStartNo(value)), startNo);
    }

    // Windows-31J units: 2 for a double-byte character or one outside the code page.
    void prefixWidth()
    {
        QCOMPARE(renaming::prefixWidth("写真ＡＢｶﾅ a"), 12);
        QCOMPARE(renaming::prefixWidth(QString::fromUtf8("é😀\u301C")), 6);
    }

    // Windows-31J with CR LF when every name survives the code page, else UTF-8 with a BOM.
    void encoding_data()
    {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QByteArray>("bytes");

        QTest::newRow("Windows-31J, comma, blanks, half-width kana")
            << QStringList { "写真 1,2.jpg", "ｶﾅ.jpg", "abc.jpg" }
            << QByteArray::fromHex("8eca905e20312c322e6a70670d0a" // 写真 1,2.jpg
                                   "b6c52e6a70670d0a6162632e6a70670d0a");
        QTest::newRow("wave dash has no mapping")
            << QStringList { "a.jpg", QString::fromUtf8("x\u301C.jpg") }
            << QByteArray::fromHex("efbbbf612e6a70670d0a78e3809c2e6a70670d0a");
        QTest::newRow("no names, no bytes") << QStringList {} << QByteArray();
        QTest::newRow("TAB and ESC are bytes of their own")
            << QStringList { "a\tb\x1b.jpg" }
            << QByteArray::fromHex("610962"
                                   "1b2e6a70670d0a");
        // A character the encoder maps to a look-alike would come back as another name.
        QTest::newRow("best-fit mapping (U+F86F)")
            << QStringList { QString(QChar(0xF86F)) + ".jpg" }
            << QByteArray::fromHex("efbbbf"
                                   "efa1af2e6a70670d0a");
        QTest::newRow("a name starting with U+FEFF keeps it")
            << QStringList { QString(QChar(0xFEFF)) + "x.jpg" }
            << QByteArray::fromHex("efbbbf"
                                   "efbbbf782e6a70670d0a");
    }

    // The one rule for names a history file holds: given back exactly, and none of the
    // program's own (history files of any chain, the restore's temporary names). Line breaks,
    // separators and the program's own names in any case: the batch and restore tables.
    void recordable_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("recordable");
        const auto row = [](const char *tag, const QString &name, bool ok) {
            QTest::newRow(tag) << name << ok;
        };
        row("plain", "写真 1.jpg", true);
        row("TAB, ESC, DEL, U+2028", "a\t\x1b\x7f\u2028.jpg", true);
        row("leading U+FEFF", QString(QChar(0xFEFF)) + "x", true);
        row("dot-dot", "..", false);
        row("255 bytes", QString(85, QChar(0x5199)), true);
        row("256 bytes", QString(85, QChar(0x5199)) + "a", false);
        row("lone surrogate", QString(QChar(0xD800)) + "a", false);
        row("history file of an empty type", "VOXA0.log", false);
        row("no number before .log", "VOXAjpg.log", true);
        row("five digits", "zyx00012.zyx", true);
    }
    void recordable()
    {
        QFETCH(QString, name);
        QFETCH(bool, recordable);
        QCOMPARE(isRecordableName(name), recordable);
    }
    void encoding()
    {
        QFETCH(QStringList, names);
        QFETCH(QByteArray, bytes);
        QCOMPARE(encodeHistory(names).toHex(), bytes.toHex());
        QCOMPARE(decodeHistory(bytes), std::optional<QStringList>(names));
    }

    // History file names from the file type pattern; folder paths end in one separator.
    void paths()
    {
        QCOMPARE(historyFileName(fileTypePart("*.jpg"), 7), QStringLiteral("VOXAjpg7.log"));
        QCOMPARE(historyFileName(fileTypePart("*.JPG"), 101), QStringLiteral("VOXAJPG101.log"));
        QCOMPARE(historyFileName(fileTypePart("*.tar.gz"), 0), QStringLiteral("VOXAtar.gz0.log"));
        QCOMPARE(historyFileName(fileTypePart("*"), 7), QStringLiteral("VOXA*7.log"));
        QCOMPARE(folderPathOf("/"), QStringLiteral("/"));
        QCOMPARE(folderPathOf("/a/b"), QStringLiteral("/a/b/"));
    }
};

QTEST_GUILESS_MAIN(TestNaming)
#include "tst_naming.moc"
