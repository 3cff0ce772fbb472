#include "scene.h"

#include <optional>

namespace {

const QStringList ThreeFiles { "a.jpg", "b.jpg", "c.jpg" };
const QByteArray Gone; // a file deleted

// One batch rename: the folder, the window's input and a fault; and how it must end.
struct Case
{
    QStringList files = ThreeFiles; // the targets, each holding its own name
    QString prefix = "n";
    int startNo = 0;
    QString pattern = "*.jpg";
    std::optional<QStringList> newNames = {}; // unset: by the naming rule
    QList<int> history = {}; // stale "*.jpg" history files before the run
    Files extra = {}; // other changes to the folder before the run
    QString fault = {}; // as Scene::open takes it
    QString message = {}; // empty: the run is done
    // Done, or failed with files stranded: the names the targets carry, and the history files.
    QStringList renamed = {};
    int k = 1; // the history file written; file 0 too when it is 1
    int renames = -1; // done: renames made; -1: two per target
};

} // namespace

Q_DECLARE_METATYPE(Case)

class TestBatchRename : public QObject
{
    Q_OBJECT

private slots:
    void batch_data()
    {
        QTest::addColumn<Case>("c");
        const auto add = [](const char *tag, const Case &c) { QTest::newRow(tag) << c; };
        const QStringList n012 { "n0000.jpg", "n0001.jpg", "n0002.jpg" };
        QList<int> all;
        for (int n = 0; n <= 101; ++n)
            all << n;
        const QString back = msg::RenameFailedRolledBack, io = " (Input/output error)";
        const QString unwritten = msg::RenameHistoryWriteFailed,
                      full = " (No space left on device)";
        // clang-format off
        add("new name is another target's old name", { .files = { "n0001.jpg", "n0002.jpg" },
            .startNo = 2, .renamed = { "n0002.jpg", "n0003.jpg" } });
        add("new name is its own old name", { .files = { "n0000.jpg" },
            .renamed = { "n0000.jpg" } });
        add("type zyx: new name is the temporary name", { .files = { "a.zyx" }, .pattern = "*.zyx",
            .renamed = { "n0000.zyx" }, .renames = 1 });
        add("first run writes 0 and 1", { .renamed = n012 });
        add("second run writes only 2", { .history = { 0, 1 }, .renamed = n012, .k = 2 });
        add("txt starts its own chain", { .files = { "x.txt" }, .pattern = "*.txt",
            .history = { 0, 1 }, .renamed = { "n0000.txt" } });
        add("only 0 present: replaced, then 1", { .history = { 0 }, .renamed = n012 });
        add("gap filled from 1 upward", { .history = { 0, 1, 2, 4, 5 }, .renamed = n012, .k = 3 });
        add("1 to 101 present: 101 rewritten", { .history = all, .renamed = n012, .k = 101 });

        // The checks before the question refuse with nothing changed.
        add("target gone", { .extra = { { "b.jpg", Gone } },
            .message = msg::RenameMissingFile + "b.jpg" });
        add("leftover temporary file", { .extra = { { "n0001.zyx", "x" } },
            .message = msg::RenameNameTaken + "n0001.zyx" });
        add("new name held by a non-target", { .extra = { { "n0002.jpg", "x" } },
            .message = msg::RenameNameTaken + "n0002.jpg" });
        add("prefix with a separator", { .prefix = "../x",
            .message = msg::RenameBadName + "../x0000.jpg" });
        add("prefix with a line break", { .prefix = "x\n",
            .message = msg::RenameBadName + "x\n0000.jpg" });
        add("file type with a separator", { .pattern = "*.jp/g",
            .message = msg::RenameBadName + "VOXAjp/g0.log" });
        add("history file would replace a target", { .files = { "VOXAlog0.log", "z.log" },
            .pattern = "*.log", .message = msg::RenameNameTaken + "VOXAlog0.log" });
        add("empty new-name list", { .newNames = QStringList(), .message = msg::NoNewNames });
        add("shorter new-name list", { .newNames = QStringList { "n0000.jpg", "n0001.jpg" },
            .message = msg::ListsDiffer });
        add("same new name twice", { .newNames = QStringList { "n0000.jpg", "n0001.jpg",
            "n0000.jpg" }, .message = msg::RenameNameTaken + "n0000.jpg" });

        // A failing rename, history write or sync: the folder and the chain end as before.
        add("pass 1, first rename", { .fault = "rename 1",
            .message = back + "a.jpg → n0000.zyx" + io });
        add("pass 1, last rename, chain present", { .history = { 0, 1 }, .fault = "rename 3",
            .message = back + "c.jpg → n0002.zyx" + io });
        add("pass 2, first rename", { .fault = "rename 4",
            .message = back + "a.jpg → n0000.jpg" + io });
        add("pass 2, last rename, file 0 replaced", { .history = { 0 }, .fault = "rename 6",
            .message = back + "c.jpg → n0002.jpg" + io });
        add("file 0 write fails", { .fault = "write VOXAjpg0.log",
            .message = unwritten + "VOXAjpg0.log" + full });
        add("file 1 write fails after new file 0", { .fault = "write VOXAjpg1.log",
            .message = unwritten + "VOXAjpg1.log" + full });
        add("file 1 write fails after replaced file 0", { .history = { 0 },
            .fault = "write VOXAjpg1.log", .message = unwritten + "VOXAjpg1.log" + full });
        add("sync fails after rewriting 101", { .history = all, .fault = "sync",
            .message = unwritten + "VOXAjpg101.log" + io });

        // Renaming back fails too: the message names every file not under its old name, the
        // folder agrees with it, and the run's history stays.
        add("stuck in pass 2", { .fault = "stuck 5",
            .message = msg::RenameFailed + "b.jpg → n0001.jpg" + io + "\n"
                + msg::RenameNotRolledBack
                + "\na.jpg → n0000.jpg\nb.jpg → n0001.zyx\nc.jpg → n0002.zyx",
            .renamed = { "n0000.jpg", "n0001.zyx", "n0002.zyx" } });
        // clang-format on
    }
    void batch()
    {
        QFETCH(Case, c);
        Scene scene;
        scene.fill(c.files);
        for (int n : c.history)
            scene.put(historyFileName("jpg", n), "stale " + QByteArray::number(n) + "\r\n");
        scene.change(c.extra);
        const Files before = scene.files();
        BatchInput input = previewed(c.files, c.prefix, c.startNo, c.pattern);
        input.newNames = c.newNames.value_or(input.newNames);
        auto folder = scene.open(c.fault);
        QCOMPARE(renameBatch(*folder, input).message(), c.message);
        Files want = before; // refused, or failed and rolled back: exactly as before
        if (!c.renamed.isEmpty()) { // done, or stranded with the run's history
            for (const QString &name : c.files)
                want.remove(name);
            for (int i = 0; i < c.files.size(); ++i)
                want[c.renamed[i]] = c.files[i].toUtf8();
            const QString type = fileTypePart(c.pattern);
            if (c.k == 1)
                want[historyFileName(type, 0)] = encodeHistory(c.files);
            want[historyFileName(type, c.k)] = encodeHistory(input.newNames);
        }
        QCOMPARE(scene.files(), want);
        if (c.message.isEmpty())
            QCOMPARE(folder->renames, c.renames < 0 ? 2 * c.files.size() : c.renames);
    }

    void captions()
    {
        Scene scene;
        scene.fill(ThreeFiles);
        QStringList captions;
        const auto progress = [&](const RenameStep &step) { captions << captionOf(step); };
        QCOMPARE(renameBatch(*scene.open(), previewed(ThreeFiles, "abc", 98), progress).message(),
                 QString());
        QCOMPARE(captions.size(), 6);
        QCOMPARE(captions[2], QString("c.jpg　を一旦　abc0100.zyxに改名しています"));
        QCOMPARE(captions[3], QString("abc0098.zyx　を　abc0098.jpgに改名しています"));
    }
};

QTEST_GUILESS_MAIN(TestBatchRename)
#include "tst_batch_rename.moc"
