// The record manager's reads and positioning: searches by key, walks (kept at cursor speed while
// nothing changed what they read), the record's own position and the dump's storage-order visit.
#include "platform/record_manager_internal.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QFile>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>

namespace rm {

namespace {

std::string ReadSql(const FileDef& def, size_t key, Kind kind) {
    const std::string n = N(key);
    const bool dup = def.keys[key].duplicates;
    const std::string k = "k" + n;
    const std::string asc = dup ? k + ", s" + n : k;
    const std::string desc = dup ? k + " DESC, s" + n + " DESC" : k + " DESC";
    std::string sql = "SELECT id, ver, " + (dup ? "s" + n : std::string("0")) + ", data FROM records ";
    switch (kind) {
        case kEq:
            return sql + "WHERE " + k + " = ?1 ORDER BY " + asc + " LIMIT 1";
        case kGt:
            return sql + "WHERE " + k + " > ?1 ORDER BY " + asc + " LIMIT 1";
        case kGe:
            return sql + "WHERE " + k + " >= ?1 ORDER BY " + asc + " LIMIT 1";
        case kLt:
            return sql + "WHERE " + k + " < ?1 ORDER BY " + desc + " LIMIT 1";
        case kLe:
            return sql + "WHERE " + k + " <= ?1 ORDER BY " + desc + " LIMIT 1";
        case kFirst:
            return sql + "ORDER BY " + asc + " LIMIT 1";
        case kById:
            return sql + "WHERE id = ?1";
        case kLast:
            return sql + "ORDER BY " + desc + " LIMIT 1";
        // From a position: at or after it but not the record it names (which may still be there),
        // or strictly before it.
        case kNext:
            return sql + "WHERE " + (dup ? "(" + k + ", s" + n + ") >= (?1, ?2)" : k + " >= ?1") +
                   " AND id <> ?3 ORDER BY " + asc + " LIMIT 1";
        case kPrev:
            return sql + "WHERE " + (dup ? "(" + k + ", s" + n + ") < (?1, ?2)" : k + " < ?1") + " ORDER BY " + desc +
                   " LIMIT 1";
        default:
            return {};
    }
}

sqlite3_stmt* ReadStmt(File& f, int key, Kind kind, int* rc) {
    sqlite3_stmt*& s = f.reads[key][kind];
    if (!s)
        s = Prepare(f.db, ReadSql(f.def, size_t(key), kind), rc);
    else
        *rc = SQLITE_OK;
    return s;
}

// ---------------------------------------------------------------- walks at cursor speed

// The write-ahead log's index header, both copies (96 bytes), which every commit of any process
// rewrites. False when it cannot be read: walks then seek at every step.
bool LogHeader(File& f, std::array<char, 96>& out) {
    if (f.immutable) {  // nothing can change the file
        out.fill(0);
        return true;
    }
    if (!f.shm) {
        if (f.shmTried) return false;
        const QByteArray n = QFile::encodeName(f.path + QStringLiteral("-shm"));
        const int fd = ::open(n.constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) return false;  // not there yet: tried again at the next walk
        f.shmTried = true;
        struct stat st {};
        void* m = MAP_FAILED;
        if (::fstat(fd, &st) == 0 && st.st_size >= off_t(out.size()))
            m = ::mmap(nullptr, 4096, PROT_READ, MAP_SHARED, fd, 0);
        if (m == MAP_FAILED) {
            ::close(fd);
            return false;
        }
        f.shmFd = fd;
        f.shm = static_cast<const char*>(m);
    }
    std::atomic_thread_fence(std::memory_order_acquire);
    std::memcpy(out.data(), f.shm, out.size());
    // Two copies that differ: a commit is being written.
    return std::memcmp(out.data(), out.data() + 48, 48) == 0;
}

}  // namespace

// At the start of every call on a file: walks that kept a snapshot older than another process's
// commit let it go, so that no read of this connection misses that commit.
void Refresh(File& f) {
    bool any = false;
    for (const auto& [open, k] : f.cursors) any = any || k.live;
    if (!any || f.immutable) return;
    std::array<char, 96> now;
    const bool ok = LogHeader(f, now);
    for (const auto& [open, k] : f.cursors)
        if (k.live && (!ok || now != k.stamp)) {
            f.dropCursors();
            return;
        }
}

namespace {

void DropAllCursors() {
    for (File* f : reg().files)
        if (f) f->dropCursors();
}

bool& CursorsOn() {
    static bool on = true;
    return on;
}

// Snapshots are let go whenever the program waits for events: an idle program holds none (a
// held snapshot would keep the log from being folded into the file).
void WatchIdle() {
    static bool watching = false;
    if (watching || !QCoreApplication::instance()) return;
    QAbstractEventDispatcher* d = QAbstractEventDispatcher::instance();
    if (!d) return;
    QObject::connect(d, &QAbstractEventDispatcher::aboutToBlock, d, [] { DropAllCursors(); });
    watching = true;
}

int16_t Take(Call& c, sqlite3_stmt* s);

// Steps a read; on a row, hands the record and its key over and moves the position to it.
int16_t Deliver(Call& c, sqlite3_stmt* s, int16_t whenNone, bool dropPositionWhenNone) {
    Done done{s};
    const int rc = sqlite3_step(s);
    if (rc == SQLITE_DONE) {
        if (dropPositionWhenNone) c.p.state = kNoRecord;
        return whenNone;
    }
    if (rc != SQLITE_ROW) return StatusOf(rc);
    return Take(c, s);
}

// The row a read stands on (id, ver, seq, data): the record and its key handed over, the
// position moved to it.
int16_t Take(Call& c, sqlite3_stmt* s) {
    const uint32_t recLen = c.f.def.recordLength;
    if (!c.dataBuf || !c.dataLen || *c.dataLen < recLen) return BtrStat::DataBufferTooShort;
    const auto* data = static_cast<const uint8_t*>(sqlite3_column_blob(s, 3));
    const uint32_t have = uint32_t(sqlite3_column_bytes(s, 3));
    auto* out = static_cast<uint8_t*>(c.dataBuf);
    const uint32_t n = have < recLen ? have : recLen;
    if (n) std::memcpy(out, data, n);
    if (n < recLen) std::memset(out + n, 0, recLen - n);
    *c.dataLen = recLen;

    const KeyDef& k = c.f.def.keys[size_t(c.keyNum)];
    KeyFromRecord(k, out, static_cast<uint8_t*>(c.keyBuf));
    FoldKey(k, static_cast<const uint8_t*>(c.keyBuf), c.p.key);
    c.p.keyLen = uint8_t(k.length);
    c.p.keyNum = c.keyNum;
    c.p.id = sqlite3_column_int64(s, 0);
    c.p.ver = sqlite3_column_int64(s, 1);
    c.p.seq = sqlite3_column_int64(s, 2);
    c.p.state = kOnRecord;
    return BtrStat::Ok;
}

}  // namespace

int16_t GetByKey(Call& c, Kind kind, int16_t whenNone) {
    if (!ValidKey(c.f, c.keyNum)) return BtrStat::InvalidKeyNumber;
    const KeyDef& k = c.f.def.keys[size_t(c.keyNum)];
    if (!c.keyBuf || c.keyLen < k.length) return BtrStat::KeyBufferTooShort;
    if (int16_t st = Touch(c.f)) return st;
    int rc;
    sqlite3_stmt* s = ReadStmt(c.f, c.keyNum, kind, &rc);
    if (!s) return StatusOf(rc);
    uint8_t folded[kBtrMaxKeyLength];
    if (kind != kFirst && kind != kLast) {
        FoldKey(k, static_cast<const uint8_t*>(c.keyBuf), folded);
        sqlite3_bind_blob(s, 1, folded, k.length, SQLITE_STATIC);
    }
    // A failed search leaves no current record: a write after it must not hit the record
    // read before.
    return Deliver(c, s, whenNone, true);
}

// The record's own position (its id, 4 bytes): what Get Direct finds it by again, whatever
// the key.
int16_t GetPosition(Call& c) {
    if (c.p.state != kOnRecord) return BtrStat::InvalidPositioning;
    if (!c.dataBuf || !c.dataLen || *c.dataLen < 4) return BtrStat::DataBufferTooShort;
    if (c.p.id < 0 || c.p.id > int64_t(UINT32_MAX)) return BtrStat::IoError;
    const uint32_t id = uint32_t(c.p.id);
    std::memcpy(c.dataBuf, &id, 4);
    *c.dataLen = 4;
    return BtrStat::Ok;
}

// The record at a position that Get Position gave, read afresh and made current on the key
// number asked for.
int16_t GetDirect(Call& c) {
    if (!ValidKey(c.f, c.keyNum)) return BtrStat::InvalidKeyNumber;
    const KeyDef& k = c.f.def.keys[size_t(c.keyNum)];
    if (!c.keyBuf || c.keyLen < k.length) return BtrStat::KeyBufferTooShort;
    if (!c.dataBuf || !c.dataLen || *c.dataLen < 4) return BtrStat::DataBufferTooShort;
    if (int16_t st = Touch(c.f)) return st;
    uint32_t id;
    std::memcpy(&id, c.dataBuf, 4);
    int rc;
    sqlite3_stmt* s = ReadStmt(c.f, c.keyNum, kById, &rc);
    if (!s) return StatusOf(rc);
    sqlite3_bind_int64(s, 1, int64_t(id));
    // A record that is gone: no current record, as for a search that found nothing.
    return Deliver(c, s, BtrStat::InvalidPositioning, true);
}

namespace {

// One step of a walk's statement: the next row, or the end (the statement then lets its
// snapshot go).
int16_t StepCursor(Call& c, Cursor& k, uint8_t outside) {
    const int rc = sqlite3_step(k.stmt);
    if (rc == SQLITE_ROW) {
        const int16_t st = Take(c, k.stmt);
        if (st == BtrStat::Ok) {
            k.id = c.p.id;
            k.seq = c.p.seq;
            return st;
        }
        sqlite3_reset(k.stmt);  // the row was not taken: the next step must seek again
        k.live = false;
        return st;
    }
    sqlite3_reset(k.stmt);
    k.live = false;
    if (rc == SQLITE_DONE) {
        c.p.state = outside;
        return BtrStat::EndOfFile;
    }
    return StatusOf(rc);
}

}  // namespace

int16_t GetStep(Call& c, Kind kind) {
    if (!ValidKey(c.f, c.keyNum)) return BtrStat::InvalidKeyNumber;
    if (c.p.state == kNoRecord) return BtrStat::InvalidPositioning;
    if (c.keyNum != c.p.keyNum) return BtrStat::DifferentKeyNumber;
    const KeyDef& k = c.f.def.keys[size_t(c.keyNum)];
    if (!c.keyBuf || c.keyLen < k.length) return BtrStat::KeyBufferTooShort;
    const uint8_t outside = kind == kNext ? kPastEnd : kBeforeStart;
    if (c.p.state == outside) return BtrStat::EndOfFile;
    if (int16_t st = Touch(c.f)) return st;
    if (c.p.state == kPastEnd || c.p.state == kBeforeStart) {
        // Back in from beyond an end: the record at that end.
        int rc;
        sqlite3_stmt* s = ReadStmt(c.f, c.keyNum, kind == kNext ? kFirst : kLast, &rc);
        if (!s) return StatusOf(rc);
        const int16_t st = Deliver(c, s, BtrStat::EndOfFile, false);
        if (st == BtrStat::EndOfFile) c.p.state = outside;  // an empty file
        return st;
    }
    const bool forward = kind == kNext;
    Cursor* cur = nullptr;
    if (!reg().txn && CursorsOn()) {
        cur = &c.f.cursors[c.p.handle];
        if (cur->live && cur->keyNum == c.keyNum && cur->forward == forward && c.p.state == kOnRecord &&
            cur->id == c.p.id && cur->seq == c.p.seq && cur->writes == c.f.writes) {
            // Another process's commit was looked for as the call began (Refresh).
            if (!c.dataBuf || !c.dataLen || *c.dataLen < c.f.def.recordLength) return BtrStat::DataBufferTooShort;
            return StepCursor(c, *cur, outside);
        }
        if (cur->live) {
            sqlite3_reset(cur->stmt);
            cur->live = false;
        }
        if (!LogHeader(c.f, cur->stamp)) cur = nullptr;
    }
    int rc;
    sqlite3_stmt* s;
    if (cur) {
        if (!cur->stmt || cur->keyNum != c.keyNum || cur->forward != forward) {
            sqlite3_finalize(cur->stmt);
            std::string sql = ReadSql(c.f.def, size_t(c.keyNum), kind);
            sql.resize(sql.size() - std::string(" LIMIT 1").size());  // the whole walk, stepped
            cur->stmt = Prepare(c.f.db, sql, &rc);
            if (!cur->stmt) return StatusOf(rc);
        }
        cur->keyNum = c.keyNum;
        cur->forward = forward;
        cur->writes = c.f.writes;
        s = cur->stmt;
    } else {
        s = ReadStmt(c.f, c.keyNum, kind, &rc);
        if (!s) return StatusOf(rc);
    }
    uint8_t from[kBtrMaxKeyLength];  // the position moves while the statement is bound
    std::memcpy(from, c.p.key, c.p.keyLen);
    sqlite3_bind_blob(s, 1, from, c.p.keyLen, SQLITE_TRANSIENT);
    sqlite3_bind_int64(s, 2, c.p.seq);
    if (kind == kNext) sqlite3_bind_int64(s, 3, c.p.id);
    if (cur) {
        WatchIdle();
        cur->live = true;
        return StepCursor(c, *cur, outside);
    }
    const int16_t st = Deliver(c, s, BtrStat::EndOfFile, false);
    if (st == BtrStat::EndOfFile) c.p.state = outside;
    return st;
}

}  // namespace rm

using namespace rm;

int16_t BtrForEachRecord(const void* posBlock, const std::function<bool(const uint8_t* data, uint32_t length)>& visit) {
    Pos p;
    File* f = LiveFile(posBlock, p);
    if (!f) return BtrStat::FileNotOpen;
    int rc;
    // Its own statement: the visitor may call the record manager meanwhile.
    sqlite3_stmt* s = Prepare(f->db, "SELECT data FROM records ORDER BY id", &rc);
    if (!s) return StatusOf(rc);
    std::vector<uint8_t> rec(f->def.recordLength);
    while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
        const uint32_t have = uint32_t(sqlite3_column_bytes(s, 0));
        const uint32_t n = have < rec.size() ? have : uint32_t(rec.size());
        std::fill(rec.begin(), rec.end(), uint8_t(0));
        if (n) std::memcpy(rec.data(), sqlite3_column_blob(s, 0), n);
        if (!visit(rec.data(), uint32_t(rec.size()))) {
            rc = SQLITE_DONE;
            break;
        }
    }
    sqlite3_finalize(s);
    return rc == SQLITE_DONE ? int16_t(BtrStat::Ok) : StatusOf(rc);
}

void BtrCurseursActifs(bool oui) {
    CursorsOn() = oui;
    if (!oui) DropAllCursors();
}
