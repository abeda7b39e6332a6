#include "fill/fill_computation.h"

#include "database/btrieve.h"
#include "database/site_startup.h"
#include "fill/fill_planned.h"
#include "fill/fill_settings.h"
#include "fill/time_slots.h"
#include "foundation/activity.h"
#include "foundation/conversions.h"
#include "foundation/globals.h"
#include "foundation/proc.h"
#include "foundation/shell_link.h"
#include "foundation/trace_log.h"
#include "platform/spread_grid.h"

#include <QCoreApplication>
#include <QHash>
#include <QLocale>
#include <QPointer>
#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

namespace {

using namespace Remp;

constexpr int idx(int col) { return col - ColTranche0; }

// Whole number, halves to the even neighbour; held within 32 bits (a sum past them is no
// figure anyway, and the conversion must stay defined).
long arrondi(double v) {
    if (!(v == v)) return 0;
    return long(std::nearbyint(std::clamp(v, -2147483648.0, 2147483647.0)));
}

// The capacity boxes hold a number of seconds or nothing.
float capacite(const QString& texte) { return float(NombreEnTete(texte)); }

// Durations repeat from day to day: each text is made once per computation.
class Durees {
public:
    const QString& texte(long secondes) {
        auto it = cache_.constFind(secondes);
        if (it != cache_.cend()) return *it;
        bool heures = false, automatique = true;
        return *cache_.insert(secondes, Tps2MinSec(int32_t(secondes), 2, QStringLiteral("0"),
                                                   QString::fromLatin1(Cle::Remplissage), heures, automatique));
    }

private:
    QHash<long, QString> cache_;
};

// Sets one cell's look through the grid's current cell.
void poserCellule(SpreadGrid& g, int c, int r, int type, int32_t fond, int32_t texte) {
    g.setCol(c);
    g.setRow(r);
    if (type) {
        g.setCellType(type);
        g.setTypeDecimals(0);
    }
    g.setBackColor(fond);
    g.setForeColor(texte);
}

// Writes one computed day into its nine rows (first row r0). Marks the columns that got a text.
void ecrireJour(SpreadGrid& g, const JourRemplissage& j, const QDate& date, int jour, int r0, Durees& durees,
                std::vector<bool>& colonneEcrite) {
    const QString sem = N2S(SemaineRemplissage(date), 2, 0, QStringLiteral("0"));
    const QString lettres = LettresJour(date);
    const QString texteDate = date.toString(QStringLiteral("dd-MM-yy"));
    for (int k = 1; k <= NbNatures; ++k) {
        const int r = r0 + k - 1;
        g.setTextAt(1, r, sem);
        g.setTextAt(2, r, lettres);
        g.setTextAt(3, r, texteDate);
        g.setTextAt(4, r, LibelleNature(k));
    }
    g.setBackColorRange(1, r0, NbColonnes, r0 + NbNatures - 1, jour % 2 == 1 ? FondJourImpair : FondJourPair);
    g.setBackColorRange(ColTotal, r0, ColTotal, r0 + NbNatures - 1, FondTotal);

    for (int c = ColTranche0; c <= NbColonnes; ++c) {
        // Durations of the seconds rows.
        for (int k : {LocalDisponible, GlobalDisponible, LocalPlanifie, NationalPlanifie, GlobalPlanifie}) {
            const long v = arrondi(j.secondes(k, c));
            if (v == 0) continue;
            g.setTextAt(c, r0 + k - 1, durees.texte(v));
            colonneEcrite[size_t(c)] = true;
        }
        // Percent cells with their band; the spots under the local one take its colours.
        int32_t fondLocal = 0, texteLocal = 0;
        bool local = false;
        for (int k : {LocalPourcentage, NationalPourcentage, GlobalPourcentage}) {
            if (!j.estPourcentage(k, c)) continue;
            const long p = arrondi(j.pourcentage(k, c));
            int32_t fond = 0, texte = 0;
            CouleursPourcentage(p, fond, texte);
            g.setTextAt(c, r0 + k - 1, QString::number(p));
            poserCellule(g, c, r0 + k - 1, Spread::Percent, fond, texte);
            colonneEcrite[size_t(c)] = true;
            if (k == LocalPourcentage) {
                local = true;
                fondLocal = fond;
                texteLocal = texte;
            }
        }
        if (j.aSpots(c)) {
            g.setTextAt(c, r0 + LocalNbSpot - 1, QString::number(j.spots(c)));
            colonneEcrite[size_t(c)] = true;
        }
        if (local) poserCellule(g, c, r0 + LocalNbSpot - 1, 0, fondLocal, texteLocal);
    }
}

// Column and row visibility once a sheet is computed: empty columns hidden, then the column and
// row flags of the settings.
void visibilite(SpreadGrid& g, int nbLignes, const std::vector<bool>& colonneEcrite) {
    const TypeParametresRemplissage& prm = ParametresRemplissage;
    for (int c = ColJour; c <= NbColonnes; ++c) {
        bool cacher = !colonneEcrite[size_t(c)];
        if (c == ColJour && !prm.Jour) cacher = true;
        if (c >= ColTranche0 && c <= ColTotal && !prm.Tranche) cacher = true;
        if (c >= ColHeure0 && !prm.Heure) cacher = true;
        g.setCol(c);
        g.setColHidden(cacher);
    }
    for (int r = 1; r <= nbLignes; ++r) {
        g.setRow(r);
        g.setRowHidden(!prm.ligne(NatureDeLigne(r)));
    }
}

IssueRemplissage g_issue = IssueRemplissage::Refusee;

// Sets a flag for the time of a scope.
struct Drapeau {
    explicit Drapeau(bool& b) : b_(b) { b_ = true; }
    ~Drapeau() { b_ = false; }
    bool& b_;
};

}  // namespace

QString LibelleNature(int kind) {
    static const QStringList libelles = {QStringLiteral("Local: Disponible"),     QStringLiteral("Global: Disponible"),
                                         QStringLiteral("Local: Planifié"),       QStringLiteral("Local: Pourcentage"),
                                         QStringLiteral("Local: Nb Spot dispo"),  QStringLiteral("National: Planifié"),
                                         QStringLiteral("National: Pourcentage"), QStringLiteral("Global: Planifié"),
                                         QStringLiteral("Global: Pourcentage")};
    if (kind < 1 || kind > 9) return {};
    return libelles[kind - 1];
}

int NatureDuLibelle(const QString& label) {
    for (int k = 1; k <= 9; ++k)
        if (label == LibelleNature(k)) return k;
    return 0;
}

int SemaineRemplissage(const QDate& d) {
    const QDate premier(d.year(), 1, 1);
    return (d.dayOfYear() - 1 + premier.dayOfWeek() - 1) / 7 + 1;
}

QString LettresJour(const QDate& d) {
    static const QLocale francais(QLocale::French, QLocale::France);
    const QString nom = francais.dayName(d.dayOfWeek(), QLocale::LongFormat);
    if (nom.size() < 2) return nom.toUpper();
    return nom.left(1).toUpper() + nom.mid(1, 1);
}

void CouleursPourcentage(long p, int32_t& fond, int32_t& texte) {
    texte = 0;
    if (p >= 0 && p <= 25)
        fond = RGB(0, 255, 0);
    else if (p > 25 && p <= 50)
        fond = RGB(128, 255, 0);
    else if (p > 50 && p <= 75)
        fond = RGB(255, 128, 0);
    else if (p > 75 && p <= 100)
        fond = RGB(255, 0, 0);
    else {
        fond = RGB(0, 0, 0);
        texte = RGB(255, 0, 0);
    }
}

void SourcesGrillesDepuisTranches() {
    SetSourcesGrilles(
        {[] {
             std::vector<TrancheGrille> t;
             const TranchesHoraires& th = Tranches();
             for (int k = 0; k < TranchesHoraires::NbTranches; ++k)
                 t.push_back({th.debut(k), th.fin(k), th.texteFin(k), th.fin(k) == TranchesHoraires::PositionEnd});
             return t;
         },
         {}});
}

// ---- one day ----------------------------------------------------------------------------------

void JourRemplissage::initialiser() {
    for (auto& l : v_) l.fill(0);
    for (auto& l : pct_) l.fill(false);
    for (auto& l : taux_) l.fill(0);
    spots_.fill(0);
    spotsEcrits_.fill(false);
    const TranchesHoraires& t = Tranches();
    float totalLocal = 0, totalGlobal = 0;
    std::array<int, 24> trancheDe{};  // the slot of each hour, asked once
    for (int h = 0; h < 24; ++h) {
        const int tranche = trancheDe[size_t(h)] = ::DetermineNoTranche(int16_t(h));
        const float local = capacite(t.capaciteLocale(h));
        const float global = local + capacite(t.capaciteNationale(h));
        v_[LocalDisponible][size_t(idx(ColHeure0 + h))] = local;
        v_[GlobalDisponible][size_t(idx(ColHeure0 + h))] = global;
        v_[LocalDisponible][size_t(idx(ColTranche0 + tranche))] += local;
        v_[GlobalDisponible][size_t(idx(ColTranche0 + tranche))] += global;
        if (h >= 6 && h <= 19) {
            totalLocal += local;
            totalGlobal += global;
        }
    }
    v_[LocalDisponible][size_t(idx(ColTotal))] = totalLocal;
    v_[GlobalDisponible][size_t(idx(ColTotal))] = totalGlobal;
    // Hour and slot columns with local seconds start at 0 % with all their spots free; the day
    // total has neither until something is planned.
    const auto depart = [&](int col) {
        const float ld = v_[LocalDisponible][size_t(idx(col))];
        if (ld <= 0) return;
        pct_[LocalPourcentage][size_t(idx(col))] = true;
        taux_[LocalPourcentage][size_t(idx(col))] = 0;
        spots_[size_t(idx(col))] = arrondi(double(ld) / 30.0);
        spotsEcrits_[size_t(idx(col))] = true;
    };
    for (int h = 0; h < 24; ++h) {
        depart(ColHeure0 + h);
        depart(ColTranche0 + trancheDe[size_t(h)]);
    }
}

void JourRemplissage::ajouterColonne(int col, float duree, int cible) {
    v_[size_t(cible)][size_t(idx(col))] += duree;
    v_[GlobalPlanifie][size_t(idx(col))] += duree;
    pourcentages(col);
}

void JourRemplissage::ajouter(const PassagePlanifie& p) {
    Proc proc(Cle::RemplissageMAJCellules, Trace::DebugOnly);
    const int cible = p.national ? NationalPlanifie : LocalPlanifie;
    if (p.niveau >= 3) {
        // The hour's column is the one whose header is the passage's hour label.
        for (int h = 0; h < 24; ++h)
            if (entetes_[size_t(h)] == p.libelleHeure) {
                ajouterColonne(ColHeure0 + h, p.duree, cible);
                break;
            }
    }
    if (p.niveau >= 2) {
        ajouterColonne(ColTranche0 + ::DetermineNoTranche(p.heure), p.duree, cible);
        ajouterColonne(ColTotal, p.duree, cible);
    }
}

void JourRemplissage::pourcentages(int col) {
    const size_t i = size_t(idx(col));
    const double LD = v_[LocalDisponible][i], GD = v_[GlobalDisponible][i];
    const double LP = v_[LocalPlanifie][i], NP = v_[NationalPlanifie][i], GP = v_[GlobalPlanifie][i];
    const double ND = GD - LD;
    spots_[i] = arrondi((LD - LP) / 30.0);
    spotsEcrits_[i] = true;
    const auto pourcent = [&](int kind, double planifie, double dispo) {
        if (dispo > 0 && planifie > 0) {
            pct_[size_t(kind)][i] = true;
            taux_[size_t(kind)][i] = planifie / dispo * 100.0;
        }
    };
    pourcent(LocalPourcentage, LP, LD);
    pourcent(NationalPourcentage, NP, ND);
    pourcent(GlobalPourcentage, GP, GD);
}

bool ControlePeriodeRemplissage(const QDateTime& DateDebut, const QDateTime& DateFin) {
    const qint64 n = DateDebut.date().daysTo(DateFin.date()) + 1;
    if (n < 1) {
        MsgBoxMain(QStringLiteral("Veuillez vérifier l'ordre des dates de début et de fin."), Mb::Critical);
        return false;
    }
    if (n > JoursMax) {
        // A century would be 177 million cells: the period is bounded.
        MsgBoxMain(
            QStringLiteral("La période demandée compte %1 jours : le calcul du remplissage est limité à %2 jours.")
                .arg(n)
                .arg(JoursMax),
            Mb::Exclamation);
        return false;
    }
    return true;
}

// ---- the computation --------------------------------------------------------------------------

IssueRemplissage DerniereIssueRemplissage() { return g_issue; }

bool Remplissage(const QDateTime& DateDebut, const QDateTime& DateFin) {
    SpreadGrid* g = GrilleRemplissage();
    if (!g) {
        g_issue = IssueRemplissage::Refusee;
        return false;
    }
    return Remplissage(*g, DateDebut, DateFin);
}

bool Remplissage(SpreadGrid& grilleRef, const QDateTime& DateDebut, const QDateTime& DateFin) {
    Proc p(Cle::Remplissage);
    const QString cle = QString::fromLatin1(Cle::Remplissage);
    const qint64 n = DateDebut.date().daysTo(DateFin.date()) + 1;
    g_issue = IssueRemplissage::Refusee;
    if (!ControlePeriodeRemplissage(DateDebut, DateFin)) return false;
    if (RemplissageEnCours) {
        p(12, [&] { MsgBoxMain(MessageActiviteEnCours(), Mb::Exclamation); });
        return false;
    }
    Drapeau enCours(RemplissageEnCours);
    QPointer<SpreadGrid> grille(&grilleRef);

    // Held until the computation ends, whichever way it leaves.
    std::optional<FrmMsgOuverte> attente;
    attente.emplace(cle);
    p(30, [&] {
        grille->setTag(QStringLiteral("O"));
        grille->setRedraw(false);
    });

    int nbFeuilles = 0;
    p(40, [&] { nbFeuilles = grille->sheetCount(); });
    const int16_t base = NoBaseCourante;
    Durees durees;
    JourRemplissage jour;
    bool complet = true;
    bool incomplet = false;
    for (int s = 1; s <= nbFeuilles && complet; ++s) {
        const int nbLignes = int(n) * NbNatures;
        std::vector<bool> colonneEcrite(size_t(NbColonnes) + 1, false);
        p(50, [&] {
            grille->setSheet(s);
            grille->setMaxRows(nbLignes);
            grille->clearRange(1, 1, NbColonnes, nbLignes, false);
            // What an earlier computation or the user hid is decided again below.
            for (int c = 1; c <= NbColonnes; ++c) {
                grille->setCol(c);
                grille->setColHidden(false);
            }
        });
        const bool calculer = s <= 10 && ParametresRemplissage.Station[size_t(s - 1)];
        // Planned-advertising days of this station whose read failed, and the first of them.
        int joursEnEchec = 0;
        QDate premierEnEchec;
        p(55, [&] {
            std::array<QString, 24> entetes;
            for (int h = 0; h < 24; ++h) entetes[size_t(h)] = grille->headerText(ColHeure0 + h, 2);
            jour.setEntetesHeures(entetes);
        });
        for (int i = 1; i <= n; ++i) {
            const QDate date = DateDebut.date().addDays(i - 1);
            p(60, [&] {
                LabelMsgInit(Date2StringEx(date, QStringLiteral("Long Date")) + QStringLiteral("  ") +
                             QString::number(s) + QLatin1Char('/') + QString::number(nbFeuilles));
                QCoreApplication::processEvents();
            });
            // The program is closing, or its window went away meanwhile: stop here.
            if (bFermetureEnCours || !grille) {
                complet = false;
                break;
            }
            // A settings change handled meanwhile may have addressed another sheet.
            p(65, [&] { grille->setSheet(s); });
            p(70, [&] { jour.initialiser(); });
            if (calculer)
                p(80, [&] {
                    // The station's first failure has been shown; its later ones are counted.
                    std::optional<RapportsBTrieveRetenus> retenus;
                    if (joursEnEchec > 0) retenus.emplace();
                    if (!LirePublicitePlanifiee(base, int16_t(s), date, cle,
                                                [&](const PassagePlanifie& pp) { jour.ajouter(pp); }) &&
                        !bFermetureEnCours) {
                        if (joursEnEchec++ == 0) premierEnEchec = date;
                    }
                });
            p(90, [&] { ecrireJour(*grille, jour, date, i, (i - 1) * NbNatures + 1, durees, colonneEcrite); });
        }
        if (joursEnEchec > 0) {
            incomplet = true;
            TraceLog(-1, -1, -1,
                     QStringLiteral("Err: ") + cle + QStringLiteral(": planned advertising of station ") +
                         QString::number(s) + QStringLiteral(" not fully read on ") + QString::number(joursEnEchec) +
                         QStringLiteral(" day(s) from ") + D2S(premierEnEchec) +
                         QStringLiteral(": the computation is incomplete"),
                     false);
        }
        if (!complet || !grille) break;
        p(100, [&] { visibilite(*grille, nbLignes, colonneEcrite); });
    }
    p(110, [&] {
        if (grille) grille->setRedraw(true);
    });
    attente.reset();
    g_issue = !complet    ? IssueRemplissage::Interrompue
              : incomplet ? IssueRemplissage::Incomplete
                          : IssueRemplissage::Complete;
    return complet;
}
