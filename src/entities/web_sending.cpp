#include "entities/web_sending.h"

#include "foundation/globals.h"
#include "platform/app_error.h"
#include "sync/answer_readers.h"
#include "sync/web_requests.h"

IssueEnvoi EnvoyerAuWeb(const QString& url, const QString& entite, const QString& operation, const QString& requete,
                        const QString& cleProcedure) {
    DerniereErreur.Number = 0;
    if (!EchangeWeb(url, entite, operation, requete, cleProcedure))
        return DerniereErreur.Number == ErrHttpFailed ? IssueEnvoi::Injoignable : IssueEnvoi::Echec;
    bool err = true;
    const QString fichier = FichierReponseWeb(entite, operation);
    if (operation == OperationWeb::DeleteXML) LectureFichierXMLRequete_00_Generique_01_DeleteXML(fichier, QString(), err);
    else LectureFichierXMLRequete_00_Generique_01_UpdateXML(fichier, QString(), err);
    return err ? IssueEnvoi::Echec : IssueEnvoi::Accepte;
}
