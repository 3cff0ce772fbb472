// Batches numbered in orders other than the name order, with and without pairs, in chains that
// mix them (and that another program began): every step is undone exactly, and every history
// line keeps naming the same file.
#include "folder_listing.h"
#include "numbering_order.h"
#include "recovery.h"
#include "sample_media.h"
#include "scene.h"

namespace {

// One batch of a chain: the order and pairs it is numbered by, its prefix and start number.
struct Step
{
    QString order;
    bool pairs = false;
    QString prefix = "n";
    int start = 1;
};

const QString Pattern = "*.jpg;*.xmp";

// The batch the window would make of the folder now: listed, numbered, previewed.
BatchInput numbered(const Scene &scene, const Step &step)
{
    FolderListing listing;
    listing.setPathAndPattern(scene.dir.path(), Pattern);
    const auto targets = numberTargets(scene.dir.path(), listing.names(),
                                       { *orderFromKeyword(step.order), step.pairs });
    BatchInput input { targets->names, {}, step.prefix, step.start, Pattern };
    for (int i = 0; i < targets->names.size(); ++i)
        input.newNames << *newName(step.prefix, step.start, targets->groupOf(i), targets->names[i]);
    if (step.pairs)
        input.groups = targets->groups;
    return input;
}

// Photos whose dates run against their names, each with an XMP sidecar that is newer than
// every photo; one photo without a sidecar. Every file's bytes are its own.
void fillPhotos(const Scene &scene)
{
    const qint64 morning
        = QDateTime(QDate(2024, 6, 1), QTime(0, 0), QTimeZone::utc()).toSecsSinceEpoch();
    const QStringList stems { "DSC_0010", "DSC_0002", "dsc_0003", "IMG_0001", "photo10", "photo9" };
    for (int i = 0; i < stems.size(); ++i) {
        const QString photo = scene.dir.filePath(stems[i] + ".jpg");
        sample::jpeg(photo, { QString("2024:05:01 1%1:00:00").arg(stems.size() - i) });
        sample::setModified(photo, morning + i * 60);
        if (i == 3)
            continue;
        scene.put(stems[i] + ".xmp", stems[i].toUtf8());
        sample::setModified(scene.dir.filePath(stems[i] + ".xmp"), morning + 3600 - i * 60);
    }
}

// Line j of the newest history file names the file that line j of file 0 named at first:
// each file is found by its bytes.
void checkLines(const Scene &scene, const Files &original)
{
    QHash<QByteArray, QString> firstNameOf;
    for (auto it = original.cbegin(); it != original.cend(); ++it)
        firstNameOf.insert(*it, it.key());
    auto folder = scene.open();
    const HistoryChain chain(*folder, Pattern);
    const int newest = chain.chainLength() - 1;
    const auto first = chain.read(0), last = chain.read(newest);
    QVERIFY(first && last);
    const Files now = scene.files();
    for (int j = 0; j < last->size(); ++j)
        QCOMPARE(firstNameOf.value(now.value(last->at(j))), first->at(j));
}

} // namespace

Q_DECLARE_METATYPE(QList<Step>)

class TestNumberedBatches : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        qputenv("TZ", "Asia/Tokyo");
        tzset();
    }

    void chains_data()
    {
        QTest::addColumn<QList<Step>>("steps");
        QTest::addColumn<bool>("foreign"); // another program began the chain
        // clang-format off
        QTest::newRow("name, then taken") << QList<Step> { { "name" }, { "taken", false, "t" } } << false;
        QTest::newRow("taken, then name") << QList<Step> { { "taken" }, { "name", false, "m", 3 } } << false;
        QTest::newRow("pairs by date, then name") << QList<Step> { { "taken", true }, { "name" } } << false;
        QTest::newRow("name, pairs natural, modified, pairs taken")
            << QList<Step> { { "name", false, "a" }, { "natural", true, "b", 5 },
                             { "modified", false, "c" }, { "taken", true, "d", 20 } } << false;
        QTest::newRow("another program, then taken") << QList<Step> { { "taken", true } } << true;
        QTest::newRow("another program, then name") << QList<Step> { { "name" } } << true;
        // clang-format on
    }
    void chains()
    {
        QFETCH(QList<Step>, steps);
        QFETCH(bool, foreign);
        Scene scene;
        fillPhotos(scene);
        const Files original = scene.files();
        if (foreign) {
            // Another program renamed every file to x<n> + its extension part, numbering them
            // backwards, and wrote the design's history of it in that order.
            QStringList before = original.keys(), after;
            std::reverse(before.begin(), before.end());
            for (int j = 0; j < before.size(); ++j) {
                after << QString("x%1").arg(j) + extensionPart(before[j]);
                QVERIFY(QFile::rename(scene.dir.filePath(before[j]), scene.dir.filePath(after[j])));
            }
            scene.put("VOXAjpg;*.xmp0.log", encodeHistory(before));
            scene.put("VOXAjpg;*.xmp1.log", encodeHistory(after));
        }
        for (const Step &step : steps) {
            const BatchInput input = numbered(scene, step);
            const BatchOutcome outcome = renameBatch(*scene.open(), input);
            QVERIFY2(outcome.status == BatchStatus::Done, qPrintable(outcome.message()));
            checkLines(scene, original);
        }
        const RestoreOutcome restored = restoreNames(*scene.open(), Pattern);
        QVERIFY2(restored.status == RestoreStatus::AllUndone, qPrintable(restored.message()));
        QCOMPARE(scene.files(), original);
    }

    // A pairs batch appended to a chain, cut off after every rename: the restore brings every
    // file back to its name before the batch, with its bytes, and tells of the interruption
    // exactly while files are away. Renumbered from 2 on, the batch's new names are its old
    // ones and it goes in two passes, through the temporary names of the pairs; under another
    // prefix, in one.
    void interruptedPairs_data()
    {
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<int>("passes");
        QTest::addColumn<int>("crash"); // after this many renames
        for (const auto &[prefix, passes] : { std::pair { "n", 2 }, std::pair { "t", 1 } }) {
            for (int k = 0; k <= 11 * passes; ++k) // 11 files
                QTest::addRow("%s, after %d renames", prefix, k) << QString(prefix) << passes << k;
        }
    }
    void interruptedPairs()
    {
        QFETCH(QString, prefix);
        QFETCH(int, passes);
        QFETCH(int, crash);
        Scene scene;
        fillPhotos(scene);
        QCOMPARE(renameBatch(*scene.open(), numbered(scene, { "name", true })).status,
                 BatchStatus::Done);
        const Files before = scene.files();
        const BatchInput input = numbered(scene, { "taken", true, prefix, 2 });
        // Two files share each number but the last: the temporary names are the new names'.
        QVERIFY(input.newNames.contains(prefix + "0002.jpg")
                && input.newNames.contains(prefix + "0002.xmp"));
        renameBatch(*scene.open(QString("crash %1").arg(crash)), input);
        const int renames = int(input.oldNames.size()) * passes;
        QCOMPARE(interruptedRunPending(*scene.open(), Pattern), crash > 0 && crash < renames);
        RestoreCallbacks once;
        int steps = 0;
        once.confirmStep = [&](int) { return steps++ == 0; };
        if (crash > 0) {
            const RestoreOutcome restored = restoreNames(*scene.open(), Pattern, once);
            QVERIFY2(restored.ok(), qPrintable(restored.message()));
            QCOMPARE(scene.files(), before);
        }
    }

    // New names that do not follow the groups (two files of one group on two numbers) are
    // refused. (The temporary names of groups: the chains and the interrupted batches above.)
    void newNamesFollowTheGroups()
    {
        const BatchInput wrong { { "a.jpg", "a.xmp", "b.jpg" },
                                 { "t0007.jpg", "t0008.xmp", "t0008.jpg" },
                                 "t",
                                 7,
                                 "*",
                                 { 0, 0, 1 } };
        BatchPlan plan;
        QCOMPARE(planBatch(wrong, &plan).status, BatchStatus::ListsDiffer);
    }

    // A file whose new name is another file's temporary name is refused before anything is
    // renamed: pass 2 would meet it there.
    void temporaryMeetsNewName()
    {
        Scene scene;
        scene.fill({ "a.jpg", "a.jpg.zyx" });
        const BatchInput input {
            { "a.jpg.zyx", "a.jpg" }, { "t0001.jpg.zyx", "t0001.jpg" }, "t", 1, "*", { 0, 0 }
        };
        const Files before = scene.files();
        const BatchOutcome outcome = renameBatch(*scene.open(), input);
        QCOMPARE(outcome.status, BatchStatus::NameTaken);
        QCOMPARE(outcome.name, "t0001.jpg.zyx");
        QCOMPARE(scene.files(), before);
    }
};

QTEST_GUILESS_MAIN(TestNumberedBatches)
#include "tst_numbered_batches.moc"
