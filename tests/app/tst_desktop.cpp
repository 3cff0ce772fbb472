// The program as a desktop citizen: one copy at a time, its command line, folders given from
// outside, and Qt's own texts in Japanese. (Enter on the rename button: tst_batch_rename_window;
// the hint after an interrupted rename: tst_restore_window; the real program on a desktop with
// a window manager: tests/desktop.)
#include "window_fixture.h"

#include "single_instance.h"
#include "translation.h"

#include <QLocalSocket>
#include <QMessageBox>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>

#include <sys/stat.h>
#include <unistd.h>

// Makes `folder` (mode 0700) belong to another user, as one who made it first would; where the
// tests do not run as root, a folder open to others stands in, which fails the check as well.
static void takeByAnotherUser(const QString &folder)
{
    QVERIFY(QDir().mkpath(folder));
    const QByteArray path = QFile::encodeName(folder);
    if (::geteuid() == 0)
        QVERIFY(::chown(path.constData(), 65534, 65534) == 0);
    else
        QVERIFY(::chmod(path.constData(), 0755) == 0);
}

// Whether the process holds a whole-file lock (flock), as the running copy of the program does.
static bool holdsLock(qint64 pid)
{
    QFile locks("/proc/locks");
    if (!locks.open(QIODevice::ReadOnly))
        return false;
    for (const QByteArray &line : locks.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() > 4 && fields[1] == "FLOCK" && fields[4].toLongLong() == pid)
            return true;
    }
    return false;
}

class TestDesktop : public QObject
{
    Q_OBJECT

private slots:
    // Real copies of the program: a second one ends at once while the first runs, and neither a
    // copy that crashed nor whatever its runtime folder holds stops the next start.
    void singleInstance_data()
    {
        QTest::addColumn<QString>("state");
        // A lock file left behind, whatever it holds (the lock is the file's, not its text).
        QTest::newRow("garbage lock file") << "garbage";
        // The runtime folder cannot hold the lock file (one made there would do as well).
        QTest::newRow("lock file cannot be made") << "blocked";
        // Another user made the runtime folder and the temporary folder's "kelvaro-<uid>"
        // first: the lock goes to the user's cache folder, and still only one copy runs.
        QTest::newRow("runtime and temporary folders made by another user") << "taken";
    }
    void singleInstance()
    {
        QFETCH(QString, state);
        QTemporaryDir work;
        const QString runtime = work.filePath("runtime");
        QVERIFY(QDir().mkpath(work.filePath("tmp")) && QDir().mkpath(runtime));
        QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        if (state == "garbage")
            touch(runtime, "kelvaro.lock",
                  QByteArrayLiteral("\xff\x00 4711\nnot a lock\n")); // a NUL inside
        else if (state == "blocked")
            QVERIFY(QDir().mkpath(runtime + "/kelvaro.lock"));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_RUNTIME_DIR", runtime);
        env.insert("TMPDIR", work.filePath("tmp"));
        if (state == "taken") {
            env.remove("XDG_RUNTIME_DIR");
            env.remove("XDG_CACHE_HOME");
            env.insert("HOME", work.filePath("home"));
            const QString user = qEnvironmentVariable("USER", "root");
            for (const QString &name :
                 { "runtime-" + user, QStringLiteral("kelvaro-%1").arg(::geteuid()) })
                takeByAnotherUser(work.filePath("tmp/" + name));
        }
        const auto start = [&] {
            auto p = std::make_unique<QProcess>();
            p->setProcessEnvironment(env);
            p->setWorkingDirectory(work.path());
            p->start(KELVARO_EXE, {});
            p->waitForStarted();
            return p;
        };
        auto first = start();
        QTRY_VERIFY_WITH_TIMEOUT(holdsLock(first->processId()), 60000);
        if (state == "taken")
            QVERIFY(QFile::exists(work.filePath("home/.cache/kelvaro/kelvaro.lock")));
        auto second = start();
        QVERIFY(second->waitForFinished(60000));
        QCOMPARE(second->exitCode(), 0);
        QCOMPARE(first->state(), QProcess::Running);
        first->kill(); // a crash: the lock file stays behind
        QVERIFY(first->waitForFinished());
        auto third = start();
        QTRY_VERIFY_WITH_TIMEOUT(holdsLock(third->processId()), 60000);
        third->kill();
        third->waitForFinished();
    }

    // The program's own command line: help and version answer without a display (the platform
    // forced to X with no display to reach: making the window would abort) and name the program
    // "kelvaro" whatever path started it; anything but one folder is refused with the usage.
    void commandLine_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("out"); // its beginning
        QTest::addColumn<QString>("err"); // its beginning
        const QString usage = msg::ProgramUsage + "\n";
        QTest::newRow("--help") << QStringList { "--help" } << 0 << usage << "";
        QTest::newRow("-h after a folder") << QStringList { "/tmp", "-h" } << 0 << usage << "";
        QTest::newRow("--version")
            << QStringList { "--version" } << 0 << "kelvaro " KELVARO_VERSION "\n"
            << "";
        QTest::newRow("two folders") << QStringList { "/tmp", "/" } << 2 << ""
                                     << "kelvaro: " + msg::ProgramOneFolder + "\n" + usage;
        QTest::newRow("unknown option")
            << QStringList { "--frobnicate" } << 2 << ""
            << "kelvaro: " + msg::ProgramUnknownOption + "--frobnicate\n" + usage;
    }
    void commandLine()
    {
        QFETCH(QStringList, args);
        QFETCH(int, status);
        QFETCH(QString, out);
        QFETCH(QString, err);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("DISPLAY");
        env.remove("WAYLAND_DISPLAY");
        env.insert("QT_QPA_PLATFORM", status == 0 ? "xcb" : "offscreen");
        env.insert("ASAN_OPTIONS", "detect_leaks=0");
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(KELVARO_EXE, args);
        QVERIFY(p.waitForFinished(60000));
        const QString stdOut = QString::fromUtf8(p.readAllStandardOutput());
        const QString stdErr = QString::fromUtf8(p.readAllStandardError());
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), status);
        QVERIFY2(stdOut.left(out.size()) == out, qPrintable(stdOut));
        QVERIFY2(stdErr.contains(err), qPrintable(stdErr));
        QVERIFY(!stdOut.contains(KELVARO_EXE));
    }

    // The lock is held only in a folder of the user's own that nobody else may enter; one that
    // fails the check is passed over, and holds no lock file afterwards.
    void lockFolderIsPrivate_data()
    {
        QTest::addColumn<QString>("first"); // how the first folder is made
        QTest::newRow("another user's folder") << "other";
        QTest::newRow("open to others") << "open";
        QTest::newRow("a link to a private folder") << "link";
        QTest::newRow("private") << "private";
    }
    void lockFolderIsPrivate()
    {
        QFETCH(QString, first);
        QTemporaryDir work;
        const QString candidate = work.filePath("first"), open = work.filePath("open");
        const bool isPrivate = first == "private";
        const auto made = [](const QString &folder, mode_t mode) {
            return QDir().mkdir(folder) && ::chmod(QFile::encodeName(folder), mode) == 0;
        };
        if (first == "other")
            takeByAnotherUser(candidate);
        else if (first == "open")
            QVERIFY(made(candidate, 0705));
        else if (first == "link")
            QVERIFY(QDir().mkdir(work.filePath("private"))
                    && QFile::link(work.filePath("private"), candidate));
        SingleInstance instance({ candidate, work.filePath("second") });
        QVERIFY(instance.claim());
        QCOMPARE(instance.lockFolder(), isPrivate ? candidate : work.filePath("second"));
        QCOMPARE(QFile::exists(candidate + "/kelvaro.lock"), isPrivate);
        // No folder passes: the program runs, holding no lock.
        QVERIFY(!isPrivate || made(open, 0710));
        SingleInstance unprotected({ isPrivate ? open : candidate });
        QVERIFY(unprotected.claim());
        QCOMPARE(unprotected.lockFolder(), QString());
    }

    // A message cut off, or announcing more than a path, hands nothing over; the next whole
    // one arrives as sent, a line break and a byte that is not UTF-8 included. (Such paths
    // handed over to the real program: tests/desktop.)
    void handOverKeepsTheBytes()
    {
        QTemporaryDir work;
        const QString folder = work.filePath("lock");
        SingleInstance running({ folder });
        QVERIFY(running.claim());
        QList<QByteArray> received;
        connect(&running, &SingleInstance::handedOver, this,
                [&](const QByteArray &path) { received << path; });
        for (const QByteArray &message :
             { QByteArray("\0\0\0\x0a/tmp", 8), QByteArray("\0\x10\0\0/tmp", 8) }) {
            QLocalSocket peer;
            peer.connectToServer(folder + "/kelvaro.socket");
            QVERIFY(peer.waitForConnected());
            peer.write(message);
            QVERIFY(peer.waitForBytesWritten());
            peer.disconnectFromServer();
        }
        SingleInstance later({ folder });
        QVERIFY(!later.claim());
        QVERIFY(later.handOver("/tmp/写真\nevil\xff"));
        QTRY_COMPARE(received, QList<QByteArray> { "/tmp/写真\nevil\xff" });
        QTest::qWait(200); // nothing else comes in late
        QCOMPARE(received.size(), 1);
    }

    // A folder given from outside (dropped on the window, handed over by a later start, or the
    // program's argument) is opened and listed with the file type in the box, as if chosen in
    // the folder list; a file opens the folder holding it, and the folder already shown is
    // listed again. One that comes while a run goes on is kept and opened when the run has
    // ended. A drop is never taken as a move: the source would delete what it moved. A dropped
    // path's bytes arrive as they are: one that is not UTF-8 (its text would name the folder
    // "\uFFFD" beside it) is refused with a message. (Handed over during a box, outside ASCII
    // or not UTF-8, and the argument: tests/desktop.)
    void folderFromOutside_data()
    {
        QTest::addColumn<QString>("way"); // drop, hand-over, start
        QTest::addColumn<QByteArray>("given");
        // "", "run"; "shown": the folder is shown; "not asked": the program starts on the
        // folder by itself (a plain start lists nothing).
        QTest::addColumn<QString>("during");
        // clang-format off
        QTest::newRow("drop a file") << "drop" << QByteArray("photos/a.jpg") << "";
        QTest::newRow("drop a name that is not UTF-8") << "drop" << QByteArray("\xff") << "";
        QTest::newRow("hand over during a run") << "hand-over" << QByteArray("photos/a.jpg")
                                                << "run";
        QTest::newRow("hand over the folder shown") << "hand-over" << QByteArray("photos")
                                                    << "shown";
        QTest::newRow("start on a folder not asked for") << "start" << QByteArray("photos")
                                                         << "not asked";
        // clang-format on
    }
    void folderFromOutside()
    {
        QFETCH(QString, way);
        QFETCH(QByteArray, given);
        QFETCH(QString, during);
        QTemporaryDir dir;
        const QByteArray base = QFile::encodeName(dir.path()) + '/';
        for (const QByteArray name : { "photos", "\xff", "\xef\xbf\xbd" })
            QVERIFY(::mkdir(base + name, 0755) == 0);
        const QString photos = dir.filePath("photos");
        for (const char *name : { "a.jpg", "b.jpg", "c.txt" })
            touch(photos, name);
        touch(dir.path(), "x.jpg");
        ShownWindow w(0, {}, way == "start" ? photos : QString(), false);
        if (way != "start")
            w.open(during == "shown" ? photos : dir.path());
        QStringList listed { "a.jpg", "b.jpg" };
        if (during == "shown") {
            touch(photos, "d.jpg");
            listed << "d.jpg";
        }
        if (during == "run") {
            const frmVOXA_R_1::Running run(w.window.get());
            w->goToFolder(base + given);
            QCoreApplication::processEvents();
            QCOMPARE(w->Dir1->path(), dir.path()); // not opened too soon
        } else if (way == "hand-over") {
            w->goToFolder(base + given);
        } else if (way == "drop") {
            QMimeData mime;
            // As file managers send it: the path's bytes, percent-encoded.
            mime.setData("text/uri-list",
                         "file://" + (base + given).toPercentEncoding("/") + "\r\n");
            const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
            QDragEnterEvent enter(QPoint(10, 10), actions, &mime, Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(w.window.get(), &enter);
            QDropEvent event(QPointF(10, 10), actions, &mime, Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(w.window.get(), &event);
            QVERIFY(event.isAccepted() && event.dropAction() != Qt::MoveAction);
        }
        QCoreApplication::processEvents();
        const bool refused = given == "\xff";
        QCOMPARE(w->Dir1->path(), refused ? dir.path() : photos);
        QCOMPARE(w.boxes.texts(),
                 refused ? QStringList { msg::FolderNameNotText + dir.path() + "/\\xff" }
                         : QStringList());
        if (during == "not asked") {
            listed.clear();
        } else if (refused) {
            listed = QStringList { "x.jpg" };
        } else {
            QCOMPARE(w->Combo1->currentText(), QStringLiteral("*.jpg"));
            QCOMPARE(QApplication::focusWidget(), w->Text1);
        }
        QCOMPARE(listEntries(w->List1), listed);
        ::rmdir(base + "\xff");
    }

    void qtTextsAreJapanese()
    {
        QVERIFY(installQtJapaneseTranslation(*qApp));
        QMessageBox box(QMessageBox::NoIcon, msg::AppTitle, msg::AskRename,
                        QMessageBox::Ok | QMessageBox::Cancel);
        QCOMPARE(box.button(QMessageBox::Cancel)->text(), QStringLiteral("キャンセル"));
    }
};

QTEST_MAIN(TestDesktop)
#include "tst_desktop.moc"
