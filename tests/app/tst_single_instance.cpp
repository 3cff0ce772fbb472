// Two real copies of the program: the second ends at once, and a lock left by a copy that
// died does not stop the next start.
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

class TestSingleInstance : public QObject
{
    Q_OBJECT

    QTemporaryDir m_runtime; // the lock's folder, and the working folder

    std::unique_ptr<QProcess> start()
    {
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime.path()));
        qputenv("QT_QPA_PLATFORM", "offscreen");
        auto p = std::make_unique<QProcess>();
        p->setWorkingDirectory(m_runtime.path());
        p->start(QStringLiteral(KELVARO_EXE), {});
        return p;
    }
    // The process id written in the lock file, or 0 while there is none.
    qint64 lockHolder() const
    {
        QFile lock(m_runtime.filePath(QStringLiteral("kelvaro.lock")));
        return lock.open(QIODevice::ReadOnly) ? lock.readLine().trimmed().toLongLong() : 0;
    }

private slots:
    void secondCopyEndsAndStaleLockIsTakenOver()
    {
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
        QCOMPARE(third->state(), QProcess::Running);
        third->kill();
        third->waitForFinished();
    }
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_single_instance.moc"
