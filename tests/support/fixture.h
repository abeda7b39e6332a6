#pragma once
// Every test starts from a fresh program state: fake clock, empty lists, flags down.
#include "platform/clock.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

class KirvoTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Lines of the holding list and of the log list, in order.
    QStringList lignesLog() const;
    FakeClock horloge;
    QTemporaryDir tmp;
};

// Writes a file whole, creating its folders.
void EcrireFichierTest(const QString& chemin, const QByteArray& contenu);
// A file's bytes, or "<absent>" when it cannot be read.
QByteArray LireFichierTest(const QString& chemin);
// An answer of the web service kept in tests/support/reponses/ (odd bytes no test writes inline).
QString ReponseDeTest(const QString& nom);

// Puts back every global the lower layers own to its start-of-run value.
void ReinitialiserEtatProgramme();
