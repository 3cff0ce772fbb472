#include "delete_history.h"
#include "faulty_folder.h"
#include "folder.h"
#include "history.h"
#include "messages.h"
#include "restore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace renaming;

using Chain = QMap<int, QStringList>; // history number → names
using Files = QMap<QString, QByteArray>; // every entry of the folder → its bytes
Q_DECLARE_METATYPE(Chain)

namespace {

// A folder with a history chain of "*.jpg" and the files it describes. File j of the set
// holds "file j", so that a test can see which physical file carries which name.
struct Scene
{
    QTemporaryDir dir;
    Chain chain;

    void write(const QString &name, const QByteArray &bytes)
    {
        QFile f(dir.filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    void setUp(const Chain &history, int carried, const QStringList &extra = {})
    {
        chain = history;
        for (auto it = chain.cbegin(); it != chain.cend(); ++it)
            write(historyFileName("jpg", it.key()), encodeHistory(it.value()));
        const QStringList names = chain.value(carried);
        for (int j = 0; j < names.size(); ++j)
            write(names[j], "file " + QByteArray::number(j));
        for (const QString &name : extra)
            write(name, "extra");
    }
    Files files() const
    {
        Files result;
        for (const QString &name : QDir(dir.path()).entryList(QDir::Files | QDir::Hidden)) {
            QFile f(dir.filePath(name));
            if (f.open(QIODevice::ReadOnly))
                result.insert(name, f.readAll());
        }
        return result;
    }
    // What the folder must hold when its files carry the names of file `carried` and the
    // history files `kept` of the chain are left.
    Files expected(int carried, const QList<int> &kept, const QStringList &extra = {}) const
    {
        Files result;
        const QStringList names = chain.value(carried);
        for (int j = 0; j < names.size(); ++j)
            result.insert(names[j], "file " + QByteArray::number(j));
        for (int k : kept)
            result.insert(historyFileName("jpg", k), encodeHistory(chain.value(k)));
        for (const QString &name : extra)
            result.insert(name, "extra");
        return result;
    }
    std::unique_ptr<Folder> open() const { return openFolder(dir.path(), nullptr); }
};

QStringList names(const char *prefix, int count)
{
    QStringList list;
    for (int i = 0; i < count; ++i)
        list << QString::fromLatin1(prefix) + QString::number(i) + ".jpg";
    return list;
}

struct Run
{
    RestoreOutcome outcome;
    QList<int> asked;
    QStringList captions;
};

Run restore(Folder &folder, QList<bool> answers = {})
{
    Run run;
    RestoreCallbacks callbacks;
    callbacks.confirmStep = [&](int r) {
        run.asked << r;
        return answers.isEmpty() || answers.takeFirst();
    };
    callbacks.progress = [&](const QString &caption) { run.captions << caption; };
    run.outcome = restoreNames(folder, "jpg", callbacks);
    return run;
}

} // namespace

class TestRestore : public QObject
{
    Q_OBJECT

private slots:
    // A chain and the folder's files, the answers to the step questions, and how it ends.
    void restore_data()
    {
        QTest::addColumn<Chain>("chain");
        QTest::addColumn<int>("carried"); // the folder carries the names of this file
        QTest::addColumn<QStringList>("extra"); // files outside the set
        QTest::addColumn<QString>("missing"); // a file of the set that has gone
        QTest::addColumn<QList<bool>>("answers");
        QTest::addColumn<QList<int>>("asked");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("finallyCarried");
        QTest::addColumn<QList<int>>("kept");

        const QStringList a = { "a.jpg", "b.jpg", "c.jpg" };
        const QStringList p = { "p0001.jpg", "p0002.jpg", "p0003.jpg" };
        const QStringList q = { "q0001.jpg", "q0002.jpg", "q0003.jpg" };
        const QStringList s = { "s0001.jpg", "s0002.jpg", "s0003.jpg" };
        const QStringList none;

        QTest::newRow("one step") << Chain { { 0, a }, { 1, p } } << 1 << none << QString()
                                  << QList<bool>() << QList<int> { 1 } << QString() << 0
                                  << QList<int>();
        QTest::newRow("cancel at 2")
            << Chain { { 0, a }, { 1, p }, { 2, q }, { 3, s } } << 3 << none << QString()
            << QList<bool> { true, false } << QList<int> { 3, 2 } << QString() << 2
            << QList<int> { 0, 1, 2 };
        QTest::newRow("gap at 2") << Chain { { 0, a }, { 1, p }, { 3, s } } << 1 << none
                                  << QString() << QList<bool>() << QList<int> { 1 } << QString()
                                  << 0 << QList<int> { 3 };
        QTest::newRow("only file 0")
            << Chain { { 0, a } } << 0 << none << QString() << QList<bool>() << QList<int>()
            << msg::NoHistory << 0 << QList<int> { 0 };
        QTest::newRow("exchange") << Chain { { 0, { "a.jpg", "b.jpg" } },
                                             { 1, { "b.jpg", "a.jpg" } } }
                                  << 1 << none << QString() << QList<bool>() << QList<int> { 1 }
                                  << QString() << 0 << QList<int>();
        QTest::newRow("empty files")
            << Chain { { 0, none }, { 1, none }, { 2, none } } << 2 << none << QString()
            << QList<bool>() << QList<int> { 2, 1 } << QString() << 0 << QList<int>();
        QTest::newRow("unequal counts")
            << Chain { { 0, a }, { 1, p }, { 2, q + QStringList { "x.jpg" } } } << 1 << none
            << QString() << QList<bool>() << QList<int>() << msg::FaultyHistory << 1
            << QList<int> { 0, 1, 2 };
        QTest::newRow("traversal")
            << Chain { { 0, { "a.jpg", "../x.jpg", "c.jpg" } }, { 1, p } } << 1 << none << QString()
            << QList<bool>() << QList<int>() << msg::FaultyHistory << 1 << QList<int> { 0, 1 };
        QTest::newRow("absolute path")
            << Chain { { 0, a }, { 1, { "p0001.jpg", "/etc/passwd", "p0003.jpg" } } } << 0 << none
            << QString() << QList<bool>() << QList<int>() << msg::FaultyHistory << 0
            << QList<int> { 0, 1 };
        QTest::newRow("empty line")
            << Chain { { 0, { "a.jpg", "", "c.jpg" } }, { 1, p } } << 1 << none << QString()
            << QList<bool>() << QList<int>() << msg::FaultyHistory << 1 << QList<int> { 0, 1 };
        QTest::newRow("names a history file")
            << Chain { { 0, { "a.jpg", "voxajpg1.LOG", "c.jpg" } }, { 1, p } } << 1 << none
            << QString() << QList<bool>() << QList<int>() << msg::FaultyHistory << 1
            << QList<int> { 0, 1 };
        // Checks of a step, after its question: nothing of the step is renamed.
        QTest::newRow("earlier name twice")
            << Chain { { 0, { "a.jpg", "a.jpg", "c.jpg" } }, { 1, p } } << 1 << none << QString()
            << QList<bool>() << QList<int> { 1 } << msg::FaultyHistory << 1 << QList<int> { 0, 1 };
        QTest::newRow("missing current name")
            << Chain { { 0, a }, { 1, p } } << 1 << none << "p0002.jpg" << QList<bool>()
            << QList<int> { 1 } << msg::RestoreMissingFile + "p0002.jpg" << 1
            << QList<int> { 0, 1 };
        QTest::newRow("temporary name taken")
            << Chain { { 0, a }, { 1, p } } << 1 << QStringList { "zyx0002.zyx" } << QString()
            << QList<bool>() << QList<int> { 1 } << msg::RestoreNameTaken + "zyx0002.zyx" << 1
            << QList<int> { 0, 1 };
        QTest::newRow("earlier name taken")
            << Chain { { 0, a }, { 1, p } } << 1 << QStringList { "b.jpg" } << QString()
            << QList<bool>() << QList<int> { 1 } << msg::RestoreNameTaken + "b.jpg" << 1
            << QList<int> { 0, 1 };
    }
    void restore()
    {
        QFETCH(Chain, chain);
        QFETCH(int, carried);
        QFETCH(QStringList, extra);
        QFETCH(QString, missing);
        QFETCH(QList<bool>, answers);
        QFETCH(QList<int>, asked);
        QFETCH(QString, message);
        QFETCH(int, finallyCarried);
        QFETCH(QList<int>, kept);

        Scene scene;
        scene.setUp(chain, carried, extra);
        if (!missing.isEmpty())
            QVERIFY(QFile::remove(scene.dir.filePath(missing)));
        const auto folder = scene.open();
        const Run run = ::restore(*folder, answers);

        QCOMPARE(run.asked, asked);
        QCOMPARE(run.outcome.message(), message);
        Files expected = scene.expected(finallyCarried, kept, extra);
        expected.remove(missing);
        QCOMPARE(scene.files(), expected);
    }

    void otherTypeUntouched()
    {
        Scene scene;
        scene.setUp({ { 0, { "a.jpg" } }, { 1, { "b.jpg" } } }, 1);
        scene.write("VOXAtxt0.log", "x.txt\r\n");
        scene.write("VOXAtxt1.log", "b.jpg\r\n");
        const auto folder = scene.open();
        QCOMPARE(::restore(*folder).outcome.status, RestoreStatus::AllUndone);
        Files expected = scene.expected(0, {});
        expected.insert("VOXAtxt0.log", "x.txt\r\n");
        expected.insert("VOXAtxt1.log", "b.jpg\r\n");
        QCOMPARE(scene.files(), expected);
    }

    // Bytes that do not decode, or too many lines, make the chain faulty before any rename.
    void unreadableFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("invalid Windows-31J") << QByteArray("a.jpg\r\n\xFF\xFF.jpg\r\n");
        QTest::newRow("cut-off character") << QByteArray("a.jpg\r\nb\x82");
        QTest::newRow("invalid UTF-8") << QByteArray("\xEF\xBB\xBF"
                                                     "a.jpg\r\n\xC3(.jpg\r\n");
        QTest::newRow("10,000 lines") << QByteArray("a.jpg\r\n").repeated(10000);
    }
    void unreadableFiles()
    {
        QFETCH(QByteArray, bytes);
        Scene scene;
        scene.setUp({ { 0, { "a.jpg", "b.jpg" } }, { 1, { "x.jpg", "y.jpg" } } }, 1);
        scene.write(historyFileName("jpg", 0), bytes);
        const Files before = scene.files();
        const auto folder = scene.open();
        QCOMPARE(::restore(*folder).outcome.message(), msg::FaultyHistory);
        QCOMPARE(scene.files(), before);
    }

    void chainLength_data()
    {
        QTest::addColumn<int>("newest");
        QTest::newRow("0 to 99") << 99;
        QTest::newRow("0 to 100") << 100;
    }
    void chainLength()
    {
        QFETCH(int, newest);
        Scene scene;
        Chain chain;
        for (int k = 0; k <= newest; ++k)
            chain.insert(k, { QStringLiteral("f%1.jpg").arg(k) });
        scene.setUp(chain, newest);
        const auto folder = scene.open();
        const Run run = ::restore(*folder);
        if (newest == 100) {
            QCOMPARE(run.outcome.message(), msg::TooManyChanges);
            QVERIFY(run.asked.isEmpty());
            return;
        }
        QCOMPARE(run.asked.size(), 99);
        QCOMPARE(run.asked.first(), 99);
        QCOMPARE(scene.files(), scene.expected(0, {}));
    }

    // Line 11 always travels through zyx0010.zyx, in every step; the captions show it.
    void eleventhEntry()
    {
        Scene scene;
        scene.setUp({ { 0, names("a", 12) }, { 1, names("b", 12) }, { 2, names("c", 12) } }, 2);
        const auto folder = scene.open();
        const Run run = ::restore(*folder);
        QCOMPARE(run.captions.size(), 48);
        QCOMPARE(run.captions[10], msg::restoringAway("c10.jpg", "zyx0010.zyx"));
        QCOMPARE(run.captions[22], msg::restoringTo("zyx0010.zyx", "b10.jpg"));
        QCOMPARE(run.captions[34], msg::restoringAway("b10.jpg", "zyx0010.zyx"));
        QCOMPARE(run.captions[46], msg::restoringTo("zyx0010.zyx", "a10.jpg"));
    }

    // The k-th rename of a step fails; with `stuck`, renaming back fails too. The folder must
    // then hold every file under the name the message gives, and both history files.
    void failedRename_data()
    {
        QTest::addColumn<int>("failAt");
        QTest::addColumn<bool>("stuck");
        for (int k = 1; k <= 6; ++k) {
            QTest::addRow("rename %d", k) << k << false;
            QTest::addRow("rename %d, no way back", k) << k << true;
        }
    }
    void failedRename()
    {
        QFETCH(int, failAt);
        QFETCH(bool, stuck);
        Scene scene;
        // The exchange makes a wrong order of renaming back collide.
        scene.setUp({ { 0, { "a.jpg", "b.jpg", "c.jpg" } }, { 1, { "b.jpg", "a.jpg", "d.jpg" } } },
                    1);
        auto folder = wrapFolder<FaultyFolder>(scene.dir.path());
        folder->failRenameNumber = failAt;
        folder->failAllRenamesAfterFirstFailure = stuck;
        const RestoreOutcome outcome = ::restore(*folder).outcome;

        const QStringList current = scene.chain.value(1);
        const QString failedFile = current[(failAt - 1) % 3];
        const bool renamedSomething = failAt > 1;
        if (!stuck || !renamedSomething) {
            QCOMPARE(outcome.message(),
                     msg::RestoreFailedRolledBack + failedFile + " (Input/output error)");
            QCOMPARE(scene.files(), scene.expected(1, { 0, 1 }));
            return;
        }
        QCOMPARE(outcome.status, RestoreStatus::NotRolledBack);
        QString text = msg::RestoreFailed + failedFile + " (Input/output error)\n"
            + msg::RenameNotRolledBack;
        Files expected = scene.expected(1, { 0, 1 });
        Files moved;
        for (const UnrestoredFile &f : outcome.unrestored) {
            text += "\n" + f.historyName + " → " + f.currentName;
            moved.insert(f.currentName, expected.take(f.historyName));
        }
        expected.insert(moved);
        QCOMPARE(outcome.message(), text);
        QCOMPARE(outcome.unrestored.size(), qMin(failAt - 1, 3));
        QCOMPARE(scene.files(), expected);
    }

    // A history file that cannot be deleted ends the restore: the next restore would redo
    // the step.
    void historyNotDeleted_data()
    {
        QTest::addColumn<QString>("undeletable");
        QTest::addColumn<int>("newest");
        QTest::newRow("file 2") << "VOXAjpg2.log" << 2;
        QTest::newRow("file 0 with file 1") << "VOXAjpg0.log" << 1;
    }
    void historyNotDeleted()
    {
        QFETCH(QString, undeletable);
        QFETCH(int, newest);
        Scene scene;
        scene.setUp({ { 0, names("a", 2) }, { 1, names("b", 2) }, { 2, names("c", 2) } }, newest);
        if (newest == 1)
            QVERIFY(QFile::remove(scene.dir.filePath("VOXAjpg2.log")));
        auto folder = wrapFolder<FaultyFolder>(scene.dir.path());
        folder->failRemovesOf = { undeletable };
        const Run run = ::restore(*folder);
        QCOMPARE(run.asked, QList<int> { newest });
        QCOMPARE(run.outcome.message(),
                 msg::HistoryNotDeleted + undeletable + " (Permission denied)");
        QCOMPARE(
            scene.files(),
            scene.expected(newest - 1, newest == 1 ? QList<int> { 0 } : QList<int> { 0, 1, 2 }));
    }

    // A power cut at any rename leaves the step's history files on disk, and the folder is
    // synced before the first of them is deleted.
    void historyOutlivesRenames()
    {
        for (int crashAfter = 0; crashAfter <= 6; ++crashAfter) {
            Scene scene;
            scene.setUp({ { 0, names("a", 3) }, { 1, names("b", 3) } }, 1);
            auto folder = wrapFolder<CrashingFolder>(scene.dir.path(), crashAfter);
            ::restore(*folder);
            QVERIFY(scene.files().contains("VOXAjpg0.log"));
            QVERIFY(scene.files().contains("VOXAjpg1.log"));
        }
        Scene scene;
        scene.setUp({ { 0, names("a", 3) }, { 1, names("b", 3) } }, 1);
        auto folder = wrapFolder<FaultyFolder>(scene.dir.path());
        folder->failSync = true;
        QCOMPARE(::restore(*folder).outcome.status, RestoreStatus::HistoryNotDeleted);
        QCOMPARE(scene.files(), scene.expected(0, { 0, 1 }));
    }

    void deleteHistory()
    {
        Scene scene;
        for (int k : { 0, 1, 2, 5, 101 })
            scene.write(historyFileName("jpg", k), "a.jpg\r\n");
        scene.write("VOXAtxt0.log", "a.txt\r\n");
        scene.write("a.jpg", "file");
        auto folder = wrapFolder<FaultyFolder>(scene.dir.path());
        QCOMPARE(renaming::deleteHistory(*folder, "jpg").message(), QString());
        QCOMPARE(scene.files().keys(), QStringList({ "VOXAjpg101.log", "VOXAtxt0.log", "a.jpg" }));
        QCOMPARE(::restore(*folder).outcome.message(), msg::NoHistory);

        scene.write("VOXAjpg3.log", "a.jpg\r\n");
        folder->failRemovesOf = { "VOXAjpg3.log" };
        QCOMPARE(renaming::deleteHistory(*folder, "jpg").message(),
                 msg::HistoryNotDeleted + "VOXAjpg3.log (Permission denied)");
    }
};

QTEST_GUILESS_MAIN(TestRestore)
#include "tst_restore.moc"
