// The rename button driven through the real main window, offscreen, with scripted answers:
// listing, prefix, start number, preview, click, and the files on disk afterwards.
#include "faulty_folder.h"
#include "frm_voxa_r_1.h"
#include "history.h"
#include "messages.h"
#include "scripted_message_boxes.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <cstdlib>

namespace {

QStringList itemsOf(const QListWidget *list)
{
    QStringList items;
    for (int i = 0; i < list->count(); ++i)
        items << list->item(i)->text();
    return items;
}

} // namespace

class TestBatchRenameWindow : public QObject
{
    Q_OBJECT

private slots:
    void click_data()
    {
        QTest::addColumn<bool>("preview");
        QTest::addColumn<bool>("answer");
        QTest::addColumn<int>("failRename"); // negative: renaming back fails as well
        QTest::addColumn<QString>("extraFile");
        QTest::addColumn<QStringList>("texts"); // every box shown; "<hint>" the closing note
        QTest::addColumn<QStringList>("list1");
        QTest::addColumn<QStringList>("onDisk");

        const QStringList before { "a.jpg", "b.jpg", "c.jpg" };
        const QStringList after { "abc0098.jpg", "abc0099.jpg", "abc0100.jpg" };
        const QStringList untouched = before + QStringList { "notes.txt" };
        QTest::newRow("completed")
            << true << true << 0 << "" << QStringList { msg::AskRename, msg::RenameDone, "<hint>" }
            << after
            << QStringList { "VOXAjpg0.log", "VOXAjpg1.log" } + after + QStringList { "notes.txt" };
        QTest::newRow("cancelled")
            << true << false << 0 << "" << QStringList { msg::AskRename } << before << untouched;
        QTest::newRow("no preview")
            << false << true << 0 << "" << QStringList { msg::NoNewNames } << before << untouched;
        QTest::newRow("leftover temporary file")
            << true << true << 0 << "abc0099.zyx"
            << QStringList { msg::RenameNameTaken + "abc0099.zyx" } << before
            << QStringList { "a.jpg", "abc0099.zyx", "b.jpg", "c.jpg", "notes.txt" };
        QTest::newRow("pass 2 fails, rolled back")
            << true << true << 5 << ""
            << QStringList { msg::AskRename,
                             msg::RenameFailedRolledBack
                                 + "b.jpg → abc0099.jpg (Input/output error)" }
            << before << untouched;
        QTest::newRow("pass 2 fails, renaming back fails")
            << true << true << -5 << ""
            << QStringList { msg::AskRename,
                             msg::RenameFailed + "b.jpg → abc0099.jpg (Input/output error)\n"
                                 + msg::RenameNotRolledBack
                                 + "\na.jpg → abc0098.jpg\nb.jpg → abc0099.zyx\nc.jpg → "
                                   "abc0100.zyx" }
            << QStringList { "abc0098.jpg" }
            << QStringList { "VOXAjpg0.log", "VOXAjpg1.log", "abc0098.jpg",
                             "abc0099.zyx",  "abc0100.zyx",  "notes.txt" };
    }
    void click()
    {
        QFETCH(bool, preview);
        QFETCH(bool, answer);
        QFETCH(int, failRename);
        QFETCH(QString, extraFile);
        QFETCH(QStringList, texts);
        QFETCH(QStringList, list1);
        QFETCH(QStringList, onDisk);

        QTemporaryDir tmp;
        const QString work = tmp.path() + "/work";
        QVERIFY(QDir().mkpath(work));
        for (const QString name : { "b.jpg", "a.jpg", "c.jpg", "notes.txt" }) {
            QFile file(work + "/" + name);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(name.toUtf8());
        }
        if (!extraFile.isEmpty()) {
            QFile file(work + "/" + extraFile);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }

        ScriptedMessageBoxes boxes;
        boxes.answer({ answer });
        Services services;
        services.messages = &boxes;
        services.programFolder = work; // the re-listing must not depend on it
        services.openFolder = [failRename](const QString &path, QString *) {
            auto folder = wrapFolder<FaultyFolder>(path);
            folder->failRenameNumber = std::abs(failRename);
            folder->failAllRenamesAfterFirstFailure = failRename < 0;
            return std::unique_ptr<renaming::Folder>(std::move(folder));
        };
        frmVOXA_R_1 w(services);
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));

        w.Dir1->setPath(work);
        QCOMPARE(itemsOf(w.List1), QStringList({ "a.jpg", "b.jpg", "c.jpg" }));
        QCOMPARE(QApplication::focusWidget(), w.Text1);
        QTest::keyClicks(w.Text1, "abc");
        QTest::keyClick(w.Text1, Qt::Key_Return);
        QTest::keyClicks(w.Text2, "98");
        if (preview) {
            QTest::keyClick(w.Text2, Qt::Key_Return); // leaving Text2 builds the preview
            QCOMPARE(itemsOf(w.List2),
                     QStringList({ "abc0098.jpg", "abc0099.jpg", "abc0100.jpg" }));
        }
        const QString statusBefore = w.Label2->text();

        // What the window shows while each box is open.
        QStringList titles, statuses;
        boxes.onShow = [&](const ScriptedMessageBoxes::Shown &) {
            titles << w.windowTitle();
            statuses << w.Label2->text();
        };
        if (preview)
            QTest::mouseClick(w.Command1, Qt::LeftButton);
        else
            w.Command1->click(); // a mouse click would leave Text2 and build the preview

        QStringList shown = boxes.texts();
        shown.replaceInStrings(msg::restoreHint(work + "/"), "<hint>");
        QCOMPARE(shown, texts);
        if (!boxes.shown.isEmpty()
            && boxes.shown.first().kind == ScriptedMessageBoxes::Kind::Confirm)
            QCOMPARE(boxes.shown.first().icon, printing::Icon::Question);
        QCOMPARE(itemsOf(w.List1), list1);
        QCOMPARE(w.windowTitle(), msg::AppTitle);
        QCOMPARE(w.Dir1->path(), work);

        QStringList files = QDir(work).entryList(QDir::Files);
        files.sort();
        QCOMPARE(files, onDisk);
        const bool done = texts.contains(msg::RenameDone);
        if (done) {
            // During the passes: the warning, and the caption of the last rename.
            QCOMPARE(statuses.at(1), msg::StatusRenaming);
            QCOMPARE(titles.at(1), msg::renamingTo("abc0100.zyx", "abc0100.jpg"));
            QCOMPARE(w.Label2->text(), msg::StatusIdle);
            QCOMPARE(w.Text1->text(), QString());
            QCOMPARE(w.List2->count(), 0);
            QCOMPARE(QApplication::focusWidget(), w.Text1);
            QFile first(work + "/abc0098.jpg");
            QVERIFY(first.open(QIODevice::ReadOnly));
            QCOMPARE(first.readAll(), QByteArray("a.jpg"));
        } else {
            QCOMPARE(w.Label2->text(), statusBefore);
            QCOMPARE(w.Text1->text(), QStringLiteral("abc"));
            if (failRename != 0)
                QCOMPARE(w.List2->count(), 0); // the folder was listed again
        }
    }
};

QTEST_MAIN(TestBatchRenameWindow)
#include "tst_batch_rename_window.moc"
