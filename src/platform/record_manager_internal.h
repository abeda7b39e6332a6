#pragma once
// Private to the record manager: the position block, the open files and their registry, and what
// its three parts (files and connections, reads and positioning, writes and transactions) call
// in one another.
#include "platform/record_manager.h"
#include "platform/record_manager_schema.h"

#include <QHash>
#include <QString>

#include <sqlite3.h>

#include <array>
#include <cstdint>
#include <string>
#include <sys/mman.h>
#include <unistd.h>
#include <unordered_map>
#include <vector>

namespace rm {

// ---------------------------------------------------------------- position block

// After an end of file the position is just past the last record (or before the first): the
// step back from there is the last record (the step forward the first), as keyed record
// managers do, and a write there has no record to act on.
enum : uint8_t { kNoRecord = 0, kOnRecord = 1, kAfterDelete = 2, kPastEnd = 3, kBeforeStart = 4 };

#pragma pack(push, 1)
struct Pos {
    char magic[4];
    uint32_t handle;  // the open this block was given (never reused), not the file
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
    sqlite3_stmt* stmt = nullptr;  // prepared for this open, kept
    bool live = false;             // stepped and not reset: it holds a read snapshot
    int16_t keyNum = -1;
    bool forward = true;
    int64_t id = 0, seq = 0;       // the row it gave last
    uint64_t writes = 0;           // the file's write count then
    std::array<char, 96> stamp{};  // the log's header then
};

struct File {
    uint32_t id = 0;
    QString path;
    sqlite3* db = nullptr;
    FileDef def;
    int refs = 0;
    bool readOnly = false;
    bool immutable = false;  // opened without locks or shared memory: no one can change it
    bool inTxn = false;
    bool syncFull = true;  // the connection's commits wait for the disk
    std::vector<std::array<sqlite3_stmt*, kKinds>> reads;
    sqlite3_stmt* insert = nullptr;
    // Updates by the set of keys they change: an index whose key stays is left alone, so that
    // its pages are not written again.
    std::unordered_map<uint32_t, sqlite3_stmt*> updates;
    sqlite3_stmt* oldKeys = nullptr;
    sqlite3_stmt* remove = nullptr;
    sqlite3_stmt* current = nullptr;
    std::vector<uint8_t> scratch;                  // folded keys of a write, one slot per key
    uint64_t writes = 0;                           // writes made through any handle of this process
    std::unordered_map<uint32_t, Cursor> cursors;  // by open id
    const char* shm = nullptr;                     // the log's shared memory, mapped read-only for its header
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
    std::vector<File*> files{nullptr};  // index = file id; 0 is never given; never reused
    // index = open id (the block's handle): the file id while that open lives, 0 once released.
    // Each open has its own identity, so a copy of a released block cannot act through another
    // open of the same file.
    std::vector<uint32_t> opens{0};
    QHash<QString, uint32_t> byPath;
    bool txn = false;
    std::vector<uint32_t> txnFiles;
};

Registry& reg();
File* FileOf(const Pos& p);
File* LiveFile(const void* posBlock, Pos& p);

// ---------------------------------------------------------------- SQLite helpers

int16_t StatusOf(int rc);
int Exec(sqlite3* db, const char* sql);
sqlite3_stmt* Prepare(sqlite3* db, const std::string& sql, int* rc);

// Resets a statement whatever way the operation leaves.
struct Done {
    sqlite3_stmt* s;
    ~Done() { sqlite3_reset(s); }
};

inline std::string N(size_t i) { return std::to_string(i); }

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

inline bool ValidKey(const File& f, int16_t keyNum) { return keyNum >= 0 && size_t(keyNum) < f.def.keys.size(); }

// Files and connections (record_manager.cpp).
void CloseFile(uint32_t id);

// Reads and positioning (record_manager_reads.cpp).
void Refresh(File& f);
int16_t GetByKey(Call& c, Kind kind, int16_t whenNone);
int16_t GetPosition(Call& c);
int16_t GetDirect(Call& c);
int16_t GetStep(Call& c, Kind kind);

// Writes and transactions (record_manager_writes.cpp).
int CompterCommit(void* f);
int16_t Touch(File& f);
int16_t EndTransaction(bool commit);
int16_t Insert(Call& c);
int16_t Update(Call& c);
int16_t Delete(Call& c);

}  // namespace rm
