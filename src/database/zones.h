#pragma once
// Zones, stations and folders: once per run, while the options window loads, each zone served
// (1 to 8, numbered from 0) gets its configuration folder, its local, data, log, notes and shared
// folders from its "XT_SYS.ini", its local settings sub-folder and its sound folders per category.
// The number of zones and the log folder are the globals NbZones and CheminLog.
//
// Folders are held translated to this system (CheminLocal), ending with "/".
#include <QString>
#include <array>
#include <cstdint>

namespace Cle {
inline constexpr const char* FrmSetup_InitGeneral = "FrmSetup:InitGeneral";
inline constexpr const char* FrmSetup_InitGeneralDossiers = "FrmSetup:InitGeneralDossiers";
}  // namespace Cle

inline constexpr int NbZonesMax = 8;
inline constexpr int NbCategoriesSons = 9;  // "000", "JIN", "LIN", "RUB", "INF", "PRE", "PUB", "TMP", "NUM"
inline constexpr int NbDossiersSons = 10;

extern std::array<QString, 20> DossierConfigBase;  // holds the zone's "XT_SYS.ini"
extern std::array<QString, 20> DossierLocal;
extern std::array<QString, NbZonesMax> DossierIniLocal;
extern std::array<QString, NbZonesMax> DossierData;  // the zone's database files
extern std::array<QString, 20> DossierNotes;
extern std::array<QString, 20> DossierPartage;
// Sound folders of each zone by category, packed from index 0.
using DossiersSonsZone = std::array<std::array<QString, NbDossiersSons>, NbCategoriesSons>;
extern std::array<DossiersSonsZone, 20> DossiersSons;
// The current station (1 after the zones loader).
extern int16_t NoStationCourante;

// The code of a sound category in the keys of "XT_SYS.ini" ("000", "JIN"... "NUM").
QString CodeCategorieSons(int categorie);

// FrmSetup.InitGeneral: the zones loader, run by the options window's load before it reads its
// own settings.
void InitGeneral();
// FrmSetup.InitGeneralDossiers: the folders of one zone (0..7).
void InitGeneralDossiers(int16_t z);

// Tests: every global of this module empty (NbZones and CheminLog are the fixture's).
void ReinitialiserZones();
