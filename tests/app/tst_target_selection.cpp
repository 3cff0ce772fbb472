// The main window's fixed size and menu shortcuts, and the choice of folder and file type that
// fills the target list.
#include "window_fixture.h"

#include "twips.h"

#include <QMenuBar>
#include <QScreen>

class TestTargetSelection : public QObject
{
    Q_OBJECT

    QTemporaryDir m_big; // 9,999 files "a*.jpg" and one "b.jpg"
    QTemporaryDir m_mixed; // A.jpg, b.jpg, C.jpg, d.txt and names that must never be listed
    QTemporaryDir m_cases; // names whose case folding is not ASCII's

private slots:
    void initTestCase()
    {
        touchMany(m_big.path(), 9999, "a", "jpg");
        touch(m_big.path(), "b.jpg");
        for (const char *name :
             { "C.jpg", "b.jpg", "A.jpg", "d.txt", ".hidden.jpg", "bad\xff\xfe.jpg", "noext",
               "\xef\xbb\xbf"
               "e.txt",
               "VOXAjpg0.log", "voxatxt1.LOG" })
            touch(m_mixed.path(), name);
        QVERIFY(QDir(m_mixed.path()).mkdir(QStringLiteral("sub.jpg")));
        for (const char *name : { "ärger2.jpg", "Ärger.JPG", "𐐀x.jpg", "ŉ.jpg", "ΣΑΣ.jpg" })
            touch(m_cases.path(), name);
    }
    void cleanupTestCase()
    {
        // QTemporaryDir cannot remove a name that is not valid UTF-8.
        ::unlink((QFile::encodeName(m_mixed.path()) + "/bad\xff\xfe.jpg").constData());
    }

    void sizeAndShortcuts()
    {
        ShownWindow w;
        // The client area below the menu bar, and nothing below it, also after a window
        // manager that ignores the size hints let the user drag the border.
        w->setMinimumSize(0, 0);
        w->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        w->setGeometry(10, 10, w->width() + 200, w->height() - 100);
        const QRect client(QPoint(0, w->menuBar()->height()),
                           ui::Twips(w.window.get()).size(8685, 6315));
        QCOMPARE(w->centralWidget()->geometry(), client);
        QCOMPARE(w->size(), QSize(client.width(), client.bottom() + 1));
        QTRY_COMPARE(w->frameGeometry().center(), w->screen()->geometry().center());

        // A line edit claims Ctrl+V and Ctrl+X for itself; the menu must get them.
        w->Text1->setText(QStringLiteral("abc"));
        w->Text1->selectAll();
        QTest::keyClick(w->Text1, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(w.boxes.texts(), QStringList { msg::VersionLine });
        QTest::keyClick(w->Text1, Qt::Key_X, Qt::ControlModifier);
        QCOMPARE(w->Text1->text(), QStringLiteral("abc"));
        QVERIFY(!w->isVisible());
    }

    // A refused listing keeps both lists as they were; an accepted one sends the focus to the
    // prefix box only when there is more than one file to rename. A name that is not UTF-8 and
    // matches the pattern ("bad\xff\xfe.jpg") is left out, and the user is told, once for each
    // folder and pattern.
    void listing_data()
    {
        // Listed after the mixed folder: "big" (10,000 files), "cases" (or none).
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<bool>("retry");
        QTest::addColumn<QString>("refusal");
        QTest::addColumn<bool>("leftOut"); // the name that is not UTF-8 is told of
        QTest::addColumn<QStringList>("expected"); // "9999": that many names
        const QString big = "big", cases = "cases", none;
        // History files are never listed; a leading U+FEFF is part of a name.
        const QStringList jpgs { "A.jpg", "b.jpg", "C.jpg" },
            txts { "d.txt", QChar(0xFEFF) + QString("e.txt") };
        const QString tooMany = "ファイル数が 9999を越えていますから処理出来ません";
        QTest::newRow("9999") << big << "a*.jpg" << false << "" << false << QStringList { "9999" };
        QTest::newRow("10000") << big << "*.jpg" << false << tooMany << false << jpgs;
        QTest::newRow("*.*, retry")
            << big << "*.*" << true << msg::ChooseExtension << false << jpgs;
        QTest::newRow("*.*, cancel")
            << big << "*.*" << false << msg::ChooseExtension << false << jpgs;
        QTest::newRow("capitals") << none << "*.JPG" << false << "" << true << jpgs;
        QTest::newRow("*") << none << "*" << false << "" << true
                           << jpgs + QStringList { "d.txt", "noext", txts[1] };
        QTest::newRow("two") << none << "*.txt;*.jpg" << false << "" << true << jpgs + txts;
        QTest::newRow("txt") << none << "*.txt" << false << "" << false << txts;
        QTest::newRow("one file") << none << "noext" << false << "" << false
                                  << QStringList { "noext" };
        QTest::newRow("*.log") << none << "*.log" << false << "" << false << QStringList {};
        QTest::newRow("empty") << none << "" << false << "" << false << QStringList {};
        // Case folded as QString::toCaseFolded() does, outside the BMP too; the order is that of
        // the folded names.
        QTest::newRow("ä, any case")
            << cases << "Ä*" << false << "" << false << QStringList { "Ärger.JPG", "ärger2.jpg" };
        QTest::newRow("Deseret, any case")
            << cases << "𐐨*" << false << "" << false << QStringList { "𐐀x.jpg" };
        QTest::newRow("σ, final and capital")
            << cases << "σας.*" << false << "" << false << QStringList { "ΣΑΣ.jpg" };
        QTest::newRow("cases, sorted")
            << cases << "*.jpg" << false << "" << false
            << QStringList { "Ärger.JPG", "ärger2.jpg", "ŉ.jpg", "ΣΑΣ.jpg", "𐐀x.jpg" };
    }
    void listing()
    {
        QFETCH(QString, folder);
        QFETCH(QString, pattern);
        QFETCH(bool, retry);
        QFETCH(QString, refusal);
        QFETCH(bool, leftOut);
        QFETCH(QStringList, expected);
        ShownWindow w;
        w.open(m_mixed.path());
        // The first listing, of "*.jpg": told once, and not again when listed anew.
        w->Dir1_Change();
        QCOMPARE(w.boxes.texts(), QStringList { msg::notUtf8LeftOut(1) });
        w.boxes.clear();
        w->Text2->setFocus(); // leaving Text1 leads to Text2 first
        w->Dir1->setFocus();
        w->List2->addItem(QStringLiteral("preview"));
        w->Combo1->setEditText(pattern);
        w.boxes.answer({ retry });
        if (folder == "big")
            w.open(m_big.path());
        else if (folder == "cases")
            w.open(m_cases.path());
        else
            QTest::keyClick(w->Combo1, Qt::Key_Return);
        QStringList boxes;
        if (leftOut)
            boxes << msg::notUtf8LeftOut(1);
        if (!refusal.isEmpty())
            boxes << refusal;
        QCOMPARE(w.boxes.texts(), boxes);
        const QStringList listed = listEntries(w->List1);
        QCOMPARE(listed.size() == 9999 ? QStringList { "9999" } : listed, expected);
        QCOMPARE(w->List2->count(), refusal.isEmpty() || retry ? 0 : 1);
        if (refusal.isEmpty())
            QCOMPARE(QApplication::focusWidget(),
                     listed.size() > 1 ? static_cast<QWidget *>(w->Text1) : w->Dir1);
        // After a refusal the folder listing is longer than the target list: the preview
        // must not invent names for files that are not targets.
        w->Text2_LostFocus();
        QCOMPARE(w->List2->count(), listed.size());
    }

    // Going back to the file type, folder or drive empties the new-name list.
    void choosingAgainEmptiesPreview()
    {
        for (const char *control : { "Combo1", "Dir1", "Drive1" }) {
            ShownWindow w;
            w.open(m_mixed.path());
            QTest::keyClick(w->Text1, Qt::Key_Return);
            QTest::keyClick(w->Text2, Qt::Key_Return);
            QCOMPARE(w->List2->count(), 3);
            w->findChild<QWidget *>(control)->setFocus(Qt::MouseFocusReason);
            QCOMPARE(w->List2->count(), 0);
        }
    }
};

QTEST_MAIN(TestTargetSelection)
#include "tst_target_selection.moc"
