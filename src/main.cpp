// Creates the application and the main window, then runs the program in it: the window's load
// brings the program up, its unload ends the event loop, and the run gives the exit status.
#include "shell/langue.h"
#include "shell/main_window.h"
#include "shell/startup.h"
#include "shell/startup_probe.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);

    // French whatever the machine's language: dates, calendars, standard buttons and dialogs.
    InstallerFrancais();

    Frm_Main frm;
    InstallerSondeDemarrage(frm);
    return ExecuterProgramme(frm);
}
