#pragma once
// The fill-rate upload ("TauxRemplissage"): the fill of the period shown in the fill property grid
// is computed afresh, then for every chosen station of the base the rates of every day of the
// period are deleted on the web and each shown grid row that holds a value is sent with its 24
// hour cells, its 24 slot cells and its day total (a cell's back colour travels with its text
// unless it is one of the grid's plain backgrounds).
//
// Nothing is sent after a computation that was refused, cut short or left incomplete by a failed
// read of the planned advertising: the web would publish wrong figures. The first request that
// cannot reach the service, or whose credentials the service refuses, ends the upload with one
// message, which also names the stations whose days were cleared on the web but not all sent
// again. A request the service failed (an error status) or refused (an error answer, Result not
// true) is a failure of that day or row, logged, and the upload goes on with the next row and the
// next station; at the end one message counts the failed rows and days and names those stations
// too. The upload ends with a log line giving the rows sent, the failures and why it stopped.
#include <QDate>
#include <QString>
#include <cstdint>

#include "entities/web_sending.h"

class SpreadGrid;

namespace Cle {
inline constexpr const char* SynchroniserPub_06_Remplissage_01 = "Lib_Kirvo:SynchroniserPub_06_Remplissage_01";
inline constexpr const char* SynchroniserPub_06_Remplissage_80_Parametres_02_Update =
    "Lib_Kirvo:SynchroniserPub_06_Remplissage_80_Parametres_02_Update";
inline constexpr const char* SynchroniserPub_06_Remplissage_80_Parametres_03_Delete =
    "Lib_Kirvo:SynchroniserPub_06_Remplissage_80_Parametres_03_Delete";
inline constexpr const char* DeRGB = "Lib_Kirvo:DeRGB";
}  // namespace Cle

// The driver (the dispatcher's last advertising driver); url ends with "/".
void SynchroniserPub_06_Remplissage(const QString& url);
// The last upload stopped on a service that answered none of its requests, and its box has told
// the user the address is out of reach (false again at the start of the next upload). The requests
// a run lost just before the upload met that same outage: the run does not tell them again.
bool RemplissageArreteSansReponse();

// What one station's upload came to: rows sent (accepted updates), deletions accepted, failed
// requests (rows and days); incomplet when a day it cleared on the web did not get all its rows
// back; injoignable when it stopped at a request that could not reach the service or whose
// credentials the service refused.
struct BilanRemplissage {
    int lignes = 0;
    int suppressions = 0;
    int lignesEnEchec = 0;
    int joursEnEchec = 0;
    bool incomplet = false;
    bool injoignable = false;
    int echecs() const { return lignesEnEchec + joursEnEchec; }
};

// Deletions of every day d1..d2 of the station, then the updates of its sheet of the grid.
BilanRemplissage SynchroniserPub_06_Remplissage_01(SpreadGrid& grille, int16_t base, int16_t station,
                                                   const QString& url, const QString& entite, const QDate& d1,
                                                   const QDate& d2, EnvoisWeb& envois);

// "?TrpDate=YYYY-MM-DD&TrpStation=NN".
QString SynchroniserPub_06_Remplissage_80_Parametres_03_Delete(int16_t station, const QDate& jour);
// The update of grid row r of the current sheet: date, station, kind, then the hour cells
// (columns 31-54), the slot cells (6-29) and the day total (30). bNonVide tells whether one of
// those cells holds a text once trimmed.
QString SynchroniserPub_06_Remplissage_80_Parametres_02_Update(SpreadGrid& grille, int16_t station, const QDate& jour,
                                                               int16_t nature, int32_t row, bool& bNonVide);

// "RRGGBB" of a colour whose lowest byte is red.
QString DeRGB(int32_t couleur);
int DeRGB_Rouge(int32_t couleur);
int DeRGB_Vert(int32_t couleur);
int DeRGB_Bleu(int32_t couleur);

// The day of a column 3 text "DD-MM-YY" (year 2000 + YY); an invalid date when it is none.
QDate JourDeLaGrille(const QString& texte);
