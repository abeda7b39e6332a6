// The local search and the nomenclature inside the whole program: loaded by the start-up,
// driven by the main window's controls, unloaded by the shutdown.
#include "database/record_layouts.h"
#include "fill/local_search.h"
#include "fill/nomenclature.h"
#include "foundation/activity.h"
#include "shell/program_fixture.h"
#include "grids/list_grids.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTabWidget>
#include <QPushButton>

namespace {

class LocalSearchProgramTest : public ProgrammeTest {
protected:
    void client(const char* code, const char* nom) {
        ViderEnreg(3);
        EcrireTexte(EnregClient.Code, QString::fromLatin1(code));
        EcrireTexte(EnregClient.Nom, QString::fromUtf8(nom));
        EcrireTexte(EnregClient.Etat, QStringLiteral("O"));
        QString cle;
        BTRieve(0, BtrOp::Insert, cle, 0, 3, 1, QStringLiteral("test"));
        ASSERT_EQ(BtrStatus, 0) << code;
    }
};

TEST_F(LocalSearchProgramTest, StartUpLoadsTheNomenclatureHiddenAndShutdownUnloadsIt) {
    construire(SiteStandard(1, 2));
    ASSERT_TRUE(demarrer());
    FrmPubNomenclature* f = FrmPubNomenclatureChargee();
    ASSERT_NE(f, nullptr);
    EXPECT_FALSE(f->isVisible());
    EXPECT_EQ(f->windowTitle(), QStringLiteral("Nomenclature "));
    EXPECT_EQ(LibNomenclature(QStringLiteral("01010102")), QStringLiteral("Pain de mie"));
    EXPECT_EQ(f->fpSpreadNomenclature[1]->maxRows(), 4);
    EXPECT_TRUE(TestDialogs().shown.empty());

    TestDialogs().answers.clear();
    ASSERT_TRUE(frm->Decharger(Frm_Main::FermetureCode));
    EXPECT_EQ(FrmPubNomenclatureChargee(), nullptr);
    EXPECT_EQ(LibNomenclature(QStringLiteral("01010102")), QString());
}

TEST_F(LocalSearchProgramTest, MissingWorkbookIsSaidAndTheStartUpGoesOn) {
    DescriptionSite d = SiteStandard(1, 1);
    d.nomenclature = false;
    construire(d);
    ASSERT_TRUE(demarrer());
    EXPECT_FALSE(frm->estDecharge());
    EXPECT_TRUE(frm->isVisible());
    ASSERT_EQ(TestDialogs().shown.size(), 1u);
    EXPECT_TRUE(TestDialogs().shown[0].prompt.endsWith(
        QStringLiteral("' n'existe pas. Veuiller le mettre en place à partir des MAJ disponibles sur le site web.")));
    ASSERT_NE(FrmPubNomenclatureChargee(), nullptr);
    EXPECT_EQ(FrmPubNomenclatureChargee()->fpSpreadNomenclature[1]->maxRows(), 0);
}

TEST_F(LocalSearchProgramTest, TheButtonSearchesTheOpenTabOfTheAdvertisingPage) {
    construire(SiteStandard(1, 2));
    ASSERT_TRUE(demarrer());
    client("00000001", "Boulangerie du Port");
    client("00000002", "Garage Central");
    client("00000003", "Bar du port");

    frm->SftTabsMain->setCurrentIndex(Onglet::Publicite);
    frm->SftTabsPublicite->setCurrentIndex(1);
    frm->ComboRecherche[0]->setCurrentIndex(0);
    frm->ComboRecherche[1]->setCurrentIndex(1);
    frm->TexteRecherche->setText(QStringLiteral("port"));
    frm->CommandLocalRecherche->click();

    SpreadGrid* g = GrillePub(1);
    ASSERT_EQ(g->maxRows(), 2);
    EXPECT_EQ(g->textAt(3, 1), QStringLiteral("Bar du port"));
    EXPECT_EQ(g->textAt(3, 2), QStringLiteral("Boulangerie du Port"));
    EXPECT_EQ(frm->CommandLocalRecherche->text(), QStringLiteral("Afficher"));
    EXPECT_TRUE(frm->CommandLocalRecherche->isEnabled());
    EXPECT_TRUE(frm->CommandWebRecherche->isEnabled());
    EXPECT_FALSE(RechercheEnCours);
    EXPECT_FALSE(FrmMsgChargee());
    EXPECT_TRUE(TestDialogs().shown.empty());
}

}  // namespace
