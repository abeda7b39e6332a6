#include "database/record_layouts.h"

#include "platform/cp1252.h"

#include <algorithm>
#include <array>
#include <cstring>

// The buffers: zero-initialised, as the program finds them before the first read.
Layout::EnregParametrage EnregParametrage;
Layout::EnregCommercial EnregCommercial;
Layout::EnregSecteur EnregSecteur;
Layout::EnregClient EnregClient;
Layout::EnregProduit EnregProduit;
Layout::EnregEnteteContrat EnregEnteteContrat;
Layout::EnregEnteteSpot EnregEnteteSpot;
Layout::EnregDatePassage EnregDatePassage;
Layout::JournalSynchro JournalSynchro;
Layout::EnregPlanification EnregPlanification;
Layout::EnregTeleSystemeTiers EnregTeleSystemeTiers;
Layout::EnregArtiste EnregArtiste;
Layout::EnregVoixGroupe EnregVoixGroupe;
Layout::EnregMorceau EnregMorceau;
Layout::EnregPileSujet EnregPileSujet;
Layout::EnregPileCategorie EnregPileCategorie;
Layout::EnregPriorite EnregPriorite;
Layout::EnregMagnetophone EnregMagnetophone;
Layout::EnregConducteurPub EnregConducteurPub;
Layout::EnregEvenementDiffuse EnregEvenementDiffuse;
Layout::EnregMorceauCles EnregMorceauCles;
Layout::EnregSqueletteHorloge EnregSqueletteHorloge;
Layout::EnregPointeurs EnregPointeurs;
Layout::EnregMorceauInfos EnregMorceauInfos;
Layout::EnregHistoArtiste EnregHistoArtiste;
Layout::EnregHistoMorceau EnregHistoMorceau;
Layout::EnregHistoEvenement EnregHistoEvenement;
Layout::EnregReferenceTitre EnregReferenceTitre;
Layout::EnregInfoSon EnregInfoSon;
Layout::EnregMorceauNonDiffuse EnregMorceauNonDiffuse;
Layout::EnregConvertEntete EnregConvertEntete;
Layout::EnregConvertDetail EnregConvertDetail;
Layout::EnregPodcastEmission EnregPodcastEmission;
Layout::EnregPodcastArticle EnregPodcastArticle;
Layout::EnregPodcastImage EnregPodcastImage;
Layout::EnregEquivalence EnregEquivalence;
Layout::EnregHistoDiffusionCode EnregHistoDiffusionCode;
Layout::EnregTableTitre EnregTableTitre;
Layout::EnregHistoDiffusionEcart EnregHistoDiffusionEcart;

QString LireTexte(const char* champ, int taille) { return FromCp1252(champ, taille); }

void EcrireTexte(char* champ, int taille, const QString& valeur) {
    const QByteArray b = ToCp1252(valeur.left(taille));
    const int n = std::min<int>(taille, int(b.size()));
    std::memcpy(champ, b.constData(), size_t(n));
    std::memset(champ + n, ' ', size_t(taille - n));
}

namespace {

#define KV_CHAMPS(LISTE) \
    { LISTE(KV_DESC_T, KV_DESC_TA, KV_DESC_B, KV_DESC_I16, KV_DESC_I32, KV_DESC_R32, KV_DESC_G) }

constexpr ChampEnreg kCommercial[] = KV_CHAMPS(KV_ENREG_COMMERCIAL);
constexpr ChampEnreg kSecteur[] = KV_CHAMPS(KV_ENREG_SECTEUR);
constexpr ChampEnreg kClient[] = KV_CHAMPS(KV_ENREG_CLIENT);
constexpr ChampEnreg kProduit[] = KV_CHAMPS(KV_ENREG_PRODUIT);
constexpr ChampEnreg kEnteteContrat[] = KV_CHAMPS(KV_ENREG_ENTETE_CONTRAT);
constexpr ChampEnreg kEnteteSpot[] = KV_CHAMPS(KV_ENREG_ENTETE_SPOT);
constexpr ChampEnreg kDatePassage[] = KV_CHAMPS(KV_ENREG_DATE_PASSAGE);
constexpr ChampEnreg kJournal[] = KV_CHAMPS(KV_JOURNAL_SYNCHRO);
constexpr ChampEnreg kMagnetophone[] = KV_CHAMPS(KV_ENREG_MAGNETOPHONE);
constexpr ChampEnreg kConducteurPub[] = KV_CHAMPS(KV_ENREG_CONDUCTEUR_PUB);
constexpr ChampEnreg kTeleSystemeTiers[] = KV_CHAMPS(KV_ENREG_TELE_SYSTEME_TIERS);
constexpr ChampEnreg kArtiste[] = KV_CHAMPS(KV_ENREG_ARTISTE);
constexpr ChampEnreg kVoixGroupe[] = KV_CHAMPS(KV_ENREG_VOIX_GROUPE);
constexpr ChampEnreg kMorceau[] = KV_CHAMPS(KV_ENREG_MORCEAU);

// The one field of a plain image (each image layout gets its own, with its length).
template <int N>
constexpr ChampEnreg kImage[] = {{"Image", 0, N, 1, TypeChamp::Octets}};

struct Tables {
    std::array<TamponEnreg, 51> parNo{};

    template <class L, size_t N>
    void champs(L& buffer, const char* nom, const ChampEnreg (&c)[N]) {
        parNo[size_t(L::kNoFichier)] = {L::kNoFichier, nom, &buffer, int(sizeof(L)), c, int(N)};
    }
    template <class L>
    void image(L& buffer, const char* nom) {
        champs(buffer, nom, kImage<int(sizeof(L))>);
    }

    Tables() {
        for (int i = 0; i < int(parNo.size()); ++i) parNo[size_t(i)].NoFichier = int16_t(i);
        image(EnregParametrage, "EnregParametrage");
        champs(EnregCommercial, "EnregCommercial", kCommercial);
        champs(EnregSecteur, "EnregSecteur", kSecteur);
        champs(EnregClient, "EnregClient", kClient);
        champs(EnregProduit, "EnregProduit", kProduit);
        champs(EnregEnteteContrat, "EnregEnteteContrat", kEnteteContrat);
        champs(EnregEnteteSpot, "EnregEnteteSpot", kEnteteSpot);
        champs(EnregDatePassage, "EnregDatePassage", kDatePassage);
        champs(JournalSynchro, "JournalSynchro", kJournal);
        image(EnregPlanification, "EnregPlanification");
        champs(EnregTeleSystemeTiers, "EnregTeleSystemeTiers", kTeleSystemeTiers);
        champs(EnregArtiste, "EnregArtiste", kArtiste);
        champs(EnregVoixGroupe, "EnregVoixGroupe", kVoixGroupe);
        champs(EnregMorceau, "EnregMorceau", kMorceau);
        image(EnregPileSujet, "EnregPileSujet");
        image(EnregPileCategorie, "EnregPileCategorie");
        image(EnregPriorite, "EnregPriorite");
        champs(EnregMagnetophone, "EnregMagnetophone", kMagnetophone);
        champs(EnregConducteurPub, "EnregConducteurPub", kConducteurPub);
        image(EnregEvenementDiffuse, "EnregEvenementDiffuse");
        image(EnregMorceauCles, "EnregMorceauCles");
        image(EnregSqueletteHorloge, "EnregSqueletteHorloge");
        image(EnregPointeurs, "EnregPointeurs");
        image(EnregMorceauInfos, "EnregMorceauInfos");
        image(EnregHistoArtiste, "EnregHistoArtiste");
        image(EnregHistoMorceau, "EnregHistoMorceau");
        image(EnregHistoEvenement, "EnregHistoEvenement");
        image(EnregReferenceTitre, "EnregReferenceTitre");
        image(EnregInfoSon, "EnregInfoSon");
        image(EnregMorceauNonDiffuse, "EnregMorceauNonDiffuse");
        image(EnregConvertEntete, "EnregConvertEntete");
        image(EnregConvertDetail, "EnregConvertDetail");
        image(EnregPodcastEmission, "EnregPodcastEmission");
        image(EnregPodcastArticle, "EnregPodcastArticle");
        image(EnregPodcastImage, "EnregPodcastImage");
        image(EnregEquivalence, "EnregEquivalence");
        image(EnregHistoDiffusionCode, "EnregHistoDiffusionCode");
        image(EnregTableTitre, "EnregTableTitre");
        image(EnregHistoDiffusionEcart, "EnregHistoDiffusionEcart");
    }
};

const Tables& tables() {
    static const Tables t;
    return t;
}

}  // namespace

const TamponEnreg* EnregFichier(int FileNo) {
    if (FileNo < 0 || FileNo >= int(tables().parNo.size())) return nullptr;
    const TamponEnreg& t = tables().parNo[size_t(FileNo)];
    return t.Donnees ? &t : nullptr;
}

void ViderEnreg(const TamponEnreg& t, void* donnees) {
    char* d = static_cast<char*>(donnees);
    std::memset(d, 0, size_t(t.Taille));
    for (int i = 0; i < t.NbChamps; ++i) {
        const ChampEnreg& c = t.Champs[i];
        if (c.Type == TypeChamp::Texte) std::memset(d + c.Offset, ' ', size_t(c.Taille * c.Nombre));
    }
}

void ViderEnreg(int FileNo) {
    if (const TamponEnreg* t = EnregFichier(FileNo)) ViderEnreg(*t, t->Donnees);
}

void VersImageStockee(int FileNo, char* data, int dataLen) {
    if (dataLen <= 0) return;
    const TamponEnreg* t = EnregFichier(FileNo);
    const int n = t ? std::min(dataLen, t->Taille) : 0;
    if (n > 0) std::memcpy(data, t->Donnees, size_t(n));
    std::memset(data + n, 0, size_t(dataLen - n));
}

void DepuisImageStockee(int FileNo, const char* data, int dataLen) {
    const TamponEnreg* t = EnregFichier(FileNo);
    if (!t || dataLen <= 0) return;
    std::memcpy(t->Donnees, data, size_t(std::min(dataLen, t->Taille)));
}

void ReinitialiserTampons() {
    for (const TamponEnreg& t : tables().parNo)
        if (t.Donnees) std::memset(t.Donnees, 0, size_t(t.Taille));
}
