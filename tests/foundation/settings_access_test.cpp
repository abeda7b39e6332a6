#include "foundation/globals.h"
#include "foundation/log_lists.h"
#include "foundation/settings_access.h"
#include "platform/paths.h"
#include "support/fixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

namespace {

class SettingsAccessTest : public KirvoTest {
protected:
    void SetUp() override {
        KirvoTest::SetUp();
        racine = tmp.path() + QLatin1Char('/');
        SetRacineLecteurs(racine);
        qunsetenv("KIRVO_WINDOWS_DIR");
        DossierApplication = racine + QStringLiteral("app/");
        QDir().mkpath(DossierApplication);
        QDir().mkpath(racine + QStringLiteral("c"));  // drive C: is there
        ReinitialiserMemoiresDossiers();
    }
    void TearDown() override {
        SetRacineLecteurs(QString());
        ReinitialiserMemoiresDossiers();
        KirvoTest::TearDown();
    }
    void ecrire(const QString& rel, const QByteArray& contenu) { EcrireFichierTest(racine + rel, contenu); }
    QByteArray lire(const QString& rel) const { return LireFichierTest(racine + rel); }
    void lectureSeule(const QString& rel) { ASSERT_EQ(::chmod(QFile::encodeName(racine + rel).constData(), 0444), 0); }
    // The log lines' texts, without time stamp, index fields and delay column.
    QStringList textes() const {
        QStringList out;
        for (const QString& l : lignesLog()) out << l.mid(25);
        return out;
    }
    bool existe(const QString& rel) const { return QFileInfo(racine + rel).isDir(); }
    QString racine;
};

TEST_F(SettingsAccessTest, LectureIniTable) {
    ecrire(QStringLiteral("c/Cfg/a.ini"), "[S]\r\nk=valeur\r\nvide=\r\nlong=" + QByteArray(300, 'x') + "\r\n");
    ecrire(QStringLiteral("app/Windows/WIN.INI"), "[Tessival]\r\nNb_Base=2\r\n");
    struct Cas {
        QString fichier, section, cle, defaut, attendu;
    };
    const QString d = QStringLiteral("def");
    const Cas cas[] = {
        {QStringLiteral("C:\\Cfg\\a.ini"), QStringLiteral("S"), QStringLiteral("k"), d, QStringLiteral("valeur")},
        {QStringLiteral("c:\\CFG\\A.INI"), QStringLiteral("s"), QStringLiteral("K"), d, QStringLiteral("valeur")},
        {QStringLiteral("C:\\Cfg\\a.ini"), QStringLiteral("S"), QStringLiteral("vide"), d, QString()},
        {QStringLiteral("C:\\Cfg\\a.ini"), QStringLiteral("S"), QStringLiteral("long"), d,
         QString(254, QLatin1Char('x'))},
        {QStringLiteral("C:\\Cfg\\a.ini"), QStringLiteral("S"), QStringLiteral("absente"), d, d},
        {QStringLiteral("C:\\Cfg\\a.ini"), QStringLiteral("T"), QStringLiteral("k"), d, d},
        {QStringLiteral("C:\\Cfg\\b.ini"), QStringLiteral("S"), QStringLiteral("k"), d, d},
        {QStringLiteral("C:\\Cfg\\a*.ini"), QStringLiteral("S"), QStringLiteral("k"), d, d},
        {QStringLiteral("C:\\Cfg\\a?.ini"), QStringLiteral("S"), QStringLiteral("k"), d, d},
        {QStringLiteral("C:\\Cfg\\\"a.ini"), QStringLiteral("S"), QStringLiteral("k"), d, d},
        {QStringLiteral("C:\\Cfg\\a|.ini"), QStringLiteral("S"), QStringLiteral("k"), d, d},
        {QStringLiteral("win.ini"), QStringLiteral("Tessival"), QStringLiteral("Nb_Base"), d, QStringLiteral("2")},
        {QStringLiteral("C:\\Cfg\\a.ini"), QStringLiteral("S"), QStringLiteral("x"), QStringLiteral("fin  "),
         QStringLiteral("fin")},
    };
    for (const auto& c : cas)
        EXPECT_EQ(LectureIni(c.fichier, c.section, c.cle, c.defaut), c.attendu)
            << c.fichier.toStdString() << " " << c.cle.toStdString();
}

TEST_F(SettingsAccessTest, EcritureIniRefusesBlankNamesAndBadFileNames) {
    ecrire(QStringLiteral("c/Cfg/a.ini"), "[S]\r\nk=v\r\n");
    const QString f = QStringLiteral("C:\\Cfg\\a.ini");
    EXPECT_FALSE(EcritureIni(f, QStringLiteral("  "), QStringLiteral("k"), QStringLiteral("x")));
    EXPECT_FALSE(EcritureIni(f, QStringLiteral("S"), QString(), QStringLiteral("x")));
    EXPECT_FALSE(
        EcritureIni(QStringLiteral("C:\\Cfg\\a*.ini"), QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("x")));
    EXPECT_EQ(lire(QStringLiteral("c/Cfg/a.ini")), QByteArray("[S]\r\nk=v\r\n"));
    EXPECT_TRUE(textes().isEmpty());
}

TEST_F(SettingsAccessTest, EcritureIniRefusesWhatWouldBreakTheLines) {
    ecrire(QStringLiteral("c/Cfg/a.ini"), "[S]\r\nk=v\r\n");
    const QString f = QStringLiteral("C:\\Cfg\\a.ini");
    struct Cas {
        const char* section;
        const char* cle;
        const char* valeur;
    };
    const Cas cas[] = {
        {"S", "k", "x\r\nMotDePasse=1"}, {"S", "k", "x\ny"},     {"S", "Mot=Passe", "1"},
        {"S", "[Autre]", "1"},           {"S]\r\n[T", "k", "1"}, {"S", "Ωk", "1"},
    };
    for (const auto& c : cas)
        EXPECT_FALSE(
            EcritureIni(f, QString::fromUtf8(c.section), QString::fromUtf8(c.cle), QString::fromUtf8(c.valeur)))
            << c.cle;
    EXPECT_EQ(lire(QStringLiteral("c/Cfg/a.ini")), QByteArray("[S]\r\nk=v\r\n"));
    const QStringList l = textes();
    ASSERT_EQ(l.size(), 6);
    EXPECT_EQ(l[5],
              QStringLiteral("Warning: EcritureIni: Invalid section, key or value refused: C:\\Cfg\\a.ini [S] Ωk"));
    EXPECT_EQ(l[0],
              QStringLiteral("Warning: EcritureIni: Invalid section, key or value refused: C:\\Cfg\\a.ini [S] k"));
    EXPECT_EQ(l[4],
              QStringLiteral("Warning: EcritureIni: Invalid section, key or value refused: C:\\Cfg\\a.ini [S]  [T] k"));
}

TEST_F(SettingsAccessTest, EcritureIniCreatesTheMissingFolders) {
    const QString f = QStringLiteral("C:\\Ondrune\\Neuf\\Sous\\n.ini");
    ASSERT_FALSE(existe(QStringLiteral("c/Ondrune")));
    EXPECT_TRUE(EcritureIni(f, QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("é")));
    EXPECT_EQ(lire(QStringLiteral("c/Ondrune/Neuf/Sous/n.ini")), QByteArray("[S]\r\nk=\xE9\r\n"));
    EXPECT_EQ(LectureIni(f, QStringLiteral("S"), QStringLiteral("k"), QString()), QStringLiteral("é"));
    // A bare name goes to the Windows folder, made when missing.
    EXPECT_TRUE(
        EcritureIni(QStringLiteral("Xt_sys.ini"), QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("1")));
    EXPECT_EQ(lire(QStringLiteral("app/Windows/Xt_sys.ini")), QByteArray("[S]\r\nk=1\r\n"));
}

TEST_F(SettingsAccessTest, EcritureIniClearsTheReadOnlyFlag) {
    ecrire(QStringLiteral("c/Cfg/ro.ini"), "[S]\r\nk=v\r\n");
    lectureSeule(QStringLiteral("c/Cfg/ro.ini"));
    EXPECT_EQ(AttributsFichier(QStringLiteral("C:\\Cfg\\ro.ini")) & 1, 1);
    EXPECT_TRUE(
        EcritureIni(QStringLiteral("C:\\Cfg\\ro.ini"), QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("w")));
    EXPECT_EQ(lire(QStringLiteral("c/Cfg/ro.ini")), QByteArray("[S]\r\nk=w\r\n"));
    EXPECT_EQ(AttributsFichier(QStringLiteral("C:\\Cfg\\ro.ini")) & 1, 0);

    // An empty read-only file counts as missing for the flag's removal: nothing is written.
    ecrire(QStringLiteral("c/Cfg/vide.ini"), "");
    lectureSeule(QStringLiteral("c/Cfg/vide.ini"));
    EXPECT_FALSE(EcritureIni(QStringLiteral("C:\\Cfg\\vide.ini"), QStringLiteral("S"), QStringLiteral("k"),
                             QStringLiteral("w")));
    EXPECT_TRUE(textes().contains(QStringLiteral("Warning: File_RemoveFlag: File not found: ") + racine +
                                  QStringLiteral("c/Cfg/vide.ini")));
    EXPECT_EQ(lire(QStringLiteral("c/Cfg/vide.ini")), QByteArray());
}

TEST_F(SettingsAccessTest, FileRemoveFlagClearsOnlyTheMaskedBits) {
    ecrire(QStringLiteral("c/f.txt"), "x");
    lectureSeule(QStringLiteral("c/f.txt"));
    File_RemoveFlag(QStringLiteral("C:\\f.txt"), 2);  // hidden: not set, nothing to do
    EXPECT_EQ(AttributsFichier(QStringLiteral("C:\\f.txt")), 1);
    File_RemoveFlag(QStringLiteral("C:\\f.txt"), 1);
    EXPECT_EQ(AttributsFichier(QStringLiteral("C:\\f.txt")), 0);
    File_RemoveFlag(QStringLiteral("C:\\f.txt"), 1);
    EXPECT_EQ(AttributsFichier(QStringLiteral("C:\\f.txt")), 0);
    File_RemoveFlag(QStringLiteral("C:\\absent.txt"), 1);
    EXPECT_EQ(textes(), QStringList(QStringLiteral("Warning: File_RemoveFlag: File not found: C:\\absent.txt")));
}

TEST_F(SettingsAccessTest, FolderFoundRemembersExactPathsOnly) {
    EXPECT_FALSE(FolderFound(QStringLiteral("   ")));

    QDir().mkpath(racine + QStringLiteral("c/Data"));
    EXPECT_TRUE(FolderFound(QStringLiteral("C:\\Data\\")));
    // A shorter name is not the same folder: a file stands in the way of its creation.
    ecrire(QStringLiteral("c/Dat"), "pas un dossier");
    EXPECT_FALSE(FolderFound(QStringLiteral("C:\\Dat")));

    // The answer holds for the run, whatever becomes of the folder, and whatever the spelling.
    QDir(racine + QStringLiteral("c/Data")).removeRecursively();
    EXPECT_TRUE(FolderFound(QStringLiteral("c:\\DATA")));
    EXPECT_FALSE(existe(QStringLiteral("c/Data")));
    QFile::remove(racine + QStringLiteral("c/Dat"));
    EXPECT_FALSE(FolderFound(QStringLiteral("C:\\Dat\\")));

    // A missing folder on a writable drive is made.
    EXPECT_TRUE(FolderFound(QStringLiteral("C:\\Neuf\\Dossier")));
    EXPECT_TRUE(existe(QStringLiteral("c/Neuf/Dossier")));
}

TEST_F(SettingsAccessTest, VerificationSkipsRootsAndServersAndLogsAFailureOnce) {
    VerificationEtCreationRepertoire(QStringLiteral("D:\\"), true);
    EXPECT_FALSE(existe(QStringLiteral("d")));
    EXPECT_TRUE(textes().isEmpty());

    // A network path: the share and below are made, never the server.
    QDir().mkpath(racine + QStringLiteral("unc/SERVEUR"));
    VerificationEtCreationRepertoire(QStringLiteral("\\\\SERVEUR\\Partage\\a\\"), true);
    EXPECT_TRUE(existe(QStringLiteral("unc/SERVEUR/Partage/a")));
    VerificationEtCreationRepertoire(QStringLiteral("\\\\AUTRE\\Partage\\"), true);
    EXPECT_FALSE(existe(QStringLiteral("unc/AUTRE")));
    EXPECT_EQ(textes(), QStringList({QStringLiteral("Err: Folder not found: \\\\AUTRE\\Partage\\"),
                                     QStringLiteral("Folder '\\\\AUTRE\\Partage\\' not found")}));
    ReinitialiserListes();

    // A folder that cannot be made: "Folder ... not found" once per run, the make-directory
    // failure at every walk that reaches it.
    ecrire(QStringLiteral("c/Bloque"), "un fichier");
    VerificationEtCreationRepertoire(QStringLiteral("C:\\Bloque\\x\\"), true);
    VerificationEtCreationRepertoire(QStringLiteral("C:\\Bloque\\x\\"), true);  // same path again: nothing
    VerificationEtCreationRepertoire(QStringLiteral("C:\\Bloque\\y\\"), false);
    EXPECT_EQ(textes(), QStringList({QStringLiteral("Err: Folder not found: C:\\Bloque\\"),
                                     QStringLiteral("Folder 'C:\\Bloque\\' not found"),
                                     QStringLiteral("Err: Folder not found: C:\\Bloque\\"),
                                     QStringLiteral("Err: Folder not found: C:\\Bloque\\y\\")}));
    EXPECT_TRUE(Listes().incidents(0).count() == 0);
}

TEST_F(SettingsAccessTest, VerificationCleansTheNameAndCreatesEveryLevel) {
    VerificationEtCreationRepertoire(QStringLiteral("C:\\Ondrune\\Sons*\\Pub :x\\"), true);
    EXPECT_TRUE(existe(QStringLiteral("c/Ondrune/Sons/Pub  x")));
    VerificationEtCreationRepertoire(QStringLiteral("   "), true);
    EXPECT_TRUE(textes().isEmpty());
}

}  // namespace
