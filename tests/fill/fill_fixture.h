#pragma once
// A base of two stations on a site of the test's own, its files open as at start-up, time slots
// and hourly capacities of its own, and helpers that store running-order entries, items,
// contract headers and booked passages in a station's files.
#include "support/fixture.h"
#include "support/site_fixture.h"

#include <QDate>
#include <QString>
#include <memory>

class SpreadGrid;

class FillTest : public KirvoTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Slots: 00H00-05H59, 06H00-11H59, 12H00-23H59. Local seconds: hour 8 120, hour 9 45,
    // hour 20 60; national: hour 8 60, hour 9 30; every other hour excluded.
    void capacitesStandard();
    // Writes the base's settings files and loads the slots and capacities from them.
    void ecrireTranches(const QString& xtPub, const QString& remplissage);

    // Records of station s (1, 2).
    void conducteur(int s, const QString& date, const QString& heure, const QString& minute, const QString& element);
    void element(int s, const QString& code, int32_t ms, const QString& contrat);
    void contrat(int s, const QString& code, const QString& national);
    void passage(int s, const QString& date, int niveau, const QString& heure, float duree, const QString& national);

    // The fill grid laid out for the base.
    SpreadGrid& grille();
    // Cell text and colours of the fill grid's sheet s.
    QString texte(int s, int col, int row);
    QStringList boites() const;

    std::unique_ptr<SiteFixture> site;
    QString config;  // the base's configuration folder (local path)

private:
    void inserer(int s, int16_t fichier, const QString& cle);
    int sequence_ = 0;
};
