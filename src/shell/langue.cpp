#include "shell/langue.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QPointer>
#include <QTranslator>

bool InstallerFrancais() {
    const QLocale francais(QLocale::French, QLocale::France);
    // Widgets made from now on (calendars, date boxes, file dialogs) take the default locale.
    QLocale::setDefault(francais);
    // "Oui", "Non", "Annuler": once per application, kept as long as it runs.
    static QPointer<QTranslator> traduction;
    if (traduction) return true;
    auto* t = new QTranslator(QCoreApplication::instance());
    if (!t->load(francais, QStringLiteral("qtbase"), QStringLiteral("_"),
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete t;
        return false;
    }
    QCoreApplication::installTranslator(t);
    traduction = t;
    return true;
}
