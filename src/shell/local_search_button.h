#pragma once
// The local search button of the main window: its click, and what the search reads and sets of
// the search strip and the tab strips.
class Frm_Main;

// Connects CommandLocalRecherche to the local search and gives the search its view of the window.
void InstallerRechercheLocale(Frm_Main& frm);
