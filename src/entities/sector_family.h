#pragma once
// The business-sector family of the synchronisation: database file 2 (EnregSecteur), web entity
// "SecteurActivite", query prefix "Sec", tab 3 of the advertising page. The steps are the
// engine's; here are the sector's names, its queries and how a web list row maps onto the record.
#include "sync/sync_engine.h"

#include <QString>
#include <cstdint>

namespace Cle {
inline constexpr const char* SynchroniserPub_03_Secteur_01 = "Lib_Kirvo:SynchroniserPub_03_Secteur_01";
inline constexpr const char* SynchroniserPub_03_Secteur_02 = "Lib_Kirvo:SynchroniserPub_03_Secteur_02";
inline constexpr const char* SynchroniserPub_03_Secteur_03 = "Lib_Kirvo:SynchroniserPub_03_Secteur_03";
inline constexpr const char* SynchroniserPub_03_Secteur_04 = "Lib_Kirvo:SynchroniserPub_03_Secteur_04";
inline constexpr const char* SynchroniserPub_03_Secteur_05 = "Lib_Kirvo:SynchroniserPub_03_Secteur_05";
inline constexpr const char* SynchroniserPub_03_Secteur_06 = "Lib_Kirvo:SynchroniserPub_03_Secteur_06";
}  // namespace Cle

const FamilleSynchro& FamilleSecteur();

// The creation query of the sector in the buffer of file 2 (every value percent-encoded).
QString SynchroniserPub_03_Secteur_80_Parametres_01_Create();
// The label the queries send: the trimmed label, or "Secteur: " and the code, trimmed, when blank.
QString LibelleSecteurEnvoye();

// The driver and its steps.
void SynchroniserPub_03_Secteur(const QString& url);
void SynchroniserPub_03_Secteur_01(int16_t Base, int16_t Station, const QString& url, const QString& Entity);
void SynchroniserPub_03_Secteur_02(int16_t Base, int16_t Station, const QString& url, const QString& Entity);
void SynchroniserPub_03_Secteur_03(int16_t Base, int16_t Station, const QString& url, const QString& Entity);
void SynchroniserPub_03_Secteur_04(int16_t Base, int16_t Station, const QString& url, const QString& Entity);
void SynchroniserPub_03_Secteur_05(int16_t Base, int16_t Station, const QString& url, const QString& Entity);
void SynchroniserPub_03_Secteur_06(int16_t Base, int16_t Station, const QString& url, const QString& Entity);
