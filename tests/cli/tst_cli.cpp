// kelvaro-cli as a script sees it. The contract: for every command, its exit status and its
// standard output against what is on disk afterwards (the output names only renames done, a dry
// run's lines say "would", a refusal changes nothing and prints no plan), with messages on
// standard error after "kelvaro-cli: " in the locale's language. Then the bytes of a folder's
// path (a folder named 0xFF beside its "\uFFFD" twin), the limit of 9,999 files, a batch cut
// off, and a batch renamed in the window undone from the command line and the other way.
#include "window_fixture.h"

#include <QProcess>
#include <QRegularExpression>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Result
{
    int status = -1;
    QString out;
    QString err;
};

// How a command is run besides its arguments.
struct Setting
{
    QString lang = QStringLiteral("ja_JP.UTF-8");
    QByteArray input = {};
    QString failRenames = {}; // strace makes these renameat2 calls ("3", "4+") fail with EIO
    bool closedReader = false; // standard output is a pipe whose reader has gone
    bool otherUser = false; // run as "nobody" when the tests run as root (modes bind root not)
};

Result run(QStringList command, const Setting &setting = {})
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("LC_ALL");
    env.remove("LC_MESSAGES");
    env.insert("LANG", setting.lang);
    if (!setting.failRenames.isEmpty()) {
        command = QStringList { "strace", "-qq",
                                "-o",     "/dev/null",
                                "-e",     "trace=renameat2",
                                "-e",     "inject=renameat2:error=EIO:when=" + setting.failRenames }
            + command;
        // The leak check stops the process the way a tracer does, which it cannot be twice.
        env.insert("ASAN_OPTIONS", "detect_leaks=0");
    }
    if (setting.otherUser && ::geteuid() == 0)
        command = QStringList { "setpriv", "--reuid=65534", "--regid=65534", "--clear-groups" }
            + command;
    p.setProcessEnvironment(env);
    int reader[2] = { -1, -1 };
    if (setting.closedReader) {
        if (::pipe2(reader, O_CLOEXEC) != 0)
            return {};
        ::close(reader[0]);
        const int writeEnd = reader[1];
        p.setChildProcessModifier([writeEnd] { ::dup2(writeEnd, STDOUT_FILENO); });
    }
    const QString program = command.takeFirst();
    p.start(program, command);
    p.write(setting.input);
    p.closeWriteChannel();
    const bool finished = p.waitForFinished(120000);
    if (setting.closedReader)
        ::close(reader[1]);
    if (!finished || p.exitStatus() != QProcess::NormalExit)
        return {};
    // The time of a history file differs from run to run.
    static const QRegularExpression time(
        QStringLiteral("\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d"));
    return { p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()).replace(time, "TIME"),
             QString::fromUtf8(p.readAllStandardError()) };
}

// kelvaro-cli on `args`, where "DIR" stands for `dir`.
Result cli(const QString &dir, QStringList args, const Setting &setting = {})
{
    args.replaceInStrings(QStringLiteral("DIR"), dir);
    return run(QStringList { KELVARO_CLI } + args, setting);
}

// Runs a shell script with $CLI set, for paths that are bytes rather than text: QProcess hands
// its arguments over as UTF-8, so a byte 0xFF is written as printf '\377' there.
Result shell(const QString &script)
{
    return run({ "sh", "-c", "CLI=" KELVARO_CLI "; " + script });
}

const QStringList Jpgs { "DIR", "-t", "*.jpg" };
QStringList command(const char *name, const QStringList &more = {})
{
    return QStringList { name } + Jpgs + more;
}
const QStringList RenameP = command("rename", { "-p", "p", "-s", "1" });
const QStringList RenameQ = command("rename", { "-p", "q", "-s", "1" });

// `lines` as a dry run prints them: each begun "would <verb> ".
QString would(const QString &verb, const QString &lines)
{
    QString out;
    for (const QString &line : lines.split(u'\n', Qt::SkipEmptyParts))
        out += "would " + verb + " " + line + "\n";
    return out;
}

// One command of the contract, in a folder of a.jpg, b.jpg, "c<TAB>z<ESC>.jpg" and x.txt.
struct Case
{
    QList<QStringList> before = {}; // commands run first, each must succeed
    Files change = {}; // then files written (or, with null contents, deleted)
    QStringList args = {};
    Setting setting = {};
    QString mode = {}; // the folder's mode during the command: "read-only", "no search"
    int status = 0;
    QString out = {};
    QString err = {}; // its beginning
    QStringList after = {}; // the folder's names afterwards; empty: every name and byte as before
};

} // namespace

Q_DECLARE_METATYPE(Case)

class TestCli : public QObject
{
    Q_OBJECT

private slots:
    void contract_data()
    {
        QTest::addColumn<Case>("c");
        const auto add = [](const char *tag, const Case &c) { QTest::newRow(tag) << c; };
        const QString esc = "c\\tz\\x1b.jpg"; // the file "c<TAB>z<ESC>.jpg" as printed
        const QString plan = "a.jpg → p0001.jpg\nb.jpg → p0002.jpg\n" + esc + " → p0003.jpg\n";
        const QString qToP
            = "q0001.jpg → p0001.jpg\nq0002.jpg → p0002.jpg\nq0003.jpg → p0003.jpg\n";
        const QString pToA = "p0001.jpg → a.jpg\np0002.jpg → b.jpg\np0003.jpg → " + esc + "\n";
        const QStringList original { "a.jpg", "b.jpg", "c\tz\x1b.jpg", "x.txt" };
        const QStringList renamed { "VOXAjpg0.log", "VOXAjpg1.log", "p0001.jpg",
                                    "p0002.jpg",    "p0003.jpg",    "x.txt" };
        const QStringList strayA { "VOXAjpg0.log", "VOXAjpg1.log", "a.jpg", "p0001.jpg",
                                   "p0002.jpg",    "p0003.jpg",    "x.txt" };
        const QString cli = "kelvaro-cli: ", io = " (Input/output error)";
        const QString seeHelp = "\n" + cli + msg::CliSeeHelp + "\n";
        const QString notWritable = cli + msg::CliFolderNotWritable + "DIR (Permission denied)\n";
        const QList<QStringList> p { RenameP }, pq { RenameP, RenameQ };
        const QStringList dryRun = RenameP + QStringList { "-n" }, restore = command("restore"),
                          all = command("restore", { "--all" });
        const Files stray { { "a.jpg", "stray" } };
        const Setting closed { .closedReader = true };
        // clang-format off

        // rename
        add("rename", { .args = RenameP, .out = plan, .after = renamed });
        add("rename --dry-run", { .args = RenameP + QStringList { "--dry-run" },
                                  .out = would("rename", plan) });
        add("rename --quiet", { .args = RenameP + QStringList { "-q" }, .after = renamed });
        add("rename *.*", { .args = { "rename", "DIR", "-t", "*.*", "-p", "p", "-s", "1" },
                            .status = 1, .err = cli + msg::ChooseExtension + "\n" });
        add("rename, start number too high",
            { .args = command("rename", { "-p", "p", "-s", "9997" }), .status = 1,
              .err = cli + msg::NumberNotAllowed + "\n" });
        add("rename, a new name outside the folder",
            { .args = command("rename", { "-p", "../", "-s", "1" }), .status = 1,
              .err = cli + msg::RenameBadName + "../0001.jpg\n" });
        add("rename, answered no", { .args = RenameP + QStringList { "-i" },
            .setting = { .input = "n\n" }, .status = 5, .err = cli + "a.jpg → p0001.jpg\n" });
        add("rename fails, rolled back", { .args = RenameP, .setting = { .failRenames = "3" },
            .status = 3, .err = cli + msg::RenameFailedRolledBack + "a.jpg → p0001.jpg" + io });
        add("rename fails, not rolled back", { .args = RenameP, .setting = { .failRenames = "4+" },
            .status = 4, .err = cli + msg::RenameFailed + "b.jpg → p0002.jpg" + io,
            .after = { "VOXAjpg0.log", "VOXAjpg1.log", "b.jpg", "c\tz\x1b.jpg", "p0001.jpg",
                       "x.txt" } });
        add("rename, read-only folder", { .args = RenameP, .mode = "read-only", .status = 1,
                                          .err = notWritable });
        add("rename --dry-run, read-only folder", { .args = dryRun, .mode = "read-only",
                                                    .status = 1, .err = notWritable });
        add("rename, folder without search permission", { .args = RenameP, .mode = "no search",
                                                          .status = 1, .err = notWritable });
        add("rename, reader gone", { .args = RenameP, .setting = closed, .status = 8,
                                     .err = cli + msg::CliOutputFailed, .after = renamed });
        add("rename --dry-run, reader gone", { .args = dryRun, .setting = closed, .status = 8,
                                               .err = cli + msg::CliOutputFailed });

        // restore
        add("restore one rename of two", { .before = pq, .args = restore, .out = qToP,
                                           .after = renamed });
        add("restore --steps 2", { .before = pq, .args = command("restore", { "--steps", "2" }),
                                   .out = qToP + pToA, .after = original });
        add("restore --all --dry-run", { .before = pq, .args = all + QStringList { "--dry-run" },
                                         .out = would("restore", qToP + pToA) });
        add("restore without history", { .args = restore, .status = 1,
                                         .err = cli + msg::NoHistory + "\n" });
        add("restore fails, rolled back", { .before = p, .args = restore,
            .setting = { .failRenames = "2" }, .status = 3,
            .err = cli + msg::RestoreFailedRolledBack + "p0002.jpg" + io });
        add("restore fails, not rolled back", { .before = p, .args = restore,
            .setting = { .failRenames = "2+" }, .status = 4,
            .err = cli + msg::RestoreFailed + "p0002.jpg" + io,
            .after = { "VOXAjpg0.log", "VOXAjpg1.log", "a.jpg", "p0002.jpg", "p0003.jpg",
                       "x.txt" } });
        // Step 2 undone, then step 1 refused or put back: only step 2's renames are printed.
        add("partial restore, refused", { .before = pq, .change = stray, .args = all, .status = 7,
            .out = qToP, .err = cli + msg::RestoreNameTaken + "a.jpg\n", .after = strayA });
        add("partial restore --dry-run", { .before = pq, .change = stray,
            .args = all + QStringList { "-n" }, .status = 7, .out = would("restore", qToP),
            .err = cli + msg::RestoreNameTaken + "a.jpg\n" });
        add("partial restore, rolled back", { .before = pq, .args = all,
            .setting = { .failRenames = "5" }, .status = 7, .out = qToP,
            .err = cli + msg::RestoreFailedRolledBack + "p0002.jpg" + io, .after = renamed });
        add("restore, read-only folder", { .before = p, .args = restore, .mode = "read-only",
                                           .status = 1, .err = notWritable });
        add("restore, reader gone", { .before = p, .args = restore, .setting = closed,
            .status = 8, .err = cli + msg::CliOutputFailed, .after = original });

        // history and delete-history
        add("history", { .before = p, .args = command("history"),
            .out = "1\tTIME\t3\ta.jpg → p0001.jpg\t" + esc + " → p0003.jpg\n" });
        add("history, folder without search permission", { .before = p,
            .args = command("history"), .mode = "no search", .status = 1,
            .err = cli + msg::CliFolderNotReadable + "DIR (Permission denied)\n" });
        add("delete-history", { .before = p, .args = command("delete-history"),
            .out = "VOXAjpg0.log\nVOXAjpg1.log\n", .after = renamed.mid(2) });
        add("delete-history --dry-run", { .before = p, .args = command("delete-history", { "-n" }),
            .out = would("delete", "VOXAjpg0.log\nVOXAjpg1.log\n") });
        add("delete-history, read-only folder", { .before = p, .args = command("delete-history"),
            .mode = "read-only", .status = 1, .err = notWritable });
        add("delete-history --dry-run, reader gone", { .before = p,
            .args = command("delete-history", { "-n" }), .setting = closed, .status = 8,
            .err = cli + msg::CliOutputFailed });

        // Messages in English under any other locale.
        add("English: restore without history", { .args = restore, .setting = { .lang = "C.UTF-8" },
            .status = 1, .err = cli + "no recorded renames: nothing to restore\n" });
        add("English: partial restore", { .before = pq, .change = stray, .args = all,
            .setting = { .lang = "en_US.UTF-8" }, .status = 7, .out = qToP,
            .err = cli + "name already taken, nothing restored: a.jpg\n",
            .after = strayA });

        // The command line itself.
        add("no file type", { .args = { "history", "DIR" }, .status = 2,
                              .err = cli + msg::cliUsageMissing("--type") + seeHelp });
        add("--steps with --all", { .args = command("restore", { "--steps", "1", "--all" }),
            .status = 2, .err = cli + msg::CliUsageStepsAndAll + seeHelp });
        add("history --dry-run", { .args = command("history", { "-n" }), .status = 2,
            .err = cli + msg::cliUsageNotFor("--dry-run", "rename, restore, delete-history") });
        add("--pairs for a restore", { .args = command("restore", { "--pairs" }), .status = 2,
            .err = cli + msg::cliUsageNotFor("--pairs", "rename") + seeHelp });
        // clang-format on
    }
    void contract()
    {
        QFETCH(Case, c);
        QTemporaryDir dir;
        for (const char *name : { "a.jpg", "b.jpg", "c\tz\x1b.jpg", "x.txt" })
            touch(dir.path(), name, name);
        for (const QStringList &command : c.before)
            QCOMPARE(cli(dir.path(), command).status, 0);
        for (auto it = c.change.cbegin(); it != c.change.cend(); ++it)
            touch(dir.path(), it.key().toUtf8(), *it);
        const Files start = filesOf(dir.path());

        const QByteArray path = QFile::encodeName(dir.path());
        // Root passes every mode: the command then runs as another user, for whom the folder's
        // parent must be open.
        Setting setting = c.setting;
        setting.otherUser = !c.mode.isEmpty();
        if (setting.otherUser)
            ::chmod(QFile::encodeName(QFileInfo(dir.path()).path()), 0755);
        ::chmod(path, c.mode == "read-only" ? 0555 : c.mode == "no search" ? 0666 : 0755);
        const Result r = cli(dir.path(), c.args, setting);
        ::chmod(path, 0700);

        QCOMPARE(r.out, c.out);
        QVERIFY2(r.err.startsWith(QString(c.err).replace("DIR", dir.path())), qPrintable(r.err));
        QCOMPARE(r.status, c.status);
        QVERIFY(!r.out.contains(u'\x1b') && !r.err.contains(u'\x1b'));
        if (c.after.isEmpty())
            QCOMPARE(filesOf(dir.path()), start);
        else
            QCOMPARE(filesOf(dir.path()).keys(), c.after);
    }

    // A folder named with the byte 0xFF beside the folder named "\uFFFD", which is what the
    // byte's usual decoding spells: a command on one changes that one only, whether the path is
    // given whole, relative to the current folder, or as "." from inside it.
    void pathBytes_data()
    {
        // Run in the parent of both folders: $FF is the byte 0xFF, $TWIN the text "\uFFFD".
        QTest::addColumn<QString>("script");
        QTest::addColumn<bool>("twin"); // the command is for the "\uFFFD" folder
        QTest::addColumn<QString>("out");
        const QString rename = " -t '*.jpg' -p x -s 1";
        const QString ab = "a.jpg → x0001.jpg\nb.jpg → x0002.jpg\n";
        QTest::newRow("absolute") << "$CLI rename \"$PWD/$FF\"" + rename << false << ab;
        QTest::newRow("relative") << "$CLI rename \"$FF\"" + rename << false << ab;
        QTest::newRow("current folder") << "cd \"$FF\" && $CLI rename ." + rename << false << ab;
        // The dates are read from the folder's own files: in the twin they run the other way.
        QTest::newRow("absolute, by date modified") << "$CLI rename \"$PWD/$FF\" -o modified"
                + rename << false << "b.jpg → x0001.jpg\na.jpg → x0002.jpg\n";
        QTest::newRow("twin, absolute") << "$CLI rename \"$PWD/$TWIN\"" + rename << true << ab;
        QTest::newRow("twin, current folder")
            << "cd \"$TWIN\" && $CLI rename ." + rename << true << ab;
    }
    void pathBytes()
    {
        QFETCH(QString, script);
        QFETCH(bool, twin);
        QFETCH(QString, out);
        QTemporaryDir dir;
        const QString in = "cd '" + dir.path()
            + "' && FF=$(printf '\\377') && TWIN=$(printf '\\357\\277\\275') && ";
        // A file whose name is not UTF-8 (c0xFE.jpg) is left out and counted.
        const Result r
            = shell(in
                    + "mkdir \"$FF\" \"$TWIN\" && touch \"$FF/$(printf 'c\\376.jpg')\" && "
                      "touch -d @2000000000 \"$FF/a.jpg\" \"$TWIN/b.jpg\" && "
                      "touch -d @1000000000 \"$FF/b.jpg\" \"$TWIN/a.jpg\" && "
                    + script);
        // Both folders' names, in byte order; QTemporaryDir cannot remove names that are not UTF-8.
        const QString names
            = shell(in + "LC_ALL=C ls \"$FF\"; echo /; LC_ALL=C ls \"$TWIN\"; rm -r \"$FF\"").out;

        QCOMPARE(r.status, 0);
        QCOMPARE(r.out, out);
        QCOMPARE(r.err, twin ? QString() : "kelvaro-cli: " + msg::notUtf8LeftOut(1) + "\n");
        const QString logs = "VOXAjpg0.log\nVOXAjpg1.log\n", bad = QStringLiteral("c\uFFFD.jpg\n"),
                      x = "x0001.jpg\nx0002.jpg\n", ab = "a.jpg\nb.jpg\n";
        QCOMPARE(names, twin ? ab + bad + "/\n" + logs + x : logs + bad + x + "/\n" + ab);
    }

    // Names are written to disk as UTF-8: a file type or prefix whose bytes are not would be
    // written as another name, and is refused as bad usage.
    void argumentNotUtf8()
    {
        QTemporaryDir dir;
        const Result r
            = shell("cd '" + dir.path() + "' && $CLI history . -t \"*.$(printf '\\377')\"");
        QCOMPARE(r.status, 2);
        QVERIFY2(r.err.startsWith("kelvaro-cli: " + msg::cliUsageNotUtf8("--type")),
                 qPrintable(r.err));
    }

    // A batch holds at most 9,999 files: exactly that many go (checked by a dry run, which
    // makes every check of a real one), one more is refused.
    void fileLimit_data()
    {
        QTest::addColumn<int>("files");
        QTest::addColumn<int>("status");
        QTest::newRow("9,999") << 9999 << 0;
        QTest::newRow("10,000") << 10000 << 1;
    }
    void fileLimit()
    {
        QFETCH(int, files);
        QFETCH(int, status);
        QTemporaryDir dir;
        touchMany(dir.path(), files, "f", "jpg");
        // Start number 0: numbers 0 to 9998.
        const Result r = cli(dir.path(), command("rename", { "-p", "p", "-s", "0", "-n", "-q" }));
        QCOMPARE(r.status, status);
        QCOMPARE(r.err, status ? "kelvaro-cli: " + msg::tooManyFiles(9999) + "\n" : QString());
    }

    // A batch cut off after every file reached its temporary name lists no file of the type:
    // the next rename says the run was interrupted and how to finish it, not that there are no
    // files, and the restore gives every file back its name. (p0001.jpg is a new name as well
    // as an old one: the batch goes in two passes.)
    void interruptedRun()
    {
        QTemporaryDir dir;
        for (const char *name : { "a.jpg", "b.jpg", "p0001.jpg" })
            touch(dir.path(), name, name);
        const Files before = filesOf(dir.path());
        // Renames 1 and 2 write the history, 3 to 5 move the files away; the 6th is not made.
        run({ "strace", "-qq", "-o", "/dev/null", "-e", "trace=renameat2", "-e",
              "inject=renameat2:signal=KILL:when=6", KELVARO_CLI, "rename", dir.path(), "-t",
              "*.jpg", "-p", "p", "-s", "1" });
        QCOMPARE(QDir(dir.path()).entryList({ "*.zyx" }).size(), 3);
        const Result again = cli(dir.path(), RenameQ);
        QCOMPARE(again.status, 1);
        QCOMPARE(again.err, "kelvaro-cli: " + msg::CliInterruptedHint + "\n");
        QCOMPARE(cli(dir.path(), command("restore")).status, 0);
        QCOMPARE(filesOf(dir.path()), before);
    }

    // --order and --pairs: the plan in numbering order, files of one group on one number, the
    // start-number rule counting groups, and the batch undone byte for byte. (The name order:
    // the contract's rows; --order modified: pathBytes.)
    void numbering_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");
        const QString seeHelp = "\nkelvaro-cli: " + msg::CliSeeHelp + "\n";
        // clang-format off
        QTest::newRow("natural with pairs")
            << QStringList { "-t", "*.jpg;*.xmp", "--order", "natural", "--pairs", "-s", "1" } << 0
            << "photo1.jpg → n0001.jpg\nphoto2.jpg → n0002.jpg\nphoto2.xmp → n0002.xmp\n"
               "photo10.jpg → n0003.jpg\nphoto10.xmp → n0003.xmp\n" << "";
        QTest::newRow("pairs: the start number counts groups")
            << QStringList { "-t", "*.jpg;*.xmp", "--pairs", "-s", "9996" } << 0
            << "photo1.jpg → n9996.jpg\nphoto10.jpg → n9997.jpg\nphoto10.xmp → n9997.xmp\n"
               "photo2.jpg → n9998.jpg\nphoto2.xmp → n9998.xmp\n" << "";
        QTest::newRow("pairs: one number too many")
            << QStringList { "-t", "*.jpg;*.xmp", "--pairs", "-s", "9997" } << 1 << ""
            << "kelvaro-cli: " + msg::NumberNotAllowed + "\n";
        QTest::newRow("unknown order")
            << QStringList { "-t", "*.jpg", "--order", "size", "-s", "1" } << 2
            << "" << "kelvaro-cli: " + msg::cliUsageBadOrder("size") + seeHelp;
        // clang-format on
    }
    void numbering()
    {
        QFETCH(QStringList, options);
        QFETCH(int, status);
        QFETCH(QString, out);
        QFETCH(QString, err);
        QTemporaryDir dir;
        for (const char *name :
             { "photo2.jpg", "photo1.jpg", "photo10.jpg", "photo10.xmp", "photo2.xmp" })
            touch(dir.path(), name, name);
        const Files before = filesOf(dir.path());
        const QStringList args = QStringList { "rename", "DIR", "-p", "n" } + options;
        const Result planned = cli(dir.path(), args + QStringList { "--dry-run" });
        QCOMPARE(planned.out, would("rename", out));
        QCOMPARE(planned.err, err);
        QCOMPARE(planned.status, status);
        QCOMPARE(filesOf(dir.path()), before);
        if (status != 0)
            return;
        // Done as planned, and undone.
        const Result renamed = cli(dir.path(), args);
        QCOMPARE(renamed.out, out);
        QCOMPARE(renamed.status, 0);
        const QString type = options.value(options.indexOf("-t") + 1);
        QCOMPARE(cli(dir.path(), { "restore", "DIR", "-t", type }).status, 0);
        QCOMPARE(filesOf(dir.path()), before);
    }

    // One folder, one batch: renamed in one program and restored in the other leaves every
    // name and every byte as it was.
    void roundTrip_data()
    {
        QTest::addColumn<bool>("windowRenames");
        QTest::newRow("window renames, command line restores") << true;
        QTest::newRow("command line renames, window restores") << false;
    }
    void roundTrip()
    {
        QFETCH(bool, windowRenames);
        QTemporaryDir dir;
        for (const char *name : { "b.jpg", "a.jpg", "写真 1.jpg" })
            touch(dir.path(), name, name);
        const Files before = filesOf(dir.path());
        ShownWindow w;
        w.boxes.fallback = true;
        w.open(dir.path());
        if (windowRenames) {
            w.preview("trip", "1");
            w->Command1_Click();
        } else {
            QCOMPARE(cli(dir.path(), command("rename", { "-p", "trip", "-s", "1" })).status, 0);
        }
        QCOMPARE(filesOf(dir.path()).keys(),
                 QStringList({ "VOXAjpg0.log", "VOXAjpg1.log", "trip0001.jpg", "trip0002.jpg",
                               "trip0003.jpg" }));
        if (windowRenames)
            QCOMPARE(cli(dir.path(), command("restore")).status, 0);
        else
            w->nmuUndo_Click();
        QCOMPARE(filesOf(dir.path()), before);
    }
};

QTEST_MAIN(TestCli)
#include "tst_cli.moc"
