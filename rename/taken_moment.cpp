#include "taken_moment.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTimeZone>

#include <exiv2/exiv2.hpp>
#include <exiv2/jpgimage.hpp>
#include <exiv2/quicktimevideo.hpp>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#ifndef Q_OS_WIN
#include <fcntl.h>
#include <sys/mman.h>
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

// One open file, read at offsets and mapped whole: plain system calls where there are file
// descriptors (Qt's file class asks the system for the file's state at every turn, which
// costs more than the reading), Qt's file class elsewhere.
class OpenFile
{
public:
#ifndef Q_OS_WIN
    explicit OpenFile(int fd)
        : m_fd(fd)
    { }
    ~OpenFile()
    {
        unmap();
        ::close(m_fd);
    }
    qint64 readAt(qint64 offset, char *to, qint64 count)
    {
        qint64 done = 0;
        while (done < count) {
            const ssize_t n = ::pread(m_fd, to + done, size_t(count - done), off_t(offset + done));
            if (n <= 0)
                break;
            done += n;
        }
        return done;
    }
    uchar *map(qint64 size)
    {
        if (!m_mapped && size > 0) {
            void *at = ::mmap(nullptr, size_t(size), PROT_READ, MAP_PRIVATE, m_fd, 0);
            if (at != MAP_FAILED) {
                m_mapped = static_cast<uchar *>(at);
                m_mappedSize = size;
            }
        }
        return m_mapped;
    }
    void unmap()
    {
        if (m_mapped)
            ::munmap(std::exchange(m_mapped, nullptr), size_t(m_mappedSize));
    }

private:
    int m_fd;
    qint64 m_mappedSize = 0;
#else
    explicit OpenFile(QFile &file)
        : m_file(file)
    { }
    ~OpenFile()
    {
        unmap();
    }
    qint64 readAt(qint64 offset, char *to, qint64 count)
    {
        return m_file.seek(offset) ? std::max<qint64>(m_file.read(to, count), 0) : 0;
    }
    uchar *map(qint64 size)
    {
        if (!m_mapped)
            m_mapped = m_file.map(0, size);
        return m_mapped;
    }
    void unmap()
    {
        if (m_mapped)
            m_file.unmap(std::exchange(m_mapped, nullptr));
    }

private:
    QFile &m_file;
#endif
    uchar *m_mapped = nullptr;
};

// The blocks of one open file that the parser has asked for so far.
class BlockCache
{
public:
    BlockCache(OpenFile &file, qint64 size)
        : m_file(file)
        , m_size(size)
    { }
    qint64 size() const { return m_size; }
    OpenFile &file() { return m_file; }

    // Copies up to `count` bytes from `offset`; returns how many there were.
    qint64 copy(qint64 offset, char *to, qint64 count)
    {
        if (++m_calls > MaxReadCalls)
            throw ReadLimitReached();
        qint64 copied = 0;
        while (copied < count && offset + copied < m_size) {
            const qint64 at = offset + copied;
            const std::vector<char> &block = blockAt(at / BlockSize);
            const qint64 within = at % BlockSize;
            const qint64 n = std::min(count - copied, qint64(block.size()) - within);
            if (n <= 0)
                break; // the file is shorter than it was
            std::memcpy(to + copied, block.data() + within, size_t(n));
            copied += n;
        }
        return copied;
    }

private:
    // A block of BlockSize bytes, or what is left of the file.
    const std::vector<char> &blockAt(qint64 index)
    {
        if (const auto found = m_blocks.find(index); found != m_blocks.end())
            return found->second;
        if (m_blocks.size() >= CachedBlocks)
            m_blocks.erase(m_blocks.begin());
        const qint64 offset = index * BlockSize;
        const qint64 wanted = std::clamp<qint64>(m_size - offset, 0, BlockSize);
        m_fetched += wanted;
        if (m_fetched > MaxBytesFetched)
            throw ReadLimitReached();
        std::vector<char> bytes(std::size_t(wanted), 0);
        bytes.resize(std::size_t(m_file.readAt(offset, bytes.data(), wanted)));
        return m_blocks.emplace(index, std::move(bytes)).first->second;
    }

    OpenFile &m_file;
    qint64 m_size;
    qint64 m_calls = 0;
    qint64 m_fetched = 0;
    std::map<qint64, std::vector<char>> m_blocks;
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
        uchar *mapped = m_cache.file().map(m_cache.size());
        if (!mapped)
            throw Exiv2::Error(Exiv2::kerCallFailed, m_path, "mmap", "");
        return mapped;
    }
    // The mapping lasts as long as the file is open: both views of one file share it.
    int munmap() override
    {
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
std::optional<Moment> takenMomentOf(OpenFile &file, qint64 size, const std::string &path)
{
    initialiseExiv2();
    BlockCache cache(file, size);
    try {
        // A JPEG, by far the most common file, is known by its first bytes; asking every image
        // type Exiv2 knows would cost more than reading its date.
        unsigned char magic[3] = {};
        Exiv2::Image::AutoPtr image;
        if (cache.copy(0, reinterpret_cast<char *>(magic), 3) == 3 && magic[0] == 0xFF
            && magic[1] == 0xD8 && magic[2] == 0xFF)
            image.reset(
                new Exiv2::JpegImage(Exiv2::BasicIo::AutoPtr(new BlockIo(cache, path)), false));
        else
            image = Exiv2::ImageFactory::open(Exiv2::BasicIo::AutoPtr(new BlockIo(cache, path)));
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
    // The zone is looked up once: converting through the C library's local time would ask
    // the system for its zone file again for every photo.
    static const QTimeZone local = QTimeZone::systemTimeZone();
    return momentOfSeconds(QDateTime(date, time, local).toSecsSinceEpoch(), nanoseconds);
}

namespace {

#ifndef Q_OS_WIN
// File `name` of the folder open as `dirFd`.
FileMoment readMomentAt(int dirFd, const QString &name, bool taken)
{
    FileMoment result;
    // No link is followed and no pipe waited on: a name listed as a regular file may have been
    // replaced since.
    const QByteArray entry = QFile::encodeName(name);
    const int fd = ::openat(dirFd, entry.constData(),
                            O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return result;
    OpenFile file(fd);
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        return result;
    result.moment = momentOfSeconds(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
    result.source = MomentSource::Modified;
    if (taken) {
        // Exiv2 names the file only in messages, which are switched off.
        if (const auto moment = takenMomentOf(file, st.st_size, entry.toStdString())) {
            result.moment = *moment;
            result.source = MomentSource::Taken;
        }
    }
    return result;
}

// The folder, open for the reading of its files; -1 when it cannot be opened.
int openFolderHandle(const QString &folder)
{
    return ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}
#endif

} // namespace

FileMoment readFileMoment(const QString &folder, const QString &name, bool taken)
{
#ifndef Q_OS_WIN
    const int dirFd = openFolderHandle(folder);
    if (dirFd < 0)
        return {};
    const FileMoment result = readMomentAt(dirFd, name, taken);
    ::close(dirFd);
    return result;
#else
    FileMoment result;
    QFile handle(QDir(folder).filePath(name));
    if (!handle.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return result;
    OpenFile file(handle);
    const qint64 ms = handle.fileTime(QFileDevice::FileModificationTime).toMSecsSinceEpoch();
    result.moment = momentOfSeconds(ms / 1000, (ms % 1000) * 1'000'000);
    result.source = MomentSource::Modified;
    if (taken) {
        const std::string path = QFile::encodeName(handle.fileName()).toStdString();
        if (const auto moment = takenMomentOf(file, handle.size(), path)) {
            result.moment = *moment;
            result.source = MomentSource::Taken;
        }
    }
    return result;
#endif
}

std::optional<std::vector<FileMoment>> readMoments(const MomentFolder &folder,
                                                   const QStringList &names, bool taken,
                                                   const MomentProgress &progress, int threads)
{
    const int total = int(names.size());
    std::vector<FileMoment> moments(std::size_t(names.size()));
    if (threads <= 0)
        threads = std::max(8, int(std::thread::hardware_concurrency()));
    threads = std::min(threads, total);
    if (taken)
        initialiseExiv2();

#ifndef Q_OS_WIN
    // One handle on the folder for all files: each opens by its bare name.
    const int dirFd = folder.handle >= 0 ? ::fcntl(folder.handle, F_DUPFD_CLOEXEC, 0)
                                         : openFolderHandle(folder.path);
    const auto readOne = [&](const QString &name) {
        return dirFd < 0 ? FileMoment() : readMomentAt(dirFd, name, taken);
    };
#else
    const auto readOne
        = [&](const QString &name) { return readFileMoment(folder.path, name, taken); };
#endif

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
                moments[std::size_t(i)] = readOne(names[i]);
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
#ifndef Q_OS_WIN
    if (dirFd >= 0)
        ::close(dirFd);
#endif
    if (stopped)
        return std::nullopt;
    return moments;
}

} // namespace renaming
