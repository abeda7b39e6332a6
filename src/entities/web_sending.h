#pragma once
// The requests of the fill-rate upload and the break-grid export: sent through the program's one
// request routine (EchangeWeb, which logs a failed request), the answer read by the operation's
// generic reader. Both send many requests in a row, so the outcome tells a service that cannot be
// reached or that refuses the credentials (the caller stops there, with one message) from a request
// the service failed or refused (counted, the caller goes on).
#include <QString>

#include "sync/web_requests.h"

enum class IssueEnvoi {
    Accepte,      // sent, and the answer read without an error and with Result true
    Echec,        // sent but failed: an error status, an error answer, an unreadable answer, Result
                  // not true, or a failure of its own
    Injoignable,  // no answer: no connection, connection dropped, time-out
    // The service refused the options' User and Password (HTTP 401): no request will go through
    // until they are mended.
    IdentificationRefusee,
};

// One run of requests. The first error answer is shown as the reader shows it, unless the caller
// says the run ends with a box of its own; later ones are only counted (one box per refused row
// would bury the user). Every failure has its log line.
class EnvoisWeb {
public:
    explicit EnvoisWeb(QString cleProcedure, bool montrerPremierRefus = true)
        : cle_(std::move(cleProcedure)), refusMontre_(!montrerPremierRefus) {}
    IssueEnvoi envoyer(const QString& url, const QString& entite, const QString& operation, const QString& requete);
    // The requests the service answered with an error status so far.
    const ErreursService& erreursService() const { return erreurs_; }
    // A request got no answer or had its credentials refused: the run stops there.
    bool arrete() const { return arret_ != IssueEnvoi::Accepte; }
    // The run stopped on a request without an answer before the service had answered any.
    bool arreteSansAucuneReponse() const { return arret_ == IssueEnvoi::Injoignable && !repondu_; }
    // The end of the run's summary line: ", stopped: " and why, when the service (or the program
    // closing) stopped it before its end; empty otherwise.
    QString finLigneBilan() const;

private:
    QString cle_;
    bool refusMontre_;
    ErreursService erreurs_;
    IssueEnvoi arret_ = IssueEnvoi::Accepte;
    bool repondu_ = false;  // the service answered a request, whatever it said
};
