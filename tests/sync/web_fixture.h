#pragma once
// Tests of the web requests: a program folder of the test's own, the double started with its
// sample lists, the options' address and credentials pointing at it, the list grids laid out.
#include "foundation/globals.h"
#include "support/fixture.h"
#include "support/scripted_dialogs.h"
#include "support/web_double.h"
#include "support/web_session.h"
#include "grids/list_grids.h"
#include "sync/web_requests.h"

#include <QCoreApplication>
#include <QFileInfo>

class WebTest : public KirvoTest {
protected:
    void SetUp() override {
        KirvoTest::SetUp();
        DossierApplication = tmp.path() + QStringLiteral("/");
        ReinitialiserGrillesPub();
        for (int k = 1; k <= 5; ++k) InitGeneralTableurPub(int16_t(k), true, false);
        ASSERT_TRUE(web.demarrer());
        web.graineExemple();
        parametres = {web.adresseBase(), QStringLiteral("kirvo"), QStringLiteral("secret")};
        SetSourceParametresWeb([this] { return parametres; });
        ClientWeb().DelaiMaxMs = 3000;
    }
    void TearDown() override {
        DebrancherDoubleWeb(web);
        ReinitialiserGrillesPub();
        KirvoTest::TearDown();
    }
    // Rows of a list grid, column by column (1..n).
    static std::vector<QStringList> lignes(int grille) {
        std::vector<QStringList> r;
        SpreadGrid* g = GrillePub(grille);
        for (int l = 1; l <= g->maxRows(); ++l) {
            QStringList cells;
            for (int c = 1; c <= g->maxCols(); ++c) cells << g->textAt(c, l);
            r.push_back(cells);
        }
        return r;
    }
    QStringList boites() const {
        QStringList r;
        for (const BoiteAffichee& b : TestDialogs().shown) r << b.prompt;
        return r;
    }

    double_web::WebDouble web;
    ParametresWeb parametres;
};
