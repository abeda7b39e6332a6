#include "kirvo_btr/btr_utility.h"
#include "database/catalogue.h"
#include "platform/cp1252.h"
#include "platform/record_manager.h"
#include "support/fixture.h"
#include "support/other_user.h"

#include <QDir>
#include <QFile>
#include <QTextStream>

#include <algorithm>
#include <cstring>

namespace {

struct Resultat {
    int rc;
    QString out, err;
};

class BtrUtilityTest : public KirvoTest {
protected:
    Resultat lance(const QStringList& args) {
        Resultat r;
        QTextStream out(&r.out), err(&r.err);
        r.rc = KirvoBtr(args, out, err);
        out.flush();
        err.flush();
        return r;
    }
    QString chemin(const QString& relatif) const { return tmp.filePath(relatif); }
    QString ecrit(const QString& nom, const QString& texte) {
        QFile f(chemin(nom));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(texte.toUtf8());
        return f.fileName();
    }
    void creeBase(const QString& dossier, int stations) {
        const Resultat r = lance({QStringLiteral("create"), chemin(dossier), QString::number(stations)});
        ASSERT_EQ(r.rc, 0) << r.err.toStdString();
    }
    // Records of a file, counted by the record manager.
    int64_t nbEnregs(const QString& fichier) {
        char pos[kPosBlockSize];
        std::memset(pos, ' ', sizeof pos);
        QByteArray cle = fichier.toLocal8Bit();
        uint32_t lng = 0;
        if (BTRCALL(BtrOp::Open, pos, nullptr, &lng, cle.data(), uint16_t(cle.size()), 0) != 0) return -1;
        BtrFileDescription d;
        const int16_t st = BtrDescribeFile(pos, &d);
        BTRCALL(BtrOp::Close, pos, nullptr, &lng, cle.data(), 0, 0);
        return st == 0 ? d.recordCount : -1;
    }
    QStringList fichiersBt6(const QString& dossier) const {
        return QDir(chemin(dossier)).entryList({QStringLiteral("*.bt6")}, QDir::Files, QDir::Name);
    }
};

TEST_F(BtrUtilityTest, CreatesEveryFileOfABaseOnceAndKeepsExistingOnes) {
    creeBase(QStringLiteral("base"), 2);
    const QStringList f = fichiersBt6(QStringLiteral("base"));
    // 21 files kept per base and 28 per station.
    EXPECT_EQ(f.size(), 21 + 2 * 28);
    for (const char* nom : {"FRAD000.bt6", "FRAD003.bt6", "FRAD008.bt6", "FRADA05.bt6", "FRADB05.bt6", "FRADA27.bt6",
                            "FRADB49.bt6", "FRAD036.bt6", "FRAD009.bt6"})
        EXPECT_TRUE(f.contains(QString::fromLatin1(nom))) << nom;
    for (const char* nom : {"FRADC05.bt6", "FRAD005.bt6", "FRADA03.bt6", "FRAD018.bt6", "FRAD050.bt6", ".bt6"})
        EXPECT_FALSE(f.contains(QString::fromLatin1(nom))) << nom;

    const QString dump = ecrit(QStringLiteral("c.txt"), QStringLiteral("Code=00000001\nNom=A\n"));
    ASSERT_EQ(lance({QStringLiteral("load"), chemin(QStringLiteral("base/FRAD003.bt6")), dump}).rc, 0);
    const Resultat r = lance({QStringLiteral("create"), chemin(QStringLiteral("base")), QStringLiteral("2")});
    EXPECT_EQ(r.rc, 0);
    EXPECT_TRUE(r.out.contains(QStringLiteral("0 fichier(s) créé(s), 77 existant(s), 0 échec(s)")));
    EXPECT_EQ(nbEnregs(chemin(QStringLiteral("base/FRAD003.bt6"))), 1);

    for (const char* n : {"0", "11", "x"})
        EXPECT_EQ(lance({QStringLiteral("create"), chemin(QStringLiteral("autre")), QString::fromLatin1(n)}).rc, 2)
            << n;
}

TEST_F(BtrUtilityTest, ListShowsDefinitionAndRecordCount) {
    creeBase(QStringLiteral("base"), 1);
    const QString dump = ecrit(QStringLiteral("c.txt"), QStringLiteral("Code=1\n\nCode=2\n\nCode=3\n"));
    ASSERT_EQ(lance({QStringLiteral("load"), chemin(QStringLiteral("base/FRAD004.bt6")), dump}).rc, 0);
    const Resultat r = lance({QStringLiteral("list"), chemin(QStringLiteral("base"))});
    EXPECT_EQ(r.rc, 0);
    const QStringList lignes = r.out.split(QLatin1Char('\n'));
    auto ligne = [&](const QString& nom) {
        for (const QString& l : lignes)
            if (l.startsWith(nom)) return l.simplified();
        return QString();
    };
    EXPECT_EQ(ligne(QStringLiteral("FRAD004.bt6")), QStringLiteral("FRAD004.bt6 4 100 2 3"));
    EXPECT_EQ(ligne(QStringLiteral("FRADA47.bt6")), QStringLiteral("FRADA47.bt6 47 4082 1 0"));
    EXPECT_EQ(ligne(QStringLiteral("FRADA34.bt6")), QStringLiteral("FRADA34.bt6 34 200 6 0"));
}

// A dump loaded into a new base dumps back to the same text, and the stored bytes are the
// layout's: Windows-1252 texts padded with blanks, little-endian numbers.
TEST_F(BtrUtilityTest, TextDumpRoundTrips) {
    struct Cas {
        const char* fichier;
        QString source;
        QStringList lignesAttendues;
        QString octetsAttendus;
    };
    const Cas cas[] = {
        {"FRAD003.bt6",
         QStringLiteral("# clients\nCode=00000001\nNom=Société Générale\nVille=Orléans\nIdWeb=\\x01\\x01\n"
                        "Etat=O\nFlagWeb=O\nTelephones[2]=0102030405\nChamp34=-5\n\n\n"
                        "Code=00000002\nNom=Back\\\\slash €\nContact4=  x\n"),
         {QStringLiteral("Nom=Société Générale"), QStringLiteral("IdWeb=\\x01\\x01"),
          QStringLiteral("Telephones[2]=0102030405"), QStringLiteral("Champ34=-5"),
          QStringLiteral("Nom=Back\\\\slash €"), QStringLiteral("Contact4=  x"), QStringLiteral("Adresse="),
          QStringLiteral("IdWeb=")},
         QStringLiteral("0000: 3030303030303031536f6369e974e92047e96ee972616c6520")},
        {"FRADA07.bt6",
         QStringLiteral("Code=CANV01\nSequence=01\nDate=20240131\nNiveau=4\nDuree=12.5\nValeur56=-3\nNational=y\n"
                        "Champ23=0123456789abcdef\n\nCode=CANV02\nDuree=0.1\n\nCode=CANV03\nDuree=-30\n"),
         {QStringLiteral("Duree=12.5"), QStringLiteral("Valeur56=-3"), QStringLiteral("National=y"),
          QStringLiteral("Champ17=0"), QStringLiteral("Champ23=0123456789abcdef"), QStringLiteral("Duree=0.1"),
          QStringLiteral("Duree=-30")},
         QStringLiteral("0000: 43414e5630313031323032343031333134")},
        {"FRAD008.bt6",
         QStringLiteral("Type=S\nNoFichier=03\nNoStation=01\nCode=AB\nIdWeb=256\nSequence=01\n"),
         {QStringLiteral("IdWeb=256"), QStringLiteral("Code=AB"), QStringLiteral("Reserve=")},
         QStringLiteral("0000: 53303330314142202020202020202020")},
        {"FRADB47.bt6",
         QStringLiteral("Image=AB\\x00\\x1fC\n"),
         {QStringLiteral("Image=AB\\x00\\x1fC")},
         QStringLiteral("0000: 4142001f430000")},
        {"FRAD036.bt6",
         QStringLiteral("Image=Titre\n\nImage=Autre\n"),
         {QStringLiteral("Image=Autre")},
         QStringLiteral("0000: 546974726500")},
    };
    creeBase(QStringLiteral("b1"), 2);
    creeBase(QStringLiteral("b2"), 2);
    for (const Cas& c : cas) {
        const QString nom = QString::fromLatin1(c.fichier);
        const QString source = ecrit(nom + QStringLiteral(".src"), c.source);
        Resultat r = lance({QStringLiteral("load"), chemin(QStringLiteral("b1/") + nom), source});
        ASSERT_EQ(r.rc, 0) << c.fichier << ": " << r.err.toStdString();
        const Resultat d1 = lance({QStringLiteral("dump"), chemin(QStringLiteral("b1/") + nom)});
        ASSERT_EQ(d1.rc, 0) << d1.err.toStdString();
        const QStringList lignes = d1.out.split(QLatin1Char('\n'));
        for (const QString& l : c.lignesAttendues)
            EXPECT_TRUE(lignes.contains(l)) << c.fichier << ": " << l.toStdString();

        const QString copie = ecrit(nom + QStringLiteral(".dump"), d1.out);
        r = lance({QStringLiteral("load"), chemin(QStringLiteral("b2/") + nom), copie});
        ASSERT_EQ(r.rc, 0) << r.err.toStdString();
        const Resultat d2 = lance({QStringLiteral("dump"), chemin(QStringLiteral("b2/") + nom)});
        EXPECT_EQ(d2.out, d1.out) << c.fichier;

        const Resultat brut =
            lance({QStringLiteral("dump"), chemin(QStringLiteral("b2/") + nom), QStringLiteral("--raw")});
        EXPECT_TRUE(brut.out.contains(QLatin1Char('\n') + c.octetsAttendus)) << c.fichier << "\n"
                                                                             << brut.out.left(300).toStdString();
    }
    // The passage duration is a single-precision float at byte 60: 12.5 is 00 00 48 41.
    const Resultat brut =
        lance({QStringLiteral("dump"), chemin(QStringLiteral("b1/FRADA07.bt6")), QStringLiteral("--raw")});
    const QStringList lignes = brut.out.split(QLatin1Char('\n'));
    EXPECT_TRUE(std::any_of(lignes.begin(), lignes.end(), [](const QString& l) {
        return l.startsWith(QStringLiteral("0020: ")) && l.mid(6 + 2 * 28, 8) == QStringLiteral("00004841");
    })) << brut.out.left(400).toStdString();
}

TEST_F(BtrUtilityTest, RawDumpRoundTrips) {
    creeBase(QStringLiteral("b1"), 1);
    creeBase(QStringLiteral("b2"), 1);
    const QString source =
        ecrit(QStringLiteral("s.txt"), QStringLiteral("Code=AAA\nNom=Élan\n\nCode=BBB\nIdWeb=\\xff\\x9d\n"));
    ASSERT_EQ(lance({QStringLiteral("load"), chemin(QStringLiteral("b1/FRAD001.bt6")), source}).rc, 0);
    const Resultat d1 =
        lance({QStringLiteral("dump"), chemin(QStringLiteral("b1/FRAD001.bt6")), QStringLiteral("--raw")});
    EXPECT_TRUE(
        d1.out.startsWith(QStringLiteral("# FRAD001.bt6 : enregistrements bruts de 300 octets\n\n0000: 414141")));
    const QString copie = ecrit(QStringLiteral("brut.txt"), d1.out);
    ASSERT_EQ(lance({QStringLiteral("load"), chemin(QStringLiteral("b2/FRAD001.bt6")), copie}).rc, 0);
    EXPECT_EQ(lance({QStringLiteral("dump"), chemin(QStringLiteral("b2/FRAD001.bt6")), QStringLiteral("--raw")}).out,
              d1.out);
    EXPECT_EQ(lance({QStringLiteral("dump"), chemin(QStringLiteral("b2/FRAD001.bt6"))}).out,
              lance({QStringLiteral("dump"), chemin(QStringLiteral("b1/FRAD001.bt6"))}).out);
    // A file without a layout is dumped raw.
    const Resultat sans = lance({QStringLiteral("dump"), chemin(QStringLiteral("b1/FRAD011.bt6"))});
    EXPECT_EQ(sans.rc, 0);
    EXPECT_TRUE(sans.out.startsWith(QStringLiteral("# FRAD011.bt6 : enregistrements bruts de 350 octets")));
}

// A mistake anywhere in a dump inserts nothing.
TEST_F(BtrUtilityTest, BadDumpsInsertNothing) {
    creeBase(QStringLiteral("base"), 1);
    struct Cas {
        QString texte;
        QString message;
        const char* fichier = "FRAD003.bt6";
    };
    const QString longue(17, QLatin1Char('x'));
    const Cas cas[] = {
        {QStringLiteral("Code=1\n\nInconnu=2\n"), QStringLiteral("ligne 3 : champ inconnu « Inconnu »")},
        {QStringLiteral("Code=123456789\n"),
         QStringLiteral("ligne 1 : Code : valeur trop longue (9 caractères pour 8)")},
        {QStringLiteral("Code=1\nChamp34=x\n"), QStringLiteral("ligne 2 : Champ34 : nombre invalide")},
        {QStringLiteral("Code=1\nChamp34=2147483648\n"), QStringLiteral("ligne 2 : Champ34 : nombre invalide")},
        {QStringLiteral("Nom=Ωmega\n"), QStringLiteral("ligne 1 : Nom : caractère hors de la page de code")},
        {QStringLiteral("Nom=a\\qb\n"), QStringLiteral("ligne 1 : Nom : séquence d'échappement invalide")},
        {QStringLiteral("Code=1\nCode=2\n"), QStringLiteral("ligne 2 : champ « Code » donné deux fois")},
        {QStringLiteral("Code 1\n"), QStringLiteral("ligne 1 : « champ=valeur » attendu")},
        {QStringLiteral("0000: 4142\n0004: 43\n"), QStringLiteral("ligne 2 : position 0004 inattendue")},
        {QStringLiteral("Telephones[4]=1\n"), QStringLiteral("champ inconnu « Telephones[4] »")},
        // Escapes are "\x" and two hexadecimal digits, nothing else.
        {QStringLiteral("Code=1\n\nNom=a\\x-1b\n"), QStringLiteral("ligne 3 : Nom : séquence d'échappement invalide")},
        {QStringLiteral("Nom=a\\x f\n"), QStringLiteral("ligne 1 : Nom : séquence d'échappement invalide")},
        {QStringLiteral("Nom=a\\x+f\n"), QStringLiteral("ligne 1 : Nom : séquence d'échappement invalide")},
        {QStringLiteral("Nom=ab\\x4\n"), QStringLiteral("ligne 1 : Nom : séquence d'échappement invalide")},
        // Numbers are written as the dump writes them.
        {QStringLiteral("Champ34= 5\n"), QStringLiteral("ligne 1 : Champ34 : nombre invalide")},
        {QStringLiteral("Champ34=+5\n"), QStringLiteral("ligne 1 : Champ34 : nombre invalide")},
        {QStringLiteral("Champ34=5 \n"), QStringLiteral("ligne 1 : Champ34 : nombre invalide")},
        // An offset too large for a number is not offset 0.
        {QStringLiteral("10000000000000000000: 41\n"),
         QStringLiteral("ligne 1 : position 10000000000000000000 inattendue")},
        {QStringLiteral("Code=A\nDuree=12,5\n"), QStringLiteral("ligne 2 : Duree : nombre invalide"), "FRADA07.bt6"},
        {QStringLiteral("Duree=1e40\n"), QStringLiteral("ligne 1 : Duree : nombre invalide"), "FRADA07.bt6"},
        {QStringLiteral("Duree=#7fc0000\n"), QStringLiteral("ligne 1 : Duree : nombre invalide"), "FRADA07.bt6"},
        {QStringLiteral("Duree=12.\n"), QStringLiteral("ligne 1 : Duree : nombre invalide"), "FRADA07.bt6"},
        // The record stores 16 of the field's 21 bytes: more is refused, not cut.
        {QStringLiteral("Code=A\n\nCode=B\nChamp23=") + longue + QLatin1Char('\n'),
         QStringLiteral("ligne 4 : Champ23 : valeur trop longue (17 caractères pour 16 stockés)"), "FRADA07.bt6"},
    };
    for (const Cas& c : cas) {
        const QString fichier = chemin(QStringLiteral("base/") + QString::fromLatin1(c.fichier));
        const QString source = ecrit(QStringLiteral("mauvais.txt"), c.texte);
        const Resultat r = lance({QStringLiteral("load"), fichier, source});
        EXPECT_EQ(r.rc, 1) << c.message.toStdString();
        EXPECT_TRUE(r.err.contains(c.message)) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(QStringLiteral("Aucun enregistrement inséré")));
        EXPECT_EQ(nbEnregs(fichier), 0) << c.message.toStdString();
    }
}

// A base copied into a folder no one may write still lists and dumps.
TEST_F(BtrUtilityTest, ABaseInAReadOnlyFolderListsAndDumps) {
    creeBase(QStringLiteral("base"), 1);
    const QString source = ecrit(QStringLiteral("c.txt"), QStringLiteral("Code=00000001\nNom=Élan\n\nCode=00000002\n"));
    ASSERT_EQ(lance({QStringLiteral("load"), chemin(QStringLiteral("base/FRAD003.bt6")), source}).rc, 0);
    const QString attendu = lance({QStringLiteral("dump"), chemin(QStringLiteral("base/FRAD003.bt6"))}).out;
    const auto lecture = QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther;
    QFile::setPermissions(tmp.path(), lecture);
    QFile::setPermissions(chemin(QStringLiteral("base")), lecture);
    const int r = CommeUtilisateurOrdinaire([&] {
        const Resultat liste = lance({QStringLiteral("list"), chemin(QStringLiteral("base"))});
        if (liste.rc != 0 || !liste.out.contains(QStringLiteral("FRAD003.bt6"))) return 1;
        if (liste.out.contains(QStringLiteral("illisible"))) return 2;
        const Resultat d = lance({QStringLiteral("dump"), chemin(QStringLiteral("base/FRAD003.bt6"))});
        if (d.rc != 0 || d.out != attendu) return 3;
        // Loading is writing: refused.
        if (lance({QStringLiteral("load"), chemin(QStringLiteral("base/FRAD003.bt6")), source}).rc != 1) return 4;
        return 0;
    });
    const auto tout = lecture | QFile::WriteOwner;
    QFile::setPermissions(chemin(QStringLiteral("base")), tout);
    QFile::setPermissions(tmp.path(), tout);
    EXPECT_EQ(r, 0);
    EXPECT_EQ(nbEnregs(chemin(QStringLiteral("base/FRAD003.bt6"))), 2);
}

TEST_F(BtrUtilityTest, DuplicateKeysAreRefusedOneByOne) {
    creeBase(QStringLiteral("base"), 1);
    const QString source = ecrit(QStringLiteral("d.txt"), QStringLiteral("Code=1\nNom=A\n\nCode=1\nNom=B\n\nCode=2\n"));
    const Resultat r = lance({QStringLiteral("load"), chemin(QStringLiteral("base/FRAD003.bt6")), source});
    EXPECT_EQ(r.rc, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("Enregistrement de la ligne 4 refusé (statut 5, clé en double)")))
        << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("2 enregistrement(s) inséré(s), 1 refusé(s)")));
    EXPECT_EQ(nbEnregs(chemin(QStringLiteral("base/FRAD003.bt6"))), 2);
}

TEST_F(BtrUtilityTest, FileNumberFromPhysicalName) {
    struct Cas {
        const char* nom;
        int no, station;
    };
    const Cas cas[] = {
        {"FRAD003.bt6", 3, -1},  {"/x/y/frad003.BT6", 3, -1}, {"FRADA05.bt6", 5, 0},   {"FRADJ05.bt6", 5, 9},
        {"fradb27.bt6", 27, 1},  {"FRAD049.bt6", -1, -1},     {"FRADC49.bt6", 49, 2},  {"FRADA03.bt6", -1, -1},
        {"FRAD005.bt6", -1, -1}, {"FRAD018.bt6", -1, -1},     {"FRADK05.bt6", -1, -1}, {"FRAD050.bt6", -1, -1},
        {"FRAD003.dat", -1, -1}, {"FRAD0033.bt6", -1, -1},    {"FRAD036.bt6", 36, -1},
    };
    for (const Cas& c : cas) {
        int station = 99;
        EXPECT_EQ(NoFichierDepuisNom(QString::fromLatin1(c.nom), &station), c.no) << c.nom;
        EXPECT_EQ(station, c.station) << c.nom;
    }
}

TEST_F(BtrUtilityTest, EscapesKeepEveryByte) {
    QString tous;
    for (int b = 0; b < 256; ++b) tous += Cp1252ToChar(uint8_t(b));
    const QString e = EchapperValeur(tous);
    EXPECT_FALSE(e.contains(QLatin1Char('\n')));
    EXPECT_TRUE(e.startsWith(QStringLiteral("\\x00\\x01")));
    QString retour;
    ASSERT_TRUE(DeschapperValeur(e, &retour));
    EXPECT_EQ(retour, tous);
}

TEST_F(BtrUtilityTest, WrongUsage) {
    for (const QStringList& a : {QStringList{}, QStringList{QStringLiteral("dump")},
                                 QStringList{QStringLiteral("dump"), QStringLiteral("f"), QStringLiteral("--hex")},
                                 QStringList{QStringLiteral("zap"), QStringLiteral("x")}}) {
        const Resultat r = lance(a);
        EXPECT_EQ(r.rc, 2);
        EXPECT_TRUE(r.err.startsWith(QStringLiteral("Utilisation :")));
    }
    const Resultat r = lance({QStringLiteral("dump"), chemin(QStringLiteral("absent/FRAD003.bt6"))});
    EXPECT_EQ(r.rc, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("(statut 12)"))) << r.err.toStdString();
}

}  // namespace
