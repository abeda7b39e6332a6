#include "support/web_double.h"

// Answers go out at once: without it each small answer waits on the client's delayed
// acknowledgement (about 40 ms a request).
#define CPPHTTPLIB_TCP_NODELAY true
#include <httplib.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <QFile>
#include <QStringEncoder>
#include <QTextStream>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <map>
#include <mutex>
#include <thread>

namespace double_web {

namespace {

struct Famille {
    QString entite;
    QString prefixe;         // of the query keys
    QString prefixeReponse;  // of the answer's field elements
    QString item;            // item element of the answers
};

const std::vector<Famille>& Familles() {
    static const std::vector<Famille> f = {
        {Client, QStringLiteral("Clt"), QStringLiteral("Clt"), QStringLiteral("ClientBO")},
        {Produit, QStringLiteral("Pdt"), QStringLiteral("Pdt"), QStringLiteral("ProduitBO")},
        {Secteur, QStringLiteral("Sec"), QStringLiteral("Sec"), QStringLiteral("SecteurActiviteBO")},
        {Commercial, QStringLiteral("Cml"), QStringLiteral("Cml"), QStringLiteral("CommercialBO")},
        {Template, QStringLiteral("Tmp"), QStringLiteral("Sec"), QStringLiteral("SecteurActiviteBO")},
    };
    return f;
}

const Famille* famille(const QString& entite) {
    for (const Famille& f : Familles())
        if (f.entite == entite) return &f;
    return nullptr;
}

int hex(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// As the service decodes a query value: %XX is a byte, "+" is a blank, the bytes are UTF-8.
QString decoder(const QByteArray& s) {
    QByteArray out;
    out.reserve(s.size());
    for (int i = 0; i < s.size(); ++i) {
        const char c = s[i];
        if (c == '+') {
            out += ' ';
        } else if (c == '%' && i + 2 < s.size() && hex(s[i + 1]) >= 0 && hex(s[i + 2]) >= 0) {
            out += char(hex(s[i + 1]) * 16 + hex(s[i + 2]));
            i += 2;
        } else {
            out += c;
        }
    }
    return QString::fromUtf8(out);
}

QString xml(const QString& s) { return s.toHtmlEscaped(); }

const char* kEntete = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n";

QByteArray reponseOk(const QString& corps) {
    return (QString::fromLatin1(kEntete) + QStringLiteral("<Reponse><Code>0</Code>") + corps +
            QStringLiteral("</Reponse>\r\n"))
        .toUtf8();
}

QByteArray reponseErreur(int code, const QString& message, const QString& errorCode) {
    return (QString::fromLatin1(kEntete) +
            QStringLiteral("<Reponse><Code>%1</Code><Error><Type>Erreur</Type>"
                           "<Message>%2</Message><ErrorCode>%3</ErrorCode></Error></Reponse>\r\n")
                .arg(code)
                .arg(xml(message), xml(errorCode)))
        .toUtf8();
}

const char* kPage500 =
    "<!DOCTYPE html PUBLIC \"-//W3C//DTD HTML 4.01//EN\" \"http://www.w3.org/TR/html4/strict.dtd\">\r\n"
    "<html><head><title>500 - Internal Server Error</title></head>\r\n"
    "<body><h1>Server Error</h1><p>An error occurred on the server.</p></body></html>\r\n";
const char* kPageXhtml =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
    "<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Strict//EN\" "
    "\"http://www.w3.org/TR/xhtml1/DTD/xhtml1-strict.dtd\">\r\n"
    "<html xmlns=\"http://www.w3.org/1999/xhtml\"><head><title>Connexion</title></head>\r\n"
    "<body><form action=\"/login\"><p>Identifiez-vous</p></form></body></html>\r\n";
const char* kPage401 =
    "<!DOCTYPE html PUBLIC \"-//W3C//DTD HTML 4.01//EN\" \"http://www.w3.org/TR/html4/strict.dtd\">\r\n"
    "<html><head><title>401 - Unauthorized</title></head><body><h1>Access denied</h1></body></html>\r\n";

}  // namespace

QByteArray EncoderValeur(const QString& valeur) { return valeur.toUtf8().toPercentEncoding(); }

QString Requete::valeur(const QString& cle) const {
    for (const auto& p : parametres)
        if (p.first == cle) return p.second;
    return QString();
}

bool Requete::contient(const QString& cle) const {
    for (const auto& p : parametres)
        if (p.first == cle) return true;
    return false;
}

struct WebDouble::Etat {
    Options options;
    mutable std::mutex m;
    std::condition_variable cv;
    bool arret = false;
    int generation = 0;  // raised by annulerPannes: delayed answers go out at once

    std::unique_ptr<httplib::Server> serveur;
    std::thread fil;
    quint16 port = 0;
    bool refus = false;

    std::map<QString, std::vector<Element>> listes;
    int prochainId = 1000;
    QMap<QString, QList<QPair<QString, QString>>> taux;
    QMap<QString, QString> positions;  // day and hour ("0107") -> the value received
    std::vector<PanneProgrammee> pannes;
    std::vector<Requete> recues;

    std::vector<Element>& liste(const QString& entite) { return listes[entite]; }
    Element* trouver(const QString& entite, int id) {
        for (Element& e : liste(entite))
            if (e.idWeb == id) return &e;
        return nullptr;
    }

    bool lancer(quint16 p, QString* erreur);
    void stopper();
    void traiter(const httplib::Request& req, httplib::Response& res);
    QByteArray repondre(const Requete& r, int& statusHttp);
    std::optional<QByteArray> repondreTauxRemplissage(const Requete& r);
    std::optional<QByteArray> repondreGrillePosition(const Requete& r);
    QString itemXml(const Famille& f, const Element& e) const;
};

QString WebDouble::Etat::itemXml(const Famille& f, const Element& e) const {
    QString s = QStringLiteral("<%1>").arg(f.item);
    auto champ = [&](const QString& nom, const QString& v) { s += QStringLiteral("<%1>%2</%1>").arg(nom, xml(v)); };
    champ(f.prefixeReponse + QStringLiteral("IdWeb"), QString::number(e.idWeb));
    champ(f.prefixeReponse + QStringLiteral("IdQD"), e.idQD);
    for (auto it = e.champs.cbegin(); it != e.champs.cend(); ++it) {
        QString nom = it.key();
        if (nom.startsWith(f.prefixe)) nom = f.prefixeReponse + nom.mid(f.prefixe.size());
        champ(nom, it.value());
    }
    champ(f.prefixeReponse + QStringLiteral("SynchroWeb"), QString::number(e.statut));
    s += QStringLiteral("</%1>").arg(f.item);
    return s;
}

// The fill rates: one set of rows per day and station, one row per kind; DeleteXML clears a day
// of a station, UpdateXML replaces its row of that kind, GetXML serves the day's rows back.
std::optional<QByteArray> WebDouble::Etat::repondreTauxRemplissage(const Requete& r) {
    if (!r.contient(QStringLiteral("TrpDate")) || !r.contient(QStringLiteral("TrpStation")))
        return reponseErreur(1001, QStringLiteral("Paramètres manquants"), QStringLiteral("TrpDate"));
    const QString jour =
        r.valeur(QStringLiteral("TrpDate")) + QLatin1Char('|') + r.valeur(QStringLiteral("TrpStation"));
    if (r.operation == QStringLiteral("DeleteXML")) {
        for (auto it = taux.begin(); it != taux.end();)
            it = it.key().startsWith(jour + QLatin1Char('|')) ? taux.erase(it) : std::next(it);
        return reponseOk(QStringLiteral("<Result>True</Result>"));
    }
    if (r.operation == QStringLiteral("UpdateXML")) {
        if (!r.contient(QStringLiteral("TrpNature")))
            return reponseErreur(1001, QStringLiteral("Paramètres manquants"), QStringLiteral("TrpNature"));
        taux[jour + QLatin1Char('|') + r.valeur(QStringLiteral("TrpNature"))] = r.parametres;
        return reponseOk(QStringLiteral("<Result>True</Result>"));
    }
    if (r.operation == QStringLiteral("GetXML")) {
        QString items;
        for (auto it = taux.cbegin(); it != taux.cend(); ++it) {
            if (!it.key().startsWith(jour + QLatin1Char('|'))) continue;
            items += QStringLiteral("<TauxRemplissageBO>");
            for (const auto& p : it.value()) items += QStringLiteral("<%1>%2</%1>").arg(p.first, xml(p.second));
            items += QStringLiteral("</TauxRemplissageBO>");
        }
        return reponseOk(QStringLiteral("<Items>") + items + QStringLiteral("</Items>"));
    }
    return std::nullopt;
}

// The break grid: one value per day and hour (its first four digits), replaced by each export;
// GetXML serves the week back in day and hour order.
std::optional<QByteArray> WebDouble::Etat::repondreGrillePosition(const Requete& r) {
    if (r.operation == QStringLiteral("UpdateXML")) {
        const QString v = r.valeur(QStringLiteral("position"));
        if (!r.contient(QStringLiteral("position")) || v.size() < 4)
            return reponseErreur(1001, QStringLiteral("Paramètres manquants"), QStringLiteral("position"));
        positions[v.left(4)] = v;
        return reponseOk(QStringLiteral("<Result>True</Result>"));
    }
    if (r.operation == QStringLiteral("GetXML")) {
        QString items;
        for (const QString& v : positions)
            items += QStringLiteral("<GrillePositionBO><position>%1</position></GrillePositionBO>").arg(xml(v));
        return reponseOk(QStringLiteral("<Items>") + items + QStringLiteral("</Items>"));
    }
    return std::nullopt;
}

QByteArray WebDouble::Etat::repondre(const Requete& r, int& statusHttp) {
    statusHttp = 200;
    auto id = [&](const QString& cle, bool* ok) { return r.valeur(cle).trimmed().toInt(ok); };
    const QString op = r.operation;

    if (r.entite == QStringLiteral("TauxRemplissage")) {
        if (std::optional<QByteArray> a = repondreTauxRemplissage(r)) return *a;
    } else if (r.entite == QStringLiteral("GrillePosition")) {
        if (std::optional<QByteArray> a = repondreGrillePosition(r)) return *a;
    } else if (const Famille* f = famille(r.entite)) {
        const QString cleId = f->prefixe + QStringLiteral("IdWeb");
        if (op == QStringLiteral("GetBySynchroWeb")) {
            bool ok = false;
            const int s = r.valeur(QStringLiteral("_synchroWeb")).toInt(&ok);
            if (!ok || s < 0 || s > 3)
                return reponseErreur(1001, QStringLiteral("Statut invalide"), QStringLiteral("_synchroWeb"));
            QString items;
            for (const Element& e : liste(r.entite))
                if (e.statut == s) items += itemXml(*f, e);
            return reponseOk(QStringLiteral("<Items>") + items + QStringLiteral("</Items>"));
        }
        if (op == QStringLiteral("GetByIdWeb")) {
            bool ok = false;
            const int n = id(cleId, &ok);
            if (!ok) return reponseErreur(1001, QStringLiteral("Identifiant invalide"), cleId);
            const Element* e = trouver(r.entite, n);
            return reponseOk(QStringLiteral("<Items>") + (e ? itemXml(*f, *e) : QString()) +
                             QStringLiteral("</Items>"));
        }
        if (op == QStringLiteral("CreateXML") || op == QStringLiteral("UpdateXML")) {
            const QString cleQD = f->prefixe + QStringLiteral("IdQD");
            if (!r.contient(cleQD)) return reponseErreur(1001, QStringLiteral("Paramètres manquants"), cleQD);
            Element* e = nullptr;
            if (op == QStringLiteral("UpdateXML")) {
                bool ok = false;
                const int n = id(cleId, &ok);
                if (!ok) return reponseErreur(1001, QStringLiteral("Identifiant invalide"), cleId);
                e = trouver(r.entite, n);
                if (!e) return reponseErreur(501, QStringLiteral("Elément inconnu"), QString::number(n));
                e->champs.clear();
            } else {
                Element neuf;
                neuf.idWeb = ++prochainId;
                liste(r.entite).push_back(neuf);
                e = &liste(r.entite).back();
            }
            for (const auto& p : r.parametres) {
                if (p.first == cleQD)
                    e->idQD = p.second;
                else if (p.first != cleId && p.first != f->prefixe + QStringLiteral("SynchroWeb"))
                    e->champs[p.first] = p.second;
            }
            e->statut = Synchronise;
            QString corps = QStringLiteral("<Result>True</Result>");
            if (op == QStringLiteral("CreateXML")) corps += QStringLiteral("<Id>%1</Id>").arg(e->idWeb);
            return reponseOk(corps);
        }
        if (op == QStringLiteral("DeleteXML") || op == QStringLiteral("EmptyXML") ||
            op == QStringLiteral("CreateDetailXML")) {
            if (op != QStringLiteral("DeleteXML") && r.entite != Template) {
                statusHttp = 404;
                return QByteArray(kPage500);
            }
            bool ok = false;
            const int n = id(cleId, &ok);
            if (!ok) return reponseErreur(1001, QStringLiteral("Identifiant invalide"), cleId);
            Element* e = trouver(r.entite, n);
            if (!e) return reponseErreur(501, QStringLiteral("Elément inconnu"), QString::number(n));
            if (op == QStringLiteral("DeleteXML")) {
                auto& l = liste(r.entite);
                l.erase(std::remove_if(l.begin(), l.end(), [n](const Element& x) { return x.idWeb == n; }), l.end());
            } else if (op == QStringLiteral("EmptyXML")) {
                e->details.clear();
            } else {
                e->details << r.valeur(QStringLiteral("TmpDetail"));
            }
            return reponseOk(QStringLiteral("<Result>True</Result>"));
        }
    }
    statusHttp = 404;
    return QByteArray(
        "<!DOCTYPE html PUBLIC \"-//W3C//DTD HTML 4.01//EN\">\r\n<html><body>404 - Not Found</body></html>\r\n");
}

void WebDouble::Etat::traiter(const httplib::Request& req, httplib::Response& res) {
    Requete r;
    r.methode = QString::fromStdString(req.method);
    const std::string& cible = req.target;
    const auto q = cible.find('?');
    const QByteArray chemin = QByteArray::fromStdString(cible.substr(0, q));
    r.chemin = decoder(chemin);
    if (q != std::string::npos) r.requeteBrute = QByteArray::fromStdString(cible.substr(q + 1));
    const QStringList segments = r.chemin.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (segments.size() >= 2) {
        r.entite = segments[segments.size() - 2];
        r.operation = segments.last();
    }
    for (const QByteArray& paire : r.requeteBrute.split('&')) {
        if (paire.isEmpty()) continue;
        const int eg = paire.indexOf('=');
        if (eg < 0)
            r.parametres.append({decoder(paire), QString()});
        else
            r.parametres.append({decoder(paire.left(eg)), decoder(paire.mid(eg + 1))});
    }
    const std::string auth = req.get_header_value("Authorization");
    if (auth.rfind("Basic ", 0) == 0) {
        const QByteArray dec = QByteArray::fromBase64(QByteArray::fromStdString(auth.substr(6)));
        const int c = dec.indexOf(':');
        r.utilisateur = QString::fromUtf8(c < 0 ? dec : dec.left(c));
        r.motDePasse = c < 0 ? QString() : QString::fromUtf8(dec.mid(c + 1));
    }
    r.userAgent = QByteArray::fromStdString(req.get_header_value("User-Agent"));
    r.portClient = req.remote_port;

    std::unique_lock<std::mutex> verrou(m);
    recues.push_back(r);

    std::optional<PanneProgrammee> panne;
    for (PanneProgrammee& p : pannes) {
        if (p.fois == 0) continue;
        if (!p.entite.isEmpty() && p.entite != r.entite) continue;
        if (!p.operation.isEmpty() && p.operation != r.operation) continue;
        if (!p.cle.isEmpty() && (!r.contient(p.cle) || r.valeur(p.cle) != p.valeur)) continue;
        if (p.apres > 0) {
            --p.apres;
            continue;
        }
        if (p.fois > 0) --p.fois;
        panne = p;
        break;
    }
    if (panne && panne->type == Panne::Delai) {
        const int g0 = generation;
        cv.wait_for(verrou, std::chrono::milliseconds(panne->delaiMs),
                    [this, g0] { return arret || generation != g0; });
        if (arret) return;
        panne.reset();
    }

    const bool identifie =
        options.utilisateur.isEmpty() || (r.utilisateur == options.utilisateur && r.motDePasse == options.motDePasse);
    if (!identifie || (panne && panne->type == Panne::Http401)) {
        res.status = 401;
        res.set_header("WWW-Authenticate", "Basic realm=\"WebService\"");
        res.set_content(kPage401, "text/html");
        return;
    }
    // With its charset the type is not one the server library compresses: the service's own
    // cost stays out of what the program's benchmarks measure.
    const char* xmlType = "application/xml; charset=utf-8";
    if (panne) {
        switch (panne->type) {
            case Panne::Http500Html:
                res.status = 500;
                res.set_content(kPage500, "text/html");
                return;
            case Panne::Xhtml200:
                res.set_content(kPageXhtml, "text/html");
                return;
            case Panne::CorpsVide:
                res.set_content("", xmlType);
                return;
            case Panne::CorpsMalForme:
                res.set_content("Service temporarily overloaded, try again later\r\n", "text/plain");
                return;
            case Panne::ResultatFaux:
                res.set_content(reponseOk(QStringLiteral("<Result>False</Result>")).toStdString(), xmlType);
                return;
            case Panne::IdZero:
                res.set_content(
                    reponseOk(QStringLiteral("<Result>True</Result><Id>0</Id><Items></Items>")).toStdString(), xmlType);
                return;
            case Panne::CodeErreur:
                res.set_content(
                    reponseErreur(panne->code, QStringLiteral("Erreur du service"), QString()).toStdString(), xmlType);
                return;
            case Panne::Cp1252DitUtf8: {
                int s = 200;
                const QByteArray corps = repondre(r, s);
                res.status = s;
                QStringEncoder cp1252("windows-1252");
                const QByteArray octets = cp1252(QString::fromUtf8(corps));
                res.set_content(octets.toStdString(), xmlType);
                return;
            }
            case Panne::CorpsTronque:
            case Panne::Coupure: {
                int s = 200;
                const QByteArray corps = repondre(r, s);
                const std::string moitie = corps.left(std::max<qsizetype>(1, corps.size() / 2)).toStdString();
                if (panne->type == Panne::CorpsTronque) {
                    res.set_content(moitie, xmlType);
                    return;
                }
                // The header announces the whole body; half of it goes out, then the connection is
                // closed.
                const size_t total = size_t(corps.size());
                res.set_content_provider(total, xmlType,
                                         [moitie, envoye = false](size_t, size_t, httplib::DataSink& sink) mutable {
                                             if (envoye) return false;
                                             envoye = true;
                                             sink.write(moitie.data(), moitie.size());
                                             return true;
                                         });
                return;
            }
            default:
                break;
        }
    }
    int status = 200;
    const QByteArray corps = repondre(r, status);
    res.status = status;
    res.set_content(corps.toStdString(), status == 200 ? xmlType : "text/html");
}

bool WebDouble::Etat::lancer(quint16 p, QString* erreur) {
    if (options.tls) {
        auto s = std::make_unique<httplib::SSLServer>(QFile::encodeName(options.certificat).constData(),
                                                      QFile::encodeName(options.cle).constData());
        if (!s->is_valid()) {
            if (erreur) *erreur = QStringLiteral("certificat ou clé illisible");
            return false;
        }
        serveur = std::move(s);
    } else {
        serveur = std::make_unique<httplib::Server>();
    }
    serveur->set_tcp_nodelay(true);
    serveur->set_keep_alive_max_count(100000);
    // Short, so that stopping (a scripted refusal, the end of a test) does not wait for idle
    // connections; the client connects again after an idle pause.
    serveur->set_keep_alive_timeout(1);
    serveur->Get(".*", [this](const httplib::Request& req, httplib::Response& res) { traiter(req, res); });
    serveur->Post(".*", [this](const httplib::Request& req, httplib::Response& res) { traiter(req, res); });
    if (p == 0) {
        const int lie = serveur->bind_to_any_port("127.0.0.1");
        if (lie <= 0) {
            if (erreur) *erreur = QStringLiteral("aucun port libre");
            serveur.reset();
            return false;
        }
        port = quint16(lie);
    } else {
        if (!serveur->bind_to_port("127.0.0.1", p)) {
            if (erreur) *erreur = QStringLiteral("port %1 occupé").arg(p);
            serveur.reset();
            return false;
        }
        port = p;
    }
    httplib::Server* s = serveur.get();
    fil = std::thread([s] { s->listen_after_bind(); });
    // A stop that came before the accept loop runs would be lost: wait for the loop.
    for (int i = 0; i < 5000 && !s->is_running(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return true;
}

void WebDouble::Etat::stopper() {
    if (!serveur) return;
    {
        std::lock_guard<std::mutex> l(m);
        arret = true;
    }
    cv.notify_all();
    serveur->stop();
    if (fil.joinable()) fil.join();
    serveur.reset();
    std::lock_guard<std::mutex> l(m);
    arret = false;
}

WebDouble::WebDouble() : WebDouble(Options()) {}

WebDouble::WebDouble(Options options) : d_(std::make_unique<Etat>()) { d_->options = std::move(options); }

WebDouble::~WebDouble() { arreter(); }

bool WebDouble::demarrer(quint16 port, QString* erreur) {
    arreter();
    d_->refus = false;
    return d_->lancer(port, erreur);
}

void WebDouble::arreter() {
    d_->refus = false;
    d_->stopper();
}

bool WebDouble::actif() const { return d_->serveur != nullptr; }
quint16 WebDouble::port() const { return d_->port; }

QString WebDouble::adresseBase() const {
    return QStringLiteral("%1://127.0.0.1:%2%3")
        .arg(d_->options.tls ? QStringLiteral("https") : QStringLiteral("http"))
        .arg(d_->port)
        .arg(d_->options.prefixe);
}

const WebDouble::Options& WebDouble::options() const { return d_->options; }

void WebDouble::setIdentifiants(const QString& utilisateur, const QString& motDePasse) {
    std::lock_guard<std::mutex> l(d_->m);
    d_->options.utilisateur = utilisateur;
    d_->options.motDePasse = motDePasse;
}

int WebDouble::ajouter(const QString& entite, Element e) {
    std::lock_guard<std::mutex> l(d_->m);
    if (e.idWeb <= 0) e.idWeb = ++d_->prochainId;
    d_->prochainId = std::max(d_->prochainId, e.idWeb);
    d_->liste(entite).push_back(e);
    return e.idWeb;
}

int WebDouble::creerSurLeWeb(const QString& entite, const QMap<QString, QString>& champs) {
    Element e;
    e.champs = champs;
    e.statut = Cree;
    return ajouter(entite, e);
}

bool WebDouble::modifierSurLeWeb(const QString& entite, int idWeb, const QMap<QString, QString>& champs) {
    std::lock_guard<std::mutex> l(d_->m);
    Element* e = d_->trouver(entite, idWeb);
    if (!e) return false;
    for (auto it = champs.cbegin(); it != champs.cend(); ++it) e->champs[it.key()] = it.value();
    e->statut = Modifie;
    return true;
}

bool WebDouble::supprimerSurLeWeb(const QString& entite, int idWeb) {
    std::lock_guard<std::mutex> l(d_->m);
    Element* e = d_->trouver(entite, idWeb);
    if (!e) return false;
    e->statut = Supprime;
    return true;
}

std::optional<Element> WebDouble::element(const QString& entite, int idWeb) const {
    std::lock_guard<std::mutex> l(d_->m);
    const Element* e = d_->trouver(entite, idWeb);
    return e ? std::optional<Element>(*e) : std::nullopt;
}

std::vector<Element> WebDouble::elements(const QString& entite) const {
    std::lock_guard<std::mutex> l(d_->m);
    return d_->liste(entite);
}

void WebDouble::vider() {
    std::lock_guard<std::mutex> l(d_->m);
    d_->listes.clear();
    d_->taux.clear();
    d_->positions.clear();
}

QMap<QString, QList<QPair<QString, QString>>> WebDouble::tauxRemplissage() const {
    std::lock_guard<std::mutex> l(d_->m);
    return d_->taux;
}

QStringList WebDouble::grillePositions() const {
    std::lock_guard<std::mutex> l(d_->m);
    return d_->positions.values();
}

void WebDouble::graineExemple() {
    auto el = [](int id, int statut, const char* qd,
                 std::initializer_list<std::pair<const char*, const char*>> champs) {
        Element e;
        e.idWeb = id;
        e.statut = statut;
        e.idQD = QString::fromUtf8(qd);
        for (const auto& c : champs) e.champs[QString::fromUtf8(c.first)] = QString::fromUtf8(c.second);
        return e;
    };
    ajouter(Client, el(101, Synchronise, "CLT00001",
                       {{"CltNom", "Boulangerie Martin"},
                        {"CltAdresse", "12 rue des Lilas"},
                        {"CltCodePostal", "59000"},
                        {"CltVille", "Lille"},
                        {"CltContact", "Jeanne Martin"},
                        {"CltContactTel1", "0320123456"},
                        {"CltContactEmail", "contact@boulangerie-martin.fr"}}));
    ajouter(
        Client,
        el(102, Cree, "",
           {{"CltNom", "Garage du Port & Fils"}, {"CltVille", "Dunkerque"}, {"CltContactTel1", "+33 3 28 00 00 00"}}));
    ajouter(Client, el(103, Cree, "", {{"CltNom", "Café de la Gare"}, {"CltVille", "Arras"}}));
    ajouter(Client, el(104, Modifie, "CLT00002", {{"CltNom", "Optique Lefèvre"}, {"CltVille", "Douai"}}));
    ajouter(Client, el(105, Supprime, "CLT00003", {{"CltNom", "Meubles Durand"}, {"CltVille", "Lens"}}));
    ajouter(Client, el(106, Synchronise, "00000004", {{"CltNom", "Pressing Moderne"}, {"CltVille", "Morlaix"}}));
    ajouter(Produit,
            el(201, Synchronise, "PRD0000001",
               {{"PdtLibelle", "Pain de campagne"}, {"PdtNature", "0"}, {"PdtFamille", "01"}, {"PdtClasse", "02"}}));
    ajouter(Produit, el(202, Cree, "", {{"PdtLibelle", "Révision 20 000 km"}, {"PdtNature", "0"}}));
    ajouter(Produit, el(203, Modifie, "PRD0000002", {{"PdtLibelle", "Lunettes de soleil"}, {"PdtNature", "0"}}));
    // Products in every web state, against the sample site's local products: a deletion, a product
    // of another nature (never imported), an orphan, a copy of a product flagged off the web, a
    // deletion listed without its code.
    ajouter(Produit, el(204, Supprime, "PRD0000003", {{"PdtLibelle", "Parapluies"}, {"PdtNature", "0"}}));
    ajouter(Produit, el(205, Cree, "", {{"PdtLibelle", "Régie + partenaires"}, {"PdtNature", "1"}}));
    ajouter(Produit, el(206, Synchronise, "PRD0000009", {{"PdtLibelle", "Ancienne gamme"}, {"PdtNature", "0"}}));
    ajouter(Produit, el(207, Synchronise, "PRD0000004",
                        {{"PdtLibelle", "Glaces artisanales"},
                         {"PdtNature", "0"},
                         {"PdtFamille", "01"},
                         {"PdtClasse", "02"},
                         {"PdtSecteur", "01"},
                         {"PdtVariete", "00"}}));
    ajouter(Produit, el(208, Supprime, "", {{"PdtLibelle", "Vélos & trottinettes"}, {"PdtNature", "0"}}));
    ajouter(Secteur, el(301, Synchronise, "SEC0000001", {{"SecLibelle", "Alimentation"}}));
    ajouter(Secteur, el(302, Cree, "", {{"SecLibelle", "Automobile"}}));
    ajouter(Secteur, el(303, Supprime, "SEC0000002", {{"SecLibelle", "Habillement"}}));
    ajouter(Commercial, el(401, Synchronise, "COM00001",
                           {{"CmlNom", "Bernard"},
                            {"CmlPrenom", "Luc"},
                            {"CmlUserId", "lbernard"},
                            {"CmlTel1", "0612345678"},
                            {"CmlEmail", "l.bernard@example.org"}}));
    ajouter(Commercial, el(402, Cree, "", {{"CmlNom", "Petit"}, {"CmlPrenom", "Sophie"}, {"CmlUserId", "spetit"}}));
    // Business sectors and salespeople in every web state, beside the sample site's records of
    // the same codes (linked, changed or deleted on the web, still listed on the web for a record
    // the station takes off it).
    ajouter(Secteur, el(304, Modifie, "SEC0000003", {{"SecLibelle", "Loisirs et culture"}}));
    ajouter(Secteur, el(305, Synchronise, "SEC0000004", {{"SecLibelle", "Immobilier"}}));
    ajouter(Commercial, el(403, Modifie, "COM00002",
                           {{"CmlNom", "Morvan"},
                            {"CmlPrenom", "Yann"},
                            {"CmlUserId", "ymorvan"},
                            {"CmlUserPassword", "port+29"},
                            {"CmlTel1", "+33 6 98 76 54 32"},
                            {"CmlTel2", "0298000002"},
                            {"CmlEmail", "y.morvan@example.org"}}));
    ajouter(Commercial, el(404, Supprime, "COM00003", {{"CmlNom", "Tanguy"}, {"CmlPrenom", "Sophie"}}));
    ajouter(Commercial, el(405, Synchronise, "COM00004", {{"CmlNom", "Le Goff"}, {"CmlPrenom", "Anne"}}));
    // Templates, for the sample site's canvases of station 1: copies linked to its templates (one
    // with an older label and detail, one whose new detail the site holds back, one the site takes
    // off the web, one up to date), a copy of a new canvas whose id never reached the site (a
    // duplicate once the site creates its own), one of a canvas that no longer exists.
    const auto gabarit = [&](int id, const char* qd, const char* libelle, QStringList details) {
        Element e = el(id, Synchronise, qd, {{"TmpLibelle", libelle}});
        e.details = std::move(details);
        ajouter(Template, e);
    };
    gabarit(113, "CNV00102", "Matinale 8 h", {QStringLiteral("110800059907")});
    gabarit(114, "CNV00103", "Matinale 9h", {});
    gabarit(115, "CNV00202", "Dimanche soir", {QStringLiteral("718300059907")});
    gabarit(116, "CNV00203", "Dimanche matin", {QStringLiteral("710900000099"), QStringLiteral("710905001099")});
    gabarit(501, "CNV00101", "Matinale 7h", {});
    gabarit(502, "CNV00901", "Ancien canevas", {QStringLiteral("311200059907")});
    // Changed on the web site: shown by the web search, never taken by the site.
    ajouter(Template, el(503, Modifie, "CNV00301", {{"TmpLibelle", "Week-end"}}));
}

bool WebDouble::chargerGraine(const QString& fichier, QString* erreur) {
    QFile f(fichier);
    if (!f.open(QIODevice::ReadOnly)) {
        if (erreur) *erreur = QStringLiteral("%1: illisible").arg(fichier);
        return false;
    }
    QTextStream in(&f);
    in.setEncoding(QStringConverter::Utf8);
    int no = 0;
    while (!in.atEnd()) {
        const QString ligne = in.readLine();
        ++no;
        if (ligne.trimmed().isEmpty() || ligne.trimmed().startsWith(QLatin1Char('#'))) continue;
        // Split on "|" not preceded by "\".
        QStringList parts;
        QString cur;
        for (int i = 0; i < ligne.size(); ++i) {
            if (ligne[i] == QLatin1Char('\\') && i + 1 < ligne.size() && ligne[i + 1] == QLatin1Char('|')) {
                cur += QLatin1Char('|');
                ++i;
            } else if (ligne[i] == QLatin1Char('|')) {
                parts << cur;
                cur.clear();
            } else {
                cur += ligne[i];
            }
        }
        parts << cur;
        bool okId = false, okStatut = false;
        if (parts.size() < 4 || !famille(parts[0].trimmed())) {
            if (erreur) *erreur = QStringLiteral("%1:%2: entité ou forme de ligne inconnue").arg(fichier).arg(no);
            return false;
        }
        Element e;
        e.idWeb = parts[1].trimmed().toInt(&okId);
        e.statut = parts[2].trimmed().toInt(&okStatut);
        e.idQD = parts[3];
        if (!okId || !okStatut || e.statut < 0 || e.statut > 3) {
            if (erreur) *erreur = QStringLiteral("%1:%2: identifiant ou statut invalide").arg(fichier).arg(no);
            return false;
        }
        for (int i = 4; i < parts.size(); ++i) {
            const int eg = parts[i].indexOf(QLatin1Char('='));
            if (eg <= 0) {
                if (erreur) *erreur = QStringLiteral("%1:%2: champ sans \"=\"").arg(fichier).arg(no);
                return false;
            }
            e.champs[parts[i].left(eg).trimmed()] = parts[i].mid(eg + 1);
        }
        ajouter(parts[0].trimmed(), e);
    }
    return true;
}

void WebDouble::programmerPanne(const PanneProgrammee& p) {
    if (p.type == Panne::Refus) {
        d_->stopper();
        d_->refus = true;
        return;
    }
    std::lock_guard<std::mutex> l(d_->m);
    d_->pannes.push_back(p);
}

void WebDouble::annulerPannes() {
    {
        std::lock_guard<std::mutex> l(d_->m);
        d_->pannes.clear();
        ++d_->generation;
    }
    d_->cv.notify_all();
    if (d_->refus) {
        d_->refus = false;
        d_->lancer(d_->port, nullptr);
    }
}

std::vector<Requete> WebDouble::requetes() const {
    std::lock_guard<std::mutex> l(d_->m);
    return d_->recues;
}

int WebDouble::nombreRequetes() const {
    std::lock_guard<std::mutex> l(d_->m);
    return int(d_->recues.size());
}

void WebDouble::effacerRequetes() {
    std::lock_guard<std::mutex> l(d_->m);
    d_->recues.clear();
}

bool WebDouble::creerCertificatAutoSigne(const QString& fichierCertificat, const QString& fichierCle,
                                         const QString& commonName, QString* erreur) {
    auto echec = [&](const char* quoi) {
        if (erreur) *erreur = QString::fromLatin1(quoi);
        return false;
    };
    EVP_PKEY* cle = EVP_PKEY_Q_keygen(nullptr, nullptr, "EC", "P-256");
    if (!cle) return echec("clé non générée");
    std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> gardeCle(cle, EVP_PKEY_free);
    X509* x = X509_new();
    if (!x) return echec("certificat non créé");
    std::unique_ptr<X509, decltype(&X509_free)> gardeX(x, X509_free);
    X509_set_version(x, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(x),
                     long(std::chrono::system_clock::now().time_since_epoch().count() & 0x7fffffff));
    X509_gmtime_adj(X509_getm_notBefore(x), -3600);
    X509_gmtime_adj(X509_getm_notAfter(x), 365L * 24 * 3600);
    X509_set_pubkey(x, cle);
    X509_NAME* nom = X509_get_subject_name(x);
    const QByteArray cn = commonName.toUtf8();
    X509_NAME_add_entry_by_txt(nom, "CN", MBSTRING_UTF8, reinterpret_cast<const unsigned char*>(cn.constData()), -1, -1,
                               0);
    X509_NAME_add_entry_by_txt(nom, "O", MBSTRING_UTF8, reinterpret_cast<const unsigned char*>("Service de test"), -1,
                               -1, 0);
    X509_set_issuer_name(x, nom);
    X509V3_CTX ctx;
    X509V3_set_ctx_nodb(&ctx);
    X509V3_set_ctx(&ctx, x, x, nullptr, nullptr, 0);
    if (X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &ctx, NID_subject_alt_name, "IP:127.0.0.1,DNS:localhost")) {
        X509_add_ext(x, ext, -1);
        X509_EXTENSION_free(ext);
    }
    if (!X509_sign(x, cle, EVP_sha256())) return echec("signature impossible");

    FILE* fc = std::fopen(QFile::encodeName(fichierCertificat).constData(), "wb");
    if (!fc) return echec("fichier du certificat non écrit");
    const bool okC = PEM_write_X509(fc, x) == 1;
    std::fclose(fc);
    FILE* fk = std::fopen(QFile::encodeName(fichierCle).constData(), "wb");
    if (!fk) return echec("fichier de la clé non écrit");
    const bool okK = PEM_write_PrivateKey(fk, cle, nullptr, nullptr, 0, nullptr, nullptr) == 1;
    std::fclose(fk);
    if (!okC || !okK) return echec("écriture PEM impossible");
    return true;
}

}  // namespace double_web
