#include "foundation/log_lists.h"
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

TEST_F(WaitWindowTest, NestedUsersShareOneWindowAndTheFirstCloseClosesIt) {
    AfficherFrmMsg(true, QStringLiteral("Externe"));
    FrmMsg* premiere = FrmMsgCharge();
    ASSERT_NE(premiere, nullptr);
    EXPECT_TRUE(premiere->isVisible());
    EXPECT_TRUE(FrmMsgChargee());

    AfficherFrmMsg(true, QStringLiteral("Interne"));
    EXPECT_EQ(FrmMsgCharge(), premiere);   // no second window

    AfficherFrmMsg(false, QStringLiteral("Interne"));
    EXPECT_EQ(FrmMsgCharge(), nullptr);
    EXPECT_FALSE(FrmMsgChargee());

    // Closing what is closed: nothing, and no report.
    AfficherFrmMsg(false, QStringLiteral("Externe"));
    EXPECT_FALSE(FrmMsgChargee());
    EXPECT_EQ(Listes().incidents(0).count(), 0);
    EXPECT_TRUE(lignesLog().isEmpty());
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
    EXPECT_FALSE(f->mask().isEmpty());   // rounded corners
    EXPECT_FALSE(f->mask().contains(QPoint(0, 0)));
    EXPECT_TRUE(f->mask().contains(QPoint(180, 37)));
}

TEST_F(WaitWindowTest, AHiddenWindowStaysHiddenUntilItIsClosed) {
    AfficherFrmMsg(true, QStringLiteral("Frm_Main:InitGeneral"));
    CacherFrmMsg();   // the base choice
    AfficherFrmMsg(true, QStringLiteral("FrmSetup:Form_Load"));
    ASSERT_NE(FrmMsgCharge(), nullptr);
    EXPECT_FALSE(FrmMsgCharge()->isVisible());
    LabelMsgInit(QStringLiteral("Tools Kirvo: Init: Display"));
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
    EXPECT_FALSE(FrmMsgCharge()->isVisible());   // already loaded: stays as it is
    AfficherFrmMsg(false, QStringLiteral("X"));
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
    EXPECT_FALSE(FrmMsgChargee());
    EXPECT_EQ(FrmMsgCharge(), nullptr);
}

}  // namespace
