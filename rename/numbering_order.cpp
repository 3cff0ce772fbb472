#include "numbering_order.h"

#include "folder.h"
#include "naming.h"
#include "taken_moment.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <numeric>

#ifndef Q_OS_WIN
#include <unistd.h>
#endif

namespace renaming {

namespace {

struct OrderName
{
    NumberingOrder order;
    const char *keyword;
};
constexpr OrderName OrderNames[] = { { NumberingOrder::Name, "name" },
                                     { NumberingOrder::Natural, "natural" },
                                     { NumberingOrder::Taken, "taken" },
                                     { NumberingOrder::Modified, "modified" } };

// Files without any moment go last.
int rankOf(MomentSource source)
{
    return source == MomentSource::Unreadable ? 1 : 0;
}

// The positions of `names` in the chosen order; ties by the name order.
std::vector<qsizetype> sortedPositions(const QStringList &names, NumberingOrder order,
                                       const std::vector<FileMoment> &moments)
{
    std::vector<qsizetype> positions(std::size_t(names.size()));
    std::iota(positions.begin(), positions.end(), 0);
    if (order == NumberingOrder::Name)
        return positions; // the listing's own order
    QStringList folded;
    folded.reserve(names.size());
    for (const QString &name : names)
        folded.append(name.toCaseFolded());
    const auto byName = [&](qsizetype a, qsizetype b) {
        const int c = QString::compare(folded[a], folded[b], Qt::CaseSensitive);
        return c != 0 ? c < 0 : names[a] < names[b];
    };
    if (order == NumberingOrder::Natural) {
        QStringList keys;
        keys.reserve(names.size());
        for (const QString &name : names)
            keys.append(naturalKey(name));
        std::sort(positions.begin(), positions.end(), [&](qsizetype a, qsizetype b) {
            const int c = QString::compare(keys[a], keys[b], Qt::CaseSensitive);
            return c != 0 ? c < 0 : byName(a, b);
        });
        return positions;
    }
    std::sort(positions.begin(), positions.end(), [&](qsizetype a, qsizetype b) {
        const FileMoment &x = moments[std::size_t(a)], &y = moments[std::size_t(b)];
        if (rankOf(x.source) != rankOf(y.source))
            return rankOf(x.source) < rankOf(y.source);
        if (x.moment != y.moment)
            return x.moment < y.moment;
        return byName(a, b);
    });
    return positions;
}

// Appends to `groups` one group per key of the positions, in the order of first appearance.
template<typename Key>
void appendGroups(const std::vector<qsizetype> &positions, Key key,
                  std::vector<std::vector<qsizetype>> *groups)
{
    QHash<QString, std::size_t> byKey;
    for (qsizetype position : positions) {
        const QString k = key(position);
        const auto found = byKey.constFind(k);
        if (found == byKey.cend()) {
            byKey.insert(k, groups->size());
            groups->push_back({ position });
        } else {
            (*groups)[*found].push_back(position);
        }
    }
}

// The groups of the names at `positions` (in the chosen order), each a list of positions in
// that order; the groups in the order of their first members.
std::vector<std::vector<qsizetype>> pairGroups(const QStringList &names,
                                               const std::vector<qsizetype> &positions)
{
    // First by the part before the first ".", without regard to case.
    std::vector<std::vector<qsizetype>> folded;
    appendGroups(
        positions, [&](qsizetype i) { return stemOf(names[i]).toCaseFolded(); }, &folded);
    // A group with two equal extension parts holds names that differ in the case of their
    // first part only; each spelling becomes a group of its own.
    std::vector<std::vector<qsizetype>> groups;
    groups.reserve(folded.size());
    for (std::vector<qsizetype> &group : folded) {
        QSet<QString> parts;
        bool clash = false;
        for (qsizetype position : group) {
            const QString part = extensionPart(names[position]);
            clash = clash || parts.contains(part);
            parts.insert(part);
        }
        if (!clash) {
            groups.push_back(std::move(group));
            continue;
        }
        appendGroups(
            group, [&](qsizetype i) { return stemOf(names[i]); }, &groups);
    }
    // Groups in the order of their first members: the split ones were added out of turn.
    std::vector<qsizetype> rank(std::size_t(names.size()));
    for (std::size_t i = 0; i < positions.size(); ++i)
        rank[std::size_t(positions[i])] = qsizetype(i);
    std::stable_sort(groups.begin(), groups.end(), [&](const auto &a, const auto &b) {
        return rank[std::size_t(a.front())] < rank[std::size_t(b.front())];
    });
    return groups;
}

} // namespace

QString orderKeyword(NumberingOrder order)
{
    for (const OrderName &entry : OrderNames) {
        if (entry.order == order)
            return QLatin1String(entry.keyword);
    }
    return {};
}

std::optional<NumberingOrder> orderFromKeyword(const QString &keyword)
{
    for (const OrderName &entry : OrderNames) {
        if (keyword == QLatin1String(entry.keyword))
            return entry.order;
    }
    return std::nullopt;
}

QString naturalKey(const QString &name)
{
    // Each run of digits becomes "0", the count of its digits without leading zeros (as one
    // code unit) and those digits in ASCII. The "0" puts every number where the ASCII digits
    // stand among the other characters; the count makes a longer number the larger one; equal
    // counts compare digit by digit. No other character of the key can be a "0", since every
    // digit belongs to a run.
    const QString folded = name.toCaseFolded();
    QString key;
    key.reserve(folded.size() + 8);
    for (qsizetype i = 0; i < folded.size();) {
        if (!folded[i].isDigit()) {
            key += folded[i++];
            continue;
        }
        while (i < folded.size() && folded[i].isDigit() && folded[i].digitValue() == 0)
            ++i;
        const qsizetype start = i;
        while (i < folded.size() && folded[i].isDigit())
            ++i;
        key += u'0';
        key += QChar(char16_t(i - start));
        for (qsizetype d = start; d < i; ++d)
            key += QChar(char16_t(u'0' + folded[d].digitValue()));
    }
    return key;
}

QString stemOf(const QString &name)
{
    const qsizetype dot = name.indexOf(u'.');
    return dot < 0 ? name : name.left(dot);
}

int NumberedTargets::groupCount() const
{
    return groups.isEmpty() ? int(names.size()) : (groups.last() + 1);
}

std::optional<std::vector<FileMoment>> momentsFor(NumberingOrder order, const MomentFolder &folder,
                                                  const QStringList &names,
                                                  const MomentProgress &progress)
{
    if (order != NumberingOrder::Taken && order != NumberingOrder::Modified)
        return std::vector<FileMoment>();
    return readMoments(folder, names, order == NumberingOrder::Taken, progress);
}

NumberedTargets arrangeTargets(const QStringList &names, const NumberingChoice &choice,
                               const std::vector<FileMoment> &moments)
{
    NumberedTargets targets;
    if (choice.isNameOrder()) {
        targets.names = names;
        return targets;
    }
    const std::vector<qsizetype> positions = sortedPositions(names, choice.order, moments);
    targets.names.reserve(names.size());
    if (!choice.pairs) {
        for (qsizetype position : positions)
            targets.names.append(names[position]);
        return targets;
    }
    targets.groups.reserve(names.size());
    int index = 0;
    for (const std::vector<qsizetype> &group : pairGroups(names, positions)) {
        for (qsizetype position : group) {
            targets.names.append(names[position]);
            targets.groups.append(index);
        }
        ++index;
    }
    return targets;
}

std::optional<NumberedTargets> numberTargets(const MomentFolder &folder, const QStringList &names,
                                             const NumberingChoice &choice,
                                             const MomentProgress &progress)
{
    const auto moments = momentsFor(choice.order, folder, names, progress);
    if (!moments)
        return std::nullopt;
    return arrangeTargets(names, choice, *moments);
}

std::optional<NumberedTargets> numberTargets(Folder &folder, const QStringList &names,
                                             const NumberingChoice &choice,
                                             const MomentProgress &progress)
{
    const bool reads
        = choice.order == NumberingOrder::Taken || choice.order == NumberingOrder::Modified;
    const int handle = reads ? folder.newListingHandle() : -1;
    auto targets = numberTargets(MomentFolder(folder.path(), handle), names, choice, progress);
#ifndef Q_OS_WIN
    if (handle >= 0)
        ::close(handle);
#endif
    return targets;
}

} // namespace renaming
