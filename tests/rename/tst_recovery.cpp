#include "recovery.h"
#include "scene.h"

namespace {

// Twenty files renamed from 2: with the prefix abc, abc0001.jpg becomes abc0002.jpg, the old
// name of the next file, which becomes abc0003.jpg, and the batch goes in two passes; with the
// prefix n it goes in one. "readme" has no dot, the wave dash puts the history in UTF-8, and
// the last two files exchange their names.
const QStringList Batch = [] {
    QStringList names { "abc0001.jpg", "abc0002.jpg", "readme", "x.tar.jpg", "写真〜04.jpg" };
    for (int i = names.size(); i < 18; ++i)
        names << QStringLiteral("img%1.jpg").arg(i);
    return names + QStringList { "abc0021.jpg", "abc0020.jpg" };
}();

void columns()
{
    QTest::addColumn<QString>("prefix");
    QTest::addColumn<QString>("fault"); // of the batch, as Scene::open takes it
    QTest::addColumn<QList<int>>(
        "restoreCrashes"); // restores that lose power after so many renames
    QTest::addColumn<Files>("change"); // then made by another program
    QTest::addColumn<int>("pending"); // whether the run is pointed out as interrupted; -1: either
    QTest::addColumn<QString>("message"); // of the next restore; empty: every file back home
}

} // namespace

// The faults of every request on every kind of file system are walked by tst_fault_model; these
// rows run a sample of them on real folders, which the suite points at each kind in turn.
class TestRecovery : public QObject
{
    Q_OBJECT

    // A batch with a fault, restores that lose power, a change to the folder; then the check for
    // an interrupted run and the restore that follows. It brings every file back under its
    // original name with its content, or names the name that does not fit and renames nothing.
    void run()
    {
        QFETCH(QString, prefix);
        QFETCH(QString, fault);
        QFETCH(QList<int>, restoreCrashes);
        QFETCH(Files, change);
        QFETCH(int, pending);
        QFETCH(QString, message);
        Scene scene;
        scene.fill(Batch);
        const Files original = scene.files();
        renameBatch(*scene.open(fault), previewed(Batch, prefix, 2));
        for (int crash : restoreCrashes)
            restoreNames(*scene.open(QString("crash %1").arg(crash)), "*.jpg");
        scene.change(change);
        const Files before = scene.files();
        auto folder = scene.open();
        if (pending >= 0)
            QCOMPARE(interruptedRunPending(*folder, "*.jpg"), bool(pending));
        QVERIFY(!interruptedRunPending(*folder, "*.txt"));
        QCOMPARE(restoreNames(*folder, "*.jpg").message(), message);
        QCOMPARE(scene.files(), message.isEmpty() ? original : before);
    }

private slots:
    // A batch or an undo step loses power after k renames (after 0: before the batch wrote its
    // history). The user is told of it exactly while files are away, or all back and the step's
    // history not yet gone.
    void interrupted_data()
    {
        columns();
        for (int k : { 0, 1, 19, 20, 27, 39, 40 }) {
            QTest::addRow("batch stops after %d", k)
                << "abc" << QString("crash %1").arg(k) << QList<int>() << Files()
                << int(k > 0 && k < 40) << (k == 0 ? msg::NoHistory : QString());
            QTest::addRow("undo stops after %d", k)
                << "abc" << QString() << QList<int> { k } << Files() << int(k > 0) << QString();
        }
        for (int k : { 1, 10, 20 }) {
            QTest::addRow("batch of one pass stops after %d", k)
                << "n" << QString("crash %1").arg(k) << QList<int>() << Files() << int(k < 20)
                << QString();
        }
        QTest::newRow("batch stops after 20, recovery after 10")
            << "abc"
            << "crash 20" << QList<int> { 10, 5 } << Files() << -1 << QString();
    }
    void interrupted() { run(); }

    // A folder changed after an interruption, or a user's file under a temporary name after a
    // finished batch: the restore names the name that does not fit and renames nothing.
    void changedFolder_data()
    {
        columns();
        const QString misfit = msg::RecoveryMismatch;
        const auto add = [](const char *tag, const char *prefix, const QString &fault,
                            const QList<int> &crashes, const Files &change,
                            const QString &message) {
            QTest::newRow(tag) << QString(prefix) << fault << crashes << change << 1 << message;
        };
        // clang-format off
        QTest::newRow("user's file under a temporary name") << "abc" << QString() << QList<int>()
            << Files { { "zyx0003.zyx", "mine" } } << 0 << msg::RestoreNameTaken + "zyx0003.zyx";
        // Batch stopped in pass 1: files 0 to 4 under abc0002.zyx to abc0006.zyx.
        add("pass 1: temporary file deleted", "abc", "crash 5", {}, { { "abc0004.zyx", {} } },
            misfit + "readme");
        add("pass 1: old name taken", "abc", "crash 5", {}, { { "readme", "new" } }, misfit + "readme");
        // Batch stopped in pass 2: files 0 to 4 under their new names, the others under
        // abc0007.zyx to abc0021.zyx.
        add("pass 2: new name deleted", "abc", "crash 25", {}, { { "abc0005.tar.jpg", {} } },
            misfit + "x.tar.jpg");
        // Undo step stopped in pass 2: files 0 to 4 back, the others under zyx0005.zyx on.
        add("undo pass 2: earlier name taken", "abc", {}, { 25 }, { { "img10.jpg", "new" } },
            misfit + "img10.jpg");
        // A failed batch could not rename one file back, and another program then put a file at
        // its old name: the restore must not finish and forget the file. After a batch of two
        // passes the folder is as after a power cut in pass 1; after one pass (rename 2 fails,
        // and so does rename 3, which would bring file 0 back) the file stands under its new
        // name.
        add("stranded in one pass", "n", "rename 2 3", {}, { { "abc0001.jpg", "stranger" } },
            misfit + "abc0001.jpg");
        // clang-format on
    }
    void changedFolder() { run(); }
};

QTEST_GUILESS_MAIN(TestRecovery)
#include "tst_recovery.moc"
