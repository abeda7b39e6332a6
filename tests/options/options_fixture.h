#pragma once
// The options window's tests: a program folder, a log folder and a settings folder of their own,
// no link wired by the start-up, and no window left over from another test.
#include "foundation/globals.h"
#include "foundation/settings_locations.h"
#include "options/options_window.h"
#include "platform/cp1252.h"
#include "support/fixture.h"

#include <QDir>
#include <QFile>

class FenetreOptionsTest : public KirvoTest {
protected:
    void SetUp() override {
        KirvoTest::SetUp();
        ancienConfig = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", (tmp.path() + QStringLiteral("/config")).toUtf8());
        DossierApplication = tmp.path() + QLatin1Char('/');
        CheminLog = tmp.path() + QStringLiteral("/Log/");
        QDir().mkpath(CheminLog);
        NomDossierSettings();
        ReinitialiserOptions();
        LiensSetup() = LiensFrmSetup{};
        dossierBase = tmp.path() + QStringLiteral("/Base0/Config/");
        LiensSetup().DossierConfigGlobal = [this](int16_t) { return dossierBase; };
    }
    void TearDown() override {
        ReinitialiserOptions();
        LiensSetup() = LiensFrmSetup{};
        qputenv("XDG_CONFIG_HOME", ancienConfig);
        KirvoTest::TearDown();
    }
    // The program settings file.
    QString programme() const { return NomFichierSettings(QString(), QStringLiteral(".Ini")); }
    // Every log line of the test: those already written to the day's files (a loaded window's
    // lines go there at once), then the lists'.
    QStringList journal() const {
        QStringList r;
        QDir d(CheminLog);
        for (const QString& nom : d.entryList({QStringLiteral("*.Log")}, QDir::Files, QDir::Name)) {
            QFile fichier(CheminLog + nom);
            if (!fichier.open(QIODevice::ReadOnly)) continue;
            for (const QByteArray& l : fichier.readAll().split('\n')) r << FromCp1252(l).remove(QLatin1Char('\r'));
        }
        return r + lignesLog();
    }
    int lignesContenant(const QString& texte) const {
        int n = 0;
        for (const QString& l : journal())
            if (l.contains(texte)) ++n;
        return n;
    }
    bool journalContient(const QString& texte) const { return lignesContenant(texte) > 0; }

    QByteArray ancienConfig;
    QString dossierBase;
};
