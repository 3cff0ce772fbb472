// The program as a desktop citizen: Qt's own texts in Japanese, the rename button pressed by
// Enter, accessible names for screen readers, headings that fit, and the hint after an
// interrupted rename.
#include "batch_rename.h"
#include "faulty_folder.h"
#include "frm_voxa_r_1.h"
#include "messages.h"
#include "scripted_message_boxes.h"
#include "translation.h"

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

class TestDesktop : public QObject
{
    Q_OBJECT

    struct Window
    {
        ScriptedMessageBoxes boxes;
        std::unique_ptr<frmVOXA_R_1> w;
        Window()
        {
            Services services;
            services.messages = &boxes;
            w = std::make_unique<frmVOXA_R_1>(services);
            w->show();
            QApplication::setActiveWindow(w.get());
            QVERIFY(QTest::qWaitForWindowActive(w.get()));
        }
    };

    static void makeFiles(const QString &folder, const QStringList &names)
    {
        for (const QString &name : names) {
            QFile f(folder + '/' + name);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(name.toUtf8());
        }
    }

    // Types the prefix and the start number; leaving the start-number box builds the preview.
    static void preview(Window &win, const QString &prefix, const QString &startNo)
    {
        win.w->Text1->setText(prefix);
        win.w->Text2->setFocus();
        win.w->Text2->setText(startNo);
        win.w->Command1->setFocus();
    }

private slots:
    void qtTextsAreJapanese()
    {
        QVERIFY(installQtJapaneseTranslation(*qApp));
        QMessageBox box(QMessageBox::NoIcon, msg::AppTitle, msg::AskRename,
                        QMessageBox::Ok | QMessageBox::Cancel);
        QCOMPARE(box.button(QMessageBox::Cancel)->text(), QStringLiteral("キャンセル"));
    }

    void enterOnRenameButtonAsks()
    {
        QTemporaryDir dir;
        makeFiles(dir.path(), { "a.jpg", "b.jpg" });
        Window win;
        win.w->Dir1->setPath(dir.path());
        preview(win, "p", "1");
        QCOMPARE(win.w->List2->count(), 2);
        QTest::keyClick(win.w->Command1, Qt::Key_Return);
        QCOMPARE(win.boxes.texts().value(0), msg::AskRename);
        QVERIFY(QFile::exists(dir.path() + "/a.jpg")); // answered Cancel
    }

    void controlsHaveAccessibleNamesAndTextsFit()
    {
        Window win;
        const std::pair<QWidget *, QString> named[] = {
            { win.w->Combo1, "改名ファイルタイプ" }, { win.w->List1, "作業対象ファイル名" },
            { win.w->List2, "改名後ファイル名" },    { win.w->Text1, "改名後のファイル名の頭" },
            { win.w->Text2, "Start No:" },           { win.w->Command1, msg::RenameButton },
            { win.w->Label2, msg::StatusAtStart },
        };
        for (const auto &[widget, name] : named) {
            QAccessibleInterface *a = QAccessible::queryAccessibleInterface(widget);
            QVERIFY(a);
            // An editable combo box reports its text as its name on Linux; screen readers
            // announce it by the heading that labels it.
            const auto labels = a->relations(QAccessible::Label);
            const QString heading
                = labels.isEmpty() ? QString() : labels.first().first->text(QAccessible::Name);
            QVERIFY2(a->text(QAccessible::Name) == name || heading == name, qPrintable(name));
        }
        for (QLabel *label : win.w->findChildren<QLabel *>()) {
            const QFontMetricsF metrics(label->font());
            QVERIFY2(metrics.horizontalAdvance(label->text()) <= label->width(),
                     qPrintable(label->objectName()));
        }
    }

    // A batch cut off by a power cut leaves temporary names behind; listing the folder and a
    // new rename both point the user to the restore instead of refusing without a word why.
    void interruptedRunIsPointedOut()
    {
        QTemporaryDir dir;
        const QStringList names { "a.jpg", "b.jpg", "c.jpg" };
        makeFiles(dir.path(), names);
        {
            auto crashing = wrapFolder<CrashingFolder>(dir.path(), 4);
            const auto outcome = renaming::renameBatch(
                *crashing, { names, { "x0001.jpg", "x0002.jpg", "x0003.jpg" }, "x", 1, "*.jpg" });
            QVERIFY(!outcome.ok());
        }
        Window win;
        win.w->Dir1->setPath(dir.path());
        QCOMPARE(win.boxes.texts(), QStringList { msg::InterruptedHint });

        win.boxes.clear();
        preview(win, "x", "1");
        win.w->Command1_Click();
        QCOMPARE(win.boxes.texts(), QStringList { msg::InterruptedHint });
    }
};

QTEST_MAIN(TestDesktop)
#include "tst_desktop.moc"
