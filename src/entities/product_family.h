#pragma once
// The product family of the synchronisation: database file 4 (EnregProduit), web entity
// "Produit", query prefix "Pdt", tab 2 of the advertising page. The steps are the engine's; here
// are the product's names, its queries (with the competition code's label) and how a web list row
// maps onto the record.
#include "sync/sync_engine.h"

#include <QString>
#include <cstdint>

namespace Cle {
inline constexpr const char* SynchroniserPub_02_Produit_01 = "Lib_Kirvo:SynchroniserPub_02_Produit_01";
inline constexpr const char* SynchroniserPub_02_Produit_02 = "Lib_Kirvo:SynchroniserPub_02_Produit_02";
inline constexpr const char* SynchroniserPub_02_Produit_03 = "Lib_Kirvo:SynchroniserPub_02_Produit_03";
inline constexpr const char* SynchroniserPub_02_Produit_04 = "Lib_Kirvo:SynchroniserPub_02_Produit_04";
inline constexpr const char* SynchroniserPub_02_Produit_05 = "Lib_Kirvo:SynchroniserPub_02_Produit_05";
inline constexpr const char* SynchroniserPub_02_Produit_06 = "Lib_Kirvo:SynchroniserPub_02_Produit_06";
inline constexpr const char* SynchroniserPub_02_Produit_80_Parametres_01_Create =
    "Lib_Kirvo:SynchroniserPub_02_Produit_80_Parametres_01_Create";
}  // namespace Cle

const FamilleSynchro& FamilleProduit();

// The creation query of the product in the buffer of file 4 (every value percent-encoded).
QString SynchroniserPub_02_Produit_80_Parametres_01_Create();
// The label the queries send: the trimmed label, or "Produit: " and the trimmed code when it is
// blank.
QString LibelleProduitEnvoye();

// The driver and its steps.
void SynchroniserPub_02_Produit(const QString& url);
void SynchroniserPub_02_Produit_01(int16_t Base, int16_t Station, const QString& url, const QString& Entity);
void SynchroniserPub_02_Produit_02(int16_t Base, int16_t Station, const QString& url, const QString& Entity);
void SynchroniserPub_02_Produit_03(int16_t Base, int16_t Station, const QString& url, const QString& Entity);
void SynchroniserPub_02_Produit_04(int16_t Base, int16_t Station, const QString& url, const QString& Entity);
void SynchroniserPub_02_Produit_05(int16_t Base, int16_t Station, const QString& url, const QString& Entity);
void SynchroniserPub_02_Produit_06(int16_t Base, int16_t Station, const QString& url, const QString& Entity);
