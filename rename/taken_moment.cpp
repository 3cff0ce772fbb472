#include "taken_moment.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTimeZone>

#include <exiv2/exiv2.hpp>
#include <exiv2/quicktimevideo.hpp>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <map>
#include <mutex>
#include <thread>

#ifndef Q_OS_WIN
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#if EXIV2_TEST_VERSION(0, 28, 0)
#error "BlockIo below implements the BasicIo of Exiv2 0.27; Exiv2 0.28 changed its signatures"
#endif

namespace renaming {

namespace {

// Seconds from 1904-01-01 (QuickTime's epoch) to 1970-01-01, both UTC.
constexpr qint64 QuickTimeEpochOffset = 2082844800;

// What one file may cost the parser before it is given up: no date needs more.
constexpr qint64 MaxBytesFetched = 32 * 1024 * 1024;
constexpr qint64 MaxReadCalls = 1'000'000;
constexpr qint64 BlockSize = 64 * 1024;
constexpr std::size_t CachedBlocks = 16;

// Thrown through Exiv2 when a file has used up what it may cost; not an Exiv2 error, so that
// no handler inside the library takes it for one it can step over.
struct ReadLimitReached
{
};

// The blocks of one open file that the parser has asked for so far.
class BlockCache
{
public:
    BlockCache(QFile &file, qint64 size)
        : m_file(file)
        , m_size(size)
    { }
    qint64 size() const { return m_size; }
    QFile &file() { return m_file; }

    // Copies up to `count` bytes from `offset`; returns how many there were.
    qint64 copy(qint64 offset, char *to, qint64 count)
    {
        if (++m_calls > MaxReadCalls)
            throw ReadLimitReached();
        qint64 copied = 0;
        while (copied < count && offset + copied < m_size) {
            const qint64 at = offset + copied;
            const QByteArray &block = blockAt(at / BlockSize);
            const qint64 within = at % BlockSize;
            const qint64 n = std::min(count - copied, qint64(block.size()) - within);
            if (n <= 0)
                break; // the file is shorter than it was
            std::memcpy(to + copied, block.constData() + within, size_t(n));
            copied += n;
        }
        return copied;
    }

private:
    const QByteArray &blockAt(qint64 index)
    {
        if (const auto found = m_blocks.find(index); found != m_blocks.end())
            return found->second;
        if (m_blocks.size() >= CachedBlocks)
            m_blocks.erase(m_blocks.begin());
        m_fetched += BlockSize;
        if (m_fetched > MaxBytesFetched)
            throw ReadLimitReached();
        QByteArray bytes;
        if (m_file.seek(index * BlockSize))
            bytes = m_file.read(BlockSize);
        return m_blocks.emplace(index, std::move(bytes)).first->second;
    }

    QFile &m_file;
    qint64 m_size;
    qint64 m_calls = 0;
    qint64 m_fetched = 0;
    std::map<qint64, QByteArray> m_blocks;
};

// Exiv2's view of the file: reads served from the block cache, no writing. It behaves as
// Exiv2's own FileIo does where the parsers rely on it: the end-of-file flag is set by a read
// that comes short and cleared by a seek; a seek past the end is allowed.
class BlockIo : public Exiv2::BasicIo
{
public:
    BlockIo(BlockCache &cache, const std::string &path)
        : m_cache(cache)
        , m_path(path)
    { }
    ~BlockIo() override { BlockIo::munmap(); }

    int open() override
    {
        m_position = 0;
        m_eof = false;
        m_open = true;
        return 0;
    }
    int close() override
    {
        m_open = false;
        return 0;
    }
    long write(const Exiv2::byte *, long) override { return 0; }
    long write(Exiv2::BasicIo &) override { return 0; }
    int putb(Exiv2::byte) override { return EOF; }
    Exiv2::DataBuf read(long count) override
    {
        Exiv2::DataBuf buffer(std::max(count, 0L));
        buffer.size_ = read(buffer.pData_, count);
        return buffer;
    }
    long read(Exiv2::byte *buffer, long count) override
    {
        if (count <= 0)
            return 0;
        const qint64 n = m_cache.copy(m_position, reinterpret_cast<char *>(buffer), count);
        m_position += n;
        if (n < count)
            m_eof = true;
        return long(n);
    }
    int getb() override
    {
        Exiv2::byte b = 0;
        return read(&b, 1) == 1 ? b : EOF;
    }
    void transfer(Exiv2::BasicIo &) override { throw Exiv2::Error(Exiv2::kerFunctionNotSupported); }
#if defined(_MSC_VER)
    int seek(int64_t offset, Position from) override
#else
    int seek(long offset, Position from) override
#endif
    {
        const qint64 base = from == beg ? 0 : from == cur ? m_position : m_cache.size();
        if (base + offset < 0)
            return 1;
        m_position = base + offset;
        m_eof = false;
        return 0;
    }
    // The TIFF parsers ask for the whole file at once; a mapping reads only the pages they
    // touch.
    Exiv2::byte *mmap(bool writeable) override
    {
        if (writeable)
            throw Exiv2::Error(Exiv2::kerFunctionNotSupported);
        if (!m_mapped)
            m_mapped = m_cache.file().map(0, m_cache.size());
        if (!m_mapped)
            throw Exiv2::Error(Exiv2::kerCallFailed, m_path, "mmap", "");
        return m_mapped;
    }
    int munmap() override
    {
        if (m_mapped)
            m_cache.file().unmap(std::exchange(m_mapped, nullptr));
        return 0;
    }
    long tell() const override
    {
        return long(m_position);
    }
    size_t size() const override
    {
        return size_t(m_cache.size());
    }
    bool isopen() const override
    {
        return m_open;
    }
    int error() const override
    {
        return 0;
    }
    bool eof() const override
    {
        return m_eof;
    }
    std::string path() const override
    {
        return m_path;
    }
#ifdef EXV_UNICODE_PATH
    std::wstring wpath() const override
    {
        return std::wstring(m_path.begin(), m_path.end());
    }
#endif

private:
    BlockCache &m_cache;
    std::string m_path;
    qint64 m_position = 0;
    bool m_eof = false;
    bool m_open = false;
    uchar *m_mapped = nullptr;
};

// The XMP toolkit inside Exiv2 parses one packet at a time; several threads take turns.
std::mutex xmpLock;
void lockXmp(void *, bool lock)
{
    lock ? xmpLock.lock() : xmpLock.unlock();
}

// Once per process, before the first file: no messages from Exiv2 on the terminal, the XMP
// toolkit made safe for threads, and the reading of ISO base media files (HEIF, AVIF, CR3)
// switched on.
void initialiseExiv2()
{
    static std::once_flag once;
    std::call_once(once, [] {
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
        Exiv2::XmpParser::initialize(lockXmp, nullptr);
        Exiv2::enableBMFF(true);
    });
}

QString textOf(const Exiv2::ExifData &exif, const char *key)
{
    const auto found = exif.findKey(Exiv2::ExifKey(key));
    return found == exif.end() ? QString() : QString::fromStdString(found->toString()).trimmed();
}

std::optional<Moment> momentFromXmp(const Exiv2::XmpData &xmp)
{
    if (const auto found = xmp.findKey(Exiv2::XmpKey("Xmp.exif.DateTimeOriginal"));
        found != xmp.end()) {
        const QString text = QString::fromStdString(found->toString()).trimmed();
        const QDateTime when = QDateTime::fromString(text, Qt::ISODateWithMs);
        if (when.isValid())
            return Moment { when.toSecsSinceEpoch(), when.time().msec() * 1'000'000 };
    }
    // The movie header's creation time, seconds since 1904 in UTC; 0 means none was set.
    if (const auto found = xmp.findKey(Exiv2::XmpKey("Xmp.video.DateUTC")); found != xmp.end()) {
        bool ok = false;
        const qint64 since1904 = QString::fromStdString(found->toString()).toLongLong(&ok);
        if (ok && since1904 > 0)
            return Moment { since1904 - QuickTimeEpochOffset, 0 };
    }
    return std::nullopt;
}

std::optional<Moment> momentOf(Exiv2::Image &image)
{
    image.readMetadata();
    const Exiv2::ExifData &exif = image.exifData();
    if (auto moment = momentFromExif(textOf(exif, "Exif.Photo.DateTimeOriginal"),
                                     textOf(exif, "Exif.Photo.OffsetTimeOriginal"),
                                     textOf(exif, "Exif.Photo.SubSecTimeOriginal")))
        return moment;
    return momentFromXmp(image.xmpData());
}

// The date the metadata of an open file gives, if any.
std::optional<Moment> takenMomentOf(QFile &file, qint64 size, const std::string &path)
{
    initialiseExiv2();
    BlockCache cache(file, size);
    try {
        Exiv2::Image::AutoPtr image
            = Exiv2::ImageFactory::open(Exiv2::BasicIo::AutoPtr(new BlockIo(cache, path)));
        if (!image.get())
            return std::nullopt; // no type Exiv2 knows
        if (auto moment = momentOf(*image))
            return moment;
        // An MP4 whose brand marks it as ISO base media is taken for an image of that family,
        // which has no movie header; read it as the video it is.
        if (image->imageType() == Exiv2::ImageType::bmff) {
            // Exiv2 0.27 marks its video readers deprecated (0.28 reworks them); they are its
            // only reader of the movie header.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
            Exiv2::QuickTimeVideo video(Exiv2::BasicIo::AutoPtr(new BlockIo(cache, path)));
#pragma GCC diagnostic pop
            return momentOf(video);
        }
    } catch (const Exiv2::AnyError &) {
    } catch (const ReadLimitReached &) {
    } catch (const std::exception &) { }
    return std::nullopt;
}

// Nearest ends for dates Qt cannot hold; only the order matters.
Moment momentOfSeconds(qint64 seconds, qint64 nanoseconds)
{
    return Moment { seconds, qint32(std::clamp<qint64>(nanoseconds, 0, 999'999'999)) };
}

int digitsAt(const QString &text, qsizetype at, qsizetype count)
{
    if (at + count > text.size())
        return -1;
    int value = 0;
    for (qsizetype i = at; i < at + count; ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            return -1;
        value = value * 10 + (c - u'0');
    }
    return value;
}

} // namespace

std::optional<Moment> momentFromExif(const QString &dateTime, const QString &offset,
                                     const QString &subSeconds)
{
    // "YYYY:MM:DD HH:MM:SS"; some writers use "-" in the date or "T" between the two.
    const QString text = dateTime.trimmed();
    if (text.size() < 19 || (text[4] != u':' && text[4] != u'-') || text[7] != text[4]
        || (text[10] != u' ' && text[10] != u'T') || text[13] != u':' || text[16] != u':')
        return std::nullopt;
    const QDate date(digitsAt(text, 0, 4), digitsAt(text, 5, 2), digitsAt(text, 8, 2));
    const QTime time(digitsAt(text, 11, 2), digitsAt(text, 14, 2), digitsAt(text, 17, 2));
    if (!date.isValid() || !time.isValid() || date.year() < 1)
        return std::nullopt;

    qint64 nanoseconds = 0;
    qint64 scale = 100'000'000;
    for (QChar c : subSeconds.trimmed()) {
        if (c < u'0' || c > u'9')
            break;
        nanoseconds += (c.unicode() - u'0') * scale;
        scale /= 10;
    }

    // "+HH:MM" or "-HH:MM": the local time of the photo is that far from UTC.
    const QString zone = offset.trimmed();
    const int hours = digitsAt(zone, 1, 2), minutes = digitsAt(zone, 4, 2);
    if (zone.size() == 6 && (zone[0] == u'+' || zone[0] == u'-') && zone[3] == u':' && hours >= 0
        && hours <= 14 && minutes >= 0 && minutes < 60) {
        const int seconds = (hours * 60 + minutes) * 60 * (zone[0] == u'-' ? -1 : 1);
        const QDateTime utc(date, time, QTimeZone::utc());
        return momentOfSeconds(utc.toSecsSinceEpoch() - seconds, nanoseconds);
    }
    return momentOfSeconds(QDateTime(date, time).toSecsSinceEpoch(), nanoseconds);
}

FileMoment readFileMoment(const QString &folder, const QString &name, bool taken)
{
    FileMoment result;
    QFile file;
    const QString path = QDir(folder).filePath(name);
#ifndef Q_OS_WIN
    // No link is followed and no pipe waited on: a name listed as a regular file may have been
    // replaced since.
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return result;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)
        || !file.open(fd, QIODevice::ReadOnly | QIODevice::Unbuffered,
                      QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return result;
    }
    result.moment = momentOfSeconds(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
    const qint64 size = st.st_size;
#else
    file.setFileName(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return result;
    const qint64 ms = file.fileTime(QFileDevice::FileModificationTime).toMSecsSinceEpoch();
    result.moment = momentOfSeconds(ms / 1000, (ms % 1000) * 1'000'000);
    const qint64 size = file.size();
#endif
    result.source = MomentSource::Modified;
    if (taken) {
        if (const auto moment = takenMomentOf(file, size, QFile::encodeName(path).toStdString())) {
            result.moment = *moment;
            result.source = MomentSource::Taken;
        }
    }
    return result;
}

std::optional<std::vector<FileMoment>> readMoments(const QString &folder, const QStringList &names,
                                                   bool taken, const MomentProgress &progress,
                                                   int threads)
{
    const int total = int(names.size());
    std::vector<FileMoment> moments(std::size_t(names.size()));
    if (threads <= 0)
        threads = std::max(8, int(std::thread::hardware_concurrency()));
    threads = std::min(threads, total);
    if (taken)
        initialiseExiv2();

    std::atomic<int> next = 0;
    std::atomic<int> done = 0;
    std::atomic<bool> stop = false;
    std::mutex mutex;
    std::condition_variable finished;
    std::vector<std::thread> workers;
    workers.reserve(std::size_t(threads));
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([&] {
            for (int i = next++; i < total && !stop; i = next++) {
                moments[std::size_t(i)] = readFileMoment(folder, names[i], taken);
                if (++done == total) {
                    const std::lock_guard lock(mutex);
                    finished.notify_one();
                }
            }
        });
    }

    // Progress at the start, every 50 ms (also while one slow file holds every thread up, so
    // that the caller can always stop), and once at the end.
    bool stopped = false;
    while (true) {
        const int now = done;
        stopped = progress && !progress(now, total);
        if (stopped || now == total)
            break;
        std::unique_lock lock(mutex);
        finished.wait_for(lock, std::chrono::milliseconds(50), [&] { return done == total; });
    }
    stop = true;
    for (std::thread &worker : workers)
        worker.join();
    if (stopped)
        return std::nullopt;
    return moments;
}

} // namespace renaming
