#include "fill/record_display.h"

#include "database/record_layouts.h"
#include "fill/nomenclature.h"
#include "foundation/conversions.h"
#include "foundation/proc.h"
#include "grids/list_grids.h"

#include <initializer_list>
#include <vector>

namespace {

// What a column of a row shows, taken from the record buffer.
enum class Contenu {
    Brut,           // the field as stored
    Rogne,          // the field without its leading and trailing blanks
    IdWeb,          // the base-255 web id as a decimal number
    Zero,           // always "0"
    Telephone,      // FormatNoTel of the trimmed field
    NomClient,      // the trimmed name, else "Client: " and the trimmed code (offsets 0 and 8)
    ContactClient,  // the first non-blank of the contact names
    NiveauCC,       // a competition-code level, only when the product carries a code
    LibelleCC,      // the label of the product's competition code
    Etat,           // the state letter as stored, coloured, its word in the next column
    EtatRogne,      // the same, trimmed
};

struct Colonne {
    Contenu contenu;
    int offset = 0;
    int longueur = 0;
};

struct Affichage {
    int16_t fichier;
    std::vector<Colonne> colonnes;  // columns 1, 2, ... in order; an Etat column takes two
    bool supprimeSansAccent = false;
};

// Offsets are those of the stored record (from 0).
const Affichage* affichage(int16_t type) {
    using C = Contenu;
    static const Affichage kClient{3,
                                   {{C::Brut, 0, 8},
                                    {C::IdWeb, 745, 4},
                                    {C::NomClient, 8, 30},
                                    {C::Rogne, 38, 30},
                                    {C::Rogne, 68, 30},
                                    {C::Rogne, 98, 5},
                                    {C::Rogne, 103, 30},
                                    {C::ContactClient},
                                    {C::Telephone, 318, 15},
                                    {C::Telephone, 676, 15},
                                    {C::Rogne, 474, 50},
                                    {C::Etat, 744, 1}}};
    static const Affichage kProduit{4,
                                    {{C::Brut, 0, 10},
                                     {C::IdWeb, 85, 4},
                                     {C::Rogne, 10, 30},
                                     {C::Zero},
                                     {C::NiveauCC, 55, 2},
                                     {C::NiveauCC, 57, 2},
                                     {C::NiveauCC, 59, 2},
                                     {C::NiveauCC, 61, 2},
                                     {C::LibelleCC},
                                     {C::Etat, 84, 1}}};
    static const Affichage kSecteur{2,
                                    {{C::Brut, 0, 10}, {C::IdWeb, 41, 4}, {C::Rogne, 10, 30}, {C::EtatRogne, 40, 1}}};
    static const Affichage kCommercial{1,
                                       {{C::Brut, 0, 8},
                                        {C::IdWeb, 214, 4},
                                        {C::Rogne, 68, 30},
                                        {C::Rogne, 103, 30},
                                        {C::Rogne, 8, 30},
                                        {C::Rogne, 38, 30},
                                        {C::Rogne, 183, 15},
                                        {C::Rogne, 198, 15},
                                        {C::Rogne, 133, 50},
                                        {C::EtatRogne, 213, 1}},
                                       true};
    static const Affichage kCanevas{6, {{C::Brut, 0, 8}, {C::IdWeb, 373, 4}, {C::Rogne, 8, 40}}};
    static const Affichage kCampagne{5, {{C::Brut, 10, 6}, {C::IdWeb, 139, 4}, {C::Rogne, 39, 40}}};
    switch (type) {
        case TypeEnreg::Campagne:
            return &kCampagne;
        case TypeEnreg::Client:
            return &kClient;
        case TypeEnreg::Produit:
            return &kProduit;
        case TypeEnreg::Secteur:
            return &kSecteur;
        case TypeEnreg::Commercial:
            return &kCommercial;
        case TypeEnreg::Canevas:
            return &kCanevas;
        default:
            return nullptr;
    }
}

struct Etat {
    char lettre;
    qint32 couleur;
    const char* mot;  // UTF-8
};
constexpr Etat kEtats[] = {
    {'C', RGB(255, 255, 0), "Créé"},      {'M', RGB(0, 0, 255), "Modifié"},         {'S', RGB(255, 0, 255), "Supprimé"},
    {'O', RGB(0, 255, 0), "Synchronisé"}, {'N', RGB(255, 0, 0), "Non Synchronisé"},
};

class Enreg {
public:
    explicit Enreg(int16_t fichier) : d_(static_cast<const char*>(EnregFichier(fichier)->Donnees)) {}
    QString brut(int offset, int longueur) const { return LireTexte(d_ + offset, longueur); }
    QString rogne(int offset, int longueur) const { return TrimBlancs(brut(offset, longueur)); }
    int32_t idWeb(int offset) const { return CVLOctets(d_ + offset); }

private:
    const char* d_;
};

// Client contact: the first of the names at 133, 288 and 348 that is not blank, else the one at
// 378 as it is.
QString contactClient(const Enreg& e) {
    for (int offset : {133, 288, 348}) {
        const QString c = e.rogne(offset, 30);
        if (!c.isEmpty()) return c;
    }
    return e.rogne(378, 30);
}

bool codeConcurrence(const Enreg& e) { return e.brut(54, 1) == QLatin1String("1"); }

}  // namespace

void AfficherDataDansGrille(int16_t, int16_t, int16_t TypeEnreg, int32_t Ligne, bool) {
    Proc p(Cle::AfficherDataDansGrille);
    const Affichage* a = affichage(TypeEnreg);
    if (!a) return;
    SpreadGrid* g = nullptr;
    p(10, [&] {
        g = GrillePub(TypeEnreg);
        if (!g) Raise(9);
        g->setRow(Ligne);
    });
    if (!g) return;
    const Enreg e(a->fichier);
    int col = 0;
    for (const Colonne& c : a->colonnes) {
        ++col;
        // Each cell on its own: a failing one is reported and the row goes on.
        p(20, [&] {
            const auto ecrire = [&](const QString& texte) {
                g->setCol(col);
                g->setText(texte);
            };
            switch (c.contenu) {
                case Contenu::Brut:
                    ecrire(e.brut(c.offset, c.longueur));
                    break;
                case Contenu::Rogne:
                    ecrire(e.rogne(c.offset, c.longueur));
                    break;
                case Contenu::IdWeb:
                    ecrire(QString::number(e.idWeb(c.offset)));
                    break;
                case Contenu::Zero:
                    ecrire(QStringLiteral("0"));
                    break;
                case Contenu::Telephone:
                    ecrire(FormatNoTel(e.rogne(c.offset, c.longueur)));
                    break;
                case Contenu::NomClient: {
                    const QString nom = e.rogne(c.offset, c.longueur);
                    ecrire(nom.isEmpty() ? QStringLiteral("Client: ") + e.rogne(0, 8) : nom);
                    break;
                }
                case Contenu::ContactClient:
                    ecrire(contactClient(e));
                    break;
                case Contenu::NiveauCC:
                    if (codeConcurrence(e)) ecrire(e.brut(c.offset, c.longueur));
                    break;
                case Contenu::LibelleCC:
                    ecrire(LibNomenclature(codeConcurrence(e) ? e.brut(55, 8) : QString(8, QLatin1Char(' '))));
                    break;
                case Contenu::Etat:
                case Contenu::EtatRogne: {
                    ecrire(c.contenu == Contenu::Etat ? e.brut(c.offset, c.longueur) : e.rogne(c.offset, c.longueur));
                    // The letter as the cell holds it decides.
                    const QString lettre = g->text();
                    for (const Etat& s : kEtats) {
                        if (lettre != QLatin1Char(s.lettre)) continue;
                        g->setBackColor(s.couleur);
                        QString mot = QString::fromUtf8(s.mot);
                        if (s.lettre == 'S' && a->supprimeSansAccent) mot = QStringLiteral("Supprime");
                        g->setCol(col + 1);
                        g->setText(mot);
                        break;
                    }
                    break;
                }
            }
        });
    }
}

void PreparerColonnesCampagnes(SpreadGrid& g) {
    Proc p(Cle::PreparerColonnesCampagnes);
    p(10, [&] {
        if (g.maxCols() == 3) return;
        g.setMaxCols(3);
        const char* const entetes[3] = {"Id QD", "Id Web", "Libellé"};
        const double largeurs[3] = {10, 8, 40};
        for (int c = 1; c <= 3; ++c) {
            g.setHeaderText(c, 1, QString::fromUtf8(entetes[c - 1]));
            g.setColWidth(c, largeurs[c - 1]);
        }
        g.setRow(Spread::All);
        g.setCol(2);
        g.setCellType(Spread::Number);
        g.setTypeDecimals(0);
        g.setTypeHAlign(Spread::Right);
    });
}
