// Kelvaro: renames every file of one type in one folder to a prefix, a four-digit running
// number and the file's own extension, and can undo such renames.
//
// Usage: kelvaro [FOLDER]. With a folder (or a file: its folder) the window starts there
// instead of on the current folder.
#include "folder_request.h"
#include "frm_voxa_r_1.h"
#include "message_boxes.h"
#include "messages.h"
#include "single_instance.h"
#include "system_print_device.h"
#include "translation.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCoreApplication::setApplicationVersion(QStringLiteral(KELVARO_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(msg::ProgramDescription);
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("folder"), msg::FolderArgument,
                                 QStringLiteral("[FOLDER]"));
    parser.process(app);
    const QString argument = parser.positionalArguments().value(0);
    // Made absolute here: the running copy a later start hands it to has its own current folder.
    const QString path = argument.isEmpty() ? QString() : QFileInfo(argument).absoluteFilePath();

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
    const FolderRequest start = path.isEmpty() ? FolderRequest {} : folderRequestOf(path);
    services.startFolder = start.folder;
    services.listStartFolder = !start.folder.isEmpty();

    frmVOXA_R_1 window(services);
    messages.setParent(&window);
    // Queued, so that a message box the move may show does not open inside the socket's handler.
    QObject::connect(
        &instance, &SingleInstance::handedOver, &window,
        [&window](const QString &folder) {
            window.bringToFront();
            if (!folder.isEmpty())
                window.goToFolder(folder);
        },
        Qt::QueuedConnection);
    window.show();
    if (!start.problem.isEmpty())
        window.messages().inform(start.problem + u'\n' + msg::StartingInCurrentFolder);
    return app.exec();
}
