// The keyed record manager over SQLite.
//
// One SQLite database per physical file, under the file's own name. A file keeps its definition
// (the create block it was made from) in table kr_file and its records in table records: the
// record bytes, one column per key holding the key's bytes in comparison order (memcmp;
// case-insensitive parts stored folded), and for a key with duplicates its place among equal keys
// (insertion order; an update that changes the key moves the record to the end of its new
// duplicates).
//
// Durability: WAL with synchronous=FULL. A write that returned 0 has had its WAL frames synced,
// so it survives a killed process and also an operating-system crash or power cut; NORMAL would
// only cover the killed process, and losing a synchronised record on a power cut means losing a
// change the web service will never hear of. Only a write its caller marks (BtrSansAttente), one
// whose loss on a power cut loses nothing, commits at NORMAL: it survives a killed process, and
// the file's next synced commit or checkpoint takes it to the disk.
//
// The position block is self-contained: it names the open file (a handle of this process) and
// carries the current key number, the current key's comparison bytes, the record id, its place
// among duplicates and its row version. Get Next/Previous seek again from those values, so a copy
// of the block can be used and dropped, and writes made in between (by this or another block or
// process) are seen. Update and Delete compare the row version: another block's write since this
// one read the record gives 80.
//
// One connection per path in this process, shared by every open of the path (one per station);
// statements are prepared once per connection. Other processes share the files through SQLite's
// own locking; a lock that outlasts a short busy wait gives 85. Single-threaded, as the program.
#include "platform/record_manager.h"

#include "platform/cp1252.h"
#include "platform/paths.h"
#include "platform/record_manager_schema.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QHash>

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <pthread.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unordered_map>
#include <utility>
#include <string>
#include <unistd.h>
#include <vector>

using namespace rm;

namespace {

constexpr int kBusyWaitMs = 250;

// ---------------------------------------------------------------- position block

// After an end of file the position is just past the last record (or before the first): the
// step back from there is the last record (the step forward the first), as keyed record
// managers do, and a write there has no record to act on.
enum : uint8_t { kNoRecord = 0, kOnRecord = 1, kAfterDelete = 2, kPastEnd = 3, kBeforeStart = 4 };

#pragma pack(push, 1)
struct Pos {
    char magic[4];
    uint32_t handle;   // the open this block was given (never reused), not the file
    uint8_t readOnly;
    uint8_t state;
    int16_t keyNum;
    int64_t id;
    int64_t seq;
    int64_t ver;
    uint8_t keyLen;
    uint8_t key[kBtrMaxKeyLength];
};
#pragma pack(pop)
static_assert(sizeof(Pos) == kPosBlockSize, "the position block is 128 bytes");

constexpr char kMagic[4] = {'K', 'r', 'm', '\x01'};

// ---------------------------------------------------------------- open files

enum Kind { kEq, kGt, kGe, kLt, kLe, kFirst, kLast, kNext, kPrev, kById, kKinds };

// A walk's stepping statement, kept between two Get Next (or Previous) calls of one open while
// nothing can have changed what it would read: it saves the seek of every step. Valid only for
// the row it last gave, on its key and direction, while no write went through any handle of the
// file and no other process committed (the shared-memory header of the write-ahead log is
// unchanged). Otherwise the step seeks again from the position, with the same result.
struct Cursor {
    sqlite3_stmt* stmt = nullptr;   // prepared for this open, kept
    bool live = false;              // stepped and not reset: it holds a read snapshot
    int16_t keyNum = -1;
    bool forward = true;
    int64_t id = 0, seq = 0;        // the row it gave last
    uint64_t writes = 0;            // the file's write count then
    std::array<char, 96> stamp{};   // the log's header then
};

struct File {
    uint32_t id = 0;
    QString path;
    sqlite3* db = nullptr;
    FileDef def;
    int refs = 0;
    bool readOnly = false;
    bool immutable = false;   // opened without locks or shared memory: no one can change it
    bool inTxn = false;
    bool syncFull = true;           // the connection's commits wait for the disk
    std::vector<std::array<sqlite3_stmt*, kKinds>> reads;
    sqlite3_stmt* insert = nullptr;
    // Updates by the set of keys they change: an index whose key stays is left alone, so that
    // its pages are not written again.
    std::unordered_map<uint32_t, sqlite3_stmt*> updates;
    sqlite3_stmt* oldKeys = nullptr;
    sqlite3_stmt* remove = nullptr;
    sqlite3_stmt* current = nullptr;
    std::vector<uint8_t> scratch;   // folded keys of a write, one slot per key
    uint64_t writes = 0;            // writes made through any handle of this process
    std::unordered_map<uint32_t, Cursor> cursors;   // by open id
    const char* shm = nullptr;      // the log's shared memory, mapped read-only for its header
    int shmFd = -1;
    bool shmTried = false;

    // Every walk's snapshot let go (before a write, when another process wrote, when idle).
    void dropCursors() {
        for (auto& [open, c] : cursors)
            if (c.live) {
                sqlite3_reset(c.stmt);
                c.live = false;
            }
    }
    ~File() {
        for (auto& [open, c] : cursors) sqlite3_finalize(c.stmt);
        if (shm) ::munmap(const_cast<char*>(shm), 4096);
        if (shmFd >= 0) ::close(shmFd);
        for (auto& a : reads)
            for (sqlite3_stmt* s : a) sqlite3_finalize(s);
        for (auto& [mask, s] : updates) sqlite3_finalize(s);
        for (sqlite3_stmt* s : {insert, oldKeys, remove, current}) sqlite3_finalize(s);
        sqlite3_close_v2(db);
    }
};

struct Registry {
    std::vector<File*> files{nullptr};   // index = file id; 0 is never given; never reused
    // index = open id (the block's handle): the file id while that open lives, 0 once released.
    // Each open has its own identity, so a copy of a released block cannot act through another
    // open of the same file.
    std::vector<uint32_t> opens{0};
    QHash<QString, uint32_t> byPath;
    bool txn = false;
    std::vector<uint32_t> txnFiles;
};

Registry& reg();

// A child process must not use its parent's connections: it starts with none (they are left as
// they are, not closed, since closing would disturb the parent's locks).
void AbandonAfterFork() {
    Registry& r = reg();
    for (File*& f : r.files) f = nullptr;
    std::fill(r.opens.begin(), r.opens.end(), 0u);
    r.byPath.clear();
    r.txn = false;
    r.txnFiles.clear();
}

Registry& reg() {
    static Registry* r = [] {
        pthread_atfork(nullptr, nullptr, AbandonAfterFork);
        return new Registry;   // lives until the process ends
    }();
    return *r;
}

File* FileOf(const Pos& p) {
    if (std::memcmp(p.magic, kMagic, 4) != 0) return nullptr;
    const Registry& r = reg();
    if (p.handle >= r.opens.size()) return nullptr;
    const uint32_t id = r.opens[p.handle];
    return id && id < r.files.size() ? r.files[id] : nullptr;
}

// ---------------------------------------------------------------- SQLite helpers

int16_t StatusOf(int rc) {
    switch (rc & 0xFF) {
    case SQLITE_OK:
    case SQLITE_ROW:
    case SQLITE_DONE: return BtrStat::Ok;
    case SQLITE_BUSY:
    case SQLITE_LOCKED: return BtrStat::FileLocked;
    case SQLITE_FULL: return BtrStat::DiskFull;
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH: return BtrStat::AccessDenied;
    case SQLITE_CONSTRAINT: return BtrStat::DuplicateKey;
    case SQLITE_NOTADB: return BtrStat::NotARecordManagerFile;
    default: return BtrStat::IoError;
    }
}

int Exec(sqlite3* db, const char* sql) { return sqlite3_exec(db, sql, nullptr, nullptr, nullptr); }

std::atomic<uint64_t> g_commits{0};
// Writes outside a transaction commit without waiting for the disk (see BtrSansAttente).
bool g_sansAttente = false;
// Counts the commits that waited for the disk: those are what a run pays for durability.
int CompterCommit(void* f) {
    if (static_cast<const File*>(f)->syncFull) g_commits.fetch_add(1, std::memory_order_relaxed);
    return 0;
}

sqlite3_stmt* Prepare(sqlite3* db, const std::string& sql, int* rc) {
    sqlite3_stmt* s = nullptr;
    *rc = sqlite3_prepare_v3(db, sql.c_str(), int(sql.size()), SQLITE_PREPARE_PERSISTENT, &s, nullptr);
    return *rc == SQLITE_OK ? s : nullptr;
}

// Resets a statement whatever way the operation leaves.
struct Done {
    sqlite3_stmt* s;
    ~Done() { sqlite3_reset(s); }
};

std::string N(size_t i) { return std::to_string(i); }

std::string ReadSql(const FileDef& def, size_t key, Kind kind) {
    const std::string n = N(key);
    const bool dup = def.keys[key].duplicates;
    const std::string k = "k" + n;
    const std::string asc = dup ? k + ", s" + n : k;
    const std::string desc = dup ? k + " DESC, s" + n + " DESC" : k + " DESC";
    std::string sql = "SELECT id, ver, " + (dup ? "s" + n : std::string("0")) + ", data FROM records ";
    switch (kind) {
    case kEq: return sql + "WHERE " + k + " = ?1 ORDER BY " + asc + " LIMIT 1";
    case kGt: return sql + "WHERE " + k + " > ?1 ORDER BY " + asc + " LIMIT 1";
    case kGe: return sql + "WHERE " + k + " >= ?1 ORDER BY " + asc + " LIMIT 1";
    case kLt: return sql + "WHERE " + k + " < ?1 ORDER BY " + desc + " LIMIT 1";
    case kLe: return sql + "WHERE " + k + " <= ?1 ORDER BY " + desc + " LIMIT 1";
    case kFirst: return sql + "ORDER BY " + asc + " LIMIT 1";
    case kById: return sql + "WHERE id = ?1";
    case kLast: return sql + "ORDER BY " + desc + " LIMIT 1";
    // From a position: at or after it but not the record it names (which may still be there),
    // or strictly before it.
    case kNext:
        return sql + "WHERE " + (dup ? "(" + k + ", s" + n + ") >= (?1, ?2)" : k + " >= ?1") +
               " AND id <> ?3 ORDER BY " + asc + " LIMIT 1";
    case kPrev:
        return sql + "WHERE " + (dup ? "(" + k + ", s" + n + ") < (?1, ?2)" : k + " < ?1") +
               " ORDER BY " + desc + " LIMIT 1";
    default: return {};
    }
}

// The place at the end of the duplicates of the key bound at ?p.
std::string EndOfDuplicates(size_t key, int param) {
    const std::string n = N(key);
    return "coalesce((SELECT s" + n + " FROM records WHERE k" + n + " = ?" + std::to_string(param) +
           " ORDER BY s" + n + " DESC LIMIT 1), 0) + 1";
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

sqlite3_stmt* ReadStmt(File& f, int key, Kind kind, int* rc) {
    sqlite3_stmt*& s = f.reads[key][kind];
    if (!s) s = Prepare(f.db, ReadSql(f.def, size_t(key), kind), rc);
    else *rc = SQLITE_OK;
    return s;
}

// ---------------------------------------------------------------- walks at cursor speed

// The write-ahead log's index header, both copies (96 bytes), which every commit of any process
// rewrites. False when it cannot be read: walks then seek at every step.
bool LogHeader(File& f, std::array<char, 96>& out) {
    if (f.immutable) {   // nothing can change the file
        out.fill(0);
        return true;
    }
    if (!f.shm) {
        if (f.shmTried) return false;
        const QByteArray n = QFile::encodeName(f.path + QStringLiteral("-shm"));
        const int fd = ::open(n.constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) return false;   // not there yet: tried again at the next walk
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

void DropAllCursors();

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

// The statement of a slot, prepared on first use from the SQL that makeSql gives.
template <typename MakeSql>
sqlite3_stmt* Lazy(File& f, sqlite3_stmt*& slot, MakeSql makeSql, int* rc) {
    if (!slot) slot = Prepare(f.db, makeSql(), rc);
    else *rc = SQLITE_OK;
    return slot;
}

// Whether the connection's commits wait for the disk. SQLite refuses the change inside a
// transaction: it is made before one begins.
void Synchro(File& f, bool full) {
    if (full == f.syncFull || f.readOnly) return;
    if (Exec(f.db, full ? "PRAGMA synchronous=FULL" : "PRAGMA synchronous=NORMAL") == SQLITE_OK) f.syncFull = full;
}

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

// ---------------------------------------------------------------- paths and files

QString PathFromKey(const void* keyBuf, uint16_t keyLen) {
    if (!keyBuf) return {};
    const char* k = static_cast<const char*>(keyBuf);
    const void* nul = std::memchr(k, 0, keyLen);
    qsizetype n = nul ? static_cast<const char*>(nul) - k : keyLen;
    QString p = FromCp1252(k, n).trimmed();
    if (p.isEmpty()) return {};
    return QFileInfo(CheminReel(p)).absoluteFilePath();
}

void CloseFile(uint32_t id) {
    Registry& r = reg();
    File* f = r.files[id];
    if (!f) return;
    r.byPath.remove(f->path);
    r.files[id] = nullptr;
    delete f;
}

// Ends one open; the file is closed with its last open.
void Release(uint32_t openId) {
    Registry& r = reg();
    if (openId == 0 || openId >= r.opens.size()) return;
    const uint32_t id = r.opens[openId];
    r.opens[openId] = 0;
    File* f = id ? r.files[id] : nullptr;
    if (!f) return;
    if (const auto it = f->cursors.find(openId); it != f->cursors.end()) {
        sqlite3_finalize(it->second.stmt);
        f->cursors.erase(it);
    }
    if (--f->refs > 0) return;
    f->refs = 0;
    if (!f->inTxn) CloseFile(id);   // else when the transaction ends
}

// Before SQLite's first use. A connection reads a few pages (header, schema, definition) and then
// the records asked for: its page cache grows page by page, instead of laying out at every open a
// block of twenty pages that each cost a page fault to prepare, most never read.
void PreparerSqlite() {
    static const int rc = sqlite3_config(SQLITE_CONFIG_PAGECACHE, nullptr, 0, 0);
    (void)rc;
}

// immutable: the file lies in a folder nobody can write (a backup, a read-only share) and has no
// write-ahead log beside it: nothing can change it, and SQLite reads it without the shared-memory
// file it could not create there.
int16_t OpenConnection(const QString& path, bool readOnly, bool immutable, File** out) {
    auto f = std::make_unique<File>();
    f->path = path;
    f->readOnly = readOnly;
    f->immutable = immutable;
    const QByteArray native = QFile::encodeName(path);
    PreparerSqlite();
    int rc;
    if (immutable) {
        // The path as a URI: its "%", "?" and "#" must not be read as URI syntax.
        QByteArray uri("file:");
        for (char c : native) {
            if (c == '%' || c == '?' || c == '#') uri += '%' + QByteArray::number(uchar(c), 16).rightJustified(2, '0');
            else uri += c;
        }
        uri += "?immutable=1";
        rc = sqlite3_open_v2(uri.constData(), &f->db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_URI,
                             nullptr);
    } else {
        rc = sqlite3_open_v2(native.constData(), &f->db,
                             (readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) | SQLITE_OPEN_NOMUTEX,
                             nullptr);
    }
    if (rc != SQLITE_OK) return rc == SQLITE_CANTOPEN ? int16_t(BtrStat::FileNotFound) : StatusOf(rc);
    sqlite3_extended_result_codes(f->db, 1);
    sqlite3_busy_timeout(f->db, kBusyWaitMs);

    // Ours or not: the mark, then the definition.
    sqlite3_stmt* s = Prepare(f->db, "PRAGMA application_id", &rc);
    if (!s) return rc == SQLITE_BUSY ? BtrStat::FileLocked : BtrStat::NotARecordManagerFile;
    rc = sqlite3_step(s);
    const bool ours = rc == SQLITE_ROW && uint32_t(sqlite3_column_int64(s, 0)) == kApplicationId;
    sqlite3_finalize(s);
    if ((rc & 0xFF) == SQLITE_BUSY) return BtrStat::FileLocked;
    if (rc != SQLITE_ROW && (rc & 0xFF) != SQLITE_NOTADB) return StatusOf(rc);
    if (!ours) return BtrStat::NotARecordManagerFile;

    s = Prepare(f->db, "SELECT format, layout FROM kr_file", &rc);
    if (!s) return BtrStat::NotARecordManagerFile;
    rc = sqlite3_step(s);
    int16_t st = BtrStat::NotARecordManagerFile;
    if (rc == SQLITE_ROW && sqlite3_column_int(s, 0) == kFormat) {
        const auto* layout = static_cast<const uint8_t*>(sqlite3_column_blob(s, 1));
        if (ParseLayout(layout, uint32_t(sqlite3_column_bytes(s, 1)), f->def) == BtrStat::Ok)
            st = BtrStat::Ok;
    } else if ((rc & 0xFF) == SQLITE_BUSY) {
        st = BtrStat::FileLocked;
    }
    sqlite3_finalize(s);
    if (st != BtrStat::Ok) return st;

    if (!readOnly) {
        rc = Exec(f->db, "PRAGMA journal_mode=WAL");
        if (rc != SQLITE_OK) return StatusOf(rc);
    }
    Exec(f->db, "PRAGMA synchronous=FULL");
    sqlite3_commit_hook(f->db, CompterCommit, f.get());

    f->reads.assign(f->def.keys.size(), {});
    size_t room = 0;
    for (const KeyDef& k : f->def.keys) room += k.length;
    f->scratch.assign(room, 0);

    Registry& r = reg();
    f->id = uint32_t(r.files.size());
    r.files.push_back(f.get());
    r.byPath.insert(path, f->id);
    *out = f.release();
    return BtrStat::Ok;
}

void BlankBlock(void* posBlock) {
    if (posBlock) std::memset(posBlock, ' ', kPosBlockSize);
}

// ---------------------------------------------------------------- file operations

int16_t DoOpen(void* posBlock, void* keyBuf, uint16_t keyLen, int16_t mode) {
    if (!posBlock) return BtrStat::FileNotOpen;
    const QString given = PathFromKey(keyBuf, keyLen);
    if (given.isEmpty()) return BtrStat::FileNotFound;
    const QFileInfo fi(given);
    if (!fi.exists() || !fi.isFile()) return BtrStat::FileNotFound;
    const QString path = fi.canonicalFilePath();
    // Writing needs the file and its folder (the write-ahead log and its shared memory live
    // beside it); without them the file still opens for reading.
    const QString folder = QFileInfo(path).absolutePath();
    const bool folderWritable = ::access(QFile::encodeName(folder).constData(), W_OK) == 0;
    const bool writable = folderWritable && ::access(QFile::encodeName(path).constData(), W_OK) == 0;
    const bool readOnlyOpen = mode == BtrOpenMode::ReadOnly;
    if (!writable && !readOnlyOpen) return BtrStat::AccessDenied;
    const QFileInfo journal(path + QStringLiteral("-wal"));
    const bool immutable = !folderWritable && (!journal.exists() || journal.size() == 0);

    Registry& r = reg();
    File* f = nullptr;
    const auto it = r.byPath.constFind(path);
    if (it != r.byPath.cend() && r.files[*it]) {
        f = r.files[*it];
        if (f->readOnly && !readOnlyOpen) return BtrStat::AccessDenied;
    } else {
        const int16_t st = OpenConnection(path, !writable, immutable, &f);
        if (st != BtrStat::Ok) return st;
    }
    ++f->refs;
    r.opens.push_back(f->id);

    Pos p{};
    std::memcpy(p.magic, kMagic, 4);
    p.handle = uint32_t(r.opens.size() - 1);
    p.readOnly = readOnlyOpen || f->readOnly;
    p.state = kNoRecord;
    p.keyNum = -1;
    std::memcpy(posBlock, &p, sizeof p);
    return BtrStat::Ok;
}

void SyncFolder(const QString& folder) {
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

void RemoveWithCompanions(const QString& path) {
    for (const char* suffix : {"", "-wal", "-shm", "-journal"}) QFile::remove(path + QLatin1String(suffix));
}

// A new file is built aside and renamed into place, so a crash never leaves half a file under
// the real name.
int16_t DoCreate(const void* dataBuf, const uint32_t* dataLen, void* keyBuf, uint16_t keyLen, int16_t mode) {
    FileDef def;
    int16_t st = ParseLayout(static_cast<const uint8_t*>(dataBuf), dataLen ? *dataLen : 0, def);
    if (st != BtrStat::Ok) return st;
    const QString path = PathFromKey(keyBuf, keyLen);
    if (path.isEmpty()) return BtrStat::FileNotFound;
    const QFileInfo fi(path);
    const QString folder = fi.absolutePath();
    if (!QFileInfo(folder).isDir()) return BtrStat::FileNotFound;
    if (fi.exists()) {
        if (mode == -1) return BtrStat::FileAlreadyExists;
        const Registry& r = reg();
        const auto it = r.byPath.constFind(fi.canonicalFilePath());
        if (it != r.byPath.cend() && r.files[*it]) return BtrStat::FileLocked;   // in use here
    }

    const QString temp = folder + QStringLiteral("/.") + fi.fileName() + QStringLiteral(".") +
                         QString::number(::getpid()) + QStringLiteral(".creating");
    RemoveWithCompanions(temp);
    PreparerSqlite();
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(QFile::encodeName(temp).constData(), &db,
                             SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc == SQLITE_OK) {
        const std::string pragmas = "PRAGMA application_id=" + std::to_string(kApplicationId) +
                                    "; PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL;";
        rc = Exec(db, pragmas.c_str());
    }
    if (rc == SQLITE_OK) rc = Exec(db, "BEGIN");
    if (rc == SQLITE_OK) rc = Exec(db, SchemaSql(def).c_str());
    if (rc == SQLITE_OK) {
        sqlite3_stmt* s = Prepare(db, "INSERT INTO kr_file(format, layout) VALUES(?1, ?2)", &rc);
        if (s) {
            sqlite3_bind_int(s, 1, kFormat);
            sqlite3_bind_blob(s, 2, def.layout.constData(), int(def.layout.size()), SQLITE_STATIC);
            rc = sqlite3_step(s);
            if (rc == SQLITE_DONE) rc = SQLITE_OK;
            sqlite3_finalize(s);
        }
    }
    if (rc == SQLITE_OK) rc = Exec(db, "COMMIT");
    const int closeRc = sqlite3_close_v2(db);   // the last connection folds the WAL in and syncs
    if (rc == SQLITE_OK) rc = closeRc;
    if (rc != SQLITE_OK) {
        RemoveWithCompanions(temp);
        const int16_t s = StatusOf(rc);
        return (rc & 0xFF) == SQLITE_CANTOPEN ? int16_t(BtrStat::AccessDenied) : s;
    }
    // A stale log of the replaced file must not be replayed into the new one.
    for (const char* suffix : {"-wal", "-shm", "-journal"}) QFile::remove(path + QLatin1String(suffix));
    if (::rename(QFile::encodeName(temp).constData(), QFile::encodeName(path).constData()) != 0) {
        const int err = errno;
        RemoveWithCompanions(temp);
        return err == ENOSPC ? BtrStat::DiskFull : (err == EACCES || err == EPERM) ? BtrStat::AccessDenied
                                                                                    : BtrStat::IoError;
    }
    SyncFolder(folder);
    return BtrStat::Ok;
}

void DropAllCursors() {
    for (File* f : reg().files)
        if (f) f->dropCursors();
}

void ReleaseAll() {
    Registry& r = reg();
    for (uint32_t id : r.txnFiles)
        if (File* f = r.files[id]) {
            Exec(f->db, "ROLLBACK");
            f->inTxn = false;
        }
    r.txn = false;
    r.txnFiles.clear();
    std::fill(r.opens.begin(), r.opens.end(), 0u);
    for (uint32_t id = 1; id < r.files.size(); ++id) CloseFile(id);
}

// Release of a file: through its position block, or, with a blank block, the file named in the
// key buffer (one open of it); nothing named at all releases every file.
int16_t DoStop(void* posBlock, void* keyBuf, uint16_t keyLen) {
    if (posBlock) {
        Pos p;
        std::memcpy(&p, posBlock, sizeof p);
        if (FileOf(p)) {
            Release(p.handle);
            BlankBlock(posBlock);
            return BtrStat::Ok;
        }
        // A block of an open already released names nothing more: not another open of its file.
        if (std::memcmp(p.magic, kMagic, 4) == 0) return BtrStat::FileNotOpen;
    }
    const QString path = PathFromKey(keyBuf, keyLen);
    if (path.isEmpty()) {
        ReleaseAll();
        return BtrStat::Ok;
    }
    const QFileInfo fi(path);
    const Registry& r = reg();
    const auto it = r.byPath.constFind(fi.exists() ? fi.canonicalFilePath() : path);
    if (it == r.byPath.cend()) return BtrStat::Ok;
    // The latest open of the file still alive.
    for (size_t o = r.opens.size(); o-- > 1;)
        if (r.opens[o] == *it) {
            Release(uint32_t(o));
            break;
        }
    return BtrStat::Ok;
}

int16_t DoClose(void* posBlock) {
    if (!posBlock) return BtrStat::FileNotOpen;
    Pos p;
    std::memcpy(&p, posBlock, sizeof p);
    if (!FileOf(p)) return BtrStat::FileNotOpen;
    Release(p.handle);
    BlankBlock(posBlock);
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

// ---------------------------------------------------------------- record operations

struct Call {
    File& f;
    Pos& p;
    void* dataBuf;
    uint32_t* dataLen;
    void* keyBuf;
    uint16_t keyLen;
    int16_t keyNum;
};

bool ValidKey(const File& f, int16_t keyNum) { return keyNum >= 0 && size_t(keyNum) < f.def.keys.size(); }

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
        sqlite3_reset(k.stmt);   // the row was not taken: the next step must seek again
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
        if (st == BtrStat::EndOfFile) c.p.state = outside;   // an empty file
        return st;
    }
    const bool forward = kind == kNext;
    Cursor* cur = nullptr;
    if (!reg().txn && CursorsOn()) {
        cur = &c.f.cursors[c.p.handle];
        if (cur->live && cur->keyNum == c.keyNum && cur->forward == forward && c.p.state == kOnRecord && cur->id == c.p.id &&
            cur->seq == c.p.seq && cur->writes == c.f.writes) {
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
            sql.resize(sql.size() - std::string(" LIMIT 1").size());   // the whole walk, stepped
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
    uint8_t from[kBtrMaxKeyLength];   // the position moves while the statement is bound
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
    sqlite3_stmt* s = Lazy(c.f, c.f.oldKeys, [&] { return OldKeysSql(c.f.def); }, &rc);
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

int16_t Insert(Call& c) {
    if (int16_t st = StartWrite(c)) return st;
    if (!ValidKey(c.f, c.keyNum)) return BtrStat::InvalidKeyNumber;
    const KeyDef& k = c.f.def.keys[size_t(c.keyNum)];
    if (!c.keyBuf || c.keyLen < k.length) return BtrStat::KeyBufferTooShort;
    // Records are fixed-length: a shorter one is refused rather than padded with guesses.
    if (!c.dataBuf || !c.dataLen || *c.dataLen < c.f.def.recordLength) return BtrStat::DataBufferTooShort;
    if (int16_t st = Touch(c.f)) return st;
    int rc;
    sqlite3_stmt* s = Lazy(c.f, c.f.insert, [&] { return InsertSql(c.f.def); }, &rc);
    if (!s) return StatusOf(rc);
    Done done{s};
    const auto* record = static_cast<const uint8_t*>(c.dataBuf);
    BindRecord(c.f, s, record);
    rc = sqlite3_step(s);
    if (rc != SQLITE_ROW) return StatusOf(rc);
    const int64_t id = sqlite3_column_int64(s, 0);
    const int64_t seq = sqlite3_column_int64(s, 1 + c.keyNum);
    rc = sqlite3_step(s);   // the commit happens as the statement ends
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
    if (changed < 0) return BtrStat::Conflict;   // gone, or written by another since
    int rc;
    sqlite3_stmt*& slot = c.f.updates[uint32_t(changed)];
    sqlite3_stmt* s = Lazy(c.f, slot, [&] { return UpdateSql(c.f.def, uint32_t(changed)); }, &rc);
    if (!s) return StatusOf(rc);
    int64_t ver = 0, seq = 0;
    {
        Done done{s};
        BindFolded(c.f, s, record);
        const int idParam = int(2 + c.f.def.keys.size());
        sqlite3_bind_int64(s, idParam, c.p.id);
        sqlite3_bind_int64(s, idParam + 1, c.p.ver);
        rc = sqlite3_step(s);
        if (rc == SQLITE_DONE) return BtrStat::Conflict;   // gone, or written by another since
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

int16_t RecordOperation(uint16_t op, void* posBlock, void* dataBuf, uint32_t* dataLen, void* keyBuf,
                        uint16_t keyLen, int16_t keyNum) {
    if (!posBlock) return BtrStat::FileNotOpen;
    Pos p;
    std::memcpy(&p, posBlock, sizeof p);
    File* f = FileOf(p);
    if (!f) return BtrStat::FileNotOpen;
    Refresh(*f);
    Call c{*f, p, dataBuf, dataLen, keyBuf, keyLen, keyNum};
    int16_t st;
    switch (op) {
    case BtrOp::Insert: st = Insert(c); break;
    case BtrOp::Update: st = Update(c); break;
    case BtrOp::Delete: st = Delete(c); break;
    case BtrOp::GetEqual: st = GetByKey(c, kEq, BtrStat::KeyNotFound); break;
    case BtrOp::GetGreater: st = GetByKey(c, kGt, BtrStat::EndOfFile); break;
    case BtrOp::GetGreaterOrEqual: st = GetByKey(c, kGe, BtrStat::EndOfFile); break;
    case BtrOp::GetLessThan: st = GetByKey(c, kLt, BtrStat::EndOfFile); break;
    case BtrOp::GetLessOrEqual: st = GetByKey(c, kLe, BtrStat::EndOfFile); break;
    case BtrOp::GetFirst: st = GetByKey(c, kFirst, BtrStat::EndOfFile); break;
    case BtrOp::GetLast: st = GetByKey(c, kLast, BtrStat::EndOfFile); break;
    case BtrOp::GetNext: st = GetStep(c, kNext); break;
    case BtrOp::GetPrevious: st = GetStep(c, kPrev); break;
    case BtrOp::GetPosition: st = GetPosition(c); break;
    case BtrOp::GetDirect: st = GetDirect(c); break;
    default: return BtrStat::InvalidOperation;
    }
    std::memcpy(posBlock, &p, sizeof p);
    return st;
}

}  // namespace

int16_t BTRCALL(uint16_t op, void* posBlock, void* dataBuf, uint32_t* dataLen, void* keyBuf,
                uint16_t keyLen, int16_t keyNum) {
    // Lock biases (+100..+400) ask for record locks; the row-version check stands in for them.
    if (op >= 100 && op < 500 &&
        ((op % 100 >= BtrOp::GetEqual && op % 100 <= BtrOp::GetLast) || op % 100 == BtrOp::GetDirect))
        op %= 100;
    switch (op) {
    case BtrOp::Open: return DoOpen(posBlock, keyBuf, keyLen, keyNum);
    case BtrOp::Close: return DoClose(posBlock);
    case BtrOp::Create: return DoCreate(dataBuf, dataLen, keyBuf, keyLen, keyNum);
    case BtrOp::Stop: return DoStop(posBlock, keyBuf, keyLen);
    case BtrOp::BeginTransaction:
    case BtrOp::BeginConcurrentTransaction: {
        Registry& r = reg();
        if (r.txn) return BtrStat::TransactionAlreadyActive;
        r.txn = true;
        return BtrStat::Ok;
    }
    case BtrOp::EndTransaction: return EndTransaction(true);
    case BtrOp::AbortTransaction: return EndTransaction(false);
    default: return RecordOperation(op, posBlock, dataBuf, dataLen, keyBuf, keyLen, keyNum);
    }
}

int16_t BtrDescribeFile(const void* posBlock, BtrFileDescription* out) {
    if (!posBlock || !out) return BtrStat::FileNotOpen;
    Pos p;
    std::memcpy(&p, posBlock, sizeof p);
    File* f = FileOf(p);
    if (!f) return BtrStat::FileNotOpen;
    Refresh(*f);
    BtrFileDescription d;
    d.path = f->path;
    d.recordLength = f->def.recordLength;
    d.pageSize = f->def.pageSize;
    d.fileFlags = f->def.fileFlags;
    d.keyCount = int(f->def.keys.size());
    for (const Segment& s : f->def.segments) d.segments.push_back({s.position, s.length, s.flags});
    int rc;
    sqlite3_stmt* s = Prepare(f->db, "SELECT count(*) FROM records", &rc);
    if (!s) return StatusOf(rc);
    rc = sqlite3_step(s);
    if (rc == SQLITE_ROW) d.recordCount = sqlite3_column_int64(s, 0);
    sqlite3_finalize(s);
    if (rc != SQLITE_ROW) return StatusOf(rc);
    *out = std::move(d);
    return BtrStat::Ok;
}

int16_t BtrForEachRecord(const void* posBlock,
                         const std::function<bool(const uint8_t* data, uint32_t length)>& visit) {
    if (!posBlock) return BtrStat::FileNotOpen;
    Pos p;
    std::memcpy(&p, posBlock, sizeof p);
    File* f = FileOf(p);
    if (!f) return BtrStat::FileNotOpen;
    Refresh(*f);
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

uint64_t BtrNbCommits() { return g_commits.load(std::memory_order_relaxed); }

BtrSansAttente::BtrSansAttente() : avant_(g_sansAttente) { g_sansAttente = true; }
BtrSansAttente::~BtrSansAttente() { g_sansAttente = avant_; }
