#pragma once
// The client family of the synchronisation: database file 3 (EnregClient), web entity "Client",
// query prefix "Clt", tab 1 of the advertising page. The steps are the engine's; here are only
// the client's names, its queries and how a web list row maps onto the record.
#include "sync/sync_engine.h"

#include <QString>
#include <cstdint>

namespace Cle {
inline constexpr const char* SynchroniserPub_01_Client_01 = "Lib_Kirvo:SynchroniserPub_01_Client_01";
inline constexpr const char* SynchroniserPub_01_Client_02 = "Lib_Kirvo:SynchroniserPub_01_Client_02";
inline constexpr const char* SynchroniserPub_01_Client_03 = "Lib_Kirvo:SynchroniserPub_01_Client_03";
inline constexpr const char* SynchroniserPub_01_Client_04 = "Lib_Kirvo:SynchroniserPub_01_Client_04";
inline constexpr const char* SynchroniserPub_01_Client_05 = "Lib_Kirvo:SynchroniserPub_01_Client_05";
inline constexpr const char* SynchroniserPub_01_Client_06 = "Lib_Kirvo:SynchroniserPub_01_Client_06";
}  // namespace Cle

const FamilleSynchro& FamilleClient();

// The creation query of the client in the buffer of file 3 (every value percent-encoded).
QString SynchroniserPub_01_Client_80_Parametres_01_Create();
// The name the queries send: the trimmed name, or "Client: " and the trimmed code when it is blank.
QString NomClientEnvoye();

// The driver and its steps.
void SynchroniserPub_01_Client(const QString& url);
void SynchroniserPub_01_Client_01(int16_t Base, int16_t Station, const QString& url, const QString& Entity);
void SynchroniserPub_01_Client_02(int16_t Base, int16_t Station, const QString& url, const QString& Entity);
void SynchroniserPub_01_Client_03(int16_t Base, int16_t Station, const QString& url, const QString& Entity);
void SynchroniserPub_01_Client_04(int16_t Base, int16_t Station, const QString& url, const QString& Entity);
void SynchroniserPub_01_Client_05(int16_t Base, int16_t Station, const QString& url, const QString& Entity);
void SynchroniserPub_01_Client_06(int16_t Base, int16_t Station, const QString& url, const QString& Entity);
