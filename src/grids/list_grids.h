#pragma once
// Lib_Tableur: the look and the columns of the seven advertising grids fpSpreadPublicite(0..6):
// 0 campaigns, 1 clients, 2 products, 3 business sectors, 4 salespeople, 5 canvases, 6 the fill
// grid (one sheet per station, three header rows, slot and hour columns).
//
// The grids are reached through GrillePub(k). The main window places them in its slots at
// start-up; before that (and in tests) GrillePub(k) makes a free-standing grid on first use, which
// the window then takes over.
#include <QPixmap>
#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

#include "platform/spread_grid.h"

namespace Cle {
inline constexpr const char* InitGeneralTableur = "Lib_Tableur:InitGeneralTableur";
inline constexpr const char* InitGeneralTableurPub = "Lib_Tableur:InitGeneralTableurPub";
}  // namespace Cle

// Grid indexes of fpSpreadPublicite.
namespace GrillePubNo {
enum : int { Campagne = 0, Client = 1, Produit = 2, Secteur = 3, Commercial = 4, Canevas = 5, Remplissage = 6 };
inline constexpr int Nombre = 7;
}  // namespace GrillePubNo

// The colours of the advertising grids.
namespace CouleurGrille {
inline constexpr qint32 Fond = RGB(255, 204, 128);    // every cell, until something else is set
inline constexpr qint32 Lignes = RGB(197, 206, 217);  // grid lines
inline constexpr qint32 LigneImpaire = RGB(255, 255, 255);
inline constexpr qint32 LignePaire = RGB(225, 240, 255);
}  // namespace CouleurGrille

// fpSpreadPublicite(k), k = 0..6; nullptr for any other k.
SpreadGrid* GrillePub(int k);
// GrilleRemplissage: the fill grid, fpSpreadPublicite(6).
inline SpreadGrid* GrilleRemplissage() { return GrillePub(GrillePubNo::Remplissage); }

// Columns and rows of the fill grid.
namespace ColRemplissage {
inline constexpr int Semaine = 1, JourSemaine = 2, Date = 3, Nature = 4, Jour = 5;
inline constexpr int PremiereTranche = 6, DerniereTranche = 29, Tranches = 30;
inline constexpr int PremiereHeure = 31, DerniereHeure = 54, Nombre = 54;
inline constexpr int LignesEntete = 3;
}  // namespace ColRemplissage

// Header of hour h (0..23) in header rows 2 and 3 of the fill grid: "H" and the hour in two
// digits; the fill computation finds an hour's column by this text.
QString LibelleHeureGrille(int h);
// Header of a time slot in header rows 2 and 3: "06H00 09H59" (an end above 23 reads 23).
QString LibelleTrancheGrille(int debut, int fin);

// One time slot as the hidden host's boxes ComboTrancheDeb(k) / ComboTrancheFin(k) hold it.
struct TrancheGrille {
    int debut = 0;             // selected position of the start box (the start hour)
    int fin = -1;              // selected position of the end box (24: "End"; -1: none)
    QString texteFin;          // selected text of the end box
    bool finDerniere = false;  // the end box's selection is its last entry ("End")
};

// What the layout reads from the parts of the program above this one: the slots of the hidden
// host (all of its boxes, in order) and its drag picture. Unset: no slots and no picture.
struct SourcesGrilles {
    std::function<std::vector<TrancheGrille>()> tranches;
    std::function<QPixmap()> imageGlisser;
};
void SetSourcesGrilles(SourcesGrilles sources);

// The common look of an advertising grid on its addressed sheet (background, grid lines, static
// text cells, merged equal header captions, drag picture, odd and even row colours, border). The
// nomenclature sheets take it too.
void AppliquerAspectCommunGrille(SpreadGrid& grille);

// Start-up set-up of every advertising grid: one sheet, the common look, then the grid's columns.
void InitGeneralTableur(bool bReinitialiser, bool bAjusterLargeurs);
// Columns of grid NoOnglet: 1 to 5 the web lists (bReinitialiser: empty the list and give the
// columns their fixed widths; bAjusterLargeurs: share the free width among the stretching
// columns), 6 the fill grid (both ignored). 0 and any other value: nothing.
void InitGeneralTableurPub(int16_t NoOnglet, bool bReinitialiser, bool bAjusterLargeurs);

// Back to no grids (tests): free-standing grids are deleted, placed ones are left to their window.
void ReinitialiserGrillesPub();
