#include "database/catalogue.h"

#include "foundation/proc.h"
#include "platform/app_error.h"
#include "platform/record_manager.h"

#include <cstring>
#include <iterator>

std::array<FileInfoEntry, NbFichiersBTR> FileInfo;
StructureFichierBTR BtrFileSpec{};

namespace {

struct Seg {
    int16_t pos, len, flags;
    bool cont;
};
constexpr Seg S(int16_t p, int16_t l, int16_t f) { return {p, l, f, false}; }
constexpr Seg SC(int16_t p, int16_t l, int16_t f) { return {p, l, f, true}; }

struct Def {
    int no;
    const char* description;  // UTF-8
    char perStation;
    int32_t recordLength, pageSize, keyCount;
    Seg seg[NbSegmentsMax];
};

// The whole schema of a base. Entries 18 and 50 are absent (empty).
constexpr Def kCatalogue[] = {
    {0, "Paramétrage", 'N', 1000, 1024, 1, {S(1, 10, 2)}},
    {1, "Commerciaux", 'N', 300, 1024, 2, {S(1, 8, 2), S(9, 10, 1027)}},
    {2, "Secteurs d'activité", 'N', 100, 512, 2, {S(1, 10, 2), S(11, 10, 1027)}},
    {3, "Clients", 'N', 900, 1024, 2, {S(1, 8, 2), S(9, 10, 1027)}},
    {4, "Produits", 'N', 100, 512, 2, {S(1, 10, 2), S(11, 10, 1027)}},
    {5, "Entêtes des contrats", 'O', 150, 512, 3, {S(1, 16, 2), S(3, 14, 2), S(11, 6, 2)}},
    {6, "Entêtes des spots", 'O', 400, 512, 2, {S(1, 8, 2), S(9, 10, 1027)}},
    {7,
     "Dates de programmation des passages des spots",
     'O',
     100,
     512,
     4,
     {S(1, 21, 2), S(9, 13, 3), SC(26, 10, 19), S(9, 13, 3), S(36, 21, 3)}},
    {8, "V 3.4 Kirvo", 'N', 1000, 1024, 2, {S(1, 15, 2), S(16, 16, 3)}},
    {9, "Paramétrage (Backup)", 'N', 1000, 1024, 1, {S(1, 10, 2)}},
    {10, "Publicité: Données programmées", 'O', 400, 512, 1, {S(1, 14, 2)}},
    {11, "Gestion des droits des utilisateurs", 'N', 350, 1536, 1, {S(1, 83, 2)}},
    {12,
     "Publicité: Système Tiers: Campagnes",
     'N',
     300,
     1536,
     7,
     {S(1, 18, 2), S(19, 50, 3), S(69, 8, 3), S(77, 8, 3), S(135, 1, 3), S(136, 7, 3), S(137, 6, 3)}},
    {13,
     "Publicité: Système Tiers: Spots",
     'N',
     300,
     1536,
     5,
     {S(1, 33, 2), S(49, 12, 3), SC(1, 3, 19), S(34, 15, 3), S(1, 48, 3), S(170, 15, 3)}},
    {14, "Publicité: Système Tiers: Messages", 'N', 300, 1536, 3, {S(1, 18, 2), S(19, 1, 3), S(20, 9, 3)}},
    {15, "Publicité: Système Tiers: Produits", 'N', 100, 1536, 2, {S(1, 53, 2), S(54, 10, 3)}},
    {16, "Publicité: Système Tiers: Clients", 'N', 100, 1536, 2, {S(1, 53, 2), S(54, 8, 3)}},
    {17, "V 3.4 Planification", 'O', 1000, 2048, 2, {S(1, 14, 2), S(15, 8, 3)}},
    {19, "Télé: Système Tiers: NinSight", 'N', 1000, 4096, 3, {S(1, 8, 2), S(9, 10, 3), S(19, 50, 3)}},
    {20, "Artistes", 'O', 300, 1024, 4, {S(1, 5, 2), S(6, 10, 3), S(16, 20, 1027), SC(46, 1, 19), S(16, 20, 3)}},
    {21, "Voix, Groupe, Sonorité, Catégorie, ...", 'O', 980, 1024, 2, {S(1, 10, 2), SC(1, 5, 1043), SC(11, 10, 1027)}},
    {22,
     "Morceaux",
     'O',
     900,
     2048,
     6,
     {S(1, 8, 2), S(9, 5, 3), S(19, 5, 3), S(64, 5, 3), S(69, 5, 3), S(24, 20, 1027)}},
    {23, "Piles de morceaux par sujet", 'O', 100, 512, 3, {S(1, 8, 3), S(9, 11, 3), SC(9, 5, 19), S(51, 20, 1027)}},
    {24, "Piles de morceaux par catégorie", 'O', 100, 512, 3, {S(1, 8, 3), S(9, 11, 3), SC(9, 5, 19), S(51, 20, 1027)}},
    {25, "Priorités", 'O', 250, 512, 1, {S(1, 10, 2)}},
    {26,
     "Table des morceaux pour le magnétophone",
     'O',
     150,
     512,
     4,
     {S(1, 8, 3), S(9, 19, 3), S(28, 14, 3), S(42, 39, 1027)}},
    {27, "Conducteur publicité", 'O', 50, 512, 2, {S(1, 14, 2), S(15, 8, 3)}},
    {28, "Evénements musicaux réellement diffusés", 'O', 150, 512, 3, {S(1, 16, 2), S(97, 8, 3), S(109, 14, 3)}},
    {29,
     "Morceaux (Clés complémentaires)",
     'O',
     100,
     512,
     3,
     {S(1, 18, 3), SC(1, 10, 1043), S(19, 20, 1027), S(11, 8, 3)}},
    {30, "Squelette des horloges", 'O', 250, 512, 1, {S(1, 8, 2)}},
    {31, "Pointeurs de start, stop, loop, ...", 'O', 50, 512, 1, {S(1, 11, 2)}},
    {32, "Renseignements complémentaires sur les morceaux", 'O', 250, 1024, 1, {S(1, 10, 2)}},
    {33, "Historique des artistes et groupes programmés", 'O', 100, 512, 3, {S(1, 16, 2), S(17, 19, 3), S(36, 19, 3)}},
    {34,
     "Historique des morceaux programmés",
     'O',
     200,
     1024,
     6,
     {S(9, 14, 3), S(1, 22, 3), S(23, 54, 1027), S(77, 19, 3), S(96, 19, 3), S(115, 14, 3)}},
    {35,
     "Historique des événements programmés",
     'O',
     400,
     1024,
     3,
     {S(1, 19, 2), S(253, 6, 3), SC(1, 10, 19), S(14, 6, 3)}},
    {36,
     "Base de référence pour les titres",
     'N',
     800,
     1024,
     6,
     {S(1, 50, 1026), S(51, 30, 1027), S(81, 32, 1027), S(113, 30, 1027), S(143, 30, 1027), S(173, 10, 1027)}},
    {37, "V 3.4 Informations sur les sons", 'N', 500, 1024, 3, {S(1, 8, 2), S(9, 12, 3), S(21, 12, 3)}},
    {38, "V 3.4 Tools FTP", 'N', 900, 1024, 2, {S(1, 8, 2), S(9, 40, 3)}},
    {39, "V 3.4 Tools FTP: Détail des imports/exports", 'N', 300, 2048, 1, {S(1, 68, 2)}},
    {40, "V 3.4 Morceaux non diffusés", 'O', 900, 1024, 2, {S(1, 8, 3), S(9, 14, 3)}},
    {41, "V 3.4 Convert Entête", 'N', 900, 2048, 3, {S(1, 10, 2), S(11, 50, 1027), S(61, 14, 1027)}},
    {42, "V 3.4 Convert Détail", 'N', 900, 2048, 1, {S(1, 20, 2)}},
    {43, "V 3.4 Podcast: Emission", 'O', 4000, 4096, 2, {S(1, 8, 2), S(9, 60, 1027)}},
    {44, "V 3.4 Podcast: Articles des Emissions", 'O', 4000, 4096, 3, {S(1, 8, 2), S(9, 21, 3), S(30, 60, 1027)}},
    {45, "V 3.4 Podcast: Images des Emissions ou des Articles", 'O', 4000, 4096, 1, {S(1, 8, 2)}},
    {46, "V 3.4 Equivalence entre les morceaux", 'N', 512, 1024, 1, {S(1, 5, 2)}},
    {47, "V 3.4 Historique de Diffusion: Codes et Libellés", 'O', 4082, 4096, 1, {S(1, 11, 2)}},
    {48, "V 3.4 Table des titres", 'O', 100, 512, 2, {S(1, 8, 2), S(9, 43, 3)}},
    {49, "V 3.4 Historique de Diffusion: Ecarts", 'O', 450, 512, 1, {S(1, 8, 2)}},
};

// The schema's own rules, checked as the program is built: file numbers in order with 18 and 50
// left empty, a key's segments chained by flag 16 (the last one of the file closing its key),
// every segment inside the record, unused segments all zero, and no key longer than the record
// manager keeps in a position block.
constexpr bool catalogueCoherent() {
    int precedent = -1;
    for (const Def& d : kCatalogue) {
        if (d.no <= precedent || d.no >= NbFichiersBTR - 1 || d.no == 18) return false;
        precedent = d.no;
        if (d.perStation != 'O' && d.perStation != 'N') return false;
        if (d.recordLength < 1 || d.pageSize < 512 || d.pageSize % 512 != 0 || d.keyCount < 1) return false;
        int utilises = d.keyCount;
        for (const Seg& s : d.seg)
            if (s.flags & KeyFlag::Segmented) ++utilises;
        if (utilises > NbSegmentsMax) return false;
        int longueurCle = 0;
        for (int i = 0; i < NbSegmentsMax; ++i) {
            const Seg& s = d.seg[i];
            if (i >= utilises) {
                if (s.pos || s.len || s.flags || s.cont) return false;
                continue;
            }
            if (s.pos < 1 || s.len < 1 || s.pos + s.len - 1 > d.recordLength) return false;
            if ((s.flags &
                 ~(KeyFlag::Duplicates | KeyFlag::Modifiable | KeyFlag::Segmented | KeyFlag::CaseInsensitive)) != 0 ||
                !(s.flags & KeyFlag::Modifiable))
                return false;
            longueurCle += s.len;
            if (!(s.flags & KeyFlag::Segmented)) {
                if (longueurCle > kBtrMaxKeyLength) return false;
                longueurCle = 0;
            }
        }
        if (d.seg[utilises - 1].flags & KeyFlag::Segmented) return false;
    }
    return true;
}
static_assert(std::size(kCatalogue) == NbFichiersBTR - 2, "every file but 18 and 50");
static_assert(catalogueCoherent());

FileInfoEntry entree(const Def& d) {
    FileInfoEntry e;
    e.Description = QString::fromUtf8(d.description);
    e.Name = QStringLiteral("FRAD%1 ").arg(d.no, 3, 10, QLatin1Char('0'));
    e.PerStation = QString(QLatin1Char(d.perStation));
    e.SecondFlag = d.no == 47 ? QStringLiteral("O") : QStringLiteral("N");
    e.RecordLength = d.recordLength;
    e.PageSize = d.pageSize;
    e.KeyCount = d.keyCount;
    for (int i = 0; i < NbSegmentsMax; ++i) {
        e.Segments[size_t(i)].Position = d.seg[i].pos;
        e.Segments[size_t(i)].Length = d.seg[i].len;
        e.Segments[size_t(i)].Flags = d.seg[i].flags;
        e.Segments[size_t(i)].Continued = d.seg[i].cont;
    }
    return e;
}

const std::array<FileInfoEntry, NbFichiersBTR>& catalogueConstant() {
    static const std::array<FileInfoEntry, NbFichiersBTR> t = [] {
        std::array<FileInfoEntry, NbFichiersBTR> a{};
        for (const Def& d : kCatalogue) a[size_t(d.no)] = entree(d);
        return a;
    }();
    return t;
}

}  // namespace

void InitGeneralData() {
    Proc p(Cle::InitGeneralData, Trace::None);
    for (int no = 0; no < NbFichiersBTR; ++no)
        p(10 * (no + 1), [&] { FileInfo[size_t(no)] = catalogueConstant()[size_t(no)]; });
}

const FileInfoEntry& CatalogueFichier(int fileNo) {
    if (fileNo < 0 || fileNo >= NbFichiersBTR) Raise(9);
    return catalogueConstant()[size_t(fileNo)];
}

int PremierSegmentCle(const FileInfoEntry& e, int keyNum) {
    if (keyNum < 0 || keyNum >= e.KeyCount) return -1;
    int seg = 0;
    for (int k = 0; k < keyNum; ++k) {
        while (seg < NbSegmentsMax && (e.Segments[size_t(seg)].Flags & KeyFlag::Segmented)) ++seg;
        ++seg;
    }
    return seg < NbSegmentsMax ? seg : -1;
}

int NbSegmentsCle(const FileInfoEntry& e, int keyNum) {
    int seg = PremierSegmentCle(e, keyNum);
    if (seg < 0) return 0;
    int n = 1;
    while (seg < NbSegmentsMax - 1 && (e.Segments[size_t(seg)].Flags & KeyFlag::Segmented)) {
        ++seg;
        ++n;
    }
    return n;
}

int LongueurCle(const FileInfoEntry& e, int keyNum) {
    const int first = PremierSegmentCle(e, keyNum);
    if (first < 0) return -1;
    int total = 0;
    for (int i = first; i < first + NbSegmentsCle(e, keyNum); ++i) total += e.Segments[size_t(i)].Length;
    return total;
}

QString NomFichierBTR(int16_t FileNo, int16_t StationIndex) {
    if (FileNo < 0 || FileNo >= NbFichiersBTR) Raise(9);
    const FileInfoEntry& e = FileInfo[size_t(FileNo)];
    QString nom = e.Name;
    nom.remove(QLatin1Char(' '));
    if (e.PerStation == QLatin1String("O") && nom.size() >= 5) nom[4] = QChar(char16_t(65 + StationIndex));
    return nom + QStringLiteral(".bt6");
}

void InitStructureFichierBTR(int16_t FileNo, bool Compress) {
    if (FileNo < 0 || FileNo >= NbFichiersBTR) Raise(9);
    const FileInfoEntry& e = FileInfo[size_t(FileNo)];
    std::memset(&BtrFileSpec, 0, sizeof BtrFileSpec);
    BtrFileSpec.RecordLength = int16_t(e.RecordLength);
    BtrFileSpec.PageSize = int16_t(e.PageSize);
    BtrFileSpec.KeyCount = int16_t(e.KeyCount);
    BtrFileSpec.FileFlags = Compress ? FileFlagCompression : 0;
    for (int i = 0; i < NbSegmentsMax; ++i) {
        BtrFileSpec.Keys[i].Position = int16_t(e.Segments[size_t(i)].Position);
        BtrFileSpec.Keys[i].Length = int16_t(e.Segments[size_t(i)].Length);
        BtrFileSpec.Keys[i].Flags = int16_t(e.Segments[size_t(i)].Flags);
    }
}

void ReinitialiserCatalogue() {
    FileInfo = {};
    std::memset(&BtrFileSpec, 0, sizeof BtrFileSpec);
}
