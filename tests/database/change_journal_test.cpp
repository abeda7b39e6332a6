#include "database/btrieve.h"
#include "database/change_journal.h"
#include "database/record_layouts.h"
#include "fake_record_manager.h"
#include "foundation/conversions.h"
#include "foundation/log_lists.h"
#include "platform/cp1252.h"
#include "record_files_fixture.h"
#include "platform/program_end.h"
#include "support/fixture.h"
#include "support/scripted_dialogs.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

const QString kSource = QStringLiteral("Lib_Test:Appelant");

struct Entree {
    QString cle;  // bytes 1-15
    QString date, heure, sequence, etat;
    int32_t idWeb = 0;
    QByteArray reserve;
};

Entree Lire(const QByteArray& r) {
    Entree e;
    e.cle = FromCp1252(r.left(15));
    e.date = FromCp1252(r.mid(15, 8));
    e.heure = FromCp1252(r.mid(23, 6));
    e.sequence = FromCp1252(r.mid(29, 2));
    e.etat = FromCp1252(r.mid(31, 1));
    std::memcpy(&e.idWeb, r.constData() + 32, 4);
    e.reserve = r.mid(36, 64);
    return e;
}

void Client(const QString& code, const QString& nom, const char idWeb[4]) {
    Vider(EnregClient);
    EcrireTexte(EnregClient.Code, code);
    EcrireTexte(EnregClient.Nom, nom);
    EcrireTexte(EnregClient.Etat, QStringLiteral("M"));
    std::memcpy(EnregClient.IdWeb, idWeb, 4);
}

// ---- On real files ------------------------------------------------------------------------------

class JournalTest : public KirvoTest {
protected:
    void SetUp() override {
        KirvoTest::SetUp();
        ReinitialiserEtatBTrieve();
        fichiers = std::make_unique<FichiersReels>(tmp.path());
        for (int f : {3, 8}) ASSERT_EQ(fichiers->ouvrir(f), 0) << f;
    }
    void TearDown() override {
        fichiers.reset();
        ReinitialiserEtatBTrieve();
        KirvoTest::TearDown();
    }
    std::vector<Entree> entrees() const {
        std::vector<Entree> r;
        for (const QByteArray& e : fichiers->enregistrements(8)) r.push_back(Lire(e));
        return r;
    }
    void ecrireClient(int16_t op) {
        QString cle = LireTexte(EnregClient.Code);
        if (op == BtrOp::Update) {
            const QByteArray image(reinterpret_cast<const char*>(&EnregClient), sizeof EnregClient);
            BTRieve(0, BtrOp::GetEqual, cle, 0, 3, 1, kSource);
            ASSERT_EQ(BtrStatus, 0);
            std::memcpy(&EnregClient, image.constData(), sizeof EnregClient);
        }
        BTRieve(0, op, cle, 0, 3, 1, kSource);
        ASSERT_EQ(BtrStatus, 0);
    }
    std::unique_ptr<FichiersReels> fichiers;
};

TEST_F(JournalTest, EachWriteLeavesOneEntryPerRecord) {
    const char id256[4] = {1, 1, 0, 0};
    Client(QStringLiteral("AB"), QStringLiteral("Martin"), id256);
    ecrireClient(BtrOp::Insert);
    auto e = entrees();
    ASSERT_EQ(e.size(), 1u);
    EXPECT_EQ(e[0].cle, QStringLiteral("S0301AB        "));
    EXPECT_EQ(e[0].date, QStringLiteral("20240305"));
    EXPECT_EQ(e[0].heure, QStringLiteral("140322"));
    EXPECT_EQ(e[0].sequence, QStringLiteral("01"));
    EXPECT_EQ(e[0].etat, QStringLiteral("O"));
    // The journal keeps the web id as a plain little-endian integer.
    EXPECT_EQ(e[0].idWeb, 256);
    EXPECT_EQ(fichiers->enregistrements(8)[0].mid(32, 4), QByteArray("\x00\x01\x00\x00", 4));
    EXPECT_EQ(e[0].reserve, QByteArray(64, ' '));

    // The second write refreshes the same entry.
    horloge.advance(65000);
    ecrireClient(BtrOp::Update);
    e = entrees();
    ASSERT_EQ(e.size(), 1u);
    EXPECT_EQ(e[0].heure, QStringLiteral("140427"));

    // A forced write replaces the normal entry with a forced one.
    bForcerEnvoiWeb = true;
    ecrireClient(BtrOp::Update);
    e = entrees();
    ASSERT_EQ(e.size(), 1u);
    EXPECT_EQ(e[0].cle, QStringLiteral("P0301AB        "));
    EXPECT_EQ(e[0].etat, QStringLiteral("M"));
    EXPECT_FALSE(TransactionActive);

    // Files 20 and above get the type "M" when forced.
    Vider(EnregArtiste);
    EcrireTexte(EnregArtiste.Code, QStringLiteral("ART01"));
    CreateRecord(0, 1, 20, BtrOp::Insert);
    bForcerEnvoiWeb = false;
    e = entrees();
    ASSERT_EQ(e.size(), 2u);
    EXPECT_TRUE(e[0].cle == QStringLiteral("M2001ART01     ") || e[1].cle == QStringLiteral("M2001ART01     "));
    EXPECT_TRUE(TestDialogs().shown.empty());
    EXPECT_EQ(Listes().incidents(0).count(), 0);
}

// A new entry waits for the disk like the record's own write; refreshing an entry that is stored
// already does not, and still lands: another program reads it at once and the files keep it
// after they are closed.
TEST_F(JournalTest, OnlyAnEntryRefreshGoesWithoutWaitingForTheDisk) {
    const char sansId[4] = {0, 0, 0, 0};
    const char id7[4] = {7, 0, 0, 0};
    struct Cas {
        const char* code;
        int16_t op;
        bool force;
        uint64_t commits;  // durable ones: the record's write and each new or forced entry
    };
    const Cas cas[] = {
        {"AB", BtrOp::Insert, false, 2}, {"AB", BtrOp::Update, false, 1}, {"CD", BtrOp::Insert, false, 2},
        {"AB", BtrOp::Update, false, 1}, {"CD", BtrOp::Update, true, 2},  // one transaction: its commit waits
        {"CD", BtrOp::Update, true, 2},  {"AB", BtrOp::Update, false, 1},
    };
    for (const Cas& c : cas) {
        Client(QString::fromLatin1(c.code), QStringLiteral("Martin"), c.op == BtrOp::Insert ? sansId : id7);
        bForcerEnvoiWeb = c.force;
        horloge.advance(1000);
        const uint64_t avant = BtrNbCommits();
        ecrireClient(c.op);
        bForcerEnvoiWeb = false;
        EXPECT_EQ(BtrNbCommits() - avant, c.commits) << c.code << " " << c.op << " " << c.force;
    }
    const auto verifier = [](const std::vector<QByteArray>& lues) {
        std::vector<Entree> e;
        for (const QByteArray& r : lues) e.push_back(Lire(r));
        ASSERT_EQ(e.size(), 2u);
        std::sort(e.begin(), e.end(), [](const Entree& a, const Entree& b) { return a.cle < b.cle; });
        EXPECT_EQ(e[0].cle, QStringLiteral("P0301CD        "));
        EXPECT_EQ(e[1].cle, QStringLiteral("S0301AB        "));
        EXPECT_EQ(e[1].heure, QStringLiteral("140329"));
        EXPECT_EQ(e[1].idWeb, 7);
    };
    verifier(fichiers->enregistrements(8));
    {
        AutreProgramme autre(fichiers->chemin(8));
        ASSERT_EQ(autre.statutOuverture(), 0);
        QByteArray d(LongueurEnregistrement(8), 0);
        ASSERT_EQ(autre.appel(BtrOp::GetEqual, d, "S0301AB        "), 0);
        EXPECT_EQ(Lire(d).heure, QStringLiteral("140329"));
    }
    fichiers.reset();
    ReinitialiserEtatBTrieve();
    fichiers = std::make_unique<FichiersReels>(tmp.path());
    ASSERT_EQ(fichiers->ouvrir(8), 0);
    verifier(fichiers->enregistrements(8));
    EXPECT_EQ(Listes().incidents(0).count(), 0);
}

TEST_F(JournalTest, NothingForOtherFilesOrBlankCodes) {
    const char zero[4] = {0, 0, 0, 0};
    Client(QStringLiteral(""), QStringLiteral("Sans code"), zero);
    for (int16_t fichier : {7, 3, 8, 0}) {
        BtrStatus = 42;
        CreateRecord(0, 1, fichier, BtrOp::Insert);
        EXPECT_EQ(BtrStatus, 42) << fichier;
    }
    // A buffer never filled names no record either.
    ReinitialiserTampons();
    CreateRecord(0, 1, 4, BtrOp::Insert);
    EXPECT_EQ(BtrStatus, 42);
    EXPECT_TRUE(entrees().empty());
    EXPECT_TRUE(BtrHistory[0][0].isEmpty());

    // A journalled write leaves the record buffer as the caller made it.
    Client(QStringLiteral("CD"), QStringLiteral("Durand"), zero);
    const QByteArray image(reinterpret_cast<const char*>(&EnregClient), sizeof EnregClient);
    CreateRecord(0, 1, 3, BtrOp::Insert);
    EXPECT_EQ(BtrStatus, 0);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(&EnregClient), sizeof EnregClient), image);
    ASSERT_EQ(entrees().size(), 1u);
}

TEST_F(JournalTest, StationZeroAndOtherStations) {
    ASSERT_EQ(fichiers->ouvrir(8, 2), 0);
    const char zero[4] = {0, 0, 0, 0};
    Client(QStringLiteral("EF"), QStringLiteral("Petit"), zero);
    CreateRecord(0, 0, 3, BtrOp::Insert);
    CreateRecord(0, 3, 3, BtrOp::Insert);
    QStringList cles;
    for (const Entree& e : entrees()) cles << e.cle;
    cles.sort();
    EXPECT_EQ(cles, (QStringList{QStringLiteral("S0301EF        "), QStringLiteral("S0303EF        ")}));
    EXPECT_EQ(Listes().incidents(0).count(), 0);
}

// ---- Against a scripted record manager ----------------------------------------------------------

class JournalScriptTest : public KirvoTest {
protected:
    void SetUp() override {
        KirvoTest::SetUp();
        ReinitialiserEtatBTrieve();
        rm = std::make_unique<FakeRecordManager>();
        FileOpen(0, 0, 8) = true;
        const char zero[4] = {0, 0, 0, 0};
        Client(QStringLiteral("AB"), QStringLiteral("Martin"), zero);
    }
    void TearDown() override {
        rm.reset();
        ReinitialiserEtatBTrieve();
        KirvoTest::TearDown();
    }
    QStringList incidents() const { return Listes().incidents(0).lines(); }
    std::unique_ptr<FakeRecordManager> rm;
};

TEST_F(JournalScriptTest, RefusedWriteLeavesAnIncident) {
    rm->statuts({4, 18});
    CreateRecord(0, 1, 3, BtrOp::Insert);
    EXPECT_EQ(BtrStatus, 0);
    EXPECT_EQ(rm->operations(), (std::vector<uint16_t>{5, 2}));
    ASSERT_EQ(incidents().size(), 1);
    EXPECT_TRUE(
        incidents()[0].endsWith(QStringLiteral("Err: Journal entry not written: Status: 18 Key: [S0301AB        ]")));
    // The direct write is never reported in a box.
    EXPECT_TRUE(TestDialogs().shown.empty());
}

TEST_F(JournalScriptTest, EntryWrittenMeanwhileIsRefreshed) {
    ReponseBtr relue;
    relue.status = 0;
    relue.data = QByteArray(1000, 'R');
    rm->statuts({4, 5});
    rm->script.push_back(relue);
    rm->statuts({0});
    JournalSynchro.Reserve[0] = 'X';  // what the entry read last left
    CreateRecord(0, 1, 3, BtrOp::Insert);
    ASSERT_EQ(rm->operations(), (std::vector<uint16_t>{5, 2, 5, 3}));
    EXPECT_TRUE(incidents().isEmpty());
    // The new entry started blank; the refreshed one keeps what was read around its fields.
    EXPECT_EQ(rm->appels[1].data.mid(36, 64), QByteArray(64, ' '));
    EXPECT_EQ(rm->appels[1].cle(), QByteArray(15, ' '));
    EXPECT_EQ(rm->appels[3].data.mid(36, 64), QByteArray(64, 'R'));
    EXPECT_EQ(rm->appels[3].cle(), QByteArray("S0301AB        "));
    EXPECT_EQ(rm->appels[3].data.left(31), QByteArray("S0301AB        2024030514032201"));
}

TEST_F(JournalScriptTest, ForcedWriteIsOneTransaction) {
    bForcerEnvoiWeb = true;
    // S found and deleted, P new and written: committed.
    rm->statuts({0, 0, 0, 4, 0, 0});
    CreateRecord(0, 1, 3, BtrOp::Update);
    EXPECT_EQ(rm->operations(), (std::vector<uint16_t>{19, 5, 4, 5, 2, 20}));
    EXPECT_EQ(rm->appels[1].cle(), QByteArray("S0301AB        "));
    EXPECT_EQ(rm->appels[3].cle(), QByteArray("P0301AB        "));
    EXPECT_TRUE(incidents().isEmpty());

    // The P entry refused: the S entry's deletion is undone.
    rm->appels.clear();
    rm->statuts({0, 0, 0, 4, 18, 0});
    CreateRecord(0, 1, 3, BtrOp::Update);
    EXPECT_EQ(rm->operations(), (std::vector<uint16_t>{19, 5, 4, 5, 2, 21}));
    ASSERT_EQ(incidents().size(), 1);
    EXPECT_TRUE(incidents()[0].endsWith(QStringLiteral("Status: 18 Key: [P0301AB        ]")));
    EXPECT_EQ(BtrStatus, 0);
}

TEST_F(JournalScriptTest, PositionBlockOfTheStation) {
    FileOpen(0, 2, 8) = true;
    PosBlk(0, 2, 8).fill('3');
    rm->statuts({4, 0});
    CreateRecord(0, 3, 3, BtrOp::Insert);
    ASSERT_EQ(rm->appels.size(), 2u);
    EXPECT_EQ(rm->appels[1].pos, QByteArray(kPosBlockSize, '3'));
    EXPECT_EQ(rm->appels[1].data.mid(1, 4), QByteArray("0303"));
    EXPECT_EQ(rm->appels[1].dataLen, 1000u);
}

}  // namespace
