// The cases every synchronised family goes through alike, end to end against the web-service
// double: the local pass, what the web deleted, an import that meets a local change still
// waiting, and a run once everything is in step. One table over the families; what is a family's
// own is a column.
#include "sync_fixture.h"

#include "database/record_layouts.h"
#include "entities/advertising_drivers.h"
#include "fill/nomenclature.h"
#include "foundation/conversions.h"
#include "foundation/globals.h"
#include "platform/cp1252.h"
#include "support/nomenclature_files.h"

using double_web::Panne;
using double_web::PanneProgrammee;

namespace {

struct Famille {
    const FamilleTest* f;
    // Runs of the driver that bring a mixed file in step with the web: an audit that re-saves a
    // record leaves the sending to the next run's replay.
    int passagesAvantPhase;
    // The fields of a web item the family does not take ({} when it takes every item).
    QMap<QString, QString> champsEcartes;
    // The family's own fields of a record created here, or nullptr.
    void (*champsPropres)();
};

void PrintTo(const Famille& c, std::ostream* os) { *os << c.f->nomDeTest; }

const Famille kFamilles[] = {
    {&FamilleTestClient(), 1, {}, nullptr},
    {&FamilleTestProduit(),
     1,
     {{QStringLiteral("PdtNature"), QStringLiteral("1")}},
     [] {
         EcrireTexte(EnregProduit.FlagCodeConcurrence, QStringLiteral("1"));
         EcrireTexte(EnregProduit.CCFamille, QStringLiteral("01"));
         EcrireTexte(EnregProduit.CCClasse, QStringLiteral("01"));
         EcrireTexte(EnregProduit.CCSecteur, QStringLiteral("01"));
         EcrireTexte(EnregProduit.CCVariete, QStringLiteral("01"));
     }},
    {&FamilleTestSecteur(), 2, {}, nullptr},
    {&FamilleTestCommercial(), 2, {}, nullptr},
};

class FamilyCases : public SyncTest, public ::testing::WithParamInterface<Famille> {
protected:
    void SetUp() override {
        SyncTest::SetUp();
        InstallerPilotesPublicite();
        if (produit()) {
            // Products send the label of their competition code.
            QString erreur;
            ASSERT_TRUE(EcrireNomenclatureExemple(DossierApplication, &erreur)) << erreur.toStdString();
            InitSettingsNomenclature();
        }
    }
    void TearDown() override {
        if (produit()) DechargerFrmPubNomenclature();
        SyncTest::TearDown();
    }
    bool produit() const { return GetParam().f->entite == double_web::Produit; }
};

// ---- Local pass: one record per case, the requests made and the fields it ends with -------------

struct CasPasse {
    const char* nom;
    char flag, etat;
    bool lie;              // the record holds a web id
    bool surLeWeb;         // ... which the web still has
    const char* panne;     // operation that fails (HTTP 500), or nullptr
    const char* requetes;  // operations sent, "|"-separated ("=" stands for the record's web id)
    char etatFinal, flagFinal;
    const char* idFinal;  // "0", "=" (kept), "new"
};

const CasPasse kCasPasse[] = {
    {"created_without_id", 'O', 'C', false, false, nullptr, "CreateXML", 'O', 'O', "new"},
    {"synced_without_id", 'O', 'O', false, false, nullptr, "CreateXML", 'O', 'O', "new"},
    {"deleted_without_id", 'O', 'S', false, false, nullptr, "", 'S', 'O', "0"},
    {"linked_present", 'O', 'O', true, true, nullptr, "GetByIdWeb:=", 'O', 'O', "="},
    {"linked_gone", 'O', 'O', true, false, nullptr, "GetByIdWeb:=|CreateXML", 'O', 'O', "new"},
    {"withdrawn_linked", 'N', 'O', true, true, nullptr, "DeleteXML:=", 'N', 'N', "0"},
    {"withdrawn_without_id", 'N', 'N', false, false, nullptr, "", 'N', 'N', "0"},
    {"withdrawal_refused", 'N', 'O', true, true, "DeleteXML", "DeleteXML:=", 'O', 'N', "="},
    {"creation_refused", 'O', 'M', false, false, "CreateXML", "CreateXML", 'M', 'O', "0"},
};

// Products keep a table of their own, with more kinds of fault (sync_product_test.cpp).
class LocalPass : public SyncTest, public ::testing::WithParamInterface<std::tuple<const FamilleTest*, CasPasse>> {};

TEST_P(LocalPass, RequestsAndFields) {
    const FamilleTest& f = *std::get<0>(GetParam());
    const CasPasse& c = std::get<1>(GetParam());
    int32_t id = 0;
    if (c.lie) id = c.surLeWeb ? webItem(f, QStringLiteral("R1"), QStringLiteral("Nom")) : 777;
    local(f, QStringLiteral("R1"), QStringLiteral("Nom"), c.flag, c.etat, id);
    entree('P', 1, QStringLiteral("R1"), 'M', id, f.fichier);
    if (c.panne) {
        PanneProgrammee p;
        p.type = Panne::Http500Html;
        p.entite = f.entite;
        p.operation = QString::fromLatin1(c.panne);
        double_.programmerPanne(p);
    }
    envoisDe(f);

    etape(f, 1);

    QStringList attendu = QString::fromLatin1(c.requetes).split(QLatin1Char('|'), Qt::SkipEmptyParts);
    for (QString& a : attendu) {
        a.replace(QLatin1Char('='), QString::number(id));
        if (a == QStringLiteral("CreateXML")) a += QStringLiteral(":R1");
    }
    EXPECT_EQ(envoisDe(f), attendu);
    const EnregLocal l = lireLocal(f, QStringLiteral("R1"));
    EXPECT_EQ(l.etat, QString(QLatin1Char(c.etatFinal)));
    EXPECT_EQ(l.flag, QString(QLatin1Char(c.flagFinal)));
    const QString fin = QString::fromLatin1(c.idFinal);
    if (const auto e = verifierIdWebFinal(fin, l.idWeb, id, f.entite)) {
        EXPECT_EQ(e->champs.value(f.champNomWeb), QStringLiteral("Nom"));
    }
    // Taken off the web: its waiting entry goes with it; otherwise the entry waits for the replay.
    const QString cleEntree = QStringLiteral("P") + N2S(f.fichier, 2, 0, QStringLiteral("0")) + QStringLiteral("01R1");
    const bool purge = c.flag == 'N' && fin == QStringLiteral("0");
    EXPECT_EQ(clesJournal().contains(cleEntree), !purge);
}

INSTANTIATE_TEST_SUITE_P(
    Families, LocalPass,
    ::testing::Combine(::testing::Values(&FamilleTestClient(), &FamilleTestSecteur(), &FamilleTestCommercial()),
                       ::testing::ValuesIn(kCasPasse)),
    [](const auto& i) { return std::string(std::get<0>(i.param)->nomDeTest) + "_" + std::get<1>(i.param).nom; });

// ---- Deletions made on the web -----------------------------------------------------------------

// Only the record linked to the deleted item goes, found by its code or, for an item without
// one, by its web id; every deletion is acknowledged, those that found nothing too.
TEST_P(FamilyCases, WebDeletionsRemoveOnlyTheLinkedRecordAndAreAllAcknowledged) {
    const FamilleTest& f = *GetParam().f;
    const int idLie = webItem(f, QStringLiteral("LIE"), QStringLiteral("Lié"), double_web::Supprime);
    const int idAutre = webItem(f, QStringLiteral("AUTRE"), QStringLiteral("Autre lien"), double_web::Supprime);
    const int idAbsent = webItem(f, QStringLiteral("ABSENT"), QStringLiteral("Absent"), double_web::Supprime);
    const int idSansCode = webItem(f, QString(), QStringLiteral("Sans code"), double_web::Supprime);
    local(f, QStringLiteral("LIE"), QStringLiteral("Lié"), 'O', 'O', idLie);
    local(f, QStringLiteral("AUTRE"), QStringLiteral("Autre lien"), 'O', 'O', 999);
    local(f, QStringLiteral("SC1"), QStringLiteral("Sans code"), 'O', 'O', idSansCode);
    double_.effacerRequetes();

    etape(f, 5);

    EXPECT_FALSE(lireLocal(f, QStringLiteral("LIE")).existe);
    EXPECT_TRUE(lireLocal(f, QStringLiteral("AUTRE")).existe);
    EXPECT_FALSE(lireLocal(f, QStringLiteral("SC1")).existe);
    EXPECT_EQ(envoisDe(f), (QStringList{QStringLiteral("DeleteXML:") + QString::number(idLie),
                                        QStringLiteral("DeleteXML:") + QString::number(idAutre),
                                        QStringLiteral("DeleteXML:") + QString::number(idAbsent),
                                        QStringLiteral("DeleteXML:") + QString::number(idSansCode)}));
}

// ---- Imports -----------------------------------------------------------------------------------

// A record whose change waits in the journal, linked or not yet, keeps it: the web's version is
// neither written nor acknowledged, and one line says why for each.
TEST_P(FamilyCases, AnImportLeavesARecordWhoseLocalChangeWaits) {
    const FamilleTest& f = *GetParam().f;
    const int idLie = webItem(f, QStringLiteral("ATT"), QStringLiteral("Nom du web"), double_web::Modifie);
    local(f, QStringLiteral("ATT"), QStringLiteral("Nom local"), 'O', 'M', idLie);
    entree('P', 1, QStringLiteral("ATT"), 'M', idLie, f.fichier);
    const int idNonLie = webItem(f, QStringLiteral("W1"), QStringLiteral("Web"), double_web::Modifie);
    local(f, QStringLiteral("W1"), QStringLiteral("Attente"), 'O', 'M', 0);
    entree('P', 1, QStringLiteral("W1"), 'M', 0, f.fichier);
    double_.effacerRequetes();

    etape(f, 4);

    for (const auto& [code, nom, id] : {std::tuple{QStringLiteral("ATT"), QStringLiteral("Nom local"), idLie},
                                        std::tuple{QStringLiteral("W1"), QStringLiteral("Attente"), idNonLie}}) {
        SCOPED_TRACE(code.toStdString());
        const EnregLocal l = lireLocal(f, code);
        EXPECT_EQ(TrimBlancs(l.nom), nom);
        EXPECT_EQ(l.etat, QStringLiteral("M"));
        EXPECT_EQ(double_.element(f.entite, id)->statut, double_web::Modifie);
    }
    EXPECT_EQ(envoisDe(f), QStringList());
    const QStringList log = lignesLog();
    EXPECT_EQ(log.filter(QStringLiteral("local change waiting in the journal")).size(), 2)
        << log.join(QLatin1Char('\n')).toStdString();
}

// ---- Whole runs --------------------------------------------------------------------------------

// A file of every state against a web of every status: once in step, a run only looks up the
// linked records, each once, and writes nothing on the web.
TEST_P(FamilyCases, ASecondRunSendsNothing) {
    const Famille& c = GetParam();
    const FamilleTest& f = *c.f;
    local(f, QStringLiteral("N1"), QStringLiteral("Nouveau ici"), 'O', 'N', 0);
    local(f, QStringLiteral("C1"), QStringLiteral("Créé ici"), 'O', 'C', 0, c.champsPropres);
    local(f, QStringLiteral("B1"), QStringLiteral("Hors web"), 'N', 'O', 0);
    const int idLie = webItem(f, QStringLiteral("L1"), QStringLiteral("lié"));
    local(f, QStringLiteral("L1"), QStringLiteral("Lié"), 'O', 'O', idLie);
    const int idRetire = webItem(f, QStringLiteral("R1"), QStringLiteral("Retiré"));
    local(f, QStringLiteral("R1"), QStringLiteral("Retiré"), 'N', 'O', idRetire);
    webItem(f, QString(), QStringLiteral("Créé sur le web"), double_web::Cree);
    const int idMod = webItem(f, QStringLiteral("M1"), QStringLiteral("Modifié sur le web"), double_web::Modifie);
    local(f, QStringLiteral("M1"), QStringLiteral("Ancien"), 'O', 'O', idMod);
    const int idSup = webItem(f, QStringLiteral("S1"), QStringLiteral("Supprimé sur le web"), double_web::Supprime);
    local(f, QStringLiteral("S1"), QStringLiteral("Supprimé sur le web"), 'O', 'O', idSup);
    webItem(f, QStringLiteral("O1"), QStringLiteral("Orphelin"));
    QString ecarte;
    int idEcarte = 0;
    if (!c.champsEcartes.isEmpty()) {
        ecarte = QStringLiteral("Z1");
        idEcarte = webItem(f, ecarte, QStringLiteral("Pas pour nous"), double_web::Cree, c.champsEcartes);
    }

    for (int i = 0; i < c.passagesAvantPhase; ++i) f.pilote(url);
    EXPECT_EQ(TrimBlancs(lireLocal(f, QStringLiteral("M1")).nom), QStringLiteral("Modifié sur le web"));
    EXPECT_FALSE(lireLocal(f, QStringLiteral("S1")).existe);
    EXPECT_EQ(double_.element(f.entite, idLie)->champs.value(f.champNomWeb), QStringLiteral("Lié"));
    verifierEnPhase(f, ecarte);
    envoisDe(f);

    f.pilote(url);

    EXPECT_TRUE(autresEntites(f).isEmpty());
    QStringList recherches;
    for (const QByteArray& r : fichiers->enregistrements(f.fichier)) {
        const EnregLocal l = lireLocal(f, TrimBlancs(FromCp1252(r.left(f.largeur))));
        if (l.flag == QStringLiteral("O")) recherches << QStringLiteral("GetByIdWeb:") + QString::number(l.idWeb);
    }
    ASSERT_EQ(recherches.size(), 5) << recherches.join(QLatin1Char(' ')).toStdString();
    QStringList envois = envoisDe(f);
    envois.sort();
    recherches.sort();
    EXPECT_EQ(envois, recherches);
    verifierEnPhase(f, ecarte);
    if (idEcarte) {
        EXPECT_EQ(double_.element(f.entite, idEcarte)->statut, double_web::Cree);
        EXPECT_FALSE(lireLocal(f, ecarte).existe);
    }
}

INSTANTIATE_TEST_SUITE_P(Families, FamilyCases, ::testing::ValuesIn(kFamilles),
                         [](const auto& i) { return std::string(i.param.f->nomDeTest); });

}  // namespace
