#include "entities/client_family.h"

#include "database/record_layouts.h"
#include "foundation/conversions.h"
#include "sync/dispatcher.h"
#include "sync/query_text.h"

namespace {

QString trim(const QString& s) { return TrimBlancs(s); }

// The first contact whose text is not blank, else the fourth.
QString contact() {
    for (const QString& c :
         {LireTexte(EnregClient.Contact), LireTexte(EnregClient.Contact2), LireTexte(EnregClient.Contact3)})
        if (!trim(c).isEmpty()) return trim(c);
    return trim(LireTexte(EnregClient.Contact4));
}

FamilleSynchro construire() {
    FamilleSynchro f;
    f.entite = "Client";
    f.prefixe = "Clt";
    f.cles = {Cle::SynchroniserPub_01_Client,    Cle::SynchroniserPub_01_Client_01, Cle::SynchroniserPub_01_Client_02,
              Cle::SynchroniserPub_01_Client_03, Cle::SynchroniserPub_01_Client_04, Cle::SynchroniserPub_01_Client_05,
              Cle::SynchroniserPub_01_Client_06};
    f.noFichier = 3;
    LierListeWeb(f, ListeWebClients());
    f.largeurCode = 8;
    f.premierCode = QStringLiteral("00000001");
    f.dernierCode = QStringLiteral("ZZZZZZZZ");
    f.code = [] { return LireTexte(EnregClient.Code); };
    f.libelle = [] { return trim(LireTexte(EnregClient.Nom)); };
    f.poserCode = [](const QString& c) { EcrireTexte(EnregClient.Code, c); };
    f.requeteCreation = SynchroniserPub_01_Client_80_Parametres_01_Create;
    f.copieWebDiffere = LibelleWebDiffere(ColonneDe(ListeWebClients(), "CltNom"), NomClientEnvoye);
    return f;
}

}  // namespace

const FamilleSynchro& FamilleClient() {
    static const FamilleSynchro f = construire();
    return f;
}

QString NomClientEnvoye() {
    const QString nom = trim(LireTexte(EnregClient.Nom));
    return nom.isEmpty() ? QStringLiteral("Client: ") + trim(LireTexte(EnregClient.Code)) : nom;
}

QString SynchroniserPub_01_Client_80_Parametres_01_Create() {
    return ChaineRequete()
        .ajouter(QStringLiteral("CltIdQD"), LireTexte(EnregClient.Code))
        .ajouter(QStringLiteral("CltNom"), NomClientEnvoye())
        .ajouter(QStringLiteral("CltAdresse"), trim(LireTexte(EnregClient.Adresse)))
        .ajouter(QStringLiteral("CltAdresseSuite"), trim(LireTexte(EnregClient.AdresseSuite)))
        .ajouter(QStringLiteral("CltCodePostal"), trim(LireTexte(EnregClient.CodePostal)))
        .ajouter(QStringLiteral("CltVille"), trim(LireTexte(EnregClient.Ville)))
        .ajouter(QStringLiteral("CltContact"), contact())
        .ajouter(QStringLiteral("CltContactTel1"), trim(LireTexte(EnregClient.ContactTel1)))
        .ajouter(QStringLiteral("CltContactEmail"), trim(LireTexte(EnregClient.ContactEmail)))
        .ajouter(QStringLiteral("CltSynchroWeb"), 1)
        .ajouter(QStringLiteral("CltContactTel2"), trim(LireTexte(EnregClient.Telephones[0])))
        .texte();
}

void SynchroniserPub_01_Client(const QString& url) { SynchroniserFamille(FamilleClient(), url); }

void SynchroniserPub_01_Client_01(int16_t Base, int16_t Station, const QString& url, const QString&) {
    EtapeSynchroPasseLocale(FamilleClient(), Base, Station, url);
}
void SynchroniserPub_01_Client_02(int16_t Base, int16_t Station, const QString& url, const QString&) {
    EtapeSynchroJournal(FamilleClient(), Base, Station, url);
}
void SynchroniserPub_01_Client_03(int16_t Base, int16_t Station, const QString& url, const QString&) {
    EtapeSynchroImport(FamilleClient(), Base, Station, url, 2);
}
void SynchroniserPub_01_Client_04(int16_t Base, int16_t Station, const QString& url, const QString&) {
    EtapeSynchroImport(FamilleClient(), Base, Station, url, 3);
}
void SynchroniserPub_01_Client_05(int16_t Base, int16_t Station, const QString& url, const QString&) {
    EtapeSynchroSuppressions(FamilleClient(), Base, Station, url);
}
void SynchroniserPub_01_Client_06(int16_t Base, int16_t Station, const QString& url, const QString&) {
    EtapeSynchroAudit(FamilleClient(), Base, Station, url);
}
