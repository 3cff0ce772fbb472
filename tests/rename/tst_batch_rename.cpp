#include "scene.h"

#include <optional>

#include <sys/stat.h>

namespace {

// One batch rename: the folder, the window's input and a fault; and how it must end.
struct Case
{
    QStringList files = { "a.jpg", "b.jpg", "c.jpg" }; // the targets, each holding its own name
    QString prefix = "n";
    int startNo = 0;
    QString pattern = "*.jpg";
    std::optional<QStringList> newNames = {}; // unset: by the naming rule
    int history = 0; // "*.jpg" history files 0, 1, ... before the run, each naming the files
    Files extra = {}; // other changes to the folder before the run
    QString fault = {}; // as Scene::open takes it
    QString message = {}; // empty: done, every target under its new name
    std::optional<QString> folded = {}; // where the file system ignores case: this message
    QStringList stranded = {}; // renaming back failed: the names the targets carry
    int k = 1; // done or stranded: the history file written; file 0 too when it is 1
    QStringList removed = {}; // done: files of `extra` the run deletes
    int passes = 1; // done: 2 where a new name is an old name of the batch
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
        add("new name is another's old", { .files = { "n0001.jpg", "n0002.jpg" }, .startNo = 2,
                                          .passes = 2 });
        add("new name is its own old", { .files = { "n0000.jpg" }, .passes = 2 });
        add("type zyx: new = temporary", { .files = { "a.zyx" }, .pattern = "*.zyx" });
        add("second run writes only 2", { .history = 2, .k = 2 });
        add("chain typed in another case", { .pattern = "*.JPG", .history = 2, .k = 2 });
        const QString leftover = ".VOXAjpg1.log.0123456789abcdef.tmp";
        add("leftover temporaries of the chain go", { .extra = { { leftover, "" },
            { ".VOXAtxt1.log.0123456789abcdef.tmp", "" } }, .removed = { leftover } });
        add("gap filled from 1", { .history = 6, .extra = { { "VOXAjpg3.log", {} } }, .k = 3 });
        // A chain the run cannot add to so that the restore gives every file its name back.
        add("chain names other files", { .history = 2,
            .extra = { { "VOXAjpg1.log", "x.jpg\r\ny.jpg\r\nz.jpg\r\n" } },
            .message = msg::RenameFaultyHistory + "VOXAjpg1.log" });
        add("earlier file of other length", { .history = 2,
            .extra = { { "VOXAjpg0.log", "x.jpg\r\ny.jpg\r\n" } },
            .message = msg::RenameFaultyHistory + "VOXAjpg0.log" });
        add("chain without file 0", { .history = 2, .extra = { { "VOXAjpg0.log", {} } },
                                      .message = msg::RenameFaultyHistory + "VOXAjpg0.log" });
        add("0 to 99 present: no undoable 100th", { .history = 100,
                                                   .message = msg::RenameTooManyChanges });

        // The checks before the question refuse with nothing changed.
        add("target gone", { .extra = { { "b.jpg", {} } }, .message = missing + "b.jpg" });
        add("leftover .zyx", { .extra = { { "n0001.zyx", "x" } }, .message = taken + "n0001.zyx" });
        add("non-target", { .extra = { { "n0002.jpg", "x" } }, .message = taken + "n0002.jpg" });
        add("prefix with a separator", { .prefix = "../x", .message = bad + "../x0000.jpg" });
        add("prefix with a line break", { .prefix = "x\n", .message = bad + "x\n0000.jpg" });
        add("type with a separator", { .pattern = "*.jp/g", .message = bad + "VOXAjp/g0.log" });
        // Every name must come back from the history exactly, and none may be the program's
        // own: a history file or a temporary name of the restore.
        add("history file is a target", { .files = { "z.log", "voxaJPG0.LOG" },
                                          .pattern = "*.log", .message = bad + "voxaJPG0.LOG" });
        add("old name with a line break", { .files = { "a\r.jpg" }, .message = bad + "a\r.jpg" });
        add("new name is a restore temporary", { .files = { "a.zyx" }, .prefix = "zyx",
                                                 .pattern = "*.zyx", .message = bad + "zyx0000.zyx" });
        add("TAB, ESC and U+FEFF are kept", { .files = { "a\tb.jpg", "\x1b.jpg" },
                                              .prefix = QString(QChar(0xFEFF)) + "x" });
        add("type with a path", { .pattern = "*.x/../../outside/report",
                                  .message = bad + "VOXAx/../../outside/report0.log" });
        // A history write replaces no file but 101: a file 0 without a file 1, or anything at
        // the next number, may be a stranger's. Found without regard to case. A file 0 alone
        // that names exactly the targets is the trace of a batch that never began: taken over.
        add("only 0 present, naming the targets", { .history = 1 });
        add("only 0 present, naming others", { .history = 1,
            .extra = { { "VOXAjpg0.log", "x.jpg\r\n" } }, .message = taken + "VOXAjpg0.log" });
        add("user's file at file 0 in another case", { .files = { "a.log", "b.log" },
            .pattern = "*.log", .extra = { { "voxalog0.log", "mine" } },
            .message = taken + "voxalog0.log" });
        add("unreadable entry at the next number", { .history = 2,
            .extra = { { "VOXAjpg2.log/x", "" } }, .message = taken + "VOXAjpg2.log" });
        // Where the file system ignores case, the second spelling writes over the first.
        add("one number in two spellings", { .history = 2, .extra = { { "VOXAJPG1.log", "x" } },
            .message = msg::RenameFaultyHistory + "VOXAJPG1.log",
            .folded = msg::RenameFaultyHistory + "VOXAjpg1.log" });
        // Another program takes a new name after the checks: the rename fails, never replaces.
        add("new name appears", { .fault = "appear n0001.jpg", .message = msg::RenameFailedRolledBack
                                  + "b.jpg → n0001.jpg (File exists)" });
        add("empty new-name list", { .newNames = QStringList(), .message = msg::NoNewNames });
        add("shorter new-name list", { .newNames = QStringList { "n0000.jpg", "n0001.jpg" },
                                       .message = msg::ListsDiffer });
        add("same new name twice", { .newNames = QStringList { "n0000.jpg", "n1.jpg", "n0000.jpg" },
                                     .message = taken + "n0000.jpg" });

        // A rename fails, with no chain, file 0 alone or files 0 and 1 before the run: every file
        // back under its old name and the chain exactly as it was, from where one pass stops, and
        // from the first and the second of two passes (the first file's new name is the last
        // one's old name); the message names the rename, to a temporary name in pass 1. (That
        // each failure reports what the disk holds, at every request: the fault-model walk.)
        const QStringList two { "a.jpg", "b.jpg", "n0000.jpg" };
        add("rename 2 of 3 fails", { .fault = "rename 2",
            .message = msg::RenameFailedRolledBack + "b.jpg → n0001.jpg" + io });
        add("rename 2 of 6 fails", { .files = two, .history = 1, .fault = "rename 2",
            .message = msg::RenameFailedRolledBack + "b.jpg → n0001.zyx" + io });
        add("rename 5 of 6 fails", { .files = two, .history = 2, .fault = "rename 5",
            .message = msg::RenameFailedRolledBack + "b.jpg → n0001.jpg" + io });
        add("write of 1 fails, new 0", { .fault = "write VOXAjpg1.log", .message = full });
        add("sync fails", { .history = 3, .fault = "sync",
                            .message = unwritten + "VOXAjpg3.log" + io });
        add("new name held in another case", { .extra = { { "N0001.jpg", "mine" } },
            .folded = msg::RenameFailedRolledBack + "b.jpg → n0001.jpg (File exists)" });
        // Renaming back fails too: the message names every file not under its old name, the
        // folder agrees with it, and the run's history stays. (Every point of it, in one pass
        // and in two: the fault-model walk.)
        add("stuck in pass 2", { .files = { "a.jpg", "b.jpg", "n0000.jpg" }, .fault = "stuck 5",
            .message = msg::RenameFailed + "b.jpg → n0001.jpg" + io + "\n"
            + msg::RenameNotRolledBack + "\na.jpg → n0000.jpg\nb.jpg → n0001.zyx"
            + "\nn0000.jpg → n0002.zyx", .stranded = { "n0000.jpg", "n0001.zyx", "n0002.zyx" } });
        // clang-format on
    }
    void batch()
    {
        QFETCH(Case, c);
        Scene scene;
        scene.fill(c.files);
        for (int n = 0; n < c.history; ++n)
            scene.put(historyFileName("jpg", n), encodeHistory(c.files));
        scene.change(c.extra);
        Files want = scene.files(); // refused, or failed and rolled back: exactly as before
        if (c.fault.startsWith("appear"))
            want[c.fault.section(' ', 1)] = "stranger";
        const QString message = c.folded && scene.foldsCase() ? *c.folded : c.message;
        BatchInput input = previewed(c.files, c.prefix, c.startNo, c.pattern);
        input.newNames = c.newNames.value_or(input.newNames);
        for (const QString &name : c.removed)
            want.remove(name);
        // Progress comes with every rename as it is done, however slow the file system.
        int reported = 0, early = 0;
        const auto progress = [&](const RenameStep &step) {
            ++reported;
            early += !QFileInfo::exists(scene.dir.filePath(step.to));
        };
        QCOMPARE(renameBatch(*scene.open(c.fault), input, progress).message(), message);
        QCOMPARE(early, 0);
        if (message.isEmpty())
            QCOMPARE(reported, c.passes * c.files.size());
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

    // One pass only where no new name can reach the entry of an old name on any file system:
    // any name that some file system takes for another sends the batch through two passes.
    void onePassRule_data()
    {
        QTest::addColumn<QString>("oldName"); // of the second file; the first is DSC_0001.jpg
        QTest::addColumn<QString>("newName"); // of the first file; the second's is x0002.jpg
        QTest::addColumn<bool>("onePass");
        const auto row = [](const char *tag, const QString &a, const QString &b, bool one) {
            QTest::newRow(tag) << a << b << one;
        };
        row("apart", "IMG_0002.jpg", "x0001.jpg", true);
        row("case", "X0001.JPG", "x0001.jpg", false);
        row("full case folding", "STRASSE.jpg", "straße.jpg", false);
        row("Kelvin sign", QString(QChar(0x212A)) + ".jpg", "k.jpg", false);
        row("dotless i", QString(QChar(0x0131)) + ".jpg", "I.jpg", false);
        row("decomposed", QString("e") + QChar(0x0301) + ".jpg", QString(QChar(0xE9)) + ".jpg",
            false);
        row("full-width", QString(QChar(0xFF50)) + "1.jpg", "p1.jpg", false);
        row("zero-width space", QString("p") + QChar(0x200B) + "1.jpg", "p1.jpg", false);
        row("trailing dot and blank", "x0001.jpg. ", "x0001.jpg", false);
    }
    void onePassRule()
    {
        QFETCH(QString, oldName);
        QFETCH(QString, newName);
        QFETCH(bool, onePass);
        const BatchPlan plan { { "DSC_0001.jpg", oldName }, { newName, "x0002.jpg" }, {}, "*.jpg" };
        QCOMPARE(renamesInOnePass(plan), onePass);
    }

    // The real folder: neither a rename nor a new file ever takes a name that an entry holds,
    // both keep their bytes; a FIFO is reported as what it is. One rename goes first, so that
    // the folder has chosen its way of renaming (on FUSE the kernel refuses a taken name itself
    // before it asks the file system, and the way would otherwise never be tried).
    void folderNeverReplaces()
    {
        Scene scene;
        scene.fill({ "a", "b", "c" });
        auto folder = scene.open();
        QVERIFY(folder->renameNoReplace("c", "d"));
        const Files before = scene.files();
        QCOMPARE(folder->renameNoReplace("a", "b").reason, QStringLiteral("File exists"));
        QCOMPARE(folder->createFileDurably("b", "new").reason, QStringLiteral("File exists"));
        QCOMPARE(scene.files(), before);
        QCOMPARE(::mkfifo(QFile::encodeName(scene.dir.filePath("f")).constData(), 0600), 0);
        QByteArray bytes;
        QCOMPARE(folder->readFile("f", &bytes, 10).reason, QStringLiteral("Not a regular file"));
    }
};

QTEST_GUILESS_MAIN(TestBatchRename)
#include "tst_batch_rename.moc"
