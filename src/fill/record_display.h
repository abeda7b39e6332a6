#pragma once
// One advertising record, as the last read left it in its file's record buffer, written into a
// row of the list grid of its kind, in the columns the web lists use: code, web id, the kind's
// fields, and for clients, products, sectors and salespeople the synchronisation state letter in
// its colour with the state in words. Used by the local search for every row it adds.
#include <QString>
#include <cstdint>

class SpreadGrid;

namespace Cle {
inline constexpr const char* AfficherDataDansGrille = "Lib_Publicite:AfficherDataDansGrille";
inline constexpr const char* PreparerColonnesCampagnes = "Lib_Publicite:PreparerColonnesCampagnes";
}  // namespace Cle

// Record types: the advertising tab numbers.
namespace TypeEnreg {
enum : int16_t { Campagne = 0, Client = 1, Produit = 2, Secteur = 3, Commercial = 4, Canevas = 5 };
}

// Writes the record of type TypeEnreg (read last into its buffer) into row Ligne of grid
// fpSpreadPublicite(TypeEnreg). The row must exist. Base, station and the flag play no part. A
// type other than 0 to 5 writes nothing.
void AfficherDataDansGrille(int16_t NoBase, int16_t NoStation, int16_t TypeEnreg, int32_t Ligne, bool bFlag = false);

// The campaign grid has no columns of its own from the layout: the local search gives it the
// canvas grid's three ("Id QD", "Id Web", "Libellé") before listing campaigns.
void PreparerColonnesCampagnes(SpreadGrid& grille);
