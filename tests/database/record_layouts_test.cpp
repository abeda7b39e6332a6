#include "database/record_layouts.h"
#include "platform/cp1252.h"
#include "support/fixture.h"

#include <cstring>
#include <vector>

namespace {

// The places other parts of the program rely on, checked once more by hand, apart from the
// layout lists (offsets from 0).
static_assert(offsetof(Layout::EnregCommercial, Etat) == 213 && offsetof(Layout::EnregCommercial, IdWeb) == 214 &&
              offsetof(Layout::EnregCommercial, FlagWeb) == 218);
static_assert(offsetof(Layout::EnregSecteur, Etat) == 40 && offsetof(Layout::EnregSecteur, FlagWeb) == 45);
static_assert(offsetof(Layout::EnregClient, Etat) == 744 && offsetof(Layout::EnregClient, IdWeb) == 745 &&
              offsetof(Layout::EnregClient, FlagWeb) == 749 && offsetof(Layout::EnregClient, Telephones) == 676);
static_assert(offsetof(Layout::EnregProduit, CCFamille) == 55 && offsetof(Layout::EnregProduit, Etat) == 84 &&
              offsetof(Layout::EnregProduit, FlagWeb) == 89);
static_assert(offsetof(Layout::EnregEnteteContrat, Code) == 10 && offsetof(Layout::EnregEnteteContrat, Nom) == 39 &&
              offsetof(Layout::EnregEnteteContrat, National) == 112 &&
              offsetof(Layout::EnregEnteteContrat, Etat) == 138 && offsetof(Layout::EnregEnteteContrat, IdWeb) == 139);
static_assert(offsetof(Layout::EnregEnteteSpot, Etat) == 372 && offsetof(Layout::EnregEnteteSpot, IdWeb) == 373 &&
              offsetof(Layout::EnregEnteteSpot, FlagWeb) == 377 &&
              offsetof(Layout::EnregEnteteSpot, FlagContenu) == 378);
static_assert(offsetof(Layout::EnregDatePassage, Valeur56) == 56 && offsetof(Layout::EnregDatePassage, Duree) == 60 &&
              offsetof(Layout::EnregDatePassage, National) == 74);
static_assert(offsetof(Layout::JournalSynchro, Date) == 15 && offsetof(Layout::JournalSynchro, Sequence) == 29 &&
              offsetof(Layout::JournalSynchro, IdWeb) == 32);
static_assert(offsetof(Layout::EnregMagnetophone, Duree) == 116 &&
              offsetof(Layout::EnregMagnetophone, ReferenceContrat) == 134);
static_assert(offsetof(Layout::EnregConducteurPub, CodeElement) == 14);
static_assert(offsetof(Layout::EnregArtiste, Etat) == 180 && offsetof(Layout::EnregArtiste, IdWeb) == 181);
static_assert(offsetof(Layout::EnregVoixGroupe, Code) == 5);
static_assert(offsetof(Layout::EnregMorceau, Etat) == 236 && offsetof(Layout::EnregMorceau, IdWeb) == 237 &&
              sizeof(Layout::EnregMorceau::Champ02) == 10);

class RecordLayoutsTest : public KirvoTest {
protected:
    void SetUp() override {
        KirvoTest::SetUp();
        ReinitialiserTampons();
    }
    static QByteArray octets(const char* p, int n) { return QByteArray(p, n); }
};

TEST_F(RecordLayoutsTest, TextFieldsAreCutOrPaddedInCp1252) {
    struct Cas {
        QString valeur;
        QByteArray stocke;
    };
    const Cas cas[] = {
        {QString(35, QLatin1Char('N')), QByteArray(30, 'N')},
        {QStringLiteral("ABCDE"), QByteArray("ABCDE") + QByteArray(25, ' ')},
        {QString(), QByteArray(30, ' ')},
        {QStringLiteral("Société Générale à Noël — 5 €"),
         QByteArray("Soci\xE9t\xE9 G\xE9n\xE9rale \xE0 No\xEBl \x97 5 \x80") + QByteArray(1, ' ')},
        {QStringLiteral("Ωmega"), QByteArray("?mega") + QByteArray(25, ' ')},
    };
    for (const Cas& c : cas) {
        std::memset(EnregClient.Nom, 'z', sizeof EnregClient.Nom);
        EcrireTexte(EnregClient.Nom, c.valeur);
        EXPECT_EQ(octets(EnregClient.Nom, 30), c.stocke) << c.valeur.toStdString();
        EXPECT_EQ(LireTexte(EnregClient.Nom), FromCp1252(c.stocke));
    }
    // Neighbours are untouched.
    EXPECT_EQ(EnregClient.Code[7], 0);
    EXPECT_EQ(EnregClient.Adresse[0], 0);
    // Accented text reads back as written, blanks included.
    EcrireTexte(EnregClient.Ville, QStringLiteral("Orléans"));
    EXPECT_EQ(LireTexte(EnregClient.Ville), QStringLiteral("Orléans") + QString(23, QLatin1Char(' ')));
}

// Any byte survives a read and a write back, so base-255 web ids and stray codes are kept.
TEST_F(RecordLayoutsTest, EveryByteSurvivesReadAndWriteBack) {
    char octetsSource[256];
    for (int i = 0; i < 256; ++i) octetsSource[i] = char(i);
    std::memcpy(EnregClient.Champ31, octetsSource, 150);
    std::memcpy(EnregMorceau.Champ40, octetsSource + 141, 115);
    const QString a = LireTexte(EnregClient.Champ31), b = LireTexte(EnregMorceau.Champ40);
    std::memset(EnregClient.Champ31, 0, 150);
    std::memset(EnregMorceau.Champ40, 0, 115);
    EcrireTexte(EnregClient.Champ31, a);
    EcrireTexte(EnregMorceau.Champ40, b);
    EXPECT_EQ(std::memcmp(EnregClient.Champ31, octetsSource, 150), 0);
    EXPECT_EQ(std::memcmp(EnregMorceau.Champ40, octetsSource + 141, 115), 0);
    // Elements of a text array are fields of their own.
    EcrireTexte(EnregClient.Telephones[1], QStringLiteral("0102030405"));
    EXPECT_EQ(LireTexte(EnregClient.Telephones[1]), QStringLiteral("0102030405     "));
    EXPECT_EQ(EnregClient.Telephones[0][14], 0);
    EXPECT_EQ(EnregClient.Telephones[2][0], 0);
}

// A new record starts blank: it must not inherit the record last read into the shared buffer,
// and its web id must read as "none" (codes 0), not as the number four blanks would make.
TEST_F(RecordLayoutsTest, NewRecordResetsEveryField) {
    for (int no = 0; no < 51; ++no) {
        const TamponEnreg* t = EnregFichier(no);
        if (!t) continue;
        auto* b = static_cast<unsigned char*>(t->Donnees);
        std::memset(b, 0xAA, size_t(t->Taille));
        ViderEnreg(no);
        std::vector<char> attendu(size_t(t->Taille), 0);
        for (int i = 0; i < t->NbChamps; ++i) {
            const ChampEnreg& c = t->Champs[i];
            ASSERT_LE(c.Offset + c.Taille * c.Nombre, t->Taille) << t->Nom << "." << c.Nom;
            if (c.Type == TypeChamp::Texte) std::memset(attendu.data() + c.Offset, ' ', size_t(c.Taille * c.Nombre));
        }
        EXPECT_EQ(std::memcmp(b, attendu.data(), attendu.size()), 0) << t->Nom;
    }
    EXPECT_EQ(LireTexte(EnregClient.Nom), QString(30, QLatin1Char(' ')));
    EXPECT_EQ(octets(EnregClient.IdWeb, 4), QByteArray(4, '\0'));
    EXPECT_EQ(EnregClient.Champ34, 0);
    EXPECT_EQ(EnregDatePassage.Duree, 0);
    EXPECT_EQ(JournalSynchro.IdWeb, 0);
    EXPECT_EQ(octets(EnregParametrage.Image, 1000), QByteArray(1000, '\0'));

    // The typed form works on a record of the program's own as well as on the buffer.
    Layout::EnregProduit copie;
    std::memset(&copie, 0x11, sizeof copie);
    Vider(copie);
    EXPECT_EQ(LireTexte(copie.Libelle), QString(30, QLatin1Char(' ')));
    EXPECT_EQ(copie.Champ14, 0);
    EXPECT_EQ(static_cast<const unsigned char*>(EnregFichier(4)->Donnees)[0], ' ');
}

// Fields of each layout are listed in order and never overlap.
TEST_F(RecordLayoutsTest, FieldTablesFollowTheLayouts) {
    int tampons = 0;
    for (int no = 0; no < 51; ++no) {
        const TamponEnreg* t = EnregFichier(no);
        if (!t) continue;
        ++tampons;
        int fin = 0;
        for (int i = 0; i < t->NbChamps; ++i) {
            const ChampEnreg& c = t->Champs[i];
            EXPECT_GE(c.Offset, fin) << t->Nom << "." << c.Nom;
            fin = c.Offset + c.Taille * c.Nombre;
        }
        EXPECT_LE(fin, t->Taille);
        EXPECT_GE(fin, t->Taille - 3) << t->Nom;  // at most a trailing gap
    }
    EXPECT_EQ(tampons, NbTamponsEnreg);
}

TEST_F(RecordLayoutsTest, StoredImageAgainstLayoutLength) {
    // Layout longer than the record: the tail is never sent, and a read leaves it alone.
    std::memset(&EnregClient, 'X', sizeof EnregClient);
    std::vector<char> donnees(900, 'A');
    DepuisImageStockee(3, donnees.data(), 900);
    const auto* c = reinterpret_cast<const char*>(&EnregClient);
    EXPECT_EQ(QByteArray(c, 900), QByteArray(900, 'A'));
    EXPECT_EQ(QByteArray(c + 900, 4), QByteArray("XXXX"));
    std::vector<char> sortie(900, '?');
    VersImageStockee(3, sortie.data(), 900);
    EXPECT_EQ(QByteArray(sortie.data(), 900), QByteArray(900, 'A'));

    // Layout shorter than the record: the stored bytes beyond it are dropped on a read and sent
    // as codes 0 on a write.
    std::memset(&EnregEnteteContrat, 'B', sizeof EnregEnteteContrat);
    std::vector<char> lu(150, 'Z');
    DepuisImageStockee(5, lu.data(), 150);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(&EnregEnteteContrat), 148), QByteArray(148, 'Z'));
    EXPECT_EQ(EnregEnteteSpot.Code[0], 0);  // the next buffer is untouched
    std::vector<char> ecrit(150, '?');
    VersImageStockee(5, ecrit.data(), 150);
    EXPECT_EQ(QByteArray(ecrit.data() + 148, 2), QByteArray(2, '\0'));

    // No buffer: nothing is read, codes 0 are sent.
    std::vector<char> rien(10, '?');
    VersImageStockee(9, rien.data(), 10);
    EXPECT_EQ(QByteArray(rien.data(), 10), QByteArray(10, '\0'));
}

}  // namespace
