#include "entities/web_sending.h"

#include "foundation/globals.h"
#include "foundation/proc.h"
#include "foundation/trace_log.h"
#include "platform/app_error.h"
#include "sync/answer_readers.h"

IssueEnvoi EnvoisWeb::envoyer(const QString& url, const QString& entite, const QString& operation,
                              const QString& requete) {
    DerniereErreur.Number = 0;
    if (!EchangeWeb(url, entite, operation, requete, cle_)) {
        if (DerniereErreur.Number != ErrHttpFailed) return IssueEnvoi::Echec;
        // The service that answered with an error status failed this request only (EchangeWeb
        // logged it with its status).
        const int statut = StatutErreurService();
        if (statut == 0) {
            arret_ = IdentificationRefusee() ? IssueEnvoi::IdentificationRefusee : IssueEnvoi::Injoignable;
            return arret_;
        }
        repondu_ = true;
        erreurs_.compter(statut);
        return IssueEnvoi::Echec;
    }
    repondu_ = true;
    const QString fichier = FichierReponseWeb(entite, operation);
    bool lu = false, resultat = false;
    int32_t code = 0;
    if (refusMontre_) {
        const QByteArray k = cle_.toLatin1();
        Proc p(k.constData(), Trace::None);
        p(10, [&] { lu = LireCodeEtResultat(fichier, cle_, code, resultat); });
    } else {
        bool err = true;
        const bool suppression = operation == OperationWeb::DeleteXML;
        if (suppression)
            LectureFichierXMLRequete_00_Generique_01_DeleteXML(fichier, QString(), err);
        else
            LectureFichierXMLRequete_00_Generique_01_UpdateXML(fichier, QString(), err);
        const ReponseXML& r = suppression ? ReponseDeleteXML : ReponseUpdateXML;
        code = r.Code;
        lu = !err || code != 0;
        resultat = !err && r.Result;
        // The reader has shown this one; the next ones are only logged.
        if (err) refusMontre_ = true;
    }
    if (lu && code == 0 && resultat) return IssueEnvoi::Accepte;
    // An answer with no error that does not say the work was done is a refusal all the same.
    const QString pourquoi = !lu ? QStringLiteral(" failed (unreadable answer): ")
                             : code != 0
                                 ? QStringLiteral(" refused (code ") + QString::number(code) + QStringLiteral("): ")
                                 : QStringLiteral(" refused (Result not True): ");
    TraceLog(-1, -1, -1,
             QStringLiteral("Err: ") + cle_ + QStringLiteral(": ") + entite + QLatin1Char('/') + operation + pourquoi +
                 requete,
             false);
    return IssueEnvoi::Echec;
}

QString EnvoisWeb::finLigneBilan() const {
    return FinLigneBilanService(arrete(), arret_ == IssueEnvoi::IdentificationRefusee);
}
