#pragma once
// What every record layout is made of: fixed-length 8-bit texts (Windows-1252, no terminator)
// and little-endian integers at fixed byte positions, with explicit gap bytes where the old
// layouts aligned their numbers. Layouts are written once as a list of fields; the list gives
// the packed struct, the compile-time checks of every position and the table of fields that the
// maintenance utility and the buffer reset walk.
#include <QString>
#include <bit>
#include <cstddef>
#include <cstdint>

static_assert(sizeof(float) == 4);
static_assert(std::endian::native == std::endian::little,
              "record layouts hold their numbers in the machine's order, which must be little-endian");

// Field kinds. Octets is an 8-bit text whose empty value is bytes of code 0 (a web id, a record
// image), where a text's empty value is blanks.
enum class TypeChamp : uint8_t { Texte, Octets, Entier16, Entier32, Reel32 };

struct ChampEnreg {
    const char* Nom;
    int Offset;  // from 0
    int Taille;  // bytes of one element
    int Nombre;  // elements (1, or the size of an array of texts)
    TypeChamp Type;
};

// One record buffer and its layout.
struct TamponEnreg {
    int16_t NoFichier;
    const char* Nom;  // "EnregClient"
    void* Donnees;    // the global buffer
    int Taille;       // layout length (sizeof)
    const ChampEnreg* Champs;
    int NbChamps;
};

// ---- Text fields --------------------------------------------------------------------------

// The field as stored (blanks and codes 0 included).
QString LireTexte(const char* champ, int taille);
// Cut to the field's width or padded on the right with blanks.
void EcrireTexte(char* champ, int taille, const QString& valeur);

template <size_t N>
QString LireTexte(const char (&champ)[N]) {
    return LireTexte(champ, int(N));
}
template <size_t N>
void EcrireTexte(char (&champ)[N], const QString& valeur) {
    EcrireTexte(champ, int(N), valeur);
}

// ---- Layout lists -------------------------------------------------------------------------
// A layout list is a macro taking six macros:
//   T(nom, pos, n)        text n at byte pos (from 1)
//   TA(nom, pos, k, n)    k texts of n
//   B(nom, pos, n)        8-bit text whose empty value is codes 0 (IdWeb)
//   I16(nom, pos)         16-bit integer
//   I32(nom, pos)         32-bit integer
//   R32(nom, pos)         single-precision floating-point number
//   G(pos, n)             gap bytes, no field

#define KV_DECL_T(nom, pos, n) char nom[n];
#define KV_DECL_TA(nom, pos, k, n) char nom[k][n];
#define KV_DECL_B(nom, pos, n) char nom[n];
#define KV_DECL_I16(nom, pos) int16_t nom;
#define KV_DECL_I32(nom, pos) int32_t nom;
#define KV_DECL_R32(nom, pos) float nom;
#define KV_DECL_G(pos, n) char Trou##pos[n];

#define KV_CHK_T(nom, pos, n) static_assert(offsetof(S_, nom) == (pos)-1 && sizeof(S_::nom) == (n), #nom);
#define KV_CHK_TA(nom, pos, k, n) static_assert(offsetof(S_, nom) == (pos)-1 && sizeof(S_::nom) == (k) * (n), #nom);
#define KV_CHK_B(nom, pos, n) KV_CHK_T(nom, pos, n)
#define KV_CHK_I16(nom, pos) static_assert(offsetof(S_, nom) == (pos)-1 && ((pos)-1) % 2 == 0, #nom);
#define KV_CHK_I32(nom, pos) static_assert(offsetof(S_, nom) == (pos)-1 && ((pos)-1) % 4 == 0, #nom);
#define KV_CHK_R32(nom, pos) KV_CHK_I32(nom, pos)
#define KV_CHK_G(pos, n) static_assert(offsetof(S_, Trou##pos) == (pos)-1, "gap " #pos);

#define KV_DESC_T(nom, pos, n) {#nom, (pos)-1, (n), 1, TypeChamp::Texte},
#define KV_DESC_TA(nom, pos, k, n) {#nom, (pos)-1, (n), (k), TypeChamp::Texte},
#define KV_DESC_B(nom, pos, n) {#nom, (pos)-1, (n), 1, TypeChamp::Octets},
#define KV_DESC_I16(nom, pos) {#nom, (pos)-1, 2, 1, TypeChamp::Entier16},
#define KV_DESC_I32(nom, pos) {#nom, (pos)-1, 4, 1, TypeChamp::Entier32},
#define KV_DESC_R32(nom, pos) {#nom, (pos)-1, 4, 1, TypeChamp::Reel32},
#define KV_DESC_G(pos, n)

// Declares the packed struct Layout::Type for file no, checks every position and the length.
#define KV_LAYOUT(Type, no, LISTE, longueur)                                                      \
    namespace Layout {                                                                            \
    struct Type {                                                                                 \
        static constexpr int16_t kNoFichier = (no);                                               \
        LISTE(KV_DECL_T, KV_DECL_TA, KV_DECL_B, KV_DECL_I16, KV_DECL_I32, KV_DECL_R32, KV_DECL_G) \
    };                                                                                            \
    }                                                                                             \
    namespace LayoutCheck_##Type {                                                                \
        using S_ = Layout::Type;                                                                  \
        LISTE(KV_CHK_T, KV_CHK_TA, KV_CHK_B, KV_CHK_I16, KV_CHK_I32, KV_CHK_R32, KV_CHK_G)        \
        static_assert(sizeof(S_) == (longueur), "length of " #Type);                              \
    }

// A layout whose fields nothing reads or writes: held as a plain image of its length.
#define KV_LAYOUT_IMAGE(Type, no, longueur)         \
    namespace Layout {                              \
    struct Type {                                   \
        static constexpr int16_t kNoFichier = (no); \
        char Image[longueur];                       \
    };                                              \
    }                                               \
    static_assert(sizeof(Layout::Type) == (longueur), "length of " #Type);
