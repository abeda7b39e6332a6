#include "foundation/globals.h"
#include "foundation/log_lists.h"
#include "foundation/messages.h"
#include "platform/dialogs.h"
#include "support/fixture.h"
#include "support/scripted_dialogs.h"

namespace {

class MessagesTest : public KirvoTest {
protected:
    static QString q(const char* s) { return QString::fromUtf8(s); }
};

TEST_F(MessagesTest, MessageTexts) {
    struct Cas {
        int32_t code;
        const char* valeur;
        const char* attendu;
    };
    const Cas cas[] = {
        {1, "x", "Les informations système ne sont pas disponibles actuellement"},
        {3, "2.1", "Pensez à mettre à jour la version 2.1 de cet applicatif sur ce poste"},
        {9, "12", "N° station hors limite:12"},
        {1008, "Kirvo", "Application 'Kirvo' non trouvée"},
        {2000, "texte seul", "texte seul"},
        {2003, "FRAD001.bt6", "Fichier FRAD001.bt6 non ouvert"},
        {10013, "x", ""},
        {10015, "3", "Il faut au moins3 emplacement(s) de libre"},
        {11017, "T", "Ce titre existe déjà dans la base (T)"},
        {20100, "x", ""},
        {30001, "5 s", "Démarrage hors délai (5 s). Faites un 'Go'"},
        {35001, "10", "Attention, il reste 10 minutes sur le drive"},
        {40000, "C1", "Problème de mise à jour des données pour 'C1'"},
        {1005, "x", "Err: 1005 inconnue"},
        {11024, "x", "Err: 11024 inconnue"},
        {-1, "x", "Err: -1 inconnue"},
    };
    for (const auto& k : cas) EXPECT_EQ(TexteErreurApplication(k.code, q(k.valeur)), q(k.attendu)) << k.code;
}

TEST_F(MessagesTest, BoxTextTitleAndIcon) {
    struct Cas {
        int32_t code;
        const char* valeur;
        const char* titre;
        const char* sub;
        const char* texte;
        int style;
        const char* titreBoite;
    };
    const Cas cas[] = {
        // the station check of the database wrapper: the title stays
        {9, "12", "BTrieve (Source:Lib_Data_BTrieve:BTRieve)", "", "N° station hors limite:12",
         Mb::OKOnly | Mb::Critical, "BTrieve (Source:Lib_Data_BTrieve:BTRieve)"},
        // a "(Source:" title moves into the message
        {2003, "FRAD001.bt6", "(Source:Lib_Data_BTrieve:BTRieve)", "",
         "Fichier FRAD001.bt6 non ouvert\r\n(Source:Lib_Data_BTrieve:BTRieve)", Mb::OKOnly | Mb::Exclamation, "Erreur"},
        {2003, "F", "(SOURCE:K)", "", "Fichier F non ouvert\r\n(SOURCE:K)", Mb::Exclamation, "Erreur"},
        {2003, "F", "Source:K", "", "Fichier F non ouvert", Mb::Exclamation, "Source:K"},
        {2003, "F", "Le Source:K", "", "Fichier F non ouvert", Mb::Exclamation, "Le Source:K"},
        {2003, "F", "", "", "Fichier F non ouvert", Mb::Exclamation, "Erreur"},
        {2003, "F", "   ", "", "Fichier F non ouvert", Mb::Exclamation, "Erreur"},
        {2003, "F", "  Titre  ", "   ", "Fichier F non ouvert", Mb::Exclamation, "Titre"},
        {2003, "F", "T", "Ouvrir", "Fichier F non ouvert\n(Sub: Ouvrir)", Mb::Exclamation, "T"},
        {1005, "x", "T", "", "Err: 1005 inconnue", Mb::Exclamation, "T"},
        {5, "2024.0305", "T", "", "Version 2024.0305 mise-à-jour", Mb::Information, "Tools Kirvo"},
        // the value is cleaned of control characters and blanks
        {10000, "\tA1\r\n ", "T", "", "Code A1 inconnu", Mb::Exclamation, "T"},
        {2000, "  seul ", "T", "", "seul", Mb::Exclamation, "T"},
    };
    for (const auto& k : cas) {
        TestDialogs().reset();
        const bool sansBoite = false;
        GestErrLangue(k.code, q(k.valeur), q(k.titre), sansBoite, q(k.sub));
        ASSERT_EQ(TestDialogs().shown.size(), 1u) << k.code << " " << k.titre;
        const BoiteAffichee& b = TestDialogs().shown[0];
        EXPECT_EQ(b.prompt, q(k.texte)) << k.titre;
        EXPECT_EQ(b.style, k.style) << k.titre;
        EXPECT_EQ(b.title, q(k.titreBoite)) << k.titre;
    }
    EXPECT_TRUE(lignesLog().isEmpty());  // a message is not an error
}

TEST_F(MessagesTest, NoBoxFlagShowsNothing) {
    const bool sansBoite = true;
    GestErrLangue(9, QStringLiteral("12"), QStringLiteral("T"), sansBoite, QStringLiteral("S"));
    GestErr_Fra(2003, QStringLiteral("F"), QString(), true, QString());
    EXPECT_TRUE(TestDialogs().shown.empty());
}

TEST_F(MessagesTest, DebugTraceOnly) {
    bTraceLogDebug = true;
    bTraceDebugEcran = true;
    GestErr_Fra(1, QString(), QString(), true, QString());
    LibelleLangue(QStringLiteral("Jour"), 1, 3);
    EXPECT_TRUE(lignesLog().isEmpty());
    // newest first; the value's cleaning traces itself too
    ASSERT_EQ(Listes().ListeDebug.count(), 3);
    EXPECT_TRUE(Listes().ListeDebug.at(0).endsWith(QStringLiteral(" Lib_Public:Libelle_Fra")));
    EXPECT_TRUE(Listes().ListeDebug.at(1).endsWith(QStringLiteral(" Lib_Public:ClearChaine")));
    EXPECT_TRUE(Listes().ListeDebug.at(2).endsWith(QStringLiteral(" Lib_Public:GestErr_Fra")));
}

TEST_F(MessagesTest, DayNames) {
    const char* pleins[] = {"Lundi", "Mardi", "Mercredi", "Jeudi", "Vendredi", "Samedi", "Dimanche"};
    const char* courts[] = {"Lun", "Mar", "Mer", "Jeu", "Ven", "Sam", "Dim"};
    for (int i = 1; i <= 7; ++i) {
        EXPECT_EQ(LibelleLangue(QStringLiteral("Jour"), i, 3), q(courts[i - 1]));
        EXPECT_EQ(LibelleLangue(QStringLiteral("Jour"), i, 1), q(pleins[i - 1]));
        EXPECT_EQ(Libelle_Fra(QStringLiteral("Jour"), i, 0), q(pleins[i - 1]));
        EXPECT_EQ(Libelle_Fra(QStringLiteral("Jour"), i, 4), q(pleins[i - 1]));
    }
    struct Cas {
        const char* cat;
        int32_t i;
        const char* attendu;
    };
    const Cas cas[] = {{"Jour", 8, "???:Jour:8:???"},
                       {"Jour", 0, "???:Jour:0:???"},
                       {"jour", 3, "???:jour:3:???"},
                       {"Mois", 1, "???:Mois:1:???"},
                       {"", -2, "???::-2:???"}};
    for (const auto& k : cas) EXPECT_EQ(LibelleLangue(q(k.cat), k.i, 3), q(k.attendu)) << k.cat << k.i;
}

}  // namespace
