#include "entities_fixture.h"

#include "database/btrieve.h"
#include "entities/client_family.h"
#include "entities/fill_rate_upload.h"
#include "fill/fill_computation.h"
#include "fill/fill_property_grid.h"
#include "fill/fill_settings.h"
#include "foundation/activity.h"
#include "foundation/log_lists.h"
#include "foundation/shell_link.h"
#include "platform/program_end.h"
#include "platform/property_grid.h"
#include "platform/record_manager.h"
#include "shell/hidden_host.h"
#include "shell/main_window.h"
#include "sync/dispatcher.h"
#include "sync/sync_engine.h"
#include "grids/list_grids.h"

#include <QAction>
#include <functional>
#include <memory>
#include <optional>

using double_web::Panne;
using double_web::PanneProgrammee;

namespace {

const QDate J1(2023, 1, 2);
const QDate J2(2023, 1, 3);

QString fois(int n, const QString& s) { return s.repeated(n); }

class FillRateUploadTest : public EntitiesWebTest {
protected:
    void SetUp() override {
        EntitiesWebTest::SetUp();
        capacitesStandard();
        pg = std::make_unique<PropertyGrid>();
        InstallerPropertyGridRemplissage(pg.get());
        InitGeneralTableurPub(6, true, true);
        InitPropertyGrid(1, 6);
        periode(J1, J2);
        // Station 2 is not chosen: nothing of it goes to the web.
        ParametresRemplissage.Station[1] = false;
        SauverParametresRemplissage();
        // Day 1: 60 local seconds at 08, 30 national seconds at 09; day 2: nothing planned.
        passage(1, QStringLiteral("20230102"), 5, QStringLiteral("08"), 60.0f, QStringLiteral("N"));
        passage(1, QStringLiteral("20230102"), 5, QStringLiteral("09"), 30.0f, QStringLiteral("O"));
    }
    void TearDown() override {
        InstallerPropertyGridRemplissage(nullptr);
        pg.reset();
        EntitiesWebTest::TearDown();
    }
    void periode(const QDate& d1, const QDate& d2) {
        pg->findItem(IdRemplissage::Debut)->setValue(d1);
        pg->findItem(IdRemplissage::Fin)->setValue(d2);
    }
    // "date/station/kind" of each update received.
    QStringList miseAJour() const {
        QStringList r;
        for (const auto& q : requetes(QStringLiteral("TauxRemplissage"), QStringLiteral("UpdateXML")))
            r << q.valeur(QStringLiteral("TrpDate")) + QLatin1Char('/') + q.valeur(QStringLiteral("TrpStation")) +
                     QLatin1Char('/') + q.valeur(QStringLiteral("TrpNature"));
        return r;
    }
    std::unique_ptr<PropertyGrid> pg;
};

TEST_F(FillRateUploadTest, DeletesEveryDayThenSendsTheShownRowsThatHoldAValue) {
    SynchroniserPub_06_Remplissage(url);

    const auto toutes = requetes(QStringLiteral("TauxRemplissage"));
    ASSERT_GE(toutes.size(), 2u);
    // Both days are cleared before the first row goes.
    EXPECT_EQ(toutes[0].operation, QStringLiteral("DeleteXML"));
    EXPECT_EQ(toutes[0].requeteBrute, QByteArray("TrpDate=2023-01-02&TrpStation=01"));
    EXPECT_EQ(toutes[1].requeteBrute, QByteArray("TrpDate=2023-01-03&TrpStation=01"));
    EXPECT_EQ(requetes(QStringLiteral("TauxRemplissage"), QStringLiteral("DeleteXML")).size(), 2u);

    // Kinds 6 and 7 are not shown by default; day 2 has nothing planned, so its planned and
    // global-percentage rows are empty; station 2 is not chosen.
    EXPECT_EQ(miseAJour(), (QStringList{"2023-01-02/01/01", "2023-01-02/01/02", "2023-01-02/01/03", "2023-01-02/01/04",
                                        "2023-01-02/01/05", "2023-01-02/01/08", "2023-01-02/01/09", "2023-01-03/01/01",
                                        "2023-01-03/01/02", "2023-01-03/01/04", "2023-01-03/01/05"}));

    const auto maj = requetes(QStringLiteral("TauxRemplissage"), QStringLiteral("UpdateXML"));
    // Local availability: durations on the white of the first day go without colour; the day
    // total carries the colour of its column.
    const auto& dispo = maj[0];
    EXPECT_EQ(dispo.valeur(QStringLiteral("TrpHeure")),
              fois(8, "|") + "02:00|00:45|" + fois(10, "|") + "01:00|" + fois(3, "|"));
    EXPECT_EQ(dispo.valeur(QStringLiteral("TrpTranche")), "|02:45|01:00|" + fois(21, "|"));
    EXPECT_EQ(dispo.valeur(QStringLiteral("TrpTranches")), QStringLiteral("02:45;1779A8"));
    // Local percentages travel with their band: 60 of 120 s is 50 %, 60 of 165 s 36 %.
    const auto& pct = maj[3];
    EXPECT_EQ(pct.valeur(QStringLiteral("TrpHeure")),
              fois(8, "|") + "50;80FF00|0;00FF00|" + fois(10, "|") + "0;00FF00|" + fois(3, "|"));
    EXPECT_EQ(pct.valeur(QStringLiteral("TrpTranche")), "|36;80FF00|0;00FF00|" + fois(21, "|"));
    EXPECT_EQ(pct.valeur(QStringLiteral("TrpTranches")), QStringLiteral("36;80FF00"));
    // The second day's light blue is a plain background too.
    const auto& dispo2 = maj[7];
    EXPECT_EQ(dispo2.valeur(QStringLiteral("TrpHeure")),
              fois(8, "|") + "02:00|00:45|" + fois(10, "|") + "01:00|" + fois(3, "|"));
    // Values go percent-encoded, keys in their order.
    EXPECT_TRUE(dispo.requeteBrute.startsWith("TrpDate=2023-01-02&TrpStation=01&TrpNature=01&TrpHeure=%7C%7C"))
        << dispo.requeteBrute.toStdString();
    EXPECT_TRUE(dispo.requeteBrute.endsWith("&TrpTranches=02%3A45%3B1779A8")) << dispo.requeteBrute.toStdString();

    // The web keeps one row per day and kind; a second upload replaces them.
    EXPECT_EQ(web.tauxRemplissage().size(), 11);
    SynchroniserPub_06_Remplissage(url);
    EXPECT_EQ(web.tauxRemplissage().size(), 11);
    EXPECT_EQ(web.tauxRemplissage().value(QStringLiteral("2023-01-02|01|01")), dispo.parametres);

    EXPECT_TRUE(boites().isEmpty()) << boites().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(logAvec(QStringLiteral("TauxRemplissage: 11 row(s) sent, 2 day(s) cleared, 0 failure(s)")).size(), 2)
        << lignesLog().join(QLatin1Char('\n')).toStdString();
}

TEST_F(FillRateUploadTest, ARefusedOrIncompleteComputationSendsNothing) {
    struct Cas {
        const char* nom;
        std::function<void()> preparer;
        const char* message;
    } const cas[] = {
        {"period out of order", [&] { periode(J2, J1); }, "Veuillez vérifier l'ordre des dates de début et de fin."},
        {"a planned-advertising read fails",
         [&] {
             // The booked passages of the first day cannot be read past their first record.
             SetBtrCallHook(
                 [](uint16_t op, void* pos, void* data, uint32_t* lng, void* key, uint16_t kl, int16_t kn) -> int16_t {
                     if (op == BtrOp::GetNext && kn == 1 && lng && *lng == 100) return 2;
                     return BTRCALL(op, pos, data, lng, key, kl, kn);
                 });
         },
         "Le calcul du remplissage est incomplet"},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.nom);
        TestDialogs().reset();
        TestDialogs().answers.assign(3, Mb::Abort);
        web.effacerRequetes();
        periode(J1, J2);
        c.preparer();
        SynchroniserPub_06_Remplissage(url);
        SetBtrCallHook({});
        EXPECT_TRUE(requetes(QStringLiteral("TauxRemplissage")).empty());
        EXPECT_EQ(boites().filter(QString::fromUtf8(c.message)).size(), 1)
            << boites().join(QLatin1Char('\n')).toStdString();
    }
    EXPECT_EQ(logAvec(QStringLiteral("TauxRemplissage: nothing sent")).size(), 2);
}

// Every fault of the service, with both stations chosen. A service out of reach, or one that
// refuses the credentials, stops the upload with the one box that names what to check (the
// address, or User and Password), names the station whose cleared days miss rows and asks for the
// upload again; the summary line says why it stopped. A service that answers fails or refuses that
// request only: the upload sends every other one and ends with the box that counts the failures
// and names the station whose cleared days did not all get their rows back.
TEST_F(FillRateUploadTest, EveryFaultOfTheServiceIsToldInTheBoxAndTheSummaryLine) {
    ParametresRemplissage.Station[1] = true;
    SauverParametresRemplissage();
    const auto dePanne = [](Panne type, int fois) {
        PanneProgrammee p;
        p.type = type;
        p.fois = fois;
        p.delaiMs = 60000;
        return p;
    };
    // The row of a station after the first `apres` of its rows, whatever the fault.
    const auto ligneStation = [](Panne type, const QString& station, int apres) {
        PanneProgrammee p;
        p.type = type;
        p.entite = QStringLiteral("TauxRemplissage");
        p.operation = QStringLiteral("UpdateXML");
        p.cle = QStringLiteral("TrpStation");
        p.valeur = station;
        p.apres = apres;
        p.delaiMs = 60000;
        return p;
    };
    const QString injoignable = QStringLiteral("Adresse Web non accessible: ") + url;
    const QString identification =
        QStringLiteral("Identification refusée par le service Web, vérifiez User et Password des options: ") + url;
    const auto effaces = [](const QString& station) {
        return QStringLiteral(" Jours effacés sur le Web sans être tous renvoyés pour la station ") + station +
               QLatin1Char('.');
    };
    const QString relance = QStringLiteral(" Relancez l'envoi du remplissage.");
    // A box that stops on the service names the address, then what is left undone on a line of its own.
    const auto arret = [](const QString& debut, const QString& suite) {
        return debut + QStringLiteral("\r\n") + suite.trimmed();
    };
    const QString horsService = QStringLiteral(", stopped: web service unreachable");
    const QString refusIdentification = QStringLiteral(", stopped: credentials refused by the web service (HTTP 401)");
    const QString incomplete = QStringLiteral(", days cleared but not all sent again for station(s) ");

    // The reference: what a service without fault receives.
    SynchroniserPub_06_Remplissage(url);
    ASSERT_TRUE(boites().isEmpty()) << boites().join(QLatin1Char('\n')).toStdString();
    const int nbRequetes = web.nombreRequetes();
    const int nbLignes = int(miseAJour().size());
    const int nbLignesStation2 = int(miseAJour().filter(QStringLiteral("/02/")).size());
    ASSERT_EQ(nbRequetes, nbLignes + 4);
    ASSERT_GE(nbLignesStation2, 2);
    ASSERT_GE(nbLignes - nbLignesStation2, 4);
    const auto lignes = [](int envoyees, int jours, int echecs) {
        return QStringLiteral("%1 row(s) sent, %2 day(s) cleared, %3 failure(s)").arg(envoyees).arg(jours).arg(echecs);
    };
    const QString uneLigneRefusee =
        QStringLiteral(
            "Envoi du remplissage terminé avec des échecs : 1 ligne(s) sur %1 et 0 jour(s) sur 4 n'ont pas "
            "été acceptés par le service Web.")
            .arg(nbLignes);

    const struct Cas {
        const char* nom;
        std::optional<PanneProgrammee> panne;
        QString motDePasse;    // the options' password (the service's is "secret")
        int motDePasseChange;  // the service changes its password once it got this many requests (-1: never)
        int requetes;          // received by the service
        QString boite;         // the one box
        QString bilan;         // the summary line, after "TauxRemplissage: "
        QString ligne;         // in the log line of each failure
        int echecs;            // log lines of failed requests the service answered
        int joursGardes;       // day/station/kind rows the web holds afterwards (-1: not checked)
    } cas[] = {
        {"refused connection", dePanne(Panne::Refus, -1), QStringLiteral("secret"), -1, 0, arret(injoignable, relance),
         lignes(0, 0, 0) + horsService, QString(), 0, nbLignes},
        {"connection dropped", dePanne(Panne::Coupure, -1), QStringLiteral("secret"), -1, 1,
         arret(injoignable, relance), lignes(0, 0, 0) + horsService, QString(), 0, -1},
        {"time-out", dePanne(Panne::Delai, 1), QStringLiteral("secret"), -1, 1, arret(injoignable, relance),
         lignes(0, 0, 0) + horsService, QString(), 0, nbLignes},
        {"credentials refused", std::nullopt, QStringLiteral("faux"), -1, 1, arret(identification, relance),
         lignes(0, 0, 0) + refusIdentification,
         QStringLiteral("TauxRemplissage/DeleteXML answered HTTP/1.1 401 Unauthorized (credentials refused): "
                        "?TrpDate=2023-01-02&TrpStation=01"),
         1, nbLignes},
        // Station 1's two days are cleared and two of its rows sent again when the service goes; the
        // dropped row reached the service, which carried it out before the connection went.
        {"connection dropped on the third row of station 1", ligneStation(Panne::Coupure, QStringLiteral("01"), 2),
         QStringLiteral("secret"), -1, 5, arret(injoignable, effaces(QStringLiteral("1 (Ondrune Nord 1)")) + relance),
         lignes(2, 2, 0) + horsService + incomplete + QStringLiteral("1 (Ondrune Nord 1)"), QString(), 0,
         nbLignesStation2 + 3},
        {"the third row of station 1 held past the time-out", ligneStation(Panne::Delai, QStringLiteral("01"), 2),
         QStringLiteral("secret"), -1, 5, arret(injoignable, effaces(QStringLiteral("1 (Ondrune Nord 1)")) + relance),
         lignes(2, 2, 0) + horsService + incomplete + QStringLiteral("1 (Ondrune Nord 1)"), QString(), 0,
         nbLignesStation2 + 2},
        {"the service's password changed after the second row of station 1", std::nullopt, QStringLiteral("secret"), 4,
         5, arret(identification, effaces(QStringLiteral("1 (Ondrune Nord 1)")) + relance),
         lignes(2, 2, 0) + refusIdentification + incomplete + QStringLiteral("1 (Ondrune Nord 1)"),
         QStringLiteral("TauxRemplissage/UpdateXML answered HTTP/1.1 401 Unauthorized (credentials refused): "
                        "?TrpDate=2023-01-02&TrpStation=01&TrpNature=03"),
         1, nbLignesStation2 + 2},
        {"500 on one row of station 2", ligneStation(Panne::Http500Html, QStringLiteral("02"), 1),
         QStringLiteral("secret"), -1, nbRequetes,
         uneLigneRefusee + QStringLiteral(" Le service Web a répondu par des erreurs (HTTP 500) à 1 requête(s).") +
             effaces(QStringLiteral("2 (Ondrune Nord 2)")) + relance,
         lignes(nbLignes - 1, 4, 1) + incomplete + QStringLiteral("2 (Ondrune Nord 2)"),
         QStringLiteral("Err: Lib_Kirvo:SynchroniserPub_06_Remplissage_01: TauxRemplissage/UpdateXML answered "
                        "HTTP/1.1 500 Internal Server Error: ?TrpDate="),
         1, nbLignes - 1},
        {"Code 0 and Result false on one row of station 2", ligneStation(Panne::ResultatFaux, QStringLiteral("02"), 1),
         QStringLiteral("secret"), -1, nbRequetes,
         uneLigneRefusee + effaces(QStringLiteral("2 (Ondrune Nord 2)")) + relance,
         lignes(nbLignes - 1, 4, 1) + incomplete + QStringLiteral("2 (Ondrune Nord 2)"),
         QStringLiteral("TauxRemplissage/UpdateXML refused (Result not True): ?TrpDate="), 1, nbLignes - 1},
        {"error code on one row of station 2",
         [&] {
             PanneProgrammee p = ligneStation(Panne::CodeErreur, QStringLiteral("02"), 1);
             p.code = 1001;
             return p;
         }(),
         QStringLiteral("secret"), -1, nbRequetes,
         uneLigneRefusee + effaces(QStringLiteral("2 (Ondrune Nord 2)")) + relance,
         lignes(nbLignes - 1, 4, 1) + incomplete + QStringLiteral("2 (Ondrune Nord 2)"),
         QStringLiteral("TauxRemplissage/UpdateXML refused (code 1001): ?TrpDate="), 1, nbLignes - 1},
        {"500 on every request", dePanne(Panne::Http500Html, -1), QStringLiteral("secret"), -1, nbRequetes,
         QStringLiteral("Envoi du remplissage terminé avec des échecs : %1 ligne(s) sur %1 et 4 jour(s) sur 4 n'ont "
                        "pas été acceptés par le service Web. Le service Web a répondu par des erreurs (HTTP 500) à %2 "
                        "requête(s).")
                 .arg(nbLignes)
                 .arg(nbRequetes) +
             relance,
         lignes(0, 0, nbRequetes), QStringLiteral(" answered HTTP/1.1 500 Internal Server Error: ?TrpDate="),
         nbRequetes, nbLignes},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.nom);
        debutCasPanne(c.panne, c.motDePasse, c.motDePasseChange);

        SynchroniserPub_06_Remplissage(url);

        EXPECT_EQ(web.nombreRequetes(), c.requetes);
        EXPECT_EQ(boites().join(QLatin1Char('\n')).toStdString(), c.boite.toStdString());
        // What the upload did not put back is missing on the web, and nothing else is.
        if (c.joursGardes >= 0) {
            EXPECT_EQ(web.tauxRemplissage().size(), c.joursGardes);
        }
        const QStringList echecs = logAvec(QStringLiteral("Err: Lib_Kirvo:SynchroniserPub_06_Remplissage_01: "));
        ASSERT_EQ(echecs.size(), c.echecs) << lignesLog().join(QLatin1Char('\n')).toStdString();
        for (const QString& l : echecs) {
            EXPECT_TRUE(l.contains(c.ligne)) << l.toStdString();
        }
        const QStringList bilan = logAvec(QStringLiteral("TauxRemplissage: "));
        ASSERT_EQ(bilan.size(), 1) << lignesLog().join(QLatin1Char('\n')).toStdString();
        EXPECT_TRUE(bilan[0].endsWith(QStringLiteral("TauxRemplissage: ") + c.bilan)) << bilan[0].toStdString();
        EXPECT_FALSE(FrmMsgChargee());

        // The next upload, with a service that does its work, puts every row back.
        web.annulerPannes();
        web.setIdentifiants(QStringLiteral("kirvo"), QStringLiteral("secret"));
        ClientWeb().DelaiMaxMs = 3000;
        SetSourceParametresWeb([this] {
            return ParametresWeb{url, QStringLiteral("kirvo"), QStringLiteral("secret")};
        });
        TestDialogs().reset();
        SynchroniserPub_06_Remplissage(url);
        EXPECT_EQ(web.tauxRemplissage().size(), nbLignes);
        EXPECT_TRUE(boites().isEmpty());
    }
}

// A run that ends with the upload learns whether the upload stopped on a service that answered
// none of its requests, the one outage its box tells; the next upload starts afresh.
TEST_F(FillRateUploadTest, TheRunLearnsThatTheUploadStoppedOnAServiceThatNeverAnswered) {
    PanneProgrammee p;
    p.type = Panne::Refus;
    p.fois = -1;
    web.programmerPanne(p);
    SynchroniserPub_06_Remplissage(url);
    EXPECT_TRUE(RemplissageArreteSansReponse());

    // The service answered the days' deletions before it went.
    web.annulerPannes();
    p.type = Panne::Coupure;
    p.operation = QStringLiteral("UpdateXML");
    web.programmerPanne(p);
    SynchroniserPub_06_Remplissage(url);
    EXPECT_FALSE(RemplissageArreteSansReponse());

    // Credentials refused: an answer, and a box of its own.
    web.annulerPannes();
    SetSourceParametresWeb([this] { return ParametresWeb{url, QStringLiteral("kirvo"), QStringLiteral("faux")}; });
    SynchroniserPub_06_Remplissage(url);
    EXPECT_FALSE(RemplissageArreteSansReponse());

    SetSourceParametresWeb([this] { return ParametresWeb{url, QStringLiteral("kirvo"), QStringLiteral("secret")}; });
    p = PanneProgrammee{Panne::Refus};
    web.programmerPanne(p);
    SynchroniserPub_06_Remplissage(url);
    EXPECT_TRUE(RemplissageArreteSansReponse());
    web.annulerPannes();
    p.type = Panne::ResultatFaux;
    p.fois = -1;
    web.programmerPanne(p);
    SynchroniserPub_06_Remplissage(url);
    EXPECT_FALSE(RemplissageArreteSansReponse());
    EXPECT_EQ(boites().size(), 5);
}

// The program's end in the middle of the upload takes the wait window with it.
TEST_F(FillRateUploadTest, AnEndInTheMiddleOfTheUploadLeavesNoWaitWindow) {
    int envoyees = 0;
    SetSourceParametresWeb([&] {
        if (++envoyees == 3) FinProgramme(1);
        return ParametresWeb{url, QStringLiteral("kirvo"), QStringLiteral("secret")};
    });
    EXPECT_THROW(SynchroniserPub_06_Remplissage(url), ProgramEnded);
    EXPECT_EQ(envoyees, 3);
    EXPECT_FALSE(FrmMsgChargee());
}

TEST_F(FillRateUploadTest, ARefusedRowIsCountedAndTheOthersStillGo) {
    PanneProgrammee panne;
    panne.type = Panne::CodeErreur;
    panne.code = 1001;
    panne.entite = QStringLiteral("TauxRemplissage");
    panne.operation = QStringLiteral("UpdateXML");
    web.programmerPanne(panne);

    SynchroniserPub_06_Remplissage(url);

    EXPECT_EQ(miseAJour().size(), 11);
    EXPECT_EQ(logAvec(QStringLiteral("TauxRemplissage: 10 row(s) sent, 2 day(s) cleared, 1 failure(s), days cleared "
                                     "but not all sent again for station(s) 1"))
                  .size(),
              1)
        << lignesLog().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(logAvec(QStringLiteral("TauxRemplissage/UpdateXML refused (code 1001): ?TrpDate=2023-01-02")).size(), 1);
    // The service's message is not put to the user row by row: the one box at the end tells.
    ASSERT_EQ(boites().size(), 1) << boites().join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(
        boites()[0].startsWith(QStringLiteral("Envoi du remplissage terminé avec des échecs : 1 ligne(s) sur 11 "
                                              "et 0 jour(s) sur 2 n'ont pas été acceptés par le service Web. "
                                              "Jours effacés sur le Web sans être tous renvoyés pour la "
                                              "station 1")))
        << boites()[0].toStdString();
}

TEST_F(FillRateUploadTest, TheMenuEntryAndTheAdvertisingRunReachTheUpload) {
    auto w = std::make_unique<Frm_Main>();
    // The window reads the options window, which these tests do not load.
    SetSourceParametresWeb([this] { return ParametresWeb{url, QStringLiteral("kirvo"), QStringLiteral("secret")}; });
    w->MnuSynchroniserPub[7]->trigger();
    EXPECT_EQ(miseAJour().size(), 11);
    EXPECT_EQ(w->SftTabsPublicite->currentIndex(), int(GrillePubNo::Remplissage));
    EXPECT_FALSE(ActiviteEnCours());
    w.reset();
    AfficherFrmMsg(false, QString());
    DechargerFrmMainBis();
}

// "Publicité" > "Tout": what the client family met, then an upload the service stops. The upload's
// box tells the outage; the families' box still tells their refusals, error statuses and lost
// answers, all but the lost answers the outage itself swallowed: the family's last requests when
// the service answered none of the upload's.
TEST_F(FillRateUploadTest, AnUploadStoppedByTheServiceTellsItsOutageOnceAndTheFamiliesFailuresStill) {
    auto w = std::make_unique<Frm_Main>();
    SetSourceParametresWeb([this] { return ParametresWeb{url, QStringLiteral("kirvo"), QStringLiteral("secret")}; });
    const auto pilotes = PilotesPublicite();
    for (int n = 0; n <= 5; ++n) PilotesPublicite()[size_t(n)] = nullptr;
    PilotesPublicite()[1] = SynchroniserPub_01_Client;
    InitGeneralTableurPub(1, true, false);
    const auto panneClient = [](Panne type, const QString& operation, int fois) {
        PanneProgrammee p{type};
        p.entite = QStringLiteral("Client");
        p.operation = operation;
        p.fois = fois;
        return p;
    };
    const auto erreurs = [](const QString& quoi) {
        return QStringLiteral("Synchronisation terminée avec des erreurs : le service Web ") + quoi +
               QStringLiteral(". Ce qui n'a pas été fait sera repris à la prochaine synchronisation.");
    };
    const struct Famille {
        const char* nom;
        std::function<void()> web;  // the web's side before the run
        PanneProgrammee panne;
        QString boite;      // the families' box
        bool videParPanne;  // that box says only what an outage from the upload's start repeats
    } familles[] = {
        {"a list answered with an error status", [] {}, panneClient(Panne::Http500Html, "GetBySynchroWeb", 1),
         erreurs(QStringLiteral("a répondu par des erreurs (HTTP 500) à 1 requête(s)")), false},
        // The audit's deletion of a copy no local client holds is the run's last request.
        {"the last request without answer",
         [&] {
             double_web::Element e;
             e.idQD = QStringLiteral("ORPHELIN");
             e.champs = {{QStringLiteral("CltNom"), QStringLiteral("Orphelin")}};
             web.ajouter(QStringLiteral("Client"), e);
         },
         panneClient(Panne::Coupure, "DeleteXML", 1), erreurs(QStringLiteral("n'a pas répondu à 1 requête(s)")), true},
        // Four clients created on the web, each import's acknowledgment refused.
        {"every acknowledgment refused",
         [&] {
             for (int i = 1; i <= 4; ++i)
                 web.creerSurLeWeb(QStringLiteral("Client"),
                                   {{QStringLiteral("CltNom"), QStringLiteral("Web %1").arg(i)}});
         },
         panneClient(Panne::ResultatFaux, "UpdateXML", -1), erreurs(QStringLiteral("a refusé 4 requête(s)")), false},
    };
    PanneProgrammee desLeDebut{Panne::Coupure};
    desLeDebut.fois = -1;
    desLeDebut.entite = QStringLiteral("TauxRemplissage");
    // Station 1's days are cleared, then its first row goes without an answer.
    PanneProgrammee station1 = desLeDebut;
    station1.operation = QStringLiteral("UpdateXML");
    station1.cle = QStringLiteral("TrpStation");
    station1.valeur = QStringLiteral("01");
    const struct Envoi {
        const char* nom;
        std::optional<PanneProgrammee> panne;
        QString boite;  // the upload's box, or its start
    } envois[] = {
        {"upload sent", std::nullopt, QString()},
        {"upload without any answer", desLeDebut,
         QStringLiteral("Adresse Web non accessible: ") + url + QStringLiteral("\r\nRelancez l'envoi du remplissage.")},
        {"upload cut off in station 1", station1,
         QStringLiteral("Adresse Web non accessible: ") + url +
             QStringLiteral("\r\nJours effacés sur le Web sans être tous renvoyés pour la station 1")},
    };

    for (const Famille& f : familles) {
        for (const Envoi& e : envois) {
            SCOPED_TRACE(std::string(f.nom) + ", " + e.nom);
            web.annulerPannes();
            web.vider();
            f.web();
            web.programmerPanne(f.panne);
            if (e.panne) web.programmerPanne(*e.panne);
            TestDialogs().reset();

            w->MnuSynchroniserPub[0]->trigger();

            QStringList attendues;
            if (e.panne) attendues << e.boite;
            if (!(f.videParPanne && e.panne && e.panne->operation.isEmpty())) attendues << f.boite;
            ASSERT_EQ(boites().size(), attendues.size()) << boites().join(QLatin1Char('\n')).toStdString();
            for (qsizetype i = 0; i < attendues.size(); ++i) {
                EXPECT_TRUE(boites()[i].startsWith(attendues[i])) << boites()[i].toStdString();
            }
        }
    }
    PilotesPublicite() = pilotes;
    w.reset();
    AfficherFrmMsg(false, QString());
    DechargerFrmMainBis();
}

TEST(FillRateColours, ColourTextIsRedGreenBlueInUpperCaseHex) {
    struct Cas {
        int32_t couleur;
        const char* texte;
    } const cas[] = {
        {RGB(255, 128, 0), "FF8000"},  {RGB(0, 255, 0), "00FF00"}, {RGB(10, 20, 5), "0A1405"}, {0, "000000"},
        {RGB(23, 121, 168), "1779A8"},
    };
    for (const Cas& c : cas) EXPECT_EQ(DeRGB(c.couleur), QString::fromLatin1(c.texte));
    EXPECT_EQ(JourDeLaGrille(QStringLiteral("05-03-24")), QDate(2024, 3, 5));
    EXPECT_FALSE(JourDeLaGrille(QStringLiteral("xx-03-24")).isValid());
    EXPECT_FALSE(JourDeLaGrille(QString()).isValid());
}

}  // namespace
