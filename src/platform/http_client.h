#pragma once
// The HTTP client the web requests go through. One request at a time, blocking its caller while
// the event loop keeps running (windows stay alive, timers and sockets keep working); connections
// are kept alive between requests; every request has a time-out.
//
// A request stores the answer body in the named file, or nothing: the file is removed first, the
// body goes into a temporary file beside it, and that file replaces the answer file only when a
// complete 2xx answer has arrived. Any failure (no connection, time-out, a connection dropped in
// the middle, an HTTP status other than 2xx, a refused certificate, an answer beyond the size
// limit) raises AppError ErrHttpFailed with the real cause in its description; the answer file is
// then absent. The two kinds of failure are told apart afterwards: statutEnErreur() is true when
// the server answered with a status outside 2xx (it is there, and failed or refused that one
// request), false when no answer came (the server is out of reach).
//
// The user name and password are sent with every request (basic authentication) whenever one of
// them is set. A server certificate that does not verify raises OnVerifyServer during the request:
// a handler that sets the event's verified flag lets that request go on; otherwise it fails.
#include <QByteArray>
#include <QDateTime>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QObject>
#include <QString>
#include <cstdint>

// The user agent the web service has always seen.
inline constexpr const char* UserAgentHttp = "Mozilla/4.0 (compatible; Clever Internet Suite)";
// Largest answer body kept, in bytes; the readers refuse a larger file too.
inline constexpr qint64 TailleMaxReponse = 64ll * 1024 * 1024;
// Time-out of a request when none is set, in milliseconds.
inline constexpr int DelaiRequeteParDefautMs = 30000;

// The server's certificate as the certificate question shows it.
struct CertificatServeur {
    QString hote;          // host of the request
    QString nomConvivial;  // friendly name: the subject's common name
    QString emisPour;      // subject
    QString emisPar;       // issuer
    QDateTime valideDu, valideAu;
    QByteArray empreinteSha256;  // of the DER form, 32 bytes
    QByteArray pem;
};

// The event argument of OnVerifyServer.
struct VerificationServeur {
    bool verifie = false;  // set by the handler to let the request go on
    QString statut;        // why the certificate is not verified
    CertificatServeur certificat;
};

class ClientHttp : public QObject {
    Q_OBJECT
public:
    explicit ClientHttp(QObject* parent = nullptr);
    ~ClientHttp() override;

    // Credentials sent with every request (none while both are empty).
    QString HttpUtilisateur;
    QString HttpMotDePasse;
    // Time-out of one request, from its start to its last byte (the time the certificate
    // question waits for the user is not counted).
    int DelaiMaxMs = DelaiRequeteParDefautMs;
    qint64 TailleMax = TailleMaxReponse;

    // One GET of the address; the answer body ends in fichier (see above). Raises ErrHttpFailed.
    void HttpRequeteVersFichier(const QString& adresse, const QString& fichier);
    // The call every request is followed by; it keeps nothing of the request.
    void HttpFinRequete();

    // HTTP status of the last request (0 when no answer came).
    int dernierStatut() const { return dernierStatut_; }
    // The last request failed because the server answered it with a status outside 2xx.
    bool statutEnErreur() const { return statutEnErreur_; }
    bool requeteEnCours() const { return enCours_; }
    // Drops the kept connections (the next request connects afresh).
    void fermerConnexions();
    // Requests made since the client was created and the time spent in them, for measurements.
    qint64 nombreRequetes() const { return nombreRequetes_; }
    qint64 dureeRequetesNs() const { return dureeRequetesNs_; }

Q_SIGNALS:
    // Raised inside HttpRequeteVersFichier when the server's certificate does not verify.
    void OnVerifyServer(VerificationServeur* evenement);

private:
    QNetworkAccessManager nam_;
    // The loop of the running request: woken when the client goes away under it.
    QEventLoop* boucle_ = nullptr;
    bool enCours_ = false;
    int dernierStatut_ = 0;
    bool statutEnErreur_ = false;
    qint64 nombreRequetes_ = 0;
    qint64 dureeRequetesNs_ = 0;
};
