// The Number menu in the real main window, offscreen: the start-number rule counting groups, a
// batch renamed and restored through the window, and Esc stopping the reading of dates. (The
// menu read from outside, an order chosen by its keys and kept for the next start:
// tests/desktop.)
#include "sample_media.h"
#include "window_fixture.h"

#include <QKeyEvent>
#include <QSettings>

namespace {

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
        QCOMPARE(w->windowTitle(), msg::AppTitle); // the progress of the dates is gone
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
