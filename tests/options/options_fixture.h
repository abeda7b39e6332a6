#pragma once
// The options window's tests: a program folder, a log folder and a settings folder of their own,
// no link wired by the start-up, and no window left over from another test.
#include "foundation/globals.h"
#include "foundation/settings_locations.h"
#include "options/options_window.h"
#include "support/fixture.h"

#include <QDir>

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

    QByteArray ancienConfig;
    QString dossierBase;
};
