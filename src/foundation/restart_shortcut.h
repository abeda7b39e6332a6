#pragma once
// Coming back after a restart (the start-up entry that relaunches the program after a delay),
// the restart itself, a wait that keeps the windows alive, and the start of external programs
// and documents with French messages for their failures.
#include <QString>
#include <QStringList>
#include <cstdint>

namespace Cle {
inline constexpr const char* CreateShortCutStartUp = "Lib_Systeme:CreateShortCutStartUp";
inline constexpr const char* ShutdownWindows = "Lib_Systeme:ShutdownWindows";
inline constexpr const char* WaitOnDuration = "Lib_Systeme:WaitOnDuration";
inline constexpr const char* ExecuterProgrammeExterne = "Lib_Systeme:ExecuterProgrammeExterne";
}  // namespace Cle

// An automation object has disconnected from its clients (&H80010108).
inline constexpr int32_t ErrAutomationDeconnectee = -2147417848;
// The file is in use by another process (&H80070020).
inline constexpr int32_t ErrFichierUtilise = -2147024864;

// The start-up entry: "Ondrune - Tools-Kirvo.desktop" in the session's autostart folder.
QString DossierDemarrage();           // ends with "/"
QString FichierRaccourciDemarrage();  // folder and file name

// action -1 creates (or replaces) the start-up entry, 0 deletes it, anything else does nothing.
// The delay is first brought into 1000..120000 ms, in the caller's variable too. The relaunched
// program waits that long ("/Wait=") before its start-up goes on.
void CreateShortCutStartUp(int16_t action, int32_t& delai, const QString& caller);

// Writes the pending log lines, then asks for the end of the session (FinSession flags; the
// force flag is always added: 2 is a forced restart).
void ShutdownWindows(uint32_t flags);

// Waits the duration (ms) letting window events run; returns early once shutdown has begun.
void WaitOnDuration(int32_t duration);

// Opens a document, address or program ("Open"), the program getting the parameters as its
// arguments. Returns the launch result (above 32: started); a failure is reported as a trapped
// error and shown in a box with its French message and the file.
int32_t ExecuterProgrammeExterne(const QString& operation, const QString& file, const QStringList& parameters,
                                 const QString& folder, int32_t showMode = 1);

// The error number and the French message of a failed launch result.
struct EchecLancement {
    int32_t numero;
    QString message;
};
EchecLancement MessageEchecLancement(int32_t result);

// The central error routine's treatment of a disconnected automation object: an incident line,
// the start-up entry with a 10 s delay, then a forced restart. Installed once at start-up.
void InstallerRedemarrageSurErreurAutomation();
