#pragma once
// Tests of the site start-up, zones and file opening: a fresh program state, a site tree of the
// test's own under its temporary folder, and every file the record manager holds released after.
#include "database/base_choice_window.h"
#include "database/btrieve.h"
#include "database/open_close.h"
#include "database/site_startup.h"
#include "database/zones.h"
#include "foundation/log_lists.h"
#include "foundation/settings_access.h"
#include "platform/paths.h"
#include "platform/program_end.h"
#include "platform/record_manager.h"
#include "support/fixture.h"
#include "support/site_fixture.h"

#include <QFile>
#include <memory>

class SiteTest : public KirvoTest {
protected:
    void SetUp() override {
        KirvoTest::SetUp();
        reinitialiser();
        site = std::make_unique<SiteFixture>(tmp.path() + QStringLiteral("/site"));
        SetRacineLecteurs(site->root());
    }
    void TearDown() override {
        uint32_t lng = 0;
        BTRCALL(BtrOp::Stop, nullptr, nullptr, &lng, nullptr, 0, 0);  // every file released
        reinitialiser();
        SetRacineLecteurs(QString());
        KirvoTest::TearDown();
    }
    static void reinitialiser() {
        ReinitialiserSite();
        ReinitialiserZones();
        ReinitialiserSelectionBase();
        ReinitialiserOuvertureFichiers();
        ReinitialiserEtatBTrieve();
        ReinitialiserMemoiresDossiers();
    }
    void construire(const DescriptionSite& d) {
        QString erreur;
        ASSERT_TRUE(site->construire(d, &erreur)) << erreur.toStdString();
        // Each test builds its own tree: folder answers of an earlier one do not hold.
        ReinitialiserMemoiresDossiers();
    }
    // The texts of the log lines (without time stamp and index fields) and of the incidents.
    bool journalContient(const QString& texte) const {
        for (const QString& l : lignesLog())
            if (l.endsWith(texte)) return true;
        return false;
    }
    QStringList incidents(int zone = 0) const { return Listes().incidents(zone).lines(); }
    static QByteArray contenu(const QString& chemin) {
        QFile f(chemin);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<absent>");
    }
    QString L(const QString& windows) const { return CheminLocal(windows); }

    std::unique_ptr<SiteFixture> site;
};
