#pragma once
// This machine's address, its shares, network-to-local path translation and the folder picker.
#include <QList>
#include <QString>
#include <cstdint>

namespace Cle {
inline constexpr const char* GetHostName = "Lib_Systeme:GetHostName";
inline constexpr const char* ChangeUNCFolder2LocalFolder = "Lib_Systeme:ChangeUNCFolder2LocalFolder";
inline constexpr const char* FolderSelect = "Lib_Systeme:FolderSelect";
}  // namespace Cle

// One share of the listing. Type 0 is an ordinary disk share; a print share is 1.
struct ShareInfo {
    QString NetName;
    int32_t Type = 0;
    QString Remark;
    int32_t Permissions = 0;
    int32_t MaxUses = -1;
    int32_t CurrentUses = 0;
    QString Path;  // local folder, "/" form
    QString Passwd;
};

// The first non-loopback IPv4 address of this machine, dotted; empty when there is none.
QString GetHostName();

// Shares of a server (empty or this computer's name: this computer, from the Samba share
// definitions). The number of entries read; 0 when none or for another server.
int32_t GetNetShares(QList<ShareInfo>& shares, const QString& server = QString());
// As GetNetShares when InfoVersionOS's platform is 2; 0 otherwise.
int32_t GetLocalShares(QList<ShareInfo>& shares, const QString& server = QString());

// "\\computer\share\rest" (or "//computer/share/rest") naming a disk share of this machine
// becomes the share's local folder followed by rest, when that folder exists; otherwise the
// path comes back unchanged. traceIndex is the zone of the traces and of an error report.
QString ChangeUNCFolder2LocalFolder(int16_t traceIndex, const QString& uncPath, const QString& computer);

// The folder picker (the dialog seam), opened on the folder part of startPath (the program
// folder when blank). The chosen folder ending with "/", created when missing; "*" when
// cancelled.
QString FolderSelect(const QString& startPath, const QString& title = QString());
