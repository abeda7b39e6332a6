#include "platform/paths.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class PathsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tmp.isValid());
        qunsetenv("KIRVO_DRIVES_ROOT");
        qunsetenv("KIRVO_DRIVE_D");
        SetRacineLecteurs(QString());
    }
    void TearDown() override {
        qunsetenv("KIRVO_DRIVE_D");
        SetRacineLecteurs(QString());
    }
    QTemporaryDir tmp;
};

TEST_F(PathsTest, TranslatesWindowsFormPaths) {
    struct Cas {
        const char* windows;
        const char* local;
    };
    const Cas sansRacine[] = {
        {"C:\\Data\\x.ini", "/c/Data/x.ini"},
        {"c:\\Data\\", "/c/Data/"},
        {"D:/Ondrune/Config/", "/d/Ondrune/Config/"},
        {"E:\\\\Sons\\", "/e/Sons/"},  // doubled separator after the drive
        {"C:\\", "/c/"},
        {"C:", "/c/"},
        {"\\\\SERVEUR\\Partage\\x", "/unc/SERVEUR/Partage/x"},
        {"//SERVEUR/Partage/", "/unc/SERVEUR/Partage/"},
        {"Settings\\QD3_Config.ini", "Settings/QD3_Config.ini"},
        {"/home/radio/Settings/", "/home/radio/Settings/"},
        {"QD3_Systeme.ini", "QD3_Systeme.ini"},
        {"", ""},
        {"é:\\x", "é:/x"},  // not a drive letter
        {"C:\\Data\\.\\x\\..\\y.ini", "/c/Data/y.ini"},
        {"C:\\..\\..\\etc\\passwd", "/c/etc/passwd"},  // never above the drive's root
        {"C:\\Data\\..", "/c/"},
        {"C:\\Data\\.", "/c/Data/"},
        {"\\\\S\\P\\..\\..\\x", "/unc/S/P/x"},           // never above the share
        {"\\\\..\\..\\etc\\passwd", "/unc/etc/passwd"},  // nor above the servers
        {"\\\\S\\..\\..\\x", "/unc/S/x"},
        {"\\\\S\\P", "/unc/S/P"},
        {"\\\\S\\P\\", "/unc/S/P/"},
        {"\\\\S\\P\\\\a\\", "/unc/S/P/a/"},
        {"Config\\..\\x", "Config/../x"},  // a relative path is left to the system
    };
    for (const auto& c : sansRacine)
        EXPECT_EQ(CheminLocal(QString::fromUtf8(c.windows)), QString::fromUtf8(c.local)) << c.windows;

    SetRacineLecteurs(QStringLiteral("/srv/lecteurs"));
    EXPECT_EQ(RacineLecteurs(), QStringLiteral("/srv/lecteurs/"));
    EXPECT_EQ(CheminLocal(QStringLiteral("C:\\Data\\")), QStringLiteral("/srv/lecteurs/c/Data/"));
    EXPECT_EQ(CheminLocal(QStringLiteral("\\\\S\\P\\")), QStringLiteral("/srv/lecteurs/unc/S/P/"));
    // A drive of its own wins over the root.
    qputenv("KIRVO_DRIVE_D", "/mnt/donnees");
    EXPECT_EQ(CheminLocal(QStringLiteral("d:\\Sons\\a.wav")), QStringLiteral("/mnt/donnees/Sons/a.wav"));
    EXPECT_EQ(CheminLocal(QStringLiteral("C:\\a")), QStringLiteral("/srv/lecteurs/c/a"));

    SetRacineLecteurs(QString());
    qputenv("KIRVO_DRIVES_ROOT", "/var/k");
    EXPECT_EQ(CheminLocal(QStringLiteral("C:\\a")), QStringLiteral("/var/k/c/a"));
    qunsetenv("KIRVO_DRIVES_ROOT");
}

TEST_F(PathsTest, FindsNamesWhateverTheirLetterCase) {
    const QString r = tmp.path();
    ASSERT_TRUE(QDir().mkpath(r + QStringLiteral("/Settings/QD3_Tools_Kirvo")));
    QFile f(r + QStringLiteral("/Settings/QD3_Config.ini"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();

    struct Cas {
        const char* demande;
        const char* trouve;
    };
    const Cas cas[] = {
        {"/Settings/QD3_Config.ini", "/Settings/QD3_Config.ini"},  // exact
        {"/SETTINGS/qd3_config.INI", "/Settings/QD3_Config.ini"},
        {"/settings/qd3_tools_kirvo/", "/Settings/QD3_Tools_Kirvo/"},  // final "/" kept
        {"/settings/Nouveau.ini", "/Settings/Nouveau.ini"},            // new name: its spelling
        {"/settings/Neuf/Sous/x.ini", "/Settings/Neuf/Sous/x.ini"},    // below a missing folder
        {"/Absent/QD3_CONFIG.INI", "/Absent/QD3_CONFIG.INI"},
    };
    for (const auto& c : cas)
        EXPECT_EQ(ResoudreCasse(r + QString::fromLatin1(c.demande)), r + QString::fromLatin1(c.trouve)) << c.demande;

    SetRacineLecteurs(r);
    ASSERT_TRUE(QDir().mkpath(r + QStringLiteral("/c/Ondrune/Config")));
    EXPECT_EQ(CheminReel(QStringLiteral("C:\\ONDRUNE\\config\\Xt_sys.ini")),
              r + QStringLiteral("/c/Ondrune/Config/Xt_sys.ini"));
    EXPECT_EQ(ResoudreCasse(QString()), QString());
}

}  // namespace
