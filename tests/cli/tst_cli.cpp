// kelvaro-cli as a script sees it: every exit status, the plan on standard output and the
// messages on standard error with control characters escaped, --dry-run and refusals changing
// nothing; and a batch renamed in the window undone from the command line, and the other way.
#include "sample_media.h"
#include "window_fixture.h"

#include <QProcess>

namespace {

struct Result
{
    int status = -1;
    QString out;
    QString err;
};

// Runs kelvaro-cli on `args` ("DIR" stands for `dir`). `failRenames`: strace makes the
// renameat2 calls it names (such as "3" or "4+") fail with EIO.
Result cli(const QString &dir, QStringList args, const QByteArray &input = {},
           const QString &failRenames = {})
{
    args.replaceInStrings(QStringLiteral("DIR"), dir);
    QStringList command { KELVARO_CLI };
    QProcess p;
    if (!failRenames.isEmpty()) {
        command = QStringList { "strace", "-qq",
                                "-o",     "/dev/null",
                                "-e",     "trace=renameat2",
                                "-e",     "inject=renameat2:error=EIO:when=" + failRenames }
            + command;
        // The leak check stops the process the way a tracer does, which it cannot be twice.
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("ASAN_OPTIONS", "detect_leaks=0");
        p.setProcessEnvironment(env);
    }
    const QString program = command.takeFirst();
    p.start(program, command + args);
    p.write(input);
    p.closeWriteChannel();
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit)
        return {};
    return { p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
             QString::fromUtf8(p.readAllStandardError()) };
}

const QStringList Jpgs { "DIR", "-t", "*.jpg" };

} // namespace

class TestCli : public QObject
{
    Q_OBJECT

private slots:
    void commands_data()
    {
        QTest::addColumn<QList<QStringList>>("before"); // commands run first
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QString>("failRenames");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err"); // its beginning
        // The folder's names afterwards; empty: every name and byte as before the command.
        QTest::addColumn<QStringList>("after");

        const QString esc = "c\\tz\\x1b.jpg"; // the file "c<TAB>z<ESC>.jpg" as printed
        const QString plan = "a.jpg → p0001.jpg\nb.jpg → p0002.jpg\n" + esc + " → p0003.jpg\n";
        const QStringList renamed { "VOXAjpg0.log", "VOXAjpg1.log", "p0001.jpg",
                                    "p0002.jpg",    "p0003.jpg",    "x.txt" };
        const QStringList renameP
            = QStringList { "rename" } + Jpgs + QStringList { "-p", "p", "-s", "1" };
        const QStringList renameQ
            = QStringList { "rename" } + Jpgs + QStringList { "-p", "q", "-s", "1" };
        const QString seeHelp = "\n" + msg::CliSeeHelp + "\n";

        QTest::newRow("rename") << QList<QStringList>() << renameP << QByteArray() << "" << 0
                                << plan << "" << renamed;
        QTest::newRow("rename --dry-run")
            << QList<QStringList>() << renameP + QStringList { "--dry-run" } << QByteArray() << ""
            << 0 << plan << "" << QStringList();
        QTest::newRow("rename *.*")
            << QList<QStringList>()
            << QStringList { "rename", "DIR", "-t", "*.*", "-p", "p", "-s", "1" } << QByteArray()
            << "" << 1 << "" << msg::ChooseExtension + "\n"
            << QStringList();
        QTest::newRow("rename, start number too high")
            << QList<QStringList>()
            << QStringList { "rename" } + Jpgs + QStringList { "-p", "p", "-s", "9997" }
            << QByteArray() << "" << 1 << "" << msg::NumberNotAllowed + "\n"
            << QStringList();
        QTest::newRow("rename, a new name outside the folder")
            << QList<QStringList>()
            << QStringList { "rename" } + Jpgs + QStringList { "-p", "../", "-s", "1" }
            << QByteArray() << "" << 1 << "" << msg::RenameBadName + "../0001.jpg\n"
            << QStringList();
        QTest::newRow("rename, answered no")
            << QList<QStringList>() << renameP + QStringList { "-i" } << QByteArray("n\n") << ""
            << 5 << plan << msg::AskRename + msg::CliYesNo << QStringList();
        QTest::newRow("rename fails, rolled back")
            << QList<QStringList>() << renameP << QByteArray() << "3" << 3 << plan
            << msg::RenameFailedRolledBack + "a.jpg → p0001.zyx (" << QStringList();
        QTest::newRow("rename fails, not rolled back")
            << QList<QStringList>() << renameP << QByteArray() << "4+" << 4 << plan
            << msg::RenameFailed + "b.jpg → p0002.zyx ("
            << QStringList { "VOXAjpg0.log", "VOXAjpg1.log", "b.jpg",
                             "c\tz\x1b.jpg", "p0001.zyx",    "x.txt" };
        QTest::newRow("restore one rename of two")
            << QList<QStringList> { renameP, renameQ } << QStringList { "restore" } + Jpgs
            << QByteArray() << "" << 0
            << "q0001.jpg → p0001.jpg\nq0002.jpg → p0002.jpg\nq0003.jpg → p0003.jpg\n"
            << "" << renamed;
        QTest::newRow("restore --steps 2")
            << QList<QStringList> { renameP, renameQ }
            << QStringList { "restore" } + Jpgs + QStringList { "--steps", "2" } << QByteArray()
            << "" << 0
            << "q0001.jpg → p0001.jpg\nq0002.jpg → p0002.jpg\nq0003.jpg → p0003.jpg\n"
               "p0001.jpg → a.jpg\np0002.jpg → b.jpg\np0003.jpg → "
                + esc + "\n"
            << "" << QStringList { "a.jpg", "b.jpg", "c\tz\x1b.jpg", "x.txt" };
        QTest::newRow("restore without history")
            << QList<QStringList>() << QStringList { "restore" } + Jpgs << QByteArray() << "" << 1
            << "" << msg::NoHistory + "\n"
            << QStringList();
        QTest::newRow("history") << QList<QStringList> { renameP }
                                 << QStringList { "history" } + Jpgs << QByteArray() << "" << 0
                                 << "1\t3\ta.jpg → p0001.jpg\t" + esc + " → p0003.jpg\n"
                                 << "" << renamed;
        QTest::newRow("delete-history")
            << QList<QStringList> { renameP } << QStringList { "delete-history" } + Jpgs
            << QByteArray() << "" << 0 << "VOXAjpg0.log\nVOXAjpg1.log\n"
            << "" << renamed.mid(2);
        QTest::newRow("no file type")
            << QList<QStringList>() << QStringList { "history", "DIR" } << QByteArray() << "" << 2
            << ""
            << "kelvaro-cli: " + msg::cliUsageMissing("--type") + seeHelp << QStringList();
        QTest::newRow("--pairs for a restore")
            << QList<QStringList>() << QStringList { "restore" } + Jpgs + QStringList { "--pairs" }
            << QByteArray() << "" << 2 << ""
            << "kelvaro-cli: " + msg::cliUsageNotFor("--pairs", "rename") + seeHelp
            << QStringList();
        QTest::newRow("--steps with --all")
            << QList<QStringList>()
            << QStringList { "restore" } + Jpgs + QStringList { "--steps", "1", "--all" }
            << QByteArray() << "" << 2 << ""
            << "kelvaro-cli: " + msg::CliUsageStepsAndAll + seeHelp << QStringList();
    }
    void commands()
    {
        QFETCH(QList<QStringList>, before);
        QFETCH(QStringList, args);
        QFETCH(QByteArray, input);
        QFETCH(QString, failRenames);
        QFETCH(int, status);
        QFETCH(QString, out);
        QFETCH(QString, err);
        QFETCH(QStringList, after);
        QTemporaryDir dir;
        for (const char *name : { "a.jpg", "b.jpg", "c\tz\x1b.jpg", "x.txt" })
            touch(dir.path(), name, name);
        for (const QStringList &command : before)
            QCOMPARE(cli(dir.path(), command).status, 0);
        const Files start = filesOf(dir.path());

        const Result r = cli(dir.path(), args, input, failRenames);
        QCOMPARE(r.out, out);
        QVERIFY2(r.err.left(err.size()) == err, qPrintable(r.err));
        QCOMPARE(r.status, status);
        QVERIFY(!r.out.contains(u'\x1b') && !r.err.contains(u'\x1b'));
        if (after.isEmpty())
            QCOMPARE(filesOf(dir.path()), start);
        else
            QCOMPARE(filesOf(dir.path()).keys(), after);
    }

    // --order and --pairs: the plan in numbering order, files of one group on one number, the
    // start-number rule counting groups, and the batch undone byte for byte.
    void numbering_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");
        const QString seeHelp = "\n" + msg::CliSeeHelp + "\n";
        // clang-format off
        QTest::newRow("name order as designed") << QStringList { "-t", "*.jpg" } << 0
            << "photo1.jpg → n0001.jpg\nphoto10.jpg → n0002.jpg\nphoto2.jpg → n0003.jpg\n" << "";
        QTest::newRow("natural") << QStringList { "-t", "*.jpg", "--order", "natural" } << 0
            << "photo1.jpg → n0001.jpg\nphoto2.jpg → n0002.jpg\nphoto10.jpg → n0003.jpg\n" << "";
        QTest::newRow("modified") << QStringList { "-t", "*.jpg", "-o", "modified" } << 0
            << "photo2.jpg → n0001.jpg\nphoto1.jpg → n0002.jpg\nphoto10.jpg → n0003.jpg\n" << "";
        QTest::newRow("natural with pairs")
            << QStringList { "-t", "*.jpg;*.xmp", "--order", "natural", "--pairs" } << 0
            << "photo1.jpg → n0001.jpg\nphoto2.jpg → n0002.jpg\nphoto2.xmp → n0002.xmp\n"
               "photo10.jpg → n0003.jpg\nphoto10.xmp → n0003.xmp\n" << "";
        QTest::newRow("pairs: the start number counts groups")
            << QStringList { "-t", "*.jpg;*.xmp", "--pairs", "-s", "9996" } << 0
            << "photo1.jpg → n9996.jpg\nphoto10.jpg → n9997.jpg\nphoto10.xmp → n9997.xmp\n"
               "photo2.jpg → n9998.jpg\nphoto2.xmp → n9998.xmp\n" << "";
        QTest::newRow("pairs: one number too many")
            << QStringList { "-t", "*.jpg;*.xmp", "--pairs", "-s", "9997" } << 1 << ""
            << msg::NumberNotAllowed + "\n";
        QTest::newRow("unknown order") << QStringList { "-t", "*.jpg", "--order", "size" } << 2
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
        int minute = 0;
        for (const char *name :
             { "photo2.jpg", "photo1.jpg", "photo10.jpg", "photo10.xmp", "photo2.xmp" }) {
            touch(dir.path(), name, name);
            sample::setModified(dir.filePath(name), 1800000000 + 60 * minute++);
        }
        const Files before = filesOf(dir.path());
        QStringList args { "rename", "DIR", "-p", "n" };
        if (!options.contains("-s"))
            args << "-s"
                 << "1";
        const Result planned = cli(dir.path(), args + options + QStringList { "--dry-run" });
        QCOMPARE(planned.out, out);
        QCOMPARE(planned.err, err);
        QCOMPARE(planned.status, status);
        QCOMPARE(filesOf(dir.path()), before);
        if (status != 0)
            return;
        // Done as planned, and undone.
        const Result renamed = cli(dir.path(), args + options);
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
            QCOMPARE(cli(dir.path(),
                         QStringList { "rename" } + Jpgs + QStringList { "-p", "trip", "-s", "1" })
                         .status,
                     0);
        }
        QCOMPARE(filesOf(dir.path()).keys(),
                 QStringList({ "VOXAjpg0.log", "VOXAjpg1.log", "trip0001.jpg", "trip0002.jpg",
                               "trip0003.jpg" }));
        if (windowRenames)
            QCOMPARE(cli(dir.path(), QStringList { "restore" } + Jpgs).status, 0);
        else
            w->nmuUndo_Click();
        QCOMPARE(filesOf(dir.path()), before);
    }
};

QTEST_MAIN(TestCli)
#include "tst_cli.moc"
