#pragma once
// Tests of the whole program's start-up and shutdown: a site tree of the test's own, the program
// folder pointed at it, the single-instance locks in the test's folder, and afterwards every
// window unloaded and every file the record manager holds released.
#include "database/base_choice_window.h"
#include "database/btrieve.h"
#include "database/catalogue.h"
#include "database/open_close.h"
#include "database/site_startup.h"
#include "database/zones.h"
#include "fill/time_slots.h"
#include "foundation/globals.h"
#include "foundation/log_lists.h"
#include "foundation/settings_access.h"
#include "options/options_window.h"
#include "platform/cp1252.h"
#include "platform/paths.h"
#include "platform/record_manager.h"
#include "shell/main_window.h"
#include "shell/single_instance.h"
#include "shell/startup.h"
#include "support/scripted_dialogs.h"
#include "support/site_fixture.h"
#include "window_fixture.h"

#include <QDir>
#include <QFile>
#include <memory>

class ProgrammeTest : public FenetresTest {
protected:
    void SetUp() override {
        FenetresTest::SetUp();
        reinitialiser();
        site = std::make_unique<SiteFixture>(tmp.path() + QStringLiteral("/site"));
        SetRacineLecteurs(site->root());
        QDir().mkpath(tmp.path() + QStringLiteral("/verrous"));
        SetDossierVerrous(tmp.path() + QStringLiteral("/verrous"));
        SetLigneCommandeDemarrage(QString());
    }
    void TearDown() override {
        if (frm && !frm->estDecharge()) {
            TestDialogs().answers.clear();
            frm->Decharger(Frm_Main::FermetureCode);
        }
        frm.reset();
        uint32_t lng = 0;
        BTRCALL(BtrOp::Stop, nullptr, nullptr, &lng, nullptr, 0, 0);
        reinitialiser();
        qunsetenv("KIRVO_APP_DIR");
        LibererVerrousInstance();
        SetDossierVerrous(QString());
        SetRacineLecteurs(QString());
        FenetresTest::TearDown();
    }
    static void reinitialiser() {
        ReinitialiserOptions();
        ReinitialiserSite();
        ReinitialiserZones();
        ReinitialiserSelectionBase();
        ReinitialiserOuvertureFichiers();
        ReinitialiserEtatBTrieve();
        ReinitialiserMemoiresDossiers();
        ReinitialiserDemarrage();
        Tranches().vider();
    }

    // Lays out the site; the program folder is the site's.
    void construire(const DescriptionSite& d) {
        QString erreur;
        ASSERT_TRUE(site->construire(d, &erreur)) << erreur.toStdString();
        ReinitialiserMemoiresDossiers();
        qputenv("KIRVO_APP_DIR", DossierApplication.toLocal8Bit());
        dossierProgramme = DossierApplication;
    }
    bool demarrer() {
        frm = std::make_unique<Frm_Main>();
        return DemarrerProgramme(*frm);
    }

    // Every line written to the log files so far, in order.
    QStringList journalFichier() const {
        QStringList r;
        if (CheminLog.isEmpty()) return r;
        QDir d(CheminLog);
        for (const QString& nom : d.entryList({QStringLiteral("*.Log")}, QDir::Files, QDir::Name)) {
            QFile f(d.filePath(nom));
            if (f.open(QIODevice::ReadOnly)) r += FromCp1252(f.readAll()).split(QStringLiteral("\r\n"));
        }
        return r;
    }
    // Index of the first line at or after `depuis` that ends with the text; -1 when none.
    static int ligne(const QStringList& lignes, const QString& texte, int depuis = 0) {
        for (int i = std::max(depuis, 0); i < lignes.size(); ++i)
            if (lignes[i].endsWith(texte)) return i;
        return -1;
    }
    static int compte(const QStringList& lignes, const QString& texte) {
        int n = 0;
        for (const QString& l : lignes)
            if (l.endsWith(texte)) ++n;
        return n;
    }
    // The physical files of the standard set of base 0 open for stations 1..n (per-station files)
    // or once (shared files).
    static bool fichiersOuverts(int nbStations, bool ouverts) {
        for (int16_t f : FichiersStandard) {
            const int n = CatalogueFichier(f).parStation() ? nbStations : 1;
            for (int i = 0; i < n; ++i)
                if (FileOpen(0, i, f) != ouverts) return false;
        }
        return true;
    }
    QStringList boites() const {
        QStringList r;
        for (const BoiteAffichee& b : TestDialogs().shown) r << b.prompt;
        return r;
    }

    std::unique_ptr<SiteFixture> site;
    std::unique_ptr<Frm_Main> frm;
    QString dossierProgramme;
};
