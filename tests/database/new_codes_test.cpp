#include "database/btrieve.h"
#include "database/new_codes.h"
#include "database/record_layouts.h"
#include "fake_record_manager.h"
#include "foundation/globals.h"
#include "record_files_fixture.h"
#include "platform/program_end.h"
#include "support/fixture.h"
#include "support/scripted_dialogs.h"

#include <QDir>
#include <memory>
#include <tuple>
#include <vector>

namespace {

TEST(NewCodesPlusA, CountsOverDigitsAndLetters) {
    const std::pair<const char*, const char*> cas[] = {
        {"AAAAAAAA", "AAAAAAAB"},
        {"AAAAAAAZ", "AAAAAAB0"},
        {"00000009", "0000000A"},
        {"ab9z", "abA0"},
        {"ZZZZ", "0000"},
        {"A-Z", "A-0"},
        {"AB  ", "AB01"},
        {"0000000Z", "00000010"},
        {"zz", "00"},
        {"a-", "a-"},
        {"", ""},
    };
    for (const auto& [code, attendu] : cas)
        EXPECT_EQ(DetermineNouveauCodePlusA(QString::fromLatin1(code), QString()), QString::fromLatin1(attendu))
            << code;
    EXPECT_EQ(DetermineNouveauCodePlusA(QStringLiteral("12"), QStringLiteral("X")), QStringLiteral("13X"));
    EXPECT_EQ(DetermineNouveauCodePlusA(QString(), QStringLiteral("X")), QStringLiteral("X"));
}

TEST(NewCodesNumeric, WholeTextReadsAsANumber) {
    for (const char* oui : {"00000041", " 42     ", "12E4", "1.5", "-3", "+7", ".5"})
        EXPECT_TRUE(EstNumerique(QString::fromLatin1(oui))) << oui;
    for (const char* non : {"", "   ", "ABC", "1-2", "0000000A", "12E", "1.2.3", "4 2"})
        EXPECT_FALSE(EstNumerique(QString::fromLatin1(non))) << non;
}

class NewCodesTest : public KirvoTest {
protected:
    void SetUp() override {
        KirvoTest::SetUp();
        ReinitialiserEtatBTrieve();
        fichiers = std::make_unique<FichiersReels>(tmp.path());
        for (int f : {3, 4}) ASSERT_EQ(fichiers->ouvrir(f), 0) << f;
    }
    void TearDown() override {
        fichiers.reset();
        ReinitialiserEtatBTrieve();
        KirvoTest::TearDown();
    }
    // A record with that code, written straight into the file.
    void code(int f, const QString& c) {
        ViderEnreg(f);
        EcrireTexte(static_cast<char*>(EnregFichier(f)->Donnees), f == 3 ? 8 : 10, c);
        const int32_t lng = LongueurEnregistrement(f);
        QByteArray data(lng, '\0');
        VersImageStockee(f, data.data(), lng);
        char cle[255] = {};
        uint32_t n = uint32_t(lng);
        ASSERT_EQ(BTRCALL(BtrOp::Insert, PosBlk(0, 0, f).data(), data.data(), &n, cle, 255, 0), 0) << c.toStdString();
    }
    QString client() {
        return DetermineNouveauCode(0, 1, QString(), QStringLiteral("00000001"), QStringLiteral("ZZZZZZZZ"), 3);
    }
    std::unique_ptr<FichiersReels> fichiers;
};

TEST_F(NewCodesTest, PlusUnIncrementsTheRecordRead) {
    const std::tuple<int16_t, const char*, const char*> cas[] = {
        {3, "00000041", "00000042"},     {3, "41      ", "00000042"}, {4, "0000000099", "0000000100"},
        {4, "2147483647", "2147483647"}, {1, "9", "00000010"},        {2, "", "0000000001"},
    };
    for (const auto& [f, c, attendu] : cas) {
        ViderEnreg(f);
        EcrireTexte(static_cast<char*>(EnregFichier(f)->Donnees), f == 1 || f == 3 ? 8 : 10, QString::fromLatin1(c));
        EXPECT_EQ(DetermineNouveauCodePlusUn(f), QString::fromLatin1(attendu)) << f << " " << c;
    }
    EXPECT_EQ(DetermineNouveauCodePlusUn(5), QString());
}

TEST_F(NewCodesTest, FreeCodeAfterTheHighestNumericOne) {
    struct Cas {
        const char* nom;
        std::vector<const char*> codes;
        const char* attendu;
    };
    const Cas cas[] = {
        {"fichier vide", {}, "00000001"},
        {"après le plus haut", {"00000041", "00000007"}, "00000042"},
        {"les numériques d'abord", {"00000041", "ABC"}, "00000042"},
        {"seulement des lettres", {"ABC", "XYZ"}, "00000001"},
        {"numéro court seul", {"42"}, "00000001"},
        {"au-dessous du numéro court", {"00000007", "42"}, "00000008"},
        {"après les neufs", {"99999999"}, "AAAAAAAB"},
        {"lettres après les neufs", {"99999999", "AAAAAAAB"}, "AAAAAAAC"},
        {"trou trouvé par le parcours",
         {"00000001", "00000002", "00000004", "99999999", "AAAAAAAB", "ABCDEFG-"},
         "00000003"},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.nom);
        fichiers.reset();
        ReinitialiserEtatBTrieve();
        QDir(tmp.path()).removeRecursively();
        QDir().mkpath(tmp.path());
        fichiers = std::make_unique<FichiersReels>(tmp.path());
        ASSERT_EQ(fichiers->ouvrir(3), 0);
        for (const char* k : c.codes) code(3, QString::fromLatin1(k));
        EXPECT_EQ(client(), QString::fromLatin1(c.attendu));
        EXPECT_TRUE(TestDialogs().shown.empty());
    }
}

TEST_F(NewCodesTest, SuccessiveCodesAndTheWiderProducts) {
    QStringList obtenus;
    for (int i = 0; i < 11; ++i) {
        const QString c = client();
        obtenus << c;
        code(3, c);
    }
    EXPECT_EQ(obtenus.first(), QStringLiteral("00000001"));
    EXPECT_EQ(obtenus[8], QStringLiteral("00000009"));
    EXPECT_EQ(obtenus.last(), QStringLiteral("00000011"));

    code(4, QStringLiteral("0000000099"));
    EXPECT_EQ(DetermineNouveauCode(0, 1, QString(), QStringLiteral("0000000001"), QStringLiteral("ZZZZZZZZZZ"), 4),
              QStringLiteral("0000000100"));
}

// Nothing left to count to: the user is told and may type a code.
TEST_F(NewCodesTest, RangeExhaustedAsksTheUser) {
    code(4, QStringLiteral("2147483647"));
    const auto produit = [] {
        return DetermineNouveauCode(0, 1, QString(), QStringLiteral("0000000001"), QStringLiteral("ZZZZZZZZZZ"), 4);
    };
    TestDialogs().answers = {Mb::OK, Mb::Yes};
    TestDialogs().inputs = {QStringLiteral("X123")};
    EXPECT_EQ(produit(), QStringLiteral("X123"));
    const auto& b = TestDialogs().shown;
    ASSERT_EQ(b.size(), 3u);
    EXPECT_EQ(b[0].prompt,
              QStringLiteral("Attention la numérotation reste limitée à ZZZZZ\r\n\r\nEt ce code existe déjà."));
    EXPECT_EQ(b[0].style, Mb::OKOnly | Mb::Critical);
    EXPECT_TRUE(b[1].prompt.startsWith(QStringLiteral("Voulez-vous saisir manuellement un code ?\r\n\r\nAttention,")));
    EXPECT_EQ(b[1].style, Mb::YesNo | Mb::Question);
    EXPECT_EQ(b[2].prompt, QStringLiteral("Nouvel Id"));

    TestDialogs().reset();
    TestDialogs().answers = {Mb::OK, Mb::No};
    EXPECT_EQ(produit(), QString());
    TestDialogs().reset();
    TestDialogs().answers = {Mb::OK, Mb::Yes};
    TestDialogs().inputs = {QString()};  // Cancel
    EXPECT_EQ(produit(), QString());
}

class NewCodesScriptTest : public KirvoTest {
protected:
    void SetUp() override {
        KirvoTest::SetUp();
        ReinitialiserEtatBTrieve();
        rm = std::make_unique<FakeRecordManager>();
        FileOpen(0, 0, 3) = true;
    }
    void TearDown() override {
        rm.reset();
        ReinitialiserEtatBTrieve();
        KirvoTest::TearDown();
    }
    std::unique_ptr<FakeRecordManager> rm;
};

// A status that keeps coming back is reported once; then the user decides.
TEST_F(NewCodesScriptTest, PersistentStatusIsReportedOnce) {
    struct Cas {
        const char* nom;
        std::vector<int16_t> statuts;
        std::vector<uint16_t> ops;
    };
    const Cas cas[] = {
        {"pendant la vérification", {9}, {11, 5}},
        {"pendant la recherche", {}, {11}},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.nom);
        rm->appels.clear();
        rm->script.clear();
        for (int16_t s : c.statuts) rm->statuts({s});
        rm->parDefaut.status = 2;
        TestDialogs().reset();
        TestDialogs().answers = {Mb::Abort, Mb::OK, Mb::No};
        EXPECT_EQ(DetermineNouveauCode(0, 1, QString(), QStringLiteral("00000001"), QStringLiteral("ZZZZZZZZ"), 3),
                  QString());
        EXPECT_EQ(rm->operations(), c.ops);
        // The wrapper's report (the search's own report of the same failure shows nothing more),
        // then the question.
        ASSERT_EQ(TestDialogs().shown.size(), 3u);
        EXPECT_TRUE(
            TestDialogs().shown[0].prompt.contains(QStringLiteral("Err: 2: The application encountered an I/O error")));
        EXPECT_TRUE(TestDialogs().shown[1].prompt.startsWith(QStringLiteral("Attention la numérotation")));
    }
}

TEST_F(NewCodesScriptTest, NothingWhileClosing) {
    bFermetureEnCours = true;
    EXPECT_EQ(DetermineNouveauCode(0, 1, QString(), QStringLiteral("00000001"), QStringLiteral("ZZZZZZZZ"), 3),
              QString());
    EXPECT_TRUE(rm->appels.empty());
    EXPECT_TRUE(TestDialogs().shown.empty());
}

}  // namespace
