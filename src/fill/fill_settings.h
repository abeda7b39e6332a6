#pragma once
// The fill settings: the period to compute, the stations whose fill is computed and uploaded, and
// which columns and rows of the fill grid are shown. One record for the run, kept in section
// "Remplissage" of the current base's options file (the period is never stored).
#include <QDateTime>
#include <QString>
#include <array>
#include <cstdint>

namespace Cle {
inline constexpr const char* InitStructureData = "Lib_PropertyGrid:InitStructureData";
inline constexpr const char* SauverParametresRemplissage = "Lib_PropertyGrid:SauverParametresRemplissage";
}  // namespace Cle

struct TypeParametresRemplissage {
    QDateTime DateDebut;
    QDateTime DateFin;
    std::array<bool, 10> Station{};  // Station[i - 1] is station i of the base
    // Column flags
    bool Jour = false;
    bool Tranche = true;
    bool Heure = true;
    // Kept in the file; nothing acts on them.
    bool DemiHeure = false;
    bool Ecran = false;
    // Row flags, kinds 1 to 9 of the fill grid's day block
    bool TotalLocal = true;
    bool TotalGlobal = true;
    bool LocTotal = true;
    bool LocPourcentage = true;
    bool LocNbSpot = true;
    bool NatTotal = false;
    bool NatPourcentage = false;
    bool CumTotal = true;
    bool CumPourcentage = true;

    // Row flag of kind k (1..9).
    bool& ligne(int k);
    bool ligne(int k) const { return const_cast<TypeParametresRemplissage*>(this)->ligne(k); }
};

extern TypeParametresRemplissage ParametresRemplissage;

// The per-base options file that holds the settings.
QString FichierParametresRemplissage();

// Loads the record (domain 1, tab 6 only): the period back to tomorrow .. tomorrow + 30 days, the
// stations and flags from the file ("1" is true, anything else false; defaults for missing keys).
// A key the file refused to take keeps, for the run, the value the user gave it.
void InitStructureData(int32_t domaine, int16_t onglet);

// Writes the 24 keys. A key that cannot be written keeps its value in memory; the failure is
// logged and the user is told once which file could not be written. False when a write failed.
bool SauverParametresRemplissage();

// Tests: the record of a first run.
void ReinitialiserParametresRemplissage();
