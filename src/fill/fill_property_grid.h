#pragma once
// The fill page's property grid: it shows the fill settings (period, stations, shown columns and
// rows), applies and saves every change the user makes, and starts the computation with its
// "Calcul" button. The main window places the grid and installs it here at start-up.
#include <QColor>
#include <QDateTime>
#include <cstdint>
#include <functional>

class PropertyGrid;

namespace Cle {
inline constexpr const char* InitPropertyGrid = "Lib_PropertyGrid:InitPropertyGrid";
inline constexpr const char* InitPropertyGridGeneral = "Lib_PropertyGrid:InitPropertyGridGeneral";
inline constexpr const char* InitGeneralPropertyGridPublicite = "Lib_PropertyGrid:InitGeneralPropertyGridPublicite";
inline constexpr const char* InitGeneralPropertyGridPublicite_08_Remplissage =
    "Lib_PropertyGrid:InitGeneralPropertyGridPublicite_08_Remplissage";
inline constexpr const char* ReadOnly2Grey = "Lib_PropertyGrid:ReadOnly2Grey";
inline constexpr const char* PropertyGridPubRemplissage_ValueChanged =
    "Frm_Main:PropertyGridPubRemplissage_ValueChanged";
inline constexpr const char* PropertyGridPubRemplissage_InplaceButtonDown =
    "Frm_Main:PropertyGridPubRemplissage_InplaceButtonDown";
}  // namespace Cle

// Item ids of the fill property grid.
namespace IdRemplissage {
enum : int {
    Debut = 3500,
    Fin = 3501,
    Stations = 3502,
    Calcul = 3503,
    Jour = 3504,
    Tranche = 3505,
    Heure = 3506,
    Ligne0 = 3508,  // row item of kind k is Ligne0 + k (3509..3517)
};
}  // namespace IdRemplissage

// A colour pair of the hidden host's pickers: 16 "Entête", 17 "Ligne", 18 "Ligne verrouillée",
// 19 "Aide".
struct CouleursPicker {
    QColor texte;
    QColor fond;
};
// Where the colours come from (the hidden host). Unset, the grid keeps its own colours.
void SetSourceCouleursPropertyGrid(std::function<CouleursPicker(int element)> source);

// The fill page's property grid; nullptr until the main window has installed one.
PropertyGrid* PropertyGridPubRemplissage();
// Installs the grid and connects its two events to the handlers below (nullptr: none).
void InstallerPropertyGridRemplissage(PropertyGrid* grille);

// Preparation at start-up: (1, 6) loads the fill settings, sets the look and builds the items.
void InitPropertyGrid(int16_t domaine, int16_t onglet);
void InitPropertyGridGeneral(PropertyGrid& grille);
// Tab 6: the items rebuilt from the fill settings; any other tab: nothing.
void InitGeneralPropertyGridPublicite(int16_t onglet);
void InitGeneralPropertyGridPublicite_08_Remplissage();
// Read-only items (three levels under the categories) take the "Ligne verrouillée" colours.
void ReadOnly2Grey(PropertyGrid& grille);

// The user changed an item: the settings and the fill grid follow, the settings are saved and
// the items rebuilt.
void PropertyGridPubRemplissage_ValueChanged(int id);
// A line's button: "Calcul" computes the period of the two date items, unless something runs.
void PropertyGridPubRemplissage_InplaceButtonDown(int id);

// The period shown by the two date items (what "Calcul" and the fill-rate upload compute); false
// when the grid or an item is missing.
bool PeriodeAffichee(QDateTime& debut, QDateTime& fin);

// Tests: no grid, no colour source.
void ReinitialiserPropertyGridRemplissage();
