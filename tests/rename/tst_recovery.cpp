#include "batch_rename.h"
#include "faulty_folder.h"
#include "folder.h"
#include "history.h"
#include "messages.h"
#include "naming.h"
#include "recovery.h"
#include "restore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace renaming;

namespace {

using Files = QMap<QString, QByteArray>; // every entry of the folder → its bytes

// The files of a batch and how it renames them.
struct Batch
{
    QStringList names;
    QString prefix;
    int startNo;
};

// Twenty files renamed with the prefix abc from 2: abc0001.jpg becomes abc0002.jpg, the old
// name of the next file, which becomes abc0003.jpg; "readme" has no dot.
Batch chainBatch()
{
    QStringList names { "abc0001.jpg", "abc0002.jpg", "readme", "x.tar.jpg", "写真 04.jpg" };
    for (int i = names.size(); i < 20; ++i)
        names << QStringLiteral("img%1.jpg").arg(i);
    return { names, "abc", 2 };
}

// The last two files exchange their names (x0003.jpg ↔ x0002.jpg); the first is renamed to
// a name of its own.
Batch exchangeBatch()
{
    return { { "y.jpg", "x0003.jpg", "x0002.jpg" }, "x", 1 };
}

BatchInput previewed(const QStringList &names, const QString &prefix, int startNo)
{
    BatchInput input { names, {}, prefix, startNo, QStringLiteral("*.jpg") };
    for (int i = 0; i < names.size(); ++i)
        input.newNames << newName(prefix, startNo, i, names[i]).value_or(QString());
    return input;
}

// A folder whose files each hold their original name, so that a test sees which physical
// file carries which name.
struct Scene
{
    QTemporaryDir dir;

    void put(const QString &name, const QByteArray &bytes)
    {
        QFile f(dir.filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    void fill(const QStringList &names)
    {
        for (const QString &name : names)
            put(name, name.toUtf8());
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
    static Files original(const QStringList &names)
    {
        Files result;
        for (const QString &name : names)
            result.insert(name, name.toUtf8());
        return result;
    }
    std::unique_ptr<Folder> open() const { return openFolder(dir.path(), nullptr); }

    // Renames the files with a real folder, or with one that loses power after `crashAfter`
    // renames. Returns the new names.
    QStringList rename(const QStringList &names, const QString &prefix, int startNo,
                       int crashAfter = -1)
    {
        const BatchInput input = previewed(names, prefix, startNo);
        std::unique_ptr<Folder> folder = crashAfter < 0
            ? open()
            : std::unique_ptr<Folder>(wrapFolder<CrashingFolder>(dir.path(), crashAfter));
        renameBatch(*folder, input);
        return input.newNames;
    }
    // Restores, answering OK to every question.
    RestoreOutcome restore(int crashAfter = -1)
    {
        std::unique_ptr<Folder> folder = crashAfter < 0
            ? open()
            : std::unique_ptr<Folder>(wrapFolder<CrashingFolder>(dir.path(), crashAfter));
        return restoreNames(*folder, "jpg");
    }
};

// Counts the questions asked of the folder.
class CountingFolder : public ForwardingFolder
{
public:
    using ForwardingFolder::ForwardingFolder;
    int asked = 0;
    bool exists(const QString &name) override
    {
        ++asked;
        return ForwardingFolder::exists(name);
    }
    bool canRead(const QString &name) override
    {
        ++asked;
        return ForwardingFolder::canRead(name);
    }
};

} // namespace

class TestRecovery : public QObject
{
    Q_OBJECT

private slots:
    // A batch or an undo step loses power after some renames, then every restore after it
    // loses power in turn after the renames listed; a last restore runs to its end. Every file
    // must end under its original name, with nothing else left in the folder.
    void interrupted_data()
    {
        QTest::addColumn<bool>("exchange");
        QTest::addColumn<bool>("twoBatches"); // a finished batch comes before the one crashed
        QTest::addColumn<int>("batchCrash"); // -1: the batch finishes
        QTest::addColumn<QList<int>>("restoreCrashes");

        for (bool exchange : { false, true }) {
            const char *set = exchange ? "exchange" : "chain";
            const int renames = 2 * int((exchange ? exchangeBatch() : chainBatch()).names.size());
            for (int k = 0; k <= renames; ++k) {
                QTest::addRow("%s: batch stops after %d", set, k)
                    << exchange << false << k << QList<int>();
                QTest::addRow("%s: second undo step stops after %d", set, k)
                    << exchange << true << -1 << QList<int> { k };
            }
            for (int k : exchange ? QList<int> { 1, 2, 5 } : QList<int> { 5, 20, 27 }) {
                for (int j = 0; j <= renames; ++j)
                    QTest::addRow("%s: batch stops after %d, recovery after %d", set, k, j)
                        << exchange << false << k << QList<int> { j, j / 2 };
            }
        }
    }
    void interrupted()
    {
        QFETCH(bool, exchange);
        QFETCH(bool, twoBatches);
        QFETCH(int, batchCrash);
        QFETCH(QList<int>, restoreCrashes);

        const Batch batch = exchange ? exchangeBatch() : chainBatch();
        Scene scene;
        scene.fill(batch.names);
        QStringList names = batch.names;
        if (twoBatches)
            names = scene.rename(names, batch.prefix, batch.startNo);
        scene.rename(names, batch.prefix, batch.startNo + (twoBatches ? 1 : 0), batchCrash);
        for (int crash : restoreCrashes)
            scene.restore(crash);
        const RestoreOutcome last = scene.restore();
        QVERIFY2(last.status == RestoreStatus::AllUndone || last.status == RestoreStatus::NoHistory,
                 qPrintable(last.message()));
        QCOMPARE(scene.files(), Scene::original(batch.names));
    }

    // Files missing or names taken after an interruption: the restore names the name that
    // does not fit and renames nothing.
    void mismatch_data()
    {
        QTest::addColumn<int>("batchCrash"); // -1: the batch finishes
        QTest::addColumn<int>("restoreCrash"); // -1: no restore before
        QTest::addColumn<QString>("removed");
        QTest::addColumn<QString>("created");
        QTest::addColumn<QString>("misfit");

        // Batch stopped in pass 1: files 0 to 4 under abc0002.zyx to abc0006.zyx.
        QTest::newRow("batch: temporary file deleted")
            << 5 << -1 << "abc0004.zyx" << QString() << "readme";
        QTest::newRow("batch: old name taken") << 5 << -1 << QString() << "readme"
                                               << "readme";
        // Batch stopped in pass 2: files 0 to 4 under their new names, the others under
        // abc0007.zyx to abc0021.zyx.
        QTest::newRow("batch: new name deleted")
            << 25 << -1 << "abc0005.tar.jpg" << QString() << "x.tar.jpg";
        QTest::newRow("batch: temporary name of a new name taken")
            << 25 << -1 << QString() << "abc0003.zyx"
            << "abc0003.zyx";
        // Undo step stopped in pass 2: files 0 to 4 back, the others under zyx0005.zyx on.
        QTest::newRow("restore: temporary file deleted")
            << -1 << 25 << "zyx0007.zyx" << QString() << "img7.jpg";
        QTest::newRow("restore: earlier name taken") << -1 << 25 << QString() << "img10.jpg"
                                                     << "img10.jpg";
    }
    void mismatch()
    {
        QFETCH(int, batchCrash);
        QFETCH(int, restoreCrash);
        QFETCH(QString, removed);
        QFETCH(QString, created);
        QFETCH(QString, misfit);

        const Batch batch = chainBatch();
        Scene scene;
        scene.fill(batch.names);
        scene.rename(batch.names, batch.prefix, batch.startNo, batchCrash);
        if (restoreCrash >= 0)
            scene.restore(restoreCrash);
        if (!removed.isEmpty())
            QVERIFY(QFile::remove(scene.dir.filePath(removed)));
        if (!created.isEmpty())
            scene.put(created, "new file");
        const Files before = scene.files();

        QCOMPARE(scene.restore().message(), msg::RecoveryMismatch + misfit);
        QCOMPARE(scene.files(), before);
    }

    // A rename of the recovery fails for a reason other than a power cut: the recovery stops
    // where it is, says so, and the next restore finishes it.
    void renameFailsDuringRecovery()
    {
        const Batch batch = chainBatch();
        Scene scene;
        scene.fill(batch.names);
        scene.rename(batch.names, batch.prefix, batch.startNo, 25);
        auto folder = wrapFolder<FaultyFolder>(scene.dir.path());
        folder->failRenameNumber = 3; // the third from the last new name wound back
        QCOMPARE(restoreNames(*folder, "jpg").message(),
                 msg::RestoreFailed + "abc0004readme (Input/output error)\n"
                     + msg::InterruptedHint);
        QCOMPARE(folder->renames, 3);
        QCOMPARE(scene.restore().status, RestoreStatus::AllUndone);
        QCOMPARE(scene.files(), Scene::original(batch.names));
    }

    void pending_data()
    {
        QTest::addColumn<int>("batchCrash"); // -1: the batch finishes; -2: no batch
        QTest::addColumn<int>("restoreCrash"); // -1: no restore; -2: a restore to its end
        QTest::addColumn<QString>("stray"); // a file of the user's
        QTest::addColumn<bool>("pending");

        QTest::newRow("no history") << -2 << -1 << QString() << false;
        QTest::newRow("finished batch") << -1 << -1 << QString() << false;
        QTest::newRow("batch stopped in pass 1") << 5 << -1 << QString() << true;
        QTest::newRow("batch stopped in pass 2") << 25 << -1 << QString() << true;
        QTest::newRow("undo step stopped in pass 1") << -1 << 5 << QString() << true;
        QTest::newRow("undo step stopped in pass 2") << -1 << 25 << QString() << true;
        QTest::newRow("undo step stopped before deleting its history")
            << -1 << 40 << QString() << false;
        QTest::newRow("user's file under a temporary name") << -1 << -1 << "zyx0003.zyx" << false;
        QTest::newRow("recovered") << 25 << -2 << QString() << false;
    }
    void pending()
    {
        QFETCH(int, batchCrash);
        QFETCH(int, restoreCrash);
        QFETCH(QString, stray);
        QFETCH(bool, pending);

        const Batch batch = chainBatch();
        Scene scene;
        scene.fill(batch.names);
        if (batchCrash != -2)
            scene.rename(batch.names, batch.prefix, batch.startNo, batchCrash);
        if (restoreCrash != -1)
            scene.restore(restoreCrash == -2 ? -1 : restoreCrash);
        if (!stray.isEmpty())
            scene.put(stray, "mine");

        auto folder = wrapFolder<CountingFolder>(scene.dir.path());
        QCOMPARE(interruptedRunPending(*folder, "jpg"), pending);
        if (batchCrash == -2)
            QCOMPARE(folder->asked, 1);
        // Another file type's chain is another matter.
        QVERIFY(!interruptedRunPending(*folder, "txt"));
    }
};

QTEST_GUILESS_MAIN(TestRecovery)
#include "tst_recovery.moc"
