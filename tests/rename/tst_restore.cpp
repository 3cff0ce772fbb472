#include "delete_history.h"
#include "scene.h"

using Chain = QList<QStringList>; // history files 0, 1, ...: their names

namespace {

// Files 0 to `newest`, each of `count` names: a letter for the file, then a number.
Chain chainOf(int newest, int count)
{
    Chain chain(newest + 1);
    for (int k = 0; k <= newest; ++k)
        for (int j = 0; j < count; ++j)
            chain[k] << QStringLiteral("%1%2.jpg").arg(QChar('a' + k % 26)).arg(k * 100 + j);
    return chain;
}

// One restore: the chain and the folder, a fault, the answers; and how it must end.
struct Case
{
    Chain chain = {};
    QStringList spellings = {}; // the file-type part in the name of file k; "jpg" past the end
    Files extra = {}; // other changes to the folder before the restore
    QString fault = {}; // as Scene::open takes it
    QList<bool> answers = {}; // to the step questions; OK when none is left
    QList<int> asked = { 1 };
    QString message = {};
    int finally = -1; // the set ends under the names of this file; -1: all as before
    QList<int> kept = {}; // with `finally`: the history files left
};

} // namespace

Q_DECLARE_METATYPE(Case)

class TestRestore : public QObject
{
    Q_OBJECT

private slots:
    void restore_data()
    {
        QTest::addColumn<Case>("c");
        const auto add = [](const char *tag, const Case &c) { QTest::newRow(tag) << c; };
        const QStringList a { "a.jpg", "b.jpg", "c.jpg" }, p { "p1.jpg", "p2.jpg", "p3.jpg" };
        const Chain ap { a, p }, ex { a, { "b.jpg", "a.jpg", "d.jpg" } }; // ex: an exchange
        const QString io = " (Input/output error)", gone = msg::RestoreMissingFile,
                      taken = msg::RestoreNameTaken, notDeleted = msg::HistoryNotDeleted,
                      unfit = msg::FaultyHistory;
        const Files txt { { "VOXAtxt0.log", "x.txt\r\n" }, { "VOXAtxt1.log", "b.jpg\r\n" } };
        QList<int> down99;
        for (int r = 99; r >= 1; --r)
            down99 << r;
        const QByteArray tooLong = QByteArray("f.jpg\r\n").repeated(10000);
        const auto faulty = [&](const char *tag, const Chain &chain, const Files &x = {}) {
            add(tag, { .chain = chain, .extra = x, .asked = {}, .message = unfit });
        };
        // clang-format off
        add("cancel at 2", { .chain = chainOf(3, 3), .answers = { true, false }, .asked = { 3, 2 },
                             .finally = 2, .kept = { 0, 1, 2 } });
        add("one step; another type untouched", { .chain = ap, .extra = txt, .finally = 0 });
        add("gap at 2", { .chain = ap, .extra = { { "VOXAjpg3.log", "q\r\n" } }, .finally = 0 });
        // A file 0 alone is the trace of a batch that never began, or of a restore cut off
        // between its deletions: it goes when the folder holds every name in it.
        add("only file 0", { .chain = { a }, .asked = {}, .message = msg::NoHistory, .finally = 0 });
        add("only file 0, naming a missing file", { .chain = { a },
            .extra = { { "VOXAjpg0.log", "a.jpg\r\nb.jpg\r\nz.jpg\r\n" } }, .asked = {},
            .message = msg::NoHistory });
        add("exchange", { .chain = ex, .finally = 0 });
        add("empty files", { .chain = chainOf(2, 0), .asked = { 2, 1 }, .finally = 0 });
        add("0 to 99", { .chain = chainOf(99, 1), .asked = down99, .finally = 0 });
        add("0 to 100", { .chain = chainOf(100, 1), .asked = {}, .message = msg::TooManyChanges });

        // History files are untrusted: a faulty chain is refused before any question.
        faulty("unequal counts", { a, p + QStringList { "x.jpg" } });
        faulty("traversal", { { "a.jpg", "../x.jpg", "c.jpg" }, p });
        faulty("a name twice", { { "a.jpg", "a.jpg", "c.jpg" }, p });
        faulty("empty line", { { "a.jpg", "", "c.jpg" }, p });
        faulty("names a history file", { { "a.jpg", "voxajpg1.LOG", "c.jpg" }, p });
        faulty("invalid Windows-31J", ap, { { "VOXAjpg0.log", "a.jpg\r\n\xFF\xFF.jpg\r\nc\r\n" } });
        faulty("cut-off character", ap, { { "VOXAjpg0.log", "a.jpg\r\nb.jpg\r\nc\x82" } });
        faulty("invalid UTF-8", ap, { { "VOXAjpg0.log", "\xEF\xBB\xBF" "a\r\n\xC3(\r\nc\r\n" } });
        faulty("10,000 lines", chainOf(1, 0), { { "VOXAjpg0.log", tooLong },
                                                { "VOXAjpg1.log", tooLong } });
        faulty("a line longer than any name", ap,
               { { "VOXAjpg0.log", "a.jpg\r\n" + QByteArray(1100, 'b') + "\r\nc.jpg\r\n" } });
        faulty("names a restore temporary", { { "a.jpg", "ZYX0001.zyx", "c.jpg" }, p });
        // Where the file system ignores case the second spelling writes over the first,
        // and the chain is then unfit in its line counts.
        faulty("one number in two spellings", ap, { { "VOXAJPG1.log", "x.jpg\r\n" } });
        // The chain is found without regard to the case of its file type, as on the disks the
        // format comes from, and undone step by step.
        add("chain in mixed spellings", { .chain = chainOf(2, 3), .spellings = { "JPG", "JPG" },
                                          .asked = { 2, 1 }, .finally = 0 });

        // Checks of a step, after its question: nothing of the step is renamed. Line 11 goes
        // through zyx0010.zyx.
        add("missing", { .chain = ap, .extra = { { "p2.jpg", {} } }, .message = gone + "p2.jpg" });
        add("temporary taken", { .chain = chainOf(1, 11), .extra = { { "zyx0010.zyx", "x" } },
                                 .message = taken + "zyx0010.zyx" });
        add("earlier taken", { .chain = ap, .extra = { { "b.jpg", "x" } },
                               .message = taken + "b.jpg" });

        // A rename of the step fails in pass 1 or 2: every file back under its current name. In
        // the exchange, renaming back in the wrong order would collide.
        add("rename 2 fails", { .chain = ex, .fault = "rename 2",
                                .message = msg::RestoreFailedRolledBack + "a.jpg" + io });
        add("rename 4 fails", { .chain = ex, .fault = "rename 4",
                                .message = msg::RestoreFailedRolledBack + "b.jpg" + io });
        // The step's history goes only after the folder is synced; a file that cannot be
        // deleted ends the restore, because the next restore would redo the step.
        add("file 0 cannot be deleted with 1", { .chain = ap, .fault = "remove VOXAjpg0.log",
            .message = notDeleted + "VOXAjpg0.log (Permission denied)", .finally = 0,
            .kept = { 0 } });
        add("folder cannot be synced", { .chain = ap, .fault = "sync",
            .message = notDeleted + "VOXAjpg1.log" + io, .finally = 0, .kept = { 0, 1 } });
        // clang-format on
    }
    void restore()
    {
        QFETCH(Case, c);
        Scene scene; // line j's file holds "j", so that a test sees which file carries which name
        const auto historyName
            = [&](int k) { return historyFileName(c.spellings.value(k, "jpg"), k); };
        for (int k = 0; k < c.chain.size(); ++k)
            scene.put(historyName(k), encodeHistory(c.chain[k]));
        const QStringList carried = c.chain.last(); // the names of the newest file
        for (int j = 0; j < carried.size(); ++j)
            scene.put(carried[j], QByteArray::number(j));
        scene.change(c.extra);
        Files want = scene.files();
        if (c.finally >= 0) {
            for (const QString &name : carried)
                want.remove(name);
            for (int k = 0; k < c.chain.size(); ++k)
                if (!c.kept.contains(k))
                    want.remove(historyName(k));
            for (int j = 0; j < carried.size(); ++j)
                want.insert(c.chain[c.finally][j], QByteArray::number(j));
        }
        QList<int> asked;
        RestoreCallbacks callbacks;
        callbacks.confirmStep = [&](int r) {
            asked << r;
            return c.answers.isEmpty() || c.answers.takeFirst();
        };
        QCOMPARE(restoreNames(*scene.open(c.fault), "*.jpg", callbacks).message(), c.message);
        QCOMPARE(asked, c.asked);
        QCOMPARE(scene.files(), want);
    }

    // Files 0 to 100 of the type go, in any spelling, with the leftovers of cut-off writes;
    // one that cannot be deleted is reported. Two spellings of one number delete nothing.
    void deleteHistory()
    {
        Scene scene;
        for (int k : { 0, 1, 5, 100, 101 })
            scene.put(historyFileName("jpg", k), "a.jpg\r\n");
        scene.put("VOXAJPG2.log", "a.jpg\r\n");
        scene.put(".VOXAjpg3.log.0123456789abcdef.tmp", "");
        scene.put("VOXAtxt0.log", "a.txt\r\n");
        scene.put("VOXAjpg1.log", "a.jpg\r\n");
        const Files before = scene.files();
        if (!scene.foldsCase()) { // elsewhere two spellings are one file
            scene.put("VOXAJpg1.log", "a.jpg\r\n");
            QCOMPARE(renaming::deleteHistory(*scene.open(), "*.jpg").message(), msg::FaultyHistory);
            QFile::remove(scene.dir.filePath("VOXAJpg1.log"));
            QCOMPARE(scene.files(), before);
        }
        QCOMPARE(renaming::deleteHistory(*scene.open("remove VOXAjpg1.log"), "*.jpg").message(),
                 msg::HistoryNotDeleted + "VOXAjpg1.log (Permission denied)");
        QCOMPARE(scene.files().keys(),
                 QStringList({ "VOXAjpg1.log", "VOXAjpg101.log", "VOXAtxt0.log" }));
    }

    // A file type holding a path reaches nothing outside the folder, in any command: each
    // refuses naming the history name, and both folders stay as they were.
    void typedPathStaysInside()
    {
        Scene scene;
        scene.put("work/VOXAx/keep", "keep");
        scene.put("work/a.jpg", "a");
        for (int k = 0; k < 4; ++k)
            scene.put(QString("outside/report%1.log").arg(k), "a.jpg\r\n");
        const Files before = scene.files();
        const QString pattern = "*.x/../../outside/report",
                      first = "VOXAx/../../outside/report0.log";
        auto folder = faultyFolder(scene.dir.filePath("work"));
        QCOMPARE(restoreNames(*folder, pattern).message(), msg::RestoreBadName + first);
        QCOMPARE(renaming::deleteHistory(*folder, pattern).message(), msg::DeleteBadName + first);
        QVERIFY(!interruptedRunPending(*folder, pattern));
        QCOMPARE(folder->remove("../outside/report1.log").ok, false);
        QCOMPARE(scene.files(), before);
    }
};

QTEST_GUILESS_MAIN(TestRestore)
#include "tst_restore.moc"
