#include "faulty_folder.h"
#include "frm_voxa_r_1.h"
#include "history.h"
#include "messages.h"
#include "scripted_message_boxes.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTest>

using Files = QMap<QString, QByteArray>;
using Chain = QList<QStringList>; // history files 0, 1, ... without a gap
Q_DECLARE_METATYPE(Chain)

namespace {

Files filesOf(const QString &path)
{
    Files result;
    for (const QString &name : QDir(path).entryList(QDir::Files | QDir::Hidden)) {
        QFile f(QDir(path).filePath(name));
        if (f.open(QIODevice::ReadOnly))
            result.insert(name, f.readAll());
    }
    return result;
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QStringList itemsOf(const QListWidget *list)
{
    QStringList items;
    for (int i = 0; i < list->count(); ++i)
        items << list->item(i)->text();
    return items;
}

// The main window on a temporary folder, answered by a script.
struct Window
{
    QTemporaryDir dir;
    ScriptedMessageBoxes boxes;
    std::unique_ptr<frmVOXA_R_1> w;

    explicit Window(renaming::FolderOpener opener = renaming::openFolder)
    {
        Services services;
        services.messages = &boxes;
        services.openFolder = std::move(opener);
        services.programFolder = QCoreApplication::applicationDirPath();
        w = std::make_unique<frmVOXA_R_1>(services);
        w->show();
        QApplication::setActiveWindow(w.get());
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
    }
    void open() { w->Dir1->setPath(dir.path()); }
    void rename(const QString &prefix, const QString &start)
    {
        w->Text1->setText(prefix);
        w->Text2->setText(start);
        w->Text2_LostFocus();
        boxes.answer({ true });
        w->Command1_Click();
    }
    void writeChain(const Chain &chain, int carried)
    {
        for (int k = 0; k < chain.size(); ++k)
            writeFile(dir.filePath(renaming::historyFileName("jpg", k)),
                      renaming::encodeHistory(chain[k]));
        for (int j = 0; j < chain[carried].size(); ++j)
            writeFile(dir.filePath(chain[carried][j]), "file " + QByteArray::number(j));
    }
};

} // namespace

class TestRestoreWindow : public QObject
{
    Q_OBJECT

private slots:
    // Two batch renames through the window, then Ctrl+U: the folder is as it was, byte for
    // byte and name for name, and no history file is left.
    void renameThenRestore()
    {
        Window win;
        for (const char *name : { "b.jpg", "a.jpg", "c d.jpg", "写真.jpg" })
            writeFile(win.dir.filePath(QString::fromUtf8(name)), QByteArray("content of ") + name);
        writeFile(win.dir.filePath("notes.txt"), "not a target");
        const Files before = filesOf(win.dir.path());
        win.open();
        const QStringList listed = itemsOf(win.w->List1);
        win.rename("photo", "7");
        win.rename("b", "0"); // new names that are old names of other files
        QVERIFY(filesOf(win.dir.path()).contains("VOXAjpg2.log"));
        QCOMPARE(itemsOf(win.w->List1),
                 QStringList({ "b0000.jpg", "b0001.jpg", "b0002.jpg", "b0003.jpg" }));

        win.boxes.clear();
        win.boxes.answer({ true, true, true });
        QStringList duringQuestions;
        win.boxes.onShow = [&](const ScriptedMessageBoxes::Shown &) {
            duringQuestions << win.w->Label2->text() + "|" + itemsOf(win.w->List1).join(',') + "|"
                    + QString::number(win.w->List2->count());
        };
        QTest::keyClick(win.w.get(), Qt::Key_U, Qt::ControlModifier);

        QCOMPARE(win.boxes.texts(),
                 QStringList({ msg::AskRestore, msg::askUndoStep(2), msg::askUndoStep(1) }));
        QCOMPARE(win.boxes.shown[0].icon, printing::Icon::Question);
        QCOMPARE(win.boxes.shown[1].icon, printing::Icon::Exclamation);
        // The question for 1 comes after step 2 was undone and the folder listed again.
        QCOMPARE(duringQuestions[2],
                 msg::StatusRestoring
                     + "|photo0007.jpg,photo0008.jpg,photo0009.jpg,photo0010.jpg|0");
        QCOMPARE(filesOf(win.dir.path()), before);
        QCOMPARE(itemsOf(win.w->List1), listed);
        QCOMPARE(win.w->List2->count(), 0);
        QCOMPARE(win.w->windowTitle(), msg::AppTitle);
        QCOMPARE(win.w->Label2->text(), msg::StatusIdle);
        QCOMPARE(win.w->Text1->text(), QString());
        QCOMPARE(QApplication::focusWidget(), win.w->Text1);
    }

    // How a restore ends in the window: the boxes shown, the folder, caption and status line.
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
        QTest::newRow("no history") << Chain { a } << 0 << QList<bool> { true }
                                    << QStringList { msg::AskRestore, msg::NoHistory } << 0;
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

        Window win([failRename](const QString &path, QString *) {
            auto folder = wrapFolder<FaultyFolder>(path);
            folder->failRenameNumber = failRename;
            return std::unique_ptr<renaming::Folder>(std::move(folder));
        });
        win.writeChain(chain, chain.size() - 1);
        win.open();
        Files expected = filesOf(win.dir.path());
        for (int k = int(chain.size()) - 1; k > finallyCarried; --k) {
            expected.remove(renaming::historyFileName("jpg", k));
            for (int j = 0; j < chain[k].size(); ++j)
                expected.insert(chain[k - 1][j], expected.take(chain[k][j]));
        }
        for (bool answer : answers)
            win.boxes.answer({ answer });
        win.w->nmuUndo_Click();

        QCOMPARE(win.boxes.texts(), texts);
        QCOMPARE(filesOf(win.dir.path()), expected);
        QCOMPARE(win.w->windowTitle(), msg::AppTitle);
        QCOMPARE(win.w->Label2->text(), msg::StatusIdle);
        QCOMPARE(itemsOf(win.w->List1), chain[finallyCarried]);
    }

    // Ctrl+D deletes files 0 to 100 of the selected type and nothing else, and leaves the
    // window as it was.
    void deleteHistory()
    {
        Window win;
        win.writeChain({ { "a.jpg" }, { "b.jpg" }, { "c.jpg" } }, 2);
        for (const char *name : { "VOXAjpg5.log", "VOXAjpg101.log", "VOXAtxt0.log" })
            writeFile(win.dir.filePath(name), "c.jpg\r\n");
        win.open();
        win.w->Text1->setText("x");
        win.w->Text2_LostFocus();
        const QString label = win.w->Label2->text();
        win.boxes.answer({ true });
        QTest::keyClick(win.w.get(), Qt::Key_D, Qt::ControlModifier);

        QCOMPARE(win.boxes.texts(), QStringList { msg::AskDeleteHistory });
        QCOMPARE(win.boxes.shown[0].icon, printing::Icon::Exclamation);
        QCOMPARE(filesOf(win.dir.path()).keys(),
                 QStringList({ "VOXAjpg101.log", "VOXAtxt0.log", "c.jpg" }));
        QCOMPARE(itemsOf(win.w->List1), QStringList { "c.jpg" });
        QCOMPARE(itemsOf(win.w->List2), QStringList { "x0000.jpg" });
        QCOMPARE(win.w->Label2->text(), label);

        win.boxes.clear();
        win.boxes.answer({ true });
        win.w->nmuUndo_Click();
        QCOMPARE(win.boxes.texts(), QStringList({ msg::AskRestore, msg::NoHistory }));
    }
};

QTEST_MAIN(TestRestoreWindow)
#include "tst_restore_window.moc"
