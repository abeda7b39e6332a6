#include "sync/web_requests.h"

#include "foundation/activity.h"
#include "foundation/conversions.h"
#include "foundation/globals.h"
#include "foundation/log_secrets.h"
#include "foundation/proc.h"
#include "foundation/shell_link.h"
#include "foundation/trace_log.h"
#include "platform/app_error.h"
#include "platform/spread_grid.h"
#include "grids/list_grids.h"
#include "sync/list_readers.h"

#include <QCoreApplication>
#include <QPointer>
#include <algorithm>
#include <memory>

namespace {

std::function<ParametresWeb()> g_source;
ClientHttp* g_client = nullptr;

std::unique_ptr<ClientHttp>& clientPropreDetenu() {
    static std::unique_ptr<ClientHttp> c;
    return c;
}

ClientHttp& ClientPropre() {
    std::unique_ptr<ClientHttp>& c = clientPropreDetenu();
    if (!c) {
        c = std::make_unique<ClientHttp>();
        // Its network manager and that manager's thread must go with the application, not after it.
        if (QCoreApplication::instance()) qAddPostRoutine([] { clientPropreDetenu().reset(); });
    }
    return *c;
}

// Empties the list grid of a tab: a list that was not fetched must not show an older one.
void ViderGrilleListe(int onglet) {
    if (SpreadGrid* g = GrillePub(onglet)) {
        g->setSheet(g->activeSheet());
        g->setMaxRows(0);
    }
}

// The last fetch could not reach the service (its request got no answer).
bool g_injoignable = false;
// The error status the service answered the last fetch with; 0: none.
int g_statutErreur = 0;
// The service answered the last fetch with no list: an unreadable answer or an error code.
bool g_refusee = false;

// The log line of a request the service answered with an error status: the status and the request.
// A refusal of the credentials is named as such: it is neither an outage nor a failed request.
void LogStatutErreur(const QString& cle, const QString& entite, const QString& operation, const QString& requete) {
    TraceLog(-1, -1, -1,
             QStringLiteral("Err: ") + cle + QStringLiteral(": ") + entite + QLatin1Char('/') + operation +
                 QStringLiteral(" answered ") + DerniereErreur.Description +
                 (IdentificationRefusee() ? QStringLiteral(" (credentials refused)") : QString()) +
                 QStringLiteral(": ") + requete,
             false, -1, true);
}

bool Recherche(int16_t Mode, int16_t Onglet, bool pourSynchro, int statutImpose = -1) {
    Proc p(Cle::RechercherSurLeWeb);
    g_injoignable = false;
    g_statutErreur = 0;
    g_refusee = false;
    QString base, requete;
    const QString entite = NomEntiteOnglet(Onglet);
    p.handler([&](int erl) {
        if (DerniereErreur.Number != ErrHttpFailed) return false;
        const QString cle = QString::fromLatin1(Cle::RechercherSurLeWeb);
        g_statutErreur = StatutErreurService();
        if (g_statutErreur != 0) {
            // The service is there: it failed this one list. A synchronisation counts it and says
            // so at its end; the search button's fetch says it now.
            LogStatutErreur(cle, entite, OperationWeb::GetBySynchroWeb, requete);
            if (!pourSynchro && !bFermetureEnCours)
                MsgBoxMain(QStringLiteral("Le service Web a répondu par une erreur (HTTP %1), la liste n'est pas "
                                          "affichée: ")
                                   .arg(g_statutErreur) +
                               base,
                           Mb::OKOnly | Mb::Exclamation);
            return true;
        }
        if (IdentificationRefusee())
            LogStatutErreur(cle, entite, OperationWeb::GetBySynchroWeb, requete);
        else
            LogErreurRequete(cle, erl);
        // A request cut short by the program's end puts no question to a closing program.
        if (!bFermetureEnCours) SignalerServiceInjoignable(base);
        return true;
    });
    const bool avecListe = Mode == 1 && !entite.isEmpty();

    // One search at a time; the synchronisation's own fetches run inside it.
    const bool occupe = pourSynchro ? RechercheEnCours : ActiviteEnCours();
    if (occupe) {
        const QString message = pourSynchro || !(SynchroEnCours[0] || SynchroEnCours[1])
                                    ? QStringLiteral("Recherche en cours, veuillez patienter.")
                                    : MessageActiviteEnCours();
        MsgBoxMain(message, Mb::OKOnly | Mb::Question);
        if (avecListe && !RechercheEnCours) p(5, [&] { ViderGrilleListe(Onglet); });
        return false;
    }

    RechercheEnCours = true;
    ArretRecherche = false;
    LiensRechercheWeb& liens = LiensRecherche();
    if (liens.activerBoutons) p(10, [&] { liens.activerBoutons(false); });

    bool lue = false;
    if (avecListe) {
        bool envoye = false;
        bool Err = true;
        p(20, [&] { base = CheckSlash(ParametresWebCourants().adresse); });
        const int statut = statutImpose >= 0 ? statutImpose : liens.statutWeb ? liens.statutWeb() : StatutWeb::Cree;
        requete = QStringLiteral("?_synchroWeb=") + QString::number(statut);
        const QString adresse = AdresseRequeteWeb(base, entite, OperationWeb::GetBySynchroWeb, requete);
        const QString fichier = FichierReponseWeb(entite, OperationWeb::GetBySynchroWeb);
        FrmMsgOuverte attente(QString::fromLatin1(Cle::RechercherSurLeWeb),
                              QStringLiteral("Récupération des données sur le Web"));
        p(40, [&] {
            RequeteVersFichier(adresse, fichier);
            envoye = true;
        });
        if (envoye)
            p(50, [&] { LectureListeOnglet(Onglet, fichier, true, false, Err); });
        else
            p(50, [&] { ViderGrilleListe(Onglet); });
        g_injoignable = !envoye && g_statutErreur == 0;
        lue = envoye && !Err;
        // "No data" (500) is the service's empty list, which its reader has shown as such.
        g_refusee = envoye && Err && ReponseLectureXML.Code != 500;
    }

    if (liens.activerBoutons) p(70, [&] { liens.activerBoutons(true); });
    RechercheEnCours = false;
    return lue;
}

}  // namespace

QString NomEntiteOnglet(int onglet) {
    switch (onglet) {
        case 1:
            return EntiteWeb::Client;
        case 2:
            return EntiteWeb::Produit;
        case 3:
            return EntiteWeb::Secteur;
        case 4:
            return EntiteWeb::Commercial;
        case 5:
            return EntiteWeb::Template;
        default:
            return QString();
    }
}

QString AdresseRequeteWeb(const QString& url, const QString& entite, const QString& operation, const QString& requete) {
    return CheckSlash(url) + CheckSlash(entite) + operation + requete;
}

QString DossierReponsesWeb() { return DossierApplication + QStringLiteral("Local/QD3_Tools_Kirvo/"); }

QString FichierReponseWeb(const QString& entite, const QString& operation) {
    return DossierReponsesWeb() + entite + QLatin1Char('_') + operation + QStringLiteral(".xml");
}

void SetSourceParametresWeb(std::function<ParametresWeb()> source) { g_source = std::move(source); }

ParametresWeb ParametresWebCourants() { return g_source ? g_source() : ParametresWeb{}; }

ClientHttp& ClientWeb() { return g_client ? *g_client : ClientPropre(); }

void InstallerClientWeb(ClientHttp* client) { g_client = client; }

void RequeteVersFichier(const QString& adresse, const QString& fichier) {
    // The client may go away during the request (the program closing from inside its wait).
    const QPointer<ClientHttp> c(&ClientWeb());
    // The options window's credentials go with every request, as they stand now.
    const ParametresWeb pw = ParametresWebCourants();
    c->HttpUtilisateur = pw.utilisateur;
    c->HttpMotDePasse = pw.motDePasse;
    try {
        c->HttpRequeteVersFichier(adresse, fichier);
    } catch (...) {
        if (c) c->HttpFinRequete();
        throw;
    }
    if (c) c->HttpFinRequete();
}

void LogErreurRequete(const QString& cle, int ligne) {
    TraceLog(-1, -1, -1,
             QStringLiteral("Err: ") + QString::number(DerniereErreur.Number) + QStringLiteral(" (") +
                 DerniereErreur.Description + QStringLiteral(")  Source:") + cle + QLatin1Char(':') +
                 QString::number(ligne),
             false, -1, true);
}

bool EchangeWeb(const QString& url, const QString& entite, const QString& operation, const QString& requete,
                const QString& cleProcedure) {
    const QByteArray cle = cleProcedure.toLatin1();
    Proc p(cle.constData(), Trace::None);
    p.handler([&](int) {
        // The cause may quote the address, query included: the error kept holds no secret.
        DerniereErreur.Description = MasquerSecrets(DerniereErreur.Description);
        if (DerniereErreur.Number != ErrHttpFailed) return false;
        if (StatutErreurService() != 0 || IdentificationRefusee())
            LogStatutErreur(cleProcedure, entite, operation, requete);
        // The steps write their failures with line 0.
        else
            LogErreurRequete(cleProcedure, 0);
        return true;
    });
    return p(10, [&] {
        RequeteVersFichier(AdresseRequeteWeb(url, entite, operation, requete), FichierReponseWeb(entite, operation));
    });
}

void SetLiensRechercheWeb(LiensRechercheWeb liens) { LiensRecherche() = std::move(liens); }

LiensRechercheWeb& LiensRecherche() {
    static LiensRechercheWeb l;
    return l;
}

bool RechercherSurLeWeb(int16_t Mode, int16_t Onglet) { return Recherche(Mode, Onglet, false); }

bool DerniereRechercheInjoignable() { return g_injoignable; }

int DerniereRechercheStatutErreur() { return g_statutErreur; }

bool DerniereRechercheRefusee() { return g_refusee; }

int StatutErreurService() {
    const ClientHttp& c = ClientWeb();
    // A refusal of the credentials is told apart: the run stops there with its own box.
    return c.statutEnErreur() && c.dernierStatut() != 401 ? c.dernierStatut() : 0;
}

bool IdentificationRefusee() {
    const ClientHttp& c = ClientWeb();
    return c.statutEnErreur() && c.dernierStatut() == 401;
}

QString CauseArretService(bool identificationRefusee) {
    return identificationRefusee ? QStringLiteral("credentials refused by the web service (HTTP 401)")
                                 : QStringLiteral("web service unreachable");
}

QString FinLigneBilanService(bool arrete, bool identificationRefusee) {
    if (arrete) return QStringLiteral(", stopped: ") + CauseArretService(identificationRefusee);
    if (bFermetureEnCours) return QStringLiteral(", stopped: the program is closing");
    return QString();
}

void ErreursService::compter(int statut) {
    ++nombre;
    const auto i = std::lower_bound(statuts.begin(), statuts.end(), statut);
    if (i == statuts.end() || *i != statut) statuts.insert(i, statut);
}

QString ErreursService::texte() const { return QStringLiteral("le service Web ") + texteApresSujet(); }

QString ErreursService::texteApresSujet() const {
    QStringList s;
    for (const int n : statuts) s << QStringLiteral("HTTP ") + QString::number(n);
    return QStringLiteral("a répondu par des erreurs (") + s.join(QStringLiteral(", ")) + QStringLiteral(") à ") +
           QString::number(nombre) + QStringLiteral(" requête(s)");
}

void SignalerServiceInjoignable(const QString& url, const QString& suite) {
    // What follows starts a line of its own: run on after the address, it would read as part of it.
    const QString fin = suite.isEmpty() ? QString() : QStringLiteral("\r\n") + suite;
    // The address is right when the service asks for other credentials: saying it is out of reach
    // would send the user to the wrong field.
    if (IdentificationRefusee())
        MsgBoxMain(QStringLiteral("Identification refusée par le service Web, vérifiez User et Password des "
                                  "options: ") +
                       url + fin,
                   Mb::OKOnly | Mb::Exclamation);
    else
        MsgBoxMain(QStringLiteral("Adresse Web non accessible: ") + url + fin, Mb::OKOnly | Mb::Exclamation);
}

bool RechercherListeWeb(int16_t Onglet, int statut) {
    if (LiensRecherche().setStatutWeb) LiensRecherche().setStatutWeb(statut);
    return Recherche(1, Onglet, true, statut);
}

void ReinitialiserRequetesWeb() {
    g_injoignable = false;
    g_statutErreur = 0;
    g_refusee = false;
    g_source = nullptr;
    g_client = nullptr;
    LiensRecherche() = LiensRechercheWeb{};
    ClientPropre().HttpUtilisateur.clear();
    ClientPropre().HttpMotDePasse.clear();
    ClientPropre().DelaiMaxMs = DelaiRequeteParDefautMs;
    ClientPropre().fermerConnexions();
}
