#include "foundation/globals.h"
#include "foundation/log_lists.h"
#include "foundation/settings_access.h"
#include "foundation/settings_locations.h"
#include "foundation/system_info.h"
#include "platform/paths.h"
#include "support/fixture.h"
#include "support/scripted_dialogs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QWidget>

namespace {

class SettingsLocationsTest : public KirvoTest {
protected:
    void SetUp() override {
        KirvoTest::SetUp();
        racine = tmp.path() + QLatin1Char('/');
        SetRacineLecteurs(racine);
        qunsetenv("KIRVO_WINDOWS_DIR");
        qunsetenv("KIRVO_REGISTRY_DIR");
        DossierApplication = racine + QStringLiteral("app/");
        QDir().mkpath(DossierApplication);
        ReinitialiserMemoiresDossiers();
        ReinitialiserSettingsLocations();
        ReinitialiserInfoSysteme();
    }
    void TearDown() override {
        SetRacineLecteurs(QString());
        ReinitialiserMemoiresDossiers();
        ReinitialiserSettingsLocations();
        ReinitialiserInfoSysteme();
        KirvoTest::TearDown();
    }
    void ecrire(const QString& rel, const QByteArray& contenu) { EcrireFichierTest(racine + rel, contenu); }
    QByteArray lire(const QString& rel) const { return LireFichierTest(racine + rel); }
    QString ini(const QString& rel, const char* section, const char* cle) const {
        return LectureIni(racine + rel, QString::fromLatin1(section), QString::fromLatin1(cle),
                          QStringLiteral("<absent>"));
    }
    QStringList textes() const {
        QStringList out;
        for (const QString& l : lignesLog()) out << l.mid(25);
        return out;
    }
    QString racine;
};

TEST_F(SettingsLocationsTest, SettingsFileNamesCarryTheInstance) {
    struct Cas {
        int16_t instance;
        const char* suffixe;
        const char* nom;
    };
    const Cas cas[] = {
        {0, "", "QD3_Tools_Kirvo.Ini"},
        {0, "_Positions", "QD3_Tools_Kirvo_Positions.Ini"},
        {2, "", "QD3_Tools_Kirvo_2.Ini"},
        {2, "_Positions", "QD3_Tools_Kirvo_2_Positions.Ini"},
        {3, "_Positions", "QD3_Tools_Kirvo_3_Positions.Ini"},
    };
    for (const auto& c : cas) {
        NoInstance = c.instance;
        EXPECT_EQ(NomFichierSettings(QString::fromLatin1(c.suffixe), QStringLiteral(".Ini")),
                  DossierApplication + QStringLiteral("Settings/QD3_Tools_Kirvo/") + QString::fromLatin1(c.nom));
    }
    EXPECT_EQ(DossierSettings, DossierApplication + QStringLiteral("Settings/QD3_Tools_Kirvo/"));
    EXPECT_NE(InfoVersionOS.dwPlatformId, 0);
}

TEST_F(SettingsLocationsTest, AnOldSettingsFileMovesOutOfTheWindowsFolderOnce) {
    NoInstance = 2;
    ecrire(QStringLiteral("app/Windows/QD3_Tools_Kirvo_2.Ini"), "[Web]\r\nUrl=ancienne\r\n");
    ecrire(QStringLiteral("app/Windows/QD3_Tools_Kirvo.Ini"), "[Web]\r\nUrl=autre instance\r\n");
    NomDossierSettings();
    EXPECT_EQ(lire(QStringLiteral("app/Settings/QD3_Tools_Kirvo/QD3_Tools_Kirvo_2.Ini")),
              QByteArray("[Web]\r\nUrl=ancienne\r\n"));
    EXPECT_FALSE(QFileInfo::exists(racine + QStringLiteral("app/Windows/QD3_Tools_Kirvo_2.Ini")));
    EXPECT_TRUE(QFileInfo::exists(racine + QStringLiteral("app/Windows/QD3_Tools_Kirvo.Ini")));

    // Once the file is in place, an old copy that turns up again stays where it is.
    ecrire(QStringLiteral("app/Windows/QD3_Tools_Kirvo_2.Ini"), "[Web]\r\nUrl=revenue\r\n");
    NomDossierSettings();
    EXPECT_EQ(lire(QStringLiteral("app/Settings/QD3_Tools_Kirvo/QD3_Tools_Kirvo_2.Ini")),
              QByteArray("[Web]\r\nUrl=ancienne\r\n"));
    EXPECT_TRUE(QFileInfo::exists(racine + QStringLiteral("app/Windows/QD3_Tools_Kirvo_2.Ini")));
}

TEST_F(SettingsLocationsTest, RestoredPositionsStayOnTheScreen) {
    // Screen of 1024 x 1024 pixels (15360 twips high); the window is 400 x 200 pixels.
    const QRect ecran(0, 0, 1024, 1024);
    const QSize taille(400, 200);
    const QString positions = QStringLiteral("app/Settings/QD3_Tools_Kirvo/QD3_Tools_Kirvo_Positions.Ini");
    struct Cas {
        const char* gauche;
        const char* haut;
        QPoint attendu;
    };
    const Cas cas[] = {
        {nullptr, nullptr, {0, 0}},                                   // nothing saved
        {"1500", "3000", {100, 200}}, {"1500", "20000", {100, 512}},  // below the screen: half-way up (7680 twips)
        {"0", "-5000", {0, 0}},                                       // lost above the top
        {"0", "-2000", {0, 0}},                                       // title bar above the screen: brought down
        {"-20001", "0", {0, 0}},      {"-20000", "0", {0, 0}},        // partly off the left side: brought in
        {"30000", "0", {624, 0}},                                     // off the right side: brought in
        {"0", "15000", {0, 824}},                                     // its lower part below the screen: raised
        {" 1515abc", "x", {101, 0}},                                  // leading number only
    };
    for (const auto& c : cas) {
        QFile::remove(racine + positions);
        if (c.gauche) {
            ecrire(positions,
                   QByteArray("[FrmPos]\r\nFrmTest_Left=") + c.gauche + "\r\nFrmTest_Top=" + c.haut + "\r\n");
        }
        EXPECT_EQ(PositionFeuille(QStringLiteral("FrmTest"), taille, ecran), c.attendu)
            << (c.gauche ? c.gauche : "-") << " " << (c.haut ? c.haut : "-");
    }

    // A second screen to the right keeps a window saved there.
    ecrire(positions, "[FrmPos]\r\nFrmTest_Left=22500\r\nFrmTest_Top=1500\r\n");
    EXPECT_EQ(PositionFeuille(QStringLiteral("FrmTest"), taille, QRect(1024, 0, 1920, 1080)), QPoint(1500, 100));
    // A window larger than the screen goes to its corner.
    EXPECT_EQ(PositionFeuille(QStringLiteral("FrmTest"), QSize(3000, 2000), QRect(0, 0, 1920, 1080)), QPoint(0, 0));
}

TEST_F(SettingsLocationsTest, SavedPositionsAndTheWindowState) {
    const QString positions = QStringLiteral("app/Settings/QD3_Tools_Kirvo/QD3_Tools_Kirvo_Positions.Ini");
    PositionFeuilleSauvegarde(QStringLiteral("FrmSetup"), QPoint(100, 40), EtatNormal);
    EXPECT_EQ(lire(positions), QByteArray("[FrmPos]\r\nFrmSetup_Left=1500\r\nFrmSetup_Top=600\r\n"));
    PositionFeuilleSauvegarde(QStringLiteral("FrmSetup"), QPoint(0, 0), EtatMaximise);
    PositionFeuilleSauvegarde(QStringLiteral("FrmSetup"), QPoint(-32000, -32000), EtatMinimise);
    EXPECT_EQ(lire(positions), QByteArray("[FrmPos]\r\nFrmSetup_Left=1500\r\nFrmSetup_Top=600\r\n"));

    PositionFeuilleSauvegarde(QStringLiteral("FrmSetup"), QPoint(7, 8), EtatNormal, QStringLiteral("B"));
    EXPECT_EQ(ini(positions, "FrmPos", "FrmSetup_Left_B"), QStringLiteral("105"));
    EXPECT_EQ(PositionFeuille(QStringLiteral("FrmSetup"), QSize(10, 10), QRect(0, 0, 800, 600), QStringLiteral("B")),
              QPoint(7, 8));
    EXPECT_EQ(PositionFeuille(QStringLiteral("FrmSetup"), QSize(10, 10), QRect(0, 0, 800, 600)), QPoint(100, 40));
}

TEST_F(SettingsLocationsTest, AWindowGoesBackWhereItWas) {
    QWidget w;
    w.setObjectName(QStringLiteral("FrmHorloge"));
    w.resize(120, 60);
    w.move(30, 45);
    PositionFeuilleSauvegarde(&w);
    QWidget autre;
    autre.setObjectName(QStringLiteral("FrmHorloge"));
    autre.resize(120, 60);
    PositionFeuille(&autre);
    EXPECT_EQ(autre.pos(), QPoint(30, 45));
    EXPECT_EQ(EtatDeFenetre(&autre), EtatNormal);
}

TEST_F(SettingsLocationsTest, ConfigFolderOfABase) {
    ecrire(QStringLiteral("app/Settings/QD3_Config.ini"),
           "[Site]\r\nNbBase=2\r\n[Base_01]\r\nDossier_Config_Global=D:\\Base1\r\n[Base_02]\r\nDossier_Config_Global="
           "\r\n");
    const QString C = DossierApplication + QStringLiteral("Settings/QD3_Config.ini");
    EXPECT_EQ(DetermineDossierConfig_Bases_Dossier(C, 1, true), QStringLiteral("D:\\Base1/"));
    EXPECT_EQ(DetermineDossierConfig_Bases_Dossier(C, 1, false), QStringLiteral("D:\\Base1/"));
    EXPECT_EQ(DetermineDossierConfig_Bases_Dossier(C, 2, true), QString());
    EXPECT_EQ(DetermineDossierConfig_Bases_Dossier(C, 3, false), QStringLiteral("C:\\Tessival\\Ondrune\\Config\\"));
    EXPECT_EQ(DetermineDossierConfig_Fichier(C, 1), QStringLiteral("D:\\Base1/"));
    EXPECT_EQ(DetermineDossierConfig_Fichier(C, 3), DossierApplication + QStringLiteral("Config/"));
    EXPECT_EQ(textes(),
              QStringList(
                  {QStringLiteral("Dossier_Config_Global:  /A"), QStringLiteral("Dossier_Config_Global: D:\\Base1/ /B"),
                   QStringLiteral("Dossier_Config_Global:  /A"),
                   QStringLiteral("Dossier_Config_Global: ") + DossierApplication + QStringLiteral("Config/ /B")}));

    // The site-wide folder wins in the file lookup, and in the base lookup without base-first.
    ecrire(QStringLiteral("app/Settings/QD3_Config.ini"),
           "[Site]\r\nDossier_Config_Global=E:\\Site\r\n[Base_01]\r\nDossier_Config_Global=D:\\Base1\\\r\n");
    EXPECT_EQ(DetermineDossierConfig_Fichier(C, 1), QStringLiteral("E:\\Site/"));
    EXPECT_EQ(DetermineDossierConfig_Bases_Dossier(C, 1, false), QStringLiteral("E:\\Site/"));
    EXPECT_EQ(DetermineDossierConfig_Bases_Dossier(C, 1, true), QStringLiteral("D:\\Base1\\"));
}

TEST_F(SettingsLocationsTest, ARecentSystemBuildsNothing) {
    NoVersionWindows = 7;
    EXPECT_EQ(DetermineDossierConfig(), DossierApplication + QStringLiteral("Settings/QD3_Config.ini"));
    EXPECT_FALSE(QFileInfo::exists(DossierApplication + QStringLiteral("Settings")));
    EXPECT_TRUE(TestDialogs().shown.empty());
    // Left to the system's own code, this platform counts as recent.
    NoVersionWindows = 0;
    DetermineDossierConfig();
    EXPECT_GE(NoVersionWindows, 6);
    EXPECT_LE(NoVersionWindows, 11);
    EXPECT_FALSE(QFileInfo::exists(DossierApplication + QStringLiteral("Settings/QD3_Config.ini")));
}

TEST_F(SettingsLocationsTest, AnOldSystemBuildsTheConfigurationFromTheLegacyFiles) {
    NoVersionWindows = 5;
    ecrire(QStringLiteral("app/Windows/win.ini"),
           "[Tessival]\r\nNb_Base=2.5\r\nUNC_Actif=on\r\nINI_ONDRUNE=C:\\Legacy\\\r\n"
           "Ini_Base_01=C:\\B1\\\r\nIni_Base_02=C:\\B2\r\nBase_01=Matin\r\n");
    ecrire(QStringLiteral("c/B1/Xt_sys.ini"),
           "[Stations]\r\nNb_Max=2\r\n[Div_Radio]\r\nStation_001=Nord\r\n"
           "[Repertoires]\r\nREPLOG=C:\\Logs\\\r\nREPBTR=C:\\Btr\\\r\n"
           "[UNC_Actif]\r\nREPBTR=ON\r\n[Repertoires_UNC]\r\nREPBTR=\\\\S\\Btr\\\r\n"
           "[Repertoire_Station_001]\r\nJIN_00=O,D:\\Sons\\Jingles\\\r\nJIN_01=  \r\nPUB_09=N,E:\\Pub\\\r\n"
           "[UNC_Actif001]\r\nPUB_09=ON\r\n[Repertoire_Station_UNC_001]\r\nPUB_09=O,\\\\S\\Pub\\\r\n");
    ecrire(QStringLiteral("c/B2/Xt_sys.ini"), "[Stations]\r\nNb_Max=beaucoup\r\n");

    const QString P = DetermineDossierConfig();
    EXPECT_EQ(P, DossierApplication + QStringLiteral("Settings/QD3_Config.ini"));
    const QString cfg = QStringLiteral("app/Settings/QD3_Config.ini");
    EXPECT_EQ(ini(cfg, "Site", "NbBase"), QStringLiteral("2"));  // 2.5: halves to even
    EXPECT_EQ(ini(cfg, "Site", "NoBase"), QStringLiteral("1"));
    EXPECT_EQ(ini(cfg, "Site", "Actif"), QStringLiteral("1"));
    EXPECT_EQ(ini(cfg, "Site", "Lib"), QStringLiteral("Nom de la radio"));  // "on" is not "ON": no legacy folder file
    EXPECT_EQ(ini(cfg, "Base_01", "Dossier_Config_Global"), QStringLiteral("C:\\B1\\"));
    EXPECT_EQ(ini(cfg, "Base_02", "Dossier_Config_Global"), QStringLiteral("C:\\B2"));

    const QString s1 = QStringLiteral("c/B1/QD3_Systeme.ini");
    EXPECT_EQ(ini(s1, "Base_01", "Lib"), QStringLiteral("Matin"));
    EXPECT_EQ(ini(s1, "Base_01", "NbStation"), QStringLiteral("2"));
    EXPECT_EQ(ini(s1, "Base_01", "Dossier_Log"), QStringLiteral("C:\\Logs\\"));
    EXPECT_EQ(ini(s1, "Base_01", "Dossier_Log_Pub"), QStringLiteral("C:\\Sentolo\\Pub\\"));
    EXPECT_EQ(ini(s1, "Base_01", "Dossier_Data"), QStringLiteral("\\\\S\\Btr\\"));
    EXPECT_EQ(ini(s1, "Base_01", "Dossier_Local"), DossierApplication);
    EXPECT_EQ(ini(s1, "Base_01_Station_01", "Lib"), QStringLiteral("Nord"));
    EXPECT_EQ(ini(s1, "Base_01_Station_02", "Lib"), QStringLiteral("Station 02"));
    EXPECT_EQ(ini(s1, "Base_01_Station_03", "Lib"), QStringLiteral("<absent>"));
    EXPECT_EQ(ini(s1, "Dossiers_Sons_Jin", "00"), QStringLiteral("D:\\Sons\\Jingles\\"));
    EXPECT_EQ(ini(s1, "Dossiers_Sons_Jin", "01"), QStringLiteral("<absent>"));
    EXPECT_EQ(ini(s1, "Dossiers_Sons_Pub", "09"), QStringLiteral("\\\\S\\Pub\\"));

    // "beaucoup" is no number: reported, and the base keeps the previous count.
    const QString s2 = QStringLiteral("c/B2/QD3_Systeme.ini");
    EXPECT_EQ(ini(s2, "Base_02", "Lib"), QStringLiteral("Base 02"));
    EXPECT_EQ(ini(s2, "Base_02", "NbStation"), QStringLiteral("2"));
    EXPECT_EQ(ini(s2, "Base_02", "Dossier_Data"), QStringLiteral("C:\\BTRieve\\Data\\"));
    ASSERT_EQ(Listes().incidents(0).count(), 1);
    EXPECT_TRUE(Listes().incidents(0).at(0).contains(QStringLiteral("Err: 13 ")))
        << Listes().incidents(0).at(0).toStdString();
    EXPECT_TRUE(Listes().incidents(0).at(0).contains(QStringLiteral("Lib_Public:DetermineDossierConfig:210")));

    // The style advice, once per installation.
    ASSERT_EQ(TestDialogs().shown.size(), 1u);
    EXPECT_TRUE(TestDialogs().shown[0].prompt.startsWith(
        QStringLiteral("Le poste utilise le style 'Windows standard'\r\n\r\n")));
    EXPECT_EQ(TestDialogs().shown[0].style, Mb::Information);
    EXPECT_EQ(ini(cfg, "ThemeWindows", "Msg"), QStringLiteral("1"));

    // Built once: a second call changes nothing.
    const QByteArray avant = lire(cfg);
    DetermineDossierConfig();
    EXPECT_EQ(lire(cfg), avant);
    EXPECT_EQ(TestDialogs().shown.size(), 1u);
}

TEST_F(SettingsLocationsTest, NoLegacyFilesBuildsDefaultsForOneBase) {
    NoVersionWindows = 2000;
    DetermineDossierConfig();
    const QString cfg = QStringLiteral("app/Settings/QD3_Config.ini");
    EXPECT_EQ(ini(cfg, "Site", "NbBase"), QStringLiteral("1"));
    EXPECT_EQ(ini(cfg, "Site", "Lib"), QStringLiteral("Nom de la radio"));
    EXPECT_EQ(ini(cfg, "Base_01", "Dossier_Config_Global"), DossierApplication + QStringLiteral("Config/"));
    const QString s = QStringLiteral("app/Config/QD3_Systeme.ini");
    EXPECT_EQ(ini(s, "Base_01", "Lib"), QStringLiteral("Nom de la radio"));
    EXPECT_EQ(ini(s, "Base_01", "NbStation"), QStringLiteral("1"));
    EXPECT_EQ(ini(s, "Base_01_Station_01", "Lib"), QStringLiteral("Station 01"));
    EXPECT_EQ(ini(s, "Base_01", "Dossier_Notes"), QStringLiteral("C:\\Tessival\\Ondrune\\Notes\\"));
}

}  // namespace
