// The target list and the new-name list side by side: each new name faces its file whatever
// the user scrolls or chooses in either list and after every listing (F5 among them, which
// lists the folder again), and a name cut off shows whole in a tooltip. (The same on a real
// desktop, read from outside: tests/desktop.)
#include "window_fixture.h"

#include <QScrollBar>
#include <QToolTip>
#include <QWheelEvent>

namespace {

// The rows of both lists, laid out and painted as the user would see them now.
void settle(const ShownWindow &w)
{
    for (QListWidget *list : { w->List1, w->List2 })
        list->doItemsLayout();
    QCoreApplication::processEvents();
}

int topRow(const QListWidget *list)
{
    return list->indexAt(QPoint(2, 2)).row();
}

// Whether row i of the new-name list stands level with row i of the target list, for every row
// both lists hold.
bool rowsFaceEachOther(const ShownWindow &w)
{
    for (int i = 0; i < std::min(w->List1->count(), w->List2->count()); ++i) {
        if (w->List1->visualItemRect(w->List1->item(i)).top()
            != w->List2->visualItemRect(w->List2->item(i)).top())
            return false;
    }
    return true;
}

QString describe(const ShownWindow &w)
{
    return QStringLiteral("top rows %1 and %2, current rows %3 and %4")
        .arg(topRow(w->List1))
        .arg(topRow(w->List2))
        .arg(w->List1->currentRow())
        .arg(w->List2->currentRow());
}

void wheel(QListWidget *list, int notches)
{
    const QPoint at = list->viewport()->rect().center();
    QWheelEvent event(at, list->viewport()->mapToGlobal(at), QPoint(), QPoint(0, -120 * notches),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(list->viewport(), &event);
}

} // namespace

class TestLists : public QObject
{
    Q_OBJECT

    QTemporaryDir m_img; // img00000.jpg .. img00059.jpg
    QTemporaryDir m_big; // big00000.jpg .. big00039.jpg

private slots:
    void initTestCase()
    {
        touchMany(m_img.path(), 60, "img", "jpg");
        touchMany(m_big.path(), 40, "big", "jpg");
    }

    // Whatever moves one list moves the other to the same row: the wheel (as the scroll bar,
    // it moves the view only), keys (as PageDown, End moves the current row too), choosing a
    // row; in either list, with a preview or before it (the preview then opens where the target
    // list stands). Emptying the preview moves neither.
    void scrollTogether_data()
    {
        QTest::addColumn<QString>("list"); // the list the user works in
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("previewFirst");
        for (const char *list : { "List1", "List2" }) {
            for (const char *how : { "wheel", "End", "choose row 45" })
                QTest::addRow("%s, %s", list, how) << list << how << true;
        }
        const QString target = "List1";
        QTest::newRow("List1 scrolled, then the preview built") << target << "wheel" << false;
        QTest::newRow("List1 row chosen, then the preview built")
            << target << "choose row 45" << false;
    }
    void scrollTogether()
    {
        QFETCH(QString, list);
        QFETCH(QString, how);
        QFETCH(bool, previewFirst);
        ShownWindow w;
        w.open(m_img.path());
        if (previewFirst)
            w.preview("p", "1");
        settle(w);
        QListWidget *moved = list == "List1" ? w->List1 : w->List2;
        // The focus comes to a list from the start-number box (leaving the prefix box would
        // send it on to the start-number box).
        w->Text2->setFocus();
        moved->setFocus();
        QVERIFY(moved->hasFocus());
        if (how == "wheel") {
            wheel(moved, 3);
        } else if (how == "End") {
            QTest::keyClick(moved, Qt::Key_End);
        } else {
            moved->scrollToItem(moved->item(45));
            QTest::mouseClick(moved->viewport(), Qt::LeftButton, {},
                              moved->visualItemRect(moved->item(45)).center());
        }
        if (!previewFirst)
            w.preview("p", "1");
        settle(w);
        QVERIFY2(topRow(w->List1) > 0, qPrintable(describe(w)));
        QVERIFY2(topRow(w->List1) == topRow(w->List2), qPrintable(describe(w)));
        QVERIFY2(rowsFaceEachOther(w), qPrintable(describe(w)));
        if (how == "choose row 45")
            QVERIFY2(w->List1->currentRow() == 45 && w->List2->currentRow() == 45,
                     qPrintable(describe(w)));

        // A new prefix throws the preview away: the target list stays where it is, and the
        // next preview opens beside it.
        const int top = topRow(w->List1);
        w->Text1->setText(QStringLiteral("q"));
        settle(w);
        QCOMPARE(w->List2->count(), 0);
        QCOMPARE(topRow(w->List1), top);
        w->Text2_LostFocus();
        settle(w);
        QVERIFY2(topRow(w->List2) == top && rowsFaceEachOther(w), qPrintable(describe(w)));
    }

    // The target list scrolled down, then the files listed anew: both lists show their first
    // row, and the preview built next starts beside the first file, however the listing came.
    void listingShowsFirstRows_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("another folder") << "folder";
        QTest::newRow("another file type") << "type";
        QTest::newRow("F5") << "F5";
        QTest::newRow("a folder handed over") << "hand-over";
    }
    void listingShowsFirstRows()
    {
        QFETCH(QString, how);
        ShownWindow w;
        w.open(m_img.path());
        w.preview("p", "1");
        settle(w);
        w->List1->scrollToItem(w->List1->item(59));
        settle(w);
        QVERIFY(topRow(w->List1) > 10 && topRow(w->List2) == topRow(w->List1));
        if (how == "folder") {
            w.open(m_big.path());
        } else if (how == "type") {
            w->Combo1->setEditText(QStringLiteral("img*.jpg"));
            QTest::keyClick(w->Combo1, Qt::Key_Return);
        } else if (how == "F5") {
            // F5 lists the folder as it is now, a subfolder made from outside included.
            QVERIFY(QDir(m_img.path()).mkpath("new folder"));
            QTest::keyClick(w->List1, Qt::Key_F5);
            QVERIFY(!w->Dir1->findItems("new folder", Qt::MatchEndsWith).isEmpty());
            QCOMPARE(w->Dir1->path(), m_img.path());
        } else {
            w->goToFolder(QFile::encodeName(m_big.path()));
        }
        QCOMPARE(w->List2->count(), 0);
        settle(w);
        QCOMPARE(topRow(w->List1), 0);
        w.preview("q", "1");
        settle(w);
        QCOMPARE(topRow(w->List1), 0);
        QCOMPARE(topRow(w->List2), 0);
        QVERIFY(rowsFaceEachOther(w));
        const QString first = w->List1->item(0)->text();
        QCOMPARE(w->List2->item(0)->text(), "q0001" + first.mid(first.indexOf(u'.')));
    }

    // A name wider than its list is cut off, and its tooltip shows it whole; a name that fits
    // has no tooltip. Neither list scrolls sideways (a scroll bar in one list only would make
    // its rows fewer than the other's).
    void cutOffNameHasTooltip()
    {
        QTemporaryDir dir;
        const QString longName = "x." + QStringLiteral("とても長い名前の写真").repeated(4) + ".jpg";
        touch(dir.path(), "a.jpg");
        touch(dir.path(), longName.toUtf8());
        ShownWindow w;
        w.open(dir.path());
        w.preview("p", "1");
        settle(w);
        for (QListWidget *shown : { w->List1, w->List2 }) {
            QCOMPARE(shown->horizontalScrollBar()->maximum(), 0);
            for (int row : { 0, 1 }) { // a.jpg fits, the long name does not
                QToolTip::hideText();
                QTRY_VERIFY(!QToolTip::isVisible());
                const QPoint at = shown->visualItemRect(shown->item(row)).center();
                QHelpEvent event(QEvent::ToolTip, at, shown->viewport()->mapToGlobal(at));
                QCoreApplication::sendEvent(shown->viewport(), &event);
                QCOMPARE(QToolTip::isVisible(), row == 1);
                if (row == 1)
                    QCOMPARE(QToolTip::text(), shown->item(row)->text());
            }
        }
        QToolTip::hideText();
    }
};

QTEST_MAIN(TestLists)
#include "tst_lists.moc"
