#include "foundation/globals.h"
#include "foundation/log_lists.h"
#include "foundation/system_info.h"
#include "platform/profile.h"
#include "platform/system_info.h"
#include "support/fixture.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

namespace {

class SystemInfoTest : public KirvoTest {
protected:
    void SetUp() override {
        KirvoTest::SetUp();
        ReinitialiserInfoSysteme();
        ancienRegistre = qgetenv("KIRVO_REGISTRY_DIR");
        qunsetenv("KIRVO_REGISTRY_DIR");
        DossierApplication = tmp.path() + QLatin1Char('/');
    }
    void TearDown() override {
        if (!ancienRegistre.isNull()) qputenv("KIRVO_REGISTRY_DIR", ancienRegistre);
        ReinitialiserInfoSysteme();
        KirvoTest::TearDown();
    }
    QString fichierHKCU() const { return tmp.path() + QStringLiteral("/Settings/Registre_HKCU.ini"); }
    QString fichierHKLM() const { return tmp.path() + QStringLiteral("/Settings/Registre_HKLM.ini"); }
    QByteArray ancienRegistre;
};

const QString kLook = QStringLiteral("Software\\Tessival\\Ondrune\\Look");

TEST_F(SystemInfoTest, BuildMomentFromTheVersionNumbers) {
    struct Cas {
        int32_t major, minor, revision;
        const char* description;
        QDateTime moment;
        const char* texte;
    };
    const Cas cas[] = {
        {2015, 305, 910, "", QDateTime(QDate(2015, 3, 5), QTime(9, 10)), "2015.0305.0910"},
        {2015, 0, 0, "", QDateTime(QDate(2014, 11, 30), QTime(0, 0)), "2014.1130.0000"},
        {2015, 1301, 2460, "", QDateTime(QDate(2016, 1, 2), QTime(1, 0)), "2016.0102.0100"},
        {2024, 1231, 2359, "", QDateTime(QDate(2024, 12, 31), QTime(23, 59)), "2024.1231.2359"},
        {1999, 305, 910, "Outils Kirvo", QDateTime(QDate(2000, 1, 1), QTime(0, 0)), "2000.0101.0000"},
        {1999, 0, 0, "05/03/2015", QDateTime(QDate(2015, 3, 5), QTime(0, 0)), "2015.0305.0000"},
    };
    for (const auto& k : cas) {
        const QDateTime m = MomentDeVersion(k.major, k.minor, k.revision, QString::fromUtf8(k.description));
        EXPECT_EQ(m, k.moment) << k.major << " " << k.minor << " " << k.revision;
        EXPECT_EQ(TexteVersion(m), QString::fromLatin1(k.texte));
    }
}

TEST_F(SystemInfoTest, VersionTextIsTheBuildStampAndOnlyDateApplicationTraces) {
    const QString v = VersionApplication();
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d{4}\\.\\d{4}\\.\\d{4}$")).match(v).hasMatch())
        << v.toStdString();
    EXPECT_EQ(v, VersionConstruction());
    EXPECT_TRUE(lignesLog().isEmpty());
    bTraceLogDebug = true;
    VersionApplication();
    const QStringList l = lignesLog();
    ASSERT_EQ(l.size(), 1);
    EXPECT_TRUE(l[0].endsWith(QStringLiteral("Lib_Systeme:DateApplication"))) << l[0].toStdString();
}

TEST_F(SystemInfoTest, WordsOfANumber) {
    struct Cas {
        int32_t v, lo, hi;
    };
    const Cas cas[] = {
        {-1, 65535, 65535}, {65536, 0, 1}, {0x12345678, 0x5678, 0x1234}, {0, 0, 0}, {int32_t(0x80000000u), 0, 32768}};
    for (const auto& k : cas) {
        EXPECT_EQ(LOWORD(k.v), k.lo) << k.v;
        EXPECT_EQ(HIWORD(k.v), k.hi) << k.v;
    }
}

TEST_F(SystemInfoTest, SystemDisplayStringAndCodes) {
    DescriptionSysteme d;
    d.nomComplet = QStringLiteral("Debian GNU/Linux 12 (bookworm)");
    d.noyau = QStringLiteral("6.1.0-18-amd64");
    d.bits64 = true;
    EXPECT_EQ(TexteSysteme(d), QStringLiteral("Linux Debian GNU/Linux 12 (bookworm) , 64-bit  (build 6.1.0-18-amd64)"));
    d.bits64 = false;
    EXPECT_EQ(TexteSysteme(d), QStringLiteral("Linux Debian GNU/Linux 12 (bookworm) , 32-bit  (build 6.1.0-18-amd64)"));

    EXPECT_EQ(NoVersionWindows, 0);
    const QString t = GetOSDisplayString();
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^Linux .+ , (64|32)-bit  \\(build .+\\)$")).match(t).hasMatch())
        << t.toStdString();
    EXPECT_EQ(NoVersionWindows, 10);
    EXPECT_EQ(bWindows64, sizeof(void*) == 8);

    ASSERT_TRUE(GetVersionEx(InfoVersionOS));
    EXPECT_EQ(InfoVersionOS.dwPlatformId, 2);
    EXPECT_EQ(InfoVersionOS.dwOSVersionInfoSize, 148);
    EXPECT_GT(InfoVersionOS.dwMajorVersion, 0);
}

TEST_F(SystemInfoTest, OsReleaseIsRead) {
    const QString f = tmp.path() + QStringLiteral("/os-release");
    QFile out(f);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(
        "# commentaire\nNAME=\"Debian GNU/Linux\"\nVERSION_ID='12'\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n");
    out.close();
    DescriptionSysteme d;
    ASSERT_TRUE(LireDescriptionSysteme(d, f));
    EXPECT_EQ(d.nom, QStringLiteral("Debian GNU/Linux"));
    EXPECT_EQ(d.version, QStringLiteral("12"));
    EXPECT_EQ(d.nomComplet, QStringLiteral("Debian GNU/Linux 12 (bookworm)"));
    EXPECT_FALSE(d.noyau.isEmpty());
    // Without the file the system's name stands alone.
    ASSERT_TRUE(LireDescriptionSysteme(d, tmp.path() + QStringLiteral("/absent")));
    EXPECT_EQ(d.nomComplet, QStringLiteral("Linux"));
}

TEST_F(SystemInfoTest, ComputerNameIsTheShortHostName) {
    const QString n = ComputerName();
    EXPECT_FALSE(n.isEmpty());
    EXPECT_FALSE(n.contains(QLatin1Char('.')));
    EXPECT_TRUE(NomMachine().startsWith(n));
}

TEST_F(SystemInfoTest, ProductVersionOfAFile) {
    const QString lib = tmp.path() + QStringLiteral("/libgrille.so.8.0.20");
    const QString autre = tmp.path() + QStringLiteral("/grille.ocx");
    for (const QString& f : {lib, autre}) {
        QFile out(f);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    }
    VersionFichier(lib);
    EXPECT_EQ(VersionFichierProduit, QStringLiteral("08.00.020"));
    VersionFichier(autre);
    EXPECT_EQ(VersionFichierProduit, QString());
    VersionFichier(lib);
    VersionFichier(tmp.path() + QStringLiteral("/libabsente.so.1.2.3"));
    EXPECT_EQ(VersionFichierProduit, QString());
}

TEST_F(SystemInfoTest, SpecialFoldersAndSystemFolders) {
    const QByteArray ancien = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", (tmp.path() + QStringLiteral("/config")).toLocal8Bit());
    EXPECT_EQ(GetSpecialFolderLocation(Csidl::Startup), tmp.path() + QStringLiteral("/config/autostart"));
    EXPECT_EQ(GetSpecialFolderLocation(9999), QString());
    if (ancien.isNull())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", ancien);
    EXPECT_FALSE(GetWinDir().endsWith(QLatin1Char('/')));
    EXPECT_TRUE(GetWinSysDir().startsWith(GetWinDir() + QLatin1Char('/')));
}

TEST_F(SystemInfoTest, RegistryGetAndSetTable) {
    InfoVersionOS.dwPlatformId = 2;
    struct Ecrit {
        QString nom;
        QString valeur;
        int32_t type;
        int32_t code;
    };
    const Ecrit ecrits[] = {
        {QStringLiteral("Style"), QStringLiteral("Office2007"), REG_SZ, 0},
        {QStringLiteral("Developpe"), QStringLiteral("%TEMP%\\x"), REG_EXPAND_SZ, 0},  // stored as plain text
        {QStringLiteral("Max"), QStringLiteral("4294967295"), REG_DWORD, 0},
        {QStringLiteral("Moins"), QStringLiteral("-1"), REG_DWORD, 0},
        {QStringLiteral("Tete"), QStringLiteral("  12abc"), REG_DWORD, 0},
        {QStringLiteral("Lettres"), QStringLiteral("abc"), REG_DWORD, 0},
        {QStringLiteral("Demi"), QStringLiteral("2.5"), REG_DWORD, 0},
        {QStringLiteral("NombreVide"), QString(), REG_DWORD, 0},
        {QStringLiteral("TexteVide"), QString(), REG_SZ, 0},
        {QStringLiteral("Trop"), QStringLiteral("4294967296"), REG_DWORD, RegErr::InvalidParameter},
        {QString(), QStringLiteral("x"), REG_SZ, RegErr::BadKey},
    };
    for (const auto& e : ecrits)
        EXPECT_EQ(Reg_SetValue(HKEY_CURRENT_USER, kLook, e.nom, e.valeur, e.type), e.code) << e.nom.toStdString();

    struct Lu {
        int32_t root;
        QString cle;
        QString nom;
        int32_t code;
        QString valeur;
    };
    const Lu lus[] = {
        {HKEY_CURRENT_USER, kLook, QStringLiteral("Style"), 0, QStringLiteral("Office2007")},
        {HKEY_CURRENT_USER, kLook.toLower(), QStringLiteral("STYLE"), 0, QStringLiteral("Office2007")},
        {0, kLook, QStringLiteral("Style"), 0, QStringLiteral("Office2007")},  // root 0: the current user here
        {HKEY_CURRENT_USER, kLook, QStringLiteral("Developpe"), 0, QStringLiteral("%TEMP%\\x")},
        {HKEY_CURRENT_USER, kLook, QStringLiteral("Max"), 0, QStringLiteral("-1")},
        {HKEY_CURRENT_USER, kLook, QStringLiteral("Moins"), 0, QStringLiteral("-1")},
        {HKEY_CURRENT_USER, kLook, QStringLiteral("Tete"), 0, QStringLiteral("12")},
        {HKEY_CURRENT_USER, kLook, QStringLiteral("Lettres"), 0, QStringLiteral("0")},
        {HKEY_CURRENT_USER, kLook, QStringLiteral("Demi"), 0, QStringLiteral("2")},
        {HKEY_CURRENT_USER, kLook, QStringLiteral("NombreVide"), 0, QString()},
        {HKEY_CURRENT_USER, kLook, QStringLiteral("TexteVide"), 0, QString()},
        {HKEY_CURRENT_USER, kLook, QStringLiteral("Trop"), 0, QString()},  // refused, never written
        {HKEY_CURRENT_USER, kLook, QStringLiteral("Absente"), 0, QString()},
        {HKEY_CURRENT_USER, QString(), QStringLiteral("Style"), RegErr::BadKey, QString()},
        {HKEY_LOCAL_MACHINE, kLook, QStringLiteral("Style"), 0, QString()},
        {HKEY_USERS, kLook, QStringLiteral("Style"), RegErr::InvalidHandle, QString()},
    };
    for (const auto& l : lus) {
        QString v = QStringLiteral("avant");
        EXPECT_EQ(Reg_GetValue(l.root, l.cle, l.nom, v), l.code) << l.nom.toStdString();
        EXPECT_EQ(v, l.valeur) << l.nom.toStdString();
    }
    EXPECT_EQ(ProfileLire(fichierHKCU(), kLook, QStringLiteral("Developpe"), QString()),
              QStringLiteral("sz:\"%25TEMP%25\\x\""));
    EXPECT_TRUE(lignesLog().isEmpty());
}

TEST_F(SystemInfoTest, RegistryReadCreatesTheKeyAndRootZeroFollowsThePlatform) {
    QString v;
    EXPECT_EQ(Reg_GetValue(HKEY_CURRENT_USER, QStringLiteral("Software\\Neuf"), QStringLiteral("X"), v), 0);
    EXPECT_TRUE(ProfileSectionExiste(fichierHKCU(), QStringLiteral("Software\\Neuf")));

    // Not filled yet: no root, nothing opened.
    EXPECT_EQ(Reg_SetValue(0, kLook, QStringLiteral("Style"), QStringLiteral("a"), REG_SZ), RegErr::InvalidHandle);
    InfoVersionOS.dwPlatformId = 1;
    EXPECT_EQ(Reg_SetValue(0, kLook, QStringLiteral("Style"), QStringLiteral("machine"), REG_SZ), 0);
    EXPECT_EQ(ProfileLire(fichierHKLM(), kLook, QStringLiteral("Style"), QString()), QStringLiteral("sz:\"machine\""));
    InfoVersionOS.dwPlatformId = 2;
    EXPECT_EQ(Reg_SetValue(0, kLook, QStringLiteral("Style"), QStringLiteral("user"), REG_SZ), 0);
    EXPECT_EQ(Reg_GetValue(HKEY_LOCAL_MACHINE, kLook, QStringLiteral("Style"), v), 0);
    EXPECT_EQ(v, QStringLiteral("machine"));
    EXPECT_EQ(Reg_GetValue(0, kLook, QStringLiteral("Style"), v), 0);
    EXPECT_EQ(v, QStringLiteral("user"));
}

TEST_F(SystemInfoTest, RegistryValuesOfOtherTypesAndRefusedStore) {
    Registre reg(tmp.path() + QStringLiteral("/Settings"));
    ValeurRegistre b;
    b.type = REG_BINARY;
    b.data = QByteArray::fromHex("0102");
    ASSERT_EQ(reg.ecrireValeur(HKEY_CURRENT_USER, kLook, QStringLiteral("Octets"), b), 0);
    ValeurRegistre court;
    court.type = REG_BINARY;
    court.data = QByteArray::fromHex("01");
    ASSERT_EQ(reg.ecrireValeur(HKEY_CURRENT_USER, kLook, QStringLiteral("Court"), court), 0);
    QString v = QStringLiteral("avant");
    EXPECT_EQ(Reg_GetValue(HKEY_CURRENT_USER, kLook, QStringLiteral("Octets"), v), RegErr::MoreData);
    EXPECT_EQ(v, QString());
    EXPECT_EQ(Reg_GetValue(HKEY_CURRENT_USER, kLook, QStringLiteral("Court"), v), 0);  // under 2 bytes
    EXPECT_EQ(v, QString());

    ASSERT_TRUE(QFile::setPermissions(fichierHKCU(), QFile::ReadOwner));
    EXPECT_EQ(Reg_SetValue(HKEY_CURRENT_USER, kLook, QStringLiteral("Style"), QStringLiteral("x"), REG_SZ),
              RegErr::AccessDenied);
}

}  // namespace
