#include "foundation/daily_log.h"
#include "foundation/error_routine.h"
#include "foundation/globals.h"
#include "foundation/log_lists.h"
#include "foundation/proc.h"
#include "foundation/restart_shortcut.h"
#include "foundation/trace_log.h"
#include "platform/cp1252.h"
#include "platform/external_programs.h"
#include "support/fixture.h"
#include "support/scripted_dialogs.h"

#include <QDir>
#include <QFile>
#include <QTimer>

namespace {

class RestartShortcutTest : public KirvoTest {
protected:
    void SetUp() override {
        KirvoTest::SetUp();
        ReinitialiserJournalJour();
        ancienConfig = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", (tmp.path() + QStringLiteral("/config")).toUtf8());
        qputenv("KIRVO_REGISTRY_DIR", tmp.path().toUtf8());
        DossierApplication = tmp.path() + QStringLiteral("/app/");
        QDir().mkpath(DossierApplication);
        SetLanceur(&lanceur);
    }
    void TearDown() override {
        SetLanceur(nullptr);
        qputenv("XDG_CONFIG_HOME", ancienConfig);
        qunsetenv("KIRVO_REGISTRY_DIR");
        KirvoTest::TearDown();
    }
    QString entree() const { return tmp.path() + QStringLiteral("/config/autostart/Ondrune - Tools-Kirvo.desktop"); }
    QStringList lignesEntree() const {
        QFile f(entree());
        if (!f.open(QIODevice::ReadOnly)) return {};
        return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    QString cle(const QString& nom) const {
        for (const QString& l : lignesEntree())
            if (l.startsWith(nom + QLatin1Char('='))) return l.mid(nom.size() + 1);
        return QStringLiteral("<absent>");
    }
    QStringList incidents() const { return Listes().incidents(0).lines(); }

    QByteArray ancienConfig;
    RecordingLauncher lanceur;
};

TEST_F(RestartShortcutTest, DelayIsClampedAndWrittenBack) {
    struct Cas {
        int16_t action;
        int32_t delai, attendu;
        bool entree;
    };
    const Cas cas[] = {
        {-1, 500, 1000, true},      {-1, 200000, 120000, true}, {-1, 1000, 1000, true},
        {-1, 120000, 120000, true}, {5, 500, 1000, false},      {5, -3, 1000, false},
    };
    for (const auto& k : cas) {
        QFile::remove(entree());
        int32_t d = k.delai;
        CreateShortCutStartUp(k.action, d, QStringLiteral("Test:Cas"));
        EXPECT_EQ(d, k.attendu) << k.delai;
        EXPECT_EQ(QFile::exists(entree()), k.entree) << k.action;
        if (k.entree) {
            EXPECT_TRUE(cle(QStringLiteral("Exec")).endsWith(QStringLiteral(" /Wait=") + QString::number(k.attendu)));
        }
    }
    EXPECT_EQ(lignesLog().size(), 0);
}

TEST_F(RestartShortcutTest, AutostartEntryRelaunchesTheProgramWithItsDelay) {
    int32_t d = 30000;
    CreateShortCutStartUp(-1, d, QStringLiteral("Test:Cas"));
    d = 2000;
    CreateShortCutStartUp(-1, d, QStringLiteral("Test:Cas"));  // replaces the first one
    EXPECT_EQ(QDir(tmp.path() + QStringLiteral("/config/autostart")).entryList(QDir::Files).size(), 1);
    const QString cible = DossierApplication + QStringLiteral("QD3_Tools_Kirvo");
    EXPECT_EQ(lignesEntree().first(), QStringLiteral("[Desktop Entry]"));
    EXPECT_EQ(cle(QStringLiteral("Type")), QStringLiteral("Application"));
    EXPECT_EQ(cle(QStringLiteral("Name")), QStringLiteral("Ondrune - Tools-Kirvo"));
    EXPECT_EQ(cle(QStringLiteral("Exec")), cible + QStringLiteral(" /Wait=2000"));
    EXPECT_EQ(cle(QStringLiteral("Path")), tmp.path() + QStringLiteral("/app"));
    EXPECT_EQ(cle(QStringLiteral("Icon")), cible);
    EXPECT_EQ(cle(QStringLiteral("Comment")), QStringLiteral("Lancer le Tools-Kirvo Ondrune"));
}

TEST_F(RestartShortcutTest, ExecLineQuotesWhatTheLauncherWouldSplit) {
    struct Cas {
        const char* dossier;
        const char* exec;
    };
    const Cas cas[] = {
        {"/opt/Ondrune Tools/", "\"/opt/Ondrune Tools/QD3_Tools_Kirvo\" /Wait=1000"},
        {"/opt/a$b/", "\"/opt/a\\\\$b/QD3_Tools_Kirvo\" /Wait=1000"},  // \$ quoted, its backslash escaped
        {"/opt/100%/", "/opt/100%%/QD3_Tools_Kirvo /Wait=1000"},
    };
    for (const auto& k : cas) {
        DossierApplication = QString::fromUtf8(k.dossier);
        int32_t d = 1000;
        CreateShortCutStartUp(-1, d, QStringLiteral("Test:Cas"));
        EXPECT_EQ(cle(QStringLiteral("Exec")), QString::fromUtf8(k.exec)) << k.dossier;
    }
}

TEST_F(RestartShortcutTest, DeleteRemovesTheEntryAndIsQuietWithoutOne) {
    int32_t d = 5000;
    CreateShortCutStartUp(0, d, QStringLiteral("Test:Cas"));
    EXPECT_EQ(lignesLog().size(), 0);
    CreateShortCutStartUp(-1, d, QStringLiteral("Test:Cas"));
    ASSERT_TRUE(QFile::exists(entree()));
    CreateShortCutStartUp(0, d, QStringLiteral("Test:Cas"));
    EXPECT_FALSE(QFile::exists(entree()));
    EXPECT_EQ(lignesLog().size(), 0);
}

TEST_F(RestartShortcutTest, UnwritableAutostartFolderIsReportedUnderTheCallersKey) {
    QFile bloque(tmp.path() + QStringLiteral("/config"));
    ASSERT_TRUE(bloque.open(QIODevice::WriteOnly));  // a file where the folder should be
    bloque.close();
    int32_t d = 5000;
    CreateShortCutStartUp(-1, d, QStringLiteral("Frm_Setup:CheckReboot_Click"));
    ASSERT_GE(incidents().size(), 1);
    EXPECT_TRUE(incidents()[0].contains(
        QStringLiteral("Source:Frm_Setup:CheckReboot_Click:Lib_Systeme:CreateShortCutStartUp:")))
        << incidents()[0].toStdString();
    EXPECT_TRUE(TestDialogs().shown.empty());
}

TEST_F(RestartShortcutTest, ExternalProgramResultsAndMessages) {
    const QString doc = tmp.path() + QStringLiteral("/note.txt");
    QFile(doc).open(QIODevice::WriteOnly);
    struct Cas {
        QString fichier;
        int docResult;
        int32_t r;
        QString incident;  // "" when none
        QString message;
    };
    const Cas cas[] = {
        {tmp.path() + QStringLiteral("/absent.txt"), Lancement::Reussi, 2,
         QStringLiteral("Err: 53 (Fichier non trouvé)"), QStringLiteral("Fichier non trouvé")},
        {tmp.path() + QStringLiteral("/nulle/part.txt"), Lancement::Reussi, 3,
         QStringLiteral("Err: 76 (Chemin d'accès non trouvé)"), QStringLiteral("Chemin d'accès non trouvé")},
        {doc, Lancement::AucuneAssociation, 31,
         QStringLiteral("Err: 1079 (Il n'y a aucune application associée à ce type de fichier)"),
         QStringLiteral("Il n'y a aucune application associée à ce type de fichier")},
        {doc, Lancement::FormatInvalide, 11, QStringLiteral("Err: 1059 (Cet exécutable est invalide ou corrompu)"),
         QStringLiteral("Cet exécutable est invalide ou corrompu")},
        {doc, Lancement::Reussi, Lancement::Reussi, QString(), QString()},
    };
    for (const auto& k : cas) {
        ReinitialiserListes();
        TestDialogs().reset();
        lanceur.documentResult = k.docResult;
        const int32_t r = ExecuterProgrammeExterne(QStringLiteral("Open"), k.fichier, {}, QString(), 1);
        EXPECT_EQ(r, k.r) << k.fichier.toStdString();
        if (k.incident.isEmpty()) {
            EXPECT_EQ(incidents().size(), 0);
            EXPECT_TRUE(TestDialogs().shown.empty());
            continue;
        }
        ASSERT_EQ(incidents().size(), 1) << k.r;
        EXPECT_TRUE(
            incidents()[0].contains(k.incident + QStringLiteral("  Source:Lib_Systeme:ExecuterProgrammeExterne:")))
            << incidents()[0].toStdString();
        // The object-defined numbers also show where they came from.
        EXPECT_EQ(incidents()[0].contains(QStringLiteral("(Source: QD3_Tools_Kirvo.ExecuterProgrammeExterne)")),
                  k.r == 11 || k.r == 31);
        ASSERT_EQ(TestDialogs().shown.size(), 1u);
        EXPECT_EQ(TestDialogs().shown[0].prompt, k.message + QStringLiteral("\r\n\r\n") + k.fichier);
        EXPECT_EQ(TestDialogs().shown[0].style & 0x70, int(Mb::Critical));
        EXPECT_EQ(TestDialogs().shown[0].title, QStringLiteral("Ondrune: Tools Kirvo"));
    }
    EXPECT_EQ(lanceur.documents.size(), 3);
    EXPECT_TRUE(lanceur.programs.empty());
}

TEST_F(RestartShortcutTest, ProgramsGetAnArgumentVectorAndAddressesGoToTheDesktop) {
    const QString prog = tmp.path() + QStringLiteral("/outil.sh");
    QFile f(prog);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("#!/bin/sh\n");
    f.close();
    f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QStringList args{QStringLiteral("a b"), QStringLiteral("c;rm -rf x"), QStringLiteral("\"$(d)\"")};
    EXPECT_EQ(ExecuterProgrammeExterne(QStringLiteral("Open"), prog, args, tmp.path(), 1), Lancement::Reussi);
    ASSERT_EQ(lanceur.programs.size(), 1u);
    EXPECT_EQ(lanceur.programs[0].program, prog);
    EXPECT_EQ(lanceur.programs[0].args, args);
    EXPECT_EQ(lanceur.programs[0].workDir, tmp.path());

    const QString page = QStringLiteral("https://example.invalid/revisions.html");
    EXPECT_EQ(ExecuterProgrammeExterne(QStringLiteral("Open"), page, {}, QString(), 1), Lancement::Reussi);
    EXPECT_EQ(lanceur.documents, QStringList{page});

    // A working folder that does not exist is a path not found.
    EXPECT_EQ(ExecuterProgrammeExterne(QStringLiteral("Open"), prog, {}, tmp.path() + QStringLiteral("/x"), 1), 3);
    EXPECT_EQ(lanceur.programs.size(), 1u);
}

// A clock whose counter moves by itself, as the real one does.
class HorlogeQuiAvance : public FakeClock {
public:
    uint32_t tick32() const override {
        ++lectures;
        return uint32_t(FakeClock::tick32() + lectures);
    }
    mutable uint32_t lectures = 0;
};

TEST_F(RestartShortcutTest, WaitRunsEventsAndEndsOnTimeOrAtShutdown) {
    HorlogeQuiAvance h;
    SetHorlogeSysteme(&h);
    WaitOnDuration(0);
    EXPECT_GE(GetTickCount64() - 3600000, 1u);
    SetHorlogeSysteme(&horloge);

    bool evenement = false;
    QTimer::singleShot(0, [&] { evenement = true; });
    ReinitialiserTraceLog();
    const uint64_t debut = GetTickCount64();
    WaitOnDuration(250);
    EXPECT_TRUE(evenement);
    EXPECT_GT(GetTickCount64() - debut, 250u);
    EXPECT_LE(GetTickCount64() - debut, 260u);

    bFermetureEnCours = true;
    const uint64_t avant = GetTickCount64();
    WaitOnDuration(100000);
    EXPECT_EQ(GetTickCount64(), avant);
}

TEST_F(RestartShortcutTest, ShutdownWritesPendingLinesThenAsksForAForcedRestart) {
    CheminLog = tmp.path() + QStringLiteral("/");
    bFrmSetupChargee = true;
    TraceLog(-1, -1, -1, QStringLiteral("derniere ligne"), false, -1, false);
    ShutdownWindows(FinSession::Redemarrage);
    EXPECT_EQ(lanceur.sessionEnds, std::vector<uint32_t>{FinSession::Redemarrage | FinSession::Force});
    QFile f(tmp.path() + QStringLiteral("/20240305.Log"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(FromCp1252(f.readAll()).contains(QStringLiteral(":derniere ligne\r\n")));
    EXPECT_EQ(Listes().ListeLog.count(), 0);
}

TEST_F(RestartShortcutTest, DisconnectedAutomationObjectRestartsTheMachine) {
    InstallerRedemarrageSurErreurAutomation();
    {
        Proc p("Test:Autre");
        p(10, [] { Raise(5); });
    }
    EXPECT_TRUE(lanceur.sessionEnds.empty());
    EXPECT_FALSE(QFile::exists(entree()));
    ReinitialiserListes();

    {
        Proc p("Test:Automation");
        p(10,
          [] { throw AppError(ErrAutomationDeconnectee, QStringLiteral("Objet déconnecté"), QStringLiteral("X")); });
    }
    ASSERT_EQ(incidents().size(), 2);
    EXPECT_TRUE(incidents()[0].contains(QStringLiteral("Err: -2147417848 (Objet déconnecté)")));
    EXPECT_TRUE(incidents()[1].endsWith(QStringLiteral(":Reboot the Computer because of Automation Error")));
    EXPECT_TRUE(cle(QStringLiteral("Exec")).endsWith(QStringLiteral(" /Wait=10000")));
    EXPECT_EQ(lanceur.sessionEnds, std::vector<uint32_t>{FinSession::Redemarrage | FinSession::Force});

    // Reported under a zone, both lines go to that zone's list.
    NbZones = 2;
    Listes().creerListesIncidents(2);
    {
        Proc p("Test:Automation");
        p.zone(1);
        p(10,
          [] { throw AppError(ErrAutomationDeconnectee, QStringLiteral("Objet déconnecté"), QStringLiteral("X")); });
    }
    ASSERT_EQ(Listes().incidents(1).count(), 2);
    EXPECT_TRUE(
        Listes().incidents(1).at(1).endsWith(QStringLiteral(":Reboot the Computer because of Automation Error")));
}

}  // namespace
