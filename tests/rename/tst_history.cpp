#include "history.h"

#include <QTest>

using namespace renaming;

class TestHistory : public QObject
{
    Q_OBJECT

private slots:
    void encoding_data()
    {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QByteArray>("bytes");

        QTest::newRow("Windows-31J, comma, blanks, half-width kana")
            << QStringList { "写真 1,2.jpg", "ｶﾅ.jpg", "abc.jpg" }
            << QByteArray::fromHex("8eca905e20312c322e6a70670d0a"
                                   "b6c52e6a70670d0a"
                                   "6162632e6a70670d0a");
        QTest::newRow("wave dash U+301C needs UTF-8")
            << QStringList { "a.jpg", QString::fromUtf8("x\u301C.jpg") }
            << QByteArray::fromHex("efbbbf"
                                   "612e6a70670d0a"
                                   "78e3809c2e6a70670d0a");
        QTest::newRow("accented letter needs UTF-8")
            << QStringList { QString::fromUtf8("caf\u00e9.jpg") }
            << QByteArray::fromHex("efbbbf636166c3a92e6a70670d0a");
        QTest::newRow("no names, no bytes") << QStringList {} << QByteArray();
    }
    void encoding()
    {
        QFETCH(QStringList, names);
        QFETCH(QByteArray, bytes);
        QCOMPARE(encodeHistory(names).toHex(), bytes.toHex());
        QCOMPARE(decodeHistory(bytes), std::optional<QStringList>(names));
    }

    void invalidBytes_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("Windows-31J lead byte at the end") << QByteArray("a.jpg\r\n\x82", 8);
        QTest::newRow("Windows-31J lead byte before CR") << QByteArray("\x82\r\n", 3);
        QTest::newRow("UTF-8 broken sequence") << QByteArray("\xEF\xBB\xBF\xC3\x28.jpg\r\n");
        QTest::newRow("UTF-8 lone continuation byte") << QByteArray("\xEF\xBB\xBF\x80\r\n");
    }
    void invalidBytes()
    {
        QFETCH(QByteArray, bytes);
        QVERIFY(!decodeHistory(bytes));
    }

    void names_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("typePart");
        QTest::addColumn<QString>("file7");

        QTest::newRow("jpg") << "*.jpg"
                             << "jpg"
                             << "VOXAjpg7.log";
        QTest::newRow("case kept") << "*.JPG"
                                   << "JPG"
                                   << "VOXAJPG7.log";
        QTest::newRow("two dots") << "*.tar.gz"
                                  << "tar.gz"
                                  << "VOXAtar.gz7.log";
        QTest::newRow("no dot") << "*"
                                << "*"
                                << "VOXA*7.log";
        QTest::newRow("ends in its dot") << "x."
                                         << ""
                                         << "VOXA7.log";
    }
    void names()
    {
        QFETCH(QString, pattern);
        QFETCH(QString, typePart);
        QFETCH(QString, file7);
        QCOMPARE(fileTypePart(pattern), typePart);
        QCOMPARE(historyFileName(typePart, 7), file7);
        QCOMPARE(historyFileName("jpg", 101), QStringLiteral("VOXAjpg101.log"));
    }

    void folderPath()
    {
        QCOMPARE(folderPathOf("/"), QStringLiteral("/"));
        QCOMPARE(folderPathOf("/a/b"), QStringLiteral("/a/b/"));
        QCOMPARE(folderPathOf("/a/b/"), QStringLiteral("/a/b/"));
    }
};

QTEST_GUILESS_MAIN(TestHistory)
#include "tst_history.moc"
