#pragma once
// The synchronisation dispatcher: "Tout" runs the music domain (no work) and then the advertising
// drivers in order. The advertising drivers are a table, so that a family joins by putting its
// driver in; those not built yet show their tab and wait window and do nothing.
//
// One synchronisation at a time: the dispatcher and the menu commands hold SynchroEnCours (the
// busy guard of foundation/activity.h) for the whole run, and a request that finds any activity
// running is refused, never run nested inside it nor waited for inside its event pumping.
#include <QString>
#include <array>
#include <cstdint>
#include <functional>

namespace Cle {
inline constexpr const char* Synchroniser = "Lib_Kirvo:Synchroniser";
inline constexpr const char* SynchroniserMus_00 = "Lib_Kirvo:SynchroniserMus_00";
inline constexpr const char* SynchroniserPub_00 = "Lib_Kirvo:SynchroniserPub_00";
inline constexpr const char* SynchroniserPub_00_Campagne = "Lib_Kirvo:SynchroniserPub_00_Campagne";
inline constexpr const char* SynchroniserPub_01_Client = "Lib_Kirvo:SynchroniserPub_01_Client";
inline constexpr const char* SynchroniserPub_02_Produit = "Lib_Kirvo:SynchroniserPub_02_Produit";
inline constexpr const char* SynchroniserPub_03_Secteur = "Lib_Kirvo:SynchroniserPub_03_Secteur";
inline constexpr const char* SynchroniserPub_04_Commercial = "Lib_Kirvo:SynchroniserPub_04_Commercial";
inline constexpr const char* SynchroniserPub_05_Canevas = "Lib_Kirvo:SynchroniserPub_05_Canevas";
inline constexpr const char* SynchroniserPub_06_Remplissage = "Lib_Kirvo:SynchroniserPub_06_Remplissage";
}  // namespace Cle

using PiloteSynchro = std::function<void(const QString& url)>;

// The advertising drivers by number: 0 campaign, 1 client, 2 product, 3 business sector,
// 4 salesperson, 5 canvas, 6 the fill-rate upload (run by the "Publicité" menu only).
inline constexpr int NbPilotesPublicite = 7;
std::array<PiloteSynchro, NbPilotesPublicite>& PilotesPublicite();

// The music domain and/or the advertising domain (the six drivers 0..5). False when refused
// because an activity runs (nothing done, the caller says so).
bool Synchroniser(bool mus, bool pub);
void SynchroniserMus_00(int16_t which);
// -1: drivers 0 to 5; 0..5: that one; any other value: none (the flag is still set and cleared).
bool SynchroniserPub_00(int16_t which);
// The "Publicité" menu's run: -1 the seven drivers 0..6 in order, 0..6 one of them.
bool SynchroniserPubDirect(int16_t which);

// A driver of a family without steps yet: its tab, its label in the wait window, nothing else.
void PiloteSansEtapes(const char* cle, int onglet, const QString& libelle);
void SynchroniserPub_00_Campagne(const QString& url);

// Tests: the drivers back to the table above.
void ReinitialiserDispatcher();
