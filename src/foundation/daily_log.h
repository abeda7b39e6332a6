#pragma once
// The day's log file: "YYYYMMDD.Log" in the log folder, a header block on the first write of a
// run and of each day, a purge of the day files older than 45 days once a day.
#include "platform/text_list.h"

#include <QString>
#include <cstdint>

namespace Cle {
inline constexpr const char* TraceLogForce = "Lib_Public:TraceLogForce";
inline constexpr const char* LectureLog = "Lib_Public:LectureLog";
}  // namespace Cle

// Appends the list's lines to the day's log file (header block first on the first write of a run
// or of a day), empties the list, purges old day files once a day. fileBase empty: today's
// "YYYYMMDD". The two truth values and the caller key change nothing.
// Lines that cannot be written (log folder unset, missing or read-only) are kept, up to
// LignesEnAttenteMax, and written ahead of the next lines once a write succeeds.
void TraceLogForce(TextList& list, const QString& fileBase, bool unused1, bool unused2, const QString& caller);

// Writes the pending lines, lets the user pick a log file of the folder (today's proposed) and
// opens it with the desktop's viewer. Cancel or any failure: nothing more, no report.
void LectureLog(const QString& folder, const QString& prefix);

// "2 D 3 H 4 Min 5 Sec", "3 H 0 Min 9 Sec", "4 Min 5 Sec": the machine's running time as the
// header shows it (seconds rounded, halves to even, minutes rounded down).
QString TexteDepuisDemarrage(uint64_t milliseconds);

inline constexpr int LignesEnAttenteMax = 10000;
// Lines kept because they could not be written yet.
int LignesEnAttente();

// Tests: a new run (no header, no purge, no warning given, nothing pending).
void ReinitialiserJournalJour();
