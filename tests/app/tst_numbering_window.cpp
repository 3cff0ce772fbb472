// The Number menu in the real main window, offscreen: its items and keys, the target list and the
// preview in each order, with pairs, the choice kept between starts, the start-number rule
// counting groups, a batch renamed and restored through the window, and Esc stopping the
// reading of dates.
#include "sample_media.h"
#include "window_fixture.h"

#include <QActionGroup>
#include <QKeyEvent>
#include <QMenuBar>
#include <QSettings>

namespace {

QStringList menuTexts(const QMenu *menu)
{
    QStringList texts;
    for (const QAction *a : menu->actions())
        texts << (a->isSeparator() ? QString("-") : a->text());
    return texts;
}

QAction *itemOf(const ShownWindow &w, const QString &order)
{
    return order == "natural" ? w->mnuOrderNatural
        : order == "taken"    ? w->mnuOrderTaken
        : order == "modified" ? w->mnuOrderModified
                              : w->mnuOrderName;
}

// Chooses an order and the pairs option as the user does, from the menu.
void choose(const ShownWindow &w, const QString &order, bool pairs)
{
    if (!itemOf(w, order)->isChecked())
        itemOf(w, order)->trigger();
    if (w->mnuPairs->isChecked() != pairs)
        w->mnuPairs->trigger();
}

// Photos of one morning in Tokyo whose names run against their dates, with XMP sidecars, and
// text files whose names hold numbers.
void photos(const QString &folder)
{
    const QStringList stems { "DSC_0003", "DSC_0010", "IMG_0002", "photo1" };
    for (int i = 0; i < stems.size(); ++i) {
        sample::jpeg(QDir(folder).filePath(stems[i] + ".jpg"),
                     { QString("2024:05:01 1%1:00:00").arg(stems.size() - i) });
        touch(folder, (stems[i] + ".xmp").toUtf8(), stems[i].toUtf8());
        sample::setModified(QDir(folder).filePath(stems[i] + ".xmp"), 1800000000);
    }
    for (const char *name : { "photo10.txt", "photo2.txt", "写真１０.txt", "写真９.txt" })
        touch(folder, name, name);
}

} // namespace

class TestNumberingWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        qputenv("TZ", "Asia/Tokyo");
        tzset();
    }

    // The menu stands between Edit and Help; its items are radio items and one option, each
    // with an access key of its own, and the name order without pairs is the default.
    void menu()
    {
        ShownWindow w;
        QCOMPARE(w->menuBar()->actions().indexOf(w->mnuNumber->menuAction()), 2);
        QCOMPARE(menuTexts(w->mnuNumber),
                 QStringList({ msg::OrderByName, msg::OrderNaturally, msg::OrderByTaken,
                               msg::OrderByModified, "-", msg::PairsOption }));
        QVERIFY(w->mnuOrderName->actionGroup() && w->mnuOrderName->actionGroup()->isExclusive());
        QVERIFY(w->mnuOrderName->isChecked() && !w->mnuPairs->isChecked());
        // Every menu of the bar and every item of this one has an access key of its own.
        for (const QList<QAction *> &actions :
             { w->menuBar()->actions(), w->mnuNumber->actions() }) {
            QSet<QString> keys;
            int items = 0;
            for (const QAction *a : actions) {
                if (a->isSeparator())
                    continue;
                ++items;
                keys << QKeySequence::mnemonic(a->text()).toString();
            }
            QVERIFY(!keys.contains(QString()));
            QCOMPARE(keys.size(), items);
        }

        // Alt+N opens it, A chooses the natural order.
        QTest::keyClick(w.window.get(), Qt::Key_N, Qt::AltModifier);
        QTRY_COMPARE(QApplication::activePopupWidget(), w->mnuNumber);
        QTest::keyClick(w->mnuNumber, Qt::Key_A);
        QTRY_VERIFY(w->mnuOrderNatural->isChecked());
        QVERIFY(!w->mnuOrderName->isChecked());
    }

    void lists_data()
    {
        QTest::addColumn<QString>("order");
        QTest::addColumn<bool>("pairs");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QStringList>("targets");
        QTest::addColumn<QStringList>("previews");
        const QString photos = "*.jpg;*.xmp";
        // clang-format off
        QTest::newRow("name: as designed") << "name" << false << "*.jpg"
            << QStringList { "DSC_0003.jpg", "DSC_0010.jpg", "IMG_0002.jpg", "photo1.jpg" }
            << QStringList { "p0001.jpg", "p0002.jpg", "p0003.jpg", "p0004.jpg" };
        QTest::newRow("name: numbers as text") << "name" << false << "*.txt"
            << QStringList { "photo10.txt", "photo2.txt", "写真１０.txt", "写真９.txt" }
            << QStringList { "p0001.txt", "p0002.txt", "p0003.txt", "p0004.txt" };
        QTest::newRow("natural") << "natural" << false << "*.txt"
            << QStringList { "photo2.txt", "photo10.txt", "写真９.txt", "写真１０.txt" }
            << QStringList { "p0001.txt", "p0002.txt", "p0003.txt", "p0004.txt" };
        QTest::newRow("taken") << "taken" << false << "*.jpg"
            << QStringList { "photo1.jpg", "IMG_0002.jpg", "DSC_0010.jpg", "DSC_0003.jpg" }
            << QStringList { "p0001.jpg", "p0002.jpg", "p0003.jpg", "p0004.jpg" };
        QTest::newRow("name with pairs") << "name" << true << photos
            << QStringList { "DSC_0003.jpg", "DSC_0003.xmp", "DSC_0010.jpg", "DSC_0010.xmp",
                             "IMG_0002.jpg", "IMG_0002.xmp", "photo1.jpg", "photo1.xmp" }
            << QStringList { "p0001.jpg", "p0001.xmp", "p0002.jpg", "p0002.xmp", "p0003.jpg",
                             "p0003.xmp", "p0004.jpg", "p0004.xmp" };
        QTest::newRow("taken with pairs") << "taken" << true << photos
            << QStringList { "photo1.jpg", "photo1.xmp", "IMG_0002.jpg", "IMG_0002.xmp",
                             "DSC_0010.jpg", "DSC_0010.xmp", "DSC_0003.jpg", "DSC_0003.xmp" }
            << QStringList { "p0001.jpg", "p0001.xmp", "p0002.jpg", "p0002.xmp", "p0003.jpg",
                             "p0003.xmp", "p0004.jpg", "p0004.xmp" };
        // clang-format on
    }
    // The target list in numbering order and the preview running down it; choosing another
    // order lists the folder again at once.
    void lists()
    {
        QFETCH(QString, order);
        QFETCH(bool, pairs);
        QFETCH(QString, pattern);
        QFETCH(QStringList, targets);
        QFETCH(QStringList, previews);
        QTemporaryDir work;
        photos(work.path());
        ShownWindow w;
        w->Combo1->setEditText(pattern);
        w.open(work.path());
        choose(w, order, pairs);
        QCOMPARE(listEntries(w->List1), targets);
        w.preview("p", "1");
        QCOMPARE(listEntries(w->List2), previews);
        QCOMPARE(w->windowTitle(), msg::AppTitle);
        QVERIFY(w.boxes.texts().isEmpty());
    }

    // The choice outlives the window; a new window lists in it.
    void remembered()
    {
        QTemporaryDir work, settings;
        photos(work.path());
        const QString file = settings.filePath("kelvaro.ini");
        {
            ShownWindow w(0, file);
            choose(w, "natural", true);
        }
        QCOMPARE(QSettings(file, QSettings::IniFormat).value("numbering/order").toString(),
                 "natural");
        ShownWindow w(0, file);
        QVERIFY(w->mnuOrderNatural->isChecked() && w->mnuPairs->isChecked());
        w->Combo1->setEditText("*.jpg;*.xmp");
        w.open(work.path());
        QCOMPARE(listEntries(w->List1).first(2), QStringList({ "DSC_0003.jpg", "DSC_0003.xmp" }));
    }

    // The start-number rule counts running numbers: with pairs, 8 files take 4.
    void startNumberCountsGroups()
    {
        QTemporaryDir work;
        photos(work.path());
        for (bool pairs : { false, true }) {
            ShownWindow w;
            w->Combo1->setEditText("*.jpg;*.xmp");
            choose(w, "name", pairs);
            w.open(work.path());
            w.preview("p", "9995");
            QCOMPARE(w.boxes.texts().contains(msg::NumberNotAllowed), !pairs);
            if (pairs)
                QCOMPARE(listEntries(w->List2).last(), "p9998.xmp");
        }
    }

    // A batch by date taken with pairs, renamed and restored through the window, comes back
    // byte for byte.
    void renameAndRestore()
    {
        QTemporaryDir work;
        photos(work.path());
        const Files before = filesOf(work.path());
        ShownWindow w;
        w->Combo1->setEditText("*.jpg;*.xmp");
        choose(w, "taken", true);
        w.open(work.path());
        w.preview("t", "1");
        w.boxes.answer({ true });
        w->Command1->click();
        QCOMPARE(w.boxes.texts().value(1), msg::RenameDone);
        const Files renamed = filesOf(work.path());
        QCOMPARE(renamed.value("t0001.xmp"), "photo1");
        QCOMPARE(renamed.value("t0004.xmp"), "DSC_0003");
        QCOMPARE(renamed.value("t0004.jpg"), before.value("DSC_0003.jpg"));
        w.boxes.answer({ true, true });
        w->nmuUndo->trigger();
        QCOMPARE(filesOf(work.path()), before);
    }

    // Esc while the dates are read: the progress was in the caption, the target list is in
    // the name order, and so is the menu from now on.
    void stopReading()
    {
        QTemporaryDir work;
        photos(work.path());
        ShownWindow w;
        choose(w, "taken", false);
        QStringList captions;
        connect(w.window.get(), &QWidget::windowTitleChanged,
                [&](const QString &title) { captions << title; });
        QCoreApplication::postEvent(
            w.window.get(), new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
        w.open(work.path());
        // However far the threads had come when it was shown.
        QStringList progress;
        for (int done = 0; done <= 4; ++done)
            progress << msg::readingDates(true, done, 4);
        QVERIFY2(progress.contains(captions.value(0)), qPrintable(captions.value(0)));
        QCOMPARE(w->windowTitle(), msg::AppTitle);
        QCOMPARE(listEntries(w->List1),
                 QStringList({ "DSC_0003.jpg", "DSC_0010.jpg", "IMG_0002.jpg", "photo1.jpg" }));
        QVERIFY(w->mnuOrderName->isChecked());
        QCOMPARE(QSettings(w.settingsDir.filePath("kelvaro.ini"), QSettings::IniFormat)
                     .value("numbering/order")
                     .toString(),
                 "name");
    }
};

QTEST_MAIN(TestNumberingWindow)
#include "tst_numbering_window.moc"
