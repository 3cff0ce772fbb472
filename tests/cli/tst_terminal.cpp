// What reaches the terminal: arguments and names kept byte for byte and shown escaped, messages
// in the reader's language, and a progress line that counts files and is erased at the end.
// (Output trouble, noticed rather than fatal: the "reader gone" rows of tst_cli.)
#include "display_text.h"
#include "messages.h"
#include "terminal.h"

#include <QTest>

#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

namespace {

// Everything written to `file` so far, read back from its start.
QString contents(FILE *file)
{
    std::fflush(file);
    std::rewind(file);
    QByteArray bytes;
    char buffer[4096];
    while (const size_t n = std::fread(buffer, 1, sizeof buffer, file))
        bytes.append(buffer, qsizetype(n));
    return QString::fromUtf8(bytes);
}

} // namespace

class TestTerminal : public QObject
{
    Q_OBJECT

private slots:
    // A path's bytes come back exactly from their text; bytes that are not UTF-8 show as
    // "\xNN", so that the folder named 0xFF never reads as its twin named "\uFFFD".
    void bytesAndText_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<bool>("utf8");
        QTest::newRow("ASCII") << QByteArray("photos") << "photos" << true;
        QTest::newRow("Japanese") << QByteArray("写真") << "写真" << true;
        QTest::newRow("emoji") << QByteArray("\xf0\x9f\x98\x80") << "😀" << true;
        QTest::newRow("U+FFFD itself") << QByteArray("\xef\xbf\xbd") << "\uFFFD" << true;
        QTest::newRow("0xFF") << QByteArray("\xff") << "\\xff" << false;
        QTest::newRow("overlong NUL") << QByteArray("a\xc0\x80z") << "a\\xc0\\x80z" << false;
        QTest::newRow("surrogate") << QByteArray("\xed\xa0\x80") << "\\xed\\xa0\\x80" << false;
        QTest::newRow("cut short") << QByteArray("x\xe3\x81") << "x\\xe3\\x81" << false;
        QTest::newRow("above U+10FFFF")
            << QByteArray("\xf4\x90\x80\x80") << "\\xf4\\x90\\x80\\x80" << false;
        QTest::newRow("line break and ESC") << QByteArray("a\nb\x1b") << "a\\nb\\x1b" << true;
        QTest::newRow("backslash") << QByteArray("a\\xff") << "a\\\\xff" << true;
    }
    void bytesAndText()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, shown);
        QFETCH(bool, utf8);
        const QString text = renaming::textOfBytes(bytes);
        QCOMPARE(renaming::bytesOfText(text), bytes);
        QCOMPARE(renaming::escaped(text), shown);
        QCOMPARE(renaming::isUtf8Text(text), utf8);
    }

    // Outside a Japanese locale every message is told in English, line by line, the longest
    // Japanese text a line begins with giving way; names and reasons stay as they are. (In a
    // Japanese locale the texts stay: every row of tst_cli's contract.)
    void messagesInTheReadersLanguage()
    {
        FILE *err = std::tmpfile();
        cli::Terminal english(stdout, err, stdin, false);
        for (const auto &[japanese, inEnglish] : msg::CliEnglish) {
            std::rewind(err);
            english.tell(japanese + "a.jpg");
            QCOMPARE(contents(err).section(u'\n', 0, 0), "kelvaro-cli: " + inEnglish + "a.jpg");
        }
        QVERIFY(::ftruncate(::fileno(err), 0) == 0);
        std::rewind(err);
        english.tell(msg::RestoreFailed + "p1.jpg (Input/output error)\n" + msg::RenameNotRolledBack
                     + "\np1.jpg → zyx0000.zyx");
        QCOMPARE(contents(err),
                 "kelvaro-cli: a restore failed: p1.jpg (Input/output error)\nthese files could "
                 "not be given back their names (old name → name now):\np1.jpg → zyx0000.zyx\n");
        std::fclose(err);
    }

    // On a terminal, once the work has taken a moment: the count of files done, never of the
    // renames (two a file), and the line erased when the work ends. Quiet draws nothing.
    void progressCountsFiles_data()
    {
        QTest::addColumn<bool>("quiet");
        QTest::newRow("drawn") << false;
        QTest::newRow("quiet") << true;
    }
    void progressCountsFiles()
    {
        QFETCH(bool, quiet);
        const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
        QVERIFY(master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0);
        FILE *err = std::fopen(::ptsname(master), "w");
        QVERIFY(err);
        {
            cli::Terminal terminal(stdout, err, stdin, false);
            terminal.setQuiet(quiet);
            terminal.startProgress(msg::StatusRenaming, 2000, 4000);
            for (const int wait : { 600, 150 }) {
                QTest::qWait(wait);
                for (int i = 0; i < 2000; ++i)
                    terminal.advanceProgress();
            }
            terminal.endProgress();
        }
        std::fclose(err);
        QByteArray drawn;
        ::fcntl(master, F_SETFL, O_NONBLOCK);
        char buffer[4096];
        for (ssize_t n; (n = ::read(master, buffer, sizeof buffer)) > 0;)
            drawn.append(buffer, n);
        ::close(master);
        QVERIFY2(quiet ? drawn.isEmpty() : drawn.endsWith("\r\x1b[K"), drawn.constData());
        if (quiet)
            return;
        const QList<QByteArray> lines = drawn.chopped(4).split('\r').mid(1);
        QVERIFY(!lines.isEmpty());
        int last = -1;
        for (const QByteArray &line : lines) {
            QVERIFY2(line.startsWith("renaming (do not switch off) ") && line.endsWith("/2000"),
                     line.constData());
            const int done = line.split(' ').last().split('/').first().toInt();
            QVERIFY2(done >= last && done <= 2000, line.constData());
            last = done;
        }
        QVERIFY2(last >= 1000, lines.last().constData());
    }
};

QTEST_GUILESS_MAIN(TestTerminal)
#include "tst_terminal.moc"
