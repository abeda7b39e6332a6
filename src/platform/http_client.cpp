#include "platform/http_client.h"

#include "platform/app_error.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QTemporaryFile>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslError>
#include <QTimer>
#include <QUrl>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

// The answer being received: a temporary file beside the answer file, renamed over it only once
// the answer is complete. An answer file is scratch, read once right after: it is not forced to
// the disk (a sync to disk per request cost more than the request itself).
class FichierReponse {
public:
    explicit FichierReponse(const QString& fichier) : fichier_(fichier), tmp_(fichier + QStringLiteral(".XXXXXX")) {
        tmp_.setAutoRemove(true);
    }
    bool open() { return tmp_.open(); }
    qint64 write(const QByteArray& b) { return tmp_.write(b); }
    QString errorString() const { return erreur_.isEmpty() ? tmp_.errorString() : erreur_; }
    void cancelWriting() { tmp_.close(); }  // removed with the object
    bool commit() {
        if (!tmp_.flush()) return false;
        const QString chemin = tmp_.fileName();
        tmp_.close();
        if (tmp_.error() != QFileDevice::NoError) return false;
        if (std::rename(QFile::encodeName(chemin).constData(), QFile::encodeName(fichier_).constData()) != 0) {
            erreur_ = QString::fromLocal8Bit(std::strerror(errno));
            return false;
        }
        tmp_.setAutoRemove(false);
        return true;
    }

private:
    QString fichier_;
    QTemporaryFile tmp_;
    QString erreur_;
};

const QString kSource = QStringLiteral("clHttp1");

[[noreturn]] void echec(const QString& cause) { Raise(ErrHttpFailed, cause, kSource); }

QString causeReseau(QNetworkReply::NetworkError e, const QString& texteQt) {
    switch (e) {
        case QNetworkReply::HostNotFoundError:
            return QStringLiteral("Hôte inconnu.");
        case QNetworkReply::ConnectionRefusedError:
            return QStringLiteral("Connexion refusée par le serveur.");
        case QNetworkReply::RemoteHostClosedError:
            return QStringLiteral("Connexion fermée par le serveur avant la fin de la réponse.");
        case QNetworkReply::TimeoutError:
            return QStringLiteral("Le serveur ne répond pas.");
        case QNetworkReply::SslHandshakeFailedError:
            return QStringLiteral("Connexion sécurisée impossible: ") + texteQt;
        case QNetworkReply::NetworkSessionFailedError:
        case QNetworkReply::TemporaryNetworkFailureError:
        case QNetworkReply::UnknownNetworkError:
            return QStringLiteral("Réseau indisponible: ") + texteQt;
        default:
            return texteQt;
    }
}

CertificatServeur decrire(const QSslCertificate& c, const QString& hote) {
    CertificatServeur r;
    r.hote = hote;
    r.nomConvivial = c.subjectInfo(QSslCertificate::CommonName).join(QStringLiteral(", "));
    r.emisPour = c.subjectDisplayName();
    if (r.emisPour.isEmpty()) r.emisPour = r.nomConvivial;
    r.emisPar = c.issuerDisplayName();
    r.valideDu = c.effectiveDate();
    r.valideAu = c.expiryDate();
    r.empreinteSha256 = c.digest(QCryptographicHash::Sha256);
    r.pem = c.toPem();
    return r;
}

}  // namespace

ClientHttp::ClientHttp(QObject* parent) : QObject(parent) { setObjectName(QStringLiteral("clHttp1")); }

// The program may close from inside a request's wait (its window's close runs in that loop) and
// take the client with it: the waiting call is woken and fails without touching the client again.
ClientHttp::~ClientHttp() {
    if (boucle_) boucle_->quit();
}

void ClientHttp::fermerConnexions() { nam_.clearConnectionCache(); }

void ClientHttp::HttpFinRequete() {}

void ClientHttp::HttpRequeteVersFichier(const QString& adresse, const QString& fichier) {
    if (enCours_) echec(QStringLiteral("Une requête est déjà en cours."));
    struct Duree {
        const QPointer<ClientHttp> client;
        QElapsedTimer t;
        ~Duree() {
            if (!client) return;
            ++client->nombreRequetes_;
            client->dureeRequetesNs_ += t.nsecsElapsed();
        }
    } duree{this, {}};
    duree.t.start();
    dernierStatut_ = 0;
    statutEnErreur_ = false;

    // An earlier answer must never pass for this one.
    if (QFileInfo::exists(fichier) && !QFile::remove(fichier))
        echec(QStringLiteral("Fichier réponse non remplaçable: ") + fichier);

    const QUrl url(adresse.trimmed(), QUrl::TolerantMode);
    const QString schema = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() || (schema != QLatin1String("http") && schema != QLatin1String("https")))
        echec(QStringLiteral("Adresse invalide: ") + adresse);

    QDir().mkpath(QFileInfo(fichier).absolutePath());
    FichierReponse sortie(fichier);
    if (!sortie.open())
        echec(QStringLiteral("Fichier réponse non créé: ") + fichier + QStringLiteral(" (") + sortie.errorString() +
              QLatin1Char(')'));

    QNetworkRequest req(url);
    req.setHeader(QNetworkRequest::UserAgentHeader, QByteArray(UserAgentHttp));
    req.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    req.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
    req.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    if (!HttpUtilisateur.isEmpty() || !HttpMotDePasse.isEmpty()) {
        const QByteArray paire = HttpUtilisateur.toUtf8() + ':' + HttpMotDePasse.toUtf8();
        req.setRawHeader("Authorization", "Basic " + paire.toBase64());
    }

    enCours_ = true;
    const QPointer<ClientHttp> vivant(this);
    QEventLoop boucle;
    boucle_ = &boucle;
    struct Fin {
        const QPointer<ClientHttp>& client;
        ~Fin() {
            if (!client) return;
            client->enCours_ = false;
            client->boucle_ = nullptr;
        }
    } fin{vivant};

    // Deleted with the client's connection manager when the client goes away.
    const QPointer<QNetworkReply> reponse = nam_.get(req);
    QTimer minuterie;
    minuterie.setSingleShot(true);
    QElapsedTimer chrono;
    qint64 attenteUtilisateur = 0;
    QString cause;
    bool accepteCetteFois = false;
    qint64 recus = 0;

    auto abandonner = [&](const QString& pourquoi) {
        if (cause.isEmpty()) cause = pourquoi;
        if (reponse) reponse->abort();
    };
    connect(&minuterie, &QTimer::timeout, &boucle,
            [&] { abandonner(QStringLiteral("Délai de réponse dépassé (%1 ms).").arg(DelaiMaxMs)); });
    // Counts and stores a piece of the body; the cause of a failure, else empty.
    const auto garder = [&](const QByteArray& morceau) -> QString {
        recus += morceau.size();
        if (recus > TailleMax) return QStringLiteral("Réponse trop volumineuse (plus de %1 octets).").arg(TailleMax);
        if (sortie.write(morceau) != morceau.size())
            return QStringLiteral("Fichier réponse non écrit: ") + sortie.errorString();
        return QString();
    };
    connect(reponse, &QNetworkReply::readyRead, &boucle, [&] {
        const QString echecEcriture = garder(reponse->readAll());
        if (!echecEcriture.isEmpty()) abandonner(echecEcriture);
    });
    connect(reponse, &QNetworkReply::sslErrors, &boucle, [&](const QList<QSslError>& erreurs) {
        // The user's time to answer is not the server's.
        QElapsedTimer question;
        question.start();
        minuterie.stop();
        VerificationServeur v;
        QStringList textes;
        for (const QSslError& e : erreurs) textes << e.errorString();
        v.statut = textes.join(QStringLiteral("\r\n"));
        QSslCertificate cert = reponse->sslConfiguration().peerCertificate();
        if (cert.isNull())
            for (const QSslError& e : erreurs)
                if (!e.certificate().isNull()) {
                    cert = e.certificate();
                    break;
                }
        v.certificat = decrire(cert, url.host());
        Q_EMIT OnVerifyServer(&v);
        attenteUtilisateur += question.elapsed();
        if (!reponse) return;  // the client went away while the user was asked
        if (v.verifie) {
            reponse->ignoreSslErrors(erreurs);
            accepteCetteFois = true;
        } else if (cause.isEmpty()) {
            cause = QStringLiteral("Certificat du serveur refusé: ") + v.statut;
        }
        if (reponse->isRunning())
            minuterie.start(std::max<qint64>(1, DelaiMaxMs - (chrono.elapsed() - attenteUtilisateur)));
    });
    connect(reponse, &QNetworkReply::finished, &boucle, &QEventLoop::quit);

    chrono.start();
    minuterie.start(std::max(1, DelaiMaxMs));
    if (!reponse->isFinished()) boucle.exec(QEventLoop::AllEvents);
    minuterie.stop();
    if (!vivant || !reponse) {
        sortie.cancelWriting();
        echec(QStringLiteral("Requête interrompue: le programme se ferme."));
    }

    const QByteArray reste = reponse->isOpen() ? reponse->readAll() : QByteArray();
    if (!reste.isEmpty() && cause.isEmpty()) cause = garder(reste);

    const QVariant statut = reponse->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    dernierStatut_ = statut.isValid() ? statut.toInt() : 0;
    const QString raison = reponse->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
    const QNetworkReply::NetworkError erreur = reponse->error();
    const QString texteQt = reponse->errorString();
    const QVariant longueur = reponse->header(QNetworkRequest::ContentLengthHeader);
    // Freed now rather than by the main loop: a run of thousands of requests never returns to it,
    // and the posted deletions would pile up (memory, and Qt scanning its growing queue).
    delete reponse.data();
    // A certificate accepted for this request only is asked again at the next one: its connection
    // is not kept.
    if (accepteCetteFois) nam_.clearConnectionCache();

    if (cause.isEmpty()) {
        if (dernierStatut_ != 0 && (dernierStatut_ < 200 || dernierStatut_ > 299)) {
            cause = QStringLiteral("HTTP/1.1 %1 %2").arg(dernierStatut_).arg(raison).trimmed();
            statutEnErreur_ = true;
        } else if (erreur != QNetworkReply::NoError) {
            cause = causeReseau(erreur, texteQt);
        } else if (dernierStatut_ == 0) {
            cause = QStringLiteral("Aucune réponse du serveur.");
        } else if (longueur.isValid() && longueur.toLongLong() != recus) {
            cause =
                QStringLiteral("Réponse incomplète (%1 octets reçus sur %2).").arg(recus).arg(longueur.toLongLong());
        }
    }
    if (!cause.isEmpty()) {
        sortie.cancelWriting();
        echec(cause);
    }
    if (!sortie.commit())
        echec(QStringLiteral("Fichier réponse non écrit: ") + fichier + QStringLiteral(" (") + sortie.errorString() +
              QLatin1Char(')'));
}
