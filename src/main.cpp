// Creates the application and the main window; the window's load brings the program up and its
// unload ends the event loop.
#include "shell/main_window.h"
#include "shell/startup.h"
#include "shell/startup_probe.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);

    // The standard buttons and dialogs in French ("Oui", "Non", "Annuler").
    QTranslator traduction;
    if (traduction.load(QLocale(QLocale::French, QLocale::France), QStringLiteral("qtbase"), QStringLiteral("_"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&traduction);

    Frm_Main frm;
    InstallerSondeDemarrage(frm);
    QObject::connect(&frm, &Frm_Main::Decharge, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    if (!DemarrerProgramme(frm)) return 0;
    return app.exec();
}
