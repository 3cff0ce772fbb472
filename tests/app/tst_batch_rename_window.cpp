// The rename button driven through the real main window, offscreen, with scripted answers:
// listing, prefix, start number, preview, click, the files on disk afterwards, and Ctrl+U
// taking a completed rename back.
#include "window_fixture.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTimer>

class TestBatchRenameWindow : public QObject
{
    Q_OBJECT

private slots:
    void click_data()
    {
        QTest::addColumn<bool>("answer");
        QTest::addColumn<int>("failRename"); // the k-th rename fails; 0: none
        QTest::addColumn<int>("failSync"); // the k-th sync fails; 0: none
        QTest::addColumn<QStringList>("texts"); // every box shown; "<hint>" the closing note
        QTest::addColumn<QStringList>("onDisk");

        const QStringList before { "a.jpg", "b.jpg", "notes.txt", "写 真.jpg" };
        const QString failure = "b.jpg → abc0099.jpg (Input/output error)";
        const QStringList renamed { "VOXAjpg0.log", "VOXAjpg1.log", "abc0098.jpg",
                                    "abc0099.jpg",  "abc0100.jpg",  "notes.txt" };
        QTest::newRow("completed")
            << true << 0 << 0 << QStringList { msg::AskRename, msg::RenameDone, "<hint>" }
            << renamed;
        QTest::newRow("cancelled, started by Enter")
            << false << 0 << 0 << QStringList { msg::AskRename } << before;
        QTest::newRow("a rename fails, rolled back")
            << true << 2 << 0
            << QStringList { msg::AskRename, msg::RenameFailedRolledBack + failure } << before;
        // The renames are done but not confirmed on disk: said so, and the history stays.
        QTest::newRow("last sync fails")
            << true << 0 << 2
            << QStringList { msg::AskRename, msg::RenameDoneNotSynced + "Input/output error",
                             "<hint>" }
            << renamed;
    }
    void click()
    {
        QFETCH(bool, answer);
        QFETCH(int, failRename);
        QFETCH(int, failSync);
        QFETCH(QStringList, texts);
        QFETCH(QStringList, onDisk);
        QTemporaryDir work;
        for (const char *name : { "b.jpg", "a.jpg", "写 真.jpg", "notes.txt" })
            touch(work.path(), name, name);
        const Files before = filesOf(work.path());
        ShownWindow w(failRename, {}, {}, true, failSync);
        w.open(work.path());
        QTest::keyClicks(w->Text1, "abc");
        QTest::keyClick(w->Text1, Qt::Key_Return);
        QTest::keyClicks(w->Text2, "98");
        QTest::keyClick(w->Text2, Qt::Key_Return); // leaving Text2 builds the preview
        const QString statusBefore = w->Label2->text();
        QStringList seen; // the caption and the status line while each box is open
        // The caption changes at most once per 50 ms (and once more to catch up before a box),
        // and nothing waiting in the event loop runs during the run.
        QElapsedTimer clock;
        int captions = 0;
        bool yielded = false;
        connect(w.window.get(), &QWidget::windowTitleChanged, [&] { ++captions; });
        QTimer::singleShot(0, [&] { yielded = true; });
        w.boxes.onShow = [&](const ScriptedMessageBoxes::Shown &s) {
            seen << w->windowTitle() + " | " + w->Label2->text();
            if (s.text == msg::RenameDone)
                QVERIFY(!yielded && captions <= 2 + clock.elapsed() / 50);
        };
        w.boxes.answer({ answer });
        clock.start();
        // Enter on the focused button presses it, as Space does: users press Enter twice
        // after the start number.
        if (answer)
            QTest::mouseClick(w->Command1, Qt::LeftButton);
        else
            QTest::keyClick(w->Command1, Qt::Key_Return);

        QStringList shown = w.boxes.texts();
        shown.replaceInStrings(msg::restoreHint(work.path() + "/"), "<hint>");
        QCOMPARE(shown, texts);
        QCOMPARE(w.boxes.shown.first().icon, ui::Icon::Question);
        QCOMPARE(w->windowTitle(), msg::AppTitle);
        const Files files = filesOf(work.path());
        QCOMPARE(files.keys(), onDisk);
        QCOMPARE(listEntries(w->List1),
                 onDisk.filter(QRegularExpression("\\.jpg$"))); // listed again
        for (const QByteArray &content : before)
            QCOMPARE(files.values().count(content), 1); // no content lost or doubled
        const bool done = texts.contains("<hint>");
        QCOMPARE(w->Label2->text(), done ? msg::StatusIdle : statusBefore);
        QCOMPARE(w->Text1->text(), done ? QString() : QStringLiteral("abc"));
        if (!done)
            return;
        // No new name is an old one: each file went straight to its new name, shown as such.
        QCOMPARE(seen.at(1),
                 msg::renamingTo("写 真.jpg", "abc0100.jpg") + " | " + msg::StatusRenaming);
        QCOMPARE(files.value("abc0098.jpg"), QByteArray("a.jpg"));
        QCOMPARE(w->List2->count(), 0);
        QCOMPARE(QApplication::focusWidget(), w->Text1);

        // The restore takes the folder back byte for byte and name for name, history and all.
        w.boxes.clear();
        w.boxes.answer({ true, true });
        QTest::keyClick(w.window.get(), Qt::Key_U, Qt::ControlModifier);
        // (With the sync that fails, the restore's last sync fails too, and it says so.)
        QStringList restoreTexts { msg::AskRestore, msg::askUndoStep(1) };
        if (failSync)
            restoreTexts << msg::RestoreDoneNotSynced + "Input/output error";
        QCOMPARE(w.boxes.texts(), restoreTexts);
        QCOMPARE(filesOf(work.path()), before);
    }
};

QTEST_MAIN(TestBatchRenameWindow)
#include "tst_batch_rename_window.moc"
