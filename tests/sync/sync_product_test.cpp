// The product synchronisation end to end against the web-service double, and the request grammar
// of products and clients.
#include "sync_fixture.h"

#include "database/btrieve.h"
#include "database/record_layouts.h"
#include "entities/advertising_drivers.h"
#include "entities/product_family.h"
#include "fill/nomenclature.h"
#include "foundation/conversions.h"
#include "foundation/globals.h"
#include "support/nomenclature_files.h"
#include "entities/client_family.h"
#include "sync/dispatcher.h"
#include "foundation/activity.h"
#include "foundation/shell_link.h"
#include "shell/hidden_host.h"
#include "shell/main_window.h"
#include "support/scripted_dialogs.h"
#include "sync/web_requests.h"

#include <QAction>
#include <QTabWidget>
#include <memory>

#include <QRegularExpression>

using double_web::Panne;
using double_web::PanneProgrammee;

namespace {

const QString kSource = QStringLiteral("Lib_Test:Produit");

struct ProduitLocal {
    bool existe = false;
    QString code, libelle, flagCC, cc, etat, flag;
    int32_t idWeb = 0;
};

class ProductTest : public SyncTest {
protected:
    void SetUp() override {
        SyncTest::SetUp();
        QString erreur;
        ASSERT_TRUE(EcrireNomenclatureExemple(DossierApplication, &erreur)) << erreur.toStdString();
        InitSettingsNomenclature();
        ASSERT_EQ(LibNomenclature(QStringLiteral("01010102")), QStringLiteral("Pain de mie"));
    }
    void TearDown() override {
        DechargerFrmPubNomenclature();
        SyncTest::TearDown();
    }

    // A product written through the wrapper; cc: the 8-character competition code, or "" for none.
    void produit(const QString& code, const QString& libelle, char flag = 'O', char etat = 'N', int32_t idWeb = 0,
                 const QString& cc = QString()) {
        remplir(code, libelle, flag, etat, idWeb, cc);
        insererTampon(4, 10, code);
    }
    // The same in the buffer only.
    static void remplir(const QString& code, const QString& libelle, char flag, char etat, int32_t idWeb,
                        const QString& cc) {
        Vider(EnregProduit);
        EcrireTexte(EnregProduit.Code, code);
        EcrireTexte(EnregProduit.Libelle, libelle);
        if (!cc.isEmpty()) {
            EcrireTexte(EnregProduit.FlagCodeConcurrence, QStringLiteral("1"));
            EcrireTexte(EnregProduit.CCFamille, cc.mid(0, 2));
            EcrireTexte(EnregProduit.CCClasse, cc.mid(2, 2));
            EcrireTexte(EnregProduit.CCSecteur, cc.mid(4, 2));
            EcrireTexte(EnregProduit.CCVariete, cc.mid(6, 2));
        }
        EnregProduit.Etat[0] = etat;
        EnregProduit.FlagWeb[0] = flag;
        MKLOctets(idWeb, EnregProduit.IdWeb);
    }
    ProduitLocal lireProduit(const QString& code) {
        ProduitLocal p;
        if (!lireTampon(4, code, 10)) return p;
        p.existe = true;
        p.code = TrimBlancs(LireTexte(EnregProduit.Code));
        p.libelle = TrimBlancs(LireTexte(EnregProduit.Libelle));
        p.flagCC = LireTexte(EnregProduit.FlagCodeConcurrence);
        p.cc = LireTexte(EnregProduit.CCFamille) + LireTexte(EnregProduit.CCClasse) +
               LireTexte(EnregProduit.CCSecteur) + LireTexte(EnregProduit.CCVariete);
        p.etat = LireTexte(EnregProduit.Etat);
        p.flag = LireTexte(EnregProduit.FlagWeb);
        p.idWeb = CVLOctets(EnregProduit.IdWeb);
        return p;
    }
    void entreeProduit(const QString& code, char etat, int32_t idWeb) { entree('P', 1, code, etat, idWeb, 4); }
    // A product on the web side; its id. cc: the four levels, 2 characters each, or "".
    int webProduit(const QString& code, const QString& libelle, int statut = double_web::Synchronise,
                   const QString& nature = QStringLiteral("0"), const QString& cc = QString(), int idWeb = 0) {
        double_web::Element e;
        e.idWeb = idWeb;
        e.idQD = code;
        e.statut = statut;
        e.champs[QStringLiteral("PdtLibelle")] = libelle;
        e.champs[QStringLiteral("PdtNature")] = nature;
        if (!cc.isEmpty()) {
            e.champs[QStringLiteral("PdtFamille")] = cc.mid(0, 2);
            e.champs[QStringLiteral("PdtClasse")] = cc.mid(2, 2);
            e.champs[QStringLiteral("PdtSecteur")] = cc.mid(4, 2);
            e.champs[QStringLiteral("PdtVariete")] = cc.mid(6, 2);
        }
        return double_.ajouter(double_web::Produit, e);
    }
    // The product operations received since the last call ("CreateXML:P1", "UpdateXML:12"),
    // list fetches left out.
    QStringList envoisProduit() {
        QStringList r;
        for (const double_web::Requete& q : double_.requetes()) {
            if (q.entite != double_web::Produit || q.operation == QStringLiteral("GetBySynchroWeb")) continue;
            r << q.operation + QLatin1Char(':') +
                     (q.operation == QStringLiteral("CreateXML") ? q.valeur(QStringLiteral("PdtIdQD")).trimmed()
                                                                 : q.valeur(QStringLiteral("PdtIdWeb")));
        }
        double_.effacerRequetes();
        return r;
    }
    QStringList clesJournalProduit() { return clesJournal().filter(QRegularExpression(QStringLiteral("^P04"))); }
    void panne(Panne type, const char* operation, int fois = 1) {
        PanneProgrammee p;
        p.type = type;
        p.entite = double_web::Produit;
        p.operation = QString::fromLatin1(operation);
        p.fois = fois;
        double_.programmerPanne(p);
    }
};

// ---- Local pass: local states x web states -----------------------------------------------------

struct CasProduit {
    const char* nom;
    char flag, etat;
    bool lie;       // the product holds a web id
    bool surLeWeb;  // ... which the web still has
    Panne panne;    // scripted on panneOp (Delai: none)
    const char* panneOp;
    const char* requetes;  // operations sent ("=" stands for the product's web id)
    char etatFinal;
    const char* idFinal;  // "0", "=" (kept), "new"
    bool entreePurgee;
};

const CasProduit kCasProduit[] = {
    {"created_without_id", 'O', 'C', false, false, Panne::Delai, "", "CreateXML:P1", 'O', "new", false},
    {"modified_without_id", 'O', 'M', false, false, Panne::Delai, "", "CreateXML:P1", 'O', "new", false},
    {"synced_without_id", 'O', 'O', false, false, Panne::Delai, "", "CreateXML:P1", 'O', "new", false},
    {"deleted_without_id", 'O', 'S', false, false, Panne::Delai, "", "", 'S', "0", false},
    {"linked_present", 'O', 'O', true, true, Panne::Delai, "", "GetByIdWeb:=", 'O', "=", false},
    {"linked_gone", 'O', 'O', true, false, Panne::Delai, "", "GetByIdWeb:=|CreateXML:P1", 'O', "new", false},
    {"linked_lookup_failed", 'O', 'O', true, true, Panne::Http500Html, "GetByIdWeb", "GetByIdWeb:=", 'O', "=", false},
    {"withdrawn_linked", 'N', 'O', true, true, Panne::Delai, "", "DeleteXML:=", 'N', "0", true},
    {"withdrawn_already_gone", 'N', 'O', true, false, Panne::Delai, "", "DeleteXML:=", 'N', "0", true},
    {"withdrawn_without_id", 'N', 'M', false, false, Panne::Delai, "", "", 'M', "0", true},
    {"withdrawal_refused", 'N', 'O', true, true, Panne::Http500Html, "DeleteXML", "DeleteXML:=", 'O', "=", false},
    // Answered without an error but not done: the link stays for the next run.
    {"withdrawal_result_false", 'N', 'O', true, true, Panne::ResultatFaux, "DeleteXML", "DeleteXML:=|GetByIdWeb:=", 'O',
     "=", false},
    {"creation_refused", 'O', 'M', false, false, Panne::Http500Html, "CreateXML", "CreateXML:P1", 'M', "0", false},
    {"creation_result_false", 'O', 'C', false, false, Panne::ResultatFaux, "CreateXML", "CreateXML:P1", 'C', "0",
     false},
    {"creation_id_zero", 'O', 'O', false, false, Panne::IdZero, "CreateXML", "CreateXML:P1", 'O', "0", false},
};

void PrintTo(const CasProduit& c, std::ostream* os) { *os << c.nom; }

class ProductLocalPass : public ProductTest, public ::testing::WithParamInterface<CasProduit> {};

TEST_P(ProductLocalPass, RequestsAndFields) {
    const CasProduit& c = GetParam();
    int32_t id = 0;
    if (c.lie) id = c.surLeWeb ? webProduit(QStringLiteral("P1"), QStringLiteral("Pain")) : 777;
    produit(QStringLiteral("P1"), QStringLiteral("Pain"), c.flag, c.etat, id, QStringLiteral("01010102"));
    entreeProduit(QStringLiteral("P1"), 'M', id);
    if (*c.panneOp) panne(c.panne, c.panneOp);
    envoisProduit();

    SynchroniserPub_02_Produit_01(0, 1, url, QStringLiteral("Produit"));

    QStringList attendu = QString::fromLatin1(c.requetes).split(QLatin1Char('|'), Qt::SkipEmptyParts);
    for (QString& a : attendu) a.replace(QLatin1Char('='), QString::number(id));
    EXPECT_EQ(envoisProduit(), attendu);
    const ProduitLocal p = lireProduit(QStringLiteral("P1"));
    EXPECT_EQ(p.etat, QString(QLatin1Char(c.etatFinal)));
    // The flag is the user's: no step of the local pass changes it.
    EXPECT_EQ(p.flag, QString(QLatin1Char(c.flag)));
    const QString fin = QString::fromLatin1(c.idFinal);
    if (const auto e = verifierIdWebFinal(fin, p.idWeb, id, double_web::Produit)) {
        EXPECT_EQ(e->champs.value(QStringLiteral("PdtLibelle")), QStringLiteral("Pain"));
        EXPECT_EQ(e->champs.value(QStringLiteral("PdtNomenclatureLib")), QStringLiteral("Pain de mie"));
    }
    EXPECT_EQ(!clesJournalProduit().contains(QStringLiteral("P0401P1")), c.entreePurgee);
}

INSTANTIATE_TEST_SUITE_P(Product, ProductLocalPass, ::testing::ValuesIn(kCasProduit),
                         [](const auto& i) { return std::string(i.param.nom); });

// ---- Request grammar ---------------------------------------------------------------------------

TEST_F(ProductTest, FullRequestsReachTheServiceIntact) {
    struct Cas {
        const char* nom;
        const char* code;
        const char* libelle;
        const char* cc;     // "" none; a code with its flag "1"
        bool flagSansCode;  // levels written but FlagCodeConcurrence left blank
        const char* libelleAttendu;
        const char* nomenclatureAttendue;
    } cas[] = {
        {"caracteres_speciaux", "P1", "Pain + beurre & confiture=été", "01010102", false,
         "Pain + beurre & confiture=été", "Pain de mie"},
        {"libelle_vide", "P2", "   ", "", false, "Produit: P2", ""},
        {"niveaux_sans_drapeau", "P3", "Garage", "05010301", true, "Garage", ""},
        {"code_plein", "ABCDEFGHIJ", " Révision ", "05010301", false, "Révision", "Revision automobile"},
        {"code_inconnu", "P4", "Autre", "99999999", false, "Autre", ""},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.nom);
        const QString code = QString::fromLatin1(c.code);
        remplir(code, QString::fromUtf8(c.libelle), 'O', 'C', 4321, QString::fromLatin1(c.cc));
        if (c.flagSansCode) EcrireTexte(EnregProduit.FlagCodeConcurrence, QStringLiteral(" "));
        const QString cc = QString::fromLatin1(c.cc);
        const QString creation = SynchroniserPub_02_Produit_80_Parametres_01_Create();
        const QString miseAJour = RequeteMiseAJour(FamilleProduit());
        EXPECT_EQ(miseAJour, creation + QStringLiteral("&PdtIdWeb=4321"));
        // The code goes as stored, its trailing blanks included.
        EXPECT_TRUE(creation.startsWith(QStringLiteral("?PdtIdQD=") + QString::fromLatin1(double_web::EncoderValeur(
                                                                          Calibre(code, QStringLiteral(" "), 10)))))
            << creation.toStdString();

        // Through the program's request routine to the service, and what the service read.
        double_.effacerRequetes();
        const ReponseWeb r = AccesWeb().requete(FamilleProduit(), url, QStringLiteral("UpdateXML"), miseAJour,
                                                Cle::SynchroniserPub_02_Produit_02);
        EXPECT_TRUE(r.transmise);
        const auto recues = double_.requetes();
        ASSERT_EQ(recues.size(), 1u);
        const double_web::Requete& q = recues[0];
        EXPECT_EQ(q.chemin, QStringLiteral("/Kirvo/WebService/Produit/UpdateXML"));
        QStringList cles;
        for (const auto& pr : q.parametres) cles << pr.first;
        EXPECT_EQ(cles, (QStringList{"PdtIdQD", "PdtLibelle", "PdtNature", "PdtFamille", "PdtClasse", "PdtSecteur",
                                     "PdtVariete", "PdtNomenclatureLib", "PdtSynchroWeb", "PdtIdWeb"}));
        EXPECT_EQ(q.valeur(QStringLiteral("PdtIdQD")), Calibre(code, QStringLiteral(" "), 10));
        EXPECT_EQ(q.valeur(QStringLiteral("PdtLibelle")), QString::fromUtf8(c.libelleAttendu));
        EXPECT_EQ(q.valeur(QStringLiteral("PdtNature")), QStringLiteral("0"));
        // The four levels go whatever the flag holds.
        EXPECT_EQ(q.valeur(QStringLiteral("PdtFamille")) + q.valeur(QStringLiteral("PdtClasse")) +
                      q.valeur(QStringLiteral("PdtSecteur")) + q.valeur(QStringLiteral("PdtVariete")),
                  cc);
        EXPECT_EQ(q.valeur(QStringLiteral("PdtNomenclatureLib")), QString::fromLatin1(c.nomenclatureAttendue));
        EXPECT_EQ(q.valeur(QStringLiteral("PdtSynchroWeb")), QStringLiteral("1"));
        EXPECT_EQ(q.valeur(QStringLiteral("PdtIdWeb")), QStringLiteral("4321"));
    }
    EXPECT_EQ(RequeteIdWeb(FamilleProduit(), -5), QStringLiteral("?PdtIdWeb=-5"));
    EXPECT_EQ(RequeteIdWeb(FamilleProduit(), 1234), QStringLiteral("?PdtIdWeb=1234"));
}

TEST_F(ProductTest, ClientRequestsKeyOrderAndValues) {
    struct Cas {
        const char* nom;
        const char* contacts[4];
        const char* contactAttendu;
        const char* nomClient;
        const char* nomAttendu;
        int32_t idWeb;
    } cas[] = {
        {"premier_contact",
         {"Anne", "Bruno", "", ""},
         "Anne",
         "Boulangerie + Fils & Cie",
         "Boulangerie + Fils & Cie",
         70000},
        {"repli_second", {"  ", "Bruno", "Chloé", ""}, "Bruno", "Épicerie", "Épicerie", 255},
        {"repli_troisieme", {"", "", "Chloé", "Denis"}, "Chloé", "X", "X", 65025},
        {"repli_quatrieme", {"", "", "", " Denis "}, "Denis", "", "Client: CLT9", 16777216},
        {"aucun_contact", {"", "", "", ""}, "", "Y", "Y", 1},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.nom);
        Vider(EnregClient);
        EcrireTexte(EnregClient.Code, QStringLiteral("CLT9"));
        EcrireTexte(EnregClient.Nom, QString::fromUtf8(c.nomClient));
        EcrireTexte(EnregClient.Ville, QStringLiteral("Saint-Étienne"));
        EcrireTexte(EnregClient.Contact, QString::fromUtf8(c.contacts[0]));
        EcrireTexte(EnregClient.Contact2, QString::fromUtf8(c.contacts[1]));
        EcrireTexte(EnregClient.Contact3, QString::fromUtf8(c.contacts[2]));
        EcrireTexte(EnregClient.Contact4, QString::fromUtf8(c.contacts[3]));
        EcrireTexte(EnregClient.ContactTel1, QStringLiteral(" 01 02 03 04 05 "));
        EcrireTexte(EnregClient.Telephones[0], QStringLiteral("+33 6 07 08 09"));
        EcrireTexte(EnregClient.Telephones[1], QStringLiteral("0999999999"));
        EcrireTexte(EnregClient.ContactEmail, QStringLiteral("a+b@exemple.fr"));
        MKLOctets(c.idWeb, EnregClient.IdWeb);

        double_.effacerRequetes();
        const ReponseWeb r = AccesWeb().requete(FamilleClient(), url, QStringLiteral("CreateXML"),
                                                RequeteMiseAJour(FamilleClient()), Cle::SynchroniserPub_01_Client_02);
        EXPECT_TRUE(r.transmise);
        const auto recues = double_.requetes();
        ASSERT_EQ(recues.size(), 1u);
        const double_web::Requete& q = recues[0];
        QStringList cles;
        for (const auto& pr : q.parametres) cles << pr.first;
        EXPECT_EQ(cles, (QStringList{"CltIdQD", "CltNom", "CltAdresse", "CltAdresseSuite", "CltCodePostal", "CltVille",
                                     "CltContact", "CltContactTel1", "CltContactEmail", "CltSynchroWeb",
                                     "CltContactTel2", "CltIdWeb"}));
        EXPECT_EQ(q.valeur(QStringLiteral("CltIdQD")), QStringLiteral("CLT9    "));
        EXPECT_EQ(q.valeur(QStringLiteral("CltNom")), QString::fromUtf8(c.nomAttendu));
        EXPECT_EQ(q.valeur(QStringLiteral("CltVille")), QStringLiteral("Saint-Étienne"));
        EXPECT_EQ(q.valeur(QStringLiteral("CltContact")), QString::fromUtf8(c.contactAttendu));
        EXPECT_EQ(q.valeur(QStringLiteral("CltContactTel1")), QStringLiteral("01 02 03 04 05"));
        EXPECT_EQ(q.valeur(QStringLiteral("CltContactEmail")), QStringLiteral("a+b@exemple.fr"));
        EXPECT_EQ(q.valeur(QStringLiteral("CltSynchroWeb")), QStringLiteral("1"));
        EXPECT_EQ(q.valeur(QStringLiteral("CltContactTel2")), QStringLiteral("+33 6 07 08 09"));
        // The web id is the four-byte number of the record, in decimal.
        EXPECT_EQ(q.valeur(QStringLiteral("CltIdWeb")), QString::number(c.idWeb));
    }
}

// ---- Journal replay ----------------------------------------------------------------------------

TEST_F(ProductTest, ReplaySendsWhateverTheFlagAndKeepsWhatTheWebDidNotConfirm) {
    const int idMod = webProduit(QStringLiteral("MOD"), QStringLiteral("Ancien"));
    const int idSup = webProduit(QStringLiteral("SUP"), QStringLiteral("Parti"));
    produit(QStringLiteral("CRE"), QStringLiteral("Nouveau"), 'O', 'C', 0);
    produit(QStringLiteral("MOD"), QStringLiteral("Nouveau libellé"), 'O', 'M', idMod);
    // A product off the web still goes when its entry waits: the entry is what counts.
    produit(QStringLiteral("OFF"), QStringLiteral("Hors web"), 'N', 'M', 0);
    for (const char* c : {"CRE", "MOD", "OFF"}) entreeProduit(QString::fromLatin1(c), 'M', 0);
    entreeProduit(QStringLiteral("SUP"), 'S', idSup);
    entreeProduit(QStringLiteral("GONE"), 'C', 0);
    // The first answer of each kind confirms nothing.
    panne(Panne::ResultatFaux, "UpdateXML");
    panne(Panne::IdZero, "CreateXML");
    panne(Panne::ResultatFaux, "DeleteXML");
    envoisProduit();

    SynchroniserPub_02_Produit_02(0, 1, url, QStringLiteral("Produit"));

    EXPECT_EQ(clesJournalProduit(),
              (QStringList{"P0401CRE", "P0401MOD", "P0401SUP"}));  // OFF went; GONE had nothing to send
    EXPECT_EQ(lireProduit(QStringLiteral("CRE")).idWeb, 0);
    EXPECT_EQ(lireProduit(QStringLiteral("MOD")).etat, QStringLiteral("M"));
    const ProduitLocal off = lireProduit(QStringLiteral("OFF"));
    EXPECT_NE(off.idWeb, 0);
    EXPECT_EQ(off.etat, QStringLiteral("O"));
    EXPECT_EQ(off.flag, QStringLiteral("N"));

    envoisProduit();
    SynchroniserPub_02_Produit_02(0, 1, url, QStringLiteral("Produit"));
    EXPECT_TRUE(clesJournalProduit().isEmpty());
    EXPECT_EQ(double_.element(double_web::Produit, idMod)->champs.value(QStringLiteral("PdtLibelle")),
              QStringLiteral("Nouveau libellé"));
    EXPECT_FALSE(double_.element(double_web::Produit, idSup).has_value());
    EXPECT_NE(lireProduit(QStringLiteral("CRE")).idWeb, 0);
    // Only the product entries: the wrapper's "S" entries stay where they are.
    EXPECT_FALSE(clesJournal().filter(QStringLiteral("S0401")).isEmpty());
}

TEST_F(ProductTest, ReplayWithTheServiceDownLosesNothing) {
    const int id = webProduit(QStringLiteral("A"), QStringLiteral("A"));
    produit(QStringLiteral("A"), QStringLiteral("A modifié"), 'O', 'M', id);
    produit(QStringLiteral("B"), QStringLiteral("B"), 'O', 'C', 0);
    entreeProduit(QStringLiteral("A"), 'M', id);
    entreeProduit(QStringLiteral("B"), 'C', 0);
    panne(Panne::Refus, "", -1);

    SynchroniserPub_02_Produit(url);
    EXPECT_EQ(clesJournalProduit(), (QStringList{"P0401A", "P0401B"}));
    EXPECT_EQ(lireProduit(QStringLiteral("A")).etat, QStringLiteral("M"));

    double_.annulerPannes();
    SynchroniserPub_02_Produit(url);
    EXPECT_TRUE(clesJournalProduit().isEmpty());
    EXPECT_EQ(double_.element(double_web::Produit, id)->champs.value(QStringLiteral("PdtLibelle")),
              QStringLiteral("A modifié"));
    EXPECT_EQ(lireProduit(QStringLiteral("B")).etat, QStringLiteral("O"));
}

// ---- Imports -----------------------------------------------------------------------------------

TEST_F(ProductTest, ImportsTakeProductsOfNatureZeroAndKeepTheFlag) {
    // Existing product flagged off the web: the import keeps its flag.
    produit(QStringLiteral("EXIST"), QStringLiteral("Ancien"), 'N', 'O', 0, QStringLiteral("01010101"));
    const int idExist = webProduit(QStringLiteral("EXIST"), QStringLiteral("Modifié sur le web"), double_web::Modifie,
                                   QStringLiteral("0"), QStringLiteral("05010301"));
    const int idNouveau =
        webProduit(QString(), QStringLiteral("Créé sur le web, un libellé bien trop long pour le champ"),
                   double_web::Cree, QString(), QStringLiteral("01010102"));
    const int idAutreNature =
        webProduit(QString(), QStringLiteral("Autre nature"), double_web::Cree, QStringLiteral("1"));
    const int idNatureFractionnaire =
        webProduit(QString(), QStringLiteral("Presque zéro"), double_web::Cree, QStringLiteral("0.4"));
    const int idSansChamps = double_.ajouter(double_web::Produit, [] {
        double_web::Element e;
        e.idQD = QStringLiteral("NU");
        e.statut = double_web::Cree;
        e.champs[QStringLiteral("PdtInconnu")] = QStringLiteral("x");
        return e;
    }());
    const int idTropLong = webProduit(QStringLiteral("CODE_TROP_LONG"), QStringLiteral("T"), double_web::Cree);
    envoisProduit();

    SynchroniserPub_02_Produit_03(0, 1, url, QStringLiteral("Produit"));
    SynchroniserPub_02_Produit_04(0, 1, url, QStringLiteral("Produit"));

    const ProduitLocal exist = lireProduit(QStringLiteral("EXIST"));
    EXPECT_EQ(exist.libelle, QStringLiteral("Modifié sur le web"));
    EXPECT_EQ(exist.cc, QStringLiteral("05010301"));
    EXPECT_EQ(exist.flagCC, QStringLiteral("1"));
    EXPECT_EQ(exist.etat, QStringLiteral("O"));
    EXPECT_EQ(exist.flag, QStringLiteral("N"));
    EXPECT_EQ(exist.idWeb, idExist);

    const ProduitLocal nouveau = lireProduit(QStringLiteral("0000000001"));
    ASSERT_TRUE(nouveau.existe);
    EXPECT_EQ(nouveau.libelle, QStringLiteral("Créé sur le web, un libellé bi"));  // cut to its 30 characters
    EXPECT_EQ(nouveau.cc, QStringLiteral("01010102"));
    EXPECT_EQ(nouveau.flag, QStringLiteral("O"));
    EXPECT_EQ(nouveau.etat, QStringLiteral("O"));
    EXPECT_EQ(nouveau.idWeb, idNouveau);
    // The acknowledgement carries the code given to it.
    EXPECT_EQ(double_.element(double_web::Produit, idNouveau)->idQD, QStringLiteral("0000000001"));
    EXPECT_EQ(double_.element(double_web::Produit, idNouveau)->champs.value(QStringLiteral("PdtNomenclatureLib")),
              QStringLiteral("Pain de mie"));

    // Missing fields come in blank; the levels of a web product without a code are blank too.
    const ProduitLocal nu = lireProduit(QStringLiteral("NU"));
    EXPECT_TRUE(nu.existe);
    EXPECT_EQ(nu.libelle, QString());
    EXPECT_EQ(nu.cc, QString(8, QLatin1Char(' ')));
    EXPECT_EQ(nu.idWeb, idSansChamps);

    // Not taken: another nature, a code longer than the field.
    EXPECT_EQ(double_.element(double_web::Produit, idAutreNature)->statut, int(double_web::Cree));
    EXPECT_EQ(double_.element(double_web::Produit, idNatureFractionnaire)->statut, int(double_web::Cree));
    EXPECT_EQ(double_.element(double_web::Produit, idTropLong)->statut, int(double_web::Cree));
    EXPECT_FALSE(lireProduit(QStringLiteral("0000000002")).existe);
    EXPECT_EQ(lignesLog().filter(QStringLiteral("code too long")).size(), 1);
}

// ---- Audit -------------------------------------------------------------------------------------

TEST_F(ProductTest, AuditDuplicatesOrphansWithdrawalsAndDifferingLabels) {
    // Three copies of one code; the local product holds the last.
    const int a = webProduit(QStringLiteral("DBL"), QStringLiteral("Double"));
    const int b = webProduit(QStringLiteral("DBL"), QStringLiteral("Double"));
    const int c = webProduit(QStringLiteral("DBL"), QStringLiteral("Double"));
    produit(QStringLiteral("DBL"), QStringLiteral("Double"), 'O', 'O', c);
    const int orphelin = webProduit(QStringLiteral("ORPH"), QStringLiteral("Orphelin"));
    const int retire = webProduit(QStringLiteral("OFF"), QStringLiteral("Retiré"));
    produit(QStringLiteral("OFF"), QStringLiteral("Retiré"), 'N', 'O', retire);
    entreeProduit(QStringLiteral("OFF"), 'M', retire);
    const int diff = webProduit(QStringLiteral("DIFF"), QStringLiteral("pain complet"));
    produit(QStringLiteral("DIFF"), QStringLiteral("Pain complet"), 'O', 'O', diff);
    // The web holds what the queries sent for a blank label: no difference.
    const int vide = webProduit(QStringLiteral("VIDE"), QStringLiteral("Produit: VIDE"));
    produit(QStringLiteral("VIDE"), QString(), 'O', 'O', vide);
    envoisProduit();

    SynchroniserPub_02_Produit_06(0, 1, url, QStringLiteral("Produit"));

    QStringList e = envoisProduit();
    EXPECT_EQ(e.filter(QStringLiteral("DeleteXML")).size(), 3);
    EXPECT_TRUE(e.contains(QStringLiteral("DeleteXML:") + QString::number(b)));
    EXPECT_TRUE(e.contains(QStringLiteral("DeleteXML:") + QString::number(orphelin)));
    EXPECT_TRUE(e.contains(QStringLiteral("DeleteXML:") + QString::number(retire)));
    EXPECT_TRUE(double_.element(double_web::Produit, a).has_value());  // only ever compared with b
    EXPECT_EQ(e.filter(QStringLiteral("UpdateXML")), QStringList{QStringLiteral("UpdateXML:") + QString::number(diff)});
    EXPECT_EQ(double_.element(double_web::Produit, diff)->champs.value(QStringLiteral("PdtLibelle")),
              QStringLiteral("Pain complet"));
    const ProduitLocal off = lireProduit(QStringLiteral("OFF"));
    EXPECT_EQ(off.idWeb, 0);
    EXPECT_EQ(off.flag, QStringLiteral("N"));
    EXPECT_TRUE(clesJournalProduit().isEmpty());
}

// ---- Whole runs --------------------------------------------------------------------------------

TEST_F(ProductTest, TheDispatcherReachesTheProductDriver) {
    InstallerPilotesPublicite();
    produit(QStringLiteral("A"), QStringLiteral("Pain"), 'O', 'C', 0);

    EXPECT_TRUE(SynchroniserPub_00(2));

    EXPECT_EQ(envoisProduit(), QStringList{QStringLiteral("CreateXML:A")});
    EXPECT_EQ(lireProduit(QStringLiteral("A")).etat, QStringLiteral("O"));
}

// ---- The "Produit" entry of the "Synchroniser" > "Publicité" menu ------------------------------

TEST_F(ProductTest, ProductMenuSynchronisesAgainstTheDouble) {
    auto w = std::make_unique<Frm_Main>();
    const ParametresWeb parametres{url, double_.options().utilisateur, double_.options().motDePasse};
    SetSourceParametresWeb([parametres] { return parametres; });
    produit(QStringLiteral("A"), QStringLiteral("Pain + beurre"), 'O', 'C', 0, QStringLiteral("01010102"));
    const int idCree = webProduit(QString(), QStringLiteral("Du web"), double_web::Cree);
    envoisProduit();

    w->MnuSynchroniserPub[3]->trigger();

    const ProduitLocal a = lireProduit(QStringLiteral("A"));
    EXPECT_EQ(a.etat, QStringLiteral("O"));
    ASSERT_TRUE(double_.element(double_web::Produit, a.idWeb).has_value());
    EXPECT_EQ(double_.element(double_web::Produit, a.idWeb)->champs.value(QStringLiteral("PdtLibelle")),
              QStringLiteral("Pain + beurre"));
    EXPECT_EQ(lireProduit(QStringLiteral("0000000001")).idWeb, idCree);
    EXPECT_EQ(w->SftTabsMain->currentIndex(), int(Onglet::Publicite));
    EXPECT_EQ(w->SftTabsPublicite->currentIndex(), 2);
    EXPECT_TRUE(TestDialogs().shown.empty());
    EXPECT_FALSE(ActiviteEnCours());
    EXPECT_FALSE(FrmMsgChargee());

    w.reset();
    ReinitialiserRequetesWeb();
    DechargerFrmMainBis();
}

}  // namespace
