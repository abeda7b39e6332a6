#pragma once
// Every record read and write goes through BTRieve: history of the last calls, key check,
// station bound, not-open check, retry policy, error report, journal hook, and the normalisation
// of the synchronisation fields. Here also the per-file state of the open physical files, which
// the open and release routines set and every call uses.
#include "database/catalogue.h"
#include "platform/program_end.h"
#include "platform/record_manager.h"

#include <QString>
#include <array>
#include <cstdint>
#include <functional>

namespace Cle {
inline constexpr const char* BTRieve = "Lib_Data_BTrieve:BTRieve";
inline constexpr const char* BTRieve_Reel = "Lib_Data_BTrieve:BTRieve_Reel";
inline constexpr const char* ErreurBTrieve = "Lib_Data_BTrieve_2:ErreurBTrieve";
inline constexpr const char* ErreurBTrieveLibelle = "Lib_Data_BTrieve_2:ErreurBTrieveLibelle";
}  // namespace Cle

inline constexpr int NbBasesMax = 20;

// --- the call block: callers set the first four, call BTRieve, read BtrStatus ---
// (BtrOp::Insert and the other operation codes still name the codes: a qualified name looks
// past the variable.)
extern int16_t BtrOp;
extern QString BtrKey;  // 8-bit key as text (every byte kept through the code-page table)
extern int16_t BtrKeyNum;
extern int16_t BtrFileNo;
extern int16_t BtrStatus;

// --- per-file state: base 0..19, station index 0..9, file 0..50 ---
// An index outside these ranges raises run-time error 9.
using PositionBlock = std::array<char, kPosBlockSize>;
bool& FileOpen(int base, int stationIndex, int fileNo);
PositionBlock& PosBlk(int base, int stationIndex, int fileNo);
// The data length handed to the record manager, per file number. The open sets it; every call
// of the wrapper and of the journal writer hands the file's catalogue record length (what the
// record manager hands back is never kept: one file's answer must not size another's call).
extern std::array<int32_t, NbFichiersBTR> RecLen;
// The catalogue's record length of a file (what every call hands over).
int32_t LongueurEnregistrement(int fileNo);
extern bool TransactionActive;
// The last call gave up after repeated conflicts (status 80).
extern bool BtrGaveUp;

// Conflicts and lock statuses are tried again this many times (after the first attempt).
inline constexpr int NbRepetitionsMax = 10;

// --- the last six calls of each base, newest first ---
extern std::array<std::array<QString, 6>, NbBasesMax> BtrHistory;
// Shifts the base's history down one line and writes line 0.
void AjouterHistorique(int base, const QString& ligne);
// Puts "S:" and the five-digit status in front of line 0 unless it already has one.
void PrefixerHistorique(int base, int16_t status);

// The wrapper. Key is the caller's key variable: it comes back with what the record manager
// left in the key buffer. Station is 1..10 (below 1 runs as 1). Source is the caller's key.
// The outcome is BtrStatus: 0, or a status the caller tests (4, 5, 9) or that has been reported.
// A file number without a record buffer gives 1 (invalid operation), reported.
void BTRieve(int16_t base, int16_t op, QString& key, int16_t keyNum, int16_t fileNo, int32_t station,
             const QString& source);

// The error report of a status the caller does not accept (status taken from BtrStatus).
// FileNo < 0: no file line. Returns when the user answers Abort, or declines to quit; may end
// the program. A status the wrapper has already reported for the last call is not shown again:
// callers report every status they do not expect, and one failure shows one box.
void ErreurBTrieve(int16_t base, int16_t fileNo, const QString& key, const QString& source);

// While one is held, ErreurBTrieve shows nothing (the status is still marked as reported): a
// caller that has already shown a file's failure once, and counts the later ones itself, keeps
// the user from one box per record. Network errors (3000 and above) and a file that is not open
// (20) are reported all the same.
class RapportsBTrieveRetenus {
public:
    RapportsBTrieveRetenus();
    ~RapportsBTrieveRetenus();
    RapportsBTrieveRetenus(const RapportsBTrieveRetenus&) = delete;
    RapportsBTrieveRetenus& operator=(const RapportsBTrieveRetenus&) = delete;
};

// One failure, one report. The report marks the status it has shown; the mark lasts until the
// next call of the record manager (every call of the wrapper, any call through
// AppelGestionnaire, the open and release routines), so a later failure with the same number is
// reported again. A direct call of BTRCALL elsewhere must forget the mark before it sets BtrStatus.
void MarquerStatutSignale(int16_t status);
void OublierStatutSignale();
// True when that status is the one the wrapper reported for the last call.
bool StatutDejaSignale(int16_t status);
QString ErreurBTrieveLibelle(int16_t status, const QString& name);
// The catalogue's name of a file and what it holds ("FRAD003 (Clients)"); empty when unknown.
QString LibelleFichierBTR(int16_t fileNo);

// The launcher that restarts the program after a network failure of the record manager.
inline constexpr const char* NomLanceur = "QD3_Tools_Kirvo_Launcher.exe";

// Ends the program in order: the pending log lines written, the files released (when the
// orderly shutdown has not already done it), then the end itself. Never returns. Every caller
// ends on an error, which the exit code tells whoever started the program.
[[noreturn]] void TerminerProgrammeBTrieve(int code = CodeFinSurErreur);

// --- the record manager as this layer reaches it ---
// Every call of this layer (wrapper, journal writer, and whoever wants the same seam) goes
// through AppelGestionnaire, which is BTRCALL unless a test installed a scripted one.
using BtrCallFn = std::function<int16_t(uint16_t op, void* posBlock, void* dataBuf, uint32_t* dataLen, void* keyBuf,
                                        uint16_t keyLen, int16_t keyNum)>;
int16_t AppelGestionnaire(uint16_t op, void* posBlock, void* dataBuf, uint32_t* dataLen, void* keyBuf, uint16_t keyLen,
                          int16_t keyNum);
// Installs a record manager for tests; empty puts BTRCALL back.
void SetBtrCallHook(BtrCallFn hook);

// Tests: every file closed, blocks blank, history empty, call block zero, lengths 0, no
// transaction, the real record manager, no forced journal entries.
void ReinitialiserEtatBTrieve();
