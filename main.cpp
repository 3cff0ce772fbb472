// Kelvaro: renames every file of one type in one folder to a prefix, a four-digit running
// number and the file's own extension, and can undo such renames.
//
// Usage: kelvaro [FOLDER]. With a folder (or a file: its folder) the window starts there
// instead of on the current folder. --help and --version answer without a display; any other
// option (but Qt's own, such as -platform) and a second folder are refused with the usage.
#include "display_text.h"
#include "folder.h"
#include "folder_request.h"
#include "frm_voxa_r_1.h"
#include "message_boxes.h"
#include "messages.h"
#include "single_instance.h"
#include "system_print_device.h"
#include "translation.h"

#include <QApplication>
#include <QDir>
#include <QFile>

#include <cstdio>
#include <cstring>
#include <optional>

namespace {

void write(FILE *file, const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), file);
}

// --help and --version, before the application connects to a display: they need none. The
// program is named "kelvaro" whatever path it was started by (the launcher starts it from
// libexec).
std::optional<int> answeredWithoutWindow(int argc, char *argv[])
{
    for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
        const QByteArrayView argument(argv[i]);
        if (argument == "-h" || argument == "--help" || argument == "-help" || argument == "-?") {
            write(stdout, msg::programHelp(msg::CliHelpOption, msg::CliVersionOption));
            return 0;
        }
        if (argument == "-v" || argument == "--version") {
            write(stdout, QStringLiteral("kelvaro " KELVARO_VERSION "\n"));
            return 0;
        }
    }
    return std::nullopt;
}

int usageError(const QString &problem)
{
    write(stderr, QStringLiteral("kelvaro: ") + problem + u'\n' + msg::ProgramUsage + u'\n');
    return 2;
}

} // namespace

int main(int argc, char *argv[])
{
    if (const std::optional<int> status = answeredWithoutWindow(argc, argv))
        return *status;
    QApplication app(argc, argv);
    QCoreApplication::setApplicationVersion(QStringLiteral(KELVARO_VERSION));

    // Qt has taken its own options out of argv. What is left is at most one folder, kept as
    // the bytes the system gave: its text could name another folder.
    QByteArray argument;
    bool given = false;
    bool options = true;
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (options && arg == "--") {
            options = false;
        } else if (options && arg.startsWith('-') && arg.size() > 1) {
            return usageError(msg::ProgramUnknownOption
                              + renaming::escaped(renaming::textOfBytes(arg)));
        } else if (given) {
            return usageError(msg::ProgramOneFolder);
        } else {
            argument = arg;
            given = true;
        }
    }
    // Made absolute here, byte for byte: the running copy a later start hands it to has its
    // own current folder.
    const QByteArray path = absolutePathBytes(argument);

    // A second copy ends at once, without a word, once it has handed its folder to the first.
    SingleInstance instance;
    if (!instance.claim()) {
        instance.handOver(path);
        return 0;
    }

    installQtJapaneseTranslation(app);

    ui::QtMessageBoxes messages;
    Services services;
    services.messages = &messages;
    services.openFolder = renaming::openFolder;
    services.makePrintDevice = printing::makeSystemPrintDevice;
    services.programFolder = QCoreApplication::applicationDirPath();
    QString problem;
    if (given) {
        const FolderRequest start = folderRequestOf(path);
        services.startFolder = start.folder;
        // Asked for from outside: listed as soon as the window is up, as a drop is.
        services.listStartFolder = !start.folder.isEmpty();
        if (!start.problem.isEmpty())
            problem = start.problem + u'\n' + msg::StartingInCurrentFolder;
    }
    // The current folder's name may not be text either; the window then starts in the home
    // folder rather than in the folder that the name's text would spell.
    if (const QByteArray current = currentFolderBytes();
        services.startFolder.isEmpty() && !renaming::isFaithfulPath(current)) {
        services.startFolder = QDir::homePath();
        problem = problem.isEmpty()
            ? msg::StartingInHomeFolder
            : problem.section(u'\n', 0, 0) + u'\n' + msg::StartingInHomeFolder;
    }

    frmVOXA_R_1 window(services);
    messages.setParent(&window);
    // Queued, so that a message box the move may show does not open inside the socket's handler.
    QObject::connect(
        &instance, &SingleInstance::handedOver, &window,
        [&window](const QByteArray &folder) {
            window.bringToFront();
            if (!folder.isEmpty())
                window.goToFolder(folder);
        },
        Qt::QueuedConnection);
    window.show();
    if (!problem.isEmpty())
        window.messages().inform(problem);
    return app.exec();
}
