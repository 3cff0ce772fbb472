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

    // A folder or a file dropped on the window opens its folder, as if chosen in the folder list;
    // never taken as a move (the source would delete what it moved), and not while a box is open.
    void dropOpensFolder_data()
    {
        QTest::addColumn<QString>("dropped");
        QTest::addColumn<bool>("duringBox");
        QTest::addColumn<bool>("moves");
        QTest::newRow("folder") << "photos" << false << true;
        QTest::newRow("file") << "photos/a.jpg" << false << true;
        QTest::newRow("while a box is open") << "photos" << true << false;
        QTest::newRow("path that does not exist") << "gone" << false << false;
    }
    void dropOpensFolder()
    {
        QFETCH(QString, dropped);
        QFETCH(bool, duringBox);
        QFETCH(bool, moves);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("photos"));
        touch(dir.filePath("photos"), "a.jpg");
        ShownWindow w;
        w.open(dir.path());
        QMimeData mime;
        mime.setUrls({ QUrl::fromLocalFile(dir.filePath(dropped)) });
        bool accepted = false;
        const auto drop = [&] {
            const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
            QDragEnterEvent enter(QPoint(10, 10), actions, &mime, Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(w.window.get(), &enter);
            QDropEvent event(QPointF(10, 10), actions, &mime, Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(w.window.get(), &event);
            accepted = event.isAccepted() && event.dropAction() != Qt::MoveAction;
        };
        QStringList boxes;
        if (duringBox) {
            w.boxes.onShow = [&](const auto &) { drop(); };
            w->mnuVer_Click();
            boxes << msg::VersionLine;
        } else {
            drop();
        }
        QCOMPARE(accepted, !duringBox);
        QCoreApplication::processEvents();
        QCOMPARE(w->Dir1->path(), moves ? dir.filePath("photos") : dir.path());
        if (dropped == "gone")
            boxes << msg::FolderNotFound + dir.filePath(dropped);
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
