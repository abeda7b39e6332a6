#pragma once
// Window tests: a fresh program state plus the shell's own flags, and no window left behind.
#include "foundation/globals.h"
#include "foundation/shell_link.h"
#include "shell/hidden_host.h"
#include "shell/shell_globals.h"
#include "support/fixture.h"

class FenetresTest : public KirvoTest {
protected:
    void SetUp() override {
        KirvoTest::SetUp();
        // Windows save their settings under the program folder: keep them in the test's folder.
        DossierApplication = tmp.path() + QLatin1Char('/');
        ReinitialiserEtatShell();
        ReinitialiserLienShell();
    }
    void TearDown() override {
        FermerFrmMsg(QString());
        DechargerFrmMainBis();
        ReinitialiserLienShell();
        ReinitialiserEtatShell();
        KirvoTest::TearDown();
    }
};
