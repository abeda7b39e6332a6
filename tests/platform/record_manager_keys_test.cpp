// The record manager's keys and positioning: records and keys read back, searches, walks from
// one end to the other and back, duplicates, case folding and segmented keys, each open's own
// position, and a walk kept at cursor speed against one that seeks at every step.
#include "record_manager_fixture.h"

#include <cstdio>
#include <sys/wait.h>
#include <unistd.h>

namespace {

TEST_F(RecordManagerTest, RecordsComeBackWithTheirKeyAndLength) {
    fill({Rec("C0000002", "Durand", "AB", "deux"), Rec("C0000001", "Martin", "AB", "un")});
    Btr b;
    ASSERT_EQ(b.open(path), 0);
    b.data.assign(100, 'x');  // a larger buffer is fine; the length comes back as the record's
    ASSERT_EQ(b.call(BtrOp::GetEqual, 0, "C0000001"), 0);
    EXPECT_EQ(b.len, uint32_t(kRecLen));
    EXPECT_EQ(b.data.substr(0, kRecLen), Rec("C0000001", "Martin", "AB", "un"));
    EXPECT_EQ(b.data.substr(kRecLen), std::string(40, 'x'));
    EXPECT_EQ(b.keyText(8), "C0000001");
    ASSERT_EQ(b.call(BtrOp::GetFirst, 2), 0);  // segmented key: group then code prefix
    EXPECT_EQ(b.keyText(5), "ABC00");

    // The definition is kept in the file; the utility reads it back.
    BtrFileDescription d;
    ASSERT_EQ(BtrDescribeFile(a.pos.data(), &d), 0);
    EXPECT_EQ(d.recordLength, uint32_t(kRecLen));
    EXPECT_EQ(d.pageSize, 1024);
    EXPECT_EQ(d.fileFlags, 8);
    EXPECT_EQ(d.keyCount, 3);
    ASSERT_EQ(d.segments.size(), 4u);
    EXPECT_EQ(d.segments[1].position, 9);
    EXPECT_EQ(d.segments[1].flags, 1027);
    EXPECT_EQ(d.segments[3].position, 1);
    EXPECT_EQ(d.recordCount, 2);
    std::vector<std::string> raw;
    ASSERT_EQ(BtrForEachRecord(a.pos.data(),
                               [&](const uint8_t* r, uint32_t n) {
                                   raw.emplace_back(reinterpret_cast<const char*>(r), n);
                                   return true;
                               }),
              0);
    EXPECT_EQ(raw, (Codes{Rec("C0000002", "Durand", "AB", "deux"), Rec("C0000001", "Martin", "AB", "un")}));
}

TEST_F(RecordManagerTest, CallsThatCannotBeServed) {
    fill({Rec("C1", "A"), Rec("C2", "B"), Rec("C3", "C")});
    Btr fresh;
    ASSERT_EQ(fresh.open(path), 0);
    // No current record yet.
    EXPECT_EQ(fresh.call(BtrOp::GetNext, 0), BtrStat::InvalidPositioning);
    EXPECT_EQ(fresh.call(BtrOp::GetPrevious, 0), BtrStat::InvalidPositioning);
    EXPECT_EQ(fresh.update(Rec("C1", "Z")), BtrStat::InvalidPositioning);
    EXPECT_EQ(fresh.call(BtrOp::Delete), BtrStat::InvalidPositioning);

    ASSERT_EQ(a.call(BtrOp::GetEqual, 0, Pad("C2", 8)), 0);
    EXPECT_EQ(a.call(BtrOp::GetNext, 1), BtrStat::DifferentKeyNumber);
    EXPECT_EQ(a.update(Rec("C2", "Z"), 1), BtrStat::DifferentKeyNumber);
    for (int16_t k : {-1, 3, 99}) {
        EXPECT_EQ(a.call(BtrOp::GetEqual, k, "C2"), BtrStat::InvalidKeyNumber) << k;
        EXPECT_EQ(a.call(BtrOp::GetNext, k), BtrStat::InvalidKeyNumber) << k;
        EXPECT_EQ(a.insert(Rec("C9"), k), BtrStat::InvalidKeyNumber) << k;
    }
    EXPECT_EQ(a.call(999), BtrStat::InvalidOperation);

    // Buffers too short: nothing moves, the length comes back as given.
    Btr s;
    ASSERT_EQ(s.open(path), 0);
    ASSERT_EQ(s.call(BtrOp::GetEqual, 0, Pad("C1", 8)), 0);
    s.data.assign(kRecLen - 1, '#');
    EXPECT_EQ(s.call(BtrOp::GetNext, 0), BtrStat::DataBufferTooShort);
    EXPECT_EQ(s.len, uint32_t(kRecLen - 1));
    EXPECT_EQ(s.data, std::string(kRecLen - 1, '#'));
    s.data = std::string(kRecLen, ' ');
    ASSERT_EQ(s.call(BtrOp::GetNext, 0), 0);
    EXPECT_EQ(s.code(), "C2");  // the failed read did not move the position
    EXPECT_EQ(s.insert(Rec("C8").substr(0, kRecLen - 1)), BtrStat::DataBufferTooShort);
    EXPECT_EQ(s.call(BtrOp::GetEqual, 0, Pad("C8", 8)), BtrStat::KeyNotFound);
    std::array<char, 4> shortKey{};
    uint32_t len = kRecLen;
    EXPECT_EQ(BTRCALL(BtrOp::GetFirst, s.pos.data(), s.data.data(), &len, shortKey.data(), 4, 1),
              BtrStat::KeyBufferTooShort);
}

// An end of file leaves the position just beyond that end: a walk to the end and back meets
// every record, the last one included (and the same from the start).
TEST_F(RecordManagerTest, EndOfFileLeavesThePositionBeyondTheEnd) {
    fill({Rec("C1", "b"), Rec("C2", "a"), Rec("C3", "b")});
    struct Cas {
        int16_t key;
        uint16_t debut;
        uint16_t aller;
        uint16_t retour;
        Codes attendus;
    };
    const Cas cas[] = {
        {0, BtrOp::GetFirst, BtrOp::GetNext, BtrOp::GetPrevious, {"C1", "C2", "C3", "C3", "C2", "C1"}},
        {0, BtrOp::GetLast, BtrOp::GetPrevious, BtrOp::GetNext, {"C3", "C2", "C1", "C1", "C2", "C3"}},
        {1, BtrOp::GetFirst, BtrOp::GetNext, BtrOp::GetPrevious, {"C2", "C1", "C3", "C3", "C1", "C2"}},
        {1, BtrOp::GetLast, BtrOp::GetPrevious, BtrOp::GetNext, {"C3", "C1", "C2", "C2", "C1", "C3"}},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(testing::Message() << "clé " << c.key << " depuis " << c.debut);
        Codes vus;
        int16_t st = a.call(c.debut, c.key);
        while (st == 0) {
            vus.push_back(a.code());
            st = a.call(c.aller, c.key);
        }
        ASSERT_EQ(st, BtrStat::EndOfFile);
        EXPECT_EQ(a.call(c.aller, c.key), BtrStat::EndOfFile);  // still beyond the end
        // Nothing to write on out there.
        EXPECT_EQ(a.update(Rec("C9")), BtrStat::InvalidPositioning);
        EXPECT_EQ(a.call(BtrOp::Delete), BtrStat::InvalidPositioning);
        EXPECT_EQ(a.call(c.retour, c.key == 0 ? 1 : 0), BtrStat::DifferentKeyNumber);
        while ((st = a.call(c.retour, c.key)) == 0) vus.push_back(a.code());
        EXPECT_EQ(st, BtrStat::EndOfFile);
        EXPECT_EQ(vus, c.attendus);
    }
    // Records added beyond the end meanwhile are met on the way back in.
    ASSERT_EQ(a.call(BtrOp::GetLast, 0), 0);
    EXPECT_EQ(a.call(BtrOp::GetNext, 0), BtrStat::EndOfFile);
    Btr b;
    ASSERT_EQ(b.open(path), 0);
    ASSERT_EQ(b.insert(Rec("C4")), 0);
    ASSERT_EQ(a.call(BtrOp::GetPrevious, 0), 0);
    EXPECT_EQ(a.code(), "C4");

    // A failed search leaves no current record, so a write cannot hit the record read before.
    EXPECT_EQ(a.call(BtrOp::GetEqual, 0, Pad("C9", 8)), BtrStat::KeyNotFound);
    EXPECT_EQ(a.update(Rec("C2", "X")), BtrStat::InvalidPositioning);
    EXPECT_EQ(a.call(BtrOp::GetNext, 0), BtrStat::InvalidPositioning);
}

TEST_F(RecordManagerTest, PositionFollowsInsertAndDelete) {
    fill({Rec("C1"), Rec("C3"), Rec("C5")});
    ASSERT_EQ(a.insert(Rec("C4")), 0);
    EXPECT_EQ(a.keyText(8), Pad("C4", 8));
    ASSERT_EQ(a.call(BtrOp::GetNext, 0), 0);
    EXPECT_EQ(a.code(), "C5");
    ASSERT_EQ(a.insert(Rec("C2")), 0);
    ASSERT_EQ(a.call(BtrOp::GetPrevious, 0), 0);
    EXPECT_EQ(a.code(), "C1");

    // After a delete, Next finds the successor and Previous the predecessor.
    ASSERT_EQ(a.call(BtrOp::GetEqual, 0, Pad("C3", 8)), 0);
    ASSERT_EQ(a.call(BtrOp::Delete), 0);
    EXPECT_EQ(a.call(BtrOp::Delete), BtrStat::InvalidPositioning);
    EXPECT_EQ(a.update(Rec("C3", "X")), BtrStat::InvalidPositioning);
    Btr copie = a;
    ASSERT_EQ(copie.call(BtrOp::GetPrevious, 0), 0);
    EXPECT_EQ(copie.code(), "C2");
    ASSERT_EQ(a.call(BtrOp::GetNext, 0), 0);
    EXPECT_EQ(a.code(), "C4");
    // Deleting the last record: Next is the end, Previous goes back.
    ASSERT_EQ(a.call(BtrOp::GetLast, 0), 0);
    ASSERT_EQ(a.call(BtrOp::Delete), 0);
    EXPECT_EQ(a.call(BtrOp::GetNext, 0), BtrStat::EndOfFile);
    ASSERT_EQ(a.call(BtrOp::GetPrevious, 0), 0);
    EXPECT_EQ(a.code(), "C4");
    EXPECT_EQ(Walk(a, 0), (Codes{"C1", "C2", "C4"}));
}

TEST_F(RecordManagerTest, DuplicatesComeBackInInsertionOrder) {
    fill({Rec("C5", "Dupont"), Rec("C1", "Martin"), Rec("C3", "Dupont"), Rec("C2", "Dupont"), Rec("C4", "Albert")});
    EXPECT_EQ(Walk(a, 1), (Codes{"C4", "C5", "C3", "C2", "C1"}));
    EXPECT_EQ(Walk(a, 1, true), (Codes{"C1", "C2", "C3", "C5", "C4"}));
    ASSERT_EQ(a.call(BtrOp::GetEqual, 1, Pad("Dupont", 10)), 0);
    EXPECT_EQ(a.code(), "C5");  // the first of its duplicates

    // A change of name puts the record at the end of its new duplicates; a change elsewhere in
    // the record keeps its place.
    ASSERT_EQ(a.call(BtrOp::GetEqual, 0, Pad("C1", 8)), 0);
    ASSERT_EQ(a.update(Rec("C1", "Dupont")), 0);
    ASSERT_EQ(a.call(BtrOp::GetEqual, 0, Pad("C5", 8)), 0);
    ASSERT_EQ(a.update(Rec("C5", "Dupont", "", "autre chose")), 0);
    EXPECT_EQ(Walk(a, 1), (Codes{"C4", "C5", "C3", "C2", "C1"}));
    ASSERT_EQ(a.call(BtrOp::GetEqual, 0, Pad("C5", 8)), 0);
    ASSERT_EQ(a.update(Rec("C5", "Albert")), 0);
    ASSERT_EQ(a.call(BtrOp::GetEqual, 0, Pad("C3", 8)), 0);
    ASSERT_EQ(a.update(Rec("C3", "Zorro")), 0);
    ASSERT_EQ(a.update(Rec("C3", "Dupont")), 0);
    EXPECT_EQ(Walk(a, 1), (Codes{"C4", "C5", "C2", "C1", "C3"}));

    // The position of an update is the record in its new place.
    ASSERT_EQ(a.call(BtrOp::GetEqual, 1, Pad("Albert", 10)), 0);
    ASSERT_EQ(a.update(Rec(a.code(), "Dupont"), 1), 0);
    ASSERT_EQ(a.call(BtrOp::GetPrevious, 1), 0);
    EXPECT_EQ(a.code(), "C3");
    EXPECT_EQ(a.call(BtrOp::GetEqual, 1, Pad("Dupont", 10)), 0);
    EXPECT_EQ(a.code(), "C2");
}

// An update sets only the keys it changes: each key must still find the record by its new value
// and no longer by an old one, whichever keys changed, with the record's neighbours in place.
TEST_F(RecordManagerTest, AnUpdateFindsTheRecordByEveryKeyWhicheverKeysChanged) {
    struct Cas {
        const char* quoi;
        std::string avant, apres;
    };
    const Cas cas[] = {
        {"nothing but the payload", Rec("C2", "Dupont", "G1", "x"), Rec("C2", "Dupont", "G1", "y")},
        {"the code (keys 0 and 2)", Rec("C2", "Dupont", "G1"), Rec("D2", "Dupont", "G1")},
        {"the name only", Rec("C2", "Dupont", "G1"), Rec("C2", "Zorro", "G1")},
        {"the name's letter case", Rec("C2", "Dupont", "G1"), Rec("C2", "DUPONT", "G1")},
        {"the group only", Rec("C2", "Dupont", "G1"), Rec("C2", "Dupont", "G2")},
        {"every key", Rec("C2", "Dupont", "G1"), Rec("E9", "Albert", "G3")},
    };
    const auto cles = [](const std::string& r) {
        return std::array<std::string, 3>{r.substr(0, 8), r.substr(8, 10), r.substr(18, 2) + r.substr(0, 3)};
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.quoi);
        BTRCALL(BtrOp::Stop, nullptr, nullptr, nullptr, nullptr, 0, 0);
        ASSERT_EQ(Create(path, kClients), 0);
        a = Btr();
        ASSERT_EQ(a.open(path), 0);
        fill({Rec("C1", "Dupont", "G1"), c.avant, Rec("C3", "Dupont", "G1")});
        ASSERT_EQ(a.call(BtrOp::GetEqual, 0, c.avant.substr(0, 8)), 0);
        ASSERT_EQ(a.update(c.apres), 0);
        const auto nouvelles = cles(c.apres), anciennes = cles(c.avant);
        for (int16_t k = 0; k < 3; ++k) {
            ASSERT_EQ(a.call(BtrOp::GetEqual, k, nouvelles[size_t(k)]), 0) << k;
            // Among its duplicates, the first found may be another record: the walk tells.
            const Codes tous = Walk(a, k);
            EXPECT_EQ(tous.size(), 3u) << k;
            EXPECT_NE(std::find(tous.begin(), tous.end(), Trim(c.apres.substr(0, 8))), tous.end()) << k;
            if (k == 0 && anciennes[0] != nouvelles[0]) {
                EXPECT_EQ(a.call(BtrOp::GetEqual, 0, anciennes[0]), BtrStat::KeyNotFound);
            }
        }
        ASSERT_EQ(a.call(BtrOp::GetEqual, 0, nouvelles[0]), 0);
        EXPECT_EQ(a.data, c.apres);
        // A key that stayed keeps the record's place among its duplicates.
        if (anciennes[1] == nouvelles[1]) {
            EXPECT_EQ(Walk(a, 1), (Codes{"C1", Trim(c.apres.substr(0, 8)), "C3"}));
        }
    }
}

TEST_F(RecordManagerTest, CaseInsensitiveKeysFoldAccentedLetters) {
    fill({Rec("C1", "\xE9lodie"), Rec("C2", "ELODIE"), Rec("C3", "\xC9LODIE"), Rec("C4", "zo\xEB"),
          Rec("C5", "Zo\xCB")});
    ASSERT_EQ(a.call(BtrOp::GetEqual, 1, Pad("\xC9LoDiE", 10)), 0);
    EXPECT_EQ(a.code(), "C1");
    EXPECT_EQ(a.keyText(10), Pad("\xE9lodie", 10));  // the key as stored, not folded
    ASSERT_EQ(a.call(BtrOp::GetNext, 1), 0);
    EXPECT_EQ(a.code(), "C3");
    // Unaccented E is another letter, and the folded accented capitals sort after Z, byte-wise.
    EXPECT_EQ(Walk(a, 1), (Codes{"C2", "C4", "C5", "C1", "C3"}));

    // A unique case-insensitive key refuses a name that only differs in letter case.
    const QString p = tmp.path() + QStringLiteral("/FRAD036.bt6");
    ASSERT_EQ(Create(p, Layout(kRecLen, 1, {{9, 10, 1026}})), 0);
    Btr t;
    ASSERT_EQ(t.open(p), 0);
    ASSERT_EQ(t.insert(Rec("C1", "Caf\xE9")), 0);
    EXPECT_EQ(t.insert(Rec("C2", "CAF\xC9")), BtrStat::DuplicateKey);
    EXPECT_EQ(t.insert(Rec("C3", "CAFE")), 0);
}

TEST_F(RecordManagerTest, EachOpenAndEachCopyKeepsItsOwnPosition) {
    fill({Rec("C1"), Rec("C2"), Rec("C3"), Rec("C4")});
    Btr b;  // the same path opened again, as for another station
    ASSERT_EQ(b.open(path), 0);
    ASSERT_EQ(a.call(BtrOp::GetFirst, 0), 0);
    ASSERT_EQ(b.call(BtrOp::GetLast, 0), 0);
    ASSERT_EQ(a.call(BtrOp::GetNext, 0), 0);
    ASSERT_EQ(b.call(BtrOp::GetPrevious, 0), 0);
    EXPECT_EQ(a.code(), "C2");
    EXPECT_EQ(b.code(), "C3");

    Btr copie = a;  // used and thrown away
    ASSERT_EQ(copie.call(BtrOp::GetNext, 0), 0);
    ASSERT_EQ(copie.call(BtrOp::GetNext, 0), 0);
    EXPECT_EQ(copie.code(), "C4");
    ASSERT_EQ(a.call(BtrOp::GetNext, 0), 0);
    EXPECT_EQ(a.code(), "C3");

    // Writes by another block between two reads are seen.
    ASSERT_EQ(b.insert(Rec("C31")), 0);
    ASSERT_EQ(b.call(BtrOp::GetEqual, 0, Pad("C4", 8)), 0);
    ASSERT_EQ(b.call(BtrOp::Delete), 0);
    ASSERT_EQ(b.insert(Rec("C5")), 0);
    EXPECT_EQ(Walk(copie, 0).size(), 5u);
    ASSERT_EQ(a.call(BtrOp::GetNext, 0), 0);
    EXPECT_EQ(a.code(), "C31");
    ASSERT_EQ(a.call(BtrOp::GetNext, 0), 0);
    EXPECT_EQ(a.code(), "C5");

    // Releasing one open leaves the other one working.
    ASSERT_EQ(b.call(BtrOp::Stop), 0);
    EXPECT_EQ(b.call(BtrOp::GetFirst, 0), BtrStat::FileNotOpen);
    EXPECT_EQ(a.call(BtrOp::GetFirst, 0), 0);
}

TEST_F(RecordManagerTest, SegmentedKeysCompareTheirPartsInOrder) {
    fill(
        {Rec("B10", "", "02"), Rec("A20", "", "01"), Rec("C30", "", "01"), Rec("A21", "", "01"), Rec("A10", "", "02")});
    // key 2 = group + first 3 bytes of the code; duplicates in insertion order
    EXPECT_EQ(Walk(a, 2), (Codes{"A20", "A21", "C30", "A10", "B10"}));
    ASSERT_EQ(a.call(BtrOp::GetEqual, 2, "02B10"), 0);
    EXPECT_EQ(a.code(), "B10");
    EXPECT_EQ(a.keyText(5), "02B10");
    ASSERT_EQ(a.call(BtrOp::GetGreaterOrEqual, 2, "01B"), 0);  // the key buffer is read whole
    EXPECT_EQ(a.code(), "C30");
}

TEST_F(RecordManagerTest, GreaterAndLessFindTheNeighbours) {
    fill({Rec("C2", "b"), Rec("C4", "d"), Rec("C6", "d"), Rec("C8", "f")});
    struct Cas {
        uint16_t op;
        int16_t key;
        const char* value;
        int16_t status;
        const char* code;
    };
    const Cas cas[] = {
        {BtrOp::GetGreater, 0, "C4", 0, "C6"},
        {BtrOp::GetGreater, 0, "C3", 0, "C4"},
        {BtrOp::GetGreater, 0, "C8", BtrStat::EndOfFile, ""},
        {BtrOp::GetGreaterOrEqual, 0, "C4", 0, "C4"},
        {BtrOp::GetGreaterOrEqual, 0, "C5", 0, "C6"},
        {BtrOp::GetGreaterOrEqual, 0, "C9", BtrStat::EndOfFile, ""},
        {BtrOp::GetLessThan, 0, "C4", 0, "C2"},
        {BtrOp::GetLessThan, 0, "C2", BtrStat::EndOfFile, ""},
        {BtrOp::GetLessOrEqual, 0, "C4", 0, "C4"},
        {BtrOp::GetLessOrEqual, 0, "C5", 0, "C4"},
        {BtrOp::GetLessOrEqual, 0, "zzzz", 0, "C8"},
        {BtrOp::GetLessOrEqual, 0, "C1", BtrStat::EndOfFile, ""},
        {BtrOp::GetEqual, 0, "C5", BtrStat::KeyNotFound, ""},
        // among duplicates: upwards the first, downwards the last
        {BtrOp::GetGreater, 1, "b", 0, "C4"},
        {BtrOp::GetGreaterOrEqual, 1, "D", 0, "C4"},
        {BtrOp::GetLessThan, 1, "f", 0, "C6"},
        {BtrOp::GetLessOrEqual, 1, "d", 0, "C6"},
        {BtrOp::GetEqual, 1, "D", 0, "C4"},
    };
    for (const auto& c : cas) {
        const int16_t st = a.call(c.op, c.key, Pad(c.value, c.key == 0 ? 8 : 10));
        EXPECT_EQ(st, c.status) << c.op << " " << c.value;
        if (st == 0) {
            EXPECT_EQ(a.code(), c.code) << c.op << " " << c.value;
        }
    }
    // Each finding is a position to walk on from.
    ASSERT_EQ(a.call(BtrOp::GetLessOrEqual, 1, Pad("d", 10)), 0);
    ASSERT_EQ(a.call(BtrOp::GetPrevious, 1), 0);
    EXPECT_EQ(a.code(), "C4");
    // The lock biases of the get operations are accepted.
    EXPECT_EQ(a.call(BtrOp::GetEqual + 100, 0, "C8      "), 0);
    EXPECT_EQ(a.code(), "C8");

    Btr vide;
    const QString p = tmp.path() + QStringLiteral("/vide.bt6");
    ASSERT_EQ(Create(p, kClients), 0);
    ASSERT_EQ(vide.open(p), 0);
    EXPECT_EQ(vide.call(BtrOp::GetFirst, 0), BtrStat::EndOfFile);
    EXPECT_EQ(vide.call(BtrOp::GetLast, 1), BtrStat::EndOfFile);
}

// Definitions shaped like the station catalogue's awkward ones: segmented keys with and without
// case folding, a key not starting at byte 1, long keys, many keys, a record near the page size.
TEST_F(RecordManagerTest, CatalogueShapedFilesWork) {
    struct Cas {
        const char* name;
        int recLen;
        int keys;
        std::vector<Seg> segs;
    };
    const Cas cas[] = {
        {"7", 100, 4, {{1, 21, 2}, {9, 13, 3}, {26, 10, 19}, {9, 13, 3}, {36, 21, 3}}},
        {"11", 350, 1, {{1, 83, 2}}},
        {"13", 300, 5, {{1, 33, 2}, {49, 12, 3}, {1, 3, 19}, {34, 15, 3}, {1, 48, 3}, {170, 15, 3}}},
        {"21", 980, 2, {{1, 10, 2}, {1, 5, 1043}, {11, 10, 1027}}},
        {"34", 200, 6, {{9, 14, 3}, {1, 22, 3}, {23, 54, 1027}, {77, 19, 3}, {96, 19, 3}, {115, 14, 3}}},
        {"36",
         800,
         6,
         {{1, 50, 1026}, {51, 30, 1027}, {81, 32, 1027}, {113, 30, 1027}, {143, 30, 1027}, {173, 10, 1027}}},
        {"47", 4082, 1, {{1, 11, 2}}},
    };
    for (const auto& c : cas) {
        std::array<uint8_t, 160> layout{};
        Put16(&layout[0], c.recLen);
        Put16(&layout[2], 4096);
        Put16(&layout[4], c.keys);
        for (size_t i = 0; i < c.segs.size(); ++i) {
            Put16(&layout[16 + 16 * i], c.segs[i].pos);
            Put16(&layout[18 + 16 * i], c.segs[i].len);
            Put16(&layout[20 + 16 * i], c.segs[i].flags);
        }
        const QString p = tmp.path() + QStringLiteral("/FRAD0") + QLatin1String(c.name) + ".bt6";
        ASSERT_EQ(Create(p, layout), 0) << c.name;
        Btr b;
        ASSERT_EQ(b.open(p), 0) << c.name;
        for (int r = 0; r < 3; ++r) {
            b.data.assign(size_t(c.recLen), char('a' + r));
            ASSERT_EQ(b.call(BtrOp::Insert, 0), 0) << c.name;
        }
        for (int16_t k = 0; k < c.keys; ++k) {
            b.data.assign(size_t(c.recLen), ' ');
            ASSERT_EQ(b.call(BtrOp::GetLast, k), 0) << c.name << " key " << k;
            EXPECT_EQ(b.data, std::string(size_t(c.recLen), 'c')) << c.name << " key " << k;
            EXPECT_EQ(b.call(BtrOp::GetPrevious, k), 0) << c.name << " key " << k;
        }
        EXPECT_EQ(b.call(BtrOp::GetFirst, c.keys), BtrStat::InvalidKeyNumber) << c.name;
        BtrFileDescription d;
        ASSERT_EQ(BtrDescribeFile(b.pos.data(), &d), 0);
        EXPECT_EQ(d.keyCount, c.keys);
        EXPECT_EQ(d.segments.size(), c.segs.size()) << c.name;
    }
}

// Another process that writes the file when told: one command a line over a pipe ("I code name",
// "D code", "U code name"), one status byte back.
class Ecrivain {
public:
    explicit Ecrivain(const QString& chemin) {
        int versEnfant[2], versParent[2];
        if (pipe(versEnfant) != 0 || pipe(versParent) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            close(versEnfant[1]);
            close(versParent[0]);
            Btr w;
            const int16_t ouvert = w.open(chemin);
            FILE* in = fdopen(versEnfant[0], "r");
            char ligne[128];
            while (in && std::fgets(ligne, sizeof ligne, in)) {
                char op = 0, code[16] = {}, nom[16] = {};
                std::sscanf(ligne, "%c %15s %15s", &op, code, nom);
                int16_t st = ouvert;
                if (st == 0 && op == 'I') st = w.insert(Rec(code, nom));
                if (st == 0 && (op == 'D' || op == 'U')) st = w.call(BtrOp::GetEqual, 0, Pad(code, 8));
                if (st == 0 && op == 'D') st = w.call(BtrOp::Delete);
                if (st == 0 && op == 'U') st = w.update(Rec(code, nom));
                const char r = char(st);
                if (write(versParent[1], &r, 1) != 1) break;
            }
            _exit(0);
        }
        close(versEnfant[0]);
        close(versParent[1]);
        vers_ = versEnfant[1];
        depuis_ = versParent[0];
    }
    ~Ecrivain() {
        if (vers_ >= 0) close(vers_);
        if (depuis_ >= 0) close(depuis_);
        if (pid_ > 0) waitpid(pid_, nullptr, 0);
    }
    int16_t ordre(const std::string& ligne) {
        const std::string l = ligne + "\n";
        if (write(vers_, l.data(), l.size()) != ssize_t(l.size())) return -1;
        char r = -1;
        if (read(depuis_, &r, 1) != 1) return -1;
        return r;
    }

private:
    pid_t pid_ = -1;
    int vers_ = -1, depuis_ = -1;
};

// A walk interleaved with writes of the same block, another block, a copy of the block and
// another process: what each step returns, cursor kept or not.
std::vector<std::string> Parcours(const QString& chemin, int16_t cle, bool enAvant, bool curseurs) {
    BtrCurseursActifs(curseurs);
    QFile::remove(chemin);
    EXPECT_EQ(Create(chemin, kClients), 0);
    Ecrivain autre(chemin);  // forked before this process holds the file
    Btr a, b;
    EXPECT_EQ(a.open(chemin), 0);
    EXPECT_EQ(b.open(chemin), 0);
    for (int i = 1; i <= 30; ++i) {
        char code[16];
        std::snprintf(code, sizeof code, "C%03d", i * 10);
        EXPECT_EQ(b.insert(Rec(code, i % 3 ? "Durand" : "Martin")), 0);
    }
    const uint16_t pas = enAvant ? BtrOp::GetNext : BtrOp::GetPrevious;
    std::vector<std::string> vus;
    int16_t st = a.call(enAvant ? BtrOp::GetFirst : BtrOp::GetLast, cle);
    for (int n = 0; st == 0 && n < 80; ++n) {
        vus.push_back(a.code() + "/" + Trim(a.data.substr(8, 10)));
        const std::string ici = a.code();
        const int v = std::stoi(ici.substr(1));
        char plusLoin[16], proche[16];
        std::snprintf(plusLoin, sizeof plusLoin, "C%03d", enAvant ? v + 25 : v - 25);
        std::snprintf(proche, sizeof proche, "C%03d", enAvant ? v + 10 : v - 10);
        switch (n % 11) {
            case 1:
                b.insert(Rec(std::string(plusLoin).substr(0, 3) + "5", "Durand"));
                break;  // ahead
            case 2:
                b.call(BtrOp::GetEqual, 0, Pad(proche, 8)), b.call(BtrOp::Delete);
                break;  // the next one
            case 3:
                autre.ordre(std::string("I ") + std::string(plusLoin).substr(0, 3) + "7 Durand");
                break;
            case 4:
                autre.ordre(std::string("D ") + proche);
                break;
            case 5:
                a.update(Rec(ici, enAvant ? "Aaron" : "Zorro", "", "vu"), cle);
                break;  // moves it back on key 1
            case 6:
                autre.ordre(std::string("U ") + plusLoin + " Albert");
                break;
            case 7: {  // a copy takes two steps and is thrown away
                Btr copie = a;
                copie.call(pas, cle);
                copie.call(pas, cle);
                break;
            }
            case 8:
                b.call(BtrOp::GetEqual, 0, Pad(plusLoin, 8)), b.update(Rec(plusLoin, "Aaron"));
                break;
            case 9:
                a.insert(Rec(std::string(ici).substr(0, 3) + "1", Trim(a.data.substr(8, 10))), cle);
                break;  // the block moves there
            default:
                break;
        }
        st = a.call(pas, cle);
    }
    vus.push_back("fin " + std::to_string(st));
    BTRCALL(BtrOp::Stop, nullptr, nullptr, nullptr, nullptr, 0, 0);
    BtrCurseursActifs(true);
    return vus;
}

// The walk kept at cursor speed returns exactly what seeking again at every step returns,
// whatever is written meanwhile and by whom.
TEST(RecordManagerWalkTest, AWalkInterleavedWithWritesReturnsWhatTheReseekReturns) {
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString chemin = tmp.path() + QStringLiteral("/FRAD003.bt6");
    for (const int16_t cle : {int16_t(0), int16_t(1)})
        for (const bool enAvant : {true, false}) {
            SCOPED_TRACE(testing::Message() << "clé " << cle << (enAvant ? " en avant" : " en arrière"));
            const std::vector<std::string> reference = Parcours(chemin, cle, enAvant, false);
            const std::vector<std::string> curseur = Parcours(chemin, cle, enAvant, true);
            EXPECT_EQ(curseur, reference);
            EXPECT_GT(reference.size(), 20u) << testing::PrintToString(reference);
            // On the code, the other process's inserts ahead were met on the way.
            if (cle == 0) {
                EXPECT_TRUE(
                    std::any_of(curseur.begin(), curseur.end(), [](const std::string& s) { return s[3] == '7'; }));
            }
        }
}

}  // namespace
