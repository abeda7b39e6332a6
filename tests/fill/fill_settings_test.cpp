#include "fill_fixture.h"

#include "fill/fill_settings.h"
#include "foundation/log_lists.h"
#include "foundation/settings_access.h"
#include "platform/cp1252.h"
#include "support/scripted_dialogs.h"

#include <QDir>

namespace {

using FillSettingsTest = FillTest;

const char* const kCles[] = {"Station_01", "Station_02",     "Station_03", "Station_04",     "Station_05",
                             "Station_06", "Station_07",     "Station_08", "Station_09",     "Station_10",
                             "Jour",       "Tranche",        "Heure",      "DemiHeure",      "Ecran",
                             "TotalLocal", "TotalGlobal",    "LocTotal",   "LocPourcentage", "LocNbSpot",
                             "NatTotal",   "NatPourcentage", "CumTotal",   "CumPourcentage"};

TEST_F(FillSettingsTest, AFirstRunTakesTheDefaultsAndThePeriodFromTomorrowForThirtyOneDays) {
    ParametresRemplissage.Jour = true;
    ParametresRemplissage.Station.fill(false);
    InitStructureData(1, 6);
    const TypeParametresRemplissage& r = ParametresRemplissage;
    EXPECT_EQ(r.DateDebut, QDateTime(QDate(2024, 3, 6), QTime(14, 3, 22, 15)));
    EXPECT_EQ(r.DateFin, QDateTime(QDate(2024, 4, 5), QTime(14, 3, 22, 15)));
    for (bool s : r.Station) EXPECT_TRUE(s);
    EXPECT_FALSE(r.Jour);
    EXPECT_TRUE(r.Tranche);
    EXPECT_TRUE(r.Heure);
    EXPECT_FALSE(r.DemiHeure);
    EXPECT_FALSE(r.Ecran);
    for (int k = 1; k <= 9; ++k) EXPECT_EQ(r.ligne(k), k != 6 && k != 7) << k;
    EXPECT_FALSE(QFile::exists(FichierParametresRemplissage()));

    // Any other pair loads nothing.
    ParametresRemplissage.Jour = true;
    InitStructureData(1, 5);
    InitStructureData(0, 6);
    EXPECT_TRUE(ParametresRemplissage.Jour);
}

TEST_F(FillSettingsTest, OnlyTheExactTextOneIsTrue) {
    struct Cas {
        const char* valeur;
        bool attendu;
    } const cas[] = {{"1", true}, {"0", false},  {"true", false}, {"-1", false},
                     {"", false}, {" 1 ", true}, {"yes", false}};
    for (const Cas& c : cas) {
        EcrireFichierTest(FichierParametresRemplissage(), QByteArray("[Remplissage]\r\nStation_03=") + c.valeur +
                                                              "\r\nNatTotal=" + c.valeur + "\r\nHeure=" + c.valeur +
                                                              "\r\n");
        InitStructureData(1, 6);
        EXPECT_EQ(ParametresRemplissage.Station[2], c.attendu) << c.valeur;
        EXPECT_EQ(ParametresRemplissage.NatTotal, c.attendu) << c.valeur;
        EXPECT_EQ(ParametresRemplissage.Heure, c.attendu) << c.valeur;
        EXPECT_TRUE(ParametresRemplissage.Station[3]);
    }
}

TEST_F(FillSettingsTest, ASaveWritesTheTwentyFourKeysInOrderAndNoDate) {
    InitStructureData(1, 6);
    TypeParametresRemplissage& r = ParametresRemplissage;
    r.Station.fill(false);
    r.Station[1] = true;
    r.Jour = true;
    r.Heure = false;
    r.Ecran = true;
    r.NatPourcentage = true;
    r.CumPourcentage = false;
    ASSERT_TRUE(SauverParametresRemplissage());

    const QStringList lignes =
        FromCp1252(LireFichierTest(FichierParametresRemplissage())).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    ASSERT_EQ(lignes.size(), 25);
    EXPECT_EQ(lignes[0], QStringLiteral("[Remplissage]"));
    for (int i = 0; i < 24; ++i) EXPECT_TRUE(lignes[i + 1].startsWith(QLatin1String(kCles[i]) + QLatin1Char('='))) << i;
    EXPECT_EQ(lignes[1], QStringLiteral("Station_01=0"));
    EXPECT_EQ(lignes[2], QStringLiteral("Station_02=1"));
    EXPECT_EQ(lignes[11], QStringLiteral("Jour=1"));
    EXPECT_EQ(lignes[13], QStringLiteral("Heure=0"));
    EXPECT_EQ(lignes[15], QStringLiteral("Ecran=1"));
    EXPECT_EQ(lignes[22], QStringLiteral("NatPourcentage=1"));
    EXPECT_EQ(lignes[24], QStringLiteral("CumPourcentage=0"));

    // Read back, every field comes back; the period goes back to the default.
    const TypeParametresRemplissage avant = r;
    r = TypeParametresRemplissage{};
    r.DateDebut = QDateTime(QDate(2030, 1, 1), QTime());
    InitStructureData(1, 6);
    EXPECT_EQ(r.Station, avant.Station);
    for (int k = 1; k <= 9; ++k) EXPECT_EQ(r.ligne(k), avant.ligne(k)) << k;
    EXPECT_EQ(r.Jour, avant.Jour);
    EXPECT_EQ(r.Heure, avant.Heure);
    EXPECT_EQ(r.Ecran, avant.Ecran);
    EXPECT_EQ(r.DateDebut.date(), QDate(2024, 3, 6));
}

TEST_F(FillSettingsTest, AFailedSaveKeepsTheValuesAndTellsTheUserOnce) {
    InitStructureData(1, 6);
    // A folder in the file's place: nothing can be written there.
    ASSERT_TRUE(QDir().mkpath(FichierParametresRemplissage()));
    ParametresRemplissage.Heure = false;
    EXPECT_FALSE(SauverParametresRemplissage());
    EXPECT_FALSE(ParametresRemplissage.Heure);
    ASSERT_EQ(boites().size(), 1);
    EXPECT_TRUE(boites()[0].contains(FichierParametresRemplissage()));
    int lignes = 0;
    for (const QString& l : lignesLog())
        if (l.contains(QLatin1String("Err: Remplissage"))) ++lignes;
    EXPECT_EQ(lignes, 1);

    // The reload that each computation makes keeps what the user chose over the file.
    InitStructureData(1, 6);
    EXPECT_FALSE(ParametresRemplissage.Heure);
    EXPECT_TRUE(ParametresRemplissage.Tranche);

    // Once the file takes the values again, it is read as before.
    ASSERT_TRUE(QDir().rmdir(FichierParametresRemplissage()));
    ParametresRemplissage.Heure = true;
    EXPECT_TRUE(SauverParametresRemplissage());
    EcrireFichierTest(FichierParametresRemplissage(), QByteArray("[Remplissage]\r\nHeure=0\r\n"));
    InitStructureData(1, 6);
    EXPECT_FALSE(ParametresRemplissage.Heure);
}

}  // namespace
