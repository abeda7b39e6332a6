#include "foundation/settings_locations.h"
#include "foundation/shell_link.h"
#include "foundation/system_info.h"
#include "platform/external_programs.h"
#include "platform/program_end.h"
#include "program_fixture.h"
#include "shell/hidden_host.h"
#include "shell/shell_globals.h"

#include <QCheckBox>
#include <QComboBox>
#include <QListView>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QTabWidget>
#include <QThread>
#include <QTimer>

namespace {

class StartupTest : public ProgrammeTest {
protected:
    static QStringList elements(const QComboBox* c) {
        QStringList r;
        for (int i = 0; i < c->count(); ++i) r << c->itemText(i);
        return r;
    }
    static QRect ecran() { return QGuiApplication::primaryScreen()->availableGeometry(); }
    void ecrirePosition(const char* cle, const QString& valeur) {
        ASSERT_TRUE(
            EcritureIni(dossierProgramme + QStringLiteral("Settings/QD3_Tools_Kirvo/QD3_Tools_Kirvo_Positions.Ini"),
                        QStringLiteral("FrmPos"), QStringLiteral("Frm_Main") + QString::fromLatin1(cle), valeur));
    }
};

TEST_F(StartupTest, BringsTheWholeProgramUpOnASite) {
    construire(SiteStandard(1, 2));
    ASSERT_TRUE(demarrer());

    EXPECT_EQ(frm->windowTitle(), QStringLiteral("Ondrune: Tools Kirvo - ") + VersionApplication());
    EXPECT_EQ(CaptionFrmMain(), frm->windowTitle());
    EXPECT_EQ(DossierApplication, dossierProgramme);
    EXPECT_TRUE(frm->isVisible());
    EXPECT_TRUE(bInitTerminee);
    EXPECT_FALSE(bAfficherProgression);
    EXPECT_FALSE(FrmMsgChargee());

    EXPECT_EQ(elements(frm->ComboStatus),
              (QStringList{QStringLiteral("Supprimé sur le Web"), QStringLiteral("Synchronisé"),
                           QStringLiteral("Créé sur le Web"), QStringLiteral("Modifié sur le Web")}));
    EXPECT_EQ(frm->ComboStatus->currentText(), QStringLiteral("Créé sur le Web"));
    EXPECT_EQ(elements(frm->ComboRecherche[0]), (QStringList{QStringLiteral("Libellé"), QStringLiteral("Code")}));
    EXPECT_EQ(elements(frm->ComboRecherche[1]), (QStringList{QStringLiteral("Commence"), QStringLiteral("Contient")}));
    EXPECT_EQ(elements(frm->ComboRecherche[2]),
              (QStringList{QStringLiteral("Ondrune Nord 1"), QStringLiteral("Ondrune Nord 2")}));
    for (QComboBox* c : frm->ComboRecherche) EXPECT_EQ(c->currentIndex(), 0);

    const int incidents = frm->ongletIncidents();
    ASSERT_GE(incidents, 0);
    EXPECT_FALSE(frm->SftTabsMain->isTabVisible(incidents));
    EXPECT_TRUE(QFileInfo(dossierProgramme + QStringLiteral("Local/QD3_Tools_Kirvo")).isDir());

    // Current base and station, every zone's station, the options window loaded and hidden.
    EXPECT_EQ(NoBaseCourante, 0);
    EXPECT_EQ(NoStationCourante, 1);
    for (int32_t s : StationCourante) EXPECT_EQ(s, 1);
    EXPECT_EQ(NbZones, 1);
    ASSERT_NE(FrmSetupCharge(), nullptr);
    EXPECT_FALSE(FrmSetupCharge()->isVisible());
    EXPECT_TRUE(bFrmSetupChargee);

    // The database files of both stations, and the time slots in the hidden host.
    EXPECT_TRUE(fichiersOuverts(2, true));
    ASSERT_TRUE(FrmMainBisChargee());
    EXPECT_EQ(FrmMainBis().ComboTrancheDeb[0]->count(), TranchesHoraires::NbEntrees);
    EXPECT_EQ(FrmMainBis().ComboTrancheFin[17]->currentText(), QStringLiteral("End"));

    // The announced steps, in order, reached the day's log file.
    const QStringList j = journalFichier();
    int i = ligne(j, QStringLiteral("FrmMain: Init General: Start"));
    EXPECT_GE(i, 0);
    for (const char* etape :
         {"Init: InitGeneralSite", "Init: InitGeneralPath", "Init: Frm_MainBis.InitGeneral",
          "Tools Kirvo: Init: General", "Tools Kirvo: Open DataBase", "Tools Kirvo: InitLookTabs"}) {
        i = ligne(j, QStringLiteral("----- ") + QString::fromLatin1(etape) + QStringLiteral(" -----"), i);
        EXPECT_GE(i, 0) << etape;
    }
    i = ligne(j, QStringLiteral("FrmMain: Init General: End"), i);
    EXPECT_GE(i, 0);
    for (const char* etape : {"Tools Kirvo: Init: Create Object", "Tools Kirvo: Init: Tableur",
                              "Tools Kirvo: Init: PropertyGrid", "Tools Kirvo: Init: Display"}) {
        i = ligne(j, QStringLiteral("----- ") + QString::fromLatin1(etape) + QStringLiteral(" -----"), i);
        EXPECT_GE(i, 0) << etape;
    }
    // The nomenclature's step is shown, never logged; the duration closes the start-up.
    EXPECT_EQ(ligne(j, QStringLiteral("Library: Setup: Init: Nomenclature -----")), -1);
    EXPECT_GE(ligne(j, QStringLiteral(" ms"), i), 0);
    const int duree = ligne(j, QStringLiteral(" ms"), i);
    ASSERT_GE(duree, 1);
    EXPECT_TRUE(j[duree].contains(QStringLiteral("----- Init: Duration: ")));
    EXPECT_TRUE(j[duree - 1].endsWith(QStringLiteral("=====")));
    EXPECT_TRUE(TestDialogs().shown.empty());
}

TEST_F(StartupTest, MissingComponentIsNamedAndTheLoadGivesUp) {
    struct Cas {
        bool grille, tls;
        const char* version;
    };
    const Cas cas[] = {
        {false, false, "3.47.030"},  // only the first missing one is named
        {false, true, "3.47.030"},
        {true, false, "3.49.000"},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.version);
        TestDialogs().reset();
        RecordingLauncher lanceur;
        SetLanceur(&lanceur);
        SetControleComposants([&](Composant k) { return k == Composant::GrilleEtOnglets ? c.grille : c.tls; });
        TestDialogs().answers = {Mb::OK, Mb::Yes};
        bFermetureEnCours = false;
        bComposantsAbsents = false;

        EXPECT_FALSE(demarrer());
        SetLanceur(nullptr);

        ASSERT_EQ(TestDialogs().shown.size(), 2u);
        const BoiteAffichee& b = TestDialogs().shown[0];
        EXPECT_EQ(b.title, QStringLiteral("Installation des composants Ondrune"));
        EXPECT_EQ(b.style, Mb::Critical);
        EXPECT_TRUE(b.prompt.startsWith(QStringLiteral("Cette mise-à-jour nécessite l'installation de la version ") +
                                        QString::fromLatin1(c.version) +
                                        QStringLiteral(" des composants Ondrune\r\n\r\n")));
        EXPECT_EQ(b.prompt.count(QStringLiteral("des composants Ondrune")), 1);
        EXPECT_TRUE(b.prompt.contains(QStringLiteral("Fichier pour faire cette installation:\r\n\r\n      ") +
                                      QString::fromLatin1(AdresseInstallationComposants)));
        EXPECT_EQ(TestDialogs().shown[1].prompt,
                  QStringLiteral("Voulez-vous télécharger le fichier et faire l'installation ?"));
        EXPECT_EQ(lanceur.documents, QStringList{QString::fromLatin1(AdresseInstallationComposants)});
        // Unloaded without the suite's mark, the window never shown.
        EXPECT_TRUE(frm->estDecharge());
        EXPECT_FALSE(frm->isVisible());
        EXPECT_FALSE(QFileInfo::exists(DossierVerrous() + QStringLiteral("Ondrune 3.4.lock")));
        EXPECT_TRUE(bFermetureEnCours);
    }
}

TEST_F(StartupTest, AnotherInstanceStillRunningStopsTheStartUp) {
    construire(SiteStandard(1, 1));
    // The other instance holds its lock for the whole wait.
    VerrouFichier autre(CheminVerrouInstance(IdentiteInstance{dossierProgramme, 0}));
    ASSERT_TRUE(autre.prendre());

    EXPECT_FALSE(demarrer());
    ASSERT_EQ(TestDialogs().shown.size(), 1u);
    EXPECT_TRUE(TestDialogs().shown[0].prompt.startsWith(QStringLiteral("Application encore chargée en mémoire.")));
    EXPECT_TRUE(frm->estDecharge());
    EXPECT_FALSE(bFrmSetupChargee);
    EXPECT_GE(horloge.uptimeMs(), 3600000u + 5000u);  // it waited before testing again
}

// The process's exit status. A loop that went on after the window's unload would never end: a
// guard armed by the unload ends it, with a status of its own, after many turns of the loop.
class ExitStatusTest : public StartupTest {
protected:
    int executer() {
        frm = std::make_unique<Frm_Main>();
        QTimer garde;
        int tours = 0;
        QObject::connect(&garde, &QTimer::timeout, [&] {
            if (++tours == 1000) QCoreApplication::exit(kBoucleSansFin);
        });
        QObject::connect(frm.get(), &Frm_Main::Decharge, &garde, [&] { garde.start(0); });
        const int code = ExecuterProgramme(*frm);
        garde.stop();
        return code;
    }
    static constexpr int kBoucleSansFin = 99;
};

// Refused (another instance still there): the error status, without entering the event loop.
TEST_F(ExitStatusTest, ARefusedStartUpEndsWithTheErrorStatus) {
    construire(SiteStandard(1, 1));
    VerrouFichier autre(CheminVerrouInstance(IdentiteInstance{dossierProgramme, 0}));
    ASSERT_TRUE(autre.prendre());
    EXPECT_EQ(executer(), CodeFinSurErreur);
    ASSERT_EQ(TestDialogs().shown.size(), 1u);
    EXPECT_TRUE(TestDialogs().shown[0].prompt.startsWith(QStringLiteral("Application encore chargée en mémoire.")));
    EXPECT_TRUE(frm->estDecharge());
}

// Started, then unloaded from inside the event loop: the loop ends with the status 0.
TEST_F(ExitStatusTest, ARunEndsWithZeroOnceTheWindowIsUnloaded) {
    construire(SiteStandard(1, 1));
    bool visible = false;
    QTimer dansLaBoucle;
    QObject::connect(&dansLaBoucle, &QTimer::timeout, [&] {
        if (QThread::currentThread()->loopLevel() == 0) return;  // the start-up's own pumping
        dansLaBoucle.stop();
        visible = frm->isVisible();
        frm->Decharger(Frm_Main::FermetureCode);
    });
    dansLaBoucle.start(0);
    EXPECT_EQ(executer(), 0);
    EXPECT_TRUE(visible);
    EXPECT_TRUE(frm->estDecharge());
}

TEST_F(StartupTest, StandBySwitchAnywhereInTheCommandLineArmsTheTimer) {
    construire(SiteStandard(1, 1));
    SetLigneCommandeDemarrage(QStringLiteral("/base=current /veille=TrueAndMore"));
    ASSERT_TRUE(demarrer());
    EXPECT_TRUE(frm->bVeilleAuDemarrage);
    EXPECT_TRUE(frm->TimerVeille->isActive());
    EXPECT_TRUE(frm->TimerVeille->isSingleShot());
    EXPECT_EQ(LigneCommande, QStringLiteral("/base=current /veille=TrueAndMore"));
}

TEST_F(StartupTest, ABlankCommandLineIsNotAnalysed) {
    construire(SiteStandard(1, 1));
    NoInstance = 4;
    SetLigneCommandeDemarrage(QStringLiteral("   "));
    ASSERT_TRUE(demarrer());
    EXPECT_EQ(NoInstance, 0);
    EXPECT_EQ(LigneCommande, QStringLiteral("   "));  // kept as received
    const QStringList j = journalFichier();
    EXPECT_EQ(ligne(j, QStringLiteral("'   '")), -1);
    for (const QString& l : j)
        EXPECT_FALSE(l.contains(QStringLiteral("Command Line:")) || l.contains(QStringLiteral("Instance: ")));
}

TEST_F(StartupTest, WithoutSavedGeometryTheWindowOpensMaximised) {
    construire(SiteStandard(1, 1));
    ASSERT_TRUE(demarrer());
    EXPECT_TRUE(frm->isMaximized());
}

TEST_F(StartupTest, RestoredGeometryIsKeptOnTheScreen) {
    construire(SiteStandard(1, 1));
    const QRect e = ecran();
    // Far larger than the screen, far off to the left and below it, normal state.
    ecrirePosition("_Width", QString::number((e.width() + 900) * 15));
    ecrirePosition("_Height", QString::number((e.height() + 700) * 15));
    ecrirePosition("_Left", QStringLiteral("-9000"));
    ecrirePosition("_Top", QString::number((e.height() + 500) * 15));
    ecrirePosition("_WindowState", QStringLiteral("0"));
    ASSERT_TRUE(demarrer());

    EXPECT_FALSE(frm->isMaximized());
    EXPECT_TRUE(e.contains(frm->frameGeometry()))
        << frm->frameGeometry().x() << "," << frm->frameGeometry().y() << " " << frm->frameGeometry().width() << "x"
        << frm->frameGeometry().height();
}

TEST_F(StartupTest, AMinimisedWindowComesBackOnTheScreen) {
    construire(SiteStandard(1, 1));
    const QRect e = ecran();
    ecrirePosition("_Width", QStringLiteral("10500"));
    ecrirePosition("_Height", QStringLiteral("6750"));
    ecrirePosition("_Left", QStringLiteral("-9000"));
    ecrirePosition("_Top", QString::number((e.height() - 100) * 15));
    ecrirePosition("_WindowState", QStringLiteral("1"));
    ASSERT_TRUE(demarrer());
    EXPECT_EQ(EtatDeFenetre(frm.get()), EtatMinimise) << int(frm->windowState());
    frm->showNormal();
    EXPECT_TRUE(e.contains(frm->frameGeometry())) << frm->frameGeometry().x() << "," << frm->frameGeometry().y();
}

TEST_F(StartupTest, ASizeThatFitsIsRestoredAsSaved) {
    construire(SiteStandard(1, 1));
    ecrirePosition("_Width", QStringLiteral("10500"));  // 700 x 450 pixels
    ecrirePosition("_Height", QStringLiteral("6750"));
    ecrirePosition("_Left", QStringLiteral("300"));
    ecrirePosition("_Top", QStringLiteral("450"));
    ecrirePosition("_WindowState", QStringLiteral("0"));
    ASSERT_TRUE(demarrer());
    EXPECT_EQ(frm->size(), QSize(700, 450));
    EXPECT_EQ(frm->pos(), QPoint(20, 30));
}

// A damaged positions file: a size or a state no window can have is taken as missing.
TEST_F(StartupTest, SizesAndStateOutOfRangeAreTheDefaults) {
    construire(SiteStandard(1, 1));
    const QRect e = ecran();
    ecrirePosition("_Width", QStringLiteral("1") + QString(400, QLatin1Char('0')));  // beyond every double
    ecrirePosition("_Height", QStringLiteral("45000000000"));                        // 3e9 pixels
    ecrirePosition("_Left", QStringLiteral("0"));
    ecrirePosition("_Top", QStringLiteral("0"));
    ecrirePosition("_WindowState", QStringLiteral("2147483648"));
    ASSERT_TRUE(demarrer());
    EXPECT_TRUE(frm->isMaximized());
    frm->showNormal();
    QCoreApplication::processEvents();
    EXPECT_EQ(frm->size(), e.size());
}

TEST_F(StartupTest, IncidentDuringStartUpIsSignalledOnceTheWindowIsShown) {
    DescriptionSite d = SiteStandard(1, 1);
    d.bases[0].fichiers.removeAll(27);  // missing: an incident while the files open
    construire(d);
    ASSERT_TRUE(demarrer());

    ASSERT_GT(Listes().incidents(0).count(), 0);
    EXPECT_TRUE(frm->windowTitle().startsWith(QStringLiteral("Err: ")));
    EXPECT_TRUE(frm->SftTabsMain->isTabVisible(frm->ongletIncidents()));
    EXPECT_TRUE(frm->TimerFlash->isActive());
    EXPECT_FALSE(frm->CheckIncidentsFeuilleNonChargee->isChecked());
}

TEST_F(StartupTest, EveryZoneGetsItsIncidentList) {
    DescriptionSite d = SiteStandard(1, 1);
    d.nbZones = 3;
    construire(d);
    ASSERT_TRUE(demarrer());
    EXPECT_EQ(NbZones, 3);
    ASSERT_EQ(frm->ListeIncidents.size(), 3u);
    ASSERT_EQ(frm->CheckIncidents.size(), 3u);
    EXPECT_TRUE(frm->ListeIncidents[1]->isHidden());
    EXPECT_TRUE(frm->ListeIncidents[2]->isHidden());
    EXPECT_FALSE(frm->ListeIncidents[0]->isHidden());
}

}  // namespace
