// The program as a desktop citizen: one copy at a time, Qt's own texts in Japanese, and the hint
// after an interrupted rename. (Enter on the rename button: tst_batch_rename_window; the real
// program on a desktop with a window manager: tests/desktop.)
#include "window_fixture.h"

#include "batch_rename.h"
#include "translation.h"

#include <QMessageBox>
#include <QProcess>
#include <QPushButton>

class TestDesktop : public QObject
{
    Q_OBJECT

private slots:
    // Two real copies of the program: the second ends at once, and a lock left by a copy that
    // died does not stop the next start.
    void singleInstance()
    {
        QTemporaryDir runtime; // the lock's folder
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
        const auto start = [] {
            auto p = std::make_unique<QProcess>();
            p->start(KELVARO_EXE, {});
            return p;
        };
        // The process id written in the lock file, or 0 while there is none.
        const auto lockHolder = [&] {
            QFile lock(runtime.filePath("kelvaro.lock"));
            return lock.open(QIODevice::ReadOnly) ? lock.readLine().trimmed().toLongLong() : 0;
        };
        auto first = start();
        QTRY_COMPARE_WITH_TIMEOUT(lockHolder(), first->processId(), 60000);
        auto second = start();
        QVERIFY(second->waitForFinished(60000));
        QCOMPARE(second->exitCode(), 0);
        QCOMPARE(first->state(), QProcess::Running);
        first->kill(); // a crash leaves the lock file behind
        QVERIFY(first->waitForFinished());
        auto third = start();
        QTRY_COMPARE_WITH_TIMEOUT(lockHolder(), third->processId(), 60000);
        third->kill();
        third->waitForFinished();
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
        QVERIFY(!renaming::renameBatch(
                     *wrapFolder<CrashingFolder>(dir.path(), 4),
                     { names, { "x0001.jpg", "x0002.jpg", "x0003.jpg" }, "x", 1, "*.jpg" })
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
