#include "database/record_layouts.h"
#include "fill/nomenclature.h"
#include "fill/record_display.h"
#include "foundation/conversions.h"
#include "foundation/globals.h"
#include "support/fixture.h"
#include "support/nomenclature_files.h"
#include "grids/list_grids.h"

#include <QDir>
#include <functional>

namespace {

class RecordDisplayTest : public KirvoTest {
protected:
    void SetUp() override {
        KirvoTest::SetUp();
        for (int k = 1; k <= 5; ++k) InitGeneralTableurPub(int16_t(k), true, false);
        PreparerColonnesCampagnes(*GrillePub(0));
        for (int k = 0; k <= 5; ++k) GrillePub(k)->setMaxRows(1);
        for (int f : {1, 2, 3, 4, 5, 6}) ViderEnreg(f);
    }
    void TearDown() override {
        ReinitialiserGrillesPub();
        KirvoTest::TearDown();
    }
    // The cells of row 1 of grid k.
    static QStringList ligne(int k) {
        SpreadGrid* g = GrillePub(k);
        QStringList r;
        for (int c = 1; c <= g->maxCols(); ++c) r << g->textAt(c, 1);
        return r;
    }
    static void afficher(int16_t type) { AfficherDataDansGrille(0, 1, type, 1, false); }
};

template <size_t N>
void texte(char (&champ)[N], const char* valeur) {
    EcrireTexte(champ, QString::fromUtf8(valeur));
}

TEST_F(RecordDisplayTest, ClientRowShowsEveryColumnOfTheWebList) {
    auto& c = EnregClient;
    texte(c.Code, "00000042");
    texte(c.Nom, "  Boulangerie du Port ");
    texte(c.Adresse, "12 quai des Pêcheurs");
    texte(c.AdresseSuite, "Bâtiment B");
    texte(c.CodePostal, "29200");
    texte(c.Ville, "Brest");
    texte(c.Contact, "Anne Le Goff");
    texte(c.ContactTel1, "02 98 00 00 01");
    texte(c.Telephones[0], "0612345678");
    texte(c.ContactEmail, "anne@port.example");
    texte(c.Etat, "O");
    MKLOctets(70000, c.IdWeb);
    afficher(TypeEnreg::Client);
    EXPECT_EQ(ligne(1),
              (QStringList{"00000042", "70000", "Boulangerie du Port", QString::fromUtf8("12 quai des Pêcheurs"),
                           QString::fromUtf8("Bâtiment B"), "29200", "Brest", "Anne Le Goff", "02-98-00-00-01",
                           "06-12-34-56-78", "anne@port.example", "O", QString::fromUtf8("Synchronisé")}));
}

TEST_F(RecordDisplayTest, ClientNameAndContactFallBacks) {
    const struct {
        const char* nom;
        const char* contacts[4];  // offsets 133, 288, 348, 378
        const char* colonne3;
        const char* colonne8;
    } cas[] = {
        {"Garage", {"A", "B", "C", "D"}, "Garage", "A"},
        {"", {"", "B", "C", "D"}, "Client: 7", "B"},
        {"  ", {" ", " ", "C", "D"}, "Client: 7", "C"},
        {"X", {"", "", "", "D"}, "X", "D"},
        {"X", {"", "", "", ""}, "X", ""},
    };
    for (const auto& k : cas) {
        ViderEnreg(3);
        texte(EnregClient.Code, "7");
        texte(EnregClient.Nom, k.nom);
        texte(EnregClient.Contact, k.contacts[0]);
        texte(EnregClient.Contact2, k.contacts[1]);
        texte(EnregClient.Contact3, k.contacts[2]);
        texte(EnregClient.Contact4, k.contacts[3]);
        afficher(TypeEnreg::Client);
        const QStringList l = ligne(1);
        EXPECT_EQ(l.value(0), QStringLiteral("7       "));  // as stored
        EXPECT_EQ(l.value(2), QString::fromLatin1(k.colonne3)) << k.nom;
        EXPECT_EQ(l.value(7), QString::fromLatin1(k.colonne8)) << k.nom;
        EXPECT_EQ(l.value(1), QStringLiteral("0"));  // no web id
    }
}

TEST_F(RecordDisplayTest, TelephoneNumbersOfZeroToTwelveDigits) {
    const struct {
        const char* stocke;
        const char* affiche;
    } cas[] = {
        {"", "  -  -  -  -  "},
        {"0", "0 -  -  -  -  "},
        {"06", "06-  -  -  -  "},
        {"0612", "06-12-  -  -  "},
        {"06123", "06-12-3 -  -  "},
        {"061234567", "06-12-34-56-7 "},
        {"0612345678", "06-12-34-56-78"},
        {"06123456789", "06-12-34-56-78"},
        {"061234567890", "06-12-34-56-78"},
        {" 06.12.34.56.78 ", "06-12-34-56-78"},
        {"+33 6 12 34", "33-61-23-4 -  "},
    };
    for (const auto& k : cas) {
        ViderEnreg(3);
        texte(EnregClient.ContactTel1, k.stocke);
        texte(EnregClient.Telephones[0], k.stocke);
        texte(EnregClient.Telephones[1], "0299999999");  // only the first of the four counts
        afficher(TypeEnreg::Client);
        EXPECT_EQ(ligne(1).value(8), QString::fromLatin1(k.affiche)) << k.stocke;
        EXPECT_EQ(ligne(1).value(9), QString::fromLatin1(k.affiche)) << k.stocke;
    }
    // Salespeople's numbers are shown as stored, trimmed.
    texte(EnregCommercial.Tel1, " 06 12 ");
    texte(EnregCommercial.Tel2, "0612345678901");
    afficher(TypeEnreg::Commercial);
    EXPECT_EQ(ligne(4).value(6), QStringLiteral("06 12"));
    EXPECT_EQ(ligne(4).value(7), QStringLiteral("0612345678901"));
}

TEST_F(RecordDisplayTest, ProductShowsItsCompetitionCodeAndLabelOnlyWhenFlagged) {
    DossierApplication = tmp.path() + QStringLiteral("/prog/");
    QString erreur;
    ASSERT_TRUE(EcrireNomenclatureExemple(DossierApplication, &erreur)) << erreur.toStdString();
    InitSettingsNomenclature();

    const struct {
        const char* drapeau;
        const char* niveaux[4];
        QStringList attendu;
    } cas[] = {
        {"1",
         {"01", "01", "01", "02"},
         {"P000000004", "9", "Pain de mie du Port", "0", "01", "01", "01", "02", "Pain de mie", "C",
          QString::fromUtf8("Créé")}},
        {"1",
         {"05", "01", "03", "00"},
         {"P000000004", "9", "Pain de mie du Port", "0", "05", "01", "03", "00", "Garages", "C",
          QString::fromUtf8("Créé")}},
        {"1",
         {"77", "01", "01", "01"},
         {"P000000004", "9", "Pain de mie du Port", "0", "77", "01", "01", "01", "", "C", QString::fromUtf8("Créé")}},
        {"0",
         {"01", "01", "01", "02"},
         {"P000000004", "9", "Pain de mie du Port", "0", "", "", "", "", "", "C", QString::fromUtf8("Créé")}},
        {" ",
         {"01", "01", "01", "02"},
         {"P000000004", "9", "Pain de mie du Port", "0", "", "", "", "", "", "C", QString::fromUtf8("Créé")}},
    };
    for (const auto& k : cas) {
        GrillePub(2)->setMaxRows(0);
        GrillePub(2)->setMaxRows(1);
        ViderEnreg(4);
        texte(EnregProduit.Code, "P000000004");
        texte(EnregProduit.Libelle, "Pain de mie du Port");
        texte(EnregProduit.FlagCodeConcurrence, k.drapeau);
        texte(EnregProduit.CCFamille, k.niveaux[0]);
        texte(EnregProduit.CCClasse, k.niveaux[1]);
        texte(EnregProduit.CCSecteur, k.niveaux[2]);
        texte(EnregProduit.CCVariete, k.niveaux[3]);
        texte(EnregProduit.Etat, "C");
        MKLOctets(9, EnregProduit.IdWeb);
        afficher(TypeEnreg::Produit);
        EXPECT_EQ(ligne(2), k.attendu) << k.drapeau << k.niveaux[0];
    }
}

TEST_F(RecordDisplayTest, StateLetterColourAndWordForEachKind) {
    const qint32 avant = RGB(1, 2, 3);
    struct Genre {
        int16_t type;
        char* etat;
        int colonne;  // of the letter, from 1
    };
    const Genre genres[] = {
        {TypeEnreg::Client, EnregClient.Etat, 12},
        {TypeEnreg::Produit, EnregProduit.Etat, 10},
        {TypeEnreg::Secteur, EnregSecteur.Etat, 4},
        {TypeEnreg::Commercial, EnregCommercial.Etat, 10},
    };
    const struct {
        const char* lettre;
        qint32 couleur;   // avant: not set
        const char* mot;  // nullptr: not written
    } etats[] = {
        {"C", RGB(255, 255, 0), "Créé"},
        {"M", RGB(0, 0, 255), "Modifié"},
        {"S", RGB(255, 0, 255), "Supprimé"},
        {"O", RGB(0, 255, 0), "Synchronisé"},
        {"N", RGB(255, 0, 0), "Non Synchronisé"},
        {"X", avant, nullptr},
        {"c", avant, nullptr},
    };
    for (const Genre& g : genres)
        for (const auto& e : etats) {
            SpreadGrid* grille = GrillePub(g.type);
            grille->setMaxRows(0);
            grille->setMaxRows(1);
            grille->setCol(g.colonne);
            grille->setRow(1);
            grille->setBackColor(avant);
            grille->setTextAt(g.colonne + 1, 1, QStringLiteral("avant"));
            *g.etat = *e.lettre;
            afficher(g.type);
            QString mot = e.mot ? QString::fromUtf8(e.mot) : QStringLiteral("avant");
            if (g.type == TypeEnreg::Commercial && *e.lettre == 'S') mot = QStringLiteral("Supprime");
            EXPECT_EQ(grille->textAt(g.colonne, 1), QString::fromLatin1(e.lettre)) << g.type << e.lettre;
            EXPECT_EQ(grille->backColorAt(g.colonne, 1), e.couleur) << g.type << e.lettre;
            EXPECT_EQ(grille->textAt(g.colonne + 1, 1), mot) << g.type << e.lettre;
        }
}

TEST_F(RecordDisplayTest, SectorSalespersonCanvasAndCampaignRows) {
    texte(EnregSecteur.Code, "S000000003");
    texte(EnregSecteur.Libelle, " Édition ");
    texte(EnregSecteur.Etat, "N");
    afficher(TypeEnreg::Secteur);
    EXPECT_EQ(ligne(3), (QStringList{"S000000003", "0", QString::fromUtf8("Édition"), "N",
                                     QString::fromUtf8("Non Synchronisé")}));

    auto& m = EnregCommercial;
    texte(m.Code, "00000002");
    texte(m.Nom, "Kerhervé");
    texte(m.Prenom, "Maëlle");
    texte(m.UserId, "mkerherve");
    texte(m.UserPassword, "secret");
    texte(m.Email, "maelle@ondrune.example");
    texte(m.Tel1, "0611223344");
    texte(m.Etat, "M");
    MKLOctets(255, m.IdWeb);
    afficher(TypeEnreg::Commercial);
    EXPECT_EQ(ligne(4), (QStringList{"00000002", "255", "mkerherve", "secret", QString::fromUtf8("Kerhervé"),
                                     QString::fromUtf8("Maëlle"), "0611223344", "", "maelle@ondrune.example", "M",
                                     QString::fromUtf8("Modifié")}));

    texte(EnregEnteteSpot.Code, "T00001");
    texte(EnregEnteteSpot.Sequence, "02");
    texte(EnregEnteteSpot.Libelle, "  Matinale 8h");
    texte(EnregEnteteSpot.Etat, "S");
    MKLOctets(12, EnregEnteteSpot.IdWeb);
    afficher(TypeEnreg::Canevas);
    EXPECT_EQ(ligne(5), (QStringList{"T0000102", "12", "Matinale 8h"}));  // no state columns

    texte(EnregEnteteContrat.TypeContrat, "  ");
    texte(EnregEnteteContrat.Code, "C00001");
    texte(EnregEnteteContrat.Nom, "Soldes d'hiver");
    afficher(TypeEnreg::Campagne);
    EXPECT_EQ(ligne(0), (QStringList{"C00001", "0", "Soldes d'hiver"}));
    EXPECT_EQ(GrillePub(0)->headerText(3, 1), QString::fromUtf8("Libellé"));
}

TEST_F(RecordDisplayTest, OtherTypesWriteNothing) {
    for (int16_t type : {int16_t(6), int16_t(7), int16_t(-1)}) {
        AfficherDataDansGrille(0, 1, type, 1, false);
        for (int k = 0; k <= 6; ++k) EXPECT_EQ(GrillePub(k)->dataRowCount(), 0) << type << "," << k;
    }
}

}  // namespace
