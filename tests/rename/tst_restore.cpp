#include "delete_history.h"
#include "scene.h"

using Chain = QMap<int, QStringList>; // history number → names

namespace {

const QByteArray Gone; // a file deleted

// Files 0 to `newest`, each of `count` names: a letter for the file, then a number.
Chain chainOf(int newest, int count)
{
    Chain chain;
    for (int k = 0; k <= newest; ++k) {
        QStringList &names = chain[k]; // there even when empty
        for (int j = 0; j < count; ++j)
            names << QStringLiteral("%1%2.jpg").arg(QChar('a' + k % 26)).arg(k * 100 + j);
    }
    return chain;
}

// Writes the chain's history files, and the files of its set under the names of file `carried`:
// file j of the set holds "j", so that a test sees which file carries which name.
void setUp(const Scene &scene, const Chain &chain, int carried)
{
    for (auto it = chain.cbegin(); it != chain.cend(); ++it)
        scene.put(historyFileName("jpg", it.key()), encodeHistory(*it));
    for (int j = 0; j < chain.value(carried).size(); ++j)
        scene.put(chain.value(carried)[j], QByteArray::number(j));
}

// One restore: the chain and the folder, a fault, the answers; and how it must end.
struct Case
{
    Chain chain = {};
    int carried = -1; // the set carries the names of this history file; -1: the newest
    Files extra = {}; // other changes to the folder before the restore
    QString fault = {}; // as Scene::open takes it
    QList<bool> answers = {}; // to the step questions; OK when none is left
    QList<int> asked = { 1 };
    QString message = {};
    int finally = -1; // the set ends under the names of this file; -1: all as before
    QList<int> kept = {}; // with `finally` or `stranded`: the history files left
    QStringList stranded = {}; // a step failed: the name line j's file carries
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
        const QStringList q { "q1.jpg", "q2.jpg", "q3.jpg" };
        const Chain ap { { 0, a }, { 1, p } }, apqa { { 0, a }, { 1, p }, { 2, q }, { 3, a } };
        const Chain ex { { 0, a }, { 1, { "b.jpg", "a.jpg", "d.jpg" } } }; // an exchange
        const QString io = " (Input/output error)";
        const Files txt { { "VOXAtxt0.log", "x.txt\r\n" }, { "VOXAtxt1.log", "b.jpg\r\n" } };
        QList<int> down99;
        for (int r = 99; r >= 1; --r)
            down99 << r;
        QByteArray tooLong;
        for (int j = 0; j < 10000; ++j)
            tooLong += "f" + QByteArray::number(j) + ".jpg\r\n";
        const auto faulty = [&](const char *tag, const Chain &chain, const Files &extra = {}) {
            add(tag,
                { .chain = chain, .extra = extra, .asked = {}, .message = msg::FaultyHistory });
        };
        // clang-format off
        add("one step; another type untouched", { .chain = ap, .extra = txt, .finally = 0 });
        add("cancel at 2", { .chain = apqa, .answers = { true, false }, .asked = { 3, 2 },
                             .finally = 2, .kept = { 0, 1, 2 } });
        add("gap at 2", { .chain = { { 0, a }, { 1, p }, { 3, q } }, .carried = 1, .finally = 0,
                          .kept = { 3 } });
        add("only file 0", { .chain = { { 0, a } }, .asked = {}, .message = msg::NoHistory });
        add("exchange", { .chain = ex, .finally = 0 });
        add("empty files", { .chain = chainOf(2, 0), .asked = { 2, 1 }, .finally = 0 });
        add("0 to 99", { .chain = chainOf(99, 1), .asked = down99, .finally = 0 });
        add("0 to 100", { .chain = chainOf(100, 1), .asked = {}, .message = msg::TooManyChanges });

        // History files are untrusted: a faulty chain is refused before any question.
        faulty("unequal counts", { { 0, a }, { 1, p + QStringList { "x.jpg" } } });
        faulty("traversal", { { 0, { "a.jpg", "../x.jpg", "c.jpg" } }, { 1, p } });
        faulty("absolute path", { { 0, { "a.jpg", "/etc/passwd", "c.jpg" } }, { 1, p } });
        faulty("empty line", { { 0, { "a.jpg", "", "c.jpg" } }, { 1, p } });
        faulty("names a history file", { { 0, { "a.jpg", "voxajpg1.LOG", "c.jpg" } }, { 1, p } });
        faulty("invalid Windows-31J", ap, { { "VOXAjpg0.log", "a.jpg\r\n\xFF\xFF.jpg\r\nc\r\n" } });
        faulty("cut-off character", ap, { { "VOXAjpg0.log", "a.jpg\r\nb.jpg\r\nc\x82" } });
        faulty("lead byte before CR", ap, { { "VOXAjpg0.log", "a.jpg\r\n\x82\r\nc.jpg\r\n" } });
        faulty("invalid UTF-8", ap, { { "VOXAjpg0.log", "\xEF\xBB\xBF" "a\r\n\xC3(\r\nc\r\n" } });
        faulty("10,000 lines", chainOf(1, 0), { { "VOXAjpg0.log", tooLong },
                                                { "VOXAjpg1.log", tooLong } });

        // Checks of a step, after its question: nothing of the step is renamed.
        add("earlier name twice", { .chain = { { 0, { "a.jpg", "a.jpg", "c.jpg" } }, { 1, p } },
                                    .message = msg::FaultyHistory });
        add("missing current name", { .chain = ap, .extra = { { "p2.jpg", Gone } },
                                      .message = msg::RestoreMissingFile + "p2.jpg" });
        add("temporary name taken", { .chain = ap, .extra = { { "zyx0002.zyx", "x" } },
                                      .message = msg::RestoreNameTaken + "zyx0002.zyx" });
        add("earlier name taken", { .chain = ap, .extra = { { "b.jpg", "x" } },
                                    .message = msg::RestoreNameTaken + "b.jpg" });

        // The k-th rename of the step fails: every file back under its current name. In the
        // exchange, renaming back in the wrong order would collide.
        for (int k = 1; k <= 6; ++k)
            QTest::addRow("rename %d fails", k) << Case { .chain = ex,
                .fault = QString("rename %1").arg(k),
                .message = msg::RestoreFailedRolledBack + ex[1][(k - 1) % 3] + io };
        // Renaming back fails too: the message and the folder tell where each file is.
        add("rename 5 fails, no way back", { .chain = ex, .fault = "stuck 5",
            .message = msg::RestoreFailed + "a.jpg" + io + "\n" + msg::RenameNotRolledBack
                + "\nb.jpg → a.jpg\na.jpg → zyx0001.zyx\nd.jpg → zyx0002.zyx",
            .kept = { 0, 1 }, .stranded = { "a.jpg", "zyx0001.zyx", "zyx0002.zyx" } });

        // The step's history goes only after the folder is synced; a file that cannot be
        // deleted ends the restore, because the next restore would redo the step.
        add("file 0 cannot be deleted with 1", { .chain = ap, .fault = "remove VOXAjpg0.log",
            .message = msg::HistoryNotDeleted + "VOXAjpg0.log (Permission denied)",
            .finally = 0, .kept = { 0 } });
        add("folder cannot be synced", { .chain = ap, .fault = "sync",
            .message = msg::HistoryNotDeleted + "VOXAjpg1.log" + io, .finally = 0,
            .kept = { 0, 1 } });
        // clang-format on
    }
    void restore()
    {
        QFETCH(Case, c);
        if (c.carried < 0)
            c.carried = c.chain.lastKey();
        Scene scene;
        setUp(scene, c.chain, c.carried);
        scene.change(c.extra);
        Files want = scene.files();
        if (c.finally >= 0 || !c.stranded.isEmpty()) {
            for (const QString &name : c.chain.value(c.carried))
                want.remove(name);
            for (int k : c.chain.keys())
                if (!c.kept.contains(k))
                    want.remove(historyFileName("jpg", k));
            const QStringList names = c.finally >= 0 ? c.chain.value(c.finally) : c.stranded;
            for (int j = 0; j < names.size(); ++j)
                want.insert(names[j], QByteArray::number(j));
        }
        QList<int> asked;
        RestoreCallbacks callbacks;
        callbacks.confirmStep = [&](int r) {
            asked << r;
            return c.answers.isEmpty() || c.answers.takeFirst();
        };
        QCOMPARE(restoreNames(*scene.open(c.fault), "jpg", callbacks).message(), c.message);
        QCOMPARE(asked, c.asked);
        QCOMPARE(scene.files(), want);
    }

    // Line 11 always travels through zyx0010.zyx, in every step; the captions show it.
    void eleventhEntry()
    {
        Scene scene;
        setUp(scene, chainOf(2, 12), 2);
        QStringList captions;
        RestoreCallbacks callbacks;
        callbacks.progress = [&](const QString &caption) { captions << caption; };
        QCOMPARE(restoreNames(*scene.open(), "jpg", callbacks).status, RestoreStatus::AllUndone);
        QCOMPARE(captions.size(), 48);
        QCOMPARE(captions[10], msg::restoringAway("c210.jpg", "zyx0010.zyx"));
        QCOMPARE(captions[22], msg::restoringTo("zyx0010.zyx", "b110.jpg"));
        QCOMPARE(captions[46], msg::restoringTo("zyx0010.zyx", "a10.jpg"));
    }

    void deleteHistory()
    {
        Scene scene;
        for (int k : { 0, 1, 2, 5, 101 })
            scene.put(historyFileName("jpg", k), "a.jpg\r\n");
        scene.put("VOXAtxt0.log", "a.txt\r\n");
        scene.put("a.jpg", "file");
        auto folder = scene.open();
        QCOMPARE(renaming::deleteHistory(*folder, "jpg").message(), QString());
        QCOMPARE(scene.files().keys(), QStringList({ "VOXAjpg101.log", "VOXAtxt0.log", "a.jpg" }));
        QCOMPARE(restoreNames(*folder, "jpg").message(), msg::NoHistory);

        scene.put("VOXAjpg3.log", "a.jpg\r\n");
        folder->failRemovesOf = { "VOXAjpg3.log" };
        QCOMPARE(renaming::deleteHistory(*folder, "jpg").message(),
                 msg::HistoryNotDeleted + "VOXAjpg3.log (Permission denied)");
    }
};

QTEST_GUILESS_MAIN(TestRestore)
#include "tst_restore.moc"
