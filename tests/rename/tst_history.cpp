// History chains of file types whose history names overlap: "VOXA" + type part + number runs
// the two together, so VOXAmp40.log is file 0 of "*.mp4" and file 40 of "*.mp". Delete
// history, the restore and the batch's next number of one type must never read, write or
// delete a file of another type's chain, and must leave a file alone when the folder cannot
// tell whose it is.
#include "delete_history.h"
#include "scene.h"

namespace {

// A history chain of files 0..newest of the type part, `count` names each, made as batches
// make them: file 0 holds names "<stem>f<j><ending>", every later file the names the naming
// rule makes from the file before (prefix <stem>, four digits, the extension part), and the
// folder holds the newest file's names. The ending is "." + the type unless given. Returns the
// names of file 0.
QStringList makeChain(const Scene &scene, const QString &type, int newest, int count,
                      const QString &stem, QString ending = {})
{
    if (ending.isEmpty())
        ending = u'.' + type;
    QStringList first;
    for (int k = 0; k <= newest; ++k) {
        QStringList names;
        for (int j = 0; j < count; ++j)
            names << (k == 0 ? QStringLiteral("%1f%2").arg(stem).arg(j)
                             : QStringLiteral("%1%2").arg(stem).arg(k * 100 + j, 4, 10,
                                                                    QLatin1Char('0')))
                    + ending;
        scene.put(historyFileName(type, k), encodeHistory(names));
        if (k == 0)
            first = names;
        if (k == newest)
            scene.fill(names);
    }
    return first;
}

// One command of the type `mine` in a folder that also holds a chain of the type `other`.
struct Case
{
    QString mine;
    int mineNewest = -1; // -1: no chain of its own
    QString other;
    int otherNewest = 1;
    QString ending = {}; // of the names of both chains; "." + each type when empty
    Files extra = {}; // further files, which must stay as they are
    QString command = {}; // "delete", "restore" or "batch"
    QString message = {}; // what the command says; empty: nothing
    QList<int> mineAfter = {}; // the numbers of the type's own history files afterwards
};

QList<int> upTo(int newest)
{
    QList<int> numbers;
    for (int k = 0; k <= newest; ++k)
        numbers << k;
    return numbers;
}

} // namespace

Q_DECLARE_METATYPE(Case)

class TestHistoryTypes : public QObject
{
    Q_OBJECT

private slots:
    void commandsStayWithTheirType_data()
    {
        QTest::addColumn<Case>("c");
        struct Pair
        {
            const char *mine;
            int mineNewest;
            const char *other;
            int otherNewest;
        };
        // clang-format off
        const Pair pairs[] = {
            { "mp", 2, "mp4", 1 },   // VOXAmp40/41: "*.mp" numbers 40 and 41, behind its gap
            { "mp4", -1, "mp", 41 }, // "*.mp" 40 and 41 read as a "*.mp4" chain 0..1
            { "1", 2, "11", 1 },     // VOXA110/111: "*.1" numbers 10 and 11
            { "11", -1, "1", 11 },   // "*.1" 10 and 11 read as a "*.11" chain 0..1
            { "", 2, "4", 1 },       // VOXA40/41: the empty type's ("*.") numbers 40 and 41
            { "4", -1, "", 41 },
            { "x*", 2, "x*4", 1 },   // wildcards: the names tell nothing, line counts decide
        };
        // clang-format on
        for (const Pair &p : pairs) {
            const QString tag = QStringLiteral("*.%1 beside *.%2: ").arg(p.mine, p.other);
            const Case base { .mine = p.mine,
                              .mineNewest = p.mineNewest,
                              .other = p.other,
                              .otherNewest = p.otherNewest };
            Case c = base;
            c.command = "delete";
            QTest::newRow(qPrintable(tag + "delete")) << c;
            c.command = "restore";
            c.message = p.mineNewest < 0 ? msg::NoHistory : QString();
            QTest::newRow(qPrintable(tag + "restore")) << c;
            c = base;
            c.command = "batch";
            // Without a chain of its own, files 0 and 1 of the type are the other's names.
            c.message
                = p.mineNewest < 0 ? msg::RenameNameTaken + historyFileName(p.mine, 0) : QString();
            c.mineAfter = upTo(p.mineNewest < 0 ? -1 : p.mineNewest + 1);
            QTest::newRow(qPrintable(tag + "next number")) << c;
        }
        // Names that fit both types ("a.x4" is of "*.x*" and of "*.x*4"): the naming rule links
        // a chain's files, so VOXAx*40.log is file 40 of a long "*.x*" chain, made from its file
        // 39 ...
        Case linked { .mine = "x*4", .other = "x*", .otherNewest = 41, .ending = ".x4" };
        linked.command = "delete";
        QTest::newRow("linked *.x* 0..41 beside *.x*4: delete") << linked;
        linked.command = "restore";
        linked.message = msg::NoHistory;
        QTest::newRow("linked *.x* 0..41 beside *.x*4: restore") << linked;
        linked.command = "batch";
        linked.message = msg::RenameNameTaken + "VOXAx*40.log";
        QTest::newRow("linked *.x* 0..41 beside *.x*4: next number") << linked;
        // ... or file 0 of a "*.x*4" chain whose file 1 is made from it, when it is not made
        // from "*.x*"'s file 39.
        Case started {
            .mine = "x*4", .mineNewest = 1, .other = "x*", .otherNewest = 39, .ending = ".x4"
        };
        started.command = "delete";
        QTest::newRow("*.x*4 0..1 after *.x* 0..39: delete") << started;
        started.command = "restore";
        QTest::newRow("*.x*4 0..1 after *.x* 0..39: restore") << started;
        started.command = "batch";
        started.mineAfter = upTo(2);
        QTest::newRow("*.x*4 0..1 after *.x* 0..39: next number") << started;

        // A file whose contents cannot tell (not decodable) is in doubt: left alone behind the
        // chain's gap; where the chain would go on through it, every command refuses.
        const Files garbage { { "VOXA110.log", "\x82\r\n" } };
        const Case gap { .mine = "1", .mineNewest = 2, .other = "2", .extra = garbage };
        Case c = gap;
        c.command = "delete";
        QTest::newRow("in doubt behind the gap: delete") << c;
        c.command = "restore";
        QTest::newRow("in doubt behind the gap: restore") << c;
        const Case on {
            .mine = "1", .mineNewest = 9, .other = "2", .extra = garbage, .mineAfter = upTo(9)
        };
        c = on;
        c.command = "delete";
        c.message = msg::FaultyHistory;
        QTest::newRow("in doubt where the chain goes on: delete") << c;
        c.command = "restore";
        QTest::newRow("in doubt where the chain goes on: restore") << c;
        c.command = "batch";
        c.message = msg::RenameFaultyHistory + "VOXA110.log";
        QTest::newRow("in doubt where the chain goes on: next number") << c;
    }
    void commandsStayWithTheirType()
    {
        QFETCH(Case, c);
        Scene scene;
        const QStringList otherFirst = makeChain(scene, c.other, c.otherNewest, 2, "o", c.ending);
        QStringList targets { QStringLiteral("n.") + c.mine };
        if (c.mineNewest >= 0) {
            makeChain(scene, c.mine, c.mineNewest, 3, "t", c.ending);
            const QString newest = historyFileName(c.mine, c.mineNewest);
            targets = decodeHistory(scene.files().value(newest)).value_or(QStringList());
        } else {
            scene.fill(targets);
        }
        scene.change(c.extra);
        // The other chain's files and the further files, which no command of `mine` may touch.
        Files kept = c.extra;
        const Files before = scene.files();
        for (int k = 0; k <= c.otherNewest; ++k) {
            const QString name = historyFileName(c.other, k);
            kept.insert(name, before.value(name));
        }
        const QString newestOther = historyFileName(c.other, c.otherNewest);
        for (const QString &name : decodeHistory(before.value(newestOther)).value_or(QStringList()))
            kept.insert(name, before.value(name));

        const QString pattern = QStringLiteral("*.") + c.mine;
        QString message;
        if (c.command == "delete")
            message = renaming::deleteHistory(*scene.open(), pattern).message();
        else if (c.command == "restore")
            message = restoreNames(*scene.open(), pattern).message();
        else
            message = renameBatch(*scene.open(), previewed(targets, "z", 1, pattern)).message();
        QCOMPARE(message, c.message);

        const Files after = scene.files();
        for (auto it = kept.cbegin(); it != kept.cend(); ++it)
            QVERIFY2(after.value(it.key()) == *it, qPrintable(it.key() + " was changed"));
        QList<int> mineAfter;
        for (int k = 0; k <= HighestHistoryNumber; ++k) {
            if (after.contains(historyFileName(c.mine, k))
                && !kept.contains(historyFileName(c.mine, k)))
                mineAfter << k;
        }
        QCOMPARE(mineAfter, c.mineAfter);
        // The other chain is still whole: it undoes to its first names.
        QCOMPARE(restoreNames(*scene.open(), QStringLiteral("*.") + c.other).message(), QString());
        for (const QString &name : otherFirst)
            QVERIFY2(scene.files().contains(name), qPrintable(name + " was not restored"));
    }
};

QTEST_GUILESS_MAIN(TestHistoryTypes)
#include "tst_history.moc"
