// The moment a photo or video was taken, read from the file's own metadata with Exiv2, and the
// modification times of files, for the taken and modified numbering orders (numbering_order.h).
//
// What is read:
//   - EXIF DateTimeOriginal, with OffsetTimeOriginal and SubSecTimeOriginal where present:
//     JPEG, TIFF and the raw formats built on it (NEF, CR2, ARW, DNG, ...), and HEIF, HEIC,
//     AVIF and CR3, which Exiv2 reads as ISO base media files;
//   - XMP exif:DateTimeOriginal, for files that carry only XMP (sidecars, some PNG and WebP);
//   - the creation time of the movie header of QuickTime and MP4 videos (phones' MOV and MP4),
//     which is UTC by the format's definition.
// A date without an offset is the camera's clock, which people set to the time where they
// are; it is read as local time of this computer, so that such photos and a phone's files
// with offsets or UTC times fall into one line. A file whose metadata gives no date (or none
// that Exiv2 can read) has its modification time instead.
//
// Only what the date needs is read: Exiv2 reads the metadata, never the image or video data,
// and it reads it through a file of this program that fetches the bytes in blocks of 64 KiB
// on demand, so a JPEG costs one read of its first block, and a video's media data is passed
// over. A file that asks for more than a date can need (a damaged or hostile file sending the
// parser round in circles) is given up after a fixed amount and counts as having no date.
// Files are opened without following links and without waiting on pipes; anything but a
// regular file counts as unreadable.
//
// Reading thousands of files, most of the time goes into waiting for the disk or the share,
// not into the parsing: the files are read by several threads at once, and the caller's thread
// reports progress and may stop the reading.
#pragma once

#include "numbering_order.h"

#include <QString>

#include <optional>

namespace renaming {

// EXIF's "YYYY:MM:DD HH:MM:SS" with an offset "+HH:MM" and a sub-second text ("25" is a
// quarter of a second); either may be empty. Nothing for a date that is blank or invalid.
std::optional<Moment> momentFromExif(const QString &dateTime, const QString &offset = {},
                                     const QString &subSeconds = {});

// The moment of file `name` of `folder`: taken (its metadata, else its modification time) or
// only its modification time.
FileMoment readFileMoment(const QString &folder, const QString &name, bool taken);

// The moments of all `names`, read by `threads` threads (0: a number that suits both disks and
// slow shares). `progress` is called on this thread now and then; nothing when it said stop.
std::optional<std::vector<FileMoment>> readMoments(const MomentFolder &folder,
                                                   const QStringList &names, bool taken,
                                                   const MomentProgress &progress = {},
                                                   int threads = 0);

} // namespace renaming
