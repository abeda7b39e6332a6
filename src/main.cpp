// Creates the application and the main window; the window's load brings the program up and its
// unload ends the event loop.
#include "shell/langue.h"
#include "shell/main_window.h"
#include "shell/startup.h"
#include "shell/startup_probe.h"
#include "platform/program_end.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);

    // French whatever the machine's language: dates, calendars, standard buttons and dialogs.
    InstallerFrancais();

    Frm_Main frm;
    InstallerSondeDemarrage(frm);
    QObject::connect(&frm, &Frm_Main::Decharge, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    // Refused at start-up (components missing, an earlier instance still there) or cut short.
    if (!DemarrerProgramme(frm)) return CodeFinSurErreur;
    return app.exec();
}
