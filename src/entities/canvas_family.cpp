#include "entities/canvas_family.h"

#include "database/record_layouts.h"
#include "foundation/conversions.h"
#include "foundation/trace_log.h"
#include "sync/dispatcher.h"
#include "sync/query_text.h"

#include <QDate>
#include <QRegularExpression>
#include <cmath>

namespace {

constexpr int16_t kFichierContrats = 5;
constexpr int16_t kFichierSpots = 6;
constexpr int16_t kFichierPassages = 7;
constexpr int kLargeurCleContrat = 16;
constexpr int kLargeurCleCanevas = 8;
constexpr int kLargeurClePassage = 21;
// Key 0 of a contract header starts with its type.
const QString kTypeCanevas = QStringLiteral(" C");

QString trim(const QString& s) { return TrimBlancs(s); }
QString NN(int n) { return N2S(n, 2, 0, QStringLiteral("0")); }

QString cleCanevas() { return LireTexte(EnregEnteteSpot.Code) + LireTexte(EnregEnteteSpot.Sequence); }

// A two-character field of a passage as a number: its leading number, rounded; 0 when blank.
int valeur(const QString& texte) { return int(std::nearbyint(NombreEnTete(texte))); }

QString idWeb() { return QString::number(CVLOctets(EnregEnteteSpot.IdWeb)); }

FamilleSynchro construire() {
    FamilleSynchro f;
    f.entite = "Template";
    f.prefixe = "Tmp";
    f.cles = {Cle::SynchroniserPub_05_Canevas,
              Cle::SynchroniserPub_05_Canevas_01,
              Cle::SynchroniserPub_05_Canevas_02,
              "",
              "",
              "",
              Cle::SynchroniserPub_05_Canevas_06};
    f.noFichier = kFichierSpots;
    LierListeWeb(f, ListeWebCanevas());
    f.largeurCode = kLargeurCleCanevas;
    f.code = cleCanevas;
    f.libelle = [] { return trim(LireTexte(EnregEnteteSpot.Libelle)); };
    f.poserCode = [](const QString& c) {
        EcrireTexte(EnregEnteteSpot.Code, c.left(6));
        EcrireTexte(EnregEnteteSpot.Sequence, c.mid(6, 2));
    };
    f.requeteCreation = SynchroniserPub_05_Canevas_80_Parametres_01_Create;
    f.copieWebDiffere = LibelleWebDiffere(ColonneDe(ListeWebCanevas(), "SecLibelle"), LibelleCanevasEnvoye);
    // Templates come from the local database only: local pass, journal replay and audit.
    f.etapes = {false, true, true, false, false, false, true};
    // The flag stays as the suite's other programs set it; the audit's re-saves wait for the next
    // run's replay.
    LaisserFlagWeb(f);
    f.auditRejoue = false;

    f.fichierParent = kFichierContrats;
    f.parentMinimal = Calibre(kTypeCanevas, QString(QChar(0)), kLargeurCleContrat);
    f.parentMaximal = Calibre(kTypeCanevas, QString(QChar(0xFF)), kLargeurCleContrat);
    f.codeParent = [] { return LireTexte(EnregEnteteContrat.Code); };
    f.libelleParent = [] { return trim(LireTexte(EnregEnteteContrat.Nom)); };
    f.etiquettePasseLocale = [] {
        return LireTexte(EnregEnteteSpot.Code) + QLatin1Char(':') + LireTexte(EnregEnteteSpot.Sequence) +
               QStringLiteral(": ") + trim(LireTexte(EnregEnteteSpot.Libelle));
    };

    f.fichierDetail = kFichierPassages;
    f.largeurCleDetail = kLargeurClePassage;
    f.cleDetail = Cle::SynchroniserPub_05_Canevas_50_Contenu;
    f.detailEnAttente = [] { return EnregEnteteSpot.FlagContenu[0] == 'O'; };
    f.poserDetailEnAttente = [](bool attente) { EnregEnteteSpot.FlagContenu[0] = attente ? 'O' : 'N'; };
    f.requeteViderDetail = SynchroniserPub_05_Canevas_90_Contenu_01_Detail_Empty;
    f.ligneDetail = LigneDetailPassage;
    f.requeteLigneDetail = SynchroniserPub_05_Canevas_90_Contenu_02_Detail_Create;
    return f;
}

}  // namespace

const FamilleSynchro& FamilleCanevas() {
    static const FamilleSynchro f = construire();
    return f;
}

QString LibelleCanevasEnvoye() {
    const QString libelle = trim(LireTexte(EnregEnteteSpot.Libelle));
    return libelle.isEmpty() ? trim(QStringLiteral("Canevas: ") + cleCanevas()) : libelle;
}

QString SynchroniserPub_05_Canevas_80_Parametres_01_Create() {
    return ChaineRequete()
        .ajouter(QStringLiteral("TmpIdQD"), cleCanevas())
        .ajouter(QStringLiteral("TmpLibelle"), LibelleCanevasEnvoye())
        .ajouter(QStringLiteral("TmpSynchroWeb"), 1)
        .texte();
}

QString SynchroniserPub_05_Canevas_90_Contenu_01_Detail_Empty() {
    return ChaineRequete().ajouter(QStringLiteral("TmpIdWeb"), idWeb()).texte();
}

QString SynchroniserPub_05_Canevas_90_Contenu_02_Detail_Create(const QString& Detail) {
    return ChaineRequete()
        .ajouter(QStringLiteral("TmpIdWeb"), idWeb())
        .ajouter(QStringLiteral("TmpDetail"), Detail)
        .texte();
}

QString LigneDetailPassage() {
    const int niveau = valeur(LireTexte(EnregDatePassage.Niveau));
    if (niveau < 1 || niveau > 5) return QString();
    const QString texteDate = LireTexte(EnregDatePassage.Date);
    static const QRegularExpression huitChiffres(QStringLiteral("^[0-9]{8}$"));
    const QDate date = huitChiffres.match(texteDate).hasMatch() ? S2D(texteDate) : DateNulle();
    if (!date.isValid() || date == DateNulle()) {
        // Another program's damaged record: the passage is left out rather than sent on a made-up day.
        Log(QStringLiteral("Template: passage [") + LireTexte(EnregDatePassage.Code) +
            LireTexte(EnregDatePassage.Sequence) + QStringLiteral("] left out, unreadable date [") + texteDate +
            QLatin1Char(']'));
        return QString();
    }
    const int minute = valeur(LireTexte(EnregDatePassage.Minute));
    const int valeur23 = valeur(LireTexte(EnregDatePassage.Valeur23));
    const int x = niveau == 5 || (niveau == 4 && minute == 1) ? valeur23 : 99;
    return QString::number(date.dayOfWeek()) + QString::number(niveau) + NN(valeur(LireTexte(EnregDatePassage.Heure))) +
           NN(minute) + NN(valeur(LireTexte(EnregDatePassage.Valeur21))) + NN(x) + NN(EnregDatePassage.Valeur56);
}

void SynchroniserPub_05_Canevas(const QString& url) { SynchroniserFamille(FamilleCanevas(), url); }

void SynchroniserPub_05_Canevas_01(int16_t Base, int16_t Station, const QString& url, const QString&) {
    EtapeSynchroPasseLocale(FamilleCanevas(), Base, Station, url);
}
void SynchroniserPub_05_Canevas_02(int16_t Base, int16_t Station, const QString& url, const QString&) {
    EtapeSynchroJournal(FamilleCanevas(), Base, Station, url);
}
void SynchroniserPub_05_Canevas_06(int16_t Base, int16_t Station, const QString& url, const QString&) {
    EtapeSynchroAudit(FamilleCanevas(), Base, Station, url);
}

bool SynchroniserPub_05_Canevas_50_Contenu(int16_t Base, int16_t Station, const QString& url, const QString&,
                                           const QString& CleCanevas) {
    return EnvoyerDetail(FamilleCanevas(), Base, Station, url, CleCanevas);
}
