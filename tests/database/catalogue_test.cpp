#include "database/catalogue.h"
#include "database/record_layouts.h"
#include "support/fixture.h"

#include <cstring>
#include <set>

namespace {

class CatalogueTest : public KirvoTest {
protected:
    void SetUp() override {
        KirvoTest::SetUp();
        ReinitialiserCatalogue();
        InitGeneralData();
    }
    static bool estVide(int no) { return no == 18 || no == 50; }
};

TEST_F(CatalogueTest, EmptyEntriesAndFilledOnes) {
    EXPECT_EQ(int(FileInfo.size()), 51);
    for (int no = 0; no < NbFichiersBTR; ++no) {
        const FileInfoEntry& e = FileInfo[size_t(no)];
        if (estVide(no)) {
            EXPECT_TRUE(e.Name.isEmpty() && e.PerStation.isEmpty() && e.SecondFlag.isEmpty()) << no;
            EXPECT_EQ(e.RecordLength + e.PageSize + e.KeyCount, 0) << no;
            for (const KeySegment& s : e.Segments) EXPECT_EQ(s.Position + s.Length + s.Flags, 0) << no;
            EXPECT_EQ(NomFichierBTR(int16_t(no), 0), QStringLiteral(".bt6"));
            continue;
        }
        EXPECT_EQ(e.Name, QStringLiteral("FRAD%1 ").arg(no, 3, 10, QLatin1Char('0'))) << no;
        EXPECT_FALSE(e.Description.isEmpty()) << no;
        EXPECT_TRUE(e.PerStation == QLatin1String("O") || e.PerStation == QLatin1String("N")) << no;
        EXPECT_EQ(e.SecondFlag, no == 47 ? QStringLiteral("O") : QStringLiteral("N")) << no;
        EXPECT_EQ(e.Spare1 + e.Spare2, 0);
    }
    EXPECT_EQ(FileInfo[2].Description, QStringLiteral("Secteurs d'activité"));
    EXPECT_EQ(FileInfo[47].Description, QStringLiteral("V 3.4 Historique de Diffusion: Codes et Libellés"));
}

// Every filled entry must be a definition the record manager can create.
TEST_F(CatalogueTest, KeySegmentsAreConsistentAndInsideTheRecord) {
    const std::set<int> flagsPermis = {2, 3, 19, 1026, 1027, 1043};
    for (int no = 0; no < NbFichiersBTR; ++no) {
        if (estVide(no)) continue;
        const FileInfoEntry& e = FileInfo[size_t(no)];
        int continues = 0;
        for (const KeySegment& s : e.Segments)
            if (s.Flags & KeyFlag::Segmented) ++continues;
        const int utilises = e.KeyCount + continues;
        ASSERT_LE(utilises, NbSegmentsMax) << no;
        for (int i = 0; i < NbSegmentsMax; ++i) {
            const KeySegment& s = e.Segments[size_t(i)];
            if (i < utilises) {
                EXPECT_TRUE(flagsPermis.count(s.Flags)) << no << " seg " << i;
                EXPECT_GE(s.Position, 1) << no;
                EXPECT_GT(s.Length, 0) << no;
                EXPECT_LE(s.Position + s.Length - 1, e.RecordLength) << no << " seg " << i;
            } else {
                EXPECT_EQ(s.Position + s.Length + s.Flags + s.Spare, 0) << no << " seg " << i;
                EXPECT_FALSE(s.Continued);
            }
        }
        // The last segment of the file closes its key.
        EXPECT_FALSE(e.Segments[size_t(utilises - 1)].Flags & KeyFlag::Segmented) << no;
        EXPECT_GT(e.PageSize, 0);
        EXPECT_EQ(e.PageSize % 512, 0) << no;
    }
}

TEST_F(CatalogueTest, KeysReadKeyByKey) {
    struct Cas {
        int no, cle, premier, segments, longueur;
    };
    const Cas cas[] = {
        {7, 0, 0, 1, 21},  {7, 1, 1, 1, 13},  {7, 2, 2, 2, 23},  {7, 3, 4, 1, 21}, {21, 0, 0, 1, 10},
        {21, 1, 1, 2, 15}, {34, 0, 0, 1, 14}, {3, 1, 1, 1, 10},  {5, 2, 2, 1, 6},  {20, 3, 3, 2, 21},
        {29, 1, 1, 2, 30}, {29, 2, 3, 1, 8},  {3, 2, -1, 0, -1},
    };
    for (const Cas& c : cas) {
        const FileInfoEntry& e = FileInfo[size_t(c.no)];
        EXPECT_EQ(PremierSegmentCle(e, c.cle), c.premier) << c.no << "/" << c.cle;
        EXPECT_EQ(NbSegmentsCle(e, c.cle), c.segments) << c.no << "/" << c.cle;
        EXPECT_EQ(LongueurCle(e, c.cle), c.longueur) << c.no << "/" << c.cle;
    }
    EXPECT_EQ(FileInfo[34].Segments[0].Position, 9);
    EXPECT_EQ(FileInfo[36].Segments[0].Flags, 1026);
    EXPECT_TRUE(FileInfo[21].Segments[2].Continued);  // carried although nothing follows it
}

TEST_F(CatalogueTest, PhysicalNames) {
    struct Cas {
        int16_t no, station;
        const char* nom;
    };
    const Cas cas[] = {
        {3, 0, "FRAD003.bt6"},  {3, 9, "FRAD003.bt6"},  {5, 0, "FRADA05.bt6"},  {5, 9, "FRADJ05.bt6"},
        {27, 1, "FRADB27.bt6"}, {0, 4, "FRAD000.bt6"},  {49, 2, "FRADC49.bt6"}, {8, 3, "FRAD008.bt6"},
        {47, 6, "FRADG47.bt6"}, {36, 5, "FRAD036.bt6"},
    };
    for (const Cas& c : cas) EXPECT_EQ(NomFichierBTR(c.no, c.station), QString::fromLatin1(c.nom));
}

// The stored record is the catalogue's length; the layout may be longer (tail never stored) or
// shorter (stored bytes that belong to no field).
TEST_F(CatalogueTest, BuffersAndTheirLayoutLengths) {
    struct Cas {
        int no, enreg, layout;
    };
    const Cas cas[] = {
        {0, 1000, 1000},  {1, 300, 300},  {2, 100, 100},    {3, 900, 904},    {4, 100, 104},    {5, 150, 148},
        {6, 400, 404},    {7, 100, 108},  {8, 1000, 100},   {17, 1000, 1012}, {19, 1000, 1004}, {20, 300, 300},
        {21, 980, 980},   {22, 900, 900}, {23, 100, 100},   {24, 100, 100},   {25, 250, 250},   {26, 150, 152},
        {27, 50, 50},     {28, 150, 150}, {29, 100, 100},   {30, 250, 250},   {31, 50, 50},     {32, 250, 250},
        {33, 100, 100},   {34, 200, 200}, {35, 400, 408},   {36, 800, 795},   {37, 500, 508},   {40, 900, 900},
        {41, 900, 900},   {42, 900, 901}, {43, 4000, 4000}, {44, 4000, 4008}, {45, 4000, 3996}, {46, 512, 500},
        {47, 4082, 4086}, {48, 100, 100}, {49, 450, 440},
    };
    ASSERT_EQ(std::size(cas), size_t(NbTamponsEnreg));
    std::set<int> avecTampon;
    for (const Cas& c : cas) {
        avecTampon.insert(c.no);
        const TamponEnreg* t = EnregFichier(c.no);
        ASSERT_NE(t, nullptr) << c.no;
        EXPECT_EQ(t->NoFichier, c.no);
        EXPECT_EQ(FileInfo[size_t(c.no)].RecordLength, c.enreg) << c.no;
        EXPECT_EQ(t->Taille, c.layout) << c.no;
    }
    for (int no = -1; no <= 51; ++no)
        if (!avecTampon.count(no)) {
            EXPECT_EQ(EnregFichier(no), nullptr) << no;
        }
    EXPECT_EQ(EnregFichier(3)->Donnees, static_cast<void*>(&EnregClient));
    EXPECT_STREQ(EnregFichier(8)->Nom, "JournalSynchro");
    EXPECT_NE(EnregFichier(23)->Donnees, EnregFichier(24)->Donnees);
}

// Read back as the record manager reads it: little-endian 16-bit numbers at fixed bytes.
TEST_F(CatalogueTest, CreateDefinition) {
    auto mot = [](int octet) {
        const auto* b = reinterpret_cast<const unsigned char*>(&BtrFileSpec);
        return int(int16_t(b[octet] | (b[octet + 1] << 8)));
    };
    auto zeros = [](int de, int a) {
        const auto* b = reinterpret_cast<const unsigned char*>(&BtrFileSpec);
        for (int i = de; i < a; ++i)
            if (b[i]) return false;
        return true;
    };
    std::memset(&BtrFileSpec, 0x55, sizeof BtrFileSpec);
    InitStructureFichierBTR(40, true);
    EXPECT_EQ(mot(0), 900);
    EXPECT_EQ(mot(2), 1024);
    EXPECT_EQ(mot(4), 2);
    EXPECT_TRUE(zeros(6, 10));
    EXPECT_EQ(mot(10), 8);
    EXPECT_TRUE(zeros(12, 16));
    EXPECT_EQ(mot(16), 1);
    EXPECT_EQ(mot(18), 8);
    EXPECT_EQ(mot(20), 3);
    EXPECT_TRUE(zeros(22, 32));
    EXPECT_EQ(mot(32), 9);
    EXPECT_EQ(mot(34), 14);
    EXPECT_EQ(mot(36), 3);
    EXPECT_TRUE(zeros(38, 160));

    InitStructureFichierBTR(7, false);
    EXPECT_EQ(mot(10), 0);
    EXPECT_EQ(mot(4), 4);
    const int attendu[5][3] = {{1, 21, 2}, {9, 13, 3}, {26, 10, 19}, {9, 13, 3}, {36, 21, 3}};
    for (int k = 0; k < 5; ++k)
        for (int j = 0; j < 3; ++j) EXPECT_EQ(mot(16 + 16 * k + 2 * j), attendu[k][j]) << k;
    EXPECT_TRUE(zeros(16 + 16 * 5, 160));

    InitStructureFichierBTR(47, true);
    EXPECT_EQ(mot(0), 4082);
    EXPECT_EQ(mot(2), 4096);
}

TEST_F(CatalogueTest, FillingOverwritesAndLogsNothing) {
    FileInfo[3].RecordLength = 1;
    FileInfo[18].Name = QStringLiteral("X");
    InitGeneralData();
    EXPECT_EQ(FileInfo[3].RecordLength, 900);
    EXPECT_TRUE(FileInfo[18].Name.isEmpty());
    EXPECT_TRUE(lignesLog().isEmpty());
}

}  // namespace
