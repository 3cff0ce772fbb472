#include "recovery.h"

#include "folder.h"
#include "history.h"
#include "messages.h"
#include "naming.h"
#include "restore.h"

#include <algorithm>

#include <QHash>
#include <QSet>

#include <array>
#include <vector>

namespace renaming {

namespace {

enum Role { Current, BatchTemporary, RestoreTemporary, Earlier };

const QString &nameOf(const StepNames &names, Role role, qsizetype j)
{
    switch (role) {
    case Current:
        return names.current[j];
    case BatchTemporary:
        return names.batchTemporary[j];
    case RestoreTemporary:
        return names.temporary[j];
    case Earlier:
        break;
    }
    return names.earlier[j];
}

// The shapes an interruption leaves: lines before some index under the first role, the rest
// under the second. In order of preference: every file under its current name (a batch that
// finished, a restore not begun); a batch stopped in pass 1 or pass 2 or while winding back;
// an undo step stopped in pass 1 or pass 2.
struct Shape
{
    Role before;
    Role after;
};
constexpr std::array<Shape, 5> Shapes { {
    { Current, Current },
    { BatchTemporary, Earlier },
    { Current, BatchTemporary },
    { RestoreTemporary, Current },
    { Earlier, RestoreTemporary },
} };

// Of two names of one line that hold one file, the one kept: the nearer to the earlier name
// along the renames that finish the step (a batch is wound back through its temporary names,
// an undo step goes on through the restore's), so that no rename still to come needs the
// other one. The folder then stays in one of the shapes above.
constexpr std::array<Role, 4> KeepOrder { Earlier, RestoreTemporary, BatchTemporary, Current };

class Derivation
{
public:
    Derivation(Folder &folder, const FolderNames &onDisk, const StepNames &names)
        : m_folder(folder)
        , m_onDisk(onDisk)
        , m_names(names)
        , m_count(names.current.size())
        , m_options(size_t(m_count))
        , m_at(size_t(m_count))
    { }

    StepState run()
    {
        collectOptions();
        resolveSecondNames();
        if (!placeForced() || !placeByShape())
            return m_state;
        for (qsizetype j = 0; j < m_count; ++j)
            m_state.at.append(m_at[size_t(j)]);
        m_state.normal = true;
        for (qsizetype j = 0; j < m_count; ++j)
            m_state.normal = m_state.normal && m_at[size_t(j)] == m_names.current[j];
        if (!m_state.normal && !noStrayName())
            return m_state;
        if (!planMoves())
            return m_state;
        m_state.fits = true;
        return m_state;
    }

private:
    bool present(const QString &name)
    {
        if (name.isEmpty())
            return false;
        const auto known = m_present.constFind(name);
        if (known != m_present.cend())
            return *known;
        const bool exists = m_onDisk.contains(name);
        m_present.insert(name, exists);
        return exists;
    }

    // The candidate names of every line that the folder holds, and which lines each is a
    // candidate of.
    void collectOptions()
    {
        QSet<QString> lasting; // names a file of the set keeps between runs
        lasting.reserve(m_count * 2);
        for (qsizetype j = 0; j < m_count; ++j)
            lasting << m_names.current[j] << m_names.earlier[j];
        bool anyCurrent = false, anyEarlier = false;
        for (qsizetype j = 0; j < m_count; ++j) {
            QStringList &options = m_options[size_t(j)];
            for (Role role : { Current, BatchTemporary, RestoreTemporary, Earlier }) {
                const QString &name = nameOf(m_names, role, j);
                if (!present(name) || options.contains(name))
                    continue;
                options.append(name);
                m_users[name].append(int(j));
                if ((role == BatchTemporary || role == RestoreTemporary) && !lasting.contains(name))
                    m_state.tracesPresent = true;
                anyCurrent = anyCurrent || role == Current;
                anyEarlier = anyEarlier || role == Earlier;
            }
        }
        if (anyCurrent && anyEarlier && !namesMayMeet(m_names.current, m_names.earlier))
            m_state.tracesPresent = true;
    }

    bool refuse(const QString &name)
    {
        m_state.misfit = name;
        return false;
    }

    // Lines whose file may stand under two of their names: the look at both names decides
    // (see KeepOrder). A second name of one file is removed before any rename; one the file
    // system cannot tell from a second file stays where it is, held, and is reported. Either
    // way it is no place of any line. Names exchanged within the set are two files, each with
    // one link, which the look tells at once.
    void resolveSecondNames()
    {
        for (qsizetype j = 0; j < m_count; ++j) {
            if (m_options[size_t(j)].size() < 2)
                continue;
            QStringList ordered;
            for (Role role : KeepOrder) {
                const QString &name = nameOf(m_names, role, j);
                if (m_options[size_t(j)].contains(name) && !ordered.contains(name))
                    ordered.append(name);
            }
            for (qsizetype a = 0; a < ordered.size(); ++a) {
                for (qsizetype b = ordered.size() - 1; b > a; --b) {
                    const QString kept = ordered[a], extra = ordered[b];
                    const Sameness same = m_folder.sameFile(extra, kept);
                    if (same == Sameness::Different)
                        continue;
                    if (same == Sameness::Same)
                        m_state.moves.append({ int(j), extra, kept, false, true });
                    else
                        m_state.keptNames.append(extra + QStringLiteral(" → ") + kept);
                    m_extras.insert(extra);
                    for (int k : m_users.value(extra))
                        m_options[size_t(k)].removeOne(extra);
                    ordered.removeAt(b);
                }
            }
        }
    }

    // After an interruption every name of the set that the folder holds is where the file of
    // some line is, or a second name. A name held otherwise is a file of the set that the
    // placement has lost: its line is placed at another of its names, which another file
    // holds (a file under its new name after a run of one pass, a stranger's at its old one).
    // Finishing the step would leave that file with nothing to record it, so the line's
    // earlier name is named instead.
    bool noStrayName()
    {
        const QSet<QString> placed(m_at.begin(), m_at.end());
        for (qsizetype j = 0; j < m_count; ++j) {
            for (Role role : { Current, BatchTemporary, RestoreTemporary, Earlier }) {
                const QString &name = nameOf(m_names, role, j);
                if (present(name) && !placed.contains(name) && !m_extras.contains(name))
                    return refuse(m_names.earlier[j]);
            }
        }
        return true;
    }

    // A line with one candidate present is there; its name is then no other line's.
    bool placeForced()
    {
        std::vector<int> queue;
        for (qsizetype j = 0; j < m_count; ++j) {
            if (m_options[size_t(j)].size() <= 1)
                queue.push_back(int(j));
        }
        for (size_t head = 0; head < queue.size(); ++head) {
            const int j = queue[head];
            if (!m_at[size_t(j)].isEmpty())
                continue;
            const QStringList &options = m_options[size_t(j)];
            // No file for the line: the name it is to get back tells the user which one.
            if (options.isEmpty())
                return refuse(m_names.earlier[j]);
            const QString name = options.first();
            m_at[size_t(j)] = name;
            for (int k : m_users.value(name)) {
                if (k == j || !m_at[size_t(k)].isEmpty())
                    continue;
                m_options[size_t(k)].removeOne(name);
                if (m_options[size_t(k)].size() <= 1)
                    queue.push_back(k);
            }
        }
        return true;
    }

    bool fitsRole(Role role, qsizetype j) const
    {
        const QString &name = nameOf(m_names, role, j);
        if (name.isEmpty())
            return false;
        const QString &at = m_at[size_t(j)];
        return at.isEmpty() ? m_options[size_t(j)].contains(name) : at == name;
    }

    // Lines left with two candidates present belong to names exchanged within the set; the
    // first shape that every line fits places them.
    bool placeByShape()
    {
        qsizetype firstOpen = -1;
        for (qsizetype j = 0; j < m_count && firstOpen < 0; ++j) {
            if (m_at[size_t(j)].isEmpty())
                firstOpen = j;
        }
        if (firstOpen < 0)
            return true;
        for (const Shape &shape : Shapes) {
            qsizetype split = 0; // the longest run of lines from 0 under the first role
            while (split < m_count && fitsRole(shape.before, split))
                ++split;
            qsizetype rest = m_count; // the first line of the longest run to the end
            while (rest > 0 && fitsRole(shape.after, rest - 1))
                --rest;
            if (rest > split)
                continue;
            QSet<QString> taken;
            bool distinct = true;
            for (qsizetype j = firstOpen; j < m_count && distinct; ++j) {
                if (!m_at[size_t(j)].isEmpty())
                    continue;
                const QString &name = nameOf(m_names, j < split ? shape.before : shape.after, j);
                distinct = !taken.contains(name);
                taken.insert(name);
            }
            if (!distinct)
                continue;
            for (qsizetype j = firstOpen; j < m_count; ++j) {
                if (m_at[size_t(j)].isEmpty())
                    m_at[size_t(j)] = nameOf(m_names, j < split ? shape.before : shape.after, j);
            }
            return true;
        }
        return refuse(m_names.earlier[firstOpen]);
    }

    bool isAt(Role role, qsizetype j) const
    {
        const QString &name = nameOf(m_names, role, j);
        return !name.isEmpty() && m_at[size_t(j)] == name;
    }

    void move(qsizetype j, const QString &from, const QString &to, bool toEarlier)
    {
        if (from != to)
            m_state.moves.append({ int(j), from, to, toEarlier });
    }

    // Renames that bring every file to its earlier name. A batch that stopped, with no file
    // under a restore temporary name, is wound back the way it came, last line first; anything
    // else goes on as an undo step does, through the restore temporary names in line order.
    // Both keep the folder in one of the shapes above at every rename.
    bool planMoves()
    {
        bool batchTemporaries = false;
        bool restoreTemporaries = false;
        bool windable = true;
        for (qsizetype j = 0; j < m_count; ++j) {
            if (isAt(Earlier, j))
                continue;
            if (isAt(RestoreTemporary, j))
                restoreTemporaries = true;
            else if (isAt(Current, j))
                windable = windable && !m_names.batchTemporary[j].isEmpty();
            else
                batchTemporaries = true;
        }

        if (batchTemporaries && !restoreTemporaries && windable) {
            std::vector<QString> at(m_at);
            for (qsizetype j = m_count - 1; j >= 0; --j) {
                if (!isAt(Earlier, j) && isAt(Current, j)) {
                    move(j, at[size_t(j)], m_names.batchTemporary[j], false);
                    at[size_t(j)] = m_names.batchTemporary[j];
                }
            }
            for (qsizetype j = m_count - 1; j >= 0; --j) {
                if (!isAt(Earlier, j))
                    move(j, at[size_t(j)], m_names.earlier[j], true);
            }
        } else {
            for (qsizetype j = 0; j < m_count; ++j) {
                if (!isAt(Earlier, j) && !isAt(RestoreTemporary, j))
                    move(j, m_at[size_t(j)], m_names.temporary[j], false);
            }
            for (qsizetype j = 0; j < m_count; ++j) {
                if (!isAt(Earlier, j))
                    move(j, m_names.temporary[j], m_names.earlier[j], true);
            }
        }
        return checkMoves();
    }

    // Plays the renames through on the names present: each must find its new name free,
    // neither held by a file of the set at that moment nor by any other file.
    bool checkMoves()
    {
        QSet<QString> held;
        for (auto it = m_present.cbegin(); it != m_present.cend(); ++it) {
            if (it.value())
                held.insert(it.key());
        }
        for (const RecoveryMove &m : std::as_const(m_state.moves)) {
            if (m.drop) {
                held.remove(m.from);
                continue;
            }
            if (held.contains(m.to)) {
                m_state.moves.clear();
                return refuse(m.to);
            }
            held.remove(m.from);
            held.insert(m.to);
        }
        return true;
    }

    Folder &m_folder;
    const FolderNames &m_onDisk;
    const StepNames &m_names;
    qsizetype m_count;
    QSet<QString> m_extras; // second names: dropped first, or kept where nothing tells
    QHash<QString, bool> m_present; // every candidate name asked for, and the answer
    QHash<QString, QList<int>> m_users; // a present name → the lines it is a candidate of
    std::vector<QStringList> m_options; // per line: its candidate names present, still open
    std::vector<QString> m_at; // per line: the name its file carries, once placed
    StepState m_state;
};

bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

} // namespace

QString batchTemporaryOf(const QString &current, const QString &earlier)
{
    // current = prefix + four digits + extension part of the earlier name
    const qsizetype stem = current.size() - extensionPart(earlier).size();
    if (stem < 4 || !current.endsWith(extensionPart(earlier)))
        return {};
    for (qsizetype i = stem - 4; i < stem; ++i) {
        if (!isAsciiDigit(current[i]))
            return {};
    }
    return current.left(stem) + QStringLiteral(".zyx");
}

void addTemporaryNames(StepNames *names)
{
    const qsizetype count = names->current.size();
    names->temporary.clear();
    names->batchTemporary.clear();
    names->temporary.reserve(count);
    names->batchTemporary.reserve(count);
    for (qsizetype j = 0; j < count; ++j) {
        names->temporary.append(restoreTemporaryName(int(j)));
        names->batchTemporary.append(batchTemporaryOf(names->current[j], names->earlier[j]));
    }
    // Lines that share a number (a photo and its sidecar) went through their own names.
    names->batchTemporary = batchTemporaryNames(names->batchTemporary, names->current);
}

Places::Places(Folder &folder, const QStringList &first, const QStringList &temporary,
               const QStringList &final, bool onePass)
    : m_folder(folder)
    , m_first(first)
    , m_temporary(temporary)
    , m_final(final)
    , m_onePass(onePass)
    , m_at(size_t(first.size()), At::First)
    , m_linked(size_t(first.size()), false)
{ }

const QString &Places::name(qsizetype i, At place) const
{
    switch (place) {
    case At::Temporary:
        return m_temporary[i];
    case At::Final:
        return m_final[i];
    default:
        return m_first[i];
    }
}

void Places::keep(const QString &extra, const QString &file)
{
    if (m_keptNames.contains(extra))
        return;
    m_keptNames.insert(extra);
    m_kept.append(extra + QStringLiteral(" → ") + file);
}

MoveResult Places::move(qsizetype i, At from, At to)
{
    const QString &source = name(i, from);
    const QString &target = name(i, to);
    const MoveResult moved
        = source == target ? MoveResult {} : m_folder.renameNoReplace(source, target);
    switch (moved.at) {
    case MoveResult::At::To:
        m_at[size_t(i)] = to;
        break;
    case MoveResult::At::From:
        m_at[size_t(i)] = from;
        if (moved.maybeSecondName)
            keep(target, source);
        break;
    case MoveResult::At::Both:
        m_at[size_t(i)] = std::min(from, to) != At::First ? At::TemporaryAndFinal
            : std::max(from, to) == At::Final             ? At::FirstAndFinal
                                                          : At::FirstAndTemporary;
        m_linked[size_t(i)] = moved.linkReported;
        break;
    case MoveResult::At::Unknown:
        m_at[size_t(i)] = At::Unknown;
        break;
    }
    return moved;
}

void Places::dropSecondName(qsizetype i)
{
    const At both = m_at[size_t(i)];
    if (both != At::FirstAndTemporary && both != At::TemporaryAndFinal && both != At::FirstAndFinal)
        return;
    const At kept = both == At::TemporaryAndFinal ? At::Temporary : At::First;
    const At extra = both == At::FirstAndTemporary ? At::Temporary : At::Final;
    const MoveResult dropped = m_folder.removeName(
        name(i, extra), name(i, kept), m_linked[size_t(i)] ? Proof::LinkReported : Proof::Look);
    switch (dropped.at) {
    case MoveResult::At::To:
        m_at[size_t(i)] = kept;
        break;
    case MoveResult::At::From: // not shown to be one file: both names stay
        m_at[size_t(i)] = kept;
        keep(name(i, extra), name(i, kept));
        break;
    case MoveResult::At::Both:
        break;
    case MoveResult::At::Unknown:
        m_at[size_t(i)] = At::Unknown;
        break;
    }
}

void Places::rollBack()
{
    // Strictly newest first, and no further than the first file that does not come back: the
    // folder then stays in one of the shapes of an interruption, so that the restore can
    // finish the rollback wherever it stopped (files exchanged among themselves are placed by
    // those shapes alone). A run of one pass goes straight back, newest first: its old names
    // are free, since no new name of the run is one of them.
    // Every file at `from` goes to `to`; false at the first file left elsewhere.
    const auto windBack = [this](At from, At to) {
        for (qsizetype i = m_first.size() - 1; i >= 0; --i) {
            if (m_at[size_t(i)] == from)
                move(i, from, to);
            dropSecondName(i);
            if (m_at[size_t(i)] != to && m_at[size_t(i)] != At::First)
                return false;
        }
        return true;
    };
    if (m_onePass)
        windBack(At::Final, At::First);
    else if (windBack(At::Final, At::Temporary))
        windBack(At::Temporary, At::First);
}

bool Places::confirmedAtFirst() const
{
    const FolderNames onDisk(m_folder);
    if (!onDisk.listed())
        return false;
    for (qsizetype i = 0; i < m_first.size(); ++i) {
        if (m_at[size_t(i)] != At::First || !onDisk.contains(m_first[i]))
            return false;
    }
    return true;
}

QString Places::placeOf(qsizetype i) const
{
    switch (m_at[size_t(i)]) {
    case At::First:
    case At::Temporary:
    case At::Final:
        return name(i, m_at[size_t(i)]);
    case At::FirstAndTemporary:
        return m_first[i] + QStringLiteral(" / ") + m_temporary[i];
    case At::TemporaryAndFinal:
        return m_temporary[i] + QStringLiteral(" / ") + m_final[i];
    case At::FirstAndFinal:
        return m_first[i] + QStringLiteral(" / ") + m_final[i];
    case At::Unknown:
        break;
    }
    QStringList names { m_first[i], m_temporary[i], m_final[i] };
    if (m_onePass)
        names.removeAt(1);
    names.removeDuplicates();
    return names.join(QStringLiteral(" / ")) + msg::PlaceUnknown;
}

namespace {

// A run of one pass leaves no temporary name: cut off between the link of its last file and
// the removal of that file's old name, it leaves every current name there and one earlier name
// beside them. In a step whose earlier names are none of its current names, any earlier name
// present is such a trace (or a stranger's file), which only the derivation tells apart.
template<typename Present> bool secondNameOfOnePass(const StepNames &names, Present &&present)
{
    return std::any_of(names.earlier.begin(), names.earlier.end(), present)
        && !namesMayMeet(names.current, names.earlier);
}

} // namespace

StepState deriveStepState(Folder &folder, const StepNames &names)
{
    const FolderNames onDisk(folder);
    // The usual case, a step that nothing cut off: every file under its current name and no
    // temporary name about. No other placement can then be derived, so the search is skipped.
    const auto present
        = [&](const QString &name) { return !name.isEmpty() && onDisk.contains(name); };
    const bool settled = std::all_of(names.current.begin(), names.current.end(), present)
        && std::none_of(names.temporary.begin(), names.temporary.end(), present)
        && std::none_of(names.batchTemporary.begin(), names.batchTemporary.end(), present)
        && !secondNameOfOnePass(names, present);
    if (settled) {
        StepState state;
        state.normal = true;
        state.at = names.current;
        return state;
    }
    return Derivation(folder, onDisk, names).run();
}

bool interruptedRunPending(Folder &folder, const QString &pattern)
{
    const HistoryChain chain(folder, pattern);
    if (!chain.usable())
        return false;
    const int k = chain.chainLength();
    const int newest = k - 1;
    if (newest <= 0 || k > HighestChainNumber)
        return false;
    // Every temporary name, the batch's and the restore's, ends in ".zyx": without one, with
    // every name of the newest file there and no name of the file before it that is not also
    // one of the newest (the trace a run of one pass may leave), the folder is settled. One
    // listing and two history files show it.
    if (const auto names = folder.entryNames()) {
        const auto there = [&](const QString &name) { return names->contains(name); };
        const bool anyTemporary = std::any_of(names->begin(), names->end(), [](const QString &n) {
            return n.endsWith(QLatin1String(".zyx"), Qt::CaseInsensitive);
        });
        const auto current = anyTemporary ? std::nullopt : chain.read(newest);
        if (current && std::all_of(current->begin(), current->end(), there)) {
            const auto earlier = chain.read(newest - 1);
            if (earlier && !secondNameOfOnePass({ *current, *earlier, {}, {} }, there))
                return false;
        }
    }
    const std::optional<UndoStep> step = readUndoStep(chain, newest);
    if (!step)
        return false;
    const StepState state = deriveStepState(folder, *step);
    return !state.normal && (state.tracesPresent || state.fits);
}

} // namespace renaming
