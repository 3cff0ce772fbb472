// The promise behind the undo, tried on generated input: every batch that completes can be
// undone by the restore, leaving the folder exactly as before; every batch that cannot be
// undone is refused before anything changes. Names are the odd but legal ones a renamer meets.
#include "scene.h"

#include <QRandomGenerator>

namespace {

constexpr quint32 Seed = 20261207;
constexpr int Cases = 2500;

// Pieces of names: scripts, look-alikes, blanks, dots, control characters, invisible marks,
// and the program's own name shapes.
const QStringList Pieces = {
    "写真",
    "ｶﾅ",
    "〜",
    "é",
    "😀",
    " ",
    ".",
    "..",
    "a",
    "B",
    "7",
    "0001",
    "\t",
    "\x1b",
    "\x7f",
    "\r",
    "\n",
    QString(QChar(0xFEFF)),
    QString(QChar(0x2028)),
    ".zyx",
    ".log",
    ".jpg",
    "VOXA",
    "jpg",
    "zyx",
    "p",
};
const QStringList Patterns = { "*.jpg", "*.JPG", "*", "*.log", "*.zyx", "*.p" };

class Generator
{
public:
    explicit Generator(quint32 seed)
        : m_random(seed)
    { }
    int below(qsizetype n) { return int(m_random.bounded(int(n))); }
    bool chance(int percent) { return below(100) < percent; }

    QString piecesOf(int most)
    {
        QString text;
        for (int n = below(most + 1); n > 0; --n)
            text += Pieces[below(Pieces.size())];
        return text;
    }
    QString name()
    {
        switch (below(12)) {
        case 0:
            return historyFileName(Pieces[below(Pieces.size())], below(3));
        case 1:
            return restoreTemporaryName(below(3));
        case 2:
            return QString(85, QChar(0x5199)); // 255 bytes in UTF-8
        case 3:
            return QString(251, u'a') + ".jpg";
        default:
            return piecesOf(4) + (chance(70) ? ".jpg" : "");
        }
    }
    // Names that can stand in a folder, each once.
    QStringList names(int count)
    {
        QStringList result;
        while (result.size() < count) {
            const QString n = name();
            if (isEntryName(n) && !n.contains(QChar(0)) && !result.contains(n))
                result << n;
        }
        return result;
    }

private:
    QRandomGenerator m_random;
};

// The refusals a batch gives before its question, with nothing changed.
const QList<BatchStatus> Refusals
    = { BatchStatus::NoNewNames, BatchStatus::ListsDiffer, BatchStatus::MissingFile,
        BatchStatus::NameTaken,  BatchStatus::BadName,     BatchStatus::FaultyHistory };

} // namespace

class TestProperties : public QObject
{
    Q_OBJECT

private slots:
    // One or two batches on generated names in a folder with bystanders, then a restore of
    // the whole chain.
    void batchThenRestoreLeavesFolderAsBefore()
    {
        Generator gen(Seed);
        int done = 0;
        for (int c = 0; c < Cases; ++c) {
            Scene scene;
            QStringList all = gen.names(1 + gen.below(6));
            const qsizetype bystanders = gen.below(all.size());
            const QStringList targets = all.mid(bystanders);
            for (const QString &name : all) {
                // A name longer than the file system allows cannot be made; it is then no test.
                QFile f(scene.dir.filePath(name));
                if (f.open(QIODevice::WriteOnly))
                    f.write(name.toUtf8());
            }
            const Files original = scene.files();
            const QString pattern = Patterns[gen.below(Patterns.size())];
            const QString what = QString("case %1 (seed %2): %3 %4")
                                     .arg(c)
                                     .arg(Seed)
                                     .arg(targets.join('|').toUtf8().toPercentEncoding(), pattern);

            QStringList names = targets;
            int batches = 0;
            for (int b = 0; b < 1 + gen.chance(40); ++b) {
                const int start = gen.chance(10) ? 9999 - gen.below(3) : gen.below(10000);
                const BatchInput input = previewed(names, gen.piecesOf(2), start, pattern);
                const Files before = scene.files();
                const BatchOutcome outcome = renameBatch(*scene.open(), input);
                if (outcome.status != BatchStatus::Done) {
                    QVERIFY2(Refusals.contains(outcome.status),
                             qPrintable(what + " → " + outcome.message()));
                    QVERIFY2(scene.files() == before, qPrintable(what));
                    break;
                }
                names = input.newNames;
                ++batches;
            }
            if (batches > 0) {
                ++done;
                const RestoreOutcome restored = restoreNames(*scene.open(), pattern);
                QVERIFY2(restored.status == RestoreStatus::AllUndone,
                         qPrintable(what + " → " + restored.message()));
            }
            QVERIFY2(scene.files() == original, qPrintable(what));
        }
        // The generator must reach both sides of the promise.
        QVERIFY(done > Cases / 4 && done < Cases * 3 / 4);
    }
};

QTEST_GUILESS_MAIN(TestProperties)
#include "tst_properties.moc"
