#include "fill/time_slots.h"
#include "foundation/globals.h"
#include "foundation/log_lists.h"
#include "support/fixture.h"

#include <QDir>
#include <QFile>
#include <vector>

namespace {

class TimeSlotsTest : public KirvoTest {
protected:
    void SetUp() override {
        KirvoTest::SetUp();
        dossier = tmp.path() + QStringLiteral("/Config/");
        QDir().mkpath(dossier);
        t.vider();
    }
    void ecrire(const QString& nom, const QString& texte) {
        QFile f(dossier + nom);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(texte.toLatin1());
    }
    // The slot starts of keys 1..17 (empty: key missing).
    void tranches(const std::vector<const char*>& valeurs) {
        QString s = QStringLiteral("[Pub_Heures_Des_Tranches]\r\n");
        for (size_t i = 0; i < valeurs.size(); ++i)
            if (valeurs[i] && *valeurs[i])
                s += QStringLiteral("Debut_Tranche_%1=%2\r\n")
                         .arg(i, 2, 10, QLatin1Char('0'))
                         .arg(QLatin1String(valeurs[i]));
        ecrire(QStringLiteral("XT_PUB.ini"), s);
    }
    std::vector<std::pair<int, int>> bornes() const {
        std::vector<std::pair<int, int>> b;
        for (int k = 0; k < TranchesHoraires::NbTranches; ++k) b.emplace_back(t.debut(k), t.fin(k));
        return b;
    }
    QString dossier;
    TranchesHoraires t;
};

TEST_F(TimeSlotsTest, WithoutSettingsEachSlotIsOneHourAndTheLastRunsToTheEnd) {
    t.InitGeneral(dossier);
    for (int k = 0; k < 17; ++k) {
        EXPECT_EQ(t.debut(k), k);
        EXPECT_EQ(t.fin(k), k);
    }
    EXPECT_EQ(t.debut(17), 17);
    EXPECT_EQ(t.fin(17), 24);
    EXPECT_EQ(t.texteDebut(3), QStringLiteral("03H00"));
    EXPECT_EQ(t.texteFin(16), QStringLiteral("16H59"));
    EXPECT_EQ(t.texteFin(17), QStringLiteral("End"));
    for (int h = 0; h < 24; ++h) {
        EXPECT_EQ(t.capaciteNationale(h), QString());
        EXPECT_EQ(t.capaciteLocale(h), QString());
        EXPECT_EQ(t.DetermineNoTranche(int16_t(h)), h < 17 ? h : 17);
    }
    EXPECT_EQ(Listes().incidents(0).count(), 0);
}

TEST_F(TimeSlotsTest, EndsAreRaisedToTheEndBeforeAndFirstMatchWins) {
    // slot 0's own key is ignored; slots 1..5 given, 6..17 default to their own numbers
    tranches({"05", "06", "09", "12", "14", "24"});
    t.InitGeneral(dossier);
    const std::vector<std::pair<int, int>> attendu = {
        {0, 5},  {6, 8},   {9, 11},  {12, 13}, {14, 23}, {24, 23}, {6, 23},  {7, 23},  {8, 23},
        {9, 23}, {10, 23}, {11, 23}, {12, 23}, {13, 23}, {14, 23}, {15, 23}, {16, 23}, {17, 24},
    };
    EXPECT_EQ(bornes(), attendu);
    EXPECT_EQ(t.texteDebut(5), QStringLiteral("End"));
    EXPECT_EQ(t.texteFin(4), QStringLiteral("23H59"));
    struct Cas {
        int16_t heure, tranche;
    };
    for (const Cas c : {Cas{0, 0}, Cas{5, 0}, Cas{6, 1}, Cas{7, 1}, Cas{11, 2}, Cas{13, 3}, Cas{14, 4}, Cas{23, 4},
                        Cas{-1, 0}, Cas{30, 0}})
        EXPECT_EQ(t.DetermineNoTranche(c.heure), c.tranche) << c.heure;
}

TEST_F(TimeSlotsTest, LastSlotAndEmptySlots) {
    // rising starts below 20, slot 17 at 20: slot 16 ends at 19H59
    tranches({"", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12", "13", "14", "15", "16", "20"});
    t.InitGeneral(dossier);
    EXPECT_EQ(t.fin(16), 19);
    EXPECT_EQ(t.debut(17), 20);
    EXPECT_EQ(t.fin(17), 24);
    EXPECT_EQ(t.DetermineNoTranche(19), 16);
    EXPECT_EQ(t.DetermineNoTranche(21), 17);

    // slot 3 starting at 0: slot 2's end falls to "none" and is raised to slot 1's, so slot 2
    // covers no hour
    tranches({"", "", "", "0"});
    t.InitGeneral(dossier);
    EXPECT_EQ(t.fin(2), t.fin(1));
    EXPECT_EQ(t.fin(2), 1);
    EXPECT_EQ(t.DetermineNoTranche(2), 3);

    // slot 1 starting at 0 leaves slot 0's end without selection
    tranches({"", "0"});
    t.InitGeneral(dossier);
    EXPECT_EQ(t.fin(0), -1);
    EXPECT_EQ(t.texteFin(0), QString());
    EXPECT_EQ(t.DetermineNoTranche(0), 1);
}

TEST_F(TimeSlotsTest, StartValuesAreReadAsLeadingNumbersWithinTheEntries) {
    struct Cas {
        const char* valeur;
        int debut;
    };
    const Cas cas[] = {{"7", 7},   {" 08 h", 8}, {"2.5", 2}, {"3.5", 4},
                       {"abc", 0}, {"-3", 0},    {"30", 24}, {"99999999999999999999", 24},
                       {"", 5} /* key missing */};
    for (const auto& c : cas) {
        tranches({"", "", "", "", "", c.valeur});
        t.InitGeneral(dossier);
        EXPECT_EQ(t.debut(5), c.debut) << c.valeur;
    }
    EXPECT_EQ(Listes().incidents(0).count(), 0);
}

TEST_F(TimeSlotsTest, CapacitiesAreGroupsOfFourDigits) {
    ecrire(QStringLiteral("QD3_Remplissage.Ini"),
           QStringLiteral("[National]\r\nDureeMax=") + QString(24, QLatin1Char('0')) + QStringLiteral("0120\r\n") +
               QStringLiteral("[Local]\r\nDureeMax=") + QStringLiteral("0090").repeated(22) +
               QStringLiteral("ab12 300") + QStringLiteral("7777\r\n"));
    t.InitGeneral(dossier);
    for (int h = 0; h < 24; ++h) EXPECT_EQ(t.capaciteNationale(h), h == 6 ? QStringLiteral("120") : QString()) << h;
    for (int h = 0; h < 22; ++h) EXPECT_EQ(t.capaciteLocale(h), QStringLiteral("90")) << h;
    EXPECT_EQ(t.capaciteLocale(22), QString());  // no leading number: hour excluded
    EXPECT_EQ(t.capaciteLocale(23), QStringLiteral("300"));
}

TEST_F(TimeSlotsTest, AfterShutdownHasBegunNoSlotIsLookedUp) {
    t.InitGeneral(dossier);
    EXPECT_EQ(t.DetermineNoTranche(8), 8);
    bFermetureEnCours = true;
    EXPECT_EQ(t.DetermineNoTranche(8), 0);
}

TEST_F(TimeSlotsTest, BoxEntries) {
    const QStringList d = TranchesHoraires::EntreesDebut();
    const QStringList f = TranchesHoraires::EntreesFin();
    ASSERT_EQ(d.size(), 25);
    ASSERT_EQ(f.size(), 25);
    EXPECT_EQ(d.first(), QStringLiteral("00H00"));
    EXPECT_EQ(d[23], QStringLiteral("23H00"));
    EXPECT_EQ(f[9], QStringLiteral("09H59"));
    EXPECT_EQ(d.last(), QStringLiteral("End"));
    EXPECT_EQ(f.last(), QStringLiteral("End"));
}

}  // namespace
