#pragma once
// Lib_Kirvo's web requests. Every exchange with the web service is one GET of
//     base address (ending with "/") + entity + "/" + operation + query ("?k=v&k=v", values encoded)
// made through the HTTP client with the options window's user name and password (read before
// every request), its answer saved to the entity's and operation's answer file
//     DossierApplication + "Local/QD3_Tools_Kirvo/" + entity + "_" + operation + ".xml"
// and then read by the operation's reader (answer_readers.h, list_readers.h). A failed request
// leaves no answer file: no reader ever takes an earlier answer for it.
//
// The web list fetch RechercherSurLeWeb puts the list of one web status of one entity into the
// entity's list grid; the web search button and the synchronisation steps use it.
#include <QList>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

#include "platform/http_client.h"

namespace Cle {
inline constexpr const char* RechercherSurLeWeb = "Lib_Kirvo:RechercherSurLeWeb";
}  // namespace Cle

// Entity names as sent.
namespace EntiteWeb {
inline const QString Client = QStringLiteral("Client");
inline const QString Produit = QStringLiteral("Produit");
inline const QString Secteur = QStringLiteral("SecteurActivite");
inline const QString Commercial = QStringLiteral("Commercial");
inline const QString Template = QStringLiteral("Template");
inline const QString TauxRemplissage = QStringLiteral("TauxRemplissage");
inline const QString GrillePosition = QStringLiteral("GrillePosition");
}  // namespace EntiteWeb

// Operation names as sent.
namespace OperationWeb {
inline const QString GetBySynchroWeb = QStringLiteral("GetBySynchroWeb");
inline const QString GetByIdWeb = QStringLiteral("GetByIdWeb");
inline const QString CreateXML = QStringLiteral("CreateXML");
inline const QString UpdateXML = QStringLiteral("UpdateXML");
inline const QString DeleteXML = QStringLiteral("DeleteXML");
inline const QString EmptyXML = QStringLiteral("EmptyXML");
inline const QString CreateDetailXML = QStringLiteral("CreateDetailXML");
}  // namespace OperationWeb

// StatutWeb: the web status a list asks for (the index of the main window's ComboStatus).
namespace StatutWeb {
enum : int { Supprime = 0, Synchronise = 1, Cree = 2, Modifie = 3 };
}

// The entity of a tab of the advertising page (1 "Client" .. 5 "Template"); "" for any other tab.
QString NomEntiteOnglet(int onglet);

// CheckSlash(url) + CheckSlash(entite) + operation + requete.
QString AdresseRequeteWeb(const QString& url, const QString& entite, const QString& operation, const QString& requete);
// The answer files' folder (ends with "/") and the file of an entity and operation.
QString DossierReponsesWeb();
QString FichierReponseWeb(const QString& entite, const QString& operation);

// --- what the requests read of the options window (installed by the shell) ---
struct ParametresWeb {
    QString adresse;      // TxtURL as typed
    QString utilisateur;  // TxtURLUser
    QString motDePasse;   // TxtURLPW
};
void SetSourceParametresWeb(std::function<ParametresWeb()> source);
// The current values (all empty while no source is installed).
ParametresWeb ParametresWebCourants();

// --- the HTTP client: the hidden host's clHttp1 once installed, else one of this module's own ---
ClientHttp& ClientWeb();
void InstallerClientWeb(ClientHttp* client);  // nullptr: back to the module's own

// One request into its answer file, with the current credentials: HttpRequeteVersFichier then
// HttpFinRequete (also after a failure). Raises ErrHttpFailed, the answer file then absent.
void RequeteVersFichier(const QString& adresse, const QString& fichier);

// The exchange of the synchronisation steps, the fill-rate upload and the break-grid export: the
// request of (url, entite, operation, requete) into its answer file. True when the file holds this
// request's answer. A failed request is reported here, once, as the log line
//     "Err: -2147418113 (<cause>)  Source:<cleProcedure>:0"
// when it got no answer, or, when the service answered it with an error status,
//     "Err: <cleProcedure>: <entite>/<operation> answered HTTP/1.1 500 <reason>: <requete>"
// (a refusal of the credentials with " (credentials refused)" after the status)
// (any other error through GestionDesErreurs(-1, cleProcedure)); the caller then reads nothing and
// tells the two apart with StatutErreurService().
bool EchangeWeb(const QString& url, const QString& entite, const QString& operation, const QString& requete,
                const QString& cleProcedure);

// The HTTP status of the last request when the service answered it with an error status (outside
// 2xx, other than the refusal of the credentials): the service is there and failed or refused that
// one request. 0 when the request got no answer at all (the service out of reach), when the
// service refused the credentials, or when it did not fail.
int StatutErreurService();

// The service refused the options' User and Password for the last request (HTTP 401): it is
// there, but no request goes through until they are mended. Not an outage, not an error status.
bool IdentificationRefusee();
// Why a run of requests stopped before its end, as its summary line in the log says it:
// "web service unreachable", or "credentials refused by the web service (HTTP 401)".
QString CauseArretService(bool identificationRefusee);
// The end of a run's summary line: ", stopped: " and the cause when the service stopped it
// (arrete), or when the program is closing; empty when the run went to its end.
QString FinLigneBilanService(bool arrete, bool identificationRefusee);

// The requests of a run the service answered with an error status, for the message that ends it.
struct ErreursService {
    int nombre = 0;
    QList<int> statuts;  // in increasing order, each once
    void compter(int statut);
    bool vide() const { return nombre == 0; }
    // "le service Web a répondu par des erreurs (HTTP 500) à 3 requête(s)"
    QString texte() const;
    // The same after its subject: "a répondu par des erreurs (HTTP 500) à 3 requête(s)".
    QString texteApresSujet() const;
};

// The log line of a failed request, from DerniereErreur: "Err: <number> (<description>)  Source:"
// + cle + ":" + line.
void LogErreurRequete(const QString& cle, int ligne);

// --- the web list fetch ---
// What it reads and sets of the main window (installed by the shell). Unset: status 2, nothing.
struct LiensRechercheWeb {
    std::function<int()> statutWeb;            // current index of ComboStatus
    std::function<void(int)> setStatutWeb;     // the synchronisation steps choose it
    std::function<void(bool)> activerBoutons;  // CommandLocalRecherche and CommandWebRecherche
};
void SetLiensRechercheWeb(LiensRechercheWeb liens);
LiensRechercheWeb& LiensRecherche();

// Mode 1 (advertising page) and Onglet 1..5: the list of the current status of that entity into
// its grid. Mode 0 or a tab without a web list sends nothing. While a search or a synchronisation
// runs it only says "Recherche en cours, veuillez patienter." (or the synchronisation's message).
// True when a list was fetched and read (the grid holds it); false otherwise, the grid then empty
// (a failure is reported here: the log line and "Adresse Web non accessible: " + address, or, for
// a service that answered with an error status, the box that says so; a synchronisation's own
// fetch leaves that one to the end of its run).
bool RechercherSurLeWeb(int16_t Mode, int16_t Onglet);

// The same for a status of the caller's choice (the synchronisation steps): the status list is
// set first. The activity of the caller (a synchronisation) does not refuse it.
bool RechercherListeWeb(int16_t Onglet, int statut);
// The last fetch failed because its request got no answer (service down, refused, time-out,
// credentials refused): it has been reported, and a synchronisation goes no further.
bool DerniereRechercheInjoignable();
// The error status the service answered the last fetch with (0: none); see StatutErreurService.
int DerniereRechercheStatutErreur();
// The service answered the last fetch, but with no list: an answer that does not read, or an error
// code (shown by the reader) other than 500, the service's "no data".
bool DerniereRechercheRefusee();

// The one box of a run whose request got no usable answer: "Adresse Web non accessible: " and the
// address, unless the service answered that it refuses the options' User and Password; suite,
// when given, goes on a new line after the address (what the run left undone).
void SignalerServiceInjoignable(const QString& url, const QString& suite = QString());

// Tests: the module's own client, no source, no links.
void ReinitialiserRequetesWeb();
