#include "entities/web_sending.h"

#include "foundation/globals.h"
#include "foundation/proc.h"
#include "foundation/trace_log.h"
#include "platform/app_error.h"
#include "sync/answer_readers.h"
#include "sync/web_requests.h"

namespace {

// The return code of an answer file, read without a box; false when the file is no answer.
bool CodeReponse(const QString& fichier, const QString& cle, int32_t& code) {
    code = 0;
    TextesEntete t;
    if (!ChargerEnteteReponse(fichier, cle, t)) return false;
    if (t.codeVu) code = ValeurNumeriqueReponse(t.code);
    return true;
}

}  // namespace

IssueEnvoi EnvoisWeb::envoyer(const QString& url, const QString& entite, const QString& operation,
                              const QString& requete) {
    DerniereErreur.Number = 0;
    if (!EchangeWeb(url, entite, operation, requete, cle_))
        return DerniereErreur.Number == ErrHttpFailed ? IssueEnvoi::Injoignable : IssueEnvoi::Echec;
    const QString fichier = FichierReponseWeb(entite, operation);
    if (refusMontre_) {
        const QByteArray k = cle_.toLatin1();
        Proc p(k.constData(), Trace::None);
        bool lu = false;
        int32_t code = 0;
        p(10, [&] { lu = CodeReponse(fichier, cle_, code); });
        if (lu && code == 0) return IssueEnvoi::Accepte;
        TraceLog(-1, -1, -1,
                 QStringLiteral("Err: ") + cle_ + QStringLiteral(": ") + entite + QLatin1Char('/') + operation +
                     QStringLiteral(" refused (code ") + QString::number(code) + QStringLiteral("): ") + requete,
                 false);
        return IssueEnvoi::Echec;
    }
    bool err = true;
    if (operation == OperationWeb::DeleteXML) LectureFichierXMLRequete_00_Generique_01_DeleteXML(fichier, QString(), err);
    else LectureFichierXMLRequete_00_Generique_01_UpdateXML(fichier, QString(), err);
    if (!err) return IssueEnvoi::Accepte;
    refusMontre_ = true;
    return IssueEnvoi::Echec;
}
