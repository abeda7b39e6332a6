#include "entities/salesperson_family.h"

#include "database/record_layouts.h"
#include "foundation/conversions.h"
#include "foundation/log_secrets.h"
#include "sync/dispatcher.h"
#include "sync/query_text.h"

namespace {

const QString kCleMotDePasse = QStringLiteral("CmlUserPassword");

// The trimmed field, or what a blank one is sent as.
template <size_t N>
QString champ(const char (&c)[N], const QString& siBlanc = QString()) {
    const QString t = TrimBlancs(LireTexte(c));
    return t.isEmpty() ? siBlanc : t;
}

FamilleSynchro construire() {
    DeclarerCleSecrete(kCleMotDePasse);
    FamilleSynchro f;
    f.entite = "Commercial";
    f.prefixe = "Cml";
    f.cles = {Cle::SynchroniserPub_04_Commercial,    Cle::SynchroniserPub_04_Commercial_01,
              Cle::SynchroniserPub_04_Commercial_02, Cle::SynchroniserPub_04_Commercial_03,
              Cle::SynchroniserPub_04_Commercial_04, Cle::SynchroniserPub_04_Commercial_05,
              Cle::SynchroniserPub_04_Commercial_06};
    f.noFichier = 1;
    LierListeWeb(f, ListeWebCommerciaux());
    f.largeurCode = 8;
    f.premierCode = QStringLiteral("00000001");
    f.dernierCode = QStringLiteral("ZZZZZZZZ");
    f.code = [] { return LireTexte(EnregCommercial.Code); };
    f.libelle = [] { return TrimBlancs(LireTexte(EnregCommercial.Nom)); };
    f.poserCode = [](const QString& c) { EcrireTexte(EnregCommercial.Code, c); };
    f.requeteCreation = SynchroniserPub_04_Commercial_80_Parametres_01_Create;
    // Only the name is compared, with the name the queries sent.
    f.copieWebDiffere = LibelleWebDiffere(ColonneDe(ListeWebCommerciaux(), "CmlNom"), NomCommercialEnvoye);
    // A salesperson's flag is the station's choice; the audit's re-saves wait for the next run's
    // replay.
    LaisserFlagWeb(f);
    f.auditRejoue = false;
    return f;
}

}  // namespace

const FamilleSynchro& FamilleCommercial() {
    static const FamilleSynchro f = construire();
    return f;
}

QString NomCommercialEnvoye() {
    return champ(EnregCommercial.Nom, TrimBlancs(QStringLiteral("Commercial: ") + LireTexte(EnregCommercial.Code)));
}

QString SynchroniserPub_04_Commercial_80_Parametres_01_Create() {
    // The key is declared before any query holds a password.
    (void)FamilleCommercial();
    return ChaineRequete()
        .ajouter(QStringLiteral("CmlIdQD"), LireTexte(EnregCommercial.Code))
        .ajouter(QStringLiteral("CmlNom"), NomCommercialEnvoye())
        .ajouter(QStringLiteral("CmlPrenom"), champ(EnregCommercial.Prenom))
        .ajouter(QStringLiteral("CmlUserId"), champ(EnregCommercial.UserId, UserIdParDefaut))
        .ajouter(kCleMotDePasse, champ(EnregCommercial.UserPassword, UserPasswordParDefaut))
        .ajouter(QStringLiteral("CmlTel1"), champ(EnregCommercial.Tel1))
        .ajouter(QStringLiteral("CmlTel2"), champ(EnregCommercial.Tel2))
        .ajouter(QStringLiteral("CmlEmail"), champ(EnregCommercial.Email, EmailParDefaut))
        .ajouter(QStringLiteral("CmlSynchroWeb"), 1)
        .texte();
}

void SynchroniserPub_04_Commercial(const QString& url) { SynchroniserFamille(FamilleCommercial(), url); }

void SynchroniserPub_04_Commercial_01(int16_t Base, int16_t Station, const QString& url, const QString&) {
    EtapeSynchroPasseLocale(FamilleCommercial(), Base, Station, url);
}
void SynchroniserPub_04_Commercial_02(int16_t Base, int16_t Station, const QString& url, const QString&) {
    EtapeSynchroJournal(FamilleCommercial(), Base, Station, url);
}
void SynchroniserPub_04_Commercial_03(int16_t Base, int16_t Station, const QString& url, const QString&) {
    EtapeSynchroImport(FamilleCommercial(), Base, Station, url, 2);
}
void SynchroniserPub_04_Commercial_04(int16_t Base, int16_t Station, const QString& url, const QString&) {
    EtapeSynchroImport(FamilleCommercial(), Base, Station, url, 3);
}
void SynchroniserPub_04_Commercial_05(int16_t Base, int16_t Station, const QString& url, const QString&) {
    EtapeSynchroSuppressions(FamilleCommercial(), Base, Station, url);
}
void SynchroniserPub_04_Commercial_06(int16_t Base, int16_t Station, const QString& url, const QString&) {
    EtapeSynchroAudit(FamilleCommercial(), Base, Station, url);
}
