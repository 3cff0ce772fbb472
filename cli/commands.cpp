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
    return outcome.message();
}

QString messageOf(renaming::RestoreOutcome outcome)
{
    outcome.name = escaped(outcome.name);
    for (renaming::UnrestoredFile &file : outcome.unrestored) {
        file.historyName = escaped(file.historyName);
        file.currentName = escaped(file.currentName);
    }
    // The window's hint names its menu; here the command does the same.
    return outcome.message().replace(msg::InterruptedHint, msg::CliInterruptedHint);
}

ExitStatus statusOf(renaming::BatchStatus status)
{
    switch (status) {
    case renaming::BatchStatus::Ready:
    case renaming::BatchStatus::Done:
        return Done;
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
    case renaming::RestoreStatus::RolledBack:
        return RolledBack;
    case renaming::RestoreStatus::NotRolledBack:
    case renaming::RestoreStatus::ResumeFailed:
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
    bool exists(const QString &name) override
    {
        return m_added.contains(name) || (!m_gone.contains(name) && m_folder.exists(name));
    }
    bool canRead(const QString &name) override { return exists(name) && m_folder.canRead(name); }
    renaming::OpResult readFile(const QString &name, QByteArray *bytes, qint64 maxBytes) override
    {
        return m_folder.readFile(name, bytes, maxBytes);
    }
    renaming::OpResult createFileDurably(const QString &, const QByteArray &) override
    {
        return unchanged();
    }
    renaming::OpResult renameNoReplace(const QString &, const QString &) override
    {
        return unchanged();
    }
    renaming::OpResult remove(const QString &) override { return unchanged(); }
    renaming::OpResult sync() override { return unchanged(); }
    std::optional<QSet<QString>> entryNames() override
    {
        std::optional<QSet<QString>> names = m_folder.entryNames();
        if (names) {
            names->subtract(m_gone);
            names->unite(m_added);
        }
        return names;
    }

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
    terminal.startProgress(msg::StatusRenaming, files, 2 * files);
    const renaming::BatchOutcome outcome = renaming::runBatch(
        *folder, plan, [&terminal](const renaming::RenameStep &) { terminal.advanceProgress(); });
    terminal.endProgress();
    if (outcome.status == renaming::BatchStatus::Done)
        printRenames(terminal, renames, false, "rename");
    else
        terminal.tell(messageOf(outcome));
    return statusOf(outcome.status);
}

ExitStatus restoreFiles(const Request &request, Terminal &terminal)
{
    const auto folder = openFolder(request, terminal, true);
    if (!folder)
        return Refused;
    const renaming::HistoryChain chain(*folder, request.pattern);
    const renaming::ChainScan scan = renaming::scanChain(chain);
    if (scan.status != renaming::ChainStatus::Healthy)
        return refuse(terminal, messageOf(refusalOf(chain, scan.status)));
    if (request.interactive && !terminal.ask(msg::AskRestore))
        return Cancelled;

    // Step by step, newest first, as the engine's restoreNames goes, with the renames of each
    // step printed once it is done; a dry run plans every step against the folder as the steps
    // before it would leave it.
    PlannedFolder planned(*folder);
    renaming::Folder &target = request.dryRun ? static_cast<renaming::Folder &>(planned) : *folder;
    int undone = 0;
    renaming::RestoreOutcome stop;
    for (int r = scan.newest; r >= 1 && (request.steps == 0 || undone < request.steps); --r) {
        renaming::UndoStep step;
        stop = renaming::planUndoStep(target, chain, r, scan.entries, &step);
        if (!stop.ok())
            break;
        const Renames renames = renamesOf(step);
        if (request.dryRun) {
            printRenames(terminal, renames, true, "restore");
            planned.apply(renames);
            ++undone;
            continue;
        }
        if (request.interactive) {
            for (const auto &[from, to] : renames)
                terminal.tell(arrow(from, to));
            if (!terminal.ask(msg::askUndoStep(r)))
                return Cancelled;
        }
        terminal.startProgress(msg::StatusRestoring, int(renames.size()),
                               step.resumes ? step.moves.size() : 2 * step.current.size());
        stop = renaming::runUndoStep(*folder, step,
                                     [&terminal](const QString &) { terminal.advanceProgress(); });
        if (stop.ok())
            stop = renaming::retireUndoStep(*folder, chain, r);
        terminal.endProgress();
        // Renamed back after a failure, the step did nothing; otherwise its renames are done.
        if (stop.ok() || stop.status == renaming::RestoreStatus::HistoryNotDeleted)
            printRenames(terminal, renames, false, "restore");
        if (!stop.ok())
            break;
        ++undone;
    }
    if (stop.ok())
        return Done;
    terminal.tell(messageOf(stop));
    const ExitStatus status = statusOf(stop.status);
    // Steps undone before one that was refused or put back: neither "nothing was changed" nor
    // "everything was put back" would be true.
    if (undone > 0 && (status == Refused || status == RolledBack))
        return PartlyRestored;
    return status;
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
    if (!deletion.refusal.isEmpty())
        return refuse(terminal, escaped(deletion.refusal));
    if (deletion.notDeleted.isEmpty())
        return Done;
    for (QString &entry : deletion.notDeleted)
        entry = escaped(entry);
    terminal.tell(deletion.message());
    return NotRolledBack;
}

} // namespace cli
