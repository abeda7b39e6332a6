#include "foundation/globals.h"
#include "foundation/log_lists.h"
#include "foundation/restart_shortcut.h"
#include "foundation/settings_access.h"
#include "foundation/settings_locations.h"
#include "foundation/shell_link.h"
#include "foundation/system_info.h"
#include "foundation/trace_log.h"
#include "options/options_fixture.h"
#include "options/options_window.h"
#include "platform/profile.h"
#include "support/fixture.h"
#include "support/scripted_dialogs.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTest>

namespace {

class OptionsWindowTest : public FenetreOptionsTest {
protected:
    void SetUp() override {
        FenetreOptionsTest::SetUp();
        NoVersionWindows = 7;  // a system where the start-up entry is offered
    }
    QString base() const { return dossierBase + QStringLiteral("QD3_Tools_Kirvo.Ini"); }
    QString lireP(const char* cle) const {
        return LectureIni(programme(), QStringLiteral("Windows"), QString::fromLatin1(cle), QStringLiteral("<absent>"));
    }
    QString lireB(const char* cle) const {
        return LectureIni(base(), QStringLiteral("URL"), QString::fromLatin1(cle), QStringLiteral("<absent>"));
    }
    void stocker() {
        EcritureIni(programme(), QStringLiteral("Windows"), QStringLiteral("Reboot"), QStringLiteral("1"));
        EcritureIni(programme(), QStringLiteral("Windows"), QStringLiteral("RebootTempo"), QStringLiteral("15000"));
        EcritureIni(programme(), QStringLiteral("Windows"), QStringLiteral("RebootVeille"), QStringLiteral("1"));
        EcritureIni(base(), QStringLiteral("URL"), QStringLiteral("Adresse"),
                    QStringLiteral("https://pub.example.test/ws/"));
        EcritureIni(base(), QStringLiteral("URL"), QStringLiteral("User"), QStringLiteral("régie"));
        EcritureIni(base(), QStringLiteral("URL"), QStringLiteral("PW"), QStringLiteral("s3cret"));
    }
    bool entreeDemarrage() const { return QFile::exists(FichierRaccourciDemarrage()); }
    QString texteEntreeDemarrage() const {
        QFile f(FichierRaccourciDemarrage());
        if (!f.open(QIODevice::ReadOnly)) return {};
        return QString::fromUtf8(f.readAll());
    }
};

TEST_F(OptionsWindowTest, LoadFillsTheControlsWithoutMarkingChangesOrTouchingStartUp) {
    stocker();
    FrmSetup* f = ChargerFrmSetup();
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->TxtURL->text(), QStringLiteral("https://pub.example.test/ws/"));
    EXPECT_EQ(f->TxtURLUser->text(), QStringLiteral("régie"));
    EXPECT_EQ(f->TxtURLPW->text(), QStringLiteral("s3cret"));
    EXPECT_EQ(ValeurCase(f->CheckReboot[0]), 1);
    EXPECT_EQ(ValeurCase(f->CheckReboot[1]), 1);
    EXPECT_EQ(f->TexteRebootTemporisation->text(), QStringLiteral("15000"));
    EXPECT_TRUE(f->CheckReboot[0]->isEnabled());
    EXPECT_FALSE(bOptionsModifiees);
    EXPECT_FALSE(bSetupEnChargement);
    EXPECT_TRUE(bFrmSetupChargee);
    EXPECT_FALSE(entreeDemarrage());  // loading a ticked box does not create the entry
    EXPECT_FALSE(f->isVisible());
    EXPECT_TRUE(f->windowTitle().startsWith(QStringLiteral("Options: Ondrune: Tools Kirvo - ")));
    EXPECT_EQ(f->windowTitle().mid(32), VersionApplication());
    EXPECT_EQ(Listes().incidents(0).count(), 0);
}

TEST_F(OptionsWindowTest, FirstRunShowsDefaultsAndCreatesNoFile) {
    FrmSetup* f = ChargerFrmSetup();
    EXPECT_EQ(f->TxtURL->text(), QString::fromLatin1(AdresseWebParDefaut));
    EXPECT_TRUE(f->TxtURLUser->text().isEmpty());
    EXPECT_TRUE(f->TxtURLPW->text().isEmpty());
    EXPECT_EQ(ValeurCase(f->CheckReboot[0]), 0);
    EXPECT_EQ(f->TexteRebootTemporisation->text(), QStringLiteral("10000"));
    EXPECT_FALSE(QFile::exists(base()));
    EXPECT_FALSE(QFile::exists(programme()));
    DechargerFrmSetup();  // nothing changed: no question, still no file
    EXPECT_TRUE(TestDialogs().shown.empty());
    EXPECT_FALSE(QFile::exists(base()));
}

TEST_F(OptionsWindowTest, SystemsWithoutStartUpEntryNeitherReadNorWriteIt) {
    stocker();
    NoVersionWindows = 10;
    FrmSetup* f = ChargerFrmSetup();
    EXPECT_FALSE(f->CheckReboot[0]->isEnabled());
    EXPECT_FALSE(f->TexteRebootTemporisation->isEnabled());
    EXPECT_FALSE(f->LabelTempo->isEnabled());
    EXPECT_FALSE(f->Label1_95->isEnabled());
    EXPECT_EQ(ValeurCase(f->CheckReboot[0]), 0);  // not read
    EXPECT_EQ(f->TexteRebootTemporisation->text(), QStringLiteral("10000"));
    EXPECT_EQ(ValeurCase(f->CheckReboot[1]), 1);  // read as everywhere

    // "Mettre en veille" applies box 0's state (clear): no start-up entry
    EXPECT_TRUE(f->CheckReboot[1]->isEnabled());
    f->CheckReboot[1]->click();
    EXPECT_FALSE(entreeDemarrage());
    EXPECT_TRUE(bOptionsModifiees);
    f->CommandSave->click();
    EXPECT_EQ(lireP("Reboot"), QStringLiteral("1"));  // stored values kept
    EXPECT_EQ(lireP("RebootTempo"), QStringLiteral("15000"));
    EXPECT_EQ(lireP("RebootVeille"), QStringLiteral("0"));
    EXPECT_FALSE(bOptionsModifiees);
}

TEST_F(OptionsWindowTest, StartUpBoxFollowsAtOnceAndSaveWritesEverything) {
    FrmSetup* f = ChargerFrmSetup();
    struct Cas {
        const char* delai;
        const char* attendu;
    };
    const Cas cas[] = {{"abc", "/Wait=1000"}, {"2500.5", "/Wait=2500"}, {"999999999999", "/Wait=120000"}};
    for (const auto& c : cas) {
        f->TexteRebootTemporisation->setText(QString::fromLatin1(c.delai));
        f->CheckReboot[0]->click();  // ticked: the entry is made with the delay
        ASSERT_TRUE(entreeDemarrage()) << c.delai;
        EXPECT_TRUE(texteEntreeDemarrage().contains(QString::fromLatin1(c.attendu))) << c.delai;
        f->CheckReboot[0]->click();  // cleared: the entry goes
        EXPECT_FALSE(entreeDemarrage()) << c.delai;
    }
    f->CheckReboot[0]->click();
    f->TexteRebootTemporisation->setText(QStringLiteral("20000"));
    f->TxtURL->setText(QStringLiteral("http://autre.test/"));
    f->TxtURLUser->setText(QStringLiteral("u"));
    f->TxtURLPW->setText(QStringLiteral("p w"));
    EXPECT_TRUE(bOptionsModifiees);
    // saved only by the save command
    EXPECT_EQ(lireB("Adresse"), QStringLiteral("<absent>"));
    f->MnuMainSave->trigger();
    EXPECT_FALSE(bOptionsModifiees);
    EXPECT_EQ(lireB("Adresse"), QStringLiteral("http://autre.test/"));
    EXPECT_EQ(lireB("User"), QStringLiteral("u"));
    EXPECT_EQ(lireB("PW"), QStringLiteral("p w"));
    EXPECT_EQ(lireP("Reboot"), QStringLiteral("1"));
    EXPECT_EQ(lireP("RebootTempo"), QStringLiteral("20000"));
    EXPECT_EQ(lireP("RebootVeille"), QStringLiteral("0"));
    EXPECT_TRUE(TestDialogs().shown.empty());
}

TEST_F(OptionsWindowTest, FailedSaveKeepsTheChangeAndTellsTheUser) {
    // the base's configuration "folder" is a file: nothing can be written there
    QFile bloque(tmp.path() + QStringLiteral("/Bloque"));
    ASSERT_TRUE(bloque.open(QIODevice::WriteOnly));
    bloque.close();
    dossierBase = tmp.path() + QStringLiteral("/Bloque/");
    FrmSetup* f = ChargerFrmSetup();
    f->TxtURL->setText(QStringLiteral("http://nouvelle.test/"));
    f->CommandSave->click();
    EXPECT_TRUE(bOptionsModifiees);
    ASSERT_EQ(TestDialogs().shown.size(), 1u);
    const auto& b = TestDialogs().shown[0];
    EXPECT_EQ(b.style, Mb::Exclamation);
    EXPECT_EQ(b.title, CaptionFrmMain());
    EXPECT_TRUE(b.prompt.startsWith(QStringLiteral("Les options n'ont pas pu être enregistrées.")));
    EXPECT_TRUE(b.prompt.contains(base()));
    // what could be written was written
    EXPECT_EQ(lireP("RebootVeille"), QStringLiteral("0"));

    // the folder becomes usable: the next save goes through
    QFile::remove(tmp.path() + QStringLiteral("/Bloque"));
    f->CommandSave->click();
    EXPECT_FALSE(bOptionsModifiees);
    EXPECT_EQ(lireB("Adresse"), QStringLiteral("http://nouvelle.test/"));
    EXPECT_EQ(TestDialogs().shown.size(), 1u);
}

TEST_F(OptionsWindowTest, FailedSaveAtTheUnloadIsToldAndTheUnloadGoesOn) {
    QFile bloque(tmp.path() + QStringLiteral("/Bloque"));
    ASSERT_TRUE(bloque.open(QIODevice::WriteOnly));
    bloque.close();
    dossierBase = tmp.path() + QStringLiteral("/Bloque/");
    FrmSetup* f = ChargerFrmSetup();
    f->TxtURL->setText(QStringLiteral("http://perdue.test/"));
    TestDialogs().answers = {Mb::Yes};
    DechargerFrmSetup();
    ASSERT_EQ(TestDialogs().shown.size(), 2u);
    EXPECT_EQ(TestDialogs().shown[0].prompt, QStringLiteral("Voulez-vous enregistrer les options ?"));
    const QString echec = TestDialogs().shown[1].prompt;
    EXPECT_TRUE(echec.startsWith(QStringLiteral("Les options n'ont pas pu être enregistrées.")));
    EXPECT_TRUE(echec.contains(base()));
    EXPECT_FALSE(echec.contains(QStringLiteral("enregistrez à nouveau")));  // no later save to offer
    EXPECT_FALSE(bOptionsModifiees);
    EXPECT_FALSE(bFrmSetupChargee);
    EXPECT_EQ(FrmSetupCharge(), nullptr);
}

// A text typed longer than a settings file gives back is stopped at that length: what the box
// shows is what comes back at the next load.
TEST_F(OptionsWindowTest, TextsKeptInASettingsFileTakeNoMoreThanTheFileGivesBack) {
    FrmSetup* f = ChargerFrmSetup();
    const QString longue = QStringLiteral("http://service.test/") + QString(300, QLatin1Char('x'));
    const std::pair<QLineEdit * FrmSetup::*, QString> boites[] = {
        {&FrmSetup::TxtURL, longue},
        {&FrmSetup::TxtURLUser, QString(300, QLatin1Char('u'))},
        {&FrmSetup::TxtURLPW, QString(300, QLatin1Char('p'))},
        {&FrmSetup::TexteRebootTemporisation, QString(300, QLatin1Char('1'))},
    };
    for (const auto& [boite, texte] : boites) {
        (f->*boite)->selectAll();
        QTest::keyClicks(f->*boite, texte);
        EXPECT_EQ((f->*boite)->text(), texte.left(ProfileLongueurMax));
    }
    f->CommandSave->click();
    EXPECT_TRUE(TestDialogs().shown.empty());
    ReinitialiserOptions();
    f = ChargerFrmSetup();
    for (const auto& [boite, texte] : boites) EXPECT_EQ((f->*boite)->text(), texte.left(ProfileLongueurMax));
}

const QString kQuestionAdresseVide = QStringLiteral(
    "L'adresse du service Web (URL) est vide : les synchronisations ne pourront pas joindre le service.\r\n\r\n"
    "Enregistrer quand même l'URL vide ?\r\n\r\nNon : l'URL enregistrée est gardée, les autres modifications sont "
    "enregistrées.");

// An empty address is saved only when the user confirms it; "Non" keeps the stored one, in the file
// and in the field the requests read, and saves the other changes.
TEST_F(OptionsWindowTest, AnEmptyAddressIsSavedOnlyOnceConfirmed) {
    stocker();
    FrmSetup* f = ChargerFrmSetup();
    f->TxtURL->selectAll();
    QTest::keyClick(f->TxtURL, Qt::Key_Delete);
    f->TxtURLUser->setText(QStringLiteral("autre"));
    ASSERT_TRUE(f->TxtURL->text().isEmpty());
    TestDialogs().answers = {Mb::No};
    f->CommandSave->click();
    ASSERT_EQ(TestDialogs().shown.size(), 1u);
    EXPECT_EQ(TestDialogs().shown[0].prompt, kQuestionAdresseVide);
    EXPECT_EQ(TestDialogs().shown[0].style, Mb::YesNo | Mb::Exclamation | Mb::DefaultButton2);
    EXPECT_EQ(lireB("Adresse"), QStringLiteral("https://pub.example.test/ws/"));
    EXPECT_EQ(lireB("User"), QStringLiteral("autre"));
    EXPECT_EQ(f->TxtURL->text(), QStringLiteral("https://pub.example.test/ws/"));
    EXPECT_FALSE(bOptionsModifiees);  // the field is what the file holds: nothing left to save
    EXPECT_TRUE(journalContient(QStringLiteral(
        "FrmSetup: URL vide non enregistrée, l'URL enregistrée est gardée: https://pub.example.test/ws/")));
    TestDialogs().reset();
    f->CommandSave->click();
    EXPECT_TRUE(TestDialogs().shown.empty());

    // With no address in the file, the one the load would give comes back.
    ASSERT_TRUE(QFile::remove(base()));
    f->TxtURL->clear();
    TestDialogs().answers = {Mb::No};
    f->CommandSave->click();
    EXPECT_EQ(f->TxtURL->text(), QString::fromLatin1(AdresseWebParDefaut));
    EXPECT_EQ(lireB("Adresse"), QStringLiteral("<absent>"));

    TestDialogs().reset();
    f->TxtURL->clear();
    TestDialogs().answers = {Mb::Yes};
    f->MnuMainSave->trigger();
    ASSERT_EQ(TestDialogs().shown.size(), 1u);
    EXPECT_EQ(lireB("Adresse"), QString());
    EXPECT_EQ(lireB("User"), QStringLiteral("autre"));
    EXPECT_FALSE(bOptionsModifiees);

    // An address given: no question.
    TestDialogs().reset();
    QTest::keyClicks(f->TxtURL, QStringLiteral("http://x.test/"));
    f->CommandSave->click();
    EXPECT_TRUE(TestDialogs().shown.empty());
    EXPECT_EQ(lireB("Adresse"), QStringLiteral("http://x.test/"));
}

// "Quitter", "Oui" to saving, "Non" to the empty address: every other change is saved all the same.
TEST_F(OptionsWindowTest, AtTheUnloadNoToAnEmptyAddressStillSavesTheRest) {
    stocker();
    FrmSetup* f = ChargerFrmSetup();
    f->TxtURL->clear();
    f->TxtURLPW->setText(QStringLiteral("nouveau"));
    f->CheckReboot[1]->setCheckState(Qt::Unchecked);
    f->TexteUDPIPCible[2]->setText(QStringLiteral("127.0.0.2"));
    TestDialogs().answers = {Mb::Yes, Mb::No};
    DechargerFrmSetup();
    ASSERT_EQ(TestDialogs().shown.size(), 2u);
    EXPECT_EQ(TestDialogs().shown[0].prompt, QStringLiteral("Voulez-vous enregistrer les options ?"));
    EXPECT_EQ(TestDialogs().shown[1].prompt, kQuestionAdresseVide);
    EXPECT_EQ(lireB("Adresse"), QStringLiteral("https://pub.example.test/ws/"));
    EXPECT_EQ(lireB("PW"), QStringLiteral("nouveau"));
    EXPECT_EQ(lireP("RebootVeille"), QStringLiteral("0"));
    EXPECT_EQ(LectureIni(programme(), QStringLiteral("UDP_OUT"), QStringLiteral("IP_2"), QString()),
              QStringLiteral("127.0.0.2"));
    EXPECT_FALSE(bFrmSetupChargee);
}

TEST_F(OptionsWindowTest, TraceBoxesSwitchTheEntryTraces) {
    FrmSetup* f = ChargerFrmSetup();
    f->CheckLogDebug->click();
    EXPECT_TRUE(bTraceLogDebug);
    f->CheckDebugEcran->click();
    EXPECT_TRUE(bTraceDebugEcran);
    f->CheckLogDebug->click();
    EXPECT_FALSE(bTraceLogDebug);
    EXPECT_FALSE(bOptionsModifiees);  // never saved
    // the debug window's unload clears the box, which turns the screen trace off
    SetValeurCase(f->CheckDebugEcran, 0);
    EXPECT_FALSE(bTraceDebugEcran);
}

TEST_F(OptionsWindowTest, LogListShowsItsLastLineWhetherLinesCameInOrOutOfSight) {
    FrmSetup* f = ChargerFrmSetup();
    const auto ligne = [](const QString& texte) { TraceLog(-1, -1, -1, texte, false, -1, false); };
    for (int i = 0; i < 120; ++i) ligne(QStringLiteral("hors de vue %1").arg(i));
    f->SftTabsOptions->setCurrentIndex(2);
    f->show();
    QCoreApplication::processEvents();
    QScrollBar* barre = f->ListeLog->verticalScrollBar();
    ASSERT_GT(barre->maximum(), 0);
    EXPECT_EQ(barre->value(), barre->maximum());
    // in sight, a new line takes the list to its end at once
    barre->setValue(0);
    ligne(QStringLiteral("en vue"));
    EXPECT_EQ(barre->value(), barre->maximum());
    // hidden again, a reader's place is kept until lines come
    f->SftTabsOptions->setCurrentIndex(0);
    barre->setValue(0);
    f->SftTabsOptions->setCurrentIndex(2);
    EXPECT_EQ(barre->value(), 0);
    f->SftTabsOptions->setCurrentIndex(0);
    ligne(QStringLiteral("derrière un autre onglet"));
    f->SftTabsOptions->setCurrentIndex(2);
    QCoreApplication::processEvents();
    EXPECT_EQ(barre->value(), barre->maximum());
    f->hide();
}

TEST_F(OptionsWindowTest, CloseBoxAndFermerOnlyHide) {
    FrmSetup* f = ChargerFrmSetup();
    f->TxtURLUser->setText(QStringLiteral("en cours"));
    f->show();
    EXPECT_FALSE(f->close());
    EXPECT_FALSE(f->isVisible());
    EXPECT_EQ(FrmSetupCharge(), f);
    EXPECT_TRUE(bFrmSetupChargee);
    f->show();
    f->CommandFermer->click();
    EXPECT_FALSE(f->isVisible());
    f->show();
    f->MnuMainFermer->trigger();
    EXPECT_FALSE(f->isVisible());
    EXPECT_EQ(f->TxtURLUser->text(), QStringLiteral("en cours"));
    EXPECT_TRUE(bOptionsModifiees);
}

TEST_F(OptionsWindowTest, UnloadAsksOnceAndNoWritesNothing) {
    stocker();
    FrmSetup* f = ChargerFrmSetup();
    f->TxtURLPW->setText(QStringLiteral("nouveau"));
    bPeripheriquesModifies = true;
    bool udpEnregistre = false;
    LiensSetup().SaveSettingsPeripheriques = [&] { return udpEnregistre = true; };
    f->CheckDebugEcran->click();
    ASSERT_TRUE(bTraceDebugEcran);
    TestDialogs().answers = {Mb::No};
    const QString titre = f->windowTitle();
    DechargerFrmSetup();
    ASSERT_EQ(TestDialogs().shown.size(), 1u);
    EXPECT_EQ(TestDialogs().shown[0].prompt, QStringLiteral("Voulez-vous enregistrer les options ?"));
    EXPECT_EQ(TestDialogs().shown[0].style, Mb::YesNo | Mb::Question);
    EXPECT_EQ(TestDialogs().shown[0].title, titre);
    EXPECT_EQ(lireB("PW"), QStringLiteral("s3cret"));
    EXPECT_FALSE(udpEnregistre);
    EXPECT_FALSE(bOptionsModifiees || bPeripheriquesModifies || bParametresModifies);
    EXPECT_FALSE(bTraceDebugEcran);
    EXPECT_FALSE(bFrmSetupChargee);
    EXPECT_EQ(FrmSetupCharge(), nullptr);
    // the log list went to the day's file, its last line the unload's
    EXPECT_EQ(Listes().ListeLog.count(), 0);
    QDir d(CheminLog);
    const QStringList jours = d.entryList({QStringLiteral("*.Log")}, QDir::Files);
    ASSERT_EQ(jours.size(), 1);
    QFile jour(CheminLog + jours[0]);
    ASSERT_TRUE(jour.open(QIODevice::ReadOnly));
    const QList<QByteArray> lignes = jour.readAll().trimmed().split('\n');
    EXPECT_TRUE(lignes.last().trimmed().endsWith("---------- FrmSetup: Form_Unload: End"));
}

TEST_F(OptionsWindowTest, UnloadWithYesSavesWhatChanged) {
    FrmSetup* f = ChargerFrmSetup();
    f->TxtURL->setText(QStringLiteral("http://oui.test/"));
    TestDialogs().answers = {Mb::Yes};
    DechargerFrmSetup();
    EXPECT_EQ(TestDialogs().shown.size(), 1u);
    EXPECT_EQ(lireB("Adresse"), QStringLiteral("http://oui.test/"));
}

TEST_F(OptionsWindowTest, OnlyTheUdpTableChangedSavesOnlyIt) {
    FrmSetup* f = ChargerFrmSetup();
    int udp = 0;
    LiensSetup().SaveSettingsPeripheriques = [&] {
        ++udp;
        bPeripheriquesModifies = false;
        return true;
    };
    bPeripheriquesModifies = true;
    f->CommandSave->click();
    EXPECT_EQ(udp, 1);
    EXPECT_FALSE(QFile::exists(programme()));
    EXPECT_FALSE(QFile::exists(base()));
    bParametresModifies = true;
    f->CommandSave->click();
    EXPECT_EQ(udp, 1);
    EXPECT_FALSE(bParametresModifies);
}

TEST_F(OptionsWindowTest, LoadRunsItsStepsInOrderAndShowsThemDuringStartUp) {
    QStringList appels;
    LiensSetup().InitGeneral = [&] { appels << QStringLiteral("InitGeneral:") + LabelMsgInit(); };
    LiensSetup().InitUDP = [&] { appels << QStringLiteral("InitUDP:") + LabelMsgInit(); };
    LiensSetup().InitSettingsPeripheriques = [&] {
        // the channel table loads while the handlers are muted
        appels << QStringLiteral("InitSettingsPeripheriques:") + (bSetupEnChargement ? "muet" : "actif");
    };
    LiensSetup().LookFenetre = [&](QWidget* w) { appels << QStringLiteral("Look:") + w->objectName(); };
    bAfficherProgression = true;
    ChargerFrmSetup();
    EXPECT_EQ(
        appels,
        QStringList({QStringLiteral("Look:FrmSetup"), QStringLiteral("InitGeneral:Tools Kirvo: Setup: Init: General"),
                     QStringLiteral("InitUDP:Options: Init: UDP"), QStringLiteral("InitSettingsPeripheriques:muet")}));
    EXPECT_EQ(LabelMsgInit(), QStringLiteral("Tools Kirvo: Setup: End"));
    EXPECT_TRUE(journalContient(QStringLiteral("----- Options: Init: UDP -----")));
    EXPECT_TRUE(journalContient(QStringLiteral("----- Tools Kirvo: Setup: End -----")));
    EXPECT_FALSE(journalContient(QStringLiteral("----- Tools Kirvo: Setup: Init: Settings -----")));
}

TEST_F(OptionsWindowTest, WithoutStartUpProgressNothingIsAnnounced) {
    LabelMsgInit(QStringLiteral("avant"));
    ChargerFrmSetup();
    EXPECT_EQ(LabelMsgInit(), QStringLiteral("avant"));
    EXPECT_FALSE(journalContient(QStringLiteral("Setup: End")));
}

TEST_F(OptionsWindowTest, LogListShowsEveryLineOnceLoaded) {
    // lines not yet written to the day's file stay in the list
    TraceLog(-1, -1, -1, QStringLiteral("avant le chargement"), false, -1, false);
    FrmSetup* f = ChargerFrmSetup();
    TraceLog(-1, -1, -1, QStringLiteral("après le chargement"), false, -1, false);
    QAbstractItemModel* m = f->ListeLog->model();
    ASSERT_EQ(m, &Listes().ListeLog);
    ASSERT_GE(m->rowCount(), 2);
    EXPECT_TRUE(m->index(0, 0).data().toString().endsWith(QStringLiteral("avant le chargement")));
    EXPECT_TRUE(m->index(m->rowCount() - 1, 0).data().toString().endsWith(QStringLiteral("après le chargement")));
}

TEST_F(OptionsWindowTest, NormalWindowKeepsItsHeightAndAnInvalidStoredBoxValueIsReported) {
    EcritureIni(programme(), QStringLiteral("Windows"), QStringLiteral("RebootVeille"), QStringLiteral("7"));
    FrmSetup* f = ChargerFrmSetup();
    EXPECT_EQ(ValeurCase(f->CheckReboot[1]), 0);
    EXPECT_GT(Listes().incidents(0).count(), 0);  // the box refused 7; the load went on
    EXPECT_TRUE(bFrmSetupChargee);
    f->show();
    f->resize(900, 300);
    EXPECT_EQ(f->height(), FrmSetup::HauteurNormale);
    EXPECT_EQ(f->width(), 900);
}

}  // namespace
