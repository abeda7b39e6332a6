// The business-sector and salesperson synchronisation end to end, against the web-service double
// on a temporary site: the cases these two families go through alike (those every family shares
// are in sync_families_test.cpp), and the salesperson's own fields, defaults and secret password.
#include "sync_fixture.h"

#include "database/btrieve.h"
#include "database/change_journal.h"
#include "database/record_layouts.h"
#include "entities/advertising_drivers.h"
#include "entities/salesperson_family.h"
#include "entities/sector_family.h"
#include "foundation/conversions.h"
#include "foundation/globals.h"
#include "foundation/log_lists.h"
#include "foundation/log_secrets.h"
#include "foundation/shell_link.h"
#include "foundation/trace_log.h"
#include "platform/cp1252.h"
#include "shell/hidden_host.h"
#include "shell/main_window.h"
#include "support/scripted_dialogs.h"
#include "sync/dispatcher.h"
#include "sync/web_requests.h"

#include <QAction>
#include <QRegularExpression>
#include <QTabWidget>
#include <memory>

namespace {

const FamilleTest& kSecteur = FamilleTestSecteur();
const FamilleTest& kCommercial = FamilleTestCommercial();

const QString kSource = QStringLiteral("Lib_Test:Familles");

class SectorSalespersonTest : public SyncTest {
protected:
    void SetUp() override {
        SyncTest::SetUp();
        InstallerPilotesPublicite();
    }
    void entreeDe(const FamilleTest&, int fichier, const QString& code, char etat, int32_t idWeb) {
        entree('P', 1, code, etat, idWeb, fichier);
    }
};

// ---- Queries -----------------------------------------------------------------------------------

struct CasRequete {
    const char* nom;
    std::function<void()> remplir;
    const char* attendu;
};

TEST(SectorSalespersonQueries, SectorAndSalespersonEncodedKeyByKey) {
    const auto secteur = [](const char* code, const char* libelle) {
        return [=] {
            Vider(EnregSecteur);
            EcrireTexte(EnregSecteur.Code, QString::fromUtf8(code));
            EcrireTexte(EnregSecteur.Libelle, QString::fromUtf8(libelle));
            MKLOctets(4321, EnregSecteur.IdWeb);
        };
    };
    const auto commercial = [](std::array<const char*, 8> v) {
        return [=] {
            Vider(EnregCommercial);
            auto& m = EnregCommercial;
            EcrireTexte(m.Code, QString::fromUtf8(v[0]));
            EcrireTexte(m.Nom, QString::fromUtf8(v[1]));
            EcrireTexte(m.Prenom, QString::fromUtf8(v[2]));
            EcrireTexte(m.UserId, QString::fromUtf8(v[3]));
            EcrireTexte(m.UserPassword, QString::fromUtf8(v[4]));
            EcrireTexte(m.Tel1, QString::fromUtf8(v[5]));
            EcrireTexte(m.Tel2, QString::fromUtf8(v[6]));
            EcrireTexte(m.Email, QString::fromUtf8(v[7]));
            MKLOctets(4321, m.IdWeb);
        };
    };
    const CasRequete cas[] = {
        {"secteur", secteur("S+1", " Café + Thé & Co "),
         "?SecIdQD=S%2B1%20%20%20%20%20%20%20&SecLibelle=Caf%C3%A9%20%2B%20Th%C3%A9%20%26%20Co&SecSynchroWeb=1"},
        {"secteur sans libellé", secteur("AB", ""),
         "?SecIdQD=AB%20%20%20%20%20%20%20%20&SecLibelle=Secteur%3A%20AB&SecSynchroWeb=1"},
        {"commercial complet",
         commercial({"AB", " Le Bihan ", "Maëlle", "m.b", "p&ss+1", "+33 6 12", "02 98", "a+b@x.fr"}),
         "?CmlIdQD=AB%20%20%20%20%20%20&CmlNom=Le%20Bihan&CmlPrenom=Ma%C3%ABlle&CmlUserId=m.b"
         "&CmlUserPassword=p%26ss%2B1&CmlTel1=%2B33%206%2012&CmlTel2=02%2098&CmlEmail=a%2Bb%40x.fr&CmlSynchroWeb=1"},
        {"commercial vide", commercial({"C1", "", "", "", "", "", "", ""}),
         "?CmlIdQD=C1%20%20%20%20%20%20&CmlNom=Commercial%3A%20C1&CmlPrenom=&CmlUserId=qv&CmlUserPassword=xq"
         "&CmlTel1=&CmlTel2=&CmlEmail=commercial%40kirvo.invalid&CmlSynchroWeb=1"},
    };
    for (const CasRequete& c : cas) {
        c.remplir();
        const bool sec = QByteArray(c.nom).startsWith("secteur");
        const QString creation = sec ? SynchroniserPub_03_Secteur_80_Parametres_01_Create()
                                     : SynchroniserPub_04_Commercial_80_Parametres_01_Create();
        const QString maj = RequeteMiseAJour(sec ? FamilleSecteur() : FamilleCommercial());
        EXPECT_EQ(creation, QString::fromUtf8(c.attendu)) << c.nom;
        EXPECT_EQ(maj, QString::fromUtf8(c.attendu) +
                           (sec ? QStringLiteral("&SecIdWeb=4321") : QStringLiteral("&CmlIdWeb=4321")))
            << c.nom;
    }
    EXPECT_EQ(RequeteIdWeb(FamilleSecteur(), 42), QStringLiteral("?SecIdWeb=42"));
    EXPECT_EQ(RequeteIdWeb(FamilleCommercial(), 7), QStringLiteral("?CmlIdWeb=7"));
}

// What the service receives: the address of the entity and every value as the record holds it.
TEST_F(SectorSalespersonTest, TheServiceReceivesTheValuesIntact) {
    local(kSecteur, QStringLiteral("S+1"), QStringLiteral("Café + Thé & Co"), 'O', 'C');
    local(kCommercial, QStringLiteral("C&1"), QStringLiteral("Kerhervé"), 'O', 'C', 0, [] {
        EcrireTexte(EnregCommercial.Prenom, QStringLiteral("Maëlle"));
        EcrireTexte(EnregCommercial.UserPassword, QStringLiteral("p&ss+1 é"));
        EcrireTexte(EnregCommercial.Tel1, QStringLiteral("+33 6 12"));
        EcrireTexte(EnregCommercial.Email, QStringLiteral("m+k@x.fr"));
    });
    double_.effacerRequetes();

    etape(kSecteur, 1);
    etape(kCommercial, 1);

    const std::vector<double_web::Requete> r = double_.requetes();
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0].chemin, QStringLiteral("/Kirvo/WebService/SecteurActivite/CreateXML"));
    EXPECT_EQ(r[1].chemin, QStringLiteral("/Kirvo/WebService/Commercial/CreateXML"));
    QStringList cles;
    for (const auto& p : r[1].parametres) cles << p.first;
    EXPECT_EQ(cles, (QStringList{"CmlIdQD", "CmlNom", "CmlPrenom", "CmlUserId", "CmlUserPassword", "CmlTel1", "CmlTel2",
                                 "CmlEmail", "CmlSynchroWeb"}));
    EXPECT_EQ(r[0].valeur(QStringLiteral("SecIdQD")), QStringLiteral("S+1       "));
    EXPECT_EQ(r[0].valeur(QStringLiteral("SecLibelle")), QStringLiteral("Café + Thé & Co"));
    EXPECT_EQ(r[1].valeur(QStringLiteral("CmlIdQD")), QStringLiteral("C&1     "));
    EXPECT_EQ(r[1].valeur(QStringLiteral("CmlNom")), QStringLiteral("Kerhervé"));
    EXPECT_EQ(r[1].valeur(QStringLiteral("CmlUserPassword")), QStringLiteral("p&ss+1 é"));
    EXPECT_EQ(r[1].valeur(QStringLiteral("CmlTel1")), QStringLiteral("+33 6 12"));
    EXPECT_EQ(r[1].valeur(QStringLiteral("CmlEmail")), QStringLiteral("m+k@x.fr"));
}

// ---- Journal replay ----------------------------------------------------------------------------

class SectorOrSalesperson : public SectorSalespersonTest, public ::testing::WithParamInterface<const FamilleTest*> {};

TEST_P(SectorOrSalesperson, ReplaySendsOnlyItsFamilysEntriesWhateverTheFlag) {
    const FamilleTest& f = *GetParam();
    const FamilleTest& autre = &f == &kSecteur ? kCommercial : kSecteur;
    const int id = webItem(f, QStringLiteral("M1"), QStringLiteral("Ancien"));
    local(f, QStringLiteral("M1"), QStringLiteral("Nouveau"), 'N', 'M', id);
    local(f, QStringLiteral("C1"), QStringLiteral("Neuf"), 'O', 'C', 0);
    local(autre, QStringLiteral("X1"), QStringLiteral("Autre"), 'O', 'C', 0);
    entreeDe(f, f.fichier, QStringLiteral("M1"), 'M', id);
    entreeDe(f, f.fichier, QStringLiteral("C1"), 'C', 0);
    entreeDe(f, autre.fichier, QStringLiteral("X1"), 'C', 0);
    entreeDe(f, 4, QStringLiteral("P1"), 'C', 0);
    double_.effacerRequetes();

    etape(f, 2);

    EXPECT_EQ(envoisDe(f),
              (QStringList{QStringLiteral("CreateXML:C1"), QStringLiteral("UpdateXML:") + QString::number(id)}));
    EXPECT_TRUE(autresEntites(f).isEmpty());
    EXPECT_EQ(double_.element(f.entite, id)->champs.value(f.champNomWeb), QStringLiteral("Nouveau"));
    const QString px = QStringLiteral("P") + N2S(f.fichier, 2, 0, QStringLiteral("0")) + QStringLiteral("01");
    const QString pxAutre = QStringLiteral("P") + N2S(autre.fichier, 2, 0, QStringLiteral("0")) + QStringLiteral("01");
    const QStringList restant = clesJournal();
    EXPECT_FALSE(restant.contains(px + QStringLiteral("M1")));
    EXPECT_FALSE(restant.contains(px + QStringLiteral("C1")));
    EXPECT_TRUE(restant.contains(pxAutre + QStringLiteral("X1")));
    EXPECT_TRUE(restant.contains(QStringLiteral("P0401P1")));
    // A record flagged off the web keeps its flag.
    EXPECT_EQ(lireLocal(f, QStringLiteral("M1")).flag, QStringLiteral("N"));
}

// ---- Imports -----------------------------------------------------------------------------------

TEST_P(SectorOrSalesperson, ImportsKeepTheFlagAndSkipWhatDoesNotFit) {
    const FamilleTest& f = *GetParam();
    // Known locally, flagged off the web: overwritten, flag kept.
    local(f, QStringLiteral("K1"), QStringLiteral("Local"), 'N', 'O', 0);
    const QString long40 = QString(40, QLatin1Char('x'));
    const int idK = webItem(f, QStringLiteral("K1"), QStringLiteral("Du web"), double_web::Cree);
    const int idN = webItem(f, QString(), long40, double_web::Cree);
    webItem(f, QString(f.largeur + 1, QLatin1Char('L')), QStringLiteral("Trop long"), double_web::Cree);
    double_.effacerRequetes();

    etape(f, 3);
    etape(f, 4);

    const EnregLocal k = lireLocal(f, QStringLiteral("K1"));
    EXPECT_EQ(TrimBlancs(k.nom), QStringLiteral("Du web"));
    EXPECT_EQ(k.flag, QStringLiteral("N"));
    EXPECT_EQ(k.etat, QStringLiteral("O"));
    EXPECT_EQ(k.idWeb, idK);
    // The new one got a free code, its name cut to the field, and the service was told its code.
    const std::optional<double_web::Element> n = double_.element(f.entite, idN);
    ASSERT_TRUE(n.has_value());
    const QString code = n->idQD.trimmed();
    ASSERT_FALSE(code.isEmpty());
    EXPECT_EQ(code.size(), f.largeur);
    const EnregLocal nouveau = lireLocal(f, code);
    ASSERT_TRUE(nouveau.existe);
    EXPECT_EQ(nouveau.nom, QString(30, QLatin1Char('x')));
    EXPECT_EQ(nouveau.flag, QStringLiteral("O"));
    EXPECT_EQ(nouveau.etat, QStringLiteral("O"));
    EXPECT_EQ(nouveau.idWeb, idN);
    EXPECT_EQ(envoisDe(f), (QStringList{QStringLiteral("UpdateXML:") + QString::number(idK),
                                        QStringLiteral("UpdateXML:") + QString::number(idN)}));
    const QStringList log = lignesLog();
    EXPECT_EQ(log.filter(QStringLiteral("code too long")).size(), 1);
}

TEST_F(SectorSalespersonTest, ASalespersonImportPutsEachColumnInItsPlace) {
    local(kCommercial, QStringLiteral("00000001"), QStringLiteral("Existant"));
    const int id = webItem(kCommercial, QString(), QStringLiteral("Le Bihan"), double_web::Cree,
                           {{"CmlPrenom", "Erwan"},
                            {"CmlUserId", "ebihan"},
                            {"CmlUserPassword", "mer+2024"},
                            {"CmlTel1", "0298112233"},
                            {"CmlTel2", "0611223344 poste 12"},
                            {"CmlEmail", QString(60, QLatin1Char('e'))}});

    etape(kCommercial, 3);

    const QString code = double_.element(double_web::Commercial, id)->idQD;
    ASSERT_NE(code.trimmed(), QStringLiteral("00000001"));
    QString k = code;
    BTRieve(0, BtrOp::GetEqual, k, 0, 1, 1, kSource);
    ASSERT_EQ(BtrStatus, 0);
    const auto& m = EnregCommercial;
    EXPECT_EQ(TrimBlancs(LireTexte(m.Nom)), QStringLiteral("Le Bihan"));
    EXPECT_EQ(TrimBlancs(LireTexte(m.Prenom)), QStringLiteral("Erwan"));
    EXPECT_EQ(TrimBlancs(LireTexte(m.UserId)), QStringLiteral("ebihan"));
    EXPECT_EQ(TrimBlancs(LireTexte(m.UserPassword)), QStringLiteral("mer+2024"));
    EXPECT_EQ(TrimBlancs(LireTexte(m.Tel1)), QStringLiteral("0298112233"));
    EXPECT_EQ(LireTexte(m.Tel2), QStringLiteral("0611223344 post"));
    EXPECT_EQ(LireTexte(m.Email), QString(50, QLatin1Char('e')));
    // The acknowledgement sent the record as written, password included.
    EXPECT_EQ(double_.element(double_web::Commercial, id)->champs.value(QStringLiteral("CmlUserPassword")),
              QStringLiteral("mer+2024"));
}

// An item with fields the reader does not know and without most of those it does: the known ones
// are taken, the missing ones left blank, and the blanks go back with their defaults.
TEST_F(SectorSalespersonTest, ASalespersonImportWithMissingOrUnknownFields) {
    const int id = webItem(kCommercial, QStringLiteral("P1"), QStringLiteral("Petit"), double_web::Cree,
                           {{"CmlFax", "0298000000"}, {"CmlRegion", "Nord"}});

    etape(kCommercial, 3);

    const EnregLocal l = lireLocal(kCommercial, QStringLiteral("P1"));
    ASSERT_TRUE(l.existe);
    EXPECT_EQ(l.etat, QStringLiteral("O"));
    EXPECT_EQ(TrimBlancs(l.nom), QStringLiteral("Petit"));
    EXPECT_TRUE(TrimBlancs(LireTexte(EnregCommercial.UserPassword)).isEmpty());
    const auto w = double_.element(double_web::Commercial, id);
    EXPECT_EQ(w->champs.value(QStringLiteral("CmlUserId")), QStringLiteral("qv"));
    EXPECT_EQ(w->champs.value(QStringLiteral("CmlUserPassword")), QStringLiteral("xq"));
    EXPECT_EQ(w->champs.value(QStringLiteral("CmlEmail")), EmailParDefaut);
}

// ---- Audit -------------------------------------------------------------------------------------

TEST_P(SectorOrSalesperson, AuditResavesWithoutReplayingAndTheNextRunSends) {
    const FamilleTest& f = *GetParam();
    const int idCasse = webItem(f, QStringLiteral("A1"), QStringLiteral("martin"));
    const int idBlancs = webItem(f, QStringLiteral("B1"), QStringLiteral("  Durand "));
    const int idOrphelin = webItem(f, QStringLiteral("D1"), QStringLiteral("Sans local"));
    const int idRetire = webItem(f, QStringLiteral("E1"), QStringLiteral("Retiré"));
    const int idVide =
        webItem(f, QStringLiteral("F1"),
                QStringLiteral("%1: F1").arg(f.entite == double_web::Secteur ? "Secteur" : "Commercial"));
    local(f, QStringLiteral("A1"), QStringLiteral("Martin"), 'O', 'O', idCasse);
    local(f, QStringLiteral("B1"), QStringLiteral("Durand"), 'O', 'O', idBlancs);
    local(f, QStringLiteral("E1"), QStringLiteral("Retiré"), 'N', 'O', idRetire);
    local(f, QStringLiteral("F1"), QString(), 'O', 'O', idVide);
    double_.effacerRequetes();

    etape(f, 6);

    EXPECT_EQ(envoisDe(f), (QStringList{QStringLiteral("DeleteXML:") + QString::number(idOrphelin),
                                        QStringLiteral("DeleteXML:") + QString::number(idRetire)}));
    const QString px = QStringLiteral("P") + N2S(f.fichier, 2, 0, QStringLiteral("0")) + QStringLiteral("01");
    QStringList forcees = clesJournal().filter(QRegularExpression(QStringLiteral("^") + px));
    EXPECT_EQ(forcees, QStringList{px + QStringLiteral("A1")});
    EXPECT_EQ(lireLocal(f, QStringLiteral("E1")).idWeb, 0);

    // The next run's replay sends the name as it is locally.
    etape(f, 2);
    EXPECT_EQ(envoisDe(f), QStringList{QStringLiteral("UpdateXML:") + QString::number(idCasse)});
    EXPECT_EQ(double_.element(f.entite, idCasse)->champs.value(f.champNomWeb), QStringLiteral("Martin"));
    EXPECT_TRUE(clesJournal().filter(QRegularExpression(QStringLiteral("^") + px)).isEmpty());
}

TEST_F(SectorSalespersonTest, ASalespersonAuditLooksOnlyAtTheName) {
    const int id = webItem(kCommercial, QStringLiteral("A1"), QStringLiteral("Martin"), double_web::Synchronise,
                           {{"CmlPrenom", "Autre"}, {"CmlEmail", "autre@x.fr"}, {"CmlUserPassword", "autre"}});
    local(kCommercial, QStringLiteral("A1"), QStringLiteral("Martin"), 'O', 'O', id, [] {
        EcrireTexte(EnregCommercial.Prenom, QStringLiteral("Luc"));
        EcrireTexte(EnregCommercial.UserPassword, QStringLiteral("local"));
    });
    etape(kCommercial, 6);
    EXPECT_TRUE(clesJournal().filter(QStringLiteral("P0101")).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(SectorSalesperson, SectorOrSalesperson, ::testing::Values(&kSecteur, &kCommercial),
                         [](const auto& i) { return std::string(i.param->nomDeTest); });

// ---- The password stays out of every text the program writes ------------------------------------

TEST(LogSecrets, TheValueOfADeclaredKeyBecomesStars) {
    DeclarerCleSecrete(QStringLiteral("CmlUserPassword"));
    const struct {
        const char* texte;
        const char* attendu;
    } cas[] = {
        {"a/CreateXML?CmlIdQD=1&CmlUserPassword=p%26s%2B1&CmlTel1=2",
         "a/CreateXML?CmlIdQD=1&CmlUserPassword=***&CmlTel1=2"},
        {"x?cmluserpassword=abc", "x?cmluserpassword=***"},
        {"<CmlUserPassword>mer+2024</CmlUserPassword><CmlNom>A</CmlNom>",
         "<CmlUserPassword>***</CmlUserPassword><CmlNom>A</CmlNom>"},
        {"CmlUserPassword=a CmlUserPassword=b", "CmlUserPassword=*** CmlUserPassword=***"},
        {"CmlUserPassword=&CmlTel1=", "CmlUserPassword=***&CmlTel1="},
        {"rien à cacher", "rien à cacher"},
    };
    for (const auto& c : cas)
        EXPECT_EQ(MasquerSecrets(QString::fromUtf8(c.texte)), QString::fromUtf8(c.attendu)) << c.texte;
}

TEST_F(SectorSalespersonTest, ThePasswordReachesNeitherTheLogNorTheDebugList) {
    bTraceLogDebug = true;
    bTraceDebugEcran = true;
    const auto avecMotDePasse = [] { EcrireTexte(EnregCommercial.UserPassword, QStringLiteral("Secret+42")); };
    local(kCommercial, QStringLiteral("C1"), QStringLiteral("Premier"), 'O', 'C', 0, avecMotDePasse);
    local(kCommercial, QStringLiteral("C2"), QStringLiteral("Second"), 'O', 'C', 0, avecMotDePasse);
    webItem(kCommercial, QString(), QStringLiteral("Du web"), double_web::Cree, {{"CmlUserPassword", "Secret+42"}});
    // An address the client refuses: its error quotes the whole address, query included.
    SynchroniserPub_04_Commercial(QStringLiteral("htp:/nulle-part/"));
    SynchroniserPub_04_Commercial(url);
    bTraceLogDebug = false;
    bTraceDebugEcran = false;

    QStringList textes = lignesLog() + Listes().ListeDebug.lines();
    for (int z = 0; z < Listes().nbListesIncidents(); ++z) textes += Listes().incidents(z).lines();
    ASSERT_FALSE(textes.filter(QStringLiteral("CmlUserPassword=***")).isEmpty())
        << "the refused address was not logged";
    EXPECT_TRUE(textes.filter(QStringLiteral("Secret")).isEmpty())
        << textes.filter(QStringLiteral("Secret")).join('\n').toStdString();
    EXPECT_FALSE(DerniereErreur.Description.contains(QStringLiteral("Secret")));
    // ... while the service got it.
    EXPECT_EQ(double_.element(double_web::Commercial, lireLocal(kCommercial, QStringLiteral("C1")).idWeb)
                  ->champs.value(QStringLiteral("CmlUserPassword")),
              QStringLiteral("Secret+42"));
}

// ---- The menu --------------------------------------------------------------------------------------

class SectorSalespersonMenu : public SectorSalespersonTest {
protected:
    void SetUp() override {
        SectorSalespersonTest::SetUp();
        w = std::make_unique<Frm_Main>();
        const ParametresWeb parametres{url, double_.options().utilisateur, double_.options().motDePasse};
        SetSourceParametresWeb([parametres] { return parametres; });
    }
    void TearDown() override {
        w.reset();
        ReinitialiserRequetesWeb();
        AfficherFrmMsg(false, QString());
        DechargerFrmMainBis();
        SectorSalespersonTest::TearDown();
    }
    std::unique_ptr<Frm_Main> w;
};

TEST_F(SectorSalespersonMenu, SectorSalespersonAndAllReachTheirFamilies) {
    for (const FamilleTest* f : {&kSecteur, &kCommercial}) {
        local(*f, QStringLiteral("M1"), QStringLiteral("Par le menu"), 'O', 'C', 0);
        double_.effacerRequetes();
        w->MnuSynchroniserPub[size_t(f->menu)]->trigger();
        EXPECT_EQ(envoisDe(*f), QStringList{QStringLiteral("CreateXML:M1")}) << f->nom;
        EXPECT_EQ(w->SftTabsPublicite->currentIndex(), f->onglet) << f->nom;
        EXPECT_EQ(lireLocal(*f, QStringLiteral("M1")).etat, QStringLiteral("O")) << f->nom;
    }
    local(kSecteur, QStringLiteral("T1"), QStringLiteral("Par Tout"), 'O', 'C', 0);
    local(kCommercial, QStringLiteral("T1"), QStringLiteral("Par Tout"), 'O', 'C', 0);
    w->MnuSynchroniserMusPub->trigger();
    EXPECT_NE(lireLocal(kSecteur, QStringLiteral("T1")).idWeb, 0);
    EXPECT_NE(lireLocal(kCommercial, QStringLiteral("T1")).idWeb, 0);
    EXPECT_TRUE(TestDialogs().shown.size() == 1 &&
                TestDialogs().shown.front().prompt == QStringLiteral("Synchronisation terminée."));
}

}  // namespace
