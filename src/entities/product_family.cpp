#include "entities/product_family.h"

#include "database/record_layouts.h"
#include "fill/nomenclature.h"
#include "foundation/conversions.h"
#include "foundation/proc.h"
#include "sync/dispatcher.h"
#include "sync/query_text.h"

namespace {

QString trim(const QString& s) { return TrimBlancs(s); }

// The table's fields bring the competition code as the web holds it (a label or level longer than
// its field is cut to it): the product now has one.
bool importer(const LigneListeWeb&, QString&) {
    EcrireTexte(EnregProduit.FlagCodeConcurrence, QStringLiteral("1"));
    return true;
}

// Only the web's own products (nature 0, a blank nature included) come into the local file.
bool natureImportable(const LigneListeWeb& l) {
    static const int colonne = ColonneDe(ListeWebProduits(), "PdtNature");
    return NombreEnTete(CelluleListe(l, colonne)) == 0;
}

// The label of the product's competition code; none when its code is not one.
QString libelleCodeConcurrence() {
    QString cc(8, QLatin1Char(' '));
    if (LireTexte(EnregProduit.FlagCodeConcurrence) == QStringLiteral("1"))
        cc = LireTexte(EnregProduit.CCFamille) + LireTexte(EnregProduit.CCClasse) + LireTexte(EnregProduit.CCSecteur) +
             LireTexte(EnregProduit.CCVariete);
    return trim(LibNomenclature(cc));
}

FamilleSynchro construire() {
    FamilleSynchro f;
    f.entite = "Produit";
    f.prefixe = "Pdt";
    f.cles = {Cle::SynchroniserPub_02_Produit,    Cle::SynchroniserPub_02_Produit_01,
              Cle::SynchroniserPub_02_Produit_02, Cle::SynchroniserPub_02_Produit_03,
              Cle::SynchroniserPub_02_Produit_04, Cle::SynchroniserPub_02_Produit_05,
              Cle::SynchroniserPub_02_Produit_06};
    f.noFichier = 4;
    LierListeWeb(f, ListeWebProduits());
    f.largeurCode = 10;
    f.premierCode = QStringLiteral("0000000001");
    f.dernierCode = QStringLiteral("ZZZZZZZZZZ");
    f.code = [] { return LireTexte(EnregProduit.Code); };
    f.libelle = [] { return trim(LireTexte(EnregProduit.Libelle)); };
    f.poserCode = [](const QString& c) { EcrireTexte(EnregProduit.Code, c); };
    f.requeteCreation = SynchroniserPub_02_Produit_80_Parametres_01_Create;
    f.importer = importer;
    f.ligneImportable = natureImportable;
    f.copieWebDiffere = LibelleWebDiffere(ColonneDe(ListeWebProduits(), "PdtLibelle"), LibelleProduitEnvoye);
    // A product's flag is the local user's choice: a creation, a replay or an import leaves it.
    LaisserFlagWeb(f);
    return f;
}

}  // namespace

const FamilleSynchro& FamilleProduit() {
    static const FamilleSynchro f = construire();
    return f;
}

QString LibelleProduitEnvoye() {
    const QString libelle = trim(LireTexte(EnregProduit.Libelle));
    return libelle.isEmpty() ? trim(QStringLiteral("Produit: ") + LireTexte(EnregProduit.Code)) : libelle;
}

QString SynchroniserPub_02_Produit_80_Parametres_01_Create() {
    ChaineRequete q;
    q.ajouter(QStringLiteral("PdtIdQD"), LireTexte(EnregProduit.Code))
        .ajouter(QStringLiteral("PdtLibelle"), LibelleProduitEnvoye())
        .ajouter(QStringLiteral("PdtNature"), 0)
        .ajouter(QStringLiteral("PdtFamille"), trim(LireTexte(EnregProduit.CCFamille)))
        .ajouter(QStringLiteral("PdtClasse"), trim(LireTexte(EnregProduit.CCClasse)))
        .ajouter(QStringLiteral("PdtSecteur"), trim(LireTexte(EnregProduit.CCSecteur)))
        .ajouter(QStringLiteral("PdtVariete"), trim(LireTexte(EnregProduit.CCVariete)));
    // A label that cannot be had leaves the key empty; the query keeps every other key.
    QString libelle;
    Proc p(Cle::SynchroniserPub_02_Produit_80_Parametres_01_Create, Trace::None);
    p(40, [&] { libelle = libelleCodeConcurrence(); });
    q.ajouter(QStringLiteral("PdtNomenclatureLib"), libelle).ajouter(QStringLiteral("PdtSynchroWeb"), 1);
    return q.texte();
}

void SynchroniserPub_02_Produit(const QString& url) { SynchroniserFamille(FamilleProduit(), url); }

void SynchroniserPub_02_Produit_01(int16_t Base, int16_t Station, const QString& url, const QString&) {
    EtapeSynchroPasseLocale(FamilleProduit(), Base, Station, url);
}
void SynchroniserPub_02_Produit_02(int16_t Base, int16_t Station, const QString& url, const QString&) {
    EtapeSynchroJournal(FamilleProduit(), Base, Station, url);
}
void SynchroniserPub_02_Produit_03(int16_t Base, int16_t Station, const QString& url, const QString&) {
    EtapeSynchroImport(FamilleProduit(), Base, Station, url, 2);
}
void SynchroniserPub_02_Produit_04(int16_t Base, int16_t Station, const QString& url, const QString&) {
    EtapeSynchroImport(FamilleProduit(), Base, Station, url, 3);
}
void SynchroniserPub_02_Produit_05(int16_t Base, int16_t Station, const QString& url, const QString&) {
    EtapeSynchroSuppressions(FamilleProduit(), Base, Station, url);
}
void SynchroniserPub_02_Produit_06(int16_t Base, int16_t Station, const QString& url, const QString&) {
    EtapeSynchroAudit(FamilleProduit(), Base, Station, url);
}
