#include "grids/list_grids.h"

#include <QPointer>
#include <array>
#include <cmath>

#include "database/site_startup.h"
#include "foundation/conversions.h"
#include "foundation/globals.h"
#include "foundation/proc.h"
#include "grids/web_lists.h"

namespace {

std::array<QPointer<SpreadGrid>, GrillePubNo::Nombre> grilles;
SourcesGrilles sources;

// Twips kept aside by the stretch computation (the vertical scroll bar and the frame).
constexpr int kReserveTwips = 330;

// The share columns take the width the fixed ones leave free.
void etirerColonnes(SpreadGrid& g, const std::vector<ColonneGrille>& cols) {
    const int nbCols = std::min(int(cols.size()), g.maxCols());
    qint64 total = g.colWidthToTwips(g.colHiddenAt(0) ? 0 : g.colWidth(0));
    for (int c = 1; c <= nbCols; ++c)
        if (cols[size_t(c - 1)].aspect.part == 0) total += g.colWidthToTwips(g.colWidth(c));
    double libre = std::round(double(g.widthTwips()) - kReserveTwips - double(total));
    if (libre < 0) libre = 0;
    const double unite = libre / Spread::TwipsParUnite;
    for (int c = 1; c <= nbCols; ++c)
        if (cols[size_t(c - 1)].aspect.part > 0) g.setColWidth(c, unite * cols[size_t(c - 1)].aspect.part);
}

void mettreEnPageListe(Proc& p, SpreadGrid& g, const std::vector<ColonneGrille>& cols, bool reinit, bool ajuster) {
    const int nbCols = int(cols.size());
    for (int s = 1; s <= g.sheetCount(); ++s) {
        p(20, [&] {
            g.setSheet(s);
            g.setMaxCols(nbCols);
        });
        p(30, [&] {
            g.setRow(Spread::HeaderRow1);
            g.setRowMerge(1);
            for (int c = 1; c <= nbCols; ++c) {
                g.setCol(c);
                g.setText(QString::fromUtf8(cols[size_t(c - 1)].aspect.titre));
            }
        });
        if (reinit)
            p(40, [&] {
                g.setMaxRows(0);
                for (int c = 1; c <= nbCols; ++c) g.setColWidth(c, cols[size_t(c - 1)].aspect.largeur);
            });
        p(50, [&] {
            g.setRow(Spread::All);
            for (int c = 1; c <= nbCols; ++c) {
                g.setCol(c);
                g.setTypeHAlign(cols[size_t(c - 1)].aspect.alignement);
                if (cols[size_t(c - 1)].role == RoleColonne::IdWeb) {
                    // The web id: a whole number.
                    g.setCellType(Spread::Number);
                    g.setTypeDecimals(0);
                    g.setTypeSeparator(false);
                }
            }
        });
        if (ajuster) p(60, [&] { etirerColonnes(g, cols); });
    }
}

// One fill-grid column: merged down its header rows, its three captions, its width (< 0: none).
void colonneRemplissage(SpreadGrid& g, int c, const QString& h1, const QString& h2, const QString& h3, double largeur) {
    g.setCol(c);
    g.setColMerge(1);
    g.setHeaderText(c, 1, h1);
    g.setHeaderText(c, 2, h2);
    g.setHeaderText(c, 3, h3);
    if (largeur >= 0) g.setColWidth(c, largeur);
}

void mettreEnPageRemplissage(Proc& p, SpreadGrid& g) {
    namespace R = ColRemplissage;
    // The page's layout may come while a computation, painting off, pumps events: painting
    // comes back only if it was on.
    const bool peint = g.redraw();
    p(100, [&] { g.setRedraw(false); });
    const auto& base = BaseInfo[size_t(std::clamp<int>(NoBaseCourante, 0, int(BaseInfo.size()) - 1))];
    const int nbStations = std::clamp<int>(base.NbStation, 1, NbStationsBase);
    const int feuillesAvant = g.sheetCount();
    p(110, [&] { g.setSheetCount(nbStations); });
    const std::vector<TrancheGrille> tranches = sources.tranches ? sources.tranches() : std::vector<TrancheGrille>{};
    for (int s = 1; s <= g.sheetCount(); ++s) {
        p(120, [&] {
            g.setSheet(s);
            g.setSheetName(base.Stations[size_t(s - 1)].Lib);
        });
        p(130, [&] {
            g.setHeaderRowCount(R::LignesEntete);
            // Sheets added here are not reached by the common set-up: give them its look, once
            // (it would undo the colours and kinds of a computation).
            if (s > feuillesAvant) AppliquerAspectCommunGrille(g);
            g.setCol(Spread::All);
            for (int h : {Spread::HeaderRow1, Spread::HeaderRow2, Spread::HeaderRow3}) {
                g.setRow(h);
                g.setRowMerge(1);
            }
            g.setMaxCols(R::Nombre);
            g.setRow(Spread::All);
        });
        p(140, [&] {
            const QString date = QStringLiteral("Date"), nature = QStringLiteral("Nature"),
                          jour = QStringLiteral("Jour");
            colonneRemplissage(g, R::Semaine, date, QStringLiteral("Se"), QStringLiteral("Se"), 2);
            colonneRemplissage(g, R::JourSemaine, date, jour, jour, 2.5);
            colonneRemplissage(g, R::Date, date, date, date, 7);
            colonneRemplissage(g, R::Nature, nature, nature, nature, 16);
            colonneRemplissage(g, R::Jour, jour, jour, jour, 6);
            g.setCol(R::Jour);
            g.setColHidden(true);
        });
        p(150, [&] {
            size_t k = 0;
            for (int c = R::PremiereTranche; c <= R::DerniereTranche; ++c) {
                if (k >= tranches.size()) break;
                const auto& t = tranches[k];
                const int fin = std::min(t.fin, 23);
                const QString lib = LibelleTrancheGrille(t.debut, fin);
                colonneRemplissage(g, c, QStringLiteral("Tranche"), lib, lib, 6);
                if (t.finDerniere || t.texteFin.left(2) == QLatin1String("23")) {
                    for (int h = c + 1; h <= R::DerniereTranche; ++h) {
                        g.setCol(h);
                        g.setColHidden(true);
                    }
                    break;
                }
                ++k;
            }
        });
        p(160, [&] {
            const QString jourTotal = QStringLiteral("06H00 19H59");
            colonneRemplissage(g, R::Tranches, QStringLiteral("Tranches"), jourTotal, jourTotal, -1);
            for (int c = R::PremiereHeure; c <= R::DerniereHeure; ++c) {
                const QString lib = LibelleHeureGrille(c - R::PremiereHeure);
                colonneRemplissage(g, c, QStringLiteral("Heure"), lib, lib, 5);
            }
        });
        p(170, [&] {
            g.setRow(Spread::All);
            for (int c = R::PremiereTranche; c <= g.maxCols(); ++c) {
                g.setCol(c);
                g.setTypeHAlign(Spread::Right);
            }
        });
    }
    p(180, [&] { g.setRedraw(peint); });
}

}  // namespace

QString LibelleHeureGrille(int h) { return QStringLiteral("H") + N2S(h, 2, 0, QStringLiteral("0")); }

QString LibelleTrancheGrille(int debut, int fin) {
    if (fin > 23) fin = 23;
    return N2S(debut, 2, 0, QStringLiteral("0")) + QStringLiteral("H00 ") + N2S(fin, 2, 0, QStringLiteral("0")) +
           QStringLiteral("H59");
}

SpreadGrid* GrillePub(int k) {
    if (k < 0 || k >= GrillePubNo::Nombre) return nullptr;
    auto& g = grilles[size_t(k)];
    if (!g) {
        g = new SpreadGrid;
        g->setObjectName(QStringLiteral("fpSpreadPublicite") + QString::number(k));
        g->setIndex(k);
        // The page's layout reaches a grid before its new size is known: the share columns
        // follow the grid's width once it has it.
        if (const auto* cols = ColonnesGrilleListe(k))
            QObject::connect(g.data(), &SpreadGrid::resized, g.data(), [k, cols] {
                SpreadGrid* grille = grilles[size_t(k)];
                if (grille && grille->maxCols() == int(cols->size())) etirerColonnes(*grille, *cols);
            });
    }
    return g;
}

void SetSourcesGrilles(SourcesGrilles s) { sources = std::move(s); }

void ReinitialiserGrillesPub() {
    for (auto& g : grilles) {
        if (g && !g->parent()) delete g.data();
        g = nullptr;
    }
    sources = {};
}

void AppliquerAspectCommunGrille(SpreadGrid& g) {
    g.setGridColor(CouleurGrille::Lignes);
    g.setCol(Spread::All);
    g.setRow(Spread::All);
    g.setBackColor(CouleurGrille::Fond);
    g.setCellType(Spread::StaticText);
    g.setRow(Spread::HeaderRow1);
    g.setRowMerge(1);
    if (sources.imageGlisser) g.setDragCursor(sources.imageGlisser());
    g.setOddEvenRowColor(CouleurGrille::LigneImpaire, Spread::WindowText, CouleurGrille::LignePaire,
                         Spread::WindowText);
    g.setBorderStyle(1);
}

void InitGeneralTableur(bool bReinitialiser, bool bAjusterLargeurs) {
    Proc p(Cle::InitGeneralTableur);
    for (int i = 0; i < GrillePubNo::Nombre; ++i) {
        SpreadGrid& g = *GrillePub(i);
        int nbFeuilles = 1;
        p(10, [&] {
            g.setSheetCount(1);
            nbFeuilles = g.sheetCount();
        });
        for (int s = 1; s <= nbFeuilles; ++s)
            p(20, [&] {
                g.setSheet(s);
                AppliquerAspectCommunGrille(g);
            });
        InitGeneralTableurPub(int16_t(i), bReinitialiser, bAjusterLargeurs);
        p(30, [&] { g.setSheet(1); });
    }
}

void InitGeneralTableurPub(int16_t NoOnglet, bool bReinitialiser, bool bAjusterLargeurs) {
    Proc p(Cle::InitGeneralTableurPub);
    if (NoOnglet == GrillePubNo::Remplissage) {
        mettreEnPageRemplissage(p, *GrillePub(NoOnglet));
        return;
    }
    if (const auto* cols = ColonnesGrilleListe(NoOnglet))
        mettreEnPageListe(p, *GrillePub(NoOnglet), *cols, bReinitialiser, bAjusterLargeurs);
}
