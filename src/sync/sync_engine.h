#pragma once
// The six synchronisation steps, written once. A family (clients, products, business sectors,
// salespeople, canvases) is a FamilleSynchro: its file, web names, procedure keys, and the few
// small functions where families differ (query of a record, import of a list row, the value the
// audit compares). Everything else — the walks, the journal, the web calls and their failures —
// lives here.
//
//   01 local pass     every local record: removed from the web when flagged off it, its web id
//                     checked, created on the web when it has none (with its detail, for a
//                     family that has one)
//   02 journal replay the forced journal entries of the family's file and station sent to the
//                     web; an entry leaves the journal only once the web confirmed it
//   03/04 imports     records created / modified on the web written locally and acknowledged
//   05 deletions      records deleted on the web deleted locally and the deletion confirmed
//   06 audit          duplicates and orphans deleted on the web, differing copies sent again
//
// A record flagged off the web (01, 06) loses its link to its web copy only once the web confirmed
// the deletion; a refusal is logged and the next run asks again. A deletion answered "no such item"
// has done what it asked for.
//
// Every request, the list fetches of steps 03 to 06 included, counts once in the family's summary
// line and in the run's totals: its work done, an error status, a refusal (Result not true, an
// error code, no readable answer) or no answer. A list answered "no data" (code 500) is an empty
// one. The run stops at the first refusal of the credentials, at a list fetch without an answer,
// or after NbRepetitionsSynchro requests of a step in a row without an answer, with one box.
//
// Steps 03 to 06 act on the rows their own list fetch returned, never on a grid another command
// may have refilled meanwhile. Every walk is bounded and stops once the program is closing.
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "grids/web_lists.h"
#include "sync/web_requests.h"

// One item of a web list, as the list reader lays it out in the entity's grid: the text of
// column c is at index c - 1.
using LigneListeWeb = QStringList;
using ListeWebLue = std::vector<LigneListeWeb>;

// What the web answered to one request, once read by the operation's reader.
struct ReponseWeb {
    bool transmise = false;  // the service answered (false: no connection, time-out)
    int statutHttp = 0;      // the error status it answered with (0: none); the answer then not "lue"
    // It refused the options' credentials (HTTP 401): an answer, not "lue", and the run's end.
    bool identificationRefusee = false;
    bool lue = false;       // a fresh answer was read without failure (code 0)
    bool resultat = false;  // its Result reads true
    int32_t id = 0;         // CreateXML: the new web id; GetByIdWeb: the item's web id (0: none)
    int32_t code = 0;       // the answer's return code (an error answer is not "lue")
};

struct FamilleSynchro {
    // --- names ---
    const char* entite = "";   // "Client": the address segment, answer files, wait label
    const char* prefixe = "";  // "Clt": the query keys' prefix
    // Procedure keys: [0] the driver, [1..6] the steps ("Lib_Kirvo:SynchroniserPub_01_Client_03").
    std::array<const char*, 7> cles{};
    int16_t noFichier = 0;             // database file of the records (3)
    int ongletPublicite = 0;           // its tab of the advertising page and list-fetch number (1; LierListeWeb)
    int largeurCode = 0;               // width of the record code, key 0 of the file (8)
    QString premierCode, dernierCode;  // range of new codes for an item the web lists without one

    // --- the record in the file's buffer ---
    std::function<QString()> code;                  // as stored
    std::function<QString()> libelle;               // for the wait window's label, trimmed
    std::function<void(const QString&)> poserCode;  // writes the code into the buffer

    // --- the query of the record in the buffer (the update and the id-only ones are the engine's) ---
    std::function<QString()> requeteCreation;

    // --- web lists (LierListeWeb: from the entity's field table) ---
    int colonneCode = 0;
    int colonneIdWeb = 0;
    // The fields an import writes into the buffer, each from its column of the row; every other
    // field keeps its content.
    std::vector<ChampImporte> champsImportes;
    // What an import writes besides; unset: nothing. False with a reason: the row is passed over.
    std::function<bool(const LigneListeWeb&, QString& raison)> importer;
    // Rows the imports take at all (products: their nature); unset: every row.
    std::function<bool(const LigneListeWeb&)> ligneImportable;
    // The audit: true when the web copy in the row differs from what the family would send for
    // the record in the buffer.
    std::function<bool(const LigneListeWeb&)> copieWebDiffere;

    // --- where the later families differ from clients ---
    bool creationPoseFlagWeb = true;  // a creation also sets FlagWeb "O"
    bool rejeuSelonFlagWeb = true;    // the replay sends only records kept on the web
    bool auditRejoue = true;          // the audit ends with a replay of the re-saved records
    std::array<bool, 7> etapes{false, true, true, true, true, true, true};  // [1..6] steps run

    // --- imports of the families whose FlagWeb is the station's own choice ---
    // An import that finds the record already there leaves its FlagWeb as it is (a new record
    // starts kept on the web).
    bool importConserveFlagWeb = false;

    // --- records under parent records, each with a detail of its own (canvases: the templates of
    // the canvas contracts, and their scheduled passages) ---
    // The local pass walks the parents in their file on key 0 between these bounds, and under each
    // one the records whose key 0 starts with the parent's code. 0: the whole file is walked.
    int16_t fichierParent = 0;
    QString parentMinimal, parentMaximal;
    std::function<QString()> codeParent;     // of the parent in its buffer
    std::function<QString()> libelleParent;  // for the wait window's label, trimmed
    // The wait window's label of the record in the buffer during the local pass; unset: its code,
    // ": " and its label.
    std::function<QString()> etiquettePasseLocale;
    // The detail: records of another file whose key 0 starts with the record's code, sent as lines
    // after a confirmed creation, after a confirmed update when the record says its detail changed,
    // and by the local pass while it still says so. The web's detail is emptied first, then one
    // request per line; the record's content flag is cleared only once the web confirmed all of it.
    // 0: no detail.
    int16_t fichierDetail = 0;
    int largeurCleDetail = 0;               // key 0 of the detail file
    const char* cleDetail = "";             // procedure key of the sending
    std::function<bool()> detailEnAttente;  // the content flag says "to send"
    std::function<void(bool)> poserDetailEnAttente;
    std::function<QString()> requeteViderDetail;  // "EmptyXML", of the record in the buffer
    // The line of the detail record in its buffer; empty: that record sends none.
    std::function<QString()> ligneDetail;
    std::function<QString(const QString& ligne)> requeteLigneDetail;  // "CreateDetailXML"
};

// What the steps need of the layers above them (tabs of the main window). Unset: nothing.
struct LiensSynchro {
    // Shows the advertising page with that tab current.
    std::function<void(int ongletPublicite)> afficherOnglet;
};
LiensSynchro& LiensSynchronisation();

// The web's side of the steps. The default reaches the service through the program's request
// routine and readers; tests may keep it.
struct AccesWebSynchro {
    // One request (operation "CreateXML", "UpdateXML", "DeleteXML" or "GetByIdWeb") of the family
    // and its answer read. A request that failed is reported once where it failed and comes back
    // with lue false (a DeleteXML answered "no such item": code 501, without a box).
    std::function<ReponseWeb(const FamilleSynchro&, const QString& url, const QString& operation,
                             const QString& requete, const char* cleProcedure)>
        requete;
    // The family's web list of a status (0..3), read; nullopt when no list was fetched (refused,
    // failed or unreadable).
    std::function<std::optional<ListeWebLue>(const FamilleSynchro&, int statut)> liste;
};
AccesWebSynchro& AccesWeb();
// What AccesWeb() holds at start.
AccesWebSynchro AccesWebParDefaut();

// "?<prefix>IdWeb=<id>": the query of DeleteXML and GetByIdWeb.
QString RequeteIdWeb(const FamilleSynchro& f, int32_t idWeb);
// The query of UpdateXML: the family's creation query of the record in the buffer, then
// "&<prefix>IdWeb=" and the record's web id.
QString RequeteMiseAJour(const FamilleSynchro& f);

// The driver: the family's tab, the wait window, the steps in order, each to its end.
void SynchroniserFamille(const FamilleSynchro& f, const QString& url);

// The steps, each with (base, station, base address ending with "/").
void EtapeSynchroPasseLocale(const FamilleSynchro& f, int16_t base, int16_t station, const QString& url);
void EtapeSynchroJournal(const FamilleSynchro& f, int16_t base, int16_t station, const QString& url);
// statut: 2 created on the web (step 03), 3 modified on the web (step 04).
void EtapeSynchroImport(const FamilleSynchro& f, int16_t base, int16_t station, const QString& url, int statut);
void EtapeSynchroSuppressions(const FamilleSynchro& f, int16_t base, int16_t station, const QString& url);
void EtapeSynchroAudit(const FamilleSynchro& f, int16_t base, int16_t station, const QString& url);

// Sends the detail of the record in the family's buffer (its web id set): the web's detail
// emptied, then the line of every detail record under code, in key order. True when the web
// confirmed the emptying and every line; nothing is sent after an emptying it did not confirm.
// The record's content flag is the caller's.
bool EnvoyerDetail(const FamilleSynchro& f, int16_t base, int16_t station, const QString& url, const QString& code);

// Removes the forced journal entries of one record of the family (file, station, code).
void PurgerJournal(const FamilleSynchro& f, int16_t base, int16_t station, const QString& code, const char* cle);

// A failed read is tried again this many times before the step gives up with an incident; after
// this many requests in a row without an answer the service is taken as gone and the step ends.
inline constexpr int NbRepetitionsSynchro = 3;

// The range test of the walks: the key lies above the bound, compared in upper case, then in
// lower case.
bool CleAuDela(const QString& cle, const QString& borne);

// A family's synchronisation starts: the service is taken as reachable again.
void DebutRunSynchro();
// The families' requests that failed since the last ReinitialiserBilanRun (the dispatcher's run
// start): each failed that one request only, the run went on, what it was to do waits for the next
// run, and the run's end tells the user.
struct BilanRun {
    ErreursService erreurs;  // answered with an error status
    int refusees = 0;        // refused by the answer: Result not true, an error code, no readable answer
    int sansReponse = 0;     // no answer (below the outage rule)
    // The last of those, the run's last requests: an outage met right after them may be the same.
    int sansReponseEnFin = 0;
    bool vide() const { return erreurs.vide() && refusees == 0 && sansReponse == 0; }
    // Each kind with its count: "le service Web a répondu par des erreurs (HTTP 500) à 1 requête(s),
    // a refusé 2 requête(s) et n'a pas répondu à 1 requête(s)".
    QString texte() const;
};
const BilanRun& BilanDuRun();
void ReinitialiserBilanRun();
// The last family's synchronisation stopped because the service could not be reached or refused
// the options' credentials, and reported it once: the dispatcher starts no further family in that
// run, and no other word follows.
bool ServiceInjoignable();

// Tests: the default web access and no links.
void ReinitialiserSynchro();

// --- what the families' descriptions share ---
// The text of column c (from 1) of a web list row; empty when the row has no such column.
QString CelluleListe(const LigneListeWeb& l, int colonne);
// The audit's test of a family that compares one label: the trimmed text of that column against
// the label its queries send for the record in the buffer (the web holds what was sent).
std::function<bool(const LigneListeWeb&)> LibelleWebDiffere(int colonne, QString (*libelleEnvoye)());
// A family whose FlagWeb is not the synchronisation's to set (the station's choice, or that of the
// suite's other programs): a creation and an import leave it as it is, and the replay sends a
// journal entry whatever it holds.
void LaisserFlagWeb(FamilleSynchro& f);
// The family's list from its entity's field table: its tab, the code and web id columns, the
// fields an import writes.
template <class R>
void LierListeWeb(FamilleSynchro& f, const ListeWeb<R>& l) {
    f.ongletPublicite = l.grille;
    f.colonneCode = ColonneDe(l, RoleColonne::Code);
    f.colonneIdWeb = ColonneDe(l, RoleColonne::IdWeb);
    f.champsImportes = ChampsImportes(l);
}
