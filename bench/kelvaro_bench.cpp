// kelvaro_bench: times the whole batch rename, the restore, the folder listing and the preview,
// through the engine and through the real main window, against what the file system itself
// needs for the same work, and prints one Markdown table.
//
// Every figure is the median of several repetitions. Each repetition works on a folder made
// afresh in the system's temporary folder (files "img00000.jpg" ... with a few bytes each,
// synced to disk before the timing starts), and the making and removing of that folder is
// never timed.
//
// The floors are the same work done with raw system calls and nothing else:
//   floor: rename   the history files the run must write (each created exclusively, written,
//                   fsynced and moved into place), one folder sync, N renameat2 with
//                   RENAME_NOREPLACE on one folder handle (old → new: no new name is an old
//                   one), and the closing folder sync: the same syncs the engine makes.
//   floor: rename, two passes
//                   the same with 2 × N renames (old → temporary → new) for a batch that
//                   shifts every number down by one (pic0001.jpg ... become pic0000.jpg ...),
//                   whose new names are old names: the engine's swap row renames that batch.
//   floor: listing  opendir/readdir of the folder and a case-insensitive sort of the names.
//   floor: listing, first bytes
//                   the same, then for every file open, one read of its first 64 KiB (as
//                   much as the date reader fetches at once) and close: the least a program
//                   must do to learn the date a photo was taken. Its folders hold small JPEG
//                   photos with EXIF (a camera's usual tags), dated against their names.
// A ratio near 1 means the program adds little to what the disk must do anyway.
//
// The window is shown offscreen and its handlers are called as the form's events would call
// them; its message boxes answer OK at once. Only the handler is timed: painting that Qt
// defers to the event loop afterwards is left out. The rows marked (X11) do the same on the
// X display named by DISPLAY, where a window manager draws the title bar, in a child process
// of the bench (a process has one platform); they are timed until the X server has taken in
// everything the handler sent it.
//
// The restore and the peer are compared with the rename floor. Each row also shows the peak
// memory of the process after the row first ran (for the peer and the (X11) rows, that of the
// child process).
//
// --on NAME=FOLDER (repeatable; --no-local leaves the other rows out) times a batch through
// the engine on fresh folders made in FOLDER, another file system (scripts/bench --fuse mounts
// the test suite's classes C and E for it), against two floors there: the same history writes
// and N plain renameat(2), all a bare program has where the kernel refuses RENAME_NOREPLACE
// and hard links are missing; and the same with a look-up of each new name first, the work
// the engine must do there not to replace a file. Beside them the peer doing the same renames,
// and the swap batch in two passes. It also shows the longest time the caption would stand
// still: the longest pause between two progress reports, the start included.
//
// Linux only: the floors use renameat2 and dirent directly.
#include "batch_rename.h"
#include "folder.h"
#include "folder_listing.h"
#include "frm_voxa_r_1.h"
#include "history.h"
#include "message_boxes.h"
#include "messages.h"
#include "naming.h"
#include "numbering_order.h"
#include "restore.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QWindow>

#include <exiv2/exiv2.hpp>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>
#include <xcb/xcb.h>

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

[[noreturn]] void fail(const QString &what)
{
    std::fprintf(stderr, "kelvaro_bench: %s\n", qPrintable(what));
    std::exit(1);
}

// Peak resident memory of this process so far, in MiB.
double peakMiB(int who = RUSAGE_SELF)
{
    rusage usage {};
    getrusage(who, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

QString loadAverage()
{
    QFile f(QStringLiteral("/proc/loadavg"));
    if (!f.open(QIODevice::ReadOnly))
        return QStringLiteral("?");
    return QString::fromLatin1(f.readAll()).section(u' ', 0, 2);
}

QString fileSystemOf(const QString &path)
{
    struct statfs fs
    {
    };
    if (::statfs(QFile::encodeName(path).constData(), &fs) != 0)
        return QStringLiteral("?");
    switch (static_cast<unsigned long>(fs.f_type)) {
    case 0xEF53:
        return QStringLiteral("ext4");
    case 0x01021994:
        return QStringLiteral("tmpfs");
    case 0x9123683E:
        return QStringLiteral("btrfs");
    case 0x58465342:
        return QStringLiteral("xfs");
    case 0x794C7630:
        return QStringLiteral("overlayfs");
    case 0x65735546:
        return QStringLiteral("fuse");
    default:
        return QStringLiteral("0x%1").arg(static_cast<unsigned long>(fs.f_type), 0, 16);
    }
}

// ---------------------------------------------------------------------------------------------
// Names and folders

std::string oldName(int i)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "img%05d.jpg", i);
    return buffer;
}

std::string newName(int i)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "pic%04d.jpg", i);
    return buffer;
}

// The old names of the batch that shifts every number down by one: pic0001.jpg ... become
// pic0000.jpg ..., so that every new name but the first is an old one.
std::string shiftedName(int i)
{
    return newName(i + 1);
}

std::string temporaryName(int i)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "pic%04d.zyx", i);
    return buffer;
}

const QString Prefix = QStringLiteral("pic");
const QString Pattern = QStringLiteral("*.jpg");

// A small JPEG with a camera's usual EXIF tags, and where its DateTimeOriginal stands.
struct PhotoTemplate
{
    std::string bytes;
    std::size_t dateAt = 0;
};

const PhotoTemplate &photoTemplate()
{
    static const PhotoTemplate photo = [] {
        QTemporaryDir work;
        const std::string path
            = QFile::encodeName(work.filePath(QStringLiteral("t.jpg"))).toStdString();
        Exiv2::ImageFactory::create(Exiv2::ImageType::jpeg, path);
        Exiv2::Image::AutoPtr image = Exiv2::ImageFactory::open(path);
        Exiv2::ExifData exif;
        exif["Exif.Image.Make"] = std::string("NIKON CORPORATION");
        exif["Exif.Image.Model"] = std::string("NIKON Z 6");
        exif["Exif.Image.Orientation"] = uint16_t(1);
        exif["Exif.Image.Software"] = std::string("Ver.03.00");
        exif["Exif.Image.DateTime"] = std::string("2024:05:01 10:00:00");
        exif["Exif.Photo.ExposureTime"] = Exiv2::URational(1, 250);
        exif["Exif.Photo.FNumber"] = Exiv2::URational(56, 10);
        exif["Exif.Photo.ISOSpeedRatings"] = uint16_t(400);
        exif["Exif.Photo.DateTimeOriginal"] = std::string("2024:05:01 10:00:00");
        exif["Exif.Photo.DateTimeDigitized"] = std::string("2024:05:01 10:00:00");
        exif["Exif.Photo.OffsetTimeOriginal"] = std::string("+09:00");
        exif["Exif.Photo.SubSecTimeOriginal"] = std::string("00");
        exif["Exif.Photo.FocalLength"] = Exiv2::URational(50, 1);
        exif["Exif.Photo.PixelXDimension"] = uint32_t(6048);
        exif["Exif.Photo.PixelYDimension"] = uint32_t(4024);
        exif["Exif.Photo.LensModel"] = std::string("NIKKOR Z 24-70mm f/4 S");
        image->setExifData(exif);
        image->writeMetadata();
        QFile file(work.filePath(QStringLiteral("t.jpg")));
        if (!file.open(QIODevice::ReadOnly))
            fail(QStringLiteral("cannot make the sample photo"));
        PhotoTemplate made { file.readAll().toStdString(), 0 };
        // The second date is DateTimeOriginal (the first is the image's DateTime).
        made.dateAt = made.bytes.find("2024:05:01 10:00:00");
        made.dateAt = made.bytes.find("2024:05:01 10:00:00", made.dateAt + 1);
        return made;
    }();
    return photo;
}

// The bytes of photo i of `count`: taken one second apart, the last name first.
std::string photoBytes(int i, int count)
{
    std::string bytes = photoTemplate().bytes;
    const int second = count - i;
    char date[32];
    std::snprintf(date, sizeof date, "2024:05:01 %02d:%02d:%02d", 10 + second / 3600,
                  second / 60 % 60, second % 60);
    bytes.replace(photoTemplate().dateAt, 19, date, 19);
    return bytes;
}

using NameOf = std::string (*)(int);

// A folder of `count` small files img00000.jpg ... (or as `nameOf` names them), made in the
// system's temporary folder and removed with everything in it when the object goes; with
// `photos`, JPEG photos.
class BenchFolder
{
public:
    explicit BenchFolder(int count, bool photos = false, const QString &parent = QDir::tempPath(),
                         NameOf names = oldName)
        : m_dir(std::make_unique<QTemporaryDir>(parent + QStringLiteral("/kelvaro-bench-XXXXXX")))
        , m_path(m_dir->path())
        , m_count(count)
        , m_nameOf(names)
    {
        if (!m_dir->isValid())
            fail(QStringLiteral("cannot make a folder in ") + parent);
        const int dirFd = handle();
        for (int i = 0; i < count; ++i) {
            const std::string name = names(i);
            const int fd
                = ::openat(dirFd, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
            const std::string content
                = photos ? photoBytes(i, count) : "picture " + std::to_string(i) + "\n";
            if (fd < 0 || ::write(fd, content.data(), content.size()) != ssize_t(content.size()))
                fail(QStringLiteral("cannot make ") + QString::fromStdString(name));
            ::close(fd);
        }
        // Put the new files on disk now, so that the first sync of a timed run flushes that
        // run's own work and not the making of the folder.
        ::syncfs(dirFd);
        ::close(dirFd);
    }

    // The folder at `path` with `count` files, made by another process of the bench, which
    // also removes it.
    BenchFolder(const QString &path, int count)
        : m_path(path)
        , m_count(count)
    { }

    QString path() const { return m_path; }
    int count() const { return m_count; }
    NameOf nameOf() const { return m_nameOf; } // the files' names before a batch

    // A new handle on the folder; the caller closes it.
    int handle() const
    {
        const int fd
            = ::open(QFile::encodeName(m_path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0)
            fail(QStringLiteral("cannot open ") + m_path);
        return fd;
    }

    bool has(const std::string &name) const
    {
        const int fd = handle();
        const bool found = ::faccessat(fd, name.c_str(), F_OK, AT_SYMLINK_NOFOLLOW) == 0;
        ::close(fd);
        return found;
    }

    // Stops the bench unless every file carries the name `nameOf` gives it.
    void expectNames(const std::function<std::string(int)> &nameOf, const char *row) const
    {
        const int fd = handle();
        for (int i = 0; i < m_count; ++i) {
            if (::faccessat(fd, nameOf(i).c_str(), F_OK, AT_SYMLINK_NOFOLLOW) != 0)
                fail(QStringLiteral("%1: %2 is missing afterwards")
                         .arg(QLatin1String(row), QString::fromStdString(nameOf(i))));
        }
        ::close(fd);
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir; // none for a folder of another process
    QString m_path;
    int m_count;
    NameOf m_nameOf = oldName;
};

QStringList qNames(int count, NameOf nameOf)
{
    QStringList names;
    names.reserve(count);
    for (int i = 0; i < count; ++i)
        names << QString::fromStdString(nameOf(i));
    return names;
}

// ---------------------------------------------------------------------------------------------
// Floors

// Writes `bytes` to `name` as the engine writes a history file: exclusive create of a
// temporary file, write, fsync, close, rename over the name.
void writeDurably(int dirFd, const std::string &name, const std::string &bytes)
{
    const std::string temp = "." + name + ".bench.tmp";
    const int fd = ::openat(dirFd, temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 || ::write(fd, bytes.data(), bytes.size()) != ssize_t(bytes.size())
        || ::fsync(fd) != 0 || ::close(fd) != 0
        || ::renameat(dirFd, temp.c_str(), dirFd, name.c_str()) != 0)
        fail(QStringLiteral("floor: cannot write ") + QString::fromStdString(name));
}

std::string historyBytes(int count, NameOf nameOf)
{
    std::string bytes;
    bytes.reserve(size_t(count) * 14);
    for (int i = 0; i < count; ++i) {
        bytes += nameOf(i);
        bytes += "\r\n";
    }
    return bytes;
}

// How a floor renames: refusing a taken name in the call, with a plain rename that would
// replace it, or with a plain rename after a look-up of the new name.
enum class Move { NoReplace, Bare, LookUpFirst };

// The rename floor for a first rename of the folder: history files 0 (old names) and 1 (new
// names), a folder sync, the one pass or the two, a folder sync.
double floorRename(BenchFolder &folder, Move how = Move::NoReplace, int passes = 1)
{
    const auto move = [how](int fd, const std::string &from, const std::string &to) {
        struct stat st;
        switch (how) {
        case Move::NoReplace:
            return ::renameat2(fd, from.c_str(), fd, to.c_str(), RENAME_NOREPLACE);
        case Move::LookUpFirst:
            if (::fstatat(fd, to.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 || errno != ENOENT)
                return -1;
            [[fallthrough]];
        case Move::Bare:
            break;
        }
        return ::renameat(fd, from.c_str(), fd, to.c_str());
    };
    const int n = folder.count();
    std::vector<std::string> from, temp, to;
    from.resize(size_t(n));
    temp.resize(size_t(n));
    to.resize(size_t(n));
    for (int i = 0; i < n; ++i) {
        from[size_t(i)] = folder.nameOf()(i);
        temp[size_t(i)] = passes == 1 ? newName(i) : temporaryName(i);
        to[size_t(i)] = newName(i);
    }
    const auto start = Clock::now();
    const int fd = folder.handle();
    writeDurably(fd, "VOXAjpg0.log", historyBytes(n, folder.nameOf()));
    writeDurably(fd, "VOXAjpg1.log", historyBytes(n, newName));
    if (::fsync(fd) != 0)
        fail(QStringLiteral("floor: folder sync failed"));
    for (int i = 0; i < n; ++i) {
        if (move(fd, from[size_t(i)], temp[size_t(i)]) != 0)
            fail(QStringLiteral("floor: rename failed"));
    }
    for (int i = 0; passes == 2 && i < n; ++i) {
        if (move(fd, temp[size_t(i)], to[size_t(i)]) != 0)
            fail(QStringLiteral("floor: rename failed"));
    }
    if (::fsync(fd) != 0)
        fail(QStringLiteral("floor: folder sync failed"));
    ::close(fd);
    const double ms = msSince(start);
    folder.expectNames(newName, "floor: rename");
    return ms;
}

double floorListing(BenchFolder &folder)
{
    const QByteArray path = QFile::encodeName(folder.path());
    const auto start = Clock::now();
    std::vector<std::string> names;
    DIR *dir = ::opendir(path.constData());
    if (!dir)
        fail(QStringLiteral("floor: cannot list the folder"));
    while (const dirent *entry = ::readdir(dir)) {
        if (entry->d_name[0] != '.')
            names.emplace_back(entry->d_name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end(), [](const std::string &a, const std::string &b) {
        return ::strcasecmp(a.c_str(), b.c_str()) < 0;
    });
    const double ms = msSince(start);
    if (int(names.size()) != folder.count() || names.front() != oldName(0))
        fail(QStringLiteral("floor: listing is wrong"));
    return ms;
}

double floorFirstBytes(BenchFolder &folder)
{
    const auto start = Clock::now();
    floorListing(folder);
    const int dirFd = folder.handle();
    std::vector<char> buffer(64 * 1024);
    std::size_t bytes = 0;
    for (int i = 0; i < folder.count(); ++i) {
        const int fd = ::openat(dirFd, oldName(i).c_str(), O_RDONLY | O_CLOEXEC);
        const ssize_t n = fd < 0 ? -1 : ::read(fd, buffer.data(), buffer.size());
        if (n <= 0)
            fail(QStringLiteral("floor: cannot read ") + QString::fromStdString(oldName(i)));
        bytes += std::size_t(n);
        ::close(fd);
    }
    ::close(dirFd);
    const double ms = msSince(start);
    if (bytes != photoTemplate().bytes.size() * std::size_t(folder.count()))
        fail(QStringLiteral("floor: listing, first bytes: the files are not the photos"));
    return ms;
}

// ---------------------------------------------------------------------------------------------
// Engine

renaming::BatchInput batchInput(int count, NameOf nameOf = oldName)
{
    renaming::BatchInput input;
    input.oldNames = qNames(count, nameOf);
    input.newNames = qNames(count, newName);
    input.prefix = Prefix;
    input.startNo = 0;
    input.pattern = Pattern;
    // The bench's names must be what the naming rule gives, or it would time another job.
    for (int i : { 0, count - 1 }) {
        if (renaming::newName(Prefix, 0, i, input.oldNames[i]) != input.newNames[i])
            fail(QStringLiteral("the bench's new names differ from the naming rule"));
    }
    return input;
}

void renameWithEngine(BenchFolder &folder, const char *row)
{
    const auto handle = renaming::openFolder(folder.path(), nullptr);
    const renaming::BatchOutcome outcome
        = renaming::renameBatch(*handle, batchInput(folder.count()));
    if (outcome.status != renaming::BatchStatus::Done)
        fail(QLatin1String(row) + QStringLiteral(": batch rename failed: ") + outcome.message());
}

double engineBatch(BenchFolder &folder)
{
    const renaming::BatchInput input = batchInput(folder.count(), folder.nameOf());
    const auto start = Clock::now();
    QString reason;
    const auto handle = renaming::openFolder(folder.path(), &reason);
    if (!handle)
        fail(reason);
    const renaming::BatchOutcome outcome = renaming::renameBatch(*handle, input);
    const double ms = msSince(start);
    if (outcome.status != renaming::BatchStatus::Done)
        fail(QStringLiteral("batch rename, engine: ") + outcome.message());
    folder.expectNames(newName, "batch rename, engine");
    return ms;
}

// A batch through the engine, as engineBatch times it; also gives the longest pause between
// two progress reports (the first one counted from the start).
double engineBatchWithProgress(BenchFolder &folder, double *longestPauseMs)
{
    const renaming::BatchInput input = batchInput(folder.count(), folder.nameOf());
    const auto start = Clock::now();
    auto last = start;
    double longest = 0;
    const auto handle = renaming::openFolder(folder.path(), nullptr);
    if (!handle)
        fail(QStringLiteral("cannot open ") + folder.path());
    const renaming::BatchOutcome outcome
        = renaming::renameBatch(*handle, input, [&](const renaming::RenameStep &) {
              const auto now = Clock::now();
              longest = std::max(longest,
                                 std::chrono::duration<double, std::milli>(now - last).count());
              last = now;
          });
    const double ms = msSince(start);
    if (outcome.status != renaming::BatchStatus::Done)
        fail(QStringLiteral("batch rename, engine: ") + outcome.message());
    folder.expectNames(newName, "batch rename, engine");
    *longestPauseMs = longest;
    return ms;
}

double engineRestore(BenchFolder &folder)
{
    renameWithEngine(folder, "restore, engine");
    const auto start = Clock::now();
    const auto handle = renaming::openFolder(folder.path(), nullptr);
    const renaming::RestoreOutcome outcome = renaming::restoreNames(*handle, Pattern);
    const double ms = msSince(start);
    if (outcome.status != renaming::RestoreStatus::AllUndone)
        fail(QStringLiteral("restore, engine: ") + outcome.message());
    folder.expectNames(oldName, "restore, engine");
    if (folder.has("VOXAjpg0.log") || folder.has("VOXAjpg1.log"))
        fail(QStringLiteral("restore, engine: history files left"));
    return ms;
}

// ---------------------------------------------------------------------------------------------
// The main window

// Answers every box at once: OK to every question, Retry to an input check. Keeps what it was
// shown so that a run can be checked afterwards.
class OkMessageBoxes : public ui::MessageBoxes
{
public:
    bool confirm(const QString &text, ui::Icon) override
    {
        shown << text;
        return true;
    }
    bool retry(const QString &text) override
    {
        shown << text;
        return true;
    }
    void inform(const QString &text) override { shown << text; }

    QStringList shown;
};

class BenchWindow
{
public:
    BenchWindow()
    {
        Services services;
        services.messages = &m_boxes;
        services.programFolder = QCoreApplication::applicationDirPath();
        // The name order without pairs, whatever the user chose in the Number menu.
        services.settingsFile = m_settings.filePath(QStringLiteral("kelvaro.ini"));
        m_window = std::make_unique<frmVOXA_R_1>(services);
        m_window->show();
        QApplication::setActiveWindow(m_window.get());
        m_window->activateWindow();
        // On a real display the window manager maps and frames the window a moment later.
        QElapsedTimer waited;
        waited.start();
        while (!m_window->windowHandle()->isExposed() && waited.elapsed() < 10000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        settle();
    }

    frmVOXA_R_1 &operator*() const { return *m_window; }
    frmVOXA_R_1 *operator->() const { return m_window.get(); }
    OkMessageBoxes &boxes() { return m_boxes; }

    // Lets Qt do what it deferred (layouts, paints) outside the timed part.
    static void settle() { QCoreApplication::processEvents(); }

    // Opens the folder in Dir1, which lists it, then leaves the focus in the prefix box.
    void open(const BenchFolder &folder)
    {
        if (!m_window->Dir1->setPath(folder.path()))
            fail(QStringLiteral("Dir1 refuses ") + folder.path());
        expectCount(m_window->List1, folder.count(), "List1 after opening the folder");
        settle();
    }

    // Types the prefix and start number and leaves the start-number box as Enter would,
    // which builds the preview; the focus ends on the rename button.
    void preparePreview(int count)
    {
        m_window->Text1->setText(Prefix);
        m_window->Text2->setText(QStringLiteral("0"));
        m_window->Text2->setFocus();
        m_window->Command1->setFocus();
        // Without an active window no focus handler runs; build the preview directly then.
        if (m_window->List2->count() != count)
            m_window->Text2_LostFocus();
        expectCount(m_window->List2, count, "List2 after the preview");
        settle();
    }

    static void expectCount(const QListWidget *list, int count, const char *what)
    {
        if (list->count() != count)
            fail(QStringLiteral("%1: %2 entries, expected %3")
                     .arg(QLatin1String(what))
                     .arg(list->count())
                     .arg(count));
    }

    void expectBoxes(const QStringList &texts, const char *row)
    {
        if (m_boxes.shown != texts)
            fail(QLatin1String(row) + QStringLiteral(": unexpected message boxes: ")
                 + m_boxes.shown.join(QStringLiteral(" | ")));
        m_boxes.shown.clear();
    }

private:
    OkMessageBoxes m_boxes;
    QTemporaryDir m_settings;
    std::unique_ptr<frmVOXA_R_1> m_window;
};

// On an X display: waits until the X server has handled every request the process sent (one
// round trip), so that a run is timed until its captions and paints have reached the server.
void syncWithDisplay()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return;
    if (auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()) {
        xcb_connection_t *connection = x11->connection();
        std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
    }
}

double windowListing(BenchWindow &window, BenchFolder &folder)
{
    window.open(folder);
    window->List1->clear();
    const auto start = Clock::now();
    window->Dir1_Change();
    const double ms = msSince(start);
    BenchWindow::expectCount(window->List1, folder.count(), "listing, window");
    window.expectBoxes({}, "listing, window");
    return ms;
}

// The folder listing put in date-taken order by the engine alone.
double engineListingTaken(BenchFolder &folder)
{
    const auto start = Clock::now();
    renaming::FolderListing listing;
    listing.setPathAndPattern(folder.path(), Pattern);
    const auto targets = renaming::numberTargets(folder.path(), listing.names(),
                                                 { renaming::NumberingOrder::Taken, false });
    const double ms = msSince(start);
    if (!targets || targets->names.size() != folder.count()
        || targets->names.last() != QString::fromStdString(oldName(0)))
        fail(QStringLiteral("listing, date taken, engine: the list is not in that order"));
    return ms;
}

// The listing in another numbering order: the target list must end with the first name (by
// date taken: the photos run against their names) or the last one (natural).
double windowListingIn(BenchWindow &window, BenchFolder &folder, QAction *order, const char *row)
{
    window.open(folder);
    window->List1->clear();
    order->setChecked(true);
    const auto start = Clock::now();
    window->Dir1_Change();
    const double ms = msSince(start);
    window->mnuOrderName->setChecked(true);
    BenchWindow::expectCount(window->List1, folder.count(), row);
    const bool taken = order == window->mnuOrderTaken;
    if (window->List1->item(folder.count() - 1)->text()
        != QString::fromStdString(oldName(taken ? 0 : folder.count() - 1)))
        fail(QLatin1String(row) + QStringLiteral(": the list is not in that order"));
    window.expectBoxes({}, row);
    return ms;
}

double windowPreview(BenchWindow &window, BenchFolder &folder)
{
    window.open(folder);
    window.preparePreview(folder.count());
    window->LIST2_CLEAR();
    const auto start = Clock::now();
    window->Text2_LostFocus();
    const double ms = msSince(start);
    BenchWindow::expectCount(window->List2, folder.count(), "preview, window");
    if (window->List2->item(folder.count() - 1)->text()
        != QString::fromStdString(newName(folder.count() - 1)))
        fail(QStringLiteral("preview, window: wrong new names"));
    window.expectBoxes({}, "preview, window");
    return ms;
}

double windowBatch(BenchWindow &window, BenchFolder &folder)
{
    window.open(folder);
    window.preparePreview(folder.count());
    window.expectBoxes({}, "batch rename, window (preparing)");
    const auto start = Clock::now();
    window->Command1_Click();
    syncWithDisplay();
    const double ms = msSince(start);
    const QString folderPath = renaming::folderPathOf(window->Dir1->path());
    window.expectBoxes({ msg::AskRename, msg::RenameDone, msg::restoreHint(folderPath) },
                       "batch rename, window");
    BenchWindow::expectCount(window->List1, folder.count(), "List1 after the rename");
    if (window->List1->item(0)->text() != QString::fromStdString(newName(0)))
        fail(QStringLiteral("batch rename, window: List1 does not show the new names"));
    folder.expectNames(newName, "batch rename, window");
    BenchWindow::settle();
    return ms;
}

double windowRestore(BenchWindow &window, BenchFolder &folder)
{
    window.open(folder);
    renameWithEngine(folder, "restore, window");
    window->Dir1_Change();
    BenchWindow::expectCount(window->List1, folder.count(), "List1 before the restore");
    BenchWindow::settle();
    window.expectBoxes({}, "restore, window (preparing)");
    const auto start = Clock::now();
    window->nmuUndo_Click();
    syncWithDisplay();
    const double ms = msSince(start);
    window.expectBoxes({ msg::AskRestore, msg::askUndoStep(1) }, "restore, window");
    BenchWindow::expectCount(window->List1, folder.count(), "List1 after the restore");
    if (window->List1->item(0)->text() != QString::fromStdString(oldName(0)))
        fail(QStringLiteral("restore, window: List1 does not show the old names"));
    folder.expectNames(oldName, "restore, window");
    BenchWindow::settle();
    return ms;
}

// ---------------------------------------------------------------------------------------------
// The window on the X display, in a child process that runs the rows on folders the parent
// made. It reads lines "batch|restore <files> <folder>" and answers each with the milliseconds
// and its peak memory in MiB.

int runX11Child()
{
    BenchWindow window;
    std::printf("ready\n");
    std::fflush(stdout);
    char line[4096];
    while (std::fgets(line, sizeof line, stdin)) {
        const QStringList parts = QString::fromLocal8Bit(line).trimmed().split(u' ');
        if (parts.size() < 3)
            fail(QStringLiteral("X11 child: cannot read the line ") + QString::fromLocal8Bit(line));
        BenchFolder folder(parts.mid(2).join(u' '), parts[1].toInt());
        const double ms = parts[0] == QLatin1String("batch") ? windowBatch(window, folder)
                                                             : windowRestore(window, folder);
        std::printf("%.4f %.2f\n", ms, peakMiB());
        std::fflush(stdout);
    }
    return 0;
}

class X11Window
{
public:
    X11Window()
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        m_child.setProcessEnvironment(env);
        m_child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_child.start(QCoreApplication::applicationFilePath(), { QStringLiteral("--x11-child") });
        if (answer() != "ready")
            fail(QStringLiteral("the X11 child did not start"));
    }
    ~X11Window()
    {
        m_child.closeWriteChannel();
        m_child.waitForFinished();
    }

    double run(const char *row, BenchFolder &folder, double *peak)
    {
        m_child.write(QStringLiteral("%1 %2 %3\n")
                          .arg(QLatin1String(row))
                          .arg(folder.count())
                          .arg(folder.path())
                          .toLocal8Bit());
        const QList<QByteArray> figures = answer().split(' ');
        if (figures.size() != 2)
            fail(QStringLiteral("the X11 child gave no figures"));
        *peak = figures[1].toDouble();
        return figures[0].toDouble();
    }

private:
    QByteArray answer()
    {
        while (!m_child.canReadLine()) {
            if (!m_child.waitForReadyRead(-1))
                fail(QStringLiteral("the X11 child ended: ") + m_child.errorString());
        }
        return m_child.readLine().trimmed();
    }

    QProcess m_child;
};

// ---------------------------------------------------------------------------------------------
// The peer: Debian's Perl rename (File::Rename) giving the same files the same new names in
// one rename each, without a history.

QString findPeer()
{
    for (const char *name : { "file-rename", "prename" }) {
        const QString path = QStandardPaths::findExecutable(QLatin1String(name));
        if (!path.isEmpty())
            return path;
    }
    // "rename" may also be util-linux's, which takes other arguments.
    const QString path = QStandardPaths::findExecutable(QStringLiteral("rename"));
    if (path.isEmpty())
        return {};
    QProcess probe;
    probe.start(path, { QStringLiteral("-V") });
    probe.waitForFinished();
    return probe.readAll().contains("File::Rename") ? path : QString();
}

double peerRename(const QString &peer, BenchFolder &folder)
{
    QStringList arguments { QStringLiteral("-e"),
                            QStringLiteral("s/.*/sprintf(\"pic%04d.jpg\", $main::n++)/e"),
                            QStringLiteral("--") };
    arguments += qNames(folder.count(), folder.nameOf());
    QProcess process;
    process.setWorkingDirectory(folder.path());
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    const auto start = Clock::now();
    process.start(peer, arguments);
    if (!process.waitForFinished(-1))
        fail(QStringLiteral("peer: ") + process.errorString());
    const double ms = msSince(start);
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        fail(QStringLiteral("peer: %1 failed").arg(peer));
    folder.expectNames(newName, "peer");
    return ms;
}

// ---------------------------------------------------------------------------------------------
// The table

enum class Row {
    FloorRename,
    EngineBatch,
    FloorRenameTwoPasses,
    EngineBatchSwap,
    WindowBatch,
    WindowBatchX11,
    FloorListing,
    WindowListing,
    FloorFirstBytes,
    EngineListingTaken,
    WindowListingTaken,
    WindowListingNatural,
    WindowPreview,
    EngineRestore,
    WindowRestore,
    WindowRestoreX11,
    Peer,
};

struct RowInfo
{
    Row row;
    const char *label;
    std::optional<Row> floor; // the floor it is compared with; none for a floor itself
};

const RowInfo Rows[] = {
    { Row::FloorRename, "floor: rename", std::nullopt },
    { Row::EngineBatch, "batch rename, engine", Row::FloorRename },
    { Row::FloorRenameTwoPasses, "floor: rename, two passes", std::nullopt },
    { Row::EngineBatchSwap, "batch rename, engine, swap (two passes)", Row::FloorRenameTwoPasses },
    { Row::WindowBatch, "batch rename, window", Row::FloorRename },
    { Row::WindowBatchX11, "batch rename, window (X11)", Row::FloorRename },
    { Row::FloorListing, "floor: listing", std::nullopt },
    { Row::WindowListing, "listing, window", Row::FloorListing },
    { Row::FloorFirstBytes, "floor: listing, first bytes", std::nullopt },
    { Row::EngineListingTaken, "listing, date taken, engine", Row::FloorFirstBytes },
    { Row::WindowListingTaken, "listing, date taken", Row::FloorFirstBytes },
    { Row::WindowListingNatural, "listing, natural", Row::FloorFirstBytes },
    { Row::WindowPreview, "preview, window", std::nullopt },
    { Row::EngineRestore, "restore, engine", Row::FloorRename },
    { Row::WindowRestore, "restore, window", Row::FloorRename },
    { Row::WindowRestoreX11, "restore, window (X11)", Row::FloorRename },
    { Row::Peer, "peer: file-rename", Row::FloorRename },
};

struct Figures
{
    double median = 0;
    double min = 0;
    double max = 0;
    double peakMiB = 0;
};

Figures summarise(std::vector<double> samples, double peak)
{
    std::sort(samples.begin(), samples.end());
    const size_t n = samples.size();
    const double median = n % 2 ? samples[n / 2] : (samples[n / 2 - 1] + samples[n / 2]) / 2.0;
    return { median, samples.front(), samples.back(), peak };
}

using Results = std::map<int, std::map<Row, Figures>>; // files → row → figures

QString fixed(double value, int decimals)
{
    return QString::number(value, 'f', decimals);
}

QString milliseconds(double ms)
{
    return fixed(ms, ms < 10 ? 2 : 1);
}

void printTable(const Results &results, const std::vector<int> &sizes)
{
    std::printf("| row | files | ms (median) | min–max ms | × floor | µs/file | µs/file vs "
                "%d files | peak MiB |\n",
                sizes.front());
    std::printf("|---|---:|---:|---:|---:|---:|---:|---:|\n");
    for (const RowInfo &info : Rows) {
        for (int files : sizes) {
            const auto found = results.at(files).find(info.row);
            if (found == results.at(files).end())
                continue;
            const Figures &f = found->second;
            QString ratio = QStringLiteral("—");
            if (info.floor && results.at(files).count(*info.floor))
                ratio = fixed(f.median / results.at(files).at(*info.floor).median, 2);
            const double perFile = f.median * 1000.0 / files;
            QString scaling = QStringLiteral("—");
            if (files != sizes.front()) {
                const auto base = results.at(sizes.front()).find(info.row);
                if (base != results.at(sizes.front()).end())
                    scaling = fixed(perFile / (base->second.median * 1000.0 / sizes.front()), 2);
            }
            std::printf("| %s | %d | %s | %s–%s | %s | %s | %s | %s |\n", info.label, files,
                        qPrintable(milliseconds(f.median)), qPrintable(milliseconds(f.min)),
                        qPrintable(milliseconds(f.max)), qPrintable(ratio),
                        qPrintable(fixed(perFile, 2)), qPrintable(scaling),
                        qPrintable(fixed(f.peakMiB, 1)));
        }
    }
}

void printTargets(const Results &results, const std::vector<int> &sizes)
{
    std::printf("\nTargets (measured, not enforced):\n");
    auto verdict = [](bool met) { return met ? "met   " : "MISSED"; };
    auto has = [&](int files, Row row) { return results.at(files).count(row) != 0; };
    auto median = [&](int files, Row row) { return results.at(files).at(row).median; };
    for (int files : sizes) {
        const struct
        {
            Row row;
            Row floor;
            double limit;
        } ratios[] = {
            { Row::EngineBatch, Row::FloorRename, 1.3 },
            { Row::EngineBatchSwap, Row::FloorRenameTwoPasses, 1.3 },
            { Row::WindowBatch, Row::FloorRename, 2.0 },
            { Row::EngineRestore, Row::FloorRename, 1.3 },
            { Row::WindowRestore, Row::FloorRename, 2.0 },
            { Row::WindowBatchX11, Row::FloorRename, 2.0 },
            { Row::WindowRestoreX11, Row::FloorRename, 2.0 },
            { Row::WindowListing, Row::FloorListing, 2.0 },
            { Row::EngineListingTaken, Row::FloorFirstBytes, 2.0 },
            { Row::WindowListingTaken, Row::FloorFirstBytes, 2.0 },
            { Row::WindowListingNatural, Row::FloorFirstBytes, 2.0 },
        };
        for (const auto &r : ratios) {
            if (!has(files, r.row) || !has(files, r.floor))
                continue;
            const double ratio = median(files, r.row) / median(files, r.floor);
            const char *label = "";
            for (const RowInfo &info : Rows) {
                if (info.row == r.row)
                    label = info.label;
            }
            std::printf("  %s %-26s %5d files: %.2f × floor (limit %.1f)\n",
                        verdict(ratio <= r.limit), label, files, ratio, r.limit);
        }
        if (has(files, Row::Peer)) {
            const double peer = median(files, Row::Peer);
            // The engine renames as the peer does, once per file, and must not cost more
            // than four fifths of its time; the window at most as much.
            for (Row row : { Row::EngineBatch, Row::WindowBatch }) {
                const double limit = row == Row::EngineBatch ? 0.8 : 1.0;
                if (has(files, row))
                    std::printf("  %s %-22s %5d files: %.1f ms against the peer's %.1f ms "
                                "(%.2f ×, limit %.1f)\n",
                                verdict(median(files, row) <= limit * peer),
                                row == Row::EngineBatch ? "peer (engine)" : "peer (window)", files,
                                median(files, row), peer, median(files, row) / peer, limit);
            }
        }
    }
    const int largest = sizes.back();
    if (has(largest, Row::WindowPreview) && largest >= 9999) {
        const double ms = median(largest, Row::WindowPreview);
        std::printf("  %s preview of %d names: %.2f ms (limit 16 ms)\n", verdict(ms < 16.0),
                    largest, ms);
    }
    if (sizes.size() > 1) {
        for (const RowInfo &info : Rows) {
            if (!info.floor || info.row == Row::Peer || !has(sizes.front(), info.row)
                || !has(largest, info.row))
                continue;
            const double scaling = (median(largest, info.row) / largest)
                / (median(sizes.front(), info.row) / sizes.front());
            // On a real display a cost per step that grows with the run would show at once.
            const bool x11 = info.row == Row::WindowBatchX11 || info.row == Row::WindowRestoreX11;
            const double limit = x11 ? 1.2 : 1.5;
            std::printf("  %s linear scaling, %-26s: per file at %d = %.2f × per file at %d "
                        "(limit %.1f)\n",
                        verdict(scaling <= limit), info.label, largest, scaling, sizes.front(),
                        limit);
        }
        if (has(largest, Row::WindowPreview) && has(sizes.front(), Row::WindowPreview)) {
            const double scaling = (median(largest, Row::WindowPreview) / largest)
                / (median(sizes.front(), Row::WindowPreview) / sizes.front());
            std::printf("  %s linear scaling, %-22s: per file at %d = %.2f × per file at %d "
                        "(limit 1.5)\n",
                        verdict(scaling <= 1.5), "preview, window", largest, scaling,
                        sizes.front());
        }
    }
}

// The batch on other file systems, one row each for: the floors there (bare renames, and a
// look-up before each), the engine's batch, the peer doing the same renames, and the engine's
// swap batch in two passes. Rows are named after the file system ("batch rename, NAME").
void benchElsewhere(const std::vector<std::pair<QString, QString>> &elsewhere,
                    const std::vector<int> &sizes, int repetitions, const QString &peer)
{
    struct Measured
    {
        QString label;
        int files;
        Figures figures;
        const Figures *lookUp; // the floor it is compared with
        const Figures *peer; // the peer's row of the same file system and size
    };
    std::vector<std::unique_ptr<Figures>> kept;
    std::vector<Measured> rows;
    std::vector<QString> pauses, targets;
    for (const auto &[name, parent] : elsewhere) {
        std::printf("\n%s: %s (%s)\n", qPrintable(name), qPrintable(parent),
                    qPrintable(fileSystemOf(parent)));
        std::fflush(stdout);
        for (int files : sizes) {
            std::vector<double> bare, lookUp, engine, swap, peers;
            double longestPause = 0;
            for (int rep = 0; rep < repetitions; ++rep) {
                for (auto [how, samples] : { std::pair { Move::Bare, &bare },
                                             std::pair { Move::LookUpFirst, &lookUp } }) {
                    BenchFolder folder(files, false, parent);
                    samples->push_back(floorRename(folder, how));
                }
                {
                    BenchFolder folder(files, false, parent);
                    double pause = 0;
                    engine.push_back(engineBatchWithProgress(folder, &pause));
                    longestPause = std::max(longestPause, pause);
                }
                if (!peer.isEmpty()) {
                    BenchFolder folder(files, false, parent);
                    peers.push_back(peerRename(peer, folder));
                }
                BenchFolder shifted(files, false, parent, shiftedName);
                swap.push_back(engineBatch(shifted));
                std::fprintf(stderr, "  %s, %5d files: repetition %d of %d done\n",
                             qPrintable(name), files, rep + 1, repetitions);
            }
            const auto keep = [&](const std::vector<double> &samples) {
                kept.push_back(std::make_unique<Figures>(summarise(samples, 0)));
                return kept.back().get();
            };
            const Figures *floor = keep(lookUp);
            const Figures *peerFigures = peers.empty() ? nullptr : keep(peers);
            rows.push_back(
                { "floor: bare renames, " + name, files, summarise(bare, 0), nullptr, nullptr });
            rows.push_back({ "floor: look-up + rename, " + name, files, *floor, nullptr, nullptr });
            const Figures batch = summarise(engine, 0);
            rows.push_back({ "batch rename, " + name, files, batch, floor, peerFigures });
            if (peerFigures)
                rows.push_back(
                    { "peer: file-rename, " + name, files, *peerFigures, floor, nullptr });
            rows.push_back({ "batch rename, " + name + ", swap (two passes)", files,
                             summarise(swap, 0), floor, peerFigures });
            pauses.push_back(QStringLiteral("  %1, %2 files: longest pause between progress "
                                            "steps %3 ms")
                                 .arg(name)
                                 .arg(files)
                                 .arg(milliseconds(longestPause)));
            if (peerFigures) {
                const double ratio = batch.median / peerFigures->median;
                targets.push_back(QStringLiteral("  %1 batch rename, %2, %3 files: %4 × the "
                                                 "peer (limit 1.1)")
                                      .arg(QLatin1String(ratio <= 1.1 ? "met   " : "MISSED"), name)
                                      .arg(files)
                                      .arg(fixed(ratio, 2)));
            }
        }
    }
    std::printf("\n| row | files | ms (median) | min–max ms | × look-up + rename floor | × peer "
                "|\n");
    std::printf("|---|---:|---:|---:|---:|---:|\n");
    for (const Measured &r : rows) {
        const Figures &f = r.figures;
        std::printf(
            "| %s | %d | %s | %s–%s | %s | %s |\n", qPrintable(r.label), r.files,
            qPrintable(milliseconds(f.median)), qPrintable(milliseconds(f.min)),
            qPrintable(milliseconds(f.max)),
            qPrintable(r.lookUp ? fixed(f.median / r.lookUp->median, 2) : QStringLiteral("—")),
            qPrintable(r.peer ? fixed(f.median / r.peer->median, 2) : QStringLiteral("—")));
    }
    std::printf("\n");
    for (const QString &line : pauses)
        std::printf("%s\n", qPrintable(line));
    if (!targets.empty())
        std::printf("\nTargets (measured, not enforced):\n");
    for (const QString &line : targets)
        std::printf("%s\n", qPrintable(line));
}

struct Options
{
    int repetitions = 7;
    std::vector<int> sizes { 1000, 9999 };
    bool peer = true;
    bool window = true;
    bool x11 = true; // the (X11) rows, when DISPLAY names a display
    QString only; // runs only the rows whose label contains this text
    std::vector<std::pair<QString, QString>> elsewhere; // --on NAME=FOLDER
    bool local = true; // the rows in the system's temporary folder
};

Options parseOptions(const QStringList &arguments)
{
    Options options;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &a = arguments[i];
        if (a == QLatin1String("--reps") && i + 1 < arguments.size()) {
            options.repetitions = std::max(1, arguments[++i].toInt());
        } else if (a == QLatin1String("--sizes") && i + 1 < arguments.size()) {
            options.sizes.clear();
            for (const QString &s : arguments[++i].split(u',', Qt::SkipEmptyParts)) {
                const int n = s.toInt();
                if (n < 1 || n > 9999)
                    fail(QStringLiteral("sizes run from 1 to 9999"));
                options.sizes.push_back(n);
            }
            std::sort(options.sizes.begin(), options.sizes.end());
            if (options.sizes.empty())
                fail(QStringLiteral("--sizes needs at least one size"));
        } else if (a == QLatin1String("--no-peer")) {
            options.peer = false;
        } else if (a == QLatin1String("--no-local")) {
            options.local = false;
        } else if (a == QLatin1String("--no-window")) {
            options.window = false;
        } else if (a == QLatin1String("--no-x11")) {
            options.x11 = false;
        } else if (a == QLatin1String("--only") && i + 1 < arguments.size()) {
            options.only = arguments[++i];
        } else if (a == QLatin1String("--on") && i + 1 < arguments.size()
                   && arguments[i + 1].contains(u'=')) {
            const QString on = arguments[++i];
            options.elsewhere.emplace_back(on.section(u'=', 0, 0), on.section(u'=', 1));
        } else {
            std::fprintf(stderr,
                         "usage: kelvaro_bench [--reps N] [--sizes 1000,9999] [--no-peer] "
                         "[--no-window] [--no-x11] [--only TEXT] [--on NAME=FOLDER ...] "
                         "[--no-local]\n");
            std::exit(a == QLatin1String("--help") ? 0 : 2);
        }
    }
    return options;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (QCoreApplication::arguments().contains(QStringLiteral("--x11-child")))
        return runX11Child();
    Options options = parseOptions(QCoreApplication::arguments());
    if (options.window && options.x11 && qEnvironmentVariableIsEmpty("DISPLAY")) {
        std::printf("No DISPLAY: the (X11) rows are left out.\n");
        options.x11 = false;
    }
    const QString peer = options.peer ? findPeer() : QString();

    const QString loadBefore = loadAverage();
    std::printf("kelvaro_bench: %d repetitions per figure, fresh folder each, in %s (%s); "
                "%ld CPUs; load average %s\n",
                options.repetitions, qPrintable(QDir::tempPath()),
                qPrintable(fileSystemOf(QDir::tempPath())), ::sysconf(_SC_NPROCESSORS_ONLN),
                qPrintable(loadBefore));
    std::fflush(stdout);

    std::unique_ptr<BenchWindow> window;
    auto theWindow = [&]() -> BenchWindow & {
        if (!window)
            window = std::make_unique<BenchWindow>();
        return *window;
    };

    std::unique_ptr<X11Window> x11;
    double x11Peak = 0; // of the child, after its last row
    auto onX11 = [&](const char *row, BenchFolder &folder) {
        if (!x11)
            x11 = std::make_unique<X11Window>();
        return x11->run(row, folder, &x11Peak);
    };

    std::vector<std::pair<const RowInfo *, std::function<double(BenchFolder &)>>> runs;
    for (const RowInfo &info : Rows) {
        if (!options.local || !QLatin1String(info.label).contains(options.only))
            continue;
        std::function<double(BenchFolder &)> run;
        switch (info.row) {
        case Row::FloorRename:
            run = [](BenchFolder &f) { return floorRename(f); };
            break;
        case Row::EngineBatch:
        case Row::EngineBatchSwap:
            run = engineBatch;
            break;
        case Row::FloorRenameTwoPasses:
            run = [](BenchFolder &f) { return floorRename(f, Move::NoReplace, 2); };
            break;
        case Row::WindowBatch:
            if (options.window)
                run = [&](BenchFolder &f) { return windowBatch(theWindow(), f); };
            break;
        case Row::WindowBatchX11:
            if (options.window && options.x11)
                run = [&](BenchFolder &f) { return onX11("batch", f); };
            break;
        case Row::FloorListing:
            run = floorListing;
            break;
        case Row::WindowListing:
            if (options.window)
                run = [&](BenchFolder &f) { return windowListing(theWindow(), f); };
            break;
        case Row::FloorFirstBytes:
            run = floorFirstBytes;
            break;
        case Row::EngineListingTaken:
            run = engineListingTaken;
            break;
        case Row::WindowListingTaken:
            if (options.window)
                run = [&](BenchFolder &f) {
                    return windowListingIn(theWindow(), f, theWindow()->mnuOrderTaken,
                                           "listing, date taken");
                };
            break;
        case Row::WindowListingNatural:
            if (options.window)
                run = [&](BenchFolder &f) {
                    return windowListingIn(theWindow(), f, theWindow()->mnuOrderNatural,
                                           "listing, natural");
                };
            break;
        case Row::WindowPreview:
            if (options.window)
                run = [&](BenchFolder &f) { return windowPreview(theWindow(), f); };
            break;
        case Row::EngineRestore:
            run = engineRestore;
            break;
        case Row::WindowRestore:
            if (options.window)
                run = [&](BenchFolder &f) { return windowRestore(theWindow(), f); };
            break;
        case Row::WindowRestoreX11:
            if (options.window && options.x11)
                run = [&](BenchFolder &f) { return onX11("restore", f); };
            break;
        case Row::Peer:
            if (!peer.isEmpty())
                run = [&](BenchFolder &f) { return peerRename(peer, f); };
            break;
        }
        if (run)
            runs.emplace_back(&info, std::move(run));
    }

    // Every repetition runs all rows once, in table order, so that a row and its floor are
    // measured close together in time and a load that comes and goes (another build) falls
    // on both. The peak memory of a row is taken after its first run.
    Results results;
    for (int files : options.sizes) {
        if (runs.empty())
            break;
        std::map<Row, std::vector<double>> samples;
        std::map<Row, double> peaks;
        for (int rep = 0; rep < options.repetitions; ++rep) {
            for (const auto &[info, run] : runs) {
                const bool photos = info->row == Row::FloorFirstBytes
                    || info->row == Row::EngineListingTaken || info->row == Row::WindowListingTaken
                    || info->row == Row::WindowListingNatural;
                const bool shifted
                    = info->row == Row::FloorRenameTwoPasses || info->row == Row::EngineBatchSwap;
                BenchFolder folder(files, photos, QDir::tempPath(),
                                   shifted ? shiftedName : oldName);
                samples[info->row].push_back(run(folder));
                if (rep == 0) {
                    const bool onDisplay
                        = info->row == Row::WindowBatchX11 || info->row == Row::WindowRestoreX11;
                    peaks[info->row] = onDisplay ? x11Peak
                        : info->row == Row::Peer ? peakMiB(RUSAGE_CHILDREN)
                                                 : peakMiB(RUSAGE_SELF);
                }
            }
            std::fprintf(stderr, "  %5d files: repetition %d of %d done\n", files, rep + 1,
                         options.repetitions);
        }
        for (const auto &[info, run] : runs)
            results[files][info->row] = summarise(samples[info->row], peaks[info->row]);
    }

    if (!runs.empty()) {
        std::printf("\n");
        printTable(results, options.sizes);
        if (!peer.isEmpty())
            std::printf("\nThe peer is %s; its peak memory is that of the child process.\n",
                        qPrintable(peer));
        printTargets(results, options.sizes);
    }
    if (!options.elsewhere.empty())
        benchElsewhere(options.elsewhere, options.sizes, options.repetitions, peer);
    std::printf("\nload average before %s, after %s\n", qPrintable(loadBefore),
                qPrintable(loadAverage()));
    return 0;
}
