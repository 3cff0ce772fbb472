// The real message boxes (what they show of a text, how Esc answers them), and the face of
// text whose face the forms do not name.
#include "japanese_fonts.h"
#include "message_boxes.h"

#include <QAccessible>
#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <functional>

class TestUi : public QObject
{
    Q_OBJECT

private slots:
    // A name holding markup is shown as typed, never rendered: what a screen reader reads of
    // the box's text is the text itself.
    void boxesShowPlainText_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("confirm") << 0;
        QTest::newRow("retry") << 1;
        QTest::newRow("inform") << 2;
    }
    void boxesShowPlainText()
    {
        QFETCH(int, kind);
        const QString text = QStringLiteral("名前<b>太字</b>.jpg &amp; <i>x</i>");
        QString shown;
        QTimer::singleShot(0, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            QVERIFY(box);
            const auto *label = box->findChild<QLabel *>(QStringLiteral("qt_msgbox_label"));
            shown = QAccessible::queryAccessibleInterface(const_cast<QLabel *>(label))
                        ->text(QAccessible::Name);
            QTest::keyClick(box, Qt::Key_Escape);
        });
        ui::QtMessageBoxes boxes;
        const std::function<bool()> show[] = {
            [&] { return boxes.confirm(text, ui::Icon::Question); },
            [&] { return boxes.retry(text); },
            [&] {
                boxes.inform(text);
                return false;
            },
        };
        QVERIFY(!show[kind]()); // Esc answers Cancel
        QCOMPARE(shown, text);
    }

    // The suite runs under C.UTF-8, whose default face (DejaVu Sans) holds no Japanese.
    void defaultFaceIsJapanese()
    {
        ui::installJapaneseFonts();
        QVERIFY(QFontDatabase::writingSystems(QFontInfo(QApplication::font()).family())
                    .contains(QFontDatabase::Japanese));
    }
};

QTEST_MAIN(TestUi)
#include "tst_ui.moc"
