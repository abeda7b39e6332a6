#include "fill_fixture.h"

#include "database/btrieve.h"
#include "database/open_close.h"
#include "database/record_layouts.h"
#include "database/site_startup.h"
#include "database/zones.h"
#include "fill/fill_computation.h"
#include "fill/time_slots.h"
#include "foundation/globals.h"
#include "foundation/settings_access.h"
#include "platform/paths.h"
#include "platform/record_manager.h"
#include "support/scripted_dialogs.h"
#include "grids/list_grids.h"

#include <QDir>

void FillTest::SetUp() {
    KirvoTest::SetUp();
    site = std::make_unique<SiteFixture>(tmp.path() + QStringLiteral("/site"));
    SetRacineLecteurs(site->root());
    DescriptionSite d = SiteStandard(1, 2);
    QString erreur;
    ASSERT_TRUE(site->construire(d, &erreur)) << erreur.toStdString();
    ReinitialiserMemoiresDossiers();
    InitGeneralSite(-1);
    InitGeneralPath(-1);
    InitGeneral();
    NoBaseCourante = 0;
    StationCourante.fill(1);
    int16_t tout = -1;
    PervasiveOuvertureFichiers(0, 1, BaseInfo[0].NbStation, tout);
    ASSERT_TRUE(FileOpen(0, 1, 27));
    config = BaseInfo[0].ConfigFolder;
    // The fill grid's layout reads the run's slots.
    SourcesGrillesDepuisTranches();
}

void FillTest::TearDown() {
    ReinitialiserGrillesPub();
    SetSourcesGrilles({});
    Tranches().vider();
    uint32_t lng = 0;
    BTRCALL(BtrOp::Stop, nullptr, nullptr, &lng, nullptr, 0, 0);
    ReinitialiserEtatProgramme();
    SetRacineLecteurs(QString());
    KirvoTest::TearDown();
}

void FillTest::ecrireTranches(const QString& xtPub, const QString& remplissage) {
    EcrireFichierTest(config + QStringLiteral("XT_PUB.ini"), xtPub.toLatin1());
    EcrireFichierTest(config + QStringLiteral("QD3_Remplissage.Ini"), remplissage.toLatin1());
    Tranches().InitGeneral(config);
}

void FillTest::capacitesStandard() {
    QString xt = QStringLiteral("[Pub_Heures_Des_Tranches]\r\nDebut_Tranche_01=06\r\nDebut_Tranche_02=12\r\n");
    for (int k = 3; k <= 17; ++k) xt += QStringLiteral("Debut_Tranche_%1=24\r\n").arg(k, 2, 10, QLatin1Char('0'));
    const auto groupes = [](std::initializer_list<std::pair<int, int>> heures) {
        QString s;
        for (int h = 0; h < 24; ++h) {
            int v = 0;
            for (auto [hh, vv] : heures)
                if (hh == h) v = vv;
            s += QStringLiteral("%1").arg(v, 4, 10, QLatin1Char('0'));
        }
        return s;
    };
    ecrireTranches(xt, QStringLiteral("[National]\r\nDureeMax=") + groupes({{8, 60}, {9, 30}}) +
                           QStringLiteral("\r\n[Local]\r\nDureeMax=") + groupes({{8, 120}, {9, 45}, {20, 60}}) +
                           QStringLiteral("\r\n"));
}

void FillTest::inserer(int s, int16_t fichier, const QString& cle) {
    QString k = cle;
    BTRieve(0, BtrOp::Insert, k, 0, fichier, s, QStringLiteral("test"));
    ASSERT_EQ(BtrStatus, 0) << "file " << fichier;
}

void FillTest::conducteur(int s, const QString& date, const QString& heure, const QString& minute,
                          const QString& element) {
    ViderEnreg(*EnregFichier(27), &EnregConducteurPub);
    EcrireTexte(EnregConducteurPub.Date, date);
    EcrireTexte(EnregConducteurPub.Heure, heure);
    EcrireTexte(EnregConducteurPub.Minute, minute);
    EcrireTexte(EnregConducteurPub.Champ04, QStringLiteral("%1").arg(++sequence_ % 100, 2, 10, QLatin1Char('0')));
    EcrireTexte(EnregConducteurPub.CodeElement, element);
    inserer(s, 27, date + heure + minute);
}

void FillTest::element(int s, const QString& code, int32_t ms, const QString& contrat) {
    ViderEnreg(*EnregFichier(26), &EnregMagnetophone);
    EcrireTexte(EnregMagnetophone.Code, code);
    EnregMagnetophone.Duree = ms;
    EcrireTexte(EnregMagnetophone.ReferenceContrat, contrat + QStringLiteral("/2023"));
    inserer(s, 26, code);
}

void FillTest::contrat(int s, const QString& code, const QString& national) {
    ViderEnreg(*EnregFichier(5), &EnregEnteteContrat);
    EcrireTexte(EnregEnteteContrat.Code, code);
    EcrireTexte(EnregEnteteContrat.National, national);
    inserer(s, 5, QString());
}

void FillTest::passage(int s, const QString& date, int niveau, const QString& heure, float duree,
                       const QString& national) {
    ViderEnreg(*EnregFichier(7), &EnregDatePassage);
    EcrireTexte(EnregDatePassage.Code, QStringLiteral("S%1").arg(++sequence_, 5, 10, QLatin1Char('0')));
    EcrireTexte(EnregDatePassage.Sequence, QStringLiteral("01"));
    EcrireTexte(EnregDatePassage.Date, date);
    EcrireTexte(EnregDatePassage.Niveau, QString::number(niveau));
    EcrireTexte(EnregDatePassage.Heure, heure);
    EcrireTexte(EnregDatePassage.Minute, QStringLiteral("00"));
    EnregDatePassage.Duree = duree;
    EcrireTexte(EnregDatePassage.National, national);
    inserer(s, 7, QString());
}

SpreadGrid& FillTest::grille() {
    InitGeneralTableurPub(6, true, true);
    return *GrilleRemplissage();
}

QString FillTest::texte(int s, int col, int row) {
    // As the computation wrote it, not as shown: the grid rounds a number or percent cell to its
    // decimals for display.
    return GrilleRemplissage()->store().texteBrut(s, col, row);
}

QStringList FillTest::boites() const {
    QStringList r;
    for (const BoiteAffichee& b : TestDialogs().shown) r << b.prompt;
    return r;
}
