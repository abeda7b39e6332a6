#pragma once
// The spreadsheet grid: sheets of cells with up to three column-header rows, merged header cells,
// cell kinds (static text, number, percent), alignment, colours, hidden rows and columns, sort,
// row insertion and deletion. It is driven the way the program has always driven its grids: an
// addressed sheet, a current column and a current row, then operations on that cell (or on a whole
// column, row or sheet when the column or row is "all").
//
// Addressing:
//   sheets  1..sheetCount()
//   columns 1..maxCols(); 0 is the row-header column; Spread::All (-1) is every column
//   rows    1..maxRows(); 0 is the first column-header row; Spread::All (-1) is every row;
//           Spread::HeaderRow1/2/3 (-1000, -999, -998) are the column-header rows
// Out-of-range addresses are ignored by writes and read as empty, like the old control.
//
// Colours are 32-bit values with red in the lowest byte (RGB()). Column widths are in the grid's
// character units (the width of a digit of the grid's font); colWidthToTwips() converts them.
//
// Settings made with the row or the column "all" are kept as column, row or sheet defaults, so
// rows added later take them; a cell's own setting wins over its row's, a row's over its column's,
// a column's over the sheet's. Setting a property for a whole column, row or sheet drops what
// cells inside it had of that property.
#include <QPixmap>
#include <QString>
#include <QWidget>
#include <memory>

#include "platform/spread_grid_model.h"

class QTableView;
class QTabBar;

// 32-bit colour value, red in the lowest byte.
constexpr qint32 RGB(int r, int g, int b) { return qint32((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16)); }

namespace Spread {
enum : int { All = -1, HeaderRow1 = -1000, HeaderRow2 = -999, HeaderRow3 = -998 };
// Cell kinds, with the numbers the program has always used.
enum CellKind : int { Edit = 1, StaticText = 5, Number = 13, Percent = 14 };
enum Align : int { Left = 0, Right = 1, Center = 2 };
// The system's window-text colour, resolved from the palette when painted.
constexpr qint32 WindowText = qint32(0x80000008);
// Twips per width unit that the program's own stretch computation uses.
constexpr int TwipsParUnite = 120;
}  // namespace Spread

class SpreadGrid : public QWidget {
    Q_OBJECT
public:
    explicit SpreadGrid(QWidget* parent = nullptr);
    ~SpreadGrid() override;

    // Position of the control in its control array (given back with the mouse events).
    int index() const { return index_; }
    void setIndex(int i) { index_ = i; }
    // The container's tag text.
    QString tag() const { return tag_; }
    void setTag(const QString& t) { tag_ = t; }

    // --- painting: nothing repaints while it is off; switching it on shows the whole state ---
    bool redraw() const;
    void setRedraw(bool on);

    // --- sheets ---
    int sheetCount() const;
    void setSheetCount(int n);  // at least 1; sheets beyond n are dropped
    int sheet() const;          // addressed sheet
    void setSheet(int s);
    int activeSheet() const;  // the sheet the user sees
    void setActiveSheet(int s);
    QString sheetName() const;  // of the addressed sheet
    void setSheetName(const QString& name);
    QString sheetName(int s) const;
    void setFontName(const QString& name);  // of the addressed sheet
    void setFontSize(double points);

    // --- size ---
    int maxRows() const;
    void setMaxRows(int n);  // 0 empties the sheet's rows; added rows are blank
    int maxCols() const;
    void setMaxCols(int n);
    int dataRowCount() const;  // last row holding a text, 0 when none

    // --- addressing ---
    int col() const;
    void setCol(int c);
    int row() const;
    void setRow(int r);

    // --- current cell (or the column, row or sheet when the column and/or row is "all") ---
    QString text() const;
    void setText(const QString& t);
    qint32 backColor() const;
    void setBackColor(qint32 c);
    qint32 foreColor() const;
    void setForeColor(qint32 c);
    bool fontBold() const;
    void setFontBold(bool b);
    int cellType() const;
    void setCellType(int kind);
    int typeDecimals() const;
    void setTypeDecimals(int d);            // number and percent cells
    void setTypeSeparator(bool thousands);  // number cells; off by default
    int typeHAlign() const;
    void setTypeHAlign(int align);

    // --- cells by address ---
    // False when the cell is outside the sheet (text then empty).
    bool getText(int col, int row, QString& text) const;
    QString textAt(int col, int row) const;
    void setTextAt(int col, int row, const QString& t);
    qint32 backColorAt(int col, int row) const;
    qint32 foreColorAt(int col, int row) const;
    int cellTypeAt(int col, int row) const;
    int hAlignAt(int col, int row) const;
    bool boldAt(int col, int row) const;
    // Colour of a block (columns c1..c2, rows r1..r2; "all" allowed).
    void setBackColorRange(int c1, int r1, int c2, int r2, qint32 c);

    // --- header rows ---
    int headerRowCount() const;
    void setHeaderRowCount(int n);                     // 1 to 3
    QString headerText(int col, int headerRow) const;  // headerRow 1..3
    void setHeaderText(int col, int headerRow, const QString& t);

    // --- merging: adjacent cells of equal text show as one ---
    // Row merge of the current row (header rows: across columns), column merge of the current
    // column (down the header rows and the data rows); mode 0 off, 1 on.
    void setRowMerge(int mode);
    void setColMerge(int mode);
    int rowMerge(int row) const;
    int colMerge(int col) const;
    // The block a cell belongs to once merged (itself when not merged): first column, first row,
    // column and row counts. Header rows are addressed as HeaderRow1..3.
    struct Bloc {
        int col = 0, row = 0, cols = 1, rows = 1;
    };
    Bloc mergedBlock(int col, int row) const;

    // --- widths and visibility ---
    double colWidth(int col) const;
    void setColWidth(int col, double width);  // col 0 is the row-header column (0 hides it)
    int colWidthToTwips(double width) const;
    void colWidthToTwips(float width, qint32& twips) const { twips = colWidthToTwips(double(width)); }
    double twipsToColWidth(int twips) const;
    int widthTwips() const;  // the control's own width
    bool colHidden() const;  // current column
    void setColHidden(bool h);
    bool rowHidden() const;  // current row
    void setRowHidden(bool h);
    bool colHiddenAt(int col) const;
    bool rowHiddenAt(int row) const;
    int topRow() const;  // first displayed row of the addressed sheet
    void setTopRow(int row);

    // --- rows and blocks ---
    // Rows from row on move down by count; the row count stays (the last rows fall off).
    void insertRows(int row, int count);
    // Rows below move up by count; the row count stays (blank rows come in at the end).
    void deleteRows(int row, int count);
    // Texts (and, unless dataOnly, kinds, colours and fonts) of the block return to the defaults;
    // widths and column visibility stay.
    void clearRange(int c1, int r1, int c2, int r2, bool dataOnly);
    // Sorts rows r1..r2 of the block on key column keyCol (ascending unless told); rows move whole.
    void sortRows(int c1, int r1, int c2, int r2, int keyCol, bool ascending = true);
    void setSelection(int c1, int r1, int c2, int r2);
    void lockRange(int c1, int r1, int c2, int r2, bool locked);

    // --- appearance ---
    void setOddEvenRowColor(qint32 oddBack, qint32 oddFore, qint32 evenBack, qint32 evenFore);
    void setGridColor(qint32 c);
    void setBorderStyle(int style);  // 0 none, 1 single line
    void setDragCursor(const QPixmap& picture);

    // The parts, for the windows that host the grid and for tests.
    QTableView* view() const { return view_; }
    QTabBar* sheetTabs() const { return tabs_; }
    SpreadGridModel* model() const { return model_; }
    const SpreadStore& store() const { return *store_; }

    // Lays the shown sheet out again in the view (done by itself when painting is on).
    void refreshView();

Q_SIGNALS:
    void clicked(int index, int col, int row);
    void doubleClicked(int index, int col, int row);
    // The control's size changed.
    void resized();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    friend class SpreadHeaderView;
    SpreadStore::Sheet* feuille() const;
    SpreadStore::Column* colonneCourante() const;
    void appliquerStyle(const SpreadStyle& valeur);
    void retirerChamps(std::vector<quint32>& styles, quint8 champs);
    enum : int { Cellules = 0, Colonnes = 1, Structure = 2 };
    // What changed: cell contents or looks, the columns' layout, or the rows themselves.
    void changement(int niveau);
    void appliquerColonnes();
    void celluleChangee(int c, int r);
    int pixels(double largeur) const;
    int marge() const;
    double pixelsParUnite() const;
    double twipsParPixel() const;
    void calculerFusions();
    void decalerLignes(int row, int count, bool bas);

    std::unique_ptr<SpreadStore> store_;
    SpreadGridModel* model_ = nullptr;
    QTableView* view_ = nullptr;
    class SpreadHeaderView* header_ = nullptr;
    QTabBar* tabs_ = nullptr;
    QPixmap dragCursor_;
    int index_ = 0;
    QString tag_;
    int sheet_ = 1, active_ = 1, col_ = 1, row_ = 1;
    bool redraw_ = true;
    int attente_ = -1;               // largest change made while painting was off
    bool fusionsEnAttente_ = false;  // merged blocks to lay again at the next event
    bool miseAJourTabs_ = false;
};
