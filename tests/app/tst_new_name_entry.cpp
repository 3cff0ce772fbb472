// The prefix and start-number boxes of the main window: their checks as the user types, the
// walk of the focus from box to box, and the preview of the new names.
#include "window_fixture.h"

class TestNewNameEntry : public QObject
{
    Q_OBJECT

    QTemporaryDir m_ten; // f00000.jpg .. f00009.jpg
    QTemporaryDir m_many; // 9,980 files

private slots:
    void initTestCase()
    {
        touchMany(m_ten.path(), 10, "f", "jpg");
        touchMany(m_many.path(), 9980, "m", "jpg");
    }

    // The width counts Windows-31J bytes: 250 at most. (The width of each kind of character:
    // tst_naming.)
    void prefixWidth_data()
    {
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<bool>("accepted");
        const QString full(u'あ');
        QTest::newRow("125 full-width") << full.repeated(125) << true;
        QTest::newRow("126 full-width") << full.repeated(126) << false;
        QTest::newRow("250 half-width") << QString(250, u'a') << true;
        QTest::newRow("251 half-width") << QString(251, u'a') << false;
    }
    void prefixWidth()
    {
        QFETCH(QString, prefix);
        QFETCH(bool, accepted);
        for (const bool retry : { true, false }) {
            ShownWindow w;
            w.open(m_ten.path());
            w.boxes.answer({ retry });
            w->Text1->setText(prefix);
            QCOMPARE(w.boxes.texts(),
                     accepted ? QStringList() : QStringList { msg::PrefixTooWide });
            QCOMPARE(w->Text1->text(), retry && !accepted ? prefix.left(4) : prefix);
        }
    }

    // Enter walks from the prefix to the start number, typed digit by digit: a refusal comes at
    // the last character only (one box; after Retry the box is empty, not "5"). With Cancel the
    // text stays, and Enter then builds a preview that names only the numbers from 0 to 9999.
    void startNumber_data()
    {
        QTest::addColumn<bool>("many");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<int>("startNo");
        QTest::addColumn<QString>("preview"); // its first and last name
        QTest::newRow("9989 + 10 files")
            << false << "9989" << true << 9989 << "P9989.jpg P9998.jpg";
        QTest::newRow("9990 + 10 files")
            << false << "9990" << false << 9990 << "P9990.jpg P9999.jpg";
        QTest::newRow("2 then 25 + 9980 files")
            << true << "25" << false << 25 << "P0025.jpg P9999.jpg";
        QTest::newRow("negative") << false << "-5" << false << -5 << "P0000.jpg P0004.jpg";
        QTest::newRow("beyond 16 bits") << false << "40000" << false << 32767 << "";
    }
    void startNumber()
    {
        QFETCH(bool, many);
        QFETCH(QString, text);
        QFETCH(bool, accepted);
        QFETCH(int, startNo);
        QFETCH(QString, preview);
        for (const bool retry : { true, false }) {
            ShownWindow w;
            w.open(many ? m_many.path() : m_ten.path());
            w.boxes.answer({ retry });
            QTest::keyClicks(w->Text1, QStringLiteral("P"));
            QTest::keyClick(w->Text1, Qt::Key_Return);
            QCOMPARE(QApplication::focusWidget(), w->Text2);
            QTest::keyClicks(w->Text2, text);
            QCOMPARE(w.boxes.texts(),
                     accepted ? QStringList() : QStringList { msg::NumberNotAllowed });
            const bool emptied = retry && !accepted;
            QCOMPARE(w->Text2->text(), emptied ? QString() : text);
            QCOMPARE(w->Module_Globals.StartNo, emptied ? 0 : startNo);
            if (emptied)
                continue;
            QTest::keyClick(w->Text2, Qt::Key_Return);
            QCOMPARE(QApplication::focusWidget(), w->Command1);
            const QStringList names = listEntries(w->List2);
            QCOMPARE(names.isEmpty() ? QString() : names.first() + " " + names.last(), preview);
            w->Text1->setText(QStringLiteral("X"));
            QCOMPARE(w->List2->count(), 0);
        }
    }

    // Entering the prefix box with no file listed: Retry sends the focus to the file type box
    // (leaving the prefix box leads to Text2 first), Cancel leaves it there.
    void emptyFolderOnEnteringPrefix()
    {
        for (const bool retry : { true, false }) {
            QTemporaryDir empty;
            ShownWindow w;
            w.open(empty.path());
            w->Combo1->setFocus();
            w.boxes.answer({ retry });
            w->Text1->setFocus();
            const QStringList texts { msg::NoFiles, msg::ChooseTypeAndFolder };
            QCOMPARE(w.boxes.texts(), retry ? texts : texts.first(1));
            QCOMPARE(QApplication::focusWidget(), retry ? w->Text2 : w->Text1);
        }
    }
};

QTEST_MAIN(TestNewNameEntry)
#include "tst_new_name_entry.moc"
