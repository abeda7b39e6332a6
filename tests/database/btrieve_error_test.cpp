#include "database/btrieve.h"
#include "database/open_close.h"
#include "fake_record_manager.h"
#include "foundation/globals.h"
#include "foundation/log_lists.h"
#include "foundation/shell_link.h"
#include "foundation/trace_log.h"
#include "platform/external_programs.h"
#include "platform/program_end.h"
#include "support/fixture.h"
#include "support/scripted_dialogs.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

const QString kQuestion = QStringLiteral("Voulez-vous quitter le programme ?");

class ErrorReportTest : public KirvoTest {
protected:
    void SetUp() override {
        KirvoTest::SetUp();
        ReinitialiserEtatBTrieve();
        rm = std::make_unique<FakeRecordManager>();
        SetLanceur(&lanceur);
        DossierApplication = tmp.path() + QLatin1Char('/');
        // The shell's Quitter: unless forced, the question, and on Yes the orderly shutdown,
        // whose first act raises the closing flag.
        SetQuitterFrmMain([](bool forcer) {
            if (forcer || MsgBoxMain(kQuestion, Mb::YesNo | Mb::Question) == Mb::Yes) bFermetureEnCours = true;
        });
    }
    void TearDown() override {
        SetLanceur(nullptr);
        rm.reset();
        ReinitialiserEtatBTrieve();
        KirvoTest::TearDown();
    }
    // Reports the status on file 3 of base 0 and returns the boxes shown.
    std::vector<BoiteAffichee> rapport(int16_t statut, int16_t fileNo = 3, const QString& cle = QStringLiteral("KEY")) {
        // Each report stands for a new failed call.
        OublierStatutSignale();
        BtrStatus = statut;
        ErreurBTrieve(0, fileNo, cle, QStringLiteral("Lib_Test:Appelant"));
        return TestDialogs().shown;
    }
    void lanceurPresent() {
        QFile f(DossierApplication + QString::fromLatin1(NomLanceur));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("#!");
    }

    std::unique_ptr<FakeRecordManager> rm;
    RecordingLauncher lanceur;
};

TEST_F(ErrorReportTest, StatusTexts) {
    const QString nom = QStringLiteral("FRAD003.bt6");
    const std::pair<int16_t, const char*> cas[] = {
        {1, "Err: 1: The operation parameter is invalid\n"},
        {2, "Err: 2: The application encountered an I/O error\n"},
        {3, "Err: 3: The file is not open\n"},
        {4, "Err: 4: The application cannot find the key value\n"},
        {5, "Err: 5: The record has a key field containing a duplicate key value\n"},
        {6, "Err: 6: The key number parameter is invalid\n"},
        {7, "Err: 7: The key number has changed\n"},
        {8, "Err: 8: The current positioning is invalid\n"},
        {11, "Err: 11: The specified filename is invalid (FRAD003.bt6)\n"},
        {12, "Err: 12: The MicroKernel cannot find the specified file (FRAD003.bt6)\n"},
        {18, "Err: 18: The disk is full\n"},
        {19, "Err: 19: The application encountered an unrecoverable error\n"},
        {30, "Err: 30: The file specified is not a MicroKernel file\n"},
        {46, "Err: 46: Access to the requested file is denied (File locked ?)\n"},
        {161, "Err: 161: The maximum number of user count licenses has been reached\n"},
        {2007, "Err: 2007: A pointer parameter is invalid\n"},
        {3103, "Err: 3103: Network error\n"},
        {3106, "Err: 3106: Network error\n"},
        {3132, "Err: 3132: Network error\n"},
        {3050, "Err: 3050\n"},
        {3133, "Err: 3133\n"},
        {9, "Err: 9\n"},
        {80, "Err: 80\n"},
        {-1, "Err: -1\n"},
    };
    for (const auto& [statut, texte] : cas)
        EXPECT_EQ(ErreurBTrieveLibelle(statut, nom), QString::fromUtf8(texte)) << statut;
}

TEST_F(ErrorReportTest, MessageHoldsFileStatusHistoryAndAdvice) {
    AjouterHistorique(0, QStringLiteral("File:03 Station:1 OP:02 K:00 [00000001] [Lib_A:B]"));
    PrefixerHistorique(0, 0);
    AjouterHistorique(0, QStringLiteral("   "));
    AjouterHistorique(0, QStringLiteral("File:03 Station:1 OP:05 K:00 [00000001] [Lib_A:C]"));
    const auto boites = rapport(2);
    ASSERT_EQ(boites.size(), 1u);
    const QString exe = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    EXPECT_EQ(boites[0].prompt, QStringLiteral("Fichier: FRAD003 (Clients)  (") + exe +
                                    QStringLiteral(")  (05/03/2024 14:03:22)\n"
                                                   "Err: 2: The application encountered an I/O error\n\n"
                                                   " 0>S:00002 File:03 Station:1 OP:05 K:00 [00000001] [Lib_A:C]\n"
                                                   " 2>S:00000 File:03 Station:1 OP:02 K:00 [00000001] [Lib_A:B]\n"
                                                   "\nFaîtes une restauration de ce fichier\n"));
    EXPECT_EQ(boites[0].style, Mb::AbortRetryIgnore | Mb::Critical);
    EXPECT_EQ(boites[0].title, CaptionFrmMain());
    // The prefix is added once.
    EXPECT_EQ(BtrHistory[0][0], QStringLiteral("S:00002 File:03 Station:1 OP:05 K:00 [00000001] [Lib_A:C]"));
}

TEST_F(ErrorReportTest, WhatEachStatusShows) {
    struct Cas {
        int16_t statut;
        int16_t op;  // BtrOp as the caller left it
        int16_t fichier;
        bool boite;
        bool conseil;     // restore advice
        bool historique;  // history lines shown and prefixed
    };
    const Cas cas[] = {
        {0, 5, 3, false, false, false},
        {4, BtrOp::Delete, 3, true, true, true},
        {4, BtrOp::GetEqual, 3, true, false, true},
        {2, 5, 3, true, true, true},
        {14, 5, 3, true, true, true},
        {15, 5, 3, true, true, true},
        {19, 5, 3, true, true, true},
        {30, 5, 3, true, true, true},
        {46, 5, 3, true, false, true},
        {161, 5, 3, true, false, false},
        // A conflict reaches the report only when the wrapper gave up: the user sees it.
        {80, 3, 3, true, false, true},
        {12, 0, -1, true, false, true},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(testing::Message() << c.statut << " op " << c.op);
        TestDialogs().reset();
        for (auto& h : BtrHistory) h.fill(QString());
        AjouterHistorique(0, QStringLiteral("ligne"));
        BtrOp = c.op;
        const auto boites = rapport(c.statut, c.fichier, QStringLiteral("FRAD003.bt6"));
        ASSERT_EQ(boites.size(), c.boite ? 1u : 0u);
        EXPECT_EQ(BtrHistory[0][0], c.historique ? QStringLiteral("S:") +
                                                       QString::number(c.statut).rightJustified(5, QLatin1Char('0')) +
                                                       QStringLiteral(" ligne")
                                                 : QStringLiteral("ligne"));
        if (!c.boite) continue;
        const QString m = boites[0].prompt;
        EXPECT_EQ(m.contains(QStringLiteral("Faîtes une restauration de ce fichier")), c.conseil);
        EXPECT_EQ(m.contains(QStringLiteral(" 0>")), c.historique);
        EXPECT_EQ(m.startsWith(QStringLiteral("Fichier: ")), c.fichier >= 0);
        if (c.fichier < 0) {
            EXPECT_TRUE(m.startsWith(QStringLiteral(
                "05/03/2024 14:03:22\nErr: 12: The MicroKernel cannot find the specified file (FRAD003.bt6)\n\n")));
        }
    }
}

TEST_F(ErrorReportTest, AnswersAndTheQuitQuestion) {
    struct Cas {
        const char* nom;
        std::vector<int> reponses;  // the report's box, then the quit question
        bool fin;
    };
    const Cas cas[] = {
        {"Abandonner", {Mb::Abort}, false},
        {"Réessayer puis Oui", {Mb::Retry, Mb::Yes}, true},
        {"Réessayer puis Non", {Mb::Retry, Mb::No}, false},
        {"Ignorer puis Oui", {Mb::Ignore, Mb::Yes}, true},
        {"Ignorer puis Non", {Mb::Ignore, Mb::No}, false},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.nom);
        TestDialogs().reset();
        bFermetureEnCours = false;
        rm->appels.clear();
        for (int r : c.reponses) TestDialogs().answers.push_back(r);
        bool fini = false;
        try {
            rapport(2);
        } catch (const ProgramEnded& e) {
            fini = true;
            EXPECT_NE(e.code, 0);
        }
        EXPECT_EQ(fini, c.fin);
        ASSERT_EQ(TestDialogs().shown.size(), c.reponses.size());
        if (c.reponses.size() > 1) {
            EXPECT_EQ(TestDialogs().shown[1].prompt, kQuestion);
        }
        // The orderly shutdown released the files: nothing more to release.
        EXPECT_TRUE(rm->appels.empty());
    }

    // A report made during the shutdown (a file that will not close) lets the shutdown finish.
    TestDialogs().reset();
    bFermetureEnCours = true;
    TestDialogs().answers = {Mb::Retry};
    EXPECT_NO_THROW(rapport(2));
    EXPECT_EQ(TestDialogs().shown.size(), 1u);
}

TEST_F(ErrorReportTest, EndWritesThePendingLogLines) {
    CheminLog = tmp.path() + QStringLiteral("/log/");
    QDir().mkpath(CheminLog);
    bFrmSetupChargee = true;
    TraceLog(-1, -1, -1, QStringLiteral("Ligne en attente"), false, -1, false);
    TestDialogs().answers = {Mb::Ignore, Mb::Yes};
    EXPECT_THROW(rapport(2), ProgramEnded);
    QFile f(CheminLog + QStringLiteral("20240305.Log"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.readAll().contains("Ligne en attente"));
}

// One failure, one box: a caller that reports every status it does not expect, after the
// wrapper has reported the same failure, shows nothing more; a failure the wrapper left to the
// caller, or a later failure, is still reported.
TEST_F(ErrorReportTest, CallerReportAfterTheWrapperShowsOneBox) {
    FileOpen(0, 0, 3) = true;
    struct Appel {
        int16_t op;
        std::vector<int16_t> statuts;  // the record manager's answers
        int16_t ensuite;               // once they are used up
    };
    struct Cas {
        const char* nom;
        std::vector<Appel> appels;  // each followed by the caller's report of what it does not expect
        int boites;
    };
    const Cas cas[] = {
        {"erreur d'entrée-sortie", {{BtrOp::GetEqual, {2}, 0}}, 1},
        {"verrous sans fin", {{BtrOp::GetEqual, {}, 85}}, 1},
        {"conflits sans fin", {{BtrOp::Update, {}, 80}}, 1},
        {"doublon laissé à l'appelant", {{BtrOp::Insert, {5}, 0}}, 1},
        {"clé absente laissée à l'appelant", {{BtrOp::Delete, {4}, 0}}, 1},
        {"deux échecs, deux rapports", {{BtrOp::GetEqual, {2}, 0}, {BtrOp::GetEqual, {2}, 0}}, 2},
        {"un échec puis un succès", {{BtrOp::GetEqual, {2}, 0}, {BtrOp::GetEqual, {0}, 0}}, 1},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.nom);
        TestDialogs().reset();
        for (const Appel& a : c.appels) {
            rm->script.clear();
            for (int16_t st : a.statuts) rm->statuts({st});
            rm->parDefaut = ReponseBtr{};
            rm->parDefaut.status = a.ensuite;
            QString cle = QStringLiteral("00000001");
            BTRieve(0, a.op, cle, 0, 3, 1, QStringLiteral("Lib_Test:Appelant"));
            if (BtrStatus != 0) ErreurBTrieve(0, 3, cle, QStringLiteral("Lib_Test:Appelant"));
            if (BtrStatus != 0) ErreurBTrieve(0, 3, cle, QStringLiteral("Lib_Test:Appelant"));
        }
        EXPECT_EQ(int(TestDialogs().shown.size()), c.boites);
        for (const auto& b : TestDialogs().shown)
            EXPECT_TRUE(b.prompt.contains(QStringLiteral("Err: "))) << b.prompt.toStdString();
    }

    // A failure of the open routine right after a reported read of the same number is its own.
    TestDialogs().reset();
    rm->script.clear();
    rm->parDefaut = ReponseBtr{};
    rm->parDefaut.status = 12;
    QString cle = QStringLiteral("00000001");
    BTRieve(0, BtrOp::GetEqual, cle, 0, 3, 1, QStringLiteral("Lib_Test:Appelant"));
    ASSERT_EQ(TestDialogs().shown.size(), 1u);
    QString absent = tmp.path() + QStringLiteral("/FRAD003.bt6");
    int32_t lng = 0;
    EXPECT_FALSE(OuvertureFichierBTrieve(0, 3, absent, lng, 1, 0));
    EXPECT_EQ(BtrStatus, 12);
    ASSERT_EQ(TestDialogs().shown.size(), 2u);
    EXPECT_TRUE(TestDialogs().shown[1].prompt.contains(QStringLiteral("(") + absent + QStringLiteral(")")));
}

TEST_F(ErrorReportTest, NetworkStatusShortUptimeAsksToCheckTheNetwork) {
    horloge.setUptime(120000);
    const auto boites = rapport(3106);
    ASSERT_EQ(boites.size(), 1u);
    EXPECT_EQ(boites[0].prompt, QStringLiteral("Le programme a rencontré un problème de connexion au serveur.\n\n"
                                               "Veuillez vérifier la connectique de votre réseau."));
    EXPECT_TRUE(
        Listes().incidents(0).lines().join('\n').contains(QStringLiteral("Err: Network Pervasive errors: 3106")));
    EXPECT_TRUE(lanceur.programs.empty());

    // 3050 has no network text, yet the network rule applies.
    TestDialogs().reset();
    const auto b2 = rapport(3050);
    ASSERT_EQ(b2.size(), 1u);
    EXPECT_TRUE(b2[0].prompt.startsWith(QStringLiteral("Le programme a rencontré")));
}

TEST_F(ErrorReportTest, NetworkStatusLongUptimeRestartsThroughTheLauncher) {
    horloge.setUptime(3600000);
    lanceurPresent();
    // The launcher is already on its way: the forced quit asks nothing and the program ends.
    TestDialogs().reset();
    EXPECT_THROW(rapport(3106), ProgramEnded);
    ASSERT_EQ(lanceur.programs.size(), 1u);
    EXPECT_EQ(lanceur.programs[0].program, DossierApplication + QStringLiteral("QD3_Tools_Kirvo_Launcher.exe"));
    EXPECT_TRUE(lanceur.programs[0].args.isEmpty());
    EXPECT_TRUE(TestDialogs().shown.empty());
    EXPECT_TRUE(bFermetureEnCours);
    EXPECT_TRUE(Listes().incidents(0).lines().join('\n').contains(
        QStringLiteral("Reboot the Computer because of Pervasive Err: 3106")));
    // The orderly shutdown released the files: nothing more to release on the way out.
    EXPECT_TRUE(rm->operations().empty());

    // A launcher that does not start cannot bring the program back: it goes on, with the
    // technical message and an incident.
    TestDialogs().reset();
    bFermetureEnCours = false;
    lanceur.programResult = Lancement::AccesRefuse;
    const auto boites = rapport(3106);
    ASSERT_EQ(boites.size(), 1u);
    EXPECT_TRUE(boites[0].prompt.contains(QStringLiteral("Err: 3106: Network error\n")));
    EXPECT_TRUE(Listes().incidents(0).lines().join('\n').contains(QStringLiteral("Err: Launcher not started: ")));
}

TEST_F(ErrorReportTest, NetworkStatusWithoutLauncherShowsTheTechnicalMessage) {
    horloge.setUptime(3600000);
    // An empty launcher counts as missing.
    QFile f(DossierApplication + QString::fromLatin1(NomLanceur));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    AjouterHistorique(0, QStringLiteral("appel"));
    for (int reponse : {Mb::Abort, Mb::Retry, Mb::Ignore}) {
        TestDialogs().reset();
        TestDialogs().answers = {reponse};
        const auto boites = rapport(3050);
        ASSERT_EQ(boites.size(), 1u);
        EXPECT_TRUE(boites[0].prompt.startsWith(QStringLiteral("Fichier: FRAD003")));
        EXPECT_TRUE(boites[0].prompt.contains(QStringLiteral("Err: 3050\n\n 0>S:03050 appel\n")));
    }
    EXPECT_TRUE(lanceur.programs.empty());
}

}  // namespace
