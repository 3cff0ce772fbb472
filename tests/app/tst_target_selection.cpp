// The main window's start-up state, its fixed size, its menus' shortcuts and the choice of
// folder and file type that fills the target list.
#include "window_fixture.h"

#include "messages.h"
#include "twips.h"

#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>

class TestTargetSelection : public QObject
{
    Q_OBJECT

private:
    // Holds 9,999 files "a*.jpg" and one "b.jpg": 9,999 or 10,000 match, by the pattern.
    QTemporaryDir m_big;
    // A.jpg, b.jpg, C.jpg, d.txt and names that must never be listed.
    QTemporaryDir m_mixed;

private slots:
    void initTestCase()
    {
        QVERIFY(m_big.isValid() && m_mixed.isValid());
        touchMany(m_big.path(), 9999, "a", "jpg");
        touch(m_big.path(), "b.jpg");
        for (const char *name :
             { "C.jpg", "b.jpg", "A.jpg", "d.txt", ".hidden.jpg", "bad\xff\xfe.jpg", "noext" })
            touch(m_mixed.path(), name);
        QVERIFY(QDir(m_mixed.path()).mkdir(QStringLiteral("sub.jpg")));
    }

    void cleanupTestCase()
    {
        // QTemporaryDir cannot remove a name that is not valid UTF-8.
        ::unlink((QFile::encodeName(m_mixed.path()) + "/bad\xff\xfe.jpg").constData());
    }

    void startUpState()
    {
        ShownWindow w;
        QVERIFY(w.boxes.shown.isEmpty());
        QCOMPARE(w->windowTitle(), QStringLiteral("Kelvaro"));
        QCOMPARE(w->Label2->text(), msg::StatusAtStart);
        QVERIFY(w->Label2->text().endsWith(u' '));
        QCOMPARE(w->Combo1->currentText(), QStringLiteral("*.jpg"));
        QStringList items;
        for (int i = 0; i < w->Combo1->count(); ++i)
            items << w->Combo1->itemText(i);
        QCOMPARE(items, QStringList({ "*.jpg", "*.gif", "*.txt", "*.doc" }));
        QCOMPARE(w->List1->count(), 0);
        QCOMPARE(w->List2->count(), 0);
        QVERIFY(w->Text1->text().isEmpty() && w->Text2->text().isEmpty());
        QCOMPARE(w->Module_Globals.StartNo, 0);
        QCOMPARE(w->Module_Globals.MaxFiles, 9999);
        QCOMPARE(w->Dir1->path(), QDir::currentPath());
        QCOMPARE(w->Command1->text(), QStringLiteral("改  名"));
    }

    void resizeSpringsBack()
    {
        ShownWindow w;
        const QSize fixed = w->frameGeometry().size();
        const QRect screen = w->screen()->geometry();
        QCOMPARE(fixed, printing::Twips(w.window.get()).size(8800, 7000));
        // A window manager that ignores the size hints lets the user drag the border.
        w->setMinimumSize(0, 0);
        w->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        w->setGeometry(10, 10, fixed.width() + 200, fixed.height() - 100);
        QCOMPARE(w->frameGeometry().size(), fixed);
        QCOMPARE(w->frameGeometry().center(), screen.center());
    }

    void menuShortcutsWinOverTextBoxes()
    {
        ShownWindow w;
        w->Text1->setFocus();
        w->Text1->setText(QStringLiteral("abc"));
        w->Text1->selectAll();
        QTest::keyClick(w->Text1, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(w.boxes.texts(), QStringList { msg::VersionLine });
        QCOMPARE(w->Text1->text(), QStringLiteral("abc"));
        QTest::keyClick(w->Text1, Qt::Key_X, Qt::ControlModifier);
        QCOMPARE(w->Text1->text(), QStringLiteral("abc"));
        QVERIFY(!w->isVisible());
    }

    void enterPressesRenameButton()
    {
        ShownWindow w;
        QSignalSpy clicked(w->Command1, &QPushButton::clicked);
        w->Command1->setFocus();
        QTest::keyClick(w->Command1, Qt::Key_Return);
        QCOMPARE(clicked.count(), 1);
    }

    void fileLimit_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("9999 files") << "a*.jpg" << true;
        QTest::newRow("10000 files") << "*.jpg" << false;
    }
    void fileLimit()
    {
        QFETCH(QString, pattern);
        QFETCH(bool, accepted);
        ShownWindow w;
        w.open(m_mixed.path());
        w->List2->addItem(QStringLiteral("preview"));
        w->Combo1->setEditText(pattern);
        w.open(m_big.path());
        if (accepted) {
            QVERIFY(w.boxes.shown.isEmpty());
            QCOMPARE(w->List1->count(), 9999);
            QCOMPARE(w->List2->count(), 0);
        } else {
            QCOMPARE(w.boxes.texts(),
                     QStringList {
                         QStringLiteral("ファイル数が 9999を越えていますから処理出来ません") });
            // The refused listing leaves both lists as they were.
            QCOMPARE(w.items(w->List1), QStringList({ "A.jpg", "b.jpg", "C.jpg" }));
            QCOMPARE(w.items(w->List2), QStringList { "preview" });
            QCOMPARE(w->File1.count(), 10000);
        }
    }

    void patterns_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QStringList>("expected");
        const QStringList jpgs { "A.jpg", "b.jpg", "C.jpg" };
        QTest::newRow("lower case") << "*.jpg" << jpgs;
        QTest::newRow("capitals find lower case") << "*.JPG" << jpgs;
        QTest::newRow("single asterisk")
            << "*" << QStringList { "A.jpg", "b.jpg", "C.jpg", "d.txt", "noext" };
        QTest::newRow("two patterns")
            << "*.txt;*.JPG" << QStringList { "A.jpg", "b.jpg", "C.jpg", "d.txt" };
        QTest::newRow("question mark") << "?.t?t" << QStringList { "d.txt" };
        QTest::newRow("empty pattern") << "" << QStringList {};
        QTest::newRow("no match") << "*.gif" << QStringList {};
    }
    void patterns()
    {
        QFETCH(QString, pattern);
        QFETCH(QStringList, expected);
        ShownWindow w;
        w->Combo1->setEditText(QStringLiteral("*.doc"));
        w.open(m_mixed.path());
        w->Combo1->setFocus();
        w->Combo1->setEditText(pattern);
        QTest::keyClick(w->Combo1, Qt::Key_Return);
        QCOMPARE(w.items(w->List1), expected);
        QVERIFY(w.boxes.shown.isEmpty());
        // Enter relists; it does not add the pattern to the list of items.
        QCOMPARE(w->Combo1->count(), 4);
    }

    void typingAloneDoesNotRelist()
    {
        ShownWindow w;
        w.open(m_mixed.path());
        // Leaving the prefix box always leads to the start-number box first.
        w->Text2->setFocus();
        w->Combo1->setFocus();
        QCOMPARE(QApplication::focusWidget(), w->Combo1);
        w->Combo1->lineEdit()->selectAll();
        QTest::keyClicks(w->Combo1, QStringLiteral("*.txt"));
        w->Dir1->setFocus();
        QCOMPARE(w.items(w->List1), QStringList({ "A.jpg", "b.jpg", "C.jpg" }));
        // Picking an item from the list relists at once.
        w->Combo1->setCurrentIndex(2);
        emit w->Combo1->activated(2);
        QCOMPARE(w.items(w->List1), QStringList { "d.txt" });
    }

    void allFilesPatternRefused_data()
    {
        QTest::addColumn<bool>("retry");
        QTest::newRow("retry") << true;
        QTest::newRow("cancel") << false;
    }
    void allFilesPatternRefused()
    {
        QFETCH(bool, retry);
        ShownWindow w;
        w.open(m_mixed.path());
        w->Combo1->setEditText(QStringLiteral("*.*"));
        w.boxes.answer({ retry });
        w.open(m_big.path());
        QCOMPARE(w.boxes.texts(), QStringList { msg::ChooseExtension });
        QCOMPARE(w.items(w->List1), QStringList({ "A.jpg", "b.jpg", "C.jpg" }));
        // The folder listing shows the new folder with its previous pattern.
        QCOMPARE(w->File1.path(), m_big.path());
        QCOMPARE(w->File1.pattern(), QStringLiteral("*.jpg"));
    }

    void focusToPrefixOnlyForSeveralFiles_data()
    {
        QTest::addColumn<int>("files");
        QTest::addColumn<bool>("toText1");
        QTest::newRow("none") << 0 << false;
        QTest::newRow("one") << 1 << false;
        QTest::newRow("two") << 2 << true;
    }
    void focusToPrefixOnlyForSeveralFiles()
    {
        QFETCH(int, files);
        QFETCH(bool, toText1);
        QTemporaryDir folder;
        touchMany(folder.path(), files, "p", "jpg");
        ShownWindow w;
        w->Dir1->setFocus();
        w.open(folder.path());
        QCOMPARE(w->List1->count(), files);
        QCOMPARE(QApplication::focusWidget(),
                 toText1 ? static_cast<QWidget *>(w->Text1) : static_cast<QWidget *>(w->Dir1));
        QVERIFY(w.boxes.shown.isEmpty());
    }

    void choosingAgainEmptiesPreview_data()
    {
        QTest::addColumn<QString>("control");
        QTest::newRow("file type") << "Combo1";
        QTest::newRow("folder") << "Dir1";
        QTest::newRow("drive") << "Drive1";
    }
    void choosingAgainEmptiesPreview()
    {
        QFETCH(QString, control);
        ShownWindow w;
        w.open(m_mixed.path());
        QTest::keyClick(w->Text1, Qt::Key_Return);
        QTest::keyClick(w->Text2, Qt::Key_Return);
        QCOMPARE(w.items(w->List2), QStringList({ "0000.jpg", "0001.jpg", "0002.jpg" }));
        auto *target = w->findChild<QWidget *>(control);
        QVERIFY(target);
        target->setFocus(Qt::MouseFocusReason);
        QCOMPARE(w->List2->count(), 0);
        QCOMPARE(w->List1->count(), 3);
    }
};

QTEST_MAIN(TestTargetSelection)
#include "tst_target_selection.moc"
