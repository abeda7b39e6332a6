#pragma once
// The busy flags of the long commands. The synchronisation, the web list fetch and the local
// search all pump events while they work, so a command chosen meanwhile would run nested inside
// the running one, on the same grids, records and answer files. One guard serves them all: a
// command that finds any of these flags set is refused with a message (never waits in a pump).
#include <QString>
#include <array>

// A web list fetch or a local search runs.
extern bool RechercheEnCours;
// The user asked the running local search to stop.
extern bool ArretRecherche;
// 0: the music synchronisation runs, 1: the advertising synchronisation runs.
extern std::array<bool, 2> SynchroEnCours;
// The fill computation runs (alone, or inside the fill-rate upload).
extern bool RemplissageEnCours;

// True while a synchronisation, a web list fetch, a local search or a fill computation runs.
bool ActiviteEnCours();
// The French message shown to a command refused because ActiviteEnCours(): it names what runs.
QString MessageActiviteEnCours();
