// The record manager's conflicts and transactions: unique and unmodifiable keys, a record written
// by another block since it was read, a released block that stays released, and transactions
// that commit everything or leave nothing.
#include "record_manager_fixture.h"

namespace {

TEST_F(RecordManagerTest, UniqueKeysRefuseDuplicates) {
    fill({Rec("C1", "A"), Rec("C2", "B")});
    EXPECT_EQ(a.insert(Rec("C1", "Z")), BtrStat::DuplicateKey);
    ASSERT_EQ(a.call(BtrOp::GetEqual, 0, Pad("C2", 8)), 0);
    EXPECT_EQ(a.update(Rec("C1", "B")), BtrStat::DuplicateKey);
    // Nothing was written, and the position is still on C2.
    EXPECT_EQ(Walk(a, 1), (Codes{"C1", "C2"}));
    ASSERT_EQ(a.call(BtrOp::GetEqual, 0, Pad("C2", 8)), 0);
    EXPECT_EQ(a.data, Rec("C2", "B"));
    ASSERT_EQ(a.update(Rec("C3", "B")), 0);  // keys are modifiable
    EXPECT_EQ(Walk(a, 0), (Codes{"C1", "C3"}));
}

TEST_F(RecordManagerTest, KeysWithoutTheModifiableFlagStay) {
    const QString p = tmp.path() + QStringLiteral("/fixe.bt6");
    ASSERT_EQ(Create(p, Layout(kRecLen, 2, {{1, 8, 0}, {9, 10, 3}})), 0);
    Btr t;
    ASSERT_EQ(t.open(p), 0);
    ASSERT_EQ(t.insert(Rec("C1", "a")), 0);
    EXPECT_EQ(t.update(Rec("C2", "a")), BtrStat::KeyNotModifiable);
    EXPECT_EQ(t.update(Rec("C1", "b")), 0);
}

TEST_F(RecordManagerTest, ARecordChangedSinceItWasReadIsNotOverwritten) {
    fill({Rec("C1", "A"), Rec("C2", "B")});
    Btr b;
    ASSERT_EQ(b.open(path), 0);
    ASSERT_EQ(a.call(BtrOp::GetEqual, 0, Pad("C1", 8)), 0);
    ASSERT_EQ(b.call(BtrOp::GetEqual, 0, Pad("C1", 8)), 0);
    Btr copie = a;  // a copy reads as the block it was taken from
    ASSERT_EQ(b.update(Rec("C1", "par b")), 0);
    EXPECT_EQ(a.update(Rec("C1", "par a")), BtrStat::Conflict);
    EXPECT_EQ(copie.call(BtrOp::Delete), BtrStat::Conflict);
    ASSERT_EQ(b.update(Rec("C1", "encore b")), 0);  // its own writes do not stand in its way
    ASSERT_EQ(a.call(BtrOp::GetEqual, 0, Pad("C1", 8)), 0);
    EXPECT_EQ(a.data, Rec("C1", "encore b"));
    ASSERT_EQ(a.update(Rec("C1", "par a")), 0);

    // A record deleted by another block.
    ASSERT_EQ(b.call(BtrOp::GetEqual, 0, Pad("C2", 8)), 0);
    ASSERT_EQ(a.call(BtrOp::GetEqual, 0, Pad("C2", 8)), 0);
    ASSERT_EQ(b.call(BtrOp::Delete), 0);
    EXPECT_EQ(a.update(Rec("C2", "X")), BtrStat::Conflict);
    EXPECT_EQ(a.call(BtrOp::Delete), BtrStat::Conflict);
    ASSERT_EQ(a.insert(Rec("C2", "neuf")), 0);  // a newcomer under the same code
    EXPECT_EQ(b.update(Rec("C2", "X")), BtrStat::InvalidPositioning);
    EXPECT_EQ(Walk(a, 0), (Codes{"C1", "C2"}));
}

// Each open has its own identity: a copy of a released block is not open any more, even while
// another open of the same file lives, and nothing it asks is done.
TEST_F(RecordManagerTest, AReleasedBlockStaysReleasedWhileAnotherOpenLives) {
    fill({Rec("C1"), Rec("C2")});
    for (const uint16_t release : {uint16_t(BtrOp::Stop), uint16_t(BtrOp::Close)}) {
        SCOPED_TRACE(release);
        Btr b;
        ASSERT_EQ(b.open(path), 0);
        ASSERT_EQ(b.call(BtrOp::GetFirst, 0), 0);
        const Btr copie = b;
        ASSERT_EQ(b.call(release), 0);
        struct Cas {
            const char* quoi;
            uint16_t op;
            std::string rec;
        };
        const Cas cas[] = {
            {"lecture", BtrOp::GetFirst, ""},
            {"suivant", BtrOp::GetNext, ""},
            {"égal", BtrOp::GetEqual, ""},
            {"insertion", BtrOp::Insert, Rec("C9")},
            {"mise à jour", BtrOp::Update, Rec("C1", "X")},
            {"suppression", BtrOp::Delete, ""},
            {"fermeture", BtrOp::Close, ""},
            {"arrêt", BtrOp::Stop, ""},
        };
        for (const Cas& c : cas) {
            Btr x = copie;
            if (!c.rec.empty()) x.data = c.rec;
            EXPECT_EQ(x.call(c.op, 0, Pad("C1", 8)), BtrStat::FileNotOpen) << c.quoi;
        }
        EXPECT_EQ(Walk(a, 0), (Codes{"C1", "C2"}));
        ASSERT_EQ(a.call(BtrOp::GetEqual, 0, Pad("C1", 8)), 0);
        EXPECT_EQ(a.data, Rec("C1"));
    }
}

TEST_F(RecordManagerTest, TransactionsCommitOrLeaveNothing) {
    const QString p2 = tmp.path() + QStringLiteral("/FRAD008.bt6");
    ASSERT_EQ(Create(p2, kClients), 0);
    Btr j;
    ASSERT_EQ(j.open(p2), 0);
    Btr t;
    EXPECT_EQ(t.call(BtrOp::EndTransaction), BtrStat::TransactionError);
    EXPECT_EQ(t.call(BtrOp::AbortTransaction), BtrStat::TransactionError);

    ASSERT_EQ(t.call(BtrOp::BeginTransaction), 0);
    EXPECT_EQ(t.call(BtrOp::BeginConcurrentTransaction), BtrStat::TransactionAlreadyActive);
    ASSERT_EQ(a.insert(Rec("C1")), 0);
    ASSERT_EQ(j.insert(Rec("J1")), 0);
    ASSERT_EQ(a.call(BtrOp::GetEqual, 0, Pad("C1", 8)), 0);  // its own writes are seen
    ASSERT_EQ(t.call(BtrOp::AbortTransaction), 0);
    EXPECT_EQ(a.call(BtrOp::GetFirst, 0), BtrStat::EndOfFile);
    EXPECT_EQ(j.call(BtrOp::GetFirst, 0), BtrStat::EndOfFile);

    ASSERT_EQ(t.call(BtrOp::BeginConcurrentTransaction), 0);
    ASSERT_EQ(a.insert(Rec("C2")), 0);
    ASSERT_EQ(j.insert(Rec("J2")), 0);
    ASSERT_EQ(j.call(BtrOp::Close), 0);  // released inside: kept until the end
    ASSERT_EQ(t.call(BtrOp::EndTransaction), 0);
    EXPECT_EQ(Walk(a, 0), (Codes{"C2"}));
    ASSERT_EQ(j.open(p2), 0);
    EXPECT_EQ(Walk(j, 0), (Codes{"J2"}));
}

}  // namespace
