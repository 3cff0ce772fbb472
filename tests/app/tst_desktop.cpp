// The program as a desktop citizen: one copy at a time, Qt's own texts in Japanese, and the hint
// after an interrupted rename. (Enter on the rename button: tst_batch_rename_window; the real
// program on a desktop with a window manager: tests/desktop.)
#include "window_fixture.h"

#include "batch_rename.h"
#include "translation.h"

#include <QMessageBox>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>

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
        QTest::newRow("fresh runtime folder") << "";
        QTest::newRow("empty lock file") << "empty";
        QTest::newRow("garbage lock file") << "garbage";
        QTest::newRow("lock file cannot be made") << "blocked";
        QTest::newRow("read-only runtime folder") << "read-only";
    }
    void singleInstance()
    {
        QFETCH(QString, state);
        QTemporaryDir work;
        const QString runtime = work.filePath("runtime");
        QVERIFY(QDir().mkpath(work.filePath("tmp")) && QDir().mkpath(runtime));
        QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QFile lock(runtime + "/kelvaro.lock");
        if (state == "empty" || state == "garbage") {
            QVERIFY(lock.open(QIODevice::WriteOnly));
            lock.write(state == "garbage" ? QByteArray("\xff\x00 4711\nnot a lock\n") : "");
            lock.close();
        } else if (state == "blocked") {
            QVERIFY(QDir().mkpath(lock.fileName()));
        } else if (state == "read-only") {
            QFile::setPermissions(runtime, QFile::ReadOwner | QFile::ExeOwner);
        }
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_RUNTIME_DIR", runtime);
        env.insert("TMPDIR", work.filePath("tmp"));
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
        QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    // A folder given from outside (dropped on the window, handed over by a later start, or the
    // program's argument) is opened and listed with the file type in the box, as if chosen in
    // the folder list; a file opens the folder holding it, and the folder already shown is
    // listed again. One that comes while a box is open or a run goes on is kept and opened when
    // that has ended. A drop is never taken as a move: the source would delete what it moved.
    void folderFromOutside_data()
    {
        QTest::addColumn<QString>("way"); // drop, hand-over, start
        QTest::addColumn<QString>("given");
        // "", "box", "run"; "shown": the folder is shown; "not asked": the program starts on
        // the folder by itself (a plain start lists nothing).
        QTest::addColumn<QString>("during");
        // clang-format off
        QTest::newRow("drop a folder") << "drop" << "photos" << "";
        QTest::newRow("drop a file") << "drop" << "photos/a.jpg" << "";
        QTest::newRow("drop while a box is open") << "drop" << "photos" << "box";
        QTest::newRow("drop a path that does not exist") << "drop" << "gone" << "";
        QTest::newRow("hand over a folder") << "hand-over" << "photos" << "";
        QTest::newRow("hand over while a box is open") << "hand-over" << "photos" << "box";
        QTest::newRow("hand over during a run") << "hand-over" << "photos/a.jpg" << "run";
        QTest::newRow("hand over the folder shown") << "hand-over" << "photos" << "shown";
        QTest::newRow("start on a folder") << "start" << "photos" << "";
        QTest::newRow("start on a folder not asked for") << "start" << "photos" << "not asked";
        // clang-format on
    }
    void folderFromOutside()
    {
        QFETCH(QString, way);
        QFETCH(QString, given);
        QFETCH(QString, during);
        QTemporaryDir dir;
        const QString photos = dir.filePath("photos");
        QVERIFY(QDir(dir.path()).mkdir("photos"));
        for (const char *name : { "a.jpg", "b.jpg", "c.txt" })
            touch(photos, name);
        touch(dir.path(), "x.jpg");
        ShownWindow w(0, way == "start" ? photos : QString(), during != "not asked");
        if (way != "start")
            w.open(during == "shown" ? photos : dir.path());
        QStringList listed { "a.jpg", "b.jpg" };
        if (during == "shown") {
            touch(photos, "d.jpg");
            listed << "d.jpg";
        }
        const auto give = [&] {
            if (way == "hand-over") {
                w->goToFolder(dir.filePath(given));
                return;
            }
            QMimeData mime;
            mime.setUrls({ QUrl::fromLocalFile(dir.filePath(given)) });
            const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
            QDragEnterEvent enter(QPoint(10, 10), actions, &mime, Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(w.window.get(), &enter);
            QDropEvent event(QPointF(10, 10), actions, &mime, Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(w.window.get(), &event);
            QVERIFY(event.isAccepted() && event.dropAction() != Qt::MoveAction);
        };
        QStringList boxes;
        bool openedTooSoon = false;
        const auto giveWhileBusy = [&] {
            give();
            QCoreApplication::processEvents();
            openedTooSoon = w->Dir1->path() != dir.path();
        };
        if (during == "box") {
            w.boxes.onShow = [&](const auto &) { giveWhileBusy(); };
            w->mnuVer_Click();
            w.boxes.onShow = nullptr;
            boxes << msg::VersionLine;
        } else if (during == "run") {
            const frmVOXA_R_1::Running run(w.window.get());
            giveWhileBusy();
        } else if (way != "start") {
            give();
        }
        QVERIFY(!openedTooSoon);
        QCoreApplication::processEvents();
        if (during == "not asked") {
            QCOMPARE(w->Dir1->path(), photos);
            listed.clear();
        } else if (given == "gone") {
            boxes << msg::FolderNotFound + dir.filePath(given);
            QCOMPARE(w->Dir1->path(), dir.path());
            listed = QStringList { "x.jpg" };
        } else {
            QCOMPARE(w->Dir1->path(), photos);
            QCOMPARE(w->Combo1->currentText(), QStringLiteral("*.jpg"));
            QCOMPARE(QApplication::focusWidget(), w->Text1);
        }
        QCOMPARE(listEntries(w->List1), listed);
        QCOMPARE(w.boxes.texts(), boxes);
    }

    void qtTextsAreJapanese()
    {
        QVERIFY(installQtJapaneseTranslation(*qApp));
        QMessageBox box(QMessageBox::NoIcon, msg::AppTitle, msg::AskRename,
                        QMessageBox::Ok | QMessageBox::Cancel);
        QCOMPARE(box.button(QMessageBox::Cancel)->text(), QStringLiteral("キャンセル"));
    }

    // A batch cut off by a power cut leaves temporary names behind; listing the folder and a
    // new rename both point the user to the restore instead of refusing without a word why.
    void interruptedRunIsPointedOut()
    {
        QTemporaryDir dir;
        const QStringList names { "a.jpg", "b.jpg", "c.jpg" };
        for (const QString &name : names)
            touch(dir.path(), name.toUtf8());
        const auto crashing = wrapFolder<FaultyFolder>(dir.path());
        crashing->stuckAfter = 4;
        crashing->crash = true;
        QVERIFY(
            !renaming::renameBatch(
                 *crashing, { names, { "x0001.jpg", "x0002.jpg", "x0003.jpg" }, "x", 1, "*.jpg" })
                 .ok());
        ShownWindow w;
        w.open(dir.path());
        w.preview("x", "1");
        w->Command1_Click();
        QCOMPARE(w.boxes.texts(), QStringList(2, msg::InterruptedHint));
    }
};

QTEST_MAIN(TestDesktop)
#include "tst_desktop.moc"
