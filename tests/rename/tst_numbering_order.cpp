// The numbering orders and the pairs option on real files: photos and videos made with the dates
// a row chooses, read back through the engine, and the order and groups the target list gets.
#include "naming.h"
#include "numbering_order.h"
#include "sample_media.h"
#include "taken_moment.h"

#include <QDir>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using namespace renaming;

namespace {

// One file of a row. `date` is EXIF's DateTimeOriginal for photos, the movie header's UTC time
// for videos; `modified` its modification time in minutes after a fixed morning (UTC).
struct Sample
{
    QString name;
    QString kind = "text"; // jpeg, tiff, heic, avif, mp4, mov, text; "gone": listed, not there
    QString date = {};
    QString offset = {};
    QString subSeconds = {};
    int modified = 0;
};

const qint64 Morning
    = QDateTime(QDate(2024, 6, 1), QTime(0, 0), QTimeZone::utc()).toSecsSinceEpoch();

qint64 utcOf(const QString &exifDate)
{
    const std::optional<Moment> moment = momentFromExif(exifDate, "+00:00");
    return moment ? moment->seconds : 0;
}

// Makes the files of a row; false when a tool that makes one is missing.
bool make(const QString &folder, const QList<Sample> &samples)
{
    for (const Sample &s : samples) {
        const QString path = QDir(folder).filePath(s.name);
        const sample::Shot shot { s.date, s.offset, s.subSeconds };
        if (s.kind == "gone")
            continue;
        if (s.kind == "jpeg")
            sample::jpeg(path, shot);
        else if (s.kind == "tiff")
            sample::tiff(path, shot);
        else if (s.kind == "heic" || s.kind == "avif") {
            if (!sample::heif(path, shot, s.kind == "avif"))
                return false;
        } else if (s.kind == "mp4" || s.kind == "mov")
            sample::movie(path, utcOf(s.date), s.kind == "mov" ? "qt  " : "isom");
        else
            QFile(path).open(QIODevice::WriteOnly);
        sample::setModified(path, Morning + s.modified * 60);
    }
    return true;
}

// Names as the folder listing gives them: without regard to case.
QStringList listed(QStringList names)
{
    std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
        const int c = QString::compare(a.toCaseFolded(), b.toCaseFolded(), Qt::CaseSensitive);
        return c != 0 ? c < 0 : a < b;
    });
    return names;
}

QStringList listed(const QList<Sample> &samples)
{
    QStringList names;
    for (const Sample &s : samples)
        names << s.name;
    return listed(names);
}

} // namespace

Q_DECLARE_METATYPE(QList<Sample>)

class TestNumberingOrder : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // Dates without an offset are read as local time: the rows are written for Tokyo.
        qputenv("TZ", "Asia/Tokyo");
        tzset();
    }

    void order_data()
    {
        QTest::addColumn<QList<Sample>>("samples");
        QTest::addColumn<QString>("order");
        QTest::addColumn<bool>("pairs");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QList<int>>("groups"); // per expected name; empty: one file, one number
        const auto row
            = [](const char *tag, const QList<Sample> &samples, const char *order,
                 const QStringList &expected, bool pairs = false, const QList<int> &groups = {}) {
                  QTest::newRow(tag) << samples << QString(order) << pairs << expected << groups;
              };
        // clang-format off
        // Names.
        row("name: the listing as it is", { { "photo10.jpg" }, { "photo2.jpg" }, { "Photo1.jpg" } },
            "name", { "Photo1.jpg", "photo10.jpg", "photo2.jpg" });
        row("natural: numbers by value", { { "photo10.jpg" }, { "photo2.jpg" }, { "Photo1.jpg" } },
            "natural", { "Photo1.jpg", "photo2.jpg", "photo10.jpg" });
        row("natural: Japanese, full-width digits", { { "写真10.jpg" }, { "写真2.jpg" },
            { "写真１.jpg" }, { "写真０３.jpg" }, { "写真.jpg" } },
            "natural", { "写真.jpg", "写真１.jpg", "写真2.jpg", "写真０３.jpg", "写真10.jpg" });
        row("natural: numbers before letters, after '-'", { { "a-b.txt" }, { "a9.txt" }, { "ab.txt" },
            { "a１０.txt" } }, "natural", { "a-b.txt", "a9.txt", "a１０.txt", "ab.txt" });
        row("natural: 01 and 1 tie, name order decides", { { "a1.txt" }, { "a01.txt" },
            { "a001b.txt" } }, "natural", { "a01.txt", "a1.txt", "a001b.txt" });
        row("natural: several numbers", { { "v1.10.txt" }, { "v1.9.txt" }, { "v1.9.1.txt" },
            { "v10.1.txt" } }, "natural", { "v1.9.1.txt", "v1.9.txt", "v1.10.txt", "v10.1.txt" });

        // Dates taken, in Tokyo: a camera without offset at 10:00 is 01:00 UTC.
        row("taken: camera and phone mixed", {
                { "DSC_0001.JPG", "jpeg", "2024:05:01 10:00:00" },
                { "DSC_0002.NEF", "tiff", "2024:05:01 10:20:00" },
                { "IMG_1234.HEIC", "heic", "2024:05:01 10:30:00", "+09:00" },
                { "IMG_1235.avif", "avif", "2024:05:01 09:50:00", "+09:00" },
                { "VID_0001.mp4", "mp4", "2024:05:01 01:15:00" },
                { "VID_0002.MOV", "mov", "2024:05:01 00:40:00" } },
            "taken", { "VID_0002.MOV", "IMG_1235.avif", "DSC_0001.JPG", "VID_0001.mp4",
                       "DSC_0002.NEF", "IMG_1234.HEIC" });
        row("taken: the offset counts", {
                { "a.jpg", "jpeg", "2024:05:01 12:00:00", "+01:00" },
                { "b.jpg", "jpeg", "2024:05:01 12:00:00", "+09:00" },
                { "c.jpg", "jpeg", "2024:05:01 12:00:00", "-05:00" } },
            "taken", { "b.jpg", "a.jpg", "c.jpg" });
        row("taken: a burst by its sub-seconds", {
                { "b1.jpg", "jpeg", "2024:05:01 10:00:00", "", "7" },
                { "b2.jpg", "jpeg", "2024:05:01 10:00:00", "", "25" },
                { "b3.jpg", "jpeg", "2024:05:01 10:00:00", "", "5" } },
            "taken", { "b2.jpg", "b3.jpg", "b1.jpg" });
        // 2024-06-01 09:00 in Tokyo is the fixed morning, where modification times count from.
        row("taken: no metadata falls back to the modification time", {
                { "a.txt", "text", "", "", "", 90 },
                { "b.jpg", "jpeg", "2024:06:01 10:00:00", "", "", 0 },
                { "c.jpg", "jpeg", "2024:06:01 09:30:00", "", "", 600 },
                { "d.jpg", "jpeg", "    :  :     :  :  ", "", "", 45 } },
            "taken", { "c.jpg", "d.jpg", "b.jpg", "a.txt" });
        row("taken: ties by name, without regard to case", {
                { "b.jpg", "jpeg", "2024:05:01 10:00:00" },
                { "A.jpg", "jpeg", "2024:05:01 10:00:00" },
                { "c.txt", "text", "", "", "", 60 } },
            "taken", { "A.jpg", "b.jpg", "c.txt" });
        row("taken: a file gone since the listing goes last", {
                { "a.jpg", "gone" }, { "b.jpg", "jpeg", "2024:05:01 10:00:00" } },
            "taken", { "b.jpg", "a.jpg" });
        row("modified: the modification time, not the metadata", {
                { "a.jpg", "jpeg", "2024:05:01 10:00:00", "", "", 30 },
                { "b.jpg", "jpeg", "2024:05:01 09:00:00", "", "", 20 },
                { "c.txt", "text", "", "", "", 10 } },
            "modified", { "c.txt", "b.jpg", "a.jpg" });

        // Pairs.
        row("pairs: sidecars", { { "DSC_0001.JPG" }, { "DSC_0001.xmp" }, { "DSC_0002.JPG" },
                { "DSC_0002.xmp" } }, "name",
            { "DSC_0001.JPG", "DSC_0001.xmp", "DSC_0002.JPG", "DSC_0002.xmp" }, true, { 0, 0, 1, 1 });
        row("pairs: raw, JPEG and XMP", { { "DSC_0001.JPG" }, { "DSC_0001.NEF" }, { "DSC_0001.xmp" },
                { "DSC_0002.NEF" }, { "DSC_0003.JPG" } }, "name",
            { "DSC_0001.JPG", "DSC_0001.NEF", "DSC_0001.xmp", "DSC_0002.NEF", "DSC_0003.JPG" },
            true, { 0, 0, 0, 1, 2 });
        row("pairs: one group spelled in two cases", { { "dsc_0001.jpg" }, { "DSC_0001.XMP" },
                { "DSC_0002.jpg" } }, "name",
            { "dsc_0001.jpg", "DSC_0001.XMP", "DSC_0002.jpg" }, true, { 0, 0, 1 });
        row("pairs: equal extension parts split by spelling", { { "IMG.jpg" }, { "img.jpg" },
                { "img.xmp" }, { "IMG.xmp" }, { "Img.txt" } }, "name",
            { "IMG.jpg", "IMG.xmp", "img.jpg", "img.xmp", "Img.txt" }, true, { 0, 0, 1, 1, 2 });
        row("pairs: a name without a dot", { { "README" }, { "README.txt" }, { "readme.md" } },
            "name", { "README", "readme.md", "README.txt" }, true, { 0, 0, 0 });
        row("pairs: natural order of the groups", { { "photo10.jpg" }, { "photo10.xmp" },
                { "photo2.xmp" }, { "photo2.jpg" } }, "natural",
            { "photo2.jpg", "photo2.xmp", "photo10.jpg", "photo10.xmp" }, true, { 0, 0, 1, 1 });
        row("pairs: a group where its first member is taken", {
                { "A.JPG", "jpeg", "2024:05:01 10:00:00" },
                { "A.xmp", "text", "", "", "", 24 * 60 },
                { "B.JPG", "jpeg", "2024:05:01 11:00:00" },
                { "B.NEF", "tiff", "2024:05:01 11:00:00" },
                { "C.JPG", "jpeg", "2024:05:01 09:00:00" } }, "taken",
            { "C.JPG", "A.JPG", "A.xmp", "B.JPG", "B.NEF" }, true, { 0, 1, 1, 2, 2 });
        // clang-format on
    }
    void order()
    {
        QFETCH(QList<Sample>, samples);
        QFETCH(QString, order);
        QFETCH(bool, pairs);
        QFETCH(QStringList, expected);
        QFETCH(QList<int>, groups);
        QTemporaryDir folder;
        if (!make(folder.path(), samples))
            QSKIP("heif-enc is missing (scripts/deps test installs it)");
        const NumberingChoice choice { *orderFromKeyword(order), pairs };
        int calls = 0;
        const auto targets
            = numberTargets(folder.path(), listed(samples), choice, [&](int done, int total) {
                  ++calls;
                  return done <= total;
              });
        QVERIFY(targets);
        QCOMPARE(targets->names, expected);
        QCOMPARE(targets->groups, groups);
        QCOMPARE(targets->groupCount(), groups.isEmpty() ? expected.size() : groups.last() + 1);
        // The files are read only for the orders of dates, each reporting its end.
        QCOMPARE(calls > 0, order == "taken" || order == "modified");
    }

    // The moment a date gives, and the dates that give none. (Local time, offsets, sub-seconds
    // and a blank date: the "taken" rows of the order table.)
    void exifDates_data()
    {
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("offset");
        QTest::addColumn<QString>("utc"); // ISO 8601 with milliseconds; empty: no moment
        const auto row
            = [](const char *tag, const char *date, const char *offset, const char *utc) {
                  QTest::newRow(tag) << QString(date) << QString(offset) << QString(utc);
              };
        row("dashes and T", "2024-05-01T10:00:00", "+00:00", "2024-05-01T10:00:00.000Z");
        row("bad offset: local", "2024:05:01 10:00:00", "+9", "2024-05-01T01:00:00.000Z");
        row("zeros", "0000:00:00 00:00:00", "", "");
        row("February 30", "2023:02:30 10:00:00", "", "");
        row("cut short", "2024:05:01 10:00", "", "");
    }
    void exifDates()
    {
        QFETCH(QString, date);
        QFETCH(QString, offset);
        QFETCH(QString, utc);
        const std::optional<Moment> moment = momentFromExif(date, offset);
        QCOMPARE(bool(moment), !utc.isEmpty());
        if (moment)
            QCOMPARE(moment->seconds * 1000 + moment->nanoseconds / 1'000'000,
                     QDateTime::fromString(utc, Qt::ISODateWithMs).toMSecsSinceEpoch());
    }

    // A file made to send a parser round in circles is given up, and counts as undated.
    void hostileMovie()
    {
        QTemporaryDir folder;
        // A time-to-sample table that claims four billion entries, in a tiny file.
        QByteArray table(8, 0);
        qToBigEndian<quint32>(0xFFFFFFFF, table.data() + 4);
        QFile file(folder.filePath("loop.mp4"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(sample::box("ftyp", QByteArray("qt  \0\0\0\0qt  ", 12))
                   + sample::box("moov", sample::box("stts", table)) + QByteArray(64, 0));
        file.close();
        sample::setModified(file.fileName(), Morning);
        const FileMoment moment = readFileMoment(folder.path(), "loop.mp4", true);
        QCOMPARE(moment.source, MomentSource::Modified);
        QCOMPARE(moment.moment.seconds, Morning);
    }

    // Over generated names: the natural order is a strict weak order (std::sort relies on it),
    // and with pairs no two files ever get the same new name, and every group is numbered once.
    void properties()
    {
        const quint32 seed = QRandomGenerator::global()->generate();
        QRandomGenerator random(seed);
        const QStringList pieces { "a",    "A", "b", "1",  "01", "10", "１", "２０",
                                   "写真", "-", "_", "９", "0",  "Ⅳ",  "٣" };
        const QStringList tails { "", ".jpg", ".JPG", ".xmp", ".NEF", ".jpg.xmp", ".", ".tar.gz" };
        for (int round = 0; round < 300; ++round) {
            QStringList names;
            const int count = 1 + random.bounded(12);
            while (names.size() < count) {
                QString name;
                for (int p = 1 + random.bounded(3); p > 0; --p)
                    name += pieces[random.bounded(pieces.size())];
                name += tails[random.bounded(tails.size())];
                if (!names.contains(name))
                    names << name;
                // Now and then the same name with its first part in capitals.
                const QString shouted = stemOf(name).toUpper() + name.mid(stemOf(name).size());
                if (random.bounded(3) == 0 && !names.contains(shouted))
                    names << shouted;
            }
            QStringList keys;
            for (const QString &name : names)
                keys << naturalKey(name);
            for (const QString &a : keys)
                for (const QString &b : keys)
                    for (const QString &c : keys)
                        if (a < b && b < c && !(a < c))
                            QFAIL(qPrintable(QString("not transitive, seed %1").arg(seed)));

            const NumberedTargets targets
                = arrangeTargets(listed(names), { NumberingOrder::Natural, true });
            QSet<QString> newNames;
            for (int i = 0; i < targets.names.size(); ++i) {
                const QString name = *newName("t", 0, targets.groupOf(i), targets.names[i]);
                QVERIFY2(!newNames.contains(name), qPrintable(QString::number(seed)));
                newNames.insert(name);
                QVERIFY(i == 0 || targets.groups[i] == targets.groups[i - 1]
                        || targets.groups[i] == targets.groups[i - 1] + 1);
            }
            QCOMPARE(QSet<QString>(targets.names.begin(), targets.names.end()),
                     QSet<QString>(names.begin(), names.end()));
        }
    }
};

QTEST_GUILESS_MAIN(TestNumberingOrder)
#include "tst_numbering_order.moc"
