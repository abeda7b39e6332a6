// The client synchronisation end to end, against the web-service double on a temporary site.
#include "sync_fixture.h"

#include "database/btrieve.h"
#include "database/change_journal.h"
#include "database/record_layouts.h"
#include "foundation/conversions.h"
#include "platform/cp1252.h"
#include "foundation/activity.h"
#include "foundation/globals.h"
#include "foundation/log_lists.h"
#include "platform/spread_grid.h"
#include "entities/client_family.h"
#include "grids/list_grids.h"
#include "sync/sync_engine.h"
#include "support/scripted_dialogs.h"
#include "sync/web_requests.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTimer>
#include <algorithm>

using double_web::Panne;
using double_web::PanneProgrammee;

namespace {

// ---- Journal replay ----------------------------------------------------------------------------

TEST_F(SyncTest, ReplaySendsTheForcedEntriesAndLeavesTheOthers) {
    const int idMod = web(QStringLiteral("MOD"), QStringLiteral("Ancien nom"));
    const int idSup = web(QStringLiteral("SUP"), QStringLiteral("Parti"));
    client(QStringLiteral("CRE"), QStringLiteral("Nouveau"), 'O', 'C', 0);
    client(QStringLiteral("MOD"), QStringLiteral("Nouveau nom"), 'O', 'M', idMod);
    client(QStringLiteral("OFF"), QStringLiteral("Hors web"), 'N', 'M', 0);
    entree('P', 1, QStringLiteral("CRE"), 'C', 0);
    entree('P', 1, QStringLiteral("MOD"), 'M', idMod);
    entree('P', 1, QStringLiteral("SUP"), 'S', idSup);
    entree('P', 1, QStringLiteral("OFF"), 'M', 0);
    entree('P', 1, QStringLiteral("GONE"), 'C', 0);
    entree('P', 1, QStringLiteral("SZERO"), 'S', 0);
    entree('P', 2, QStringLiteral("MOD"), 'M', idMod);
    const QStringList autres = {QStringLiteral("P0302MOD"), QStringLiteral("S0301CRE"), QStringLiteral("S0301MOD"),
                                QStringLiteral("S0301OFF")};
    envois();

    SynchroniserPub_01_Client_02(0, 1, url, QStringLiteral("Client"));

    const ClientLocal cre = lire(QStringLiteral("CRE"));
    EXPECT_EQ(envois(),
              (QStringList{QStringLiteral("CreateXML:CRE"), QStringLiteral("UpdateXML:") + QString::number(idMod),
                           QStringLiteral("DeleteXML:") + QString::number(idSup)}));
    EXPECT_EQ(cre.etat, QStringLiteral("O"));
    EXPECT_NE(cre.idWeb, 0);
    EXPECT_EQ(lire(QStringLiteral("MOD")).etat, QStringLiteral("O"));
    EXPECT_EQ(double_.element(double_web::Client, idMod)->champs.value(QStringLiteral("CltNom")),
              QStringLiteral("Nouveau nom"));
    EXPECT_FALSE(double_.element(double_web::Client, idSup).has_value());
    // Only the replayed range is emptied; the "S" entries are the wrapper's own.
    QStringList restant = clesJournal();
    EXPECT_EQ(restant, autres);
}

TEST_F(SyncTest, ReplayKeepsAnEntryWhoseSendFailedAndGoesOnToTheNext) {
    const auto [idA, idB] = deuxClientsModifies();
    PanneProgrammee p;
    p.type = Panne::Http500Html;
    p.fois = 1;
    p.entite = double_web::Client;
    p.operation = QStringLiteral("UpdateXML");
    double_.programmerPanne(p);

    SynchroniserPub_01_Client_02(0, 1, url, QStringLiteral("Client"));

    // A's change is still waiting, B's went through.
    EXPECT_TRUE(clesJournal().contains(QStringLiteral("P0301A")));
    EXPECT_FALSE(clesJournal().contains(QStringLiteral("P0301B")));
    EXPECT_EQ(lire(QStringLiteral("A")).etat, QStringLiteral("M"));
    EXPECT_EQ(double_.element(double_web::Client, idB)->champs.value(QStringLiteral("CltNom")),
              QStringLiteral("B modifié"));

    double_.annulerPannes();
    SynchroniserPub_01_Client_02(0, 1, url, QStringLiteral("Client"));
    EXPECT_FALSE(clesJournal().contains(QStringLiteral("P0301A")));
    EXPECT_EQ(double_.element(double_web::Client, idA)->champs.value(QStringLiteral("CltNom")),
              QStringLiteral("A modifié"));
}

TEST_F(SyncTest, ReplayKeepsAnEntryRefreshedDuringItsSend) {
    const int id = web(QStringLiteral("A"), QStringLiteral("A"));
    client(QStringLiteral("A"), QStringLiteral("Premier changement"), 'O', 'M', id);
    entree('P', 1, QStringLiteral("A"), 'M', id);
    PanneProgrammee p;
    p.type = Panne::Delai;
    p.delaiMs = 300;
    p.operation = QStringLiteral("UpdateXML");
    double_.programmerPanne(p);
    // Another station changes the client while its first change is on its way.
    QTimer::singleShot(100, [&] {
        QString k = QStringLiteral("A       ");
        BTRieve(0, BtrOp::GetEqual, k, 0, 3, 1, QStringLiteral("t"));
        EcrireTexte(EnregClient.Nom, QStringLiteral("Second changement"));
        bForcerEnvoiWeb = true;
        BTRieve(0, BtrOp::Update, k, 0, 3, 1, QStringLiteral("t"));
        bForcerEnvoiWeb = false;
    });

    SynchroniserPub_01_Client_02(0, 1, url, QStringLiteral("Client"));
    EXPECT_TRUE(clesJournal().contains(QStringLiteral("P0301A")));

    SynchroniserPub_01_Client_02(0, 1, url, QStringLiteral("Client"));
    EXPECT_FALSE(clesJournal().contains(QStringLiteral("P0301A")));
    EXPECT_EQ(double_.element(double_web::Client, id)->champs.value(QStringLiteral("CltNom")),
              QStringLiteral("Second changement"));
}

// ---- The run's line in the log -------------------------------------------------------------------

// Every run leaves its trace, a run that goes well too: what its requests came to. The second run
// creates again the client the service refused and only looks up the one it took.
TEST_F(SyncTest, TheEndOfTheRunSaysWhatItsRequestsCameTo) {
    client(QStringLiteral("C1"), QStringLiteral("Premier"), 'O', 'C', 0);
    client(QStringLiteral("C2"), QStringLiteral("Second"), 'O', 'C', 0);
    PanneProgrammee p;
    p.type = Panne::CodeErreur;
    p.code = 1001;
    p.operation = QStringLiteral("CreateXML");
    double_.programmerPanne(p);

    synchroniser();
    synchroniser();

    const QStringList lignes = lignesLog().filter(QStringLiteral("Client: requests answered: "));
    ASSERT_EQ(lignes.size(), 2) << lignesLog().join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(
        lignes[0].endsWith(QStringLiteral("Client: requests answered: CreateXML 1; refused: 1; without answer: 0")))
        << lignes[0].toStdString();
    EXPECT_TRUE(lignes[1].endsWith(
        QStringLiteral("Client: requests answered: CreateXML 1, GetByIdWeb 1; refused: 0; without answer: 0")))
        << lignes[1].toStdString();
}

// ---- Imports -----------------------------------------------------------------------------------

TEST_F(SyncTest, ImportsWriteTheWebsClientsAndAcknowledgeThem) {
    client(QStringLiteral("EXIST"), QStringLiteral("Ancien"), 'N', 'N', 0, QStringLiteral("Brest"));
    QString k = QStringLiteral("EXIST   ");
    BTRieve(0, BtrOp::GetEqual, k, 0, 3, 1, QStringLiteral("t"));
    EcrireTexte(EnregClient.Champ31, QStringLiteral("garde"));
    BTRieve(0, BtrOp::Update, k, 0, 3, 1, QStringLiteral("t"));

    const int idNeuf = web(QStringLiteral("NEUF"), QStringLiteral("Client neuf"), double_web::Cree);
    const int idExist = web(QStringLiteral("EXIST"), QStringLiteral("Nom du web"), double_web::Modifie);
    const int idLong = web(QStringLiteral("LONG"), QString(40, QLatin1Char('x')), double_web::Cree);
    const int idSansCode =
        double_.creerSurLeWeb(double_web::Client, {{QStringLiteral("CltNom"), QStringLiteral("Sans code")}});
    const int idTropLong = web(QStringLiteral("CODETROPLONG"), QStringLiteral("Refusé"), double_web::Cree);
    // An item whose IdWeb comes empty: the double writes its own IdWeb first, and the empty field
    // given here comes after it in the item, so it is the one read.
    double_web::Element sansId;
    sansId.idQD = QStringLiteral("SANSID");
    sansId.champs = {{QStringLiteral("CltIdWeb"), QString()}, {QStringLiteral("CltNom"), QStringLiteral("Sans id")}};
    sansId.statut = double_web::Cree;
    const int idServiSansId = double_.ajouter(double_web::Client, sansId);

    SynchroniserPub_01_Client_03(0, 1, url, QStringLiteral("Client"));
    SynchroniserPub_01_Client_04(0, 1, url, QStringLiteral("Client"));

    EXPECT_EQ(lire(QStringLiteral("NEUF")).nom, QStringLiteral("Client neuf"));
    EXPECT_EQ(lire(QStringLiteral("NEUF")).idWeb, idNeuf);
    EXPECT_EQ(lire(QStringLiteral("NEUF")).etat, QStringLiteral("O"));
    const ClientLocal e = lire(QStringLiteral("EXIST"));
    EXPECT_EQ(e.nom, QStringLiteral("Nom du web"));
    EXPECT_EQ(e.idWeb, idExist);
    EXPECT_EQ(e.flag, QStringLiteral("O"));
    EXPECT_EQ(e.ville, QString());  // the web's (empty) town replaces the local one
    EXPECT_EQ(TrimBlancs(LireTexte(EnregClient.Champ31)), QStringLiteral("garde"));
    EXPECT_EQ(lire(QStringLiteral("LONG")).nom, QString(30, QLatin1Char('x')));
    EXPECT_EQ(lire(QStringLiteral("LONG")).idWeb, idLong);
    EXPECT_FALSE(lire(QStringLiteral("CODETROP")).existe);
    EXPECT_EQ(double_.element(double_web::Client, idTropLong)->statut, double_web::Cree);
    // Without a web id nothing can be written nor acknowledged: skipped, with one line that names it.
    EXPECT_FALSE(lire(QStringLiteral("SANSID")).existe);
    EXPECT_EQ(double_.element(double_web::Client, idServiSansId)->statut, double_web::Cree);
    const QStringList log = lignesLog();
    EXPECT_EQ(log.filter(QStringLiteral("(IdQD: [SANSID] IdWeb: []): no web id")).size(), 1)
        << log.join(QLatin1Char('\n')).toStdString();

    // The item without a code got a new one, sent back with the acknowledgement.
    const auto sans = double_.element(double_web::Client, idSansCode);
    ASSERT_TRUE(sans.has_value());
    const QString code = sans->idQD.trimmed();
    EXPECT_FALSE(code.isEmpty());
    EXPECT_EQ(lire(code).nom, QStringLiteral("Sans code"));
    EXPECT_EQ(sans->statut, double_web::Synchronise);
}

TEST_F(SyncTest, AnImportWithoutCodeTakesBackTheClientHoldingItsWebId) {
    // Written by an earlier run whose acknowledgement did not arrive: the web lists it again
    // without a code.
    const int id = double_.creerSurLeWeb(double_web::Client, {{QStringLiteral("CltNom"), QStringLiteral("Déjà là")}});
    client(QStringLiteral("00000007"), QStringLiteral("Déjà là"), 'O', 'N', id);

    SynchroniserPub_01_Client_03(0, 1, url, QStringLiteral("Client"));

    EXPECT_EQ(fichiers->enregistrements(3).size(), 1u);
    EXPECT_EQ(lire(QStringLiteral("00000007")).etat, QStringLiteral("O"));
    EXPECT_EQ(double_.element(double_web::Client, id)->idQD.trimmed(), QStringLiteral("00000007"));
}

// ---- Audit -------------------------------------------------------------------------------------

TEST_F(SyncTest, AuditTakesTheDeletionOfAnAlreadyMissingCopyAsDone) {
    const int off = web(QStringLiteral("OFF"), QStringLiteral("Hors web"));
    client(QStringLiteral("OFF"), QStringLiteral("Hors web"), 'N', 'O', off);
    envois();
    // The copy is listed, but the service says it no longer has it when asked to delete it.
    PanneProgrammee p;
    p.type = Panne::CodeErreur;
    p.code = 501;
    p.operation = QStringLiteral("DeleteXML");
    double_.programmerPanne(p);
    TestDialogs().answers.assign(5, Mb::OK);

    SynchroniserPub_01_Client_06(0, 1, url, QStringLiteral("Client"));

    const ClientLocal o = lire(QStringLiteral("OFF"));
    EXPECT_EQ(o.idWeb, 0);
    EXPECT_EQ(o.etat, QStringLiteral("N"));
    EXPECT_EQ(o.flag, QStringLiteral("N"));
}

TEST_F(SyncTest, AuditDeletesDuplicatesAndOrphansAndResendsDifferingNames) {
    const int x11 = web(QStringLiteral("X"), QStringLiteral("X"));
    const int x12 = web(QStringLiteral("X"), QStringLiteral("X"));
    const int y1 = web(QStringLiteral("Y"), QStringLiteral("Y"));
    const int y2 = web(QStringLiteral("Y"), QStringLiteral("Y"));
    const int y3 = web(QStringLiteral("Y"), QStringLiteral("Y"));
    const int orphelin = web(QStringLiteral("ORPH"), QStringLiteral("Orphelin"));
    const int off = web(QStringLiteral("OFF"), QStringLiteral("Hors web"));
    const int casse = web(QStringLiteral("CASSE"), QStringLiteral("boulangerie"));
    const int vide = web(QStringLiteral("VIDE"), QStringLiteral("Client: VIDE"));
    client(QStringLiteral("X"), QStringLiteral("X"), 'O', 'O', x12);
    client(QStringLiteral("Y"), QStringLiteral("Y"), 'O', 'O', y1);
    client(QStringLiteral("OFF"), QStringLiteral("Hors web"), 'N', 'O', off);
    client(QStringLiteral("CASSE"), QStringLiteral("Boulangerie"), 'O', 'O', casse);
    client(QStringLiteral("VIDE"), QString(), 'O', 'O', vide);
    envois();

    SynchroniserPub_01_Client_06(0, 1, url, QStringLiteral("Client"));

    QStringList e = envois();
    e.sort();
    QStringList attendu = {
        QStringLiteral("DeleteXML:") + QString::number(x11), QStringLiteral("DeleteXML:") + QString::number(y2),
        QStringLiteral("DeleteXML:") + QString::number(y3),  QStringLiteral("DeleteXML:") + QString::number(orphelin),
        QStringLiteral("DeleteXML:") + QString::number(off), QStringLiteral("UpdateXML:") + QString::number(casse)};
    attendu.sort();
    EXPECT_EQ(e, attendu);
    EXPECT_EQ(double_.element(double_web::Client, casse)->champs.value(QStringLiteral("CltNom")),
              QStringLiteral("Boulangerie"));
    const ClientLocal o = lire(QStringLiteral("OFF"));
    EXPECT_EQ(o.idWeb, 0);
    EXPECT_EQ(o.etat, QStringLiteral("N"));
    EXPECT_EQ(o.flag, QStringLiteral("N"));
    EXPECT_TRUE(double_.element(double_web::Client, x12).has_value());
    EXPECT_TRUE(double_.element(double_web::Client, y1).has_value());
    for (const QString& c : clesJournal()) EXPECT_FALSE(c.startsWith(QLatin1Char('P'))) << c.toStdString();
    // The list shown keeps only the copies left on the web.
    std::vector<int> montrees;
    SpreadGrid* g = GrillePub(1);
    for (int r = 1; r <= g->maxRows(); ++r) montrees.push_back(g->textAt(2, r).toInt());
    std::sort(montrees.begin(), montrees.end());
    std::vector<int> restantes{x12, y1, casse, vide};
    std::sort(restantes.begin(), restantes.end());
    EXPECT_EQ(montrees, restantes);
}

// ---- Whole runs --------------------------------------------------------------------------------

class FullClientRun : public SyncTest {
protected:
    // The states a station's file holds: to keep and new, already linked, flagged off the web.
    void exemple() {
        client(QStringLiteral("00000001"), QStringLiteral("Boulangerie du Port"), 'O', 'N', 0);
        client(QStringLiteral("00000002"), QStringLiteral("Garage Central"), 'O', 'C', 0);
        client(QStringLiteral("00000003"), QStringLiteral("Librairie des Halles"), 'O', 'O',
               web(QStringLiteral("00000003"), QStringLiteral("Librairie des Halles")));
        client(QStringLiteral("00000004"), QStringLiteral("Ancien client"), 'N', 'O',
               web(QStringLiteral("00000004"), QStringLiteral("Ancien client")));
        double_.creerSurLeWeb(double_web::Client, {{QStringLiteral("CltNom"), QStringLiteral("Créé sur le web")}});
    }
};

TEST_F(FullClientRun, ServiceCutOffMidwayLosesNothingAndTheNextRunFinishes) {
    exemple();
    client(QStringLiteral("00000009"), QStringLiteral("Modifié ici"), 'O', 'M',
           web(QStringLiteral("00000009"), QStringLiteral("Ancien")));
    entree('P', 1, QStringLiteral("00000009"), 'M', lire(QStringLiteral("00000009")).idWeb);
    // Changes are refused from the start; from the first list fetch on, the service is gone.
    int vues = 0;
    LiensSynchronisation().afficherOnglet = [&](int) {
        PanneProgrammee p;
        p.type = Panne::Refus;
        p.fois = -1;
        if (++vues == 1) p.operation = QStringLiteral("UpdateXML");
        if (vues <= 2) double_.programmerPanne(p);
    };
    synchroniser();
    EXPECT_TRUE(clesJournal().contains(QStringLiteral("P030100000009")));

    double_.annulerPannes();
    if (!double_.actif()) {
        ASSERT_TRUE(double_.demarrer(double_.port()));
    }
    LiensSynchronisation().afficherOnglet = {};
    synchroniser();
    verifierEnPhase(FamilleTestClient());
}

// The program killed in the middle of a run, then started again: nothing lost, nothing twice.
// The run to kill is this test binary itself, in the helper test below.
TEST_F(FullClientRun, KilledMidRunThenRestartedNeitherLossNorDuplicate) {
    for (int i = 1; i <= 30; ++i)
        client(QStringLiteral("K%1").arg(i, 3, 10, QLatin1Char('0')), QStringLiteral("Client %1").arg(i), 'O', 'N', 0);
    const int idMod = web(QStringLiteral("KMOD"), QStringLiteral("Avant"));
    client(QStringLiteral("KMOD"), QStringLiteral("Après"), 'O', 'M', idMod);
    entree('P', 1, QStringLiteral("KMOD"), 'M', idMod);
    double_.effacerRequetes();
    // Slow creations, so that the kill lands in the middle of them however fast the machine.
    PanneProgrammee lent;
    lent.type = Panne::Delai;
    lent.delaiMs = 50;
    lent.fois = -1;
    lent.operation = QStringLiteral("CreateXML");
    double_.programmerPanne(lent);

    QProcess enfant;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KIRVO_SYNC_ENFANT"), tmp.path() + QLatin1Char('|') + url);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    enfant.setProcessEnvironment(env);
    enfant.start(QCoreApplication::applicationFilePath(),
                 {QStringLiteral("--gtest_filter=SyncChild.DISABLED_RunsTheClientSynchronisation"),
                  QStringLiteral("--gtest_also_run_disabled_tests")});
    ASSERT_TRUE(enfant.waitForStarted());
    // Killed once about half the clients were created on the web.
    for (int t = 0; t < 3000 && enfant.state() != QProcess::NotRunning; ++t) {
        int creations = 0;
        for (const auto& q : double_.requetes()) creations += q.operation == QStringLiteral("CreateXML");
        if (creations >= 15) {
            enfant.kill();
            break;
        }
        enfant.waitForFinished(10);
    }
    enfant.waitForFinished();
    ASSERT_EQ(enfant.exitStatus(), QProcess::CrashExit) << enfant.readAllStandardOutput().toStdString();
    double_.annulerPannes();

    synchroniser();
    verifierEnPhase(FamilleTestClient());
    EXPECT_EQ(
        double_.element(double_web::Client, lire(QStringLiteral("KMOD")).idWeb)->champs.value(QStringLiteral("CltNom")),
        QStringLiteral("Après"));
}

// Not a test of its own: the run the test above kills.
TEST(SyncChild, DISABLED_RunsTheClientSynchronisation) {
    const QStringList args = qEnvironmentVariable("KIRVO_SYNC_ENFANT").split(QLatin1Char('|'));
    if (args.size() != 2) GTEST_SKIP();
    ReinitialiserEtatProgramme();
    DossierApplication = args[0] + QStringLiteral("/app/");
    FichiersReels fichiers(args[0]);
    ASSERT_EQ(fichiers.ouvrir(3), 0);
    ASSERT_EQ(fichiers.ouvrir(8), 0);
    const ParametresWeb parametres{args[1], QStringLiteral("kirvo"), QStringLiteral("secret")};
    SetSourceParametresWeb([parametres] { return parametres; });
    SynchroniserPub_01_Client(args[1]);
}

}  // namespace
