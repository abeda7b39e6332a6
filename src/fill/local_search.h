#pragma once
// The local search: the records of the local database whose name or code begins with, or whose
// name contains, a text, listed in the list grid of the advertising tab that is open (campaigns,
// clients, products, sectors, salespeople, canvases). The local search button starts it and,
// while it runs, reads "Stopper" and offers to stop it. It shares one busy flag with the web list
// fetch (RechercheEnCours) and is refused while a synchronisation or a computation runs.
//
// The walk reads the tab's file along its name or code key between two bounds, pumping pending
// events for every record so that "Stopper" can be pressed; it stops at the next record when
// asked, and at once when shutdown begins. A read that fails is not repeated endlessly: the
// database layer's report (or one report here) and the search ends.
#include <QString>
#include <cstdint>
#include <functional>

namespace Cle {
inline constexpr const char* RechercherDansLaBase = "Lib_Kirvo:RechercherDansLaBase";
inline constexpr const char* RechercherDansLaBasePub = "Lib_Publicite:RechercherDansLaBase";
inline constexpr const char* RechercherDansLaBaseMusique = "Lib_Musique:RechercherDansLaBase";
}  // namespace Cle

// Field and mode lists of the search strip (list indexes of ComboRecherche(0) and (1)).
namespace ChampRecherche {
enum : int16_t { Libelle = 0, Code = 1 };
}
namespace ModeRecherche {
enum : int16_t { Commence = 0, Contient = 1 };
}

// What the toggle reads and sets of the main window's search strip (installed by the shell).
// Unset entries read as 0 / "" and set nothing.
struct LiensRechercheLocale {
    std::function<int()> ongletPrincipal;               // SftTabsMain: 0 music, 1 advertising, 2 incidents
    std::function<int()> ongletMusique;                 // SftTabsMusique
    std::function<int()> ongletPublicite;               // SftTabsPublicite
    std::function<int(int)> indexListe;                 // list index of ComboRecherche(i), -1 when none
    std::function<QString()> texte;                     // TexteRecherche, as typed
    std::function<void(const QString&)> legendeBouton;  // caption of CommandLocalRecherche
    std::function<void(bool)> activerBouton;            // CommandLocalRecherche
    std::function<void(bool)> activerBoutonWeb;         // CommandWebRecherche
};
LiensRechercheLocale& LiensRechercheDansLaBase();

// The local search button: starts a search, or, while the local search runs, offers to stop it.
void RechercherDansLaBase();

// The walk of the advertising page: station 1..10 (below 1 counts as 1), tab 0..6, field and
// mode as above, the text as typed.
void RechercherDansLaBasePub(int16_t NoBase, int16_t NoStation, int16_t Onglet, int16_t Champ, int16_t Mode,
                             const QString& Texte);
// The music page's variant: nothing to search there.
void RechercherDansLaBaseMusique(int16_t NoBase, int16_t NoStation, int16_t Onglet, int16_t Champ, int16_t Mode,
                                 const QString& Texte);

// A failed read of the walk that the database layer did not report itself is tried this many
// times in all before the one report and the end of the search.
inline constexpr int NbEssaisLectureRecherche = 3;

// True while the local search (not the web list fetch) runs.
bool RechercheLocaleEnCours();

// Tests: no search running, no links.
void ReinitialiserRechercheLocale();
