#include "recovery.h"
#include "scene.h"

namespace {

// Twenty files renamed with the prefix abc from 2: abc0001.jpg becomes abc0002.jpg, the old
// name of the next file, which becomes abc0003.jpg; "readme" has no dot, and the wave dash
// puts the history in UTF-8.
const QStringList ChainBatch = [] {
    QStringList names { "abc0001.jpg", "abc0002.jpg", "readme", "x.tar.jpg", "写真〜04.jpg" };
    for (int i = names.size(); i < 20; ++i)
        names << QStringLiteral("img%1.jpg").arg(i);
    return names;
}();

// Renamed with the prefix x from 1, the last two files exchange their names.
const QStringList ExchangeBatch { "y.jpg", "x0003.jpg", "x0002.jpg" };

// A folder that loses power after `crashAfter` renames; never when negative.
std::unique_ptr<CrashingFolder> crashing(const Scene &scene, int crashAfter)
{
    return wrapFolder<CrashingFolder>(scene.dir.path(), crashAfter < 0 ? 1 << 30 : crashAfter);
}

// Returns the new names.
QStringList rename(const Scene &scene, const QStringList &names, const QString &prefix, int startNo,
                   int crashAfter = -1)
{
    const BatchInput input = previewed(names, prefix, startNo);
    renameBatch(*crashing(scene, crashAfter), input);
    return input.newNames;
}

// Answers OK to every question.
RestoreOutcome restore(const Scene &scene, int crashAfter = -1)
{
    return restoreNames(*crashing(scene, crashAfter), "jpg");
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
        QTest::addColumn<bool>("exchange");
        QTest::addColumn<bool>("twoBatches"); // a finished batch comes before the one crashed
        QTest::addColumn<int>("batchCrash"); // -1: the batch finishes
        QTest::addColumn<QList<int>>("restoreCrashes");
        for (bool exchange : { false, true }) {
            const char *set = exchange ? "exchange" : "chain";
            const int renames = 2 * int((exchange ? ExchangeBatch : ChainBatch).size());
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
        const QStringList names = exchange ? ExchangeBatch : ChainBatch;
        const QString prefix = exchange ? "x" : "abc";
        const int startNo = exchange ? 1 : 2;
        Scene scene;
        scene.fill(names);
        const Files original = scene.files();
        const QStringList current = twoBatches ? rename(scene, names, prefix, startNo) : names;
        rename(scene, current, prefix, startNo + int(twoBatches), batchCrash);
        for (int crash : restoreCrashes)
            restore(scene, crash);
        const RestoreOutcome last = restore(scene);
        QVERIFY2(last.status == RestoreStatus::AllUndone || last.status == RestoreStatus::NoHistory,
                 qPrintable(last.message()));
        QCOMPARE(scene.files(), original);
    }

    // What the user is told after an interruption, and what a restore then does: it brings
    // every file back, or it names the name that does not fit and renames nothing.
    void afterInterruption_data()
    {
        QTest::addColumn<int>("batchCrash"); // -1: the batch finishes; -2: no batch
        QTest::addColumn<int>("restoreCrash"); // -1: no restore; -2: a restore to its end
        QTest::addColumn<Files>("change"); // made to the folder after the interruption
        QTest::addColumn<bool>("pending");
        QTest::addColumn<QString>("message"); // empty: the restore brings every file back
        const auto row = [](const char *tag, int batchCrash, int restoreCrash, const Files &change,
                            bool pending, const QString &message) {
            QTest::newRow(tag) << batchCrash << restoreCrash << change << pending << message;
        };
        const QByteArray gone;
        const QString misfit = msg::RecoveryMismatch;
        row("no history", -2, -1, {}, false, msg::NoHistory);
        row("finished batch", -1, -1, {}, false, "");
        row("batch stopped in pass 1", 5, -1, {}, true, "");
        row("batch stopped in pass 2", 25, -1, {}, true, "");
        row("undo step stopped in pass 1", -1, 5, {}, true, "");
        row("undo step stopped before deleting its history", -1, 40, {}, false, "");
        row("recovered", 25, -2, {}, false, msg::NoHistory);
        row("user's file under a temporary name", -1, -1, { { "zyx0003.zyx", "mine" } }, false,
            msg::RestoreNameTaken + "zyx0003.zyx");
        // Batch stopped in pass 1: files 0 to 4 under abc0002.zyx to abc0006.zyx.
        row("pass 1: temporary file deleted", 5, -1, { { "abc0004.zyx", gone } }, true,
            misfit + "readme");
        row("pass 1: old name taken", 5, -1, { { "readme", "new" } }, true, misfit + "readme");
        // Batch stopped in pass 2: files 0 to 4 under their new names, the others under
        // abc0007.zyx to abc0021.zyx.
        row("pass 2: new name deleted", 25, -1, { { "abc0005.tar.jpg", gone } }, true,
            misfit + "x.tar.jpg");
        // Undo step stopped in pass 2: files 0 to 4 back, the others under zyx0005.zyx on.
        row("undo pass 2: earlier name taken", -1, 25, { { "img10.jpg", "new" } }, true,
            misfit + "img10.jpg");
    }
    void afterInterruption()
    {
        QFETCH(int, batchCrash);
        QFETCH(int, restoreCrash);
        QFETCH(Files, change);
        QFETCH(bool, pending);
        QFETCH(QString, message);
        Scene scene;
        scene.fill(ChainBatch);
        const Files original = scene.files();
        if (batchCrash != -2)
            rename(scene, ChainBatch, "abc", 2, batchCrash);
        if (restoreCrash != -1)
            restore(scene, restoreCrash == -2 ? -1 : restoreCrash);
        scene.change(change);
        const Files before = scene.files();
        auto folder = scene.open();
        QCOMPARE(interruptedRunPending(*folder, "jpg"), pending);
        QVERIFY(!interruptedRunPending(*folder, "txt"));
        QCOMPARE(restoreNames(*folder, "jpg").message(), message);
        QCOMPARE(scene.files(), message.isEmpty() ? original : before);
    }
};

QTEST_GUILESS_MAIN(TestRecovery)
#include "tst_recovery.moc"
