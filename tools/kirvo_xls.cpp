// Reads an old binary workbook (.xls) and writes what it found to standard output, for the
// program, which runs it as a short-lived process: the library it uses does not survive every
// damaged file, and whatever happens here the program only sees a failed read.
//
//   kirvo_xls FILE                  the workbook test only
//   kirvo_xls FILE SHEET COLUMNS    the sheet list, then the first COLUMNS columns of sheet SHEET
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
#include <freexl.h>

#include <cerrno>
#include <cmath>
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
        case '\\': sortie += "\\\\"; break;
        case '\t': sortie += "\\t"; break;
        case '\n': sortie += "\\n"; break;
        case '\r': sortie += "\\r"; break;
        default: sortie += *s;
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
    case FREEXL_FILE_NOT_FOUND: return "fichier introuvable";
    case FREEXL_INSUFFICIENT_MEMORY: return "mémoire insuffisante";
    case FREEXL_BIFF_ILLEGAL_SHEET_INDEX: return "feuille inexistante";
    case FREEXL_CRAFTED_FILE: return "fichier endommagé";
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
    case FREEXL_CELL_DOUBLE: ecrireNombre(v.value.double_value); break;
    case FREEXL_CELL_TEXT:
    case FREEXL_CELL_SST_TEXT:
    case FREEXL_CELL_DATE:
    case FREEXL_CELL_DATETIME:
    case FREEXL_CELL_TIME:
        if (v.value.text_value) ecrireTexte(v.value.text_value);
        break;
    default: break;
    }
}

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
    if (argc != 2 && argc != 4) return 2;
    if (argc == 4 && (!entier(argv[2], 0, 65535, feuille) || !entier(argv[3], 0, kColonnesMax, colonnes))) return 2;
    ecrire("KIRVO-XLS 1\n");

    const void* h = nullptr;
    int rc = freexl_open_info(argv[1], &h);
    unsigned int nb = 0;
    if (rc == FREEXL_OK) rc = freexl_get_info(h, FREEXL_BIFF_SHEET_COUNT, &nb);
    if (h) freexl_close(h);
    if (rc != FREEXL_OK || nb == 0) {
        ligne("PAS-UN-CLASSEUR", rc != FREEXL_OK ? raison(rc) : "aucune feuille");
        return terminer();
    }
    ligne("CLASSEUR");
    if (feuille < 0) return terminer();

    h = nullptr;
    rc = freexl_open(argv[1], &h);
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
    else
        lireFeuille(h, static_cast<unsigned>(feuille), static_cast<unsigned>(colonnes));
    freexl_close(h);
    return terminer();
}
