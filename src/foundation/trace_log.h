#pragma once
// Log lines, incident lines, framed messages, entry traces and the millisecond counters.
#include <QString>
#include <cstdint>

// Procedure keys of this module, as they appear in log lines.
namespace Cle {
inline constexpr const char* TraceLog = "Lib_Public:TraceLog";
inline constexpr const char* TraceLogEncadre = "Lib_Public:TraceLogEncadre";
inline constexpr const char* CheckFreeFile = "Lib_Public:CheckFreeFile";
inline constexpr const char* TimingMilliSec = "Lib_Systeme:TimingMilliSec";
inline constexpr const char* GetTickCount64 = "Lib_Systeme:GetTickCount64";
}  // namespace Cle

// a, b, c: index fields (a is also the zone of an incident; a = b = -2 marks an entry trace).
// bIncident or iIncident >= 0 makes the line an incident line too; bForceWrite writes the log
// list to the day's file at once.
void TraceLog(int16_t a, int16_t b, int16_t c, const QString& text, bool bIncident = false, int16_t iIncident = -1,
              bool bForceWrite = true);
// A plain log line (-1, -1, -1, no incident, written at once).
inline void Log(const QString& text) { TraceLog(-1, -1, -1, text); }
// A plain incident line.
inline void LogIncident(const QString& text, int16_t zone = -1) { TraceLog(zone, -1, -1, text, true); }

// The text between two lines of the frame's first character, as long as the text.
void TraceLogEncadre(int16_t a, int16_t b, int16_t c, const QString& text, const QString& frame, bool bIncident);
void TraceLogEntree(const QString& key);
void TraceDebugEcran(const QString& text);

// "HH:MM:SS:mmm" of the local time.
QString TimingMilliSec();
// Milliseconds since the machine started: seeded from the real uptime at the first call, then
// carried across the 32-bit counter's wraps.
uint64_t GetTickCount64();

// The lowest free number of the program's open-file table (1..255); with bWarn, a number above 2
// is logged with the caller's key.
int16_t CheckFreeFile(const QString& caller, bool bWarn);
// The open-file table: a file number is held while a file is open.
class NumeroFichier {
public:
    explicit NumeroFichier(const QString& caller, bool bWarn = true);
    ~NumeroFichier();
    NumeroFichier(const NumeroFichier&) = delete;
    NumeroFichier& operator=(const NumeroFichier&) = delete;
    int16_t numero() const { return n_; }

private:
    int16_t n_;
};

// Tests: forget the last timed line and the counter's wraps.
void ReinitialiserTraceLog();
