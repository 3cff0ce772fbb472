#include "recovery.h"

#include <algorithm>

#include "folder.h"
#include "history.h"
#include "naming.h"
#include "restore.h"

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

class Derivation
{
public:
    Derivation(const FolderNames &onDisk, const StepNames &names)
        : m_onDisk(onDisk)
        , m_names(names)
        , m_count(names.current.size())
        , m_options(size_t(m_count))
        , m_at(size_t(m_count))
    { }

    StepState run()
    {
        collectOptions();
        if (!placeForced() || !placeByShape())
            return m_state;
        for (qsizetype j = 0; j < m_count; ++j)
            m_state.at.append(m_at[size_t(j)]);
        m_state.normal = true;
        for (qsizetype j = 0; j < m_count; ++j)
            m_state.normal = m_state.normal && m_at[size_t(j)] == m_names.current[j];
        if (!m_state.normal && !noStrayTemporary())
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
        QSet<QString> &lasting = m_lasting;
        lasting.reserve(m_count * 2);
        for (qsizetype j = 0; j < m_count; ++j)
            lasting << m_names.current[j] << m_names.earlier[j];
        for (qsizetype j = 0; j < m_count; ++j) {
            QStringList &options = m_options[size_t(j)];
            for (Role role : { Current, BatchTemporary, RestoreTemporary, Earlier }) {
                const QString &name = nameOf(m_names, role, j);
                if (!present(name) || options.contains(name))
                    continue;
                options.append(name);
                m_users[name].append(int(j));
                if ((role == BatchTemporary || role == RestoreTemporary) && !lasting.contains(name))
                    m_state.temporariesPresent = true;
            }
        }
    }

    bool refuse(const QString &name)
    {
        m_state.misfit = name;
        return false;
    }

    // After an interruption, a file under a temporary name of a line that is placed elsewhere
    // is a file of the set that the placement has lost: the line's own name is then held by
    // another file. Finishing the step would leave that file under the temporary name with
    // nothing to record it, so the line's earlier name is named instead.
    bool noStrayTemporary()
    {
        for (qsizetype j = 0; j < m_count; ++j) {
            for (Role role : { BatchTemporary, RestoreTemporary }) {
                const QString &name = nameOf(m_names, role, j);
                if (present(name) && !m_lasting.contains(name) && m_at[size_t(j)] != name)
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
            if (held.contains(m.to)) {
                m_state.moves.clear();
                return refuse(m.to);
            }
            held.remove(m.from);
            held.insert(m.to);
        }
        return true;
    }

    const FolderNames &m_onDisk;
    const StepNames &m_names;
    qsizetype m_count;
    QSet<QString> m_lasting; // names a file of the set keeps between runs
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

StepState deriveStepState(Folder &folder, const StepNames &names)
{
    const FolderNames onDisk(folder);
    // The usual case, a step that nothing cut off: every file under its current name and no
    // temporary name about. No other placement can then be derived, so the search is skipped.
    const auto present
        = [&](const QString &name) { return !name.isEmpty() && onDisk.contains(name); };
    const bool settled = std::all_of(names.current.begin(), names.current.end(), present)
        && std::none_of(names.temporary.begin(), names.temporary.end(), present)
        && std::none_of(names.batchTemporary.begin(), names.batchTemporary.end(), present);
    if (settled) {
        StepState state;
        state.normal = true;
        state.at = names.current;
        return state;
    }
    return Derivation(onDisk, names).run();
}

bool interruptedRunPending(Folder &folder, const QString &pattern)
{
    // Every temporary name, the batch's and the restore's, ends in ".zyx": a folder without
    // one is settled, which one listing shows without reading the history.
    if (const auto names = folder.entryNames()) {
        const bool anyTemporary = std::any_of(names->begin(), names->end(), [](const QString &n) {
            return n.endsWith(QLatin1String(".zyx"), Qt::CaseInsensitive);
        });
        if (!anyTemporary)
            return false;
    }
    const HistoryChain chain(folder, pattern);
    if (!chain.usable())
        return false;
    const int k = chain.chainLength();
    const int newest = k - 1;
    if (newest <= 0 || k > HighestChainNumber)
        return false;
    const std::optional<UndoStep> step = readUndoStep(chain, newest);
    if (!step)
        return false;
    const StepState state = deriveStepState(folder, *step);
    return state.temporariesPresent && !state.normal;
}

} // namespace renaming
