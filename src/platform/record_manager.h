#pragma once
// The keyed record manager: one call, as the station database has always been reached.
//   op        operation code (Open 0, Insert 2, Update 3, Delete 4, Get Equal 5, Next 6,
//             Previous 7, Greater 8, Greater or Equal 9, Less 10, Less or Equal 11, First 12,
//             Last 13, Create 14, Begin transaction 19/1019, End 20, Abort 21, Get Position 22,
//             Get Direct 23, Stop 25)
//   posBlock  128 bytes owned by the caller; self-contained (a copy can be used and thrown away)
//   dataBuf   the record (or the 160-byte file definition for Create)
//   dataLen   in: buffer/record length; out: the record length on a successful read
//   keyBuf    the key value (for Open and Create: the file's path, not necessarily terminated)
//   keyLen    length of keyBuf
//   keyNum    key number (0..)
// Returns the status: 0 success, 2 I/O error, 3 file not open, 4 key not found, 5 duplicate key,
// 6 invalid key number, 7 different key number, 8 invalid positioning, 9 end of file, 12 file not
// found, 18 disk full, 22 data buffer too short, 30 not a record-manager file, 46 access denied,
// 80 record changed since it was read, 84/85 record/file locked.
//
// How the calls behave, where a caller may wonder:
// - Open: keyNum is the open mode (0 normal, -2 read-only); a read-only file opened for writing
//   gives 46. Several opens of one path share one connection, each with its own position and
//   its own identity: a block (or a copy of it) whose open was released gives 3, even while
//   another open of the same file lives.
// - Create: keyNum -1 refuses an existing file (59); 0 replaces it, unless it is open in this
//   process (85). The file is built aside and renamed into place.
// - Stop (25): releases the open of a live position block (3 for a block already released);
//   with a blank block, the latest live open of the file named in the key buffer; with no name
//   either, every file. Close (1) releases the block's open. A released block is blank.
// - Records are fixed-length: Insert/Update with dataLen below the record length give 22 and
//   write nothing; bytes beyond it are ignored. A read into a shorter buffer gives 22 and moves
//   nothing. Get calls and Insert/Update return the key in the key buffer, which must hold it
//   (21 otherwise).
// - Get Equal and the Greater/Less family that find nothing leave no current record (an Update
//   then gives 8, never touching the record read before); Next/Previous at an end give 9 and
//   leave the position just past that end, so Previous after the end of file is the last record
//   and Next after the start of file the first (an Update or Delete there gives 8). Among
//   duplicates, Equal/Greater/First give the first, Less/Last the last.
// - Get Position hands back the current record's position (4 bytes in the data buffer, the
//   position unchanged); Get Direct, given those 4 bytes, reads that record again and makes it
//   current on the key number given (8 when it is gone).
// - Update keeps the key number the position was taken on (7 otherwise). Update and Delete give
//   80 when another block (or process) wrote the record since this block read it.
// - Transactions (19/1019, 20, 21): each file used meanwhile joins at its first call; End
//   commits them one by one. Outside a transaction a write that returned 0 is on disk (unless
//   made under BtrSansAttente).
// - Any lock held past a short wait gives 85 (files are locked whole, never single records).
// Single-threaded, as the program is.
#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

constexpr int kPosBlockSize = 128;

// A struct rather than a namespace, so that the database layer's call-block variable of the
// same name can live beside it: BtrOp::Insert names the code, BtrOp alone the variable.
struct BtrOp {
    enum : uint16_t {
        Open = 0,
        Close = 1,
        Insert = 2,
        Update = 3,
        Delete = 4,
        GetEqual = 5,
        GetNext = 6,
        GetPrevious = 7,
        GetGreater = 8,
        GetGreaterOrEqual = 9,
        GetLessThan = 10,
        GetLessOrEqual = 11,
        GetFirst = 12,
        GetLast = 13,
        Create = 14,
        GetPosition = 22,
        GetDirect = 23,
        BeginTransaction = 19,
        EndTransaction = 20,
        AbortTransaction = 21,
        Stop = 25,
        BeginConcurrentTransaction = 1019,
    };
};

namespace BtrStat {
enum : int16_t {
    Ok = 0,
    IoError = 2,
    FileNotOpen = 3,
    KeyNotFound = 4,
    DuplicateKey = 5,
    InvalidKeyNumber = 6,
    DifferentKeyNumber = 7,
    InvalidPositioning = 8,
    EndOfFile = 9,
    FileNotFound = 12,
    DiskFull = 18,
    DataBufferTooShort = 22,
    NotARecordManagerFile = 30,
    AccessDenied = 46,
    Conflict = 80,
    RecordLocked = 84,
    FileLocked = 85,
    // Less common answers: bad operation, key not modifiable, key buffer too short, bad file
    // definition at create, transaction misuse, create refused over an existing file.
    InvalidOperation = 1,
    KeyNotModifiable = 10,
    KeyBufferTooShort = 21,
    KeyCountError = 26,
    InvalidKeyPosition = 27,
    RecordLengthError = 28,
    InvalidKeyLength = 29,
    TransactionAlreadyActive = 37,
    TransactionError = 39,
    FileAlreadyExists = 59,
};
}

int16_t BTRCALL(uint16_t op, void* posBlock, void* dataBuf, uint32_t* dataLen, void* keyBuf, uint16_t keyLen,
                int16_t keyNum);

// Open modes (the key number of an Open).
namespace BtrOpenMode {
enum : int16_t { Normal = 0, Accelerated = -1, ReadOnly = -2, Verify = -3, Exclusive = -4 };
}

// Longest key a file may define: the current key is kept whole in the position block.
constexpr int kBtrMaxKeyLength = 91;

// What the maintenance utility reads of an open file (the position block of an Open).
struct BtrKeySegment {
    int position = 0;  // first byte in the record, from 1
    int length = 0;
    int flags = 0;  // 1 duplicates, 2 modifiable, 16 segmented (continues), 1024 case-insensitive
};
struct BtrFileDescription {
    QString path;
    uint32_t recordLength = 0;
    uint16_t pageSize = 0;
    uint16_t fileFlags = 0;
    int keyCount = 0;
    std::vector<BtrKeySegment> segments;  // key after key, as given at create
    int64_t recordCount = 0;
};
int16_t BtrDescribeFile(const void* posBlock, BtrFileDescription* out);

// Get Next/Previous walks keep their stepping statement between calls while nothing can have
// changed what it reads (the default); false makes every step seek again from the position, with
// the same results: the reference the tests and the benchmark compare against.
void BtrCurseursActifs(bool oui);

// How many write transactions the record files have committed in this process with a wait for
// the disk (benchmarks: the durable commits a run makes).
uint64_t BtrNbCommits();

// While one lives, writes outside a transaction commit without waiting for the disk: they survive
// a killed process but a power cut may take them, until the file's next durable commit. Only for
// a write whose loss on a power cut loses nothing (refreshing what is already stored durably). A
// transaction's commit always waits.
class BtrSansAttente {
public:
    BtrSansAttente();
    ~BtrSansAttente();
    BtrSansAttente(const BtrSansAttente&) = delete;
    BtrSansAttente& operator=(const BtrSansAttente&) = delete;

private:
    bool avant_;
};

// Every stored record in storage order, whatever the keys; visit returns false to stop.
// Leaves the position block unchanged; the visitor must not release the file.
int16_t BtrForEachRecord(const void* posBlock, const std::function<bool(const uint8_t* data, uint32_t length)>& visit);
