// The certificate question against a TLS double with a self-signed certificate: refused, accepted
// for one request, installed for its host (kept in the settings folder, never in a system store).
#include "foundation/globals.h"
#include "foundation/settings_access.h"
#include "foundation/shell_link.h"
#include "shell/certificate.h"
#include "shell/hidden_host.h"
#include "support/scripted_dialogs.h"
#include "support/web_double.h"
#include "sync/web_requests.h"
#include "window_fixture.h"

#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <memory>

using namespace double_web;

namespace {

class CertificateTest : public FenetresTest {
protected:
    void SetUp() override {
        FenetresTest::SetUp();
        DossierApplication = tmp.path() + QLatin1Char('/');
        WebDouble::Options o;
        o.tls = true;
        o.certificat = tmp.path() + QStringLiteral("/cert.pem");
        o.cle = tmp.path() + QStringLiteral("/cle.pem");
        QString erreur;
        ASSERT_TRUE(WebDouble::creerCertificatAutoSigne(o.certificat, o.cle, QStringLiteral("127.0.0.1"), &erreur));
        web = std::make_unique<WebDouble>(o);
        ASSERT_TRUE(web->demarrer(0, &erreur)) << erreur.toStdString();
        web->graineExemple();
        FrmMainBis();  // its client answers the question
        ClientWeb().DelaiMaxMs = 5000;
        SetSourceParametresWeb([this] {
            return ParametresWeb{web->adresseBase(), QStringLiteral("kirvo"), QStringLiteral("secret")};
        });
        SetAfficheurCertificat([this](FrmCertificate& f) {
            champs = {f.edtName->text(), f.edtIssuedTo->text(), f.edtIssuedBy->text(), f.edtValidFrom->text(),
                      f.edtValidTo->text()};
            titre = f.windowTitle();
            ++dialogues;
            if (bouton) bouton(f)->click();
        });
    }
    void TearDown() override {
        web.reset();
        FenetresTest::TearDown();
    }
    bool requete() {
        return EchangeWeb(web->adresseBase(), EntiteWeb::Client, OperationWeb::GetByIdWeb,
                          QStringLiteral("?CltIdWeb=101"), QStringLiteral("Lib_Kirvo:Test"));
    }
    int questions() const {
        int n = 0;
        for (const BoiteAffichee& b : TestDialogs().shown)
            if (b.prompt.endsWith(QStringLiteral("\r\n\r\nVoulez-vous voir / installer le certificat ?"))) {
                EXPECT_EQ(b.title, QStringLiteral("Blind Main Form"));
                EXPECT_EQ(b.style, Mb::YesNoCancel | Mb::Question);
                ++n;
            }
        return n;
    }
    std::unique_ptr<WebDouble> web;
    std::function<QPushButton*(FrmCertificate&)> bouton;
    QStringList champs;
    QString titre;
    int dialogues = 0;
};

TEST_F(CertificateTest, RefusalsFailTheRequest) {
    struct Cas {
        const char* nom;
        int reponse;
        std::function<QPushButton*(FrmCertificate&)> bouton;
        int dialogues;
    };
    const Cas cas[] = {
        {"No", Mb::No, nullptr, 0},
        {"Cancel", Mb::Cancel, nullptr, 0},
        {"Yes, then the dialog's Cancel", Mb::Yes, [](FrmCertificate& f) { return f.btnCancel; }, 1},
        {"Yes, then the close box", Mb::Yes, nullptr, 1},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.nom);
        TestDialogs().shown.clear();
        dialogues = 0;
        bouton = c.bouton;
        TestDialogs().answers = {c.reponse};
        EXPECT_FALSE(requete());
        EXPECT_EQ(questions(), 1);
        EXPECT_EQ(dialogues, c.dialogues);
        EXPECT_EQ(web->nombreRequetes(), 0);
        EXPECT_FALSE(QFileInfo::exists(FichierCertificatsInstalles()));
    }
    EXPECT_EQ(titre, QStringLiteral("View / Install certificate"));
    EXPECT_EQ(champs.value(0), QStringLiteral("127.0.0.1"));
    EXPECT_TRUE(champs.value(2).contains(QStringLiteral("127.0.0.1")));
    EXPECT_FALSE(champs.value(3).isEmpty());
    EXPECT_FALSE(champs.value(4).isEmpty());
}

TEST_F(CertificateTest, ContinueServesOneRequestAndAsksAgain) {
    bouton = [](FrmCertificate& f) { return f.btnContinue; };
    TestDialogs().answers = {Mb::Yes, Mb::Yes};
    EXPECT_TRUE(requete());
    EXPECT_TRUE(requete());
    EXPECT_EQ(questions(), 2);
    EXPECT_EQ(web->nombreRequetes(), 2);
    EXPECT_FALSE(QFileInfo::exists(FichierCertificatsInstalles()));
}

TEST_F(CertificateTest, InstallKeepsTheCertificateForItsHostAndSaysSoOnceSaved) {
    bouton = [](FrmCertificate& f) { return f.btnInstall; };
    TestDialogs().answers = {Mb::Yes};
    EXPECT_TRUE(requete());
    ASSERT_EQ(TestDialogs().shown.size(), 2u);
    EXPECT_TRUE(TestDialogs().shown[1].prompt.startsWith(QStringLiteral("Le certificat a été installé avec succès")));
    EXPECT_EQ(TestDialogs().shown[1].title, CaptionFrmMain());
    const QString kept = LectureIni(FichierCertificatsInstalles(), QStringLiteral("Certificats"),
                                    QStringLiteral("127.0.0.1"), QString());
    EXPECT_EQ(kept.count(QLatin1Char(':')), 31) << kept.toStdString();
    // From now on: no question for that certificate.
    TestDialogs().shown.clear();
    EXPECT_TRUE(requete());
    EXPECT_TRUE(requete());
    EXPECT_TRUE(TestDialogs().shown.empty());

    // Another certificate for the same host is asked about again.
    web.reset();
    WebDouble::Options o;
    o.tls = true;
    o.certificat = tmp.path() + QStringLiteral("/cert2.pem");
    o.cle = tmp.path() + QStringLiteral("/cle2.pem");
    ASSERT_TRUE(WebDouble::creerCertificatAutoSigne(o.certificat, o.cle));
    web = std::make_unique<WebDouble>(o);
    ASSERT_TRUE(web->demarrer());
    ClientWeb().fermerConnexions();
    TestDialogs().answers = {Mb::No};
    EXPECT_FALSE(requete());
    EXPECT_EQ(questions(), 1);
}

TEST_F(CertificateTest, InstallThatCannotBeSavedIsSaidAndServesThisRequestOnly) {
    QDir().mkpath(FichierCertificatsInstalles());  // a folder in the file's place: no write
    bouton = [](FrmCertificate& f) { return f.btnInstall; };
    TestDialogs().answers = {Mb::Yes};
    EXPECT_TRUE(requete());
    ASSERT_EQ(TestDialogs().shown.size(), 2u);
    EXPECT_TRUE(TestDialogs().shown[1].prompt.startsWith(QStringLiteral("Le certificat n'a pas pu être enregistré")));
    TestDialogs().answers = {Mb::No};
    EXPECT_FALSE(requete());
}

}  // namespace
