#pragma once
// The keyed record manager: one call, as the station database has always been reached.
//   op        operation code (Open 0, Insert 2, Update 3, Delete 4, Get Equal 5, Next 6,
//             Previous 7, Greater 8, Greater or Equal 9, Less 10, Less or Equal 11, First 12,
//             Last 13, Create 14, Begin transaction 19/1019, End 20, Abort 21, Stop 25)
//   posBlock  128 bytes owned by the caller; self-contained (a copy can be used and thrown away)
//   dataBuf   the record (or the 160-byte file specification for Create)
//   dataLen   in: buffer/record length; out: the record length on a successful read
//   keyBuf    the key value (for Open and Create: the file's path, not necessarily terminated)
//   keyLen    length of keyBuf
//   keyNum    key number (0..)
// Returns the status: 0 success, 2 I/O error, 3 file not open, 4 key not found, 5 duplicate key,
// 6 invalid key number, 7 different key number, 8 invalid positioning, 9 end of file, 12 file not
// found, 18 disk full, 22 data buffer too short, 30 not a record-manager file, 46 access denied,
// 80 record changed since it was read, 84/85 record/file locked.
#include <cstdint>

constexpr int kPosBlockSize = 128;

namespace BtrOp {
enum : uint16_t {
    Open = 0, Close = 1, Insert = 2, Update = 3, Delete = 4, GetEqual = 5, GetNext = 6,
    GetPrevious = 7, GetGreater = 8, GetGreaterOrEqual = 9, GetLessThan = 10,
    GetLessOrEqual = 11, GetFirst = 12, GetLast = 13, Create = 14,
    BeginTransaction = 19, EndTransaction = 20, AbortTransaction = 21, Stop = 25,
    BeginConcurrentTransaction = 1019,
};
}

namespace BtrStat {
enum : int16_t {
    Ok = 0, IoError = 2, FileNotOpen = 3, KeyNotFound = 4, DuplicateKey = 5, InvalidKeyNumber = 6,
    DifferentKeyNumber = 7, InvalidPositioning = 8, EndOfFile = 9, FileNotFound = 12,
    DiskFull = 18, DataBufferTooShort = 22, NotARecordManagerFile = 30, AccessDenied = 46,
    Conflict = 80, RecordLocked = 84, FileLocked = 85,
};
}

int16_t BTRCALL(uint16_t op, void* posBlock, void* dataBuf, uint32_t* dataLen, void* keyBuf,
                uint16_t keyLen, int16_t keyNum);
