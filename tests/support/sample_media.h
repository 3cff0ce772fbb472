// Small photos and videos that carry the dates a test chooses, made the way cameras and phones
// make them: JPEG and TIFF (as raw files are) with EXIF written through Exiv2; HEIC and AVIF
// encoded by libheif's heif-enc from such a JPEG, which carries its EXIF over; QuickTime and
// MP4 files written here, whose one header that matters (the movie header with its creation
// time) is simple enough to write by hand.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>
#include <QtEndian>

#include <exiv2/exiv2.hpp>

#include <sys/stat.h>

namespace sample {

// EXIF's DateTimeOriginal ("2024:05:01 10:00:00"), OffsetTimeOriginal ("+09:00") and
// SubSecTimeOriginal ("25"); empty parts are left out.
struct Shot
{
    QString dateTime;
    QString offset = {};
    QString subSeconds = {};
};

inline void writeExif(const QString &path, const Shot &shot)
{
    Exiv2::Image::AutoPtr image = Exiv2::ImageFactory::open(QFile::encodeName(path).toStdString());
    Exiv2::ExifData exif;
    exif["Exif.Image.Make"] = std::string("Kelvaro test");
    exif["Exif.Photo.DateTimeOriginal"] = shot.dateTime.toStdString();
    if (!shot.offset.isEmpty())
        exif["Exif.Photo.OffsetTimeOriginal"] = shot.offset.toStdString();
    if (!shot.subSeconds.isEmpty())
        exif["Exif.Photo.SubSecTimeOriginal"] = shot.subSeconds.toStdString();
    image->setExifData(exif);
    image->writeMetadata();
}

// A 1 × 1 JPEG with the shot's EXIF.
inline void jpeg(const QString &path, const Shot &shot)
{
    Exiv2::ImageFactory::create(Exiv2::ImageType::jpeg, QFile::encodeName(path).toStdString());
    writeExif(path, shot);
}

// A TIFF with one image entry and the shot's EXIF: what NEF, CR2, ARW and DNG files are built on.
inline void tiff(const QString &path, const Shot &shot)
{
    // "II", 42, the first directory at 8; one entry (ImageWidth, SHORT, 1); no next directory.
    static const unsigned char header[]
        = { 'I', 'I', 42, 0, 8, 0, 0, 0, 1, 0, 0, 1, 3, 0, 1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0 };
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(reinterpret_cast<const char *>(header), sizeof header);
    file.close();
    writeExif(path, shot);
}

// A HEIC (or AVIF) image with the shot's EXIF, through heif-enc. Returns false when the tool
// is missing; the test dependencies install it.
inline bool heif(const QString &path, const Shot &shot, bool avif = false)
{
    QTemporaryDir work;
    const QString source = work.filePath("source.jpg");
    jpeg(source, shot);
    QStringList arguments { "-q", "30", source, "-o", path };
    if (avif)
        arguments.prepend("-A");
    QProcess encoder;
    encoder.start("heif-enc", arguments);
    return encoder.waitForFinished(60000) && encoder.exitStatus() == QProcess::NormalExit
        && encoder.exitCode() == 0 && QFile::exists(path);
}

// A box of an ISO base media (QuickTime, MP4) file.
inline QByteArray box(const char type[4], const QByteArray &payload)
{
    QByteArray size(4, 0);
    qToBigEndian<quint32>(quint32(8 + payload.size()), size.data());
    return size + QByteArray(type, 4) + payload;
}

// A video whose movie header was created at `utc` (seconds since 1970, UTC). `brand` "qt  "
// makes a QuickTime movie as phones' MOV files are, "isom" an MP4. The media data comes first
// and the movie box last, as cameras write them.
inline void movie(const QString &path, qint64 utc, const char brand[4] = "isom")
{
    const quint32 since1904 = quint32(utc + 2082844800);
    QByteArray header(100, 0); // version 0, flags, then 32-bit times
    qToBigEndian<quint32>(since1904, header.data() + 4); // creation time
    qToBigEndian<quint32>(since1904, header.data() + 8); // modification time
    qToBigEndian<quint32>(1000, header.data() + 12); // time scale
    qToBigEndian<quint32>(5000, header.data() + 16); // duration
    qToBigEndian<quint32>(0x10000, header.data() + 20); // rate 1.0
    qToBigEndian<quint16>(0x100, header.data() + 24); // volume 1.0
    qToBigEndian<quint32>(2, header.data() + 96); // next track
    QByteArray fileType = QByteArray(brand, 4) + QByteArray(4, 0) + QByteArray(brand, 4);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(box("ftyp", fileType) + box("mdat", QByteArray(4096, 'v'))
               + box("moov", box("mvhd", header)));
}

// Sets a file's modification time (seconds since 1970, UTC).
inline void setModified(const QString &path, qint64 utc)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.setFileTime(QDateTime::fromSecsSinceEpoch(utc, QTimeZone::utc()),
                             QFileDevice::FileModificationTime));
}

} // namespace sample
