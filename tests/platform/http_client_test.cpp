// The HTTP client against the web-service double: answers land in their file only when complete,
// every failure raises the HTTP failure with its cause and leaves no answer file, credentials and
// the user agent go with every request, an unverified certificate is put to the handler.
#include "platform/app_error.h"
#include "platform/http_client.h"
#include "support/fixture.h"
#include "support/web_double.h"

#include <QFile>
#include <QFileInfo>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

using namespace double_web;

namespace {

class HttpClientTest : public KirvoTest {
protected:
    void SetUp() override {
        KirvoTest::SetUp();
        ASSERT_TRUE(web.demarrer());
        web.graineExemple();
        client.HttpUtilisateur = QStringLiteral("kirvo");
        client.HttpMotDePasse = QStringLiteral("secret");
        client.DelaiMaxMs = 3000;
        fichier = tmp.path() + QStringLiteral("/Local/Client_GetBySynchroWeb.xml");
    }
    QString adresse(const QString& suite = QStringLiteral("Client/GetBySynchroWeb?_synchroWeb=2")) const {
        return web.adresseBase() + suite;
    }
    // The cause of the failure, or "" when the request succeeded.
    QString requete(const QString& a) {
        try {
            client.HttpRequeteVersFichier(a, fichier);
            client.HttpFinRequete();
            return QString();
        } catch (const AppError& e) {
            client.HttpFinRequete();
            EXPECT_EQ(e.number, ErrHttpFailed);
            return e.description.isEmpty() ? QStringLiteral("?") : e.description;
        }
    }
    WebDouble web;
    ClientHttp client;
    QString fichier;
};

TEST_F(HttpClientTest, AnswerLandsInItsFileWithCredentialsAndUserAgentOnEveryRequest) {
    EXPECT_EQ(requete(adresse()), QString());
    const QByteArray corps = LireFichierTest(fichier);
    EXPECT_TRUE(corps.contains("<ClientBO>")) << corps.constData();
    EXPECT_TRUE(corps.contains("Garage du Port &amp; Fils"));
    EXPECT_EQ(client.dernierStatut(), 200);

    EXPECT_EQ(requete(adresse(QStringLiteral("Produit/GetByIdWeb?PdtIdWeb=201"))), QString());
    const auto r = web.requetes();
    ASSERT_EQ(r.size(), 2u);
    for (const Requete& q : r) {
        EXPECT_EQ(q.utilisateur, QStringLiteral("kirvo"));
        EXPECT_EQ(q.motDePasse, QStringLiteral("secret"));
        EXPECT_EQ(q.userAgent, QByteArray("Mozilla/4.0 (compatible; Clever Internet Suite)"));
        EXPECT_EQ(q.methode, QStringLiteral("GET"));
    }
    EXPECT_EQ(r[1].entite, QStringLiteral("Produit"));
    EXPECT_EQ(r[1].operation, QStringLiteral("GetByIdWeb"));
    EXPECT_EQ(r[1].valeur(QStringLiteral("PdtIdWeb")), QStringLiteral("201"));
}

TEST_F(HttpClientTest, EveryFailureRaisesItsCauseAndLeavesNoAnswerFile) {
    struct Cas {
        const char* nom;
        std::function<void(WebDouble&, ClientHttp&)> preparer;
        const char* cause;    // a part of the description
        bool statutEnErreur;  // the server answered, with a status outside 2xx
    };
    const Cas cas[] = {
        {"500 with an HTML page", [](WebDouble& w, ClientHttp&) { w.programmerPanne({Panne::Http500Html}); },
         "HTTP/1.1 500", true},
        {"wrong password", [](WebDouble&, ClientHttp& c) { c.HttpMotDePasse = QStringLiteral("faux"); }, "HTTP/1.1 401",
         true},
        {"no credentials",
         [](WebDouble&, ClientHttp& c) {
             c.HttpUtilisateur.clear();
             c.HttpMotDePasse.clear();
         },
         "HTTP/1.1 401", true},
        {"connection dropped in the middle", [](WebDouble& w, ClientHttp&) { w.programmerPanne({Panne::Coupure}); },
         "serveur", false},
        {"refused", [](WebDouble& w, ClientHttp&) { w.programmerPanne({Panne::Refus}); }, "refusée", false},
        {"time-out",
         [](WebDouble& w, ClientHttp& c) {
             c.DelaiMaxMs = 300;
             PanneProgrammee p{Panne::Delai};
             p.delaiMs = 5000;
             w.programmerPanne(p);
         },
         "Délai", false},
        {"answer beyond the size limit", [](WebDouble&, ClientHttp& c) { c.TailleMax = 100; }, "volumineuse", false},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.nom);
        EcrireFichierTest(fichier, "<Reponse><Code>0</Code><Items><ClientBO/></Items></Reponse>");
        client.HttpUtilisateur = QStringLiteral("kirvo");
        client.HttpMotDePasse = QStringLiteral("secret");
        client.DelaiMaxMs = 3000;
        client.TailleMax = TailleMaxReponse;
        c.preparer(web, client);
        const QString cause = requete(adresse());
        EXPECT_TRUE(cause.contains(QString::fromUtf8(c.cause))) << cause.toStdString();
        EXPECT_EQ(client.statutEnErreur(), c.statutEnErreur);
        EXPECT_FALSE(QFileInfo::exists(fichier));
        web.annulerPannes();
        // The next request goes through again (the client is not left busy).
        client.HttpUtilisateur = QStringLiteral("kirvo");
        client.HttpMotDePasse = QStringLiteral("secret");
        client.DelaiMaxMs = 3000;
        client.TailleMax = TailleMaxReponse;
        EXPECT_EQ(requete(adresse()), QString());
        EXPECT_FALSE(client.statutEnErreur());
        EXPECT_TRUE(QFileInfo::exists(fichier));
    }
}

TEST_F(HttpClientTest, UnknownHostAndBadAddressesFail) {
    EXPECT_TRUE(requete(QStringLiteral("http://hote-inexistant.invalid/Client/GetBySynchroWeb"))
                    .contains(QStringLiteral("Hôte inconnu.")));
    EXPECT_TRUE(
        requete(QStringLiteral("Client/GetBySynchroWeb?_synchroWeb=2")).startsWith(QStringLiteral("Adresse invalide")));
    EXPECT_TRUE(requete(QString()).startsWith(QStringLiteral("Adresse invalide")));
    EXPECT_FALSE(QFileInfo::exists(fichier));
}

// A server that takes the request and drops the connection (reset) before any answer: no status,
// no answer, the server taken as out of reach.
TEST_F(HttpClientTest, AConnectionDroppedBeforeAnyAnswerIsNoAnswer) {
    QTcpServer serveur;
    ASSERT_TRUE(serveur.listen(QHostAddress::LocalHost));
    QObject::connect(&serveur, &QTcpServer::newConnection, &serveur, [&serveur] {
        while (QTcpSocket* s = serveur.nextPendingConnection())
            QObject::connect(s, &QTcpSocket::readyRead, s, [s] { s->abort(); });
    });
    const QString cause =
        requete(QStringLiteral("http://127.0.0.1:%1/Client/GetBySynchroWeb").arg(serveur.serverPort()));
    EXPECT_FALSE(cause.isEmpty());
    EXPECT_FALSE(client.statutEnErreur());
    EXPECT_EQ(client.dernierStatut(), 0);
    EXPECT_FALSE(QFileInfo::exists(fichier));
}

TEST_F(HttpClientTest, ConnectionsAreKeptAlive) {
    for (int i = 0; i < 5; ++i) ASSERT_EQ(requete(adresse()), QString());
    const auto r = web.requetes();
    ASSERT_EQ(r.size(), 5u);
    for (const Requete& q : r) EXPECT_EQ(q.portClient, r[0].portClient);
}

// The program closing from inside a request's wait takes the client with it: the waiting call
// must come back failed, without touching the client or its reply again.
TEST_F(HttpClientTest, ClientDestroyedDuringItsRequestEndsTheRequest) {
    auto* c = new ClientHttp;
    c->HttpUtilisateur = QStringLiteral("kirvo");
    c->HttpMotDePasse = QStringLiteral("secret");
    c->DelaiMaxMs = 2000;
    PanneProgrammee lent{Panne::Delai};
    lent.delaiMs = 1500;
    web.programmerPanne(lent);
    QTimer::singleShot(100, [c] { delete c; });
    QString cause;
    try {
        c->HttpRequeteVersFichier(adresse(), fichier);
    } catch (const AppError& e) {
        EXPECT_EQ(e.number, ErrHttpFailed);
        cause = e.description;
    }
    EXPECT_TRUE(cause.contains(QStringLiteral("interrompue"))) << cause.toStdString();
    EXPECT_FALSE(QFileInfo::exists(fichier));
}

class HttpsClientTest : public KirvoTest {
protected:
    void SetUp() override {
        KirvoTest::SetUp();
        WebDouble::Options o;
        o.tls = true;
        o.certificat = tmp.path() + QStringLiteral("/cert.pem");
        o.cle = tmp.path() + QStringLiteral("/cle.pem");
        QString erreur;
        ASSERT_TRUE(WebDouble::creerCertificatAutoSigne(o.certificat, o.cle, QStringLiteral("127.0.0.1"), &erreur))
            << erreur.toStdString();
        web = std::make_unique<WebDouble>(o);
        ASSERT_TRUE(web->demarrer(0, &erreur)) << erreur.toStdString();
        web->graineExemple();
        client.HttpUtilisateur = QStringLiteral("kirvo");
        client.HttpMotDePasse = QStringLiteral("secret");
        client.DelaiMaxMs = 5000;
        fichier = tmp.path() + QStringLiteral("/Client_GetBySynchroWeb.xml");
        QObject::connect(&client, &ClientHttp::OnVerifyServer, [this](VerificationServeur* e) {
            evenements.push_back(*e);
            e->verifie = accepter;
        });
    }
    bool requete() {
        try {
            client.HttpRequeteVersFichier(web->adresseBase() + QStringLiteral("Client/GetBySynchroWeb?_synchroWeb=1"),
                                          fichier);
            return true;
        } catch (const AppError& e) {
            cause = e.description;
            return false;
        }
    }
    std::unique_ptr<WebDouble> web;
    ClientHttp client;
    QString fichier, cause;
    bool accepter = false;
    std::vector<VerificationServeur> evenements;
};

TEST_F(HttpsClientTest, RefusedCertificateFailsTheRequest) {
    EXPECT_FALSE(requete());
    ASSERT_EQ(evenements.size(), 1u);
    EXPECT_FALSE(evenements[0].statut.isEmpty());
    EXPECT_EQ(evenements[0].certificat.hote, QStringLiteral("127.0.0.1"));
    EXPECT_EQ(evenements[0].certificat.nomConvivial, QStringLiteral("127.0.0.1"));
    EXPECT_EQ(evenements[0].certificat.empreinteSha256.size(), 32);
    EXPECT_TRUE(cause.contains(QStringLiteral("Certificat"))) << cause.toStdString();
    EXPECT_FALSE(QFileInfo::exists(fichier));
    EXPECT_EQ(web->nombreRequetes(), 0);
}

TEST_F(HttpsClientTest, AcceptedCertificateServesThisRequestOnlyAndIsAskedAgain) {
    accepter = true;
    EXPECT_TRUE(requete()) << cause.toStdString();
    EXPECT_TRUE(LireFichierTest(fichier).contains("<ClientBO>"));
    EXPECT_TRUE(requete()) << cause.toStdString();
    EXPECT_EQ(evenements.size(), 2u);
}

}  // namespace
