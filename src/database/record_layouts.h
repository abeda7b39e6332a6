#pragma once
// Record layouts of the advertising files and the change journal, and the record buffers.
//
// Each catalogue file that has a layout has one global buffer (EnregClient for file 3, ...),
// shared by every base and station. A read replaces its content; the database layer never clears
// it, so a caller that builds a new record must start from Vider(buffer) rather than inherit the
// fields of the record last read. Before the first read every byte is 0.
//
// Layout types live in namespace Layout under the buffer's name (Layout::EnregClient is the type
// of EnregClient). Positions below are stored byte positions, from 1; key segments of the
// catalogue use the same positions.
#include "database/record_fields.h"

// File 1, salespeople: record 300, layout 300.
#define KV_ENREG_COMMERCIAL(T, TA, B, I16, I32, R32, G)  \
    T(Code, 1, 8) /* key 0; sent as CmlIdQD */           \
    T(Nom, 9, 30) /* key 1 is its first 10 characters */ \
    T(Prenom, 39, 30)                                    \
    T(UserId, 69, 30) /* user name on the web service */ \
    T(Champ05, 99, 5)                                    \
    T(UserPassword, 104, 30)                             \
    T(Email, 134, 50)                                    \
    T(Tel1, 184, 15)                                     \
    T(Tel2, 199, 15)                                     \
    T(Etat, 214, 1)                                      \
    B(IdWeb, 215, 4)                                     \
    T(FlagWeb, 219, 1)                                   \
    T(Champ13, 220, 81)
KV_LAYOUT(EnregCommercial, 1, KV_ENREG_COMMERCIAL, 300)

// File 2, business sectors: record 100, layout 100.
#define KV_ENREG_SECTEUR(T, TA, B, I16, I32, R32, G)          \
    T(Code, 1, 10)     /* key 0; sent as SecIdQD */           \
    T(Libelle, 11, 30) /* key 1 is its first 10 characters */ \
    T(Etat, 41, 1)                                            \
    B(IdWeb, 42, 4)                                           \
    T(FlagWeb, 46, 1)                                         \
    T(Champ06, 47, 54)
KV_LAYOUT(EnregSecteur, 2, KV_ENREG_SECTEUR, 100)

// File 3, clients: record 900, layout 904 (bytes 901-904 are never stored).
#define KV_ENREG_CLIENT(T, TA, B, I16, I32, R32, G)                                   \
    T(Code, 1, 8) /* key 0; sent as CltIdQD */                                        \
    T(Nom, 9, 30) /* key 1 is its first 10 characters */                              \
    T(Adresse, 39, 30)                                                                \
    T(AdresseSuite, 69, 30)                                                           \
    T(CodePostal, 99, 5)                                                              \
    T(Ville, 104, 30)                                                                 \
    T(Contact, 134, 30) /* first choice for CltContact; the web import writes here */ \
    T(Champ08, 164, 30)                                                               \
    T(Champ09, 194, 30)                                                               \
    T(Champ10, 224, 30)                                                               \
    T(Champ11, 254, 5)                                                                \
    T(Champ12, 259, 30)                                                               \
    T(Contact2, 289, 30) /* second choice for CltContact */                           \
    T(ContactTel1, 319, 15)                                                           \
    T(Champ15, 334, 15)                                                               \
    T(Contact3, 349, 30) /* third choice */                                           \
    T(Contact4, 379, 30) /* fourth choice, sent even when blank */                    \
    T(Champ18, 409, 5)                                                                \
    T(Champ19, 414, 5)                                                                \
    T(Champ20, 419, 11)                                                               \
    T(Champ21, 430, 2)                                                                \
    T(Champ22, 432, 10)                                                               \
    T(Champ23, 442, 8)                                                                \
    T(Champ24, 450, 6)                                                                \
    T(Champ25, 456, 8)                                                                \
    T(Champ26, 464, 1)                                                                \
    T(Champ27, 465, 2)                                                                \
    T(Champ28, 467, 8)                                                                \
    T(ContactEmail, 475, 50)                                                          \
    T(Champ30, 525, 2)                                                                \
    T(Champ31, 527, 150)                                                              \
    TA(Telephones, 677, 4, 15) /* [0] is sent as CltContactTel2 */                    \
    T(Champ33, 737, 1)                                                                \
    G(738, 3)                                                                         \
    I32(Champ34, 741)                                                                 \
    T(Etat, 745, 1)                                                                   \
    B(IdWeb, 746, 4)                                                                  \
    T(FlagWeb, 750, 1)                                                                \
    T(Champ38, 751, 153) /* 751-900 stored */                                         \
    G(904, 1)
KV_LAYOUT(EnregClient, 3, KV_ENREG_CLIENT, 904)

// File 4, products: record 100, layout 104 (bytes 101-104 are never stored).
#define KV_ENREG_PRODUIT(T, TA, B, I16, I32, R32, G)                                           \
    T(Code, 1, 10)     /* key 0; sent as PdtIdQD */                                            \
    T(Libelle, 11, 30) /* key 1 is its first 10 characters */                                  \
    T(Champ03, 41, 1)                                                                          \
    G(42, 1)                                                                                   \
    I16(Champ04, 43)                                                                           \
    T(Champ05, 45, 10)                                                                         \
    T(FlagCodeConcurrence, 55, 1) /* "1" when the four levels below hold a competition code */ \
    T(CCFamille, 56, 2)                                                                        \
    T(CCClasse, 58, 2)                                                                         \
    T(CCSecteur, 60, 2)                                                                        \
    T(CCVariete, 62, 2)                                                                        \
    T(Champ11, 64, 12)                                                                         \
    T(Champ12, 76, 1)                                                                          \
    T(Champ13, 77, 1)                                                                          \
    G(78, 3)                                                                                   \
    I32(Champ14, 81)                                                                           \
    T(Etat, 85, 1)                                                                             \
    B(IdWeb, 86, 4)                                                                            \
    T(FlagWeb, 90, 1)                                                                          \
    T(Champ18, 91, 14) /* 91-100 stored */
KV_LAYOUT(EnregProduit, 4, KV_ENREG_PRODUIT, 104)

// File 5, contract and canvas headers, one file per station: record 150, layout 148 (stored
// bytes 149-150 belong to no field).
#define KV_ENREG_ENTETE_CONTRAT(T, TA, B, I16, I32, R32, G)              \
    T(TypeContrat, 1, 2) /* " C" for a canvas; key 0 is bytes 1-16 */    \
    T(Champ02, 3, 8)                                                     \
    T(Code, 11, 6) /* key 2; carried by the spot headers and passages */ \
    T(Champ04, 17, 10)                                                   \
    T(Champ05, 27, 8)                                                    \
    T(Champ06, 35, 5)                                                    \
    T(Nom, 40, 40) /* label (canvas name) */                             \
    T(Champ08, 80, 8)                                                    \
    T(Champ09, 88, 1)                                                    \
    I16(Champ10, 89)                                                     \
    I16(Champ11, 91)                                                     \
    T(Champ12, 93, 1)                                                    \
    T(Champ13, 94, 5)                                                    \
    T(Champ14, 99, 8)                                                    \
    T(Champ15, 107, 2)                                                   \
    T(Champ16, 109, 2)                                                   \
    T(Champ17, 111, 1)                                                   \
    T(Champ18, 112, 1)                                                   \
    T(National, 113, 1) /* "O" for a national header */                  \
    G(114, 3)                                                            \
    I32(Champ20, 117)                                                    \
    T(Champ21, 121, 8)                                                   \
    T(Champ22, 129, 1)                                                   \
    T(Champ23, 130, 1)                                                   \
    T(Champ24, 131, 1)                                                   \
    G(132, 1)                                                            \
    I32(Champ25, 133)                                                    \
    T(Champ26, 137, 1)                                                   \
    T(Champ27, 138, 1)                                                   \
    T(Etat, 139, 1)                                                      \
    B(IdWeb, 140, 4)                                                     \
    T(Champ30, 144, 1)                                                   \
    T(Champ31, 145, 2)                                                   \
    G(147, 2)
KV_LAYOUT(EnregEnteteContrat, 5, KV_ENREG_ENTETE_CONTRAT, 148)

// File 6, spot headers (canvas templates), one file per station: record 400, layout 404.
#define KV_ENREG_ENTETE_SPOT(T, TA, B, I16, I32, R32, G)                               \
    T(Code, 1, 6)     /* code of the owning header; key 0 is Code and Sequence */      \
    T(Sequence, 7, 2) /* number of the spot within its header */                       \
    T(Libelle, 9, 40) /* key 1 is its first 10 characters */                           \
    T(Champ04, 49, 10)                                                                 \
    T(Champ05, 59, 30)                                                                 \
    I16(Champ06, 89)                                                                   \
    I16(Champ07, 91)                                                                   \
    T(Champ08, 93, 1)                                                                  \
    G(94, 1)                                                                           \
    I16(Champ09, 95)                                                                   \
    T(Champ10, 97, 200)                                                                \
    I16(Champ11, 297)                                                                  \
    I16(Champ12, 299)                                                                  \
    T(Champ13, 301, 8)                                                                 \
    I16(Champ14, 309)                                                                  \
    I16(Champ15, 311)                                                                  \
    T(Champ16, 313, 1)                                                                 \
    T(Champ17, 314, 1)                                                                 \
    T(Champ18, 315, 10)                                                                \
    I32(Champ19, 325)                                                                  \
    T(Champ20, 329, 1)                                                                 \
    T(Champ21, 330, 1)                                                                 \
    I16(Champ22, 331)                                                                  \
    T(Champ23, 333, 1)                                                                 \
    G(334, 3)                                                                          \
    I32(Champ24, 337)                                                                  \
    I32(Champ25, 341)                                                                  \
    T(Champ26, 345, 20)                                                                \
    T(Champ27, 365, 1)                                                                 \
    T(Champ28, 366, 2)                                                                 \
    T(Champ29, 368, 1)                                                                 \
    I32(Champ30, 369)                                                                  \
    T(Etat, 373, 1)                                                                    \
    B(IdWeb, 374, 4)                                                                   \
    T(FlagWeb, 378, 1)                                                                 \
    T(FlagContenu, 379, 1) /* "O": the passages are to be sent again; "N" once sent */ \
    T(Champ35, 380, 25)    /* 380-400 stored */
KV_LAYOUT(EnregEnteteSpot, 6, KV_ENREG_ENTETE_SPOT, 404)

// File 7, scheduled passages of the spots, one file per station: record 100, layout 108.
// Key 0 is bytes 1-21 (Code, Sequence, Date, Niveau, Heure, Minute); key 1 bytes 9-21.
#define KV_ENREG_DATE_PASSAGE(T, TA, B, I16, I32, R32, G)                       \
    T(Code, 1, 6)     /* code of the owning header */                           \
    T(Sequence, 7, 2) /* Code and Sequence are the spot code of file 6 */       \
    T(Date, 9, 8)     /* YYYYMMDD */                                            \
    T(Niveau, 17, 1)  /* placement level "1" to "5" */                          \
    T(Heure, 18, 2)                                                             \
    T(Minute, 20, 2)                                                            \
    T(Valeur21, 22, 2) /* two-digit values sent in the canvas passage detail */ \
    T(Valeur23, 24, 2)                                                          \
    T(Champ09, 26, 10)                                                          \
    T(Champ10, 36, 8)                                                           \
    T(Champ11, 44, 8)                                                           \
    T(Champ12, 52, 1)                                                           \
    T(Champ13, 53, 2)                                                           \
    T(Champ14, 55, 2)                                                           \
    I16(Valeur56, 57) /* sent in the canvas passage detail */                   \
    G(59, 2)                                                                    \
    R32(Duree, 61) /* duration in seconds, with decimals (single precision) */  \
    I16(Champ17, 65)                                                            \
    T(Champ18, 67, 8)                                                           \
    T(National, 75, 1) /* "O" or "Y" (either case) when national */             \
    T(Champ20, 76, 1)                                                           \
    T(Champ21, 77, 1)                                                           \
    G(78, 3)                                                                    \
    I32(Champ22, 81)                                                            \
    T(Champ23, 85, 21) /* 85-100 stored */                                      \
    G(106, 3)
KV_LAYOUT(EnregDatePassage, 7, KV_ENREG_DATE_PASSAGE, 108)

// File 8, the change journal: record 1000, layout 100 (stored bytes 101-1000 belong to no field).
// Key 0 is bytes 1-15 (Type, NoFichier, NoStation, Code); key 1 bytes 16-31.
#define KV_JOURNAL_SYNCHRO(T, TA, B, I16, I32, R32, G)             \
    T(Type, 1, 1)      /* "S", "P" or "M" */                       \
    T(NoFichier, 2, 2) /* "03" */                                  \
    T(NoStation, 4, 2) /* "01" */                                  \
    T(Code, 6, 10)                                                 \
    T(Date, 16, 8)     /* YYYYMMDD */                              \
    T(Heure, 24, 6)    /* HHMMSS */                                \
    T(Sequence, 30, 2) /* "01" to "99" */                          \
    T(Etat, 32, 1)                                                 \
    I32(IdWeb, 33) /* plain little-endian integer, not base-255 */ \
    T(Reserve, 37, 64)
KV_LAYOUT(JournalSynchro, 8, KV_JOURNAL_SYNCHRO, 100)

// File 26, items of the recorder table, one file per station: record 150, layout 152.
#define KV_ENREG_MAGNETOPHONE(T, TA, B, I16, I32, R32, G)                           \
    T(Code, 1, 8) /* item code; key 0 */                                            \
    T(Champ02, 9, 1)                                                                \
    T(Champ03, 10, 10)                                                              \
    T(Champ04, 20, 8)                                                               \
    T(Champ05, 28, 1)                                                               \
    T(Champ06, 29, 5)                                                               \
    T(Champ07, 34, 8)                                                               \
    T(Champ08, 42, 1)                                                               \
    T(Champ09, 43, 30)                                                              \
    T(Champ10, 73, 8)                                                               \
    T(Champ11, 81, 30)                                                              \
    T(Champ12, 111, 1)                                                              \
    T(Champ13, 112, 1)                                                              \
    T(Champ14, 113, 1)                                                              \
    G(114, 3)                                                                       \
    I32(Duree, 117) /* milliseconds */                                              \
    T(Champ16, 121, 1)                                                              \
    T(Champ17, 122, 3)                                                              \
    T(Champ18, 125, 10)                                                             \
    T(ReferenceContrat, 135, 15) /* its first 6 characters are the header's code */ \
    T(Champ20, 150, 1)                                                              \
    G(151, 2)
KV_LAYOUT(EnregMagnetophone, 26, KV_ENREG_MAGNETOPHONE, 152)

// File 27, advertising log, one file per station: record 50, layout 50.
#define KV_ENREG_CONDUCTEUR_PUB(T, TA, B, I16, I32, R32, G)         \
    T(Date, 1, 8) /* YYYYMMDD; key 0 is bytes 1-14 */               \
    T(Heure, 9, 2)                                                  \
    T(Minute, 11, 2)                                                \
    T(Champ04, 13, 2)                                               \
    T(CodeElement, 15, 8) /* item code (key 0 of file 26); key 1 */ \
    T(Champ06, 23, 6)                                               \
    T(Champ07, 29, 4)                                               \
    T(Champ08, 33, 1)                                               \
    T(Champ09, 34, 8)                                               \
    T(Champ10, 42, 1)                                               \
    T(Champ11, 43, 4)                                               \
    T(Champ12, 47, 4)
KV_LAYOUT(EnregConducteurPub, 27, KV_ENREG_CONDUCTEUR_PUB, 50)

#include "database/record_layouts_music.h"

extern Layout::EnregCommercial EnregCommercial;
extern Layout::EnregSecteur EnregSecteur;
extern Layout::EnregClient EnregClient;
extern Layout::EnregProduit EnregProduit;
extern Layout::EnregEnteteContrat EnregEnteteContrat;
extern Layout::EnregEnteteSpot EnregEnteteSpot;
extern Layout::EnregDatePassage EnregDatePassage;
extern Layout::JournalSynchro JournalSynchro;
extern Layout::EnregMagnetophone EnregMagnetophone;
extern Layout::EnregConducteurPub EnregConducteurPub;

// ---- The buffers by file number ------------------------------------------------------------

inline constexpr int NbTamponsEnreg = 39;

// The buffer of a file, nullptr for files without one (9 to 16, 18, 38, 39, 50, out of range).
const TamponEnreg* EnregFichier(int FileNo);

// Puts a record of the file's layout in the state of a new record: texts blank, numbers 0, web
// ids and plain images to codes 0, gaps 0.
void ViderEnreg(const TamponEnreg& t, void* donnees);
// The same on the file's global buffer.
void ViderEnreg(int FileNo);
template <class L>
void Vider(L& enreg) {
    ViderEnreg(*EnregFichier(L::kNoFichier), &enreg);
}

// The stored form of the file's buffer for the record manager: dataLen bytes, the layout's bytes
// first, codes 0 after the end of the layout.
void VersImageStockee(int FileNo, char* data, int dataLen);
// A read record back into the buffer: the first min(dataLen, layout length) bytes; the bytes of
// the layout beyond dataLen keep their content.
void DepuisImageStockee(int FileNo, const char* data, int dataLen);

// Tests: every buffer back to its start-of-run content (all bytes 0).
void ReinitialiserTampons();
