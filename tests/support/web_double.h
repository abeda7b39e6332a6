#pragma once
// A stand-in for the advertising web service, for tests, benchmarks and the sample site: a real
// HTTP server on 127.0.0.1 (ephemeral port by default) running on threads of its own, so that it
// answers while the program waits for it in its own event loop.
//
// It keeps lists of clients, products, business sectors, salespeople and templates (web id, local
// code, fields, web status) and answers the operations of the service in its XML shapes:
//   <entity>/GetBySynchroWeb?_synchroWeb=s    items of status s
//   <entity>/GetByIdWeb?<px>IdWeb=n           the item, or no item when the web has none
//   <entity>/CreateXML?<px>IdQD=..&..         new item (status 1), Result True and its Id
//   <entity>/UpdateXML?..&<px>IdWeb=n         fields replaced (status 1), Result True
//   <entity>/DeleteXML?<px>IdWeb=n            item removed, Result True
//   Template/EmptyXML?TmpIdWeb=n, Template/CreateDetailXML?TmpIdWeb=n&TmpDetail=..
//   TauxRemplissage/DeleteXML?TrpDate=..&TrpStation=.., TauxRemplissage/UpdateXML?Trp...
//   TauxRemplissage/GetXML?TrpDate=..&TrpStation=..   the rows kept for that day and station
//   GrillePosition/UpdateXML?position=..  GrillePosition/GetXML   the week's values kept
// Field names carry the entity's prefix ("CltNom"); templates are answered with the business-
// sector element names ("SecteurActiviteBO", "SecIdWeb"...), as the service does.
// It checks the user name and password (HTTP basic authentication; 401 with an HTML page
// otherwise), records every request, and can be scripted to change its lists on the web side and
// to fail in the ways a real service or network fails.
//
// Thread-safe: tests script it from the test thread while its threads answer.
#include <QByteArray>
#include <QList>
#include <QMap>
#include <QPair>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

namespace double_web {

// Entity names as the service knows them.
inline const QString Client = QStringLiteral("Client");
inline const QString Produit = QStringLiteral("Produit");
inline const QString Secteur = QStringLiteral("SecteurActivite");
inline const QString Commercial = QStringLiteral("Commercial");
inline const QString Template = QStringLiteral("Template");

// Web status of an item (the values of _synchroWeb).
enum Statut : int { Supprime = 0, Synchronise = 1, Cree = 2, Modifie = 3 };

struct Element {
    int idWeb = 0;
    QString idQD;                   // the local code, as received
    QMap<QString, QString> champs;  // field name with the entity's prefix -> value ("CltNom")
    int statut = Synchronise;
    QStringList details;  // templates: the passages received by CreateDetailXML
};

struct Requete {
    QString methode;                            // "GET"...
    QString chemin;                             // decoded path, "/Kirvo/WebService/Client/CreateXML"
    QString entite, operation;                  // the last two segments of the path
    QByteArray requeteBrute;                    // the query as it arrived, without "?"
    QList<QPair<QString, QString>> parametres;  // decoded (UTF-8) pairs, in order
    QString utilisateur, motDePasse;            // from the basic authentication, empty when none
    QByteArray userAgent;
    int portClient = 0;                        // the client's port: one per connection
    QString valeur(const QString& cle) const;  // first value of the key ("" when absent)
    bool contient(const QString& cle) const;
};

enum class Panne {
    Http500Html,    // HTTP 500 with an HTML error page
    Xhtml200,       // HTTP 200 with a well-formed XHTML page (a proxy or login page)
    Http401,        // HTTP 401 whatever the credentials
    Refus,          // the listener is closed: connections are refused until annulerPannes()
    Coupure,        // the connection is closed in the middle of the answer
    CorpsVide,      // HTTP 200, empty body
    CorpsMalForme,  // HTTP 200, a body that is not XML
    CorpsTronque,   // HTTP 200, the XML answer cut in the middle (a complete HTTP answer)
    CodeErreur,     // HTTP 200, an error answer of the service: <Code>code</Code> and <Error>
    Delai,          // the answer comes after delaiMs
    // The service answers without an error but does nothing: Code 0 and Result False ...
    ResultatFaux,
    // ... or Code 0, Result True and Id 0 (and, for a list, no item).
    IdZero,
    // HTTP 200, the usual answer written in Windows-1252 while its declaration says utf-8.
    Cp1252DitUtf8,
};

struct PanneProgrammee {
    Panne type = Panne::Http500Html;
    int code = 500;           // CodeErreur: 500, 501, 1001...
    int delaiMs = 0;          // Delai
    int fois = 1;             // requests concerned; -1: every request until annulerPannes()
    QString entite{};         // only requests of this entity (empty: any)
    QString operation{};      // only requests of this operation (empty: any)
    QString cle{}, valeur{};  // only requests whose query holds cle with this value (cle empty: any)
    int apres = 0;            // the first requests concerned let through before the fault applies
};

class WebDouble {
public:
    struct Options {
        QString utilisateur = QStringLiteral("kirvo");
        QString motDePasse = QStringLiteral("secret");
        bool tls = false;
        QString certificat;  // PEM files of the TLS variant (see creerCertificatAutoSigne)
        QString cle;
        // Path prefix of the service; the base address is http://127.0.0.1:port + prefix.
        QString prefixe = QStringLiteral("/Kirvo/WebService/");
    };

    WebDouble();
    explicit WebDouble(Options options);
    ~WebDouble();
    WebDouble(const WebDouble&) = delete;
    WebDouble& operator=(const WebDouble&) = delete;

    // Listens on 127.0.0.1:port (0: a free port). False when it cannot (erreur says why).
    bool demarrer(quint16 port = 0, QString* erreur = nullptr);
    void arreter();
    bool actif() const;
    quint16 port() const;
    // "http://127.0.0.1:<port>/Kirvo/WebService/" (https for the TLS variant).
    QString adresseBase() const;
    const Options& options() const;
    void setIdentifiants(const QString& utilisateur, const QString& motDePasse);

    // --- the lists ---
    // Adds an item as it is (its id when given, else the next one); returns its id.
    int ajouter(const QString& entite, Element e);
    // Web-side changes, as a user of the web site makes them: a new item (status 2, no local
    // code), a change (status 3), a deletion (status 0, kept in the list with that status).
    int creerSurLeWeb(const QString& entite, const QMap<QString, QString>& champs);
    bool modifierSurLeWeb(const QString& entite, int idWeb, const QMap<QString, QString>& champs);
    bool supprimerSurLeWeb(const QString& entite, int idWeb);
    std::optional<Element> element(const QString& entite, int idWeb) const;
    std::vector<Element> elements(const QString& entite) const;
    void vider();
    // The fill rates kept (key "YYYY-MM-DD|station|kind" -> the UpdateXML query's decoded pairs;
    // a DeleteXML of the day and station clears its kinds) and the break-grid values kept, one
    // per day and hour, in day and hour order.
    QMap<QString, QList<QPair<QString, QString>>> tauxRemplissage() const;
    QStringList grillePositions() const;

    // A few items of every entity, of every status.
    void graineExemple();
    // Seed file: lines "entity|idWeb|status|idQD|Field=value|Field=value..." ('#' comments);
    // values may hold "|" as "\|". False with the line at fault in erreur.
    bool chargerGraine(const QString& fichier, QString* erreur = nullptr);

    // --- failures ---
    void programmerPanne(const PanneProgrammee& p);
    void annulerPannes();

    // --- what was received ---
    std::vector<Requete> requetes() const;
    int nombreRequetes() const;
    void effacerRequetes();

    // A self-signed certificate for CN=commonName (and 127.0.0.1 / localhost as alternative
    // names), valid from now for a year, with its private key, both as PEM files.
    static bool creerCertificatAutoSigne(const QString& fichierCertificat, const QString& fichierCle,
                                         const QString& commonName = QStringLiteral("127.0.0.1"),
                                         QString* erreur = nullptr);

    struct Etat;

private:
    std::unique_ptr<Etat> d_;
};

// The query value encoding the service decodes: every byte outside A-Z a-z 0-9 - . _ ~ as %XX.
QByteArray EncoderValeur(const QString& valeur);

}  // namespace double_web
