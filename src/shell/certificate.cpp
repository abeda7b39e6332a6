#include "shell/certificate.h"

#include "foundation/globals.h"
#include "foundation/proc.h"
#include "foundation/settings_access.h"
#include "foundation/settings_locations.h"
#include "foundation/shell_link.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

std::function<void(FrmCertificate&)> g_afficheur;

const QString kSection = QStringLiteral("Certificats");

QString Empreinte(const QByteArray& sha256) { return QString::fromLatin1(sha256.toHex(':').toUpper()); }

QString TexteDate(const QDateTime& d) {
    return d.isValid() ? QLocale().toString(d.toLocalTime(), QLocale::ShortFormat) : QString();
}

}  // namespace

FrmCertificate::FrmCertificate() {
    Proc p(Cle::FrmCertificate_Form_Load);
    setObjectName(QStringLiteral("FrmCertificate"));
    setWindowTitle(QStringLiteral("View / Install certificate"));
    setModal(true);
    auto* v = new QVBoxLayout(this);
    auto* g = new QGridLayout;
    auto champ = [&](int ligne, const char* nom, const char* libelle) {
        auto* e = new QLineEdit(this);
        e->setObjectName(QString::fromLatin1(nom));
        e->setReadOnly(true);
        e->setMinimumWidth(320);
        g->addWidget(new QLabel(QString::fromLatin1(libelle), this), ligne, 0);
        g->addWidget(e, ligne, 1);
        return e;
    };
    edtName = champ(0, "edtName", "Friendly Name");
    edtIssuedTo = champ(1, "edtIssuedTo", "Issued To");
    edtIssuedBy = champ(2, "edtIssuedBy", "Issued By");
    edtValidFrom = champ(3, "edtValidFrom", "Valid From");
    edtValidTo = champ(4, "edtValidTo", "Valid To");
    v->addLayout(g);
    auto* boutons = new QHBoxLayout;
    boutons->addStretch(1);
    btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnContinue = new QPushButton(QStringLiteral("Continue"), this);
    btnContinue->setObjectName(QStringLiteral("btnContinue"));
    btnInstall = new QPushButton(QStringLiteral("Install && Continue"), this);
    btnInstall->setObjectName(QStringLiteral("btnInstall"));
    for (QPushButton* b : {btnCancel, btnContinue, btnInstall}) {
        b->setAutoDefault(false);
        boutons->addWidget(b);
    }
    btnCancel->setDefault(true);
    v->addLayout(boutons);
    connect(btnCancel, &QPushButton::clicked, this, &FrmCertificate::btnCancel_Click);
    connect(btnContinue, &QPushButton::clicked, this, &FrmCertificate::btnContinue_Click);
    connect(btnInstall, &QPushButton::clicked, this, &FrmCertificate::btnInstall_Click);
    PbLCertificateResult = Annuler;
}

void FrmCertificate::btnCancel_Click() {
    Proc p(Cle::FrmCertificate_btnCancel_Click);
    PbLCertificateResult = Annuler;
    hide();
}

void FrmCertificate::btnContinue_Click() {
    Proc p(Cle::FrmCertificate_btnContinue_Click);
    PbLCertificateResult = Continuer;
    hide();
}

void FrmCertificate::btnInstall_Click() {
    Proc p(Cle::FrmCertificate_btnInstall_Click);
    PbLCertificateResult = InstallerEtContinuer;
    hide();
}

void SetAfficheurCertificat(std::function<void(FrmCertificate&)> afficheur) { g_afficheur = std::move(afficheur); }

QString FichierCertificatsInstalles() {
    const QString dossier =
        DossierSettings.isEmpty() ? DossierApplication + QStringLiteral("Settings/QD3_Tools_Kirvo/") : DossierSettings;
    return dossier + QStringLiteral("QD3_Tools_Kirvo_Certificats.Ini");
}

bool CertificatInstalle(const CertificatServeur& c) {
    if (c.hote.isEmpty() || c.empreinteSha256.isEmpty()) return false;
    const QString kept = LectureIni(FichierCertificatsInstalles(), kSection, c.hote, QString());
    return !kept.isEmpty() && kept.compare(Empreinte(c.empreinteSha256), Qt::CaseInsensitive) == 0;
}

bool InstallerCertificat(const CertificatServeur& c) {
    if (c.hote.isEmpty() || c.empreinteSha256.isEmpty()) return false;
    if (!EcritureIni(FichierCertificatsInstalles(), kSection, c.hote, Empreinte(c.empreinteSha256))) return false;
    // Read back: only a kept certificate counts as installed.
    return CertificatInstalle(c);
}

bool ViewCertificate(const CertificatServeur& certificat) {
    Proc p(Cle::ViewCertificate);
    bool accepte = false;
    FrmCertificate frm;
    p(10, [&] {
        frm.edtName->setText(certificat.nomConvivial);
        frm.edtIssuedTo->setText(certificat.emisPour);
        frm.edtIssuedBy->setText(certificat.emisPar);
        frm.edtValidFrom->setText(TexteDate(certificat.valideDu));
        frm.edtValidTo->setText(TexteDate(certificat.valideAu));
    });
    p(20, [&] {
        if (g_afficheur)
            g_afficheur(frm);
        else
            frm.exec();
    });
    accepte = frm.PbLCertificateResult == FrmCertificate::Continuer ||
              frm.PbLCertificateResult == FrmCertificate::InstallerEtContinuer;
    if (frm.PbLCertificateResult == FrmCertificate::InstallerEtContinuer) {
        p(30, [&] {
            if (InstallerCertificat(certificat)) {
                MsgBoxMain(QStringLiteral("Le certificat a été installé avec succès (accepté désormais pour ") +
                               certificat.hote + QLatin1Char(')'),
                           Mb::OKOnly | Mb::Information);
            } else {
                MsgBoxMain(QStringLiteral("Le certificat n'a pas pu être enregistré dans ") +
                               FichierCertificatsInstalles() +
                               QStringLiteral("\r\nIl n'est accepté que pour cette requête."),
                           Mb::OKOnly | Mb::Exclamation);
            }
        });
    }
    return accepte;
}

void clHttp1_OnVerifyServer(VerificationServeur& e) {
    Proc p(Cle::clHttp1_OnVerifyServer);
    if (e.verifie) return;
    // A certificate the user installed for this host goes without a question.
    if (CertificatInstalle(e.certificat)) {
        e.verifie = true;
        return;
    }
    int reponse = Mb::No;
    p(10, [&] {
        reponse = MsgBox(e.statut + QStringLiteral("\r\n\r\nVoulez-vous voir / installer le certificat ?"),
                         Mb::YesNoCancel | Mb::Question, QStringLiteral("Blind Main Form"));
    });
    if (reponse == Mb::Yes) p(20, [&] { e.verifie = ViewCertificate(e.certificat); });
}

void ReinitialiserCertificats() { g_afficheur = nullptr; }
