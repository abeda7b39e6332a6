#pragma once
// The web search of the main window: its "Afficher" button fetches the web list of the status
// chosen in ComboStatus for the entity of the current advertising tab into that tab's grid. Also
// where the requests find the options window's address and credentials and the main window's
// status list and search buttons.
class Frm_Main;

namespace Cle {
inline constexpr const char* CommandWebRecherche_Click = "Frm_Main:CommandWebRecherche_Click";
}

void CommandWebRecherche_Click(Frm_Main& frm);

// Connects the button and gives the requests their links to the main and options windows.
void InstallerRechercheWeb(Frm_Main& frm);
