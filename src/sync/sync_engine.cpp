#include "sync/sync_engine.h"

#include "database/btrieve.h"
#include "database/change_journal.h"
#include "database/new_codes.h"
#include "database/record_layouts.h"
#include "foundation/conversions.h"
#include "foundation/globals.h"
#include "foundation/proc.h"
#include "foundation/shell_link.h"
#include "foundation/trace_log.h"
#include "foundation/window_helpers.h"
#include "platform/cp1252.h"
#include "sync/answer_readers.h"
#include "grids/list_grids.h"
#include "sync/list_readers.h"
#include "sync/web_requests.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <utility>

namespace {

constexpr int16_t kFichierJournal = 8;
constexpr int kLargeurCodeJournal = 10;

QString NN(int n) { return ChiffresZero(n, 2); }

QString source(const char* cle) { return QString::fromLatin1(cle); }

// The record buffer of the family's file, as raw bytes (kept and put back around a re-read).
QByteArray imageTampon(const FamilleSynchro& f) {
    const TamponEnreg* t = EnregFichier(f.noFichier);
    return QByteArray(static_cast<const char*>(t->Donnees), t->Taille);
}
void remettreTampon(const FamilleSynchro& f, const QByteArray& image) {
    const TamponEnreg* t = EnregFichier(f.noFichier);
    std::memcpy(t->Donnees, image.constData(), size_t(std::min<qsizetype>(image.size(), t->Taille)));
}

ChampsSynchro champs(const FamilleSynchro& f) { return ChampsSynchroFichier(f.noFichier); }
int32_t idWebLocal(const FamilleSynchro& f) { return CVLOctets(champs(f).IdWeb); }
char etatLocal(const FamilleSynchro& f) { return *champs(f).Etat; }
// Files without the flag keep every record on the web.
char flagLocal(const FamilleSynchro& f) {
    const ChampsSynchro c = champs(f);
    return c.FlagWeb ? *c.FlagWeb : 'O';
}
void poserChamps(const FamilleSynchro& f, int32_t idWeb, char etat, char flag) {
    const ChampsSynchro c = champs(f);
    MKLOctets(idWeb, c.IdWeb);
    *c.Etat = etat;
    if (flag && c.FlagWeb) *c.FlagWeb = flag;
}

QString cleCode(const FamilleSynchro& f, const QString& code) {
    return Calibre(code, QStringLiteral(" "), f.largeurCode);
}

// Get equal on key 0 of the family's file; BtrStatus tells.
void lireParCode(const FamilleSynchro& f, int16_t base, int16_t station, const QString& code, const char* cle) {
    QString k = cleCode(f, code);
    BTRieve(base, BtrOp::GetEqual, k, 0, f.noFichier, station, source(cle));
}

// Writes the record in the buffer over the stored one of the same code. The file's position may
// have moved since the record was read (web calls pump events, other steps read the file), so it
// is taken again first; the buffer is what gets written. A failure is reported; false then.
bool mettreAJour(const FamilleSynchro& f, int16_t base, int16_t station, const char* cle) {
    const QByteArray image = imageTampon(f);
    QString k = cleCode(f, f.code());
    BTRieve(base, BtrOp::GetEqual, k, 0, f.noFichier, station, source(cle));
    if (BtrStatus != 0) {
        const int16_t st = BtrStatus;
        remettreTampon(f, image);
        BtrStatus = st;
        ErreurBTrieve(base, f.noFichier, k, source(cle));
        return false;
    }
    remettreTampon(f, image);
    BTRieve(base, BtrOp::Update, k, 0, f.noFichier, station, source(cle));
    if (BtrStatus == 0) return true;
    ErreurBTrieve(base, f.noFichier, k, source(cle));
    return false;
}

bool inserer(const FamilleSynchro& f, int16_t base, int16_t station, const char* cle) {
    QString k = QString(f.largeurCode, QLatin1Char(' '));
    BTRieve(base, BtrOp::Insert, k, 0, f.noFichier, station, source(cle));
    if (BtrStatus == 0) return true;
    ErreurBTrieve(base, f.noFichier, k, source(cle));
    return false;
}

// The bounds of a walk over the whole file on key 0.
QString codeMinimal(const FamilleSynchro& f) { return Calibre(QString(), QString(QChar(0)), f.largeurCode); }
QString codeMaximal(const FamilleSynchro& f) { return Calibre(QString(), QString(QChar(0xFF)), f.largeurCode); }

QString prefixeJournal(const FamilleSynchro& f, int16_t station) {
    return QStringLiteral("P") + NN(f.noFichier) + NN(station);
}

// A web id as a list cell holds it: its leading number, rounded; 0 when there is none or when it
// does not fit 32 bits.
int32_t idDeCellule(const QString& texte) {
    const double v = std::nearbyint(NombreEnTete(texte));
    if (!(v >= 0) || v > double(std::numeric_limits<int32_t>::max())) return 0;
    return int32_t(v);
}

QString cellule(const LigneListeWeb& l, int colonne) { return CelluleListe(l, colonne); }

bool estBlanc(const QString& s) { return TrimBlancs(s).isEmpty(); }

void etapeAbandonnee(const char* cle, const QString& quoi, int16_t statut) {
    TraceLog(-1, -1, -1,
             QStringLiteral("Err: ") + source(cle) + QStringLiteral(": ") + quoi + QStringLiteral(" failed ") +
                 QString::number(NbRepetitionsSynchro + 1) + QStringLiteral(" times (Status: ") +
                 QString::number(statut) + QStringLiteral("): step ended"),
             true);
}

// Requests of the running step that got no answer, in a row.
int g_sansReponse = 0;
// The service could not be reached in this run, or refused the credentials: it has been reported
// once, and the run's remaining steps are left out rather than reporting the same failure again.
bool g_injoignable = false;
bool g_identificationRefusee = false;

// Ends the run on a service out of reach or refusing the credentials: logged once, and told once
// in the run's box at url, unless the request's own box has told it (dejaDit).
void serviceInjoignable(const char* cle, const QString& url, bool identificationRefusee, bool dejaDit = false) {
    if (g_injoignable) return;
    g_injoignable = true;
    g_identificationRefusee = identificationRefusee;
    TraceLog(-1, -1, -1,
             QStringLiteral("Err: ") + source(cle) + QStringLiteral(": ") + CauseArretService(identificationRefusee) +
                 QStringLiteral(": the remaining steps are left out"),
             false);
    if (!bFermetureEnCours && !dejaDit) SignalerServiceInjoignable(url);
}

// What the family's requests came to, for the line that ends its run in the log.
struct BilanRequetes {
    std::map<QByteArray, int> lues;  // their work done, by operation
    int refusees = 0;                // refused by the answer, or no readable answer
    int sansReponse = 0;             // no answer (service out of reach)
    int identificationRefusee = 0;   // credentials refused (HTTP 401)
    ErreursService erreurs;          // answered with an error status
};
BilanRequetes g_bilan;
// The same, for the whole run of the dispatcher.
BilanRun g_bilanRun;

void compterRefus() {
    ++g_bilan.refusees;
    ++g_bilanRun.refusees;
}

// What came of one request.
enum class Issue { Faite, Refusee, SansReponse, IdentificationRefusee, StatutErreur };

Issue issueDe(const QByteArray& operation, const ReponseWeb& r) {
    if (r.identificationRefusee) return Issue::IdentificationRefusee;
    if (!r.transmise) return Issue::SansReponse;
    if (r.statutHttp != 0) return Issue::StatutErreur;
    // "No such item": a deletion has reached its goal. A look-up so answered has not: its error
    // answer was shown, and nothing came of it.
    if (r.code == 501 && operation == "DeleteXML") return Issue::Faite;
    if (!r.lue) return Issue::Refusee;
    if (operation == "GetByIdWeb") return Issue::Faite;
    if (!r.resultat || (operation == "CreateXML" && r.id == 0)) return Issue::Refusee;
    return Issue::Faite;
}

// What came of the last list fetch; lue: it gave a list.
Issue issueDeListe(bool lue) {
    if (lue) return Issue::Faite;
    if (DerniereRechercheInjoignable())
        return IdentificationRefusee() ? Issue::IdentificationRefusee : Issue::SansReponse;
    if (DerniereRechercheStatutErreur() != 0) return Issue::StatutErreur;
    // Otherwise the service answered "no data", or nothing was sent.
    return DerniereRechercheRefusee() ? Issue::Refusee : Issue::Faite;
}

QString texteBilan(const FamilleSynchro& f) {
    QStringList lues;
    for (const auto& [operation, n] : g_bilan.lues)
        lues << QString::fromLatin1(operation) + QLatin1Char(' ') + QString::number(n);
    QString t = QString::fromLatin1(f.entite) + QStringLiteral(": requests answered: ") +
                (lues.isEmpty() ? QStringLiteral("none") : lues.join(QStringLiteral(", "))) +
                QStringLiteral("; refused: ") + QString::number(g_bilan.refusees) +
                QStringLiteral("; without answer: ") + QString::number(g_bilan.sansReponse);
    if (g_bilan.identificationRefusee != 0)
        t += QStringLiteral("; credentials refused: ") + QString::number(g_bilan.identificationRefusee);
    if (!g_bilan.erreurs.vide()) {
        QStringList statuts;
        for (const int n : g_bilan.erreurs.statuts) statuts << QString::number(n);
        t += QStringLiteral("; error status: ") + QString::number(g_bilan.erreurs.nombre) + QStringLiteral(" (HTTP ") +
             statuts.join(QStringLiteral(", ")) + QLatin1Char(')');
    }
    return t + FinLigneBilanService(g_injoignable, g_identificationRefusee);
}

// Counts one request of the family, a list fetch too, by what came of it: in the family's summary
// line (an answered list fetch is no work done there) and in the run's totals. A refusal is left
// to the caller to count when refusCompte is false (a deletion whose goal a look-up may find
// reached all the same). The run ends at the first refusal of the credentials, at a list fetch
// without an answer, or after NbRepetitionsSynchro requests of a step in a row without an answer,
// with its one box.
void compter(const QString& url, const char* cle, const QByteArray& op, Issue issue, int statutHttp,
             bool refusCompte = true) {
    switch (issue) {
        case Issue::Faite:
            if (op != "GetBySynchroWeb") ++g_bilan.lues[op];
            break;
        case Issue::Refusee:
            if (refusCompte) compterRefus();
            break;
        case Issue::SansReponse:
            ++g_bilan.sansReponse;
            ++g_bilanRun.sansReponse;
            break;
        case Issue::StatutErreur:
            g_bilan.erreurs.compter(statutHttp);
            g_bilanRun.erreurs.compter(statutHttp);
            break;
        case Issue::IdentificationRefusee:
            ++g_bilan.identificationRefusee;
            break;
    }
    g_bilanRun.sansReponseEnFin = issue == Issue::SansReponse ? g_bilanRun.sansReponseEnFin + 1 : 0;
    // A list fetch that got no answer has said so in its own box, as the search button's does: the
    // run ends there, as the step has no list to walk and the next would meet the same outage.
    const bool dejaDit = op == "GetBySynchroWeb";
    if (issue == Issue::IdentificationRefusee || (dejaDit && issue == Issue::SansReponse)) {
        // No request goes through with refused credentials either: the run ends at the first
        // refusal, with its one box.
        serviceInjoignable(cle, url, issue == Issue::IdentificationRefusee, dejaDit);
        return;
    }
    g_sansReponse = issue == Issue::SansReponse ? g_sansReponse + 1 : 0;
    if (g_sansReponse == NbRepetitionsSynchro) {
        TraceLog(-1, -1, -1,
                 QStringLiteral("Err: ") + source(cle) + QStringLiteral(": no answer from the web service ") +
                     QString::number(NbRepetitionsSynchro) + QStringLiteral(" times in a row: step ended"),
                 false);
        // The run ends here: this is its one box.
        serviceInjoignable(cle, url, false);
    }
}

// One request of the family, counted by what came of it.
ReponseWeb appel(const FamilleSynchro& f, const QString& url, const char* operation, const QString& requete,
                 const char* cle, bool refusCompte = true) {
    if (!AccesWeb().requete) return {};
    const ReponseWeb r = AccesWeb().requete(f, url, QString::fromLatin1(operation), requete, cle);
    const QByteArray op(operation);
    compter(url, cle, op, issueDe(op, r), r.statutHttp, refusCompte);
    return r;
}

// A DeleteXML of a web item. "No such item" is logged: the item is gone, as asked.
ReponseWeb supprimerSurLeWeb(const FamilleSynchro& f, const QString& url, int32_t id, const char* cle,
                             bool refusCompte = true) {
    const ReponseWeb r = appel(f, url, "DeleteXML", RequeteIdWeb(f, id), cle, refusCompte);
    if (r.transmise && r.statutHttp == 0 && r.code == 501)
        Log(QString::fromLatin1(f.entite) + QStringLiteral(": web id ") + QString::number(id) +
            QStringLiteral(" already gone from the web (no such item): deletion done"));
    return r;
}

// The step goes on: the program is not closing and the service still answers.
bool continuer() { return !bFermetureEnCours && !g_injoignable && g_sansReponse < NbRepetitionsSynchro; }

// Each step starts with the service taken as reachable.
struct DebutEtape {
    DebutEtape() { g_sansReponse = 0; }
    // False when the run has already found the service unreachable: the step is left out.
    bool ouverte() const { return !g_injoignable; }
};

// A range walk on key 0: the first read from the low bound, each next one past the key just
// handled (the handler may have read and written elsewhere in the file meanwhile, and the
// journal walks remove what they read). A failed read is reported and tried again a bounded
// number of times; the walk stops once the program is closing. traiter gets the record's key.
// True when the walk went to the end of its range.
template <class Traiter>
bool parcourir(int16_t base, int16_t station, int16_t fichier, const QString& basse, const QString& haute,
               const char* cle, Traiter&& traiter) {
    QString k = basse;
    int16_t op = BtrOp::GetGreaterOrEqual;
    int echecs = 0;
    while (continuer()) {
        const QString avant = k;
        BTRieve(base, op, k, 0, fichier, station, source(cle));
        if (BtrStatus == BtrStat::EndOfFile) return true;
        if (BtrStatus != 0) {
            const int16_t st = BtrStatus;
            k = avant;
            ErreurBTrieve(base, fichier, k, source(cle));
            if (++echecs > NbRepetitionsSynchro) {
                etapeAbandonnee(cle, QStringLiteral("Read of file ") + QString::number(fichier), st);
                return false;
            }
            continue;
        }
        echecs = 0;
        if (CleAuDela(k, haute)) return true;
        const QString gardee = k;
        traiter(gardee);
        k = gardee;
        op = BtrOp::GetGreater;
    }
    return false;
}

// The records of the local pass: the whole file, or those under each parent of a family that
// groups them.
template <class Traiter>
void parcourirLocaux(const FamilleSynchro& f, int16_t base, int16_t station, const char* cle, Traiter&& traiter) {
    if (!f.fichierParent) {
        parcourir(base, station, f.noFichier, codeMinimal(f), codeMaximal(f), cle, traiter);
        return;
    }
    parcourir(base, station, f.fichierParent, f.parentMinimal, f.parentMaximal, cle, [&](const QString&) {
        const QString parent = f.codeParent();
        Proc q(cle, Trace::None);
        q(15, [&] {
            LabelMsgInit(f.libelleParent());
            LaisserPasserEvenements();
        });
        if (estBlanc(parent)) return;
        parcourir(base, station, f.noFichier, Calibre(parent, QString(QChar(0)), f.largeurCode),
                  Calibre(parent, QString(QChar(0xFF)), f.largeurCode), cle, traiter);
    });
}

// The detail of the record just stored with its content flag set; the flag is cleared once the
// web confirmed all of it, else it stays for the next run's local pass.
void envoyerDetailStocke(const FamilleSynchro& f, int16_t base, int16_t station, const QString& url, const char* cle) {
    const QByteArray enreg = imageTampon(f);
    const QString code = f.code();
    const bool complet = EnvoyerDetail(f, base, station, url, code);
    remettreTampon(f, enreg);
    if (!complet) {
        Log(QString::fromLatin1(f.entite) + QStringLiteral(": detail of [") + code +
            QStringLiteral("] not confirmed: sent again at the next run"));
        return;
    }
    f.poserDetailEnAttente(false);
    mettreAJour(f, base, station, cle);
}

bool entreeJournalEnAttente(const FamilleSynchro& f, int16_t base, int16_t station, const QString& code,
                            const char* cle) {
    const Layout::JournalSynchro gardee = JournalSynchro;
    QString k = prefixeJournal(f, station) + Calibre(code, QStringLiteral(" "), kLargeurCodeJournal);
    BTRieve(base, BtrOp::GetEqual, k, 0, kFichierJournal, station, source(cle));
    const bool present = BtrStatus == 0;
    JournalSynchro = gardee;
    return present;
}

// The local record holding that web id, walked for in the whole file; its code, or empty.
QString codeParIdWeb(const FamilleSynchro& f, int16_t base, int16_t station, int32_t idWeb, const char* cle) {
    QString trouve;
    parcourir(base, station, f.noFichier, codeMinimal(f), codeMaximal(f), cle, [&](const QString&) {
        if (trouve.isEmpty() && idWebLocal(f) == idWeb) trouve = f.code();
    });
    return trouve;
}

// A step's list, counted as a request: a list the service failed or refused leaves the step nothing
// to walk and the run goes on; one left without an answer ends the run.
// "No data" (code 500) is an empty list, no failure.
std::optional<ListeWebLue> listeDuWeb(const FamilleSynchro& f, const QString& url, int statut, const char* cle) {
    if (LiensSynchronisation().afficherOnglet) LiensSynchronisation().afficherOnglet(f.ongletPublicite);
    if (!AccesWeb().liste) return std::nullopt;
    std::optional<ListeWebLue> l = AccesWeb().liste(f, statut);
    compter(url, cle, "GetBySynchroWeb", issueDeListe(l.has_value()), DerniereRechercheStatutErreur());
    return l;
}

// The rows of these web ids leave the family's list grid (the steps work on their own copy of the
// list; the grid shows the user what the web holds).
void RetirerDeLaListeAffichee(const FamilleSynchro& f, const std::vector<int32_t>& ids) {
    if (ids.empty()) return;
    SpreadGrid* g = GrillePub(f.ongletPublicite);
    if (!g) return;
    g->setSheet(g->activeSheet());
    for (int r = g->maxRows(); r >= 1; --r) {
        if (std::find(ids.begin(), ids.end(), idDeCellule(g->textAt(f.colonneIdWeb, r))) == ids.end()) continue;
        g->deleteRows(r, 1);
        g->setMaxRows(g->maxRows() - 1);
    }
}

// The list of a step, fetched under its statement 10.
std::optional<ListeWebLue> listeEtape(Proc& p, const FamilleSynchro& f, const QString& url, int statut,
                                      const char* cle) {
    std::optional<ListeWebLue> liste;
    p(10, [&] { liste = listeDuWeb(f, url, statut, cle); });
    return liste;
}

// A deletion of a web item holds when the web confirmed it: Result true, "no such item" (501), or,
// refused without an error, the item is gone all the same. A refusal is logged with what is kept
// for the next run (garde); an answer that failed was reported by its reader.
bool suppressionWebConfirmee(const FamilleSynchro& f, const QString& url, int32_t id, const char* cle,
                             const QString& garde) {
    const ReponseWeb r = supprimerSurLeWeb(f, url, id, cle, false);
    const Issue issue = issueDe("DeleteXML", r);
    if (issue == Issue::Faite) return true;
    if (issue != Issue::Refusee) return false;
    if (!r.lue) {
        compterRefus();
        return false;
    }
    const ReponseWeb g = appel(f, url, "GetByIdWeb", RequeteIdWeb(f, id), cle);
    if (g.lue && g.id == 0) {
        ++g_bilan.lues["DeleteXML"];
        return true;
    }
    compterRefus();
    Log(QString::fromLatin1(f.entite) + QStringLiteral(": deletion of web id ") + QString::number(id) +
        QStringLiteral(" not done by the web service: ") + garde + QStringLiteral(" kept for the next run"));
    return false;
}

// The answer of a DeleteXML read first without its reader's box: "no such item" (501) is the goal
// of a deletion reached, and puts nothing to the user. True when r holds what the answer says;
// false for any other error answer, left to the reader, which shows it.
bool suppressionLue(const QString& fichier, ReponseWeb& r) {
    Proc p(Cle::LectureDeleteXML, Trace::None);
    p.leaveOnError();
    int32_t code = 0;
    bool resultat = false;
    bool reponse = false;
    p(10, [&] { reponse = LireCodeEtResultat(fichier, QString::fromLatin1(Cle::LectureDeleteXML), code, resultat); });
    if (!reponse) return true;  // nothing that reads as an answer (garbage is logged)
    r.code = code;
    if (code == 501) return true;
    if (code != 0) return false;
    r.lue = true;
    r.resultat = resultat;
    return true;
}

}  // namespace

LiensSynchro& LiensSynchronisation() {
    static LiensSynchro l;
    return l;
}

AccesWebSynchro AccesWebParDefaut() {
    AccesWebSynchro a;
    a.liste = [](const FamilleSynchro& f, int statut) -> std::optional<ListeWebLue> {
        if (!RechercherListeWeb(int16_t(f.ongletPublicite), statut)) return std::nullopt;
        // The rows as fetched: the grid is the user's to sort or refill meanwhile.
        const SpreadGrid* g = GrillePub(f.ongletPublicite);
        if (!g) return std::nullopt;
        ListeWebLue lignes;
        lignes.reserve(size_t(g->maxRows()));
        for (int r = 1; r <= g->maxRows(); ++r) {
            LigneListeWeb l;
            for (int c = 1; c <= g->maxCols(); ++c) l << g->textAt(c, r);
            lignes.push_back(l);
        }
        return lignes;
    };
    a.requete = [](const FamilleSynchro& f, const QString& url, const QString& operation, const QString& requete,
                   const char* cle) {
        ReponseWeb r;
        const QString entite = QString::fromLatin1(f.entite);
        // A failed request is reported there; no answer is read for it. A service that answered
        // with an error status failed that one request: the step goes on as for an error answer.
        if (!EchangeWeb(url, entite, operation, requete, QString::fromLatin1(cle))) {
            r.statutHttp = StatutErreurService();
            r.identificationRefusee = IdentificationRefusee();
            r.transmise = r.statutHttp != 0 || r.identificationRefusee;
            return r;
        }
        r.transmise = true;
        const QString fichier = FichierReponseWeb(entite, operation);
        bool err = true;
        const ReponseXML* lu = nullptr;
        if (operation == OperationWeb::CreateXML) {
            LectureFichierXMLRequete_00_Generique_01_CreateXML(fichier, QString(), err);
            lu = &ReponseCreateXML;
        } else if (operation == OperationWeb::UpdateXML) {
            LectureFichierXMLRequete_00_Generique_01_UpdateXML(fichier, QString(), err);
            lu = &ReponseUpdateXML;
        } else if (operation == OperationWeb::DeleteXML && suppressionLue(fichier, r)) {
            return r;
        } else if (operation == OperationWeb::DeleteXML || operation == OperationWeb::EmptyXML ||
                   operation == OperationWeb::CreateDetailXML) {
            LectureFichierXMLRequete_00_Generique_01_DeleteXML(fichier, QString(), err);
            lu = &ReponseDeleteXML;
        } else if (operation == OperationWeb::GetByIdWeb) {
            LectureListeOnglet(f.ongletPublicite, fichier, false, true, err);
            r.lue = !err;
            r.code = ReponseLectureXML.Code;
            r.id = err ? 0 : IdWebReponseOnglet(f.ongletPublicite);
            return r;
        }
        if (!lu) return r;
        r.lue = !err;
        r.code = lu->Code;
        r.resultat = !err && lu->Result;
        r.id = r.resultat ? lu->Id : 0;
        return r;
    };
    return a;
}

AccesWebSynchro& AccesWeb() {
    static AccesWebSynchro a = AccesWebParDefaut();
    return a;
}

bool CleAuDela(const QString& cle, const QString& borne) {
    return QString::compare(cle.toUpper(), borne.toUpper()) > 0 || QString::compare(cle.toLower(), borne.toLower()) > 0;
}

QString RequeteIdWeb(const FamilleSynchro& f, int32_t idWeb) {
    return QStringLiteral("?") + QString::fromLatin1(f.prefixe) + QStringLiteral("IdWeb=") + QString::number(idWeb);
}

QString RequeteMiseAJour(const FamilleSynchro& f) {
    return f.requeteCreation() + QStringLiteral("&") + QString::fromLatin1(f.prefixe) + QStringLiteral("IdWeb=") +
           QString::number(idWebLocal(f));
}

bool EnvoyerDetail(const FamilleSynchro& f, int16_t base, int16_t station, const QString& url, const QString& code) {
    const char* cle = f.cleDetail;
    Proc p(cle);
    bool complet = false;
    p(10, [&] {
        if (!continuer()) return;
        // The queries read the record's web id from its buffer, which a pump may refill.
        const QByteArray enreg = imageTampon(f);
        const ReponseWeb vide = appel(f, url, "EmptyXML", f.requeteViderDetail(), cle);
        // Lines added to a detail that was not emptied would stand twice on the web.
        if (!vide.lue || !vide.resultat) return;
        bool confirmees = true;
        const bool fini =
            parcourir(base, station, f.fichierDetail, Calibre(code, QString(QChar(0)), f.largeurCleDetail),
                      Calibre(code, QString(QChar(0xFF)), f.largeurCleDetail), cle, [&](const QString& k) {
                          Proc q(cle, Trace::None);
                          const bool ok = q(20, [&] {
                              const QString ligne = f.ligneDetail();
                              if (ligne.isEmpty()) return;
                              LabelMsgInit(k + QStringLiteral(": ") + ligne);
                              LaisserPasserEvenements();
                              remettreTampon(f, enreg);
                              const ReponseWeb r = appel(f, url, "CreateDetailXML", f.requeteLigneDetail(ligne), cle);
                              if (!r.lue || !r.resultat) confirmees = false;
                          });
                          if (!ok) confirmees = false;
                      });
        complet = fini && confirmees;
    });
    return complet;
}

void PurgerJournal(const FamilleSynchro& f, int16_t base, int16_t station, const QString& code, const char* cle) {
    const QString prefixe = prefixeJournal(f, station);
    const QString basse = prefixe + Calibre(code, QString(QChar(0)), kLargeurCodeJournal);
    const QString haute = prefixe + Calibre(code, QString(QChar(0xFF)), kLargeurCodeJournal);
    parcourir(base, station, kFichierJournal, basse, haute, cle, [&](const QString& k) {
        QString d = k;
        BTRieve(base, BtrOp::Delete, d, 0, kFichierJournal, station, source(cle));
        if (BtrStatus != 0) ErreurBTrieve(base, kFichierJournal, d, source(cle));
    });
}

void SynchroniserFamille(const FamilleSynchro& f, const QString& url) {
    Proc p(f.cles[0]);
    const QString cle = source(f.cles[0]);
    p(10, [&] {
        if (LiensSynchronisation().afficherOnglet) LiensSynchronisation().afficherOnglet(f.ongletPublicite);
    });
    // Closed whichever way the run leaves.
    std::optional<FrmMsgOuverte> attente;
    p(20, [&] {
        attente.emplace(cle);
        LabelMsgInit(QString::fromLatin1(f.entite));
    });
    const int16_t base = NoBaseCourante;
    const int16_t station = 1;
    DebutRunSynchro();
    g_bilan = {};
    if (f.etapes[1] && !bFermetureEnCours) EtapeSynchroPasseLocale(f, base, station, url);
    if (f.etapes[2] && !bFermetureEnCours) EtapeSynchroJournal(f, base, station, url);
    if (f.etapes[3] && !bFermetureEnCours) EtapeSynchroImport(f, base, station, url, 2);
    if (f.etapes[4] && !bFermetureEnCours) EtapeSynchroImport(f, base, station, url, 3);
    if (f.etapes[5] && !bFermetureEnCours) EtapeSynchroSuppressions(f, base, station, url);
    if (f.etapes[6] && !bFermetureEnCours) EtapeSynchroAudit(f, base, station, url);
    p(30, [&] { attente.reset(); });
    // A run that went well would otherwise leave no trace in the log.
    p(40, [&] { TraceLog(-1, -1, -1, texteBilan(f), false); });
}

void EtapeSynchroPasseLocale(const FamilleSynchro& f, int16_t base, int16_t station, const QString& url) {
    const char* cle = f.cles[1];
    Proc p(cle);
    DebutEtape debut;
    if (!debut.ouverte()) return;
    p(10, [&] {
        parcourirLocaux(f, base, station, cle, [&](const QString&) {
            const QString code = f.code();
            Proc q(cle, Trace::None);
            q(20, [&] {
                // Whatever runs in the pump may read the file into the shared buffer.
                const QByteArray lu = imageTampon(f);
                LabelMsgInit(f.etiquettePasseLocale ? f.etiquettePasseLocale()
                                                    : code + QStringLiteral(": ") + f.libelle());
                LaisserPasserEvenements();
                remettreTampon(f, lu);
            });
            q(30, [&] {
                int32_t id = idWebLocal(f);
                if (flagLocal(f) == 'N') {
                    if (id != 0) {
                        // Refused: the record keeps its link and the next run asks again.
                        const QString garde = QStringLiteral("link of [") + TrimBlancs(code) + QLatin1Char(']');
                        if (!suppressionWebConfirmee(f, url, id, cle, garde)) return;
                        poserChamps(f, 0, 'N', 'N');
                        if (!mettreAJour(f, base, station, cle)) return;
                    }
                    PurgerJournal(f, base, station, code, cle);
                    return;
                }
                if (flagLocal(f) != 'O') return;
                char etat = etatLocal(f);
                if (etat == 'O' && id == 0) etat = 'N';
                if (id != 0) {
                    const ReponseWeb r = appel(f, url, "GetByIdWeb", RequeteIdWeb(f, id), cle);
                    if (r.lue && r.id == 0) {
                        id = 0;
                        etat = 'N';
                    } else if (r.lue && etat != 'S' && f.fichierDetail && f.detailEnAttente()) {
                        // A detail changed since, or left unfinished by an earlier run.
                        envoyerDetailStocke(f, base, station, url, cle);
                        return;
                    }
                }
                if (id != 0 || !std::strchr("CMN", etat)) return;
                // The creation query is built from the buffer as the web will hold it.
                poserChamps(f, 0, etat, 0);
                const ReponseWeb r = appel(f, url, "CreateXML", f.requeteCreation(), cle);
                if (!r.lue || !r.resultat || r.id == 0) return;
                poserChamps(f, r.id, 'O', f.creationPoseFlagWeb ? 'O' : 0);
                // The new copy has no detail yet: pending until the web confirmed it.
                if (f.fichierDetail) f.poserDetailEnAttente(true);
                if (mettreAJour(f, base, station, cle) && f.fichierDetail)
                    envoyerDetailStocke(f, base, station, url, cle);
            });
        });
    });
}

void EtapeSynchroJournal(const FamilleSynchro& f, int16_t base, int16_t station, const QString& url) {
    const char* cle = f.cles[2];
    Proc p(cle);
    DebutEtape debut;
    if (!debut.ouverte()) return;
    const QString prefixe = prefixeJournal(f, station);
    const QString basse = prefixe + QString(kLargeurCodeJournal, QChar(0));
    const QString haute = prefixe + QString(kLargeurCodeJournal, QChar(0xFF));

    // True when the entry may leave the journal: the web confirmed it, or there is nothing to send.
    const auto traiter = [&](const Layout::JournalSynchro& e) -> bool {
        const QChar etat = LireTexte(e.Etat).at(0);
        if (etat == QLatin1Char('C') || etat == QLatin1Char('M')) {
            const QString code = LireTexte(e.Code).left(f.largeurCode);
            lireParCode(f, base, station, code, cle);
            if (BtrStatus == BtrStat::KeyNotFound) return true;
            if (BtrStatus != 0) {
                QString k = cleCode(f, code);
                ErreurBTrieve(base, f.noFichier, k, source(cle));
                return false;
            }
            if (f.rejeuSelonFlagWeb && flagLocal(f) != 'O') return true;
            bool detail = false;
            if (idWebLocal(f) != 0) {
                const ReponseWeb r = appel(f, url, "UpdateXML", RequeteMiseAJour(f), cle);
                if (!r.lue || !r.resultat) return false;
                poserChamps(f, idWebLocal(f), 'O', 0);
                detail = f.fichierDetail && f.detailEnAttente();
            } else {
                const ReponseWeb r = appel(f, url, "CreateXML", f.requeteCreation(), cle);
                if (!r.lue || !r.resultat || r.id == 0) return false;
                poserChamps(f, r.id, 'O', f.creationPoseFlagWeb ? 'O' : 0);
                if (f.fichierDetail) {
                    f.poserDetailEnAttente(true);
                    detail = true;
                }
            }
            // The web holds the change; a failed local write is reported. A creation whose web id
            // could not be stored is created again by the next run, and its audit deletes the
            // older copy as an orphan. A detail the web did not confirm keeps the record's content
            // flag, not the entry.
            if (mettreAJour(f, base, station, cle) && detail) envoyerDetailStocke(f, base, station, url, cle);
            return true;
        }
        if (etat == QLatin1Char('S') && e.IdWeb > 0)
            return suppressionWebConfirmee(f, url, e.IdWeb, cle,
                                           QStringLiteral("journal entry [") + LireTexte(e.Type) +
                                               LireTexte(e.NoFichier) + LireTexte(e.NoStation) + LireTexte(e.Code) +
                                               QLatin1Char(']'));
        return true;
    };

    p(10, [&] {
        parcourir(base, station, kFichierJournal, basse, haute, cle, [&](const QString& k) {
            const Layout::JournalSynchro lue = JournalSynchro;
            const PositionBlock positionLue = PosBlk(base, station - 1, kFichierJournal);
            bool retirer = false;
            Proc q(cle, Trace::None);
            q(20, [&] {
                LabelMsgInit(LireTexte(lue.Type) + QLatin1Char(':') + LireTexte(lue.NoFichier) + QLatin1Char(':') +
                             LireTexte(lue.NoStation) + QLatin1Char(':') + LireTexte(lue.Code));
                LaisserPasserEvenements();
            });
            q(30, [&] { retirer = traiter(lue); });
            if (!retirer || q.failed()) return;
            q(40, [&] {
                // Removed through the position of its read: a change written while the entry was
                // being sent refreshed it (status 80), and it stays for the next run.
                PositionBlock bloc = positionLue;
                std::vector<char> donnees(
                    size_t(std::max<int32_t>(LongueurEnregistrement(kFichierJournal), int32_t(sizeof JournalSynchro))),
                    0);
                uint32_t longueur = uint32_t(LongueurEnregistrement(kFichierJournal));
                std::array<char, 255> tamponCle{};
                const QByteArray octets = ToCp1252(k);
                std::memcpy(tamponCle.data(), octets.constData(), size_t(std::min<qsizetype>(octets.size(), 254)));
                const int16_t st = AppelGestionnaire(BtrOp::Delete, bloc.data(), donnees.data(), &longueur,
                                                     tamponCle.data(), uint16_t(tamponCle.size()), 0);
                if (st == BtrStat::Conflict) {
                    Log(QString::fromLatin1(f.entite) + QStringLiteral(": journal entry [") + k +
                        QStringLiteral("] changed while it was sent: kept for the next run"));
                } else if (st != 0) {
                    BtrStatus = st;
                    QString d = k;
                    ErreurBTrieve(base, kFichierJournal, d, source(cle));
                }
            });
        });
    });
}

void EtapeSynchroImport(const FamilleSynchro& f, int16_t base, int16_t station, const QString& url, int statut) {
    const char* cle = f.cles[statut == 2 ? 3 : 4];
    Proc p(cle);
    DebutEtape debut;
    if (!debut.ouverte()) return;
    std::optional<ListeWebLue> liste = listeEtape(p, f, url, statut, cle);
    if (!liste) return;
    const QString entite = QString::fromLatin1(f.entite);
    const auto ignorer = [&](const LigneListeWeb& l, const QString& pourquoi) {
        Log(entite + QStringLiteral(": web item skipped (IdQD: [") + cellule(l, f.colonneCode) +
            QStringLiteral("] IdWeb: [") + cellule(l, f.colonneIdWeb) + QStringLiteral("]): ") + pourquoi);
    };
    for (const LigneListeWeb& ligne : *liste) {
        if (!continuer()) return;
        Proc q(cle, Trace::None);
        q(20, [&] {
            if (f.ligneImportable && !f.ligneImportable(ligne)) return;
            const int32_t id = idDeCellule(cellule(ligne, f.colonneIdWeb));
            if (id <= 0) return ignorer(ligne, QStringLiteral("no web id"));
            const QString codeWeb = TrimBlancs(cellule(ligne, f.colonneCode));
            if (codeWeb.size() > f.largeurCode) return ignorer(ligne, QStringLiteral("code too long"));
            QString code = codeWeb;
            if (code.isEmpty()) {
                // Acknowledged already once but not yet listed without it: the same record.
                code = codeParIdWeb(f, base, station, id, cle);
                if (code.isEmpty())
                    code = DetermineNouveauCode(base, station, QString(), f.premierCode, f.dernierCode, f.noFichier);
                if (estBlanc(code)) return ignorer(ligne, QStringLiteral("no free code"));
            }
            code = cleCode(f, code);
            lireParCode(f, base, station, code, cle);
            const bool existe = BtrStatus == 0;
            if (!existe && BtrStatus != BtrStat::KeyNotFound) {
                QString k = code;
                ErreurBTrieve(base, f.noFichier, k, source(cle));
                return;
            }
            if (existe && entreeJournalEnAttente(f, base, station, code, cle))
                return ignorer(ligne, QStringLiteral("local change waiting in the journal"));
            const QByteArray avant = imageTampon(f);
            if (!existe) ViderEnreg(f.noFichier);
            for (const ChampImporte& c : f.champsImportes)
                EcrireTexte(c.champ.donnees, c.champ.taille, cellule(ligne, c.colonne));
            QString raison;
            if (f.importer && !f.importer(ligne, raison)) {
                remettreTampon(f, avant);
                return ignorer(ligne, raison);
            }
            f.poserCode(code);
            poserChamps(f, id, 'N', existe && f.importConserveFlagWeb ? 0 : 'O');
            if (!(existe ? mettreAJour(f, base, station, cle) : inserer(f, base, station, cle))) return;
            const ReponseWeb r = appel(f, url, "UpdateXML", RequeteMiseAJour(f), cle);
            if (!r.lue || !r.resultat) return;
            poserChamps(f, id, 'O', 0);
            mettreAJour(f, base, station, cle);
        });
    }
}

void EtapeSynchroSuppressions(const FamilleSynchro& f, int16_t base, int16_t station, const QString& url) {
    const char* cle = f.cles[5];
    Proc p(cle);
    DebutEtape debut;
    if (!debut.ouverte()) return;
    std::optional<ListeWebLue> liste = listeEtape(p, f, url, 0, cle);
    if (!liste) return;
    for (const LigneListeWeb& ligne : *liste) {
        if (!continuer()) return;
        Proc q(cle, Trace::None);
        q(20, [&] {
            const int32_t id = idDeCellule(cellule(ligne, f.colonneIdWeb));
            if (id <= 0) return;
            const QString codeWeb = TrimBlancs(cellule(ligne, f.colonneCode));
            // A row without a usable code is matched by its web id, so that the local record does
            // not keep a link to an item that is about to disappear (the next run would create it
            // again).
            const QString codeLocal = !codeWeb.isEmpty() && codeWeb.size() <= f.largeurCode
                                          ? codeWeb
                                          : TrimBlancs(codeParIdWeb(f, base, station, id, cle));
            if (!continuer()) return;
            if (!codeLocal.isEmpty()) {
                const QString code = cleCode(f, codeLocal);
                lireParCode(f, base, station, code, cle);
                if (BtrStatus == 0) {
                    // Only the record linked to that web item goes; one linked elsewhere stays.
                    if (idWebLocal(f) == id) {
                        QString k = code;
                        BTRieve(base, BtrOp::Delete, k, 0, f.noFichier, station, source(cle));
                        if (BtrStatus != 0) {
                            ErreurBTrieve(base, f.noFichier, k, source(cle));
                            return;  // not confirmed: listed again next run
                        }
                    }
                } else if (BtrStatus != BtrStat::KeyNotFound) {
                    QString k = code;
                    ErreurBTrieve(base, f.noFichier, k, source(cle));
                    return;
                }
            }
            supprimerSurLeWeb(f, url, id, cle);
        });
    }
}

void EtapeSynchroAudit(const FamilleSynchro& f, int16_t base, int16_t station, const QString& url) {
    const char* cle = f.cles[6];
    Proc p(cle);
    DebutEtape debut;
    if (!debut.ouverte()) return;
    std::optional<ListeWebLue> liste = listeEtape(p, f, url, 1, cle);
    if (!liste) return;
    ListeWebLue& lignes = *liste;
    // A code wider than the file's is no local record's; such a row is left alone.
    const auto codeDe = [&](const LigneListeWeb& l) {
        const QString c = TrimBlancs(cellule(l, f.colonneCode));
        return c.size() > f.largeurCode ? QString() : cleCode(f, c);
    };
    const auto idDe = [&](const LigneListeWeb& l) { return idDeCellule(cellule(l, f.colonneIdWeb)); };
    {
        // Sorted by code, each row's code worked out once.
        std::vector<std::pair<QString, LigneListeWeb>> parCode;
        parCode.reserve(lignes.size());
        for (LigneListeWeb& l : lignes) parCode.emplace_back(codeDe(l), std::move(l));
        std::stable_sort(parCode.begin(), parCode.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        for (size_t i = 0; i < parCode.size(); ++i) lignes[i] = std::move(parCode[i].second);
    }
    bool reenregistre = false;
    // Web ids of the copies deleted on the web, whose rows also leave the list shown.
    std::vector<int32_t> supprimees;

    // Duplicates of one code: the copy the local record is linked to stays.
    p(20, [&] {
        size_t i = 0;
        while (i + 1 < lignes.size() && continuer()) {
            const QString c = codeDe(lignes[i]);
            if (estBlanc(c) || codeDe(lignes[i + 1]) != c) {
                ++i;
                continue;
            }
            lireParCode(f, base, station, c, cle);
            if (BtrStatus != 0) {
                ++i;
                continue;
            }
            const int32_t local = idWebLocal(f);
            const int32_t a = idDe(lignes[i]);
            const int32_t b = idDe(lignes[i + 1]);
            if (local == a) {
                supprimerSurLeWeb(f, url, b, cle);
                supprimees.push_back(b);
                lignes.erase(lignes.begin() + qsizetype(i + 1));
            } else if (local == b) {
                supprimerSurLeWeb(f, url, a, cle);
                supprimees.push_back(a);
                lignes.erase(lignes.begin() + qsizetype(i));
            } else {
                ++i;
            }
        }
    });

    // Each copy against its local record.
    p(30, [&] {
        size_t i = 0;
        while (i < lignes.size() && continuer()) {
            const LigneListeWeb& l = lignes[i];
            const QString c = codeDe(l);
            const int32_t a = idDe(l);
            if (estBlanc(c)) {
                ++i;
                continue;
            }
            lireParCode(f, base, station, c, cle);
            if (BtrStatus == BtrStat::KeyNotFound) {
                supprimerSurLeWeb(f, url, a, cle);
                supprimees.push_back(a);
                lignes.erase(lignes.begin() + qsizetype(i));
                continue;
            }
            if (BtrStatus != 0) {
                QString k = c;
                ErreurBTrieve(base, f.noFichier, k, source(cle));
                ++i;
                continue;
            }
            if (flagLocal(f) == 'N') {
                // As the local pass: a refused deletion leaves the record and its row as they are.
                const QString garde = QStringLiteral("link of [") + TrimBlancs(c) + QLatin1Char(']');
                if (suppressionWebConfirmee(f, url, a, cle, garde)) {
                    poserChamps(f, 0, 'N', 'N');
                    if (mettreAJour(f, base, station, cle)) PurgerJournal(f, base, station, c, cle);
                    supprimees.push_back(a);
                    lignes.erase(lignes.begin() + qsizetype(i));
                    continue;
                }
                ++i;
                continue;
            }
            if (f.copieWebDiffere(l)) {
                // Re-saved with a forced journal entry, which the replay below sends.
                bForcerEnvoiWeb = true;
                Proc r(cle, Trace::None);
                r(40, [&] { reenregistre = mettreAJour(f, base, station, cle) || reenregistre; });
                bForcerEnvoiWeb = false;
            }
            ++i;
        }
    });
    p(50, [&] { RetirerDeLaListeAffichee(f, supprimees); });
    if (reenregistre && f.auditRejoue) EtapeSynchroJournal(f, base, station, url);
}

bool ServiceInjoignable() { return g_injoignable; }

void DebutRunSynchro() {
    g_injoignable = false;
    g_identificationRefusee = false;
    g_sansReponse = 0;
}

QString BilanRun::texte() const {
    // One subject for every kind: "le service Web a refusé 2 requête(s) et n'a pas répondu à 1 requête(s)".
    QStringList faits;
    if (!erreurs.vide()) faits << erreurs.texteApresSujet();
    if (refusees != 0) faits << QStringLiteral("a refusé %1 requête(s)").arg(refusees);
    if (sansReponse != 0) faits << QStringLiteral("n'a pas répondu à %1 requête(s)").arg(sansReponse);
    if (faits.isEmpty()) return QString();
    const QString dernier = faits.takeLast();
    return QStringLiteral("le service Web ") +
           (faits.isEmpty() ? dernier : faits.join(QStringLiteral(", ")) + QStringLiteral(" et ") + dernier);
}

const BilanRun& BilanDuRun() { return g_bilanRun; }

void ReinitialiserBilanRun() { g_bilanRun = {}; }

void ReinitialiserSynchro() {
    DebutRunSynchro();
    ReinitialiserBilanRun();
    LiensSynchronisation() = LiensSynchro{};
    AccesWeb() = AccesWebParDefaut();
}

QString CelluleListe(const LigneListeWeb& l, int colonne) {
    return colonne >= 1 && colonne <= l.size() ? l.at(colonne - 1) : QString();
}

std::function<bool(const LigneListeWeb&)> LibelleWebDiffere(int colonne, QString (*libelleEnvoye)()) {
    return [colonne, libelleEnvoye](const LigneListeWeb& l) {
        return TrimBlancs(CelluleListe(l, colonne)) != libelleEnvoye();
    };
}

void LaisserFlagWeb(FamilleSynchro& f) {
    f.creationPoseFlagWeb = false;
    f.rejeuSelonFlagWeb = false;
    f.importConserveFlagWeb = true;
}
