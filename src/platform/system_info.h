#pragma once
// Platform queries: the system's description, host name and address, Samba share definitions,
// free space, and the build moment stamped at build time.
#include <QList>
#include <QString>
#include <cstdint>

// "YYYY.MMDD.HHMM": the moment this program was built. The program's executable sets it at
// start (only it carries the stamp, so a new stamp relinks nothing else); elsewhere it is the
// moment the running executable was linked.
QString VersionConstruction();
void DefinirVersionConstruction(const char* stamp);

// The system as /etc/os-release and uname describe it.
struct DescriptionSysteme {
    QString nom;                                   // NAME ("Debian GNU/Linux")
    QString nomComplet;                            // PRETTY_NAME ("Debian GNU/Linux 12 (bookworm)")
    QString version;                               // VERSION_ID ("12")
    QString noyau;                                 // uname release ("6.1.0-18-amd64")
    QString machine;                               // uname machine ("x86_64")
    int32_t majeur = 0, mineur = 0, revision = 0;  // numbers of the kernel release
    bool bits64 = false;
};
// false when uname fails. osRelease: the file to read ("" = /etc/os-release, then
// /usr/lib/os-release).
bool LireDescriptionSysteme(DescriptionSysteme& d, const QString& osRelease = QString());

// gethostname; empty on failure.
QString NomMachine();
// The first IPv4 address of an interface that is up and not loopback, dotted; empty when none.
QString PremiereAdresseIPv4();

// A disk or print share defined for Samba.
struct PartageSamba {
    QString nom;
    QString chemin;
    QString commentaire;
    bool impression = false;
};
// The shares of a Samba configuration: every section but global, homes and printers that names
// a path and is not marked unavailable. The file: SetFichierPartages, else $KIRVO_SMB_CONF, else
// /etc/samba/smb.conf. An absent file gives none.
QList<PartageSamba> PartagesSamba();
QList<PartageSamba> LirePartagesSamba(const QString& smbConf);
// Tests point the listing at a file of their own; empty puts the default back.
void SetFichierPartages(const QString& path);
QString FichierPartages();

// Free bytes for an unprivileged user on the file system holding path (its nearest existing
// folder); false on failure.
bool OctetsLibres(const QString& path, uint64_t& bytes);
