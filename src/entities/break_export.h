#pragma once
// The export of the break grid ("GrillePosition"): for each hour of the week, Monday 00 h to
// Sunday 23 h, the positions and durations of its advertising breaks as the base's advertising
// settings describe them ("XT_PUB.ini" section Pub_Position_Duree_Ecrans, keys LUN_07_POS and
// LUN_07_DUR; "XT_PUB_2.ini" section Pub_Remplissage_Ecrans, keys LUN_07_NAT), one request per
// hour, 168 in all.
//
// The base's master copies (configuration folder) are first copied over the working copies
// (local folder), which the export then reads; a copy that fails ends the export before anything
// is sent, rather than sending stale tables. An empty master copy is not copied (the copy routine
// takes an empty file for a missing one): the working copy stays as it is, with a log line. The
// export holds the advertising synchronisation's busy flag while it runs. The first request that
// cannot reach the service, or whose credentials the service refuses, ends it with one message
// that says how many hours were accepted; an hour the service failed (an error status) or refused
// (an error answer, Result not true) is counted, the export goes on, and the end message says how
// many hours failed ("Export terminé." only when all 168 were accepted).
#include <QString>
#include <cstdint>

#include "entities/web_sending.h"

namespace Cle {
inline constexpr const char* MnuSynchroniserParPubPosDurEcr_Click = "Frm_Main:MnuSynchroniserParPubPosDurEcr_Click";
inline constexpr const char* SynchroniserPub_99_Parametres_Ecran_Position_Duree =
    "Lib_Kirvo:SynchroniserPub_99_Parametres_Ecran_Position_Duree";
}  // namespace Cle

// The menu entry "Position et Durée des écrans" (index 0; any other does nothing).
void MnuSynchroniserParPubPosDurEcr_Click(int Index);

// One request: url + segment + "/" + operation + "?position=" + value.
IssueEnvoi SynchroniserPub_99_Parametres_Ecran_Position_Duree(EnvoisWeb& envois, const QString& url,
                                                              const QString& segment, const QString& operation,
                                                              const QString& valeur);

// The exported value of day jour (1 Monday .. 7 Sunday) and hour (0..23) from the three break
// tables of that hour: day and hour on two digits, then for each break up to the first whose
// duration is below 1 its position on two digits and its duration on three (nature 0 or 2) or
// "000" (any other nature).
QString ValeurPositionDuree(int jour, int heure, const QString& positions, const QString& durees,
                            const QString& natures);

// The key of a day and hour: "LUN_07_" + suffix ("POS", "DUR", "NAT").
QString CleGrillePosition(int jour, int heure, const QString& suffixe);
