#pragma once
// Every record read and write goes through BTRieve: history of the last calls, key check,
// station bound, not-open check, retry policy, error report, journal hook, and the normalisation
// of the synchronisation fields. Here also the per-file state of the open physical files, which
// the open and release routines set and every call uses.
#include "database/catalogue.h"
#include "platform/record_manager.h"

#include <QString>
#include <array>
#include <cstdint>

namespace Cle {
inline constexpr const char* BTRieve = "Lib_Data_BTrieve:BTRieve";
inline constexpr const char* BTRieve_Reel = "Lib_Data_BTrieve:BTRieve_Reel";
inline constexpr const char* ErreurBTrieve = "Lib_Data_BTrieve_2:ErreurBTrieve";
inline constexpr const char* ErreurBTrieveLibelle = "Lib_Data_BTrieve_2:ErreurBTrieveLibelle";
}

inline constexpr int NbBasesMax = 20;

// --- the call block: callers set the first four, call BTRieve, read BtrStatus ---
extern int16_t BtrOp;
extern QString BtrKey;        // 8-bit key as text (every byte kept through the code-page table)
extern int16_t BtrKeyNum;
extern int16_t BtrFileNo;
extern int16_t BtrStatus;

// --- per-file state: base 0..19, station index 0..9, file 0..50 ---
using PositionBlock = std::array<char, kPosBlockSize>;
bool& FileOpen(int base, int stationIndex, int fileNo);
PositionBlock& PosBlk(int base, int stationIndex, int fileNo);
// The data length handed to the record manager, per file number.
extern std::array<int32_t, NbFichiersBTR> RecLen;
extern bool TransactionActive;
extern bool BtrGaveUp;

// --- the last six calls of each base, newest first ---
extern std::array<std::array<QString, 6>, NbBasesMax> BtrHistory;
// Shifts the base's history down one line and writes line 0.
void AjouterHistorique(int base, const QString& ligne);
// Puts "S:" and the five-digit status in front of line 0 unless it already has one.
void PrefixerHistorique(int base, int16_t status);

// The wrapper. Key is the caller's key variable: it comes back with what the record manager
// left in the key buffer. Station is 1..10 (below 1 runs as 1). Source is the caller's key.
void BTRieve(int16_t base, int16_t op, QString& key, int16_t keyNum, int16_t fileNo, int32_t station,
             const QString& source);

// The error report of a status the caller does not accept (status taken from BtrStatus).
// FileNo < 0: no file line. May end the program.
void ErreurBTrieve(int16_t base, int16_t fileNo, const QString& key, const QString& source);
QString ErreurBTrieveLibelle(int16_t status, const QString& name);

// Tests: every file closed, blocks blank, history empty, call block zero.
void ReinitialiserEtatBTrieve();
