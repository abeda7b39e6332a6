#pragma once
// The fill tests' base with the web-service double beside it: answer files in a program folder
// of the test's own, the options' address and credentials pointing at the double.
#include "fill/fill_fixture.h"
#include "foundation/globals.h"
#include "support/scripted_dialogs.h"
#include "support/web_double.h"
#include "support/web_session.h"
#include "sync/web_requests.h"

#include <QCoreApplication>
#include <QDir>

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
    // Log lines that hold the text.
    QStringList logAvec(const QString& texte) const { return lignesLog().filter(texte); }

    double_web::WebDouble web;
    QString url;
};
