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
//
// This part opens, creates and releases the files and serves the call; the reads and positioning
// are in record_manager_reads.cpp, the writes and transactions in record_manager_writes.cpp.
#include "platform/record_manager_internal.h"

#include "platform/cp1252.h"
#include "platform/paths.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <pthread.h>
#include <utility>

namespace rm {

namespace {

constexpr int kBusyWaitMs = 250;

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

}  // namespace

Registry& reg() {
    static Registry* r = [] {
        pthread_atfork(nullptr, nullptr, AbandonAfterFork);
        return new Registry;  // lives until the process ends
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

// The file a position block names (the block copied into p), with its walks refreshed; null for
// no block or one that names no live open.
File* LiveFile(const void* posBlock, Pos& p) {
    if (!posBlock) return nullptr;
    std::memcpy(&p, posBlock, sizeof p);
    File* f = FileOf(p);
    if (f) Refresh(*f);
    return f;
}

// ---------------------------------------------------------------- SQLite helpers

int16_t StatusOf(int rc) {
    switch (rc & 0xFF) {
        case SQLITE_OK:
        case SQLITE_ROW:
        case SQLITE_DONE:
            return BtrStat::Ok;
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return BtrStat::FileLocked;
        case SQLITE_FULL:
            return BtrStat::DiskFull;
        case SQLITE_READONLY:
        case SQLITE_PERM:
        case SQLITE_AUTH:
            return BtrStat::AccessDenied;
        case SQLITE_CONSTRAINT:
            return BtrStat::DuplicateKey;
        case SQLITE_NOTADB:
            return BtrStat::NotARecordManagerFile;
        default:
            return BtrStat::IoError;
    }
}

int Exec(sqlite3* db, const char* sql) { return sqlite3_exec(db, sql, nullptr, nullptr, nullptr); }

sqlite3_stmt* Prepare(sqlite3* db, const std::string& sql, int* rc) {
    sqlite3_stmt* s = nullptr;
    *rc = sqlite3_prepare_v3(db, sql.c_str(), int(sql.size()), SQLITE_PREPARE_PERSISTENT, &s, nullptr);
    return *rc == SQLITE_OK ? s : nullptr;
}

// ---------------------------------------------------------------- paths and files

void CloseFile(uint32_t id) {
    Registry& r = reg();
    File* f = r.files[id];
    if (!f) return;
    r.byPath.remove(f->path);
    r.files[id] = nullptr;
    delete f;
}

namespace {

QString PathFromKey(const void* keyBuf, uint16_t keyLen) {
    if (!keyBuf) return {};
    const char* k = static_cast<const char*>(keyBuf);
    const void* nul = std::memchr(k, 0, keyLen);
    qsizetype n = nul ? static_cast<const char*>(nul) - k : keyLen;
    QString p = FromCp1252(k, n).trimmed();
    if (p.isEmpty()) return {};
    return QFileInfo(CheminReel(p)).absoluteFilePath();
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
    if (!f->inTxn) CloseFile(id);  // else when the transaction ends
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
            if (c == '%' || c == '?' || c == '#')
                uri += '%' + QByteArray::number(uchar(c), 16).rightJustified(2, '0');
            else
                uri += c;
        }
        uri += "?immutable=1";
        rc = sqlite3_open_v2(uri.constData(), &f->db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_URI,
                             nullptr);
    } else {
        rc = sqlite3_open_v2(native.constData(), &f->db,
                             (readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) | SQLITE_OPEN_NOMUTEX, nullptr);
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
        if (ParseLayout(layout, uint32_t(sqlite3_column_bytes(s, 1)), f->def) == BtrStat::Ok) st = BtrStat::Ok;
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
        if (it != r.byPath.cend() && r.files[*it]) return BtrStat::FileLocked;  // in use here
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
    const int closeRc = sqlite3_close_v2(db);  // the last connection folds the WAL in and syncs
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
        return err == ENOSPC                     ? BtrStat::DiskFull
               : (err == EACCES || err == EPERM) ? BtrStat::AccessDenied
                                                 : BtrStat::IoError;
    }
    SyncFolder(folder);
    return BtrStat::Ok;
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

int16_t RecordOperation(uint16_t op, void* posBlock, void* dataBuf, uint32_t* dataLen, void* keyBuf, uint16_t keyLen,
                        int16_t keyNum) {
    Pos p;
    File* f = LiveFile(posBlock, p);
    if (!f) return BtrStat::FileNotOpen;
    Call c{*f, p, dataBuf, dataLen, keyBuf, keyLen, keyNum};
    int16_t st;
    switch (op) {
        case BtrOp::Insert:
            st = Insert(c);
            break;
        case BtrOp::Update:
            st = Update(c);
            break;
        case BtrOp::Delete:
            st = Delete(c);
            break;
        case BtrOp::GetEqual:
            st = GetByKey(c, kEq, BtrStat::KeyNotFound);
            break;
        case BtrOp::GetGreater:
            st = GetByKey(c, kGt, BtrStat::EndOfFile);
            break;
        case BtrOp::GetGreaterOrEqual:
            st = GetByKey(c, kGe, BtrStat::EndOfFile);
            break;
        case BtrOp::GetLessThan:
            st = GetByKey(c, kLt, BtrStat::EndOfFile);
            break;
        case BtrOp::GetLessOrEqual:
            st = GetByKey(c, kLe, BtrStat::EndOfFile);
            break;
        case BtrOp::GetFirst:
            st = GetByKey(c, kFirst, BtrStat::EndOfFile);
            break;
        case BtrOp::GetLast:
            st = GetByKey(c, kLast, BtrStat::EndOfFile);
            break;
        case BtrOp::GetNext:
            st = GetStep(c, kNext);
            break;
        case BtrOp::GetPrevious:
            st = GetStep(c, kPrev);
            break;
        case BtrOp::GetPosition:
            st = GetPosition(c);
            break;
        case BtrOp::GetDirect:
            st = GetDirect(c);
            break;
        default:
            return BtrStat::InvalidOperation;
    }
    std::memcpy(posBlock, &p, sizeof p);
    return st;
}

}  // namespace

}  // namespace rm

using namespace rm;

int16_t BTRCALL(uint16_t op, void* posBlock, void* dataBuf, uint32_t* dataLen, void* keyBuf, uint16_t keyLen,
                int16_t keyNum) {
    // Lock biases (+100..+400) ask for record locks; the row-version check stands in for them.
    if (op >= 100 && op < 500 &&
        ((op % 100 >= BtrOp::GetEqual && op % 100 <= BtrOp::GetLast) || op % 100 == BtrOp::GetDirect))
        op %= 100;
    switch (op) {
        case BtrOp::Open:
            return DoOpen(posBlock, keyBuf, keyLen, keyNum);
        case BtrOp::Close:
            return DoClose(posBlock);
        case BtrOp::Create:
            return DoCreate(dataBuf, dataLen, keyBuf, keyLen, keyNum);
        case BtrOp::Stop:
            return DoStop(posBlock, keyBuf, keyLen);
        case BtrOp::BeginTransaction:
        case BtrOp::BeginConcurrentTransaction: {
            Registry& r = reg();
            if (r.txn) return BtrStat::TransactionAlreadyActive;
            r.txn = true;
            return BtrStat::Ok;
        }
        case BtrOp::EndTransaction:
            return EndTransaction(true);
        case BtrOp::AbortTransaction:
            return EndTransaction(false);
        default:
            return RecordOperation(op, posBlock, dataBuf, dataLen, keyBuf, keyLen, keyNum);
    }
}

int16_t BtrDescribeFile(const void* posBlock, BtrFileDescription* out) {
    if (!out) return BtrStat::FileNotOpen;
    Pos p;
    File* f = LiveFile(posBlock, p);
    if (!f) return BtrStat::FileNotOpen;
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
