// The record manager's writes and transactions: insert, update and delete (with the row-version
// check that stands in for record locks), the commits' wait for the disk, and the transaction
// every file used meanwhile joins.
#include "platform/record_manager_internal.h"

#include <atomic>
#include <cstring>
#include <utility>

namespace rm {

namespace {

std::atomic<uint64_t> g_commits{0};
// Writes outside a transaction commit without waiting for the disk (see BtrSansAttente).
bool g_sansAttente = false;

}  // namespace

// Counts the commits that waited for the disk: those are what a run pays for durability.
int CompterCommit(void* f) {
    if (static_cast<const File*>(f)->syncFull) g_commits.fetch_add(1, std::memory_order_relaxed);
    return 0;
}

namespace {

// The place at the end of the duplicates of the key bound at ?p.
std::string EndOfDuplicates(size_t key, int param) {
    const std::string n = N(key);
    return "coalesce((SELECT s" + n + " FROM records WHERE k" + n + " = ?" + std::to_string(param) + " ORDER BY s" + n +
           " DESC LIMIT 1), 0) + 1";
}

std::string ReturningSeqs(const FileDef& def) {
    std::string s;
    for (size_t i = 0; i < def.keys.size(); ++i) s += def.keys[i].duplicates ? ", s" + N(i) : ", 0";
    return s;
}

std::string InsertSql(const FileDef& def) {
    std::string cols = "ver, data", vals = "1, ?1";
    for (size_t i = 0; i < def.keys.size(); ++i) {
        const int p = int(2 + i);
        cols += ", k" + N(i);
        vals += ", ?" + std::to_string(p);
        if (def.keys[i].duplicates) {
            cols += ", s" + N(i);
            vals += ", " + EndOfDuplicates(i, p);
        }
    }
    return "INSERT INTO records(" + cols + ") VALUES(" + vals + ") RETURNING id" + ReturningSeqs(def);
}

// A key an update sets: one of the mask, or any past the mask's width (always set).
constexpr size_t kMaskKeys = 31;
bool KeySet(uint32_t changed, size_t key) { return key >= kMaskKeys || (changed & (1u << key)); }

// Sets the keys of the mask only; the parameters keep their numbers whatever the mask.
std::string UpdateSql(const FileDef& def, uint32_t changed) {
    std::string set = "ver = ver + 1, data = ?1";
    for (size_t i = 0; i < def.keys.size(); ++i) {
        if (!KeySet(changed, i)) continue;
        const std::string p = "?" + std::to_string(2 + i);
        const std::string n = N(i);
        set += ", k" + n + " = " + p;
        // The old values are those the CASE reads: an unchanged key keeps its place.
        if (def.keys[i].duplicates)
            set += ", s" + n + " = CASE WHEN k" + n + " = " + p + " THEN s" + n + " ELSE " +
                   EndOfDuplicates(i, int(2 + i)) + " END";
    }
    const size_t idParam = 2 + def.keys.size();
    return "UPDATE records SET " + set + " WHERE id = ?" + std::to_string(idParam) + " AND ver = ?" +
           std::to_string(idParam + 1) + " RETURNING ver" + ReturningSeqs(def);
}

std::string OldKeysSql(const FileDef& def) {
    std::string cols;
    for (size_t i = 0; i < def.keys.size(); ++i) cols += (i ? ", k" : "k") + N(i);
    return "SELECT " + cols + " FROM records WHERE id = ?1 AND ver = ?2";
}

// The statement of a slot, prepared on first use from the SQL that makeSql gives.
template <typename MakeSql>
sqlite3_stmt* Lazy(File& f, sqlite3_stmt*& slot, MakeSql makeSql, int* rc) {
    if (!slot)
        slot = Prepare(f.db, makeSql(), rc);
    else
        *rc = SQLITE_OK;
    return slot;
}

// Whether the connection's commits wait for the disk. SQLite refuses the change inside a
// transaction: it is made before one begins.
void Synchro(File& f, bool full) {
    if (full == f.syncFull || f.readOnly) return;
    if (Exec(f.db, full ? "PRAGMA synchronous=FULL" : "PRAGMA synchronous=NORMAL") == SQLITE_OK) f.syncFull = full;
}

}  // namespace

// Inside a transaction every file touched joins it.
int16_t Touch(File& f) {
    Registry& r = reg();
    if (!r.txn || f.inTxn) return BtrStat::Ok;
    f.dropCursors();
    Synchro(f, true);
    const int rc = Exec(f.db, f.readOnly ? "BEGIN" : "BEGIN IMMEDIATE");
    if (rc != SQLITE_OK) return StatusOf(rc);
    f.inTxn = true;
    r.txnFiles.push_back(f.id);
    return BtrStat::Ok;
}

int16_t EndTransaction(bool commit) {
    Registry& r = reg();
    if (!r.txn) return BtrStat::TransactionError;
    int16_t st = BtrStat::Ok;
    for (uint32_t id : r.txnFiles) {
        File* f = r.files[id];
        if (!f) continue;
        const int rc = Exec(f->db, commit ? "COMMIT" : "ROLLBACK");
        if (rc != SQLITE_OK) {
            if (st == BtrStat::Ok) st = StatusOf(rc);
            Exec(f->db, "ROLLBACK");
        }
        f->inTxn = false;
    }
    const std::vector<uint32_t> touched = std::move(r.txnFiles);
    r.txnFiles.clear();
    r.txn = false;
    for (uint32_t id : touched)
        if (File* f = r.files[id]; f && f->refs == 0) CloseFile(id);
    return st;
}

namespace {

// Binds the record (?1) and every key's comparison bytes (?2...).
// The record's keys in comparison order, into the file's scratch slots.
void FoldRecordKeys(File& f, const uint8_t* record) {
    uint8_t raw[kBtrMaxKeyLength];
    uint8_t* slot = f.scratch.data();
    for (const KeyDef& k : f.def.keys) {
        KeyFromRecord(k, record, raw);
        FoldKey(k, raw, slot);
        slot += k.length;
    }
}

// The record and its folded keys (FoldRecordKeys done) as parameters 1, 2...
void BindFolded(File& f, sqlite3_stmt* s, const uint8_t* record) {
    sqlite3_bind_blob(s, 1, record, f.def.recordLength, SQLITE_STATIC);
    const uint8_t* slot = f.scratch.data();
    for (size_t i = 0; i < f.def.keys.size(); ++i) {
        sqlite3_bind_blob(s, int(2 + i), slot, f.def.keys[i].length, SQLITE_STATIC);
        slot += f.def.keys[i].length;
    }
}

void BindRecord(File& f, sqlite3_stmt* s, const uint8_t* record) {
    FoldRecordKeys(f, record);
    BindFolded(f, s, record);
}

// The keys (folded, in the scratch slots) that differ from those of the stored record this
// position read; -1 when that record is gone or was written since (the update would find
// nothing either), or on a failed read (its status in *st).
int64_t ChangedKeys(Call& c, int16_t* st) {
    int rc;
    sqlite3_stmt* s = Lazy(
        c.f, c.f.oldKeys, [&] { return OldKeysSql(c.f.def); }, &rc);
    *st = BtrStat::Ok;
    if (!s) {
        *st = StatusOf(rc);
        return -1;
    }
    Done done{s};
    sqlite3_bind_int64(s, 1, c.p.id);
    sqlite3_bind_int64(s, 2, c.p.ver);
    rc = sqlite3_step(s);
    if (rc == SQLITE_DONE) return -1;
    if (rc != SQLITE_ROW) {
        *st = StatusOf(rc);
        return -1;
    }
    uint32_t changed = 0;
    const uint8_t* slot = c.f.scratch.data();
    for (size_t i = 0; i < c.f.def.keys.size(); ++i) {
        const int n = c.f.def.keys[i].length;
        const int m = sqlite3_column_bytes(s, int(i));
        const void* old = sqlite3_column_blob(s, int(i));
        if (i < kMaskKeys && (m != n || (n && std::memcmp(old, slot, size_t(n)) != 0))) changed |= 1u << i;
        slot += n;
    }
    return changed;
}

const uint8_t* FoldedKeyOf(const File& f, size_t key) {
    const uint8_t* slot = f.scratch.data();
    for (size_t i = 0; i < key; ++i) slot += f.def.keys[i].length;
    return slot;
}

// A write's first step: refused on a read-only open; else every walk of the file seeks again
// after it, whatever its outcome.
int16_t StartWrite(Call& c) {
    if (c.p.readOnly || c.f.readOnly) return BtrStat::AccessDenied;
    c.f.dropCursors();
    ++c.f.writes;
    // A transaction's commit always waits for the disk (its files were set so as they joined).
    if (!reg().txn) Synchro(c.f, !g_sansAttente);
    return BtrStat::Ok;
}

}  // namespace

int16_t Insert(Call& c) {
    if (int16_t st = StartWrite(c)) return st;
    if (!ValidKey(c.f, c.keyNum)) return BtrStat::InvalidKeyNumber;
    const KeyDef& k = c.f.def.keys[size_t(c.keyNum)];
    if (!c.keyBuf || c.keyLen < k.length) return BtrStat::KeyBufferTooShort;
    // Records are fixed-length: a shorter one is refused rather than padded with guesses.
    if (!c.dataBuf || !c.dataLen || *c.dataLen < c.f.def.recordLength) return BtrStat::DataBufferTooShort;
    if (int16_t st = Touch(c.f)) return st;
    int rc;
    sqlite3_stmt* s = Lazy(
        c.f, c.f.insert, [&] { return InsertSql(c.f.def); }, &rc);
    if (!s) return StatusOf(rc);
    Done done{s};
    const auto* record = static_cast<const uint8_t*>(c.dataBuf);
    BindRecord(c.f, s, record);
    rc = sqlite3_step(s);
    if (rc != SQLITE_ROW) return StatusOf(rc);
    const int64_t id = sqlite3_column_int64(s, 0);
    const int64_t seq = sqlite3_column_int64(s, 1 + c.keyNum);
    rc = sqlite3_step(s);  // the commit happens as the statement ends
    if (rc != SQLITE_DONE) return StatusOf(rc);

    KeyFromRecord(k, record, static_cast<uint8_t*>(c.keyBuf));
    std::memcpy(c.p.key, FoldedKeyOf(c.f, size_t(c.keyNum)), k.length);
    c.p.keyLen = uint8_t(k.length);
    c.p.keyNum = c.keyNum;
    c.p.id = id;
    c.p.seq = seq;
    c.p.ver = 1;
    c.p.state = kOnRecord;
    return BtrStat::Ok;
}

namespace {

// 80 when the record is gone or has another version than the one this block read.
int16_t CheckUnchanged(Call& c, const uint8_t* newRecord) {
    int rc;
    sqlite3_stmt* s = Lazy(
        c.f, c.f.current, [] { return std::string("SELECT ver, data FROM records WHERE id = ?1"); }, &rc);
    if (!s) return StatusOf(rc);
    Done done{s};
    sqlite3_bind_int64(s, 1, c.p.id);
    rc = sqlite3_step(s);
    if (rc == SQLITE_DONE) return BtrStat::Conflict;
    if (rc != SQLITE_ROW) return StatusOf(rc);
    if (sqlite3_column_int64(s, 0) != c.p.ver) return BtrStat::Conflict;
    if (!newRecord) return BtrStat::Ok;
    if (uint32_t(sqlite3_column_bytes(s, 1)) < c.f.def.recordLength) return BtrStat::IoError;
    const auto* old = static_cast<const uint8_t*>(sqlite3_column_blob(s, 1));
    uint8_t a[kBtrMaxKeyLength], b[kBtrMaxKeyLength], fa[kBtrMaxKeyLength], fb[kBtrMaxKeyLength];
    for (const KeyDef& k : c.f.def.keys) {
        if (k.modifiable) continue;
        KeyFromRecord(k, old, a);
        KeyFromRecord(k, newRecord, b);
        FoldKey(k, a, fa);
        FoldKey(k, b, fb);
        if (std::memcmp(fa, fb, k.length) != 0) return BtrStat::KeyNotModifiable;
    }
    return BtrStat::Ok;
}

}  // namespace

int16_t Update(Call& c) {
    if (int16_t st = StartWrite(c)) return st;
    if (c.p.state != kOnRecord) return BtrStat::InvalidPositioning;
    if (!ValidKey(c.f, c.keyNum)) return BtrStat::InvalidKeyNumber;
    if (c.keyNum != c.p.keyNum) return BtrStat::DifferentKeyNumber;
    const KeyDef& k = c.f.def.keys[size_t(c.keyNum)];
    if (!c.keyBuf || c.keyLen < k.length) return BtrStat::KeyBufferTooShort;
    if (!c.dataBuf || !c.dataLen || *c.dataLen < c.f.def.recordLength) return BtrStat::DataBufferTooShort;
    if (int16_t st = Touch(c.f)) return st;
    const auto* record = static_cast<const uint8_t*>(c.dataBuf);
    for (const KeyDef& any : c.f.def.keys)
        if (!any.modifiable) {
            if (int16_t st = CheckUnchanged(c, record)) return st;
            break;
        }
    FoldRecordKeys(c.f, record);
    int16_t lu = BtrStat::Ok;
    const int64_t changed = ChangedKeys(c, &lu);
    if (lu != BtrStat::Ok) return lu;
    if (changed < 0) return BtrStat::Conflict;  // gone, or written by another since
    int rc;
    sqlite3_stmt*& slot = c.f.updates[uint32_t(changed)];
    sqlite3_stmt* s = Lazy(
        c.f, slot, [&] { return UpdateSql(c.f.def, uint32_t(changed)); }, &rc);
    if (!s) return StatusOf(rc);
    int64_t ver = 0, seq = 0;
    {
        Done done{s};
        BindFolded(c.f, s, record);
        const int idParam = int(2 + c.f.def.keys.size());
        sqlite3_bind_int64(s, idParam, c.p.id);
        sqlite3_bind_int64(s, idParam + 1, c.p.ver);
        rc = sqlite3_step(s);
        if (rc == SQLITE_DONE) return BtrStat::Conflict;  // gone, or written by another since
        if (rc != SQLITE_ROW) return StatusOf(rc);
        ver = sqlite3_column_int64(s, 0);
        seq = sqlite3_column_int64(s, 1 + c.keyNum);
        rc = sqlite3_step(s);
        if (rc != SQLITE_DONE) return StatusOf(rc);
    }
    KeyFromRecord(k, record, static_cast<uint8_t*>(c.keyBuf));
    std::memcpy(c.p.key, FoldedKeyOf(c.f, size_t(c.keyNum)), k.length);
    c.p.keyLen = uint8_t(k.length);
    c.p.ver = ver;
    c.p.seq = seq;
    return BtrStat::Ok;
}

int16_t Delete(Call& c) {
    if (int16_t st = StartWrite(c)) return st;
    if (c.p.state != kOnRecord) return BtrStat::InvalidPositioning;
    if (int16_t st = Touch(c.f)) return st;
    int rc;
    sqlite3_stmt* s = Lazy(
        c.f, c.f.remove, [] { return std::string("DELETE FROM records WHERE id = ?1 AND ver = ?2"); }, &rc);
    if (!s) return StatusOf(rc);
    Done done{s};
    sqlite3_bind_int64(s, 1, c.p.id);
    sqlite3_bind_int64(s, 2, c.p.ver);
    rc = sqlite3_step(s);
    if (rc != SQLITE_DONE) return StatusOf(rc);
    if (sqlite3_changes(c.f.db) == 0) return BtrStat::Conflict;
    // The position stays where the record was: Next finds its successor, Previous its predecessor.
    c.p.state = kAfterDelete;
    return BtrStat::Ok;
}

}  // namespace rm

using namespace rm;

uint64_t BtrNbCommits() { return g_commits.load(std::memory_order_relaxed); }

BtrSansAttente::BtrSansAttente() : avant_(g_sansAttente) { g_sansAttente = true; }
BtrSansAttente::~BtrSansAttente() { g_sansAttente = avant_; }
