// Kelvaro: renames every file of one type in one folder to a prefix, a four-digit running
// number and the file's own extension, and can undo such renames.
#include "frm_voxa_r_1.h"
#include "message_boxes.h"
#include "single_instance.h"
#include "system_print_device.h"
#include "translation.h"

#include <QApplication>
#include <QLockFile>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);

    // A second copy ends at once, without a word.
    const std::unique_ptr<QLockFile> instance = claimSingleInstance();
    if (!instance)
        return 0;

    installQtJapaneseTranslation(app);

    ui::QtMessageBoxes messages;
    Services services;
    services.messages = &messages;
    services.openFolder = renaming::openFolder;
    services.makePrintDevice = printing::makeSystemPrintDevice;
    services.programFolder = QCoreApplication::applicationDirPath();

    frmVOXA_R_1 window(services);
    messages.setParent(&window);
    window.show();
    return app.exec();
}
