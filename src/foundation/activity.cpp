#include "foundation/activity.h"

bool RechercheEnCours = false;
bool ArretRecherche = false;
std::array<bool, 2> SynchroEnCours{false, false};
bool RemplissageEnCours = false;

bool ActiviteEnCours() { return RechercheEnCours || SynchroEnCours[0] || SynchroEnCours[1] || RemplissageEnCours; }

QString MessageActiviteEnCours() {
    if (SynchroEnCours[0] || SynchroEnCours[1]) return QStringLiteral("Synchronisation en cours, veuillez patienter.");
    if (RemplissageEnCours) return QStringLiteral("Calcul du remplissage en cours, veuillez patienter.");
    return QStringLiteral("Recherche en cours, veuillez patienter.");
}
