// The prefix and start-number boxes of the main window: their checks as the user types, the
// walk of the focus from box to box, and the preview of the new names.
#include "window_fixture.h"

#include "messages.h"

#include <QListWidget>
#include <QPushButton>

class TestNewNameEntry : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_ten; // ten files f00000.jpg .. f00009.jpg
    QTemporaryDir m_many; // 9,980 files
    QTemporaryDir m_empty;

    QWidget *focused() const { return QApplication::focusWidget(); }

private slots:
    void initTestCase()
    {
        QVERIFY(m_ten.isValid() && m_many.isValid() && m_empty.isValid());
        touchMany(m_ten.path(), 10, "f", "jpg");
        touchMany(m_many.path(), 9980, "m", "jpg");
    }

    void prefixWidth_data()
    {
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<bool>("accepted");
        const QString full(u'あ');
        QTest::newRow("125 full-width") << full.repeated(125) << true;
        QTest::newRow("126 full-width") << full.repeated(126) << false;
        QTest::newRow("250 half-width") << QString(250, u'a') << true;
        QTest::newRow("251 half-width") << QString(251, u'a') << false;
        QTest::newRow("124 full + 2 half") << full.repeated(124) + "ab" << true;
        QTest::newRow("half-width katakana count one") << QString(250, u'ｱ') << true;
    }
    void prefixWidth()
    {
        QFETCH(QString, prefix);
        QFETCH(bool, accepted);
        for (const bool retry : { true, false }) {
            ShownWindow w;
            w.open(m_ten.path());
            w->List2->addItem(QStringLiteral("stale"));
            w.boxes.answer({ retry });
            w->Text1->setText(prefix);
            QCOMPARE(w->List2->count(), 0);
            if (accepted) {
                QVERIFY(w.boxes.shown.isEmpty());
                QCOMPARE(w->Text1->text(), prefix);
                break;
            }
            QCOMPARE(w.boxes.texts(), QStringList { msg::PrefixTooWide });
            QCOMPARE(w->Text1->text(), retry ? prefix.left(4) : prefix);
            if (retry)
                QCOMPARE(focused(), w->Text1);
        }
    }

    void startNumber_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<int>("startNo"); // after Cancel when refused
        QTest::newRow("9989 + 10 files") << "ten"
                                         << "9989" << true << 9989;
        QTest::newRow("9990 + 10 files") << "ten"
                                         << "9990" << false << 9990;
        QTest::newRow("19.4 + 9980 files") << "many"
                                           << "19.4" << false << 19;
        QTest::newRow("19 + 9980 files") << "many"
                                         << "19" << true << 19;
        QTest::newRow("20 + 9980 files") << "many"
                                         << "20" << false << 20;
        QTest::newRow("negative") << "ten"
                                  << "-5" << false << -5;
        QTest::newRow("halves to even") << "ten"
                                        << "2.5" << true << 2;
        QTest::newRow("beyond 16 bits") << "ten"
                                        << "40000" << false << 32767;
        QTest::newRow("below 16 bits") << "ten"
                                       << "-1E9" << false << -32768;
    }
    void startNumber()
    {
        QFETCH(QString, folder);
        QFETCH(QString, text);
        QFETCH(bool, accepted);
        QFETCH(int, startNo);
        for (const bool retry : { true, false }) {
            ShownWindow w;
            w.open(folder == "ten" ? m_ten.path() : m_many.path());
            w.boxes.answer({ retry });
            w->Text2->setText(text);
            if (accepted) {
                QVERIFY(w.boxes.shown.isEmpty());
                QCOMPARE(w->Module_Globals.StartNo, startNo);
                break;
            }
            QCOMPARE(w.boxes.texts(), QStringList { msg::NumberNotAllowed });
            QCOMPARE(w->Text2->text(), retry ? QString() : text);
            QCOMPARE(w->Module_Globals.StartNo, retry ? 0 : startNo);
            if (retry)
                QCOMPARE(focused(), w->Text2);
        }
    }

    void secondDigitRefused()
    {
        ShownWindow w;
        w.open(m_many.path());
        QStringList textsWhenShown;
        w.boxes.onShow
            = [&](const ScriptedMessageBoxes::Shown &) { textsWhenShown << w->Text2->text(); };
        w.boxes.answer({ true });
        QTest::keyClick(w->Text1, Qt::Key_Return);
        QTest::keyClicks(w->Text2, QStringLiteral("25"));
        QCOMPARE(textsWhenShown, QStringList { "25" });
        QCOMPARE(w->Text2->text(), QString());
        QCOMPARE(w->Module_Globals.StartNo, 0);
    }

    void previewOfKeptNumbers_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("negative start leaves out the first five")
            << "-5"
            << QStringList { "P0000.jpg", "P0001.jpg", "P0002.jpg", "P0003.jpg", "P0004.jpg" };
        QTest::newRow("start beyond 16 bits gives no names") << "99999" << QStringList {};
        QTest::newRow("start below 16 bits gives no names") << "-99999" << QStringList {};
    }
    void previewOfKeptNumbers()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, expected);
        ShownWindow w;
        w.open(m_ten.path());
        w->Text1->setText(QStringLiteral("P"));
        QTest::keyClick(w->Text1, Qt::Key_Return);
        w.boxes.answer({ false });
        QTest::keyClicks(w->Text2, text);
        QTest::keyClick(w->Text2, Qt::Key_Return);
        QCOMPARE(w->Text2->text(), text);
        QCOMPARE(w.items(w->List2), expected);
    }

    void focusWalkBuildsPreview()
    {
        ShownWindow w;
        w.open(m_ten.path());
        QCOMPARE(focused(), w->Text1);
        QTest::keyClicks(w->Text1, QStringLiteral("IMG_"));
        QTest::keyClick(w->Text1, Qt::Key_Return);
        QCOMPARE(focused(), w->Text2);
        QCOMPARE(w->Text1->text(), QStringLiteral("IMG_"));
        QTest::keyClicks(w->Text2, QStringLiteral("7"));
        QCOMPARE(w->List2->count(), 0);
        QTest::keyClick(w->Text2, Qt::Key_Return);
        QCOMPARE(focused(), w->Command1);
        QCOMPARE(w->Text2->text(), QStringLiteral("7"));
        QCOMPARE(w->List2->count(), 10);
        QCOMPARE(w->List2->item(0)->text(), QStringLiteral("IMG_0007.jpg"));
        QCOMPARE(w->List2->item(9)->text(), QStringLiteral("IMG_0016.jpg"));
        // A change of the prefix empties the preview again.
        w->Text1->setText(QStringLiteral("X"));
        QCOMPARE(w->List2->count(), 0);
        QVERIFY(w.boxes.shown.isEmpty());
    }

    void previewStopsAtEndOfTargetList()
    {
        ShownWindow w;
        QTemporaryDir three;
        touchMany(three.path(), 3, "t", "jpg");
        w.open(three.path());
        // A refused listing: the folder listing shows ten files, the target list three.
        w->Combo1->setEditText(QStringLiteral("*.*"));
        w.boxes.answer({ false });
        w.open(m_ten.path());
        QCOMPARE(w->File1.count(), 10);
        QCOMPARE(w->List1->count(), 3);
        w->Text2->setFocus();
        w->Command1->setFocus();
        QCOMPARE(w.items(w->List2), QStringList({ "0000.jpg", "0001.jpg", "0002.jpg" }));
    }

    void emptyFolderOnEnteringPrefix_data()
    {
        QTest::addColumn<bool>("retry");
        QTest::addColumn<QStringList>("texts");
        QTest::newRow("retry") << true << QStringList { msg::NoFiles, msg::ChooseTypeAndFolder };
        QTest::newRow("cancel") << false << QStringList { msg::NoFiles };
    }
    void emptyFolderOnEnteringPrefix()
    {
        QFETCH(bool, retry);
        QFETCH(QStringList, texts);
        ShownWindow w;
        w.open(m_empty.path());
        w->Combo1->setFocus();
        w.boxes.answer({ retry });
        w->Text1->setFocus();
        QCOMPARE(w.boxes.texts(), texts);
        // Retry sends the focus away from the prefix box; leaving it leads to Text2.
        QCOMPARE(focused(), retry ? w->Text2 : w->Text1);
    }
};

QTEST_MAIN(TestNewNameEntry)
#include "tst_new_name_entry.moc"
