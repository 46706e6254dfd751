#include "app/CommandLine.h"
#include "app/ExternalFiles.h"
#include "app/QtUiServices.h"
#include "app/Startup.h"
#include "app/frmMain.h"
#include "core/Globals.h"
#include "editors/Install.h"
#include "link/Install.h"
#include "plus/Install.h"
#include "preview/Install.h"

#include <QApplication>

#include <memory>

int main(int argc, char *argv[])
{
    if (quillet::asksOnlyForText(argc, argv)) {
        QCoreApplication app(argc, argv);
        quillet::readCommandLine(app);   // prints and ends the program
        return 0;
    }
    QApplication app(argc, argv);
    const QString file = quillet::readCommandLine(app);
    // Globals holds the whole memory image; it lives on the heap, and outlives the window.
    auto globals = std::make_unique<quillet::Globals>();
    quillet::QtUiServices ui;
    std::unique_ptr<quillet::frmMain> mainWindow = quillet::runStartup(*globals, ui);

    // ---- The libraries below app install their hooks into the main window here. -------
    quillet::installLink(*mainWindow);
    quillet::installEditors(*mainWindow);
    quillet::installPlus(*mainWindow);
    quillet::installPreview(*mainWindow);
    // ---- End of hook installation. -------------------------------------------------------

    if (!file.isEmpty())
        quillet::openWhenShown(*mainWindow, file);

    // Exit closes the main window, the last one, which ends the loop.
    return app.exec();
}
