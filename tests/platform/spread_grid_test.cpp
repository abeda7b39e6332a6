// The spreadsheet grid: what its callers rely on when they fill, reorder, hide and read back cells.
#include "platform/spread_grid.h"

#include <QCoreApplication>
#include <QHeaderView>
#include <QImage>
#include <QPixmap>
#include <QTabBar>
#include <QTableView>
#include <gtest/gtest.h>

namespace {

// A grid of cols x rows whose cell (c, r) reads "c:r".
void remplir(SpreadGrid& g, int cols, int rows) {
    g.setMaxCols(cols);
    g.setMaxRows(rows);
    for (int c = 1; c <= cols; ++c)
        for (int r = 1; r <= rows; ++r) g.setTextAt(c, r, QStringLiteral("%1:%2").arg(c).arg(r));
}

QStringList colonne(const SpreadGrid& g, int c) {
    QStringList l;
    for (int r = 1; r <= g.maxRows(); ++r) l << g.textAt(c, r);
    return l;
}

}  // namespace

TEST(SpreadGrid, CellsReadBackAndStayInsideTheirSheet) {
    SpreadGrid g;
    g.setSheetCount(2);
    g.setSheet(1);
    remplir(g, 3, 4);
    g.setSheet(2);
    EXPECT_EQ(g.maxRows(), 0);
    g.setMaxCols(2);
    g.setMaxRows(1);
    g.setCol(2);
    g.setRow(1);
    g.setText(QStringLiteral("  é & \"x\"  "));
    EXPECT_EQ(g.text(), QStringLiteral("  é & \"x\"  "));
    g.setSheet(1);
    EXPECT_EQ(g.textAt(2, 1), QStringLiteral("2:1"));
    EXPECT_EQ(g.textAt(3, 4), QStringLiteral("3:4"));

    // Outside the sheet: writes are ignored, reads are empty and say so.
    g.setTextAt(4, 1, QStringLiteral("x"));
    g.setTextAt(1, 5, QStringLiteral("x"));
    g.setTextAt(0, 1, QStringLiteral("x"));
    QString t = QStringLiteral("old");
    EXPECT_FALSE(g.getText(4, 1, t));
    EXPECT_TRUE(t.isEmpty());
    EXPECT_FALSE(g.getText(1, 5, t));
    EXPECT_TRUE(g.getText(1, 4, t));
    EXPECT_EQ(t, QStringLiteral("1:4"));
    EXPECT_EQ(g.maxCols(), 3);
    EXPECT_EQ(g.maxRows(), 4);
    EXPECT_EQ(g.dataRowCount(), 4);
    g.setTextAt(1, 4, QString());
    g.setTextAt(2, 4, QString());
    g.setTextAt(3, 4, QString());
    EXPECT_EQ(g.dataRowCount(), 3);
}

TEST(SpreadGrid, RowCountZeroEmptiesAndNewRowsAreBlank) {
    SpreadGrid g;
    remplir(g, 2, 3);
    g.setMaxRows(0);
    EXPECT_EQ(g.dataRowCount(), 0);
    g.setMaxRows(1);  // "count + 1 adds a blank row": nothing of the old list comes back
    EXPECT_EQ(g.textAt(1, 1), QString());
    remplir(g, 2, 3);
    g.setMaxRows(2);
    g.setMaxRows(3);
    EXPECT_EQ(g.textAt(2, 3), QString());
    EXPECT_EQ(g.textAt(2, 2), QStringLiteral("2:2"));
}

TEST(SpreadGrid, InsertAndDeleteRowsShiftTheRowsBelowAndKeepTheCount) {
    struct Cas {
        const char* nom;
        bool inserer;
        int ligne, nombre;
        QStringList attendu;
    };
    const QList<Cas> cas = {
        {"insert in the middle", true, 2, 1, {"1:1", "", "1:2", "1:3"}},
        {"insert two at the top", true, 1, 2, {"", "", "1:1", "1:2"}},
        {"insert at the last row", true, 4, 1, {"1:1", "1:2", "1:3", ""}},
        {"delete in the middle", false, 2, 1, {"1:1", "1:3", "1:4", ""}},
        {"delete past the end", false, 3, 5, {"1:1", "1:2", "", ""}},
        {"delete the first", false, 1, 1, {"1:2", "1:3", "1:4", ""}},
    };
    for (const auto& k : cas) {
        SpreadGrid g;
        remplir(g, 2, 4);
        if (k.inserer)
            g.insertRows(k.ligne, k.nombre);
        else
            g.deleteRows(k.ligne, k.nombre);
        EXPECT_EQ(g.maxRows(), 4) << k.nom;
        EXPECT_EQ(colonne(g, 1), k.attendu) << k.nom;
    }
}

TEST(SpreadGrid, RowSettingsMoveWithTheirRows) {
    SpreadGrid g;
    remplir(g, 2, 4);
    g.setCol(1);
    g.setRow(3);
    g.setBackColor(RGB(1, 2, 3));
    g.setRowHidden(true);
    g.insertRows(1, 1);
    EXPECT_EQ(g.textAt(1, 4), QStringLiteral("1:3"));
    EXPECT_EQ(g.backColorAt(1, 4), RGB(1, 2, 3));
    EXPECT_TRUE(g.rowHiddenAt(4));
    EXPECT_FALSE(g.rowHiddenAt(3));
    g.deleteRows(1, 2);
    EXPECT_EQ(g.backColorAt(1, 2), RGB(1, 2, 3));
    EXPECT_TRUE(g.rowHiddenAt(2));
    EXPECT_NE(g.backColorAt(1, 4), RGB(1, 2, 3));
}

TEST(SpreadGrid, SortMovesWholeRowsOnTheKeyColumn) {
    struct Cas {
        const char* nom;
        QStringList cles;
        QStringList attendu;
    };
    const QList<Cas> cas = {
        {"texts without regard to case", {"b", "A", "c", "a"}, {"A", "a", "b", "c"}},
        {"numbers by value", {"10", "9", "100", "2,5"}, {"2,5", "9", "10", "100"}},
        {"numbers before texts, blanks first", {"x", "", "3", "1"}, {"", "1", "3", "x"}},
        {"equal keys keep their order", {"k", "j", "k", "j"}, {"j", "j", "k", "k"}},
    };
    for (const auto& k : cas) {
        SpreadGrid g;
        g.setMaxCols(2);
        g.setMaxRows(int(k.cles.size()));
        for (int r = 1; r <= g.maxRows(); ++r) {
            g.setTextAt(1, r, k.cles[r - 1]);
            g.setTextAt(2, r, QString::number(r));
        }
        g.sortRows(1, 1, 2, g.maxRows(), 1);
        EXPECT_EQ(colonne(g, 1), k.attendu) << k.nom;
        // The second column followed its key.
        for (int r = 1; r <= g.maxRows(); ++r) {
            const int origine = g.textAt(2, r).toInt();
            EXPECT_EQ(k.cles[origine - 1], g.textAt(1, r)) << k.nom;
        }
    }
    // Equal rows end up next to each other also when a colour goes with them.
    SpreadGrid g;
    remplir(g, 1, 3);
    g.setTextAt(1, 1, QStringLiteral("z"));
    g.setCol(1);
    g.setRow(1);
    g.setBackColor(RGB(9, 9, 9));
    g.sortRows(1, 1, 1, 3, 1);
    EXPECT_EQ(g.textAt(1, 3), QStringLiteral("z"));
    EXPECT_EQ(g.backColorAt(1, 3), RGB(9, 9, 9));
}

TEST(SpreadGrid, SettingsOfAWholeColumnReachRowsAddedLater) {
    SpreadGrid g;
    g.setMaxCols(3);
    g.setCol(Spread::All);
    g.setRow(Spread::All);
    g.setBackColor(RGB(255, 204, 128));
    g.setCellType(Spread::StaticText);
    g.setCol(2);
    g.setTypeHAlign(Spread::Right);
    g.setCellType(Spread::Number);
    g.setTypeDecimals(0);
    g.setMaxRows(2);
    EXPECT_EQ(g.backColorAt(3, 2), RGB(255, 204, 128));
    EXPECT_EQ(g.cellTypeAt(1, 2), Spread::StaticText);
    EXPECT_EQ(g.cellTypeAt(2, 2), Spread::Number);
    EXPECT_EQ(g.hAlignAt(2, 1), Spread::Right);
    EXPECT_EQ(g.hAlignAt(1, 1), Spread::Left);

    // A cell's own colour wins; a later colour for its whole column replaces it.
    g.setCol(3);
    g.setRow(1);
    g.setBackColor(RGB(0, 255, 0));
    EXPECT_EQ(g.backColorAt(3, 1), RGB(0, 255, 0));
    EXPECT_EQ(g.backColorAt(3, 2), RGB(255, 204, 128));
    g.setRow(Spread::All);
    g.setBackColor(RGB(1, 1, 1));
    EXPECT_EQ(g.backColorAt(3, 1), RGB(1, 1, 1));
    // A whole row.
    g.setCol(Spread::All);
    g.setRow(2);
    g.setForeColor(RGB(255, 0, 0));
    EXPECT_EQ(g.foreColorAt(1, 2), RGB(255, 0, 0));
    EXPECT_EQ(g.foreColorAt(1, 1), Spread::WindowText);
}

TEST(SpreadGrid, NumberAndPercentCellsShowTheirRoundedValue) {
    struct Cas {
        int kind, decimals;
        const char* ecrit;
        const char* lu;
    };
    const QList<Cas> cas = {
        {Spread::Number, 0, "123456", "123456"},                                     // a web id comes back unchanged
        {Spread::Number, 0, "12.4", "12"},       {Spread::Number, 0, "12,5", "12"},  // halves to the even neighbour
        {Spread::Number, 0, "13.5", "14"},       {Spread::Number, 0, "-0.4", "0"},   {Spread::Number, 2, "3", "3.00"},
        {Spread::Number, 0, "abc", "abc"},  // not a number: kept as written
        {Spread::Percent, 0, "0", "0"},     // a percentage shows no sign
        {Spread::Percent, 0, "33.5", "34"},      {Spread::Percent, 0, "24.5", "24"}, {Spread::Percent, 0, "101", "101"},
        {Spread::StaticText, 0, "12.5", "12.5"}, {Spread::Percent, 0, "", ""},
    };
    for (const auto& k : cas) {
        SpreadGrid g;
        g.setMaxCols(1);
        g.setMaxRows(1);
        g.setCol(1);
        g.setRow(1);
        g.setCellType(k.kind);
        g.setTypeDecimals(k.decimals);
        g.setText(QString::fromUtf8(k.ecrit));
        EXPECT_EQ(g.text(), QString::fromUtf8(k.lu)) << k.ecrit;
        EXPECT_EQ(g.cellType(), k.kind);
    }
}

TEST(SpreadGrid, ClearRangeEmptiesTextsAndLooksButKeepsLayout) {
    SpreadGrid g;
    remplir(g, 3, 3);
    g.setColWidth(2, 12);
    g.setCol(3);
    g.setColHidden(true);
    g.setRow(Spread::All);
    g.setTypeHAlign(Spread::Right);
    for (int c = 1; c <= 3; ++c) {
        g.setCol(c);
        g.setRow(2);
        g.setBackColor(RGB(0, 0, 0));
        g.setCellType(Spread::Percent);
    }
    g.clearRange(1, 1, 2, 2, true);  // data only: the looks stay
    EXPECT_EQ(g.textAt(1, 1), QString());
    EXPECT_EQ(g.backColorAt(1, 2), RGB(0, 0, 0));
    g.clearRange(Spread::All, Spread::All, 0, 0, false);
    EXPECT_EQ(g.dataRowCount(), 0);
    EXPECT_NE(g.backColorAt(2, 2), RGB(0, 0, 0));
    EXPECT_EQ(g.cellTypeAt(2, 2), Spread::Edit);
    EXPECT_DOUBLE_EQ(g.colWidth(2), 12);
    EXPECT_TRUE(g.colHiddenAt(3));
    EXPECT_EQ(g.hAlignAt(3, 1), Spread::Right);  // a column setting, not a cell's
    EXPECT_EQ(g.maxRows(), 3);
}

TEST(SpreadGrid, HeaderRowsAreAddressedByTheirNumbers) {
    SpreadGrid g;
    g.setMaxCols(2);
    g.setHeaderRowCount(3);
    struct Cas {
        int ligne, entete;
    };
    for (const Cas& k : {Cas{Spread::HeaderRow1, 1}, Cas{Spread::HeaderRow2, 2}, Cas{Spread::HeaderRow3, 3}}) {
        g.setRow(k.ligne);
        g.setCol(2);
        g.setText(QStringLiteral("h%1").arg(k.entete));
        EXPECT_EQ(g.headerText(2, k.entete), QStringLiteral("h%1").arg(k.entete));
    }
    g.setRow(0);
    EXPECT_EQ(g.text(), QStringLiteral("h1"));
    EXPECT_EQ(g.maxRows(), 0);  // no data row was touched
    g.setHeaderRowCount(7);
    EXPECT_EQ(g.headerRowCount(), 3);
}

TEST(SpreadGrid, EqualNeighboursMerge) {
    SpreadGrid g;
    g.setMaxCols(5);
    g.setHeaderRowCount(3);
    const QStringList r1 = {"Date", "Date", "Date", "Nature", "Jour"};
    const QStringList r2 = {"Se", "Jour", "Date", "Nature", "Jour"};
    for (int c = 1; c <= 5; ++c) {
        g.setHeaderText(c, 1, r1[c - 1]);
        g.setHeaderText(c, 2, r2[c - 1]);
        g.setHeaderText(c, 3, r2[c - 1]);
        g.setCol(c);
        g.setColMerge(1);
    }
    g.setCol(Spread::All);
    for (int h : {Spread::HeaderRow1, Spread::HeaderRow2, Spread::HeaderRow3}) {
        g.setRow(h);
        g.setRowMerge(1);
    }
    struct Cas {
        int col, row;
        SpreadGrid::Bloc attendu;
    };
    const int H1 = Spread::HeaderRow1, H2 = Spread::HeaderRow2, H3 = Spread::HeaderRow3;
    const QList<Cas> cas = {
        {2, H1, {1, H1, 3, 1}},  // "Date" over columns 1 to 3
        {1, H3, {1, H2, 1, 2}},  // "Se" over header rows 2 and 3
        {3, H2, {3, H2, 1, 2}},  // "Date" of rows 2-3 stays apart from the one above it
        {4, H2, {4, H1, 1, 3}},  // "Nature" down all three rows
        {5, H1, {5, H1, 1, 3}},  // "Jour" alone in row 1, down its column
        {2, H2, {2, H2, 1, 2}},
    };
    for (const auto& k : cas) {
        const auto b = g.mergedBlock(k.col, k.row);
        EXPECT_EQ(b.col, k.attendu.col) << k.col << " " << k.row;
        EXPECT_EQ(b.row, k.attendu.row) << k.col << " " << k.row;
        EXPECT_EQ(b.cols, k.attendu.cols) << k.col << " " << k.row;
        EXPECT_EQ(b.rows, k.attendu.rows) << k.col << " " << k.row;
    }

    // Data rows of a merged column: runs of equal text, blanks never merge.
    g.setMaxRows(6);
    const QStringList d = {"a", "a", "a", "", "", "b"};
    for (int r = 1; r <= 6; ++r) g.setTextAt(1, r, d[r - 1]);
    EXPECT_EQ(g.mergedBlock(1, 2).row, 1);
    EXPECT_EQ(g.mergedBlock(1, 2).rows, 3);
    EXPECT_EQ(g.mergedBlock(1, 5).rows, 1);
    EXPECT_EQ(g.mergedBlock(1, 6).rows, 1);
    // A column without the merge rule shows every cell.
    g.setCol(2);
    g.setColMerge(0);
    g.setTextAt(2, 1, QStringLiteral("x"));
    g.setTextAt(2, 2, QStringLiteral("x"));
    EXPECT_EQ(g.mergedBlock(2, 1).rows, 1);
    // The view shows the runs as spans once painting is on.
    g.refreshView();
    EXPECT_EQ(g.view()->rowSpan(0, 0), 3);
    EXPECT_EQ(g.view()->rowSpan(0, 1), 1);
}

TEST(SpreadGrid, HiddenRowsAndColumnsReachTheView) {
    SpreadGrid g;
    remplir(g, 4, 5);
    g.setRedraw(false);
    g.setCol(2);
    g.setColHidden(true);
    g.setRow(4);
    g.setRowHidden(true);
    g.setRow(Spread::All);
    g.setCol(Spread::All);
    EXPECT_TRUE(g.colHiddenAt(2));
    EXPECT_TRUE(g.rowHiddenAt(4));
    EXPECT_FALSE(g.rowHiddenAt(3));
    g.setRedraw(true);
    EXPECT_TRUE(g.view()->isColumnHidden(1));
    EXPECT_TRUE(g.view()->isRowHidden(3));
    EXPECT_FALSE(g.view()->isRowHidden(2));
    g.setRow(4);
    g.setRowHidden(false);
    EXPECT_FALSE(g.view()->isRowHidden(3));
    g.setCol(2);
    g.setColHidden(false);
    EXPECT_FALSE(g.view()->isColumnHidden(1));
    // Width 0 of the row-header column hides it.
    g.setColWidth(0, 0);
    EXPECT_TRUE(g.colHiddenAt(0));
}

// Rows come back as they went, whatever painted in between: a row hidden and shown again while
// painting is off, a row hidden on one sheet and not on the sheet the user turns to.
TEST(SpreadGrid, HiddenRowsShowAgainInTheView) {
    SpreadGrid g;
    g.setSheetCount(2);
    for (int s = 1; s <= 2; ++s) {
        g.setSheet(s);
        remplir(g, 3, 6);
    }
    g.setSheet(1);
    g.setRow(2);
    g.setRowHidden(true);
    EXPECT_TRUE(g.view()->isRowHidden(1));
    for (bool cacher : {false, true, false}) {
        g.setRedraw(false);
        g.setRow(2);
        g.setRowHidden(cacher);
        g.setRow(5);
        g.setRowHidden(!cacher);
        g.setRedraw(true);
        EXPECT_EQ(g.view()->isRowHidden(1), cacher) << cacher;
        EXPECT_EQ(g.view()->isRowHidden(4), !cacher) << cacher;
        EXPECT_FALSE(g.view()->isRowHidden(0));
    }
    // Row 5 hidden on sheet 1 only.
    g.sheetTabs()->setCurrentIndex(1);
    EXPECT_FALSE(g.view()->isRowHidden(4));
    g.sheetTabs()->setCurrentIndex(0);
    EXPECT_TRUE(g.view()->isRowHidden(4));
}

TEST(SpreadGrid, SheetsHaveNamesAndTabsWhenMoreThanOne) {
    SpreadGrid g;
    EXPECT_EQ(g.sheetCount(), 1);
    EXPECT_FALSE(g.sheetTabs()->isVisibleTo(&g));
    g.setSheetCount(3);
    for (int s = 1; s <= 3; ++s) {
        g.setSheet(s);
        g.setSheetName(QStringLiteral("Station %1").arg(s));
    }
    EXPECT_TRUE(g.sheetTabs()->isVisibleTo(&g));
    EXPECT_EQ(g.sheetTabs()->count(), 3);
    EXPECT_EQ(g.sheetTabs()->tabText(2), QStringLiteral("Station 3"));
    // The user's choice of sheet is not the sheet the program addresses.
    g.sheetTabs()->setCurrentIndex(1);
    EXPECT_EQ(g.activeSheet(), 2);
    EXPECT_EQ(g.sheet(), 3);
    g.setSheet(0);
    EXPECT_EQ(g.sheet(), 3);
    g.setSheetCount(0);  // at least one sheet stays
    EXPECT_EQ(g.sheetCount(), 1);
    EXPECT_EQ(g.sheet(), 1);
    EXPECT_EQ(g.sheetName(), QStringLiteral("Station 1"));
}

TEST(SpreadGrid, WidthsConvertToTwipsAndBack) {
    SpreadGrid g;
    EXPECT_EQ(g.colWidthToTwips(0), 0);
    int precedent = 0;
    for (double w : {1.0, 2.5, 8.0, 20.0}) {
        const int t = g.colWidthToTwips(w);
        EXPECT_GT(t, precedent) << w;
        precedent = t;
        EXPECT_NEAR(g.twipsToColWidth(t), w, 0.3) << w;
    }
    qint32 t = 0;
    g.colWidthToTwips(8.0f, t);
    EXPECT_EQ(t, g.colWidthToTwips(8.0));
    g.resize(200, 100);
    EXPECT_EQ(g.widthTwips(), int(std::lround(200 * 1440.0 / g.logicalDpiX())));
}

TEST(SpreadGrid, NothingIsShownWhilePaintingIsOff) {
    SpreadGrid g;
    g.setMaxCols(2);
    g.setRedraw(false);
    g.setMaxRows(50);
    g.setTextAt(1, 1, QStringLiteral("x"));
    // The view still holds the sheet as it was when painting stopped.
    EXPECT_EQ(g.view()->verticalHeader()->count(), 0);
    g.setRedraw(true);
    EXPECT_EQ(g.view()->verticalHeader()->count(), 50);
    EXPECT_EQ(g.model()->index(0, 0).data().toString(), QStringLiteral("x"));
    // With painting on, the view follows rows added and dropped at the end.
    for (int n : {51, 60, 10, 0, 3}) {
        g.setMaxRows(n);
        EXPECT_EQ(g.view()->verticalHeader()->count(), n) << n;
    }
}

TEST(SpreadGrid, OddAndEvenRowColoursShowOverTheSheetDefaultOnly) {
    SpreadGrid g;
    remplir(g, 1, 3);
    g.setCol(Spread::All);
    g.setRow(Spread::All);
    g.setBackColor(RGB(255, 204, 128));
    g.setOddEvenRowColor(RGB(255, 255, 255), Spread::WindowText, RGB(225, 240, 255), Spread::WindowText);
    g.setCol(1);
    g.setRow(3);
    g.setBackColor(RGB(0, 255, 0));
    auto fond = [&](int r) { return g.model()->index(r - 1, 0).data(Qt::BackgroundRole).value<QColor>(); };
    EXPECT_EQ(fond(1), QColor(255, 255, 255));
    EXPECT_EQ(fond(2), QColor(225, 240, 255));
    EXPECT_EQ(fond(3), QColor(0, 255, 0));
    // What is read back is the colour set, as the upload compares it.
    EXPECT_EQ(g.backColorAt(1, 1), RGB(255, 204, 128));
}

TEST(SpreadGrid, ClicksGiveTheControlIndexAndGridCoordinates) {
    SpreadGrid g;
    g.setIndex(1);
    remplir(g, 3, 4);
    QList<QList<int>> recus;
    QObject::connect(&g, &SpreadGrid::clicked, [&](int i, int c, int r) { recus.append({0, i, c, r}); });
    QObject::connect(&g, &SpreadGrid::doubleClicked, [&](int i, int c, int r) { recus.append({1, i, c, r}); });
    Q_EMIT g.view()->clicked(g.model()->index(3, 2));
    Q_EMIT g.view()->doubleClicked(g.model()->index(0, 0));
    const QList<QList<int>> attendu = {{0, 1, 3, 4}, {1, 1, 1, 1}};
    EXPECT_EQ(recus, attendu);
}

TEST(SpreadGrid, ColumnHeaderStaysAboveItsColumns) {
    SpreadGrid g;
    g.resize(600, 300);
    g.show();
    g.setMaxCols(3);
    QCoreApplication::processEvents();
    for (int c = 1; c <= 3; ++c) g.setColWidth(c, 40);  // wider than the grid
    for (int n : {3, 120, 2}) {
        // As a search fills it: painting off, one row at a time, then the first row selected.
        g.setRedraw(false);
        g.setMaxRows(0);
        for (int r = 1; r <= n; ++r) {
            g.setMaxRows(r);
            g.insertRows(r, 1);
            g.setTextAt(1, r, QString::number(r));
        }
        g.setRedraw(true);
        g.setSelection(1, 1, 3, 1);
        QCoreApplication::processEvents();
        EXPECT_EQ(g.view()->horizontalHeader()->geometry().left(), g.view()->viewport()->geometry().left()) << n;
        EXPECT_EQ(g.view()->verticalHeader()->geometry().right() + 1, g.view()->viewport()->geometry().left()) << n;
    }
}

// The sheet's grid colour is what the lines are drawn in, whether or not the window around the
// grid wears a style sheet of its own.
TEST(SpreadGrid, GridLinesTakeTheSheetGridColour) {
    for (const QString& feuille : {QString(), QStringLiteral("QGroupBox { border: 1px solid black; }")}) {
        QWidget fenetre;
        fenetre.setStyleSheet(feuille);
        auto* g = new SpreadGrid(&fenetre);
        g->resize(300, 200);
        remplir(*g, 3, 3);
        g->setGridColor(RGB(255, 0, 0));
        fenetre.resize(300, 200);
        fenetre.show();
        QCoreApplication::processEvents();
        QTableView* v = g->view();
        const QImage image = v->viewport()->grab().toImage();
        const int x = v->columnViewportPosition(0) + v->columnWidth(0) - 1;
        const int y = v->rowViewportPosition(1) + v->rowHeight(1) / 2;
        EXPECT_EQ(
            image.pixelColor(x * image.width() / v->viewport()->width(), y * image.height() / v->viewport()->height()),
            QColor(255, 0, 0))
            << feuille.toStdString();
    }
}
