#pragma once
// Record layouts of the music and other files. Files 19 to 22 are laid out field by field (their
// codes and synchronisation fields are read); the layouts of the other files are held as plain
// images of their length, since nothing in this program reads or writes their fields.
// Included by record_layouts.h, which declares every buffer.
#include "database/record_fields.h"

// File 19, external television system: record 1000, layout 1004.
#define KV_ENREG_TELE_SYSTEME_TIERS(T, TA, B, I16, I32, R32, G) \
    T(Code, 1, 8)      /* key 0 */                              \
    T(Champ02, 9, 10)  /* key 1 */                              \
    T(Champ03, 19, 50) /* key 2 */                              \
    T(Champ04, 69, 15)                                          \
    T(Champ05, 84, 50)                                          \
    T(Champ06, 134, 50)                                         \
    T(Champ07, 184, 50)                                         \
    T(Champ08, 234, 10)                                         \
    G(244, 1)                                                   \
    I32(Champ09, 245)                                           \
    I32(Champ10, 249)                                           \
    I32(Champ11, 253)                                           \
    T(Champ12, 257, 1)                                          \
    T(Champ13, 258, 14)                                         \
    T(Champ14, 272, 5)                                          \
    T(Champ15, 277, 5)                                          \
    T(Champ16, 282, 1)                                          \
    T(Champ17, 283, 1)                                          \
    T(Champ18, 284, 8)                                          \
    TA(Champ19, 292, 15, 5)                                     \
    T(Champ20, 367, 10)                                         \
    T(Champ21, 377, 625) /* 377-1000 stored */                  \
    G(1002, 3)
KV_LAYOUT(EnregTeleSystemeTiers, 19, KV_ENREG_TELE_SYSTEME_TIERS, 1004)

// File 20, artists, one file per station: record 300, layout 300. Journalled.
#define KV_ENREG_ARTISTE(T, TA, B, I16, I32, R32, G)                                    \
    T(Code, 1, 5)      /* artist code; key 0 */                                         \
    T(Champ02, 6, 10)  /* key 1 */                                                      \
    T(Champ03, 16, 30) /* first 20 characters: key 2 and the second segment of key 3 */ \
    T(Champ04, 46, 1)  /* first segment of key 3 */                                     \
    T(Champ05, 47, 4)                                                                   \
    T(Champ06, 51, 8)                                                                   \
    T(Champ07, 59, 1)                                                                   \
    T(Champ08, 60, 2)                                                                   \
    T(Champ09, 62, 2)                                                                   \
    T(Champ10, 64, 2)                                                                   \
    T(Champ11, 66, 80)                                                                  \
    T(Champ12, 146, 1)                                                                  \
    T(Champ13, 147, 30)                                                                 \
    T(Champ14, 177, 2)                                                                  \
    T(Champ15, 179, 1)                                                                  \
    T(Champ16, 180, 1)                                                                  \
    T(Etat, 181, 1)                                                                     \
    B(IdWeb, 182, 4)                                                                    \
    T(Champ19, 186, 5)                                                                  \
    T(Champ20, 191, 1)                                                                  \
    G(192, 1)                                                                           \
    I16(Champ21, 193)                                                                   \
    T(Champ22, 195, 12)                                                                 \
    T(Champ23, 207, 20)                                                                 \
    T(Champ24, 227, 1)                                                                  \
    T(Champ25, 228, 5)                                                                  \
    T(Champ26, 233, 1)                                                                  \
    T(Champ27, 234, 2)                                                                  \
    T(Champ28, 236, 2)                                                                  \
    T(Champ29, 238, 2)                                                                  \
    TA(Champ30, 240, 5, 5)                                                              \
    T(Champ31, 265, 1)                                                                  \
    TA(Champ32, 266, 5, 1)                                                              \
    TA(Champ33, 271, 5, 1)                                                              \
    TA(Champ34, 276, 5, 5)
KV_LAYOUT(EnregArtiste, 20, KV_ENREG_ARTISTE, 300)

// File 21, voices, groups, sonorities and categories, one file per station: record 980, layout
// 980. Its code is the second field.
#define KV_ENREG_VOIX_GROUPE(T, TA, B, I16, I32, R32, G)                  \
    T(Champ01, 1, 5)   /* first part of key 0; first segment of key 1 */  \
    T(Code, 6, 5)      /* the code: second part of key 0 */               \
    T(Champ03, 11, 30) /* first 10 characters: second segment of key 1 */ \
    T(Champ04, 41, 940)
KV_LAYOUT(EnregVoixGroupe, 21, KV_ENREG_VOIX_GROUPE, 980)

// File 22, music items, one file per station: record 900, layout 900. Journalled.
#define KV_ENREG_MORCEAU(T, TA, B, I16, I32, R32, G)                         \
    T(Code, 1, 8)        /* item code; key 0 */                              \
    TA(Champ02, 9, 2, 5) /* [0] is key 1 */                                  \
    T(Champ03, 19, 5)    /* key 2 */                                         \
    T(Champ04, 24, 40)   /* first 20 characters: key 5 (case-insensitive) */ \
    T(Champ05, 64, 5)    /* key 3 */                                         \
    T(Champ06, 69, 5)    /* key 4 */                                         \
    T(Champ07, 74, 5)                                                        \
    T(Champ08, 79, 5)                                                        \
    T(Champ09, 84, 5)                                                        \
    T(Champ10, 89, 3)                                                        \
    T(Champ11, 92, 1)                                                        \
    TA(Champ12, 93, 3, 1)                                                    \
    T(Champ13, 96, 1)                                                        \
    T(Champ14, 97, 1)                                                        \
    TA(Champ15, 98, 3, 1)                                                    \
    T(Champ16, 101, 3)                                                       \
    T(Champ17, 104, 4)                                                       \
    T(Champ18, 108, 1)                                                       \
    T(Champ19, 109, 5)                                                       \
    TA(Champ20, 114, 15, 5)                                                  \
    T(Champ21, 189, 4)                                                       \
    T(Champ22, 193, 3)                                                       \
    T(Champ23, 196, 5)                                                       \
    T(Champ24, 201, 5)                                                       \
    T(Champ25, 206, 1)                                                       \
    T(Champ26, 207, 1)                                                       \
    T(Champ27, 208, 1)                                                       \
    T(Champ28, 209, 10)                                                      \
    T(Champ29, 219, 5)                                                       \
    T(Champ30, 224, 5)                                                       \
    T(Champ31, 229, 1)                                                       \
    T(Champ32, 230, 1)                                                       \
    T(Champ33, 231, 2)                                                       \
    T(Champ34, 233, 2)                                                       \
    T(Champ35, 235, 2)                                                       \
    T(Etat, 237, 1)                                                          \
    B(IdWeb, 238, 4)                                                         \
    T(Champ38, 242, 1)                                                       \
    T(Champ39, 243, 1)                                                       \
    T(Champ40, 244, 115)                                                     \
    TA(Champ41, 359, 53, 1)                                                  \
    T(Champ42, 412, 1)                                                       \
    T(Champ43, 413, 4)                                                       \
    TA(Champ44, 417, 2, 8)                                                   \
    T(Champ45, 433, 1)                                                       \
    T(Champ46, 434, 1)                                                       \
    T(Champ47, 435, 1)                                                       \
    T(Champ48, 436, 1)                                                       \
    T(Champ49, 437, 1)                                                       \
    T(Champ50, 438, 8)                                                       \
    T(Champ51, 446, 8)                                                       \
    T(Champ52, 454, 5)                                                       \
    T(Champ53, 459, 1)                                                       \
    T(Champ54, 460, 6)                                                       \
    T(Champ55, 466, 2)                                                       \
    T(Champ56, 468, 1)                                                       \
    T(Champ57, 469, 1)                                                       \
    T(Champ58, 470, 1)                                                       \
    T(Champ59, 471, 8)                                                       \
    TA(Champ60, 479, 10, 5)                                                  \
    T(Champ61, 529, 8)                                                       \
    T(Champ62, 537, 1)                                                       \
    T(Champ63, 538, 1)                                                       \
    T(Champ64, 539, 1)                                                       \
    T(Champ65, 540, 8)                                                       \
    T(Champ66, 548, 1)                                                       \
    T(Champ67, 549, 8)                                                       \
    T(Champ68, 557, 8)                                                       \
    T(Champ69, 565, 8)                                                       \
    T(Champ70, 573, 1)                                                       \
    T(Champ71, 574, 1)                                                       \
    T(Champ72, 575, 8)                                                       \
    T(Champ73, 583, 8)                                                       \
    T(Champ74, 591, 15)                                                      \
    T(Champ75, 606, 15)                                                      \
    T(Champ76, 621, 15)                                                      \
    T(Champ77, 636, 9)                                                       \
    T(Champ78, 645, 1)                                                       \
    TA(Champ79, 646, 5, 8)                                                   \
    T(Champ80, 686, 1)                                                       \
    T(Champ81, 687, 2)                                                       \
    T(Champ82, 689, 2)                                                       \
    T(Champ83, 691, 2)                                                       \
    T(Champ84, 693, 1)                                                       \
    TA(Champ85, 694, 10, 5)                                                  \
    TA(Champ86, 744, 10, 5)                                                  \
    T(Champ87, 794, 2)                                                       \
    T(Champ88, 796, 10)                                                      \
    T(Champ89, 806, 20)                                                      \
    T(Champ90, 826, 1)                                                       \
    T(Champ91, 827, 20)                                                      \
    T(Champ92, 847, 8)                                                       \
    I16(Champ93, 855)                                                        \
    T(Champ94, 857, 1)                                                       \
    T(Champ95, 858, 1)                                                       \
    I16(Champ96, 859)                                                        \
    T(Champ97, 861, 1)                                                       \
    TA(Champ98, 862, 3, 10)                                                  \
    T(Champ99, 892, 8)                                                       \
    T(Champ100, 900, 1)
KV_LAYOUT(EnregMorceau, 22, KV_ENREG_MORCEAU, 900)

// Plain images (record length in brackets where it differs from the layout).
KV_LAYOUT_IMAGE(EnregParametrage, 0, 1000)
KV_LAYOUT_IMAGE(EnregPlanification, 17, 1012)  // record 1000
KV_LAYOUT_IMAGE(EnregPileSujet, 23, 100)
KV_LAYOUT_IMAGE(EnregPileCategorie, 24, 100)
KV_LAYOUT_IMAGE(EnregPriorite, 25, 250)
KV_LAYOUT_IMAGE(EnregEvenementDiffuse, 28, 150)
KV_LAYOUT_IMAGE(EnregMorceauCles, 29, 100)
KV_LAYOUT_IMAGE(EnregSqueletteHorloge, 30, 250)
KV_LAYOUT_IMAGE(EnregPointeurs, 31, 50)
KV_LAYOUT_IMAGE(EnregMorceauInfos, 32, 250)
KV_LAYOUT_IMAGE(EnregHistoArtiste, 33, 100)
KV_LAYOUT_IMAGE(EnregHistoMorceau, 34, 200)
KV_LAYOUT_IMAGE(EnregHistoEvenement, 35, 408)  // record 400
KV_LAYOUT_IMAGE(EnregReferenceTitre, 36, 795)  // record 800
KV_LAYOUT_IMAGE(EnregInfoSon, 37, 508)         // record 500
KV_LAYOUT_IMAGE(EnregMorceauNonDiffuse, 40, 900)
KV_LAYOUT_IMAGE(EnregConvertEntete, 41, 900)
KV_LAYOUT_IMAGE(EnregConvertDetail, 42, 901)  // record 900
KV_LAYOUT_IMAGE(EnregPodcastEmission, 43, 4000)
KV_LAYOUT_IMAGE(EnregPodcastArticle, 44, 4008)      // record 4000
KV_LAYOUT_IMAGE(EnregPodcastImage, 45, 3996)        // record 4000
KV_LAYOUT_IMAGE(EnregEquivalence, 46, 500)          // record 512
KV_LAYOUT_IMAGE(EnregHistoDiffusionCode, 47, 4086)  // record 4082
KV_LAYOUT_IMAGE(EnregTableTitre, 48, 100)
KV_LAYOUT_IMAGE(EnregHistoDiffusionEcart, 49, 440)  // record 450

extern Layout::EnregTeleSystemeTiers EnregTeleSystemeTiers;
extern Layout::EnregArtiste EnregArtiste;
extern Layout::EnregVoixGroupe EnregVoixGroupe;
extern Layout::EnregMorceau EnregMorceau;
extern Layout::EnregParametrage EnregParametrage;
extern Layout::EnregPlanification EnregPlanification;
extern Layout::EnregPileSujet EnregPileSujet;
extern Layout::EnregPileCategorie EnregPileCategorie;
extern Layout::EnregPriorite EnregPriorite;
extern Layout::EnregEvenementDiffuse EnregEvenementDiffuse;
extern Layout::EnregMorceauCles EnregMorceauCles;
extern Layout::EnregSqueletteHorloge EnregSqueletteHorloge;
extern Layout::EnregPointeurs EnregPointeurs;
extern Layout::EnregMorceauInfos EnregMorceauInfos;
extern Layout::EnregHistoArtiste EnregHistoArtiste;
extern Layout::EnregHistoMorceau EnregHistoMorceau;
extern Layout::EnregHistoEvenement EnregHistoEvenement;
extern Layout::EnregReferenceTitre EnregReferenceTitre;
extern Layout::EnregInfoSon EnregInfoSon;
extern Layout::EnregMorceauNonDiffuse EnregMorceauNonDiffuse;
extern Layout::EnregConvertEntete EnregConvertEntete;
extern Layout::EnregConvertDetail EnregConvertDetail;
extern Layout::EnregPodcastEmission EnregPodcastEmission;
extern Layout::EnregPodcastArticle EnregPodcastArticle;
extern Layout::EnregPodcastImage EnregPodcastImage;
extern Layout::EnregEquivalence EnregEquivalence;
extern Layout::EnregHistoDiffusionCode EnregHistoDiffusionCode;
extern Layout::EnregTableTitre EnregTableTitre;
extern Layout::EnregHistoDiffusionEcart EnregHistoDiffusionEcart;
