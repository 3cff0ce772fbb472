#include "commands.h"

#include "batch_rename.h"
#include "delete_history.h"
#include "folder.h"
#include "folder_listing.h"
#include "history.h"
#include "messages.h"
#include "naming.h"
#include "recovery.h"
#include "restore.h"
#include "terminal.h"

#include <memory>

namespace cli {

namespace {

QString arrow(const QString &from, const QString &to)
{
    return escaped(from) + QStringLiteral(" → ") + escaped(to);
}

std::unique_ptr<renaming::Folder> openFolder(const Request &request, Terminal &terminal)
{
    QString reason;
    auto folder = renaming::openFolder(request.folder, &reason);
    if (!folder)
        terminal.tell(msg::CliFolderNotOpened + escaped(request.folder)
                      + QStringLiteral(" (%1)").arg(reason));
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
    return outcome.message();
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

} // namespace

ExitStatus renameFiles(const Request &request, Terminal &terminal)
{
    const auto folder = openFolder(request, terminal);
    if (!folder)
        return Refused;

    // The checks the window makes while the user picks the files and types prefix and number.
    if (renaming::isEveryFilePattern(request.pattern))
        return refuse(terminal, msg::ChooseExtension);
    renaming::FolderListing listing;
    listing.setPathAndPattern(request.folder, request.pattern);
    if (listing.count() > renaming::MaxTargetFiles)
        return refuse(terminal, msg::tooManyFiles(renaming::MaxTargetFiles));
    if (listing.count() == 0)
        return refuse(terminal, msg::NoFiles);
    if (renaming::prefixWidth(request.prefix) > renaming::MaxPrefixWidth)
        return refuse(terminal, msg::PrefixTooWide);
    if (!renaming::startNumberFits(request.startNo, listing.count(), renaming::MaxTargetFiles))
        return refuse(terminal, msg::NumberNotAllowed);

    renaming::BatchInput input {
        listing.names(), {}, request.prefix, request.startNo, request.pattern
    };
    for (int i = 0; i < listing.count(); ++i)
        input.newNames << renaming::newName(request.prefix, request.startNo, i, input.oldNames[i])
                              .value_or(QString());

    // The checks of the rename button, all before anything is changed.
    renaming::BatchPlan plan;
    if (const renaming::BatchOutcome planned = renaming::planBatch(input, &plan); !planned.ok())
        return refuse(terminal, messageOf(planned));
    if (renaming::interruptedRunPending(*folder, plan.pattern))
        return refuse(terminal, msg::CliInterruptedHint);
    if (const renaming::BatchOutcome checked = renaming::checkBatch(*folder, plan); !checked.ok())
        return refuse(terminal, messageOf(checked));

    for (qsizetype i = 0; i < plan.oldNames.size(); ++i)
        terminal.print(arrow(plan.oldNames[i], plan.newNames[i]));
    if (request.dryRun)
        return Done;
    if (request.interactive && !terminal.ask(msg::AskRename))
        return Cancelled;

    terminal.startProgress(msg::StatusRenaming, int(plan.oldNames.size()) * 2);
    const renaming::BatchOutcome outcome = renaming::runBatch(
        *folder, plan, [&terminal](const renaming::RenameStep &) { terminal.advanceProgress(); });
    terminal.endProgress();
    if (const QString text = messageOf(outcome); !text.isEmpty())
        terminal.tell(text);
    return statusOf(outcome.status);
}

ExitStatus restoreFiles(const Request &request, Terminal &terminal)
{
    const auto folder = openFolder(request, terminal);
    if (!folder)
        return Refused;
    if (request.interactive && !terminal.ask(msg::AskRestore))
        return Cancelled;

    int started = 0;
    bool declined = false;
    renaming::RestoreCallbacks callbacks;
    callbacks.confirmStep = [&](int r) {
        if (request.steps > 0 && started == request.steps)
            return false;
        // The step's plan, read as the restore reads it; a step that cannot be read is refused
        // by the restore itself, with its message.
        const renaming::HistoryChain chain(*folder, request.pattern);
        const auto step = renaming::readUndoStep(chain, r);
        if (step) {
            for (qsizetype j = 0; j < step->current.size(); ++j)
                terminal.print(arrow(step->current[j], step->earlier[j]));
        }
        if (request.interactive && !terminal.ask(msg::askUndoStep(r))) {
            declined = true;
            return false;
        }
        ++started;
        terminal.startProgress(msg::StatusRestoring, step ? int(step->current.size()) * 2 : 0);
        return true;
    };
    callbacks.progress = [&terminal](const QString &) { terminal.advanceProgress(); };
    callbacks.stepFinished = [&terminal](int) { terminal.endProgress(); };

    const renaming::RestoreOutcome outcome
        = renaming::restoreNames(*folder, request.pattern, callbacks);
    terminal.endProgress();
    if (declined)
        return Cancelled;
    if (const QString text = messageOf(outcome); !text.isEmpty())
        terminal.tell(text);
    return statusOf(outcome.status);
}

ExitStatus listHistory(const Request &request, Terminal &terminal)
{
    const auto folder = openFolder(request, terminal);
    if (!folder)
        return Refused;
    const renaming::HistoryChain chain(*folder, request.pattern);
    if (!chain.badName().isEmpty())
        return refuse(terminal, msg::CliHistoryBadName + escaped(chain.badName()));
    if (!chain.ambiguousName().isEmpty())
        return refuse(terminal, msg::FaultyHistory);

    // One line per recorded rename k: k, the number of files, then the first and the last
    // file's names before and after it; "-" for a file the restore could not read.
    for (int k = 1; k < chain.chainLength(); ++k) {
        const auto before = chain.read(k - 1);
        const auto after = chain.read(k);
        if (!before || !after || before->size() != after->size()) {
            terminal.print(QStringLiteral("%1\t-").arg(k));
            continue;
        }
        QString line = QStringLiteral("%1\t%2").arg(k).arg(after->size());
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
    const auto folder = openFolder(request, terminal);
    if (!folder)
        return Refused;
    if (request.interactive && !terminal.ask(msg::AskDeleteHistory))
        return Cancelled;
    renaming::HistoryDeletion deletion = renaming::deleteHistory(*folder, request.pattern);
    for (const QString &name : std::as_const(deletion.deleted))
        terminal.print(escaped(name));
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
