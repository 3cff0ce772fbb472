#include "commands.h"

#include "batch_rename.h"
#include "delete_history.h"
#include "folder.h"
#include "folder_listing.h"
#include "history.h"
#include "messages.h"
#include "naming.h"
#include "numbering_order.h"
#include "recovery.h"
#include "restore.h"
#include "terminal.h"

#include <QDateTime>
#include <QHash>
#include <QSet>

#include <memory>

namespace cli {

namespace {

using Renames = QList<std::pair<QString, QString>>; // old name → new name

QString arrow(const QString &from, const QString &to)
{
    return escaped(from) + QStringLiteral(" → ") + escaped(to);
}

// The renames on standard output, once done; in a dry run, what would be done, each line
// marked as such ("would rename a.jpg → p0001.jpg"), so that the two never look alike.
void printRenames(Terminal &terminal, const Renames &renames, bool dryRun, const char *verb)
{
    const QString mark = dryRun ? msg::cliWould(QLatin1String(verb)) : QString();
    for (const auto &[from, to] : renames)
        terminal.print(mark + arrow(from, to));
}

// The folder as the user gave it, for messages: bytes that are not UTF-8 shown as "\xff".
QString shown(const Request &request)
{
    return escaped(renaming::textOfBytes(request.folder));
}

// Opens the folder of the request and checks that the command may work in it, so that a folder
// that refuses is told before anything is planned (exit 1, nothing printed).
std::unique_ptr<renaming::Folder> openFolder(const Request &request, Terminal &terminal, bool write)
{
    QString reason;
    auto folder = renaming::openFolderAt(request.folder, &reason);
    if (!folder) {
        terminal.tell(msg::CliFolderNotOpened + shown(request)
                      + QStringLiteral(" (%1)").arg(reason));
        return nullptr;
    }
    if (const renaming::OpResult access = folder->checkAccess(write); !access) {
        terminal.tell((write ? msg::CliFolderNotWritable : msg::CliFolderNotReadable)
                      + shown(request) + QStringLiteral(" (%1)").arg(access.reason));
        return nullptr;
    }
    return folder;
}

ExitStatus refuse(Terminal &terminal, const QString &message)
{
    terminal.tell(message);
    return Refused;
}

// The outcome's message with every name in it escaped; the engine joins its lines with "\n".
QString messageOf(renaming::BatchOutcome outcome)
{
    outcome.name = escaped(outcome.name);
    outcome.otherName = escaped(outcome.otherName);
    for (renaming::StrandedFile &file : outcome.stranded) {
        file.oldName = escaped(file.oldName);
        file.currentName = escaped(file.currentName);
    }
    for (QString &name : outcome.historyNotRestored)
        name = escaped(name);
    for (QString &kept : outcome.keptNames)
        kept = escaped(kept);
    return outcome.message();
}

QString messageOf(renaming::RestoreOutcome outcome)
{
    outcome.name = escaped(outcome.name);
    for (renaming::UnrestoredFile &file : outcome.unrestored) {
        file.historyName = escaped(file.historyName);
        file.currentName = escaped(file.currentName);
    }
    for (QString &kept : outcome.keptNames)
        kept = escaped(kept);
    // The window's hint names its menu; here the command does the same.
    return outcome.message().replace(msg::InterruptedHint, msg::CliInterruptedHint);
}

ExitStatus statusOf(renaming::BatchStatus status)
{
    switch (status) {
    case renaming::BatchStatus::Ready:
    case renaming::BatchStatus::Done:
        return Done;
    case renaming::BatchStatus::DoneNotSynced:
        return NotSynced;
    case renaming::BatchStatus::HistoryWriteFailed:
    case renaming::BatchStatus::RolledBack:
        return RolledBack;
    case renaming::BatchStatus::NotRolledBack:
        return NotRolledBack;
    default:
        return Refused;
    }
}

ExitStatus statusOf(renaming::RestoreStatus status)
{
    switch (status) {
    case renaming::RestoreStatus::Ready:
    case renaming::RestoreStatus::Done:
    case renaming::RestoreStatus::AllUndone:
    case renaming::RestoreStatus::Cancelled:
        return Done;
    case renaming::RestoreStatus::NotSynced:
        return NotSynced;
    case renaming::RestoreStatus::RolledBack:
        return RolledBack;
    case renaming::RestoreStatus::NotRolledBack:
    case renaming::RestoreStatus::ResumeFailed:
    case renaming::RestoreStatus::NamesKept:
    case renaming::RestoreStatus::HistoryNotDeleted:
        return NotRolledBack;
    default:
        return Refused;
    }
}

// The refusal of a chain that cannot be restored, as the restore itself words it.
renaming::RestoreOutcome refusalOf(const renaming::HistoryChain &chain,
                                   renaming::ChainStatus status)
{
    renaming::RestoreOutcome outcome;
    switch (status) {
    case renaming::ChainStatus::Healthy:
        break;
    case renaming::ChainStatus::BadName:
        outcome.status = renaming::RestoreStatus::BadName;
        outcome.name = chain.badName();
        break;
    case renaming::ChainStatus::TooManyChanges:
        outcome.status = renaming::RestoreStatus::TooManyChanges;
        break;
    case renaming::ChainStatus::NoHistory:
        outcome.status = renaming::RestoreStatus::NoHistory;
        break;
    case renaming::ChainStatus::Faulty:
        outcome.status = renaming::RestoreStatus::FaultyHistory;
        break;
    }
    return outcome;
}

// What an undo step does to each file, from the name it has to the name it gets back. A step
// that finishes an interrupted run moves files from wherever the run left them, through
// temporary names; only where each file starts and ends is told.
Renames renamesOf(const renaming::UndoStep &step)
{
    Renames renames;
    if (!step.resumes) {
        for (qsizetype j = 0; j < step.current.size(); ++j)
            renames.append({ step.current[j], step.earlier[j] });
        return renames;
    }
    QHash<int, qsizetype> lineAt;
    for (const renaming::RecoveryMove &move : step.moves) {
        if (const auto known = lineAt.constFind(move.line); known != lineAt.cend()) {
            renames[*known].second = move.to;
        } else {
            lineAt.insert(move.line, renames.size());
            renames.append({ move.from, move.to });
        }
    }
    return renames;
}

// The folder as it will be after the undo steps planned so far, for a dry run: each later
// step is checked against the names the earlier ones leave, and nothing on disk changes. Only
// the questions a plan asks are answered; any change is refused.
class PlannedFolder final : public renaming::Folder
{
public:
    explicit PlannedFolder(renaming::Folder &folder)
        : m_folder(folder)
    { }

    void apply(const Renames &renames)
    {
        for (const auto &rename : renames) {
            m_gone.insert(rename.first);
            m_added.remove(rename.first);
        }
        for (const auto &rename : renames) {
            m_added.insert(rename.second);
            m_gone.remove(rename.second);
        }
    }

    QString path() const override { return m_folder.path(); }
    renaming::FileStatus status(const QString &name) override
    {
        if (m_added.contains(name)) {
            renaming::FileStatus added;
            added.known = added.exists = added.regular = true;
            return added;
        }
        if (m_gone.contains(name)) {
            renaming::FileStatus gone;
            gone.known = true;
            return gone;
        }
        return m_folder.status(name);
    }
    bool canRead(const QString &name) override { return exists(name) && m_folder.canRead(name); }
    renaming::OpResult readFile(const QString &name, QByteArray *bytes, qint64 maxBytes) override
    {
        return m_folder.readFile(name, bytes, maxBytes);
    }
    std::optional<QSet<QString>> entryNames() override
    {
        std::optional<QSet<QString>> names = m_folder.entryNames();
        if (names) {
            names->subtract(m_gone);
            names->unite(m_added);
        }
        return names;
    }
    renaming::OpResult writeNewFile(const QString &, const QByteArray &) override
    {
        return unchanged();
    }
    renaming::OpResult renameExclusive(const QString &, const QString &) override
    {
        return unchanged();
    }
    renaming::OpResult link(const QString &, const QString &) override { return unchanged(); }
    renaming::OpResult renameOver(const QString &, const QString &) override { return unchanged(); }
    renaming::OpResult unlink(const QString &) override { return unchanged(); }
    renaming::OpResult sync() override { return unchanged(); }

private:
    static renaming::OpResult unchanged()
    {
        return renaming::OpResult::failure(QStringLiteral("Dry run"));
    }

    renaming::Folder &m_folder;
    QSet<QString> m_gone;
    QSet<QString> m_added;
};

} // namespace

ExitStatus renameFiles(const Request &request, Terminal &terminal)
{
    const auto folder = openFolder(request, terminal, true);
    if (!folder)
        return Refused;

    // The checks the window makes while the user picks the files and types prefix and number.
    if (renaming::isEveryFilePattern(request.pattern))
        return refuse(terminal, msg::ChooseExtension);
    renaming::FolderListing listing;
    listing.setFolderAndPattern(*folder, request.pattern);
    if (!listing.failure().isEmpty())
        return refuse(terminal,
                      msg::CliFolderNotReadable + shown(request)
                          + QStringLiteral(" (%1)").arg(listing.failure()));
    if (listing.notUtf8() > 0)
        terminal.tell(terminal.japanese() ? msg::notUtf8LeftOut(listing.notUtf8())
                                          : msg::en::notUtf8LeftOut(listing.notUtf8()));
    // Before the count: a batch cut off with every file under a temporary name lists none.
    if (renaming::interruptedRunPending(*folder, request.pattern))
        return refuse(terminal, msg::CliInterruptedHint);
    if (listing.count() > renaming::MaxTargetFiles)
        return refuse(terminal,
                      terminal.japanese() ? msg::tooManyFiles(renaming::MaxTargetFiles)
                                          : msg::en::tooManyFiles(renaming::MaxTargetFiles));
    if (listing.count() == 0)
        return refuse(terminal, msg::NoFiles);
    if (renaming::prefixWidth(request.prefix) > renaming::MaxPrefixWidth)
        return refuse(terminal, msg::PrefixTooWide);

    // The target list in numbering order; the dates an order needs are read here, with a
    // progress line.
    const bool taken = request.numbering.order == renaming::NumberingOrder::Taken;
    int shown = 0;
    if (taken || request.numbering.order == renaming::NumberingOrder::Modified)
        terminal.startProgress(taken ? msg::ReadingTakenDates : msg::ReadingModifiedDates,
                               listing.count(), listing.count());
    const auto targets
        = renaming::numberTargets(*folder, listing.names(), request.numbering, [&](int done, int) {
              for (; shown < done; ++shown)
                  terminal.advanceProgress();
              return true;
          });
    terminal.endProgress();
    // The start-number rule counts running numbers: with pairs, groups.
    if (!renaming::startNumberFits(request.startNo, targets->groupCount(),
                                   renaming::MaxTargetFiles))
        return refuse(terminal, msg::NumberNotAllowed);

    renaming::BatchInput input {
        targets->names, {}, request.prefix, request.startNo, request.pattern
    };
    for (int i = 0; i < targets->names.size(); ++i)
        input.newNames << renaming::newName(request.prefix, request.startNo, targets->groupOf(i),
                                            input.oldNames[i])
                              .value_or(QString());
    if (request.numbering.pairs)
        input.groups = targets->groups;

    // The checks of the rename button, all before anything is changed.
    renaming::BatchPlan plan;
    if (const renaming::BatchOutcome planned = renaming::planBatch(input, &plan); !planned.ok())
        return refuse(terminal, messageOf(planned));
    if (const renaming::BatchOutcome checked = renaming::checkBatch(*folder, plan); !checked.ok())
        return refuse(terminal, messageOf(checked));

    Renames renames;
    for (qsizetype i = 0; i < plan.oldNames.size(); ++i)
        renames.append({ plan.oldNames[i], plan.newNames[i] });
    if (request.dryRun) {
        printRenames(terminal, renames, true, "rename");
        return Done;
    }
    if (request.interactive) {
        for (const auto &[from, to] : std::as_const(renames))
            terminal.tell(arrow(from, to));
        if (!terminal.ask(msg::AskRename))
            return Cancelled;
    }

    const int files = int(plan.oldNames.size());
    terminal.startProgress(msg::StatusRenaming, files,
                           renaming::renamesInOnePass(plan) ? files : 2 * files);
    const renaming::BatchOutcome outcome = renaming::runBatch(
        *folder, plan, [&terminal](const renaming::RenameStep &) { terminal.advanceProgress(); });
    terminal.endProgress();
    // Renames that are done are listed, also when the disk could not confirm them.
    if (outcome.status == renaming::BatchStatus::Done
        || outcome.status == renaming::BatchStatus::DoneNotSynced)
        printRenames(terminal, renames, false, "rename");
    if (const QString text = messageOf(outcome); !text.isEmpty())
        terminal.tell(text);
    return statusOf(outcome.status);
}

namespace {

// The status of a restore that stopped: steps undone before one that was refused or put back
// make neither "nothing was changed" nor "everything was put back" true.
ExitStatus stoppedRestore(const renaming::RestoreOutcome &stop, int undone, Terminal &terminal)
{
    terminal.tell(messageOf(stop));
    const ExitStatus status = statusOf(stop.status);
    if (undone > 0 && (status == Refused || status == RolledBack))
        return PartlyRestored;
    return status;
}

// A dry run of the restore: every step is planned against the folder as the steps before it
// would leave it, and nothing on disk changes.
ExitStatus planRestore(const Request &request, renaming::Folder &folder, Terminal &terminal)
{
    const renaming::HistoryChain chain(folder, request.pattern);
    const renaming::ChainScan scan = renaming::scanChain(chain);
    if (scan.status != renaming::ChainStatus::Healthy)
        return refuse(terminal, messageOf(refusalOf(chain, scan.status)));
    PlannedFolder planned(folder);
    int undone = 0;
    for (int r = scan.newest; r >= 1 && (request.steps == 0 || undone < request.steps); --r) {
        renaming::UndoStep step;
        if (const renaming::RestoreOutcome stop
            = renaming::planUndoStep(planned, chain, r, scan.entries, &step);
            !stop.ok())
            return stoppedRestore(stop, undone, terminal);
        const Renames renames = renamesOf(step);
        printRenames(terminal, renames, true, "restore");
        planned.apply(renames);
        ++undone;
    }
    return Done;
}

} // namespace

ExitStatus restoreFiles(const Request &request, Terminal &terminal)
{
    const auto folder = openFolder(request, terminal, true);
    if (!folder)
        return Refused;
    if (request.dryRun)
        return planRestore(request, *folder, terminal);
    if (request.interactive && !terminal.ask(msg::AskRestore))
        return Cancelled;

    // The engine's restore, newest step first, with the renames of each step printed once it
    // is done; a step limit ends it as a Cancel at the next step would.
    int started = 0;
    bool declined = false;
    Renames renames; // the step under way
    renaming::RestoreCallbacks callbacks;
    callbacks.confirmStep = [&](int) { return request.steps == 0 || started < request.steps; };
    callbacks.stepPlanned = [&](const renaming::UndoStep &step) {
        renames = renamesOf(step);
        if (request.interactive) {
            for (const auto &[from, to] : std::as_const(renames))
                terminal.tell(arrow(from, to));
            if (!terminal.ask(msg::askUndoStep(step.number))) {
                declined = true;
                return false;
            }
        }
        ++started;
        terminal.startProgress(msg::StatusRestoring, int(renames.size()),
                               step.resumes       ? step.moves.size()
                                   : step.onePass ? step.current.size()
                                                  : 2 * step.current.size());
        return true;
    };
    callbacks.progress = [&terminal](const QString &) { terminal.advanceProgress(); };
    callbacks.stepFinished = [&](int) {
        terminal.endProgress();
        printRenames(terminal, renames, false, "restore");
    };
    const renaming::RestoreOutcome outcome
        = renaming::restoreNames(*folder, request.pattern, callbacks);
    terminal.endProgress();
    if (declined)
        return Cancelled;
    if (outcome.ok())
        return Done;
    return stoppedRestore(outcome, outcome.stepsUndone, terminal);
}

ExitStatus listHistory(const Request &request, Terminal &terminal)
{
    const auto folder = openFolder(request, terminal, false);
    if (!folder)
        return Refused;
    const renaming::HistoryChain chain(*folder, request.pattern);
    if (!chain.badName().isEmpty())
        return refuse(terminal, msg::CliHistoryBadName + escaped(chain.badName()));
    if (!chain.ambiguousName().isEmpty())
        return refuse(terminal, msg::FaultyHistory);

    // One line per recorded rename k: k, when it was recorded (the time of history file k),
    // the number of files, then the first and the last file's names before and after it; "-"
    // for what cannot be read.
    for (int k = 1; k < chain.chainLength(); ++k) {
        const std::optional<qint64> time = folder->modifiedAt(chain.fileName(k));
        QString line = QStringLiteral("%1\t%2").arg(k).arg(
            time ? QDateTime::fromMSecsSinceEpoch(*time).toString("yyyy-MM-dd HH:mm:ss")
                 : QStringLiteral("-"));
        const auto before = chain.read(k - 1);
        const auto after = chain.read(k);
        if (!before || !after || before->size() != after->size()) {
            terminal.print(line + QStringLiteral("\t-"));
            continue;
        }
        line += u'\t' + QString::number(after->size());
        if (!after->isEmpty())
            line += u'\t' + arrow(before->first(), after->first()) + u'\t'
                + arrow(before->last(), after->last());
        terminal.print(line);
    }
    switch (renaming::scanChain(chain).status) {
    case renaming::ChainStatus::TooManyChanges:
        return refuse(terminal, msg::TooManyChanges);
    case renaming::ChainStatus::Faulty:
        return refuse(terminal, msg::FaultyHistory);
    default:
        return Done;
    }
}

ExitStatus removeHistory(const Request &request, Terminal &terminal)
{
    const auto folder = openFolder(request, terminal, true);
    if (!folder)
        return Refused;
    if (!request.dryRun && request.interactive && !terminal.ask(msg::AskDeleteHistory))
        return Cancelled;
    renaming::HistoryDeletion deletion
        = renaming::deleteHistory(*folder, request.pattern, request.dryRun);
    const QString mark = request.dryRun ? msg::cliWould(QStringLiteral("delete")) : QString();
    for (const QString &name : std::as_const(deletion.deleted))
        terminal.print(mark + escaped(name));
    if (deletion.interrupted)
        return refuse(terminal, msg::CliDeleteInterrupted);
    if (!deletion.refusal.isEmpty())
        return refuse(terminal, escaped(deletion.refusal));
    if (deletion.notDeleted.isEmpty() && !deletion.notSynced.isEmpty()) {
        terminal.tell(deletion.message());
        return NotSynced;
    }
    if (deletion.notDeleted.isEmpty())
        return Done;
    for (QString &entry : deletion.notDeleted)
        entry = escaped(entry);
    terminal.tell(deletion.message());
    return NotRolledBack;
}

} // namespace cli
