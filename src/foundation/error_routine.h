#pragma once
// The central error routine: one framed incident line per trapped error.
#include <QString>
#include <cstdint>
#include <functional>

namespace Cle {
inline constexpr const char* GestionDesErreurs = "Lib_Public:GestionDesErreurs";
}

// Reports DerniereErreur under the zone index (-1: none) and the procedure key.
void GestionDesErreurs(int16_t zone, const QString& procKey);

// Extra treatment of some numbers, run after the report is written and before the pending error
// is cleared (the disconnected automation object's restart hooks in here).
void SetTraitementErreurSpecial(std::function<void(int32_t number, int16_t zone)> hook);

// Tests: clears the busy flag.
void ReinitialiserGestionDesErreurs();
