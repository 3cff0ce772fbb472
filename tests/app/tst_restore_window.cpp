// The restore and the deletion of the history through the real main window, offscreen.
#include "window_fixture.h"

#include "history.h"

using Chain = QList<QStringList>; // history files 0, 1, ... without a gap
Q_DECLARE_METATYPE(Chain)

class TestRestoreWindow : public QObject
{
    Q_OBJECT

    // Writes the history files of `chain`, and files carrying the names of its last one.
    static void writeChain(const QString &folder, const Chain &chain)
    {
        for (int k = 0; k < chain.size(); ++k)
            touch(folder, renaming::historyFileName("jpg", k).toUtf8(),
                  renaming::encodeHistory(chain[k]));
        for (int j = 0; j < chain.last().size(); ++j)
            touch(folder, chain.last()[j].toUtf8(), "file " + QByteArray::number(j));
    }
private slots:
    // How a restore ends: the boxes shown, the folder, the caption and the status line. Every
    // question but the last is answered OK.
    void restoreEnds_data()
    {
        QTest::addColumn<Chain>("chain");
        QTest::addColumn<int>("failRename"); // the k-th rename fails; 0: none
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<int>("finallyCarried");

        const QStringList a = { "a.jpg", "b.jpg" }, p = { "p1.jpg", "p2.jpg" },
                          q = { "q1.jpg", "q2.jpg" }, s = { "s1.jpg", "s2.jpg" };
        QTest::newRow("cancel first question")
            << Chain { a, p } << 0 << QStringList { msg::AskRestore } << 1;
        QTest::newRow("cancel at 2")
            << Chain { a, p, q, s } << 0
            << QStringList { msg::AskRestore, msg::askUndoStep(3), msg::askUndoStep(2) } << 2;
        QTest::newRow("rename fails")
            << Chain { a, p } << 1
            << QStringList { msg::AskRestore, msg::askUndoStep(1),
                             msg::RestoreFailedRolledBack + "p1.jpg (Input/output error)" }
            << 1;
    }
    void restoreEnds()
    {
        QFETCH(Chain, chain);
        QFETCH(int, failRename);
        QFETCH(QStringList, texts);
        QFETCH(int, finallyCarried);
        QTemporaryDir dir;
        writeChain(dir.path(), chain);
        ShownWindow w(failRename);
        w.open(dir.path());
        // The steps undone take the files back to the names of the file before, contents kept.
        Files expected = filesOf(dir.path());
        for (int k = int(chain.size()) - 1; k > finallyCarried; --k) {
            expected.remove(renaming::historyFileName("jpg", k));
            for (int j = 0; j < chain[k].size(); ++j)
                expected.insert(chain[k - 1][j], expected.take(chain[k][j]));
        }
        for (qsizetype i = 1; i < texts.size(); ++i)
            w.boxes.answer({ true });
        w->nmuUndo_Click();

        QCOMPARE(w.boxes.texts(), texts);
        QCOMPARE(filesOf(dir.path()), expected);
        QCOMPARE(w->windowTitle(), msg::AppTitle);
        QCOMPARE(w->Label2->text(), msg::StatusIdle);
        QCOMPARE(listEntries(w->List1), chain[finallyCarried]);
    }

    // A step that fails and cannot rename back: the failure is told first, then the hint
    // that the listing gives about the files left under temporary names.
    void failureBeforeHint()
    {
        QTemporaryDir dir;
        // p2.jpg goes back to p1.jpg: the step goes in two passes, through temporary names.
        writeChain(dir.path(), { { "a.jpg", "p1.jpg" }, { "p1.jpg", "p2.jpg" } });
        ShownWindow w(-3);
        w.open(dir.path());
        w.boxes.answer({ true, true });
        w->nmuUndo_Click();
        QCOMPARE(w.boxes.texts(),
                 QStringList({ msg::AskRestore, msg::askUndoStep(1),
                               msg::RestoreFailed + "p1.jpg (Input/output error)\n"
                                   + msg::RenameNotRolledBack
                                   + "\np1.jpg → zyx0000.zyx\np2.jpg → zyx0001.zyx",
                               msg::InterruptedHint }));
    }

    // Ctrl+D deletes the history of the selected type, and leaves the window as it was. (Which
    // files go: tst_restore.)
    void deleteHistory()
    {
        QTemporaryDir dir;
        writeChain(dir.path(), { { "a.jpg" }, { "b.jpg" }, { "c.jpg" } });
        touch(dir.path(), "VOXAtxt0.log", "c.jpg\r\n");
        ShownWindow w;
        w.open(dir.path());
        w.preview("x", "");
        w.boxes.answer({ true, true });
        QTest::keyClick(w.window.get(), Qt::Key_D, Qt::ControlModifier);
        QCOMPARE(filesOf(dir.path()).keys(), QStringList({ "VOXAtxt0.log", "c.jpg" }));
        QCOMPARE(listEntries(w->List2), QStringList { "x0000.jpg" });
        w->nmuUndo_Click();
        QCOMPARE(w.boxes.texts(),
                 QStringList({ msg::AskDeleteHistory, msg::AskRestore, msg::NoHistory }));
    }

    // A rename cut off, in its first pass or after its history was written and before its
    // first rename (no temporary name shows it then): listing the folder and a new rename both
    // point the user to the restore. (Delete history refused and the restore: tests/desktop.)
    void interruptedRunIsPointedOut_data()
    {
        QTest::addColumn<QString>("first"); // where the first file is now
        QTest::newRow("cut off in the first pass") << "p0001.zyx";
        // A run of one pass leaves no temporary name: old and new names side by side.
        QTest::newRow("cut off after its first rename") << "p0001.jpg";
        QTest::newRow("cut off before its first rename") << "a.jpg";
    }
    void interruptedRunIsPointedOut()
    {
        QFETCH(QString, first);
        QTemporaryDir dir;
        writeChain(dir.path(), { { "a.jpg", "b.jpg" }, { "p0001.jpg", "p0002.jpg" } });
        QVERIFY(first == "p0001.jpg"
                || QFile::rename(dir.filePath("p0001.jpg"), dir.filePath(first)));
        QVERIFY(QFile::rename(dir.filePath("p0002.jpg"), dir.filePath("b.jpg")));
        ShownWindow w;
        w.open(dir.path());
        w.preview("x", "1");
        w->Command1_Click();
        QCOMPARE(w.boxes.texts(), QStringList(2, msg::InterruptedHint));
    }
};

QTEST_MAIN(TestRestoreWindow)
#include "tst_restore_window.moc"
