#pragma once
// Settings files and folders: the only way the program reads and writes a settings value, and the
// folder checks that go with it. Paths may be in Windows form ("D:\Ondrune\Config\x.ini"); a bare
// file name ("win.ini") is the Windows folder's file (DossierWindows).
#include <QString>
#include <cstdint>

namespace Cle {
inline constexpr const char* LectureIni = "Lib_Systeme:LectureIni";
inline constexpr const char* EcritureIni = "Lib_Systeme:EcritureIni";
inline constexpr const char* FolderFound = "Lib_Systeme:FolderFound";
inline constexpr const char* VerificationEtCreationRepertoire = "Lib_Systeme:VerificationEtCreationRepertoire";
inline constexpr const char* File_RemoveFlag = "Lib_Systeme:File_RemoveFlag";
}  // namespace Cle

// The value of key in section (at most 254 characters), or the default when the file, the section
// or the key is missing; a key present with nothing after "=" gives the empty text. A file name
// holding "*", "?", a double quote or "|" reads nothing.
QString LectureIni(const QString& file, const QString& section, const QString& key, const QString& defaut);

// Writes key=value, creating the file and its section. A refused write is tried again after the
// file's folder has been created, then after its read-only flag has been cleared. False when not
// written: blank section or key, bad file name, a name or value that would break the file's lines
// (logged), or all three attempts refused.
bool EcritureIni(const QString& file, const QString& section, const QString& key, const QString& value);

// True when the folder exists or could be created. The answer for a path is kept for the run.
bool FolderFound(const QString& path, bool repair = false);

// Creates every missing folder of the path. Folders seen to exist, and those that could not be
// created, are remembered for the run; logIt writes "Folder '...' not found" once per failing folder.
void VerificationEtCreationRepertoire(const QString& path, bool logIt);

// Clears attribute bits of a file (1: read-only, the only one this platform keeps).
void File_RemoveFlag(const QString& file, int32_t mask);
// The attribute bits this platform can tell: 1 read-only, 2 hidden (dot name), 16 folder.
int32_t AttributsFichier(const QString& file);

// The Windows folder of this installation (ends with "/"): $KIRVO_WINDOWS_DIR, else
// DossierApplication's "Windows/".
QString DossierWindows();
// A settings or folder path as the program names it, on this system.
QString CheminIni(const QString& file);

// Tests: forget the folder answers of the run.
void ReinitialiserMemoiresDossiers();
