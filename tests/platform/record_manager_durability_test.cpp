// The record manager's files and their durability: what opens and what does not, read-only opens,
// files and folders, release by name, creation and its refusals, and a writer killed mid-write
// that loses nothing it was told was written.
#include "record_manager_fixture.h"
#include "support/other_user.h"

#include <QDir>
#include <sqlite3.h>

#include <csignal>
#include <cstdio>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

TEST_F(RecordManagerTest, OpeningWhatIsNotAnOpenableFile) {
    QFile text(tmp.path() + QStringLiteral("/texte.bt6"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("Ceci n'est pas une base, mais un texte assez long pour en avoir l'air.\n");
    text.close();
    QFile(tmp.path() + QStringLiteral("/vide.bt6")).open(QIODevice::WriteOnly);
    sqlite3* db = nullptr;  // a database, but not one of ours
    ASSERT_EQ(sqlite3_open(QFile::encodeName(tmp.path() + "/autre.bt6").constData(), &db), SQLITE_OK);
    sqlite3_exec(db, "CREATE TABLE t(x)", nullptr, nullptr, nullptr);
    sqlite3_close(db);

    struct Cas {
        const char* name;
        int16_t status;
    };
    const Cas cas[] = {
        {"absent.bt6", BtrStat::FileNotFound},         {"", BtrStat::FileNotFound},
        {"texte.bt6", BtrStat::NotARecordManagerFile}, {"vide.bt6", BtrStat::NotARecordManagerFile},
        {"autre.bt6", BtrStat::NotARecordManagerFile},
    };
    for (const auto& c : cas) {
        Btr b;
        const QString p = *c.name ? tmp.path() + "/" + c.name : QString();
        EXPECT_EQ(b.open(p), c.status) << c.name;
        EXPECT_EQ(b.call(BtrOp::GetFirst, 0), BtrStat::FileNotOpen) << c.name;
    }
    // A Windows-form name with another letter case finds the file (the data folder is given so).
    Btr b;
    EXPECT_EQ(b.open(tmp.path() + QStringLiteral("\\frad003.BT6")), 0);

    // Blocks that were never opened, or were released.
    Btr blank, zero;
    zero.pos.fill(0);
    EXPECT_EQ(blank.call(BtrOp::GetFirst, 0), BtrStat::FileNotOpen);
    EXPECT_EQ(zero.insert(Rec("X")), BtrStat::FileNotOpen);
    Btr c;
    ASSERT_EQ(c.open(path), 0);
    ASSERT_EQ(c.call(BtrOp::Close), 0);
    EXPECT_EQ(c.call(BtrOp::GetFirst, 0), BtrStat::FileNotOpen);
    EXPECT_EQ(c.call(BtrOp::Close), BtrStat::FileNotOpen);
}

TEST_F(RecordManagerTest, ReadOnlyOpensRefuseWrites) {
    fill({Rec("C1")});
    Btr r;
    ASSERT_EQ(r.open(path, BtrOpenMode::ReadOnly), 0);
    ASSERT_EQ(r.call(BtrOp::GetEqual, 0, Pad("C1", 8)), 0);
    EXPECT_EQ(r.update(Rec("C1", "X")), BtrStat::AccessDenied);
    EXPECT_EQ(r.call(BtrOp::Delete), BtrStat::AccessDenied);
    EXPECT_EQ(r.insert(Rec("C2")), BtrStat::AccessDenied);
    EXPECT_EQ(a.insert(Rec("C2")), 0);  // the normal open of the same path still writes
}

TEST_F(RecordManagerTest, ReadOnlyFilesOpenOnlyForReading) {
    const QString ro = tmp.path() + QStringLiteral("/FRAD004.bt6");
    ASSERT_EQ(Create(ro, kClients), 0);
    ASSERT_EQ(a.call(BtrOp::Stop), 0);  // no connection of ours crosses into the child
    QFile::setPermissions(tmp.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther |
                                          QFile::ExeOther | QFile::WriteOther);
    QFile::setPermissions(ro, QFile::ReadOwner | QFile::ReadOther);
    const int r = CommeUtilisateurOrdinaire([&] {
        Btr w;
        if (w.open(ro) != BtrStat::AccessDenied) return 1;
        if (w.open(ro, BtrOpenMode::ReadOnly) != 0) return 2;
        if (w.insert(Rec("C1")) != BtrStat::AccessDenied) return 3;
        return 0;
    });
    EXPECT_EQ(r, 0);
}

// A base in a folder no one may write (a backup, a read-only share): it opens for reading,
// every record reads, writes are refused, and nothing is created beside it.
TEST_F(RecordManagerTest, AFileInAReadOnlyFolderStillReads) {
    fill({Rec("C1", "b"), Rec("C2", "a"), Rec("C3", "b")});
    ASSERT_EQ(a.call(BtrOp::Stop), 0);  // closed cleanly: its log folded into the file
    const QStringList avant = QDir(tmp.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    ASSERT_FALSE(avant.contains(QStringLiteral("FRAD003.bt6-wal")));
    QFile::setPermissions(tmp.path(), QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther);
    const int r = CommeUtilisateurOrdinaire([&] {
        Btr w;
        if (w.open(path) != BtrStat::AccessDenied) return 1;
        if (w.open(path, BtrOpenMode::ReadOnly) != 0) return 2;
        if (Walk(w, 0) != Codes{"C1", "C2", "C3"}) return 3;
        if (Walk(w, 1) != Codes{"C2", "C1", "C3"}) return 4;
        if (w.call(BtrOp::GetEqual, 0, Pad("C2", 8)) != 0 || w.data != Rec("C2", "a")) return 5;
        if (w.update(Rec("C2", "x")) != BtrStat::AccessDenied) return 6;
        if (w.call(BtrOp::Delete) != BtrStat::AccessDenied) return 7;
        if (w.insert(Rec("C4")) != BtrStat::AccessDenied) return 8;
        BtrFileDescription d;
        if (BtrDescribeFile(w.pos.data(), &d) != 0 || d.recordCount != 3) return 9;
        if (w.call(BtrOp::Close) != 0) return 10;
        return 0;
    });
    QFile::setPermissions(tmp.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_EQ(r, 0);
    EXPECT_EQ(QDir(tmp.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name), avant);
}

TEST_F(RecordManagerTest, ReleaseByNameAsTheOpenRoutineSendsIt) {
    Btr b;
    ASSERT_EQ(b.open(path), 0);
    // A blank block and the file's name: one open of that file is released.
    Btr stop;
    ASSERT_EQ(stop.call(BtrOp::Stop, 0, QFile::encodeName(path).toStdString()), 0);
    EXPECT_EQ(stop.pos, Btr().pos);
    EXPECT_EQ(a.call(BtrOp::GetFirst, 0), BtrStat::EndOfFile);
    ASSERT_EQ(stop.call(BtrOp::Stop, 0, QFile::encodeName(path).toStdString()), 0);
    EXPECT_EQ(a.call(BtrOp::GetFirst, 0), BtrStat::FileNotOpen);
    EXPECT_EQ(b.call(BtrOp::GetFirst, 0), BtrStat::FileNotOpen);
    EXPECT_EQ(stop.call(BtrOp::Stop, 0, "/nulle/part.bt6"), 0);
    ASSERT_EQ(a.open(path), 0);
    EXPECT_EQ(a.insert(Rec("C1")), 0);
}

TEST_F(RecordManagerTest, CreateRefusalsAndCreateOverAnExistingFile) {
    fill({Rec("C1")});
    const QString p = tmp.path() + QStringLiteral("/FRADA40.bt6");
    EXPECT_EQ(Create(path, kClients), BtrStat::FileLocked);  // open here
    EXPECT_EQ(Create(p, kClients), 0);
    EXPECT_EQ(Create(p, kClients, -1), BtrStat::FileAlreadyExists);

    Btr b;
    ASSERT_EQ(b.open(p), 0);
    ASSERT_EQ(b.insert(Rec("C1")), 0);
    ASSERT_EQ(b.call(BtrOp::Close), 0);
    // Created again with another definition: empty, and the new definition holds.
    ASSERT_EQ(Create(p, Layout(30, 1, {{1, 4, 3}})), 0);
    ASSERT_EQ(b.open(p), 0);
    BtrFileDescription d;
    ASSERT_EQ(BtrDescribeFile(b.pos.data(), &d), 0);
    EXPECT_EQ(d.recordLength, 30u);
    EXPECT_EQ(d.recordCount, 0);
    b.data.assign(30, 'x');
    ASSERT_EQ(b.call(BtrOp::Insert, 0), 0);
    ASSERT_EQ(b.call(BtrOp::Insert, 0), 0);  // duplicates now allowed
    EXPECT_EQ(b.len, 30u);
    // Nothing is left of the building of the file beside it.
    const QStringList left = QDir(tmp.path()).entryList(QDir::Files | QDir::Hidden);
    EXPECT_TRUE(left.filter(QStringLiteral("creating")).isEmpty()) << left.join(' ').toStdString();

    struct Cas {
        const char* what;
        std::array<uint8_t, 160> layout;
        uint32_t len;
        int16_t status;
    };
    const Cas cas[] = {
        {"no record length", Layout(0, 1, {{1, 4, 2}}), 160, BtrStat::RecordLengthError},
        {"no key", Layout(30, 0, {}), 160, BtrStat::KeyCountError},
        {"key past the record", Layout(30, 1, {{28, 4, 2}}), 160, BtrStat::InvalidKeyPosition},
        {"key at byte 0", Layout(30, 1, {{0, 4, 2}}), 160, BtrStat::InvalidKeyPosition},
        {"key too long", Layout(200, 1, {{1, 92, 2}}), 160, BtrStat::InvalidKeyLength},
        {"descending key", Layout(30, 1, {{1, 4, 64 | 2}}), 160, BtrStat::InvalidKeyLength},
        {"more keys than entries",
         Layout(30, 10,
                {{1, 1, 3}, {2, 1, 3}, {3, 1, 3}, {4, 1, 3}, {5, 1, 3}, {6, 1, 3}, {7, 1, 3}, {8, 1, 3}, {9, 1, 3}}),
         160, BtrStat::KeyCountError},
        {"short buffer", Layout(30, 1, {{1, 4, 2}}), 20, BtrStat::KeyCountError},
    };
    for (const auto& c : cas) {
        std::array<uint8_t, 160> s = c.layout;
        uint32_t len = c.len;
        std::string key = QFile::encodeName(tmp.path() + "/bad.bt6").toStdString();
        Btr x;
        EXPECT_EQ(BTRCALL(BtrOp::Create, x.pos.data(), s.data(), &len, key.data(), uint16_t(key.size()), 0), c.status)
            << c.what;
        EXPECT_FALSE(QFile::exists(tmp.path() + "/bad.bt6")) << c.what;
    }
    EXPECT_EQ(Create(tmp.path() + QStringLiteral("/absent/FRAD041.bt6"), kClients), BtrStat::FileNotFound);
}

// A writer in another process, killed while it inserts: every insert it was told had succeeded
// is there, every record reads whole, and the file works on.
TEST_F(RecordManagerTest, AWriterKilledMidWriteLosesNothingItWasToldWasWritten) {
    const std::string name = QFile::encodeName(path).toStdString();
    auto payload = [](int i) { return "n" + std::to_string(i) + "-" + std::string(size_t(i % 23), '*'); };
    auto code = [](int i) {
        char c[9];
        std::snprintf(c, sizeof c, "K%07d", i);
        return std::string(c);
    };
    ASSERT_EQ(a.call(BtrOp::Stop), 0);  // no connection of ours crosses the fork
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(fds[0]);
        Btr w;
        if (w.open(QString::fromStdString(name)) != 0) _exit(2);
        for (int i = 0; i < 100000; ++i) {
            if (w.insert(Rec(code(i), "G" + std::to_string(i % 3), "", payload(i))) != 0) _exit(3);
            const int32_t done = i + 1;
            if (write(fds[1], &done, sizeof done) != sizeof done) _exit(4);
        }
        _exit(0);
    }
    close(fds[1]);
    int32_t told = 0;
    bool readMeanwhile = false;
    while (told < 200) {
        if (told >= 100 && !readMeanwhile) {  // the file is shared while the writer works
            ASSERT_EQ(a.open(path), 0);
            EXPECT_GE(int(Walk(a, 0).size()), 100);
            readMeanwhile = true;
        }
        pollfd pf{fds[0], POLLIN, 0};
        ASSERT_GT(poll(&pf, 1, 30000), 0) << "the writer stalled";
        int32_t v;
        ASSERT_EQ(read(fds[0], &v, sizeof v), ssize_t(sizeof v)) << "the writer stopped";
        told = v;
    }
    kill(child, SIGKILL);
    int wst = 0;
    waitpid(child, &wst, 0);
    ASSERT_TRUE(WIFSIGNALED(wst));
    int32_t v;
    while (read(fds[0], &v, sizeof v) == ssize_t(sizeof v)) told = v;
    close(fds[0]);

    // The open made while the writer worked sees the records; so does a fresh one.
    const std::vector<std::string> seen = Walk(a, 0);
    ASSERT_EQ(a.call(BtrOp::Stop), 0);
    ASSERT_EQ(a.open(path), 0);
    const std::vector<std::string> codes = Walk(a, 0);
    EXPECT_EQ(codes, seen);
    ASSERT_GE(int(codes.size()), told);
    ASSERT_LE(int(codes.size()), told + 1);  // the one in flight may have landed
    for (size_t i = 0; i < codes.size(); ++i) {
        ASSERT_EQ(codes[i], code(int(i)));
        ASSERT_EQ(a.call(BtrOp::GetEqual, 0, code(int(i))), 0);
        ASSERT_EQ(a.data, Rec(code(int(i)), "G" + std::to_string(i % 3), "", payload(int(i))));
    }
    // Duplicates still in insertion order.
    std::vector<std::string> g1;
    int16_t st = a.call(BtrOp::GetEqual, 1, Pad("G1", 10));
    while (st == 0 && Trim(a.data.substr(8, 10)) == "G1") {
        g1.push_back(a.code());
        st = a.call(BtrOp::GetNext, 1);
    }
    ASSERT_EQ(g1.size(), (codes.size() + 1) / 3);
    for (size_t i = 0; i < g1.size(); ++i) EXPECT_EQ(g1[i], code(int(3 * i + 1)));
    EXPECT_EQ(a.insert(Rec("Z1")), 0);

    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(path).constData(), &db), SQLITE_OK);
    sqlite3_stmt* s = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &s, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_step(s), SQLITE_ROW);
    EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(s, 0)), "ok");
    sqlite3_finalize(s);
    sqlite3_close(db);
}

}  // namespace
