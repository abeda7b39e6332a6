#include "platform/cp1252.h"
#include "platform/profile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <thread>
#include <vector>

namespace {

class ProfileTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(tmp.isValid()); }
    QString chemin(const QString& nom = QStringLiteral("s.ini")) const { return tmp.path() + QLatin1Char('/') + nom; }
    void poser(const QByteArray& octets, const QString& nom = QStringLiteral("s.ini")) const {
        QFile f(chemin(nom));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(octets);
    }
    QByteArray contenu(const QString& nom = QStringLiteral("s.ini")) const {
        QFile f(chemin(nom));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QTemporaryDir tmp;
};

const char* const kAbsent = "<absent>";

TEST_F(ProfileTest, ReadsTheWayTheOldCallsDid) {
    struct Cas {
        const char* fichier;
        const char* section;
        const char* cle;
        const char* attendu;
    };
    const QByteArray long255 = QByteArray(254, 'a') + 'Z';
    const Cas cas[] = {
        {"[S]\r\nk=v\r\n", "S", "k", "v"},
        {"[S]\nk=v\n", "S", "k", "v"},                          // LF only
        {"[S]\r\nk=v", "S", "k", "v"},                          // no final line end
        {"[sEcTiOn]\r\nMaCle=v\r\n", "SECTION", "macle", "v"},  // letter case
        {"  [ S ]  \r\n  k  =  v w  \r\n", "S", "k", "v w"},    // blanks around names and value
        {"[S]\r\nk=\r\n", "S", "k", ""},                        // present but empty
        {"[S]\r\nk=   \r\n", "S", "k", ""},
        {"[S]\r\nk=a=b\r\n", "S", "k", "a=b"},              // first "=" only
        {"[S]\r\nk=\"  a b  \"\r\n", "S", "k", "  a b  "},  // one pair of quotes
        {"[S]\r\nk='x'\r\n", "S", "k", "x"},
        {"[S]\r\nk=\"\"x\"\"\r\n", "S", "k", "\"x\""},  // only one pair
        {"[S]\r\nk='x\"\r\n", "S", "k", "'x\""},        // unlike quotes stay
        {"[S]\r\nk=\"\r\n", "S", "k", "\""},
        {"[S]\r\nk=1\r\nk=2\r\n", "S", "k", "1"},                    // first key wins
        {"[S]\r\nk=1\r\n[s]\r\nk=2\r\nj=3\r\n", "S", "j", kAbsent},  // first section only
        {"[S]\r\n;k=v\r\n", "S", "k", kAbsent},                      // comment
        {"[S]\r\n;k=v\r\n", "S", ";k", kAbsent},
        {"[S]\r\nk\r\n", "S", "k", kAbsent},    // no "=": not a key
        {"k=v\r\n[S]\r\n", "S", "k", kAbsent},  // before any section
        {"[S]\r\nk=v\r\n", "T", "k", kAbsent},
        {"[S]\r\nk=v\r\n", "S", "j", kAbsent},
        {"[S]\r\nk=v ; pas un commentaire\r\n", "S", "k", "v ; pas un commentaire"},
        {"[S\r\nk=v\r\n", "S", "k", kAbsent},          // not a section line
        {"[S]\r\n[T]\r\nk=v\r\n", "S", "k", kAbsent},  // empty section
    };
    for (const auto& c : cas) {
        poser(QByteArray(c.fichier));
        const auto v = ProfileValeur(chemin(), QString::fromLatin1(c.section), QString::fromLatin1(c.cle));
        const QString vu = v ? *v : QString::fromLatin1(kAbsent);
        EXPECT_EQ(vu, QString::fromLatin1(c.attendu)) << c.fichier;
    }

    // 254 characters are the most a read gives; the default itself is not cut.
    poser("[S]\r\nlong=" + long255 + "\r\njuste=" + QByteArray(254, 'b') + "\r\n");
    EXPECT_EQ(ProfileLire(chemin(), QStringLiteral("S"), QStringLiteral("long"), QString()),
              QString(254, QLatin1Char('a')));
    EXPECT_EQ(ProfileLire(chemin(), QStringLiteral("S"), QStringLiteral("juste"), QString()).size(), 254);
    EXPECT_EQ(ProfileValeur(chemin(), QStringLiteral("S"), QStringLiteral("long"), -1)->size(), 255);
    EXPECT_EQ(ProfileLire(chemin(), QStringLiteral("S"), QStringLiteral("x"), QStringLiteral("défaut")),
              QStringLiteral("défaut"));
    EXPECT_EQ(ProfileLire(chemin(QStringLiteral("absent.ini")), QStringLiteral("S"), QStringLiteral("k"),
                          QStringLiteral("d")),
              QStringLiteral("d"));
}

TEST_F(ProfileTest, WritesInPlaceAndKeepsEverythingElse) {
    poser(
        "; en-tete\r\n"
        "[A]\r\n"
        "un=1\r\n"
        "; note\r\n"
        "Deux = 2\r\n"
        "\r\n"
        "; fin de A\r\n"
        "[B]\n"
        "x=y\n"
        "[a]\r\n"
        "cache=oui\r\n");
    struct Ecriture {
        const char* section;
        const char* cle;
        const char* valeur;
    };
    const Ecriture ecritures[] = {
        {"a", "DEUX", "deux"},  // replaced where it is, its spelling kept
        {"A", "trois", "3"},    // after the last key of the first [A], before its trailing lines
        {"C", "neuf", "9"},     // new section at the end
        {"B", "x", "z"},
    };
    for (const auto& e : ecritures)
        ASSERT_TRUE(ProfileEcrire(chemin(), QString::fromLatin1(e.section), QString::fromLatin1(e.cle),
                                  QString::fromLatin1(e.valeur)));
    EXPECT_EQ(contenu(), QByteArray("; en-tete\r\n"
                                    "[A]\r\n"
                                    "un=1\r\n"
                                    "; note\r\n"
                                    "Deux=deux\r\n"
                                    "trois=3\r\n"
                                    "\r\n"
                                    "; fin de A\r\n"
                                    "[B]\r\n"
                                    "x=z\r\n"
                                    "[a]\r\n"
                                    "cache=oui\r\n"
                                    "[C]\r\n"
                                    "neuf=9\r\n"));
}

TEST_F(ProfileTest, CreatesTheFileAndAnEmptySectionTakesItsFirstKey) {
    ASSERT_TRUE(ProfileCreerSection(chemin(), QStringLiteral("Vide")));
    ASSERT_TRUE(ProfileEcrire(chemin(), QStringLiteral("Autre"), QStringLiteral("a"), QStringLiteral("1")));
    ASSERT_TRUE(ProfileEcrire(chemin(), QStringLiteral("vide"), QStringLiteral("b"), QStringLiteral("2")));
    EXPECT_EQ(contenu(), QByteArray("[Vide]\r\nb=2\r\n[Autre]\r\na=1\r\n"));
}

TEST_F(ProfileTest, AccentsRoundTripInWindows1252) {
    const QString valeur = QStringLiteral("Opéra « Ça » 5 € — ÿ");
    ASSERT_TRUE(ProfileEcrire(chemin(), QStringLiteral("Générique"), QStringLiteral("Clé"), valeur));
    EXPECT_EQ(contenu(), QByteArray("[G\xE9n\xE9rique]\r\nCl\xE9=Op\xE9ra \xAB \xC7"
                                    "a \xBB 5 \x80 \x97 \xFF\r\n"));
    EXPECT_EQ(ProfileLire(chemin(), QStringLiteral("GÉNÉRIQUE"), QStringLiteral("CLÉ"), QString()), valeur);
}

TEST_F(ProfileTest, RefusedWritesLeaveTheFileAsItWas) {
    poser("[S]\r\nk=v\r\n?=vrai\r\n");
    const QByteArray avant = contenu();
    struct Cas {
        const char* section;
        const char* cle;
        const char* valeur;
    };
    const Cas cas[] = {
        {"S", "k", "a\r\nintrus=1"},
        {"S", "k", "a\nb"},
        {"S", "k", "a\rb"},
        {"S", "a=b", "v"},
        {"S", "[T]", "v"},
        {"S", ";k", "v"},
        {"S", "  ", "v"},
        {"T]", "k", "v"},
        {"", "k", "v"},
        {"S\nT", "k", "v"},
        {"S", "k\n", "v"},
        // Outside the code page: would be written as "?", over the real "?" key.
        {"S", "Ω", "faux"},
        {"S", "clé→", "v"},
        {"Σ", "k", "v"},
        {"S", "😀", "v"},
    };
    for (const auto& c : cas) {
        ProfileEchec pourquoi = ProfileEchec::Aucun;
        EXPECT_FALSE(ProfileEcrire(chemin(), QString::fromUtf8(c.section), QString::fromUtf8(c.cle),
                                   QString::fromUtf8(c.valeur), &pourquoi))
            << c.section << "/" << c.cle;
        EXPECT_EQ(pourquoi, ProfileEchec::Invalide);
    }
    EXPECT_EQ(contenu(), avant);
    // What the code page holds is written and reads back.
    ASSERT_TRUE(ProfileEcrire(chemin(), QStringLiteral("Été"), QStringLiteral("clé€"), QStringLiteral("œuvre")));
    EXPECT_EQ(ProfileValeur(chemin(), QStringLiteral("ÉTÉ"), QStringLiteral("CLÉ€")), QStringLiteral("œuvre"));
}

TEST_F(ProfileTest, AWriteFailsOnAMissingFolderOrAReadOnlyFile) {
    ProfileEchec pourquoi = ProfileEchec::Aucun;
    const QString absent = tmp.path() + QStringLiteral("/nulle/part/s.ini");
    EXPECT_FALSE(ProfileEcrire(absent, QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("v"), &pourquoi));
    EXPECT_EQ(pourquoi, ProfileEchec::DossierAbsent);
    EXPECT_FALSE(QFileInfo::exists(tmp.path() + QStringLiteral("/nulle")));

    poser("[S]\r\nk=v\r\n");
    ASSERT_EQ(::chmod(QFile::encodeName(chemin()).constData(), 0444), 0);
    EXPECT_FALSE(ProfileEcrire(chemin(), QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("w"), &pourquoi));
    EXPECT_EQ(pourquoi, ProfileEchec::LectureSeule);
    EXPECT_EQ(contenu(), QByteArray("[S]\r\nk=v\r\n"));

    // Once writable again the file keeps its permissions through the rewrite.
    ASSERT_EQ(::chmod(QFile::encodeName(chemin()).constData(), 0640), 0);
    EXPECT_TRUE(ProfileEcrire(chemin(), QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("w"), &pourquoi));
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(chemin()).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    // Nothing is left beside the file: no temporary file, no lock file.
    const QStringList restes = QDir(tmp.path()).entryList(QDir::Files | QDir::Hidden);
    EXPECT_EQ(restes, QStringList({QStringLiteral("s.ini")}));
}

TEST_F(ProfileTest, AChangeWaitsForTheWriterHoldingTheFolder) {
    poser("[S]\r\nk=v\r\n");
    // Another process's writer, as the folder lock shows it.
    const int fd = ::open(QFile::encodeName(tmp.path()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);
    bool ecrit = false;
    std::thread ecrivain(
        [&] { ecrit = ProfileEcrire(chemin(), QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("w")); });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(contenu(), QByteArray("[S]\r\nk=v\r\n"));  // still waiting
    ::close(fd);
    ecrivain.join();
    EXPECT_TRUE(ecrit);
    EXPECT_EQ(contenu(), QByteArray("[S]\r\nk=w\r\n"));
}

TEST_F(ProfileTest, AWriteThroughALinkKeepsTheLink) {
    poser("[S]\r\nk=v\r\n", QStringLiteral("vrai.ini"));
    ASSERT_TRUE(QFile::link(chemin(QStringLiteral("vrai.ini")), chemin(QStringLiteral("lien.ini"))));
    ASSERT_TRUE(ProfileEcrire(chemin(QStringLiteral("lien.ini")), QStringLiteral("S"), QStringLiteral("k"),
                              QStringLiteral("w")));
    EXPECT_TRUE(QFileInfo(chemin(QStringLiteral("lien.ini"))).isSymLink());
    EXPECT_EQ(contenu(QStringLiteral("vrai.ini")), QByteArray("[S]\r\nk=w\r\n"));
}

// Reads of an unchanged file may come from memory; any change on disk must still be seen, even
// one made in place by another program that keeps the file's size.
TEST_F(ProfileTest, ARepeatedReadSeesEveryChangeOnDisk) {
    const auto vieillir = [&] {
        const timespec t[2] = {{1000000000, 0}, {1000000000, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(chemin()).constData(), t, 0), 0);
    };
    poser("[S]\r\nk=aaaa\r\n");
    vieillir();
    EXPECT_EQ(ProfileLire(chemin(), "S", "k", ""), "aaaa");
    EXPECT_EQ(ProfileLire(chemin(), "S", "k", ""), "aaaa");
    {  // in place, same size, and its modification time put back
        QFile f(chemin());
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.seek(7));
        f.write("bbbb");
    }
    vieillir();
    EXPECT_EQ(ProfileLire(chemin(), "S", "k", ""), "bbbb");
    ASSERT_TRUE(ProfileEcrire(chemin(), "S", "k", "cccc"));
    EXPECT_EQ(ProfileLire(chemin(), "S", "k", ""), "cccc");
    ASSERT_TRUE(QFile::remove(chemin()));
    EXPECT_EQ(ProfileLire(chemin(), "S", "k", "absent"), "absent");
}

TEST_F(ProfileTest, ListsAndDeletes) {
    poser("[Un]\r\na=1\r\n;c=0\r\nB=2\r\nb=3\r\n[Deux]\r\nx=1\r\n[un]\r\nz=9\r\n[Trois]\r\n");
    EXPECT_EQ(ProfileSections(chemin()),
              QStringList({QStringLiteral("Un"), QStringLiteral("Deux"), QStringLiteral("Trois")}));
    EXPECT_EQ(ProfileCles(chemin(), QStringLiteral("UN")), QStringList({QStringLiteral("a"), QStringLiteral("B")}));
    EXPECT_TRUE(ProfileSectionExiste(chemin(), QStringLiteral("trois")));
    EXPECT_FALSE(ProfileSectionExiste(chemin(), QStringLiteral("Quatre")));

    ASSERT_TRUE(ProfileSupprimerCle(chemin(), QStringLiteral("un"), QStringLiteral("b")));
    EXPECT_EQ(ProfileLire(chemin(), QStringLiteral("Un"), QStringLiteral("b"), QStringLiteral("-")),
              QStringLiteral("3"));  // the duplicate below comes to light
    ASSERT_TRUE(ProfileSupprimerSection(chemin(), QStringLiteral("UN")));
    EXPECT_EQ(contenu(), QByteArray("[Deux]\r\nx=1\r\n[Trois]\r\n"));
    EXPECT_TRUE(ProfileSupprimerCle(chemin(QStringLiteral("absent.ini")), QStringLiteral("S"), QStringLiteral("k")));
    EXPECT_FALSE(QFileInfo::exists(chemin(QStringLiteral("absent.ini"))));
}

TEST_F(ProfileTest, ConcurrentChangesAreNotLost) {
    // Each call opens the lock on its own, as another process would.
    constexpr int kFils = 4, kTours = 40;
    std::vector<std::thread> fils;
    for (int t = 0; t < kFils; ++t) {
        fils.emplace_back([this, t] {
            for (int i = 0; i < kTours; ++i) {
                ProfileModifier(chemin(), [&](ProfileDocument& d) {
                    const int n =
                        d.valeur(QStringLiteral("C"), QStringLiteral("total")).value_or(QStringLiteral("0")).toInt();
                    d.ecrire(QStringLiteral("C"), QStringLiteral("total"), QString::number(n + 1));
                    d.ecrire(QStringLiteral("C"), QStringLiteral("fil") + QString::number(t), QString::number(i + 1));
                    return true;
                });
            }
        });
    }
    for (auto& f : fils) f.join();
    EXPECT_EQ(ProfileLire(chemin(), QStringLiteral("C"), QStringLiteral("total"), QString()),
              QString::number(kFils * kTours));
    for (int t = 0; t < kFils; ++t)
        EXPECT_EQ(ProfileLire(chemin(), QStringLiteral("C"), QStringLiteral("fil") + QString::number(t), QString()),
                  QString::number(kTours));
}

TEST_F(ProfileTest, BareNamesGoToTheWindowsFolder) {
    qunsetenv("KIRVO_WINDOWS_DIR");
    EXPECT_EQ(DossierWindows(QStringLiteral("/opt/kirvo/")), QStringLiteral("/opt/kirvo/Windows/"));
    EXPECT_EQ(DossierWindows(QStringLiteral("/opt/kirvo")), QStringLiteral("/opt/kirvo/Windows/"));
    qputenv("KIRVO_WINDOWS_DIR", "/srv/win");
    EXPECT_EQ(DossierWindows(QStringLiteral("/opt/kirvo/")), QStringLiteral("/srv/win/"));
    qunsetenv("KIRVO_WINDOWS_DIR");

    const QString win = tmp.path() + QStringLiteral("/Windows/");
    ASSERT_TRUE(QDir().mkpath(win));
    poser("[S]\r\nk=v\r\n", QStringLiteral("Windows/WIN.INI"));
    EXPECT_EQ(CheminProfil(QStringLiteral("win.ini"), win), win + QStringLiteral("WIN.INI"));
    EXPECT_EQ(
        ProfileLire(CheminProfil(QStringLiteral("win.ini"), win), QStringLiteral("S"), QStringLiteral("k"), QString()),
        QStringLiteral("v"));
    EXPECT_EQ(CheminProfil(QStringLiteral("neuf.ini"), win), win + QStringLiteral("neuf.ini"));
    EXPECT_EQ(CheminProfil(tmp.path() + QStringLiteral("/windows/win.ini"), win), win + QStringLiteral("WIN.INI"));
}

}  // namespace
