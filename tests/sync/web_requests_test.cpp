// Addresses and answer files, the web list fetch against the double (lists, failures, refusals),
// and the credentials that go with every request.
#include "foundation/activity.h"
#include "foundation/log_lists.h"
#include "platform/app_error.h"
#include "sync/list_readers.h"
#include "web_fixture.h"

#include <QTimer>

using namespace double_web;

namespace {

TEST(WebAddresses, AddressAndAnswerFileOfEveryEntityAndOperation) {
    DossierApplication = QStringLiteral("/prog/");
    struct Cas {
        const char* url;
        QString entite;
        QString op;
        const char* requete;
        const char* adresse;
        const char* fichier;
    };
    const Cas cas[] = {
        {"http://h/ws", EntiteWeb::Client, OperationWeb::GetBySynchroWeb, "?_synchroWeb=2",
         "http://h/ws/Client/GetBySynchroWeb?_synchroWeb=2", "Client_GetBySynchroWeb.xml"},
        {"http://h/ws/", EntiteWeb::Produit, OperationWeb::GetByIdWeb, "?PdtIdWeb=7",
         "http://h/ws/Produit/GetByIdWeb?PdtIdWeb=7", "Produit_GetByIdWeb.xml"},
        {"http://h/ws/", EntiteWeb::Secteur, OperationWeb::CreateXML, "?SecIdQD=A",
         "http://h/ws/SecteurActivite/CreateXML?SecIdQD=A", "SecteurActivite_CreateXML.xml"},
        {"http://h/ws/", EntiteWeb::Commercial, OperationWeb::UpdateXML, "?CmlIdQD=B",
         "http://h/ws/Commercial/UpdateXML?CmlIdQD=B", "Commercial_UpdateXML.xml"},
        {"http://h/ws/", EntiteWeb::Template, OperationWeb::DeleteXML, "?TmpIdWeb=3",
         "http://h/ws/Template/DeleteXML?TmpIdWeb=3", "Template_DeleteXML.xml"},
        {"http://h/ws/", EntiteWeb::Template, OperationWeb::EmptyXML, "?TmpIdWeb=3",
         "http://h/ws/Template/EmptyXML?TmpIdWeb=3", "Template_EmptyXML.xml"},
        {"http://h/ws/", EntiteWeb::Template, OperationWeb::CreateDetailXML, "?TmpIdWeb=3&TmpDetail=x",
         "http://h/ws/Template/CreateDetailXML?TmpIdWeb=3&TmpDetail=x", "Template_CreateDetailXML.xml"},
        {"http://h/ws/", EntiteWeb::TauxRemplissage, OperationWeb::UpdateXML, "?TrpDate=2026-01-01",
         "http://h/ws/TauxRemplissage/UpdateXML?TrpDate=2026-01-01", "TauxRemplissage_UpdateXML.xml"},
        {"http://h/ws/", EntiteWeb::GrillePosition, OperationWeb::UpdateXML, "?position=1",
         "http://h/ws/GrillePosition/UpdateXML?position=1", "GrillePosition_UpdateXML.xml"},
        {"", QString(), OperationWeb::GetBySynchroWeb, "?_synchroWeb=1", "GetBySynchroWeb?_synchroWeb=1",
         "_GetBySynchroWeb.xml"},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.adresse);
        EXPECT_EQ(AdresseRequeteWeb(QString::fromLatin1(c.url), c.entite, c.op, QString::fromLatin1(c.requete)),
                  QString::fromLatin1(c.adresse));
        EXPECT_EQ(FichierReponseWeb(c.entite, c.op),
                  QStringLiteral("/prog/Local/QD3_Tools_Kirvo/") + QString::fromLatin1(c.fichier));
    }
    const char* noms[] = {"", "Client", "Produit", "SecteurActivite", "Commercial", "Template", ""};
    for (int k = 0; k <= 6; ++k) EXPECT_EQ(NomEntiteOnglet(k), QString::fromLatin1(noms[k]));
}

class WebSearchTest : public WebTest {
protected:
    void SetUp() override {
        WebTest::SetUp();
        LiensRechercheWeb l;
        l.statutWeb = [this] { return statut; };
        l.setStatutWeb = [this](int s) { statut = s; };
        l.activerBoutons = [this](bool a) { boutons.push_back(a); };
        SetLiensRechercheWeb(l);
    }
    int statut = StatutWeb::Cree;
    std::vector<bool> boutons;
};

TEST_F(WebSearchTest, EachTabFetchesItsEntityOfTheChosenStatusIntoItsGrid) {
    struct Cas {
        int onglet;
        QString entite;
        int statut;
        int lignes;
    };
    const Cas cas[] = {{1, Client, Cree, 2},      {1, Client, Modifie, 1},  {2, Produit, Synchronise, 3},
                       {3, Secteur, Supprime, 1}, {4, Commercial, Cree, 1}, {5, Template, Modifie, 1}};
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.entite.toStdString() + " " + std::to_string(c.statut));
        web.effacerRequetes();
        boutons.clear();
        statut = c.statut;
        EXPECT_TRUE(RechercherSurLeWeb(1, int16_t(c.onglet)));
        const auto r = web.requetes();
        ASSERT_EQ(r.size(), 1u);
        EXPECT_EQ(r[0].entite, c.entite);
        EXPECT_EQ(r[0].operation, QStringLiteral("GetBySynchroWeb"));
        EXPECT_EQ(r[0].requeteBrute, QByteArray("_synchroWeb=") + QByteArray::number(c.statut));
        EXPECT_EQ(r[0].utilisateur, QStringLiteral("kirvo"));
        EXPECT_EQ(int(lignes(c.onglet).size()), c.lignes);
        EXPECT_TRUE(QFileInfo::exists(FichierReponseWeb(c.entite, OperationWeb::GetBySynchroWeb)));
        EXPECT_EQ(boutons, (std::vector<bool>{false, true}));
        EXPECT_FALSE(RechercheEnCours);
    }
    statut = Cree;
    RechercherSurLeWeb(1, 1);
    const auto rows = lignes(1);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][1], QStringLiteral("102"));
    EXPECT_EQ(rows[0][2], QStringLiteral("Garage du Port & Fils"));
    EXPECT_EQ(rows[0][11], QStringLiteral("C"));
    EXPECT_EQ(rows[0][12], QStringLiteral("Créé"));
    EXPECT_EQ(rows[1][2], QStringLiteral("Café de la Gare"));
    EXPECT_TRUE(boites().isEmpty());
}

TEST_F(WebSearchTest, FailedFetchReportsOnceEmptiesTheGridAndLeavesNoAnswerFile) {
    struct Cas {
        const char* nom;
        std::function<void(WebDouble&, ParametresWeb&)> preparer;
        bool echecHttp;     // the log line and "Adresse Web non accessible: " (or this box's text)
        const char* boite;  // else: this box (nullptr: none)
        // The log line of a service that answered with an error status or refused the credentials
        // (nullptr: the line of a request without answer).
        const char* ligneStatut = nullptr;
    };
    const Cas cas[] = {
        {"refused", [](WebDouble& w, ParametresWeb&) { w.programmerPanne({Panne::Refus}); }, true, nullptr},
        {"500 with HTML", [](WebDouble& w, ParametresWeb&) { w.programmerPanne({Panne::Http500Html}); }, true,
         "Le service Web a répondu par une erreur (HTTP 500), la liste n'est pas affichée: ",
         "Err: Lib_Kirvo:RechercherSurLeWeb: Client/GetBySynchroWeb answered HTTP/1.1 500 Internal Server Error: "
         "?_synchroWeb=2"},
        {"connection dropped", [](WebDouble& w, ParametresWeb&) { w.programmerPanne({Panne::Coupure}); }, true,
         nullptr},
        {"time-out",
         [](WebDouble& w, ParametresWeb&) {
             ClientWeb().DelaiMaxMs = 300;
             PanneProgrammee p{Panne::Delai};
             p.delaiMs = 5000;
             w.programmerPanne(p);
         },
         true, nullptr},
        // Refused credentials are an answer, and the log says so.
        {"wrong password", [](WebDouble&, ParametresWeb& p) { p.motDePasse = QStringLiteral("x"); }, true,
         "Identification refusée par le service Web, vérifiez User et Password des options: ",
         "Err: Lib_Kirvo:RechercherSurLeWeb: Client/GetBySynchroWeb answered HTTP/1.1 401 Unauthorized (credentials "
         "refused): ?_synchroWeb=2"},
        {"200 XHTML page", [](WebDouble& w, ParametresWeb&) { w.programmerPanne({Panne::Xhtml200}); }, false, nullptr},
        {"empty body", [](WebDouble& w, ParametresWeb&) { w.programmerPanne({Panne::CorpsVide}); }, false, nullptr},
        {"error code 500",
         [](WebDouble& w, ParametresWeb&) {
             PanneProgrammee p{Panne::CodeErreur};
             p.code = 500;
             w.programmerPanne(p);
         },
         false, "Aucunes données dans la basse sur le Net"},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.nom);
        statut = Cree;
        ASSERT_TRUE(RechercherSurLeWeb(1, 1));
        ASSERT_EQ(lignes(1).size(), 2u);
        TestDialogs().shown.clear();
        Listes().ListeLogTemp.clear();
        boutons.clear();
        c.preparer(web, parametres);
        EXPECT_FALSE(RechercherSurLeWeb(1, 1));
        EXPECT_TRUE(lignes(1).empty());
        EXPECT_EQ(boutons, (std::vector<bool>{false, true}));
        EXPECT_FALSE(RechercheEnCours);
        const QStringList log = lignesLog();
        if (c.echecHttp) {
            EXPECT_FALSE(QFileInfo::exists(FichierReponseWeb(Client, OperationWeb::GetBySynchroWeb)));
            const QString boite = c.boite ? QString::fromUtf8(c.boite) : QStringLiteral("Adresse Web non accessible: ");
            EXPECT_EQ(boites(), QStringList{boite + web.adresseBase()});
            ASSERT_EQ(log.size(), 1) << log.join('\n').toStdString();
            if (c.ligneStatut) {
                EXPECT_TRUE(log[0].endsWith(QString::fromUtf8(c.ligneStatut))) << log[0].toStdString();
            } else {
                EXPECT_TRUE(log[0].contains(QStringLiteral("Err: -2147418113 (")));
                EXPECT_TRUE(log[0].endsWith(QStringLiteral(")  Source:Lib_Kirvo:RechercherSurLeWeb:40")));
            }
        } else {
            EXPECT_TRUE(log.isEmpty()) << log.join('\n').toStdString();
            EXPECT_EQ(boites(), c.boite ? QStringList{QString::fromUtf8(c.boite)} : QStringList());
        }
        web.annulerPannes();
        ClientWeb().DelaiMaxMs = 3000;
        parametres.motDePasse = QStringLiteral("secret");
    }
}

TEST_F(WebSearchTest, RefusedWhileBusyAndSilentWithoutAList) {
    RechercherSurLeWeb(1, 1);
    web.effacerRequetes();
    RechercheEnCours = true;
    EXPECT_FALSE(RechercherSurLeWeb(1, 2));
    EXPECT_EQ(boites(), QStringList{QStringLiteral("Recherche en cours, veuillez patienter.")});
    EXPECT_EQ(TestDialogs().shown[0].style, Mb::OKOnly | Mb::Question);
    EXPECT_TRUE(RechercheEnCours);
    RechercheEnCours = false;

    TestDialogs().shown.clear();
    SynchroEnCours[1] = true;
    EXPECT_FALSE(RechercherSurLeWeb(1, 1));
    EXPECT_EQ(boites(), QStringList{MessageActiviteEnCours()});
    EXPECT_TRUE(lignes(1).empty());
    // The synchronisation's own fetch runs.
    EXPECT_TRUE(RechercherListeWeb(1, Modifie));
    EXPECT_EQ(statut, int(Modifie));
    EXPECT_EQ(lignes(1).size(), 1u);
    SynchroEnCours[1] = false;
    EXPECT_EQ(web.nombreRequetes(), 1);

    web.effacerRequetes();
    boutons.clear();
    for (auto [mode, onglet] : {std::pair{0, 1}, std::pair{1, 0}, std::pair{1, 6}, std::pair{2, 1}}) {
        EXPECT_FALSE(RechercherSurLeWeb(int16_t(mode), int16_t(onglet)));
    }
    EXPECT_EQ(web.nombreRequetes(), 0);
    EXPECT_EQ(boutons.size(), 8u);
    EXPECT_FALSE(RechercheEnCours);
}

// The program closes while the fetch waits for its answer and takes the HTTP client with it (as
// the hidden window's unload does): the fetch ends failed, puts no box to the closing program,
// and leaves its flag and grid clear.
TEST_F(WebSearchTest, ProgramClosingDuringTheFetchEndsItWithoutABox) {
    auto* c = new ClientHttp;
    c->DelaiMaxMs = 3000;
    InstallerClientWeb(c);
    PanneProgrammee lent{Panne::Delai};
    lent.delaiMs = 1500;
    web.programmerPanne(lent);
    QTimer::singleShot(100, [c] {
        bFermetureEnCours = true;
        InstallerClientWeb(nullptr);
        delete c;
    });
    EXPECT_FALSE(RechercherSurLeWeb(1, 1));
    EXPECT_TRUE(boites().isEmpty()) << boites().join('\n').toStdString();
    EXPECT_FALSE(RechercheEnCours);
    EXPECT_TRUE(lignes(1).empty());
    EXPECT_FALSE(QFileInfo::exists(FichierReponseWeb(Client, OperationWeb::GetBySynchroWeb)));
}

TEST_F(WebTest, CredentialsOfTheOptionsGoWithEveryRequestAsTheyStandNow) {
    // No list fetch before: the request still carries them.
    EXPECT_TRUE(EchangeWeb(parametres.adresse, Client, OperationWeb::GetByIdWeb, QStringLiteral("?CltIdWeb=101"),
                           QStringLiteral("Lib_Kirvo:SynchroniserPub_01_Client_01")));
    parametres.utilisateur = QStringLiteral("autre");
    web.setIdentifiants(QStringLiteral("autre"), QStringLiteral("secret"));
    EXPECT_TRUE(EchangeWeb(parametres.adresse, Client, OperationWeb::GetByIdWeb, QStringLiteral("?CltIdWeb=101"),
                           QStringLiteral("Lib_Kirvo:SynchroniserPub_01_Client_01")));
    const auto r = web.requetes();
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0].utilisateur, QStringLiteral("kirvo"));
    EXPECT_EQ(r[1].utilisateur, QStringLiteral("autre"));
}

// A request the service answered with an error status is told apart from one that got no answer:
// its line names the status and the request; neither leaves an answer file or shows a box.
TEST_F(WebTest, FailedExchangeIsLoggedOnceWithItsStepAndLeavesNoAnswer) {
    const struct {
        const char* nom;
        std::function<void()> preparer;
        int statut;         // StatutErreurService afterwards
        const char* ligne;  // the end of the one log line
    } cas[] = {
        {"500", [&] { web.programmerPanne({Panne::Http500Html}); }, 500,
         "Err: Lib_Kirvo:SynchroniserPub_01_Client_01: Client/CreateXML answered HTTP/1.1 500 Internal Server Error: "
         "?CltIdQD=X"},
        {"refused", [&] { web.programmerPanne({Panne::Refus}); }, 0,
         ")  Source:Lib_Kirvo:SynchroniserPub_01_Client_01:0"},
        {"credentials refused", [&] { parametres.motDePasse = QStringLiteral("faux"); }, 0,
         "Err: Lib_Kirvo:SynchroniserPub_01_Client_01: Client/CreateXML answered HTTP/1.1 401 Unauthorized "
         "(credentials refused): ?CltIdQD=X"},
    };
    const QString fichier = FichierReponseWeb(Client, OperationWeb::CreateXML);
    for (const auto& c : cas) {
        SCOPED_TRACE(c.nom);
        Listes().ListeLogTemp.clear();
        EcrireFichierTest(fichier, "<Reponse><Code>0</Code><Result>True</Result><Id>77</Id></Reponse>");
        c.preparer();
        EXPECT_FALSE(EchangeWeb(parametres.adresse, Client, OperationWeb::CreateXML, QStringLiteral("?CltIdQD=X"),
                                QStringLiteral("Lib_Kirvo:SynchroniserPub_01_Client_01")));
        EXPECT_EQ(StatutErreurService(), c.statut);
        EXPECT_EQ(IdentificationRefusee(), QByteArray(c.nom) == "credentials refused");
        EXPECT_FALSE(QFileInfo::exists(fichier));
        const QStringList log = lignesLog();
        ASSERT_EQ(log.size(), 1) << log.join('\n').toStdString();
        EXPECT_TRUE(log[0].endsWith(QString::fromUtf8(c.ligne))) << log[0].toStdString();
        EXPECT_TRUE(boites().isEmpty());
        web.annulerPannes();
        parametres.motDePasse = QStringLiteral("secret");
    }
}

}  // namespace
