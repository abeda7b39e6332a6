#pragma once
// The salesperson family of the synchronisation: database file 1 (EnregCommercial), web entity
// "Commercial", query prefix "Cml", tab 4 of the advertising page. The steps are the engine's;
// here are the salesperson's names, its queries and how a web list row maps onto the record.
// The password travels in queries and answers; its key is declared secret, so no log line, debug
// line or error report ever shows its value.
#include "sync/sync_engine.h"

#include <QString>
#include <cstdint>

namespace Cle {
inline constexpr const char* SynchroniserPub_04_Commercial_01 = "Lib_Kirvo:SynchroniserPub_04_Commercial_01";
inline constexpr const char* SynchroniserPub_04_Commercial_02 = "Lib_Kirvo:SynchroniserPub_04_Commercial_02";
inline constexpr const char* SynchroniserPub_04_Commercial_03 = "Lib_Kirvo:SynchroniserPub_04_Commercial_03";
inline constexpr const char* SynchroniserPub_04_Commercial_04 = "Lib_Kirvo:SynchroniserPub_04_Commercial_04";
inline constexpr const char* SynchroniserPub_04_Commercial_05 = "Lib_Kirvo:SynchroniserPub_04_Commercial_05";
inline constexpr const char* SynchroniserPub_04_Commercial_06 = "Lib_Kirvo:SynchroniserPub_04_Commercial_06";
}  // namespace Cle

const FamilleSynchro& FamilleCommercial();

// What a blank field is sent as.
inline const QString UserIdParDefaut = QStringLiteral("qv");
inline const QString UserPasswordParDefaut = QStringLiteral("xq");
inline const QString EmailParDefaut = QStringLiteral("commercial@kirvo.invalid");

// The creation query of the salesperson in the buffer of file 1 (every value percent-encoded).
QString SynchroniserPub_04_Commercial_80_Parametres_01_Create();
// The name the queries send: the trimmed name, or "Commercial: " and the code, trimmed, when blank.
QString NomCommercialEnvoye();

// The driver and its steps.
void SynchroniserPub_04_Commercial(const QString& url);
void SynchroniserPub_04_Commercial_01(int16_t Base, int16_t Station, const QString& url, const QString& Entity);
void SynchroniserPub_04_Commercial_02(int16_t Base, int16_t Station, const QString& url, const QString& Entity);
void SynchroniserPub_04_Commercial_03(int16_t Base, int16_t Station, const QString& url, const QString& Entity);
void SynchroniserPub_04_Commercial_04(int16_t Base, int16_t Station, const QString& url, const QString& Entity);
void SynchroniserPub_04_Commercial_05(int16_t Base, int16_t Station, const QString& url, const QString& Entity);
void SynchroniserPub_04_Commercial_06(int16_t Base, int16_t Station, const QString& url, const QString& Entity);
