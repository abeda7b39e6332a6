#include "entities/sector_family.h"

#include "database/record_layouts.h"
#include "foundation/conversions.h"
#include "sync/dispatcher.h"
#include "sync/query_text.h"

namespace {

FamilleSynchro construire() {
    FamilleSynchro f;
    f.entite = "SecteurActivite";
    f.prefixe = "Sec";
    f.cles = {Cle::SynchroniserPub_03_Secteur,    Cle::SynchroniserPub_03_Secteur_01,
              Cle::SynchroniserPub_03_Secteur_02, Cle::SynchroniserPub_03_Secteur_03,
              Cle::SynchroniserPub_03_Secteur_04, Cle::SynchroniserPub_03_Secteur_05,
              Cle::SynchroniserPub_03_Secteur_06};
    f.noFichier = 2;
    LierListeWeb(f, ListeWebSecteurs());
    f.largeurCode = 10;
    f.premierCode = QStringLiteral("0000000001");
    f.dernierCode = QStringLiteral("ZZZZZZZZZZ");
    f.code = [] { return LireTexte(EnregSecteur.Code); };
    f.libelle = [] { return TrimBlancs(LireTexte(EnregSecteur.Libelle)); };
    f.poserCode = [](const QString& c) { EcrireTexte(EnregSecteur.Code, c); };
    f.requeteCreation = SynchroniserPub_03_Secteur_80_Parametres_01_Create;
    f.copieWebDiffere = LibelleWebDiffere(ColonneDe(ListeWebSecteurs(), "SecLibelle"), LibelleSecteurEnvoye);
    // A sector's flag is the station's choice; the audit's re-saves wait for the next run's replay.
    LaisserFlagWeb(f);
    f.auditRejoue = false;
    return f;
}

}  // namespace

const FamilleSynchro& FamilleSecteur() {
    static const FamilleSynchro f = construire();
    return f;
}

QString LibelleSecteurEnvoye() {
    const QString libelle = TrimBlancs(LireTexte(EnregSecteur.Libelle));
    return libelle.isEmpty() ? TrimBlancs(QStringLiteral("Secteur: ") + LireTexte(EnregSecteur.Code)) : libelle;
}

QString SynchroniserPub_03_Secteur_80_Parametres_01_Create() {
    return ChaineRequete()
        .ajouter(QStringLiteral("SecIdQD"), LireTexte(EnregSecteur.Code))
        .ajouter(QStringLiteral("SecLibelle"), LibelleSecteurEnvoye())
        .ajouter(QStringLiteral("SecSynchroWeb"), 1)
        .texte();
}

void SynchroniserPub_03_Secteur(const QString& url) { SynchroniserFamille(FamilleSecteur(), url); }

void SynchroniserPub_03_Secteur_01(int16_t Base, int16_t Station, const QString& url, const QString&) {
    EtapeSynchroPasseLocale(FamilleSecteur(), Base, Station, url);
}
void SynchroniserPub_03_Secteur_02(int16_t Base, int16_t Station, const QString& url, const QString&) {
    EtapeSynchroJournal(FamilleSecteur(), Base, Station, url);
}
void SynchroniserPub_03_Secteur_03(int16_t Base, int16_t Station, const QString& url, const QString&) {
    EtapeSynchroImport(FamilleSecteur(), Base, Station, url, 2);
}
void SynchroniserPub_03_Secteur_04(int16_t Base, int16_t Station, const QString& url, const QString&) {
    EtapeSynchroImport(FamilleSecteur(), Base, Station, url, 3);
}
void SynchroniserPub_03_Secteur_05(int16_t Base, int16_t Station, const QString& url, const QString&) {
    EtapeSynchroSuppressions(FamilleSecteur(), Base, Station, url);
}
void SynchroniserPub_03_Secteur_06(int16_t Base, int16_t Station, const QString& url, const QString&) {
    EtapeSynchroAudit(FamilleSecteur(), Base, Station, url);
}
