#include "foundation/globals.h"
#include "foundation/log_lists.h"
#include "foundation/shell_link.h"
#include "foundation/system_info.h"
#include "foundation/trace_log.h"
#include "shell/main_window.h"
#include "support/scripted_dialogs.h"
#include "window_fixture.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <memory>

namespace {

class MainWindowTest : public FenetresTest {
protected:
    void SetUp() override {
        FenetresTest::SetUp();
        w = std::make_unique<Frm_Main>();
        w->setWindowTitle(Frm_Main::CaptionNormale());
    }
    void TearDown() override {
        w.reset();
        FenetresTest::TearDown();
    }
    QString captionIncident() const { return QStringLiteral("Err: ") + Frm_Main::CaptionNormale(); }
    QStringList onglets(const QTabWidget* t) const {
        QStringList r;
        for (int i = 0; i < t->count(); ++i) r << t->tabText(i);
        return r;
    }
    std::unique_ptr<Frm_Main> w;
};

// One line per menu entry: indent, caption or "---", [shortcut], <control name>.
void arbre(const QList<QAction*>& actions, int niveau, QStringList& out) {
    for (QAction* a : actions) {
        QString l = QString(niveau, QLatin1Char(' '));
        l += a->isSeparator() ? QStringLiteral("---") : a->text();
        if (!a->shortcut().isEmpty()) l += QStringLiteral(" [") + a->shortcut().toString() + QLatin1Char(']');
        l += QStringLiteral(" <") + a->objectName() + QLatin1Char('>');
        out << l;
        if (a->menu()) arbre(a->menu()->actions(), niveau + 1, out);
    }
}

TEST_F(MainWindowTest, MenuTreeCaptionsShortcutsAndNames) {
    QStringList obtenu;
    arbre(w->menuBar()->actions(), 0, obtenu);
    const QStringList attendu = {
        QStringLiteral("Fichier <Mnu01>"),
        QStringLiteral(" Refresh des données... <Mnu01Refresh>"),
        QStringLiteral(" --- <Mnu01Sep40>"),
        QStringLiteral(" Mise en veille <Mnu01Veille>"),
        QStringLiteral(" --- <Mnu01Sep50>"),
        QStringLiteral(" Options... [Ctrl+O] <Mnu01Options>"),
        QStringLiteral(" --- <Mnu01Sep60>"),
        QStringLiteral(" Log technique... [Ctrl+F2] <Mnu01Log>"),
        QStringLiteral(" --- <Mnu01Sep90>"),
        QStringLiteral(" Quitter [Ctrl+Q] <MnuQuitter>"),
        QStringLiteral("Synchroniser <MnuSynchroniserMain>"),
        QStringLiteral(" Tout <MnuSynchroniserMusPub>"),
        QStringLiteral(" Musique <MnuSynchroniserMusMain>"),
        QStringLiteral("  Tout <MnuSynchroniserMus>"),
        QStringLiteral("  Morceau <MnuSynchroniserMus>"),
        QStringLiteral("  Artiste <MnuSynchroniserMus>"),
        QStringLiteral("  Catégorie <MnuSynchroniserMus>"),
        QStringLiteral("  Sonorité <MnuSynchroniserMus>"),
        QStringLiteral("  Voix <MnuSynchroniserMus>"),
        QStringLiteral(" Publicité <MnuSynchroniserPubMain>"),
        QStringLiteral("  Tout <MnuSynchroniserPub>"),
        QStringLiteral("  Campagne <MnuSynchroniserPub>"),
        QStringLiteral("  Client <MnuSynchroniserPub>"),
        QStringLiteral("  Produit <MnuSynchroniserPub>"),
        QStringLiteral("  Secteur d'activité <MnuSynchroniserPub>"),
        QStringLiteral("  Commercial <MnuSynchroniserPub>"),
        QStringLiteral("  Canevas <MnuSynchroniserPub>"),
        QStringLiteral("  Remplissage <MnuSynchroniserPub>"),
        QStringLiteral(" Paramètres <MnuSynchroniserParMain>"),
        QStringLiteral("  Musique <MnuSynchroniserParMus>"),
        QStringLiteral("  Publicité <MnuSynchroniserParPub>"),
        QStringLiteral("   Position et Durée des écrans <MnuSynchroniserParPubPosDurEcr>"),
        QStringLiteral("? <Mnu99>"),
        QStringLiteral(" Historique des révisions (en local)... <MnuWhatNews>"),
        QStringLiteral(" Historique des révisions (sur le net)... <MnuWhatNews>"),
        QStringLiteral(" --- <Mnu99Sep99>"),
        QStringLiteral(" A propos... <Mnu99APropos>"),
    };
    EXPECT_EQ(obtenu, attendu);

    // The array entries carry their index, as their handlers receive it.
    for (int i = 0; i < 8; ++i) EXPECT_EQ(w->MnuSynchroniserPub[size_t(i)]->data().toInt(), i);
    EXPECT_EQ(w->MnuWhatNews[1]->data().toInt(), 1);
}

TEST_F(MainWindowTest, MusicEntriesDoNothing) {
    for (QAction* a : w->MnuSynchroniserMus) a->trigger();
    w->MnuSynchroniserParMus->trigger();
    EXPECT_TRUE(lignesLog().isEmpty());
    EXPECT_TRUE(TestDialogs().shown.empty());
    EXPECT_EQ(w->windowTitle(), Frm_Main::CaptionNormale());
}

TEST_F(MainWindowTest, TabStripsAndDesignTexts) {
    EXPECT_EQ(onglets(w->SftTabsLocalWeb), (QStringList{QStringLiteral("Local"), QStringLiteral("Web")}));
    EXPECT_EQ(onglets(w->SftTabsMain),
              (QStringList{QStringLiteral("Musique"), QStringLiteral("Publicité"), QStringLiteral("Incidents")}));
    EXPECT_EQ(onglets(w->SftTabsMusique),
              (QStringList{QStringLiteral("Morceau"), QStringLiteral("Artiste"), QStringLiteral("Catégorie"),
                           QStringLiteral("Sonorité"), QStringLiteral("Voix")}));
    EXPECT_EQ(onglets(w->SftTabsPublicite),
              (QStringList{QStringLiteral("Campagne"), QStringLiteral("Client"), QStringLiteral("Produit"),
                           QStringLiteral("Secteur d'activité"), QStringLiteral("Commercial"),
                           QStringLiteral("Canevas"), QStringLiteral("Remplissage")}));
    // The incident tab waits for the first incident.
    EXPECT_FALSE(w->SftTabsMain->isTabVisible(Onglet::Incidents));
    EXPECT_EQ(w->ongletIncidents(), Onglet::Incidents);

    EXPECT_EQ(w->MyFrameLocalRecherche->title(), QStringLiteral("Recherche"));
    EXPECT_EQ(w->MyFrameWebRecherche->title(), QStringLiteral("Recherche"));
    EXPECT_EQ(w->CommandLocalRecherche->text(), QStringLiteral("Afficher"));
    EXPECT_EQ(w->CommandWebRecherche->text(), QStringLiteral("Afficher"));
    EXPECT_EQ(w->CommandIncidentsPurge[0]->text(), QStringLiteral("Purger"));
    EXPECT_EQ(w->Label1[1]->text(), QStringLiteral("Station"));
    EXPECT_EQ(w->Label1[2]->text(), QStringLiteral("Filtre"));
    EXPECT_EQ(w->CheckIncidentsFeuilleNonChargee->text(), QStringLiteral("Incidents"));
    EXPECT_FALSE(w->TimerFlash->isActive());
    EXPECT_FALSE(w->TimerVeille->isActive());
    EXPECT_EQ(w->TimerFlash->interval(), 100);
    EXPECT_EQ(w->TimerVeille->interval(), 100);

    // The fill page holds the fill grid and, at its right, the fill settings.
    QWidget* pageRemplissage = w->SftTabsPublicite->widget(6);
    EXPECT_TRUE(pageRemplissage->isAncestorOf(w->fpSpreadPublicite[6]));
    EXPECT_TRUE(pageRemplissage->isAncestorOf(w->PropertyGridPubRemplissage));
    for (int k = 0; k < 6; ++k) EXPECT_EQ(w->SftTabsPublicite->widget(k), w->fpSpreadPublicite[size_t(k)]);
}

// A grid place shows an empty grid when its page comes up with nothing supplied; a grid supplied
// before is what shows, with no stand-in left behind it.
TEST_F(MainWindowTest, GridPlacesShownEmptyHoldAStandInAndSuppliedOnesTheirGrid) {
    auto* fournie = new QTableView;
    w->fpSpreadPublicite[1]->poser(fournie);
    w->show();
    w->SftTabsMain->setCurrentIndex(Onglet::Musique);
    w->SftTabsMusique->setCurrentIndex(0);
    EXPECT_NE(qobject_cast<QTableView*>(w->fpSpreadMusique[0]->controle()), nullptr);
    EXPECT_TRUE(w->fpSpreadMusique[0]->controle()->isVisible());
    w->SftTabsMain->setCurrentIndex(Onglet::Publicite);
    for (int k : {0, 1}) {
        w->SftTabsPublicite->setCurrentIndex(k);
        QWidget* c = w->fpSpreadPublicite[size_t(k)]->controle();
        ASSERT_NE(qobject_cast<QTableView*>(c), nullptr) << k;
        EXPECT_TRUE(c->isVisible()) << k;
        EXPECT_EQ(w->fpSpreadPublicite[size_t(k)]->findChildren<QTableView*>().size(), 1) << k;
    }
    EXPECT_EQ(w->fpSpreadPublicite[1]->controle(), fournie);
}

TEST_F(MainWindowTest, StationListShowsUnderBothSearchTabs) {
    w->show();
    for (int onglet : {Onglet::Web, Onglet::Local}) {
        w->SftTabsLocalWeb->setCurrentIndex(onglet);
        EXPECT_TRUE(w->SftTabsLocalWeb->widget(onglet)->isAncestorOf(w->ComboRecherche[2])) << onglet;
        EXPECT_TRUE(w->ComboRecherche[2]->isVisible()) << onglet;
        EXPECT_TRUE(w->Label1[1]->isVisible()) << onglet;
    }
    EXPECT_TRUE(w->MyFrameLocalRecherche->isVisible());
    EXPECT_FALSE(w->MyFrameWebRecherche->isVisible());
}

TEST_F(MainWindowTest, CaptionIsTheTitleOfMessageBoxes) {
    EXPECT_TRUE(Frm_Main::CaptionNormale().startsWith(QStringLiteral("Ondrune: Tools Kirvo - ")));
    EXPECT_EQ(Frm_Main::CaptionNormale().mid(23), VersionApplication());
    EXPECT_TRUE(
        QRegularExpression(QStringLiteral("^\\d{4}\\.\\d{4}\\.\\d{4}$")).match(VersionApplication()).hasMatch());
    EXPECT_EQ(FenetrePrincipale(), w.get());

    MsgBoxMain(QStringLiteral("Un"));
    bInitTerminee = true;
    LogIncident(QStringLiteral("Panne"));
    MsgBoxMain(QStringLiteral("Deux"));
    ASSERT_EQ(TestDialogs().shown.size(), 2u);
    EXPECT_EQ(TestDialogs().shown[0].title, Frm_Main::CaptionNormale());
    EXPECT_EQ(TestDialogs().shown[1].title, captionIncident());
}

// The incident states: early (during start-up), pending, seen, purged.
TEST_F(MainWindowTest, IncidentDuringStartUpIsReplayedAtTheEnd) {
    LogIncident(QStringLiteral("Base introuvable"));
    EXPECT_EQ(w->windowTitle(), captionIncident());
    EXPECT_TRUE(w->TimerFlash->isActive());
    EXPECT_FALSE(w->SftTabsMain->isTabVisible(Onglet::Incidents));
    EXPECT_TRUE(w->CheckIncidentsFeuilleNonChargee->isChecked());
    EXPECT_FALSE(w->CheckIncidents[0]->isChecked());  // ready to signal again
    EXPECT_EQ(w->ListeIncidents[0]->model()->rowCount(), 1);
    EXPECT_TRUE(
        w->ListeIncidents[0]->model()->index(0, 0).data().toString().endsWith(QStringLiteral("Base introuvable")));

    bInitTerminee = true;
    w->RejouerIncidentDemarrage();
    EXPECT_TRUE(w->SftTabsMain->isTabVisible(Onglet::Incidents));
    EXPECT_FALSE(w->CheckIncidentsFeuilleNonChargee->isChecked());
    EXPECT_EQ(w->SftTabsMain->currentIndex(), Onglet::Musique);  // shown, not selected
    EXPECT_EQ(w->windowTitle(), captionIncident());

    // Nothing to replay a second time.
    w->SftTabsMain->setTabVisible(Onglet::Incidents, false);
    w->RejouerIncidentDemarrage();
    EXPECT_FALSE(w->SftTabsMain->isTabVisible(Onglet::Incidents));
}

TEST_F(MainWindowTest, ViewingTheIncidentPageEndsTheSignalUntilTheNextIncident) {
    bInitTerminee = true;
    LogIncident(QStringLiteral("Un"));
    EXPECT_TRUE(w->SftTabsMain->isTabVisible(Onglet::Incidents));
    EXPECT_TRUE(w->TimerFlash->isActive());

    w->SftTabsMain->setCurrentIndex(Onglet::Incidents);
    EXPECT_FALSE(w->TimerFlash->isActive());
    EXPECT_EQ(w->windowTitle(), Frm_Main::CaptionNormale());
    EXPECT_TRUE(w->SftTabsMain->isTabVisible(Onglet::Incidents));

    // A new incident while the page is current signals again and stays until the user leaves.
    LogIncident(QStringLiteral("Deux"));
    EXPECT_EQ(w->windowTitle(), captionIncident());
    EXPECT_TRUE(w->TimerFlash->isActive());
    EXPECT_EQ(w->SftTabsMain->currentIndex(), Onglet::Incidents);
    EXPECT_EQ(Listes().incidents(0).count(), 2);
    w->SftTabsMain->setCurrentIndex(Onglet::Publicite);
    EXPECT_EQ(w->windowTitle(), captionIncident());
    w->SftTabsMain->setCurrentIndex(Onglet::Incidents);
    EXPECT_EQ(w->windowTitle(), Frm_Main::CaptionNormale());
}

TEST_F(MainWindowTest, PurgeAnsweredNoChangesNothingYesEmptiesAndHides) {
    bInitTerminee = true;
    LogIncident(QStringLiteral("Un"));
    w->SftTabsMain->setCurrentIndex(Onglet::Incidents);
    LogIncident(QStringLiteral("Deux"));

    TestDialogs().answers = {Mb::No, Mb::Yes};
    w->CommandIncidentsPurge[0]->click();
    ASSERT_EQ(TestDialogs().shown.size(), 1u);
    EXPECT_EQ(TestDialogs().shown[0].prompt, QStringLiteral("Voulez-vous purger la liste des incidents ?"));
    EXPECT_EQ(TestDialogs().shown[0].style, Mb::YesNo | Mb::Question);
    EXPECT_EQ(TestDialogs().shown[0].title, captionIncident());
    EXPECT_EQ(Listes().incidents(0).count(), 2);
    EXPECT_EQ(w->windowTitle(), captionIncident());
    EXPECT_TRUE(w->TimerFlash->isActive());
    EXPECT_TRUE(w->SftTabsMain->isTabVisible(Onglet::Incidents));

    w->CommandIncidentsPurge[0]->click();
    EXPECT_EQ(Listes().incidents(0).count(), 0);
    EXPECT_EQ(w->ListeIncidents[0]->model()->rowCount(), 0);
    EXPECT_EQ(w->windowTitle(), Frm_Main::CaptionNormale());
    EXPECT_FALSE(w->TimerFlash->isActive());
    EXPECT_FALSE(w->SftTabsMain->isTabVisible(Onglet::Incidents));
    EXPECT_EQ(w->SftTabsMain->currentIndex(), Onglet::Musique);
}

TEST_F(MainWindowTest, FlashingAlternatesAndStopsOnceQuittingIsConfirmed) {
    EXPECT_FALSE(w->etatFlash());
    w->TimerFlash_Timer();
    EXPECT_TRUE(w->etatFlash());
    w->TimerFlash_Timer();
    EXPECT_FALSE(w->etatFlash());
    bQuitterConfirme = true;
    w->TimerFlash_Timer();
    EXPECT_FALSE(w->etatFlash());
}

TEST_F(MainWindowTest, ZoneObjectsAreCreatedHiddenAndReceiveTheirZonesIncidents) {
    w->show();
    NbZones = 1;
    w->CreationDesObjets();
    EXPECT_EQ(w->ListeIncidents.size(), 1u);
    EXPECT_EQ(w->CheckIncidents.size(), 1u);

    NbZones = 8;
    w->CreationDesObjets();
    ASSERT_EQ(w->ListeIncidents.size(), 8u);
    ASSERT_EQ(w->CheckIncidents.size(), 8u);
    EXPECT_EQ(Listes().nbListesIncidents(), 8);
    for (int z = 1; z < 8; ++z) {
        EXPECT_TRUE(w->ListeIncidents[size_t(z)]->isHidden()) << z;
        EXPECT_TRUE(w->CheckIncidents[size_t(z)]->isHidden()) << z;
        EXPECT_EQ(w->ListeIncidents[size_t(z)]->model(), &Listes().incidents(z)) << z;
    }

    bInitTerminee = true;
    TraceLog(3, -1, -1, QStringLiteral("Zone trois"), true);
    EXPECT_EQ(Listes().incidents(3).count(), 1);
    EXPECT_EQ(Listes().incidents(0).count(), 0);
    EXPECT_EQ(w->windowTitle(), captionIncident());
    EXPECT_TRUE(w->SftTabsMain->isTabVisible(Onglet::Incidents));
    EXPECT_FALSE(w->CheckIncidents[3]->isChecked());
}

TEST_F(MainWindowTest, NoZoneObjectsOnceQuittingIsConfirmed) {
    bQuitterConfirme = true;
    NbZones = 8;
    w->CreationDesObjets();
    EXPECT_EQ(w->ListeIncidents.size(), 1u);
    EXPECT_EQ(Listes().nbListesIncidents(), 1);
}

TEST_F(MainWindowTest, SignalsBeforeTheWindowExistedCountAsStartUpSignals) {
    w.reset();
    Listes().CheckIncidents(0);  // no window: only counted
    w = std::make_unique<Frm_Main>();
    EXPECT_TRUE(w->CheckIncidentsFeuilleNonChargee->isChecked());
    EXPECT_TRUE(w->windowTitle().startsWith(QStringLiteral("Err: ")));
    EXPECT_TRUE(w->TimerFlash->isActive());
    EXPECT_EQ(Listes().IncidentsSignales[0], 0);

    // Once the window is gone the log counts again instead of calling it.
    w.reset();
    Listes().CheckIncidents(0);
    EXPECT_EQ(Listes().IncidentsSignales[0], 1);
    EXPECT_EQ(FenetrePrincipale(), nullptr);
}

TEST_F(MainWindowTest, StandByIsToldOfEachIncident) {
    bInitTerminee = true;
    int appels = 0;
    w->IncidentEnVeille = [&] { ++appels; };
    LogIncident(QStringLiteral("Un"));
    LogIncident(QStringLiteral("Deux"));
    EXPECT_EQ(appels, 2);
}

TEST_F(MainWindowTest, CaptionChangesReachTheLowerLayers) {
    w->setWindowTitle(QStringLiteral("Titre"));
    EXPECT_EQ(CaptionFrmMain(), QStringLiteral("Titre"));
    w.reset();
    EXPECT_EQ(CaptionFrmMain(), QStringLiteral("Titre"));  // the last caption stays the title
}

}  // namespace
