// The record manager against SQLite used directly for the same work, with the same durability
// (WAL, synchronous=FULL) and the same tables and indexes: insert, Get Equal, a Get Next walk over
// 2,000 duplicates of one key, update. Prints each cost as a ratio to the direct form, the walk
// against a raw cursor stepped over the same rows (the walk keeps its stepping statement between
// calls; aim: at most 2), the walk that seeks again at every step, and a Get Next against a Get
// Equal.
#include "platform/record_manager.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

// As the clients file: 900-byte records, code (1-8, unique), name (9-18, duplicates,
// case-insensitive).
constexpr int kRecLen = 900;
constexpr int kRecords = 10000;
constexpr int kDuplicates = 2000;

std::string g_dir;

std::string Code(int i) {
    char c[16];
    std::snprintf(c, sizeof c, "K%07d", i % 10000000);
    return c;
}

std::string Name(int i) {
    std::string n = i < kDuplicates ? "Doublon" : "Nom" + std::to_string(i % 500);
    n.resize(10, ' ');
    return n;
}

std::string Record(const std::string& code, const std::string& name, int salt) {
    std::string r = code + name;
    r.resize(kRecLen, char('a' + salt % 26));
    return r;
}

void Check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "bench setup failed: %s\n", what);
        std::exit(1);
    }
}

void Put16(uint8_t* p, int v) {
    p[0] = uint8_t(v & 0xFF);
    p[1] = uint8_t(v >> 8);
}

void CreateFile(const std::string& path) {
    std::array<uint8_t, 160> s{};
    Put16(&s[0], kRecLen);
    Put16(&s[2], 1024);
    Put16(&s[4], 2);
    Put16(&s[16], 1), Put16(&s[18], 8), Put16(&s[20], 2);
    Put16(&s[32], 9), Put16(&s[34], 10), Put16(&s[36], 1027);
    uint32_t len = 160;
    std::array<char, kPosBlockSize> pos;
    pos.fill(' ');
    std::string key = path;
    const int16_t st = BTRCALL(BtrOp::Create, pos.data(), s.data(), &len, key.data(), uint16_t(key.size()), 0);
    if (st != 0) std::fprintf(stderr, "create %s: status %d\n", path.c_str(), st);
    Check(st == 0, "create");
}

struct Block {
    std::array<char, kPosBlockSize> pos;
    std::string data = std::string(kRecLen, ' ');
    uint32_t len = kRecLen;
    std::array<char, 255> key{};
    explicit Block(const std::string& path) {
        pos.fill(' ');
        std::memcpy(key.data(), path.data(), path.size());
        Check(call(BtrOp::Open, 0) == 0, "open");
    }
    ~Block() { call(BtrOp::Close, 0); }
    int16_t call(uint16_t op, int16_t keyNum) {
        len = kRecLen;
        return BTRCALL(op, pos.data(), data.data(), &len, key.data(), 255, keyNum);
    }
    void setKey(const std::string& k) { std::memcpy(key.data(), k.data(), k.size()); }
};

// The direct form: one connection, the same pragmas, statements prepared once.
struct Raw {
    sqlite3* db = nullptr;
    explicit Raw(const std::string& path) {
        Check(sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) == SQLITE_OK,
              "raw open");
        sqlite3_exec(db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL;", nullptr, nullptr, nullptr);
    }
    ~Raw() { sqlite3_close_v2(db); }
    sqlite3_stmt* prepare(const char* sql) {
        sqlite3_stmt* s = nullptr;
        Check(sqlite3_prepare_v3(db, sql, -1, SQLITE_PREPARE_PERSISTENT, &s, nullptr) == SQLITE_OK, sql);
        return s;
    }
};

// The shared read file: kRecords records, the first kDuplicates of one name.
std::string ReadFile() {
    static const std::string path = [] {
        const std::string p = g_dir + "/FRAD003.bt6";
        CreateFile(p);
        Block b(p);
        std::array<char, kPosBlockSize> t;
        t.fill(' ');
        uint32_t z = 0;
        Check(BTRCALL(BtrOp::BeginTransaction, t.data(), nullptr, &z, nullptr, 0, 0) == 0, "begin");
        for (int i = 0; i < kRecords; ++i) {
            b.data = Record(Code(i), Name(i), i);
            Check(b.call(BtrOp::Insert, 0) == 0, "fill");
        }
        Check(BTRCALL(BtrOp::EndTransaction, t.data(), nullptr, &z, nullptr, 0, 0) == 0, "end");
        return p;
    }();
    return path;
}

// ---------------------------------------------------------------- insert

void BM_Insert_Layer(benchmark::State& state) {
    const std::string p = g_dir + "/ins_layer.bt6";
    CreateFile(p);
    Block b(p);
    int i = 0;
    for (auto _ : state) {
        b.data = Record(Code(i), Name(i % 3000), i);
        ++i;
        if (b.call(BtrOp::Insert, 0) != 0) state.SkipWithError("insert");
    }
}

void BM_Insert_Raw(benchmark::State& state) {
    const std::string p = g_dir + "/ins_raw.bt6";
    CreateFile(p);
    Raw r(p);
    sqlite3_stmt* s = r.prepare(
        "INSERT INTO records(ver, data, k0, k1, s1) VALUES(1, ?1, ?2, ?3, "
        "coalesce((SELECT s1 FROM records WHERE k1 = ?3 ORDER BY s1 DESC LIMIT 1), 0) + 1)");
    int i = 0;
    for (auto _ : state) {
        const std::string rec = Record(Code(i), Name(i % 3000), i);
        ++i;
        sqlite3_bind_blob(s, 1, rec.data(), kRecLen, SQLITE_STATIC);
        sqlite3_bind_blob(s, 2, rec.data(), 8, SQLITE_STATIC);
        sqlite3_bind_blob(s, 3, rec.data() + 8, 10, SQLITE_STATIC);
        if (sqlite3_step(s) != SQLITE_DONE) state.SkipWithError("insert");
        sqlite3_reset(s);
    }
    sqlite3_finalize(s);
}

// ---------------------------------------------------------------- get equal

void BM_GetEqual_Layer(benchmark::State& state) {
    Block b(ReadFile());
    std::mt19937 rng(7);
    for (auto _ : state) {
        b.setKey(Code(int(rng() % kRecords)));
        if (b.call(BtrOp::GetEqual, 0) != 0) state.SkipWithError("get");
        benchmark::DoNotOptimize(b.data.data());
    }
}

void BM_GetEqual_Raw(benchmark::State& state) {
    Raw r(ReadFile());
    sqlite3_stmt* s = r.prepare("SELECT id, ver, data FROM records WHERE k0 = ?1 LIMIT 1");
    std::mt19937 rng(7);
    std::string data(kRecLen, ' ');
    for (auto _ : state) {
        const std::string k = Code(int(rng() % kRecords));
        sqlite3_bind_blob(s, 1, k.data(), 8, SQLITE_STATIC);
        if (sqlite3_step(s) != SQLITE_ROW) state.SkipWithError("get");
        std::memcpy(data.data(), sqlite3_column_blob(s, 2), kRecLen);
        sqlite3_reset(s);
        benchmark::DoNotOptimize(data.data());
    }
    sqlite3_finalize(s);
}

// ---------------------------------------------------------------- Get Next over duplicates

void BM_NextWalk_Layer(benchmark::State& state) {
    Block b(ReadFile());
    for (auto _ : state) {
        b.setKey(Name(0));
        int n = 0;
        for (int16_t st = b.call(BtrOp::GetEqual, 1); st == 0 && std::memcmp(b.data.data() + 8, "Doublon", 7) == 0;
             st = b.call(BtrOp::GetNext, 1))
            ++n;
        if (n != kDuplicates) state.SkipWithError("walk");
    }
    state.SetItemsProcessed(state.iterations() * kDuplicates);
}

// The walk with every step seeking again from the position (the record manager's fallback).
void BM_NextWalk_LayerReseek(benchmark::State& state) {
    BtrCurseursActifs(false);
    BM_NextWalk_Layer(state);
    BtrCurseursActifs(true);
}

// The same work by hand: each step seeks again from the last key and place (what a caller must
// do when writes may come between two steps).
void BM_NextWalk_Raw(benchmark::State& state) {
    Raw r(ReadFile());
    sqlite3_stmt* first = r.prepare("SELECT id, s1, data FROM records WHERE k1 = ?1 ORDER BY k1, s1 LIMIT 1");
    sqlite3_stmt* next =
        r.prepare("SELECT id, s1, data FROM records WHERE (k1, s1) >= (?1, ?2) AND id <> ?3 ORDER BY k1, s1 LIMIT 1");
    std::string data(kRecLen, ' ');
    const std::string folded = "DOUBLON   ";
    for (auto _ : state) {
        sqlite3_bind_blob(first, 1, folded.data(), 10, SQLITE_STATIC);
        int rc = sqlite3_step(first);
        int64_t id = sqlite3_column_int64(first, 0), seq = sqlite3_column_int64(first, 1);
        std::memcpy(data.data(), sqlite3_column_blob(first, 2), kRecLen);
        sqlite3_reset(first);
        int n = 0;
        std::array<char, 10> key;
        while (rc == SQLITE_ROW && std::memcmp(data.data() + 8, "Doublon", 7) == 0) {
            ++n;
            std::memcpy(key.data(), folded.data(), 10);
            sqlite3_bind_blob(next, 1, key.data(), 10, SQLITE_STATIC);
            sqlite3_bind_int64(next, 2, seq);
            sqlite3_bind_int64(next, 3, id);
            rc = sqlite3_step(next);
            if (rc == SQLITE_ROW) {
                id = sqlite3_column_int64(next, 0);
                seq = sqlite3_column_int64(next, 1);
                std::memcpy(data.data(), sqlite3_column_blob(next, 2), kRecLen);
            }
            sqlite3_reset(next);
        }
        if (n != kDuplicates) state.SkipWithError("walk");
    }
    state.SetItemsProcessed(state.iterations() * kDuplicates);
    sqlite3_finalize(first);
    sqlite3_finalize(next);
}

// For information: one cursor stepped along the index, blind to writes made meanwhile.
void BM_NextWalk_RawCursor(benchmark::State& state) {
    Raw r(ReadFile());
    sqlite3_stmt* s = r.prepare("SELECT data FROM records WHERE k1 = ?1 ORDER BY s1");
    std::string data(kRecLen, ' ');
    const std::string folded = "DOUBLON   ";
    for (auto _ : state) {
        sqlite3_bind_blob(s, 1, folded.data(), 10, SQLITE_STATIC);
        int n = 0;
        while (sqlite3_step(s) == SQLITE_ROW) {
            std::memcpy(data.data(), sqlite3_column_blob(s, 0), kRecLen);
            ++n;
        }
        sqlite3_reset(s);
        if (n != kDuplicates) state.SkipWithError("walk");
    }
    state.SetItemsProcessed(state.iterations() * kDuplicates);
    sqlite3_finalize(s);
}

// ---------------------------------------------------------------- update

void BM_Update_Layer(benchmark::State& state) {
    Block b(ReadFile());
    b.setKey(Code(kRecords - 1));
    Check(b.call(BtrOp::GetEqual, 0) == 0, "position");
    int i = 0;
    for (auto _ : state) {
        b.data = Record(Code(kRecords - 1), Name(kRecords - 1), i++);
        if (b.call(BtrOp::Update, 0) != 0) state.SkipWithError("update");
    }
}

void BM_Update_Raw(benchmark::State& state) {
    Raw r(ReadFile());
    sqlite3_stmt* s = r.prepare("UPDATE records SET data = ?1, k0 = ?2, k1 = ?3 WHERE id = ?4");
    sqlite3_stmt* find = r.prepare("SELECT id FROM records WHERE k0 = ?1");
    const std::string code = Code(kRecords - 2);
    sqlite3_bind_blob(find, 1, code.data(), 8, SQLITE_STATIC);
    Check(sqlite3_step(find) == SQLITE_ROW, "raw position");
    const int64_t id = sqlite3_column_int64(find, 0);
    sqlite3_finalize(find);
    int i = 0;
    for (auto _ : state) {
        const std::string rec = Record(code, Name(kRecords - 2), i++);
        sqlite3_bind_blob(s, 1, rec.data(), kRecLen, SQLITE_STATIC);
        sqlite3_bind_blob(s, 2, rec.data(), 8, SQLITE_STATIC);
        sqlite3_bind_blob(s, 3, rec.data() + 8, 10, SQLITE_STATIC);
        sqlite3_bind_int64(s, 4, id);
        if (sqlite3_step(s) != SQLITE_DONE) state.SkipWithError("update");
        sqlite3_reset(s);
    }
    sqlite3_finalize(s);
}

// Writes wait on the disk, whose speed wanders: several repetitions, and the median is used.
BENCHMARK(BM_Insert_Layer)->Unit(benchmark::kMicrosecond)->MinTime(0.5)->Repetitions(5);
BENCHMARK(BM_Insert_Raw)->Unit(benchmark::kMicrosecond)->MinTime(0.5)->Repetitions(5);
BENCHMARK(BM_GetEqual_Layer)->Unit(benchmark::kMicrosecond)->Repetitions(3);
BENCHMARK(BM_GetEqual_Raw)->Unit(benchmark::kMicrosecond)->Repetitions(3);
BENCHMARK(BM_NextWalk_Layer)->Unit(benchmark::kMillisecond)->Repetitions(5);
BENCHMARK(BM_NextWalk_LayerReseek)->Unit(benchmark::kMillisecond)->Repetitions(3);
BENCHMARK(BM_NextWalk_Raw)->Unit(benchmark::kMillisecond)->Repetitions(3);
BENCHMARK(BM_NextWalk_RawCursor)->Unit(benchmark::kMillisecond)->Repetitions(5);
BENCHMARK(BM_Update_Layer)->Unit(benchmark::kMicrosecond)->MinTime(0.5)->Repetitions(5);
BENCHMARK(BM_Update_Raw)->Unit(benchmark::kMicrosecond)->MinTime(0.5)->Repetitions(5);

// Keeps the real and CPU time per iteration of every repetition, for the ratios of medians.
class Collect : public benchmark::ConsoleReporter {
public:
    std::map<std::string, std::vector<double>> real, cpu;
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs)
            if (r.run_type == Run::RT_Iteration && r.iterations > 0) {
                real[r.run_name.function_name].push_back(r.real_accumulated_time / double(r.iterations));
                cpu[r.run_name.function_name].push_back(r.cpu_accumulated_time / double(r.iterations));
            }
        ConsoleReporter::ReportRuns(runs);
    }
};

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    char tmpl[] = "/tmp/kirvo_rm_bench_XXXXXX";
    Check(mkdtemp(tmpl) != nullptr, "temporary folder");
    g_dir = tmpl;
    benchmark::Initialize(&argc, argv);
    Collect rep;
    benchmark::RunSpecifiedBenchmarks(&rep);

    auto ratio = [&](const char* label, const std::string& a, const std::string& b, double aPer = 1, double bPer = 1) {
        if (!rep.real.count(a) || !rep.real.count(b)) return;
        std::printf("  %-40s %8.2f %8.2f\n", label, (Median(rep.real[a]) / aPer) / (Median(rep.real[b]) / bPer),
                    (Median(rep.cpu[a]) / aPer) / (Median(rep.cpu[b]) / bPer));
    };
    std::printf("\nRatios of medians (lower is better)       real time  CPU time\n");
    ratio("insert, layer / direct", "BM_Insert_Layer", "BM_Insert_Raw");
    ratio("Get Equal, layer / direct", "BM_GetEqual_Layer", "BM_GetEqual_Raw");
    ratio("Get Next walk, layer / direct re-seek", "BM_NextWalk_Layer", "BM_NextWalk_Raw");
    ratio("Get Next walk, layer / direct cursor", "BM_NextWalk_Layer", "BM_NextWalk_RawCursor");
    ratio("Get Next walk re-seeking, layer / cursor", "BM_NextWalk_LayerReseek", "BM_NextWalk_RawCursor");
    ratio("update, layer / direct", "BM_Update_Layer", "BM_Update_Raw");
    ratio("one Get Next / one Get Equal (layer)", "BM_NextWalk_Layer", "BM_GetEqual_Layer", kDuplicates, 1);

    BTRCALL(BtrOp::Stop, nullptr, nullptr, nullptr, nullptr, 0, 0);
    std::filesystem::remove_all(g_dir);
    benchmark::Shutdown();
    return 0;
}
