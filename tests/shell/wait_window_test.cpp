#include "foundation/log_lists.h"
#include "foundation/proc.h"
#include "platform/app_error.h"
#include "foundation/shell_link.h"
#include "shell/wait_window.h"
#include "support/scripted_dialogs.h"
#include "window_fixture.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QScreen>

namespace {

class WaitWindowTest : public FenetresTest {
protected:
    void SetUp() override {
        FenetresTest::SetUp();
        InstallerFrmMsg();
    }
};

// A family's run holds the window while its list fetch opens and closes it: the window stays up
// until the outermost run ends, and the label comes back to the outer run's family, not to the
// last record of its previous step.
TEST_F(WaitWindowTest, NestedRunsKeepTheWindowUntilTheOutermostEnds) {
    AfficherFrmMsg(true, QStringLiteral("Externe"));
    FrmMsg* premiere = FrmMsgCharge();
    ASSERT_NE(premiere, nullptr);
    EXPECT_TRUE(premiere->isVisible());
    LabelMsgInit(QStringLiteral("Client"));
    LabelMsgInit(QStringLiteral("CLT00003: Meubles Durand"));

    AfficherFrmMsg(true, QStringLiteral("Interne"));
    EXPECT_EQ(FrmMsgCharge(), premiere);  // no second window
    LabelMsgInit(QStringLiteral("Récupération des données sur le Web"));
    AfficherFrmMsg(true, QStringLiteral("Plus interne"));
    LabelMsgInit(QStringLiteral("Page 2"));
    AfficherFrmMsg(false, QStringLiteral("Plus interne"));
    EXPECT_EQ(LabelMsgInit(), QStringLiteral("Récupération des données sur le Web"));
    // An inner run that writes nothing leaves the label as it found it.
    AfficherFrmMsg(true, QStringLiteral("Muet"));
    AfficherFrmMsg(false, QStringLiteral("Muet"));
    EXPECT_EQ(LabelMsgInit(), QStringLiteral("Récupération des données sur le Web"));

    AfficherFrmMsg(false, QStringLiteral("Interne"));
    EXPECT_EQ(FrmMsgCharge(), premiere);
    EXPECT_TRUE(premiere->isVisible());
    EXPECT_EQ(LabelMsgInit(), QStringLiteral("Client"));

    AfficherFrmMsg(false, QStringLiteral("Externe"));
    EXPECT_EQ(FrmMsgCharge(), nullptr);
    EXPECT_FALSE(FrmMsgChargee());

    // Closing what is closed: nothing, and no report; the next run starts afresh.
    AfficherFrmMsg(false, QStringLiteral("Externe"));
    EXPECT_FALSE(FrmMsgChargee());
    AfficherFrmMsg(true, QStringLiteral("Suivant"));
    AfficherFrmMsg(false, QStringLiteral("Suivant"));
    EXPECT_FALSE(FrmMsgChargee());
    EXPECT_EQ(Listes().incidents(0).count(), 0);
    EXPECT_TRUE(lignesLog().isEmpty());
}

// An outer run that holds the window with a scope closes it whichever way it leaves, and a
// numbered statement that fails between the opening and the close does not keep it up either.
TEST_F(WaitWindowTest, AnOuterRunThatFailsStillClosesTheWindow) {
    const auto interne = [] {
        Proc p("Lib_Test:Interne");
        p(10, [] { AfficherFrmMsg(true, QStringLiteral("Lib_Test:Interne")); });
        p(20, [] { Raise(5); });
        p(30, [] { AfficherFrmMsg(false, QStringLiteral("Lib_Test:Interne")); });
    };
    bool vuApresInterne = false;
    const auto externe = [&](bool echec) {
        FrmMsgOuverte attente(QStringLiteral("Lib_Test:Externe"), QStringLiteral("Externe"));
        interne();
        vuApresInterne = FrmMsgCharge() && FrmMsgCharge()->isVisible();
        if (echec) return false;
        LabelMsgInit(QStringLiteral("Suite"));
        return true;
    };
    for (bool echec : {true, false}) {
        vuApresInterne = false;
        EXPECT_EQ(externe(echec), !echec);
        EXPECT_TRUE(vuApresInterne) << echec;
        EXPECT_FALSE(FrmMsgChargee()) << echec;
        EXPECT_EQ(FrmMsgCharge(), nullptr) << echec;
    }
    TestDialogs().reset();  // the reports of the failed statement
}

// The program's end closes the window over the runs it cut short; their closes then do nothing.
TEST_F(WaitWindowTest, TheEndOfTheProgramClosesItForEveryRun) {
    AfficherFrmMsg(true, QStringLiteral("Externe"));
    AfficherFrmMsg(true, QStringLiteral("Interne"));
    FermerFrmMsg(QStringLiteral("Frm_Main:Form_Unload"));
    EXPECT_FALSE(FrmMsgChargee());
    AfficherFrmMsg(false, QStringLiteral("Interne"));
    AfficherFrmMsg(false, QStringLiteral("Externe"));
    EXPECT_FALSE(FrmMsgChargee());
    AfficherFrmMsg(true, QStringLiteral("X"));
    AfficherFrmMsg(false, QStringLiteral("X"));
    EXPECT_FALSE(FrmMsgChargee());
}

TEST_F(WaitWindowTest, DesignTextsAndTheStepLabel) {
    AfficherFrmMsg(true, QStringLiteral("X"));
    FrmMsg* f = FrmMsgCharge();
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->windowTitle(), QStringLiteral("Ondrune"));
    EXPECT_EQ(f->LabelMsgInit->text(), QStringLiteral("Ondrune"));
    EXPECT_EQ(f->LabelPatientez[0]->text(), QStringLiteral("Patientez S.V.P."));
    EXPECT_EQ(f->LabelPatientez[1]->text(), QStringLiteral("Patientez S.V.P."));

    LabelMsgInit(QStringLiteral("Tools Kirvo: Open DataBase"));
    EXPECT_EQ(f->LabelMsgInit->text(), QStringLiteral("Tools Kirvo: Open DataBase"));
    EXPECT_EQ(LabelMsgInit(), QStringLiteral("Tools Kirvo: Open DataBase"));

    // A new opening starts from the design text again.
    AfficherFrmMsg(false, QStringLiteral("X"));
    AfficherFrmMsg(true, QStringLiteral("X"));
    EXPECT_EQ(FrmMsgCharge()->LabelMsgInit->text(), QStringLiteral("Ondrune"));
}

// A run writes a label per record; the window may skip some, never the last one.
TEST_F(WaitWindowTest, TheLastLabelOfABurstIsShown) {
    AfficherFrmMsg(true, QStringLiteral("X"));
    FrmMsg* f = FrmMsgCharge();
    ASSERT_NE(f, nullptr);
    for (int i = 1; i <= 50; ++i) LabelMsgInit(QStringLiteral("Client %1").arg(i));
    EXPECT_EQ(LabelMsgInit(), QStringLiteral("Client 50"));
    QElapsedTimer attente;
    attente.start();
    while (f->LabelMsgInit->text() != QStringLiteral("Client 50") && attente.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(f->LabelMsgInit->text(), QStringLiteral("Client 50"));
}

TEST_F(WaitWindowTest, TopmostAtTheTopEdgeCentred) {
    AfficherFrmMsg(true, QStringLiteral("X"));
    FrmMsg* f = FrmMsgCharge();
    ASSERT_NE(f, nullptr);
    EXPECT_TRUE(f->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(f->size(), QSize(360, 75));
    const QRect ecran = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(f->y(), ecran.y());
    EXPECT_EQ(f->x(), ecran.x() + ecran.width() / 2 - f->width() / 2);
    EXPECT_FALSE(f->mask().isEmpty());  // rounded corners
    EXPECT_FALSE(f->mask().contains(QPoint(0, 0)));
    EXPECT_TRUE(f->mask().contains(QPoint(180, 37)));
}

TEST_F(WaitWindowTest, AHiddenWindowStaysHiddenUntilItIsClosed) {
    AfficherFrmMsg(true, QStringLiteral("Frm_Main:InitGeneral"));
    CacherFrmMsg();  // the base choice
    AfficherFrmMsg(true, QStringLiteral("Lib_Kirvo:RechercherDansLaBase"));
    ASSERT_NE(FrmMsgCharge(), nullptr);
    EXPECT_FALSE(FrmMsgCharge()->isVisible());
    AfficherFrmMsg(false, QStringLiteral("Lib_Kirvo:RechercherDansLaBase"));
    LabelMsgInit(QStringLiteral("Tools Kirvo: Init: Display"));
    ASSERT_NE(FrmMsgCharge(), nullptr);
    EXPECT_FALSE(FrmMsgCharge()->isVisible());
    AfficherFrmMsg(false, QStringLiteral("Frm_Main:Form_Load"));
    EXPECT_FALSE(FrmMsgChargee());
    AfficherFrmMsg(true, QStringLiteral("X"));
    EXPECT_TRUE(FrmMsgCharge()->isVisible());
}

TEST_F(WaitWindowTest, OpeningOverAModalWindowOnlyLogsAndStaysHidden) {
    QDialog modale;
    modale.setWindowModality(Qt::ApplicationModal);
    modale.show();
    ASSERT_EQ(QApplication::activeModalWidget(), &modale);

    AfficherFrmMsg(true, QStringLiteral("Lib_Kirvo:RechercherSurLeWeb"));
    ASSERT_NE(FrmMsgCharge(), nullptr);
    EXPECT_FALSE(FrmMsgCharge()->isVisible());
    EXPECT_TRUE(TestDialogs().shown.empty());
    EXPECT_EQ(Listes().incidents(0).count(), 0);
    const QStringList l = lignesLog();
    ASSERT_EQ(l.size(), 1);
    EXPECT_TRUE(l[0].endsWith(
        QStringLiteral(":Err: 401: Impossible d'afficher une feuille non modale lorsqu'une feuille modale est "
                       "affichée |Sub: Lib_Kirvo:RechercherSurLeWeb:Lib_Main:AfficherFrmMsg:20")))
        << l[0].toStdString();

    modale.hide();
    AfficherFrmMsg(true, QStringLiteral("X"));
    EXPECT_FALSE(FrmMsgCharge()->isVisible());  // already loaded: stays as it is
    AfficherFrmMsg(false, QStringLiteral("X"));
    EXPECT_TRUE(FrmMsgChargee());
    AfficherFrmMsg(false, QStringLiteral("Lib_Kirvo:RechercherSurLeWeb"));
    EXPECT_FALSE(FrmMsgChargee());
}

TEST_F(WaitWindowTest, WithoutTheWindowTheStateIsStillKept) {
    SetFenetreAttente(nullptr);
    EXPECT_FALSE(FrmMsgChargee());
    AfficherFrmMsg(true, QStringLiteral("X"));
    AfficherFrmMsg(true, QStringLiteral("X"));
    EXPECT_TRUE(FrmMsgChargee());
    EXPECT_TRUE(FenetreAttenteCourante().visible());
    LabelMsgInit(QStringLiteral("Etape"));
    EXPECT_EQ(LabelMsgInit(), QStringLiteral("Etape"));
    CacherFrmMsg();
    AfficherFrmMsg(true, QStringLiteral("X"));
    EXPECT_FALSE(FenetreAttenteCourante().visible());
    AfficherFrmMsg(false, QStringLiteral("X"));
    EXPECT_EQ(LabelMsgInit(), QStringLiteral("Etape"));
    AfficherFrmMsg(false, QStringLiteral("X"));
    EXPECT_TRUE(FrmMsgChargee());
    EXPECT_EQ(LabelMsgInit(), QStringLiteral("Ondrune"));  // the outermost run's label
    AfficherFrmMsg(false, QStringLiteral("X"));
    EXPECT_FALSE(FrmMsgChargee());
    EXPECT_EQ(FrmMsgCharge(), nullptr);
}

}  // namespace
