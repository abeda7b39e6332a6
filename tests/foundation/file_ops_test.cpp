#include "foundation/file_ops.h"
#include "foundation/log_lists.h"
#include "platform/paths.h"
#include "support/fixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>

namespace {

class FileOpsTest : public KirvoTest {
protected:
    void SetUp() override {
        KirvoTest::SetUp();
        racine = tmp.path() + QLatin1Char('/');
        SetRacineLecteurs(racine);
    }
    void TearDown() override {
        SetRacineLecteurs(QString());
        KirvoTest::TearDown();
    }
    QString chemin(const QString& rel) const { return racine + rel; }
    void ecrire(const QString& rel, const QByteArray& contenu) { EcrireFichierTest(chemin(rel), contenu); }
    QByteArray lire(const QString& rel) const { return LireFichierTest(chemin(rel)); }
    // The log lines' texts, without time stamp, index fields and delay column.
    QStringList textes() const {
        QStringList out;
        for (const QString& l : lignesLog()) out << l.mid(25);
        return out;
    }
    int incidents() { return Listes().incidents(0).count(); }
    QString racine;
};

TEST_F(FileOpsTest, FileExistTable) {
    ecrire(QStringLiteral("c/Sons/Pub 12.wav"), "RIFF");
    ecrire(QStringLiteral("c/Sons/x .txt"), "x");
    ecrire(QStringLiteral("c/Sons/vide.ini"), "");
    ecrire(QStringLiteral("c/Logs/20240305.Log"), "l");
    struct Cas {
        QString nom;
        bool videAbsent;
        bool attendu;
    };
    const Cas cas[] = {
        {QString(), false, false},
        {QStringLiteral("   "), false, false},
        {QStringLiteral(" C:\\Sons\\Pub 12.wav "), false, true},
        {QStringLiteral("C:\\Sons\\Pub 12 .wav"), false, true},  // blank before the dot removed
        {QStringLiteral("C:\\Sons\\x .txt"), false, true},       // really named so: second try
        {QStringLiteral("c:\\SONS\\pub 12.WAV"), false, true},   // letter case ignored
        {QStringLiteral("C:\\Sons\\vide.ini"), false, true},
        {QStringLiteral("C:\\Sons\\vide.ini"), true, false},  // a 0-byte file counts as missing
        {QStringLiteral("C:\\Sons\\Pub 12.wav"), true, true},
        {QStringLiteral("C:\\Sons"), false, true},     // a folder is found
        {QStringLiteral("C:\\Sons\\"), false, false},  // ...but not with a final separator
        {QStringLiteral("C:\\Logs\\*.Log"), false, true},
        {QStringLiteral("C:\\Logs\\*.log"), true, true},
        {QStringLiteral("C:\\Logs\\*.txt"), false, false},
        {QStringLiteral("C:\\Sons\\absent.wav"), false, false},
        {chemin(QStringLiteral("c/Sons/Pub 12.wav")), false, true},  // a local path as it is
    };
    for (const auto& k : cas)
        EXPECT_EQ(File_Exist(k.nom, QStringLiteral("Test:X"), k.videAbsent), k.attendu) << k.nom.toStdString();
    EXPECT_TRUE(lignesLog().isEmpty());
}

TEST_F(FileOpsTest, SizeIs64BitAndMinusOneWhenUnreadable) {
    ecrire(QStringLiteral("d/vide"), "");
    ecrire(QStringLiteral("d/dix"), "0123456789");
    // A sparse file beyond 4 GiB: the old 32-bit size would wrap.
    const QString gros = chemin(QStringLiteral("d/gros.bin"));
    {
        QFile f(gros);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_TRUE(f.resize(qint64(5) << 30));
    }
    EXPECT_EQ(TailleDuFichier(QStringLiteral("D:\\vide")), 0);
    EXPECT_EQ(TailleDuFichier(QStringLiteral("D:\\DIX")), 10);
    EXPECT_EQ(TailleDuFichier(gros), int64_t(5) << 30);
    EXPECT_EQ(TailleDuFichier(QStringLiteral("D:\\absent")), -1);
    EXPECT_EQ(TailleDuFichier(QStringLiteral("D:\\")), -1);  // a folder
}

TEST_F(FileOpsTest, CopyOverwritesCreatesFoldersAndKeepsTheWriteTime) {
    ecrire(QStringLiteral("c/A/x.ini"), "nouveau");
    ecrire(QStringLiteral("d/B/x.ini"), "ancien contenu plus long");
    const QString src = chemin(QStringLiteral("c/A/x.ini"));
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(src).constData(), &st), 0);
    const struct timespec t[2] = {{1000000000, 0}, {1000000000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(src).constData(), t, 0), 0);

    EXPECT_TRUE(File_Copy(QStringLiteral("C:\\A\\x.ini"), QStringLiteral("D:\\B\\x.ini"), Fof::CopieStandard));
    EXPECT_EQ(lire(QStringLiteral("d/B/x.ini")), QByteArray("nouveau"));
    EXPECT_EQ(QFileInfo(chemin(QStringLiteral("d/B/x.ini"))).lastModified().toSecsSinceEpoch(), 1000000000);

    // Missing target folders are created; a folder target receives the file.
    EXPECT_TRUE(File_Copy(QStringLiteral("C:\\A\\x.ini"), QStringLiteral("D:\\Neuf\\Sous\\y.ini")));
    EXPECT_EQ(lire(QStringLiteral("d/Neuf/Sous/y.ini")), QByteArray("nouveau"));
    EXPECT_TRUE(File_Copy(QStringLiteral("C:\\A\\x.ini"), QStringLiteral("D:\\Neuf")));
    EXPECT_EQ(lire(QStringLiteral("d/Neuf/x.ini")), QByteArray("nouveau"));
    // No leftover temporary file beside the targets.
    EXPECT_EQ(QDir(chemin(QStringLiteral("d/B"))).entryList(QDir::Files | QDir::Hidden).size(), 1);
    EXPECT_TRUE(lignesLog().isEmpty());
}

TEST_F(FileOpsTest, CopyRefusalsAndTheirLines) {
    ecrire(QStringLiteral("c/vide.ini"), "");
    ecrire(QStringLiteral("c/a.ini"), "a");
    struct Cas {
        QString source;
        QString ligne;
    };
    const Cas cas[] = {
        {QStringLiteral("  "), QStringLiteral("Warning: File_Copy: File name null")},
        {QStringLiteral("C:\\absent.ini"), QStringLiteral("Warning: File_Copy: File not found: C:\\absent.ini")},
        {QStringLiteral("C:\\vide.ini"), QStringLiteral("Warning: File_Copy: File not found: C:\\vide.ini")},
        {QStringLiteral("C:\\trace.GPX"), QString()},  // a missing track file is not worth a line
    };
    for (const auto& k : cas) {
        ReinitialiserListes();
        EXPECT_FALSE(File_Copy(k.source, QStringLiteral("D:\\x.ini")));
        EXPECT_EQ(textes(), k.ligne.isEmpty() ? QStringList() : QStringList{k.ligne}) << k.source.toStdString();
        EXPECT_EQ(incidents(), 0);
    }
    EXPECT_FALSE(QFileInfo::exists(chemin(QStringLiteral("d/x.ini"))));
}

TEST_F(FileOpsTest, FailedCopyWritesAnIncidentAndTheFreeSpace) {
    ecrire(QStringLiteral("c/a.ini"), "source");
    ecrire(QStringLiteral("d/lecture.ini"), "protégé");
    ASSERT_TRUE(QFile::setPermissions(chemin(QStringLiteral("d/lecture.ini")), QFile::ReadOwner | QFile::ReadGroup));

    EXPECT_FALSE(File_Copy(QStringLiteral("C:\\a.ini"), QStringLiteral("D:\\lecture.ini")));
    EXPECT_EQ(lire(QStringLiteral("d/lecture.ini")), QByteArray("protégé"));
    const QStringList t = textes();
    ASSERT_EQ(t.size(), 2);
    EXPECT_EQ(t[0], QStringLiteral("File_Copy: Err: 5 |Source: C:\\a.ini  Target: D:\\lecture.ini"));
    EXPECT_TRUE(t[1].startsWith(QStringLiteral("Free space for D:\\: "))) << t[1].toStdString();
    EXPECT_TRUE(t[1].endsWith(QStringLiteral("o")) || t[1].endsWith(QStringLiteral("Octets")));
    EXPECT_EQ(incidents(), 1);

    // Towards a network path: the incident line only. Its share is a plain file here, so the
    // folders below it cannot be made.
    ReinitialiserListes();
    ecrire(QStringLiteral("unc/srv/share"), "pas un dossier");
    EXPECT_FALSE(File_Copy(QStringLiteral("C:\\a.ini"), QStringLiteral("\\\\srv\\share\\x\\a.ini")));
    const QStringList u = textes();
    ASSERT_EQ(u.size(), 1);
    EXPECT_EQ(u[0], QStringLiteral("File_Copy: Err: 3 |Source: C:\\a.ini  Target: \\\\srv\\share\\x\\a.ini"));
    EXPECT_EQ(incidents(), 1);
}

TEST_F(FileOpsTest, CopyOntoItselfLeavesTheFileWhole) {
    ecrire(QStringLiteral("c/a.ini"), "contenu");
    EXPECT_FALSE(File_Copy(QStringLiteral("C:\\a.ini"), QStringLiteral("c:\\A.INI")));
    EXPECT_EQ(lire(QStringLiteral("c/a.ini")), QByteArray("contenu"));
    ASSERT_FALSE(textes().isEmpty());
    EXPECT_TRUE(textes()[0].startsWith(QStringLiteral("File_Copy: Err: 113 |Source: ")));
}

TEST_F(FileOpsTest, DeleteCasesAndLines) {
    ecrire(QStringLiteral("c/vide.lnk"), "");
    ecrire(QStringLiteral("c/Plein/f.txt"), "f");
    ecrire(QStringLiteral("c/T/a.tmp"), "a");
    ecrire(QStringLiteral("c/T/b.TMP"), "b");
    ecrire(QStringLiteral("c/T/c.ini"), "c");

    // An empty file counts as present and goes.
    EXPECT_TRUE(File_Delete(QStringLiteral("C:\\vide.lnk"), 0));
    EXPECT_FALSE(QFileInfo::exists(chemin(QStringLiteral("c/vide.lnk"))));
    // A wildcard takes every matching file, whatever the letter case.
    EXPECT_TRUE(File_Delete(QStringLiteral("C:\\T\\*.tmp")));
    EXPECT_EQ(QDir(chemin(QStringLiteral("c/T"))).entryList(QDir::Files), QStringList{QStringLiteral("c.ini")});
    EXPECT_TRUE(lignesLog().isEmpty());

    struct Cas {
        QString nom;
        QString ligne;
        int incidents;
    };
    const Cas cas[] = {
        {QString(), QStringLiteral("Warning: File_Delete: File name null"), 0},
        {QStringLiteral("C:\\absent.lnk"), QStringLiteral("Warning: File_Delete: File not found: C:\\absent.lnk"), 0},
        {QStringLiteral("C:\\absent.gpx"), QString(), 0},
        // A folder with files in it is never removed.
        {QStringLiteral("C:\\Plein"), QStringLiteral("File_Delete: Err: 145 |C:\\Plein"), 1},
    };
    for (const auto& k : cas) {
        ReinitialiserListes();
        EXPECT_FALSE(File_Delete(k.nom));
        EXPECT_EQ(textes(), k.ligne.isEmpty() ? QStringList() : QStringList{k.ligne}) << k.nom.toStdString();
        EXPECT_EQ(incidents(), k.incidents);
    }
    EXPECT_TRUE(QFileInfo::exists(chemin(QStringLiteral("c/Plein/f.txt"))));
}

TEST_F(FileOpsTest, LibSizeTable) {
    const double k = 1024.0;
    struct Cas {
        double v;
        const char* attendu;
    };
    const Cas cas[] = {
        {0, "0,00 Octets"},
        {512, "512,00 Octets"},
        {1023, "1 023,00 Octets"},
        {1024, "1,00 Ko"},
        {1536, "1,50 Ko"},
        {1048575, "1 024,00 Ko"},  // 1023.999 Ko rounds, the unit changes only at 1024
        {1048576, "1,00 Mo"},
        {13421772800.0, "12,50 Go"},
        {k * k * k * k * k * k * k * k * 1000, "1 000,00 Yo"},
        {k * k * k * k * k * k * k * k * k, ""},
    };
    for (const auto& c : cas) EXPECT_EQ(LibSize(c.v), QString::fromUtf8(c.attendu)) << c.v;
}

TEST_F(FileOpsTest, FreeBytes) {
    EXPECT_EQ(GetDiskFreeBytes(QStringLiteral("  ")), 0.0);
    EXPECT_GT(GetDiskFreeBytes(racine), 0.0);
    // A folder not made yet answers for its nearest existing parent.
    EXPECT_EQ(GetDiskFreeBytes(QStringLiteral("Q:\\pas\\encore\\")) > 0.0, true);
}

}  // namespace
