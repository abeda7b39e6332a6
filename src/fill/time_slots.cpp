#include "fill/time_slots.h"

#include "foundation/conversions.h"
#include "foundation/globals.h"
#include "foundation/proc.h"
#include "foundation/settings_access.h"

#include <algorithm>
#include <cmath>

namespace {

QString entree(int position, const char* minutes) {
    if (position < 0 || position > TranchesHoraires::PositionEnd) return {};
    if (position == TranchesHoraires::PositionEnd) return QStringLiteral("End");
    return N2S(position, 2, 0, QStringLiteral("0")) + QLatin1Char('H') + QLatin1String(minutes);
}

// The 24 capacities of one "DureeMax" value: groups of 4 characters, 0 or no number is "".
void lireCapacites(const QString& valeur, std::array<QString, TranchesHoraires::NbHeures>& boites) {
    const QString v = Calibre(valeur, QStringLiteral("0"), 4 * TranchesHoraires::NbHeures);
    for (int h = 0; h < TranchesHoraires::NbHeures; ++h) {
        const double x = NombreEnTete(v.mid(4 * h, 4));
        boites[size_t(h)] = x == 0 ? QString() : QString::number(x);
    }
}

}  // namespace

TranchesHoraires::TranchesHoraires(QObject* parent) : QObject(parent) { vider(); }

QStringList TranchesHoraires::EntreesDebut() {
    QStringList l;
    for (int p = 0; p < NbEntrees; ++p) l << entree(p, "00");
    return l;
}

QStringList TranchesHoraires::EntreesFin() {
    QStringList l;
    for (int p = 0; p < NbEntrees; ++p) l << entree(p, "59");
    return l;
}

QString TranchesHoraires::texteDebut(int k) const { return entree(debut(k), "00"); }
QString TranchesHoraires::texteFin(int k) const { return entree(fin(k), "59"); }

void TranchesHoraires::vider() {
    debut_.fill(0);
    fin_.fill(0);
    for (auto& s : national_) s.clear();
    for (auto& s : local_) s.clear();
}

void TranchesHoraires::InitGeneral(const QString& dossierConfigBase) {
    Proc p(Cle::Frm_MainBis_InitGeneral);

    // Every box back to its first entry.
    p(10, [&] { vider(); });

    const QString fichierTranches = dossierConfigBase + QStringLiteral("XT_PUB.ini");
    // Slot 0 starts the day whatever the settings say.
    p(20, [&] { debut_[0] = 0; });
    for (int k = 1; k < NbTranches; ++k) {
        p(30, [&] {
            const QString nn = N2S(k, 2, 0, QStringLiteral("0"));
            const QString valeur = LectureIni(fichierTranches, QStringLiteral("Pub_Heures_Des_Tranches"),
                                              QStringLiteral("Debut_Tranche_") + nn, nn);
            // Leading number, halves to even, kept within the entries.
            const double n = std::clamp(std::nearbyint(NombreEnTete(valeur)), 0.0, double(PositionEnd));
            const int debut = int(n);
            debut_[size_t(k)] = debut;
            fin_[size_t(k - 1)] = debut - 1;  // -1: no selection
            // An end never falls below the end of the slot before.
            if (k >= 2 && fin_[size_t(k - 1)] < fin_[size_t(k - 2)]) fin_[size_t(k - 1)] = fin_[size_t(k - 2)];
        });
    }
    p(40, [&] { fin_[NbTranches - 1] = PositionEnd; });

    const QString fichierCapacites = dossierConfigBase + QStringLiteral("QD3_Remplissage.Ini");
    p(50, [&] {
        lireCapacites(LectureIni(fichierCapacites, QStringLiteral("National"), QStringLiteral("DureeMax"), QString()),
                      national_);
    });
    p(60, [&] {
        lireCapacites(LectureIni(fichierCapacites, QStringLiteral("Local"), QStringLiteral("DureeMax"), QString()),
                      local_);
    });
    Q_EMIT charge();
}

int16_t TranchesHoraires::DetermineNoTranche(int16_t heure) const {
    Proc p(Cle::DetermineNoTranche);
    if (bFermetureEnCours) return 0;
    for (int k = 0; k < NbTranches; ++k)
        if (debut_[size_t(k)] <= heure && heure <= fin_[size_t(k)]) return int16_t(k);
    return 0;
}

TranchesHoraires& Tranches() {
    static TranchesHoraires instance;
    return instance;
}
