#include "database/btrieve.h"
#include "database/change_journal.h"
#include "database/open_close.h"
#include "database/record_layouts.h"
#include "fake_record_manager.h"
#include "foundation/conversions.h"
#include "foundation/globals.h"
#include "foundation/log_lists.h"
#include "foundation/shell_link.h"
#include "platform/cp1252.h"
#include "record_files_fixture.h"
#include "platform/program_end.h"
#include "support/fixture.h"
#include "support/scripted_dialogs.h"

#include <QDir>
#include <QFile>
#include <cstring>
#include <map>
#include <memory>

namespace {

const QString kSource = QStringLiteral("Lib_Test:Appelant");

class WrapperTest : public KirvoTest {
protected:
    void SetUp() override {
        KirvoTest::SetUp();
        ReinitialiserEtatBTrieve();
        rm = std::make_unique<FakeRecordManager>();
        for (int f : {1, 2, 3, 4, 5, 6, 7, 8, 9, 34, 35}) FileOpen(0, 0, f) = true;
    }
    void TearDown() override {
        rm.reset();
        ReinitialiserEtatBTrieve();
        KirvoTest::TearDown();
    }
    // Milliseconds the wrapper waited since the mark.
    uint64_t attendu() const { return horloge.uptimeMs() - marque; }
    void marquer() { marque = horloge.uptimeMs(); }

    std::unique_ptr<FakeRecordManager> rm;
    uint64_t marque = 0;
};

// What the wrapper does with each status: how often it calls, how long it waits, whether it
// reports, and what the caller gets.
TEST_F(WrapperTest, StatusDecidesRetryReportAndResult) {
    struct Cas {
        const char* nom;
        int16_t op;
        int16_t fichier;
        std::vector<int16_t> statuts;  // answers in order
        int16_t ensuite;               // answer once they are used up
        int16_t attenduStatut;
        std::vector<uint16_t> ops;
        int boites;
        uint64_t attente;
        bool abandon;
    };
    // A conflict's re-read goes by the record's own position: Get Position, then Get Direct.
    std::vector<uint16_t> conflitsSansFin;
    // (A re-read that meets the conflict too stops at Get Position.)
    for (int i = 0; i < 10; ++i) conflitsSansFin.insert(conflitsSansFin.end(), {3, 22});
    conflitsSansFin.push_back(3);
    const std::vector<uint16_t> verrousSansFin(11, 5);
    std::vector<uint16_t> melange = {3, 22, 23};
    for (int i = 0; i < 10; ++i) melange.push_back(3);

    const Cas cas[] = {
        {"succès", 5, 7, {0}, 0, 0, {5}, 0, 0, false},
        {"clé absente", 5, 7, {4}, 0, 4, {5}, 0, 0, false},
        {"fin de fichier", 6, 7, {9}, 0, 9, {6}, 0, 0, false},
        {"doublon à l'insertion", 2, 7, {5}, 0, 5, {2}, 0, 0, false},
        {"clé absente à l'insertion", 2, 7, {4}, 0, 4, {2}, 1, 0, false},
        {"doublon à la suppression", 4, 7, {5}, 0, 5, {4}, 0, 0, false},
        {"erreur d'entrée-sortie", 5, 7, {2}, 0, 2, {5}, 1, 0, false},
        {"7 en mise à jour du fichier 35", 3, 35, {7}, 0, 7, {3}, 0, 0, false},
        {"7 en lecture suivante du fichier 34", 6, 34, {7}, 0, 7, {6}, 0, 0, false},
        {"7 puis relecture réussie", 6, 7, {7, 0}, 0, 7, {6, 5}, 0, 0, false},
        {"7 puis relecture refusée", 7, 7, {7, 4}, 0, 7, {7, 5}, 1, 0, false},
        {"7 sur une autre opération: un seul rapport", 5, 7, {}, 7, 7, {5}, 1, 0, false},
        {"54 en mise à jour du fichier 35", 3, 35, {54}, 0, 0, {3}, 0, 0, false},
        {"54 ailleurs", 5, 7, {54}, 0, 54, {5}, 1, 0, false},
        {"conflit puis écriture", 3, 7, {80, 0, 0, 0}, 0, 0, {3, 22, 23, 3}, 0, 500, false},
        {"conflit à la suppression", 4, 7, {80, 0, 0, 0}, 0, 0, {4, 22, 23, 4}, 0, 500, false},
        {"conflits sans fin", 3, 7, {}, 80, 80, conflitsSansFin, 1, 5000, true},
        {"verrou puis lecture", 5, 7, {84, 0}, 0, 0, {5, 5}, 0, 1000, false},
        {"verrous sans fin", 5, 7, {}, 85, 85, verrousSansFin, 1, 10000, false},
        {"conflit et verrous: un seul compte", 3, 7, {80, 0, 0}, 85, 85, melange, 1, 500 + 9 * 1000, false},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.nom);
        rm->appels.clear();
        rm->script.clear();
        for (int16_t s : c.statuts) rm->statuts({s});
        rm->parDefaut = ReponseBtr{};
        rm->parDefaut.status = c.ensuite;
        TestDialogs().reset();
        marquer();
        QString cle = QString(21, QLatin1Char('k'));
        BTRieve(0, c.op, cle, 0, c.fichier, 1, kSource);
        EXPECT_EQ(BtrStatus, c.attenduStatut);
        EXPECT_EQ(rm->operations(), c.ops);
        EXPECT_EQ(int(TestDialogs().shown.size()), c.boites);
        EXPECT_EQ(attendu(), c.attente);
        EXPECT_EQ(BtrGaveUp, c.abandon);
        EXPECT_TRUE(BtrHistory[0][0].startsWith(QStringLiteral("S:") + N2S(c.attenduStatut, 5, 0, QStringLiteral("0"))))
            << BtrHistory[0][0].toStdString();
    }
}

// A conflict refreshes the position only: the repeated update still writes what the caller put
// into the record buffer, and the buffer keeps it.
TEST_F(WrapperTest, ConflictRereadKeepsTheCallersRecord) {
    Vider(EnregDatePassage);
    EcrireTexte(EnregDatePassage.Code, QStringLiteral("NOUVEA"));
    EnregDatePassage.Duree = 30;
    // The re-read by position, on every key number: duplicates included.
    for (const int16_t numeroCle : {int16_t(0), int16_t(1)}) {
        SCOPED_TRACE(numeroCle);
        rm->appels.clear();
        rm->script.clear();
        rm->parDefaut = ReponseBtr{};
        PosBlk(0, 0, 7).fill(' ');
        rm->statuts({80});
        ReponseBtr position;
        position.data = QByteArray("\x2a\0\0\0", 4);
        rm->script.push_back(position);
        ReponseBtr relu;
        relu.data = QByteArray(100, 'S');
        relu.key = QByteArray("ZZZZ");
        relu.pos = QByteArray("bloc-relu");
        rm->script.push_back(relu);
        rm->statuts({0});
        QString cle = numeroCle == 0 ? QStringLiteral("NOUVEA012024030511400") : QStringLiteral("2024030511400");
        const QString avant = cle;
        BTRieve(0, BtrOp::Update, cle, numeroCle, 7, 1, kSource);
        ASSERT_EQ(rm->operations(), (std::vector<uint16_t>{3, 22, 23, 3}));
        EXPECT_EQ(rm->appels[1].keyNum, numeroCle);
        EXPECT_EQ(rm->appels[2].keyNum, numeroCle);
        EXPECT_EQ(rm->appels[2].data.left(4), QByteArray("\x2a\0\0\0", 4));  // the position handed back
        EXPECT_EQ(BtrStatus, 0);
        EXPECT_EQ(rm->appels[3].data, rm->appels[0].data);
        EXPECT_TRUE(rm->appels[3].pos.startsWith("bloc-relu"));
        EXPECT_EQ(QByteArray(PosBlk(0, 0, 7).data(), 9), QByteArray("bloc-relu"));
        EXPECT_EQ(LireTexte(EnregDatePassage.Code), QStringLiteral("NOUVEA"));
        EXPECT_EQ(EnregDatePassage.Duree, 30);
        EXPECT_EQ(cle, avant);
        EXPECT_TRUE(TestDialogs().shown.empty());
    }
}

TEST_F(WrapperTest, HistoryKeepsTheLastSixCallsWithTheirStatus) {
    rm->statuts({4});
    QString cle = QStringLiteral("AB\x01");
    BTRieve(0, BtrOp::GetEqual, cle, 0, 7, 1, kSource);
    EXPECT_EQ(BtrHistory[0][0], QStringLiteral("S:00004 File:07 Station:1 OP:05 K:00 [AB ] [Lib_Test:Appelant]"));

    // No caller key: no line, and the newest line keeps its prefix.
    rm->statuts({9});
    BTRieve(0, BtrOp::GetNext, cle, 0, 7, 1, QStringLiteral("  "));
    EXPECT_EQ(BtrHistory[0][0], QStringLiteral("S:00004 File:07 Station:1 OP:05 K:00 [AB ] [Lib_Test:Appelant]"));
    EXPECT_TRUE(BtrHistory[0][1].isEmpty());

    FileOpen(0, 2, 7) = true;
    for (int i = 1; i <= 6; ++i) {
        QString k = QStringLiteral("K%1").arg(i);
        BTRieve(0, BtrOp::GetGreaterOrEqual, k, 2, 7, 3, kSource);
    }
    EXPECT_EQ(BtrHistory[0][0], QStringLiteral("S:00000 File:07 Station:3 OP:09 K:02 [K6] [Lib_Test:Appelant]"));
    EXPECT_EQ(BtrHistory[0][5], QStringLiteral("S:00000 File:07 Station:3 OP:09 K:02 [K1] [Lib_Test:Appelant]"));
    EXPECT_TRUE(BtrHistory[1][0].isEmpty());

    // A begin of concurrent transaction shows its last two digits.
    FileOpen(2, 0, 7) = true;
    QString vide;
    BTRieve(2, BtrOp::BeginConcurrentTransaction, vide, 0, 7, 1, kSource);
    EXPECT_TRUE(BtrHistory[2][0].startsWith(QStringLiteral("S:00000 File:07 Station:1 OP:19 K:00 [] [")));
}

TEST_F(WrapperTest, StationAboveTenIsRefusedWithoutCall) {
    for (auto [op, statut] :
         {std::pair<int16_t, int16_t>{BtrOp::GetEqual, 4}, {BtrOp::GetNext, 9}, {BtrOp::Update, 9}}) {
        TestDialogs().reset();
        Vider(EnregClient);
        EcrireTexte(EnregClient.Etat, QStringLiteral("X"));
        QString cle = QStringLiteral("00000001");
        BTRieve(0, op, cle, 0, 3, 11, kSource);
        EXPECT_EQ(BtrStatus, statut);
        ASSERT_EQ(TestDialogs().shown.size(), 1u);
        EXPECT_EQ(TestDialogs().shown[0].prompt, QStringLiteral("N° station hors limite:11"));
        EXPECT_EQ(TestDialogs().shown[0].title, QStringLiteral("BTrieve (Source:Lib_Test:Appelant)"));
        EXPECT_TRUE(BtrHistory[0][0].startsWith(QStringLiteral("File:03 Station:11 OP:")));
        // Reads are still normalised; writes are not.
        EXPECT_EQ(LireTexte(EnregClient.Etat), op == BtrOp::Update ? QStringLiteral("X") : QStringLiteral("N"));
    }
    // Not even a journal entry for the refused update.
    EXPECT_TRUE(rm->appels.empty());
}

// The boxes as the user meets them, with what the day's log held when each showed.
class BoitesEtJournal : public ScriptedDialogs {
public:
    QStringList journalALaBoite;
    int msgBox(const QString& prompt, int style, const QString& title) override {
        journalALaBoite << QString::fromLatin1(LireFichierTest(CheminLog + QStringLiteral("20240305.Log")));
        return ScriptedDialogs::msgBox(prompt, style, title);
    }
};

// The end of the program after a call on a file that is not open, whatever the user answers to
// the report: the day's log says why and which file before the first box, and the report says it.
TEST_F(WrapperTest, FileNotOpenEndsTheProgram) {
    CheminLog = tmp.path() + QStringLiteral("/log/");
    QDir().mkpath(CheminLog);
    bFrmSetupChargee = true;
    FileOpen(0, 0, 3) = false;
    FileFullName(0, 3, 0) = QStringLiteral("/base/FRAD003.bt6");
    const QString ligneAttendue = QStringLiteral(
        "Err: BTRieve: Base: 0 Station: 1 File: 3 FRAD003 (Clients) not open (/base/FRAD003.bt6) "
        "[Lib_Test:Appelant]: the program ends");
    for (const int reponse : {Mb::Abort, Mb::Retry, Mb::Ignore}) {
        SCOPED_TRACE(reponse);
        QFile::remove(CheminLog + QStringLiteral("20240305.Log"));
        rm->appels.clear();
        int quitter = 0;
        SetQuitterFrmMain([&](bool) { ++quitter; });
        BoitesEtJournal d;
        d.answers = {Mb::OK, reponse};
        SetDialogues(&d);
        QString cle = QStringLiteral("00000001");
        int code = 0;
        try {
            BTRieve(0, BtrOp::GetEqual, cle, 0, 3, 1, kSource);
            ADD_FAILURE() << "the program did not end";
        } catch (const ProgramEnded& e) {
            code = e.code;
        }
        // An end on an error is not a success for whoever started the program.
        EXPECT_NE(code, 0);
        SetDialogues(&TestDialogs());
        SetQuitterFrmMain({});

        EXPECT_EQ(BtrStatus, 20);
        ASSERT_EQ(d.shown.size(), 2u);
        EXPECT_EQ(d.journalALaBoite[0].count(ligneAttendue), 1) << d.journalALaBoite[0].toStdString();
        EXPECT_EQ(QString::fromLatin1(LireFichierTest(CheminLog + QStringLiteral("20240305.Log"))).count(ligneAttendue),
                  1);
        EXPECT_EQ(d.shown[0].prompt, QStringLiteral("Fichier #: 3 non ouvert\r\n(Source:Lib_Test:Appelant)"));
        EXPECT_TRUE(
            d.shown[1].prompt.contains(QStringLiteral("Err: 20: Fichier non ouvert, le programme va s'arrêter\n")))
            << d.shown[1].prompt.toStdString();
        EXPECT_TRUE(d.shown[1].prompt.contains(QStringLiteral(" 0>S:00020 File:03 Station:1 OP:05")));
        // Retry and Ignore ask the quit question first; the end comes whatever its answer.
        EXPECT_EQ(quitter, reponse == Mb::Abort ? 0 : 1);
        // Nothing read; every file released on the way out.
        EXPECT_EQ(rm->operations(), std::vector<uint16_t>{BtrOp::Stop});
    }

    // While the program closes the same call does nothing.
    TestDialogs().reset();
    rm->appels.clear();
    bFermetureEnCours = true;
    BtrStatus = 42;
    QString cle = QStringLiteral("00000001");
    BTRieve(0, BtrOp::GetEqual, cle, 0, 3, 1, kSource);
    EXPECT_EQ(BtrStatus, 42);
    EXPECT_TRUE(rm->appels.empty());
    EXPECT_TRUE(TestDialogs().shown.empty());
}

TEST_F(WrapperTest, ClosingLeavesTheRetryLoop) {
    bFermetureEnCours = true;
    rm->parDefaut.status = 85;
    QString cle = QStringLiteral("x");
    BTRieve(0, BtrOp::GetEqual, cle, 0, 7, 1, kSource);
    EXPECT_EQ(BtrStatus, 85);
    EXPECT_EQ(rm->appels.size(), 1u);
    EXPECT_TRUE(TestDialogs().shown.empty());
}

// After every read the synchronisation fields of files 1 to 6 are made valid.
TEST_F(WrapperTest, ReadsNormaliseTheSynchronisationFields) {
    struct Cas {
        int16_t fichier;
        const char* etat;
        const char* flag;
        const char* etatApres;
        const char* flagApres;
        bool idRemis;
    };
    const Cas cas[] = {
        {1, "X", " ", "N", "O", true},  {1, "O", " ", "O", "O", false}, {1, "M", "N", "M", "N", false},
        {2, "X", "?", "N", "O", true},  {2, "S", "O", "S", "O", false}, {3, " ", " ", "N", "N", true},
        {3, "C", "O", "C", "O", false}, {3, "S", "X", "S", "N", false}, {4, "N", "Z", "N", "O", false},
        {4, "o", "n", "N", "O", true},  {5, "Q", "", "N", "", true},    {6, "x", "Q", "N", "Q", true},
        {6, "O", " ", "O", " ", false},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(testing::Message() << c.fichier << " " << c.etat << "/" << c.flag);
        ViderEnreg(c.fichier);
        const ChampsSynchro z = ChampsSynchroFichier(c.fichier);
        *z.Etat = c.etat[0];
        if (z.FlagWeb) *z.FlagWeb = c.flag[0];
        MKLOctets(123456, z.IdWeb);
        // End of file still normalises what the buffer holds.
        rm->statuts({9});
        QString cle = QStringLiteral("k");
        BTRieve(0, BtrOp::GetNext, cle, 0, c.fichier, 1, kSource);
        EXPECT_EQ(*z.Etat, c.etatApres[0]);
        if (z.FlagWeb) {
            EXPECT_EQ(*z.FlagWeb, c.flagApres[0]);
        }
        EXPECT_EQ(CVLOctets(z.IdWeb), c.idRemis ? 0 : 123456);
    }
    // Writes and deletes leave the record as the caller made it.
    ViderEnreg(3);
    EcrireTexte(EnregClient.Etat, QStringLiteral("X"));
    rm->statuts({0});
    QString cle = QStringLiteral("00000001");
    BTRieve(0, BtrOp::Delete, cle, 0, 3, 1, kSource);
    EXPECT_EQ(LireTexte(EnregClient.Etat), QStringLiteral("X"));
}

TEST_F(WrapperTest, KeyBufferAndLengths) {
    // An empty key goes as 100 blanks, and the caller's variable holds them after the call.
    QString vide;
    BTRieve(0, BtrOp::GetFirst, vide, 0, 7, 1, kSource);
    EXPECT_EQ(vide, QString(100, QLatin1Char(' ')));
    EXPECT_EQ(rm->appels[0].cle(), QByteArray(100, ' '));
    EXPECT_EQ(rm->appels[0].key.size(), 255);
    EXPECT_TRUE(BtrHistory[0][0].contains(QStringLiteral(" K:00 [] [")));

    // Less-or-equal: characters of code 255 become "z", in the caller's key too.
    rm->appels.clear();
    QString haut = QStringLiteral("AB") + Chr(255) + Chr(255);
    BTRieve(0, BtrOp::GetLessOrEqual, haut, 0, 7, 1, kSource);
    EXPECT_EQ(rm->appels[0].cle(), QByteArray("ABzz"));
    EXPECT_EQ(haut, QStringLiteral("ABzz"));

    // The key comes back as the record manager left it, at the length it had.
    rm->appels.clear();
    ReponseBtr r;
    r.key = QByteArray("00000042XYZ");
    r.dataLen = 10;  // a stranger's length: never kept
    rm->script.push_back(r);
    QString cle = QStringLiteral("00000040");
    BTRieve(0, BtrOp::GetGreaterOrEqual, cle, 0, 3, 1, kSource);
    EXPECT_EQ(cle, QStringLiteral("00000042"));
    EXPECT_EQ(RecLen[3], 900);
    BTRieve(0, BtrOp::GetNext, cle, 0, 3, 1, kSource);
    EXPECT_EQ(rm->appels[1].dataLen, 900u);
    EXPECT_EQ(rm->appels[1].data.size(), 900);

    // The stored form: the client's 900 bytes of its 904-byte layout; the journal's 1000 bytes
    // of its 100-byte layout, the rest codes 0.
    rm->appels.clear();
    Vider(JournalSynchro);
    QString j = QStringLiteral("S0301AB");
    BTRieve(0, BtrOp::GetEqual, j, 0, 8, 1, kSource);
    ASSERT_EQ(rm->appels[0].data.size(), 1000);
    EXPECT_EQ(rm->appels[0].data.mid(100), QByteArray(900, '\0'));

    // Station 0 runs as station 1: its block, its history line.
    rm->appels.clear();
    ReponseBtr b;
    b.pos = QByteArray("station-1");
    rm->script.push_back(b);
    BTRieve(0, BtrOp::GetEqual, cle, 0, 7, 0, kSource);
    EXPECT_EQ(QByteArray(PosBlk(0, 0, 7).data(), 9), QByteArray("station-1"));
    EXPECT_TRUE(BtrHistory[0][0].contains(QStringLiteral(" Station:1 ")));
}

TEST_F(WrapperTest, FileWithoutRecordBufferIsRefused) {
    QString cle = QStringLiteral("0000000001");
    BTRieve(0, BtrOp::GetEqual, cle, 0, 9, 1, kSource);
    EXPECT_EQ(BtrStatus, 1);
    EXPECT_TRUE(rm->appels.empty());
    ASSERT_EQ(TestDialogs().shown.size(), 1u);
    EXPECT_TRUE(TestDialogs().shown[0].prompt.contains(QStringLiteral("Err: 1: The operation parameter is invalid\n")));
    ASSERT_EQ(Listes().incidents(0).count(), 1);
    EXPECT_TRUE(
        Listes().incidents(0).at(0).endsWith(QStringLiteral("Err: BTRieve: No record buffer for file: 9 OP: 5")));
}

TEST_F(WrapperTest, TransactionsAreFollowed) {
    QString cle;
    BtrStatus = 42;
    BTRieve(0, BtrOp::EndTransaction, cle, 0, 7, 1, kSource);
    EXPECT_EQ(BtrStatus, 42);
    EXPECT_TRUE(rm->appels.empty());
    EXPECT_TRUE(BtrHistory[0][0].isEmpty());

    BTRieve(0, BtrOp::BeginTransaction, cle, 0, 7, 1, kSource);
    EXPECT_TRUE(TransactionActive);
    BTRieve(0, BtrOp::AbortTransaction, cle, 0, 7, 1, kSource);
    EXPECT_FALSE(TransactionActive);
    EXPECT_EQ(rm->operations(), (std::vector<uint16_t>{19, 21}));
}

// ---- The same paths on the real record manager ----------------------------------------------

class WrapperRealFilesTest : public KirvoTest {
protected:
    void SetUp() override {
        KirvoTest::SetUp();
        ReinitialiserEtatBTrieve();
        fichiers = std::make_unique<FichiersReels>(tmp.path());
        for (int f : {3, 7, 8}) ASSERT_EQ(fichiers->ouvrir(f), 0) << f;
    }
    void TearDown() override {
        fichiers.reset();
        ReinitialiserEtatBTrieve();
        KirvoTest::TearDown();
    }
    void client(const QString& code, const QString& nom) {
        Vider(EnregClient);
        EcrireTexte(EnregClient.Code, code);
        EcrireTexte(EnregClient.Nom, nom);
        EcrireTexte(EnregClient.Etat, QStringLiteral("C"));
        EcrireTexte(EnregClient.FlagWeb, QStringLiteral("O"));
        MKLOctets(77, EnregClient.IdWeb);
    }
    std::unique_ptr<FichiersReels> fichiers;
};

TEST_F(WrapperRealFilesTest, WritesAndReadsClients) {
    client(QStringLiteral("00000002"), QStringLiteral("Martin"));
    QString cle = QStringLiteral("00000002");
    BTRieve(0, BtrOp::Insert, cle, 0, 3, 1, kSource);
    ASSERT_EQ(BtrStatus, 0);
    client(QStringLiteral("00000001"), QStringLiteral("Durand"));
    cle = QStringLiteral("00000001");
    BTRieve(0, BtrOp::Insert, cle, 0, 3, 1, kSource);
    ASSERT_EQ(BtrStatus, 0);

    // A second insert of the same code: 5, not reported.
    BTRieve(0, BtrOp::Insert, cle, 0, 3, 1, kSource);
    EXPECT_EQ(BtrStatus, 5);
    EXPECT_TRUE(TestDialogs().shown.empty());

    Vider(EnregClient);
    cle = QStringLiteral("00000002");
    BTRieve(0, BtrOp::GetEqual, cle, 0, 3, 1, kSource);
    ASSERT_EQ(BtrStatus, 0);
    EXPECT_EQ(LireTexte(EnregClient.Nom).trimmed(), QStringLiteral("Martin"));
    EXPECT_EQ(CVLOctets(EnregClient.IdWeb), 77);

    // Walk key 0 from the first code to the end.
    QStringList codes;
    cle = QStringLiteral("00000000");
    BTRieve(0, BtrOp::GetGreaterOrEqual, cle, 0, 3, 1, kSource);
    while (BtrStatus == 0) {
        codes << cle;
        BTRieve(0, BtrOp::GetNext, cle, 0, 3, 1, kSource);
    }
    EXPECT_EQ(BtrStatus, 9);
    EXPECT_EQ(codes, (QStringList{QStringLiteral("00000001"), QStringLiteral("00000002")}));

    // The read record is the one deleted.
    cle = QStringLiteral("00000001");
    BTRieve(0, BtrOp::GetEqual, cle, 0, 3, 1, kSource);
    BTRieve(0, BtrOp::Delete, cle, 0, 3, 1, kSource);
    EXPECT_EQ(BtrStatus, 0);
    BTRieve(0, BtrOp::GetEqual, cle, 0, 3, 1, kSource);
    EXPECT_EQ(BtrStatus, 4);
    EXPECT_TRUE(TestDialogs().shown.empty());

    // Each write left one journal entry per client (the duplicate included: the entry exists
    // whatever the write gave).
    EXPECT_EQ(fichiers->enregistrements(8).size(), 2u);
}

// A record read through a key that allows duplicates, changed by another handle before the
// update: the re-read goes by the record's own position, not to the first of its duplicates,
// and the retried update writes the caller's record onto the record it read.
TEST_F(WrapperRealFilesTest, ConflictOnADuplicateKeyRetriesOnTheRecordRead) {
    const auto passage = [](const QString& code, float duree) {
        Vider(EnregDatePassage);
        EcrireTexte(EnregDatePassage.Code, code);
        EcrireTexte(EnregDatePassage.Sequence, QStringLiteral("01"));
        EcrireTexte(EnregDatePassage.Date, QStringLiteral("20240305"));  // same key 1 for both
        EnregDatePassage.Duree = duree;
    };
    for (const QString& code : {QStringLiteral("AAAAAA"), QStringLiteral("BBBBBB")}) {
        passage(code, 10);
        QString cle;
        BTRieve(0, BtrOp::Insert, cle, 0, 7, 1, kSource);
        ASSERT_EQ(BtrStatus, 0);
    }
    // The second of the duplicates, read through key 1.
    QString cle = QStringLiteral("20240305     ");
    BTRieve(0, BtrOp::GetEqual, cle, 1, 7, 1, kSource);
    ASSERT_EQ(BtrStatus, 0);
    BTRieve(0, BtrOp::GetNext, cle, 1, 7, 1, kSource);
    ASSERT_EQ(BtrStatus, 0);
    ASSERT_EQ(LireTexte(EnregDatePassage.Code), QStringLiteral("BBBBBB"));

    // Another handle changes it.
    AutreProgramme autre(fichiers->chemin(7));
    ASSERT_EQ(autre.statutOuverture(), 0);
    QByteArray donnees(100, ' ');
    ASSERT_EQ(autre.appel(BtrOp::GetEqual, donnees, QByteArray("BBBBBB0120240305     ")), 0);
    const float autreDuree = 12.5f;
    std::memcpy(donnees.data() + 60, &autreDuree, 4);
    ASSERT_EQ(autre.appel(BtrOp::Update, donnees, QByteArray("BBBBBB0120240305     ")), 0);

    EnregDatePassage.Duree = 20;
    const uint64_t avant = horloge.uptimeMs();
    BTRieve(0, BtrOp::Update, cle, 1, 7, 1, kSource);
    EXPECT_EQ(BtrStatus, 0);
    EXPECT_FALSE(BtrGaveUp);
    EXPECT_EQ(horloge.uptimeMs() - avant, 500u);  // one wait, one retry
    EXPECT_TRUE(TestDialogs().shown.empty());
    std::map<QByteArray, float> durees;
    for (const QByteArray& r : fichiers->enregistrements(7)) {
        float d = 0;
        std::memcpy(&d, r.constData() + 60, 4);
        durees[r.left(6)] = d;
    }
    EXPECT_EQ(durees, (std::map<QByteArray, float>{{"AAAAAA", 10.0f}, {"BBBBBB", 20.0f}}));
}

// Another program changes the record between the read and the update: the update waits,
// refreshes its position and writes the caller's record over it.
TEST_F(WrapperRealFilesTest, ConflictWithAnotherProgramEndsWithTheCallersRecord) {
    Vider(EnregDatePassage);
    EcrireTexte(EnregDatePassage.Code, QStringLiteral("AAAAAA"));
    EcrireTexte(EnregDatePassage.Sequence, QStringLiteral("01"));
    EcrireTexte(EnregDatePassage.Date, QStringLiteral("20240305"));
    EnregDatePassage.Duree = 10;
    QString cle;
    BTRieve(0, BtrOp::Insert, cle, 0, 7, 1, kSource);
    ASSERT_EQ(BtrStatus, 0);
    const QString cleLue = cle;
    BTRieve(0, BtrOp::GetEqual, cle, 0, 7, 1, kSource);
    ASSERT_EQ(BtrStatus, 0);

    AutreProgramme autre(fichiers->chemin(7));
    ASSERT_EQ(autre.statutOuverture(), 0);
    QByteArray donnees(100, ' ');
    ASSERT_EQ(autre.appel(BtrOp::GetEqual, donnees, ToCp1252(cleLue)), 0);
    const float autreDuree = 12.5f;
    std::memcpy(donnees.data() + 60, &autreDuree, 4);  // Duree
    ASSERT_EQ(autre.appel(BtrOp::Update, donnees, ToCp1252(cleLue)), 0);

    EnregDatePassage.Duree = 20;
    const uint64_t avant = horloge.uptimeMs();
    BTRieve(0, BtrOp::Update, cle, 0, 7, 1, kSource);
    EXPECT_EQ(BtrStatus, 0);
    EXPECT_EQ(horloge.uptimeMs() - avant, 500u);
    EXPECT_EQ(EnregDatePassage.Duree, 20);
    const auto stockes = fichiers->enregistrements(7);
    ASSERT_EQ(stockes.size(), 1u);
    float duree = 0;
    std::memcpy(&duree, stockes[0].constData() + 60, 4);
    EXPECT_EQ(duree, 20.0f);
}

}  // namespace
