// The naming rule shared by the preview and the batch rename, and the reading of the
// start-number text.
//
// New name = prefix + number field + extension part. The number field is the running number
// (start number + index) as exactly four digits; a running number outside 0..9999 gives no
// name. The extension part is the old name from its first "." on, or the whole old name when
// it has no dot.
#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

namespace renaming {

inline constexpr int MaxRunningNumber = 9999;
// The widest prefix, in Windows-31J width units (250 half-width or 125 full-width characters).
inline constexpr int MaxPrefixWidth = 250;

// The old name from its first "." on; the whole name when it has none.
QString extensionPart(const QString &oldName);

// The running number as four digits with leading zeros; nothing outside 0..9999.
std::optional<QString> numberField(long long runningNumber);

// The new name of the file with `index` in the target list, or nothing when its running
// number falls outside 0..9999.
std::optional<QString> newName(const QString &prefix, int startNo, int index,
                               const QString &oldName);

// The batch rename's temporary name: the new name with ".zyx" in place of the extension part.
std::optional<QString> temporaryName(const QString &prefix, int startNo, int index);

// The temporary names of a whole batch, from those temporaryName() gives (`numbered`, entry i
// for target i) and the new names. They are `numbered` as long as no two of them are equal,
// which is always so when every file has a running number of its own. When files share a
// number (a photo and its sidecar), they would share that temporary name too; then every
// target's temporary name is its new name + ".zyx" instead, which is as distinct as the new
// names are. Either way the names follow from the old and new names alone, so that the
// recovery of an interrupted batch derives them from its history files. Empty entries of
// `numbered` (a line the naming rule did not make) stay empty.
QStringList batchTemporaryNames(const QStringList &numbered, const QStringList &newNames);

// The numeric value read from the start of a text, much as BASIC's Val reads it: blanks,
// tabs and line feeds are ignored wherever they stand; an optional sign, digits, an optional
// decimal point and digits, an optional exponent (the letter E or e only, not Val's D, then
// an optional sign and digits); or &H hexadecimal and &O octal. Reading stops at the first
// character that does not fit; no leading number is 0.
double basicVal(const QString &text);

// Rounds half to even into the 16-bit range; a value outside it takes the nearest end
// (a NaN gives 0).
std::int16_t toStartNo(double value);

// The prefix width in Windows-31J units: 2 for a character that takes two bytes there,
// 1 for one byte; a character the code page cannot hold counts 2.
int prefixWidth(const QString &prefix);

// Whether the start number is allowed for a batch of `files` files: not negative, and the start
// number plus the file count not above `maxFiles`. The start-number box and the command line
// both apply it.
inline bool startNumberFits(double startNo, qsizetype files, int maxFiles)
{
    return !(startNo < 0 || startNo + double(files) > maxFiles);
}

} // namespace renaming
