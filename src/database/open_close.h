#pragma once
// Opening and releasing a base's database files with the record manager: one physical file per
// station for a file kept per station, one for the base otherwise, in the zone's data folder.
// The open fills the per-file state the call wrapper relies on (FileOpen, PosBlk, RecLen).
//
// The standard set of a base is files 1 to 8, 26 and 27, opened in that order and released in the
// reverse order (27, 26, 8, 7 ... 1). File 26 belongs to it because the fill computation reads it
// for every station, and a read of a file that is not open ends the program.
#include "database/catalogue.h"

#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <functional>

namespace Cle {
inline constexpr const char* PervasiveOuvertureFichiers = "Frm_Main:PervasiveOuvertureFichiers";
inline constexpr const char* PervasiveFermetureFichiers = "Frm_Main:PervasiveFermetureFichiers";
inline constexpr const char* FichierPervasiveOuvrir = "Lib_Data_BTrieve:FichierPervasiveOuvrir";
inline constexpr const char* FichierPervasiveFermer = "Lib_Data_BTrieve:FichierPervasiveFermer";
inline constexpr const char* OuvertureFichierBTrieve = "Lib_Data_BTrieve:OuvertureFichierBTrieve";
inline constexpr const char* FermetureFichierBTrieve = "Lib_Data_BTrieve:FermetureFichierBTrieve";
inline constexpr const char* CreationStructureVide = "Lib_Data_BTrieve:CreationStructureVide";
}  // namespace Cle

// The standard set, in opening order.
inline constexpr std::array<int16_t, 10> FichiersStandard = {1, 2, 3, 4, 5, 6, 7, 8, 26, 27};

// Full path of each physical file: base 0..19, file 0..50, station index 0..9. Set when the file
// is opened, kept after its release.
QString& FileFullName(int base, int fileNo, int stationIndex);
// Full paths of the physical files opened so far in this run (each once), known to exist.
extern QStringList OpenedList;
// The standard set of a base is open.
extern std::array<bool, 20> FichiersOuverts;

// Opens the standard set (NoFic -1) or one file of a base for stations NoStationInf..NoStationSup
// (1..10). The standard set of a base already open is released first.
void PervasiveOuvertureFichiers(int16_t NoBase, int16_t NoStationInf, int16_t NoStationSup, int16_t& NoFic);
// Releases the standard set (NoFic -1) or one file. While the program is closing its failures
// are ignored without a report.
void PervasiveFermetureFichiers(int16_t NoBase, int16_t NoStationInf, int16_t NoStationSup, int16_t NoFic);

// One catalogue file over a range of stations. Files 37 and 40 to 49 are created when missing; any
// other missing file is left closed with an incident line naming it.
void FichierPervasiveOuvrir(int16_t Base, int16_t FirstStation, int16_t LastStation, int16_t FileNo, int16_t& OpenMode);
void FichierPervasiveFermer(int16_t Base, int16_t FirstStation, int16_t LastStation, int16_t FileNo);

// One physical file (Station 1..10). True when it is open / released.
bool OuvertureFichierBTrieve(int16_t Base, int16_t FileNo, QString& FileName, int32_t& DataLen, int32_t Station,
                             int16_t OpenMode);
bool FermetureFichierBTrieve(int16_t Base, int16_t FileNo, QString& FileName, int32_t& DataLen, int32_t Station);

// Creates an empty file from BtrFileSpec (built beforehand by InitStructureFichierBTR); the status
// of the record manager's Create.
int16_t CreationStructureVide(const QString& FileName);

// Every open and release asked of the record manager, as it is asked (operation 0 or 25): the
// maintenance view and the tests follow the order of the calls through it.
void SetTemoinFichiers(std::function<void(int16_t op, int16_t base, int16_t fileNo, int32_t station)> temoin);

// Tests: the catalogue to be filled again, no path, nothing open.
void ReinitialiserOuvertureFichiers();
