// The rename button driven through the real main window, offscreen, with scripted answers:
// listing, prefix, start number, preview, click, and the files on disk afterwards.
#include "window_fixture.h"

#include <QRegularExpression>

class TestBatchRenameWindow : public QObject
{
    Q_OBJECT

private slots:
    void click_data()
    {
        QTest::addColumn<bool>("answer");
        QTest::addColumn<int>("failRename"); // negative: renaming back fails as well
        QTest::addColumn<QStringList>("texts"); // every box shown; "<hint>" the closing note
        QTest::addColumn<QStringList>("onDisk");

        const QStringList before { "a.jpg", "b.jpg", "c.jpg", "notes.txt" };
        const QString failure = "b.jpg → abc0099.jpg (Input/output error)";
        QTest::newRow("completed")
            << true << 0 << QStringList { msg::AskRename, msg::RenameDone, "<hint>" }
            << QStringList { "VOXAjpg0.log", "VOXAjpg1.log", "abc0098.jpg",
                             "abc0099.jpg",  "abc0100.jpg",  "notes.txt" };
        QTest::newRow("cancelled") << false << 0 << QStringList { msg::AskRename } << before;
        QTest::newRow("pass 2 fails, rolled back")
            << true << 5 << QStringList { msg::AskRename, msg::RenameFailedRolledBack + failure }
            << before;
        // The history of the run stays, so that the restore can finish the job.
        QTest::newRow("pass 2 fails, renaming back fails")
            << true << -5
            << QStringList { msg::AskRename,
                             msg::RenameFailed + failure + "\n" + msg::RenameNotRolledBack
                                 + "\na.jpg → abc0098.jpg\nb.jpg → abc0099.zyx\nc.jpg → "
                                   "abc0100.zyx",
                             msg::InterruptedHint }
            << QStringList { "VOXAjpg0.log", "VOXAjpg1.log", "abc0098.jpg",
                             "abc0099.zyx",  "abc0100.zyx",  "notes.txt" };
    }
    void click()
    {
        QFETCH(bool, answer);
        QFETCH(int, failRename);
        QFETCH(QStringList, texts);
        QFETCH(QStringList, onDisk);
        QTemporaryDir work;
        for (const char *name : { "b.jpg", "a.jpg", "c.jpg", "notes.txt" })
            touch(work.path(), name, name);
        ShownWindow w(failRename);
        w.open(work.path());
        QCOMPARE(QApplication::focusWidget(), w->Text1);
        QTest::keyClicks(w->Text1, "abc");
        QTest::keyClick(w->Text1, Qt::Key_Return);
        QTest::keyClicks(w->Text2, "98");
        QTest::keyClick(w->Text2, Qt::Key_Return); // leaving Text2 builds the preview
        QCOMPARE(items(w->List2), QStringList({ "abc0098.jpg", "abc0099.jpg", "abc0100.jpg" }));
        const QString statusBefore = w->Label2->text();
        QStringList titles, statuses; // while each box is open
        w.boxes.onShow = [&](const ScriptedMessageBoxes::Shown &) {
            titles << w->windowTitle();
            statuses << w->Label2->text();
        };
        w.boxes.answer({ answer });
        QTest::mouseClick(w->Command1, Qt::LeftButton);

        QStringList shown = w.boxes.texts();
        shown.replaceInStrings(msg::restoreHint(work.path() + "/"), "<hint>");
        QCOMPARE(shown, texts);
        QCOMPARE(w.boxes.shown.first().icon, printing::Icon::Question);
        QCOMPARE(w->windowTitle(), msg::AppTitle);
        const Files files = filesOf(work.path());
        QCOMPARE(files.keys(), onDisk);
        QCOMPARE(items(w->List1), onDisk.filter(QRegularExpression("\\.jpg$"))); // listed again
        for (const char *content : { "a.jpg", "b.jpg", "c.jpg", "notes.txt" })
            QCOMPARE(files.values().count(content), 1); // no content lost or doubled
        const bool done = texts.contains(msg::RenameDone);
        QCOMPARE(w->Label2->text(), done ? msg::StatusIdle : statusBefore);
        QCOMPARE(w->Text1->text(), done ? QString() : QStringLiteral("abc"));
        if (done) {
            QCOMPARE(statuses.at(1), msg::StatusRenaming);
            QCOMPARE(titles.at(1), msg::renamingTo("abc0100.zyx", "abc0100.jpg"));
            QCOMPARE(files.value("abc0098.jpg"), QByteArray("a.jpg"));
            QCOMPARE(w->List2->count(), 0);
            QCOMPARE(QApplication::focusWidget(), w->Text1);
        }
    }
};

QTEST_MAIN(TestBatchRenameWindow)
#include "tst_batch_rename_window.moc"
