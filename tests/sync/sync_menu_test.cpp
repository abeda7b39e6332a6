// The "Synchroniser" menu driven offscreen, and the dispatcher's order of drivers.
#include "sync_fixture.h"

#include "foundation/activity.h"
#include "foundation/globals.h"
#include "foundation/shell_link.h"
#include "database/btrieve.h"
#include "platform/record_manager.h"
#include "shell/hidden_host.h"
#include "shell/main_window.h"
#include "shell/sync_commands.h"
#include "support/scripted_dialogs.h"
#include "sync/dispatcher.h"
#include "sync/sync_engine.h"
#include "sync/web_requests.h"

#include <QAction>
#include <QTabWidget>
#include <QTimer>
#include <memory>
#include <tuple>

using double_web::Panne;
using double_web::PanneProgrammee;

namespace {

// ---- Dispatcher: which drivers run, in which order, with which address -------------------------

class Dispatcher : public KirvoTest {
protected:
    void SetUp() override {
        KirvoTest::SetUp();
        for (int n = 0; n < NbPilotesPublicite; ++n)
            PilotesPublicite()[size_t(n)] = [this, n](const QString& url) {
                lances << QString::number(n) + QLatin1Char('@') + url;
                EXPECT_TRUE(SynchroEnCours[1]);
            };
        SetSourceParametresWeb([] { return ParametresWeb{QStringLiteral("http://h/ws"), {}, {}}; });
    }
    void TearDown() override {
        ReinitialiserRequetesWeb();
        KirvoTest::TearDown();
    }
    QStringList lances;
};

TEST_F(Dispatcher, OneDriverOrAllAsAsked) {
    struct Cas {
        std::function<bool()> appel;
        const char* attendu;
    } cas[] = {
        {[] { return SynchroniserPub_00(-1); }, "0,1,2,3,4,5"},
        {[] { return SynchroniserPub_00(3); }, "3"},
        {[] { return SynchroniserPub_00(6); }, ""},
        {[] { return SynchroniserPub_00(-2); }, ""},
        {[] { return Synchroniser(true, false); }, ""},
        {[] { return Synchroniser(false, true); }, "0,1,2,3,4,5"},
        {[] { return SynchroniserPubDirect(-1); }, "0,1,2,3,4,5,6"},
        {[] { return SynchroniserPubDirect(6); }, "6"},
    };
    for (const Cas& c : cas) {
        lances.clear();
        EXPECT_TRUE(c.appel());
        QStringList attendu = QString::fromLatin1(c.attendu).split(QLatin1Char(','), Qt::SkipEmptyParts);
        for (QString& a : attendu) a += QStringLiteral("@http://h/ws/");
        EXPECT_EQ(lances, attendu) << c.attendu;
        EXPECT_FALSE(SynchroEnCours[0] || SynchroEnCours[1]);
    }
}

// "Tout" holds the wait window from its first family to its last: a family that closes its own
// does not leave the next ones, nor the moments between them, without it.
TEST_F(Dispatcher, AllKeepsTheWaitWindowUntilTheEnd) {
    QStringList vus;
    for (int n = 0; n < NbPilotesPublicite; ++n)
        PilotesPublicite()[size_t(n)] = [&vus, n](const QString&) {
            vus << QString::number(n) + (FrmMsgChargee() ? QStringLiteral(" ouverte ") : QStringLiteral(" fermée ")) +
                       LabelMsgInit();
            AfficherFrmMsg(true, QStringLiteral("Pilote"));
            LabelMsgInit(QStringLiteral("Famille %1").arg(n));
            AfficherFrmMsg(false, QStringLiteral("Pilote"));
        };
    EXPECT_TRUE(SynchroniserPubDirect(-1));
    EXPECT_EQ(vus, QStringList({"0 ouverte Synchronisation", "1 ouverte Synchronisation", "2 ouverte Synchronisation",
                                "3 ouverte Synchronisation", "4 ouverte Synchronisation", "5 ouverte Synchronisation",
                                "6 ouverte Synchronisation"}));
    EXPECT_FALSE(FrmMsgChargee());

    // One family alone opens and closes it itself.
    vus.clear();
    EXPECT_TRUE(SynchroniserPubDirect(2));
    EXPECT_EQ(vus, QStringList({"2 fermée Synchronisation"}));
    EXPECT_FALSE(FrmMsgChargee());
}

TEST_F(Dispatcher, RefusesWhileAnActivityRuns) {
    for (bool* drapeau : {&RechercheEnCours, &SynchroEnCours[0], &SynchroEnCours[1]}) {
        *drapeau = true;
        EXPECT_FALSE(SynchroniserPub_00(-1));
        EXPECT_FALSE(SynchroniserPubDirect(1));
        EXPECT_FALSE(Synchroniser(true, true));
        EXPECT_TRUE(*drapeau);
        *drapeau = false;
    }
    EXPECT_TRUE(lances.isEmpty());
}

TEST_F(Dispatcher, ADriverWithoutStepsShowsItsTabAndItsLabel) {
    ReinitialiserDispatcher();
    int onglet = -1;
    QStringList libelles;
    LiensSynchronisation().afficherOnglet = [&](int o) {
        onglet = o;
        libelles << LabelMsgInit();
    };
    SynchroniserPub_00(0);
    EXPECT_EQ(onglet, 0);
    EXPECT_EQ(LabelMsgInit(), QStringLiteral("Campagne"));
    EXPECT_FALSE(FrmMsgChargee());
}

// ---- The menu of the main window against the double --------------------------------------------

class SyncMenu : public SyncTest {
protected:
    void SetUp() override {
        SyncTest::SetUp();
        fenetre = std::make_unique<FenetreDeTest>(url, double_);
        w = fenetre->get();
    }
    void TearDown() override {
        fenetre.reset();
        SyncTest::TearDown();
    }
    QStringList boites() const {
        QStringList r;
        for (const BoiteAffichee& b : TestDialogs().shown) r << b.prompt;
        return r;
    }
    // The next creation on the web answers that late.
    void creationLente(int delaiMs) {
        PanneProgrammee p;
        p.type = Panne::Delai;
        p.delaiMs = delaiMs;
        p.operation = QStringLiteral("CreateXML");
        double_.programmerPanne(p);
    }
    // The check run with one client to create, then with five: with one, the first list fetch meets
    // the service's fault; with five, the local pass does.
    void avecUnPuisCinqClients(const std::function<void()>& essai) {
        int deja = 0;
        for (const int nb : {1, 5}) {
            SCOPED_TRACE(nb);
            for (int i = deja + 1; i <= nb; ++i, ++deja)
                client(QStringLiteral("C%1").arg(i), QStringLiteral("Client %1").arg(i), 'O', 'C', 0);
            TestDialogs().shown.clear();
            essai();
        }
    }
    std::unique_ptr<FenetreDeTest> fenetre;
    Frm_Main* w = nullptr;
};

TEST_F(SyncMenu, ClientSynchronisesAndRefusesASecondCommandDuringTheFirst) {
    client(QStringLiteral("C1"), QStringLiteral("Premier"), 'O', 'C', 0);
    // The creation answers late: the commands below arrive while the run waits for it.
    creationLente(400);
    bool vuEnCours = false;
    QTimer::singleShot(100, [&] {
        vuEnCours = SynchroEnCours[1];
        w->MnuSynchroniserMusPub->trigger();
        w->MnuSynchroniserPub[2]->trigger();
        w->MnuSynchroniserPub[0]->trigger();
    });

    w->MnuSynchroniserPub[2]->trigger();

    EXPECT_TRUE(vuEnCours);
    EXPECT_EQ(boites(), QStringList(3, QStringLiteral("Synchronisation en cours, veuillez patienter.")));
    EXPECT_EQ(envois(), QStringList{QStringLiteral("CreateXML:C1")});
    EXPECT_EQ(lire(QStringLiteral("C1")).etat, QStringLiteral("O"));
    EXPECT_EQ(w->SftTabsMain->currentIndex(), int(Onglet::Publicite));
    EXPECT_EQ(w->SftTabsPublicite->currentIndex(), 1);
    EXPECT_FALSE(ActiviteEnCours());
}

// The family's list fetch opens and closes the wait window inside the family's run: the records
// the run writes after the fetch are written with the window still up, and it goes with the run.
TEST_F(SyncMenu, TheWaitWindowStaysOpenAfterTheListIsFetched) {
    client(QStringLiteral("C1"), QStringLiteral("Premier"), 'O', 'C', 0);
    double_.creerSurLeWeb(double_web::Client, {{QStringLiteral("CltNom"), QStringLiteral("Créé sur le web")}});
    QList<bool> ouverteAChaqueEcriture;
    SetBtrCallHook([&](uint16_t op, void* pos, void* data, uint32_t* lng, void* cle, uint16_t lc, int16_t kn) {
        if (op == BtrOp::Insert || op == BtrOp::Update) ouverteAChaqueEcriture << FrmMsgChargee();
        return BTRCALL(op, pos, data, lng, cle, lc, kn);
    });
    w->MnuSynchroniserPub[2]->trigger();
    SetBtrCallHook({});

    EXPECT_GT(double_.nombreRequetes(), 1);
    EXPECT_GE(ouverteAChaqueEcriture.size(), 2);
    EXPECT_FALSE(ouverteAChaqueEcriture.contains(false)) << ouverteAChaqueEcriture.size();
    EXPECT_FALSE(FrmMsgChargee());
    EXPECT_TRUE(boites().isEmpty()) << boites().join(QLatin1Char('\n')).toStdString();
}

TEST_F(SyncMenu, AllEndsWithItsMessageAndDoesNotStartTheFill) {
    client(QStringLiteral("C1"), QStringLiteral("Premier"), 'O', 'C', 0);
    bool remplissage = false;
    PilotesPublicite()[6] = [&](const QString&) { remplissage = true; };

    w->MnuSynchroniserMusPub->trigger();

    EXPECT_EQ(boites(), QStringList{QStringLiteral("Synchronisation terminée.")});
    EXPECT_FALSE(remplissage);
    EXPECT_NE(lire(QStringLiteral("C1")).idWeb, 0);

    // "Publicité" > "Tout" runs the upload last and says nothing.
    TestDialogs().shown.clear();
    w->MnuSynchroniserPub[0]->trigger();
    EXPECT_TRUE(remplissage);
    EXPECT_TRUE(boites().isEmpty());
}

TEST_F(SyncMenu, AnUnreachableServiceIsReportedOnceAndTheRestWaits) {
    client(QStringLiteral("C1"), QStringLiteral("Premier"), 'O', 'C', 0);
    client(QStringLiteral("C2"), QStringLiteral("Second"), 'O', 'C', 0);
    PanneProgrammee p;
    p.type = Panne::Refus;
    p.fois = -1;
    double_.programmerPanne(p);

    w->MnuSynchroniserPub[2]->trigger();

    // The local pass logs its failed creations; the first list fetch shows the one box, and the
    // remaining steps are left out instead of showing it again.
    EXPECT_EQ(boites().filter(QStringLiteral("Adresse Web non accessible")).size(), 1);
    EXPECT_EQ(lire(QStringLiteral("C1")).idWeb, 0);
    EXPECT_FALSE(ActiviteEnCours());

    // The service is back: the next run does the work.
    double_.annulerPannes();
    TestDialogs().shown.clear();
    w->MnuSynchroniserPub[2]->trigger();
    EXPECT_TRUE(boites().isEmpty());
    EXPECT_NE(lire(QStringLiteral("C1")).idWeb, 0);
    EXPECT_NE(lire(QStringLiteral("C2")).idWeb, 0);
}

// Enough clients for the local pass itself to find the service gone: the run ends there, and the
// user is told once, with no closing "terminée" that would read as if the work had been done.
TEST_F(SyncMenu, AServiceUnreachableFromTheLocalPassOnIsReportedOnce) {
    PanneProgrammee p;
    p.type = Panne::Refus;
    p.fois = -1;
    double_.programmerPanne(p);
    avecUnPuisCinqClients([&] {
        w->MnuSynchroniserMusPub->trigger();

        EXPECT_EQ(boites(), QStringList{QStringLiteral("Adresse Web non accessible: ") + url});
        EXPECT_EQ(lire(QStringLiteral("C1")).idWeb, 0);
        EXPECT_FALSE(ActiviteEnCours());
    });
}

// A service that refuses the options' credentials is reachable: the one box says what to check.
TEST_F(SyncMenu, RefusedCredentialsAreReportedAsSuch) {
    SetSourceParametresWeb([this] {
        return ParametresWeb{url, double_.options().utilisateur, QStringLiteral("faux")};
    });
    avecUnPuisCinqClients([&] {
        w->MnuSynchroniserPub[2]->trigger();

        EXPECT_EQ(boites(), QStringList{QStringLiteral("Identification refusée par le service Web, vérifiez User et "
                                                       "Password des options: ") +
                                        url});
        EXPECT_EQ(lire(QStringLiteral("C1")).idWeb, 0);
    });
}

// ---- Each fault of the service, met with two changed clients in the journal ---------------------
// Through "Tout" and through the single entry "Publicité" > "Client" alike. A service out of reach,
// or one that refuses the credentials, ends the run with the one box that says so and starts no
// further family; a service that answers fails, refuses or loses that request only: both changes
// are sent, the audit sends again the copy the web did not take, what the web never confirmed stays
// in the journal for the next run, and the closing box names each kind of failure with its count.

#define ERREURS(x)                                   \
    "Synchronisation terminée avec des erreurs : " x \
    ". "                                             \
    "Ce qui n'a pas été fait sera repris à la prochaine synchronisation."

struct CasPanneRun {
    const char* nom;
    Panne panne;
    int code;                     // CodeErreur's
    int fois;                     // requests concerned (-1: every one)
    int apres;                    // client requests let through first
    const char* cible;            // nullptr: any request; kSurA: the updates of client A; else a client operation
    const char* boite;            // the run's last box, or its start; nullptr: the run's plain end
    int boitesAvant;              // error answers shown by their reader before it
    const char* bilan;            // in the client's summary line
    const char* misesAJour;       // the updates sent, by client (nullptr: not checked)
    bool aEnAttente, bEnAttente;  // A's and B's changes still in the journal
};

const char* const kSurA = "A";
const char* const kInjoignable = "Adresse Web non accessible: ";
const char* const kIdentification =
    "Identification refusée par le service Web, vérifiez User et Password des options: ";
const char* const kArretInjoignable = "refused: 0; without answer: 5, stopped: web service unreachable";
const char* const kArretIdentification =
    "without answer: 0; credentials refused: 1, stopped: credentials refused by the web service (HTTP 401)";
const CasPanneRun kCasPanneRun[] = {
    {"connection_refused", Panne::Refus, 0, -1, 0, nullptr, kInjoignable, 0, kArretInjoignable, nullptr, true, true},
    {"connection_dropped", Panne::Coupure, 0, -1, 0, nullptr, kInjoignable, 0, kArretInjoignable, nullptr, true, true},
    {"timeout", Panne::Delai, 0, -1, 0, nullptr, kInjoignable, 0, kArretInjoignable, nullptr, true, true},
    {"http_401", Panne::Http401, 0, -1, 0, nullptr, kIdentification, 0, kArretIdentification, "", true, true},
    // The password changed on the service once the run had looked its two clients up.
    {"http_401_mid_run", Panne::Http401, 0, -1, 2, nullptr, kIdentification, 0, kArretIdentification, "A", true, true},
    {"http_500_once", Panne::Http500Html, 0, 1, 0, kSurA,
     ERREURS("le service Web a répondu par des erreurs (HTTP 500) à 1 requête(s)"), 0,
     "refused: 0; without answer: 0; error status: 1 (HTTP 500)", "A B A", false, false},
    {"http_500_on_every_send_of_A", Panne::Http500Html, 0, -1, 0, kSurA,
     ERREURS("le service Web a répondu par des erreurs (HTTP 500) à 2 requête(s)"), 0,
     "refused: 0; without answer: 0; error status: 2 (HTTP 500)", "A B A", true, false},
    {"http_500_always", Panne::Http500Html, 0, -1, 0, nullptr,
     "Synchronisation terminée avec des erreurs : le service Web a répondu par des erreurs (HTTP 500) à ", 0,
     "refused: 0; without answer: 0; error status: ", "A B", true, true},
    {"result_false_once", Panne::ResultatFaux, 0, 1, 0, kSurA, ERREURS("le service Web a refusé 1 requête(s)"), 0,
     "refused: 1; without answer: 0", "A B A", false, false},
    {"result_false_for_A", Panne::ResultatFaux, 0, -1, 0, kSurA, ERREURS("le service Web a refusé 2 requête(s)"), 0,
     "refused: 2; without answer: 0", "A B A", true, false},
    {"error_code_for_A", Panne::CodeErreur, 1001, -1, 0, kSurA, ERREURS("le service Web a refusé 2 requête(s)"), 2,
     "refused: 2; without answer: 0", "A B A", true, false},
    // The web took the change, the program never heard it: the copies agree, and the entry waits.
    {"no_answer_once", Panne::Coupure, 0, 1, 0, kSurA, ERREURS("le service Web n'a pas répondu à 1 requête(s)"), 0,
     "refused: 0; without answer: 1", "A B", true, false},
    // The first list fetch (step 03) meets the fault: that step has nothing to walk, the others do
    // their work, and the list that did not come is told like any other request.
    {"list_garbage", Panne::CorpsMalForme, 0, 1, 0, "GetBySynchroWeb", ERREURS("le service Web a refusé 1 requête(s)"),
     0, "refused: 1; without answer: 0", "A B", false, false},
    {"list_empty_body", Panne::CorpsVide, 0, 1, 0, "GetBySynchroWeb", ERREURS("le service Web a refusé 1 requête(s)"),
     0, "refused: 1; without answer: 0", "A B", false, false},
    {"list_html_page_200", Panne::Xhtml200, 0, 1, 0, "GetBySynchroWeb", ERREURS("le service Web a refusé 1 requête(s)"),
     0, "refused: 1; without answer: 0", "A B", false, false},
    {"list_error_code", Panne::CodeErreur, 1001, 1, 0, "GetBySynchroWeb",
     ERREURS("le service Web a refusé 1 requête(s)"), 1, "refused: 1; without answer: 0", "A B", false, false},
    // A list without an answer says so in its own box, as the search button's does, and ends the run.
    {"list_no_answer", Panne::Coupure, 0, 1, 0, "GetBySynchroWeb", kInjoignable, 0,
     "refused: 0; without answer: 1, stopped: web service unreachable", "A B", false, false},
    {"list_http_500", Panne::Http500Html, 0, 1, 0, "GetBySynchroWeb",
     ERREURS("le service Web a répondu par des erreurs (HTTP 500) à 1 requête(s)"), 0,
     "refused: 0; without answer: 0; error status: 1 (HTTP 500)", "A B", false, false},
    // "No data" is the service's empty list: its reader's box, and nothing failed.
    {"list_no_data", Panne::CodeErreur, 500, 1, 0, "GetBySynchroWeb", nullptr, 1, "refused: 0; without answer: 0",
     "A B", false, false},
    // A look-up answered "no such item" did nothing: A keeps its link, and its change still goes.
    {"lookup_no_such_item", Panne::CodeErreur, 501, 1, 0, "GetByIdWeb", ERREURS("le service Web a refusé 1 requête(s)"),
     1, "refused: 1; without answer: 0", "A B", false, false},
};

void PrintTo(const CasPanneRun& c, std::ostream* os) { *os << c.nom; }

class ParLeMenu : public SyncMenu {
protected:
    // The run by "Tout" (true) or by its single entry.
    void lancer(bool tout) {
        if (tout)
            w->MnuSynchroniserMusPub->trigger();
        else
            w->MnuSynchroniserPub[2]->trigger();
    }
};

class FailedRun : public ParLeMenu, public ::testing::WithParamInterface<std::tuple<bool, CasPanneRun>> {};

TEST_P(FailedRun, UnconfirmedChangesStayPendingAndTheBoxSaysWhy) {
    const auto& [tout, c] = GetParam();
    const auto [idA, idB] = deuxClientsModifies();
    PanneProgrammee p;
    p.type = c.panne;
    p.code = c.code;
    p.fois = c.fois;
    p.apres = c.apres;
    p.delaiMs = 5000;
    if (c.apres) p.entite = double_web::Client;
    if (c.cible == kSurA) {
        p.entite = double_web::Client;
        p.operation = QStringLiteral("UpdateXML");
        p.cle = QStringLiteral("CltIdWeb");
        p.valeur = QString::number(idA);
    } else if (c.cible) {
        p.entite = double_web::Client;
        p.operation = QString::fromLatin1(c.cible);
    }
    // A time-out the test does not wait long for.
    if (c.panne == Panne::Delai) ClientWeb().DelaiMaxMs = 200;
    double_.programmerPanne(p);
    TestDialogs().answers.assign(size_t(c.boitesAvant), Mb::OK);

    lancer(tout);

    const bool arret = c.boite == kInjoignable || c.boite == kIdentification;
    // A run whose every request came to something ends as usual: "Tout" with its message, a single
    // entry in silence.
    const char* fin = c.boite ? c.boite : tout ? "Synchronisation terminée." : nullptr;
    const QString boite = arret ? QString::fromUtf8(fin) + url : QString::fromUtf8(fin);
    ASSERT_EQ(boites().size(), c.boitesAvant + (fin ? 1 : 0)) << boites().join('\n').toStdString();
    if (fin) {
        EXPECT_TRUE(boites().last().startsWith(boite)) << boites().last().toStdString();
    }
    const QStringList bilan = lignesLog().filter(QStringLiteral("Client: requests answered: "));
    ASSERT_EQ(bilan.size(), 1);
    EXPECT_TRUE(bilan[0].contains(QString::fromUtf8(c.bilan))) << bilan[0].toStdString();
    // Every family after the one the service stopped is left out.
    bool autresFamilles = false;
    for (const double_web::Requete& r : double_.requetes())
        autresFamilles = autresFamilles || (r.entite != double_web::Client);
    EXPECT_EQ(autresFamilles, tout && !arret);
    QStringList misesAJour;
    for (const QString& e : envois().filter(QStringLiteral("UpdateXML:")))
        misesAJour << (e == QStringLiteral("UpdateXML:%1").arg(idA) ? QStringLiteral("A") : QStringLiteral("B"));
    if (c.misesAJour) {
        EXPECT_EQ(misesAJour.join(QLatin1Char(' ')), QString::fromLatin1(c.misesAJour));
    }
    // The log names the real cause of a stop, once; a refusal of the credentials is no outage.
    EXPECT_EQ(lignesLog().filter(QStringLiteral("web service unreachable: the remaining steps are left out")).size(),
              c.boite == kInjoignable ? 1 : 0);
    EXPECT_EQ(lignesLog()
                  .filter(QStringLiteral(": credentials refused by the web service (HTTP 401): the remaining steps "
                                         "are left out"))
                  .size(),
              c.boite == kIdentification ? 1 : 0);
    if (c.boite == kIdentification) {
        EXPECT_TRUE(lignesLog().filter(QStringLiteral("unreachable")).isEmpty());
        EXPECT_TRUE(lignesLog().filter(QStringLiteral("no answer from the web service")).isEmpty());
        EXPECT_EQ(lignesLog().filter(QStringLiteral("answered HTTP/1.1 401 Unauthorized (credentials refused)")).size(),
                  1);
    }
    EXPECT_EQ(clesJournal().contains(QStringLiteral("P0301A")), c.aEnAttente);
    EXPECT_EQ(clesJournal().contains(QStringLiteral("P0301B")), c.bEnAttente);
    EXPECT_FALSE(ActiviteEnCours());
    EXPECT_FALSE(FrmMsgChargee());

    // The next run, with a service that does its work, sends what was left.
    double_.annulerPannes();
    ClientWeb().DelaiMaxMs = 3000;
    TestDialogs().shown.clear();
    lancer(tout);
    EXPECT_EQ(boites(), tout ? QStringList{QStringLiteral("Synchronisation terminée.")} : QStringList{});
    EXPECT_FALSE(clesJournal().contains(QStringLiteral("P0301A")));
    EXPECT_FALSE(clesJournal().contains(QStringLiteral("P0301B")));
    EXPECT_EQ(double_.element(double_web::Client, idA)->champs.value(QStringLiteral("CltNom")),
              QStringLiteral("A modifié"));
}

INSTANTIATE_TEST_SUITE_P(Client, FailedRun, ::testing::Combine(::testing::Bool(), ::testing::ValuesIn(kCasPanneRun)),
                         [](const auto& i) {
                             return std::string(std::get<0>(i.param) ? "all_" : "client_") + std::get<1>(i.param).nom;
                         });

// A deletion the service refused, whose web item the same run's audit then deleted as an orphan:
// the next run sends the journal entry again and hears "no such item", which is what it asked for.
// The entry leaves with one log line, and no box comes up.
class DeletionAlreadyDone : public ParLeMenu, public ::testing::WithParamInterface<bool> {};

TEST_P(DeletionAlreadyDone, LeavesTheJournalWithoutABox) {
    const bool tout = GetParam();
    const int id = web(QStringLiteral("SUP"), QStringLiteral("Supprimé"));
    entree('P', 1, QStringLiteral("SUP"), 'S', id);
    PanneProgrammee p;
    p.type = Panne::ResultatFaux;
    p.entite = double_web::Client;
    p.operation = QStringLiteral("DeleteXML");
    double_.programmerPanne(p);

    lancer(tout);

    EXPECT_EQ(boites(), QStringList{QStringLiteral(ERREURS("le service Web a refusé 1 requête(s)"))});
    EXPECT_FALSE(double_.element(double_web::Client, id).has_value());
    EXPECT_TRUE(clesJournal().contains(QStringLiteral("P0301SUP")));

    TestDialogs().shown.clear();
    lancer(tout);

    EXPECT_EQ(boites(), tout ? QStringList{QStringLiteral("Synchronisation terminée.")} : QStringList{});
    EXPECT_FALSE(clesJournal().contains(QStringLiteral("P0301SUP")));
    EXPECT_EQ(
        lignesLog()
            .filter(QStringLiteral("Client: web id %1 already gone from the web (no such item): deletion done").arg(id))
            .size(),
        1)
        << lignesLog().join('\n').toStdString();
    const QStringList bilans = lignesLog().filter(QStringLiteral("Client: requests answered: "));
    ASSERT_EQ(bilans.size(), 2);
    EXPECT_TRUE(bilans[1].contains(QStringLiteral("DeleteXML 1"))) << bilans[1].toStdString();
    EXPECT_TRUE(bilans[1].contains(QStringLiteral("refused: 0; without answer: 0"))) << bilans[1].toStdString();
}

INSTANTIATE_TEST_SUITE_P(Client, DeletionAlreadyDone, ::testing::Bool(),
                         [](const auto& i) { return std::string(i.param ? "all" : "client"); });

// The closing box names each kind with its count, under one subject.
TEST(RunSummary, EachKindOfFailureIsNamedWithItsCount) {
    const struct {
        int erreurs, refusees, sansReponse;
        const char* texte;
    } cas[] = {
        {0, 0, 0, ""},
        {0, 3, 0, "le service Web a refusé 3 requête(s)"},
        {0, 0, 1, "le service Web n'a pas répondu à 1 requête(s)"},
        {0, 2, 1, "le service Web a refusé 2 requête(s) et n'a pas répondu à 1 requête(s)"},
        {2, 1, 4,
         "le service Web a répondu par des erreurs (HTTP 500) à 2 requête(s), a refusé 1 requête(s) et n'a pas "
         "répondu à 4 requête(s)"},
    };
    for (const auto& c : cas) {
        BilanRun b;
        for (int i = 0; i < c.erreurs; ++i) b.erreurs.compter(500);
        b.refusees = c.refusees;
        b.sansReponse = c.sansReponse;
        EXPECT_EQ(b.vide(), c.erreurs + c.refusees + c.sansReponse == 0);
        EXPECT_EQ(b.texte(), QString::fromUtf8(c.texte));
    }
}

// A single entry of the advertising menu has no closing box of its own: requests the service
// failed get one all the same, and a run without them stays silent.
TEST_F(SyncMenu, ASingleEntrySaysTheServiceAnsweredWithErrors) {
    client(QStringLiteral("C1"), QStringLiteral("Premier"), 'O', 'C', 0);
    PanneProgrammee p;
    p.type = Panne::Http500Html;
    p.entite = double_web::Client;
    p.operation = QStringLiteral("CreateXML");
    double_.programmerPanne(p);

    w->MnuSynchroniserPub[2]->trigger();

    EXPECT_EQ(boites(),
              QStringList{QStringLiteral("Synchronisation terminée avec des erreurs : le service Web a répondu "
                                         "par des erreurs (HTTP 500) à 1 requête(s). Ce qui n'a pas été fait "
                                         "sera repris à la prochaine synchronisation.")});
    EXPECT_EQ(lire(QStringLiteral("C1")).idWeb, 0);
    EXPECT_EQ(lignesLog()
                  .filter(QStringLiteral("Client: requests answered: "))
                  .filter(QStringLiteral("; error status: 1 (HTTP 500)"))
                  .size(),
              1)
        << lignesLog().join('\n').toStdString();

    TestDialogs().shown.clear();
    w->MnuSynchroniserPub[2]->trigger();
    EXPECT_TRUE(boites().isEmpty()) << boites().join('\n').toStdString();
    EXPECT_NE(lire(QStringLiteral("C1")).idWeb, 0);
}

// A service that writes its answers in Windows-1252 while it declares UTF-8: the list holding the
// renamed client does not read. Nothing of it is stored, nothing damaged goes back to the web, and
// the run says the list was refused.
TEST_F(SyncMenu, AListNotValidInItsEncodingChangesNeitherSide) {
    client(QStringLiteral("EXIST"), QStringLiteral("Ancien"), 'N', 'N', 0);
    const QString nom = QStringLiteral("Crêperie Marée");
    const int id = web(QStringLiteral("EXIST"), nom, double_web::Modifie);
    PanneProgrammee p;
    p.type = Panne::Cp1252DitUtf8;
    p.fois = -1;
    p.entite = double_web::Client;
    p.operation = QStringLiteral("GetBySynchroWeb");
    double_.programmerPanne(p);

    w->MnuSynchroniserPub[2]->trigger();

    EXPECT_EQ(lire(QStringLiteral("EXIST")).nom, QStringLiteral("Ancien"));
    const auto surLeWeb = double_.element(double_web::Client, id);
    ASSERT_TRUE(surLeWeb.has_value());
    EXPECT_EQ(surLeWeb->champs.value(QStringLiteral("CltNom")), nom);
    EXPECT_EQ(surLeWeb->statut, double_web::Modifie);
    for (const double_web::Requete& r : double_.requetes())
        EXPECT_NE(r.operation, QStringLiteral("UpdateXML")) << r.chemin.toStdString();
    ASSERT_EQ(boites().size(), 1) << boites().join('\n').toStdString();
    EXPECT_TRUE(
        boites()[0].startsWith(QStringLiteral("Synchronisation terminée avec des erreurs : le service Web a refusé ")))
        << boites()[0].toStdString();

    // Written right, the same list is taken.
    double_.annulerPannes();
    TestDialogs().shown.clear();
    w->MnuSynchroniserPub[2]->trigger();
    EXPECT_TRUE(boites().isEmpty()) << boites().join('\n').toStdString();
    EXPECT_EQ(lire(QStringLiteral("EXIST")).nom, nom);
}

// The program closes while "Tout" waits for an answer: the run stops and does not claim to have
// ended its work.
TEST_F(SyncMenu, AllInterruptedByClosingDoesNotSayFinished) {
    client(QStringLiteral("C1"), QStringLiteral("Premier"), 'O', 'C', 0);
    client(QStringLiteral("C2"), QStringLiteral("Second"), 'O', 'C', 0);
    creationLente(300);
    QTimer::singleShot(100, [] { bFermetureEnCours = true; });

    w->MnuSynchroniserMusPub->trigger();

    EXPECT_TRUE(boites().isEmpty()) << boites().join('\n').toStdString();
    EXPECT_EQ(envois(), QStringList{QStringLiteral("CreateXML:C1")});
    EXPECT_FALSE(ActiviteEnCours());
}

TEST_F(SyncMenu, ASearchUnderWayRefusesTheSynchronisation) {
    RechercheEnCours = true;
    w->MnuSynchroniserPub[2]->trigger();
    w->MnuSynchroniserMusPub->trigger();
    EXPECT_EQ(boites(), QStringList(2, QStringLiteral("Recherche en cours, veuillez patienter.")));
    EXPECT_TRUE(envois().isEmpty());
}

}  // namespace
