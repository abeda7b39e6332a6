// Layout of the advertising grids: the list grids laid out from their entities' field tables and
// filled by the list reader (captions, merged headers, widths, the web id column), the fill grid's
// station sheets, slot and hour columns.
#include "grids/list_grids.h"
#include "grids/web_lists.h"

#include <QStringList>
#include <algorithm>
#include <cmath>

#include "database/site_startup.h"
#include "foundation/globals.h"
#include "sync/list_readers.h"
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

// The list grids and the field tables they are laid out from.
struct Liste {
    int grille;
    const std::vector<ColonneGrille>& colonnes;
};
std::vector<Liste> listes() {
    std::vector<Liste> v;
    for (int k : {GrillePubNo::Client, GrillePubNo::Produit, GrillePubNo::Secteur, GrillePubNo::Commercial,
                  GrillePubNo::Canevas})
        v.push_back({k, *ColonnesGrilleListe(k)});
    return v;
}

// What the list reader, the engine and the layout take from every table: a code column and a web
// id column, the status label right after the status, each tag once whatever its case, the grid's
// columns before those the grid does not show.
template <class R>
void verifierTable(const ListeWeb<R>& l) {
    SCOPED_TRACE(l.item);
    EXPECT_GT(ColonneDe(l, RoleColonne::Code), 0);
    EXPECT_GT(ColonneDe(l, RoleColonne::IdWeb), 0);
    QStringList balises;
    bool horsGrille = false;
    for (size_t i = 0; i < l.colonnes.size(); ++i) {
        const ColonneWeb<R>& c = l.colonnes[i];
        if (c.balise) {
            EXPECT_FALSE(balises.contains(QString::fromLatin1(c.balise).toUpper())) << c.balise;
            balises << QString::fromLatin1(c.balise).toUpper();
        }
        EXPECT_EQ(c.balise == nullptr, c.role == RoleColonne::LibelleStatut) << i;
        EXPECT_EQ(c.role == RoleColonne::IdWeb, c.balise && !c.reponse) << i;
        if (c.role == RoleColonne::Statut && i + 1 < l.colonnes.size()) {
            EXPECT_EQ(l.colonnes[i + 1].role, RoleColonne::LibelleStatut) << i;
        }
        if (!c.aspect.titre) {
            horsGrille = true;
        } else {
            EXPECT_FALSE(horsGrille) << "column " << i + 1 << " shown after one that is not";
        }
    }
}

// One item with every field of the table, each with its own text (the web id a number, the status
// "2"), read into the grid and the record.
template <class R>
void verifierLecture(const ListeWeb<R>& l, const R& enregistrement, const QString& fichier) {
    SCOPED_TRACE(l.item);
    const auto valeur = [](const ColonneWeb<R>& c) {
        switch (c.role) {
            case RoleColonne::IdWeb:
                return QStringLiteral("4321");
            case RoleColonne::Statut:
                return QStringLiteral("2");
            default:
                return QString::fromLatin1(c.balise).toLower();
        }
    };
    QByteArray xml = "<r><Items><" + QByteArray(l.item) + ">";
    for (const ColonneWeb<R>& c : l.colonnes)
        if (c.balise) xml += "<" + QByteArray(c.balise) + ">" + valeur(c).toUtf8() + "</" + QByteArray(c.balise) + ">";
    xml += "</" + QByteArray(l.item) + "></Items></r>";
    EcrireFichierTest(fichier, xml);
    bool err = true;
    ASSERT_TRUE(LectureListeOnglet(l.grille, fichier, true, true, err));
    ASSERT_FALSE(err);
    SpreadGrid& g = *GrillePub(l.grille);
    ASSERT_EQ(g.maxRows(), 1);
    for (size_t i = 0; i < l.colonnes.size(); ++i) {
        const ColonneWeb<R>& c = l.colonnes[i];
        const int col = int(i) + 1;
        if (c.reponse) {
            EXPECT_EQ(enregistrement.*c.reponse, valeur(c)) << col;
        }
        // A field the grid does not show reaches the record only.
        if (!c.aspect.titre) continue;
        EXPECT_EQ(g.headerText(col, 1), QString::fromUtf8(c.aspect.titre)) << col;
        switch (c.role) {
            case RoleColonne::Statut:
                EXPECT_EQ(g.textAt(col, 1), QStringLiteral("C")) << col;
                break;
            case RoleColonne::LibelleStatut:
                EXPECT_EQ(g.textAt(col, 1), QStringLiteral("Créé")) << col;
                break;
            default:
                EXPECT_EQ(g.textAt(col, 1), valeur(c)) << col;
                break;
        }
    }
    // The read leaves the grid's columns as the layout gave them.
    EXPECT_EQ(g.maxCols(), int(ColonnesGrilleListe(l.grille)->size()));
    EXPECT_EQ(enregistrement.*l.id, 4321);
}

}  // namespace

TEST_F(ListGridsTest, EveryFieldTableHoldsWhatItsReadersNeed) {
    verifierTable(ListeWebClients());
    verifierTable(ListeWebProduits());
    verifierTable(ListeWebSecteurs());
    verifierTable(ListeWebCommerciaux());
    verifierTable(ListeWebCanevas());
}

TEST_F(ListGridsTest, TheReaderPutsEveryFieldUnderItsColumn) {
    InitGeneralTableur(true, false);
    const QString f = tmp.path() + QStringLiteral("/liste.xml");
    verifierLecture(ListeWebClients(), ReponseClient, f);
    verifierLecture(ListeWebProduits(), ReponseProduit, f);
    verifierLecture(ListeWebSecteurs(), ReponseSecteur, f);
    verifierLecture(ListeWebCommerciaux(), ReponseCommercial, f);
    verifierLecture(ListeWebCanevas(), ReponseCanevas, f);
}

TEST_F(ListGridsTest, ResetLaysEveryListGridOutFromItsTable) {
    for (const Liste& d : listes()) {
        SpreadGrid& g = *GrillePub(d.grille);
        g.setMaxCols(2);
        g.setMaxRows(3);
        g.setTextAt(1, 1, QStringLiteral("old"));
        InitGeneralTableurPub(int16_t(d.grille), true, false);
        ASSERT_EQ(g.maxCols(), int(d.colonnes.size())) << d.grille;
        EXPECT_EQ(g.maxRows(), 0) << d.grille;
        g.setMaxRows(1);
        for (int c = 1; c <= g.maxCols(); ++c) {
            const ColonneGrille& k = d.colonnes[size_t(c - 1)];
            EXPECT_EQ(g.headerText(c, 1), QString::fromUtf8(k.aspect.titre)) << d.grille << " col " << c;
            EXPECT_DOUBLE_EQ(g.colWidth(c), k.aspect.largeur) << d.grille << " col " << c;
            EXPECT_EQ(g.hAlignAt(c, 1), k.aspect.alignement) << d.grille << " col " << c;
            EXPECT_EQ(g.cellTypeAt(c, 1) == Spread::Number, k.role == RoleColonne::IdWeb) << d.grille << " col " << c;
        }
        // The web id is a whole number, shown as written.
        g.setTextAt(2, 1, QStringLiteral("4294967"));
        EXPECT_EQ(g.textAt(2, 1), QStringLiteral("4294967"));
        EXPECT_EQ(g.rowMerge(Spread::HeaderRow1), 1) << d.grille;
    }
}

TEST_F(ListGridsTest, EqualCaptionsShowMerged) {
    for (const Liste& d : listes()) {
        InitGeneralTableurPub(int16_t(d.grille), true, false);
        SpreadGrid& g = *GrillePub(d.grille);
        const auto titre = [&](int c) { return QString::fromUtf8(d.colonnes[size_t(c - 1)].aspect.titre); };
        for (int c = 1; c <= g.maxCols(); ++c) {
            int premiere = c, derniere = c;
            while (premiere > 1 && titre(premiere - 1) == titre(c)) --premiere;
            while (derniere < g.maxCols() && titre(derniere + 1) == titre(c)) ++derniere;
            const auto b = g.mergedBlock(c, Spread::HeaderRow1);
            EXPECT_EQ(b.col, premiere) << d.grille << " col " << c;
            EXPECT_EQ(b.cols, derniere - premiere + 1) << d.grille << " col " << c;
        }
    }
}

TEST_F(ListGridsTest, ShareColumnsTakeTheFreeWidth) {
    for (const Liste& d : listes()) {
        SpreadGrid& g = *GrillePub(d.grille);
        g.resize(1200, 300);
        InitGeneralTableurPub(int16_t(d.grille), true, true);
        qint64 fixe = g.colWidthToTwips(g.colWidth(0));
        for (int c = 1; c <= g.maxCols(); ++c)
            if (d.colonnes[size_t(c - 1)].aspect.part == 0) fixe += g.colWidthToTwips(g.colWidth(c));
        const double unite = std::max(0.0, std::round(double(g.widthTwips() - 330 - fixe))) / 120.0;
        ASSERT_GT(unite, 0) << d.grille;
        double parts = 0;
        for (int c = 1; c <= g.maxCols(); ++c) {
            const AspectColonne& a = d.colonnes[size_t(c - 1)].aspect;
            parts += a.part;
            EXPECT_NEAR(g.colWidth(c), a.part > 0 ? unite * a.part : a.largeur, 1e-9) << d.grille << " col " << c;
        }
        // The share columns fill the free width, no more.
        EXPECT_DOUBLE_EQ(parts, 1.0) << d.grille;
    }
}

TEST_F(ListGridsTest, ANarrowGridGivesShareColumnsNoWidth) {
    for (const Liste& d : listes()) {
        SpreadGrid& g = *GrillePub(d.grille);
        g.resize(int(std::lround(1000 / (1440.0 / g.logicalDpiX()))), 200);
        InitGeneralTableurPub(int16_t(d.grille), true, true);
        for (int c = 1; c <= g.maxCols(); ++c) {
            const AspectColonne& a = d.colonnes[size_t(c - 1)].aspect;
            EXPECT_DOUBLE_EQ(g.colWidth(c), a.part > 0 ? 0 : a.largeur) << d.grille << " col " << c;
        }
    }
}

TEST_F(ListGridsTest, PageLayoutKeepsRowsAndFixedWidthsAndFollowsTheWidth) {
    SpreadGrid& g = *GrillePub(GrillePubNo::Secteur);
    const auto& cols = *ColonnesGrilleListe(GrillePubNo::Secteur);
    const int part =
        int(std::find_if(cols.begin(), cols.end(), [](const auto& c) { return c.aspect.part > 0; }) - cols.begin()) + 1;
    ASSERT_LE(part, int(cols.size()));
    g.resize(900, 300);
    InitGeneralTableurPub(GrillePubNo::Secteur, true, true);
    g.setMaxRows(2);
    g.setTextAt(part, 2, QStringLiteral("Bâtiment"));
    g.setColWidth(1, 14);  // as the user left it
    const double avant = g.colWidth(part);
    g.resize(1300, 300);
    InitGeneralTableurPub(GrillePubNo::Secteur, false, true);
    EXPECT_EQ(g.maxRows(), 2);
    EXPECT_EQ(g.textAt(part, 2), QStringLiteral("Bâtiment"));
    EXPECT_DOUBLE_EQ(g.colWidth(1), 14);
    EXPECT_GT(g.colWidth(part), avant);
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
    EXPECT_EQ(g.sheet(), 3);  // left addressed to its last sheet
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
        double largeur;  // < 0: the grid's own
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
        {9, "Tranche", "19H00 23H59", "19H00 23H59", 6, false},  // "End" reads 23
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
        int derniere;         // last slot column shown
        const char* libelle;  // its caption
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
        GrillePub(k)->setSheetCount(2);  // left over: the set-up starts from one sheet
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
    for (const Liste& d : listes())
        for (int c = 1; c <= GrillePub(d.grille)->maxCols(); ++c)
            EXPECT_EQ(GrillePub(d.grille)->headerText(c, 1), QString::fromUtf8(d.colonnes[size_t(c - 1)].aspect.titre))
                << d.grille << " col " << c;
    // The fill grid's later sheets look like its first.
    SpreadGrid& f = *GrilleRemplissage();
    f.setSheet(3);
    f.setMaxRows(1);
    EXPECT_EQ(f.backColorAt(2, 1), CouleurGrille::Fond);
    EXPECT_EQ(f.cellTypeAt(2, 1), Spread::StaticText);
}
