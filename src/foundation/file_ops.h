#pragma once
// File tests, sizes, copy and delete with the shell's result codes, and the free-space text.
// Names may be given in Windows form ("D:\Data\x.ini"): they go through CheminLocal and are
// looked up case-insensitively when the exact name does not exist.
#include <QString>
#include <cstdint>

namespace Cle {
inline constexpr const char* File_Exist = "Lib_Systeme:File_Exist";
inline constexpr const char* TailleDuFichier = "Lib_Systeme:TailleDuFichier";
inline constexpr const char* File_Copy = "Lib_Systeme:File_Copy";
inline constexpr const char* File_Delete = "Lib_Systeme:File_Delete";
inline constexpr const char* LibSize = "Lib_Systeme:LibSize";
}  // namespace Cle

// Flags of the shell's file operation, with their usual values.
namespace Fof {
enum : int32_t {
    Silent = 4,
    NoConfirmation = 16,
    FilesOnly = 128,
    NoConfirmMkDir = 512,
    NoErrorUi = 1024,
    NoRecursion = 4096,
    CopieStandard = 5764,      // what every caller of File_Copy passes
    SuppressionDefaut = 1168,  // what File_Delete uses when given 0
};
}  // namespace Fof

// Result codes of the shell's file operation that the log lines name.
namespace Shell {
enum : int32_t {
    Ok = 0,
    FichierIntrouvable = 2,
    CheminIntrouvable = 3,
    AccesRefuse = 5,
    FichierOccupe = 32,
    DisquePlein = 112,
    DossierNonVide = 145,
    CheminInvalide = 1026,
    Annule = 1223,
};
}  // namespace Shell

// True when a file or folder of that name exists (wildcards * and ? allowed in the last part).
// A name holding " ." is first looked for with the blank removed, then as given. With
// bVideEstAbsent a file of 0 bytes counts as missing. The caller key plays no part.
bool File_Exist(const QString& name, const QString& caller = QString(), bool bVideEstAbsent = false);

// Size in bytes (64-bit); -1 when the file cannot be opened for reading (missing, a folder).
int64_t TailleDuFichier(const QString& name);

// Copy with the shell's semantics: overwrite without asking (a read-only target is refused, 5),
// into a folder when the target is one, missing target folders created with NoConfirmMkDir, a
// wildcard copying the matching files into the target folder. The file is written beside the
// target and renamed over it, so a failed copy leaves the old target whole. A failure writes one
// incident line and a free-space line. True when the copy succeeded.
bool File_Copy(const QString& source, const QString& target, int32_t flags = Fof::CopieStandard);

// Delete (never to a wastebasket); a wildcard deletes the matching files; a folder goes only
// when empty (145 otherwise). flags 0 selects the default set. True when deleted.
bool File_Delete(const QString& name, int32_t flags = 0);

// "1 023,00 Octets", "1,50 Ko", "12,50 Go"...; empty from 1024^9 up.
QString LibSize(double bytes);

// Free bytes of the drive or folder given ("C:\" or "/srv/data"); 0 on any failure.
double GetDiskFreeBytes(const QString& root);
