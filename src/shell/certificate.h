#pragma once
// The question put when a server's certificate does not verify during a web request: the user may
// look at the certificate and refuse it, accept it for this request, or install it. Installing
// never touches a system store: the host and the certificate's SHA-256 fingerprint are kept in
// the program's settings folder, and that certificate is accepted for that host from then on
// without a question.
#include "platform/http_client.h"

#include <QDialog>
#include <functional>

class QLineEdit;
class QPushButton;

namespace Cle {
inline constexpr const char* clHttp1_OnVerifyServer = "Frm_MainBis:clHttp1_OnVerifyServer";
inline constexpr const char* ViewCertificate = "Frm_MainBis:ViewCertificate";
inline constexpr const char* FrmCertificate_Form_Load = "FrmCertificate:Form_Load";
inline constexpr const char* FrmCertificate_btnCancel_Click = "FrmCertificate:btnCancel_Click";
inline constexpr const char* FrmCertificate_btnContinue_Click = "FrmCertificate:btnContinue_Click";
inline constexpr const char* FrmCertificate_btnInstall_Click = "FrmCertificate:btnInstall_Click";
}  // namespace Cle

// "View / Install certificate".
class FrmCertificate : public QDialog {
    Q_OBJECT
public:
    enum Resultat : int { Annuler = 0, Continuer = 1, InstallerEtContinuer = 2 };

    FrmCertificate();

    QLineEdit* edtName = nullptr;
    QLineEdit* edtIssuedTo = nullptr;
    QLineEdit* edtIssuedBy = nullptr;
    QLineEdit* edtValidFrom = nullptr;
    QLineEdit* edtValidTo = nullptr;
    QPushButton* btnCancel = nullptr;
    QPushButton* btnContinue = nullptr;
    QPushButton* btnInstall = nullptr;

    // The user's choice; Annuler until a button is pressed (the close box too).
    int PbLCertificateResult = Annuler;

    void btnCancel_Click();
    void btnContinue_Click();
    void btnInstall_Click();
};

// Shows the dialog modal until it is hidden or closed. Tests replace it (the dialog is built and
// filled; the stand-in presses a button or returns).
void SetAfficheurCertificat(std::function<void(FrmCertificate&)> afficheur);

// The handler of the client's OnVerifyServer.
void clHttp1_OnVerifyServer(VerificationServeur& e);
// Shows the certificate; true when the user chose Continue or Install and Continue. Install keeps
// the certificate for its host; false when it could not be kept (the user is told).
bool ViewCertificate(const CertificatServeur& certificat);

// The file of the installed certificates, and the lookup.
QString FichierCertificatsInstalles();
bool CertificatInstalle(const CertificatServeur& certificat);
bool InstallerCertificat(const CertificatServeur& certificat);

// Tests: the real dialog back.
void ReinitialiserCertificats();
