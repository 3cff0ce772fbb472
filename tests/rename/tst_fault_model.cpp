// The fault model: instead of listing crash cases, every request that changes the disk is made
// to fail, to act and then report a failure (a lost reply on a share), to stop the program dead
// before or after it, or to lose the share for good, one at a time; the batch rename, the
// restore and delete history run on small folders over every kind of file system, and then
// what a user does next. One invariant is checked everywhere:
//   - no file is ever without a name;
//   - what a run reports is what the disk holds (every file where the outcome says it is, the
//     history as the outcome says);
//   - from every state a restore brings every file back under its first name with its bytes,
//     and the batch can then be run again (no state in which every command refuses).
// The requests are counted, so that the walk reaches every fault point of every run.
#include "batch_rename.h"
#include "delete_history.h"
#include "history.h"
#include "messages.h"
#include "model_folder.h"
#include "naming.h"
#include "recovery.h"
#include "restore.h"

#include <QTest>

using namespace renaming;
using Contents = QMap<QString, QByteArray>;

namespace {

const QString Pattern = QStringLiteral("*.jpg");
const QString Bystander = QStringLiteral("notes.txt");

struct Scenario
{
    const char *name;
    QStringList files; // the targets at the start, in list order; each holds its own name
    QList<QPair<QString, int>> batches; // prefix and start number; each renames what the last left
    bool onePass; // whether the batches (and so their undo steps) go in one pass
};

const QList<Scenario> Scenarios = {
    // The usual batch: no new name is an old one, and each file is renamed once.
    { "three files", { "a.jpg", "b.jpg", "c.jpg" }, { { "p", 1 } }, true },
    // Files 1 and 2 exchange their names: an exchanged pair in the middle of the list.
    { "swap in the middle", { "x.jpg", "q0003.jpg", "q0002.jpg", "y.jpg" }, { { "q", 1 } }, false },
    // Old and new names that differ only in case, one name on a disk that ignores case: the
    // first file's new name is the last one's old name there, the second's its own.
    { "names of both cases", { "a.JPG", "P0002.jpg", "P0001.jpg" }, { { "p", 1 } }, false },
    // A batch on top of another: only history file 2 is written, and the restore undoes both.
    { "second batch", { "a.jpg", "b.jpg" }, { { "p", 1 }, { "r", 5 } }, true },
};

BatchInput batchOf(const QStringList &files, const QPair<QString, int> &batch)
{
    BatchInput input { files, {}, batch.first, batch.second, Pattern };
    for (int i = 0; i < files.size(); ++i)
        input.newNames << newName(batch.first, batch.second, i, files[i]).value_or(QString());
    return input;
}

// A scenario on one kind of file system: the disks before the faulted batch and after it.
struct World
{
    const FileSystemKind &kind;
    const Scenario &scenario;
    QList<QStringList> names; // the targets' names before the batches, and after each one
    Disk origin;
    Disk before; // every batch but the last done
    Disk after; // every batch done
    QList<QByteArray> bytes; // each target's bytes, its first name

    World(const FileSystemKind &k, const Scenario &s)
        : kind(k)
        , scenario(s)
        , origin(k)
        , before(k)
        , after(k)
    {
        for (const QString &name : s.files) {
            origin.put(name, name.toUtf8());
            bytes << name.toUtf8();
        }
        origin.put(Bystander, "not a picture");
        names << s.files;
        after = origin;
        for (const auto &batch : s.batches) {
            before = after;
            const BatchInput input = batchOf(names.last(), batch);
            BatchPlan plan;
            planBatch(input, &plan);
            if (renamesInOnePass(plan) != s.onePass)
                qFatal("%s: not the passes it is meant to walk", s.name);
            ModelFolder folder(after);
            const BatchOutcome done = renameBatch(folder, input);
            if (done.status != BatchStatus::Done)
                qFatal("%s on %s: %s", s.name, k.name, qPrintable(done.message()));
            names << input.newNames;
        }
    }
    const QStringList &oldNames() const { return names[names.size() - 2]; }
    // Every name target t may carry: its names before and after each batch, and the temporary
    // names of the batches and of the restore.
    QStringList namesOf(int t) const
    {
        QStringList result { restoreTemporaryName(t) };
        for (qsizetype b = 0; b < names.size(); ++b) {
            result << names[b][t];
            if (b > 0)
                result << batchTemporaryOf(names[b][t], names[b - 1][t]);
        }
        return result;
    }
    const QStringList &newNames() const { return names.last(); }
    int steps() const { return int(names.size()) - 1; }
    // The last batch, on the names the others left.
    BatchInput lastBatch() const { return batchOf(oldNames(), scenario.batches.last()); }
    // Every entry of `disk` but the targets under `targets`.
    static Contents othersOf(const Disk &disk, const QStringList &targets)
    {
        Contents others = disk.contents();
        for (const QString &name : targets)
            others.remove(name);
        return others;
    }
    // The entries besides the targets while the chain holds files 0 to `newest` (none for 0).
    Contents othersWithChain(int newest) const
    {
        Contents others = othersOf(after, newNames());
        for (int k = 0; k <= steps(); ++k) {
            if (newest == 0 || k > newest)
                others.remove(historyFileName("jpg", k));
        }
        return others;
    }
};

// What a disk must hold: each target under one or more of its allowed names, every other entry
// with its bytes, and entries that may or may not be there.
struct Expected
{
    QList<QStringList> places;
    Contents others;
    QSet<QString> optional;
    bool leftoversAllowed = true; // hidden temporaries of cut-off history writes

    static Expected at(const QStringList &names, const Contents &others)
    {
        Expected e;
        for (const QString &name : names)
            e.places << QStringList { name };
        e.others = others;
        return e;
    }
    // Names an outcome reports as kept beside a file: "extra → the file's name".
    void allowKept(const QStringList &kept, const World &world)
    {
        for (const QString &entry : kept) {
            const QString extra = entry.section(QStringLiteral(" → "), 0, 0);
            const QString file = entry.section(QStringLiteral(" → "), 1);
            for (int t = 0; t < places.size(); ++t) {
                if (world.namesOf(t).contains(file))
                    places[t] << extra;
            }
        }
    }
};

// Whether no file of the targets is without a name: checked after every run, also one that died.
QString namesLost(const Disk &disk, const QList<QByteArray> &targets)
{
    const QList<QByteArray> held = disk.contents().values();
    for (int t = 0; t < targets.size(); ++t) {
        if (!held.contains(targets[t]))
            return QStringLiteral("file %1 has no name").arg(t);
    }
    return {};
}

// The first thing in which `disk` differs from `e`, or an empty text.
QString mismatch(const Disk &disk, const Expected &e, const QList<QByteArray> &targets)
{
    const Contents now = disk.contents();
    for (auto it = now.cbegin(); it != now.cend(); ++it) {
        if (const qsizetype t = targets.indexOf(it.value()); t >= 0) {
            if (!e.places[t].contains(it.key()))
                return QStringLiteral("file %1 under %2, not %3")
                    .arg(t)
                    .arg(it.key(), e.places[t].join('|'));
        } else if (e.others.contains(it.key())) {
            if (e.others[it.key()] != it.value())
                return QStringLiteral("%1 holds other bytes").arg(it.key());
        } else if (!e.optional.contains(it.key())
                   && !(e.leftoversAllowed && !durableWriteTarget(it.key()).isEmpty())) {
            return QStringLiteral("unexpected entry %1").arg(it.key());
        }
    }
    if (const QString lost = namesLost(disk, targets); !lost.isEmpty())
        return lost;
    for (auto it = e.others.cbegin(); it != e.others.cend(); ++it) {
        if (!now.contains(it.key()))
            return QStringLiteral("missing %1").arg(it.key());
    }
    return {};
}

// Removes the names an outcome reports as kept beside a file ("extra → the file's name"): they
// are the user's to remove, as its message says.
void removeKept(Disk &disk, const QStringList &kept)
{
    for (const QString &entry : kept)
        disk.remove(entry.section(QStringLiteral(" → "), 0, 0));
}

QString listing(const Disk &disk)
{
    return QStringLiteral("\ndisk: ") + disk.entries.keys().join(' ');
}

// The names a message gives for a file: "a / b（…）" or one name.
QStringList namesIn(QString text)
{
    text.remove(msg::PlaceUnknown);
    return text.split(QStringLiteral(" / "));
}

// The disk a batch outcome says it left.
Expected expectedAfterBatch(const BatchOutcome &o, const World &w)
{
    Expected e;
    switch (o.status) {
    case BatchStatus::Done:
    case BatchStatus::DoneNotSynced:
        e = Expected::at(w.newNames(), World::othersOf(w.after, w.newNames()));
        break;
    case BatchStatus::HistoryWriteFailed:
    case BatchStatus::RolledBack:
        e = Expected::at(w.oldNames(), World::othersOf(w.before, w.oldNames()));
        e.optional = QSet<QString>(o.historyNotRestored.cbegin(), o.historyNotRestored.cend());
        for (const QString &name : World::othersOf(w.after, w.newNames()).keys()) {
            if (o.historyKept) // the run's history files stay
                e.optional << name;
        }
        break;
    case BatchStatus::NotRolledBack:
        e = Expected::at(w.oldNames(), World::othersOf(w.after, w.newNames()));
        for (const StrandedFile &file : o.stranded)
            e.places[w.oldNames().indexOf(file.oldName)] = namesIn(file.currentName);
        break;
    default: // refused before anything was changed
        e = Expected::at(w.oldNames(), World::othersOf(w.before, w.oldNames()));
        e.leftoversAllowed = false;
        break;
    }
    e.allowKept(o.keptNames, w);
    return e;
}

// The disk a restore of the whole chain says it left.
Expected expectedAfterRestore(const RestoreOutcome &o, const World &w)
{
    const int n = w.steps();
    const int r = n - o.stepsUndone; // the step the restore stopped at (0: all undone)
    Expected e;
    switch (o.status) {
    case RestoreStatus::NotRolledBack:
        e = Expected::at(w.names[r], w.othersWithChain(r));
        for (const UnrestoredFile &file : o.unrestored)
            e.places[w.names[r].indexOf(file.historyName)] = namesIn(file.currentName);
        break;
    case RestoreStatus::NamesKept: // step r renamed, its history kept
        e = Expected::at(w.names[r - 1], w.othersWithChain(r));
        break;
    case RestoreStatus::HistoryNotDeleted:
        e = Expected::at(w.names[r - 1], w.othersWithChain(r - 1));
        e.optional << historyFileName("jpg", r) << historyFileName("jpg", 0);
        break;
    default: // every step after r undone, or refused before anything was changed
        e = Expected::at(w.names[r], w.othersWithChain(r));
        break;
    }
    e.allowKept(o.keptNames, w);
    return e;
}

Expected expectedAfterDelete(const HistoryDeletion &d, const World &w)
{
    if (!d.refusal.isEmpty())
        return Expected::at(w.newNames(), World::othersOf(w.after, w.newNames()));
    Expected e = Expected::at(w.newNames(), w.othersWithChain(0));
    for (const QString &entry : d.notDeleted)
        e.optional << entry.section(QStringLiteral(" ("), 0, 0);
    return e;
}

enum class Operation { Batch, Restore, Delete };

const char *const OperationNames[] = { "batch", "restore", "delete" };

const QList<Fault> Faults = { Fault::FailBefore, Fault::ActThenFail, Fault::DieBefore,
                              Fault::DieAfter,   Fault::GoneBefore,  Fault::GoneAfter };

} // namespace

class TestFaultModel : public QObject
{
    Q_OBJECT

    int m_points = 0; // faulted runs walked
    int m_onePassPoints = 0; // of them, batches and restores of one pass
    QSet<QString> m_outcomes; // what the faulted runs reported, for the record

    // Runs `op` on `disk` with the fault; checks what it reports against the disk. Gives how
    // many requests that change the disk the run made.
    void runFaulted(Operation op, const World &w, Disk &disk, int k, Fault fault, QStringList *kept,
                    const QString &where, int *changes)
    {
        ModelFolder folder(disk, k, fault);
        Expected e;
        QString outcome, told;
        bool silentSuccess = false; // the run tells the user nothing but that it is done
        if (op == Operation::Batch) {
            const BatchOutcome o = renameBatch(folder, w.lastBatch());
            e = expectedAfterBatch(o, w);
            *kept << o.keptNames;
            outcome = QString::number(int(o.status));
            told = o.message();
            silentSuccess = o.status == BatchStatus::Done;
            if (!folder.died() && silentSuccess && !told.isEmpty())
                QFAIL(qPrintable(where + ": done, yet a message: " + told));
            if (qEnvironmentVariableIsSet("FAULT_MODEL_VERBOSE"))
                qInfo() << where << o.message() << disk.entries.keys();
        } else if (op == Operation::Restore) {
            const RestoreOutcome o = restoreNames(folder, Pattern);
            e = expectedAfterRestore(o, w);
            *kept << o.keptNames;
            outcome = QString::number(int(o.status) + 100);
            told = o.message();
            silentSuccess = o.status == RestoreStatus::AllUndone && told.isEmpty();
        } else {
            const HistoryDeletion d = deleteHistory(folder, Pattern);
            e = expectedAfterDelete(d, w);
            outcome = d.message().isEmpty() ? "deleted" : d.message().left(6);
            told = d.message();
            silentSuccess = told.isEmpty();
        }
        ++m_points;
        m_onePassPoints += op != Operation::Delete && w.scenario.onePass;
        *changes = folder.changes;
        if (const QString lost = namesLost(disk, w.bytes); !lost.isEmpty())
            QFAIL(qPrintable(where + ": " + lost));
        if (!folder.died()) {
            m_outcomes << outcome;
            // A sync that failed leaves the work unconfirmed on disk: never a plain "done".
            if (silentSuccess && folder.syncFailed)
                QFAIL(qPrintable(where + ": a failed sync reported as done"));
            if (const QString wrong = mismatch(disk, e, w.bytes); !wrong.isEmpty())
                QFAIL(qPrintable(where + ": the outcome does not tell the disk: " + wrong
                                 + "\nmessage: " + told + listing(disk)));
        }
    }

    // Whether every file stands under its names of one batch, and no temporary name holds one.
    static bool settled(const World &w, const Disk &disk)
    {
        const Contents now = disk.contents();
        for (const QStringList &names : w.names) {
            bool all = true;
            for (int t = 0; t < names.size() && all; ++t)
                all = now.value(names[t]) == w.bytes[t]
                    && now.keys(w.bytes[t]) == QStringList { names[t] };
            if (all)
                return true;
        }
        return false;
    }

    // Unless the interrupted-run check finds a run to finish (and so points the user to the
    // restore), every file stands under its names of one batch. And the user who deletes the
    // history instead is refused while the files are away: their first names would be lost.
    // The disk is seen as the user leaves it, following the message: without the kept names.
    void checkPointedOut(const World &w, Disk disk, const QString &where,
                         const QStringList &kept = {})
    {
        removeKept(disk, kept);
        ModelFolder folder(disk);
        if (!interruptedRunPending(folder, Pattern) && !settled(w, disk))
            QFAIL(qPrintable(where + ": files away, and no interrupted run pointed out"
                             + listing(disk)));
        const HistoryDeletion deleted = deleteHistory(folder, Pattern);
        if (deleted.refusal.isEmpty() && !settled(w, disk))
            QFAIL(qPrintable(where + ": the history deleted while files are away" + listing(disk)));
    }

    // What the user does next: the restore brings every file back under its first name, and
    // the batches can then be run again and undone again. Names that a run kept beside a file
    // (where the file system cannot tell two names of one file from two files) are the user's
    // to remove, as its message says, before anything else.
    void recover(const World &w, Disk disk, const QStringList &kept, const QString &where)
    {
        RestoreOutcome restored;
        for (int round = 0; round < 4 && (round == 0 || !restored.keptNames.isEmpty()); ++round) {
            removeKept(disk, round == 0 ? kept : restored.keptNames);
            ModelFolder folder(disk);
            restored = restoreNames(folder, Pattern);
        }
        if (restored.status != RestoreStatus::AllUndone
            && restored.status != RestoreStatus::NoHistory)
            QFAIL(qPrintable(where + ": the restore after it: " + restored.message()
                             + listing(disk)));
        Expected home = Expected::at(w.names[0], World::othersOf(w.origin, w.names[0]));
        home.leftoversAllowed = false;
        home.allowKept(restored.keptNames, w);
        if (const QString wrong = mismatch(disk, home, w.bytes); !wrong.isEmpty())
            QFAIL(qPrintable(where + ": after the restore: " + wrong));
        removeKept(disk, restored.keptNames);
        for (int b = 0; b < w.scenario.batches.size(); ++b) {
            ModelFolder again(disk);
            const BatchOutcome o = renameBatch(again, batchOf(w.names[b], w.scenario.batches[b]));
            if (o.status != BatchStatus::Done)
                QFAIL(qPrintable(where + ": the batch again: " + o.message()));
        }
        if (disk.contents() != w.after.contents())
            QFAIL(qPrintable(where + ": the batch again left another disk"));
        ModelFolder last(disk);
        if (restoreNames(last, Pattern).status != RestoreStatus::AllUndone
            || disk.contents() != w.origin.contents())
            QFAIL(qPrintable(where + ": the last restore"));
    }

    // After a faulted batch that left the files under their old names and no run to finish,
    // the batch is run again at once, as a user does, and must go through.
    void batchAgain(const World &w, Disk disk, const QStringList &kept, const QString &where)
    {
        removeKept(disk, kept);
        ModelFolder folder(disk);
        if (interruptedRunPending(folder, Pattern))
            return; // the batch points to the restore, which recover() tries
        for (int t = 0; t < w.oldNames().size(); ++t) {
            if (disk.entry(w.oldNames()[t]) != w.oldNames()[t])
                return; // the batch was done: a batch of these names would be another batch
        }
        const BatchOutcome o = renameBatch(folder, w.lastBatch());
        if (o.status != BatchStatus::Done)
            QFAIL(qPrintable(where + ": the batch at once again: " + o.message() + listing(disk)));
    }

    // After a faulted delete history: the user deletes again, which must go through, and the
    // folder is then one without history, where a new batch and its restore work.
    void deleteAgain(const World &w, Disk disk, const QString &where)
    {
        ModelFolder folder(disk);
        if (const HistoryDeletion d = deleteHistory(folder, Pattern); !d.message().isEmpty())
            QFAIL(qPrintable(where + ": delete again: " + d.message()));
        Expected clean = Expected::at(w.newNames(), w.othersWithChain(0));
        clean.leftoversAllowed = false;
        if (const QString wrong = mismatch(disk, clean, w.bytes); !wrong.isEmpty())
            QFAIL(qPrintable(where + ": after delete again: " + wrong));
        const Contents deleted = disk.contents();
        ModelFolder next(disk);
        if (renameBatch(next, batchOf(w.newNames(), { "z", 1 })).status != BatchStatus::Done
            || restoreNames(next, Pattern).status != RestoreStatus::AllUndone
            || disk.contents() != deleted)
            QFAIL(qPrintable(where + ": a batch and its restore after delete history"));
    }

    static void scenariosOnEveryKind(const QList<int> &scenarios)
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("scenario");
        for (int k = 0; k < FileSystemKinds.size(); ++k) {
            for (int s : scenarios)
                QTest::addRow("%s, %s", FileSystemKinds[k].name, Scenarios[s].name) << k << s;
        }
    }

private slots:
    // Every operation, every fault kind, every request that changes the disk.
    void walk_data() { scenariosOnEveryKind({ 0, 1, 2, 3 }); }
    void walk()
    {
        QFETCH(int, kind);
        QFETCH(int, scenario);
        const World w(FileSystemKinds[kind], Scenarios[scenario]);
        for (Operation op : { Operation::Batch, Operation::Restore, Operation::Delete }) {
            for (Fault fault : Faults) {
                for (int k = 1;; ++k) {
                    Disk disk = op == Operation::Batch ? w.before : w.after;
                    const QString where = QString::asprintf(
                        "%s, %s, %s: %s at change %d", w.kind.name, w.scenario.name,
                        OperationNames[int(op)], faultName(fault), k);
                    QStringList kept;
                    int changes = 0;
                    runFaulted(op, w, disk, k, fault, &kept, where, &changes);
                    if (QTest::currentTestFailed())
                        return;
                    if (changes < k)
                        break; // the run ended before the k-th change: every point is walked
                    if (op != Operation::Delete)
                        checkPointedOut(w, disk, where, kept);
                    if (QTest::currentTestFailed())
                        return;
                    if (op == Operation::Batch)
                        batchAgain(w, disk, kept, where);
                    if (op == Operation::Delete)
                        deleteAgain(w, disk, where);
                    else
                        recover(w, disk, kept, where);
                    if (QTest::currentTestFailed())
                        return;
                }
            }
        }
    }

    // A run cut off, then the restore that finishes it cut off as well, at every point of
    // each: the next restore still brings every file home. The exchanged pair in the middle
    // of the list keeps both runs in the shapes that only the order of the passes decides; a
    // run of one pass leaves a mixture of old and new names, which the names alone place.
    void interruptedTwice_data() { scenariosOnEveryKind({ 0, 1 }); }
    void interruptedTwice()
    {
        QFETCH(int, kind);
        QFETCH(int, scenario);
        const World w(FileSystemKinds[kind], Scenarios[scenario]);
        for (Operation op : { Operation::Batch, Operation::Restore }) {
            for (int k = 1;; ++k) {
                Disk first = op == Operation::Batch ? w.before : w.after;
                ModelFolder cut(first, k, Fault::DieAfter);
                if (op == Operation::Batch)
                    renameBatch(cut, w.lastBatch());
                else
                    restoreNames(cut, Pattern);
                if (cut.changes < k)
                    break;
                for (int j = 1;; ++j) {
                    const QString where = QString::asprintf(
                        "%s, %s dies after change %d, the restore after change %d", w.kind.name,
                        OperationNames[int(op)], k, j);
                    Disk second = first;
                    ModelFolder again(second, j, Fault::DieAfter);
                    restoreNames(again, Pattern);
                    ++m_points;
                    m_onePassPoints += w.scenario.onePass;
                    if (const QString lost = namesLost(second, w.bytes); !lost.isEmpty())
                        QFAIL(qPrintable(where + ": " + lost));
                    if (again.changes < j)
                        break;
                    checkPointedOut(w, second, where);
                    recover(w, second, {}, where);
                    if (QTest::currentTestFailed())
                        return;
                }
            }
        }
    }

    // A rename fails, and then one rename of the rollback fails too, at every pair of points:
    // the rollback goes no further than the file that does not come back, so that the restore
    // finds the folder in a shape it knows, exchanged pair in the middle included.
    void failsTwice_data() { interruptedTwice_data(); }
    void failsTwice()
    {
        QFETCH(int, kind);
        QFETCH(int, scenario);
        const World w(FileSystemKinds[kind], Scenarios[scenario]);
        for (int k = 1;; ++k) {
            int changes = 0;
            for (int j = k + 1;; ++j) {
                const QString where = QString::asprintf("%s, the batch fails at change %d and %d",
                                                        w.kind.name, k, j);
                Disk disk = w.before;
                ModelFolder folder(disk, k, Fault::FailBefore);
                folder.failsAlsoAt = j;
                const BatchOutcome o = renameBatch(folder, w.lastBatch());
                ++m_points;
                m_onePassPoints += w.scenario.onePass;
                changes = folder.changes;
                if (const QString wrong = mismatch(disk, expectedAfterBatch(o, w), w.bytes);
                    !wrong.isEmpty())
                    QFAIL(qPrintable(where + ": the outcome does not tell the disk: " + wrong));
                if (changes < j)
                    break;
                checkPointedOut(w, disk, where);
                recover(w, disk, o.keptNames, where);
                if (QTest::currentTestFailed())
                    return;
            }
            if (changes < k)
                break;
        }
    }

    // The rename method is found once per folder: each further file costs the same few
    // requests as a bare program would make (one rename with the flag; a link and an unlink,
    // or a look and a plain rename, without), once in a batch of one pass and twice in a swap.
    // A link refused for a file the user does not own (fs.protected_hardlinks) is that file's
    // case: the others are still linked. Where links are missing, only the first request of
    // the folder tries one.
    void requestsPerFile_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("othersFile"); // the target that belongs to another user; -1: none
        QTest::addColumn<int>("passes");
        for (int k = 0; k < FileSystemKinds.size(); ++k) {
            const FileSystemKind &fs = FileSystemKinds[k];
            for (int passes : { 1, 2 }) {
                const char *way = passes == 1 ? "one pass" : "swap, two passes";
                for (int others : { -1, 0, 1 }) {
                    if (others < 0 || (fs.links && !fs.noReplaceFlag))
                        QTest::addRow("%s, %s%s", fs.name, way,
                                      others < 0 ? ""
                                                 : (others ? ", another user's file second"
                                                           : ", another user's file first"))
                            << k << others << passes;
                }
            }
        }
    }
    void requestsPerFile()
    {
        QFETCH(int, kind);
        QFETCH(int, othersFile);
        QFETCH(int, passes);
        const FileSystemKind &fs = FileSystemKinds[kind];
        // The requests of a batch and of its restore for n files, and the links among them.
        struct Count
        {
            int batch = -1, batchLinks = 0, restore = -1, restoreLinks = 0;
        };
        const auto count = [&](int n) {
            Disk disk(fs);
            QStringList names;
            for (int i = 0; i < n; ++i) {
                // p0002.jpg, p0003.jpg ... become p0001.jpg, p0002.jpg ...: a shift by one.
                names << (passes == 1 ? QStringLiteral("f%1.jpg").arg(i)
                                      : QStringLiteral("p%1.jpg").arg(i + 2, 4, 10, QChar('0')));
                disk.put(names.last(), names.last().toUtf8());
            }
            if (othersFile >= 0)
                disk.files[othersFile].owned = false;
            const Contents before = disk.contents();
            BatchPlan plan;
            planBatch(batchOf(names, { "p", 1 }), &plan);
            ModelFolder batch(disk);
            if (runBatch(batch, plan).status != BatchStatus::Done)
                return Count {};
            ModelFolder undo(disk);
            if (restoreNames(undo, Pattern).status != RestoreStatus::AllUndone
                || disk.contents() != before)
                return Count {};
            return Count { batch.requests, batch.links, undo.requests, undo.links };
        };
        const Count four = count(4), eight = count(8);
        QVERIFY(four.batch > 0 && eight.batch > 0 && four.restore > 0 && eight.restore > 0);
        const int perRename = fs.noReplaceFlag ? 1 : 2;
        QCOMPARE(eight.batch - four.batch, 4 * passes * perRename);
        QCOMPARE(eight.restore - four.restore, 4 * passes * perRename);
        // Where links are the method, the four more files are linked once a pass each.
        const int linksPerFile = fs.links && !fs.noReplaceFlag ? passes : 0;
        QCOMPARE(eight.batchLinks - four.batchLinks, 4 * linksPerFile);
        QCOMPARE(eight.restoreLinks - four.restoreLinks, 4 * linksPerFile);
        if (!fs.links)
            QVERIFY(eight.batchLinks <= 1 && eight.restoreLinks <= 1);
    }

    void cleanupTestCase()
    {
        qInfo("fault points walked: %d, %d of them in batches and restores of one pass "
              "(outcomes reported: %lld kinds)",
              m_points, m_onePassPoints, qlonglong(m_outcomes.size()));
    }
};

QTEST_GUILESS_MAIN(TestFaultModel)
#include "tst_fault_model.moc"
