#pragma once
// What the program knows of itself and of the machine: build moment and version text, product
// version of a file, system folders, computer name, the system's display name with its numeric
// code and 64-bit flag, and one-call registry access.
#include "platform/registry.h"
#include "platform/system_info.h"

#include <QDateTime>
#include <QString>
#include <cstdint>

namespace Cle {
inline constexpr const char* DateApplication = "Lib_Systeme:DateApplication";
inline constexpr const char* VersionApplication = "Lib_Systeme:VersionApplication";
inline constexpr const char* VersionFichier = "Lib_Systeme:VersionFichier";
inline constexpr const char* LOWORD = "Lib_Systeme:LOWORD";
inline constexpr const char* HIWORD = "Lib_Systeme:HIWORD";
inline constexpr const char* GetWinDir = "Lib_Systeme:GetWinDir";
inline constexpr const char* GetWinSysDir = "Lib_Systeme:GetWinSysDir";
inline constexpr const char* GetOSDisplayString = "Lib_Systeme:GetOSDisplayString";
inline constexpr const char* GetSpecialFolderLocation = "Lib_Systeme:GetSpecialFolderLocation";
inline constexpr const char* ComputerName = "Lib_Systeme:ComputerName";
inline constexpr const char* Reg_GetValue = "Lib_Systeme:Reg_GetValue";
inline constexpr const char* Reg_SetValue = "Lib_Systeme:Reg_SetValue";
}  // namespace Cle

// The system's version record. Only dwPlatformId is read (registry root 0, share listing):
// 0 until filled, 2 on this platform. Major, minor and build come from the kernel release.
struct OSVERSIONINFO {
    int32_t dwOSVersionInfoSize = 0;
    int32_t dwMajorVersion = 0;
    int32_t dwMinorVersion = 0;
    int32_t dwBuildNumber = 0;
    int32_t dwPlatformId = 0;
    QString szCSDVersion;
};
extern OSVERSIONINFO InfoVersionOS;
// Fills InfoVersionOS (size 148, platform 2). False when the system cannot be queried.
bool GetVersionEx(OSVERSIONINFO& info);

// Set by GetOSDisplayString: 10 on this platform, 0 until known.
extern int32_t NoVersionWindows;
// Set (never cleared) by GetOSDisplayString on a 64-bit machine.
extern bool bWindows64;
// Product version of the file last given to VersionFichier ("08.00.020"), empty when none.
extern QString VersionFichierProduit;

// The build moment from the three version numbers (year, MMDD, HHMM); out-of-range parts carry
// as calendar arithmetic does. Below 2000 the file description is tried as a date, else
// 1 January 2000 00:00.
QDateTime MomentDeVersion(int32_t major, int32_t minor, int32_t revision, const QString& fileDescription = QString());
// "YYYY.MMDD.HHMM" of a moment.
QString TexteVersion(const QDateTime& moment);

QDateTime DateApplication();
QString VersionApplication();

// Product version of a file. On this platform a shared library's name carries it
// ("libx.so.8.0.20" gives "08.00.020"); any other file has none.
void VersionFichier(const QString& path);

int32_t LOWORD(int32_t v);
int32_t HIWORD(int32_t v);

// The old system's folders, under the drive root (CheminLocal of "C:\Windows" and of
// "C:\Windows\System32"), without a final "/".
QString GetWinDir();
QString GetWinSysDir();

// Shell folder identifiers this program asks for.
namespace Csidl {
enum : int32_t { Desktop = 0, Personal = 5, Startup = 7, AppData = 26, LocalAppData = 28, CommonAppData = 35 };
}
// The folder's path without a final "/"; empty for an identifier this platform does not know.
QString GetSpecialFolderLocation(int32_t csidl);

QString ComputerName();

// "Linux Debian GNU/Linux 12 (bookworm) , 64-bit  (build 6.1.0-18-amd64)": the system's name,
// its width, a blank where a service pack would stand, and the kernel release; sets
// NoVersionWindows and bWindows64. Empty when the system cannot be queried.
QString GetOSDisplayString();
// The display text of a description.
QString TexteSysteme(const DescriptionSysteme& d);

// Registry access through the stand-in. root 0: HKEY_LOCAL_MACHINE when InfoVersionOS's
// platform is 1, HKEY_CURRENT_USER when 2. Results are the platform's codes: 0, 1010 for an
// empty key path (and, when writing, an empty value name), 234 for a value type that is not
// text or number, 5 when the store cannot be written...
int32_t Reg_GetValue(int32_t root, const QString& keyPath, const QString& valueName, QString& value);
int32_t Reg_SetValue(int32_t root, const QString& keyPath, const QString& valueName, const QString& value,
                     int32_t type);

// Tests: back to the start-of-run values (InfoVersionOS, NoVersionWindows, bWindows64,
// VersionFichierProduit).
void ReinitialiserInfoSysteme();
