#pragma once
// The fill tests' base with the web-service double beside it: answer files in a program folder
// of the test's own, the options' address and credentials pointing at the double.
#include "fill/fill_fixture.h"
#include "foundation/globals.h"
#include "foundation/log_lists.h"
#include "support/scripted_dialogs.h"
#include "support/web_double.h"
#include "support/web_session.h"
#include "sync/web_requests.h"

#include <QCoreApplication>
#include <QDir>
#include <optional>

class EntitiesWebTest : public FillTest {
protected:
    void SetUp() override {
        FillTest::SetUp();
        DossierApplication = tmp.path() + QStringLiteral("/app/");
        QDir().mkpath(DossierApplication + QStringLiteral("Local/QD3_Tools_Kirvo"));
        ASSERT_TRUE(web.demarrer());
        url = web.adresseBase();
        SetSourceParametresWeb([this] {
            return ParametresWeb{url, QStringLiteral("kirvo"), QStringLiteral("secret")};
        });
        ClientWeb().DelaiMaxMs = 3000;
    }
    void TearDown() override {
        DebrancherDoubleWeb(web);
        FillTest::TearDown();
    }
    // Requests of one entity and operation, in order.
    std::vector<double_web::Requete> requetes(const QString& entite, const QString& operation = QString()) const {
        std::vector<double_web::Requete> r;
        for (const double_web::Requete& q : web.requetes())
            if (q.entite == entite && (operation.isEmpty() || q.operation == operation)) r.push_back(q);
        return r;
    }
    // A row of a table of the service's faults starts afresh: no fault but the row's own, no
    // request, no box, no log line; the options' password is motDePasse, and the service changes
    // its own ("secret") once it has had motDePasseChange requests (-1: never).
    void debutCasPanne(const std::optional<double_web::PanneProgrammee>& panne, const QString& motDePasse,
                       int motDePasseChange) {
        web.annulerPannes();
        web.effacerRequetes();
        web.setIdentifiants(QStringLiteral("kirvo"), QStringLiteral("secret"));
        TestDialogs().reset();
        Listes().ListeLogTemp.clear();
        Listes().ListeLog.clear();
        // The fixture's time-out: well below a held answer's delay, well above an answer's time on
        // a busy machine.
        ClientWeb().DelaiMaxMs = 3000;
        if (panne) web.programmerPanne(*panne);
        // The options are read before every request: the service's password changes in between.
        SetSourceParametresWeb([this, motDePasse, motDePasseChange] {
            if (web.nombreRequetes() == motDePasseChange)
                web.setIdentifiants(QStringLiteral("kirvo"), QStringLiteral("autre"));
            return ParametresWeb{url, QStringLiteral("kirvo"), motDePasse};
        });
    }
    // Log lines that hold the text.
    QStringList logAvec(const QString& texte) const { return lignesLog().filter(texte); }

    double_web::WebDouble web;
    QString url;
};
