#include "batch_rename.h"
#include "faulty_folder.h"
#include "folder.h"
#include "history.h"
#include "messages.h"
#include "naming.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace renaming;

namespace {

using Tree = QMap<QString, QByteArray>;

// Every entry under `root`, with the content of files; folders show as "<dir>". Comparing two
// of these shows that names and contents are exactly as they were.
Tree snapshot(const QString &root)
{
    Tree tree;
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile file(path);
        const QString name = QDir(root).relativeFilePath(path);
        if (it.fileInfo().isDir())
            tree[name] = "<dir>";
        else
            tree[name] = file.open(QIODevice::ReadOnly) ? file.readAll() : "<unreadable>";
    }
    return tree;
}

void put(const QString &folder, const QString &name, const QByteArray &content)
{
    QFile file(folder + u'/' + name);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

// The input as the window hands it over after the preview: new names by the naming rule.
BatchInput previewed(const QStringList &files, const QString &prefix, int startNo,
                     const QString &pattern = QStringLiteral("*.jpg"))
{
    BatchInput input { files, {}, prefix, startNo, pattern };
    for (int i = 0; i < files.size(); ++i)
        input.newNames << newName(prefix, startNo, i, files[i]).value_or(QString());
    return input;
}

const QStringList ThreeFiles { "a.jpg", "b.jpg", "c.jpg" };

// Records the order of the operations that change the disk.
class RecordingFolder : public ForwardingFolder
{
public:
    using ForwardingFolder::ForwardingFolder;
    QStringList log;
    OpResult writeFileDurably(const QString &name, const QByteArray &bytes) override
    {
        log << "write " + name;
        return ForwardingFolder::writeFileDurably(name, bytes);
    }
    OpResult renameNoReplace(const QString &from, const QString &to) override
    {
        log << "rename " + from;
        return ForwardingFolder::renameNoReplace(from, to);
    }
    OpResult sync() override
    {
        log << "sync";
        return ForwardingFolder::sync();
    }
};

} // namespace

class TestBatchRename : public QObject
{
    Q_OBJECT

    QTemporaryDir m_tmp;
    QString m_work; // the folder renamed; its parent shows any file that escapes it

    // Fills the folder with `files`, each holding its own name as content.
    void fill(const QStringList &files)
    {
        for (const QString &name : files)
            put(m_work, name, name.toUtf8());
    }
    std::unique_ptr<FaultyFolder> open() { return wrapFolder<FaultyFolder>(m_work); }

private slots:
    void init()
    {
        QVERIFY(m_tmp.isValid());
        QDir(m_tmp.path()).removeRecursively();
        m_work = m_tmp.path() + QStringLiteral("/work");
        QVERIFY(QDir().mkpath(m_work));
    }

    void renames_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<int>("startNo");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<int>("renames");

        QTest::newRow("new name is another target's old name")
            << QStringList { "abc0001.jpg", "abc0002.jpg" } << "abc" << 2 << "*.jpg"
            << QStringList { "abc0002.jpg", "abc0003.jpg" } << 4;
        QTest::newRow("new name is its own old name")
            << QStringList { "abc0005.jpg" } << "abc" << 5 << "*.jpg"
            << QStringList { "abc0005.jpg" } << 2;
        QTest::newRow("no dot, two dots")
            << QStringList { "README", "c.old.jpg" } << "doc" << 3 << "*"
            << QStringList { "doc0003README", "doc0004.old.jpg" } << 4;
        QTest::newRow("type zyx: new name equals temporary name")
            << QStringList { "a.zyx" } << "abc" << 1 << "*.zyx" << QStringList { "abc0001.zyx" }
            << 1;
        QTest::newRow("Japanese names, one outside the code page")
            << QStringList { "写真.jpg", "\u301C.jpg" } << "旅行" << 0 << "*.jpg"
            << QStringList { "旅行0000.jpg", "旅行0001.jpg" } << 4;
    }
    void renames()
    {
        QFETCH(QStringList, files);
        QFETCH(QString, prefix);
        QFETCH(int, startNo);
        QFETCH(QString, pattern);
        QFETCH(QStringList, expected);
        QFETCH(int, renames);
        fill(files);

        auto folder = open();
        const BatchOutcome outcome
            = renameBatch(*folder, previewed(files, prefix, startNo, pattern));
        QCOMPARE(outcome.status, BatchStatus::Done);
        QCOMPARE(folder->renames, renames);

        const QString type = fileTypePart(pattern);
        Tree want;
        for (int i = 0; i < files.size(); ++i)
            want[expected[i]] = files[i].toUtf8();
        want[historyFileName(type, 0)] = encodeHistory(files);
        want[historyFileName(type, 1)] = encodeHistory(expected);
        QCOMPARE(snapshot(m_work), want);
    }

    void temporaryNamesAndCaptions()
    {
        fill(ThreeFiles);
        auto folder = open();
        QStringList captions;
        const BatchOutcome outcome
            = renameBatch(*folder, previewed(ThreeFiles, "abc", 98),
                          [&](const RenameStep &step) { captions << captionOf(step); });
        QCOMPARE(outcome.status, BatchStatus::Done);
        QCOMPARE(captions,
                 QStringList({ "a.jpg　を一旦　abc0098.zyxに改名しています",
                               "b.jpg　を一旦　abc0099.zyxに改名しています",
                               "c.jpg　を一旦　abc0100.zyxに改名しています",
                               "abc0098.zyx　を　abc0098.jpgに改名しています",
                               "abc0099.zyx　を　abc0099.jpgに改名しています",
                               "abc0100.zyx　を　abc0100.jpgに改名しています" }));
    }

    void historyOnDiskBeforeFirstRename()
    {
        fill(ThreeFiles);
        auto folder = wrapFolder<RecordingFolder>(m_work);
        QCOMPARE(renameBatch(*folder, previewed(ThreeFiles, "n", 0)).status, BatchStatus::Done);
        QCOMPARE(
            folder->log.mid(0, 4),
            QStringList({ "write VOXAjpg0.log", "write VOXAjpg1.log", "sync", "rename a.jpg" }));
    }

    // Which history files a run writes, by the state of the chain before it.
    void chains_data()
    {
        QTest::addColumn<QList<int>>("present"); // jpg history files present before the run
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<bool>("writesZero");
        QTest::addColumn<int>("k");

        QTest::newRow("first run writes 0 and 1") << QList<int> {} << "*.jpg" << true << 1;
        QTest::newRow("second run writes only 2") << QList<int> { 0, 1 } << "*.jpg" << false << 2;
        QTest::newRow("txt starts its own chain") << QList<int> { 0, 1 } << "*.txt" << true << 1;
        QTest::newRow("only 0 present: replaced, then 1")
            << QList<int> { 0 } << "*.jpg" << true << 1;
        QTest::newRow("gap filled from 1 upward")
            << QList<int> { 0, 1, 2, 4, 5 } << "*.jpg" << false << 3;
        QList<int> all;
        for (int n = 0; n <= 101; ++n)
            all << n;
        QTest::newRow("1 to 101 present: 101 rewritten") << all << "*.jpg" << false << 101;
    }
    void chains()
    {
        QFETCH(QList<int>, present);
        QFETCH(QString, pattern);
        QFETCH(bool, writesZero);
        QFETCH(int, k);
        for (int n : present)
            put(m_work, historyFileName("jpg", n), "stale " + QByteArray::number(n) + "\r\n");
        const QString type = fileTypePart(pattern);
        const QStringList files { "x." + type, "y." + type };
        fill(files);
        const Tree before = snapshot(m_work);

        auto folder = open();
        const BatchInput input = previewed(files, "n", 0, pattern);
        QCOMPARE(renameBatch(*folder, input).status, BatchStatus::Done);

        Tree want = before;
        for (const QString &name : files)
            want.remove(name);
        for (int i = 0; i < files.size(); ++i)
            want[input.newNames[i]] = files[i].toUtf8();
        if (writesZero)
            want[historyFileName(type, 0)] = encodeHistory(files);
        want[historyFileName(type, k)] = encodeHistory(input.newNames);
        QCOMPARE(snapshot(m_work), want);
    }

    // The checks before the question: each refuses with nothing changed.
    void refusals_data()
    {
        QTest::addColumn<QStringList>("onDisk");
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<BatchStatus>("status");
        QTest::addColumn<QString>("message");

        QTest::newRow("target gone")
            << QStringList { "a.jpg", "c.jpg" } << "n"
            << "*.jpg" << BatchStatus::MissingFile << msg::RenameMissingFile + "b.jpg";
        QTest::newRow("leftover temporary file")
            << (ThreeFiles + QStringList { "n0001.zyx" }) << "n"
            << "*.jpg" << BatchStatus::NameTaken << msg::RenameNameTaken + "n0001.zyx";
        QTest::newRow("new name held by a non-target")
            << (ThreeFiles + QStringList { "n0002.jpg" }) << "n"
            << "*.jpg" << BatchStatus::NameTaken << msg::RenameNameTaken + "n0002.jpg";
        QTest::newRow("prefix with a separator")
            << ThreeFiles << "../x"
            << "*.jpg" << BatchStatus::BadName << msg::RenameBadName + "../x0000.jpg";
        QTest::newRow("prefix with a line break")
            << ThreeFiles << "x\n"
            << "*.jpg" << BatchStatus::BadName << msg::RenameBadName + "x\n0000.jpg";
        QTest::newRow("file type with a separator")
            << QStringList { "a.jpg" } << "n"
            << "*.jp/g" << BatchStatus::BadName << msg::RenameBadName + "VOXAjp/g0.log";
        QTest::newRow("history file would overwrite a target")
            << QStringList { "VOXAlog0.log", "z.log" } << "n"
            << "*.log" << BatchStatus::NameTaken << msg::RenameNameTaken + "VOXAlog0.log";
    }
    void refusals()
    {
        QFETCH(QStringList, onDisk);
        QFETCH(QString, prefix);
        QFETCH(QString, pattern);
        QFETCH(BatchStatus, status);
        QFETCH(QString, message);
        for (const QString &name : onDisk)
            put(m_work, name, name.toUtf8());
        const QStringList targets = pattern == "*.jpg" ? ThreeFiles : onDisk;
        const Tree before = snapshot(m_tmp.path());

        auto folder = open();
        const BatchOutcome outcome
            = renameBatch(*folder, previewed(targets, prefix, pattern == "*.jpg" ? 0 : 1, pattern));
        QCOMPARE(outcome.status, status);
        QCOMPARE(outcome.message(), message);
        QCOMPARE(snapshot(m_tmp.path()), before);
    }

    void listRefusals_data()
    {
        QTest::addColumn<QStringList>("newNames");
        QTest::addColumn<QString>("message");
        QTest::newRow("empty new-name list") << QStringList {} << msg::NoNewNames;
        QTest::newRow("shorter new-name list")
            << QStringList { "n0000.jpg", "n0001.jpg" } << msg::ListsDiffer;
        QTest::newRow("same new name twice")
            << QStringList { "n0000.jpg", "n0001.jpg", "n0000.jpg" }
            << msg::RenameNameTaken + "n0000.jpg";
    }
    void listRefusals()
    {
        QFETCH(QStringList, newNames);
        QFETCH(QString, message);
        fill(ThreeFiles);
        const Tree before = snapshot(m_work);
        auto folder = open();
        BatchInput input = previewed(ThreeFiles, "n", 0);
        input.newNames = newNames;
        QCOMPARE(renameBatch(*folder, input).message(), message);
        QCOMPARE(snapshot(m_work), before);
    }

    // A failing rename or history write: the folder and the chain end exactly as before.
    void failures_data()
    {
        QTest::addColumn<QList<int>>("present");
        QTest::addColumn<int>("failRename"); // 1-based; renames 1-3 are pass 1, 4-6 pass 2
        QTest::addColumn<QString>("failWrite");
        QTest::addColumn<bool>("failSync");
        QTest::addColumn<QString>("message");

        const QString rolledBack = msg::RenameFailedRolledBack;
        const QString noHistory = msg::RenameHistoryWriteFailed;
        QTest::newRow("pass 1, first rename")
            << QList<int> {} << 1 << "" << false
            << rolledBack + "a.jpg → n0000.zyx (Input/output error)";
        QTest::newRow("pass 1, last rename, chain present")
            << QList<int> { 0, 1 } << 3 << "" << false
            << rolledBack + "c.jpg → n0002.zyx (Input/output error)";
        QTest::newRow("pass 2, first rename")
            << QList<int> {} << 4 << "" << false
            << rolledBack + "a.jpg → n0000.jpg (Input/output error)";
        QTest::newRow("pass 2, last rename, file 0 replaced")
            << QList<int> { 0 } << 6 << "" << false
            << rolledBack + "c.jpg → n0002.jpg (Input/output error)";
        QTest::newRow("file 0 write fails") << QList<int> {} << 0 << "VOXAjpg0.log" << false
                                            << noHistory + "VOXAjpg0.log (No space left on device)";
        QTest::newRow("file 1 write fails after new file 0")
            << QList<int> {} << 0 << "VOXAjpg1.log" << false
            << noHistory + "VOXAjpg1.log (No space left on device)";
        QTest::newRow("file 1 write fails after replaced file 0")
            << QList<int> { 0 } << 0 << "VOXAjpg1.log" << false
            << noHistory + "VOXAjpg1.log (No space left on device)";
        QTest::newRow("file 3 write fails")
            << QList<int> { 0, 1, 2 } << 0 << "VOXAjpg3.log" << false
            << noHistory + "VOXAjpg3.log (No space left on device)";
        QList<int> all;
        for (int n = 0; n <= 101; ++n)
            all << n;
        QTest::newRow("sync fails after rewriting 101")
            << all << 0 << "" << true << noHistory + "VOXAjpg101.log (Input/output error)";
    }
    void failures()
    {
        QFETCH(QList<int>, present);
        QFETCH(int, failRename);
        QFETCH(QString, failWrite);
        QFETCH(bool, failSync);
        QFETCH(QString, message);
        fill(ThreeFiles);
        for (int n : present)
            put(m_work, historyFileName("jpg", n), "stale " + QByteArray::number(n) + "\r\n");
        const Tree before = snapshot(m_tmp.path());

        auto folder = open();
        folder->failRenameNumber = failRename;
        if (!failWrite.isEmpty())
            folder->failWritesOf.insert(failWrite);
        folder->failSync = failSync;
        const BatchOutcome outcome = renameBatch(*folder, previewed(ThreeFiles, "n", 0));
        QCOMPARE(outcome.message(), message);
        QVERIFY(outcome.historyNotRestored.isEmpty());
        if (failRename == 0)
            QCOMPARE(folder->renames, 0);
        QCOMPARE(snapshot(m_tmp.path()), before);
    }

    // Renaming back fails too: the message names every file not under its old name, the disk
    // agrees with it, and the run's history stays.
    void renameBackFails_data()
    {
        QTest::addColumn<int>("failRename");
        QTest::addColumn<QStringList>("current");
        QTest::newRow("in pass 1") << 3 << QStringList { "n0000.zyx", "n0001.zyx", "c.jpg" };
        QTest::newRow("in pass 2") << 5 << QStringList { "n0000.jpg", "n0001.zyx", "n0002.zyx" };
    }
    void renameBackFails()
    {
        QFETCH(int, failRename);
        QFETCH(QStringList, current);
        fill(ThreeFiles);
        auto folder = open();
        folder->failRenameNumber = failRename;
        folder->failAllRenamesAfterFirstFailure = true;
        const BatchInput input = previewed(ThreeFiles, "n", 0);
        const BatchOutcome outcome = renameBatch(*folder, input);
        QCOMPARE(outcome.status, BatchStatus::NotRolledBack);

        Tree want;
        QString lines;
        for (int i = 0; i < 3; ++i) {
            want[current[i]] = ThreeFiles[i].toUtf8();
            if (current[i] != ThreeFiles[i])
                lines += "\n" + ThreeFiles[i] + " → " + current[i];
        }
        want["VOXAjpg0.log"] = encodeHistory(ThreeFiles);
        want["VOXAjpg1.log"] = encodeHistory(input.newNames);
        QCOMPARE(snapshot(m_work), want);
        QVERIFY2(outcome.message().startsWith(msg::RenameFailed), qPrintable(outcome.message()));
        QVERIFY(outcome.message().endsWith(msg::RenameNotRolledBack + lines));
    }

    // A power cut after any number of renames: the history describing the run is on disk,
    // and every file is under its old, temporary or new name with its content.
    void powerCut_data()
    {
        QTest::addColumn<int>("renamesDone");
        for (int k = 1; k <= 5; ++k)
            QTest::addRow("after %d renames", k) << k;
    }
    void powerCut()
    {
        QFETCH(int, renamesDone);
        fill(ThreeFiles);
        const BatchInput input = previewed(ThreeFiles, "n", 0);
        {
            auto folder = wrapFolder<CrashingFolder>(m_work, renamesDone);
            const BatchOutcome outcome = renameBatch(*folder, input);
            QCOMPARE(outcome.status, BatchStatus::NotRolledBack);
        }
        const Tree after = snapshot(m_work);
        QCOMPARE(after.value("VOXAjpg0.log"), encodeHistory(ThreeFiles));
        QCOMPARE(after.value("VOXAjpg1.log"), encodeHistory(input.newNames));
        QCOMPARE(after.size(), 5);
        for (int i = 0; i < 3; ++i) {
            const QString temp = *temporaryName("n", 0, i);
            const QString name = after.contains(ThreeFiles[i]) ? ThreeFiles[i]
                : after.contains(temp)                         ? temp
                                                               : input.newNames[i];
            QCOMPARE(after.value(name), ThreeFiles[i].toUtf8());
        }
    }
};

QTEST_GUILESS_MAIN(TestBatchRename)
#include "tst_batch_rename.moc"
