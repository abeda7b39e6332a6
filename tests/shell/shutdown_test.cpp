#include "database/btrieve.h"
#include "foundation/settings_locations.h"
#include "foundation/shell_link.h"
#include "platform/program_end.h"
#include "program_fixture.h"
#include "shell/hidden_host.h"
#include "shell/shell_globals.h"
#include "shell/shutdown.h"

#include <QTimer>

namespace {

class ShutdownTest : public ProgrammeTest {
protected:
    void SetUp() override {
        ProgrammeTest::SetUp();
        construire(SiteStandard(1, 2));
        ASSERT_TRUE(demarrer());
        TestDialogs().reset();
    }
    QString position(const char* cle) const {
        return LectureIni(dossierProgramme + QStringLiteral("Settings/QD3_Tools_Kirvo/QD3_Tools_Kirvo_Positions.Ini"),
                          QStringLiteral("FrmPos"), QStringLiteral("Frm_Main") + QString::fromLatin1(cle),
                          QStringLiteral("<absent>"));
    }
    // After a complete shutdown: nothing loaded, nothing open, the flags as they end.
    void attendreFin(const QStringList& j) const {
        EXPECT_TRUE(frm->estDecharge());
        EXPECT_FALSE(frm->isVisible());
        EXPECT_TRUE(bFermetureEnCours);
        EXPECT_FALSE(bInitTerminee);
        EXPECT_EQ(FrmSetupCharge(), nullptr);
        EXPECT_FALSE(bFrmSetupChargee);
        EXPECT_FALSE(FrmMainBisChargee());
        EXPECT_FALSE(FrmMsgChargee());
        EXPECT_TRUE(fichiersOuverts(2, false));
        EXPECT_EQ(compte(j, QStringLiteral("---------- Frm_Main: Form_Unload: Start")), 1);
        EXPECT_EQ(compte(j, QStringLiteral("---------- FrmSetup: Form_Unload: End")), 1);
        EXPECT_LT(ligne(j, QStringLiteral("---------- Frm_Main: Form_Unload: Start")),
                  ligne(j, QStringLiteral("---------- FrmSetup: Form_Unload: End")));
    }
    // The framed line: a frame of the text's length above and below.
    static bool encadree(const QStringList& j, int i, QChar cadre) {
        if (i < 1 || i + 1 >= j.size()) return false;
        return j[i - 1].endsWith(QString(8, cadre)) && j[i + 1].endsWith(QString(8, cadre));
    }
};

TEST_F(ShutdownTest, CloseBoxAnsweredNoKeepsEverythingRunning) {
    frm->TimerFlash->start();
    TestDialogs().answers = {Mb::No};
    const int avant = journalFichier().size();

    EXPECT_FALSE(frm->close());

    ASSERT_EQ(TestDialogs().shown.size(), 1u);
    EXPECT_EQ(TestDialogs().shown[0].prompt, QStringLiteral("Voulez-vous quitter le programme ?"));
    EXPECT_EQ(TestDialogs().shown[0].style, Mb::YesNo | Mb::Question);
    EXPECT_EQ(TestDialogs().shown[0].title, frm->windowTitle());
    EXPECT_FALSE(frm->estDecharge());
    EXPECT_TRUE(frm->isVisible());
    EXPECT_FALSE(bFermetureEnCours);
    EXPECT_FALSE(bQuitterConfirme);
    EXPECT_TRUE(frm->TimerFlash->isActive());
    EXPECT_EQ(journalFichier().size(), avant);
    EXPECT_TRUE(fichiersOuverts(2, true));
}

TEST_F(ShutdownTest, CloseBoxAnsweredYesRunsTheShutdownOnceInOrder) {
    int fin = 0;
    QObject::connect(frm.get(), &Frm_Main::Decharge, [&] { ++fin; });
    frm->TimerFlash->start();
    TestDialogs().answers = {Mb::Yes};

    frm->close();

    EXPECT_TRUE(bQuitterConfirme);
    EXPECT_FALSE(frm->TimerFlash->isActive());
    EXPECT_EQ(fin, 1);
    const QStringList j = journalFichier();
    attendreFin(j);
    const int humain = ligne(j, QString::fromLatin1(TexteQuitterConfirme));
    const int code = ligne(j, QStringLiteral("Form closed by code action"));
    const int debut = ligne(j, QStringLiteral("---------- Frm_Main: Form_Unload: Start"));
    ASSERT_GE(humain, 0);
    EXPECT_TRUE(encadree(j, humain, QLatin1Char('*')));
    EXPECT_TRUE(encadree(j, code, QLatin1Char('=')));
    EXPECT_LT(humain, code);
    EXPECT_LT(code, debut);
    EXPECT_EQ(compte(j, QStringLiteral("Form closed by code action")), 1);
    EXPECT_EQ(TestDialogs().shown.size(), 1u);

    // A second close changes nothing.
    frm->close();
    EXPECT_EQ(fin, 1);
    EXPECT_EQ(compte(journalFichier(), QStringLiteral("---------- Frm_Main: Form_Unload: Start")), 1);
}

TEST_F(ShutdownTest, ReasonsOtherThanTheCloseBoxAskNothingAndAreLogged) {
    struct Cas {
        int raison;
        const char* texte;
    };
    const Cas cas[] = {
        {Frm_Main::FermetureSession, "Form closed because Windows is shutting down"},
        {Frm_Main::FermetureTaskManager, "Form closed by the Taskmanager"},
        {Frm_Main::FermetureMDI, "Form closed because MDI Form closed"},
        {Frm_Main::FermetureProprietaire, "Form closed by the owner"},
        {7, "Form closed: Unknow mode: 7"},
    };
    for (const Cas& c : cas) EXPECT_EQ(TexteRaisonFermeture(c.raison), QString::fromLatin1(c.texte));

    // The session ending: no question from the main window, the options window still asks. It
    // ends in the middle of a family's list fetch: the wait window goes all the same.
    AfficherFrmMsg(true, QStringLiteral("Lib_Kirvo:SynchroniserPub_01_Client"));
    AfficherFrmMsg(true, QStringLiteral("Lib_Kirvo:RechercherSurLeWeb"));
    bOptionsModifiees = true;
    TestDialogs().answers = {Mb::No};
    EXPECT_TRUE(frm->Decharger(Frm_Main::FermetureSession));
    EXPECT_EQ(boites(), QStringList{QStringLiteral("Voulez-vous enregistrer les options ?")});
    const QStringList j = journalFichier();
    const int i = ligne(j, QStringLiteral("Form closed because Windows is shutting down"));
    EXPECT_TRUE(encadree(j, i, QLatin1Char('=')));
    EXPECT_LT(i, ligne(j, QStringLiteral("---------- Frm_Main: Form_Unload: Start")));
    attendreFin(j);
}

TEST_F(ShutdownTest, NormalWindowSavesItsGeometryAMaximisedOneOnlyItsState) {
    frm->showNormal();
    frm->resize(700, 450);
    frm->move(40, 50);
    EXPECT_TRUE(frm->Decharger(Frm_Main::FermetureCode));
    EXPECT_EQ(position("_Width"), QStringLiteral("10500"));
    EXPECT_EQ(position("_Height"), QStringLiteral("6750"));
    EXPECT_EQ(position("_Left"), QString::number(frm->x() * 15));
    EXPECT_EQ(position("_Top"), QString::number(frm->y() * 15));
    EXPECT_EQ(position("_WindowState"), QStringLiteral("0"));

    // Next run, maximised at the end: the normal geometry stays as it was saved.
    frm.reset();
    reinitialiser();
    bFermetureEnCours = false;
    ReinitialiserEtatShell();
    ASSERT_TRUE(demarrer());
    EXPECT_EQ(frm->size(), QSize(700, 450));
    frm->showMaximized();
    EXPECT_TRUE(frm->Decharger(Frm_Main::FermetureCode));
    EXPECT_EQ(position("_Width"), QStringLiteral("10500"));
    EXPECT_EQ(position("_Height"), QStringLiteral("6750"));
    EXPECT_EQ(position("_WindowState"), QStringLiteral("2"));
}

TEST_F(ShutdownTest, ForcedQuitAsksNothingAndRunsTheWholeShutdown) {
    QuitterFrmMain(true);

    EXPECT_TRUE(TestDialogs().shown.empty());
    EXPECT_TRUE(bQuitterConfirme);
    const QStringList j = journalFichier();
    const int force = ligne(j, QString::fromLatin1(TexteQuitterForce));
    ASSERT_GE(force, 0);
    EXPECT_TRUE(encadree(j, force, QLatin1Char('*')));
    EXPECT_EQ(ligne(j, QString::fromLatin1(TexteQuitterConfirme)), -1);
    attendreFin(j);
}

TEST_F(ShutdownTest, FatalDatabaseReportEndsTheProgramInOrder) {
    // The user asks to end the program from the report (Retry) and confirms: the shutdown runs,
    // then the end. Answered No, the program goes on.
    BtrStatus = 2;
    TestDialogs().answers = {Mb::Retry, Mb::No};
    EXPECT_NO_THROW(ErreurBTrieve(0, 3, QString(), QStringLiteral("Test:Lecture")));
    EXPECT_FALSE(bFermetureEnCours);
    EXPECT_EQ(TestDialogs().shown.size(), 2u);

    TestDialogs().reset();
    OublierStatutSignale();  // a new failed call
    BtrStatus = 2;
    TestDialogs().answers = {Mb::Retry, Mb::Yes};
    bool fini = false;
    try {
        ErreurBTrieve(0, 3, QString(), QStringLiteral("Test:Lecture"));
    } catch (const ProgramEnded&) {
        fini = true;
    }
    EXPECT_TRUE(fini);
    ASSERT_EQ(TestDialogs().shown.size(), 2u);
    EXPECT_EQ(TestDialogs().shown[1].prompt, QStringLiteral("Voulez-vous quitter le programme ?"));
    const QStringList j = journalFichier();
    EXPECT_GE(ligne(j, QString::fromLatin1(TexteQuitterConfirme)), 0);
    attendreFin(j);
}

}  // namespace
