#pragma once
// Small helpers shared by the site, zone and file start-up code.
#include "foundation/conversions.h"
#include "foundation/settings_access.h"
#include "platform/app_error.h"
#include "platform/paths.h"

#include <QString>
#include <cmath>
#include <cstdint>

namespace site {

// An element of a fixed table; an index outside it is the run-time error 9, reported by the
// statement that asked for it.
template <class Tableau>
auto& Element(Tableau& t, int i) {
    if (i < 0 || size_t(i) >= t.size()) Raise(9);
    return t[size_t(i)];
}

// The leading number of a settings value, sign included, rounded to the nearest integer with
// halves to even ("2.5" 2, "3.5" 4, "-3" -3, "abc" 0).
inline int Arrondi(const QString& texte) {
    const double v = NombreSigne(texte);
    if (v > 32767 || v < -32768) Raise(6);
    return int(std::nearbyint(v));
}

// A number in two digits ("Base_" + "02").
inline QString DeuxChiffres(int n) { return N2S(double(n), 2, 0, QStringLiteral("0")); }

// A folder of the suite's settings (Windows form or already local) on this system, ending with "/"
// (the empty text stays empty).
inline QString DossierLocalise(const QString& dossier) {
    const QString t = TrimBlancs(dossier);
    if (t.isEmpty()) return QString();
    return CheckRep(CheminLocal(t));
}

// A folder text as the suite writes it: made to end with a separator of its own form ("\" for a
// Windows-form path), so a value written back reads the same in the suite's other programs.
inline QString AvecSeparateurFinal(const QString& dossier) {
    if (dossier.isEmpty() || dossier.endsWith(QLatin1Char('\\')) || dossier.endsWith(QLatin1Char('/'))) return dossier;
    return dossier + (dossier.contains(QLatin1Char('\\')) ? QLatin1Char('\\') : QLatin1Char('/'));
}

// Creates a folder when it is missing (a folder that cannot be created gives one log line).
inline void CreerDossier(const QString& dossier) {
    if (!TrimBlancs(dossier).isEmpty()) VerificationEtCreationRepertoire(dossier, true);
}

}  // namespace site
