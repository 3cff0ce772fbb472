// Two real copies of the program: the second ends at once, and a lock left by a copy that
// died does not stop the next start.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

class TestSingleInstance : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_runtime;

    std::unique_ptr<QProcess> start()
    {
        auto p = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        p->setProcessEnvironment(env);
        p->setWorkingDirectory(m_runtime.path());
        p->start(QStringLiteral(KELVARO_EXE), {});
        return p;
    }
    // The process id written in the lock file, or 0 while there is none.
    qint64 lockHolder() const
    {
        QFile lock(QDir(m_runtime.path()).filePath(QStringLiteral("kelvaro.lock")));
        if (!lock.open(QIODevice::ReadOnly))
            return 0;
        return lock.readLine().trimmed().toLongLong();
    }

private slots:
    void secondCopyEndsAndStaleLockIsTakenOver()
    {
        QVERIFY(m_runtime.isValid());
        auto first = start();
        QVERIFY(first->waitForStarted());
        QTRY_COMPARE_WITH_TIMEOUT(lockHolder(), first->processId(), 60000);

        auto second = start();
        QVERIFY(second->waitForFinished(60000));
        QCOMPARE(second->exitStatus(), QProcess::NormalExit);
        QCOMPARE(second->exitCode(), 0);
        QCOMPARE(first->state(), QProcess::Running);
        QCOMPARE(lockHolder(), first->processId());

        // A crash leaves the lock file behind.
        const qint64 crashed = first->processId();
        first->kill();
        QVERIFY(first->waitForFinished());
        QCOMPARE(lockHolder(), crashed);
        auto third = start();
        QVERIFY(third->waitForStarted());
        QTRY_COMPARE_WITH_TIMEOUT(lockHolder(), third->processId(), 60000);
        QCOMPARE(third->state(), QProcess::Running);
        third->kill();
        third->waitForFinished();
    }
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_single_instance.moc"
