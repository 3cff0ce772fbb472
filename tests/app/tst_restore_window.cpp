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
    // Two batch renames, then Ctrl+U: the folder is as it was, byte for byte and name for
    // name, and no history file is left.
    void renameThenRestore()
    {
        QTemporaryDir dir;
        for (const char *name : { "b.jpg", "a.jpg", "c d.jpg", "写真.jpg", "notes.txt" })
            touch(dir.path(), name, QByteArray("content of ") + name);
        const Files before = filesOf(dir.path());
        ShownWindow w;
        w.open(dir.path());
        // The second run's new names are old names of other files.
        for (const auto &[prefix, start] : { std::pair { "photo", "7" }, std::pair { "b", "0" } }) {
            w->Text1->setText(prefix);
            w->Text2->setText(start);
            w->Text2_LostFocus();
            w.boxes.answer({ true });
            w->Command1_Click();
        }
        w.boxes.clear();
        w.boxes.answer({ true, true, true });
        QStringList listed; // the target list while each box is open
        w.boxes.onShow
            = [&](const ScriptedMessageBoxes::Shown &) { listed << items(w->List1).join(','); };
        QTest::keyClick(w.window.get(), Qt::Key_U, Qt::ControlModifier);

        QCOMPARE(w.boxes.texts(),
                 QStringList({ msg::AskRestore, msg::askUndoStep(2), msg::askUndoStep(1) }));
        // The folder is listed again after each step.
        QCOMPARE(listed[2], "photo0007.jpg,photo0008.jpg,photo0009.jpg,photo0010.jpg");
        QCOMPARE(filesOf(dir.path()), before);
        QCOMPARE(items(w->List1), QStringList({ "a.jpg", "b.jpg", "c d.jpg", "写真.jpg" }));
        QCOMPARE(w->windowTitle(), msg::AppTitle);
        QCOMPARE(w->Label2->text(), msg::StatusIdle);
        QCOMPARE(QApplication::focusWidget(), w->Text1);
    }

    // How a restore ends: the boxes shown, the folder, the caption and the status line.
    void restoreEnds_data()
    {
        QTest::addColumn<Chain>("chain");
        QTest::addColumn<int>("failRename"); // the k-th rename fails; 0: none
        QTest::addColumn<QList<bool>>("answers");
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<int>("finallyCarried");

        const QStringList a = { "a.jpg", "b.jpg" }, p = { "p1.jpg", "p2.jpg" },
                          q = { "q1.jpg", "q2.jpg" }, s = { "s1.jpg", "s2.jpg" };
        QTest::newRow("cancel first question")
            << Chain { a, p } << 0 << QList<bool> { false } << QStringList { msg::AskRestore } << 1;
        QTest::newRow("cancel at 2")
            << Chain { a, p, q, s } << 0 << QList<bool> { true, true, false }
            << QStringList { msg::AskRestore, msg::askUndoStep(3), msg::askUndoStep(2) } << 2;
        QTest::newRow("rename fails")
            << Chain { a, p } << 3 << QList<bool> { true, true }
            << QStringList { msg::AskRestore, msg::askUndoStep(1),
                             msg::RestoreFailedRolledBack + "p1.jpg (Input/output error)" }
            << 1;
    }
    void restoreEnds()
    {
        QFETCH(Chain, chain);
        QFETCH(int, failRename);
        QFETCH(QList<bool>, answers);
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
        for (bool answer : answers)
            w.boxes.answer({ answer });
        w->nmuUndo_Click();

        QCOMPARE(w.boxes.texts(), texts);
        QCOMPARE(filesOf(dir.path()), expected);
        QCOMPARE(w->windowTitle(), msg::AppTitle);
        QCOMPARE(w->Label2->text(), msg::StatusIdle);
        QCOMPARE(items(w->List1), chain[finallyCarried]);
    }

    // Ctrl+D deletes files 0 to 100 of the selected type and nothing else, and leaves the
    // window as it was.
    void deleteHistory()
    {
        QTemporaryDir dir;
        writeChain(dir.path(), { { "a.jpg" }, { "b.jpg" }, { "c.jpg" } });
        for (const char *name : { "VOXAjpg5.log", "VOXAjpg101.log", "VOXAtxt0.log" })
            touch(dir.path(), name, "c.jpg\r\n");
        ShownWindow w;
        w.open(dir.path());
        w->Text1->setText("x");
        w->Text2_LostFocus();
        w.boxes.answer({ true });
        QTest::keyClick(w.window.get(), Qt::Key_D, Qt::ControlModifier);

        QCOMPARE(w.boxes.texts(), QStringList { msg::AskDeleteHistory });
        QCOMPARE(filesOf(dir.path()).keys(),
                 QStringList({ "VOXAjpg101.log", "VOXAtxt0.log", "c.jpg" }));
        QCOMPARE(items(w->List2), QStringList { "x0000.jpg" });
        w.boxes.clear();
        w.boxes.answer({ true });
        w->nmuUndo_Click();
        QCOMPARE(w.boxes.texts(), QStringList({ msg::AskRestore, msg::NoHistory }));
    }
};

QTEST_MAIN(TestRestoreWindow)
#include "tst_restore_window.moc"
