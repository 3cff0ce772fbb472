#include "scene.h"

#include <optional>

namespace {

// One batch rename: the folder, the window's input and a fault; and how it must end.
struct Case
{
    QStringList files = { "a.jpg", "b.jpg", "c.jpg" }; // the targets, each holding its own name
    QString prefix = "n";
    int startNo = 0;
    QString pattern = "*.jpg";
    std::optional<QStringList> newNames = {}; // unset: by the naming rule
    int history = 0; // stale "*.jpg" history files 0, 1, ... before the run
    Files extra = {}; // other changes to the folder before the run
    QString fault = {}; // as Scene::open takes it
    QString message = {}; // empty: done, every target under its new name
    std::optional<QString> folded = {}; // where the file system ignores case: this message
    QStringList stranded = {}; // renaming back failed: the names the targets carry
    int k = 1; // done or stranded: the history file written; file 0 too when it is 1
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
        const QString io = " (Input/output error)", unwritten = msg::RenameHistoryWriteFailed,
                      full = unwritten + "VOXAjpg1.log (No space left on device)",
                      missing = msg::RenameMissingFile, taken = msg::RenameNameTaken,
                      bad = msg::RenameBadName;
        // clang-format off
        // A first run writes files 0 and 1.
        add("new name is another's old", { .files = { "n0001.jpg", "n0002.jpg" }, .startNo = 2 });
        add("new name is its own old", { .files = { "n0000.jpg" } });
        add("type zyx: new = temporary", { .files = { "a.zyx" }, .pattern = "*.zyx" });
        add("second run writes only 2", { .history = 2, .k = 2 });
        add("txt: own chain", { .files = { "x.txt" }, .pattern = "*.txt", .history = 2 });
        add("only 0 present: replaced, then 1", { .history = 1 });
        add("gap filled from 1", { .history = 6, .extra = { { "VOXAjpg3.log", {} } }, .k = 3 });
        add("1 to 101 present: 101 rewritten", { .history = 102, .k = 101 });

        // The checks before the question refuse with nothing changed.
        add("target gone", { .extra = { { "b.jpg", {} } }, .message = missing + "b.jpg" });
        add("leftover .zyx", { .extra = { { "n0001.zyx", "x" } }, .message = taken + "n0001.zyx" });
        add("non-target", { .extra = { { "n0002.jpg", "x" } }, .message = taken + "n0002.jpg" });
        add("prefix with a separator", { .prefix = "../x", .message = bad + "../x0000.jpg" });
        add("prefix with a line break", { .prefix = "x\n", .message = bad + "x\n0000.jpg" });
        add("type with a separator", { .pattern = "*.jp/g", .message = bad + "VOXAjp/g0.log" });
        add("history file is a target", { .files = { "VOXAlog0.log", "z.log" },
                                          .pattern = "*.log", .message = taken + "VOXAlog0.log" });
        add("empty new-name list", { .newNames = QStringList(), .message = msg::NoNewNames });
        add("shorter new-name list", { .newNames = QStringList { "n0000.jpg", "n0001.jpg" },
                                       .message = msg::ListsDiffer });
        add("same new name twice", { .newNames = QStringList { "n0000.jpg", "n1.jpg", "n0000.jpg" },
                                     .message = taken + "n0000.jpg" });

        // The k-th rename fails, with no chain, file 0 alone or files 0 and 1 before the run:
        // every file back under its old name and the chain exactly as it was.
        for (int k = 1, i = 0; k <= 6; ++k, i = (k - 1) % 3)
            QTest::addRow("rename %d fails", k) << Case { .history = k % 3,
                .fault = QString("rename %1").arg(k), .message = msg::RenameFailedRolledBack
                    + QString("%1.jpg → n000%2.%3%4").arg(QChar('a' + i)).arg(i)
                          .arg(k <= 3 ? "zyx" : "jpg", io) };
        add("write of 1 fails, new 0", { .fault = "write VOXAjpg1.log", .message = full });
        add("write of 1 fails, 0 replaced", { .history = 1, .fault = "write VOXAjpg1.log",
                                              .message = full });
        // A name taken after the checks, or taken in another case where the file system
        // ignores case, makes its rename fail: no file is ever replaced.
        add("a file appears at a new name", { .fault = "appear 5 n0001.jpg",
            .message = msg::RenameFailedRolledBack + "b.jpg → n0001.jpg (File exists)" });
        add("new name held in another case", { .extra = { { "N0001.jpg", "mine" } },
            .folded = msg::RenameFailedRolledBack + "b.jpg → n0001.jpg (File exists)" });
        add("sync fails after rewriting 101", { .history = 102, .fault = "sync",
                                                .message = unwritten + "VOXAjpg101.log" + io });
        // Renaming back fails too: the message names every file not under its old name, the
        // folder agrees with it, and the run's history stays.
        add("stuck in pass 2", { .fault = "stuck 5", .message = msg::RenameFailed
            + "b.jpg → n0001.jpg" + io + "\n" + msg::RenameNotRolledBack
            + "\na.jpg → n0000.jpg\nb.jpg → n0001.zyx\nc.jpg → n0002.zyx",
            .stranded = { "n0000.jpg", "n0001.zyx", "n0002.zyx" } });
        // clang-format on
    }
    void batch()
    {
        QFETCH(Case, c);
        Scene scene;
        scene.fill(c.files);
        for (int n = 0; n < c.history; ++n)
            scene.put(historyFileName("jpg", n), "stale " + QByteArray::number(n) + "\r\n");
        scene.change(c.extra);
        Files want = scene.files(); // refused, or failed and rolled back: exactly as before
        if (c.fault.startsWith("appear"))
            want.insert(c.fault.section(' ', 2), "appeared");
        const QString message = c.folded && scene.foldsCase() ? *c.folded : c.message;
        BatchInput input = previewed(c.files, c.prefix, c.startNo, c.pattern);
        input.newNames = c.newNames.value_or(input.newNames);
        // Progress comes with every rename as it is done, however slow the file system.
        int reported = 0, early = 0;
        const auto progress = [&](const RenameStep &step) {
            ++reported;
            early += !QFileInfo::exists(scene.dir.filePath(step.to));
        };
        QCOMPARE(renameBatch(*scene.open(c.fault), input, progress).message(), message);
        QCOMPARE(early, 0);
        if (message.isEmpty())
            QCOMPARE(reported, 2 * c.files.size());
        if (message.isEmpty() || !c.stranded.isEmpty()) { // the run's history stays
            const QStringList &carried = message.isEmpty() ? input.newNames : c.stranded;
            Files moved;
            for (int i = 0; i < c.files.size(); ++i)
                moved[carried[i]] = want.take(c.files[i]);
            want.insert(moved);
            const QString type = fileTypePart(c.pattern);
            if (c.k == 1)
                want[historyFileName(type, 0)] = encodeHistory(c.files);
            want[historyFileName(type, c.k)] = encodeHistory(input.newNames);
        }
        QCOMPARE(scene.files(), want);
    }
};

QTEST_GUILESS_MAIN(TestBatchRename)
#include "tst_batch_rename.moc"
