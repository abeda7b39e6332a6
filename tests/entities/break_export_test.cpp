#include "entities_fixture.h"

#include "database/zones.h"
#include "entities/break_export.h"
#include "foundation/activity.h"
#include "foundation/log_lists.h"
#include "foundation/shell_link.h"
#include "platform/program_end.h"
#include "shell/hidden_host.h"
#include "shell/main_window.h"

#include <QAction>
#include <QFile>
#include <QTimer>
#include <memory>
#include <optional>

using double_web::Panne;
using double_web::PanneProgrammee;

namespace {

TEST(BreakExportValue, BreaksUpToTheFirstWithoutDuration) {
    struct Cas {
        const char* nom;
        int jour, heure;
        const char *pos, *dur, *nat;
        const char* attendu;
    } const cas[] = {
        {"two breaks, the second of another nature", 1, 7, "001 002", "120 090", "000 001", "01070112002000"},
        {"nature 2 keeps its duration", 7, 23, "005", "030", "002", "072305030"},
        {"no tables", 3, 0, "", "", "", "0300"},
        {"a first duration of 0 ends the hour", 2, 5, "001 002", "000 030", "", "0205"},
        {"a blank or non-numeric duration too", 2, 6, "001 002", "x12 030", "", "0206"},
        {"a position of 100 or more keeps its last two digits", 1, 1, "123", " 45", "", "010123045"},
        {"blanks inside a slot are skipped", 1, 2, " 1 ", "4 5", "", "010201045"},
        {"a negative position keeps its sign", 1, 3, "-1 ", "010", "", "0103-1010"},
    };
    for (const Cas& c : cas)
        EXPECT_EQ(ValeurPositionDuree(c.jour, c.heure, QString::fromLatin1(c.pos), QString::fromLatin1(c.dur),
                                      QString::fromLatin1(c.nat)),
                  QString::fromLatin1(c.attendu))
            << c.nom;

    // Fifteen breaks at most: a 16th beyond the 60 characters is never read.
    QString pos, dur;
    for (int k = 1; k <= 16; ++k) {
        pos += QStringLiteral("%1 ").arg(k, 3, 10, QLatin1Char('0'));
        dur += QStringLiteral("010 ");
    }
    const QString v = ValeurPositionDuree(1, 0, pos, dur, QString());
    EXPECT_EQ(v.size(), 4 + 15 * 5);
    EXPECT_TRUE(v.endsWith(QStringLiteral("15010")));
    EXPECT_EQ(CleGrillePosition(3, 7, QStringLiteral("NAT")), QStringLiteral("MER_07_NAT"));
}

class BreakExportTest : public EntitiesWebTest {
protected:
    void SetUp() override {
        EntitiesWebTest::SetUp();
        master = DossierConfigBase[0];
        local = DossierLocal[0];
        ASSERT_FALSE(master.isEmpty());
        ASSERT_FALSE(local.isEmpty());
        // Monday 07 h: two breaks (the second of nature 1); Sunday 23 h: one break of nature 2.
        EcrireFichierTest(master + QStringLiteral("XT_PUB.ini"),
                          "[Pub_Heures_Des_Tranches]\r\nDebut_Tranche_01=06\r\n"
                          "[Pub_Position_Duree_Ecrans]\r\n"
                          "LUN_07_POS=001 002\r\nLUN_07_DUR=120 090\r\n"
                          "DIM_23_POS=005\r\nDIM_23_DUR=030\r\n");
        EcrireFichierTest(master + QStringLiteral("XT_PUB_2.ini"),
                          "[Pub_Remplissage_Ecrans]\r\nLUN_07_NAT=000 001\r\nDIM_23_NAT=002\r\n");
    }
    QStringList positions() const {
        QStringList r;
        for (const auto& q : requetes(QStringLiteral("GrillePosition"), QStringLiteral("UpdateXML")))
            r << q.valeur(QStringLiteral("position"));
        return r;
    }
    QString master, local;
};

TEST_F(BreakExportTest, CopiesTheSettingsAndSendsTheWeekHourByHour) {
    // A working copy edited by hand is replaced by the master copy.
    EcrireFichierTest(local + QStringLiteral("XT_PUB.ini"),
                      "[Pub_Position_Duree_Ecrans]\r\nLUN_00_POS=009\r\nLUN_00_DUR=009\r\n");
    TestDialogs().answers = {Mb::Yes};

    MnuSynchroniserParPubPosDurEcr_Click(0);

    const QStringList p = positions();
    ASSERT_EQ(p.size(), 168);
    EXPECT_EQ(p[0], QStringLiteral("0100"));
    EXPECT_EQ(p[7], QStringLiteral("01070112002000"));
    EXPECT_EQ(p[24], QStringLiteral("0200"));
    EXPECT_EQ(p[167], QStringLiteral("072305030"));
    EXPECT_EQ(web.grillePositions(), p);
    EXPECT_EQ(LireFichierTest(local + QStringLiteral("XT_PUB_2.ini")),
              LireFichierTest(master + QStringLiteral("XT_PUB_2.ini")));
    EXPECT_EQ(boites(),
              (QStringList{QStringLiteral("Voulez-vous exporter la Position et Durée des écrans vers le Web ?"),
                           QStringLiteral("Export terminé.")}));
    EXPECT_FALSE(ActiviteEnCours());
}

TEST_F(BreakExportTest, NoSendsNothingAndCopiesNothing) {
    TestDialogs().answers = {Mb::No};
    MnuSynchroniserParPubPosDurEcr_Click(0);
    EXPECT_EQ(web.nombreRequetes(), 0);
    EXPECT_EQ(LireFichierTest(local + QStringLiteral("XT_PUB_2.ini")), QByteArray("<absent>"));
}

TEST_F(BreakExportTest, ARefusedHourIsShownOnceCountedAndTheOthersStillGo) {
    PanneProgrammee refus;
    refus.type = Panne::CodeErreur;
    refus.code = 1001;
    refus.entite = QStringLiteral("GrillePosition");
    refus.fois = 3;
    web.programmerPanne(refus);
    TestDialogs().answers = {Mb::Yes};
    MnuSynchroniserParPubPosDurEcr_Click(0);
    EXPECT_EQ(web.nombreRequetes(), 168);
    // The first refusal is shown, the next ones only counted; each is logged.
    ASSERT_EQ(boites().size(), 3) << boites().join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(boites()[1].startsWith(QStringLiteral("Paramètre(s) invalide(s)"))) << boites()[1].toStdString();
    EXPECT_EQ(boites().last(), QStringLiteral("Export terminé avec 3 envoi(s) en échec sur 168 : les Position et Durée "
                                              "des écrans ne sont pas toutes exportées."));
    EXPECT_EQ(logAvec(QStringLiteral("GrillePosition: 165 hour(s) sent, 3 failure(s)")).size(), 1);
    EXPECT_EQ(logAvec(QStringLiteral("GrillePosition/UpdateXML refused (code 1001): ?position=01")).size(), 3);
}

// A service out of reach, or one that refuses the credentials, stops the export with the one box
// that names what to check and says how many hours were accepted; a service that answers fails or
// refuses that hour only: every hour is sent, and the end box counts the failures and says when
// the service answered with errors. The summary line says why the export stopped.
TEST_F(BreakExportTest, EveryFaultOfTheServiceIsToldInTheBoxAndTheSummaryLine) {
    const auto panne = [](Panne type, int fois, int apres = 0) {
        PanneProgrammee p;
        p.type = type;
        p.fois = fois;
        p.apres = apres;
        p.delaiMs = 60000;
        return p;
    };
    const QString question = QStringLiteral("Voulez-vous exporter la Position et Durée des écrans vers le Web ?");
    const QString injoignable = QStringLiteral("Adresse Web non accessible: ") + url;
    const QString identification =
        QStringLiteral("Identification refusée par le service Web, vérifiez User et Password des options: ") + url;
    // After the address, on a line of its own: how far the export went.
    const auto acceptees = [](int n) {
        return QStringLiteral(
                   "\r\nExport interrompu : %1 heure(s) sur 168 ont été acceptées, les Position et Durée des "
                   "écrans ne sont pas toutes exportées.")
            .arg(n);
    };
    const QString fin = QStringLiteral(" : les Position et Durée des écrans ne sont pas toutes exportées.");
    const QString horsService = QStringLiteral(", stopped: web service unreachable");
    const QString refusIdentification = QStringLiteral(", stopped: credentials refused by the web service (HTTP 401)");
    const QString ligne401 =
        QStringLiteral("GrillePosition/UpdateXML answered HTTP/1.1 401 Unauthorized (credentials refused): ?position=");
    const struct {
        const char* nom;
        std::optional<PanneProgrammee> panne;
        QString motDePasse;    // the options' password (the service's is "secret")
        int motDePasseChange;  // the service changes its password once it got this many requests (-1: never)
        int requetes;          // received by the service
        QStringList boites;    // after the question
        int gardees;           // hours the web holds (-1: not checked)
        QString ligne;         // in the log line of each failed hour
        int echecs;            // those lines
        QString bilan;         // the summary line, after "GrillePosition: "
    } cas[] = {
        {"refused connection",
         panne(Panne::Refus, -1),
         QStringLiteral("secret"),
         -1,
         0,
         {injoignable + acceptees(0)},
         0,
         QString(),
         0,
         QStringLiteral("0 hour(s) sent, 0 failure(s)") + horsService},
        {"connection dropped",
         panne(Panne::Coupure, -1),
         QStringLiteral("secret"),
         -1,
         1,
         {injoignable + acceptees(0)},
         -1,
         QString(),
         0,
         QStringLiteral("0 hour(s) sent, 0 failure(s)") + horsService},
        // The twelfth hour reached the service, which carried it out before the connection went.
        {"connection dropped on the twelfth hour",
         panne(Panne::Coupure, 1, 11),
         QStringLiteral("secret"),
         -1,
         12,
         {injoignable + acceptees(11)},
         12,
         QString(),
         0,
         QStringLiteral("11 hour(s) sent, 0 failure(s)") + horsService},
        {"credentials refused",
         std::nullopt,
         QStringLiteral("faux"),
         -1,
         1,
         {identification + acceptees(0)},
         0,
         ligne401 + QStringLiteral("0100"),
         1,
         QStringLiteral("0 hour(s) sent, 0 failure(s)") + refusIdentification},
        {"the service's password changed after the eleventh hour",
         std::nullopt,
         QStringLiteral("secret"),
         11,
         12,
         {identification + acceptees(11)},
         11,
         ligne401 + QStringLiteral("0111"),
         1,
         QStringLiteral("11 hour(s) sent, 0 failure(s)") + refusIdentification},
        {"500 on the twelfth hour",
         panne(Panne::Http500Html, 1, 11),
         QStringLiteral("secret"),
         -1,
         168,
         {QStringLiteral("Export terminé avec 1 envoi(s) en échec sur 168 (le service Web a répondu par des erreurs "
                         "(HTTP 500) à 1 requête(s))") +
          fin},
         167,
         QStringLiteral("GrillePosition/UpdateXML answered HTTP/1.1 500 Internal Server Error: ?position=0111"),
         1,
         QStringLiteral("167 hour(s) sent, 1 failure(s)")},
        {"500 on every hour",
         panne(Panne::Http500Html, -1),
         QStringLiteral("secret"),
         -1,
         168,
         {QStringLiteral("Export terminé avec 168 envoi(s) en échec sur 168 (le service Web a répondu par des "
                         "erreurs (HTTP 500) à 168 requête(s))") +
          fin},
         0,
         QStringLiteral("GrillePosition/UpdateXML answered HTTP/1.1 500 Internal Server Error: ?position="),
         168,
         QStringLiteral("0 hour(s) sent, 168 failure(s)")},
        {"Code 0 and Result false on the twelfth hour",
         panne(Panne::ResultatFaux, 1, 11),
         QStringLiteral("secret"),
         -1,
         168,
         {QStringLiteral("Export terminé avec 1 envoi(s) en échec sur 168") + fin},
         167,
         QStringLiteral("GrillePosition/UpdateXML refused (Result not True): ?position=0111"),
         1,
         QStringLiteral("167 hour(s) sent, 1 failure(s)")},
        // The first error answer is shown as the service worded it.
        {"error code on the twelfth hour",
         [&] {
             PanneProgrammee p = panne(Panne::CodeErreur, 1, 11);
             p.code = 1001;
             return p;
         }(),
         QStringLiteral("secret"),
         -1,
         168,
         {QStringLiteral("Paramètre(s) invalide(s) pour la requête: \r\n\r\n"),
          QStringLiteral("Export terminé avec 1 envoi(s) en échec sur 168") + fin},
         167,
         QStringLiteral("GrillePosition/UpdateXML refused (code 1001): ?position=0111"),
         1,
         QStringLiteral("167 hour(s) sent, 1 failure(s)")},
        // Last: the held answer goes out when the faults are cancelled, after the table.
        {"time-out",
         panne(Panne::Delai, 1),
         QStringLiteral("secret"),
         -1,
         1,
         {injoignable + acceptees(0)},
         0,
         QString(),
         0,
         QStringLiteral("0 hour(s) sent, 0 failure(s)") + horsService},
    };
    for (const auto& c : cas) {
        SCOPED_TRACE(c.nom);
        web.vider();
        debutCasPanne(c.panne, c.motDePasse, c.motDePasseChange);
        TestDialogs().answers = {Mb::Yes};

        MnuSynchroniserParPubPosDurEcr_Click(0);

        EXPECT_EQ(web.nombreRequetes(), c.requetes);
        EXPECT_EQ(boites().join(QLatin1Char('\n')).toStdString(),
                  (QStringList{question} + c.boites).join(QLatin1Char('\n')).toStdString());
        if (c.gardees >= 0) {
            EXPECT_EQ(web.grillePositions().size(), c.gardees);
        }
        const QStringList echecs =
            logAvec(QStringLiteral("Err: Lib_Kirvo:SynchroniserPub_99_Parametres_Ecran_Position_Duree: "));
        ASSERT_EQ(echecs.size(), c.echecs) << lignesLog().join(QLatin1Char('\n')).toStdString();
        for (const QString& l : echecs) {
            EXPECT_TRUE(l.contains(c.ligne)) << l.toStdString();
        }
        const QStringList bilan = logAvec(QStringLiteral("GrillePosition: "));
        ASSERT_EQ(bilan.size(), 1) << lignesLog().join(QLatin1Char('\n')).toStdString();
        EXPECT_TRUE(bilan[0].endsWith(QStringLiteral("GrillePosition: ") + c.bilan)) << bilan[0].toStdString();
        EXPECT_FALSE(ActiviteEnCours());
        EXPECT_FALSE(FrmMsgChargee());
    }
    SetSourceParametresWeb([this] { return ParametresWeb{url, QStringLiteral("kirvo"), QStringLiteral("secret")}; });
    web.annulerPannes();
    web.setIdentifiants(QStringLiteral("kirvo"), QStringLiteral("secret"));
    ClientWeb().DelaiMaxMs = 3000;
}

// The program's end in the middle of the export takes the wait window and the busy flag with it.
TEST_F(BreakExportTest, AnEndInTheMiddleOfTheExportLeavesNoWaitWindow) {
    int envoyees = 0;
    SetSourceParametresWeb([&] {
        if (++envoyees == 12) FinProgramme(1);
        return ParametresWeb{url, QStringLiteral("kirvo"), QStringLiteral("secret")};
    });
    TestDialogs().answers = {Mb::Yes};
    EXPECT_THROW(MnuSynchroniserParPubPosDurEcr_Click(0), ProgramEnded);
    EXPECT_EQ(envoyees, 12);
    EXPECT_FALSE(FrmMsgChargee());
    EXPECT_FALSE(ActiviteEnCours());
}

// An empty master copy is not copied (the copy routine takes it for a missing one): the working
// copy stays as it is, one line says so, and the export runs.
TEST_F(BreakExportTest, AnEmptyMasterCopyLeavesTheWorkingCopyAndDoesNotBlockTheExport) {
    const QByteArray travail = "[Pub_Position_Duree_Ecrans]\r\nLUN_00_POS=009\r\nLUN_00_DUR=009\r\n";
    EcrireFichierTest(master + QStringLiteral("XT_PUB.ini"), "");
    EcrireFichierTest(master + QStringLiteral("XT_PUB_2.ini"), "");
    EcrireFichierTest(local + QStringLiteral("XT_PUB.ini"), travail);
    TestDialogs().answers = {Mb::Yes};

    MnuSynchroniserParPubPosDurEcr_Click(0);

    const QStringList p = positions();
    ASSERT_EQ(p.size(), 168);
    EXPECT_EQ(p[0], QStringLiteral("010009009"));
    EXPECT_EQ(p[7], QStringLiteral("0107"));
    EXPECT_EQ(LireFichierTest(local + QStringLiteral("XT_PUB.ini")), travail);
    EXPECT_EQ(LireFichierTest(local + QStringLiteral("XT_PUB_2.ini")), QByteArray("<absent>"));
    EXPECT_EQ(logAvec(QStringLiteral(" is empty: ")).size(), 2) << lignesLog().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(
        logAvec(QStringLiteral("XT_PUB.ini is empty: ") + local + QStringLiteral("XT_PUB.ini kept as it is")).size(),
        1);
    EXPECT_EQ(boites().last(), QStringLiteral("Export terminé."));
}

TEST_F(BreakExportTest, AFailedCopyOrARunningActivityExportsNothing) {
    // The working copy cannot be replaced: the export does not run on it.
    EcrireFichierTest(local + QStringLiteral("XT_PUB.ini"), "[Pub_Position_Duree_Ecrans]\r\n");
    QFile::setPermissions(local + QStringLiteral("XT_PUB.ini"), QFile::ReadOwner);
    TestDialogs().answers = {Mb::Yes};
    MnuSynchroniserParPubPosDurEcr_Click(0);
    QFile::setPermissions(local + QStringLiteral("XT_PUB.ini"), QFile::ReadOwner | QFile::WriteOwner);
    EXPECT_EQ(web.nombreRequetes(), 0);
    EXPECT_EQ(boites().filter(QStringLiteral("a échoué")).size(), 1) << boites().join(QLatin1Char('\n')).toStdString();

    // A base without its local folder: nothing is copied or read elsewhere.
    TestDialogs().reset();
    DossierLocal[0].clear();
    TestDialogs().answers = {Mb::Yes};
    MnuSynchroniserParPubPosDurEcr_Click(0);
    DossierLocal[0] = local;
    EXPECT_EQ(web.nombreRequetes(), 0);
    EXPECT_EQ(boites().filter(QStringLiteral("ne sont pas connus")).size(), 1);

    TestDialogs().reset();
    RechercheEnCours = true;
    MnuSynchroniserParPubPosDurEcr_Click(0);
    RechercheEnCours = false;
    EXPECT_EQ(web.nombreRequetes(), 0);
    EXPECT_EQ(boites(), QStringList{QStringLiteral("Recherche en cours, veuillez patienter.")});
}

TEST_F(BreakExportTest, TheMenuEntryRunsTheExportAndRefusesASecondStart) {
    auto w = std::make_unique<Frm_Main>();
    // The window reads the options window, which these tests do not load.
    SetSourceParametresWeb([this] { return ParametresWeb{url, QStringLiteral("kirvo"), QStringLiteral("secret")}; });
    // The first answer comes late: a second choice of the entry arrives while the first runs.
    PanneProgrammee lente;
    lente.type = Panne::Delai;
    lente.delaiMs = 300;
    lente.entite = QStringLiteral("GrillePosition");
    web.programmerPanne(lente);
    bool vuEnCours = false;
    QTimer::singleShot(100, [&] {
        vuEnCours = ActiviteEnCours();
        w->MnuSynchroniserParPubPosDurEcr[0]->trigger();
    });
    w->MnuSynchroniserParPubPosDurEcr[0]->trigger();
    EXPECT_TRUE(vuEnCours);
    EXPECT_EQ(positions().size(), 168);
    EXPECT_EQ(boites().filter(QStringLiteral("Synchronisation en cours, veuillez patienter.")).size(), 1)
        << boites().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(boites().last(), QStringLiteral("Export terminé."));
    w.reset();
    AfficherFrmMsg(false, QString());
    DechargerFrmMainBis();
}

}  // namespace
