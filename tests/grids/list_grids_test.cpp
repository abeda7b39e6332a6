// Layout of the advertising grids: captions, merged headers, widths, the web id column, the fill
// grid's station sheets, slot and hour columns.
#include "grids/list_grids.h"

#include <QStringList>
#include <cmath>

#include "database/site_startup.h"
#include "foundation/globals.h"
#include "support/fixture.h"

namespace {

class ListGridsTest : public KirvoTest {
protected:
    void SetUp() override {
        KirvoTest::SetUp();
        NoBaseCourante = 0;
        stations({"RADIO UN", "RADIO DEUX", "RADIO TROIS"});
    }
    static void stations(const QStringList& libs) {
        BaseInfo[0].NbStation = int16_t(libs.size());
        for (int s = 0; s < libs.size(); ++s) BaseInfo[0].Stations[size_t(s)].Lib = libs[s];
    }
    // Slots given as (start hour, end position); an end position of 24 is "End".
    static void tranches(const QList<QPair<int, int>>& t) {
        SetSourcesGrilles({[t] {
                               std::vector<TrancheGrille> v;
                               for (const auto& [debut, fin] : t)
                                   v.push_back({debut, fin,
                                                fin == 24 ? QStringLiteral("End")
                                                          : QStringLiteral("%1H59").arg(fin, 2, 10, QLatin1Char('0')),
                                                fin == 24});
                               // The host always holds 18 boxes; the ones after the last slot repeat it.
                               while (v.size() < 18) v.push_back(v.empty() ? TrancheGrille{} : v.back());
                               return v;
                           },
                           {}});
    }
    static QStringList entetes(SpreadGrid& g, int ligne) {
        QStringList l;
        for (int c = 1; c <= g.maxCols(); ++c) l << g.headerText(c, ligne);
        return l;
    }
};

struct Disposition {
    int grille;
    QStringList titres;
    QList<double> largeurs;
    QList<int> alignements;
    QList<double> parts;
};

const QList<Disposition>& dispositions() {
    const int G = Spread::Left, D = Spread::Right, C = Spread::Center;
    static const QList<Disposition> d = {
        {1,
         {"Id QD", "Id Web", "Nom", "Adresse", "Adresse", "Adresse", "Adresse", "Contact", "Téléphone", "Téléphone",
          "Email", "Etat", "Etat"},
         {10, 8, 20, 20, 10, 5, 15, 20, 8, 8, 15, 4, 10},
         {G, D, G, G, G, G, G, G, G, G, G, C, G},
         {0, 0, 0.5, 0, 0, 0, 0.2, 0.3, 0, 0, 0, 0, 0}},
        {2,
         {"Id QD", "Id Web", "Nom", "Nature", "Concurrence", "Concurrence", "Concurrence", "Concurrence", "Concurrence",
          "Etat", "Etat"},
         {10, 8, 25, 10, 5, 5, 5, 5, 25, 4, 10},
         {G, D, G, G, G, G, G, G, G, C, G},
         {0, 0, 0.5, 0, 0, 0, 0, 0, 0.5, 0, 0}},
        {3, {"Id QD", "Id Web", "Nom", "Etat", "Etat"}, {10, 8, 25, 4, 10}, {G, D, G, C, G}, {0, 0, 1, 0, 0}},
        {4,
         {"Id QD", "Id Web", "User", "PW", "Nom", "Nom", "Téléphone", "Téléphone", "Email", "Etat", "Etat"},
         {10, 8, 20, 20, 10, 10, 8, 8, 15, 4, 10},
         {G, D, G, G, G, G, G, G, G, C, G},
         {0, 0, 0, 0, 0.5, 0.5, 0, 0, 0, 0, 0}},
        {5, {"Id QD", "Id Web", "Libellé"}, {10, 8, 20}, {G, D, G}, {0, 0, 1}},
    };
    return d;
}

}  // namespace

TEST_F(ListGridsTest, ResetGivesEveryListGridItsColumns) {
    for (const auto& d : dispositions()) {
        SpreadGrid& g = *GrillePub(d.grille);
        g.setMaxCols(2);
        g.setMaxRows(3);
        g.setTextAt(1, 1, QStringLiteral("old"));
        InitGeneralTableurPub(int16_t(d.grille), true, false);
        EXPECT_EQ(g.maxCols(), d.titres.size()) << d.grille;
        EXPECT_EQ(g.maxRows(), 0) << d.grille;
        EXPECT_EQ(entetes(g, 1), d.titres) << d.grille;
        g.setMaxRows(1);
        for (int c = 1; c <= g.maxCols(); ++c) {
            EXPECT_DOUBLE_EQ(g.colWidth(c), d.largeurs[c - 1]) << d.grille << " col " << c;
            EXPECT_EQ(g.hAlignAt(c, 1), d.alignements[c - 1]) << d.grille << " col " << c;
            EXPECT_EQ(g.cellTypeAt(c, 1) == Spread::Number, c == 2) << d.grille << " col " << c;
        }
        // The web id is a whole number, shown as written.
        g.setTextAt(2, 1, QStringLiteral("4294967"));
        EXPECT_EQ(g.textAt(2, 1), QStringLiteral("4294967"));
        EXPECT_EQ(g.rowMerge(Spread::HeaderRow1), 1) << d.grille;
    }
}

TEST_F(ListGridsTest, EqualCaptionsShowMerged) {
    InitGeneralTableurPub(GrillePubNo::Client, true, false);
    SpreadGrid& g = *GrillePub(GrillePubNo::Client);
    struct Cas {
        int col, premiere, nombre;
    };
    for (const Cas& k : {Cas{5, 4, 4}, Cas{10, 9, 2}, Cas{13, 12, 2}, Cas{3, 3, 1}, Cas{8, 8, 1}}) {
        const auto b = g.mergedBlock(k.col, Spread::HeaderRow1);
        EXPECT_EQ(b.col, k.premiere) << k.col;
        EXPECT_EQ(b.cols, k.nombre) << k.col;
    }
}

TEST_F(ListGridsTest, ShareColumnsTakeTheFreeWidth) {
    for (const auto& d : dispositions()) {
        SpreadGrid& g = *GrillePub(d.grille);
        g.resize(1200, 300);
        InitGeneralTableurPub(int16_t(d.grille), true, true);
        qint64 fixe = g.colWidthToTwips(g.colWidth(0));
        for (int c = 1; c <= g.maxCols(); ++c)
            if (d.parts[c - 1] == 0) fixe += g.colWidthToTwips(g.colWidth(c));
        const double unite = std::max(0.0, std::round(double(g.widthTwips() - 330 - fixe))) / 120.0;
        ASSERT_GT(unite, 0) << d.grille;
        for (int c = 1; c <= g.maxCols(); ++c) {
            const double attendu = d.parts[c - 1] > 0 ? unite * d.parts[c - 1] : d.largeurs[c - 1];
            EXPECT_NEAR(g.colWidth(c), attendu, 1e-9) << d.grille << " col " << c;
        }
    }
}

TEST_F(ListGridsTest, ANarrowGridGivesShareColumnsNoWidth) {
    SpreadGrid& g = *GrillePub(GrillePubNo::Client);
    g.resize(int(std::lround(1000 / (1440.0 / g.logicalDpiX()))), 200);
    InitGeneralTableurPub(GrillePubNo::Client, true, true);
    EXPECT_DOUBLE_EQ(g.colWidth(3), 0);
    EXPECT_DOUBLE_EQ(g.colWidth(7), 0);
    EXPECT_DOUBLE_EQ(g.colWidth(8), 0);
    EXPECT_DOUBLE_EQ(g.colWidth(4), 20);
    EXPECT_DOUBLE_EQ(g.colWidth(13), 10);
}

TEST_F(ListGridsTest, PageLayoutKeepsRowsAndFixedWidthsAndFollowsTheWidth) {
    SpreadGrid& g = *GrillePub(GrillePubNo::Secteur);
    g.resize(900, 300);
    InitGeneralTableurPub(GrillePubNo::Secteur, true, true);
    g.setMaxRows(2);
    g.setTextAt(3, 2, QStringLiteral("Bâtiment"));
    g.setColWidth(1, 14);   // as the user left it
    const double avant = g.colWidth(3);
    g.resize(1300, 300);
    InitGeneralTableurPub(GrillePubNo::Secteur, false, true);
    EXPECT_EQ(g.maxRows(), 2);
    EXPECT_EQ(g.textAt(3, 2), QStringLiteral("Bâtiment"));
    EXPECT_DOUBLE_EQ(g.colWidth(1), 14);
    EXPECT_GT(g.colWidth(3), avant);
}

TEST_F(ListGridsTest, OtherGridNumbersChangeNothing) {
    for (int k : {0, 7, -1, 100}) {
        SpreadGrid& g = *GrillePub(0);
        g.setMaxCols(2);
        g.setMaxRows(1);
        g.setTextAt(1, 1, QStringLiteral("x"));
        InitGeneralTableurPub(int16_t(k), true, true);
        EXPECT_EQ(g.maxCols(), 2) << k;
        EXPECT_EQ(g.maxRows(), 1) << k;
        EXPECT_EQ(g.textAt(1, 1), QStringLiteral("x")) << k;
        EXPECT_EQ(g.headerText(1, 1), QString()) << k;
    }
    EXPECT_EQ(GrillePub(7), nullptr);
    EXPECT_EQ(GrillePub(-1), nullptr);
}

TEST_F(ListGridsTest, FillGridHasOneSheetPerStation) {
    tranches({{0, 5}, {6, 8}, {9, 24}});
    InitGeneralTableurPub(GrillePubNo::Remplissage, true, true);
    SpreadGrid& g = *GrilleRemplissage();
    ASSERT_EQ(g.sheetCount(), 3);
    EXPECT_EQ(g.sheet(), 3);   // left addressed to its last sheet
    for (int s = 1; s <= 3; ++s) {
        g.setSheet(s);
        EXPECT_EQ(g.sheetName(), BaseInfo[0].Stations[size_t(s - 1)].Lib);
        EXPECT_EQ(g.maxCols(), 54);
        EXPECT_EQ(g.headerRowCount(), 3);
        EXPECT_EQ(g.headerText(4, 1), QStringLiteral("Nature"));
        EXPECT_EQ(g.headerText(54, 3), QStringLiteral("H23"));
    }
    EXPECT_TRUE(g.redraw());
    // A base with fewer stations drops the extra sheets.
    stations({"SEULE"});
    InitGeneralTableurPub(GrillePubNo::Remplissage, false, false);
    EXPECT_EQ(g.sheetCount(), 1);
    EXPECT_EQ(g.sheetName(1), QStringLiteral("SEULE"));
}

TEST_F(ListGridsTest, FillGridColumns) {
    tranches({{0, 9}, {10, 13}, {14, 18}, {19, 24}});
    InitGeneralTableurPub(GrillePubNo::Remplissage, true, true);
    SpreadGrid& g = *GrilleRemplissage();
    g.setSheet(2);
    struct Col {
        int col;
        const char* h1;
        const char* h2;
        const char* h3;
        double largeur;   // < 0: the grid's own
        bool cachee;
    };
    const QList<Col> cols = {
        {1, "Date", "Se", "Se", 2, false},
        {2, "Date", "Jour", "Jour", 2.5, false},
        {3, "Date", "Date", "Date", 7, false},
        {4, "Nature", "Nature", "Nature", 16, false},
        {5, "Jour", "Jour", "Jour", 6, true},
        {6, "Tranche", "00H00 09H59", "00H00 09H59", 6, false},
        {7, "Tranche", "10H00 13H59", "10H00 13H59", 6, false},
        {8, "Tranche", "14H00 18H59", "14H00 18H59", 6, false},
        {9, "Tranche", "19H00 23H59", "19H00 23H59", 6, false},   // "End" reads 23
        {10, "", "", "", -1, true},
        {29, "", "", "", -1, true},
        {30, "Tranches", "06H00 19H59", "06H00 19H59", -1, false},
        {31, "Heure", "H00", "H00", 5, false},
        {42, "Heure", "H11", "H11", 5, false},
        {54, "Heure", "H23", "H23", 5, false},
    };
    SpreadGrid neuve;
    neuve.setMaxCols(1);
    for (const auto& k : cols) {
        EXPECT_EQ(g.headerText(k.col, 1), QString::fromUtf8(k.h1)) << k.col;
        EXPECT_EQ(g.headerText(k.col, 2), QString::fromUtf8(k.h2)) << k.col;
        EXPECT_EQ(g.headerText(k.col, 3), QString::fromUtf8(k.h3)) << k.col;
        EXPECT_DOUBLE_EQ(g.colWidth(k.col), k.largeur < 0 ? neuve.colWidth(1) : k.largeur) << k.col;
        EXPECT_EQ(g.colHiddenAt(k.col), k.cachee) << k.col;
    }
    // Merged headers: "Date" over columns 1 to 3, "Se" down rows 2 and 3, "Heure" over 31 to 54.
    EXPECT_EQ(g.mergedBlock(2, Spread::HeaderRow1).cols, 3);
    EXPECT_EQ(g.mergedBlock(1, Spread::HeaderRow3).row, Spread::HeaderRow2);
    EXPECT_EQ(g.mergedBlock(1, Spread::HeaderRow3).rows, 2);
    EXPECT_EQ(g.mergedBlock(40, Spread::HeaderRow1).col, 31);
    EXPECT_EQ(g.mergedBlock(40, Spread::HeaderRow1).cols, 24);
    EXPECT_EQ(g.mergedBlock(4, Spread::HeaderRow2).rows, 3);
    // Slot and hour cells right-aligned, the first columns as the common look leaves them.
    g.setMaxRows(1);
    for (int c : {6, 30, 31, 54}) EXPECT_EQ(g.hAlignAt(c, 1), Spread::Right) << c;
    for (int c : {1, 4}) EXPECT_EQ(g.hAlignAt(c, 1), Spread::Left) << c;
}

TEST_F(ListGridsTest, SlotColumnsStopAtTheSlotEndingTheDay) {
    struct Cas {
        const char* nom;
        QList<QPair<int, int>> tranches;
        int derniere;     // last slot column shown
        const char* libelle;   // its caption
    };
    const QList<Cas> cas = {
        {"ends at End", {{0, 5}, {6, 24}}, 7, "06H00 23H59"},
        {"ends at hour 23", {{0, 11}, {12, 23}, {0, 3}}, 7, "12H00 23H59"},
        {"a single slot for the day", {{0, 24}}, 6, "00H00 23H59"},
    };
    for (const auto& k : cas) {
        ReinitialiserGrillesPub();
        tranches(k.tranches);
        InitGeneralTableurPub(GrillePubNo::Remplissage, true, true);
        SpreadGrid& g = *GrilleRemplissage();
        EXPECT_EQ(g.headerText(k.derniere, 2), QString::fromUtf8(k.libelle)) << k.nom;
        EXPECT_FALSE(g.colHiddenAt(k.derniere)) << k.nom;
        for (int c = k.derniere + 1; c <= 29; ++c) {
            EXPECT_TRUE(g.colHiddenAt(c)) << k.nom << " col " << c;
            EXPECT_EQ(g.headerText(c, 2), QString()) << k.nom << " col " << c;
        }
    }
    // Eighteen slots that never reach the end of the day: eighteen slot columns, none hidden.
    ReinitialiserGrillesPub();
    QList<QPair<int, int>> dixHuit;
    for (int k = 0; k < 18; ++k) dixHuit.append({k, k});
    tranches(dixHuit);
    InitGeneralTableurPub(GrillePubNo::Remplissage, true, true);
    SpreadGrid& g = *GrilleRemplissage();
    EXPECT_EQ(g.headerText(23, 2), QStringLiteral("17H00 17H59"));
    EXPECT_EQ(g.headerText(24, 2), QString());
    EXPECT_FALSE(g.colHiddenAt(24));
}

TEST_F(ListGridsTest, FillLayoutKeepsRowsAndIgnoresItsTwoSwitches) {
    tranches({{0, 12}, {13, 24}});
    SpreadGrid& g = *GrilleRemplissage();
    InitGeneralTableurPub(GrillePubNo::Remplissage, true, true);
    for (int s = 1; s <= g.sheetCount(); ++s) {
        g.setSheet(s);
        g.setMaxRows(9);
        g.setTextAt(3, 9, QStringLiteral("01-04-26"));
        g.setCol(31);
        g.setRow(4);
        g.setCellType(Spread::Percent);
        g.setTypeDecimals(0);
        g.setText(QStringLiteral("26"));
        g.setBackColor(RGB(128, 255, 0));
    }
    auto photo = [&] {
        QStringList l;
        for (int s = 1; s <= g.sheetCount(); ++s) {
            g.setSheet(s);
            l << g.sheetName() << QString::number(g.maxRows()) << g.textAt(3, 9) << g.textAt(31, 4)
              << QString::number(g.backColorAt(31, 4)) << QString::number(g.cellTypeAt(31, 4));
            for (int c = 1; c <= g.maxCols(); ++c)
                l << entetes(g, 1)[c - 1] << g.headerText(c, 2) << QString::number(g.colWidth(c))
                  << QString::number(g.colHiddenAt(c));
        }
        return l;
    };
    const QStringList avant = photo();
    InitGeneralTableurPub(GrillePubNo::Remplissage, false, false);
    EXPECT_EQ(photo(), avant);
    EXPECT_EQ(g.textAt(3, 9), QStringLiteral("01-04-26"));
    EXPECT_EQ(g.textAt(31, 4), QStringLiteral("26"));
    EXPECT_EQ(g.backColorAt(31, 4), RGB(128, 255, 0));
}

TEST_F(ListGridsTest, StartUpSetUpGivesEveryGridTheCommonLook) {
    tranches({{0, 24}});
    for (int k = 0; k < GrillePubNo::Nombre; ++k) {
        GrillePub(k)->setSheetCount(2);   // left over: the set-up starts from one sheet
        GrillePub(k)->setMaxRows(0);
    }
    InitGeneralTableur(true, true);
    for (int k = 0; k < GrillePubNo::Nombre; ++k) {
        SpreadGrid& g = *GrillePub(k);
        EXPECT_EQ(g.sheet(), 1) << k;
        EXPECT_EQ(g.sheetCount(), k == GrillePubNo::Remplissage ? 3 : 1) << k;
        if (g.maxCols() == 0) g.setMaxCols(1);
        g.setMaxRows(2);
        EXPECT_EQ(g.backColorAt(1, 2), CouleurGrille::Fond) << k;
        EXPECT_EQ(g.cellTypeAt(1, 2), Spread::StaticText) << k;
        EXPECT_EQ(g.rowMerge(Spread::HeaderRow1), 1) << k;
    }
    EXPECT_EQ(GrillePub(GrillePubNo::Campagne)->maxCols(), 1);
    EXPECT_EQ(GrillePub(GrillePubNo::Client)->headerText(12, 1), QStringLiteral("Etat"));
    // The fill grid's later sheets look like its first.
    SpreadGrid& f = *GrilleRemplissage();
    f.setSheet(3);
    f.setMaxRows(1);
    EXPECT_EQ(f.backColorAt(2, 1), CouleurGrille::Fond);
    EXPECT_EQ(f.cellTypeAt(2, 1), Spread::StaticText);
}
