#pragma once
// The requests of the fill-rate upload and the break-grid export: sent through the program's one
// request routine (EchangeWeb, which logs a failed request), the answer read by the operation's
// generic reader. Both send many requests in a row, so the outcome tells a service that cannot be
// reached (the caller stops there, with one message) from a request the service refused (counted,
// the caller goes on).
#include <QString>

enum class IssueEnvoi {
    Accepte,      // sent, and the answer read without an error
    Echec,        // sent but refused (error answer, unreadable answer) or failed otherwise
    Injoignable,  // the request itself failed: no connection, time-out, HTTP error
};

// One run of requests. The first refused answer is shown as the reader shows it; later ones are
// only counted (one box per refused row would bury the user), each with a log line.
class EnvoisWeb {
public:
    explicit EnvoisWeb(QString cleProcedure) : cle_(std::move(cleProcedure)) {}
    IssueEnvoi envoyer(const QString& url, const QString& entite, const QString& operation, const QString& requete);

private:
    QString cle_;
    bool refusMontre_ = false;
};
