// The web search of the main window against the double: the button fetches the list of the
// chosen status of the current advertising tab with the options window's credentials, refuses
// while busy, says when the address cannot be reached, and does nothing outside the lists.
#include "foundation/activity.h"
#include "foundation/globals.h"
#include "foundation/settings_access.h"
#include "foundation/settings_locations.h"
#include "options/options_window.h"
#include "shell/main_window.h"
#include "support/scripted_dialogs.h"
#include "support/web_double.h"
#include "grids/list_grids.h"
#include "sync/web_requests.h"
#include "window_fixture.h"

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <memory>

using namespace double_web;

namespace {

class WebSearchWindowTest : public FenetresTest {
protected:
    void SetUp() override {
        FenetresTest::SetUp();
        DossierApplication = tmp.path() + QLatin1Char('/');
        CheminLog = tmp.path() + QStringLiteral("/Log/");
        QDir().mkpath(CheminLog);
        NomDossierSettings();
        ReinitialiserOptions();
        ReinitialiserGrillesPub();
        ASSERT_TRUE(web.demarrer());
        web.graineExemple();
        w = std::make_unique<Frm_Main>();
        w->ComboStatus->addItems({QStringLiteral("Supprimé sur le Web"), QStringLiteral("Synchronisé"),
                                  QStringLiteral("Créé sur le Web"), QStringLiteral("Modifié sur le Web")});
        w->ComboStatus->setCurrentIndex(2);
        for (int k = 1; k <= 5; ++k) InitGeneralTableurPub(int16_t(k), true, false);
        FrmSetup* s = ChargerFrmSetup();
        ASSERT_NE(s, nullptr);
        s->TxtURL->setText(web.adresseBase());
        s->TxtURLUser->setText(QStringLiteral("kirvo"));
        s->TxtURLPW->setText(QStringLiteral("secret"));
        ClientWeb().DelaiMaxMs = 3000;
    }
    void TearDown() override {
        ReinitialiserOptions();  // nothing to save at the unload
        DechargerFrmSetup();
        w.reset();
        web.arreter();
        ReinitialiserGrillesPub();
        FenetresTest::TearDown();
    }
    void afficher(int principal, int publicite) {
        w->SftTabsMain->setCurrentIndex(principal);
        w->SftTabsPublicite->setCurrentIndex(publicite);
        TestDialogs().shown.clear();
        web.effacerRequetes();
        w->CommandWebRecherche->click();
    }
    WebDouble web;
    std::unique_ptr<Frm_Main> w;
};

TEST_F(WebSearchWindowTest, AfficherListsTheItemsOfTheChosenStatusOfTheCurrentTab) {
    w->ComboStatus->setCurrentIndex(1);
    afficher(Onglet::Publicite, 2);
    const auto r = web.requetes();
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].chemin, QStringLiteral("/Kirvo/WebService/Produit/GetBySynchroWeb"));
    EXPECT_EQ(r[0].requeteBrute, QByteArray("_synchroWeb=1"));
    EXPECT_EQ(r[0].utilisateur, QStringLiteral("kirvo"));
    EXPECT_EQ(r[0].motDePasse, QStringLiteral("secret"));
    SpreadGrid* g = GrillePub(2);
    ASSERT_EQ(g->maxRows(), 3);
    EXPECT_EQ(g->textAt(3, 1), QStringLiteral("Pain de campagne"));
    EXPECT_EQ(g->textAt(10, 1), QStringLiteral("O"));
    EXPECT_TRUE(w->CommandWebRecherche->isEnabled());
    EXPECT_TRUE(w->CommandLocalRecherche->isEnabled());
    EXPECT_TRUE(TestDialogs().shown.empty());

    // A password changed in the options window goes with the next search.
    FrmSetupCharge()->TxtURLPW->setText(QStringLiteral("faux"));
    afficher(Onglet::Publicite, 1);
    EXPECT_EQ(web.requetes().at(0).motDePasse, QStringLiteral("faux"));
    EXPECT_EQ(GrillePub(1)->maxRows(), 0);
    ASSERT_EQ(TestDialogs().shown.size(), 1u);
    // The service refuses it: the box sends the user to the credentials, not to the address.
    EXPECT_EQ(TestDialogs().shown[0].prompt,
              QStringLiteral("Identification refusée par le service Web, vérifiez User et Password des options: ") +
                  web.adresseBase());
    EXPECT_EQ(TestDialogs().shown[0].title, CaptionFrmMain());
}

// The address emptied, then "Non" to saving it empty: the stored address is kept for this run too,
// and the next search goes there.
TEST_F(WebSearchWindowTest, NoToAnEmptyAddressSendsTheNextSearchToTheStoredOne) {
    ASSERT_TRUE(EcritureIni(FrmSetup::FichierOptionsBase(), QStringLiteral("URL"), QStringLiteral("Adresse"),
                            web.adresseBase()));
    FrmSetup* s = FrmSetupCharge();
    s->TxtURL->clear();
    TestDialogs().answers = {Mb::No};
    s->CommandSave->click();
    ASSERT_EQ(TestDialogs().shown.size(), 1u);
    EXPECT_TRUE(TestDialogs().shown[0].prompt.startsWith(QStringLiteral("L'adresse du service Web (URL) est vide")));
    w->ComboStatus->setCurrentIndex(1);
    afficher(Onglet::Publicite, 2);
    const auto r = web.requetes();
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].chemin, QStringLiteral("/Kirvo/WebService/Produit/GetBySynchroWeb"));
    EXPECT_TRUE(TestDialogs().shown.empty());
    EXPECT_EQ(GrillePub(2)->maxRows(), 3);
}

TEST_F(WebSearchWindowTest, NothingIsSentOutsideTheListsOrWhileBusy) {
    afficher(Onglet::Incidents, 1);
    afficher(Onglet::Musique, 1);
    afficher(Onglet::Publicite, 0);
    afficher(Onglet::Publicite, 6);
    EXPECT_EQ(web.nombreRequetes(), 0);

    RechercheEnCours = true;
    afficher(Onglet::Publicite, 1);
    EXPECT_EQ(web.nombreRequetes(), 0);
    ASSERT_EQ(TestDialogs().shown.size(), 1u);
    EXPECT_EQ(TestDialogs().shown[0].prompt, QStringLiteral("Recherche en cours, veuillez patienter."));
    RechercheEnCours = false;
}

TEST_F(WebSearchWindowTest, UnreachableAddressIsSaidOnceWithTheAddress) {
    web.programmerPanne({Panne::Refus});
    afficher(Onglet::Publicite, 1);
    ASSERT_EQ(TestDialogs().shown.size(), 1u);
    EXPECT_EQ(TestDialogs().shown[0].prompt, QStringLiteral("Adresse Web non accessible: ") + web.adresseBase());
    EXPECT_FALSE(RechercheEnCours);
    EXPECT_TRUE(w->CommandWebRecherche->isEnabled());
}

}  // namespace
