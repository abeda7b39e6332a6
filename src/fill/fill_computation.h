#pragma once
// The fill computation: for every station sheet of the fill grid and every day of a period, the
// advertising seconds available per hour, per time slot and for the day, the seconds planned
// (local, national, all), the fill percentages with their colour bands and the free 30-second
// spots; then the empty columns are hidden and the row and column flags of the fill settings
// applied.
//
// A day occupies nine rows of its sheet, one per kind below; columns 1 to 4 name the week, the
// day, the date and the kind, columns 6 to 29 are the time slots, 30 the day total (available
// seconds counted over 06:00-19:59), 31 to 54 the hours 00 to 23.
#include <QDate>
#include <QDateTime>
#include <QString>
#include <array>
#include <cstdint>

#include "grids/list_grids.h"

struct PassagePlanifie;

namespace Cle {
inline constexpr const char* Remplissage = "Lib_Publicite:Remplissage";
inline constexpr const char* RemplissageMAJCellules = "Lib_Publicite:RemplissageMAJCellules";
inline constexpr const char* RemplissageMAJCellulesPourcentage = "Lib_Publicite:RemplissageMAJCellulesPourcentage";
}  // namespace Cle

namespace Remp {
inline constexpr int NbColonnes = ColRemplissage::Nombre;
inline constexpr int ColJour = ColRemplissage::Jour;                 // never written
inline constexpr int ColTranche0 = ColRemplissage::PremiereTranche;  // slot k is column 6 + k
inline constexpr int ColTotal = ColRemplissage::Tranches;            // day total
inline constexpr int ColHeure0 = ColRemplissage::PremiereHeure;      // hour h is column 31 + h
inline constexpr int NbNatures = 9;
// The longest period computed at once (two years and a day).
inline constexpr int JoursMax = 731;

// Colours of a computed grid: odd and even days, the day total.
inline constexpr int32_t FondJourImpair = CouleurGrille::LigneImpaire;
inline constexpr int32_t FondJourPair = CouleurGrille::LignePaire;
inline constexpr int32_t FondTotal = RGB(23, 121, 168);
}  // namespace Remp

// NatureRemplissage: the kind of a row (1..9) and its label in column 4.
enum NatureRemplissage : int {
    LocalDisponible = 1,
    GlobalDisponible = 2,
    LocalPlanifie = 3,
    LocalPourcentage = 4,
    LocalNbSpot = 5,
    NationalPlanifie = 6,
    NationalPourcentage = 7,
    GlobalPlanifie = 8,
    GlobalPourcentage = 9,
};
QString LibelleNature(int kind);
// The kind of a label (exact text), 0 for any other text.
int NatureDuLibelle(const QString& label);
// The kind of grid row r (from 1).
inline int NatureDeLigne(int r) { return r % 9 == 0 ? 9 : r % 9; }

// Week number of a day: weeks start on Monday, week 1 is the week of 1 January.
int SemaineRemplissage(const QDate& d);
// The two day letters of column 2 ("Lu", "Ma" ...).
QString LettresJour(const QDate& d);
// Back and text colours of a percent cell showing p.
void CouleursPourcentage(long p, int32_t& fond, int32_t& texte);

// The fill grid's layout takes its slot columns from the run's slots (tests and benchmarks; the
// program's window gives it the hidden host's boxes, which show the same slots).
void SourcesGrillesDepuisTranches();

// Remplissage: computes the period into every sheet of the grid (sheet s is station s of the
// current base). Refused with a message, the grid left as it is, when the last day comes before
// the first, when the period is longer than Remp::JoursMax days, or while another computation
// runs. Lets pending events run once per station and day, and stops early once shutdown has
// begun. A failed planned-advertising read leaves that day's planned seconds as far as they
// were read; it is shown once per station (the station's later failures are counted in one log
// line) and the later days are computed as usual. Returns true when every sheet was computed
// (DerniereIssueRemplissage() tells whether it is complete).
bool Remplissage(SpreadGrid& grille, const QDateTime& DateDebut, const QDateTime& DateFin);
// What the last computation came to: refused (period, another one running, no grid), cut short
// by the program's end, incomplete (a planned-advertising read failed: some planned seconds may
// be missing, so its figures must not be published), or complete.
enum class IssueRemplissage { Refusee, Interrompue, Incomplete, Complete };
IssueRemplissage DerniereIssueRemplissage();
// The same on the fill grid (fpSpreadPublicite(6)).
bool Remplissage(const QDateTime& DateDebut, const QDateTime& DateFin);
// The period's check: false, with the message that names the fault, for a last day before the
// first or a period longer than Remp::JoursMax days.
bool ControlePeriodeRemplissage(const QDateTime& DateDebut, const QDateTime& DateFin);

// The day being computed on one sheet: the numbers of columns 6 to 54 for each kind.
class JourRemplissage {
public:
    static constexpr int NbCol = Remp::NbColonnes - Remp::ColTranche0 + 1;  // 49

    // Availability of the day from the hourly capacities (TextePubRemplissageLocal/National)
    // and the initial percentage and spot cells.
    void initialiser();
    // RemplissageMAJCellules: one planned passage added to its hour, slot and day total. The
    // hour's column is the one whose header (row 2) is the passage's hour label.
    void ajouter(const PassagePlanifie& p);
    void setEntetesHeures(const std::array<QString, 24>& e) { entetes_ = e; }
    // RemplissageMAJCellulesPourcentage for one column (6..54).
    void pourcentages(int col);

    // What the day shows, column 6..54.
    float secondes(int kind, int col) const { return v_[size_t(kind)][size_t(col - Remp::ColTranche0)]; }
    // Percent cells (kinds 4, 7, 9): present or not, and the exact percentage.
    bool estPourcentage(int kind, int col) const { return pct_[size_t(kind)][size_t(col - Remp::ColTranche0)]; }
    double pourcentage(int kind, int col) const { return taux_[size_t(kind)][size_t(col - Remp::ColTranche0)]; }
    bool aSpots(int col) const { return spotsEcrits_[size_t(col - Remp::ColTranche0)]; }
    long spots(int col) const { return spots_[size_t(col - Remp::ColTranche0)]; }

private:
    void ajouterColonne(int col, float duree, int cible);
    std::array<std::array<float, NbCol>, 10> v_{};   // seconds of kinds 1, 2, 3, 6, 8
    std::array<std::array<bool, NbCol>, 10> pct_{};  // kinds 4, 7, 9 hold a percentage
    std::array<std::array<double, NbCol>, 10> taux_{};
    std::array<long, NbCol> spots_{};
    std::array<bool, NbCol> spotsEcrits_{};
    std::array<QString, 24> entetes_;
};
