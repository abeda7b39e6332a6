#pragma once
// The catalogue of a base's database files ("FRAD000" to "FRAD049", numbers 0..50): what each
// holds, one physical file per station or one per base, and the definition the record manager
// needs to create it. Every other part of the database layer names files by these numbers.
#include <QString>
#include <array>
#include <cstddef>
#include <cstdint>

namespace Cle {
inline constexpr const char* InitGeneralData = "Lib_Data_BTrieve_2:InitGeneralData";
}

inline constexpr int NbFichiersBTR = 51;  // file numbers 0..50
inline constexpr int NbSegmentsMax = 8;
inline constexpr int NbStationsMax = 10;

// The record manager's key attribute flags used by the catalogue.
namespace KeyFlag {
enum : int32_t { Duplicates = 1, Modifiable = 2, Segmented = 16, CaseInsensitive = 1024 };
}

struct KeySegment {
    int32_t Position = 0;  // first byte in the stored record, from 1
    int32_t Length = 0;
    int32_t Flags = 0;
    bool Continued = false;  // carried as the table has it; nothing reads it
    int32_t Spare = 0;
};

struct FileInfoEntry {
    QString Description;
    QString Name;        // "FRAD" + three digits, padded to 8 with a blank
    QString PerStation;  // "O": one file per station; "N": one for the base
    QString SecondFlag;  // "O" for file 47 only; nothing reads it
    int32_t RecordLength = 0;
    int32_t PageSize = 0;
    int32_t KeyCount = 0;
    int32_t Spare1 = 0;
    int32_t Spare2 = 0;
    std::array<KeySegment, NbSegmentsMax> Segments{};

    bool parStation() const { return PerStation == QLatin1String("O"); }
    bool vide() const { return Name.trimmed().isEmpty(); }
};

// Empty when the program starts; filled by InitGeneralData at the first opening of a base.
extern std::array<FileInfoEntry, NbFichiersBTR> FileInfo;

// Fills every entry of FileInfo (entries 18 and 50 empty), overwriting what was there.
void InitGeneralData();

// The catalogue as the program holds it, whether or not FileInfo has been filled yet (the key
// check needs it before any file is open).
const FileInfoEntry& CatalogueFichier(int fileNo);

// Key lengths of a catalogue entry: segments of a key are summed; -1 for a key the file lacks.
int LongueurCle(const FileInfoEntry& e, int keyNum);
// Index of the first segment of a key, or -1.
int PremierSegmentCle(const FileInfoEntry& e, int keyNum);
// Number of segments of a key (0 when the file lacks it).
int NbSegmentsCle(const FileInfoEntry& e, int keyNum);

// Physical file name: the name stem without blanks and ".bt6"; for a per-station file the fifth
// character is the station letter ("A" for index 0 .. "J" for index 9). FRADB27.bt6, FRAD003.bt6.
QString NomFichierBTR(int16_t FileNo, int16_t StationIndex);

// The data buffer of the record manager's Create operation: 160 bytes, numbers little-endian.
#pragma pack(push, 1)
struct SpecCleBTR {
    int16_t Position;
    int16_t Length;
    int16_t Flags;
    char Zero1[4];
    uint8_t ExtendedType;
    char Zero2[5];
};
struct StructureFichierBTR {
    int16_t RecordLength;
    int16_t PageSize;
    int16_t KeyCount;
    char Zero1[4];
    int16_t FileFlags;  // 8: data compression
    char Zero2[2];
    int16_t Preallocation;
    SpecCleBTR Keys[9];  // segments 0..7 of the entry; the ninth always zero
};
#pragma pack(pop)
static_assert(sizeof(SpecCleBTR) == 16);
static_assert(sizeof(StructureFichierBTR) == 160);
static_assert(offsetof(StructureFichierBTR, FileFlags) == 10);
static_assert(offsetof(StructureFichierBTR, Keys) == 16);

inline constexpr int16_t FileFlagCompression = 8;

extern StructureFichierBTR BtrFileSpec;

// Rebuilds BtrFileSpec from the catalogue entry of FileNo; Compress gives file flags 8, else 0.
void InitStructureFichierBTR(int16_t FileNo, bool Compress);

// Tests: back to the start-of-run state (catalogue empty, create definition zeroed).
void ReinitialiserCatalogue();
