#pragma once
// The canvas family of the synchronisation: the spot headers (file 6) of the contracts of type
// " C" (file 5) of a station are the web service's templates, web entity "Template", query prefix
// "Tmp", tab 5 of the advertising page. The local database is their only source: the family sends
// and audits, never imports, so its driver runs the local pass, the journal replay and the audit
// only. Each template carries as its detail one line per scheduled passage of its spot (file 7),
// sent after the template whenever its content flag says the passages changed.
//
// The steps are the engine's; here are the canvas's names, queries, label and detail lines.
#include "sync/sync_engine.h"

#include <QString>
#include <cstdint>

namespace Cle {
inline constexpr const char* SynchroniserPub_05_Canevas_01 = "Lib_Kirvo:SynchroniserPub_05_Canevas_01";
inline constexpr const char* SynchroniserPub_05_Canevas_02 = "Lib_Kirvo:SynchroniserPub_05_Canevas_02";
inline constexpr const char* SynchroniserPub_05_Canevas_06 = "Lib_Kirvo:SynchroniserPub_05_Canevas_06";
inline constexpr const char* SynchroniserPub_05_Canevas_50_Contenu = "Lib_Kirvo:SynchroniserPub_05_Canevas_50_Contenu";
}  // namespace Cle

const FamilleSynchro& FamilleCanevas();

// The creation query of the template in the buffer of file 6 (every value percent-encoded).
QString SynchroniserPub_05_Canevas_80_Parametres_01_Create();
QString SynchroniserPub_05_Canevas_90_Contenu_01_Detail_Empty();
QString SynchroniserPub_05_Canevas_90_Contenu_02_Detail_Create(const QString& Detail);
// The label the queries send: the trimmed label, or "Canevas: " and the canvas key, trimmed.
QString LibelleCanevasEnvoye();

// The detail line of the passage in the buffer of file 7: weekday (Monday 1 .. Sunday 7), level,
// then hour, minute, the value at offset 21, the level's value (99 for levels 1 to 3; for level 4
// the value at offset 23 at minute 1, else 99; for level 5 the value at offset 23) and the integer
// at offset 56, each on two digits (a value of 100 or more keeps its last two). Empty for a level
// other than 1 to 5, and for a date that cannot be read (logged).
QString LigneDetailPassage();

// The driver (base NoBaseCourante, station 1) and its steps.
void SynchroniserPub_05_Canevas(const QString& url);
void SynchroniserPub_05_Canevas_01(int16_t Base, int16_t Station, const QString& url, const QString& Entity);
void SynchroniserPub_05_Canevas_02(int16_t Base, int16_t Station, const QString& url, const QString& Entity);
void SynchroniserPub_05_Canevas_06(int16_t Base, int16_t Station, const QString& url, const QString& Entity);
// The passages of the template in the buffer of file 6 (canvas key: its code and sequence) sent as
// its detail. True when the web confirmed all of it; the content flag is the caller's.
bool SynchroniserPub_05_Canevas_50_Contenu(int16_t Base, int16_t Station, const QString& url, const QString& Entity,
                                           const QString& CleCanevas);
