#pragma once
// Program-wide state that the lower layers read and the windows set.
#include <QString>
#include <array>
#include <cstdint>

// Shutdown has begun (set once by the main window's unload, never reset).
extern bool bFermetureEnCours;
// The options window is loaded: log lines go to its list rather than to the holding list.
extern bool bFrmSetupChargee;
// Entry traces into the log ("Mode Debug") and into the debug list ("Mode Debug Ecran"); never saved.
extern bool bTraceLogDebug;
extern bool bTraceDebugEcran;

// Number of zones (0 until the zones loader has run) and the log folder (ends with "/").
extern int16_t NbZones;
extern QString CheminLog;

// Set by the main window before anything else runs.
extern QString DossierApplication;  // program folder, ends with "/"
extern int16_t NoInstance;          // 0 when the command line names none
extern QString LigneCommande;       // the command line's arguments as one text
extern QString FormatDate;          // "dd/MM/yyyy"
extern QString FormatHeure;         // "HH:MM:SS"
extern int16_t NoBaseCourante;
extern std::array<int32_t, 20> StationCourante;
extern float FacteurEchelle;

// The last trapped error.
struct ErreurInfo {
    int32_t Number = 0;
    int32_t Erl = 0;
    QString Description;
    QString Source;
};
extern ErreurInfo DerniereErreur;
