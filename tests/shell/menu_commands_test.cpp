#include "foundation/conversions.h"
#include "foundation/globals.h"
#include "foundation/log_lists.h"
#include "foundation/system_info.h"
#include "options/options_window.h"
#include "platform/clock.h"
#include "platform/external_programs.h"
#include "platform/program_end.h"
#include "platform/registry.h"
#include "shell/about_window.h"
#include "shell/history.h"
#include "shell/main_window.h"
#include "shell/shell_globals.h"
#include "support/scripted_dialogs.h"
#include "window_fixture.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWindow>
#include <functional>
#include <memory>

namespace {

class MenuCommandsTest : public FenetresTest {
protected:
    void SetUp() override {
        FenetresTest::SetUp();
        SetLanceur(&lanceur);
        DossierApplication = tmp.path() + QStringLiteral("/app/");
        CheminLog = tmp.path() + QStringLiteral("/log/");
        w = std::make_unique<Frm_Main>();
        w->setWindowTitle(Frm_Main::CaptionNormale());
    }
    void TearDown() override {
        if (FrmAbout* a = FrmAboutChargee()) delete a;
        w.reset();
        SetLanceur(nullptr);
        for (const char* cle : {CleSysInfoChemin, CleSysInfoDossier})
            Reg_SetValue(HKEY_LOCAL_MACHINE, QString::fromLatin1(cle), QStringLiteral("PATH"), QString(), REG_SZ);
        Reg_SetValue(HKEY_LOCAL_MACHINE, QString::fromLatin1(CleSysInfoDossier), QStringLiteral("MSINFO"), QString(),
                     REG_SZ);
        FenetresTest::TearDown();
    }
    RecordingLauncher lanceur;
    std::unique_ptr<Frm_Main> w;
};

}  // namespace

TEST_F(MenuCommandsTest, RevisionHistoryHandsThePageToTheDesktop) {
    const QString page = DossierApplication + QStringLiteral("QD3_Tools_Kirvo_Revisions.htm");
    const QString absent =
        QStringLiteral("Le fichier: ") + page +
        QStringLiteral(
            " est absent.\r\n\r\nVeuillez le mettre en place à partir de la mise-à-jour disponible sur le Net.");
    struct Cas {
        int index;
        QByteArray contenu;  // "<absent>": no file
        QStringList documents;
        QStringList boites;
    };
    const Cas cas[] = {
        {0, "<absent>", {}, {absent}},       {0, "", {}, {absent}},  // an empty page counts as missing
        {0, "<html>3.4</html>", {page}, {}}, {1, "<absent>", {QString::fromLatin1(AdresseRevisionsWeb)}, {}},
        {2, "<html>3.4</html>", {}, {}},
    };
    for (const Cas& c : cas) {
        QFile::remove(page);
        if (c.contenu != "<absent>") EcrireFichierTest(page, c.contenu);
        lanceur.documents.clear();
        lanceur.programs.clear();
        TestDialogs().reset();
        if (c.index < 2)
            w->MnuWhatNews[size_t(c.index)]->trigger();
        else
            w->MnuWhatNews_Click(c.index);
        EXPECT_EQ(lanceur.documents, c.documents) << c.index << c.contenu.constData();
        EXPECT_TRUE(lanceur.programs.empty());
        QStringList boites;
        for (const BoiteAffichee& b : TestDialogs().shown) {
            boites << b.prompt;
            EXPECT_EQ(b.style, Mb::OKOnly | Mb::Exclamation);
            EXPECT_EQ(b.title, Frm_Main::CaptionNormale());
        }
        EXPECT_EQ(boites, c.boites) << c.index << c.contenu.constData();
    }
}

TEST_F(MenuCommandsTest, RevisionPageTheDesktopCannotOpenIsReportedOnce) {
    EcrireFichierTest(PageRevisionsLocale(), "<html/>");
    lanceur.documentResult = Lancement::AucuneAssociation;
    w->MnuWhatNews[0]->trigger();
    ASSERT_EQ(TestDialogs().shown.size(), 1u);
    EXPECT_TRUE(TestDialogs().shown[0].prompt.contains(PageRevisionsLocale()));
}

TEST_F(MenuCommandsTest, RefreshOnlyAsks) {
    TestDialogs().answers = {Mb::Yes, Mb::No};
    w->Mnu01Refresh->trigger();
    w->Mnu01Refresh->trigger();
    ASSERT_EQ(TestDialogs().shown.size(), 2u);
    EXPECT_EQ(TestDialogs().shown[0].prompt, QStringLiteral("Voulez-vous réinitialiser les données ?"));
    EXPECT_EQ(TestDialogs().shown[0].style, Mb::YesNo | Mb::Question);
    EXPECT_TRUE(lanceur.documents.isEmpty());
}

// The options window belongs to the main window: a modeless dialog at the window system's level,
// transient for it (which keeps it above the main window), and no window of its own.
TEST_F(MenuCommandsTest, TheOptionsWindowIsOwnedByTheMainWindowAndModeless) {
    FrmSetup* s = ChargerFrmSetup();
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->parentWidget(), w.get());
    EXPECT_TRUE(s->isWindow());
    EXPECT_EQ(s->windowType(), Qt::Dialog);
    EXPECT_TRUE(s->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(s->windowModality(), Qt::NonModal);
    w->show();
    w->Mnu01Options->trigger();
    ASSERT_TRUE(s->isVisible());
    ASSERT_NE(s->windowHandle(), nullptr);
    EXPECT_EQ(s->windowHandle()->transientParent(), w->windowHandle());
    EXPECT_EQ(s->windowHandle()->modality(), Qt::NonModal);
    EXPECT_TRUE(w->isEnabled());
    DechargerFrmSetup();
    EXPECT_EQ(FrmSetupCharge(), nullptr);
}

// "Options..." toggles the window: shown and not minimised, it is hidden, even when the user is on
// the main window (the press that hid nothing but only brought it forward is the fault); hidden or
// minimised, it comes back restored, above the main window and active, with what it held.
TEST_F(MenuCommandsTest, OptionsTogglesTheWindowWhereverTheUserIs) {
    FrmSetup* s = ChargerFrmSetup();
    ASSERT_NE(s, nullptr);
    w->show();
    const auto actif = [](QWidget* x) {
        for (int n = 0; n < 200 && QApplication::activeWindow() != x; ++n) QCoreApplication::processEvents();
        return QApplication::activeWindow() == x;
    };
    const auto surPrincipale = [&] {
        w->activateWindow();
        return actif(w.get());
    };
    struct Cas {
        const char* avant;
        std::function<bool()> preparer;  // false: the state could not be set up
        bool visibleApres;
    };
    const Cas cas[] = {
        {"hidden", [&] { return !s->isVisible(); }, true},
        {"shown, the user on it",
         [&] {
             s->show();
             s->activateWindow();
             return actif(s);
         },
         false},
        {"shown, the user on the main window",
         [&] {
             s->show();
             return surPrincipale() && s->isVisible();
         },
         false},
        {"minimised",
         [&] {
             s->showMinimized();
             return surPrincipale() && s->isMinimized();
         },
         true},
        {"hidden while minimised",
         [&] {
             s->showMinimized();
             s->hide();
             return surPrincipale() && s->isMinimized();
         },
         true},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.avant);
        s->hide();
        s->setWindowState(Qt::WindowNoState);
        s->TxtURLUser->setText(QString::fromUtf8(c.avant));
        ASSERT_TRUE(surPrincipale());
        ASSERT_TRUE(c.preparer());
        w->Mnu01Options->trigger();
        EXPECT_EQ(s->isVisible(), c.visibleApres);
        EXPECT_EQ(FrmSetupCharge(), s);  // hidden, never unloaded
        EXPECT_EQ(s->TxtURLUser->text(), QString::fromUtf8(c.avant));
        if (!c.visibleApres) continue;
        EXPECT_FALSE(s->isMinimized());
        EXPECT_EQ(s->windowHandle()->transientParent(), w->windowHandle());
        EXPECT_TRUE(actif(s));
    }
    // the command's shortcut also works from the options window itself
    EXPECT_TRUE(s->actions().contains(w->Mnu01Options));

    // once the end is confirmed the command does nothing
    s->hide();
    bQuitterConfirme = true;
    w->Mnu01Options->trigger();
    EXPECT_FALSE(s->isVisible());
    bQuitterConfirme = false;
    ReinitialiserOptions();  // nothing to save
}

TEST_F(MenuCommandsTest, LogOpensTheChosenFileWithTheDesktop) {
    // A day file recent enough for the log's purge to keep it.
    const QString choisi = CheminLog + D2S(HorlogeSysteme().now().addDays(-1)) + QStringLiteral(".Log");
    EcrireFichierTest(choisi, "x");
    TestDialogs().files = {choisi, QString()};
    w->Mnu01Log->trigger();
    EXPECT_EQ(lanceur.documents, QStringList{choisi});
    w->Mnu01Log->trigger();  // cancelled
    EXPECT_EQ(lanceur.documents, QStringList{choisi});
    EXPECT_TRUE(TestDialogs().shown.empty());

    // A desktop with nothing to open it says so, as for the revision page.
    lanceur.documentResult = Lancement::AucuneAssociation;
    TestDialogs().files = {choisi};
    w->Mnu01Log->trigger();
    ASSERT_EQ(TestDialogs().shown.size(), 1u);
    EXPECT_EQ(TestDialogs().shown[0].prompt,
              QStringLiteral("Il n'y a aucune application associée à ce type de fichier\r\n\r\n") + choisi);
    EXPECT_TRUE(lanceur.programs.empty());
}

TEST_F(MenuCommandsTest, AboutShowsOneBoxWithTheVersion) {
    w->Mnu99APropos->trigger();
    FrmAbout* a = FrmAboutChargee();
    ASSERT_NE(a, nullptr);
    EXPECT_TRUE(a->isVisible());
    EXPECT_FALSE(a->isModal());
    EXPECT_EQ(a->windowTitle(), QStringLiteral("À propos de Ondrune Tools Kirvo"));
    EXPECT_EQ(a->lblVersion->text(), QStringLiteral("Version ") + VersionApplication());
    EXPECT_EQ(a->cmdSysInfo->text(), QStringLiteral("&Infos système..."));
    w->Mnu99APropos->trigger();
    EXPECT_EQ(FrmAboutChargee(), a);
    a->cmdOK->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(FrmAboutChargee(), nullptr);
}

TEST_F(MenuCommandsTest, SystemInformationToolFoundThroughTheSettings) {
    const QString dossier = tmp.path() + QStringLiteral("/outils");
    const QString programme = dossier + QStringLiteral("/msinfo32.exe");
    const QString manque = QString::fromUtf8(MessageSysInfoAbsente);
    struct Cas {
        QString chemin, dossierOutil;
        bool fichierPresent;
        int resultat;
        QString lance;  // empty: nothing started, the message shown
    };
    const Cas cas[] = {
        {QStringLiteral("/usr/bin/outil-infos"), QString(), false, Lancement::Reussi,
         QStringLiteral("/usr/bin/outil-infos")},
        {QStringLiteral("/usr/bin/outil-infos"), QString(), false, Lancement::FichierNonTrouve, QString()},
        {QString(), dossier, true, Lancement::Reussi, programme},
        {QString(), dossier, false, Lancement::Reussi, QString()},
        {QString(), QString(), false, Lancement::Reussi, QString()},
    };
    FrmAbout* a = AfficherFrmAbout();
    for (const Cas& c : cas) {
        Reg_SetValue(HKEY_LOCAL_MACHINE, QString::fromLatin1(CleSysInfoChemin), QStringLiteral("PATH"), c.chemin,
                     REG_SZ);
        Reg_SetValue(HKEY_LOCAL_MACHINE, QString::fromLatin1(CleSysInfoDossier), QStringLiteral("MSINFO"),
                     c.dossierOutil, REG_SZ);
        QFile::remove(programme);
        if (c.fichierPresent) {
            EcrireFichierTest(programme, "#!/bin/sh\n");
            QFile::setPermissions(programme, QFile::permissions(programme) | QFileDevice::ExeOwner);
        }
        lanceur.programs.clear();
        lanceur.programResult = c.resultat;
        TestDialogs().reset();
        a->cmdSysInfo->click();
        QStringList boites;
        for (const BoiteAffichee& b : TestDialogs().shown) boites << b.prompt;
        if (c.lance.isEmpty() || c.resultat <= 32) {
            EXPECT_EQ(boites, QStringList{manque}) << c.chemin.toStdString() << c.dossierOutil.toStdString();
        } else {
            EXPECT_TRUE(boites.isEmpty()) << boites.join('|').toStdString();
            ASSERT_EQ(lanceur.programs.size(), 1u);
            EXPECT_EQ(lanceur.programs[0].program, c.lance);
        }
    }
}

TEST_F(MenuCommandsTest, GetKeyValueReadsTextAndNumbersUpToTheBuffer) {
    const QString cle = QStringLiteral("SOFTWARE\\Kirvo\\Essai");
    Reg_SetValue(HKEY_LOCAL_MACHINE, cle, QStringLiteral("Nombre"), QStringLiteral("261"), REG_DWORD);
    Reg_SetValue(HKEY_LOCAL_MACHINE, cle, QStringLiteral("Juste"), QString(1023, QLatin1Char('a')), REG_SZ);
    Reg_SetValue(HKEY_LOCAL_MACHINE, cle, QStringLiteral("Long"), QString(1024, QLatin1Char('a')), REG_SZ);
    QString v = QStringLiteral("avant");
    EXPECT_TRUE(GetKeyValue(HKEY_LOCAL_MACHINE, cle, QStringLiteral("Nombre"), v));
    EXPECT_EQ(v, QStringLiteral("261"));
    EXPECT_TRUE(GetKeyValue(HKEY_LOCAL_MACHINE, cle, QStringLiteral("Juste"), v));
    EXPECT_EQ(v.size(), 1023);
    EXPECT_FALSE(GetKeyValue(HKEY_LOCAL_MACHINE, cle, QStringLiteral("Long"), v));
    EXPECT_EQ(v, QString());
    v = QStringLiteral("avant");
    EXPECT_FALSE(GetKeyValue(HKEY_LOCAL_MACHINE, cle, QStringLiteral("Absente"), v));
    EXPECT_EQ(v, QString());
}

TEST_F(MenuCommandsTest, RestartWithoutTheLauncherOnlyLogs) {
    EcrireFichierTest(DossierApplication + QStringLiteral("QD3_Tools_Kirvo_Launcher.exe"), "");
    w->RelancerApplication();
    EXPECT_TRUE(lanceur.programs.empty());
    EXPECT_TRUE(TestDialogs().shown.empty());
    bool trouve = false;
    for (const QString& l : lignesLog())
        trouve = trouve || l.endsWith(QStringLiteral("Err: Application not found: ") + DossierApplication +
                                      QStringLiteral("QD3_Tools_Kirvo_Launcher.exe"));
    EXPECT_TRUE(trouve);
}

TEST_F(MenuCommandsTest, RestartStartsTheLauncherThenEndsTheProgram) {
    const QString lanceurExe = DossierApplication + QStringLiteral("QD3_Tools_Kirvo_Launcher.exe");
    EcrireFichierTest(lanceurExe, "MZ");
    EXPECT_THROW(w->RelancerApplication(), ProgramEnded);
    ASSERT_EQ(lanceur.programs.size(), 1u);
    EXPECT_EQ(lanceur.programs[0].program, lanceurExe);
    EXPECT_TRUE(lanceur.programs[0].args.isEmpty());
    EXPECT_TRUE(w->estDecharge());  // the orderly shutdown ran before the end
}
