#pragma once
// The local client the synchronisation benchmarks create on the web: number i, new, kept on the
// web, with a name that needs encoding.
#include "database/record_layouts.h"
#include "foundation/conversions.h"

#include <QString>

inline void PoserClientBanc(int i) {
    Vider(EnregClient);
    EcrireTexte(EnregClient.Code, QStringLiteral("B%1").arg(i, 7, 10, QLatin1Char('0')));
    EcrireTexte(EnregClient.Nom, QStringLiteral("Client numéro %1 & fils").arg(i));
    EcrireTexte(EnregClient.Ville, QStringLiteral("Brest"));
    EnregClient.Etat[0] = 'C';
    EnregClient.FlagWeb[0] = 'O';
}
