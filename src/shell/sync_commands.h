#pragma once
// The "Synchroniser" menu: "Tout" (music and advertising through the dispatcher, then
// "Synchronisation terminée.") and the "Publicité" items (one driver, or all seven with the
// fill-rate upload last). A run whose requests the service answered with an error status, refused
// or left without answer ends with a message that says so instead. A command chosen while a
// synchronisation or a search runs is refused with a message.
class Frm_Main;

namespace Cle {
inline constexpr const char* MnuSynchroniserMusPub_Click = "Frm_Main:MnuSynchroniserMusPub_Click";
inline constexpr const char* MnuSynchroniserPub_Click = "Frm_Main:MnuSynchroniserPub_Click";
}  // namespace Cle

// Connects the menu entries of the window and shows the synchronisation's tabs on it.
void InstallerCommandesSynchro(Frm_Main* fenetre);

void MnuSynchroniserMusPub_Click();
// 0: the seven drivers in order; 1..7: campaign, client, product, business sector, salesperson,
// canvas, fill-rate upload.
void MnuSynchroniserPub_Click(int Index);

// The message of a run whose families' requests the service answered with an error status, refused
// or left without answer, each kind with its count; false (nothing shown) when there were none.
// panneDejaDite: an outage the user has been told of followed the run's last requests, and those
// of them that got no answer are not told again.
bool SignalerErreursService(bool panneDejaDite = false);
