// The order in which the files of a batch get their running numbers, and the groups that share
// one number.
//
// The folder listing is always sorted by name without regard to case (folder_listing.h); that
// is the name order, the default, and with it every file is its own group, so that file i of
// the listing gets running number start + i. The other orders only rearrange the listing before
// it becomes the target list:
//   natural   runs of digits compare as the numbers they write (photo2 before photo10,
//             写真２ before 写真10: full-width and other decimal digits count as digits), the
//             rest as the name order compares it;
//   taken     the moment the file was taken, from its own metadata (taken_moment.h), or its
//             modification time where it holds none;
//   modified  the file's modification time.
// Files that compare equal go by the name order, so that the result never depends on the
// order in which the folder happens to list them.
//
// With pairs, files whose names agree up to their first "." (without regard to case, as the
// listing compares names) form one group: DSC_0001.JPG, DSC_0001.NEF and DSC_0001.xmp. A group
// takes one running number and each member keeps its own extension part, so the new names are
// t0001.JPG, t0001.NEF, t0001.xmp. Groups follow each other in the chosen order of their first
// member; a group's members stand together, in the chosen order, behind the first one.
//
// Why two members of a group never get the same new name: their new names are the same prefix
// and number followed by their own extension parts, so they clash only when the extension parts
// are equal. Two different names with the same part before the first "." differ in what
// follows it, that is in their extension parts. Names that differ only in the case of that
// first part (IMG.jpg and img.jpg, two files where names are case-sensitive) could have equal
// extension parts; a group that would hold two such files is split by the exact spelling of
// the first part, and every spelling becomes a group of its own. Different groups have
// different numbers, and the number stands at the same place in every new name, so new names
// of different groups differ there.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <compare>
#include <functional>
#include <optional>
#include <vector>

namespace renaming {

enum class NumberingOrder { Name, Natural, Taken, Modified };

// The words that name the orders on the command line and in the settings: "name",
// "natural", "taken", "modified".
QString orderKeyword(NumberingOrder order);
std::optional<NumberingOrder> orderFromKeyword(const QString &keyword);

struct NumberingChoice
{
    NumberingOrder order = NumberingOrder::Name;
    bool pairs = false;
    // Whether this is the design's numbering: name order, every file its own group.
    bool isNameOrder() const { return order == NumberingOrder::Name && !pairs; }
};

// A moment in time: seconds since 1970-01-01 UTC and the nanoseconds within that second.
struct Moment
{
    qint64 seconds = 0;
    qint32 nanoseconds = 0;
    auto operator<=>(const Moment &) const = default;
};

// Where a file's moment comes from.
enum class MomentSource : unsigned char {
    Taken, // the file's own metadata
    Modified, // its modification time
    Unreadable, // neither: the file could not be opened or is no regular file
};

struct FileMoment
{
    Moment moment;
    MomentSource source = MomentSource::Unreadable;
};

// The key that orders names naturally: the case-folded name with every run of decimal digits
// replaced by a token that sorts as the run's value, before every letter and after "/" (where
// the ASCII digits stand). Comparing two keys code unit by code unit is the natural order, up
// to ties such as "01" and "1".
QString naturalKey(const QString &name);

// The part of a name before its first "."; the whole name when it has none.
QString stemOf(const QString &name);

// The target list in numbering order.
struct NumberedTargets
{
    QStringList names;
    // Per name, the index of its group (0, 1, ...), that is the running number less the start
    // number. Empty when every file is its own group: name i then has index i.
    QList<int> groups;
    // How many running numbers the batch takes.
    int groupCount() const;
    // The index of the group of name i.
    int groupOf(int i) const { return groups.isEmpty() ? i : groups[i]; }
};

// Called on the calling thread while moments are read: files done so far and in all. Returns
// false to stop the reading.
using MomentProgress = std::function<bool(int done, int total)>;

// The folder whose files' moments are read: its path, or an open handle on it, which then
// wins (Linux), so that a folder whose name is no text is read as the renames see it.
struct MomentFolder
{
    MomentFolder(const QString &folderPath = {}, int folderHandle = -1)
        : path(folderPath)
        , handle(folderHandle)
    { }
    QString path;
    int handle; // owned by the caller; -1: open the path
};

class Folder;

// The moments the order compares, one per name, read from the files of `folder`; only the
// taken and modified orders read anything. Nothing when `progress` stopped the reading.
std::optional<std::vector<FileMoment>> momentsFor(NumberingOrder order, const MomentFolder &folder,
                                                  const QStringList &names,
                                                  const MomentProgress &progress = {});

// Puts `names` (the folder listing) in numbering order and groups them. `moments` holds one
// entry per name for the taken and modified orders and is not looked at for the others.
NumberedTargets arrangeTargets(const QStringList &names, const NumberingChoice &choice,
                               const std::vector<FileMoment> &moments = {});

// Both steps: reads what the order needs and arranges. Nothing when `progress` stopped it.
std::optional<NumberedTargets> numberTargets(const MomentFolder &folder, const QStringList &names,
                                             const NumberingChoice &choice,
                                             const MomentProgress &progress = {});
// The same for the files of an open folder, read through its handle where it has one.
std::optional<NumberedTargets> numberTargets(Folder &folder, const QStringList &names,
                                             const NumberingChoice &choice,
                                             const MomentProgress &progress = {});

} // namespace renaming
