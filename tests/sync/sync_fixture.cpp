#include "sync_fixture.h"

#include "database/btrieve.h"
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
