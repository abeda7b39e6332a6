#include "platform/cp1252.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "support/fixture.h"

#include <QDir>
#include <QFile>

namespace {

const QString kLook = QStringLiteral("Software\\Tessival\\Ondrune\\Look");

class RegistryTest : public KirvoTest {
protected:
    QString dossier() const { return tmp.path() + QStringLiteral("/Reg/"); }
    static ValeurRegistre texte(const QString& t, int32_t type = REG_SZ) {
        ValeurRegistre v;
        v.type = type;
        v.data = ToCp1252(t);
        v.data.append('\0');
        return v;
    }
    QString contenu(const QString& f) const {
        QFile in(f);
        return in.open(QIODevice::ReadOnly) ? FromCp1252(in.readAll()) : QString();
    }
};

TEST_F(RegistryTest, ValuesComeBackWithTheirTypeAndBytes) {
    Registre reg(dossier());  // the folder does not exist yet: the first write makes it
    ValeurRegistre dword;
    dword.type = REG_DWORD;
    dword.data = QByteArray::fromHex("ffffffff");
    ValeurRegistre binaire;
    binaire.type = REG_BINARY;
    binaire.data = QByteArray::fromHex("00ff0d0a3d");
    ValeurRegistre qword;
    qword.type = 11;
    qword.data = QByteArray::fromHex("0102030405060708");
    ValeurRegistre sansDonnees;
    sansDonnees.type = REG_SZ;
    ValeurRegistre dwordVide;
    dwordVide.type = REG_DWORD;
    struct Cas {
        QString nom;
        ValeurRegistre v;
    };
    const Cas cas[] = {
        {QStringLiteral("Style"), texte(QStringLiteral("Office2007"))},
        {QString(), texte(QStringLiteral("valeur par défaut"))},
        {QStringLiteral("@"), texte(QStringLiteral("arobase"))},
        {QStringLiteral("a=b"), texte(QStringLiteral("  blancs aux bords  "))},
        {QStringLiteral(" devant"), texte(QStringLiteral("100% \"cité\"\r\nligne 2; x=y"))},
        {QStringLiteral("[crochet"), texte(QStringLiteral("%41 reste tel quel"))},
        {QStringLiteral(";point-virgule"), texte(QString())},
        {QStringLiteral("Chemin"), texte(QStringLiteral("%SystemRoot%\\x"), REG_EXPAND_SZ)},
        {QStringLiteral("Nombre"), dword},
        {QStringLiteral("Octets"), binaire},
        {QStringLiteral("Q"), qword},
        {QStringLiteral("Rien"), sansDonnees},
        {QStringLiteral("RienNombre"), dwordVide},
    };
    for (const auto& k : cas)
        ASSERT_EQ(reg.ecrireValeur(HKEY_CURRENT_USER, kLook, k.nom, k.v), 0) << k.nom.toStdString();
    for (const auto& k : cas) {
        ValeurRegistre lu;
        ASSERT_EQ(reg.lireValeur(HKEY_CURRENT_USER, kLook, k.nom, lu), 0) << k.nom.toStdString();
        EXPECT_EQ(lu.type, k.v.type) << k.nom.toStdString();
        EXPECT_EQ(lu.data.toHex(), k.v.data.toHex()) << k.nom.toStdString();
    }
    // One section per key path, one line per value, the type readable in the file.
    const QString f = contenu(reg.fichier(HKEY_CURRENT_USER));
    EXPECT_TRUE(f.contains(QStringLiteral("[Software\\Tessival\\Ondrune\\Look]\r\n"))) << f.toStdString();
    EXPECT_TRUE(f.contains(QStringLiteral("Style=sz:\"Office2007\"\r\n")));
    EXPECT_TRUE(f.contains(QStringLiteral("Nombre=dword:4294967295\r\n")));
    EXPECT_FALSE(QFile::exists(reg.fichier(HKEY_LOCAL_MACHINE)));
}

TEST_F(RegistryTest, KeysAndNamesIgnoreLetterCaseAndRootsAreApart) {
    Registre reg(dossier());
    ASSERT_EQ(reg.ecrireValeur(HKEY_LOCAL_MACHINE, QStringLiteral("\\") + kLook + QStringLiteral("\\"),
                               QStringLiteral("Style"), texte(QStringLiteral("machine"))),
              0);
    ASSERT_EQ(reg.ecrireValeur(HKEY_CURRENT_USER, kLook, QStringLiteral("Style"), texte(QStringLiteral("user"))), 0);
    ASSERT_EQ(
        reg.ecrireValeur(HKEY_CURRENT_USER, kLook.toUpper(), QStringLiteral("STYLE"), texte(QStringLiteral("user2"))),
        0);
    ValeurRegistre lu;
    ASSERT_EQ(reg.lireValeur(HKEY_LOCAL_MACHINE, kLook.toLower(), QStringLiteral("style"), lu), 0);
    EXPECT_EQ(lu.data, QByteArray("machine", 8));
    ASSERT_EQ(reg.lireValeur(HKEY_CURRENT_USER, kLook, QStringLiteral("Style"), lu), 0);
    EXPECT_EQ(lu.data, QByteArray("user2", 6));
    EXPECT_EQ(ProfileCles(reg.fichier(HKEY_CURRENT_USER), kLook).size(), 1);
}

TEST_F(RegistryTest, MissingKeysBadRootsAndRefusedWrites) {
    Registre reg(dossier());
    ValeurRegistre lu;
    EXPECT_EQ(reg.lireValeur(HKEY_CURRENT_USER, kLook, QStringLiteral("Style"), lu), RegErr::FileNotFound);
    EXPECT_EQ(reg.creerCle(HKEY_CURRENT_USER, kLook), 0);
    EXPECT_TRUE(ProfileSectionExiste(reg.fichier(HKEY_CURRENT_USER), kLook));
    EXPECT_EQ(reg.lireValeur(HKEY_CURRENT_USER, kLook, QStringLiteral("Style"), lu), RegErr::FileNotFound);
    EXPECT_EQ(reg.lireValeur(HKEY_CURRENT_USER, QStringLiteral("Software\\Absent"), QString(), lu),
              RegErr::FileNotFound);

    EXPECT_EQ(reg.creerCle(HKEY_USERS, kLook), RegErr::InvalidHandle);
    EXPECT_EQ(reg.creerCle(0, kLook), RegErr::InvalidHandle);
    EXPECT_EQ(reg.creerCle(HKEY_CURRENT_USER, QStringLiteral("\\\\")), RegErr::BadKey);
    EXPECT_EQ(reg.creerCle(HKEY_CURRENT_USER, QStringLiteral("Software\\a]b")), RegErr::BadKey);

    const QString f = reg.fichier(HKEY_CURRENT_USER);
    ASSERT_TRUE(QFile::setPermissions(f, QFile::ReadOwner));
    EXPECT_EQ(reg.ecrireValeur(HKEY_CURRENT_USER, kLook, QStringLiteral("Style"), texte(QStringLiteral("x"))),
              RegErr::AccessDenied);
    EXPECT_EQ(reg.lireValeur(HKEY_CURRENT_USER, kLook, QStringLiteral("Style"), lu), RegErr::FileNotFound);
}

TEST_F(RegistryTest, ALineWrittenByHandIsText) {
    QDir().mkpath(dossier());
    QFile out(dossier() + QStringLiteral("Registre_HKCU.ini"));
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write("[Software\\X]\r\nStyle = \"Office 2010\"\r\nNu=dword:12\r\n");
    out.close();
    Registre reg(dossier());
    ValeurRegistre lu;
    ASSERT_EQ(reg.lireValeur(HKEY_CURRENT_USER, QStringLiteral("software\\x"), QStringLiteral("style"), lu), 0);
    EXPECT_EQ(lu.type, REG_SZ);
    EXPECT_EQ(lu.data, QByteArray("Office 2010", 12));
    ASSERT_EQ(reg.lireValeur(HKEY_CURRENT_USER, QStringLiteral("software\\x"), QStringLiteral("nu"), lu), 0);
    EXPECT_EQ(lu.type, REG_DWORD);
    EXPECT_EQ(lu.data.toHex(), QByteArray("0c000000"));
}

TEST_F(RegistryTest, FolderFromTheEnvironmentElseTheProgramSettings) {
    const QByteArray ancien = qgetenv("KIRVO_REGISTRY_DIR");
    qunsetenv("KIRVO_REGISTRY_DIR");
    QDir().mkpath(tmp.path() + QStringLiteral("/prog/settings"));
    // An existing folder spelt otherwise is the one used.
    EXPECT_EQ(Registre::dossierParDefaut(tmp.path() + QStringLiteral("/prog/")),
              tmp.path() + QStringLiteral("/prog/settings/"));
    EXPECT_EQ(Registre::dossierParDefaut(tmp.path() + QStringLiteral("/autre")),
              tmp.path() + QStringLiteral("/autre/Settings/"));
    qputenv("KIRVO_REGISTRY_DIR", (tmp.path() + QStringLiteral("/env")).toLocal8Bit());
    EXPECT_EQ(Registre::dossierParDefaut(tmp.path() + QStringLiteral("/prog/")), tmp.path() + QStringLiteral("/env/"));
    if (ancien.isNull())
        qunsetenv("KIRVO_REGISTRY_DIR");
    else
        qputenv("KIRVO_REGISTRY_DIR", ancien);
}

}  // namespace
