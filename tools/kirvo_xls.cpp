// Reads an old binary workbook (.xls) and writes what it found to standard output, for the
// program, which runs it as a short-lived process: the library it uses does not survive every
// damaged file, and whatever happens here the program only sees a failed read.
//
//   kirvo_xls FILE                  the workbook test only
//   kirvo_xls FILE SHEET COLUMNS    the sheet list, then the first COLUMNS columns of sheet SHEET
//   kirvo_xls FILE SHEET COLUMNS COPY   the same, leaving in COPY the private copy (below) the
//                                       library read the sheet from, for the tests
//
// Output, one line each, fields separated by a tab, texts escaped ("\\", "\t", "\n", "\r"):
//   KIRVO-XLS 1
//   PAS-UN-CLASSEUR <reason>    the test failed; nothing else follows
//   CLASSEUR                    the test passed
//   ERREUR-CLASSEUR <reason>    the workbook could not be opened
//   FEUILLE <name>              one per sheet
//   ERREUR-FEUILLE <reason>     the sheet could not be read
//   DIMENSIONS <rows> <cols>    the size read (bounded by the format), then one line per row:
//   L <cell> <cell> ...
//   FIN
// Only plain C and the library: the program waits on this process at every start-up.
//
// The library sizes a sheet by what the sheet declares, and allocates and clears that many cells
// before it reads one: a small file that declares millions of rows would cost seconds and hundreds
// of megabytes. So the library never sees the file itself: the workbook stream is taken out of
// its compound file here, each sheet's declared size is replaced by what its cell records fill
// (the sheet asked for, on the columns asked for, never more than it declares; nothing for the
// others), and the library opens that private copy, which lives in memory only.
#include <freexl.h>

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// The format's own limits, whatever a sheet declares.
constexpr unsigned kLignesMax = 65536;
constexpr unsigned kColonnesMax = 256;

std::string sortie;

void ecrire(const char* s) { sortie += s; }

void ecrireTexte(const char* s) {
    for (; *s; ++s) {
        switch (*s) {
            case '\\':
                sortie += "\\\\";
                break;
            case '\t':
                sortie += "\\t";
                break;
            case '\n':
                sortie += "\\n";
                break;
            case '\r':
                sortie += "\\r";
                break;
            default:
                sortie += *s;
        }
    }
}

void ligne(const char* tag, const char* texte = nullptr) {
    ecrire(tag);
    if (texte) {
        sortie += '\t';
        ecrireTexte(texte);
    }
    sortie += '\n';
}

const char* raison(int rc) {
    switch (rc) {
        case FREEXL_FILE_NOT_FOUND:
            return "fichier introuvable";
        case FREEXL_INSUFFICIENT_MEMORY:
            return "mémoire insuffisante";
        case FREEXL_BIFF_ILLEGAL_SHEET_INDEX:
            return "feuille inexistante";
        case FREEXL_CRAFTED_FILE:
            return "fichier endommagé";
        default: {
            static char texte[64];
            std::snprintf(texte, sizeof texte, "format non reconnu (%d)", rc);
            return texte;
        }
    }
}

// A number as its shortest text that gives it back, as the program always showed it: 5 "5",
// 12.5 "12.5".
void ecrireNombre(double v) {
    char texte[64];
    if (!std::isfinite(v)) return;
    std::snprintf(texte, sizeof texte, "%.15g", v);
    sortie += texte;
}

void ecrireCellule(const FreeXL_CellValue& v) {
    switch (v.type) {
        case FREEXL_CELL_INT: {
            char texte[32];
            std::snprintf(texte, sizeof texte, "%d", v.value.int_value);
            sortie += texte;
            break;
        }
        case FREEXL_CELL_DOUBLE:
            ecrireNombre(v.value.double_value);
            break;
        case FREEXL_CELL_TEXT:
        case FREEXL_CELL_SST_TEXT:
        case FREEXL_CELL_DATE:
        case FREEXL_CELL_DATETIME:
        case FREEXL_CELL_TIME:
            if (v.value.text_value) ecrireTexte(v.value.text_value);
            break;
        default:
            break;
    }
}

// ---- the private copy ------------------------------------------------------------------------

// Far above any workbook the program reads; the reader keeps it and its copy in memory.
constexpr long kTailleFichierMax = 128L * 1024 * 1024;

constexpr uint32_t kSecteurLibre = 0xFFFFFFFF;
constexpr uint32_t kFinChaine = 0xFFFFFFFE;
constexpr uint32_t kSecteurFat = 0xFFFFFFFD;

uint16_t lire16(const std::string& b, size_t o) { return uint16_t(uint8_t(b[o]) | uint8_t(b[o + 1]) << 8); }
uint32_t lire32(const std::string& b, size_t o) { return lire16(b, o) | uint32_t(lire16(b, o + 2)) << 16; }
void poser16(std::string& b, size_t o, uint16_t v) {
    b[o] = char(v & 0xFF);
    b[o + 1] = char(v >> 8);
}
void poser32(std::string& b, size_t o, uint32_t v) {
    poser16(b, o, uint16_t(v & 0xFFFF));
    poser16(b, o + 2, uint16_t(v >> 16));
}

// Where the library stops reading a workbook stream: before a record that runs past its end or
// is longer than any record, and, when finParZero, at an empty record of type 0. termine says
// whether it stopped there for one of the last two, which ask for nothing after them.
size_t finLue(const std::string& flux, bool finParZero, bool* termine = nullptr) {
    constexpr size_t kEnregistrementMax = 8224;
    size_t pos = 0;
    bool arret = false;
    while (pos + 4 <= flux.size()) {
        const size_t taille = lire16(flux, pos + 2);
        arret = taille > kEnregistrementMax || (finParZero && taille == 0 && lire16(flux, pos) == 0);
        if (arret || pos + 4 + taille > flux.size()) break;
        pos += 4 + taille;
    }
    if (termine) *termine = arret;
    return pos;
}

// The streams of a compound file, read as the format lays them out; every sector number and
// chain is checked against the file, never followed out of it. What is damaged is refused,
// unless it lies where the library does not read.
class Conteneur {
public:
    // nullptr, or why the file is not a workbook.
    const char* ouvrir(const char* chemin) {
        FILE* f = std::fopen(chemin, "rb");
        if (!f) return "fichier introuvable";
        char bloc[65536];
        size_t n;
        while ((n = std::fread(bloc, 1, sizeof bloc, f)) > 0 && long(octets_.size()) <= kTailleFichierMax)
            octets_.append(bloc, n);
        std::fclose(f);
        if (long(octets_.size()) > kTailleFichierMax) return "classeur trop volumineux";
        static const unsigned char kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
        if (octets_.size() < 512 || std::memcmp(octets_.data(), kSignature, 8) != 0) return "format non reconnu";
        const uint16_t decalage = lire16(octets_, 30);
        if ((decalage != 9 && decalage != 12) || lire16(octets_, 32) != 6) return "format non reconnu";
        taille_ = size_t(1) << decalage;
        if (octets_.size() < taille_) return "fichier endommagé";
        nbSecteurs_ = (octets_.size() - taille_) / taille_;

        // The FAT's own sectors: 109 in the header, the rest in a chain of DIFAT sectors. Past
        // those that cover the file's sectors, they describe none a chain can reach.
        const size_t parSecteur = taille_ / 4;
        const size_t utiles = (nbSecteurs_ + parSecteur - 1) / parSecteur;
        std::vector<uint32_t> secteursFat;
        for (size_t i = 0; i < 109; ++i) {
            const uint32_t s = lire32(octets_, 76 + 4 * i);
            if (s != kSecteurLibre) secteursFat.push_back(s);
        }
        // As the library, the walk ends at a sector outside the file, keeping what it has read.
        // Each DIFAT sector comes once in a sound file: a walk longer than the file has sectors
        // loops.
        uint32_t difat = lire32(octets_, 68);
        bool fin = false;
        for (uint32_t k = lire32(octets_, 72), pas = 0;
             k > 0 && !fin && difat < nbSecteurs_ && secteursFat.size() < utiles; --k, ++pas) {
            if (pas >= nbSecteurs_) return "fichier endommagé";
            const size_t debut = taille_ * (size_t(difat) + 1);
            for (size_t i = 0; i + 1 < parSecteur && !fin; ++i) {
                const uint32_t s = lire32(octets_, debut + 4 * i);
                fin = s != kSecteurLibre && s >= nbSecteurs_;
                if (s != kSecteurLibre && !fin) secteursFat.push_back(s);
            }
            difat = lire32(octets_, debut + taille_ - 4);
        }
        if (secteursFat.size() > utiles) secteursFat.resize(utiles);
        if (secteursFat.empty()) return "fichier endommagé";
        // A FAT sector outside the file holds nothing: a chain that goes through it is broken.
        for (const uint32_t s : secteursFat)
            for (size_t i = 0; i < parSecteur; ++i)
                fat_.push_back(s < nbSecteurs_ ? lire32(octets_, taille_ * (size_t(s) + 1) + 4 * i) : kSecteurLibre);
        return nullptr;
    }

    // The stream of the first entry named Workbook or Book, whatever type the entry claims (the
    // library looks at names only); nullptr, or why it cannot be had. A stream under the cut-off
    // belongs in the mini stream, a larger one in regular sectors. Where it is not found there,
    // it is read where the library looks for it: a file that declares no mini stream keeps it in
    // regular sectors; in one that does, the library reads a stream up to the cut-off included
    // from the start of the mini stream.
    const char* classeur(std::string& flux) {
        // The library reads the directory's first sector alone: a chain broken after it keeps it.
        std::string repertoire;
        const bool entier = chaine(lire32(octets_, 48), fat_, taille_, nullptr, repertoire);
        if (repertoire.size() < 128) return "fichier endommagé";
        for (size_t e = 0; e + 128 <= repertoire.size(); e += 128) {
            if (!(nomme(repertoire, e, "Workbook") || nomme(repertoire, e, "Book"))) continue;
            const uint32_t debut = lire32(repertoire, e + 116);
            const size_t taille = lire32(repertoire, e + 120);
            const uint32_t coupure = lire32(octets_, 56);
            const bool miniBibliotheque = lire32(octets_, 64) > 0 && taille <= coupure;
            // In regular sectors an empty record of type 0 ends the library's reading.
            finParZero_ = !miniBibliotheque;
            bool lu = taille < coupure ? depuisMiniFlux(repertoire, debut, taille, flux)
                                       : depuisSecteurs(debut, taille, flux);
            if (!lu) lu = miniBibliotheque ? miniFlux(repertoire, flux) : depuisSecteurs(debut, taille, flux);
            if (!lu) return "fichier endommagé";
            flux.resize(std::min(flux.size(), taille));
            return nullptr;
        }
        return entier ? "format non reconnu" : "fichier endommagé";
    }

    // Whether an empty record of type 0 ends the workbook stream for the library.
    bool finParZero() const { return finParZero_; }

private:
    static bool nomme(const std::string& repertoire, size_t e, const char* nom) {
        const size_t n = std::strlen(nom);
        if (lire16(repertoire, e + 64) != 2 * (n + 1)) return false;
        for (size_t i = 0; i < n; ++i)
            if (lire16(repertoire, e + 2 * i) != uint16_t(uint8_t(nom[i]))) return false;
        return true;
    }

    // The stream of taille bytes from sector debut of the file; false when the file does not
    // hold it. The library follows the chain only as far as the records it reads go: a chain
    // that ends early, breaks or loops after them is read up to there.
    bool depuisSecteurs(uint32_t debut, size_t taille, std::string& flux) const {
        if (chaine(debut, fat_, taille_, nullptr, flux) || flux.size() >= taille) return !flux.empty();
        bool termine = false;
        finLue(flux, finParZero_, &termine);
        return termine;
    }

    // The mini stream, which the directory's root entry holds.
    bool miniFlux(const std::string& repertoire, std::string& mini) const {
        if (!chaine(lire32(repertoire, 116), fat_, taille_, nullptr, mini)) return false;
        mini.resize(std::min<size_t>(mini.size(), lire32(repertoire, 120)));
        return true;
    }

    // The stream of taille bytes from sector debut of the mini stream, in 64-byte sectors with
    // their own allocation table; false when the mini stream does not hold it whole.
    bool depuisMiniFlux(const std::string& repertoire, uint32_t debut, size_t taille, std::string& flux) const {
        std::string miniFat, mini;
        if (!chaine(lire32(octets_, 60), fat_, taille_, nullptr, miniFat) || !miniFlux(repertoire, mini)) return false;
        std::vector<uint32_t> table(miniFat.size() / 4);
        for (size_t i = 0; i < table.size(); ++i) table[i] = lire32(miniFat, 4 * i);
        return chaine(debut, table, 64, &mini, flux) && flux.size() >= taille;
    }

    // The sectors of a chain put end to end, taken from the file or from the mini stream; false
    // on a sector outside its store or a chain longer than its store (one that loops), the
    // sectors before it kept.
    bool chaine(uint32_t s, const std::vector<uint32_t>& table, size_t taille, const std::string* mini,
                std::string& sortie) const {
        sortie.clear();
        const size_t disponibles = mini ? mini->size() / taille : nbSecteurs_;
        for (size_t pas = 0; s != kFinChaine; ++pas) {
            if (s >= table.size() || s >= disponibles || pas >= disponibles) return false;
            if (mini)
                sortie.append(*mini, size_t(s) * taille, taille);
            else
                sortie.append(octets_, taille * (size_t(s) + 1), taille);
            s = table[s];
        }
        return true;
    }

    std::string octets_;
    size_t taille_ = 512;
    size_t nbSecteurs_ = 0;
    std::vector<uint32_t> fat_;
    bool finParZero_ = true;
};

// What the sheets hold, read off their records.
constexpr uint16_t kBof = 0x0809;
constexpr uint16_t kEof = 0x000A;
constexpr uint16_t kFeuilleDeclaree = 0x0085;
constexpr uint16_t kDimension = 0x0200;
constexpr uint16_t kCelluleVide = 0x0201;  // a blank cell: the library passes over it
constexpr uint16_t kCelluleTexte = 0x0204;
constexpr uint16_t kCelluleLogique = 0x0205;
constexpr uint16_t kCelluleTexteCommun = 0x00FD;
constexpr uint16_t kCellules[] = {0x0203, kCelluleTexte, kCelluleLogique, 0x027E, kCelluleTexteCommun};
constexpr uint16_t kCellulesMultiples = 0x00BD;

// How many cells a cell record fills: a run of numbers as many as the library finds six-byte
// entries for (none, maybe), any other one.
uint32_t etendue(const std::string& flux, size_t pos) {
    if (lire16(flux, pos) != kCellulesMultiples) return 1;
    uint32_t n = 0;
    for (size_t off = 4; off + 6 < lire16(flux, pos + 2); off += 6) ++n;
    return n;
}

// The sheet read when it declares no size. The library sizes it from its cells, the farthest row
// by the farthest first column, and refuses the workbook when a run of numbers overflows that
// width: one cell far away costs the whole rectangle. So every cell outside the columns asked
// moves to the first row, into one column past those read and past the runs kept (which must
// still fit): the library still reads it there, a text it cannot read still makes it refuse the
// workbook, and the sheet gets the size of what the columns asked hold. Numbers and truth values
// moved become a truth value, which can neither fail nor cost anything; a run that overflows
// moves there as it is, and overflows there as it did.
void placerSansTaille(std::string& flux, const std::vector<size_t>& cellules, unsigned colonnes) {
    uint32_t derniere = 0;
    for (const size_t pos : cellules) derniere = std::max<uint32_t>(derniere, lire16(flux, pos + 6));
    // A cell in the format's last column wraps the library's width to nothing: it allocates
    // nothing and refuses the workbook at the sheet's first cell, wherever the cells are.
    const uint32_t largeur = (derniere + 1) & 0xFFFF;
    if (largeur == 0) return;
    const auto deborde = [&](size_t pos) { return lire16(flux, pos + 6) + etendue(flux, pos) > largeur; };
    uint32_t ailleurs = colonnes;
    for (const size_t pos : cellules)
        if (lire16(flux, pos + 6) < colonnes && !deborde(pos))
            ailleurs = std::max(ailleurs, lire16(flux, pos + 6) + std::max<uint32_t>(etendue(flux, pos), 1) - 1);
    for (const size_t pos : cellules) {
        const uint16_t type = lire16(flux, pos);
        const bool debordante = deborde(pos);
        if (!debordante && lire16(flux, pos + 6) < colonnes) continue;
        if (!debordante && type != kCelluleTexte && type != kCelluleTexteCommun) poser16(flux, pos, kCelluleLogique);
        poser16(flux, pos + 4, 0);
        poser16(flux, pos + 6, uint16_t(ailleurs));
    }
}

// The program takes no more sheets than this, and the library's cost grows with the square of
// their number: past it the library never sees the file.
constexpr size_t kFeuillesMax = 1024;

enum class Bornage { Fait, FeuilleRefusee, ClasseurRefuse, TropDeFeuilles };

// Gives every sheet of the stream the size its records fill: the sheet at index feuille (none
// when negative: the workbook test) on its first colonnes columns, the others nothing; the cell
// records the library is not to read become blank cells. The library drops the cells that come
// before a sheet's size, so they count for nothing; and the size given never exceeds the one
// declared (a cell outside it makes the library refuse the workbook, with the copy as without
// it). The sheet read that declares no size keeps its cells, placed so that the library sizes it
// by the columns asked (placerSansTaille). The sheet read is refused when it declares its size
// twice (the library would allocate it twice); a declaration too short to hold a size, or a
// cell record after it too short to hold its place, in the sheet read makes the workbook
// refused (the library would read whatever its previous record left); elsewhere such records
// become blank cells.
Bornage bornerFeuilles(std::string& flux, long feuille, unsigned colonnes) {
    if (flux.size() < 8 || lire16(flux, 0) != kBof) return Bornage::Fait;
    const uint16_t version = lire16(flux, 4);
    if (version != 0x0500 && version != 0x0600) return Bornage::Fait;  // the library refuses it
    const bool biff8 = version == 0x0600;

    struct SousFlux {
        size_t bof = 0;
        std::vector<size_t> dimensions, cellules;
        std::vector<size_t> courts;  // sizes and cells too short to hold their fields
    };
    std::vector<SousFlux> sousFlux(1);
    std::vector<uint32_t> feuilles;  // where each declared sheet starts, in the library's order
    size_t declarations = 0;         // every sheet entry, which the library takes even when short
    bool apresEof = false;
    for (size_t pos = 0; pos + 4 <= flux.size();) {
        const uint16_t type = lire16(flux, pos);
        const size_t taille = lire16(flux, pos + 2);
        if (pos + 4 + taille > flux.size()) break;
        if (apresEof) {
            // The library wants a new substream here and refuses anything else.
            if (type != kBof) break;
            sousFlux.push_back(SousFlux{pos, {}, {}, {}});
            apresEof = false;
        }
        if (type == kEof) apresEof = true;
        if (type == kFeuilleDeclaree && ++declarations > kFeuillesMax) return Bornage::TropDeFeuilles;
        if (type == kFeuilleDeclaree && taille >= 4) feuilles.push_back(lire32(flux, pos + 4));
        // Texts from the shared table are cells from the eighth version on only.
        const bool cellule = (std::find(std::begin(kCellules), std::end(kCellules), type) != std::end(kCellules) &&
                              (biff8 || type != kCelluleTexteCommun)) ||
                             type == kCellulesMultiples;
        if (type == kDimension && taille < (biff8 ? 12u : 8u))
            sousFlux.back().courts.push_back(pos);
        else if (type == kDimension)
            sousFlux.back().dimensions.push_back(pos);
        else if (cellule && taille < 4)
            sousFlux.back().courts.push_back(pos);
        else if (cellule)
            sousFlux.back().cellules.push_back(pos);
        pos += 4 + taille;
    }

    const bool avecFeuille = feuille >= 0 && size_t(feuille) < feuilles.size();
    Bornage resultat = Bornage::Fait;
    for (SousFlux& sf : sousFlux) {
        bool voulue = avecFeuille && sf.bof == feuilles[size_t(feuille)] && sf.bof > 0;
        for (const size_t pos : sf.courts) {
            // The library takes what its previous record left for the fields a record lacks: in
            // the sheet read, only a cell it drops (before the sheet's size) or sizes the sheet
            // from (a sheet without a size) may be that short.
            const bool apres = !sf.dimensions.empty() && pos > sf.dimensions.front();
            if (voulue && (lire16(flux, pos) == kDimension || apres)) return Bornage::ClasseurRefuse;
            if (!voulue || !sf.dimensions.empty()) poser16(flux, pos, kCelluleVide);
        }
        if (voulue && sf.dimensions.empty()) {
            // Such a short cell takes its place from the record before it, which moving cells
            // would change: its sheet is left as it is.
            if (sf.courts.empty()) placerSansTaille(flux, sf.cellules, colonnes);
            continue;
        }
        if (voulue && sf.dimensions.size() > 1) {
            resultat = Bornage::FeuilleRefusee;
            voulue = false;
        }
        uint32_t lignes = 0, largeur = 0;
        for (const size_t pos : sf.cellules) {
            const uint16_t ligne = lire16(flux, pos + 4), colonne = lire16(flux, pos + 6);
            const uint32_t n = etendue(flux, pos);
            if (!voulue || pos < sf.dimensions.front() || colonne >= colonnes || n == 0) {
                poser16(flux, pos, kCelluleVide);
                continue;
            }
            lignes = std::max<uint32_t>(lignes, uint32_t(ligne) + 1);
            largeur = std::max<uint32_t>(largeur, colonne + n);
        }
        if (!voulue) lignes = largeur = 0;
        for (const size_t pos : sf.dimensions) {
            const size_t posLignes = pos + (biff8 ? 8 : 6), posColonnes = pos + (biff8 ? 14 : 10);
            lignes = std::min<uint32_t>(lignes, biff8 ? lire32(flux, posLignes) : lire16(flux, posLignes));
            largeur = std::min<uint32_t>(largeur, lire16(flux, posColonnes));
            if (biff8)
                poser32(flux, posLignes, lignes);
            else
                poser16(flux, posLignes, uint16_t(lignes));
            poser16(flux, posColonnes, uint16_t(largeur));
        }
    }
    return resultat;
}

// The stream alone in a compound file of our own, in 4096-byte sectors: the header, the FAT,
// one directory sector (the root and the Workbook stream), then the stream. A stream under the
// cut-off goes where the format puts it, so that every reader looks for it where it is: in the
// 64-byte sectors of a mini stream, one sector that the root entry holds, after one sector of
// their allocation table.
bool ecrireConteneur(const std::string& flux, std::string& sortie) {
    constexpr size_t kTaille = 4096, kTailleMini = 64;
    constexpr size_t kEntreesParSecteur = kTaille / 4;
    const bool petit = flux.size() < kTaille;
    const size_t n = petit ? 2 : (flux.size() + kTaille - 1) / kTaille;
    size_t nbFat = 1;
    while (n + 1 + nbFat > nbFat * kEntreesParSecteur) ++nbFat;
    if (flux.empty() || nbFat > 109) return false;
    const uint32_t repertoire = uint32_t(nbFat), debutFlux = repertoire + 1;

    sortie.assign(kTaille * (1 + nbFat + 1 + n), '\0');
    static const unsigned char kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    std::memcpy(&sortie[0], kSignature, 8);
    poser16(sortie, 24, 0x003E);
    poser16(sortie, 26, 4);
    poser16(sortie, 28, 0xFFFE);
    poser16(sortie, 30, 12);
    poser16(sortie, 32, 6);
    poser32(sortie, 40, 1);
    poser32(sortie, 44, uint32_t(nbFat));
    poser32(sortie, 48, repertoire);
    poser32(sortie, 56, uint32_t(kTaille));
    poser32(sortie, 60, petit ? debutFlux : kFinChaine);
    poser32(sortie, 64, petit ? 1 : 0);
    poser32(sortie, 68, kFinChaine);
    for (size_t i = 0; i < 109; ++i) poser32(sortie, 76 + 4 * i, i < nbFat ? uint32_t(i) : kSecteurLibre);

    // The allocation table: its own sectors, the directory, then the stream's chain, or one
    // sector each for the mini stream's table and the mini stream.
    const auto chainer = [](std::vector<uint32_t>& table, size_t debut, size_t longueur) {
        for (size_t i = debut; i < debut + longueur; ++i)
            table[i] = i + 1 < debut + longueur ? uint32_t(i + 1) : kFinChaine;
    };
    const auto poserTable = [&](size_t o, const std::vector<uint32_t>& table) {
        for (size_t i = 0; i < table.size(); ++i) poser32(sortie, o + 4 * i, table[i]);
    };
    std::vector<uint32_t> fat(nbFat * kEntreesParSecteur, kSecteurLibre);
    std::fill_n(fat.begin(), nbFat, kSecteurFat);
    fat[repertoire] = kFinChaine;
    chainer(fat, debutFlux, petit ? 1 : n);
    const size_t nbMini = (flux.size() + kTailleMini - 1) / kTailleMini;
    if (petit) {
        chainer(fat, debutFlux + 1, 1);
        std::vector<uint32_t> miniFat(kEntreesParSecteur, kSecteurLibre);
        chainer(miniFat, 0, nbMini);
        poserTable(kTaille * (1 + size_t(debutFlux)), miniFat);
    }
    poserTable(kTaille, fat);

    const size_t rep = kTaille * (1 + size_t(repertoire));
    for (size_t e = 0; e < kTaille / 128; ++e)
        for (size_t champ : {68u, 72u, 76u}) poser32(sortie, rep + 128 * e + champ, kSecteurLibre);
    const auto entree = [&](size_t e, const char* nom, char type, uint32_t enfant, uint32_t debut, uint32_t taille) {
        const size_t o = rep + 128 * e;
        const size_t l = std::strlen(nom);
        for (size_t i = 0; i < l; ++i) poser16(sortie, o + 2 * i, uint8_t(nom[i]));
        poser16(sortie, o + 64, uint16_t(2 * (l + 1)));
        sortie[o + 66] = type;
        sortie[o + 67] = 1;
        poser32(sortie, o + 76, enfant);
        poser32(sortie, o + 116, debut);
        poser32(sortie, o + 120, taille);
    };
    entree(0, "Root Entry", 5, 1, petit ? debutFlux + 1 : kFinChaine, uint32_t(petit ? nbMini * kTailleMini : 0));
    entree(1, "Workbook", 2, kSecteurLibre, petit ? 0 : debutFlux, uint32_t(flux.size()));
    std::memcpy(&sortie[kTaille * (1 + size_t(debutFlux) + (petit ? 1 : 0))], flux.data(), flux.size());
    return true;
}

bool ecrireTout(int fd, const std::string& octets) {
    size_t ecrit = 0;
    while (ecrit < octets.size()) {
        const ssize_t n = ::write(fd, octets.data() + ecrit, octets.size() - ecrit);
        if (n <= 0) return false;
        ecrit += size_t(n);
    }
    return true;
}

// The stream in a file in memory, and the path the library opens it by; -1 when it cannot be
// made. conteneur keeps the file's bytes.
int copiePrivee(const std::string& flux, std::string& conteneur, char (&chemin)[64]) {
    if (!ecrireConteneur(flux, conteneur)) return -1;
    const int fd = memfd_create("kirvo_xls", MFD_CLOEXEC);
    if (fd < 0) return -1;
    if (!ecrireTout(fd, conteneur)) {
        ::close(fd);
        return -1;
    }
    std::snprintf(chemin, sizeof chemin, "/proc/self/fd/%d", fd);
    return fd;
}

// ---- the output -------------------------------------------------------------------------------

int terminer() {
    ecrire("FIN\n");
    const size_t n = std::fwrite(sortie.data(), 1, sortie.size(), stdout);
    return (n == sortie.size() && std::fflush(stdout) == 0) ? 0 : 1;
}

// The sheet's rows, trailing rows with nothing in the columns read left out: a declared size is
// only an upper bound of what the sheet holds.
void lireFeuille(const void* h, unsigned index, unsigned colonnesVoulues) {
    int rc = freexl_select_active_worksheet(h, static_cast<unsigned short>(index));
    unsigned int nbLignes = 0;
    unsigned short nbColonnes = 0;
    if (rc == FREEXL_OK) rc = freexl_worksheet_dimensions(h, &nbLignes, &nbColonnes);
    if (rc != FREEXL_OK) return ligne("ERREUR-FEUILLE", raison(rc));
    const unsigned lignes = nbLignes < kLignesMax ? nbLignes : kLignesMax;
    unsigned colonnes = nbColonnes < kColonnesMax ? nbColonnes : kColonnesMax;
    if (colonnesVoulues < colonnes) colonnes = colonnesVoulues;

    std::string corps;
    unsigned lues = 0;
    size_t finUtile = 0;
    sortie.swap(corps);
    for (unsigned r = 0; r < lignes; ++r) {
        ecrire("L");
        bool utile = false;
        for (unsigned c = 0; c < colonnes; ++c) {
            FreeXL_CellValue v{};
            rc = freexl_get_cell_value(h, r, static_cast<unsigned short>(c), &v);
            if (rc != FREEXL_OK) {
                sortie.swap(corps);
                return ligne("ERREUR-FEUILLE", raison(rc));
            }
            sortie += '\t';
            const size_t avant = sortie.size();
            ecrireCellule(v);
            utile = utile || sortie.size() > avant;
        }
        sortie += '\n';
        if (utile) {
            lues = r + 1;
            finUtile = sortie.size();
        }
    }
    sortie.resize(finUtile);
    sortie.swap(corps);
    char texte[64];
    std::snprintf(texte, sizeof texte, "DIMENSIONS\t%u\t%u\n", lues, colonnes);
    ecrire(texte);
    sortie += corps;
}

bool entier(const char* texte, long min, long max, long& valeur) {
    char* fin = nullptr;
    errno = 0;
    valeur = std::strtol(texte, &fin, 10);
    return errno == 0 && fin != texte && *fin == '\0' && valeur >= min && valeur <= max;
}

}  // namespace

int main(int argc, char** argv) {
    long feuille = -1, colonnes = 0;
    if (argc != 2 && argc != 4 && argc != 5) return 2;
    if (argc >= 4 && (!entier(argv[2], 0, 65535, feuille) || !entier(argv[3], 0, kColonnesMax, colonnes))) return 2;
    ecrire("KIRVO-XLS 1\n");

    Conteneur conteneur;
    std::string brut;
    const char* refus = conteneur.ouvrir(argv[1]);
    if (!refus) refus = conteneur.classeur(brut);
    if (refus) {
        ligne("PAS-UN-CLASSEUR", refus);
        return terminer();
    }
    brut.resize(finLue(brut, conteneur.finParZero()));

    // The test sizes no sheet at all.
    std::string flux = brut, copie;
    const Bornage test = bornerFeuilles(flux, -1, 0);
    if (test == Bornage::TropDeFeuilles) {
        // The same words as the program's when it counts them.
        char texte[64];
        std::snprintf(texte, sizeof texte, "trop de feuilles (plus de %zu)", kFeuillesMax);
        ligne("CLASSEUR");
        if (feuille >= 0) ligne("ERREUR-CLASSEUR", texte);
        return terminer();
    }
    char chemin[64];
    int fd = test == Bornage::ClasseurRefuse ? -1 : copiePrivee(flux, copie, chemin);
    const void* h = nullptr;
    int rc = fd < 0 ? FREEXL_CRAFTED_FILE : freexl_open_info(chemin, &h);
    unsigned int nb = 0;
    if (rc == FREEXL_OK) rc = freexl_get_info(h, FREEXL_BIFF_SHEET_COUNT, &nb);
    if (h) freexl_close(h);
    if (fd >= 0) ::close(fd);
    if (rc != FREEXL_OK || nb == 0) {
        ligne("PAS-UN-CLASSEUR", rc != FREEXL_OK ? raison(rc) : "aucune feuille");
        return terminer();
    }
    ligne("CLASSEUR");
    if (feuille < 0) return terminer();

    flux.swap(brut);
    const Bornage lecture = bornerFeuilles(flux, feuille, static_cast<unsigned>(colonnes));
    h = nullptr;
    copie.clear();
    fd = lecture == Bornage::ClasseurRefuse ? -1 : copiePrivee(flux, copie, chemin);
    if (argc == 5 && !copie.empty()) {
        const int garde = ::open(argv[4], O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (garde < 0 || !ecrireTout(garde, copie) || ::close(garde) != 0) return 1;
    }
    rc = fd < 0 ? FREEXL_CRAFTED_FILE : freexl_open(chemin, &h);
    if (fd >= 0) ::close(fd);
    nb = 0;
    if (rc == FREEXL_OK) rc = freexl_get_info(h, FREEXL_BIFF_SHEET_COUNT, &nb);
    if (rc != FREEXL_OK || nb == 0) {
        if (h) freexl_close(h);
        ligne("ERREUR-CLASSEUR", rc != FREEXL_OK ? raison(rc) : "aucune feuille");
        return terminer();
    }
    for (unsigned i = 0; i < nb; ++i) {
        const char* nom = nullptr;
        if (freexl_get_worksheet_name(h, static_cast<unsigned short>(i), &nom) != FREEXL_OK || !nom) nom = "";
        ligne("FEUILLE", nom);
    }
    if (static_cast<unsigned long>(feuille) >= nb)
        ligne("ERREUR-FEUILLE", raison(FREEXL_BIFF_ILLEGAL_SHEET_INDEX));
    else if (lecture == Bornage::FeuilleRefusee)
        ligne("ERREUR-FEUILLE", raison(FREEXL_CRAFTED_FILE));
    else
        lireFeuille(h, static_cast<unsigned>(feuille), static_cast<unsigned>(colonnes));
    freexl_close(h);
    return terminer();
}
