#include "recovery.h"
#include "scene.h"

namespace {

// Twenty files renamed with the prefix abc from 2: abc0001.jpg becomes abc0002.jpg, the old
// name of the next file, which becomes abc0003.jpg; "readme" has no dot, the wave dash puts
// the history in UTF-8, and the last two files exchange their names.
const QStringList Batch = [] {
    QStringList names { "abc0001.jpg", "abc0002.jpg", "readme", "x.tar.jpg", "写真〜04.jpg" };
    for (int i = names.size(); i < 18; ++i)
        names << QStringLiteral("img%1.jpg").arg(i);
    return names + QStringList { "abc0021.jpg", "abc0020.jpg" };
}();

const int Never = 1 << 30; // more renames than any run makes

// Renames with the prefix abc and loses power after `crashAfter` renames; returns the new names.
QStringList rename(const Scene &scene, const QStringList &names, int start, int crashAfter = Never)
{
    const BatchInput input = previewed(names, "abc", start);
    renameBatch(*scene.open(QString("crash %1").arg(crashAfter)), input);
    return input.newNames;
}

} // namespace

class TestRecovery : public QObject
{
    Q_OBJECT

private slots:
    // A batch or an undo step loses power after k renames, for every k; then restores that
    // lose power in turn; a last restore runs to its end. Every file must end under its
    // original name with its content, and nothing else may be left in the folder.
    void interrupted_data()
    {
        QTest::addColumn<int>("batchCrash"); // Never: a first batch and a second one finish
        QTest::addColumn<QList<int>>("restoreCrashes");
        for (int k = 0; k <= 40; ++k) {
            QTest::addRow("batch stops after %d", k) << k << QList<int>();
            QTest::addRow("undo of batch 2 stops after %d", k) << Never << QList<int> { k };
        }
        for (int k : { 5, 20, 27, 39 })
            for (int j = 0; j <= 40; ++j)
                QTest::addRow("batch stops after %d, recovery after %d", k, j)
                    << k << QList<int> { j, j / 2 };
    }
    void interrupted()
    {
        QFETCH(int, batchCrash);
        QFETCH(QList<int>, restoreCrashes);
        Scene scene;
        scene.fill(Batch);
        const Files original = scene.files();
        if (batchCrash == Never)
            rename(scene, rename(scene, Batch, 2), 3);
        else
            rename(scene, Batch, 2, batchCrash);
        for (int crash : restoreCrashes)
            restoreNames(*scene.open(QString("crash %1").arg(crash)), "*.jpg");
        // After one interruption the user is told of it exactly while files are away, or all
        // back and the step's history not yet gone.
        const int stop = restoreCrashes.value(0, batchCrash);
        const int last = restoreCrashes.isEmpty() ? 39 : 40;
        if (restoreCrashes.size() < 2)
            QCOMPARE(interruptedRunPending(*scene.open(), "*.jpg"), stop > 0 && stop <= last);
        restoreNames(*scene.open(), "*.jpg");
        QCOMPARE(scene.files(), original);
    }

    // A folder changed after an interruption, or a user's file under a temporary name after a
    // finished batch: the restore names the name that does not fit and renames nothing.
    void changedFolder_data()
    {
        QTest::addColumn<int>("batchCrash");
        QTest::addColumn<int>("restoreCrash"); // -1: no restore
        QTest::addColumn<Files>("change");
        QTest::addColumn<QString>("message");
        const QString misfit = msg::RecoveryMismatch;
        // clang-format off
        QTest::newRow("user's file under a temporary name") << Never << -1
            << Files { { "zyx0003.zyx", "mine" } } << msg::RestoreNameTaken + "zyx0003.zyx";
        // Batch stopped in pass 1: files 0 to 4 under abc0002.zyx to abc0006.zyx.
        QTest::newRow("pass 1: temporary file deleted") << 5 << -1
            << Files { { "abc0004.zyx", {} } } << misfit + "readme";
        QTest::newRow("pass 1: old name taken") << 5 << -1
            << Files { { "readme", "new" } } << misfit + "readme";
        // Batch stopped in pass 2: files 0 to 4 under their new names, the others under
        // abc0007.zyx to abc0021.zyx.
        QTest::newRow("pass 2: new name deleted") << 25 << -1
            << Files { { "abc0005.tar.jpg", {} } } << misfit + "x.tar.jpg";
        // Undo step stopped in pass 2: files 0 to 4 back, the others under zyx0005.zyx on.
        QTest::newRow("undo pass 2: earlier name taken") << Never << 25
            << Files { { "img10.jpg", "new" } } << misfit + "img10.jpg";
        // clang-format on
    }
    // A failed batch could not rename one file back, and another program then put a file at
    // that file's old name: the restore must not finish and forget the file, which stands
    // under a temporary name after a batch of two passes, under its new name after one pass.
    void strandedFileBehindAStranger_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("faults"); // the renames that fail
        QTest::addColumn<QString>("stranded"); // the file that stays renamed
        QTest::addColumn<QString>("at"); // where it stays
        // Two passes (the last file's new name is the first one's old name): rename 5 (b to
        // its new name) fails, and so does rename 8, which would bring it back from n0001.zyx.
        QTest::newRow("two passes") << QStringList { "n0002.jpg", "b.jpg", "c.jpg" } << "5 8"
                                    << "b.jpg"
                                    << "n0001.zyx";
        // One pass: rename 2 (b) fails, and so does rename 3, which would bring a back.
        QTest::newRow("one pass") << QStringList { "a.jpg", "b.jpg", "c.jpg" } << "2 3"
                                  << "a.jpg"
                                  << "n0000.jpg";
    }
    void strandedFileBehindAStranger()
    {
        QFETCH(QStringList, files);
        QFETCH(QString, faults);
        QFETCH(QString, stranded);
        QFETCH(QString, at);
        Scene scene;
        scene.fill(files);
        const BatchInput input = previewed(files, "n", 0);
        QCOMPARE(renameBatch(*scene.open("rename " + faults), input).status,
                 BatchStatus::NotRolledBack);
        scene.put(stranded, "stranger");
        const Files before = scene.files();
        QCOMPARE(before.value(at), stranded.toUtf8());
        QVERIFY(interruptedRunPending(*scene.open(), "*.jpg"));
        QCOMPARE(restoreNames(*scene.open(), "*.jpg").message(), msg::RecoveryMismatch + stranded);
        QCOMPARE(scene.files(), before);
    }

    void changedFolder()
    {
        QFETCH(int, batchCrash);
        QFETCH(int, restoreCrash);
        QFETCH(Files, change);
        QFETCH(QString, message);
        Scene scene;
        scene.fill(Batch);
        rename(scene, Batch, 2, batchCrash);
        if (restoreCrash >= 0)
            restoreNames(*scene.open(QString("crash %1").arg(restoreCrash)), "*.jpg");
        scene.change(change);
        const Files before = scene.files();
        auto folder = scene.open();
        QCOMPARE(interruptedRunPending(*folder, "*.jpg"), batchCrash != Never || restoreCrash >= 0);
        QVERIFY(!interruptedRunPending(*folder, "*.txt"));
        QCOMPARE(restoreNames(*folder, "*.jpg").message(), message);
        QCOMPARE(scene.files(), before);
    }
};

QTEST_GUILESS_MAIN(TestRecovery)
#include "tst_recovery.moc"
