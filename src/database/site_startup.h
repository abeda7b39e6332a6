#pragma once
// Start-up of the site, its bases and stations: the suite configuration ("QD3_Config.ini"), the
// choice of the base to work on when the site has several, and the base table for that base (its
// name, stations, configuration folder and working folders, each created when missing). After
// start-up entry 0 of every table here describes the base in use.
//
// Folders read from the suite files are Windows-form texts ("C:\QD_Data\"); the base table holds
// them translated to this system (CheminLocal), ending with "/".
#include <QString>
#include <array>
#include <cstdint>

namespace Cle {
inline constexpr const char* InitGeneralSite = "Lib_Site:InitGeneralSite";
inline constexpr const char* InitGeneralPath = "Lib_Site:InitGeneralPath";
inline constexpr const char* DetermineFichierSysteme = "Lib_Site:DetermineFichierSysteme";
}  // namespace Cle

inline constexpr int NbBasesSite = 20;
inline constexpr int NbStationsBase = 10;
inline constexpr int NbJeuxSons = 10;
inline constexpr int NbGenresSons = 8;

// One set of sound folders, one entry per kind: 0 "Mus_", 1 "Jin_", 2 "Lin_", 3 "Rub_",
// 4 "Inf_", 5 "Pre_", 6 "Pub_", 7 "Tmp_".
struct SoundFolderSet {
    std::array<bool, NbGenresSons> Flag{};  // the stored value began with "1:"
    std::array<QString, NbGenresSons> Path;
};

struct StationInfo {
    QString Lib;
};

// One record of the base table.
struct TypeBaseInfo {
    QString Lib;
    int16_t NbStation = 0;
    QString ConfigFolder;  // holds the base's "XT_SYS.ini" and per-base settings files
    QString LogFolder;
    QString LocalFolder;
    QString LocalIniFolder;  // LocalFolder + "Serveur_Ini/Tools_Kirvo/" + index in two digits
    QString SharedFolder;
    QString ImageTrackFolder;
    QString ImageArtistFolder;
    QString ImageCategoryFolder;
    QString DataFolder;  // must hold the base's "FRAD000.bt6"
    QString BackupFolder;
    QString NotesFolder;
    QString ScheduleNotesFolder;
    std::array<SoundFolderSet, NbJeuxSons> SoundFolders;
    std::array<StationInfo, NbStationsBase> Stations;
};

// Number of bases: 1 after InitGeneralSite whatever the site holds.
extern int16_t NbBase;
// Full path of "QD3_Config.ini".
extern QString FichierConfigIni;
// Configuration folder of each base (holds its "QD3_Systeme.ini"); entry 0 is the base in use.
extern std::array<QString, NbBasesSite> DossierConfigGlobal;
// The base table; after start-up only entry 0 is filled.
extern std::array<TypeBaseInfo, NbBasesSite> BaseInfo;

// The whole start-up of site, base and stations. The mode changes nothing (the start-up passes -1).
// Ends the program when the base choice is given up or the data folder question is cancelled.
void InitGeneralSite(int16_t mode = -1);
// Configuration folder of every base (-1) or of one base 0..19. Once the start-up has chosen its
// base, entry 0 keeps that base's folder.
void InitGeneralPath(int16_t base);
// Full path of a base's "QD3_Systeme.ini" (its configuration folder set first when still blank).
QString DetermineFichierSysteme(int16_t base);

// The section of the system file that holds a base's own settings: "Base_" + the base's number
// (from 1) in two digits. A system file written with only a "Base_01" section (older sites kept
// every base's settings there) is read from that section.
QString SectionBase(const QString& fichierSysteme, int numeroBase);

// Number (from 1) of the base that entry 0 describes once the start-up has run.
int16_t NumeroBaseChoisie();

// Tests: every global of the site back to its start-of-run value.
void ReinitialiserSite();
