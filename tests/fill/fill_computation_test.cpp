#include "fill_fixture.h"

#include "database/btrieve.h"
#include "database/site_startup.h"
#include "fill/fill_computation.h"
#include "fill/fill_settings.h"
#include "foundation/activity.h"
#include "foundation/globals.h"
#include "foundation/shell_link.h"
#include "platform/record_manager.h"
#include "support/scripted_dialogs.h"
#include "grids/list_grids.h"

#include <QTimer>
#include <cstring>
#include <limits>

namespace {

// Grid columns of the fixture's hours and slots.
constexpr int H08 = 39, H09 = 40, H20 = 51, T0 = 6, T1 = 7, T2 = 8, TOT = 30;

int ligne(int jour, int nature) { return 9 * (jour - 1) + nature; }

const QDateTime J1(QDate(2023, 1, 1), QTime(10, 30));  // a Sunday, 1 January
const QDateTime J3(QDate(2023, 1, 3), QTime(8, 0));

class FillComputationTest : public FillTest {
protected:
    void SetUp() override {
        FillTest::SetUp();
        capacitesStandard();
    }
    // The base worked out by hand (see each expectation below).
    void baseExemple() {
        // Station 1, day 1: a running order (the booked passage of that day does not count).
        contrat(1, QStringLiteral("C00001"), QStringLiteral("O"));
        contrat(1, QStringLiteral("C00002"), QStringLiteral("N"));
        element(1, QStringLiteral("A"), 30000, QStringLiteral("C00001"));
        element(1, QStringLiteral("B"), 45000, QStringLiteral("C00002"));
        conducteur(1, QStringLiteral("20230101"), QStringLiteral("08"), QStringLiteral("15"), QStringLiteral("A"));
        conducteur(1, QStringLiteral("20230101"), QStringLiteral("09"), QStringLiteral("10"), QStringLiteral("B"));
        conducteur(1, QStringLiteral("20230101"), QStringLiteral("20"), QStringLiteral("00"), QStringLiteral("GONE"));
        passage(1, QStringLiteral("20230101"), 5, QStringLiteral("08"), 500, QStringLiteral("O"));
        // Station 1, day 2: booked passages only.
        passage(1, QStringLiteral("20230102"), 5, QStringLiteral("08"), 12.5f, QStringLiteral("y"));
        passage(1, QStringLiteral("20230102"), 5, QStringLiteral("08"), 20.25f, QStringLiteral("N"));
        passage(1, QStringLiteral("20230102"), 4, QStringLiteral("20"), 99.9f, QString());
        passage(1, QStringLiteral("20230102"), 3, QStringLiteral(" 8"), 5.0f, QString());
        passage(1, QStringLiteral("20230102"), 2, QStringLiteral("09"), 10.0f, QString());
        passage(1, QStringLiteral("20230102"), 1, QStringLiteral("09"), 99.0f, QStringLiteral("O"));
        // Station 2, day 1: the same item, but its contract header is not in this station's file.
        element(2, QStringLiteral("A"), 30000, QStringLiteral("C00001"));
        conducteur(2, QStringLiteral("20230101"), QStringLiteral("08"), QStringLiteral("15"), QStringLiteral("A"));
        // Station 2, day 3: an entry whose item is gone stands for the day: its passage is not read.
        conducteur(2, QStringLiteral("20230103"), QStringLiteral("09"), QStringLiteral("00"), QStringLiteral("NOPE"));
        passage(2, QStringLiteral("20230103"), 5, QStringLiteral("08"), 60.0f, QStringLiteral("O"));
    }
    int32_t fond(int s, int c, int r) {
        GrilleRemplissage()->setSheet(s);
        return GrilleRemplissage()->backColorAt(c, r);
    }
    int32_t encre(int s, int c, int r) {
        GrilleRemplissage()->setSheet(s);
        return GrilleRemplissage()->foreColorAt(c, r);
    }
    bool colonneCachee(int s, int c) {
        GrilleRemplissage()->setSheet(s);
        return GrilleRemplissage()->colHiddenAt(c);
    }
    bool ligneCachee(int s, int r) {
        GrilleRemplissage()->setSheet(s);
        return GrilleRemplissage()->rowHiddenAt(r);
    }
};

struct Attendu {
    int station, jour, nature, col;
    const char* texte;
};

// Worked out by hand from the fixture's capacities (H08 120 local + 60 national, H09 45 + 30,
// H20 60 local; slot 1 = 06H00-11H59, slot 2 = 12H00-23H59, day total over 06H00-19H59).
const Attendu kAttendus[] = {
    // Day 1, station 1: A (30 s, national) at 08, B (45 s, local) at 09, an entry without item.
    {1, 1, 1, H08, "02:00"},
    {1, 1, 1, H09, "00:45"},
    {1, 1, 1, H20, "01:00"},
    {1, 1, 1, T0, ""},
    {1, 1, 1, T1, "02:45"},
    {1, 1, 1, T2, "01:00"},
    {1, 1, 1, TOT, "02:45"},
    {1, 1, 2, H08, "03:00"},
    {1, 1, 2, H09, "01:15"},
    {1, 1, 2, H20, "01:00"},
    {1, 1, 2, T1, "04:15"},
    {1, 1, 2, TOT, "04:15"},
    {1, 1, 3, H08, ""},
    {1, 1, 3, H09, "00:45"},
    {1, 1, 3, T1, "00:45"},
    {1, 1, 3, TOT, "00:45"},
    {1, 1, 4, H08, "0"},
    {1, 1, 4, H09, "100"},
    {1, 1, 4, H20, "0"},
    {1, 1, 4, T1, "27"},
    {1, 1, 4, T2, "0"},
    {1, 1, 4, TOT, "27"},
    {1, 1, 5, H08, "4"},
    {1, 1, 5, H09, "0"},
    {1, 1, 5, H20, "2"},
    {1, 1, 5, T1, "4"},
    {1, 1, 5, T2, "2"},
    {1, 1, 5, TOT, "4"},
    {1, 1, 6, H08, "00:30"},
    {1, 1, 6, H09, ""},
    {1, 1, 6, T1, "00:30"},
    {1, 1, 6, TOT, "00:30"},
    {1, 1, 7, H08, "50"},
    {1, 1, 7, H09, ""},
    {1, 1, 7, T1, "33"},
    {1, 1, 7, TOT, "33"},
    {1, 1, 8, H08, "00:30"},
    {1, 1, 8, H09, "00:45"},
    {1, 1, 8, T1, "01:15"},
    {1, 1, 8, TOT, "01:15"},
    {1, 1, 9, H08, "17"},
    {1, 1, 9, H09, "60"},
    {1, 1, 9, T1, "29"},
    {1, 1, 9, TOT, "29"},
    // Day 2, station 1, booked passages: at 08 level 5 national 12.5 s ("y") and local 20.25 s; at
    // 20 level 4 local 99.9 s; at " 8" level 3 local 5 s (slot and day only: no hour header
    // "H 8"); at 09 level 2 local 10 s (slot and day); at 09 level 1, 99 s (nowhere).
    {1, 2, 3, H08, "00:20"},
    {1, 2, 3, H09, ""},
    {1, 2, 3, H20, "01:40"},
    {1, 2, 3, T1, "00:35"},
    {1, 2, 3, T2, "01:40"},
    {1, 2, 3, TOT, "02:15"},
    {1, 2, 4, H08, "17"},
    {1, 2, 4, H09, "0"},
    {1, 2, 4, H20, "167"},
    {1, 2, 4, T1, "21"},
    {1, 2, 4, T2, "167"},
    {1, 2, 4, TOT, "82"},
    {1, 2, 5, H08, "3"},
    {1, 2, 5, H09, "2"},
    {1, 2, 5, H20, "-1"},
    {1, 2, 5, T1, "4"},
    {1, 2, 5, T2, "-1"},
    {1, 2, 5, TOT, "1"},
    {1, 2, 6, H08, "00:12"},
    {1, 2, 6, T1, "00:12"},
    {1, 2, 6, TOT, "00:12"},
    {1, 2, 7, H08, "21"},
    {1, 2, 7, T1, "14"},
    {1, 2, 7, TOT, "14"},
    {1, 2, 8, H08, "00:33"},
    {1, 2, 8, H20, "01:40"},
    {1, 2, 8, T1, "00:48"},
    {1, 2, 8, TOT, "02:28"},
    {1, 2, 9, H08, "18"},
    {1, 2, 9, H20, "167"},
    {1, 2, 9, T1, "19"},
    {1, 2, 9, T2, "167"},
    {1, 2, 9, TOT, "58"},
    // Day 3, station 1: nothing planned; spots of the slot of 165 s: 5.5 rounds to 6.
    {1, 3, 3, TOT, ""},
    {1, 3, 4, H08, "0"},
    {1, 3, 4, TOT, ""},
    {1, 3, 5, H09, "2"},
    {1, 3, 5, T1, "6"},
    {1, 3, 5, TOT, ""},
    {1, 3, 8, TOT, ""},
    // Station 2: its own files; without the contract header the item is local.
    {2, 1, 3, H08, "00:30"},
    {2, 1, 4, H08, "25"},
    {2, 1, 5, H08, "3"},
    {2, 1, 6, H08, ""},
    {2, 1, 3, TOT, "00:30"},
    {2, 2, 3, H08, ""},
    {2, 3, 3, H08, ""},
    {2, 3, 6, H08, ""},
    {2, 3, 8, TOT, ""},
    {2, 3, 4, H08, "0"},
};

TEST_F(FillComputationTest, TwoStationsOverThreeDaysGiveTheGridWorkedOutByHand) {
    baseExemple();
    SpreadGrid& g = grille();
    ASSERT_TRUE(Remplissage(g, J1, J3));

    ASSERT_EQ(g.sheetCount(), 2);
    EXPECT_EQ(g.sheetName(1), QStringLiteral("Ondrune Nord 1"));
    EXPECT_EQ(g.sheetName(2), QStringLiteral("Ondrune Nord 2"));
    EXPECT_EQ(g.tag(), QStringLiteral("O"));
    // The slot columns' headers come from the slots; the hours read H00 to H23.
    g.setSheet(1);
    EXPECT_EQ(g.headerText(T0, 2), QStringLiteral("00H00 05H59"));
    EXPECT_EQ(g.headerText(T1, 2), QStringLiteral("06H00 11H59"));
    EXPECT_EQ(g.headerText(T2, 3), QStringLiteral("12H00 23H59"));
    EXPECT_EQ(g.headerText(T2 + 1, 1), QString());
    EXPECT_EQ(g.headerText(TOT, 2), QStringLiteral("06H00 19H59"));
    EXPECT_EQ(g.headerText(H08, 2), QStringLiteral("H08"));
    for (int s = 1; s <= 2; ++s) {
        g.setSheet(s);
        EXPECT_EQ(g.maxRows(), 27);
    }
    for (const Attendu& a : kAttendus)
        EXPECT_EQ(texte(a.station, a.col, ligne(a.jour, a.nature)), QString::fromUtf8(a.texte))
            << "station " << a.station << " day " << a.jour << " kind " << a.nature << " col " << a.col;

    // Week, day letters, date and kind on every row of a block; Sunday 1 January is week 01,
    // the Monday after starts week 02.
    for (int k = 1; k <= 9; ++k) {
        EXPECT_EQ(texte(1, 1, ligne(1, k)), QStringLiteral("01"));
        EXPECT_EQ(texte(1, 2, ligne(1, k)), QStringLiteral("Di"));
        EXPECT_EQ(texte(1, 3, ligne(1, k)), QStringLiteral("01-01-23"));
        EXPECT_EQ(texte(1, 4, ligne(1, k)), LibelleNature(k));
        EXPECT_EQ(texte(2, 1, ligne(2, k)), QStringLiteral("02"));
        EXPECT_EQ(texte(2, 2, ligne(3, k)), QStringLiteral("Ma"));
        EXPECT_EQ(texte(2, 3, ligne(3, k)), QStringLiteral("03-01-23"));
        EXPECT_EQ(texte(1, 5, ligne(2, k)), QString());
    }
    EXPECT_EQ(texte(1, 2, ligne(2, 1)), QStringLiteral("Lu"));

    // Colours: alternate days, the day total, percentage bands (the spots under a local
    // percentage take its band).
    EXPECT_EQ(fond(1, 3, ligne(1, 1)), RGB(255, 255, 255));
    EXPECT_EQ(fond(1, H08, ligne(2, 1)), RGB(225, 240, 255));
    EXPECT_EQ(fond(1, TOT, ligne(1, 1)), RGB(23, 121, 168));
    EXPECT_EQ(fond(1, TOT, ligne(1, 8)), RGB(23, 121, 168));
    EXPECT_EQ(fond(1, TOT, ligne(3, 5)), RGB(23, 121, 168));  // no local percentage above it
    EXPECT_EQ(fond(1, TOT, ligne(1, 4)), RGB(128, 255, 0));
    EXPECT_EQ(fond(1, TOT, ligne(1, 5)), RGB(128, 255, 0));
    EXPECT_EQ(fond(1, H08, ligne(1, 4)), RGB(0, 255, 0));
    EXPECT_EQ(fond(1, H09, ligne(1, 4)), RGB(255, 0, 0));
    EXPECT_EQ(encre(1, H09, ligne(1, 4)), RGB(0, 0, 0));
    EXPECT_EQ(fond(1, H09, ligne(1, 5)), RGB(255, 0, 0));
    EXPECT_EQ(fond(1, H08, ligne(1, 7)), RGB(128, 255, 0));
    EXPECT_EQ(fond(1, H09, ligne(1, 9)), RGB(255, 128, 0));
    EXPECT_EQ(fond(1, H20, ligne(2, 4)), RGB(0, 0, 0));
    EXPECT_EQ(encre(1, H20, ligne(2, 4)), RGB(255, 0, 0));
    EXPECT_EQ(fond(1, H20, ligne(2, 5)), RGB(0, 0, 0));
    EXPECT_EQ(encre(1, H20, ligne(2, 5)), RGB(255, 0, 0));
    EXPECT_EQ(fond(1, TOT, ligne(2, 4)), RGB(255, 0, 0));
    EXPECT_EQ(fond(2, H08, ligne(1, 4)), RGB(0, 255, 0));  // 25 is still the lowest band
    g.setSheet(1);
    EXPECT_EQ(g.cellTypeAt(H08, ligne(1, 4)), int(Spread::Percent));
    EXPECT_NE(g.cellTypeAt(H09, ligne(1, 7)), int(Spread::Percent));

    // Empty columns hidden (column 5, the slot before 06H00, the slots after the last one, the
    // excluded hours); the default row flags hide the national rows.
    for (int c = 1; c <= Remp::NbColonnes; ++c) {
        const bool visible = c <= 4 || c == T1 || c == T2 || c == TOT || c == H08 || c == H09 || c == H20;
        EXPECT_EQ(colonneCachee(1, c), !visible) << "column " << c;
    }
    for (int r = 1; r <= 27; ++r) {
        const int k = NatureDeLigne(r);
        EXPECT_EQ(ligneCachee(2, r), k == 6 || k == 7) << "row " << r;
    }
    EXPECT_FALSE(FrmMsgChargee());
    EXPECT_FALSE(RemplissageEnCours);
    EXPECT_TRUE(boites().isEmpty()) << boites().join(QLatin1Char('\n')).toStdString();
}

TEST_F(FillComputationTest, AStationThatIsNotChosenShowsItsAvailabilityOnly) {
    baseExemple();
    ParametresRemplissage.Station[0] = false;
    SpreadGrid& g = grille();
    ASSERT_TRUE(Remplissage(g, J1, J3));
    EXPECT_EQ(texte(1, H08, ligne(1, 1)), QStringLiteral("02:00"));
    EXPECT_EQ(texte(1, H08, ligne(1, 6)), QString());
    EXPECT_EQ(texte(1, H09, ligne(1, 4)), QStringLiteral("0"));
    EXPECT_EQ(texte(1, TOT, ligne(2, 3)), QString());
    EXPECT_EQ(texte(2, H08, ligne(1, 3)), QStringLiteral("00:30"));
}

TEST_F(FillComputationTest, APeriodOutOfOrderOrTooLongIsRefusedAndTheGridKept) {
    SpreadGrid& g = grille();
    ASSERT_TRUE(Remplissage(g, J1, J1));
    g.setSheet(1);
    ASSERT_EQ(g.maxRows(), 9);
    struct Cas {
        QDateTime debut, fin;
        const char* message;
    } const cas[] = {
        {J3, J1, "Veuillez vérifier l'ordre des dates de début et de fin."},
        {QDateTime(QDate(2023, 1, 2), QTime(23, 0)), QDateTime(QDate(2023, 1, 1), QTime(23, 59)),
         "Veuillez vérifier l'ordre des dates de début et de fin."},
        {J1, J1.addDays(731), "limité à 731 jours"},
        {J1, J1.addDays(36500), "limité à 731 jours"},
    };
    for (const Cas& c : cas) {
        TestDialogs().reset();
        EXPECT_FALSE(Remplissage(g, c.debut, c.fin));
        ASSERT_EQ(boites().size(), 1);
        EXPECT_TRUE(boites()[0].contains(QString::fromUtf8(c.message))) << boites()[0].toStdString();
        g.setSheet(1);
        EXPECT_EQ(g.maxRows(), 9);
        EXPECT_EQ(g.textAt(3, 1), QStringLiteral("01-01-23"));
        EXPECT_FALSE(FrmMsgChargee());
    }
    // The same calendar day at two times is one day.
    EXPECT_TRUE(Remplissage(g, J1, QDateTime(J1.date(), QTime(6, 0))));
    g.setSheet(2);
    EXPECT_EQ(g.maxRows(), 9);
}

TEST_F(FillComputationTest, FlagsApplyAfterEachComputationAndEveryColumnIsDecidedAgain) {
    baseExemple();
    SpreadGrid& g = grille();
    ParametresRemplissage.Heure = false;
    ParametresRemplissage.LocNbSpot = false;
    ASSERT_TRUE(Remplissage(g, J1, J3));
    for (int c = Remp::ColHeure0; c <= Remp::NbColonnes; ++c) EXPECT_TRUE(colonneCachee(1, c)) << c;
    EXPECT_FALSE(colonneCachee(1, T1));
    EXPECT_TRUE(ligneCachee(1, ligne(2, 5)));
    EXPECT_TRUE(colonneCachee(1, T0));

    // A day later on, a level 2 passage at 03:00 fills the slot before 06H00: its column, empty
    // and hidden before, shows; the hours show again with their flag back on.
    passage(1, QStringLiteral("20230104"), 2, QStringLiteral("03"), 30.0f, QString());
    ParametresRemplissage.Heure = true;
    ParametresRemplissage.LocNbSpot = true;
    ParametresRemplissage.CumTotal = false;
    grille();
    ASSERT_TRUE(Remplissage(g, J1, J1.addDays(3)));
    EXPECT_FALSE(colonneCachee(1, T0));
    EXPECT_EQ(texte(1, T0, ligne(4, 3)), QStringLiteral("00:30"));
    EXPECT_EQ(texte(1, T0, ligne(4, 5)), QStringLiteral("-1"));
    EXPECT_FALSE(colonneCachee(1, H08));
    EXPECT_TRUE(colonneCachee(1, H08 - 1));
    EXPECT_FALSE(ligneCachee(1, ligne(2, 5)));
    EXPECT_TRUE(ligneCachee(1, ligne(4, 8)));
    EXPECT_TRUE(colonneCachee(1, Remp::ColJour));
    ParametresRemplissage.Jour = true;  // shown only when it holds something: it never does
    grille();
    ASSERT_TRUE(Remplissage(g, J1, J1));
    EXPECT_TRUE(colonneCachee(1, Remp::ColJour));
}

TEST_F(FillComputationTest, ASecondStartWhileRunningIsRefusedAndShutdownStopsEarly) {
    baseExemple();
    SpreadGrid& g = grille();
    bool second = true;
    QTimer::singleShot(0, [&] { second = Remplissage(g, J1, J1); });
    ASSERT_TRUE(Remplissage(g, J1, J3));
    EXPECT_FALSE(second);
    ASSERT_EQ(boites().size(), 1);
    EXPECT_EQ(boites()[0], QStringLiteral("Calcul du remplissage en cours, veuillez patienter."));
    g.setSheet(2);
    EXPECT_EQ(g.maxRows(), 27);  // the first run went on to its end

    // A column flag changed meanwhile addresses every sheet in turn: the run's days still land
    // on their own sheet.
    QTimer::singleShot(0, [&] {
        for (int s = 1; s <= 2; ++s) {
            g.setSheet(s);
            g.setCol(Remp::ColHeure0);
            g.setColHidden(true);
        }
    });
    ASSERT_TRUE(Remplissage(g, J1, J3));
    EXPECT_EQ(texte(1, H08, ligne(3, 1)), QStringLiteral("02:00"));
    EXPECT_EQ(texte(2, H08, ligne(1, 3)), QStringLiteral("00:30"));
    EXPECT_EQ(texte(1, H08, ligne(1, 8)), QStringLiteral("00:30"));

    // Shutdown begins while the second day is computed: the run ends there.
    int jours = 0;
    QTimer t;
    QObject::connect(&t, &QTimer::timeout, [&] {
        if (++jours == 2) bFermetureEnCours = true;
    });
    t.start(0);
    EXPECT_FALSE(Remplissage(g, J1, J1.addDays(300)));
    EXPECT_FALSE(RemplissageEnCours);
    EXPECT_FALSE(FrmMsgChargee());
    EXPECT_TRUE(g.redraw());
    EXPECT_LT(jours, 10);
}

TEST_F(FillComputationTest, ADamagedPassageDurationCountsForNothing) {
    // Station 1 on 2 January: booked passages at 08, two of them with a duration that is no number.
    passage(1, QStringLiteral("20230102"), 5, QStringLiteral("08"), std::numeric_limits<float>::quiet_NaN(), QString());
    passage(1, QStringLiteral("20230102"), 5, QStringLiteral("08"), 30.0f, QString());
    passage(1, QStringLiteral("20230102"), 4, QStringLiteral("08"), std::numeric_limits<float>::infinity(),
            QStringLiteral("O"));
    SpreadGrid& g = grille();
    const QDateTime jour(QDate(2023, 1, 2), QTime());
    ASSERT_TRUE(Remplissage(g, jour, jour));
    const struct {
        int nature, col;
        const char* texte;
    } cas[] = {
        {3, H08, "00:30"}, {4, H08, "25"},   {5, H08, "3"}, {6, H08, ""},      {7, H08, ""},  {8, H08, "00:30"},
        {9, H08, "17"},    {3, T1, "00:30"}, {5, T1, "4"},  {8, TOT, "00:30"}, {5, TOT, "4"},
    };
    for (const auto& c : cas)
        EXPECT_EQ(texte(1, c.col, ligne(1, c.nature)), QString::fromLatin1(c.texte)) << c.nature << " col " << c.col;
}

TEST_F(FillComputationTest, APageLayoutDuringTheRunLeavesPaintingOffUntilItsEnd) {
    baseExemple();
    SpreadGrid& g = grille();
    // The window is resized (or the tab shown again) while the run pumps its events.
    int mises = 0;
    bool peintPendant = false;
    QTimer t;
    QObject::connect(&t, &QTimer::timeout, [&] {
        if (!RemplissageEnCours) return;
        ++mises;
        InitGeneralTableurPub(GrillePubNo::Remplissage, false, true);
        peintPendant = peintPendant || g.redraw();
    });
    t.start(0);
    ASSERT_TRUE(Remplissage(g, J1, J3));
    t.stop();
    EXPECT_GT(mises, 0);
    EXPECT_FALSE(peintPendant);
    EXPECT_TRUE(g.redraw());
    EXPECT_EQ(texte(1, H08, ligne(1, 6)), QStringLiteral("00:30"));
}

TEST_F(FillComputationTest, TheWaitWindowNamesTheDayAndTheStationOncePerDay) {
    SpreadGrid& g = grille();
    QStringList vus;
    QTimer t;
    QObject::connect(&t, &QTimer::timeout, [&] { vus << LabelMsgInit(); });
    t.start(0);
    ASSERT_TRUE(Remplissage(g, J1, J1.addDays(1)));
    t.stop();
    vus.removeDuplicates();
    EXPECT_EQ(vus, (QStringList{
                       QStringLiteral("dimanche 1 janvier 2023  1/2"), QStringLiteral("lundi 2 janvier 2023  1/2"),
                       QStringLiteral("dimanche 1 janvier 2023  2/2"), QStringLiteral("lundi 2 janvier 2023  2/2")}));
}

TEST_F(FillComputationTest, AFailingPassageReadIsReportedOnceAndEndsTheDay) {
    baseExemple();
    SpreadGrid& g = grille();
    // Every get-next in the passages (the only 100-byte records read, on their key 1) fails
    // with an I/O error.
    int echecs = 0;
    SetBtrCallHook(
        [&](uint16_t op, void* pos, void* data, uint32_t* lng, void* key, uint16_t kl, int16_t kn) -> int16_t {
            if (op == BtrOp::GetNext && kn == 1 && lng && *lng == 100) {
                // A walk that keeps asking would never end: stop it here and let the test fail.
                return ++echecs > 50 ? int16_t(BtrStat::EndOfFile) : int16_t(2);
            }
            return BTRCALL(op, pos, data, lng, key, kl, kn);
        });
    TestDialogs().answers.assign(10, Mb::Abort);
    EXPECT_TRUE(Remplissage(g, QDateTime(QDate(2023, 1, 2), QTime()), QDateTime(QDate(2023, 1, 2), QTime())));
    SetBtrCallHook({});
    EXPECT_EQ(echecs, 1);
    // The first passage of level 5 was counted, nothing after it.
    EXPECT_EQ(texte(1, H08, ligne(1, 6)), QStringLiteral("00:12"));
    EXPECT_EQ(texte(1, H08, ligne(1, 3)), QString());
    EXPECT_EQ(texte(1, H20, ligne(1, 3)), QString());
    EXPECT_EQ(boites().size(), 1u) << boites().join(QLatin1Char('\n')).toStdString();
}

TEST_F(FillComputationTest, AFileThatFailsEveryDayIsShownOncePerStationAndEveryDayIsStillRead) {
    baseExemple();
    // Station 1 has booked passages (two each day, so that a walk steps) on the three days.
    for (const char* d : {"20230103", "20230104"})
        for (int k = 0; k < 2; ++k) passage(1, QString::fromLatin1(d), 5, QStringLiteral("08"), 10.0f, QString());
    SpreadGrid& g = grille();
    int echecs = 0;
    SetBtrCallHook(
        [&](uint16_t op, void* pos, void* data, uint32_t* lng, void* key, uint16_t kl, int16_t kn) -> int16_t {
            if (op == BtrOp::GetNext && kn == 1 && lng && *lng == 100)
                return ++echecs > 50 ? int16_t(BtrStat::EndOfFile) : int16_t(2);
            return BTRCALL(op, pos, data, lng, key, kl, kn);
        });
    TestDialogs().answers.assign(10, Mb::Abort);
    EXPECT_TRUE(Remplissage(g, QDateTime(QDate(2023, 1, 2), QTime()), QDateTime(QDate(2023, 1, 4), QTime())));
    SetBtrCallHook({});
    // Each day is read (and fails once); only the first failure is shown.
    EXPECT_EQ(echecs, 3);
    EXPECT_EQ(boites().size(), 1u) << boites().join(QLatin1Char('\n')).toStdString();
    // The later days keep what was read before their failure: the first 10 s passage each.
    EXPECT_EQ(texte(1, H08, ligne(2, 3)), QStringLiteral("00:10"));
    EXPECT_EQ(texte(1, H08, ligne(3, 3)), QStringLiteral("00:10"));
    EXPECT_EQ(DerniereIssueRemplissage(), IssueRemplissage::Incomplete);
    EXPECT_EQ(lignesLog().filter(QStringLiteral("station 1 not fully read on 3 day(s) from 20230102")).size(), 1)
        << lignesLog().join(QLatin1Char('\n')).toStdString();
}

TEST_F(FillComputationTest, AFailedReadOnOneDayLeavesTheLaterDaysRight) {
    baseExemple();
    passage(1, QStringLiteral("20230103"), 5, QStringLiteral("08"), 10.0f, QString());
    passage(1, QStringLiteral("20230103"), 5, QStringLiteral("08"), 15.0f, QString());
    passage(1, QStringLiteral("20230103"), 3, QStringLiteral("09"), 20.0f, QStringLiteral("O"));
    SpreadGrid& g = grille();
    // The booked passages of 2 January fail past their first record; the running order of
    // 1 January fails once between two entries.
    bool conducteurEnEchec = false;
    SetBtrCallHook(
        [&](uint16_t op, void* pos, void* data, uint32_t* lng, void* key, uint16_t kl, int16_t kn) -> int16_t {
            if (op == BtrOp::GetNext && kn == 1 && lng && *lng == 100 && std::memcmp(key, "20230102", 8) == 0) return 2;
            if (op == BtrOp::GetNext && kn == 0 && lng && *lng == uint32_t(LongueurEnregistrement(27)) &&
                std::memcmp(key, "2023010108", 10) == 0 && !conducteurEnEchec) {
                conducteurEnEchec = true;
                return 2;
            }
            return BTRCALL(op, pos, data, lng, key, kl, kn);
        });
    TestDialogs().answers.assign(10, Mb::Abort);
    EXPECT_TRUE(Remplissage(g, J1, J3));
    SetBtrCallHook({});
    EXPECT_TRUE(conducteurEnEchec);
    // Day 1: the running order went on past its failure to B (45 s local at 09).
    EXPECT_EQ(texte(1, H09, ligne(1, 3)), QStringLiteral("00:45"));
    EXPECT_EQ(texte(1, H08, ligne(1, 6)), QStringLiteral("00:30"));
    // Day 2: the first passage only (12.5 s national at 08).
    EXPECT_EQ(texte(1, H08, ligne(2, 6)), QStringLiteral("00:12"));
    EXPECT_EQ(texte(1, H20, ligne(2, 3)), QString());
    // Day 3 as if nothing had failed: 25 s local at 08, 20 s national in the slot and the day.
    EXPECT_EQ(texte(1, H08, ligne(3, 3)), QStringLiteral("00:25"));
    EXPECT_EQ(texte(1, T1, ligne(3, 6)), QStringLiteral("00:20"));
    EXPECT_EQ(texte(1, TOT, ligne(3, 8)), QStringLiteral("00:45"));
    EXPECT_EQ(DerniereIssueRemplissage(), IssueRemplissage::Incomplete);
    EXPECT_EQ(boites().size(), 1u) << boites().join(QLatin1Char('\n')).toStdString();

    // The same period without failures is complete.
    TestDialogs().reset();
    EXPECT_TRUE(Remplissage(g, J1, J3));
    EXPECT_EQ(DerniereIssueRemplissage(), IssueRemplissage::Complete);
    EXPECT_TRUE(boites().isEmpty());
}

TEST(FillDayTexts, WeekNumbersStartOnMondayWithWeekOneHoldingTheFirstOfJanuary) {
    struct Cas {
        QDate d;
        int semaine;
        const char* lettres;
    } const cas[] = {
        {QDate(2023, 1, 1), 1, "Di"},   {QDate(2023, 1, 2), 2, "Lu"},    {QDate(2023, 1, 8), 2, "Di"},
        {QDate(2024, 1, 1), 1, "Lu"},   {QDate(2024, 12, 31), 53, "Ma"}, {QDate(2022, 1, 1), 1, "Sa"},
        {QDate(2022, 1, 3), 2, "Lu"},   {QDate(2025, 6, 18), 25, "Me"},  {QDate(2025, 6, 19), 25, "Je"},
        {QDate(2025, 6, 20), 25, "Ve"},
    };
    for (const Cas& c : cas) {
        EXPECT_EQ(SemaineRemplissage(c.d), c.semaine) << c.d.toString().toStdString();
        EXPECT_EQ(LettresJour(c.d), QString::fromUtf8(c.lettres));
    }
}

TEST(FillBands, PercentagesAreColouredByTheirBandWithEachBoundInTheLowerOne) {
    struct Cas {
        long p;
        int32_t fond, texte;
    } const cas[] = {
        {0, RGB(0, 255, 0), 0},
        {25, RGB(0, 255, 0), 0},
        {26, RGB(128, 255, 0), 0},
        {50, RGB(128, 255, 0), 0},
        {51, RGB(255, 128, 0), 0},
        {75, RGB(255, 128, 0), 0},
        {76, RGB(255, 0, 0), 0},
        {100, RGB(255, 0, 0), 0},
        {101, RGB(0, 0, 0), RGB(255, 0, 0)},
        {-1, RGB(0, 0, 0), RGB(255, 0, 0)},
    };
    for (const Cas& c : cas) {
        int32_t f = -1, t = -1;
        CouleursPourcentage(c.p, f, t);
        EXPECT_EQ(f, c.fond) << c.p;
        EXPECT_EQ(t, c.texte) << c.p;
    }
}

}  // namespace
