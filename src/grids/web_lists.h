#pragma once
// The web lists of the five entities (clients, products, business sectors, salespeople,
// canvases), one field table each. A line of a table is one column of the entity's list grid, in
// order (line n is column n): the item's field tag in a list answer, the grid's caption, width,
// alignment and share of the free width, where the list reader's reply record keeps the field and
// where an import writes it in the local record. The list reader, the grid's layout and the
// families' imports all read these tables: a column is added or moved by one line here.
//
// The status column shows the status text as a one-letter code on its colour; the column after it,
// without a tag, holds the status's label.
#include <QString>
#include <cstdint>
#include <vector>

// The reply records of the list reader: the fields of the last item read.
struct ReponseClientT {
    int32_t CltIdWeb = 0;
    QString CltIdQD, CltNom, CltAdresse, CltAdresseSuite, CltCodePostal, CltVille, CltContact, CltContactTel1,
        CltContactTel2, CltContactEmail, CltSynchroWeb;
};
struct ReponseProduitT {
    int32_t PdtIdWeb = 0;
    QString PdtIdQD, PdtLibelle, PdtNature, PdtFamille, PdtClasse, PdtSecteur, PdtVariete, PdtNomenclatureLib,
        PdtSynchroWeb;
};
struct ReponseSecteurT {
    int32_t SecIdWeb = 0;
    QString SecIdQD, SecLibelle, SecSynchroWeb;
};
struct ReponseCommercialT {
    int32_t CmlIdWeb = 0;
    QString CmlIdQD, CmlUserId, CmlUserPassword, CmlNom, CmlPrenom, CmlTel1, CmlTel2, CmlEmail, CmlSynchroWeb;
};
struct ReponseCanevasT {
    int32_t TmpIdWeb = 0;  // from SecIdWeb
    QString TmpIdQD, TmpLibelle, TmpSynchroWeb;
};

// A text field of a local record (in its file's buffer).
struct TexteEnreg {
    char* donnees = nullptr;  // nullptr: none
    int taille = 0;
};
template <size_t N>
TexteEnreg Champ(char (&c)[N]) {
    return {c, int(N)};
}

// How a list grid lays a column out.
struct AspectColonne {
    const char* titre = nullptr;  // caption of header row 1; nullptr: the grid has no such column
    double largeur = 0;           // given by a reset
    int alignement = 0;           // Spread::Left / Right / Center
    double part = 0;              // share of the free width; 0: fixed
};

enum class RoleColonne {
    Texte,
    Code,           // the local code (IdQD)
    IdWeb,          // the web id: a whole number
    Statut,         // the status letter, on its colour
    LibelleStatut,  // the status's label, written with the letter
};

template <class R>
struct ColonneWeb {
    const char* balise;  // the item's field tag; nullptr: filled by the reader otherwise
    AspectColonne aspect;
    QString R::*reponse = nullptr;  // in the reply record; the web id goes to ListeWeb::id
    TexteEnreg enreg = {};          // written by an import; none: not imported
    RoleColonne role = RoleColonne::Texte;
};

template <class R>
struct ListeWeb {
    int grille;        // fpSpreadPublicite(grille); also the entity's tab of the advertising page
    const char* item;  // the item's tag ("ClientBO")
    std::vector<ColonneWeb<R>> colonnes;
    int32_t R::*id;  // the web id in the reply record
};

const ListeWeb<ReponseClientT>& ListeWebClients();
const ListeWeb<ReponseProduitT>& ListeWebProduits();
const ListeWeb<ReponseSecteurT>& ListeWebSecteurs();
const ListeWeb<ReponseCommercialT>& ListeWebCommerciaux();
const ListeWeb<ReponseCanevasT>& ListeWebCanevas();

// A column of a list grid as its layout sees it.
struct ColonneGrille {
    AspectColonne aspect;
    RoleColonne role;
};
// The columns of list grid k (GrillePubNo 1..5), in order; nullptr for any other grid.
const std::vector<ColonneGrille>* ColonnesGrilleListe(int k);

// Column (from 1) of a field tag, or of the first column of a role; 0 when the table has none.
template <class R>
int ColonneDe(const ListeWeb<R>& l, const char* balise) {
    for (size_t i = 0; i < l.colonnes.size(); ++i)
        if (l.colonnes[i].balise && QLatin1String(l.colonnes[i].balise) == QLatin1String(balise)) return int(i) + 1;
    return 0;
}
template <class R>
int ColonneDe(const ListeWeb<R>& l, RoleColonne role) {
    for (size_t i = 0; i < l.colonnes.size(); ++i)
        if (l.colonnes[i].role == role) return int(i) + 1;
    return 0;
}

// A field an import writes: the text of its column in a list row.
struct ChampImporte {
    int colonne;
    TexteEnreg champ;
};
template <class R>
std::vector<ChampImporte> ChampsImportes(const ListeWeb<R>& l) {
    std::vector<ChampImporte> v;
    for (size_t i = 0; i < l.colonnes.size(); ++i)
        if (l.colonnes[i].enreg.donnees) v.push_back({int(i) + 1, l.colonnes[i].enreg});
    return v;
}
