#include "foundation/log_lists.h"
#include "foundation/trace_log.h"
#include "foundation/restart_shortcut.h"
#include "options/options_window.h"
#include "shell/about_window.h"
#include "shell/main_window.h"
#include "shell/standby.h"
#include "shell/shell_globals.h"
#include "window_fixture.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>
#include <memory>

namespace {

class StandbyTest : public FenetresTest {
protected:
    void SetUp() override {
        FenetresTest::SetUp();
        w = std::make_unique<Frm_Main>();
        w->show();
        autre = std::make_unique<QWidget>();
        autre->setObjectName(QStringLiteral("FrmChrono"));
        autre->show();
        cachee = std::make_unique<QWidget>();  // never shown: stays out of stand-by's list
    }
    void TearDown() override {
        ReinitialiserVeille();
        cachee.reset();
        autre.reset();
        w.reset();
        FenetresTest::TearDown();
    }
    // The windows listed by stand-by, gone ones as nullptr.
    std::vector<QWidget*> liste() const {
        std::vector<QWidget*> r;
        for (const auto& p : FrmSysTrayInstance().ListeFrm) r.push_back(p.data());
        return r;
    }
    std::unique_ptr<Frm_Main> w;
    std::unique_ptr<QWidget> autre, cachee;
};

}  // namespace

// Entering and leaving stand-by, with the desktop's notification area and with the stand-in
// window where there is none: the same hidden list, the program reachable either way.
TEST_F(StandbyTest, EnterAndRestoreWithAndWithoutANotificationArea) {
    for (bool zone : {true, false}) {
        SCOPED_TRACE(zone);
        ReinitialiserVeille();
        SetZoneNotificationDisponible(zone);
        w->Mnu01Veille->trigger();
        EXPECT_TRUE(bIconeTray);
        EXPECT_FALSE(w->isVisible());
        EXPECT_FALSE(autre->isVisible());
        EXPECT_EQ(DonneesIconeTray().tip, QString::fromLatin1(TipVeille));
        EXPECT_EQ(FenetreHookee(), w.get());
        const std::vector<QWidget*> l = liste();
        ASSERT_GE(l.size(), 3u);
        EXPECT_EQ(l.front(), w.get());
        EXPECT_EQ(std::count(l.begin(), l.end(), w.get()), 2);
        EXPECT_EQ(std::count(l.begin(), l.end(), autre.get()), 1);
        EXPECT_EQ(std::count(l.begin(), l.end(), cachee.get()), 0);

        FrmSysTray& s = FrmSysTrayInstance();
        if (zone) {
            ASSERT_NE(s.icone(), nullptr);
            EXPECT_TRUE(s.icone()->isVisible());
            EXPECT_EQ(s.icone()->contextMenu(), s.MnuFlottant);
            EXPECT_TRUE(!s.fenetreVeille() || !s.fenetreVeille()->isVisible());
        } else {
            EXPECT_TRUE(!s.icone() || !s.icone()->isVisible());
            ASSERT_NE(s.fenetreVeille(), nullptr);
            EXPECT_TRUE(s.fenetreVeille()->isVisible());  // the way back stays on screen
            EXPECT_EQ(s.fenetreVeille()->LabelTip->text(), QString::fromLatin1(TipVeille));
        }
        QStringList menu;
        for (QAction* a : s.MnuFlottant->actions()) menu << (a->isSeparator() ? QStringLiteral("---") : a->text());
        EXPECT_EQ(menu,
                  (QStringList{QStringLiteral("Afficher"), QStringLiteral("---"), QStringLiteral("A propos...")}));

        if (zone)
            s.MnuAfficher->trigger();
        else
            s.fenetreVeille()->CommandAfficher->click();
        EXPECT_FALSE(bIconeTray);
        EXPECT_TRUE(w->isVisible());
        EXPECT_TRUE(autre->isVisible());
        EXPECT_FALSE(cachee->isVisible());
        EXPECT_TRUE(liste().empty());
        EXPECT_EQ(FenetreHookee(), nullptr);
        EXPECT_FALSE(DonneesIconeTray().affichee);
        EXPECT_TRUE(!s.icone() || !s.icone()->isVisible());
        EXPECT_TRUE(!s.fenetreVeille() || !s.fenetreVeille()->isVisible());
    }
}

TEST_F(StandbyTest, AnIncidentInStandByChangesTheIconAndKeepsTheWindowsHidden) {
    SetZoneNotificationDisponible(false);
    bInitTerminee = true;
    w->Mnu01Veille->trigger();
    LogIncident(QStringLiteral("Panne"));
    EXPECT_TRUE(bIconeTray);
    EXPECT_EQ(DonneesIconeTray().tip, QString::fromLatin1(TipVeilleIncidents));
    EXPECT_EQ(DonneesIconeTray().fenetre, FrmError());
    EXPECT_EQ(FenetreHookee(), FrmError());
    EXPECT_TRUE(DonneesIconeTray().affichee);
    EXPECT_FALSE(w->isVisible());
    EXPECT_FALSE(autre->isVisible());
    EXPECT_EQ(FrmSysTrayInstance().fenetreVeille()->LabelTip->text(), QString::fromLatin1(TipVeilleIncidents));

    // A second incident, then "Afficher": everything back, the incident page shown.
    LogIncident(QStringLiteral("Encore"));
    FrmSysTrayInstance().MnuAfficher->trigger();
    EXPECT_TRUE(w->isVisible());
    EXPECT_TRUE(autre->isVisible());
    EXPECT_FALSE(bIconeTray);
    EXPECT_TRUE(w->SftTabsMain->isTabVisible(Onglet::Incidents));
}

TEST_F(StandbyTest, AnIncidentOutsideStandByTouchesNoIcon) {
    bInitTerminee = true;
    LogIncident(QStringLiteral("Panne"));
    EXPECT_FALSE(bIconeTray);
    EXPECT_FALSE(DonneesIconeTray().affichee);
    EXPECT_TRUE(w->isVisible());
}

TEST_F(StandbyTest, ShutdownBringsHiddenWindowsBackAndRemovesTheIcon) {
    SetZoneNotificationDisponible(false);
    w->Mnu01Veille->trigger();
    FrmSysTrayInstance().close();
    EXPECT_TRUE(w->isVisible());
    EXPECT_TRUE(autre->isVisible());
    EXPECT_FALSE(bIconeTray);
    EXPECT_FALSE(FrmSysTrayInstance().fenetreVeille()->isVisible());
}

TEST_F(StandbyTest, ClosingTheStandInWindowRestoresInsteadOfLosingTheProgram) {
    SetZoneNotificationDisponible(false);
    w->Mnu01Veille->trigger();
    FrmSysTrayInstance().fenetreVeille()->close();
    EXPECT_TRUE(w->isVisible());
    EXPECT_FALSE(bIconeTray);
}

TEST_F(StandbyTest, TheMenusAboutOpensOneBox) {
    SetZoneNotificationDisponible(false);
    w->Mnu01Veille->trigger();
    FrmSysTrayInstance().MnuAbout->trigger();
    FrmAbout* a = FrmAboutChargee();
    ASSERT_NE(a, nullptr);
    EXPECT_TRUE(a->isVisible());
    FrmSysTrayInstance().MnuAbout->trigger();
    EXPECT_EQ(FrmAboutChargee(), a);
    delete a;
}

TEST_F(StandbyTest, OneShotStandByWaitsForTheMainWindowThenHappensOnce) {
    SetZoneNotificationDisponible(false);
    w->hide();
    w->bVeilleAuDemarrage = true;
    w->TimerVeille->setSingleShot(true);
    w->TimerVeille->start();
    w->TimerVeille_Timer();
    EXPECT_FALSE(bIconeTray);
    EXPECT_TRUE(w->TimerVeille->isActive());  // keeps ticking until the window shows
    w->show();
    w->TimerVeille_Timer();
    EXPECT_TRUE(bIconeTray);
    EXPECT_FALSE(w->bVeilleAuDemarrage);
    EXPECT_FALSE(w->TimerVeille->isActive());
    FrmSysTrayInstance().AfficherFeuille();
    w->TimerVeille_Timer();
    EXPECT_FALSE(bIconeTray);

    // Once quitting is confirmed the timer does nothing.
    w->bVeilleAuDemarrage = true;
    bQuitterConfirme = true;
    w->TimerVeille_Timer();
    EXPECT_FALSE(bIconeTray);
}

TEST_F(StandbyTest, StartUpEntryIsRenewedOnlyWhenTheOptionsAskForIt) {
    SetZoneNotificationDisponible(false);
    FrmSetup* s = ChargerFrmSetup();
    ASSERT_NE(s, nullptr);
    const QString entree = FichierRaccourciDemarrage();
    QFile::remove(entree);
    SetValeurCase(s->CheckReboot[0], 0);
    w->Mnu01Veille->trigger();
    FrmSysTrayInstance().AfficherFeuille();
    EXPECT_FALSE(QFile::exists(entree));

    SetValeurCase(s->CheckReboot[0], 1);
    s->TexteRebootTemporisation->setText(QStringLiteral("15000"));
    QFile::remove(entree);
    w->Mnu01Veille->trigger();
    EXPECT_TRUE(QFile::exists(entree));
    QFile::remove(entree);
    FrmSysTrayInstance().AfficherFeuille();
    EXPECT_TRUE(QFile::exists(entree));
    QFile::remove(entree);
    DechargerFrmSetup();
}
