#include "sync_fixture.h"

#include "database/btrieve.h"
#include "database/change_journal.h"
#include "entities/product_family.h"
#include "entities/salesperson_family.h"
#include "entities/sector_family.h"
#include "database/record_layouts.h"
#include "foundation/conversions.h"
#include "foundation/globals.h"
#include "platform/cp1252.h"
#include "shell/hidden_host.h"
#include "shell/main_window.h"
#include "foundation/shell_link.h"
#include "entities/client_family.h"
#include "grids/list_grids.h"
#include "sync/web_requests.h"

#include <cstdio>
#include <map>
#include <ostream>

#include <QDir>
#include <cstring>

// The wrapper tests' real files serve here as they are.
#include "../database/record_files_fixture.cpp"

namespace {
const QString kSource = QStringLiteral("Lib_Test:Synchro");
}

void SyncTest::SetUp() {
    KirvoTest::SetUp();
    DossierApplication = tmp.path() + QStringLiteral("/app/");
    QDir().mkpath(DossierApplication + QStringLiteral("Local/QD3_Tools_Kirvo"));
    fichiers = std::make_unique<FichiersReels>(tmp.path());
    // Every synchronised family's file: "Tout" runs them all.
    for (int f : {1, 2, 3, 4, 5, 6, 7, 8}) ASSERT_EQ(fichiers->ouvrir(f), 0) << f;
    QString erreur;
    ASSERT_TRUE(double_.demarrer(0, &erreur)) << erreur.toStdString();
    url = double_.adresseBase();
    InitGeneralTableur(true, false);
    const ParametresWeb parametres{url, double_.options().utilisateur, double_.options().motDePasse};
    SetSourceParametresWeb([parametres] { return parametres; });
}

void SyncTest::TearDown() {
    // What the program logged tells why a run went wrong.
    if (HasFailure())
        for (const QString& l : lignesLog()) std::fprintf(stderr, "  log| %s\n", qPrintable(l));
    double_.arreter();
    ReinitialiserRequetesWeb();
    fichiers.reset();
    ReinitialiserEtatBTrieve();
    KirvoTest::TearDown();
}

void SyncTest::client(const QString& code, const QString& nom, char flag, char etat, int32_t idWeb,
                      const QString& ville) {
    Vider(EnregClient);
    EcrireTexte(EnregClient.Code, code);
    EcrireTexte(EnregClient.Nom, nom);
    EcrireTexte(EnregClient.Ville, ville);
    EnregClient.Etat[0] = etat;
    EnregClient.FlagWeb[0] = flag;
    MKLOctets(idWeb, EnregClient.IdWeb);
    insererTampon(3, 8, code);
}

void SyncTest::insererTampon(int fichier, int largeurCle, const QString& quoi) {
    QString k = QString(largeurCle, QLatin1Char(' '));
    BTRieve(0, BtrOp::Insert, k, 0, int16_t(fichier), 1, kSource);
    ASSERT_EQ(BtrStatus, 0) << quoi.toStdString();
}

bool SyncTest::lireTampon(int fichier, const QString& code, int largeurCle) {
    QString k = Calibre(code, QStringLiteral(" "), largeurCle);
    BTRieve(0, BtrOp::GetEqual, k, 0, int16_t(fichier), 1, kSource);
    return BtrStatus == 0;
}

ClientLocal SyncTest::lire(const QString& code) {
    ClientLocal c;
    if (!lireTampon(3, code, 8)) return c;
    c.existe = true;
    c.code = TrimBlancs(LireTexte(EnregClient.Code));
    c.nom = TrimBlancs(LireTexte(EnregClient.Nom));
    c.ville = TrimBlancs(LireTexte(EnregClient.Ville));
    c.contact = TrimBlancs(LireTexte(EnregClient.Contact));
    c.etat = LireTexte(EnregClient.Etat);
    c.flag = LireTexte(EnregClient.FlagWeb);
    c.idWeb = CVLOctets(EnregClient.IdWeb);
    return c;
}

void SyncTest::entree(char type, int station, const QString& code, char etat, int32_t idWeb, int fichier) {
    Vider(JournalSynchro);
    JournalSynchro.Type[0] = type;
    EcrireTexte(JournalSynchro.NoFichier, N2S(fichier, 2, 0, QStringLiteral("0")));
    EcrireTexte(JournalSynchro.NoStation, N2S(station, 2, 0, QStringLiteral("0")));
    EcrireTexte(JournalSynchro.Code, code);
    EcrireTexte(JournalSynchro.Date, QStringLiteral("20261210"));
    EcrireTexte(JournalSynchro.Heure, QStringLiteral("101500"));
    EcrireTexte(JournalSynchro.Sequence, QStringLiteral("01"));
    JournalSynchro.Etat[0] = etat;
    JournalSynchro.IdWeb = idWeb;
    insererTampon(8, 15, QLatin1Char(type) + code);
}

std::vector<EntreeJournal> SyncTest::journal() {
    std::vector<EntreeJournal> r;
    for (const QByteArray& e : fichiers->enregistrements(8)) {
        EntreeJournal j;
        j.cle = FromCp1252(e.left(15));
        j.etat = FromCp1252(e.mid(31, 1));
        std::memcpy(&j.idWeb, e.constData() + 32, 4);
        r.push_back(j);
    }
    return r;
}

QStringList SyncTest::clesJournal() {
    QStringList r;
    for (const EntreeJournal& e : journal()) r << e.cle.trimmed();
    r.sort();
    return r;
}

int SyncTest::web(const QString& code, const QString& nom, int statut, int idWeb) {
    double_web::Element e;
    e.idWeb = idWeb;
    e.idQD = code;
    e.statut = statut;
    e.champs[QStringLiteral("CltIdQD")] = code;
    e.champs[QStringLiteral("CltNom")] = nom;
    return double_.ajouter(double_web::Client, e);
}

std::pair<int, int> SyncTest::deuxClientsModifies() {
    const int idA = web(QStringLiteral("A"), QStringLiteral("A"));
    const int idB = web(QStringLiteral("B"), QStringLiteral("B"));
    client(QStringLiteral("A"), QStringLiteral("A modifié"), 'O', 'M', idA);
    client(QStringLiteral("B"), QStringLiteral("B modifié"), 'O', 'M', idB);
    entree('P', 1, QStringLiteral("A"), 'M', idA);
    entree('P', 1, QStringLiteral("B"), 'M', idB);
    return {idA, idB};
}

QStringList SyncTest::envois() {
    QStringList r;
    for (const double_web::Requete& q : double_.requetes()) {
        if (q.entite != double_web::Client || q.operation == QStringLiteral("GetBySynchroWeb")) continue;
        if (q.operation == QStringLiteral("CreateXML"))
            r << q.operation + QLatin1Char(':') + q.valeur(QStringLiteral("CltIdQD")).trimmed();
        else
            r << q.operation + QLatin1Char(':') + q.valeur(QStringLiteral("CltIdWeb"));
    }
    double_.effacerRequetes();
    return r;
}

void SyncTest::synchroniser() { SynchroniserPub_01_Client(url); }

FenetreDeTest::FenetreDeTest(const QString& url, const double_web::WebDouble& d) : w_(std::make_unique<Frm_Main>()) {
    // The window reads the options window, which these tests do not load.
    const ParametresWeb parametres{url, d.options().utilisateur, d.options().motDePasse};
    SetSourceParametresWeb([parametres] { return parametres; });
}

FenetreDeTest::~FenetreDeTest() {
    w_.reset();
    ReinitialiserRequetesWeb();
    AfficherFrmMsg(false, QString());
    DechargerFrmMainBis();
}

std::optional<double_web::Element> SyncTest::verifierIdWebFinal(const QString& fin, int32_t idWeb, int32_t avant,
                                                                const QString& entite) {
    if (fin == QStringLiteral("0")) {
        EXPECT_EQ(idWeb, 0);
    }
    if (fin == QStringLiteral("=")) {
        EXPECT_EQ(idWeb, avant);
    }
    if (fin != QStringLiteral("new")) return std::nullopt;
    EXPECT_NE(idWeb, 0);
    EXPECT_NE(idWeb, avant);
    auto e = double_.element(entite, idWeb);
    if (!e) ADD_FAILURE() << "no item " << idWeb << " on the web";
    return e;
}

// ---- Every family alike --------------------------------------------------------------------------

namespace {
template <class L, size_t N>
void poserEnreg(L& e, char (&champNom)[N], const QString& code, const QString& nom) {
    Vider(e);
    EcrireTexte(e.Code, code);
    EcrireTexte(champNom, nom);
}
}  // namespace

const FamilleTest& FamilleTestClient() {
    static const FamilleTest f{
        "Client",
        "Client",
        double_web::Client,
        QStringLiteral("Clt"),
        3,
        8,
        QStringLiteral("CltNom"),
        2,
        1,
        SynchroniserPub_01_Client,
        {nullptr, SynchroniserPub_01_Client_01, SynchroniserPub_01_Client_02, SynchroniserPub_01_Client_03,
         SynchroniserPub_01_Client_04, SynchroniserPub_01_Client_05, SynchroniserPub_01_Client_06},
        [](const QString& code, const QString& nom) { poserEnreg(EnregClient, EnregClient.Nom, code, nom); },
        [] { return LireTexte(EnregClient.Nom); },
        {}};
    return f;
}

const FamilleTest& FamilleTestProduit() {
    static const FamilleTest f{
        "Produit",
        "Product",
        double_web::Produit,
        QStringLiteral("Pdt"),
        4,
        10,
        QStringLiteral("PdtLibelle"),
        3,
        2,
        SynchroniserPub_02_Produit,
        {nullptr, SynchroniserPub_02_Produit_01, SynchroniserPub_02_Produit_02, SynchroniserPub_02_Produit_03,
         SynchroniserPub_02_Produit_04, SynchroniserPub_02_Produit_05, SynchroniserPub_02_Produit_06},
        [](const QString& code, const QString& nom) { poserEnreg(EnregProduit, EnregProduit.Libelle, code, nom); },
        [] { return LireTexte(EnregProduit.Libelle); },
        // Only products of nature 0 are taken from the web.
        {{QStringLiteral("PdtNature"), QStringLiteral("0")}}};
    return f;
}

const FamilleTest& FamilleTestSecteur() {
    static const FamilleTest f{
        "Secteur",
        "Sector",
        double_web::Secteur,
        QStringLiteral("Sec"),
        2,
        10,
        QStringLiteral("SecLibelle"),
        4,
        3,
        SynchroniserPub_03_Secteur,
        {nullptr, SynchroniserPub_03_Secteur_01, SynchroniserPub_03_Secteur_02, SynchroniserPub_03_Secteur_03,
         SynchroniserPub_03_Secteur_04, SynchroniserPub_03_Secteur_05, SynchroniserPub_03_Secteur_06},
        [](const QString& code, const QString& nom) { poserEnreg(EnregSecteur, EnregSecteur.Libelle, code, nom); },
        [] { return LireTexte(EnregSecteur.Libelle); },
        {}};
    return f;
}

const FamilleTest& FamilleTestCommercial() {
    static const FamilleTest f{
        "Commercial",
        "Salesperson",
        double_web::Commercial,
        QStringLiteral("Cml"),
        1,
        8,
        QStringLiteral("CmlNom"),
        5,
        4,
        SynchroniserPub_04_Commercial,
        {nullptr, SynchroniserPub_04_Commercial_01, SynchroniserPub_04_Commercial_02, SynchroniserPub_04_Commercial_03,
         SynchroniserPub_04_Commercial_04, SynchroniserPub_04_Commercial_05, SynchroniserPub_04_Commercial_06},
        [](const QString& code, const QString& nom) { poserEnreg(EnregCommercial, EnregCommercial.Nom, code, nom); },
        [] { return LireTexte(EnregCommercial.Nom); },
        {}};
    return f;
}

void PrintTo(const FamilleTest* f, std::ostream* os) { *os << f->nomDeTest; }

void SyncTest::local(const FamilleTest& f, const QString& code, const QString& nom, char flag, char etat, int32_t idWeb,
                     const std::function<void()>& autres) {
    f.poser(code, nom);
    const ChampsSynchro c = ChampsSynchroFichier(f.fichier);
    *c.Etat = etat;
    *c.FlagWeb = flag;
    MKLOctets(idWeb, c.IdWeb);
    if (autres) autres();
    insererTampon(f.fichier, f.largeur, code);
}

EnregLocal SyncTest::lireLocal(const FamilleTest& f, const QString& code) {
    EnregLocal l;
    if (!lireTampon(f.fichier, code, f.largeur)) return l;
    const ChampsSynchro c = ChampsSynchroFichier(f.fichier);
    l.existe = true;
    l.code = TrimBlancs(code);  // found by key 0, the code
    l.nom = f.nomLu();
    l.etat = QString(QLatin1Char(*c.Etat));
    l.flag = QString(QLatin1Char(*c.FlagWeb));
    l.idWeb = CVLOctets(c.IdWeb);
    return l;
}

int SyncTest::webItem(const FamilleTest& f, const QString& code, const QString& nom, int statut,
                      QMap<QString, QString> autres) {
    double_web::Element e;
    e.idQD = code;
    e.statut = statut;
    e.champs = f.champsWeb;
    e.champs.insert(autres);
    e.champs[f.champNomWeb] = nom;
    return double_.ajouter(f.entite, e);
}

QStringList SyncTest::envoisDe(const FamilleTest& f) {
    QStringList r;
    for (const double_web::Requete& q : double_.requetes()) {
        if (q.entite != f.entite || q.operation == QStringLiteral("GetBySynchroWeb")) continue;
        if (q.operation == QStringLiteral("CreateXML"))
            r << q.operation + QLatin1Char(':') + q.valeur(f.prefixe + QStringLiteral("IdQD")).trimmed();
        else
            r << q.operation + QLatin1Char(':') + q.valeur(f.prefixe + QStringLiteral("IdWeb"));
    }
    double_.effacerRequetes();
    return r;
}

QStringList SyncTest::autresEntites(const FamilleTest& f) {
    QStringList r;
    for (const double_web::Requete& q : double_.requetes())
        if (q.entite != f.entite) r << q.entite + QLatin1Char('/') + q.operation;
    return r;
}

void SyncTest::etape(const FamilleTest& f, int n) { f.etapes[size_t(n)](0, 1, url, f.entite); }

void SyncTest::verifierEnPhase(const FamilleTest& f, const QString& ecarte) {
    std::map<QString, int> copies;
    for (const auto& e : double_.elements(f.entite))
        if (e.statut != double_web::Supprime && e.idQD.trimmed() != ecarte) ++copies[e.idQD.trimmed()];
    int locaux = 0;
    for (const QByteArray& r : fichiers->enregistrements(f.fichier)) {
        const QString code = TrimBlancs(FromCp1252(r.left(f.largeur)));
        const EnregLocal c = lireLocal(f, code);
        if (c.flag != QStringLiteral("O")) {
            EXPECT_EQ(copies.count(code), 0u) << code.toStdString();
            continue;
        }
        ++locaux;
        EXPECT_EQ(copies[code], 1) << code.toStdString();
        EXPECT_EQ(c.etat, QStringLiteral("O")) << code.toStdString();
        const auto w = double_.element(f.entite, c.idWeb);
        ASSERT_TRUE(w.has_value()) << code.toStdString();
        const QString nom = TrimBlancs(c.nom);
        EXPECT_EQ(w->champs.value(f.champNomWeb),
                  nom.isEmpty() ? QString::fromLatin1(f.nom) + QStringLiteral(": ") + code : nom);
    }
    int web = 0;
    for (const auto& [code, n] : copies) web += n;
    EXPECT_EQ(web, locaux);
    for (const QString& c : clesJournal()) EXPECT_FALSE(c.startsWith(QLatin1Char('P'))) << c.toStdString();
}
